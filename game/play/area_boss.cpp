// The area boss: its first form (16), which rises from behind the playfield, alternates a half of
// orbiting pods with a half of opening, rings and an aimed beam, and changes form at phase timer
// 2371; and its second form (17), a timed boss that plays at the level it arrived with, sweeps up
// and down firing rings in one half and fires from its two pods in the other, each pod missing at a
// pod volley raising its level.
#include <algorithm>
#include <cstdint>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/play/boss_internal.h"
#include "game/play/enemies.h"
#include "game/play/play.h"

namespace {

constexpr int kPodSlots = 16;
constexpr int kBoss16BeamSprite = 905;
constexpr int32_t kFormPodSprite = 2078;
constexpr int kFormPodLayer = 7;
constexpr int kMaxLevel = 11;

// The opening states are a timetable over u (t mod 360): the front (field 64) closes at the start
// of the open half and opens again at its end; the jaw (field 65) opens after the front and closes
// before it.
void SetOpeningStates(int actor, int u) {
  static constexpr int kFront[][2] = {{0, 2}, {4, 1}, {8, 0}, {168, 0}, {172, 1}, {176, 2}};
  static constexpr int kJaw[][2] = {{16, 0}, {20, 1}, {24, 2}, {156, 2}, {160, 1}, {164, 0}};
  for (const auto& e : kFront) {
    if (u == e[0]) SetActorField(kBoss16Front, actor, e[1]);
  }
  for (const auto& e : kJaw) {
    if (u == e[0]) SetActorField(kBoss16Jaw, actor, e[1]);
  }
  if (u == 156) SetActorField(kBoss16BeamGlow, actor, 0);
}

// The pod half: empty pod slots below n are filled every 64 frames; fans above level 8.
void Boss16PodHalf(int actor, const EnemyFrame& s) {
  const int n = s.level >= 7 ? 12 : 6;
  if (s.t % 64 == 0) {
    for (int j = 0; j < n; ++j) {
      if (GetChildActor(actor, j) > 0) continue;
      const int pod = SpawnEnemy(s.x, s.y, 8, kIdBossPod);
      if (pod < 1) continue;
      SetActorField(kPodIndexField, pod, n - 1 - j);
      LinkChildActor(pod, actor, j);
      FadeInActor(pod, 0);
    }
  }
  if (s.level >= 8 && s.t % 20 == 0) {
    BulletPattern& p = BulletPatternAt(s.x, s.y, 9, WrapMul(60, s.t), 24);
    p.ways = 8;
    p.spread = 2700;
    FireBulletPattern();
    PlaySe(13);
  }
}

// The open half: the pods fly off, the boss turns to face left and shakes the screen, rings from
// level 8, a charge of particles, and the beam (id 6) fired on a 36-frame beat.
void Boss16OpenHalf(int actor, const EnemyFrame& s, int u) {
  if (u == 0) {
    for (int j = 0; j < kPodSlots; ++j) UnlinkChildActor(actor, j);
  }
  if (u == 16) {
    PlaySe(22);
    SetActorField(kFieldRotation, actor, 10800);
    SetGameVar(kVarShake, 32);
    SetActorField(kBoss16BeamGlow, actor, 0);
  }
  SetOpeningStates(actor, u);
  if (s.level >= 8 && u >= 30 && u < 144 && u % 8 == 0) {
    const int first = ((u / 8) & 1) * 900;
    for (int i = 0; i < 12; ++i) {
      const int heading = first + 1800 * i;
      int bx = s.x, by = s.y;
      AddPolarToXY(&bx, &by, heading, 64);
      BulletPattern& p = BulletPatternAt(bx, by, 28, heading, 60);
      p.muzzleSprite = 0;
      FireBulletPattern();
    }
    PlaySe(15);
  }
  if (u >= 16 && u < 32) {
    for (int i = 0; i < 4; ++i) {
      const int distance = GameRandom(63) + 64;
      const int h = GameRandom(7200) - 3600;
      int px = s.x - 48, py = s.y;
      AddPolarToXY(&px, &py, 10800 + h, distance);
      SpawnParticle(px, py, kBossEffectLayer, kBigSparkSprite, h, 1024, 500);
    }
  }
  const int end = std::min((s.level / 4) * 36 + 84, 168);
  if (u >= 48 && u < end) {
    const int w = (u - 48) % 36;
    int rotation = GetActorField(kFieldRotation, actor);
    if (s.level >= 6 && (w < 12 || w >= 32)) {
      rotation = TurnHeadingToward(rotation, GetAngleToPlayer(s.x, s.y), 10 * s.level);
      SetActorField(kFieldRotation, actor, rotation);
      AddActorField(kBoss16BeamGlow, actor, 1);
    }
    int mx = s.x, my = s.y;
    AddPolarToXY(&mx, &my, rotation, 64);
    if (w == 12) {
      PlaySe(46);
      const int beam = SpawnEnemy(mx, my, 26, kIdBeam);
      if (beam > 0) {
        SetActorField(kBeamSpriteField, beam, kBoss16BeamSprite);
        SetActorField(kFieldHeading, beam, rotation);
        LinkChildActor(beam, actor, 0);
      }
      SetActorField(kBoss16BeamGlow, actor, 0);
    }
    if (w >= 12 && w < 32 && s.t % 8 == 0) SpawnTrail(mx, my, kTrailSprite, rotation, 256, 80);
    if (w == 32 || u >= end - 1) UnlinkChildActor(actor, 0);
  }
}

// Every enemy bullet of type 8 turns left and becomes a faster type 25.
void TurnRingBullets() {
  const int speed = ScaleBulletSpeed(120);
  const int32_t sprite = GetBulletSprite(25);
  // Group 4 holds the enemy bullets.
  WalkActorGroups(4, 4, [&](int node) {
    if (GetActorField(kFieldKind, node) != kKindSentinel && GetActorField(kFieldBulletType, node) == 8) {
      SetActorVelocityPolar(node, 10800, speed, 1);
      SetActorField(kFieldSprite, node, sprite);
      SetActorField(kFieldBulletType, node, 25);
    }
    return false;
  });
}

// The sweep half: it moves up or down for 72 frames, and fires a turning ring every 32 frames
// whose bullets all turn left 16 frames later.
void Boss17SweepHalf(int actor, const EnemyFrame& s, int level, int b) {
  if (b == 128) {
    int side = GameRandom(1) * 2 - 1;
    const int py = GetPlayerField(kFieldY);
    if (GetPlayerActor() > 0 && py > s.y) side = 1;
    if (GetPlayerActor() > 0 && py < s.y) side = -1;
    if (s.y < 120) side = 1;
    if (s.y > 360) side = -1;
    SetActorField(kFieldVy, actor, 256 * side);
    AddActorCommand(actor, kCmdSetVelocity, 72, 0, 0, 0);
  }
  if (s.t >= 257 && b < 136) AddActorField(kBoss17Charge, actor, -8);
  const int fx = s.x - 56, fy = s.y - 24;
  if (s.t % 32 == 0 && b < 240) {
    const int ways = 2 * (level / 3) + 4;
    BulletPattern& p = BulletPatternAt(fx, fy, 8, 10800, 28);
    p.ways = ways;
    p.spread = 10800 / ways;
    p.spin = 300;
    p.muzzleSprite = 0;
    FireBulletPattern();
    PlaySe(23);
    SetActorField(kBoss17Flash, actor, 12);
    SpawnParticleRing(fx, fy, kBossEffectLayer, kSparkSprite, 32, 800);
  }
  if (s.t % 32 == 16) TurnRingBullets();
}

// A pod's firing point, or false when the pod is missing or its point lies off the screen's rows.
bool PodPoint(int actor, const EnemyFrame& s, int j, int* py) {
  *py = s.y + (2 * j - 1) * 136;
  return GetChildActor(actor, j) > 0;
}

// The pod half: aimed fans above level 9, two streams from the hull, and the pods' volley at b =
// 24, where each missing pod raises the boss's own level.
void Boss17PodHalf(int actor, const EnemyFrame& s, int level, int b) {
  if (level > 9 && s.t % 40 == 0) {
    BulletPattern& p = BulletPatternAt(s.x, s.y, 0, GetAngleToPlayer(s.x, s.y), 32);
    p.ways = 7;
    p.spread = 1200;
    FireBulletPattern();
    PlaySe(15);
  }
  if (b >= 32) {
    const int fx = s.x - 80, fy = s.y - 80;
    const int every = level > 10 ? 4 : 8;
    if (s.t % every == 0 && b < 124 - 4 * level) {
      BulletPattern& p = BulletPatternAt(fx, fy, 28, 10800, 48);
      if (level >= 5) {
        p.speed = 28;
        p.ways = 3;
        p.spread = 1800;
      }
      FireBulletPattern();
      p.y = WrapAdd(fy, 160);
      FireBulletPattern();
      PlaySe(13);
    }
    return;
  }
  if (b == 0) {
    for (int j = 0; j < 2; ++j) {
      int py;
      if (PodPoint(actor, s, j, &py)) SpawnParticleRing(s.x, py, kBossEffectLayer, kSparkSprite, 32, 800);
    }
    PlaySe(20);
  }
  if (b < 8) AddActorField(kBoss17Charge, actor, 8);
  if (b == 24) {
    const int round = s.t / 256;
    int missing = 0;
    for (int j = 0; j < 2; ++j) {
      int py;
      if (!PodPoint(actor, s, j, &py) || py < 40 || py > 439) {
        ++missing;
        continue;
      }
      BulletPattern& p = BulletPatternAt(s.x, py, 30, GetAngleToPlayer(s.x, py), 60);
      p.rows = level / 2 + 3;
      if (level > 5) {
        p.ways = round;
        p.spread = 600;
        if (round % 2 == 0) p.type = 31;
      }
      FireBulletPattern();
    }
    for (int i = 0; i < missing; ++i) {
      if (level < kMaxLevel) ++level;
    }
    SetActorField(kBoss17Level, actor, level);
    PlaySe(16);
  }
}

}  // namespace

