// Temporary: weak stand-ins for the replay buffer and the frame loop's play-order award, which play
// calls and whose real versions are not on this branch yet. Each yields to the real definition as
// soon as one is linked; the file goes when they have landed.
#include <cstdint>

#include "game/framework/settings.h"
#include "game/play/pending_framework.h"
#if __has_include("game/framework/frame_loop.h")
#include "game/framework/frame_loop.h"
#else
void AwardPlayOrder(int n);
#endif

#define VLX_PENDING __attribute__((weak))

VLX_PENDING uint32_t GetFrameInput() { return 0; }
VLX_PENDING int SyncReplayArea(bool, int area) { return area; }
VLX_PENDING void RecordAreaResult(bool, int) {}
VLX_PENDING void BeginReplay(bool) {}
VLX_PENDING void EndReplay() {}
VLX_PENDING void AwardPlayOrder(int n) {
  if (n >= 0 && n < 32) SetSettingsSlot(kSlotPlayOrders, GetSettingsSlot(kSlotPlayOrders) | (1 << n));
}
