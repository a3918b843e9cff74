#include "settings/Tfrm_config.h"

#include "settings/ColourText.h"
#include "settings/SettingsStore.h"
#include "settings/TimeText.h"
#include "widgets/Colouring.h"
#include "widgets/FolderEdit.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

namespace settings {

namespace {

QString u(const char *text) { return QString::fromUtf8(text); }

QLabel *label(QWidget *parent, const QString &text, const QRect &geometry) {
  auto *l = new QLabel(text, parent);
  l->setTextFormat(Qt::PlainText); // "<F1>" is text, not markup
  l->setGeometry(geometry);
  return l;
}

QLineEdit *edit(QWidget *parent, const QString &name, const QString &hint, int maxLength, const QRect &geometry) {
  auto *e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setToolTip(hint);
  e->setMaxLength(maxLength);
  e->setGeometry(geometry);
  return e;
}

QCheckBox *check(QWidget *parent, const char *name, const QString &text, const QString &hint, const QRect &geometry) {
  auto *c = new QCheckBox(text, parent);
  c->setObjectName(name);
  c->setToolTip(hint);
  c->setGeometry(geometry);
  return c;
}

widgets::FolderEdit *folder(QWidget *parent, const char *name, const QString &hint, const QRect &geometry) {
  auto *f = new widgets::FolderEdit(parent);
  f->setObjectName(name);
  f->setToolTip(hint);
  f->edit()->setToolTip(hint);
  f->edit()->setMaxLength(100);
  f->setGeometry(geometry);
  return f;
}

QToolButton *infoButton(QWidget *parent, const char *name, const QString &hint, const QRect &geometry) {
  auto *b = new QToolButton(parent);
  b->setObjectName(name);
  b->setToolTip(hint);
  b->setIcon(parent->style()->standardIcon(QStyle::SP_MessageBoxInformation));
  b->setIconSize(QSize(20, 20));
  b->setGeometry(geometry);
  return b;
}

// The reader seen from above: a body with the oval reading window.
QPixmap readerPicture(bool withFinger) {
  QPixmap pm(110, 130);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(60, 60, 70), 2));
  p.setBrush(QColor(150, 155, 165));
  p.drawRoundedRect(QRectF(10, 5, 90, 120), 30, 30);
  p.setBrush(QColor(40, 90, 160));
  p.drawEllipse(QRectF(32, 30, 46, 66));
  if (withFinger) {
    p.setPen(QPen(QColor(230, 230, 240), 1.5));
    p.setBrush(Qt::NoBrush);
    for (int r = 6; r <= 24; r += 6) p.drawArc(QRectF(55 - r, 63 - 1.4 * r, 2 * r, 2.8 * r), 20 * 16, 320 * 16);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(220, 40, 40));
  p.drawEllipse(QRectF(50, 108, 10, 10));
  return pm;
}

// Four colour swatches, for the colours button.
QIcon coloursIcon() {
  QPixmap pm(28, 28);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(QPen(Qt::black, 1));
  const QColor colours[] = {QColor(255, 204, 0), QColor(0, 102, 204), QColor(0, 170, 80), QColor(220, 40, 40)};
  for (int i = 0; i < 4; ++i) {
    p.setBrush(colours[i]);
    p.drawRect(2 + (i % 2) * 13, 2 + (i / 2) * 13, 11, 11);
  }
  return QIcon(pm);
}

const char *const kCampos[] = {"Empresa",
                               "CodigoBio",
                               "DataComBarras",
                               "DataSemBarras",
                               "HoraComSegComPontos",
                               "HoraComSegSemPontos",
                               "HoraSemSegComPontos",
                               "HoraSemSegSemPontos",
                               "Função",
                               "Fixo",
                               "PontoColeta"};

QString flag(const QCheckBox *c) { return c->isChecked() ? QStringLiteral("S") : QStringLiteral("N"); }

} // namespace

