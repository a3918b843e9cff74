// The settings screen offscreen, its controls found by name, writing a real
// settings file.
#include "settings/SettingsStore.h"
#include "settings/Tfrm_config.h"
#include "testsupport/FakeServices.h"
#include "testsupport/Files.h"
#include "widgets/FolderEdit.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using settings::RegistroPrincipal;
using settings::Tfrm_config;

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

const char *const kObrigatoria = "FUNÇÃO PADRÃO OBRIGATORIA!";
const char *const kInstalacao = "ATENÇÃO!\r\rSistema de Comunicação com o Leitor Biometrico, DACTILOX Não Instalado!";

class SettingsScreen : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(home.isValid());
    // The control library is not installed unless a test puts it there.
    qputenv("TALVENOX_SYSTEM_DIR", systemDir.path().toUtf8());
    settings::defaultColours(reg);
    settings::configuracaopadrao(reg, "NENHUM");
    reg.PastaDados = reg.pastabio = reg.PastaExp = home.path() + "/";
    reg.reservado[4] = "res";
    reg.cod[6] = "0007";
    reg.desc[6] = u("Saída Almoço");
    frm = std::make_unique<Tfrm_config>(reg, path(), paths::StationPaths(home.path()), fakes.messages);
  }
  void TearDown() override {
    frm.reset();
    qunsetenv("TALVENOX_SYSTEM_DIR");
  }
  QString path() const { return home.filePath("zeltron.sys"); }
  void installLibrary() { ASSERT_TRUE(testsupport::writeFile(systemDir.filePath("libdactilox.so"), "x")); }

  template <class T = QWidget> T *w(const QString &name) {
    T *c = frm->findChild<T *>(name);
    EXPECT_NE(c, nullptr) << name.toStdString();
    return c;
  }
  QLineEdit *e(const QString &name) {
    if (auto *f = frm->findChild<widgets::FolderEdit *>(name)) return f->edit();
    if (auto *c = frm->findChild<QComboBox *>(name)) return c->lineEdit();
    return w<QLineEdit>(name);
  }
  void type(const QString &name, const QString &text) {
    QLineEdit *edit = e(name);
    edit->setText(text); // cut to the edit's width, as typing would
  }
  void click(const char *name) { w<QToolButton>(name)->click(); }
  RegistroPrincipal fromFile() {
    RegistroPrincipal back;
    EXPECT_TRUE(settings::decode(testsupport::readFile(path()), back));
    return back;
  }

  QTemporaryDir home;
  QTemporaryDir systemDir;
  testsupport::FakeServices fakes;
  RegistroPrincipal reg;
  std::unique_ptr<Tfrm_config> frm;
};

} // namespace

