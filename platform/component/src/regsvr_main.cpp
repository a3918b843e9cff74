// talvenox-regsvr [-u] LIBRARY...: registers (or with -u unregisters) the
// classes of component server libraries in the registry file.
#include "component/component.h"
#include "component/registry.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>

int main(int argc, char **argv) {
  bool unregister = false;
  int first = 1;
  if (argc > 1 && std::strcmp(argv[1], "-u") == 0) {
    unregister = true;
    first = 2;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: %s [-u] LIBRARY...\nregistry file: %s\n", argv[0],
                 component::registryPath().c_str());
    return 2;
  }
  int failures = 0;
  for (int i = first; i < argc; ++i) {
    std::error_code ec;
    const std::string path = std::filesystem::absolute(argv[i], ec).string();
    void *h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
      std::fprintf(stderr, "%s: %s\n", argv[i], dlerror());
      ++failures;
      continue;
    }
    const char *name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto fn = reinterpret_cast<int32_t (*)()>(dlsym(h, name));
    const int32_t rc = fn ? fn() : component::kExportNotFound;
    if (rc < 0) {
      std::fprintf(stderr, "%s: %s: %s\n", argv[i], name, component::resultText(rc));
      ++failures;
    } else {
      std::printf("%s: %s in %s\n", argv[i], unregister ? "unregistered" : "registered",
                  component::registryPath().c_str());
    }
    dlclose(h);
  }
  return failures ? 1 : 0;
}
