// Spawners. The random draws of each family are made one per statement, in a fixed order, and
// only where listed: they are part of what makes a replay repeat.
#include "game/framework/spawn.h"

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/sprites.h"

#include "game/framework/frame_loop.h"

namespace {

constexpr int kTurn = 21600;
constexpr int kUp = 16200;
constexpr int kTrailLayer = 26;
constexpr int kTitleLayer = 28;
constexpr int kTitleTextFirst = 384;
constexpr uint32_t kTitleColour = 0xFFCF7FFFu;
constexpr uint32_t kSparkleColour = 0xFFFFFF80u;

bool Created(int actor) { return actor >= 1; }

// The base spawners build the new actor as the current one and give the current one back.
struct CurrentActorKept {
  int saved = GetCurrentActor();
  ~CurrentActorKept() { SetCurrentActor(saved); }
};

void SetMotion(int heading, int speed) {
  SetCurField(kFieldHeading, heading);
  SetCurField(kFieldSpeed, speed);
  SetCurField(kFieldRotation, heading);
}

void AddFlags(int actor, uint32_t bits) { OrActorField(kFieldFlags, actor, bits); }

void Command(int actor, int code, int delay, int duration, int32_t value) {
  AddActorCommand(actor, code, delay, duration, value, 0);
}

bool Retirable(int actor) {
  return actor >= kActorFirstFree && actor <= kActorLastFree &&
         GetActorField(kFieldKind, actor) != 0;
}

}  // namespace

int SpawnEffect(int x, int y, int layer, int32_t sprite) {
  const int a = SpawnActor(x, y, layer, sprite, kKindEffect);
  if (a >= 0) SetActorField(kFieldSprite, a, sprite);
  return a;
}

int SpawnMovingEffect(int x, int y, int layer, int32_t sprite, int heading, int speed) {
  return SpawnMovingActor(x, y, layer, sprite, heading, speed, kKindEffect);
}

int SpawnActor(int x, int y, int layer, int32_t sprite, int32_t kind) {
  CurrentActorKept kept;
  const int a = AllocActor();
  if (a < 0) return -1;
  SetCurrentActor(a);
  SetCurPos(x, y);
  InitCurActor(kind, layer, sprite);
  return a;
}

int SpawnMovingActor(int x, int y, int layer, int32_t sprite, int heading, int speed, int32_t kind) {
  CurrentActorKept kept;
  const int a = AllocActor();
  if (a < 0) return -1;
  SetCurrentActor(a);
  int vx = 0, vy = 0;
  PolarToXY(&vx, &vy, heading, speed);
  SetMotion(heading, speed);
  SetCurPosVel(x, y, vx, vy);
  InitCurActor(kind, layer, sprite);
  return a;
}

void SetActorFadeOutDeath(int actor, int n, int fade) {
  if (actor < 0) return;
  AddFlags(actor, kFlagAnimates);
  if (fade && n >= 16) Command(actor, kCmdAddAlpha, n - 16, 16, -16);
  AddActorCommandAt(actor, kCmdDelete, n);
}

// A free slot or a list sentinel is never retired: giving it a kind would take it out of use.
void RetireActor(int actor) {
  if (!Retirable(actor)) return;
  const int32_t kind = GetActorField(kFieldKind, actor);
  if (kind < kKindRect || kind > kKindSpritePrimitive) SetActorField(kFieldKind, actor, kKindEffect);
  RemoveActorCommandsOf(actor);
  Command(actor, kCmdAddAlpha, 0, 16, -16);
  AddActorCommandAt(actor, kCmdDelete, 16);
}

int RetireActorsOnLayer(int layer) {
  int n = 0;
  int node = kActorHead;
  for (int visited = 0; visited < kActorWalkLimit && node >= 1 && node < kActorCount; ++visited) {
    const int next = GetActorField(kFieldNext, node);
    if (Retirable(node) && GetActorField(kFieldLayer, node) == layer) {
      RetireActor(node);
      ++n;
    }
    if (node == kActorTail) break;
    node = next;
  }
  return n;
}

void StartBannerSlide(int actor, int speed) {
  if (actor < 1) return;
  const int32_t pixels = WrapMul(speed, 256);
  SetActorField(kFieldVx, actor, WrapMul(pixels, -1));
  AddActorCommandAt(actor, kCmdSetAlpha, 0);
  Command(actor, kCmdAddAlpha, 0, 16, 16);
  AddActorCommandAt(actor, kCmdSetVelocity, 15);
  Command(actor, kCmdSetVelocity, 75, 1, pixels);
  Command(actor, kCmdAddAlpha, 75, 16, -8);
  AddActorCommandAt(actor, kCmdDelete, 92);
}