TEST_F(SettingsScreen, EveryControlHasItsNameHintAndWidth) {
  frm->show();
  EXPECT_EQ(frm->windowTitle(), u("Configurações"));
  EXPECT_EQ(frm->minimumSize(), frm->maximumSize()) << "fixed size";
  EXPECT_FALSE(frm->windowFlags() & Qt::WindowCloseButtonHint);

  const struct {
    QString name;
    const char *hint;
    int width;
  } edits[] = {
      {"cod1", "Codigo AlfaNumerico de Identificação da Função", 5},
      {"cod12", "Codigo AlfaNumerico de Identificação da Função", 5},
      {"desc1", "Descrição da Função", 30},
      {"desc12", "Descrição da Função", 30},
      {"w1i", "Inicio do Intervalo Geral", 5},
      {"w20i", "Inicio do Intervalo Geral", 5},
      {"w1f", "Termino do Limite de Intervalo de Marcações", 5},
      {"w20f", "Termino do Limite de Intervalo de Marcações", 5},
      {"w_codemp", "Codigo de Identificação da Empresa  Padrão", 20},
      {"w_pontocoleta", "Codigo de identificação do Ponto de Coleta de Marcações", 20},
      {"wsenhacontrole", "Senha Para Liberar Acesso/Marcações", 20},
      {"PastaDados", "Pasta Onde se Encontram os Arquivos de Dados do TALVENOX", 100},
      {"PastaExp", "Pasta ao qual será destinado a exportação do Arquivo de Marcações", 100},
      {"pastabio", "Pasta onde se encontram os dados das biometrias", 100},
      {"arquivo", "Nome do Arquivo de Exportação das Marcações", 30},
      {"campo1p", "Campo de Dados Especifico Para o Tipo de Campo=FIXO", 30},
      {"campo12p", "Campo de Dados Especifico Para o Tipo de Campo=FIXO", 30},
      {"divisor", "Campo de Caractere Separador dos Dados", 10},
  };
  for (const auto &x : edits) {
    QLineEdit *edit = e(x.name);
    ASSERT_NE(edit, nullptr) << x.name.toStdString();
    EXPECT_EQ(edit->toolTip(), u(x.hint)) << x.name.toStdString();
    EXPECT_EQ(edit->maxLength(), x.width) << x.name.toStdString();
  }
  EXPECT_EQ(e("wsenhacontrole")->echoMode(), QLineEdit::Password);

  const struct {
    const char *name, *text, *hint;
  } checks[] = {
      {"wseg", "Segunda", "Dia Para Verificação de Intervalo (Controle do Horario)"},
      {"wter", "Terça", "Dia Para Verificação de Intervalo (Controle do Horario)"},
      {"wdom", "Domingo", "Dia Para Verificação de Intervalo (Controle do Horario)"},
      {"wbloq", "Bloqueia Dias Sem Controle", "Bloqueia Marcação Para Dias Não Liberados"},
      {"cb_Codemp", "Acrescentar Codigo da Empresa na Identificação do Arquivo", ""},
      {"cb_data", "Acrescentar Data(AAAAMMDD) na Identificação do Arquivo", ""},
  };
  for (const auto &c : checks) {
    auto *box = w<QCheckBox>(c.name);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), u(c.text));
    EXPECT_EQ(box->toolTip(), u(c.hint));
  }

  const struct {
    const char *name, *hint;
  } buttons[] = {
      {"bt_padrao", "Restaura Configurações Padrões"},
      {"bt_cadastro", "Cadastro de Usuarios"},
      {"bt_cores", "Configurações das Cores do Sistema"},
      {"bt_confirma", "Confirma Alteração das Configurações do Sistema"},
      {"bt_sair", "Abandona Tela"},
      {"bt_infoexportacao", "Informações Sobre o Arquivo de Exportação"},
      {"bt_infolayout", "Informações Sobre o LayOut de Saida"},
      {"im_leitor", "Informações sobre o LEITOR BIOMETRICO"},
  };
  for (const auto &b : buttons) EXPECT_EQ(w<QToolButton>(b.name)->toolTip(), u(b.hint)) << b.name;

  auto *pages = w<QTabWidget>("PageControl1");
  QStringList titles;
  for (int i = 0; i < pages->count(); ++i) titles << pages->tabText(i);
  EXPECT_EQ(titles, (QStringList{u("Funções"), u("Intervalos de Marcações"), u("Configurações"), u("LayOut de Saida"),
                                 u("BIOMETRIA")}));
  EXPECT_EQ(w<QWidget>("rb_biometria")->toolTip(), u("Seleciona o Tipo de Identificação do Usuario"));
  EXPECT_EQ(w<QRadioButton>("rb_biometria_0")->text(), "DIGITALPERSONA");
  EXPECT_EQ(w<QRadioButton>("rb_biometria_1")->text(), "NENHUM");

  auto items = [](QComboBox *c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
    return l;
  };
  const QStringList common = {"Empresa", "CodigoBio", "DataComBarras", "DataSemBarras", "HoraComSegComPontos",
                              "HoraComSegSemPontos", "HoraSemSegComPontos", "HoraSemSegSemPontos", u("Função"),
                              "Fixo", "PontoColeta"};
  QStringList first = common;
  first.swapItemsAt(9, 10);
  EXPECT_EQ(items(w<QComboBox>("campo1")), first);
  for (int k = 2; k <= 12; ++k) EXPECT_EQ(items(w<QComboBox>(QStringLiteral("campo%1").arg(k))), common) << k;
  EXPECT_TRUE(w<QComboBox>("campo5")->isEditable());
  EXPECT_EQ(w<QComboBox>("campo5")->toolTip(), u("Campo de Dados Para Exportação das Marcações"));
}

