// The master fingerprint: orientation from a zero-pole model of the cores and
// deltas (an arch formula when there are none), a smooth ridge period map, and
// ridges grown from noise by repeated filtering with Gabor kernels tuned to the
// local orientation and period, each round clipped so the pattern saturates
// into ridges and valleys.
#include <algorithm>
#include <cmath>
#include <mutex>
#include <stdexcept>

#include "fpsynth/fpsynth.h"
#include "random.h"

namespace fpsynth {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Gabor kernels, one per orientation bin and period bin, 15 x 15 taps stored
// in rows of 16 so the inner loop vectorises.
constexpr int kRadius = 7, kTaps = 2 * kRadius + 1, kRow = 16;
constexpr int kAngles = 32;
constexpr double kPeriodMin = 6.0, kPeriodStep = 0.25;
constexpr int kPeriods = 29;  // 6 .. 13 pixels

struct KernelBank {
  std::vector<float> taps;  // [angle][period][kTaps][kRow]
  KernelBank() : taps(size_t(kAngles) * kPeriods * kTaps * kRow, 0.f) {
    for (int a = 0; a < kAngles; ++a)
      for (int p = 0; p < kPeriods; ++p) {
        const double theta = kPi * a / kAngles, period = kPeriodMin + kPeriodStep * p;
        // Narrow across the ridges (one period), longer along them: ridges
        // continue smoothly but stay free to split and end.
        const double su = 0.45 * period, sv = 0.55 * period;
        const double nx = -std::sin(theta), ny = std::cos(theta);
        float *k = kernel(a, p);
        double sum = 0, env_sum = 0;
        std::vector<double> env(kTaps * kTaps);
        for (int y = -kRadius; y <= kRadius; ++y)
          for (int x = -kRadius; x <= kRadius; ++x) {
            double u = x * nx + y * ny, v = x * ny - y * nx;
            double e = std::exp(-u * u / (2 * su * su) - v * v / (2 * sv * sv));
            double g = e * std::cos(2 * kPi * u / period);
            env[(y + kRadius) * kTaps + x + kRadius] = e;
            k[(y + kRadius) * kRow + x + kRadius] = float(g);
            sum += g;
            env_sum += e;
          }
        // No response to flat grey, so the pattern cannot drift light or dark.
        double norm = 0;
        for (int i = 0; i < kTaps * kTaps; ++i) {
          float &t = k[(i / kTaps) * kRow + i % kTaps];
          t = float(t - env[i] * sum / env_sum);
          norm += std::fabs(t);
        }
        for (int i = 0; i < kTaps * kRow; ++i) k[i] = float(k[i] / norm * 4);
      }
  }
  float *kernel(int a, int p) { return &taps[(size_t(a) * kPeriods + p) * kTaps * kRow]; }
  const float *kernel(int index) const { return &taps[size_t(index) * kTaps * kRow]; }
};

const KernelBank &kernels() {
  static const KernelBank bank;
  return bank;
}

Pattern draw_pattern(Rng &r) {
  // Class shares of real fingers: loops most common, arches rare.
  double u = r.uniform();
  if (u < 0.037) return Pattern::arch;
  if (u < 0.066) return Pattern::tented_arch;
  if (u < 0.404) return Pattern::left_loop;
  if (u < 0.721) return Pattern::right_loop;
  return Pattern::whorl;
}

void place_singular(Master &m, Rng &r) {
  // Fingers of one class differ widely in where their cores and deltas lie
  // and how the pattern leans; too little spread here makes fingers of one
  // class look alike to a matcher.
  const double cx = m.cx + r.normal(0, 20), cy = m.cy - 40 + r.normal(0, 28);
  auto add = [&](Singular::Kind k, double x, double y) { m.singular.push_back({k, x, y}); };
  switch (m.pattern) {
    case Pattern::arch:
      break;
    case Pattern::tented_arch:
      add(Singular::core, cx, cy);
      add(Singular::delta, cx + r.normal(0, 8), cy + r.uniform(35, 80));
      break;
    case Pattern::left_loop:
    case Pattern::right_loop: {
      double side = m.pattern == Pattern::left_loop ? 1 : -1;
      add(Singular::core, cx - side * r.uniform(-10, 35), cy);
      add(Singular::delta, cx + side * r.uniform(35, 130), cy + r.uniform(60, 165));
      break;
    }
    case Pattern::whorl: {
      double a = r.uniform(-1.2, 1.2), d = r.uniform(4, 30);
      add(Singular::core, cx + d * std::cos(a), cy + d * std::sin(a));
      add(Singular::core, cx - d * std::cos(a), cy - d * std::sin(a));
      double dy = cy + r.uniform(80, 150);
      add(Singular::delta, cx - r.uniform(65, 140), dy + r.normal(0, 20));
      add(Singular::delta, cx + r.uniform(65, 140), dy + r.normal(0, 20));
      break;
    }
  }
  const double c = std::cos(m.tilt), s = std::sin(m.tilt);
  for (Singular &p : m.singular) {
    double dx = p.x - m.cx, dy = p.y - m.cy;
    p.x = m.cx + c * dx - s * dy;
    p.y = m.cy + s * dx + c * dy;
  }
}

// Ridge direction (mod pi) at every pixel.
std::vector<float> orientation(const Master &m, Rng &r) {
  std::vector<float> theta(size_t(m.width) * m.height);
  SmoothNoise wobble(r, m.width, m.height, r.uniform(50, 90));
  const double wobble_amp = r.uniform(0.15, 0.35);
  // Real ridges wiggle on a scale of a few periods too.
  SmoothNoise wiggle(r, m.width, m.height, 20);
  const double wiggle_amp = r.uniform(0.12, 0.25);
  const double c = std::cos(m.tilt), s = std::sin(m.tilt);
  // Arches: ridges bulge upwards over the centre, less towards the bottom.
  const double bulge = r.uniform(35, 70), spread = r.uniform(90, 130);
  for (int y = 0; y < m.height; ++y)
    for (int x = 0; x < m.width; ++x) {
      double t;
      if (m.singular.empty()) {
        double dx = c * (x - m.cx) + s * (y - m.cy), dy = -s * (x - m.cx) + c * (y - m.cy);
        double h = bulge * smoothstep(220, -120, dy);
        double slope = h * 2 * dx / (spread * spread) * std::exp(-dx * dx / (spread * spread));
        t = std::atan(slope) + m.tilt;
      } else {
        t = m.tilt;
        for (const Singular &s : m.singular) {
          double a = std::atan2(y - s.y, x - s.x);
          t += (s.kind == Singular::core ? 0.5 * a : -0.5 * a);
        }
      }
      theta[size_t(y) * m.width + x] = float(t + wobble_amp * wobble.at(x, y) + wiggle_amp * wiggle.at(x, y));
    }
  return theta;
}

// Ridge period at every pixel: a finger's own typical period, varying
// smoothly, a little wider towards the tip above the cores.
std::vector<float> period_map(const Master &m, Rng &r) {
  std::vector<float> period(size_t(m.width) * m.height);
  SmoothNoise var(r, m.width, m.height, 110);
  const double amp = r.uniform(0.03, 0.08), tip = r.uniform(0.3, 1.0);
  double top = m.cy - 40;
  for (const Singular &s : m.singular) top = std::min(top, s.y);
  for (int y = 0; y < m.height; ++y)
    for (int x = 0; x < m.width; ++x)
      period[size_t(y) * m.width + x] =
          float(m.period * (1 + amp * var.at(x, y)) + tip * smoothstep(top, top - 150, y));
  return period;
}

std::vector<float> grow_ridges(const Master &m, const std::vector<float> &theta, const std::vector<float> &period,
                               Rng &r, int iterations, double seed_density) {
  const KernelBank &bank = kernels();
  const int w = m.width, h = m.height, pad = kRadius + 1, pw = w + 2 * pad, ph = h + 2 * pad;
  std::vector<uint16_t> index(size_t(w) * h);
  for (size_t i = 0; i < index.size(); ++i) {
    double t = std::fmod(double(theta[i]), kPi);
    if (t < 0) t += kPi;
    int a = int(std::lround(t / kPi * kAngles)) % kAngles;
    int p = std::clamp(int(std::lround((period[i] - kPeriodMin) / kPeriodStep)), 0, kPeriods - 1);
    index[i] = uint16_t(a * kPeriods + p);
  }
  std::vector<float> cur(size_t(pw) * ph, 0.f), out(size_t(w) * h);
  // Ridges grow outwards from a few seeds; where two growing fronts meet
  // out of step they join through endings and bifurcations.
  const int seeds = std::max(1, int(seed_density * w * h));
  for (int i = 0; i < seeds; ++i) {
    int sx = int(r.uniform(0, w)), sy = int(r.uniform(0, h));
    float value = r.chance(0.5) ? 1.f : -1.f;
    for (int y = std::max(0, sy - 1); y <= std::min(h - 1, sy + 1); ++y)
      for (int x = std::max(0, sx - 1); x <= std::min(w - 1, sx + 1); ++x) cur[size_t(y + pad) * pw + x + pad] = value;
  }

  auto filter = [&] {
    double sq = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const float *k = bank.kernel(index[size_t(y) * w + x]);
        const float *src = &cur[size_t(y + pad - kRadius) * pw + x + pad - kRadius];
        float acc[kRow] = {};
        for (int ky = 0; ky < kTaps; ++ky, src += pw, k += kRow)
          for (int c = 0; c < kRow; ++c) acc[c] += k[c] * src[c];
        float s = 0;
        for (float a : acc) s += a;
        out[size_t(y) * w + x] = s;
        sq += double(s) * s;
      }
    return std::sqrt(sq / (double(w) * h)) + 1e-9;
  };
  for (int it = 0; it < iterations; ++it) {
    double gain = 2.0 / filter();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        cur[size_t(y + pad) * pw + x + pad] = std::clamp(float(out[size_t(y) * w + x] * gain), -1.f, 1.f);
  }
  filter();
  // Divide by the local amplitude so that the field reads like a cosine
  // across the ridges: a threshold on it sets the ridge width.
  std::vector<double> integral(size_t(w + 1) * (h + 1), 0);
  for (int y = 0; y < h; ++y) {
    double row = 0;
    for (int x = 0; x < w; ++x) {
      double v = out[size_t(y) * w + x];
      row += v * v;
      integral[size_t(y + 1) * (w + 1) + x + 1] = integral[size_t(y) * (w + 1) + x + 1] + row;
    }
  }
  std::vector<float> ridges(size_t(w) * h);
  const int R = 6;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int x0 = std::max(0, x - R), x1 = std::min(w, x + R + 1), y0 = std::max(0, y - R), y1 = std::min(h, y + R + 1);
      double s = integral[size_t(y1) * (w + 1) + x1] - integral[size_t(y0) * (w + 1) + x1] -
                 integral[size_t(y1) * (w + 1) + x0] + integral[size_t(y0) * (w + 1) + x0];
      double mean = s / ((x1 - x0) * (y1 - y0));
      ridges[size_t(y) * w + x] = std::clamp(float(out[size_t(y) * w + x] / std::sqrt(2 * mean + 1e-12)), -1.f, 1.f);
    }
  return ridges;
}

