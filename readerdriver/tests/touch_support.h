// Test helpers for the virtual reader: a realistic print (libfprint refuses
// captures without minutiae), the socket protocol, an 8-bit bitmap writer.
#pragma once

#include "synthetic.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace touch {

struct Print {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
};

// A synthetic print with ridges and minutiae, as a 500-dpi reader sees one.
inline Print print(unsigned seed, int width = 320, int height = 360) {
  synth::Pattern p = synth::make_pattern(seed, 14);
  p.width = width, p.height = height;
  for (auto &m : p.minutiae) m.x *= width / 320.0, m.y *= height / 320.0; // over the whole area
  return Print{width, height, synth::render(p)};
}

inline std::string socketPath(const char *name) {
  return "/tmp/tvx-" + std::string(name) + "-" + std::to_string(getpid()) + ".sock";
}

// Sends bytes to the virtual reader, waiting for its socket to appear.
inline bool sendRaw(const std::string &path, const void *data, size_t size, int waitMs = 20000) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  int fd = -1;
  for (;;) {
    fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0) break;
    close(fd);
    fd = -1;
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const char *p = static_cast<const char *>(data);
  bool ok = true;
  while (size > 0 && ok) {
    ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
    ok = n > 0;
    if (ok) p += n, size -= static_cast<size_t>(n);
  }
  shutdown(fd, SHUT_WR);
  timeval tv{2, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  char buf[16];
  while (recv(fd, buf, sizeof buf, 0) > 0) {}
  close(fd);
  return ok;
}

inline bool put(const std::string &path, const Print &pr) {
  std::vector<uint8_t> msg(8 + pr.pixels.size());
  int32_t hdr[2] = {pr.width, pr.height};
  std::memcpy(msg.data(), hdr, 8);
  std::memcpy(msg.data() + 8, pr.pixels.data(), pr.pixels.size());
  return sendRaw(path, msg.data(), msg.size());
}

inline bool command(const std::string &path, int32_t a, int32_t b = 0) {
  int32_t hdr[2] = {a, b};
  return sendRaw(path, hdr, sizeof hdr);
}

inline void writeBmp(const std::string &path, const Print &pr) {
  const int stride = (pr.width + 3) / 4 * 4;
  std::vector<uint8_t> f(1078 + static_cast<size_t>(stride) * pr.height, 0);
  auto u32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  f[0] = 'B', f[1] = 'M';
  u32(2, static_cast<uint32_t>(f.size()));
  u32(10, 1078);
  u32(14, 40);
  u32(18, static_cast<uint32_t>(pr.width));
  u32(22, static_cast<uint32_t>(pr.height));
  f[26] = 1, f[28] = 8;
  u32(46, 256);
  for (int k = 0; k < 256; ++k) f[54 + 4 * k] = f[55 + 4 * k] = f[56 + 4 * k] = static_cast<uint8_t>(k);
  for (int y = 0; y < pr.height; ++y) // bottom-up rows
    std::memcpy(&f[1078 + static_cast<size_t>(pr.height - 1 - y) * stride], &pr.pixels[static_cast<size_t>(y) * pr.width],
                static_cast<size_t>(pr.width));
  FILE *out = std::fopen(path.c_str(), "wb");
  std::fwrite(f.data(), 1, f.size(), out);
  std::fclose(out);
}

} // namespace touch
