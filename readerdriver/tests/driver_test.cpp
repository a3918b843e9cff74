// Lumadrv against the recording fake vendor library: the real driver library,
// loaded as the scanner layer loads it.
#include "lumadrv/lumadrv.h"
#include "winsys/winsys.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace lumadrv;

namespace {

struct Driver {
  void *lib = dlopen(LUMADRV_PATH, RTLD_NOW);
  void *fake = std::getenv("LUMADRV_VENDOR_LIBRARY") ? dlopen(std::getenv("LUMADRV_VENDOR_LIBRARY"), RTLD_NOW) : nullptr;
  template <typename F>
  F fn(const char *name, void *from = nullptr) {
    return reinterpret_cast<F>(dlsym(from ? from : lib, name));
  }
  LumaInitFn init = fn<LumaInitFn>("_Init");
  LumaCheckIdFn checkId = fn<LumaCheckIdFn>("_CheckID");
  LumaGetDeviceCountFn count = fn<LumaGetDeviceCountFn>("_GetDeviceCount");
  LumaEnumDeviceIdsFn enumIds = fn<LumaEnumDeviceIdsFn>("_EnumDeviceIDs");
  LumaCreateScannerFn create = fn<LumaCreateScannerFn>("_CreateScannerImpl");
  LumaSetStatusWindowFn setWindow = fn<LumaSetStatusWindowFn>("_SetDeviceStatusHWnd");
  LumaGetErrDescrFn errText = fn<LumaGetErrDescrFn>("_GetErrDescr");
  // fake steering (null when the fake is not loaded)
  void (*reset)() = fake ? fn<void (*)()>("fake_reset", fake) : nullptr;
  void (*addDevice)(uint64_t, const char *) = fake ? fn<void (*)(uint64_t, const char *)>("fake_add_device", fake) : nullptr;
  void (*removeDevice)(uint64_t) = fake ? fn<void (*)(uint64_t)>("fake_remove_device", fake) : nullptr;
  void (*clearDevices)() = fake ? fn<void (*)()>("fake_clear_devices", fake) : nullptr;
  void (*fail)(const char *, int32_t) = fake ? fn<void (*)(const char *, int32_t)>("fake_fail", fake) : nullptr;
  void (*frame)(int32_t, int32_t, int32_t, int32_t) =
      fake ? fn<void (*)(int32_t, int32_t, int32_t, int32_t)>("fake_frame", fake) : nullptr;
  void (*touch)(const uint8_t *, size_t) = fake ? fn<void (*)(const uint8_t *, size_t)>("fake_touch", fake) : nullptr;
  void (*notice)(int32_t) = fake ? fn<void (*)(int32_t)>("fake_notice", fake) : nullptr;
  void (*pnp)(int32_t, uint64_t) = fake ? fn<void (*)(int32_t, uint64_t)>("fake_pnp", fake) : nullptr;
  int (*calls)(const char *) = fake ? fn<int (*)(const char *)>("fake_count", fake) : nullptr;
  int32_t (*lastAcquireSize)() = fake ? fn<int32_t (*)()>("fake_last_acquire_size", fake) : nullptr;
};

Driver &driver() {
  static Driver d;
  return d;
}

const char *kGuidA = "11111111-2222-3333-4444-555555555555";
const char *kGuidB = "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";
const std::u16string kIdA = u"UareU\\11111111-2222-3333-4444-555555555555";
const std::u16string kIdB = u"UareU\\AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE";

std::u16string text(const oa_str *s) { return std::u16string(s ? s : u"", oa_str_len(s)); }

std::vector<uint8_t> gradient(int w, int h) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>((x * 7 + y * 3) % 251);
  return px;
}

// Sinks record into one place; the key tells which.
struct Seen {
  std::mutex m;
  std::vector<uint32_t> imageKeys;
  std::vector<int32_t> statuses;
  std::vector<uint8_t> last;
  int w = 0, h = 0;
  std::thread::id thread;
};
Seen g_seen;
void onImage(uint32_t key, int32_t w, int32_t h, const uint8_t *px) {
  std::lock_guard<std::mutex> l(g_seen.m);
  g_seen.imageKeys.push_back(key);
  g_seen.last.assign(px, px + static_cast<size_t>(w) * h);
  g_seen.w = w, g_seen.h = h;
  g_seen.thread = std::this_thread::get_id();
}
void onStatus(uint32_t, int32_t s) {
  std::lock_guard<std::mutex> l(g_seen.m);
  g_seen.statuses.push_back(s);
}
size_t imagesSeen() {
  std::lock_guard<std::mutex> l(g_seen.m);
  return g_seen.imageKeys.size();
}

