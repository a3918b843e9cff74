// The dispatch table: every member of every class, in interface order, with
// its kind, identifier, type and default, bound to the typed C++ member that
// implements it; then each class's events and identities.
#include "dispatch_table.h"

#include "ctrl_cadastrar.h"
#include "ctrl_fpdb.h"
#include "ctrl_identificar.h"
#include "ctrl_sensor.h"
#include "dispatch_object.h"
#include "shared_state.h"

#include <QApplication>

using component::EventInfo;
using component::makeGuid;

namespace dactilox {

const component::TypeLibInfo kTypeLib = {"Dactilox", makeGuid("{37D93AA9-DD75-4976-A38D-BF367F0326C5}"), 1, 0, 1033};

// ---- ctrlIdentificar ---------------------------------------------------------
namespace {
using I = CtrlIdentificar;
constexpr std::array kIdentificarRows = {
    prop<I, &I::stopProcess, &I::setStopProcess>("StopProcess", 0x40030016, "false"),
    propPut<I, &I::setMostrarMinucias>("MostrarMinucias", 0x68030013, "hidden"),
    method<I, &I::SinalAmarelo>("SinalAmarelo", 0x60030018, "msgSinalAmarelo"),
    method<I, &I::SinalVerde>("SinalVerde", 0x60030019, "msgSinalVerde"),
    method<I, &I::SinalVermelho>("SinalVermelho", 0x6003001A, "msgSinalVermelho"),
    method<I, &I::RestaurarConfiguracaoPadrao>("RestaurarConfiguracaoPadrao", 0x60030021),
    method<I, &I::InicializarBiometrica>("InicializarBiometrica", 0x60030022),
    method<I, &I::EncerrarBiometrica>("EncerrarBiometrica", 0x60030023),
    propPut<I, &I::setModoPesquisa>("ModoPesquisa", 0x68030012, "0"),
    prop<I, &I::indiceSensor, &I::setIndiceSensor>("IndiceSensor", 0x68030011, "0"),
    propPut<I, &I::setIntervaloAtualizarDigitais>("IntervaloAtualizarDigitais", 0x68030010, "0"),
    propPut<I, &I::setIntervaloTimeOutIdentificacao>("IntervaloTimeOutIdentificacao", 0x6803000F, "0"),
    prop<I, &I::rigidezIdentificacao, &I::setRigidezIdentificacao>("RigidezIdentificacao", 0x6803000E, "2"),
    prop<I, &I::numeroMinimoPontos, &I::setNumeroMinimoPontos>("NumeroMinimoPontos", 0x6803000D, "0"),
    propPut<I, &I::setIntervaloDesempate>("IntervaloDesempate", 0x6803000C, "0"),
    propPut<I, &I::setIntervaloSinalVerde>("IntervaloSinalVerde", 0x6803000B, "1000"),
    propPut<I, &I::setIntervaloSinalVermelho>("IntervaloSinalVermelho", 0x6803000A, "2000"),
    method<I, &I::ExcluirUsuario>("ExcluirUsuario", 0x60030024, "CodUsuario"),
    propPut<I, &I::setAparencia>("Aparencia", 0x68030009, "7830 x 5355"),
    propPut<I, &I::setRelogio>("Relogio", 0x68030008, "shown"),
    propPut<I, &I::setColorirMoldura>("ColorirMoldura", 0x68030007, "off"),
    propPut<I, &I::setMolduraImagem>("MolduraImagem", 0x68030006, "shown"),
    propPut<I, &I::setMsgSinalVerde>("msgSinalVerde", 0x68030005, "Usuário identificado!"),
    propPut<I, &I::setMsgSinalVermelho>("msgSinalVermelho", 0x68030004, "Usuário não identificado!"),
    propPut<I, &I::setMsgSinalAmarelo>("msgSinalAmarelo", 0x68030003, "Toque o sensor ..."),
    propPut<I, &I::setSemafaroAutomatico>("SemafaroAutomatico", 0x68030002, "on"),
    propPut<I, &I::setAtivarDesempate>("AtivarDesempate", 0x68030001, "on"),
    propPut<I, &I::setRetornarListaCandidatos>("RetornarListaCandidatos", 0x68030000, "off"),
    method<I, &I::VerificarUsuario>("VerificarUsuario", 0x60030025, "CodUsuario"),
    method<I, &I::MolduraVerde>("MolduraVerde", 0x60030028),
    method<I, &I::MolduraVermelha>("MolduraVermelha", 0x60030029),
    method<I, &I::MolduraAmarela>("MolduraAmarela", 0x6003002A),
    method<I, &I::MolduraCinza>("MolduraCinza", 0x6003002B),
    method<I, &I::GravarImagem>("GravarImagem", 0x6003002C, "Path"),
};
constexpr auto kIdentificarMembers = memberInfos(kIdentificarRows);
constexpr EventInfo kIdentificarEvents[] = {
    {"UsuarioIdentificado", 1, 3, {{"IndiceDedo", OA_UI1}, {"CodUsuario", OA_STR}, {"IndiceSensor", OA_UI1}}},
    {"BiometricaInicializada", 2, 0, {}},
    {"BiometricaEncerrada", 3, 0, {}},
    {"ImagemDigitalCapturada", 4, 1, {{"IndiceSensor", OA_UI1}}},
    {"MinuciasEncontradas", 5, 1, {{"Numero", OA_I4}}},
    {"Msg", 6, 1, {{"texto", OA_STR}}},
    {"ErroMsg", 7, 1, {{"texto", OA_STR}}},
    {"BaixoNumeroPontos", 8, 1, {{"Numero", OA_I4}}},
    {"UsuarioExcluido", 9, 1, {{"CodUsuario", OA_STR}}},
    {"ProcessandoDesempate", 10, 1, {{"NumeroCandidatos", OA_I4}}},
};
} // namespace

const component::ClassInfo kCtrlIdentificarInfo = {
    "ctrlIdentificar", makeGuid("{7545D7FA-3BFD-4688-8F75-E12B6CBC5410}"),
    makeGuid("{8FE4A09D-2EB6-4B92-BC44-7131BCCF38E3}"), makeGuid("{4F9C8B1A-ED04-49EE-82B4-843B5D5389D6}"),
    "_ctrlIdentificar", "__ctrlIdentificar", true, kIdentificarMembers.data(), kIdentificarMembers.size(),
    kIdentificarEvents, std::size(kIdentificarEvents)};

// ---- ctrlCadastrar -----------------------------------------------------------
namespace {
using C = CtrlCadastrar;
constexpr std::array kCadastrarRows = {
    prop<C, &C::stopProcess, &C::setStopProcess>("StopProcess", 0x40030015, "false"),
    propPut<C, &C::setColorirMoldura>("ColorirMoldura", 0x68030008, "off"),
    method<C, &C::MolduraVerde>("MolduraVerde", 0x6003000D),
    method<C, &C::MolduraVermelha>("MolduraVermelha", 0x6003000E),
    method<C, &C::MolduraAmarela>("MolduraAmarela", 0x6003000F),
    method<C, &C::MolduraCinza>("MolduraCinza", 0x60030010),
    propPut<C, &C::setMostrarMinucias>("MostrarMinucias", 0x68030007, "hidden"),
    method<C, &C::EncerrarBiometrica>("EncerrarBiometrica", 0x60030014),
    method<C, &C::InicializarBiometrica>("InicializarBiometrica", 0x60030015),
    method<C, &C::CadastrarDigital>("CadastrarDigital", 0x60030016, "IndiceDedo", "CodUsuario"),
    method<C, &C::ExcluirUsuario>("ExcluirUsuario", 0x60030017, "CodUsuario"),
    propPut<C, &C::setMolduraImagem>("MolduraImagem", 0x68030006, "shown"),
    propPut<C, &C::setAparencia>("Aparencia", 0x68030005, "7830 x 5355"),
    method<C, &C::GravarImagem>("GravarImagem", 0x60030018, "Path"),
    method<C, &C::CadastrarImagemArquivo>("CadastrarImagemArquivo", 0x60030019, "IndiceDedo", "CodUsuario",
                                          "PathArquivo"),
    propPut<C, &C::setModoCadastro>("ModoCadastro", 0x68030004, "1"),
    method<C, &C::LimparImageDigital>("LimparImageDigital", 0x6003001B),
    prop<C, &C::rigidezCadastro, &C::setRigidezCadastro>("RigidezCadastro", 0x68030003, "2"),
    prop<C, &C::numeroMinimoPontos, &C::setNumeroMinimoPontos>("NumeroMinimoPontos", 0x68030002, "10"),
    prop<C, &C::verificarDigitaisDuplicadas, &C::setVerificarDigitaisDuplicadas>("VerificarDigitaisDuplicadas",
                                                                                  0x68030001, "0"),
    prop<C, &C::indiceSensor, &C::setIndiceSensor>("IndiceSensor", 0x68030000, "0"),
};
constexpr auto kCadastrarMembers = memberInfos(kCadastrarRows);
constexpr EventInfo kCadastrarEvents[] = {
    {"CadastroConcluido", 1, 2, {{"Sucesso", OA_UI1}, {"IndiceDedo", OA_UI1}}},
    {"BiometricaInicializada", 2, 0, {}},
    {"BiometricaEncerrada", 3, 0, {}},
    {"ImagemDigitalCapturada", 4, 1, {{"IndiceSensor", OA_UI1}}},
    {"MinuciasEncontradas", 5, 1, {{"Numero", OA_I4}}},
    {"Msg", 6, 1, {{"texto", OA_STR}}},
    {"ErroMsg", 7, 1, {{"texto", OA_STR}}},
    {"BaixoNumeroPontos", 8, 1, {{"Numero", OA_I4}}},
    {"DigitaisDuplicadas", 9, 0, {}},
    {"UsuarioExcluido", 10, 1, {{"CodUsuario", OA_STR}}},
};
} // namespace

const component::ClassInfo kCtrlCadastrarInfo = {
    "ctrlCadastrar", makeGuid("{215BDB56-7C3F-4FCC-9832-3EED65F5889D}"),
    makeGuid("{72FE4520-BB14-4060-BA3C-013B8069C60F}"), makeGuid("{58807E35-FA6F-4925-81AB-F163657E9132}"),
    "_ctrlCadastrar", "__ctrlCadastrar", true, kCadastrarMembers.data(), kCadastrarMembers.size(),
    kCadastrarEvents, std::size(kCadastrarEvents)};

// ---- ctrlSensor --------------------------------------------------------------
namespace {
using S = CtrlSensor;
constexpr std::array kSensorRows = {
    method<S, &S::EncerrarSensor>("EncerrarSensor", 0x60030002),
    method<S, &S::InicializarSensor>("InicializarSensor", 0x60030003),
    prop<S, &S::serialSensor, &S::setSerialSensor>("SerialSensor", 0x68030001, ""),
    prop<S, &S::indiceSensor, &S::setIndiceSensor>("IndiceSensor", 0x68030000, "0"),
};
constexpr auto kSensorMembers = memberInfos(kSensorRows);
constexpr EventInfo kSensorEvents[] = {
    {"SensorInicializado", 1, 0, {}},
    {"SensorEncerrado", 2, 0, {}},
    {"InicializandoSensor", 3, 0, {}},
    {"Msg", 4, 1, {{"texto", OA_STR}}},
    {"ErroMsg", 5, 1, {{"texto", OA_STR}}},
};
} // namespace

const component::ClassInfo kCtrlSensorInfo = {
    "ctrlSensor", makeGuid("{A8F8140B-AB14-4AA2-B91C-89AA408E3F58}"),
    makeGuid("{F7835851-949F-4218-A75A-D7E4731BEBB2}"), makeGuid("{DE85C451-1C35-4F59-9997-750ADBFF915A}"),
    "_ctrlSensor", "__ctrlSensor", true, kSensorMembers.data(), kSensorMembers.size(),
    kSensorEvents, std::size(kSensorEvents)};

// ---- ctrlFPdb ----------------------------------------------------------------
namespace {
using D = CtrlFPdb;
constexpr std::array kFPdbRows = {
    propPut<D, &D::setHabilitarTrace>("HabilitarTrace", 0x68030006, "off"),
    propPut<D, &D::setConexaoSQL>("ConexaoSQL", 0x68030005, ""),
    propPut<D, &D::setCarregarDigitais>("CarregarDigitais", 0x68030004, "1"),
    propPut<D, &D::setSQLDelimitadorString>("SQLDelimitadorString", 0x68030003, "none"),
    propPut<D, &D::setClausulaSQLWhere>("ClausulaSQLWhere", 0x68030002, "none"),
    method<D, &D::InicializarFPdb>("InicializarFPdb", 0x60030007),
    method<D, &D::EncerrarFPdb>("EncerrarFPdb", 0x60030008),
    propPut<D, &D::setNumeroPontoIdentificador>("NumeroPontoIdentificador", 0x68030001, "0"),
    propPut<D, &D::setQuantidadePontosIdentificadores>("QuantidadePontosIdentificadores", 0x68030000, "0"),
};
constexpr auto kFPdbMembers = memberInfos(kFPdbRows);
constexpr EventInfo kFPdbEvents[] = {
    {"FPdbInicializado", 1, 0, {}},
    {"FPdbEncerrado", 2, 0, {}},
    {"InicializandoFPdb", 3, 0, {}},
    {"Msg", 4, 1, {{"texto", OA_STR}}},
    {"ErroMsg", 5, 1, {{"texto", OA_STR}}},
};
} // namespace

const component::ClassInfo kCtrlFPdbInfo = {
    "ctrlFPdb", makeGuid("{D1D7ACDB-B491-4350-8D35-E50C34A5AE8C}"),
    makeGuid("{97FB57F8-6532-4416-A241-5884A11FD21F}"), makeGuid("{FA4F9E62-44D9-4568-957D-FBAF7F996716}"),
    "_ctrlFPdb", "__ctrlFPdb", true, kFPdbMembers.data(), kFPdbMembers.size(), kFPdbEvents,
    std::size(kFPdbEvents)};

// ---- FingerPrintImage (not creatable) ----------------------------------------
namespace {
using F = FingerPrintImage;
constexpr std::array kImageRows = {
    prop<F, &F::width, &F::setWidth>("fpiWidth", 0x40030000, "0"),
    prop<F, &F::height, &F::setHeight>("fpiHeight", 0x40030001, "0"),
    propRef<F, &F::image, &F::setImage>("fpiImage", 0x40030002, "empty"),
    prop<F, &F::isNew, &F::setNew>("fpiNew", 0x40030003, "false"),
    prop<F, &F::running, &F::setRunning>("fpiRunning", 0x40030004, "false"),
};
constexpr auto kImageMembers = memberInfos(kImageRows);
} // namespace

const component::ClassInfo kFingerPrintImageInfo = {
    "FingerPrintImage", makeGuid("{6FA1F1DE-113F-4C64-9E6D-DB517B75E25D}"),
    makeGuid("{B4022851-8612-4B2D-A357-2631B05C0CC9}"), component::Guid{}, "_FingerPrintImage", "", false,
    kImageMembers.data(), kImageMembers.size(), nullptr, 0};

// ---- The server's classes ------------------------------------------------------
namespace {

// Controls are widgets: without a widget application in the process there is
// nothing to make them in, and the factory reports a failure instead.
template <class T, const component::ClassInfo *Info, const auto *Rows> component::Object *create() {
  if (!qobject_cast<QApplication *>(QCoreApplication::instance())) return nullptr;
  return new DispatchObject<T>(Info, std::span<const Row<T>>(*Rows), new T, true);
}

const component::ServerClass kClasses[] = {
    {&kCtrlIdentificarInfo, &create<CtrlIdentificar, &kCtrlIdentificarInfo, &kIdentificarRows>},
    {&kCtrlCadastrarInfo, &create<CtrlCadastrar, &kCtrlCadastrarInfo, &kCadastrarRows>},
    {&kCtrlSensorInfo, &create<CtrlSensor, &kCtrlSensorInfo, &kSensorRows>},
    {&kCtrlFPdbInfo, &create<CtrlFPdb, &kCtrlFPdbInfo, &kFPdbRows>},
    {&kFingerPrintImageInfo, nullptr},
};

} // namespace

const component::ServerClass *serverClasses() { return kClasses; }
size_t serverClassCount() { return std::size(kClasses); }

component::Object *imageSlotObject(int slot) {
  FingerPrintImage *img = estado().imagem(slot);
  if (!img) return nullptr;
  return new DispatchObject<FingerPrintImage>(&kFingerPrintImageInfo, std::span<const Row<F>>(kImageRows), img,
                                              false);
}

} // namespace dactilox
