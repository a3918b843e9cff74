// The scanner object: ScannerBase (worker thread, notifications, slots 1 to
// 13) and UareUScanner (the reader through the vendor library).
#pragma once

#include "lumadrv/lumadrv.h"
#include "winsys/winsys.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace lumadrv {

class ScannerBase : public ScannerImpl {
public:
  ScannerBase();
  ~ScannerBase() override;

  int32_t Grab(int32_t timeoutMs, int32_t *width, int32_t *height, uint8_t *buffer, int32_t size) override;
  int32_t StartTimed(int32_t timeoutMs) override;
  int32_t Start() override;
  int32_t Stop() override;
  int32_t SaveImage(const char16_t *path) override;
  int32_t GetOption(int32_t *value) override;
  int32_t SetOption(int32_t value) override;
  int32_t Advise(uint32_t key, ImageCallback image, StatusCallback status, ValueCallback value) override;
  int32_t SetDirectNotify(int32_t direct) override;
  int32_t GetParameter(int32_t id, oa_variant *value) override;
  int32_t SetParameter(int32_t id, int32_t value) override;
  // Slots 14 to 16.
  virtual int32_t Open() = 0;
  virtual int32_t Close() = 0;
  virtual int32_t WorkerBody() = 0;

protected:
  bool active() const;
  void deliverImage(int32_t w, int32_t h, const uint8_t *pixels);
  void deliverStatus(int32_t status);
  void serveImage(int32_t w, int32_t h, const uint8_t *pixels);
  void serveStatus(int32_t status);
  intptr_t windowProc(uint32_t msg, uintptr_t wParam, intptr_t lParam);
  // Ends the worker (the destructor's last step).
  void endWorker();

  // Named after the device id by SetId; replaced while the worker may read it.
  std::shared_ptr<winsys::Event> suspend() const;
  void setSuspend(std::shared_ptr<winsys::Event> e);
  std::unique_ptr<winsys::Event> m_stop = winsys::Event::create(true, false);
  std::unique_ptr<winsys::Event> m_delivered = winsys::Event::create(true, false);
  std::unique_ptr<winsys::Thread> m_worker;
  std::unique_ptr<winsys::Event> m_deviceLock; // named after the reader's GUID
  std::atomic<bool> m_timed{false};
  int32_t m_option = 1;
  std::atomic<bool> m_inNotification{false};
  std::atomic<bool> m_grab{false};
  std::atomic<bool> m_grabbedImage{false}; // an image arrived during this grab
  std::atomic<uint32_t> m_startTick{0};
  std::atomic<uint32_t> m_timeout{0};
  std::vector<uint8_t> m_image;    // guarded by m_lock
  std::vector<uint8_t> m_delivery; // copy for the window
  int32_t m_deviceWidth = 0, m_deviceHeight = 0;
  int32_t m_imageWidth = 0, m_imageHeight = 0; // guarded by m_lock
  int32_t m_parameterCount = 2;
  int32_t m_resolution = 500;
  std::mutex m_lock;
  std::atomic<bool> m_direct{false};
  struct Sink {
    ImageCallback image;
    StatusCallback status;
    ValueCallback value;
  };
  std::mutex m_sinkMutex;
  std::map<uint32_t, Sink> m_sinks;
  winsys::WindowHandle m_window = 0;

private:
  mutable std::mutex m_suspendMutex;
  std::shared_ptr<winsys::Event> m_suspend;
};

class UareUScanner final : public ScannerBase {
public:
  UareUScanner();
  ~UareUScanner() override;
  int32_t GetId(oa_str **id) override;
  int32_t SetId(const char16_t *id) override;
  int32_t Open() override;
  int32_t Close() override;
  int32_t WorkerBody() override;

  // UI link functions of the vendor library.
  static int32_t onNotice(int32_t *code, void *object);
  static void *onLock(int32_t word, void *object);
  static int32_t onUnlock(int32_t word, void *object);

private:
  // The connected-device record: device size (swapped for a turned reader) and resolution word.
  int32_t readDeviceSize(int32_t ctx);

  uint64_t m_device = 0;
  int32_t m_context = 0;
  int32_t m_resolutionWord = 0; // word 156 of the connected-device record
  std::u16string m_guid;
  // Held by the worker around its vendor calls, so Close never releases the
  // context under it (a timed-out Grab closes without waiting for the worker).
  std::mutex m_contextMutex;
};

} // namespace lumadrv
