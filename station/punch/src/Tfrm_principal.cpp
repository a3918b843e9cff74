#include "punch/Tfrm_principal.h"

#include "biodb/BaseBiometrica.h"
#include "controls/ctrl_fpdb.h"
#include "controls/ctrl_identificar.h"
#include "controls/ctrl_sensor.h"
#include "punch/PunchExport.h"
#include "punch/Tfrm_libera.h"
#include "settings/ColourText.h"
#include "settings/SettingsStore.h"
#include "widgets/Colouring.h"
#include "widgets/ShadowLabel.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTextDocument>
#include <QToolTip>

namespace punch {

using settings::RegistroPrincipal;

namespace {

const char *const kCaption = "ZELTRON - Gerador de Marcações Com Suporte Biometrico";

QString dayName(const QDate &d) {
  static const char *const names[] = {"SEGUNDA", "TERÇA", "QUARTA", "QUINTA", "SEXTA", "SABADO", "DOMINGO"};
  return QString::fromUtf8(names[d.dayOfWeek() - 1]);
}

QPixmap logo() {
  QPixmap pm(120, 90);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0, 70, 140), 3));
  for (int r = 8; r <= 40; r += 8) p.drawArc(QRect(60 - r, 45 - r, 2 * r, 2 * r), 30 * 16, 300 * 16);
  p.setPen(QPen(QColor(200, 40, 40), 4));
  p.drawLine(60, 45, 60, 22);
  p.drawLine(60, 45, 78, 45);
  return pm;
}

QToolButton *toolButton(QWidget *parent, const char *name, const QString &hint, const QString &text,
                        QStyle::StandardPixmap icon, int x) {
  auto *b = new QToolButton(parent);
  b->setObjectName(name);
  b->setToolTip(hint);
  b->setText(text);
  b->setIcon(parent->style()->standardIcon(icon));
  b->setIconSize(QSize(24, 24));
  b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  b->setAutoRaise(true);
  b->setGeometry(x, 2, 64, 53);
  return b;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, const QRect &geometry) {
  auto *l = new QLabel(text, parent);
  l->setObjectName(name);
  // Names, observations and descriptions come from files: never markup.
  l->setTextFormat(Qt::PlainText);
  l->setGeometry(geometry);
  return l;
}

} // namespace

Tfrm_principal::Tfrm_principal(Station &station, QWidget *parent) : QWidget(parent), m_station(station) {
  setObjectName("frm_principal");
  setWindowTitle(QString::fromUtf8(kCaption));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(792, 545);
  buildScreen();
  // The screen sees key presses before its controls do.
  qApp->installEventFilter(this);
}

Tfrm_principal::~Tfrm_principal() { qApp->removeEventFilter(this); }

