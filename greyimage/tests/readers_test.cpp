// The readers against files made by libtiff's tools and ImageMagick, with
// libtiff and ImageMagick decoding the same files as the oracle.
#include "readers.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <string>
#include <vector>

using namespace vistrel_test;
using vistrel::GreyImage;

namespace {

using Bytes = std::vector<uint8_t>;
const std::string kFixtures = VISTREL_FIXTURES;

Bytes pixels_of(const GreyImage &img) {
  Bytes out;
  for (int32_t y = 0; y < img.height(); ++y) out.insert(out.end(), img.row(y), img.row(y) + img.width());
  return out;
}

struct Expected {
  int32_t width = 0, height = 0;
  Bytes grey;
};

// libtiff decodes the samples (strips or tiles, any compression, fill order,
// byte order); the grey rules are applied here: 4-bit × 15, colour maps
// (r + g + b) div 768, RGB div 3, photometric 0 inverted.
bool tiff_oracle(const std::string &path, Expected &e) {
  TIFFSetWarningHandler(nullptr);
  TIFF *t = TIFFOpen(path.c_str(), "r");
  if (!t) return false;
  uint32_t w = 0, h = 0;
  uint16_t bits = 1, spp = 1, photo = 0;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
  if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photo)) photo = 0;
  uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  const bool map = TIFFGetField(t, TIFFTAG_COLORMAP, &red, &green, &blue) == 1;
  // Samples of the whole image, unit rows of w pixels.
  const size_t row_bytes = (size_t(w) * bits * spp + 7) / 8;
  Bytes raw(row_bytes * h);
  bool ok = true;
  if (TIFFIsTiled(t)) {
    uint32_t tw = 0, tl = 0;
    TIFFGetField(t, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(t, TIFFTAG_TILELENGTH, &tl);
    Bytes tile(TIFFTileSize(t));
    const size_t tile_row = (size_t(tw) * bits * spp + 7) / 8;
    const size_t bits_per_pixel = size_t(bits) * spp;
    for (uint32_t y0 = 0; ok && y0 < h; y0 += tl)
      for (uint32_t x0 = 0; ok && x0 < w; x0 += tw) {
        ok = TIFFReadTile(t, tile.data(), x0, y0, 0, 0) >= 0;
        for (uint32_t y = 0; ok && y < tl && y0 + y < h; ++y)
          for (uint32_t x = 0; x < tw && x0 + x < w; ++x)
            for (size_t b = 0; b < bits_per_pixel; ++b) {
              const size_t from = x * bits_per_pixel + b, to = (x0 + x) * bits_per_pixel + b;
              const int bit = (tile[y * tile_row + from / 8] >> (7 - from % 8)) & 1;
              uint8_t &dst = raw[(y0 + y) * row_bytes + to / 8];
              dst = uint8_t((dst & ~(0x80 >> (to % 8))) | (bit << (7 - to % 8)));
            }
      }
  } else {
    for (uint32_t y = 0; ok && y < h; ++y) ok = TIFFReadScanline(t, raw.data() + y * row_bytes, y) == 1;
  }
  if (ok) {
    e.width = int32_t(w);
    e.height = int32_t(h);
    e.grey.assign(size_t(w) * h, 0);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        const uint8_t *r = raw.data() + y * row_bytes;
        uint32_t v;
        if (spp == 3) v = (r[3 * x] + r[3 * x + 1] + r[3 * x + 2]) / 3;
        else if (bits == 1) v = ((r[x / 8] >> (7 - x % 8)) & 1) ? 255 : 0;
        else {
          const uint32_t s = bits == 4 ? ((x & 1) ? r[x / 2] & 15 : r[x / 2] >> 4) : r[x];
          v = map ? (uint32_t(red[s]) + green[s] + blue[s]) / 768 : bits == 4 ? s * 15 : s;
        }
        if (photo == 0) v = 255 - v;
        e.grey[size_t(y) * w + x] = uint8_t(v);
      }
  }
  TIFFClose(t);
  return ok;
}

