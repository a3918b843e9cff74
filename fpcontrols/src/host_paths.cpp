#include "host_paths.h"

#include "paths/StationPaths.h"

#include <QCoreApplication>

namespace dactilox {

QString caminhoNativo(const QString &armazenado) {
  const QStringList args = QCoreApplication::instance() ? QCoreApplication::arguments() : QStringList();
  return paths::StationPaths(paths::StationPaths::resolveHome(args)).native(armazenado);
}

} // namespace dactilox