Tfrm_config::Tfrm_config(RegistroPrincipal &registro, const QString &settingsPath, const paths::StationPaths &paths,
                         services::Messages &messages, QWidget *parent)
    : QDialog(parent), m_registro(registro), m_settingsPath(settingsPath), m_paths(paths), m_messages(messages) {
  setObjectName("frm_config");
  setWindowTitle(u("Configurações"));
  // Fixed size, no close box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(720, 480);
  setModal(true);

  m_barra = new QWidget(this);
  m_barra->setObjectName("Panel1");
  m_barra->setGeometry(0, 0, 56, 480);
  const struct {
    const char *name;
    const char *hint;
    QIcon icon;
    void (Tfrm_config::*action)();
  } buttons[] = {
      {"bt_padrao", "Restaura Configurações Padrões", style()->standardIcon(QStyle::SP_BrowserReload),
       &Tfrm_config::restaurapadrao},
      {"bt_cadastro", "Cadastro de Usuarios", style()->standardIcon(QStyle::SP_FileDialogContentsView),
       &Tfrm_config::cadastro},
      {"bt_cores", "Configurações das Cores do Sistema", coloursIcon(), &Tfrm_config::cores},
      {"bt_confirma", "Confirma Alteração das Configurações do Sistema",
       style()->standardIcon(QStyle::SP_DialogApplyButton), &Tfrm_config::confirma},
      {"bt_sair", "Abandona Tela", style()->standardIcon(QStyle::SP_DialogCloseButton), &Tfrm_config::sair},
  };
  int y = 10;
  for (const auto &b : buttons) {
    auto *button = new QToolButton(m_barra);
    button->setObjectName(b.name);
    button->setToolTip(u(b.hint));
    button->setIcon(b.icon);
    button->setIconSize(QSize(28, 28));
    button->setAutoRaise(true);
    button->setGeometry(6, y, 44, 44);
    connect(button, &QToolButton::clicked, this, b.action);
    y += 52;
  }

  m_paginas = new QTabWidget(this);
  m_paginas->setObjectName("PageControl1");
  m_paginas->setGeometry(62, 6, 652, 468);
  const struct {
    const char *name;
    const char *title;
    void (Tfrm_config::*build)(QWidget *);
  } pages[] = {
      {"ts_funcoes", "Funções", &Tfrm_config::buildFuncoes},
      {"ts_intervalos", "Intervalos de Marcações", &Tfrm_config::buildIntervalos},
      {"ts_configuracoes", "Configurações", &Tfrm_config::buildConfiguracoes},
      {"ts_layout", "LayOut de Saida", &Tfrm_config::buildLayout},
      {"ts_biometria", "BIOMETRIA", &Tfrm_config::buildBiometria},
  };
  for (const auto &p : pages) {
    auto *page = new QWidget;
    page->setObjectName(p.name);
    (this->*p.build)(page);
    m_paginas->addTab(page, u(p.title));
  }
}

void Tfrm_config::buildFuncoes(QWidget *page) {
  for (int k = 0; k < 12; ++k) {
    const int x = k < 6 ? 10 : 324;
    const int y = 10 + (k % 6) * 68;
    const QString caption = k == 0 ? u("Função 01 (<F1> -  PADRÃO)") : u("Função %1 (<F%2>)").arg(k + 1, 2, 10, QChar('0')).arg(k + 1);
    label(page, caption, QRect(x, y, 300, 18));
    cod[k] = edit(page, QStringLiteral("cod%1").arg(k + 1), u("Codigo AlfaNumerico de Identificação da Função"), 5,
                  QRect(x, y + 20, 60, 24));
    desc[k] = edit(page, QStringLiteral("desc%1").arg(k + 1), u("Descrição da Função"), 30,
                   QRect(x + 64, y + 20, 236, 24));
  }
}

void Tfrm_config::buildIntervalos(QWidget *page) {
  auto *diasBox = new QGroupBox(u("Dias de Controle"), page);
  diasBox->setGeometry(8, 6, 628, 84);
  const char *const names[] = {"wseg", "wter", "wqua", "wqui", "wsex", "wsab", "wdom"};
  const char *const texts[] = {"Segunda", "Terça", "Quarta", "Quinta", "Sexta", "Sabado", "Domingo"};
  for (int d = 0; d < 7; ++d)
    dias[d] = check(diasBox, names[d], u(texts[d]), u("Dia Para Verificação de Intervalo (Controle do Horario)"),
                    QRect(10 + d * 87, 24, 86, 22));
  wbloq = check(diasBox, "wbloq", u("Bloqueia Dias Sem Controle"), u("Bloqueia Marcação Para Dias Não Liberados"),
                QRect(10, 52, 300, 22));

  auto *horas = new QGroupBox(u("Horarios de Controle"), page);
  horas->setGeometry(8, 96, 628, 336);
  for (int k = 0; k < 20; ++k) {
    const int x = 12 + (k % 4) * 154;
    const int y = 24 + (k / 4) * 62;
    label(horas, QStringLiteral("Intervalo %1").arg(k + 1), QRect(x, y, 140, 18));
    wi[k] = edit(horas, QStringLiteral("w%1i").arg(k + 1), u("Inicio do Intervalo Geral"), 5, QRect(x, y + 20, 56, 24));
    label(horas, u("a"), QRect(x + 60, y + 22, 14, 20));
    wf[k] = edit(horas, QStringLiteral("w%1f").arg(k + 1), u("Termino do Limite de Intervalo de Marcações"), 5,
                 QRect(x + 76, y + 20, 56, 24));
  }
}