template <typename Pred>
bool waitFor(Pred p, int ms, bool pump = false) {
  for (int i = 0; i < ms / 5; ++i) {
    if (pump) winsys::pumpMessages();
    if (p()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return p();
}

class DriverTest : public ::testing::Test {
protected:
  void SetUp() override {
    Driver &d = driver();
    ASSERT_NE(d.lib, nullptr) << dlerror();
    ASSERT_NE(d.fake, nullptr) << "LUMADRV_VENDOR_LIBRARY must name the fake vendor library";
    d.reset();
    d.clearDevices();
    d.addDevice(101, kGuidA);
    d.addDevice(202, kGuidB);
    ASSERT_EQ(d.init(), 0);
    d.pnp(0, 101); // refresh the list the driver holds
    waitFor([&] { int32_t n = 0; d.count(&n); return n == 2; }, 2000);
    std::lock_guard<std::mutex> l(g_seen.m);
    g_seen.imageKeys.clear();
    g_seen.statuses.clear();
  }
  ScannerImpl *make(const std::u16string &id = kIdA) {
    ScannerImpl *s = nullptr;
    EXPECT_EQ(driver().create(&s), 0);
    if (s && !id.empty()) {
      EXPECT_EQ(s->SetId(id.c_str()), 0);
    }
    return s;
  }
};

} // namespace

TEST_F(DriverTest, CheckIdAcceptsOnlyTheDriversForm) {
  struct Case {
    const char16_t *id;
    int32_t result;
  } cases[] = {
      {u"UAREU\\11111111-2222-3333-4444-555555555555", 0},
      {u"uareu\\ffffffff-2222-3333-4444-555555555555", 0},
      {u"UareU\\{11111111-2222-3333-4444-555555555555}", kFail}, // braces: 44 characters
      {u"UareU/11111111-2222-3333-4444-555555555555", kFail},
      {u"UareU\\11111111-2222-3333-4444-55555555555", kFail},
      {u"Other\\11111111-2222-3333-4444-555555555555", kFail},
      {u"", kFail},
      {nullptr, kFail},
  };
  for (const Case &c : cases) EXPECT_EQ(driver().checkId(c.id), c.result) << (c.id ? "id" : "null");
}

TEST_F(DriverTest, EnumerationHonoursCapacityAndStripsBraces) {
  Driver &d = driver();
  int32_t n = -1;
  EXPECT_EQ(d.count(&n), 0);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(d.count(nullptr), kInvalidArg);
  oa_str *slots[2] = {nullptr, nullptr};
  int32_t got = -1;
  EXPECT_EQ(d.enumIds(1, slots, &got), kInvalidArg);
  EXPECT_EQ(slots[0], nullptr);
  EXPECT_EQ(got, -1);
  EXPECT_EQ(d.enumIds(2, nullptr, &got), kInvalidArg);
  EXPECT_EQ(d.enumIds(2, slots, nullptr), kInvalidArg);
  ASSERT_EQ(d.enumIds(2, slots, &got), 0);
  EXPECT_EQ(got, 2);
  EXPECT_EQ(text(slots[0]), kIdA);
  EXPECT_EQ(text(slots[1]), kIdB); // the vendor's braces are gone
  EXPECT_EQ(oa_str_len(slots[1]), 42u);
  oa_str_free(slots[0]);
  oa_str_free(slots[1]);
}

TEST_F(DriverTest, ErrorTexts) {
  struct Case {
    uint32_t code;
    const char *text;
  } cases[] = {
      {0x80042F00u + 19, "UareU scanner error 'No device connected'"},
      {0x80042F00u + 1, "UareU scanner error 'Fp software not initialized'"},
      {0x80042F00u + 139, "UareU scanner warning 'device is not known'"},
      {0x80042F00u + 133, ""},
      {0x8004100Au, ""},
      {0u, ""},
  };
  for (const Case &c : cases) {
    char buf[128] = "unchanged";
    int32_t n = driver().errText(static_cast<int32_t>(c.code), buf, sizeof buf);
    EXPECT_EQ(n, static_cast<int32_t>(std::strlen(c.text))) << std::hex << c.code;
    if (n) {
      EXPECT_STREQ(buf, c.text);
    }
  }
  char small[10];
  EXPECT_EQ(driver().errText(static_cast<int32_t>(0x80042F13u), small, sizeof small), 9);
  EXPECT_STREQ(small, "UareU sca");
}

TEST_F(DriverTest, PlugAndPlayNoticesReachTheStatusWindow) {
  Driver &d = driver();
  struct Got {
    uintptr_t w;
    std::u16string id;
    int32_t countThen;
  };
  std::mutex m;
  std::vector<Got> got;
  winsys::WindowHandle window = winsys::createWindow([&](uint32_t msg, uintptr_t w, intptr_t l) -> intptr_t {
    if (msg != kMsgDevice) return 0;
    auto *s = reinterpret_cast<oa_str *>(l);
    if (text(s) == kIdA) { // a late notice of the fixture's own refresh
      oa_str_free(s);
      return 0;
    }
    int32_t n = 0;
    driver().count(&n);
    std::lock_guard<std::mutex> lock(m);
    got.push_back({w, text(s), n});
    oa_str_free(s);
    return 0;
  });
  EXPECT_EQ(d.setWindow(window), 0);
  d.addDevice(303, "33333333-2222-3333-4444-555555555555");
  d.pnp(0, 303);
  ASSERT_TRUE(waitFor([&] { std::lock_guard<std::mutex> l(m); return got.size() == 1; }, 2000));
  d.removeDevice(303);
  d.pnp(1, 303);
  d.pnp(1, 999); // no longer known
  ASSERT_TRUE(waitFor([&] { std::lock_guard<std::mutex> l(m); return got.size() == 3; }, 2000));
  d.setWindow(0);
  winsys::destroyWindow(window);
  EXPECT_EQ(got[0].w, 1u);
  EXPECT_EQ(got[0].id, u"UareU\\33333333-2222-3333-4444-555555555555");
  EXPECT_EQ(got[0].countThen, 3); // the list was refilled first
  EXPECT_EQ(got[1].w, 2u);
  EXPECT_EQ(got[1].id, u"UareU\\33333333-2222-3333-4444-555555555555"); // the id the reader had
  EXPECT_EQ(got[2].id, u"UareU\\");
}

TEST_F(DriverTest, Parameters) {
  ScannerImpl *s = make();
  struct Case {
    int32_t id;
    int32_t result;
    uint16_t kind;
    int32_t number;
    const char *text;
  } cases[] = {
      {-102, 0, OA_STR, 0, "Scanner resolution"}, {102, 0, OA_I4, 500, nullptr},
      {101, 0, OA_I4, 2, nullptr},                {-101, 0, OA_STR, 0, "Parameter count"},
      {2, 0, OA_I4, 1, nullptr},                  {-3, 0, OA_STR, 0, "Version low"},
      {1, 0, OA_STR, 0, "U.areU."},               {-1, kInvalidArg, OA_EMPTY, 0, nullptr},
      {4, kNotImpl, OA_EMPTY, 0, nullptr},        {-4, kNotImpl, OA_EMPTY, 0, nullptr},
  };
  for (const Case &c : cases) {
    oa_variant v;
    oa_variant_init(&v);
    EXPECT_EQ(s->GetParameter(c.id, &v), c.result) << c.id;
    EXPECT_EQ(v.kind, c.kind) << c.id;
    if (c.kind == OA_I4) {
      EXPECT_EQ(v.v.i4, c.number);
    }
    if (c.kind == OA_STR) {
      char buf[64];
      oa_str_to_utf8(v.v.str, buf, sizeof buf);
      EXPECT_STREQ(buf, c.text);
    }
    oa_variant_clear(&v);
  }
  EXPECT_EQ(s->GetParameter(102, nullptr), kInvalidArg);
  struct SetCase {
    int32_t id, result;
  } sets[] = {{4, kNotImpl}, {102, kFail}, {1, kFail}, {-3, kFail}, {103, kNotImpl}};
  for (auto c : sets) EXPECT_EQ(s->SetParameter(c.id, 0), c.result) << c.id;
  int32_t option = 0;
  EXPECT_EQ(s->GetOption(&option), 0);
  EXPECT_EQ(option, 1);
  EXPECT_EQ(s->GetOption(nullptr), kInvalidArg);
  delete s;
}

TEST_F(DriverTest, StartNeedsAKnownReader) {
  ScannerImpl *s = make(u"");
  EXPECT_EQ(s->Start(), kFail); // no SetId yet
  EXPECT_EQ(s->SetId(u"UareU\\99999999-2222-3333-4444-555555555555"), kUnknownDevice);
  EXPECT_EQ(s->SetId(nullptr), kInvalidArg);
  EXPECT_EQ(s->SetId(u"11111111-2222-3333-4444-555555555555"), 0); // without the prefix
  oa_str *id = nullptr;
  EXPECT_EQ(s->GetId(nullptr), kInvalidArg);
  EXPECT_EQ(s->GetId(&id), 0);
  EXPECT_EQ(text(id), u"11111111-2222-3333-4444-555555555555");
  oa_str_free(id);
  EXPECT_EQ(s->Advise(7, nullptr, nullptr, nullptr), 0); // nothing to remove
  delete s;
}

TEST_F(DriverTest, VendorFailuresAreMappedAndLeaveNothingOpen) {
  struct Case {
    const char *function;
    int32_t code;
    uint32_t result;
  } cases[] = {
      {"FT_connectDevice", 19, 0x80042F13u},
      {"FT_createContext", -1001, 0x80041009u},
      {"FT_setupUIlink", 20, 0x80042F14u},
      {"FT_getConnectedDeviceInfo", 7, 0x80042F07u},
  };
  for (const Case &c : cases) {
    driver().reset();
    driver().fail(c.function, c.code);
    ScannerImpl *s = make();
    EXPECT_EQ(static_cast<uint32_t>(s->Start()), c.result) << c.function;
    if (std::string(c.function) != "FT_createContext") {
      EXPECT_EQ(driver().calls("FT_closeContext"), 1) << c.function; // no context left behind
    }
    delete s;
  }
}

TEST_F(DriverTest, SinksRunInKeyOrderOnTheAdvisingThread) {
  ScannerImpl *s = make();
  for (uint32_t key : {0xFFFFFFFFu, 2u, 5u}) EXPECT_EQ(s->Advise(key, onImage, onStatus, nullptr), 0);
  ASSERT_EQ(s->Start(), 0);
  EXPECT_EQ(s->Start(), kAlreadyRunning);
  auto px = gradient(326, 357);
  driver().touch(px.data(), px.size());
  ASSERT_TRUE(waitFor([] { return imagesSeen() == 3; }, 3000, true));
  {
    std::lock_guard<std::mutex> l(g_seen.m);
    EXPECT_EQ(g_seen.imageKeys, (std::vector<uint32_t>{2, 5, 0xFFFFFFFF}));
    EXPECT_EQ(g_seen.thread, std::this_thread::get_id());
    EXPECT_EQ(g_seen.last, px);
    EXPECT_EQ(g_seen.w, 326);
  }
  driver().notice(2); // finger on
  driver().notice(8); // touch to repeat
  ASSERT_TRUE(waitFor([] { std::lock_guard<std::mutex> l(g_seen.m); return g_seen.statuses.size() == 6; }, 3000, true));
  EXPECT_EQ(s->Stop(), 0);
  EXPECT_EQ(driver().lastAcquireSize(), 360000);
  delete s;
}

TEST_F(DriverTest, TimedRunYieldsOneImageThenEnds) {
  ScannerImpl *s = make();
  s->SetDirectNotify(1);
  s->Advise(1, onImage, nullptr, nullptr);
  auto px = gradient(300, 300);
  driver().frame(300, 300, 500, 0);
  ASSERT_EQ(s->StartTimed(2000), 0);
  driver().touch(px.data(), px.size());
  ASSERT_TRUE(waitFor([] { return imagesSeen() == 1; }, 3000));
  driver().touch(px.data(), px.size());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(imagesSeen(), 1u);
  driver().reset(); // drop the touch nobody took
  EXPECT_EQ(s->Start(), 0); // the worker has ended: a new run may start
  s->Stop();
  // Without a finger the run ends at its timeout.
  uint32_t t0 = winsys::tickCount();
  ASSERT_EQ(s->StartTimed(300), 0);
  EXPECT_EQ(s->Grab(0, nullptr, nullptr, nullptr, 0), kInvalidArg);
  while (winsys::tickCount() - t0 < 2000 && s->Start() == kAlreadyRunning)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_LT(winsys::tickCount() - t0, 1500u);
  EXPECT_EQ(imagesSeen(), 1u);
  delete s;
}

TEST_F(DriverTest, Grab) {
  ScannerImpl *s = make();
  s->Advise(1, onImage, nullptr, nullptr);
  int32_t w = 0, h = 0;
  std::vector<uint8_t> buf(326 * 357);
  EXPECT_EQ(s->Grab(100, nullptr, &h, buf.data(), 10), kInvalidArg);
  EXPECT_EQ(s->Grab(0, &w, &h, buf.data(), static_cast<int32_t>(buf.size())), kGrabTimedOut);
  auto px = gradient(326, 357);
  std::thread toucher([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    driver().touch(px.data(), px.size());
  });
  int32_t rc;
  // The timed-out grab did not wait for its worker, which may still be ending.
  while ((rc = s->Grab(3000, &w, &h, buf.data(), static_cast<int32_t>(buf.size()))) == kAlreadyRunning)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(rc, 0);
  toucher.join();
  EXPECT_EQ(w, 326);
  EXPECT_EQ(h, 357);
  EXPECT_EQ(buf, px);
  EXPECT_EQ(imagesSeen(), 0u); // a grab's image reaches no sink
  driver().touch(px.data(), px.size());
  EXPECT_EQ(s->Grab(3000, &w, &h, buf.data(), 1000), kInvalidArg); // too small
  delete s;

  // A reader mounted turned reports its size swapped (word 168).
  driver().frame(200, 100, 500, 1);
  auto turned = gradient(200, 100);
  driver().touch(turned.data(), turned.size());
  s = make();
  ASSERT_EQ(s->Grab(3000, &w, &h, buf.data(), static_cast<int32_t>(buf.size())), 0);
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 100);
  delete s;
}

