// Every loop of the scaled walk; one file per walk so they compile in parallel.
#include "engine/softrender/blit_loops.h"

namespace softblit {
LoopFn PickScaledLoop(const Choice& c) { return PickLoop<kWalkScaled>(c); }
}  // namespace softblit
