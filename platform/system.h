// Facts about the machine for the engine's system report and its clocks.
#pragma once
#include <cstdint>
#include <string>

namespace plat {

void MemoryTotals(uint64_t* totalBytes, uint64_t* availableBytes);  // physical memory
std::string OsName();                     // e.g. "Linux 6.1.0-18-amd64"
int OsBuildNumber();                      // first number of the kernel version after major.minor
bool CpuIdAvailable();
std::string CpuVendor();                  // "" without identification
std::string CpuName();                    // brand string, blanks trimmed
bool CpuHasMmx();
bool CpuHasAvx2();                        // and the system saves its registers; asked once
bool CpuCounterPresent();                 // a cycle counter the microsecond clock may use
uint64_t CpuCounter();                    // cycles; under the virtual clock 1000 per microsecond

}  // namespace plat
