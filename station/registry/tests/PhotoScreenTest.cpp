// The photo screen on a fake camera: driver selection and "vcap.ini", freeze
// and release with the sound, the JPEG written, and the registry's webcam
// button end to end.
#include "RegistryFixture.h"

#include "registry/Tfrm_capturafoto.h"
#include "registry/VideoCap.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTimer>
#include <QToolButton>

using registry::FakeCameraBackend;
using registry::Tfrm_capturafoto;

class PhotoScreen : public RegistryFixture {
protected:
  std::unique_ptr<Tfrm_capturafoto> capture(const QStringList &devices, int storedIndex = -2) {
    if (storedIndex != -2) QSettings(home.filePath("vcap.ini"), QSettings::IniFormat).setValue("Driver/index", storedIndex);
    auto camera = std::make_unique<FakeCameraBackend>(devices, QSize(320, 240));
    fake = camera.get();
    return std::make_unique<Tfrm_capturafoto>(registro, home.path() + "/", fakes.services(), std::move(camera));
  }
  int storedIndex() { return QSettings(home.filePath("vcap.ini"), QSettings::IniFormat).value("Driver/index", 99).toInt(); }
  int sounds() { return int(fakes.sounds.played.count(home.filePath("pict.wav"))); }
  FakeCameraBackend *fake = nullptr;
};

TEST_F(PhotoScreen, DriverSelectionAndTheStoredIndex) {
  const struct {
    const char *name;
    QStringList devices;
    int stored;
    int used; // -1: opening fails
  } cases[] = {
      {"named driver wins over the stored index", {"A", "B", "Microsoft WDM Image Capture (Win32)"}, 0, 2},
      {"a Linux camera stands for the named driver", {"USB Camera", "Other"}, 1, 0},
      {"no camera", {}, 0, -1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    {
      auto frm = capture(c.devices, c.stored);
      EXPECT_EQ(frm->video()->driverIndex(), c.used);
      QString error;
      EXPECT_EQ(frm->abre(error), c.used >= 0);
      if (c.used < 0) {
        EXPECT_EQ(error, "No capture driver selected");
      } else {
        EXPECT_EQ(fake->started(), c.used);
      }
    }
    EXPECT_EQ(storedIndex(), c.used) << "written back when the screen goes";
  }
}

TEST_F(PhotoScreen, SaveFreezesWritesAJpegAndHandsThePathBack) {
  for (bool frozenFirst : {true, false}) {
    SCOPED_TRACE(frozenFirst ? "frozen first" : "live");
    fakes.sounds.played.clear();
    const QString path = home.filePath(frozenFirst ? "rg123.jpg" : "temp.jpg");
    auto frm = capture({"USB Camera"});
    QString error;
    ASSERT_TRUE(frm->abre(error));
    frm->setCaminho(home.filePath("temp.jpg"));
    frm->show();
    EXPECT_EQ(frm->windowTitle(), "Captura de Foto");
    auto *check = frm->findChild<QCheckBox *>("CheckPrev");
    auto *name = frm->findChild<QLineEdit *>("EditSPict");
    ASSERT_TRUE(check && name);
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(name->text(), home.filePath("temp.jpg"));
    fake->emitFrame();
    EXPECT_FALSE(frm->video()->frame().isNull());
    if (frozenFirst) {
      check->click();
      EXPECT_FALSE(frm->video()->preview());
      EXPECT_EQ(sounds(), 1);
    }
    const QImage shown = frm->video()->frame();
    name->setText(path);
    const int before = sounds();
    frm->findChild<QToolButton *>("BtSPict")->click();
    EXPECT_EQ(sounds() - before, frozenFirst ? 1 : 2) << "the save's sound, and the toggle's when it was live";
    fake->emitFrame(); // frozen: a new frame does not replace the one shown
    EXPECT_EQ(frm->video()->frame(), shown);
    EXPECT_TRUE(frm->gravada());
    EXPECT_FALSE(frm->isVisible());
    EXPECT_EQ(frm->caminho(), path);
    QImage written(path, "JPG");
    EXPECT_EQ(written.size(), QSize(320, 240));
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(320, 240));
  }
}

TEST_F(PhotoScreen, UnwritableNameKeepsTheScreenOpenAndLeavingHandsTheNameBack) {
  auto frm = capture({"USB Camera"});
  QString error;
  ASSERT_TRUE(frm->abre(error));
  frm->setCaminho(home.filePath("temp.jpg"));
  frm->show();
  fake->emitFrame();
  frm->findChild<QLineEdit *>("EditSPict")->setText(home.filePath("no/such/folder/x.jpg"));
  frm->findChild<QToolButton *>("BtSPict")->click();
  ASSERT_EQ(fakes.messages.shown.size(), 1);
  EXPECT_TRUE(frm->isVisible());
  EXPECT_FALSE(frm->gravada());
  frm->findChild<QToolButton *>("SpeedButton2")->click();
  EXPECT_FALSE(frm->isVisible());
  EXPECT_EQ(frm->caminho(), home.filePath("no/such/folder/x.jpg"));
}

TEST_F(PhotoScreen, RegistryWebcamButtonStoresTheCapturedPhotoAsABitmap) {
  addEmployee("1", "Ana");
  open();
  // The operator saves as soon as the photo screen shows.
  auto *timer = new QTimer(screen.get());
  timer->setInterval(5);
  int ticks = 0;
  QObject::connect(timer, &QTimer::timeout, screen.get(), [&, timer] {
    auto *frm = screen->findChild<Tfrm_capturafoto *>();
    if (!frm || !frm->isVisible()) return;
    if (++ticks > 1000) { // never hang the run: give up after about 5 s
      timer->stop();
      ADD_FAILURE() << "no frame reached the photo screen";
      frm->reject();
      return;
    }
    if (frm->video()->frame().isNull()) return; // the camera's first frame
    timer->stop();
    frm->findChild<QToolButton *>("BtSPict")->click();
  });
  timer->start();
  find<QToolButton>("SpeedButton6")->click();
  EXPECT_TRUE(fakes.messages.shown.isEmpty()) << fakes.messages.shown.join(" | ").toStdString();
  EXPECT_TRUE(QFile::exists(home.filePath("temp.jpg")));
  EXPECT_TRUE(QFile::exists(home.filePath("temp.Bmp")));
  EXPECT_TRUE(screen->foto().bitmap);
  find<QAbstractButton>("bt_confirma")->click();
  ASSERT_EQ(table.findKey("1"), registry::Lookup::Found);
  EXPECT_TRUE(table.value("foto").toByteArray().startsWith("BM"));

  // Without a camera: the message, no photo screen, the photo unchanged.
  cameras.clear();
  fakes.messages.shown.clear();
  const QImage before = screen->foto().image;
  find<QToolButton>("SpeedButton6")->click();
  EXPECT_EQ(fakes.messages.shown, QStringList{"No capture driver selected"});
  EXPECT_EQ(screen->foto().image, before);
}