void Tfrm_principal::buildScreen() {
  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  Panel1->setGeometry(0, 0, 792, 57);
  SpeedButton2 = toolButton(Panel1, "SpeedButton2", "Cadastro de Usuarios", "Cadastro", QStyle::SP_FileDialogContentsView, 4);
  lb_config = toolButton(Panel1, "lb_config", QString::fromUtf8("Configurações do Sistema"), "Config.",
                         QStyle::SP_FileDialogDetailedView, 70);
  SpeedButton14 = toolButton(Panel1, "SpeedButton14", QString::fromUtf8("Informações Sobre o Sistema"), "Sobre",
                             QStyle::SP_MessageBoxInformation, 136);
  SpeedButton3 = toolButton(Panel1, "SpeedButton3", "Ajuda", "Ajuda", QStyle::SP_DialogHelpButton, 202);
  SpeedButton4 = toolButton(Panel1, "SpeedButton4", "Sair do Sistema", "Sair", QStyle::SP_DialogCloseButton, 268);
  connect(SpeedButton4, &QToolButton::clicked, this, &QWidget::close);

  bt_confirma = new QPushButton("Confirmar", Panel1);
  bt_confirma->setObjectName("bt_confirma");
  bt_confirma->setGeometry(340, 14, 80, 28);
  bt_confirma->hide();
  connect(bt_confirma, &QPushButton::clicked, this, &Tfrm_principal::confirma);

  RxLabel1 = label(Panel1, "RxLabel1", "Zeltron", QRect(560, 4, 220, 50));
  QFont product("Serif", 28, QFont::Bold, true);
  RxLabel1->setFont(product);
  RxLabel1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  widgets::paintText(RxLabel1, QPalette::WindowText, QColor(0, 0, 128));

  Image1 = label(this, "Image1", {}, QRect(10, 64, 120, 90));
  Image1->setPixmap(logo());

  Label6 = label(this, "Label6", {}, QRect(150, 66, 492, 26));
  Label6->setAlignment(Qt::AlignCenter);
  QFont f6 = Label6->font();
  f6.setPointSize(12);
  f6.setBold(true);
  Label6->setFont(f6);

  label3 = new widgets::ShadowLabel(this);
  label3->setObjectName("label3");
  label3->setTextFormat(Qt::PlainText);
  label3->setGeometry(150, 92, 492, 90);
  label3->setAlignment(Qt::AlignCenter);
  QFont clock("Sans", 48, QFont::Bold);
  label3->setFont(clock);

  Label11 = label(this, "Label11", {}, QRect(150, 182, 492, 26));
  Label11->setAlignment(Qt::AlignCenter);
  Label11->setFont(f6);

  for (int k = 0; k < 12; ++k) {
    auto *b = new QPushButton(QStringLiteral("F%1").arg(k + 1), this);
    b->setObjectName(QStringLiteral("bt_%1").arg(k + 1));
    b->setGeometry(36 + k * 61, 218, 58, 30);
    b->setFocusPolicy(Qt::NoFocus);
    b->hide(); // shown by preenchecombo for the configured functions
    connect(b, &QPushButton::clicked, this, [this, k] { selecionafuncao(k + 1); });
    bt[k] = b;
  }

  Label7 = label(this, "Label7", QString::fromUtf8("Aguardando Identificação..."), QRect(0, 262, 792, 26));
  Label7->setAlignment(Qt::AlignCenter);
  QFont f7 = Label7->font();
  f7.setPointSize(14);
  Label7->setFont(f7);

  // The embedded fingerprint controls, created by class identity from the
  // component registry; without Dactilox they stay empty and hidden.
  QString notRegistered;
  controls::registrarDactilox(m_station.paths.home(), m_station.paths.libraryFolder("libdactilox.so"), &notRegistered);
  ctrlIdentificar1 = new controls::CtrlIdentificar("ctrlIdentificar1", this);
  ctrlIdentificar1->setToolTip(QString::fromUtf8("Sistema de Identificação Biometrica"));
  ctrlIdentificar1->setGeometry(304, 296, 183, 200);
  ctrlIdentificar1->hide();
  ctrlSensor1 = new controls::CtrlSensor("ctrlSensor1", this);
  ctrlSensor1->setGeometry(700, 470, 67, 74);
  ctrlSensor1->hide();
  ctrlFPdb1 = new controls::CtrlFPdb("ctrlFPdb1", this);
  ctrlFPdb1->setGeometry(630, 470, 65, 75);
  ctrlFPdb1->hide();
  excluirUsuario = [this](const QString &code) { ctrlIdentificar1->ExcluirUsuario(code); };
  connect(ctrlIdentificar1, &controls::CtrlIdentificar::UsuarioIdentificado, this,
          &Tfrm_principal::usuarioIdentificado);
  connect(ctrlIdentificar1, &controls::CtrlIdentificar::MinuciasEncontradas, this,
          &Tfrm_principal::minuciasEncontradas);

  t_manual = new QLineEdit(this);
  t_manual->setObjectName("t_manual");
  t_manual->setToolTip(QString::fromUtf8("Sistema Para Identificação Via TECLADO"));
  t_manual->setGeometry(246, 320, 300, 48);
  QFont fm = t_manual->font();
  fm.setPixelSize(32);
  fm.setBold(true);
  t_manual->setFont(fm);
  t_manual->setAlignment(Qt::AlignCenter);
  t_manual->hide();
  connect(t_manual, &QLineEdit::returnPressed, this, &Tfrm_principal::teclado);

  CheckBox1 = new QCheckBox(QString::fromUtf8("Ativar Liberação de Marcação"), this);
  CheckBox1->setObjectName("CheckBox1");
  CheckBox1->setToolTip(QString::fromUtf8("Ativa/Desativa Sistema de Liberação de Marcações"));
  CheckBox1->setGeometry(10, 516, 260, 22);
  CheckBox1->setFocusPolicy(Qt::NoFocus);

  Panel2 = new QWidget(this);
  Panel2->setObjectName("Panel2");
  Panel2->setGeometry(40, 256, 712, 250);
  auto *foto = label(Panel2, "foto", {}, QRect(10, 10, 170, 200));
  foto->setScaledContents(true);
  foto->setFrameShape(QFrame::Box);
  QFont bold = font();
  bold.setBold(true);
  bold.setPointSize(12);
  QFont plain = font();
  plain.setPointSize(12);
  const struct {
    const char *caption;
    const char *field;
    int y;
    bool bold;
  } rows[] = {{"Codigo de Identificação", "codigo", 12, false},
              {"Empresa", "empresa", 62, false},
              {"Nome", "nome", 112, true},
              {"Observação", "obs", 162, false}};
  for (const auto &r : rows) {
    auto *caption = new QLabel(QString::fromUtf8(r.caption), Panel2);
    caption->setGeometry(196, r.y, 500, 20);
    auto *value = label(Panel2, r.field, {}, QRect(196, r.y + 20, 500, 26));
    value->setFont(r.bold ? bold : plain);
  }
  Panel4 = label(Panel2, "Panel4", QString::fromUtf8("FELIZ   ANIVERSÁRIO!"), QRect(196, 214, 500, 30));
  Panel4->setAlignment(Qt::AlignCenter);
  QFont banner = bold;
  banner.setPointSize(16);
  Panel4->setFont(banner);
  widgets::paintBackground(Panel4, Qt::blue);
  widgets::paintText(Panel4, QPalette::WindowText, QColor(0, 255, 0));
  Panel2->hide();

  // The message line takes the waiting line's place (and hides it while it
  // shows), above the keyboard field and the image box, so it covers neither.
  Label10 = label(this, "Label10", {}, QRect(0, 250, 792, 46));
  Label10->setAlignment(Qt::AlignCenter);
  Label10->setWordWrap(true);
  QFont f10 = Label10->font();
  f10.setPixelSize(18);
  f10.setBold(true);
  Label10->setFont(f10);
  Label10->hide();

  wid = new QLineEdit(this);
  wid->setObjectName("wid");
  wid->setReadOnly(true);
  wid->hide();

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, &Tfrm_principal::tick);
}

