#include "ctrl_identificar.h"

#include "papilo.h"
#include "template_search.h"
#include "trace_log.h"
#include "template_store.h"

#include <QDateTime>
#include <QLabel>
#include <QPainter>

namespace dactilox {

namespace {

// Hand glyphs: pointing up (waiting), thumb up, thumb down.
const QString kMaoAcima = QStringLiteral("\u261D");
const QString kPolegarAcima = QStringLiteral("\U0001F44D");
const QString kPolegarAbaixo = QStringLiteral("\U0001F44E");

const QString kTextoConfirmacaoSegundoDedo =
    QStringLiteral("CONFIRMAÇÃO :: Toque o sensor com um segundo dedo ...");
const QString kTextoDesempate = QStringLiteral("Confirmação! Toque novamente o scanner ...");

QString sensorIndice(int slot) { return QStringLiteral("Sensor Indice: %1").arg(slot); }
QString sensorEContexto(int slot, int32_t context) {
  return sensorIndice(slot) + QStringLiteral("  -  Contexto: %1").arg(context);
}

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

// A hand glyph drawn as a shape in the label's text colour, so that it shows
// without a symbol font; its text names which hand it is.
class MaoGlifo : public QLabel {
public:
  using QLabel::QLabel;

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The shapes are drawn in a 100 x 140 box, centred and scaled to two thirds of the width.
    const double escala = width() * 2.0 / 3.0 / 100.0;
    p.translate((width() - 100 * escala) / 2, (height() - 140 * escala) / 2);
    p.scale(escala, escala);
    const QColor cor = palette().color(QPalette::WindowText);
    p.setPen(Qt::NoPen);
    p.setBrush(cor);
    if (text() == kMaoAcima) {
      p.drawRoundedRect(QRectF(20, 60, 60, 65), 14, 14);  // fist
      p.drawRoundedRect(QRectF(40, 5, 18, 65), 9, 9);     // index finger
      p.drawRoundedRect(QRectF(8, 62, 20, 38), 9, 9);     // thumb
      return;
    }
    if (text() == kPolegarAbaixo) {
      p.translate(100, 140);
      p.rotate(180);
    }
    p.drawRoundedRect(QRectF(30, 55, 60, 70), 12, 12);  // fist
    p.drawRoundedRect(QRectF(30, 8, 22, 62), 11, 11);   // thumb
    p.drawRect(QRectF(10, 60, 18, 60));                  // cuff
    p.setPen(QPen(QColor(64, 64, 64), 3));
    for (int y : {75, 92, 109}) p.drawLine(QPointF(55, y), QPointF(90, y));  // the folded fingers
  }
};

QLabel *glifo(QWidget *parent, int left, const QColor &c) {
  auto *l = new MaoGlifo(kMaoAcima, parent);
  l->setGeometry(px(left), 0, px(3390), px(4905));
  l->setAttribute(Qt::WA_TranslucentBackground);
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
  // Pumping inside a touch runs this timer again: the next image waits in its
  // slot until this poll has finished.
  m_processando = true;
  tomarImagens(m_indiceSensor, [this](int slot) { processaFPImagem(slot); });
  m_processando = false;
}

bool CtrlIdentificar::extrair(int slot, int32_t context) {
  FingerPrintImage *img = estado().imagem(slot);
  const int32_t w = img->fpiWidth, h = img->fpiHeight;
  // The engine leaves the binarised image in the array it is given; the slot keeps its own.
  component::Value imagem = img->fpiImage;
  mostrarImagem(imagemMetade(w, h, imagem.get()), imagemCinza(w, h, imagem.get()));

  gravarTrace(QStringLiteral("    Processa Extract - ") + sensorEContexto(slot, context));
  component::Value features;
  int32_t size = 0;
  const std::optional<int32_t> ext = papilo().extract(w, h, imagem.get(), features.get(), &size, context);
  if (!ext) {
    reportarFalha(papilo().lastError());
    return false;
  }
  if (*ext < 0) {
    // Not a touch with no minutiae: the engine could not read this image at all.
    reportarFalha(QStringLiteral("Não foi possível ler a digital (erro %1 do motor biométrico). "
                                 "Toque o sensor novamente.")
                      .arg(*ext));
    return false;
  }
  const oa_array *a = features.kind() == (OA_ARRAY | OA_UI1) ? features.get()->v.array : nullptr;
  const int32_t n = a ? std::clamp<int64_t>(size, 0, a->count) : 0;
  m_sonda = QByteArray(a ? static_cast<const char *>(a->data) : "", n);

  gravarTrace(QStringLiteral("    Processa Handle "));
  m_binarizada = imagemBinarizada(w, h, imagem.get());
  gravarTrace(QStringLiteral("    Processa Descompress"));
  m_registro.limpar();
  papilo().decompressFeatures(features.get(), m_registro.data());
  gravarTrace(QStringLiteral("    Desenha Figura Binária"));
  gravarTrace(QStringLiteral("    Desenha Features"));
  mostrarFiguraMinucias(figuraMinucias(m_binarizada, m_registro));
  return true;
}

void CtrlIdentificar::processaFPImagem(int slot) {
  const int32_t context = *estado().contexto(slot);
  m_tmrDesempate->stop();
  if (!extrair(slot, context)) {
    m_etapa = 1;
  } else {
    const int32_t pontos = m_registro.quantidadeMinucias();
    disparar(evMinuciasEncontradas, pontos);
    if (pontos < m_numeroMinimoPontos) {
      disparar(evBaixoNumeroPontos, pontos);
      disparar(evErroMsg, QStringLiteral("O número de pontos encontrados é inferior ao mínimo exigido! "
                                         "Pontos encontrados: %1 / Pontos exigidos: %2")
                              .arg(pontos)
                              .arg(m_numeroMinimoPontos));
      reportarNaoIdentificado(uint8_t(slot));
      m_etapa = 1;
    } else {
      pump();
      *estado().resultado(slot) = ResultadoSensorSlot{};
      switch (m_etapa) {
      case 2: verificar(slot, context); break;
      case 3: desempate(); break;
      default: {
        estado().tempoEsgotado = false;
        m_tmrTimeOut->start();
        gravarTrace(QStringLiteral("    Processa Identify - ") + sensorEContexto(slot, context));
        esvaziarCandidatos();
        const bool rapida = m_modoPesquisa == 1;
        const Busca busca = Identify(m_sonda, m_modoPesquisa, context, slot);
        if (busca == Busca::Falhou && !estado().resultado(slot)->identificado) {
          const QString why = papilo().lastError();
          reportarFalha(QStringLiteral("Erro ao identificar digital!") + (why.isEmpty() ? QString() : " " + why));
        } else {
          etapaResultado(slot, rapida);
        }
        m_tmrTimeOut->stop();
        break;
      }
      }
      gravarTrace(QStringLiteral("<<< Fim Processa FPImagem - ") + sensorIndice(slot));
    }
  }
  if (FingerPrintImage *img = estado().imagem(m_indiceSensor)) img->fpiRunning = false;
}

void CtrlIdentificar::etapaResultado(int slot, bool rapida) {
  ResultadoSensorSlot &r = *estado().resultado(slot);
  if (r.identificado) {
    r.identificado = false;
    if (!rapida) {
      r.codUsuario.chop(2);  // the final "@@"
      const int32_t quantidade = estado().quantidadeCandidatos;
      if (quantidade > 1) OrdenarCandidatos();
      if (!m_retornarLista) {
        const int fim = r.codUsuario.indexOf(QStringLiteral("@@"));
        if (fim >= 0) r.codUsuario.truncate(fim);
      }
      if (m_ativarDesempate && quantidade > 1) {
        disparar(evProcessandoDesempate, quantidade);
        m_tmrDesempate->start();
        r.identificado = false;
        sinal(Sinal::Amarelo, kTextoDesempate);
        m_etapa = 3;
        pump();
        return;
      }
    }
    reportarIdentificado(r.indiceDedo, r.codUsuario, uint8_t(slot));
  } else if (r.naoIdentificado) {
    r.naoIdentificado = false;
    reportarNaoIdentificado(uint8_t(slot));
  }
}

void CtrlIdentificar::verificar(int slot, int32_t context) {
  mostrarFiguraMinucias(figuraMinucias(m_binarizada, m_registro));
  ResultadoSensorSlot &r = *estado().resultado(slot);
  r.codUsuario = QStringLiteral("0");
  r.indiceDedo = 0;
  bool found = false;
  VisaoBytes sonda(m_sonda);
  for (int k = m_quantidadeVerificacao; k >= 1 && !found; --k) {
    const FingerprintRecord &e = m_conjuntoVerificacao[size_t(k)];
    VisaoBytes t(e.bioFeatures);
    DetalheComparacao d;
    const std::optional<int32_t> v = papilo().verify(t.get(), sonda.get(), &d, context);
    // An engine failure skips this template.
    if (v && *v >= 0 && d.similaridade() >= estado().limiarIdentificacao) {
      r.codUsuario = e.codUsuario;
      r.indiceDedo = e.indiceDedo;
      found = true;
    }
  }
  m_quantidadeVerificacao = 0;  // used up by this touch
  if (found) reportarIdentificado(r.indiceDedo, r.codUsuario, uint8_t(slot));
  else reportarNaoIdentificado(uint8_t(slot));
  m_etapa = 1;
}

const FingerprintRecord *CtrlIdentificar::confirmarDesempate() {
  SharedState &s = estado();
  const int32_t *ctx = s.contexto(m_indiceSensor);
  VisaoBytes sonda(m_sonda);
  for (int c = 0; c <= s.quantidadeCandidatos && c < int(s.listaCandidatos.size()); ++c) {
    const Candidato cand = s.listaCandidatos[size_t(c)];
    for (const auto &grupo : s.gruposDigitais) {
      if (!grupo) continue;
      for (const FingerprintRecord &r : *grupo) {
        // Another finger of the same user.
        if (r.codUsuario != cand.codUsuario || r.indiceDedo == cand.indiceDedo) continue;
        VisaoBytes t(r.bioFeatures);
        DetalheComparacao d;
        const std::optional<int32_t> v = papilo().verify(t.get(), sonda.get(), &d, ctx ? *ctx : 0);
        if (!v || *v < 0) continue;
        if (d.similaridade() >= s.limiarIdentificacao) return &r;
      }
    }
  }
  return nullptr;
}

void CtrlIdentificar::desempate() {
  mostrarFiguraMinucias(figuraMinucias(m_binarizada, m_registro));
  OrdenarCandidatos();
  const FingerprintRecord *confirmado = confirmarDesempate();
  // Without a confirmation the best score of the first touch answers.
  const Candidato melhor = estado().listaCandidatos.empty() ? Candidato{} : estado().listaCandidatos[0];
  const QString codigo = confirmado ? confirmado->codUsuario : melhor.codUsuario;
  const uint8_t dedo = confirmado ? confirmado->indiceDedo : melhor.indiceDedo;
  disparar(evUsuarioIdentificado, dedo, codigo, m_indiceSensor);
  if (m_semafaroAutomatico) sinal(Sinal::Verde, m_msgVerde);
  m_etapa = 1;
}

void CtrlIdentificar::reportarIdentificado(uint8_t dedo, const QString &codigo, uint8_t slot) {
  disparar(evUsuarioIdentificado, dedo, codigo, slot);
  if (m_semafaroAutomatico) sinal(Sinal::Verde, m_msgVerde);
}

void CtrlIdentificar::reportarNaoIdentificado(uint8_t slot) {
  disparar(evUsuarioIdentificado, uint8_t(0), QStringLiteral("0"), slot);
  if (m_semafaroAutomatico) sinal(Sinal::Vermelho, m_msgVermelho);
}

// A touch the engine could not process is neither a match nor "nobody": the
// host hears why through ErroMsg and no UsuarioIdentificado is raised.
void CtrlIdentificar::reportarFalha(const QString &texto) {
  setMensagem(texto);
  disparar(evErroMsg, texto);
}

} // namespace dactilox
