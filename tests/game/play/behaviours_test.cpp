// The ordinary enemies' behaviours: the patterns each fires at chosen ages and levels (as the
// pattern block stood at every FireBulletPattern), how each moves, launches and hits.
#include <cmath>
#include <string>
#include <vector>

#include "enemy_fixture.h"

namespace {

using Behaviours = EnemyScene;
using Lines = std::vector<std::string>;

// trunc(float(sin(float(n) x pi / d)) x f), written out apart from the code under test.
int Sin(int n, float d, int f) {
  const float r = static_cast<float>(n) * 3.1415927f / d;
  return static_cast<int>(static_cast<float>(std::sin(static_cast<double>(r)) * f));
}
int Cos(int n, float d, int f) {
  const float r = static_cast<float>(n) * 3.1415927f / d;
  return static_cast<int>(static_cast<float>(std::cos(static_cast<double>(r)) * f));
}

// Patterns fired by an actor between two ages (inclusive).
Lines Between(int actor, int from, int to) {
  Lines out;
  for (const FiredPattern& f : g_fired) {
    if (f.actor == actor && f.t >= from && f.t <= to) out.push_back(Describe(f));
  }
  return out;
}

void Demonic() {
  SetGameVar(kVarDifficulty, kDemonic);
  SetGameVar(kVarBulletFloor, 9);
}

TEST_F(Behaviours, FighterFiresAtFiftyAndFromLevelSevenAgainAt96) {
  auto run = [](int level, int variant, int frames = 100) {
    Level(level);
    for (int b : EnemyScene::BulletActors()) DeleteActor(b);
    const int e = EnemyScene::Still(2, 400, 200);
    SetActorField(kFieldVariant, e, variant);
    g_fired.clear();
    Frames(frames);
    return FiredBy(e);
  };
  EXPECT_EQ(run(4, 0), (Lines{"t50 16/10800/48 r3"}));
  // From level 5 along the heading it has turned toward the player.
  EXPECT_EQ(run(7, 0), (Lines{"t50 16/aim/28 r4", "t96 16/aim/28 r4"}));
  EXPECT_EQ(run(11, 0), (Lines{"t4 9/10800/24 w4 s1800", "t50 16/aim/28 r6", "t96 17/aim/12 w-16 s600"}));
  EXPECT_EQ(run(4, 3), (Lines{"t50 9/10800/32 w-16 s1200"}));
  EXPECT_EQ(run(7, 3), (Lines{"t50 9/aim/32 w-16 s1200", "t96 9/aim/32 w-16 s1200"}));
  EXPECT_EQ(run(11, 1), (Lines{"t4 9/10800/24 w4 s1800"}));
  // The character menu's sample enemy turns firing on for itself.
  SetBulletsEnabled(0);
  EXPECT_EQ(run(4, 16), (Lines{"t50 9/10800/40 w2 s1800 r3 @0,-12"}));
  EXPECT_TRUE(g_fired.back().enabled);
  EXPECT_EQ(BulletActors().size(), 6u);
  SetGameVar(kVarArea, 1);
  EXPECT_EQ(run(4, 0, 51), (Lines{"t50 17/10800/48 r3"}));
}

TEST_F(Behaviours, GunShipIsArmedAtItsWavesMomentBreaksAtEightyDamageAndLeavesAtFourKills) {
  Demonic();
  Level(11);
  SetGameVar(kVarWaveLeader, 0x30000003);
  const int e = Still(3, 500, 200);   // field 64 = 0: armed from age 100
  Frames(100);
  EXPECT_TRUE(FiredBy(e).empty());
  EXPECT_FALSE(Flags(e) & kEnemyTargetable);
  Frame();
  EXPECT_TRUE(Flags(e) & kEnemyTargetable);
  Frames(30);
  EXPECT_EQ(Between(e, 101, 130),
            (Lines{"t104 0/10800/40 @0,16 L25", "t120 16/10800/48 @0,16", "t120 5/10800/32 w2 s900",
                   "t120 16/10800/48 @0,30", "t120 16/10800/48 @0,45", "t120 16/10800/48 @0,60",
                   "t120 16/10800/48 @0,75", "t120 16/10800/48 @0,90", "t120 16/10800/48 @0,105",
                   "t120 16/10800/48 @0,120", "t122 16/10800/48 @0,16", "t124 16/10800/48 @0,16",
                   "t126 16/10800/48 @0,16", "t128 16/10800/48 @0,16", "t130 16/10800/48 @0,16"}));
  // 80 damage: a kill for the wave, then it flies on with its light pattern only.
  SetActorHp(e, 19919);
  Frames(20);
  EXPECT_TRUE(Alive(e));
  EXPECT_EQ(GetGameVar(kVarWaveKills), 1);
  EXPECT_EQ(GetGameVar(kVarKills), 1);
  EXPECT_FALSE(Flags(e) & kEnemyTargetable);
  EXPECT_EQ(Between(e, 131, 150),
            (Lines{"t131 24/aim/28 w2 s600 r6 spin300", "t132 16/10800/48 @0,16", "t134 16/10800/48 @0,16", "t136 16/10800/48 @0,16",
                   "t138 16/10800/48 @0,16", "t140 16/10800/48 @0,16", "t142 16/10800/48 @0,16",
                   "t144 16/10800/48 @0,16", "t146 16/10800/48 @0,16", "t148 16/10800/48 @0,16",
                   "t150 16/10800/48 @0,16"}));
  // The wave's fourth kill sends it off to the right, without a routine.
  SetGameVar(kVarWaveKills, 4);
  Frame();
  EXPECT_EQ(F(e, kFieldKind), kKindEnemy | 22);
  Frames(14);
  EXPECT_TRUE(Alive(e));
  EXPECT_EQ(F(e, kFieldVx), 15 * 64);
  Frame();
  EXPECT_FALSE(Alive(e));
  // At level 10 its heavy volley rounds to no ways at all.
  Level(10);
  SetGameVar(kVarWaveKills, 0);
  const int ten = Still(3, 500, 200);
  Frames(121);
  EXPECT_EQ(Between(ten, 120, 120).size(), 9u);
  EXPECT_EQ(Between(ten, 120, 120)[1], "t120 5/10800/32 w0 s900");
}

TEST_F(Behaviours, GunboatBrakesFiresItsFanAtEightyAndWeavesFromLevelSix) {
  Level(6);
  const int e = Still(4, 500, 240);
  Frame();
  EXPECT_EQ(F(e, kFieldVx), -1984);
  Frames(64);
  EXPECT_EQ(F(e, kFieldScratch0), 47);   // set to 48 at 64, and its draw counts it down
  Frames(30);
  const Lines fired = FiredBy(e);
  ASSERT_GE(fired.size(), 5u);
  EXPECT_EQ(fired[0], "t80 8/aim/64 w3 s1800 r3 @-96,-20");
  EXPECT_EQ(fired[1], "t91 0/" + std::to_string(Sin(91, 24.0f, 600)) + "/32 @16,0");
  EXPECT_EQ(fired[4], "t94 0/" + std::to_string(Sin(94, 24.0f, 600)) + "/32 @16,0");
  Frames(17);   // age 111: the brake turns into a push left
  EXPECT_EQ(F(e, kFieldVx), -256);
  Frame();
  EXPECT_EQ(F(e, kFieldVx), -448);
  Level(4);
  const int four = Still(4, 500, 240);
  Frames(100);
  EXPECT_EQ(FiredBy(four), (Lines{"t80 8/10800/64 w3 s1800 r3 @-96,-20"}));
}

TEST_F(Behaviours, BeamCannonTurnsChargesAndHoldsItsBeamFromSixtyToNinety) {
  Level(10);
  SetGameVar(kVarInvulnerable, 1 << 20);
  const int e = Still(5, 500, 200);
  Frames(91);
  const int aim = AngleBetween(500, 200, 100, 400);
  int dx0, dy0, dx, dy;
  PolarToXY(&dx0, &dy0, 600, 16);   // after its first turn of 600
  PolarToXY(&dx, &dy, aim, 16);
  const std::string at0 = " @" + std::to_string(dx0) + "," + std::to_string(dy0);
  const std::string at = " @" + std::to_string(dx) + "," + std::to_string(dy);
  EXPECT_EQ(FiredBy(e), (Lines{"t0 9/aim/24 w12 s1200" + at0, "t35 9/aim/24 w12 s1200" + at,
                               "t70 9/aim/24 w12 s1200" + at}));
  EXPECT_EQ(F(e, kFieldRotation), aim);
  // The beam was let go at 90 and died with its link.
  EXPECT_TRUE(OfKind(kKindEnemy | 6).empty());
}

TEST_F(Behaviours, TheBeamGrowsTwoPointsAFrameAndStopsAtThePlayerHittingItEachFrame) {
  SetPlayerActor(0);
  MakePlayer(300, 240);
  const int e = Still(5, 500, 240);   // below level 8 it turns to 10800
  Frames(60);
  EXPECT_EQ(F(e, kFieldRotation), 10800);
  EXPECT_EQ(GetGameVar(kVarTimesHit), 0);
  std::vector<int> lengths;
  int hits = 0;
  for (int i = 0; i < 8; ++i) {
    Frame();
    const std::vector<int> beams = OfKind(kKindEnemy | 6);
    ASSERT_EQ(beams.size(), 1u);
    EXPECT_EQ(GetChildActor(e, 0), beams[0]);
    EXPECT_EQ(F(beams[0], kFieldX), 484);   // held at the muzzle
    EXPECT_EQ(F(beams[0], kFieldHeading), 10800);
    lengths.push_back(F(beams[0], kFieldScratch0));
    hits = GetGameVar(kVarTimesHit);
    // Unprotected again for the next frame, and back in place.
    RemoveActorCommandsOf(GetPlayerActor());
    SetActorPosVel(300, 240, 0, 0, GetPlayerActor());
    SetGameVar(kVarInvulnerable, 0);
    SetGameVar(kVarHitTimer, 0);
  }
  // Made behind its cannon in the walk, the beam first runs a frame later. Points 16 pixels
  // apart from x 484: the eleventh (x 324) lies within reach of the player at 300.
  EXPECT_EQ(lengths, (std::vector<int>{0, 2, 4, 6, 8, 10, 10, 10}));
  EXPECT_EQ(hits, 2);
  // Protected, the player still cuts the beam but is not hit.
  SetGameVar(kVarInvulnerable, 100);
  Frame();
  EXPECT_EQ(GetGameVar(kVarTimesHit), 2);
  EXPECT_EQ(F(OfKind(kKindEnemy | 6)[0], kFieldScratch0), 10);
}

TEST_F(Behaviours, MissileFiresOnceOnEnteringTrailsAndRamsFromLevelFour) {
  auto run = [](int level) {
    Level(level);
    const int m = EnemyScene::Still(9, 700, 200);
    SetActorField(kFieldVx, m, -256 * level);
    Frames(40);
    return FiredBy(m);
  };
  const Lines nine = run(9);
  ASSERT_EQ(nine.size(), 1u);
  EXPECT_EQ(nine[0].substr(nine[0].find(' ')), " 9/aim/18 w4 s2700");
  const Lines eleven = run(11);
  ASSERT_EQ(eleven.size(), 1u);
  EXPECT_EQ(eleven[0].substr(eleven[0].find(' ')), " 9/aim/18 w5 s2700");
  EXPECT_TRUE(run(8).empty());
  // At the phase end it spins instead of pushing on.
  Level(4);
  const int spin = Still(9, 500, 200);
  SetGameVar(kVarPhaseTimer, 2400);
  SetGameVar(kVarTimeLeft, 0);
  Frame();
  EXPECT_EQ(F(spin, kFieldRotation), 300);
  SetGameVar(kVarPhaseTimer, 100);
  // Rams: dies on the player and hits it.
  const int ram = Still(9, 110, 400);
  Frame();
  EXPECT_FALSE(Alive(ram));
  EXPECT_EQ(GetGameVar(kVarTimesHit), 1);
  SetGameVar(kVarInvulnerable, 0);
  SetGameVar(kVarHitTimer, 0);
  Level(3);
  const int soft = Still(9, 110, 400);
  Frame();
  EXPECT_TRUE(Alive(soft));
}

TEST_F(Behaviours, DroneHomesBetweenItsFramesAndBurstsOnThePlayer) {
  const int d = Still(11, 400, 100);
  SetActorVelocityPolar(d, 0, 1000, 1);
  SetActorField(kFieldScratch0, d, 10);
  SetActorField(kFieldScratch0 + 1, d, 80);
  Frames(10);
  EXPECT_EQ(F(d, kFieldHeading), 0);
  std::vector<int> headings;
  for (int i = 0; i < 3; ++i) {
    Frame();
    headings.push_back(F(d, kFieldHeading));
    int vx, vy;
    PolarToXY(&vx, &vy, F(d, kFieldHeading), 1000);
    EXPECT_EQ(F(d, kFieldVx), vx);
    EXPECT_EQ(F(d, kFieldRotation), F(d, kFieldHeading));
  }
  EXPECT_EQ(headings, (std::vector<int>{180, 360, 540}));
  EXPECT_TRUE(Flags(d) & kEnemyTurnsToPlayer);
  Frames(68);   // age 80: homing ends
  EXPECT_FALSE(Flags(d) & kEnemyTurnsToPlayer);
  EXPECT_TRUE(Flags(d) & kFlagOffPlayfieldDies);
  // A trail of debris every two frames, 32 pixels behind it.
  int debris = 0;
  for (int a : OfKind(kKindEffect)) debris += F(a, kFieldSprite) == 780;
  EXPECT_EQ(debris, 16);   // those of ages 50 to 80: each lasts 32 frames
  const int near = Still(11, 104, 400);
  Frame();
  EXPECT_FALSE(Alive(near));
  EXPECT_EQ(GetGameVar(kVarTimesHit), 1);
}

TEST_F(Behaviours, BomberDropsShellsByLevelInTheOrderOfItsDraws) {
  static std::vector<int> asked;
  asked.clear();
  g_Engine.GetRandomUpToLocked = [](int n) {
    asked.push_back(n);
    return n / 2;
  };
  Level(6);
  const int e = Still(14, 500, 200);
  Frame();
  EXPECT_EQ(F(e, kFieldRotation), 41472);
  EXPECT_EQ(F(e, kFieldSpin), -3072);   // the spin follows vx
  Frames(32);
  // Age 32: heading 10500 + 300, offset 4 + 16, then the casing's heading and speed.
  EXPECT_EQ(FiredBy(e), (Lines{"t32 8/10800/32 @-84,20"}));
  ASSERT_GE(asked.size(), 4u);
  EXPECT_EQ(std::vector<int>(asked.begin(), asked.begin() + 4), (std::vector<int>{600, 32, 1800, 1200}));
  Frames(60);
  EXPECT_EQ(FiredBy(e).size(), 15u);   // ages 32 to 88, every 4 frames
  EXPECT_EQ(FiredBy(e).back(), "t88 8/10800/88 @-84,20");
  ResetEngineEntries();
  Level(4);
  const int low = Still(14, 500, 200);
  Frames(100);
  EXPECT_EQ(FiredBy(low), (Lines{"t60 0/10800/64 @-84,22", "t64 8/10800/64 @-84,22", "t68 8/10800/64 @-84,22",
                                 "t72 8/10800/64 @-84,22", "t76 8/10800/64 @-84,22"}));
  Level(10);
  const int high = Still(14, 500, 200);
  Frame();
  EXPECT_EQ(FiredBy(high), (Lines{"t0 29/aim/24 w4 s1800 @40,24"}));
  // Stopped from frame 20, it leaves from 120 at +256 a frame and is gone past 720.
  Frames(20);
  EXPECT_EQ(F(high, kFieldVx), 0);
}

TEST_F(Behaviours, PodsCircleTheirParentFireOnTheirBeatAndFlyOffWhenItIsGone) {
  Level(8);
  const int parent = Still(22, 320, 240);
  auto pod = [&](int i, int slot) {
    const int p = EnemyScene::Still(18, 320, 240);
    SetActorField(kFieldScratch0, p, i);
    LinkChildActor(p, parent, slot);
    return p;
  };
  const int inner = pod(0, 0);
  const int outer = pod(7, 1);
  Frames(50);
  int x, y;
  x = 320, y = 240;
  AddPolarToXY(&x, &y, 120 * 49, 49);
  EXPECT_EQ(F(inner, kFieldX), x);
  EXPECT_EQ(F(inner, kFieldY), y);
  x = 320, y = 240;
  AddPolarToXY(&x, &y, -(120 * 49 + 3600 * 7), 98);
  EXPECT_EQ(F(outer, kFieldX), x);
  EXPECT_EQ(F(outer, kFieldY), y);
  Frames(80);
  EXPECT_EQ(FiredBy(inner), (Lines{"t0 0/aim/48", "t48 29/aim/16 w4 s2700"}));
  EXPECT_EQ(FiredBy(outer), (Lines{"t76 0/aim/48", "t124 29/aim/16 w4 s2700"}));
  DeleteActor(parent);
  Frame();
  int vx, vy;
  PolarToXY(&vx, &vy, 120 * 129, 2048);   // the angle of its last frame with the parent
  EXPECT_EQ(F(inner, kFieldVx), vx);
  EXPECT_EQ(F(inner, kFieldVy), vy);
  EXPECT_TRUE(Flags(inner) & kFlagOffPlayfieldDies);
}

TEST_F(Behaviours, EscortWeavesFiresUpAndDownAndIsUnhurtForItsFirstFrames) {
  Level(6);
  const int e = Still(19, 400, 200);
  std::vector<int> vy;
  for (int t = 0; t < 3; ++t) {
    Frame();
    vy.push_back(F(e, kFieldVy));
  }
  EXPECT_EQ(vy, (std::vector<int>{Cos(0, 32, 480), Cos(1, 32, 480), Cos(2, 32, 480)}));
  Frames(21);   // age 24
  EXPECT_EQ(Between(e, 0, 10), (Lines{"t0 29/5400/32", "t0 29/16200/32", "t10 29/5400/32", "t10 29/16200/32"}));
  SetActorField(kFieldHp, e, 0);
  Frame();   // age 24: still restored
  EXPECT_TRUE(Alive(e));
  EXPECT_EQ(F(e, kFieldHp), 12);
  Frame();
  SetActorField(kFieldHp, e, 0);
  Frame();   // age 26: no longer
  EXPECT_FALSE(Alive(e));
  Level(3);
  const int quiet = Still(19, 400, 200);
  Frames(30);
  EXPECT_TRUE(FiredBy(quiet).empty());
}

TEST_F(Behaviours, TurretFacesThePlayerAndFiresByVariantAndLevel) {
  auto run = [](int level, int variant) {
    Level(level);
    const int e = EnemyScene::Still(20, 400, 200);
    SetActorField(kFieldVariant, e, variant);
    Frames(120);
    return FiredBy(e);
  };
  EXPECT_EQ(run(8, 0), (Lines{"t20 29/aim/20 w2 s1800", "t40 0/aim/48", "t70 0/aim/48"}));
  EXPECT_EQ(run(10, 0), (Lines{"t20 29/aim/20 w4 s1800", "t40 0/aim/48", "t70 0/aim/48"}));
  EXPECT_EQ(run(4, 0), (Lines{"t40 0/10800/48"}));
  EXPECT_EQ(run(2, 3), (Lines{"t40 8/aim/48 w9 s2700", "t70 9/aim/48 w8 s2700"}));
  const Lines stream = run(4, 3);
  ASSERT_EQ(stream.size(), 111u - 40u + 1u);
  EXPECT_EQ(stream.front(), "t40 8/" + std::to_string(10800 - 600 * 40) + "/40 nomuzzle");
  EXPECT_EQ(stream.back(), "t111 8/" + std::to_string(10800 - 600 * 111) + "/40 nomuzzle");
  // The sprite mirrors while the player is to its right.
  const int e = Still(20, 400, 200);
  Frame();
  EXPECT_EQ(F(e, kFieldSprite) & kSpriteMirrored, 0);
  SetActorPos(500, 400, GetPlayerActor());
  Frame();
  EXPECT_EQ(F(e, kFieldSprite) & 0xFFFFFF, 0x871);
  EXPECT_NE(F(e, kFieldSprite) & kSpriteMirrored, 0);
}

TEST_F(Behaviours, CarrierLaunchesDronesFiresARecoilingVolleyAndAimedFans) {
  SetGameVar(kVarInvulnerable, 1 << 20);   // its drones reach the player
  Level(8);
  const int e = Still(21, 500, 200);
  Frames(40);
  const std::vector<int> drones = OfKind(kKindEnemy | 11);
  ASSERT_EQ(drones.size(), 10u);
  // Headings ((t / 4) x 5 mod 12) x 600 + 18000 as launched; the first ones home from age 10.
  EXPECT_EQ(F(drones[9], kFieldHeading), 23400);
  EXPECT_EQ(F(drones[8], kFieldHeading), 20400);
  for (int i = 0; i < 10; ++i) {
    const int d = drones[i];
    EXPECT_EQ(F(d, kFieldSpeed), 40 * 2 * 10 + 960);
    EXPECT_EQ(F(d, kFieldLayer), 25);
    EXPECT_EQ(F(d, kFieldScratch0), 10);
    EXPECT_EQ(F(d, kFieldScratch0 + 1), 80);
  }
  Frames(41);
  EXPECT_EQ(FiredBy(e), (Lines{"t80 8/10800/16 w-16 s600 @-80,12"}));
  EXPECT_EQ(F(e, kFieldScratch0), 16);
  EXPECT_EQ(F(e, kFieldScratch0 + 1), 0);
  EXPECT_EQ(F(e, kFieldVx), 1024 - 128);   // the recoil, braked once already
  Frames(16);
  EXPECT_EQ(F(e, kFieldVx), 1024 - 16 * 128);
  EXPECT_EQ(F(e, kFieldScratch0), 0);
  Level(4);
  const int low = Still(21, 500, 200);
  Frames(81);
  EXPECT_EQ(FiredBy(low), (Lines{"t80 0/10800/60 r3 @-80,12"}));
  Level(10);
  const int high = Still(21, 500, 200);
  Frames(31);
  EXPECT_EQ(FiredBy(high), (Lines{"t0 9/aim/24 w4 s1800 @56,32", "t30 9/aim/24 w4 s1800 @56,32"}));
}

TEST_F(Behaviours, SpinnerSpraysBackIntoTheScreenWhenItLeavesAfterFrameTwenty) {
  Level(4);
  const int top = Still(50, 300, -50);
  SetActorField(kFieldVy, top, 256);
  Frames(20);
  EXPECT_TRUE(FiredBy(top).empty());
  Frame();
  EXPECT_EQ(FiredBy(top), (Lines{"t20 28/5400/20 w-6 s9000"}));
  EXPECT_FALSE(Alive(top));
  Level(11);
  const int side = Still(50, 300, 200);
  Frames(21);
  SetActorPos(-5, 200, side);
  Frame();
  EXPECT_EQ(FiredBy(side), (Lines{"t21 28/0/20 w-9 s9000"}));
  const int ram = Still(50, 104, 400);
  Frame();
  EXPECT_FALSE(Alive(ram));
  EXPECT_EQ(GetGameVar(kVarTimesHit), 1);
}

}  // namespace
