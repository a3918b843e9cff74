#pragma once
// The employee import file: 8-bit Windows-1252 text, one employee per line,
// eight fields separated by ";" and taken exactly as they stand.

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

namespace registry {

// Files above this size are refused before anything is stored.
constexpr qint64 kMaxImportBytes = 256LL * 1024 * 1024;

struct ImportLine {
  bool complete = false; // the line has at least seven separators
  QString empresa;       // field 1, at most 20 characters
  QString codigo;        // field 2, at most 20: the key, looked up with the same cut
  QString rg;            // field 3, at most 20
  QString nome;          // field 4, at most 100
  QString nascimento;    // field 5, as written ("dd/mm/yyyy" or empty)
  QString bloqueado;     // first character of field 6
  QString motivobloq;    // field 7, at most 100
  QString obs;           // everything after the seventh separator, at most 100
};

// Field k (1..7) lies between separators k-1 and k; a field whose closing
// separator is missing is empty, and obs then holds the line's first 100
// characters.
ImportLine splitImportLine(const QString &line);

// The lines of a file's bytes: CR LF or a lone LF ends a line; a last line
// without an end counts, an empty file has none.
QStringList splitImportLines(const QByteArray &bytes);

// The birth date of field 5 (day/month/year); a null date for an empty field,
// false for text that is no valid date.
bool importDate(const QString &text, QDate &out);

// Reads and splits a file. False with a message when it cannot be read, is
// larger than kMaxImportBytes or holds NUL bytes (not a text file).
bool readImportFile(const QString &path, QStringList &lines, QString &error);

} // namespace registry
