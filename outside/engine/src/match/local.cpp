// Local structures: each minutia with its nearest neighbours as edges whose
// length and two relative directions do not change with rotation or shift.
#include <algorithm>
#include <cmath>

#include "../params.h"
#include "matcher.h"

namespace ppvbp {

namespace {
inline float wrap(float a) {
  while (a < 0) a += kTwoPi;
  while (a >= kTwoPi) a -= kTwoPi;
  return a;
}
}  // namespace

void to_points(const Minutia *in, int n, MPoint *out) {
  for (int i = 0; i < n; ++i) out[i] = {float(in[i].x), float(in[i].y), dir_to_rad(in[i].dir), in[i].kind};
}

void build_edges(const MPoint *pts, int n, std::vector<Edge> &edges) {
  edges.clear();
  const float lo2 = prm::kEdgeMinLength * prm::kEdgeMinLength, hi2 = prm::kEdgeMaxLength * prm::kEdgeMaxLength;
  constexpr int K = prm::kNeighbours;
  for (int i = 0; i < n; ++i) {
    // Keep the K nearest by insertion into a short sorted list.
    float bd[K];
    int bk[K], cnt = 0;
    for (int k = 0; k < n; ++k) {
      if (k == i) continue;
      float dx = pts[k].x - pts[i].x, dy = pts[k].y - pts[i].y, d2 = dx * dx + dy * dy;
      if (d2 < lo2 || d2 > hi2) continue;
      if (cnt == K && d2 >= bd[K - 1]) continue;
      int pos = cnt < K ? cnt++ : K - 1;
      while (pos > 0 && bd[pos - 1] > d2) {
        bd[pos] = bd[pos - 1];
        bk[pos] = bk[pos - 1];
        --pos;
      }
      bd[pos] = d2;
      bk[pos] = k;
    }
    for (int j = 0; j < cnt; ++j) {
      const MPoint &a = pts[i], &b = pts[bk[j]];
      float e = fast_atan2(b.y - a.y, b.x - a.x);
      const float len = std::sqrt(bd[j]), b1 = wrap(a.a - e), b2 = wrap(b.a - e);
      edges.push_back({uint8_t(i), uint8_t(bk[j]), int16_t(edge_cell(len, b1, b2)), len, b1, b2});
    }
  }
}

int edge_cell(float len, float b1, float b2) {
  constexpr int L = int(prm::kEdgeMaxLength / prm::kEdgeLengthBin) + 2, A = prm::kEdgeAngleBins;
  int l = int(len / prm::kEdgeLengthBin);
  if (l < 0 || l >= L) return -1;
  int a1 = int(b1 / kTwoPi * A) % A, a2 = int(b2 / kTwoPi * A) % A;
  return (l * A + a1) * A + a2;
}

void prepare_probe(const Features &f, Probe &p) {
  p = Probe{};
  p.pts.resize(f.minutiae.size());
  to_points(f.minutiae.data(), int(f.minutiae.size()), p.pts.data());
  build_edges(p.pts.data(), int(p.pts.size()), p.edges);
  // Each edge is filed under its own cell and the neighbouring ones, so a
  // candidate edge needs a single look-up.
  constexpr int L = int(prm::kEdgeMaxLength / prm::kEdgeLengthBin) + 2, A = prm::kEdgeAngleBins;
  const size_t cells = size_t(L) * A * A;
  std::vector<std::vector<uint16_t>> bins(cells);
  for (size_t e = 0; e < p.edges.size(); ++e) {
    const Edge &ed = p.edges[e];
    int l = int(ed.len / prm::kEdgeLengthBin);
    int a1 = int(ed.b1 / kTwoPi * A) % A, a2 = int(ed.b2 / kTwoPi * A) % A;
    for (int dl = -1; dl <= 1; ++dl) {
      int ll = l + dl;
      if (ll < 0 || ll >= L) continue;
      for (int d1 = -1; d1 <= 1; ++d1)
        for (int d2 = -1; d2 <= 1; ++d2)
          bins[(size_t(ll) * A + (a1 + d1 + A) % A) * A + (a2 + d2 + A) % A].push_back(uint16_t(e));
    }
  }
  p.cell_start.assign(cells + 1, 0);
  for (size_t c = 0; c < cells; ++c) p.cell_start[c + 1] = p.cell_start[c] + uint32_t(bins[c].size());
  p.cell_edges.reserve(p.cell_start[cells]);
  for (auto &b : bins)
    for (uint16_t e : b) p.cell_edges.push_back(p.edges[e]);
  // Spatial grid of the points.
  p.width = f.width;
  p.height = f.height;
  p.grid_cols = f.width / prm::kGridCell + 1;
  p.grid_rows = f.height / prm::kGridCell + 1;
  std::vector<std::vector<uint16_t>> g(size_t(p.grid_cols) * p.grid_rows);
  for (size_t i = 0; i < p.pts.size(); ++i) {
    int c = std::clamp(int(p.pts[i].x) / prm::kGridCell, 0, p.grid_cols - 1);
    int r = std::clamp(int(p.pts[i].y) / prm::kGridCell, 0, p.grid_rows - 1);
    g[size_t(r) * p.grid_cols + c].push_back(uint16_t(i));
  }
  p.grid_start.assign(g.size() + 1, 0);
  for (size_t c = 0; c < g.size(); ++c) p.grid_start[c + 1] = uint16_t(p.grid_start[c] + g[c].size());
  for (auto &b : g) p.grid_items.insert(p.grid_items.end(), b.begin(), b.end());
  p.flow_cols = f.flow_cols;
  p.flow_rows = f.flow_rows;
  p.flow = f.flow;
}

}  // namespace ppvbp
