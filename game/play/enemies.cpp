// What every enemy shares: spawning from its table row, the group handler that runs its behaviour
// and then the common rules (boss gauge, hit flash, the fly-off at the phase end, defeat), the
// defeat with its score, gems and drops, the bosses' dying explosion, revenge bullets, flung
// children, the screen flash, the form change on time-out, and the small routines behaviours call.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_hooks.h"
#include "game/framework/game_math.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/play/enemies.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"

namespace {

constexpr int kAttempts = 20;
constexpr int kEffectLayer = 26;
constexpr int32_t kFlyOffTimer = 2400;
constexpr int32_t kTimedBossHold = 2340;
constexpr int32_t kFormChangeTimer = 2371;
constexpr int kDyingFrames = 60;

constexpr int32_t kSmokeSprite = 792;
constexpr int32_t kFlareSprite = 788;

int PositiveAngle(int64_t a) { return static_cast<int>(((a % 21600) + 21600) % 21600); }

// Frees the first screen primitive or effect (groups 5 and 6) that does not survive clears.
void FreeOneScreenActor() {
  // The walk passes the sentinel between the two groups.
  WalkActorGroups(5, 6, [](int node) {
    if (GetActorField(kFieldKind, node) != kKindSentinel && !(ActorFlags(node) & kFlagSurvivesClear)) {
      FreeActor(node);
      return true;
    }
    return false;
  });
}

bool IsMission() { return GetGameVar(kVarArea) == kMissionArea; }

}  // namespace

EnemyFrame BeginEnemyFrame(int actor) {
  EnemyFrame s;
  s.actor = actor;
  GetActorPos(&s.x, &s.y, actor);
  s.t = GetActorField(kFieldAge, actor);
  s.level = GetGameVar(kVarPhaseLevel);
  return s;
}

BulletPattern& BulletPatternAt(int x, int y, int type, int heading, int speed) {
  ResetBulletPattern(x, y, type, heading, speed);
  return g_BulletPattern;
}

int TurnHeadingToward(int heading, int target, int n) {
  const int a = PositiveAngle(heading);
  const int d = PositiveAngle(target) - a;
  const int size = d < 0 ? -d : d;
  if (d == 0 || n <= 0) return a;
  // Half a turn or more: the shorter way is through 0 (exactly half a turn goes away too).
  if (size >= 10800) return PositiveAngle(static_cast<int64_t>(a) + (d < 0 ? 1 : -1) * std::min(n, 21600 - size));
  return PositiveAngle(static_cast<int64_t>(a) + (d < 0 ? -1 : 1) * std::min(n, size));
}

void PlaySeAtX(int x, int n) { PlaySeAt(static_cast<int>(static_cast<int64_t>(x) - 320), 0, n); }

int SpawnEnemy(int x, int y, int layer, int id) {
  if (!PhaseRunning()) return -1;
  // Ids past the table's rows, and rows left empty, make nothing: an empty row would be a dying
  // explosion defeated at once.
  const EnemyDef* def = FindEnemyDef(id);
  if (!def) return -1;
  const int32_t kind = kKindEnemy | def->behaviour;
  int e = -1;
  for (int attempt = 0; attempt < kAttempts && e < 0; ++attempt) {
    if (attempt > 0) FreeOneScreenActor();
    e = SpawnActor(x, y, layer, def->sprite, kind);
  }
  if (e < 0) return -1;
  uint32_t flags = def->flags;
  if (IsMission() && (flags & kEnemyBoss)) {
    flags = (flags | kEnemyTimedBoss | kEnemyNoRevenge) & ~uint32_t(kEnemyChangesForm);
  }
  if (def->sprite < 1) SetActorField(kFieldSprite, e, id + 16);
  SetActorField(kFieldRadius, e, def->radius);
  SetActorField(kFieldScore, e, def->score);
  const int32_t level = std::min(GetGameVar(kVarPhaseLevel), 9);
  SetActorHp(e, WrapAdd(def->baseHp, WrapMul(def->hpPerLevel, level)));
  OrActorField(kFieldFlags, e, flags);
  AddActorCommand(e, kCmdOrFlags, 30, 1, static_cast<int32_t>(def->lateFlags), 0);
  if (flags & kEnemyBoss) SetGameVar(kVarBossId, id);
  if (flags & kEnemyRestartsTimer) SetGameVar(kVarPhaseTimer, 0);
  if (id >= 2) {
    AddGameVar(kVarPhaseSpawned, 1);
    AddGameVar(kVarEnemiesAlive, 1);
  }
  return e;
}

