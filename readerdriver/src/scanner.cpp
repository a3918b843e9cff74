#include "scanner.h"

#include "manager.h"
#include "normalise.h"
#include "vendor.h"

#include <cstdio>
#include <cstring>

namespace lumadrv {

namespace {
constexpr int32_t kAcquireSize = FT_ACQUIRE_BUFFER_SIZE;
constexpr size_t kWorkerStack = 1024000;
constexpr uint32_t kNoticeWaitMs = 500;
std::atomic_flag g_noticeBusy = ATOMIC_FLAG_INIT; // one vendor notice at a time in the process
} // namespace

// ---- ScannerBase ---------------------------------------------------------

ScannerBase::ScannerBase() = default;

ScannerBase::~ScannerBase() {
  endWorker();
  if (m_window) winsys::destroyWindow(m_window);
}

void ScannerBase::endWorker() {
  if (!m_worker) return;
  m_stop->set();
  m_worker->join();
  m_worker.reset();
}

std::shared_ptr<winsys::Event> ScannerBase::suspend() const {
  std::lock_guard<std::mutex> lock(m_suspendMutex);
  return m_suspend;
}

void ScannerBase::setSuspend(std::shared_ptr<winsys::Event> e) {
  std::lock_guard<std::mutex> lock(m_suspendMutex);
  m_suspend = std::move(e);
}

bool ScannerBase::active() const {
  if (m_stop->isSet()) return false;
  if (!m_timed.load()) return true;
  uint32_t timeout = m_timeout.load();
  return timeout == 0 || winsys::tickCount() - m_startTick.load() < timeout;
}

int32_t ScannerBase::StartTimed(int32_t timeoutMs) {
  m_timed = true;
  m_startTick = winsys::tickCount();
  m_timeout = static_cast<uint32_t>(timeoutMs < 0 ? 0 : timeoutMs);
  return Start();
}

int32_t ScannerBase::Start() {
  try {
    if (m_inNotification) return kInNotification;
    auto suspended = suspend();
    if (!suspended) return kFail;
    if (m_worker && !m_worker->finished()) return kAlreadyRunning;
    if (int32_t rc = Open(); rc != kOk) return rc;
    suspended->set();
    m_stop->reset();
    if (m_worker) m_worker->join();
    m_worker = std::make_unique<winsys::Thread>();
    if (!m_worker->start([this] { WorkerBody(); }, kWorkerStack)) {
      m_worker.reset();
      m_timed = false;
      Close();
      return kUnexpected;
    }
    m_delivered->set();
    return kOk;
  } catch (...) {
    return kUnexpected;
  }
}

int32_t ScannerBase::Stop() {
  try {
    if (m_worker) {
      m_stop->set();
      // From within a notification the worker may be waiting for this very
      // thread, and a direct sink runs on the worker itself; either way it
      // ends by itself at the stop event.
      if (!m_inNotification && !m_worker->isCurrent()) {
        m_worker->join();
        m_worker.reset();
      }
    }
    m_timed = false;
    return Close();
  } catch (...) {
    return kUnexpected;
  }
}

int32_t ScannerBase::Grab(int32_t timeoutMs, int32_t *width, int32_t *height, uint8_t *buffer, int32_t size) {
  if (!width || !height || !buffer) return kInvalidArg;
  if (m_inNotification) return kInNotification;
  if (m_worker && !m_worker->finished()) return kAlreadyRunning;
  bool wasGrab = m_grab.exchange(true);
  m_grabbedImage = false;
  int32_t started = StartTimed(timeoutMs);
  int32_t result = kGrabTimedOut;
  // Deliberate: a start that fails (reader in use, vendor failure) is reported,
  // not passed off as a timed-out grab.
  if (started != kOk) {
    result = started;
  } else if (m_worker && m_worker->join(timeoutMs < 0 ? 0 : static_cast<uint32_t>(timeoutMs)) && m_grabbedImage) {
    std::lock_guard<std::mutex> lock(m_lock);
    int64_t need = static_cast<int64_t>(m_imageWidth) * m_imageHeight;
    if (size < need) {
      result = kInvalidArg;
    } else {
      *width = m_imageWidth;
      *height = m_imageHeight;
      std::memcpy(buffer, m_image.data(), static_cast<size_t>(need));
      result = kOk;
    }
  }
  if (result != kOk && started == kOk) {
    // Stopped without waiting; the worker ends at the stop event and never
    // touches the context after Close (it holds the context mutex).
    m_stop->set();
    m_timed = false;
    Close();
  }
  m_grab = wasGrab;
  return result;
}

int32_t ScannerBase::SaveImage(const char16_t *path) {
  if (!path) return kInvalidArg;
  std::string narrow = toUtf8(std::u16string(path));
  if (narrow.size() + 1 > 260) return kInvalidArg;
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_image.empty()) return 1;
  const int32_t w = m_imageWidth, h = m_imageHeight;
  const int32_t stride = (w + 3) / 4 * 4;
  FILE *f = std::fopen(narrow.c_str(), "wb");
  if (!f) return -1;
  auto u16 = [](uint8_t *p, uint32_t v) { p[0] = static_cast<uint8_t>(v), p[1] = static_cast<uint8_t>(v >> 8); };
  auto u32 = [](uint8_t *p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
  };
  uint8_t head[1078] = {};
  head[0] = 'B', head[1] = 'M';
  u32(head + 2, static_cast<uint32_t>(1078 + static_cast<int64_t>(stride) * h));
  u32(head + 10, 1078);
  u32(head + 14, 40);
  u32(head + 18, static_cast<uint32_t>(w));
  u32(head + 22, static_cast<uint32_t>(h));
  u16(head + 26, 1);
  u16(head + 28, 8);
  u32(head + 46, 256);
  for (int k = 0; k < 256; ++k) head[54 + 4 * k] = head[55 + 4 * k] = head[56 + 4 * k] = static_cast<uint8_t>(k);
  bool ok = std::fwrite(head, 1, sizeof head, f) == sizeof head;
  std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
  for (int32_t y = 0; y < h && ok; ++y) {
    std::memcpy(row.data(), m_image.data() + static_cast<size_t>(y) * w, static_cast<size_t>(w));
    ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
  }
  if (std::fclose(f) != 0) ok = false;
  return ok ? 0 : -1;
}

