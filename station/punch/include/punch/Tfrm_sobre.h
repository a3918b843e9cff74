#pragma once
// The about screen: the product, its version, its parts and the libraries
// it is built on with their licences. Static texts only.

#include <QDialog>

namespace punch {

class Tfrm_sobre : public QDialog {
  Q_OBJECT
public:
  explicit Tfrm_sobre(QWidget *parent = nullptr);

  // The text shown, also for the about screen's tests.
  static QString texto();
};

} // namespace punch
