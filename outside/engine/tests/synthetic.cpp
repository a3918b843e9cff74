#include "synthetic.h"

#include <cmath>

namespace synth {

namespace {
// Small deterministic generator, so the tests see the same images everywhere.
struct Lcg {
  uint32_t s;
  double next() {
    s = s * 1664525u + 1013904223u;
    return (s >> 8) / double(1 << 24);
  }
};
}  // namespace

Pattern make_pattern(unsigned seed, int count) {
  Pattern p;
  Lcg r{seed * 2654435761u + 1};
  p.period = 8.5 + r.next() * 1.5;
  p.angle = r.next() * 3.14159;
  const double cx = p.width / 2.0, cy = p.height / 2.0;
  for (int tries = 0; int(p.minutiae.size()) < count && tries < 5000; ++tries) {
    Point q{cx + (r.next() - 0.5) * p.width * 0.6, cy + (r.next() - 0.5) * p.height * 0.65};
    double ex = (q.x - cx) / (p.width * 0.36), ey = (q.y - cy) / (p.height * 0.42);
    if (ex * ex + ey * ey > 1) continue;
    bool far = true;
    for (const Point &o : p.minutiae) far &= std::hypot(o.x - q.x, o.y - q.y) > 38;
    if (!far) continue;
    p.minutiae.push_back(q);
    p.charge.push_back(r.next() < 0.5 ? 1 : -1);
  }
  return p;
}

Point transform(const Pattern &p, Point q, double rot, double dx, double dy) {
  const double cx = p.width / 2.0, cy = p.height / 2.0, c = std::cos(rot), s = std::sin(rot);
  return {cx + c * (q.x - cx) - s * (q.y - cy) + dx, cy + s * (q.x - cx) + c * (q.y - cy) + dy};
}

std::vector<uint8_t> render(const Pattern &p, double rot, double dx, double dy) {
  std::vector<uint8_t> img(size_t(p.width) * p.height);
  const double cx = p.width / 2.0, cy = p.height / 2.0, c = std::cos(rot), s = std::sin(rot);
  const double k = 2 * 3.14159265358979 / p.period, ca = std::cos(p.angle), sa = std::sin(p.angle);
  Lcg noise{7};
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      // Back into the pattern's own frame.
      double ux = x - dx - cx, uy = y - dy - cy;
      double u = cx + c * ux + s * uy, v = cy - s * ux + c * uy;
      double ex = (u - cx) / (p.width * 0.42), ey = (v - cy) / (p.height * 0.47);
      double val = 225;
      if (ex * ex + ey * ey <= 1) {
        double phase = k * (u * ca + v * sa);
        for (size_t i = 0; i < p.minutiae.size(); ++i)
          phase += p.charge[i] * std::atan2(v - p.minutiae[i].y, u - p.minutiae[i].x);
        val = 128 + 100 * std::cos(phase);
      }
      val += (noise.next() - 0.5) * 30;
      img[size_t(y) * p.width + x] = uint8_t(std::lround(std::fmin(255, std::fmax(0, val))));
    }
  return img;
}

}  // namespace synth
