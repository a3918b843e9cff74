// The FT_* functions: a thin client of the libfprint helper process.
#include "dpfpfns/dpfpfns.h"
#include "wire.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <dlfcn.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Device {
  uint64_t handle;
  std::string guid, driver, name;
};

struct Touch {
  int32_t width, height, dpi;
  std::vector<uint8_t> pixels;
  Clock::time_point when;
};

struct Context {
  uint64_t handle = 0;     // 0: not connected
  std::string guid;        // the reader, kept across unplugging
  bool present = false;    // the reader is attached
  int openResult = -1;     // reply of the helper to kOpen, -1 while waiting
  FT_UI_LINK link{};
  void *object = nullptr;
  bool linked = false;
  std::deque<Touch> touches;
  std::deque<int32_t> notices; // UI link notice codes to deliver
  int32_t lastWidth = 0, lastHeight = 0, lastDpi = 500;
};

std::mutex g_mutex;
std::condition_variable g_changed;
bool g_started = false;
int g_fd = -1;
pid_t g_child = -1;
std::thread g_reader;
std::vector<Device> g_devices;
std::map<int32_t, Context> g_contexts;
int32_t g_nextContext = 1;
FT_PnpNotice g_pnp = nullptr;
void *g_pnpContext = nullptr;
std::mutex g_sendMutex;

void sendToHost(uint32_t type, uint64_t handle) {
  std::lock_guard<std::mutex> lock(g_sendMutex);
  if (g_fd >= 0) wire::send(g_fd, type, &handle, 8);
}

void notifyPnp(int32_t type, uint64_t handle) {
  FT_PnpNotice fn;
  void *ctx;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    fn = g_pnp;
    ctx = g_pnpContext;
  }
  if (!fn) return;
  uint8_t record[16] = {};
  std::memcpy(record, &type, 4);
  std::memcpy(record + 8, &handle, 8);
  fn(record, ctx);
}

void readerLoop(int fd) {
  uint32_t type;
  std::vector<uint8_t> p;
  while (wire::receive(fd, type, p)) {
    uint64_t handle = 0;
    if (p.size() >= 8) std::memcpy(&handle, p.data(), 8);
    int32_t code = 0;
    if (p.size() >= 12) std::memcpy(&code, p.data() + 8, 4);
    std::unique_lock<std::mutex> lock(g_mutex);
    switch (type) {
    case wire::kReady:
      g_started = true;
      break;
    case wire::kAdded: {
      if (p.size() < sizeof(wire::Device)) break;
      wire::Device rec;
      std::memcpy(&rec, p.data(), sizeof rec);
      rec.guid[sizeof rec.guid - 1] = rec.driver[sizeof rec.driver - 1] = rec.name[sizeof rec.name - 1] = 0;
      g_devices.push_back(Device{rec.handle, rec.guid, rec.driver, rec.name});
      // A context whose reader comes back is bound to it again.
      for (auto &[id, c] : g_contexts) {
        if (!c.present && !c.guid.empty() && c.guid == rec.guid) {
          c.handle = rec.handle;
          c.present = true;
          c.notices.push_back(0);
          lock.unlock();
          sendToHost(wire::kOpen, rec.handle);
          lock.lock();
        }
      }
      lock.unlock();
      notifyPnp(0, rec.handle);
      continue;
    }
    case wire::kRemoved:
      for (auto &[id, c] : g_contexts)
        if (c.handle == handle && c.present) {
          c.present = false;
          c.touches.clear();
          c.notices.push_back(1);
        }
      lock.unlock();
      notifyPnp(1, handle); // the list still has it, so the receiver can name it
      lock.lock();
      std::erase_if(g_devices, [&](const Device &d) { return d.handle == handle; });
      break;
    case wire::kOpened:
      for (auto &[id, c] : g_contexts)
        if (c.handle == handle && c.openResult < 0) c.openResult = code;
      break;
    case wire::kImage: {
      if (p.size() < 20) break;
      int32_t w, h, dpi;
      std::memcpy(&w, p.data() + 8, 4);
      std::memcpy(&h, p.data() + 12, 4);
      std::memcpy(&dpi, p.data() + 16, 4);
      if (w <= 0 || h <= 0 || p.size() - 20 != static_cast<size_t>(w) * static_cast<size_t>(h)) break;
      for (auto &[id, c] : g_contexts) {
        if (c.handle != handle || !c.present) continue;
        if (c.touches.size() >= 4) c.touches.pop_front(); // a reader nobody reads keeps the latest
        c.touches.push_back(Touch{w, h, dpi, std::vector<uint8_t>(p.begin() + 20, p.end()), Clock::now()});
      }
      break;
    }
    case wire::kRetry:
      for (auto &[id, c] : g_contexts)
        if (c.handle == handle) c.notices.push_back(8);
      break;
    case wire::kFinger:
      for (auto &[id, c] : g_contexts)
        if (c.handle == handle) c.notices.push_back(code ? 2 : 3);
      break;
    default:
      break;
    }
    g_changed.notify_all();
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  g_started = false; // the helper is gone: no devices any more
  g_devices.clear();
  for (auto &[id, c] : g_contexts) c.present = false;
  g_changed.notify_all();
}

std::string hostPath(std::string &library) {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void *>(&FT_init), &info) || !info.dli_fname) return {};
  library = info.dli_fname;
  std::string dir = library.substr(0, library.rfind('/') + 1);
  for (const char *rel : {"dpfp-host", "../dpfp-host", "../libexec/talvenox/dpfp-host"})
    if (access((dir + rel).c_str(), X_OK) == 0) return dir + rel;
  return {};
}

