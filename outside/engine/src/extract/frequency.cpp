// Ridge period: peaks of the grey profile across the ridges in each cell.
#include <algorithm>
#include <cmath>
#include <vector>

#include "../params.h"
#include "stages.h"

namespace ppvbp {

namespace {

// Period from one oriented window, or 0 when the profile shows no clear ridges.
float cell_period(const Grey &img, int cx, int cy, float theta) {
  const int across = prm::kFreqWindowAcross, along = prm::kFreqWindowAlong;
  const float dx = std::cos(theta), dy = std::sin(theta);  // along the ridge
  const float nx = -dy, ny = dx;                           // across
  float prof[prm::kFreqWindowAcross];
  for (int k = 0; k < across; ++k) {
    float off = k - across / 2 + 0.5f, sum = 0;
    int n = 0;
    for (int t = -along / 2; t < along / 2; t += 2) {
      int x = int(std::lround(cx + off * nx + t * dx)), y = int(std::lround(cy + off * ny + t * dy));
      if (!img.inside(x, y)) continue;
      sum += img.at(x, y);
      ++n;
    }
    if (n == 0) return 0.f;
    prof[k] = sum / n;
  }
  float sm[prm::kFreqWindowAcross];
  for (int k = 0; k < across; ++k) {
    float a = prof[std::max(0, k - 1)], b = prof[k], c = prof[std::min(across - 1, k + 1)];
    sm[k] = 0.25f * a + 0.5f * b + 0.25f * c;
  }
  float lo = *std::min_element(sm, sm + across), hi = *std::max_element(sm, sm + across);
  if (hi - lo < 8.f) return 0.f;
  // Valley centres (bright maxima).
  int first = -1, last = -1, peaks = 0;
  for (int k = 1; k < across - 1; ++k)
    if (sm[k] > sm[k - 1] && sm[k] >= sm[k + 1] && sm[k] > lo + 0.5f * (hi - lo)) {
      if (first < 0) first = k;
      last = k;
      ++peaks;
    }
  if (peaks < 2) return 0.f;
  float p = float(last - first) / float(peaks - 1);
  return (p >= prm::kMinPeriod && p <= prm::kMaxPeriod) ? p : 0.f;
}

}  // namespace

Field ridge_period(const Grey &img, const OrientationField &ori, const Mask &cells, float *median) {
  Field per(ori.cols, ori.rows, 0.f);
  std::vector<float> valid;
  for (int r = 0; r < ori.rows; ++r)
    for (int c = 0; c < ori.cols; ++c) {
      if (!cells.at(c, r)) continue;
      float p = cell_period(img, c * prm::kCell + prm::kCell / 2, r * prm::kCell + prm::kCell / 2, ori.angle(c, r));
      per.at(c, r) = p;
      if (p > 0) valid.push_back(p);
    }
  float med = prm::kDefaultPeriod;
  if (valid.size() >= 8) {
    std::nth_element(valid.begin(), valid.begin() + valid.size() / 2, valid.end());
    med = valid[valid.size() / 2];
  }
  if (median) *median = med;
  // Outliers and gaps take the median; then a Gaussian over the cells.
  const float lo = med * (1 - prm::kPeriodSpreadAllowed), hi = med * (1 + prm::kPeriodSpreadAllowed);
  for (float &p : per.px) p = (p >= lo && p <= hi) ? p : med;
  const float sg = prm::kFreqSmoothSigma;
  const int rad = int(std::ceil(sg * 2));
  Field out(per.w, per.h, med);
  for (int r = 0; r < per.h; ++r)
    for (int c = 0; c < per.w; ++c) {
      float acc = 0, wsum = 0;
      for (int dr = -rad; dr <= rad; ++dr)
        for (int dc = -rad; dc <= rad; ++dc) {
          if (!per.inside(c + dc, r + dr)) continue;
          float wgt = std::exp(-0.5f * (dr * dr + dc * dc) / (sg * sg));
          acc += wgt * per.at(c + dc, r + dr);
          wsum += wgt;
        }
      out.at(c, r) = acc / wsum;
    }
  return out;
}

}  // namespace ppvbp
