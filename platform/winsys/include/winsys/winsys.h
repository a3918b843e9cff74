// Events, named events shared between processes, threads, message windows
// with send and post, and a millisecond tick: what the reader driver and the
// scanner layer need from the platform. No Qt.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace winsys {

// Milliseconds of a monotonic clock; wraps like a 32-bit counter.
uint32_t tickCount();

inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

// A manual- or auto-reset event. A named event lives in shared memory and is
// seen by every process that opens the same name; it disappears when the last
// handle in the last process is closed (handles of processes that died no
// longer count, as when the kernel closes them).
class Event {
public:
  ~Event();
  Event(const Event &) = delete;
  Event &operator=(const Event &) = delete;

  // Unnamed event.
  static std::unique_ptr<Event> create(bool manualReset, bool initiallySet);
  // Named event: opened when it exists (existed = true, state kept), else made.
  // Null only when shared memory is unavailable.
  static std::unique_ptr<Event> createNamed(const std::string &name, bool manualReset, bool initiallySet,
                                            bool *existed = nullptr);
  // Opens an existing named event; null when there is none.
  static std::unique_ptr<Event> openNamed(const std::string &name);

  void set();
  void reset();
  bool isSet() const;
  // True when the event was set within ms (an auto-reset event is then cleared).
  bool wait(uint32_t ms);

  struct Shared;

private:
  Event() = default;
  Shared *m_shared = nullptr;
  std::string m_shmName; // empty for an unnamed event
};

// Waits until one of the events is set; its index, or -1 after ms.
int waitAny(Event *const *events, int count, uint32_t ms);

// A joinable thread with a stack size.
class Thread {
public:
  Thread() = default;
  ~Thread();
  Thread(const Thread &) = delete;
  Thread &operator=(const Thread &) = delete;
  bool start(std::function<void()> body, size_t stackBytes = 0);
  // True when the thread ended within ms (it is then joined).
  bool join(uint32_t ms = kInfinite);
  bool started() const { return m_started; }
  bool finished() const;
  // True on the thread itself (it cannot wait for its own end).
  bool isCurrent() const;
  // Leaves a thread that will not end to run on by itself.
  void detach();

  struct State;

private:
  std::shared_ptr<State> m_state;
  bool m_started = false;
};

// A hidden message window owned by the thread that creates it. Its procedure
// runs only on that thread: when the thread pumps (pumpMessages), or at once
// when the owner itself sends.
using WindowHandle = intptr_t;
using WindowProc = std::function<intptr_t(uint32_t msg, uintptr_t wParam, intptr_t lParam)>;

WindowHandle createWindow(WindowProc proc);
// Pending messages are dropped; senders waiting on them are released.
void destroyWindow(WindowHandle window);
bool isWindow(WindowHandle window);
// Queues the message; false when the window does not exist.
bool postMessage(WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam);
// Runs the procedure on the owner thread and waits for it. A send that has not
// started yet is abandoned when `abandon` becomes set (so a worker never waits
// on an owner that is itself waiting for the worker). False when the window
// does not exist or the send was abandoned.
bool sendMessage(WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam, intptr_t *result = nullptr,
                 Event *abandon = nullptr);
// Runs every message queued for the calling thread's windows; the number run.
int pumpMessages();
// A descriptor that becomes readable when messages wait for the calling
// thread; an event loop watches it and calls pumpMessages.
int threadMessageFd();
// Calls the window's procedure directly on the calling thread.
intptr_t callWindowProc(WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam);

} // namespace winsys
