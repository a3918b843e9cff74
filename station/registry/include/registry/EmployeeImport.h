#pragma once
// The import pass: each line of an import file becomes one stored row of the
// employee table, in file order, or one message saying why not.

#include "registry/EmployeeTable.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace registry {

struct ImportCounts {
  int stored = 0;
  int duplicates = 0; // codes already registered
  int refused = 0;    // lines that could not be stored
};

class EmployeeImport {
public:
  explicit EmployeeImport(EmployeeTable &table) : m_table(table) {}

  // Called before line i (1-based) of n is handled.
  std::function<void(int i, int n)> progress;
  // A duplicate or error message about one line; the import goes on after it.
  std::function<void(const QString &text)> message;

  // Stores the lines one by one. A line is refused when it lacks separators,
  // its date is invalid or the table refuses the row; a half-made row is
  // discarded. Rows stored before a later failure stay stored. The table ends
  // on its first row.
  ImportCounts run(const QStringList &lines);

  // "Codigo Biometrico <code> Já Está Registrado!"
  static QString duplicateText(const QString &codigo);
  // "ERRO!", the reason and the whole line, each on its own line.
  static QString errorText(const QString &reason, const QString &line);
  // What an ended import says: how many lines were stored, already
  // registered and refused.
  static QString summaryText(const ImportCounts &c);

private:
  bool storeLine(const QString &line, QString &reason, bool &duplicate);

  EmployeeTable &m_table;
};

} // namespace registry
