// One touch of a master on a 500 dpi optical reader. Each output pixel looks
// back into the master through the placement (rotation, shift) and a skin
// distortion that is nil where the finger presses hardest and grows towards
// the edges (the finger is dragged and twisted a little around its contact
// centre). Pressure, dryness, contact area, background and sensor noise then
// turn the ridge field into grey.
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "fpsynth/fpsynth.h"
#include "random.h"

namespace fpsynth {

namespace {

float bilinear(const std::vector<float> &f, int w, int h, double x, double y, float outside) {
  if (!(x >= 0 && y >= 0 && x <= w - 1.001 && y <= h - 1.001)) return outside;
  int ix = int(x), iy = int(y);
  float fx = float(x - ix), fy = float(y - iy);
  const float *a = &f[size_t(iy) * w + ix], *b = a + w;
  float top = a[0] + (a[1] - a[0]) * fx, bottom = b[0] + (b[1] - b[0]) * fx;
  return top + (bottom - top) * fy;
}

struct Touch {
  // placement
  double rot, dx, dy, cos_r, sin_r, ox, oy;
  // distortion around the contact centre
  double ccx, ccy, core_r, ramp, tx, ty, a11, a12, a21, a22;
  double wave_amp[2], wave_kx[2], wave_ky[2], wave_ph[2];

