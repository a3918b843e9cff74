// The main screen's toolbar through the real screens offscreen: the password
// gate, the settings screen, what the station applies again afterwards, the
// about screen, the help and the exit.
#include "punch/Tfrm_principal.h"

#include "controls/ctrl_identificar.h"
#include "settings/SettingsStore.h"
#include "testsupport/FakeServices.h"
#include "testsupport/Files.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>

using namespace punch;

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

class Toolbar : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(home.isValid());
    qputenv("TALVENOX_SYSTEM_DIR", home.path().toUtf8());
    settings::defaultColours(reg);
    settings::configuracaopadrao(reg, "NENHUM");
    reg.PastaDados = reg.pastabio = home.path() + "/";
    reg.PastaExp = home.path() + "/export/";
    QDir().mkpath(reg.PastaExp);
    fakes.clock.current = QDateTime(QDate(2024, 3, 5), QTime(10, 30, 45)); // a Tuesday
    registry::EmployeeTable t;
    ASSERT_TRUE(t.open(home.filePath("zeltron.db")));
    ASSERT_TRUE(t.insert());
    t.setValue("codigo", "123");
    t.setValue("empresa", "0042");
    t.setValue("nome", "Ana");
    ASSERT_TRUE(t.post()) << t.errorString().toStdString();
  }
  void TearDown() override {
    frm.reset();
    station.reset();
    qunsetenv("TALVENOX_SYSTEM_DIR");
  }

  void start() {
    ASSERT_TRUE(settings::gravaconfiguracao(home.filePath("zeltron.sys"), reg));
    station = std::make_unique<Station>(paths::StationPaths(home.path()), fakes.services());
    station->abridores.documento = [this](const QString &path) {
      documents << path;
      return documentOpens;
    };
    frm = std::make_unique<Tfrm_principal>(*station);
    frm->show();
    QApplication::setActiveWindow(frm.get());
    frm->iniciar();
  }
  void makeTemplateFile() { ASSERT_TRUE(testsupport::writeFile(home.filePath("biometrica.mdb"), {})); }

  // Runs act on the modal screen named name as soon as it is open.
  void onModal(const QString &name, std::function<void(QDialog *)> act) {
    auto *poll = new QTimer(frm.get());
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [=, this] {
      auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
      if (!dialog || dialog->objectName() != name) return;
      poll->stop();
      poll->deleteLater();
      opened << name;
      act(dialog);
    });
    poll->start();
  }
  // Edits on the settings screen, then Confirm.
  void confirmSettings(std::function<void(QDialog *)> edit) {
    onModal("frm_config", [edit](QDialog *d) {
      edit(d);
      d->findChild<QToolButton *>("bt_confirma")->click();
    });
  }
  static void type(QDialog *d, const char *name, const QString &text) {
    auto *e = d->findChild<QLineEdit *>(name);
    ASSERT_NE(e, nullptr) << name;
    e->setText(text);
  }
  void click(const char *name) { frm->findChild<QToolButton *>(name)->click(); }
  QLineEdit *input() { return frm->findChild<QLineEdit *>("t_manual"); }
  QWidget *ident() { return frm->findChild<QWidget *>("ctrlIdentificar1"); }
  void punch(const QString &code) {
    QTest::keyClicks(input(), code);
    QTest::keyClick(input(), Qt::Key_Return);
  }
  QByteArray monthly() const { return testsupport::readFile(home.filePath("zeltron_202403.txt")); }

  QTemporaryDir home;
  settings::RegistroPrincipal reg;
  testsupport::FakeServices fakes;
  std::unique_ptr<Station> station;
  std::unique_ptr<Tfrm_principal> frm;
  QStringList opened;
  QStringList documents;
  bool documentOpens = true;
};

} // namespace

TEST_F(Toolbar, ButtonsAndHints) {
  start();
  const struct {
    const char *name, *hint;
  } buttons[] = {{"SpeedButton2", "Cadastro de Usuarios"},
                 {"lb_config", "Configurações do Sistema"},
                 {"SpeedButton14", "Informações Sobre o Sistema"},
                 {"SpeedButton3", "Ajuda"},
                 {"SpeedButton4", "Sair do Sistema"}};
  int x = -1;
  for (const auto &b : buttons) {
    auto *button = frm->findChild<QToolButton *>(b.name);
    ASSERT_NE(button, nullptr) << b.name;
    EXPECT_EQ(button->toolTip(), u(b.hint));
    EXPECT_GT(button->x(), x) << "left to right in this order";
    x = button->x();
  }
}

