// The extraction pipeline and the matcher on synthetic prints.
#include <gtest/gtest.h>

#include <cmath>

#include "engine.h"
#include "params.h"
#include "synthetic.h"
#include "template.h"

namespace {

std::vector<uint8_t> template_of(const synth::Pattern &p, const std::vector<uint8_t> &img,
                                 ppvbp::Features *f = nullptr) {
  std::vector<uint8_t> t;
  EXPECT_TRUE(ppvbp::extract_template(img.data(), p.width, p.height, ppvbp::Settings{}, t, nullptr, f));
  return t;
}

int score(const std::vector<uint8_t> &probe, const std::vector<uint8_t> &cand) {
  ppvbp::Comparator c;
  EXPECT_TRUE(c.prepare(probe.data(), probe.size()));
  return c.score(cand.data(), cand.size());
}

TEST(Pipeline, FindsTheKnownMinutiaeWithTheirPlaces) {
  for (unsigned seed : {1u, 2u, 3u}) {
    synth::Pattern p = synth::make_pattern(seed);
    ppvbp::Features f;
    template_of(p, synth::render(p), &f);
    int found = 0;
    for (const synth::Point &k : p.minutiae) {
      bool hit = false;
      for (const ppvbp::Minutia &m : f.minutiae) hit |= std::hypot(m.x - k.x, m.y - k.y) <= 8;
      found += hit;
    }
    // Minutiae near the print's edge may be dropped; most must be found.
    EXPECT_GE(found, int(p.minutiae.size()) * 3 / 4) << "seed " << seed;
    // And little is invented on a clean pattern.
    EXPECT_LE(f.minutiae.size(), p.minutiae.size() + 4) << "seed " << seed;
  }
}

TEST(Pipeline, RotatedAndShiftedCopiesMatchAndOtherPatternsDoNot) {
  synth::Pattern p = synth::make_pattern(1), q = synth::make_pattern(5);
  std::vector<uint8_t> base = template_of(p, synth::render(p));
  struct Copy {
    double rot, dx, dy;
  } copies[] = {{0, 0, 0}, {0.0, 20, -15}, {0.3, 0, 0}, {-0.45, -12, 18}, {3.14159 / 2, 5, 5}};
  for (const Copy &c : copies) {
    std::vector<uint8_t> t = template_of(p, synth::render(p, c.rot, c.dx, c.dy));
    EXPECT_GE(score(base, t), 72) << "rotation " << c.rot << " shift " << c.dx << "," << c.dy;
    EXPECT_GE(score(t, base), 72) << "reversed, rotation " << c.rot;
  }
  for (unsigned seed : {5u, 6u, 7u, 8u}) {
    synth::Pattern other = synth::make_pattern(seed);
    std::vector<uint8_t> t = template_of(other, synth::render(other));
    EXPECT_LT(score(base, t), 36) << "seed " << seed;
  }
  (void)q;
}

TEST(Pipeline, GroupKeyIsNearForCopiesOfOneFinger) {
  synth::Pattern p = synth::make_pattern(3);
  std::vector<uint8_t> a = template_of(p, synth::render(p)), b = template_of(p, synth::render(p, 0.2, 10, 6));
  EXPECT_LE(std::abs(int(a[1]) - int(b[1])), 8);
}

TEST(Pipeline, RejectsImagesWithoutAPrint) {
  std::vector<uint8_t> flat(200 * 200, 200), t;
  EXPECT_FALSE(ppvbp::extract_template(flat.data(), 200, 200, ppvbp::Settings{}, t, nullptr));
  EXPECT_FALSE(ppvbp::extract_template(flat.data(), 20, 200, ppvbp::Settings{}, t, nullptr));
}

TEST(Calibration, FollowsTheTableAndRisesPastIt) {
  const int n = int(sizeof(ppvbp::prm::kCalibRaw) / sizeof(float));
  for (int i = 0; i < n; ++i)
    EXPECT_EQ(ppvbp::calibrate(ppvbp::prm::kCalibRaw[i]), int(std::lround(ppvbp::prm::kCalibScore[i])));
  // The table is fitted so that 24, 36 and 48 sit where false matches fall
  // to 1%, 0.1% and 0.01%; its points must rise steadily.
  int prev = -1;
  for (float r = 0; r < 20; r += 0.05f) {
    int s = ppvbp::calibrate(r);
    EXPECT_GE(s, prev);
    prev = s;
  }
  EXPECT_GT(ppvbp::calibrate(10.f), 84);
  EXPECT_LE(ppvbp::calibrate(1e9f), 1000);
  EXPECT_EQ(ppvbp::calibrate(-1.f), 0);
}

TEST(Generalize, ThreeShiftedCopiesCombineAndMatchBetter) {
  synth::Pattern p = synth::make_pattern(2);
  std::vector<std::vector<uint8_t>> touches = {template_of(p, synth::render(p, 0, -25, 0)),
                                               template_of(p, synth::render(p, 0.1, 0, 0)),
                                               template_of(p, synth::render(p, 0, 25, 10))};
  std::vector<uint8_t> combined;
  int base = ppvbp::generalize(touches, 36, ppvbp::Settings{}, combined);
  ASSERT_GE(base, 0);
  ASSERT_LE(base, 2);
  ppvbp::Features f;
  ASSERT_TRUE(ppvbp::decode_template(combined.data(), combined.size(), f));
  // A later touch, placed differently again, matches the combination at least
  // as well as the weakest single touch.
  std::vector<uint8_t> later = template_of(p, synth::render(p, -0.2, 10, -20));
  int worst = 1 << 30;
  for (auto &t : touches) worst = std::min(worst, score(t, later));
  EXPECT_GE(score(combined, later), worst);
  EXPECT_GE(score(combined, later), 72);
}

TEST(Generalize, FailsWhenTheTouchesAreDifferentFingers) {
  synth::Pattern a = synth::make_pattern(1), b = synth::make_pattern(6);
  std::vector<std::vector<uint8_t>> touches = {template_of(a, synth::render(a)), template_of(a, synth::render(a, 0.1, 5, 5)),
                                               template_of(b, synth::render(b))};
  std::vector<uint8_t> out;
  EXPECT_LT(ppvbp::generalize(touches, 36, ppvbp::Settings{}, out), 0);
}

}  // namespace
