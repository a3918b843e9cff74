// What extraction produces and matching consumes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ppvbp {

struct Minutia {
  int16_t x = 0, y = 0;
  uint8_t dir = 0;      // 0..255 over a full turn
  uint8_t kind = 0;     // 0 ending, 1 bifurcation
  uint8_t quality = 0;  // 0..3
};

enum SingularKind : uint8_t { kCore = 1, kWhorl = 2, kDelta = 3 };

struct SingularPoint {
  int16_t x = 0, y = 0;
  uint8_t kind = kCore;
  uint8_t dir = 0;  // 0..255 over a full turn
};

// Coarse ridge-flow map kept in the template: one value per 32-pixel cell,
// 0..14 in steps of 12 degrees, 15 = background.
inline constexpr int kFlowCell = 32;
inline constexpr int kFlowLevels = 15;
inline constexpr uint8_t kFlowBackground = 15;

struct Features {
  int width = 0, height = 0;
  uint8_t key = 0;
  std::vector<Minutia> minutiae;
  std::vector<SingularPoint> singular;
  int flow_cols = 0, flow_rows = 0;
  std::vector<uint8_t> flow;  // flow_cols * flow_rows
};

// Angle helpers for the 256-per-turn unit.
inline float dir_to_rad(uint8_t d) { return d * (6.28318530718f / 256.0f); }
uint8_t rad_to_dir(float a);

}  // namespace ppvbp
