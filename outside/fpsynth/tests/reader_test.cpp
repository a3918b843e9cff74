// Our prints through libfprint's virtual reader: captured like a real
// reader's images, where libfprint's own NBIS minutiae detection decides
// whether to ask for another touch, and rich enough in minutiae for its
// matching (at least 10).
#include <fprint.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>

#include "fpsynth/fpsynth.h"

namespace {

namespace fs = std::filesystem;

// Plays the finger: connects to the reader's socket, sends width, height and
// pixels, and holds the connection until the capture is over.
class Finger {
 public:
  Finger(const std::string &socket_path, const fpsynth::Image &im)
      : thread_([this, socket_path, im] { run(socket_path, im); }) {}
  ~Finger() {
    done_ = true;
    thread_.join();
  }
  bool sent() const { return sent_; }

 private:
  void run(const std::string &path, const fpsynth::Image &im) {
    int fd = -1;
    for (int i = 0; i < 200 && !done_ && fd < 0; ++i) {
      fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un a{};
      a.sun_family = AF_UNIX;
      std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
      if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        ::close(fd);
        fd = -1;
        ::usleep(20000);
      }
    }
    if (fd < 0) return;
    int32_t size[2] = {im.width, im.height};
    bool ok = ::write(fd, size, sizeof size) == ssize_t(sizeof size);
    size_t off = 0;
    while (ok && off < im.pixels.size()) {
      ssize_t n = ::write(fd, im.pixels.data() + off, im.pixels.size() - off);
      ok = n > 0;
      off += ok ? size_t(n) : 0;
    }
    sent_ = ok;
    while (!done_) ::usleep(5000);
    ::close(fd);
  }
  std::atomic<bool> done_{false}, sent_{false};
  std::thread thread_;
};

struct Detection {
  bool done = false;
  GError *error = nullptr;
};

void detected(GObject *image, GAsyncResult *result, gpointer data) {
  auto *d = static_cast<Detection *>(data);
  fp_image_detect_minutiae_finish(FP_IMAGE(image), result, &d->error);
  d->done = true;
}

TEST(VirtualReader, CapturesOurPrintsWithEnoughMinutiaeForLibfprint) {
  fs::path dir = fs::temp_directory_path() / ("fpsynth_reader_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string socket_path = (dir / "reader").string();
  ::setenv("FP_VIRTUAL_IMAGE", socket_path.c_str(), 1);
  FpContext *ctx = fp_context_new();
  GPtrArray *devices = fp_context_get_devices(ctx);
  FpDevice *dev = nullptr;
  for (guint i = 0; i < devices->len; ++i) {
    auto *d = static_cast<FpDevice *>(g_ptr_array_index(devices, i));
    if (std::strcmp(fp_device_get_driver(d), "virtual_image") == 0) dev = d;
  }
  ASSERT_NE(dev, nullptr) << "libfprint has no virtual_image driver";
  GError *error = nullptr;
  ASSERT_TRUE(fp_device_open_sync(dev, nullptr, &error)) << (error ? error->message : "");

  struct Case {
    const char *what;
    fpsynth::Image image;
    bool print;
  };
  std::vector<Case> cases;
  for (uint32_t finger = 1; finger <= 3; ++finger) {
    fpsynth::Master m = fpsynth::make_master(finger);
    for (uint32_t n = 1; n <= 2; ++n) cases.push_back({"print", fpsynth::impress(m, n).image, true});
  }
  fpsynth::Image blank{326, 357, std::vector<uint8_t>(size_t(326) * 357, 200)};
  cases.push_back({"blank", blank, false});

  for (size_t i = 0; i < cases.size(); ++i) {
    const Case &c = cases[i];
    FpImage *img = nullptr;
    {
      Finger finger(socket_path, c.image);
      img = fp_device_capture_sync(dev, TRUE, nullptr, &error);
      EXPECT_TRUE(finger.sent()) << i;
    }
    if (!c.print) {
      // No ridges, no minutiae: the reader asks for another touch.
      EXPECT_EQ(img, nullptr);
      ASSERT_NE(error, nullptr);
      EXPECT_EQ(error->domain, FP_DEVICE_RETRY);
      g_clear_error(&error);
      continue;
    }
    ASSERT_NE(img, nullptr) << i << ": " << (error ? error->message : "");
    EXPECT_EQ(fp_image_get_width(img), guint(c.image.width));
    EXPECT_EQ(fp_image_get_height(img), guint(c.image.height));
    Detection d;
    fp_image_detect_minutiae(img, nullptr, detected, &d);
    while (!d.done) g_main_context_iteration(nullptr, TRUE);
    EXPECT_EQ(d.error, nullptr) << i << ": " << (d.error ? d.error->message : "");
    GPtrArray *minutiae = fp_image_get_minutiae(img);
    guint count = minutiae ? minutiae->len : 0;
    EXPECT_GE(count, 10u) << c.what << " " << i;
    g_clear_error(&d.error);
    g_object_unref(img);
  }
  fp_device_close_sync(dev, nullptr, nullptr);
  g_object_unref(ctx);
  fs::remove_all(dir);
}

}  // namespace
