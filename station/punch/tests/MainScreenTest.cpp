#include "punch/Tfrm_principal.h"

#include "settings/SettingsStore.h"
#include "testsupport/FakeServices.h"

#include "testsupport/Files.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace punch;

class MainScreenTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(home.isValid());
    // No control library installed unless a test puts one there.
    qputenv("TALVENOX_SYSTEM_DIR", systemDir.path().toUtf8());
    fakes.clock.current = QDateTime(QDate(2024, 3, 5), QTime(10, 30, 0)); // a Tuesday
  }
  void TearDown() override { qunsetenv("TALVENOX_SYSTEM_DIR"); }

  // A station whose settings file, if any, was written before start-up.
  std::unique_ptr<Station> makeStation() {
    return std::make_unique<Station>(paths::StationPaths(home.path()), fakes.services());
  }
  void writeSettings(const settings::RegistroPrincipal &r) {
    ASSERT_TRUE(settings::gravaconfiguracao(home.filePath("zeltron.sys"), r));
  }
  // Settings with native folders inside the home, so tests see their files.
  settings::RegistroPrincipal nativeDefaults() {
    settings::RegistroPrincipal r;
    settings::defaultColours(r);
    settings::configuracaopadrao(r, "NENHUM");
    r.PastaDados = r.pastabio = r.PastaExp = home.path() + "/";
    return r;
  }
  template <class T> T *child(QWidget &w, const char *name) {
    T *c = w.findChild<T *>(name);
    EXPECT_NE(c, nullptr) << name;
    return c;
  }

  QTemporaryDir home;
  QTemporaryDir systemDir;
  testsupport::FakeServices fakes;
};

TEST_F(MainScreenTest, FirstStartOnAnEmptyHomeRunsOnDefaults) {
  auto station = makeStation();
  Tfrm_principal frm(*station);
  frm.show();
  frm.iniciar();

  EXPECT_TRUE(fakes.messages.shown.isEmpty()) << fakes.messages.shown.join("|").toStdString();
  EXPECT_EQ(frm.windowTitle(), QString::fromUtf8("ZELTRON - Gerador de Marcações Com Suporte Biometrico"));
  EXPECT_EQ(frm.size(), QSize(792, 545));
  // The default data folder was made and holds a new, empty table.
  const QString data = home.filePath("drive_c/halvorsten/zeltron/");
  EXPECT_TRUE(QFile::exists(data + "zeltron.db"));
  EXPECT_TRUE(station->tb_biometria.isOpen());
  EXPECT_TRUE(station->tb_biometria.isEmpty());
  EXPECT_FALSE(QFile::exists(home.filePath("zeltron.sys"))) << "written only when the screen closes";

  EXPECT_EQ(child<QLabel>(frm, "Label6")->text(), QString::fromUtf8("0001 - Marcação de Ponto"));
  EXPECT_EQ(child<QLabel>(frm, "label3")->text(), "10:30:00");
  EXPECT_EQ(child<QLabel>(frm, "Label11")->text(), QString::fromUtf8("TERÇA  -  05/03/2024"));
  EXPECT_TRUE(child<QLineEdit>(frm, "t_manual")->isVisible());
  EXPECT_FALSE(child<QWidget>(frm, "ctrlIdentificar1")->isVisible());
  EXPECT_FALSE(child<QWidget>(frm, "Panel2")->isVisible());
  EXPECT_FALSE(child<QLabel>(frm, "Label10")->isVisible());
  EXPECT_TRUE(child<QTimer>(frm, "Timer1")->isActive());
  EXPECT_TRUE(child<QPushButton>(frm, "bt_1")->isVisible());
  EXPECT_FALSE(child<QPushButton>(frm, "bt_2")->isVisible());
  EXPECT_EQ(child<QPushButton>(frm, "bt_1")->toolTip(), QString::fromUtf8("Marcação de Ponto"));
  EXPECT_EQ(frm.funcaoatual(), "0001");
}

