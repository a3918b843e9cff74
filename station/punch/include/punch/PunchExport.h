#pragma once
// The punch line in the configured layout and the three files it goes to:
// the export file in the export folder, the monthly file and the online file
// in the home folder.

#include "paths/StationPaths.h"
#include "services/Services.h"
#include "settings/RegistroPrincipal.h"

#include <QDate>
#include <QString>

namespace punch {

// The run-time values of one punch.
struct Punch {
  QString empresa; // the employee's company
  QString codigo;  // employee code
  QString funcao;  // code of the selected punch function
};

// Export file name from arquivo: base, company (flag cb_Codemp), date
// yyyymmdd (flag cb_data), collection point, extension of up to 4 letters.
QString exportFileName(const settings::RegistroPrincipal &r, const QString &empresa, const QDate &date);

// The line without its line end. Time fields read the clock each when built;
// "DataSemBarras" uses exportDate.
QString buildLine(const settings::RegistroPrincipal &r, const Punch &punch, const services::Clock &clock,
                  const QDate &exportDate);

struct ExportResult {
  enum Kind { Written, ConfigError, IoError } kind = Written;
  QString message; // ConfigError: the text to show; IoError: the failure's own text
};

// Appends the line to the export file and the monthly file and replaces the
// online file. Each append reaches the disk before the next file is written;
// the online file is written beside and renamed over the old one, so it is
// never missing or half-written. An input/output failure stops at that file.
// A file created by a punch (the day's export file, the month's file) and
// the replaced online file are followed by a sync of their folder.
ExportResult gravaascii(const settings::RegistroPrincipal &r, const Punch &punch, const paths::StationPaths &paths,
                        const services::Clock &clock);

// Tests see each folder synced through this; null (the default) for none.
using FolderSyncObserver = void (*)(const QString &folder);
void setFolderSyncObserver(FolderSyncObserver observer);

} // namespace punch