// The gate in front of both screens: what the supervisor did, and whether
// the screen opened.
TEST_F(Toolbar, ThePasswordGate) {
  const struct {
    const char *password;
    bool ticked;
    const char *typed; // in the release dialog; null: no dialog expected
    bool opens;
    QStringList messages;
  } cases[] = {
      {"", false, nullptr, true, {}},
      {"", true, nullptr, true, {}}, // and the box is unticked
      {"Chefe", false, nullptr, false, {}},
      {"Chefe", true, "chefe", true, {}},
      {"Chefe", true, "outra", false, {u("Senha de Liberação Inválida!")}},
  };
  for (const auto &c : cases) {
    for (bool settingsButton : {true, false}) {
      reg.wsenhacontrole = c.password;
      start();
      fakes.messages.shown.clear();
      opened.clear();
      int registry = 0;
      station->abridores.cadastro = [&](QWidget *parent) {
        EXPECT_EQ(parent, frm.get());
        ++registry;
      };
      frm->findChild<QCheckBox *>("CheckBox1")->setChecked(c.ticked);
      if (c.typed) {
        const QString typed = u(c.typed);
        onModal("frm_libera", [typed](QDialog *d) {
          d->findChild<QLineEdit *>("Edit1")->setText(typed);
          d->findChild<QToolButton *>("bt_confirma")->click();
        });
      }
      if (settingsButton) onModal("frm_config", [](QDialog *d) { d->findChild<QToolButton *>("bt_sair")->click(); });
      click(settingsButton ? "lb_config" : "SpeedButton2");
      QApplication::processEvents();
      const std::string what = std::string(c.password) + (c.ticked ? " ticked " : " unticked ") +
                               (settingsButton ? "settings" : "registry");
      QStringList want;
      if (c.typed) want << "frm_libera";
      if (c.opens && settingsButton) want << "frm_config";
      EXPECT_EQ(opened, want) << what;
      if (!settingsButton) {
        EXPECT_EQ(registry, c.opens ? 1 : 0) << what;
      }
      EXPECT_EQ(fakes.messages.shown, c.messages) << what;
      EXPECT_FALSE(frm->findChild<QCheckBox *>("CheckBox1")->isChecked()) << what;
      frm.reset(); // drops a poller left waiting for a screen that never came
      station.reset();
    }
  }
}

TEST_F(Toolbar, WithoutAnOpenerTheRegistryIsNotAvailable) {
  start();
  click("SpeedButton2");
  EXPECT_EQ(fakes.messages.shown, QStringList{u("Tela não disponível.")});
  EXPECT_TRUE(input()->isVisible());
}

// A supervisor changes a function, a time window and the export layout on
// the screen; the next punches follow them, and the file holds them.
TEST_F(Toolbar, TheNextPunchFollowsTheSettingsScreen) {
  start();
  confirmSettings([](QDialog *d) {
    type(d, "cod1", "P1");
    type(d, "desc1", "Entrada");
    type(d, "cod9", "0009");
    type(d, "desc9", u("Saída <b>Almoço</b>"));
    type(d, "w1i", "11:00");
    type(d, "w1f", "12:00");
    d->findChild<QComboBox *>("campo6")->setCurrentText("Fixo");
    type(d, "campo6p", "X");
  });
  click("lb_config");
  EXPECT_EQ(opened, QStringList{"frm_config"});
  EXPECT_TRUE(fakes.messages.shown.isEmpty()) << fakes.messages.shown.join("|").toStdString();

  // Function 9 has its button, with the new description as its hint.
  auto *f9 = frm->findChild<QPushButton *>("bt_9");
  EXPECT_TRUE(f9->isVisible());
  EXPECT_EQ(f9->text(), "F9");
  EXPECT_EQ(f9->toolTip(), Qt::convertFromPlainText(u("Saída <b>Almoço</b>"))) << "shown as typed";
  EXPECT_EQ(frm->findChild<QLabel *>("Label6")->text(), "P1 - Entrada");
  const settings::RegistroPrincipal stored = [&] {
    settings::RegistroPrincipal r;
    settings::decode(testsupport::readFile(home.filePath("zeltron.sys")), r);
    return r;
  }();
  EXPECT_EQ(stored, station->registro);

  punch("123"); // 10:30: outside the new window
  EXPECT_TRUE(monthly().isEmpty());
  fakes.clock.current.setTime(QTime(11, 15, 0));
  QTest::keyClick(input(), Qt::Key_F9);
  punch("123");
  fakes.clock.current.setTime(QTime(12, 0, 30));
  punch("123");
  EXPECT_EQ(monthly(), QByteArray("0042;123;05/03/2024;11:15;0009;X\r\n"
                                  "0042;123;05/03/2024;12:00;P1;X\r\n"));
}

// Fingerprint mode to keyboard: the field is shown and takes the focus.
TEST_F(Toolbar, SwitchingToTheKeyboard) {
  reg.rb_biometria = "DIGITALPERSONA";
  makeTemplateFile();
  start();
  ASSERT_TRUE(ident()->isVisible());
  ASSERT_FALSE(input()->isVisible());
  fakes.messages.shown.clear();
  confirmSettings([](QDialog *d) { d->findChild<QRadioButton *>("rb_biometria_1")->click(); });
  click("lb_config");
  EXPECT_EQ(station->registro.rb_biometria, "NENHUM");
  EXPECT_FALSE(ident()->isVisible());
  EXPECT_TRUE(input()->isVisible());
  EXPECT_EQ(frm->focusWidget(), input());
  punch("123");
  EXPECT_EQ(monthly(), QByteArray("0042;123;05/03/2024;10:30;0001;1\r\n"));
}

