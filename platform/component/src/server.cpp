#include "component/server.h"

#include "component/registry.h"

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <map>

namespace component {

namespace {
long g_moduleCount = 0;

// One factory per class, made on demand; lives as long as the library.
class Factory final : public ClassFactory {
public:
  explicit Factory(const ServerClass *c) : m_class(c) {}
  int32_t createInstance(Object **out) override {
    if (!out) return kInvalidArg;
    *out = nullptr;
    if (!m_class->create || !m_class->info->creatable) return kNotCreatable;
    *out = m_class->create();
    return *out ? kOk : kFail;
  }
  int32_t lockServer(bool lock) override {
    if (lock) moduleAddRef();
    else moduleRelease();
    return kOk;
  }

private:
  const ServerClass *m_class;
};

} // namespace

void moduleAddRef() { ++g_moduleCount; }
void moduleRelease() { --g_moduleCount; }
long moduleCount() { return g_moduleCount; }

uint32_t ObjectBase::release() {
  const uint32_t n = --m_refs;
  if (n == 0) delete this;
  return n;
}

int32_t ObjectBase::advise(EventSink *sink, uint32_t *cookie) {
  if (!sink || !cookie) return kInvalidArg;
  *cookie = m_nextCookie++;
  m_sinks.push_back({*cookie, sink});
  return kOk;
}

int32_t ObjectBase::unadvise(uint32_t cookie) {
  auto it = std::find_if(m_sinks.begin(), m_sinks.end(), [&](const Connection &c) { return c.cookie == cookie; });
  if (it == m_sinks.end()) return kInvalidArg;
  m_sinks.erase(it);
  return kOk;
}

size_t ObjectBase::sinkCount() const { return m_sinks.size(); }

void ObjectBase::raiseEvent(int32_t dispid, oa_variant *args, uint32_t argc) {
  // A handler may release the last host reference; keep the object alive
  // until every sink had the event.
  addRef();
  const std::vector<Connection> snapshot = m_sinks;
  for (const Connection &c : snapshot) {
    const bool still = std::any_of(m_sinks.begin(), m_sinks.end(),
                                   [&](const Connection &k) { return k.cookie == c.cookie; });
    if (still) c.sink->onEvent(dispid, args, argc);
  }
  release();
}

int32_t serverGetClassObject(const ServerClass *table, size_t count, const cp_guid *clsid, const cp_guid *iid,
                             void **out) {
  if (!clsid || !iid || !out) return kInvalidArg;
  *out = nullptr;
  if (!(*iid == kIidClassFactory)) return kNoInterface;
  for (size_t i = 0; i < count; ++i) {
    if (table[i].info->clsid == *clsid) {
      if (!table[i].create || !table[i].info->creatable) return kNotCreatable;
      // One factory per class for the life of the library; the host may
      // hold it as long as the library is loaded.
      static std::map<const ServerClass *, Factory> factories;
      auto it = factories.try_emplace(&table[i], &table[i]).first;
      *out = static_cast<ClassFactory *>(&it->second);
      return kOk;
    }
  }
  return kClassNotAvailable;
}

std::string libraryPathOf(const void *address) {
  Dl_info info{};
  if (!dladdr(address, &info) || !info.dli_fname) return {};
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(info.dli_fname, ec);
  auto canon = std::filesystem::weakly_canonical(p, ec);
  return (ec ? p : canon).string();
}

int32_t serverRegister(const ServerClass *table, size_t count, const TypeLibInfo &lib, const void *anchor,
                       const char *libraryName) {
  const std::string path = libraryPathOf(anchor);
  if (path.empty()) return kFail;
  std::vector<RegistryEntry> entries;
  for (size_t i = 0; i < count; ++i) {
    if (!table[i].info->creatable) continue;
    RegistryEntry e;
    e.clsid = table[i].info->clsid;
    e.name = std::string(libraryName) + "." + table[i].info->name;
    e.library = path;
    e.typeLib = formatGuid(lib.libid);
    e.version = std::to_string(lib.major) + "." + std::to_string(lib.minor);
    entries.push_back(std::move(e));
  }
  return registerEntries(registryPath(), entries, nullptr) ? kOk : kRegistryError;
}

int32_t serverUnregister(const ServerClass *table, size_t count) {
  std::vector<Guid> classes;
  for (size_t i = 0; i < count; ++i) classes.push_back(table[i].info->clsid);
  return unregisterClasses(registryPath(), classes, nullptr) ? kOk : kRegistryError;
}

} // namespace component
