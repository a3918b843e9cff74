#pragma once
// Reading and writing whole files in tests.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace testsupport {

// The file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace testsupport
