#include "registry/CameraBackend.h"

#include <QCamera>
#include <QCameraDevice>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QPainter>
#include <QTimerEvent>
#include <QVideoFrame>
#include <QVideoSink>

namespace registry {
namespace {

class QtCameraBackend final : public CameraBackend {
public:
  QtCameraBackend() { m_session.setVideoSink(&m_sink); }
  ~QtCameraBackend() override { stop(); }

  QStringList devices() const override {
    QStringList names;
    for (const QCameraDevice &d : QMediaDevices::videoInputs()) names << d.description();
    return names;
  }

  bool start(int index, QString &error) override {
    const QList<QCameraDevice> inputs = QMediaDevices::videoInputs();
    if (index < 0 || index >= inputs.size()) {
      error = "No capture driver selected";
      return false;
    }
    stop();
    m_camera = std::make_unique<QCamera>(inputs[index]);
    m_session.setCamera(m_camera.get());
    QObject::connect(&m_sink, &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame &f) {
      const QImage image = f.toImage();
      if (!image.isNull()) emit frame(image);
    });
    m_camera->start();
    if (m_camera->error() != QCamera::NoError) {
      error = "Can not connect capture driver with capture window: " + m_camera->errorString();
      stop();
      return false;
    }
    return true;
  }

  void stop() override {
    QObject::disconnect(&m_sink, nullptr, this, nullptr);
    if (m_camera) m_camera->stop();
    m_session.setCamera(nullptr);
    m_camera.reset();
  }

private:
  QMediaCaptureSession m_session;
  QVideoSink m_sink;
  std::unique_ptr<QCamera> m_camera;
};

} // namespace

std::unique_ptr<CameraBackend> makeQtCamera() { return std::make_unique<QtCameraBackend>(); }

FakeCameraBackend::FakeCameraBackend(QStringList devices, QSize size) : m_devices(std::move(devices)), m_size(size) {}

bool FakeCameraBackend::start(int index, QString &error) {
  if (index < 0 || index >= m_devices.size()) {
    error = "No capture driver selected";
    return false;
  }
  m_started = index;
  if (!m_timer) m_timer = startTimer(33);
  emitFrame();
  return true;
}

void FakeCameraBackend::stop() {
  if (m_timer) killTimer(m_timer);
  m_timer = 0;
}

void FakeCameraBackend::timerEvent(QTimerEvent *event) {
  if (event->timerId() == m_timer) emitFrame();
}

void FakeCameraBackend::emitFrame() {
  QImage image(m_size, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient g(0, 0, 0, m_size.height());
  g.setColorAt(0, QColor(70, 110, 160));
  g.setColorAt(1, QColor(190, 210, 230));
  p.fillRect(image.rect(), g);
  const int w = m_size.width(), h = m_size.height();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 50, 70));
  p.drawEllipse(QRectF(w * 0.25, h * 0.62, w * 0.5, h * 0.6)); // shoulders
  p.setBrush(QColor(230, 190, 160));
  p.drawEllipse(QRectF(w * 0.37, h * 0.18, w * 0.26, h * 0.48)); // face
  p.setBrush(QColor(40, 30, 20));
  p.drawEllipse(QRectF(w * 0.43, h * 0.33, w * 0.03, h * 0.04));
  p.drawEllipse(QRectF(w * 0.54, h * 0.33, w * 0.03, h * 0.04));
  p.setPen(Qt::white);
  p.drawText(QRect(4, 4, w - 8, 20), Qt::AlignLeft, QStringLiteral("#%1").arg(++m_count));
  p.end();
  emit frame(image);
}

CameraFactory defaultCameraFactory() {
  return []() -> std::unique_ptr<CameraBackend> {
    if (qEnvironmentVariable("TALVENOX_CAMERA") == QLatin1String("fake")) return std::make_unique<FakeCameraBackend>();
    return makeQtCamera();
  };
}

} // namespace registry
