// libFuzzer target: any bytes read as an employee import file. Splitting
// never reads past the input, every field keeps its width, and the import
// pass on a table in memory stores only rows the table accepts.
#include "registry/EmployeeImport.h"
#include "registry/ImportFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  const QStringList lines = registry::splitImportLines(bytes);
  for (const QString &line : lines) {
    const registry::ImportLine f = registry::splitImportLine(line);
    if (f.codigo.size() > 20 || f.empresa.size() > 20 || f.rg.size() > 20 || f.nome.size() > 100 ||
        f.motivobloq.size() > 100 || f.obs.size() > 100 || f.bloqueado.size() > 1)
      std::abort();
    QDate d;
    registry::importDate(f.nascimento, d);
  }
  static registry::EmployeeTable *table = [] {
    auto *t = new registry::EmployeeTable;
    if (!t->open(QStringLiteral(":memory:"))) std::abort();
    return t;
  }();
  registry::EmployeeImport importer(*table);
  const registry::ImportCounts c = importer.run(lines.mid(0, 16));
  if (c.stored + c.duplicates + c.refused != int(std::min<qsizetype>(lines.size(), 16))) std::abort();
  if (table->state() != registry::EmployeeTable::State::Browse) std::abort();
  return 0;
}
