// libFuzzer target: any bytes read as a settings file. Decoding never reads
// past the record, and what it yields survives a write and a second read.
#include "settings/SettingsStore.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  settings::RegistroPrincipal r;
  if (!settings::decode(bytes, r)) {
    if (size >= size_t(settings::kRecordSize)) std::abort();
    return 0;
  }
  settings::applyFallbacks(r);
  const QByteArray image = settings::encode(r);
  if (image.size() != settings::kRecordSize) std::abort();
  settings::RegistroPrincipal back;
  if (!settings::decode(image, back) || !(back == r)) std::abort();
  return 0;
}
