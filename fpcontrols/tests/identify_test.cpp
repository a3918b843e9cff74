// Touch processing of ctrlIdentificar with the fake engine, whose scores are
// fixed by the templates: the result step, full and fast search, tie-break,
// verification, too few minutiae, failures, and a touch arriving while a host
// handler pumps messages.
#include "ctrl_identificar.h"
#include "shared_state.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

#include <functional>

using namespace dactilox;
using namespace dactilox::test;
using component::Value;

namespace {

constexpr int32_t kInicializar = 0x60030022, kEncerrar = 0x60030023, kVerificarUsuario = 0x60030025;
constexpr int32_t kModoPesquisa = 0x68030012, kIntervaloTimeOut = 0x6803000F, kNumeroMinimoPontos = 0x6803000D;
constexpr int32_t kIntervaloDesempate = 0x6803000C, kSemafaroAutomatico = 0x68030002,
                  kAtivarDesempate = 0x68030001, kRetornarLista = 0x68030000, kGravarImagem = 0x6003002C;

// A recorder that can act inside a handler, as a host does.
class Host : public Recorder {
public:
  using Recorder::Recorder;
  std::function<void(const Raised &)> hook;
  void onEvent(int32_t dispid, oa_variant *args, uint32_t argc) override {
    Recorder::onEvent(dispid, args, argc);
    if (hook) hook(events.back());
  }
  // "Name arg arg" for the events named, in order.
  std::vector<std::string> only(std::initializer_list<const char *> names) const {
    std::vector<std::string> out;
    for (const Raised &e : events)
      for (const char *n : names)
        if (e.name == n) {
          std::string line = e.name;
          for (const auto &a : e.args) line += " " + a;
          out.push_back(line);
        }
    return out;
  }
};

using Lines = std::vector<std::string>;

class Identification : public ::testing::Test {
protected:
  void SetUp() override {
    ensureApp();
    useEngine("libfake_ppvbp42.so");
    clearEngineCalls();
    limpar();
    estado().contextosSensor = {11, 12, 13, 14, 15};
    o = create("ctrlIdentificar");
    i = widgetOf<CtrlIdentificar>(o.get());
    host = std::make_unique<Host>(o.get());
  }
  void TearDown() override {
    host.reset();
    callMethod(o.get(), kEncerrar, {});
    limpar();
    estado().contextosSensor = {};
  }
  static void limpar() {
    for (auto &g : estado().gruposDigitais) g.reset();
    for (int s = 0; s < kSlots; ++s) {
      estado().imagem(s)->fpiNew = false;
      *estado().resultado(s) = ResultadoSensorSlot{};
    }
  }
  static void adicionar(const QString &code, uint8_t finger, uint8_t key, uint8_t score, uint8_t verify = 0) {
    auto &g = estado().gruposDigitais[key];
    if (!g) g.emplace();
    g->push_back({code, finger, fakeTemplate(key, score, verify)});
  }
  void put(int32_t id, Value v) { ASSERT_EQ(putProperty(o.get(), id, v), component::kOk); }
  void iniciar() {
    ASSERT_EQ(callMethod(o.get(), kInicializar, {}), component::kOk);
    ASSERT_TRUE(i->iniciado());
    host->clear();
  }
  // Puts a 20 x 30 image into the slot, as the sensor does, and waits until
  // the touch has an answer.
  void tocar(int slot, int key, int minutiae, int extractResult = 0) {
    fakeProbe(key, minutiae, extractResult);
    FingerPrintImage *img = estado().imagem(slot);
    oa_array *a = oa_array_create(OA_UI1, 0, 600);
    for (uint32_t k = 0; k < 600; ++k) static_cast<uint8_t *>(a->data)[k] = uint8_t(k % 200);
    img->fpiWidth = 20;
    img->fpiHeight = 30;
    img->fpiImage = Value::array(a);
    img->fpiRunning = true;
    img->fpiNew = true;
    const size_t before = respostas();
    waitUntil([&] { return respostas() > before; });
  }
  size_t respostas() const {
    return host->only({"UsuarioIdentificado", "ErroMsg", "ProcessandoDesempate"}).size();
  }

