// ctrlFPdb: the template database and the templates held in memory.
#ifndef DACTILOX_CTRL_FPDB_H
#define DACTILOX_CTRL_FPDB_H

#include "picture_control.h"

namespace dactilox {

class CtrlFPdb : public PictureControl {
public:
  enum Evento : int32_t {
    evFPdbInicializado = 1,
    evFPdbEncerrado = 2,
    evInicializandoFPdb = 3,
    evMsg = 4,
    evErroMsg = 5,
  };

  explicit CtrlFPdb(QWidget *parent = nullptr);

  // Members, in interface order.
  void setHabilitarTrace(uint8_t v);
  void setConexaoSQL(QString s);
  void setCarregarDigitais(uint8_t v);
  void setSQLDelimitadorString(uint8_t v);
  void setClausulaSQLWhere(QString s);
  void InicializarFPdb();
  void EncerrarFPdb();
  void setNumeroPontoIdentificador(uint8_t v);
  void setQuantidadePontosIdentificadores(uint8_t v);

  bool iniciado() const { return m_ativo; }

private:
  bool m_ativo = false;
  bool m_iniciando = false;
  int32_t m_contexto = 0;  // the context made at start, released at stop
};

} // namespace dactilox

#endif
