#include "punch/PunchExport.h"

#include "settings/SettingsStore.h"
#include "testsupport/FakeServices.h"

#include "testsupport/Files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace punch;

namespace {

// Counts the clock readings, so that "each field reads the clock" shows.
class TickingClock final : public services::Clock {
public:
  QDateTime now() const override { return start.addSecs(reads++); }
  QDateTime start{QDate(2024, 3, 5), QTime(7, 4, 9)};
  mutable int reads = 0;
};

} // namespace

TEST(PunchExport, FileNames) {
  struct Case {
    const char *arquivo, *empresa, *cbCodemp, *cbData, *ponto, *want;
  } cases[] = {
      {"PONTO.TXT", "12", "S", "S", "3", "PONTO12202403053.TXT"},
      {"dados", "12", "N", "N", "1", "dados1"},
      {"marc.data", "", "N", "N", "1", "marc1.data"},
      {"TX.TXT", "0001", "S", "S", "1", "TX0001202403051.TXT"},
      {"a.b", "7", "S", "n", "2", "a.b72"}, // a one-letter extension is not split off
      {"x.y.zz", "", "N", "N", "", "x.y.zz"},
      {"abc", "", "N", "N", "9", "abc9"},
  };
  for (const Case &c : cases) {
    settings::RegistroPrincipal r;
    r.arquivo = c.arquivo;
    r.cb_Codemp = c.cbCodemp;
    r.cb_data = c.cbData;
    r.w_pontocoleta = c.ponto;
    EXPECT_EQ(exportFileName(r, c.empresa, QDate(2024, 3, 5)), QString::fromUtf8(c.want)) << c.arquivo;
  }
}

TEST(PunchExport, LineLayouts) {
  struct Case {
    const char *name;
    std::vector<const char *> kinds;
    const char *divider;
    const char *want;
  } cases[] = {
      {"default layout", {"Empresa", "CodigoBio", "DataComBarras", "HoraSemSegComPontos", "Função", "PontoColeta"}, ";",
       "0001;123;05/03/2024;07:04;0003;1"},
      {"every kind in other cases",
       {"empresa", "CODIGOBIO", "datasembarras", "HoraComSegComPontos", "horacomsegsempontos", "HORASEMSEGSEMPONTOS",
        "FUNÇÃO", "função", "pontocoleta", "FIXO"},
       "|", "0001|123|05032024|07:04:09|070409|0704|0003|0003|1|ABC"},
      {"empty first kind", {"", "CodigoBio"}, ";", "Configuração de Exportação Incorreta!;123"},
      {"empty middle kind leaves no slot", {"Empresa", "CodigoBio", "", "Função"}, ";", "0001;123;0003"},
      {"unknown kind keeps its divider", {"Empresa", "Nada", "Função"}, ";", "0001;;0003"},
      {"empty divider", {"Empresa", "CodigoBio"}, "", "0001123"},
      {"long divider", {"Empresa", "CodigoBio"}, " - ", "0001 - 123"},
  };
  for (const Case &c : cases) {
    settings::RegistroPrincipal r;
    r.w_pontocoleta = "1";
    r.divisor = c.divider;
    for (size_t k = 0; k < c.kinds.size(); ++k) {
      r.campo[k] = QString::fromUtf8(c.kinds[k]);
      r.campop[k] = "ABC";
    }
    TickingClock clock;
    clock.start = QDateTime(QDate(2024, 3, 5), QTime(7, 4, 9));
    // Freeze the clock for the expected text; reading counts come next.
    testsupport::FakeClock frozen;
    frozen.current = clock.start;
    EXPECT_EQ(buildLine(r, {"0001", "123", "0003"}, frozen, QDate(2024, 3, 5)), QString::fromUtf8(c.want)) << c.name;
  }

  // Each time field reads the clock when it is built.
  settings::RegistroPrincipal r;
  r.divisor = ";";
  r.campo[0] = "HoraComSegComPontos";
  r.campo[1] = "HoraComSegComPontos";
  TickingClock clock;
  EXPECT_EQ(buildLine(r, {}, clock, QDate(2024, 3, 5)), "07:04:09;07:04:10");
}

class PunchFiles : public ::testing::Test {
protected:
  void SetUp() override {
    settings::configuracaopadrao(r, "NENHUM");
    r.PastaExp = home.path() + "/export/";
    QDir().mkpath(r.PastaExp);
    clock.current = QDateTime(QDate(2024, 1, 15), QTime(8, 5, 30));
  }
  QTemporaryDir home;
  paths::StationPaths paths{home.path()};
  settings::RegistroPrincipal r;
  testsupport::FakeClock clock;
};

