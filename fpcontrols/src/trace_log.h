// The library's trace file: one line per trace text while tracing is on
// (HabilitarTrace = 1). Every control, the store and the search write
// through here; nothing else touches the file.
#ifndef DACTILOX_TRACE_LOG_H
#define DACTILOX_TRACE_LOG_H

#include <QString>

namespace dactilox {

// Appends "<time> - <texto>" with CR LF when tracing is on; otherwise the
// text is dropped. Never fails loudly: a trace must not stop a punch.
void gravarTrace(const QString &texto);

// Where the trace goes: "c:\ZeltAccessLog.txt" after the station's path rule.
QString caminhoTrace();

} // namespace dactilox

#endif
