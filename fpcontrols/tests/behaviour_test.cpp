// Behaviour owned by the public surface: defaults and their restore,
// strictness, switches, blank texts, the interval limit, layouts, start and
// stop pairs, pictures, signals and the image poll.
#include "ctrl_cadastrar.h"
#include "ctrl_fpdb.h"
#include "ctrl_identificar.h"
#include "ctrl_sensor.h"
#include "dispatch_table.h"
#include "papilo.h"
#include "shared_state.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>

using namespace dactilox;
using namespace dactilox::test;
using component::Value;

namespace {

constexpr int32_t kRigidezIdentificacao = 0x6803000E, kRigidezCadastro = 0x68030003;
constexpr int32_t kIntervaloSinalVerde = 0x6803000B, kIntervaloSinalVermelho = 0x6803000A;
constexpr int32_t kMsgVerde = 0x68030005, kMsgVermelho = 0x68030004, kMsgAmarelo = 0x68030003;

class Behaviour : public ::testing::Test {
protected:
  void SetUp() override {
    ensureApp();
    useEngine("libfake_ppvbp42.so");
    clearEngineCalls();
  }
};

int16_t readInteger(component::Object *o, int32_t id) {
  Value v;
  EXPECT_EQ(getProperty(o, id, &v), component::kOk);
  return v.get()->v.i2;
}

} // namespace

TEST_F(Behaviour, StrictnessMapsBothWaysAndReachesTheEngine) {
  struct Case {
    int16_t set;
    int32_t threshold;
    int16_t readsBack;
  };
  const Case cases[] = {{0, 48, 0}, {1, 60, 1}, {2, 72, 2}, {3, 84, 3}, {5, 5, 5}, {100, 100, 100}, {-1, -1, -1},
                        // A threshold that one of the four values stands for reads as that value.
                        {48, 48, 0}, {84, 84, 3}};
  auto ident = create("ctrlIdentificar");
  auto cad = create("ctrlCadastrar");
  estado().contextosSensor[0] = 4242;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.set);
    clearEngineCalls();
    ASSERT_EQ(putProperty(ident.get(), kRigidezIdentificacao, Value::integer(c.set)), component::kOk);
    EXPECT_EQ(widgetOf<CtrlIdentificar>(ident.get())->limiar(), c.threshold);
    EXPECT_EQ(estado().limiarIdentificacao, c.threshold);
    EXPECT_EQ(readInteger(ident.get(), kRigidezIdentificacao), c.readsBack);

    ASSERT_EQ(putProperty(cad.get(), kRigidezCadastro, Value::integer(c.set)), component::kOk);
    EXPECT_EQ(estado().limiarCadastro, c.threshold);
    EXPECT_EQ(readInteger(cad.get(), kRigidezCadastro), c.readsBack);

    const std::string t = std::to_string(c.threshold);
    EXPECT_EQ(engineCalls(), "VBPPSetParameter 200 I4 " + t + " ctx 4242\nVBPPSetParameter 300 I4 " + t + " ctx 4242\n");
  }
  estado().contextosSensor[0] = 0;
}

