#include "registry/Tfrm_cadBio.h"

#include "registry/EmployeeImport.h"
#include "registry/EmployeeListModel.h"
#include "registry/ImportFile.h"
#include "registry/Tfrm_DigitalPersonaCAD.h"
#include "registry/Tfrm_capturafoto.h"
#include "settings/ColourText.h"
#include "settings/SettingsStore.h"
#include "widgets/Colouring.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QWidgetAction>

namespace registry {
namespace {

const char *const kDias[] = {"seg", "ter", "qua", "qui", "sex", "sab", "dom", "bloqdia"};

QLabel *label(QWidget *parent, const QString &text, const QRect &r) {
  auto *l = new QLabel(text, parent);
  l->setTextFormat(Qt::PlainText);
  l->setGeometry(r);
  return l;
}

QLineEdit *boundEdit(QWidget *parent, const char *name, int width, const QString &hint, const QRect &r) {
  auto *e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setMaxLength(width);
  e->setToolTip(hint);
  e->setGeometry(r);
  return e;
}

QToolButton *toolButton(QWidget *parent, const char *name, const QString &hint, QStyle::StandardPixmap icon,
                        const QRect &r) {
  auto *b = new QToolButton(parent);
  b->setObjectName(name);
  b->setToolTip(hint);
  b->setIcon(parent->style()->standardIcon(icon));
  b->setIconSize(QSize(24, 24));
  b->setGeometry(r);
  return b;
}

} // namespace

Tfrm_cadBio::Tfrm_cadBio(RegistryContext context, QWidget *parent)
    : QDialog(parent), m_ctx(std::move(context)) {
  setObjectName("frm_cadBio");
  setWindowTitle("Cadastro Biometrico");
  setModal(true);
  setFixedSize(800, 540);
  m_model = std::make_unique<EmployeeListModel>(m_ctx.table);
  escolheFoto = [this] {
    return QFileDialog::getOpenFileName(this, "Foto", m_ctx.paths.home(),
                                        "Imagens (*.jpg *.jpeg *.bmp *.png);;Todos os arquivos (*)");
  };
  escolheImportacao = [this] { return QFileDialog::getOpenFileName(this, QString::fromUtf8("Importação"), m_ctx.paths.home()); };
  buildScreen();
}

Tfrm_cadBio::~Tfrm_cadBio() {
  // The view goes before the model it shows.
  delete DBGrid1;
}

void Tfrm_cadBio::buildScreen() {
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  PageControl1->setGeometry(0, 0, 800, 488);
  TabSheet1 = buildUsersPage();
  TabSheet2 = buildImportPage();
  PageControl1->addTab(TabSheet1, "Usuarios");
  PageControl1->addTab(TabSheet2, QString::fromUtf8("Importação de Dados"));

  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  Panel1->setGeometry(0, 488, 800, 52);
  SpeedButton1 = toolButton(Panel1, "SpeedButton1", "Cadastra Novo Usuario", QStyle::SP_FileIcon, QRect(8, 6, 40, 40));
  SpeedButton2 = toolButton(Panel1, "SpeedButton2", "Apaga Usuario Selecionado", QStyle::SP_TrashIcon, QRect(52, 6, 40, 40));
  SpeedButton4 = toolButton(Panel1, "SpeedButton4", "Abandona Tela", QStyle::SP_DialogCloseButton, QRect(752, 6, 40, 40));
  // A bar in place of the pie gauge: the same count, drawn by the toolkit.
  Gauge1 = new QProgressBar(Panel1);
  Gauge1->setObjectName("Gauge1");
  Gauge1->setGeometry(300, 14, 300, 24);
  Gauge1->hide();
  connect(SpeedButton1, &QToolButton::clicked, this, &Tfrm_cadBio::novo);
  connect(SpeedButton2, &QToolButton::clicked, this, &Tfrm_cadBio::apaga);
  connect(SpeedButton4, &QToolButton::clicked, this, &Tfrm_cadBio::close);
}

QWidget *Tfrm_cadBio::buildUsersPage() {
  auto *page = new QWidget;
  page->setObjectName("TabSheet1");

  DBGrid1 = new QTableView(page);
  DBGrid1->setObjectName("DBGrid1");
  DBGrid1->setGeometry(4, 4, 328, 420);
  DBGrid1->setModel(m_model.get());
  DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  DBGrid1->verticalHeader()->setDefaultSectionSize(20);
  DBGrid1->verticalHeader()->hide();
  DBGrid1->setWordWrap(false);
  DBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  DBGrid1->setColumnWidth(0, 150);
  DBGrid1->setColumnWidth(1, 80);
  connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex &current) { linhaclicada(current); });

  const std::pair<const char *, QColor> legend[] = {
      {"Bloqueado", Qt::red}, {"Com Biometria", Qt::blue}, {"Sem Biometria", QColor(0, 0, 128)}};
  for (int i = 0; i < 3; ++i) {
    QLabel *l = label(page, QString::fromUtf8(legend[i].first), QRect(4 + i * 110, 430, 106, 20));
    l->setObjectName(QStringLiteral("Legenda%1").arg(i + 1));
    l->setAlignment(Qt::AlignCenter);
    widgets::paintBackground(l, legend[i].second);
    widgets::paintText(l, QPalette::WindowText, Qt::white);
  }

  label(page, "Codigo (BIO)", QRect(340, 6, 150, 16));
  DBEdit1 = boundEdit(page, "DBEdit1", 20, QString::fromUtf8("Codigo Para Identificação Biometrica"), QRect(340, 22, 150, 22));
  label(page, "Empresa", QRect(500, 6, 140, 16));
  DBEdit2 = boundEdit(page, "DBEdit2", 20, QString::fromUtf8("Codigo Para Identificação da Empresa do Usuario"),
                      QRect(500, 22, 140, 22));
  label(page, "Rg", QRect(340, 48, 150, 16));
  DBEdit3 = boundEdit(page, "DBEdit3", 20, QString::fromUtf8("RG do usuario (Utilizado Tambem Para Identificação Via Teclado)"),
                      QRect(340, 64, 150, 22));
  label(page, "Nascimento", QRect(500, 48, 140, 16));
  DBEdit4 = boundEdit(page, "DBEdit4", 10, "Data de Nascimento", QRect(500, 64, 110, 22));
  DateEdit1 = toolButton(page, "DateEdit1", "Calendario de Busca", QStyle::SP_FileDialogDetailedView, QRect(612, 64, 28, 22));
  DateEdit1->setIconSize(QSize(16, 16));
  DateEdit1->setPopupMode(QToolButton::InstantPopup);
  auto *menu = new QMenu(DateEdit1);
  auto *calendar = new QCalendarWidget(menu);
  calendar->setObjectName("DateEdit1Calendar");
  auto *action = new QWidgetAction(menu);
  action->setDefaultWidget(calendar);
  menu->addAction(action);
  DateEdit1->setMenu(menu);
  connect(calendar, &QCalendarWidget::clicked, this, [this, menu](const QDate &d) {
    menu->close();
    dataescolhida(d);
  });

  label(page, "Nome", QRect(340, 90, 300, 16));
  DBEdit5 = boundEdit(page, "DBEdit5", 100, "Nome do usuario", QRect(340, 106, 300, 22));
  label(page, QString::fromUtf8("Observação Geral"), QRect(340, 132, 300, 16));
  DBEdit8 = boundEdit(page, "DBEdit8", 100, {}, QRect(340, 148, 300, 22));
  DBCheckBox1 = new QCheckBox("Bloqueado (Motivo do Bloqueio)", page);
  DBCheckBox1->setObjectName("DBCheckBox1");
  DBCheckBox1->setGeometry(340, 176, 300, 20);
  DBEdit6 = boundEdit(page, "DBEdit6", 100, "Motivo do Bloqueio", QRect(340, 198, 448, 22));

  label(page, "foto", QRect(650, 0, 130, 14));
  DBImage1 = new QLabel(page);
  DBImage1->setObjectName("DBImage1");
  DBImage1->setToolTip("Foto ou Logo do Usuario");
  DBImage1->setGeometry(650, 14, 138, 146);
  DBImage1->setFrameShape(QFrame::Box);
  DBImage1->setScaledContents(true);
  DBImage1->setFocusPolicy(Qt::StrongFocus);
  DBImage1->installEventFilter(this);
  SpeedButton6 = toolButton(page, "SpeedButton6", "Sistema de Foto Via WEBCAM", QStyle::SP_ComputerIcon, QRect(650, 164, 32, 28));
  SpeedButton5 = toolButton(page, "SpeedButton5", "Localiza Foto/Logo no Disco", QStyle::SP_DirOpenIcon, QRect(688, 164, 32, 28));
  connect(SpeedButton6, &QToolButton::clicked, this, &Tfrm_cadBio::fotowebcam);
  connect(SpeedButton5, &QToolButton::clicked, this, &Tfrm_cadBio::fotodisco);

  label(page, "Intervalos de Controle Individual --->>", QRect(340, 226, 300, 16));
  int n = 0;
  for (int linha = 0; linha < 3; ++linha) {
    for (int par = 0; par < 4; ++par) {
      const int x = 340 + par * 112;
      if (linha == 0) {
        label(page, "Inicio", QRect(x, 244, 50, 14));
        label(page, "Fim", QRect(x + 52, 244, 50, 14));
      }
      for (int k = 0; k < 2; ++k, ++n) {
        const QString name = n == 0 ? QStringLiteral("DBEdit7") : QStringLiteral("DBEdit%1").arg(8 + n);
        janelas[n] = boundEdit(page, name.toLatin1().constData(), 5,
                               k == 0 ? "Inicio do Intervalo Individual" : "Termino do Intervalo Individual",
                               QRect(x + k * 52, 260 + linha * 26, 48, 22));
      }
    }
  }
  const char *const nomesDias[] = {"Segunda", "Terça", "Quarta", "Quinta", "Sexta", "Sabado", "Domingo"};
  for (int d = 0; d < 8; ++d) {
    auto *c = new QCheckBox(d < 7 ? QString::fromUtf8(nomesDias[d]) : QStringLiteral("Bloqueia Dias Sem Controle"), page);
    c->setObjectName(QStringLiteral("DBCheckBox%1").arg(d + 2));
    if (d < 7) c->setToolTip("Dia Com Controle Por Intervalos");
    // Monday to Friday on one line; Saturday, Sunday and the block flag below.
    if (d < 5) c->setGeometry(340 + d * 90, 338, 90, 20);
    else if (d < 7) c->setGeometry(340 + (d - 5) * 90, 362, 90, 20);
    else c->setGeometry(540, 362, 250, 20);
    dias[d] = c;
  }

  Label7 = label(page, QString::fromUtf8("Biometria Não Cadastrada"), QRect(340, 394, 250, 22));
  Label7->setObjectName("Label7");
  Label7->setAlignment(Qt::AlignCenter);
  Label7->setAutoFillBackground(true);
  CheckBox1 = new QCheckBox("Registrar Biometria", page);
  CheckBox1->setObjectName("CheckBox1");
  CheckBox1->setToolTip("Ativa/Desativa o Registro das Biometrias");
  CheckBox1->setGeometry(340, 424, 170, 20);
  Image1 = new QLabel(page);
  Image1->setObjectName("Image1");
  Image1->setToolTip("Biometria Ativada");
  Image1->setPixmap(style()->standardIcon(QStyle::SP_DialogYesButton).pixmap(24, 24));
  Image1->setGeometry(514, 420, 28, 28);
  bt_confirma = new QPushButton("Confirma Cadastro", page);
  bt_confirma->setObjectName("bt_confirma");
  bt_confirma->setToolTip("Confirma o Cadastro do usuario");
  bt_confirma->setGeometry(600, 418, 188, 32);
  connect(bt_confirma, &QPushButton::clicked, this, &Tfrm_cadBio::confirma);

  // Typing or toggling puts the row into editing and writes the field.
  const std::pair<QLineEdit *, const char *> bound[] = {{DBEdit1, "Codigo"}, {DBEdit2, "Empresa"}, {DBEdit3, "rg"},
                                                        {DBEdit4, "nascimento"}, {DBEdit5, "nome"}, {DBEdit8, "obs"},
                                                        {DBEdit6, "motivobloq"}};
  auto bindEdit = [this](QLineEdit *e, const QString &field) {
    connect(e, &QLineEdit::textEdited, this, [this, field](const QString &text) {
      if (m_carregando) return;
      editando();
      m_ctx.table.setValue(field, text);
    });
  };
  for (const auto &[e, field] : bound) bindEdit(e, QString::fromLatin1(field));
  for (int i = 0; i < 24; ++i) bindEdit(janelas[i], QStringLiteral("%1%2").arg(i % 2 == 0 ? 'e' : 's').arg(i / 2 + 1));
  auto bindCheck = [this](QCheckBox *c, const QString &field) {
    connect(c, &QCheckBox::clicked, this, [this, field](bool on) {
      if (m_carregando) return;
      editando();
      m_ctx.table.setValue(field, on ? QStringLiteral("S") : QStringLiteral("N"));
    });
  };
  bindCheck(DBCheckBox1, "bloqueado");
  for (int d = 0; d < 8; ++d) bindCheck(dias[d], QString::fromLatin1(kDias[d]));
  return page;
}

