// Windows paths that the library names itself or receives from its host
// ("c:\ZeltAccessLog.txt", a Jet data source) map by the station's path
// rule, with the home folder the station itself uses (its --home argument,
// TALVENOX_HOME, else the XDG data folder).
#ifndef DACTILOX_HOST_PATHS_H
#define DACTILOX_HOST_PATHS_H

#include <QString>

namespace dactilox {

QString caminhoNativo(const QString &armazenado);

} // namespace dactilox

#endif
