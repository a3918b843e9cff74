#include "grey_image.h"

#include <cstdlib>
#include <new>

namespace vistrel {

namespace {

void init_header(PaletteHeader &p) {
  p.header.size = 40;
  p.header.planes = 1;
  p.header.bit_count = 8;
  p.header.compression = BM_RGB;
}

void set_size(PaletteHeader &p, int32_t w, int32_t h, uint32_t stride) {
  p.header.width = w;
  p.header.height = h;
  p.header.size_image = stride * uint32_t(h);
}

} // namespace

GreyImage::GreyImage() {
  init_header(grey_);
  init_header(green_);
  for (int k = 0; k < 256; ++k) {
    grey_.palette[k] = bm_rgbquad{uint8_t(k), uint8_t(k), uint8_t(k), 0};
    // Dark pixels show green, light ones nearly white.
    green_.palette[k] = bm_rgbquad{uint8_t(k), uint8_t(235 + k / 14), uint8_t(k), 0};
  }
}

bool GreyImage::resize(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) width = height = 0;
  if (width == width_ && height == height_) return true;
  pixels_.reset();
  rows_.clear();
  width_ = height_ = 0;
  stride_ = 0;
  bool ok = true;
  if (width) {
    const uint32_t stride = (uint32_t(width) + 3) & ~3u;
    if (uint64_t(stride) * uint64_t(height) > kMaxPixels + 3 * uint64_t(height)) {
      ok = false;
    } else {
      // calloc: large blocks come zeroed from the system without a pass over them.
      pixels_.reset(static_cast<uint8_t *>(std::calloc(size_t(stride) * size_t(height), 1)));
      try {
        if (pixels_) rows_.resize(size_t(height));
      } catch (const std::bad_alloc &) {
        pixels_.reset();
      }
      if (!pixels_) {
        ok = false;
      } else {
        for (int32_t y = 0; y < height; ++y) rows_[size_t(y)] = pixels_.get() + size_t(height - 1 - y) * stride;
        width_ = width;
        height_ = height;
        stride_ = stride;
      }
    }
  }
  set_size(grey_, width_, height_, stride_);
  set_size(green_, width_, height_, stride_);
  return ok;
}

} // namespace vistrel
