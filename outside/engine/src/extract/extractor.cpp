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

// The part of the image the later stages need: the foreground cells with a
// margin, its corner on the 32-pixel flow grid so flow cells line up.
struct Crop {
  int c0 = 0, r0 = 0, c1 = 0, r1 = 0;  // cells, end exclusive
  int x0() const { return c0 * prm::kCell; }
  int y0() const { return r0 * prm::kCell; }
};

Crop crop_of(const Mask &cells) {
  Crop k{cells.w, cells.h, 0, 0};
  for (int r = 0; r < cells.h; ++r)
    for (int c = 0; c < cells.w; ++c)
      if (cells.at(c, r)) k.c0 = std::min(k.c0, c), k.r0 = std::min(k.r0, r), k.c1 = std::max(k.c1, c + 1), k.r1 = std::max(k.r1, r + 1);
  if (k.c1 == 0) return Crop{0, 0, cells.w, cells.h};
  const int align = kFlowCell / prm::kCell, margin = prm::kCropMarginCells;
  k.c0 = std::max(0, k.c0 - margin) / align * align;
  k.r0 = std::max(0, k.r0 - margin) / align * align;
  k.c1 = std::min(cells.w, k.c1 + margin);
  k.r1 = std::min(cells.h, k.r1 + margin);
  return k;
}

template <typename T>
Raster<T> cut(const Raster<T> &src, int x0, int y0, int w, int h) {
  Raster<T> out(w, h);
  for (int y = 0; y < h; ++y)
    std::copy_n(&src.px[size_t(y + y0) * src.w + x0], w, &out.px[size_t(y) * w]);
  return out;
}

OrientationField cut(const OrientationField &f, const Crop &k) {
  OrientationField o;
  o.cols = k.c1 - k.c0;
  o.rows = k.r1 - k.r0;
  for (auto [dst, src] : {std::pair{&o.c, &f.c}, std::pair{&o.s, &f.s}, std::pair{&o.coherence, &f.coherence}}) {
    dst->resize(size_t(o.cols) * o.rows);
    for (int r = 0; r < o.rows; ++r)
      std::copy_n(&(*src)[size_t(r + k.r0) * f.cols + k.c0], o.cols, &(*dst)[size_t(r) * o.cols]);
  }
  return o;
}

}  // namespace

bool extract_features(const uint8_t *pixels, int w, int h, int max_minutiae, Features &out, uint8_t *binarised) {
  Grey full(w, h);
  std::copy(pixels, pixels + size_t(w) * h, full.px.begin());
  Mask full_cells = segment(full);
  OrientationField full_raw = raw_orientation(full);
  refine_mask(full_cells, full_raw);
  // Everything after segmentation works on the print's own box.
  const Crop k = crop_of(full_cells);
  const int cw = std::min(w - k.x0(), (k.c1 - k.c0) * prm::kCell), ch = std::min(h - k.y0(), (k.r1 - k.r0) * prm::kCell);
  const Grey img = cut(full, k.x0(), k.y0(), cw, ch);
  const Mask cells = cut(full_cells, k.c0, k.r0, k.c1 - k.c0, k.r1 - k.r0);
  const OrientationField raw = cut(full_raw, k);
  OrientationField ori = smooth_orientation(raw, cells, prm::kOriSmoothSigma);
  float median = prm::kDefaultPeriod;
  Field period = ridge_period(img, ori, cells, &median);
  Field response = enhance(img, ori, period, cells);
  Mask ridges = binarise(response, cells);
  if (binarised) {
    std::fill(binarised, binarised + size_t(w) * h, uint8_t(255));
    for (int y = 0; y < ch; ++y)
      for (int x = 0; x < cw; ++x)
        if (ridges.at(x, y)) binarised[size_t(y + k.y0()) * w + x + k.x0()] = 0;
  }
  thin(ridges);
  std::vector<Candidate> cands = detect_minutiae(ridges, cells, ori);
  out = Features{};
  out.width = w;
  out.height = h;
  out.minutiae = filter_minutiae(cands, cells, max_minutiae);
  for (Minutia &m : out.minutiae) m.x = int16_t(m.x + k.x0()), m.y = int16_t(m.y + k.y0());
  out.singular = singular_points(smooth_orientation(raw, cells, prm::kSingSmoothSigma), cells);
  for (SingularPoint &p : out.singular) p.x = int16_t(p.x + k.x0()), p.y = int16_t(p.y + k.y0());
  // The flow map covers the whole image; the box's cells go in at its corner.
  Features part;
  flow_map(ori, cells, part);
  const int per = kFlowCell / prm::kCell;
  out.flow_cols = (full_cells.w + per - 1) / per;
  out.flow_rows = (full_cells.h + per - 1) / per;
  out.flow.assign(size_t(out.flow_cols) * out.flow_rows, kFlowBackground);
  for (int r = 0; r < part.flow_rows; ++r)
    for (int c = 0; c < part.flow_cols; ++c) {
      int fc = c + k.c0 / per, fr = r + k.r0 / per;
      if (fc < out.flow_cols && fr < out.flow_rows) out.flow[size_t(fr) * out.flow_cols + fc] = part.flow[size_t(r) * part.flow_cols + c];
    }
  out.key = uint8_t(std::clamp(int(std::lround((median - prm::kKeyPeriodLow) * prm::kKeyPeriodScale)), 0, 255));
  return std::count(full_cells.px.begin(), full_cells.px.end(), 1) > 0;
}

}  // namespace ppvbp
