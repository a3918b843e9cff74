// Plexar over the real scanner layer and Lumadrv, with the recording fake
// vendor library (two readers): result codes, "File" hidden, parameters,
// captures, notices.
#include "plexar/plexar.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

void *fake() {
  static void *f = dlopen(std::getenv("LUMADRV_VENDOR_LIBRARY"), RTLD_NOW);
  return f;
}
template <typename F>
F fakeFn(const char *name) {
  return reinterpret_cast<F>(dlsym(fake(), name));
}

struct Calls {
  std::mutex m;
  std::vector<std::string> ids;
  std::vector<int32_t> monitor, status;
  int images = 0;
  int32_t res = 0, user = 0;
} g_calls;

void onMonitor(const char *id, int32_t event, int32_t) {
  std::lock_guard<std::mutex> l(g_calls.m);
  g_calls.monitor.push_back(event);
  g_calls.ids.push_back(id);
}
void onImage(const char *id, intptr_t, intptr_t, intptr_t, int32_t res, int32_t user) {
  std::lock_guard<std::mutex> l(g_calls.m);
  ++g_calls.images;
  g_calls.res = res, g_calls.user = user;
  g_calls.ids.push_back(id);
}
void onStatus(const char *, int32_t status, int32_t) {
  std::lock_guard<std::mutex> l(g_calls.m);
  g_calls.status.push_back(status);
}

template <typename P>
bool waitFor(P p, int ms) {
  for (int i = 0; i < ms / 10 && !p(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return p();
}

// Readers of their own: a reader's lock is seen by every process, and the
// driver's tests may run at the same time.
const char *kIdA = "UareU\\51515151-2222-3333-4444-555555555555";
const char *kIdB = "UareU\\52525252-2222-3333-4444-555555555555";

class PlexarTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ASSERT_NE(fake(), nullptr) << "LUMADRV_VENDOR_LIBRARY must name the fake vendor library";
    fakeFn<void (*)()>("fake_clear_devices")();
    fakeFn<void (*)(uint64_t, const char *)>("fake_add_device")(1, kIdA + 6);
    fakeFn<void (*)(uint64_t, const char *)>("fake_add_device")(2, kIdB + 6);
  }
  void SetUp() override {
    ASSERT_EQ(PXInitialize(), 0);
    std::lock_guard<std::mutex> l(g_calls.m);
    g_calls.ids.clear(), g_calls.monitor.clear(), g_calls.status.clear();
    g_calls.images = 0;
  }
  void TearDown() override { EXPECT_EQ(PXFinalize(), 0); }
};

} // namespace

TEST(PlexarBare, EverythingButInitializeWantsInitialization) {
  char buf[8];
  int32_t v;
  EXPECT_EQ(PXFinalize(), PX_NOT_INITIALIZED);
  EXPECT_EQ(PXGetParameter(nullptr, 11, &v), PX_NOT_INITIALIZED);
  EXPECT_EQ(PXSetParameter(nullptr, 11, 0), PX_NOT_INITIALIZED);
  EXPECT_EQ(PXGetScannerCount(), PX_NOT_INITIALIZED);
  EXPECT_EQ(PXGetScannerId(0, buf, 8), PX_NOT_INITIALIZED);
  EXPECT_EQ(PXSetMonitor(onMonitor, 0), PX_NOT_INITIALIZED);
  EXPECT_EQ(PXRemoveMonitor(), PX_NOT_INITIALIZED);
  EXPECT_EQ(PXStartCapturing("x", nullptr, nullptr, 0), PX_NOT_INITIALIZED);
  EXPECT_EQ(PXStopCapturing(nullptr), PX_NOT_INITIALIZED);
}

TEST(PlexarBare, CountedInitialization) {
  EXPECT_EQ(PXInitialize(), 0);
  EXPECT_EQ(PXInitialize(), 1);
  EXPECT_EQ(PXFinalize(), 1);
  EXPECT_GE(PXGetScannerCount(), 0); // the layer is still up
  EXPECT_EQ(PXFinalize(), 0);
  EXPECT_EQ(PXGetScannerCount(), PX_NOT_INITIALIZED);
}

