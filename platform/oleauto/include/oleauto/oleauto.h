/* Tagged values, one-dimensional safe arrays and length-prefixed UTF-16
 * strings: the value kinds that cross our library boundaries.
 *
 * Plain C so that every library (Vistrel, the engine, Plexar, Lumadrv) can
 * pass these across an extern "C" interface. No exception crosses it.
 *
 * Ownership: whoever creates a string or an array owns it until it is stored
 * in a variant; a variant owns what it holds unless its kind carries
 * OA_BYREF, in which case it only points at storage owned elsewhere.
 * Nothing here is thread-safe; callers serialise access to one value. */
#ifndef OLEAUTO_OLEAUTO_H
#define OLEAUTO_OLEAUTO_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define OA_EXPORT __attribute__((visibility("default")))

/* Value kinds (the low 12 bits), combined with the OA_ARRAY and OA_BYREF flags.
 * The numbers are those the callers' stored values and documents use
 * (a byte array is 0x2011). */
enum {
  OA_EMPTY = 0,
  OA_I2 = 2,       /* Integer: signed 16 bit */
  OA_I4 = 3,       /* Long: signed 32 bit */
  OA_STR = 8,      /* String */
  OA_BOOL = 11,    /* Boolean: -1 true, 0 false */
  OA_VARIANT = 12, /* element kind of a variant array; with OA_BYREF, a pointer to a variant */
  OA_UI1 = 17,     /* Byte */
  OA_ARRAY = 0x2000,
  OA_BYREF = 0x4000,
  OA_KIND_MASK = 0x0FFF
};

enum {
  OA_TRUE = -1,
  OA_FALSE = 0
};

/* Result codes. */
enum {
  OA_OK = 0,
  OA_E_INVALIDARG = -1, /* null pointer, bad kind, index out of range */
  OA_E_LOCKED = -2,     /* the array is locked: it cannot be resized or freed */
  OA_E_NOMEM = -3,      /* allocation failed or the size overflows */
  OA_E_BADKIND = -4,    /* the value does not hold the kind asked for */
  OA_E_NOTLOCKED = -5   /* unlock of an array that is not locked */
};

/* ---- Strings ----------------------------------------------------------
 * An oa_str points at the first UTF-16 unit; a 32-bit byte length sits just
 * before it and a NUL unit just after the last one. A null oa_str is the empty
 * string. */
typedef char16_t oa_str;

OA_EXPORT oa_str *oa_str_alloc(const char16_t *units, uint32_t count);
OA_EXPORT oa_str *oa_str_from_utf8(const char *text);
OA_EXPORT uint32_t oa_str_len(const oa_str *s); /* in UTF-16 units */
/* Writes UTF-8 into buf (always NUL-terminated when size > 0); returns the
 * bytes the whole text needs, without the NUL. */
OA_EXPORT size_t oa_str_to_utf8(const oa_str *s, char *buf, size_t size);
OA_EXPORT void oa_str_free(oa_str *s);

/* ---- Safe arrays --------------------------------------------------------
 * One dimension, elements of one kind, zero-filled at creation. Element kinds:
 * OA_UI1, OA_I2, OA_I4, OA_BOOL, OA_STR (owned strings) and OA_VARIANT (owned
 * variants). */
typedef struct oa_array {
  uint16_t elem_kind;
  uint16_t reserved;
  uint32_t elem_size;
  uint32_t locks;
  int32_t lower;  /* index of the first element */
  uint32_t count; /* number of elements */
  void *data;
} oa_array;

OA_EXPORT oa_array *oa_array_create(uint16_t elem_kind, int32_t lower, uint32_t count);
/* Frees the elements and the array; OA_E_LOCKED while locked. */
OA_EXPORT int oa_array_destroy(oa_array *a);
OA_EXPORT int oa_array_lock(oa_array *a);
OA_EXPORT int oa_array_unlock(oa_array *a);
/* Locks the array and gives its element storage; pair with oa_array_unaccess. */
OA_EXPORT int oa_array_access(oa_array *a, void **data);
OA_EXPORT int oa_array_unaccess(oa_array *a);
/* Upper bound = lower + count - 1 (lower - 1 for an empty array). */
OA_EXPORT int oa_array_bounds(const oa_array *a, int32_t *lower, int32_t *upper);
/* Changes the element count, keeping the common prefix; new elements are zero.
 * OA_E_LOCKED while locked. */
OA_EXPORT int oa_array_redim(oa_array *a, uint32_t count);
/* Deep copy (strings and variants copied too). */
OA_EXPORT int oa_array_copy(const oa_array *src, oa_array **out);
/* Address of element at index (lower-based), or null when out of range. */
OA_EXPORT void *oa_array_element(oa_array *a, int32_t index);

/* ---- Variants ------------------------------------------------------------ */
typedef struct oa_variant {
  uint16_t kind;
  uint16_t reserved[3];
  union {
    uint8_t u1;
    int16_t i2;
    int32_t i4;
    int16_t boolean;
    oa_str *str;
    oa_array *array;
    /* by reference */
    uint8_t *p_u1;
    int16_t *p_i2;
    int32_t *p_i4;
    int16_t *p_boolean;
    oa_str **p_str;
    oa_array **p_array;
    struct oa_variant *p_variant;
    void *ptr;
  } v;
} oa_variant;

OA_EXPORT void oa_variant_init(oa_variant *v);
/* Frees what the variant owns and makes it empty. */
OA_EXPORT int oa_variant_clear(oa_variant *v);
/* Deep copy into dst (cleared first). A by-reference source is copied as the
 * value it points at. */
OA_EXPORT int oa_variant_copy(oa_variant *dst, const oa_variant *src);
/* Follows by-reference variants (OA_BYREF | OA_VARIANT) to the variant that
 * holds the value; null when the chain is broken. */
OA_EXPORT oa_variant *oa_variant_deref(oa_variant *v);

/* The array a variant holds, by value or by reference, when its element kind is
 * elem_kind; null otherwise. Looks through by-reference variants. */
OA_EXPORT oa_array *oa_variant_array(oa_variant *v, uint16_t elem_kind);
/* Stores an array in the variant, which then owns it (previous content freed).
 * When the variant is a reference to an array (OA_BYREF | OA_ARRAY | kind), the
 * referenced array is replaced instead and the old one freed. */
OA_EXPORT int oa_variant_set_array(oa_variant *v, oa_array *a);

#ifdef __cplusplus
}
#endif

#endif