Context *contextOf(int32_t id) {
  auto it = g_contexts.find(id);
  return it == g_contexts.end() ? nullptr : &it->second;
}

} // namespace

extern "C" {

int32_t FT_getVersionInfo(int32_t record[4]) {
  if (!record) return FT_ERR_BAD_PARAMETER;
  record[0] = 1, record[1] = 2, record[2] = 0, record[3] = 94;
  return FT_OK;
}

int32_t FT_getVersion(int32_t words[3]) {
  if (!words) return FT_ERR_BAD_PARAMETER;
  words[0] = 1, words[1] = 2, words[2] = 94;
  return FT_OK;
}

int32_t FT_init(void) {
  std::unique_lock<std::mutex> lock(g_mutex);
  if (g_fd >= 0) return FT_OK;
  std::string library;
  std::string host = hostPath(library);
  if (host.empty()) return FT_ERR_NOT_INITIALIZED;
  int sv[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) return FT_ERR_IO;
  // The helper's end is the only descriptor it inherits.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, sv[1], 3);
  std::string fdText = "3";
  char *argv[] = {host.data(), library.data(), fdText.data(), nullptr};
  pid_t pid = -1;
  int rc = posix_spawn(&pid, host.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(sv[1]);
  if (rc != 0) {
    close(sv[0]);
    return FT_ERR_IO;
  }
  g_fd = sv[0];
  g_child = pid;
  g_reader = std::thread(readerLoop, g_fd);
  if (!g_changed.wait_for(lock, std::chrono::seconds(20), [] { return g_started; })) {
    lock.unlock();
    FT_terminate();
    return FT_ERR_TIMEOUT;
  }
  return FT_OK;
}

int32_t FT_terminate(void) {
  std::thread reader;
  pid_t child;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_fd < 0) return FT_OK;
    shutdown(g_fd, SHUT_RDWR);
    reader = std::move(g_reader);
    child = g_child;
  }
  if (reader.joinable()) reader.join();
  std::lock_guard<std::mutex> lock(g_mutex);
  close(g_fd);
  g_fd = -1;
  if (child > 0) {
    int status;
    for (int i = 0; i < 100 && waitpid(child, &status, WNOHANG) == 0; ++i) usleep(20000);
    if (waitpid(child, &status, WNOHANG) == 0) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
    }
  }
  g_child = -1;
  g_started = false;
  g_devices.clear();
  g_contexts.clear();
  g_pnp = nullptr;
  return FT_OK;
}

int32_t FT_createContext(int32_t *context) {
  if (!context) return FT_ERR_BAD_PARAMETER;
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_started) return FT_ERR_NOT_INITIALIZED;
  int32_t id = g_nextContext++;
  g_contexts[id];
  *context = id;
  return FT_OK;
}

int32_t FT_closeContext(int32_t context) {
  uint64_t handle = 0;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    Context *c = contextOf(context);
    if (!c) return FT_ERR_INVALID_CONTEXT;
    handle = c->present ? c->handle : 0;
    g_contexts.erase(context);
  }
  if (handle) sendToHost(wire::kClose, handle);
  return FT_OK;
}

int32_t FT_getSettings(int32_t, void *settings, int32_t size) {
  if (settings && size > 0) std::memset(settings, 0, static_cast<size_t>(size));
  return FT_OK;
}

int32_t FT_setupPlugAndPlayMonitor(FT_PnpNotice notice, void *context) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_pnp = notice;
  g_pnpContext = context;
  return FT_OK;
}

int32_t FT_setupUIlink(int32_t context, const FT_UI_LINK *link, void *object) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Context *c = contextOf(context);
  if (!c) return FT_ERR_INVALID_CONTEXT;
  if (!link) {
    c->linked = false;
    return FT_OK;
  }
  if (!link->notice || !link->lock || !link->unlock) return FT_ERR_BAD_PARAMETER;
  c->link = *link;
  c->object = object;
  c->linked = true;
  return FT_OK;
}

