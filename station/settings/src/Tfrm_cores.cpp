#include "settings/Tfrm_cores.h"

#include "settings/ColourSchemes.h"
#include "settings/ColourText.h"
#include "widgets/Colouring.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QToolButton>

namespace settings {
namespace {

const char *const kSlotNames[kCorSlots] = {"corprincipal", "corcontrole", "corbotao", "corbotaof", "correlogio",
                                           "correlogiof", "corsuspenso", "coredicao", "corpadrao"};
const char *const kSlotLabels[kCorSlots] = {"Tela Principal", "Telas de Controle", "Paineis de Botões",
                                            "FONTE dos Botões", "Relogio", "FONTE do Relogio",
                                            "Campos Suspensos e Paineis Especiais", "Campos de Edição",
                                            "FONTE Padrão"};

} // namespace

Tfrm_cores::Tfrm_cores(RegistroPrincipal &registro, services::Messages &messages, QWidget *parent)
    : QDialog(parent), m_registro(registro), m_messages(messages) {
  setObjectName("frm_cores");
  setWindowTitle(QString::fromUtf8("Configuração de Cores"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);
  setFixedSize(420, 360);

  for (int j = 0; j < kCorSlots; ++j) {
    auto *l = new QLabel(QString::fromUtf8(kSlotLabels[j]), this);
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(12, 12 + j * 30, 260, 24);
    auto *amostra = new QLabel(this);
    amostra->setObjectName(QStringLiteral("t_%1").arg(kSlotNames[j]));
    amostra->setFrameShape(QFrame::Box);
    amostra->setGeometry(280, 10 + j * 30, 124, 26);
    amostra->setCursor(Qt::PointingHandCursor);
    amostra->installEventFilter(this);
    m_amostras[j] = amostra;
  }
  auto *l = new QLabel("Esquema de Cores", this);
  l->setGeometry(12, 284, 140, 20);
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setEditable(true);
  ComboBox1->addItems(colourSchemeNames());
  ComboBox1->setCurrentIndex(-1);
  ComboBox1->setGeometry(150, 282, 256, 24);
  connect(ComboBox1, &QComboBox::currentTextChanged, this, &Tfrm_cores::escolheesquema);

  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  Panel1->setGeometry(0, 314, 420, 46);
  bt_confirma = new QToolButton(Panel1);
  bt_confirma->setObjectName("bt_confirma");
  bt_confirma->setText("Confirmar");
  bt_confirma->setToolTip("Confirma Cadastro");
  bt_confirma->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  bt_confirma->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
  bt_confirma->setGeometry(8, 6, 120, 34);
  SpeedButton4 = new QToolButton(Panel1);
  SpeedButton4->setObjectName("SpeedButton4");
  SpeedButton4->setText("Sair");
  SpeedButton4->setToolTip("Abandona Tela de Cadastro de Horario");
  SpeedButton4->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  SpeedButton4->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
  SpeedButton4->setGeometry(292, 6, 120, 34);
  connect(bt_confirma, &QToolButton::clicked, this, [this] {
    atualizacores();
    accept();
  });
  connect(SpeedButton4, &QToolButton::clicked, this, &QDialog::reject);

  chooser = [this](const QColor &start) {
    QColorDialog dialog(start, this);
    dialog.exec();
    return dialog.currentColor();
  };
  atualizacores();
}

bool Tfrm_cores::atualizacores() {
  Colours c;
  QString error;
  if (!slotColours(m_registro, QApplication::palette(), c, &error)) {
    m_messages.show(this, error);
    return false;
  }
  widgets::paintBackground(this, c[corcontrole]);
  widgets::paintBackground(Panel1, c[corbotao]);
  for (QToolButton *b : {bt_confirma, SpeedButton4}) widgets::paintText(b, QPalette::ButtonText, c[corbotaof]);
  for (QLabel *l : findChildren<QLabel *>())
    if (std::find(m_amostras.begin(), m_amostras.end(), l) == m_amostras.end())
      widgets::paintText(l, QPalette::WindowText, c[corpadrao]);
  widgets::paintText(ComboBox1, QPalette::Text, c[corpadrao]);
  widgets::paintEditBackground(ComboBox1, c[coredicao]);
  for (int j = 0; j < kCorSlots; ++j) widgets::paintBackground(m_amostras[j], c[j]);
  return true;
}

void Tfrm_cores::escolhecor(int slot) {
  if (slot < 0 || slot >= kCorSlots) return;
  m_ultimaCor = chooser(m_ultimaCor);
  m_registro.cores[slot] = colourToText(m_ultimaCor);
  widgets::paintBackground(m_amostras[slot], m_ultimaCor);
}

void Tfrm_cores::escolheesquema(const QString &text) {
  if (applyColourScheme(text, m_registro)) atualizacores();
}

bool Tfrm_cores::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    for (int j = 0; j < kCorSlots; ++j)
      if (watched == m_amostras[j]) {
        escolhecor(j);
        return true;
      }
  }
  return QDialog::eventFilter(watched, event);
}

} // namespace settings
