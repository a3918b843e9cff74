#include "ctrl_sensor.h"

#include "papilo.h"
#include "shared_state.h"

namespace dactilox {

CtrlSensor::CtrlSensor(QWidget *parent) : PictureControl(Picture::Reader, 1005, 1110, parent) {
  setObjectName(QStringLiteral("ctrlSensor"));
  m_indiceSensor = 0;
  FingerPrintImage *slot0 = estado().imagem(0);
  slot0->fpiNew = false;
  slot0->fpiRunning = false;
}

void CtrlSensor::falha(const QString &detalhe) {
  disparar(evErroMsg, QStringLiteral("Erro ao inicializar o sensor: ") + detalhe);
  pump();
}

void CtrlSensor::InicializarSensor() {
  if (m_ativo || m_iniciando) return;
  m_iniciando = true;
  disparar(evInicializandoSensor);
  pump();
  const std::optional<int32_t> ctx = papilo().createContext();
  if (!ctx) {
    m_iniciando = false;
    falha(papilo().lastError());
    return;
  }
  m_contexto = *ctx;
  m_slotContexto = m_indiceSensor;
  if (int32_t *c = estado().contexto(m_indiceSensor)) *c = *ctx;
  // TODO(sensor): create the scanner manager, enumerate, CreateScanner with
  // SerialSensor or the first identity, connect its Image event to
  // receberImagem, start capturing; failures end the start here.
  m_iniciando = false;
  m_ativo = true;
  disparar(evSensorInicializado);
  if (!papilo().initialize()) falha(papilo().lastError());
}

void CtrlSensor::EncerrarSensor() {
  if (!m_ativo) return;
  // TODO(sensor): stop capturing and release the scanner.
  // Every failure here is ignored: a stop always completes.
  pump();
  liberarContexto(m_contexto, m_slotContexto);
  pump();
  papilo().finalize();
  pump();
  m_ativo = false;
  disparar(evSensorEncerrado);
}

void CtrlSensor::receberImagem(int32_t width, int32_t height, const oa_variant *image) {
  FingerPrintImage *slot = estado().imagem(m_indiceSensor);
  if (!slot) return;
  slot->setImage(image);
  slot->fpiNew = true;
  slot->fpiRunning = true;
  slot->fpiWidth = width;
  slot->fpiHeight = height;
}

} // namespace dactilox