TEST_F(DriverTest, WideRawFramesAreNormalised) {
  struct Case {
    int whiteRows, whiteCols, wantW, wantH;
  } cases[] = {{0, 0, 500, 500}, {10, 20, 485, 492}};
  for (const Case &c : cases) {
    driver().frame(700, 700, 700, 0);
    std::vector<uint8_t> raw(700 * 700);
    for (int y = 0; y < 700; ++y)
      for (int x = 0; x < 700; ++x)
        raw[static_cast<size_t>(y) * 700 + x] =
            (y >= 700 - c.whiteRows || x >= 700 - c.whiteCols) ? 255 : static_cast<uint8_t>(x < 350 ? 10 : 200);
    driver().touch(raw.data(), raw.size());
    ScannerImpl *s = make();
    int32_t w = 0, h = 0;
    std::vector<uint8_t> buf(700 * 700);
    ASSERT_EQ(s->Grab(3000, &w, &h, buf.data(), static_cast<int32_t>(buf.size())), 0);
    EXPECT_EQ(w, c.wantW);
    EXPECT_EQ(h, c.wantH);
    // Turned by 180 degrees: the dark left half is now on the right.
    EXPECT_EQ(buf[static_cast<size_t>(h / 2) * w + 5], 200);
    EXPECT_EQ(buf[static_cast<size_t>(h / 2) * w + w - 5], 10);
    delete s;
  }
  // A wide frame that the reader reports at 500 dpi stays as it is.
  driver().frame(640, 480, 500, 0);
  auto px = gradient(640, 480);
  driver().touch(px.data(), px.size());
  ScannerImpl *s = make();
  int32_t w = 0, h = 0;
  std::vector<uint8_t> buf(640 * 480);
  ASSERT_EQ(s->Grab(3000, &w, &h, buf.data(), static_cast<int32_t>(buf.size())), 0);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(buf, px);
  delete s;
}

