#pragma once
// The enrollment screen: hosts ctrlCadastrar1 and enrolls one finger (index 1,
// the right index finger) for an employee code, closing when the control
// raises CadastroConcluido. A hidden instance only removes templates.

#include "services/Services.h"

#include <QDialog>
#include <QStringList>

class QPushButton;

namespace controls {
class CtrlCadastrar;
}

namespace registry {

class Tfrm_DigitalPersonaCAD : public QDialog {
  Q_OBJECT
public:
  explicit Tfrm_DigitalPersonaCAD(services::Messages &messages, QWidget *parent = nullptr);
  ~Tfrm_DigitalPersonaCAD() override;

  // Shows the screen modally for the code and waits until it closes. True
  // only when the control reported success. False at once, after a message,
  // when the control is not available.
  bool cadastrar(const QString &codigo);
  // The hidden instance's job: all templates of the code are removed.
  void excluir(const QString &codigo);

  bool sucesso() const { return m_sucesso; }
  controls::CtrlCadastrar *control() const { return ctrlCadastrar1; }

  void done(int result) override;

private:
  void concluido(quint8 sucesso, quint8 indiceDedo);
  void erroMsg(const QString &texto);

  services::Messages &m_messages;
  controls::CtrlCadastrar *ctrlCadastrar1 = nullptr;
  QPushButton *bt_cancela = nullptr;
  bool m_sucesso = false;
  bool m_ativo = false;
  // Error texts that arrive while one is shown wait their turn.
  QStringList m_erros;
  bool m_mostrandoErro = false;
};

} // namespace registry
