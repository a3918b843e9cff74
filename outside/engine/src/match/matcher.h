// Matching: local structures (neighbour edges), pairing by edge agreement,
// global consistency around the best root pairs, and a calibrated score.
#pragma once

#include <cstdint>
#include <vector>

#include "../feature_set.h"

namespace ppvbp {

struct MPoint {
  float x, y, a;  // a: radians, full turn
  uint8_t kind;
};

// Local structures: directed edges from each minutia to its nearest neighbours.
struct Edge {
  uint8_t from, to;
  int16_t cell;       // look-up cell of the probe's edge table, -1 out of range
  float len, b1, b2;  // b1, b2: the two directions relative to the edge, 0..2pi
};
void build_edges(const MPoint *pts, int n, std::vector<Edge> &edges);

// The probe, prepared once for many comparisons.
struct Probe {
  std::vector<MPoint> pts;
  std::vector<Edge> edges;
  std::vector<uint32_t> cell_start;  // edge table, CSR: copies of the edges in cell order
  std::vector<Edge> cell_edges;
  int grid_cols = 0, grid_rows = 0;
  std::vector<uint16_t> grid_start, grid_items;  // spatial grid of the points
  int width = 0, height = 0;
  int flow_cols = 0, flow_rows = 0;
  std::vector<uint8_t> flow;
};
void prepare_probe(const Features &f, Probe &p);
int edge_cell(float len, float b1, float b2);  // -1 when out of range

// Pairing: minutia pairs supported by agreeing edges, best first.
struct RootPair {
  uint8_t p, c;
  uint16_t votes;
};
void find_roots(const Probe &probe, const MPoint *cand, int m, const std::vector<Edge> &cedges,
                std::vector<uint8_t> &votes, std::vector<RootPair> &roots);

// Global consistency: the pairs that agree with a root's alignment.
struct Alignment {
  float rot = 0, tx = 0, ty = 0;  // candidate -> probe
  int matched = 0;
  float weight = 0;
  std::vector<std::pair<uint8_t, uint8_t>> pairs;
};
void align_from_root(const Probe &probe, const MPoint *cand, int m, const RootPair &root, Alignment &out);
// Refits the transform on the pairs found and pairs again while that helps.
void refine_alignment(const Probe &probe, const MPoint *cand, int m, Alignment &al);

// Scoring: raw similarity from an alignment and the overlap of the two prints,
// and its calibrated form (threshold t means a false match rate of 10^(-t/12)).
struct Overlap {
  const uint8_t *flow;  // candidate flow nibbles
  int cols, rows;
};
float raw_score(const Probe &probe, const MPoint *cand, int m, const Overlap &cand_area, const Alignment &al,
                const uint8_t *votes);
int calibrate(float raw);

// The whole comparison of a prepared probe with one candidate's features.
struct Scratch {
  std::vector<Edge> edges;
  std::vector<uint8_t> votes;
  std::vector<RootPair> roots;
  std::vector<Alignment> found;
};
float compare_raw(const Probe &probe, const MPoint *cand, int m, const Overlap &area, Scratch &s, Alignment *best = nullptr);
// The same with the candidate's edges already built.
float compare_edges(const Probe &probe, const MPoint *cand, int m, const std::vector<Edge> &edges, const Overlap &area,
                    Scratch &s, Alignment *best = nullptr);

// atan2 to within about 0.01 radians, several times faster than the library's;
// the matcher's tolerances are tens of times wider.
inline float fast_atan2(float y, float x) {
  const float ax = x < 0 ? -x : x, ay = y < 0 ? -y : y;
  if (ax == 0 && ay == 0) return 0.f;
  const float a = (ax < ay ? ax : ay) / (ax > ay ? ax : ay), s = a * a;
  float r = ((-0.0464964749f * s + 0.15931422f) * s - 0.327622764f) * s * a + a;
  if (ay > ax) r = 1.57079637f - r;
  if (x < 0) r = 3.14159274f - r;
  return y < 0 ? -r : r;
}

inline constexpr float kTwoPi = 6.28318530718f;

// Unsigned difference of two angles, 0..pi.
inline float angle_gap(float a, float b) {
  float d = a - b;
  d = d < 0 ? -d : d;
  while (d > kTwoPi) d -= kTwoPi;
  return d > kTwoPi / 2 ? kTwoPi - d : d;
}

// Converts decoded minutiae for matching.
void to_points(const Minutia *in, int n, MPoint *out);

}  // namespace ppvbp
