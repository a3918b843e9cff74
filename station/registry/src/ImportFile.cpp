#include "registry/ImportFile.h"

#include "textcodec/Cp1252.h"

#include <QFile>
#include <QFileInfo>

namespace registry {

ImportLine splitImportLine(const QString &line) {
  ImportLine out;
  QString field[7];
  qsizetype start = 0;
  int k = 0;
  for (; k < 7; ++k) {
    const qsizetype sep = line.indexOf(u';', start);
    if (sep < 0) break;
    field[k] = line.mid(start, sep - start);
    start = sep + 1;
  }
  out.complete = k == 7;
  out.empresa = field[0].left(20);
  out.codigo = field[1].left(20);
  out.rg = field[2].left(20);
  out.nome = field[3].left(100);
  out.nascimento = field[4];
  out.bloqueado = field[5].left(1);
  out.motivobloq = field[6].left(100);
  out.obs = out.complete ? line.mid(start, 100) : line.left(100);
  return out;
}

QStringList splitImportLines(const QByteArray &bytes) {
  QStringList lines;
  qsizetype start = 0;
  while (start < bytes.size()) {
    qsizetype end = bytes.indexOf('\n', start);
    const qsizetype next = end < 0 ? bytes.size() : end + 1;
    if (end < 0) end = bytes.size();
    qsizetype stop = end;
    if (stop > start && bytes[stop - 1] == '\r') --stop;
    lines << textcodec::fromCp1252(bytes.constData() + start, stop - start);
    start = next;
  }
  return lines;
}

bool importDate(const QString &text, QDate &out) {
  out = QDate();
  if (text.isEmpty()) return true;
  out = QDate::fromString(text, QStringLiteral("d/M/yyyy"));
  return out.isValid();
}

bool readImportFile(const QString &path, QStringList &lines, QString &error) {
  lines.clear();
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    error = QString::fromUtf8("Não foi possível abrir o arquivo %1: %2").arg(path, f.errorString());
    return false;
  }
  if (f.size() > kMaxImportBytes) {
    error = QString::fromUtf8("O arquivo %1 é grande demais para importação (%2 bytes; limite %3)")
                .arg(path)
                .arg(f.size())
                .arg(kMaxImportBytes);
    return false;
  }
  const QByteArray bytes = f.read(kMaxImportBytes + 1);
  if (f.error() != QFileDevice::NoError) {
    error = QString::fromUtf8("Erro ao ler o arquivo %1: %2").arg(path, f.errorString());
    return false;
  }
  // A NUL byte never occurs in a text file: the file is some other kind.
  if (bytes.contains('\0')) {
    error = QString::fromUtf8("O arquivo %1 não é um arquivo de texto").arg(path);
    return false;
  }
  lines = splitImportLines(bytes);
  return true;
}

} // namespace registry
