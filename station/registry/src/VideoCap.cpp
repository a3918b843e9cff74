#include "registry/VideoCap.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>

namespace registry {

const char *const VideoCap::kDriverName = "Microsoft WDM Image Capture (Win32)";

VideoCap::VideoCap(std::unique_ptr<CameraBackend> camera, QWidget *parent)
    : QWidget(parent), m_camera(std::move(camera)) {
  setObjectName("VideoCap1");
  connect(m_camera.get(), &CameraBackend::frame, this, [this](const QImage &image) {
    if (!m_preview) return;
    m_frame = image;
    update();
  });
}

VideoCap::~VideoCap() {
  if (m_open) m_camera->stop();
}

void VideoCap::setDriverIndex(int index) {
  const int installed = int(std::min<qsizetype>(m_camera->devices().size(), kMaxDrivers));
  m_index = index >= 0 && index < installed ? index : -1;
}

void VideoCap::setDriverName(const QString &name) {
  const QStringList devices = m_camera->devices().mid(0, kMaxDrivers);
  m_index = int(devices.indexOf(name));
  // Deliberate: the Windows driver name never occurs on Linux, so it stands
  // for the first camera.
  if (m_index < 0 && !devices.isEmpty()) m_index = 0;
}

bool VideoCap::open(QString &error) {
  if (m_index < 0) {
    error = "No capture driver selected";
    return false;
  }
  if (m_open) m_camera->stop();
  m_open = m_camera->start(m_index, error);
  return m_open;
}

void VideoCap::setPreview(bool on) { m_preview = on; }

bool VideoCap::copyToClipboard() const {
  if (m_frame.isNull()) return false;
  QGuiApplication::clipboard()->setImage(m_frame);
  return true;
}

void VideoCap::paintEvent(QPaintEvent *) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  if (m_frame.isNull()) return;
  const QSize scaled = m_frame.size().scaled(size(), Qt::KeepAspectRatio);
  const QRect target(QPoint((width() - scaled.width()) / 2, (height() - scaled.height()) / 2), scaled);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(target, m_frame);
}

} // namespace registry
