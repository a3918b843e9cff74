// Touch to UsuarioIdentificado with 10,000 templates in memory, in fast mode
// and in full mode (the station's), through the real engine and Vistrel: on
// synthetic prints, or on a folder of real prints given as argument (the
// first finger's first impression is the mate, its other impressions the
// touches; every impression of the other fingers fills memory). Prints each step of a touch (pictures, extraction,
// drawing, search) as the median of several touches, then the control's own
// time from taking the image to the event, against the 150 ms goal and a
// fixed arithmetic loop timed in the same run (it tells how loaded the core is).
#include "ctrl_identificar.h"
#include "papilo.h"
#include "pictures.h"
#include "shared_state.h"
#include "synthetic.h"
#include "template_search.h"
#include "imagefile.h"

#include "component/component.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
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

// The mate's code; every other template is one of the other prints.
const QString kMate = QStringLiteral("4242");

struct Toque {
  int width, height;
  std::vector<uint8_t> pixels;
};

struct Conjunto {
  Toque mate;                 // enrolled
  std::vector<Toque> toques;  // touches of the mate's finger
  std::vector<Toque> outros;  // prints of other fingers
  std::string origem;
};

Conjunto sinteticos() {
  Conjunto c;
  c.origem = "synthetic prints";
  for (unsigned seed = 1000; int(c.outros.size()) < kPatterns; ++seed) {
    synth::Pattern p = synth::make_pattern(seed);
    // Ridge periods of 7 to 12 pixels, as real fingers spread, so the prints fill many groups.
    p.period = 7.0 + 5.0 * ((seed * 37) % 100) / 100.0;
    c.outros.push_back({p.width, p.height, synth::render(p)});
  }
  const synth::Pattern mate = synth::make_pattern(5);
  c.mate = {mate.width, mate.height, synth::render(mate)};
  for (int k = 0; k < kTouches; ++k)
    c.toques.push_back({mate.width, mate.height, synth::render(mate, 0.02 * (k - 3), 2.0 * k - 6, 5.0 - k)});
  return c;
}

// Files named finger_impression.ext (TIFF or BMP).
bool reais(const std::string &pasta, Conjunto &c) {
  std::map<std::string, std::vector<std::string>> dedos;
  std::error_code ec;
  for (const auto &e : std::filesystem::directory_iterator(pasta, ec)) {
    const std::string nome = e.path().stem().string();
    const size_t p = nome.rfind('_');
    if (p != std::string::npos) dedos[nome.substr(0, p)].push_back(e.path().string());
  }
  if (dedos.size() < 2) return false;
  auto ler = [](const std::string &path, Toque &t) {
    fptool::GreyImage g;
    std::string why;
    if (!fptool::load_image(path, g, why)) return false;
    t = {g.width, g.height, std::move(g.pixels)};
    return true;
  };
  bool first = true;
  for (auto &[dedo, files] : dedos) {
    std::sort(files.begin(), files.end());
    if (first) {
      first = false;
      if (!ler(files[0], c.mate)) return false;
      for (size_t k = 1; k < files.size(); ++k) {
        Toque t;
        if (ler(files[k], t)) c.toques.push_back(std::move(t));
      }
      continue;
    }
    for (const std::string &f : files) {
      Toque t;
      if (ler(f, t)) c.outros.push_back(std::move(t));
    }
  }
  c.origem = pasta + " (" + std::to_string(dedos.size()) + " fingers)";
  return !c.toques.empty();
}

QByteArray extrair(const Toque &t, int32_t ctx) {
  Value img = imagem(t.pixels), features;
  int32_t size = 0;
  const std::optional<int32_t> r = papilo().extract(t.width, t.height, img.get(), features.get(), &size, ctx);
  if (!r || *r < 0) return {};
  return QByteArray(static_cast<const char *>(features.get()->v.array->data), size);
}

void carregar(const Conjunto &c, int32_t ctx) {
  std::vector<QByteArray> outros;
  for (const Toque &t : c.outros) {
    QByteArray b = extrair(t, ctx);
    if (!b.isEmpty()) outros.push_back(b);
  }
  const QByteArray t = extrair(c.mate, ctx);
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
  std::printf("%s: %d templates in memory in %d groups (%zu distinct prints and the mate); mate's group %d\n",
              c.origem.c_str(), kTemplates, groups, outros.size(), chaveGrupo(t));
}

struct Passos {
  std::vector<double> pictures, extraction, drawing, search, total;
  int errados = 0;  // touches the search did not give to the mate
};

// The steps of ProcessaFPImagem, one unit at a time.
void passos(const Toque &toque, int32_t ctx, uint8_t modo, Passos &out) {
  const int w = toque.width, h = toque.height;
  const auto t0 = Clock::now();
  Value img = imagem(toque.pixels);
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
  if (!code.startsWith(kMate)) ++out.errados;
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
  Conjunto conjunto;
  if (argc > 1 ? !reais(argv[1], conjunto) : false) {
    std::printf("no prints read from %s\n", argv[1]);
    return 1;
  }
  if (argc <= 1) conjunto = sinteticos();
  carregar(conjunto, ctx);
  const std::vector<Toque> &toques = conjunto.toques;

  double totals[2] = {};
  for (uint8_t modo : {uint8_t(1), uint8_t(0)}) {
    const char *nome = modo == 1 ? "fast" : "full";
    Passos p;
    for (const Toque &t : toques) passos(t, ctx, modo, p);
    std::printf("%s mode, %zu touches of %dx%d, median ms: pictures %.2f, extraction %.2f, drawing %.2f, search %.2f, "
                "total %.2f; %d not given to the mate\n",
                nome, toques.size(), toques[0].width, toques[0].height, median(p.pictures), median(p.extraction),
                median(p.drawing), median(p.search), median(p.total), p.errados);

    // The same touches through ctrlIdentificar.
    auto *ctrl = new CtrlIdentificar;
    Tempo tempo;
    ctrl->setRaiser([&](int32_t id, oa_variant *args, uint32_t n) { tempo.onEvent(id, args, n); });
    ctrl->setModoPesquisa(modo);
    ctrl->setSemafaroAutomatico(0);
    ctrl->InicializarBiometrica();
    std::vector<double> controle;
    int errados = 0;
    for (const Toque &toque : toques) {
      FingerPrintImage *img = estado().imagem(0);
      img->fpiWidth = toque.width;
      img->fpiHeight = toque.height;
      img->fpiImage = imagem(toque.pixels);
      tempo.pronto = false;
      img->fpiNew = true;
      QElapsedTimer t;
      t.start();
      while (!tempo.pronto && t.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      errados += tempo.codigo != kMate.toStdString();
      controle.push_back(tempo.ms);
    }
    ctrl->EncerrarBiometrica();
    delete ctrl;
    totals[modo] = median(controle);
    std::printf("%s mode, ctrlIdentificar from image taken to UsuarioIdentificado: median %.1f ms, %.2f x the %.0f ms "
                "goal, %.1f x the baseline loop; %d not given to the mate\n",
                nome, totals[modo], totals[modo] / kGoalMs, kGoalMs, totals[modo] / base0, errados);
  }
  std::printf("baseline loop again: %.1f ms\n", baselineMs());
  papilo().freeContext(ctx);
  papilo().finalize();
  return 0;
}
