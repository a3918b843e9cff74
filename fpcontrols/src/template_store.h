// The template store (module DataBase): the templates table, the pending
// changes of every collection point and the 256 groups held in memory.
//
// One store per process: one connection (named kConexao), the settings in
// estado().banco, the groups in estado().gruposDigitais. Everything runs on
// the user-interface thread. LoadData, ClearData and DeleteRecord pump window
// messages; a pass of AtualizarDigitais that a pump would start while another
// store operation is under way waits for the next tick (its rows stay
// pending), and a load cut short by ClearData stops quietly.
//
// The store never creates tables: tblBiometrica (CodUsuario, IndiceDedo,
// BioFeatures, BioSize) and tblBiometricaUpdate (Ponto, CodUsuario,
// IndiceDedo) must exist. User codes travel as bound parameters, so any code
// (apostrophes, quotes, SQL) is stored and deleted as itself, whichever
// delimiter the host set.
#ifndef DACTILOX_TEMPLATE_STORE_H
#define DACTILOX_TEMPLATE_STORE_H

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

namespace dactilox::store {

inline constexpr const char *kConexao = "dactilox_templates";

// What a store message box asks and what the person answered.
enum class Icone { Erro, Aviso };
enum class Resposta { Ok, Repetir, Desistir };
// Shows one message box. podeRepetir: the box offers "try again" and "give
// up" (AddRecordDB); otherwise it only informs and the answer is Ok.
using CaixaMensagem = std::function<Resposta(Icone icone, const QString &texto, bool podeRepetir)>;
// Replaces the message box (tests, programs without a screen); an empty
// function restores the real one. Texts keep their carriage returns.
void definirCaixaMensagem(CaixaMensagem caixa);

// The group of a template: its byte at index 1; -1 for a template too short
// to have one.
int chaveGrupo(const QByteArray &bioFeatures);

// Opens the connection of ConexaoSQL (a Jet text or a postgresql:// URI).
// An empty text shows the instruction box and opens nothing; a failure shows
// the error box. True when open.
bool OpenConnection();
void CloseConnection();
bool conectado();

void LimpaTBLBiometricaUpdate();
void LoadData();
void ClearData();
// Writes the template and, for every point 1..QuantidadePontosIdentificadores,
// its pending row, in one transaction. On failure the error box offers to try
// again; false when the person gave up (nothing was written then).
bool AddRecordDB(const QString &codUsuario, const QByteArray &bytes, int32_t size, uint8_t indiceDedo);
// Puts the first size bytes into memory, replacing any earlier copy of this
// user and finger. False (and a trace line) when it cannot.
bool AddRecordMemory(const QString &codUsuario, const QByteArray &bytes, int32_t size, uint8_t indiceDedo);
void DeleteRecordMemory(const QString &codUsuario, uint8_t indiceDedo);
// Removes the user from memory and from the table (and the user's pending
// rows); true when memory held one. Before the store was started (no
// OpenConnection since the last close) only memory is searched.
bool DeleteRecord(const QString &codUsuario);
// Loads the templates pending for this point into memory, then drops the
// pending rows. A failed pass leaves its row and the rows after it pending.
void AtualizarDigitais(uint8_t ponto);

} // namespace dactilox::store

#endif