// Boss 16: spawned on layer 1 behind the playfield; shows itself from frame 50, grows and comes
// forward at 90, eases to (560, 240) and can be hit from 180.
void EnemyBehaviour16(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  const int t = s.t;
  if (t == 56 || t == 64 || t == 72) SetActorField(kBoss16Front, actor, (t - 56) / 8);
  if (t == 90) {
    SetActorField(kFieldLayer, actor, 8);
    PlaySe(27);
    AddActorCommandArg(actor, kCmdAddScale, 0, 44, 10);
    AddActorCommandArg(actor, kCmdAddScale, 45, 44, -10);
    AddActorCommandArg(actor, kCmdSetScale, 90, 0, 1000);
  }
  if (t >= 90 && t < 180) {
    int x = (15 * s.x + 560) / 16;
    if (x < 560) ++x;
    int y = (15 * s.y + 240) / 16;
    if (y < 240) ++y;
    SetActorPos(x, y, actor);
  }
  if (t < 180) return;
  if (t == 180) {
    PlaySe(20);
    OrActorField(kFieldFlags, actor, kEnemyTargetable);
  }
  const int u = t % 360;
  if (u >= 180) {
    Boss16PodHalf(actor, s);
  } else {
    Boss16OpenHalf(actor, s, u);
  }
  ChangeBossFormOnTimeout(actor);
}

