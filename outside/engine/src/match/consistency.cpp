// Global consistency: align the candidate on a root pair and pair every
// minutia that lands near a probe minutia of similar direction. The distance
// tolerance grows away from the root, where skin distortion adds up.
#include <algorithm>
#include <cmath>

#include "../params.h"
#include "matcher.h"

namespace ppvbp {

namespace {
constexpr float kTwoPi = 6.28318530718f;
inline float angle_gap(float a, float b) {
  float d = std::fmod(std::fabs(a - b), kTwoPi);
  return d > kTwoPi / 2 ? kTwoPi - d : d;
}
struct Option {
  float cost;
  uint8_t p, c;
  float w;
};
}  // namespace

void align_from_root(const Probe &probe, const MPoint *cand, int m, const RootPair &root, Alignment &out) {
  const MPoint &pr = probe.pts[root.p], &cr = cand[root.c];
  const float rot = pr.a - cr.a, cs = std::cos(rot), sn = std::sin(rot);
  out.rot = rot;
  out.tx = pr.x - (cs * cr.x - sn * cr.y);
  out.ty = pr.y - (sn * cr.x + cs * cr.y);
  thread_local std::vector<Option> opts;
  opts.clear();
  const int reach = int(std::ceil(prm::kPairDistTolMax / prm::kGridCell));
  for (int j = 0; j < m; ++j) {
    const MPoint &q = cand[j];
    float x = cs * q.x - sn * q.y + out.tx, y = sn * q.x + cs * q.y + out.ty, a = q.a + rot;
    float r = std::hypot(q.x - cr.x, q.y - cr.y);
    float tol = std::min(prm::kPairDistTolMax, prm::kPairDistTol + prm::kPairDistTolPerPixel * r);
    int gc = int(std::floor(x / prm::kGridCell)), gr = int(std::floor(y / prm::kGridCell));
    for (int rr = std::max(0, gr - reach); rr <= std::min(probe.grid_rows - 1, gr + reach); ++rr)
      for (int cc = std::max(0, gc - reach); cc <= std::min(probe.grid_cols - 1, gc + reach); ++cc) {
        size_t cell = size_t(rr) * probe.grid_cols + cc;
        for (uint16_t k = probe.grid_start[cell]; k < probe.grid_start[cell + 1]; ++k) {
          int i = probe.grid_items[k];
          const MPoint &p = probe.pts[size_t(i)];
          float dx = p.x - x, dy = p.y - y, d2 = dx * dx + dy * dy;
          if (d2 > tol * tol) continue;
          float da = angle_gap(p.a, a);
          if (da > prm::kPairAngleTol) continue;
          float d = std::sqrt(d2) / tol, e = da / prm::kPairAngleTol;
          opts.push_back({d + e, uint8_t(i), uint8_t(j), (1 - 0.5f * d) * (1 - 0.5f * e)});
        }
      }
  }
  std::sort(opts.begin(), opts.end(), [](const Option &a, const Option &b) { return a.cost < b.cost; });
  uint64_t used_p[4] = {0, 0, 0, 0}, used_c[4] = {0, 0, 0, 0};
  out.pairs.clear();
  out.matched = 0;
  out.weight = 0;
  for (const Option &o : opts) {
    if ((used_p[o.p >> 6] >> (o.p & 63)) & 1 || (used_c[o.c >> 6] >> (o.c & 63)) & 1) continue;
    used_p[o.p >> 6] |= uint64_t(1) << (o.p & 63);
    used_c[o.c >> 6] |= uint64_t(1) << (o.c & 63);
    out.pairs.push_back({o.p, o.c});
    ++out.matched;
    out.weight += o.w;
  }
}

}  // namespace ppvbp
