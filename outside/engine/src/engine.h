// The engine's C++ entry points, below the exported C functions.
#pragma once

#include <cstddef>
#include <cstdint>
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

// A probe prepared once, compared with many templates.
class Comparator {
 public:
  bool prepare(const uint8_t *tpl, size_t size);
  bool prepared() const { return ready_; }
  // Calibrated score, or -1 when `tpl` is not a template.
  int score(const uint8_t *tpl, size_t size);
  float raw(const uint8_t *tpl, size_t size, Alignment *best = nullptr);
  const Probe &probe() const { return probe_; }

 private:
  Probe probe_;
  Scratch scratch_;
  bool ready_ = false;
};

// Combines touches of one finger; gives the index of the base touch, or -1
// when they do not match each other at `threshold`.
int generalize(const std::vector<std::vector<uint8_t>> &touches, int threshold, const Settings &s,
               std::vector<uint8_t> &out);

}  // namespace ppvbp
