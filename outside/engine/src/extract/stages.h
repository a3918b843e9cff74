// The extraction pipeline, one function per stage, in the order they run.
#pragma once

#include <vector>

#include "../feature_set.h"
#include "../image.h"

namespace ppvbp {

// Segmentation: foreground cells (8 x 8 pixels) by local contrast, then
// refined with the orientation coherence and cleaned morphologically.
Mask segment(const Grey &img);
void refine_mask(Mask &cells, const OrientationField &raw);
bool cell_mask_at(const Mask &cells, int x, int y);
// 4-connected components of value v: sizes, and a label per pixel (-1 elsewhere).
std::vector<int> label_components(const Mask &m, uint8_t v, std::vector<int> &label);

// Orientation field per cell from gradient moments; `raw` keeps the
// unsmoothed field (used by segmentation), the result is smoothed.
OrientationField raw_orientation(const Grey &img);
OrientationField smooth_orientation(const OrientationField &raw, const Mask &cells, float sigma);

// Ridge period per cell in pixels; `median` gets the image's typical period.
Field ridge_period(const Grey &img, const OrientationField &ori, const Mask &cells, float *median);

// Gabor enhancement: signed ridge response per pixel (negative on ridges).
Field enhance(const Grey &img, const OrientationField &ori, const Field &period, const Mask &cells);

// Binarisation: 1 for ridge pixels inside the mask, small blobs and holes removed.
Mask binarise(const Field &response, const Mask &cells);

// Thinning to one-pixel-wide ridges, in place.
void thin(Mask &ridges);

// Minutiae on the skeleton by crossing number, with their ridge directions.
struct Candidate {
  int x, y;
  float angle;  // radians, full turn
  uint8_t kind; // 0 ending, 1 bifurcation
  float quality;
  bool drop = false;
};
std::vector<Candidate> detect_minutiae(const Mask &skeleton, const Mask &cells, const OrientationField &ori);

// Singular points by Poincare index over a strongly smoothed field.
std::vector<SingularPoint> singular_points(const OrientationField &ori, const Mask &cells);

// Filtering: border, breaks, clusters; keeps at most `limit` by quality.
std::vector<Minutia> filter_minutiae(std::vector<Candidate> &cands, const Mask &cells, int limit);

// The whole pipeline. `binarised` (w*h, may be null) receives 0 for ridge and
// 255 elsewhere. False when the image holds no usable fingerprint area.
bool extract_features(const uint8_t *img, int w, int h, int max_minutiae, Features &out, uint8_t *binarised);

}  // namespace ppvbp