TEST_F(DriverTest, SaveImageWritesAPaddedBitmap) {
  ScannerImpl *s = make();
  std::string path = "/tmp/lumadrv-save-" + std::to_string(getpid()) + ".bmp";
  std::u16string wide(path.begin(), path.end());
  EXPECT_EQ(s->SaveImage(wide.c_str()), 1); // no image buffer yet
  auto px = gradient(326, 357);
  driver().touch(px.data(), px.size());
  int32_t w, h;
  std::vector<uint8_t> buf(326 * 357);
  ASSERT_EQ(s->Grab(3000, &w, &h, buf.data(), static_cast<int32_t>(buf.size())), 0);
  ASSERT_EQ(s->SaveImage(wide.c_str()), 0);
  std::ifstream f(path, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(f)), {});
  ASSERT_EQ(file.size(), 1078u + 328u * 357u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1078 + 326], 0); // each row padded by two zero bytes
  EXPECT_EQ(file[1078 + 327], 0);
  EXPECT_EQ(file[1078 + 1], px[1]);
  unlink(path.c_str());
  std::u16string tooLong(300, u'a');
  EXPECT_EQ(s->SaveImage(tooLong.c_str()), kInvalidArg);
  EXPECT_EQ(s->SaveImage(u"/nonexistent-folder/x.bmp"), -1);
  EXPECT_EQ(s->SaveImage(nullptr), kInvalidArg);
  delete s;
}

