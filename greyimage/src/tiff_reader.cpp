#include "readers.h"

#include <cstring>
#include <new>
#include <vector>

namespace vistrel {

namespace {

enum Tag : uint16_t {
  kWidth = 256,
  kHeight = 257,
  kBitsPerSample = 258,
  kCompression = 259,
  kPhotometric = 262,
  kFillOrder = 266,
  kStripOffsets = 273,
  kSamplesPerPixel = 277,
  kRowsPerStrip = 278,
  kStripByteCounts = 279,
  kPredictor = 317,
  kPlanarConfig = 284,
  kColorMap = 320,
  kTileWidth = 322,
  kTileLength = 323,
  kTileOffsets = 324,
  kTileByteCounts = 325,
};

enum class Kind { Bilevel, Grey4, Grey8, Rgb };

struct Entry {
  uint16_t tag, type;
  uint32_t count;
  uint8_t value[4];
};

class Directory {
public:
  Directory(ByteSource &src, bool little) : src_(src), little_(little) {}

  uint16_t u16(const uint8_t *p) const { return little_ ? uint16_t(p[0] | p[1] << 8) : uint16_t(p[0] << 8 | p[1]); }
  uint32_t u32(const uint8_t *p) const {
    return little_ ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24
                   : uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
  }

  bool load(uint32_t offset) {
    uint8_t n[2];
    if (!src_.read(offset, n, 2)) return false;
    const uint16_t count = u16(n);
    if (count == 0) return false;
    std::vector<uint8_t> raw(size_t(count) * 12);
    if (!src_.read(uint64_t(offset) + 2, raw.data(), raw.size())) return false;
    entries_.resize(count);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t *e = raw.data() + 12 * i;
      entries_[i] = Entry{u16(e), u16(e + 2), u32(e + 4), {e[8], e[9], e[10], e[11]}};
    }
    return true;
  }

  const Entry *find(uint16_t tag) const {
    for (const Entry &e : entries_)
      if (e.tag == tag) return &e;
    return nullptr;
  }

  uint32_t scalar(uint16_t tag) const {
    const Entry *e = find(tag);
    if (e && e->count == 1) {
      switch (e->type) {
      case 1: case 6: return e->value[0];
      case 3: case 8: return u16(e->value);
      case 4: case 9: return u32(e->value);
      default: break;
      }
    }
    switch (tag) {
    case 258: case 259: case 263: case 266: case 274: case 277: case 284: return 1;
    case 296: return 2;
    default: return 0;
    }
  }

  // The tag's values as unsigned 32-bit numbers; false when there is no list.
  bool array(uint16_t tag, std::vector<uint32_t> &out) const {
    out.clear();
    const Entry *e = find(tag);
    if (!e || e->count == 0) return false;
    unsigned size;
    uint32_t inline_max;
    switch (e->type) {
    case 1: case 6: size = 1; inline_max = 4; break;
    case 3: case 8: size = 2; inline_max = 2; break;
    case 4: case 9: size = 4; inline_max = 1; break;
    default: return false;
    }
    const uint64_t bytes = uint64_t(e->count) * size;
    const uint8_t *p = e->value;
    std::vector<uint8_t> far;
    if (e->count > inline_max) {
      const uint32_t at = u32(e->value);
      // Checked before allocating: a count of 4 G must not cost 4 GB.
      if (at > src_.size() || bytes > src_.size() - at) return false;
      far.resize(size_t(bytes));
      if (!src_.read(at, far.data(), far.size())) return false;
      p = far.data();
    }
    out.resize(e->count);
    for (uint32_t i = 0; i < e->count; ++i) {
      const uint8_t *v = p + size_t(i) * size;
      out[i] = size == 1 ? v[0] : size == 2 ? u16(v) : u32(v);
    }
    return true;
  }

