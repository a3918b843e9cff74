#pragma once
// What the photo screen needs of a camera: the installed devices, start and
// stop, and the frames. The station uses Qt Multimedia (QtCameraBackend);
// tests and demos without a camera use FakeCameraBackend.

#include <QImage>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

namespace registry {

class CameraBackend : public QObject {
  Q_OBJECT
public:
  // Descriptions of the installed cameras; the position is the driver index.
  virtual QStringList devices() const = 0;
  // Starts delivering frames of device `index`; false with a message.
  virtual bool start(int index, QString &error) = 0;
  virtual void stop() = 0;

signals:
  void frame(const QImage &image);
};

using CameraFactory = std::function<std::unique_ptr<CameraBackend>()>;

// Qt Multimedia's cameras (QMediaDevices::videoInputs).
std::unique_ptr<CameraBackend> makeQtCamera();

// A camera that is not there: the listed devices, and about 30 frames a
// second of a generated picture (a face on a gradient, with a frame counter).
class FakeCameraBackend : public CameraBackend {
  Q_OBJECT
public:
  explicit FakeCameraBackend(QStringList devices = {QStringLiteral("Fake Camera")}, QSize size = {320, 240});
  QStringList devices() const override { return m_devices; }
  bool start(int index, QString &error) override;
  void stop() override;
  // Delivers one frame now (tests).
  void emitFrame();
  int started() const { return m_started; }
  int frames() const { return m_count; }

private:
  QStringList m_devices;
  QSize m_size;
  int m_timer = 0;
  int m_started = -1;
  int m_count = 0;

protected:
  void timerEvent(QTimerEvent *event) override;
};

// The factory the station uses: the fake when TALVENOX_CAMERA=fake, else Qt's.
CameraFactory defaultCameraFactory();

} // namespace registry
