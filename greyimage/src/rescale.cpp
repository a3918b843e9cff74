#include "grey_image.h"

#include <cstring>
#include <new>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VISTREL_X86 1
#endif

namespace vistrel {

namespace {

constexpr int32_t kOne = 1000; // positions are in thousandths of a source pixel

// The formula, grouped as a vertical then a horizontal pass: every term is an
// exact integer below 2^31, so any grouping gives the same sum as
//   P00·(1000−fx)(1000−fy) + P10·fx(1000−fy) + P01·(1000−fx)fy + P11·fx·fy,
// which is truncated by one division by 10^6 at the end.
struct Row {
  const uint8_t *r0, *r1; // source rows sy and sy + 1
  uint32_t wy0, wy1;      // 1000 − fy, fy
};

// Destination columns [from, to) of an interpolated row, plain C.
void row_scalar(const Row &row, const uint32_t *col_x, const uint32_t *col_f, uint8_t *out, int32_t from,
                int32_t to) {
  for (int32_t c = from; c < to; ++c) {
    const uint32_t x = col_x[c], f = col_f[c];
    const uint32_t v0 = row.r0[x] * row.wy0 + row.r1[x] * row.wy1;
    const uint32_t v1 = row.r0[x + 1] * row.wy0 + row.r1[x + 1] * row.wy1;
    out[c] = uint8_t((v0 * (kOne - f) + v1 * f) / 1000000u);
  }
}

#ifdef VISTREL_X86
// AVX2: the vertical pass over the source columns into v (8 at a time with
// madd on byte pairs), then the horizontal pass 8 destination columns at a
// time, picking v[x] and v[x + 1] out of 16 loaded values with permutes (the
// columns of a group lie within 16 source columns whenever the step is at
// most 2 pixels). Returns the first column left to the caller.
__attribute__((target("avx2"))) int32_t row_avx2(const Row &row, const uint32_t *col_x, const uint32_t *col_f,
                                                 uint8_t *out, int32_t inner, int32_t src_w, uint32_t *v) {
  if (inner < 8) return 0;
  // Source columns needed: up to col_x[inner − 1] + 1, plus a group's reach.
  const int32_t need = int32_t(col_x[inner - 1]) + 2;
  const __m256i w = _mm256_set1_epi32(int32_t(row.wy0 | row.wy1 << 16));
  int32_t x = 0;
  for (; x + 16 <= src_w && x < need; x += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row.r0 + x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row.r1 + x));
    const __m256i lo = _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(a, b));
    const __m256i hi = _mm256_cvtepu8_epi16(_mm_unpackhi_epi8(a, b));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(v + x), _mm256_madd_epi16(lo, w));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(v + x + 8), _mm256_madd_epi16(hi, w));
  }
  for (; x < need && x < src_w; ++x) v[x] = row.r0[x] * row.wy0 + row.r1[x] * row.wy1;

  const __m256i seven = _mm256_set1_epi32(7), one = _mm256_set1_epi32(1), thousand = _mm256_set1_epi32(kOne);
  // q = x div 10^6 = (x · 1125899907) >> 50, exact for x < 2^32.
  const __m256i magic = _mm256_set1_epi32(1125899907);
  int32_t c = 0;
  for (; c + 8 <= inner; c += 8) {
    const uint32_t base = col_x[c];
    if (col_x[c + 7] - base > 14) break; // steps above 2 pixels: scalar
    const __m256i o = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(col_x + c)),
                                       _mm256_set1_epi32(int32_t(base)));
    const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(v + base));
    const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(v + base + 8));
    const __m256i o1 = _mm256_add_epi32(o, one);
    const __m256i v0 = _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(lo, o), _mm256_permutevar8x32_epi32(hi, o),
                                          _mm256_cmpgt_epi32(o, seven));
    const __m256i v1 = _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(lo, o1), _mm256_permutevar8x32_epi32(hi, o1),
                                          _mm256_cmpgt_epi32(o1, seven));
    const __m256i f = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(col_f + c));
    const __m256i sum = _mm256_add_epi32(_mm256_mullo_epi32(v0, _mm256_sub_epi32(thousand, f)), _mm256_mullo_epi32(v1, f));
    const __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(sum, magic), 50);
    const __m256i odd = _mm256_srli_epi64(_mm256_mul_epu32(_mm256_srli_epi64(sum, 32), magic), 50);
    const __m256i q = _mm256_or_si256(even, _mm256_slli_epi64(odd, 32));
    const __m256i q16 = _mm256_packus_epi32(q, q);
    const __m256i q8 = _mm256_packus_epi16(q16, q16);
    const uint32_t low = uint32_t(_mm_cvtsi128_si32(_mm256_castsi256_si128(q8)));
    const uint32_t high = uint32_t(_mm_cvtsi128_si32(_mm256_extracti128_si256(q8, 1)));
    std::memcpy(out + c, &low, 4);
    std::memcpy(out + c + 4, &high, 4);
  }
  return c;
}

