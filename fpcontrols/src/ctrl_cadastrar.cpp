#include "ctrl_cadastrar.h"

#include "papilo.h"

#include <QLabel>
#include <QLineEdit>

namespace dactilox {

QString nomeDedo(int indice) {
  static const char *const kNomes[] = {"Polegar Direito", "Indicador Direito", "Médio Direito",
                                       "Anelar Direito",  "Mínimo Direito",    "Polegar Esquerdo",
                                       "Indicador Esquerdo", "Médio Esquerdo", "Anelar Esquerdo",
                                       "Mínimo Esquerdo"};
  return indice >= 0 && indice < 10 ? QString::fromUtf8(kNomes[indice]) : QString();
}

namespace {

void colorir(QWidget *w, const QColor &c) {
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, c);
  w->setPalette(p);
}

} // namespace

CtrlCadastrar::CtrlCadastrar(QWidget *parent)
    : VisualControl({7290, 3720, 4740, 4560, evUsuarioExcluido, evImagemDigitalCapturada}, parent) {
  ampulheta();
  setObjectName(QStringLiteral("ctrlCadastrar"));
  m_legendaUsuario = new QLabel(QStringLiteral("Usuário ..."), this);
  m_legendaUsuario->move(px(4800), px(105));
  QFont legenda(QStringLiteral("Verdana"));
  legenda.setPointSizeF(14.25);
  m_legendaUsuario->setFont(legenda);
  m_legendaUsuario->adjustSize();
  colorir(m_legendaUsuario, Qt::white);
  m_caixaUsuario = new QLineEdit(this);
  m_caixaUsuario->setObjectName(QStringLiteral("usuario"));
  m_caixaUsuario->setReadOnly(true);
  m_caixaUsuario->setAlignment(Qt::AlignCenter);
  m_caixaUsuario->setGeometry(px(4800), px(540), px(2895), px(405));
  m_caixaUsuario->setStyleSheet(QStringLiteral("background: rgb(128,128,128); color: white;"));
  QFont caixa(QStringLiteral("Times New Roman"));
  caixa.setPointSize(12);
  m_caixaUsuario->setFont(caixa);
  const int glyphs[3][2] = {{6285, 795}, {5640, 2400}, {4785, 1395}};
  const QColor cores[3] = {kAmarelo, kVerde, kVermelho};
  for (int i = 0; i < 3; ++i) {
    m_glifo[i] = new QLabel(QStringLiteral("\u261D"), this);
    m_glifo[i]->setGeometry(px(glyphs[i][0]), px(glyphs[i][1]), px(1185), px(2295));
    m_glifo[i]->setAlignment(Qt::AlignCenter);
    QFont f = m_glifo[i]->font();
    f.setPixelSize(px(1185));
    f.setBold(true);
    m_glifo[i]->setFont(f);
    colorir(m_glifo[i], cores[i]);
  }
  // TODO(enroll): the touch processing of each polled image.
  m_tmrNewImage = std::make_unique<IntervalTimer>(this, 500, true, [this] { pollImagens(); });

  estado().estadoOperacao = 0;
  m_modoCadastro = 1;
  setColorirMoldura(0);
  m_limiar = 72;
  estado().limiarCadastro = 72;
  m_numeroMinimoPontos = 10;
  m_indiceSensor = 0;
  estado().imagem(0)->fpiNew = false;
  seta();
}

CtrlCadastrar::~CtrlCadastrar() = default;

void CtrlCadastrar::reset() {
  const QColor cores[3] = {kAmarelo, kVerde, kVermelho};
  for (int i = 0; i < 3; ++i) {
    colorir(m_glifo[i], cores[i]);
    m_glifo[i]->setEnabled(true);
  }
  MolduraCinza();
}

void CtrlCadastrar::limparParaNovoDedo() {
  limparImagens();
  for (QLabel *g : m_glifo) {
    g->setEnabled(false);
    colorir(g, Qt::white);
  }
  if (colorirMoldura()) MolduraCinza();
}

void CtrlCadastrar::InicializarBiometrica() {
  if (m_ativa || m_iniciando) return;
  m_iniciando = true;
  ampulheta();
  setMensagem(QStringLiteral("Inicializando ... "));
  pump();
  m_contagemToques = 0;
  if (!iniciarMotor(m_indiceSensor, PAPILO_PARAM_ENROLL_THRESHOLD, estado().limiarCadastro, evErroMsg)) {
    m_iniciando = false;
    return;
  }
  setMensagem(QStringLiteral("Inicializando ... "));
  pump();
  estado().estadoOperacao = 0;
  seta();
  m_iniciando = false;
  m_ativa = true;
  disparar(evBiometricaInicializada);
  setMensagem(QStringLiteral("Cadastro de Digitais"));
  m_tmrNewImage->start();
  reset();
  pump();
}

void CtrlCadastrar::EncerrarBiometrica() {
  if (!m_ativa) return;
  m_tmrNewImage->stop();
  papilo().finalize();
  m_ativa = false;
  disparar(evBiometricaEncerrada);
  setMensagem(QStringLiteral("Biometrica encerrada!"));
  reset();
}

void CtrlCadastrar::CadastrarDigital(uint8_t indiceDedo, QString codUsuario) {
  m_usuario = codUsuario;
  m_caixaUsuario->setText(codUsuario);
  estado().estadoOperacao = 2;
  m_dedo = indiceDedo;
  setMensagem(nomeDedo(indiceDedo) + QStringLiteral(" - Toque o sensor!"));
  limparParaNovoDedo();
}

void CtrlCadastrar::CadastrarImagemArquivo(uint8_t, QString, QString) {
  // TODO(enroll): enrollment from an image file in one pass.
}

void CtrlCadastrar::setRigidezCadastro(int16_t v) {
  m_limiar = limiarDeRigidez(v);
  estado().limiarCadastro = m_limiar;
  enviarLimiar(m_indiceSensor, PAPILO_PARAM_ENROLL_THRESHOLD, m_limiar, evErroMsg);
}

void CtrlCadastrar::pollImagens() {
  if (!m_ativa) return;
  // TODO(enroll): touch processing (StopProcess, extraction, duplicates, storing).
  tomarImagens(m_indiceSensor, [](int) {});
}

} // namespace dactilox
