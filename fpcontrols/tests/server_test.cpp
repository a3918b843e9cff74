// libdactilox.so as a host sees it, before any widget application exists:
// the exports are there, creation fails cleanly, the image class is refused.
#include "component/component.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>

using namespace component;

TEST(DactiloxServer, ExportsAndCreationWithoutAnApplication) {
  const auto lib = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "libdactilox.so";
  void *h = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(h, nullptr) << dlerror();
  for (const char *name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"})
    EXPECT_NE(dlsym(h, name), nullptr) << name;
  EXPECT_EQ(dlsym(h, "oa_variant_init"), nullptr) << "only the four exports leave the library";

  auto getClass = reinterpret_cast<int32_t (*)(const cp_guid *, const cp_guid *, void **)>(dlsym(h, "DllGetClassObject"));
  auto canUnload = reinterpret_cast<int32_t (*)()>(dlsym(h, "DllCanUnloadNow"));
  constexpr Guid identificar = makeGuid("{7545D7FA-3BFD-4688-8F75-E12B6CBC5410}");
  constexpr Guid image = makeGuid("{6FA1F1DE-113F-4C64-9E6D-DB517B75E25D}");
  void *f = nullptr;
  EXPECT_EQ(getClass(&image, &kIidClassFactory, &f), kNotCreatable);
  ASSERT_EQ(getClass(&identificar, &kIidClassFactory, &f), kOk);
  Object *o = nullptr;
  EXPECT_EQ(static_cast<ClassFactory *>(f)->createInstance(&o), kFail);
  EXPECT_EQ(o, nullptr);
  EXPECT_EQ(canUnload(), kOk);
  // Left loaded: unloading would take the Qt libraries it brought with it.
}
