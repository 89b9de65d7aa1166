// Enemy bullets: the one shared pattern block, fan and random firing, the per-bullet motion
// modes as timed commands, the two sprite sets and their swap, the speed scale by phase level and
// floor, and the one-frame hazards.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_hooks.h"
#include "game/framework/game_math.h"
#include "game/framework/spawn.h"
#include "game/framework/sprites.h"
#include "game/play/enemies.h"
#include "game/play/play.h"

BulletPattern g_BulletPattern;

namespace {

bool g_enabled = false;
bool g_altSprites = false;
BulletPatternObserver g_observer = nullptr;

constexpr uint32_t kBulletFlags = uint32_t(kFlagAnimates) | uint32_t(kBulletFlag);
constexpr int kBulletsGroup = 4;
constexpr int kMuzzleLayer = 26;
constexpr uint32_t kMuzzleColour = 0xFFFFFF7F;

// A random spray larger than the pool is cut there: nothing more could fly.
constexpr int64_t kMostRandomBullets = kActorCount;

int32_t SpeedFactor(int32_t level) {
  const int64_t factor = std::max<int64_t>(static_cast<int64_t>(level) + 2, GetGameVar(kVarBulletFloor));
  return static_cast<int32_t>(std::min<int64_t>(factor, INT32_MAX));
}

bool FireOne(const BulletPattern& p, int32_t sprite, int heading, int speed) {
  int b = SpawnMovingActor(p.x, p.y, p.layer, sprite, heading, speed, kKindEnemyBullet);
  if (b < 0) return false;
  SetupEnemyBullet(b);
  return true;
}

}  // namespace

bool AreBulletsEnabled() { return g_enabled; }
bool IsBulletAltSpriteSet() { return g_altSprites; }
void SetBulletPatternObserver(BulletPatternObserver observer) { g_observer = observer; }

int ResetBulletPattern(int x, int y, int type, int heading, int speed) {
  BulletPattern& p = g_BulletPattern;
  p.x = x;
  p.y = y;
  p.layer = 24;
  p.type = type;
  p.spin = 0;
  p.heading = heading;
  p.speed = speed;
  p.ways = 1;
  p.spread = 0;
  p.rows = 1;
  p.motionMode = kMotionStraight;
  p.modeParam = 0;
  p.radius = 0;
  p.muzzleSprite = kMuzzleSprite;
  p.level = GetGameVar(kVarPhaseLevel);
  return p.level;
}

void FireBulletPattern() {
  BulletPattern& p = g_BulletPattern;
  if (g_observer) g_observer(p);
  if (!g_enabled || p.motionMode < 0) return;
  uint32_t flags = kBulletFlags;
  int32_t sprite = 0;
  if (p.type < 0) {
    flags |= kFlagInvisible;
  } else {
    sprite = GetBulletSprite(p.type);
  }
  p.bulletFlags = flags;
  const int32_t step = WrapMul(2, p.speed);
  int32_t v = ScaleBulletSpeedAtReset(step);
  if (p.ways >= 0) {
    // A full pool ends the fan: no later bullet could be had, and the fan draws no numbers.
    bool room = true;
    for (int r = 0; r < p.rows && room; ++r) {
      // The half width truncates toward zero, so an even count straddles the heading.
      int32_t h = static_cast<int32_t>(p.heading - static_cast<int64_t>(p.ways - 1) * p.spread / 2);
      for (int w = 0; w < p.ways && room; ++w) {
        room = FireOne(p, sprite, h, v);
        h = WrapAdd(h, p.spread);
      }
      v = WrapAdd(v, step);
    }
  } else {
    const int32_t h0 = WrapAdd(p.heading, -(p.spread / 2));
    const int64_t n = std::min(-static_cast<int64_t>(p.ways), kMostRandomBullets);
    for (int64_t i = 0; i < n; ++i) {
      // The speed is drawn before the heading.
      const int32_t s = WrapAdd(GameRandom(v), v);
      const int32_t h = WrapAdd(GameRandom(p.spread), h0);
      FireOne(p, sprite, h, s);
    }
  }
  if (p.muzzleSprite != 0) {
    int m = SpawnEffect(p.x, p.y, kMuzzleLayer, static_cast<int32_t>(p.muzzleSprite));
    if (m > 0) {
      SetActorField(kFieldColour, m, static_cast<int32_t>(kMuzzleColour));
      SetActorFadeOutDeath(m, 16, 0);
    }
  }
}

