#include "component/component.h"
#include "component/guid.h"

#include <cstdio>

namespace component {

std::string formatGuid(const Guid &g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.data1),
                unsigned(g.data2), unsigned(g.data3), g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4],
                g.data4[5], g.data4[6], g.data4[7]);
  return buf;
}

const char *resultText(int32_t result) {
  switch (result) {
  case kOk: return "ok";
  case kFalse: return "false";
  case kFail: return "member failed";
  case kClassNotRegistered: return "class not registered";
  case kClassNotAvailable: return "class not available from this library";
  case kNotCreatable: return "class is not creatable";
  case kNoInterface: return "interface not supported";
  case kMemberNotFound: return "member not found";
  case kBadInvokeKind: return "member does not support this kind of call";
  case kTypeMismatch: return "type mismatch";
  case kOverflow: return "overflow";
  case kBadArgCount: return "wrong number of arguments";
  case kLibraryNotFound: return "component library cannot be loaded";
  case kExportNotFound: return "component library has no DllGetClassObject";
  case kRegistryError: return "component registry file cannot be read or written";
  case kInvalidArg: return "invalid argument";
  default: return "unknown error";
  }
}

} // namespace component
