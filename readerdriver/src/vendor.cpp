#include "vendor.h"

#include "lumadrv/lumadrv.h"

#include <cstdlib>
#include <dlfcn.h>
#include <string>

namespace lumadrv {

VendorLibrary &vendor() {
  static VendorLibrary v;
  return v;
}

int32_t mapVendor(int32_t code) {
  if (code == 0) return kOk;
  if (code == kMissing) return kVendorFunctionMissing;
  return static_cast<int32_t>(static_cast<uint32_t>(kVendorBase) + static_cast<uint32_t>(code));
}

namespace {

// Next to the driver first (it lives in the plug-in folder), then one folder
// up (the program's folder), then the normal library path. The vendor library
// stays mapped once loaded, like the driver itself.
constexpr int kOpen = RTLD_NOW | RTLD_NODELETE;

void *openVendor() {
  if (const char *over = std::getenv("LUMADRV_VENDOR_LIBRARY"); over && *over) return dlopen(over, kOpen);
  Dl_info info{};
  if (dladdr(reinterpret_cast<void *>(&vendor), &info) && info.dli_fname) {
    std::string dir(info.dli_fname);
    dir.erase(dir.rfind('/') + 1);
    for (const char *rel : {"libdpFpFns.so", "../libdpFpFns.so"})
      if (void *h = dlopen((dir + rel).c_str(), kOpen)) return h;
  }
  return dlopen("libdpFpFns.so", kOpen);
}

template <typename T>
void bind(void *module, T &slot, const char *name) {
  slot = reinterpret_cast<T>(dlsym(module, name));
}

} // namespace

void unbindVendor() {
  VendorLibrary &v = vendor();
  if (v.module) dlclose(v.module);
  v = VendorLibrary{};
}

int32_t bindVendor() {
  VendorLibrary &v = vendor();
  if (v.module) return kOk;
  void *m = openVendor();
  if (!m) return kVendorLibraryUnusable;
  v.module = m;
  bind(m, v.getVersion, "FT_getVersion");
  bind(m, v.getVersionInfo, "FT_getVersionInfo");
  bind(m, v.init, "FT_init");
  bind(m, v.terminate, "FT_terminate");
  bind(m, v.createContext, "FT_createContext");
  bind(m, v.closeContext, "FT_closeContext");
  bind(m, v.getSettings, "FT_getSettings");
  bind(m, v.setupPlugAndPlayMonitor, "FT_setupPlugAndPlayMonitor");
  bind(m, v.setupUIlink, "FT_setupUIlink");
  bind(m, v.setSecurityLevel, "FT_setSecurityLevel");
  bind(m, v.getSecurityLevel, "FT_getSecurityLevel");
  bind(m, v.getNumDevices, "FT_getNumDevices");
  bind(m, v.getDeviceList, "FT_getDeviceList");
  bind(m, v.getConnectedDeviceInfo, "FT_getConnectedDeviceInfo");
  bind(m, v.getDeviceInfo, "FT_getDeviceInfo");
  bind(m, v.connectDevice, "FT_connectDevice");
  bind(m, v.disconnectDevice, "FT_disconnectDevice");
  bind(m, v.startMonitoringDevice, "FT_startMonitoringDevice");
  bind(m, v.flushFpImages, "FT_flushFpImages");
  bind(m, v.acquireImage, "FT_acquireImage");
  bind(m, v.getImagePixels, "FT_getImagePixels");
  bool complete = (v.getVersion || v.getVersionInfo) && v.init && v.terminate && v.createContext && v.closeContext &&
                  v.getSettings && v.setupPlugAndPlayMonitor && v.setupUIlink && v.setSecurityLevel &&
                  v.getSecurityLevel && v.getNumDevices && v.getDeviceList && v.getConnectedDeviceInfo &&
                  v.getDeviceInfo && v.connectDevice && v.disconnectDevice && v.startMonitoringDevice &&
                  v.flushFpImages && v.acquireImage;
  if (!complete) {
    unbindVendor();
    return kVendorLibraryUnusable;
  }
  int32_t record[4] = {0, 0, 0, 0};
  if (v.getVersionInfo) {
    v.getVersionInfo(record);
  } else {
    int32_t w[3] = {0, 0, 0};
    v.getVersion(w);
    record[0] = w[0], record[1] = w[1], record[2] = 0, record[3] = w[2];
  }
  v.level = record[1] != 0 ? 2 : 1;
  return kOk;
}

} // namespace lumadrv
