// Every loop of the 1:1 skip-data walk; one file per walk so they compile in parallel.
#include "engine/softrender/blit_loops.h"

namespace softblit {
LoopFn PickFastLoop(const Choice& c) { return PickLoop<kWalkFast>(c); }
}  // namespace softblit
