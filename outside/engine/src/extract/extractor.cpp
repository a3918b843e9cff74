// The extraction pipeline from grey pixels to features.
#include <algorithm>
#include <cmath>

#include "../params.h"
#include "stages.h"

namespace ppvbp {

namespace {

// One value per 32-pixel cell for the template's flow map.
void flow_map(const OrientationField &ori, const Mask &cells, Features &f) {
  const int per = kFlowCell / prm::kCell;
  f.flow_cols = (ori.cols + per - 1) / per;
  f.flow_rows = (ori.rows + per - 1) / per;
  f.flow.assign(size_t(f.flow_cols) * f.flow_rows, kFlowBackground);
  for (int r = 0; r < f.flow_rows; ++r)
    for (int c = 0; c < f.flow_cols; ++c) {
      float vc = 0, vs = 0;
      int in = 0, all = 0;
      for (int dr = 0; dr < per; ++dr)
        for (int dc = 0; dc < per; ++dc) {
          int cc = c * per + dc, rr = r * per + dr;
          if (cc >= ori.cols || rr >= ori.rows) continue;
          ++all;
          size_t i = size_t(rr) * ori.cols + cc;
          if (!cells.px[i]) continue;
          ++in;
          vc += ori.c[i], vs += ori.s[i];
        }
      if (in * 2 < all || in == 0) continue;
      float a = 0.5f * std::atan2(vs, vc);
      if (a < 0) a += 3.14159265f;
      f.flow[size_t(r) * f.flow_cols + c] = uint8_t(int(std::lround(a / 3.14159265f * kFlowLevels)) % kFlowLevels);
    }
}

}  // namespace

bool extract_features(const uint8_t *pixels, int w, int h, int max_minutiae, Features &out, uint8_t *binarised) {
  Grey img(w, h);
  std::copy(pixels, pixels + size_t(w) * h, img.px.begin());
  Mask cells = segment(img);
  OrientationField raw = raw_orientation(img);
  refine_mask(cells, raw);
  OrientationField ori = smooth_orientation(raw, cells, prm::kOriSmoothSigma);
  float median = prm::kDefaultPeriod;
  Field period = ridge_period(img, ori, cells, &median);
  Field response = enhance(img, ori, period, cells);
  Mask ridges = binarise(response, cells);
  if (binarised)
    for (size_t i = 0; i < ridges.px.size(); ++i) binarised[i] = ridges.px[i] ? 0 : 255;
  thin(ridges);
  std::vector<Candidate> cands = detect_minutiae(ridges, cells, ori);
  out = Features{};
  out.width = w;
  out.height = h;
  out.minutiae = filter_minutiae(cands, cells, max_minutiae);
  out.singular = singular_points(smooth_orientation(raw, cells, prm::kSingSmoothSigma), cells);
  flow_map(ori, cells, out);
  out.key = uint8_t(std::clamp(int(std::lround((median - prm::kKeyPeriodLow) * prm::kKeyPeriodScale)), 0, 255));
  return std::count(cells.px.begin(), cells.px.end(), 1) > 0;
}

}  // namespace ppvbp