QWidget *Tfrm_cadBio::buildImportPage() {
  auto *page = new QWidget;
  page->setObjectName("TabSheet2");
  Memo1 = new QPlainTextEdit(page);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setToolTip(QString::fromUtf8("Layout de Importação de dados dos Usuarios"));
  Memo1->setGeometry(8, 8, 780, 300);
  Memo1->setPlainText(QString::fromUtf8("LAYOUT de Importação:\n"
                                        "\n"
                                        "Campos Separados por ; (Ponto e Virgula):\n"
                                        "01- codigo da empresa\n"
                                        "02- codigo do usuario (Sempre Diferente para Identificação BIO)\n"
                                        "03- rg do usuario\n"
                                        "04- nome do usuario\n"
                                        "05- data de nascimento (DD/MM/AAAA)\n"
                                        "06- bloqueado (S/N)\n"
                                        "07- motivo bloqueio\n"
                                        "08- observacao"));
  t_importacao = new QLineEdit(page);
  t_importacao->setObjectName("t_importacao");
  t_importacao->setToolTip(QString::fromUtf8("Arquivo de Dados dos Usuarios Para Importação"));
  t_importacao->setGeometry(8, 320, 540, 24);
  auto *browse = toolButton(page, "t_importacaoBotao", QString::fromUtf8("Arquivo de Dados dos Usuarios Para Importação"),
                            QStyle::SP_DirOpenIcon, QRect(550, 320, 28, 24));
  browse->setIconSize(QSize(16, 16));
  connect(browse, &QToolButton::clicked, this, [this] {
    const QString name = escolheImportacao ? escolheImportacao() : QString();
    if (name.isEmpty()) return;
    // The browse button quotes names with blanks; the edit takes them out.
    t_importacao->setText(name.contains(' ') ? '"' + name + '"' : name);
  });
  connect(t_importacao, &QLineEdit::textChanged, this, &Tfrm_cadBio::nomeimportacao);
  SpeedButton3 = new QToolButton(page);
  SpeedButton3->setObjectName("SpeedButton3");
  SpeedButton3->setText("Importar Dados");
  SpeedButton3->setToolTip(QString::fromUtf8("Inicia Importação dos Dados Selecionados"));
  SpeedButton3->setGeometry(590, 316, 198, 32);
  connect(SpeedButton3, &QToolButton::clicked, this, &Tfrm_cadBio::importa);
  return page;
}

