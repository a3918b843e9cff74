#include "settings/TimeText.h"

#include <QRegularExpression>

namespace settings {

std::optional<QTime> readTime(const QString &text) {
  static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*$"));
  const auto m = re.match(text);
  if (!m.hasMatch()) return std::nullopt;
  const int h = m.captured(1).toInt(), min = m.captured(2).toInt();
  const int sec = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
  if (h > 23 || min > 59 || sec > 59) return std::nullopt;
  return QTime(h, min, sec);
}

} // namespace settings
