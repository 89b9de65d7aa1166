#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/sync.h"

namespace {

using namespace plat;

class VirtualClock : public ::testing::Test {
protected:
  void SetUp() override { VirtualClockEnable(); }
  void TearDown() override { VirtualClockDisable(); }
};

TEST_F(VirtualClock, DriverSleepAndAdvanceMoveTimeAtOnce) {
  EXPECT_TRUE(VirtualClockActive());
  EXPECT_EQ(MicrosecondClock(), 1000000u);
  EXPECT_EQ(MillisecondClock(), 1000u);
  Sleep(250);
  EXPECT_EQ(MillisecondClock(), 1250u);
  VirtualClockAdvance(1500);
  EXPECT_EQ(MicrosecondClock(), 1251500u);
  EXPECT_EQ(PerfCounter(), 1251500);
  EXPECT_EQ(PerfFrequency(), 1000000);
  // A zero wait never advances time; a timed wait on an unset event advances by its time-out.
  Event* e = EventCreate(false, false);
  EXPECT_EQ(EventWait(e, 0), WaitResult::TimedOut);
  EXPECT_EQ(MicrosecondClock(), 1251500u);
  EXPECT_EQ(EventWait(e, 40), WaitResult::TimedOut);
  EXPECT_EQ(MicrosecondClock(), 1291500u);
  EventDestroy(e);
}

TEST_F(VirtualClock, MillisecondClockWraps) {
  VirtualClockEnable((uint64_t{1} << 32) * 1000u - 5000u);
  const uint32_t before = MillisecondClock();
  EXPECT_EQ(before, 0xFFFFFFFBu);
  Sleep(10);
  const uint32_t after = MillisecondClock();
  EXPECT_EQ(after, 5u);
  EXPECT_EQ(after - before, 10u);
}

TEST_F(VirtualClock, LocalTimeFollowsVirtualTime) {
  VirtualClockSetLocalTime({2005, 3, 7, 23, 59, 59, 500});
  VirtualClockEnable();
  LocalTimeParts t{};
  LocalTime(&t);
  EXPECT_EQ(t.year, 2005);
  EXPECT_EQ(t.second, 59);
  EXPECT_EQ(t.milliseconds, 500);
  Sleep(700);
  LocalTime(&t);
  EXPECT_EQ(t.month, 3);
  EXPECT_EQ(t.day, 8);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.minute, 0);
  EXPECT_EQ(t.second, 0);
  EXPECT_EQ(t.milliseconds, 200);
}

struct Ticker {
  std::atomic<bool> stop{false};
  uint32_t start = 0;
  std::vector<uint32_t> wakes;
};

void TickerProc(void* arg) {
  auto* k = static_cast<Ticker*>(arg);
  while (!k->stop.load()) {
    Sleep(17);
    k->wakes.push_back(MillisecondClock() - k->start);
  }
}

// A simulated minute of a 17 ms ticker, driven by 1 ms driver sleeps: the ticker wakes exactly on
// its own schedule, so the count is fixed.
TEST_F(VirtualClock, SecondThreadRunsAtSimulatedRate) {
  Ticker k;
  k.start = MillisecondClock();
  Thread* t = ThreadStart(TickerProc, &k);
  ASSERT_NE(t, nullptr);
  for (int i = 0; i < 60000; i++) Sleep(1);
  k.stop = true;
  Sleep(17);
  ThreadJoin(t);
  size_t inMinute = 0;
  for (size_t i = 0; i < k.wakes.size(); i++) {
    EXPECT_EQ(k.wakes[i], 17u * (i + 1)) << i;
    if (k.wakes[i] <= 60000u) inMinute++;
  }
  EXPECT_EQ(inMinute, 60000u / 17u);
}

struct SleeperCpu {
  std::atomic<bool> woke{false};
  int64_t cpuNs = 0;
  uint32_t wokeAt = 0;
};

int64_t ThreadCpuNs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void SleeperProc(void* arg) {
  auto* s = static_cast<SleeperCpu*>(arg);
  const int64_t before = ThreadCpuNs();
  Sleep(100);
  s->cpuNs = ThreadCpuNs() - before;
  s->wokeAt = MillisecondClock();
  s->woke = true;
}