void Tfrm_cadBio::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  Gauge1->hide();
  atualizacores();
  PageControl1->setCurrentWidget(TabSheet1);
  Image1->setVisible(m_ctx.registro.rb_biometria == QLatin1String(settings::kDigitalPersona));
  CheckBox1->setChecked(false);
  m_ctx.table.cancel();
  m_ctx.table.first();
  recarrega();
  statusbiometria();
}

bool Tfrm_cadBio::atualizacores() {
  settings::Colours c;
  QString error;
  if (!settings::slotColours(m_ctx.registro, QApplication::palette(), c, &error)) {
    m_ctx.services.messages->show(this, error);
    return false;
  }
  using namespace settings;
  for (QWidget *w : {static_cast<QWidget *>(this), TabSheet1, TabSheet2}) widgets::paintBackground(w, c[corcontrole]);
  widgets::paintEditBackground(Memo1, c[corcontrole]);
  widgets::paintBackground(Panel1, c[corbotao]);
  const QString legend = QStringLiteral("Legenda");
  for (QLabel *l : findChildren<QLabel *>())
    if (l != Label7 && !l->objectName().startsWith(legend)) widgets::paintText(l, QPalette::WindowText, c[corpadrao]);
  for (QCheckBox *b : findChildren<QCheckBox *>()) widgets::paintText(b, QPalette::WindowText, c[corpadrao]);
  widgets::paintText(DBGrid1, QPalette::Text, c[corpadrao]);
  widgets::paintEditBackground(DBGrid1, c[coredicao]);
  for (QLineEdit *e : findChildren<QLineEdit *>()) widgets::paintEditBackground(e, c[coredicao]);
  for (QAbstractButton *b : findChildren<QAbstractButton *>())
    if (qobject_cast<QToolButton *>(b) || qobject_cast<QPushButton *>(b)) widgets::paintText(b, QPalette::ButtonText, c[corbotaof]);
  return true;
}

