// bench_store [ROWS]: LoadData of ROWS (100,000) templates of 250 bytes into
// the 256 groups, from an SQLite file and, when TALVENOX_TEST_PG names a
// server (scripts/with-postgres.sh), from PostgreSQL. Baseline: the same rows
// read by the sqlite3 / psql clients in the same run. Goals: SQLite under
// 2 s, PostgreSQL under 4 s, memory held under 100 MB.
#include "shared_state.h"
#include "template_store.h"

#include "sqlconnect/SqlConnect.h"
#include "sqlconnect/TemplateSchema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

using namespace dactilox;

namespace {

long rssKb() {
  QFile f("/proc/self/status");
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray &line : f.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return 0;
}

bool fill(const QString &conexao, int rows) {
  QString error;
  bool ok = false;
  {
    QSqlDatabase db = sqlconnect::open(sqlconnect::parse(conexao), "fill", &error);
    if (!db.isOpen()) {
      std::fprintf(stderr, "bench_store: %s\n", qPrintable(error));
      return false;
    }
    QSqlQuery(db).exec("DROP TABLE IF EXISTS tblBiometrica");
    QSqlQuery(db).exec("DROP TABLE IF EXISTS tblBiometricaUpdate");
    if (!sqlconnect::createTemplateTables(db, &error)) {
      std::fprintf(stderr, "bench_store: %s\n", qPrintable(error));
    } else {
      QRandomGenerator gen(42);
      db.transaction();
      QSqlQuery q(db);
      q.prepare("INSERT INTO tblBiometrica (CodUsuario, IndiceDedo, BioFeatures, BioSize) VALUES (?, ?, ?, ?)");
      QByteArray t(250, 0);
      ok = true;
      for (int i = 0; ok && i < rows; ++i) {
        for (char &c : t) c = char(gen.bounded(256));
        q.addBindValue(QString::number(i / 10));
        q.addBindValue(i % 10);
        q.addBindValue(t);
        q.addBindValue(int(t.size()));
        ok = q.exec();
        if (!ok) std::fprintf(stderr, "bench_store: %s\n", qPrintable(q.lastError().text()));
      }
      ok = ok && db.commit();
    }
  }
  sqlconnect::close("fill");
  return ok;
}

double seconds(QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e9; }

// The client reads the same rows and writes them to /dev/null.
double clientRead(const QString &program, const QStringList &args) {
  QProcess p;
  p.setStandardOutputFile(QProcess::nullDevice());
  QElapsedTimer t;
  t.start();
  p.start(program, args);
  if (!p.waitForFinished(600000) || p.exitCode() != 0) return -1;
  return seconds(t);
}

struct Result {
  double load = -1;
  long heldKb = 0;
  size_t records = 0;
};

Result load(const QString &conexao) {
  store::ClearData();
  for (auto &g : estado().gruposDigitais) g.reset();
  estado().banco.conexaoSQL = conexao;
  if (!store::OpenConnection()) return {};
  const long before = rssKb();
  QElapsedTimer t;
  t.start();
  store::LoadData();
  Result r;
  r.load = seconds(t);
  r.heldKb = rssKb() - before;
  for (const auto &g : estado().gruposDigitais)
    if (g) r.records += g->size();
  store::CloseConnection();
  return r;
}

bool report(const char *name, const Result &r, double baseline, const char *baselineName, double goal, int rows) {
  const bool pass = r.load >= 0 && baseline > 0 && r.load < goal && r.heldKb < 100 * 1024 && r.records == size_t(rows);
  std::printf("%-10s LoadData %zu templates: %.3f s (goal < %.0f s); %s read: %.3f s; ratio %.2f; memory held %.1f MB "
              "(goal < 100 MB)  %s\n",
              name, r.records, r.load, goal, baselineName, baseline, baseline > 0 ? r.load / baseline : 0.0,
              double(r.heldKb) / 1024.0, pass ? "PASS" : "FAIL");
  return pass;
}

}  // namespace

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  store::definirCaixaMensagem([](store::Icone, const QString &texto, bool) {
    std::fprintf(stderr, "bench_store: box: %s\n", qPrintable(texto));
    return store::Resposta::Desistir;
  });
  bool ok = true;
  const char *sql = "SELECT CodUsuario, IndiceDedo, BioFeatures, BioSize FROM tblBiometrica";

  QTemporaryDir dir;
  const QString file = dir.filePath("biometrica.mdb");
  QFile(file).open(QIODevice::WriteOnly);
  if (!fill("Data Source=" + file, rows)) return 1;
  const double sqliteRead = clientRead("sqlite3", {file, sql});
  ok = report("SQLite", load("Data Source=" + file), sqliteRead, "sqlite3", 2.0, rows) && ok;

  const QString pg = qEnvironmentVariable("TALVENOX_TEST_PG");
  if (pg.isEmpty()) {
    std::printf("PostgreSQL: skipped (run under scripts/with-postgres.sh)\n");
  } else {
    if (!fill(pg, rows)) return 1;
    const double psqlRead = clientRead("psql", {"-Atqc", sql});
    ok = report("PostgreSQL", load(pg), psqlRead, "psql", 4.0, rows) && ok;
  }
  return ok ? 0 : 1;
}
