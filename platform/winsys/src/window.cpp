#include "winsys/winsys.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace winsys {

namespace {

struct Pending {
  WindowHandle window;
  uint32_t msg;
  uintptr_t wParam;
  intptr_t lParam;
  // For a send: the sender waits on this.
  struct Reply {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    intptr_t result = 0;
  };
  std::shared_ptr<Reply> reply;
};

struct ThreadQueue {
  std::deque<Pending> queue;
  int fd = -1;
};

struct Window {
  WindowProc proc;
  std::thread::id owner;
};

// One lock over windows and queues: they are few and messages are short.
std::mutex g_mutex;
std::map<WindowHandle, std::shared_ptr<Window>> g_windows;
std::map<std::thread::id, std::shared_ptr<ThreadQueue>> g_queues;
WindowHandle g_next = 0x1000;

std::shared_ptr<ThreadQueue> queueFor(std::thread::id id) {
  auto &q = g_queues[id];
  if (!q) {
    q = std::make_shared<ThreadQueue>();
    q->fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  }
  return q;
}

void wake(const ThreadQueue &q) {
  uint64_t one = 1;
  if (q.fd >= 0) (void)!write(q.fd, &one, sizeof one);
}

void finish(const std::shared_ptr<Pending::Reply> &reply, intptr_t result) {
  if (!reply) return;
  std::lock_guard<std::mutex> lock(reply->mutex);
  reply->done = true;
  reply->result = result;
  reply->cv.notify_all();
}

} // namespace

WindowHandle createWindow(WindowProc proc) {
  std::lock_guard<std::mutex> lock(g_mutex);
  WindowHandle h = g_next++;
  g_windows[h] = std::make_shared<Window>(Window{std::move(proc), std::this_thread::get_id()});
  queueFor(std::this_thread::get_id());
  return h;
}

void destroyWindow(WindowHandle window) {
  std::vector<std::shared_ptr<Pending::Reply>> released;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(window);
    if (it == g_windows.end()) return;
    auto q = g_queues.find(it->second->owner);
    if (q != g_queues.end()) {
      auto &dq = q->second->queue;
      for (auto m = dq.begin(); m != dq.end();) {
        if (m->window == window) {
          released.push_back(m->reply);
          m = dq.erase(m);
        } else {
          ++m;
        }
      }
    }
    g_windows.erase(it);
  }
  for (auto &r : released) finish(r, 0);
}

bool isWindow(WindowHandle window) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_windows.count(window) != 0;
}

bool postMessage(WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_windows.find(window);
  if (it == g_windows.end()) return false;
  auto q = queueFor(it->second->owner);
  q->queue.push_back(Pending{window, msg, wParam, lParam, nullptr});
  wake(*q);
  return true;
}

bool sendMessage(WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam, intptr_t *result,
                 Event *abandon) {
  std::shared_ptr<Window> w;
  auto reply = std::make_shared<Pending::Reply>();
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(window);
    if (it == g_windows.end()) return false;
    w = it->second;
    if (w->owner != std::this_thread::get_id()) {
      auto q = queueFor(w->owner);
      q->queue.push_back(Pending{window, msg, wParam, lParam, reply});
      wake(*q);
    }
  }
  if (w->owner == std::this_thread::get_id()) {
    intptr_t r = w->proc(msg, wParam, lParam);
    if (result) *result = r;
    return true;
  }
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(reply->mutex);
      if (reply->cv.wait_for(lock, std::chrono::milliseconds(10), [&] { return reply->done; })) {
        if (result) *result = reply->result;
        return true;
      }
    }
    if (abandon && abandon->isSet()) {
      // Withdraw the message if the owner has not taken it yet.
      std::lock_guard<std::mutex> lock(g_mutex);
      auto q = g_queues.find(w->owner);
      if (q != g_queues.end()) {
        auto &dq = q->second->queue;
        for (auto m = dq.begin(); m != dq.end(); ++m) {
          if (m->reply == reply) {
            dq.erase(m);
            return false;
          }
        }
      }
      // Taken: it is running now and will finish.
    }
  }
}

int pumpMessages() {
  std::shared_ptr<ThreadQueue> q;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    q = queueFor(std::this_thread::get_id());
    uint64_t drain;
    while (read(q->fd, &drain, sizeof drain) > 0) {}
  }
  int ran = 0;
  for (;;) {
    Pending m;
    std::shared_ptr<Window> w;
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      if (q->queue.empty()) break;
      m = std::move(q->queue.front());
      q->queue.pop_front();
      auto it = g_windows.find(m.window);
      if (it != g_windows.end()) w = it->second;
    }
    intptr_t r = w ? w->proc(m.msg, m.wParam, m.lParam) : 0;
    finish(m.reply, r);
    ++ran;
  }
  return ran;
}

int threadMessageFd() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return queueFor(std::this_thread::get_id())->fd;
}

intptr_t callWindowProc(WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  std::shared_ptr<Window> w;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(window);
    if (it == g_windows.end()) return 0;
    w = it->second;
  }
  return w->proc(msg, wParam, lParam);
}

} // namespace winsys