void Tfrm_cadBio::recarrega() {
  if (!m_model->reload()) m_ctx.services.messages->show(this, m_model->errorString());
  selecionalinha();
  mostraregistro();
}

void Tfrm_cadBio::selecionalinha() {
  const bool was = m_carregando;
  m_carregando = true;
  const int row = m_model->rowOf(m_ctx.table.text("Codigo"));
  if (row >= 0) {
    const QModelIndex index = m_model->index(row, 0);
    DBGrid1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    DBGrid1->scrollTo(index);
  } else {
    DBGrid1->selectionModel()->clear();
  }
  m_carregando = was;
}

void Tfrm_cadBio::linhaclicada(const QModelIndex &index) {
  if (m_carregando || !index.isValid()) return;
  const QString code = m_model->codeAt(index.row());
  EmployeeTable &t = m_ctx.table;
  if (t.state() == EmployeeTable::State::Browse && t.hasRow() && t.text("Codigo") == code) return;
  if (m_ocupado || !resolvePendente()) {
    selecionalinha();
    return;
  }
  if (t.findKey(code) == registry::Lookup::Failed) m_ctx.services.messages->show(this, t.errorString());
  selecionalinha();
  mostraregistro();
}

void Tfrm_cadBio::mostraregistro() {
  const EmployeeTable &t = m_ctx.table;
  const bool was = m_carregando;
  m_carregando = true;
  DBEdit1->setText(t.text("Codigo"));
  DBEdit2->setText(t.text("Empresa"));
  DBEdit3->setText(t.text("rg"));
  const QDate nascimento = t.date("nascimento");
  DBEdit4->setText(nascimento.isValid() ? nascimento.toString("dd/MM/yyyy") : t.text("nascimento"));
  DBEdit5->setText(t.text("nome"));
  DBEdit8->setText(t.text("obs"));
  DBEdit6->setText(t.text("motivobloq"));
  for (int i = 0; i < 24; ++i) janelas[i]->setText(t.text(QStringLiteral("%1%2").arg(i % 2 == 0 ? 'e' : 's').arg(i / 2 + 1)));
  DBCheckBox1->setChecked(settings::isYes(t.text("bloqueado")));
  for (int d = 0; d < 8; ++d) dias[d]->setChecked(settings::isYes(t.text(QString::fromLatin1(kDias[d]))));
  m_fotoBytes = t.value("foto").toByteArray();
  if (t.state() == EmployeeTable::State::Browse) m_fotoGravada = m_fotoBytes;
  mostrafoto(photoFromField(m_fotoBytes));
  m_carregando = was;
  // Kept in step with the row shown, so it never describes another employee.
  if (t.state() == EmployeeTable::State::Browse) statusbiometria();
}