void Tfrm_principal::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (!m_startupScheduled) {
    m_startupScheduled = true;
    QTimer::singleShot(0, this, &Tfrm_principal::iniciar);
  }
}

void Tfrm_principal::iniciar() {
  if (m_startedUp) return;
  m_startedUp = true;
  RegistroPrincipal &reg = m_station.registro;
  const paths::StationPaths &paths = m_station.paths;

  QPalette tips = QToolTip::palette();
  tips.setColor(QPalette::ToolTipBase, Qt::yellow);
  tips.setColor(QPalette::ToolTipText, Qt::black);
  QToolTip::setPalette(tips);
  for (QWidget *w : findChildren<QWidget *>())
    if (!w->toolTip().isEmpty()) w->setToolTipDuration(100000);

  paths.ensureHome();
  m_station.settingsPath = paths.inHome("zeltron.sys");
  if (reg.cores[settings::corprincipal].isEmpty()) settings::defaultColours(reg);
  Panel4->hide();
  escondemensagem();
  if (QFileInfo::exists(m_station.settingsPath)) {
    settings::leconfiguracao(m_station.settingsPath, reg);
  } else {
    settings::configuracaopadrao(reg, settings::detectIdentificationKind({paths.systemFolder()}));
  }
  m_settingsLoaded = true;

  // A first start must not fail for want of the default folders.
  for (const QString &folder : {reg.PastaDados, reg.pastabio, reg.PastaExp})
    if (folder == QLatin1String(settings::kDefaultFolder)) QDir().mkpath(paths.native(folder));

  registry::EmployeeTable &table = m_station.tb_biometria;
  table.close();
  // A server URI in PastaDados names the shared employee table.
  if (!table.open(biodb::noServidor(reg.PastaDados) ? reg.PastaDados : paths.native(reg.PastaDados + "zeltron.db"))) {
    m_station.services.messages->show(this, table.errorString());
    return;
  }

  m_liberacao.close();

  t_manual->hide();
  ctrlIdentificar1->hide();
  if (reg.rb_biometria == QLatin1String(settings::kDigitalPersona)) {
    const QString why = controlesindisponiveis();
    if (why.isEmpty()) {
      // Layout 5: only the fingerprint image box, in its place on the screen.
      ctrlIdentificar1->setAparencia(5);
      ctrlIdentificar1->show();
      ativaDigitalPersona();
    } else {
      // A station without input would leave everyone unable to punch: say
      // why and take codes by keyboard; the setting itself stays.
      m_station.services.messages->show(
          this, QString::fromUtf8("Controles biométricos indisponíveis:") + "\r" + why + "\r" +
                    QString::fromUtf8("A identificação será feita pelo teclado."));
      t_manual->show();
      t_manual->setFocus();
    }
  } else {
    t_manual->show();
    t_manual->setFocus();
  }

  preenchecombo();
  Timer1->start();
  tick();
  atualizacores();

  if (m_funcaoatual.isEmpty()) {
    selecionapadrao();
    mostrafuncao(m_funcaoatual, m_descricaoatual);
  }
  atualizadata();
}

