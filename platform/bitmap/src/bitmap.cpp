#include "bitmap/bitmap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Bitmap {
  bm_header header{};
  uint32_t stride = 0;
  uint32_t masks[3] = {0, 0, 0};
  std::vector<bm_rgbquad> palette;
  unsigned char *bits = nullptr;
  ~Bitmap() { std::free(bits); }
};

// Handle = generation (high 12 bits) | slot index + 1 (low 20 bits), so a handle
// kept after its bitmap was deleted no longer matches the slot.
constexpr uint32_t kIndexBits = 20;
constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;
constexpr uint32_t kMaxSlots = kIndexMask - 1;

struct Slot {
  Bitmap *bitmap = nullptr;
  uint32_t generation = 1;
};

struct Table {
  std::mutex lock;
  std::vector<Slot> slots;
  std::vector<uint32_t> free_slots;
};

Table &table() {
  static Table t;
  return t;
}

bm_handle table_add(Bitmap *b) {
  Table &t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  uint32_t index;
  try {
    if (!t.free_slots.empty()) {
      index = t.free_slots.back();
      t.free_slots.pop_back();
    } else {
      if (t.slots.size() >= kMaxSlots) return 0;
      t.slots.emplace_back();
      index = uint32_t(t.slots.size() - 1);
    }
  } catch (const std::bad_alloc &) {
    return 0;
  }
  Slot &s = t.slots[index];
  s.bitmap = b;
  return ((s.generation & 0xFFF) << kIndexBits) | (index + 1);
}

// The live slot a handle names, or null; called with the table locked.
Slot *slot_of(Table &t, bm_handle h) {
  const uint32_t index = (h & kIndexMask) - 1;
  if ((h & kIndexMask) == 0 || index >= t.slots.size()) return nullptr;
  Slot &s = t.slots[index];
  if (!s.bitmap || (s.generation & 0xFFF) != (h >> kIndexBits)) return nullptr;
  return &s;
}

Bitmap *table_find(bm_handle h) {
  Table &t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  Slot *s = slot_of(t, h);
  return s ? s->bitmap : nullptr;
}

Bitmap *table_remove(bm_handle h) {
  Table &t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  Slot *found = slot_of(t, h);
  if (!found) return nullptr;
  Slot &s = *found;
  const uint32_t index = uint32_t(found - t.slots.data());
  Bitmap *b = s.bitmap;
  s.bitmap = nullptr;
  s.generation = (s.generation + 1) & 0xFFF;
  if (s.generation == 0) s.generation = 1;
  try {
    t.free_slots.push_back(index);
  } catch (const std::bad_alloc &) {
    // The slot is lost, the bitmap is not.
  }
  return b;
}

bool valid_depth(uint16_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

void default_masks(uint16_t bits, uint32_t m[3]) {
  if (bits == 16) {
    m[0] = 0x7C00; m[1] = 0x03E0; m[2] = 0x001F;
  } else if (bits == 32) {
    m[0] = 0xFF0000; m[1] = 0x00FF00; m[2] = 0x0000FF;
  } else {
    m[0] = m[1] = m[2] = 0;
  }
}

uint32_t abs_height(int32_t h) { return h < 0 ? uint32_t(0) - uint32_t(h) : uint32_t(h); }

// A masked channel scaled to 0..255.
struct Channel {
  uint32_t mask = 0, shift = 0, bits = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    for (uint32_t v = m >> shift; v; v >>= 1) bits += v & 1;
  }
  uint8_t operator()(uint32_t pixel) const {
    if (!bits) return 0;
    const uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return uint8_t(v >> (bits - 8));
    const uint32_t max = (1u << bits) - 1;
    return uint8_t((v * 255 + max / 2) / max);
  }
};

