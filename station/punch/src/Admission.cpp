#include "punch/Admission.h"

namespace punch {

Schedule scheduleFor(const settings::RegistroPrincipal &r, const EmployeeField &employee) {
  Schedule s;
  s.days = {r.wseg, r.wter, r.wqua, r.wqui, r.wsex, r.wsab, r.wdom};
  s.bloq = r.wbloq;
  for (int k = 0; k < 20; ++k) s.intervals[k] = {r.wi[k], r.wf[k]};
  if (!employee || employee("e1").isEmpty()) return s;
  const char *const days[] = {"seg", "ter", "qua", "qui", "sex", "sab", "dom"};
  for (int d = 0; d < 7; ++d) s.days[d] = employee(days[d]);
  s.bloq = employee("bloqdia");
  for (int k = 0; k < 12; ++k)
    s.intervals[k] = {employee(QStringLiteral("e%1").arg(k + 1)), employee(QStringLiteral("s%1").arg(k + 1))};
  return s;
}

Decision judge(const Schedule &schedule, const QDateTime &now) {
  const QString &today = schedule.days[now.date().dayOfWeek() - 1];
  if (today == QLatin1String("S")) {
    const QTime t = now.time();
    for (const Interval &iv : schedule.intervals) {
      if (iv.start.isEmpty()) continue;
      const auto start = readTime(iv.start);
      const auto end = readTime(iv.end);
      if (!start) return {Verdict::BadTime, QString::fromUtf8("\"%1\" não é um horário válido").arg(iv.start)};
      if (!end) return {Verdict::BadTime, QString::fromUtf8("\"%1\" não é um horário válido").arg(iv.end)};
      // The end minute counts up to its 59th second; no window wraps past midnight.
      const int endSecond = QTime(0, 0).secsTo(*end) + 59;
      const int nowSecond = QTime(0, 0).secsTo(t);
      if (*start <= t && nowSecond <= endSecond) return {Verdict::Admitted, {}};
    }
    return {Verdict::OutsideHours, {}};
  }
  if (today == QLatin1String("N")) {
    if (schedule.bloq == QLatin1String("S")) return {Verdict::DayBlocked, {}};
    // A day without control that is not blocked is open all day.
    if (schedule.bloq == QLatin1String("N")) return {Verdict::Admitted, {}};
  }
  return {Verdict::RefusedQuietly, {}};
}

bool ReleaseWindow::admits(const QDateTime &now) {
  if (!m_start.isValid()) return false;
  const auto length = readTime(m_length);
  const QDateTime end = m_start.addSecs(length ? QTime(0, 0).secsTo(*length) : 0);
  if (now <= end) return true;
  close();
  return false;
}

void ReleaseWindow::grant(const QDateTime &now, const QString &length) {
  m_start = QDateTime(now.date(), QTime(now.time().hour(), now.time().minute()));
  m_length = length;
}

void ReleaseWindow::close() {
  m_start = QDateTime();
  m_length = QStringLiteral("00:00");
}

QString releaseLength(const QString &typed) { return readTime(typed) ? typed : QStringLiteral("00:15"); }

} // namespace punch
