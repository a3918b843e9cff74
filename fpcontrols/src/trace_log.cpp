#include "trace_log.h"

#include "shared_state.h"

namespace dactilox {

// TODO(store): append to the trace file (path rule, time format, CR LF).
void gravarTrace(const QString &texto) {
  if (estado().banco.habilitarTrace != 1)
    return;
  (void)texto;
}

} // namespace dactilox
