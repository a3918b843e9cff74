#include "widgets/ShadowLabel.h"

#include <QPainter>

namespace widgets {

ShadowLabel::ShadowLabel(QWidget *parent) : QLabel(parent) {}

void ShadowLabel::setShadowColour(const QColor &c) {
  m_shadow = c;
  update();
}

void ShadowLabel::setShadowSize(int pixels) {
  m_size = pixels;
  update();
}

void ShadowLabel::paintEvent(QPaintEvent *) {
  QPainter p(this);
  if (autoFillBackground()) p.fillRect(rect(), palette().color(QPalette::Window));
  p.setFont(font());
  const QRect r = contentsRect();
  p.setPen(m_shadow);
  p.drawText(r.translated(m_size, m_size), int(alignment()), text());
  p.setPen(palette().color(QPalette::WindowText));
  p.drawText(r, int(alignment()), text());
}

} // namespace widgets
