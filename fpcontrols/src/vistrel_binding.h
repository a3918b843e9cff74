// The grey image library Vistrel (libvistrel.so), bound as BoundLibrary says
// ($DACTILOX_VISTREL names another file). A missing library or function makes
// the call return nothing (std::nullopt); the pictures then show nothing.
#ifndef DACTILOX_VISTREL_BINDING_H
#define DACTILOX_VISTREL_BINDING_H

#include "bound_library.h"

#include "bitmap/bitmap.h"
#include "oleauto/oleauto.h"

#include <array>
#include <cstdint>
#include <optional>

namespace dactilox {

class VistrelBinding {
public:
  static VistrelBinding &instance();
  std::vector<std::string> candidatePaths() const { return m_lib.candidatePaths(); }
  void reset();
  QString lastError() const { return m_lib.lastError(); }

  std::optional<int32_t> rescaleVB(oa_variant *result, int32_t newWidth, int32_t newHeight, const oa_variant &source,
                                   int32_t width, int32_t height);
  std::optional<int32_t> imageToHandle(int32_t width, int32_t height, const oa_variant *image, bm_handle *handle,
                                       int32_t palette);
  std::optional<int32_t> loadImageFromFile(const char *path, int32_t *width, int32_t *height, oa_variant *image);

private:
  VistrelBinding();
  BoundLibrary m_lib;
  enum Fn { kRescaleVB, kImageToHandle, kLoadImageFromFile, kCount };
  std::array<void *, kCount> m_fn{};
};

inline VistrelBinding &vistrel() { return VistrelBinding::instance(); }

} // namespace dactilox

#endif
