// Bombs: the common start (invulnerability, every enemy bullet turned into a homing gem), the
// counter bomb's cost, the first character's falling gun and the second character's four bombs
// (the rain of shots, the power flame, the homing orb with its tail, the sweep). Every bomb ends
// at once while a demonic shift runs, and every end of a bomb clears the bomb cooldown.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/framework/sprites.h"
#include "game/play/enemies.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/play/weapons_internal.h"

namespace {

constexpr int32_t kKindBombA = 0x2000000B;
constexpr int32_t kKindBombB = 0x2000000C;   // + bomb type
constexpr int kBombLanded = 64;              // first character: frames on the ground
constexpr int kBombRecoil = 65;              // first character: the gun's recoil offset
constexpr int kTailAge = 64;                 // orb tail: frames lived (0 for the orb itself)
constexpr int kTailOrbAge = 65;              // orb tail: the orb's age when it was made
constexpr int kOrbTarget = 38;
constexpr int kOrbTargetSerial = 39;
constexpr int kOrbDrawSlot = 12;

constexpr int32_t kParticle = 896 | kSpriteAdditive;
constexpr int kEffectLayer = 26;

bool PhaseOver() { return GetGameVar(kVarPhaseTimer) >= 2400; }

// Every way a bomb ends comes here, so the cooldown never outlives the bomb; the power flame
// also hands the raised shot power back.
void EndBomb(int actor, bool poweredUp = false) {
  OrActorField(kFieldFlags, actor, kFlagDead);
  SetGameVar(kVarBombCooldown, 0);
  if (poweredUp) SetPlayerField(kPlayerPower, 1);
}

int BombShot(int x, int y, int heading, int row) {
  const int shot = SpawnPlayerShot(x, y, heading, row);
  if (shot > 0) OrActorField(kFieldFlags, shot, kShotFromBomb);
  return shot;
}

// Scale 0 growing for 10 frames and shrinking for 10, gone at 22.
void Flare(int x, int y, int32_t sprite, int rotation) {
  const int e = SpawnEffect(x, y, kEffectLayer, sprite);
  if (e < 1) return;
  SetActorField(kFieldRotation, e, rotation);
  SetActorField(kFieldScale, e, 0);
  AddActorCommand(e, kCmdAddScale, 0, 10, 100, 0);
  AddActorCommand(e, kCmdAddScale, 11, 10, -100, 0);
  AddActorCommandAt(e, kCmdDelete, 22);
}

void FireGunFan(int x, int y) {
  for (int i = 0; i < 7; ++i) BombShot(x + 64, y - 16, -1800 + 600 * i, 0);
  SpawnParticleBurst(x + 64, y - 16, kEffectLayer, kParticle, 8, 480);
  PlaySeAtX(x + 64, 13);
}

void DropShell(int x, int y) {
  const int shell = SpawnMovingEffect(x - 40, y - 24, 22, 1156, 14400, 1024);
  if (shell < 1) return;
  SetActorField(kFieldRotation, shell, 5400);
  SetActorField(kFieldSpin, shell, -300);
  OrActorField(kFieldFlags, shell, kFlagOffPlayfieldDies);
  AddActorCommand(shell, kCmdAddVelocity, 0, 120, 0, 256);
}

// The orb homes on the enemy it chose while that one lives and stays a target, else on the
// nearest target (remembered from then on), else on the player.
int OrbAim(int x, int y) {
  const int remembered = GetCurField(kOrbTarget);
  int target = -1;
  if (remembered >= kActorFirstFree && remembered <= kActorLastFree &&
      GetActorField(kFieldSerial, remembered) == GetCurField(kOrbTargetSerial) &&
      (static_cast<uint32_t>(GetActorField(kFieldFlags, remembered)) & kFlagCountedEnemy)) {
    target = remembered;
  } else {
    target = FindNearestEnemy(x, y);
    if (target > 0) {
      SetCurField(kOrbTarget, target);
      SetCurField(kOrbTargetSerial, GetActorField(kFieldSerial, target));
    }
  }
  if (target < 1) return GetAngleToPlayer(x, y);
  return AngleBetween(x, y, GetActorField(kFieldX, target), GetActorField(kFieldY, target));
}

void MoveOrb(int actor, int x, int y, int n) {
  int h = GetCurField(kFieldRotation);
  int vx = 0, vy = 0;
  if (n < 30) {
    h += 720;
  } else {
    if (n < 200) h = TurnAngleToward(h, OrbAim(x, y), 600);
    PolarToXY(&vx, &vy, h, 4096);
  }
  SetCurField(kFieldRotation, h);
  SetCurField(kFieldVx, vx);
  SetCurField(kFieldVy, vy);
  if (n % 4 == 0) SetGameVar(kVarShake, 4);
  if (n < 30) return;
  if (n % 30 == 0) PlaySe(27);
  const int segment = SpawnActor(x, y, 17, 1172, GetActorField(kFieldKind, actor));
  if (segment < 1) return;
  SetActorField(kFieldRotation, segment, h + 16200);
  SetActorField(kTailAge, segment, 1);
  SetActorField(kTailOrbAge, segment, n);
}

// The orb and its tail stop at a target that bomb hits heal: the tail piece with sparkles, the
// orb as an explosion.
void StopOrbAt(int actor, int x, int y, bool tail) {
  SetGameVar(kVarBombCooldown, 0);
  PlaySe(8);
  SpawnParticleRing(x, y, kEffectLayer, kParticle, 64, 2400);
  SpawnParticleRing(x, y, kEffectLayer, 792, 64, 1500);
  if (tail) {
    OrActorField(kFieldFlags, actor, kFlagDead);
    SpawnHealSparkles(x, y);
    return;
  }
  TurnIntoDyingEnemy(0, actor);
  for (int i = 0; i < 8; ++i) {
    int dx, dy;
    PolarToXY(&dx, &dy, GameRandom(21600), 80);
    SpawnHealSparkles(x + dx, y + dy);
  }
}

}  // namespace