void EnemyGroupTask(int actor) {
  const int32_t slot = GetActorField(kFieldKind, actor) & 0xFFFF;
  if (slot < kEnemyBehaviourSlots) {
    EnemyBehaviourTable[slot](actor);
  } else {
    OrActorField(kFieldFlags, actor, kFlagDead);
  }
  const uint32_t flags = ActorFlags(actor);
  const int32_t hp = GetActorField(kFieldHp, actor);
  if ((flags & kEnemyBoss) && hp > 0) {
    const int64_t most = std::max(GetActorField(kFieldHpMax, actor), 1);
    SetGameVar(kVarBossGauge, static_cast<int32_t>(static_cast<int64_t>(hp) * 200 / most));
  }
  if (GetActorField(kFieldHitFlash, actor) > 0) AddActorField(kFieldHitFlash, actor, -1);
  if (GetGameVar(kVarPhaseTimer) >= kFlyOffTimer &&
      !((flags & kEnemyTimedBoss) && GetGameVar(kVarTimeLeft) >= 1)) {
    const int x = GetActorField(kFieldX, actor);
    SetActorField(kFieldVx, actor, x < 160 ? -2048 : 2048);
    if (x < -80 || x > 720) OrActorField(kFieldFlags, actor, kFlagDead);
    return;
  }
  if (!(flags & kEnemyUndefeatable) && !(flags & kFlagDead) && hp < 1) DefeatEnemy(actor);
}

void DefeatEnemy(int actor) {
  int x, y;
  GetActorPos(&x, &y, actor);
  const uint32_t flags = ActorFlags(actor);
  const int32_t kind = GetActorField(kFieldKind, actor);
  const int id = kind & 0xFFFF;
  const int32_t level = GetGameVar(kVarPhaseLevel);
  int32_t gems = 2;
  int32_t multiplier = 1;
  if (!(flags & kEnemyNotCounted) && GetGameVar(kVarWaveLeader) == kind) AddGameVar(kVarWaveKills, 1);
  if (flags & kEnemyTimedBoss) {
    SetGameVar(kVarTimeLeft, (2400 - GetGameVar(kVarPhaseTimer)) / 60);
    if (IsMission()) {
      SetGameVar(kVarSessionFlags, GetGameVar(kVarSessionFlags) | kSessionMissionTarget);
    } else {
      FadeOutBgm();
    }
    gems = 0;
    if (flags & kEnemyNoRevenge) SetGameVar(kVarPhaseTimer, kTimedBossHold);
  }
  if (flags & kEnemyBoss) {
    PlaySe(8);
    SetGameVar(kVarInvulnerable, 240);
    SpawnParticleRing(x, y, 27, 0x2000388, 120, 3000);
    ChangePhaseLevel(+1);
    if (!(flags & kEnemyTimedBoss)) gems = WrapMul(3, level);
    multiplier = std::clamp(CancelBulletsToItems(18), 1, 16);
    ClearBonusDisplay();
    FireRevengeBullets(actor);
    if (flags & kEnemyChangesForm) {
      SpawnEnemy(x, y, GetActorField(kFieldLayer, actor), id + 1);
      TurnIntoDyingEnemy(1, actor);
    } else {
      TurnIntoDyingEnemy(0, actor);
    }
    FlashScreen();
  } else {
    FireRevengeBullets(actor);
    if (!(flags & kEnemyQuietDefeat)) PlaySeAtX(x, 7);
    OrActorField(kFieldFlags, actor, kFlagDead);
    if (gems > 0) {
      SpawnShockwave(x, y, kEffectLayer, 0x2000093, 200);
      const int bg = GetGameVar(kVarBackground);
      if (bg > 0) {
        const int dvx = -(GetActorField(kFieldVx, bg) / 32);
        const int dvy = -(GetActorField(kFieldVy, bg) / 32);
        SpawnSpinningDebris(x, y, kEffectLayer, 804, 4, 16, 800, dvx, dvy);
      }
    }
  }
  if (GetGameVar(kVarShiftTimer) > 0) gems = WrapMul(gems, 3);
  for (int32_t i = 0; i < gems; ++i) {
    const int heading = GameRandom(5400) - 2700;
    const int speed = static_cast<int>(static_cast<int64_t>(i) * 128 % 8000 + 1024);
    const int gem = SpawnItem(x, y, heading, speed, kItemGem);
    if (gem > 0 && (flags & kEnemyGemsHome)) OrActorField(kFieldFlags, gem, kItemHomingFlag);
  }
  const int drop = y > 240 ? -2700 : 2700;
  if (!IsMission()) {
    if (flags & kEnemyDropsBomb) SpawnItem(x, y, drop, 512, kItemBomb);
    if (flags & kEnemyDropsKind5) SpawnItem(x, y, drop, 512, kItemKind5);
    if (flags & kEnemyDropsLife) SpawnItem(x, y, drop, 512, kItemLife);
  }
  if (id == 16 && GetGameVar(kVarShiftTimer) > 0) SpawnItem(x, y, -drop, 512, 18);
  if (id == 17 && GetActorField(72, actor) > 8) SpawnItem(x, y, -drop, 512, 19);
  if (gems > 0) {
    SpawnParticleBurst(x, y, kEffectLayer, kSmokeSprite, 8, 480);
    SpawnParticleBurst(x, y, kEffectLayer, kSparkSprite, 16, 800);
    AddGameVar(kVarPhaseKills, 1);
    SetGameVar(kVarChainTimer, 120);
  }
  FlingChildActors(actor);
  int32_t score = WrapMul(GetActorField(kFieldScore, actor), level);
  if (flags & kEnemyDefeatBonus) {
    score = WrapMul(score, multiplier);
    PopBanner(141, WrapMul(score, 10), 8);
    PlaySe(33);
  }
  AddScore(score);
  AddGameVar(kVarKills, 1);
}

