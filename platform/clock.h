// The clocks: a 32-bit wrapping millisecond clock (the engine's timeGetTime), a microsecond clock
// and a high-resolution counter, and local date and time. A virtual back end for tests makes time
// move only when the driving thread sleeps or waits (or the test advances it), so a long run costs
// CPU time only; other threads that sleep on it block until it reaches their wake time.
#pragma once
#include <cstdint>

namespace plat {

uint32_t MillisecondClock();             // wraps after 2^32 ms
uint64_t MicrosecondClock();
int64_t PerfCounter();                   // ticks of PerfFrequency()
int64_t PerfFrequency();                 // ticks per second; 0 would mean "no counter"
uint32_t TimerMinimumPeriodMs();         // finest period the millisecond timer offers (1)

struct LocalTimeParts { int year, month, day, hour, minute, second, milliseconds; };
void LocalTime(LocalTimeParts* out);     // the virtual clock gives a fixed date plus its time

// Virtual clock. Enable makes the calling thread the driver; its sleeps and timed waits advance
// time at once. Other threads' sleeps block until the driver's time reaches their wake time; the
// driver moves on only once the threads it woke (or started) have blocked again, however long a busy
// machine keeps them from running. It gives up only on a thread blocked outside these waits for a
// short real time, or one that keeps working for a long processor time without waiting.
void VirtualClockEnable(uint64_t startMicroseconds = 1000000);
void VirtualClockDisable();
bool VirtualClockActive();
void VirtualClockSetDriver();            // the calling thread becomes the driver
void VirtualClockAdvance(uint64_t microseconds);
void VirtualClockSetLocalTime(const LocalTimeParts& at);   // date shown at the clock's start

}  // namespace plat