TEST_F(SettingsScreen, ShowCopiesTheRecordIntoTheControls) {
  reg.wter = "N";
  reg.wdom = "s"; // only the upper-case S ticks
  reg.wbloq = "S";
  reg.cb_data = "N";
  reg.campo[6] = "Algo digitado";
  reg.campop[5] = "<b>fixo</b>";
  reg.wi[19] = "22:00";
  reg.rb_biometria = "DIGITALPERSONA";
  w<QTabWidget>("PageControl1")->setCurrentIndex(3);
  frm->show();

  EXPECT_EQ(w<QTabWidget>("PageControl1")->currentIndex(), 0) << "Funções is the page shown";
  EXPECT_EQ(e("cod1")->text(), "0001");
  EXPECT_EQ(e("desc1")->text(), u("Marcação de Ponto"));
  EXPECT_EQ(e("cod7")->text(), "0007");
  EXPECT_EQ(e("desc7")->text(), u("Saída Almoço"));
  EXPECT_EQ(e("w1i")->text(), "00:00");
  EXPECT_EQ(e("w1f")->text(), "23:59");
  EXPECT_EQ(e("w20i")->text(), "22:00");
  EXPECT_EQ(e("PastaDados")->text(), home.path() + "/");
  EXPECT_EQ(w<QComboBox>("campo4")->currentText(), "HoraSemSegComPontos");
  EXPECT_EQ(w<QComboBox>("campo7")->currentText(), "Algo digitado");
  EXPECT_EQ(e("campo6p")->text(), "<b>fixo</b>");
  EXPECT_EQ(e("divisor")->text(), ";");
  EXPECT_TRUE(w<QCheckBox>("wseg")->isChecked());
  EXPECT_FALSE(w<QCheckBox>("wter")->isChecked());
  EXPECT_FALSE(w<QCheckBox>("wdom")->isChecked());
  EXPECT_TRUE(w<QCheckBox>("wbloq")->isChecked());
  EXPECT_TRUE(w<QCheckBox>("cb_Codemp")->isChecked());
  EXPECT_FALSE(w<QCheckBox>("cb_data")->isChecked());
  EXPECT_TRUE(w<QRadioButton>("rb_biometria_0")->isChecked());
  EXPECT_TRUE(!w<QFrame>("p_digitalpersona")->isHidden());
  EXPECT_TRUE(fakes.messages.shown.isEmpty());
}

// Selecting a kind shows the panel only for DIGITALPERSONA; a stored kind
// that is neither name leaves the group as it was when shown again.
TEST_F(SettingsScreen, TheReaderKindAndItsPanel) {
  reg.rb_biometria = "NENHUM";
  frm->show();
  auto *panel = w<QFrame>("p_digitalpersona");
  EXPECT_TRUE(w<QRadioButton>("rb_biometria_1")->isChecked());
  EXPECT_FALSE(!panel->isHidden());
  w<QRadioButton>("rb_biometria_0")->click();
  EXPECT_TRUE(!panel->isHidden());
  w<QRadioButton>("rb_biometria_1")->click();
  EXPECT_FALSE(!panel->isHidden());

  const struct {
    const char *stored;
    const char *checked; // after the screen is shown again
    bool panel;
  } cases[] = {
      {"DIGITALPERSONA", "rb_biometria_0", true},
      {"LEITOR-X", "rb_biometria_0", false},
      {"NENHUM", "rb_biometria_1", false},
      {"", "rb_biometria_1", false},
      {"digitalpersona", "rb_biometria_1", false},
  };
  for (const auto &c : cases) {
    frm->hide();
    reg.rb_biometria = c.stored;
    frm->show();
    EXPECT_TRUE(w<QRadioButton>(c.checked)->isChecked()) << c.stored;
    EXPECT_EQ(!panel->isHidden(), c.panel) << c.stored;
  }
}

