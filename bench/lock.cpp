// The uncontended engine lock against the standard recursive mutex, one lock and unlock per
// iteration.
#include <benchmark/benchmark.h>

#include <mutex>

#include "engine/base/lock.h"

namespace {

void BM_LibraryLockUnlock(benchmark::State& state) {
  for (auto _ : state) {
    LibraryLock();
    LibraryUnlock();
  }
}
BENCHMARK(BM_LibraryLockUnlock);

void BM_RecursiveMutexBaseline(benchmark::State& state) {
  static std::recursive_mutex m;
  for (auto _ : state) {
    m.lock();
    m.unlock();
  }
}
BENCHMARK(BM_RecursiveMutexBaseline);

void BM_LibraryLockNested(benchmark::State& state) {
  LibraryLock();
  for (auto _ : state) {
    LibraryLock();
    LibraryUnlock();
  }
  LibraryUnlock();
}
BENCHMARK(BM_LibraryLockNested);

}  // namespace