int32_t ScannerBase::GetOption(int32_t *value) {
  if (!value) return kInvalidArg;
  *value = m_option;
  return kOk;
}

int32_t ScannerBase::SetOption(int32_t value) {
  m_option = value;
  return kOk;
}

int32_t ScannerBase::SetDirectNotify(int32_t direct) {
  m_direct = direct != 0;
  return kOk;
}

int32_t ScannerBase::Advise(uint32_t key, ImageCallback image, StatusCallback status, ValueCallback value) {
  std::lock_guard<std::mutex> lock(m_sinkMutex);
  if (!image && !status && !value) {
    m_sinks.erase(key);
    return kOk;
  }
  if (!m_window)
    m_window = winsys::createWindow([this](uint32_t msg, uintptr_t w, intptr_t l) { return windowProc(msg, w, l); });
  m_sinks[key] = Sink{image, status, value};
  return kOk;
}

int32_t ScannerBase::GetParameter(int32_t id, oa_variant *value) {
  if (!value) return kInvalidArg;
  oa_variant_clear(value);
  struct Param {
    int32_t id;
    int32_t number;
    const char *text; // null: none
  };
  const Param table[] = {{1, 0, nullptr},
                         {2, 1, "Version high"},
                         {3, 0, "Version low"},
                         {101, m_parameterCount, "Parameter count"},
                         {102, m_resolution, "Scanner resolution"}};
  int32_t magnitude = id < 0 ? -id : id;
  for (const Param &p : table) {
    if (p.id != magnitude) continue;
    if (id < 0) {
      if (!p.text) return kInvalidArg;
      value->kind = OA_STR;
      value->v.str = oa_str_from_utf8(p.text);
    } else if (p.id == 1) {
      value->kind = OA_STR;
      value->v.str = oa_str_from_utf8("U.areU.");
    } else {
      value->kind = OA_I4;
      value->v.i4 = p.number;
    }
    return kOk;
  }
  return kNotImpl;
}

