#pragma once
// The live video area of the photo screen over a camera: driver selection by
// index (0..9) or by name, open, live image on and off (off keeps the last
// frame on display), the frame on display and its copy to the clipboard.

#include "registry/CameraBackend.h"

#include <QImage>
#include <QWidget>

#include <memory>

namespace registry {

class VideoCap : public QWidget {
  Q_OBJECT
public:
  static constexpr int kMaxDrivers = 10;
  // The name the station selects its camera by.
  static const char *const kDriverName; // "Microsoft WDM Image Capture (Win32)"

  explicit VideoCap(std::unique_ptr<CameraBackend> camera, QWidget *parent = nullptr);
  ~VideoCap() override;

  // An index without an installed camera becomes -1.
  void setDriverIndex(int index);
  // The camera whose description equals the name; when none has it, the
  // first camera (Linux cameras never carry that name); -1 without cameras.
  void setDriverName(const QString &name);
  int driverIndex() const { return m_index; }

  // Starts the selected camera; false with "No capture driver selected" or
  // the camera's own error.
  bool open(QString &error);
  void setPreview(bool on);
  bool preview() const { return m_preview; }
  // The frame on display (null before the first one).
  QImage frame() const { return m_frame; }
  // Puts the frame on display on the clipboard; false when there is none.
  bool copyToClipboard() const;

  CameraBackend *camera() const { return m_camera.get(); }

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  std::unique_ptr<CameraBackend> m_camera;
  int m_index = -1;
  bool m_open = false;
  bool m_preview = false;
  QImage m_frame;
};

} // namespace registry
