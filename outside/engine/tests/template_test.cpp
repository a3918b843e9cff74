// The template bytes and the 27,284-byte record.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "engine.h"
#include "synthetic.h"
#include "template.h"

namespace {

int32_t long_at(const std::vector<uint8_t> &r, size_t off) {
  int32_t v;
  std::memcpy(&v, &r[off], 4);
  return v;
}

ppvbp::Features sample() {
  ppvbp::Features f;
  f.width = 330;
  f.height = 360;
  f.key = 77;
  f.minutiae = {{10, 20, 0, 0, 1}, {2047, 5, 64, 1, 0}, {300, 350, 128, 0, 1}, {150, 160, 192, 1, 1}};
  f.singular = {{100, 120, ppvbp::kCore, 64}, {200, 220, ppvbp::kDelta, 0}, {150, 150, ppvbp::kWhorl, 0}};
  f.flow_cols = (330 + 31) / 32;
  f.flow_rows = (360 + 31) / 32;
  f.flow.assign(size_t(f.flow_cols) * f.flow_rows, ppvbp::kFlowBackground);
  for (int r = 2; r < 8; ++r)
    for (int c = 2; c < 8; ++c) f.flow[size_t(r) * f.flow_cols + c] = 5;  // 60 degrees
  return f;
}

TEST(Template, RoundTripsEveryField) {
  ppvbp::Features f = sample(), g;
  std::vector<uint8_t> t;
  ASSERT_TRUE(ppvbp::encode_template(f, t, 10001));
  EXPECT_EQ(t[1], 77);  // the group key is byte 1
  EXPECT_EQ(size_t(t[2] | (t[3] << 8)), t.size());
  // A template inside a larger, zero-padded array still reads.
  std::vector<uint8_t> padded = t;
  padded.resize(10001, 0);
  ASSERT_TRUE(ppvbp::decode_template(padded.data(), padded.size(), g));
  EXPECT_EQ(g.width, 330);
  EXPECT_EQ(g.height, 360);
  ASSERT_EQ(g.minutiae.size(), f.minutiae.size());
  for (size_t i = 0; i < f.minutiae.size(); ++i) {
    EXPECT_EQ(g.minutiae[i].x, f.minutiae[i].x);
    EXPECT_EQ(g.minutiae[i].y, f.minutiae[i].y);
    EXPECT_EQ(g.minutiae[i].dir, f.minutiae[i].dir);
    EXPECT_EQ(g.minutiae[i].kind, f.minutiae[i].kind);
  }
  ASSERT_EQ(g.singular.size(), 3u);
  EXPECT_EQ(g.singular[2].kind, ppvbp::kWhorl);
  EXPECT_EQ(g.flow, f.flow);
}

TEST(Template, RefusesBytesThatAreNotOurs) {
  std::vector<uint8_t> t;
  ASSERT_TRUE(ppvbp::encode_template(sample(), t, 10001));
  ppvbp::Features g;
  EXPECT_FALSE(ppvbp::decode_template(t.data(), t.size() - 1, g));  // cut short
  EXPECT_FALSE(ppvbp::decode_template(t.data(), 5, g));
  EXPECT_FALSE(ppvbp::decode_template(nullptr, 100, g));
  for (size_t at : {size_t(0), size_t(4), size_t(6), size_t(20), t.size() - 1}) {
    std::vector<uint8_t> bad = t;
    bad[at] ^= 0x10;
    EXPECT_FALSE(ppvbp::decode_template(bad.data(), bad.size(), g)) << "byte " << at;
  }
  std::vector<uint8_t> zeros(10001, 0);
  EXPECT_FALSE(ppvbp::decode_template(zeros.data(), zeros.size(), g));
  // Too small a capacity is a refusal, not an overrun.
  EXPECT_FALSE(ppvbp::encode_template(sample(), t, 20));
}

TEST(Template, RandomBytesNeverCrashTheMatcher) {
  std::vector<uint8_t> t;
  ASSERT_TRUE(ppvbp::encode_template(sample(), t, 10001));
  ppvbp::Comparator c;
  ASSERT_TRUE(c.prepare(t.data(), t.size()));
  std::mt19937 rng(3);
  for (int i = 0; i < 3000; ++i) {
    std::vector<uint8_t> m = t;
    int flips = 1 + int(rng() % 4);
    for (int k = 0; k < flips; ++k) m[rng() % m.size()] = uint8_t(rng());
    // Mutants with a valid checksum exercise the decoder past the header.
    m[5] = 0;
    unsigned s = 0x5A;
    for (size_t b = 0; b < m.size(); ++b)
      if (b != 5) s = (s * 31 + m[b]) & 255;
    if (rng() % 2) m[5] = uint8_t(s);
    int v = c.score(m.data(), m.size());
    EXPECT_GE(v, -1);
    ppvbp::Features g;
    if (ppvbp::decode_template(m.data(), m.size(), g)) {
      std::vector<uint8_t> rec(ppvbp::kRecordBytes);
      ppvbp::fill_record(g, rec.data());
    }
  }
}

TEST(Record, LaysOutTheFieldsAtTheirOffsets) {
  std::vector<uint8_t> r(ppvbp::kRecordBytes, 0xCC);
  ppvbp::fill_record(sample(), r.data());
  EXPECT_EQ(long_at(r, 4), 4);  // minutiae
  EXPECT_EQ(long_at(r, 8), 10);
  EXPECT_EQ(long_at(r, 8 + 4), 2047);
  EXPECT_EQ(long_at(r, 4104), 20);
  EXPECT_EQ(long_at(r, 4104 + 8), 350);
  // Directions in 1.5-degree units: a quarter turn is 60, a half turn 120.
  EXPECT_EQ(r[8200 + 0], 0);
  EXPECT_EQ(r[8200 + 1], 60);
  EXPECT_EQ(r[8200 + 2], 120);
  EXPECT_EQ(r[8200 + 3], 180);
  EXPECT_EQ(long_at(r, 10248), 3);  // singular points
  EXPECT_EQ(long_at(r, 10252), 100);
  EXPECT_EQ(long_at(r, 10508), 120);
  EXPECT_EQ(r[10764], 1);
  EXPECT_EQ(r[10765], 3);
  EXPECT_EQ(r[10766], 2);
  EXPECT_EQ(r[10828], 60);
  EXPECT_EQ(long_at(r, 10892), 21);  // 330 / 16 rounded up
  EXPECT_EQ(long_at(r, 10896), 23);  // 360 / 16 rounded up
  // Background blocks are 255; blocks inside the flow area carry 60 degrees
  // (40 units); the grid beyond the image is background too.
  EXPECT_EQ(r[10900 + 0 * 128 + 0], 255);
  EXPECT_EQ(r[10900 + 8 * 128 + 8], 40);
  EXPECT_EQ(r[10900 + 127 * 128 + 127], 255);
  for (int rr = 0; rr < 23; ++rr)
    for (int c = 0; c < 21; ++c) {
      uint8_t v = r[size_t(10900 + rr * 128 + c)];
      EXPECT_TRUE(v == 255 || v < 120);
    }
}

TEST(Record, DrawnOverTheBinarisedImageTheFeaturesFitTheRidges) {
  synth::Pattern p = synth::make_pattern(4);
  std::vector<uint8_t> img = synth::render(p), t, bin(img.size());
  ppvbp::Features f;
  ASSERT_TRUE(ppvbp::extract_template(img.data(), p.width, p.height, ppvbp::Settings{}, t, bin.data(), &f));
  for (uint8_t v : bin) ASSERT_TRUE(v == 0 || v == 255);
  std::vector<uint8_t> r(ppvbp::kRecordBytes);
  ppvbp::fill_record(f, r.data());
  const int n = long_at(r, 4);
  ASSERT_GE(n, 6);
  int placed = 0;
  for (int i = 0; i < n; ++i) {
    int x = long_at(r, 8 + 4 * i), y = long_at(r, 4104 + 4 * i), d = r[8200 + i];
    // Each minutia sits on ridge pixels of the binarised image...
    int ridge = 0;
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx) ridge += bin[size_t(y + dy) * p.width + x + dx] == 0;
    EXPECT_GT(ridge, 0) << "minutia " << i;
    // ...its tail runs along the block direction drawn there (modulo half a turn)...
    int block = r[10900 + (y / 16) * 128 + x / 16];
    ASSERT_NE(block, 255) << "minutia on a background block";
    int gap = std::abs(d % 120 - block);
    EXPECT_LE(std::min(gap, 120 - gap), 14) << "minutia " << i;
    // ...and most are where the pattern put one.
    for (const synth::Point &k : p.minutiae)
      if (std::hypot(k.x - x, k.y - y) <= 8) {
        ++placed;
        break;
      }
  }
  EXPECT_GE(placed, n * 3 / 4);
}

}  // namespace
