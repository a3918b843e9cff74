#pragma once
// The employee table: one SQLite file ("zeltron.db") holding the table of
// the 42 employee fields with the primary key iCod on Codigo, behind a
// cursor with one current row and the browse/edit/insert states that the
// station and the registry screen share.
//
// Field names are matched without regard to case. Text values longer than
// their field, a second row with an existing code, an empty code and a date
// field that does not hold a valid date are refused when the row is stored;
// the row then stays in its editing or insertion state. Errors come back as
// the table's own text in errorString().

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <optional>
#include <span>

namespace registry {

enum class FieldKind { Text, Date, Bytes };

struct FieldDef {
  const char *name;
  FieldKind kind;
  int width; // characters, for text fields
};

// The fields in table order.
std::span<const FieldDef> employeeFields();

// What a lookup found. A failed query (a locked or damaged file) is not "no
// such row": callers must not act on it as if the row were missing.
enum class Lookup { Found, NotFound, Failed };

class EmployeeTable {
public:
  enum class State { Inactive, Browse, Edit, Insert };

  EmployeeTable();
  ~EmployeeTable();
  EmployeeTable(const EmployeeTable &) = delete;
  EmployeeTable &operator=(const EmployeeTable &) = delete;

  // Opens the table file; when it does not exist, creates it empty first.
  // An existing file is only read until the table has been checked: a file
  // that is not the employee table is left as it is.
  bool open(const QString &path);
  void close();
  bool isOpen() const { return m_state != State::Inactive; }
  State state() const { return m_state; }
  const QString &errorString() const { return m_error; }
  const QString &path() const { return m_path; }

  // Browsing in code order. NotFound when there is no such row and Failed
  // (with errorString()) when the table could not be read; either way the
  // current row stays where it was.
  Lookup findKey(const QString &codigo);
  Lookup first();
  Lookup next();
  Lookup prior();
  Lookup last();
  bool hasRow() const { return !m_row.isEmpty(); }
  // The number of rows; nothing (with errorString()) when it cannot be read.
  std::optional<int> recordCount();
  // True only for a table read as holding no row.
  bool isEmpty() { return recordCount() == 0; }

  // Field of the current row (or of the row being edited). Unknown names
  // give an invalid QVariant.
  QVariant value(const QString &field) const;
  QString text(const QString &field) const { return value(field).toString(); }
  QDate date(const QString &field) const;

  // Editing: edit() the current row or insert() a new empty one, set values,
  // then post() or cancel().
  bool edit();
  bool insert();
  bool setValue(const QString &field, const QVariant &value);
  bool post();
  void cancel();
  // Deletes the current row; the next row (or the previous) becomes current.
  bool remove();

  // For the registry list, read-only and apart from the current row: every
  // code in code order, and up to `count` rows from `fromCode` on (the given
  // fields, in order). False with errorString() when the query fails.
  bool allCodes(QStringList &out);
  bool readRows(const QStringList &fields, const QString &fromCode, int count, QVector<QVector<QVariant>> &out);

  // Groups many stores into one commit (the import); each post() still
  // succeeds or fails on its own.
  bool beginBatch();
  bool endBatch();

private:
  int fieldIndex(const QString &name) const;
  Lookup loadRow(const QString &sql, const QVariantList &binds);
  bool fail(const QString &text);
  bool checkRow(QVector<QVariant> &row);

  QString m_connection;
  QString m_path;
  State m_state = State::Inactive;
  QString m_error;
  QVector<QVariant> m_row;    // current row as stored
  QVector<QVariant> m_buffer; // row being edited or inserted
  QString m_key;              // Codigo of the current row as stored
};

} // namespace registry
