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
#include "ppvbp42/ppvbp42.h"
#include "template.h"

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

// A byte array variant over caller-owned bytes, as the controls hand templates over.
struct View {
  oa_array a{};
  oa_variant v{};
  // Points into itself: kept in reserved vectors, never moved once filled.
  View(const uint8_t *p, size_t n) {
    a.elem_kind = OA_UI1;
    a.elem_size = 1;
    a.count = uint32_t(n);
    a.data = const_cast<uint8_t *>(p);
    oa_variant_init(&v);
    v.kind = OA_ARRAY | OA_UI1;
    v.v.array = &a;
  }
};

size_t rss_bytes() {
  std::ifstream f("/proc/self/statm");
  size_t pages = 0, rss = 0;
  f >> pages >> rss;
  return rss * 4096;
}

// A gallery of `count` distinct templates: the collection's templates turned,
// shifted and jittered at the minutia level (extracting 100,000 images would
// take half an hour). A file of concatenated templates (e.g. from the
// synthetic generator) can stand in with --gallery.
std::vector<std::vector<uint8_t>> scale_gallery(const std::vector<std::vector<uint8_t>> &src, size_t count) {
  std::vector<std::vector<uint8_t>> out;
  out.reserve(count);
  uint32_t rng = 12345;
  auto next = [&] { return rng = rng * 1664525u + 1013904223u; };
  for (size_t v = 0; out.size() < count; ++v) {
    const auto &t = src[v % src.size()];
    ppvbp::Features f;
    if (!ppvbp::decode_template(t.data(), t.size(), f)) continue;
    float a = (float(next() % 41) - 20) * 0.01f, c = std::cos(a), sn = std::sin(a);
    float dx = float(next() % 25) - 12, dy = float(next() % 25) - 12, cx = f.width / 2.f, cy = f.height / 2.f;
    std::vector<ppvbp::Minutia> kept;
    for (ppvbp::Minutia m : f.minutiae) {
      if (next() % 16 == 0) continue;  // a minutia missed now and then
      float x = c * (m.x - cx) - sn * (m.y - cy) + cx + dx + float(next() % 5) - 2;
      float y = sn * (m.x - cx) + c * (m.y - cy) + cy + dy + float(next() % 5) - 2;
      if (x < 0 || y < 0 || x >= f.width || y >= f.height) continue;
      m.x = int16_t(x), m.y = int16_t(y), m.dir = uint8_t(m.dir + int(std::lround(a * 256 / 6.2831853f)));
      kept.push_back(m);
    }
    f.minutiae = kept;
    std::vector<uint8_t> bytes;
    if (ppvbp::encode_template(f, bytes, 10001)) out.push_back(std::move(bytes));
  }
  return out;
}

std::vector<std::vector<uint8_t>> read_gallery(const std::string &path) {
  std::ifstream f(path, std::ios::binary);
  std::vector<uint8_t> all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::vector<std::vector<uint8_t>> out;
  for (size_t at = 0; at + 14 <= all.size();) {
    size_t len = size_t(all[at + 2]) | (size_t(all[at + 3]) << 8);
    if (len < 14 || at + len > all.size()) break;
    out.emplace_back(all.begin() + long(at), all.begin() + long(at + len));
    at += len;
  }
  return out;
}

// One-to-many through the exported functions: the better of two full searches
// (the second runs as every later touch does, with the gallery prepared).
double search_rate(int32_t ctx, const std::vector<uint8_t> &probe, const std::vector<std::vector<uint8_t>> &gallery) {
  std::vector<View> views;
  views.reserve(gallery.size());
  for (const auto &t : gallery) views.emplace_back(t.data(), t.size());
  View p(probe.data(), probe.size());
  double best = 1e30;
  volatile long sink = 0;
  for (int rep = 0; rep < 2; ++rep) {
    auto t = Clock::now();
    if (VBPPIdentifyStart(&p.v, ctx) != VBPP_OK) return 0;
    for (View &g : views) {
      int32_t d[5] = {20, 0, 0, 0, 0};
      VBPPIdentifyNext(&g.v, d, ctx);
      sink = sink + d[1];
    }
    VBPPIdentifyEnd(ctx);
    best = std::min(best, ms_since(t));
  }
  return double(gallery.size()) / (best / 1000.0);
}

