// talvenox-touch: puts a grey image on libfprint's virtual reader, or unplugs
// and plugs it back in.
#include "vistrel/vistrel.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: talvenox-touch [--socket PATH] [--wait SECONDS] IMAGE\n"
               "       talvenox-touch [--socket PATH] --unplug | --replug | --retry\n"
               "IMAGE is a raw grey .dat, a .bmp or a .tif file. PATH defaults to $FP_VIRTUAL_IMAGE,\n"
               "the socket of the virtual reader; it appears once a program opens the reader.\n");
  return 2;
}

int connectTo(const std::string &path, int waitSeconds) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return -1;
  std::strcpy(addr.sun_path, path.c_str());
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
  for (;;) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0) return fd;
    if (fd >= 0) close(fd);
    if (std::chrono::steady_clock::now() >= until) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

bool sendAll(int fd, const void *data, size_t size) {
  const char *p = static_cast<const char *>(data);
  while (size > 0) {
    ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Lets the reader read everything before the connection goes.
void finish(int fd) {
  shutdown(fd, SHUT_WR);
  timeval tv{2, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  char buf[64];
  while (recv(fd, buf, sizeof buf, 0) > 0) {}
  close(fd);
}

} // namespace

int main(int argc, char **argv) {
  std::string socketPath = std::getenv("FP_VIRTUAL_IMAGE") ? std::getenv("FP_VIRTUAL_IMAGE") : "";
  std::string image;
  int waitSeconds = 20;
  int32_t command = 0; // 0: an image
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--socket" && i + 1 < argc) socketPath = argv[++i];
    else if (a == "--wait" && i + 1 < argc) waitSeconds = std::atoi(argv[++i]);
    else if (a == "--unplug") command = -5;
    else if (a == "--replug") command = -6;
    else if (a == "--retry") command = -1;
    else if (!a.empty() && a[0] == '-') return usage();
    else image = a;
  }
  if (socketPath.empty() || (command == 0 && image.empty())) return usage();

  std::vector<uint8_t> message;
  int32_t header[2] = {command, 0};
  if (command == 0) {
    int32_t w = 0, h = 0;
    oa_variant v;
    oa_variant_init(&v);
    if (VBLoadImageFromFile(image.c_str(), &w, &h, &v) != 0 || w <= 0 || h <= 0) {
      std::fprintf(stderr, "talvenox-touch: cannot read %s as a grey image (.dat, .bmp, .tif)\n", image.c_str());
      return 1;
    }
    if (w > 5000 || h > 5000) {
      std::fprintf(stderr, "talvenox-touch: %s is %dx%d; the virtual reader takes at most 5000x5000\n",
                   image.c_str(), w, h);
      oa_variant_clear(&v);
      return 1;
    }
    oa_array *a = oa_variant_array(&v, OA_UI1);
    header[0] = w, header[1] = h;
    message.assign(reinterpret_cast<uint8_t *>(header), reinterpret_cast<uint8_t *>(header) + 8);
    message.insert(message.end(), static_cast<uint8_t *>(a->data),
                   static_cast<uint8_t *>(a->data) + static_cast<size_t>(w) * static_cast<size_t>(h));
    oa_variant_clear(&v);
  } else {
    message.assign(reinterpret_cast<uint8_t *>(header), reinterpret_cast<uint8_t *>(header) + 8);
  }
  int fd = connectTo(socketPath, waitSeconds);
  if (fd < 0) {
    std::fprintf(stderr, "talvenox-touch: no virtual reader at %s (%s)\n", socketPath.c_str(), std::strerror(errno));
    return 1;
  }
  bool ok = sendAll(fd, message.data(), message.size());
  finish(fd);
  if (!ok) {
    std::fprintf(stderr, "talvenox-touch: the virtual reader closed the connection\n");
    return 1;
  }
  if (command == 0) std::printf("%d %d\n", header[0], header[1]);
  return 0;
}
