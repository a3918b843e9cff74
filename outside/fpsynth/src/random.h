// Deterministic random numbers: every value depends only on the ids given,
// never on the standard library's distributions (which differ between
// implementations).
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace fpsynth {

inline uint64_t mix64(uint64_t z) {
  z += 0x9e3779b97f4a7c15ull;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

// Streams keep the parts of a print independent: changing how many numbers
// one stage draws does not reshuffle the others.
enum class Stream : uint64_t { pattern = 1, period, growth, marks, pose, distortion, contact, skin, sensor };

class Rng {
 public:
  Rng(uint64_t finger, uint64_t impression, Stream stream)
      : s_(mix64(mix64(finger * 0x2545f4914f6cdd1dull + 17) ^ mix64(impression + 0x51ed2701ull) ^
                 (uint64_t(stream) << 56))) {}
  uint64_t next() { return mix64(s_ += 0x9e3779b97f4a7c15ull); }
  double uniform() { return double(next() >> 11) * 0x1.0p-53; }
  double uniform(double a, double b) { return a + (b - a) * uniform(); }
  // Box-Muller with our own uniforms.
  double normal() {
    double u = uniform(), v = uniform();
    return std::sqrt(-2 * std::log(1 - u)) * std::cos(6.283185307179586 * v);
  }
  double normal(double mean, double sd) { return mean + sd * normal(); }
  bool chance(double p) { return uniform() < p; }

 private:
  uint64_t s_;
};

// Smooth random values on a coarse grid, interpolated with smoothstep weights:
// blotches, pressure and period variation.
class SmoothNoise {
 public:
  SmoothNoise(Rng &rng, int width, int height, double cell) : cell_(cell) {
    cols_ = int(width / cell) + 3;
    rows_ = int(height / cell) + 3;
    v_.resize(size_t(cols_) * rows_);
    for (float &x : v_) x = float(rng.uniform(-1, 1));
  }
  // -1..1
  float at(double x, double y) const {
    double gx = x / cell_ + 1, gy = y / cell_ + 1;
    if (gx < 0) gx = 0;
    if (gy < 0) gy = 0;
    if (gx > cols_ - 2) gx = cols_ - 2;
    if (gy > rows_ - 2) gy = rows_ - 2;
    int ix = int(gx), iy = int(gy);
    if (ix > cols_ - 2) ix = cols_ - 2;
    if (iy > rows_ - 2) iy = rows_ - 2;
    double fx = gx - ix, fy = gy - iy;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    const float *r0 = &v_[size_t(iy) * cols_ + ix], *r1 = r0 + cols_;
    double top = r0[0] + (r0[1] - r0[0]) * fx, bottom = r1[0] + (r1[1] - r1[0]) * fx;
    return float(top + (bottom - top) * fy);
  }

 private:
  double cell_;
  int cols_, rows_;
  std::vector<float> v_;
};

inline double smoothstep(double e0, double e1, double x) {
  double t = (x - e0) / (e1 - e0);
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  return t * t * (3 - 2 * t);
}

}  // namespace fpsynth
