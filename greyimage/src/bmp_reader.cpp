#include "readers.h"

#include <cctype>
#include <cstring>
#include <new>

namespace vistrel {

namespace {

// Distance between stored rows: image size div height, or the padded row of
// bit_count bits when the header gives no size.
size_t row_distance(const bm_header &h, uint16_t bit_count) {
  const uint32_t rows = uint32_t(h.height < 0 ? -int64_t(h.height) : h.height);
  if (h.size_image) return h.size_image / rows;
  return bm_stride(h.width, bit_count);
}

struct Mask {
  uint32_t mask = 0, shift = 0, bits = 0;
  explicit Mask(uint32_t m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    for (uint32_t v = m >> shift; v; v >>= 1) bits += v & 1;
  }
  // 16 bits: scaled up to 8 bits by a left shift (31 gives 248). A mask wider
  // than 8 bits keeps its top 8 bits instead of shifting by a negative count.
  uint32_t widened(uint32_t p) const {
    const uint32_t v = (p & mask) >> shift;
    return (bits <= 8 ? v << (8 - bits) : v >> (bits - 8)) & 0xFF;
  }
  // 32 bits: no scaling, low 8 bits.
  uint32_t plain(uint32_t p) const { return ((p & mask) >> shift) & 0xFF; }
};

bool grey_from_lines24(bm_handle bitmap, GreyImage &image) {
  const size_t stride = bm_stride(image.width(), 24);
  std::unique_ptr<uint8_t[]> line(new (std::nothrow) uint8_t[stride]);
  if (!line) return false;
  for (int32_t s = 0; s < image.height(); ++s) {
    if (bm_get_lines24(bitmap, uint32_t(s), 1, line.get()) != BM_OK) return false;
    uint8_t *out = image.row(image.height() - 1 - s);
    const uint8_t *p = line.get();
    for (int32_t x = 0; x < image.width(); ++x, p += 3) out[x] = uint8_t((p[0] + p[1] + p[2]) / 3);
  }
  return true;
}

bool convert_loaded(bm_handle bitmap, GreyImage &image) {
  bm_section s;
  if (bm_describe(bitmap, &s) != BM_OK || s.header.height <= 0) return false;
  if (!image.resize(s.header.width, s.header.height)) return false;
  const uint16_t depth = s.header.bit_count;
  if (depth == 1 || depth == 4 || depth == 8) return grey_from_lines24(bitmap, image);
  const size_t distance = row_distance(s.header, depth);
  if (distance < bm_stride(s.header.width, depth)) return false;
  const auto *bits = static_cast<const uint8_t *>(s.bits);
  const int32_t w = image.width(), h = image.height();
  const bool fields = s.header.compression == BM_BITFIELDS;
  for (int32_t i = 0; i < h; ++i) {
    const uint8_t *p = bits + size_t(i) * distance;
    uint8_t *out = image.row(h - 1 - i);
    if (depth == 24) {
      for (int32_t x = 0; x < w; ++x, p += 3) out[x] = uint8_t((p[0] + p[1] + p[2]) / 3);
    } else if (depth == 16) {
      const Mask r(fields ? s.masks[0] : 0x7C00), g(fields ? s.masks[1] : 0x03E0), b(fields ? s.masks[2] : 0x001F);
      for (int32_t x = 0; x < w; ++x, p += 2) {
        const uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8;
        out[x] = uint8_t((r.widened(v) + g.widened(v) + b.widened(v)) / 3);
      }
    } else if (depth == 32) {
      const Mask r(fields ? s.masks[0] : 0xFF0000), g(fields ? s.masks[1] : 0x00FF00), b(fields ? s.masks[2] : 0x0000FF);
      for (int32_t x = 0; x < w; ++x, p += 4) {
        const uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        out[x] = uint8_t((r.plain(v) + g.plain(v) + b.plain(v)) / 3);
      }
    } else {
      return false;
    }
  }
  return true;
}

bool ends_with(const char *path, const char *suffix) {
  const size_t n = std::strlen(path);
  if (n < 3) return false;
  for (size_t i = 0; i < 3; ++i)
    if (std::tolower(static_cast<unsigned char>(path[n - 3 + i])) != suffix[i]) return false;
  return true;
}

} // namespace

bool read_bitmap_file(bm_handle bitmap, GreyImage &image) {
  image.clear();
  const bool ok = convert_loaded(bitmap, image);
  if (!ok) image.clear();
  return ok;
}

bool bitmap_to_grey(bm_handle bitmap, GreyImage &image) {
  image.clear();
  bm_section s;
  if (bm_describe(bitmap, &s) != BM_OK) return false;
  bm_header h{};
  h.width = s.header.width;
  h.height = s.header.height < 0 ? -s.header.height : s.header.height;
  h.bit_count = 24;
  h.compression = BM_RGB;
  bm_handle copy = 0;
  if (bm_create(&h, nullptr, 0, nullptr, &copy) != BM_OK) return false;
  bm_section c;
  bool ok = bm_describe(copy, &c) == BM_OK && bm_get_lines24(bitmap, 0, uint32_t(h.height), c.bits) == BM_OK &&
            image.resize(c.header.width, c.header.height);
  if (ok) {
    const size_t distance = row_distance(c.header, 24);
    const auto *bits = static_cast<const uint8_t *>(c.bits);
    for (int32_t i = 0; i < image.height(); ++i) {
      const uint8_t *p = bits + size_t(i) * distance;
      uint8_t *out = image.row(image.height() - 1 - i);
      for (int32_t x = 0; x < image.width(); ++x, p += 3) out[x] = uint8_t((p[0] + p[1] + p[2]) / 3);
    }
  } else {
    image.clear();
  }
  bm_delete(copy);
  return ok;
}

bool load_picture(const char *path, GreyImage &image) {
  image.clear();
  if (!path) return false;
  if (ends_with(path, "dat")) {
    FileSource f(path);
    return f.is_open() && read_raw(f, image);
  }
  if (ends_with(path, "bmp")) {
    bm_handle h = 0;
    if (bm_load_file(path, &h) != BM_OK) return false;
    const bool ok = read_bitmap_file(h, image);
    bm_delete(h);
    return ok;
  }
  if (ends_with(path, "tif")) {
    FileSource f(path);
    return f.is_open() && read_tiff(f, image);
  }
  return false;
}

} // namespace vistrel
