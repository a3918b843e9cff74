// ctrlSensor: connects one reader to one image slot.
#ifndef DACTILOX_CTRL_SENSOR_H
#define DACTILOX_CTRL_SENSOR_H

#include "picture_control.h"

namespace dactilox {

class CtrlSensor : public PictureControl {
public:
  enum Evento : int32_t {
    evSensorInicializado = 1,
    evSensorEncerrado = 2,
    evInicializandoSensor = 3,
    evMsg = 4,
    evErroMsg = 5,
  };

  explicit CtrlSensor(QWidget *parent = nullptr);

  // Members, in interface order.
  void EncerrarSensor();
  void InicializarSensor();
  QString serialSensor() const { return m_serial; }
  void setSerialSensor(QString s) { m_serial = std::move(s); }
  uint8_t indiceSensor() const { return m_indiceSensor; }
  void setIndiceSensor(uint8_t v) { m_indiceSensor = v; }

  bool iniciado() const { return m_ativo; }
  // One image from the reader: stored in slot IndiceSensor, replacing one
  // that no control took yet.
  void receberImagem(int32_t width, int32_t height, const oa_variant *image);

private:
  void falha(const QString &detalhe);

  bool m_ativo = false;
  bool m_iniciando = false;
  QString m_serial;
  uint8_t m_indiceSensor = 0;
  int32_t m_contexto = 0;      // the context made at start, released at stop
  uint8_t m_slotContexto = 0;  // the slot it was stored in
};

} // namespace dactilox

#endif
