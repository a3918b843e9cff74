// The station program: one main screen for the whole run.
#include "punch/Tfrm_principal.h"
#include "registry/Tfrm_cadBio.h"
#include "services/TerminationSignals.h"
#include "settings/Tfrm_cores.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8("Zeltron - Gerador de Marcações"));
  QApplication::setStyle("Fusion");

  punch::Station station(paths::StationPaths(paths::StationPaths::resolveHome(app.arguments())),
                         services::realServices());
  // The screens the toolbar and the settings screen open, each modal for its run.
  station.abridores.cadastro = [&station](QWidget *parent) {
    registry::Tfrm_cadBio frm({station.tb_biometria, station.registro, station.paths, station.services}, parent);
    frm.exec();
  };
  station.abridores.cores = [&station](QWidget *parent) {
    settings::Tfrm_cores frm(station.registro, *station.services.messages, parent);
    frm.exec();
  };
  punch::Tfrm_principal frm_principal(station);
  services::TerminationSignals stop([&] { frm_principal.close(); });
  if (QScreen *screen = QGuiApplication::primaryScreen())
    frm_principal.move(screen->availableGeometry().center() - frm_principal.rect().center());
  frm_principal.show();
  return app.exec();
}
