// Every loop of the 1:1 per-pixel walk; one file per walk so they compile in parallel.
#include "engine/softrender/blit_loops.h"

namespace softblit {
LoopFn PickOneToOneLoop(const Choice& c) { return PickLoop<kWalkOneToOne>(c); }
}  // namespace softblit
