// The scanner layer: driver plug-ins, the pseudo scanner "File", captures.
#include "qdx/qdx.h"

#include "lumadrv/lumadrv.h"
#include "winsys/winsys.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int32_t kFailed = -1;
constexpr int32_t kBadArgument = -2;
constexpr int32_t kUnknownHandle = -3;
const std::u16string kFileId = u"File";

struct Plugin {
  void *module = nullptr;
  LumaInitFn init;
  LumaTerminateFn terminate;
  LumaCheckIdFn checkId;
  LumaGetDeviceCountFn count;
  LumaEnumDeviceIdsFn enumIds;
  LumaCreateScannerFn create;
  LumaSetStatusWindowFn setStatusWindow;
  LumaGetErrDescrFn errorText;
};

struct Capture {
  std::u16string id;
  Plugin *plugin = nullptr;
  lumadrv::ScannerImpl *scanner = nullptr; // null for "File"
  void *context = nullptr;
  QdxImageNotice image = nullptr;
  QdxStatusNotice status = nullptr;
  std::atomic<bool> running{false};
};

std::recursive_mutex g_mutex;
int g_initCount = 0;
std::vector<Plugin> g_plugins;
winsys::WindowHandle g_statusWindow = 0;
void *g_monitorContext = nullptr;
QdxMonitorNotice g_monitor = nullptr;
std::map<int32_t, std::shared_ptr<Capture>> g_captures;
int32_t g_nextHandle = 1;

std::string pluginFolder() {
  if (const char *dir = std::getenv("QDX_PLUGIN_DIR"); dir && *dir) return dir;
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void *>(&QdxOrdinal), &info) || !info.dli_fname) return "scanners";
  std::string self(info.dli_fname);
  return self.substr(0, self.rfind('/') + 1) + "scanners";
}

template <typename T>
bool bindFn(void *module, T &slot, const char *name) {
  slot = reinterpret_cast<T>(dlsym(module, name));
  return slot != nullptr;
}

void loadPlugins() {
  std::string dir = pluginFolder();
  DIR *d = opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> names;
  while (dirent *e = readdir(d)) {
    std::string n = e->d_name;
    if (n.size() > 3 && n.compare(n.size() - 3, 3, ".so") == 0) names.push_back(n);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  for (const std::string &n : names) {
    // Plug-ins stay mapped once loaded: a driver that started threads or
    // linked GLib cannot be unloaded safely, and leak reports need its code.
    void *m = dlopen((dir + "/" + n).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!m) continue; // junk in the folder
    Plugin p;
    p.module = m;
    bool ok = bindFn(m, p.init, "_Init") & bindFn(m, p.terminate, "_Terminate") & bindFn(m, p.checkId, "_CheckID") &
              bindFn(m, p.count, "_GetDeviceCount") & bindFn(m, p.enumIds, "_EnumDeviceIDs") &
              bindFn(m, p.create, "_CreateScannerImpl") & bindFn(m, p.setStatusWindow, "_SetDeviceStatusHWnd") &
              bindFn(m, p.errorText, "_GetErrDescr");
    if (!ok || p.init() < 0) {
      dlclose(m);
      continue;
    }
    g_plugins.push_back(p);
  }
}

// Device notices of the drivers, on their plug-and-play threads.
intptr_t statusWindowProc(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  if (msg != lumadrv::kMsgDevice) return 0;
  auto *id = reinterpret_cast<oa_str *>(lParam);
  QdxMonitorNotice fn;
  void *ctx;
  {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    fn = g_monitor;
    ctx = g_monitorContext;
  }
  if (fn) fn(ctx, static_cast<int32_t>(wParam), id);
  oa_str_free(id);
  return 0;
}

std::shared_ptr<Capture> captureOf(int32_t handle) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  auto it = g_captures.find(handle);
  return it == g_captures.end() ? nullptr : it->second;
}

// Driver sinks: the key is the layer's handle.
void onDriverImage(uint32_t key, int32_t w, int32_t h, const uint8_t *pixels) {
  QdxImageNotice fn = nullptr;
  void *ctx = nullptr;
  {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    auto it = g_captures.find(static_cast<int32_t>(key));
    if (it != g_captures.end()) fn = it->second->image, ctx = it->second->context;
  }
  if (fn) fn(ctx, w, h, reinterpret_cast<intptr_t>(pixels));
}

void onDriverStatus(uint32_t key, int32_t status) {
  QdxStatusNotice fn = nullptr;
  void *ctx = nullptr;
  {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    auto it = g_captures.find(static_cast<int32_t>(key));
    if (it != g_captures.end()) fn = it->second->status, ctx = it->second->context;
  }
  if (fn) fn(ctx, status);
}

