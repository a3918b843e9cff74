#pragma once
// Runs the station's punch sequences one at a time. A sequence shows message
// boxes, a release dialog and pumps window messages, so a second
// identification or Enter can arrive in the middle of one: it is queued and
// runs when the sequence in progress has ended, in arrival order, none lost.

#include <deque>
#include <functional>

namespace punch {

class PunchQueue {
public:
  using Job = std::function<void()>;

  // Runs job now when nothing runs, else after what runs and what waits.
  void post(Job job) {
    m_waiting.push_back(std::move(job));
    if (m_running) return;
    m_running = true;
    struct Done {
      bool &running;
      ~Done() { running = false; }
    } done{m_running};
    while (!m_waiting.empty()) {
      Job next = std::move(m_waiting.front());
      m_waiting.pop_front();
      next();
    }
  }

  bool busy() const { return m_running; }
  std::size_t waiting() const { return m_waiting.size(); }

private:
  std::deque<Job> m_waiting;
  bool m_running = false;
};

} // namespace punch
