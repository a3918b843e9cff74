#include "plexar/plexar.h"

#include "oleauto/oleauto.h"
#include "qdx/qdx.h"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Monitor {
  PXMonitorCallback callback = nullptr;
  int32_t user = 0;
};

struct Capture {
  std::string id;
  int32_t handle = 0;
  PXImageCallback image = nullptr;
  PXStatusCallback status = nullptr;
  int32_t user = 0;
};

int32_t g_count = 0;
Monitor g_monitor;
std::atomic<bool> g_monitorFlag{true}; // the layer may hold our monitor notice (read on its threads)
std::vector<Capture *> g_captures;

template <typename F>
F layer(uint32_t ordinal) {
  return reinterpret_cast<F>(QdxOrdinal(ordinal));
}

std::string narrow(const oa_str *s) {
  std::string out(oa_str_to_utf8(s, nullptr, 0), '\0');
  oa_str_to_utf8(s, out.data(), out.size() + 1);
  return out;
}

void onMonitor(void *context, int32_t event, const oa_str *id) {
  auto *m = static_cast<Monitor *>(context);
  if (!g_monitorFlag || event < 1 || event > 4 || !m->callback) return;
  std::string text = narrow(id);
  m->callback(text.c_str(), event <= 2 ? event : 3, m->user);
}

void onImage(void *context, intptr_t a, intptr_t b, intptr_t c) {
  auto *cap = static_cast<Capture *>(context);
  if (cap->image) cap->image(cap->id.c_str(), a, b, c, 500, cap->user);
}

void onStatus(void *context, int32_t code) {
  auto *cap = static_cast<Capture *>(context);
  if (cap->status && (code == 3 || code == 4)) cap->status(cap->id.c_str(), code == 3 ? 1 : 2, cap->user);
}

void stopCapture(Capture *c) {
  layer<int32_t (*)(int32_t)>(QDX_STOP)(c->handle);
  layer<int32_t (*)(int32_t)>(QDX_CLOSE)(c->handle);
  delete c;
}

// The layer's ids without "File"; false when the layer fails. n: the layer's count.
bool scanners(std::vector<std::string> &out, int32_t &n) {
  n = 0;
  if (layer<int32_t (*)(int32_t *)>(QDX_COUNT)(&n) < 0) return false;
  if (n < 0) n = 0;
  std::vector<oa_str *> slots(static_cast<size_t>(n), nullptr);
  int32_t filled = 0;
  if (layer<int32_t (*)(int32_t, oa_str **, int32_t *)>(QDX_LIST_IDS)(n, slots.data(), &filled) < 0) return false;
  if (filled > n) filled = n;
  for (int32_t i = 0; i < filled; ++i) {
    oa_str *s = slots[static_cast<size_t>(i)];
    if (!(oa_str_len(s) == 4 && std::memcmp(s, u"File", 8) == 0)) out.push_back(narrow(s));
    oa_str_free(s);
  }
  return true;
}

int32_t textParameter(const char *text, void *value) {
  int32_t len = static_cast<int32_t>(std::strlen(text));
  if (!value) return len;
  std::memcpy(value, text, static_cast<size_t>(len) + 1);
  return 0;
}

} // namespace