TEST_F(MainScreenTest, FunctionKeysSelectConfiguredFunctionsOnly) {
  settings::RegistroPrincipal r = nativeDefaults();
  r.cod[2] = "0003";
  r.desc[2] = QString::fromUtf8("Saída Almoço");
  r.cod[11] = "12";
  r.desc[11] = "Extra";
  writeSettings(r);
  auto station = makeStation();
  Tfrm_principal frm(*station);
  frm.show();
  frm.iniciar();
  auto *label6 = child<QLabel>(frm, "Label6");
  auto *input = child<QLineEdit>(frm, "t_manual");
  EXPECT_TRUE(child<QPushButton>(frm, "bt_3")->isVisible());
  EXPECT_FALSE(child<QPushButton>(frm, "bt_7")->isVisible());
  EXPECT_TRUE(child<QPushButton>(frm, "bt_12")->isVisible());

  struct Step {
    Qt::Key key;
    const char *wantLabel;
    int wantMessages;
  } steps[] = {
      {Qt::Key_F3, "0003 - Saída Almoço", 0},
      {Qt::Key_F7, "0003 - Saída Almoço", 1}, // hidden button: message, selection kept
      {Qt::Key_F12, "12 - Extra", 1},
      {Qt::Key_F2, "12 - Extra", 2},
      {Qt::Key_F1, "0001 - Marcação de Ponto", 2},
  };
  for (const Step &s : steps) {
    QTest::keyClick(input, s.key);
    EXPECT_EQ(label6->text(), QString::fromUtf8(s.wantLabel)) << s.key;
    EXPECT_EQ(fakes.messages.shown.size(), s.wantMessages) << s.key;
  }
  EXPECT_EQ(fakes.messages.shown.value(0), QString::fromUtf8("Função Não Cadastrada!"));
  EXPECT_TRUE(input->text().isEmpty()) << "function keys are not typed into the field";
  // A click on a button does the same as its key.
  child<QPushButton>(frm, "bt_3")->click();
  EXPECT_EQ(frm.funcaoatual(), "0003");
}

TEST_F(MainScreenTest, ClosingWritesTheSettingsAndClosesTheTable) {
  settings::RegistroPrincipal r = nativeDefaults();
  r.reservado[3] = "abc";
  writeSettings(r);
  auto station = makeStation();
  {
    Tfrm_principal frm(*station);
    frm.show();
    frm.iniciar();
    station->registro.w_pontocoleta = "7";
    QFile::remove(home.filePath("zeltron.sys"));
    EXPECT_TRUE(frm.close());
    EXPECT_FALSE(station->tb_biometria.isOpen());
  }
  const QByteArray file = testsupport::readFile(home.filePath("zeltron.sys"));
  ASSERT_EQ(file.size(), 2668);
  settings::RegistroPrincipal back;
  ASSERT_TRUE(settings::decode(file, back));
  EXPECT_EQ(back.w_pontocoleta, "7");
  EXPECT_EQ(back.reservado[3], "abc");
  EXPECT_EQ(back, station->registro);
}

TEST_F(MainScreenTest, ClosingBeforeStartUpKeepsTheStoredSettings) {
  settings::RegistroPrincipal r = nativeDefaults();
  writeSettings(r);
  const QByteArray before = testsupport::readFile(home.filePath("zeltron.sys"));
  auto station = makeStation();
  {
    Tfrm_principal frm(*station);
    frm.close();
  }
  EXPECT_EQ(testsupport::readFile(home.filePath("zeltron.sys")), before);
}