void TurnIntoDyingEnemy(int hideSprite, int actor) {
  const uint32_t old = ActorFlags(actor);
  SetActorField(kFieldOldKind, actor, GetActorField(kFieldKind, actor));
  SetActorField(kFieldKind, actor, kKindEnemy);
  if (hideSprite) SetActorField(kFieldSprite, actor, 0);
  SetActorField(kFieldDyingAge, actor, 0);
  SetActorField(kFieldVx, actor, 0);
  SetActorField(kFieldVy, actor, 0);
  SetActorField(kFieldFlags, actor,
                static_cast<int32_t>(kEnemyUndefeatable | (old & kEnemyTimedBoss)));
  SetGameVar(kVarShake, 16);
}

void DyingEnemyTask(int actor) {
  const int32_t t = GetActorField(kFieldDyingAge, actor);
  int x, y;
  GetActorPos(&x, &y, actor);
  if (ActorFlags(actor) & kEnemyTimedBoss) {
    SetGameVar(kVarPhaseTimer, kTimedBossHold);
  } else if (GetActorField(kFieldSprite, actor) != 0) {
    // Drifts downward while it still shows: x is drawn before y.
    const int dx = GameRandom(8) - 4;
    const int dy = GameRandom(4) - 1;
    x = WrapAdd(x, dx);
    y = WrapAdd(y, dy);
    SetActorPos(x, y, actor);
  }
  if (t < kDyingFrames && t % 2 == 0) {
    // Drawn in the order named: the point's heading (the bursts draw their own), the flare's
    // heading, its scale.
    int px = x, py = y;
    const int heading = GameRandom(21600);
    AddPolarToXY(&px, &py, heading, t);
    SpawnParticleBurst(px, py, kEffectLayer, kSparkSprite, 16, 800);
    SpawnParticleBurst(px, py, kEffectLayer, kSmokeSprite, 16, 800);
    const int flareHeading = GameRandom(21600);
    AddPolarToXY(&px, &py, flareHeading, 32);
    const int scale = GameRandom(400);
    const int flare = SpawnParticle(px, py, kEffectLayer, kFlareSprite, flareHeading, 0, scale);
    if (flare > 0) {
      SetActorField(kFieldRotation, flare, 0);
      AddActorCommandArg(flare, kCmdAddScale, 0, 3, 200);
    }
    if (t % 8 == 0) PlaySeAtX(x, 7);
  }
  if (t == kDyingFrames) {
    // Counted again so that its removal lowers the count of enemies alive.
    OrActorField(kFieldFlags, actor, kFlagDead | kFlagCountedEnemy);
    SpawnParticleRing(x, y, kEffectLayer, kSparkSprite, 64, 2400);
    SpawnParticleRing(x, y, kEffectLayer, kSmokeSprite, 64, 1500);
    SetGameVar(kVarShake, 60);
  }
  SetActorField(kFieldDyingAge, actor, WrapAdd(t, 1));
}

