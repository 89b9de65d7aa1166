// The mid-bosses, each leading a wave of its own: the circling guns (7), the fan gun platform (8),
// the drone mother ship (10), the bouncing ring gunship (12) and the four orbiting guns (13). Their
// scratch fields are read by their draw routines, so the values kept there are exact. Random
// numbers are drawn in the order the values are named, one per statement.
#include <algorithm>
#include <cstdint>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/play/boss_internal.h"
#include "game/play/enemies.h"
#include "game/play/play.h"

// Boss 7: guns circling the boss fire fans along an aim that sweeps a full turn in 512 frames and
// turns back every 70 frames; above level 6 aimed fans; above level 9 three beams every 128 frames.
void EnemyBehaviour07(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  const int t = s.t;
  const int level = s.level;
  const int m = t % 128;
  const int d = GetActorField(kBoss07Turning, actor);
  const int sweep = t % 512;
  int a = sweep * 21600 / 512;
  if (d < 1) a = 21600 - a;
  if (t % 70 == 0) SetActorField(kBoss07Turning, actor, 1 - d);

  if (t >= 40) {
    const int k = d < 1 ? 256 - sweep / 2 : sweep / 2;
    const int gx = s.x + ScriptCos(k, 64.0f, 80);
    const int gy = s.y + ScriptSin(k, 64.0f, 80);
    if (t % 70 > 40 - 2 * level && t % 4 == 0) {
      BulletPattern& p = BulletPatternAt(gx, gy, 2, a, 28);
      p.ways = 6;
      p.spread = 3600;
      p.muzzleSprite = 0;
      FireBulletPattern();
      PlaySe(13);
    }
    if (level > 6 && t % 32 == 0) {
      BulletPattern& p = BulletPatternAt(s.x, s.y, 28, GetAngleToPlayer(s.x, s.y), 24);
      p.ways = 13;
      p.spread = 1661;
      p.muzzleSprite = 0;
      FireBulletPattern();
      PlaySe(15);
    }
    if (level > 9) {
      if (m < 30) {
        AddActorField(kBoss07Charge, actor, 1);
        AddActorField(kBoss07Glow, actor, 1);
      }
      if (m == 0) {
        PlaySe(22);
        AddActorField(kBoss07Glow, actor, 1);
      }
      if (m == 30) {
        const int base = GetActorField(kBoss07BeamAngle, actor);
        for (int i = 0; i < 3; ++i) {
          const int heading = WrapAdd(base, 7200 * i);
          int bx = s.x, by = s.y;
          AddPolarToXY(&bx, &by, heading, 80);
          const int beam = SpawnEnemy(bx, by, 26, kIdBeam);
          if (beam > 0) {
            SetActorField(kFieldHeading, beam, heading);
            LinkChildActor(beam, actor, i);
          }
        }
        PlaySe(46);
        SetActorField(kBoss07Glow, actor, 0);
      }
    }
    if (m == 50) {
      for (int i = 0; i < 3; ++i) UnlinkChildActor(actor, i);
      SetActorField(kBoss07Charge, actor, 0);
    }
  }
  if (level <= 9) SetActorField(kBoss07Glow, actor, 0);
  // The beams keep their base angle while they charge and fire.
  if (!(t >= 40 && level >= 10 && m < 60)) AddActorField(kBoss07BeamAngle, actor, 180);
}

// Boss 8: alternating wide fans up and down, turning rows of fans, aimed fans above level 9; its
// ring of orbs sways with field 65.
void EnemyBehaviour08(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  const int t = s.t;
  const int level = s.level;
  if (t >= 31) {
    if (t % 39 == 0) {
      const int side = (t / 39) % 2;
      BulletPattern& p = BulletPatternAt(s.x, s.y, 0, 7200 * side - 3600, 24);
      p.ways = level + 30;
      p.spread = 300;
      p.muzzleSprite = 0;
      FireBulletPattern();
      PlaySe(13);
    }
    AddActorField(kBoss08Spin, actor, 120);
    // At level 27 the period is 0: every frame then, rather than a division by zero. Above it the
    // period is negative and the remainder test still fires every |54 - 2L| frames.
    const int every = 54 - 2 * level;
    if (every == 0 || t % every == 0) {
      BulletPattern& p = BulletPatternAt(s.x, s.y, 16, (t / 32) * 1200, 27 - level);
      p.layer = 25;
      p.ways = 8;
      p.spread = 2700;
      p.rows = level / 3 + 2;
      FireBulletPattern();
      PlaySe(15);
    }
    if (level > 9 && t % 24 == 0) {
      BulletPattern& p = BulletPatternAt(s.x, s.y, 8, GetAngleToPlayer(s.x, s.y), 28);
      p.layer = 26;
      p.ways = 4 + (t / 24) % 2;
      p.spread = 600;
      FireBulletPattern();
      PlaySe(15);
    }
  }
  AddActorField(kBoss08Sway, actor, ScriptSin(t, 96.0f, 300));
}

