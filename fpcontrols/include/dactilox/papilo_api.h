/* The matching engine's C interface as Dactilox calls it (module Papilo).
 *
 * The engine library is libPPVBP42.so; Dactilox binds each function by name
 * at its first call. Every number is a 32-bit Long; a context is a Long
 * handle from VBPPCreateContext. By-reference arguments are pointers into the
 * caller's storage, Variants are oa_variant pointers (platform/oleauto).
 *
 *   features / templates / probe: a variant holding a byte array (a Byte
 *     array 0 to 10000, PAPILO_FEATURES_SIZE bytes) with the compressed
 *     template at its start; VBPPExtract gives its length in *size.
 *   record: a RegistroMinucias of PAPILO_RECORD_SIZE bytes, little-endian.
 *   detail: DetalheComparacao, five Longs; the caller sets detail[0] = 20
 *     before every call, the engine writes the similarity into detail[1].
 *
 * These typedefs are the one place the binding's signatures are written. */
#ifndef DACTILOX_PAPILO_API_H
#define DACTILOX_PAPILO_API_H

#include <stdint.h>

#include "oleauto/oleauto.h"

#ifdef __cplusplus
extern "C" {
#endif

#define PAPILO_LIBRARY "libPPVBP42.so"
#define PAPILO_FEATURES_SIZE 10001
#define PAPILO_RECORD_SIZE 27284
#define PAPILO_DETAIL_LONGS 5

/* Parameter identities and the values Dactilox sets. */
#define PAPILO_PARAM_1000 1000 /* set to 100 (Integer) first */
#define PAPILO_PARAM_IDENTIFY_THRESHOLD 200 /* Long */
#define PAPILO_PARAM_ENROLL_THRESHOLD 300   /* Long */
#define PAPILO_PARAM_220 220 /* set to 256 (Integer) last */
#define PAPILO_EXTRACT_500 500 /* the fixed fourth argument of VBPPExtract */

typedef int32_t (*VBPPInitialize_fn)(void);
typedef int32_t (*VBPPFinalize_fn)(void);
typedef int32_t (*VBPPCreateContext_fn)(void); /* -> context */
typedef int32_t (*VBPPFreeContext_fn)(int32_t context);
typedef int32_t (*VBPPSetParameter_fn)(int32_t id, const oa_variant *value, int32_t context);
/* image: byte array variant of width x height pixels, left holding the
 * binarised image; features receive the template, *size its length. */
typedef int32_t (*VBPPExtract_fn)(int32_t width, int32_t height, oa_variant *image, int32_t fixed500,
                                  oa_variant *features, int32_t *size, int32_t context);
typedef int32_t (*VBPPDecompressFeatures_fn)(oa_variant *features, void *record);
typedef int32_t (*VBPPIdentifyStart_fn)(oa_variant *probe, int32_t context);
typedef int32_t (*VBPPIdentifyNext_fn)(oa_variant *templ, int32_t *detail, int32_t context);
typedef int32_t (*VBPPIdentifyEnd_fn)(int32_t context);
/* < 0: failure, the pair is skipped. */
typedef int32_t (*VBPPVerify_fn)(oa_variant *templ, oa_variant *probe, int32_t *detail, int32_t context);
/* touches: variant array (OA_ARRAY | OA_VARIANT) of count byte arrays.
 * 0..2: the combined template is in features, the result names the touch
 * whose image goes with it; < 0: failure. */
typedef int32_t (*VBPPGeneralize_fn)(int32_t count, oa_variant *touches, oa_variant *features, int32_t *size,
                                     int32_t context);

#ifdef __cplusplus
}
#endif

#endif
