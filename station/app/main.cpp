// The station program: one main screen for the whole run.
#include "punch/Tfrm_principal.h"
#include "services/TerminationSignals.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8("Zeltron - Gerador de Marcações"));
  QApplication::setStyle("Fusion");

  punch::Station station(paths::StationPaths(paths::StationPaths::resolveHome(app.arguments())),
                         services::realServices());
  punch::Tfrm_principal frm_principal(station);
  services::TerminationSignals stop([&] { frm_principal.close(); });
  if (QScreen *screen = QGuiApplication::primaryScreen())
    frm_principal.move(screen->availableGeometry().center() - frm_principal.rect().center());
  frm_principal.show();
  return app.exec();
}
