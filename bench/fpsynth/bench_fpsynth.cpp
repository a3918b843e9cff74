// How real do the synthetic prints look to our engine? Scores every unordered
// pair of a synthetic collection and of real collections (as `fpengine
// score` does) and prints the genuine and impostor score distributions side
// by side; then times drawing 1,000 prints against the engine extracting the
// same prints, measured in the same run.
//
//   bench_fpsynth [--fingers N] [--impressions M] [--size WxH] [REAL_FOLDER...]
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine.h"
#include "fpsynth/fpsynth.h"
#include "imagefile.h"

namespace fs = std::filesystem;

namespace {

struct Collection {
  std::string name;
  std::vector<std::string> fingers;  // one per print
  std::vector<std::vector<uint8_t>> templates;
  int failed = 0;
  double minutiae = 0;
  std::vector<int> genuine, impostor;
};

void add_print(Collection &c, const std::string &finger, const uint8_t *px, int w, int h) {
  std::vector<uint8_t> t;
  ppvbp::Features f;
  if (!ppvbp::extract_template(px, w, h, ppvbp::Settings{}, t, nullptr, &f)) {
    ++c.failed;
    t.clear();  // scores 0 against everything, as in fpengine
  }
  c.minutiae += double(f.minutiae.size());
  c.fingers.push_back(finger);
  c.templates.push_back(std::move(t));
}

void score_all(Collection &c) {
  ppvbp::Comparator cmp;
  for (size_t i = 0; i < c.templates.size(); ++i) {
    bool ok = cmp.prepare(c.templates[i].data(), c.templates[i].size());
    for (size_t j = i + 1; j < c.templates.size(); ++j) {
      int s = ok ? std::max(0, cmp.score(c.templates[j].data(), c.templates[j].size())) : 0;
      (c.fingers[i] == c.fingers[j] ? c.genuine : c.impostor).push_back(s);
    }
  }
  std::sort(c.genuine.begin(), c.genuine.end());
  std::sort(c.impostor.begin(), c.impostor.end());
  c.minutiae /= std::max<size_t>(1, c.templates.size());
}

bool load_folder(const std::string &folder, Collection &c) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto &e : fs::directory_iterator(folder, ec)) {
    std::string ext = e.path().extension().string();
    for (char &ch : ext) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    if (e.is_regular_file() && (ext == ".tif" || ext == ".tiff" || ext == ".bmp")) files.push_back(e.path());
  }
  if (ec || files.empty()) return false;
  std::sort(files.begin(), files.end());
  c.name = fs::path(folder).filename().string();
  for (const fs::path &p : files) {
    fptool::GreyImage img;
    std::string err, stem = p.stem().string();
    std::string finger = stem.substr(0, stem.rfind('_'));
    if (!fptool::load_image(p.string(), img, err)) {
      std::fprintf(stderr, "bench_fpsynth: %s: %s\n", p.c_str(), err.c_str());
      ++c.failed;
      c.fingers.push_back(finger);
      c.templates.emplace_back();
      continue;
    }
    add_print(c, finger, img.pixels.data(), img.width, img.height);
  }
  return true;
}

double quantile(const std::vector<int> &v, double q) {
  if (v.empty()) return 0;
  return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}
double share_at_least(const std::vector<int> &v, int t) {
  return v.empty() ? 0 : double(v.end() - std::lower_bound(v.begin(), v.end(), t)) / double(v.size());
}
double eer(const Collection &c) {
  double best = 1, at = 1;
  for (int t = 0; t <= 1000; ++t) {
    double fmr = share_at_least(c.impostor, t), fnmr = 1 - share_at_least(c.genuine, t);
    if (std::abs(fmr - fnmr) < best) {
      best = std::abs(fmr - fnmr);
      at = (fmr + fnmr) / 2;
    }
  }
  return at;
}