// What a time clock sees: impressions 1-3 of each finger enrolled with
// VBPPGeneralize, every later impression identified one-to-many at `threshold`.
struct Identification {
  int enrolled = 0, refused = 0, probes = 0, right = 0, wrong = 0, none = 0, stranger = 0;
};
Identification identify_all(int32_t ctx, const std::vector<std::string> &names, const std::vector<std::vector<uint8_t>> &tpls,
                            int threshold) {
  Identification r;
  std::map<std::string, std::vector<size_t>> by_finger;
  for (size_t i = 0; i < names.size(); ++i) by_finger[finger_of(names[i])].push_back(i);
  std::vector<std::string> who;
  std::vector<std::vector<uint8_t>> enrolled;
  for (auto &[finger, idx] : by_finger) {
    if (idx.size() < 4) continue;
    std::vector<View> three;
    three.reserve(3);
    for (int k = 0; k < 3; ++k) three.emplace_back(tpls[idx[size_t(k)]].data(), tpls[idx[size_t(k)]].size());
    oa_variant items[3];
    for (int k = 0; k < 3; ++k) items[k] = three[size_t(k)].v;
    oa_array list{};
    list.elem_kind = OA_VARIANT;
    list.elem_size = sizeof(oa_variant);
    list.count = 3;
    list.data = items;
    oa_variant touches;
    oa_variant_init(&touches);
    touches.kind = OA_ARRAY | OA_VARIANT;
    touches.v.array = &list;
    std::vector<uint8_t> out(10001, 0);
    View o(out.data(), out.size());
    int32_t size = 0;
    if (VBPPGeneralize(3, &touches, &o.v, &size, ctx) < 0 || size <= 0) {
      ++r.refused;
      continue;
    }
    out.resize(size_t(size));
    who.push_back(finger);
    enrolled.push_back(out);
  }
  r.enrolled = int(enrolled.size());
  std::vector<View> gallery;
  gallery.reserve(enrolled.size());
  for (const auto &t : enrolled) gallery.emplace_back(t.data(), t.size());
  for (size_t i = 0; i < names.size(); ++i) {
    std::string finger = finger_of(names[i]);
    const auto &idx = by_finger[finger];
    if (std::find(idx.begin(), idx.begin() + std::min<long>(3, long(idx.size())), i) != idx.begin() + std::min<long>(3, long(idx.size())))
      continue;  // an enrolment touch
    if (std::find(who.begin(), who.end(), finger) == who.end()) continue;
    ++r.probes;
    View p(tpls[i].data(), tpls[i].size());
    if (VBPPIdentifyStart(&p.v, ctx) != VBPP_OK) {
      ++r.none;
      continue;
    }
    int best = -1;
    size_t at = 0;
    bool stranger = false;
    for (size_t e = 0; e < gallery.size(); ++e) {
      int32_t d[5] = {20, 0, 0, 0, 0};
      VBPPIdentifyNext(&gallery[e].v, d, ctx);
      if (d[1] > best) best = d[1], at = e;
      stranger |= d[1] >= threshold && who[e] != finger;
    }
    VBPPIdentifyEnd(ctx);
    r.stranger += stranger;
    if (best < threshold) ++r.none;
    else if (who[at] == finger) ++r.right;
    else ++r.wrong;
  }
  return r;
}