// Closing the registry in fingerprint mode starts identification again,
// with the check of the template file; in keyboard mode it stays stopped.
TEST_F(Toolbar, ClosingTheRegistryRestartsIdentification) {
  reg.rb_biometria = "DIGITALPERSONA";
  makeTemplateFile();
  start();
  auto *ctrl = frm->findChild<controls::CtrlIdentificar *>("ctrlIdentificar1");
  ASSERT_EQ(ctrl->NumeroMinimoPontos(), 10);
  fakes.messages.shown.clear();

  station->abridores.cadastro = [&](QWidget *) { ctrl->setNumeroMinimoPontos(3); };
  click("SpeedButton2");
  EXPECT_EQ(ctrl->NumeroMinimoPontos(), 10) << "ativaDigitalPersona ran again";
  EXPECT_TRUE(ctrl->isVisible());
  EXPECT_TRUE(fakes.messages.shown.isEmpty()) << fakes.messages.shown.join("|").toStdString();

  // The registry took the template file away: the check says where it is missing.
  station->abridores.cadastro = [&](QWidget *) {
    ctrl->setNumeroMinimoPontos(3);
    QFile::remove(home.filePath("biometrica.mdb"));
  };
  click("SpeedButton2");
  EXPECT_EQ(fakes.messages.shown,
            QStringList{u("Arquivo de Dados Biometricos Não Localizados em:\r") + station->registro.pastabio});
  EXPECT_EQ(ctrl->NumeroMinimoPontos(), 3) << "not started without its file";
  EXPECT_TRUE(ctrl->isVisible());
}

// A toolbar click that arrives while a punch sequence shows its employee
// waits for the sequence to end.
TEST_F(Toolbar, AClickDuringAPunchWaitsForIt) {
  start();
  QStringList order;
  int waits = 0;
  fakes.waits.during = [&] {
    order << "wait";
    if (waits++ == 0) click("lb_config");
    EXPECT_TRUE(opened.isEmpty()) << "no screen in the middle of a punch";
  };
  onModal("frm_config", [&](QDialog *d) {
    order << "settings";
    d->findChild<QToolButton *>("bt_sair")->click();
  });
  punch("123");
  EXPECT_EQ(order, (QStringList{"wait", "settings"}));
  EXPECT_EQ(monthly().count('\n'), 1);
}

TEST_F(Toolbar, TheAboutScreen) {
  start();
  QString text;
  onModal("frm_sobre", [&](QDialog *d) {
    text = d->findChild<QLabel *>("texto")->text();
    d->findChild<QPushButton *>("bt_fechar")->click();
  });
  frm->findChild<QCheckBox *>("CheckBox1")->setFocus();
  click("SpeedButton14");
  EXPECT_EQ(opened, QStringList{"frm_sobre"});
  for (const char *part : {"Versão 0.1", "Qt 6", "LGPL", "SQLite", "libjpeg", "libfprint", "Dactilox", "Vistrel"})
    EXPECT_TRUE(text.contains(u(part))) << part;
  EXPECT_EQ(frm->focusWidget(), input());
}

// The help: a "Zeltron.CHM" of the home folder wins over the help we ship; a
// viewer that cannot open it is not silence.
TEST_F(Toolbar, TheHelp) {
  start();
  click("SpeedButton3");
  ASSERT_EQ(documents.size(), 1);
  EXPECT_TRUE(documents[0].endsWith("share/talvenox/Zeltron-Ajuda.html")) << documents[0].toStdString();
  EXPECT_TRUE(QFileInfo(documents[0]).isFile());
  const QByteArray help = testsupport::readFile(documents[0]);
  for (const char *topic : {"Marcar o ponto", "Liberação pelo supervisor", "Cadastro de usuários", "digitais",
                            "Configurações", "Layout do arquivo de exportação"})
    EXPECT_TRUE(help.contains(topic)) << topic;

  ASSERT_TRUE(testsupport::writeFile(home.filePath("Zeltron.CHM"), "chm"));
  click("SpeedButton3");
  EXPECT_EQ(documents.value(1), home.filePath("Zeltron.CHM"));
  EXPECT_TRUE(fakes.messages.shown.isEmpty());

  documentOpens = false;
  click("SpeedButton3");
  EXPECT_EQ(fakes.messages.shown, QStringList{u("Não Foi Possível Abrir a Ajuda:\r") + home.filePath("Zeltron.CHM")});
}

TEST_F(Toolbar, ExitClosesTheScreenAndSavesTheSettings) {
  start();
  station->registro.w_pontocoleta = "9";
  QFile::remove(home.filePath("zeltron.sys"));
  click("SpeedButton4");
  EXPECT_FALSE(frm->isVisible());
  EXPECT_FALSE(station->tb_biometria.isOpen());
  settings::RegistroPrincipal back;
  ASSERT_TRUE(settings::decode(testsupport::readFile(home.filePath("zeltron.sys")), back));
  EXPECT_EQ(back.w_pontocoleta, "9");
}
