// Plain raster containers used between the extraction stages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ppvbp {

template <typename T>
struct Raster {
  int w = 0, h = 0;
  std::vector<T> px;
  Raster() = default;
  Raster(int w_, int h_, T fill = T()) : w(w_), h(h_), px(size_t(w_) * h_, fill) {}
  T &at(int x, int y) { return px[size_t(y) * w + x]; }
  const T &at(int x, int y) const { return px[size_t(y) * w + x]; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
};

using Grey = Raster<uint8_t>;
using Field = Raster<float>;
using Mask = Raster<uint8_t>;

// Orientation per 8-pixel cell as a doubled-angle vector; the ridge angle is
// atan2(s, c) / 2 and the length is the coherence (0..1).
struct OrientationField {
  int cols = 0, rows = 0;
  std::vector<float> c, s, coherence;
  float angle(int col, int row) const;  // ridge direction, 0..pi
};

}  // namespace ppvbp
