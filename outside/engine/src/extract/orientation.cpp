// Orientation field: gradient moments per cell, smoothed as doubled angles.
#include <cmath>
#include <vector>

#include "../params.h"
#include "stages.h"

namespace ppvbp {

float OrientationField::angle(int col, int row) const {
  size_t i = size_t(row) * cols + col;
  float a = 0.5f * std::atan2(s[i], c[i]);
  return a < 0 ? a + 3.14159265f : a;
}

OrientationField raw_orientation(const Grey &img) {
  const int w = img.w, h = img.h;
  // Integral images of the gradient moments (Sobel).
  const size_t W = size_t(w) + 1;
  std::vector<double> ixx(W * (h + 1), 0.0), iyy(ixx.size(), 0.0), ixy(ixx.size(), 0.0);
  for (int y = 0; y < h; ++y) {
    double rxx = 0, ryy = 0, rxy = 0;
    for (int x = 0; x < w; ++x) {
      float gx = 0, gy = 0;
      if (x > 0 && y > 0 && x < w - 1 && y < h - 1) {
        const uint8_t *p = &img.px[size_t(y) * w + x];
        int a = p[-w - 1], b = p[-w], c = p[-w + 1], d = p[-1], f = p[1], g = p[w - 1], hh = p[w], i = p[w + 1];
        gx = float((c + 2 * f + i) - (a + 2 * d + g));
        gy = float((g + 2 * hh + i) - (a + 2 * b + c));
      }
      rxx += gx * gx;
      ryy += gy * gy;
      rxy += gx * gy;
      size_t o = (y + 1) * W + x + 1;
      ixx[o] = ixx[o - W] + rxx;
      iyy[o] = iyy[o - W] + ryy;
      ixy[o] = ixy[o - W] + rxy;
    }
  }
  OrientationField f;
  f.cols = (w + prm::kCell - 1) / prm::kCell;
  f.rows = (h + prm::kCell - 1) / prm::kCell;
  f.c.assign(size_t(f.cols) * f.rows, 0.f);
  f.s = f.c;
  f.coherence = f.c;
  const int half = prm::kOriWindow / 2;
  for (int r = 0; r < f.rows; ++r)
    for (int col = 0; col < f.cols; ++col) {
      int cx = col * prm::kCell + prm::kCell / 2, cy = r * prm::kCell + prm::kCell / 2;
      int x0 = std::max(0, cx - half), x1 = std::min(w, cx + half);
      int y0 = std::max(0, cy - half), y1 = std::min(h, cy + half);
      auto box = [&](const std::vector<double> &I) {
        return I[y1 * W + x1] - I[y0 * W + x1] - I[y1 * W + x0] + I[y0 * W + x0];
      };
      double gxx = box(ixx), gyy = box(iyy), gxy = box(ixy);
      double energy = gxx + gyy;
      size_t i = size_t(r) * f.cols + col;
      if (energy <= 1e-6) continue;
      // Ridges run across the gradient: the doubled ridge angle is the
      // doubled gradient angle turned by pi.
      f.c[i] = float(-(gxx - gyy) / energy);
      f.s[i] = float(-2.0 * gxy / energy);
      f.coherence[i] = std::sqrt(f.c[i] * f.c[i] + f.s[i] * f.s[i]);
    }
  return f;
}

OrientationField smooth_orientation(const OrientationField &raw, const Mask &cells, float sigma) {
  OrientationField f = raw;
  const int rad = int(std::ceil(sigma * 2.5f));
  std::vector<float> k(2 * rad + 1);
  for (int i = -rad; i <= rad; ++i) k[i + rad] = std::exp(-0.5f * i * i / (sigma * sigma));
  std::vector<float> c(raw.c.size()), s(raw.s.size()), wt(raw.c.size());
  for (size_t i = 0; i < raw.c.size(); ++i) {
    float m = cells.px[i] ? 1.f : 0.f;
    c[i] = raw.c[i] * m;
    s[i] = raw.s[i] * m;
    wt[i] = m;
  }
  auto pass = [&](std::vector<float> &v, bool horizontal) {
    std::vector<float> out(v.size(), 0.f);
    for (int r = 0; r < f.rows; ++r)
      for (int col = 0; col < f.cols; ++col) {
        float acc = 0;
        for (int d = -rad; d <= rad; ++d) {
          int cc = horizontal ? col + d : col, rr = horizontal ? r : r + d;
          if (cc < 0 || rr < 0 || cc >= f.cols || rr >= f.rows) continue;
          acc += k[d + rad] * v[size_t(rr) * f.cols + cc];
        }
        out[size_t(r) * f.cols + col] = acc;
      }
    v.swap(out);
  };
  for (auto *v : {&c, &s, &wt}) {
    pass(*v, true);
    pass(*v, false);
  }
  for (size_t i = 0; i < c.size(); ++i) {
    float n = wt[i] > 1e-6f ? wt[i] : 1.f;
    f.c[i] = c[i] / n;
    f.s[i] = s[i] / n;
    f.coherence[i] = std::sqrt(f.c[i] * f.c[i] + f.s[i] * f.s[i]);
  }
  return f;
}

}  // namespace ppvbp
