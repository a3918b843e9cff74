#include "readers.h"

namespace vistrel {

namespace {

int32_t le32(const uint8_t *p) {
  return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

} // namespace

// 20-byte header (three unused integers, height, width), the rows top first
// without padding, then a trailing integer that may be missing.
bool read_raw(ByteSource &src, GreyImage &image, const ReadLimits &limits) {
  image.clear();
  uint8_t head[20];
  if (!src.read(0, head, sizeof head)) return false;
  const int32_t height = le32(head + 12), width = le32(head + 16);
  if (width < 0 || height < 0) return false;
  const uint64_t pixels = uint64_t(width) * uint64_t(height);
  // Rows the file cannot hold would end in a short read anyway; refuse them
  // before allocating.
  if (pixels > limits.max_pixels || pixels > src.size() - sizeof head) return false;
  if (!image.resize(width, height)) return false;
  for (int32_t y = 0; y < image.height(); ++y) {
    if (!src.read(sizeof head + uint64_t(y) * uint64_t(width), image.row(y), size_t(width))) {
      image.clear();
      return false;
    }
  }
  return true;
}

} // namespace vistrel
