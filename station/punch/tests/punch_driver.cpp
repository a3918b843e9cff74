// A station that punches one code by keyboard as soon as it has started,
// then idles until it is killed. Used to check what a confirmed punch leaves
// on disk when the process dies right after it.
#include "punch/Tfrm_principal.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QThread>

#include <cstdio>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 4 || args[1] != "--home") {
    std::fprintf(stderr, "usage: punch_driver --home DIR CODE\n");
    return 2;
  }
  punch::Station station(paths::StationPaths(args[2]), services::realServices());
  punch::Tfrm_principal frm(station);
  frm.show();
  frm.iniciar();
  auto *input = frm.findChild<QLineEdit *>("t_manual");
  QTest::keyClicks(input, args[3]);
  QTest::keyClick(input, Qt::Key_Return);
  std::puts("punched");
  std::fflush(stdout);
  for (;;) QThread::sleep(60);
}
