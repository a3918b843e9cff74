// Pairing: a probe edge and a candidate edge that agree in length and in both
// relative directions vote for the two minutia pairs at their ends.
#include <algorithm>
#include <cmath>

#include "../params.h"
#include "matcher.h"

namespace ppvbp {

void find_roots(const Probe &probe, const MPoint *cand, int m, const std::vector<Edge> &cedges,
                std::vector<uint8_t> &votes, std::vector<RootPair> &roots) {
  (void)cand;
  const int n = int(probe.pts.size());
  votes.assign(size_t(n) * m, 0);
  roots.clear();
  for (const Edge &ce : cedges) {
    const int cell = ce.cell;
    if (cell < 0) continue;
    const float tol = std::max(prm::kEdgeLengthTol, prm::kEdgeLengthTolRel * ce.len);
    for (uint32_t k = probe.cell_start[size_t(cell)]; k < probe.cell_start[size_t(cell) + 1]; ++k) {
      const Edge &pe = probe.cell_edges[k];
      if (std::fabs(pe.len - ce.len) > tol || angle_gap(pe.b1, ce.b1) > prm::kEdgeAngleTol ||
          angle_gap(pe.b2, ce.b2) > prm::kEdgeAngleTol)
        continue;
      // A byte holds the count; it stops at 255, far above any root's need.
      uint8_t &a = votes[size_t(pe.from) * m + ce.from], &b = votes[size_t(pe.to) * m + ce.to];
      a = uint8_t(a + (a < 255));
      b = uint8_t(b + (b < 255));
    }
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < m; ++j) {
      uint8_t v = votes[size_t(i) * m + j];
      if (v >= prm::kMinVotes) roots.push_back({uint8_t(i), uint8_t(j), v});
    }
  auto better = [](const RootPair &a, const RootPair &b) { return a.votes > b.votes; };
  if (int(roots.size()) > prm::kRoots) {
    std::partial_sort(roots.begin(), roots.begin() + prm::kRoots, roots.end(), better);
    roots.resize(prm::kRoots);
  } else {
    std::sort(roots.begin(), roots.end(), better);
  }
}

}  // namespace ppvbp
