// Touch to UsuarioIdentificado with 10,000 templates in memory, in fast mode
// and in full mode (the station's), on synthetic prints through the real
// engine and Vistrel. Prints each step of a touch (pictures, extraction,
// drawing, search) as the median of several touches, then the control's own
// time from taking the image to the event, against the 150 ms goal and a
// fixed arithmetic loop timed in the same run (it tells how loaded the core is).
#include "ctrl_identificar.h"
#include "papilo.h"
#include "pictures.h"
#include "shared_state.h"
#include "synthetic.h"
#include "template_search.h"

#include "component/component.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace dactilox;
using component::Value;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kTemplates = 10000, kPatterns = 250, kTouches = 7;
constexpr double kGoalMs = 150;

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

double baselineMs() {
  std::vector<float> v(1 << 16, 1.f);
  auto t = Clock::now();
  float acc = 0;
  for (int r = 0; r < 200; ++r)
    for (size_t i = 1; i + 1 < v.size(); ++i) acc += v[i - 1] * 0.25f + v[i] * 0.5f + v[i + 1] * 0.25f;
  if (acc < 0) std::printf("!");
  return msSince(t);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

Value imagem(const std::vector<uint8_t> &px) {
  oa_array *a = oa_array_create(OA_UI1, 0, uint32_t(px.size()));
  std::copy(px.begin(), px.end(), static_cast<uint8_t *>(a->data));
  return Value::array(a);
}

QByteArray extrair(const std::vector<uint8_t> &px, int w, int h, int32_t ctx) {
  Value img = imagem(px), features;
  int32_t size = 0;
  const std::optional<int32_t> r = papilo().extract(w, h, img.get(), features.get(), &size, ctx);
  if (!r || *r < 0) return {};
  return QByteArray(static_cast<const char *>(features.get()->v.array->data), size);
}

// The mate's code; every other template is one of kPatterns other prints.
const QString kMate = QStringLiteral("4242");

void carregar(int32_t ctx) {
  std::vector<QByteArray> outros;
  for (unsigned seed = 1000; int(outros.size()) < kPatterns; ++seed) {
    synth::Pattern p = synth::make_pattern(seed);
    // Ridge periods of 7 to 12 pixels, as real fingers spread, so the prints fill many groups.
    p.period = 7.0 + 5.0 * ((seed * 37) % 100) / 100.0;
    QByteArray t = extrair(synth::render(p), p.width, p.height, ctx);
    if (!t.isEmpty()) outros.push_back(t);
  }
  const synth::Pattern mate = synth::make_pattern(5);
  const QByteArray t = extrair(synth::render(mate), mate.width, mate.height, ctx);
  for (int k = 0; k < kTemplates; ++k) {
    // The mate sits in the middle of the load order.
    const bool isMate = k == kTemplates / 2;
    const QByteArray &b = isMate ? t : outros[size_t(k) % outros.size()];
    auto &g = estado().gruposDigitais[chaveGrupo(b)];
    if (!g) g.emplace();
    g->push_back({isMate ? kMate : QString::number(100000 + k), uint8_t(k % 10), b});
  }
  int groups = 0;
  for (auto &g : estado().gruposDigitais) groups += g && !g->empty();
  std::printf("templates in memory: %d in %d groups (%d distinct prints and the mate); mate's group %d\n", kTemplates,
              groups, kPatterns, chaveGrupo(t));
}

struct Passos {
  std::vector<double> pictures, extraction, drawing, search, total;
};

// The steps of ProcessaFPImagem, one unit at a time.
void passos(const std::vector<uint8_t> &px, int w, int h, int32_t ctx, uint8_t modo, Passos &out) {
  const auto t0 = Clock::now();
  Value img = imagem(px);
  const QImage metade = imagemMetade(w, h, img.get());
  const QImage cinza = imagemCinza(w, h, img.get());
  const auto t1 = Clock::now();
  Value features;
  int32_t size = 0;
  papilo().extract(w, h, img.get(), features.get(), &size, ctx);
  const QByteArray probe(static_cast<const char *>(features.get()->v.array->data), size);
  const auto t2 = Clock::now();
  const QImage bin = imagemBinarizada(w, h, img.get());
  RegistroMinucias reg;
  papilo().decompressFeatures(features.get(), reg.data());
  const QImage figura = figuraMinucias(bin, reg);
  const auto t3 = Clock::now();
  *estado().resultado(0) = ResultadoSensorSlot{};
  estado().tempoEsgotado = false;
  esvaziarCandidatos();
  Identify(probe, modo, ctx, 0);
  const auto t4 = Clock::now();
  const QString code = estado().resultado(0)->codUsuario;
  if (!code.startsWith(kMate)) std::printf("  ! search answered \"%s\"\n", qPrintable(code));
  auto ms = [](Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
  out.pictures.push_back(ms(t0, t1));
  out.extraction.push_back(ms(t1, t2));
  out.drawing.push_back(ms(t2, t3));
  out.search.push_back(ms(t3, t4));
  out.total.push_back(ms(t0, t4));
  static bool shown = false;
  if (!shown) {
    shown = true;
    std::printf("  pictures: grey %dx%d, display %dx%d, minutiae %dx%d, %d minutiae\n", cinza.width(), cinza.height(),
                metade.width(), metade.height(), figura.width(), figura.height(), reg.quantidadeMinucias());
  }
}

// The control itself: from ImagemDigitalCapturada to UsuarioIdentificado.
class Tempo : public component::EventSink {
public:
  void onEvent(int32_t dispid, oa_variant *args, uint32_t) override {
    if (dispid == CtrlIdentificar::evImagemDigitalCapturada) inicio = Clock::now();
    if (dispid == CtrlIdentificar::evUsuarioIdentificado) {
      ms = msSince(inicio);
      codigo = component::toUtf8(&args[1]);
      pronto = true;
    }
  }
  Clock::time_point inicio;
  double ms = 0;
  std::string codigo;
  bool pronto = false;
};

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (!papilo().initialize()) {
    std::printf("engine: %s\n", qPrintable(papilo().lastError()));
    return 1;
  }
  const int32_t ctx = papilo().createContext().value_or(0);
  estado().contextosSensor[0] = ctx;
  estado().limiarIdentificacao = 72;
  const double base0 = baselineMs();
  std::printf("baseline loop: %.1f ms\n", base0);
  carregar(ctx);

  const synth::Pattern mate = synth::make_pattern(5);
  std::vector<std::vector<uint8_t>> toques;
  for (int k = 0; k < kTouches; ++k) toques.push_back(synth::render(mate, 0.02 * (k - 3), 2.0 * k - 6, 5.0 - k));

  double totals[2] = {};
  for (uint8_t modo : {uint8_t(1), uint8_t(0)}) {
    const char *nome = modo == 1 ? "fast" : "full";
    Passos p;
    for (const auto &px : toques) passos(px, mate.width, mate.height, ctx, modo, p);
    std::printf("%s mode, %d touches of %dx%d, median ms: pictures %.2f, extraction %.2f, drawing %.2f, search %.2f, "
                "total %.2f\n",
                nome, kTouches, mate.width, mate.height, median(p.pictures), median(p.extraction), median(p.drawing),
                median(p.search), median(p.total));

    // The same touches through ctrlIdentificar.
    auto *ctrl = new CtrlIdentificar;
    Tempo tempo;
    ctrl->setRaiser([&](int32_t id, oa_variant *args, uint32_t n) { tempo.onEvent(id, args, n); });
    ctrl->setModoPesquisa(modo);
    ctrl->setSemafaroAutomatico(0);
    ctrl->InicializarBiometrica();
    std::vector<double> controle;
    for (const auto &px : toques) {
      FingerPrintImage *img = estado().imagem(0);
      img->fpiWidth = mate.width;
      img->fpiHeight = mate.height;
      img->fpiImage = imagem(px);
      tempo.pronto = false;
      img->fpiNew = true;
      QElapsedTimer t;
      t.start();
      while (!tempo.pronto && t.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      if (tempo.codigo != kMate.toStdString()) std::printf("  ! control answered \"%s\"\n", tempo.codigo.c_str());
      controle.push_back(tempo.ms);
    }
    ctrl->EncerrarBiometrica();
    delete ctrl;
    totals[modo] = median(controle);
    std::printf("%s mode, ctrlIdentificar from image taken to UsuarioIdentificado: median %.1f ms, %.2f x the %.0f ms "
                "goal, %.1f x the baseline loop\n",
                nome, totals[modo], totals[modo] / kGoalMs, kGoalMs, totals[modo] / base0);
  }
  std::printf("baseline loop again: %.1f ms\n", baselineMs());
  papilo().freeContext(ctx);
  papilo().finalize();
  return 0;
}
