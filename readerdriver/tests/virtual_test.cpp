// Lumadrv over the real vendor library and libfprint's virtual reader.
#include "lumadrv/lumadrv.h"
#include "touch_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <dlfcn.h>
#include <thread>

using namespace lumadrv;

namespace {
template <typename F>
F fn(void *lib, const char *name) {
  return reinterpret_cast<F>(dlsym(lib, name));
}

// Grabs while another thread puts `what` on the reader.
int32_t grabWhile(ScannerImpl *s, const std::function<void()> &what, std::vector<uint8_t> &buf, int32_t &w,
                  int32_t &h) {
  std::thread t(what);
  int32_t rc = s->Grab(15000, &w, &h, buf.data(), static_cast<int32_t>(buf.size()));
  t.join();
  return rc;
}
} // namespace

TEST(VirtualReader, GrabGetsThePrintByteForByteAndGarbageHarmsNothing) {
  const std::string sock = touch::socketPath("grab");
  setenv("FP_VIRTUAL_IMAGE", sock.c_str(), 1);
  unsetenv("LUMADRV_VENDOR_LIBRARY");
  void *lib = dlopen(LUMADRV_PATH, RTLD_NOW);
  ASSERT_NE(lib, nullptr) << dlerror();
  ASSERT_EQ(fn<LumaInitFn>(lib, "_Init")(), 0);
  int32_t n = 0;
  fn<LumaGetDeviceCountFn>(lib, "_GetDeviceCount")(&n);
  ASSERT_EQ(n, 1) << "the virtual reader should be listed";
  oa_str *ids[1] = {nullptr};
  int32_t got = 0;
  ASSERT_EQ(fn<LumaEnumDeviceIdsFn>(lib, "_EnumDeviceIDs")(1, ids, &got), 0);
  ScannerImpl *s = nullptr;
  ASSERT_EQ(fn<LumaCreateScannerFn>(lib, "_CreateScannerImpl")(&s), 0);
  ASSERT_EQ(s->SetId(ids[0]), 0);
  oa_str_free(ids[0]);

  touch::Print pr = touch::print(5);
  std::vector<uint8_t> buf(640 * 480);
  int32_t w = 0, h = 0;
  ASSERT_EQ(grabWhile(s, [&] { EXPECT_TRUE(touch::put(sock, pr)); }, buf, w, h), 0);
  EXPECT_EQ(w, pr.width);
  EXPECT_EQ(h, pr.height);
  EXPECT_TRUE(std::equal(pr.pixels.begin(), pr.pixels.end(), buf.begin()));

  // Hostile clients: an oversized header, an unknown command, random bytes, a
  // retry. The reader drops them; the next real touch still arrives.
  touch::Print wide = touch::print(6, 640, 480);
  auto garbage = [&] {
    EXPECT_TRUE(touch::command(sock, 6000, 6000));
    EXPECT_TRUE(touch::command(sock, -77, 0));
    std::vector<uint8_t> noise(4096);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 131 + 7);
    touch::sendRaw(sock, noise.data(), noise.size());
    EXPECT_TRUE(touch::command(sock, -1, 1)); // retry: finger too short
    EXPECT_TRUE(touch::put(sock, wide));
  };
  ASSERT_EQ(grabWhile(s, garbage, buf, w, h), 0);
  EXPECT_EQ(w, 640); // a 500-dpi print wider than 500 arrives as it is
  EXPECT_EQ(h, 480);
  EXPECT_TRUE(std::equal(wide.pixels.begin(), wide.pixels.end(), buf.begin()));
  delete s;
  EXPECT_EQ(fn<LumaTerminateFn>(lib, "_Terminate")(), 0);
}
