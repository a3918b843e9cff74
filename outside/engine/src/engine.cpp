// Extraction into templates and the prepared-probe comparator.
#include "engine.h"

#include <algorithm>
#include <cstring>

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

bool CandidateCache::prepare(const uint8_t *tpl, size_t len, Entry &e) const {
  Minutia ms[256];
  FlowView fv{};
  int m = decode_minutiae(tpl, len, ms, 256, &fv);
  if (m < 0) return false;
  e.bytes.assign(tpl, tpl + len);
  e.pts.resize(size_t(m));
  to_points(ms, m, e.pts.data());
  build_edges(e.pts.data(), m, e.edges);
  e.flow_at = size_t(fv.nibbles - tpl);
  e.flow_cols = fv.cols, e.flow_rows = fv.rows;
  return true;
}

const CandidateCache::Entry *CandidateCache::get(const uint8_t *tpl, size_t size) {
  if (!tpl || size < 4) return nullptr;
  // The array may be longer than the template it holds.
  const size_t len = std::min(size, size_t(tpl[2]) | (size_t(tpl[3]) << 8));
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (size_t i = 0; i < len; ++i) h = (h ^ tpl[i]) * 1099511628211ull;
  auto [lo, hi] = index_.equal_range(h);
  for (auto it = lo; it != hi; ++it) {
    const Entry &e = entries_[it->second];
    if (e.bytes.size() == len && std::memcmp(e.bytes.data(), tpl, len) == 0) return &e;
  }
  if (bytes_ >= size_t(prm::kCandidateCacheBytes)) return prepare(tpl, len, spare_) ? &spare_ : nullptr;
  Entry e;
  if (!prepare(tpl, len, e)) return nullptr;
  e.edges.shrink_to_fit();
  bytes_ += sizeof(Entry) + 48 + e.bytes.size() + e.pts.size() * sizeof(MPoint) + e.edges.size() * sizeof(Edge);
  index_.emplace(h, uint32_t(entries_.size()));
  entries_.push_back(std::move(e));
  return &entries_.back();
}

float Comparator::raw(const uint8_t *tpl, size_t size, Alignment *best) {
  if (!ready_) return -1.f;
  const CandidateCache::Entry *e = cache_.get(tpl, size);
  if (!e) return -1.f;
  return compare_edges(probe_, e->pts.data(), int(e->pts.size()), e->edges, e->area(), scratch_, best);
}

int Comparator::score(const uint8_t *tpl, size_t size) {
  float r = raw(tpl, size);
  return r < 0 ? -1 : calibrate(r);
}

}  // namespace ppvbp
