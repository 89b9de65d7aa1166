// Enemies, their bullets and waves, as the behaviour routines (the ordinary enemies here, the
// bosses beside them) see them: the shared bullet pattern block, the enemy definition and
// behaviour tables, the enemy flags and fields, and the routines a behaviour calls. The
// operations other parts of play call are declared in play.h.
#pragma once
#include <cstdint>

// ---------------------------------------------------------------------------------------------
// The bullet pattern block: filled by ResetBulletPattern, adjusted by the caller, fired by
// FireBulletPattern, which leaves it as it was.
struct BulletPattern {
  int32_t x, y;
  int32_t layer;
  int32_t type;           // 0-31; negative: invisible bullets
  int32_t spin;
  int32_t heading;
  int32_t speed;          // before scaling
  int32_t ways;           // bullets per row; -n: n bullets at random headings and speeds
  int32_t spread;         // between neighbouring ways, or the width of the random cone
  int32_t rows;           // fan mode only
  int32_t motionMode;     // 0 straight, 1-5 timed motions; negative: fires nothing
  int32_t modeParam;      // frames, for modes 1, 3 and 4
  int32_t radius;
  uint32_t muzzleSprite;  // 0: no muzzle flash
  int32_t level;          // the phase level at the reset
  uint32_t bulletFlags;   // the flag word given to the bullets of the last firing
};
extern BulletPattern g_BulletPattern;

// What a behaviour reads of its enemy once per frame.
struct EnemyFrame {
  int actor;
  int x, y;
  int t;       // age
  int level;   // phase level now
};
EnemyFrame BeginEnemyFrame(int actor);
// The pattern block reset for a new pattern, for the caller to adjust and fire.
BulletPattern& BulletPatternAt(int x, int y, int type, int heading, int speed);

// Motion modes of enemy bullets.
enum BulletMotion : int32_t {
  kMotionStraight = 0, kMotionStopAndGo = 1, kMotionDrift = 2, kMotionShortLived = 3,
  kMotionPause = 4, kMotionFalling = 5,
};

// Bullet actor fields besides the framework's.
constexpr int kFieldBulletMotion = 31;
constexpr int kFieldBulletType = 64;

constexpr int32_t kBulletSpriteBase = 1536;
constexpr int32_t kBulletAltSpriteBase = 1664;
constexpr uint32_t kMuzzleSprite = 0x200041C;

// Whether FireBulletPattern fires (the phase set-up stops it, the phase start restarts it).
bool AreBulletsEnabled();
bool IsBulletAltSpriteSet();

// Tests watch the patterns fired: the observer sees the block at every FireBulletPattern call
// (also when firing is disabled or the mode is negative). Null: none.
using BulletPatternObserver = void (*)(const BulletPattern& pattern);
void SetBulletPatternObserver(BulletPatternObserver observer);

// ---------------------------------------------------------------------------------------------
// The enemy definition table: one row per enemy id 1-78 (row id - 1).
struct EnemyDef {
  int32_t behaviour;      // EnemyBehaviourTable slot; the kind is 0x30000000 | behaviour
  uint32_t flags;         // EnemyFlags at spawn
  uint32_t lateFlags;     // ORed in 30 frames after the spawn
  int32_t sprite;         // SpriteId; 0: draw slot id + 16
  int32_t baseHp;         // at phase level 0
  int32_t radius;
  int32_t score;          // paid x phase level
  int32_t hpPerLevel;     // up to phase level 9
  int32_t killQuota;      // kills that clear a wave led by this id
  int32_t onslaughtLimit; // a clear before this age of the wave pays the onslaught bonus
  int32_t waveDuration;   // frames until such a wave times out
  int32_t spawnInterval;  // frames between spawns in its wave; 99999: once
};
constexpr int kEnemyDefRows = 78;
constexpr int kEnemyIdLimit = 128;   // ids up to this pass the spawn test, rows end at 78
extern const EnemyDef (&EnemyDefTable)[kEnemyDefRows];

// The row of an id, or null for an id without a row (outside 1-78, or all zero).
const EnemyDef* FindEnemyDef(int id);

// Behaviours by slot (kind & 0xFFFF); every slot holds a routine.
constexpr int kEnemyBehaviourSlots = 96;
using EnemyBehaviour = void (*)(int actor);
extern const EnemyBehaviour (&EnemyBehaviourTable)[kEnemyBehaviourSlots];

constexpr int32_t kKindEnemy = 0x30000000;

