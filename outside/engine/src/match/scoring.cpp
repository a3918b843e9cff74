// Scoring: paired minutiae against the minutiae both prints could show, then
// a calibration table that turns the raw value into -12 log10(false match rate).
#include <algorithm>
#include <cmath>

#include "../params.h"
#include "matcher.h"

namespace ppvbp {

namespace {
bool foreground(const uint8_t *nibbles, int cols, int rows, float x, float y) {
  if (x < 0 || y < 0) return false;
  int c = int(x) / kFlowCell, r = int(y) / kFlowCell;
  if (c >= cols || r >= rows) return false;
  size_t i = size_t(r) * cols + c;
  return ((nibbles[i / 2] >> ((i & 1) * 4)) & 15) != kFlowBackground;
}
}  // namespace

float raw_score(const Probe &probe, const MPoint *cand, int m, const Overlap &area, const Alignment &al) {
  if (al.matched == 0) return 0.f;
  const float cs = std::cos(al.rot), sn = std::sin(al.rot);
  int np = 0, nc = 0;
  for (const MPoint &p : probe.pts) {
    float dx = p.x - al.tx, dy = p.y - al.ty;
    np += foreground(area.flow, area.cols, area.rows, cs * dx + sn * dy, -sn * dx + cs * dy);
  }
  // The probe's own flow map is kept unpacked.
  for (int j = 0; j < m; ++j) {
    float x = cs * cand[j].x - sn * cand[j].y + al.tx, y = sn * cand[j].x + cs * cand[j].y + al.ty;
    int c = int(x) / kFlowCell, r = int(y) / kFlowCell;
    if (x >= 0 && y >= 0 && c < probe.flow_cols && r < probe.flow_rows &&
        probe.flow[size_t(r) * probe.flow_cols + c] != kFlowBackground)
      ++nc;
  }
  float a = float(std::max(np, prm::kMinOverlapCount)), b = float(std::max(nc, prm::kMinOverlapCount));
  return al.weight * al.weight / std::sqrt(a * b);
}

int calibrate(float raw) {
  const float *x = prm::kCalibRaw, *t = prm::kCalibScore;
  const int n = int(sizeof(prm::kCalibRaw) / sizeof(float));
  if (raw <= x[0]) return int(t[0]);
  for (int i = 1; i < n; ++i)
    if (raw < x[i]) return int(std::lround(t[i - 1] + (t[i] - t[i - 1]) * (raw - x[i - 1]) / (x[i] - x[i - 1])));
  // Past the table the last slope goes on.
  float slope = (t[n - 1] - t[n - 2]) / (x[n - 1] - x[n - 2]);
  return int(std::min(1000.f, std::round(t[n - 1] + slope * (raw - x[n - 1]))));
}

float compare_raw(const Probe &probe, const MPoint *cand, int m, const Overlap &area, Scratch &s, Alignment *best) {
  if (probe.pts.empty() || m == 0) return 0.f;
  build_edges(cand, m, s.edges);
  find_roots(probe, cand, m, s.edges, s.votes, s.roots);
  float top = 0;
  for (const RootPair &r : s.roots) {
    align_from_root(probe, cand, m, r, s.al);
    float v = raw_score(probe, cand, m, area, s.al);
    if (v > top) {
      top = v;
      if (best) *best = s.al;
    }
  }
  return top;
}

}  // namespace ppvbp
