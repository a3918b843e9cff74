// A recording fake of the vendor library, for what libfprint cannot be made
// to do: vendor error codes, wide raw frames, GUIDs in braces, missing
// functions. Tests steer it through the fake_* functions.
#include "dpfpfns/dpfpfns.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#define FAKE extern "C" __attribute__((visibility("default")))

namespace {
struct Device {
  uint64_t handle;
  std::string guid;
};
std::recursive_mutex g_mutex;
std::vector<Device> g_devices;
std::map<std::string, int32_t> g_codes;
std::vector<std::string> g_calls;
FT_PnpNotice g_pnp = nullptr;
void *g_pnpContext = nullptr;
struct Ctx {
  uint64_t device = 0;
  FT_UI_LINK link{};
  void *object = nullptr;
};
std::map<int32_t, Ctx> g_contexts;
int32_t g_next = 1;
int32_t g_width = 326, g_height = 357, g_dpi = 500, g_turned = 0;
std::vector<uint8_t> g_frame;
bool g_touch = false;
std::vector<int32_t> g_notices;
int32_t g_lastAcquireSize = 0;

int32_t record(const char *name) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  g_calls.push_back(name);
  auto it = g_codes.find(name);
  return it == g_codes.end() ? 0 : it->second;
}
} // namespace

// ---- steering ----
FAKE void fake_reset() {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  g_codes.clear();
  g_calls.clear();
  g_touch = false;
  g_notices.clear();
  g_width = 326, g_height = 357, g_dpi = 500, g_turned = 0;
}
FAKE void fake_add_device(uint64_t handle, const char *guid) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  g_devices.push_back({handle, guid});
}
FAKE void fake_remove_device(uint64_t handle) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  std::erase_if(g_devices, [&](const Device &d) { return d.handle == handle; });
}
FAKE void fake_clear_devices() {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  g_devices.clear();
}
FAKE void fake_fail(const char *function, int32_t code) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  g_codes[function] = code;
}
FAKE void fake_frame(int32_t width, int32_t height, int32_t dpi, int32_t turned) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  g_width = width, g_height = height, g_dpi = dpi, g_turned = turned;
}
// The next acquisition delivers these width x height pixels.
FAKE void fake_touch(const uint8_t *pixels, size_t size) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  g_frame.assign(pixels, pixels + size);
  g_touch = true;
}
FAKE void fake_notice(int32_t code) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  g_notices.push_back(code);
}
FAKE void fake_pnp(int32_t type, uint64_t handle) {
  FT_PnpNotice fn;
  void *ctx;
  {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    fn = g_pnp;
    ctx = g_pnpContext;
  }
  uint8_t record16[16] = {};
  std::memcpy(record16, &type, 4);
  std::memcpy(record16 + 8, &handle, 8);
  if (fn) fn(record16, ctx);
}
FAKE int fake_count(const char *function) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  int n = 0;
  for (auto &c : g_calls) n += c == function;
  return n;
}
FAKE int32_t fake_last_acquire_size() { return g_lastAcquireSize; }

