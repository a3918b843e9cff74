// The generator checked with real components: the engine extracts and
// compares its prints, the engine's image reader and libtiff's tiffinfo read
// its files back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

#include "engine.h"
#include "fpsynth/fpsynth.h"
#include "imagefile.h"

namespace {

namespace fs = std::filesystem;

// Masters take a fraction of a second; each test file builds each once.
const fpsynth::Master &master(uint32_t finger) {
  static std::map<uint32_t, fpsynth::Master> cache;
  auto it = cache.find(finger);
  if (it == cache.end()) it = cache.emplace(finger, fpsynth::make_master(finger)).first;
  return it->second;
}

std::vector<uint8_t> template_of(const fpsynth::Image &im, ppvbp::Features *f = nullptr) {
  std::vector<uint8_t> t;
  EXPECT_TRUE(ppvbp::extract_template(im.pixels.data(), im.width, im.height, ppvbp::Settings{}, t, nullptr, f));
  return t;
}

int score(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
  ppvbp::Comparator c;
  EXPECT_TRUE(c.prepare(a.data(), a.size()));
  return c.score(b.data(), b.size());
}

struct TempDir {
  fs::path path;
  TempDir() {
    path = fs::temp_directory_path() / ("fpsynth_test_" + std::to_string(::getpid()));
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
};

TEST(Fpsynth, SameIdsGiveTheSameBytesAndOtherIdsDiffer) {
  fpsynth::Image a = fpsynth::impress(master(3), 1).image;
  fpsynth::Image again = fpsynth::impression(3, 1);
  EXPECT_EQ(a.pixels, again.pixels);
  fpsynth::Image other_touch = fpsynth::impress(master(3), 2).image;
  fpsynth::Image other_finger = fpsynth::impress(master(4), 1).image;
  EXPECT_NE(a.pixels, other_touch.pixels);
  EXPECT_NE(a.pixels, other_finger.pixels);
  EXPECT_NE(master(3).ridges, master(4).ridges);
}

TEST(Fpsynth, PrintsLookLikeA500DpiOpticalReader) {
  struct Size {
    int w, h;
  } sizes[] = {{326, 357}, {388, 374}, {256, 364}, {640, 480}};
  for (uint32_t finger = 1; finger <= 4; ++finger) {
    fpsynth::ImpressionOptions o;
    o.width = sizes[finger - 1].w;
    o.height = sizes[finger - 1].h;
    fpsynth::Image im = fpsynth::impress(master(finger), 1, o).image;
    ASSERT_EQ(im.width, o.width);
    ASSERT_EQ(im.height, o.height);
    ppvbp::Features f;
    std::vector<uint8_t> t = template_of(im, &f);
    ASSERT_FALSE(t.empty()) << "finger " << finger;
    // The template's group key is the typical ridge period, 32 steps a pixel from 6 px.
    double period = 6 + t[1] / 32.0;
    EXPECT_GE(period, 7.5) << "finger " << finger;
    EXPECT_LE(period, 11.5) << "finger " << finger;
    // Real prints of this size show some dozens of minutiae, not hundreds.
    EXPECT_GE(f.minutiae.size(), 15u) << "finger " << finger;
    EXPECT_LE(f.minutiae.size(), 80u) << "finger " << finger;
    // Dark ridges on a light background.
    std::vector<uint8_t> px = im.pixels;
    std::sort(px.begin(), px.end());
    EXPECT_LT(px[px.size() / 20], 100) << "finger " << finger;
    EXPECT_GT(px[px.size() * 19 / 20], 180) << "finger " << finger;
  }
}

TEST(Fpsynth, TheEngineTellsTouchesOfOneFingerFromOtherFingers) {
  const int fingers = 6, touches = 3;
  std::vector<std::vector<uint8_t>> t;
  for (uint32_t f = 1; f <= fingers; ++f)
    for (uint32_t n = 1; n <= touches; ++n) t.push_back(template_of(fpsynth::impress(master(f), n).image));
  std::vector<int> genuine;
  int impostor_max = 0;
  for (size_t i = 0; i < t.size(); ++i)
    for (size_t j = i + 1; j < t.size(); ++j) {
      int s = score(t[i], t[j]);
      if (i / touches == j / touches) genuine.push_back(s);
      else impostor_max = std::max(impostor_max, s);
    }
  std::sort(genuine.begin(), genuine.end());
  // Most touches of a finger agree well (a partial touch may not); no two fingers do.
  EXPECT_GE(genuine[genuine.size() / 2], 72);
  EXPECT_GE(genuine[genuine.size() / 5], 36);
  EXPECT_LT(impostor_max, 48);
}

TEST(Fpsynth, StillTouchesMatchAndTheCoreLandsWhereReported) {
  for (fpsynth::Pattern p : {fpsynth::Pattern::left_loop, fpsynth::Pattern::right_loop, fpsynth::Pattern::whorl}) {
    fpsynth::MasterOptions mo;
    mo.pattern = p;
    fpsynth::Master m = fpsynth::make_master(11, mo);
    ASSERT_EQ(m.pattern, p);
    fpsynth::ImpressionOptions still;
    still.variation = 0;
    still.partial_contact = false;
    fpsynth::Impression a = fpsynth::impress(m, 1, still), b = fpsynth::impress(m, 2, still);
    EXPECT_NEAR(a.singular[0].x, b.singular[0].x, 1e-6);
    ppvbp::Features f;
    std::vector<uint8_t> ta = template_of(a.image, &f), tb = template_of(b.image);
    EXPECT_GE(score(ta, tb), 72) << fpsynth::pattern_name(p);
    // The engine finds a core near the one the model put there.
    double nearest = 1e9;
    for (const fpsynth::Singular &s : a.singular)
      if (s.kind == fpsynth::Singular::core)
        for (const ppvbp::SingularPoint &e : f.singular)
          if (e.kind != ppvbp::kDelta) nearest = std::min(nearest, std::hypot(e.x - s.x, e.y - s.y));
    EXPECT_LE(nearest, 30) << fpsynth::pattern_name(p);
  }
}

TEST(Fpsynth, ReportedSingularPointsFollowThePlacement) {
  fpsynth::MasterOptions mo;
  mo.pattern = fpsynth::Pattern::whorl;
  fpsynth::Master m = fpsynth::make_master(12, mo);
  for (uint32_t n = 1; n <= 6; ++n) {
    fpsynth::Impression a = fpsynth::impress(m, n);
    ASSERT_EQ(a.singular.size(), 4u);
    // Two cores and two deltas keep their distances up to the skin's stretch.
    double master_d = std::hypot(m.singular[2].x - m.singular[3].x, m.singular[2].y - m.singular[3].y);
    double touch_d = std::hypot(a.singular[2].x - a.singular[3].x, a.singular[2].y - a.singular[3].y);
    EXPECT_NEAR(touch_d, master_d, 0.15 * master_d) << "touch " << n;
  }
}

TEST(Fpsynth, FilesReadBackExactly) {
  TempDir dir;
  fpsynth::ImpressionOptions o;
  o.width = 327;  // rows of BMP files are padded to 4 bytes
  o.height = 101;
  fpsynth::Image im = fpsynth::impress(master(1), 1, o).image;
  for (const char *name : {"a.tif", "b.TIFF", "c.bmp"}) {
    std::string path = (dir.path / name).string(), err;
    ASSERT_TRUE(fpsynth::write_image(path, im, err)) << err;
    fptool::GreyImage back;
    ASSERT_TRUE(fptool::load_image(path, back, err)) << name << ": " << err;
    EXPECT_EQ(back.width, im.width);
    EXPECT_EQ(back.height, im.height);
    EXPECT_EQ(back.pixels, im.pixels) << name;
  }
  std::string err, raw = (dir.path / "d.raw").string();
  ASSERT_TRUE(fpsynth::write_image(raw, im, err));
  std::ifstream f(raw, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), {});
  EXPECT_EQ(bytes, im.pixels);

