// What ctrlIdentificar and ctrlCadastrar share: the frame shapes, the image
// boxes, the bottom band with its message label, the layouts of Aparencia,
// GravarImagem and ExcluirUsuario.
#ifndef DACTILOX_VISUAL_CONTROL_H
#define DACTILOX_VISUAL_CONTROL_H

#include "control_support.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QLabel;

namespace dactilox {

class VisualControl : public QWidget, public EventSource {
public:
  // Where the two controls differ, in twips.
  struct Look {
    int greyBoxLeft, greyBoxTop;  // the hidden full-size grey image box
    int messageTop;               // the message label
    int shortHeight;              // control height in layouts 2 and 4
    int excluidoEvent;            // identifier of UsuarioExcluido
    int capturadaEvent;           // identifier of ImagemDigitalCapturada
  };

  // Layout sizes in twips.
  static constexpr int kWidth = 7830, kHeight = 5355;
  static constexpr int kNarrowWidth = 4665;
  static constexpr int kImageLeft = 960, kImageTop = 780, kImageWidth = 2745, kImageHeight = 3000;

  // Members shared by both controls (their dispatch rows name them).
  void MolduraVerde();
  void MolduraVermelha();
  void MolduraAmarela();
  void MolduraCinza();
  void setMostrarMinucias(uint8_t v);   // 1 = on
  void setMolduraImagem(uint8_t v);     // non-zero = on
  void setColorirMoldura(uint8_t v);    // non-zero = on
  void setAparencia(uint8_t layout);
  int32_t GravarImagem(QString path);
  int32_t ExcluirUsuario(QString codUsuario);

  // State for tests and for the later behaviour.
  bool colorirMoldura() const { return m_colorir; }
  bool minuciasVisiveis() const;
  bool molduraVisivel() const;
  QColor corMoldura(int i) const { return m_corMoldura[i]; }
  QString mensagem() const;
  QRect caixaImagem() const;
  QRect rotuloMensagem() const;
  // Pictures of the two boxes (the half-size display and the full-size grey).
  void mostrarImagem(const QImage &metade, const QImage &cinza);
  void limparImagens();
  // The minutiae box: the binarised picture with its features, in image
  // pixels, fitted into the box.
  void mostrarFiguraMinucias(const QImage &figura);
  QImage figuraMinuciasExibida() const { return m_figura; }
  QImage imagemExibida() const;  // the half-size display picture

protected:
  VisualControl(const Look &look, QWidget *parent);
  void setMensagem(const QString &text);
  // The image poll: with slot index 0 every slot, else only that slot; each
  // new image is taken (its flag cleared, ImagemDigitalCapturada raised)
  // and handed to processar.
  void tomarImagens(uint8_t indiceSensor, const std::function<void(int slot)> &processar);
  // Engine start of both controls: VBPPInitialize, then parameters 1000,
  // thresholdId and 220 on the context of the slot. On failure the engine's
  // text is shown and raised as ErroMsg; false.
  bool iniciarMotor(uint8_t indiceSensor, int32_t thresholdId, int32_t threshold, int32_t erroEvent);
  // A new strictness goes to the engine at once, as a Long on the context of
  // the slot; ErroMsg when the engine cannot take it.
  void enviarLimiar(uint8_t indiceSensor, int32_t thresholdId, int32_t threshold, int32_t erroEvent);
  void setTamanhoMensagem(int points);
  void pintarMolduras(const QColor &a, const QColor &b);
  QWidget *band() const { return m_band; }

private:
  Look m_look;
  std::array<QWidget *, 4> m_moldura{};
  std::array<QColor, 4> m_corMoldura;
  QLabel *m_imagem = nullptr;
  QLabel *m_minucias = nullptr;
  QLabel *m_imagemCinza = nullptr;
  QWidget *m_band = nullptr;
  QLabel *m_mensagem = nullptr;
  QImage m_cinza;
  QImage m_figura;
  bool m_colorir = false;
};

// Colours of the frames and signals.
inline const QColor kCinza(128, 128, 128);
inline const QColor kPrata(192, 192, 192);
inline const QColor kVerde(0, 255, 0);
inline const QColor kVermelho(255, 0, 0);
inline const QColor kAmarelo(255, 255, 0);

} // namespace dactilox

#endif
