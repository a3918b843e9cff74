// registry_bench: (1) importing 100,000 lines through the station's import
// pass beside a plain SQLite import of the same rows (one prepared INSERT in
// one transaction, the same table); (2) the registry list with 100,000
// employees: opening, scrolling and selecting a row, beside the same with
// 1,000 employees. Goals: import under 10 s; scroll and select under 50 ms.
#include "registry/EmployeeImport.h"
#include "registry/ImportFile.h"
#include "registry/Tfrm_cadBio.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

QByteArray importFile(int n) {
  QByteArray out;
  out.reserve(qsizetype(n) * 80);
  for (int i = 0; i < n; ++i) {
    out += QStringLiteral("0001;%1;RG%2;Funcion\xe1rio %3 da Concei\xe7\xe3o;%4/%5/19%6;%7;%8;observa\xe7\xe3o %9\r\n")
               .arg(i, 8, 10, QChar('0'))
               .arg(i)
               .arg(i)
               .arg(1 + i % 28, 2, 10, QChar('0'))
               .arg(1 + i % 12, 2, 10, QChar('0'))
               .arg(50 + i % 50)
               .arg(i % 10 == 0 ? "S" : "N")
               .arg(i % 10 == 0 ? "motivo" : "")
               .arg(i)
               .toLatin1();
  }
  return out;
}

double stationImport(const QString &file, const QString &db, registry::ImportCounts &counts) {
  QElapsedTimer t;
  t.start();
  registry::EmployeeTable table;
  if (!table.open(db)) std::abort();
  QStringList lines;
  QString error;
  if (!registry::readImportFile(file, lines, error)) std::abort();
  registry::EmployeeImport importer(table);
  counts = importer.run(lines);
  return double(t.nsecsElapsed()) / 1e9;
}

// The same rows, the same table, by hand: one statement, one transaction.
double plainImport(const QString &file, const QString &db) {
  { registry::EmployeeTable create; if (!create.open(db)) std::abort(); }
  QElapsedTimer t;
  t.start();
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) std::abort();
  const QByteArray bytes = f.readAll();
  sqlite3 *h = nullptr;
  sqlite3_open(db.toUtf8().constData(), &h);
  sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt *st = nullptr;
  sqlite3_prepare_v2(h,
                     "INSERT INTO zeltron (Empresa, Codigo, rg, nome, nascimento, bloqueado, motivobloq, obs, Biometria) "
                     "VALUES (?,?,?,?,?,?,?,?,'N')",
                     -1, &st, nullptr);
  for (const QByteArray &line : bytes.split('\n')) {
    if (line.isEmpty()) continue;
    const QList<QByteArray> f8 = line.trimmed().split(';');
    for (int k = 0; k < 8 && k < f8.size(); ++k) {
      QByteArray v = f8[k];
      if (k == 4) { // dd/mm/yyyy -> yyyy-mm-dd, as the station stores dates
        const QList<QByteArray> d = v.split('/');
        v = d.size() == 3 ? d[2] + '-' + d[1] + '-' + d[0] : QByteArray();
      }
      sqlite3_bind_text(st, k + 1, v.constData(), int(v.size()), SQLITE_TRANSIENT);
    }
    if (sqlite3_step(st) != SQLITE_DONE) std::abort();
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(h);
  return double(t.nsecsElapsed()) / 1e9;
}

struct ListTimes {
  double openMs, scrollMeanMs, scrollMaxMs, selectMeanMs, selectMaxMs;
};

ListTimes listTimes(const QString &db, const QString &home) {
  registry::EmployeeTable table;
  if (!table.open(db)) std::abort();
  settings::RegistroPrincipal registro;
  settings::defaultColours(registro);
  settings::configuracaopadrao(registro, settings::kNenhum);
  registro.pastabio = home + "/";
  registry::Tfrm_cadBio screen({table, registro, paths::StationPaths(home), services::realServices()});
  QElapsedTimer t;
  t.start();
  screen.show();
  QCoreApplication::processEvents();
  ListTimes r{};
  r.openMs = double(t.nsecsElapsed()) / 1e6;
  auto *grid = screen.findChild<QTableView *>("DBGrid1");
  const int rows = grid->model()->rowCount();
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> pick(0, rows - 1);
  const int rounds = 200;
  double sum = 0;
  for (int i = 0; i < rounds; ++i) {
    t.restart();
    grid->verticalScrollBar()->setValue(pick(rng));
    grid->viewport()->repaint();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    sum += ms;
    r.scrollMaxMs = std::max(r.scrollMaxMs, ms);
  }
  r.scrollMeanMs = sum / rounds;
  sum = 0;
  for (int i = 0; i < rounds; ++i) {
    const int row = pick(rng);
    t.restart();
    grid->setCurrentIndex(grid->model()->index(row, 0));
    grid->viewport()->repaint();
    screen.repaint();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    sum += ms;
    r.selectMaxMs = std::max(r.selectMaxMs, ms);
  }
  r.selectMeanMs = sum / rounds;
  return r;
}

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const int n = 100000;
  const QString file = dir.filePath("import.txt");
  {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(importFile(n)) < 0) std::abort();
  }
  registry::ImportCounts counts;
  const double plain = plainImport(file, dir.filePath("plain.db"));
  const double station = stationImport(file, dir.filePath("zeltron.db"), counts);
  std::printf("import of %d lines: station %.2f s (%d stored, %d duplicates, %d refused), plain SQLite %.2f s, "
              "ratio %.1f; goal under 10 s: %s\n",
              n, station, counts.stored, counts.duplicates, counts.refused, plain, station / plain,
              station < 10 ? "met" : "MISSED");

  // A 1,000-employee table as the baseline of the list.
  const QString small = dir.filePath("small.db");
  {
    QFile f(dir.filePath("small.txt"));
    if (!f.open(QIODevice::WriteOnly) || f.write(importFile(1000)) < 0) std::abort();
  }
  registry::ImportCounts ignored;
  stationImport(dir.filePath("small.txt"), small, ignored);
  const ListTimes base = listTimes(small, dir.path());
  const ListTimes big = listTimes(dir.filePath("zeltron.db"), dir.path());
  std::printf("registry list, 1,000 vs 100,000 employees (ms): open %.1f / %.1f; scroll mean %.2f / %.2f, max %.2f / %.2f; "
              "select mean %.2f / %.2f, max %.2f / %.2f\n",
              base.openMs, big.openMs, base.scrollMeanMs, big.scrollMeanMs, base.scrollMaxMs, big.scrollMaxMs,
              base.selectMeanMs, big.selectMeanMs, base.selectMaxMs, big.selectMaxMs);
  std::printf("ratio 100,000/1,000: scroll mean %.2f, select mean %.2f; goal under 50 ms per scroll and select: %s\n",
              big.scrollMeanMs / base.scrollMeanMs, big.selectMeanMs / base.selectMeanMs,
              big.scrollMaxMs < 50 && big.selectMaxMs < 50 ? "met" : "MISSED");
  return 0;
}
