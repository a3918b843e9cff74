// The pictures made from a reader image: the full-size grey picture (kept for
// GravarImagem), the half-size display, the binarised picture in the green
// palette, and the features drawn over it. Bitmaps come from Vistrel; the
// picture made from one deletes it.
#ifndef DACTILOX_PICTURES_H
#define DACTILOX_PICTURES_H

#include "bitmap/bitmap.h"
#include "dactilox/papilo_api.h"
#include "oleauto/oleauto.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QSize>

#include <array>
#include <cstdint>
#include <vector>

class QPainter;

namespace dactilox {

// Half of each side, rounded to the nearest integer with halves to the even
// one: 301 -> 150, 303 -> 152.
QSize tamanhoMetade(int32_t width, int32_t height);

// A picture of the bitmap, which is deleted; null for no bitmap.
QImage imagemDoBitmap(bm_handle bitmap);

// From a grey image (byte array variant of width x height pixels). Each is a
// null image when Vistrel is missing or refuses the image.
QImage imagemCinza(int32_t width, int32_t height, const oa_variant *image);
QImage imagemMetade(int32_t width, int32_t height, const oa_variant *image);
QImage imagemBinarizada(int32_t width, int32_t height, const oa_variant *image);

// The decompressed feature record the engine fills (RegistroMinucias).
// Counts are read clamped to the record's own tables, so a bad record cannot
// make the drawing read past it.
class RegistroMinucias {
public:
  void *data() { return m_bytes.data(); }
  void limpar() { m_bytes.fill(0); }

  int32_t quantidadeMinucias() const { return longAt(4); }  // as the engine wrote it
  struct Minucia {
    int32_t x, y;
    uint8_t direcao;
  };
  struct PontoSingular {
    int32_t x, y;
    uint8_t tipo, direcao;
  };
  std::vector<Minucia> minucias() const;
  std::vector<PontoSingular> pontosSingulares() const;
  int blocosHorizontais() const;
  int blocosVerticais() const;
  uint8_t direcaoBloco(int coluna, int linha) const { return m_bytes[size_t(10900 + linha * 128 + coluna)]; }

  // For tests and tools: writing the fields the drawing reads.
  void setMinucias(const std::vector<Minucia> &m);
  void setPontosSingulares(const std::vector<PontoSingular> &p);
  void setBlocos(int horizontais, int verticais, uint8_t direcao);
  void setDirecaoBloco(int coluna, int linha, uint8_t v) { m_bytes[size_t(10900 + linha * 128 + coluna)] = v; }

private:
  int32_t longAt(size_t off) const;
  void setLong(size_t off, int32_t v);
  std::array<uint8_t, PAPILO_RECORD_SIZE> m_bytes{};
};

// One stroke of the feature drawing, in image pixels.
struct Traco {
  enum Forma { Segmento, Circulo, Linha };  // Linha: a polyline through every point
  Forma forma;
  QColor cor;
  int largura;
  std::vector<QPoint> pontos;  // a circle has its centre here
  int raio = 0;
};

// Block directions (blue), minutiae and singular points (red), in that order.
std::vector<Traco> tracosDasFeatures(const RegistroMinucias &r);
void desenhar(QPainter &p, const std::vector<Traco> &tracos);
// The binarised picture with the features drawn over it.
QImage figuraMinucias(const QImage &binarizada, const RegistroMinucias &r);

} // namespace dactilox

#endif
