// Typed wrapper of Dactilox's ctrlSensor, members in interface order.
#ifndef CONTROLS_CTRL_SENSOR_H
#define CONTROLS_CTRL_SENSOR_H

#include "controls/hosted_control.h"

namespace controls {

class CtrlSensor : public HostedControl {
  Q_OBJECT
public:
  explicit CtrlSensor(const QString &objectName, QWidget *parent = nullptr);

  void EncerrarSensor();
  void InicializarSensor();
  QString SerialSensor();
  bool setSerialSensor(const QString &s);
  quint8 IndiceSensor();
  bool setIndiceSensor(quint8 v);

signals:
  void SensorInicializado();
  void SensorEncerrado();
  void InicializandoSensor();
  void Msg(const QString &texto);
  void ErroMsg(const QString &texto);

protected:
  void handleEvent(int32_t dispid, oa_variant *args, uint32_t argc) override;
};

} // namespace controls

#endif
