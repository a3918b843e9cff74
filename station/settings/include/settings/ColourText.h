#pragma once
// Colour texts of the colour slots: a toolkit colour name ("clblue",
// "clWindowText", any letter case) or "$" and hexadecimal digits of a
// 0x00BBGGRR value ("$FFCC00" is red 0, green 204, blue 255).

#include <QColor>
#include <QPalette>
#include <QString>

#include <optional>

namespace settings {

// System colour names follow the given palette (the desktop's appearance).
// Empty when the text is neither a known name nor a "$" number.
std::optional<QColor> colourFromText(const QString &text, const QPalette &palette);

// The text a chosen colour is stored as: the name of one of the twenty fixed
// colours, else "$" and eight upper-case hexadecimal digits of 0x00BBGGRR.
QString colourToText(const QColor &colour);

} // namespace settings

#include "settings/RegistroPrincipal.h"

#include <array>

namespace settings {

using Colours = std::array<QColor, kCorSlots>;

// All nine slots as colours; false with the message to show for the first
// slot whose text is no colour.
bool slotColours(const RegistroPrincipal &r, const QPalette &palette, Colours &out, QString *error);

} // namespace settings
