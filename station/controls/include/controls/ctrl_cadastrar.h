// Typed wrapper of Dactilox's ctrlCadastrar, members in interface order.
#ifndef CONTROLS_CTRL_CADASTRAR_H
#define CONTROLS_CTRL_CADASTRAR_H

#include "controls/hosted_control.h"

namespace controls {

class CtrlCadastrar : public HostedControl {
  Q_OBJECT
public:
  explicit CtrlCadastrar(const QString &objectName, QWidget *parent = nullptr);

  bool StopProcess();
  bool setStopProcess(bool v);
  bool setColorirMoldura(quint8 v);
  void MolduraVerde();
  void MolduraVermelha();
  void MolduraAmarela();
  void MolduraCinza();
  bool setMostrarMinucias(quint8 v);
  void EncerrarBiometrica();
  void InicializarBiometrica();
  void CadastrarDigital(quint8 indiceDedo, const QString &codUsuario);
  qint32 ExcluirUsuario(const QString &codUsuario);
  bool setMolduraImagem(quint8 v);
  bool setAparencia(quint8 v);
  qint32 GravarImagem(const QString &path);
  void CadastrarImagemArquivo(quint8 indiceDedo, const QString &codUsuario, const QString &pathArquivo);
  bool setModoCadastro(quint8 v);
  void LimparImageDigital();
  qint16 RigidezCadastro();
  bool setRigidezCadastro(qint16 v);
  quint8 NumeroMinimoPontos();
  bool setNumeroMinimoPontos(quint8 v);
  quint8 VerificarDigitaisDuplicadas();
  bool setVerificarDigitaisDuplicadas(quint8 v);
  quint8 IndiceSensor();
  bool setIndiceSensor(quint8 v);

signals:
  void CadastroConcluido(quint8 sucesso, quint8 indiceDedo);
  void BiometricaInicializada();
  void BiometricaEncerrada();
  void ImagemDigitalCapturada(quint8 indiceSensor);
  void MinuciasEncontradas(qint32 numero);
  void Msg(const QString &texto);
  void ErroMsg(const QString &texto);
  void BaixoNumeroPontos(qint32 numero);
  void DigitaisDuplicadas();
  void UsuarioExcluido(const QString &codUsuario);

protected:
  void handleEvent(int32_t dispid, oa_variant *args, uint32_t argc) override;
};

} // namespace controls

#endif
