#include "normalise.h"

#include <algorithm>

namespace lumadrv {

void normaliseWideRaw(std::vector<uint8_t> &image, int32_t &width, int32_t &height) {
  const int32_t W = width;
  int32_t Hc = height, Wc = W;
  auto at = [&](int32_t x, int32_t y) { return image[static_cast<size_t>(y) * W + x]; };
  // White rows at the bottom, then white columns at the right, are no print.
  while (Hc > 0) {
    bool white = true;
    for (int32_t x = 0; x < W && white; ++x) white = at(x, Hc - 1) == 255;
    if (!white) break;
    --Hc;
  }
  while (Wc > 0 && Hc > 0) {
    bool white = true;
    for (int32_t y = 0; y < Hc && white; ++y) white = at(Wc - 1, y) == 255;
    if (!white) break;
    --Wc;
  }
  if (Hc == 0) Wc = 0;
  std::vector<uint8_t> turned(static_cast<size_t>(Wc) * Hc);
  for (int32_t y = 0; y < Hc; ++y)
    for (int32_t x = 0; x < Wc; ++x) turned[static_cast<size_t>(y) * Wc + x] = at(Wc - 1 - x, Hc - 1 - y);
  const int32_t w = Wc * 500 / 700, h = Hc * 500 / 700;
  auto P = [&](int32_t c, int32_t r) { return static_cast<int64_t>(turned[static_cast<size_t>(r) * Wc + c]); };
  if (Wc == 2 * w && Hc == 2 * h) {
    for (int32_t i = 0; i < h; ++i)
      for (int32_t j = 0; j < w; ++j)
        image[static_cast<size_t>(i) * w + j] = static_cast<uint8_t>(
            (P(2 * j, 2 * i) + P(2 * j + 1, 2 * i) + P(2 * j, 2 * i + 1) + P(2 * j + 1, 2 * i + 1) + 2) / 4);
  } else {
    for (int32_t i = 0; i < h; ++i) {
      int64_t py = static_cast<int64_t>(i) * Hc * 100 / h;
      int32_t r0 = static_cast<int32_t>(py / 100), r1 = std::min(r0 + 1, Hc - 1);
      int64_t fy = py % 100;
      if (fy == 0 && Hc != h) fy = 50;
      for (int32_t j = 0; j < w; ++j) {
        int64_t px = static_cast<int64_t>(j) * Wc * 100 / w;
        int32_t c0 = static_cast<int32_t>(px / 100), c1 = std::min(c0 + 1, Wc - 1);
        int64_t fx = px % 100;
        if (fx == 0 && Wc != w) fx = 50;
        int64_t v = fx * fy * P(c1, r1) + (100 - fx) * (100 - fy) * P(c0, r0) + fx * (100 - fy) * P(c1, r0) +
                    (100 - fx) * fy * P(c0, r1) + 5000;
        image[static_cast<size_t>(i) * w + j] = static_cast<uint8_t>(v / 10000);
      }
    }
  }
  width = w;
  height = h;
}

} // namespace lumadrv