void Tfrm_config::buildConfiguracoes(QWidget *page) {
  label(page, u("Codigo da Empresa Padrão"), QRect(10, 8, 300, 18));
  w_codemp = edit(page, "w_codemp", u("Codigo de Identificação da Empresa  Padrão"), 20, QRect(10, 28, 160, 24));
  label(page, u("Ponto de Coleta"), QRect(320, 8, 300, 18));
  w_pontocoleta = edit(page, "w_pontocoleta", u("Codigo de identificação do Ponto de Coleta de Marcações"), 20,
                       QRect(320, 28, 160, 24));
  label(page, u("Senha de Controle e Liberação de Marcação"), QRect(10, 62, 400, 18));
  wsenhacontrole = edit(page, "wsenhacontrole", u("Senha Para Liberar Acesso/Marcações"), 20, QRect(10, 82, 160, 24));
  wsenhacontrole->setEchoMode(QLineEdit::Password);
  label(page, u("Pasta de Dados ZELTRON"), QRect(10, 116, 400, 18));
  PastaDados = folder(page, "PastaDados", u("Pasta Onde se Encontram os Arquivos de Dados do TALVENOX"),
                      QRect(10, 136, 620, 26));

  auto *exp = new QGroupBox(u("Arquivo de Exportação de Acessos (ASCII)"), page);
  exp->setGeometry(8, 176, 628, 210);
  label(exp, u("Pasta Para Exportação do Arquivo ASCII"), QRect(10, 24, 400, 18));
  PastaExp = folder(exp, "PastaExp", u("Pasta ao qual será destinado a exportação do Arquivo de Marcações"),
                    QRect(10, 44, 606, 26));
  label(exp, u("Nome do Arquivo de Exportação"), QRect(10, 80, 400, 18));
  arquivo = edit(exp, "arquivo", u("Nome do Arquivo de Exportação das Marcações"), 30, QRect(10, 100, 260, 24));
  cb_Codemp = check(exp, "cb_Codemp", u("Acrescentar Codigo da Empresa na Identificação do Arquivo"), {},
                    QRect(10, 134, 560, 22));
  cb_data = check(exp, "cb_data", u("Acrescentar Data(AAAAMMDD) na Identificação do Arquivo"), {},
                  QRect(10, 160, 560, 22));
  auto *info = infoButton(exp, "bt_infoexportacao", u("Informações Sobre o Arquivo de Exportação"),
                          QRect(584, 96, 32, 32));
  connect(info, &QToolButton::clicked, this, [this] {
    m_messages.show(this, u("1 - Sera Registrado um Arquivo MENSAL com Todas as Marcações Realizadas.\r"
                            "Arquivo: ZELTRON_ANOMES.TXT LOCAL: Pasta do Executavel\r"
                            "2 - Sera Registrado um Arquivo Com o Ultimo CODIGO BIO, Para Utilização Como MODO ONLINE.\r"
                            "Arquivo: ZELTRON_ONLINE.TXT LOCAL: Pasta do Executavel"));
  });
}

