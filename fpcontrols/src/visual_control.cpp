#include "visual_control.h"

#include "papilo.h"
#include "shared_state.h"
#include "template_store.h"

#include <QLabel>
#include <QPixmap>

namespace dactilox {

namespace {

QWidget *solid(QWidget *parent, int left, int top, int width, int height, const QColor &c) {
  auto *w = new QWidget(parent);
  w->setGeometry(px(left), px(top), px(width), px(height));
  w->setAutoFillBackground(true);
  QPalette p = w->palette();
  p.setColor(QPalette::Window, c);
  w->setPalette(p);
  return w;
}

void fill(QWidget *w, const QColor &c) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, c);
  w->setPalette(p);
}

} // namespace

VisualControl::VisualControl(const Look &look, QWidget *parent) : QWidget(parent), m_look(look) {
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, QColor(64, 64, 64));
  setPalette(p);
  resize(px(kWidth), px(kHeight));

  m_moldura[0] = solid(this, 15, 0, 960, 4560, kCinza);
  m_moldura[1] = solid(this, 960, 0, 3720, 795, kPrata);
  m_moldura[2] = solid(this, 3705, 0, 960, 4545, kCinza);
  m_moldura[3] = solid(this, 0, 3765, 3735, 795, kPrata);
  m_corMoldura = {kCinza, kPrata, kCinza, kPrata};

  m_imagem = new QLabel(this);
  m_imagem->setObjectName("imagem");
  m_imagem->setGeometry(px(kImageLeft), px(kImageTop), px(kImageWidth), px(kImageHeight));
  m_imagem->setAlignment(Qt::AlignCenter);
  // An opaque white box, also while it holds no picture (layout 5 shows only it).
  m_imagem->setAutoFillBackground(true);
  QPalette ip = m_imagem->palette();
  ip.setColor(QPalette::Window, Qt::white);
  m_imagem->setPalette(ip);
  m_minucias = new QLabel(this);
  m_minucias->setAlignment(Qt::AlignCenter);
  m_minucias->setObjectName("minucias");
  m_minucias->setGeometry(m_imagem->geometry());
  m_minucias->hide();
  m_imagemCinza = new QLabel(this);
  m_imagemCinza->setObjectName("imagemCinza");
  m_imagemCinza->setGeometry(px(look.greyBoxLeft), px(look.greyBoxTop), px(465), px(525));
  m_imagemCinza->hide();

  m_band = solid(this, 0, 4545, 7815, 795, kCinza);
  m_band->setObjectName("faixa");
  m_mensagem = new QLabel(QStringLiteral("Identificação Biométrica"), this);
  m_mensagem->setObjectName("mensagem");
  m_mensagem->setGeometry(0, px(look.messageTop), px(7755), px(510));
  m_mensagem->setAlignment(Qt::AlignCenter);
  QFont f(QStringLiteral("Tahoma"));
  f.setPointSize(18);
  f.setBold(true);
  m_mensagem->setFont(f);
  QPalette mp = m_mensagem->palette();
  mp.setColor(QPalette::WindowText, Qt::white);
  m_mensagem->setPalette(mp);
}

void VisualControl::pintarMolduras(const QColor &a, const QColor &b) {
  m_corMoldura = {a, b, a, b};
  for (int i = 0; i < 4; ++i) fill(m_moldura[i], m_corMoldura[i]);
}

void VisualControl::MolduraVerde() { pintarMolduras(kVerde, kVerde); }
void VisualControl::MolduraVermelha() { pintarMolduras(kVermelho, kVermelho); }
void VisualControl::MolduraAmarela() { pintarMolduras(kAmarelo, kAmarelo); }
void VisualControl::MolduraCinza() { pintarMolduras(kCinza, kPrata); }

void VisualControl::setMostrarMinucias(uint8_t v) { m_minucias->setVisible(v == 1); }
bool VisualControl::minuciasVisiveis() const { return !m_minucias->isHidden(); }

void VisualControl::setMolduraImagem(uint8_t v) {
  for (QWidget *m : m_moldura) m->setVisible(v != 0);
}
bool VisualControl::molduraVisivel() const { return !m_moldura[0]->isHidden(); }

void VisualControl::setColorirMoldura(uint8_t v) { m_colorir = v != 0; }

