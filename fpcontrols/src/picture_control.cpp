#include "picture_control.h"

#include <QPainter>
#include <QPainterPath>

namespace dactilox {

PictureControl::PictureControl(Picture picture, int widthTwips, int heightTwips, QWidget *parent)
    : QWidget(parent), m_picture(picture) {
  resize(px(widthTwips), px(heightTwips));
}

void PictureControl::paintEvent(QPaintEvent *) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  draw(p, m_picture, rect());
}

namespace {

// A few ridges: concentric arcs that read as a fingerprint at icon size.
void ridges(QPainter &p, const QRectF &pad, const QColor &c) {
  p.setPen(QPen(c, std::max(1.0, pad.width() / 14)));
  p.setBrush(Qt::NoBrush);
  const QPointF centre = pad.center() + QPointF(0, pad.height() * 0.12);
  for (int i = 1; i <= 4; ++i) {
    const double rx = pad.width() * 0.11 * i, ry = pad.height() * 0.10 * i;
    p.drawArc(QRectF(centre.x() - rx, centre.y() - ry, 2 * rx, 2 * ry), 20 * 16, 140 * 16);
  }
}

} // namespace

void PictureControl::draw(QPainter &p, Picture picture, const QRect &area) {
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(area).adjusted(area.width() * 0.1, area.height() * 0.08, -area.width() * 0.1,
                                         -area.height() * 0.08);
  if (picture == Picture::Reader) {
    // The reader: a dark body with a lit window and a fingerprint on it.
    p.setPen(QPen(QColor(30, 30, 30), 1));
    p.setBrush(QColor(70, 70, 80));
    p.drawRoundedRect(r, r.width() * 0.3, r.width() * 0.3);
    const QRectF pad = r.adjusted(r.width() * 0.2, r.height() * 0.15, -r.width() * 0.2, -r.height() * 0.25);
    p.setBrush(QColor(120, 170, 230));
    p.drawEllipse(pad);
    ridges(p, pad, QColor(30, 60, 110));
    p.setBrush(QColor(0, 200, 0));
    p.setPen(Qt::NoPen);
    const double led = r.width() * 0.1;
    p.drawEllipse(QRectF(r.center().x() - led / 2, r.bottom() - r.height() * 0.16, led, led));
  } else {
    // The template store: a cylinder with a fingerprint on its side.
    const double cap = r.height() * 0.22;
    QPainterPath body;
    body.moveTo(r.left(), r.top() + cap / 2);
    body.lineTo(r.left(), r.bottom() - cap / 2);
    body.arcTo(QRectF(r.left(), r.bottom() - cap, r.width(), cap), 180, 180);
    body.lineTo(r.right(), r.top() + cap / 2);
    body.arcTo(QRectF(r.left(), r.top(), r.width(), cap), 0, -180);
    p.setPen(QPen(QColor(40, 60, 90), 1));
    p.setBrush(QColor(200, 160, 60));
    p.drawPath(body);
    p.setBrush(QColor(235, 200, 110));
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), cap));
    ridges(p, r.adjusted(r.width() * 0.22, cap * 1.1, -r.width() * 0.22, -cap * 0.6), QColor(90, 50, 10));
  }
}

} // namespace dactilox