TEST(TiffReader, AgreesWithLibtiffOnEveryFixture) {
  const auto files = list_files(kFixtures, ".tif");
  ASSERT_GE(files.size(), 55u) << "fixtures missing in " << kFixtures;
  for (const std::string &path : files) {
    SCOPED_TRACE(path);
    if (path.size() > 12 && path.compare(path.size() - 12, 12, "-refused.tif") == 0) {
      vistrel::FileSource src(path.c_str());
      GreyImage img;
      EXPECT_FALSE(vistrel::read_tiff(src, img));
      EXPECT_TRUE(img.empty());
      continue;
    }
    Expected want;
    ASSERT_TRUE(tiff_oracle(path, want));
    vistrel::FileSource src(path.c_str());
    GreyImage img;
    ASSERT_TRUE(vistrel::read_tiff(src, img));
    EXPECT_EQ(img.width(), want.width);
    EXPECT_EQ(img.height(), want.height);
    EXPECT_EQ(pixels_of(img), want.grey);
  }
}

TEST(TiffReader, RulesOnKnownValues) {
  // 4-bit photometric 1 maps 15 to 225; photometric 0 maps it to 30.
  for (uint32_t photo : {1u, 0u}) {
    const Bytes data{0xF0, 0x1F};
    auto f = tiff_file(true,
                       {{256, 3, 1, 2}, {257, 3, 1, 2}, {258, 3, 1, 4}, {259, 3, 1, 1}, {262, 3, 1, photo},
                        {273, 4, 1, 8}, {277, 3, 1, 1}, {278, 3, 1, 2}, {279, 4, 1, 2}},
                       data);
    vistrel::MemorySource src(f.data(), f.size());
    GreyImage img;
    ASSERT_TRUE(vistrel::read_tiff(src, img));
    if (photo == 1) EXPECT_EQ(pixels_of(img), (Bytes{225, 0, 15, 225}));
    else EXPECT_EQ(pixels_of(img), (Bytes{30, 255, 240, 30}));
  }
  // Bilevel without a PhotometricInterpretation tag: bit 1 gives 0.
  auto f = tiff_file(false, {{256, 3, 1, 8}, {257, 3, 1, 1}, {273, 4, 1, 8}, {279, 4, 1, 1}}, Bytes{0xA0});
  vistrel::MemorySource src(f.data(), f.size());
  GreyImage img;
  ASSERT_TRUE(vistrel::read_tiff(src, img));
  EXPECT_EQ(pixels_of(img), (Bytes{0, 255, 0, 255, 255, 255, 255, 255}));
}

TEST(TiffReader, RefusesRgbWithBitsPerSample8_8_16) {
  Bytes f = read_file(kFixtures + "/rgb.tif");
  const size_t e = find_tiff_entry(f, 258);
  ASSERT_NE(e, 0u);
  ASSERT_EQ(f[0], 'I') << "ImageMagick writes little-endian";
  const size_t at = f[e + 8] | f[e + 9] << 8 | f[e + 10] << 16 | size_t(f[e + 11]) << 24;
  ASSERT_EQ(f[at + 4], 8);
  f[at + 4] = 16;
  vistrel::MemorySource src(f.data(), f.size());
  GreyImage img;
  EXPECT_FALSE(vistrel::read_tiff(src, img));
  EXPECT_TRUE(img.empty());
  f[at + 4] = 8;
  vistrel::MemorySource same(f.data(), f.size());
  EXPECT_TRUE(vistrel::read_tiff(same, img)) << "the unpatched file reads";
}

// ImageMagick's 8-bit RGB decoding of a bitmap, and the channel width the
// file stores, give the grey value: 8-bit channels (b + g + r) div 3; 5- and
// 6-bit channels are shifted up (31 gives 248), not scaled.
struct BmpCase {
  const char *name;
  int red_bits, green_bits, blue_bits; // 8 for everything but 16-bit files
};

