// A shared library opened at the first call that needs it and its functions
// looked up by name, each at its own first call (the engine, Vistrel).
//
// Files tried in order: the one named by the environment variable when set,
// else the file beside the library that holds this code (libdactilox.so or a
// test program), else the bare name on the normal library path. A missing
// library or function gives null and a Portuguese text in lastError(); the
// next call tries again.
#ifndef DACTILOX_BOUND_LIBRARY_H
#define DACTILOX_BOUND_LIBRARY_H

#include <QString>

#include <string>
#include <vector>

namespace dactilox {

class BoundLibrary {
public:
  // missingLibrary gets %1 file name and %2 the loader's reason;
  // missingFunction %1 function name and %2 the file.
  BoundLibrary(const char *fileName, const char *envVar, QString missingLibrary, QString missingFunction);
  ~BoundLibrary();
  BoundLibrary(const BoundLibrary &) = delete;
  BoundLibrary &operator=(const BoundLibrary &) = delete;

  std::vector<std::string> candidatePaths() const;
  // Closes the library; every cached function must be forgotten too.
  void reset();
  // The function's address, cached in *slot; null on failure.
  void *symbol(const char *name, void **slot);
  QString lastError() const { return m_error; }

private:
  const char *m_fileName;
  const char *m_envVar;
  QString m_missingLibrary, m_missingFunction;
  void *m_handle = nullptr;
  std::string m_path;
  QString m_error;
};

} // namespace dactilox

#endif