int32_t ScannerBase::SetParameter(int32_t id, int32_t) {
  if (id < 0) return kFail;
  if (id == 1 || id == 2 || id == 3 || id == 101 || id == 102) return kFail;
  return kNotImpl;
}

void ScannerBase::deliverImage(int32_t w, int32_t h, const uint8_t *pixels) {
  if (m_grab || m_direct) {
    serveImage(w, h, pixels);
    return;
  }
  winsys::WindowHandle window;
  {
    std::lock_guard<std::mutex> lock(m_sinkMutex);
    window = m_window;
  }
  if (!active() || !window || !winsys::isWindow(window)) return;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    if (m_delivery.size() < n) m_delivery.resize(n);
    std::memcpy(m_delivery.data(), pixels, n);
  }
  winsys::sendMessage(window, kMsgImage, (static_cast<uintptr_t>(h) << 16) | static_cast<uint32_t>(w & 0xFFFF),
                      reinterpret_cast<intptr_t>(m_delivery.data()), nullptr, m_stop.get());
}

void ScannerBase::serveImage(int32_t w, int32_t h, const uint8_t *pixels) {
  if (m_grab) {
    m_grabbedImage = true;
  } else if (active()) {
    std::map<uint32_t, Sink> sinks;
    {
      std::lock_guard<std::mutex> lock(m_sinkMutex);
      sinks = m_sinks; // a sink may advise or unadvise while it runs
    }
    for (auto &[key, sink] : sinks)
      if (sink.image) sink.image(key, w, h, pixels);
  }
  if (m_timed) { // a timed run yields one image
    m_stop->set();
    m_timed = false;
  }
  m_delivered->set();
}

void ScannerBase::deliverStatus(int32_t status) {
  if (m_grab || m_inNotification || !active()) return;
  if (m_direct) {
    serveStatus(status);
    return;
  }
  winsys::WindowHandle window;
  {
    std::lock_guard<std::mutex> lock(m_sinkMutex);
    window = m_window;
  }
  if (window) winsys::postMessage(window, kMsgStatus, static_cast<uintptr_t>(status), 0);
}

void ScannerBase::serveStatus(int32_t status) {
  std::map<uint32_t, Sink> sinks;
  {
    std::lock_guard<std::mutex> lock(m_sinkMutex);
    sinks = m_sinks;
  }
  for (auto &[key, sink] : sinks)
    if (sink.status && active()) sink.status(key, status);
}

intptr_t ScannerBase::windowProc(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  if (msg != kMsgImage && msg != kMsgStatus && msg != kMsgValue) return 0;
  bool was = m_inNotification.exchange(true);
  if (msg == kMsgImage) {
    serveImage(static_cast<int32_t>(wParam & 0xFFFF), static_cast<int32_t>((wParam >> 16) & 0xFFFF),
               reinterpret_cast<const uint8_t *>(lParam));
  } else if (msg == kMsgStatus) {
    serveStatus(static_cast<int32_t>(wParam));
  } else {
    std::map<uint32_t, Sink> sinks;
    {
      std::lock_guard<std::mutex> lock(m_sinkMutex);
      sinks = m_sinks;
    }
    for (auto &[key, sink] : sinks)
      if (sink.value) sink.value(key, static_cast<int32_t>(wParam));
  }
  m_inNotification = was;
  return 0;
}

// ---- UareUScanner --------------------------------------------------------

UareUScanner::UareUScanner() {
  DeviceManager::instance().registerScanner(this);
  DeviceManager::instance().start();
}

UareUScanner::~UareUScanner() {
  Stop();
  DeviceManager::instance().unregisterScanner(this);
  m_device = 0;
  endWorker();
}

