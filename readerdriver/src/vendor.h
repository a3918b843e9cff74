// The vendor library bound at run time, one per process.
#pragma once

#include "dpfpfns/dpfpfns.h"

#include <cstdint>

namespace lumadrv {

struct VendorLibrary {
  void *module = nullptr;
  decltype(&FT_getVersion) getVersion = nullptr;
  decltype(&FT_getVersionInfo) getVersionInfo = nullptr;
  decltype(&FT_init) init = nullptr;
  decltype(&FT_terminate) terminate = nullptr;
  decltype(&FT_createContext) createContext = nullptr;
  decltype(&FT_closeContext) closeContext = nullptr;
  decltype(&FT_getSettings) getSettings = nullptr;
  decltype(&FT_setupPlugAndPlayMonitor) setupPlugAndPlayMonitor = nullptr;
  decltype(&FT_setupUIlink) setupUIlink = nullptr;
  decltype(&FT_setSecurityLevel) setSecurityLevel = nullptr;
  decltype(&FT_getSecurityLevel) getSecurityLevel = nullptr;
  decltype(&FT_getNumDevices) getNumDevices = nullptr;
  decltype(&FT_getDeviceList) getDeviceList = nullptr;
  decltype(&FT_getConnectedDeviceInfo) getConnectedDeviceInfo = nullptr;
  decltype(&FT_getDeviceInfo) getDeviceInfo = nullptr;
  decltype(&FT_connectDevice) connectDevice = nullptr;
  decltype(&FT_disconnectDevice) disconnectDevice = nullptr;
  decltype(&FT_startMonitoringDevice) startMonitoringDevice = nullptr;
  decltype(&FT_flushFpImages) flushFpImages = nullptr;
  decltype(&FT_acquireImage) acquireImage = nullptr;
  decltype(&FT_getImagePixels) getImagePixels = nullptr;
  int level = 1;
};

inline constexpr int32_t kMissing = -1001;

VendorLibrary &vendor();
// Binds the library (again after a failure); 0 or kVendorLibraryUnusable.
int32_t bindVendor();
void unbindVendor();
// Vendor code to result code.
int32_t mapVendor(int32_t code);

// Calls a bound vendor function, or yields kMissing when it is not bound.
template <typename F, typename... A>
int32_t call(F fn, A... args) {
  return fn ? fn(args...) : kMissing;
}

} // namespace lumadrv
