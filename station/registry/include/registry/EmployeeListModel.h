#pragma once
// The registry's employee list: columns nome, codigo, empresa, obs in code
// order, each row coloured by its flags (blocked red, enrolled blue, else
// navy). Rows are read from the table a page at a time as the view asks for
// them, so a table of 100,000 employees scrolls without loading them all.

#include "registry/EmployeeTable.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

namespace registry {

class EmployeeListModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit EmployeeListModel(EmployeeTable &table, QObject *parent = nullptr);

  // Reads the codes afresh (after a store, a delete or an import). False
  // with the table's error text when that fails; the list is then empty.
  bool reload();
  QString errorString() const { return m_error; }

  // Row of a code, -1 when it is not listed.
  int rowOf(const QString &codigo) const { return m_rowOf.value(codigo, -1); }
  QString codeAt(int row) const { return row >= 0 && row < m_codes.size() ? m_codes[row] : QString(); }

  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
  const QVector<QVariant> *rowData(int row) const;

  EmployeeTable &m_table;
  QStringList m_codes;
  QHash<QString, int> m_rowOf;
  mutable QHash<int, QVector<QVector<QVariant>>> m_pages;
  QString m_error;
};

} // namespace registry
