#include "winsys/winsys.h"

#include <condition_variable>
#include <mutex>
#include <pthread.h>

namespace winsys {

struct Thread::State {
  std::function<void()> body;
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  pthread_t handle{};
  bool joined = false;
};

namespace {
void *runThread(void *arg) {
  auto *holder = static_cast<std::shared_ptr<Thread::State> *>(arg);
  std::shared_ptr<Thread::State> state = *holder;
  delete holder;
  state->body();
  std::lock_guard<std::mutex> lock(state->mutex);
  state->finished = true;
  state->done.notify_all();
  return nullptr;
}
} // namespace

Thread::~Thread() {
  if (m_started && m_state && !m_state->joined) join();
}

bool Thread::start(std::function<void()> body, size_t stackBytes) {
  if (m_started) return false;
  m_state = std::make_shared<State>();
  m_state->body = std::move(body);
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  if (stackBytes >= 16384) pthread_attr_setstacksize(&attr, stackBytes);
  auto *holder = new std::shared_ptr<State>(m_state);
  int rc = pthread_create(&m_state->handle, &attr, runThread, holder);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    delete holder;
    m_state.reset();
    return false;
  }
  m_started = true;
  return true;
}

bool Thread::join(uint32_t ms) {
  if (!m_started || !m_state) return true;
  if (m_state->joined) return true;
  {
    std::unique_lock<std::mutex> lock(m_state->mutex);
    if (ms == kInfinite) m_state->done.wait(lock, [&] { return m_state->finished; });
    else if (!m_state->done.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_state->finished; }))
      return false;
  }
  pthread_join(m_state->handle, nullptr);
  m_state->joined = true;
  return true;
}

bool Thread::finished() const {
  if (!m_started || !m_state) return true;
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->finished;
}

bool Thread::isCurrent() const {
  return m_started && m_state && pthread_equal(m_state->handle, pthread_self());
}

void Thread::detach() {
  if (m_started && m_state && !m_state->joined) {
    pthread_detach(m_state->handle);
    m_state->joined = true;
  }
}

} // namespace winsys