// Pores on the ridges and creases across them: the finger's own marks.
std::vector<float> skin_marks(const Master &m, Rng &r) {
  const int w = m.width, h = m.height;
  std::vector<float> marks(size_t(w) * h, 1.f);
  auto dab = [&](double px, double py, double radius, double depth) {
    int x0 = std::max(0, int(px - radius - 1)), x1 = std::min(w - 1, int(px + radius + 1));
    int y0 = std::max(0, int(py - radius - 1)), y1 = std::min(h - 1, int(py + radius + 1));
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        double d = std::hypot(x - px, y - py);
        float v = float(1 - depth * smoothstep(radius + 0.7, radius - 0.7, d));
        marks[size_t(y) * w + x] = std::min(marks[size_t(y) * w + x], v);
      }
  };
  // Sweat pores every 10-20 pixels along a ridge; an optical reader shows
  // the larger ones as gaps across the ridge.
  const int pores = int(w * h * r.uniform(0.012, 0.025));
  for (int i = 0; i < pores; ++i) {
    double x = r.uniform(0, w), y = r.uniform(0, h);
    if (m.ridges[size_t(y) * w + size_t(x)] > 0.6f) dab(x, y, r.uniform(0.7, 1.9), r.uniform(0.5, 1.0));
  }
  const int creases = int(r.uniform(2, 14));
  for (int i = 0; i < creases; ++i) {
    double x = m.cx + r.normal(0, m.half_width * 0.5), y = m.cy + r.uniform(-60, m.half_height_bottom * 0.8);
    double a = r.normal(0, 0.35), len = r.uniform(20, 160), width = r.uniform(0.6, 1.8);
    for (double t = -len / 2; t <= len / 2; t += 0.7) {
      double bend = 0.002 * t * t * (i % 2 ? 1 : -1);
      dab(x + t * std::cos(a) - bend * std::sin(a), y + t * std::sin(a) + bend * std::cos(a), width, 0.95);
    }
  }
  return marks;
}

}  // namespace

