#pragma once
// The station's logo: a clock face drawn in rings, centred in a picture of
// the given size.

#include <QPixmap>

namespace widgets {

QPixmap logo(const QSize &size);

} // namespace widgets
