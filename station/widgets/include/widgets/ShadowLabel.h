#pragma once
// A label that draws its text over a shadow of it, offset down and right,
// on its own background colour.

#include <QColor>
#include <QLabel>

namespace widgets {

class ShadowLabel : public QLabel {
  Q_OBJECT
public:
  explicit ShadowLabel(QWidget *parent = nullptr);

  void setShadowColour(const QColor &c);
  QColor shadowColour() const { return m_shadow; }
  void setShadowSize(int pixels);

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  QColor m_shadow = Qt::gray;
  int m_size = 2;
};

} // namespace widgets