// Boss 17: a timed boss (the phase timer restarts at its arrival) whose level is its own.
void EnemyBehaviour17(int actor) {
  const EnemyFrame s = BeginEnemyFrame(actor);
  const int t = s.t;
  if (t == 0) {
    SetActorField(kBoss17Level, actor, s.level);
    PlaySe(24);
  }
  const int level = GetActorField(kBoss17Level, actor);
  if (t == 120) {
    OrActorField(kFieldFlags, actor, kEnemyTargetable);
    PlaySe(20);
  }
  const int b = t % 256;
  for (int j = 0; j < 2; ++j) {
    const int side = 2 * j - 1;
    const int pod = GetChildActor(actor, j);
    if (pod > 0) {
      if (b > 127) SetActorPos(s.x, s.y + 128 * side, pod);
    } else if (b == 96) {
      const int p = SpawnEnemy(s.x, s.y + 96 * side, kFormPodLayer, kIdFormPod);
      if (p > 0) {
        SetActorField(kFieldSprite, p, kFormPodSprite);
        SetActorField(kPodIndexField, p, side);
        LinkChildActor(p, actor, j);
        SetActorField(kFieldRotation, p, 10800 + 5400 * side);
        SetActorField(kFieldVy, p, 256 * side);
        AddActorCommand(p, kCmdSetVelocity, 32, 0, 0, 0);
      }
      PlaySe(28);
      AddActorField(kBoss17PodsLaunched, actor, 1);
    }
  }
  if (t >= 128) {
    if (GetActorField(kBoss17Flash, actor) > 0) AddActorField(kBoss17Flash, actor, -1);
    if (b >= 128) {
      Boss17SweepHalf(actor, s, level, b);
    } else {
      Boss17PodHalf(actor, s, level, b);
    }
    if (t % 8 == 0 && GetPlayerActor() > 0 && GetPlayerField(kFieldX) > 480) {
      for (int j = 0; j < 2; ++j) {
        int py;
        if (!PodPoint(actor, s, j, &py)) continue;
        BulletPatternAt(s.x, py, 31, GetAngleToPlayer(s.x, py), 48);
        FireBulletPattern();
      }
      PlaySe(13);
    }
  }
}