TEST_F(PunchFiles, ThreePunchesInAMonth) {
  const Punch punches[] = {{"0001", "123", "0001"}, {"0001", "7", "0002"}, {"0002", "Zé", "0001"}};
  for (const Punch &p : punches) {
    const ExportResult res = gravaascii(r, p, paths, clock);
    ASSERT_EQ(res.kind, ExportResult::Written) << res.message.toStdString();
    clock.current = clock.current.addSecs(60);
  }
  const QByteArray want = "0001;123;15/01/2024;08:05;0001;1\r\n"
                          "0001;7;15/01/2024;08:06;0002;1\r\n";
  EXPECT_EQ(testsupport::readFile(r.PastaExp + "TX0001202401151.TXT"), want);
  EXPECT_EQ(testsupport::readFile(r.PastaExp + "TX0002202401151.TXT"), QByteArray("0002;Z\xE9;15/01/2024;08:07;0001;1\r\n"));
  EXPECT_EQ(testsupport::readFile(home.filePath("zeltron_202401.txt")), want + "0002;Z\xE9;15/01/2024;08:07;0001;1\r\n");
  EXPECT_EQ(testsupport::readFile(home.filePath("zeltron_OnLine.txt")), QByteArray("Z\xE9;0001\r\n"));
  // Nothing is left beside the online file.
  EXPECT_EQ(QDir(home.path()).entryList(QDir::Files).size(), 2);
}

TEST_F(PunchFiles, MonthChangeStartsANewMonthlyFileAndOnlineFileComesBack) {
  ASSERT_EQ(gravaascii(r, {"0001", "1", "0001"}, paths, clock).kind, ExportResult::Written);
  QFile::remove(home.filePath("zeltron_OnLine.txt"));
  clock.current = QDateTime(QDate(2024, 2, 1), QTime(0, 0, 1));
  ASSERT_EQ(gravaascii(r, {"0001", "2", "0001"}, paths, clock).kind, ExportResult::Written);
  EXPECT_EQ(testsupport::readFile(home.filePath("zeltron_202402.txt")), QByteArray("0001;2;01/02/2024;00:00;0001;1\r\n"));
  EXPECT_EQ(testsupport::readFile(home.filePath("zeltron_OnLine.txt")), QByteArray("2;0001\r\n"));
}

TEST_F(PunchFiles, ConfigurationAndFolderProblemsWriteNothingFurther) {
  settings::RegistroPrincipal noFolder = r;
  noFolder.PastaExp.clear();
  ExportResult res = gravaascii(noFolder, {"0001", "1", "0001"}, paths, clock);
  EXPECT_EQ(res.kind, ExportResult::ConfigError);
  EXPECT_EQ(res.message, QString::fromUtf8("Pasta de Exportação Não Localizada. Verifique a Configuração!"));

  settings::RegistroPrincipal noName = r;
  noName.arquivo.clear();
  res = gravaascii(noName, {"0001", "1", "0001"}, paths, clock);
  EXPECT_EQ(res.kind, ExportResult::ConfigError);
  EXPECT_EQ(res.message, QString::fromUtf8("Nome do Arquivo de Exportação Incorreto. Verifique a Configuração!"));

  settings::RegistroPrincipal missing = r;
  missing.PastaExp = home.path() + "/no/such/folder";
  res = gravaascii(missing, {"0001", "1", "0001"}, paths, clock);
  EXPECT_EQ(res.kind, ExportResult::IoError);
  EXPECT_TRUE(res.message.contains("no/such/folder")) << res.message.toStdString();
  EXPECT_TRUE(QDir(home.path()).entryList(QDir::Files).isEmpty()) << "neither monthly nor online file";
}

TEST_F(PunchFiles, WindowsExportFolderMapsToTheDriveFolder) {
  r.PastaExp = "c:\\ponto\\";
  QDir().mkpath(home.filePath("drive_c/ponto"));
  ASSERT_EQ(gravaascii(r, {"0001", "1", "0001"}, paths, clock).kind, ExportResult::Written);
  EXPECT_TRUE(QFile::exists(home.filePath("drive_c/ponto/TX0001202401151.TXT")));
}

namespace {
QStringList g_synced;
void recordSync(const QString &folder) { g_synced << QDir(folder).canonicalPath(); }
} // namespace

// A punch that creates a file syncs the file's folder too, so a power cut
// right after the day's first punch cannot lose the new file; appends to an
// existing file need no folder sync, the replaced online file always does.
TEST_F(PunchFiles, NewFilesAndTheReplacedOnlineFileSyncTheirFolder) {
  g_synced.clear();
  setFolderSyncObserver(recordSync);
  const QString exportFolder = QDir(r.PastaExp).canonicalPath();
  const QString homeFolder = QDir(home.path()).canonicalPath();
  ASSERT_EQ(gravaascii(r, {"0001", "1", "0001"}, paths, clock).kind, ExportResult::Written);
  EXPECT_EQ(g_synced, (QStringList{exportFolder, homeFolder, homeFolder})) << "export file, monthly file, online file";
  g_synced.clear();
  ASSERT_EQ(gravaascii(r, {"0001", "2", "0001"}, paths, clock).kind, ExportResult::Written);
  EXPECT_EQ(g_synced, QStringList{homeFolder}) << "only the replaced online file";
  setFolderSyncObserver(nullptr);
}
