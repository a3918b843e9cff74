// The registry screen on its own, on the station's home folder, settings and
// employee table, until the main screen's toolbar opens it:
//   talvenox-registry [--home DIR] [--cores]
// --cores opens the colour screen instead and stores the slots on leaving.
#include "controls/hosted_control.h"
#include "registry/Tfrm_cadBio.h"
#include "settings/SettingsStore.h"
#include "settings/Tfrm_cores.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8("Zeltron - Gerador de Marcações"));
  QApplication::setStyle("Fusion");
  const paths::StationPaths paths(paths::StationPaths::resolveHome(app.arguments()));
  services::Services services = services::realServices();
  if (!paths.ensureHome()) {
    services.messages->show(nullptr, "Não foi possível criar a pasta " + paths.home());
    return 1;
  }
  settings::RegistroPrincipal registro;
  const QString settingsPath = paths.inHome("zeltron.sys");
  if (QFileInfo::exists(settingsPath)) settings::leconfiguracao(settingsPath, registro);
  else settings::configuracaopadrao(registro, settings::detectIdentificationKind({paths.systemFolder()}));
  // As the main screen does at start-up: no colours yet means the first scheme.
  if (registro.cores[settings::corprincipal].isEmpty()) settings::defaultColours(registro);

  if (app.arguments().contains("--cores")) {
    settings::Tfrm_cores cores(registro, *services.messages);
    cores.exec();
    QString error;
    if (!settings::gravaconfiguracao(settingsPath, registro, &error)) {
      services.messages->show(nullptr, error);
      return 1;
    }
    return 0;
  }

  for (const QString &folder : {registro.PastaDados, registro.pastabio})
    if (folder == QLatin1String(settings::kDefaultFolder)) QDir().mkpath(paths.native(folder));
  registry::EmployeeTable table;
  if (!table.open(paths.native(registro.PastaDados + "zeltron.db"))) {
    services.messages->show(nullptr, table.errorString());
    return 1;
  }
  QString notRegistered;
  controls::registrarDactilox(paths.home(), paths.libraryFolder("libdactilox.so"), &notRegistered);
  registry::Tfrm_cadBio frm_cadBio({table, registro, paths, services});
  frm_cadBio.exec();
  return 0;
}
