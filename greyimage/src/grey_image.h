// The library's raster: bottom row first in memory, like a bottom-up 8-bit
// bitmap, with a row table giving the rows top first.
#pragma once

#include "bitmap/bitmap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace vistrel {

// Largest image any call makes: 2^28 pixels.
constexpr uint64_t kMaxPixels = BM_MAX_PIXELS;

// An information header and its 256 palette entries (1,064 bytes in a file).
struct PaletteHeader {
  bm_header header{};
  bm_rgbquad palette[256]{};
};

class GreyImage {
public:
  GreyImage();
  GreyImage(const GreyImage &) = delete;
  GreyImage &operator=(const GreyImage &) = delete;

  // Unchanged size keeps the pixels; otherwise new zeroed pixels. A size of 0
  // or less in either direction empties the image. False (and empty) when the
  // size is too large or memory runs out.
  bool resize(int32_t width, int32_t height);
  void clear() { resize(0, 0); }

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  uint32_t stride() const { return stride_; }
  bool empty() const { return width_ == 0; }
  // Row y, 0 = top.
  uint8_t *row(int32_t y) { return rows_[size_t(y)]; }
  const uint8_t *row(int32_t y) const { return rows_[size_t(y)]; }
  // height × stride bytes, bottom row first.
  const uint8_t *buffer() const { return pixels_.get(); }
  size_t buffer_size() const { return size_t(stride_) * size_t(height_); }

  const PaletteHeader &grey_header() const { return grey_; }
  const PaletteHeader &green_header() const { return green_; }

private:
  int32_t width_ = 0, height_ = 0;
  uint32_t stride_ = 0;
  struct Free {
    void operator()(uint8_t *p) const { std::free(p); }
  };
  std::unique_ptr<uint8_t, Free> pixels_;
  std::vector<uint8_t *> rows_;
  PaletteHeader grey_, green_;
};

// Bilinear resize in thousandths of a source pixel (the `Rescale` export).
void rescale(uint8_t *dst, int32_t dst_w, int32_t dst_h, const uint8_t *src, int32_t src_w, int32_t src_h);

} // namespace vistrel
