// A control with no screen behaviour of its own: a fixed picture on the
// window background colour (ctrlSensor, ctrlFPdb).
#ifndef DACTILOX_PICTURE_CONTROL_H
#define DACTILOX_PICTURE_CONTROL_H

#include "control_support.h"

#include <QWidget>

class QPainter;

namespace dactilox {

class PictureControl : public QWidget, public EventSource {
public:
  enum class Picture { Reader, Database };
  // widthTwips x heightTwips at creation.
  PictureControl(Picture picture, int widthTwips, int heightTwips, QWidget *parent);

  // The picture alone, as drawn at this size.
  static void draw(QPainter &p, Picture picture, const QRect &area);

protected:
  void paintEvent(QPaintEvent *) override;

private:
  Picture m_picture;
};

} // namespace dactilox

#endif