void SetupEnemyBullet(int bullet) {
  const BulletPattern& p = g_BulletPattern;
  SetActorField(kFieldRadius, bullet, p.radius);
  SetActorField(kFieldBulletMotion, bullet, p.motionMode);
  SetActorField(kFieldSpin, bullet, p.spin);
  SetActorField(kFieldBulletType, bullet, p.type);
  OrActorField(kFieldFlags, bullet, p.bulletFlags);
  // Kept while off the screen for its first 60 frames, so bullets fired from outside come in.
  AddActorCommand(bullet, kCmdOrFlags, 60, 0, static_cast<int32_t>(kFlagOffPlayfieldDies), 0);
  if (p.type < 16) SetActorField(kFieldRotation, bullet, 0);
  const int32_t param = p.modeParam;
  int vx = GetActorField(kFieldVx, bullet);
  int vy = GetActorField(kFieldVy, bullet);
  switch (p.motionMode) {
    case kMotionStopAndGo:
      // The add runs on frames param and param + 1: the bullet resumes at twice its speed.
      SetActorField(kFieldVx, bullet, 0);
      SetActorField(kFieldVy, bullet, 0);
      AddActorCommand(bullet, kCmdAddVelocity, param, 1, vx, vy);
      break;
    case kMotionDrift:
      AddActorCommand(bullet, kCmdAddVelocity, 90, 2400, -32, 0);
      break;
    case kMotionShortLived:
      AddActorCommandAt(bullet, kCmdDelete, param);
      break;
    case kMotionPause:
      AddActorCommand(bullet, kCmdSetVelocity, 4, 0, 0, 0);
      AddActorCommand(bullet, kCmdSetVelocity, WrapAdd(param, 4), 1, vx, vy);
      break;
    case kMotionFalling:
      AddActorCommand(bullet, kCmdAddVelocity, 0, 2400, 0, 16);
      break;
    default:
      break;
  }
}

void SetBulletsEnabled(int on) { g_enabled = on != 0; }

void SetBulletAltSpriteFlag(int on) { g_altSprites = on != 0; }

void SwapEnemyBulletSprites(int on) {
  g_altSprites = on != 0;
  WalkActorGroups(kBulletsGroup, kBulletsGroup, [on](int node) {
    if (static_cast<uint32_t>(GetActorField(kFieldFlags, node)) & kBulletFlag) {
      const int32_t sprite = GetActorField(kFieldSprite, node);
      if (on && sprite < kBulletAltSpriteBase) SetActorField(kFieldSprite, node, sprite + 128);
      if (!on && sprite >= kBulletAltSpriteBase) SetActorField(kFieldSprite, node, sprite - 128);
    }
    return false;
  });
}

int32_t GetBulletSprite(int type) {
  return (g_altSprites ? kBulletAltSpriteBase : kBulletSpriteBase) + 4 * (type & 0xFF);
}

int ScaleBulletSpeed(int v) {
  return WrapMul(WrapMul(v, 2), SpeedFactor(GetGameVar(kVarPhaseLevel)));
}

int ScaleBulletSpeedAtReset(int v) {
  return WrapMul(WrapMul(v, 2), SpeedFactor(g_BulletPattern.level));
}

int ScaleBulletSpeedPlus(int v) { return WrapAdd(ScaleBulletSpeed(v), WrapMul(24, v)); }

int SpawnOneFrameBullet(int x, int y, int radius) {
  int b = SpawnActor(x, y, 24, 1568, kKindEnemyBullet);
  if (b < 0) return -1;
  SetActorField(kFieldRadius, b, radius);
  SetActorField(kFieldFlags, b,
                static_cast<int32_t>(uint32_t(kFlagOffPlayfieldDies) | kBulletFlag | kBulletGrazeArmed));
  AddActorCommandAt(b, kCmdDelete, 1);
  return b;
}

int SpawnHiddenHitZone(int x, int y, int radius) {
  int b = SpawnActor(x, y, 24, 0, kKindEnemyBullet);
  if (b < 0) return -1;
  SetActorField(kFieldRadius, b, radius);
  SetActorField(kFieldFlags, b, static_cast<int32_t>(uint32_t(kFlagInvisible) | kBulletFlag));
  AddActorCommandAt(b, kCmdDelete, 2);
  return b;
}
