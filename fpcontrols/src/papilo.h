// Module Papilo: the matching engine bound by name.
//
// libPPVBP42.so, bound as BoundLibrary says ($DACTILOX_ENGINE names another
// file). A missing library or function makes the call return nothing
// (std::nullopt) and leaves a Portuguese text in lastError() for the control
// to raise as ErroMsg; the next call tries again.
#ifndef DACTILOX_PAPILO_H
#define DACTILOX_PAPILO_H

#include "bound_library.h"
#include "dactilox/papilo_api.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dactilox {

// DetalheComparacao: five Longs; the binding sets the first to 20 before
// every call, the engine writes the similarity into the second.
struct DetalheComparacao {
  std::array<int32_t, PAPILO_DETAIL_LONGS> campos{};
  int32_t similaridade() const { return campos[1]; }
};

class Papilo {
public:
  static Papilo &instance();

  // The files tried, in order.
  std::vector<std::string> candidatePaths() const;
  // For tests: forget the open library and the bound functions.
  void reset();

  QString lastError() const { return m_lib.lastError(); }

  std::optional<int32_t> initialize();
  std::optional<int32_t> finalize();
  std::optional<int32_t> createContext();
  std::optional<int32_t> freeContext(int32_t context);
  std::optional<int32_t> setParameter(int32_t id, const oa_variant *value, int32_t context);
  // Parameters 1000 = 100, thresholdId = threshold, 220 = 256, in this
  // order; stops at the first one that cannot be set.
  bool setParameters(int32_t context, int32_t thresholdId, int32_t threshold);
  std::optional<int32_t> extract(int32_t width, int32_t height, oa_variant *image, oa_variant *features,
                                 int32_t *size, int32_t context);
  std::optional<int32_t> decompressFeatures(oa_variant *features, void *record);
  std::optional<int32_t> identifyStart(oa_variant *probe, int32_t context);
  std::optional<int32_t> identifyNext(oa_variant *templ, DetalheComparacao *detail, int32_t context);
  std::optional<int32_t> identifyEnd(int32_t context);
  std::optional<int32_t> verify(oa_variant *templ, oa_variant *probe, DetalheComparacao *detail, int32_t context);
  std::optional<int32_t> generalize(int32_t count, oa_variant *touches, oa_variant *features, int32_t *size,
                                    int32_t context);

private:
  Papilo();

  BoundLibrary m_lib;
  enum Fn {
    kInitialize, kFinalize, kCreateContext, kFreeContext, kSetParameter, kExtract, kDecompress,
    kIdentifyStart, kIdentifyNext, kIdentifyEnd, kVerify, kGeneralize, kCount
  };
  std::array<void *, kCount> m_fn{};
};

inline Papilo &papilo() { return Papilo::instance(); }

} // namespace dactilox

#endif
