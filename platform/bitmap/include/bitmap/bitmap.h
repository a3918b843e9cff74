/* Device-independent bitmaps behind 32-bit handles.
 *
 * A bitmap holds pixels of 1, 4, 8, 16, 24 or 32 bits, an information header,
 * a palette (up to 256 entries, for 1 to 8 bits) and the red, green and blue bit
 * fields of 16- and 32-bit pixels. Stored rows are padded to 4 bytes; a positive
 * height means the first stored row is the bottom one (bottom-up), a negative
 * height top-down.
 *
 * Handles are small integers from one process-wide table, so a handle made in
 * one library (Vistrel) is valid in another (Dactilox, Lumadrv); this is why
 * the layer is a shared library of its own. A deleted or made-up handle is
 * refused, never dereferenced. The table is locked; the pixels of one bitmap are
 * not: callers serialise access to one bitmap.
 *
 * Plain C; no exception crosses this interface. */
#ifndef BITMAP_BITMAP_H
#define BITMAP_BITMAP_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define BM_EXPORT __attribute__((visibility("default")))

typedef uint32_t bm_handle; /* 0 is no bitmap */

enum {
  BM_OK = 0,
  BM_E_INVALIDARG = -1, /* null pointer, unknown handle, unsupported size or depth */
  BM_E_NOMEM = -2,      /* allocation failed or the size is beyond BM_MAX_PIXELS */
  BM_E_FORMAT = -3,     /* a file that is not a bitmap we read, or is damaged */
  BM_E_IO = -4          /* the file could not be opened or read */
};

enum {
  BM_RGB = 0,      /* uncompressed, default bit fields */
  BM_BITFIELDS = 3 /* 16 or 32 bits with the masks given */
};

/* Width × height larger than this is refused (2^28 pixels). */
#define BM_MAX_PIXELS (1u << 28)

/* The 40-byte information header's fields. */
typedef struct bm_header {
  uint32_t size; /* 40 */
  int32_t width;
  int32_t height; /* > 0 bottom-up, < 0 top-down */
  uint16_t planes;
  uint16_t bit_count;
  uint32_t compression;
  uint32_t size_image; /* bytes of pixels; always filled in by this layer */
  int32_t x_pels_per_meter;
  int32_t y_pels_per_meter;
  uint32_t clr_used;
  uint32_t clr_important;
} bm_header;

typedef struct bm_rgbquad {
  uint8_t blue, green, red, reserved;
} bm_rgbquad;

/* What bm_describe tells about a bitmap. */
typedef struct bm_section {
  bm_header header;
  uint32_t stride;        /* bytes per stored row */
  uint32_t masks[3];      /* red, green, blue; the defaults when not BM_BITFIELDS */
  uint32_t palette_count; /* entries in the palette */
  void *bits;             /* first stored row; valid until the bitmap is deleted */
} bm_section;

/* Bytes per stored row of width pixels of bit_count bits, padded to 4. */
BM_EXPORT uint32_t bm_stride(int32_t width, uint16_t bit_count);

/* Creates a bitmap with zeroed pixels. header gives width, height (either
 * sign), bit_count and compression; the other fields are filled in. palette may
 * be null (entries then black); masks (red, green, blue) are used with
 * BM_BITFIELDS and may be null otherwise. */
BM_EXPORT int bm_create(const bm_header *header, const bm_rgbquad *palette, uint32_t palette_count,
                        const uint32_t *masks, bm_handle *out);
/* Deletes the bitmap; the handle becomes invalid. */
BM_EXPORT int bm_delete(bm_handle h);
BM_EXPORT int bm_describe(bm_handle h, bm_section *out);
/* Copies up to max palette entries; *count receives the palette's size. */
BM_EXPORT int bm_palette(bm_handle h, bm_rgbquad *out, uint32_t max, uint32_t *count);

/* Copies count scan lines from first (scan line 0 is the bottom row, whatever
 * the bitmap's row order) as 24-bit blue-green-red pixels into dst, one after
 * the other, each bm_stride(width, 24) bytes. Lines beyond the bitmap are
 * refused. */
BM_EXPORT int bm_get_lines24(bm_handle h, uint32_t first, uint32_t count, void *dst);
/* A new bottom-up bitmap of 24 or 32 bits (BM_RGB) with the same pixels. */
BM_EXPORT int bm_convert(bm_handle h, uint16_t bit_count, bm_handle *out);

/* Loads a Windows bitmap file (.bmp): 1, 4, 8, 16, 24 or 32 bits, uncompressed,
 * with bit fields, or run-length compressed (8 and 4 bits, stored decoded as
 * BM_RGB); core, information, v4 and v5 headers. The bitmap is kept at the
 * file's depth, palette and masks, always bottom-up; size_image is the real
 * size of its pixels. */
BM_EXPORT int bm_load_file(const char *path, bm_handle *out);
BM_EXPORT int bm_load_memory(const void *data, size_t size, bm_handle *out);
/* Writes the bitmap as a .bmp file with a 40-byte header (bit fields after it
 * when BM_BITFIELDS), rows as stored. */
BM_EXPORT int bm_save_file(bm_handle h, const char *path);

#ifdef __cplusplus
}
#endif

#endif
