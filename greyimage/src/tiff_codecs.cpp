#include "readers.h"

#include <cstring>

namespace vistrel {

namespace {

constexpr uint32_t kClear = 256;
constexpr uint32_t kEnd = 257;
constexpr uint32_t kFirstFree = 258;
constexpr uint32_t kTableSize = 8192;

// Code width after an entry was added at index i: 9, then 10 from 510, 11 from
// 1022, 12 from 2046 (the early change of TIFF LZW), i.e. the bit width of
// i + 2 kept to 9..12.
unsigned width_after_adding(uint32_t index) {
  const unsigned w = 32 - unsigned(__builtin_clz(index + 2));
  return w < 9 ? 9 : w > 12 ? 12 : w;
}

} // namespace

// Every table string is a run of bytes already in the output (an old string
// plus the first byte that followed it), so an entry is just its start and
// length in `out` and emitting it is one forward copy.
bool lzw_decode(const uint8_t *in, size_t in_size, uint8_t *out, size_t expected, size_t capacity) {
  // Entry i (from 258): start | length << 32 (length 0: not in the table).
  // Entries from `high` on are free, so nothing needs clearing up front;
  // entries skipped over by a code beyond `high` are marked free when skipped.
  uint64_t entry[kTableSize];
  entry[kClear] = entry[kEnd] = 0; // never strings
  uint32_t high = kFirstFree;

  // Codes are read most significant bit first from a 64-bit window; bits
  // below the `count` valid ones are the stream's next bits or zero.
  const uint8_t *p = in, *const end = in + in_size;
  uint64_t window = 0;
  unsigned count = 0;
  auto fill = [&]() __attribute__((always_inline)) {
    if (end - p >= 8) {
      uint64_t v;
      std::memcpy(&v, p, 8);
      window |= __builtin_bswap64(v) >> count;
      const unsigned bytes = (63 - count) >> 3;
      p += bytes;
      count += bytes * 8;
    } else {
      while (count <= 56 && p < end) {
        window |= uint64_t(*p++) << (56 - count);
        count += 8;
      }
    }
  };

  uint8_t *op = out;
  uint8_t *const op_end = out + expected;
  // Strings may be written four bytes at a time up to here.
  // (With less than four bytes of capacity only op == out qualifies, and no
  // string is ever written there: the first code after a clear is a literal.)
  if (capacity < expected) capacity = expected;
  uint8_t *const op_wide = out + (capacity >= 4 ? capacity - 4 : 0);
  uint32_t next = kFirstFree;
  unsigned width = 9;
  uint32_t grow_at = 510; // the index whose addition widens the codes
  // The entry the next code adds: the old string plus one byte.
  uint64_t pending = 0;
  auto set_width = [&](uint32_t index) __attribute__((always_inline)) {
    width = width_after_adding(index);
    grow_at = width == 9 ? 510 : width == 10 ? 1022 : width == 11 ? 2046 : UINT32_MAX;
  };
  auto read = [&](uint32_t &code) __attribute__((always_inline)) {
    if (count < width) {
      fill();
      if (count < width) return false;
    }
    code = uint32_t(window >> (64 - width));
    window <<= width;
    count -= width;
    return true;
  };
  auto add = [&]() __attribute__((always_inline)) {
    if (next < kTableSize) {
      entry[next] = pending;
      if (next >= grow_at) set_width(next);
      if (++next > high) high = next;
    }
  };
  auto string_at = [&](const uint8_t *at, uint32_t length) __attribute__((always_inline)) {
    return uint64_t(at - out) | uint64_t(length + 1) << 32;
  };
  // After a clear: the next code is emitted as the first string, adding
  // nothing. False when the data ends there; `ok` false when that code is
  // not a literal.
  bool ok = true;
  auto restart = [&]() __attribute__((always_inline)) {
    for (uint32_t i = kFirstFree; i < high; ++i) entry[i] = 0;
    high = next = kFirstFree;
    width = 9;
    grow_at = 510;
    uint32_t code;
    do {
      if (!read(code) || code == kEnd) return false;
    } while (code == kClear);
    if (code >= 256) {
      ok = false;
      return false;
    }
    pending = string_at(op, 1);
    *op++ = uint8_t(code);
    return true;
  };

  // The first code is a clear code whatever its value.
  uint32_t code;
  if (expected == 0 || !read(code) || !restart()) goto done;

  while (op < op_end) {
    if (!read(code)) break;
    if (code < 256) {
      add();
      pending = string_at(op, 1);
      *op++ = uint8_t(code);
      continue;
    }
    const uint64_t e = code < high ? entry[code] : 0;
    const size_t room = size_t(op_end - op);
    if (e >> 32) {
      const uint8_t *from = out + uint32_t(e);
      const uint32_t len = uint32_t(e >> 32);
      const size_t n = len < room ? len : room;
      if (op <= op_wide) {
        // Byte copies, four whatever the length: wide loads of bytes stored a
        // moment ago stall, and the length is unpredictable. Bytes past the
        // string's end are overwritten later; the source ends at or before op.
        op[0] = from[0];
        op[1] = from[1];
        op[2] = from[2];
        op[3] = from[3];
        // The rest does not overlap: the source ends at or before op.
        if (n > 4) std::memcpy(op + 4, from + 4, n - 4);
      } else {
        for (size_t i = 0; i < n; ++i) op[i] = from[i];
      }
      add();
      pending = string_at(op, len);
      op += n;
      continue;
    }
    if (code == kEnd) break;
    if (code == kClear) {
      if (!restart()) break;
      continue;
    }
    // Not yet in the table: old string plus its own first byte, the string
    // the pending entry describes.
    const uint8_t *from = out + uint32_t(pending);
    const uint32_t len = uint32_t(pending >> 32);
    const size_t n = len < room ? len : room;
    for (size_t i = 0; i < n; ++i) op[i] = from[i];
    for (uint32_t i = high; i < code; ++i) entry[i] = 0;
    entry[code] = pending;
    set_width(code);
    next = code + 1;
    if (next > high) high = next;
    pending = string_at(op, len);
    op += n;
  }
done:
  if (op < op_end) std::memset(op, 0, size_t(op_end - op));
  return ok;
}

void packbits_decode(const uint8_t *in, size_t in_size, uint8_t *out, size_t row_bytes, size_t rows) {
  size_t p = 0;
  for (size_t r = 0; r < rows; ++r) {
    uint8_t *row = out + r * row_bytes;
    size_t i = 0;
    while (i < row_bytes && p < in_size) {
      const int n = int8_t(in[p++]);
      if (n >= 0) {
        // A literal run; what passes the row's end is dropped.
        size_t count = size_t(n) + 1;
        size_t avail = in_size - p;
        size_t take = count < avail ? count : avail;
        size_t put = take < row_bytes - i ? take : row_bytes - i;
        std::memcpy(row + i, in + p, put);
        p += take;
        i += put;
      } else if (n != -128) {
        if (p >= in_size) break;
        const size_t count = size_t(1 - n);
        const size_t put = count < row_bytes - i ? count : row_bytes - i;
        std::memset(row + i, in[p++], put);
        i += put;
      }
    }
    if (i < row_bytes) std::memset(row + i, 0, row_bytes - i);
  }
}

} // namespace vistrel
