#pragma once
// Windows-1252 <-> QString at the boundary of every text file and of the
// settings record. Inside the program text is QString.

#include <QByteArray>
#include <QString>

namespace textcodec {

// Characters that Windows-1252 cannot hold become '?'.
QByteArray toCp1252(const QString &text);
// Every byte maps to a character; the five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of that number.
QString fromCp1252(const QByteArray &bytes);
QString fromCp1252(const char *bytes, qsizetype size);

} // namespace textcodec
