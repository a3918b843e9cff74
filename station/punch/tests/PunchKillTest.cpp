// A confirmed punch survives the death of the station right after it.
#include "registry/EmployeeTable.h"
#include "settings/SettingsStore.h"

#include "testsupport/Files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

TEST(PunchKill, LinesAndOnlineFileAreWholeAfterSigkill) {
  QTemporaryDir home;
  settings::RegistroPrincipal r;
  settings::defaultColours(r);
  settings::configuracaopadrao(r, "NENHUM");
  r.PastaDados = r.pastabio = home.path() + "/";
  r.PastaExp = home.path() + "/export/";
  QDir().mkpath(r.PastaExp);
  ASSERT_TRUE(settings::gravaconfiguracao(home.filePath("zeltron.sys"), r));
  {
    registry::EmployeeTable t;
    ASSERT_TRUE(t.open(home.filePath("zeltron.db")));
    ASSERT_TRUE(t.insert() && t.setValue("codigo", "77") && t.setValue("empresa", "0005") && t.post());
  }
  const QString online = home.filePath("zeltron_OnLine.txt");
  // An online file from an earlier punch is replaced, never left missing.
  {
    QFile old(online);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("1;0001\r\n");
  }

  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("TALVENOX_SYSTEM_DIR", home.path());
  p.setProcessEnvironment(env);
  p.start(PUNCH_DRIVER, {"--home", home.path(), "77"});
  ASSERT_TRUE(p.waitForStarted());
  QElapsedTimer t;
  t.start();
  // Kill the moment the new online line is there.
  while (testsupport::readFile(online) != QByteArray("77;0001\r\n")) {
    ASSERT_LT(t.elapsed(), 30000) << p.readAllStandardError().toStdString();
    ASSERT_EQ(testsupport::readFile(online).size() == 0 || testsupport::readFile(online).endsWith("\r\n"), true) << "the online file is whole";
    QThread::usleep(200);
  }
  ::kill(pid_t(p.processId()), SIGKILL);
  ASSERT_TRUE(p.waitForFinished(10000));

  const QDate today = QDate::currentDate();
  const QString exportName = QStringLiteral("TX0005%1%2.TXT").arg(today.toString("yyyyMMdd"), "1");
  const QByteArray exported = testsupport::readFile(r.PastaExp + exportName);
  EXPECT_TRUE(exported.startsWith("0005;77;")) << exported.toStdString();
  EXPECT_TRUE(exported.endsWith(";0001;1\r\n"));
  EXPECT_EQ(testsupport::readFile(home.filePath(QStringLiteral("zeltron_%1.txt").arg(today.toString("yyyyMM")))), exported);
  EXPECT_EQ(testsupport::readFile(online), QByteArray("77;0001\r\n"));
  // No temporary file of the online file is left behind in the home folder.
  for (const QString &name : QDir(home.path()).entryList(QDir::Files))
    EXPECT_FALSE(name.startsWith("zeltron_OnLine.txt.")) << name.toStdString();
}
