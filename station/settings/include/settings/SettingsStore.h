#pragma once
// Reading, writing and defaulting the settings record.

#include "settings/RegistroPrincipal.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace settings {

constexpr int kRecordSize = 2668;

extern const char *const kDefaultFolder; // "c:\halvorsten\zeltron\"
extern const char *const kDigitalPersona;
extern const char *const kNenhum;

// The record as stored: each field a length byte and its N characters in
// Windows-1252, longer values cut to N, unused bytes zero.
QByteArray encode(const RegistroPrincipal &r);
// Copies every field from the first kRecordSize bytes; false (and r
// untouched) when fewer bytes are given. A length byte above N counts as N.
bool decode(const QByteArray &bytes, RegistroPrincipal &r);

// The nine colour slots of the first scheme.
void defaultColours(RegistroPrincipal &r);
// The fallbacks applied after every read.
void applyFallbacks(RegistroPrincipal &r);
// Sets the default fields (and only those); identificationKind is the result
// of detectIdentificationKind.
void configuracaopadrao(RegistroPrincipal &r, const QString &identificationKind);

// "DIGITALPERSONA" when the fingerprint control library is installed, i.e.
// libdactilox.so lies in one of the given folders (the program's folder and
// the configured system folder); otherwise "NENHUM".
QString detectIdentificationKind(const QStringList &folders);

// Reads the file into r and applies the fallbacks. A missing file changes
// nothing; a short or unreadable one copies nothing but the fallbacks apply.
void leconfiguracao(const QString &path, RegistroPrincipal &r);
// Replaces the file with the record. The new content is written beside it
// and renamed over it, so a failure or a crash leaves the old file whole.
// False with a reason in *error on failure.
bool gravaconfiguracao(const QString &path, const RegistroPrincipal &r, QString *error = nullptr);

} // namespace settings