// One stored row as blue-green-red.
void row_to_24(const Bitmap &b, const unsigned char *src, unsigned char *dst) {
  const int32_t w = b.header.width;
  auto colour = [&](uint32_t index, unsigned char *out) {
    if (index < b.palette.size()) {
      out[0] = b.palette[index].blue;
      out[1] = b.palette[index].green;
      out[2] = b.palette[index].red;
    } else {
      out[0] = out[1] = out[2] = 0;
    }
  };
  switch (b.header.bit_count) {
  case 1:
    for (int32_t x = 0; x < w; ++x) colour((src[x >> 3] >> (7 - (x & 7))) & 1, dst + 3 * x);
    break;
  case 4:
    for (int32_t x = 0; x < w; ++x) colour((x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4), dst + 3 * x);
    break;
  case 8:
    for (int32_t x = 0; x < w; ++x) colour(src[x], dst + 3 * x);
    break;
  case 24:
    std::memcpy(dst, src, size_t(w) * 3);
    break;
  case 16:
  case 32: {
    const Channel r(b.masks[0]), g(b.masks[1]), bl(b.masks[2]);
    for (int32_t x = 0; x < w; ++x) {
      uint32_t p;
      if (b.header.bit_count == 16) {
        p = uint32_t(src[2 * x]) | uint32_t(src[2 * x + 1]) << 8;
      } else {
        p = uint32_t(src[4 * x]) | uint32_t(src[4 * x + 1]) << 8 | uint32_t(src[4 * x + 2]) << 16 |
            uint32_t(src[4 * x + 3]) << 24;
      }
      dst[3 * x] = bl(p);
      dst[3 * x + 1] = g(p);
      dst[3 * x + 2] = r(p);
    }
    break;
  }
  }
}

Bitmap *make_bitmap(const bm_header *header, const bm_rgbquad *palette, uint32_t palette_count,
                    const uint32_t *masks, int *rc) {
  *rc = BM_E_INVALIDARG;
  if (!header || !valid_depth(header->bit_count)) return nullptr;
  if (header->width <= 0 || header->height == 0 || header->height == INT32_MIN) return nullptr;
  const uint16_t bits = header->bit_count;
  if (header->compression == BM_BITFIELDS) {
    if ((bits != 16 && bits != 32) || !masks) return nullptr;
  } else if (header->compression != BM_RGB) {
    return nullptr;
  }
  if (palette_count > 256) return nullptr;
  const uint32_t h = abs_height(header->height);
  if (uint64_t(uint32_t(header->width)) * h > BM_MAX_PIXELS) {
    *rc = BM_E_NOMEM;
    return nullptr;
  }
  *rc = BM_E_NOMEM;
  auto *b = new (std::nothrow) Bitmap;
  if (!b) return nullptr;
  b->stride = bm_stride(header->width, bits);
  b->header = *header;
  b->header.size = 40;
  b->header.planes = 1;
  b->header.size_image = b->stride * h;
  if (header->compression == BM_BITFIELDS) std::memcpy(b->masks, masks, sizeof b->masks);
  else default_masks(bits, b->masks);
  try {
    if (bits <= 8) {
      const uint32_t n = palette_count ? palette_count : 1u << bits;
      b->palette.assign(n, bm_rgbquad{0, 0, 0, 0});
      if (palette) std::memcpy(b->palette.data(), palette, (palette_count < n ? palette_count : n) * sizeof(bm_rgbquad));
      b->header.clr_used = n;
    } else {
      b->header.clr_used = 0;
    }
  } catch (const std::bad_alloc &) {
    delete b;
    return nullptr;
  }
  b->bits = static_cast<unsigned char *>(std::calloc(h, b->stride));
  if (!b->bits) {
    delete b;
    return nullptr;
  }
  *rc = BM_OK;
  return b;
}

// Run-length pixels (8 bits: runs of one index; 4 bits: runs of two
// alternating indices) into a zeroed bottom-up bitmap. Runs and deltas that
// leave the bitmap are clipped; data that ends early leaves index 0.
void decode_rle(const unsigned char *p, size_t size, Bitmap &b) {
  const bool four = b.header.bit_count == 4;
  const int32_t w = b.header.width, h = b.header.height;
  int32_t x = 0, y = 0;
  auto put = [&](uint32_t index) {
    if (x < w && y < h) {
      unsigned char *row = b.bits + size_t(y) * b.stride;
      if (!four) row[x] = uint8_t(index);
      else if (x & 1) row[x >> 1] = uint8_t((row[x >> 1] & 0xF0) | (index & 0x0F));
      else row[x >> 1] = uint8_t((row[x >> 1] & 0x0F) | (index << 4));
    }
    ++x;
  };
  size_t i = 0;
  while (i + 1 < size && y < h) {
    const unsigned count = p[i], value = p[i + 1];
    i += 2;
    if (count > 0) {
      for (unsigned k = 0; k < count && x < w; ++k) put(four ? ((k & 1) ? value & 0x0F : value >> 4) : value);
    } else if (value == 0) { // end of line
      x = 0;
      ++y;
    } else if (value == 1) { // end of bitmap
      break;
    } else if (value == 2) { // delta
      if (i + 1 >= size) break;
      x += p[i];
      y += p[i + 1];
      i += 2;
    } else { // absolute run of `value` pixels, padded to 16 bits
      const size_t bytes = four ? (value + 1) / 2 : value;
      if (bytes > size - i) break;
      for (unsigned k = 0; k < value; ++k) put(four ? ((k & 1) ? p[i + k / 2] & 0x0F : p[i + k / 2] >> 4) : p[i + k]);
      i += (bytes + 1) & ~size_t(1);
    }
  }
}

