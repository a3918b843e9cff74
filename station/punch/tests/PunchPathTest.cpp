// The keyboard punch driven through the real main screen, from Enter to the
// three files.
#include "punch/Tfrm_principal.h"

#include "controls/ctrl_identificar.h"
#include "settings/SettingsStore.h"
#include "testsupport/FakeServices.h"

#include "testsupport/Files.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace punch;

namespace {

struct Employee {
  QString codigo, empresa, nome;
  QString bloqueado = "N", motivo = {};
  QDate nascimento = {};
  QString e1 = {}, s1 = {}, tuesday = {};
};

} // namespace

class PunchPath : public ::testing::Test {
protected:
  void SetUp() override {
    qputenv("TALVENOX_SYSTEM_DIR", home.path().toUtf8());
    settings::defaultColours(reg);
    settings::configuracaopadrao(reg, "NENHUM");
    reg.PastaDados = reg.pastabio = home.path() + "/";
    reg.PastaExp = home.path() + "/export/";
    QDir().mkpath(reg.PastaExp);
    fakes.clock.current = QDateTime(QDate(2024, 3, 5), QTime(10, 30, 45)); // a Tuesday
    add({"123", "0042", QString::fromUtf8("José Conceição")});
  }
  void TearDown() override {
    frm.reset();
    station.reset();
    qunsetenv("TALVENOX_SYSTEM_DIR");
  }

  void add(const Employee &e) {
    registry::EmployeeTable t;
    ASSERT_TRUE(t.open(home.filePath("zeltron.db")));
    ASSERT_TRUE(t.insert());
    t.setValue("codigo", e.codigo);
    t.setValue("empresa", e.empresa);
    t.setValue("nome", e.nome);
    t.setValue("bloqueado", e.bloqueado);
    t.setValue("motivobloq", e.motivo);
    t.setValue("nascimento", e.nascimento);
    t.setValue("e1", e.e1);
    t.setValue("s1", e.s1);
    t.setValue("ter", e.tuesday);
    ASSERT_TRUE(t.post()) << t.errorString().toStdString();
  }

  // Writes the settings and starts the screen on them.
  void startScreen() {
    ASSERT_TRUE(settings::gravaconfiguracao(home.filePath("zeltron.sys"), reg));
    station = std::make_unique<Station>(paths::StationPaths(home.path()), fakes.services());
    frm = std::make_unique<Tfrm_principal>(*station);
    frm->show();
    frm->iniciar();
  }
  // The same, for a start-up that shows no message.
  void start() {
    startScreen();
    ASSERT_TRUE(fakes.messages.shown.isEmpty()) << fakes.messages.shown.join("|").toStdString();
  }

  void punch(const QString &code) {
    auto *input = frm->findChild<QLineEdit *>("t_manual");
    QTest::keyClicks(input, code);
    QTest::keyClick(input, Qt::Key_Return);
  }

  // Answers the release dialog as soon as it opens.
  void answerRelease(const QString &password, const QString &length = QString(), bool abandon = false) {
    auto *poll = new QTimer(frm.get());
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [=, this] {
      auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
      if (!dialog || dialog->objectName() != "frm_libera") return;
      poll->stop();
      poll->deleteLater();
      ++dialogsAnswered;
      if (!length.isNull()) dialog->findChild<QLineEdit *>("Edit2")->setText(length);
      if (abandon) {
        dialog->findChild<QToolButton *>("SpeedButton4")->click();
      } else {
        QTest::keyClicks(dialog->findChild<QLineEdit *>("Edit1"), password);
        dialog->findChild<QToolButton *>("bt_confirma")->click();
      }
    });
    poll->start();
  }

  QString exportFile() const { return reg.PastaExp + "TX0042202403051.TXT"; }
  QByteArray monthly() const { return testsupport::readFile(home.filePath("zeltron_202403.txt")); }
  QByteArray online() const { return testsupport::readFile(home.filePath("zeltron_OnLine.txt")); }
  QStringList soundNames() const {
    QStringList names;
    for (const QString &p : fakes.sounds.played) names << QFileInfo(p).fileName();
    return names;
  }
  QLabel *label(const char *name) { return frm->findChild<QLabel *>(name); }

  QTemporaryDir home;
  settings::RegistroPrincipal reg;
  testsupport::FakeServices fakes;
  std::unique_ptr<Station> station;
  std::unique_ptr<Tfrm_principal> frm;
  int dialogsAnswered = 0;
};

