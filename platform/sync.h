// Threads, locks, events and sleeping: the kernel services the engine builds its lock, its message
// thread and its file thread on. Sleeping and timed waits follow the platform clock (clock.h), so
// under the virtual clock they cost no real time.
#pragma once
#include <cstdint>

namespace plat {

using ThreadId = uint32_t;              // never 0 and never 0xFFFFFFFF for a live thread
constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

enum class WaitResult { Signalled, TimedOut };

ThreadId CurrentThreadId();             // small stable number for the calling thread

struct Thread;                           // opaque
using ThreadProc = void (*)(void* arg);
Thread* ThreadStart(ThreadProc proc, void* arg);   // nullptr when the thread cannot start
ThreadId ThreadGetId(const Thread* t);
void ThreadJoin(Thread* t);              // waits for the end, then frees the record
void ThreadDetach(Thread* t);            // frees the record; the thread runs on

// Manual-reset events stay set until reset; auto-reset events release one waiter and clear.
struct Event;
Event* EventCreate(bool manualReset, bool initiallySet);
void EventDestroy(Event* e);
void EventSet(Event* e);
void EventReset(Event* e);
bool EventIsSet(Event* e);               // a zero-time wait: true when set (clears an auto-reset event)
WaitResult EventWait(Event* e, uint32_t timeoutMs);   // kWaitForever waits without limit

// Recursive critical section, as the engine's guard and bookkeeping locks use.
class CriticalSection {
public:
  CriticalSection();
  ~CriticalSection();
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void Enter();
  void Leave();
private:
  alignas(8) unsigned char storage_[64];
};

// Sleep(0) gives up the rest of the time slice; on the virtual clock's driver it first lets running
// threads park and then moves time by 100 us, so that loops polling the clock between Sleep(0) calls
// end.
void Sleep(uint32_t ms);

}  // namespace plat