TEST_F(Behaviour, ByteSwitchesOfBothKinds) {
  auto ident = create("ctrlIdentificar");
  auto cad = create("ctrlCadastrar");
  auto *i = widgetOf<CtrlIdentificar>(ident.get());
  auto *c = widgetOf<CtrlCadastrar>(cad.get());
  struct Case {
    const char *name;
    component::Object *o;
    int32_t id;
    uint8_t value;
    std::function<bool()> on;
    bool expected;
  };
  const Case cases[] = {
      // 1 = on: only the value 1 switches them on.
      {"SemafaroAutomatico=2", ident.get(), 0x68030002, 2, [&] { return i->semafaroAutomatico(); }, false},
      {"SemafaroAutomatico=1", ident.get(), 0x68030002, 1, [&] { return i->semafaroAutomatico(); }, true},
      {"AtivarDesempate=2", ident.get(), 0x68030001, 2, [&] { return i->ativarDesempate(); }, false},
      {"RetornarListaCandidatos=2", ident.get(), 0x68030000, 2, [&] { return i->retornarListaCandidatos(); }, false},
      {"RetornarListaCandidatos=1", ident.get(), 0x68030000, 1, [&] { return i->retornarListaCandidatos(); }, true},
      {"ModoPesquisa=2", ident.get(), 0x68030012, 2, [&] { return i->modoPesquisaRapida(); }, false},
      {"ModoPesquisa=1", ident.get(), 0x68030012, 1, [&] { return i->modoPesquisaRapida(); }, true},
      {"MostrarMinucias=2", ident.get(), 0x68030013, 2, [&] { return i->minuciasVisiveis(); }, false},
      {"MostrarMinucias=1", ident.get(), 0x68030013, 1, [&] { return i->minuciasVisiveis(); }, true},
      {"ModoCadastro=2", cad.get(), 0x68030004, 2, [&] { return c->tresToques(); }, false},
      {"MostrarMinucias(cad)=2", cad.get(), 0x68030007, 2, [&] { return c->minuciasVisiveis(); }, false},
      // non-zero = on: 2 switches them on.
      {"ColorirMoldura=2", ident.get(), 0x68030007, 2, [&] { return i->colorirMoldura(); }, true},
      {"ColorirMoldura=0", ident.get(), 0x68030007, 0, [&] { return i->colorirMoldura(); }, false},
      {"MolduraImagem=0", ident.get(), 0x68030006, 0, [&] { return i->molduraVisivel(); }, false},
      {"MolduraImagem=2", ident.get(), 0x68030006, 2, [&] { return i->molduraVisivel(); }, true},
      {"Relogio=0", ident.get(), 0x68030008, 0, [&] { return i->relogioVisivel() || i->relogioAndando(); }, false},
      {"Relogio=2", ident.get(), 0x68030008, 2, [&] { return i->relogioVisivel() && i->relogioAndando(); }, true},
      {"ColorirMoldura(cad)=2", cad.get(), 0x68030008, 2, [&] { return c->colorirMoldura(); }, true},
      {"MolduraImagem(cad)=0", cad.get(), 0x68030006, 0, [&] { return c->molduraVisivel(); }, false},
      {"VerificarDigitaisDuplicadas=2", cad.get(), 0x68030001, 2, [&] { return c->verificarDigitaisDuplicadas() == 1; }, true},
  };
  for (const Case &k : cases) {
    ASSERT_EQ(putProperty(k.o, k.id, Value::byte(k.value)), component::kOk) << k.name;
    EXPECT_EQ(k.on(), k.expected) << k.name;
  }
}

TEST_F(Behaviour, BlankSignalTextsAreIgnored) {
  auto ident = create("ctrlIdentificar");
  auto *i = widgetOf<CtrlIdentificar>(ident.get());
  const std::function<QString()> read[] = {[&] { return i->msgSinalVerde(); }, [&] { return i->msgSinalVermelho(); },
                                           [&] { return i->msgSinalAmarelo(); }};
  const int32_t ids[] = {kMsgVerde, kMsgVermelho, kMsgAmarelo};
  for (int k = 0; k < 3; ++k) {
    const QString before = read[k]();
    for (const char *blank : {"   ", "", " \t "}) {
      ASSERT_EQ(putProperty(ident.get(), ids[k], Value::utf8(blank)), component::kOk);
      EXPECT_EQ(read[k](), before) << "blank text replaced signal " << k;
    }
    ASSERT_EQ(putProperty(ident.get(), ids[k], Value::utf8("  Olá  ")), component::kOk);
    EXPECT_EQ(read[k](), "  Olá  ") << "a text is kept as given";
  }
}

TEST_F(Behaviour, SignalIntervalsAbove32767AreRefusedWithOverflow) {
  auto ident = create("ctrlIdentificar");
  auto *i = widgetOf<CtrlIdentificar>(ident.get());
  for (int32_t id : {kIntervaloSinalVerde, kIntervaloSinalVermelho}) {
    auto read = [&] { return id == kIntervaloSinalVerde ? i->intervaloSinalVerde() : i->intervaloSinalVermelho(); };
    component::ErrorInfo err;
    ASSERT_EQ(putProperty(ident.get(), id, Value::long32(30000), &err), component::kOk);
    EXPECT_EQ(read(), 30000);
    EXPECT_EQ(putProperty(ident.get(), id, Value::long32(40000), &err), component::kOverflow);
    EXPECT_EQ(err.code, component::kOverflow);
    EXPECT_EQ(err.text, "overflow");
    EXPECT_EQ(read(), 30000) << "a refused value must leave the interval as it was";
    EXPECT_EQ(putProperty(ident.get(), id, Value::long32(32768)), component::kOverflow);
    EXPECT_EQ(putProperty(ident.get(), id, Value::long32(32767)), component::kOk);
    EXPECT_EQ(read(), 32767);
    // A number too large even for a Long is refused the same way.
    EXPECT_EQ(putProperty(ident.get(), id, Value::utf8("99999999999")), component::kOverflow);
    EXPECT_EQ(read(), 32767);
  }
}

