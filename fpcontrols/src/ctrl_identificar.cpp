#include "ctrl_identificar.h"

#include "papilo.h"
#include "template_store.h"

#include <QDateTime>
#include <QLabel>

namespace dactilox {

namespace {

// Hand glyphs: pointing up (waiting), thumb up, thumb down.
const QString kMaoAcima = QStringLiteral("\u261D");
const QString kPolegarAcima = QStringLiteral("\U0001F44D");
const QString kPolegarAbaixo = QStringLiteral("\U0001F44E");

const QString kTextoConfirmacaoSegundoDedo =
    QStringLiteral("CONFIRMAÇÃO :: Toque o sensor com um segundo dedo ...");

QString textoDe(oa_variant *v) {
  component::Value s;
  if (!v || component::coerce(v, OA_STR, s.get()) < 0) return {};
  return component::toQString(s.get());
}

void colorir(QLabel *l, const QColor &c) {
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, c);
  l->setPalette(p);
}

QLabel *glifo(QWidget *parent, int left, const QColor &c) {
  auto *l = new QLabel(kMaoAcima, parent);
  l->setGeometry(px(left), 0, px(3390), px(4905));
  l->setAlignment(Qt::AlignCenter);
  l->setAttribute(Qt::WA_TranslucentBackground);
  QFont f = l->font();
  f.setPixelSize(px(3390) * 2 / 3);
  f.setBold(true);
  l->setFont(f);
  colorir(l, c);
  return l;
}

} // namespace

CtrlIdentificar::CtrlIdentificar(QWidget *parent)
    : VisualControl({7320, 1380, 4725, 4545, evUsuarioExcluido, evImagemDigitalCapturada}, parent) {
  ampulheta();
  setObjectName(QStringLiteral("ctrlIdentificar"));
  m_glifo[0] = glifo(this, 4470, kAmarelo);
  m_glifo[1] = glifo(this, 4515, kVermelho);
  m_relogio = new QLabel(QStringLiteral("HH:MM:SS DD/MM/YYYY"), this);
  m_relogio->setObjectName(QStringLiteral("relogio"));
  m_relogio->setGeometry(px(1500), px(3870), px(1755), px(735));
  m_relogio->setAlignment(Qt::AlignCenter);
  m_relogio->setWordWrap(true);
  QFont f(QStringLiteral("Tahoma"));
  f.setPointSize(12);
  f.setBold(true);
  m_relogio->setFont(f);
  colorir(m_relogio, Qt::white);
  // The bottom band and its label stay above the glyphs.
  band()->raise();
  findChild<QLabel *>(QStringLiteral("mensagem"))->raise();

  m_tmrNewImage = std::make_unique<IntervalTimer>(this, 50, true, [this] { pollImagens(); });
  m_tmrSinalVerde = std::make_unique<IntervalTimer>(this, 1000, false, [this] { sinal(Sinal::Amarelo, m_msgAmarelo); });
  m_tmrSinalVermelho =
      std::make_unique<IntervalTimer>(this, 2000, false, [this] { sinal(Sinal::Amarelo, m_msgAmarelo); });
  m_tmrDesempate = std::make_unique<IntervalTimer>(this, 0, false, [this] {
    m_tmrDesempate->stop();
    if (ResultadoSensorSlot *r = estado().resultado(m_indiceSensor)) r->identificado = r->naoIdentificado = false;
    disparar(evUsuarioIdentificado, uint8_t(0), QStringLiteral("0"), m_indiceSensor);
    if (m_semafaroAutomatico) sinal(Sinal::Vermelho, m_msgVermelho);
    m_etapa = 1;
  });
  m_tmrTimeOut = std::make_unique<IntervalTimer>(this, 0, false, [this] {
    estado().tempoEsgotado = true;
    m_tmrTimeOut->stop();
  });
  m_tmrAtualizarDigitais = std::make_unique<IntervalTimer>(
      this, 0, true, [] { store::AtualizarDigitais(estado().banco.numeroPontoIdentificador); });
  m_tmrDataHora = std::make_unique<IntervalTimer>(this, 1000, true, [this] { tickRelogio(); });

  estado().estadoOperacao = 1;
  m_modoPesquisa = 0;
  m_ativarDesempate = true;
  m_retornarLista = false;
  RestaurarConfiguracaoPadrao();
  seta();
}