void Tfrm_principal::atualizadata() {
  const QDate today = m_station.services.clock->now().date();
  m_dateShown = today;
  Label11->setText(dayName(today) + "  -  " + today.toString("dd/MM/yyyy"));
}

void Tfrm_principal::tick() {
  const QDateTime now = m_station.services.clock->now();
  QFont f = label3->font();
  f.setPointSize(48);
  label3->setFont(f);
  label3->setText(now.time().toString("hh:mm:ss"));
  label3->repaint();
  // A station left running past midnight shows the new day.
  if (now.date() != m_dateShown && m_dateShown.isValid()) atualizadata();
}

void Tfrm_principal::preenchecombo() {
  const RegistroPrincipal &reg = m_station.registro;
  for (QPushButton *b : bt) b->hide();
  for (int k = 0; k < 12; ++k) {
    if (reg.cod[k].isEmpty()) continue;
    bt[k]->show();
    // Tool tips guess at markup: a description that looks like it is escaped.
    const QString &d = reg.desc[k];
    bt[k]->setToolTip(Qt::mightBeRichText(d) ? Qt::convertFromPlainText(d) : d);
    bt[k]->setToolTipDuration(100000);
  }
}

bool Tfrm_principal::atualizacores() {
  settings::Colours c;
  QString error;
  if (!settings::slotColours(m_station.registro, QApplication::palette(), c, &error)) {
    m_station.services.messages->show(this, error);
    return false;
  }
  using namespace settings;
  widgets::paintBackground(this, c[corprincipal]);
  widgets::paintBackground(Panel1, c[corbotao]);
  // The embedded controls keep their own colours.
  auto embedded = [this](QWidget *w) {
    return ctrlIdentificar1->isAncestorOf(w) || ctrlSensor1->isAncestorOf(w) || ctrlFPdb1->isAncestorOf(w);
  };
  for (QAbstractButton *b : findChildren<QAbstractButton *>())
    if ((qobject_cast<QPushButton *>(b) || qobject_cast<QToolButton *>(b)) && !embedded(b))
      widgets::paintText(b, QPalette::ButtonText, c[corbotaof]);
  for (QLabel *l : findChildren<QLabel *>()) {
    if (l == label3 || l == RxLabel1 || l == Panel4 || l == Image1 || embedded(l)) continue;
    widgets::paintText(l, QPalette::WindowText, c[corpadrao]);
  }
  widgets::paintBackground(label3, c[correlogio]);
  label3->setShadowColour(c[correlogio]);
  widgets::paintText(label3, QPalette::WindowText, c[correlogiof]);
  for (QLabel *l : {Label6, Label11}) {
    widgets::paintBackground(l, c[correlogio]);
    widgets::paintText(l, QPalette::WindowText, c[correlogiof]);
  }
  widgets::paintBackground(Panel2, c[corsuspenso]);
  update();
  return true;
}

void Tfrm_principal::selecionafuncao(int k) {
  const RegistroPrincipal &reg = m_station.registro;
  if (k < 1 || k > 12) return;
  if (reg.cod[k - 1].isEmpty()) {
    m_station.services.messages->show(this, QString::fromUtf8("Função Não Cadastrada!"));
    return;
  }
  m_funcaoatual = reg.cod[k - 1];
  m_descricaoatual = reg.desc[k - 1];
  mostrafuncao(m_funcaoatual, m_descricaoatual);
}

void Tfrm_principal::tocasom(const QString &name) {
  const QString found = m_station.paths.findData(name);
  m_station.services.sounds->play(found.isEmpty() ? m_station.paths.inHome(name) : found);
}