TEST_F(MainScreenTest, ABadTableFileStopsStartUpWithItsMessageAndIsLeftAlone) {
  settings::RegistroPrincipal r = nativeDefaults();
  writeSettings(r);
  QFile bad(home.filePath("zeltron.db"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write(QByteArray(1000, '\x7f'));
  bad.close();
  auto station = makeStation();
  Tfrm_principal frm(*station);
  frm.show();
  frm.iniciar();
  ASSERT_EQ(fakes.messages.shown.size(), 1);
  EXPECT_TRUE(fakes.messages.shown[0].contains("not a database")) << fakes.messages.shown[0].toStdString();
  EXPECT_FALSE(child<QTimer>(frm, "Timer1")->isActive());
  EXPECT_FALSE(child<QLineEdit>(frm, "t_manual")->isVisible());
  EXPECT_EQ(testsupport::readFile(home.filePath("zeltron.db")), QByteArray(1000, '\x7f'));
}

TEST_F(MainScreenTest, TheDateLineFollowsMidnight) {
  fakes.clock.current = QDateTime(QDate(2024, 3, 5), QTime(23, 59, 59));
  writeSettings(nativeDefaults());
  auto station = makeStation();
  Tfrm_principal frm(*station);
  frm.show();
  frm.iniciar();
  auto *date = child<QLabel>(frm, "Label11");
  EXPECT_EQ(date->text(), QString::fromUtf8("TERÇA  -  05/03/2024"));
  fakes.clock.current = QDateTime(QDate(2024, 3, 6), QTime(0, 0, 0));
  frm.tick();
  EXPECT_EQ(child<QLabel>(frm, "label3")->text(), "00:00:00");
  EXPECT_EQ(date->text(), "QUARTA  -  06/03/2024");
  fakes.clock.current = QDateTime(QDate(2024, 3, 10), QTime(8, 0, 0));
  frm.tick();
  EXPECT_EQ(date->text(), "DOMINGO  -  10/03/2024");
}

TEST_F(MainScreenTest, InstalledControlLibraryShowsTheFingerprintPlace) {
  QFile lib(QDir(systemDir.path()).filePath("libdactilox.so"));
  ASSERT_TRUE(lib.open(QIODevice::WriteOnly));
  lib.close();
  auto station = makeStation();
  Tfrm_principal frm(*station);
  frm.show();
  frm.iniciar();
  EXPECT_EQ(station->registro.rb_biometria, "DIGITALPERSONA");
  EXPECT_TRUE(child<QWidget>(frm, "ctrlIdentificar1")->isVisible());
  EXPECT_FALSE(child<QLineEdit>(frm, "t_manual")->isVisible());
}

TEST_F(MainScreenTest, FingerprintModeMakesTheTemplateDatabaseOnItsFirstStart) {
  struct Case {
    const char *name;
    bool folderExists;
  };
  for (const Case c : {Case{"default folder", true}, Case{"folder missing", false}}) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    settings::RegistroPrincipal r = nativeDefaults();
    r.rb_biometria = "DIGITALPERSONA";
    r.pastabio = c.folderExists ? QStringLiteral("c:\\halvorsten\\zeltron\\") : dir.filePath("nada/");
    writeSettings(r);
    fakes.messages.shown.clear();
    auto station = makeStation();
    Tfrm_principal frm(*station);
    frm.show();
    frm.iniciar();
    const QString file = c.folderExists ? home.filePath("drive_c/halvorsten/zeltron/biometrica.mdb")
                                        : dir.filePath("nada/biometrica.mdb");
    if (!c.folderExists) {
      EXPECT_EQ(fakes.messages.shown,
                QStringList{QString::fromUtf8("Arquivo de Dados Biometricos Não Localizados em:") + "\r" + r.pastabio});
      EXPECT_FALSE(QFile::exists(file));
      continue;
    }
    EXPECT_TRUE(fakes.messages.shown.isEmpty()) << fakes.messages.shown.join("|").toStdString();
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bio");
    db.setDatabaseName(file);
    ASSERT_TRUE(QFile::exists(file));
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    QStringList columns;
    for (const char *table : {"tblBiometrica", "tblBiometricaUpdate"}) {
      ASSERT_TRUE(q.exec(QStringLiteral("SELECT lower(name) FROM pragma_table_info('%1') ORDER BY 1").arg(table)));
      while (q.next()) columns << q.value(0).toString();
    }
    EXPECT_EQ(columns, (QStringList{"biofeatures", "biosize", "codusuario", "indicededo", "codusuario", "indicededo",
                                    "ponto"}));
    q = QSqlQuery();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("bio");
    frm.close();
  }
}

// Several stations: run by station_pg_test on a throwaway server.
TEST_F(MainScreenTest, ServerUrisNameTheSharedTables) {
  const QString uri = qEnvironmentVariable("TALVENOX_TEST_PG");
  if (uri.isEmpty()) GTEST_SKIP() << "needs the PostgreSQL run (TALVENOX_TEST_PG)";
  settings::RegistroPrincipal r = nativeDefaults();
  r.rb_biometria = "DIGITALPERSONA";
  r.pastabio = r.PastaDados = uri;
  r.w_pontocoleta = "3";
  writeSettings(r);
  {
    auto station = makeStation();
    Tfrm_principal frm(*station);
    frm.show();
    frm.iniciar();
    EXPECT_TRUE(fakes.messages.shown.isEmpty()) << fakes.messages.shown.join("|").toStdString();
    EXPECT_TRUE(station->tb_biometria.isOpen());
    ASSERT_TRUE(station->tb_biometria.insert() && station->tb_biometria.setValue("Codigo", "0042") &&
                station->tb_biometria.post())
        << station->tb_biometria.errorString().toStdString();
    frm.close();
  }
  QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "server");
  db.setDatabaseName("talvenox");
  db.setHostName(qEnvironmentVariable("PGHOST"));
  db.setUserName("talvenox");
  ASSERT_TRUE(db.open());
  QSqlQuery q(db);
  EXPECT_TRUE(q.exec("SELECT Ponto FROM tblPontos") && q.next() && q.value(0).toInt() == 3);
  EXPECT_TRUE(q.exec("SELECT count(*) FROM tblBiometrica") && q.next()) << "the template tables exist";
  EXPECT_TRUE(q.exec("SELECT Codigo FROM zeltron") && q.next() && q.value(0).toString() == "0042");
  q = QSqlQuery();
  db.close();
  db = QSqlDatabase();
  QSqlDatabase::removeDatabase("server");

  // A server that does not answer: one message, and no fingerprint mode.
  r.pastabio = "postgresql:///talvenox?host=/nonexistent&connect_timeout=2";
  r.PastaDados = home.path() + "/";
  writeSettings(r);
  fakes.messages.shown.clear();
  auto station = makeStation();
  Tfrm_principal frm(*station);
  frm.show();
  frm.iniciar();
  ASSERT_EQ(fakes.messages.shown.size(), 1);
  EXPECT_TRUE(fakes.messages.shown[0].startsWith(QString::fromUtf8("Erro ao conectar com a base de dados biométrica:\r")))
      << fakes.messages.shown[0].toStdString();
}

TEST_F(MainScreenTest, ColoursComeFromTheSlots) {
  settings::RegistroPrincipal r = nativeDefaults();
  r.cores[settings::corbotao] = "$0000FF"; // red
  r.cores[settings::correlogio] = "clNavy";
  writeSettings(r);
  auto station = makeStation();
  Tfrm_principal frm(*station);
  frm.show();
  frm.iniciar();
  EXPECT_EQ(child<QWidget>(frm, "Panel1")->palette().color(QPalette::Window), QColor(255, 0, 0));
  EXPECT_EQ(child<QLabel>(frm, "label3")->palette().color(QPalette::Window), QColor(0, 0, 128));
  EXPECT_EQ(child<QLabel>(frm, "Label6")->palette().color(QPalette::WindowText), QColor(0, 255, 0));
  EXPECT_EQ(child<QWidget>(frm, "Panel2")->palette().color(QPalette::Window), QColor(0xAA, 0xDD, 0xFF));
  EXPECT_TRUE(fakes.messages.shown.isEmpty());

  station->registro.cores[settings::corpadrao] = "clNoSuchColour";
  EXPECT_FALSE(frm.atualizacores());
  EXPECT_EQ(fakes.messages.shown.size(), 1);
}