uint16_t le16(const unsigned char *p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const unsigned char *p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void put16(unsigned char *p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void put32(unsigned char *p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

} // namespace

extern "C" {

uint32_t bm_stride(int32_t width, uint16_t bit_count) {
  if (width <= 0) return 0;
  return uint32_t(((uint64_t(uint32_t(width)) * bit_count + 31) / 32) * 4);
}

int bm_create(const bm_header *header, const bm_rgbquad *palette, uint32_t palette_count,
              const uint32_t *masks, bm_handle *out) {
  if (!out) return BM_E_INVALIDARG;
  int rc;
  Bitmap *b = make_bitmap(header, palette, palette_count, masks, &rc);
  if (!b) return rc;
  const bm_handle h = table_add(b);
  if (!h) {
    delete b;
    return BM_E_NOMEM;
  }
  *out = h;
  return BM_OK;
}

int bm_delete(bm_handle h) {
  Bitmap *b = table_remove(h);
  if (!b) return BM_E_INVALIDARG;
  delete b;
  return BM_OK;
}

int bm_describe(bm_handle h, bm_section *out) {
  const Bitmap *b = table_find(h);
  if (!b || !out) return BM_E_INVALIDARG;
  out->header = b->header;
  out->stride = b->stride;
  std::memcpy(out->masks, b->masks, sizeof out->masks);
  out->palette_count = uint32_t(b->palette.size());
  out->bits = b->bits;
  return BM_OK;
}

int bm_palette(bm_handle h, bm_rgbquad *out, uint32_t max, uint32_t *count) {
  const Bitmap *b = table_find(h);
  if (!b || (max && !out)) return BM_E_INVALIDARG;
  const uint32_t n = uint32_t(b->palette.size());
  if (max) std::memcpy(out, b->palette.data(), (n < max ? n : max) * sizeof(bm_rgbquad));
  if (count) *count = n;
  return BM_OK;
}

int bm_get_lines24(bm_handle h, uint32_t first, uint32_t count, void *dst) {
  const Bitmap *b = table_find(h);
  if (!b || (count && !dst)) return BM_E_INVALIDARG;
  const uint32_t height = abs_height(b->header.height);
  if (first > height || count > height - first) return BM_E_INVALIDARG;
  const uint32_t out_stride = bm_stride(b->header.width, 24);
  auto *out = static_cast<unsigned char *>(dst);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t scan = first + i;
    const uint32_t stored = b->header.height > 0 ? scan : height - 1 - scan;
    unsigned char *line = out + size_t(i) * out_stride;
    row_to_24(*b, b->bits + size_t(stored) * b->stride, line);
    std::memset(line + size_t(b->header.width) * 3, 0, out_stride - size_t(b->header.width) * 3);
  }
  return BM_OK;
}

int bm_convert(bm_handle h, uint16_t bit_count, bm_handle *out) {
  bm_section s;
  if (!out || (bit_count != 24 && bit_count != 32) || bm_describe(h, &s) != BM_OK) return BM_E_INVALIDARG;
  bm_header hdr{};
  hdr.width = s.header.width;
  hdr.height = int32_t(abs_height(s.header.height));
  hdr.bit_count = bit_count;
  hdr.compression = BM_RGB;
  bm_handle made;
  int rc = bm_create(&hdr, nullptr, 0, nullptr, &made);
  if (rc != BM_OK) return rc;
  bm_section d;
  bm_describe(made, &d);
  auto *bits = static_cast<unsigned char *>(d.bits);
  if (bit_count == 24) {
    rc = bm_get_lines24(h, 0, uint32_t(hdr.height), bits);
  } else {
    std::vector<unsigned char> line;
    try {
      line.resize(bm_stride(hdr.width, 24));
    } catch (const std::bad_alloc &) {
      rc = BM_E_NOMEM;
    }
    for (int32_t y = 0; rc == BM_OK && y < hdr.height; ++y) {
      rc = bm_get_lines24(h, uint32_t(y), 1, line.data());
      unsigned char *row = bits + size_t(y) * d.stride;
      for (int32_t x = 0; x < hdr.width; ++x) {
        std::memcpy(row + 4 * x, line.data() + 3 * x, 3);
        row[4 * x + 3] = 0;
      }
    }
  }
  if (rc != BM_OK) {
    bm_delete(made);
    return rc;
  }
  *out = made;
  return BM_OK;
}

int bm_load_memory(const void *data, size_t size, bm_handle *out) {
  if (!out || (size && !data)) return BM_E_INVALIDARG;
  const auto *p = static_cast<const unsigned char *>(data);
  if (size < 26 || p[0] != 'B' || p[1] != 'M') return BM_E_FORMAT;
  const uint32_t off_bits = le32(p + 10);
  const uint32_t hsize = le32(p + 14);
  bm_header hdr{};
  uint32_t masks[3];
  size_t palette_at;
  uint32_t entry_size = 4;
  bool top_down = false;
  if (hsize == 12) {
    hdr.width = le16(p + 18);
    hdr.height = le16(p + 20);
    hdr.bit_count = le16(p + 24);
    hdr.compression = BM_RGB;
    palette_at = 26;
    entry_size = 3;
  } else {
    if (hsize < 40 || hsize > size - 14) return BM_E_FORMAT;
    hdr.width = int32_t(le32(p + 18));
    int32_t height = int32_t(le32(p + 22));
    hdr.bit_count = le16(p + 28);
    hdr.compression = le32(p + 30);
    hdr.x_pels_per_meter = int32_t(le32(p + 38));
    hdr.y_pels_per_meter = int32_t(le32(p + 42));
    hdr.clr_used = le32(p + 46);
    hdr.clr_important = le32(p + 50);
    if (height == INT32_MIN) return BM_E_FORMAT;
    top_down = height < 0;
    hdr.height = top_down ? -height : height;
    palette_at = 14 + size_t(hsize);
    if (hdr.compression == BM_BITFIELDS) {
      // The masks follow a 40-byte header; later headers hold them inside.
      if (size < 66) return BM_E_FORMAT;
      if (hsize == 40) palette_at += 12;
      masks[0] = le32(p + 54);
      masks[1] = le32(p + 58);
      masks[2] = le32(p + 62);
    } else if (hdr.compression != BM_RGB && !(hdr.compression == 1 && hdr.bit_count == 8) &&
               !(hdr.compression == 2 && hdr.bit_count == 4)) {
      return BM_E_FORMAT;
    }
  }
  const bool rle = hdr.compression == 1 || hdr.compression == 2;
  if (rle && top_down) return BM_E_FORMAT; // run-length files are bottom-up only
  if (!valid_depth(hdr.bit_count) || hdr.width <= 0 || hdr.height <= 0) return BM_E_FORMAT;
  if (hdr.compression == BM_BITFIELDS && hdr.bit_count != 16 && hdr.bit_count != 32) return BM_E_FORMAT;
  if (uint64_t(hdr.width) * uint64_t(hdr.height) > BM_MAX_PIXELS) return BM_E_FORMAT;

  uint32_t colours = 0;
  if (hdr.bit_count <= 8) {
    colours = 1u << hdr.bit_count;
    if (hdr.clr_used && hdr.clr_used < colours) colours = hdr.clr_used;
  }
  if (palette_at > size || uint64_t(colours) * entry_size > size - palette_at) return BM_E_FORMAT;
  bm_rgbquad palette[256];
  for (uint32_t i = 0; i < colours; ++i) {
    const unsigned char *e = p + palette_at + size_t(i) * entry_size;
    palette[i] = bm_rgbquad{e[0], e[1], e[2], 0};
  }
  const uint64_t bits_at = off_bits ? off_bits : palette_at + uint64_t(colours) * entry_size;
  const uint32_t stride = bm_stride(hdr.width, hdr.bit_count);
  const uint64_t need = uint64_t(stride) * uint32_t(hdr.height);
  if (bits_at > size || (!rle && need > size - bits_at)) return BM_E_FORMAT;
  // Runs cover at most 255 pixels per 2 bytes; a run-length file claiming far
  // more pixels than its data could describe is refused rather than allocated
  // (blank runs by end-of-line and delta codes are allowed up to 2^20 pixels).
  if (rle && uint64_t(hdr.width) * uint32_t(hdr.height) > 128 * uint64_t(size - bits_at) + (1u << 20))
    return BM_E_FORMAT;

  int rc;
  const uint32_t compression = hdr.compression;
  if (rle) hdr.compression = BM_RGB; // kept decoded
  Bitmap *b = make_bitmap(&hdr, palette, colours, compression == BM_BITFIELDS ? masks : nullptr, &rc);
  if (!b) return rc;
  const unsigned char *src = p + bits_at;
  if (rle) {
    decode_rle(src, size - bits_at, *b);
  } else if (!top_down) {
    std::memcpy(b->bits, src, need);
  } else {
    for (int32_t y = 0; y < hdr.height; ++y)
      std::memcpy(b->bits + size_t(hdr.height - 1 - y) * stride, src + size_t(y) * stride, stride);
  }
  const bm_handle h = table_add(b);
  if (!h) {
    delete b;
    return BM_E_NOMEM;
  }
  *out = h;
  return BM_OK;
}

int bm_load_file(const char *path, bm_handle *out) {
  if (!path || !out) return BM_E_INVALIDARG;
  // Opened without blocking and checked as opened: a FIFO or device would
  // otherwise hang the caller, or be read without end.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return BM_E_IO;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return BM_E_IO;
  }
  FILE *f = ::fdopen(fd, "rb");
  if (!f) {
    ::close(fd);
    return BM_E_IO;
  }
  int rc = BM_E_IO;
  unsigned char *data = nullptr;
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  // A bitmap of BM_MAX_PIXELS at 32 bits plus its headers is the most we read.
  if (size >= 0 && uint64_t(size) > uint64_t(BM_MAX_PIXELS) * 4 + 4096) {
    rc = BM_E_FORMAT;
  } else if (size >= 0 && std::fseek(f, 0, SEEK_SET) == 0) {
    data = static_cast<unsigned char *>(std::malloc(size_t(size) + 1));
    if (!data) rc = BM_E_NOMEM;
    else if (std::fread(data, 1, size_t(size), f) == size_t(size)) rc = bm_load_memory(data, size_t(size), out);
  }
  std::free(data);
  std::fclose(f);
  return rc;
}

int bm_save_file(bm_handle h, const char *path) {
  const Bitmap *b = table_find(h);
  if (!b || !path) return BM_E_INVALIDARG;
  const bool fields = b->header.compression == BM_BITFIELDS;
  const uint32_t head = 14 + 40 + (fields ? 12 : 0) + uint32_t(b->palette.size()) * 4;
  unsigned char top[14 + 40 + 12] = {};
  top[0] = 'B';
  top[1] = 'M';
  put32(top + 2, head + b->header.size_image);
  put32(top + 10, head);
  put32(top + 14, 40);
  put32(top + 18, uint32_t(b->header.width));
  put32(top + 22, uint32_t(b->header.height));
  put16(top + 26, 1);
  put16(top + 28, b->header.bit_count);
  put32(top + 30, b->header.compression);
  put32(top + 34, b->header.size_image);
  put32(top + 38, uint32_t(b->header.x_pels_per_meter));
  put32(top + 42, uint32_t(b->header.y_pels_per_meter));
  put32(top + 46, uint32_t(b->palette.size()));
  put32(top + 50, b->header.clr_important);
  for (int i = 0; i < 3; ++i) put32(top + 54 + 4 * i, b->masks[i]);
  FILE *f = std::fopen(path, "wb");
  if (!f) return BM_E_IO;
  bool ok = std::fwrite(top, 1, fields ? 66 : 54, f) == (fields ? 66u : 54u);
  if (ok && !b->palette.empty())
    ok = std::fwrite(b->palette.data(), sizeof(bm_rgbquad), b->palette.size(), f) == b->palette.size();
  if (ok) ok = std::fwrite(b->bits, 1, b->header.size_image, f) == b->header.size_image;
  if (std::fclose(f) != 0) ok = false;
  return ok ? BM_OK : BM_E_IO;
}

} // extern "C"