int32_t FT_setSecurityLevel(int32_t, int32_t) { return FT_OK; }
int32_t FT_getSecurityLevel(int32_t, int32_t *level) {
  if (!level) return FT_ERR_BAD_PARAMETER;
  *level = 0;
  return FT_OK;
}
int32_t FT_startMonitoringDevice(int32_t) { return FT_OK; }

int32_t FT_getNumDevices(int32_t *count) {
  if (!count) return FT_ERR_BAD_PARAMETER;
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_started) return FT_ERR_NOT_INITIALIZED;
  *count = static_cast<int32_t>(g_devices.size());
  return FT_OK;
}

int32_t FT_getDeviceList(int32_t count, void *entries) {
  if (!entries || count < 0) return FT_ERR_BAD_PARAMETER;
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_started) return FT_ERR_NOT_INITIALIZED;
  if (static_cast<size_t>(count) < g_devices.size()) return FT_ERR_LENGTH_TOO_SMALL;
  auto *bytes = static_cast<uint8_t *>(entries);
  std::memset(bytes, 0, static_cast<size_t>(count) * FT_DEVICE_LIST_ENTRY_SIZE);
  for (size_t i = 0; i < g_devices.size(); ++i) {
    uint8_t *e = bytes + i * FT_DEVICE_LIST_ENTRY_SIZE;
    int32_t size = FT_DEVICE_LIST_ENTRY_SIZE;
    std::memcpy(e, &size, 4);
    std::memcpy(e + 8, &g_devices[i].handle, 8);
    std::snprintf(reinterpret_cast<char *>(e + 16), 96, "%s", g_devices[i].name.c_str());
  }
  return FT_OK;
}

int32_t FT_getDeviceInfo(uint64_t device, void *record) {
  if (!record) return FT_ERR_BAD_PARAMETER;
  auto *bytes = static_cast<uint8_t *>(record);
  int32_t size;
  std::memcpy(&size, bytes, 4);
  if (size < FT_DEVICE_INFO_SIZE) return FT_ERR_LENGTH_TOO_SMALL;
  std::lock_guard<std::mutex> lock(g_mutex);
  for (const Device &d : g_devices) {
    if (d.handle != device) continue;
    std::memcpy(bytes + 8, &d.handle, 8);
    std::snprintf(reinterpret_cast<char *>(bytes + 16), 32, "%s", d.driver.c_str());
    std::snprintf(reinterpret_cast<char *>(bytes + 48), 96, "%s", d.name.c_str());
    char16_t *guid = reinterpret_cast<char16_t *>(bytes + 284);
    size_t n = std::min<size_t>(d.guid.size(), 38);
    for (size_t i = 0; i < n; ++i) guid[i] = static_cast<char16_t>(d.guid[i]);
    guid[n] = 0;
    return FT_OK;
  }
  return FT_ERR_UNKNOWN_DEVICE;
}

int32_t FT_connectDevice(int32_t context, uint64_t device, int32_t) {
  std::unique_lock<std::mutex> lock(g_mutex);
  Context *c = contextOf(context);
  if (!c) return FT_ERR_INVALID_CONTEXT;
  if (c->handle) return FT_ERR_ALREADY_CONNECTED;
  const Device *found = nullptr;
  for (const Device &d : g_devices)
    if (d.handle == device) found = &d;
  if (!found) return FT_ERR_UNKNOWN_DEVICE;
  c->handle = device;
  c->guid = found->guid;
  c->present = true;
  c->openResult = -1;
  lock.unlock();
  sendToHost(wire::kOpen, device);
  lock.lock();
  c = contextOf(context);
  if (!c) return FT_ERR_INVALID_CONTEXT;
  g_changed.wait_for(lock, std::chrono::seconds(10), [&] {
    Context *cc = contextOf(context);
    return !cc || cc->openResult >= 0 || !g_started;
  });
  c = contextOf(context);
  if (!c) return FT_ERR_INVALID_CONTEXT;
  int rc = c->openResult < 0 ? FT_ERR_TIMEOUT : c->openResult;
  if (rc != 0) {
    c->handle = 0;
    c->present = false;
  }
  return rc;
}

int32_t FT_disconnectDevice(int32_t context) {
  uint64_t handle;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    Context *c = contextOf(context);
    if (!c) return FT_ERR_INVALID_CONTEXT;
    if (!c->handle) return FT_ERR_NO_DEVICE_CONNECTED;
    handle = c->present ? c->handle : 0;
    c->handle = 0;
    c->present = false;
    c->guid.clear();
    c->touches.clear();
  }
  if (handle) sendToHost(wire::kClose, handle);
  return FT_OK;
}

