#pragma once
// Turns SIGTERM and SIGINT into a call on the GUI thread, so that a stop from
// the system runs the same closing steps as the exit button.

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace services {

class TerminationSignals : public QObject {
public:
  // One per process. onSignal runs on the thread that created this object.
  explicit TerminationSignals(std::function<void()> onSignal, QObject *parent = nullptr);
  ~TerminationSignals() override;

private:
  std::function<void()> m_onSignal;
  QSocketNotifier *m_notifier = nullptr;
};

} // namespace services