void FireRevengeBullets(int actor) {
  const uint32_t flags = ActorFlags(actor);
  if ((flags & kEnemyNoRevenge) || GetGameVar(kVarPhaseLevel) <= 10) return;
  int x, y;
  GetActorPos(&x, &y, actor);
  ResetBulletPattern(x, y, 24, GetAngleToPlayer(x, y), 28);
  BulletPattern& p = g_BulletPattern;
  if (flags & kEnemyBoss) {
    p.type = 17;
    p.ways = -72;
    p.spread = 1800;
    p.speed = 12;
  } else {
    p.ways = 2;
    p.spread = 600;
    p.rows = 6;
    p.spin = 300;
  }
  FireBulletPattern();
}

void FlingChildActors(int actor) {
  for (int slot = 0; slot < 16; ++slot) {
    const int child = GetChildActor(actor, slot);
    if (child < 1) continue;
    RemoveActorCommandsOf(child);
    const int v = GameRandom(1024) + 512;
    const int heading = GetAngleBetweenActors(actor, child);
    const bool right = heading >= 16200 || heading < 5401;
    SetActorField(kFieldSpin, child, right ? 900 : -900);
    SetActorField(kFieldVx, child, right ? v : -v);
    SetActorField(kFieldVy, child, -1024);
    AddActorCommand(child, kCmdAddVelocity, 0, 47, 0, 128);
    AddActorCommandArg(child, kCmdAddAlpha, 32, 16, -16);
    AddActorCommandAt(child, kCmdDelete, 48);
  }
}

void FlashScreen() {
  const int flash = SpawnRectActor(0, 0, 640, 480, 27, 0xFFFFFF80);
  if (flash < 1) return;
  AddActorCommandArg(flash, kCmdAddAlpha, 0, 16, -8);
  AddActorCommandAt(flash, kCmdDelete, 16);
}

void ChangeBossFormOnTimeout(int actor) {
  if (!(ActorFlags(actor) & kEnemyChangesForm) || GetGameVar(kVarPhaseTimer) < kFormChangeTimer) return;
  int x, y;
  GetActorPos(&x, &y, actor);
  const int id = GetActorField(kFieldKind, actor) & 0xFFFF;
  SpawnEnemy(x, y, GetActorField(kFieldLayer, actor), id + 1);
  TurnIntoDyingEnemy(1, actor);
  FlingChildActors(actor);
  ChangePhaseLevel(+1);
}

bool HitPlayerIfNear(int x, int y, int r2, int killSelf) {
  if (GetDistanceSqToPlayer(x, y) >= r2) return false;
  if (GetGameVar(kVarLives) > 0 && GetGameVar(kVarInvulnerable) < 1) StartPlayerHit();
  if (killSelf) OrCurField(kFieldFlags, kFlagDead);
  return true;
}

int TurnTowardPlayer(int actor) {
  int heading = GetActorField(kFieldHeading, actor);
  if (ActorFlags(actor) & kEnemyTurnsToPlayer) {
    int x, y;
    GetActorPos(&x, &y, actor);
    heading = TurnHeadingToward(heading, GetAngleToPlayer(x, y), 1800);
    SetActorField(kFieldHeading, actor, heading);
  }
  return heading;
}

void GetEnemyScriptState(int* x, int* y, int* age, int* level) {
  GetCurPos(x, y);
  *age = GetCurField(kFieldAge);
  *level = GetGameVar(kVarPhaseLevel);
}

void GetEnemyScriptStateEx(int* x, int* y, int* vx, int* vy, int* age, int* level) {
  GetCurPosVel(x, y, vx, vy);
  *age = GetCurField(kFieldAge);
  *level = GetGameVar(kVarPhaseLevel);
}

void KillActor(int actor) {
  if (actor < kActorFirstFree || actor > kActorLastFree) return;
  OrActorField(kFieldFlags, actor, kFlagDead);
}
