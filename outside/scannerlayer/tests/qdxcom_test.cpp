// The scanner component in a Qt program: created by class identity, an image
// put on libfprint's virtual reader arrives as its Image event on the GUI
// thread, byte for byte; the pseudo scanner "File" delivers a bitmap file.
#include "component/host.h"
#include "qdx/qdx.h"
#include "qdx/qdxcom.h"
#include "touch_support.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <thread>

using namespace component;

namespace {

struct ImageSink : EventSink {
  int events = 0;
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
  bool onGuiThread = false;
  void onEvent(int32_t dispid, oa_variant *args, uint32_t argc) override {
    if (dispid != qdxcom::kImage || argc != 3) return;
    ++events;
    width = args[0].v.i4;
    height = args[1].v.i4;
    oa_array *a = oa_variant_array(&args[2], OA_UI1);
    pixels.assign(static_cast<uint8_t *>(a->data), static_cast<uint8_t *>(a->data) + a->count);
    onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
  }
};

// Runs the GUI loop until the sink saw `count` events or ms passed.
bool runUntil(ImageSink &sink, int count, int ms) {
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (sink.events >= count) loop.quit();
  });
  poll.start(10);
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
  return sink.events >= count;
}

class ScannerComponent : public ::testing::Test {
protected:
  void SetUp() override {
    registry = "/tmp/qdxcom-test-" + std::to_string(getpid()) + ".ini";
    setenv("FP_VIRTUAL_IMAGE", sock.c_str(), 1); // before the layer starts the vendor library
    setenv("TALVENOX_COMPONENTS", registry.c_str(), 1);
    void *server = dlopen(QDXCOM_PATH, RTLD_NOW);
    ASSERT_NE(server, nullptr) << dlerror();
    auto reg = reinterpret_cast<int32_t (*)()>(dlsym(server, "DllRegisterServer"));
    ASSERT_EQ(reg(), kOk);
    std::string error;
    ASSERT_EQ(createInstance(qdxcom::kClsidManager, &manager, &error), kOk) << error;
    ASSERT_EQ(callMethod(manager.get(), qdxcom::kInitialize, {}), kOk);
    Value fd;
    ASSERT_EQ(getProperty(manager.get(), qdxcom::kNotifyHandle, &fd), kOk);
    // The host's part: deliver the component's notices on the GUI thread.
    notifier = std::make_unique<QSocketNotifier>(fd.get()->v.i4, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated,
                     [this] { callMethod(manager.get(), qdxcom::kPumpMessages, {}); });
  }
  void TearDown() override {
    notifier.reset();
    if (manager) callMethod(manager.get(), qdxcom::kFinalize, {});
    manager.reset();
    unlink(registry.c_str());
    unsetenv("TALVENOX_COMPONENTS");
  }
  Ref<Object> create(const std::u16string &id, int32_t *rc = nullptr) {
    oa_variant out;
    oa_variant_init(&out);
    Value idValue = Value::string(id), ref = Value::refTo(&out);
    ErrorInfo error;
    int32_t r = callMethod(manager.get(), qdxcom::kCreateScanner, {idValue.get(), ref.get()}, nullptr, &error);
    if (rc) *rc = r;
    return Ref<Object>(qdxcom::takeObject(&out));
  }
  const std::string sock = touch::socketPath("qdxcom");
  std::string registry;
  Ref<Object> manager;
  std::unique_ptr<QSocketNotifier> notifier;
};

} // namespace

TEST_F(ScannerComponent, VirtualReaderImageArrivesAsImageEventOnTheGuiThread) {
  oa_variant ids;
  oa_variant_init(&ids);
  Value ref = Value::refTo(&ids);
  ASSERT_EQ(callMethod(manager.get(), qdxcom::kEnumDeviceIds, {ref.get()}), kOk);
  oa_array *list = oa_variant_array(&ids, OA_VARIANT);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count, 1u); // the reader; "File" is not listed
  auto *first = static_cast<oa_variant *>(oa_array_element(list, 0));
  std::u16string id(first->v.str, oa_str_len(first->v.str));
  oa_variant_clear(&ids);
  EXPECT_EQ(id.substr(0, 6), u"UareU\\");

  Ref<Object> scanner = create(id);
  ASSERT_TRUE(scanner);
  ImageSink sink;
  uint32_t cookie = 0;
  ASSERT_EQ(scanner->advise(&sink, &cookie), kOk);
  ASSERT_EQ(callMethod(scanner.get(), qdxcom::kStartCapturing, {}), kOk);
  touch::Print pr = touch::print(21);
  std::thread toucher([&] { EXPECT_TRUE(touch::put(sock, pr)); });
  EXPECT_TRUE(runUntil(sink, 1, 15000));
  toucher.join();
  EXPECT_EQ(callMethod(scanner.get(), qdxcom::kStopCapturing, {}), kOk);
  scanner->unadvise(cookie);
  EXPECT_EQ(sink.width, pr.width);
  EXPECT_EQ(sink.height, pr.height);
  EXPECT_EQ(sink.pixels, pr.pixels);
  EXPECT_TRUE(sink.onGuiThread);
}

TEST_F(ScannerComponent, FileScannerDeliversAPictureFile) {
  Ref<Object> scanner = create(u"File");
  ASSERT_TRUE(scanner);
  ImageSink sink;
  uint32_t cookie = 0;
  scanner->advise(&sink, &cookie);
  ASSERT_EQ(callMethod(scanner.get(), qdxcom::kStartCapturing, {}), kOk);
  touch::Print pr = touch::print(22, 256, 300);
  std::string path = "/tmp/qdxcom-file-" + std::to_string(getpid()) + ".bmp";
  touch::writeBmp(path, pr);
  auto feed = reinterpret_cast<int32_t (*)(const char *)>(QdxOrdinal(QDX_FEED_FILE));
  EXPECT_EQ(feed(path.c_str()), 0);
  EXPECT_EQ(feed("/nonexistent.bmp"), -1);
  unlink(path.c_str());
  EXPECT_EQ(sink.events, 1);
  EXPECT_EQ(sink.pixels, pr.pixels);
  callMethod(scanner.get(), qdxcom::kStopCapturing, {});
  EXPECT_EQ(feed(path.c_str()), -2); // no File capture any more
  scanner->unadvise(cookie);
}

TEST_F(ScannerComponent, FailuresHaveNumbersAndTexts) {
  int32_t rc = 0;
  Ref<Object> none = create(u"UareU\\99999999-2222-3333-4444-555555555555", &rc);
  EXPECT_FALSE(none);
  EXPECT_LT(rc, 0);
  struct Case {
    uint32_t code;
    const char *text;
  } cases[] = {{0x80042F13u, "UareU scanner error 'No device connected'"},
               {0x8004100Au, "The reader is in use by another program"}};
  for (const Case &c : cases) {
    oa_str *text = nullptr;
    Value number = Value::long32(static_cast<int32_t>(c.code)), out = Value::ref(OA_STR, &text);
    ASSERT_EQ(callMethod(manager.get(), qdxcom::kGetErrorDescription, {number.get(), out.get()}), kOk);
    char buf[128];
    oa_str_to_utf8(text, buf, sizeof buf);
    EXPECT_STREQ(buf, c.text);
    oa_str_free(text);
  }
}
