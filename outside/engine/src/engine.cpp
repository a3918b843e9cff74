// Extraction into templates and the prepared-probe comparator.
#include "engine.h"

#include <algorithm>

#include "extract/stages.h"
#include "params.h"
#include "template.h"

namespace ppvbp {

bool extract_template(const uint8_t *img, int w, int h, const Settings &s, std::vector<uint8_t> &tpl,
                      uint8_t *binarised, Features *features) {
  if (!img || w < prm::kMinImageSide || h < prm::kMinImageSide || w > prm::kMaxImageSide || h > prm::kMaxImageSide)
    return false;
  Features f;
  if (!extract_features(img, w, h, s.max_minutiae, f, binarised)) return false;
  f.key = uint8_t(std::min<int>(f.key, s.groups - 1));
  if (features) *features = f;
  return encode_template(f, tpl, size_t(prm::kTemplateCapacity));
}

bool Comparator::prepare(const uint8_t *tpl, size_t size) {
  Features f;
  ready_ = decode_template(tpl, size, f);
  if (ready_) prepare_probe(f, probe_);
  return ready_;
}

float Comparator::raw(const uint8_t *tpl, size_t size, Alignment *best) {
  Minutia ms[256];
  MPoint pts[256];
  FlowView fv{};
  int m = decode_minutiae(tpl, size, ms, 256, &fv);
  if (m < 0 || !ready_) return -1.f;
  to_points(ms, m, pts);
  return compare_raw(probe_, pts, m, Overlap{fv.nibbles, fv.cols, fv.rows}, scratch_, best);
}

int Comparator::score(const uint8_t *tpl, size_t size) {
  float r = raw(tpl, size);
  return r < 0 ? -1 : calibrate(r);
}

}  // namespace ppvbp