TEST_F(DriverTest, ARemovedReaderSuspendsTheWorkerUntilItReturns) {
  ScannerImpl *s = make();
  s->SetDirectNotify(1);
  s->Advise(1, onImage, nullptr, nullptr);
  ASSERT_EQ(s->Start(), 0);
  driver().fail("FT_acquireImage", 19); // the reader has gone
  driver().pnp(1, 101);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  int before = driver().calls("FT_acquireImage");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_LE(driver().calls("FT_acquireImage") - before, 1); // waiting, not spinning
  driver().fail("FT_acquireImage", 0);
  auto px = gradient(326, 357);
  driver().touch(px.data(), px.size());
  driver().pnp(0, 101);
  EXPECT_TRUE(waitFor([] { return imagesSeen() == 1; }, 3000));
  delete s;
}

TEST_F(DriverTest, OneReaderOneHolder) {
  ScannerImpl *a = make(), *b = make();
  ASSERT_EQ(a->Start(), 0);
  EXPECT_EQ(b->Start(), kReaderInUse);
  EXPECT_EQ(a->Stop(), 0);
  EXPECT_EQ(b->Start(), 0);
  int32_t w, h;
  uint8_t byte;
  EXPECT_EQ(a->Grab(100, &w, &h, &byte, 1), kReaderInUse); // reported, not passed off as a time-out
  delete b;

  // Across processes: a child holds the reader, this process is refused.
  std::string tag = std::to_string(getpid());
  auto held = winsys::Event::createNamed("lumadrv test held " + tag, true, false);
  auto release = winsys::Event::createNamed("lumadrv test release " + tag, true, false);
  pid_t child = fork();
  if (child == 0) {
    setenv("LUMADRV_HOLD_TAG", tag.c_str(), 1);
    execl("/proc/self/exe", "driver_test", "--gtest_filter=Helper.HoldReader", static_cast<char *>(nullptr));
    _exit(127);
  }
  ASSERT_TRUE(held->wait(10000));
  EXPECT_EQ(a->Start(), kReaderInUse);
  release->set();
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(a->Start(), 0);
  delete a;
}