TEST_F(SettingsScreen, ConfirmStoresEveryControlAndTheFileReadsBackByteForByte) {
  frm->show();
  for (int k = 1; k <= 12; ++k) {
    type(QStringLiteral("cod%1").arg(k), QStringLiteral("C%1").arg(k));
    type(QStringLiteral("desc%1").arg(k), u("Descrição %1 çã").arg(k));
    w<QComboBox>(QStringLiteral("campo%1").arg(k))->setCurrentIndex(k % 11);
    type(QStringLiteral("campo%1p").arg(k), QStringLiteral("F%1").arg(k));
  }
  for (int k = 1; k <= 20; ++k) {
    type(QStringLiteral("w%1i").arg(k), QStringLiteral("%1:00").arg(k, 2, 10, QChar('0')));
    type(QStringLiteral("w%1f").arg(k), QStringLiteral("%1:30").arg(k, 2, 10, QChar('0')));
  }
  for (const char *day : {"wter", "wsab"}) w<QCheckBox>(day)->click();
  w<QCheckBox>("wbloq")->click();
  w<QCheckBox>("cb_data")->click();
  type("w_codemp", "0042");
  type("w_pontocoleta", "7");
  type("wsenhacontrole", "Segredo");
  type("arquivo", "PONTO.TXT");
  type("divisor", "|");
  QDir(home.path()).mkdir("exp");
  type("PastaExp", home.filePath("exp") + "/");
  type("campo3", "Texto Livre");
  w<QRadioButton>("rb_biometria_1")->click();
  click("bt_confirma");

  EXPECT_FALSE(frm->isVisible());
  EXPECT_EQ(frm->result(), QDialog::Accepted);
  EXPECT_TRUE(fakes.messages.shown.isEmpty()) << fakes.messages.shown.join("|").toStdString();
  EXPECT_EQ(reg.cod[11], "C12");
  EXPECT_EQ(reg.desc[0], u("Descrição 1 çã"));
  EXPECT_EQ(reg.wi[19], "20:00");
  EXPECT_EQ(reg.wf[0], "01:30");
  EXPECT_EQ(reg.campo[0], "CodigoBio");
  EXPECT_EQ(reg.campo[2], "Texto Livre") << "typed text is stored as typed";
  EXPECT_EQ(reg.campo[1], "DataComBarras");
  EXPECT_EQ(reg.campop[11], "F12");
  EXPECT_EQ((QStringList{reg.wseg, reg.wter, reg.wqua, reg.wqui, reg.wsex, reg.wsab, reg.wdom, reg.wbloq}),
            (QStringList{"S", "N", "S", "S", "S", "N", "S", "S"}));
  EXPECT_EQ(reg.cb_data, "N");
  EXPECT_EQ(reg.cb_Codemp, "S");
  EXPECT_EQ(reg.w_codemp, "0042");
  EXPECT_EQ(reg.wsenhacontrole, "Segredo");
  EXPECT_EQ(reg.arquivo, "PONTO.TXT");
  EXPECT_EQ(reg.divisor, "|");
  EXPECT_EQ(reg.PastaExp, home.filePath("exp") + "/");
  EXPECT_EQ(reg.rb_biometria, "NENHUM");
  EXPECT_EQ(reg.reservado[4], "res") << "fields the screen does not show are kept";

  const QByteArray file = testsupport::readFile(path());
  ASSERT_EQ(file.size(), settings::kRecordSize);
  EXPECT_EQ(file, settings::encode(reg));
  RegistroPrincipal back;
  ASSERT_TRUE(settings::decode(file, back));
  EXPECT_EQ(back, reg);
  // Shown again, the screen holds what was stored.
  frm->show();
  EXPECT_EQ(e("desc12")->text(), u("Descrição 12 çã"));
  EXPECT_EQ(w<QComboBox>("campo3")->currentText(), "Texto Livre");
}

