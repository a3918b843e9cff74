#include "pictures.h"

#include "component/values.h"
#include "vistrel_binding.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dactilox {

namespace {

constexpr int kPaletaCinza = 1, kPaletaVerde = 0;
const QColor kAzul(0, 0, 255);
const QColor kVermelhoTraco(255, 0, 0);
// A direction byte of a minutia or singular point is this many radians.
constexpr double kRadianosPorUnidade = 0.026166666666666668;

// Nearest integer, halves to the even one (the default rounding mode).
int arredondar(double v) { return int(std::nearbyint(v)); }

int metade(int32_t v) {
  const int q = v / 2;
  return v % 2 != 0 && q % 2 != 0 ? q + 1 : q;
}

QImage daImagem(int32_t width, int32_t height, const oa_variant *image, int paleta) {
  bm_handle h = 0;
  if (!vistrel().imageToHandle(width, height, image, &h, paleta)) return {};
  return imagemDoBitmap(h);
}

} // namespace

QSize tamanhoMetade(int32_t width, int32_t height) { return {metade(width), metade(height)}; }

QImage imagemDoBitmap(bm_handle bitmap) {
  if (!bitmap) return {};
  bm_section s{};
  QImage out;
  if (bm_describe(bitmap, &s) == BM_OK && s.header.width > 0 && s.header.height != 0) {
    const int w = s.header.width, h = std::abs(s.header.height);
    const bool bottomUp = s.header.height > 0;
    if (s.header.bit_count == 8) {
      std::array<bm_rgbquad, 256> pal{};
      uint32_t count = 0;
      bm_palette(bitmap, pal.data(), 256, &count);
      out = QImage(w, h, QImage::Format_Indexed8);
      QList<QRgb> table;
      for (uint32_t k = 0; k < std::min<uint32_t>(count, 256); ++k) table.push_back(qRgb(pal[k].red, pal[k].green, pal[k].blue));
      while (table.size() < 256) table.push_back(qRgb(0, 0, 0));
      out.setColorTable(table);
      const auto *bits = static_cast<const uint8_t *>(s.bits);
      for (int y = 0; y < h; ++y)
        std::memcpy(out.scanLine(y), bits + size_t(bottomUp ? h - 1 - y : y) * s.stride, size_t(w));
    } else {
      // Any other depth through 24-bit lines, bottom line first.
      const uint32_t stride = bm_stride(w, 24);
      std::vector<uint8_t> lines(size_t(stride) * size_t(h));
      if (bm_get_lines24(bitmap, 0, uint32_t(h), lines.data()) == BM_OK) {
        out = QImage(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
          const uint8_t *src = lines.data() + size_t(h - 1 - y) * stride;
          auto *dst = reinterpret_cast<QRgb *>(out.scanLine(y));
          for (int x = 0; x < w; ++x) dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        }
      }
    }
  }
  bm_delete(bitmap);
  return out;
}

QImage imagemCinza(int32_t width, int32_t height, const oa_variant *image) {
  return daImagem(width, height, image, kPaletaCinza);
}

QImage imagemMetade(int32_t width, int32_t height, const oa_variant *image) {
  if (!image) return {};
  const QSize m = tamanhoMetade(width, height);
  component::Value result;
  if (!vistrel().rescaleVB(result.get(), m.width(), m.height(), *image, width, height)) return {};
  return daImagem(m.width(), m.height(), result.get(), kPaletaCinza);
}

QImage imagemBinarizada(int32_t width, int32_t height, const oa_variant *image) {
  return daImagem(width, height, image, kPaletaVerde);
}

int32_t RegistroMinucias::longAt(size_t off) const {
  uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = v << 8 | m_bytes[off + size_t(k)];
  return int32_t(v);
}

void RegistroMinucias::setLong(size_t off, int32_t v) {
  for (int k = 0; k < 4; ++k) m_bytes[off + size_t(k)] = uint8_t(uint32_t(v) >> (8 * k));
}

std::vector<RegistroMinucias::Minucia> RegistroMinucias::minucias() const {
  const int n = std::clamp(quantidadeMinucias(), 0, 1024);
  std::vector<Minucia> out(size_t(n), Minucia{});
  for (int i = 0; i < n; ++i)
    out[size_t(i)] = {longAt(8 + 4 * size_t(i)), longAt(4104 + 4 * size_t(i)), m_bytes[8200 + size_t(i)]};
  return out;
}

std::vector<RegistroMinucias::PontoSingular> RegistroMinucias::pontosSingulares() const {
  const int m = std::clamp(longAt(10248), 0, 64);
  std::vector<PontoSingular> out(size_t(m), PontoSingular{});
  for (int j = 0; j < m; ++j)
    out[size_t(j)] = {longAt(10252 + 4 * size_t(j)), longAt(10508 + 4 * size_t(j)), m_bytes[10764 + size_t(j)],
                      m_bytes[10828 + size_t(j)]};
  return out;
}