TEST_F(Behaviour, RestoreSetsTheMarkedDefaultsOnly) {
  auto ident = create("ctrlIdentificar");
  auto *i = widgetOf<CtrlIdentificar>(ident.get());
  auto *o = ident.get();
  putProperty(o, kMsgVerde, Value::utf8("a"));
  putProperty(o, kMsgVermelho, Value::utf8("b"));
  putProperty(o, kMsgAmarelo, Value::utf8("c"));
  putProperty(o, kIntervaloSinalVerde, Value::long32(10));
  putProperty(o, kIntervaloSinalVermelho, Value::long32(20));
  putProperty(o, kRigidezIdentificacao, Value::integer(3));
  putProperty(o, 0x68030002, Value::byte(0));   // SemafaroAutomatico
  putProperty(o, 0x68030007, Value::byte(1));   // ColorirMoldura
  putProperty(o, 0x68030011, Value::byte(4));   // IndiceSensor
  putProperty(o, 0x68030012, Value::byte(1));   // ModoPesquisa
  putProperty(o, 0x68030001, Value::byte(0));   // AtivarDesempate
  putProperty(o, 0x68030000, Value::byte(1));   // RetornarListaCandidatos
  putProperty(o, 0x6803000D, Value::byte(10));  // NumeroMinimoPontos
  estado().imagem(0)->fpiNew = true;
  estado().imagem(1)->fpiNew = true;

  ASSERT_EQ(callMethod(o, 0x60030021, {}), component::kOk);
  EXPECT_EQ(i->msgSinalVerde(), "Usuário identificado!");
  EXPECT_EQ(i->msgSinalVermelho(), "Usuário não identificado!");
  EXPECT_EQ(i->msgSinalAmarelo(), "Toque o sensor ...");
  EXPECT_EQ(i->intervaloSinalVerde(), 1000);
  EXPECT_EQ(i->intervaloSinalVermelho(), 2000);
  EXPECT_EQ(readInteger(o, kRigidezIdentificacao), 2);
  EXPECT_EQ(estado().limiarIdentificacao, 72);
  EXPECT_TRUE(i->semafaroAutomatico());
  EXPECT_FALSE(i->colorirMoldura());
  EXPECT_EQ(i->indiceSensor(), 0);
  EXPECT_FALSE(estado().imagem(0)->fpiNew);
  EXPECT_TRUE(estado().imagem(1)->fpiNew) << "only slot 0 is cleared";
  // Set only at creation.
  EXPECT_TRUE(i->modoPesquisaRapida());
  EXPECT_FALSE(i->ativarDesempate());
  EXPECT_TRUE(i->retornarListaCandidatos());
  EXPECT_EQ(i->numeroMinimoPontos(), 10);
  EXPECT_EQ(engineCalls().find("VBPPSetParameter 200 I4 72"), std::string::npos) << "restoring talks to the engine";
  estado().imagem(1)->fpiNew = false;
}

TEST_F(Behaviour, LayoutsInTwipsAt15APixel) {
  struct Case {
    uint8_t layout;
    QSize ident, cad;
    QPoint image;
    bool messageFollows;
  };
  const Case cases[] = {
      {2, {522, 303}, {522, 304}, {64, 52}, true},  {3, {311, 357}, {311, 357}, {64, 52}, true},
      {4, {311, 303}, {311, 304}, {64, 52}, true},  {5, {183, 200}, {183, 200}, {0, 0}, false},
      {1, {522, 357}, {522, 357}, {64, 52}, true},  {0, {522, 357}, {522, 357}, {64, 52}, true},
      {5, {183, 200}, {183, 200}, {0, 0}, false},   {9, {522, 357}, {522, 357}, {64, 52}, true},
  };
  auto ident = create("ctrlIdentificar");
  auto cad = create("ctrlCadastrar");
  auto *i = widgetOf<CtrlIdentificar>(ident.get());
  auto *c = widgetOf<CtrlCadastrar>(cad.get());
  EXPECT_EQ(i->size(), QSize(522, 357)) << "size at creation";
  EXPECT_EQ(c->size(), QSize(522, 357));
  for (const Case &k : cases) {
    SCOPED_TRACE(k.layout);
    const int messageWidth = i->rotuloMensagem().width();
    ASSERT_EQ(putProperty(ident.get(), 0x68030009, Value::byte(k.layout)), component::kOk);
    ASSERT_EQ(putProperty(cad.get(), 0x68030005, Value::byte(k.layout)), component::kOk);
    EXPECT_EQ(i->size(), k.ident);
    EXPECT_EQ(c->size(), k.cad);
    EXPECT_EQ(i->caixaImagem().topLeft(), k.image);
    EXPECT_EQ(c->caixaImagem().topLeft(), k.image);
    EXPECT_EQ(i->caixaImagem().size(), QSize(183, 200));
    EXPECT_EQ(i->rotuloMensagem().width(), k.messageFollows ? k.ident.width() : messageWidth);
    EXPECT_EQ(c->rotuloMensagem().width(), k.messageFollows ? k.cad.width() : c->rotuloMensagem().width());
  }
}

