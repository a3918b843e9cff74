#include "settings/ColourText.h"

namespace settings {
namespace {

struct Named {
  const char *name;
  QRgb rgb;
};

constexpr Named kFixed[] = {
    {"clBlack", 0x000000},     {"clMaroon", 0x800000},   {"clGreen", 0x008000}, {"clOlive", 0x808000},
    {"clNavy", 0x000080},      {"clPurple", 0x800080},   {"clTeal", 0x008080},  {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},    {"clRed", 0xFF0000},      {"clLime", 0x00FF00},  {"clYellow", 0xFFFF00},
    {"clBlue", 0x0000FF},      {"clFuchsia", 0xFF00FF},  {"clAqua", 0x00FFFF},  {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xA6CAF0}, {"clCream", 0xFFFBF0}, {"clMedGray", 0xA0A0A4},
};

struct SystemName {
  const char *name;
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

constexpr SystemName kSystem[] = {
    {"clWindow", QPalette::Active, QPalette::Base},
    {"clWindowText", QPalette::Active, QPalette::Text},
    {"clBtnFace", QPalette::Active, QPalette::Button},
    {"clBtnText", QPalette::Active, QPalette::ButtonText},
    {"clBtnShadow", QPalette::Active, QPalette::Dark},
    {"clBtnHighlight", QPalette::Active, QPalette::Light},
    {"cl3DDkShadow", QPalette::Active, QPalette::Shadow},
    {"cl3DLight", QPalette::Active, QPalette::Midlight},
    {"clActiveCaption", QPalette::Active, QPalette::Highlight},
    {"clCaptionText", QPalette::Active, QPalette::HighlightedText},
    {"clInactiveCaption", QPalette::Inactive, QPalette::Mid},
    {"clInactiveCaptionText", QPalette::Inactive, QPalette::Text},
    {"clActiveBorder", QPalette::Active, QPalette::Window},
    {"clInactiveBorder", QPalette::Inactive, QPalette::Midlight},
    {"clHighlight", QPalette::Active, QPalette::Highlight},
    {"clHighlightText", QPalette::Active, QPalette::HighlightedText},
    {"clGrayText", QPalette::Disabled, QPalette::Text},
    {"clMenu", QPalette::Active, QPalette::Window},
    {"clMenuText", QPalette::Active, QPalette::WindowText},
    {"clScrollBar", QPalette::Active, QPalette::Mid},
    {"clBackground", QPalette::Active, QPalette::Window},
    {"clAppWorkSpace", QPalette::Active, QPalette::Dark},
    {"clInfoBk", QPalette::Active, QPalette::ToolTipBase},
    {"clInfoText", QPalette::Active, QPalette::ToolTipText},
};

} // namespace

std::optional<QColor> colourFromText(const QString &text, const QPalette &palette) {
  const QString t = text.trimmed();
  if (t.startsWith('$')) {
    const QString digits = t.mid(1);
    if (digits.isEmpty() || digits.size() > 8) return std::nullopt;
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    if (!ok) return std::nullopt;
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
  }
  for (const Named &n : kFixed)
    if (t.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) return QColor::fromRgb(n.rgb);
  for (const SystemName &s : kSystem)
    if (t.compare(QLatin1String(s.name), Qt::CaseInsensitive) == 0) return palette.color(s.group, s.role);
  return std::nullopt;
}

QString colourToText(const QColor &colour) {
  const QRgb rgb = colour.rgb() & 0xFFFFFF;
  for (const Named &n : kFixed)
    if (n.rgb == rgb) return QString::fromLatin1(n.name);
  const uint bgr = uint(colour.blue()) << 16 | uint(colour.green()) << 8 | uint(colour.red());
  return QStringLiteral("$%1").arg(bgr, 8, 16, QChar('0')).toUpper();
}

} // namespace settings

namespace settings {

bool slotColours(const RegistroPrincipal &r, const QPalette &palette, Colours &out, QString *error) {
  for (int j = 0; j < kCorSlots; ++j) {
    const auto c = colourFromText(r.cores[j], palette);
    if (!c) {
      if (error) *error = QString::fromUtf8("\"%1\" não é uma cor válida").arg(r.cores[j]);
      return false;
    }
    out[j] = *c;
  }
  return true;
}

} // namespace settings
