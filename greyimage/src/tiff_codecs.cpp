#include "readers.h"

#include <cstring>

namespace vistrel {

namespace {

constexpr uint32_t kClear = 256;
constexpr uint32_t kEnd = 257;
constexpr uint32_t kFirstFree = 258;
constexpr uint32_t kTableSize = 8192;

// Codes most significant bit first.
class BitReader {
public:
  BitReader(const uint8_t *p, size_t n) : p_(p), end_(p + n) {}
  // False when fewer than width bits are left.
  bool get(unsigned width, uint32_t &code) {
    if (count_ < width) {
      while (count_ <= 56 && p_ < end_) {
        bits_ |= uint64_t(*p_++) << (56 - count_);
        count_ += 8;
      }
      if (count_ < width) return false;
    }
    code = uint32_t(bits_ >> (64 - width));
    bits_ <<= width;
    count_ -= width;
    return true;
  }

private:
  const uint8_t *p_, *end_;
  uint64_t bits_ = 0;
  unsigned count_ = 0;
};

unsigned width_after_adding(uint32_t index) {
  // The early change of TIFF LZW: one code before the power of two.
  return index >= 2046 ? 12 : index >= 1022 ? 11 : index >= 510 ? 10 : 9;
}

} // namespace

// Every table string is a run of bytes already written (an old string plus the
// first byte that followed it), so an entry is just (start, length) in `out`
// and emitting it is one forward copy.
bool lzw_decode(const uint8_t *in, size_t in_size, uint8_t *out, size_t expected) {
  struct Entry {
    uint32_t start, length; // length 0: not in the table
  };
  static_assert(sizeof(Entry) == 8);
  // Entries from `high` on are free, so nothing needs clearing up front;
  // entries skipped over by a code beyond `high` are marked free when skipped.
  Entry table[kTableSize];
  uint32_t high = kFirstFree;

  BitReader bits(in, in_size);
  size_t pos = 0;
  uint32_t next = kFirstFree;
  unsigned width = 9;
  bool have_old = false;
  uint32_t old_start = 0, old_length = 0;
  uint32_t code;
  bool ok = true;

  // The first code is a clear code whatever its value.
  if (bits.get(9, code)) {
    while (pos < expected && bits.get(width, code)) {
      if (code == kEnd) break;
      if (code == kClear) {
        for (uint32_t i = kFirstFree; i < high; ++i) table[i].length = 0;
        high = next = kFirstFree;
        width = 9;
        have_old = false;
        continue;
      }
      uint32_t start, length;
      const bool known = code < 256 || (code < high && table[code].length != 0);
      if (known) {
        if (code < 256) {
          out[pos] = uint8_t(code);
          start = uint32_t(pos);
          length = 1;
        } else {
          start = table[code].start;
          length = table[code].length;
          size_t n = length;
          if (n > expected - pos) n = expected - pos;
          uint8_t *d = out + pos;
          const uint8_t *s = out + start;
          // The source ends at or before pos, so chunked copies are safe as
          // long as both stay inside the buffer.
          if (n <= 16 && pos + 16 <= expected && size_t(start) + 16 <= expected) {
            uint64_t a, b;
            std::memcpy(&a, s, 8);
            std::memcpy(&b, s + 8, 8);
            std::memcpy(d, &a, 8);
            std::memcpy(d + 8, &b, 8);
          } else {
            std::memcpy(d, s, n);
          }
          start = uint32_t(pos);
        }
        if (have_old && next < kTableSize) {
          table[next] = Entry{old_start, old_length + 1};
          width = width_after_adding(next);
          ++next;
          if (next > high) high = next;
        }
      } else {
        // Not yet in the table: old string plus its own first byte, which can
        // only follow an old string.
        if (!have_old) {
          ok = false;
          break;
        }
        length = old_length + 1;
        size_t n = length;
        if (n > expected - pos) n = expected - pos;
        for (size_t i = 0; i < n; ++i) out[pos + i] = out[old_start + i];
        for (uint32_t i = high; i < code; ++i) table[i].length = 0;
        table[code] = Entry{old_start, length};
        width = width_after_adding(code);
        next = code + 1;
        if (next > high) high = next;
        start = uint32_t(pos);
      }
      have_old = true;
      old_start = start;
      old_length = length;
      pos += length < expected - pos ? length : expected - pos;
    }
  }
  if (pos < expected) std::memset(out + pos, 0, expected - pos);
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