TEST_F(Behaviour, StartAndStopRaiseTheirEventsOnce) {
  struct Case {
    const char *cls;
    int32_t start, stop;
    std::vector<std::string> started, stopped;
  };
  const Case cases[] = {
      {"ctrlSensor", 0x60030003, 0x60030002, {"InicializandoSensor", "SensorInicializado"}, {"SensorEncerrado"}},
      {"ctrlFPdb", 0x60030007, 0x60030008, {"InicializandoFPdb", "FPdbInicializado"}, {"FPdbEncerrado"}},
      {"ctrlIdentificar", 0x60030022, 0x60030023, {"BiometricaInicializada"}, {"BiometricaEncerrada"}},
      {"ctrlCadastrar", 0x60030015, 0x60030014, {"BiometricaInicializada"}, {"BiometricaEncerrada"}},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.cls);
    auto o = create(k.cls);
    Recorder rec(o.get());
    ASSERT_EQ(callMethod(o.get(), k.stop, {}), component::kOk);
    EXPECT_TRUE(rec.events.empty()) << "stop before start raised an event";
    callMethod(o.get(), k.start, {});
    callMethod(o.get(), k.start, {});
    EXPECT_EQ(rec.names(), k.started);
    rec.clear();
    callMethod(o.get(), k.stop, {});
    callMethod(o.get(), k.stop, {});
    EXPECT_EQ(rec.names(), k.stopped);
    rec.clear();
    callMethod(o.get(), k.start, {});
    EXPECT_EQ(rec.names(), k.started) << "a control starts again after a stop";
    callMethod(o.get(), k.stop, {});
  }
}

TEST_F(Behaviour, AStartFromInsideItsOwnStartIsIgnored) {
  auto o = create("ctrlIdentificar");
  auto *i = widgetOf<CtrlIdentificar>(o.get());
  int started = 0;
  // A timer that fires while the start pumps window messages and starts again.
  QTimer::singleShot(0, i, [&] { i->InicializarBiometrica(); });
  struct Count : component::EventSink {
    int *n;
    void onEvent(int32_t id, oa_variant *, uint32_t) override { *n += id == 2; }
  } sink;
  sink.n = &started;
  uint32_t cookie = 0;
  o->advise(&sink, &cookie);
  i->InicializarBiometrica();
  QCoreApplication::processEvents();
  EXPECT_EQ(started, 1);
  o->unadvise(cookie);
  i->EncerrarBiometrica();
}

TEST_F(Behaviour, EngineParametersAtStartInOrder) {
  auto sensor = create("ctrlSensor");
  callMethod(sensor.get(), 0x60030003, {});
  const int32_t ctx = estado().contextosSensor[0];
  ASSERT_NE(ctx, 0);
  const std::string c = " ctx " + std::to_string(ctx) + "\n";

  auto ident = create("ctrlIdentificar");
  putProperty(ident.get(), kRigidezIdentificacao, Value::integer(1));
  clearEngineCalls();
  callMethod(ident.get(), 0x60030022, {});
  EXPECT_EQ(engineCalls(), "VBPPInitialize\nVBPPSetParameter 1000 I2 100" + c + "VBPPSetParameter 200 I4 60" + c +
                               "VBPPSetParameter 220 I2 256" + c);
  clearEngineCalls();
  callMethod(ident.get(), 0x60030023, {});
  EXPECT_EQ(engineCalls(), "VBPPFinalize\n");

  auto cad = create("ctrlCadastrar");
  putProperty(cad.get(), kRigidezCadastro, Value::integer(3));
  clearEngineCalls();
  callMethod(cad.get(), 0x60030015, {});
  EXPECT_EQ(engineCalls(), "VBPPInitialize\nVBPPSetParameter 1000 I2 100" + c + "VBPPSetParameter 300 I4 84" + c +
                               "VBPPSetParameter 220 I2 256" + c);
  callMethod(cad.get(), 0x60030014, {});

  clearEngineCalls();
  callMethod(sensor.get(), 0x60030002, {});
  EXPECT_EQ(engineCalls(), "VBPPFreeContext " + std::to_string(ctx) + "\nVBPPFinalize\n");
  estado().contextosSensor[0] = 0;
}