void Tfrm_principal::mostramensagem(const QString &text, const QColor &colour, const QString &sound) {
  tocasom(sound);
  QString shown = text;
  Label10->setText(shown.replace('\r', '\n'));
  widgets::paintText(Label10, QPalette::WindowText, colour);
  Label7->hide();
  Label10->show();
  Label10->raise();
}

void Tfrm_principal::escondemensagem() {
  Label10->hide();
  Label7->show();
}

void Tfrm_principal::mensagem(const QString &text, const QColor &colour, const QString &sound) {
  mostramensagem(text, colour, sound);
  m_station.services.waits->wait(this, 3000);
  escondemensagem();
}

void Tfrm_principal::mostrafuncao(const QString &code, const QString &description) {
  Label6->setText(code + " - " + description);
}

void Tfrm_principal::selecionapadrao() {
  m_funcaoatual = m_station.registro.cod[0];
  m_descricaoatual = m_station.registro.desc[0];
}

bool Tfrm_principal::funcaopadraoconfigurada() {
  if (!m_station.registro.cod[0].isEmpty()) return true;
  wid->clear();
  Panel2->hide();
  mensagem(QString::fromUtf8("Função Padrão Não Está Configurada. Verifique!"), Qt::yellow, "bloq.wav");
  return false;
}

void Tfrm_principal::marca(const QString &code) {
  wid->setText(code);
  atualizatela();
  if (!wid->text().isEmpty()) {
    if (m_funcaoatual.isEmpty()) selecionapadrao();
    bt_confirma->click();
  }
  wid->clear();
}

void Tfrm_principal::teclado() {
  const QString code = t_manual->text();
  // The code stays in view while it is processed; typing meanwhile replaces it.
  t_manual->selectAll();
  m_sequencias.post([this, code] {
    if (!funcaopadraoconfigurada()) return; // the field keeps the code
    marca(code);
    // A code typed during the sequence waits in the field for its Enter.
    if (t_manual->text() == code) t_manual->clear();
    t_manual->setFocus();
  });
}

QString Tfrm_principal::controlesindisponiveis() const {
  for (const controls::HostedControl *c :
       {static_cast<const controls::HostedControl *>(ctrlSensor1), static_cast<const controls::HostedControl *>(ctrlFPdb1),
        static_cast<const controls::HostedControl *>(ctrlIdentificar1)})
    if (!c->ok()) return c->errorText();
  return {};
}

