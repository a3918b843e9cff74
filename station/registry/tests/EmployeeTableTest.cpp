#include "registry/EmployeeTable.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlError>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>

using registry::EmployeeTable;
using registry::Lookup;

namespace {

QByteArray digest(const QString &path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

bool addEmployee(EmployeeTable &t, const QString &code, const QString &name = "Ana") {
  return t.insert() && t.setValue("codigo", code) && t.setValue("nome", name) && t.post();
}

} // namespace

// With TALVENOX_TEST_PG set (scripts/with-postgres.sh), the same tests run
// on the shared table of a PostgreSQL server instead of a file.
bool onServer() { return !qEnvironmentVariableIsEmpty("TALVENOX_TEST_PG"); }

class EmployeeTableTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!onServer()) return;
    QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "drop");
    const QUrl url(qEnvironmentVariable("TALVENOX_TEST_PG"));
    const QUrlQuery query(url);
    db.setDatabaseName(url.path().mid(1));
    db.setHostName(query.queryItemValue("host"));
    db.setUserName(query.queryItemValue("user"));
    ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
    QSqlQuery(db).exec("DROP TABLE IF EXISTS zeltron");
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("drop");
  }
  QTemporaryDir dir;
  QString path() const { return onServer() ? qEnvironmentVariable("TALVENOX_TEST_PG") : dir.filePath("zeltron.db"); }
};

TEST_F(EmployeeTableTest, OnAServerTheSameFieldsWidthsAndKey) {
  if (!onServer()) GTEST_SKIP() << "needs the PostgreSQL run (TALVENOX_TEST_PG)";
  EmployeeTable t;
  ASSERT_TRUE(t.open(path())) << t.errorString().toStdString();
  t.close();
  QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "schema");
  const QUrl url(path());
  db.setDatabaseName(url.path().mid(1));
  db.setHostName(QUrlQuery(url).queryItemValue("host"));
  db.setUserName(QUrlQuery(url).queryItemValue("user"));
  ASSERT_TRUE(db.open());
  QSqlQuery q(db);
  ASSERT_TRUE(q.exec("SELECT column_name, coalesce(character_maximum_length, 0) FROM information_schema.columns "
                     "WHERE table_name = 'zeltron' ORDER BY ordinal_position"));
  QStringList columns;
  while (q.next()) columns << q.value(0).toString() + ':' + q.value(1).toString();
  ASSERT_EQ(columns.size(), 42);
  EXPECT_EQ(columns.mid(0, 4), (QStringList{"codigo:20", "empresa:20", "biometria:1", "nome:100"}));
  EXPECT_EQ(columns.at(8), "nascimento:0");
  EXPECT_EQ(columns.at(17), "e1:5");
  EXPECT_EQ(columns.at(41), "foto:0");
  ASSERT_TRUE(q.exec("SELECT a.attname FROM pg_index i JOIN pg_attribute a ON a.attrelid = i.indrelid "
                     "AND a.attnum = ANY(i.indkey) WHERE i.indrelid = 'zeltron'::regclass AND i.indisprimary"));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toString(), "codigo");
  q.clear();
  db.close();
  db = QSqlDatabase();
  QSqlDatabase::removeDatabase("schema");

  // A server that is not there: the table layer's error, nothing else.
  EmployeeTable gone;
  EXPECT_FALSE(gone.open("postgresql:///talvenox?host=/nonexistent&connect_timeout=2"));
  EXPECT_TRUE(gone.errorString().startsWith("Erro ao abrir a tabela postgresql:///talvenox")) << gone.errorString().toStdString();
}

TEST_F(EmployeeTableTest, CreatesTheFortyTwoFieldsInOrderWithTheKey) {
  if (onServer()) GTEST_SKIP() << "the file's own layout";
  EmployeeTable t;
  ASSERT_TRUE(t.open(path())) << t.errorString().toStdString();
  EXPECT_TRUE(t.isEmpty());
  EXPECT_FALSE(t.hasRow());
  t.close();

  QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "schema");
  db.setDatabaseName(path());
  ASSERT_TRUE(db.open());
  QSqlQuery q(db);
  ASSERT_TRUE(q.exec("SELECT name, pk FROM pragma_table_info('zeltron')"));
  QStringList names;
  QStringList keys;
  while (q.next()) {
    names << q.value(0).toString();
    if (q.value(1).toInt()) keys << q.value(0).toString();
  }
  const QStringList want = {"Codigo", "Empresa", "Biometria", "nome", "rg", "obs", "bloqueado", "motivobloq",
                            "nascimento", "seg", "ter", "qua", "qui", "sex", "sab", "dom", "bloqdia"};
  ASSERT_EQ(names.size(), 42);
  EXPECT_EQ(names.mid(0, want.size()), want);
  EXPECT_EQ(names.at(17), "e1");
  EXPECT_EQ(names.at(18), "s1");
  EXPECT_EQ(names.at(40), "s12");
  EXPECT_EQ(names.at(41), "foto");
  EXPECT_EQ(keys, QStringList{"Codigo"});
  ASSERT_TRUE(q.exec("SELECT sql FROM sqlite_master WHERE name = 'zeltron'") && q.next());
  EXPECT_TRUE(q.value(0).toString().contains("CONSTRAINT iCod PRIMARY KEY (Codigo)"));
  q.clear();
  db.close();
  db = QSqlDatabase();
  QSqlDatabase::removeDatabase("schema");
}

