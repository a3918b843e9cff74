#include "winsys/winsys.h"

#include <atomic>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace winsys {

uint32_t tickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

namespace {
constexpr int kMaxProcesses = 64;
constexpr uint32_t kMagic = 0x54564556; // marks an initialised shared record
}

struct Event::Shared {
  std::atomic<uint32_t> magic;
  pthread_mutex_t mutex;
  pthread_cond_t cond;
  int state;
  int manual;
  pid_t pids[kMaxProcesses]; // processes holding handles, with their counts
  int counts[kMaxProcesses];
};

namespace {

void initShared(Event::Shared *s, bool manual, bool set, bool processShared) {
  pthread_mutexattr_t ma;
  pthread_mutexattr_init(&ma);
  if (processShared) {
    pthread_mutexattr_setpshared(&ma, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&ma, PTHREAD_MUTEX_ROBUST);
  }
  pthread_mutex_init(&s->mutex, &ma);
  pthread_mutexattr_destroy(&ma);
  pthread_condattr_t ca;
  pthread_condattr_init(&ca);
  pthread_condattr_setclock(&ca, CLOCK_MONOTONIC);
  if (processShared) pthread_condattr_setpshared(&ca, PTHREAD_PROCESS_SHARED);
  pthread_cond_init(&s->cond, &ca);
  pthread_condattr_destroy(&ca);
  s->state = set ? 1 : 0;
  s->manual = manual ? 1 : 0;
  std::memset(s->pids, 0, sizeof s->pids);
  std::memset(s->counts, 0, sizeof s->counts);
  s->magic.store(kMagic, std::memory_order_release);
}

void lockShared(Event::Shared *s) {
  if (pthread_mutex_lock(&s->mutex) == EOWNERDEAD) pthread_mutex_consistent(&s->mutex);
}

// Shared-memory names allow one slash only; anything but letters and digits
// becomes '_' and a hash keeps distinct names apart.
std::string shmNameFor(const std::string &name) {
  uint64_t h = 1469598103934665603ull;
  std::string clean;
  for (unsigned char c : name) {
    h = (h ^ c) * 1099511628211ull;
    clean += std::isalnum(c) ? static_cast<char>(c) : '_';
  }
  if (clean.size() > 150) clean.resize(150);
  char buf[32];
  std::snprintf(buf, sizeof buf, "-%016llx", static_cast<unsigned long long>(h));
  return "/talvenox-ev-" + clean + buf;
}

// One lock file serialises making, opening and removing named events, so a
// record is never seen half made or removed while being opened.
struct GlobalLock {
  int fd;
  GlobalLock() {
    fd = ::open("/dev/shm/talvenox-events.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) flock(fd, LOCK_EX);
  }
  ~GlobalLock() {
    if (fd >= 0) {
      flock(fd, LOCK_UN);
      ::close(fd);
    }
  }
};

bool alive(pid_t pid) { return pid > 0 && (kill(pid, 0) == 0 || errno != ESRCH); }

// Under the record's mutex: drops processes that died; true when no live
// process holds a handle.
bool pruneDead(Event::Shared *s) {
  bool any = false;
  for (int i = 0; i < kMaxProcesses; ++i) {
    if (s->counts[i] > 0 && !alive(s->pids[i])) s->counts[i] = 0, s->pids[i] = 0;
    if (s->counts[i] > 0) any = true;
  }
  return !any;
}

void addHolder(Event::Shared *s, int delta) {
  pid_t me = getpid();
  int free = -1;
  for (int i = 0; i < kMaxProcesses; ++i) {
    if (s->counts[i] > 0 && s->pids[i] == me) {
      s->counts[i] += delta;
      if (s->counts[i] <= 0) s->pids[i] = 0, s->counts[i] = 0;
      return;
    }
    if (s->counts[i] == 0 && free < 0) free = i;
  }
  if (delta > 0 && free >= 0) s->pids[free] = me, s->counts[free] = delta;
}

Event::Shared *mapShared(int fd) {
  void *p = mmap(nullptr, sizeof(Event::Shared), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  return p == MAP_FAILED ? nullptr : static_cast<Event::Shared *>(p);
}

} // namespace

std::unique_ptr<Event> Event::create(bool manualReset, bool initiallySet) {
  std::unique_ptr<Event> e(new Event);
  e->m_shared = new Shared;
  initShared(e->m_shared, manualReset, initiallySet, false);
  return e;
}

std::unique_ptr<Event> Event::createNamed(const std::string &name, bool manualReset, bool initiallySet, bool *existed) {
  if (existed) *existed = false;
  std::string shm = shmNameFor(name);
  GlobalLock guard;
  int fd = shm_open(shm.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat st{};
  fstat(fd, &st);
  bool fresh = st.st_size < static_cast<off_t>(sizeof(Shared));
  if (fresh && ftruncate(fd, sizeof(Shared)) != 0) {
    ::close(fd);
    return nullptr;
  }
  Shared *s = mapShared(fd);
  ::close(fd);
  if (!s) return nullptr;
  if (fresh || s->magic.load(std::memory_order_acquire) != kMagic) {
    initShared(s, manualReset, initiallySet, true);
  } else {
    lockShared(s);
    bool orphan = pruneDead(s);
    pthread_mutex_unlock(&s->mutex);
    // Every holder died: the event would have vanished with them.
    if (orphan) initShared(s, manualReset, initiallySet, true);
    else if (existed) *existed = true;
  }
  lockShared(s);
  addHolder(s, 1);
  pthread_mutex_unlock(&s->mutex);
  std::unique_ptr<Event> e(new Event);
  e->m_shared = s;
  e->m_shmName = shm;
  return e;
}

std::unique_ptr<Event> Event::openNamed(const std::string &name) {
  std::string shm = shmNameFor(name);
  GlobalLock guard;
  int fd = shm_open(shm.c_str(), O_RDWR | O_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  struct stat st{};
  fstat(fd, &st);
  Shared *s = st.st_size >= static_cast<off_t>(sizeof(Shared)) ? mapShared(fd) : nullptr;
  ::close(fd);
  if (!s) return nullptr;
  if (s->magic.load(std::memory_order_acquire) != kMagic) {
    munmap(s, sizeof(Shared));
    return nullptr;
  }
  lockShared(s);
  bool orphan = pruneDead(s);
  if (!orphan) addHolder(s, 1);
  pthread_mutex_unlock(&s->mutex);
  if (orphan) {
    munmap(s, sizeof(Shared));
    shm_unlink(shm.c_str());
    return nullptr;
  }
  std::unique_ptr<Event> e(new Event);
  e->m_shared = s;
  e->m_shmName = shm;
  return e;
}

Event::~Event() {
  if (m_shmName.empty()) {
    pthread_cond_destroy(&m_shared->cond);
    pthread_mutex_destroy(&m_shared->mutex);
    delete m_shared;
    return;
  }
  GlobalLock guard;
  lockShared(m_shared);
  addHolder(m_shared, -1);
  bool last = pruneDead(m_shared);
  pthread_mutex_unlock(&m_shared->mutex);
  munmap(m_shared, sizeof(Shared));
  if (last) shm_unlink(m_shmName.c_str());
}

void Event::set() {
  lockShared(m_shared);
  m_shared->state = 1;
  pthread_cond_broadcast(&m_shared->cond);
  pthread_mutex_unlock(&m_shared->mutex);
}

void Event::reset() {
  lockShared(m_shared);
  m_shared->state = 0;
  pthread_mutex_unlock(&m_shared->mutex);
}

bool Event::isSet() const {
  lockShared(m_shared);
  bool s = m_shared->state != 0;
  pthread_mutex_unlock(&m_shared->mutex);
  return s;
}

bool Event::wait(uint32_t ms) {
  timespec deadline{};
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  if (ms != kInfinite) {
    deadline.tv_sec += ms / 1000;
    deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) deadline.tv_sec += 1, deadline.tv_nsec -= 1000000000L;
  }
  lockShared(m_shared);
  while (!m_shared->state) {
    int rc = ms == kInfinite ? pthread_cond_wait(&m_shared->cond, &m_shared->mutex)
                             : pthread_cond_timedwait(&m_shared->cond, &m_shared->mutex, &deadline);
    if (rc == EOWNERDEAD) pthread_mutex_consistent(&m_shared->mutex);
    else if (rc == ETIMEDOUT) break;
  }
  bool got = m_shared->state != 0;
  if (got && !m_shared->manual) m_shared->state = 0;
  pthread_mutex_unlock(&m_shared->mutex);
  return got;
}

int waitAny(Event *const *events, int count, uint32_t ms) {
  if (count <= 0) return -1;
  uint32_t start = tickCount();
  // Events may live in different processes' memory, so there is no one
  // condition to sleep on: wait on the first in short slices, look at the rest.
  for (;;) {
    for (int i = 1; i < count; ++i)
      if (events[i]->isSet() && events[i]->wait(0)) return i;
    uint32_t spent = tickCount() - start;
    if (ms != kInfinite && spent >= ms) return events[0]->wait(0) ? 0 : -1;
    uint32_t slice = ms == kInfinite ? 10 : std::min<uint32_t>(10, ms - spent);
    if (events[0]->wait(slice)) return 0;
  }
}

} // namespace winsys
