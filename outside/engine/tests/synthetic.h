// Synthetic fingerprints for the tests: a ridge pattern drawn from a phase
// field, cos(2 pi / period * (x cos a + y sin a) + sum of +-atan2 spirals);
// every spiral centre is a minutia at a known place. Copies are drawn from
// the same field under a rotation and shift, so they are exact.
#pragma once

#include <cstdint>
#include <vector>

namespace synth {

struct Point {
  double x, y;
};

struct Pattern {
  int width = 320, height = 320;
  double period = 9.0, angle = 0.6;
  std::vector<Point> minutiae;  // spiral centres
  std::vector<int> charge;      // +1 or -1
};

// A pattern with `count` minutiae spread over the print, from a seed.
Pattern make_pattern(unsigned seed, int count = 12);

// Renders the pattern turned by `rotation` radians about the image centre and
// shifted by (dx, dy); pixels outside the elliptic print are light background.
std::vector<uint8_t> render(const Pattern &p, double rotation = 0, double dx = 0, double dy = 0);

// Where a pattern point lands in such a copy.
Point transform(const Pattern &p, Point q, double rotation, double dx, double dy);

}  // namespace synth