int32_t FT_getConnectedDeviceInfo(int32_t context, void *record) {
  if (!record) return FT_ERR_BAD_PARAMETER;
  std::lock_guard<std::mutex> lock(g_mutex);
  Context *c = contextOf(context);
  if (!c) return FT_ERR_INVALID_CONTEXT;
  if (!c->handle) return FT_ERR_NO_DEVICE_CONNECTED;
  auto *bytes = static_cast<uint8_t *>(record);
  std::memset(bytes, 0, FT_CONNECTED_INFO_SIZE);
  std::memcpy(bytes + 8, &c->handle, 8);
  int32_t zero = 0;
  std::memcpy(bytes + 156, &c->lastDpi, 4);
  std::memcpy(bytes + 160, &c->lastWidth, 4);
  std::memcpy(bytes + 164, &c->lastHeight, 4);
  std::memcpy(bytes + 168, &zero, 4);
  return FT_OK;
}

int32_t FT_flushFpImages(int32_t context) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Context *c = contextOf(context);
  if (!c) return FT_ERR_INVALID_CONTEXT;
  auto stale = Clock::now() - std::chrono::milliseconds(500);
  while (!c->touches.empty() && c->touches.front().when < stale) c->touches.pop_front();
  return FT_OK;
}

int32_t FT_acquireImage(int32_t context, int32_t, int32_t size, uint8_t *buffer, int32_t *word, int32_t *flag) {
  if (!buffer || !word || !flag || size < 16) return FT_ERR_BAD_PARAMETER;
  *flag = 1;
  *word = 0;
  std::unique_lock<std::mutex> lock(g_mutex);
  Context *c = contextOf(context);
  if (!c) return FT_ERR_INVALID_CONTEXT;
  if (!c->handle) return FT_ERR_NO_DEVICE_CONNECTED;
  if (!c->linked) return FT_ERR_UI_LINK;
  int32_t waitMs = c->link.wait_ms > 0 ? c->link.wait_ms : 200;
  g_changed.wait_for(lock, std::chrono::milliseconds(waitMs), [&] {
    Context *cc = contextOf(context);
    return !cc || !cc->touches.empty() || !cc->notices.empty();
  });
  c = contextOf(context);
  if (!c) return FT_ERR_INVALID_CONTEXT;
  FT_UI_LINK link = c->link;
  void *object = c->object;
  std::deque<int32_t> notices;
  notices.swap(c->notices);
  bool present = c->present;
  Touch touch{};
  bool have = !c->touches.empty();
  if (have) {
    touch = std::move(c->touches.front());
    c->touches.pop_front();
  }
  lock.unlock();
  // The UI link runs without our lock: its functions wait on the caller's events.
  for (int32_t code : notices) link.notice(&code, object);
  if (!present) return FT_ERR_NO_DEVICE_CONNECTED;
  if (!have) return FT_OK;
  size_t bytes = static_cast<size_t>(touch.width) * static_cast<size_t>(touch.height);
  if (bytes + 16 > static_cast<size_t>(size) || bytes + 16 > FT_ACQUIRE_BUFFER_SIZE) return FT_OK; // too big a frame
  int32_t header[4] = {touch.width, touch.height, touch.dpi, 0};
  std::memcpy(buffer, header, 16);
  std::memcpy(buffer + 16, touch.pixels.data(), bytes);
  *word = static_cast<int32_t>(bytes + 16);
  int32_t coming = 5;
  link.notice(&coming, object);
  void *target = link.lock(0, object);
  if (target) std::memcpy(target, touch.pixels.data(), bytes);
  link.unlock(0, object);
  {
    std::lock_guard<std::mutex> again(g_mutex);
    if (Context *cc = contextOf(context)) {
      cc->lastWidth = touch.width;
      cc->lastHeight = touch.height;
      cc->lastDpi = touch.dpi;
    }
  }
  *flag = 0;
  return FT_OK;
}

int32_t FT_getImagePixels(const uint8_t *buffer, int32_t count, uint8_t *pixels) {
  if (!buffer || !pixels || count <= 0) return FT_ERR_BAD_PARAMETER;
  int32_t header[4];
  std::memcpy(header, buffer, 16);
  if (header[0] <= 0 || header[1] <= 0 || static_cast<int64_t>(header[0]) * header[1] != count ||
      count + 16 > FT_ACQUIRE_BUFFER_SIZE)
    return FT_ERR_INVALID_BUFFER;
  std::memcpy(pixels, buffer + 16, static_cast<size_t>(count));
  return FT_OK;
}

} // extern "C"
