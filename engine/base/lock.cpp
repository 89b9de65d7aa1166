// The engine lock. A critical section (the guard) protects a small record; the lock itself is the
// record's owner field, and waiting threads block on their own queue position's event outside the
// guard. A release wakes only the first waiter, and anyone arriving while others wait queues behind
// them, so the lock goes round in arrival order.
#include "engine/base/lock.h"

#include <atomic>
#include <mutex>
#include <new>

#include "platform/sync.h"

namespace {

constexpr int kQueueSize = 4096;
constexpr uint32_t kNoOwner = 0xFFFFFFFFu;

struct QueueEntry {
  uint32_t thread;
  plat::Event* event;
};

struct LibraryLockState {
  int depth;
  int locked;
  uint32_t owner;
  QueueEntry queue[kQueueSize];
  int waiters;
  std::atomic<int> created;
  int capacity;
  alignas(plat::CriticalSection) unsigned char guardStorage[sizeof(plat::CriticalSection)];
};

LibraryLockState g_Lock;
std::mutex g_CreateMutex;   // the first use may race with other threads in tests and tools
LibraryLockTraceFn g_Trace = nullptr;

plat::CriticalSection& Guard() {
  return *std::launder(reinterpret_cast<plat::CriticalSection*>(g_Lock.guardStorage));
}

void Trace(int kind, uint32_t thread) {
  if (g_Trace) g_Trace(kind, thread);
}

void EnsureCreated() {
  if (g_Lock.created.load(std::memory_order_acquire)) return;
  std::lock_guard<std::mutex> hold(g_CreateMutex);
  if (g_Lock.created.load(std::memory_order_relaxed)) return;
  for (int i = 0; i < kQueueSize; ++i) {
    g_Lock.queue[i].thread = 0;
    g_Lock.queue[i].event = plat::EventCreate(true, false);
  }
  new (g_Lock.guardStorage) plat::CriticalSection();
  g_Lock.depth = 0;
  g_Lock.locked = 0;
  g_Lock.owner = kNoOwner;
  g_Lock.waiters = 0;
  if (g_Lock.capacity <= 0 || g_Lock.capacity > kQueueSize) g_Lock.capacity = kQueueSize;
  g_Lock.created.store(1, std::memory_order_release);
}

// Under the guard.
void Take(uint32_t me) {
  g_Lock.depth += 1;
  g_Lock.locked = 1;
  g_Lock.owner = me;
}

// Under the guard: the position of the caller's queue entry, or -1.
int FindQueued(uint32_t me) {
  for (int i = 0; i < g_Lock.waiters; ++i) {
    if (g_Lock.queue[i].thread == me) return i;
  }
  return -1;
}

// Under the guard: removes the entry at a position; its event, cleared, goes to the first free
// position so that the events stay one per position.
void RemoveEntry(int pos) {
  plat::Event* kept = g_Lock.queue[pos].event;
  for (int i = pos; i + 1 < g_Lock.waiters; ++i) g_Lock.queue[i] = g_Lock.queue[i + 1];
  g_Lock.waiters -= 1;
  plat::EventReset(kept);
  g_Lock.queue[g_Lock.waiters].thread = 0;
  g_Lock.queue[g_Lock.waiters].event = kept;
}

// Waits on an event until it is set; with a quit flag, polls and gives up once the flag is set.
void WaitOnEvent(plat::Event* e, const volatile int* quitFlag) {
  if (!quitFlag) {
    plat::EventWait(e, plat::kWaitForever);
    return;
  }
  plat::WaitResult r = plat::EventWait(e, 0);
  while (r == plat::WaitResult::TimedOut) {
    if (__atomic_load_n(quitFlag, __ATOMIC_ACQUIRE)) return;
    r = plat::EventWait(e, 1000);
  }
}

bool QuitRequested(const volatile int* quitFlag) {
  return quitFlag && __atomic_load_n(quitFlag, __ATOMIC_ACQUIRE);
}

// Under the guard, for a thread leaving without the lock. When the lock is free the new first
// waiter is woken so the hand-off is not lost; while it is held, the owner's release wakes it.
void LeaveQueueLocked(uint32_t me) {
  int pos = FindQueued(me);
  if (pos < 0) return;
  RemoveEntry(pos);
  Trace(LOCK_TRACE_LEAVE, me);
  if (pos == 0 && g_Lock.waiters > 0 && !g_Lock.locked) plat::EventSet(g_Lock.queue[0].event);
}

int LockCore(const volatile int* quitFlag) {
  EnsureCreated();
  const uint32_t me = plat::CurrentThreadId();
  bool queued = false;
  for (;;) {
    Guard().Enter();
    if (g_Lock.locked) {
      if (g_Lock.owner == me) {
        Take(me);
        Trace(LOCK_TRACE_TAKE_FREE, me);
        Guard().Leave();
        return 0;
      }
    } else if (g_Lock.waiters == 0 || g_Lock.owner == me) {
      Take(me);
      Trace(LOCK_TRACE_TAKE_FREE, me);
      Guard().Leave();
      return 0;
    } else if (g_Lock.waiters > 0 && g_Lock.queue[0].thread == me) {
      RemoveEntry(0);
      Take(me);
      Trace(LOCK_TRACE_TAKE_QUEUED, me);
      Guard().Leave();
      return 0;
    }

    // Wait. A thread already queued waits again in its own position rather than queuing twice.
    plat::Event* e;
    if (queued) {
      int pos = FindQueued(me);
      if (pos < 0) {   // cannot happen while only this thread removes its own entry
        queued = false;
        Guard().Leave();
        continue;
      }
      e = g_Lock.queue[pos].event;
    } else if (g_Lock.waiters >= g_Lock.capacity) {
      Trace(LOCK_TRACE_FULL, me);
      Guard().Leave();
      plat::Sleep(1);
      if (QuitRequested(quitFlag)) return -1;
      continue;
    } else {
      QueueEntry& slot = g_Lock.queue[g_Lock.waiters];
      slot.thread = me;
      e = slot.event;
      g_Lock.waiters += 1;
      queued = true;
      Trace(LOCK_TRACE_QUEUE, me);
    }
    Guard().Leave();

    WaitOnEvent(e, quitFlag);
    plat::EventReset(e);

    if (QuitRequested(quitFlag)) {
      Guard().Enter();
      LeaveQueueLocked(me);
      Guard().Leave();
      return -1;
    }
    Guard().Enter();
    Trace(LOCK_TRACE_RECHECK, me);
    Guard().Leave();
  }
}

// Returns whether a waiter was woken.
bool UnlockCore() {
  if (!g_Lock.created.load(std::memory_order_acquire)) return false;
  const uint32_t me = plat::CurrentThreadId();
  plat::Event* wake = nullptr;
  Guard().Enter();
  // A release by a thread that does not own the lock would leave a negative depth and the lock
  // stuck for good; it is ignored.
  if (!g_Lock.locked || g_Lock.owner != me) {
    Guard().Leave();
    return false;
  }
  if (g_Lock.depth == 1) {
    g_Lock.locked = 0;
    g_Lock.owner = kNoOwner;
    if (g_Lock.waiters >= 1) wake = g_Lock.queue[0].event;
  }
  g_Lock.depth -= 1;
  Guard().Leave();
  if (wake) plat::EventSet(wake);
  return wake != nullptr;
}

}  // namespace