// The ways of closing and what each leaves in memory and in the file.
TEST_F(SettingsScreen, ConfirmLeaveAndRestoreDefaults) {
  const RegistroPrincipal original = reg;

  // Confirm with cod1 empty, then fill it and Leave: the file holds the
  // settings copied at the refused Confirm, function 1 empty.
  frm->show();
  type("cod1", "");
  type("desc2", "Nova");
  click("bt_confirma");
  EXPECT_TRUE(frm->isVisible());
  EXPECT_EQ(fakes.messages.shown, QStringList{u(kObrigatoria)});
  EXPECT_FALSE(QFile::exists(path()));
  type("cod1", "0009");
  click("bt_sair");
  EXPECT_FALSE(frm->isVisible());
  EXPECT_EQ(fromFile().cod[0], "");
  EXPECT_EQ(fromFile().desc[1], "Nova");
  EXPECT_EQ(reg.cod[0], "") << "Leave copies nothing";

  // Leave after edits: the edits are lost, the file is rewritten unchanged.
  reg = original;
  QFile::remove(path());
  fakes.messages.shown.clear();
  frm->show();
  type("cod1", "X");
  type("w1i", "07:00");
  w<QCheckBox>("wseg")->click();
  click("bt_sair");
  EXPECT_FALSE(frm->isVisible());
  EXPECT_EQ(reg, original);
  EXPECT_EQ(fromFile(), original);

  // Leave with the code of function 1 emptied on the screen stays open.
  frm->show();
  type("cod1", "");
  click("bt_sair");
  EXPECT_TRUE(frm->isVisible());
  EXPECT_EQ(fakes.messages.shown, QStringList{u(kObrigatoria)});
  // So do Escape and the window's own close.
  QTest::keyClick(frm.get(), Qt::Key_Escape);
  frm->close();
  EXPECT_TRUE(frm->isVisible());
  EXPECT_EQ(fakes.messages.shown.size(), 3);
  type("cod1", "0001");
  QTest::keyClick(frm.get(), Qt::Key_Escape);
  EXPECT_FALSE(frm->isVisible()) << "Escape is Leave";

  // Restore defaults answered No changes nothing.
  reg.w_codemp = "0042";
  reg.wi[0] = "08:00";
  reg.wi[4] = "13:00";
  reg.campo[8] = "Fixo";
  reg.campop[0] = "P";
  reg.cores[0] = "clRed";
  fakes.messages.shown.clear();
  fakes.messages.answers = {false};
  frm->show();
  click("bt_padrao");
  EXPECT_EQ(fakes.messages.shown,
            QStringList{u("? Esse processo irá Restaurar as Configurações PADRÕES DO SISTEMA,\r"
                          "substituindo as configurações Atuais\rDeseja Restaurar as Configurações Padrões?")});
  EXPECT_EQ(reg.w_codemp, "0042");
  EXPECT_EQ(e("w_codemp")->text(), "0042");

  // Yes: the defaults are in memory and on the screen at once, and Leave
  // writes them although Confirm was never pressed.
  type("desc1", "Editada");
  click("bt_padrao");
  EXPECT_EQ(reg.w_codemp, "0001");
  EXPECT_EQ(e("w_codemp")->text(), "0001");
  EXPECT_EQ(e("desc1")->text(), u("Marcação de Ponto"));
  EXPECT_EQ(e("w1i")->text(), "00:00");
  click("bt_sair");
  EXPECT_FALSE(frm->isVisible());
  const RegistroPrincipal stored = fromFile();
  EXPECT_EQ(stored.w_codemp, "0001");
  EXPECT_EQ(stored.wi[0], "00:00");
  EXPECT_EQ(stored.PastaDados, "c:\\halvorsten\\zeltron\\");
  EXPECT_EQ(stored.rb_biometria, "NENHUM") << "no control library installed";
  // What the defaults do not cover stays.
  EXPECT_EQ(stored.wi[4], "13:00");
  EXPECT_EQ(stored.cod[6], "0007");
  EXPECT_EQ(stored.campo[8], "Fixo");
  EXPECT_EQ(stored.campop[0], "P");
  EXPECT_EQ(stored.cores[0], "clRed");
  EXPECT_EQ(stored.reservado[4], "res");
}

