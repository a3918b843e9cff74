#include "test_support.h"

#include "template_store.h"

#include "dispatch_table.h"
#include "papilo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>

namespace dactilox::test {

void ensureApp() {
  static int argc = 1;
  static char name[] = "dactilox_test";
  static char *argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
  // A store message box would wait for a click no test gives.
  store::definirCaixaMensagem([](store::Icone, const QString &texto, bool podeRepetir) {
    caixasMostradas().push_back(texto);
    return podeRepetir ? store::Resposta::Desistir : store::Resposta::Ok;
  });
}

std::vector<QString> &caixasMostradas() {
  static std::vector<QString> textos;
  return textos;
}

void waitUntil(const std::function<bool()> &done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

Recorder::Recorder(component::Object *o) : m_o(o) { o->advise(this, &m_cookie); }
Recorder::~Recorder() { m_o->unadvise(m_cookie); }

void Recorder::onEvent(int32_t dispid, oa_variant *args, uint32_t argc) {
  Raised r{dispid, "?", {}};
  const component::ClassInfo *info = m_o->classInfo();
  for (size_t i = 0; i < info->eventCount; ++i)
    if (info->events[i].dispid == dispid) r.name = info->events[i].name;
  for (uint32_t i = 0; i < argc; ++i) {
    switch (args[i].kind) {
    case OA_UI1: r.args.push_back("B:" + std::to_string(args[i].v.u1)); break;
    case OA_I4: r.args.push_back("L:" + std::to_string(args[i].v.i4)); break;
    case OA_STR: r.args.push_back("S:" + component::toUtf8(&args[i])); break;
    default: r.args.push_back("kind:" + std::to_string(args[i].kind)); break;
    }
  }
  events.push_back(r);
}

int Recorder::count(const std::string &name) const {
  int n = 0;
  for (const auto &e : events) n += e.name == name;
  return n;
}

std::vector<std::string> Recorder::names() const {
  std::vector<std::string> out;
  for (const auto &e : events) out.push_back(e.name);
  return out;
}

component::Ref<component::Object> create(const char *className) {
  ensureApp();
  for (size_t i = 0; i < serverClassCount(); ++i) {
    const component::ServerClass &c = serverClasses()[i];
    if (std::strcmp(c.info->name, className) == 0 && c.create) return component::Ref<component::Object>(c.create());
  }
  ADD_FAILURE() << "no creatable class " << className;
  return {};
}

namespace {
std::filesystem::path binDir() { return std::filesystem::read_symlink("/proc/self/exe").parent_path(); }
void *fakeHandle() {
  return dlopen((binDir() / "libfake_ppvbp42.so").c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
}
} // namespace

void useEngine(const std::string &libraryFile) {
  const std::string path = libraryFile.empty() ? (binDir() / "no-such-engine" / "libPPVBP42.so").string()
                                               : (binDir() / libraryFile).string();
  setenv("DACTILOX_ENGINE", path.c_str(), 1);
  papilo().reset();
}

std::string engineCalls() {
  void *h = fakeHandle();
  if (!h) return {};
  auto f = reinterpret_cast<const char *(*)()>(dlsym(h, "fake_calls"));
  std::string out = f ? f() : "";
  dlclose(h);
  return out;
}

void clearEngineCalls() {
  void *h = fakeHandle();
  if (!h) return;
  if (auto f = reinterpret_cast<void (*)()>(dlsym(h, "fake_clear"))) f();
  dlclose(h);
}

namespace {
// Opens the fake and keeps it open, so what is set stays set until the
// binding loads the same library.
template <class F, class... A> void callFake(const char *name, A... args) {
  void *h = dlopen((binDir() / "libfake_ppvbp42.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(h, nullptr) << dlerror();
  auto f = reinterpret_cast<F>(dlsym(h, name));
  ASSERT_NE(f, nullptr) << name;
  f(args...);
}
} // namespace

std::string engineVisits() {
  void *h = fakeHandle();
  if (!h) return {};
  auto f = reinterpret_cast<const char *(*)()>(dlsym(h, "fake_visits"));
  std::string out = f ? f() : "";
  dlclose(h);
  return out;
}

void fakeProbe(int key, int minutiae, int extractResult) {
  callFake<void (*)(int, int, int)>("fake_set_probe", key, minutiae, extractResult);
}
void fakeStartResult(int result) { callFake<void (*)(int)>("fake_set_start_result", result); }
void fakeDelay(int ms) { callFake<void (*)(int)>("fake_set_delay", ms); }

QByteArray fakeTemplate(uint8_t key, uint8_t score, uint8_t verifyScore) {
  QByteArray t(4, '\0');
  t[0] = 'F';
  t[1] = char(key);
  t[2] = char(score);
  t[3] = char(verifyScore);
  return t;
}

} // namespace dactilox::test
