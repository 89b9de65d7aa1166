// Temporary: weak stand-ins for the framework routines play calls that are not built yet (the
// display list, spawners, sound control, replay buffer). Each yields to the real definition as
// soon as one is linked; the whole file goes when they have landed.
#include "game/play/pending_framework.h"

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/game_math.h"

#define VLX_PENDING __attribute__((weak))

// Display list: nothing is queued.
VLX_PENDING DrawEntry g_DrawEntries[kDrawEntryCount];
VLX_PENDING int DrawEntriesUsed() { return kDrawSubLayerCount; }
VLX_PENDING void ResetDrawList() {}
VLX_PENDING int AddDrawNumber(int, int, int, int, int, int) { return -1; }
VLX_PENDING int AddDrawRect(int, int, int, int, int, int) { return -1; }
VLX_PENDING int AddDrawSprite(int, int, int, uint32_t) { return -1; }
VLX_PENDING int AddDrawTextGlyph(int, int, int, int) { return -1; }
VLX_PENDING void SetDrawColor(int, uint32_t) {}
VLX_PENDING void SetDrawRectEnd(int, int, int) {}
VLX_PENDING void SetDrawScaleAngle(int, int, int) {}

// Sound: silent.
VLX_PENDING void FadeOutBgm() {}
VLX_PENDING void PlayBgmWithTitle(int) {}
VLX_PENDING void PlaySe(int) {}
VLX_PENDING void PlaySeAt(int, int, int) {}

// Spawners: the base ones build the actor; the effect families create nothing.
namespace {
int SpawnAt(int x, int y, int layer, int32_t sprite, int32_t kind, int heading, int speed,
            bool moving) {
  int saved = GetCurrentActor();
  int a = AllocActor();
  if (a < 0) return -1;
  SetCurrentActor(a);
  if (moving) {
    int vx, vy;
    PolarToXY(&vx, &vy, heading, speed);
    SetCurPosVel(x, y, vx, vy);
    SetCurField(kFieldHeading, heading);
    SetCurField(kFieldSpeed, speed);
    SetCurField(kFieldRotation, heading);
  } else {
    SetCurPos(x, y);
  }
  InitCurActor(kind, layer, sprite);
  SetCurrentActor(saved);
  return a;
}
}  // namespace

VLX_PENDING int SpawnActor(int x, int y, int layer, int32_t sprite, int32_t kind) {
  return SpawnAt(x, y, layer, sprite, kind, 0, 0, false);
}
VLX_PENDING int SpawnEffect(int x, int y, int layer, int32_t sprite) {
  int a = SpawnAt(x, y, layer, sprite, kKindEffect, 0, 0, false);
  if (a > 0) SetActorField(kFieldSprite, a, sprite);
  return a;
}
VLX_PENDING int SpawnMovingActor(int x, int y, int layer, int32_t sprite, int heading, int speed,
                                 int32_t kind) {
  return SpawnAt(x, y, layer, sprite, kind, heading, speed, true);
}
VLX_PENDING int SpawnMovingEffect(int x, int y, int layer, int32_t sprite, int heading, int speed) {
  return SpawnAt(x, y, layer, sprite, kKindEffect, heading, speed, true);
}
VLX_PENDING int SpawnLabelActor(int x, int y, int layer, int drawSlot, int32_t value,
                                uint32_t colour) {
  int a = SpawnEffect(x, y, layer, drawSlot);
  if (a < 1) return a;
  SetActorField(kFieldColour, a, static_cast<int32_t>(colour));
  SetActorField(kFieldDigits, a, 5);
  SetActorField(kFieldValue, a, value);
  return a;
}
VLX_PENDING void StartBannerSlide(int, int) {}
VLX_PENDING int SpawnParticle(int, int, int, int32_t, int, int, int) { return -1; }
VLX_PENDING void SpawnParticleBurst(int, int, int, int32_t, int, int) {}
VLX_PENDING void SpawnParticleRing(int, int, int, int32_t, int, int) {}
VLX_PENDING int SpawnTrail(int, int, int32_t, int, int, int) { return -1; }

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
