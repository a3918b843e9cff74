#include "controls/ctrl_cadastrar.h"

using component::Value;

namespace controls {

namespace {
// ctrlCadastrar {215BDB56-7C3F-4FCC-9832-3EED65F5889D}, default interface
// _ctrlCadastrar, events __ctrlCadastrar.
constexpr component::Guid kClsid = component::makeGuid("{215BDB56-7C3F-4FCC-9832-3EED65F5889D}");

enum : int32_t {
  StopProcess_ = 0x40030015,
  ColorirMoldura_ = 0x68030008,
  MolduraVerde_ = 0x6003000D,
  MolduraVermelha_ = 0x6003000E,
  MolduraAmarela_ = 0x6003000F,
  MolduraCinza_ = 0x60030010,
  MostrarMinucias_ = 0x68030007,
  EncerrarBiometrica_ = 0x60030014,
  InicializarBiometrica_ = 0x60030015,
  CadastrarDigital_ = 0x60030016,
  ExcluirUsuario_ = 0x60030017,
  MolduraImagem_ = 0x68030006,
  Aparencia_ = 0x68030005,
  GravarImagem_ = 0x60030018,
  CadastrarImagemArquivo_ = 0x60030019,
  ModoCadastro_ = 0x68030004,
  LimparImageDigital_ = 0x6003001B,
  RigidezCadastro_ = 0x68030003,
  NumeroMinimoPontos_ = 0x68030002,
  VerificarDigitaisDuplicadas_ = 0x68030001,
  IndiceSensor_ = 0x68030000,
};

enum : int32_t {
  evCadastroConcluido = 1,
  evBiometricaInicializada = 2,
  evBiometricaEncerrada = 3,
  evImagemDigitalCapturada = 4,
  evMinuciasEncontradas = 5,
  evMsg = 6,
  evErroMsg = 7,
  evBaixoNumeroPontos = 8,
  evDigitaisDuplicadas = 9,
  evUsuarioExcluido = 10,
};
} // namespace

CtrlCadastrar::CtrlCadastrar(const QString &objectName, QWidget *parent)
    : HostedControl(kClsid, objectName, parent) {}

bool CtrlCadastrar::StopProcess() { return asBoolean(get(StopProcess_)); }
bool CtrlCadastrar::setStopProcess(bool v) { return put(StopProcess_, Value::boolean(v)); }
bool CtrlCadastrar::setColorirMoldura(quint8 v) { return put(ColorirMoldura_, Value::byte(v)); }
void CtrlCadastrar::MolduraVerde() { call(MolduraVerde_); }
void CtrlCadastrar::MolduraVermelha() { call(MolduraVermelha_); }
void CtrlCadastrar::MolduraAmarela() { call(MolduraAmarela_); }
void CtrlCadastrar::MolduraCinza() { call(MolduraCinza_); }
bool CtrlCadastrar::setMostrarMinucias(quint8 v) { return put(MostrarMinucias_, Value::byte(v)); }
void CtrlCadastrar::EncerrarBiometrica() { call(EncerrarBiometrica_); }
void CtrlCadastrar::InicializarBiometrica() { call(InicializarBiometrica_); }
void CtrlCadastrar::CadastrarDigital(quint8 indiceDedo, const QString &codUsuario) {
  Value dedo = Value::byte(indiceDedo), code = component::fromQString(codUsuario);
  call(CadastrarDigital_, {dedo.get(), code.get()});
}
qint32 CtrlCadastrar::ExcluirUsuario(const QString &codUsuario) {
  Value code = component::fromQString(codUsuario);
  return asLong(call(ExcluirUsuario_, {code.get()}));
}
bool CtrlCadastrar::setMolduraImagem(quint8 v) { return put(MolduraImagem_, Value::byte(v)); }
bool CtrlCadastrar::setAparencia(quint8 v) { return put(Aparencia_, Value::byte(v)); }
qint32 CtrlCadastrar::GravarImagem(const QString &path) {
  Value p = component::fromQString(path);
  return asLong(call(GravarImagem_, {p.get()}));
}
void CtrlCadastrar::CadastrarImagemArquivo(quint8 indiceDedo, const QString &codUsuario, const QString &pathArquivo) {
  Value dedo = Value::byte(indiceDedo), code = component::fromQString(codUsuario),
        path = component::fromQString(pathArquivo);
  call(CadastrarImagemArquivo_, {dedo.get(), code.get(), path.get()});
}
bool CtrlCadastrar::setModoCadastro(quint8 v) { return put(ModoCadastro_, Value::byte(v)); }
void CtrlCadastrar::LimparImageDigital() { call(LimparImageDigital_); }
qint16 CtrlCadastrar::RigidezCadastro() { return asInteger(get(RigidezCadastro_)); }
bool CtrlCadastrar::setRigidezCadastro(qint16 v) { return put(RigidezCadastro_, Value::integer(v)); }
quint8 CtrlCadastrar::NumeroMinimoPontos() { return asByte(get(NumeroMinimoPontos_)); }
bool CtrlCadastrar::setNumeroMinimoPontos(quint8 v) { return put(NumeroMinimoPontos_, Value::byte(v)); }
quint8 CtrlCadastrar::VerificarDigitaisDuplicadas() { return asByte(get(VerificarDigitaisDuplicadas_)); }
bool CtrlCadastrar::setVerificarDigitaisDuplicadas(quint8 v) {
  return put(VerificarDigitaisDuplicadas_, Value::byte(v));
}
quint8 CtrlCadastrar::IndiceSensor() { return asByte(get(IndiceSensor_)); }
bool CtrlCadastrar::setIndiceSensor(quint8 v) { return put(IndiceSensor_, Value::byte(v)); }

void CtrlCadastrar::handleEvent(int32_t dispid, oa_variant *a, uint32_t n) {
  switch (dispid) {
  case evCadastroConcluido:
    if (n == 2) emit CadastroConcluido(byteArg(a[0]), byteArg(a[1]));
    break;
  case evBiometricaInicializada: emit BiometricaInicializada(); break;
  case evBiometricaEncerrada: emit BiometricaEncerrada(); break;
  case evImagemDigitalCapturada:
    if (n == 1) emit ImagemDigitalCapturada(byteArg(a[0]));
    break;
  case evMinuciasEncontradas:
    if (n == 1) emit MinuciasEncontradas(longArg(a[0]));
    break;
  case evMsg:
    if (n == 1) emit Msg(stringArg(a[0]));
    break;
  case evErroMsg:
    if (n == 1) emit ErroMsg(stringArg(a[0]));
    break;
  case evBaixoNumeroPontos:
    if (n == 1) emit BaixoNumeroPontos(longArg(a[0]));
    break;
  case evDigitaisDuplicadas: emit DigitaisDuplicadas(); break;
  case evUsuarioExcluido:
    if (n == 1) emit UsuarioExcluido(stringArg(a[0]));
    break;
  default: break;
  }
}

} // namespace controls
