// The server side: a library that makes component objects.
//
// A server lists its classes in a table of ServerClass and expands
// COMPONENT_SERVER_EXPORTS(table, count, typelib) once, which defines the four
// exports a host looks for:
//
//   int32_t DllGetClassObject(const cp_guid *clsid, const cp_guid *iid, void **out);
//   int32_t DllCanUnloadNow(void);       // kOk: unload is safe, kFalse: in use
//   int32_t DllRegisterServer(void);     // writes the classes to the registry file
//   int32_t DllUnregisterServer(void);   // removes them
//
// Registration records this library's own absolute path (found with dladdr).
#ifndef COMPONENT_SERVER_H
#define COMPONENT_SERVER_H

#include "component/component.h"

#include <cstddef>
#include <vector>

namespace component {

struct ServerClass {
  const ClassInfo *info;
  Object *(*create)();  // null for a class hosts may not create
};

// Live objects and server locks of this library; DllCanUnloadNow reads it.
void moduleAddRef();
void moduleRelease();
long moduleCount();

// Reference counting and event connections for an object. A derived class
// implements classInfo, invoke and view.
class ObjectBase : public Object {
public:
  ObjectBase() { moduleAddRef(); }
  ObjectBase(const ObjectBase &) = delete;
  ObjectBase &operator=(const ObjectBase &) = delete;

  uint32_t addRef() override { return ++m_refs; }
  uint32_t release() override;
  int32_t advise(EventSink *sink, uint32_t *cookie) override;
  int32_t unadvise(uint32_t cookie) override;

  // Raises an event to every connected sink, in connection order. A sink may
  // disconnect itself or others while it runs.
  void raiseEvent(int32_t dispid, oa_variant *args, uint32_t argc);
  size_t sinkCount() const;
  uint32_t refCount() const { return m_refs; }

protected:
  ~ObjectBase() override { moduleRelease(); }

private:
  struct Connection {
    uint32_t cookie;
    EventSink *sink;
  };
  uint32_t m_refs = 1;
  uint32_t m_nextCookie = 1;
  std::vector<Connection> m_sinks;
};

// The shared bodies of the exports.
int32_t serverGetClassObject(const ServerClass *table, size_t count, const cp_guid *clsid, const cp_guid *iid,
                             void **out);
int32_t serverRegister(const ServerClass *table, size_t count, const TypeLibInfo &lib, const void *anchor,
                       const char *libraryName);
int32_t serverUnregister(const ServerClass *table, size_t count);
// Absolute path of the shared object that holds address.
std::string libraryPathOf(const void *address);

} // namespace component

#define COMPONENT_EXPORT extern "C" __attribute__((visibility("default")))

#define COMPONENT_SERVER_EXPORTS(table, count, typelib)                                              \
  COMPONENT_EXPORT int32_t DllGetClassObject(const cp_guid *clsid, const cp_guid *iid, void **out) { \
    return ::component::serverGetClassObject(table, count, clsid, iid, out);                         \
  }                                                                                                  \
  COMPONENT_EXPORT int32_t DllCanUnloadNow(void) {                                                   \
    return ::component::moduleCount() == 0 ? ::component::kOk : ::component::kFalse;                 \
  }                                                                                                  \
  COMPONENT_EXPORT int32_t DllRegisterServer(void) {                                                 \
    return ::component::serverRegister(table, count, typelib, reinterpret_cast<const void *>(&DllCanUnloadNow), \
                                       (typelib).name);                                             \
  }                                                                                                  \
  COMPONENT_EXPORT int32_t DllUnregisterServer(void) { return ::component::serverUnregister(table, count); }

#endif
