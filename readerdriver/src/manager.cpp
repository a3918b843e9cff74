#include "manager.h"

#include "lumadrv/lumadrv.h"
#include "vendor.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace lumadrv {

namespace {
std::atomic<intptr_t> g_statusWindow{0};

char16_t lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool equalNoCase(const std::u16string &a, const std::u16string &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}
} // namespace

intptr_t statusWindow() { return g_statusWindow.load(); }
void setStatusWindowHandle(intptr_t w) { g_statusWindow.store(w); }

std::string toUtf8(const std::u16string &s) {
  oa_str *tmp = oa_str_alloc(s.data(), static_cast<uint32_t>(s.size()));
  std::string out(oa_str_to_utf8(tmp, nullptr, 0), '\0');
  oa_str_to_utf8(tmp, out.data(), out.size() + 1);
  oa_str_free(tmp);
  return out;
}

std::u16string fromUtf8(const std::string &s) {
  oa_str *tmp = oa_str_from_utf8(s.c_str());
  std::u16string out(tmp ? tmp : u"", oa_str_len(tmp));
  oa_str_free(tmp);
  return out;
}

std::string suspendEventName(const std::u16string &id) {
  std::string name = "Suspend_";
  for (char16_t c : id) name += c < 128 ? static_cast<char>(c) : '?';
  for (char &c : name)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c = ' ';
  return name;
}

std::u16string withPrefix(const std::u16string &guid) { return u"UareU\\" + guid; }

DeviceManager &DeviceManager::instance() {
  static DeviceManager *m = new DeviceManager; // lives as long as the library: threads may still touch it at exit
  return *m;
}

bool DeviceManager::started() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_started;
}

void DeviceManager::onVendorNotice(const void *record, void *) {
  DeviceManager &m = instance();
  Notice n{};
  std::memcpy(&n.type, record, 4);
  std::memcpy(&n.handle, static_cast<const char *>(record) + 8, 8);
  {
    std::lock_guard<std::mutex> lock(m.m_mutex);
    m.m_queue.push_back(n);
  }
  m.m_queueEvent->set();
}

int32_t DeviceManager::start() {
  std::lock_guard<std::mutex> once(m_startMutex);
  if (started()) return kOk;
  // A missing vendor library is no error: the driver has no devices.
  if (bindVendor() != kOk) return kOk;
  VendorLibrary &v = vendor();
  if (int32_t rc = call(v.init); rc != 0) return mapVendor(rc);
  call(v.setupPlugAndPlayMonitor, &DeviceManager::onVendorNotice, static_cast<void *>(this));
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_started = true;
    fillList();
  }
  m_stopEvent->reset();
  m_thread = std::make_unique<winsys::Thread>();
  m_thread->start([this] { pnpThread(); });
  return kOk;
}

int32_t DeviceManager::terminate() {
  std::lock_guard<std::mutex> once(m_startMutex);
  int32_t result = kOk;
  if (started()) {
    m_stopEvent->set();
    if (m_thread) m_thread->join();
    m_thread.reset();
    VendorLibrary &v = vendor();
    call(v.setupPlugAndPlayMonitor, static_cast<FT_PnpNotice>(nullptr),
         v.level == 2 ? static_cast<void *>(this) : nullptr);
    result = mapVendor(call(v.terminate));
    unbindVendor();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_started = false;
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  m_handles.clear();
  m_guids.clear();
  m_queue.clear();
  setStatusWindowHandle(0);
  return result;
}

int32_t DeviceManager::fillList() {
  m_handles.clear();
  m_guids.clear();
  VendorLibrary &v = vendor();
  int32_t n = 0;
  if (call(v.getNumDevices, &n) != 0 || n <= 0) return kOk;
  std::vector<uint8_t> list;
  try {
    list.resize(static_cast<size_t>(n) * FT_DEVICE_LIST_ENTRY_SIZE);
  } catch (...) {
    return kFail;
  }
  if (call(v.getDeviceList, n, static_cast<void *>(list.data())) != 0) return kFail;
  for (int32_t k = 0; k < n; ++k) {
    uint64_t handle;
    std::memcpy(&handle, list.data() + static_cast<size_t>(k) * FT_DEVICE_LIST_ENTRY_SIZE + 8, 8);
    std::vector<uint8_t> info(FT_DEVICE_INFO_SIZE, 0);
    int32_t size = FT_DEVICE_INFO_SIZE;
    std::memcpy(info.data(), &size, 4);
    std::u16string guid;
    if (call(v.getDeviceInfo, handle, static_cast<void *>(info.data())) == 0) {
      const uint8_t *p = info.data() + 284;
      for (size_t i = 0; 284 + 2 * i + 1 < info.size(); ++i) {
        char16_t c;
        std::memcpy(&c, p + 2 * i, 2);
        if (!c) break;
        guid += c;
      }
      if (!guid.empty() && guid.front() == u'{') guid = guid.substr(1, guid.size() >= 2 ? guid.size() - 2 : 0);
    }
    m_handles.push_back(handle);
    m_guids.push_back(guid);
  }
  return kOk;
}

std::u16string DeviceManager::guidOf(uint64_t handle) {
  for (size_t i = 0; i < m_handles.size(); ++i)
    if (m_handles[i] == handle) return m_guids[i];
  return {};
}

std::u16string DeviceManager::guidFor(uint64_t handle) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return guidOf(handle);
}

int32_t DeviceManager::count() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return static_cast<int32_t>(m_handles.size());
}

std::vector<std::u16string> DeviceManager::ids() {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<std::u16string> out;
  for (auto &g : m_guids) out.push_back(withPrefix(g));
  return out;
}

uint64_t DeviceManager::handleOf(const std::u16string &id) {
  std::u16string rest = id;
  if (rest.size() >= 5 && equalNoCase(rest.substr(0, 5), u"uareu")) rest = rest.substr(rest.size() >= 6 ? 6 : 5);
  std::lock_guard<std::mutex> lock(m_mutex);
  for (size_t i = 0; i < m_guids.size(); ++i)
    if (equalNoCase(m_guids[i], rest)) return m_handles[i];
  return 0;
}

void DeviceManager::registerScanner(ScannerBase *s) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_scanners.insert(s);
}

void DeviceManager::unregisterScanner(ScannerBase *s) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_scanners.erase(s);
}

void DeviceManager::pnpThread() {
  winsys::Event *events[] = {m_stopEvent.get(), m_queueEvent.get()};
  for (;;) {
    if (winsys::waitAny(events, 2, winsys::kInfinite) == 0) return;
    for (;;) {
      Notice n;
      std::u16string id;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_queue.empty()) break;
        n = m_queue.front();
        m_queue.pop_front();
        if (n.type == 0) fillList();
        id = withPrefix(guidOf(n.handle)); // before a removal refills: the leaving reader is still listed
        if (n.type != 0) fillList();
      }
      if (n.type == 0 || n.type == 1) {
        if (auto suspend = winsys::Event::openNamed(suspendEventName(id))) {
          if (n.type == 0) suspend->set();
          else suspend->reset();
        }
      }
      if (intptr_t w = statusWindow()) {
        oa_str *text = oa_str_alloc(id.data(), static_cast<uint32_t>(id.size()));
        winsys::callWindowProc(w, kMsgDevice, static_cast<uintptr_t>(n.type + 1), reinterpret_cast<intptr_t>(text));
      }
    }
  }
}

} // namespace lumadrv
