#include "bound_library.h"

#include "component/server.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>

namespace dactilox {

namespace {
void anchor() {}
} // namespace

BoundLibrary::BoundLibrary(const char *fileName, const char *envVar, QString missingLibrary, QString missingFunction)
    : m_fileName(fileName), m_envVar(envVar), m_missingLibrary(std::move(missingLibrary)),
      m_missingFunction(std::move(missingFunction)) {}

BoundLibrary::~BoundLibrary() = default;  // left loaded: the process may still hold its bitmaps or contexts

std::vector<std::string> BoundLibrary::candidatePaths() const {
  if (const char *e = std::getenv(m_envVar); e && *e) return {e};
  std::vector<std::string> out;
  // Beside the file that holds this code (libdactilox.so, or a test program).
  const std::string here = component::libraryPathOf(reinterpret_cast<const void *>(&anchor));
  if (!here.empty()) out.push_back((std::filesystem::path(here).parent_path() / m_fileName).string());
  out.push_back(m_fileName);
  return out;
}

void BoundLibrary::reset() {
  if (m_handle) dlclose(m_handle);
  m_handle = nullptr;
  m_path.clear();
  m_error.clear();
}

void *BoundLibrary::symbol(const char *name, void **slot) {
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
      m_error = m_missingLibrary.arg(QString::fromUtf8(m_fileName), why.isEmpty() ? QString() : " (" + why + ")");
      return nullptr;
    }
  }
  *slot = dlsym(m_handle, name);
  if (!*slot) m_error = m_missingFunction.arg(QString::fromUtf8(name), QString::fromStdString(m_path));
  return *slot;
}

} // namespace dactilox
