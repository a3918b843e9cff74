#pragma once
// The photo screen: the camera's live image, freeze and release, and the
// frozen frame saved as a JPEG file (baseline, quality 90) under a name the
// registry proposes. The driver index is kept in "vcap.ini" in the home
// folder, section "Driver", key "index".

#include "registry/CameraBackend.h"
#include "services/Services.h"
#include "settings/RegistroPrincipal.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QToolButton;

namespace registry {

class VideoCap;

class Tfrm_capturafoto : public QDialog {
  Q_OBJECT
public:
  // home: the station's home folder (ends with '/'), for "vcap.ini" and "pict.wav".
  Tfrm_capturafoto(const settings::RegistroPrincipal &registro, const QString &home, const services::Services &services,
                   std::unique_ptr<CameraBackend> camera, QWidget *parent = nullptr);
  ~Tfrm_capturafoto() override;

  // Opens the camera; false with the error to show, the screen then is not shown.
  bool abre(QString &error);
  // In: the proposed path; out: the name edit's text when the screen was left.
  void setCaminho(const QString &path) { m_caminho = path; }
  const QString &caminho() const { return m_caminho; }
  // True when a photo was written.
  bool gravada() const { return m_gravada; }

  void salvafoto();
  void abandona();
  VideoCap *video() const { return VideoCap1; }

protected:
  void showEvent(QShowEvent *event) override;

private:
  void atualizacores();
  void alterna(bool ligado);

  const settings::RegistroPrincipal &m_registro;
  QString m_home;
  services::Services m_services;
  QString m_caminho;
  bool m_gravada = false;
  QWidget *Panel1 = nullptr;
  QWidget *Panel2 = nullptr;
  VideoCap *VideoCap1 = nullptr;
  QCheckBox *CheckPrev = nullptr;
  QLineEdit *EditSPict = nullptr;
  QToolButton *BtSPict = nullptr;
  QToolButton *SpeedButton2 = nullptr;
};

} // namespace registry
