// Binarisation: the sign of the enhanced image, with specks removed.
#include <vector>

#include "../params.h"
#include "stages.h"

namespace ppvbp {

namespace {
constexpr int kSpeck = 24;  // pixels
}

Mask binarise(const Field &response, const Mask &cells) {
  Mask ridges(response.w, response.h, 0);
  for (int y = 0; y < response.h; ++y)
    for (int x = 0; x < response.w; ++x)
      ridges.at(x, y) = cell_mask_at(cells, x, y) && response.at(x, y) < 0.f;
  // Tiny ridge blobs go, tiny valley holes inside ridges are filled.
  std::vector<int> label;
  for (uint8_t v : {uint8_t(1), uint8_t(0)}) {
    std::vector<int> sizes = label_components(ridges, v, label);
    for (size_t i = 0; i < ridges.px.size(); ++i)
      if (label[i] >= 0 && sizes[label[i]] < kSpeck) {
        int x = int(i % ridges.w), y = int(i / ridges.w);
        if (v == 1 || cell_mask_at(cells, x, y)) ridges.px[i] = 1 - v;
      }
  }
  return ridges;
}

}  // namespace ppvbp
