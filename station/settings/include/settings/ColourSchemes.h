#pragma once
// The six fixed colour schemes offered by the colour screen.

#include "settings/RegistroPrincipal.h"

#include <QString>
#include <QStringList>

namespace settings {

// The drop-down texts, "01 - ..." to "06 - ...", in order.
QStringList colourSchemeNames();

// Sets all nine slots to the scheme whose number ("01".."06") the text starts
// with; false, changing nothing, for text that starts with none of them.
bool applyColourScheme(const QString &text, RegistroPrincipal &r);

} // namespace settings
