#include "papilo.h"

#include "component/server.h"
#include "component/values.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>

namespace dactilox {

Papilo &Papilo::instance() {
  static Papilo p;
  return p;
}

std::vector<std::string> Papilo::candidatePaths() const {
  if (const char *e = std::getenv("DACTILOX_ENGINE"); e && *e) return {e};
  std::vector<std::string> out;
  // Beside the library that holds this code (libdactilox.so, or a test program).
  const std::string self = component::libraryPathOf(reinterpret_cast<const void *>(&Papilo::instance));
  if (!self.empty()) out.push_back((std::filesystem::path(self).parent_path() / PAPILO_LIBRARY).string());
  out.push_back(PAPILO_LIBRARY);
  return out;
}

void Papilo::reset() {
  if (m_handle) dlclose(m_handle);
  m_handle = nullptr;
  m_path.clear();
  m_fn.fill(nullptr);
  m_error.clear();
}

void *Papilo::symbol(const char *name, void **slot) {
  if (*slot) return *slot;
  if (!m_handle) {
    QString why;
    for (const std::string &p : candidatePaths()) {
      // A bare name goes to the normal library path; a path is tried only when it exists.
      if (p.find('/') != std::string::npos && !std::filesystem::exists(p)) continue;
      m_handle = dlopen(p.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (m_handle) {
        m_path = p;
        break;
      }
      const char *e = dlerror();
      why = QString::fromLocal8Bit(e ? e : "");
    }
    if (!m_handle) {
      m_error = QStringLiteral("Motor biométrico indisponível: não foi possível carregar %1%2")
                    .arg(QString::fromUtf8(PAPILO_LIBRARY), why.isEmpty() ? QString() : " (" + why + ")");
      return nullptr;
    }
  }
  *slot = dlsym(m_handle, name);
  if (!*slot) {
    m_error = QStringLiteral("Motor biométrico incompleto: a função %1 não existe em %2")
                  .arg(QString::fromUtf8(name), QString::fromStdString(m_path));
  }
  return *slot;
}

#define PAPILO_CALL(fn, idx, ...)                                   \
  auto f = bind<fn##_fn>(#fn, &m_fn[idx]);                          \
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
