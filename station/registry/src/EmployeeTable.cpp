#include "registry/EmployeeTable.h"

#include "sqlconnect/SqlConnect.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <atomic>

namespace registry {
namespace {

constexpr FieldDef kFields[] = {
    {"Codigo", FieldKind::Text, 20},     {"Empresa", FieldKind::Text, 20}, {"Biometria", FieldKind::Text, 1},
    {"nome", FieldKind::Text, 100},      {"rg", FieldKind::Text, 20},      {"obs", FieldKind::Text, 100},
    {"bloqueado", FieldKind::Text, 1},   {"motivobloq", FieldKind::Text, 100}, {"nascimento", FieldKind::Date, 0},
    {"seg", FieldKind::Text, 1},         {"ter", FieldKind::Text, 1},      {"qua", FieldKind::Text, 1},
    {"qui", FieldKind::Text, 1},         {"sex", FieldKind::Text, 1},      {"sab", FieldKind::Text, 1},
    {"dom", FieldKind::Text, 1},         {"bloqdia", FieldKind::Text, 1},
    {"e1", FieldKind::Text, 5},  {"s1", FieldKind::Text, 5},  {"e2", FieldKind::Text, 5},  {"s2", FieldKind::Text, 5},
    {"e3", FieldKind::Text, 5},  {"s3", FieldKind::Text, 5},  {"e4", FieldKind::Text, 5},  {"s4", FieldKind::Text, 5},
    {"e5", FieldKind::Text, 5},  {"s5", FieldKind::Text, 5},  {"e6", FieldKind::Text, 5},  {"s6", FieldKind::Text, 5},
    {"e7", FieldKind::Text, 5},  {"s7", FieldKind::Text, 5},  {"e8", FieldKind::Text, 5},  {"s8", FieldKind::Text, 5},
    {"e9", FieldKind::Text, 5},  {"s9", FieldKind::Text, 5},  {"e10", FieldKind::Text, 5}, {"s10", FieldKind::Text, 5},
    {"e11", FieldKind::Text, 5}, {"s11", FieldKind::Text, 5}, {"e12", FieldKind::Text, 5}, {"s12", FieldKind::Text, 5},
    {"foto", FieldKind::Bytes, 0},
};
static_assert(std::size(kFields) == 42);

const char *const kTable = "zeltron";

QString columnList() {
  QStringList names;
  for (const FieldDef &f : kFields) names << QString::fromLatin1(f.name);
  return names.join(", ");
}

QString createStatement(bool server) {
  QStringList columns;
  for (const FieldDef &f : kFields) {
    const QString name = QString::fromLatin1(f.name);
    if (server) {
      // PostgreSQL enforces the widths itself; the code keeps byte order,
      // as in the file.
      switch (f.kind) {
      case FieldKind::Text:
        columns << QStringLiteral("%1 VARCHAR(%2)%3").arg(name).arg(f.width)
                       .arg(name == "Codigo" ? QStringLiteral(" COLLATE \"C\" NOT NULL") : QString());
        break;
      case FieldKind::Date: columns << name + " DATE"; break;
      case FieldKind::Bytes: columns << name + " BYTEA"; break;
      }
      continue;
    }
    switch (f.kind) {
    case FieldKind::Text:
      columns << QStringLiteral("%1 TEXT%2 CHECK (length(%1) <= %3)")
                     .arg(name, name == "Codigo" ? QStringLiteral(" NOT NULL") : QString())
                     .arg(f.width);
      break;
    case FieldKind::Date:
      // Stored as yyyy-mm-dd; date() normalises impossible days, so they fail.
      columns << QStringLiteral("%1 TEXT CHECK (%1 IS NULL OR date(%1) IS %1)").arg(name);
      break;
    case FieldKind::Bytes: columns << name + " BLOB"; break;
    }
  }
  columns << QStringLiteral("CONSTRAINT iCod PRIMARY KEY (Codigo)");
  return QStringLiteral("CREATE TABLE %1 (%2)").arg(kTable, columns.join(", "));
}

QString sqlError(const QSqlError &e) { return sqlconnect::errorText(e); }

// Dates come as QDate or as "dd/mm/yyyy" or "yyyy-mm-dd" texts.
QDate toDate(const QVariant &v) {
  if (v.typeId() == QMetaType::QDate) return v.toDate();
  const QString s = v.toString().trimmed();
  QDate d = QDate::fromString(s, QStringLiteral("dd/MM/yyyy"));
  if (!d.isValid()) d = QDate::fromString(s, Qt::ISODate);
  return d;
}

bool isBlank(const QVariant &v) {
  return v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty());
}

} // namespace

