// Messages between the library and its libfprint helper process, over a
// stream socket: a header {type, payload length} and the payload.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace wire {

enum Type : uint32_t {
  // helper -> library
  kReady = 1,    // enumeration done
  kAdded = 2,    // Device
  kRemoved = 3,  // handle
  kOpened = 4,   // handle, int32 vendor code
  kImage = 5,    // handle, int32 width, height, dpi, pixels
  kRetry = 6,    // handle, int32 libfprint retry code
  kFinger = 7,   // handle, int32 on
  kFailure = 8,  // handle, int32 libfprint error code
  // library -> helper
  kOpen = 20,    // handle
  kClose = 21,   // handle
};

struct Header {
  uint32_t type;
  uint32_t length;
};

struct Device {
  uint64_t handle;
  char guid[40];   // "{xxxxxxxx-...}" and a zero
  char driver[32];
  char name[96];
};

inline constexpr uint32_t kMaxPayload = 5000u * 5000u + 64u;

inline bool writeAll(int fd, const void *data, size_t size) {
  const char *p = static_cast<const char *>(data);
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

inline bool readAll(int fd, void *data, size_t size) {
  char *p = static_cast<char *>(data);
  while (size > 0) {
    ssize_t n = ::read(fd, p, size);
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

inline bool send(int fd, uint32_t type, const void *payload, uint32_t length) {
  Header h{type, length};
  std::vector<char> all(sizeof h + length);
  std::memcpy(all.data(), &h, sizeof h);
  if (length) std::memcpy(all.data() + sizeof h, payload, length);
  return writeAll(fd, all.data(), all.size());
}

inline bool receive(int fd, uint32_t &type, std::vector<uint8_t> &payload) {
  Header h{};
  if (!readAll(fd, &h, sizeof h) || h.length > kMaxPayload) return false;
  payload.resize(h.length);
  type = h.type;
  return h.length == 0 || readAll(fd, payload.data(), h.length);
}

} // namespace wire
