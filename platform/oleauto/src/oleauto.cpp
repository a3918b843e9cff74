#include "oleauto/oleauto.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct StrHeader {
  uint32_t bytes;
};

bool element_size(uint16_t kind, uint32_t *size) {
  switch (kind) {
  case OA_UI1: *size = 1; return true;
  case OA_I2:
  case OA_BOOL: *size = 2; return true;
  case OA_I4: *size = 4; return true;
  case OA_STR: *size = sizeof(oa_str *); return true;
  case OA_VARIANT: *size = sizeof(oa_variant); return true;
  default: return false;
  }
}

void free_elements(oa_array *a, uint32_t from, uint32_t to) {
  if (a->elem_kind == OA_STR) {
    auto **s = static_cast<oa_str **>(a->data);
    for (uint32_t i = from; i < to; ++i) oa_str_free(s[i]);
  } else if (a->elem_kind == OA_VARIANT) {
    auto *v = static_cast<oa_variant *>(a->data);
    for (uint32_t i = from; i < to; ++i) oa_variant_clear(&v[i]);
  }
}

} // namespace

extern "C" {

oa_str *oa_str_alloc(const char16_t *units, uint32_t count) {
  if (count > (UINT32_MAX - sizeof(StrHeader) - 2) / 2) return nullptr;
  auto *block = static_cast<unsigned char *>(std::malloc(sizeof(StrHeader) + (size_t(count) + 1) * 2));
  if (!block) return nullptr;
  reinterpret_cast<StrHeader *>(block)->bytes = count * 2;
  auto *s = reinterpret_cast<oa_str *>(block + sizeof(StrHeader));
  if (units && count) std::memcpy(s, units, size_t(count) * 2);
  else if (count) std::memset(s, 0, size_t(count) * 2);
  s[count] = 0;
  return s;
}

oa_str *oa_str_from_utf8(const char *text) {
  std::u16string out;
  if (text) {
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    while (*p) {
      uint32_t c = *p++;
      int extra = 0;
      if (c >= 0xF0) { c &= 0x07; extra = 3; }
      else if (c >= 0xE0) { c &= 0x0F; extra = 2; }
      else if (c >= 0xC0) { c &= 0x1F; extra = 1; }
      else if (c >= 0x80) { c = 0xFFFD; }
      for (int i = 0; i < extra; ++i) {
        if ((*p & 0xC0) != 0x80) { c = 0xFFFD; break; }
        c = (c << 6) | (*p++ & 0x3F);
      }
      if (c >= 0x10000) {
        c -= 0x10000;
        out.push_back(char16_t(0xD800 + (c >> 10)));
        out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
      } else {
        out.push_back(char16_t(c));
      }
    }
  }
  return oa_str_alloc(out.data(), uint32_t(out.size()));
}

uint32_t oa_str_len(const oa_str *s) {
  if (!s) return 0;
  const auto *h = reinterpret_cast<const StrHeader *>(reinterpret_cast<const unsigned char *>(s) - sizeof(StrHeader));
  return h->bytes / 2;
}

size_t oa_str_to_utf8(const oa_str *s, char *buf, size_t size) {
  std::string out;
  const uint32_t n = oa_str_len(s);
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) out.push_back(char(c));
    else if (c < 0x800) { out.push_back(char(0xC0 | (c >> 6))); out.push_back(char(0x80 | (c & 0x3F))); }
    else if (c < 0x10000) {
      out.push_back(char(0xE0 | (c >> 12)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (c >> 18)));
      out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  if (buf && size) {
    const size_t n8 = out.size() < size - 1 ? out.size() : size - 1;
    std::memcpy(buf, out.data(), n8);
    buf[n8] = 0;
  }
  return out.size();
}

void oa_str_free(oa_str *s) {
  if (s) std::free(reinterpret_cast<unsigned char *>(s) - sizeof(StrHeader));
}

oa_array *oa_array_create(uint16_t elem_kind, int32_t lower, uint32_t count) {
  uint32_t size = 0;
  if (!element_size(elem_kind, &size)) return nullptr;
  if (count && size_t(count) > SIZE_MAX / size) return nullptr;
  // The last index must stay representable.
  if (count && int64_t(lower) + int64_t(count) - 1 > INT32_MAX) return nullptr;
  auto *a = static_cast<oa_array *>(std::calloc(1, sizeof(oa_array)));
  if (!a) return nullptr;
  a->elem_kind = elem_kind;
  a->elem_size = size;
  a->lower = lower;
  a->count = count;
  if (count) {
    a->data = std::calloc(count, size);
    if (!a->data) {
      std::free(a);
      return nullptr;
    }
  }
  return a;
}

int oa_array_destroy(oa_array *a) {
  if (!a) return OA_OK;
  if (a->locks) return OA_E_LOCKED;
  free_elements(a, 0, a->count);
  std::free(a->data);
  std::free(a);
  return OA_OK;
}

int oa_array_lock(oa_array *a) {
  if (!a) return OA_E_INVALIDARG;
  ++a->locks;
  return OA_OK;
}

int oa_array_unlock(oa_array *a) {
  if (!a) return OA_E_INVALIDARG;
  if (!a->locks) return OA_E_NOTLOCKED;
  --a->locks;
  return OA_OK;
}

int oa_array_access(oa_array *a, void **data) {
  if (!a || !data) return OA_E_INVALIDARG;
  ++a->locks;
  *data = a->data;
  return OA_OK;
}

int oa_array_unaccess(oa_array *a) { return oa_array_unlock(a); }

int oa_array_bounds(const oa_array *a, int32_t *lower, int32_t *upper) {
  if (!a) return OA_E_INVALIDARG;
  if (lower) *lower = a->lower;
  if (upper) *upper = int32_t(int64_t(a->lower) + int64_t(a->count) - 1);
  return OA_OK;
}

int oa_array_redim(oa_array *a, uint32_t count) {
  if (!a) return OA_E_INVALIDARG;
  if (a->locks) return OA_E_LOCKED;
  if (count == a->count) return OA_OK;
  if (count && size_t(count) > SIZE_MAX / a->elem_size) return OA_E_NOMEM;
  if (count && int64_t(a->lower) + int64_t(count) - 1 > INT32_MAX) return OA_E_NOMEM;
  if (count < a->count) free_elements(a, count, a->count);
  if (count == 0) {
    std::free(a->data);
    a->data = nullptr;
    a->count = 0;
    return OA_OK;
  }
  void *data = std::realloc(a->data, size_t(count) * a->elem_size);
  if (!data) return OA_E_NOMEM;
  if (count > a->count)
    std::memset(static_cast<unsigned char *>(data) + size_t(a->count) * a->elem_size, 0,
                size_t(count - a->count) * a->elem_size);
  a->data = data;
  a->count = count;
  return OA_OK;
}

int oa_array_copy(const oa_array *src, oa_array **out) {
  if (!src || !out) return OA_E_INVALIDARG;
  oa_array *a = oa_array_create(src->elem_kind, src->lower, src->count);
  if (!a) return OA_E_NOMEM;
  if (src->elem_kind == OA_STR) {
    oa_str *const *from = static_cast<oa_str *const *>(src->data);
    auto **to = static_cast<oa_str **>(a->data);
    for (uint32_t i = 0; i < src->count; ++i) {
      if (!from[i]) continue;
      to[i] = oa_str_alloc(from[i], oa_str_len(from[i]));
      if (!to[i]) { oa_array_destroy(a); return OA_E_NOMEM; }
    }
  } else if (src->elem_kind == OA_VARIANT) {
    auto *from = static_cast<const oa_variant *>(src->data);
    auto *to = static_cast<oa_variant *>(a->data);
    for (uint32_t i = 0; i < src->count; ++i) {
      int rc = oa_variant_copy(&to[i], &from[i]);
      if (rc != OA_OK) { oa_array_destroy(a); return rc; }
    }
  } else if (src->count) {
    std::memcpy(a->data, src->data, size_t(src->count) * src->elem_size);
  }
  *out = a;
  return OA_OK;
}

void *oa_array_element(oa_array *a, int32_t index) {
  if (!a) return nullptr;
  const int64_t i = int64_t(index) - a->lower;
  if (i < 0 || i >= int64_t(a->count)) return nullptr;
  return static_cast<unsigned char *>(a->data) + size_t(i) * a->elem_size;
}

void oa_variant_init(oa_variant *v) {
  if (v) std::memset(v, 0, sizeof *v);
}

int oa_variant_clear(oa_variant *v) {
  if (!v) return OA_E_INVALIDARG;
  if (!(v->kind & OA_BYREF)) {
    if (v->kind & OA_ARRAY) {
      int rc = oa_array_destroy(v->v.array);
      if (rc != OA_OK) return rc;
    } else if (v->kind == OA_STR) {
      oa_str_free(v->v.str);
    }
  }
  oa_variant_init(v);
  return OA_OK;
}

oa_variant *oa_variant_deref(oa_variant *v) {
  // A chain longer than a few links is a cycle or garbage.
  for (int depth = 0; v && depth < 8; ++depth) {
    if (v->kind != (OA_BYREF | OA_VARIANT)) return v;
    v = v->v.p_variant;
  }
  return nullptr;
}

int oa_variant_copy(oa_variant *dst, const oa_variant *src) {
  if (!dst || !src) return OA_E_INVALIDARG;
  oa_variant *s = oa_variant_deref(const_cast<oa_variant *>(src));
  if (!s) return OA_E_INVALIDARG;
  oa_variant out;
  oa_variant_init(&out);
  const uint16_t kind = s->kind & uint16_t(~OA_BYREF);
  const bool byref = s->kind & OA_BYREF;
  if (byref && !s->v.ptr) return OA_E_INVALIDARG;  // a reference to nothing
  out.kind = kind;
  if (kind & OA_ARRAY) {
    oa_array *a = byref ? (s->v.p_array ? *s->v.p_array : nullptr) : s->v.array;
    if (a) {
      int rc = oa_array_copy(a, &out.v.array);
      if (rc != OA_OK) return rc;
    }
  } else {
    switch (kind) {
    case OA_EMPTY: break;
    case OA_UI1: out.v.u1 = byref ? *s->v.p_u1 : s->v.u1; break;
    case OA_I2: out.v.i2 = byref ? *s->v.p_i2 : s->v.i2; break;
    case OA_BOOL: out.v.boolean = byref ? *s->v.p_boolean : s->v.boolean; break;
    case OA_I4: out.v.i4 = byref ? *s->v.p_i4 : s->v.i4; break;
    case OA_STR: {
      const oa_str *str = byref ? *s->v.p_str : s->v.str;
      if (str && !(out.v.str = oa_str_alloc(str, oa_str_len(str)))) return OA_E_NOMEM;
      break;
    }
    default: return OA_E_BADKIND;
    }
  }
  int rc = oa_variant_clear(dst);
  if (rc != OA_OK) {
    oa_variant_clear(&out);
    return rc;
  }
  *dst = out;
  return OA_OK;
}

oa_array *oa_variant_array(oa_variant *v, uint16_t elem_kind) {
  v = oa_variant_deref(v);
  if (!v) return nullptr;
  if (v->kind == (OA_ARRAY | elem_kind)) return v->v.array;
  if (v->kind == (OA_BYREF | OA_ARRAY | elem_kind)) return v->v.p_array ? *v->v.p_array : nullptr;
  return nullptr;
}

int oa_variant_set_array(oa_variant *v, oa_array *a) {
  v = oa_variant_deref(v);
  if (!v || !a) return OA_E_INVALIDARG;
  if ((v->kind & OA_BYREF) && (v->kind & OA_ARRAY)) {
    if ((v->kind & OA_KIND_MASK) != a->elem_kind || !v->v.p_array) return OA_E_BADKIND;
    oa_array *old = *v->v.p_array;
    if (old && old->locks) return OA_E_LOCKED;
    oa_array_destroy(old);
    *v->v.p_array = a;
    return OA_OK;
  }
  int rc = oa_variant_clear(v);
  if (rc != OA_OK) return rc;
  v->kind = uint16_t(OA_ARRAY | a->elem_kind);
  v->v.array = a;
  return OA_OK;
}

} // extern "C"