TEST_F(PunchPath, AdmittedPunchWritesTheThreeFilesByteForByte) {
  start();
  QStringList panelDuringWait;
  fakes.waits.during = [&] {
    if (frm->findChild<QWidget *>("Panel2")->isVisible()) panelDuringWait << label("nome")->text();
    // The line is written after the 3-second display.
    fakes.clock.current = fakes.clock.current.addSecs(3);
  };
  punch("123");

  EXPECT_EQ(panelDuringWait, QStringList{QString::fromUtf8("José Conceição")});
  EXPECT_FALSE(frm->findChild<QWidget *>("Panel2")->isVisible());
  EXPECT_EQ(soundNames(), QStringList{"ok.wav"});
  const QByteArray line = "0042;123;05/03/2024;10:30;0001;1\r\n";
  EXPECT_EQ(testsupport::readFile(exportFile()), line);
  EXPECT_EQ(monthly(), line);
  EXPECT_EQ(online(), QByteArray("123;0001\r\n"));
  EXPECT_TRUE(fakes.messages.shown.isEmpty()) << fakes.messages.shown.join("|").toStdString();

  // The clock shows the function for one tick, then the time again.
  EXPECT_EQ(label("label3")->text(), QString::fromUtf8("Marcação de Ponto"));
  EXPECT_EQ(label("label3")->font().pointSize(), 12);
  frm->tick();
  EXPECT_EQ(label("label3")->text(), "10:30:48");
  EXPECT_EQ(label("label3")->font().pointSize(), 48);

  EXPECT_TRUE(frm->findChild<QLineEdit *>("t_manual")->text().isEmpty());
  EXPECT_TRUE(frm->findChild<QLineEdit *>("wid")->text().isEmpty());
  EXPECT_EQ(station->registro.w_codemp, "0001") << "the default company stays the default";
}

TEST_F(PunchPath, FunctionKeyHoldsForOnePunch) {
  reg.cod[2] = "0003";
  reg.desc[2] = "Almoço";
  start();
  QTest::keyClick(frm->findChild<QLineEdit *>("t_manual"), Qt::Key_F3);
  punch("123");
  punch("123");
  EXPECT_EQ(monthly(), QByteArray("0042;123;05/03/2024;10:30;0003;1\r\n"
                                  "0042;123;05/03/2024;10:30;0001;1\r\n"));
  EXPECT_EQ(label("Label6")->text(), QString::fromUtf8("0001 - Marcação de Ponto"));
}

TEST_F(PunchPath, BirthdayGreeting) {
  add({"9", "0001", "Ana", "N", "", QDate(1990, 3, 5)});
  start();
  bool bannerShown = false;
  fakes.waits.during = [&] { bannerShown |= frm->findChild<QWidget *>("Panel4")->isVisible(); };
  punch("9");
  EXPECT_TRUE(bannerShown);
  EXPECT_FALSE(frm->findChild<QWidget *>("Panel4")->isVisible());
  EXPECT_EQ(soundNames(), QStringList{"pbens.wav"});
}

TEST_F(PunchPath, RefusalsRecordNothing) {
  add({"B", "0001", "Bloqueado", "S", "Falta de documentos"});
  add({"NE", "", "Sem empresa"});
  reg.wi[0] = "08:00";
  reg.wf[0] = "09:00";
  start();
  QStringList excluded;
  frm->excluirUsuario = [&](const QString &code) { excluded << code; };
  QStringList lines;
  fakes.waits.during = [&] {
    auto *l = label("Label10");
    if (l->isVisible()) lines << l->text() + "/" + l->palette().color(QPalette::WindowText).name();
  };

  punch("nobody");
  punch("B");
  punch("123"); // outside hours, CheckBox1 not ticked: no dialog
  EXPECT_EQ(lines, (QStringList{QString::fromUtf8("Usuario Não Identificado (Base Biometrica Verificada)/#ff0000"),
                                "Usuario Bloqueado!\nFalta de documentos/#ffff00",
                                "Usuario Fora do Horario Permitido/#ffff00"}));
  EXPECT_EQ(soundNames(), (QStringList{"erro.wav", "bloq.wav", "bloq.wav"}));
  EXPECT_EQ(excluded, QStringList{"nobody"});
  EXPECT_EQ(dialogsAnswered, 0);
  EXPECT_FALSE(label("Label10")->isVisible());

  reg.wi[0] = "00:00";
  station->registro.wi[0] = "00:00";
  station->registro.wf[0] = "23:59";
  punch("NE");
  EXPECT_EQ(fakes.messages.shown, QStringList{"Empresa Incorreta."});
  punch(""); // an empty code is the not-found case
  EXPECT_EQ(excluded, (QStringList{"nobody", ""}));

  EXPECT_TRUE(QDir(reg.PastaExp).isEmpty());
  EXPECT_TRUE(monthly().isEmpty());
  EXPECT_TRUE(online().isEmpty());
}

