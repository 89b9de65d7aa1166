// The actor pool's store, lists, allocation, accessors, queries and links. Every index and field
// number is checked: a stale or wrong index from gameplay reads 0 and writes nothing.
#include "game/framework/actors.h"

#include <algorithm>

#include "game/framework/commands.h"
#include "game/framework/game_hooks.h"
#include "game/framework/game_math.h"

namespace {

constexpr uint32_t kFieldMaskFactor = 1103515245u;
constexpr int kChildSlots = 16;

// Field-major: field f of actor a is g_store[f][a], fields 4 and up kept masked.
uint32_t g_store[kActorFieldCount][kActorCount];
int g_cursor = 4;
uint32_t g_serial = 0;
int g_current = 0;
bool g_paused = false;
bool g_slow = false;
// Free slots among those the allocation hands out (3-3997), kept in step with every write of a
// kind, so that a search of a full pool (a whole screen of bullets cancelled into items) ends at
// once instead of walking every slot again for each refused spawn.
int g_freeSlots = kActorLastFree - 2;

bool ValidActor(int a) { return a >= 0 && a < kActorCount; }
bool ValidField(int f) { return f >= 0 && f < kActorFieldCount; }
// Actors that may stand in the master list (0 means none).
bool ListActor(int a) { return a >= 1 && a < kActorCount; }
bool ValidSlot(int slot) { return slot >= 0 && slot < kChildSlots; }

uint32_t FieldMask(int f, int a) {
  return f < 4 ? 0u : static_cast<uint32_t>(f) * static_cast<uint32_t>(a) * kFieldMaskFactor;
}

// The list fields 0-2 are stored as they are.
void NoteKind(int a, uint32_t before, uint32_t after) {
  if (a >= 3 && a <= kActorLastFree && (before == 0) != (after == 0)) g_freeSlots += after == 0 ? 1 : -1;
}

int32_t Raw(int f, int a) { return static_cast<int32_t>(g_store[f][a]); }
void SetRaw(int f, int a, int32_t v) {
  if (f == kFieldKind) NoteKind(a, g_store[f][a], static_cast<uint32_t>(v));
  g_store[f][a] = static_cast<uint32_t>(v);
}

uint32_t Get(int f, int a) { return g_store[f][a] ^ FieldMask(f, a); }
void Put(int f, int a, uint32_t v) {
  if (f == kFieldKind) NoteKind(a, g_store[f][a], v);
  g_store[f][a] = v ^ FieldMask(f, a);
}

int32_t Next(int a) { return ListActor(a) ? Raw(kFieldNext, a) : kActorTail; }

int32_t VelocityBraked(int32_t v) {
  if (v > -256 && v < 256) return 0;
  return v > 0 ? v - 256 : v + 256;
}

bool ValidGroup(int g) { return g >= 1 && g <= 7; }

int32_t SquaredHitDistance(int32_t radius, int r) {
  const uint32_t sum = static_cast<uint32_t>(radius) + static_cast<uint32_t>(r);
  return static_cast<int32_t>(sum * sum);
}

struct PoolStart {
  PoolStart() { ResetActors(); }
} g_poolStart;

}  // namespace

// Allocation, set-up and freeing.

int AllocActor() {
  // With no slot free the search below walks them all and stops on the slot before its start.
  if (g_freeSlots <= 0) {
    g_cursor = std::max(3, g_cursor - 1);
    return -1;
  }
  const int stop = g_cursor - 1;
  bool firstPass = true;
  while (g_cursor < stop || firstPass) {
    if (Raw(kFieldKind, g_cursor) == 0) {
      SetRaw(kFieldSerial, g_cursor, static_cast<int32_t>(g_serial));
      g_serial = (g_serial + 1) & 0x3FFFFFFFu;
      return g_cursor;
    }
    ++g_cursor;
    if (g_cursor > kActorLastFree) {
      g_cursor = 3;
      firstPass = false;
    }
  }
  return -1;
}

void LinkActorBefore(int node, int actor) {
  if (!ListActor(node) || !ListActor(actor)) return;
  const int prev = Raw(kFieldPrev, node);
  if (!ListActor(prev)) return;
  SetRaw(kFieldNext, prev, actor);
  SetRaw(kFieldPrev, actor, prev);
  SetRaw(kFieldNext, actor, node);
  SetRaw(kFieldPrev, node, actor);
}

void LinkCurActorBefore(int node) { LinkActorBefore(node, g_current); }

