#include "trace_log.h"

#include "shared_state.h"
#include "host_paths.h"

#include "textcodec/Cp1252.h"

#include <QFile>
#include <QLocale>
#include <QTime>

namespace dactilox {

QString caminhoTrace() { return caminhoNativo(QStringLiteral("c:\\ZeltAccessLog.txt")); }

void gravarTrace(const QString &texto) {
  if (estado().banco.habilitarTrace != 1)
    return;
  QFile f(caminhoTrace());
  // Opened and closed per line, so that a crash loses nothing written before it.
  if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return;
  const QString linha = QLocale::system().toString(QTime::currentTime(), QLocale::LongFormat) +
                        QStringLiteral(" - ") + texto + QStringLiteral("\r\n");
  f.write(textcodec::toCp1252(linha));
}

} // namespace dactilox