void LibraryLock() { LockCore(nullptr); }

void LibraryUnlock() {
  if (UnlockCore()) plat::Sleep(0);
}

int LibraryLockUnlessQuit(const volatile int* quitFlag) { return LockCore(quitFlag); }

void LibraryUnlockNoYield() { UnlockCore(); }

void LibraryLockLeaveQueue() {
  if (!g_Lock.created.load(std::memory_order_acquire)) return;
  const uint32_t me = plat::CurrentThreadId();
  Guard().Enter();
  LeaveQueueLocked(me);
  Guard().Leave();
}

void LibraryLockDestroy() {
  std::lock_guard<std::mutex> hold(g_CreateMutex);
  if (!g_Lock.created.load(std::memory_order_acquire)) return;
  g_Lock.created.store(0, std::memory_order_release);
  for (int i = 0; i < kQueueSize; ++i) {
    if (g_Lock.queue[i].event) {
      plat::EventDestroy(g_Lock.queue[i].event);
      g_Lock.queue[i].event = nullptr;
    }
    g_Lock.queue[i].thread = 0;
  }
  Guard().~CriticalSection();
  g_Lock.depth = 0;
  g_Lock.locked = 0;
  g_Lock.owner = kNoOwner;
  g_Lock.waiters = 0;
}

int LibraryLockIsCreated() { return g_Lock.created.load(std::memory_order_acquire); }

void LibraryLockGetView(LibraryLockView* out) {
  const bool created = g_Lock.created.load(std::memory_order_acquire);
  if (created) Guard().Enter();
  out->depth = g_Lock.depth;
  out->locked = g_Lock.locked;
  out->owner = g_Lock.owner;
  out->waiters = g_Lock.waiters;
  out->created = created ? 1 : 0;
  if (created) Guard().Leave();
}

uint32_t LibraryLockQueueThread(int position) {
  if (position < 0 || position >= kQueueSize || !LibraryLockIsCreated()) return 0;
  Guard().Enter();
  uint32_t t = position < g_Lock.waiters ? g_Lock.queue[position].thread : 0;
  Guard().Leave();
  return t;
}

int LibraryLockEventsDistinct() {
  if (!LibraryLockIsCreated()) return 0;
  Guard().Enter();
  int ok = 1;
  for (int i = 0; i < kQueueSize && ok; ++i) {
    if (!g_Lock.queue[i].event) ok = 0;
    for (int j = i + 1; j < kQueueSize && ok; ++j) {
      if (g_Lock.queue[i].event == g_Lock.queue[j].event) ok = 0;
    }
  }
  Guard().Leave();
  return ok;
}

void LibraryLockSetQueueCapacity(int capacity) {
  if (capacity < 1) capacity = 1;
  if (capacity > kQueueSize) capacity = kQueueSize;
  if (!LibraryLockIsCreated()) {
    g_Lock.capacity = capacity;
    return;
  }
  Guard().Enter();
  if (g_Lock.waiters == 0) g_Lock.capacity = capacity;
  Guard().Leave();
}

void LibraryLockWakePosition(int position) {
  if (position < 0 || position >= kQueueSize || !LibraryLockIsCreated()) return;
  Guard().Enter();
  plat::EventSet(g_Lock.queue[position].event);
  Guard().Leave();
}

void LibraryLockSetTrace(LibraryLockTraceFn fn) { g_Trace = fn; }
