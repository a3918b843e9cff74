// The import file: splitting lines and fields, and the import pass on a real
// SQLite employee table.
#include "registry/EmployeeImport.h"
#include "registry/ImportFile.h"
#include "testsupport/Files.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace registry;

namespace {

struct SplitCase {
  const char *name;
  QString line;
  ImportLine want;
};

} // namespace

TEST(ImportFile, SplitsEightFieldsTakenAsTheyStand) {
  const QString obs150 = QString(150, 'o');
  const QString code25 = "ABCDEFGHIJKLMNOPQRSTUVWXY";
  const SplitCase cases[] = {
      {"plain", "0001;123;RG9;Ana Lima;17/05/1990;N;;turno A",
       {true, "0001", "123", "RG9", "Ana Lima", "17/05/1990", "N", "", "turno A"}},
      {"blanks kept", " 1 ; 2 ;;;;;;", {true, " 1 ", " 2 ", "", "", "", "", "", ""}},
      {"Sim is S", "1;2;;;;Sim;atrasos;", {true, "1", "2", "", "", "", "S", "atrasos", ""}},
      {"Nao is N", "1;2;;;;Nao;;", {true, "1", "2", "", "", "", "N", "", ""}},
      {"25-character code cut to 20", "1;" + code25 + ";;;;;;", {true, "1", code25.left(20), "", "", "", "", "", ""}},
      {"eighth field keeps semicolons, cut to 100", "1;2;;;;;;" + obs150 + ";x",
       {true, "1", "2", "", "", "", "", "", obs150.left(100)}},
      {"fewer than seven separators", "1;2;3;Ana", {false, "1", "2", "3", "", "", "", "", "1;2;3;Ana"}},
      {"empty line", "", {false, "", "", "", "", "", "", "", ""}},
  };
  for (const SplitCase &c : cases) {
    SCOPED_TRACE(c.name);
    const ImportLine got = splitImportLine(c.line);
    EXPECT_EQ(got.complete, c.want.complete);
    EXPECT_EQ(got.empresa, c.want.empresa);
    EXPECT_EQ(got.codigo, c.want.codigo);
    EXPECT_EQ(got.rg, c.want.rg);
    EXPECT_EQ(got.nome, c.want.nome);
    EXPECT_EQ(got.nascimento, c.want.nascimento);
    EXPECT_EQ(got.bloqueado, c.want.bloqueado);
    EXPECT_EQ(got.motivobloq, c.want.motivobloq);
    EXPECT_EQ(got.obs, c.want.obs);
  }
}

TEST(ImportFile, LinesEndAtCrLfOrLoneLfAndAreWindows1252) {
  const struct {
    const char *name;
    QByteArray bytes;
    QStringList want;
  } cases[] = {
      {"empty file", "", {}},
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"lone LF", "a\nb\n", {"a", "b"}},
      {"last line without an end", "a\r\nb", {"a", "b"}},
      {"empty line between", "a\r\n\r\nb", {"a", "", "b"}},
      {"lone CR stays inside", "a\rb\n", {"a\rb"}},
      {"accents", "Jos\xe9;Concei\xe7\xe3o\r\n", {QString::fromUtf8("José;Conceição")}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(splitImportLines(c.bytes), c.want);
  }
}

TEST(ImportFile, UnreadableBinaryAndMissingFilesAreRefusedWithAMessage) {
  QTemporaryDir dir;
  const QString binary = dir.filePath("photo.bin");
  ASSERT_TRUE(testsupport::writeFile(binary, QByteArray("1;2;;;;;;\r\n\0\x01\x02", 14)));
  QStringList lines{"stale"};
  QString error;
  EXPECT_FALSE(readImportFile(binary, lines, error));
  EXPECT_TRUE(lines.isEmpty());
  EXPECT_NE(error.indexOf("texto"), -1) << error.toStdString();
  error.clear();
  EXPECT_FALSE(readImportFile(dir.filePath("missing.txt"), lines, error));
  EXPECT_NE(error.indexOf("missing.txt"), -1);
  EXPECT_FALSE(readImportFile(dir.path(), lines, error)) << "a folder";
}

TEST(ImportFile, DatesAreDayMonthYear) {
  const struct {
    QString text;
    bool ok;
    QDate date;
  } cases[] = {{"", true, {}}, {"17/05/1990", true, {1990, 5, 17}}, {"7/5/1990", true, {1990, 5, 7}},
               {"31/02/2000", false, {}}, {"1990-05-17", false, {}}, {"ontem", false, {}}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    QDate d;
    EXPECT_EQ(importDate(c.text, d), c.ok);
    if (c.ok) {
      EXPECT_EQ(d, c.date);
    }
  }
}