TEST(BmpReader, AgreesWithImageMagickOnEveryFixture) {
  const BmpCase cases[] = {{"bmp1", 8, 8, 8},  {"bmp4", 8, 8, 8},           {"bmp8", 8, 8, 8}, {"bmp8-rle", 8, 8, 8},
                           {"bmp8-v5", 8, 8, 8}, {"bmp16-555-v5", 5, 5, 5}, {"bmp16-565-v5", 5, 6, 5},
                           {"bmp24", 8, 8, 8},  {"bmp24-v5", 8, 8, 8},       {"bmp32-fields-v5", 8, 8, 8},
                           {"bmp32", 8, 8, 8}};
  for (const BmpCase &c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = kFixtures + "/" + c.name + ".bmp";
    const Bytes rgb = read_file(kFixtures + "/" + c.name + ".rgb");
    ASSERT_EQ(rgb.size(), size_t(70 * 46 * 3));
    bm_handle h = 0;
    ASSERT_EQ(bm_load_file(path.c_str(), &h), BM_OK);
    GreyImage img;
    ASSERT_TRUE(vistrel::read_bitmap_file(h, img));
    bm_delete(h);
    ASSERT_EQ(img.width(), 70);
    ASSERT_EQ(img.height(), 46);
    auto channel = [](uint8_t m, int bits) {
      if (bits == 8) return uint32_t(m);
      const uint32_t max = (1u << bits) - 1;
      return ((m * max + 127) / 255) << (8 - bits);
    };
    Bytes want(70 * 46);
    for (size_t i = 0; i < want.size(); ++i)
      want[i] = uint8_t((channel(rgb[3 * i], c.red_bits) + channel(rgb[3 * i + 1], c.green_bits) +
                         channel(rgb[3 * i + 2], c.blue_bits)) / 3);
    EXPECT_EQ(pixels_of(img), want);
  }
}

TEST(BmpReader, SixteenBitsWithDefaultMasks) {
  // ImageMagick's 5-5-5 information-header file with its compression set to
  // 0: the default masks give the picture of the v5 file with explicit masks.
  Bytes f = read_file(kFixtures + "/bmp16-555-nomasks.bmp");
  ASSERT_GT(f.size(), 54u);
  ASSERT_EQ(f[30], 3);
  f[30] = 0;
  bm_handle h = 0;
  ASSERT_EQ(bm_load_memory(f.data(), f.size(), &h), BM_OK);
  GreyImage img;
  ASSERT_TRUE(vistrel::read_bitmap_file(h, img));
  bm_delete(h);
  const std::string v5 = kFixtures + "/bmp16-555-v5.bmp";
  ASSERT_EQ(bm_load_file(v5.c_str(), &h), BM_OK);
  GreyImage fields;
  ASSERT_TRUE(vistrel::read_bitmap_file(h, fields));
  bm_delete(h);
  EXPECT_EQ(pixels_of(img), pixels_of(fields));

  // Pixel 0x7FFF: every channel 31, shifted left by 3, gives 248.
  const size_t bits = f[10] | f[11] << 8;
  f[bits] = 0xFF;
  f[bits + 1] = 0x7F;
  ASSERT_EQ(bm_load_memory(f.data(), f.size(), &h), BM_OK);
  ASSERT_TRUE(vistrel::read_bitmap_file(h, img));
  bm_delete(h);
  EXPECT_EQ(img.row(45)[0], 248);
}

TEST(RawReader, ReadsRowsTopFirstAndRefusesShortFiles) {
  Bytes pixels(5 * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 11);
  struct Case {
    const char *name;
    Bytes file;
    bool ok;
  } cases[] = {
      {"with trailer", raw_file(5, 4, pixels, true), true},
      {"without trailer", raw_file(5, 4, pixels, false), true},
      {"one byte short", raw_file(5, 4, Bytes(pixels.begin(), pixels.end() - 1), false), false},
      {"header only", Bytes(raw_file(5, 4, {}, false)), false},
      {"short header", Bytes(10, 0), false},
      {"negative width", raw_file(-5, 4, pixels), false},
      {"huge", raw_file(0x7FFFFFFF, 0x7FFFFFFF, pixels), false},
      {"zero height", raw_file(5, 0, pixels), true},
  };
  for (Case &c : cases) {
    vistrel::MemorySource src(c.file.data(), c.file.size());
    GreyImage img;
    EXPECT_EQ(vistrel::read_raw(src, img), c.ok) << c.name;
    if (c.ok && img.width()) {
      EXPECT_EQ(pixels_of(img), pixels) << c.name;
    }
    if (!c.ok) {
      EXPECT_TRUE(img.empty()) << c.name;
    }
  }
}

} // namespace