  component::Ref<component::Object> o;
  CtrlIdentificar *i = nullptr;
  std::unique_ptr<Host> host;
};

} // namespace

TEST_F(Identification, FullModeAnswersTheFirstCodeWithTheLastFinger) {
  struct Case {
    uint8_t lista;
    const char *answer;
  };
  // A matches with 80, then B with 90; the image arrives in slot 3 while the control watches all.
  for (const Case &c : {Case{0, "UsuarioIdentificado B:3 S:A B:3"}, Case{1, "UsuarioIdentificado B:3 S:A@@B B:3"}}) {
    SCOPED_TRACE(int(c.lista));
    limpar();
    adicionar("A", 1, 10, 80);
    adicionar("B", 3, 20, 90);
    put(kAtivarDesempate, Value::byte(0));
    put(kRetornarLista, Value::byte(c.lista));
    iniciar();
    tocar(3, 10, 20);
    EXPECT_EQ(host->only({"ImagemDigitalCapturada", "MinuciasEncontradas", "UsuarioIdentificado"}),
              (Lines{"ImagemDigitalCapturada B:3", "MinuciasEncontradas L:20", c.answer}));
    EXPECT_EQ(i->mensagem(), "Usuário identificado!");
    EXPECT_EQ(i->glifos(), QStringLiteral("\U0001F44D\U0001F44D"));
    EXPECT_EQ(estado().quantidadeCandidatos, 2);
    EXPECT_FALSE(estado().imagem(0)->fpiRunning) << "slot IndiceSensor is cleared at the end of a touch";
    callMethod(o.get(), kEncerrar, {});
  }
}

TEST_F(Identification, FastModeAndNotIdentified) {
  adicionar("A", 1, 10, 80);
  adicionar("B", 4, 12, 50);
  adicionar("C", 5, 9, 99);
  put(kModoPesquisa, Value::byte(1));
  iniciar();
  tocar(0, 11, 20);
  EXPECT_EQ(host->only({"UsuarioIdentificado"}), Lines{"UsuarioIdentificado B:1 S:A B:0"})
      << "fast mode: the first match of the nearest groups, 11 then 12 then 10";
  host->clear();
  estado().gruposDigitais[10].reset();
  estado().gruposDigitais[9].reset();
  tocar(0, 11, 20);
  EXPECT_EQ(host->only({"UsuarioIdentificado"}), Lines{"UsuarioIdentificado B:0 S:0 B:0"});
  EXPECT_EQ(i->mensagem(), "Usuário não identificado!");
  EXPECT_EQ(i->glifos(), QStringLiteral("\U0001F44E\U0001F44E"));
}

