#include "component/host.h"

#include "component/registry.h"

#include <dlfcn.h>
#include <map>
#include <vector>

namespace component {

namespace {

using GetClassObjectFn = int32_t (*)(const cp_guid *, const cp_guid *, void **);
using CanUnloadNowFn = int32_t (*)();

struct Loaded {
  void *handle;
  GetClassObjectFn getClassObject;
  CanUnloadNowFn canUnloadNow;
};

std::map<std::string, Loaded> &loadedLibraries() {
  static std::map<std::string, Loaded> libs;
  return libs;
}

int32_t loadServer(const std::string &path, Loaded *out, std::string *error) {
  auto &libs = loadedLibraries();
  if (auto it = libs.find(path); it != libs.end()) {
    *out = it->second;
    return kOk;
  }
  void *h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    if (error) {
      const char *why = dlerror();
      *error = "cannot load " + path + ": " + (why ? why : "unknown reason");
    }
    return kLibraryNotFound;
  }
  Loaded l{h, reinterpret_cast<GetClassObjectFn>(dlsym(h, "DllGetClassObject")),
           reinterpret_cast<CanUnloadNowFn>(dlsym(h, "DllCanUnloadNow"))};
  if (!l.getClassObject) {
    dlclose(h);
    if (error) *error = path + " has no DllGetClassObject";
    return kExportNotFound;
  }
  libs[path] = l;
  *out = l;
  return kOk;
}

} // namespace

int32_t createInstance(const Guid &clsid, Ref<Object> *out, std::string *error) {
  if (!out) return kInvalidArg;
  out->reset();
  RegistryEntry entry;
  if (!lookupClass(clsid, &entry, error)) return kClassNotRegistered;
  Loaded lib{};
  if (int32_t rc = loadServer(entry.library, &lib, error); rc < 0) return rc;
  void *f = nullptr;
  int32_t rc = lib.getClassObject(&clsid, &kIidClassFactory, &f);
  if (rc < 0 || !f) {
    if (error) *error = formatGuid(clsid) + ": " + resultText(rc < 0 ? rc : kFail);
    return rc < 0 ? rc : kFail;
  }
  Object *o = nullptr;
  rc = static_cast<ClassFactory *>(f)->createInstance(&o);
  if (rc < 0 || !o) {
    if (error) *error = formatGuid(clsid) + ": " + resultText(rc < 0 ? rc : kFail);
    return rc < 0 ? rc : kFail;
  }
  *out = Ref<Object>(o);
  return kOk;
}

void freeUnusedLibraries() {
  auto &libs = loadedLibraries();
  for (auto it = libs.begin(); it != libs.end();) {
    if (it->second.canUnloadNow && it->second.canUnloadNow() == kOk) {
      dlclose(it->second.handle);
      it = libs.erase(it);
    } else {
      ++it;
    }
  }
}

int32_t getProperty(Object *o, int32_t dispid, Value *out, ErrorInfo *error) {
  if (!o || !out) return kInvalidArg;
  *out = Value();
  return o->invoke(dispid, kGet, nullptr, 0, out->get(), error);
}

int32_t putProperty(Object *o, int32_t dispid, Value value, ErrorInfo *error) {
  if (!o) return kInvalidArg;
  return o->invoke(dispid, kPut, value.get(), 1, nullptr, error);
}

int32_t callMethod(Object *o, int32_t dispid, std::initializer_list<oa_variant *> args, Value *result,
                   ErrorInfo *error) {
  if (!o) return kInvalidArg;
  // Shallow copies: the caller's values keep owning what they hold.
  std::vector<oa_variant> argv;
  for (oa_variant *a : args) argv.push_back(*a);
  Value local;
  Value *r = result ? result : &local;
  *r = Value();
  return o->invoke(dispid, kMethod, argv.data(), uint32_t(argv.size()), r->get(), error);
}

} // namespace component
