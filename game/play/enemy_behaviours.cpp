// The behaviours of the ordinary enemies: short scripts over the enemy's age that move it, fire
// bullet patterns at chosen frames and launch or steer children. Random numbers are drawn in the
// order the values are named.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/framework/sprites.h"
#include "game/play/enemies.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"

namespace {

constexpr int kEffectLayer = 26;
constexpr int kRamReach = 800;   // squared: about 28 pixels

int Aim(int x, int y) { return GetAngleToPlayer(x, y); }

// From phase level 4 an enemy that rams dies on contact and hits the player.
void RamFromLevel4(const EnemyFrame& s) {
  if (s.level >= 4) HitPlayerIfNear(s.x, s.y, kRamReach, 1);
}

void Ram(const EnemyFrame& s) { HitPlayerIfNear(s.x, s.y, kRamReach, 1); }

}  // namespace

// A fighter in formation: follows the player with its heading and fires one volley (two from
// level 7).
void EnemyBehaviour02(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  const int tracked = TurnTowardPlayer(actor);
  const int variant = GetActorField(kFieldVariant, actor);
  if ((variant == 0 || variant == 3) && (s.t == 50 || (s.t == 96 && s.level >= 7))) {
    const bool slow = s.level < 5;
    const int type = GetGameVar(kVarArea) == 1 ? 17 : 16;
    BulletPattern& p = BulletPatternAt(s.x, s.y, type, slow ? 10800 : tracked, slow ? 48 : 28);
    if (variant == 0) {
      if (s.t == 96 && s.level >= 11) {
        p.type = 17;
        p.speed = 12;
        p.ways = -16;
        p.spread = 600;
      } else {
        p.rows = s.level / 2 + 1;
      }
      FireBulletPattern();
      PlaySe(15);
    } else {
      p.type = 9;
      p.speed = 32;
      p.ways = -16;
      p.spread = 1200;
      FireBulletPattern();
      PlaySe(16);
    }
  }
  if (variant == 16 && s.t == 50) {
    // The character menu's sample enemy fires outside any phase.
    SetBulletsEnabled(1);
    BulletPattern& p = BulletPatternAt(s.x, s.y - 12, 9, 10800, 40);
    p.ways = 2;
    p.spread = 1800;
    p.rows = 3;
    FireBulletPattern();
    PlaySe(15);
  }
  if (s.level > 9 && s.t == 4) {
    BulletPattern& p = BulletPatternAt(s.x, s.y, 9, 10800, 24);
    p.ways = 4;
    p.spread = 1800;
    FireBulletPattern();
    PlaySe(15);
  }
}

// An armoured gun-ship: 80 damage break it (a kill that leaves it flying and firing its light
// patterns) until its wave has four kills; then it leaves to the right.
void EnemyBehaviour03(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  if (GetGameVar(kVarWaveKills) >= 4) {
    AddActorCommand(actor, kCmdAddVelocity, 0, 16, 64, 0);
    AddActorCommandAt(actor, kCmdDelete, 16);
    SetActorField(kFieldKind, actor, kKindEnemy | 22);
    return;
  }
  const int t = s.t;
  const int level = s.level;
  const int a = 100 - GetActorField(kFieldScratch0, actor);   // controller age 100 for the wave
  const int m = t % 120;
  const bool armed = GetActorField(kFieldScratch0 + 1, actor) < 1 && t > a;
  if (armed && GetActorField(kFieldHp, actor) < 19920) {
    SetActorField(kFieldScratch0 + 1, actor, 1);
    ClearActorFieldBits(kFieldFlags, actor, kEnemyTargetable);
    DefeatEnemy(actor);
    ClearActorFieldBits(kFieldFlags, actor, kFlagDead);
  }
  if (t == a) {
    OrActorField(kFieldFlags, actor, kEnemyTargetable);
    PlaySe(19);
  }
  if (t == 0) PlaySe(20);
  int n = (level < 8 && t % 8 == 0) + (level > 3 && t % 4 == 0) + (level > 10 && t % 2 == 0);
  if (t < std::max(80 - 8 * level, 20) || s.x >= 633) n = 0;
  if (t > a && m < 96 && (m < 40 || m > 55) && n > 0) {
    BulletPatternAt(s.x, s.y + 16, 16, 10800, 48);
    FireBulletPattern();
  }
  if (!armed || n < 1) return;
  if (level > 7 && t % 48 < 12 && t % 4 == 0) {
    BulletPattern& p = BulletPatternAt(s.x, s.y + 16, 0, 10800, 40);
    p.layer = 25;
    FireBulletPattern();
    PlaySe(13);
  }
  if (level > 9 && t % 30 == 0) {
    BulletPattern& p = BulletPatternAt(s.x, s.y, 5, 10800, 32);
    p.ways = (level - 9) / 2 * 2;
    p.spread = 900;
    FireBulletPattern();
    PlaySe(15);
  }
  if (level > 1 && m == 0) {
    const int side = (t / 120) & 1;
    for (int j = 1; j <= 7; ++j) {
      BulletPatternAt(s.x, s.y + 15 + 15 * j * (2 * side - 1), 16, 10800, 48);
      FireBulletPattern();
    }
  }
}

