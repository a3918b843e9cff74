// The process-wide device manager: device list, plug-and-play thread.
#pragma once

#include "winsys/winsys.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace lumadrv {

class ScannerBase;

class DeviceManager {
public:
  static DeviceManager &instance();

  // Starts when not started; 0 or a mapped FT_init code.
  int32_t start();
  int32_t terminate();
  bool started() const;

  int32_t count();
  // Device ids "UareU\<guid>" in list order.
  std::vector<std::u16string> ids();
  // Id (with or without the prefix) to handle; 0 when unknown.
  uint64_t handleOf(const std::u16string &id);
  // GUID text stored for a handle; empty when unknown.
  std::u16string guidFor(uint64_t handle);

  void registerScanner(ScannerBase *s);
  void unregisterScanner(ScannerBase *s);

  void setStatusWindow(intptr_t window);

  // Vendor plug-and-play notice (any thread).
  static void onVendorNotice(const void *record, void *context);

private:
  DeviceManager() = default;
  int32_t fillList(); // under m_mutex
  std::u16string guidOf(uint64_t handle); // under m_mutex
  void pnpThread();

  mutable std::mutex m_mutex;
  bool m_started = false;
  std::vector<uint64_t> m_handles;
  std::vector<std::u16string> m_guids;
  struct Notice {
    int32_t type;
    uint64_t handle;
  };
  std::deque<Notice> m_queue;
  std::unique_ptr<winsys::Event> m_queueEvent = winsys::Event::create(false, false);
  std::unique_ptr<winsys::Event> m_stopEvent = winsys::Event::create(true, false);
  std::unique_ptr<winsys::Thread> m_thread;
  std::set<ScannerBase *> m_scanners;
  std::mutex m_startMutex; // one start or termination at a time
};

// "Suspend_" + id with everything but ASCII letters and digits made blank.
std::string suspendEventName(const std::u16string &id);
std::u16string withPrefix(const std::u16string &guid);
std::string toUtf8(const std::u16string &s);
std::u16string fromUtf8(const std::string &s);

intptr_t statusWindow();
void setStatusWindowHandle(intptr_t w);

} // namespace lumadrv
