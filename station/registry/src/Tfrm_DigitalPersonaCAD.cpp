#include "registry/Tfrm_DigitalPersonaCAD.h"

#include "controls/ctrl_cadastrar.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace registry {

Tfrm_DigitalPersonaCAD::Tfrm_DigitalPersonaCAD(services::Messages &messages, QWidget *parent)
    : QDialog(parent), m_messages(messages) {
  setObjectName("frm_DigitalPersonaCAD");
  setWindowTitle("Cadastro Biometrico - DigitalPersona");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  ctrlCadastrar1 = new controls::CtrlCadastrar("ctrlCadastrar1", this);
  layout->addWidget(ctrlCadastrar1);
  // The screen would have no exit when the employee cannot finish: a cancel
  // that ends the enrollment as failed.
  bt_cancela = new QPushButton("Cancelar", this);
  bt_cancela->setObjectName("bt_cancela");
  bt_cancela->setToolTip("Abandona o Cadastro da Digital");
  layout->addWidget(bt_cancela, 0, Qt::AlignRight);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(bt_cancela, &QPushButton::clicked, this, &QDialog::reject);
  // Closing runs after the control's own call has returned.
  connect(ctrlCadastrar1, &controls::CtrlCadastrar::CadastroConcluido, this, &Tfrm_DigitalPersonaCAD::concluido,
          Qt::QueuedConnection);
  connect(ctrlCadastrar1, &controls::CtrlCadastrar::ErroMsg, this, &Tfrm_DigitalPersonaCAD::erroMsg);
}

Tfrm_DigitalPersonaCAD::~Tfrm_DigitalPersonaCAD() {
  if (m_ativo) {
    ctrlCadastrar1->LimparImageDigital();
    ctrlCadastrar1->EncerrarBiometrica();
  }
}

bool Tfrm_DigitalPersonaCAD::cadastrar(const QString &codigo) {
  m_sucesso = false;
  if (!ctrlCadastrar1->ok()) {
    m_messages.show(parentWidget(), ctrlCadastrar1->errorText());
    return false;
  }
  m_ativo = true;
  ctrlCadastrar1->InicializarBiometrica();
  ctrlCadastrar1->setVerificarDigitaisDuplicadas(1);
  ctrlCadastrar1->CadastrarDigital(1, codigo);
  exec();
  return m_sucesso;
}

void Tfrm_DigitalPersonaCAD::excluir(const QString &codigo) {
  if (!ctrlCadastrar1->ok()) return;
  ctrlCadastrar1->InicializarBiometrica();
  ctrlCadastrar1->setVerificarDigitaisDuplicadas(1);
  ctrlCadastrar1->ExcluirUsuario(codigo);
  ctrlCadastrar1->LimparImageDigital();
  ctrlCadastrar1->EncerrarBiometrica();
}

void Tfrm_DigitalPersonaCAD::concluido(quint8 sucesso, quint8) {
  if (!isVisible()) return; // a late event after the screen closed
  if (sucesso != 0) m_sucesso = true;
  accept();
}

void Tfrm_DigitalPersonaCAD::done(int result) {
  if (m_ativo) {
    m_ativo = false;
    ctrlCadastrar1->LimparImageDigital();
    ctrlCadastrar1->EncerrarBiometrica();
  }
  QDialog::done(result);
}

void Tfrm_DigitalPersonaCAD::erroMsg(const QString &texto) {
  m_erros << texto;
  if (m_mostrandoErro) return;
  m_mostrandoErro = true;
  while (!m_erros.isEmpty()) m_messages.show(this, m_erros.takeFirst());
  m_mostrandoErro = false;
}

} // namespace registry