// Without the driver advancing, a sleeper stays blocked (and does not burn CPU), however much real
// time passes.
TEST_F(VirtualClock, SleeperBlocksWithoutSpinning) {
  SleeperCpu s;
  const uint32_t start = MillisecondClock();
  Thread* t = ThreadStart(SleeperProc, &s);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(s.woke.load());
  Sleep(99);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(s.woke.load());
  Sleep(1);
  ThreadJoin(t);
  EXPECT_TRUE(s.woke.load());
  EXPECT_EQ(s.wokeAt - start, 100u);
  EXPECT_LT(s.cpuNs, 50 * 1000000);  // blocked, not polling, through 220 ms of real time
}

struct EventPair {
  Event* go;
  Event* reply;
  uint32_t delayMs;
  WaitResult result = WaitResult::TimedOut;
  uint32_t at = 0;
};

void ReplierProc(void* arg) {
  auto* p = static_cast<EventPair*>(arg);
  EventWait(p->go, kWaitForever);
  if (p->delayMs) Sleep(p->delayMs);
  EventSet(p->reply);
}

void TimedWaiterProc(void* arg) {
  auto* p = static_cast<EventPair*>(arg);
  p->result = EventWait(p->go, p->delayMs);
  p->at = MillisecondClock();
}

TEST_F(VirtualClock, DriverEventWaitReturnsWhenAnotherThreadSetsIt) {
  EventPair p{EventCreate(false, false), EventCreate(false, false), 0};
  Thread* t = ThreadStart(ReplierProc, &p);
  const uint32_t start = MillisecondClock();
  EventSet(p.go);
  EXPECT_EQ(EventWait(p.reply, 1000), WaitResult::Signalled);
  EXPECT_EQ(MillisecondClock(), start);
  ThreadJoin(t);

  // The replier sleeps 30 ms first: the driver's wait ends exactly then.
  p.delayMs = 30;
  t = ThreadStart(ReplierProc, &p);
  EventSet(p.go);
  EXPECT_EQ(EventWait(p.reply, 1000), WaitResult::Signalled);
  EXPECT_EQ(MillisecondClock() - start, 30u);
  ThreadJoin(t);

  // Nobody sets it: the whole time-out passes.
  EXPECT_EQ(EventWait(p.reply, 1000), WaitResult::TimedOut);
  EXPECT_EQ(MillisecondClock() - start, 1030u);
  EventDestroy(p.go);
  EventDestroy(p.reply);
}

TEST_F(VirtualClock, SecondThreadEventWaitTimesOutOnVirtualTime) {
  EventPair p{EventCreate(true, false), nullptr, 50};
  const uint32_t start = MillisecondClock();
  Thread* t = ThreadStart(TimedWaiterProc, &p);
  Sleep(200);
  ThreadJoin(t);
  EXPECT_EQ(p.result, WaitResult::TimedOut);
  EXPECT_EQ(p.at - start, 50u);

  p.delayMs = 1000;
  t = ThreadStart(TimedWaiterProc, &p);
  Sleep(10);
  EventSet(p.go);
  ThreadJoin(t);
  EXPECT_EQ(p.result, WaitResult::Signalled);
  EXPECT_EQ(p.at - start, 210u);
  EventDestroy(p.go);
}

// Keeps the processor busy for `ms` of real time, as a thread that got no processor for that long
// would look to the driver (or one doing slow work).
void SpinRealMs(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
  }
}

struct SlowThread {
  Event* go = nullptr;
  uint32_t start = 0;
  std::vector<uint32_t> seen;
};

// Starts slowly, then wakes every 10 ms and each time is slow to come back to its wait.
void SlowTickerProc(void* arg) {
  auto* s = static_cast<SlowThread*>(arg);
  SpinRealMs(120);
  s->seen.push_back(MillisecondClock() - s->start);
  for (int i = 0; i < 3; i++) {
    Sleep(10);
    s->seen.push_back(MillisecondClock() - s->start);
    SpinRealMs(120);
  }
}