void InitCurActorBefore(int32_t kind, int layer, int32_t sprite, int node) {
  const int a = g_current;
  if (!ListActor(a)) return;
  SetRaw(kFieldKind, a, (static_cast<uint32_t>(sprite) & 0x10000000u) ? kKindSpritePrimitive : kind);
  Put(kFieldSubX, a, Get(kFieldX, a) * 256u);
  Put(kFieldSubY, a, Get(kFieldY, a) * 256u);
  Put(kFieldLayer, a, static_cast<uint32_t>(layer));
  Put(kFieldSprite, a, static_cast<uint32_t>(sprite) & 0x0FFFFFFFu);
  Put(kFieldColour, a, 0xFFFFFFFFu);
  Put(kFieldScale, a, 1000u);
  LinkActorBefore(node, a);
}

void InitCurActor(int32_t kind, int layer, int32_t sprite) {
  InitCurActorBefore(kind, layer, sprite, ((kind >> 28) & 7) + 3);
}

void FreeActor(int actor) {
  if (!ValidActor(actor)) return;
  if (Raw(kFieldKind, actor) > 0) {
    const int prev = Raw(kFieldPrev, actor);
    const int next = Raw(kFieldNext, actor);
    if (ListActor(prev)) SetRaw(kFieldNext, prev, next);
    if (ListActor(next)) SetRaw(kFieldPrev, next, prev);
  }
  for (int f = 0; f < kActorFieldCount; ++f) Put(f, actor, 0);
}

void DeleteActor(int actor) {
  RemoveActorCommandsOf(actor);
  FreeActor(actor);
}

void ResetActors() {
  for (int a = 0; a < kActorCount; ++a) FreeActor(a);
  InitActorLists();
}

void InitActorLists() {
  SetRaw(kFieldKind, kActorHead, kKindSentinel);
  SetRaw(kFieldKind, kActorTail, kKindSentinel);
  SetRaw(kFieldPrev, kActorHead, kActorHead);
  SetRaw(kFieldNext, kActorHead, kActorTail);
  SetRaw(kFieldPrev, kActorTail, kActorHead);
  SetRaw(kFieldNext, kActorTail, kActorTail);
  for (int s = 3; s <= 10; ++s) {
    SetRaw(kFieldKind, s, kKindSentinel);
    LinkActorBefore(kActorTail, s);
  }
  g_cursor = 4;
  g_serial = 0;
  g_current = 0;
  g_paused = false;
  g_slow = false;
  ResetActorCommands();
}

void FreeActorsExcept(int32_t mask) {
  for (int a = 0; a < kActorCount; ++a) {
    if ((Raw(kFieldKind, a) & mask) == 0) FreeActor(a);
  }
}

void ClearActorGroup(int group) {
  if (!ValidGroup(group)) return;
  const int last = GroupLastSentinel(group);
  int node = Next(GroupFirstSentinel(group));
  for (int visited = 0; node != last && ListActor(node) && visited < kActorWalkLimit; ++visited) {
    const int next = Next(node);
    if (Raw(kFieldKind, node) != kKindSentinel && (Get(kFieldFlags, node) & 0x2u) == 0) FreeActor(node);
    node = next;
  }
}

void ClearStageActors() {
  for (int g = 2; g <= 6; ++g) ClearActorGroup(g);
  ResetActorCommands();
  g_paused = false;
  g_slow = false;
}

// Field access.

void SetCurrentActor(int actor) { g_current = actor; }
int GetCurrentActor() { return g_current; }

int32_t MaskActorField(int field, int actor, int32_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(value) ^ FieldMask(field, actor));
}

void SetActorField(int field, int actor, int32_t value) {
  if (ValidField(field) && ValidActor(actor)) Put(field, actor, static_cast<uint32_t>(value));
}
void SetCurField(int field, int32_t value) { SetActorField(field, g_current, value); }

int32_t GetActorField(int field, int actor) {
  return ValidField(field) && ValidActor(actor) ? static_cast<int32_t>(Get(field, actor)) : 0;
}
int32_t GetCurField(int field) { return GetActorField(field, g_current); }

void ClearActorField(int field, int actor) { SetActorField(field, actor, 0); }
void ClearCurField(int field) { ClearActorField(field, g_current); }

void AddActorField(int field, int actor, int32_t d) {
  if (ValidField(field) && ValidActor(actor)) Put(field, actor, Get(field, actor) + static_cast<uint32_t>(d));
}
void AddCurField(int field, int32_t d) { AddActorField(field, g_current, d); }
void IncActorField(int field, int actor) { AddActorField(field, actor, 1); }
void IncCurField(int field) { IncActorField(field, g_current); }

