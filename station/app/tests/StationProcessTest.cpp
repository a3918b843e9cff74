// The real program, started and stopped as the system does it.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

namespace {

bool waitFor(const QString &path, int ms) {
  QElapsedTimer t;
  t.start();
  while (!QFileInfo::exists(path)) {
    if (t.elapsed() > ms) return false;
    QThread::msleep(20);
  }
  return true;
}

} // namespace

class StationProcess : public ::testing::TestWithParam<int> {};

TEST_P(StationProcess, StopSignalRunsTheClosingSteps) {
  QTemporaryDir home;
  QTemporaryDir system;
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("TALVENOX_SYSTEM_DIR", system.path());
  p.setProcessEnvironment(env);
  p.start(TALVENOX_EXE, {"--home", home.path()});
  ASSERT_TRUE(p.waitForStarted());
  // The table appears once the start-up sequence ran.
  ASSERT_TRUE(waitFor(home.filePath("drive_c/halvorsten/zeltron/zeltron.db"), 20000)) << p.readAllStandardError().toStdString();
  EXPECT_FALSE(QFileInfo::exists(home.filePath("zeltron.sys")));
  ::kill(pid_t(p.processId()), GetParam());
  ASSERT_TRUE(p.waitForFinished(20000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_EQ(QFileInfo(home.filePath("zeltron.sys")).size(), 2668);
}

INSTANTIATE_TEST_SUITE_P(Signals, StationProcess, ::testing::Values(SIGTERM, SIGINT));
