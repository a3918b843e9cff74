// ctrlIdentificar: identifies the person at the reader, one-to-many over the
// templates in memory, behind a traffic-light signal.
#ifndef DACTILOX_CTRL_IDENTIFICAR_H
#define DACTILOX_CTRL_IDENTIFICAR_H

#include "pictures.h"
#include "shared_state.h"
#include "visual_control.h"

#include <memory>

class QLabel;

namespace dactilox {

class CtrlIdentificar : public VisualControl {
public:
  enum Evento : int32_t {
    evUsuarioIdentificado = 1,
    evBiometricaInicializada = 2,
    evBiometricaEncerrada = 3,
    evImagemDigitalCapturada = 4,
    evMinuciasEncontradas = 5,
    evMsg = 6,
    evErroMsg = 7,
    evBaixoNumeroPontos = 8,
    evUsuarioExcluido = 9,
    evProcessandoDesempate = 10,
  };

  explicit CtrlIdentificar(QWidget *parent = nullptr);
  ~CtrlIdentificar() override;

  // Members, in interface order.
  bool stopProcess() const { return m_stopProcess; }
  void setStopProcess(bool v) { m_stopProcess = v; }
  void SinalAmarelo(oa_variant *msg);
  void SinalVerde(oa_variant *msg);
  void SinalVermelho(oa_variant *msg);
  void RestaurarConfiguracaoPadrao();
  void InicializarBiometrica();
  void EncerrarBiometrica();
  void setModoPesquisa(uint8_t v) { m_modoPesquisa = v; }
  uint8_t indiceSensor() const { return m_indiceSensor; }
  void setIndiceSensor(uint8_t v) { m_indiceSensor = v; }
  void setIntervaloAtualizarDigitais(int16_t ms);
  void setIntervaloTimeOutIdentificacao(int16_t ms);
  int16_t rigidezIdentificacao() const { return rigidezDeLimiar(m_limiar); }
  void setRigidezIdentificacao(int16_t v);
  uint8_t numeroMinimoPontos() const { return m_numeroMinimoPontos; }
  void setNumeroMinimoPontos(uint8_t v) { m_numeroMinimoPontos = v; }
  void setIntervaloDesempate(int32_t ms);
  Status setIntervaloSinalVerde(int32_t ms);
  Status setIntervaloSinalVermelho(int32_t ms);
  // ExcluirUsuario, Aparencia, ColorirMoldura, MolduraImagem, MostrarMinucias,
  // the Moldura methods and GravarImagem come from VisualControl.
  void setRelogio(uint8_t v);
  void setMsgSinalVerde(QString s);
  void setMsgSinalVermelho(QString s);
  void setMsgSinalAmarelo(QString s);
  void setSemafaroAutomatico(uint8_t v) { m_semafaroAutomatico = v == 1; }
  void setAtivarDesempate(uint8_t v) { m_ativarDesempate = v == 1; }
  void setRetornarListaCandidatos(uint8_t v) { m_retornarLista = v == 1; }
  void VerificarUsuario(QString codUsuario);

  // Observed by tests and by the later behaviour.
  bool iniciado() const { return m_ativa; }
  bool modoPesquisaRapida() const { return m_modoPesquisa == 1; }
  bool semafaroAutomatico() const { return m_semafaroAutomatico; }
  bool ativarDesempate() const { return m_ativarDesempate; }
  bool retornarListaCandidatos() const { return m_retornarLista; }
  bool relogioVisivel() const;
  bool relogioAndando() const;
  QString msgSinalVerde() const { return m_msgVerde; }
  QString msgSinalVermelho() const { return m_msgVermelho; }
  QString msgSinalAmarelo() const { return m_msgAmarelo; }
  int intervaloSinalVerde() const { return m_intervaloVerde; }
  int intervaloSinalVermelho() const { return m_intervaloVermelho; }
  int32_t limiar() const { return m_limiar; }
  uint8_t etapa() const { return m_etapa; }
  int quantidadeVerificacao() const { return m_quantidadeVerificacao; }
  QString glifos() const;  // the two hand glyphs, for tests
  bool sinalVerdeAndando() const;
  bool sinalVermelhoAndando() const;

private:
  enum class Sinal { Amarelo, Verde, Vermelho };
  void sinal(Sinal s, const QString &text);
  void pollImagens();
  void processaFPImagem(int slot);
  // Extraction and the pictures; false when the touch cannot be used (the
  // reason was raised as ErroMsg).
  bool extrair(int slot, int32_t context);
  void etapaResultado(int slot, bool rapida);
  void verificar(int slot, int32_t context);
  void desempate();
  // The candidate confirmed by another of its fingers, or none.
  const FingerprintRecord *confirmarDesempate();
  void reportarIdentificado(uint8_t dedo, const QString &codigo, uint8_t slot);
  void reportarNaoIdentificado(uint8_t slot);
  void reportarFalha(const QString &texto);
  void tickRelogio();

  bool m_ativa = false;
  bool m_iniciando = false;
  bool m_processando = false;
  bool m_stopProcess = false;
  uint8_t m_modoPesquisa = 0;
  uint8_t m_indiceSensor = 0;
  int32_t m_limiar = 72;
  uint8_t m_numeroMinimoPontos = 0;
  int16_t m_intervaloVerde = 1000;
  int16_t m_intervaloVermelho = 2000;
  bool m_semafaroAutomatico = true;
  bool m_ativarDesempate = true;
  bool m_retornarLista = false;
  QString m_msgVerde, m_msgVermelho, m_msgAmarelo;
  uint8_t m_etapa = 1;
  std::array<FingerprintRecord, 11> m_conjuntoVerificacao;
  int m_quantidadeVerificacao = 0;
  // The touch being processed: its template, features and binarised picture.
  QByteArray m_sonda;
  RegistroMinucias m_registro;
  QImage m_binarizada;

  QLabel *m_glifo[2] = {};
  QLabel *m_relogio = nullptr;
  std::unique_ptr<IntervalTimer> m_tmrNewImage, m_tmrSinalVerde, m_tmrSinalVermelho, m_tmrDesempate,
      m_tmrTimeOut, m_tmrAtualizarDigitais, m_tmrDataHora;
};

} // namespace dactilox

#endif