std::span<const FieldDef> employeeFields() { return kFields; }

EmployeeTable::EmployeeTable() {
  static std::atomic<int> counter{0};
  m_connection = QStringLiteral("tb_biometria_%1").arg(counter++);
}

EmployeeTable::~EmployeeTable() { close(); }

bool EmployeeTable::fail(const QString &text) {
  m_error = text;
  return false;
}

bool EmployeeTable::open(const QString &path) {
  close();
  m_error.clear();
  const bool server = sqlconnect::isServerUri(path);
  const sqlconnect::Target target = server ? sqlconnect::parse(path) : sqlconnect::Target{};
  const QString shown = server ? sqlconnect::describe(target) : path;
  const bool existed = server || QFileInfo::exists(path);
  {
    QSqlDatabase db;
    QString problem;
    if (server) {
      db = sqlconnect::open(target, m_connection, &problem);
    } else {
      db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
      db.setDatabaseName(path);
      db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
      if (!db.open()) problem = sqlError(db.lastError());
    }
    // Read only: the names of the table's columns.
    const QString columnsQuery =
        server ? QStringLiteral("SELECT column_name FROM information_schema.columns "
                                "WHERE table_schema = current_schema() AND table_name = '%1'").arg(kTable)
               : QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(kTable);
    QStringList have;
    auto readColumns = [&] {
      QSqlQuery q(db);
      if (!q.exec(columnsQuery)) {
        problem = sqlError(q.lastError());
        return;
      }
      have.clear();
      while (q.next()) have << q.value(0).toString().toLower();
    };
    if (problem.isEmpty() && server) readColumns();
    // A new file, or a server database without the table, gets it empty.
    if (problem.isEmpty() && (!existed || (server && have.isEmpty()))) {
      QSqlQuery q(db);
      if (!q.exec(createStatement(server))) problem = sqlError(q.lastError());
    }
    if (problem.isEmpty()) readColumns();
    if (problem.isEmpty()) {
      if (have.isEmpty()) {
        problem = QStringLiteral("O arquivo não contém a tabela de funcionários");
      } else {
        for (const FieldDef &f : kFields)
          if (!have.contains(QString::fromLatin1(f.name).toLower())) {
            problem = QStringLiteral("A tabela de funcionários não tem o campo %1").arg(f.name);
            break;
          }
      }
    }
    if (!problem.isEmpty()) {
      db.close();
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(m_connection);
      if (!existed) QFile::remove(path);
      return fail(QStringLiteral("Erro ao abrir a tabela %1: %2").arg(shown, problem));
    }
  }
  m_path = path;
  m_state = State::Browse;
  first();
  return true;
}

void EmployeeTable::close() {
  if (m_state == State::Inactive) return;
  m_row.clear();
  m_buffer.clear();
  m_key.clear();
  m_state = State::Inactive;
  {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    db.close();
  }
  QSqlDatabase::removeDatabase(m_connection);
}

int EmployeeTable::fieldIndex(const QString &name) const {
  for (int i = 0; i < int(std::size(kFields)); ++i)
    if (name.compare(QLatin1String(kFields[i].name), Qt::CaseInsensitive) == 0) return i;
  return -1;
}

Lookup EmployeeTable::loadRow(const QString &where, const QVariantList &binds) {
  if (m_state == State::Inactive) {
    fail(QStringLiteral("A tabela de funcionários não está aberta"));
    return Lookup::Failed;
  }
  if (m_state != State::Browse) {
    fail(QStringLiteral("Grave ou cancele o registro em edição"));
    return Lookup::Failed;
  }
  QSqlQuery q(QSqlDatabase::database(m_connection, false));
  q.prepare(QStringLiteral("SELECT %1 FROM %2 %3").arg(columnList(), kTable, where));
  for (const QVariant &b : binds) q.addBindValue(b);
  if (!q.exec()) {
    fail(sqlError(q.lastError()));
    return Lookup::Failed;
  }
  if (!q.next()) {
    // A step that fails after a good exec (a lock taken meanwhile) is an error too.
    if (q.lastError().isValid()) {
      fail(sqlError(q.lastError()));
      return Lookup::Failed;
    }
    return Lookup::NotFound;
  }
  QVector<QVariant> row(int(std::size(kFields)));
  for (int i = 0; i < row.size(); ++i) {
    const QVariant v = q.value(i);
    switch (kFields[i].kind) {
    case FieldKind::Text: row[i] = v.isNull() ? QString() : v.toString(); break;
    case FieldKind::Date: row[i] = v.isNull() ? QDate() : QDate::fromString(v.toString(), Qt::ISODate); break;
    case FieldKind::Bytes: row[i] = v.toByteArray(); break;
    }
  }
  m_row = row;
  m_key = row[0].toString();
  return Lookup::Found;
}

