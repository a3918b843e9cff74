#include "services/TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace services {
namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  // Only async-signal-safe work here: wake the GUI thread.
  [[maybe_unused]] ssize_t n = ::write(g_pipe[0], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> handler, QObject *parent)
    : QObject(parent), m_onSignal(std::move(handler)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) return;
  m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, [this] {
    char byte;
    [[maybe_unused]] ssize_t n = ::read(g_pipe[1], &byte, 1);
    if (m_onSignal) m_onSignal();
  });
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

TerminationSignals::~TerminationSignals() {
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  delete m_notifier;
  for (int &fd : g_pipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

} // namespace services