// A heavy gunboat: brakes in, fires one big fan at frame 80 and, from level 6, a weaving stream.
void EnemyBehaviour04(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  if (s.t == 0) SetActorField(kFieldVx, actor, -2048);
  if (GetActorField(kFieldVx, actor) < 0) AddActorField(kFieldVx, actor, 64);
  if (s.t >= 111 && GetActorField(kFieldVx, actor) >= -3071) AddActorField(kFieldVx, actor, -256);
  if (s.t == 64) SetActorField(kFieldScratch0, actor, 48);
  if (s.t == 80) {
    SpawnDebrisPiece(s.x - 80, s.y - 20, GetActorField(kFieldLayer, actor), 1154, 18900, 2400);
    const int fx = s.x - 96, fy = s.y - 20;
    BulletPattern& p = BulletPatternAt(fx, fy, 8, s.level >= 5 ? Aim(fx, fy) : 10800, 64);
    p.ways = 2 * (s.level / 4) + 1;
    p.spread = 1800;
    p.rows = 3;
    FireBulletPattern();
    PlaySe(15);
  }
  if (s.t == 90) PlaySe(16);
  if (s.level >= 6 && s.t >= 91) {
    BulletPatternAt(s.x + 16, s.y, 0, ScriptSin(s.t, 24.0f, 600), 32);
    FireBulletPattern();
  }
  if (s.x < -128) OrActorField(kFieldFlags, actor, kFlagDead);
}

// A beam cannon: turns for 30 frames, charges, holds a beam (id 6) from frame 60 to 90 and then
// lets it go.
void EnemyBehaviour05(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  int r = GetActorField(kFieldRotation, actor);
  int c = GetActorField(kFieldScratch0, actor);
  if (s.t < 30 && (ActorFlags(actor) & kEnemyTurnsToPlayer)) {
    r = TurnHeadingToward(r, s.level >= 8 ? Aim(s.x, s.y) : 10800, 600);
    SetActorField(kFieldRotation, actor, r);
  }
  if (s.t == 30) {
    PlaySe(22);
    c = 60;
  }
  if (c > 0) --c;
  SetActorField(kFieldScratch0, actor, c);
  int mx = s.x, my = s.y;
  AddPolarToXY(&mx, &my, r, 16);
  if (s.t == 60) {
    PlaySe(46);
    const int beam = SpawnEnemy(mx, my, 26, 6);
    if (beam > 0) {
      SetActorField(kFieldHeading, beam, r);
      LinkChildActor(beam, actor, 0);
    }
  }
  if (s.t >= 60 && s.t < 90) {
    const int beam = GetChildActor(actor, 0);
    if (beam > 0) SetActorPos(mx, my, beam);
    if (s.t < 80 && s.t % 8 == 0) SpawnTrail(mx, my, kTrailSprite, r, 256, 80);
  }
  if (s.level > 9 && s.t % 35 == 0) {
    BulletPattern& p = BulletPatternAt(mx, my, 9, Aim(mx, my), 24);
    p.ways = 12;
    p.spread = 1200;
    FireBulletPattern();
    PlaySe(15);
  }
  if (s.t == 90) UnlinkChildActor(actor, 0);
}