int32_t qdxInitialize() {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  if (g_initCount++ > 0) return 0;
  g_statusWindow = winsys::createWindow(statusWindowProc);
  loadPlugins();
  for (Plugin &p : g_plugins) p.setStatusWindow(g_statusWindow);
  return 0;
}

int32_t qdxFinalize() {
  std::vector<std::shared_ptr<Capture>> captures;
  std::vector<Plugin> plugins;
  {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (g_initCount == 0) return kFailed;
    if (--g_initCount > 0) return 0;
    for (auto &[h, c] : g_captures) captures.push_back(c);
    g_captures.clear();
    plugins.swap(g_plugins);
    g_monitor = nullptr;
  }
  for (auto &c : captures) delete c->scanner; // stops and closes
  for (Plugin &p : plugins) {
    p.terminate();
    dlclose(p.module);
  }
  winsys::destroyWindow(g_statusWindow);
  g_statusWindow = 0;
  return 0;
}

int32_t qdxCount(int32_t *count) {
  if (!count) return kBadArgument;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  if (g_initCount == 0) return kFailed;
  int32_t total = 1; // "File"
  for (Plugin &p : g_plugins) {
    int32_t n = 0;
    if (p.count(&n) >= 0 && n > 0) total += n;
  }
  *count = total;
  return 0;
}

int32_t qdxListIds(int32_t capacity, oa_str **slots, int32_t *filled) {
  if (!slots || !filled || capacity < 0) return kBadArgument;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  if (g_initCount == 0) return kFailed;
  int32_t k = 0;
  if (k < capacity) slots[k++] = oa_str_alloc(kFileId.data(), static_cast<uint32_t>(kFileId.size()));
  for (Plugin &p : g_plugins) {
    int32_t n = 0;
    if (p.count(&n) < 0 || n <= 0) continue;
    std::vector<oa_str *> ids(static_cast<size_t>(n) + 4, nullptr);
    int32_t got = 0;
    if (p.enumIds(static_cast<int32_t>(ids.size()), ids.data(), &got) < 0) continue;
    for (int32_t i = 0; i < got; ++i) {
      if (k < capacity) slots[k++] = ids[static_cast<size_t>(i)];
      else oa_str_free(ids[static_cast<size_t>(i)]);
    }
  }
  *filled = k;
  return 0;
}

int32_t qdxMonitor(void *context, QdxMonitorNotice notice) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  if (g_initCount == 0) return kFailed;
  g_monitor = notice;
  g_monitorContext = notice ? context : nullptr;
  return 0;
}

int32_t qdxOpen(const oa_str *id, int32_t *handle) {
  if (!id || !handle) return kBadArgument;
  std::u16string text(id, oa_str_len(id));
  auto c = std::make_shared<Capture>();
  c->id = text;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  if (g_initCount == 0) return kFailed;
  if (text != kFileId) {
    for (Plugin &p : g_plugins) {
      if (p.checkId(text.c_str()) != 0) continue;
      lumadrv::ScannerImpl *s = nullptr;
      if (int32_t rc = p.create(&s); rc < 0 || !s) return rc < 0 ? rc : kFailed;
      if (int32_t rc = s->SetId(text.c_str()); rc < 0) {
        delete s;
        return rc;
      }
      c->plugin = &p;
      c->scanner = s;
      break;
    }
    if (!c->scanner) return kFailed;
  }
  *handle = g_nextHandle++;
  g_captures[*handle] = c;
  return 0;
}

int32_t qdxConfigure(int32_t handle, int32_t direct) {
  auto c = captureOf(handle);
  if (!c) return kUnknownHandle;
  if (c->scanner) return c->scanner->SetDirectNotify(direct == 1 ? 1 : 0);
  return 0;
}

int32_t qdxSetNotices(int32_t handle, void *context, QdxImageNotice image, QdxStatusNotice status, int32_t) {
  auto c = captureOf(handle);
  if (!c) return kUnknownHandle;
  {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    c->context = context;
    c->image = image;
    c->status = status;
  }
  if (c->scanner) {
    uint32_t key = static_cast<uint32_t>(handle);
    if (image || status) return c->scanner->Advise(key, &onDriverImage, &onDriverStatus, nullptr);
    return c->scanner->Advise(key, nullptr, nullptr, nullptr);
  }
  return 0;
}