void Tfrm_config::buildLayout(QWidget *page) {
  for (int k = 0; k < 12; ++k) {
    const int y = 8 + k * 31;
    label(page, QStringLiteral("Campo%1").arg(k + 1), QRect(10, y + 3, 60, 18));
    auto *c = new QComboBox(page);
    c->setObjectName(QStringLiteral("campo%1").arg(k + 1));
    c->setToolTip(u("Campo de Dados Para Exportação das Marcações"));
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert); // typed text is stored, not added to the list
    c->lineEdit()->setMaxLength(30);
    QStringList items;
    for (const char *item : kCampos) items << u(item);
    if (k == 0) items.swapItemsAt(items.size() - 2, items.size() - 1); // field 1 lists "PontoColeta" first
    c->addItems(items);
    c->setCurrentIndex(-1);
    c->setGeometry(72, y, 210, 26);
    campo[k] = c;
    label(page, u("Preencher Com"), QRect(296, y + 3, 100, 18));
    campop[k] = edit(page, QStringLiteral("campo%1p").arg(k + 1),
                     u("Campo de Dados Especifico Para o Tipo de Campo=FIXO"), 30, QRect(398, y, 236, 26));
  }
  const int y = 8 + 12 * 31 + 6;
  label(page, u("Divisor de Campos"), QRect(10, y + 3, 120, 18));
  divisor = edit(page, "divisor", u("Campo de Caractere Separador dos Dados"), 10, QRect(132, y, 60, 26));
  auto *info = infoButton(page, "bt_infolayout", u("Informações Sobre o LayOut de Saida"), QRect(602, y - 3, 32, 32));
  connect(info, &QToolButton::clicked, this,
          [this] { m_messages.show(this, u("PREENCHER COM - Somente Quando CAMPO For FIXO")); });
}

void Tfrm_config::buildBiometria(QWidget *page) {
  auto *grupo = new QGroupBox(u("Identificação BIOMETRICA"), page);
  grupo->setObjectName("rb_biometria");
  grupo->setToolTip(u("Seleciona o Tipo de Identificação do Usuario"));
  grupo->setGeometry(8, 8, 200, 90);
  m_biometria = new QButtonGroup(this);
  const char *const items[] = {"DIGITALPERSONA", "NENHUM"};
  for (int i = 0; i < 2; ++i) {
    auto *r = new QRadioButton(u(items[i]), grupo);
    r->setObjectName(QStringLiteral("rb_biometria_%1").arg(i));
    r->setGeometry(12, 26 + i * 28, 180, 22);
    m_biometria->addButton(r, i);
  }
  // Toggled, not clicked: the arrow keys select too.
  connect(m_biometria, &QButtonGroup::idToggled, this, [this](int id, bool on) {
    if (on) p_digitalpersona->setVisible(id == 0);
  });

  p_digitalpersona = new QFrame(page);
  p_digitalpersona->setObjectName("p_digitalpersona");
  p_digitalpersona->setFrameShape(QFrame::StyledPanel);
  p_digitalpersona->setGeometry(220, 8, 416, 250);
  label(p_digitalpersona, u("Pasta de Dados Biometricos"), QRect(10, 8, 300, 18));
  pastabio = folder(p_digitalpersona, "pastabio", u("Pasta onde se encontram os dados das biometrias"),
                    QRect(10, 28, 396, 26));
  auto *leitor = new QToolButton(p_digitalpersona);
  leitor->setObjectName("im_leitor");
  leitor->setToolTip(u("Informações sobre o LEITOR BIOMETRICO"));
  leitor->setIcon(QIcon(readerPicture(false)));
  leitor->setIconSize(QSize(110, 130));
  leitor->setAutoRaise(true);
  leitor->setGeometry(20, 70, 120, 140);
  connect(leitor, &QToolButton::clicked, this, [this] { m_messages.show(this, avisoLeitor()); });
  auto *digital = new QLabel(p_digitalpersona);
  digital->setObjectName("im_digital");
  digital->setPixmap(readerPicture(true));
  digital->setGeometry(170, 75, 110, 130);
  p_digitalpersona->hide();
}

QString Tfrm_config::avisoLeitor() {
  return u("Informações para o usuário final:\r\r"
           "a) Limpe o leitor somente com fita adesiva comum, colando-a e retirando-a da película de silicone; "
           "nunca use panos nem produtos químicos.\r"
           "b) Não deixe o leitor exposto à luz direta do sol.\r"
           "c) No cadastramento, cubra com o dedo toda a janela oval de leitura.\r"
           "d) Na identificação, apoie o dedo sobre a janela até a luz piscar e então retire-o.\r"
           "e) Nunca apoie o dedo em pé, na vertical: a unha pode danificar a película.\r"
           "f) Algumas pessoas têm digitais abaixo da qualidade mínima e precisam de outro meio de "
           "identificação (cartão, senha).\r\r"
           "Computador mínimo recomendado: processador de 1 GHz, 256 MB de memória e uma porta USB livre.");
}

void Tfrm_config::showEvent(QShowEvent *event) {
  mostra();
  if (QScreen *s = screen()) move(s->availableGeometry().center() - rect().center());
  QDialog::showEvent(event);
}

