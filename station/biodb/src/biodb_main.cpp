// talvenox-biodb: creates the tables of the fingerprint template database.
//
//   talvenox-biodb FOLDER|FILE.mdb|postgresql://... [--points N]
//
// A folder gets "biometrica.mdb" in it; an existing file or database keeps
// its tables and rows and gets only what it lacks. --points N registers the
// collection points 1 to N on a server shared by N stations.
#include "biodb/BaseBiometrica.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  QTextStream err(stderr), out(stdout);
  int pontos = 0;
  const qsizetype at = args.indexOf(QStringLiteral("--points"));
  if (at >= 0) {
    bool ok = false;
    pontos = at + 1 < args.size() ? args.at(at + 1).toInt(&ok) : 0;
    if (!ok || pontos < 1 || pontos > 255) {
      err << "talvenox-biodb: --points takes a number from 1 to 255\n";
      return 2;
    }
    args.remove(at, 2);
  }
  if (args.size() != 1) {
    err << "usage: talvenox-biodb FOLDER|FILE.mdb|postgresql://... [--points N]\n";
    return 2;
  }
  const QString target = args.at(0);
  QString error;
  if (biodb::noServidor(target)) {
    std::optional<int> n;
    for (int p = 1; p <= qMax(pontos, 1); ++p) {
      n = biodb::prepararServidor(target, pontos ? p : 0, &error);
      if (!n) break;
    }
    if (!n) {
      err << "talvenox-biodb: " << error << '\n';
      return 1;
    }
    out << "tables ready; collection points: " << *n << '\n';
    return 0;
  }
  if (pontos) {
    err << "talvenox-biodb: --points is for a database on a server\n";
    return 2;
  }
  const QString file = QFileInfo(target).isDir() ? target + QStringLiteral("/biometrica.mdb") : target;
  if (!biodb::criarArquivo(file, &error)) {
    err << "talvenox-biodb: " << error << '\n';
    return 1;
  }
  out << "tables ready in " << file << '\n';
  return 0;
}
