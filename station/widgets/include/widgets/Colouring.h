#pragma once
// Setting a widget's background or text colour the way every screen does.

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace widgets {

inline void paintBackground(QWidget *w, const QColor &c) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, c);
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

// Background of an edit or a list.
inline void paintEditBackground(QWidget *w, const QColor &c) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Base, c);
  w->setPalette(pal);
}

// role: WindowText for labels, ButtonText for buttons, Text for edits.
inline void paintText(QWidget *w, QPalette::ColorRole role, const QColor &c) {
  QPalette pal = w->palette();
  pal.setColor(role, c);
  w->setPalette(pal);
}

} // namespace widgets
