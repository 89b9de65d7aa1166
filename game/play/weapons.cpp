// The player's weapons: the weapon table, the shots made from its rows, the shared rules of a hit
// (damage, the gauge of targets that bomb hits heal, the hit chain), and the tasks of the plain
// shots, the torpedo, the beam and the device.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/framework/sprites.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/play/weapons_internal.h"

const WeaponDef WeaponDefTable[kWeaponRows] = {
    {0x20000007, 1152 | kSpriteAdditive, 8, 16, 6144, 2},
    {0x20000008, 1155, 2, 24, 0, 10},
    {0x20000007, 1152 | kSpriteAdditive, 2, 16, 6144, 0},
    {0x20000007, 1161, 1, 16, 6144, 0},
    {0x20000009, 7, 1, 20, 0, 0},
    {0x20000007, 1165, 1, 40, 8192, 8},
    {0x2000000A, 13, 0, 0, 2048, 0},
    {0x20000007, 1161 | kSpriteAdditive, 32, 48, 2048, 0},
};

namespace {

constexpr int32_t kParticle = 896 | kSpriteAdditive;
constexpr int32_t kHitSpark = 768 | kSpriteAdditive;
constexpr int32_t kSparkle = 808 | kSpriteAdditive;
constexpr int kEffectLayer = 26;

void Die() { OrCurField(kFieldFlags, kFlagDead); }

// A spark that fades and grows for 16 frames, then goes.
int SpawnFadingSpark(int x, int y, int heading) {
  const int e = SpawnMovingEffect(x, y, kEffectLayer, kHitSpark, heading, 600);
  if (e < 1) return e;
  OrActorField(kFieldFlags, e, kFlagAnimates);
  AddActorCommand(e, kCmdAddAlpha, 0, 16, -8, 0);
  AddActorCommand(e, kCmdAddScale, 0, 16, 10, 0);
  AddActorCommandAt(e, kCmdDelete, 16);
  return e;
}

void HitEffect(int x, int y) { SpawnFadingSpark(x, y, GetCurField(kFieldHeading)); }

// A row-5 shot's first contact: the shot itself becomes a growing explosion that stays put.
void Explode(int actor, int target) {
  const uint32_t flags = static_cast<uint32_t>(GetActorField(kFieldFlags, target));
  if (!(flags & kEnemyBoss) && GetParentActor(target) < 1) DamageTarget(target, 400);
  SetCurField(kFieldSprite, 788);
  SetCurField(kFieldScale, 300);
  AddActorCommand(actor, kCmdAddScale, 0, 7, 100, 0);
  AddActorCommandAt(actor, kCmdDelete, 15);
  SetCurField(kFieldVx, 0);
  SetCurField(kFieldVy, 0);
  SetCurField(kFieldSpeed, 0);
  AddHitChain(GetCurField(kShotDamage), GetCurField(kShotSlowGain));
  AddScore(1);
  PlaySe(41);
  if (GetPlayerField(kPlayerShotTimer) > 4) SetPlayerField(kPlayerShotTimer, 4);
}

}  // namespace

int FindWeaponTarget(int x, int y, int r) {
  return FindGroupActorHitAt(x, y, r, kFlagCountedEnemy, kGroupEnemies);
}

void SpawnHealSparkles(int x, int y) { SpawnGridSparkles(x, y, kEffectLayer, kSparkle, 4); }

int SpawnPlayerShot(int x, int y, int heading, int row) {
  if (row < 0 || row >= kWeaponRows) return -1;
  const WeaponDef& def = WeaponDefTable[row];
  const int shot = SpawnMovingActor(x, y, 20, def.sprite, heading, def.speed, def.kind);
  if (shot < 0) return -1;
  const int64_t level = GetPlayerField(kPlayerPower);
  SetActorField(kShotDamage, shot, static_cast<int32_t>((level + 1) * def.power / 2));
  SetActorField(kFieldRadius, shot, def.radius);
  SetActorField(kShotSlowGain, shot, def.slowGain);
  SetActorField(kShotRow, shot, row);
  if (row <= 4) SetActorField(kFieldColour, shot, static_cast<int32_t>(0xFFFFFF80u));
  OrActorField(kFieldFlags, shot, kFlagOffPlayfieldDies | kFlagAnimates);
  return shot;
}

