#ifndef DACTILOX_TEST_SUPPORT_H
#define DACTILOX_TEST_SUPPORT_H

#include "component/component.h"
#include "component/host.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

namespace dactilox::test {

// The Qt application every widget test needs (offscreen). Store message
// boxes are recorded in caixasMostradas() and answered at once (AddRecordDB:
// give up).
void ensureApp();
std::vector<QString> &caixasMostradas();

// One raised event, its arguments as text ("B:3", "S:0", "L:7").
struct Raised {
  int32_t dispid;
  std::string name;
  std::vector<std::string> args;
};

class Recorder : public component::EventSink {
public:
  explicit Recorder(component::Object *o);
  ~Recorder();
  void onEvent(int32_t dispid, oa_variant *args, uint32_t argc) override;
  std::vector<Raised> events;
  int count(const std::string &name) const;
  std::vector<std::string> names() const;
  void clear() { events.clear(); }

private:
  component::Object *m_o;
  uint32_t m_cookie = 0;
};

// Creates a control through the server's own class table (no registry).
component::Ref<component::Object> create(const char *className);

// Points the engine binding at a fake engine library in the build folder
// ("libfake_ppvbp42.so"), or at a file that does not exist ("").
void useEngine(const std::string &libraryFile);
std::string engineCalls();
// Also sets the fake's probe and results back to their defaults.
void clearEngineCalls();
// The fake engine's knobs (fake_engine.cpp).
std::string engineVisits();
void fakeProbe(int key, int minutiae, int extractResult = 0);
void fakeStartResult(int result);
void fakeDelay(int ms);
// A template the fake scores: group key, IdentifyNext score, Verify score.
QByteArray fakeTemplate(uint8_t key, uint8_t score, uint8_t verifyScore = 0);

// Runs the event loop until done() or ms have passed.
void waitUntil(const std::function<bool()> &done, int ms = 3000);

template <class T> T *widgetOf(component::Object *o) { return static_cast<T *>(static_cast<QWidget *>(o->view())); }

} // namespace dactilox::test

#endif