// The figures of the engine before this round of work and SourceAFIS's, for the table.
struct Reference {
  const char *set;
  double eer, fnmr1, fnmr01, fmr24, fmr36, fmr48, fmr60, ident;
  int refused;
  double wrong, ext_ms, cps, bytes;
  double afis_eer, afis_fnmr1, afis_fnmr01, afis_ext_ms, afis_cps, afis_bytes;
};
const Reference kReference[] = {
    {"fvc2002-db1b", 2.15, 2.50, 4.29, 0.382, 0.000, 0.000, 0.000, 84.0, 0, 0, 15.9, 11327, 244, 3.03, 3.21, 5.71, 26, 13900, 434},
    {"fvc2004-db1b", 8.57, 16.79, 21.79, 0.208, 0.000, 0.000, 0.000, 80.0, 5, 0, 21.4, 7062, 341, 8.93, 17.50, 22.50, 32, 16100, 492},
    {"uareu-a", 0.27, 0.27, 0.71, 1.174, 0.120, 0.016, 0.004, 97.0, 0, 0, 13.3, 6756, 250, 0.38, 0.27, 1.07, 21, 14100, 431},
    {"fvc2000-db2b", 5.72, 7.50, 11.79, 0.833, 0.069, 0.000, 0.000, 84.0, 0, 0, 10.5, 8816, 222, 11.53, 14.64, 23.21, 29, 15200, 475},
    {"fvc2002-db3b", 5.35, 8.21, 10.71, 0.417, 0.000, 0.000, 0.000, 62.0, 0, 0, 9.7, 7854, 208, 11.43, 18.57, 27.50, 25, 18200, 336},
};

}  // namespace