class ImportRun : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(table.open(dir.filePath("zeltron.db"))) << table.errorString().toStdString(); }
  ImportCounts run(const QStringList &lines) {
    EmployeeImport importer(table);
    importer.message = [this](const QString &t) { messages << t; };
    importer.progress = [this](int i, int n) { progress << QString("%1/%2").arg(i).arg(n); };
    return importer.run(lines);
  }
  bool has(const QString &code) { return table.findKey(code) == registry::Lookup::Found; }
  QTemporaryDir dir;
  EmployeeTable table;
  QStringList messages;
  QStringList progress;
};

TEST_F(ImportRun, StoresEachLineAndReportsDuplicatesAndErrors) {
  const QString code25 = "ABCDEFGHIJKLMNOPQRSTUVWXY";
  const QStringList lines = {
      "0001;100;RG1;Ana;17/05/1990;Sim;atrasos;" + QString(130, 'x'),
      "0001;100;RG2;Outra Ana;;N;;",          // same code as line 1
      "0002;" + code25 + ";;Bruno;;Nao;;",    // cut to 20
      "0002;" + code25.left(20) + "ZZ;;Caio;;;;", // same first 20
      "",                                      // empty line
      "0003;200;;Dora;31/02/2000;N;;",         // no such date
      "0003;300;;Edu;01/01/2001;N;;obs;com;ponto",
      "0003;400;Fabi",                         // fields missing
  };
  const ImportCounts c = run(lines);
  EXPECT_EQ(c.stored, 3);
  EXPECT_EQ(c.duplicates, 2);
  EXPECT_EQ(c.refused, 3);
  EXPECT_EQ(table.recordCount(), 3);
  ASSERT_EQ(progress.size(), lines.size());
  EXPECT_EQ(progress.first(), "1/8");
  EXPECT_EQ(progress.last(), "8/8");

  ASSERT_TRUE(has("100"));
  EXPECT_EQ(table.text("Empresa"), "0001");
  EXPECT_EQ(table.text("nome"), "Ana");
  EXPECT_EQ(table.text("rg"), "RG1");
  EXPECT_EQ(table.text("bloqueado"), "S");
  EXPECT_EQ(table.text("motivobloq"), "atrasos");
  EXPECT_EQ(table.text("obs"), QString(100, 'x'));
  EXPECT_EQ(table.text("Biometria"), "N");
  EXPECT_EQ(table.date("nascimento"), QDate(1990, 5, 17));
  // Imported employees get no individual control.
  for (const char *f : {"seg", "dom", "bloqdia", "e1", "s12"}) EXPECT_EQ(table.text(f), "") << f;
  EXPECT_TRUE(table.value("foto").toByteArray().isEmpty());

  ASSERT_TRUE(has(code25.left(20)));
  EXPECT_EQ(table.text("nome"), "Bruno");
  EXPECT_EQ(table.text("bloqueado"), "N");
  ASSERT_TRUE(has("300"));
  EXPECT_EQ(table.text("obs"), "obs;com;ponto");
  EXPECT_FALSE(has("200"));
  EXPECT_FALSE(has("400"));

  ASSERT_EQ(messages.size(), 5);
  EXPECT_EQ(messages[0], QString::fromUtf8("Codigo Biometrico 100 Já Está Registrado!"));
  EXPECT_EQ(messages[1], QString::fromUtf8("Codigo Biometrico ") + code25.left(20) + QString::fromUtf8(" Já Está Registrado!"));
  EXPECT_TRUE(messages[2].startsWith("ERRO!\r\n")) << messages[2].toStdString();
  EXPECT_TRUE(messages[3].startsWith("ERRO!\r\n"));
  EXPECT_TRUE(messages[3].endsWith("\r\n0003;200;;Dora;31/02/2000;N;;"));
  EXPECT_NE(messages[3].indexOf("31/02/2000"), -1);
  EXPECT_TRUE(messages[4].endsWith("\r\n0003;400;Fabi"));
  EXPECT_EQ(EmployeeImport::summaryText(c),
            QString::fromUtf8("Importação concluída: 3 registrado(s), 2 já registrado(s), 3 recusado(s)."));
  // The table ends on its first row, browsing.
  table.first();
  EXPECT_EQ(table.state(), EmployeeTable::State::Browse);
}

TEST_F(ImportRun, ASingleLineImportsOneEmployeeAndExistingRowsStayUnchanged) {
  ASSERT_TRUE(table.insert() && table.setValue("Codigo", "7") && table.setValue("nome", "Velho") &&
              table.setValue("Biometria", "S") && table.post());
  EXPECT_EQ(run({"1;7;;Novo;;;;"}).duplicates, 1);
  ASSERT_TRUE(has("7"));
  EXPECT_EQ(table.text("nome"), "Velho");
  EXPECT_EQ(table.text("Biometria"), "S");
  const ImportCounts c = run({"1;8;;Oito;;;;"});
  EXPECT_EQ(c.stored, 1);
  EXPECT_EQ(table.recordCount(), 2);
}