void DamageTarget(int target, int amount) {
  if (target < 1) return;
  if (static_cast<uint32_t>(GetActorField(kFieldFlags, target)) & kEnemyNoDamage) return;
  AddActorField(kFieldHp, target, -amount);
  SetActorField(kFieldHitFlash, target, 60);
  if (GetActorField(kFieldHp, target) >= 1) PlaySe(6);
}

void IncreaseTargetGauge(int target, int amount) {
  if (target < 1 || GetGameVar(kVarDifficulty) == kNovice) return;
  const int64_t hp = static_cast<int64_t>(GetActorField(kFieldHp, target)) + 2 * static_cast<int64_t>(amount);
  const int64_t maximum = GetActorField(kFieldHpMax, target);
  SetActorField(kFieldHp, target, static_cast<int32_t>(std::clamp<int64_t>(std::min(hp, maximum), INT32_MIN, INT32_MAX)));
}

void AddHitChain(int chainTime, int slowGain) {
  AddGameVar(kVarHitChain, 1);
  const int32_t chain = GetGameVar(kVarHitChain);
  if (chain == 1000) SpawnRewardItem(32);
  if (chain > GetGameVar(kVarPhaseBestChain)) SetGameVar(kVarPhaseBestChain, chain);
  AddChainTime(chainTime);
  AddGameVar(kVarSlowGauge, slowGain);
}

void PlayerShotTask(int actor) {
  SetCurrentActor(actor);
  const int32_t row = GetCurField(kShotRow);
  const int32_t n = GetCurField(kFieldAge);
  if (row == 7) {
    if (n == 8) SetCurField(kFieldVx, 0);
    if (n == 16) SetCurField(kFieldVx, -2048);
    if (n == 24) {
      SetCurField(kFieldFlags, static_cast<int32_t>(kFlagDead));
      return;
    }
  }
  int x, y;
  GetCurPos(&x, &y);
  const int target = FindWeaponTarget(x, y, GetCurField(kFieldRadius));
  if (target < 1) return;
  const int32_t damage = GetCurField(kShotDamage);
  const int32_t slowGain = GetCurField(kShotSlowGain);
  const bool firstContact = GetCurField(kShotContacts) == 0;
  DamageTarget(target, damage);
  switch (row) {
    case 0:
    case 2: {
      Die();
      const bool bombShot = static_cast<uint32_t>(GetCurField(kFieldFlags)) & kShotFromBomb;
      const bool heals = static_cast<uint32_t>(GetActorField(kFieldFlags, target)) & kTargetFlagHealedByBombs;
      if (bombShot && heals) {
        SpawnHealSparkles(x, y);
        IncreaseTargetGauge(target, 2 * damage);
        PlaySe(12);
      } else {
        AddHitChain(damage, slowGain);
        AddScore(1);
        HitEffect(x, y);
      }
      break;
    }
    case 3:
      if (firstContact) {
        AddHitChain(damage, slowGain);
        AddScore(1);
        HitEffect(x, y);
      } else {
        SpawnParticle(x, y, kEffectLayer, kParticle, 10800, 1024, 1000);
      }
      break;
    case 5:
      if (firstContact) Explode(actor, target);
      break;
    case 7:
      PlaySe(19);
      PlaySe(7);
      HitEffect(x, y);
      break;
    default:
      break;
  }
  AddCurField(kShotContacts, 1);
}

