// ctrlCadastrar: enrolls one finger of a given user.
#ifndef DACTILOX_CTRL_CADASTRAR_H
#define DACTILOX_CTRL_CADASTRAR_H

#include "shared_state.h"
#include "visual_control.h"

#include <memory>

class QLabel;
class QLineEdit;

namespace dactilox {

// "Polegar Direito" ... "Mínimo Esquerdo" for 0 to 9, "" for any other index.
QString nomeDedo(int indice);

class CtrlCadastrar : public VisualControl {
public:
  enum Evento : int32_t {
    evCadastroConcluido = 1,
    evBiometricaInicializada = 2,
    evBiometricaEncerrada = 3,
    evImagemDigitalCapturada = 4,
    evMinuciasEncontradas = 5,
    evMsg = 6,
    evErroMsg = 7,
    evBaixoNumeroPontos = 8,
    evDigitaisDuplicadas = 9,
    evUsuarioExcluido = 10,
  };

  explicit CtrlCadastrar(QWidget *parent = nullptr);
  ~CtrlCadastrar() override;

  // Members, in interface order (the shared ones come from VisualControl).
  bool stopProcess() const { return m_stopProcess; }
  void setStopProcess(bool v) { m_stopProcess = v; }
  void EncerrarBiometrica();
  void InicializarBiometrica();
  void CadastrarDigital(uint8_t indiceDedo, QString codUsuario);
  void CadastrarImagemArquivo(uint8_t indiceDedo, QString codUsuario, QString pathArquivo);
  void setModoCadastro(uint8_t v) { m_modoCadastro = v; }
  void LimparImageDigital() { limparImagens(); }
  int16_t rigidezCadastro() const { return rigidezDeLimiar(m_limiar); }
  void setRigidezCadastro(int16_t v);
  uint8_t numeroMinimoPontos() const { return m_numeroMinimoPontos; }
  void setNumeroMinimoPontos(uint8_t v) { m_numeroMinimoPontos = v; }
  uint8_t verificarDigitaisDuplicadas() const { return m_verificarDuplicadas ? 1 : 0; }
  void setVerificarDigitaisDuplicadas(uint8_t v) { m_verificarDuplicadas = v != 0; }
  uint8_t indiceSensor() const { return m_indiceSensor; }
  void setIndiceSensor(uint8_t v) { m_indiceSensor = v; }

  bool iniciado() const { return m_ativa; }
  bool tresToques() const { return m_modoCadastro == 1; }
  int32_t limiar() const { return m_limiar; }
  QString usuarioArmado() const { return m_usuario; }
  uint8_t dedoArmado() const { return m_dedo; }

private:
  void reset();
  void limparParaNovoDedo();
  void pollImagens();

  bool m_ativa = false;
  bool m_iniciando = false;
  bool m_stopProcess = false;
  uint8_t m_modoCadastro = 1;
  int32_t m_limiar = 72;
  uint8_t m_numeroMinimoPontos = 10;
  bool m_verificarDuplicadas = false;
  uint8_t m_indiceSensor = 0;
  int m_contagemToques = 0;
  QString m_usuario;
  uint8_t m_dedo = 0;

  QLabel *m_legendaUsuario = nullptr;
  QLineEdit *m_caixaUsuario = nullptr;
  QLabel *m_glifo[3] = {};
  std::unique_ptr<IntervalTimer> m_tmrNewImage;
};

} // namespace dactilox

#endif
