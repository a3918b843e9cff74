// talvenox-readers: lists the fingerprint readers through Plexar and waits
// for one image from the first (or the one named), printing its size.
#include "plexar/plexar.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

std::atomic<bool> g_got{false};
std::atomic<long> g_width{0}, g_height{0};

void onImage(const char *, intptr_t a, intptr_t b, intptr_t, int32_t, int32_t) {
  g_width = static_cast<long>(a);
  g_height = static_cast<long>(b);
  g_got = true;
}

void onStatus(const char *, int32_t status, int32_t) {
  std::printf("%s\n", status == 1 ? "finger on" : "finger off");
  std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv) {
  int seconds = 30;
  bool listOnly = false;
  std::string chosen;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--wait" && i + 1 < argc) seconds = std::atoi(argv[++i]);
    else if (a == "--list") listOnly = true;
    else if (a[0] != '-') chosen = a;
    else {
      std::fprintf(stderr, "usage: talvenox-readers [--list] [--wait SECONDS] [READER-ID]\n");
      return 2;
    }
  }
  if (PXInitialize() < 0) {
    std::fprintf(stderr, "talvenox-readers: the scanner layer did not start\n");
    return 1;
  }
  int n = PXGetScannerCount();
  if (n < 0) {
    std::fprintf(stderr, "talvenox-readers: the scanner layer failed to list readers\n");
    PXFinalize();
    return 1;
  }
  std::printf("%d reader%s\n", n, n == 1 ? "" : "s");
  for (int i = 0; i < n; ++i) {
    char id[256] = "";
    if (PXGetScannerId(i, id, sizeof id) > 0) {
      std::printf("  %s\n", id);
      if (chosen.empty()) chosen = id;
    }
  }
  if (listOnly || n == 0) {
    PXFinalize();
    return n == 0 && !listOnly ? 1 : 0;
  }
  if (PXStartCapturing(chosen.c_str(), &onImage, &onStatus, 0) != 0) {
    std::fprintf(stderr, "talvenox-readers: cannot capture from %s (in use by another program?)\n", chosen.c_str());
    PXFinalize();
    return 1;
  }
  std::printf("touch the reader...\n");
  std::fflush(stdout);
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!g_got && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  PXStopCapturing(nullptr);
  PXFinalize();
  if (!g_got) {
    std::printf("no image within %d s\n", seconds);
    return 1;
  }
  std::printf("image %ldx%ld\n", g_width.load(), g_height.load());
  return 0;
}