void PlayerTorpedoTask(int actor) {
  SetCurrentActor(actor);
  if (ShiftRunning()) {
    Die();
    return;
  }
  int x, y, vx, vy;
  GetCurPosVel(&x, &y, &vx, &vy);
  vx = std::min(vx + 128, 2048);
  if (GetCurField(kFieldAge) % 2 != 0) {
    const int target = FindWeaponTarget(x, y, 24);
    if (target > 0) {
      const int32_t damage = GetCurField(kShotDamage);
      DamageTarget(target, damage);
      AddScore(10);
      vx = 512;
      AddHitChain(damage, GetCurField(kShotSlowGain));
      const int spark = SpawnFadingSpark(x, y, GameRandom(21600));
      if (spark > 0) {
        SetActorField(kFieldScale, spark, 2000);
        SetActorField(kFieldColour, spark, static_cast<int32_t>(0xFFFFFF7Fu));
      }
    }
  }
  const int32_t rotation = GetCurField(kFieldRotation) + vx;
  SetCurField(kFieldRotation, rotation);
  SetCurPosVel(x, y, vx, vy);
  const int trail = SpawnMovingEffect(x, y, 19, 1155 | kSpriteAdditive, rotation, 0);
  if (trail > 0) {
    SetActorField(kFieldColour, trail, static_cast<int32_t>(0xFFFFFF3Fu));
    AddActorCommand(trail, kCmdAddAlpha, 0, 16, -4, 0);
    AddActorCommandAt(trail, kCmdDelete, 16);
  }
}

void PlayerBeamTask(int actor) {
  SetCurrentActor(actor);
  int x, y;
  GetCurPos(&x, &y);
  const bool pierces = GetCurField(kBeamPierce) != 0;
  const int32_t damage = GetCurField(kShotDamage);
  bool hitThisFrame = false;
  for (; x < 640; x += 32) {
    const int target = FindWeaponTarget(x, y, 20);
    if (target < 1) continue;
    DamageTarget(target, damage);
    AddScore(1);
    if (!hitThisFrame && GetCurField(kBeamChainPhase) % 4 == 0) AddHitChain(4, 0);
    hitThisFrame = true;
    SpawnParticleBurst(x, y, kEffectLayer, kParticle, 2, 600);
    AddCurField(kBeamHits, 1);
    if (!pierces) break;
  }
  if (!hitThisFrame) SetCurField(kBeamHits, 0);
  SetCurField(kBeamEndX, x);
  Die();
}

void PlayerDeviceTask(int actor) {
  SetCurrentActor(actor);
  if (ShiftRunning()) {
    Die();
    return;
  }
  int x, y, vx, vy;
  GetCurPosVel(&x, &y, &vx, &vy);
  const int n = GetCurField(kFieldAge);
  const bool spent = GetCurField(kDeviceShots) >= 60;
  if (spent) {
    vx = std::max(vx - 128, -2048);
    if (x < -40) Die();
  } else {
    auto settle = [](int v) { return v > -128 && v < 128 ? 0 : v > 0 ? v - 128 : v + 128; };
    vx = settle(vx);
    vy = settle(vy);
  }
  SetCurPosVel(x, y, vx, vy);
  if (vx == 0 && vy == 0) {
    const int32_t rotation = GetCurField(kFieldRotation);
    if (rotation == 0) {
      if (n % 2 == 0) {
        const int shot = SpawnPlayerShot(x + 24, y, 0, 2);
        if (shot > 0) {
          SetActorField(kFieldScale, shot, 500);
          SpawnParticle(x + 24, y, kEffectLayer, kParticle, 0, 0, 1000);
          const int heading = 13500 + GameRandom(1800);
          SpawnDebrisPiece(x + 8, y, 19, 1154, heading, 3200);
        }
        AddCurField(kDeviceShots, 1);
        if (n % 4 == 0) PlaySe(5);
      }
    } else {
      SetCurField(kFieldRotation, TurnAngleToward(rotation, 0, 600));
    }
  } else {
    AddCurField(kFieldRotation, vx);
    if (n % 8 == 0) PlaySe(23);
  }
}