void Tfrm_principal::ativaDigitalPersona() {
  const settings::RegistroPrincipal &reg = m_station.registro;
  const bool servidor = biodb::noServidor(reg.pastabio);
  int pontos = 0;
  if (servidor) {
    // Several stations on one server: no file to look for; this station's
    // point is registered and the number of points read, so that an
    // enrollment here reaches every other station.
    QString error;
    const std::optional<int> n = biodb::prepararServidor(reg.pastabio, reg.w_pontocoleta.trimmed().toInt(), &error);
    if (!n) {
      m_station.services.messages->show(
          this, QString::fromUtf8("Erro ao conectar com a base de dados biométrica:") + "\r" + error);
      return;
    }
    pontos = qBound(0, *n, 255);
  } else {
    const QString file = biodb::arquivo(reg.pastabio, m_station.paths);
    // The first start makes the embedded database, as it makes zeltron.db.
    if (!m_biometriaPreparada && !QFileInfo::exists(file)) {
      QString error;
      if (!biodb::criarArquivo(file, &error)) qWarning("biometrica.mdb: %s", qPrintable(error));
    }
    m_biometriaPreparada = true;
    if (!QFileInfo::exists(file)) {
      m_station.services.messages->show(
          this, QString::fromUtf8("Arquivo de Dados Biometricos Não Localizados em:") + "\r" + reg.pastabio);
      return;
    }
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  ctrlSensor1->InicializarSensor();
  ctrlFPdb1->setConexaoSQL(biodb::conexao(reg.pastabio, m_station.paths));
  ctrlFPdb1->setSQLDelimitadorString(1);
  if (servidor) {
    ctrlFPdb1->setNumeroPontoIdentificador(quint8(qBound(0, reg.w_pontocoleta.trimmed().toInt(), 255)));
    ctrlFPdb1->setQuantidadePontosIdentificadores(quint8(pontos));
    ctrlIdentificar1->setIntervaloAtualizarDigitais(biodb::kIntervaloAtualizacao);
  }
  ctrlFPdb1->InicializarFPdb();
  QApplication::restoreOverrideCursor();
  ctrlIdentificar1->setAparencia(5);
  ctrlIdentificar1->setRelogio(1);
  ctrlIdentificar1->setMostrarMinucias(1);
  ctrlIdentificar1->setNumeroMinimoPontos(10);
  ctrlIdentificar1->InicializarBiometrica();
  mostrafuncao(m_funcaoatual, m_descricaoatual);
}

void Tfrm_principal::usuarioIdentificado(quint8, const QString &code, quint8) {
  m_sequencias.post([this, code] { processaidentificacao(code); });
}

void Tfrm_principal::processaidentificacao(const QString &code) {
  if (!funcaopadraoconfigurada()) return;
  if (code != QLatin1String("0")) {
    marca(code);
    return;
  }
  wid->clear();
  Panel2->hide();
  const std::optional<int> rows = m_station.tb_biometria.recordCount();
  if (!rows) {
    // An unreadable table is not an empty one.
    m_station.services.messages->show(this, m_station.tb_biometria.errorString());
    return;
  }
  mensagem(*rows == 0 ? QStringLiteral("BASE DE DADOS VAZIA. Cadastre Algum Usuario!")
                      : QString::fromUtf8("Usuario Não Cadastrado"),
           Qt::red, "erro.wav");
}

void Tfrm_principal::minuciasEncontradas(qint32 count) {
  m_sequencias.post([this, count] { avisaminucias(count); });
}

void Tfrm_principal::avisaminucias(qint32 count) {
  const int minimum = ctrlIdentificar1->NumeroMinimoPontos();
  if (count >= minimum) return;
  const QString blanks(20, ' ');
  const QString breaks(8, '\r');
  m_station.services.messages->show(
      this, QString::fromUtf8("A  T  E  N  Ç  Ã  O  !") + breaks + blanks + "COLOQUE O DEDO NOVAMENTE " + "\r" +
                blanks + QStringLiteral("O NUMERO DE PONTOS BIOMETRICOS (%1)").arg(count) + "\r" + blanks +
                QStringLiteral("ESTA ABAIXO DO MINIMO ESPERADO (%1)").arg(minimum) + breaks);
}

void Tfrm_principal::atualizatela() {
  registry::EmployeeTable &table = m_station.tb_biometria;
  const services::Services &sv = m_station.services;
  const QString code = wid->text();
  const registry::Lookup found = table.findKey(code);
  if (found == registry::Lookup::Failed) {
    // The table could not be read: say so, and never take the employee for
    // unknown (that would delete the employee's fingerprints).
    Panel2->hide();
    wid->clear();
    sv.messages->show(this, table.errorString());
  } else if (found == registry::Lookup::NotFound) {
    Panel2->hide();
    mostramensagem(QString::fromUtf8("Usuario Não Identificado (Base Biometrica Verificada)"), Qt::red, "erro.wav");
    if (excluirUsuario) excluirUsuario(code);
    sv.waits->wait(this, 3000);
    escondemensagem();
    wid->clear();
  } else if (settings::isYes(table.text("bloqueado"))) {
    wid->clear();
    Panel2->hide();
    mensagem(QString::fromUtf8("Usuario Bloqueado!") + "\r" + table.text("motivobloq"), Qt::yellow, "bloq.wav");
  } else if (confirmamarca()) {
    const QDate born = table.date("nascimento");
    const QDate today = sv.clock->now().date();
    if (born.isValid() && born.day() == today.day() && born.month() == today.month()) {
      Panel4->show();
      tocasom("pbens.wav");
    } else {
      tocasom("ok.wav");
    }
    m_empresaMarcacao = table.text("empresa");
    QPixmap photo;
    photo.loadFromData(table.value("foto").toByteArray());
    Panel2->findChild<QLabel *>("foto")->setPixmap(photo);
    for (const char *field : {"codigo", "empresa", "nome", "obs"})
      Panel2->findChild<QLabel *>(field)->setText(table.text(field));
    Panel2->show();
    Panel2->raise();
    sv.waits->wait(this, 3000);
    Panel2->hide();
  }
  Panel4->hide();
}

bool Tfrm_principal::confirmamarca() {
  registry::EmployeeTable &table = m_station.tb_biometria;
  const QDateTime now = m_station.services.clock->now();
  bool admitted = m_liberacao.admits(now);
  if (!admitted) {
    const Schedule schedule =
        scheduleFor(m_station.registro, [&table](const QString &field) { return table.text(field); });
    const Decision d = judge(schedule, now);
    switch (d.verdict) {
    case Verdict::Admitted: admitted = true; break;
    case Verdict::BadTime:
      m_station.services.messages->show(this, d.error);
      wid->clear();
      return false;
    case Verdict::OutsideHours:
    case Verdict::DayBlocked:
      Panel2->hide();
      // The message stays up until the release was decided.
      mostramensagem(d.verdict == Verdict::OutsideHours ? "Usuario Fora do Horario Permitido"
                                                        : "Usuario Com Horario Bloqueado",
                     Qt::yellow, "bloq.wav");
      m_station.services.waits->wait(this, 3000);
      break;
    case Verdict::RefusedQuietly: break;
    }
    if (!admitted) {
      if (liberamarca()) {
        m_liberacao.grant(now, m_tempoliberacao);
        admitted = true;
      } else {
        wid->clear();
      }
    }
  }
  escondemensagem();
  return admitted;
}

bool Tfrm_principal::liberamarca() {
  QString senha;
  if (!CheckBox1->isChecked()) return false;
  const QString &password = m_station.registro.wsenhacontrole;
  if (password.isEmpty()) {
    CheckBox1->setChecked(false);
    return false;
  }
  {
    Tfrm_libera frm_libera(m_station.registro, *m_station.services.messages, this);
    frm_libera.exec();
    senha = frm_libera.senhaliberacao();
    m_tempoliberacao = frm_libera.tempoliberacao();
  }
  const bool granted = senha.toUpper() == password.toUpper();
  if (!granted) m_station.services.messages->show(this, QString::fromUtf8("Senha de Liberação Inválida!"));
  CheckBox1->setChecked(false);
  return granted;
}

void Tfrm_principal::confirma() {
  const services::Services &sv = m_station.services;
  if (m_empresaMarcacao.isEmpty()) {
    sv.messages->show(this, "Empresa Incorreta.");
  } else if (wid->text().isEmpty()) {
    sv.messages->show(this, QString::fromUtf8("Funcionário Incorreto."));
  } else {
    const ExportResult result =
        gravaascii(m_station.registro, {m_empresaMarcacao, wid->text(), m_funcaoatual}, m_station.paths, *sv.clock);
    if (result.kind == ExportResult::IoError) {
      sv.messages->show(this, result.message);
    } else {
      if (result.kind == ExportResult::ConfigError) {
        sv.messages->show(this, result.message);
        m_descricaoatual = QString::fromUtf8("ERRO na Exportação!");
      }
      Timer1->stop();
      QFont f = label3->font();
      f.setPointSize(12);
      label3->setFont(f);
      label3->setText(m_descricaoatual);
      label3->repaint();
      Timer1->start();
    }
  }
  m_funcaoatual.clear();
  m_empresaMarcacao.clear();
  // The line above the clock shows the function the next punch will use.
  mostrafuncao(m_station.registro.cod[0], m_station.registro.desc[0]);
}

bool Tfrm_principal::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto *w = static_cast<QWidget *>(watched);
    auto *key = static_cast<QKeyEvent *>(event);
    if (w->window() == this && key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F12) {
      selecionafuncao(key->key() - Qt::Key_F1 + 1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void Tfrm_principal::closeEvent(QCloseEvent *event) {
  encerrar();
  event->accept();
}

void Tfrm_principal::encerrar() {
  if (m_closed) return;
  m_closed = true;
  Timer1->stop();
  // Before start-up read the settings the record is empty: saving it then
  // would wipe the stored settings.
  if (m_settingsLoaded) {
    QString error;
    if (!settings::gravaconfiguracao(m_station.settingsPath, m_station.registro, &error))
      m_station.services.messages->show(this, "Erro no Registro Principal!");
  }
  if (m_station.registro.rb_biometria == QLatin1String(settings::kDigitalPersona)) {
    ctrlIdentificar1->EncerrarBiometrica();
    ctrlFPdb1->EncerrarFPdb();
    ctrlSensor1->EncerrarSensor();
  }
  m_station.tb_biometria.close();
}

} // namespace punch