TEST(PlexarBare, APluginFolderOfJunkGivesNoScanners) {
  std::string dir = "/tmp/plexar-junk-" + std::to_string(getpid());
  mkdir(dir.c_str(), 0700);
  for (const char *name : {"/libjunk.so", "/notes.txt", "/liblumadrv.so"}) {
    FILE *f = std::fopen((dir + name).c_str(), "w");
    std::fputs("not a library\n", f);
    std::fclose(f);
  }
  setenv("QDX_PLUGIN_DIR", dir.c_str(), 1);
  ASSERT_EQ(PXInitialize(), 0);
  EXPECT_EQ(PXGetScannerCount(), 0);
  EXPECT_EQ(PXGetScannerId(0, nullptr, 0), PX_OUT_OF_RANGE); // only "File" is there, and it is hidden
  EXPECT_EQ(PXFinalize(), 0);
  unsetenv("QDX_PLUGIN_DIR");
  for (const char *name : {"/libjunk.so", "/notes.txt", "/liblumadrv.so"}) unlink((dir + name).c_str());
  rmdir(dir.c_str());
}

TEST_F(PlexarTest, ScannersWithoutFile) {
  EXPECT_EQ(PXGetScannerCount(), 2);
  char buf[64];
  struct Case {
    int32_t index;
    char *buffer;
    int32_t size;
    int32_t result;
    const char *text;
  } cases[] = {
      {0, buf, 64, 42, kIdA}, {1, buf, 64, 42, kIdB},       {2, buf, 64, PX_OUT_OF_RANGE, nullptr},
      {-1, buf, 64, PX_OUT_OF_RANGE, nullptr},                {0, nullptr, 0, 43, nullptr},
      {0, buf, 10, 0, nullptr},                               {7, buf, 64, PX_OUT_OF_RANGE, nullptr},
  };
  for (const Case &c : cases) {
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(PXGetScannerId(c.index, c.buffer, c.size), c.result) << c.index << " " << c.size;
    if (c.text) {
      EXPECT_STREQ(buf, c.text);
    }
  }
}

TEST_F(PlexarTest, Parameters) {
  char text[64] = "";
  int32_t number = 0;
  struct Case {
    void *target;
    int32_t id;
    void *value;
    int32_t result;
  } cases[] = {
      {nullptr, 10, nullptr, 6},
      {nullptr, 10, text, 0},
      {nullptr, 0, reinterpret_cast<void *>(12), 5},
      {nullptr, 0, reinterpret_cast<void *>(10), 100},
      {nullptr, 0, reinterpret_cast<void *>(0), 0},
      {nullptr, 0, reinterpret_cast<void *>(7), PX_OUT_OF_RANGE},
      {nullptr, 7, nullptr, PX_UNKNOWN_PARAMETER},
      {nullptr, 11, nullptr, PX_NULL_POINTER},
      {nullptr, 11, &number, 0},
      {&number, 10, nullptr, PX_OUT_OF_RANGE},
  };
  for (const Case &c : cases) EXPECT_EQ(PXGetParameter(c.target, c.id, c.value), c.result) << c.id;
  EXPECT_STREQ(text, "Plexar");
  EXPECT_EQ(number, 9);
  EXPECT_EQ(PXGetParameter(nullptr, 12, &number), 0);
  EXPECT_EQ(number, 0x00040000);
  int32_t len = PXGetParameter(nullptr, 13, nullptr);
  ASSERT_GT(len, 0);
  std::vector<char> notice(static_cast<size_t>(len) + 1);
  EXPECT_EQ(PXGetParameter(nullptr, 13, notice.data()), 0);
  EXPECT_EQ(std::strlen(notice.data()), static_cast<size_t>(len));
  struct SetCase {
    void *target;
    int32_t id, result;
  } sets[] = {{nullptr, 11, PX_READ_ONLY}, {nullptr, 0, PX_READ_ONLY}, {nullptr, 13, PX_READ_ONLY},
              {nullptr, 14, PX_UNKNOWN_PARAMETER}, {&number, 11, PX_OUT_OF_RANGE}};
  for (const SetCase &c : sets) EXPECT_EQ(PXSetParameter(c.target, c.id, 0), c.result) << c.id;
}

