#include "template_store.h"

#include "control_support.h"
#include "host_paths.h"
#include "shared_state.h"
#include "trace_log.h"

#include "sqlconnect/SqlConnect.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <cstdio>
#include <vector>

namespace dactilox::store {

namespace {

const QString kTextoSemConexao =
    QStringLiteral("Especifique o caminho de conexão para a tabela tblBiometrica") + QStringLiteral("\r\r") +
    QStringLiteral("Conexão Padrão ADO - ActiveX Data Object (ConnectionString, UserID, Password, Options).");
const QString kErroConexao = QStringLiteral("Erro ao conectar com a base de dados. Reinicie o sistema!");
const QString kErroLimpa = QStringLiteral("Erro ao executar comando SQL LimpaTBLBiometricaUpdate!");
const QString kErroCarregar =
    QStringLiteral("Erro ao carregar digitais para a memória. Provável falha no ODBC! Reinicie o sistema");
const QString kErroAdicionarBanco =
    QStringLiteral("Erro ao adicionar digital no banco. Provável falha no ODBC! Reinicie o cadastro ...");
const QString kErroAdicionarMemoria = QStringLiteral("Erro ao adicionar digital na memória. Reinicie o sistema ...");
const QString kErroExcluirBanco =
    QStringLiteral("Erro ao excluir digital no banco (DeleteRecord). Provável falha no ODBC!");
const QString kErroAtualizar =
    QStringLiteral("Erro ao executar o método AtualiarDigitais. Provável falha no ODBC! Reinicie o sistema ...");

CaixaMensagem g_caixa;
int g_ocupado = 0;         // store operations under way (a pump may run others)
unsigned g_geracao = 0;    // bumped by ClearData: a load in progress stops
bool g_reabrir = false;    // the last statement failed: reconnect before the next
bool g_emUso = false;      // opened (or tried) since the last close

// Counts a store operation while it runs.
struct Ocupado {
  Ocupado() { ++g_ocupado; }
  ~Ocupado() { --g_ocupado; }
  Ocupado(const Ocupado &) = delete;
  Ocupado &operator=(const Ocupado &) = delete;
};

Resposta caixaReal(Icone icone, const QString &texto, bool podeRepetir) {
  // Without a screen to show it on (or with DACTILOX_NO_DIALOGS set, for
  // tests of hosts) the box goes to stderr and is answered at once.
  if (!qobject_cast<QApplication *>(QCoreApplication::instance()) || qEnvironmentVariableIsSet("DACTILOX_NO_DIALOGS")) {
    std::fprintf(stderr, "dactilox: %s\n", qPrintable(QString(texto).replace('\r', ' ')));
    return podeRepetir ? Resposta::Desistir : Resposta::Ok;
  }
  QMessageBox box(icone == Icone::Erro ? QMessageBox::Critical : QMessageBox::Warning, QString(),
                  QString(texto).replace('\r', '\n'), QMessageBox::NoButton);
  // Texts from the database (error descriptions) are never read as markup.
  box.setTextFormat(Qt::PlainText);
  if (!podeRepetir) {
    box.addButton(QMessageBox::Ok);
    box.exec();
    return Resposta::Ok;
  }
  // Beyond the plain retry: a person can give the enrollment up.
  QPushButton *repetir = box.addButton(QStringLiteral("Tentar novamente"), QMessageBox::AcceptRole);
  box.addButton(QStringLiteral("Desistir"), QMessageBox::RejectRole);
  box.setDefaultButton(repetir);
  box.exec();
  return box.clickedButton() == static_cast<QAbstractButton *>(repetir) ? Resposta::Repetir : Resposta::Desistir;
}

Resposta mostrar(Icone icone, const QString &texto, bool podeRepetir = false) {
  seta();
  const Resposta r = g_caixa ? g_caixa(icone, texto, podeRepetir) : caixaReal(icone, texto, podeRepetir);
  return r;
}

QSqlDatabase banco() { return QSqlDatabase::database(QString::fromLatin1(kConexao), false); }

QString textoErro(const QSqlError &e) { return sqlconnect::errorText(e); }

bool abrir(QString *erro) {
  const sqlconnect::Target alvo = sqlconnect::parse(estado().banco.conexaoSQL, caminhoNativo);
  const QSqlDatabase db = sqlconnect::open(alvo, QString::fromLatin1(kConexao), erro);
  g_reabrir = false;
  return db.isOpen();
}

// After a failure (a server restarted, a lost link) the next operation opens
// the connection again instead of failing until the station restarts.
void reconectarSeNecessario() {
  if (!g_reabrir || g_ocupado > 1 || estado().banco.conexaoSQL.isEmpty()) return;
  QString erro;
  if (!abrir(&erro)) g_reabrir = true;
}

// Runs a prepared statement; false (and a reconnect next time) on failure.
bool executar(QSqlQuery &q, QString *erro = nullptr) {
  if (q.exec()) return true;
  if (erro) *erro = textoErro(q.lastError());
  g_reabrir = true;
  return false;
}

QSqlQuery preparar(const QString &sql, const QVariantList &valores) {
  QSqlQuery q(banco());
  q.setForwardOnly(true);
  q.prepare(sql);
  for (const QVariant &v : valores) q.addBindValue(v);
  return q;
}

QVariant campo(const QSqlQuery &q, const char *nome) { return q.value(QString::fromLatin1(nome)); }

// One attempt of AddRecordDB: all or nothing.
bool gravarUmaVez(const QString &codUsuario, const QByteArray &bytes, uint8_t indiceDedo, QSqlError *erro) {
  QSqlDatabase db = banco();
  if (!db.isOpen()) {
    *erro = QSqlError(QStringLiteral("sem conexão"), QStringLiteral("A conexão com a base de dados não está aberta"),
                      QSqlError::ConnectionError, QStringLiteral("-1"));
    return false;
  }
  if (!db.transaction()) {
    *erro = db.lastError();
    return false;
  }
  auto falhou = [&](const QSqlQuery &q) {
    *erro = q.lastError();
    db.rollback();
    return false;
  };
  const int32_t size = int32_t(bytes.size());
  {
    QSqlQuery existe = preparar(
        QStringLiteral("SELECT CodUsuario FROM tblBiometrica WHERE CodUsuario = ? AND IndiceDedo = ?"),
        {codUsuario, int(indiceDedo)});
    if (!existe.exec()) return falhou(existe);
    const bool ha = existe.next();
    if (existe.lastError().isValid()) return falhou(existe);
    existe.finish();
    QSqlQuery grava = ha ? preparar(QStringLiteral("UPDATE tblBiometrica SET BioFeatures = ?, BioSize = ? "
                                                   "WHERE CodUsuario = ? AND IndiceDedo = ?"),
                                    {bytes, size, codUsuario, int(indiceDedo)})
                         : preparar(QStringLiteral("INSERT INTO tblBiometrica (CodUsuario, IndiceDedo, BioFeatures, "
                                                   "BioSize) VALUES (?, ?, ?, ?)"),
                                    {codUsuario, int(indiceDedo), bytes, size});
    if (!grava.exec()) return falhou(grava);
  }
  for (int p = 1; p <= estado().banco.quantidadePontosIdentificadores; ++p) {
    QSqlQuery existe = preparar(QStringLiteral("SELECT Ponto FROM tblBiometricaUpdate "
                                               "WHERE Ponto = ? AND CodUsuario = ? AND IndiceDedo = ?"),
                                {p, codUsuario, int(indiceDedo)});
    if (!existe.exec()) return falhou(existe);
    const bool ha = existe.next();
    if (existe.lastError().isValid()) return falhou(existe);
    existe.finish();
    if (ha) continue;
    QSqlQuery grava = preparar(
        QStringLiteral("INSERT INTO tblBiometricaUpdate (Ponto, CodUsuario, IndiceDedo) VALUES (?, ?, ?)"),
        {p, codUsuario, int(indiceDedo)});
    if (!grava.exec()) return falhou(grava);
  }
  if (!db.commit()) {
    *erro = db.lastError();
    db.rollback();
    return false;
  }
  return true;
}

} // namespace

void definirCaixaMensagem(CaixaMensagem caixa) { g_caixa = std::move(caixa); }

int chaveGrupo(const QByteArray &bioFeatures) {
  return bioFeatures.size() < 2 ? -1 : int(uint8_t(bioFeatures.at(1)));
}

bool conectado() { return banco().isOpen(); }

bool OpenConnection() {
  g_emUso = true;
  if (estado().banco.conexaoSQL.isEmpty()) {
    mostrar(Icone::Erro, kTextoSemConexao);
    return false;
  }
  QString erro;
  if (abrir(&erro)) return true;
  gravarTrace(erro);
  mostrar(Icone::Erro, kErroConexao);
  return false;
}

void CloseConnection() {
  g_reabrir = false;
  g_emUso = false;
  sqlconnect::close(QString::fromLatin1(kConexao));
}

void LimpaTBLBiometricaUpdate() {
  Ocupado ocupado;
  reconectarSeNecessario();
  QSqlQuery q = preparar(QStringLiteral("DELETE FROM tblBiometricaUpdate WHERE ponto = ?"),
                         {int(estado().banco.numeroPontoIdentificador)});
  if (!executar(q)) gravarTrace(kErroLimpa);
}

void LoadData() {
  Ocupado ocupado;
  ClearData();
  const unsigned geracao = g_geracao;
  reconectarSeNecessario();
  const QString clausula = estado().banco.clausulaSQLWhere;
  // The custom condition is the host's own SQL text, as the property defines it.
  QSqlQuery q = preparar(clausula.isEmpty() ? QStringLiteral("select * from tblBiometrica ")
                                            : QStringLiteral(" select * from tblBiometrica ") + clausula,
                         {});
  QString erro;
  if (!executar(q, &erro)) {
    gravarTrace(erro);
    mostrar(Icone::Erro, kErroCarregar);
    return;
  }
  auto &grupos = estado().gruposDigitais;
  int contados = 0;
  while (q.next()) {
    const QVariant bio = campo(q, "BioFeatures");
    QByteArray bytes = bio.toByteArray();
    if (bio.isNull() || bytes.isEmpty()) continue;
    const int chave = chaveGrupo(bytes);
    // A template too short to carry its group key cannot be searched: it
    // is left out instead of stopping the whole load.
    if (chave < 0) {
      gravarTrace(kErroAdicionarMemoria);
      continue;
    }
    FingerprintRecord r{campo(q, "CodUsuario").toString(), uint8_t(campo(q, "IndiceDedo").toInt()), std::move(bytes)};
    if (!grupos[size_t(chave)]) grupos[size_t(chave)].emplace();
    grupos[size_t(chave)]->push_back(std::move(r));
    if (++contados % 500 == 0) {
      pump();
      // Stopped or cleared while the messages ran: what was read is gone.
      if (geracao != g_geracao) return;
    }
  }
  if (q.lastError().isValid()) {
    g_reabrir = true;
    gravarTrace(textoErro(q.lastError()));
    mostrar(Icone::Erro, kErroCarregar);
  }
}

void ClearData() {
  Ocupado ocupado;
  ++g_geracao;
  // Emptying a list cannot fail here, so ClearData has no failure box
  // ("Erro ao executar o comando ClearData! ").
  estado().limparMemoria();
}

bool AddRecordDB(const QString &codUsuario, const QByteArray &bytes, int32_t size, uint8_t indiceDedo) {
  Ocupado ocupado;
  const QByteArray modelo = bytes.left(qMax<int32_t>(0, size));
  for (;;) {
    reconectarSeNecessario();
    QSqlError erro;
    if (gravarUmaVez(codUsuario, modelo, indiceDedo, &erro)) return true;
    g_reabrir = true;
    QString numero = erro.nativeErrorCode();
    if (numero.isEmpty()) numero = QString::number(int(erro.type()));
    const Resposta r = mostrar(Icone::Erro, kErroAdicionarBanco + QStringLiteral("\r") + numero +
                                                QStringLiteral(" - ") + textoErro(erro),
                               true);
    if (r == Resposta::Desistir) return false;
  }
}

bool AddRecordMemory(const QString &codUsuario, const QByteArray &bytes, int32_t size, uint8_t indiceDedo) {
  if (size <= 0 || size > bytes.size() || chaveGrupo(bytes) < 0) {
    gravarTrace(kErroAdicionarMemoria);
    return false;
  }
  DeleteRecordMemory(codUsuario, indiceDedo);
  auto &grupo = estado().gruposDigitais[size_t(chaveGrupo(bytes))];
  if (!grupo) grupo.emplace();
  grupo->push_back(FingerprintRecord{codUsuario, indiceDedo, bytes.left(size)});
  return true;
}

void DeleteRecordMemory(const QString &codUsuario, uint8_t indiceDedo) {
  if (codUsuario.trimmed().isEmpty()) return;
  for (auto &grupo : estado().gruposDigitais) {
    if (!grupo) continue;
    std::erase_if(*grupo, [&](const FingerprintRecord &r) {
      return r.indiceDedo == indiceDedo && r.codUsuario == codUsuario;
    });
  }
}

bool DeleteRecord(const QString &codUsuario) {
  if (codUsuario.trimmed().isEmpty()) return false;
  Ocupado ocupado;
  const bool achou = estado().removerUsuarioDaMemoria(codUsuario);
  // A store that was never started (keyboard mode) has no table to delete from.
  if (!g_emUso) return achou;
  reconectarSeNecessario();
  QSqlDatabase db = banco();
  QString erro;
  bool ok = db.isOpen() && db.transaction();
  if (ok) {
    QSqlQuery q = preparar(QStringLiteral("delete from tblBiometrica where codusuario = ?"), {codUsuario});
    // Pending rows of a deleted user would name templates that are gone.
    QSqlQuery p = preparar(QStringLiteral("DELETE FROM tblBiometricaUpdate WHERE CodUsuario = ?"), {codUsuario});
    ok = executar(q, &erro) && executar(p, &erro) && db.commit();
    if (!ok) db.rollback();
  }
  if (!ok) {
    g_reabrir = true;
    gravarTrace(erro.isEmpty() ? textoErro(db.lastError()) : erro);
    mostrar(Icone::Erro, kErroExcluirBanco);
  }
  return achou;
}

void AtualizarDigitais(uint8_t ponto) {
  // A pass that a pump started in the middle of another store operation
  // waits for the next tick; its rows stay pending meanwhile.
  if (g_ocupado > 0 || estado().banco.conexaoSQL.isEmpty()) return;
  Ocupado ocupado;
  reconectarSeNecessario();
  struct Pendente {
    QString codUsuario;
    int indiceDedo;
  };
  std::vector<Pendente> pendentes;
  {
    QSqlQuery q = preparar(QStringLiteral("SELECT * FROM tblBiometricaUpdate WHERE ponto = ?"), {int(ponto)});
    if (!executar(q)) {
      gravarTrace(kErroAtualizar);
      return;
    }
    while (q.next()) pendentes.push_back({campo(q, "CodUsuario").toString(), campo(q, "IndiceDedo").toInt()});
    if (q.lastError().isValid()) {
      g_reabrir = true;
      gravarTrace(kErroAtualizar);
      return;
    }
  }
  for (const Pendente &p : pendentes) {
    QSqlQuery t = preparar(QStringLiteral("SELECT * FROM tblBiometrica WHERE CodUsuario = ? AND IndiceDedo = ?"),
                           {p.codUsuario, p.indiceDedo});
    if (!executar(t)) {
      gravarTrace(kErroAtualizar);
      return;
    }
    if (t.next()) {
      const QByteArray bytes = campo(t, "BioFeatures").toByteArray();
      AddRecordMemory(campo(t, "CodUsuario").toString(), bytes, campo(t, "BioSize").toInt(),
                      uint8_t(campo(t, "IndiceDedo").toInt()));
    } else if (t.lastError().isValid()) {
      g_reabrir = true;
      gravarTrace(kErroAtualizar);
      return;
    } else {
      // The template is gone (its user was deleted): kept pending, this row
      // would stop every later update of this point until a restart.
      gravarTrace(kErroAtualizar);
    }
    t.finish();
    QSqlQuery d = preparar(
        QStringLiteral("DELETE FROM tblBiometricaUpdate WHERE Ponto = ? AND CodUsuario = ? AND IndiceDedo = ?"),
        {int(ponto), p.codUsuario, p.indiceDedo});
    if (!executar(d)) {
      gravarTrace(kErroAtualizar);
      return;
    }
  }
}

} // namespace dactilox::store
