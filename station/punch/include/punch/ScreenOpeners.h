#pragma once
// How the station opens the screens that live outside the main screen's
// folder. Each opens its screen modally over parent and returns when it has
// closed; an unset one makes the caller say the screen is not available.

#include <QString>

#include <functional>

class QWidget;

namespace punch {

struct ScreenOpeners {
  std::function<void(QWidget *parent)> cadastro; // the registry screen
  std::function<void(QWidget *parent)> cores;    // the colour screen
  // Opens a document with the desktop's viewer without waiting for it;
  // false when that failed. Unset: QDesktopServices.
  std::function<bool(const QString &path)> documento;
};

} // namespace punch
