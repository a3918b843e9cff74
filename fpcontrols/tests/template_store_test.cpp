// The template store against a real database: an SQLite file, or the
// PostgreSQL server named by TALVENOX_TEST_PG (scripts/with-postgres.sh
// starts one for the "_pg" run of this test).
#include "ctrl_fpdb.h"
#include "ctrl_identificar.h"
#include "shared_state.h"
#include "template_store.h"
#include "test_support.h"
#include "trace_log.h"

#include "sqlconnect/SqlConnect.h"
#include "sqlconnect/TemplateSchema.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

using namespace dactilox;
using namespace dactilox::test;
using component::Value;

namespace {

const char *const kAdmin = "store_test_admin";

QByteArray modelo(uint8_t chave, char conteudo, int tamanho = 40) {
  QByteArray b(tamanho, conteudo);
  b[0] = char(0x11);
  b[1] = char(chave);
  return b;
}

bool postgres() { return !qEnvironmentVariableIsEmpty("TALVENOX_TEST_PG"); }

class Store : public ::testing::Test {
protected:
  void SetUp() override {
    ensureApp();
    useEngine("libfake_ppvbp42.so");
    caixasMostradas().clear();
    estado().banco = ConfiguracaoBanco{};
    estado().banco.delimitadorString = QStringLiteral("'");
    ASSERT_TRUE(m_dir.isValid());
    QString error;
    if (postgres()) {
      m_conexao = qEnvironmentVariable("TALVENOX_TEST_PG");
    } else {
      const QString file = m_dir.filePath("biometrica.mdb");
      QFile f(file);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.close();
      m_conexao = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file + ";Persist Security Info = False";
    }
    m_admin = sqlconnect::open(sqlconnect::parse(m_conexao), kAdmin, &error);
    ASSERT_TRUE(m_admin.isOpen()) << error.toStdString();
    exec("DROP TABLE IF EXISTS tblBiometrica");
    exec("DROP TABLE IF EXISTS tblBiometricaUpdate");
    exec("DROP TABLE IF EXISTS tblPontos");
    ASSERT_TRUE(sqlconnect::createTemplateTables(m_admin, &error)) << error.toStdString();
    estado().banco.conexaoSQL = m_conexao;
    // The trace file lands in the drive folder of this test.
    qputenv("TALVENOX_DRIVE_C", m_dir.path().toUtf8());
  }
  void TearDown() override {
    store::CloseConnection();
    store::ClearData();
    for (auto &g : estado().gruposDigitais) g.reset();
    estado().banco = ConfiguracaoBanco{};
    m_admin = QSqlDatabase();
    sqlconnect::close(kAdmin);
    qunsetenv("TALVENOX_DRIVE_C");
  }