void DecActorField(int field, int actor) {
  if (GetActorField(field, actor) >= 1) AddActorField(field, actor, -1);
}
void DecCurField(int field) { DecActorField(field, g_current); }

void OrActorField(int field, int actor, uint32_t bits) {
  if (ValidField(field) && ValidActor(actor)) Put(field, actor, Get(field, actor) | bits);
}
void OrCurField(int field, uint32_t bits) { OrActorField(field, g_current, bits); }

void ClearActorFieldBits(int field, int actor, uint32_t bits) {
  if (ValidField(field) && ValidActor(actor)) Put(field, actor, Get(field, actor) & ~bits);
}
void ClearCurFieldBits(int field, uint32_t bits) { ClearActorFieldBits(field, g_current, bits); }

void GetActorPos(int* x, int* y, int actor) {
  if (x) *x = GetActorField(kFieldX, actor);
  if (y) *y = GetActorField(kFieldY, actor);
}
void GetCurPos(int* x, int* y) { GetActorPos(x, y, g_current); }

void GetActorPosVel(int* x, int* y, int* vx, int* vy, int actor) {
  GetActorPos(x, y, actor);
  if (vx) *vx = GetActorField(kFieldVx, actor);
  if (vy) *vy = GetActorField(kFieldVy, actor);
}
void GetCurPosVel(int* x, int* y, int* vx, int* vy) { GetActorPosVel(x, y, vx, vy, g_current); }

void SetActorPos(int x, int y, int actor) {
  SetActorField(kFieldX, actor, x);
  SetActorField(kFieldY, actor, y);
  SetActorField(kFieldSubX, actor, static_cast<int32_t>(static_cast<uint32_t>(x) * 256u));
  SetActorField(kFieldSubY, actor, static_cast<int32_t>(static_cast<uint32_t>(y) * 256u));
}
void SetCurPos(int x, int y) { SetActorPos(x, y, g_current); }

void SetActorPosVel(int x, int y, int vx, int vy, int actor) {
  SetActorPos(x, y, actor);
  SetActorField(kFieldVx, actor, vx);
  SetActorField(kFieldVy, actor, vy);
}
void SetCurPosVel(int x, int y, int vx, int vy) { SetActorPosVel(x, y, vx, vy, g_current); }

void SetActorHp(int actor, int hp) {
  SetActorField(kFieldHp, actor, hp);
  SetActorField(kFieldHpMax, actor, hp);
}

void SetActorVelocityPolar(int actor, int heading, int speed, int alsoRotate) {
  if (!ValidActor(actor)) return;
  int vx = 0, vy = 0;
  PolarToXY(&vx, &vy, heading, speed);
  SetActorField(kFieldVx, actor, vx);
  SetActorField(kFieldVy, actor, vy);
  SetActorField(kFieldHeading, actor, heading);
  SetActorField(kFieldSpeed, actor, speed);
  if (alsoRotate) SetActorField(kFieldRotation, actor, heading);
}

void BrakeActorVelocity(int actor) {
  SetActorField(kFieldVx, actor, VelocityBraked(GetActorField(kFieldVx, actor)));
  SetActorField(kFieldVy, actor, VelocityBraked(GetActorField(kFieldVy, actor)));
}
void BrakeCurVelocity() { BrakeActorVelocity(g_current); }

// Queries. Every walk goes from the head to the tail and stops after 4001 nodes, so a damaged
// list cannot hang the game.

int CountActorsOfKind(int32_t kind) {
  int n = 0;
  int node = kActorHead;
  for (int visited = 0; ListActor(node) && visited < kActorWalkLimit; ++visited) {
    if (Raw(kFieldKind, node) == kind) ++n;
    if (node == kActorTail) break;
    node = Next(node);
  }
  return n;
}

int CountActorsWithFlags(uint32_t mask) {
  int n = 0;
  int node = kActorHead;
  for (int visited = 0; ListActor(node) && visited < kActorWalkLimit; ++visited) {
    if (Get(kFieldFlags, node) & mask) ++n;
    if (node == kActorTail) break;
    node = Next(node);
  }
  return n;
}

namespace {

bool HitsAt(int node, int x, int y, int r, uint32_t mask) {
  if ((Get(kFieldFlags, node) & mask) == 0) return false;
  const int d = DistanceSq(x, y, static_cast<int32_t>(Get(kFieldX, node)),
                           static_cast<int32_t>(Get(kFieldY, node)));
  return d < SquaredHitDistance(static_cast<int32_t>(Get(kFieldRadius, node)), r);
}

}  // namespace

