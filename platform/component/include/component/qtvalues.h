// QString conversions for Qt code on either side of a dispatch call.
// Header only: platform/component itself does not depend on Qt.
#ifndef COMPONENT_QTVALUES_H
#define COMPONENT_QTVALUES_H

#include "component/values.h"

#include <QString>

namespace component {

inline QString toQString(const oa_variant *v) {
  const std::u16string s = toU16(v);
  return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

inline Value fromQString(const QString &s) {
  return Value::string(std::u16string_view(reinterpret_cast<const char16_t *>(s.utf16()), size_t(s.size())));
}

} // namespace component

#endif