int SpawnLabelActorEx(int x, int y, int layer, int drawSlot, int32_t value, uint32_t colour,
                      int digits) {
  const int a = SpawnEffect(x, y, layer, drawSlot);
  if (!Created(a)) return a;
  SetActorField(kFieldColour, a, static_cast<int32_t>(colour));
  SetActorField(kFieldDigits, a, digits);
  SetActorField(kFieldValue, a, value);
  return a;
}

int SpawnLabelActor(int x, int y, int layer, int drawSlot, int32_t value, uint32_t colour) {
  return SpawnLabelActorEx(x, y, layer, drawSlot, value, colour, 5);
}

int SpawnRisingLabel(int x, int y, int layer, int drawSlot, int32_t value, uint32_t colour) {
  const int a = SpawnMovingEffect(x, y, layer, drawSlot, kUp, 256);
  if (!Created(a)) return a;
  SetActorField(kFieldColour, a, static_cast<int32_t>(colour));
  SetActorField(kFieldDigits, a, 5);
  SetActorField(kFieldValue, a, value);
  Command(a, kCmdAddAlpha, 8, 32, -8);
  AddActorCommandAt(a, kCmdDelete, 36);
  return a;
}

int SpawnRectActor(int x, int y, int x2, int y2, int layer, uint32_t colour) {
  const int a = SpawnEffect(x, y, layer, 2);
  if (!Created(a)) return a;
  SetActorField(kFieldKind, a, kKindRect);
  SetActorField(kFieldScale, a, x2);
  SetActorField(kFieldCornerY, a, y2);
  SetActorField(kFieldColour, a, static_cast<int32_t>(colour));
  return a;
}

void StartScreenCrossfade() {
  const int a = SpawnEffect(320, 240, kTitleLayer, kSpriteCapture);
  if (Created(a)) FadeOutActor(a, 0);
  RequestScreenCapture();
}

// Only the four tracks have titles (text ids 384-387); a track that does not exist changes
// nothing and shows nothing.
void PlayBgmWithTitle(int track) {
  if (track < -1 || track >= kTrackCount) return;
  if (GetCurrentBgm() == track) return;
  PlayBgm(track);
  if (track < 0) return;
  int x = 160, y = 465;
  if (track == 0) {
    x = 520;
    y = 1;
  } else if (track == 3) {
    x = 0;
  }
  if (GetSettingsSlot(kSlotPlayMode) & kPlayMission) {
    x = 0;
    y = 465;
  }
  const int label = SpawnLabelActor(x, y, kTitleLayer, 4, kTitleTextFirst + track, kTitleColour);
  if (!Created(label)) return;
  FadeInActor(label, 0);
  FadeOutActor(label, 120);
}

int SpawnParticle(int x, int y, int layer, int32_t sprite, int heading, int speed, int scale) {
  const int a = SpawnMovingActor(x, y, layer, sprite, heading, speed, kKindEffect);
  if (!Created(a)) return a;
  AddFlags(a, kFlagAnimates | kFlagOffPlayfieldDies);
  SetActorField(kFieldScale, a, scale);
  const int rotation = GameRandom(kTurn);
  SetActorField(kFieldRotation, a, rotation);
  Command(a, kCmdAddAlpha, 8, 8, -32);
  AddActorCommandAt(a, kCmdDelete, 16);
  return a;
}

int SpawnSpark(int x, int y, int layer, int32_t sprite, int heading, int speed) {
  const int a = SpawnMovingActor(x, y, layer, sprite, heading, speed, kKindEffect);
  if (!Created(a)) return a;
  AddFlags(a, kFlagOffPlayfieldDies);
  const int rotation = GameRandom(kTurn);
  SetActorField(kFieldRotation, a, rotation);
  return a;
}

int SpawnDebris(int x, int y, int layer, int32_t sprite, int scale) {
  const int a = SpawnActor(x, y, layer, sprite, kKindEffect);
  if (!Created(a)) return a;
  AddFlags(a, kFlagAnimates | kFlagOffPlayfieldDies);
  SetActorField(kFieldScale, a, scale);
  const int rotation = GameRandom(kTurn);
  SetActorField(kFieldRotation, a, rotation);
  AddActorCommandAt(a, kCmdDelete, 32);
  return a;
}

