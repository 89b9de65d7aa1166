// Shared between the wait machinery and the clocks: the virtual clock's state lives with the waits,
// because advancing it is what releases sleeping threads.
#pragma once
#include <cstdint>

namespace plat {

// True with the virtual time in *nowUs and its start in *startUs when the virtual clock runs.
bool VirtualClockRead(uint64_t* nowUs, uint64_t* startUs);
uint64_t RealMicroseconds();   // monotonic, starting near one second

}  // namespace plat
