// Building, reading and converting the values that cross a dispatch call.
#ifndef COMPONENT_VALUES_H
#define COMPONENT_VALUES_H

#include "oleauto/oleauto.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace component {

// A variant that frees what it holds.
class Value {
public:
  Value() { oa_variant_init(&m_v); }
  ~Value() { oa_variant_clear(&m_v); }
  Value(const Value &other);
  Value &operator=(const Value &other);
  Value(Value &&other) noexcept : m_v(other.m_v) { oa_variant_init(&other.m_v); }
  Value &operator=(Value &&other) noexcept;

  static Value byte(uint8_t x);
  static Value integer(int16_t x);
  static Value long32(int32_t x);
  static Value boolean(bool x);  // -1 / 0
  static Value string(std::u16string_view s);
  static Value utf8(std::string_view s);
  // Takes ownership of the array.
  static Value array(oa_array *a);
  // A by-reference variant pointing at target, which must outlive it.
  static Value refTo(oa_variant *target);
  // A by-reference variant of a plain kind (OA_I4, OA_STR...) pointing at
  // storage of that kind, which must outlive it.
  static Value ref(uint16_t kind, void *storage);

  // Moves the value into dst (cleared first); this one becomes empty.
  void moveTo(oa_variant *dst);

  oa_variant *get() { return &m_v; }
  const oa_variant *get() const { return &m_v; }
  uint16_t kind() const { return m_v.kind; }

private:
  oa_variant m_v;
};

// Converts the value in (looking through references) to the plain kind
// wanted (OA_UI1, OA_I2, OA_I4, OA_BOOL, OA_STR), the way a dispatch call
// converts an argument: numbers and Booleans convert among themselves,
// numbers to text and numeric text to numbers; a number out of the
// target's range gives kOverflow, anything else unconvertible
// kTypeMismatch. out is cleared first and owns the result.
int32_t coerce(const oa_variant *in, uint16_t kind, oa_variant *out);

// Texts of strings in variants (empty for a null string).
std::u16string toU16(const oa_variant *v);
std::string toUtf8(const oa_variant *v);

} // namespace component

#endif
