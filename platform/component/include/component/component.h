// Embeddable components: objects created by class identity, driven by
// dispatch identifier (property get, property put, method) and raising
// outgoing events by identifier to the sinks connected to them.
//
// Server and host are built with the same compiler and C++ library, so the
// interfaces below are plain abstract classes; only the four server exports
// (server.h) are extern "C". Every call happens on the host's user-interface
// thread; nothing here is thread-safe.
#ifndef COMPONENT_COMPONENT_H
#define COMPONENT_COMPONENT_H

#include "component/guid.h"
#include "oleauto/oleauto.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace component {

// Results of every operation here. Success is >= 0.
enum Result : int32_t {
  kOk = 0,
  kFalse = 1,                // success, answer "no" (DllCanUnloadNow: still in use)
  kFail = -1,                // the member failed; the error text says why
  kClassNotRegistered = -2,  // no registry entry for the class identity
  kClassNotAvailable = -3,   // the server does not make this class
  kNotCreatable = -4,        // the class exists but hosts may not create it
  kNoInterface = -5,         // the interface identity asked for is not offered
  kMemberNotFound = -6,      // no member with this dispatch identifier
  kBadInvokeKind = -7,       // the member exists but not with this kind (put on a read-only property...)
  kTypeMismatch = -8,        // an argument cannot be converted to the member's type
  kOverflow = -9,            // an argument does not fit the member's type or store
  kBadArgCount = -10,        // wrong number of arguments
  kLibraryNotFound = -11,    // the registered library cannot be loaded
  kExportNotFound = -12,     // the library lacks DllGetClassObject
  kRegistryError = -13,      // the registry file cannot be read or written
  kInvalidArg = -14,         // null pointer or bad cookie
};

// A short English text for a result ("member not found").
const char *resultText(int32_t result);

// Invoke kinds; a member's kinds are a combination.
enum InvokeKind : uint16_t {
  kGet = 1,
  kPut = 2,
  kPutRef = 4,
  kMethod = 8,
};

// One argument or event argument. type is an oleauto kind (OA_UI1, OA_I2,
// OA_I4, OA_BOOL, OA_STR, OA_VARIANT), with OA_BYREF when passed by reference.
struct ParamInfo {
  const char *name;
  uint16_t type;
};

constexpr int kMaxParams = 4;

// One member of a default interface. type: the property's type or the
// method's result type (OA_EMPTY: no result). defaultValue documents the
// value at creation ("" when there is none).
struct MemberInfo {
  const char *name;
  int32_t dispid;
  uint16_t kinds;
  uint16_t type;
  const char *defaultValue;
  uint8_t paramCount;
  ParamInfo params[kMaxParams];
};

struct EventInfo {
  const char *name;
  int32_t dispid;
  uint8_t paramCount;
  ParamInfo params[kMaxParams];
};

// What a class offers, in interface order.
struct ClassInfo {
  const char *name;
  Guid clsid;
  Guid iid;       // default interface
  Guid eventIid;  // event interface (all zero: none)
  const char *interfaceName;
  const char *eventInterfaceName;
  bool creatable;
  const MemberInfo *members;
  size_t memberCount;
  const EventInfo *events;
  size_t eventCount;
};

struct TypeLibInfo {
  const char *name;
  Guid libid;
  uint16_t major;
  uint16_t minor;
  uint32_t locale;
};

// Error raised to the caller of invoke: the result code and a text.
struct ErrorInfo {
  int32_t code = kOk;
  std::string text;  // UTF-8
};

// Receives a component's outgoing events. args are in declaration order and
// belong to the component; they are valid only during the call.
class EventSink {
public:
  virtual void onEvent(int32_t dispid, oa_variant *args, uint32_t argc) = 0;

protected:
  ~EventSink() = default;
};

// A component object. Reference counted: the creator holds one reference;
// the object is destroyed inside its library when the count drops to zero.
class Object {
public:
  virtual uint32_t addRef() = 0;
  virtual uint32_t release() = 0;
  virtual const ClassInfo *classInfo() const = 0;

  // Calls a member. args are in declaration order (first argument first);
  // a by-reference argument is an OA_BYREF variant pointing at the caller's
  // storage, which the member may write. result (may be null) receives the
  // property value or the method result; the caller clears it. On failure the
  // result is negative and error (may be null) says why.
  virtual int32_t invoke(int32_t dispid, uint16_t kind, oa_variant *args, uint32_t argc,
                         oa_variant *result, ErrorInfo *error) = 0;

  // Connects a sink to the default event interface; the sink must outlive the
  // connection. Events are raised synchronously on the caller's thread.
  virtual int32_t advise(EventSink *sink, uint32_t *cookie) = 0;
  virtual int32_t unadvise(uint32_t cookie) = 0;

  // The QWidget* of a visual control, null for an object without a window.
  // The view belongs to the object: a host may reparent and lay it out but
  // must release the object before the parent destroys its children.
  virtual void *view() = 0;

protected:
  virtual ~Object() = default;
};

// Identity of the class factory interface, the one DllGetClassObject hands out.
inline constexpr Guid kIidClassFactory = makeGuid("{3B7E52C1-6F0D-4A8E-9C61-2D5A0F4B8E17}");

class ClassFactory {
public:
  // A new object with one reference.
  virtual int32_t createInstance(Object **out) = 0;
  // Keeps the server loaded while locked (counted).
  virtual int32_t lockServer(bool lock) = 0;

protected:
  ~ClassFactory() = default;
};

} // namespace component

#endif