TEST_F(EmployeeTableTest, RowsFollowCodeOrderAndSurviveReopening) {
  {
    EmployeeTable t;
    ASSERT_TRUE(t.open(path()));
    ASSERT_TRUE(addEmployee(t, "0002", "Bia"));
    ASSERT_TRUE(t.insert());
    t.setValue("Codigo", "0001");
    t.setValue("EMPRESA", "0007");
    t.setValue("nascimento", "29/02/1984");
    t.setValue("foto", QByteArray("BM\0\1", 4));
    ASSERT_TRUE(t.post()) << t.errorString().toStdString();
    ASSERT_TRUE(addEmployee(t, "0003", "Caio"));
  }
  EmployeeTable t;
  ASSERT_TRUE(t.open(path()));
  EXPECT_EQ(t.recordCount(), 3);
  EXPECT_EQ(t.text("codigo"), "0001") << "opening shows the first row";
  EXPECT_EQ(t.text("empresa"), "0007");
  EXPECT_EQ(t.date("nascimento"), QDate(1984, 2, 29));
  EXPECT_EQ(t.value("foto").toByteArray(), QByteArray("BM\0\1", 4));
  EXPECT_EQ(t.next(), Lookup::Found);
  EXPECT_EQ(t.text("nome"), "Bia");
  EXPECT_EQ(t.next(), Lookup::Found);
  EXPECT_EQ(t.next(), Lookup::NotFound);
  EXPECT_EQ(t.text("CODIGO"), "0003") << "the last row stays current";
  EXPECT_EQ(t.findKey("0002"), Lookup::Found);
  EXPECT_EQ(t.findKey("0009"), Lookup::NotFound);
  EXPECT_EQ(t.text("Codigo"), "0002") << "a failed lookup keeps the current row";
  EXPECT_EQ(t.findKey(""), Lookup::NotFound) << "an empty code is never found";
  EXPECT_FALSE(t.value("no_such_field").isValid());
}

TEST_F(EmployeeTableTest, RefusedRowsStayInEditingAndChangeNothing) {
  EmployeeTable t;
  ASSERT_TRUE(t.open(path()));
  ASSERT_TRUE(addEmployee(t, "0001", "Ana"));

  struct Case {
    const char *name;
    const char *field;
    QVariant value;
  } cases[] = {
      {"duplicate key", "Codigo", QString("0001")},
      {"21-character code", "Codigo", QString(21, '9')},
      {"empty code", "Codigo", QString()},
      {"101-character name", "nome", QString(101, 'x')},
      {"two-letter flag", "bloqueado", QString("SS")},
      {"6-character window", "e1", QString("08:000")},
      {"impossible date", "nascimento", QString("31/02/2024")},
      {"not a date", "nascimento", QString("ontem")},
  };
  for (const Case &c : cases) {
    ASSERT_TRUE(t.insert()) << c.name;
    t.setValue("Codigo", "0002");
    t.setValue(c.field, c.value);
    EXPECT_FALSE(t.post()) << c.name;
    EXPECT_FALSE(t.errorString().isEmpty()) << c.name;
    EXPECT_EQ(t.state(), EmployeeTable::State::Insert) << c.name;
    t.cancel();
  }
  EXPECT_EQ(t.recordCount(), 1);
  ASSERT_EQ(t.findKey("0001"), Lookup::Found);
  EXPECT_EQ(t.text("nome"), "Ana");

  // Twenty characters fit, and an edit that takes an existing code is refused.
  ASSERT_TRUE(addEmployee(t, QString(20, '9')));
  ASSERT_TRUE(t.edit());
  t.setValue("codigo", "0001");
  EXPECT_FALSE(t.post());
  EXPECT_TRUE(t.errorString().contains("0001"));
  t.cancel();
  EXPECT_EQ(t.findKey(QString(20, '9')), Lookup::Found);
}