int32_t qdxStart(int32_t handle) {
  auto c = captureOf(handle);
  if (!c) return kUnknownHandle;
  if (c->scanner) {
    if (int32_t rc = c->scanner->Start(); rc < 0) return rc;
  }
  c->running = true;
  return 0;
}

int32_t qdxStop(int32_t handle) {
  auto c = captureOf(handle);
  if (!c) return kUnknownHandle;
  c->running = false;
  int32_t rc = c->scanner ? c->scanner->Stop() : 0;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  c->image = nullptr;
  c->status = nullptr;
  return rc < 0 ? rc : 0;
}

int32_t qdxClose(int32_t handle) {
  std::shared_ptr<Capture> c;
  {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    auto it = g_captures.find(handle);
    if (it == g_captures.end()) return kUnknownHandle;
    c = it->second;
    g_captures.erase(it);
  }
  delete c->scanner;
  return 0;
}

using LoadImageFn = int32_t (*)(const char *, int32_t *, int32_t *, oa_variant *);

LoadImageFn vistrelLoader() {
  static LoadImageFn fn = [] {
    Dl_info info{};
    void *h = nullptr;
    if (dladdr(reinterpret_cast<void *>(&QdxOrdinal), &info) && info.dli_fname) {
      std::string self(info.dli_fname);
      h = dlopen((self.substr(0, self.rfind('/') + 1) + "libvistrel.so").c_str(), RTLD_NOW);
    }
    if (!h) h = dlopen("libvistrel.so", RTLD_NOW);
    return h ? reinterpret_cast<LoadImageFn>(dlsym(h, "VBLoadImageFromFile")) : nullptr;
  }();
  return fn;
}

int32_t qdxFeedFile(const char *path) {
  if (!path) return kBadArgument;
  std::vector<std::shared_ptr<Capture>> files;
  {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    for (auto &[h, c] : g_captures)
      if (!c->scanner && c->running) files.push_back(c);
  }
  if (files.empty()) return -2;
  LoadImageFn load = vistrelLoader();
  if (!load) return kFailed;
  int32_t w = 0, h = 0;
  oa_variant image;
  oa_variant_init(&image);
  if (load(path, &w, &h, &image) != 0 || w <= 0 || h <= 0) {
    oa_variant_clear(&image);
    return kFailed;
  }
  oa_array *a = oa_variant_array(&image, OA_UI1);
  void *data = nullptr;
  if (!a || a->count < static_cast<uint32_t>(w) * static_cast<uint32_t>(h) || oa_array_access(a, &data) != 0) {
    oa_variant_clear(&image);
    return kFailed;
  }
  for (auto &c : files) {
    QdxImageNotice fn;
    void *ctx;
    {
      std::lock_guard<std::recursive_mutex> lock(g_mutex);
      fn = c->running ? c->image : nullptr;
      ctx = c->context;
    }
    if (fn) fn(ctx, w, h, reinterpret_cast<intptr_t>(data));
  }
  oa_array_unaccess(a);
  oa_variant_clear(&image);
  return 0;
}

int32_t qdxErrorText(int32_t code, char *buffer, int32_t size) {
  if (!buffer || size <= 0) return 0;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  for (Plugin &p : g_plugins)
    if (int32_t n = p.errorText(code, buffer, size); n > 0) return n;
  buffer[0] = 0;
  return 0;
}

} // namespace

extern "C" void *QdxOrdinal(uint32_t ordinal) {
  switch (ordinal) {
  case QDX_OPEN: return reinterpret_cast<void *>(&qdxOpen);
  case QDX_LIST_IDS: return reinterpret_cast<void *>(&qdxListIds);
  case QDX_COUNT: return reinterpret_cast<void *>(&qdxCount);
  case QDX_INITIALIZE: return reinterpret_cast<void *>(&qdxInitialize);
  case QDX_CLOSE: return reinterpret_cast<void *>(&qdxClose);
  case QDX_SET_NOTICES: return reinterpret_cast<void *>(&qdxSetNotices);
  case QDX_MONITOR: return reinterpret_cast<void *>(&qdxMonitor);
  case QDX_CONFIGURE: return reinterpret_cast<void *>(&qdxConfigure);
  case QDX_START: return reinterpret_cast<void *>(&qdxStart);
  case QDX_STOP: return reinterpret_cast<void *>(&qdxStop);
  case QDX_FINALIZE: return reinterpret_cast<void *>(&qdxFinalize);
  case QDX_FEED_FILE: return reinterpret_cast<void *>(&qdxFeedFile);
  case QDX_ERROR_TEXT: return reinterpret_cast<void *>(&qdxErrorText);
  default: return nullptr;
  }
}
