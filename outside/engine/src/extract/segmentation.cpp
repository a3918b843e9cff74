// Segmentation: which 8-pixel cells hold fingerprint.
#include <algorithm>
#include <cmath>
#include <vector>

#include "../params.h"
#include "stages.h"

namespace ppvbp {

namespace {

int cols_of(int w) { return (w + prm::kCell - 1) / prm::kCell; }

// Morphology on the cell grid with a square of the given radius.
Mask dilate(const Mask &m, int r, bool erode) {
  Mask out(m.w, m.h, 0);
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) {
      bool any = false, all = true;
      for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
          int xx = x + dx, yy = y + dy;
          bool v = m.inside(xx, yy) && m.at(xx, yy);
          any |= v;
          all &= v;
        }
      out.at(x, y) = erode ? all : any;
    }
  return out;
}

}  // namespace

// Labels 4-connected components of value `v`; returns labels and sizes.
std::vector<int> label_components(const Mask &m, uint8_t v, std::vector<int> &label) {
  label.assign(m.px.size(), -1);
  std::vector<int> sizes, stack;
  for (int i = 0; i < int(m.px.size()); ++i) {
    if (m.px[i] != v || label[i] >= 0) continue;
    int id = int(sizes.size());
    sizes.push_back(0);
    stack.push_back(i);
    label[i] = id;
    while (!stack.empty()) {
      int p = stack.back();
      stack.pop_back();
      ++sizes[id];
      int x = p % m.w, y = p / m.w;
      const int nx[4] = {x - 1, x + 1, x, x}, ny[4] = {y, y, y - 1, y + 1};
      for (int k = 0; k < 4; ++k) {
        if (!m.inside(nx[k], ny[k])) continue;
        int q = ny[k] * m.w + nx[k];
        if (m.px[q] == v && label[q] < 0) {
          label[q] = id;
          stack.push_back(q);
        }
      }
    }
  }
  return sizes;
}


Mask segment(const Grey &img) {
  const int cols = cols_of(img.w), rows = cols_of(img.h);
  std::vector<float> dev(size_t(cols) * rows, 0.f);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      // 16 x 16 window centred on the cell.
      int x0 = std::max(0, c * prm::kCell - 4), x1 = std::min(img.w, c * prm::kCell + 12);
      int y0 = std::max(0, r * prm::kCell - 4), y1 = std::min(img.h, r * prm::kCell + 12);
      double s = 0, s2 = 0;
      int n = 0;
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
          double v = img.at(x, y);
          s += v;
          s2 += v * v;
          ++n;
        }
      double mean = s / n;
      dev[size_t(r) * cols + c] = float(std::sqrt(std::max(0.0, s2 / n - mean * mean)));
    }
  std::vector<float> sorted = dev;
  size_t k = sorted.size() * 9 / 10;
  std::nth_element(sorted.begin(), sorted.begin() + k, sorted.end());
  float thr = std::max(prm::kSegMinDeviation, prm::kSegContrastFraction * sorted[k]);
  Mask cells(cols, rows, 0);
  for (size_t i = 0; i < dev.size(); ++i) cells.px[i] = dev[i] > thr;
  return cells;
}

void refine_mask(Mask &cells, const OrientationField &raw) {
  for (size_t i = 0; i < cells.px.size(); ++i)
    if (raw.coherence[i] < prm::kSegMinCoherence) cells.px[i] = 0;
  // Close gaps, fill holes, keep the main blobs, then pull the edge in.
  cells = dilate(dilate(cells, prm::kSegCloseRadius, false), prm::kSegCloseRadius, true);
  std::vector<int> label;
  std::vector<int> holes = label_components(cells, 0, label);
  // A background component that does not touch the grid edge is a hole.
  std::vector<char> touches(holes.size(), 0);
  for (int y = 0; y < cells.h; ++y)
    for (int x = 0; x < cells.w; ++x)
      if ((x == 0 || y == 0 || x == cells.w - 1 || y == cells.h - 1) && label[size_t(y) * cells.w + x] >= 0)
        touches[label[size_t(y) * cells.w + x]] = 1;
  for (size_t i = 0; i < cells.px.size(); ++i)
    if (label[i] >= 0 && !touches[label[i]]) cells.px[i] = 1;
  std::vector<int> blobs = label_components(cells, 1, label);
  int biggest = blobs.empty() ? 0 : *std::max_element(blobs.begin(), blobs.end());
  for (size_t i = 0; i < cells.px.size(); ++i)
    if (label[i] >= 0 && blobs[label[i]] * 5 < biggest) cells.px[i] = 0;
  if (prm::kSegErodeCells > 0) cells = dilate(cells, prm::kSegErodeCells, true);
}

bool cell_mask_at(const Mask &cells, int x, int y) {
  if (x < 0 || y < 0) return false;
  int c = x / prm::kCell, r = y / prm::kCell;
  return cells.inside(c, r) && cells.at(c, r);
}

}  // namespace ppvbp