void Tfrm_cadBio::mostrafoto(const Photo &photo) {
  m_foto = photo;
  DBImage1->setPixmap(photo.isNull() ? QPixmap() : QPixmap::fromImage(photo.image));
}

void Tfrm_cadBio::statusbiometria() {
  const bool cadastrada = m_ctx.table.text("Biometria") == QLatin1String("S");
  Label7->setText(cadastrada ? QString::fromUtf8("Biometria Cadastrada") : QString::fromUtf8("Biometria Não Cadastrada"));
  widgets::paintBackground(Label7, cadastrada ? Qt::white : Qt::black);
  widgets::paintText(Label7, QPalette::WindowText, cadastrada ? Qt::blue : Qt::red);
}

void Tfrm_cadBio::editando() {
  EmployeeTable &t = m_ctx.table;
  if (t.state() != EmployeeTable::State::Browse) return;
  // On an empty table typing starts a new row.
  if (t.hasRow()) t.edit();
  else t.insert();
}

bool Tfrm_cadBio::grava() {
  EmployeeTable &t = m_ctx.table;
  if (!t.post()) {
    m_ctx.services.messages->show(this, t.errorString());
    return false;
  }
  recarrega();
  return true;
}

bool Tfrm_cadBio::resolvePendente() {
  EmployeeTable &t = m_ctx.table;
  if (t.state() != EmployeeTable::State::Edit && t.state() != EmployeeTable::State::Insert) return true;
  if (m_ctx.services.messages->ask(this, QString::fromUtf8("O registro em edição não foi gravado. Deseja gravá-lo?")))
    return grava();
  t.cancel();
  if (!t.hasRow()) t.first();
  selecionalinha();
  mostraregistro();
  return true;
}

