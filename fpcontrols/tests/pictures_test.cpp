// The pictures of a touch through the real Vistrel, and the feature drawing
// on small hand-made records.
#include "pictures.h"
#include "test_support.h"
#include "vistrel_binding.h"

#include "component/values.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <filesystem>

using namespace dactilox;
using component::Value;

namespace {

Value greyImage(int w, int h, uint8_t (*pixel)(int x, int y)) {
  oa_array *a = oa_array_create(OA_UI1, 0, uint32_t(w * h));
  auto *p = static_cast<uint8_t *>(a->data);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p[y * w + x] = pixel(x, y);
  return Value::array(a);
}

uint8_t diagonal(int x, int y) { return uint8_t((x + 2 * y) % 256); }

std::vector<std::pair<QPoint, QPoint>> segmentos(const std::vector<Traco> &t, const QColor &c) {
  std::vector<std::pair<QPoint, QPoint>> out;
  for (const Traco &k : t)
    if (k.forma == Traco::Segmento && k.cor == c) out.push_back({k.pontos[0], k.pontos[1]});
  return out;
}

const QColor kBlue(0, 0, 255), kRed(255, 0, 0);

} // namespace

TEST(Pictures, HalfSizeRoundsHalvesToEven) {
  const std::tuple<int, int, int, int> cases[] = {
      {301, 400, 150, 200}, {303, 400, 152, 200}, {302, 401, 151, 200}, {1, 3, 0, 2}, {5, 7, 2, 4}, {640, 480, 320, 240}};
  for (const auto &[w, h, hw, hh] : cases) EXPECT_EQ(tamanhoMetade(w, h), QSize(hw, hh)) << w << "x" << h;
}

TEST(Pictures, GreyHalfAndBinarisedThroughVistrel) {
  test::ensureApp();
  vistrel().reset();
  struct Case {
    int w, h;
  };
  for (const Case &c : {Case{301, 400}, Case{303, 400}}) {
    SCOPED_TRACE(c.w);
    Value img = greyImage(c.w, c.h, diagonal);
    const QImage cinza = imagemCinza(c.w, c.h, img.get());
    ASSERT_EQ(cinza.size(), QSize(c.w, c.h)) << vistrel().lastError().toStdString();
    EXPECT_EQ(cinza.format(), QImage::Format_Indexed8);
    for (QPoint p : {QPoint(0, 0), QPoint(c.w - 1, 0), QPoint(7, c.h - 1), QPoint(c.w / 2, c.h / 3)})
      EXPECT_EQ(cinza.pixel(p), qRgb(diagonal(p.x(), p.y()), diagonal(p.x(), p.y()), diagonal(p.x(), p.y())))
          << "top row first, grey palette at " << p.x() << "," << p.y();
    const QImage metade = imagemMetade(c.w, c.h, img.get());
    EXPECT_EQ(metade.size(), tamanhoMetade(c.w, c.h));
    EXPECT_EQ(metade.pixel(0, 0), qRgb(0, 0, 0));
    const QImage bin = imagemBinarizada(c.w, c.h, img.get());
    ASSERT_EQ(bin.size(), QSize(c.w, c.h));
    EXPECT_EQ(bin.color(0), qRgb(0, 235, 0)) << "green palette";
    EXPECT_EQ(bin.color(255), qRgb(255, 253, 255));
  }
  // A refused image gives no picture, not a crash.
  Value shortArray = Value::array(oa_array_create(OA_UI1, 0, 10));
  EXPECT_TRUE(imagemCinza(30, 30, shortArray.get()).isNull());
  EXPECT_TRUE(imagemMetade(30, 30, shortArray.get()).isNull());
}

TEST(Pictures, APictureTakesItsBitmapAndDeletesIt) {
  bm_header h{};
  h.width = 3;
  h.height = 2;
  h.bit_count = 8;
  bm_rgbquad pal[2] = {{0, 0, 0, 0}, {10, 20, 30, 0}};
  bm_handle b = 0;
  ASSERT_EQ(bm_create(&h, pal, 2, nullptr, &b), BM_OK);
  bm_section s{};
  ASSERT_EQ(bm_describe(b, &s), BM_OK);
  static_cast<uint8_t *>(s.bits)[0] = 1;  // bottom-up: the first stored row is the bottom one
  const QImage img = imagemDoBitmap(b);
  ASSERT_EQ(img.size(), QSize(3, 2));
  EXPECT_EQ(img.pixel(0, 1), qRgb(30, 20, 10));
  EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_NE(bm_describe(b, &s), BM_OK) << "the bitmap was not deleted";
  EXPECT_TRUE(imagemDoBitmap(0).isNull());
}

TEST(Pictures, MissingVistrelGivesNoPictures) {
  test::ensureApp();
  const std::string missing = (std::filesystem::temp_directory_path() / "no-such-dir" / "libvistrel.so").string();
  setenv("DACTILOX_VISTREL", missing.c_str(), 1);
  vistrel().reset();
  Value img = greyImage(8, 8, diagonal);
  EXPECT_TRUE(imagemCinza(8, 8, img.get()).isNull());
  EXPECT_TRUE(imagemMetade(8, 8, img.get()).isNull());
  EXPECT_NE(vistrel().lastError().indexOf("libvistrel.so"), -1);
  unsetenv("DACTILOX_VISTREL");
  vistrel().reset();
}