// However long a woken (or new) thread takes to get back to a wait, even on a machine too busy to
// give it a processor, time does not move under it.
TEST_F(VirtualClock, DriverWaitsForASlowThreadBeforeMovingTime) {
  SlowThread s;
  s.start = MillisecondClock();
  Thread* t = ThreadStart(SlowTickerProc, &s);
  for (int i = 0; i < 40; i++) Sleep(1);
  Sleep(100);  // a regression would leave the thread asleep on virtual time, not hang the join
  ThreadJoin(t);
  EXPECT_EQ(s.seen, (std::vector<uint32_t>{0, 10, 20, 30}));
  EXPECT_EQ(MillisecondClock() - s.start, 140u);
}

// The driver's Sleep(0) first lets a thread it set going finish its turn.
TEST_F(VirtualClock, DriverSleepZeroLetsThreadsItSetGoingParkFirst) {
  EventPair p{EventCreate(false, false), EventCreate(false, false), 0};
  struct Local {
    static void Proc(void* arg) {
      auto* q = static_cast<EventPair*>(arg);
      EventWait(q->go, kWaitForever);
      SpinRealMs(30);
      q->at = MillisecondClock();
      EventWait(q->reply, kWaitForever);
    }
  };
  Thread* t = ThreadStart(Local::Proc, &p);
  Sleep(1);
  const uint64_t before = MicrosecondClock();
  EventSet(p.go);
  Sleep(0);
  EXPECT_EQ(MicrosecondClock() - before, 100u);
  EXPECT_EQ(p.at, uint32_t(before / 1000u));
  EventSet(p.reply);
  ThreadJoin(t);
  EventDestroy(p.go);
  EventDestroy(p.reply);
}

struct Outsider {
  std::mutex m;
  std::atomic<uint32_t> wokeAt{0};
  std::atomic<bool> gotLock{false};
};

void OutsiderProc(void* arg) {
  auto* o = static_cast<Outsider*>(arg);
  Sleep(10);
  o->wokeAt = MillisecondClock();
  std::lock_guard<std::mutex> hold(o->m);  // held by the driver: blocked outside this layer
  o->gotLock = true;
}

struct Spinner {
  std::atomic<bool> release{false};
  std::atomic<bool> done{false};
};

void SpinnerProc(void* arg) {
  auto* s = static_cast<Spinner*>(arg);
  Sleep(10);
  while (!s->release.load()) {
  }
  s->done = true;
}

// Threads the driver cannot wait for: one blocked on a lock of its own that the driver holds, and one
// that spins for a flag the driver sets only after its sleep. The driver moves on without them
// rather than hanging, and its own time stays exact.
TEST_F(VirtualClock, DriverMovesOnWithoutThreadsItCannotWaitFor) {
  Outsider o;
  std::unique_lock<std::mutex> held(o.m);
  const uint32_t start = MillisecondClock();
  Thread* t = ThreadStart(OutsiderProc, &o);
  Sleep(20);
  EXPECT_EQ(MillisecondClock() - start, 20u);
  EXPECT_EQ(o.wokeAt.load() - start, 10u);
  EXPECT_FALSE(o.gotLock.load());
  held.unlock();
  ThreadJoin(t);
  EXPECT_TRUE(o.gotLock.load());

  Spinner s;
  t = ThreadStart(SpinnerProc, &s);
  Sleep(20);
  EXPECT_EQ(MillisecondClock() - start, 40u);
  EXPECT_FALSE(s.done.load());
  s.release = true;
  ThreadJoin(t);
  EXPECT_TRUE(s.done.load());
}

TEST_F(VirtualClock, DisableReturnsToRealTimeAndWakesSleepers) {
  SleeperCpu s;
  Thread* t = ThreadStart(SleeperProc, &s);
  Sleep(50);
  VirtualClockDisable();
  EXPECT_FALSE(VirtualClockActive());
  ThreadJoin(t);  // the 50 ms left now pass in real time
  EXPECT_TRUE(s.woke.load());
  const uint32_t a = MillisecondClock();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_NE(MillisecondClock(), a);
}

}  // namespace
