#include "control_support.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace dactilox {

namespace {
bool g_hourglass = false;
}

void pump() { QCoreApplication::processEvents(); }

void ampulheta() {
  if (g_hourglass || !qobject_cast<QGuiApplication *>(QCoreApplication::instance())) return;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  g_hourglass = true;
}

void seta() {
  if (!g_hourglass) return;
  QGuiApplication::restoreOverrideCursor();
  g_hourglass = false;
}

IntervalTimer::IntervalTimer(QObject *owner, int intervalMs, bool enabled, std::function<void()> onTick)
    : m_timer(new QTimer(owner)), m_interval(intervalMs), m_enabled(enabled) {
  QObject::connect(m_timer, &QTimer::timeout, owner, std::move(onTick));
  apply();
}

void IntervalTimer::setInterval(int ms) {
  m_interval = ms;
  apply();
}

void IntervalTimer::setEnabled(bool on) {
  m_enabled = on;
  apply();
}

void IntervalTimer::apply() {
  if (m_enabled && m_interval > 0) m_timer->start(m_interval);  // restarts the count, like re-enabling
  else m_timer->stop();
}

} // namespace dactilox