TEST_F(PunchPath, SupervisorReleaseOpensAWindowForOthers) {
  add({"456", "0042", "Outro"});
  reg.wi[0] = "08:00";
  reg.wf[0] = "09:00";
  reg.wsenhacontrole = "Segredo";
  start();
  auto *check = frm->findChild<QCheckBox *>("CheckBox1");

  // Wrong password: refused.
  check->setChecked(true);
  answerRelease("errado");
  punch("123");
  EXPECT_EQ(dialogsAnswered, 1);
  EXPECT_EQ(fakes.messages.shown, QStringList{QString::fromUtf8("Senha de Liberação Inválida!")});
  EXPECT_FALSE(check->isChecked());
  EXPECT_TRUE(monthly().isEmpty());

  // Abandoned dialog: refused the same way.
  check->setChecked(true);
  answerRelease({}, {}, true);
  punch("123");
  EXPECT_EQ(fakes.messages.shown.size(), 2);
  EXPECT_TRUE(monthly().isEmpty());

  // The password in other letter case, "00:01" granted at 10:30:45.
  check->setChecked(true);
  answerRelease("SEGREDO", "00:01");
  punch("123");
  EXPECT_EQ(dialogsAnswered, 3);
  EXPECT_EQ(fakes.messages.shown.size(), 2);
  EXPECT_FALSE(check->isChecked());

  // Another employee inside the window needs no dialog, until 10:31:00.
  fakes.clock.current = QDateTime(QDate(2024, 3, 5), QTime(10, 31, 0));
  punch("456");
  fakes.clock.current = QDateTime(QDate(2024, 3, 5), QTime(10, 31, 1));
  punch("456");
  EXPECT_EQ(dialogsAnswered, 3);
  EXPECT_EQ(monthly(), QByteArray("0042;123;05/03/2024;10:30;0001;1\r\n"
                                  "0042;456;05/03/2024;10:31;0001;1\r\n"));

  // A length that is no time gives fifteen minutes.
  check->setChecked(true);
  answerRelease("segredo", "meia hora");
  punch("123");
  fakes.clock.current = QDateTime(QDate(2024, 3, 5), QTime(10, 46, 0));
  punch("456");
  fakes.clock.current = QDateTime(QDate(2024, 3, 5), QTime(10, 46, 1));
  punch("456");
  EXPECT_EQ(monthly().count('\n'), 4);
}

TEST_F(PunchPath, BlockedEmployeeIsRefusedInsideAnOpenReleaseWindow) {
  add({"B", "0001", "Bloqueado", "S", "Motivo"});
  reg.wi[0] = "08:00";
  reg.wf[0] = "09:00";
  reg.wsenhacontrole = "x";
  start();
  frm->findChild<QCheckBox *>("CheckBox1")->setChecked(true);
  answerRelease("x");
  punch("123");
  ASSERT_EQ(monthly().count('\n'), 1);
  punch("B");
  EXPECT_EQ(monthly().count('\n'), 1);
  EXPECT_EQ(dialogsAnswered, 1);
}

TEST_F(PunchPath, MissingFunctionOneAndMissingExportFolder) {
  reg.cod[0].clear();
  reg.PastaExp = home.path() + "/gone/";
  start();
  QStringList lines;
  fakes.waits.during = [&] { lines << label("Label10")->text(); };
  punch("123");
  EXPECT_EQ(lines, QStringList{QString::fromUtf8("Função Padrão Não Está Configurada. Verifique!")});
  EXPECT_EQ(soundNames(), QStringList{"bloq.wav"});

  // The field keeps what was typed; the employee types the code again.
  EXPECT_EQ(frm->findChild<QLineEdit *>("t_manual")->text(), "123");
  frm->findChild<QLineEdit *>("t_manual")->clear();
  station->registro.cod[0] = "0001";
  punch("123");
  ASSERT_EQ(fakes.messages.shown.size(), 1);
  EXPECT_TRUE(fakes.messages.shown[0].contains("gone")) << fakes.messages.shown[0].toStdString();
  EXPECT_TRUE(monthly().isEmpty());
  EXPECT_TRUE(online().isEmpty());
}