TEST_F(PlexarTest, CapturesImagesAndFingerStatus) {
  EXPECT_EQ(PXStartCapturing(nullptr, onImage, onStatus, 7), PX_NULL_POINTER);
  EXPECT_EQ(PXStartCapturing("UareU\\99999999-2222-3333-4444-555555555555", onImage, onStatus, 7), PX_LAYER_FAILED);
  ASSERT_EQ(PXStartCapturing(kIdA, onImage, onStatus, 7), 0);
  EXPECT_EQ(PXStartCapturing(kIdA, onImage, onStatus, 7), PX_ALREADY_CAPTURING);
  std::vector<uint8_t> px(326 * 357, 90);
  fakeFn<void (*)(int32_t, int32_t, int32_t, int32_t)>("fake_frame")(326, 357, 500, 0);
  fakeFn<void (*)(int32_t)>("fake_notice")(8); // a touch to repeat: status 5, no callback
  fakeFn<void (*)(int32_t)>("fake_notice")(2); // finger on
  fakeFn<void (*)(const uint8_t *, size_t)>("fake_touch")(px.data(), px.size());
  ASSERT_TRUE(waitFor([] { std::lock_guard<std::mutex> l(g_calls.m); return g_calls.images == 1; }, 3000));
  fakeFn<void (*)(int32_t)>("fake_notice")(3); // finger off
  ASSERT_TRUE(waitFor([] { std::lock_guard<std::mutex> l(g_calls.m); return g_calls.status.size() == 2; }, 3000));
  {
    std::lock_guard<std::mutex> l(g_calls.m);
    EXPECT_EQ(g_calls.status, (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(g_calls.res, 500);
    EXPECT_EQ(g_calls.user, 7);
  }
  EXPECT_EQ(PXStopCapturing("UareU\\nothing"), PX_NOT_CAPTURING);
  EXPECT_EQ(PXStopCapturing(kIdA), 0);
  EXPECT_EQ(PXStopCapturing(kIdA), PX_NOT_CAPTURING);
}

TEST_F(PlexarTest, MonitorCodes) {
  EXPECT_EQ(PXSetMonitor(nullptr, 0), PX_NULL_POINTER);
  ASSERT_EQ(PXSetMonitor(onMonitor, 3), 0);
  fakeFn<void (*)(uint64_t, const char *)>("fake_add_device")(3, "53535353-2222-3333-4444-555555555555");
  fakeFn<void (*)(int32_t, uint64_t)>("fake_pnp")(0, 3);
  ASSERT_TRUE(waitFor([] { std::lock_guard<std::mutex> l(g_calls.m); return g_calls.monitor.size() == 1; }, 3000));
  fakeFn<void (*)(uint64_t)>("fake_remove_device")(3);
  fakeFn<void (*)(int32_t, uint64_t)>("fake_pnp")(1, 3);
  fakeFn<void (*)(int32_t, uint64_t)>("fake_pnp")(6, 3); // another vendor event: code 7, dropped
  ASSERT_TRUE(waitFor([] { std::lock_guard<std::mutex> l(g_calls.m); return g_calls.monitor.size() >= 2; }, 3000));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  {
    std::lock_guard<std::mutex> l(g_calls.m);
    EXPECT_EQ(g_calls.monitor, (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(g_calls.ids[0], "UareU\\53535353-2222-3333-4444-555555555555");
  }
  EXPECT_EQ(PXRemoveMonitor(), 0);
  fakeFn<void (*)(int32_t, uint64_t)>("fake_pnp")(1, 3);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::lock_guard<std::mutex> l(g_calls.m);
  EXPECT_EQ(g_calls.monitor.size(), 2u);
}
