#include "controls/ctrl_identificar.h"

using component::Value;

namespace controls {

namespace {
// ctrlIdentificar {7545D7FA-3BFD-4688-8F75-E12B6CBC5410}, default interface
// _ctrlIdentificar, events __ctrlIdentificar.
constexpr component::Guid kClsid = component::makeGuid("{7545D7FA-3BFD-4688-8F75-E12B6CBC5410}");

enum : int32_t {
  StopProcess_ = 0x40030016,
  MostrarMinucias_ = 0x68030013,
  SinalAmarelo_ = 0x60030018,
  SinalVerde_ = 0x60030019,
  SinalVermelho_ = 0x6003001A,
  RestaurarConfiguracaoPadrao_ = 0x60030021,
  InicializarBiometrica_ = 0x60030022,
  EncerrarBiometrica_ = 0x60030023,
  ModoPesquisa_ = 0x68030012,
  IndiceSensor_ = 0x68030011,
  IntervaloAtualizarDigitais_ = 0x68030010,
  IntervaloTimeOutIdentificacao_ = 0x6803000F,
  RigidezIdentificacao_ = 0x6803000E,
  NumeroMinimoPontos_ = 0x6803000D,
  IntervaloDesempate_ = 0x6803000C,
  IntervaloSinalVerde_ = 0x6803000B,
  IntervaloSinalVermelho_ = 0x6803000A,
  ExcluirUsuario_ = 0x60030024,
  Aparencia_ = 0x68030009,
  Relogio_ = 0x68030008,
  ColorirMoldura_ = 0x68030007,
  MolduraImagem_ = 0x68030006,
  msgSinalVerde_ = 0x68030005,
  msgSinalVermelho_ = 0x68030004,
  msgSinalAmarelo_ = 0x68030003,
  SemafaroAutomatico_ = 0x68030002,
  AtivarDesempate_ = 0x68030001,
  RetornarListaCandidatos_ = 0x68030000,
  VerificarUsuario_ = 0x60030025,
  MolduraVerde_ = 0x60030028,
  MolduraVermelha_ = 0x60030029,
  MolduraAmarela_ = 0x6003002A,
  MolduraCinza_ = 0x6003002B,
  GravarImagem_ = 0x6003002C,
};

enum : int32_t {
  evUsuarioIdentificado = 1,
  evBiometricaInicializada = 2,
  evBiometricaEncerrada = 3,
  evImagemDigitalCapturada = 4,
  evMinuciasEncontradas = 5,
  evMsg = 6,
  evErroMsg = 7,
  evBaixoNumeroPontos = 8,
  evUsuarioExcluido = 9,
  evProcessandoDesempate = 10,
};
} // namespace

CtrlIdentificar::CtrlIdentificar(const QString &objectName, QWidget *parent)
    : HostedControl(kClsid, objectName, parent) {}

bool CtrlIdentificar::StopProcess() { return asBoolean(get(StopProcess_)); }
bool CtrlIdentificar::setStopProcess(bool v) { return put(StopProcess_, Value::boolean(v)); }
bool CtrlIdentificar::setMostrarMinucias(quint8 v) { return put(MostrarMinucias_, Value::byte(v)); }

// The signal texts travel as Variants by reference.
void CtrlIdentificar::sinal(int32_t dispid, const QString &msg) {
  Value text = component::fromQString(msg);
  Value ref = Value::refTo(text.get());
  call(dispid, {ref.get()});
}
void CtrlIdentificar::SinalAmarelo(const QString &msg) { sinal(SinalAmarelo_, msg); }
void CtrlIdentificar::SinalVerde(const QString &msg) { sinal(SinalVerde_, msg); }
void CtrlIdentificar::SinalVermelho(const QString &msg) { sinal(SinalVermelho_, msg); }

void CtrlIdentificar::RestaurarConfiguracaoPadrao() { call(RestaurarConfiguracaoPadrao_); }
void CtrlIdentificar::InicializarBiometrica() { call(InicializarBiometrica_); }
void CtrlIdentificar::EncerrarBiometrica() { call(EncerrarBiometrica_); }
bool CtrlIdentificar::setModoPesquisa(quint8 v) { return put(ModoPesquisa_, Value::byte(v)); }
quint8 CtrlIdentificar::IndiceSensor() { return asByte(get(IndiceSensor_)); }
bool CtrlIdentificar::setIndiceSensor(quint8 v) { return put(IndiceSensor_, Value::byte(v)); }
bool CtrlIdentificar::setIntervaloAtualizarDigitais(qint16 ms) {
  return put(IntervaloAtualizarDigitais_, Value::integer(ms));
}
bool CtrlIdentificar::setIntervaloTimeOutIdentificacao(qint16 ms) {
  return put(IntervaloTimeOutIdentificacao_, Value::integer(ms));
}
qint16 CtrlIdentificar::RigidezIdentificacao() { return asInteger(get(RigidezIdentificacao_)); }
bool CtrlIdentificar::setRigidezIdentificacao(qint16 v) { return put(RigidezIdentificacao_, Value::integer(v)); }
quint8 CtrlIdentificar::NumeroMinimoPontos() { return asByte(get(NumeroMinimoPontos_)); }
bool CtrlIdentificar::setNumeroMinimoPontos(quint8 v) { return put(NumeroMinimoPontos_, Value::byte(v)); }
bool CtrlIdentificar::setIntervaloDesempate(qint32 ms) { return put(IntervaloDesempate_, Value::long32(ms)); }
bool CtrlIdentificar::setIntervaloSinalVerde(qint32 ms) { return put(IntervaloSinalVerde_, Value::long32(ms)); }
bool CtrlIdentificar::setIntervaloSinalVermelho(qint32 ms) { return put(IntervaloSinalVermelho_, Value::long32(ms)); }
qint32 CtrlIdentificar::ExcluirUsuario(const QString &codUsuario) {
  Value code = component::fromQString(codUsuario);
  return asLong(call(ExcluirUsuario_, {code.get()}));
}
bool CtrlIdentificar::setAparencia(quint8 v) { return put(Aparencia_, Value::byte(v)); }
bool CtrlIdentificar::setRelogio(quint8 v) { return put(Relogio_, Value::byte(v)); }
bool CtrlIdentificar::setColorirMoldura(quint8 v) { return put(ColorirMoldura_, Value::byte(v)); }
bool CtrlIdentificar::setMolduraImagem(quint8 v) { return put(MolduraImagem_, Value::byte(v)); }
bool CtrlIdentificar::setMsgSinalVerde(const QString &s) { return put(msgSinalVerde_, component::fromQString(s)); }
bool CtrlIdentificar::setMsgSinalVermelho(const QString &s) { return put(msgSinalVermelho_, component::fromQString(s)); }
bool CtrlIdentificar::setMsgSinalAmarelo(const QString &s) { return put(msgSinalAmarelo_, component::fromQString(s)); }
bool CtrlIdentificar::setSemafaroAutomatico(quint8 v) { return put(SemafaroAutomatico_, Value::byte(v)); }
bool CtrlIdentificar::setAtivarDesempate(quint8 v) { return put(AtivarDesempate_, Value::byte(v)); }
bool CtrlIdentificar::setRetornarListaCandidatos(quint8 v) { return put(RetornarListaCandidatos_, Value::byte(v)); }
void CtrlIdentificar::VerificarUsuario(const QString &codUsuario) {
  Value code = component::fromQString(codUsuario);
  call(VerificarUsuario_, {code.get()});
}
void CtrlIdentificar::MolduraVerde() { call(MolduraVerde_); }
void CtrlIdentificar::MolduraVermelha() { call(MolduraVermelha_); }
void CtrlIdentificar::MolduraAmarela() { call(MolduraAmarela_); }
void CtrlIdentificar::MolduraCinza() { call(MolduraCinza_); }
qint32 CtrlIdentificar::GravarImagem(const QString &path) {
  Value p = component::fromQString(path);
  return asLong(call(GravarImagem_, {p.get()}));
}

void CtrlIdentificar::handleEvent(int32_t dispid, oa_variant *a, uint32_t n) {
  switch (dispid) {
  case evUsuarioIdentificado:
    if (n == 3) emit UsuarioIdentificado(byteArg(a[0]), stringArg(a[1]), byteArg(a[2]));
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
  case evUsuarioExcluido:
    if (n == 1) emit UsuarioExcluido(stringArg(a[0]));
    break;
  case evProcessandoDesempate:
    if (n == 1) emit ProcessandoDesempate(longArg(a[0]));
    break;
  default: break;
  }
}

} // namespace controls
