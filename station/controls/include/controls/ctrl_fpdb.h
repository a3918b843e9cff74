// Typed wrapper of Dactilox's ctrlFPdb, members in interface order.
#ifndef CONTROLS_CTRL_FPDB_H
#define CONTROLS_CTRL_FPDB_H

#include "controls/hosted_control.h"

namespace controls {

class CtrlFPdb : public HostedControl {
  Q_OBJECT
public:
  explicit CtrlFPdb(const QString &objectName, QWidget *parent = nullptr);

  bool setHabilitarTrace(quint8 v);
  bool setConexaoSQL(const QString &s);
  bool setCarregarDigitais(quint8 v);
  bool setSQLDelimitadorString(quint8 v);
  bool setClausulaSQLWhere(const QString &s);
  void InicializarFPdb();
  void EncerrarFPdb();
  bool setNumeroPontoIdentificador(quint8 v);
  bool setQuantidadePontosIdentificadores(quint8 v);

signals:
  void FPdbInicializado();
  void FPdbEncerrado();
  void InicializandoFPdb();
  void Msg(const QString &texto);
  void ErroMsg(const QString &texto);

protected:
  void handleEvent(int32_t dispid, oa_variant *args, uint32_t argc) override;
};

} // namespace controls

#endif
