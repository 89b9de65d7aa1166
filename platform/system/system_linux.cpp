#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "platform/system.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define VLX_X86 1
#endif

namespace plat {

void MemoryTotals(uint64_t* total, uint64_t* available) {
  struct sysinfo si{};
  uint64_t t = 0, a = 0;
  if (sysinfo(&si) == 0) {
    t = static_cast<uint64_t>(si.totalram) * si.mem_unit;
    a = static_cast<uint64_t>(si.freeram + si.bufferram) * si.mem_unit;
  }
  // MemAvailable counts reclaimable cache as free, which is what the report means.
  if (FILE* f = fopen("/proc/meminfo", "r")) {
    char line[256];
    unsigned long long kb = 0;
    while (fgets(line, sizeof line, f))
      if (sscanf(line, "MemAvailable: %llu kB", &kb) == 1) a = kb * 1024ull;
    fclose(f);
  }
  if (total) *total = t;
  if (available) *available = a;
}

std::string OsName() {
  struct utsname u{};
  if (uname(&u) != 0) return "Linux";
  return std::string(u.sysname) + " " + u.release;
}

int OsBuildNumber() {
  struct utsname u{};
  int major = 0, minor = 0, build = 0;
  if (uname(&u) == 0) sscanf(u.release, "%d.%d.%d", &major, &minor, &build);
  return build;
}

bool CpuIdAvailable() {
#ifdef VLX_X86
  return true;
#else
  return false;
#endif
}

std::string CpuVendor() {
#ifdef VLX_X86
  unsigned a, b, c, d;
  if (!__get_cpuid(0, &a, &b, &c, &d)) return "";
  char v[13];
  memcpy(v, &b, 4);
  memcpy(v + 4, &d, 4);
  memcpy(v + 8, &c, 4);
  v[12] = 0;
  return v;
#else
  return "";
#endif
}

std::string CpuName() {
#ifdef VLX_X86
  unsigned a, b, c, d;
  if (!__get_cpuid(0x80000000u, &a, &b, &c, &d) || a < 0x80000004u) return CpuVendor();
  char name[49];
  for (unsigned i = 0; i < 3; ++i) {
    __get_cpuid(0x80000002u + i, &a, &b, &c, &d);
    memcpy(name + i * 16, &a, 4);
    memcpy(name + i * 16 + 4, &b, 4);
    memcpy(name + i * 16 + 8, &c, 4);
    memcpy(name + i * 16 + 12, &d, 4);
  }
  name[48] = 0;
  std::string s(name);
  size_t first = s.find_first_not_of(' ');
  size_t last = s.find_last_not_of(' ');
  return first == std::string::npos ? "" : s.substr(first, last - first + 1);
#else
  return "";
#endif
}

bool CpuHasMmx() {
#ifdef VLX_X86
  unsigned a, b, c, d;
  return __get_cpuid(1, &a, &b, &c, &d) && (d & (1u << 23));
#else
  return false;
#endif
}

bool CpuHasAvx2() {
#ifdef VLX_X86
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2;
#else
  return false;
#endif
}

bool CpuCounterPresent() {
#ifdef VLX_X86
  return true;
#else
  return VirtualClockActive();
#endif
}

uint64_t CpuCounter() {
  if (VirtualClockActive()) return MicrosecondClock() * 1000ull;
#ifdef VLX_X86
  return __rdtsc();
#else
  return MicrosecondClock() * 1000ull;
#endif
}

}  // namespace plat