void SpawnParticleBurst(int x, int y, int layer, int32_t sprite, int n, int v) {
  for (int i = 0; i < n; ++i) {
    const int scale = 1000 + GameRandom(1000);
    const int speed = WrapAdd(v, GameRandom(v));
    const int heading = GameRandom(kTurn);
    SpawnParticle(x, y, layer, sprite, heading, speed, scale);
  }
}

void SpawnDebrisBurst(int x, int y, int layer, int32_t sprite, int n, int v) {
  for (int i = 0; i < n; ++i) {
    const int a = SpawnDebris(x, y, layer, sprite, 1000);
    if (!Created(a)) continue;
    const int speed = WrapAdd(v, GameRandom(v));
    const int heading = GameRandom(kTurn);
    SetActorVelocityPolar(a, heading, speed, 1);
  }
}

void SpawnParticleRing(int x, int y, int layer, int32_t sprite, int n, int speed) {
  if (n < 1) return;
  const int start = GameRandom(kTurn);
  const int step = kTurn / n;
  for (int i = 0; i < n; ++i) {
    SpawnParticle(x, y, layer, sprite, WrapAdd(start, WrapMul(i, step)), speed, 1000);
  }
}

void SpawnDebrisRing(int x, int y, int layer, int32_t sprite, int n, int speed) {
  if (n < 1) return;
  const int start = GameRandom(kTurn);
  const int step = kTurn / n;
  for (int i = 0; i < n; ++i) {
    const int a = SpawnDebris(x, y, layer, sprite, 1000);
    if (Created(a)) SetActorVelocityPolar(a, WrapAdd(start, WrapMul(i, step)), speed, 1);
  }
}

int SpawnTrail(int x, int y, int32_t sprite, int heading, int speed, int growth) {
  const int a = SpawnMovingEffect(x, y, kTrailLayer, sprite, heading, speed);
  if (!Created(a)) return a;
  Command(a, kCmdAddScale, 0, 16, growth);
  Command(a, kCmdAddAlpha, 0, 16, -16);
  AddActorCommandAt(a, kCmdDelete, 16);
  return a;
}

int SpawnShockwave(int x, int y, int layer, int32_t sprite, int size) {
  const int a = SpawnEffect(x, y, layer, sprite);
  if (!Created(a)) return a;
  SetActorField(kFieldScale, a, WrapMul(size, 2));
  Command(a, kCmdAddAlpha, 0, 8, -32);
  Command(a, kCmdAddScale, 0, 8, size);
  AddActorCommandAt(a, kCmdDelete, 8);
  return a;
}

void SpawnSpinningDebris(int x, int y, int layer, int32_t firstSprite, int variants, int n, int speed,
                         int dvx, int dvy) {
  if (variants < 1) return;
  for (int i = 0; i < n; ++i) {
    const int32_t sprite = WrapAdd(firstSprite, i % variants);
    const int pieceSpeed = WrapAdd(speed, GameRandom(speed));
    const int heading = GameRandom(kTurn);
    const int a = SpawnSpark(x, y, layer, sprite, heading, pieceSpeed);
    if (!Created(a)) continue;
    const int spin = GameRandom(1) * 600 - 300;
    SetActorField(kFieldSpin, a, spin);
    AddActorCommand(a, kCmdAddVelocity, 0, 20, dvx, dvy);
    Command(a, kCmdAddAlpha, 16, 8, -32);
    AddActorCommandAt(a, kCmdDelete, 24);
  }
}

// A walk over a grid of offset rows: every sparkle a cell left or right and a row up or down.
void SpawnGridSparkles(int x, int y, int layer, int32_t sprite, int n) {
  int cx = x / 14;
  int cy = y / 28;
  for (int i = 0; i < n; ++i) {
    const int px = 14 * cx + 7 + (cy % 2 < 1 ? 7 : 0);
    const int py = 26 * cy + 13;
    const int a = SpawnEffect(px, py, layer, sprite);
    if (Created(a)) {
      SetActorField(kFieldRotation, a, kUp);
      AddFlags(a, kFlagAnimates);
      SetActorField(kFieldColour, a, static_cast<int32_t>(kSparkleColour));
      Command(a, kCmdAddAlpha, 8, 8, -16);
      AddActorCommandAt(a, kCmdDelete, 16);
    }
    const int dx = GameRandom(1);
    cx += 2 * dx - 1;
    const int dy = GameRandom(1);
    cy += 2 * dy - 1;
  }
}
