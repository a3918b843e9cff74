// FVC-style benchmark of the engine on folders of fingerprint images.
//   bench_engine [--quick] [--dump FILE] FOLDER...
// Prints per folder: EER (extended impostors), FNMR at FMR 1% and 0.1%,
// extraction ms, comparisons per second with a prepared probe, template
// bytes, false match rate at thresholds 24/36/48, group-key spread, and the
// memory of 100,000 templates. Timings are on one thread; a baseline loop
// timed in the same run shows how loaded the machine was.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine.h"
#include "imagefile.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double ms_since(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

std::string finger_of(const std::string &n) {
  size_t p = n.rfind('_');
  return p == std::string::npos ? n : n.substr(0, p);
}

// A fixed amount of arithmetic: its time tells how fast the core runs now.
double baseline_ms() {
  std::vector<float> v(1 << 16, 1.f);
  auto t = Clock::now();
  float acc = 0;
  for (int r = 0; r < 200; ++r)
    for (size_t i = 1; i + 1 < v.size(); ++i) acc += v[i - 1] * 0.25f + v[i] * 0.5f + v[i + 1] * 0.25f;
  if (acc < 0) std::printf("!");
  return ms_since(t);
}

// Error rates over every threshold the scores offer (the ROC does not
// depend on the calibration, which is monotonic).
struct Roc {
  std::vector<float> gen, imp;  // sorted
  double fmr(float t) const { return double(imp.end() - std::lower_bound(imp.begin(), imp.end(), t)) / double(imp.size()); }
  double fnmr(float t) const { return double(std::lower_bound(gen.begin(), gen.end(), t) - gen.begin()) / double(gen.size()); }
  std::vector<float> thresholds() const {
    std::vector<float> t = gen;
    t.insert(t.end(), imp.begin(), imp.end());
    t.push_back(1e30f);
    std::sort(t.begin(), t.end());
    t.erase(std::unique(t.begin(), t.end()), t.end());
    return t;
  }
  // FNMR at the lowest threshold whose FMR is at most `target`.
  double fnmr_at(double target) const {
    for (float t : thresholds())
      if (fmr(t) <= target) return fnmr(t);
    return 1.0;
  }
  double eer() const {
    double best = 2, at = 0;
    for (float t : thresholds()) {
      double a = fmr(t), b = fnmr(t);
      if (std::fabs(a - b) < best) best = std::fabs(a - b), at = (a + b) / 2;
    }
    return at;
  }
};

}  // namespace

