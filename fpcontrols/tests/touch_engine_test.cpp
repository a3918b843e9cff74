// Whole touches through the real engine (libPPVBP42) and Vistrel, on
// synthetic prints: a shifted and turned copy of an enrolled print is found
// in fast and full mode, another print is not, a blank image and a strict
// minimum are refused with their messages.
#include "ctrl_identificar.h"
#include "papilo.h"
#include "shared_state.h"
#include "synthetic.h"
#include "template_search.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

using namespace dactilox;
using namespace dactilox::test;
using component::Value;

namespace {

constexpr int32_t kInicializar = 0x60030022, kEncerrar = 0x60030023, kModoPesquisa = 0x68030012,
                  kNumeroMinimoPontos = 0x6803000D;

Value imagem(const std::vector<uint8_t> &px) {
  oa_array *a = oa_array_create(OA_UI1, 0, uint32_t(px.size()));
  std::copy(px.begin(), px.end(), static_cast<uint8_t *>(a->data));
  return Value::array(a);
}

class RealTouch : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ensureApp();
    useEngine("libPPVBP42.so");
    ASSERT_TRUE(papilo().initialize()) << papilo().lastError().toStdString();
    const std::optional<int32_t> ctx = papilo().createContext();
    ASSERT_TRUE(ctx && *ctx > 0);
    estado().contextosSensor[0] = *ctx;
    // Eight employees, one finger each, enrolled from the upright print.
    for (unsigned seed = 1; seed <= 8; ++seed) {
      const synth::Pattern p = synth::make_pattern(seed);
      Value img = imagem(synth::render(p)), features;
      int32_t size = 0;
      ASSERT_EQ(papilo().extract(p.width, p.height, img.get(), features.get(), &size, *ctx), 0);
      const QByteArray t(static_cast<const char *>(features.get()->v.array->data), size);
      auto &g = estado().gruposDigitais[chaveGrupo(t)];
      if (!g) g.emplace();
      g->push_back({QStringLiteral("%1").arg(seed * 111), uint8_t(seed % 10), t});
    }
  }
  static void TearDownTestSuite() {
    for (auto &g : estado().gruposDigitais) g.reset();
    papilo().freeContext(estado().contextosSensor[0]);
    estado().contextosSensor[0] = 0;
    papilo().finalize();
  }
  void SetUp() override {
    o = create("ctrlIdentificar");
    i = widgetOf<CtrlIdentificar>(o.get());
    rec = std::make_unique<Recorder>(o.get());
  }
  void TearDown() override {
    callMethod(o.get(), kEncerrar, {});
    rec.reset();
  }
  void iniciar() {
    ASSERT_EQ(callMethod(o.get(), kInicializar, {}), component::kOk);
    ASSERT_TRUE(i->iniciado()) << i->mensagem().toStdString();
    rec->clear();
  }
  // The answer to one touch: "code finger" or "ErroMsg: text".
  std::string tocar(const std::vector<uint8_t> &px, int w = 320, int h = 320) {
    rec->clear();
    FingerPrintImage *img = estado().imagem(0);
    img->fpiWidth = w;
    img->fpiHeight = h;
    img->fpiImage = imagem(px);
    img->fpiNew = true;
    waitUntil([&] { return rec->count("UsuarioIdentificado") + rec->count("ErroMsg") > 0; }, 20000);
    for (const Raised &e : rec->events) {
      if (e.name == "ErroMsg") return "ErroMsg: " + e.args[0].substr(2);
      if (e.name == "UsuarioIdentificado") return e.args[1].substr(2) + " " + e.args[0].substr(2);
    }
    return "no answer";
  }
  int32_t minucias() const {
    for (const Raised &e : rec->events)
      if (e.name == "MinuciasEncontradas") return std::stoi(e.args[0].substr(2));
    return -1;
  }

  component::Ref<component::Object> o;
  CtrlIdentificar *i = nullptr;
  std::unique_ptr<Recorder> rec;
};

} // namespace

TEST_F(RealTouch, AnEnrolledPrintIsFoundInBothModesAndAStrangerIsNot) {
  struct Case {
    const char *name;
    unsigned seed;
    double rotation, dx, dy;
    const char *answer;
  };
  const Case cases[] = {
      {"employee 3, turned and shifted", 3, 0.12, 9, -6, "333 3"},
      {"employee 8, the other way", 8, -0.1, -7, 5, "888 8"},
      {"a print nobody enrolled", 77, 0, 0, 0, "0 0"},
  };
  for (uint8_t modo : {uint8_t(0), uint8_t(1)}) {
    ASSERT_EQ(putProperty(o.get(), kModoPesquisa, Value::byte(modo)), component::kOk);
    iniciar();
    for (const Case &c : cases) {
      SCOPED_TRACE(std::string(c.name) + (modo == 1 ? " (fast)" : " (full)"));
      const synth::Pattern p = synth::make_pattern(c.seed);
      EXPECT_EQ(tocar(synth::render(p, c.rotation, c.dx, c.dy)), c.answer);
      EXPECT_GT(minucias(), 5);
      EXPECT_EQ(i->figuraMinuciasExibida().size(), QSize(320, 320));
    }
    callMethod(o.get(), kEncerrar, {});
  }
}

TEST_F(RealTouch, UnusableTouchesAreRefusedWithTheirMessages) {
  iniciar();
  const std::string blank = tocar(std::vector<uint8_t>(320 * 320, 255));
  EXPECT_EQ(blank.rfind("ErroMsg: Não foi possível ler a digital (erro ", 0), 0u) << blank;
  EXPECT_EQ(rec->count("UsuarioIdentificado"), 0) << "a failed extraction is not 'nobody'";

  ASSERT_EQ(putProperty(o.get(), kNumeroMinimoPontos, Value::byte(250)), component::kOk);
  const std::string few = tocar(synth::render(synth::make_pattern(3)));
  const int32_t n = minucias();
  EXPECT_GT(n, 0);
  EXPECT_EQ(few, "ErroMsg: O número de pontos encontrados é inferior ao mínimo exigido! Pontos encontrados: " +
                     std::to_string(n) + " / Pontos exigidos: 250");
  EXPECT_EQ(rec->count("BaixoNumeroPontos"), 1);
  EXPECT_EQ(rec->count("UsuarioIdentificado"), 1);
}