TEST_F(PunchPath, AnIndividualScheduleLeavesTheGeneralOneAlone) {
  // This employee may punch on Tuesdays from 08:00 to 09:00 only.
  add({"ind", "0042", "Individual", "N", "", QDate(), "08:00", "09:00", "S"});
  reg.wi[0] = "10:00";
  reg.wf[0] = "11:00";
  // No settings file: the first start runs on defaults.
  start();
  QFile::remove(home.filePath("zeltron.sys"));
  station->registro.wi[0] = "10:00";
  station->registro.wf[0] = "11:00";
  const settings::RegistroPrincipal before = station->registro;
  punch("ind");
  EXPECT_EQ(station->registro, before);
  punch("123");
  EXPECT_EQ(monthly(), QByteArray("0042;123;05/03/2024;10:30;0001;1\r\n"));
}

TEST_F(PunchPath, FingerprintModeNeedsTheTemplateFile) {
  reg.rb_biometria = "DIGITALPERSONA";
  reg.pastabio = home.path() + "/bio";
  startScreen();
  EXPECT_EQ(fakes.messages.shown,
            QStringList{QString::fromUtf8("Arquivo de Dados Biometricos Não Localizados em:\r") + reg.pastabio});
  auto *ctrl = frm->findChild<controls::CtrlIdentificar *>("ctrlIdentificar1");
  ASSERT_NE(ctrl, nullptr);
  EXPECT_TRUE(ctrl->isVisible());
  EXPECT_FALSE(frm->findChild<QLineEdit *>("t_manual")->isVisible());
  EXPECT_NE(ctrl->NumeroMinimoPontos(), 10) << "the control was not configured";
}

TEST_F(PunchPath, IdentificationEventsRunThePunch) {
  reg.rb_biometria = "DIGITALPERSONA";
  QFile mdb(home.filePath("biometrica.mdb"));
  ASSERT_TRUE(mdb.open(QIODevice::WriteOnly));
  mdb.close();
  startScreen();
  auto *ctrl = frm->findChild<controls::CtrlIdentificar *>("ctrlIdentificar1");
  ASSERT_NE(ctrl, nullptr);
  EXPECT_EQ(ctrl->NumeroMinimoPontos(), 10);
  EXPECT_EQ(label("Label6")->text(), QString::fromUtf8("0001 - Marcação de Ponto"));
  fakes.messages.shown.clear(); // whatever the controls said while starting without an engine

  emit ctrl->UsuarioIdentificado(0, "123", 0);
  EXPECT_EQ(online(), QByteArray("123;0001\r\n"));
  EXPECT_EQ(monthly(), QByteArray("0042;123;05/03/2024;10:30;0001;1\r\n"));

  QStringList lines;
  fakes.waits.during = [&] { lines << label("Label10")->text(); };
  emit ctrl->UsuarioIdentificado(0, "0", 0);
  EXPECT_EQ(lines, QStringList{QString::fromUtf8("Usuario Não Cadastrado")});
  EXPECT_EQ(soundNames().last(), "erro.wav");

  emit ctrl->MinuciasEncontradas(10);
  EXPECT_TRUE(fakes.messages.shown.isEmpty());
  emit ctrl->MinuciasEncontradas(9);
  ASSERT_EQ(fakes.messages.shown.size(), 1);
  const QString blanks(20, ' ');
  EXPECT_EQ(fakes.messages.shown[0], QString::fromUtf8("A  T  E  N  Ç  Ã  O  !") + QString(8, '\r') + blanks +
                                         "COLOQUE O DEDO NOVAMENTE \r" + blanks +
                                         "O NUMERO DE PONTOS BIOMETRICOS (9)\r" + blanks +
                                         "ESTA ABAIXO DO MINIMO ESPERADO (10)" + QString(8, '\r'));

  // An empty employee table gets its own message.
  station->tb_biometria.findKey("123");
  station->tb_biometria.remove();
  lines.clear();
  emit ctrl->UsuarioIdentificado(0, "0", 0);
  EXPECT_EQ(lines, QStringList{"BASE DE DADOS VAZIA. Cadastre Algum Usuario!"});

  // Without function 1 nothing is processed.
  station->registro.cod[0].clear();
  lines.clear();
  emit ctrl->UsuarioIdentificado(0, "123", 0);
  EXPECT_EQ(lines, QStringList{QString::fromUtf8("Função Padrão Não Está Configurada. Verifique!")});
  EXPECT_EQ(monthly().count('\n'), 1);
}

