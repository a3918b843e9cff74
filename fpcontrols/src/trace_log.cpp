#include "trace_log.h"

#include "shared_state.h"
#include "host_paths.h"

#include "textcodec/Cp1252.h"

#include <QFile>
#include <QTime>

namespace dactilox {

QString caminhoTrace() { return caminhoNativo(QStringLiteral("c:\\ZeltAccessLog.txt")); }

void gravarTrace(const QString &texto) {
  if (estado().banco.habilitarTrace != 1)
    return;
  QFile f(caminhoTrace());
  // Opened and closed per line, so that a crash loses nothing written before it.
  if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return;
  // The station's own time form (24 hours) rather than the locale's, which
  // may add a time zone or drop the seconds.
  const QString linha =
      QTime::currentTime().toString(QStringLiteral("hh:mm:ss")) + QStringLiteral(" - ") + texto + QStringLiteral("\r\n");
  f.write(textcodec::toCp1252(linha));
}

} // namespace dactilox
