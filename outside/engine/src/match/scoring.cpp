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

float flow_agreement(const Probe &probe, const Overlap &area, const Alignment &al) {
  // Probe cell centres carried into the candidate frame.
  const float cs = std::cos(al.rot), sn = std::sin(al.rot);
  const float step = 3.14159265f / kFlowLevels;
  int both = 0;
  float agree = 0;
  for (int r = 0; r < probe.flow_rows; ++r)
    for (int c = 0; c < probe.flow_cols; ++c) {
      int pv = probe.flow[size_t(r) * probe.flow_cols + c];
      if (pv == kFlowBackground) continue;
      float x = (c + 0.5f) * kFlowCell - al.tx, y = (r + 0.5f) * kFlowCell - al.ty;
      float u = cs * x + sn * y, v = -sn * x + cs * y;
      if (u < 0 || v < 0) continue;
      int cc = int(u) / kFlowCell, rr = int(v) / kFlowCell;
      if (cc >= area.cols || rr >= area.rows) continue;
      size_t i = size_t(rr) * area.cols + cc;
      int qv = (area.flow[i / 2] >> ((i & 1) * 4)) & 15;
      if (qv == kFlowBackground) continue;
      // Candidate angle turned into the probe frame, compared modulo pi.
      float d = std::fabs(std::remainder(pv * step - (qv * step + al.rot), 3.14159265f));
      ++both;
      agree += std::max(0.f, 1.f - d / prm::kFlowAngleTol);
    }
  return both ? agree / float(both) : 0.f;
}

float raw_score(const Probe &probe, const MPoint *cand, int m, const Overlap &area, const Alignment &al,
                const uint8_t *votes) {
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
  float f = flow_agreement(probe, area, al);
  // Pairs whose neighbourhoods agree as well count fully; lone coincidences less.
  int supported = 0;
  for (auto [i, j] : al.pairs) supported += votes[size_t(i) * m + j] >= prm::kSupportVotes;
  float sup = prm::kUnsupportedShare + (1 - prm::kUnsupportedShare) * float(supported) / float(al.matched);
  return sup * al.weight * al.weight / std::sqrt(a * b) * std::pow(f, prm::kFlowPower);
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
  return compare_edges(probe, cand, m, s.edges, area, s, best);
}

float compare_edges(const Probe &probe, const MPoint *cand, int m, const std::vector<Edge> &edges, const Overlap &area,
                    Scratch &s, Alignment *best) {
  if (probe.pts.empty() || m == 0) return 0.f;
  find_roots(probe, cand, m, edges, s.votes, s.roots);
  // Every root gets a quick pairing; only the strongest few are refined and scored.
  s.found.resize(s.roots.size());
  for (size_t i = 0; i < s.roots.size(); ++i) align_from_root(probe, cand, m, s.roots[i], s.found[i]);
  std::vector<int> order(s.found.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
  const size_t keep = std::min(order.size(), size_t(prm::kScoredAlignments));
  std::partial_sort(order.begin(), order.begin() + keep, order.end(),
                    [&](int a, int b) { return s.found[size_t(a)].weight > s.found[size_t(b)].weight; });
  float top = 0;
  for (size_t k = 0; k < keep; ++k) {
    Alignment &al = s.found[size_t(order[k])];
    if (al.matched < 2) break;
    // Weak alignments are chance agreements: scored as they are, and only
    // the best of them.
    if (al.weight < prm::kRefineMinWeight) {
      if (k > 0) break;
    } else {
      refine_alignment(probe, cand, m, al);
    }
    float v = raw_score(probe, cand, m, area, al, s.votes.data());
    if (v > top) {
      top = v;
      if (best) *best = al;
    }
  }
  return top;
}

}  // namespace ppvbp