Lookup EmployeeTable::findKey(const QString &codigo) {
  return loadRow(QStringLiteral("WHERE Codigo = ?"), {codigo});
}
Lookup EmployeeTable::first() { return loadRow(QStringLiteral("ORDER BY Codigo LIMIT 1"), {}); }
Lookup EmployeeTable::last() { return loadRow(QStringLiteral("ORDER BY Codigo DESC LIMIT 1"), {}); }
Lookup EmployeeTable::next() {
  if (!hasRow()) return Lookup::NotFound;
  return loadRow(QStringLiteral("WHERE Codigo > ? ORDER BY Codigo LIMIT 1"), {m_key});
}
Lookup EmployeeTable::prior() {
  if (!hasRow()) return Lookup::NotFound;
  return loadRow(QStringLiteral("WHERE Codigo < ? ORDER BY Codigo DESC LIMIT 1"), {m_key});
}

std::optional<int> EmployeeTable::recordCount() {
  if (m_state == State::Inactive) {
    fail(QStringLiteral("A tabela de funcionários não está aberta"));
    return std::nullopt;
  }
  QSqlQuery q(QSqlDatabase::database(m_connection, false));
  if (!q.exec(QStringLiteral("SELECT count(*) FROM %1").arg(kTable)) || !q.next()) {
    fail(sqlError(q.lastError()));
    return std::nullopt;
  }
  return q.value(0).toInt();
}

QVariant EmployeeTable::value(const QString &field) const {
  const int i = fieldIndex(field);
  if (i < 0) return {};
  const QVector<QVariant> &row = (m_state == State::Edit || m_state == State::Insert) ? m_buffer : m_row;
  if (row.isEmpty()) {
    switch (kFields[i].kind) {
    case FieldKind::Text: return QString();
    case FieldKind::Date: return QDate();
    case FieldKind::Bytes: return QByteArray();
    }
  }
  return row[i];
}

QDate EmployeeTable::date(const QString &field) const { return toDate(value(field)); }

bool EmployeeTable::edit() {
  if (m_state != State::Browse) return fail(QStringLiteral("A tabela não está em modo de consulta"));
  if (!hasRow()) return fail(QStringLiteral("Não há registro para editar"));
  m_buffer = m_row;
  m_state = State::Edit;
  return true;
}

bool EmployeeTable::insert() {
  if (m_state != State::Browse) return fail(QStringLiteral("A tabela não está em modo de consulta"));
  m_buffer = QVector<QVariant>(int(std::size(kFields)));
  for (int i = 0; i < m_buffer.size(); ++i) {
    switch (kFields[i].kind) {
    case FieldKind::Text: m_buffer[i] = QString(); break;
    case FieldKind::Date: m_buffer[i] = QDate(); break;
    case FieldKind::Bytes: m_buffer[i] = QByteArray(); break;
    }
  }
  m_state = State::Insert;
  return true;
}

bool EmployeeTable::setValue(const QString &field, const QVariant &value) {
  if (m_state != State::Edit && m_state != State::Insert)
    return fail(QStringLiteral("A tabela não está em modo de edição"));
  const int i = fieldIndex(field);
  if (i < 0) return fail(QStringLiteral("Campo %1 não encontrado").arg(field));
  m_buffer[i] = value;
  return true;
}

// Turns the edited values into stored ones; false with the reason otherwise.
bool EmployeeTable::checkRow(QVector<QVariant> &row) {
  for (int i = 0; i < row.size(); ++i) {
    const FieldDef &f = kFields[i];
    QVariant &v = row[i];
    switch (f.kind) {
    case FieldKind::Text: {
      const QString s = v.toString();
      if (s.size() > f.width)
        return fail(QStringLiteral("O valor do campo %1 tem mais de %2 caracteres").arg(f.name).arg(f.width));
      v = s;
      break;
    }
    case FieldKind::Date:
      if (isBlank(v) || (v.typeId() == QMetaType::QDate && v.toDate().isNull())) {
        v = QVariant();
      } else {
        const QDate d = toDate(v);
        if (!d.isValid()) return fail(QStringLiteral("\"%1\" não é uma data válida (campo %2)").arg(v.toString(), f.name));
        v = d.toString(Qt::ISODate);
      }
      break;
    case FieldKind::Bytes: v = v.toByteArray(); break;
    }
  }
  if (row[0].toString().isEmpty()) return fail(QStringLiteral("O campo Codigo precisa ter um valor"));
  return true;
}