TEST_F(Behaviour, EachEngineContextIsFreedOnceByItsOwner) {
  auto sensor = create("ctrlSensor");
  auto fpdb = create("ctrlFPdb");
  callMethod(sensor.get(), 0x60030003, {});
  const int32_t doSensor = estado().contextosSensor[0];
  callMethod(fpdb.get(), 0x60030007, {});
  const int32_t doBanco = estado().contextosSensor[0];
  ASSERT_NE(doSensor, 0);
  ASSERT_NE(doBanco, 0);
  ASSERT_NE(doSensor, doBanco) << "the store puts its own context in slot 0";
  clearEngineCalls();
  callMethod(fpdb.get(), 0x60030008, {});
  callMethod(sensor.get(), 0x60030002, {});
  EXPECT_EQ(engineCalls(), "VBPPFreeContext " + std::to_string(doBanco) + "\nVBPPFreeContext " +
                               std::to_string(doSensor) + "\nVBPPFinalize\n");
  EXPECT_EQ(estado().contextosSensor[0], 0) << "no slot keeps a freed context";
}

TEST_F(Behaviour, MissingEngineGivesErroMsgNotACrash) {
  struct Case {
    const char *engine;
    const char *textPart;
  };
  for (const Case &k : {Case{"", "libPPVBP42.so"}, Case{"libfake_ppvbp42_partial.so", "VBPPSetParameter"}}) {
    SCOPED_TRACE(k.engine);
    useEngine(k.engine);
    for (const char *cls : {"ctrlIdentificar", "ctrlCadastrar"}) {
      auto o = create(cls);
      Recorder rec(o.get());
      const int32_t start = std::string(cls) == "ctrlIdentificar" ? 0x60030022 : 0x60030015;
      ASSERT_EQ(callMethod(o.get(), start, {}), component::kOk);
      ASSERT_EQ(rec.names(), std::vector<std::string>{"ErroMsg"}) << cls;
      EXPECT_NE(rec.events[0].args.at(0).find(k.textPart), std::string::npos) << rec.events[0].args[0];
      rec.clear();
      // Strictness is still stored when the engine cannot take it.
      const int32_t rig = std::string(cls) == "ctrlIdentificar" ? kRigidezIdentificacao : kRigidezCadastro;
      ASSERT_EQ(putProperty(o.get(), rig, Value::integer(3)), component::kOk);
      EXPECT_EQ(readInteger(o.get(), rig), 3);
      EXPECT_EQ(rec.names(), std::vector<std::string>{"ErroMsg"});
    }
  }
  useEngine("");
  auto sensor = create("ctrlSensor");
  Recorder rec(sensor.get());
  callMethod(sensor.get(), 0x60030003, {});
  ASSERT_EQ(rec.names(), (std::vector<std::string>{"InicializandoSensor", "ErroMsg"}));
  EXPECT_EQ(rec.events[1].args.at(0).rfind("S:Erro ao inicializar o sensor: ", 0), 0u) << rec.events[1].args[0];
  EXPECT_FALSE(widgetOf<CtrlSensor>(sensor.get())->iniciado());
  rec.clear();
  callMethod(sensor.get(), 0x60030002, {});
  EXPECT_TRUE(rec.events.empty());

  // The template store still starts without the engine, and says why.
  auto fpdb = create("ctrlFPdb");
  Recorder recDb(fpdb.get());
  callMethod(fpdb.get(), 0x60030007, {});
  EXPECT_EQ(recDb.names(), (std::vector<std::string>{"InicializandoFPdb", "ErroMsg", "FPdbInicializado"}));
  callMethod(fpdb.get(), 0x60030008, {});
}

