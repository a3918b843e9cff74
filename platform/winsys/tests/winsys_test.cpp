#include "winsys/winsys.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace winsys;

namespace {
std::string uniqueName(const char *what) { return std::string("winsys test ") + what + " " + std::to_string(getpid()); }
} // namespace

TEST(Events, ManualAndAutoReset) {
  struct Case {
    bool manual;
    bool stillSetAfterWait;
  } cases[] = {{true, true}, {false, false}};
  for (auto c : cases) {
    auto e = Event::create(c.manual, false);
    EXPECT_FALSE(e->wait(0));
    uint32_t t0 = tickCount();
    EXPECT_FALSE(e->wait(30));
    EXPECT_GE(tickCount() - t0, 25u);
    e->set();
    EXPECT_TRUE(e->wait(0));
    EXPECT_EQ(e->isSet(), c.stillSetAfterWait);
    e->reset();
    EXPECT_FALSE(e->isSet());
  }
}

TEST(Events, WaitWakesFromAnotherThreadAndWaitAny) {
  auto a = Event::create(true, false), b = Event::create(false, false);
  std::thread t([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    b->set();
  });
  Event *both[] = {a.get(), b.get()};
  EXPECT_EQ(waitAny(both, 2, 2000), 1);
  t.join();
  EXPECT_FALSE(b->isSet()); // auto reset taken by the wait
  EXPECT_EQ(waitAny(both, 2, 20), -1);
  a->set();
  EXPECT_EQ(waitAny(both, 2, 20), 0);
}

TEST(NamedEvents, SharedWithinAndAcrossProcesses) {
  std::string name = uniqueName("shared");
  EXPECT_EQ(Event::openNamed(name), nullptr);
  bool existed = true;
  auto mine = Event::createNamed(name, true, false, &existed);
  ASSERT_NE(mine, nullptr);
  EXPECT_FALSE(existed);
  auto again = Event::createNamed(name, true, true, &existed);
  EXPECT_TRUE(existed);
  EXPECT_FALSE(again->isSet()); // an existing event keeps its state

  pid_t child = fork();
  if (child == 0) {
    auto e = Event::openNamed(name);
    if (!e) _exit(2);
    e->set();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(mine->wait(1000));
  mine.reset();
  again.reset();
  EXPECT_EQ(Event::openNamed(name), nullptr); // gone with its last handle
}

TEST(NamedEvents, HandlesOfADeadProcessNoLongerCount) {
  std::string name = uniqueName("orphan");
  pid_t child = fork();
  if (child == 0) {
    auto e = Event::createNamed(name, true, false);
    e->set();
    _exit(0); // dies holding the event set, without closing it
  }
  int status = 0;
  waitpid(child, &status, 0);
  bool existed = true;
  auto e = Event::createNamed(name, true, false, &existed);
  ASSERT_NE(e, nullptr);
  EXPECT_FALSE(existed);
  EXPECT_FALSE(e->isSet());
}

TEST(Windows, SendWaitsForTheOwnerPostDoesNot) {
  std::atomic<int> seen{0};
  std::thread::id ranOn;
  WindowHandle w = createWindow([&](uint32_t msg, uintptr_t wp, intptr_t) -> intptr_t {
    ranOn = std::this_thread::get_id();
    seen += static_cast<int>(wp);
    return msg + 1;
  });
  ASSERT_TRUE(isWindow(w));
  EXPECT_TRUE(postMessage(w, 10, 1, 0));
  intptr_t result = 0;
  std::atomic<bool> sent{false};
  std::thread sender([&] { sent = sendMessage(w, 20, 10, 0, &result); });
  while (seen < 11) {
    pumpMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  sender.join();
  EXPECT_TRUE(sent);
  EXPECT_EQ(result, 21);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  destroyWindow(w);
  EXPECT_FALSE(postMessage(w, 1, 0, 0));
  EXPECT_FALSE(sendMessage(w, 1, 0, 0));
}

TEST(Windows, AbandonedAndDestroyedSendsRelease) {
  WindowHandle w = createWindow([](uint32_t, uintptr_t, intptr_t) -> intptr_t { return 1; });
  auto stop = Event::create(true, false);
  std::atomic<int> outcome{-1};
  std::thread sender([&] { outcome = sendMessage(w, 1, 0, 0, nullptr, stop.get()) ? 1 : 0; });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  stop->set(); // the owner never pumps: the send gives up
  sender.join();
  EXPECT_EQ(outcome, 0);
  EXPECT_EQ(pumpMessages(), 0);

  std::thread sender2([&] { outcome = sendMessage(w, 1, 0, 0) ? 1 : 0; });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  destroyWindow(w);
  sender2.join();
  EXPECT_EQ(outcome, 1);
}

TEST(Threads, JoinWithTimeout) {
  auto go = Event::create(true, false);
  Thread t;
  ASSERT_TRUE(t.start([&] { go->wait(kInfinite); }, 1024000));
  EXPECT_FALSE(t.join(20));
  EXPECT_FALSE(t.finished());
  go->set();
  EXPECT_TRUE(t.join(2000));
  EXPECT_TRUE(t.finished());
}