extern "C" {

int32_t PXInitialize(void) {
  if (g_count == 0 && layer<int32_t (*)()>(QDX_INITIALIZE)() < 0) return PX_LAYER_FAILED;
  return g_count++;
}

int32_t PXFinalize(void) {
  if (g_count == 0) return PX_NOT_INITIALIZED;
  if (--g_count == 0) {
    PXStopCapturing(nullptr);
    layer<int32_t (*)(void *, QdxMonitorNotice)>(QDX_MONITOR)(nullptr, nullptr);
    g_monitorFlag = false;
    layer<int32_t (*)()>(QDX_FINALIZE)();
  }
  return g_count;
}

int32_t PXGetParameter(void *target, int32_t id, void *value) {
  if (g_count == 0) return PX_NOT_INITIALIZED;
  if (target) return PX_OUT_OF_RANGE;
  switch (id) {
  case 0: {
    int32_t asked = static_cast<int32_t>(reinterpret_cast<intptr_t>(value));
    if (asked == 0) return 0;
    if (asked == 10 || asked == 13) return 100;
    if (asked == 11 || asked == 12) return 5;
    return PX_OUT_OF_RANGE;
  }
  case 10: return textParameter("Plexar", value);
  case 13: return textParameter("Plexar scanner manager over the qdx scanner layer", value);
  case 11:
  case 12:
    if (!value) return PX_NULL_POINTER;
    *static_cast<int32_t *>(value) = id == 11 ? 0x00000009 : 0x00040000;
    return 0;
  default:
    return PX_UNKNOWN_PARAMETER;
  }
}

int32_t PXSetParameter(void *target, int32_t id, intptr_t) {
  if (g_count == 0) return PX_NOT_INITIALIZED;
  if (target) return PX_OUT_OF_RANGE;
  return (id == 0 || (id >= 10 && id <= 13)) ? PX_READ_ONLY : PX_UNKNOWN_PARAMETER;
}

int32_t PXGetScannerCount(void) {
  if (g_count == 0) return PX_NOT_INITIALIZED;
  std::vector<std::string> ids;
  int32_t n;
  if (!scanners(ids, n)) return PX_LAYER_FAILED;
  return static_cast<int32_t>(ids.size());
}

int32_t PXGetScannerId(int32_t index, char *buffer, int32_t size) {
  if (g_count == 0) return PX_NOT_INITIALIZED;
  int32_t n = 0;
  if (layer<int32_t (*)(int32_t *)>(QDX_COUNT)(&n) < 0) return PX_LAYER_FAILED;
  if (index < 0 || index >= n) return PX_OUT_OF_RANGE;
  std::vector<std::string> ids;
  std::vector<oa_str *> slots(static_cast<size_t>(n), nullptr);
  int32_t filled = 0;
  if (layer<int32_t (*)(int32_t, oa_str **, int32_t *)>(QDX_LIST_IDS)(n, slots.data(), &filled) < 0)
    return PX_LAYER_FAILED;
  if (filled > n) filled = n;
  std::u16string found;
  bool have = false;
  int32_t k = 0;
  for (int32_t i = 0; i < filled; ++i) {
    oa_str *s = slots[static_cast<size_t>(i)];
    bool file = oa_str_len(s) == 4 && std::memcmp(s, u"File", 8) == 0;
    if (!file && k++ == index) {
      found.assign(s, oa_str_len(s));
      have = true;
    }
    oa_str_free(s);
  }
  if (index >= filled) return PX_LAYER_FAILED;
  if (!have) return PX_OUT_OF_RANGE;
  if (!buffer) return static_cast<int32_t>(found.size()) + 1;
  oa_str *tmp = oa_str_alloc(found.data(), static_cast<uint32_t>(found.size()));
  std::string text = narrow(tmp);
  oa_str_free(tmp);
  if (size < 0 || text.size() > static_cast<size_t>(size)) return 0;
  std::memcpy(buffer, text.data(), text.size());
  if (text.size() < static_cast<size_t>(size)) buffer[text.size()] = 0;
  return static_cast<int32_t>(text.size());
}

int32_t PXSetMonitor(PXMonitorCallback callback, int32_t user) {
  if (g_count == 0) return PX_NOT_INITIALIZED;
  if (!callback) return PX_NULL_POINTER;
  auto monitor = layer<int32_t (*)(void *, QdxMonitorNotice)>(QDX_MONITOR);
  if (g_monitorFlag) {
    monitor(nullptr, nullptr);
    g_monitorFlag = false;
  }
  g_monitor.callback = callback;
  g_monitor.user = user;
  if (monitor(&g_monitor, &onMonitor) < 0) return PX_LAYER_FAILED;
  g_monitorFlag = true;
  return 0;
}

int32_t PXRemoveMonitor(void) {
  if (g_count == 0) return PX_NOT_INITIALIZED;
  if (g_monitorFlag) {
    layer<int32_t (*)(void *, QdxMonitorNotice)>(QDX_MONITOR)(nullptr, nullptr);
    g_monitorFlag = false;
  }
  return 0;
}

int32_t PXStartCapturing(const char *id, PXImageCallback image, PXStatusCallback status, int32_t user) {
  if (g_count == 0) return PX_NOT_INITIALIZED;
  if (!id) return PX_NULL_POINTER;
  for (Capture *c : g_captures)
    if (c->id == id) return PX_ALREADY_CAPTURING;
  auto *c = new Capture;
  oa_str *wide = oa_str_from_utf8(id);
  int32_t rc = layer<int32_t (*)(const oa_str *, int32_t *)>(QDX_OPEN)(wide, &c->handle);
  oa_str_free(wide);
  if (rc < 0) {
    delete c;
    return PX_LAYER_FAILED;
  }
  c->id = id;
  c->image = image;
  c->status = status;
  c->user = user;
  bool ok = layer<int32_t (*)(int32_t, int32_t)>(QDX_CONFIGURE)(c->handle, 1) >= 0 &&
            layer<int32_t (*)(int32_t, void *, QdxImageNotice, QdxStatusNotice, int32_t)>(QDX_SET_NOTICES)(
                c->handle, c, &onImage, &onStatus, 0) >= 0 &&
            layer<int32_t (*)(int32_t)>(QDX_START)(c->handle) >= 0;
  if (!ok) {
    layer<int32_t (*)(int32_t)>(QDX_CLOSE)(c->handle);
    delete c;
    return PX_LAYER_FAILED;
  }
  g_captures.push_back(c);
  return 0;
}

int32_t PXStopCapturing(const char *id) {
  if (g_count == 0) return PX_NOT_INITIALIZED;
  if (!id) {
    std::vector<Capture *> all;
    all.swap(g_captures);
    for (Capture *c : all) stopCapture(c);
    return 0;
  }
  for (auto it = g_captures.begin(); it != g_captures.end(); ++it) {
    if ((*it)->id == id) {
      Capture *c = *it;
      g_captures.erase(it);
      stopCapture(c);
      return 0;
    }
  }
  return PX_NOT_CAPTURING;
}

} // extern "C"
