// Singular points: Poincare index of the smoothed field around each cell corner.
#include <cmath>
#include <vector>

#include "../params.h"
#include "stages.h"

namespace ppvbp {

namespace {

constexpr float kPi = 3.14159265f;

float wrap_half(float d) {
  while (d > kPi / 2) d -= kPi;
  while (d <= -kPi / 2) d += kPi;
  return d;
}

struct Hit {
  float x, y;
  int sign;
  int n;
};

}  // namespace

std::vector<SingularPoint> singular_points(const OrientationField &ori, const Mask &cells) {
  // A ring of 12 cells around the corner shared by four cells.
  static const int ring[12][2] = {{-2, -2}, {-1, -2}, {0, -2}, {1, -2}, {1, -1}, {1, 0}, {1, 1},
                                  {0, 1},   {-1, 1},  {-2, 1}, {-2, 0}, {-2, -1}};
  std::vector<Hit> hits;
  for (int r = 2; r < ori.rows - 1; ++r)
    for (int c = 2; c < ori.cols - 1; ++c) {
      bool ok = true;
      for (auto &o : ring) ok &= cells.at(c + o[0], r + o[1]) != 0;
      if (!ok) continue;
      float sum = 0;
      for (int k = 0; k < 12; ++k) {
        const int *a = ring[k], *b = ring[(k + 1) % 12];
        sum += wrap_half(ori.angle(c + b[0], r + b[1]) - ori.angle(c + a[0], r + a[1]));
      }
      int sign = 0;
      if (std::fabs(sum - kPi) < prm::kPoincareTolerance) sign = 1;
      if (std::fabs(sum + kPi) < prm::kPoincareTolerance) sign = -1;
      if (!sign) continue;
      float x = float(c * prm::kCell), y = float(r * prm::kCell);
      bool merged = false;
      for (Hit &h : hits)
        if (h.sign == sign && std::hypot(h.x / h.n - x, h.y / h.n - y) < prm::kSingMergeDistance) {
          h.x += x, h.y += y, ++h.n;
          merged = true;
          break;
        }
      if (!merged) hits.push_back({x, y, sign, 1});
    }
  std::vector<SingularPoint> out;
  std::vector<char> used(hits.size(), 0);
  for (size_t i = 0; i < hits.size(); ++i) {
    if (used[i]) continue;
    float x = hits[i].x / hits[i].n, y = hits[i].y / hits[i].n;
    SingularPoint p{int16_t(std::lround(x)), int16_t(std::lround(y)), hits[i].sign > 0 ? kCore : kDelta, 0};
    if (hits[i].sign > 0)
      for (size_t j = i + 1; j < hits.size(); ++j)
        if (!used[j] && hits[j].sign > 0 && std::hypot(hits[j].x / hits[j].n - x, hits[j].y / hits[j].n - y) < prm::kWhorlDistance) {
          // Two loops facing each other: a whorl centre between them.
          p.x = int16_t(std::lround((x + hits[j].x / hits[j].n) / 2));
          p.y = int16_t(std::lround((y + hits[j].y / hits[j].n) / 2));
          p.kind = kWhorl;
          used[j] = 1;
        }
    if (p.kind == kCore) {
      // The loop opens where the ridges around run radially.
      float vx = 0, vy = 0;
      int c0 = p.x / prm::kCell, r0 = p.y / prm::kCell;
      for (int dr = -3; dr <= 3; ++dr)
        for (int dc = -3; dc <= 3; ++dc) {
          if ((!dr && !dc) || !cells.inside(c0 + dc, r0 + dr) || !cells.at(c0 + dc, r0 + dr)) continue;
          float phi = std::atan2(float(dr), float(dc)), th = ori.angle(c0 + dc, r0 + dr);
          float wgt = std::pow(std::cos(phi - th), 2.f);
          vx += wgt * std::cos(phi), vy += wgt * std::sin(phi);
        }
      p.dir = rad_to_dir(std::atan2(vy, vx));
    }
    out.push_back(p);
    if (int(out.size()) >= prm::kMaxSingular) break;
  }
  return out;
}

}  // namespace ppvbp
