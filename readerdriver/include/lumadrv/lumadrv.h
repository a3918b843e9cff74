// Lumadrv: the U.are.U reader driver, a plug-in of the scanner layer.
//
// The layer loads liblumadrv.so, calls its eight exports and drives the
// scanner objects that _CreateScannerImpl makes through ScannerImpl (slots 0
// to 13, in this order). Results are 32-bit codes in the style of HRESULTs
// (negative: failure), listed in lumadrv::Result.
#pragma once

#include <cstdint>

#include "oleauto/oleauto.h"

namespace lumadrv {

enum Result : int32_t {
  kOk = 0,
  kGrabTimedOut = 0x00041001,
  kInNotification = static_cast<int32_t>(0x80041006),
  kAlreadyRunning = static_cast<int32_t>(0x80041007),
  kVendorFunctionMissing = static_cast<int32_t>(0x80041009),
  kReaderInUse = static_cast<int32_t>(0x8004100A),
  kUnknownDevice = static_cast<int32_t>(0x8004100C),
  kVendorLibraryUnusable = static_cast<int32_t>(0x8004100D),
  kVendorBase = static_cast<int32_t>(0x80042F00), // + vendor code
  kInvalidArg = static_cast<int32_t>(0x80070057),
  kFail = static_cast<int32_t>(0x80004005),
  kNotImpl = static_cast<int32_t>(0x80004001),
  kOutOfMemory = static_cast<int32_t>(0x8007000E),
  kUnexpected = static_cast<int32_t>(0x8000FFFF),
};

// Messages of the driver's windows.
enum Message : uint32_t {
  kMsgImage = 1124,  // wParam height * 65536 + width, lParam pixels
  kMsgStatus = 1125, // wParam status code
  kMsgDevice = 1126, // to the status window: wParam vendor event + 1, lParam a new oa_str id (receiver frees)
  kMsgValue = 1127,  // wParam value for each sink's third callback
};

// Sink callbacks, called with the sink's key first. Pixels are valid during
// the call only. Status codes: 1 reader connected, 2 reader removed, 3 finger
// on, 4 finger off, 5 touch to repeat.
using ImageCallback = void (*)(uint32_t key, int32_t width, int32_t height, const uint8_t *pixels);
using StatusCallback = void (*)(uint32_t key, int32_t status);
using ValueCallback = void (*)(uint32_t key, int32_t value);

// One reader. Images and status codes reach the sinks on the thread that
// registered the first sink (it must pump winsys messages), or with
// SetDirectNotify(1) on the acquiring thread.
class ScannerImpl {
public:
  virtual ~ScannerImpl() = default;                                                                     // 0
  virtual int32_t Grab(int32_t timeoutMs, int32_t *width, int32_t *height, uint8_t *buffer, int32_t size) = 0; // 1
  virtual int32_t StartTimed(int32_t timeoutMs) = 0;                                                    // 2
  virtual int32_t Start() = 0;                                                                          // 3
  virtual int32_t Stop() = 0;                                                                           // 4
  virtual int32_t SaveImage(const char16_t *path) = 0;                                                  // 5
  virtual int32_t GetOption(int32_t *value) = 0;                                                        // 6
  virtual int32_t SetOption(int32_t value) = 0;                                                         // 7
  virtual int32_t GetId(oa_str **id) = 0;                                                               // 8
  virtual int32_t SetId(const char16_t *id) = 0;                                                        // 9
  virtual int32_t Advise(uint32_t key, ImageCallback image, StatusCallback status, ValueCallback value) = 0; // 10
  virtual int32_t SetDirectNotify(int32_t direct) = 0;                                                  // 11
  virtual int32_t GetParameter(int32_t id, oa_variant *value) = 0;                                      // 12
  virtual int32_t SetParameter(int32_t id, int32_t value) = 0;                                          // 13
};

} // namespace lumadrv

// The exports, by these names. Ids are UTF-16 texts "UareU\" + GUID (42 units).
extern "C" {
using LumaInitFn = int32_t (*)();
using LumaTerminateFn = int32_t (*)();
using LumaCheckIdFn = int32_t (*)(const char16_t *id);
using LumaGetDeviceCountFn = int32_t (*)(int32_t *count);
using LumaEnumDeviceIdsFn = int32_t (*)(int32_t capacity, oa_str **slots, int32_t *count);
using LumaCreateScannerFn = int32_t (*)(lumadrv::ScannerImpl **scanner);
using LumaSetStatusWindowFn = int32_t (*)(intptr_t window);
using LumaGetErrDescrFn = int32_t (*)(int32_t code, char *buffer, int32_t size);
}
