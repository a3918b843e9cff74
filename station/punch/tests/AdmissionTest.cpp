#include "punch/Admission.h"

#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <QMap>

using namespace punch;

namespace {

settings::RegistroPrincipal defaults() {
  settings::RegistroPrincipal r;
  settings::configuracaopadrao(r, "NENHUM");
  return r;
}

// 2024-03-04 is a Monday.
QDateTime monday(int h, int m, int s = 0) { return QDateTime(QDate(2024, 3, 4), QTime(h, m, s)); }

EmployeeField employee(QMap<QString, QString> fields) {
  return [fields](const QString &name) { return fields.value(name.toLower()); };
}

const char *verdictName(Verdict v) {
  switch (v) {
  case Verdict::Admitted: return "admitted";
  case Verdict::OutsideHours: return "outside hours";
  case Verdict::DayBlocked: return "day blocked";
  case Verdict::RefusedQuietly: return "refused quietly";
  case Verdict::BadTime: return "bad time";
  }
  return "?";
}

} // namespace

TEST(Admission, DaysAndWindows) {
  struct Case {
    const char *name;
    std::function<void(settings::RegistroPrincipal &)> setup;
    QMap<QString, QString> employee;
    QDateTime now;
    Verdict want;
  } cases[] = {
      {"defaults at 00:00", {}, {}, monday(0, 0), Verdict::Admitted},
      {"defaults at 23:59:30", {}, {}, monday(23, 59, 30), Verdict::Admitted},
      {"defaults on Sunday noon", {}, {}, QDateTime(QDate(2024, 3, 10), QTime(12, 0)), Verdict::Admitted},
      {"end minute up to :59", [](auto &r) { r.wi[0] = "08:00"; r.wf[0] = "12:00"; }, {}, monday(12, 0, 59), Verdict::Admitted},
      {"one second after the end minute", [](auto &r) { r.wi[0] = "08:00"; r.wf[0] = "12:00"; }, {}, monday(12, 1, 0), Verdict::OutsideHours},
      {"one second before the start", [](auto &r) { r.wi[0] = "08:00"; r.wf[0] = "12:00"; }, {}, monday(7, 59, 59), Verdict::OutsideHours},
      {"no wrapping past midnight (late)", [](auto &r) { r.wi[0] = "22:00"; r.wf[0] = "06:00"; }, {}, monday(23, 0), Verdict::OutsideHours},
      {"no wrapping past midnight (early)", [](auto &r) { r.wi[0] = "22:00"; r.wf[0] = "06:00"; }, {}, monday(5, 0), Verdict::OutsideHours},
      {"second window admits", [](auto &r) { r.wi[0] = "08:00"; r.wf[0] = "09:00"; r.wi[1] = "13:00"; r.wf[1] = "14:00"; }, {}, monday(13, 30), Verdict::Admitted},
      {"empty start skips the window", [](auto &r) { r.wi[0] = ""; r.wf[0] = "23:59"; }, {}, monday(10, 0), Verdict::OutsideHours},
      {"window 20 counts", [](auto &r) { r.wi[0] = "01:00"; r.wf[0] = "01:01"; r.wi[19] = "10:00"; r.wf[19] = "10:00"; }, {}, monday(10, 0, 30), Verdict::Admitted},
      {"day without control, blocked", [](auto &r) { r.wseg = "N"; r.wbloq = "S"; }, {}, monday(10, 0), Verdict::DayBlocked},
      {"day without control, not blocked: open", [](auto &r) { r.wseg = "N"; r.wbloq = "N"; r.wi[0] = "01:00"; r.wf[0] = "01:00"; }, {}, monday(10, 0), Verdict::Admitted},
      {"day without control, odd block value", [](auto &r) { r.wseg = "N"; r.wbloq = "x"; }, {}, monday(10, 0), Verdict::RefusedQuietly},
      {"lower-case s is no yes", [](auto &r) { r.wseg = "s"; }, {}, monday(10, 0), Verdict::RefusedQuietly},
      {"other days do not matter", [](auto &r) { r.wter = "N"; r.wbloq = "S"; }, {}, monday(10, 0), Verdict::Admitted},
      {"bad start", [](auto &r) { r.wi[0] = "8h"; }, {}, monday(10, 0), Verdict::BadTime},
      {"bad end", [](auto &r) { r.wf[0] = "25:00"; }, {}, monday(10, 0), Verdict::BadTime},
      {"bad end behind an empty start is skipped", [](auto &r) { r.wi[1] = ""; r.wf[1] = "zz"; }, {}, monday(10, 0), Verdict::Admitted},
      // Individual schedules.
      {"individual window admits", {}, {{"e1", "08:00"}, {"s1", "09:00"}, {"seg", "S"}}, monday(8, 30), Verdict::Admitted},
      {"individual window replaces general 1", {}, {{"e1", "08:00"}, {"s1", "09:00"}, {"seg", "S"}}, monday(10, 0), Verdict::OutsideHours},
      {"general 13..20 stay in force", [](auto &r) { r.wi[14] = "10:00"; r.wf[14] = "11:00"; }, {{"e1", "08:00"}, {"s1", "09:00"}, {"seg", "S"}}, monday(10, 30), Verdict::Admitted},
      {"general 2..12 do not", [](auto &r) { r.wi[1] = "10:00"; r.wf[1] = "11:00"; }, {{"e1", "08:00"}, {"s1", "09:00"}, {"seg", "S"}}, monday(10, 30), Verdict::OutsideHours},
      {"individual flags empty: refused quietly", {}, {{"e1", "08:00"}, {"s1", "09:00"}}, monday(8, 30), Verdict::RefusedQuietly},
      {"individual day blocked", {}, {{"e1", "08:00"}, {"s1", "09:00"}, {"seg", "N"}, {"bloqdia", "S"}}, monday(8, 30), Verdict::DayBlocked},
      {"individual block flag replaces general", [](auto &r) { r.wbloq = "S"; }, {{"e1", "08:00"}, {"s1", "09:00"}, {"seg", "N"}, {"bloqdia", "N"}}, monday(8, 30), Verdict::Admitted},
      {"e1 empty, e2 set: general schedule", [](auto &r) { r.wi[0] = "08:00"; r.wf[0] = "09:00"; }, {{"e2", "10:00"}, {"s2", "11:00"}, {"seg", "N"}}, monday(8, 30), Verdict::Admitted},
  };
  for (const Case &c : cases) {
    settings::RegistroPrincipal r = defaults();
    if (c.setup) c.setup(r);
    const settings::RegistroPrincipal before = r;
    const Decision d = judge(scheduleFor(r, employee(c.employee)), c.now);
    EXPECT_STREQ(verdictName(d.verdict), verdictName(c.want)) << c.name;
    EXPECT_EQ(r, before) << c.name << ": the settings record is never touched";
    if (d.verdict == Verdict::BadTime) {
      EXPECT_FALSE(d.error.isEmpty()) << c.name;
    }
  }
}

TEST(Admission, ReleaseWindowLengths) {
  ReleaseWindow w;
  EXPECT_FALSE(w.admits(monday(10, 0))) << "nothing is released at start";

  w.grant(monday(10, 30, 45), "00:01");
  EXPECT_TRUE(w.admits(monday(10, 30, 59)));
  EXPECT_TRUE(w.admits(monday(10, 31, 0)));
  EXPECT_FALSE(w.admits(monday(10, 31, 1)));
  EXPECT_FALSE(w.isOpen()) << "an expired window is closed";
  EXPECT_FALSE(w.admits(monday(10, 30, 50))) << "and stays closed";

  w.grant(monday(23, 55, 10), "00:15");
  EXPECT_TRUE(w.admits(QDateTime(QDate(2024, 3, 5), QTime(0, 10, 0))));
  EXPECT_FALSE(w.admits(QDateTime(QDate(2024, 3, 5), QTime(0, 10, 1))));

  EXPECT_EQ(releaseLength("00:01"), "00:01");
  EXPECT_EQ(releaseLength("2:30"), "2:30");
  for (const char *bad : {"", "abc", "24:00", "00:60", "1"}) EXPECT_EQ(releaseLength(bad), "00:15") << bad;
}