// Boss 10: bobs up and down; from frame 120 it can be hit and launches homing drones (id 11) every
// 60 frames, with fans that change with the level.
void EnemyBehaviour10(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  const int t = s.t;
  const int level = s.level;
  SetActorField(kFieldVy, actor, ScriptCos(t, 120.0f, WrapMul(level + 6, 40)));
  if (t < 120 && t % 20 == 0) PlaySe(48);
  if (t == 120) {
    PlaySeAtX(s.x, 20);
    OrActorField(kFieldFlags, actor, kEnemyTargetable);
  }
  if (t < 120) return;
  if (t % 60 == 30) {
    const int drones = level / 3 + 1;
    for (int i = 0; i < drones; ++i) {
      const int h = GameRandom(7200) - 3600;
      int dx = s.x + 48, dy = s.y;
      AddPolarToXY(&dx, &dy, h, 32);
      const int drone = SpawnEnemy(dx, dy, 25, kIdDrone);
      if (drone > 0) {
        SetActorVelocityPolar(drone, h, ScaleBulletSpeedPlus(48), 1);
        SetActorField(kFieldScratch0, drone, std::max(10 - level, 2));
        SetActorField(kFieldScratch0 + 1, drone, WrapAdd(WrapMul(4, level), 80));
      }
    }
    PlaySe(34);
  }
  if (level > 9 && t % 32 == 0) {
    const int fx = s.x - 64;
    BulletPattern& p = BulletPatternAt(fx, s.y, 8, GetAngleToPlayer(fx, s.y), 24);
    p.ways = (t % 128) / 32 + 5;
    p.spread = 900;
    FireBulletPattern();
    PlaySe(15);
  }
  if (level < 5 && t % 120 == 60) {
    BulletPattern& p = BulletPatternAt(s.x - 48, s.y, 16, 10800, 32);
    p.ways = 3;
    p.spread = 3600;
    p.rows = 3;
    FireBulletPattern();
    PlaySe(15);
  }
  if (level >= 5 && level < 10 && t % 60 == 0) {
    for (int j = -1; j <= 1; j += 2) {
      BulletPattern& p = BulletPatternAt(s.x - 48, s.y + 40 * j + 24, 16, 10800 - 1800 * j, 32);
      p.rows = level / 3 + 3;
      FireBulletPattern();
    }
    PlaySe(16);
  }
}

// Boss 12: brakes in, then sways sideways and bounces between y 160 and 320, moving only in the
// first 30 frames of every 120; fires pairs of rings while it holds still, and once its hit points
// fall below L/20 of the maximum (from level 5) charges a heavy volley every 120 frames.
void EnemyBehaviour12(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  const int t = s.t;
  const int level = s.level;
  int vy = GetActorField(kBoss12Vy, actor);
  int vx = GetActorField(kFieldVx, actor);
  if (t == 40) vy = -1536;
  if (s.x < 560 && vx < 0) vx += 256;
  if (t >= 41) vx = GetWobble16((t % 256) / 16) * 256;
  SetActorField(kFieldVx, actor, vx);
  if (s.y < 160 && vy < 1536) vy += 128;
  if (s.y > 320 && vy > -1536) vy -= 128;
  SetActorField(kBoss12Vy, actor, vy);
  SetActorField(kFieldVy, actor, t % 120 < 30 ? vy : 0);

  const int px = s.x - 48, py = s.y - 16;
  const int n = level < 4 ? 3 : 6;
  const bool firing = t >= 41 && t % 120 >= 30;
  SetActorField(kBoss12Firing, actor, firing ? 1 : 0);
  if (firing) {
    const int period = level < 5 ? 48 : 24;
    if (t % period == 12) {
      int h = GetActorField(kBoss12RingAngle, actor);
      BulletPattern& p = BulletPatternAt(px, py, 13, h, 24);
      p.ways = n;
      p.spread = 21600 / n;
      FireBulletPattern();
      h = WrapAdd(h, 10800 / n);
      p.type = 12;
      p.heading = h;
      FireBulletPattern();
      SetActorField(kBoss12RingAngle, actor, WrapAdd(h, 1020));
      PlaySe(13);
    }
    if (level > 9 && t % 16 == 0) {
      BulletPattern& p = BulletPatternAt(px, py, 0, GetAngleToPlayer(px, py), 20);
      p.ways = 12;
      p.spread = 1800;
      FireBulletPattern();
    }
  }
  if (level > 4 && t % 120 == 0) {
    const int64_t limit = static_cast<int64_t>(GetActorField(kFieldHpMax, actor)) * level / 20;
    if (GetActorField(kFieldHp, actor) < limit) {
      PlaySe(22);
      SetActorField(kBoss12Charge, actor, 1);
    }
  }
  int charge = GetActorField(kBoss12Charge, actor);
  if (charge > 0) {
    for (int i = 0; i < 4; ++i) {
      const int heading = GameRandom(21600);
      SpawnParticle(px, py, kBossEffectLayer, kSparkSprite, heading, 800, 300);
    }
    if (charge == 30) {
      BulletPattern& p = BulletPatternAt(px, py, 0, GetAngleToPlayer(px, py), 64);
      p.rows = 12;
      FireBulletPattern();
      PlaySe(16);
      SpawnParticleRing(px, py, kBossEffectLayer, kSparkSprite, 64, 2000);
    }
    ++charge;
    if (charge > 45) charge = 0;
    SetActorField(kBoss12Charge, actor, charge);
  }
  SetActorField(kBoss12SmoothVx, actor, WrapAdd(vx, GetActorField(kBoss12SmoothVx, actor)) / 2);
}