void Tfrm_config::mostra() {
  const RegistroPrincipal &r = m_registro;
  for (int k = 0; k < 12; ++k) {
    cod[k]->setText(r.cod[k]);
    desc[k]->setText(r.desc[k]);
    campo[k]->setCurrentText(r.campo[k]);
    campop[k]->setText(r.campop[k]);
  }
  for (int k = 0; k < 20; ++k) {
    wi[k]->setText(r.wi[k]);
    wf[k]->setText(r.wf[k]);
  }
  w_codemp->setText(r.w_codemp);
  w_pontocoleta->setText(r.w_pontocoleta);
  wsenhacontrole->setText(r.wsenhacontrole);
  PastaDados->setText(r.PastaDados);
  PastaExp->setText(r.PastaExp);
  arquivo->setText(r.arquivo);
  divisor->setText(r.divisor);
  pastabio->setText(r.pastabio);

  p_digitalpersona->hide();
  if (r.rb_biometria == QLatin1String(kDigitalPersona)) {
    selecionaBiometria(0);
    p_digitalpersona->show();
  } else if (r.rb_biometria == QLatin1String(kNenhum)) {
    selecionaBiometria(1);
  }

  const QString *flags[] = {&r.wseg, &r.wter, &r.wqua, &r.wqui, &r.wsex, &r.wsab, &r.wdom};
  for (int d = 0; d < 7; ++d) dias[d]->setChecked(isYes(*flags[d]));
  wbloq->setChecked(isYes(r.wbloq));
  cb_Codemp->setChecked(isYes(r.cb_Codemp));
  cb_data->setChecked(isYes(r.cb_data));

  m_paginas->setCurrentIndex(0);
  atualizacores();
}

int Tfrm_config::indiceBiometria() const { return m_biometria->checkedId(); }

void Tfrm_config::selecionaBiometria(int index) {
  if (QAbstractButton *b = m_biometria->button(index)) b->setChecked(true);
}

bool Tfrm_config::atualizacores() {
  Colours c;
  QString error;
  if (!slotColours(m_registro, QApplication::palette(), c, &error)) {
    m_messages.show(this, error);
    return false;
  }
  widgets::paintBackground(this, c[corcontrole]);
  widgets::paintText(this, QPalette::WindowText, c[corpadrao]);
  for (int i = 0; i < m_paginas->count(); ++i) widgets::paintBackground(m_paginas->widget(i), c[corcontrole]);
  widgets::paintText(m_paginas->tabBar(), QPalette::WindowText, c[corpadrao]);
  widgets::paintText(m_paginas->tabBar(), QPalette::ButtonText, c[corpadrao]);
  widgets::paintBackground(m_barra, c[corbotao]);
  for (QToolButton *b : findChildren<QToolButton *>()) widgets::paintText(b, QPalette::ButtonText, c[corbotaof]);
  for (QLineEdit *e : findChildren<QLineEdit *>()) widgets::paintEditBackground(e, c[coredicao]);
  for (QComboBox *b : findChildren<QComboBox *>()) widgets::paintEditBackground(b, c[coredicao]);
  widgets::paintBackground(p_digitalpersona, c[corsuspenso]);
  update();
  return true;
}

void Tfrm_config::avisoInstalacao() {
  if (detectIdentificationKind({m_paths.systemFolder()}) == QLatin1String(kDigitalPersona)) return;
  m_messages.show(this, u("ATENÇÃO!\r\rSistema de Comunicação com o Leitor Biometrico, DACTILOX Não Instalado!"));
}