// The beam: grows by two 16-pixel points a frame along its heading, is cut where it meets the
// player (hitting it), and sprinkles particles along itself in its last frame.
void EnemyBehaviour06(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  const int h = GetActorField(kFieldHeading, actor);
  int sx, sy;
  PolarToXY(&sx, &sy, h, 16);
  int n = GetActorField(kFieldScratch0, actor) + 2;
  const bool last = GetParentActor(actor) < 1;
  if (last) OrActorField(kFieldFlags, actor, kFlagDead);
  const int base = GetActorField(kBeamSpriteField, actor) < 1 ? 897 : GetActorField(kBeamSpriteField, actor);
  int px = s.x, py = s.y;
  for (int i = 0; i < n && !IsOutsidePlayfield(px, py); ++i) {
    if (HitPlayerIfNear(px, py, kRamReach, 0)) {
      n = i;
      break;
    }
    if (last) {
      const int frame = GameRandom(1);
      SpawnParticle(px, py, GetActorField(kFieldLayer, actor),
                    static_cast<int32_t>(static_cast<uint32_t>(base + frame) | kSpriteAdditive), h, 0,
                    2400);
    }
    px += sx;
    py += sy;
  }
  SetActorField(kFieldScratch0, actor, n);
}

// A missile: fires once as it enters (above level 8), speeds up leftward with exhaust and trail
// while the phase runs, spins at its end; rams from level 4.
void EnemyBehaviour09(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  if (s.x < 640 && GetActorField(kFieldScratch0, actor) < 1) {
    if (s.level > 8) {
      BulletPattern& p = BulletPatternAt(s.x, s.y, 9, Aim(s.x, s.y), 18);
      p.ways = s.level >= 11 ? 5 : 4;
      p.spread = 2700;
      FireBulletPattern();
      PlaySe(15);
    }
    SetActorField(kFieldScratch0, actor, 1);
  }
  if (GetGameVar(kVarPhaseTimer) < 2400) {
    AddActorField(kFieldVx, actor, -64);
    SpawnParticle(s.x - 64, s.y, 7, 0x2000281, 0, 0, 2000);
    if (s.t % 2 == 0) SpawnTrail(s.x, s.y, kTrailSprite, GetActorField(kFieldRotation, actor), 600, 100);
  } else {
    AddActorField(kFieldRotation, actor, s.x < 320 ? -300 : 300);
  }
  RamFromLevel4(s);
}

// A homing drone counted as an enemy bullet: homes between its frames 64 and 65, bursts on the
// player, and leaves a trail of debris.
void EnemyBehaviour11(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  if (s.t == GetActorField(kFieldScratch0, actor)) OrActorField(kFieldFlags, actor, kEnemyTurnsToPlayer);
  if (s.t == GetActorField(kFieldScratch0 + 1, actor)) {
    ClearActorFieldBits(kFieldFlags, actor, kEnemyTurnsToPlayer);
    OrActorField(kFieldFlags, actor, kFlagOffPlayfieldDies);
  }
  if (ActorFlags(actor) & kEnemyTurnsToPlayer) {
    const int h = TurnHeadingToward(GetActorField(kFieldHeading, actor), Aim(s.x, s.y), 180);
    SetActorVelocityPolar(actor, h, GetActorField(kFieldSpeed, actor), 1);
  }
  if (HitPlayerIfNear(s.x, s.y, kRamReach, 1)) {
    SpawnParticleBurst(s.x, s.y, kEffectLayer, kSparkSprite, 16, 800);
    SpawnDebrisRing(s.x, s.y, kEffectLayer, 780, 16, 600);
    PlaySeAtX(s.x, 7);
    const int flash = SpawnParticle(s.x, s.y, kEffectLayer, 788, 0, 0, 400);
    if (flash > 0) {
      SetActorField(kFieldRotation, flash, 0);
      AddActorCommandArg(flash, kCmdAddScale, 0, 3, 200);
    }
  }
  if (s.t % 2 == 0) {
    int bx = s.x, by = s.y;
    AddPolarToXY(&bx, &by, GetActorField(kFieldHeading, actor) + 10800, 32);
    SpawnDebris(bx, by, 23, 780, 1000);
  }
}

