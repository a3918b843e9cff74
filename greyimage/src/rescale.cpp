#include "grey_image.h"

#include <cstring>
#include <new>

namespace vistrel {

namespace {

constexpr int32_t kOne = 1000; // positions are in thousandths of a source pixel

} // namespace

// Bit-exact with the plain formula
//   (P00·(1000−fx)(1000−fy) + P10·fx(1000−fy) + P01·(1000−fx)fy + P11·fx·fy) div 10^6
// (all terms are exact integers, so the sum may be grouped as a horizontal
// then a vertical pass), with no interpolation where the position lies in the
// last source column or row and 128 outside the source.
void rescale(uint8_t *dst, int32_t dst_w, int32_t dst_h, const uint8_t *src, int32_t src_w, int32_t src_h) {
  if (!dst || dst_w <= 0 || dst_h <= 0) return;
  if (!src || src_w <= 0 || src_h <= 0) {
    std::memset(dst, 128, size_t(dst_w) * size_t(dst_h));
    return;
  }
  // 64-bit so that sizes beyond 2^31 / 1000 cannot overflow; for every other
  // size the values are those of 32-bit arithmetic.
  const int64_t step_x = int64_t(src_w) * kOne / dst_w;
  const int64_t step_y = int64_t(src_h) * kOne / dst_h;

  std::unique_ptr<uint32_t[]> cols(new (std::nothrow) uint32_t[size_t(dst_w) * 2]);
  if (!cols) return;
  uint32_t *col_x = cols.get(), *col_f = cols.get() + dst_w;
  int32_t inner = 0; // columns with sx + 1 < src_w form a prefix
  for (int32_t c = 0; c < dst_w; ++c) {
    const int64_t x = int64_t(c) * step_x;
    col_x[c] = uint32_t(x / kOne);
    col_f[c] = uint32_t(x % kOne);
    if (x / kOne + 1 < src_w) inner = c + 1;
  }
  const bool whole_steps_x = step_x % kOne == 0;

  for (int32_t r = 0; r < dst_h; ++r) {
    const int64_t y = int64_t(r) * step_y;
    const int64_t sy = y / kOne;
    const uint32_t fy = uint32_t(y % kOne);
    uint8_t *out = dst + size_t(r) * size_t(dst_w);
    if (sy >= src_h) {
      std::memset(out, 128, size_t(dst_w));
      continue;
    }
    const uint8_t *r0 = src + size_t(sy) * size_t(src_w);
    if (sy + 1 >= src_h || (fy == 0 && whole_steps_x)) {
      // Last source row, or every fraction 0: the source pixel itself.
      for (int32_t c = 0; c < dst_w; ++c) out[c] = col_x[c] < uint32_t(src_w) ? r0[col_x[c]] : 128;
      continue;
    }
    const uint8_t *r1 = r0 + src_w;
    if (fy == 0) {
      for (int32_t c = 0; c < inner; ++c) {
        const uint32_t x = col_x[c], f = col_f[c];
        out[c] = uint8_t((r0[x] * (kOne - f) + r0[x + 1] * f) / kOne);
      }
    } else {
      const uint32_t wy0 = kOne - fy, wy1 = fy;
      for (int32_t c = 0; c < inner; ++c) {
        const uint32_t x = col_x[c], f = col_f[c];
        const uint32_t a = r0[x] * (kOne - f) + r0[x + 1] * f;
        const uint32_t b = r1[x] * (kOne - f) + r1[x + 1] * f;
        out[c] = uint8_t((a * wy0 + b * wy1) / 1000000u);
      }
    }
    for (int32_t c = inner; c < dst_w; ++c) out[c] = col_x[c] < uint32_t(src_w) ? r0[col_x[c]] : 128;
  }
}

} // namespace vistrel