TEST_F(Behaviour, ExcluirUsuarioOnBothVisualControls) {
  for (const char *cls : {"ctrlIdentificar", "ctrlCadastrar"}) {
    SCOPED_TRACE(cls);
    const bool ident = std::string(cls) == "ctrlIdentificar";
    const int32_t method = ident ? 0x60030024 : 0x60030017;
    const int32_t event = ident ? 9 : 10;
    auto o = create(cls);
    auto *w = static_cast<VisualControl *>(static_cast<QWidget *>(o->view()));
    Recorder rec(o.get());
    estado().gruposDigitais[7] = std::vector<FingerprintRecord>{{"0042", 1, "x"}, {"0043", 2, "y"}, {"0042", 6, "z"}};

    auto call = [&](const char *code) {
      Value arg = Value::utf8(code), result;
      EXPECT_EQ(callMethod(o.get(), method, {arg.get()}, &result), component::kOk);
      return result.get()->v.i4;
    };
    EXPECT_EQ(call("0042"), -1);
    ASSERT_EQ(rec.events.size(), 1u);
    EXPECT_EQ(rec.events[0].dispid, event);
    EXPECT_EQ(rec.events[0].args, std::vector<std::string>{"S:0042"});
    EXPECT_EQ(w->mensagem(), "Usuário excluído!");
    ASSERT_EQ(estado().gruposDigitais[7]->size(), 1u);
    EXPECT_EQ(estado().gruposDigitais[7]->front().codUsuario, "0043");

    rec.clear();
    EXPECT_EQ(call("0042"), 0);
    EXPECT_EQ(rec.events.at(0).args, std::vector<std::string>{"S:0"});
    EXPECT_EQ(w->mensagem(), "Usuário não localizado!");

    rec.clear();
    EXPECT_EQ(call("   "), 0);
    EXPECT_TRUE(rec.events.empty());
    estado().gruposDigitais[7].reset();
  }
}

TEST_F(Behaviour, SignalsAndTheirReturnToWaiting) {
  auto o = create("ctrlIdentificar");
  auto *i = widgetOf<CtrlIdentificar>(o.get());
  putProperty(o.get(), 0x68030007, Value::byte(1));  // ColorirMoldura
  putProperty(o.get(), kIntervaloSinalVerde, Value::long32(30));
  putProperty(o.get(), kIntervaloSinalVermelho, Value::long32(30));
  putProperty(o.get(), kMsgAmarelo, Value::utf8("Próximo ..."));

  Value text = Value::utf8("Bem-vindo");
  Value ref = Value::refTo(text.get());
  ASSERT_EQ(callMethod(o.get(), 0x60030019, {ref.get()}), component::kOk);  // SinalVerde
  EXPECT_EQ(i->mensagem(), "Bem-vindo");
  EXPECT_EQ(i->corMoldura(0), kVerde);
  EXPECT_EQ(i->glifos(), QStringLiteral("\U0001F44D\U0001F44D"));
  EXPECT_TRUE(i->sinalVerdeAndando());
  waitUntil([&] { return i->mensagem() == "Próximo ..."; });
  EXPECT_EQ(i->mensagem(), "Próximo ...") << "green did not return to yellow";
  EXPECT_EQ(i->corMoldura(1), kPrata);
  EXPECT_FALSE(i->sinalVerdeAndando());

  Value red = Value::long32(17);  // not a text: shown as one
  Value refRed = Value::refTo(red.get());
  callMethod(o.get(), 0x6003001A, {refRed.get()});
  EXPECT_EQ(i->mensagem(), "17");
  EXPECT_EQ(i->corMoldura(2), kVermelho);
  waitUntil([&] { return !i->sinalVermelhoAndando(); });
  EXPECT_EQ(i->mensagem(), "Próximo ...");
}

TEST_F(Behaviour, PicturesOfSensorAndStore) {
  struct Case {
    const char *cls;
    QSize size;
  };
  for (const Case &k : {Case{"ctrlSensor", {67, 74}}, Case{"ctrlFPdb", {65, 75}}}) {
    SCOPED_TRACE(k.cls);
    auto o = create(k.cls);
    auto *w = static_cast<QWidget *>(o->view());
    EXPECT_EQ(w->size(), k.size);
    const QImage img = w->grab().toImage();
    const QColor bg = w->palette().color(QPalette::Window);
    EXPECT_EQ(img.pixelColor(0, 0), bg);
    EXPECT_EQ(img.pixelColor(img.width() - 1, img.height() - 1), bg);
    int drawn = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) drawn += img.pixelColor(x, y) != bg;
    EXPECT_GT(drawn, img.width() * img.height() / 3) << "no picture";
  }
}

