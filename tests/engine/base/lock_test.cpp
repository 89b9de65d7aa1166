#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "engine/base/lock.h"
#include "engine/engine.h"
#include "platform/sync.h"

namespace {

struct TraceEvent {
  int kind;
  uint32_t thread;
};

// Filled under the lock's guard, so the order here is the order the steps happened in.
std::vector<TraceEvent> g_Events;
std::atomic<bool> g_Recording{false};
std::mutex g_EventsMutex;

void Record(int kind, uint32_t thread) {
  std::lock_guard<std::mutex> hold(g_EventsMutex);
  if (g_Recording.load() && g_Events.size() < g_Events.capacity()) g_Events.push_back({kind, thread});
}

void ClearEvents() {
  std::lock_guard<std::mutex> hold(g_EventsMutex);
  g_Events.clear();
}

class LockTest : public ::testing::Test {
protected:
  void SetUp() override {
    ClearEvents();
    g_Events.reserve(1 << 20);
    LibraryLockSetTrace(Record);
    g_Recording = true;
  }
  void TearDown() override {
    g_Recording = false;
    LibraryLockSetTrace(nullptr);
    LibraryLockSetQueueCapacity(4096);
  }
};

LibraryLockView View() {
  LibraryLockView v;
  LibraryLockGetView(&v);
  return v;
}

// Polls (for at most ten seconds) until a condition holds.
template <typename F>
bool WaitFor(F cond) {
  for (int i = 0; i < 10000; ++i) {
    if (cond()) return true;
    plat::Sleep(1);
  }
  return cond();
}

int CountEvents(int kind, uint32_t thread) {
  std::lock_guard<std::mutex> hold(g_EventsMutex);
  int n = 0;
  for (const TraceEvent& e : g_Events) n += e.kind == kind && e.thread == thread;
  return n;
}

struct Order {
  std::atomic<int> next{0};
  char names[16] = {};
};

struct Waiter {
  char name;
  Order* order;
  std::atomic<uint32_t> id{0};
  std::atomic<int> done{0};
};

void LockRecordUnlock(void* arg) {
  auto* w = static_cast<Waiter*>(arg);
  w->id = plat::CurrentThreadId();
  LibraryLock();
  w->order->names[w->order->next++] = w->name;
  plat::Sleep(2);
  LibraryUnlock();
  w->done = 1;
}

TEST_F(LockTest, RecursionLeavesTheLockFreeAtDepthZero) {
  LibraryLock();
  LibraryLock();
  LibraryLock();
  LibraryLockView v = View();
  EXPECT_EQ(v.depth, 3);
  EXPECT_EQ(v.locked, 1);
  EXPECT_EQ(v.owner, plat::CurrentThreadId());
  LibraryUnlock();
  LibraryUnlock();
  EXPECT_EQ(View().locked, 1);
  LibraryUnlock();
  v = View();
  EXPECT_EQ(v.depth, 0);
  EXPECT_EQ(v.locked, 0);
  EXPECT_EQ(v.owner, 0xFFFFFFFFu);
  // A release nobody owns changes nothing; the lock still works afterwards.
  LibraryUnlock();
  EXPECT_EQ(View().depth, 0);
  LibraryLock();
  EXPECT_EQ(View().depth, 1);
  LibraryUnlock();
}

TEST_F(LockTest, ReleaseHandsOffInArrivalOrder) {
  for (int round = 0; round < 5; ++round) {
    Order order;
    Waiter b{'B', &order}, c{'C', &order};
    LibraryLock();
    plat::Thread* tb = plat::ThreadStart(LockRecordUnlock, &b);
    ASSERT_TRUE(WaitFor([] { return View().waiters == 1; }));
    plat::Thread* tc = plat::ThreadStart(LockRecordUnlock, &c);
    ASSERT_TRUE(WaitFor([] { return View().waiters == 2; }));
    EXPECT_EQ(LibraryLockQueueThread(0), b.id.load());
    EXPECT_EQ(LibraryLockQueueThread(1), c.id.load());
    // Releasing wakes B only, and this thread arriving again right away (as D) queues behind C.
    ClearEvents();
    LibraryUnlock();
    LibraryLock();
    order.names[order.next++] = 'D';
    LibraryUnlock();
    plat::ThreadJoin(tb);
    plat::ThreadJoin(tc);
    EXPECT_STREQ(order.names, "BCD");
    EXPECT_EQ(CountEvents(LOCK_TRACE_RECHECK, c.id), 1);   // C woke once, when it was its turn
  }
}

TEST_F(LockTest, StrayWakeUpWaitsAgainInTheSamePosition) {
  Order order;
  Waiter b{'B', &order};
  LibraryLock();
  plat::Thread* tb = plat::ThreadStart(LockRecordUnlock, &b);
  ASSERT_TRUE(WaitFor([] { return View().waiters == 1; }));
  LibraryLockWakePosition(0);
  ASSERT_TRUE(WaitFor([&] { return CountEvents(LOCK_TRACE_RECHECK, b.id) == 1; }));
  EXPECT_EQ(View().waiters, 1);
  EXPECT_EQ(LibraryLockQueueThread(0), b.id.load());
  EXPECT_EQ(CountEvents(LOCK_TRACE_QUEUE, b.id), 1);
  EXPECT_EQ(b.done.load(), 0);
  LibraryUnlock();
  plat::ThreadJoin(tb);
  EXPECT_EQ(View().waiters, 0);
  EXPECT_EQ(View().locked, 0);
}

struct QuitWaiter {
  const volatile int* quit;
  std::atomic<uint32_t> id{0};
  std::atomic<int> result{1};
};

void LockUnlessQuit(void* arg) {
  auto* w = static_cast<QuitWaiter*>(arg);
  w->id = plat::CurrentThreadId();
  int r = LibraryLockUnlessQuit(w->quit);
  if (r == 0) LibraryUnlockNoYield();
  LibraryLockLeaveQueue();
  w->result = r;
}

TEST_F(LockTest, LeavingWhileTheLockIsHeldWakesNobody) {
  volatile int quit = 0;
  QuitWaiter m{&quit};
  Order order;
  Waiter c{'C', &order};
  LibraryLock();
  plat::Thread* tm = plat::ThreadStart(LockUnlessQuit, &m);
  ASSERT_TRUE(WaitFor([] { return View().waiters == 1; }));
  plat::Thread* tc = plat::ThreadStart(LockRecordUnlock, &c);
  ASSERT_TRUE(WaitFor([] { return View().waiters == 2; }));
  __atomic_store_n(&quit, 1, __ATOMIC_RELEASE);
  plat::ThreadJoin(tm);   // gives up within its one-second poll
  EXPECT_EQ(m.result.load(), -1);
  EXPECT_EQ(View().waiters, 1);
  EXPECT_EQ(LibraryLockQueueThread(0), c.id.load());
  plat::Sleep(20);
  EXPECT_EQ(CountEvents(LOCK_TRACE_RECHECK, c.id), 0);
  EXPECT_EQ(c.done.load(), 0);
  LibraryUnlock();
  plat::ThreadJoin(tc);
  EXPECT_STREQ(order.names, "C");
  EXPECT_TRUE(LibraryLockEventsDistinct());
}

TEST_F(LockTest, FirstWaiterQuittingAfterItsWakeUpPassesTheLockOn) {
  volatile int quit = 0;
  QuitWaiter m{&quit};
  Order order;
  Waiter c{'C', &order};
  LibraryLock();
  plat::Thread* tm = plat::ThreadStart(LockUnlessQuit, &m);
  ASSERT_TRUE(WaitFor([] { return View().waiters == 1; }));
  plat::Thread* tc = plat::ThreadStart(LockRecordUnlock, &c);
  ASSERT_TRUE(WaitFor([] { return View().waiters == 2; }));
  __atomic_store_n(&quit, 1, __ATOMIC_RELEASE);
  LibraryUnlock();
  plat::ThreadJoin(tm);
  plat::ThreadJoin(tc);
  EXPECT_EQ(m.result.load(), -1);
  EXPECT_STREQ(order.names, "C");
  EXPECT_EQ(View().waiters, 0);
}

TEST_F(LockTest, MessageThreadVariantTakesAndReleasesLikeTheOthers) {
  volatile int quit = 0;
  QuitWaiter m{&quit};
  LibraryLock();
  plat::Thread* tm = plat::ThreadStart(LockUnlessQuit, &m);
  ASSERT_TRUE(WaitFor([] { return View().waiters == 1; }));
  LibraryUnlock();
  plat::ThreadJoin(tm);
  EXPECT_EQ(m.result.load(), 0);
  EXPECT_EQ(View().locked, 0);
  EXPECT_EQ(View().waiters, 0);
}

TEST_F(LockTest, FullQueuePollsUntilAPositionIsFree) {
  ASSERT_EQ(View().waiters, 0);
  LibraryLockSetQueueCapacity(2);
  Order order;
  Waiter b{'B', &order}, c{'C', &order}, d{'D', &order};
  LibraryLock();
  plat::Thread* tb = plat::ThreadStart(LockRecordUnlock, &b);
  ASSERT_TRUE(WaitFor([] { return View().waiters == 1; }));
  plat::Thread* tc = plat::ThreadStart(LockRecordUnlock, &c);
  ASSERT_TRUE(WaitFor([] { return View().waiters == 2; }));
  plat::Thread* td = plat::ThreadStart(LockRecordUnlock, &d);
  ASSERT_TRUE(WaitFor([&] { return d.id.load() != 0 && CountEvents(LOCK_TRACE_FULL, d.id) >= 3; }));
  EXPECT_EQ(View().waiters, 2);
  EXPECT_EQ(CountEvents(LOCK_TRACE_QUEUE, d.id), 0);
  LibraryUnlock();
  plat::ThreadJoin(tb);
  plat::ThreadJoin(tc);
  plat::ThreadJoin(td);
  EXPECT_EQ(order.next.load(), 3);
  EXPECT_EQ(order.names[0], 'B');
  EXPECT_EQ(View().waiters, 0);
}

TEST_F(LockTest, DestroyedLockIsCreatedAgainByTheNextLock) {
  LibraryLock();
  LibraryUnlock();
  LibraryLockDestroy();
  EXPECT_EQ(View().created, 0);
  LibraryLock();
  EXPECT_EQ(View().created, 1);
  EXPECT_EQ(View().depth, 1);
  EXPECT_TRUE(LibraryLockEventsDistinct());
  LibraryUnlock();
  EXPECT_EQ(LibraryTerminateLocked(), 0);
  EXPECT_EQ(View().created, 0);
  EXPECT_GE(GetMillisecondCountLocked(0), INT32_MIN);   // any entry creates it again
  EXPECT_EQ(View().created, 1);
  EXPECT_EQ(View().locked, 0);
}

struct HammerShared {
  std::atomic<int> start{0};
  int inside = 0;                // touched only under the lock
  std::atomic<int> violations{0};
  int iterations = 0;
};

struct HammerThread {
  HammerShared* shared;
  unsigned seed;
  std::atomic<int> acquired{0};
};

void Hammer(void* arg) {
  auto* h = static_cast<HammerThread*>(arg);
  while (!h->shared->start.load()) plat::Sleep(0);
  for (int i = 0; i < h->shared->iterations; ++i) {
    const int nest = 1 + static_cast<int>(rand_r(&h->seed) % 3);
    LibraryLock();
    if (h->shared->inside++ != 0) h->shared->violations++;
    // Now and then hold the lock across a real sleep, so that waiters queue even when a loaded
    // machine would otherwise run the threads one after another.
    if (i % 50 == 0) plat::Sleep(1);
    for (int k = 1; k < nest; ++k) LibraryLock();
    for (int k = 1; k < nest; ++k) LibraryUnlock();
    h->shared->inside--;
    h->acquired++;
    LibraryUnlock();
    if (rand_r(&h->seed) % 4 == 0) plat::Sleep(0);
  }
}

TEST_F(LockTest, ManyThreadsAreServedInArrivalOrderAndNoneStalls) {
  constexpr int kThreads = 12;
  HammerShared shared;
  shared.iterations = 1500;
  std::vector<HammerThread> threads(kThreads);
  std::vector<plat::Thread*> handles;
  for (int i = 0; i < kThreads; ++i) {
    threads[i].shared = &shared;
    threads[i].seed = 1234u + i;
    handles.push_back(plat::ThreadStart(Hammer, &threads[i]));
  }
  shared.start = 1;
  for (plat::Thread* t : handles) plat::ThreadJoin(t);
  g_Recording = false;

  EXPECT_EQ(shared.violations.load(), 0);
  for (const HammerThread& t : threads) EXPECT_EQ(t.acquired.load(), shared.iterations);
  std::vector<uint32_t> queued, served;
  int contended = 0;
  for (const TraceEvent& e : g_Events) {
    if (e.kind == LOCK_TRACE_QUEUE) queued.push_back(e.thread);
    if (e.kind == LOCK_TRACE_TAKE_QUEUED) served.push_back(e.thread);
    if (e.kind == LOCK_TRACE_LEAVE) ADD_FAILURE() << "no thread gives up here";
  }
  contended = static_cast<int>(served.size());
  EXPECT_EQ(queued, served);   // first in, first out, one entry per wait
  EXPECT_GT(contended, 0);
  LibraryLockView v = View();
  EXPECT_EQ(v.waiters, 0);
  EXPECT_EQ(v.locked, 0);
  EXPECT_TRUE(LibraryLockEventsDistinct());
}

}  // namespace
