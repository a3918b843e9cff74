// The state all controls of one process share. It lives as long as the
// library is loaded; no control clears it when destroyed.
#ifndef DACTILOX_SHARED_STATE_H
#define DACTILOX_SHARED_STATE_H

#include "component/values.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace dactilox {

constexpr int kSlots = 5;
constexpr int kGroups = 256;

// One image slot (the FingerPrintImage class): the latest image a reader
// delivered, until a control takes it.
struct FingerPrintImage {
  int32_t fpiWidth = 0;
  int32_t fpiHeight = 0;
  component::Value fpiImage;  // byte array of width x height grey pixels, top row first
  bool fpiNew = false;        // an image waits that no control has taken yet
  bool fpiRunning = false;    // set when stored, cleared at the end of a touch

  int32_t width() const { return fpiWidth; }
  void setWidth(int32_t v) { fpiWidth = v; }
  int32_t height() const { return fpiHeight; }
  void setHeight(int32_t v) { fpiHeight = v; }
  component::Value image() const { return fpiImage; }
  void setImage(const oa_variant *v);
  bool isNew() const { return fpiNew; }
  void setNew(bool v) { fpiNew = v; }
  bool running() const { return fpiRunning; }
  void setRunning(bool v) { fpiRunning = v; }
};

struct ResultadoSensorSlot {
  bool identificado = false;
  bool naoIdentificado = false;
  QString codUsuario;
  uint8_t indiceDedo = 0;
};

// One template in memory (not exposed to hosts).
struct FingerprintRecord {
  QString codUsuario;
  uint8_t indiceDedo = 0;
  QByteArray bioFeatures;
};

struct Candidato {
  QString codUsuario;
  uint8_t indiceDedo = 0;
  int32_t pontuacao = 0;
};

// Settings of the template store, set through ctrlFPdb.
struct ConfiguracaoBanco {
  QString conexaoSQL;
  QString delimitadorString;  // "" (codes unquoted), "'" or "\""
  QString clausulaSQLWhere;
  uint8_t carregarDigitais = 1;  // 1 = on
  uint8_t numeroPontoIdentificador = 0;
  uint8_t quantidadePontosIdentificadores = 0;
  uint8_t habilitarTrace = 0;  // 1 = on
};

// Strictness property values and the engine thresholds they stand for.
int32_t limiarDeRigidez(int16_t rigidez);
int16_t rigidezDeLimiar(int32_t limiar);

struct SharedState {
  std::array<std::unique_ptr<FingerPrintImage>, kSlots> imagensSensor;  // made on first use
  // Engine contexts by slot. Each is owned by the control that created it and
  // freed exactly once, by that control, at its stop (liberarContexto):
  //  - ctrlSensor creates one at InicializarSensor for its slot IndiceSensor;
  //  - ctrlFPdb creates one at InicializarFPdb and puts it in slot 0, where
  //    the visual controls of slot 0 then use it.
  // A slot still holding a freed context is set to 0 (no context).
  std::array<int32_t, kSlots> contextosSensor{};
  std::array<ResultadoSensorSlot, kSlots> resultadoSensor;
  std::array<std::optional<std::vector<FingerprintRecord>>, kGroups> gruposDigitais;
  std::vector<Candidato> listaCandidatos;
  int32_t quantidadeCandidatos = 0;
  int32_t limiarIdentificacao = 72;
  int32_t limiarCadastro = 72;
  uint8_t estadoOperacao = 0;  // 0 idle, 1 identification, 2 enrollment requested
  bool tempoEsgotado = false;
  ConfiguracaoBanco banco;

  // Slot i, made on first use; null for an index outside 0 to 4, which
  // addresses no slot.
  FingerPrintImage *imagem(int slot);
  int32_t *contexto(int slot);
  ResultadoSensorSlot *resultado(int slot);

  // Removes every template of the user from memory; true when there was one.
  // Pumps window messages after each group, like every walk over the groups.
  bool removerUsuarioDaMemoria(const QString &codUsuario);
  // ClearData: empties every group that exists, pumping after each.
  void limparMemoria();
};

SharedState &estado();

// Frees a context its owner made (nothing for 0), clears the slot when it
// still holds it, and sets ctx to 0.
void liberarContexto(int32_t &ctx, int slot);

} // namespace dactilox

#endif
