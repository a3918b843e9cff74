// Normalising a wide raw image (700 dpi, upside down, white borders) to a
// 500-dpi image.
#pragma once

#include <cstdint>
#include <vector>

namespace lumadrv {

// Image of width x height in `image` (rows width bytes apart); on return the
// first w x h bytes hold the result and width, height are w and h (0 when the
// image is all white).
void normaliseWideRaw(std::vector<uint8_t> &image, int32_t &width, int32_t &height);

} // namespace lumadrv