TEST_F(EmployeeTableTest, EditRenameAndRemove) {
  EmployeeTable t;
  ASSERT_TRUE(t.open(path()));
  for (const char *c : {"A", "B", "C"}) ASSERT_TRUE(addEmployee(t, c));
  ASSERT_EQ(t.findKey("B"), Lookup::Found);
  ASSERT_TRUE(t.edit());
  t.setValue("codigo", "B2");
  t.setValue("obs", QStringLiteral("Observação"));
  EXPECT_EQ(t.text("obs"), QStringLiteral("Observação")) << "the edit buffer is what value() shows";
  ASSERT_TRUE(t.post());
  EXPECT_EQ(t.findKey("B"), Lookup::NotFound);
  ASSERT_EQ(t.findKey("B2"), Lookup::Found);
  EXPECT_EQ(t.text("obs"), QStringLiteral("Observação"));
  ASSERT_TRUE(t.remove());
  EXPECT_EQ(t.text("codigo"), "C");
  ASSERT_TRUE(t.remove());
  EXPECT_EQ(t.text("codigo"), "A");
  ASSERT_TRUE(t.remove());
  EXPECT_FALSE(t.hasRow());
  EXPECT_TRUE(t.isEmpty());
}

TEST_F(EmployeeTableTest, ForeignAndLockedFilesAreRefusedUntouched) {
  if (onServer()) GTEST_SKIP() << "files only";
  // Not a database at all.
  {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
  }
  const QByteArray before = digest(path());
  EmployeeTable t;
  EXPECT_FALSE(t.open(path()));
  EXPECT_TRUE(t.errorString().contains("not a database")) << t.errorString().toStdString();
  EXPECT_FALSE(t.isOpen());
  EXPECT_EQ(digest(path()), before);

  // A database without the employee table.
  const QString other = dir.filePath("other.db");
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
    db.setDatabaseName(other);
    ASSERT_TRUE(db.open());
    QSqlQuery(db).exec("CREATE TABLE x (a)");
    db.close();
  }
  QSqlDatabase::removeDatabase("other");
  const QByteArray otherBefore = digest(other);
  EXPECT_FALSE(t.open(other));
  EXPECT_EQ(digest(other), otherBefore);

  // A folder that does not exist: the file is not made.
  EXPECT_FALSE(t.open(dir.filePath("missing/zeltron.db")));
  EXPECT_FALSE(QFile::exists(dir.filePath("missing/zeltron.db")));

  // Locked by another writer.
  const QString locked = dir.filePath("locked.db");
  ASSERT_TRUE(t.open(locked));
  t.close();
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "locker");
    db.setDatabaseName(locked);
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec("BEGIN EXCLUSIVE"));
    ASSERT_TRUE(q.exec("INSERT INTO zeltron (Codigo) VALUES ('X')"));
    EmployeeTable second;
    EXPECT_FALSE(second.open(locked));
    EXPECT_TRUE(second.errorString().contains("locked")) << second.errorString().toStdString();
    q.exec("ROLLBACK");
    q.clear();
    db.close();
  }
  QSqlDatabase::removeDatabase("locker");
}

// A table another program holds locked is not a table without the row: the
// lookup and the count say they failed, with the table layer's text.
TEST_F(EmployeeTableTest, LookupsOnALockedTableFailInsteadOfFindingNothing) {
  EmployeeTable t;
  ASSERT_TRUE(t.open(path()));
  ASSERT_TRUE(addEmployee(t, "0001", "Ana"));
  QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "locker2");
  db.setDatabaseName(path());
  ASSERT_TRUE(db.open());
  {
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec("BEGIN EXCLUSIVE"));
    ASSERT_TRUE(q.exec("UPDATE zeltron SET nome = 'x'"));
    EXPECT_EQ(t.findKey("0001"), Lookup::Failed);
    EXPECT_TRUE(t.errorString().contains("locked")) << t.errorString().toStdString();
    EXPECT_EQ(t.first(), Lookup::Failed);
    EXPECT_EQ(t.recordCount(), std::nullopt);
    EXPECT_FALSE(t.isEmpty()) << "a table that cannot be read is not known to be empty";
    q.exec("ROLLBACK");
  }
  db.close();
  db = QSqlDatabase();
  QSqlDatabase::removeDatabase("locker2");
  EXPECT_EQ(t.findKey("0001"), Lookup::Found);
  EXPECT_EQ(t.recordCount(), 1);
}