TEST(FeatureDrawing, BlockDirections) {
  struct Case {
    const char *name;
    uint8_t v;
    std::vector<std::pair<QPoint, QPoint>> strokes;  // around the centre (8, 8) of block (0, 0)
  };
  const QPoint c(8, 8);
  const Case cases[] = {
      {"255 draws nothing", 255, {}},
      {"0 is horizontal", 0, {{c, {16, 8}}, {c, {0, 8}}}},
      {"60 is vertical", 60, {{c, {8, 16}}, {c, {8, 0}}}},
      {"30 is the diagonal", 30, {{c, {14, 14}}, {c, {2, 2}}}},
      {"127 is a star of four strokes", 127,
       {{c, {16, 8}}, {c, {0, 8}}, {c, {14, 14}}, {c, {2, 2}}, {c, {8, 16}}, {c, {8, 0}}, {c, {2, 14}}, {c, {14, 2}}}},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.name);
    RegistroMinucias r;
    r.setBlocos(1, 1, k.v);
    const auto t = tracosDasFeatures(r);
    EXPECT_EQ(segmentos(t, kBlue), k.strokes);
    for (const Traco &s : t) EXPECT_EQ(s.largura, 1);
  }
  // Block centres step by 16 pixels; only the blocks across and down are drawn.
  RegistroMinucias r;
  r.setBlocos(2, 3, 255);
  r.setDirecaoBloco(1, 2, 0);
  r.setDirecaoBloco(2, 0, 0);  // outside the 2 x 3 blocks
  EXPECT_EQ(segmentos(tracosDasFeatures(r), kBlue),
            (std::vector<std::pair<QPoint, QPoint>>{{{24, 40}, {32, 40}}, {{24, 40}, {16, 40}}}));
}

TEST(FeatureDrawing, MinutiaeAndSingularPoints) {
  RegistroMinucias r;
  r.setMinucias({{50, 40, 60}, {10, 10, 0}});
  r.setPontosSingulares({{100, 100, 1, 0}, {30, 70, 2, 0}, {60, 60, 3, 0}, {5, 5, 9, 0}});
  const auto t = tracosDasFeatures(r);
  ASSERT_EQ(t.size(), 8u);
  // Direction 60 is 1.57 radians: the tail points straight down.
  EXPECT_EQ(t[0].pontos, (std::vector<QPoint>{{50, 40}, {50, 50}}));
  EXPECT_EQ(t[0].largura, 2);
  EXPECT_EQ(t[0].cor, kRed);
  EXPECT_EQ(t[1].forma, Traco::Circulo);
  EXPECT_EQ(t[1].raio, 4);
  EXPECT_EQ(t[2].pontos, (std::vector<QPoint>{{10, 10}, {20, 10}}));
  // Kind 1: the square from (x - 8, y - 8) and its direction stroke.
  EXPECT_EQ(t[4].forma, Traco::Linha);
  EXPECT_EQ(t[4].pontos, (std::vector<QPoint>{{92, 92}, {107, 92}, {107, 107}, {92, 107}, {92, 92}}));
  EXPECT_EQ(t[4].largura, 4);
  EXPECT_EQ(t[5].pontos, (std::vector<QPoint>{{100, 100}, {116, 100}}));
  // Kind 2: a circle of radius 8.
  EXPECT_EQ(t[6].forma, Traco::Circulo);
  EXPECT_EQ(t[6].raio, 8);
  EXPECT_EQ(t[6].pontos[0], QPoint(30, 70));
  // Kind 3: the triangle from (x - 8, y + 8); kind 9 draws nothing.
  EXPECT_EQ(t[7].pontos, (std::vector<QPoint>{{52, 68}, {60, 51}, {67, 68}, {52, 68}}));
}

TEST(FeatureDrawing, DrawnOverTheBinarisedPicture) {
  RegistroMinucias r;
  r.setBlocos(4, 4, 255);
  r.setDirecaoBloco(0, 0, 0);
  r.setMinucias({{40, 40, 60}});
  QImage bin(64, 64, QImage::Format_Indexed8);
  bin.setColorTable({qRgb(0, 235, 0), qRgb(255, 255, 255)});
  bin.fill(1);
  const QImage f = figuraMinucias(bin, r);
  ASSERT_EQ(f.size(), QSize(64, 64));
  EXPECT_EQ(f.pixel(12, 8), qRgb(0, 0, 255)) << "block stroke";
  const bool tail = f.pixel(39, 47) == qRgb(255, 0, 0) || f.pixel(40, 47) == qRgb(255, 0, 0);
  EXPECT_TRUE(tail) << "minutia tail";
  EXPECT_EQ(f.pixel(60, 10), qRgb(255, 255, 255));
  EXPECT_EQ(f.pixel(8, 30), qRgb(255, 255, 255)) << "the 255 block below draws nothing";
}

TEST(FeatureDrawing, CountsBeyondTheRecordAreClamped) {
  RegistroMinucias r;
  r.setBlocos(1000, -5, 0);
  std::vector<RegistroMinucias::Minucia> many(2000, {1, 1, 0});
  r.setMinucias(many);
  EXPECT_EQ(r.blocosHorizontais(), 128);
  EXPECT_EQ(r.blocosVerticais(), 0);
  EXPECT_EQ(r.minucias().size(), 1024u);
}
