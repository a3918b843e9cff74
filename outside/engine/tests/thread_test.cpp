// Contexts used from several threads at once: one thread frees a context while
// others search and verify in it, and separate contexts extract and search
// side by side. Run under ThreadSanitizer by scripts/test.d/engine-tsan.sh.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "ppvbp42/ppvbp42.h"
#include "synthetic.h"

namespace {

struct Bytes {
  oa_variant v;
  explicit Bytes(const std::vector<uint8_t> &b) {
    oa_variant_init(&v);
    oa_array *a = oa_array_create(OA_UI1, 0, uint32_t(b.size()));
    std::memcpy(a->data, b.data(), b.size());
    oa_variant_set_array(&v, a);
  }
  Bytes(const Bytes &) = delete;
  ~Bytes() { oa_variant_clear(&v); }
};

std::vector<uint8_t> extract(const synth::Pattern &p, double rot, double dx, int32_t ctx) {
  Bytes image(synth::render(p, rot, dx, 0)), features(std::vector<uint8_t>(10001, 0));
  int32_t size = 0;
  if (VBPPExtract(p.width, p.height, &image.v, 500, &features.v, &size, ctx) != 0) return {};
  const uint8_t *d = static_cast<const uint8_t *>(oa_variant_array(&features.v, OA_UI1)->data);
  return std::vector<uint8_t>(d, d + size);
}

class Threads : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(VBPPInitialize(), 0);
    int32_t ctx = VBPPCreateContext();
    for (unsigned s = 1; s <= 4; ++s) {
      synth::Pattern p = synth::make_pattern(s);
      tpls.push_back(extract(p, 0, 0, ctx));
      tpls.push_back(extract(p, 0.1, 6, ctx));
      ASSERT_FALSE(tpls.back().empty());
    }
    VBPPFreeContext(ctx);
  }
  void TearDown() override { VBPPFinalize(); }
  std::vector<std::vector<uint8_t>> tpls;
};

TEST_F(Threads, FreeingAContextWhileOthersUseItIsSafe) {
  for (int round = 0; round < 6; ++round) {
    int32_t ctx = VBPPCreateContext();
    ASSERT_GT(ctx, 0);
    std::atomic<bool> go{false};
    std::atomic<int> scored{0}, refused{0}, other{0};
    std::vector<std::thread> users;
    for (int t = 0; t < 3; ++t)
      users.emplace_back([&, t] {
        Bytes probe(tpls[size_t(t)]);
        std::vector<std::unique_ptr<Bytes>> gallery;
        for (auto &b : tpls) gallery.push_back(std::make_unique<Bytes>(b));
        while (!go) std::this_thread::yield();
        for (int k = 0; k < 40; ++k) {
          int32_t d[5] = {20, 0, 0, 0, 0};
          int32_t r = t == 2 ? VBPPVerify(&gallery[size_t(k) % gallery.size()]->v, &probe.v, d, ctx)
                             : VBPPIdentifyStart(&probe.v, ctx);
          if (t != 2 && r == VBPP_OK) r = VBPPIdentifyNext(&gallery[size_t(k) % gallery.size()]->v, d, ctx);
          if (r == VBPP_OK) ++scored;
          else if (r == VBPP_E_CONTEXT) ++refused;
          else if (r != VBPP_E_STATE) ++other;  // another thread may have ended the search
        }
      });
    go = true;
    std::this_thread::sleep_for(std::chrono::microseconds(200 * round));
    EXPECT_EQ(VBPPFreeContext(ctx), VBPP_OK);
    for (auto &u : users) u.join();
    EXPECT_EQ(other.load(), 0);
    // After the free every call hears that the context is gone.
    int32_t d[5] = {20, 0, 0, 0, 0};
    Bytes probe(tpls[0]);
    EXPECT_EQ(VBPPVerify(&probe.v, &probe.v, d, ctx), VBPP_E_CONTEXT);
    EXPECT_EQ(VBPPFreeContext(ctx), VBPP_E_CONTEXT);
  }
}

TEST_F(Threads, SeparateContextsExtractAndSearchTogether) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < 3; ++t)
    workers.emplace_back([&, t] {
      int32_t ctx = VBPPCreateContext();
      synth::Pattern p = synth::make_pattern(unsigned(t + 1));
      std::vector<uint8_t> mine = extract(p, -0.05, -4, ctx);
      Bytes probe(mine);
      std::vector<std::unique_ptr<Bytes>> gallery;
      for (auto &b : tpls) gallery.push_back(std::make_unique<Bytes>(b));
      for (int rep = 0; rep < 5; ++rep) {
        if (VBPPIdentifyStart(&probe.v, ctx) != VBPP_OK) ++wrong;
        int best = -1, at = -1;
        for (size_t g = 0; g < gallery.size(); ++g) {
          int32_t d[5] = {20, 0, 0, 0, 0};
          if (VBPPIdentifyNext(&gallery[g]->v, d, ctx) != VBPP_OK) ++wrong;
          if (d[1] > best) best = d[1], at = int(g);
        }
        VBPPIdentifyEnd(ctx);
        // The gallery holds two copies of each pattern, in order.
        if (at / 2 != t) ++wrong;
      }
      VBPPFreeContext(ctx);
    });
  for (auto &w : workers) w.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
