// libFuzzer target: one input goes through every reader of VBLoadImageFromFile
// (raw, bitmap file, TIFF) and through the bitmap-to-grey conversion.
#include "readers.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // Smaller bounds than the library's, so that huge-but-valid sizes do not
  // stall the run; the code paths are the same.
  vistrel::ReadLimits limits;
  limits.max_pixels = 1u << 22;
  limits.max_unit_bytes = 3u << 22;
  vistrel::MemorySource src(data, size);
  vistrel::GreyImage image;
  vistrel::read_tiff(src, image, limits);
  vistrel::read_raw(src, image, limits);
  bm_handle h = 0;
  if (bm_load_memory(data, size, &h) == BM_OK) {
    vistrel::read_bitmap_file(h, image);
    vistrel::bitmap_to_grey(h, image);
    bm_delete(h);
  }
  return 0;
}