namespace {

// Holds the employee table locked for writing, as another program would.
class TableLock {
public:
  explicit TableLock(const QString &path) {
    db = QSqlDatabase::addDatabase("QSQLITE", "other-program");
    db.setDatabaseName(path);
    ok = db.open() && QSqlQuery(db).exec("BEGIN EXCLUSIVE") &&
         QSqlQuery(db).exec("UPDATE zeltron SET obs = obs");
  }
  ~TableLock() {
    QSqlQuery(db).exec("ROLLBACK");
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("other-program");
  }
  bool ok = false;

private:
  QSqlDatabase db;
};

} // namespace

// A lookup that fails is not an unknown employee: the table layer's text is
// shown, nothing is recorded and no fingerprint is deleted.
TEST_F(PunchPath, AnUnreadableTableIsNeitherUnknownNorEmpty) {
  reg.rb_biometria = "DIGITALPERSONA";
  QFile mdb(home.filePath("biometrica.mdb"));
  ASSERT_TRUE(mdb.open(QIODevice::WriteOnly));
  mdb.close();
  startScreen();
  auto *ctrl = frm->findChild<controls::CtrlIdentificar *>("ctrlIdentificar1");
  ASSERT_NE(ctrl, nullptr);
  QStringList excluded;
  frm->excluirUsuario = [&](const QString &code) { excluded << code; };
  QStringList lines;
  fakes.waits.during = [&] { lines << label("Label10")->text(); };
  fakes.messages.shown.clear();
  {
    TableLock lock(home.filePath("zeltron.db"));
    ASSERT_TRUE(lock.ok);
    emit ctrl->UsuarioIdentificado(0, "123", 0);
    emit ctrl->UsuarioIdentificado(0, "0", 0);
  }
  ASSERT_EQ(fakes.messages.shown.size(), 2);
  for (const QString &m : fakes.messages.shown) EXPECT_TRUE(m.contains("locked")) << m.toStdString();
  EXPECT_TRUE(lines.isEmpty()) << lines.join("|").toStdString();
  EXPECT_TRUE(excluded.isEmpty());
  EXPECT_TRUE(monthly().isEmpty());

  // Once the other program lets go, the same touch punches.
  emit ctrl->UsuarioIdentificado(0, "123", 0);
  EXPECT_EQ(monthly(), QByteArray("0042;123;05/03/2024;10:30;0001;1\r\n"));
}

// Identifications and Enters that arrive while a sequence shows a dialog, a
// message box or its display run after it, in order; none is lost and none
// takes over the one in progress.
TEST_F(PunchPath, EventsArrivingDuringASequenceRunAfterItInOrder) {
  add({"456", "0042", "Outro"});
  add({"789", "0042", "Terceiro"});
  reg.rb_biometria = "DIGITALPERSONA";
  reg.wi[0] = "08:00";
  reg.wf[0] = "09:00";
  reg.wsenhacontrole = "x";
  QFile mdb(home.filePath("biometrica.mdb"));
  ASSERT_TRUE(mdb.open(QIODevice::WriteOnly));
  mdb.close();
  startScreen();
  auto *ctrl = frm->findChild<controls::CtrlIdentificar *>("ctrlIdentificar1");
  ASSERT_NE(ctrl, nullptr);
  fakes.messages.shown.clear();

  // 123 is outside hours: the release dialog opens; 456 touches meanwhile.
  frm->findChild<QCheckBox *>("CheckBox1")->setChecked(true);
  auto *poll = new QTimer(frm.get());
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [&] {
    auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (!dialog) return;
    poll->stop();
    emit ctrl->UsuarioIdentificado(0, "456", 0);
    QTest::keyClicks(dialog->findChild<QLineEdit *>("Edit1"), "x");
    dialog->findChild<QToolButton *>("bt_confirma")->click();
  });
  poll->start();
  QStringList shownNames;
  fakes.waits.during = [&] {
    if (label("nome")->isVisible()) shownNames << label("nome")->text();
  };
  emit ctrl->UsuarioIdentificado(0, "123", 0);
  EXPECT_EQ(shownNames, (QStringList{QString::fromUtf8("José Conceição"), "Outro"}));
  EXPECT_EQ(monthly(), QByteArray("0042;123;05/03/2024;10:30;0001;1\r\n"
                                  "0042;456;05/03/2024;10:30;0001;1\r\n"));

  // Two touches during a message box (the minutiae warning).
  fakes.messages.duringShow = [&](const QString &) {
    fakes.messages.duringShow = nullptr;
    emit ctrl->UsuarioIdentificado(0, "789", 0);
    emit ctrl->UsuarioIdentificado(0, "123", 0);
  };
  emit ctrl->MinuciasEncontradas(3);
  EXPECT_EQ(fakes.messages.shown.size(), 1);
  EXPECT_TRUE(monthly().endsWith("0042;789;05/03/2024;10:30;0001;1\r\n"
                                 "0042;123;05/03/2024;10:30;0001;1\r\n"))
      << monthly().toStdString();
}