void VisualControl::setAparencia(uint8_t layout) {
  m_imagem->move(px(kImageLeft), px(kImageTop));
  m_minucias->move(m_imagem->pos());
  int w = kWidth, h = kHeight;
  switch (layout) {
  case 2: h = m_look.shortHeight; break;
  case 3: w = kNarrowWidth; break;
  case 4: w = kNarrowWidth; h = m_look.shortHeight; break;
  case 5:
    // Only the image box shows; the message label keeps its width.
    m_imagem->move(0, 0);
    m_minucias->move(0, 0);
    resize(px(kImageWidth), px(kImageHeight));
    return;
  default: break;
  }
  resize(px(w), px(h));
  m_mensagem->resize(px(w), m_mensagem->height());
}

QRect VisualControl::caixaImagem() const { return m_imagem->geometry(); }
QRect VisualControl::rotuloMensagem() const { return m_mensagem->geometry(); }
QString VisualControl::mensagem() const { return m_mensagem->text(); }

void VisualControl::setMensagem(const QString &text) { m_mensagem->setText(text); }

void VisualControl::setTamanhoMensagem(int points) {
  QFont f = m_mensagem->font();
  f.setPointSize(points);
  m_mensagem->setFont(f);
}

void VisualControl::mostrarImagem(const QImage &metade, const QImage &cinza) {
  m_imagem->setPixmap(QPixmap::fromImage(metade));
  m_cinza = cinza;
  m_imagemCinza->setPixmap(QPixmap::fromImage(cinza));
}

void VisualControl::mostrarFiguraMinucias(const QImage &figura) {
  m_figura = figura;
  if (figura.isNull()) {
    m_minucias->clear();
    return;
  }
  m_minucias->setPixmap(
      QPixmap::fromImage(figura.scaled(m_minucias->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

QImage VisualControl::imagemExibida() const { return m_imagem->pixmap().toImage(); }

void VisualControl::limparImagens() {
  m_imagem->clear();
  m_imagemCinza->clear();
  m_cinza = QImage();
}

void VisualControl::tomarImagens(uint8_t indiceSensor, const std::function<void(int slot)> &processar) {
  const int first = indiceSensor == 0 ? 0 : indiceSensor;
  const int last = indiceSensor == 0 ? kSlots - 1 : indiceSensor;
  for (int slot = first; slot <= last; ++slot) {
    FingerPrintImage *img = estado().imagem(slot);
    if (!img || !img->fpiNew) continue;
    img->fpiNew = false;
    disparar(m_look.capturadaEvent, uint8_t(slot));
    processar(slot);
  }
}

bool VisualControl::iniciarMotor(uint8_t indiceSensor, int32_t thresholdId, int32_t threshold, int32_t erroEvent) {
  const int32_t *ctx = estado().contexto(indiceSensor);
  if (papilo().initialize() && papilo().setParameters(ctx ? *ctx : 0, thresholdId, threshold)) return true;
  // Without the engine no touch can be processed: report and stay stopped.
  const QString why = papilo().lastError();
  setMensagem(why);
  seta();
  disparar(erroEvent, why);
  return false;
}

void VisualControl::enviarLimiar(uint8_t indiceSensor, int32_t thresholdId, int32_t threshold, int32_t erroEvent) {
  const int32_t *ctx = estado().contexto(indiceSensor);
  component::Value limiar = component::Value::long32(threshold);
  if (!papilo().setParameter(thresholdId, limiar.get(), ctx ? *ctx : 0)) disparar(erroEvent, papilo().lastError());
}

int32_t VisualControl::GravarImagem(QString path) {
  if (path.trimmed().isEmpty()) return 0;
  setMensagem(QStringLiteral("Gravando imagem no arquivo ..."));
  pump();
  ampulheta();
  const bool saved = !m_cinza.isNull() && m_cinza.save(path, "BMP");
  seta();
  if (!saved) return 0;
  setMensagem(QStringLiteral("Imagem gravada!"));
  pump();
  return 1;
}

int32_t VisualControl::ExcluirUsuario(QString codUsuario) {
  ampulheta();
  int32_t result = 0;
  if (!codUsuario.trimmed().isEmpty()) {
    setMensagem(QStringLiteral("Excluindo usuário ..."));
    pump();
    const bool found = store::DeleteRecord(codUsuario);
    if (found) {
      setMensagem(QStringLiteral("Usuário excluído!"));
      result = -1;
      disparar(m_look.excluidoEvent, codUsuario);
    } else {
      setMensagem(QStringLiteral("Usuário não localizado!"));
      disparar(m_look.excluidoEvent, QStringLiteral("0"));
    }
  }
  seta();
  return result;
}

} // namespace dactilox