TEST_F(Behaviour, ImagesReachTheSlotsAndThePollTakesEach) {
  auto sensor = create("ctrlSensor");
  auto *s = widgetOf<CtrlSensor>(sensor.get());
  putProperty(sensor.get(), 0x68030000, Value::byte(3));
  auto ident = create("ctrlIdentificar");
  Recorder rec(ident.get());
  callMethod(ident.get(), 0x60030022, {});
  rec.clear();

  Value first = Value::array(oa_array_create(OA_UI1, 0, 6));
  Value second = Value::array(oa_array_create(OA_UI1, 0, 12));
  s->receberImagem(2, 3, first.get());
  s->receberImagem(3, 4, second.get());
  FingerPrintImage *slot = estado().imagem(3);
  EXPECT_TRUE(slot->fpiNew);
  EXPECT_EQ(slot->fpiWidth, 3);
  EXPECT_EQ(slot->fpiImage.get()->v.array->count, 12u) << "the slot keeps only the latest image";
  waitUntil([&] { return !rec.events.empty(); });
  QCoreApplication::processEvents();
  // Processing the touch raises more events after it; only one image was taken.
  ASSERT_EQ(rec.count("ImagemDigitalCapturada"), 1) << "two images before a poll are taken once";
  EXPECT_EQ(rec.events[0].name, "ImagemDigitalCapturada");
  EXPECT_EQ(rec.events[0].args, std::vector<std::string>{"B:3"}) << "slot index 0 watches every slot";
  EXPECT_FALSE(slot->fpiNew);
  callMethod(ident.get(), 0x60030023, {});
  // An index outside 0 to 4 addresses no slot.
  putProperty(sensor.get(), 0x68030000, Value::byte(9));
  s->receberImagem(3, 4, second.get());
  for (int k = 0; k < kSlots; ++k) EXPECT_FALSE(estado().imagem(k)->fpiNew) << k;
}

TEST_F(Behaviour, GravarImagemWritesTheGreyPicture) {
  auto o = create("ctrlIdentificar");
  auto *i = widgetOf<CtrlIdentificar>(o.get());
  QTemporaryDir dir;
  const QString path = dir.filePath("digital.bmp");
  auto gravar = [&](const QString &p) {
    Value arg = component::fromQString(p), result;
    EXPECT_EQ(callMethod(o.get(), 0x6003002C, {arg.get()}, &result), component::kOk);
    return result.get()->v.i4;
  };
  EXPECT_EQ(gravar(path), 0) << "nothing to save yet";
  QImage grey(30, 40, QImage::Format_Grayscale8);
  grey.fill(90);
  i->mostrarImagem(grey.scaled(15, 20), grey);
  const QString before = i->mensagem();
  EXPECT_EQ(gravar("  "), 0);
  EXPECT_EQ(i->mensagem(), before) << "a blank path must not touch the message label";
  EXPECT_EQ(gravar(path), 1);
  EXPECT_EQ(i->mensagem(), "Imagem gravada!");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.read(2), "BM");
  EXPECT_EQ(QImage(path).size(), QSize(30, 40));
  EXPECT_EQ(gravar(dir.filePath("no/such/folder/x.bmp")), 0);
}

TEST_F(Behaviour, ArgumentsAreConvertedOrRefusedLikeADispatchCall) {
  auto ident = create("ctrlIdentificar");
  auto *i = widgetOf<CtrlIdentificar>(ident.get());
  component::Object *o = ident.get();
  constexpr int32_t kIndiceSensor = 0x68030011, kNumeroMinimoPontos = 0x6803000D;
  // A Long or a numeric text that fits is taken; what does not fit a Byte is refused.
  EXPECT_EQ(putProperty(o, kNumeroMinimoPontos, Value::long32(12)), component::kOk);
  EXPECT_EQ(i->numeroMinimoPontos(), 12);
  EXPECT_EQ(putProperty(o, kNumeroMinimoPontos, Value::utf8("15")), component::kOk);
  EXPECT_EQ(i->numeroMinimoPontos(), 15);
  EXPECT_EQ(putProperty(o, kNumeroMinimoPontos, Value::integer(300)), component::kOverflow);
  EXPECT_EQ(putProperty(o, kNumeroMinimoPontos, Value::integer(-1)), component::kOverflow);
  EXPECT_EQ(putProperty(o, kIndiceSensor, Value::utf8("dois")), component::kTypeMismatch);
  EXPECT_EQ(i->numeroMinimoPontos(), 15) << "a refused value changed the property";
  // Wrong shapes of call.
  Value v;
  EXPECT_EQ(o->invoke(kIndiceSensor, component::kPut, nullptr, 0, nullptr, nullptr), component::kBadArgCount);
  EXPECT_EQ(o->invoke(kIndiceSensor, component::kPutRef, v.get(), 1, nullptr, nullptr), component::kBadInvokeKind);
  EXPECT_EQ(o->invoke(0x60030022, component::kGet, nullptr, 0, v.get(), nullptr), component::kBadInvokeKind);
  Value code = Value::utf8("1"), extra = Value::utf8("2");
  EXPECT_EQ(callMethod(o, 0x60030024, {code.get(), extra.get()}), component::kBadArgCount);
  EXPECT_EQ(callMethod(o, 0x60030024, {}), component::kBadArgCount);
}

