// Filtering: drop minutiae that come from the border, breaks and noise.
#include <algorithm>
#include <cmath>
#include <vector>

#include "../params.h"
#include "stages.h"

namespace ppvbp {

uint8_t rad_to_dir(float a) {
  float t = a / 6.28318530718f;
  t -= std::floor(t);
  return uint8_t(int(std::lround(t * 256.0f)) & 255);
}

std::vector<Minutia> filter_minutiae(std::vector<Candidate> &cs, const Mask &cells, int limit) {
  const int m = prm::kBorderMargin;
  for (Candidate &c : cs) {
    static const int off[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
    for (auto &o : off)
      if (!cell_mask_at(cells, c.x + o[0] * m, c.y + o[1] * m)) c.drop = true;
  }
  // Pairs that are too close are breaks, bridges or holes: both go.
  const float close2 = prm::kCloseDistance * prm::kCloseDistance;
  const float r2 = float(prm::kClusterRadius * prm::kClusterRadius);
  std::vector<char> kill(cs.size(), 0);
  for (size_t i = 0; i < cs.size(); ++i) {
    int crowd = 0;
    for (size_t j = 0; j < cs.size(); ++j) {
      if (i == j) continue;
      float dx = float(cs[i].x - cs[j].x), dy = float(cs[i].y - cs[j].y), d2 = dx * dx + dy * dy;
      if (d2 < close2) kill[i] = kill[j] = 1;
      if (d2 < r2) ++crowd;
      // Two endings facing each other across a short gap: a broken ridge.
      if (cs[i].kind == 0 && cs[j].kind == 0 && d2 < 4 * close2) {
        float turn = std::cos(cs[i].angle - cs[j].angle);
        if (turn < -0.7f) kill[i] = kill[j] = 1;
      }
    }
    if (crowd >= prm::kClusterMax) kill[i] = 1;
  }
  std::vector<Candidate> keep;
  for (size_t i = 0; i < cs.size(); ++i)
    if (!cs[i].drop && !kill[i]) keep.push_back(cs[i]);
  std::stable_sort(keep.begin(), keep.end(), [](const Candidate &a, const Candidate &b) { return a.quality > b.quality; });
  if (int(keep.size()) > limit) keep.resize(size_t(limit));
  std::vector<Minutia> out;
  for (const Candidate &c : keep)
    out.push_back({int16_t(c.x), int16_t(c.y), rad_to_dir(c.angle), c.kind, uint8_t(c.quality > 0.5f ? 1 : 0)});
  return out;
}

}  // namespace ppvbp
