// Real clocks on CLOCK_MONOTONIC and CLOCK_REALTIME; the virtual clock's time comes from the wait
// machinery (sync.cpp).
#include "platform/clock.h"

#include <ctime>
#include <mutex>

#include "platform/core/wait_internal.h"

namespace plat {
namespace {

std::mutex g_localMutex;
LocalTimeParts g_virtualDate{2001, 1, 1, 0, 0, 0, 0};

uint64_t MonotonicMicroseconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return uint64_t(ts.tv_sec) * 1000000u + uint64_t(ts.tv_nsec) / 1000u;
}

}  // namespace

uint64_t RealMicroseconds() {
  // Starts at one second, as the virtual clock does by default, so that no caller sees 0.
  static const uint64_t base = MonotonicMicroseconds();
  return MonotonicMicroseconds() - base + 1000000u;
}

uint64_t MicrosecondClock() {
  uint64_t now, start;
  if (VirtualClockRead(&now, &start)) return now;
  return RealMicroseconds();
}

uint32_t MillisecondClock() { return uint32_t(MicrosecondClock() / 1000u); }

int64_t PerfCounter() { return int64_t(MicrosecondClock()); }

int64_t PerfFrequency() { return 1000000; }

uint32_t TimerMinimumPeriodMs() { return 1; }

void LocalTime(LocalTimeParts* out) {
  if (!out) return;
  uint64_t now, start;
  if (VirtualClockRead(&now, &start)) {
    LocalTimeParts base;
    {
      std::lock_guard<std::mutex> lk(g_localMutex);
      base = g_virtualDate;
    }
    tm t{};
    t.tm_year = base.year - 1900;
    t.tm_mon = base.month - 1;
    t.tm_mday = base.day;
    t.tm_hour = base.hour;
    t.tm_min = base.minute;
    t.tm_sec = base.second;
    const uint64_t ms = (now >= start ? now - start : 0) / 1000u + uint64_t(base.milliseconds);
    // The virtual date is kept in UTC terms so no time-zone rule shifts it.
    time_t secs = timegm(&t) + time_t(ms / 1000u);
    tm r{};
    gmtime_r(&secs, &r);
    *out = {r.tm_year + 1900, r.tm_mon + 1, r.tm_mday, r.tm_hour, r.tm_min, r.tm_sec, int(ms % 1000u)};
    return;
  }
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  tm r{};
  localtime_r(&ts.tv_sec, &r);
  *out = {r.tm_year + 1900, r.tm_mon + 1, r.tm_mday, r.tm_hour, r.tm_min, r.tm_sec, int(ts.tv_nsec / 1000000)};
}

void VirtualClockSetLocalTime(const LocalTimeParts& at) {
  std::lock_guard<std::mutex> lk(g_localMutex);
  g_virtualDate = at;
}

}  // namespace plat
