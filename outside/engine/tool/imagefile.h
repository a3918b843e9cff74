// A small reader for the fingerprint image files the tool is given: TIFF
// (8-bit grey, palette or RGB; uncompressed, LZW or PackBits) and Windows
// bitmaps (8-bit palette, 24 or 32 bit, uncompressed). Grey out, 0 black.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fptool {

struct GreyImage {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
};

// From bytes in memory; false with a reason in `error` for anything else.
bool decode_image(const uint8_t *data, size_t size, GreyImage &out, std::string &error);
bool load_image(const std::string &path, GreyImage &out, std::string &error);

inline constexpr int kMaxSide = 16384;

}  // namespace fptool