int FindActorHitAt(int x, int y, int r, uint32_t mask) {
  int found = -1;
  int node = kActorHead;
  for (int visited = 0; ListActor(node) && visited < kActorWalkLimit; ++visited) {
    if (HitsAt(node, x, y, r, mask)) found = node;
    if (node == kActorTail) break;
    node = Next(node);
  }
  return found;
}

int FindGroupActorHitAt(int x, int y, int r, uint32_t mask, int group) {
  if (!ValidGroup(group)) return -1;
  int found = -1;
  const int last = GroupLastSentinel(group);
  int node = Next(GroupFirstSentinel(group));
  for (int visited = 0; node != last && ListActor(node) && visited < kActorWalkLimit; ++visited) {
    if (HitsAt(node, x, y, r, mask)) found = node;
    node = Next(node);
  }
  return found;
}

int FindNearestEnemy(int x, int y) {
  int found = -1;
  int best = 0;
  const int last = GroupLastSentinel(3);
  int node = Next(GroupFirstSentinel(3));
  for (int visited = 0; node != last && ListActor(node) && visited < kActorWalkLimit; ++visited) {
    if (Get(kFieldFlags, node) & kFlagCountedEnemy) {
      const int d = DistanceSq(x, y, static_cast<int32_t>(Get(kFieldX, node)),
                               static_cast<int32_t>(Get(kFieldY, node)));
      if (found < 0 || d < best) {
        found = node;
        best = d;
      }
    }
    node = Next(node);
  }
  return found;
}

int GetAngleBetweenActors(int a, int b) {
  return AngleBetween(GetActorField(kFieldX, a), GetActorField(kFieldY, a), GetActorField(kFieldX, b),
                      GetActorField(kFieldY, b));
}

int GetActorDistanceSq(int a, int b) {
  return DistanceSq(GetActorField(kFieldX, a), GetActorField(kFieldY, a), GetActorField(kFieldX, b),
                    GetActorField(kFieldY, b));
}

// Parent and child links.

int LinkChildActor(int child, int parent, int slot) {
  if (!ValidSlot(slot) || !ValidActor(child) || !ValidActor(parent)) return -1;
  const int32_t kind = GetActorField(kFieldKind, child);
  if (kind < 0) return -1;
  SetActorField(kFieldChild0 + slot, parent, child);
  SetActorField(kFieldChildKind0 + slot, parent, kind);
  SetActorField(kFieldParent, child, parent);
  SetActorField(kFieldParentSerial, child, GetActorField(kFieldSerial, parent));
  return slot;
}

int GetChildActor(int parent, int slot) {
  if (!ValidSlot(slot) || !ValidActor(parent)) return 0;
  const int c = GetActorField(kFieldChild0 + slot, parent);
  if (!ValidActor(c) || GetActorField(kFieldParent, c) != parent) return 0;
  if (GetActorField(kFieldChildKind0 + slot, parent) != GetActorField(kFieldKind, c)) return 0;
  return c;
}

int GetParentActor(int actor) {
  const int p = GetActorField(kFieldParent, actor);
  if (!ValidActor(p) || GetActorField(kFieldParentSerial, actor) != GetActorField(kFieldSerial, p)) return 0;
  return p;
}

void UnlinkChildActor(int parent, int slot) {
  const int c = GetChildActor(parent, slot);
  if (c < 1) return;
  ClearActorField(kFieldChild0 + slot, parent);
  ClearActorField(kFieldChildKind0 + slot, parent);
  ClearActorField(kFieldParent, c);
  ClearActorField(kFieldParentSerial, c);
}

void KillChildActors(int parent) {
  for (int slot = 0; slot < kChildSlots; ++slot) {
    const int c = GetChildActor(parent, slot);
    if (c >= 1) OrActorField(kFieldFlags, c, kFlagDead);
  }
}

// Pause and slow motion.

void SetActorsPaused(int on) { g_paused = on != 0; }
bool IsActorsPaused() { return g_paused; }

void SetSlowMode(int on) {
  const bool want = on != 0;
  if (want && !g_slow) SwapEnemyBulletSprites(1);
  if (!want && g_slow && GetGameVar(102) <= 0) SwapEnemyBulletSprites(0);
  g_slow = want;
}

bool IsSlowMode() { return g_slow; }
bool IsSlowSkipFrame() { return g_slow && GetGameVar(4) % 3 == 0; }

void NoHandler(int) {}
void NoDraw() {}
