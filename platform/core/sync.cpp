// Threads, events, locks and sleeping over one process-wide mutex. Every blocking wait goes through
// the same waiter records so that the virtual clock can see which threads are parked and which are
// still running: the driver advances time only once the threads it woke have parked again, which
// makes runs on the virtual clock repeatable.
#include "platform/sync.h"

#include <fcntl.h>
#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>  // brings std::chrono; <chrono> itself does not build with CP932 literals
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/core/wait_internal.h"

namespace plat {
namespace {

using SteadyClock = std::chrono::steady_clock;

// The driver waits for every thread it woke to park again. One that is runnable but has no
// processor (a loaded machine) is always waited for, or time would move under it. The driver gives
// up only on threads that cannot be waited for: ones blocked outside this layer (on a socket, a
// foreign lock) for kBlockedLimit of real time, and ones that work on past kBusyLimitNs of processor
// time without waiting here. Those count as parked from then on, until their next wait here.
constexpr auto kLookAfter = std::chrono::milliseconds(10);   // first look at why a thread still runs
constexpr auto kLookEvery = std::chrono::milliseconds(5);
constexpr auto kBlockedLimit = std::chrono::milliseconds(50);
constexpr int64_t kBusyLimitNs = int64_t{250} * 1000000;
// A timed event wait on the driver first gives threads this layer does not track a real moment
// to set the event.
constexpr auto kEventGrace = std::chrono::microseconds(500);
// Sleep(0) on the driver moves virtual time a little, so loops that poll the clock between
// Sleep(0) calls come to an end.
constexpr uint64_t kDriverYieldUs = 100;

struct ThreadState;
struct WaitQueue;

struct Waiter {
  ThreadState* thread = nullptr;
  ThreadId id = 0;
  WaitQueue* queue = nullptr;  // the event's or lock's queue the waiter sits in
  Waiter* next = nullptr;
  bool released = false;
  bool signalled = false;
  bool timed = false;
  bool onVirtualClock = false;  // timed by wakeUs; otherwise by realDeadline
  uint64_t wakeUs = 0;
  SteadyClock::time_point realDeadline;
};

struct WaitQueue {
  Waiter* head = nullptr;
  Waiter* tail = nullptr;