CtrlIdentificar::~CtrlIdentificar() = default;

void CtrlIdentificar::RestaurarConfiguracaoPadrao() {
  m_msgVerde = QStringLiteral("Usuário identificado!");
  m_msgVermelho = QStringLiteral("Usuário não identificado!");
  m_msgAmarelo = QStringLiteral("Toque o sensor ...");
  m_intervaloVerde = 1000;
  m_tmrSinalVerde->setInterval(1000);
  m_intervaloVermelho = 2000;
  m_tmrSinalVermelho->setInterval(2000);
  m_limiar = 72;
  estado().limiarIdentificacao = 72;
  m_semafaroAutomatico = true;
  setColorirMoldura(0);
  m_indiceSensor = 0;
  estado().imagem(0)->fpiNew = false;
}

void CtrlIdentificar::sinal(Sinal s, const QString &text) {
  switch (s) {
  case Sinal::Verde:
    if (colorirMoldura()) MolduraVerde();
    setTamanhoMensagem(18);
    setMensagem(text);
    for (QLabel *g : m_glifo) {
      g->setText(kPolegarAcima);
      colorir(g, kVerde);
    }
    m_tmrSinalVerde->start();
    if (ResultadoSensorSlot *r = estado().resultado(m_indiceSensor)) r->identificado = false;
    break;
  case Sinal::Vermelho:
    if (colorirMoldura()) MolduraVermelha();
    setMensagem(text);
    for (QLabel *g : m_glifo) {
      g->setText(kPolegarAbaixo);
      colorir(g, kVermelho);
    }
    m_tmrSinalVermelho->start();
    if (ResultadoSensorSlot *r = estado().resultado(m_indiceSensor)) r->naoIdentificado = false;
    break;
  case Sinal::Amarelo:
    if (colorirMoldura()) MolduraCinza();
    setTamanhoMensagem(text == kTextoConfirmacaoSegundoDedo ? 13 : 18);
    setMensagem(text);
    m_glifo[0]->setText(kMaoAcima);
    m_glifo[1]->setText(kMaoAcima);
    colorir(m_glifo[0], kAmarelo);
    colorir(m_glifo[1], kVermelho);
    m_tmrSinalVerde->stop();
    m_tmrSinalVermelho->stop();
    limparImagens();
    pump();
    break;
  }
}

void CtrlIdentificar::SinalAmarelo(oa_variant *msg) { sinal(Sinal::Amarelo, textoDe(msg)); }
void CtrlIdentificar::SinalVerde(oa_variant *msg) { sinal(Sinal::Verde, textoDe(msg)); }
void CtrlIdentificar::SinalVermelho(oa_variant *msg) { sinal(Sinal::Vermelho, textoDe(msg)); }

QString CtrlIdentificar::glifos() const { return m_glifo[0]->text() + m_glifo[1]->text(); }
bool CtrlIdentificar::sinalVerdeAndando() const { return m_tmrSinalVerde->ticking(); }
bool CtrlIdentificar::sinalVermelhoAndando() const { return m_tmrSinalVermelho->ticking(); }

void CtrlIdentificar::InicializarBiometrica() {
  if (m_ativa || m_iniciando) return;
  // Pumping below may run a host handler that starts us again.
  m_iniciando = true;
  ampulheta();
  setMensagem(QStringLiteral("Inicializando ... "));
  pump();
  if (!iniciarMotor(m_indiceSensor, PAPILO_PARAM_IDENTIFY_THRESHOLD, estado().limiarIdentificacao, evErroMsg)) {
    m_iniciando = false;
    return;
  }
  setMensagem(QStringLiteral("Inicializando ... "));
  pump();
  estado().estadoOperacao = 1;
  m_etapa = 1;
  seta();
  m_iniciando = false;
  m_ativa = true;
  disparar(evBiometricaInicializada);
  sinal(Sinal::Amarelo, m_msgAmarelo);
  m_tmrNewImage->start();
}

