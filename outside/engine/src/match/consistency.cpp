// Global consistency: align the candidate on a root pair and pair every
// minutia that lands near a probe minutia of similar direction. The distance
// tolerance grows away from the root, where skin distortion adds up.
#include <algorithm>
#include <cmath>

#include "../params.h"
#include "matcher.h"

namespace ppvbp {

namespace {
struct Option {
  float cost;
  uint8_t p, c;
  float w;
};

// Pairs every candidate minutia under the transform in `out`; the distance
// tolerance grows with the distance from (cx, cy) in the candidate frame.
void pair_under(const Probe &probe, const MPoint *cand, int m, float cx, float cy, Alignment &out) {
  const float rot = out.rot, cs = std::cos(rot), sn = std::sin(rot);
  thread_local std::vector<Option> opts;
  opts.clear();
  static_assert(prm::kGridCell >= prm::kPairDistTolMax, "one cell around must cover the tolerance");
  const int reach = 1;
  for (int j = 0; j < m; ++j) {
    const MPoint &q = cand[j];
    float x = cs * q.x - sn * q.y + out.tx, y = sn * q.x + cs * q.y + out.ty, a = q.a + rot;
    float r = std::sqrt((q.x - cx) * (q.x - cx) + (q.y - cy) * (q.y - cy));
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
          // Endings and bifurcations swap under pressure, so a mismatch only costs a little.
          float w = (1 - 0.5f * d) * (1 - 0.5f * e) * (p.kind == q.kind ? 1.f : prm::kKindMismatchWeight);
          opts.push_back({d + e, uint8_t(i), uint8_t(j), w});
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

// Least-squares rigid transform of the current pairs; false when too few.
bool fit(const Probe &probe, const MPoint *cand, Alignment &al, float &cx, float &cy) {
  if (al.pairs.size() < 3) return false;
  float px = 0, py = 0, qx = 0, qy = 0;
  for (auto [i, j] : al.pairs) px += probe.pts[i].x, py += probe.pts[i].y, qx += cand[j].x, qy += cand[j].y;
  const float k = 1.f / float(al.pairs.size());
  px *= k, py *= k, qx *= k, qy *= k;
  float sxx = 0, sxy = 0;
  for (auto [i, j] : al.pairs) {
    float ax = cand[j].x - qx, ay = cand[j].y - qy, bx = probe.pts[i].x - px, by = probe.pts[i].y - py;
    sxx += ax * bx + ay * by;
    sxy += ax * by - ay * bx;
  }
  float rot = std::atan2(sxy, sxx);
  // Keep the minutia directions in the picture: a fit that turns far from
  // the root's own rotation is not trusted.
  if (angle_gap(rot, al.rot) > prm::kPairAngleTol) return false;
  al.rot = rot;
  float cs = std::cos(rot), sn = std::sin(rot);
  al.tx = px - (cs * qx - sn * qy);
  al.ty = py - (sn * qx + cs * qy);
  cx = qx, cy = qy;
  return true;
}

}  // namespace

void align_from_root(const Probe &probe, const MPoint *cand, int m, const RootPair &root, Alignment &out) {
  const MPoint &pr = probe.pts[root.p], &cr = cand[root.c];
  const float rot = pr.a - cr.a, cs = std::cos(rot), sn = std::sin(rot);
  out.rot = rot;
  out.tx = pr.x - (cs * cr.x - sn * cr.y);
  out.ty = pr.y - (sn * cr.x + cs * cr.y);
  pair_under(probe, cand, m, cr.x, cr.y, out);
}

void refine_alignment(const Probe &probe, const MPoint *cand, int m, Alignment &out) {
  // A rotation read from one minutia's direction is rough: refit on the pairs.
  for (int it = 0; it < prm::kRefineRounds; ++it) {
    Alignment next = out;
    float cx, cy;
    if (!fit(probe, cand, next, cx, cy)) break;
    pair_under(probe, cand, m, cx, cy, next);
    if (next.weight <= out.weight) break;
    out = std::move(next);
  }
}

}  // namespace ppvbp
