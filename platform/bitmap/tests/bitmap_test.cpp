#include "bitmap/bitmap.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <chrono>
#include <future>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

bm_header header(int32_t w, int32_t h, uint16_t bits, uint32_t compression = BM_RGB) {
  bm_header hdr{};
  hdr.width = w;
  hdr.height = h;
  hdr.bit_count = bits;
  hdr.compression = compression;
  return hdr;
}

std::vector<unsigned char> lines24(bm_handle h, uint32_t first, uint32_t count) {
  bm_section s;
  EXPECT_EQ(bm_describe(h, &s), BM_OK);
  std::vector<unsigned char> out(size_t(bm_stride(s.header.width, 24)) * count, 0xEE);
  EXPECT_EQ(bm_get_lines24(h, first, count, out.data()), BM_OK);
  return out;
}

std::string temp_path(const char *name) {
  return std::string(::testing::TempDir()) + "/" + name;
}

TEST(Bitmap, CreateDescribeDeleteAndStaleHandles) {
  bm_header hdr = header(5, 3, 8);
  bm_rgbquad pal[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
  bm_handle h = 0;
  ASSERT_EQ(bm_create(&hdr, pal, 2, nullptr, &h), BM_OK);
  ASSERT_NE(h, 0u);
  bm_section s;
  ASSERT_EQ(bm_describe(h, &s), BM_OK);
  EXPECT_EQ(s.stride, 8u);
  EXPECT_EQ(s.header.size, 40u);
  EXPECT_EQ(s.header.size_image, 24u);
  EXPECT_EQ(s.palette_count, 2u);
  EXPECT_EQ(s.header.clr_used, 2u);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(static_cast<unsigned char *>(s.bits)[i], 0);
  bm_rgbquad got[4];
  uint32_t n = 0;
  ASSERT_EQ(bm_palette(h, got, 4, &n), BM_OK);
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(got[1].red, 6);

  ASSERT_EQ(bm_delete(h), BM_OK);
  EXPECT_EQ(bm_delete(h), BM_E_INVALIDARG);
  EXPECT_EQ(bm_describe(h, &s), BM_E_INVALIDARG);
  // The slot is reused with a new generation: the old handle stays dead.
  bm_handle again = 0;
  ASSERT_EQ(bm_create(&hdr, nullptr, 0, nullptr, &again), BM_OK);
  EXPECT_NE(again, h);
  EXPECT_EQ(bm_describe(h, &s), BM_E_INVALIDARG);
  EXPECT_EQ(bm_delete(again), BM_OK);
  EXPECT_EQ(bm_delete(0), BM_E_INVALIDARG);
  EXPECT_EQ(bm_delete(0xFFFFFFFFu), BM_E_INVALIDARG);
}

TEST(Bitmap, CreateRefusesBadArguments) {
  struct Case {
    const char *name;
    bm_header hdr;
  } cases[] = {
      {"zero width", header(0, 4, 8)},
      {"zero height", header(4, 0, 8)},
      {"depth 2", header(4, 4, 2)},
      {"bit fields on 8 bits", header(4, 4, 8, BM_BITFIELDS)},
      {"run-length", header(4, 4, 8, 1)},
  };
  for (const Case &c : cases) {
    bm_handle h = 0;
    EXPECT_EQ(bm_create(&c.hdr, nullptr, 0, nullptr, &h), BM_E_INVALIDARG) << c.name;
    EXPECT_EQ(h, 0u) << c.name;
  }
  bm_header huge = header(1 << 15, 1 << 15, 8);
  bm_handle h = 0;
  EXPECT_EQ(bm_create(&huge, nullptr, 0, nullptr, &h), BM_E_NOMEM);
  bm_header fields = header(2, 2, 16, BM_BITFIELDS);
  EXPECT_EQ(bm_create(&fields, nullptr, 0, nullptr, &h), BM_E_INVALIDARG) << "bit fields without masks";
}

TEST(Bitmap, Lines24ConvertEveryDepthBottomScanFirst) {
  // 8 bits with a palette, bottom-up: stored row 0 is scan line 0.
  bm_header hdr = header(3, 2, 8);
  bm_rgbquad pal[3] = {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}};
  bm_handle h;
  ASSERT_EQ(bm_create(&hdr, pal, 3, nullptr, &h), BM_OK);
  bm_section s;
  bm_describe(h, &s);
  auto *bits = static_cast<unsigned char *>(s.bits);
  bits[0] = 0; bits[1] = 1; bits[2] = 2;       // bottom row
  bits[4] = 2; bits[5] = 7; bits[6] = 1;       // top row; 7 is past the palette
  auto out = lines24(h, 0, 2);
  const unsigned char want[] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 0, 0, 0,
                                70, 80, 90, 0, 0, 0, 40, 50, 60, 0, 0, 0};
  ASSERT_EQ(out.size(), sizeof want);
  EXPECT_EQ(0, std::memcmp(out.data(), want, sizeof want));
  EXPECT_EQ(bm_get_lines24(h, 1, 2, out.data()), BM_E_INVALIDARG);
  bm_delete(h);

  // Top-down 1 bit: scan line 0 is the last stored row.
  hdr = header(9, 2, 1);
  bm_rgbquad bw[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  ASSERT_EQ(bm_create(&hdr, bw, 2, nullptr, &h), BM_OK);
  hdr.height = -2;
  bm_delete(h);
  ASSERT_EQ(bm_create(&hdr, bw, 2, nullptr, &h), BM_OK);
  bm_describe(h, &s);
  bits = static_cast<unsigned char *>(s.bits);
  bits[4] = 0x80; bits[5] = 0x80; // stored row 1 (bottom): pixels 0 and 8 white
  out = lines24(h, 0, 1);
  EXPECT_EQ(out[0], 255);
  EXPECT_EQ(out[3], 0);
  EXPECT_EQ(out[24], 255);
  bm_delete(h);

  // 16 bits, default 5-5-5 masks; 32 bits with bit fields.
  hdr = header(1, 1, 16);
  ASSERT_EQ(bm_create(&hdr, nullptr, 0, nullptr, &h), BM_OK);
  bm_describe(h, &s);
  bits = static_cast<unsigned char *>(s.bits);
  bits[0] = 0x1F; bits[1] = 0x7C; // red 31, green 0, blue 31
  out = lines24(h, 0, 1);
  EXPECT_EQ(out[0], 255);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(out[2], 255);
  bm_delete(h);

  hdr = header(1, 1, 32, BM_BITFIELDS);
  const uint32_t masks[3] = {0x000000FF, 0x0000FF00, 0x00FF0000}; // red in the low byte
  ASSERT_EQ(bm_create(&hdr, nullptr, 0, masks, &h), BM_OK);
  bm_describe(h, &s);
  bits = static_cast<unsigned char *>(s.bits);
  bits[0] = 200; bits[1] = 100; bits[2] = 50;
  out = lines24(h, 0, 1);
  EXPECT_EQ(out[0], 50);
  EXPECT_EQ(out[1], 100);
  EXPECT_EQ(out[2], 200);
  bm_handle c24, c32;
  ASSERT_EQ(bm_convert(h, 24, &c24), BM_OK);
  ASSERT_EQ(bm_convert(h, 32, &c32), BM_OK);
  bm_describe(c32, &s);
  EXPECT_EQ(static_cast<unsigned char *>(s.bits)[2], 200);
  bm_describe(c24, &s);
  EXPECT_EQ(s.header.bit_count, 24);
  EXPECT_EQ(static_cast<unsigned char *>(s.bits)[0], 50);
  bm_delete(c24);
  bm_delete(c32);
  bm_delete(h);
}

