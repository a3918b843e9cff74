#include "component/values.h"

#include "component/component.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace component {

Value::Value(const Value &other) {
  oa_variant_init(&m_v);
  oa_variant_copy(&m_v, &other.m_v);
}

Value &Value::operator=(const Value &other) {
  if (this != &other) oa_variant_copy(&m_v, &other.m_v);
  return *this;
}

Value &Value::operator=(Value &&other) noexcept {
  if (this != &other) {
    oa_variant_clear(&m_v);
    m_v = other.m_v;
    oa_variant_init(&other.m_v);
  }
  return *this;
}

Value Value::byte(uint8_t x) {
  Value v;
  v.m_v.kind = OA_UI1;
  v.m_v.v.u1 = x;
  return v;
}

Value Value::integer(int16_t x) {
  Value v;
  v.m_v.kind = OA_I2;
  v.m_v.v.i2 = x;
  return v;
}

Value Value::long32(int32_t x) {
  Value v;
  v.m_v.kind = OA_I4;
  v.m_v.v.i4 = x;
  return v;
}

Value Value::boolean(bool x) {
  Value v;
  v.m_v.kind = OA_BOOL;
  v.m_v.v.boolean = x ? OA_TRUE : OA_FALSE;
  return v;
}

Value Value::string(std::u16string_view s) {
  Value v;
  v.m_v.kind = OA_STR;
  v.m_v.v.str = oa_str_alloc(s.data(), uint32_t(s.size()));
  return v;
}

Value Value::utf8(std::string_view s) {
  Value v;
  v.m_v.kind = OA_STR;
  v.m_v.v.str = oa_str_from_utf8(std::string(s).c_str());
  return v;
}

Value Value::array(oa_array *a) {
  Value v;
  oa_variant_set_array(&v.m_v, a);
  return v;
}

Value Value::refTo(oa_variant *target) {
  Value v;
  v.m_v.kind = OA_BYREF | OA_VARIANT;
  v.m_v.v.p_variant = target;
  return v;
}

Value Value::ref(uint16_t kind, void *storage) {
  Value v;
  v.m_v.kind = uint16_t(OA_BYREF | kind);
  v.m_v.v.ptr = storage;
  return v;
}

void Value::moveTo(oa_variant *dst) {
  oa_variant_clear(dst);
  *dst = m_v;
  oa_variant_init(&m_v);
}

namespace {

// The plain value behind in: its kind (without OA_BYREF) and, for numbers,
// the number.
bool readNumber(const oa_variant *v, int64_t *n) {
  const bool ref = v->kind & OA_BYREF;
  switch (v->kind & ~OA_BYREF) {
  case OA_EMPTY: *n = 0; return true;
  case OA_UI1: *n = ref ? *v->v.p_u1 : v->v.u1; return true;
  case OA_I2: *n = ref ? *v->v.p_i2 : v->v.i2; return true;
  case OA_I4: *n = ref ? *v->v.p_i4 : v->v.i4; return true;
  case OA_BOOL: *n = ref ? *v->v.p_boolean : v->v.boolean; return true;
  default: return false;
  }
}

const oa_str *readString(const oa_variant *v, bool *isString) {
  *isString = (v->kind & ~OA_BYREF) == OA_STR;
  if (!*isString) return nullptr;
  return (v->kind & OA_BYREF) ? (v->v.p_str ? *v->v.p_str : nullptr) : v->v.str;
}

// Numeric text: optional blanks, sign, digits, optional blanks. Rounds
// nothing: a fraction is a mismatch (no caller here passes one).
bool parseNumber(const std::string &s, int64_t *n) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  size_t j = s.size();
  while (j > i && s[j - 1] == ' ') --j;
  if (i == j) return false;
  bool neg = false;
  if (s[i] == '-' || s[i] == '+') neg = s[i++] == '-';
  if (i == j) return false;
  int64_t x = 0;
  for (; i < j; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    x = x * 10 + (s[i] - '0');
    if (x > (int64_t(1) << 40)) return false;
  }
  *n = neg ? -x : x;
  return true;
}

} // namespace

std::u16string toU16(const oa_variant *v) {
  if (!v) return {};
  oa_variant *d = oa_variant_deref(const_cast<oa_variant *>(v));
  if (!d) return {};
  bool isString = false;
  const oa_str *s = readString(d, &isString);
  if (!s) return {};
  return std::u16string(s, oa_str_len(s));
}

std::string toUtf8(const oa_variant *v) {
  const std::u16string s = toU16(v);
  oa_str *tmp = oa_str_alloc(s.data(), uint32_t(s.size()));
  const size_t n = oa_str_to_utf8(tmp, nullptr, 0);
  std::string out(n, '\0');
  oa_str_to_utf8(tmp, out.data(), n + 1);
  oa_str_free(tmp);
  return out;
}

int32_t coerce(const oa_variant *in, uint16_t kind, oa_variant *out) {
  if (!in || !out) return kInvalidArg;
  oa_variant_clear(out);
  const oa_variant *src = oa_variant_deref(const_cast<oa_variant *>(in));
  if (!src) return kTypeMismatch;
  // A reference to nothing is a caller's fault, not a value to read.
  if ((src->kind & OA_BYREF) && !src->v.ptr) return kInvalidArg;
  bool isString = false;
  const oa_str *text = readString(src, &isString);
  int64_t n = 0;
  bool numeric = readNumber(src, &n);
  if (kind == OA_STR) {
    if ((src->kind & ~OA_BYREF) == OA_EMPTY) {
      // Empty reads as the empty text, never as "0".
      out->kind = OA_STR;
      out->v.str = nullptr;
      return kOk;
    }
    if (isString) {
      out->kind = OA_STR;
      out->v.str = text ? oa_str_alloc(text, oa_str_len(text)) : nullptr;
      return kOk;
    }
    if (!numeric) return kTypeMismatch;
    // Booleans read as text the way a desktop runtime shows them.
    std::string s = (src->kind & ~OA_BYREF) == OA_BOOL ? (n ? "True" : "False") : std::to_string(n);
    out->kind = OA_STR;
    out->v.str = oa_str_from_utf8(s.c_str());
    return kOk;
  }
  if (isString) {
    oa_variant tmp;
    oa_variant_init(&tmp);
    tmp.kind = OA_STR;
    tmp.v.str = const_cast<oa_str *>(text);
    if (!parseNumber(toUtf8(&tmp), &n)) return kTypeMismatch;
    numeric = true;
  }
  if (!numeric) return kTypeMismatch;
  switch (kind) {
  case OA_UI1:
    if (n < 0 || n > 255) return kOverflow;
    out->kind = OA_UI1;
    out->v.u1 = uint8_t(n);
    return kOk;
  case OA_I2:
    if (n < INT16_MIN || n > INT16_MAX) return kOverflow;
    out->kind = OA_I2;
    out->v.i2 = int16_t(n);
    return kOk;
  case OA_I4:
    if (n < INT32_MIN || n > INT32_MAX) return kOverflow;
    out->kind = OA_I4;
    out->v.i4 = int32_t(n);
    return kOk;
  case OA_BOOL:
    out->kind = OA_BOOL;
    out->v.boolean = n ? OA_TRUE : OA_FALSE;
    return kOk;
  default:
    return kTypeMismatch;
  }
}

} // namespace component