// EnemyFlags: the flag word of group-3 actors beside the framework's bits.
enum EnemyFlagBits : uint32_t {
  kEnemyQuietDefeat = 0x4,
  kEnemyDropsKind5 = 0x20,
  kEnemyDropsLife = 0x40,
  kEnemyDropsBomb = 0x80,
  kEnemyGemsHome = 0x200,
  kEnemyDefeatBonus = 0x400,
  kEnemyNotCounted = 0x800,
  kEnemyChangesForm = 0x1000,
  kEnemyTimedBoss = 0x2000,
  kEnemyRestartsTimer = 0x4000,
  kEnemyNoRevenge = 0x8000,
  kEnemyTurnsToPlayer = 0x10000,
  kEnemyBoss = 0x80000,
  kEnemyTargetable = 0x800000,
  kEnemyNoDamage = 0x1000000,
  kEnemyUndefeatable = 0x2000000,
};

// Enemy actor fields besides the framework's.
enum EnemyField : int {
  kFieldScore = 28,
  kFieldHitFlash = 29,
  kFieldDyingAge = 30,     // frames since the dying explosion began
  kFieldOldKind = 31,      // the dying explosion: the kind before dying
  kFieldVariant = 31,      // wave enemies: the FormationVariant
  kFieldScratch0 = 64,     // 64-72: behaviour scratch values
};

// A beam's sprite (0: the default).
constexpr int kBeamSpriteField = 71;

// Effect sprites of enemies and bosses.
constexpr uint32_t kSparkSprite = 0x2000380;
constexpr uint32_t kTrailSprite = 0x200047B;

// Item kinds enemies drop.
enum DropKind : int { kItemGem = 1, kItemLife = 4, kItemKind5 = 5, kItemBomb = 6 };
constexpr uint32_t kItemHomingFlag = 0x10000;

// ---------------------------------------------------------------------------------------------
// Behaviour routines of the ordinary enemies (the table's slots of the same number).
void EmptyEnemyBehaviour(int actor);
void EnemyBehaviour02(int actor);
void EnemyBehaviour03(int actor);
void EnemyBehaviour04(int actor);
void EnemyBehaviour05(int actor);
void EnemyBehaviour06(int actor);
void EnemyBehaviour09(int actor);
void EnemyBehaviour11(int actor);
void EnemyBehaviour14(int actor);
void EnemyBehaviour18(int actor);
void EnemyBehaviour19(int actor);
void EnemyBehaviour20(int actor);
void EnemyBehaviour21(int actor);
void EnemyBehaviour50(int actor);
// In no slot: available to scripts.
void EnemyBehaviourSpare(int actor);
void SweepLineHit(int actor);
// Draw routines in no slot of ActorDrawTable, available to scripts.
void DrawSpinningPair();
void DrawOffsetFlare();

// The bosses' behaviours (slots 7, 8, 10, 12, 13, 16, 17), built beside these.
void EnemyBehaviour07(int actor);
void EnemyBehaviour08(int actor);
void EnemyBehaviour10(int actor);
void EnemyBehaviour12(int actor);
void EnemyBehaviour13(int actor);
void EnemyBehaviour16(int actor);
void EnemyBehaviour17(int actor);

// What the enemy and boss draw routines read of the actor being drawn.
struct EnemyDrawAt {
  int x, y, layer, age;
};
EnemyDrawAt CurEnemyDrawAt();
// ((age / p) AND 3) - 1, 0 above 1: runs -1, 0, +1, 0 with period p (a hovering bob).
inline int DrawBob(int age, int p) {
  const int b = ((age / p) & 3) - 1;
  return b > 1 ? 0 : b;
}

// Script helpers (the trig terms ScriptSin / ScriptCos live with the game's maths). The heading
// turned toward target by at most n, the shorter way round (a half turn goes down); the result
// normalised.
int TurnHeadingToward(int heading, int target, int n);
// A sound panned at x (silent off the screen's width).
void PlaySeAtX(int x, int n);

// Waves.
constexpr int kWaveScriptEntries = 50;
constexpr int kWavePhaseOffsets = 4;
extern const uint32_t WaveScriptTable[kWaveScriptEntries];
extern const int32_t WavePhaseOffsetTable[kWavePhaseOffsets];

// Wave controller fields.
enum WaveField : int {
  kFieldWaveId = 64, kFieldWaveQuota = 65, kFieldWaveOnslaught = 66, kFieldWaveDuration = 67,
  kFieldWaveInterval = 68, kFieldWaveLevel = 69,
};