// Switching to NENHUM stores NENHUM and the biometric folder typed on the
// hidden panel; choosing DIGITALPERSONA without the control library warns
// and stores all the same. Leave warns when the stored kind is it.
TEST_F(SettingsScreen, TheInstallationWarning) {
  const QString bio = home.filePath("bio") + "/";
  QDir(home.path()).mkdir("bio");
  const struct {
    bool installed;
    const char *stored;   // kind in memory when shown
    const char *choose;   // radio clicked, or null
    const char *closeBy;  // button
    bool warned;
    const char *kindAfter;
  } cases[] = {
      {false, "NENHUM", "rb_biometria_0", "bt_confirma", true, "DIGITALPERSONA"},
      {true, "NENHUM", "rb_biometria_0", "bt_confirma", false, "DIGITALPERSONA"},
      {false, "DIGITALPERSONA", "rb_biometria_1", "bt_confirma", false, "NENHUM"},
      {false, "DIGITALPERSONA", nullptr, "bt_sair", true, "DIGITALPERSONA"},
      {false, "DIGITALPERSONA", "rb_biometria_1", "bt_sair", true, "DIGITALPERSONA"},
      {true, "DIGITALPERSONA", nullptr, "bt_sair", false, "DIGITALPERSONA"},
      {false, "NENHUM", "rb_biometria_0", "bt_sair", false, "NENHUM"},
  };
  for (const auto &c : cases) {
    QFile::remove(systemDir.filePath("libdactilox.so"));
    if (c.installed) installLibrary();
    reg.rb_biometria = c.stored;
    reg.pastabio = home.path() + "/";
    fakes.messages.shown.clear();
    frm->show();
    if (c.choose) w<QRadioButton>(c.choose)->click();
    type("pastabio", bio);
    click(c.closeBy);
    const std::string what = std::string(c.stored) + " " + (c.choose ? c.choose : "-") + " " + c.closeBy;
    EXPECT_FALSE(frm->isVisible()) << what;
    EXPECT_EQ(fakes.messages.shown, c.warned ? QStringList{u(kInstalacao)} : QStringList{}) << what;
    EXPECT_EQ(reg.rb_biometria, c.kindAfter) << what;
    EXPECT_EQ(fromFile().rb_biometria, c.kindAfter) << what;
    if (QLatin1String(c.closeBy) == QLatin1String("bt_confirma")) {
      EXPECT_EQ(reg.pastabio, bio) << what;
    }
  }
}

