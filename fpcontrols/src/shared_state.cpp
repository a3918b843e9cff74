#include "shared_state.h"

#include "control_support.h"
#include "papilo.h"

#include <algorithm>

namespace dactilox {

void FingerPrintImage::setImage(const oa_variant *v) {
  component::Value copy;
  if (v) oa_variant_copy(copy.get(), v);
  fpiImage = std::move(copy);
}

int32_t limiarDeRigidez(int16_t rigidez) {
  switch (rigidez) {
  case 0: return 48;
  case 1: return 60;
  case 2: return 72;
  case 3: return 84;
  default: return rigidez;
  }
}

int16_t rigidezDeLimiar(int32_t limiar) {
  switch (limiar) {
  case 48: return 0;
  case 60: return 1;
  case 72: return 2;
  case 84: return 3;
  // Every stored threshold came from an Integer property value.
  default: return int16_t(limiar);
  }
}

FingerPrintImage *SharedState::imagem(int slot) {
  if (slot < 0 || slot >= kSlots) return nullptr;
  if (!imagensSensor[slot]) imagensSensor[slot] = std::make_unique<FingerPrintImage>();
  return imagensSensor[slot].get();
}

int32_t *SharedState::contexto(int slot) {
  return slot < 0 || slot >= kSlots ? nullptr : &contextosSensor[slot];
}

ResultadoSensorSlot *SharedState::resultado(int slot) {
  return slot < 0 || slot >= kSlots ? nullptr : &resultadoSensor[slot];
}

bool SharedState::removerUsuarioDaMemoria(const QString &codUsuario) {
  bool found = false;
  for (auto &grupo : gruposDigitais) {
    if (!grupo) continue;
    const auto n = std::erase_if(*grupo, [&](const FingerprintRecord &r) { return r.codUsuario == codUsuario; });
    found = found || n > 0;
    pump();
  }
  return found;
}

void SharedState::limparMemoria() {
  for (auto &grupo : gruposDigitais) {
    if (grupo) grupo->clear();
    pump();
  }
}

void liberarContexto(int32_t &ctx, int slot) {
  if (ctx == 0) return;
  papilo().freeContext(ctx);
  if (int32_t *c = estado().contexto(slot); c && *c == ctx) *c = 0;
  ctx = 0;
}

SharedState &estado() {
  static SharedState s;
  return s;
}

} // namespace dactilox