bool have_avx2() {
  static const bool yes = __builtin_cpu_supports("avx2");
  return yes;
}
#endif

// Every k-th pixel of a row (whole steps, fraction 0).
void subsample(const uint8_t *src, uint8_t *out, int32_t n, uint32_t k) {
  int32_t c = 0;
#ifdef VISTREL_X86
  // SSE2 is part of x86-64: keep the low byte of each 2- or 4-byte group.
  if (k == 2) {
    const __m128i mask = _mm_set1_epi16(0x00FF);
    for (; c + 16 <= n; c += 16) {
      const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(src + 2 * c)), mask);
      const __m128i b = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(src + 2 * c + 16)), mask);
      _mm_storeu_si128(reinterpret_cast<__m128i *>(out + c), _mm_packus_epi16(a, b));
    }
  } else if (k == 4) {
    const __m128i mask = _mm_set1_epi32(0x000000FF);
    for (; c + 16 <= n; c += 16) {
      const __m128i *s = reinterpret_cast<const __m128i *>(src + 4 * c);
      const __m128i a = _mm_packs_epi32(_mm_and_si128(_mm_loadu_si128(s), mask), _mm_and_si128(_mm_loadu_si128(s + 1), mask));
      const __m128i b = _mm_packs_epi32(_mm_and_si128(_mm_loadu_si128(s + 2), mask), _mm_and_si128(_mm_loadu_si128(s + 3), mask));
      _mm_storeu_si128(reinterpret_cast<__m128i *>(out + c), _mm_packus_epi16(a, b));
    }
  }
#endif
  for (; c < n; ++c) out[c] = src[size_t(c) * k];
}

} // namespace

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
  const bool whole_x = step_x % kOne == 0;

  // Column tables, and the vertical-pass buffer (padded for 16-wide loads).
  std::unique_ptr<uint32_t[]> tables(new (std::nothrow) uint32_t[size_t(dst_w) * 2 + size_t(src_w) + 32]);
  if (!tables) return;
  uint32_t *col_x = tables.get(), *col_f = col_x + dst_w, *v = col_f + dst_w;
  std::memset(v, 0, (size_t(src_w) + 32) * sizeof(uint32_t));
  int32_t inner = 0; // columns with sx + 1 < src_w form a prefix
  for (int32_t c = 0; c < dst_w; ++c) {
    const int64_t x = int64_t(c) * step_x;
    col_x[c] = uint32_t(x / kOne);
    col_f[c] = uint32_t(x % kOne);
    if (x / kOne + 1 < src_w) inner = c + 1;
  }
#ifdef VISTREL_X86
  const bool avx2 = have_avx2();
#endif

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
    if (fy == 0 && whole_x) {
      // Every fraction 0: the source pixels themselves (every column lies inside).
      subsample(r0, out, dst_w, uint32_t(step_x / kOne));
      continue;
    }
    if (sy + 1 >= src_h) {
      // Last source row: no interpolation.
      for (int32_t c = 0; c < dst_w; ++c) out[c] = col_x[c] < uint32_t(src_w) ? r0[col_x[c]] : 128;
      continue;
    }
    const Row row{r0, r0 + src_w, kOne - fy, fy};
    int32_t c = 0;
#ifdef VISTREL_X86
    if (avx2) c = row_avx2(row, col_x, col_f, out, inner, src_w, v);
#endif
    row_scalar(row, col_x, col_f, out, c, inner);
    // Last source column: no interpolation.
    for (c = inner; c < dst_w; ++c) out[c] = col_x[c] < uint32_t(src_w) ? r0[col_x[c]] : 128;
  }
}

} // namespace vistrel