TEST_F(Behaviour, ImageFieldTakesAnArrayByReference) {
  component::Ref<component::Object> slot(imageSlotObject(2));
  oa_array *a = oa_array_create(OA_UI1, 0, 3);
  static_cast<uint8_t *>(a->data)[1] = 200;
  Value arr = Value::array(a);
  Value ref = Value::refTo(arr.get());
  ASSERT_EQ(slot->invoke(0x40030002, component::kPutRef, ref.get(), 1, nullptr, nullptr), component::kOk);
  Value back;
  ASSERT_EQ(getProperty(slot.get(), 0x40030002, &back), component::kOk);
  ASSERT_EQ(back.kind(), OA_ARRAY | OA_UI1);
  EXPECT_EQ(static_cast<uint8_t *>(back.get()->v.array->data)[1], 200);
  // The slot keeps its own copy.
  static_cast<uint8_t *>(a->data)[1] = 7;
  ASSERT_EQ(getProperty(slot.get(), 0x40030002, &back), component::kOk);
  EXPECT_EQ(static_cast<uint8_t *>(back.get()->v.array->data)[1], 200);
  // Only fpiImage takes a reference.
  EXPECT_EQ(slot->invoke(0x40030000, component::kPutRef, ref.get(), 1, nullptr, nullptr), component::kBadInvokeKind);
  estado().imagem(2)->fpiImage = Value();
}

TEST_F(Behaviour, VerificarUsuarioCollectsTheUsersTemplatesFromEveryGroup) {
  auto o = create("ctrlIdentificar");
  auto *i = widgetOf<CtrlIdentificar>(o.get());
  estado().gruposDigitais[3] = std::vector<FingerprintRecord>{{"42", 1, "a"}, {"7", 2, "b"}};
  estado().gruposDigitais[200] = std::vector<FingerprintRecord>{{"42", 6, "c"}};
  Value code = Value::utf8("42");
  ASSERT_EQ(callMethod(o.get(), 0x60030025, {code.get()}), component::kOk);
  EXPECT_EQ(i->etapa(), 2);
  EXPECT_EQ(i->quantidadeVerificacao(), 2);
  EXPECT_EQ(i->mensagem(), "Toque o sensor ...");
  Value none = Value::utf8("999");
  callMethod(o.get(), 0x60030025, {none.get()});
  EXPECT_EQ(i->quantidadeVerificacao(), 0) << "a code without templates leaves an empty set";
  estado().gruposDigitais[3].reset();
  estado().gruposDigitais[200].reset();
}

TEST_F(Behaviour, CadastrarDigitalNamesTheFinger) {
  auto o = create("ctrlCadastrar");
  auto *c = widgetOf<CtrlCadastrar>(o.get());
  const std::pair<uint8_t, const char *> cases[] = {
      {0, "Polegar Direito - Toque o sensor!"}, {4, "Mínimo Direito - Toque o sensor!"},
      {5, "Polegar Esquerdo - Toque o sensor!"}, {9, "Mínimo Esquerdo - Toque o sensor!"},
      {10, " - Toque o sensor!"}};
  for (const auto &[finger, text] : cases) {
    Value f = Value::byte(finger), code = Value::utf8("0042");
    ASSERT_EQ(callMethod(o.get(), 0x60030016, {f.get(), code.get()}), component::kOk);
    EXPECT_EQ(c->mensagem(), QString::fromUtf8(text));
    EXPECT_EQ(c->dedoArmado(), finger);
  }
  EXPECT_EQ(estado().estadoOperacao, 2);
}
