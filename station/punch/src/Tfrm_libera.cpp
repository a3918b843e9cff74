#include "punch/Tfrm_libera.h"

#include "punch/Admission.h"
#include "settings/ColourText.h"
#include "widgets/Colouring.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QToolButton>

namespace punch {

Tfrm_libera::Tfrm_libera(const settings::RegistroPrincipal &registro, services::Messages &messages, QWidget *parent)
    : QDialog(parent), m_registro(registro), m_messages(messages) {
  setObjectName("frm_libera");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(QString::fromUtf8("Liberação"));
  setFixedSize(237, 95);
  setModal(true);

  m_buttons = new QWidget(this);
  m_buttons->setObjectName("Panel1");
  m_buttons->setGeometry(0, 0, 44, 95);
  bt_confirma = new QToolButton(m_buttons);
  bt_confirma->setObjectName("bt_confirma");
  bt_confirma->setToolTip(QString::fromUtf8("Confirma Liberação"));
  bt_confirma->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
  bt_confirma->setGeometry(6, 8, 32, 32);
  SpeedButton4 = new QToolButton(m_buttons);
  SpeedButton4->setObjectName("SpeedButton4");
  SpeedButton4->setToolTip("abandona Tela");
  SpeedButton4->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  SpeedButton4->setGeometry(6, 54, 32, 32);

  auto *l1 = new QLabel(QString::fromUtf8("Senha de Liberação"), this);
  l1->setGeometry(52, 4, 180, 16);
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName("Edit1");
  Edit1->setEchoMode(QLineEdit::Password);
  Edit1->setToolTip(QString::fromUtf8("Senha Para Liberar Acesso/Marcação"));
  Edit1->setGeometry(52, 20, 178, 24);
  auto *l2 = new QLabel(QString::fromUtf8("Tempo Liberação"), this);
  l2->setGeometry(52, 48, 180, 16);
  Edit2 = new QLineEdit(QStringLiteral("00:01"), this);
  Edit2->setObjectName("Edit2");
  Edit2->setToolTip(QString::fromUtf8("Tempo Liberado Para Marcação (Padrão 1 Minuto)"));
  Edit2->setGeometry(52, 64, 80, 24);

  connect(bt_confirma, &QToolButton::clicked, this, &Tfrm_libera::confirma);
  connect(Edit1, &QLineEdit::returnPressed, this, &Tfrm_libera::confirma);
  connect(SpeedButton4, &QToolButton::clicked, this, [this] {
    m_senha.clear();
    reject();
  });
}

void Tfrm_libera::showEvent(QShowEvent *event) {
  Edit1->clear();
  atualizacores();
  if (QScreen *s = screen()) move(s->availableGeometry().center() - rect().center());
  Edit1->setFocus();
  QDialog::showEvent(event);
}

void Tfrm_libera::confirma() {
  m_senha = Edit1->text();
  m_tempo = releaseLength(Edit2->text());
  accept();
}

void Tfrm_libera::atualizacores() {
  settings::Colours c;
  QString error;
  if (!settings::slotColours(m_registro, QApplication::palette(), c, &error)) {
    m_messages.show(this, error);
    return;
  }
  using namespace settings;
  widgets::paintBackground(this, c[corcontrole]);
  for (QLabel *l : findChildren<QLabel *>()) widgets::paintText(l, QPalette::WindowText, c[corpadrao]);
  widgets::paintBackground(m_buttons, c[corbotao]);
  for (QLineEdit *e : {Edit1, Edit2}) widgets::paintEditBackground(e, c[coredicao]);
}

} // namespace punch
