#include "settings/SettingsStore.h"

#include "textcodec/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace settings {

const char *const kDefaultFolder = "c:\\halvorsten\\zeltron\\";
const char *const kDigitalPersona = "DIGITALPERSONA";
const char *const kNenhum = "NENHUM";

namespace {

// Calls f(offset, maxLength, field) for every field in file order. The one
// table both directions share.
template <class Record, class F> void forEachField(Record &r, F &&f) {
  f(0, 10, r.cb_data);
  f(11, 20, r.cb_Codemp);
  f(32, 20, r.w_codemp);
  f(53, 20, r.w_pontocoleta);
  f(74, 100, r.PastaDados);
  f(175, 100, r.pastabio);
  f(276, 100, r.PastaExp);
  f(377, 30, r.rb_biometria);
  f(408, 30, r.arquivo);
  f(439, 20, r.wsenhacontrole);
  static constexpr int reserved[13][2] = {{460, 20}, {481, 1},  {483, 20}, {504, 3},  {508, 4},
                                          {513, 3},  {517, 10}, {528, 10}, {539, 20}, {560, 50},
                                          {611, 10}, {622, 5},  {628, 5}};
  for (int i = 0; i < 13; ++i) f(reserved[i][0], reserved[i][1], r.reservado[i]);
  for (int k = 0; k < 12; ++k) {
    f(634 + 62 * k, 10, r.cod[k]);
    f(645 + 62 * k, 50, r.desc[k]);
  }
  f(1378, 1, r.wseg);
  f(1380, 1, r.wter);
  f(1382, 1, r.wqua);
  f(1384, 1, r.wqui);
  f(1386, 1, r.wsex);
  f(1388, 1, r.wsab);
  f(1390, 1, r.wdom);
  f(1392, 1, r.wbloq);
  for (int k = 0; k < 20; ++k) {
    f(1394 + 12 * k, 5, r.wi[k]);
    f(1400 + 12 * k, 5, r.wf[k]);
  }
  for (int k = 0; k < 12; ++k) {
    f(1634 + 62 * k, 30, r.campo[k]);
    f(1665 + 62 * k, 30, r.campop[k]);
  }
  f(2378, 10, r.divisor);
  for (int j = 0; j < kCorSlots; ++j) f(2389 + 31 * j, 30, r.cores[j]);
}

} // namespace

QByteArray encode(const RegistroPrincipal &r) {
  QByteArray image(kRecordSize, '\0');
  forEachField(r, [&](int offset, int max, const QString &value) {
    const QByteArray bytes = textcodec::toCp1252(value).left(max);
    image[offset] = char(bytes.size());
    std::copy(bytes.begin(), bytes.end(), image.begin() + offset + 1);
  });
  return image;
}

bool decode(const QByteArray &bytes, RegistroPrincipal &r) {
  if (bytes.size() < kRecordSize) return false;
  forEachField(r, [&](int offset, int max, QString &value) {
    const int length = std::min(int(static_cast<unsigned char>(bytes[offset])), max);
    value = textcodec::fromCp1252(bytes.constData() + offset + 1, length);
  });
  return true;
}

void defaultColours(RegistroPrincipal &r) {
  r.cores = {"$EEFFF8", "$FFCC00", "$FFDDAA", "clblue", "clblack", "cllime", "$FFDDAA", "$EEFFF8", "clWindowText"};
}

void applyFallbacks(RegistroPrincipal &r) {
  if (r.pastabio.isEmpty()) r.pastabio = kDefaultFolder;
  if (r.PastaExp.isEmpty()) r.PastaExp = r.pastabio;
  if (r.arquivo.isEmpty()) r.arquivo = QStringLiteral("zeltron.TXT");
  if (r.cores[corprincipal].isEmpty()) defaultColours(r);
}

void configuracaopadrao(RegistroPrincipal &r, const QString &identificationKind) {
  r.cb_data = "S";
  r.cb_Codemp = "S";
  r.w_codemp = "0001";
  r.w_pontocoleta = "1";
  r.PastaDados = kDefaultFolder;
  r.PastaExp = kDefaultFolder;
  r.pastabio = kDefaultFolder;
  r.rb_biometria = identificationKind;
  r.arquivo = "TX.TXT";
  r.wsenhacontrole.clear();
  r.reservado[1] = "S";
  r.cod[0] = "0001";
  r.desc[0] = QStringLiteral("Marcação de Ponto");
  for (QString *day : {&r.wseg, &r.wter, &r.wqua, &r.wqui, &r.wsex, &r.wsab, &r.wdom}) *day = "S";
  r.wbloq = "N";
  r.wi[0] = "00:00";
  r.wf[0] = "23:59";
  r.campo[0] = "Empresa";
  r.campo[1] = "CodigoBio";
  r.campo[2] = "DataComBarras";
  r.campo[3] = "HoraSemSegComPontos";
  r.campo[4] = QStringLiteral("Função");
  r.campo[5] = "PontoColeta";
  r.divisor = ";";
}

QString detectIdentificationKind(const QStringList &folders) {
  for (const QString &folder : folders)
    if (QFileInfo(QDir(folder).filePath("libdactilox.so")).isFile()) return kDigitalPersona;
  return kNenhum;
}

void leconfiguracao(const QString &path, RegistroPrincipal &r) {
  if (!QFileInfo::exists(path)) return;
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) decode(file.read(kRecordSize), r);
  applyFallbacks(r);
}

bool gravaconfiguracao(const QString &path, const RegistroPrincipal &r, QString *error) {
  QSaveFile file(path);
  const QByteArray image = encode(r);
  if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size() || !file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

} // namespace settings