  uint32_t count(uint16_t tag) const {
    const Entry *e = find(tag);
    return e ? e->count : 0;
  }

private:
  ByteSource &src_;
  bool little_;
  std::vector<Entry> entries_;
};

uint64_t unit_row_bytes(Kind kind, uint64_t w) {
  switch (kind) {
  case Kind::Bilevel: return (w + 7) / 8;
  case Kind::Grey4: return (w + 1) / 2;
  case Kind::Grey8: return w;
  case Kind::Rgb: return 3 * w;
  }
  return 0;
}

const uint8_t *bit_reversal() {
  static const struct Table {
    uint8_t v[256];
    Table() {
      for (int i = 0; i < 256; ++i) {
        int r = 0;
        for (int b = 0; b < 8; ++b)
          if (i & (1 << b)) r |= 0x80 >> b;
        v[i] = uint8_t(r);
      }
    }
  } table;
  return table.v;
}

// One strip or tile: where its bytes are and where its pixels go.
struct Piece {
  uint32_t offset, bytes;
  uint32_t col, row;  // first image column and row
  uint32_t unit_w;    // pixels per unit row
  uint32_t rows;      // unit rows decoded (clipped to the image)
};

bool decode(ByteSource &src, GreyImage &image, const ReadLimits &limits) {
  uint8_t head[8];
  if (!src.read(0, head, 8) || head[0] != head[1]) return false;
  Directory dir(src, head[0] == 'I');
  if (!dir.load(dir.u32(head + 4))) return false;

  std::vector<uint32_t> colour_map, bits_list;
  const bool has_map = dir.array(kColorMap, colour_map);
  const bool has_bits_list = dir.array(kBitsPerSample, bits_list);
  const uint32_t width = dir.scalar(kWidth), height = dir.scalar(kHeight);
  if (width == 0 || height == 0) return false;
  // A size beyond what we allocate is refused rather than overflowed.
  if (width > INT32_MAX || height > INT32_MAX || uint64_t(width) * height > limits.max_pixels) return false;

  const uint32_t bits = dir.scalar(kBitsPerSample);
  const uint32_t samples = dir.scalar(kSamplesPerPixel);
  const uint32_t photometric = dir.scalar(kPhotometric);
  Kind kind;
  if (bits == 1 && samples == 1 && photometric <= 1) {
    kind = Kind::Bilevel;
  } else if ((bits == 4 || bits == 8) && samples == 1 && photometric <= 1) {
    kind = bits == 4 ? Kind::Grey4 : Kind::Grey8;
  } else if ((bits == 4 || bits == 8) && has_map && photometric == 3) {
    kind = bits == 4 ? Kind::Grey4 : Kind::Grey8;
  } else if (has_bits_list && samples == 3 && photometric == 2 && bits_list.size() == 3 && bits_list[0] == 8 &&
             bits_list[1] == 8 && bits_list[2] == 8) {
    kind = Kind::Rgb;
  } else {
    return false;
  }

  // Grey value of each 4- or 8-bit sample.
  uint8_t lut[256];
  if (kind == Kind::Grey4 || kind == Kind::Grey8) {
    const uint32_t n = 1u << bits;
    if (has_map) {
      // A map shorter than its three colour planes would be read past its end.
      if (colour_map.size() < 3 * size_t(n)) return false;
      for (uint32_t v = 0; v < n; ++v)
        lut[v] = uint8_t((uint64_t(colour_map[v]) + colour_map[n + v] + colour_map[2 * n + v]) / 768);
    } else {
      for (uint32_t v = 0; v < n; ++v) lut[v] = uint8_t(kind == Kind::Grey4 ? v * 15 : v);
    }
  }

  const uint32_t compression = dir.scalar(kCompression);
  if (compression != 1 && compression != 5 && compression != 32773) return false;
  // Read as if they were plain, these would give a wrong picture without a
  // word: RGB stored as three separate planes, and samples stored as
  // differences other than the 8-bit horizontal ones undone below.
  if (kind == Kind::Rgb && dir.scalar(kPlanarConfig) != 1) return false;
  const uint32_t predictor = dir.scalar(kPredictor);
  const bool differences = predictor == 2;
  if (predictor > 1 && !(differences && (kind == Kind::Grey8 || kind == Kind::Rgb))) return false;

  // Pieces are computed when needed rather than stored: a file may list
  // millions of them.
  std::vector<uint32_t> offsets, counts;
  size_t pieces;
  uint64_t rows_per_strip = 0, across = 0;
  uint32_t tile_w = 0, tile_h = 0;
  const bool strips =
      dir.array(kStripOffsets, offsets) && dir.array(kStripByteCounts, counts) && dir.count(kStripByteCounts) != 0;
  if (strips) {
    pieces = counts.size();
    if (offsets.size() < pieces) return false;
    rows_per_strip = dir.scalar(kRowsPerStrip);
    if (rows_per_strip == 0) rows_per_strip = counts[0] / unit_row_bytes(kind, width);
  } else {
    if (!dir.array(kTileOffsets, offsets)) return false;
    pieces = dir.count(kTileOffsets);
    if (!dir.array(kTileByteCounts, counts) || counts.size() < pieces) return false;
    tile_w = dir.scalar(kTileWidth);
    tile_h = dir.scalar(kTileLength);
    if (tile_w == 0 || tile_h == 0) return false;
    across = (uint64_t(width) + tile_w - 1) / tile_w;
  }
  auto piece = [&](size_t k) {
    if (strips) {
      // Strip k holds rows k × rows per strip onward; the last one the rest.
      const uint64_t first = uint64_t(k) * rows_per_strip;
      uint64_t rows = k + 1 == pieces ? (first < height ? height - first : 0) : rows_per_strip;
      if (first >= height) rows = 0;
      else if (rows > height - first) rows = height - first;
      return Piece{offsets[k], counts[k], 0, uint32_t(first < height ? first : height), width, uint32_t(rows)};
    }
    const uint64_t col = (k % across) * tile_w, row = (k / across) * tile_h;
    uint64_t rows = 0;
    if (col < width && row < height) rows = tile_h < height - row ? tile_h : height - row;
    return Piece{offsets[k], counts[k], uint32_t(col < width ? col : width), uint32_t(row < height ? row : height),
                 tile_w, uint32_t(rows)};
  };

  // Every piece must lie inside the file; a byte count of 4 G is refused here
  // instead of being allocated.
  uint32_t largest = 0;
  uint64_t largest_unit = 0;
  for (size_t k = 0; k < pieces; ++k) {
    const Piece p = piece(k);
    if (uint64_t(p.offset) + p.bytes > src.size()) return false;
    if (p.bytes > largest) largest = p.bytes;
    const uint64_t unit = unit_row_bytes(kind, p.unit_w) * p.rows;
    if (unit > limits.max_unit_bytes) return false;
    if (unit > largest_unit) largest_unit = unit;
  }

  if (!image.resize(int32_t(width), int32_t(height))) return false;

  // Two buffers reused for every piece: compressed bytes (unless the source
  // shows them in place and no bits need reversing) and unit rows, with room
  // for the LZW decoder's short over-writes.
  constexpr size_t kSlack = 16;
  const bool reverse = dir.scalar(kFillOrder) == 2;
  const uint8_t *flip = bit_reversal();
  std::unique_ptr<uint8_t[]> packed;
  std::unique_ptr<uint8_t[]> units(new (std::nothrow) uint8_t[size_t(largest_unit) + kSlack]);
  if (!units) return false;
  const bool identity = kind == Kind::Grey8 && !has_map;

  for (size_t k = 0; k < pieces; ++k) {
    const Piece p = piece(k);
    const uint8_t *bytes = reverse ? nullptr : src.view(p.offset, p.bytes);
    if (!bytes) {
      if (!packed) packed.reset(new (std::nothrow) uint8_t[size_t(largest) + 1]);
      if (!packed || !src.read(p.offset, packed.get(), p.bytes)) return false;
      if (reverse)
        for (uint32_t i = 0; i < p.bytes; ++i) packed[i] = flip[packed[i]];
      bytes = packed.get();
    }
    const size_t row_bytes = size_t(unit_row_bytes(kind, p.unit_w));
    const size_t expected = row_bytes * p.rows;
    if (expected == 0) continue;
    uint8_t *u = units.get();
    if (compression == 1) {
      const size_t n = p.bytes < expected ? p.bytes : expected;
      std::memcpy(u, bytes, n);
      std::memset(u + n, 0, expected - n);
    } else if (compression == 5) {
      if (!lzw_decode(bytes, p.bytes, u, expected, expected + kSlack)) return false;
    } else {
      packbits_decode(bytes, p.bytes, u, row_bytes, p.rows);
    }

    if (differences) {
      // Horizontal differencing: each sample was stored as the difference to
      // the same sample of the pixel before it in the row.
      const size_t step = kind == Kind::Rgb ? 3 : 1;
      for (uint32_t r = 0; r < p.rows; ++r) {
        uint8_t *b = u + size_t(r) * row_bytes;
        for (size_t i = step; i < row_bytes; ++i) b[i] = uint8_t(b[i] + b[i - step]);
      }
    }
    const uint32_t n = p.unit_w < width - p.col ? p.unit_w : width - p.col;
    for (uint32_t r = 0; r < p.rows; ++r) {
      const uint8_t *b = u + size_t(r) * row_bytes;
      uint8_t *out = image.row(int32_t(p.row + r)) + p.col;
      switch (kind) {
      case Kind::Rgb:
        for (uint32_t x = 0; x < n; ++x) out[x] = uint8_t((b[3 * x] + b[3 * x + 1] + b[3 * x + 2]) / 3);
        break;
      case Kind::Bilevel:
        for (uint32_t x = 0; x < n; ++x) out[x] = ((b[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
        break;
      case Kind::Grey4:
        for (uint32_t x = 0; x < n; ++x) out[x] = lut[(x & 1) ? (b[x >> 1] & 0x0F) : (b[x >> 1] >> 4)];
        break;
      case Kind::Grey8:
        if (identity) std::memcpy(out, b, n);
        else
          for (uint32_t x = 0; x < n; ++x) out[x] = lut[b[x]];
        break;
      }
    }
  }

  if (photometric == 0) {
    for (int32_t y = 0; y < image.height(); ++y) {
      uint8_t *row = image.row(y);
      for (int32_t x = 0; x < image.width(); ++x) row[x] = uint8_t(255 - row[x]);
    }
  }
  return true;
}

} // namespace

bool read_tiff(ByteSource &src, GreyImage &image, const ReadLimits &limits) {
  image.clear();
  bool ok = false;
  try {
    ok = decode(src, image, limits);
  } catch (const std::bad_alloc &) {
    ok = false;
  }
  if (!ok) image.clear();
  return ok;
}

} // namespace vistrel
