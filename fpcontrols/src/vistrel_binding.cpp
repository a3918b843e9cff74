#include "vistrel_binding.h"

namespace dactilox {

namespace {
// The exports' signatures (greyimage/include/vistrel/vistrel.h), written here
// because the library is bound by name, never linked.
using RescaleVB_fn = int32_t (*)(oa_variant *, int32_t, int32_t, oa_variant, int32_t, int32_t);
using VBImageToHandle_fn = int32_t (*)(int32_t, int32_t, const oa_variant *, bm_handle *, int32_t);
using VBLoadImageFromFile_fn = int32_t (*)(const char *, int32_t *, int32_t *, oa_variant *);
} // namespace

VistrelBinding &VistrelBinding::instance() {
  static VistrelBinding v;
  return v;
}

VistrelBinding::VistrelBinding()
    : m_lib("libvistrel.so", "DACTILOX_VISTREL",
            QStringLiteral("Biblioteca de imagens indisponível: não foi possível carregar %1%2"),
            QStringLiteral("Biblioteca de imagens incompleta: a função %1 não existe em %2")) {}

void VistrelBinding::reset() {
  m_lib.reset();
  m_fn.fill(nullptr);
}

#define VISTREL_CALL(fn, idx, ...)                                 \
  auto f = reinterpret_cast<fn##_fn>(m_lib.symbol(#fn, &m_fn[idx])); \
  if (!f) return std::nullopt;                                     \
  return f(__VA_ARGS__)

std::optional<int32_t> VistrelBinding::rescaleVB(oa_variant *result, int32_t newWidth, int32_t newHeight,
                                                 const oa_variant &source, int32_t width, int32_t height) {
  VISTREL_CALL(RescaleVB, kRescaleVB, result, newWidth, newHeight, source, width, height);
}
std::optional<int32_t> VistrelBinding::imageToHandle(int32_t width, int32_t height, const oa_variant *image,
                                                     bm_handle *handle, int32_t palette) {
  VISTREL_CALL(VBImageToHandle, kImageToHandle, width, height, image, handle, palette);
}
std::optional<int32_t> VistrelBinding::loadImageFromFile(const char *path, int32_t *width, int32_t *height,
                                                         oa_variant *image) {
  VISTREL_CALL(VBLoadImageFromFile, kLoadImageFromFile, path, width, height, image);
}

#undef VISTREL_CALL

} // namespace dactilox
