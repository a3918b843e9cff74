// Class, interface and library identities: 128-bit GUIDs written
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#ifndef COMPONENT_GUID_H
#define COMPONENT_GUID_H

#include <cstdint>
#include <string>
#include <string_view>

extern "C" {
typedef struct cp_guid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
} cp_guid;
}

// Operators live beside cp_guid so that lookup finds them from any namespace.
constexpr bool operator==(const cp_guid &a, const cp_guid &b) {
  if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.data4[i] != b.data4[i]) return false;
  return true;
}

constexpr bool operator<(const cp_guid &a, const cp_guid &b) {
  if (a.data1 != b.data1) return a.data1 < b.data1;
  if (a.data2 != b.data2) return a.data2 < b.data2;
  if (a.data3 != b.data3) return a.data3 < b.data3;
  for (int i = 0; i < 8; ++i)
    if (a.data4[i] != b.data4[i]) return a.data4[i] < b.data4[i];
  return false;
}

namespace component {

using Guid = cp_guid;

namespace detail {
constexpr int hexDigit(char c) {
  return c >= '0' && c <= '9' ? c - '0'
       : c >= 'a' && c <= 'f' ? c - 'a' + 10
       : c >= 'A' && c <= 'F' ? c - 'A' + 10
       : -1;
}
} // namespace detail

// Parses "{8-4-4-4-12}" (braces optional, any case). False on anything else.
constexpr bool parseGuid(std::string_view text, Guid *out) {
  if (text.size() == 38) {
    if (text.front() != '{' || text.back() != '}') return false;
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return false;
  uint8_t bytes[16] = {};
  int n = 0;
  for (size_t i = 0; i < 36; ++i) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return false;
      continue;
    }
    const int hi = detail::hexDigit(text[i]);
    const int lo = detail::hexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes[n++] = uint8_t(hi * 16 + lo);
    ++i;
  }
  Guid g{};
  g.data1 = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
  g.data2 = uint16_t(bytes[4] << 8 | bytes[5]);
  g.data3 = uint16_t(bytes[6] << 8 | bytes[7]);
  for (int i = 0; i < 8; ++i) g.data4[i] = bytes[8 + i];
  *out = g;
  return true;
}

// For identities written in the source: a malformed text fails the build.
consteval Guid makeGuid(std::string_view text) {
  Guid g{};
  if (!parseGuid(text, &g)) throw "malformed GUID";
  return g;
}

// Upper case, with braces.
std::string formatGuid(const Guid &g);

} // namespace component

#endif