// Boss 13: drifts up and down toward the player; four guns orbit the screen centre on an ellipse
// closing in from 480 pixels, each firing every frame; every 96 frames it charges, fires a heavy
// column with a recoil, and follows with fans.
void EnemyBehaviour13(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  const int t = s.t;
  const int level = s.level;
  int x = s.x, y = s.y;
  int vy = GetActorField(kFieldVy, actor);
  if (vy < 0) vy += 128;
  if (vy > 0) vy -= 128;
  if (t % 96 == 0) {
    const int v = (GameRandom(6) + 8) * 256;
    vy = y > GetPlayerField(kFieldY) ? -v : v;
    if (y > 320) vy = -v;
    if (y < 160) vy = v;
  }
  if (y < 120 || y > 360) {
    y = std::clamp(y, 120, 360);
    vy = 0;
    SetActorPos(x, y, actor);
  }
  SetActorField(kFieldVy, actor, vy);

  const int r = std::max(480 - 2 * std::min(t, 1 << 20), 320 - 8 * level);
  const int spin = ScriptSin(t, 192.0f, 21600);
  for (int j = 0; j < 4; ++j) {
    const int angle = WrapAdd(spin, 5400 * j);
    int dx, dy;
    PolarToXY(&dx, &dy, angle, r);
    const int qx = 320 + dx, qy = 240 + 3 * dy / 4;
    BulletPattern& p = BulletPatternAt(qx, qy, 8 + (j & 1), angle, 12);
    p.muzzleSprite = 0;
    FireBulletPattern();
    if (level > 6 && t % 55 == 0 && qx >= 321) {
      BulletPattern& q = BulletPatternAt(qx, qy, 29, GetAngleToPlayer(qx, qy), 8);
      q.ways = 2 * (level / 7) + 2;
      q.spread = 2700;
      FireBulletPattern();
    }
    const int scale = GameRandom(1000) + 1000;
    AddDrawSpriteRot(qx, qy, kBossEffectLayer, kGunGlowSprite, scale, 0);
  }

  if (t >= 41) {
    const int c = t % 96;
    const int fx = x - 40;
    if (c == 0) PlaySe(22);
    if (c < 30) {
      const int heading = GameRandom(21600);
      SpawnParticle(fx, y, kBossEffectLayer, kSparkSprite, heading, 1200, 200);
    }
    if (c == 30) {
      BulletPattern& p = BulletPatternAt(fx, y, 0, 10800, 48);
      p.rows = level;
      FireBulletPattern();
      SpawnParticleRing(fx, y, kBossEffectLayer, kSparkSprite, 64, 1200);
      PlaySeAtX(fx, 16);
      SetActorPos(WrapAdd(x, 48), y, actor);
      SetActorField(kBoss13Recoil, actor, 1);
    }
    if (c >= 61 && c < 80 && t % 4 == 0) {
      BulletPattern& p = BulletPatternAt(x, y, 9, 10800, 32);
      p.ways = 2 * (level / 5) + 2;
      p.spread = std::max(2700 - 180 * level, 1200);
      FireBulletPattern();
      PlaySe(15);
    }
    if (c > 79) {
      GetActorPos(&x, &y, actor);
      SetActorPos(WrapAdd(x, -3), y, actor);
      SetActorField(kBoss13Recoil, actor, 0);
    }
  }
}