void CtrlIdentificar::EncerrarBiometrica() {
  if (!m_ativa) return;
  m_tmrNewImage->stop();
  papilo().finalize();  // a stop always completes
  m_ativa = false;
  disparar(evBiometricaEncerrada);
  setMensagem(QStringLiteral("Biometrica encerrada!"));
}

void CtrlIdentificar::setIntervaloAtualizarDigitais(int16_t ms) { m_tmrAtualizarDigitais->setInterval(ms); }
void CtrlIdentificar::setIntervaloTimeOutIdentificacao(int16_t ms) { m_tmrTimeOut->setInterval(ms); }
void CtrlIdentificar::setIntervaloDesempate(int32_t ms) { m_tmrDesempate->setInterval(ms); }

void CtrlIdentificar::setRigidezIdentificacao(int16_t v) {
  m_limiar = limiarDeRigidez(v);
  estado().limiarIdentificacao = m_limiar;
  enviarLimiar(m_indiceSensor, PAPILO_PARAM_IDENTIFY_THRESHOLD, m_limiar, evErroMsg);
}

// The signal intervals live in 16-bit stores: a larger Long is refused.
Status CtrlIdentificar::setIntervaloSinalVerde(int32_t ms) {
  if (ms > INT16_MAX || ms < INT16_MIN) return Status::overflow();
  m_intervaloVerde = int16_t(ms);
  m_tmrSinalVerde->setInterval(ms);
  return Status::ok();
}

Status CtrlIdentificar::setIntervaloSinalVermelho(int32_t ms) {
  if (ms > INT16_MAX || ms < INT16_MIN) return Status::overflow();
  m_intervaloVermelho = int16_t(ms);
  m_tmrSinalVermelho->setInterval(ms);
  return Status::ok();
}

void CtrlIdentificar::setRelogio(uint8_t v) {
  m_relogio->setVisible(v != 0);
  m_tmrDataHora->setEnabled(v != 0);
}

bool CtrlIdentificar::relogioVisivel() const { return !m_relogio->isHidden(); }
bool CtrlIdentificar::relogioAndando() const { return m_tmrDataHora->ticking(); }

void CtrlIdentificar::tickRelogio() {
  m_relogio->setText(QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")));
}

// Blank texts (after trimming) keep the previous one.
void CtrlIdentificar::setMsgSinalVerde(QString s) {
  if (!s.trimmed().isEmpty()) m_msgVerde = s;
}
void CtrlIdentificar::setMsgSinalVermelho(QString s) {
  if (!s.trimmed().isEmpty()) m_msgVermelho = s;
}
void CtrlIdentificar::setMsgSinalAmarelo(QString s) {
  if (!s.trimmed().isEmpty()) m_msgAmarelo = s;
}

void CtrlIdentificar::VerificarUsuario(QString codUsuario) {
  m_etapa = 2;
  setMensagem(QStringLiteral("Iniciando verificação ..."));
  pump();
  m_quantidadeVerificacao = 0;
  for (FingerprintRecord &r : m_conjuntoVerificacao) r = FingerprintRecord{QStringLiteral("0"), 0, {}};
  for (const auto &grupo : estado().gruposDigitais) {
    if (!grupo) continue;
    for (const FingerprintRecord &r : *grupo) {
      if (r.codUsuario != codUsuario) continue;
      // The set holds ten; the store keeps one template per finger, so a
      // user never has more.
      if (m_quantidadeVerificacao + 1 >= int(m_conjuntoVerificacao.size())) break;
      m_conjuntoVerificacao[++m_quantidadeVerificacao] = r;
    }
  }
  setMensagem(QStringLiteral("Toque o sensor ..."));
}

void CtrlIdentificar::pollImagens() {
  if (!m_ativa || m_processando) return;
  tomarImagens(m_indiceSensor, [this](int slot) { processaFPImagem(slot); });
}

void CtrlIdentificar::processaFPImagem(int slot) {
  m_processando = true;
  m_tmrDesempate->stop();
  // TODO(identify): extraction, search and the result step.
  (void)slot;
  if (FingerPrintImage *img = estado().imagem(m_indiceSensor)) img->fpiRunning = false;
  m_processando = false;
}

} // namespace dactilox
