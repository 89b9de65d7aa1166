// Temporary: weak stand-ins for the replay buffer routines play calls until they are built. Each
// yields to the real definition as soon as one is linked; the whole file goes when they land.
#include "game/play/pending_framework.h"

#define VLX_PENDING __attribute__((weak))

// Replay buffer: a plain word array read at the position; no area blocks.
namespace {
constexpr int kPendingWords = 216000;
uint32_t g_words[kPendingWords];
int g_position = 0;
}  // namespace

VLX_PENDING void AdvanceReplayPos() { g_position = (g_position + 1) % kPendingWords; }
VLX_PENDING int GetReplayPosition() { return g_position; }
VLX_PENDING void SetReplayWord(int index, uint32_t word) {
  if (index >= 0 && index < kPendingWords) g_words[index] = word;
}
VLX_PENDING uint32_t GetReplayWord(int index) {
  return index >= 0 && index < kPendingWords ? g_words[index] : 0;
}
VLX_PENDING void BeginReplay(bool) {
  for (uint32_t& w : g_words) w = 0;
  g_position = 32;
}
VLX_PENDING uint32_t GetFrameInput() { return g_words[g_position]; }
VLX_PENDING int SyncReplayArea(bool, int area) { return area; }
VLX_PENDING void RecordAreaResult(bool, int) {}
VLX_PENDING void EndReplay() {}
