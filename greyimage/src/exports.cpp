// The five functions callers bind by name.
#include "vistrel/vistrel.h"

#include "grey_image.h"
#include "readers.h"

#include <cstring>

using vistrel::GreyImage;

namespace {

// The array of a variant that passes the byte-array test: the array flag and
// at least one of the bits 0x10 and 0x01 in its kind, reached through the
// reference when the kind has the by-reference flag. Null otherwise.
oa_array *byte_array(const oa_variant *v) {
  if (!v || !(v->kind & OA_ARRAY) || !(v->kind & 0x11)) return nullptr;
  if (v->kind & OA_BYREF) return v->v.p_array ? *v->v.p_array : nullptr;
  return v->v.array;
}

// Whether a locked array holds at least width × height bytes (sizes of 0 or
// less need none).
bool holds(const oa_array *a, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return true;
  return uint64_t(a->count) * a->elem_size >= uint64_t(width) * uint64_t(height);
}

// Writes width and height, then a new byte array of the image's pixels, top
// row first, into the variant.
int32_t deliver(const GreyImage &img, int32_t *width, int32_t *height, oa_variant *image) {
  *width = img.width();
  *height = img.height();
  if (oa_variant_clear(image) != OA_OK) return VISTREL_FAILED;
  const uint64_t n = uint64_t(img.width()) * uint64_t(img.height());
  oa_array *a = oa_array_create(OA_UI1, 0, uint32_t(n));
  if (!a) return VISTREL_FAILED;
  void *data = nullptr;
  if (oa_array_access(a, &data) != OA_OK) {
    oa_array_destroy(a);
    return VISTREL_FAILED;
  }
  auto *out = static_cast<uint8_t *>(data);
  for (int32_t y = 0; y < img.height(); ++y)
    std::memcpy(out + size_t(y) * size_t(img.width()), img.row(y), size_t(img.width()));
  oa_array_unaccess(a);
  if (oa_variant_set_array(image, a) != OA_OK) {
    oa_array_destroy(a);
    return VISTREL_FAILED;
  }
  return VISTREL_OK;
}

} // namespace

extern "C" {

VISTREL_EXPORT void Rescale(uint8_t *dst, int32_t dst_w, int32_t dst_h, const uint8_t *src, int32_t src_w,
                            int32_t src_h) {
  vistrel::rescale(dst, dst_w, dst_h, src, src_w, src_h);
}

VISTREL_EXPORT int32_t RescaleVB(oa_variant *result, int32_t new_w, int32_t new_h, oa_variant source,
                                 int32_t src_w, int32_t src_h) {
  oa_array *src = byte_array(&source);
  if (!src || !result) return VISTREL_FAILED;
  void *src_data = nullptr;
  if (oa_array_access(src, &src_data) != OA_OK) return VISTREL_FAILED;
  int32_t rc = VISTREL_FAILED;
  oa_array *dst = nullptr;
  void *dst_data = nullptr;
  const uint64_t n = new_w > 0 && new_h > 0 ? uint64_t(new_w) * uint64_t(new_h) : 0;
  if (holds(src, src_w, src_h) && oa_variant_clear(result) == OA_OK && n && n <= vistrel::kMaxPixels &&
      (dst = oa_array_create(OA_UI1, 0, uint32_t(n))) != nullptr && oa_array_access(dst, &dst_data) == OA_OK) {
    vistrel::rescale(static_cast<uint8_t *>(dst_data), new_w, new_h, static_cast<const uint8_t *>(src_data), src_w,
                     src_h);
    oa_array_unaccess(dst);
    if (oa_variant_set_array(result, dst) == OA_OK) {
      dst = nullptr;
      rc = VISTREL_OK;
    }
  }
  if (dst) oa_array_destroy(dst);
  oa_array_unaccess(src);
  return rc;
}

VISTREL_EXPORT int32_t VBImageToHandle(int32_t width, int32_t height, const oa_variant *image, bm_handle *handle,
                                       int32_t palette) {
  if (!image) return VISTREL_MISSING;
  oa_array *a = byte_array(image);
  if (!a) return VISTREL_NOT_BYTES;
  if (!handle) return VISTREL_MISSING;
  void *data = nullptr;
  if (oa_array_access(a, &data) != OA_OK) return VISTREL_NOT_BYTES;
  if (!holds(a, width, height)) {
    oa_array_unaccess(a);
    return VISTREL_NOT_BYTES;
  }
  bm_handle made = 0;
  try {
    GreyImage img;
    if (img.resize(width, height)) {
      const auto *in = static_cast<const uint8_t *>(data);
      for (int32_t y = 0; y < img.height(); ++y)
        std::memcpy(img.row(y), in + size_t(y) * size_t(width), size_t(width));
      const vistrel::PaletteHeader &ph = palette != 0 ? img.grey_header() : img.green_header();
      if (bm_create(&ph.header, ph.palette, 256, nullptr, &made) == BM_OK) {
        bm_section s;
        bm_describe(made, &s);
        std::memcpy(s.bits, img.buffer(), img.buffer_size());
      }
    }
  } catch (...) {
    if (made) bm_delete(made);
    made = 0;
  }
  *handle = made;
  oa_array_unaccess(a);
  // -1 even when the bitmap was made: callers look at the handle.
  return VISTREL_FAILED;
}

VISTREL_EXPORT int32_t VBHandleToImage(bm_handle bitmap, int32_t *width, int32_t *height, oa_variant *image) {
  if (!width || !height || !image) return VISTREL_MISSING;
  try {
    GreyImage img;
    if (!vistrel::bitmap_to_grey(bitmap, img)) return VISTREL_FAILED;
    return deliver(img, width, height, image);
  } catch (...) {
    return VISTREL_FAILED;
  }
}

VISTREL_EXPORT int32_t VBLoadImageFromFile(const char *path, int32_t *width, int32_t *height, oa_variant *image) {
  if (!width || !height || !image) return VISTREL_MISSING;
  try {
    GreyImage img;
    vistrel::load_picture(path, img);
    *width = img.width();
    *height = img.height();
    if (img.width() <= 0 || img.height() <= 0) return VISTREL_FAILED;
    return deliver(img, width, height, image);
  } catch (...) {
    *width = *height = 0;
    return VISTREL_FAILED;
  }
}

} // extern "C"