// A bomber: swings in, stops, drops a stream of shells from level 5 (a short burst below), and
// flies off.
void EnemyBehaviour14(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  if (s.t == 0) {
    SetActorField(kFieldRotation, actor, 41472);
    SetActorField(kFieldVx, actor, -3072);
    AddActorCommand(actor, kCmdAddVelocity, 8, 12, 256, 0);
    AddActorCommand(actor, kCmdSetVelocity, 20, 0, 0, 0);
    AddActorCommand(actor, kCmdAddVelocity, 120, 12, 256, 0);
  }
  if (s.x > 720) OrActorField(kFieldFlags, actor, kFlagDead);
  SetActorField(kFieldSpin, actor, GetActorField(kFieldVx, actor));
  if (s.t >= 30 && s.t < 90 && s.level >= 5 && s.t % 4 == 0) {
    // Drawn in the order named: the heading, the offset, then the casing's heading and speed.
    int heading = 10800;
    if (s.level != 5) heading = GameRandom(600) + 10500;
    const int dy = GameRandom(32);
    BulletPatternAt(s.x - 84, s.y + 4 + dy, 8, heading, s.t);
    FireBulletPattern();
    const int debrisHeading = GameRandom(1800) - 2700;
    const int debrisSpeed = GameRandom(1200) + 1200;
    SpawnDebrisPiece(s.x - 8, s.y, GetActorField(kFieldLayer, actor), 1154, debrisHeading, debrisSpeed);
    PlaySeAtX(s.x, 13);
  }
  if (s.level < 5 && s.t >= 60 && s.t < 80 && s.t % 4 == 0) {
    BulletPatternAt(s.x - 84, s.y + 22, s.t == 60 ? 0 : 8, 10800, 64);
    FireBulletPattern();
    PlaySeAtX(s.x, 15);
  }
  if (s.level > 9 && s.t % 30 == 0) {
    BulletPattern& p = BulletPatternAt(s.x + 40, s.y + 24, 29, Aim(s.x + 40, s.y + 24), 24);
    p.ways = 4;
    p.spread = 1800;
    FireBulletPattern();
  }
}

// An orbiting pod of the area boss: circles its parent (the second six the other way and twice as
// far), fires on its own beat, and flies off along its last angle when the parent is gone.
void EnemyBehaviour18(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  const int i = GetActorField(kFieldScratch0, actor);
  const int parent = GetParentActor(actor);
  if (parent > 0) {
    int a = static_cast<int>(static_cast<uint32_t>(WrapMul(120, s.t)) + static_cast<uint32_t>(3600 * i));
    if (i > 5) a = static_cast<int>(0u - static_cast<uint32_t>(a));
    int r = std::min(s.t, 96);
    if (i > 5) r *= 2;
    int px, py;
    GetActorPos(&px, &py, parent);
    AddPolarToXY(&px, &py, a, r);
    SetActorPos(px, py, actor);
    SetActorField(kFieldScratch0 + 1, actor, a);
    const int u = (12 * i + s.t) % 160;
    const int aim = s.level >= 5 ? Aim(px, py) : 10800;
    if (u == 0) {
      BulletPatternAt(px, py, 0, aim, 48);
      FireBulletPattern();
      PlaySe(16);
    }
    if (s.level >= 8 && u == 48) {
      BulletPattern& p = BulletPatternAt(px, py, 29, aim, 16);
      p.ways = 4;
      p.spread = 2700;
      FireBulletPattern();
      PlaySe(13);
    }
  } else if (GetActorField(kFieldScratch0 + 2, actor) < 1) {
    int vx, vy;
    PolarToXY(&vx, &vy, GetActorField(kFieldScratch0 + 1, actor), 2048);
    SetActorField(kFieldVx, actor, vx);
    SetActorField(kFieldVy, actor, vy);
    OrActorField(kFieldFlags, actor, kFlagOffPlayfieldDies);
  }
}