TEST(Helper, HoldReader) {
  const char *tag = std::getenv("LUMADRV_HOLD_TAG");
  if (!tag) GTEST_SKIP() << "run by OneReaderOneHolder";
  Driver &d = driver();
  d.clearDevices();
  d.addDevice(101, kGuidA);
  ASSERT_EQ(d.init(), 0);
  ScannerImpl *s = nullptr;
  ASSERT_EQ(d.create(&s), 0);
  ASSERT_EQ(s->SetId(kIdA.c_str()), 0);
  ASSERT_EQ(s->Start(), 0);
  winsys::Event::openNamed(std::string("lumadrv test held ") + tag)->set();
  auto release = winsys::Event::openNamed(std::string("lumadrv test release ") + tag);
  ASSERT_TRUE(release && release->wait(10000));
  delete s;
}

TEST_F(DriverTest, StartStopGrabUnplugLoops) {
  // Mostly for ThreadSanitizer: the worker, the window and the plug-and-play
  // thread racing against the caller.
  ScannerImpl *s = make();
  s->Advise(3, onImage, onStatus, nullptr);
  auto px = gradient(200, 200);
  driver().frame(200, 200, 500, 0);
  std::vector<uint8_t> buf(200 * 200);
  for (int i = 0; i < 15; ++i) {
    int32_t started;
    // A timed-out grab does not wait for its worker: it may still be ending.
    while ((started = s->Start()) == kAlreadyRunning) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(started, 0);
    driver().touch(px.data(), px.size());
    driver().notice(2);
    waitFor([&] { return imagesSeen() > static_cast<size_t>(i); }, 500, true);
    if (i % 3 == 0) driver().pnp(1, 101), driver().pnp(0, 101);
    EXPECT_EQ(s->Stop(), 0);
    int32_t w, h;
    driver().touch(px.data(), px.size());
    int32_t rc = s->Grab(i % 2 ? 500 : 0, &w, &h, buf.data(), static_cast<int32_t>(buf.size()));
    EXPECT_TRUE(rc == 0 || rc == kGrabTimedOut) << rc;
    winsys::pumpMessages();
  }
  delete s;
}
