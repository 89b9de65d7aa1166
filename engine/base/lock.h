// The engine lock: recursive for its owner, fair (first in, first out) among waiting threads.
// Every public operation takes it around its work. Waiting threads sit in a queue of up to 4096
// positions, each with its own manual-reset event; a thread that finds the queue full polls every
// millisecond instead of queuing.
#pragma once
#include <cstdint>

void LibraryLock();
void LibraryUnlock();
void LibraryLockDestroy();     // destroys the queue and guard; the next LibraryLock creates them again
int LibraryLockIsCreated();

// The message thread's variants. LibraryLockUnlessQuit polls its event (0 ms, then 1000 ms at a
// time) and gives up once *quitFlag is non-zero: 0 when the caller owns the lock, -1 when it gave
// up (it has then left the queue). LibraryUnlockNoYield releases without giving up the time
// slice. LibraryLockLeaveQueue removes the caller's queue entry, if any, on the thread's way out.
int LibraryLockUnlessQuit(const volatile int* quitFlag);
void LibraryUnlockNoYield();
void LibraryLockLeaveQueue();

// Test hooks.
struct LibraryLockView {
  int depth;
  int locked;
  uint32_t owner;
  int waiters;
  int created;
};
void LibraryLockGetView(LibraryLockView* out);
uint32_t LibraryLockQueueThread(int position);   // thread id queued at a position, 0 when free
int LibraryLockEventsDistinct();                 // 1 when every position owns its own event
void LibraryLockSetQueueCapacity(int capacity);  // 1..4096; only while nobody waits (default 4096)
void LibraryLockWakePosition(int position);      // sets a position's event, as a stray wake-up would

// Called under the guard at each step of the lock's life, in the order the steps happened.
enum LibraryLockTraceKind {
  LOCK_TRACE_TAKE_FREE = 0,      // took a free lock (or re-entered as owner) without queuing
  LOCK_TRACE_QUEUE = 1,          // joined the queue
  LOCK_TRACE_TAKE_QUEUED = 2,    // first waiter left the queue with the lock
  LOCK_TRACE_RECHECK = 3,        // a queued thread woke and looked at the lock again
  LOCK_TRACE_LEAVE = 4,          // left the queue without the lock
  LOCK_TRACE_FULL = 5,           // found the queue full and will poll
};
using LibraryLockTraceFn = void (*)(int kind, uint32_t thread);
void LibraryLockSetTrace(LibraryLockTraceFn fn);
