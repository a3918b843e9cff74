// Small helpers every control uses: raising events, pumping window
// messages, the hourglass pointer, twips.
#ifndef DACTILOX_CONTROL_SUPPORT_H
#define DACTILOX_CONTROL_SUPPORT_H

#include "component/qtvalues.h"
#include "component/component.h"
#include "component/values.h"

#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>

namespace dactilox {

// What a setter or method returns when it can refuse a call: an error
// raised to the caller, not a Long result.
struct Status {
  int32_t code = 0;
  static Status ok() { return {}; }
  static Status overflow() { return {component::kOverflow}; }
};

// Layouts are given in twips; the screen has 15 twips a pixel.
constexpr int kTwipsPerPixel = 15;
constexpr int px(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

// Lets window messages (timers, paints, input) run in the middle of a long
// operation, as the host expects.
void pump();

// The hourglass pointer while a control works; seta() restores the arrow.
void ampulheta();
void seta();

// Raises outgoing events. The control object connects it to its sinks; a
// control without one raises into nothing.
class EventSource {
public:
  using Raiser = std::function<void(int32_t dispid, oa_variant *args, uint32_t argc)>;
  void setRaiser(Raiser r) { m_raiser = std::move(r); }

protected:
  template <class... A> void disparar(int32_t dispid, const A &...args) {
    if (!m_raiser) return;
    std::array<component::Value, sizeof...(A)> values{toValue(args)...};
    std::array<oa_variant, sizeof...(A) + 1> raw{};
    for (size_t i = 0; i < sizeof...(A); ++i) raw[i] = *values[i].get();
    m_raiser(dispid, raw.data(), uint32_t(sizeof...(A)));
  }

private:
  static component::Value toValue(uint8_t x) { return component::Value::byte(x); }
  static component::Value toValue(int32_t x) { return component::Value::long32(x); }
  static component::Value toValue(const QString &x) { return component::fromQString(x); }
  Raiser m_raiser;
};

// A timer of the desktop kind: it ticks while it is enabled and its interval
// is above 0; an interval of 0 (or below) never ticks.
class IntervalTimer {
public:
  IntervalTimer(QObject *owner, int intervalMs, bool enabled, std::function<void()> onTick);
  void setInterval(int ms);
  int interval() const { return m_interval; }
  void setEnabled(bool on);
  bool enabled() const { return m_enabled; }
  void start() { setEnabled(true); }
  void stop() { setEnabled(false); }
  bool ticking() const { return m_timer->isActive(); }

private:
  void apply();
  QTimer *m_timer;
  int m_interval;
  bool m_enabled;
};

} // namespace dactilox

#endif
