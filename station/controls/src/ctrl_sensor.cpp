#include "controls/ctrl_sensor.h"

using component::Value;

namespace controls {

namespace {
// ctrlSensor {A8F8140B-AB14-4AA2-B91C-89AA408E3F58}, default interface
// _ctrlSensor, events __ctrlSensor.
constexpr component::Guid kClsid = component::makeGuid("{A8F8140B-AB14-4AA2-B91C-89AA408E3F58}");

enum : int32_t {
  EncerrarSensor_ = 0x60030002,
  InicializarSensor_ = 0x60030003,
  SerialSensor_ = 0x68030001,
  IndiceSensor_ = 0x68030000,
};

enum : int32_t {
  evSensorInicializado = 1,
  evSensorEncerrado = 2,
  evInicializandoSensor = 3,
  evMsg = 4,
  evErroMsg = 5,
};
} // namespace

CtrlSensor::CtrlSensor(const QString &objectName, QWidget *parent) : HostedControl(kClsid, objectName, parent) {}

void CtrlSensor::EncerrarSensor() { call(EncerrarSensor_); }
void CtrlSensor::InicializarSensor() { call(InicializarSensor_); }
QString CtrlSensor::SerialSensor() { return asString(get(SerialSensor_)); }
bool CtrlSensor::setSerialSensor(const QString &s) { return put(SerialSensor_, component::fromQString(s)); }
quint8 CtrlSensor::IndiceSensor() { return asByte(get(IndiceSensor_)); }
bool CtrlSensor::setIndiceSensor(quint8 v) { return put(IndiceSensor_, Value::byte(v)); }

void CtrlSensor::handleEvent(int32_t dispid, oa_variant *a, uint32_t n) {
  switch (dispid) {
  case evSensorInicializado: emit SensorInicializado(); break;
  case evSensorEncerrado: emit SensorEncerrado(); break;
  case evInicializandoSensor: emit InicializandoSensor(); break;
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