void table(const std::vector<Collection> &cs) {
  std::printf("%-26s", "");
  for (const Collection &c : cs) std::printf(" %14s", c.name.c_str());
  std::printf("\n");
  auto row = [&](const char *label, auto f, const char *fmt) {
    std::printf("%-26s", label);
    for (const Collection &c : cs) std::printf(fmt, f(c));
    std::printf("\n");
  };
  row("prints", [](const Collection &c) { return int(c.templates.size()); }, " %14d");
  row("no template", [](const Collection &c) { return c.failed; }, " %14d");
  row("minutiae (mean)", [](const Collection &c) { return c.minutiae; }, " %14.1f");
  row("genuine pairs", [](const Collection &c) { return int(c.genuine.size()); }, " %14d");
  for (double q : {0.01, 0.05, 0.10, 0.25, 0.50, 0.75, 0.90}) {
    char label[40];
    std::snprintf(label, sizeof label, "genuine p%g", q * 100);
    row(label, [q](const Collection &c) { return quantile(c.genuine, q); }, " %14.0f");
  }
  for (int t : {24, 48, 72}) {
    char label[40];
    std::snprintf(label, sizeof label, "FNMR at %d", t);
    row(label, [t](const Collection &c) { return 100 * (1 - share_at_least(c.genuine, t)); }, " %13.2f%%");
  }
  row("impostor pairs", [](const Collection &c) { return int(c.impostor.size()); }, " %14d");
  for (double q : {0.50, 0.90, 0.99, 0.999}) {
    char label[40];
    std::snprintf(label, sizeof label, "impostor p%g", q * 100);
    row(label, [q](const Collection &c) { return quantile(c.impostor, q); }, " %14.0f");
  }
  row("impostor max", [](const Collection &c) { return c.impostor.empty() ? 0 : c.impostor.back(); }, " %14d");
  for (int t : {24, 36, 48}) {
    char label[40];
    std::snprintf(label, sizeof label, "FMR at %d (aim %.2g%%)", t, 100 * std::pow(10.0, -t / 12.0));
    row(label, [t](const Collection &c) { return 100 * share_at_least(c.impostor, t); }, " %13.3f%%");
  }
  row("EER", [](const Collection &c) { return 100 * eer(c); }, " %13.2f%%");
}

}  // namespace

int main(int argc, char **argv) {
  int fingers = 40, impressions = 8;
  fpsynth::ImpressionOptions io;
  std::vector<std::string> folders;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--fingers" && i + 1 < argc) fingers = std::max(2, std::atoi(argv[++i]));
    else if (a == "--impressions" && i + 1 < argc) impressions = std::max(2, std::atoi(argv[++i]));
    else if (a == "--size" && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%d", &io.width, &io.height) != 2) return 2;
    } else folders.push_back(a);
  }

  std::vector<Collection> cs(1);
  cs[0].name = "synthetic";
  for (int f = 1; f <= fingers; ++f) {
    fpsynth::Master m = fpsynth::make_master(uint32_t(f));
    for (int n = 1; n <= impressions; ++n) {
      fpsynth::Image im = fpsynth::impress(m, uint32_t(n), io).image;
      add_print(cs[0], std::to_string(f), im.pixels.data(), im.width, im.height);
    }
  }
  for (const std::string &folder : folders) {
    Collection c;
    if (!load_folder(folder, c)) {
      std::fprintf(stderr, "bench_fpsynth: no prints in %s; skipped\n", folder.c_str());
      continue;
    }
    cs.push_back(std::move(c));
  }
  for (Collection &c : cs) score_all(c);
  std::printf("Engine scores, every unordered pair (synthetic: %d fingers x %d touches, %dx%d)\n", fingers,
              impressions, io.width, io.height);
  table(cs);

  // Speed: 1,000 prints (125 fingers x 8 touches), against the engine
  // extracting the very same prints.
  // Thread CPU time: on a shared machine wall time measures the neighbours too.
  struct clock {
    using time_point = std::chrono::duration<double>;
    static time_point now() {
      timespec ts;
      clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
      return time_point(double(ts.tv_sec) + ts.tv_nsec * 1e-9);
    }
  };
  std::vector<fpsynth::Image> prints;
  auto t0 = clock::now();
  double master_s = 0;
  for (uint32_t f = 1001; f <= 1125; ++f) {
    auto m0 = clock::now();
    fpsynth::Master m = fpsynth::make_master(f);
    master_s += (clock::now() - m0).count();
    for (uint32_t n = 1; n <= 8; ++n) prints.push_back(fpsynth::impress(m, n, io).image);
  }
  double draw = (clock::now() - t0).count();
  auto t1 = clock::now();
  for (const fpsynth::Image &im : prints) {
    std::vector<uint8_t> t;
    ppvbp::extract_template(im.pixels.data(), im.width, im.height, ppvbp::Settings{}, t, nullptr);
  }
  double extract = (clock::now() - t1).count();
  std::printf("\nDrawing 1,000 prints (125 masters x 8 touches), CPU time: %.1f s (masters %.1f s, touches %.1f s)\n", draw,
              master_s, draw - master_s);
  std::printf("Baseline, the engine extracting the same 1,000 prints: %.1f s; ratio drawing/extraction %.2f\n",
              extract, draw / extract);
  std::printf("A gallery of 100,000 prints at this rate: %.0f min on one core\n", draw * 100 / 60);
  return 0;
}