// A weaving escort: sways up and down, fires up and down from level 4, and cannot be hurt for its
// first level + 20 frames.
void EnemyBehaviour19(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  TurnTowardPlayer(actor);
  SetActorField(kFieldVy, actor, ScriptCos(s.t, 32.0f, WrapMul(s.level, 80)));
  const int every = std::max(16 - s.level, 4);
  if (s.level > 3 && s.t % every == 0) {
    BulletPatternAt(s.x, s.y, 29, 5400, 32);
    FireBulletPattern();
    BulletPatternAt(s.x, s.y, 29, 16200, 32);
    FireBulletPattern();
    PlaySe(13);
  }
  if (s.t < s.level + 20) SetActorField(kFieldHp, actor, GetActorField(kFieldHpMax, actor));
}

// A turret craft: faces the player and fires aimed shots (variant 3: a turning stream or fans).
void EnemyBehaviour20(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  if (GetPlayerActor() > 0) {
    const int px = GetPlayerField(kFieldX);
    if (px > s.x) OrActorField(kFieldSprite, actor, kSpriteMirrored);
    if (px < s.x) ClearActorFieldBits(kFieldSprite, actor, kSpriteMirrored);
  }
  const int t = s.t;
  const int level = s.level;
  if (GetActorField(kFieldVariant, actor) != 3) {
    if (t == 40 || (t == 70 && level >= 7)) {
      BulletPatternAt(s.x, s.y, 0, level >= 5 ? Aim(s.x, s.y) : 10800, 48);
      FireBulletPattern();
      PlaySe(15);
    }
    if (level > 7 && t == 20) {
      BulletPattern& p = BulletPatternAt(s.x, s.y, 29, Aim(s.x, s.y), 20);
      p.ways = level > 9 ? 4 : 2;
      p.spread = 1800;
      FireBulletPattern();
      PlaySe(13);
    }
  } else if (level >= 4) {
    if (47 - 2 * level < t && t < 96 + 4 * level) {
      const int turn = WrapMul(600, t);
      BulletPattern& p = BulletPatternAt(s.x, s.y, 8, s.y >= 240 ? 10800 + turn : 10800 - turn, 40);
      p.muzzleSprite = 0;
      FireBulletPattern();
      PlaySe(15);
    }
  } else if (t == 40 || (t == 70 && level >= 2)) {
    BulletPattern& p = BulletPatternAt(s.x, s.y, t == 40 ? 8 : 9, Aim(s.x, s.y), 48);
    p.ways = t == 40 ? 9 : 8;
    p.spread = 2700;
    FireBulletPattern();
    PlaySe(15);
  }
}

