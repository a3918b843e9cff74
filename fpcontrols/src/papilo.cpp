#include "papilo.h"

#include "component/values.h"

namespace dactilox {

Papilo &Papilo::instance() {
  static Papilo p;
  return p;
}

Papilo::Papilo()
    : m_lib(PAPILO_LIBRARY, "DACTILOX_ENGINE", QStringLiteral("Motor biométrico indisponível: não foi possível carregar %1%2"),
            QStringLiteral("Motor biométrico incompleto: a função %1 não existe em %2")) {}

std::vector<std::string> Papilo::candidatePaths() const { return m_lib.candidatePaths(); }

void Papilo::reset() {
  m_lib.reset();
  m_fn.fill(nullptr);
}

#define PAPILO_CALL(fn, idx, ...)                                   \
  auto f = reinterpret_cast<fn##_fn>(m_lib.symbol(#fn, &m_fn[idx])); \
  if (!f) return std::nullopt;                                      \
  return f(__VA_ARGS__)

std::optional<int32_t> Papilo::initialize() { PAPILO_CALL(VBPPInitialize, kInitialize); }
std::optional<int32_t> Papilo::finalize() { PAPILO_CALL(VBPPFinalize, kFinalize); }
std::optional<int32_t> Papilo::createContext() { PAPILO_CALL(VBPPCreateContext, kCreateContext); }
std::optional<int32_t> Papilo::freeContext(int32_t context) { PAPILO_CALL(VBPPFreeContext, kFreeContext, context); }
std::optional<int32_t> Papilo::setParameter(int32_t id, const oa_variant *value, int32_t context) {
  PAPILO_CALL(VBPPSetParameter, kSetParameter, id, value, context);
}
std::optional<int32_t> Papilo::extract(int32_t width, int32_t height, oa_variant *image, oa_variant *features,
                                       int32_t *size, int32_t context) {
  PAPILO_CALL(VBPPExtract, kExtract, width, height, image, PAPILO_EXTRACT_500, features, size, context);
}
std::optional<int32_t> Papilo::decompressFeatures(oa_variant *features, void *record) {
  PAPILO_CALL(VBPPDecompressFeatures, kDecompress, features, record);
}
std::optional<int32_t> Papilo::identifyStart(oa_variant *probe, int32_t context) {
  PAPILO_CALL(VBPPIdentifyStart, kIdentifyStart, probe, context);
}
std::optional<int32_t> Papilo::identifyNext(oa_variant *templ, DetalheComparacao *detail, int32_t context) {
  detail->campos[0] = 20;
  PAPILO_CALL(VBPPIdentifyNext, kIdentifyNext, templ, detail->campos.data(), context);
}
std::optional<int32_t> Papilo::identifyEnd(int32_t context) { PAPILO_CALL(VBPPIdentifyEnd, kIdentifyEnd, context); }
std::optional<int32_t> Papilo::verify(oa_variant *templ, oa_variant *probe, DetalheComparacao *detail,
                                      int32_t context) {
  detail->campos[0] = 20;
  PAPILO_CALL(VBPPVerify, kVerify, templ, probe, detail->campos.data(), context);
}
std::optional<int32_t> Papilo::generalize(int32_t count, oa_variant *touches, oa_variant *features, int32_t *size,
                                          int32_t context) {
  PAPILO_CALL(VBPPGeneralize, kGeneralize, count, touches, features, size, context);
}

#undef PAPILO_CALL

bool Papilo::setParameters(int32_t context, int32_t thresholdId, int32_t threshold) {
  component::Value p1000 = component::Value::integer(100);
  component::Value limiar = component::Value::long32(threshold);
  component::Value p220 = component::Value::integer(256);
  return setParameter(PAPILO_PARAM_1000, p1000.get(), context) &&
         setParameter(thresholdId, limiar.get(), context) && setParameter(PAPILO_PARAM_220, p220.get(), context);
}

} // namespace dactilox