  void exec(const QString &sql, const QVariantList &binds = {}) {
    QSqlQuery q(m_admin);
    bool ok;
    if (binds.isEmpty()) {
      ok = q.exec(sql);  // the server cannot prepare table definitions
    } else {
      q.prepare(sql);
      for (const QVariant &b : binds) q.addBindValue(b);
      ok = q.exec();
    }
    ASSERT_TRUE(ok) << sql.toStdString() << ": " << q.lastError().text().toStdString();
  }
  void inserir(const QString &code, int finger, const QVariant &bytes) {
    exec("INSERT INTO tblBiometrica (CodUsuario, IndiceDedo, BioFeatures, BioSize) VALUES (?, ?, ?, ?)",
         {code, finger, bytes, int(bytes.toByteArray().size())});
  }
  QStringList linhas(const QString &sql, const QVariantList &binds = {}) {
    QSqlQuery q(m_admin);
    q.prepare(sql);
    for (const QVariant &b : binds) q.addBindValue(b);
    EXPECT_TRUE(q.exec()) << sql.toStdString() << ": " << q.lastError().text().toStdString();
    QStringList out;
    while (q.next()) {
      QStringList row;
      for (int i = 0; i < q.record().count(); ++i) row << q.value(i).toString();
      out << row.join('|');
    }
    return out;
  }
  QStringList pendentes() {
    return linhas("SELECT Ponto, CodUsuario, IndiceDedo FROM tblBiometricaUpdate ORDER BY Ponto, CodUsuario, IndiceDedo");
  }
  // Every record in memory as "group:code:finger:first payload byte".
  static QStringList memoria() {
    QStringList out;
    for (int g = 0; g < kGroups; ++g) {
      if (!estado().gruposDigitais[g]) continue;
      for (const FingerprintRecord &r : *estado().gruposDigitais[g])
        out << QStringLiteral("%1:%2:%3:%4").arg(g).arg(r.codUsuario).arg(r.indiceDedo).arg(int(uint8_t(r.bioFeatures.at(2))));
    }
    return out;
  }
  QString trace() {
    QFile f(m_dir.filePath("ZeltAccessLog.txt"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
  }

  QTemporaryDir m_dir;
  QString m_conexao;
  QSqlDatabase m_admin;
};

TEST_F(Store, LoadFillsTheGroupsByTheSecondByteAndSkipsEmptyTemplates) {
  inserir("7", 1, modelo(7, 'a'));
  inserir("200", 0, modelo(200, 'b'));
  inserir("200", 3, modelo(7, 'c'));
  inserir("vazio", 2, QByteArray(""));
  exec("INSERT INTO tblBiometrica (CodUsuario, IndiceDedo) VALUES ('nulo', 4)");
  inserir("curto", 5, QByteArray("x"));
  exec("INSERT INTO tblBiometricaUpdate (Ponto, CodUsuario, IndiceDedo) VALUES (2, '7', 1), (3, '7', 1)");
  CtrlFPdb fpdb;
  fpdb.setNumeroPontoIdentificador(2);
  fpdb.setHabilitarTrace(1);
  fpdb.InicializarFPdb();
  QStringList m = memoria();
  m.sort();
  EXPECT_EQ(m, (QStringList{"200:200:0:98", "7:200:3:99", "7:7:1:97"}));
  EXPECT_EQ(pendentes(), QStringList{"3|7|1"}) << "the rows of this point are cleared at start";
  EXPECT_TRUE(caixasMostradas().empty());
  EXPECT_TRUE(trace().contains(" - Erro ao adicionar digital na memória. Reinicie o sistema ...\r\n"))
      << "a template too short for its group is left out with a trace line";

  fpdb.EncerrarFPdb();
  EXPECT_TRUE(memoria().isEmpty());
  EXPECT_FALSE(store::conectado());

  // A custom load query and the load switch.
  struct Case {
    const char *name, *clausula;
    uint8_t carregar;
    QStringList memoria, pendentes;
  };
  exec("INSERT INTO tblBiometricaUpdate (Ponto, CodUsuario, IndiceDedo) VALUES (2, '7', 1)");
  const Case cases[] = {
      {"custom condition", "WHERE IndiceDedo < 2", 1, {"200:200:0:98", "7:7:1:97"}, {"3|7|1"}},
      {"load switch off", "", 0, {}, {"2|7|1", "3|7|1"}},
  };
  for (const Case &c : cases) {
    if (c.carregar == 0) exec("INSERT INTO tblBiometricaUpdate (Ponto, CodUsuario, IndiceDedo) VALUES (2, '7', 1)");
    CtrlFPdb again;
    again.setClausulaSQLWhere(QString::fromUtf8(c.clausula));
    again.setCarregarDigitais(c.carregar);
    again.setNumeroPontoIdentificador(2);
    again.InicializarFPdb();
    QStringList got = memoria();
    got.sort();
    EXPECT_EQ(got, c.memoria) << c.name;
    EXPECT_EQ(pendentes(), c.pendentes) << c.name;
    again.EncerrarFPdb();
  }
}

TEST_F(Store, EnrollingOverwritesAndWritesPendingRowsForEveryPoint) {
  struct Case {
    const char *name;
    uint8_t pontos;
    QStringList pendentes;
  };
  const Case cases[] = {
      {"no points", 0, {}},
      {"three points", 3, {"1|0042|6", "2|0042|6", "3|0042|6"}},
  };
  ASSERT_TRUE(store::OpenConnection());
  for (const Case &c : cases) {
    exec("DELETE FROM tblBiometrica");
    exec("DELETE FROM tblBiometricaUpdate");
    estado().banco.quantidadePontosIdentificadores = c.pontos;
    // Longer buffers than the template: only the first size bytes count.
    ASSERT_TRUE(store::AddRecordDB("0042", modelo(9, 'a') + "resto", 40, 6)) << c.name;
    ASSERT_TRUE(store::AddRecordMemory("0042", modelo(9, 'a') + "resto", 40, 6));
    ASSERT_TRUE(store::AddRecordDB("0042", modelo(12, 'b'), 40, 6)) << c.name;
    ASSERT_TRUE(store::AddRecordMemory("0042", modelo(12, 'b'), 40, 6));
    EXPECT_EQ(linhas("SELECT CodUsuario, IndiceDedo, BioSize FROM tblBiometrica"), QStringList{"0042|6|40"}) << c.name;
    EXPECT_EQ(linhas("SELECT BioFeatures FROM tblBiometrica").value(0).toLatin1(), modelo(12, 'b')) << c.name;
    EXPECT_EQ(pendentes(), c.pendentes) << c.name;
    EXPECT_EQ(memoria(), QStringList{"12:0042:6:98"}) << c.name;
    EXPECT_EQ(estado().gruposDigitais[12]->front().bioFeatures.size(), 40);
    ASSERT_TRUE(estado().gruposDigitais[9].has_value()) << "a group once made stays";
    EXPECT_TRUE(estado().gruposDigitais[9]->empty());
  }
  EXPECT_TRUE(caixasMostradas().empty());
}

TEST_F(Store, CodesAreStoredAndDeletedAsThemselvesWithEitherDelimiter) {
  const QString codes[] = {"O'Brien", "aspas\"duplas", "'; DROP TABLE tblBiometrica; --",
                           "\"; DROP TABLE tblBiometricaUpdate; --", "123"};
  ASSERT_TRUE(store::OpenConnection());
  inserir("outro", 0, modelo(1, 'z'));
  estado().banco.quantidadePontosIdentificadores = 2;
  for (const uint8_t delimitador : {uint8_t(0), uint8_t(1), uint8_t(2)}) {
    CtrlFPdb fpdb;  // a new control keeps the delimiter and the connection
    if (delimitador) fpdb.setSQLDelimitadorString(delimitador);
    estado().banco.quantidadePontosIdentificadores = 2;
    for (const QString &code : codes) {
      SCOPED_TRACE(QStringLiteral("%1 with delimiter %2").arg(code).arg(delimitador).toStdString());
      ASSERT_TRUE(store::AddRecordDB(code, modelo(3, 'q'), 40, 1));
      ASSERT_TRUE(store::AddRecordMemory(code, modelo(3, 'q'), 40, 1));
      EXPECT_EQ(linhas("SELECT IndiceDedo FROM tblBiometrica WHERE CodUsuario = ?", {code}), QStringList{"1"});
      EXPECT_EQ(linhas("SELECT Ponto FROM tblBiometricaUpdate WHERE CodUsuario = ? ORDER BY Ponto", {code}),
                (QStringList{"1", "2"}));
      EXPECT_TRUE(store::DeleteRecord(code));
      EXPECT_TRUE(linhas("SELECT * FROM tblBiometrica WHERE CodUsuario = ?", {code}).isEmpty());
      EXPECT_TRUE(linhas("SELECT * FROM tblBiometricaUpdate WHERE CodUsuario = ?", {code}).isEmpty());
      EXPECT_EQ(memoria(), QStringList{}) << "only the code's own records go";
    }
  }
  EXPECT_EQ(linhas("SELECT CodUsuario FROM tblBiometrica"), QStringList{"outro"});
  EXPECT_TRUE(caixasMostradas().empty());
}

TEST_F(Store, ExcluirUsuarioReportsMemoryAndAlwaysDeletesTheRows) {
  auto o = create("ctrlIdentificar");
  Recorder rec(o.get());
  ASSERT_TRUE(store::OpenConnection());
  inserir("so-na-tabela", 0, modelo(4, 'a'));
  inserir("nos-dois", 1, modelo(4, 'b'));
  ASSERT_TRUE(store::AddRecordMemory("nos-dois", modelo(4, 'b'), 40, 1));
  struct Case {
    const char *name;
    Value arg;
    int32_t result;
    std::vector<std::string> event;
  };
  Case cases[] = {
      {"only in the table", Value::utf8("so-na-tabela"), 0, {"S:0"}},
      {"in memory and table", Value::utf8("nos-dois"), -1, {"S:nos-dois"}},
      {"Empty argument", Value(), 0, {}},
      {"blank code", Value::utf8("  "), 0, {}},
  };
  for (Case &c : cases) {
    rec.clear();
    Value result;
    ASSERT_EQ(callMethod(o.get(), 0x60030024, {c.arg.get()}, &result), component::kOk) << c.name;
    EXPECT_EQ(result.get()->v.i4, c.result) << c.name;
    if (c.event.empty()) EXPECT_TRUE(rec.events.empty()) << c.name;
    else EXPECT_EQ(rec.events.at(0).args, c.event) << c.name;
  }
  EXPECT_TRUE(linhas("SELECT * FROM tblBiometrica").isEmpty());
  EXPECT_TRUE(memoria().isEmpty());
  EXPECT_TRUE(caixasMostradas().empty());
}

TEST_F(Store, PendingTemplatesReachMemoryOnTheUpdateTick) {
  ASSERT_TRUE(store::OpenConnection());
  estado().banco.habilitarTrace = 1;
  inserir("ana", 2, modelo(30, 'a'));
  inserir("bia", 7, modelo(31, 'b'));
  exec("INSERT INTO tblBiometricaUpdate (Ponto, CodUsuario, IndiceDedo) VALUES "
       "(4, 'ana', 2), (4, 'sumiu', 1), (4, 'bia', 7), (5, 'bia', 7)");
  estado().banco.numeroPontoIdentificador = 4;

  auto o = create("ctrlIdentificar");
  ASSERT_EQ(putProperty(o.get(), 0x68030010 /* IntervaloAtualizarDigitais */, Value::integer(20)), component::kOk);
  QElapsedTimer t;
  t.start();
  while (pendentes() != QStringList{"5|bia|7"} && t.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  ASSERT_EQ(pendentes(), QStringList{"5|bia|7"}) << "this point's rows are consumed, another point's stay";
  QStringList m = memoria();
  m.sort();
  EXPECT_EQ(m, (QStringList{"30:ana:2:97", "31:bia:7:98"}));
  EXPECT_TRUE(trace().contains(" - Erro ao executar o método AtualiarDigitais. Provável falha no ODBC! Reinicie o sistema ...\r\n"))
      << "the row of a template that is gone is reported";
  ASSERT_EQ(putProperty(o.get(), 0x68030010, Value::integer(0)), component::kOk);
}

TEST_F(Store, FailuresShowTheirMessagesAndLeaveNothingHalfWritten) {
  // No connection text: the instruction, and the start still completes.
  estado().banco.conexaoSQL.clear();
  auto o = create("ctrlFPdb");
  Recorder rec(o.get());
  ASSERT_EQ(callMethod(o.get(), 0x60030007, {}), component::kOk);
  ASSERT_FALSE(caixasMostradas().empty());
  EXPECT_EQ(caixasMostradas().front(),
            QStringLiteral("Especifique o caminho de conexão para a tabela tblBiometrica\r\rConexão Padrão ADO - "
                           "ActiveX Data Object (ConnectionString, UserID, Password, Options)."));
  EXPECT_EQ(rec.names().back(), "FPdbInicializado");
  callMethod(o.get(), 0x60030008, {});
  caixasMostradas().clear();

  // A file that is not there: the connection error.
  if (!postgres()) {
    estado().banco.conexaoSQL = "Data Source=" + m_dir.filePath("nada.mdb");
    EXPECT_FALSE(store::OpenConnection());
    EXPECT_EQ(caixasMostradas(), std::vector<QString>{"Erro ao conectar com a base de dados. Reinicie o sistema!"});
    EXPECT_FALSE(QFile::exists(m_dir.filePath("nada.mdb")));
    caixasMostradas().clear();
  }

  // The pending table is missing: the template row is rolled back with it.
  estado().banco.conexaoSQL = m_conexao;
  estado().banco.habilitarTrace = 1;
  ASSERT_TRUE(store::OpenConnection());
  exec("DROP TABLE tblBiometricaUpdate");
  estado().banco.quantidadePontosIdentificadores = 1;
  EXPECT_FALSE(store::AddRecordDB("0042", modelo(5, 'a'), 40, 0)) << "the test's box gives up";
  ASSERT_EQ(caixasMostradas().size(), 1u);
  EXPECT_TRUE(caixasMostradas()[0].startsWith(
      "Erro ao adicionar digital no banco. Provável falha no ODBC! Reinicie o cadastro ...\r"))
      << caixasMostradas()[0].toStdString();
  EXPECT_TRUE(caixasMostradas()[0].contains(" - ")) << "error number and description";
  EXPECT_TRUE(linhas("SELECT * FROM tblBiometrica").isEmpty()) << "nothing half-written";

  // The same statements fail in their own ways.
  caixasMostradas().clear();
  store::LimpaTBLBiometricaUpdate();
  store::AtualizarDigitais(1);
  EXPECT_TRUE(trace().contains(" - Erro ao executar comando SQL LimpaTBLBiometricaUpdate!\r\n"));
  EXPECT_TRUE(trace().contains(" - Erro ao executar o método AtualiarDigitais."));
  exec("DROP TABLE tblBiometrica");
  store::LoadData();
  EXPECT_TRUE(store::DeleteRecord("0042") == false);
  EXPECT_EQ(caixasMostradas(),
            (std::vector<QString>{"Erro ao carregar digitais para a memória. Provável falha no ODBC! Reinicie o sistema",
                                  "Erro ao excluir digital no banco (DeleteRecord). Provável falha no ODBC!"}));
}

TEST_F(Store, TraceLinesAreAppendedOnlyWhileTracingIsOn) {
  struct Case {
    const char *name;
    uint8_t habilitar;
    int linhas;
  };
  for (const Case &c : {Case{"off", 0, 0}, Case{"2 = not on", 2, 0}, Case{"on", 1, 2}}) {
    QFile::remove(m_dir.filePath("ZeltAccessLog.txt"));
    estado().banco.habilitarTrace = c.habilitar;
    gravarTrace(QStringLiteral("primeira ação"));
    gravarTrace(QStringLiteral("segunda"));
    const QString t = trace();
    EXPECT_EQ(t.count("\r\n"), c.linhas) << c.name;
    if (c.linhas == 0) continue;
    const QByteArray raw = [&] {
      QFile f(m_dir.filePath("ZeltAccessLog.txt"));
      return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d - primeira a\\x{e7}\\x{e3}o\r\n\\d\\d:\\d\\d:\\d\\d - segunda\r\n$")
                    .match(QString::fromLatin1(raw))
                    .hasMatch())
        << raw.toStdString() << " (Windows-1252, one line per text)";
  }
}

TEST_F(Store, AnUpdateTickDuringALoadWaitsAndAStopEndsTheLoad) {
  exec("DELETE FROM tblBiometrica");
  m_admin.transaction();
  for (int i = 0; i < 1200; ++i) inserir(QString::number(i), i % 10, modelo(uint8_t(i % 256), 'x'));
  m_admin.commit();
  exec("INSERT INTO tblBiometricaUpdate (Ponto, CodUsuario, IndiceDedo) VALUES (1, '5', 5)");
  estado().banco.numeroPontoIdentificador = 0;  // the start keeps the row of point 1
  ASSERT_TRUE(store::OpenConnection());

  // The first pump of the load runs an update tick: it must not run now.
  QTimer::singleShot(0, [] { store::AtualizarDigitais(1); });
  store::LoadData();
  EXPECT_EQ(memoria().size(), 1200);
  EXPECT_EQ(pendentes(), QStringList{"1|5|5"});
  store::AtualizarDigitais(1);
  EXPECT_TRUE(pendentes().isEmpty());

  // A stop (ClearData) while the load pumps: the load ends quietly. (The
  // load's own ClearData pumps too: the stop waits until records arrived.)
  store::ClearData();
  std::function<void()> parar = [&] {
    if (memoria().size() >= 500) store::ClearData();
    else QTimer::singleShot(0, parar);
  };
  QTimer::singleShot(0, parar);
  store::LoadData();
  EXPECT_TRUE(memoria().isEmpty());
  EXPECT_TRUE(caixasMostradas().empty());
}

TEST_F(Store, ServerStoppedDuringALoadAndAnEnrollment) {
  if (!postgres()) GTEST_SKIP() << "needs the PostgreSQL run (TALVENOX_TEST_PG)";
  const QByteArray ctl = qgetenv("TALVENOX_PG_CTL");
  ASSERT_FALSE(ctl.isEmpty());
  auto servidor = [&](const char *what) { return std::system((ctl + " " + what + " >/dev/null 2>&1").constData()); };
  m_admin.transaction();
  for (int i = 0; i < 3000; ++i) inserir(QString::number(i), 0, modelo(uint8_t(i % 256), 'x'));
  m_admin.commit();
  m_admin = QSqlDatabase();
  sqlconnect::close(kAdmin);

  auto fpdb = std::make_unique<CtrlFPdb>();
  fpdb->setQuantidadePontosIdentificadores(2);
  // The server goes away once the load has read its first rows.
  std::function<void()> parar = [&] {
    if (memoria().size() >= 500) EXPECT_EQ(servidor("stop"), 0);
    else QTimer::singleShot(0, parar);
  };
  QTimer::singleShot(0, parar);
  fpdb->InicializarFPdb();
  EXPECT_TRUE(fpdb->iniciado());
  const size_t carregados = size_t(memoria().size());
  std::cout << "[ info ] " << carregados << " of 3000 templates loaded before the server stopped\n";
  if (carregados < 3000) {
    EXPECT_EQ(caixasMostradas(), std::vector<QString>{
                                     "Erro ao carregar digitais para a memória. Provável falha no ODBC! Reinicie o sistema"});
  }
  caixasMostradas().clear();

  // Enrollment with the server down: the box; trying again after the server
  // is back writes the template and its two pending rows.
  int vezes = 0;
  store::definirCaixaMensagem([&](store::Icone, const QString &texto, bool podeRepetir) {
    caixasMostradas().push_back(texto);
    if (++vezes == 2) servidor("start");
    return podeRepetir && vezes < 3 ? store::Resposta::Repetir : store::Resposta::Desistir;
  });
  EXPECT_TRUE(store::AddRecordDB("novo", modelo(8, 'n'), 40, 3));
  EXPECT_EQ(vezes, 2) << "shown while the server was down, then tried again";
  ensureApp();  // back to the recording box that gives up

  // Given up while the server is down: nothing of it is written.
  ASSERT_EQ(servidor("stop"), 0);
  caixasMostradas().clear();
  EXPECT_FALSE(store::AddRecordDB("desistiu", modelo(8, 'd'), 40, 3));
  EXPECT_EQ(caixasMostradas().size(), 1u);
  ASSERT_EQ(servidor("start"), 0);

  // The next start works and holds everything written.
  fpdb->EncerrarFPdb();
  fpdb = std::make_unique<CtrlFPdb>();
  caixasMostradas().clear();
  fpdb->InicializarFPdb();
  EXPECT_TRUE(caixasMostradas().empty());
  EXPECT_EQ(memoria().size(), 3001);
  QString error;
  m_admin = sqlconnect::open(sqlconnect::parse(m_conexao), kAdmin, &error);
  ASSERT_TRUE(m_admin.isOpen()) << error.toStdString();
  EXPECT_EQ(pendentes(), (QStringList{"1|novo|3", "2|novo|3"}));
  EXPECT_TRUE(linhas("SELECT * FROM tblBiometrica WHERE CodUsuario = 'desistiu'").isEmpty());
  fpdb->EncerrarFPdb();
}

} // namespace