bool EmployeeTable::post() {
  if (m_state != State::Edit && m_state != State::Insert)
    return fail(QStringLiteral("A tabela não está em modo de edição"));
  QVector<QVariant> row = m_buffer;
  if (!checkRow(row)) return false;
  const QString code = row[0].toString();
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  if (m_state == State::Insert || code != m_key) {
    QSqlQuery dup(db);
    dup.prepare(QStringLiteral("SELECT 1 FROM %1 WHERE Codigo = ?").arg(kTable));
    dup.addBindValue(code);
    if (!dup.exec()) return fail(sqlError(dup.lastError()));
    if (dup.next()) return fail(QStringLiteral("Violação de chave: o Codigo \"%1\" já existe").arg(code));
  }
  QSqlQuery q(db);
  QStringList names;
  for (const FieldDef &f : kFields) names << QString::fromLatin1(f.name);
  if (m_state == State::Insert) {
    q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(kTable, names.join(", "), QStringList(names.size(), "?").join(", ")));
  } else {
    q.prepare(QStringLiteral("UPDATE %1 SET %2 = ? WHERE Codigo = ?").arg(kTable, names.join(" = ?, ")));
  }
  for (const QVariant &v : row) q.addBindValue(v);
  if (m_state == State::Edit) q.addBindValue(m_key);
  if (!q.exec()) return fail(sqlError(q.lastError()));
  m_state = State::Browse;
  m_buffer.clear();
  // The row is stored; failing to re-read it only leaves the cursor behind.
  findKey(code);
  return true;
}

void EmployeeTable::cancel() {
  if (m_state != State::Edit && m_state != State::Insert) return;
  m_buffer.clear();
  m_state = State::Browse;
}

bool EmployeeTable::remove() {
  if (m_state != State::Browse || !hasRow()) return fail(QStringLiteral("Não há registro para excluir"));
  QSqlQuery q(QSqlDatabase::database(m_connection, false));
  q.prepare(QStringLiteral("DELETE FROM %1 WHERE Codigo = ?").arg(kTable));
  q.addBindValue(m_key);
  if (!q.exec()) return fail(sqlError(q.lastError()));
  const QString gone = m_key;
  if (loadRow(QStringLiteral("WHERE Codigo > ? ORDER BY Codigo LIMIT 1"), {gone}) != Lookup::Found &&
      loadRow(QStringLiteral("WHERE Codigo < ? ORDER BY Codigo DESC LIMIT 1"), {gone}) != Lookup::Found) {
    m_row.clear();
    m_key.clear();
  }
  return true;
}

bool EmployeeTable::allCodes(QStringList &out) {
  out.clear();
  if (m_state == State::Inactive) return fail(QStringLiteral("A tabela de funcionários não está aberta"));
  QSqlQuery q(QSqlDatabase::database(m_connection, false));
  q.setForwardOnly(true);
  if (!q.exec(QStringLiteral("SELECT Codigo FROM %1 ORDER BY Codigo").arg(kTable))) return fail(sqlError(q.lastError()));
  while (q.next()) out << q.value(0).toString();
  return true;
}

bool EmployeeTable::readRows(const QStringList &fields, const QString &fromCode, int count,
                             QVector<QVector<QVariant>> &out) {
  out.clear();
  if (m_state == State::Inactive) return fail(QStringLiteral("A tabela de funcionários não está aberta"));
  QStringList names;
  for (const QString &f : fields) {
    const int i = fieldIndex(f);
    if (i < 0) return fail(QStringLiteral("Campo %1 não encontrado").arg(f));
    names << QString::fromLatin1(kFields[i].name);
  }
  QSqlQuery q(QSqlDatabase::database(m_connection, false));
  q.setForwardOnly(true);
  q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE Codigo >= ? ORDER BY Codigo LIMIT ?").arg(names.join(", "), kTable));
  q.addBindValue(fromCode);
  q.addBindValue(count);
  if (!q.exec()) return fail(sqlError(q.lastError()));
  while (q.next()) {
    QVector<QVariant> row(names.size());
    for (int i = 0; i < names.size(); ++i) row[i] = q.value(i);
    out << row;
  }
  return true;
}

bool EmployeeTable::beginBatch() {
  if (m_state == State::Inactive) return fail(QStringLiteral("A tabela de funcionários não está aberta"));
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  if (!db.transaction()) return fail(sqlError(db.lastError()));
  return true;
}

bool EmployeeTable::endBatch() {
  if (m_state == State::Inactive) return fail(QStringLiteral("A tabela de funcionários não está aberta"));
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  if (!db.commit()) return fail(sqlError(db.lastError()));
  return true;
}

} // namespace registry
