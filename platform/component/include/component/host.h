// The host side: create objects by class identity from the registry file and
// call them by dispatch identifier.
#ifndef COMPONENT_HOST_H
#define COMPONENT_HOST_H

#include "component/component.h"
#include "component/values.h"

#include <initializer_list>
#include <string>

namespace component {

// Holds one reference.
template <class T> class Ref {
public:
  Ref() = default;
  explicit Ref(T *adopt) : m_p(adopt) {}
  Ref(const Ref &o) : m_p(o.m_p) { if (m_p) m_p->addRef(); }
  Ref(Ref &&o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
  Ref &operator=(Ref o) noexcept { std::swap(m_p, o.m_p); return *this; }
  ~Ref() { reset(); }
  void reset() { if (m_p) { T *p = m_p; m_p = nullptr; p->release(); } }
  T *get() const { return m_p; }
  T *operator->() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  T **put() { reset(); return &m_p; }

private:
  T *m_p = nullptr;
};

// Looks the class up in the registry file, loads its library (next to
// nothing else: the path registered), asks its DllGetClassObject for the
// factory and creates one object. Libraries stay loaded until
// freeUnusedLibraries() finds them unused.
int32_t createInstance(const Guid &clsid, Ref<Object> *out, std::string *error);

// Unloads libraries whose DllCanUnloadNow says they are unused.
void freeUnusedLibraries();

// Calls by dispatch identifier; args in declaration order.
int32_t getProperty(Object *o, int32_t dispid, Value *out, ErrorInfo *error = nullptr);
int32_t putProperty(Object *o, int32_t dispid, Value value, ErrorInfo *error = nullptr);
int32_t callMethod(Object *o, int32_t dispid, std::initializer_list<oa_variant *> args, Value *result = nullptr,
                   ErrorInfo *error = nullptr);

} // namespace component

#endif
