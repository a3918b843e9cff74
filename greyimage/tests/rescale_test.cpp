#include "grey_image.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes rescaled(const Bytes &src, int sw, int sh, int dw, int dh) {
  Bytes dst(size_t(dw) * dh, 0xEE);
  vistrel::rescale(dst.data(), dw, dh, src.data(), sw, sh);
  return dst;
}

// The formula as written, pixel by pixel, in 32-bit arithmetic.
Bytes reference(const Bytes &src, int sw, int sh, int dw, int dh) {
  Bytes dst(size_t(dw) * dh);
  const int32_t step_x = sw * 1000 / dw, step_y = sh * 1000 / dh;
  auto P = [&](int x, int y) { return int32_t(src[size_t(y) * sw + x]); };
  for (int r = 0; r < dh; ++r)
    for (int c = 0; c < dw; ++c) {
      const int32_t X = c * step_x, Y = r * step_y;
      const int32_t sx = X / 1000, fx = X % 1000, sy = Y / 1000, fy = Y % 1000;
      int32_t v;
      if (sx < 0 || sy < 0 || sx >= sw || sy >= sh) v = 128;
      else if (sx + 1 < sw && sy + 1 < sh)
        v = (P(sx, sy) * (1000 - fx) * (1000 - fy) + P(sx + 1, sy) * fx * (1000 - fy) +
             P(sx, sy + 1) * (1000 - fx) * fy + P(sx + 1, sy + 1) * fx * fy) / 1000000;
      else v = P(sx, sy);
      dst[size_t(r) * dw + c] = uint8_t(v);
    }
  return dst;
}

TEST(Rescale, EdgeCasesOfTheArithmetic) {
  // Own size: every fraction is 0.
  Bytes src(7 * 5);
  for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(i * 7 + 3);
  EXPECT_EQ(rescaled(src, 7, 5, 7, 5), src);

  // Halving 4 x 4 takes the pixels at even coordinates.
  Bytes four(16);
  for (int i = 0; i < 16; ++i) four[i] = uint8_t(i * 10);
  EXPECT_EQ(rescaled(four, 4, 4, 2, 2), (Bytes{0, 20, 80, 100}));

  // Doubling [10, 11]: the last source row is never interpolated.
  EXPECT_EQ(rescaled(Bytes{10, 11}, 2, 1, 4, 2), (Bytes{10, 10, 11, 11, 10, 10, 11, 11}));
  // 2 x 2 doubled: (10·500·1000 + 11·500·1000) div 10^6 = 10, truncated.
  const Bytes two{10, 11, 10, 11};
  const Bytes doubled = rescaled(two, 2, 2, 4, 4);
  EXPECT_EQ(doubled[1], 10);
  EXPECT_EQ(doubled, reference(two, 2, 2, 4, 4));
}

TEST(Rescale, MatchesTheFormulaBitForBit) {
  std::mt19937 rng(1234);
  struct Size {
    int sw, sh, dw, dh;
  };
  std::vector<Size> sizes = {{384, 290, 192, 145}, {700, 700, 500, 500}, {400, 300, 100, 75},
                             {3, 3, 10, 7},        {1, 1, 5, 5},         {5, 1, 3, 4},
                             {1, 9, 4, 2},         {17, 13, 17, 26},     {13, 17, 1, 1}};
  for (int i = 0; i < 40; ++i)
    sizes.push_back({int(rng() % 60) + 1, int(rng() % 60) + 1, int(rng() % 90) + 1, int(rng() % 90) + 1});
  // Wide rows take the vector path (groups of 8 columns, steps up to 2 pixels)
  // and its scalar tails.
  for (int i = 0; i < 30; ++i) {
    const int sw = int(rng() % 400) + 16, sh = int(rng() % 40) + 2;
    sizes.push_back({sw, sh, int(sw * (300 + rng() % 1400) / 1000) + 1, int(rng() % 50) + 1});
  }
  for (const Size &s : sizes) {
    Bytes src(size_t(s.sw) * s.sh);
    for (auto &b : src) b = uint8_t(rng());
    EXPECT_EQ(rescaled(src, s.sw, s.sh, s.dw, s.dh), reference(src, s.sw, s.sh, s.dw, s.dh))
        << s.sw << "x" << s.sh << " -> " << s.dw << "x" << s.dh;
  }
  // Saturated pixels: the sum stays within 32 bits and truncates to 255.
  Bytes white(50 * 40, 255);
  EXPECT_EQ(rescaled(white, 50, 40, 33, 71), Bytes(33 * 71, 255));
}

TEST(Rescale, SizesOutsideTheDomainAreHarmless) {
  Bytes dst(4, 7);
  const Bytes src{1, 2, 3, 4};
  vistrel::rescale(dst.data(), 0, 2, src.data(), 2, 2);
  vistrel::rescale(dst.data(), 2, -1, src.data(), 2, 2);
  EXPECT_EQ(dst, Bytes(4, 7)) << "no destination pixels: nothing written";
  vistrel::rescale(dst.data(), 2, 2, src.data(), 0, 2);
  EXPECT_EQ(dst, Bytes(4, 128)) << "every position lies outside an empty source";
  vistrel::rescale(dst.data(), 2, 2, src.data(), -3, 2);
  EXPECT_EQ(dst, Bytes(4, 128));
}

} // namespace
