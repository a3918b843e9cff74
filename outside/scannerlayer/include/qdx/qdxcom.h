// The scanner component (libqdxcom.so), built on the scanner layer and
// platform/component. A host creates the manager by class identity
// kClsidManager and drives it by dispatch identifier:
//
// Manager (not visual, no events)
//   1 Initialize()                                   method; counted, pairs with Finalize
//   2 EnumDeviceIDs(ids: Variant, by reference)      method; a variant array (lower bound 0) of
//                                                    String variants: the attached readers only,
//                                                    never the pseudo scanner "File"
//   3 CreateScanner(id: String, scanner: Variant by reference)
//                                                    method; id is a reader id or "File"; the scanner
//                                                    arrives as a variant of kind kObjectKind holding a
//                                                    component::Object* with one reference, which the
//                                                    caller takes with takeObject() and releases
//   4 GetErrorDescription(number: Long, description: String by reference)   method
//   5 Finalize()                                     method
//   6 NotifyHandle                                   get, Long: a descriptor that becomes readable
//                                                    when notices wait for this thread
//   7 PumpMessages()                                 method; delivers them (the Image events)
//
// Scanner (interface kIidScanner, event interface kIidScannerEvents)
//   1 StartCapturing()   method; images then arrive as Image events on the
//                        thread that called it, when that thread runs PumpMessages
//   2 StopCapturing()    method; no Image event after it returns
//   3 Id                 get, String
//   event 1 Image(width: Long, height: Long, Image: Variant byte array 0x2011, lower bound 0)
//
// Failures come back as negative results of invoke with ErrorInfo text; the
// number can be given to GetErrorDescription.
#pragma once

#include "component/component.h"
#include "component/guid.h"

namespace qdxcom {

inline constexpr component::Guid kClsidManager = component::makeGuid("{22BE3E3A-8D7F-4EE0-B558-43003CB78E59}");
inline constexpr component::Guid kIidManager = component::makeGuid("{6C0E5B7A-2F41-4D7B-9A3E-58B1C2D4E601}");
inline constexpr component::Guid kClsidScanner = component::makeGuid("{6C0E5B7A-2F41-4D7B-9A3E-58B1C2D4E602}");
inline constexpr component::Guid kIidScanner = component::makeGuid("{37CBB6C1-9C8B-4592-A057-B9EE0320EA9C}");
inline constexpr component::Guid kIidScannerEvents = component::makeGuid("{6C0E5B7A-2F41-4D7B-9A3E-58B1C2D4E603}");

enum ManagerMember : int32_t {
  kInitialize = 1,
  kEnumDeviceIds = 2,
  kCreateScanner = 3,
  kGetErrorDescription = 4,
  kFinalize = 5,
  kNotifyHandle = 6,
  kPumpMessages = 7,
};
enum ScannerMember : int32_t { kStartCapturing = 1, kStopCapturing = 2, kId = 3 };
enum ScannerEvent : int32_t { kImage = 1 };

// Variant kind of an object reference (the number other automation layers use).
inline constexpr uint16_t kObjectKind = 9;

// Takes the object out of a variant of kind kObjectKind (or a reference to
// one); the variant is left empty. Null when it holds no object.
inline component::Object *takeObject(oa_variant *v) {
  oa_variant *t = oa_variant_deref(v);
  if (!t || t->kind != kObjectKind) return nullptr;
  auto *o = static_cast<component::Object *>(t->v.ptr);
  t->kind = OA_EMPTY;
  t->v.ptr = nullptr;
  return o;
}

} // namespace qdxcom
