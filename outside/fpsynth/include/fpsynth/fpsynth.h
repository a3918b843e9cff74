// fpsynth: synthetic fingerprints of our own, for tests, demos and scale
// benchmarks. A finger id gives a master fingerprint (orientation model with
// cores and deltas, ridge period map, ridges grown by iterated Gabor
// filtering); an impression number gives one touch of that finger on a
// 500 dpi optical reader (placement, skin distortion, pressure, noise,
// background, partial contact). Everything is deterministic: the same ids
// give the same bytes on every machine. No Qt; plain C++20.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fpsynth {

// 8-bit grey, row by row, 0 black; ridges are dark.
struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
};

enum class Pattern { arch, tented_arch, left_loop, right_loop, whorl };
const char *pattern_name(Pattern p);

struct Singular {
  enum Kind { core, delta } kind;
  double x, y;  // pixels
};

struct MasterOptions {
  int width = 448, height = 512;     // canvas, pixels at 500 dpi (finger about 16 x 22 mm)
  std::optional<Pattern> pattern;    // else drawn from the natural class frequencies
  int iterations = 14;               // Gabor growth rounds
  double seed_density = 2e-4;        // growth seeds per pixel
};

// The whole finger surface, before any touch. `ridges` runs from -1 (valley
// centre) to 1 (ridge centre); `marks` is 1 on skin and less on pores and
// creases, which every impression of the finger shows.
struct Master {
  uint32_t finger = 0;
  int width = 0, height = 0;
  Pattern pattern = Pattern::arch;
  std::vector<Singular> singular;    // canvas coordinates
  double period = 9;                 // typical ridge period, pixels
  double tilt = 0;                   // lean of the pattern, radians
  double cx = 0, cy = 0;             // finger centre
  double half_width = 0, half_height_top = 0, half_height_bottom = 0;
  std::vector<float> ridges, marks;
  bool inside(double x, double y) const;  // on the finger's outline or within
};

// Throws std::invalid_argument for a canvas outside 64..2048 pixels a side or
// fewer than 1 iteration.
Master make_master(uint32_t finger, const MasterOptions &options = {});

struct ImpressionOptions {
  int width = 326, height = 357;  // a U.are.U 4000 image; 32..2048 a side
  double variation = 1;           // scales displacement, rotation and distortion; 0: a still, centred touch
  bool partial_contact = true;    // some touches show only part of the finger
  bool noise = true;              // sensor noise, dust, background texture
};

struct Impression {
  Image image;
  std::vector<Singular> singular;  // where the master's cores and deltas landed (may lie outside)
  double rotation = 0, dx = 0, dy = 0;  // placement of the finger centre: radians, pixels
};

// Touch number `n` (any value; 1, 2, ... by convention) of `master`. Throws
// std::invalid_argument for a size outside 32..2048.
Impression impress(const Master &master, uint32_t n, const ImpressionOptions &options = {});

// Shorthand: the image of touch `n` of finger `finger`.
Image impression(uint32_t finger, uint32_t n, const ImpressionOptions &options = {},
                 const MasterOptions &master_options = {});

// Files: 8-bit grey TIFF (uncompressed, 500 dpi), 8-bit palette BMP (500 dpi),
// or raw pixels without a header.
std::vector<uint8_t> encode_tiff(const Image &image);
std::vector<uint8_t> encode_bmp(const Image &image);
// By the file name's extension: .tif/.tiff, .bmp, .raw. False with a reason
// in `error` for another extension or a file that cannot be written.
bool write_image(const std::string &path, const Image &image, std::string &error);

}  // namespace fpsynth