  // libtiff as the oracle for the TIFF header: size, depth, resolution.
  if (std::system("command -v tiffinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "tiffinfo missing (libtiff-tools)";
  std::string out = (dir.path / "info.txt").string();
  ASSERT_EQ(std::system(("tiffinfo " + (dir.path / "a.tif").string() + " >" + out + " 2>&1").c_str()), 0);
  std::ifstream info(out);
  std::string text((std::istreambuf_iterator<char>(info)), {});
  EXPECT_NE(text.find("Image Width: 327 Image Length: 101"), std::string::npos) << text;
  EXPECT_NE(text.find("Bits/Sample: 8"), std::string::npos) << text;
  EXPECT_NE(text.find("Resolution: 500, 500"), std::string::npos) << text;
  EXPECT_EQ(text.find("Warning"), std::string::npos) << text;
}

TEST(Fpsynth, BadRequestsFailClearly) {
  std::string err;
  fpsynth::Image im = fpsynth::impress(master(1), 1).image;
  EXPECT_FALSE(fpsynth::write_image("/tmp/print.png", im, err));
  EXPECT_NE(err.find("unknown image type"), std::string::npos);
  err.clear();
  EXPECT_FALSE(fpsynth::write_image("/nonexistent-folder/print.tif", im, err));
  EXPECT_NE(err.find("cannot write"), std::string::npos);
  EXPECT_FALSE(fpsynth::write_image("/tmp/empty.tif", fpsynth::Image{}, err));
  EXPECT_TRUE(fpsynth::encode_tiff(fpsynth::Image{}).empty());

  struct Bad {
    int w, h;
  } sizes[] = {{31, 357}, {326, 2049}, {0, 0}, {-5, 100}};
  for (Bad s : sizes) {
    fpsynth::ImpressionOptions o;
    o.width = s.w;
    o.height = s.h;
    EXPECT_THROW(fpsynth::impress(master(1), 1, o), std::invalid_argument) << s.w << "x" << s.h;
  }
  fpsynth::MasterOptions mo;
  mo.width = 63;
  EXPECT_THROW(fpsynth::make_master(1, mo), std::invalid_argument);
  mo = {};
  mo.iterations = 0;
  EXPECT_THROW(fpsynth::make_master(1, mo), std::invalid_argument);
  EXPECT_THROW(fpsynth::impress(fpsynth::Master{}, 1), std::invalid_argument);
}

}  // namespace
