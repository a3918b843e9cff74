#pragma once
// Whether an employee may punch now: the week day and the time windows of the
// schedule in force, and the supervisor release window. Pure rules, no screen.

#include "settings/RegistroPrincipal.h"
#include "settings/TimeText.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace punch {

struct Interval {
  QString start; // "hh:mm"; an empty start skips the interval
  QString end;
};

// The days, the block setting and the windows one decision uses.
struct Schedule {
  std::array<QString, 7> days; // flags Monday..Sunday
  QString bloq;                // block days without control
  std::array<Interval, 20> intervals;
};

// Reads a field of the employee being judged (case-insensitive name).
using EmployeeField = std::function<QString(const QString &)>;

// The general schedule of the settings, with the employee's individual days,
// block flag and windows 1..12 in its place when the employee's e1 is set
// (general windows 13..20 stay). The settings record is not touched.
Schedule scheduleFor(const settings::RegistroPrincipal &registro, const EmployeeField &employee);

enum class Verdict {
  Admitted,
  OutsideHours,   // "Usuario Fora do Horario Permitido"
  DayBlocked,     // "Usuario Com Horario Bloqueado"
  RefusedQuietly, // a day flag that is neither "S" nor "N", or an odd block setting
  BadTime         // a window that does not read as a time; see error
};

struct Decision {
  Verdict verdict;
  QString error; // for BadTime: the conversion error's text
};

// The day and window test for the moment now.
Decision judge(const Schedule &schedule, const QDateTime &now);

using settings::readTime;

// The supervisor release: open from a granted release, to the minute, for
// its length; not stored anywhere.
class ReleaseWindow {
public:
  // True while now is not later than the release's start plus its length.
  // A window found expired is closed.
  bool admits(const QDateTime &now);
  // Opens the window at now without its seconds, for length "hh:mm".
  void grant(const QDateTime &now, const QString &length);
  void close();
  bool isOpen() const { return m_start.isValid(); }

private:
  QDateTime m_start;
  QString m_length = QStringLiteral("00:00");
};

// The length typed in the release dialog, or "00:15" when it is no time.
QString releaseLength(const QString &typed);

} // namespace punch
