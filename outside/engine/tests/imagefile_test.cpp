// The tool's image reader against files written by ImageMagick, and hostile files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "imagefile.h"

namespace fs = std::filesystem;

namespace {

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick is not installed";
    dir = fs::temp_directory_path() / ("fpimage_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    // An uneven size and every grey level somewhere.
    w = 61, h = 47;
    pixels.resize(size_t(w) * h);
    std::mt19937 rng(1);
    for (int i = 0; i < w * h; ++i) pixels[size_t(i)] = uint8_t((i * 7 + rng() % 5) & 255);
    std::ofstream f(dir / "src.pgm", std::ios::binary);
    f << "P5\n" << w << " " << h << "\n255\n";
    f.write(reinterpret_cast<const char *>(pixels.data()), std::streamsize(pixels.size()));
  }
  void TearDown() override {
    if (!dir.empty()) fs::remove_all(dir);
  }
  fs::path make(const std::string &args, const std::string &name) {
    std::string cmd = "convert '" + (dir / "src.pgm").string() + "' " + args + " '" + (dir / name).string() + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return dir / name;
  }
  static std::vector<uint8_t> bytes(const fs::path &p) {
    std::ifstream f(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  }
  fs::path dir;
  int w = 0, h = 0;
  std::vector<uint8_t> pixels;
};

TEST_F(ImageFiles, ReadsWhatImageMagickWrites) {
  struct Case {
    const char *args, *name;
  } cases[] = {
      {"-compress none", "grey.tif"},
      {"-compress LZW", "lzw.tif"},
      {"-compress LZW -define tiff:predictor=2", "predictor.tif"},
      {"-type Palette -compress LZW", "palette_lzw.tif"},
      {"-compress RLE", "packbits.tif"},
      {"-negate -define tiff:photometric=min-is-white -compress none", "miniswhite.tif"},
      {"-endian MSB -compress LZW", "bigendian.tif"},
      {"-type Palette -compress none BMP3:", "palette.bmp"},
      {"-type Palette BMP3:", "palette_rle.bmp"},
      {"-type TrueColor BMP3:", "rgb.bmp"},
  };
  for (const Case &c : cases) {
    std::string args = c.args, prefix;
    if (args.size() > 5 && args.substr(args.size() - 5) == "BMP3:") prefix = "BMP3:", args.resize(args.size() - 5);
    fs::path p = make(args, c.name);
    if (!prefix.empty()) {
      // The BMP3: prefix goes in front of the output name.
      std::string cmd = "convert '" + (dir / "src.pgm").string() + "' " + args + " 'BMP3:" + p.string() + "'";
      ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    fptool::GreyImage img;
    std::string err;
    ASSERT_TRUE(fptool::load_image(p.string(), img, err)) << c.name << ": " << err;
    EXPECT_EQ(img.width, w) << c.name;
    EXPECT_EQ(img.height, h) << c.name;
    // ImageMagick's own reading of the file is the oracle (palettes may
    // have been reduced on writing).
    fs::path raw = dir / (std::string(c.name) + ".raw");
    std::string back = "convert '" + p.string() + "' -depth 8 'gray:" + raw.string() + "'";
    ASSERT_EQ(std::system(back.c_str()), 0);
    EXPECT_EQ(img.pixels, bytes(raw)) << c.name;
  }
}

TEST_F(ImageFiles, HostileFilesGiveAnErrorNeverACrash) {
  std::vector<std::vector<uint8_t>> seeds = {bytes(make("-type Palette -compress LZW", "a.tif")),
                                             bytes(make("-compress RLE", "b.tif")), bytes(make("-compress none", "c.tif"))};
  std::string cmd = "convert '" + (dir / "src.pgm").string() + "' -type Palette 'BMP3:" + (dir / "d.bmp").string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  seeds.push_back(bytes(dir / "d.bmp"));
  std::mt19937 rng(11);
  for (const auto &seed : seeds) {
    // Every truncation of the header and a few of the body.
    for (size_t cut = 0; cut < seed.size(); cut += cut < 300 ? 1 : 97) {
      fptool::GreyImage img;
      std::string err;
      fptool::decode_image(seed.data(), cut, img, err);
    }
    for (int i = 0; i < 1500; ++i) {
      std::vector<uint8_t> m = seed;
      int flips = 1 + int(rng() % 6);
      for (int k = 0; k < flips; ++k) m[rng() % std::min<size_t>(m.size(), rng() % 2 ? 400 : m.size())] = uint8_t(rng());
      fptool::GreyImage img;
      std::string err;
      if (fptool::decode_image(m.data(), m.size(), img, err)) {
        EXPECT_EQ(img.pixels.size(), size_t(img.width) * size_t(img.height));
      } else {
        EXPECT_FALSE(err.empty());
      }
    }
  }
  fptool::GreyImage img;
  std::string err;
  EXPECT_FALSE(fptool::decode_image(nullptr, 0, img, err));
  EXPECT_FALSE(fptool::load_image((dir / "missing.tif").string(), img, err));
  const char text[] = "just some text, not an image";
  EXPECT_FALSE(fptool::decode_image(reinterpret_cast<const uint8_t *>(text), sizeof text, img, err));
}

}  // namespace