TEST_F(Identification, TieBreakWithASecondTouch) {
  struct Case {
    const char *name;
    uint8_t otherFingerOfA;  // verify score of A's other finger; 0: A has none
    const char *answer;
  };
  const Case cases[] = {
      {"another finger of A confirms", 90, "UsuarioIdentificado B:2 S:A B:0"},
      {"nothing confirms: the best first score", 0, "UsuarioIdentificado B:3 S:B B:0"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    limpar();
    adicionar("A", 1, 10, 80, 99);  // the same finger again does not confirm
    adicionar("B", 3, 20, 90, 0);
    if (c.otherFingerOfA) adicionar("A", 2, 30, 0, c.otherFingerOfA);
    iniciar();
    tocar(0, 10, 20);
    EXPECT_EQ(host->only({"ProcessandoDesempate", "UsuarioIdentificado"}), Lines{"ProcessandoDesempate L:2"});
    EXPECT_EQ(i->mensagem(), "Confirmação! Toque novamente o scanner ...");
    EXPECT_EQ(i->etapa(), 3);
    host->clear();
    clearEngineCalls();
    tocar(0, 10, 20);
    EXPECT_EQ(host->only({"UsuarioIdentificado"}), Lines{c.answer});
    EXPECT_EQ(engineCalls().find("VBPPIdentifyStart"), std::string::npos) << "the second touch is no search";
    EXPECT_EQ(i->etapa(), 1);
    EXPECT_EQ(i->mensagem(), "Usuário identificado!");
    callMethod(o.get(), kEncerrar, {});
  }
}

TEST_F(Identification, TieBreakTimerGivesNotIdentifiedAndZeroWaits) {
  adicionar("A", 1, 10, 80);
  adicionar("B", 3, 20, 90);
  iniciar();
  tocar(0, 10, 20);
  ASSERT_EQ(i->etapa(), 3);
  waitUntil([] { return false; }, 150);
  EXPECT_EQ(i->etapa(), 3) << "interval 0 waits for the second touch without limit";
  tocar(0, 10, 20);  // the confirming touch ends the tie-break
  ASSERT_EQ(i->etapa(), 1);
  put(kIntervaloDesempate, Value::long32(20));
  host->clear();
  tocar(0, 10, 20);
  waitUntil([&] { return i->etapa() == 1; });
  EXPECT_EQ(host->only({"ProcessandoDesempate", "UsuarioIdentificado"}),
            (Lines{"ProcessandoDesempate L:2", "UsuarioIdentificado B:0 S:0 B:0"}));
  EXPECT_EQ(i->mensagem(), "Usuário não identificado!");
}

TEST_F(Identification, TooFewMinutiae) {
  adicionar("A", 1, 10, 80);
  put(kNumeroMinimoPontos, Value::byte(10));
  iniciar();
  tocar(2, 10, 7);
  EXPECT_EQ(host->only({"MinuciasEncontradas", "BaixoNumeroPontos", "ErroMsg", "UsuarioIdentificado"}),
            (Lines{"MinuciasEncontradas L:7", "BaixoNumeroPontos L:7",
                   "ErroMsg S:O número de pontos encontrados é inferior ao mínimo exigido! Pontos encontrados: 7 / "
                   "Pontos exigidos: 10",
                   "UsuarioIdentificado B:0 S:0 B:2"}));
  EXPECT_EQ(engineCalls().find("VBPPIdentifyStart"), std::string::npos) << "no search for a refused touch";
  host->clear();
  tocar(2, 10, 10);
  EXPECT_EQ(host->only({"UsuarioIdentificado"}), Lines{"UsuarioIdentificado B:1 S:A B:2"}) << "10 is enough";
}

TEST_F(Identification, VerificationAgainstOneUser) {
  struct Case {
    const char *code;
    const char *answer;
  };
  adicionar("A", 1, 10, 0, 50);
  adicionar("A", 6, 200, 0, 90);
  adicionar("B", 2, 10, 99, 99);
  for (const Case &c : {Case{"A", "UsuarioIdentificado B:6 S:A B:0"}, Case{"B", "UsuarioIdentificado B:2 S:B B:0"},
                        Case{"Z", "UsuarioIdentificado B:0 S:0 B:0"}}) {
    SCOPED_TRACE(c.code);
    iniciar();
    Value code = Value::utf8(c.code);
    ASSERT_EQ(callMethod(o.get(), kVerificarUsuario, {code.get()}), component::kOk);
    clearEngineCalls();
    tocar(0, 10, 20);
    EXPECT_EQ(host->only({"UsuarioIdentificado"}), Lines{c.answer});
    EXPECT_EQ(engineCalls().find("VBPPIdentifyStart"), std::string::npos);
    EXPECT_EQ(i->etapa(), 1);
    EXPECT_EQ(i->quantidadeVerificacao(), 0) << "the set is used up by the touch";
    callMethod(o.get(), kEncerrar, {});
  }
}

TEST_F(Identification, AutomaticSignalOffLeavesTheSignalToTheHost) {
  adicionar("A", 1, 10, 80);
  put(kSemafaroAutomatico, Value::byte(0));
  iniciar();
  tocar(0, 10, 20);
  EXPECT_EQ(host->only({"UsuarioIdentificado"}), Lines{"UsuarioIdentificado B:1 S:A B:0"});
  EXPECT_EQ(i->mensagem(), "Toque o sensor ...");
  EXPECT_EQ(i->glifos(), QStringLiteral("\u261D\u261D"));
}

TEST_F(Identification, EngineFailuresAreReportedNotTakenForNobody) {
  struct Case {
    const char *name;
    int extractResult, startResult;
    const char *message;
  };
  const Case cases[] = {
      {"image refused", -4, 0,
       "ErroMsg S:Não foi possível ler a digital (erro -4 do motor biométrico). Toque o sensor novamente."},
      {"search refused", 0, -3, "ErroMsg S:Erro ao identificar digital!"},
  };
  adicionar("A", 1, 10, 80);
  iniciar();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    host->clear();
    fakeStartResult(c.startResult);
    tocar(0, 10, 20, c.extractResult);
    EXPECT_EQ(host->only({"ErroMsg", "UsuarioIdentificado"}), Lines{c.message});
    EXPECT_EQ(i->etapa(), 1);
  }
  fakeStartResult(0);
  host->clear();
  tocar(0, 10, 20);
  EXPECT_EQ(host->only({"UsuarioIdentificado"}), Lines{"UsuarioIdentificado B:1 S:A B:0"}) << "the next touch works";
}