TEST(Bitmap, SaveAndLoadKeepDepthPaletteAndMasks) {
  bm_header hdr = header(7, 3, 4);
  bm_rgbquad pal[16];
  for (int i = 0; i < 16; ++i) pal[i] = bm_rgbquad{uint8_t(i * 16), uint8_t(i), uint8_t(255 - i), 0};
  bm_handle h;
  ASSERT_EQ(bm_create(&hdr, pal, 16, nullptr, &h), BM_OK);
  bm_section s;
  bm_describe(h, &s);
  for (uint32_t i = 0; i < s.header.size_image; ++i) static_cast<unsigned char *>(s.bits)[i] = uint8_t(i * 37);
  const std::string path = temp_path("bitmap_save.bmp");
  ASSERT_EQ(bm_save_file(h, path.c_str()), BM_OK);
  bm_handle back;
  ASSERT_EQ(bm_load_file(path.c_str(), &back), BM_OK);
  bm_section t;
  bm_describe(back, &t);
  EXPECT_EQ(t.header.bit_count, 4);
  EXPECT_EQ(t.header.width, 7);
  EXPECT_EQ(t.header.height, 3);
  EXPECT_EQ(t.palette_count, 16u);
  EXPECT_EQ(0, std::memcmp(s.bits, t.bits, s.header.size_image));
  EXPECT_EQ(lines24(h, 0, 3), lines24(back, 0, 3));
  bm_delete(back);
  bm_delete(h);

  hdr = header(2, 2, 16, BM_BITFIELDS);
  const uint32_t m565[3] = {0xF800, 0x07E0, 0x001F};
  ASSERT_EQ(bm_create(&hdr, nullptr, 0, m565, &h), BM_OK);
  ASSERT_EQ(bm_save_file(h, path.c_str()), BM_OK);
  ASSERT_EQ(bm_load_file(path.c_str(), &back), BM_OK);
  bm_describe(back, &t);
  EXPECT_EQ(t.header.compression, uint32_t(BM_BITFIELDS));
  EXPECT_EQ(t.masks[0], 0xF800u);
  EXPECT_EQ(t.masks[1], 0x07E0u);
  bm_delete(back);
  bm_delete(h);
  std::remove(path.c_str());
}

