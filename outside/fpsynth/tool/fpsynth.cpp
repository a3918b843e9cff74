// fpsynth: writes a collection of synthetic prints, FINGER_n.EXT, fingers
// FIRST.. and impressions 1..M, in the naming the engine's tool scores.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "fpsynth/fpsynth.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: fpsynth [options] FOLDER\n"
               "  --fingers N       fingers to draw (10)\n"
               "  --first F         id of the first finger (1)\n"
               "  --impressions M   touches per finger, numbered 1..M (8)\n"
               "  --size WxH        image size in pixels at 500 dpi (326x357)\n"
               "  --format EXT      tif, bmp or raw (tif)\n"
               "  --still           centred touches without distortion or partial contact\n"
               "  --clean           no sensor noise, dust or background texture\n");
  return 2;
}

bool number(const char *s, long lo, long hi, long &out) {
  char *end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (!*s || *end || v < lo || v > hi) return false;
  out = v;
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  long fingers = 10, first = 1, impressions = 8, width = 326, height = 357;
  std::string format = "tif", folder;
  fpsynth::ImpressionOptions io;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool has = i + 1 < argc;
    if (a == "--fingers" && has) {
      if (!number(argv[++i], 1, 10000000, fingers)) return usage();
    } else if (a == "--first" && has) {
      if (!number(argv[++i], 0, 4000000000L, first)) return usage();
    } else if (a == "--impressions" && has) {
      if (!number(argv[++i], 1, 1000, impressions)) return usage();
    } else if (a == "--size" && has) {
      std::string s = argv[++i];
      size_t x = s.find('x');
      if (x == std::string::npos || !number(s.substr(0, x).c_str(), 32, 2048, width) ||
          !number(s.substr(x + 1).c_str(), 32, 2048, height))
        return usage();
    } else if (a == "--format" && has) {
      format = argv[++i];
      if (format != "tif" && format != "bmp" && format != "raw") return usage();
    } else if (a == "--still") {
      io.variation = 0;
      io.partial_contact = false;
    } else if (a == "--clean") {
      io.noise = false;
    } else if (!a.empty() && a[0] != '-' && folder.empty()) {
      folder = a;
    } else {
      return usage();
    }
  }
  if (folder.empty()) return usage();
  if (first + fingers - 1 > 4294967295L) return usage();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    std::fprintf(stderr, "fpsynth: cannot create %s: %s\n", folder.c_str(), ec.message().c_str());
    return 1;
  }
  io.width = int(width);
  io.height = int(height);
  auto start = std::chrono::steady_clock::now();
  for (long f = first; f < first + fingers; ++f) {
    fpsynth::Master m = fpsynth::make_master(uint32_t(f));
    for (long n = 1; n <= impressions; ++n) {
      char name[64];
      std::snprintf(name, sizeof name, "%05ld_%ld.%s", f, n, format.c_str());
      std::string path = (std::filesystem::path(folder) / name).string(), err;
      if (!fpsynth::write_image(path, fpsynth::impress(m, uint32_t(n), io).image, err)) {
        std::fprintf(stderr, "fpsynth: %s\n", err.c_str());
        return 1;
      }
    }
  }
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "fpsynth: %ld prints in %.2f s\n", fingers * impressions, s);
  return 0;
}