TEST_F(Identification, TimeOutBetweenGroupsGivesNotIdentified) {
  for (int g = 0; g < 6; ++g) adicionar(QString::number(g), 1, uint8_t(g), g == 5 ? 90 : 10);
  put(kIntervaloTimeOut, Value::integer(1));
  iniciar();
  fakeDelay(5);
  tocar(0, 0, 20);
  EXPECT_EQ(host->only({"UsuarioIdentificado"}), Lines{"UsuarioIdentificado B:0 S:0 B:0"});
  EXPECT_LT(engineVisits().size(), std::string("0,1,2,3,4,5").size()) << "the search went on after the time-out";
}

TEST_F(Identification, ATouchArrivingDuringAHandlerWaitsForTheFirst) {
  adicionar("A", 1, 10, 80);
  adicionar("B", 2, 20, 80);
  put(kModoPesquisa, Value::byte(1));
  iniciar();
  bool once = false;
  // The host shows a message box for the first answer: a second image comes
  // in and the event loop runs while the box is open.
  host->hook = [&](const Raised &e) {
    if (e.name != "UsuarioIdentificado" || once) return;
    once = true;
    fakeProbe(20, 20, 0);
    estado().imagem(0)->fpiNew = true;
    waitUntil([] { return false; }, 200);
  };
  fakeProbe(10, 20, 0);
  estado().imagem(0)->fpiWidth = 20;
  estado().imagem(0)->fpiHeight = 30;
  estado().imagem(0)->fpiImage = Value::array(oa_array_create(OA_UI1, 0, 600));
  estado().imagem(0)->fpiNew = true;
  waitUntil([&] { return host->only({"UsuarioIdentificado"}).size() == 2; });
  EXPECT_EQ(host->only({"ImagemDigitalCapturada", "UsuarioIdentificado"}),
            (Lines{"ImagemDigitalCapturada B:0", "UsuarioIdentificado B:1 S:A B:0", "ImagemDigitalCapturada B:0",
                   "UsuarioIdentificado B:2 S:B B:0"}));
}

TEST_F(Identification, PicturesOfATouchAndGravarImagem) {
  put(0x68030013, Value::byte(1));  // MostrarMinucias
  put(kSemafaroAutomatico, Value::byte(0));  // keep the pictures: the yellow signal clears them
  iniciar();
  tocar(0, 10, 20);
  EXPECT_EQ(i->imagemExibida().size(), QSize(10, 15));
  EXPECT_EQ(i->figuraMinuciasExibida().size(), QSize(20, 30));
  // Pixel 515 of the image is 115: dark, so green; the fake's minutiae all lie at (0, 0), in red.
  EXPECT_EQ(i->figuraMinuciasExibida().pixel(15, 25), qRgb(0, 235, 0)) << "binarised, green palette";
  EXPECT_EQ(i->figuraMinuciasExibida().pixel(4, 0), qRgb(255, 0, 0));
  QTemporaryDir dir;
  Value path = component::fromQString(dir.filePath("toque.bmp")), result;
  ASSERT_EQ(callMethod(o.get(), kGravarImagem, {path.get()}, &result), component::kOk);
  EXPECT_EQ(result.get()->v.i4, 1);
  const QImage saved(dir.filePath("toque.bmp"));
  ASSERT_EQ(saved.size(), QSize(20, 30));
  for (int k : {0, 57, 599}) EXPECT_EQ(qGray(saved.pixel(k % 20, k / 20)), k % 200) << "the full-size grey image";
}