int main(int argc, char **argv) {
  std::string dump, gallery_file;
  bool quick = false;  // accuracy only: one extraction per image, no speed loop
  std::vector<std::string> folders;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--dump" && i + 1 < argc) dump = argv[++i];
    else if (a == "--quick") quick = true;
    else if (a == "--gallery" && i + 1 < argc) gallery_file = argv[++i];
    else folders.push_back(a);
  }
  if (folders.empty()) {
    std::fprintf(stderr, "usage: bench_engine [--quick] [--dump FILE] [--gallery TEMPLATES] FOLDER...\n");
    return 2;
  }
  std::ofstream dumpf;
  if (!dump.empty()) dumpf.open(dump), dumpf << "set,probe,candidate,same,raw,score,raw_reversed\n";
  const double base_before = baseline_ms();
  std::printf("baseline loop: %.1f ms\n", base_before);
  struct Row {
    std::string set;
    double eer, fnmr1, fnmr01, fmr[4], ident, wrong, stranger, ext_ms, cps10k, cps100k, bytes, mem_mb;
    int refused, enrolled;
  };
  std::vector<Row> rows;
  VBPPInitialize();
  const int32_t ctx = VBPPCreateContext();
  std::vector<std::vector<uint8_t>> outside_gallery;
  if (!gallery_file.empty()) outside_gallery = read_gallery(gallery_file);
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
    Row row{};
    row.set = fs::path(folder).filename().string();
    row.eer = 100 * roc.eer(), row.fnmr1 = 100 * roc.fnmr_at(0.01), row.fnmr01 = 100 * roc.fnmr_at(0.001);
    for (int k = 0; k < 4; ++k) row.fmr[k] = 100 * fmr(24 + 12 * k);
    row.ext_ms = ext_total / double(n), row.bytes = bytes;
    Identification id = identify_all(ctx, names, tpls, 72);
    row.enrolled = id.enrolled, row.refused = id.refused;
    row.ident = id.probes ? 100.0 * id.right / id.probes : 0;
    row.wrong = id.wrong, row.stranger = id.stranger;
    std::printf("  identification at 72 (3-touch enrolment): %d fingers enrolled, %d refused, %d probes: %d identified, "
                "%d wrong, %d not identified, %d with a stranger at 72 or more\n",
                id.enrolled, id.refused, id.probes, id.right, id.wrong, id.none, id.stranger);
    if (!quick) {
      // A probe of a finger the gallery does not hold, as almost every comparison in a search is.
      const std::vector<std::vector<uint8_t>> &src = outside_gallery.empty() ? tpls : outside_gallery;
      std::vector<std::vector<uint8_t>> gallery;
      std::string probe_finger = finger_of(names[0]);
      std::vector<std::vector<uint8_t>> others;
      if (outside_gallery.empty()) {
        for (size_t i = 0; i < n; ++i)
          if (finger_of(names[i]) != probe_finger) others.push_back(tpls[i]);
      }
      const size_t rss0 = rss_bytes();
      gallery = outside_gallery.empty() ? scale_gallery(others, 100000) : src;
      std::vector<std::vector<uint8_t>> first(gallery.begin(), gallery.begin() + long(std::min<size_t>(10000, gallery.size())));
      row.cps10k = search_rate(ctx, tpls[0], first);
      row.cps100k = search_rate(ctx, tpls[0], gallery);
      row.mem_mb = double(rss_bytes() - std::min(rss_bytes(), rss0)) / 1e6;
      std::printf("  one-to-many through the exported functions: %.0f/s on 10,000, %.0f/s on 100,000 templates; "
                  "memory of the 100,000 (store and engine) %.1f MB\n", row.cps10k, row.cps100k, row.mem_mb);
    }
    rows.push_back(row);
    // 100,000 templates held as the store holds them: one byte vector each.
    std::printf("  memory of 100,000 templates: %.1f MB (payload %.1f MB + vector headers)\n",
                (100000.0 * (bytes + sizeof(std::vector<uint8_t>) + 16)) / 1e6, 100000.0 * bytes / 1e6);
  }
  const double base_after = baseline_ms();
  std::printf("baseline loop: %.1f ms\n", base_after);
  VBPPFreeContext(ctx);
  VBPPFinalize();
  // The table: now, the engine before this work, and SourceAFIS 3.18.
  std::printf("\n| set | | EER | FNMR@1%% | FNMR@0.1%% | FMR@24 | FMR@36 | FMR@48 | FMR@60 | identified@72 | wrong | "
              "extract ms | cmp/s 10k | cmp/s 100k | bytes | MB for 100k |\n|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
  for (const Row &r : rows) {
    std::printf("| %s | now | %.2f%% | %.2f%% | %.2f%% | %.3f%% | %.3f%% | %.3f%% | %.3f%% | %.1f%% (%d refused) | %.0f | %.1f | %.0f | %.0f | %.0f | %.1f |\n",
                r.set.c_str(), r.eer, r.fnmr1, r.fnmr01, r.fmr[0], r.fmr[1], r.fmr[2], r.fmr[3], r.ident, r.refused, r.wrong,
                r.ext_ms, r.cps10k, r.cps100k, r.bytes, r.mem_mb);
    for (const Reference &f : kReference) {
      if (r.set != f.set) continue;
      std::printf("| | before | %.2f%% | %.2f%% | %.2f%% | %.3f%% | %.3f%% | %.3f%% | %.3f%% | %.1f%% (%d refused) | %.0f | %.1f | %.0f (1:1) | | %.0f | |\n",
                  f.eer, f.fnmr1, f.fnmr01, f.fmr24, f.fmr36, f.fmr48, f.fmr60, f.ident, f.refused, f.wrong, f.ext_ms, f.cps, f.bytes);
      std::printf("| | SourceAFIS | %.2f%% | %.2f%% | %.2f%% | | | | | | | %.0f | %.0f | | %.0f | |\n", f.afis_eer, f.afis_fnmr1,
                  f.afis_fnmr01, f.afis_ext_ms, f.afis_cps, f.afis_bytes);
    }
  }
  std::printf("\nbaseline loop before/after: %.1f / %.1f ms (about 11 ms on an idle core); timings scale with it\n",
              base_before, base_after);
  return 0;
}