int RegistroMinucias::blocosHorizontais() const { return std::clamp(longAt(10892), 0, 128); }
int RegistroMinucias::blocosVerticais() const { return std::clamp(longAt(10896), 0, 128); }

void RegistroMinucias::setMinucias(const std::vector<Minucia> &m) {
  setLong(4, int32_t(m.size()));
  for (size_t i = 0; i < m.size() && i < 1024; ++i) {
    setLong(8 + 4 * i, m[i].x);
    setLong(4104 + 4 * i, m[i].y);
    m_bytes[8200 + i] = m[i].direcao;
  }
}

void RegistroMinucias::setPontosSingulares(const std::vector<PontoSingular> &p) {
  setLong(10248, int32_t(p.size()));
  for (size_t j = 0; j < p.size() && j < 64; ++j) {
    setLong(10252 + 4 * j, p[j].x);
    setLong(10508 + 4 * j, p[j].y);
    m_bytes[10764 + j] = p[j].tipo;
    m_bytes[10828 + j] = p[j].direcao;
  }
}

void RegistroMinucias::setBlocos(int horizontais, int verticais, uint8_t direcao) {
  setLong(10892, horizontais);
  setLong(10896, verticais);
  std::fill(m_bytes.begin() + 10900, m_bytes.begin() + 10900 + 16384, direcao);
}

std::vector<Traco> tracosDasFeatures(const RegistroMinucias &r) {
  // The drawing's scale is 1 in every use, so points are image pixels as they stand.
  std::vector<Traco> out;
  auto segmento = [&](const QColor &c, int largura, QPoint a, QPoint b) {
    out.push_back({Traco::Segmento, c, largura, {a, b}});
  };

  for (int row = 0; row < r.blocosVerticais(); ++row) {
    for (int col = 0; col < r.blocosHorizontais(); ++col) {
      const uint8_t v = r.direcaoBloco(col, row);
      if (v == 255) continue;
      const QPoint centro(8 + 16 * col, 8 + 16 * row);
      std::vector<int> direcoes{v};
      if (v == 127) direcoes = {0, 30, 60, 90};  // a star: no single direction
      for (int d : direcoes) {
        const double a = d * 3.14 / 120;
        const QPoint delta(arredondar(std::cos(a) * 8), arredondar(std::sin(a) * 8));
        segmento(kAzul, 1, centro, centro + delta);
        segmento(kAzul, 1, centro, centro - delta);
      }
    }
  }

  for (const auto &m : r.minucias()) {
    const QPoint p(m.x, m.y);
    const double a = m.direcao * kRadianosPorUnidade;
    segmento(kVermelhoTraco, 2, p, p + QPoint(arredondar(10 * std::cos(a)), arredondar(10 * std::sin(a))));
    out.push_back({Traco::Circulo, kVermelhoTraco, 2, {p}, 4});
  }

  for (const auto &s : r.pontosSingulares()) {
    const QPoint p(s.x, s.y);
    switch (s.tipo) {
    case 2: out.push_back({Traco::Circulo, kVermelhoTraco, 4, {p}, 8}); break;
    case 1: {
      const int d = s.x - 8, e = s.y - 8;
      out.push_back({Traco::Linha, kVermelhoTraco, 4, {{d, e}, {d + 15, e}, {d + 15, e + 15}, {d, e + 15}, {d, e}}});
      const double a = s.direcao * kRadianosPorUnidade;
      segmento(kVermelhoTraco, 4, p, p + QPoint(arredondar(16 * std::cos(a)), arredondar(16 * std::sin(a))));
      break;
    }
    case 3: {
      const int d = s.x - 8, e = s.y + 8;
      out.push_back({Traco::Linha, kVermelhoTraco, 4, {{d, e}, {d + 8, e - 17}, {d + 15, e}, {d, e}}});
      break;
    }
    default: break;
    }
  }
  return out;
}

void desenhar(QPainter &p, const std::vector<Traco> &tracos) {
  for (const Traco &t : tracos) {
    p.setPen(QPen(t.cor, t.largura));
    p.setBrush(Qt::NoBrush);
    switch (t.forma) {
    case Traco::Segmento: p.drawLine(t.pontos[0], t.pontos[1]); break;
    case Traco::Circulo: p.drawEllipse(t.pontos[0], t.raio, t.raio); break;
    case Traco::Linha: p.drawPolyline(t.pontos.data(), int(t.pontos.size())); break;
    }
  }
}

QImage figuraMinucias(const QImage &binarizada, const RegistroMinucias &r) {
  if (binarizada.isNull()) return {};
  QImage out = binarizada.convertToFormat(QImage::Format_RGB32);
  QPainter p(&out);
  desenhar(p, tracosDasFeatures(r));
  return out;
}

} // namespace dactilox