void StartBombCommon() {
  SetGameVar(kVarInvulnerable, 240);
  CancelBulletsToItems(3);
}

void UseCounterBomb() {
  AddGameVar(kVarBombs, -1);
  SetGameVar(kVarBombCooldown, 1000);
  PlaySe(12);
  if (GetGameVar(kVarDifficulty) >= kRevised) {
    AddGameVar(kVarCounterBombs, 1);
    if (GetGameVar(kVarCounterBombs) == 10) SpawnRewardItem(36);
  }
}

int LaunchBombA() {
  if (GetPlayerActor() < 1) return -1;
  const int bomb = SpawnActor(GetPlayerField(kFieldX), -64, 21, 1157, kKindBombA);
  if (bomb < 0) return -1;
  SetActorField(kFieldVy, bomb, 256);
  StartBombCommon();
  return bomb;
}

int LaunchBombB() {
  if (GetPlayerActor() < 1) return -1;
  const int type = GetPlayerField(kPlayerBombType) & 3;
  const int px = GetPlayerField(kFieldX), py = GetPlayerField(kFieldY);
  const int bomb = SpawnActor(px, py, 21, 0, kKindBombB + type);
  if (bomb < 0) return -1;
  const int glow = SpawnEffect(px, py, kEffectLayer, 161);
  if (glow > 0) {
    SetActorField(kFieldColour, glow, static_cast<int32_t>(0xFFC0C07Fu));
    SetActorField(kFieldSpin, glow, 300);
    SetActorField(kFieldScale, glow, 0);
    AddActorCommand(glow, kCmdAddScale, 0, 120, 25, 0);
    AddActorCommand(glow, kCmdAddAlpha, 96, 16, -16, 0);
    AddActorCommandAt(glow, kCmdDelete, 121);
    LinkChildActor(glow, bomb, 0);
  }
  StartBombCommon();
  if (type == 1) {
    SetGameVar(kVarInvulnerable, 360);
  } else if (type == 2) {
    SetActorField(kFieldSprite, bomb, kOrbDrawSlot);
    PlaySe(43);
  } else if (type == 3) {
    SetActorField(kFieldVx, bomb, 2048);
  }
  return bomb;
}

void BombTaskA(int actor) {
  SetCurrentActor(actor);
  if (ShiftRunning()) {
    EndBomb(actor);
    return;
  }
  int x, y, vx, vy;
  GetCurPosVel(&x, &y, &vx, &vy);
  const int n = GetCurField(kFieldAge);
  const int target = GetPlayerField(kFieldY) - 32;
  const bool falling = vy >= 1;
  if (falling) {
    vy += 128;
    x = std::clamp(GetPlayerField(kFieldX), 64, 576);
  } else if (vy == 0) {
    int landed = GetCurField(kBombLanded);
    if (landed < 30) {
      SetCurField(kFieldSprite, 1157 + (landed & 1));
      if (n % 4 == 0) FireGunFan(x, y);
      if (n % 8 == 0) {
        DropShell(x, y);
        SetCurField(kBombRecoil, 48);
      }
      SetCurField(kBombLanded, ++landed);
      if (landed == 30) {
        SetGameVar(kVarBombCooldown, 0);
        OrCurField(kFieldFlags, kFlagOffPlayfieldDies);
        AddActorCommand(actor, kCmdAddVelocity, 0, 30, -256, 0);
      }
    }
  }
  if (GetCurField(kBombRecoil) > 0) AddCurField(kBombRecoil, -5);
  if (y > target) {
    y = target;
    if (falling) {
      PlaySe(18);
      vy = 0;
    }
  }
  SetCurPosVel(x, y, vx, vy);
  AddDrawSprite(x - 60 - GetCurField(kBombRecoil), y - 34, 22, 1159);
}

