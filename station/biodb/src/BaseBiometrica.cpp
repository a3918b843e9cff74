#include "biodb/BaseBiometrica.h"

#include "sqlconnect/SqlConnect.h"
#include "sqlconnect/TemplateSchema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>

namespace biodb {

namespace {

const char *const kConexaoPreparo = "biodb_preparo";

// Runs work on a connection of its own and closes it afterwards.
template <class F> auto comConexao(const sqlconnect::Target &alvo, QString *error, F work) -> decltype(work(std::declval<QSqlDatabase &>())) {
  decltype(work(std::declval<QSqlDatabase &>())) result{};
  {
    QSqlDatabase db = sqlconnect::open(alvo, QString::fromLatin1(kConexaoPreparo), error);
    if (db.isOpen()) result = work(db);
  }
  sqlconnect::close(QString::fromLatin1(kConexaoPreparo));
  return result;
}

}  // namespace

bool noServidor(const QString &pastabio) { return sqlconnect::isServerUri(pastabio); }

QString conexao(const QString &pastabio, const paths::StationPaths &paths) {
  if (noServidor(pastabio)) return pastabio.trimmed();
  // The data source is the native path: the controls then need not know the
  // station's home folder to apply the path rule.
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + arquivo(pastabio, paths) + ";Persist Security Info = False";
}

QString arquivo(const QString &pastabio, const paths::StationPaths &paths) {
  return QDir::cleanPath(paths.native(pastabio + "\\biometrica.mdb"));
}

bool criarArquivo(const QString &file, QString *error) {
  if (!QFileInfo(QFileInfo(file).absolutePath()).isDir()) {
    if (error) *error = QStringLiteral("pasta não encontrada: ") + QFileInfo(file).absolutePath();
    return false;
  }
  const bool existia = QFileInfo::exists(file);
  if (!existia) {
    QFile f(file);
    // Made empty here; SQLite fills it. A half-made file is removed below.
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
      if (error) *error = f.errorString();
      return false;
    }
  }
  sqlconnect::Target alvo;
  alvo.kind = sqlconnect::Kind::SQLite;
  alvo.file = file;
  const bool ok = comConexao(alvo, error, [&](QSqlDatabase &db) { return sqlconnect::createTemplateTables(db, error); });
  if (!ok && !existia) QFile::remove(file);
  return ok;
}

std::optional<int> prepararServidor(const QString &uri, int ponto, QString *error) {
  const sqlconnect::Target alvo = sqlconnect::parse(uri);
  return comConexao(alvo, error, [&](QSqlDatabase &db) -> std::optional<int> {
    // Two stations starting together may both try to create the tables.
    if (!sqlconnect::createTemplateTables(db, error) && !sqlconnect::createTemplateTables(db, error)) return std::nullopt;
    if (ponto > 0 && !sqlconnect::registerPoint(db, ponto, error)) return std::nullopt;
    return sqlconnect::highestPoint(db, error);
  });
}

}  // namespace biodb