const char *pattern_name(Pattern p) {
  switch (p) {
    case Pattern::arch: return "arch";
    case Pattern::tented_arch: return "tented arch";
    case Pattern::left_loop: return "left loop";
    case Pattern::right_loop: return "right loop";
    case Pattern::whorl: return "whorl";
  }
  return "?";
}

bool Master::inside(double x, double y) const {
  double dx = (x - cx) / half_width, dy = (y - cy) / (y < cy ? half_height_top : half_height_bottom);
  return dx * dx + dy * dy <= 1;
}

Master make_master(uint32_t finger, const MasterOptions &o) {
  if (o.width < 64 || o.height < 64 || o.width > 2048 || o.height > 2048)
    throw std::invalid_argument("fpsynth: master canvas must be 64..2048 pixels a side");
  if (o.iterations < 1) throw std::invalid_argument("fpsynth: at least one growth iteration");
  Master m;
  m.finger = finger;
  m.width = o.width;
  m.height = o.height;
  Rng shape(finger, 0, Stream::pattern);
  m.pattern = o.pattern ? *o.pattern : draw_pattern(shape);
  // A fingertip is about 15-19 mm wide; the canvas shows its last 25 mm.
  const double scale = std::min(o.width / 448.0, o.height / 512.0);
  m.half_width = shape.uniform(150, 190) * scale;
  m.half_height_top = m.half_width * shape.uniform(1.15, 1.35);
  m.half_height_bottom = m.half_height_top * 1.6;
  m.cx = o.width / 2.0 + shape.normal(0, 6);
  m.cy = o.height / 2.0 + 10 * scale + shape.normal(0, 6);
  m.tilt = shape.normal(0, 0.3);
  place_singular(m, shape);

  Rng per(finger, 0, Stream::period);
  m.period = per.uniform(8.3, 10.3);
  std::vector<float> theta = orientation(m, per), period = period_map(m, per);
  Rng growth(finger, 0, Stream::growth);
  m.ridges = grow_ridges(m, theta, period, growth, o.iterations, o.seed_density);
  Rng marks(finger, 0, Stream::marks);
  m.marks = skin_marks(m, marks);
  return m;
}

}  // namespace fpsynth