void BombTaskB1(int actor) {
  SetCurrentActor(actor);
  const int n = GetCurField(kFieldAge);
  if (ShiftRunning() || n >= 121 || PhaseOver()) {
    EndBomb(actor);
    return;
  }
  if (n % 4 != 0) return;
  for (int x = static_cast<int>(static_cast<int64_t>(n) * 13 % 80) - 80; x < 640; x += 80) {
    const int shot = BombShot(x, 0, 4800, 2);
    if (shot > 0) SetActorField(kFieldColour, shot, static_cast<int32_t>(0xFF00007Fu));
  }
  PlaySe(13);
}

void BombTaskB2(int actor) {
  SetCurrentActor(actor);
  if (ShiftRunning() || GetCurField(kFieldAge) >= 600 || PhaseOver()) {
    EndBomb(actor, true);
    return;
  }
  SetPlayerField(kPlayerPower, 2);
  const int px = GetPlayerField(kFieldX), py = GetPlayerField(kFieldY);
  const int h = GameRandom(1800) + 9900;
  const int dy = GameRandom(96) - 48;
  const int shot = BombShot(px - 64, py + dy, h, 2);
  if (shot > 0) {
    SetActorVelocityPolar(shot, h, 1200, 0);
    SetActorField(kFieldLayer, shot, 26);
    SetActorField(kFieldSprite, shot, 904);
    SetActorField(kFieldScale, shot, 300);
    AddActorCommand(shot, kCmdAddAlpha, 8, 8, -32, 0);
    AddActorCommandAt(shot, kCmdDelete, 16);
  }
  SetCurPos(px, py);
}

void BombTaskB3(int actor) {
  SetCurrentActor(actor);
  const bool tail = GetCurField(kTailAge) >= 1;
  if (ShiftRunning()) {
    EndBomb(actor);
    return;
  }
  int x, y;
  GetCurPos(&x, &y);
  const int n = GetCurField(kFieldAge);
  if (GetCurField(kTailOrbAge) % 8 == 0) {
    const int target = FindWeaponTarget(x, y, 32);
    if (target > 0) {
      if (static_cast<uint32_t>(GetActorField(kFieldFlags, target)) & kTargetFlagHealedByBombs) {
        StopOrbAt(actor, x, y, tail);
        return;
      }
      DamageTarget(target, 1);
      AddScore(1);
      AddHitChain(1, 0);
      SpawnParticleBurst(x, y, GetCurField(kFieldLayer) - 2, kParticle, 4, 800);
    }
  }
  if (n % 4 == 0) {
    const int a = GameRandom(21600);
    int dx, dy;
    PolarToXY(&dx, &dy, a, 24);
    SpawnParticle(x + dx, y + dy, 16, kParticle, a, 480, 3000);
  }
  if (tail) {
    AddCurField(kTailAge, 1);
    if (GetCurField(kTailAge) > 31) OrCurField(kFieldFlags, kFlagDead);
    return;
  }
  if ((n >= 200 || PhaseOver()) && IsOutsidePlayfield(x, y)) {
    EndBomb(actor);
    return;
  }
  MoveOrb(actor, x, y, n);
}

void BombTaskB4(int actor) {
  SetCurrentActor(actor);
  int x, y;
  GetCurPos(&x, &y);
  if (ShiftRunning() || x >= 801) {
    EndBomb(actor);
    return;
  }
  const int n = GetCurField(kFieldAge);
  y = GetPlayerField(kFieldY);
  SetCurPos(x, y);
  int dx, dy;
  PolarToXY(&dx, &dy, GameRandom(21600), 100);
  const int px = x + dx, py = y + dy;
  const bool even = n % 2 == 0;
  Flare(px, py, 1166 | kSpriteAdditive, even ? 2700 : 0);
  Flare(px, py, 1166 | kSpriteAdditive, even ? 8100 : 5400);
  Flare(px, py, 147 | kSpriteAdditive, 0);
  if (n % 6 == 0) {
    PlaySe(34);
    SetGameVar(kVarShake, 6);
  }
  const int target = FindWeaponTarget(px, py, 48);
  if (target < 1) return;
  if (static_cast<uint32_t>(GetActorField(kFieldFlags, target)) & kTargetFlagHealedByBombs) {
    SpawnHealSparkles(px, py);
    IncreaseTargetGauge(target, 24);
    PlaySe(12);
  } else {
    DamageTarget(target, 24);
    AddHitChain(24, 2);
    AddScore(10);
  }
}
