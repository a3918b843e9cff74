#include "registry/Tfrm_capturafoto.h"

#include "registry/JpegCodec.h"
#include "registry/VideoCap.h"
#include "settings/ColourText.h"
#include "widgets/Colouring.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QSaveFile>
#include <QSettings>
#include <QStyle>
#include <QToolButton>

namespace registry {
namespace {
QString vcapIni(const QString &home) { return home + "vcap.ini"; }
} // namespace

Tfrm_capturafoto::Tfrm_capturafoto(const settings::RegistroPrincipal &registro, const QString &home,
                                   const services::Services &services, std::unique_ptr<CameraBackend> camera,
                                   QWidget *parent)
    : QDialog(parent), m_registro(registro), m_home(home), m_services(services) {
  setObjectName("frm_capturafoto");
  setWindowTitle("Captura de Foto");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);
  setFixedSize(260, 210);

  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  Panel1->setGeometry(0, 0, 44, 210);
  BtSPict = new QToolButton(Panel1);
  BtSPict->setObjectName("BtSPict");
  BtSPict->setToolTip("Salva Foto");
  BtSPict->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  BtSPict->setGeometry(6, 8, 32, 32);
  SpeedButton2 = new QToolButton(Panel1);
  SpeedButton2->setObjectName("SpeedButton2");
  SpeedButton2->setToolTip("Abandona Tela");
  SpeedButton2->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
  SpeedButton2->setGeometry(6, 170, 32, 32);

  auto *frame = new QFrame(this);
  frame->setObjectName("Panel2");
  frame->setFrameShape(QFrame::Panel);
  frame->setFrameShadow(QFrame::Sunken);
  frame->setGeometry(60, 8, 148, 128);
  Panel2 = frame;
  VideoCap1 = new VideoCap(std::move(camera), frame);
  VideoCap1->setToolTip(QString::fromUtf8("Tela de Visualização da WebCam"));
  VideoCap1->setGeometry(4, 4, 140, 120);

  CheckPrev = new QCheckBox("Visualizar/Congelar", this);
  CheckPrev->setObjectName("CheckPrev");
  CheckPrev->setToolTip("Libera/Congela Imagem para Fotografia");
  CheckPrev->setGeometry(60, 140, 190, 18);
  CheckPrev->setChecked(true);

  auto *group = new QGroupBox("Nome da Imagem", this);
  group->setObjectName("GroupBox1");
  group->setGeometry(52, 158, 204, 48);
  EditSPict = new QLineEdit(group);
  EditSPict->setObjectName("EditSPict");
  EditSPict->setToolTip("Nome da Foto (geralmente o RG do usuario)");
  EditSPict->setGeometry(6, 18, 192, 24);

  connect(CheckPrev, &QCheckBox::toggled, this, &Tfrm_capturafoto::alterna);
  connect(BtSPict, &QToolButton::clicked, this, &Tfrm_capturafoto::salvafoto);
  connect(SpeedButton2, &QToolButton::clicked, this, &Tfrm_capturafoto::abandona);

  atualizacores();
  VideoCap1->setDriverIndex(0);
  QSettings ini(vcapIni(m_home), QSettings::IniFormat);
  VideoCap1->setDriverIndex(ini.value("Driver/index", 0).toInt());
  VideoCap1->setDriverName(QString::fromLatin1(VideoCap::kDriverName));
}

Tfrm_capturafoto::~Tfrm_capturafoto() {
  QSettings ini(vcapIni(m_home), QSettings::IniFormat);
  ini.setValue("Driver/index", VideoCap1->driverIndex());
}

bool Tfrm_capturafoto::abre(QString &error) { return VideoCap1->open(error); }

void Tfrm_capturafoto::showEvent(QShowEvent *event) {
  EditSPict->setText(m_caminho);
  VideoCap1->setPreview(CheckPrev->isChecked());
  QDialog::showEvent(event);
}

void Tfrm_capturafoto::alterna(bool ligado) {
  m_services.sounds->play(m_home + "pict.wav");
  VideoCap1->setPreview(ligado);
}

void Tfrm_capturafoto::salvafoto() {
  m_services.sounds->play(m_home + "pict.wav");
  CheckPrev->setChecked(false);
  VideoCap1->setPreview(false);
  VideoCap1->copyToClipboard();
  // Encoded from the frozen frame itself, not read back from the clipboard,
  // which another program may change meanwhile.
  QByteArray jpeg;
  QString error;
  if (!encodeJpeg(VideoCap1->frame(), 90, jpeg, error)) {
    m_services.messages->show(this, error);
    return;
  }
  const QString path = EditSPict->text();
  QSaveFile file(path);
  if (path.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size() || !file.commit()) {
    m_services.messages->show(this, QString::fromUtf8("Não foi possível gravar a foto %1: %2").arg(path, file.errorString()));
    return;
  }
  m_gravada = true;
  abandona();
}

void Tfrm_capturafoto::abandona() {
  m_caminho = EditSPict->text();
  accept();
}

void Tfrm_capturafoto::atualizacores() {
  settings::Colours c;
  QString error;
  if (!settings::slotColours(m_registro, QApplication::palette(), c, &error)) {
    m_services.messages->show(this, error);
    return;
  }
  using namespace settings;
  widgets::paintBackground(this, c[corcontrole]);
  widgets::paintBackground(Panel2, c[corcontrole]);
  widgets::paintBackground(VideoCap1, c[corcontrole]);
  widgets::paintEditBackground(EditSPict, c[coredicao]);
  widgets::paintBackground(Panel1, c[corbotao]);
}

} // namespace registry
