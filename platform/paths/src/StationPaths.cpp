#include "paths/StationPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace paths {
namespace {

QString withSlash(QString dir) {
  if (!dir.endsWith('/')) dir += '/';
  return dir;
}

} // namespace

QString StationPaths::resolveHome(const QStringList &arguments) {
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString &a = arguments.at(i);
    if (a == QLatin1String("--home") && i + 1 < arguments.size()) return withSlash(QDir(arguments.at(i + 1)).absolutePath());
    if (a.startsWith(QLatin1String("--home="))) return withSlash(QDir(a.mid(7)).absolutePath());
  }
  const QString env = qEnvironmentVariable("TALVENOX_HOME");
  if (!env.isEmpty()) return withSlash(QDir(env).absolutePath());
  QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
  if (xdg.isEmpty()) xdg = QDir::homePath() + QStringLiteral("/.local/share");
  return withSlash(xdg + QStringLiteral("/talvenox"));
}

StationPaths::StationPaths(const QString &home) : m_home(withSlash(home)) {}

QString StationPaths::driveFolder(QChar letter) const {
  const QChar lower = letter.toLower();
  const QString env = qEnvironmentVariable(("TALVENOX_DRIVE_" + QString(letter.toUpper())).toLatin1().constData());
  if (!env.isEmpty()) return withSlash(env);
  return m_home + QStringLiteral("drive_") + lower + '/';
}

QString StationPaths::native(const QString &stored) const {
  QString path = stored;
  path.replace('\\', '/');
  if (path.size() >= 2 && path.at(1) == ':' && path.at(0).isLetter() && path.at(0).unicode() < 128) {
    QString rest = path.mid(2);
    while (rest.startsWith('/')) rest.remove(0, 1);
    return driveFolder(path.at(0)) + rest;
  }
  return path;
}

QString StationPaths::findData(const QString &name) const {
  const QStringList places = {m_home, programFolder() + QStringLiteral("../share/talvenox/"),
                              QStringLiteral(TALVENOX_INSTALLED_DATA "/")};
  for (const QString &dir : places) {
    const QString candidate = dir + name;
    if (QFileInfo(candidate).isFile()) return candidate;
  }
  return {};
}

QString StationPaths::programFolder() {
  return withSlash(QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath());
}

QString StationPaths::systemFolder() const {
  const QString env = qEnvironmentVariable("TALVENOX_SYSTEM_DIR");
  if (!env.isEmpty()) return withSlash(env);
  // An installed tree may live under another prefix than the build was made
  // for (cmake --install --prefix, a package): its library folder sits at a
  // fixed place beside the program's. A build tree has none.
  const QString beside = QDir::cleanPath(programFolder() + QStringLiteral(TALVENOX_LIBDIR_FROM_PROGRAM));
  if (QFileInfo(beside).isDir()) return withSlash(beside);
  return withSlash(QStringLiteral(TALVENOX_INSTALLED_LIBS));
}

QString StationPaths::libraryFolder(const QString &fileName) const {
  return QFileInfo(programFolder() + fileName).isFile() ? programFolder() : systemFolder();
}

bool StationPaths::ensureHome() const { return QDir().mkpath(m_home); }

} // namespace paths