  // Master point shown at image pixel (x, y).
  void map(double x, double y, double &px, double &py) const {
    double qx = x - dx, qy = y - dy;
    double x0 = cos_r * qx + sin_r * qy + ox, y0 = -sin_r * qx + cos_r * qy + oy;
    double rx = x0 - ccx, ry = y0 - ccy;
    double g = smoothstep(core_r, core_r + ramp, std::sqrt(rx * rx + ry * ry));
    px = x0 + g * (tx + a11 * rx + a12 * ry);
    py = y0 + g * (ty + a21 * rx + a22 * ry);
    for (int i = 0; i < 2; ++i) {
      double s = wave_amp[i] * std::sin(wave_kx[i] * x0 + wave_ky[i] * y0 + wave_ph[i]);
      px += s * wave_ky[i] * 40;
      py -= s * wave_kx[i] * 40;
    }
  }
};

}  // namespace

Impression impress(const Master &m, uint32_t n, const ImpressionOptions &o) {
  if (o.width < 32 || o.height < 32 || o.width > 2048 || o.height > 2048)
    throw std::invalid_argument("fpsynth: impression must be 32..2048 pixels a side");
  if (m.width < 1 || m.height < 1 || m.ridges.size() != size_t(m.width) * m.height || m.marks.size() != m.ridges.size())
    throw std::invalid_argument("fpsynth: not a master");
  const int w = o.width, h = o.height;
  const double v = std::max(0.0, o.variation);

  Impression out;
  Touch t{};
  Rng pose(m.finger, n, Stream::pose);
  out.rotation = t.rot = std::clamp(pose.normal(0, 0.11) * v, -0.4, 0.4);
  out.dx = t.dx = w / 2.0 + std::clamp(pose.normal(0, 14) * v, -45.0, 45.0);
  out.dy = t.dy = h / 2.0 + std::clamp(pose.normal(0, 14) * v, -45.0, 45.0);
  t.cos_r = std::cos(t.rot);
  t.sin_r = std::sin(t.rot);
  // The image centre falls a little below the cores.
  t.ox = m.cx;
  t.oy = m.cy - 20;

  Rng contact(m.finger, n, Stream::contact);
  const bool partial = o.partial_contact && contact.chance(0.2);
  double ccx = m.cx + contact.normal(0, 10) * v, ccy = m.cy - 10 + contact.normal(0, 10) * v;
  double crx = m.half_width * contact.uniform(0.85, 1.1), cry = m.half_height_top * contact.uniform(0.95, 1.25);
  if (partial) {
    double a = contact.uniform(0, 6.283185307179586), d = contact.uniform(50, 100);
    ccx += d * std::cos(a);
    ccy += d * std::sin(a);
    crx *= 0.75;
    cry *= 0.75;
  }
  SmoothNoise rim(contact, m.width, m.height, 25);

  Rng dist(m.finger, n, Stream::distortion);
  t.ccx = ccx;
  t.ccy = ccy;
  t.core_r = dist.uniform(30, 70);
  t.ramp = dist.uniform(90, 160);
  t.tx = dist.normal(0, 6) * v;
  t.ty = dist.normal(0, 6) * v;
  const double twist = dist.normal(0, 0.05) * v, sx = dist.normal(0, 0.03) * v, sy = dist.normal(0, 0.03) * v,
               shear = dist.normal(0, 0.015) * v;
  t.a11 = sx;
  t.a12 = -twist + shear;
  t.a21 = twist + shear;
  t.a22 = sy;
  for (int i = 0; i < 2; ++i) {
    double a = dist.uniform(0, 6.283185307179586), k = 6.283185307179586 / dist.uniform(160, 320);
    t.wave_kx[i] = k * std::cos(a);
    t.wave_ky[i] = k * std::sin(a);
    t.wave_ph[i] = dist.uniform(0, 6.283185307179586);
    t.wave_amp[i] = dist.normal(0, 0.05) * v;  // times 40 * k: about 1-2 px
  }

  Rng skin(m.finger, n, Stream::skin);
  // Positive: light touch or dry skin, thin broken ridges; negative: heavy
  // touch or wet skin, thick ridges that merge.
  const double tau0 = std::clamp(skin.normal(0.0, 0.2), -0.5, 0.5);
  const double dryness = skin.chance(0.5) ? skin.uniform(0.2, 0.6) : skin.uniform(0, 0.15);
  const double wetness = skin.uniform(0, 0.5);
  const double pores = skin.uniform(0.2, 1.0), edge = skin.uniform(0.05, 0.15);
  SmoothNoise dry(skin, m.width, m.height, 5);
  SmoothNoise ink_var(skin, m.width, m.height, 45);
  SmoothNoise wet(skin, m.width, m.height, 30);

  Rng sensor(m.finger, n, Stream::sensor);
  const bool noisy = o.noise;
  const double bg = sensor.uniform(200, 240), dark = sensor.uniform(5, 50);
  const double gx = noisy ? sensor.normal(0, 0.04) : 0, gy = noisy ? sensor.normal(0, 0.04) : 0;
  const double blotch = noisy ? sensor.uniform(0, 14) : 0, noise_sd = noisy ? sensor.uniform(5, 20) : 0;
  SmoothNoise stain(sensor, w, h, 40);

  std::vector<float> clean(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double px, py;
      t.map(x, y, px, py);
      double back = bg + gx * (x - w / 2.0) + gy * (y - h / 2.0) + blotch * stain.at(x, y);
      double value = back;
      if (m.inside(px, py)) {
        double ex = (px - ccx) / crx, ey = (py - ccy) / cry;
        double e = std::sqrt(ex * ex + ey * ey) + 0.07 * rim.at(px, py);
        double fx = (px - m.cx) / m.half_width,
               fy = (py - m.cy) / (py < m.cy ? m.half_height_top : m.half_height_bottom);
        e = std::max(e, std::sqrt(fx * fx + fy * fy));
        double pressure = smoothstep(1.0, 1.0 - edge, e);
        if (pressure > 0) {
          double r = bilinear(m.ridges, m.width, m.height, px, py, 0.f);
          double mark = 1 - pores * (1 - bilinear(m.marks, m.width, m.height, px, py, 1.f));
          double tau = tau0 + (1 - pressure) * 1.3 + dryness * (dry.at(px, py) + 0.3) -
                       wetness * std::max(0.f, wet.at(px, py));
          double ink = smoothstep(tau - 0.3, tau + 0.3, r) * mark;
          double depth = (back - dark) * (0.8 + 0.12 * pressure + 0.08 * ink_var.at(px, py));
          value = back - depth * ink;
        }
      }
      clean[size_t(y) * w + x] = float(value);
    }

  // Optics: a slight blur, then sensor noise and dust.
  std::vector<float> soft(clean.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int xl = std::max(0, x - 1), xr = std::min(w - 1, x + 1);
      const float *row = &clean[size_t(y) * w];
      soft[size_t(y) * w + x] = 0.25f * row[xl] + 0.5f * row[x] + 0.25f * row[xr];
    }
  for (int y = 0; y < h; ++y) {
    int yu = std::max(0, y - 1), yd = std::min(h - 1, y + 1);
    for (int x = 0; x < w; ++x)
      clean[size_t(y) * w + x] =
          0.25f * soft[size_t(yu) * w + x] + 0.5f * soft[size_t(y) * w + x] + 0.25f * soft[size_t(yd) * w + x];
  }
  if (noisy) {
    const int specks = int(sensor.uniform(0, 40) * w * h / (326.0 * 357));
    for (int i = 0; i < specks; ++i) {
      double sx0 = sensor.uniform(0, w), sy0 = sensor.uniform(0, h), rad = sensor.uniform(0.5, 2.0);
      double level = sensor.uniform(30, 150);
      for (int y = std::max(0, int(sy0 - 3)); y <= std::min(h - 1, int(sy0 + 3)); ++y)
        for (int x = std::max(0, int(sx0 - 3)); x <= std::min(w - 1, int(sx0 + 3)); ++x) {
          double k = smoothstep(rad + 0.5, rad - 0.5, std::hypot(x - sx0, y - sy0));
          float &c = clean[size_t(y) * w + x];
          c = float(c + (std::min<double>(c, level) - c) * k);
        }
    }
  }
  out.image.width = w;
  out.image.height = h;
  out.image.pixels.resize(size_t(w) * h);
  for (size_t i = 0; i < clean.size(); ++i) {
    double g = clean[i];
    if (noisy) {
      // Irwin-Hall: cheap, close to normal, and the same everywhere.
      uint64_t bits = sensor.next();
      double s = 0;
      for (int k = 0; k < 4; ++k) s += double((bits >> (16 * k)) & 0xffff) / 65535.0;
      g += (s - 2) * 1.732 * noise_sd;
    }
    out.image.pixels[i] = uint8_t(std::clamp(std::lround(g), 0l, 255l));
  }

  // Where the cores and deltas landed: invert the map by fixed-point steps.
  for (const Singular &s : m.singular) {
    double x = t.dx + t.cos_r * (s.x - t.ox) - t.sin_r * (s.y - t.oy);
    double y = t.dy + t.sin_r * (s.x - t.ox) + t.cos_r * (s.y - t.oy);
    for (int i = 0; i < 20; ++i) {
      double px, py;
      t.map(x, y, px, py);
      double ex = px - s.x, ey = py - s.y;
      x -= t.cos_r * ex - t.sin_r * ey;
      y -= t.sin_r * ex + t.cos_r * ey;
    }
    out.singular.push_back({s.kind, x, y});
  }
  return out;
}

Image impression(uint32_t finger, uint32_t n, const ImpressionOptions &o, const MasterOptions &mo) {
  return impress(make_master(finger, mo), n, o).image;
}

}  // namespace fpsynth
