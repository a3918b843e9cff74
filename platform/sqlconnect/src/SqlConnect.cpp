#include "sqlconnect/SqlConnect.h"

#include <QFileInfo>
#include <QSqlError>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

namespace sqlconnect {

bool isServerUri(const QString &text) {
  const QString t = text.trimmed();
  return t.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
         t.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

namespace {

Target invalid(const QString &why) {
  Target t;
  t.error = why;
  return t;
}

Target parseUri(const QString &text) {
  const QUrl url(text.trimmed(), QUrl::StrictMode);
  if (!url.isValid()) return invalid(QStringLiteral("endereço do servidor inválido: ") + url.errorString());
  Target t;
  t.kind = Kind::PostgreSQL;
  t.host = url.host(QUrl::FullyDecoded);
  t.port = url.port(-1);
  t.database = url.path(QUrl::FullyDecoded);
  while (t.database.startsWith('/')) t.database.remove(0, 1);
  t.user = url.userName(QUrl::FullyDecoded);
  t.password = url.password(QUrl::FullyDecoded);
  QStringList options;
  const QUrlQuery query(url);
  for (const auto &[key, rawValue] : query.queryItems(QUrl::FullyDecoded)) {
    const QString value = rawValue;
    if (key == QLatin1String("host")) t.host = value;
    else if (key == QLatin1String("port")) {
      bool ok = false;
      t.port = value.toInt(&ok);
      if (!ok || t.port <= 0 || t.port > 65535) return invalid(QStringLiteral("porta inválida: ") + value);
    } else if (key == QLatin1String("dbname")) t.database = value;
    else if (key == QLatin1String("user")) t.user = value;
    else if (key == QLatin1String("password")) t.password = value;
    else {
      // Qt hands these to libpq, which splits them at ';' and '='.
      if (value.contains(';') || key.contains(';') || key.contains('='))
        return invalid(QStringLiteral("opção inválida: ") + key);
      options << key + '=' + value;
    }
  }
  if (t.database.isEmpty()) return invalid(QStringLiteral("o endereço do servidor não diz o banco de dados"));
  t.options = options.join(';');
  return t;
}

Target parseJet(const QString &text, const std::function<QString(const QString &)> &nativePath) {
  QString source;
  for (const QString &part : text.split(';')) {
    const qsizetype eq = part.indexOf('=');
    if (eq < 0) continue;
    if (part.left(eq).trimmed().compare(QLatin1String("Data Source"), Qt::CaseInsensitive) == 0)
      source = part.mid(eq + 1).trimmed();
  }
  if (source.size() >= 2 && source.startsWith('"') && source.endsWith('"')) source = source.mid(1, source.size() - 2);
  if (source.isEmpty()) return invalid(QStringLiteral("o texto de conexão não diz o arquivo (Data Source)"));
  Target t;
  t.kind = Kind::SQLite;
  if (nativePath) {
    t.file = nativePath(source);
  } else {
    t.file = source;
    t.file.replace('\\', '/');
  }
  return t;
}

}  // namespace

Target parse(const QString &text, const std::function<QString(const QString &)> &nativePath) {
  if (text.trimmed().isEmpty()) return invalid(QStringLiteral("texto de conexão vazio"));
  if (isServerUri(text)) return parseUri(text);
  return parseJet(text, nativePath);
}

QString describe(const Target &t) {
  switch (t.kind) {
  case Kind::SQLite: return t.file;
  case Kind::PostgreSQL: {
    QString s = QStringLiteral("postgresql://");
    if (!t.user.isEmpty()) s += t.user + '@';
    if (!t.host.startsWith('/')) s += t.host;
    if (t.port > 0) s += ':' + QString::number(t.port);
    s += '/' + t.database;
    if (t.host.startsWith('/')) s += QStringLiteral("?host=") + t.host;
    return s;
  }
  case Kind::Invalid: break;
  }
  return {};
}

QString errorText(const QSqlError &e) {
  QString s = e.databaseText().trimmed();
  if (s.isEmpty()) s = e.text().trimmed();
  if (s.isEmpty()) s = e.driverText().trimmed();
  return s;
}

QSqlDatabase open(const Target &t, const QString &connectionName, QString *error) {
  close(connectionName);
  auto fail = [&](const QString &why) {
    if (error) *error = why;
    return QSqlDatabase();
  };
  if (t.kind == Kind::Invalid) return fail(t.error);
  if (t.kind == Kind::SQLite) {
    // Opening must not make an empty file that later looks like a database.
    if (!QFileInfo(t.file).isFile()) return fail(QStringLiteral("arquivo não encontrado: ") + t.file);
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
      return fail(QStringLiteral("driver QSQLITE indisponível"));
  } else if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
    return fail(QStringLiteral("driver QPSQL indisponível (pacote libqt6sql6-psql)"));
  }
  QString why;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(
        t.kind == Kind::SQLite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), connectionName);
    if (t.kind == Kind::SQLite) {
      db.setDatabaseName(t.file);
      db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    } else {
      db.setDatabaseName(t.database);
      if (!t.host.isEmpty()) db.setHostName(t.host);
      if (t.port > 0) db.setPort(t.port);
      if (!t.user.isEmpty()) db.setUserName(t.user);
      if (!t.password.isEmpty()) db.setPassword(t.password);
      // A server that does not answer must not hang the station for minutes.
      QString options = t.options;
      if (!options.contains(QLatin1String("connect_timeout=")))
        options = options.isEmpty() ? QStringLiteral("connect_timeout=10") : options + QStringLiteral(";connect_timeout=10");
      db.setConnectOptions(options);
    }
    if (db.open()) return db;
    why = errorText(db.lastError());
  }
  close(connectionName);
  return fail(why.isEmpty() ? QStringLiteral("falha ao abrir ") + describe(t) : why);
}

void close(const QString &connectionName) {
  if (!QSqlDatabase::contains(connectionName)) return;
  {
    QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    db.close();
  }
  QSqlDatabase::removeDatabase(connectionName);
}

}  // namespace sqlconnect
