#include "controls/ctrl_fpdb.h"

using component::Value;

namespace controls {

namespace {
// ctrlFPdb {D1D7ACDB-B491-4350-8D35-E50C34A5AE8C}, default interface
// _ctrlFPdb, events __ctrlFPdb.
constexpr component::Guid kClsid = component::makeGuid("{D1D7ACDB-B491-4350-8D35-E50C34A5AE8C}");

enum : int32_t {
  HabilitarTrace_ = 0x68030006,
  ConexaoSQL_ = 0x68030005,
  CarregarDigitais_ = 0x68030004,
  SQLDelimitadorString_ = 0x68030003,
  ClausulaSQLWhere_ = 0x68030002,
  InicializarFPdb_ = 0x60030007,
  EncerrarFPdb_ = 0x60030008,
  NumeroPontoIdentificador_ = 0x68030001,
  QuantidadePontosIdentificadores_ = 0x68030000,
};

enum : int32_t {
  evFPdbInicializado = 1,
  evFPdbEncerrado = 2,
  evInicializandoFPdb = 3,
  evMsg = 4,
  evErroMsg = 5,
};
} // namespace

CtrlFPdb::CtrlFPdb(const QString &objectName, QWidget *parent) : HostedControl(kClsid, objectName, parent) {}

bool CtrlFPdb::setHabilitarTrace(quint8 v) { return put(HabilitarTrace_, Value::byte(v)); }
bool CtrlFPdb::setConexaoSQL(const QString &s) { return put(ConexaoSQL_, component::fromQString(s)); }
bool CtrlFPdb::setCarregarDigitais(quint8 v) { return put(CarregarDigitais_, Value::byte(v)); }
bool CtrlFPdb::setSQLDelimitadorString(quint8 v) { return put(SQLDelimitadorString_, Value::byte(v)); }
bool CtrlFPdb::setClausulaSQLWhere(const QString &s) { return put(ClausulaSQLWhere_, component::fromQString(s)); }
void CtrlFPdb::InicializarFPdb() { call(InicializarFPdb_); }
void CtrlFPdb::EncerrarFPdb() { call(EncerrarFPdb_); }
bool CtrlFPdb::setNumeroPontoIdentificador(quint8 v) { return put(NumeroPontoIdentificador_, Value::byte(v)); }
bool CtrlFPdb::setQuantidadePontosIdentificadores(quint8 v) {
  return put(QuantidadePontosIdentificadores_, Value::byte(v));
}

void CtrlFPdb::handleEvent(int32_t dispid, oa_variant *a, uint32_t n) {
  switch (dispid) {
  case evFPdbInicializado: emit FPdbInicializado(); break;
  case evFPdbEncerrado: emit FPdbEncerrado(); break;
  case evInicializandoFPdb: emit InicializandoFPdb(); break;
  case evMsg:
    if (n == 1) emit Msg(stringArg(a[0]));
    break;
  case evErroMsg:
    if (n == 1) emit ErroMsg(stringArg(a[0]));
    break;
  default: break;
  }
}

} // namespace controls