// Times and folders are stored as typed, but Confirm first lists those the
// station cannot use and asks.
TEST_F(SettingsScreen, ConfirmListsIntervalsThatAreNoTimesAndFoldersThatCannotTakeFiles) {
  ASSERT_TRUE(testsupport::writeFile(home.filePath("um-arquivo"), "x"));
  const struct {
    const char *field;
    QString text;
    QString listed; // empty: nothing listed
  } cases[] = {
      {"w1i", "8:00", {}},
      {"w1f", "8:00-", u("Intervalo 1, término \"8:00-\" não é um horário")},
      {"w3i", "25:00", u("Intervalo 3, início \"25:00\" não é um horário")},
      {"w3f", "12h", u("Intervalo 3, término \"12h\" não é um horário")},
      {"w20f", "12:00", u("Intervalo 20, início \"\" não é um horário")},
      {"w2i", "<i>x", u("Intervalo 2, início \"<i>x\" não é um horário")},
      {"PastaExp", home.filePath("falta/"), u("Pasta Para Exportação \"%1\" não existe").arg(home.filePath("falta/"))},
      {"PastaDados", home.filePath("um-arquivo"),
       u("Pasta de Dados \"%1\" não existe").arg(home.filePath("um-arquivo"))},
      {"pastabio", home.filePath("falta-bio"), {}}, // only checked in fingerprint mode
      {"PastaExp", "postgresql://ponto@servidor/ponto", {}},
      {"PastaExp", "c:\\halvorsten\\zeltron\\", {}}, // the default folder is made
  };
  for (const auto &c : cases) {
    frm->show();
    w<QRadioButton>("rb_biometria_1")->click();
    const QString previous = e(c.field)->text();
    type(c.field, c.text);
    // Answer No: nothing is stored and the screen stays.
    fakes.messages.shown.clear();
    fakes.messages.answers = {false};
    const RegistroPrincipal before = reg;
    click("bt_confirma");
    const std::string what = std::string(c.field) + " " + c.text.toStdString();
    if (c.listed.isEmpty()) {
      EXPECT_TRUE(fakes.messages.shown.isEmpty()) << what << fakes.messages.shown.join("|").toStdString();
      EXPECT_FALSE(frm->isVisible()) << what;
      continue;
    }
    ASSERT_EQ(fakes.messages.shown.size(), 1) << what;
    EXPECT_TRUE(fakes.messages.shown[0].startsWith(u("? Verifique as configurações:\r"))) << what;
    EXPECT_TRUE(fakes.messages.shown[0].contains("\r" + c.listed + "\r")) << what << fakes.messages.shown[0].toStdString();
    EXPECT_TRUE(fakes.messages.shown[0].endsWith(u("\r\rGravar assim mesmo?"))) << what;
    EXPECT_TRUE(frm->isVisible()) << what;
    EXPECT_EQ(reg, before) << what;
    // Answer Yes: stored as typed.
    fakes.messages.answers = {true};
    click("bt_confirma");
    EXPECT_FALSE(frm->isVisible()) << what;
    EXPECT_EQ(e(c.field)->text(), c.text) << what;
    // Put the field right for the next case.
    frm->show();
    type(c.field, previous);
    click("bt_confirma");
    ASSERT_FALSE(frm->isVisible()) << what;
  }
  EXPECT_TRUE(QDir(home.filePath("drive_c/halvorsten/zeltron")).exists());

  // The biometric folder counts in fingerprint mode; several findings are
  // listed together.
  installLibrary();
  frm->show();
  w<QRadioButton>("rb_biometria_0")->click();
  type("pastabio", home.filePath("falta-bio"));
  type("w5i", "9");
  type("PastaDados", home.path());
  fakes.messages.shown.clear();
  fakes.messages.answers = {false};
  click("bt_confirma");
  ASSERT_EQ(fakes.messages.shown.size(), 1);
  EXPECT_EQ(fakes.messages.shown[0],
            u("? Verifique as configurações:\r"
              "Intervalo 5, início \"9\" não é um horário\r"
              "Intervalo 5, término \"\" não é um horário\r"
              "Pasta de Dados Biometricos \"%1\" não existe\r"
              "Pasta de Dados \"%2\" não termina com \"/\"\r\r"
              "Gravar assim mesmo?")
                .arg(home.filePath("falta-bio"), home.path()));
}

TEST_F(SettingsScreen, InformationButtonsAndTheReaderAdvice) {
  frm->show();
  click("bt_infoexportacao");
  click("bt_infolayout");
  click("im_leitor");
  ASSERT_EQ(fakes.messages.shown.size(), 3);
  EXPECT_EQ(fakes.messages.shown[0],
            u("1 - Sera Registrado um Arquivo MENSAL com Todas as Marcações Realizadas.\r"
              "Arquivo: ZELTRON_ANOMES.TXT LOCAL: Pasta do Executavel\r"
              "2 - Sera Registrado um Arquivo Com o Ultimo CODIGO BIO, Para Utilização Como MODO ONLINE.\r"
              "Arquivo: ZELTRON_ONLINE.TXT LOCAL: Pasta do Executavel"));
  EXPECT_EQ(fakes.messages.shown[1], u("PREENCHER COM - Somente Quando CAMPO For FIXO"));
  const QString advice = fakes.messages.shown[2];
  EXPECT_TRUE(advice.startsWith(u("Informações para o usuário final:"))) << advice.toStdString();
  for (const char *item : {"\ra) ", "\rb) ", "\rc) ", "\rd) ", "\re) ", "\rf) ", "256 MB", "USB"})
    EXPECT_TRUE(advice.contains(u(item))) << item;
  EXPECT_TRUE(frm->isVisible());
}

