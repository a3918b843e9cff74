// The engine's C++ entry points, below the exported C functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "feature_set.h"
#include "match/matcher.h"

namespace ppvbp {

struct Settings {
  int max_minutiae = 100;
  int groups = 256;
  int identify_threshold = 0;
  int enroll_threshold = -1;  // unset
};

// Grey image -> template (and the binarised image when asked). False when
// the image holds no fingerprint area or the template would not fit.
bool extract_template(const uint8_t *img, int w, int h, const Settings &s, std::vector<uint8_t> &tpl,
                      uint8_t *binarised, Features *features = nullptr);

// Candidates prepared once and kept by their bytes: a search runs through the
// same gallery touch after touch, so decoding and building the edges of each
// template is done the first time only. Bounded; past the bound candidates
// are prepared on every call.
class CandidateCache {
 public:
  struct Entry {
    std::vector<uint8_t> bytes;
    std::vector<MPoint> pts;
    std::vector<Edge> edges;
    size_t flow_at = 0;
    int flow_cols = 0, flow_rows = 0;
    Overlap area() const { return {bytes.data() + flow_at, flow_cols, flow_rows}; }
  };
  // The prepared candidate, or nullptr when the bytes are not a template.
  const Entry *get(const uint8_t *tpl, size_t size);
  size_t memory() const { return bytes_; }

 private:
  bool prepare(const uint8_t *tpl, size_t len, Entry &e) const;
  std::unordered_multimap<uint64_t, uint32_t> index_;
  std::vector<Entry> entries_;
  Entry spare_;  // a candidate prepared past the bound
  size_t bytes_ = 0;
};

// A probe prepared once, compared with many templates.
class Comparator {
 public:
  bool prepare(const uint8_t *tpl, size_t size);
  bool prepared() const { return ready_; }
  // Forgets the probe; the prepared candidates stay for the next search.
  void end() { ready_ = false; }
  // Calibrated score, or -1 when `tpl` is not a template.
  int score(const uint8_t *tpl, size_t size);
  float raw(const uint8_t *tpl, size_t size, Alignment *best = nullptr);
  const Probe &probe() const { return probe_; }

 private:
  Probe probe_;
  Scratch scratch_;
  CandidateCache cache_;
  bool ready_ = false;
};

// Combines touches of one finger; gives the index of the base touch, or -1
// when they do not match each other at `threshold`.
int generalize(const std::vector<std::vector<uint8_t>> &touches, int threshold, const Settings &s,
               std::vector<uint8_t> &out);

}  // namespace ppvbp