QStringList Tfrm_config::conferencias() {
  QStringList found;
  for (int k = 0; k < 20; ++k) {
    const QString start = wi[k]->text(), end = wf[k]->text();
    // An interval with an empty start is skipped when punching; any other
    // text in the pair must read as a time.
    if (start.isEmpty() && end.isEmpty()) continue;
    if (!readTime(start)) found << u("Intervalo %1, início \"%2\" não é um horário").arg(k + 1).arg(start);
    if (!readTime(end)) found << u("Intervalo %1, término \"%2\" não é um horário").arg(k + 1).arg(end);
  }
  struct Folder {
    const char *caption;
    const widgets::FolderEdit *edit;
  };
  std::vector<Folder> folders = {{"Pasta de Dados", PastaDados}, {"Pasta Para Exportação", PastaExp}};
  if (indiceBiometria() == 0) folders.push_back({"Pasta de Dados Biometricos", pastabio});
  for (const Folder &f : folders) {
    const QString text = f.edit->text();
    if (text.contains(QLatin1String("://"))) continue; // a database server, not a folder
    const QString native = m_paths.native(text);
    // The station makes its default folder itself.
    if (text == QLatin1String(kDefaultFolder)) QDir().mkpath(native);
    const QFileInfo info(native);
    if (text.isEmpty() || !info.isDir())
      found << u("%1 \"%2\" não existe").arg(u(f.caption), text);
    else if (!info.isWritable())
      found << u("%1 \"%2\" não pode ser gravada").arg(u(f.caption), text);
  }
  // The table's file name is joined to this folder as it is.
  const QString dados = PastaDados->text();
  if (!dados.isEmpty() && !dados.contains(QLatin1String("://")) && !dados.endsWith('/') && !dados.endsWith('\\'))
    found << u("Pasta de Dados \"%1\" não termina com \"/\"").arg(dados);
  return found;
}

void Tfrm_config::copiaControles() {
  RegistroPrincipal &r = m_registro;
  for (int k = 0; k < 12; ++k) {
    r.cod[k] = cod[k]->text();
    r.desc[k] = desc[k]->text();
    r.campo[k] = campo[k]->currentText();
    r.campop[k] = campop[k]->text();
  }
  for (int k = 0; k < 20; ++k) {
    r.wi[k] = wi[k]->text();
    r.wf[k] = wf[k]->text();
  }
  r.w_codemp = w_codemp->text();
  r.w_pontocoleta = w_pontocoleta->text();
  r.wsenhacontrole = wsenhacontrole->text();
  r.PastaDados = PastaDados->text();
  r.PastaExp = PastaExp->text();
  r.arquivo = arquivo->text();
  r.divisor = divisor->text();
  r.pastabio = pastabio->text();
  QString *flags[] = {&r.wseg, &r.wter, &r.wqua, &r.wqui, &r.wsex, &r.wsab, &r.wdom};
  for (int d = 0; d < 7; ++d) *flags[d] = flag(dias[d]);
  r.wbloq = flag(wbloq);
  r.cb_Codemp = flag(cb_Codemp);
  r.cb_data = flag(cb_data);
  r.rb_biometria = indiceBiometria() == 0 ? kDigitalPersona : kNenhum;
}

void Tfrm_config::confirma() {
  if (indiceBiometria() == 0) avisoInstalacao();
  // Texts are stored as typed, but the supervisor learns now, not at the
  // next refused punch, which of them the station cannot use.
  const QStringList problems = conferencias();
  if (!problems.isEmpty() &&
      !m_messages.ask(this, u("Verifique as configurações:\r") + problems.join('\r') + u("\r\rGravar assim mesmo?")))
    return;
  copiaControles();
  if (m_registro.cod[0].isEmpty()) {
    m_messages.show(this, u("FUNÇÃO PADRÃO OBRIGATORIA!"));
    return;
  }
  fecha(Accepted);
}

void Tfrm_config::sair() {
  if (m_registro.rb_biometria == QLatin1String(kDigitalPersona)) avisoInstalacao();
  if (cod[0]->text().isEmpty()) {
    m_messages.show(this, u("FUNÇÃO PADRÃO OBRIGATORIA!"));
    return;
  }
  fecha(Rejected);
}

void Tfrm_config::reject() { sair(); }

void Tfrm_config::fecha(int result) {
  QString error;
  if (!gravaconfiguracao(m_settingsPath, m_registro, &error)) m_messages.show(this, u("Erro no Registro Principal!"));
  QDialog::done(result);
}

void Tfrm_config::restaurapadrao() {
  if (!m_messages.ask(this, u("Esse processo irá Restaurar as Configurações PADRÕES DO SISTEMA,\r"
                              "substituindo as configurações Atuais\r"
                              "Deseja Restaurar as Configurações Padrões?")))
    return;
  configuracaopadrao(m_registro, detectIdentificationKind({m_paths.systemFolder()}));
  mostra();
}

void Tfrm_config::abre(const std::function<void(QWidget *)> &opener) {
  if (opener)
    opener(this);
  else
    m_messages.show(this, u("Tela não disponível."));
}

void Tfrm_config::cadastro() { abre(abreCadastro); }

void Tfrm_config::cores() {
  abre(abreCores);
  atualizacores();
}

} // namespace settings
