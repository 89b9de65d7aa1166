#include <gtest/gtest.h>

#include <atomic>

#include "platform/clock.h"
#include "platform/sync.h"

namespace {

using namespace plat;

// On the virtual clock a driver Sleep(1) returns only once the threads it set going have parked
// or ended, which makes the cases below exact.
class OnVirtualClock : public ::testing::Test {
protected:
  void SetUp() override { VirtualClockEnable(); }
  void TearDown() override { VirtualClockDisable(); }
};

struct IdProbe {
  ThreadId seen = 0;
};

void IdProc(void* arg) { static_cast<IdProbe*>(arg)->seen = CurrentThreadId(); }

TEST(Threads, IdsAreSmallStableAndDistinct) {
  const ThreadId me = CurrentThreadId();
  EXPECT_NE(me, 0u);
  EXPECT_NE(me, 0xFFFFFFFFu);
  EXPECT_EQ(CurrentThreadId(), me);
  IdProbe a, b;
  Thread* ta = ThreadStart(IdProc, &a);
  Thread* tb = ThreadStart(IdProc, &b);
  ASSERT_NE(ta, nullptr);
  ASSERT_NE(tb, nullptr);
  const ThreadId ida = ThreadGetId(ta), idb = ThreadGetId(tb);
  ThreadJoin(ta);
  ThreadJoin(tb);
  EXPECT_EQ(a.seen, ida);
  EXPECT_EQ(b.seen, idb);
  EXPECT_NE(ida, idb);
  EXPECT_NE(ida, me);
  EXPECT_LT(ida, 1000u);
  EXPECT_EQ(ThreadStart(nullptr, nullptr), nullptr);
}

struct Waiters {
  Event* e;
  std::atomic<int> woken{0};
  WaitResult last = WaitResult::TimedOut;
};

void WaiterProc(void* arg) {
  auto* w = static_cast<Waiters*>(arg);
  w->last = EventWait(w->e, kWaitForever);
  w->woken++;
}

TEST(Events, ManualAndAutoResetWithoutWaiting) {
  Event* manual = EventCreate(true, false);
  Event* autoReset = EventCreate(false, true);
  EXPECT_FALSE(EventIsSet(manual));
  EventSet(manual);
  EXPECT_TRUE(EventIsSet(manual));
  EXPECT_EQ(EventWait(manual, 0), WaitResult::Signalled);
  EXPECT_EQ(EventWait(manual, kWaitForever), WaitResult::Signalled);
  EventReset(manual);
  EXPECT_EQ(EventWait(manual, 0), WaitResult::TimedOut);

  EXPECT_TRUE(EventIsSet(autoReset));  // the look consumes it
  EXPECT_FALSE(EventIsSet(autoReset));
  EventSet(autoReset);
  EXPECT_EQ(EventWait(autoReset, 10), WaitResult::Signalled);
  EXPECT_EQ(EventWait(autoReset, 10), WaitResult::TimedOut);  // real 10 ms
  EventSet(autoReset);
  EventReset(autoReset);
  EXPECT_EQ(EventWait(autoReset, 0), WaitResult::TimedOut);
  EventDestroy(manual);
  EventDestroy(autoReset);
  EXPECT_EQ(EventWait(nullptr, 0), WaitResult::TimedOut);
}

TEST(Events, RealTimedWaitEndsAfterItsTime) {
  Event* e = EventCreate(true, false);
  const uint64_t start = MicrosecondClock();
  EXPECT_EQ(EventWait(e, 30), WaitResult::TimedOut);
  EXPECT_GE(MicrosecondClock() - start, 30000u);
  EventDestroy(e);
}

TEST_F(OnVirtualClock, AutoResetReleasesOneWaiterPerSet) {
  Waiters w{EventCreate(false, false)};
  Thread* a = ThreadStart(WaiterProc, &w);
  Thread* b = ThreadStart(WaiterProc, &w);
  Sleep(1);
  EXPECT_EQ(w.woken.load(), 0);
  EventSet(w.e);
  Sleep(1);
  EXPECT_EQ(w.woken.load(), 1);
  EXPECT_FALSE(EventIsSet(w.e));  // consumed by the waiter it released
  EventSet(w.e);
  ThreadJoin(a);
  ThreadJoin(b);
  EXPECT_EQ(w.woken.load(), 2);
  EventDestroy(w.e);
}

TEST_F(OnVirtualClock, ManualResetReleasesEveryWaiter) {
  Waiters w{EventCreate(true, false)};
  Thread* a = ThreadStart(WaiterProc, &w);
  Thread* b = ThreadStart(WaiterProc, &w);
  Sleep(1);
  EventSet(w.e);
  Sleep(1);
  EXPECT_EQ(w.woken.load(), 2);
  EXPECT_TRUE(EventIsSet(w.e));
  ThreadJoin(a);
  ThreadJoin(b);
  EventDestroy(w.e);
}

TEST_F(OnVirtualClock, DestroyingAnEventFreesItsWaiters) {
  Waiters w{EventCreate(true, false)};
  w.last = WaitResult::Signalled;
  Thread* a = ThreadStart(WaiterProc, &w);
  Sleep(1);
  EventDestroy(w.e);
  ThreadJoin(a);
  EXPECT_EQ(w.last, WaitResult::TimedOut);
}

TEST_F(OnVirtualClock, DriverSleepZeroMovesTimeALittle) {
  const uint64_t start = MicrosecondClock();
  Sleep(0);
  EXPECT_EQ(MicrosecondClock() - start, 100u);
}

struct LockProbe {
  CriticalSection cs;
  std::atomic<bool> acquired{false};
};

void LockerProc(void* arg) {
  auto* p = static_cast<LockProbe*>(arg);
  p->cs.Leave();  // not the owner: ignored
  p->cs.Enter();
  p->acquired = true;
  p->cs.Leave();
}

TEST_F(OnVirtualClock, CriticalSectionIsRecursiveAndExcludesOtherThreads) {
  LockProbe p;
  p.cs.Enter();
  p.cs.Enter();
  Thread* t = ThreadStart(LockerProc, &p);
  Sleep(1);
  EXPECT_FALSE(p.acquired.load());
  p.cs.Leave();
  Sleep(1);
  EXPECT_FALSE(p.acquired.load());
  p.cs.Leave();
  Sleep(1);
  EXPECT_TRUE(p.acquired.load());
  ThreadJoin(t);
  p.cs.Enter();  // free again
  p.cs.Leave();
}

struct Counter {
  CriticalSection cs;
  int value = 0;
};

void CountProc(void* arg) {
  auto* c = static_cast<Counter*>(arg);
  for (int i = 0; i < 20000; i++) {
    c->cs.Enter();
    c->cs.Enter();
    int v = c->value;
    if (i % 1000 == 0) Sleep(0);
    c->value = v + 1;
    c->cs.Leave();
    c->cs.Leave();
  }
}

TEST(CriticalSections, ExcludeUnderContention) {
  Counter c;
  Thread* a = ThreadStart(CountProc, &c);
  Thread* b = ThreadStart(CountProc, &c);
  CountProc(&c);
  ThreadJoin(a);
  ThreadJoin(b);
  EXPECT_EQ(c.value, 60000);
}

}  // namespace
