#include "sqlconnect/TemplateSchema.h"

#include "sqlconnect/SqlConnect.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace sqlconnect {

namespace {

bool isPostgres(const QSqlDatabase &db) { return db.driver() && db.driver()->dbmsType() == QSqlDriver::PostgreSQL; }

bool fail(QString *error, const QString &text) {
  if (error) *error = text;
  return false;
}

}  // namespace

bool createTemplateTables(QSqlDatabase &db, QString *error) {
  const bool pg = isPostgres(db);
  const QString bytes = pg ? QStringLiteral("BYTEA") : QStringLiteral("BLOB");
  QStringList statements = {
      QStringLiteral("CREATE TABLE IF NOT EXISTS tblBiometrica (CodUsuario TEXT NOT NULL, IndiceDedo SMALLINT NOT NULL, "
                     "BioFeatures %1, BioSize INTEGER, PRIMARY KEY (CodUsuario, IndiceDedo))")
          .arg(bytes),
      QStringLiteral("CREATE TABLE IF NOT EXISTS tblBiometricaUpdate (Ponto INTEGER NOT NULL, CodUsuario TEXT NOT NULL, "
                     "IndiceDedo SMALLINT NOT NULL, PRIMARY KEY (Ponto, CodUsuario, IndiceDedo))"),
      QStringLiteral("CREATE TABLE IF NOT EXISTS tblPontos (Ponto INTEGER NOT NULL PRIMARY KEY)"),
  };
  // Tables that exist already are not news worth a notice on stderr.
  if (pg) statements.prepend(QStringLiteral("SET LOCAL client_min_messages = warning"));
  if (!db.transaction()) return fail(error, errorText(db.lastError()));
  for (const QString &sql : statements) {
    QSqlQuery q(db);
    if (!q.exec(sql)) {
      const QString why = errorText(q.lastError());
      q = QSqlQuery();
      db.rollback();
      return fail(error, why);
    }
  }
  if (!db.commit()) {
    const QString why = errorText(db.lastError());
    db.rollback();
    return fail(error, why);
  }
  return true;
}

bool registerPoint(QSqlDatabase &db, int n, QString *error) {
  if (n < 1 || n > 255) return fail(error, QStringLiteral("ponto de coleta fora de 1 a 255: %1").arg(n));
  QSqlQuery q(db);
  q.prepare(QStringLiteral("INSERT INTO tblPontos (Ponto) VALUES (?) ON CONFLICT DO NOTHING"));
  q.addBindValue(n);
  if (!q.exec()) return fail(error, errorText(q.lastError()));
  return true;
}

std::optional<int> highestPoint(QSqlDatabase &db, QString *error) {
  QSqlQuery q(db);
  if (!q.exec(QStringLiteral("SELECT max(Ponto) FROM tblPontos")) || !q.next()) {
    fail(error, errorText(q.lastError()));
    return std::nullopt;
  }
  return q.value(0).isNull() ? 0 : q.value(0).toInt();
}

}  // namespace sqlconnect
