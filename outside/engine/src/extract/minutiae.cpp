// Minutiae: crossing number on the skeleton; directions by tracing the ridge.
#include <cmath>
#include <vector>

#include "../params.h"
#include "stages.h"

namespace ppvbp {

namespace {

const int kDx[8] = {0, 1, 1, 1, 0, -1, -1, -1};
const int kDy[8] = {-1, -1, 0, 1, 1, 1, 0, -1};

int crossing(const Mask &s, int x, int y) {
  int a = 0;
  for (int k = 0; k < 8; ++k) {
    int u = s.at(x + kDx[k], y + kDy[k]), v = s.at(x + kDx[(k + 1) & 7], y + kDy[(k + 1) & 7]);
    a += u != v;
  }
  return a / 2;
}

struct Trace {
  int x, y;       // where the walk stopped
  int steps;
  bool hit;       // stopped at another minutia
  int hit_kind;   // 1 ending, 3 bifurcation
};

// Walks along the skeleton from (x0, y0) through its neighbour (x1, y1).
Trace walk(const Mask &s, int x0, int y0, int x1, int y1, int max_steps) {
  int px = x0, py = y0, cx = x1, cy = y1;
  int seen_x[64], seen_y[64], nseen = 0;
  seen_x[nseen] = x0, seen_y[nseen++] = y0;
  for (int step = 1; step <= max_steps; ++step) {
    if (cx <= 0 || cy <= 0 || cx >= s.w - 1 || cy >= s.h - 1) return {cx, cy, step, false, 0};
    int cn = crossing(s, cx, cy);
    if (cn != 2) return {cx, cy, step, true, cn};
    if (nseen < 64) seen_x[nseen] = cx, seen_y[nseen++] = cy;
    int nx = -1, ny = -1, count = 0;
    for (int k = 0; k < 8; ++k) {
      int qx = cx + kDx[k], qy = cy + kDy[k];
      if (!s.at(qx, qy)) continue;
      bool old = false;
      for (int i = 0; i < nseen; ++i) old |= (seen_x[i] == qx && seen_y[i] == qy);
      // A neighbour that also touches the previous pixel is the corner of a
      // staircase, not a way forward.
      if (old || (std::abs(qx - px) <= 1 && std::abs(qy - py) <= 1)) continue;
      // Prefer straight steps over diagonals when both are offered.
      if (count == 0 || (k % 2 == 0 && (nx - cx) != 0 && (ny - cy) != 0)) nx = qx, ny = qy;
      ++count;
    }
    if (count == 0) return {cx, cy, step, false, 0};
    px = cx, py = cy, cx = nx, cy = ny;
  }
  return {cx, cy, max_steps, false, 0};
}

}  // namespace

std::vector<Candidate> detect_minutiae(const Mask &s, const Mask &cells, const OrientationField &ori) {
  std::vector<Candidate> out;
  for (int y = 1; y < s.h - 1; ++y)
    for (int x = 1; x < s.w - 1; ++x) {
      if (!s.at(x, y) || !cell_mask_at(cells, x, y)) continue;
      int cn = crossing(s, x, y);
      if (cn != 1 && cn != 3) continue;
      // One start pixel per branch: the first set pixel of each run.
      int sx[4], sy[4], nb = 0;
      for (int k = 0; k < 8 && nb < 4; ++k) {
        int prev = (k + 7) & 7;
        if (s.at(x + kDx[k], y + kDy[k]) && !s.at(x + kDx[prev], y + kDy[prev])) {
          // Within a run prefer the 4-neighbour.
          int kk = k;
          int next = (k + 1) & 7;
          if (k % 2 == 1 && s.at(x + kDx[next], y + kDy[next])) kk = next;
          sx[nb] = x + kDx[kk], sy[nb++] = y + kDy[kk];
        }
      }
      if ((cn == 1 && nb != 1) || (cn == 3 && nb != 3)) continue;
      Trace t[3];
      for (int b = 0; b < nb; ++b) t[b] = walk(s, x, y, sx[b], sy[b], prm::kTraceLength);
      Candidate c{x, y, 0.f, uint8_t(cn == 3), 1.f};
      if (cn == 1) {
        // Points into the ridge body.
        c.angle = std::atan2(float(t[0].y - y), float(t[0].x - x));
        if (t[0].hit && t[0].steps < prm::kSpurLength) c.drop = true;
      } else {
        float a[3];
        for (int b = 0; b < 3; ++b) a[b] = std::atan2(float(t[b].y - y), float(t[b].x - x));
        // The stem is the branch farthest in angle from the other two.
        int stem = 0;
        float best = -1;
        for (int b = 0; b < 3; ++b) {
          float d = 0;
          for (int o = 0; o < 3; ++o)
            if (o != b) d += 1 - std::cos(a[b] - a[o]);
          if (d > best) best = d, stem = b;
        }
        c.angle = a[stem] + 3.14159265f;
        for (int b = 0; b < 3; ++b)
          if (t[b].hit && t[b].steps < prm::kSpurLength) c.drop = true;
      }
      int col = x / prm::kCell, row = y / prm::kCell;
      c.quality = ori.coherence[size_t(row) * ori.cols + col];
      // The traced direction is coarse; the smoothed field gives the line, the
      // trace only which way along it.
      float th = ori.angle(col, row);
      float back = th + 3.14159265f;
      c.angle = std::cos(c.angle - th) >= std::cos(c.angle - back) ? th : back;
      out.push_back(c);
    }
  return out;
}

}  // namespace ppvbp
