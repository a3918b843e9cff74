#pragma once
// The supervisor release dialog: the control password and the length of the
// release window.

#include "services/Services.h"
#include "settings/RegistroPrincipal.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class QToolButton;

namespace punch {

class Tfrm_libera : public QDialog {
  Q_OBJECT
public:
  Tfrm_libera(const settings::RegistroPrincipal &registro, services::Messages &messages, QWidget *parent = nullptr);

  // What the dialog ended with: the typed password (empty when abandoned) and
  // the release length ("00:15" when the typed one is no time).
  const QString &senhaliberacao() const { return m_senha; }
  const QString &tempoliberacao() const { return m_tempo; }

protected:
  void showEvent(QShowEvent *event) override;

private:
  void confirma();
  void atualizacores();

  const settings::RegistroPrincipal &m_registro;
  services::Messages &m_messages;
  QString m_senha;
  QString m_tempo = QStringLiteral("00:01");
  QWidget *m_buttons = nullptr;
  QLineEdit *Edit1 = nullptr;
  QLineEdit *Edit2 = nullptr;
  QToolButton *bt_confirma = nullptr;
  QToolButton *SpeedButton4 = nullptr;
};

} // namespace punch
