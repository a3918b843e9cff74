#include "ctrl_fpdb.h"

#include "papilo.h"
#include "shared_state.h"
#include "template_store.h"

namespace dactilox {

CtrlFPdb::CtrlFPdb(QWidget *parent) : PictureControl(Picture::Database, 975, 1125, parent) {
  setObjectName(QStringLiteral("ctrlFPdb"));
  // A new control resets the store's settings but for the connection text
  // and the delimiter, which the process keeps.
  ConfiguracaoBanco &banco = estado().banco;
  ConfiguracaoBanco novo;
  novo.conexaoSQL = banco.conexaoSQL;
  novo.delimitadorString = banco.delimitadorString;
  banco = novo;
}

void CtrlFPdb::setHabilitarTrace(uint8_t v) { estado().banco.habilitarTrace = v; }
void CtrlFPdb::setConexaoSQL(QString s) { estado().banco.conexaoSQL = std::move(s); }
void CtrlFPdb::setCarregarDigitais(uint8_t v) { estado().banco.carregarDigitais = v; }
void CtrlFPdb::setClausulaSQLWhere(QString s) { estado().banco.clausulaSQLWhere = std::move(s); }
void CtrlFPdb::setNumeroPontoIdentificador(uint8_t v) { estado().banco.numeroPontoIdentificador = v; }
void CtrlFPdb::setQuantidadePontosIdentificadores(uint8_t v) { estado().banco.quantidadePontosIdentificadores = v; }

void CtrlFPdb::setSQLDelimitadorString(uint8_t v) {
  if (v == 1) estado().banco.delimitadorString = QStringLiteral("'");
  else if (v == 2) estado().banco.delimitadorString = QStringLiteral("\"");
}

void CtrlFPdb::InicializarFPdb() {
  if (m_ativo || m_iniciando) return;
  m_iniciando = true;
  disparar(evInicializandoFPdb);
  ampulheta();
  if (const std::optional<int32_t> ctx = papilo().createContext()) {
    m_contexto = *ctx;
    estado().contextosSensor[0] = *ctx;
  } else {
    // The start goes on: the templates can be loaded without the engine.
    disparar(evErroMsg, papilo().lastError());
  }
  store::OpenConnection();
  if (estado().banco.carregarDigitais == 1) {
    store::LimpaTBLBiometricaUpdate();
    store::LoadData();
  }
  m_iniciando = false;
  m_ativo = true;
  disparar(evFPdbInicializado);
  seta();
}

void CtrlFPdb::EncerrarFPdb() {
  if (!m_ativo) return;
  ampulheta();
  store::ClearData();
  store::CloseConnection();
  liberarContexto(m_contexto, 0);
  m_ativo = false;
  disparar(evFPdbEncerrado);
  seta();
}

} // namespace dactilox
