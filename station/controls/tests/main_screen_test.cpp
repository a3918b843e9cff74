// The main screen hosts ctrlSensor1, ctrlFPdb1 and ctrlIdentificar1; in
// fingerprint mode ctrlIdentificar1 shows in layout 5.
#include "controls/ctrl_fpdb.h"
#include "controls/ctrl_identificar.h"
#include "controls/ctrl_sensor.h"
#include "punch/Tfrm_principal.h"
#include "settings/SettingsStore.h"
#include "testsupport/FakeServices.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>

namespace {

class MainScreenHosting : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(home.isValid());
    // The control library installed in the system folder: the program's own
    // folder, where the build puts libdactilox.so.
    qputenv("TALVENOX_SYSTEM_DIR", QCoreApplication::applicationDirPath().toUtf8());
    // No engine here; its absence is reported by the controls, not fatal.
    qputenv("DACTILOX_ENGINE", home.filePath("no-engine/libPPVBP42.so").toUtf8());
  }
  void TearDown() override {
    qunsetenv("TALVENOX_SYSTEM_DIR");
    qunsetenv("DACTILOX_ENGINE");
  }
  void writeSettings(const QString &kind) {
    settings::RegistroPrincipal r;
    settings::defaultColours(r);
    settings::configuracaopadrao(r, kind);
    r.PastaDados = r.pastabio = r.PastaExp = home.path() + "/";
    ASSERT_TRUE(settings::gravaconfiguracao(home.filePath("zeltron.sys"), r));
  }
  QTemporaryDir home;
  testsupport::FakeServices fakes;
};

} // namespace

TEST_F(MainScreenHosting, FingerprintModeShowsTheIdentificationControlInLayout5) {
  writeSettings("DIGITALPERSONA");
  punch::Station station(paths::StationPaths(home.path()), fakes.services());
  punch::Tfrm_principal frm(station);
  frm.show();
  frm.iniciar();

  auto *ident = frm.findChild<controls::CtrlIdentificar *>("ctrlIdentificar1");
  auto *sensor = frm.findChild<controls::CtrlSensor *>("ctrlSensor1");
  auto *fpdb = frm.findChild<controls::CtrlFPdb *>("ctrlFPdb1");
  ASSERT_NE(ident, nullptr);
  ASSERT_NE(sensor, nullptr);
  ASSERT_NE(fpdb, nullptr);
  ASSERT_TRUE(ident->ok()) << ident->errorText().toStdString();
  EXPECT_TRUE(sensor->ok());
  EXPECT_TRUE(fpdb->ok());
  EXPECT_TRUE(QFile::exists(home.filePath("components.ini"))) << "registered in the station's home";

  EXPECT_TRUE(ident->isVisible());
  EXPECT_EQ(ident->geometry(), QRect(304, 296, 183, 200));
  EXPECT_EQ(ident->view()->size(), QSize(183, 200)) << "layout 5 is the image box alone";
  EXPECT_EQ(ident->toolTip(), QString::fromUtf8("Sistema de Identificação Biometrica"));
  EXPECT_FALSE(frm.findChild<QWidget *>("t_manual")->isVisible());

  // The screen's colours stop at the embedded control.
  auto *mensagem = ident->view()->findChild<QLabel *>("mensagem");
  ASSERT_NE(mensagem, nullptr);
  EXPECT_EQ(mensagem->palette().color(QPalette::WindowText), QColor(Qt::white));
  const QImage shot = ident->grab().toImage();
  EXPECT_EQ(shot.pixelColor(shot.width() / 2, shot.height() / 2), QColor(Qt::white)) << "the empty image box";
}

TEST_F(MainScreenHosting, KeyboardModeHidesTheControl) {
  writeSettings("NENHUM");
  punch::Station station(paths::StationPaths(home.path()), fakes.services());
  punch::Tfrm_principal frm(station);
  frm.show();
  frm.iniciar();
  auto *ident = frm.findChild<controls::CtrlIdentificar *>("ctrlIdentificar1");
  ASSERT_NE(ident, nullptr);
  EXPECT_FALSE(ident->isVisible());
  EXPECT_TRUE(frm.findChild<QWidget *>("t_manual")->isVisible());
}
