// Damaged and hostile files: every one fails cleanly (or decodes within
// bounds), never reads or writes outside its buffers. Run under ASan/UBSan in
// the debug-asan build.
#include "readers.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vistrel_test;
using vistrel::GreyImage;

namespace {

using Bytes = std::vector<uint8_t>;

// An 8 x 2 grey, uncompressed, one strip at offset 8.
std::vector<TiffEntry> grey_entries() {
  return {{256, 3, 1, 8}, {257, 3, 1, 2}, {258, 3, 1, 8}, {259, 3, 1, 1}, {262, 3, 1, 1},
          {273, 4, 1, 8}, {277, 3, 1, 1}, {278, 3, 1, 2}, {279, 4, 1, 16}};
}

std::vector<TiffEntry> with(std::vector<TiffEntry> e, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
  for (auto &x : e)
    if (x.tag == tag) {
      x = TiffEntry{tag, type, count, value};
      return e;
    }
  e.push_back({tag, type, count, value});
  return e;
}

std::vector<TiffEntry> without(std::vector<TiffEntry> e, uint16_t tag) {
  std::erase_if(e, [&](const TiffEntry &x) { return x.tag == tag; });
  return e;
}

bool reads(const Bytes &file, GreyImage &img) {
  vistrel::MemorySource src(file.data(), file.size());
  return vistrel::read_tiff(src, img);
}

TEST(HostileTiff, DamagedFilesFailWithAnEmptyImage) {
  const Bytes pixels(16, 0x55);
  const auto tiles = with(with(with(with(without(without(grey_entries(), 273), 279), 322, 3, 1, 16), 323, 3, 1, 16),
                               324, 4, 1, 8),
                          325, 4, 1, 16);
  struct Case {
    const char *name;
    Bytes file;
  };
  std::vector<Case> cases = {
      {"empty file", {}},
      {"header bytes differ", [&] { auto f = tiff_file(true, grey_entries(), pixels); f[1] = 'M'; return f; }()},
      {"directory past the end", [&] { auto f = tiff_file(true, grey_entries(), pixels); f[4] = 0xF0; f[7] = 0x7F; return f; }()},
      {"zero entries", tiff_file(true, {}, pixels)},
      {"directory cut short", [&] { auto f = tiff_file(true, grey_entries(), pixels); f.resize(f.size() - 30); return f; }()},
      {"no width", tiff_file(true, without(grey_entries(), 256), pixels)},
      {"zero height", tiff_file(true, with(grey_entries(), 257, 3, 1, 0), pixels)},
      {"strip offset past the end", tiff_file(true, with(grey_entries(), 273, 4, 1, 0xFFFFFF00u), pixels)},
      {"strip byte count of 4 GB", tiff_file(true, with(grey_entries(), 279, 4, 1, 0xFFFFFFFFu), pixels)},
      {"strip byte count one past the end", tiff_file(true, with(grey_entries(), 279, 4, 1, 17 + 2 + 9 * 12 + 4), pixels)},
      {"width x height overflows 32 bits", tiff_file(true, with(with(grey_entries(), 256, 4, 1, 0x10000), 257, 4, 1, 0x10000), pixels)},
      {"width beyond 31 bits", tiff_file(true, with(grey_entries(), 256, 4, 1, 0x80000000u), pixels)},
      {"width x height beyond the pixel limit", tiff_file(true, with(with(grey_entries(), 256, 4, 1, 0x7FFFFFFF), 257, 4, 1, 0x7FFFFFFF), pixels)},
      {"offset list of 1 G entries", tiff_file(true, with(grey_entries(), 273, 4, 0x40000000u, 8), pixels)},
      {"fewer offsets than byte counts", tiff_file(true, with(grey_entries(), 279, 3, 2, 8 | 8 << 16), pixels)},
      {"no strips and no tiles", tiff_file(true, without(without(grey_entries(), 273), 279), pixels)},
      {"zero tiles", tiff_file(true, with(tiles, 324, 4, 0, 8), pixels)},
      {"tile width 0", tiff_file(true, with(tiles, 322, 3, 1, 0), pixels)},
      {"tile length 0", tiff_file(true, with(tiles, 323, 3, 1, 0), pixels)},
      {"tiles without byte counts", tiff_file(true, without(tiles, 325), pixels)},
      {"tile of 4 G x 4 G pixels", tiff_file(true, with(with(tiles, 322, 4, 1, 0xFFFFFFFFu), 323, 4, 1, 0xFFFFFFFFu), pixels)},
      {"colour map shorter than its planes", tiff_file(true, with(with(grey_entries(), 262, 3, 1, 3), 320, 3, 2, 0), pixels)},
      {"CMYK", tiff_file(true, with(grey_entries(), 262, 3, 1, 5), pixels)},
      {"JPEG compression", tiff_file(true, with(grey_entries(), 259, 3, 1, 7), pixels)},
      {"2 bits per sample", tiff_file(true, with(grey_entries(), 258, 3, 1, 2), pixels)},
      {"RGB without a bits list", tiff_file(true, with(with(grey_entries(), 262, 3, 1, 2), 277, 3, 1, 3), pixels)},
      {"bits list past the end", tiff_file(true, with(with(with(grey_entries(), 262, 3, 1, 2), 277, 3, 1, 3), 258, 3, 3, 0xFFFFFFF0u), pixels)},
  };
  for (const Case &c : cases) {
    GreyImage img;
    img.resize(3, 3);
    EXPECT_FALSE(reads(c.file, img)) << c.name;
    EXPECT_TRUE(img.empty()) << c.name;
  }
}

TEST(HostileTiff, OddButHarmlessLayoutsDecodeInsideTheImage) {
  const Bytes pixels{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  GreyImage img;
  // "XX": equal header bytes other than II read as big-endian.
  auto f = tiff_file(false, grey_entries(), pixels);
  f[0] = f[1] = 'X';
  ASSERT_TRUE(reads(f, img));
  EXPECT_EQ(img.row(1)[7], 16);
  // Rows per strip of 4 G: one strip clipped to the image.
  ASSERT_TRUE(reads(tiff_file(true, with(grey_entries(), 278, 4, 1, 0xFFFFFFFFu), pixels), img));
  EXPECT_EQ(img.row(1)[0], 9);
  // No RowsPerStrip and a byte count shorter than a row: rows per strip 0,
  // so the single (last) strip holds every row, zero-filled past its data.
  ASSERT_TRUE(reads(tiff_file(true, with(without(grey_entries(), 278), 279, 4, 1, 5), pixels), img));
  EXPECT_EQ(img.row(0)[4], 5);
  EXPECT_EQ(img.row(0)[5], 0);
  EXPECT_EQ(img.row(1)[0], 0);
  // Tiles wider than the image: only the columns inside are written.
  auto tiles = with(with(with(with(without(without(grey_entries(), 273), 279), 322, 3, 1, 16), 323, 3, 1, 1), 324, 4, 1, 8),
                    325, 4, 1, 16);
  ASSERT_TRUE(reads(tiff_file(true, tiles, pixels), img));
  EXPECT_EQ(img.row(0)[7], 8);
  EXPECT_EQ(img.row(1)[0], 0) << "the second tile row has no tile";
}

// Codes written most significant bit first at the widths the decoder expects.
class LzwWriter {
public:
  void put(uint32_t code, unsigned width) {
    acc_ = acc_ << width | code;
    n_ += width;
    while (n_ >= 8) {
      out.push_back(uint8_t(acc_ >> (n_ - 8)));
      n_ -= 8;
    }
  }
  Bytes finish() {
    if (n_) out.push_back(uint8_t(acc_ << (8 - n_)));
    n_ = 0;
    return out;
  }
  Bytes out;

private:
  uint64_t acc_ = 0;
  unsigned n_ = 0;
};

unsigned width_for(uint32_t next) { return next >= 2047 ? 12 : next >= 1023 ? 11 : next >= 511 ? 10 : 9; }

TEST(Lzw, KnownStreams) {
  // clear, a, b, 258 (ab), 260 (KwKwK: ab + a), end
  LzwWriter w;
  w.put(256, 9);
  w.put('a', 9);
  w.put('b', 9);
  w.put(258, 9);
  w.put(260, 9);
  w.put(257, 9);
  const Bytes in = w.finish();
  Bytes out(10, 0xEE);
  ASSERT_TRUE(vistrel::lzw_decode(in.data(), in.size(), out.data(), 9));
  EXPECT_EQ(std::string(out.begin(), out.begin() + 9), std::string("ababbab\0\0", 9).replace(4, 3, "aba"));
  EXPECT_EQ(out[9], 0xEE) << "nothing past the expected bytes";

  // The first code counts as a clear code whatever its value.
  LzwWriter first;
  first.put(77, 9);
  first.put('z', 9);
  first.put(257, 9);
  const Bytes in2 = first.finish();
  ASSERT_TRUE(vistrel::lzw_decode(in2.data(), in2.size(), out.data(), 3));
  EXPECT_EQ(out[0], 'z');
  EXPECT_EQ(out[1], 0) << "the end code leaves the rest zero";

  // Output stops at the expected size, mid-string.
  ASSERT_TRUE(vistrel::lzw_decode(in.data(), in.size(), out.data(), 5));
  EXPECT_EQ(std::string(out.begin(), out.begin() + 5), "ababa");
}

TEST(Lzw, TableOverrunAndBadCodesStayInBounds) {
  // 9000 literals without a clear: the table fills (entries up to 8191 are
  // added, codes stay 12 bits) and nothing more is added.
  LzwWriter w;
  w.put(256, 9);
  uint32_t next = 258;
  for (int i = 0; i < 9000; ++i) {
    // The first literal after a clear adds nothing.
    w.put(uint32_t(i * 7) & 0xFF, i == 0 ? 9 : width_for(next));
    if (i > 0 && next < 8192) ++next;
  }
  const Bytes in = w.finish();
  Bytes out(9000);
  ASSERT_TRUE(vistrel::lzw_decode(in.data(), in.size(), out.data(), out.size()));
  for (int i = 0; i < 9000; ++i) ASSERT_EQ(out[i], uint8_t(i * 7)) << i;

  // A code far beyond the table right after a clear has no old string: failure.
  LzwWriter bad;
  bad.put(256, 9);
  bad.put(400, 9);
  const Bytes b = bad.finish();
  EXPECT_FALSE(vistrel::lzw_decode(b.data(), b.size(), out.data(), 10));

  // A code beyond the next free entry: added at its own index, later codes
  // may refer to it, the holes are not in the table.
  LzwWriter jump;
  jump.put(256, 9);
  jump.put('q', 9);
  jump.put(300, 9); // not in the table: "qq" at 300, next free 301
  jump.put(300, 9); // now in the table
  jump.put(280, 9); // a hole: old string + its first byte
  const Bytes j = jump.finish();
  Bytes small(8, 0xEE);
  ASSERT_TRUE(vistrel::lzw_decode(j.data(), j.size(), small.data(), 8));
  EXPECT_EQ(std::string(small.begin(), small.end()), "qqqqqqqq");

  // Random garbage of every length decodes or fails, within bounds.
  uint32_t seed = 99;
  for (int n = 0; n < 300; ++n) {
    Bytes junk(static_cast<size_t>(n), 0);
    for (auto &x : junk) x = uint8_t((seed = seed * 1103515245 + 12345) >> 16);
    Bytes o(200);
    vistrel::lzw_decode(junk.data(), junk.size(), o.data(), o.size());
  }
}

TEST(PackBits, RunsAreCutAtTheRowEnd) {
  // Row of 4: literal of 6 (cut), next row: repeat of 9 (cut), -128 skipped.
  const Bytes in{5, 1, 2, 3, 4, 5, 6, 0x80, uint8_t(-8), 9};
  Bytes out(8, 0xEE);
  vistrel::packbits_decode(in.data(), in.size(), out.data(), 4, 2);
  EXPECT_EQ(out, (Bytes{1, 2, 3, 4, 9, 9, 9, 9}));
  // Data ending early leaves zeros.
  const Bytes shortin{uint8_t(-2)};
  vistrel::packbits_decode(shortin.data(), shortin.size(), out.data(), 4, 2);
  EXPECT_EQ(out, Bytes(8, 0));
}

// Files that once broke a reader (found by the fuzz run): each must load or
// fail cleanly through every reader.
TEST(Crashers, EveryRegressionFileIsHandled) {
  const auto files = list_files(VISTREL_CRASHERS, "");
  for (const std::string &path : files) {
    SCOPED_TRACE(path);
    const Bytes data = read_file(path);
    vistrel::MemorySource src(data.data(), data.size());
    GreyImage img;
    vistrel::read_tiff(src, img);
    vistrel::read_raw(src, img);
    bm_handle h = 0;
    if (bm_load_memory(data.data(), data.size(), &h) == BM_OK) {
      vistrel::read_bitmap_file(h, img);
      vistrel::bitmap_to_grey(h, img);
      bm_delete(h);
    }
  }
}

} // namespace