TEST_F(PunchPath, ASecondEnterDuringTheDisplayWaitsItsTurn) {
  add({"456", "0042", "Outro"});
  start();
  bool typed = false;
  fakes.waits.during = [&] {
    if (typed) return;
    typed = true;
    punch("456");
  };
  punch("123");
  EXPECT_EQ(monthly(), QByteArray("0042;123;05/03/2024;10:30;0001;1\r\n"
                                  "0042;456;05/03/2024;10:30;0001;1\r\n"));
  EXPECT_TRUE(frm->findChild<QLineEdit *>("t_manual")->text().isEmpty());
}

// Stored texts are shown as they are, and the message line leaves the
// keyboard field (and the code typed in it) in view.
TEST_F(PunchPath, StoredTextsArePlainAndTheMessageLineHidesNothing) {
  add({"<b>7</b>", "0042", "<i>Ana</i> &amp; <u>Bia</u>"});
  reg.desc[0] = "<h1>Entrada</h1>";
  start();
  QString shownName;
  fakes.waits.during = [&] {
    if (label("nome")->isVisible()) shownName = label("nome")->text();
  };
  punch("<b>7</b>");
  EXPECT_EQ(shownName, "<i>Ana</i> &amp; <u>Bia</u>");
  for (const char *name : {"nome", "codigo", "obs", "empresa", "Label6", "Label10", "label3"})
    EXPECT_EQ(label(name)->textFormat(), Qt::PlainText) << name;

  auto *input = frm->findChild<QLineEdit *>("t_manual");
  QRect covered;
  fakes.waits.during = [&] { covered = label("Label10")->geometry(); };
  punch("nobody");
  ASSERT_TRUE(covered.isValid());
  EXPECT_FALSE(covered.intersects(input->geometry()));
  auto *ctrl = frm->findChild<QWidget *>("ctrlIdentificar1");
  EXPECT_FALSE(covered.intersects(ctrl->geometry())) << "nor the fingerprint image box";
}

// Fingerprint mode whose control library cannot be loaded says why and takes
// codes by keyboard instead of leaving the station without input.
TEST_F(PunchPath, UnloadableControlsFallBackToTheKeyboard) {
  reg.rb_biometria = "DIGITALPERSONA";
  QFile junk(home.filePath("junk.so"));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("not a library");
  junk.close();
  QFile ini(home.filePath("components.ini"));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  for (const char *clsid : {"{7545D7FA-3BFD-4688-8F75-E12B6CBC5410}", "{A8F8140B-AB14-4AA2-B91C-89AA408E3F58}",
                            "{D1D7ACDB-B491-4350-8D35-E50C34A5AE8C}", "{215BDB56-7C3F-4FCC-9832-3EED65F5889D}"})
    ini.write(QByteArray("[") + clsid + "]\nName=x\nLibrary=" + junk.fileName().toUtf8() + "\n");
  ini.close();
  startScreen();
  ASSERT_EQ(fakes.messages.shown.size(), 1);
  EXPECT_TRUE(fakes.messages.shown[0].startsWith(QString::fromUtf8("Controles biométricos indisponíveis:\r")))
      << fakes.messages.shown[0].toStdString();
  auto *input = frm->findChild<QLineEdit *>("t_manual");
  EXPECT_TRUE(input->isVisible());
  EXPECT_FALSE(frm->findChild<QWidget *>("ctrlIdentificar1")->isVisible());
  punch("123");
  EXPECT_EQ(monthly(), QByteArray("0042;123;05/03/2024;10:30;0001;1\r\n"));
  EXPECT_EQ(station->registro.rb_biometria, "DIGITALPERSONA") << "the setting stays";
}