int32_t UareUScanner::SetId(const char16_t *id) {
  if (!id) return kInvalidArg;
  std::u16string text(id);
  uint64_t handle = DeviceManager::instance().handleOf(text);
  if (!handle) return kUnknownDevice;
  if (handle != m_device) {
    Stop();
    m_device = handle;
    m_guid = DeviceManager::instance().guidFor(handle);
  }
  setSuspend(winsys::Event::createNamed(suspendEventName(text), true, false));
  return kOk;
}

int32_t UareUScanner::GetId(oa_str **id) {
  if (!id) return kInvalidArg;
  *id = nullptr;
  std::vector<uint8_t> info(FT_DEVICE_INFO_SIZE, 0);
  int32_t size = FT_DEVICE_INFO_SIZE;
  std::memcpy(info.data(), &size, 4);
  if (call(vendor().getDeviceInfo, m_device, static_cast<void *>(info.data())) != 0) return kOk;
  std::u16string guid;
  for (size_t i = 284; i + 1 < info.size(); i += 2) {
    char16_t c;
    std::memcpy(&c, info.data() + i, 2);
    if (!c) break;
    guid += c;
  }
  if (!guid.empty() && guid.front() == u'{') guid = guid.substr(1, guid.size() >= 2 ? guid.size() - 2 : 0);
  *id = oa_str_alloc(guid.data(), static_cast<uint32_t>(guid.size()));
  return kOk;
}

int32_t UareUScanner::Open() {
  if (!m_deviceLock) {
    bool existed = false;
    auto lock = winsys::Event::createNamed(toUtf8(m_guid), true, false, &existed);
    if (!lock) return kFail;
    if (lock->isSet()) return kReaderInUse; // held by another object or process
    lock->set();
    m_deviceLock = std::move(lock);
  }
  std::lock_guard<std::mutex> cm(m_contextMutex);
  if (m_context) return kOk;
  VendorLibrary &v = vendor();
  int32_t ctx = 0;
  if (int32_t rc = call(v.createContext, &ctx); rc != 0) return mapVendor(rc);
  if (int32_t rc = call(v.connectDevice, ctx, m_device, 2); rc != 0) {
    call(v.closeContext, ctx);
    return mapVendor(rc);
  }
  auto fail = [&](int32_t rc) {
    call(v.disconnectDevice, ctx);
    call(v.closeContext, ctx);
    return mapVendor(rc);
  };
  if (int32_t rc = readDeviceSize(ctx); rc != 0) return fail(rc);
  {
    std::lock_guard<std::mutex> lock(m_lock);
    // Deliberate: never below the acquisition size, so a reader whose frames
    // vary (the virtual reader) can write any frame it can acquire.
    size_t need = std::max<size_t>(static_cast<size_t>(std::max(m_deviceWidth, 0)) *
                                       static_cast<size_t>(std::max(m_deviceHeight, 0)),
                                   kAcquireSize);
    try {
      if (m_image.size() < need) m_image.resize(need);
    } catch (...) {
      return fail(FT_ERR_NO_MEMORY);
    }
  }
  FT_UI_LINK link{&UareUScanner::onNotice, &UareUScanner::onLock, &UareUScanner::onUnlock,
                  m_deviceWidth, m_deviceHeight, 0, m_resolutionWord, 200, 0};
  if (int32_t rc = call(v.setupUIlink, ctx, static_cast<const FT_UI_LINK *>(&link), static_cast<void *>(this)); rc != 0)
    return fail(rc);
  m_context = ctx;
  return kOk;
}

int32_t UareUScanner::readDeviceSize(int32_t ctx) {
  uint8_t info[FT_CONNECTED_INFO_SIZE + 84] = {};
  if (int32_t rc = call(vendor().getConnectedDeviceInfo, ctx, static_cast<void *>(info)); rc != 0) return rc;
  int32_t w156, w160, w164, w168;
  std::memcpy(&w156, info + 156, 4);
  std::memcpy(&w160, info + 160, 4);
  std::memcpy(&w164, info + 164, 4);
  std::memcpy(&w168, info + 168, 4);
  std::lock_guard<std::mutex> lock(m_lock);
  m_deviceWidth = w168 == 0 ? w160 : w164; // a reader mounted turned reports its size swapped
  m_deviceHeight = w168 == 0 ? w164 : w160;
  m_resolutionWord = w156;
  return 0;
}