int main(int argc, char **argv) {
  std::string dump;
  bool quick = false;  // accuracy only: one extraction per image, no speed loop
  std::vector<std::string> folders;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--dump" && i + 1 < argc) dump = argv[++i];
    else if (a == "--quick") quick = true;
    else folders.push_back(a);
  }
  if (folders.empty()) {
    std::fprintf(stderr, "usage: bench_engine [--quick] [--dump FILE] FOLDER...\n");
    return 2;
  }
  std::ofstream dumpf;
  if (!dump.empty()) dumpf.open(dump), dumpf << "set,probe,candidate,same,raw,score,raw_reversed\n";
  std::printf("baseline loop: %.1f ms\n", baseline_ms());
  std::printf("%-14s %6s %8s %9s %9s %8s %9s %7s %8s %8s %8s %7s %7s\n", "set", "images", "EER", "FNMR@1%", "FNMR@.1%",
              "ext ms", "cmp/s", "bytes", "FMR@24", "FMR@36", "FMR@48", "keyGen", "keyImp");
  for (const std::string &folder : folders) {
    std::vector<fs::path> files;
    for (const auto &e : fs::directory_iterator(folder)) {
      std::string x = e.path().extension().string();
      if (x == ".tif" || x == ".bmp" || x == ".tiff") files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> names;
    std::vector<std::vector<uint8_t>> tpls;
    double ext_total = 0;
    for (const fs::path &p : files) {
      fptool::GreyImage img;
      std::string err;
      if (!fptool::load_image(p.string(), img, err)) {
        std::fprintf(stderr, "%s: %s\n", p.string().c_str(), err.c_str());
        continue;
      }
      std::vector<uint8_t> tpl;
      double best = 1e9;
      for (int rep = 0; rep < (quick ? 1 : 3); ++rep) {
        auto t = Clock::now();
        ppvbp::extract_template(img.pixels.data(), img.width, img.height, ppvbp::Settings{}, tpl, nullptr);
        best = std::min(best, ms_since(t));
      }
      ext_total += best;
      names.push_back(p.stem().string());
      tpls.push_back(tpl);
    }
    const size_t n = tpls.size();
    std::vector<int> score(n * n, 0);
    std::vector<float> raw(n * n, 0);
    ppvbp::Comparator cmp;
    for (size_t i = 0; i < n; ++i) {
      cmp.prepare(tpls[i].data(), tpls[i].size());
      for (size_t j = 0; j < n; ++j) {
        if (i == j) continue;
        raw[i * n + j] = cmp.raw(tpls[j].data(), tpls[j].size());
        score[i * n + j] = std::max(0, ppvbp::calibrate(raw[i * n + j]));
      }
    }
    std::vector<int> gen, imp;
    std::vector<int> keygen, keyimp;
    Roc roc;
    for (size_t i = 0; i < n; ++i)
      for (size_t j = i + 1; j < n; ++j) {
        bool same = finger_of(names[i]) == finger_of(names[j]);
        (same ? gen : imp).push_back(score[i * n + j]);
        (same ? roc.gen : roc.imp).push_back(raw[i * n + j]);
        int kd = std::abs(int(tpls[i].size() > 1 ? tpls[i][1] : 0) - int(tpls[j].size() > 1 ? tpls[j][1] : 0));
        (same ? keygen : keyimp).push_back(kd);
        if (dumpf) dumpf << fs::path(folder).filename().string() << ',' << names[i] << ',' << names[j] << ',' << same << ',' << raw[i * n + j] << ',' << score[i * n + j] << ',' << raw[j * n + i] << '\n';
      }
    std::sort(roc.gen.begin(), roc.gen.end());
    std::sort(roc.imp.begin(), roc.imp.end());
    auto fmr = [&](int t) { return std::count_if(imp.begin(), imp.end(), [&](int s) { return s >= t; }) / double(imp.size()); };
    auto median = [](std::vector<int> v) {
      std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
      return v.empty() ? 0 : v[v.size() / 2];
    };
    // Comparisons per second: one prepared probe against every template, repeated.
    cmp.prepare(tpls[0].data(), tpls[0].size());
    long comps = 0;
    auto t0 = Clock::now();
    volatile int sink = 0;
    while (ms_since(t0) < (quick ? 50 : 1500))
      for (size_t j = 0; j < n; ++j, ++comps) sink = sink + cmp.score(tpls[j].data(), tpls[j].size());
    double cps = comps / (ms_since(t0) / 1000.0);
    double bytes = 0;
    for (auto &t : tpls) bytes += double(t.size());
    bytes /= double(n);
    std::printf("%-14s %6zu %7.2f%% %8.2f%% %8.2f%% %8.1f %9.0f %7.0f %7.3f%% %7.3f%% %7.3f%% %7d %7d\n",
                fs::path(folder).filename().string().c_str(), n, 100 * roc.eer(), 100 * roc.fnmr_at(0.01),
                100 * roc.fnmr_at(0.001), ext_total / double(n), cps, bytes, 100 * fmr(24), 100 * fmr(36),
                100 * fmr(48), median(keygen), median(keyimp));
    // Enrolment: impressions 1-3 of each finger generalised, against impressions
    // 4 and later, beside the best and the worst single one of the three.
    {
      std::map<std::string, std::vector<size_t>> by_finger;
      for (size_t i = 0; i < n; ++i) by_finger[finger_of(names[i])].push_back(i);
      long tried = 0, refused = 0, later = 0, miss_g = 0, miss_single = 0, miss_worst = 0, miss_base = 0;
      for (auto &[finger, idx] : by_finger) {
        if (idx.size() < 4) continue;
        ++tried;
        std::vector<std::vector<uint8_t>> three = {tpls[idx[0]], tpls[idx[1]], tpls[idx[2]]};
        std::vector<uint8_t> combined;
        int base = ppvbp::generalize(three, 36, ppvbp::Settings{}, combined);
        if (base < 0) {
          ++refused;
          continue;
        }
        ppvbp::Comparator g;
        g.prepare(combined.data(), combined.size());
        for (size_t k = 3; k < idx.size(); ++k, ++later) {
          const auto &t = tpls[idx[k]];
          miss_g += g.score(t.data(), t.size()) < 48;
          int best = 0, worst = 1 << 30;
          for (int b = 0; b < 3; ++b) {
            int v = score[idx[size_t(b)] * n + idx[k]];
            best = std::max(best, v), worst = std::min(worst, v);
          }
          miss_single += best < 48;
          miss_base += score[idx[size_t(base)] * n + idx[k]] < 48;
          miss_worst += worst < 48;
        }
      }
      std::printf("  enrolment of 3 touches: %ld fingers, %ld refused; later touches below 48: combined %.2f%%, "
                  "base touch alone %.2f%%, best single %.2f%%, worst single %.2f%%\n",
                  tried, refused, later ? 100.0 * miss_g / later : 0.0, later ? 100.0 * miss_base / later : 0.0,
                  later ? 100.0 * miss_single / later : 0.0,
                  later ? 100.0 * miss_worst / later : 0.0);
    }
    // 100,000 templates held as the store holds them: one byte vector each.
    std::printf("  memory of 100,000 templates: %.1f MB (payload %.1f MB + vector headers)\n",
                (100000.0 * (bytes + sizeof(std::vector<uint8_t>) + 16)) / 1e6, 100000.0 * bytes / 1e6);
  }
  std::printf("baseline loop: %.1f ms\n", baseline_ms());
  return 0;
}
