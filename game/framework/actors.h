// The actor pool: 4000 actors of 128 masked 32-bit fields, a master list ordered by group, parent
// and child links, the pause and slow filters, and the per-frame update that moves, animates,
// dispatches, draws and removes every actor.
#pragma once
#include <cstdint>

constexpr int kActorCount = 4000;
constexpr int kActorFieldCount = 128;
constexpr int kActorHead = 1;
constexpr int kActorTail = 2;
constexpr int kActorFirstFree = 11;
constexpr int kActorLastFree = 3997;
constexpr int kActorWalkLimit = 4001;

// Fields the framework gives meaning.
enum ActorField : int {
  kFieldKind = 0, kFieldPrev = 1, kFieldNext = 2, kFieldSerial = 3, kFieldAge = 4,
  kFieldX = 5, kFieldY = 6, kFieldLayer = 7, kFieldVx = 8, kFieldVy = 9, kFieldTurn = 10,
  kFieldSpin = 11, kFieldSubX = 12, kFieldSubY = 13, kFieldHeading = 14, kFieldRotation = 15,
  kFieldSpeed = 16, kFieldSprite = 17, kFieldScale = 18, kFieldCornerY = 19, kFieldColour = 20,
  kFieldFlags = 24, kFieldRadius = 25, kFieldHp = 26, kFieldHpMax = 27, kFieldValue = 32,
  kFieldParent = 62, kFieldParentSerial = 63, kFieldDigits = 64, kFieldChild0 = 80,
  kFieldChildKind0 = 96, kFieldExitCode = 116,
};

// ActorFlags (field 24) the framework acts on.
enum ActorFlagBits : uint32_t {
  kFlagDead = 0x80000000u,
  kFlagOffPlayfieldDies = 0x40000000u,
  kFlagAnimates = 0x20000000u,
  kFlagInvisible = 0x10000000u,
  kFlagDiesWithParent = 0x08000000u,
  kFlagRunsWhenPaused = 0x04000000u,
  kFlagCountedEnemy = 0x00800000u,
  kFlagRotationFollowsHeading = 0x00000100u,
  kFlagWorldCoords = 0x00000010u,
  kFlagSurvivesClear = 0x00000002u,
};

// Kinds.
constexpr int32_t kKindSentinel = 0x70000000;
constexpr int32_t kKindEffect = 0x60000000;
constexpr int32_t kKindRect = 0x50000001;
constexpr int32_t kKindSpritePrimitive = 0x50000003;
constexpr int32_t kKindEnemyBullet = 0x40000000;
constexpr int32_t kKindGameSession = 0x20000001;

// Allocation, set-up and freeing.
int AllocActor();                                     // index, or -1 when the pool is full
void InitCurActor(int32_t kind, int layer, int32_t sprite);
void InitCurActorBefore(int32_t kind, int layer, int32_t sprite, int node);
void LinkActorBefore(int node, int actor);
void LinkCurActorBefore(int node);
void FreeActor(int actor);
void DeleteActor(int actor);
void ResetActors();
void InitActorLists();
void FreeActorsExcept(int32_t mask);
void ClearActorGroup(int group);
void ClearStageActors();

// Field access (fields 0-127, actors 0-3999; "Cur" forms work on the current actor).
void SetCurrentActor(int actor);
int GetCurrentActor();
int32_t MaskActorField(int field, int actor, int32_t value);
void SetActorField(int field, int actor, int32_t value);
void SetCurField(int field, int32_t value);
int32_t GetActorField(int field, int actor);
int32_t GetCurField(int field);
void ClearActorField(int field, int actor);
void ClearCurField(int field);
void AddActorField(int field, int actor, int32_t d);
void AddCurField(int field, int32_t d);
void IncActorField(int field, int actor);
void IncCurField(int field);
void DecActorField(int field, int actor);
void DecCurField(int field);
void OrActorField(int field, int actor, uint32_t bits);
void OrCurField(int field, uint32_t bits);
void ClearActorFieldBits(int field, int actor, uint32_t bits);
void ClearCurFieldBits(int field, uint32_t bits);
void GetActorPos(int* x, int* y, int actor);
void GetCurPos(int* x, int* y);
void GetActorPosVel(int* x, int* y, int* vx, int* vy, int actor);
void GetCurPosVel(int* x, int* y, int* vx, int* vy);
void SetActorPos(int x, int y, int actor);
void SetCurPos(int x, int y);
void SetActorPosVel(int x, int y, int vx, int vy, int actor);
void SetCurPosVel(int x, int y, int vx, int vy);
void SetActorHp(int actor, int hp);
void SetActorVelocityPolar(int actor, int heading, int speed, int alsoRotate);
void BrakeActorVelocity(int actor);
void BrakeCurVelocity();

// Queries.
int CountActorsOfKind(int32_t kind);
int CountActorsWithFlags(uint32_t mask);
int FindActorHitAt(int x, int y, int r, uint32_t mask);
int FindGroupActorHitAt(int x, int y, int r, uint32_t mask, int group);
int FindNearestEnemy(int x, int y);
int GetAngleBetweenActors(int a, int b);
int GetActorDistanceSq(int a, int b);

// Groups 1-7 of the master list: group g lies between sentinels g + 2 and g + 3, so neighbouring
// groups share a sentinel.
constexpr int GroupFirstSentinel(int g) { return g + 2; }
constexpr int GroupLastSentinel(int g) { return g + 3; }

// Walks the list nodes of groups first..last in order (the sentinels between them included) and
// calls visit(node) on each; visit returns true to stop there. The next node is read before visit,
// so visit may free the node it is given. The node stopped at, or -1.
template <typename Visit>
int WalkActorGroups(int first, int last, Visit visit) {
  const int end = GroupLastSentinel(last);
  int node = GetActorField(kFieldNext, GroupFirstSentinel(first));
  for (int visited = 0; node != end && node > 0 && visited < kActorWalkLimit; ++visited) {
    const int next = GetActorField(kFieldNext, node);
    if (visit(node)) return node;
    node = next;
  }
  return -1;
}

// Parent and child links (slots 0-15).
int LinkChildActor(int child, int parent, int slot);
int GetChildActor(int parent, int slot);
int GetParentActor(int actor);
void UnlinkChildActor(int parent, int slot);
void KillChildActors(int parent);

// Pause and slow motion.
void SetActorsPaused(int on);
bool IsActorsPaused();
void SetSlowMode(int on);
bool IsSlowMode();
bool IsSlowSkipFrame();
void NoHandler(int actor);
void NoDraw();

// The per-frame update (moves, animates, dispatches, draws into the display list, removes).
void UpdateAllActors();
int CountActorDrawsLastUpdate();   // draw routines the last update called, for tests and benchmarks

using ActorGroupHandler = void (*)(int actor);
using ActorDrawRoutine = void (*)();
extern const ActorGroupHandler ActorGroupHandlerTable[8];
extern const ActorDrawRoutine ActorDrawTable[128];   // entries 112-127 are null: nothing drawn