int32_t UareUScanner::Close() {
  std::lock_guard<std::mutex> cm(m_contextMutex);
  if (!m_context) return kOk;
  m_deviceLock.reset();
  VendorLibrary &v = vendor();
  call(v.disconnectDevice, m_context);
  call(v.closeContext, m_context);
  m_context = 0;
  return kOk;
}

int32_t UareUScanner::WorkerBody() {
  std::vector<uint8_t> buffer(kAcquireSize);
  VendorLibrary &v = vendor();
  while (!m_stop->isSet() && !(m_timed && m_timeout && winsys::tickCount() - m_startTick >= m_timeout)) {
    int32_t width = 0, height = 0;
    bool taken = false, failed = false;
    {
      std::lock_guard<std::mutex> cm(m_contextMutex);
      if (!m_context) break; // closed by a timed-out grab
      int32_t word = 0, flag = 1;
      int32_t rc1 = call(v.flushFpImages, m_context);
      int32_t rc2 = call(v.acquireImage, m_context, 0, kAcquireSize, buffer.data(), &word, &flag);
      if (rc1 == 0 && rc2 == 0 && flag == 0) {
        if (m_delivered->isSet()) continue;
        // Deliberate: the frame's size is read again after each image, for
        // readers whose frames vary in size (the virtual reader).
        readDeviceSize(m_context);
        std::lock_guard<std::mutex> lock(m_lock);
        width = m_deviceWidth, height = m_deviceHeight;
        // Deliberate: frames the reader reports at 500 dpi are never taken for
        // 700-dpi raw ones, however wide (a 640-wide print stays as it is).
        if (width >= 500 && m_resolutionWord != 500) {
          size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
          if (m_image.size() < n) m_image.resize(n);
          std::fill(m_image.begin(), m_image.end(), 0);
          if (call(v.getImagePixels, static_cast<const uint8_t *>(buffer.data()), width * height, m_image.data()) != 0)
            continue;
          normaliseWideRaw(m_image, width, height);
        }
        m_imageWidth = width, m_imageHeight = height;
        taken = true;
      } else {
        failed = true;
      }
    }
    if (taken && width > 0 && height > 0) deliverImage(width, height, m_image.data());
    auto suspended = suspend();
    if (failed && suspended && !suspended->isSet()) {
      winsys::Event *wake[] = {m_stop.get(), suspended.get()};
      if (winsys::waitAny(wake, 2, winsys::kInfinite) == 0) break;
    }
  }
  return 0;
}

int32_t UareUScanner::onNotice(int32_t *code, void *object) {
  auto *self = static_cast<UareUScanner *>(object);
  if (!code || !self) return 0;
  if (g_noticeBusy.test_and_set()) return 0;
  struct Release {
    ~Release() { g_noticeBusy.clear(); }
  } release;
  if (!self->active()) return 0;
  auto suspended = self->suspend();
  if (!suspended || !suspended->wait(kNoticeWaitMs)) return 1;
  if (!self->m_delivered->wait(kNoticeWaitMs)) return 1;
  switch (*code) {
  case 0: case 1: case 2: case 3:
    self->deliverStatus(*code + 1);
    break;
  case 8:
    self->deliverStatus(5);
    break;
  case 5:
    self->m_delivered->reset();
    break;
  default:
    break;
  }
  return 1;
}

void *UareUScanner::onLock(int32_t, void *object) {
  auto *self = static_cast<UareUScanner *>(object);
  self->m_lock.lock();
  return self->m_image.data();
}

int32_t UareUScanner::onUnlock(int32_t, void *object) {
  static_cast<UareUScanner *>(object)->m_lock.unlock();
  return 0;
}

} // namespace lumadrv
