// The one-to-many search of a probe template over the templates in memory
// (the 256 groups of the shared state): Identify in fast or full mode,
// IdentifyG for one group of the fast mode, OrdenarCandidatos. The answer goes
// into the shared result of the slot being processed and, in full mode, the
// candidate list. Window messages are pumped after every group, so the
// time-out timer can stop a search between groups.
#ifndef DACTILOX_TEMPLATE_SEARCH_H
#define DACTILOX_TEMPLATE_SEARCH_H

#include "oleauto/oleauto.h"

#include <QByteArray>

#include <cstdint>

namespace dactilox {

// The group key of a template: its second byte (0 for a shorter one).
uint8_t chaveGrupo(const QByteArray &bioFeatures);

// A byte-array variant that views bytes it does not own, for engine calls
// that only read. Never clear or copy the variant.
class VisaoBytes {
public:
  explicit VisaoBytes(const QByteArray &bytes);
  VisaoBytes(const VisaoBytes &) = delete;
  VisaoBytes &operator=(const VisaoBytes &) = delete;
  oa_variant *get() { return &m_variant; }

private:
  oa_array m_array{};
  oa_variant m_variant{};
};

// The caller's part before a full search: the candidate list back to its
// empty entry 0 and QuantidadeCandidatos 0.
void esvaziarCandidatos();

enum class Busca {
  Concluida,  // the slot's result says identified or not
  Falhou,     // the engine failed; the slot keeps only a match recorded before
};

// probe: the compressed template of the touch (its own length). mode 1 is the
// fast search, any other value the full one.
Busca Identify(const QByteArray &probe, uint8_t mode, int32_t context, int slot);
// One group of the fast search; true when it matched (found is then set and
// the slot holds the answer). An engine failure ends the group and sets
// failed.
bool IdentifyG(int group, int slot, int32_t context, bool &failed);
// Orders entries 0 to QuantidadeCandidatos by similarity, highest first;
// equal ones keep the order found, and the empty entry goes last.
void OrdenarCandidatos();

} // namespace dactilox

#endif
