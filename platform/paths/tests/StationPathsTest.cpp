#include "paths/StationPaths.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using paths::StationPaths;

TEST(StationPaths, HomeFromArgumentsThenEnvironmentThenXdg) {
  qputenv("TALVENOX_HOME", "/tmp/from-env");
  EXPECT_EQ(StationPaths::resolveHome({"talvenox", "--home", "/tmp/h"}), QStringLiteral("/tmp/h/"));
  EXPECT_EQ(StationPaths::resolveHome({"talvenox", "--home=/tmp/h2/"}), QStringLiteral("/tmp/h2/"));
  EXPECT_EQ(StationPaths::resolveHome({"talvenox"}), QStringLiteral("/tmp/from-env/"));
  qunsetenv("TALVENOX_HOME");
  qputenv("XDG_DATA_HOME", "/tmp/xdg");
  EXPECT_EQ(StationPaths::resolveHome({"talvenox"}), QStringLiteral("/tmp/xdg/talvenox/"));
  qunsetenv("XDG_DATA_HOME");
}

TEST(StationPaths, StoredWindowsPathsMapToDriveFolders) {
  StationPaths p("/srv/station");
  struct Case {
    const char *stored;
    const char *native;
  } cases[] = {
      {"c:\\halvorsten\\zeltron\\", "/srv/station/drive_c/halvorsten/zeltron/"},
      {"C:\\halvorsten\\zeltron\\zeltron.db", "/srv/station/drive_c/halvorsten/zeltron/zeltron.db"},
      {"d:\\", "/srv/station/drive_d/"},
      {"e:export", "/srv/station/drive_e/export"},
      {"/var/lib/ponto/", "/var/lib/ponto/"},
      {"/var/lib/ponto\\biometrica.mdb", "/var/lib/ponto/biometrica.mdb"},
      {"relative/dir", "relative/dir"},
  };
  for (const auto &c : cases) EXPECT_EQ(p.native(c.stored), QString::fromUtf8(c.native)) << c.stored;

  qputenv("TALVENOX_DRIVE_C", "/mnt/c");
  EXPECT_EQ(p.native("c:\\a\\b"), QStringLiteral("/mnt/c/a/b"));
  qunsetenv("TALVENOX_DRIVE_C");
}

TEST(StationPaths, DataFilesComeFromHomeFirst) {
  QTemporaryDir home;
  StationPaths p(home.path());
  EXPECT_TRUE(p.findData("ok.wav").isEmpty());
  QFile f(home.filePath("ok.wav"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  EXPECT_EQ(p.findData("ok.wav"), home.filePath("ok.wav"));
}
