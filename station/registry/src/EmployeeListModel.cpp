#include "registry/EmployeeListModel.h"

#include <QColor>

namespace registry {
namespace {
constexpr int kPageRows = 256;
// Columns shown, then the flags that colour the row.
const QStringList &fieldsRead() {
  static const QStringList f{"nome", "Codigo", "Empresa", "obs", "bloqueado", "Biometria"};
  return f;
}
constexpr int kShownColumns = 4;
constexpr int kMaxCachedPages = 64;
} // namespace

EmployeeListModel::EmployeeListModel(EmployeeTable &table, QObject *parent)
    : QAbstractTableModel(parent), m_table(table) {}

bool EmployeeListModel::reload() {
  beginResetModel();
  m_pages.clear();
  m_rowOf.clear();
  m_error.clear();
  bool ok = m_table.allCodes(m_codes);
  if (!ok) {
    m_error = m_table.errorString();
    m_codes.clear();
  }
  m_rowOf.reserve(m_codes.size());
  for (int i = 0; i < m_codes.size(); ++i) m_rowOf.insert(m_codes[i], i);
  endResetModel();
  return ok;
}

int EmployeeListModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : int(m_codes.size());
}

int EmployeeListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kShownColumns; }

const QVector<QVariant> *EmployeeListModel::rowData(int row) const {
  if (row < 0 || row >= m_codes.size()) return nullptr;
  const int page = row / kPageRows;
  auto it = m_pages.find(page);
  if (it == m_pages.end()) {
    if (m_pages.size() >= kMaxCachedPages) m_pages.clear();
    QVector<QVector<QVariant>> rows;
    // A failed read shows blank rows; the next paint tries again.
    if (!m_table.readRows(fieldsRead(), m_codes[page * kPageRows], kPageRows, rows)) return nullptr;
    it = m_pages.insert(page, rows);
  }
  const int offset = row - page * kPageRows;
  return offset < it->size() ? &(*it)[offset] : nullptr;
}

QVariant EmployeeListModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid()) return {};
  if (role != Qt::DisplayRole && role != Qt::ForegroundRole) return {};
  const QVector<QVariant> *row = rowData(index.row());
  if (!row) return {};
  if (role == Qt::DisplayRole) return (*row)[index.column()].toString();
  if ((*row)[4].toString() == QLatin1String("S")) return QColor(Qt::red);
  if ((*row)[5].toString() == QLatin1String("S")) return QColor(Qt::blue);
  return QColor(0, 0, 128); // navy
}

QVariant EmployeeListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kShownColumns) return {};
  static const char *const titles[] = {"nome", "codigo", "empresa", "obs"};
  return QString::fromLatin1(titles[section]);
}

} // namespace registry
