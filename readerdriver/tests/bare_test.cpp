// Lumadrv with a vendor library that is missing, incomplete or failing. Each
// case runs in a process of its own (the binding is once per process); ctest
// picks the case with --gtest_filter and sets LUMADRV_VENDOR_LIBRARY.
#include "lumadrv/lumadrv.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <vector>

using namespace lumadrv;

namespace {
template <typename F>
F fn(void *lib, const char *name) {
  return reinterpret_cast<F>(dlsym(lib, name));
}
void *driverLib() {
  static void *lib = dlopen(LUMADRV_PATH, RTLD_NOW);
  return lib;
}
} // namespace

TEST(Bare, WithoutAUsableVendorLibraryThereAreNoReaders) {
  void *lib = driverLib();
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(fn<LumaInitFn>(lib, "_Init")(), 0); // not a failure: no devices
  int32_t n = -1;
  EXPECT_EQ(fn<LumaGetDeviceCountFn>(lib, "_GetDeviceCount")(&n), 0);
  EXPECT_EQ(n, 0);
  ScannerImpl *s = nullptr;
  ASSERT_EQ(fn<LumaCreateScannerFn>(lib, "_CreateScannerImpl")(&s), 0);
  EXPECT_EQ(s->SetId(u"UareU\\61616161-2222-3333-4444-555555555555"), kUnknownDevice);
  EXPECT_EQ(s->Start(), kFail);
  oa_str *slots[1] = {nullptr};
  int32_t got = -1;
  EXPECT_EQ(fn<LumaEnumDeviceIdsFn>(lib, "_EnumDeviceIDs")(0, slots, &got), 0);
  EXPECT_EQ(got, 0);
  delete s;
  EXPECT_EQ(fn<LumaTerminateFn>(lib, "_Terminate")(), 0);
}

TEST(Bare, AFailingInitIsReportedAndRetried) {
  void *lib = driverLib();
  EXPECT_EQ(static_cast<uint32_t>(fn<LumaInitFn>(lib, "_Init")()), 0x80042F04u);
  EXPECT_EQ(static_cast<uint32_t>(fn<LumaSetStatusWindowFn>(lib, "_SetDeviceStatusHWnd")(0)), 0x80042F04u);
}

TEST(Bare, WithoutPixelFunctionWideFramesNeverArrive) {
  void *lib = driverLib();
  void *fake = dlopen(std::getenv("LUMADRV_VENDOR_LIBRARY"), RTLD_NOW);
  ASSERT_NE(fake, nullptr);
  fn<void (*)(uint64_t, const char *)>(fake, "fake_add_device")(7, "61616161-2222-3333-4444-555555555555");
  ASSERT_EQ(fn<LumaInitFn>(lib, "_Init")(), 0);
  ScannerImpl *s = nullptr;
  ASSERT_EQ(fn<LumaCreateScannerFn>(lib, "_CreateScannerImpl")(&s), 0);
  ASSERT_EQ(s->SetId(u"UareU\\61616161-2222-3333-4444-555555555555"), 0);
  fn<void (*)(int32_t, int32_t, int32_t, int32_t)>(fake, "fake_frame")(700, 700, 700, 0);
  std::vector<uint8_t> raw(700 * 700, 100), buf(700 * 700);
  fn<void (*)(const uint8_t *, size_t)>(fake, "fake_touch")(raw.data(), raw.size());
  int32_t w, h;
  EXPECT_EQ(s->Grab(300, &w, &h, buf.data(), static_cast<int32_t>(buf.size())), kGrabTimedOut);
  delete s;
}