  void Push(Waiter* w) {
    w->next = nullptr;
    w->queue = this;
    if (tail) tail->next = w; else head = w;
    tail = w;
  }
  Waiter* Pop() {
    Waiter* w = head;
    if (w) {
      head = w->next;
      if (!head) tail = nullptr;
      w->next = nullptr;
      w->queue = nullptr;
    }
    return w;
  }
  void Remove(Waiter* w) {
    Waiter* prev = nullptr;
    for (Waiter* p = head; p; prev = p, p = p->next) {
      if (p != w) continue;
      if (prev) prev->next = p->next; else head = p->next;
      if (tail == p) tail = prev;
      p->next = nullptr;
      p->queue = nullptr;
      return;
    }
  }
};

struct ThreadState {
  std::condition_variable cv;
  bool running = false;  // in Global's running list: woken by this layer and not parked since
  ThreadState* runPrev = nullptr;
  ThreadState* runNext = nullptr;
  pid_t tid = 0;                  // the kernel's id, to see whether the thread is runnable
  clockid_t cpuClock{};
  bool hasCpuClock = false;
  uint64_t lookSerial = 0;        // the driver's settle that took cpuMark
  int64_t cpuMark = 0;
  ThreadState();
  ~ThreadState();
};

struct Global {
  std::mutex m;
  int running = 0;                // threads in the running list
  ThreadState* runHead = nullptr;
  int starting = 0;               // started by ThreadStart and not yet in their procedure
  uint64_t settleSerial = 0;
  std::vector<ThreadState*> settlers;
  std::vector<Waiter*> virtualSleepers;
  bool virtualActive = false;
  uint64_t nowUs = 0;
  uint64_t startUs = 0;
  ThreadId driver = 0;
};

// Never destroyed: threads may still wait or exit while statics are torn down.
Global& G() {
  static Global* g = new Global;
  return *g;
}

std::atomic<uint32_t> g_nextThreadId{1};
thread_local ThreadId t_id = 0;
thread_local ThreadState t_state;

ThreadId NewThreadId() {
  for (;;) {
    uint32_t id = g_nextThreadId.fetch_add(1, std::memory_order_relaxed);
    if (id != 0 && id != 0xFFFFFFFFu) return id;
  }
}

void NotifySettlers(Global& g) {
  for (ThreadState* s : g.settlers) s->cv.notify_one();
}

void Park(Global& g, ThreadState* t) {
  if (!t->running) return;
  t->running = false;
  if (t->runPrev) t->runPrev->runNext = t->runNext; else g.runHead = t->runNext;
  if (t->runNext) t->runNext->runPrev = t->runPrev;
  t->runPrev = t->runNext = nullptr;
  g.running--;
  NotifySettlers(g);
}

void MarkRunning(Global& g, ThreadState* t) {
  if (t->running) return;
  t->running = true;
  t->runPrev = nullptr;
  t->runNext = g.runHead;
  if (g.runHead) g.runHead->runPrev = t;
  g.runHead = t;
  g.running++;
}

ThreadState::ThreadState() : tid(gettid()) {
  hasCpuClock = pthread_getcpuclockid(pthread_self(), &cpuClock) == 0;
}

// The thread is ending: nobody waits for it any more.
ThreadState::~ThreadState() {
  Global& g = G();
  std::lock_guard<std::mutex> lk(g.m);
  Park(g, this);
}

void DropVirtualSleeper(Global& g, Waiter* w) {
  auto it = std::find(g.virtualSleepers.begin(), g.virtualSleepers.end(), w);
  if (it != g.virtualSleepers.end()) g.virtualSleepers.erase(it);
}

// The released thread counts as running from this moment, before it has even woken, so that the
// driver cannot slip past it.
void Release(Global& g, Waiter* w, bool signalled) {
  if (w->queue) w->queue->Remove(w);
  if (w->timed && w->onVirtualClock) DropVirtualSleeper(g, w);
  w->released = true;
  w->signalled = signalled;
  MarkRunning(g, w->thread);
  w->thread->cv.notify_one();
}

void ReleaseDue(Global& g) {
  std::vector<Waiter*> due;
  for (Waiter* w : g.virtualSleepers)
    if (w->wakeUs <= g.nowUs) due.push_back(w);
  for (Waiter* w : due) Release(g, w, false);
}

uint64_t EarliestWake(const Global& g) {
  uint64_t best = UINT64_MAX;
  for (const Waiter* w : g.virtualSleepers) best = std::min(best, w->wakeUs);
  return best;
}

// Threads other than `t` that the driver waits for.
int OthersRunning(const Global& g, const ThreadState* t) {
  return g.starting + g.running - (t->running ? 1 : 0);
}

// Whether the kernel has the thread blocked (neither runnable nor in disk I/O): waiting on
// something outside this layer. Unknown counts as blocked, so that the driver can still move on.
bool BlockedOutside(const ThreadState* s) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/task/%d/stat", int(s->tid));
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return true;
  char buf[512];
  const ssize_t n = read(fd, buf, sizeof buf - 1);
  close(fd);
  if (n <= 0) return true;
  buf[n] = 0;
  // "tid (name) S ...": the name may hold spaces and parentheses; the state follows the last ')'.
  const char* end = std::strrchr(buf, ')');
  if (!end || end[1] != ' ') return true;
  return end[2] != 'R' && end[2] != 'D';
}

int64_t CpuNs(const ThreadState* s) {
  timespec ts;
  if (!s->hasCpuClock || clock_gettime(s->cpuClock, &ts) != 0) return 0;
  return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Waits in real time until every other tracked thread has parked (or `w` is released), after a real
// moment of grace when `grace` is set.
void Settle(std::unique_lock<std::mutex>& lk, Global& g, ThreadState* t, const Waiter* w, bool grace) {
  const auto start = SteadyClock::now();
  const auto graceEnd = grace ? start + kEventGrace : start;
  const uint64_t serial = ++g.settleSerial;
  auto nextLook = start + kLookAfter;
  bool allBlocked = false;
  SteadyClock::time_point blockedSince;
  g.settlers.push_back(t);
  for (;;) {
    if (w && w->released) break;
    const auto now = SteadyClock::now();
    if (OthersRunning(g, t) <= 0) {
      if (now >= graceEnd) break;
      t->cv.wait_until(lk, graceEnd);
      continue;
    }
    if (now < nextLook) {
      t->cv.wait_until(lk, nextLook);
      continue;
    }
    // Someone has been running a while: is there anything left to wait for? Parking a thread here
    // stops the wait for it until it next waits in this layer.
    bool working = g.starting > 0;
    for (ThreadState* s = g.runHead; s;) {
      ThreadState* next = s->runNext;
      if (s != t) {
        const int64_t cpu = CpuNs(s);
        if (s->lookSerial != serial) {
          s->lookSerial = serial;
          s->cpuMark = cpu;
        }
        if (cpu - s->cpuMark >= kBusyLimitNs) {
          Park(g, s);
        } else if (!BlockedOutside(s)) {
          working = true;
        }
      }
      s = next;
    }
    if (working) {
      allBlocked = false;
    } else if (!allBlocked) {
      allBlocked = true;
      blockedSince = now;
    } else if (now - blockedSince >= kBlockedLimit) {
      for (ThreadState* s = g.runHead; s;) {
        ThreadState* next = s->runNext;
        if (s != t) Park(g, s);
        s = next;
      }
    }
    nextLook = now + kLookEvery;
  }
  g.settlers.erase(std::find(g.settlers.begin(), g.settlers.end(), t));
}

// The driver's timed wait: time jumps from one sleeper's wake time to the next, letting each woken
// thread run until it parks, and ends at the deadline or when `e` is set.
WaitResult DriverWait(std::unique_lock<std::mutex>& lk, Global& g, ThreadState* t, uint64_t durationUs,
                      WaitQueue* q) {
  Waiter w;
  w.thread = t;
  w.id = t_id;
  if (q) q->Push(&w);
  const uint64_t deadline = g.nowUs + durationUs;
  bool first = true;
  for (;;) {
    Settle(lk, g, t, q ? &w : nullptr, first && q);
    first = false;
    if (w.released) return w.signalled ? WaitResult::Signalled : WaitResult::TimedOut;
    if (!g.virtualActive || g.nowUs >= deadline) break;
    const uint64_t next = EarliestWake(g);
    if (next > deadline) {
      g.nowUs = deadline;
      ReleaseDue(g);
      break;
    }
    g.nowUs = std::max(g.nowUs, next);
    ReleaseDue(g);
  }
  if (w.queue) w.queue->Remove(&w);
  return WaitResult::TimedOut;
}

// A parked wait until released, or until the time-out passes (kWaitForever: no limit). The waiter
// is already in the queue its releaser looks in, if any.
void Block(std::unique_lock<std::mutex>& lk, Global& g, Waiter& w, ThreadState* t, uint32_t timeoutMs) {
  w.thread = t;
  w.id = t_id;
  if (timeoutMs != kWaitForever) {
    w.timed = true;
    if (g.virtualActive) {
      w.onVirtualClock = true;
      w.wakeUs = g.nowUs + uint64_t{timeoutMs} * 1000u;
      g.virtualSleepers.push_back(&w);
    } else {
      w.realDeadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    }
  }
  Park(g, t);
  while (!w.released) {
    if (w.timed && !w.onVirtualClock) {
      t->cv.wait_until(lk, w.realDeadline);
      if (!w.released && SteadyClock::now() >= w.realDeadline) {
        if (w.queue) w.queue->Remove(&w);
        MarkRunning(g, t);
        return;
      }
    } else {
      t->cv.wait(lk);
    }
  }
}

bool IsDriver(const Global& g) { return g.virtualActive && g.driver == CurrentThreadId(); }

struct LockRec {
  ThreadId owner;
  uint32_t depth;
  WaitQueue waiters;
};
static_assert(sizeof(LockRec) <= 64);

}  // namespace

struct Event {
  bool manual = false;
  bool set = false;
  WaitQueue waiters;
};

struct ThreadShared {
  ThreadProc proc = nullptr;
  void* arg = nullptr;
  ThreadId id = 0;
  Event* done = nullptr;
  ~ThreadShared() { EventDestroy(done); }
};

struct Thread {
  std::thread th;
  std::shared_ptr<ThreadShared> shared;
};

ThreadId CurrentThreadId() {
  if (t_id == 0) t_id = NewThreadId();
  return t_id;
}

Thread* ThreadStart(ThreadProc proc, void* arg) {
  if (!proc) return nullptr;
  auto shared = std::make_shared<ThreadShared>();
  shared->proc = proc;
  shared->arg = arg;
  shared->id = NewThreadId();
  shared->done = EventCreate(true, false);
  Thread* t = new (std::nothrow) Thread;
  if (!t || !shared->done) {
    delete t;
    return nullptr;
  }
  t->shared = shared;
  Global& g = G();
  // A new thread counts as running from the start, until its first wait.
  {
    std::lock_guard<std::mutex> lk(g.m);
    g.starting++;
  }
  try {
    t->th = std::thread([shared] {
      t_id = shared->id;
      {
        Global& g = G();
        std::lock_guard<std::mutex> lk(g.m);
        g.starting--;
        MarkRunning(g, &t_state);
      }
      shared->proc(shared->arg);
      EventSet(shared->done);
    });
  } catch (...) {
    std::lock_guard<std::mutex> lk(g.m);
    g.starting--;
    NotifySettlers(g);
    delete t;
    return nullptr;
  }
  return t;
}

ThreadId ThreadGetId(const Thread* t) { return t ? t->shared->id : 0; }

void ThreadJoin(Thread* t) {
  if (!t) return;
  if (t->th.get_id() == std::this_thread::get_id()) {
    t->th.detach();  // a thread cannot wait for its own end
  } else {
    EventWait(t->shared->done, kWaitForever);
    t->th.join();
  }
  delete t;
}

void ThreadDetach(Thread* t) {
  if (!t) return;
  t->th.detach();
  delete t;
}

Event* EventCreate(bool manualReset, bool initiallySet) {
  Event* e = new (std::nothrow) Event;
  if (!e) return nullptr;
  e->manual = manualReset;
  e->set = initiallySet;
  return e;
}

void EventDestroy(Event* e) {
  if (!e) return;
  Global& g = G();
  {
    std::lock_guard<std::mutex> lk(g.m);
    // Waiters left behind would wait on freed memory; they return as timed out instead.
    while (Waiter* w = e->waiters.Pop()) Release(g, w, false);
  }
  delete e;
}

void EventSet(Event* e) {
  if (!e) return;
  Global& g = G();
  std::lock_guard<std::mutex> lk(g.m);
  if (e->manual) {
    e->set = true;
    while (Waiter* w = e->waiters.Pop()) Release(g, w, true);
  } else if (Waiter* w = e->waiters.Pop()) {
    Release(g, w, true);
  } else {
    e->set = true;
  }
}

void EventReset(Event* e) {
  if (!e) return;
  Global& g = G();
  std::lock_guard<std::mutex> lk(g.m);
  e->set = false;
}

bool EventIsSet(Event* e) { return EventWait(e, 0) == WaitResult::Signalled; }

WaitResult EventWait(Event* e, uint32_t timeoutMs) {
  if (!e) return WaitResult::TimedOut;
  Global& g = G();
  std::unique_lock<std::mutex> lk(g.m);
  if (e->set) {
    if (!e->manual) e->set = false;
    return WaitResult::Signalled;
  }
  if (timeoutMs == 0) return WaitResult::TimedOut;
  if (timeoutMs != kWaitForever && IsDriver(g))
    return DriverWait(lk, g, &t_state, uint64_t{timeoutMs} * 1000u, &e->waiters);
  Waiter w;
  e->waiters.Push(&w);
  Block(lk, g, w, &t_state, timeoutMs);
  return w.signalled ? WaitResult::Signalled : WaitResult::TimedOut;
}

CriticalSection::CriticalSection() { new (storage_) LockRec{0, 0, {}}; }

CriticalSection::~CriticalSection() { std::launder(reinterpret_cast<LockRec*>(storage_))->~LockRec(); }

void CriticalSection::Enter() {
  LockRec* r = std::launder(reinterpret_cast<LockRec*>(storage_));
  const ThreadId me = CurrentThreadId();
  Global& g = G();
  std::unique_lock<std::mutex> lk(g.m);
  if (r->owner == 0) {
    r->owner = me;
    r->depth = 1;
    return;
  }
  if (r->owner == me) {
    r->depth++;
    return;
  }
  // Leave hands the lock straight to the first waiter.
  Waiter w;
  r->waiters.Push(&w);
  Block(lk, g, w, &t_state, kWaitForever);
}

void CriticalSection::Leave() {
  LockRec* r = std::launder(reinterpret_cast<LockRec*>(storage_));
  const ThreadId me = CurrentThreadId();
  Global& g = G();
  std::lock_guard<std::mutex> lk(g.m);
  if (r->owner != me || r->depth == 0) return;  // not held by the caller: nothing to release
  if (--r->depth != 0) return;
  if (Waiter* w = r->waiters.Pop()) {
    r->owner = w->id;
    r->depth = 1;
    Release(g, w, true);
  } else {
    r->owner = 0;
  }
}

void Sleep(uint32_t ms) {
  Global& g = G();
  std::unique_lock<std::mutex> lk(g.m);
  if (IsDriver(g)) {
    // Sleep(0) too lets the threads running now park first, and those it wakes park again, so what
    // they see of the clock does not depend on how the processors are shared out.
    DriverWait(lk, g, &t_state, ms == 0 ? kDriverYieldUs : uint64_t{ms} * 1000u, nullptr);
    if (ms == 0) {
      lk.unlock();
      std::this_thread::yield();
    }
    return;
  }
  if (ms == 0) {
    // A thread polling with Sleep(0) is not holding up virtual time.
    if (g.virtualActive) Park(g, &t_state);
    lk.unlock();
    std::this_thread::yield();
    return;
  }
  Waiter w;
  Block(lk, g, w, &t_state, ms);
}

// --- virtual clock control ---

bool VirtualClockRead(uint64_t* nowUs, uint64_t* startUs) {
  Global& g = G();
  std::lock_guard<std::mutex> lk(g.m);
  if (!g.virtualActive) return false;
  *nowUs = g.nowUs;
  *startUs = g.startUs;
  return true;
}

void VirtualClockEnable(uint64_t startMicroseconds) {
  Global& g = G();
  std::lock_guard<std::mutex> lk(g.m);
  if (g.virtualActive) {
    // Keep what sleepers still had to wait.
    for (Waiter* w : g.virtualSleepers) w->wakeUs = startMicroseconds + (w->wakeUs - std::min(w->wakeUs, g.nowUs));
  }
  g.virtualActive = true;
  g.nowUs = startMicroseconds;
  g.startUs = startMicroseconds;
  g.driver = CurrentThreadId();
}

void VirtualClockDisable() {
  Global& g = G();
  std::lock_guard<std::mutex> lk(g.m);
  if (!g.virtualActive) return;
  const auto now = SteadyClock::now();
  for (Waiter* w : g.virtualSleepers) {
    const uint64_t left = w->wakeUs > g.nowUs ? w->wakeUs - g.nowUs : 0;
    w->onVirtualClock = false;
    w->realDeadline = now + std::chrono::microseconds(left);
    w->thread->cv.notify_one();
  }
  g.virtualSleepers.clear();
  g.virtualActive = false;
  g.driver = 0;
}

bool VirtualClockActive() {
  Global& g = G();
  std::lock_guard<std::mutex> lk(g.m);
  return g.virtualActive;
}

void VirtualClockSetDriver() {
  Global& g = G();
  std::lock_guard<std::mutex> lk(g.m);
  g.driver = CurrentThreadId();
}

void VirtualClockAdvance(uint64_t microseconds) {
  Global& g = G();
  std::unique_lock<std::mutex> lk(g.m);
  if (!g.virtualActive) return;
  DriverWait(lk, g, &t_state, microseconds, nullptr);
}

}  // namespace plat
