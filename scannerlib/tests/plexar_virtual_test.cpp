// Plexar end to end: libfprint's virtual reader -> vendor library -> Lumadrv
// -> scanner layer -> Plexar, byte for byte; unplugging and plugging back in.
#include "plexar/plexar.h"
#include "touch_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>

namespace {
struct Seen {
  std::mutex m;
  std::vector<std::vector<uint8_t>> images;
  std::vector<int32_t> sizes;
  std::vector<int32_t> monitor;
  std::vector<std::string> monitorIds;
} g_seen;

void onImage(const char *, intptr_t a, intptr_t b, intptr_t c, int32_t res, int32_t user) {
  std::lock_guard<std::mutex> l(g_seen.m);
  const auto *px = reinterpret_cast<const uint8_t *>(c);
  g_seen.images.emplace_back(px, px + a * b);
  g_seen.sizes.insert(g_seen.sizes.end(), {static_cast<int32_t>(a), static_cast<int32_t>(b), res, user});
}
void onMonitor(const char *id, int32_t event, int32_t) {
  std::lock_guard<std::mutex> l(g_seen.m);
  g_seen.monitor.push_back(event);
  g_seen.monitorIds.push_back(id);
}
template <typename P>
bool waitFor(P p, int ms) {
  for (int i = 0; i < ms / 10 && !p(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return p();
}
size_t images() {
  std::lock_guard<std::mutex> l(g_seen.m);
  return g_seen.images.size();
}
size_t notices() {
  std::lock_guard<std::mutex> l(g_seen.m);
  return g_seen.monitor.size();
}
} // namespace

TEST(PlexarVirtualReader, ImagesArriveByteForByteAcrossUnplugAndReplug) {
  const std::string sock = touch::socketPath("plexar");
  setenv("FP_VIRTUAL_IMAGE", sock.c_str(), 1);
  ASSERT_EQ(PXInitialize(), 0);
  ASSERT_EQ(PXGetScannerCount(), 1);
  char id[64] = "";
  ASSERT_EQ(PXGetScannerId(0, id, sizeof id), 42);
  ASSERT_EQ(PXSetMonitor(onMonitor, 0), 0);
  ASSERT_EQ(PXStartCapturing(id, onImage, nullptr, 9), 0);

  touch::Print first = touch::print(11);
  ASSERT_TRUE(touch::put(sock, first));
  ASSERT_TRUE(waitFor([] { return images() == 1; }, 10000));

  ASSERT_TRUE(touch::command(sock, -5)); // unplug
  ASSERT_TRUE(waitFor([] { return notices() == 1; }, 10000));
  ASSERT_TRUE(touch::command(sock, -6)); // plug back in (our helper listens meanwhile)
  ASSERT_TRUE(waitFor([] { return notices() == 2; }, 10000));

  touch::Print second = touch::print(12, 300, 400);
  ASSERT_TRUE(touch::put(sock, second)); // the capture resumed on its own
  ASSERT_TRUE(waitFor([] { return images() == 2; }, 10000));
  EXPECT_EQ(PXStopCapturing(id), 0);
  EXPECT_EQ(PXFinalize(), 0);

  std::lock_guard<std::mutex> l(g_seen.m);
  EXPECT_EQ(g_seen.images[0], first.pixels);
  EXPECT_EQ(g_seen.images[1], second.pixels);
  EXPECT_EQ(g_seen.sizes, (std::vector<int32_t>{320, 360, 500, 9, 300, 400, 500, 9}));
  EXPECT_EQ(g_seen.monitor, (std::vector<int32_t>{2, 1}));
  EXPECT_EQ(g_seen.monitorIds[0], id);
  EXPECT_EQ(g_seen.monitorIds[1], id); // the same reader, the same id
}
