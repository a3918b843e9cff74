#pragma once
// Times of day as the settings hold them ("hh:mm"), read the one way the
// admission rules and the settings screen share.

#include <QString>
#include <QTime>

#include <optional>

namespace settings {

// An "hh:mm" (or "hh:mm:ss") time of day; empty when the text is no time.
std::optional<QTime> readTime(const QString &text);

} // namespace settings