void Tfrm_cadBio::novo() {
  if (m_ocupado || !resolvePendente()) return;
  EmployeeTable &t = m_ctx.table;
  if (!t.insert()) {
    m_ctx.services.messages->show(this, t.errorString());
    return;
  }
  t.setValue("Empresa", m_ctx.registro.w_codemp);
  for (const char *dia : kDias) t.setValue(QString::fromLatin1(dia), QStringLiteral("N"));
  mostraregistro();
  DBGrid1->selectionModel()->clear();
  DBEdit1->setFocus();
}

void Tfrm_cadBio::confirma() {
  if (m_ocupado) return;
  services::Messages &msg = *m_ctx.services.messages;
  if (DBEdit1->text().isEmpty()) return msg.show(this, QString::fromUtf8("Codigo Não Preenchido"));
  if (DBEdit5->text().isEmpty()) return msg.show(this, QString::fromUtf8("Nome Não Preenchido"));
  m_ocupado = true;
  EmployeeTable &t = m_ctx.table;
  auto fim = [this] { m_ocupado = false; };
  editando();
  const bool leitor = m_ctx.registro.rb_biometria == QLatin1String(settings::kDigitalPersona);
  if (t.text("Biometria") == QLatin1String("S") || !leitor) {
    if (!grava()) return fim();
  } else {
    const QString antes = t.text("Biometria");
    t.setValue("Biometria", QStringLiteral("S"));
    if (!grava()) {
      // The row stays as typed, with its old flag.
      t.setValue("Biometria", antes);
      return fim();
    }
    bool sucesso = false;
    if (CheckBox1->isChecked()) {
      if (!m_cadastro) m_cadastro = std::make_unique<Tfrm_DigitalPersonaCAD>(msg, this);
      sucesso = m_cadastro->cadastrar(DBEdit1->text());
    }
    if (!sucesso) {
      t.edit();
      t.setValue("Biometria", QStringLiteral("N"));
      if (!grava()) return fim();
    } else {
      statusbiometria();
    }
  }
  msg.show(this, QString::fromUtf8("Cadastro Confirmado!"));
  fim();
}

