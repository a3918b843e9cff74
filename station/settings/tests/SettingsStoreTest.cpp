#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>

using namespace settings;

namespace {

// A record in which every field holds a distinct value of its full width.
RegistroPrincipal filledRecord() {
  RegistroPrincipal r;
  int n = 0;
  auto fill = [&n](QString &s, int width) {
    s = QString("%1").arg(n++, width, 36, QChar('x')).right(width);
  };
  fill(r.cb_data, 10);
  fill(r.cb_Codemp, 20);
  fill(r.w_codemp, 20);
  fill(r.w_pontocoleta, 20);
  fill(r.PastaDados, 100);
  fill(r.pastabio, 100);
  fill(r.PastaExp, 100);
  fill(r.rb_biometria, 30);
  fill(r.arquivo, 30);
  fill(r.wsenhacontrole, 20);
  const int reservedWidths[13] = {20, 1, 20, 3, 4, 3, 10, 10, 20, 50, 10, 5, 5};
  for (int i = 0; i < 13; ++i) fill(r.reservado[i], reservedWidths[i]);
  for (int k = 0; k < 12; ++k) {
    fill(r.cod[k], 10);
    fill(r.desc[k], 50);
    fill(r.campo[k], 30);
    fill(r.campop[k], 30);
  }
  for (QString *d : {&r.wseg, &r.wter, &r.wqua, &r.wqui, &r.wsex, &r.wsab, &r.wdom, &r.wbloq}) fill(*d, 1);
  for (int k = 0; k < 20; ++k) {
    fill(r.wi[k], 5);
    fill(r.wf[k], 5);
  }
  fill(r.divisor, 10);
  for (auto &c : r.cores) fill(c, 30);
  return r;
}

QString fieldAt(const QByteArray &image, int offset) {
  const int len = static_cast<unsigned char>(image[offset]);
  return QString::fromLatin1(image.mid(offset + 1, len));
}

void writeFile(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

} // namespace

TEST(SettingsRecord, FieldsSitAtTheirOffsets) {
  const RegistroPrincipal r = filledRecord();
  const QByteArray image = encode(r);
  ASSERT_EQ(image.size(), 2668);
  struct Row {
    int offset;
    std::function<QString(const RegistroPrincipal &)> field;
  } rows[] = {
      {0, [](auto &x) { return x.cb_data; }},        {11, [](auto &x) { return x.cb_Codemp; }},
      {32, [](auto &x) { return x.w_codemp; }},      {53, [](auto &x) { return x.w_pontocoleta; }},
      {74, [](auto &x) { return x.PastaDados; }},    {175, [](auto &x) { return x.pastabio; }},
      {276, [](auto &x) { return x.PastaExp; }},     {377, [](auto &x) { return x.rb_biometria; }},
      {408, [](auto &x) { return x.arquivo; }},      {439, [](auto &x) { return x.wsenhacontrole; }},
      {460, [](auto &x) { return x.reservado[0]; }}, {481, [](auto &x) { return x.reservado[1]; }},
      {628, [](auto &x) { return x.reservado[12]; }}, {634, [](auto &x) { return x.cod[0]; }},
      {645, [](auto &x) { return x.desc[0]; }},      {634 + 62 * 11, [](auto &x) { return x.cod[11]; }},
      {645 + 62 * 11, [](auto &x) { return x.desc[11]; }}, {1378, [](auto &x) { return x.wseg; }},
      {1390, [](auto &x) { return x.wdom; }},        {1392, [](auto &x) { return x.wbloq; }},
      {1394, [](auto &x) { return x.wi[0]; }},       {1400, [](auto &x) { return x.wf[0]; }},
      {1394 + 12 * 19, [](auto &x) { return x.wi[19]; }}, {1400 + 12 * 19, [](auto &x) { return x.wf[19]; }},
      {1634, [](auto &x) { return x.campo[0]; }},    {1665, [](auto &x) { return x.campop[0]; }},
      {1634 + 62 * 11, [](auto &x) { return x.campo[11]; }}, {1665 + 62 * 11, [](auto &x) { return x.campop[11]; }},
      {2378, [](auto &x) { return x.divisor; }},     {2389, [](auto &x) { return x.cores[corprincipal]; }},
      {2389 + 31 * 8, [](auto &x) { return x.cores[corpadrao]; }},
  };
  for (const Row &row : rows) EXPECT_EQ(fieldAt(image, row.offset), row.field(r)) << "offset " << row.offset;
  // The last colour ends the record exactly.
  EXPECT_EQ(2389 + 31 * 8 + 31, 2668);
}

TEST(SettingsRecord, RoundTripKeepsEveryFieldReservedOnesIncluded) {
  QTemporaryDir dir;
  const QString path = dir.filePath("zeltron.sys");
  RegistroPrincipal r = filledRecord();
  r.desc[0] = QStringLiteral("Marcação de Ponto");
  r.reservado[5] = QStringLiteral("ÀÉ");
  ASSERT_TRUE(gravaconfiguracao(path, r));
  EXPECT_EQ(QFileInfo(path).size(), 2668);
  RegistroPrincipal back;
  leconfiguracao(path, back);
  EXPECT_EQ(back, r);
}

TEST(SettingsRecord, LongValuesAreCutAndTheRestZeroFilled) {
  RegistroPrincipal r;
  r.w_codemp = QString(25, 'C');
  r.desc[0] = QString(60, QChar(0xE7)); // ç
  r.divisor = ";";
  const QByteArray image = encode(r);
  EXPECT_EQ(fieldAt(image, 32), QString(20, 'C'));
  EXPECT_EQ(static_cast<unsigned char>(image[645]), 50);
  EXPECT_EQ(static_cast<unsigned char>(image[646]), 0xE7);
  EXPECT_EQ(image[2378], 1);
  EXPECT_EQ(image[2379], ';');
  for (int i = 2380; i < 2389; ++i) EXPECT_EQ(image[i], 0) << i;
  RegistroPrincipal back;
  ASSERT_TRUE(decode(image, back));
  EXPECT_EQ(back.w_codemp.size(), 20);
  EXPECT_EQ(back.desc[0], QString(50, QChar(0xE7)));
}

TEST(SettingsRecord, FallbacksAfterReading) {
  struct Case {
    const char *name;
    QString pastabio, pastaExp, arquivo, corprincipal, corbotao;
    QString wantBio, wantExp, wantArquivo, wantCorbotao;
  } cases[] = {
      {"both folders empty", "", "", "a.txt", "$000001", "x", kDefaultFolder, kDefaultFolder, "a.txt", "x"},
      {"only export empty", "/bio/", "", "a.txt", "$000001", "x", "/bio/", "/bio/", "a.txt", "x"},
      {"file name empty", "/bio/", "/exp/", "", "$000001", "x", "/bio/", "/exp/", "zeltron.TXT", "x"},
      {"first colour empty", "/bio/", "/exp/", "a", "", "x", "/bio/", "/exp/", "a", "$FFDDAA"},
  };
  for (const Case &c : cases) {
    RegistroPrincipal r;
    r.pastabio = c.pastabio;
    r.PastaExp = c.pastaExp;
    r.arquivo = c.arquivo;
    r.cores[corprincipal] = c.corprincipal;
    r.cores[corbotao] = c.corbotao;
    QTemporaryDir dir;
    const QString path = dir.filePath("zeltron.sys");
    ASSERT_TRUE(gravaconfiguracao(path, r));
    RegistroPrincipal back;
    leconfiguracao(path, back);
    EXPECT_EQ(back.pastabio, c.wantBio) << c.name;
    EXPECT_EQ(back.PastaExp, c.wantExp) << c.name;
    EXPECT_EQ(back.arquivo, c.wantArquivo) << c.name;
    EXPECT_EQ(back.cores[corbotao], c.wantCorbotao) << c.name;
    EXPECT_TRUE(back.PastaDados.isEmpty()) << "no fallback for the data folder";
  }
}

TEST(SettingsRecord, BadFilesNeverLoseTheRecordInMemory) {
  QTemporaryDir dir;
  const QString path = dir.filePath("zeltron.sys");
  RegistroPrincipal start = filledRecord();
  start.pastabio = "/bio/";
  start.cores[corprincipal] = "clred";

  struct Case {
    const char *name;
    QByteArray content;
  } cases[] = {{"empty", {}}, {"2000 bytes", QByteArray(2000, 'x')}, {"one byte short", QByteArray(2667, '\x05')}};
  for (const Case &c : cases) {
    writeFile(path, c.content);
    RegistroPrincipal r = start;
    leconfiguracao(path, r);
    EXPECT_EQ(r, start) << c.name;
  }

  // Random bytes of the right size are read, lengths clamped to the field widths.
  QByteArray noise(3000, '\0');
  for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
  for (int i = 0; i < 2668; i += 3) noise[i] = char(0xFF);
  writeFile(path, noise);
  RegistroPrincipal r = start;
  leconfiguracao(path, r);
  EXPECT_LE(r.cb_data.size(), 10);
  EXPECT_LE(r.PastaDados.size(), 100);
  EXPECT_LE(r.cores[corpadrao].size(), 30);

  // A 3000-byte file is read from its first 2668 bytes.
  QByteArray longer = encode(start) + QByteArray(332, 'z');
  writeFile(path, longer);
  RegistroPrincipal fromLong;
  leconfiguracao(path, fromLong);
  EXPECT_EQ(fromLong, start);

  // A folder where the file should be cannot be read: nothing copied.
  const QString asDir = dir.filePath("dir.sys");
  QDir().mkpath(asDir);
  RegistroPrincipal kept = start;
  leconfiguracao(asDir, kept);
  EXPECT_EQ(kept, start);
}

TEST(SettingsRecord, MissingFileChangesNothingAndWriteFailuresAreReported) {
  QTemporaryDir dir;
  RegistroPrincipal r;
  leconfiguracao(dir.filePath("none.sys"), r);
  EXPECT_EQ(r, RegistroPrincipal{}) << "no fallbacks without a file";

  QString error;
  EXPECT_FALSE(gravaconfiguracao(dir.filePath("no/such/folder/zeltron.sys"), r, &error));
  EXPECT_FALSE(error.isEmpty());
}

TEST(SettingsRecord, DefaultsTouchExactlyTheirFields) {
  RegistroPrincipal r = filledRecord();
  const RegistroPrincipal before = r;
  configuracaopadrao(r, kNenhum);

  EXPECT_EQ(r.cb_data, "S");
  EXPECT_EQ(r.cb_Codemp, "S");
  EXPECT_EQ(r.w_codemp, "0001");
  EXPECT_EQ(r.w_pontocoleta, "1");
  EXPECT_EQ(r.PastaDados, kDefaultFolder);
  EXPECT_EQ(r.pastabio, kDefaultFolder);
  EXPECT_EQ(r.PastaExp, kDefaultFolder);
  EXPECT_EQ(r.rb_biometria, "NENHUM");
  EXPECT_EQ(r.arquivo, "TX.TXT");
  EXPECT_TRUE(r.wsenhacontrole.isEmpty());
  EXPECT_EQ(r.reservado[1], "S");
  EXPECT_EQ(r.cod[0], "0001");
  EXPECT_EQ(r.desc[0], QStringLiteral("Marcação de Ponto"));
  for (const QString &d : {r.wseg, r.wter, r.wqua, r.wqui, r.wsex, r.wsab, r.wdom}) EXPECT_EQ(d, "S");
  EXPECT_EQ(r.wbloq, "N");
  EXPECT_EQ(r.wi[0], "00:00");
  EXPECT_EQ(r.wf[0], "23:59");
  const char *layout[] = {"Empresa", "CodigoBio", "DataComBarras", "HoraSemSegComPontos", "Função", "PontoColeta"};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(r.campo[k], QString::fromUtf8(layout[k]));
  EXPECT_EQ(r.divisor, ";");

  // Everything else is as it was.
  for (int k = 1; k < 12; ++k) {
    EXPECT_EQ(r.cod[k], before.cod[k]);
    EXPECT_EQ(r.desc[k], before.desc[k]);
  }
  for (int k = 1; k < 20; ++k) {
    EXPECT_EQ(r.wi[k], before.wi[k]);
    EXPECT_EQ(r.wf[k], before.wf[k]);
  }
  for (int k = 6; k < 12; ++k) EXPECT_EQ(r.campo[k], before.campo[k]);
  EXPECT_EQ(r.campop, before.campop);
  EXPECT_EQ(r.cores, before.cores);
  for (int i = 0; i < 13; ++i)
    if (i != 1) {
      EXPECT_EQ(r.reservado[i], before.reservado[i]) << i;
    }
}

TEST(SettingsRecord, InstalledControlLibraryMeansFingerprintMode) {
  QTemporaryDir a, b;
  EXPECT_EQ(detectIdentificationKind({a.path(), b.path()}), "NENHUM");
  QFile lib(b.filePath("libdactilox.so"));
  ASSERT_TRUE(lib.open(QIODevice::WriteOnly));
  lib.close();
  EXPECT_EQ(detectIdentificationKind({a.path(), b.path()}), "DIGITALPERSONA");
}
