// The eight exports of the driver and its string table.
#include "lumadrv/lumadrv.h"
#include "manager.h"
#include "scanner.h"

#include <cstring>
#include <new>

namespace lumadrv {
namespace {

struct Text {
  int32_t number;
  const char *text;
};

// Vendor error texts at 3840 + code, parameter texts at 4096 + id.
constexpr Text kStrings[] = {
    {3841, "UareU scanner error 'Fp software not initialized'"},
    {3842, "UareU scanner error 'Wrong parameter in the function call'"},
    {3843, "UareU scanner error 'Function not implemented'"},
    {3844, "UareU scanner error 'Generic i/o file error'"},
    {3845, "UareU scanner error 'Write error'"},
    {3846, "UareU scanner error 'Read error'"},
    {3847, "UareU scanner error 'Not enough memory'"},
    {3848, "UareU scanner error 'Internal error'"},
    {3849, "UareU scanner error 'Installation settings corrupted'"},
    {3850, "UareU scanner error 'Device is not known'"},
    {3851, "UareU scanner error 'The buffer is invalid'"},
    {3852, "UareU scanner error 'Image cannot be pre-processed - PLEASE NOTIFY DIGITAL PERSONA'"},
    {3853, "UareU scanner error 'The image preprocessing module has already been installed'"},
    {3854, "UareU scanner error 'Version mismatch'"},
    {3855, "UareU scanner error 'The device is being monitored already'"},
    {3856, "UareU scanner error 'Given length is too small for given buffer'"},
    {3857, "UareU scanner error 'The given context is invalid'"},
    {3858, "UareU scanner error 'Device already connected'"},
    {3859, "UareU scanner error 'No device connected'"},
    {3860, "UareU scanner error 'UI link not initialized'"},
    {3861, "UareU scanner error 'The given collection is invalid'"},
    {3862, "UareU scanner error 'Access to collection/context is denied'"},
    {3863, "UareU scanner error 'Invalid handle'"},
    {3864, "UareU scanner error 'ID already used in the collection'"},
    {3865, "UareU scanner error 'Invalid features' id'"},
    {3866, "UareU scanner error 'Timeout has occured'"},
    {3867, "UareU scanner error 'Registry error'"},
    {3868, "UareU scanner error 'No more entries available'"},
    {3869, "UareU scanner error 'Invalid features' type'"},
    {3870, "UareU scanner error 'Could not find registry key'"},
    {3871, "UareU scanner error 'invalid device'"},
    {3969, "UareU scanner warning 'Software not initialized'"},
    {3970, "UareU scanner warning 'No device connected'"},
    {3971, "UareU scanner warning 'Fp wasn't added to reg collectionbecause it didn't match any previous fp'"},
    {3972, "UareU scanner warning 'DoLearning == TRUE, but learningDataFollows == FALSE'"},
    {3974, "UareU scanner warning 'Not enough info to complete operation 100%'"},
    {3976, "UareU scanner warning 'Internal'"},
    {3977, "UareU scanner warning 'could not find registry key'"},
    {3978, "UareU scanner warning 'No more entries available'"},
    {3979, "UareU scanner warning 'device is not known'"},
    {4098, "Version high"},
    {4099, "Version low"},
    {4197, "Parameter count"},
    {4198, "Scanner resolution"},
};

const char *loadString(int32_t number) {
  for (const Text &t : kStrings)
    if (t.number == number) return t.text;
  return nullptr;
}

} // namespace
} // namespace lumadrv

using namespace lumadrv;

#define LUMA_EXPORT extern "C" __attribute__((visibility("default")))

LUMA_EXPORT int32_t _Init() {
  setStatusWindowHandle(0);
  return DeviceManager::instance().start();
}

LUMA_EXPORT int32_t _Terminate() { return DeviceManager::instance().terminate(); }

LUMA_EXPORT int32_t _CheckID(const char16_t *id) {
  if (!id) return kFail;
  std::u16string s(id);
  if (s.size() != 42 || s[5] != u'\\') return kFail;
  const char16_t *prefix = u"uareu";
  for (int i = 0; i < 5; ++i) {
    char16_t c = s[static_cast<size_t>(i)];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    if (c != prefix[i]) return kFail;
  }
  return kOk;
}

LUMA_EXPORT int32_t _GetDeviceCount(int32_t *count) {
  if (!count) return kInvalidArg;
  *count = DeviceManager::instance().count();
  return kOk;
}

LUMA_EXPORT int32_t _EnumDeviceIDs(int32_t capacity, oa_str **slots, int32_t *count) {
  if (!slots || !count) return kInvalidArg;
  std::vector<std::u16string> ids = DeviceManager::instance().ids();
  if (capacity < static_cast<int32_t>(ids.size())) return kInvalidArg;
  for (size_t k = 0; k < ids.size(); ++k) slots[k] = oa_str_alloc(ids[k].data(), static_cast<uint32_t>(ids[k].size()));
  *count = static_cast<int32_t>(ids.size());
  return kOk;
}

LUMA_EXPORT int32_t _CreateScannerImpl(ScannerImpl **scanner) {
  if (!scanner) return kInvalidArg;
  *scanner = new (std::nothrow) UareUScanner;
  return *scanner ? kOk : kOutOfMemory;
}

LUMA_EXPORT int32_t _SetDeviceStatusHWnd(intptr_t window) {
  setStatusWindowHandle(window);
  return DeviceManager::instance().start();
}

LUMA_EXPORT int32_t _GetErrDescr(int32_t code, char *buffer, int32_t size) {
  uint32_t u = static_cast<uint32_t>(code);
  if (u < 0x80042F00u || u > 0x80042FFFu || !buffer || size <= 0) return 0;
  const char *text = loadString(static_cast<int32_t>(3840 + (u - 0x80042F00u)));
  if (!text) return 0;
  size_t n = std::min(std::strlen(text), static_cast<size_t>(size - 1));
  std::memcpy(buffer, text, n);
  buffer[n] = 0;
  return static_cast<int32_t>(n);
}
