// Enhancement: an even Gabor filter tuned to the local ridge angle and period.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "../params.h"
#include "../match/matcher.h"
#include "stages.h"

namespace ppvbp {

namespace {

constexpr int kSide = 2 * prm::kGaborRadius + 1;
// Kernel rows are stored zero-padded to a multiple of 8 floats so the inner
// loop runs in whole vector registers.
constexpr int kStride = (kSide + 7) / 8 * 8;
constexpr int kPeriodBins = int((prm::kMaxPeriod - prm::kMinPeriod) / prm::kGaborPeriodStep) + 1;

struct Bank {
  std::vector<float> k;  // [period bin][angle][kSide rows of kStride]
  Bank() : k(size_t(kPeriodBins) * prm::kGaborAngles * kSide * kStride, 0.f) {
    for (int pb = 0; pb < kPeriodBins; ++pb) {
      float period = prm::kMinPeriod + pb * prm::kGaborPeriodStep;
      float su = prm::kGaborSigmaAcross * period, sv = prm::kGaborSigmaAlong * period;
      for (int a = 0; a < prm::kGaborAngles; ++a) {
        float th = 3.14159265f * a / prm::kGaborAngles;
        float dx = std::cos(th), dy = std::sin(th);
        float *kk = &k[(size_t(pb) * prm::kGaborAngles + a) * kSide * kStride];
        double sum = 0, wsum = 0;
        for (int y = -prm::kGaborRadius; y <= prm::kGaborRadius; ++y)
          for (int x = -prm::kGaborRadius; x <= prm::kGaborRadius; ++x) {
            float v = x * dx + y * dy;   // along the ridge
            float u = -x * dy + y * dx;  // across
            float env = std::exp(-0.5f * (u * u / (su * su) + v * v / (sv * sv)));
            float val = env * std::cos(6.2831853f * u / period);
            kk[(y + prm::kGaborRadius) * kStride + x + prm::kGaborRadius] = val;
            sum += val;
            wsum += env;
          }
        // No response to flat grey.
        for (int i = 0; i < kSide * kSide; ++i) {
          int x = i % kSide - prm::kGaborRadius, y = i / kSide - prm::kGaborRadius;
          float v = x * dx + y * dy, u = -x * dy + y * dx;
          float env = std::exp(-0.5f * (u * u / (su * su) + v * v / (sv * sv)));
          kk[(i / kSide) * kStride + i % kSide] -= float(sum / wsum) * env;
        }
      }
    }
  }
  const float *get(int pb, int a) const { return &k[(size_t(pb) * prm::kGaborAngles + a) * kSide * kStride]; }
};

typedef float V4 __attribute__((vector_size(16)));
inline V4 load4(const float *p) {
  V4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

const Bank &bank() {
  static const Bank b;
  return b;
}

// Bilinear value of a per-cell quantity at pixel (x, y).
template <typename F>
float cell_lerp(int cols, int rows, float x, float y, F get) {
  float fx = x / prm::kCell - 0.5f, fy = y / prm::kCell - 0.5f;
  int c0 = int(std::floor(fx)), r0 = int(std::floor(fy));
  float ax = fx - c0, ay = fy - r0;
  auto g = [&](int c, int r) {
    c = std::clamp(c, 0, cols - 1);
    r = std::clamp(r, 0, rows - 1);
    return get(size_t(r) * cols + c);
  };
  return (1 - ay) * ((1 - ax) * g(c0, r0) + ax * g(c0 + 1, r0)) + ay * ((1 - ax) * g(c0, r0 + 1) + ax * g(c0 + 1, r0 + 1));
}

}  // namespace

Field enhance(const Grey &img, const OrientationField &ori, const Field &period, const Mask &cells) {
  const Bank &b = bank();
  const int R = prm::kGaborRadius, w = img.w, h = img.h, pw = w + 2 * R + (kStride - kSide);
  std::vector<float> pad(size_t(pw) * (h + 2 * R));
  for (int y = 0; y < h + 2 * R; ++y)
    for (int x = 0; x < pw; ++x)
      pad[size_t(y) * pw + x] = img.at(std::clamp(x - R, 0, w - 1), std::clamp(y - R, 0, h - 1));
  Field out(w, h, 0.f);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (!cell_mask_at(cells, x, y)) continue;
      float c = cell_lerp(ori.cols, ori.rows, float(x), float(y), [&](size_t i) { return ori.c[i]; });
      float s = cell_lerp(ori.cols, ori.rows, float(x), float(y), [&](size_t i) { return ori.s[i]; });
      float p = cell_lerp(period.w, period.h, float(x), float(y), [&](size_t i) { return period.px[i]; });
      float th = 0.5f * fast_atan2(s, c);
      if (th < 0) th += 3.14159265f;
      int a = int(th / 3.14159265f * prm::kGaborAngles + 0.5f) % prm::kGaborAngles;
      int pb = std::clamp(int((p - prm::kMinPeriod) / prm::kGaborPeriodStep + 0.5f), 0, kPeriodBins - 1);
      const float *k = b.get(pb, a);
      // Four lanes at a time (the kernel rows are padded with zeros).
      V4 acc = {0, 0, 0, 0};
      for (int dy = 0; dy < kSide; ++dy) {
        const float *row = &pad[size_t(y + dy) * pw + x];
        const float *kr = k + dy * kStride;
        for (int dx = 0; dx < kStride; dx += 4) acc += load4(kr + dx) * load4(row + dx);
      }
      out.at(x, y) = acc[0] + acc[1] + acc[2] + acc[3];
    }
  return out;
}

}  // namespace ppvbp
