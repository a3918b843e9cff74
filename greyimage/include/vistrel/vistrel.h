/* Vistrel: 8-bit grey images for the fingerprint controls.
 *
 * A grey image is width × height bytes, 0 black to 255 white, top row first,
 * no padding. At this interface it travels as a variant holding a
 * one-dimensional byte array (kind OA_ARRAY | OA_UI1 = 0x2011, lower bound 0)
 * with width and height beside it.
 *
 * Callers bind these functions by name (dlopen "libvistrel.so", dlsym). The
 * library keeps no state between calls; calls may run at the same time on
 * different threads, each on its own values. Arrays and bitmaps it makes are
 * the caller's. Nothing is shown or logged; results are codes:
 *    0 done, -1 failed, -4 missing argument, -5 not a byte array
 * (VBImageToHandle returns -1 when it made the bitmap: test the handle). */
#ifndef VISTREL_VISTREL_H
#define VISTREL_VISTREL_H

#include <stdint.h>

#include "bitmap/bitmap.h"
#include "oleauto/oleauto.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VISTREL_EXPORT __attribute__((visibility("default")))

enum {
  VISTREL_OK = 0,
  VISTREL_FAILED = -1,
  VISTREL_MISSING = -4,
  VISTREL_NOT_BYTES = -5
};

/* Bilinear resize of src (src_w × src_h bytes) into dst (dst_w × dst_h bytes)
 * in thousandths of a pixel, truncating. Sizes of 0 or less leave dst alone. */
VISTREL_EXPORT void Rescale(uint8_t *dst, int32_t dst_w, int32_t dst_h, const uint8_t *src, int32_t src_w,
                            int32_t src_h);

/* Resizes the byte array in source (by value or by reference) into a new array
 * of new_w × new_h bytes stored in *result. 0 done; -1 failed, *result then
 * empty once it was cleared. A source array smaller than src_w × src_h fails. */
VISTREL_EXPORT int32_t RescaleVB(oa_variant *result, int32_t new_w, int32_t new_h, oa_variant source,
                                 int32_t src_w, int32_t src_h);

/* Makes a bottom-up 8-bit bitmap of the image: grey palette when palette is
 * not 0, green palette when it is 0. Writes the handle (0 when the bitmap could
 * not be made) and returns -1; -4 no image or no handle destination; -5 not a
 * byte array or one smaller than width × height. */
VISTREL_EXPORT int32_t VBImageToHandle(int32_t width, int32_t height, const oa_variant *image, bm_handle *handle,
                                       int32_t palette);

/* Grey image of any bitmap, (blue + green + red) div 3 per pixel. The bitmap
 * stays the caller's. 0 done; -1 failed (outputs untouched); -4 missing output. */
VISTREL_EXPORT int32_t VBHandleToImage(bm_handle bitmap, int32_t *width, int32_t *height, oa_variant *image);

/* Loads a grey image from a file chosen by the last three letters of its path,
 * in any case: "dat" raw grey image, "bmp" Windows bitmap, "tif" TIFF.
 * 0 done; -1 failed (width and height written as 0, image untouched);
 * -4 missing output. */
VISTREL_EXPORT int32_t VBLoadImageFromFile(const char *path, int32_t *width, int32_t *height, oa_variant *image);

#ifdef __cplusplus
}
#endif

#endif