void Tfrm_cadBio::apaga() {
  if (m_ocupado) return;
  EmployeeTable &t = m_ctx.table;
  services::Messages &msg = *m_ctx.services.messages;
  // Deleting a row still being typed only discards it.
  if (t.state() == EmployeeTable::State::Insert) {
    t.cancel();
    t.first();
    recarrega();
    return;
  }
  t.cancel();
  const std::optional<int> rows = t.recordCount();
  if (!rows) return msg.show(this, t.errorString()); // unreadable is not empty
  if (*rows == 0) return msg.show(this, QString::fromUtf8("Registro Não Localizado"));
  m_ocupado = true;
  mostraregistro();
  if (m_ctx.registro.rb_biometria == QLatin1String(settings::kDigitalPersona)) {
    Tfrm_DigitalPersonaCAD oculto(msg, this);
    oculto.excluir(DBEdit1->text());
  }
  if (!t.remove()) msg.show(this, QString::fromUtf8("Não Foi Possivel Excluir. Selecione o Registro."));
  recarrega();
  m_ocupado = false;
}

void Tfrm_cadBio::fotowebcam() {
  if (m_ocupado) return;
  m_ocupado = true;
  editando();
  const QString path = m_ctx.paths.inHome("temp.jpg");
  {
    Tfrm_capturafoto captura(m_ctx.registro, m_ctx.paths.home(), m_ctx.services, m_ctx.camera(), this);
    QString error;
    if (!captura.abre(error)) {
      m_ctx.services.messages->show(this, error);
      m_ocupado = false;
      return;
    }
    captura.setCaminho(path);
    captura.exec();
    // Leaving without a photo keeps the employee's photo: an older file of
    // that name belongs to someone else.
    if (captura.gravada()) carregafoto(captura.caminho());
  }
  m_ocupado = false;
}

void Tfrm_cadBio::fotodisco() {
  if (m_ocupado) return;
  m_ocupado = true;
  const QString path = escolheFoto ? escolheFoto() : QString();
  // Closing the dialog without a choice changes nothing.
  if (!path.isEmpty()) {
    editando();
    carregafoto(path);
  }
  m_ocupado = false;
}

void Tfrm_cadBio::carregafoto(const QString &path) {
  Photo photo;
  QString error;
  const QString bitmapPath = m_ctx.paths.native(m_ctx.registro.pastabio + "temp.Bmp");
  if (!loadPhotoFile(path, bitmapPath, photo, error)) {
    m_ctx.services.messages->show(this, error);
    return;
  }
  editando();
  m_fotoBytes = photo.bitmap ? bitmapFileBytes(photo.image) : QByteArray();
  m_ctx.table.setValue("foto", m_fotoBytes);
  mostrafoto(photo);
}

