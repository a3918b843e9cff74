#include "settings/ColourSchemes.h"

namespace settings {
namespace {

struct Scheme {
  const char *name;
  const char *texts[kCorSlots]; // slot 7 repeats slot 3 in every scheme but 02
};

const Scheme kSchemes[] = {
    {"01 - Padrão Azul Win9x/XP - Com Base em Cromoterapia",
     {"$EEFFF8", "$FFCC00", "$FFDDAA", "clblue", "clblack", "cllime", "$FFDDAA", "$EEFFF8", "clWindowText"}},
    {"02 - Padrão Windows",
     {"clwindow", "clwindow", "clbtnface", "clactivecaption", "clbtnshadow", "clWindowText", "clInActiveBorder",
      "clcaptionText", "clWindowText"}},
    {"03 - Floresta",
     {"$FAFAFA", "$DAE6D6", "$6BA873", "clblue", "clblack", "cllime", "$6BA873", "$BEEABC", "clWindowText"}},
    {"04 - Areia", {"$DFEAF4", "$E2E9F1", "$E2E7FA", "clblue", "clblack", "cllime", "$E2E7FA", "$EEF2F7", "clWindowText"}},
    {"05 - Cinza", {"$F2F2F2", "$D3D2DA", "$E4EEF8", "clblue", "clblack", "cllime", "$E4EEF8", "$E9E7DD", "clWindowText"}},
    {"06 - Cinza Azulado",
     {"$FFFFDD", "$E9E7DD", "$F2F2F2", "clblue", "clblack", "cllime", "$F2F2F2", "$FBFCC4", "clWindowText"}},
};

} // namespace

QStringList colourSchemeNames() {
  QStringList names;
  for (const Scheme &s : kSchemes) names << QString::fromUtf8(s.name);
  return names;
}

bool applyColourScheme(const QString &text, RegistroPrincipal &r) {
  const QString number = text.left(2);
  for (const Scheme &s : kSchemes) {
    if (number != QLatin1String(s.name, 2)) continue;
    for (int j = 0; j < kCorSlots; ++j) r.cores[j] = QString::fromLatin1(s.texts[j]);
    return true;
  }
  return false;
}

} // namespace settings