// A 2 × 2 24-bit file written by hand, top-down, to check the row flip.
std::vector<unsigned char> small_bmp(int32_t height) {
  std::vector<unsigned char> f(54 + 16, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = uint8_t(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, uint32_t(f.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);
  put32(22, uint32_t(height));
  f[26] = 1;
  f[28] = 24;
  f[54] = 11;     // first stored row, pixel 0 blue
  f[54 + 8] = 22; // second stored row, pixel 0 blue
  return f;
}

TEST(Bitmap, LoadsTopDownFilesBottomUp) {
  auto f = small_bmp(-2);
  bm_handle h;
  ASSERT_EQ(bm_load_memory(f.data(), f.size(), &h), BM_OK);
  bm_section s;
  bm_describe(h, &s);
  EXPECT_EQ(s.header.height, 2);
  EXPECT_EQ(static_cast<unsigned char *>(s.bits)[0], 22);
  EXPECT_EQ(static_cast<unsigned char *>(s.bits)[8], 11);
  bm_delete(h);
}

// An 8 x 2 bitmap of `bits` (8 or 4) with run-length data.
std::vector<unsigned char> rle_bmp(uint16_t bits, const std::vector<unsigned char> &data) {
  const uint32_t colours = 1u << bits;
  std::vector<unsigned char> f(54 + 4 * colours, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = uint8_t(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(10, uint32_t(f.size()));
  put32(14, 40);
  put32(18, 8);
  put32(22, 2);
  f[26] = 1;
  f[28] = uint8_t(bits);
  put32(30, bits == 8 ? 1 : 2);
  for (uint32_t i = 0; i < colours; ++i) f[54 + 4 * i] = f[55 + 4 * i] = f[56 + 4 * i] = uint8_t(i * 10);
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

TEST(Bitmap, LoadsRunLengthFiles) {
  // RLE8: bottom row 3 x 5, absolute 3 (7 8 9, padded), end of line; top row:
  // delta to x 2, run of 9 x 4 clipped at the row end, end of bitmap.
  auto f = rle_bmp(8, {3, 5, 0, 3, 7, 8, 9, 0, 0, 0, 0, 2, 2, 0, 9, 4, 0, 1});
  bm_handle h = 0;
  ASSERT_EQ(bm_load_memory(f.data(), f.size(), &h), BM_OK);
  bm_section s;
  bm_describe(h, &s);
  EXPECT_EQ(s.header.compression, uint32_t(BM_RGB));
  const auto *b = static_cast<const unsigned char *>(s.bits);
  EXPECT_EQ(std::vector<unsigned char>(b, b + 8), (std::vector<unsigned char>{5, 5, 5, 7, 8, 9, 0, 0}));
  EXPECT_EQ(std::vector<unsigned char>(b + 8, b + 16), (std::vector<unsigned char>{0, 0, 4, 4, 4, 4, 4, 4}));
  bm_delete(h);
  // RLE4: run of 5 alternating 1, 2; absolute 3 nibbles (3 4 5, padded).
  f = rle_bmp(4, {5, 0x12, 0, 3, 0x34, 0x50, 0, 1});
  ASSERT_EQ(bm_load_memory(f.data(), f.size(), &h), BM_OK);
  bm_describe(h, &s);
  b = static_cast<const unsigned char *>(s.bits);
  EXPECT_EQ(std::vector<unsigned char>(b, b + 4), (std::vector<unsigned char>{0x12, 0x12, 0x13, 0x45}));
  bm_delete(h);
  // A width of 4 M pixels from 8 bytes of runs is refused, not allocated.
  f = rle_bmp(8, {3, 5, 0, 1});
  f[20] = 0x40;
  EXPECT_EQ(bm_load_memory(f.data(), f.size(), &h), BM_E_FORMAT);
  // Damaged data ends the decoding; nothing is read past the file.
  for (size_t cut = 54 + 1024; cut < f.size(); ++cut) {
    auto g = rle_bmp(8, {3, 5, 0, 9, 7, 8});
    g.resize(std::min(cut, g.size()));
    if (bm_load_memory(g.data(), g.size(), &h) == BM_OK) bm_delete(h);
  }
}

TEST(Bitmap, LoadRefusesDamagedFiles) {
  struct Case {
    const char *name;
    size_t at;
    uint32_t value;
    size_t keep; // bytes kept, 0 = all
  } cases[] = {
      {"not BM", 0, 'X', 0},
      {"truncated pixels", 0, 'B', 69},
      {"truncated header", 0, 'B', 30},
      {"header size past the end", 14, 0x7FFFFFF0u, 0},
      {"pixel offset past the end", 10, 0xFFFFFFF0u, 0},
      {"depth 7", 28, 7, 0},
      {"run-length on 24 bits", 30, 1, 0},
      {"zero width", 18, 0, 0},
      {"width x height too large", 18, 0x7FFFFFFFu, 0},
      {"most negative height", 22, 0x80000000u, 0},
  };
  for (const Case &c : cases) {
    auto f = small_bmp(2);
    if (c.at == 0) f[0] = uint8_t(c.value);
    else if (c.at == 28) f[28] = uint8_t(c.value);
    else
      for (int i = 0; i < 4; ++i) f[c.at + i] = uint8_t(c.value >> (8 * i));
    if (c.keep) f.resize(c.keep);
    bm_handle h = 0;
    EXPECT_NE(bm_load_memory(f.data(), f.size(), &h), BM_OK) << c.name;
    EXPECT_EQ(h, 0u) << c.name;
  }
  bm_handle h = 0;
  EXPECT_EQ(bm_load_file("/nonexistent/x.bmp", &h), BM_E_IO);
}

} // namespace

TEST(Bitmap, LoadFileRefusesFifosAndDevicesWithoutBlocking) {
  const std::string fifo = std::string(::testing::TempDir()) + "/bitmap-pipe.bmp";
  ::unlink(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string &p : {fifo, std::string("/dev/zero"), std::string(::testing::TempDir())}) {
    auto done = std::async(std::launch::async, [&] {
      bm_handle h = 0;
      return bm_load_file(p.c_str(), &h);
    });
    if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      const int fd = ::open(p.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
      ADD_FAILURE() << p << " blocked";
      done.wait();
      continue;
    }
    EXPECT_EQ(done.get(), BM_E_IO) << p;
  }
  ::unlink(fifo.c_str());
}