// ---- vendor functions ----
FAKE int32_t FT_getVersionInfo(int32_t record4[4]) {
  record4[0] = 1, record4[1] = 2, record4[2] = 0, record4[3] = 1;
  return record("FT_getVersionInfo");
}
FAKE int32_t FT_getVersion(int32_t w[3]) {
  w[0] = 1, w[1] = 2, w[2] = 1;
  return record("FT_getVersion");
}
FAKE int32_t FT_init(void) {
  if (const char *c = std::getenv("FAKE_INIT_CODE")) return std::atoi(c);
  return record("FT_init");
}
FAKE int32_t FT_terminate(void) { return record("FT_terminate"); }
FAKE int32_t FT_createContext(int32_t *context) {
  if (int32_t rc = record("FT_createContext")) return rc;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  *context = g_next++;
  g_contexts[*context];
  return 0;
}
FAKE int32_t FT_closeContext(int32_t context) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  g_contexts.erase(context);
  return record("FT_closeContext");
}
FAKE int32_t FT_getSettings(int32_t, void *, int32_t) { return record("FT_getSettings"); }
FAKE int32_t FT_setupPlugAndPlayMonitor(FT_PnpNotice notice, void *context) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  g_pnp = notice;
  g_pnpContext = context;
  return record("FT_setupPlugAndPlayMonitor");
}
FAKE int32_t FT_setupUIlink(int32_t context, const FT_UI_LINK *link, void *object) {
  if (int32_t rc = record("FT_setupUIlink")) return rc;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  g_contexts[context].link = *link;
  g_contexts[context].object = object;
  return 0;
}
FAKE int32_t FT_setSecurityLevel(int32_t, int32_t) { return record("FT_setSecurityLevel"); }
FAKE int32_t FT_getSecurityLevel(int32_t, int32_t *) { return record("FT_getSecurityLevel"); }
FAKE int32_t FT_getNumDevices(int32_t *count) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  *count = static_cast<int32_t>(g_devices.size());
  return record("FT_getNumDevices");
}
FAKE int32_t FT_getDeviceList(int32_t count, void *entries) {
  if (int32_t rc = record("FT_getDeviceList")) return rc;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  for (int32_t i = 0; i < count && i < static_cast<int32_t>(g_devices.size()); ++i)
    std::memcpy(static_cast<uint8_t *>(entries) + i * FT_DEVICE_LIST_ENTRY_SIZE + 8, &g_devices[i].handle, 8);
  return 0;
}
FAKE int32_t FT_getDeviceInfo(uint64_t device, void *rec) {
  if (int32_t rc = record("FT_getDeviceInfo")) return rc;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  for (auto &d : g_devices) {
    if (d.handle != device) continue;
    auto *g = reinterpret_cast<char16_t *>(static_cast<uint8_t *>(rec) + 284);
    for (size_t i = 0; i < d.guid.size(); ++i) g[i] = static_cast<char16_t>(d.guid[i]);
    g[d.guid.size()] = 0;
    return 0;
  }
  return FT_ERR_UNKNOWN_DEVICE;
}
FAKE int32_t FT_getConnectedDeviceInfo(int32_t, void *rec) {
  if (int32_t rc = record("FT_getConnectedDeviceInfo")) return rc;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  auto *b = static_cast<uint8_t *>(rec);
  int32_t w = g_turned ? g_height : g_width, h = g_turned ? g_width : g_height;
  std::memcpy(b + 156, &g_dpi, 4);
  std::memcpy(b + 160, &w, 4);
  std::memcpy(b + 164, &h, 4);
  std::memcpy(b + 168, &g_turned, 4);
  return 0;
}
#ifndef FAKE_WITHOUT_CONNECT
FAKE int32_t FT_connectDevice(int32_t context, uint64_t device, int32_t mode) {
  if (mode != 2) return FT_ERR_BAD_PARAMETER;
  if (int32_t rc = record("FT_connectDevice")) return rc;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  g_contexts[context].device = device;
  return 0;
}
#endif
FAKE int32_t FT_disconnectDevice(int32_t) { return record("FT_disconnectDevice"); }
FAKE int32_t FT_startMonitoringDevice(int32_t) { return record("FT_startMonitoringDevice"); }
FAKE int32_t FT_flushFpImages(int32_t) { return record("FT_flushFpImages"); }
FAKE int32_t FT_acquireImage(int32_t context, int32_t, int32_t size, uint8_t *buffer, int32_t *word, int32_t *flag) {
  *flag = 1;
  g_lastAcquireSize = size;
  if (int32_t rc = record("FT_acquireImage")) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return rc;
  }
  std::unique_lock<std::recursive_mutex> lock(g_mutex);
  Ctx c = g_contexts[context];
  std::vector<int32_t> notices;
  notices.swap(g_notices);
  bool touch = g_touch;
  g_touch = false;
  std::vector<uint8_t> frame = g_frame;
  bool raw = g_width >= 500 && g_dpi != 500;
  lock.unlock();
  for (int32_t code : notices) c.link.notice(&code, c.object);
  if (!touch) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return 0;
  }
  int32_t coming = 5;
  c.link.notice(&coming, c.object);
  if (!raw) {
    void *target = c.link.lock(0, c.object);
    std::memcpy(target, frame.data(), frame.size());
    c.link.unlock(0, c.object);
  }
  std::memcpy(buffer, "FAKEFRAME", 9);
  *word = 9;
  *flag = 0;
  return 0;
}
#ifndef FAKE_WITHOUT_PIXELS
FAKE int32_t FT_getImagePixels(const uint8_t *buffer, int32_t count, uint8_t *pixels) {
  if (int32_t rc = record("FT_getImagePixels")) return rc;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  if (std::memcmp(buffer, "FAKEFRAME", 9) != 0 || static_cast<size_t>(count) != g_frame.size())
    return FT_ERR_INVALID_BUFFER;
  std::memcpy(pixels, g_frame.data(), g_frame.size());
  return 0;
}
#endif
