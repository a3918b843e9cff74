// Typed wrapper of Dactilox's ctrlIdentificar, members in interface order.
#ifndef CONTROLS_CTRL_IDENTIFICAR_H
#define CONTROLS_CTRL_IDENTIFICAR_H

#include "controls/hosted_control.h"

namespace controls {

class CtrlIdentificar : public HostedControl {
  Q_OBJECT
public:
  explicit CtrlIdentificar(const QString &objectName, QWidget *parent = nullptr);

  bool StopProcess();
  bool setStopProcess(bool v);
  bool setMostrarMinucias(quint8 v);
  void SinalAmarelo(const QString &msg);
  void SinalVerde(const QString &msg);
  void SinalVermelho(const QString &msg);
  void RestaurarConfiguracaoPadrao();
  void InicializarBiometrica();
  void EncerrarBiometrica();
  bool setModoPesquisa(quint8 v);
  quint8 IndiceSensor();
  bool setIndiceSensor(quint8 v);
  bool setIntervaloAtualizarDigitais(qint16 ms);
  bool setIntervaloTimeOutIdentificacao(qint16 ms);
  qint16 RigidezIdentificacao();
  bool setRigidezIdentificacao(qint16 v);
  quint8 NumeroMinimoPontos();
  bool setNumeroMinimoPontos(quint8 v);
  bool setIntervaloDesempate(qint32 ms);
  bool setIntervaloSinalVerde(qint32 ms);     // false above 32767 (overflow)
  bool setIntervaloSinalVermelho(qint32 ms);  // false above 32767 (overflow)
  qint32 ExcluirUsuario(const QString &codUsuario);
  bool setAparencia(quint8 v);
  bool setRelogio(quint8 v);
  bool setColorirMoldura(quint8 v);
  bool setMolduraImagem(quint8 v);
  bool setMsgSinalVerde(const QString &s);
  bool setMsgSinalVermelho(const QString &s);
  bool setMsgSinalAmarelo(const QString &s);
  bool setSemafaroAutomatico(quint8 v);
  bool setAtivarDesempate(quint8 v);
  bool setRetornarListaCandidatos(quint8 v);
  void VerificarUsuario(const QString &codUsuario);
  void MolduraVerde();
  void MolduraVermelha();
  void MolduraAmarela();
  void MolduraCinza();
  qint32 GravarImagem(const QString &path);

signals:
  void UsuarioIdentificado(quint8 indiceDedo, const QString &codUsuario, quint8 indiceSensor);
  void BiometricaInicializada();
  void BiometricaEncerrada();
  void ImagemDigitalCapturada(quint8 indiceSensor);
  void MinuciasEncontradas(qint32 numero);
  void Msg(const QString &texto);
  void ErroMsg(const QString &texto);
  void BaixoNumeroPontos(qint32 numero);
  void UsuarioExcluido(const QString &codUsuario);
  void ProcessandoDesempate(qint32 numeroCandidatos);

protected:
  void handleEvent(int32_t dispid, oa_variant *args, uint32_t argc) override;

private:
  void sinal(int32_t dispid, const QString &msg);
};

} // namespace controls

#endif