bool Tfrm_cadBio::eventFilter(QObject *watched, QEvent *event) {
  if (watched != DBImage1 || event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto *key = static_cast<QKeyEvent *>(event);
  const auto mods = key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
  const int k = key->key();
  QClipboard *clipboard = QGuiApplication::clipboard();
  const bool paste = (mods == Qt::ControlModifier && k == Qt::Key_V) || (mods == Qt::ShiftModifier && k == Qt::Key_Insert);
  const bool copy = (mods == Qt::ControlModifier && (k == Qt::Key_C || k == Qt::Key_Insert));
  const bool cut = (mods == Qt::ControlModifier && k == Qt::Key_X) || (mods == Qt::ShiftModifier && k == Qt::Key_Delete);
  if (paste) {
    const QImage image = clipboard->image();
    if (!image.isNull() && !m_ocupado) {
      editando();
      m_fotoBytes = bitmapFileBytes(image);
      m_ctx.table.setValue("foto", m_fotoBytes);
      mostrafoto({image, true});
    }
    return true;
  }
  if (copy || cut) {
    if (!m_foto.isNull()) clipboard->setImage(m_foto.image);
    if (cut && !m_ocupado) {
      editando();
      m_fotoBytes.clear();
      m_ctx.table.setValue("foto", m_fotoBytes);
      mostrafoto({});
    }
    return true;
  }
  if (k == Qt::Key_Escape) {
    EmployeeTable &t = m_ctx.table;
    m_fotoBytes = t.state() == EmployeeTable::State::Insert ? QByteArray() : m_fotoGravada;
    if (t.state() != EmployeeTable::State::Browse) t.setValue("foto", m_fotoBytes);
    mostrafoto(photoFromField(m_fotoBytes));
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void Tfrm_cadBio::dataescolhida(const QDate &date) {
  if (m_ocupado || !date.isValid()) return;
  editando();
  DBEdit4->setText(date.toString("dd/MM/yyyy"));
  m_ctx.table.setValue("nascimento", DBEdit4->text());
}

void Tfrm_cadBio::nomeimportacao(const QString &text) {
  if (text.startsWith('"')) t_importacao->setText(text.mid(1, text.size() - 2));
}

void Tfrm_cadBio::importa() {
  if (m_ocupado) return;
  services::Messages &msg = *m_ctx.services.messages;
  const QString path = t_importacao->text();
  if (path.isEmpty()) return msg.show(this, QString::fromUtf8("Arquivo de Importação!"));
  if (!msg.ask(this, QString::fromUtf8("Deseja Receber os Registros do Arquivo Selecionado?"))) return;
  if (!resolvePendente()) return;
  m_ocupado = true;
  QStringList lines;
  QString error;
  if (!readImportFile(path, lines, error)) {
    msg.show(this, error);
    m_ocupado = false;
    return;
  }
  if (lines.isEmpty()) {
    msg.show(this, QString::fromUtf8("Registros Não Localizados no Arquivo Indicado!"));
    m_ocupado = false;
    return;
  }
  Gauge1->setMaximum(int(lines.size()));
  Gauge1->setValue(0);
  Gauge1->show();
  EmployeeImport importer(m_ctx.table);
  int shownPercent = -1;
  importer.progress = [&](int i, int n) {
    Gauge1->setValue(i);
    // Repainting every line of a long file would cost more than storing it.
    const int percent = int(qint64(i) * 100 / n);
    if (percent != shownPercent) {
      shownPercent = percent;
      Gauge1->repaint();
    }
  };
  importer.message = [&](const QString &text) { msg.show(this, text); };
  const ImportCounts counts = importer.run(lines);
  Gauge1->hide();
  recarrega();
  // Not a word at the end would leave the operator guessing what happened.
  msg.show(this, EmployeeImport::summaryText(counts));
  m_ocupado = false;
}

void Tfrm_cadBio::closeEvent(QCloseEvent *event) {
  if (m_ocupado || !resolvePendente()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void Tfrm_cadBio::reject() {
  if (m_ocupado || !resolvePendente()) return;
  QDialog::reject();
}

} // namespace registry
