#include "registry/EmployeeImport.h"

#include "registry/ImportFile.h"

#include <QElapsedTimer>

namespace registry {
namespace {
// Stores are committed in groups, so that an import of thousands of rows does
// not wait for the disk after each one; a group never waits longer than this.
constexpr int kBatchMs = 500;
} // namespace

QString EmployeeImport::duplicateText(const QString &codigo) {
  return QString::fromUtf8("Codigo Biometrico ") + codigo + QString::fromUtf8(" Já Está Registrado!");
}

QString EmployeeImport::errorText(const QString &reason, const QString &line) {
  return QStringLiteral("ERRO!\r\n") + reason + QStringLiteral("\r\n") + line;
}

QString EmployeeImport::summaryText(const ImportCounts &c) {
  return QString::fromUtf8("Importação concluída: %1 registrado(s), %2 já registrado(s), %3 recusado(s).")
      .arg(c.stored)
      .arg(c.duplicates)
      .arg(c.refused);
}

bool EmployeeImport::storeLine(const QString &line, QString &reason, bool &duplicate) {
  duplicate = false;
  const ImportLine f = splitImportLine(line);
  // Refused instead of storing a row whose fields would be empty or shifted.
  if (!f.complete) {
    reason = QString::fromUtf8("A linha não tem os oito campos separados por ;");
    return false;
  }
  if (!f.codigo.isEmpty()) {
    const Lookup found = m_table.findKey(f.codigo);
    if (found == Lookup::Failed) {
      // A lookup that fails is no proof the code is free.
      reason = m_table.errorString();
      return false;
    }
    if (found == Lookup::Found) {
      duplicate = true;
      return false;
    }
  }
  QDate nascimento;
  const bool dateOk = importDate(f.nascimento, nascimento);
  if (!m_table.insert()) {
    reason = m_table.errorString();
    return false;
  }
  const std::pair<const char *, QVariant> values[] = {
      {"Codigo", f.codigo}, {"Empresa", f.empresa},     {"Biometria", QStringLiteral("N")},
      {"nome", f.nome},     {"obs", f.obs},             {"rg", f.rg},
      {"bloqueado", f.bloqueado}, {"motivobloq", f.motivobloq},
  };
  for (const auto &[name, value] : values) {
    if (!m_table.setValue(QLatin1String(name), value)) {
      reason = m_table.errorString();
      m_table.cancel();
      return false;
    }
  }
  if (!dateOk) {
    reason = QString::fromUtf8("\"%1\" não é uma data válida (campo nascimento)").arg(f.nascimento);
    m_table.cancel();
    return false;
  }
  if (!m_table.setValue(QStringLiteral("nascimento"), nascimento) || !m_table.post()) {
    reason = m_table.errorString();
    m_table.cancel();
    return false;
  }
  return true;
}

ImportCounts EmployeeImport::run(const QStringList &lines) {
  ImportCounts counts;
  const int n = int(lines.size());
  bool batch = m_table.beginBatch();
  int pending = 0; // stored in the open batch, not yet committed
  QElapsedTimer sinceCommit;
  sinceCommit.start();
  // A failed commit loses its batch: those lines count as refused and say so.
  auto commit = [&]() {
    if (!batch) return;
    if (!m_table.endBatch()) {
      counts.stored -= pending;
      counts.refused += pending;
      if (message) message(errorText(m_table.errorString(), QString::fromUtf8("(%1 linha(s) não gravada(s))").arg(pending)));
      batch = false;
    }
    pending = 0;
  };
  for (int i = 0; i < n; ++i) {
    if (progress) progress(i + 1, n);
    QString reason;
    bool duplicate = false;
    if (storeLine(lines[i], reason, duplicate)) {
      ++counts.stored;
      if (batch) ++pending;
    } else if (duplicate) {
      ++counts.duplicates;
    } else {
      ++counts.refused;
    }
    // Rows stored so far reach the disk before a message box waits for the user.
    const bool speaks = duplicate || !reason.isEmpty();
    if (batch && (speaks || sinceCommit.elapsed() >= kBatchMs)) {
      commit();
      batch = batch && m_table.beginBatch();
      sinceCommit.restart();
    }
    if (duplicate && message) message(duplicateText(splitImportLine(lines[i]).codigo));
    else if (!reason.isEmpty() && message) message(errorText(reason, lines[i]));
  }
  commit();
  m_table.first();
  return counts;
}

} // namespace registry