// A drone carrier: charges and fires a recoiling volley every 256 frames, launches homing drones
// (id 11) in between, and fires aimed fans above level 9.
void EnemyBehaviour21(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  const int t = s.t;
  const int m = t % 256;
  if (GetActorField(kFieldScratch0, actor) > 0) AddActorField(kFieldScratch0, actor, -1);
  if (m >= 40 && m < 80) AddActorField(kFieldScratch0 + 1, actor, 1);
  if (m == 80) {
    const int fx = s.x - 80, fy = s.y + 12;
    BulletPattern& p = BulletPatternAt(fx, fy, 0, 10800, 60);
    if (s.level >= 8) {
      p.type = 8;
      p.ways = -16;
      p.spread = 600;
      p.speed = 16;
    } else {
      p.rows = s.level / 2 + 1;
    }
    FireBulletPattern();
    SpawnParticleBurst(fx, fy, kEffectLayer, kSparkSprite, 8, 480);
    SpawnDebrisPiece(s.x - 48, s.y - 16, GetActorField(kFieldLayer, actor), 1156, 18900, 2400);
    SetActorField(kFieldScratch0, actor, 16);
    PlaySe(16);
    SetActorField(kFieldVx, actor, 1024);
    AddActorCommand(actor, kCmdAddVelocity, 0, 16, -128, 0);
    SetActorField(kFieldScratch0 + 1, actor, 0);
  }
  if (m < 40 && s.x > 160 - 10 * s.level && t % 4 == 0) {
    const int h = ((t / 4) * 5 % 12) * 600 + 18000;
    int dx = s.x + 64, dy = s.y;
    AddPolarToXY(&dx, &dy, h, 48);
    const int drone = SpawnEnemy(dx, dy, 25, 11);
    if (drone > 0) {
      SetActorVelocityPolar(drone, h, ScaleBulletSpeedPlus(40), 1);
      SetActorField(kFieldScratch0, drone, 10);
      SetActorField(kFieldScratch0 + 1, drone, 80);
    }
    PlaySe(15);
  }
  if (s.x >= 321 && s.level > 9 && t % 30 == 0) {
    BulletPattern& p = BulletPatternAt(s.x + 56, s.y + 32, 9, Aim(s.x + 56, s.y + 32), 24);
    p.ways = 4;
    p.spread = 1800;
    FireBulletPattern();
    PlaySe(13);
  }
  SetActorField(kFieldSpin, actor, GetActorField(kFieldVx, actor));
  if (s.x < -160 || s.x > 760) OrActorField(kFieldFlags, actor, kFlagDead);
}

// A bouncing spinner: from frame 20, on leaving the screen it sprays back into it and is gone;
// leaves a trail; rams from level 4.
void EnemyBehaviour50(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  if (s.t >= 20) {
    int heading = -1;
    if (s.x < 0) heading = 0;
    if (s.x > 640) heading = 10800;
    if (s.y < 0) heading = 5400;
    if (s.y > 480) heading = 16200;
    if (heading >= 0) {
      BulletPattern& p = BulletPatternAt(s.x, s.y, 28, heading, 20);
      p.ways = -((8 + s.level) / 2);
      p.spread = 9000;
      FireBulletPattern();
      PlaySe(7);
      SpawnParticleBurst(s.x, s.y, kEffectLayer, 792, 8, 480);
      SpawnParticleBurst(s.x, s.y, kEffectLayer, kSparkSprite, 16, 800);
      OrActorField(kFieldFlags, actor, kFlagDead);
      return;
    }
  }
  if (s.t % 4 == 0) SpawnTrail(s.x, s.y, kTrailSprite, GetActorField(kFieldHeading, actor), 1000, 50);
  RamFromLevel4(s);
}

// In no slot: charges at the player at frame 60 (with a fan above level 8) and rams.
void EnemyBehaviourSpare(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  if (s.t == 60) {
    PlaySe(23);
    const int aim = Aim(s.x, s.y);
    SetActorVelocityPolar(actor, aim, ScaleBulletSpeed(80), 1);
    if (s.level > 8) {
      BulletPattern& p = BulletPatternAt(s.x, s.y, 9, aim, 18);
      p.ways = s.level >= 11 ? 5 : 4;
      p.spread = 2700;
      FireBulletPattern();
      PlaySe(15);
    }
  }
  Ram(s);
}

// Available to scripts: from frame 32 a line along the rotation hits the player, point by point.
void SweepLineHit(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  if (s.t < 32) return;
  int sx, sy;
  PolarToXY(&sx, &sy, GetActorField(kFieldRotation, actor), 16);
  int px = s.x, py = s.y;
  for (int i = 0; i < 100 && !IsOutsidePlayfield(px, py); ++i) {
    HitPlayerIfNear(px, py, 256, 0);
    px += sx;
    py += sy;
  }
}