TEST_F(SettingsScreen, ColoursAndTheScreensItOpens) {
  reg.cores[settings::corcontrole] = "$0000FF";  // red
  reg.cores[settings::corbotao] = "clNavy";
  reg.cores[settings::corbotaof] = "clYellow";
  reg.cores[settings::coredicao] = "$00FF00";    // green
  reg.cores[settings::corsuspenso] = "clSilver";
  reg.cores[settings::corpadrao] = "clMaroon";
  frm->show();
  EXPECT_EQ(frm->palette().color(QPalette::Window), QColor(255, 0, 0));
  EXPECT_EQ(w<QWidget>("ts_layout")->palette().color(QPalette::Window), QColor(255, 0, 0));
  EXPECT_EQ(w<QWidget>("Panel1")->palette().color(QPalette::Window), QColor(0, 0, 128));
  EXPECT_EQ(w<QToolButton>("bt_sair")->palette().color(QPalette::ButtonText), QColor(255, 255, 0));
  EXPECT_EQ(w<QToolButton>("bt_infolayout")->palette().color(QPalette::ButtonText), QColor(255, 255, 0));
  EXPECT_EQ(e("cod3")->palette().color(QPalette::Base), QColor(0, 255, 0));
  EXPECT_EQ(e("pastabio")->palette().color(QPalette::Base), QColor(0, 255, 0));
  EXPECT_EQ(w<QComboBox>("campo2")->palette().color(QPalette::Base), QColor(0, 255, 0));
  EXPECT_EQ(w<QFrame>("p_digitalpersona")->palette().color(QPalette::Window), QColor(192, 192, 192));
  EXPECT_EQ(w<QCheckBox>("wseg")->palette().color(QPalette::WindowText), QColor(128, 0, 0));

  // Without an opener the screens are not available.
  click("bt_cadastro");
  click("bt_cores");
  EXPECT_EQ(fakes.messages.shown, (QStringList{u("Tela não disponível."), u("Tela não disponível.")}));

  // The colour screen changes the slots; this screen takes them at once.
  QWidget *parentSeen = nullptr;
  frm->abreCores = [&](QWidget *parent) {
    parentSeen = parent;
    reg.cores[settings::corcontrole] = "clBlue";
  };
  int registryOpened = 0;
  frm->abreCadastro = [&](QWidget *parent) {
    EXPECT_EQ(parent, frm.get());
    ++registryOpened;
  };
  click("bt_cores");
  EXPECT_EQ(parentSeen, frm.get());
  EXPECT_EQ(frm->palette().color(QPalette::Window), QColor(0, 0, 255));
  click("bt_cadastro");
  EXPECT_EQ(registryOpened, 1);
  EXPECT_TRUE(frm->isVisible());

  // A slot that is no colour says so.
  fakes.messages.shown.clear();
  reg.cores[settings::coredicao] = "clNoSuchColour";
  EXPECT_FALSE(frm->atualizacores());
  EXPECT_EQ(fakes.messages.shown.size(), 1);
}

// A settings file that cannot be written: the message, and the screen closes
// with the record in memory as it was.
TEST_F(SettingsScreen, AFileThatCannotBeWrittenSaysSo) {
  frm = std::make_unique<Tfrm_config>(reg, home.filePath("no-folder/zeltron.sys"), paths::StationPaths(home.path()),
                                      fakes.messages);
  frm->show();
  type("desc1", "Nova");
  click("bt_confirma");
  EXPECT_FALSE(frm->isVisible());
  EXPECT_EQ(fakes.messages.shown, QStringList{"Erro no Registro Principal!"});
  EXPECT_EQ(reg.desc[0], "Nova");
}
