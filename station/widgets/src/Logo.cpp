#include "widgets/Logo.h"

#include <QPainter>

namespace widgets {

QPixmap logo(const QSize &size) {
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const int cx = size.width() / 2, cy = size.height() / 2;
  p.setPen(QPen(QColor(0, 70, 140), 3));
  for (int r = 8; r <= 40; r += 8) p.drawArc(QRect(cx - r, cy - r, 2 * r, 2 * r), 30 * 16, 300 * 16);
  p.setPen(QPen(QColor(200, 40, 40), 4));
  p.drawLine(cx, cy, cx, cy - 23);
  p.drawLine(cx, cy, cx + 18, cy);
  return pm;
}

} // namespace widgets
