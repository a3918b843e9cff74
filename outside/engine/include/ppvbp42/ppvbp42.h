/* libPPVBP42: fingerprint feature extraction and matching.
 *
 * Plain C exports, bound by name (dlsym). Every function returns a 32-bit
 * result; below 0 is a failure (VBPP_E_*), and a failing call changes none of
 * its output arguments. Arguments the caller passes "by reference" are pointers.
 *
 * Values:
 *   - image, features, templates: an oa_variant holding a one-dimensional byte
 *     array (OA_ARRAY | OA_UI1, directly or by reference); the lower bound is
 *     not used, element 0 is the array's first element.
 *   - details (DetalheComparacao): five int32_t; the caller sets details[0] to
 *     20 (any value of 8 or more is accepted); the engine writes the score into
 *     details[1] and leaves the other three alone.
 *   - record (RegistroMinucias): 27,284 bytes, see VBPP_RECORD_BYTES.
 *
 * Scores: a threshold t means a false match rate of 10^(-t/12) per comparison
 * (24 -> 1%, 36 -> 0.1%, 48 -> 0.01%, 72 -> 0.0001%); scores are 0..1000.
 *
 * Templates: at most 10,001 bytes, self-delimiting (length in bytes 2..3), so a
 * template may be passed in a larger array. Byte 1 is the group key, 0 up to
 * the number of groups (parameter 220) - 1; impressions of one finger get
 * equal or near keys.
 *
 * Contexts: handles above 0 from VBPPCreateContext, valid until
 * VBPPFreeContext, independent of VBPPInitialize/VBPPFinalize (which only
 * count calls and hold nothing). One context is used by one thread at a time;
 * different contexts may run on different threads. */
#ifndef PPVBP42_PPVBP42_H
#define PPVBP42_PPVBP42_H

#include <stdint.h>

#include "oleauto/oleauto.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VBPP_API __attribute__((visibility("default")))

enum {
  VBPP_OK = 0,
  VBPP_E_ARGUMENT = -1,  /* null pointer, wrong variant kind, empty or short array, bad count */
  VBPP_E_CONTEXT = -2,   /* unknown context */
  VBPP_E_TEMPLATE = -3,  /* bytes that are not one of our templates */
  VBPP_E_IMAGE = -4,     /* image size out of range or no fingerprint area found */
  VBPP_E_STATE = -5,     /* VBPPIdentifyNext without an open search */
  VBPP_E_PARAMETER = -6, /* unknown parameter id or value out of range */
  VBPP_E_DIFFERENT = -7, /* VBPPGeneralize: the touches are not of one finger */
  VBPP_E_NOMEM = -8,
  VBPP_E_INTERNAL = -9
};

enum {
  VBPP_TEMPLATE_CAPACITY = 10001, /* bytes 0 to 10000 */
  VBPP_RECORD_BYTES = 27284,
  VBPP_DETAILS_BYTES = 20,
  VBPP_RESOLUTION = 500, /* the only resolution accepted, dots per inch */
  VBPP_MIN_SIDE = 32,
  VBPP_MAX_SIDE = 2048
};

/* Parameter ids for VBPPSetParameter; the value is an Integer, Long or Byte variant. */
enum {
  VBPP_PARAM_MAX_MINUTIAE = 1000, /* minutiae kept per template, 10..255; default 100 */
  VBPP_PARAM_IDENTIFY_THRESHOLD = 200, /* kept for the caller; the engine only reports scores */
  VBPP_PARAM_ENROLL_THRESHOLD = 300,   /* VBPPGeneralize: least score between touches; default 36 */
  VBPP_PARAM_GROUPS = 220              /* number of group keys, 1..256; default 256 */
};

VBPP_API int32_t VBPPInitialize(void);
VBPP_API int32_t VBPPFinalize(void);

/* A new context (> 0), or below 0. */
VBPP_API int32_t VBPPCreateContext(void);
VBPP_API int32_t VBPPFreeContext(int32_t context);

VBPP_API int32_t VBPPSetParameter(int32_t id, const oa_variant *value, int32_t context);

/* Extracts features from a grey image (width * height bytes, top row first,
 * 0 black, 32..2048 pixels a side) at `resolution` dpi (500). On success the
 * template goes to the start of the `features` byte array (an empty variant
 * gets a new 10,001-byte array; a shorter array is enlarged), *size gets its
 * length, and the image array is overwritten with the binarised image
 * (0 ridge, 255 valley and background). */
VBPP_API int32_t VBPPExtract(int32_t width, int32_t height, oa_variant *image, int32_t resolution,
                             oa_variant *features, int32_t *size, int32_t context);

/* Fills the 27,284-byte record from a template. */
VBPP_API int32_t VBPPDecompressFeatures(oa_variant *features, void *record);

/* One-to-many search: the probe is prepared once, then compared with each
 * template; the search stays open until VBPPIdentifyEnd or the next Start. */
VBPP_API int32_t VBPPIdentifyStart(oa_variant *probe, int32_t context);
VBPP_API int32_t VBPPIdentifyNext(oa_variant *templ, int32_t *details, int32_t context);
VBPP_API int32_t VBPPIdentifyEnd(int32_t context);

/* One comparison; the score goes to details[1]. */
VBPP_API int32_t VBPPVerify(oa_variant *templ, oa_variant *probe, int32_t *details, int32_t context);

/* Combines `count` (3) touches of one finger, given as a variant holding an
 * array of variants (OA_ARRAY | OA_VARIANT) each holding a template byte
 * array. Writes the combined template like VBPPExtract and returns the index
 * (0 based) of the touch whose image goes with it; VBPP_E_DIFFERENT when
 * the touches do not match each other. */
VBPP_API int32_t VBPPGeneralize(int32_t count, oa_variant *touches, oa_variant *features, int32_t *size,
                                int32_t context);

#ifdef __cplusplus
}
#endif

#endif
