// The bosses' behaviours: the patterns each fires at chosen ages and levels, how each moves,
// launches its beams, drones and pods, and the scratch fields its draw routine reads.
#include <cmath>
#include <string>
#include <vector>

#include "enemy_fixture.h"
#include "game/framework/spawn.h"

namespace {

using Lines = std::vector<std::string>;

// trunc(float(sin(float(n) x pi / d)) x f), written out apart from the code under test.
int Sin(int n, float d, int f) {
  const float r = static_cast<float>(n) * 3.1415927f / d;
  return static_cast<int>(static_cast<float>(std::sin(static_cast<double>(r)) * f));
}

Lines Between(int actor, int from, int to) {
  Lines out;
  for (const FiredPattern& f : g_fired) {
    if (f.actor == actor && f.t >= from && f.t <= to) out.push_back(Describe(f));
  }
  return out;
}

// Patterns an actor fired at one age.
std::vector<FiredPattern> At(int actor, int t) {
  std::vector<FiredPattern> out;
  for (const FiredPattern& f : g_fired) {
    if (f.actor == actor && f.t == t) out.push_back(f);
  }
  return out;
}

class Bosses : public EnemyScene {
protected:
  void SetUp() override {
    EnemyScene::SetUp();
    SetGameVar(kVarInvulnerable, 1 << 20);   // a hit would lower the level the cases set
  }
  // Every enemy and bullet gone, for the next case.
  static void Clear() {
    for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
      const int group = (GetActorField(kFieldKind, a) >> 28) & 7;
      if (group == 3 || group == 4 || group == 6) DeleteActor(a);
    }
    g_fired.clear();
  }
  // Steps until the actor's update at age t has run.
  static void ToAge(int actor, int t) {
    while (GetActorField(kFieldAge, actor) <= t) Frame();
  }
  static std::vector<int> Children(int actor) {
    std::vector<int> out;
    for (int j = 0; j < 16; ++j) {
      if (GetChildActor(actor, j) > 0) out.push_back(GetChildActor(actor, j));
    }
    return out;
  }
  static bool ItemsBuilt() {
    const int probe = SpawnItem(-100, -100, 0, 0, 1);
    if (probe > 0) DeleteActor(probe);
    return probe > 0;
  }
};

TEST_F(Bosses, CirclingGunsSweepTheirAimTurnBackEverySeventyFramesAndAimFromLevelSeven) {
  Level(4);
  const int e = Still(7, 480, 240);
  ToAge(e, 110);
  // From frame 40 fans from a gun circling 80 pixels out while t mod 70 > 40 - 2L, every fourth
  // frame; the aim sweeps one way until frame 70 and back after it.
  const Lines fans = Between(e, 0, 110);
  ASSERT_EQ(fans.size(), 10u);
  EXPECT_EQ(fans[0], "t40 2/1687/28 w6 s3600 @44,66 nomuzzle");
  EXPECT_EQ(fans[1], "t44 2/1856/28 w6 s3600 @37,70 nomuzzle");
  EXPECT_EQ(fans[7], "t68 2/2868/28 w6 s3600 @-7,79 nomuzzle");
  EXPECT_EQ(fans[8], "t104 2/17213/28 w6 s3600 @-66,-44 nomuzzle");
  EXPECT_EQ(fans[9], "t108 2/17044/28 w6 s3600 @-70,-37 nomuzzle");
  EXPECT_EQ(F(e, kFieldScratch0), 0);   // flipped at 0 and at 70
  EXPECT_EQ(F(e, kFieldScratch0 + 1), 111 * 180);
  EXPECT_EQ(F(e, kFieldScratch0 + 3), 0);

  Clear();
  Level(7);
  const int seven = Still(7, 480, 240);
  ToAge(seven, 100);
  Lines aimed;
  for (const std::string& s : FiredBy(seven)) {
    if (s.find(" 28/") != std::string::npos) aimed.push_back(s);
  }
  EXPECT_EQ(aimed, (Lines{"t64 28/aim/24 w13 s1661 nomuzzle", "t96 28/aim/24 w13 s1661 nomuzzle"}));
}

TEST_F(Bosses, CirclingGunsChargeAndFireThreeBeamsAboveLevelNine) {
  Level(10);
  const int e = Still(7, 480, 240);
  ToAge(e, 127);
  EXPECT_TRUE(Children(e).empty());   // the first cycle's beams would come before frame 40
  EXPECT_EQ(F(e, kFieldScratch0 + 1), 40 * 180 + 68 * 180);   // held from 40 while m < 60
  ToAge(e, 128);
  EXPECT_EQ(F(e, kFieldScratch0 + 2), 1);
  EXPECT_EQ(F(e, kFieldScratch0 + 3), 2);   // the glow starts at 2
  ToAge(e, 157);
  EXPECT_EQ(F(e, kFieldScratch0 + 2), 30);
  EXPECT_EQ(F(e, kFieldScratch0 + 3), 31);
  ToAge(e, 158);
  EXPECT_EQ(F(e, kFieldScratch0 + 3), 0);
  const std::vector<int> beams = Children(e);
  ASSERT_EQ(beams.size(), 3u);
  const int headings[] = {19440, 26640, 33840};
  const int offsets[][2] = {{64, -47}, {8, 79}, {-73, -32}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(GetChildActor(e, i), beams[i]);
    EXPECT_EQ(F(beams[i], kFieldKind), kKindEnemy | 6);
    EXPECT_EQ(F(beams[i], kFieldHeading), headings[i]);
    EXPECT_EQ(F(beams[i], kFieldLayer), 26);
    EXPECT_EQ(F(beams[i], kFieldX), 480 + offsets[i][0]);
    EXPECT_EQ(F(beams[i], kFieldY), 240 + offsets[i][1]);
  }
  ToAge(e, 177);
  EXPECT_EQ(Children(e).size(), 3u);
  EXPECT_EQ(F(e, kFieldScratch0 + 1), 19440);   // still held for the beams
  ToAge(e, 178);
  EXPECT_TRUE(Children(e).empty());
  EXPECT_EQ(F(e, kFieldScratch0 + 2), 0);
  Frame();
  for (int b : beams) EXPECT_FALSE(Alive(b));   // a beam without its parent ends

  // At level 9 nothing charges.
  Level(9);
  const int nine = Still(7, 480, 240);
  ToAge(nine, 200);
  EXPECT_TRUE(Children(nine).empty());
  EXPECT_EQ(F(nine, kFieldScratch0 + 3), 0);
}

TEST_F(Bosses, FanPlatformAlternatesWideFansWithTurningRowsAndAimsAboveLevelNine) {
  Level(4);
  const int e = Still(8, 480, 240);
  ToAge(e, 100);
  EXPECT_EQ(FiredBy(e), (Lines{"t39 0/3600/24 w34 s300 nomuzzle", "t46 16/1200/23 w8 s2700 r3 L25",
                               "t78 0/-3600/24 w34 s300 nomuzzle", "t92 16/2400/23 w8 s2700 r3 L25"}));
  EXPECT_EQ(F(e, kFieldScratch0), 70 * 120);
  int sway = 0;
  for (int t = 0; t <= 100; ++t) sway += Sin(t, 96.0f, 300);
  EXPECT_EQ(F(e, kFieldScratch0 + 1), sway);

  Clear();
  Level(11);
  const int eleven = Still(8, 480, 240);
  ToAge(eleven, 96);
  EXPECT_EQ(FiredBy(eleven),
            (Lines{"t32 16/1200/16 w8 s2700 r5 L25", "t39 0/3600/24 w41 s300 nomuzzle", "t48 8/aim/28 w4 s600 L26",
                   "t64 16/2400/16 w8 s2700 r5 L25", "t72 8/aim/28 w5 s600 L26", "t78 0/-3600/24 w41 s300 nomuzzle",
                   "t96 16/3600/16 w8 s2700 r5 L25", "t96 8/aim/28 w4 s600 L26"}));
  Level(27);   // the period 54 - 2L is 0 at 27: every frame, still rows and no division by zero
  const int e27 = Still(8, 480, 240);
  ToAge(e27, 32);
  EXPECT_EQ(Between(e27, 0, 32), (Lines{"t31 16/0/0 w8 s2700 r11 L25", "t32 16/1200/0 w8 s2700 r11 L25"}));
  Level(28);   // the period 54 - 2L turns negative above 27 and still counts: every second frame
  const int e28 = Still(8, 480, 240);
  ToAge(e28, 35);
  EXPECT_EQ(Between(e28, 0, 35), (Lines{"t32 16/1200/-1 w8 s2700 r11 L25", "t34 16/1200/-1 w8 s2700 r11 L25"}));
}

TEST_F(Bosses, MotherShipBobsBecomesATargetAtOneTwentyAndLaunchesHomingDrones) {
  Level(6);
  const int e = Still(10, 480, 240);
  Frame();
  EXPECT_EQ(F(e, kFieldVy), 480);   // (L + 6) x 40 x cos 0
  ToAge(e, 119);
  EXPECT_FALSE(Flags(e) & kEnemyTargetable);
  EXPECT_TRUE(OfKind(kKindEnemy | 11).empty());
  EXPECT_TRUE(FiredBy(e).empty());
  ToAge(e, 120);
  EXPECT_TRUE(Flags(e) & kEnemyTargetable);
  EXPECT_EQ(F(e, kFieldVy), -480);
  EXPECT_EQ(FiredBy(e), (Lines{"t120 16/12600/32 r5 @-48,-16", "t120 16/9000/32 r5 @-48,64"}));
  ToAge(e, 150);
  int bx, by;
  GetActorPos(&bx, &by, e);
  const std::vector<int> drones = OfKind(kKindEnemy | 11);
  ASSERT_EQ(drones.size(), 3u);
  for (int d : drones) {
    EXPECT_EQ(F(d, kFieldLayer), 25);
    EXPECT_EQ(F(d, kFieldScratch0), 4);     // homing from frame 10 - L
    EXPECT_EQ(F(d, kFieldScratch0 + 1), 104);   // to 4L + 80
    const int h = F(d, kFieldHeading);
    EXPECT_GE(h, -3600);
    EXPECT_LE(h, 3600);
    EXPECT_EQ(F(d, kFieldRotation), h);
    EXPECT_EQ(F(d, kFieldSpeed), ScaleBulletSpeedPlus(48));
    int ox, oy;
    PolarToXY(&ox, &oy, h, 32);
    // Placed from where the ship stood before it moved this frame.
    EXPECT_EQ(F(d, kFieldX) - ox - 48, bx - (F(e, kFieldVx) >> 8));
  }
  // The drones home only inside their window.
  const int d = drones[0];
  while (F(d, kFieldAge) < 4) Frame();
  EXPECT_FALSE(Flags(d) & kEnemyTurnsToPlayer);
  Frame();
  EXPECT_TRUE(Flags(d) & kEnemyTurnsToPlayer);

  // Below level 5 one triple fan every 120 frames; above 9 aimed fans every 32 and four drones.
  Clear();
  Level(4);
  const int four = Still(10, 480, 240);
  ToAge(four, 200);
  EXPECT_EQ(FiredBy(four), (Lines{"t180 16/10800/32 w3 s3600 r3 @-48,0"}));
  Clear();
  Level(11);
  const int eleven = Still(10, 480, 240);
  const size_t before = OfKind(kKindEnemy | 11).size();
  ToAge(eleven, 160);
  EXPECT_EQ(FiredBy(eleven), (Lines{"t128 8/aim/24 w5 s900 @-64,0", "t160 8/aim/24 w6 s900 @-64,0"}));
  const std::vector<int> after = OfKind(kKindEnemy | 11);
  ASSERT_EQ(after.size() - before, 4u);
  EXPECT_EQ(F(after.back(), kFieldScratch0), 2);
  EXPECT_EQ(F(after.back(), kFieldScratch0 + 1), 124);
}

TEST_F(Bosses, RingGunshipBrakesBouncesAndFiresPairsOfRingsWhileItHoldsStill) {
  Level(4);
  const int e = Still(12, 720, 120);
  SetActorField(kFieldVx, e, -4096);   // as its wave sends it in
  int lowest = 1000, highest = -1000;
  for (int t = 0; t <= 480; ++t) {
    Frame();
    if (t == 39) {
      EXPECT_EQ(F(e, kFieldVx), 0) << "braked to a stop";
    }
    if (t >= 41) {
      EXPECT_EQ(F(e, kFieldVx), GetWobble16((t % 256) / 16) * 256) << t;
    }
    EXPECT_EQ(F(e, kFieldScratch0 + 4), t >= 41 && t % 120 >= 30 ? 1 : 0) << t;
    if (t % 120 >= 30) {
      EXPECT_EQ(F(e, kFieldVy), 0) << t;
    }
    if (t % 120 < 30) {
      EXPECT_EQ(F(e, kFieldVy), F(e, kFieldScratch0)) << t;
    }
    const int vy = F(e, kFieldScratch0);
    EXPECT_LE(vy, 1536);
    EXPECT_GE(vy, -1536);
    if (t > 40) {
      lowest = std::min(lowest, F(e, kFieldY));
      highest = std::max(highest, F(e, kFieldY));
    }
  }
  EXPECT_GT(lowest, 60);
  EXPECT_LT(highest, 420);
  EXPECT_EQ(Between(e, 0, 160),
            (Lines{"t60 13/0/24 w6 s3600 @-48,-16", "t60 12/1800/24 w6 s3600 @-48,-16",
                   "t108 13/2820/24 w6 s3600 @-48,-16", "t108 12/4620/24 w6 s3600 @-48,-16",
                   "t156 13/5640/24 w6 s3600 @-48,-16", "t156 12/7440/24 w6 s3600 @-48,-16"}));
  EXPECT_TRUE(Between(e, 240, 299).empty());   // 252 falls in the bounce

  Clear();
  Level(3);
  const int three = Still(12, 560, 240);
  ToAge(three, 110);
  EXPECT_EQ(FiredBy(three), (Lines{"t60 13/0/24 w3 s7200 @-48,-16", "t60 12/3600/24 w3 s7200 @-48,-16",
                                   "t108 13/4620/24 w3 s7200 @-48,-16", "t108 12/8220/24 w3 s7200 @-48,-16"}));
  Clear();
  Level(11);
  const int eleven = Still(12, 560, 240);
  ToAge(eleven, 90);
  EXPECT_EQ(FiredBy(eleven),
            (Lines{"t48 0/aim/20 w12 s1800 @-48,-16", "t60 13/0/24 w6 s3600 @-48,-16", "t60 12/1800/24 w6 s3600 @-48,-16",
                   "t64 0/aim/20 w12 s1800 @-48,-16", "t80 0/aim/20 w12 s1800 @-48,-16",
                   "t84 13/2820/24 w6 s3600 @-48,-16", "t84 12/4620/24 w6 s3600 @-48,-16"}));
}

TEST_F(Bosses, RingGunshipChargesOnlyBelowLOverTwentyOfItsHitPointsAndFromLevelFive) {
  Level(11);
  const int e = Still(12, 560, 240);
  ASSERT_EQ(F(e, kFieldHpMax), 1080);
  SetActorField(kFieldHp, e, 594);   // exactly 11/20 of the maximum: not below
  ToAge(e, 239);
  EXPECT_EQ(F(e, kFieldScratch0 + 2), 0);
  SetActorField(kFieldHp, e, 593);
  ToAge(e, 240);
  EXPECT_EQ(F(e, kFieldScratch0 + 2), 2);
  ToAge(e, 283);
  EXPECT_EQ(F(e, kFieldScratch0 + 2), 45);
  ToAge(e, 284);
  EXPECT_EQ(F(e, kFieldScratch0 + 2), 0);
  Lines heavy;
  for (const std::string& s : Between(e, 240, 284)) {
    if (s.find(" r12") != std::string::npos) heavy.push_back(s);
  }
  EXPECT_EQ(heavy, (Lines{"t269 0/aim/64 r12 @-48,-16"}));
  // 45 frames of four charging particles and one ring of 64.
  ToAge(e, 359);
  EXPECT_EQ(F(e, kFieldScratch0 + 2), 0);
  ToAge(e, 360);
  EXPECT_EQ(F(e, kFieldScratch0 + 2), 2);   // and again every 120 frames

  Level(4);
  const int four = Still(12, 560, 240);
  SetActorField(kFieldHp, four, 1);
  ToAge(four, 400);
  EXPECT_EQ(F(four, kFieldScratch0 + 2), 0);
}

TEST_F(Bosses, OrbitingGunsCloseInFromFourEightyToTheirLevelsRadius) {
  // Each gun is drawn where it fires, as a list entry with a random scale.
  {
    g_fired.clear();
    Level(4);
    const int e = Still(13, 560, 240);
    ResetDrawList();
    const uint64_t draws = GameRandomDrawCount();
    Frame();
    std::vector<FiredPattern> guns = At(e, 0);
    ASSERT_EQ(guns.size(), 4u);
    int glows = 0;
    for (int i = kDrawSubLayerCount; i < DrawEntriesUsed(); ++i) {
      const DrawEntry& d = g_DrawEntries[i];
      if (d.sprite != 0x2000600u) continue;
      EXPECT_EQ(d.x, guns[glows].p.x);
      EXPECT_EQ(d.y, guns[glows].p.y);
      EXPECT_EQ(d.type, kDrawRot);
      EXPECT_GE(d.scale, 1000);
      EXPECT_LE(d.scale, 2000);
      ++glows;
    }
    EXPECT_EQ(glows, 4);
    EXPECT_EQ(GameRandomDrawCount() - draws, 5u);   // the climb at frame 0, then one scale a gun
    DeleteActor(e);
  }

  auto radius = [](const FiredPattern& f) {
    const double dx = f.p.x - 320, dy = (f.p.y - 240) * 4.0 / 3.0;
    return std::sqrt(dx * dx + dy * dy);
  };
  for (int level : {4, 11}) {
    Clear();
    Level(level);
    const int e = Still(13, 560, 240);
    const int final = 320 - 8 * level;
    const int reach = (160 + 8 * level) / 2;
    ToAge(e, reach + 10);
    for (int t : {0, 40, reach - 1, reach, reach + 10}) {
      std::vector<FiredPattern> guns;
      for (const FiredPattern& f : At(e, t)) {
        if (f.p.type != 29) guns.push_back(f);
      }
      ASSERT_EQ(guns.size(), 4u) << t;
      const int a = Sin(t, 192.0f, 21600);
      for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(guns[j].p.type, 8 + (j & 1));
        EXPECT_EQ(guns[j].p.heading, a + 5400 * j);
        EXPECT_EQ(guns[j].p.speed, 12);
        EXPECT_EQ(guns[j].p.muzzleSprite, 0u);
        EXPECT_NEAR(radius(guns[j]), std::max(480 - 2 * t, final), 2.0) << "level " << level << " t " << t;
      }
    }
  }
  // From level 7 the guns right of the centre add aimed fans every 55 frames.
  Clear();
  Level(7);
  const int seven = Still(13, 560, 240);
  ToAge(seven, 55);
  int right = 0;
  for (const FiredPattern& f : At(seven, 55)) right += f.p.type != 29 && f.p.x >= 321;
  int aimed = 0;
  for (const FiredPattern& f : At(seven, 55)) {
    if (f.p.type != 29) continue;
    ++aimed;
    EXPECT_EQ(f.p.ways, 4);
    EXPECT_EQ(f.p.spread, 2700);
    EXPECT_EQ(f.p.speed, 8);
    EXPECT_EQ(f.p.heading, f.aim);
  }
  EXPECT_GT(right, 0);
  EXPECT_EQ(aimed, right);
}

TEST_F(Bosses, OrbitingGunsBossChargesFiresAHeavyColumnWithARecoilAndFollowsWithFans) {
  Level(4);
  const int e = Still(13, 560, 240);
  ToAge(e, 125);
  const int x = F(e, kFieldX);
  EXPECT_EQ(F(e, kFieldScratch0), 0);
  ToAge(e, 126);
  EXPECT_EQ(F(e, kFieldX), x + 48);
  EXPECT_EQ(F(e, kFieldScratch0), 1);
  ToAge(e, 200);
  Lines own;   // all but the guns, which fire without a muzzle flash
  for (const std::string& s : Between(e, 100, 200)) {
    if (s.find("nomuzzle") == std::string::npos) own.push_back(s);
  }
  EXPECT_EQ(own, (Lines{"t126 0/10800/48 r4 @-40,0", "t160 9/10800/32 w2 s1980", "t164 9/10800/32 w2 s1980",
                        "t168 9/10800/32 w2 s1980", "t172 9/10800/32 w2 s1980"}));
  EXPECT_EQ(F(e, kFieldScratch0), 0);
  EXPECT_EQ(F(e, kFieldX), x);   // moved back 3 pixels a frame from 176 to 191
  // It keeps between 120 and 360.
  const int low = Still(13, 560, 100);
  Frame();
  EXPECT_EQ(F(low, kFieldY), 120);
}

TEST_F(Bosses, AreaBossRisesFromBehindOpensAndHoldsItsPodsInTheSecondHalf) {
  Level(4);
  const int e = Still(16, 660, 100);
  SetActorField(kFieldLayer, e, 1);   // as its wave places it
  ToAge(e, 55);
  EXPECT_EQ(F(e, kFieldScratch0), 0);
  for (int t : {56, 64, 72}) {
    ToAge(e, t);
    EXPECT_EQ(F(e, kFieldScratch0), (t - 56) / 8);
  }
  ToAge(e, 89);
  EXPECT_EQ(F(e, kFieldLayer), 1);
  EXPECT_EQ(F(e, kFieldX), 660);
  int largest = 0;
  for (int t = 90; t < 180; ++t) {
    ToAge(e, t);
    largest = std::max(largest, F(e, kFieldScale));
  }
  EXPECT_EQ(largest, 1440);   // +10 a frame from the frame after 90 to 134
  EXPECT_EQ(F(e, kFieldScale), 1000);
  EXPECT_EQ(F(e, kFieldLayer), 8);
  EXPECT_EQ(F(e, kFieldX), 560);
  EXPECT_EQ(F(e, kFieldY), 240);
  EXPECT_FALSE(Flags(e) & kEnemyTargetable);
  ToAge(e, 180);
  EXPECT_TRUE(Flags(e) & kEnemyTargetable);
  EXPECT_TRUE(FiredBy(e).empty());

  ToAge(e, 191);
  EXPECT_TRUE(Children(e).empty());
  ToAge(e, 192);
  const std::vector<int> pods = Children(e);
  ASSERT_EQ(pods.size(), 6u);
  for (int j = 0; j < 6; ++j) {
    EXPECT_EQ(F(pods[j], kFieldKind), kKindEnemy | 18);
    EXPECT_EQ(F(pods[j], kFieldScratch0), 5 - j);
    EXPECT_LT(F(pods[j], kFieldColour) & 0xFF, 0xFF);   // fading in
  }
  // A lost pod is replaced on the next 64-frame beat of the half.
  KillActor(pods[2]);
  ToAge(e, 255);
  EXPECT_EQ(Children(e).size(), 5u);
  ToAge(e, 256);
  EXPECT_EQ(Children(e).size(), 6u);
  EXPECT_EQ(F(GetChildActor(e, 2), kFieldScratch0), 3);

  // The open half: the pods are let go, the front closes and the jaw opens.
  const std::vector<int> held = Children(e);
  ToAge(e, 360);
  EXPECT_TRUE(Children(e).empty());
  for (int p : held) {
    if (Alive(p)) {
      EXPECT_TRUE(Flags(p) & kFlagOffPlayfieldDies);   // flying off, or gone already
    }
  }
  struct State {
    int t, front, jaw;
  };
  const State states[] = {{360, 2, 0}, {364, 1, 0}, {368, 0, 0}, {376, 0, 0}, {380, 0, 1}, {384, 0, 2},
                          {516, 0, 2}, {520, 0, 1}, {524, 0, 0}, {528, 0, 0}, {532, 1, 0}, {536, 2, 0}};
  for (const State& s : states) {
    ToAge(e, s.t);
    EXPECT_EQ(F(e, kFieldScratch0), s.front) << s.t;
    EXPECT_EQ(F(e, kFieldScratch0 + 1), s.jaw) << s.t;
    if (s.t == 376) {
      EXPECT_EQ(F(e, kFieldRotation), 10800);
      EXPECT_EQ(GetGameVar(kVarShake), 32);
    }
  }
}

TEST_F(Bosses, AreaBossFiresItsBeamOnAThirtySixFrameBeatAndAimsItFromLevelSix) {
  Level(4);
  const int e = Still(16, 560, 240);
  ToAge(e, 419);
  EXPECT_TRUE(Children(e).empty());
  ToAge(e, 420);   // u = 60: w = 12
  int beam = GetChildActor(e, 0);
  ASSERT_GT(beam, 0);
  EXPECT_EQ(F(beam, kFieldKind), kKindEnemy | 6);
  EXPECT_EQ(F(beam, 71), 905);
  EXPECT_EQ(F(beam, kFieldHeading), 10800);
  EXPECT_EQ(F(beam, kFieldLayer), 26);
  EXPECT_EQ(F(beam, kFieldX), 560 - 64);
  EXPECT_EQ(F(beam, kFieldY), 240);
  ToAge(e, 439);
  EXPECT_EQ(GetChildActor(e, 0), beam);
  ToAge(e, 440);   // w = 32
  EXPECT_LT(GetChildActor(e, 0), 1);
  ToAge(e, 456);
  EXPECT_GT(GetChildActor(e, 0), 0);
  ToAge(e, 476);
  EXPECT_LT(GetChildActor(e, 0), 1);
  ToAge(e, 520);
  EXPECT_LT(GetChildActor(e, 0), 1);   // one cycle more only from level 4: the end is 120
  EXPECT_EQ(F(e, kFieldRotation), 10800);   // below level 6 it never turns
  EXPECT_EQ(F(e, kFieldScratch0 + 2), 0);
  EXPECT_TRUE(FiredBy(e).empty());

  // From level 6 it turns toward the player by 10L a frame while it charges, and the glow counts.
  Clear();
  Level(8);
  const int eight = Still(16, 560, 240);
  ToAge(eight, 407);
  EXPECT_EQ(F(eight, kFieldRotation), 10800);
  ToAge(eight, 419);
  EXPECT_EQ(F(eight, kFieldScratch0 + 2), 12);
  const int aim = GetAngleToPlayer(560, 240);
  const int turned = std::max(aim, 10800 - 12 * 80);
  EXPECT_EQ(F(eight, kFieldRotation), turned);
  ToAge(eight, 420);
  beam = GetChildActor(eight, 0);
  ASSERT_GT(beam, 0);
  EXPECT_EQ(F(beam, kFieldHeading), turned);
  EXPECT_EQ(F(eight, kFieldScratch0 + 2), 0);
  ToAge(eight, 516);
  EXPECT_EQ(F(eight, kFieldScratch0 + 2), 0);
  // Rings of twelve from 64 pixels out, each ring turned half a step from the last, from level 8.
  const std::vector<FiredPattern> ring = At(eight, 392);
  ASSERT_EQ(ring.size(), 12u);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(ring[i].p.heading, 1800 * i);
    int dx, dy;
    PolarToXY(&dx, &dy, 1800 * i, 64);
    EXPECT_EQ(ring[i].dx, dx);
    EXPECT_EQ(ring[i].dy, dy);
    EXPECT_EQ(ring[i].p.type, 28);
    EXPECT_EQ(ring[i].p.speed, 60);
    EXPECT_EQ(ring[i].p.muzzleSprite, 0u);
  }
  EXPECT_EQ(At(eight, 400).front().p.heading, 900);
  // Its second half: twelve pods, and fans that turn with the age.
  ToAge(eight, 576);
  EXPECT_EQ(Describe(At(eight, 560).front()), "t560 9/33600/24 w8 s2700");
  EXPECT_EQ(Children(eight).size(), 12u);
  EXPECT_EQ(F(GetChildActor(eight, 0), kFieldScratch0), 11);
}

TEST_F(Bosses, AreaBossChangesFormAtPhaseTimer2371) {
  Level(4);
  const int e = Still(16, 560, 240);
  ToAge(e, 200);
  ASSERT_EQ(Children(e).size(), 6u);
  SetGameVar(kVarPhaseTimer, 2370);
  Frame();
  EXPECT_EQ(F(e, kFieldKind), kKindEnemy | 16);
  EXPECT_TRUE(OfKind(kKindEnemy | 17).empty());
  const std::vector<int> pods = Children(e);
  SetGameVar(kVarPhaseTimer, 2371);
  Frame();
  EXPECT_EQ(F(e, kFieldKind), kKindEnemy);   // a dying explosion, its sprite hidden
  EXPECT_EQ(F(e, kFieldSprite), 0);
  const std::vector<int> next = OfKind(kKindEnemy | 17);
  ASSERT_EQ(next.size(), 1u);
  EXPECT_EQ(F(next[0], kFieldX), F(e, kFieldX));
  EXPECT_EQ(F(next[0], kFieldLayer), 8);
  EXPECT_EQ(GetGameVar(kVarPhaseTimer), 0);   // the timed form restarts the phase
  EXPECT_EQ(GetGameVar(kVarPhaseLevel), 5);
  EXPECT_EQ(F(next[0], 71), 5);   // its own level, taken in its first frame
  EXPECT_EQ(GetGameVar(kVarBossId), 17);
  for (int p : pods) EXPECT_EQ(F(p, kFieldVy), -1024 + 128);   // flung
}

TEST_F(Bosses, SecondFormLaunchesPodsSweepsAndTurnsItsRingsLeft) {
  Level(4);
  SetActorPos(600, 400, GetPlayerActor());
  const int e = Still(17, 560, 240);
  Frame();
  EXPECT_EQ(F(e, 71), 4);
  ToAge(e, 95);
  EXPECT_TRUE(Children(e).empty());
  ToAge(e, 96);
  ASSERT_GT(GetChildActor(e, 0), 0);
  ASSERT_GT(GetChildActor(e, 1), 0);
  EXPECT_EQ(F(e, 72), 2);
  for (int j = 0; j < 2; ++j) {
    const int p = GetChildActor(e, j), s = 2 * j - 1;
    EXPECT_EQ(F(p, kFieldKind), kKindEnemy | 22);
    EXPECT_EQ(F(p, kFieldSprite), 2078);
    EXPECT_EQ(F(p, kFieldLayer), 7);
    EXPECT_EQ(F(p, kFieldScratch0), s);
    EXPECT_EQ(F(p, kFieldRotation), 10800 + 5400 * s);
    EXPECT_EQ(F(p, kFieldVy), 256 * s);
    EXPECT_EQ(F(p, kFieldY), 240 + 96 * s);
  }
  ToAge(e, 119);
  EXPECT_FALSE(Flags(e) & kEnemyTargetable);
  ToAge(e, 120);
  EXPECT_TRUE(Flags(e) & kEnemyTargetable);
  EXPECT_EQ(F(GetChildActor(e, 1), kFieldVy), 256);

  ToAge(e, 128);
  EXPECT_EQ(F(e, kFieldVy), 256);   // toward the player below
  EXPECT_EQ(F(e, kFieldScratch0), 12);
  EXPECT_EQ(Describe(At(e, 128).front()), "t128 8/10800/28 w6 s1800 @-56,-24 spin300 nomuzzle");
  EXPECT_EQ(F(GetChildActor(e, 1), kFieldVy), 0);   // stopped 32 frames after the launch
  const std::vector<int> ring = BulletActors();
  ToAge(e, 143);
  EXPECT_EQ(F(e, kFieldScratch0), 0);
  for (int j = 0; j < 2; ++j) {
    EXPECT_EQ(F(GetChildActor(e, j), kFieldX), F(e, kFieldX));
    EXPECT_EQ(F(GetChildActor(e, j), kFieldY), F(e, kFieldY) + 128 * (2 * j - 1));
  }
  ToAge(e, 144);
  for (int b : ring) {
    if (!Alive(b) || F(b, kFieldBulletType) != 25) continue;
    EXPECT_EQ(F(b, kFieldHeading), 10800);
    EXPECT_EQ(F(b, kFieldSpeed), ScaleBulletSpeed(120));
    EXPECT_EQ(F(b, kFieldVx), -ScaleBulletSpeed(120));
    EXPECT_EQ(F(b, kFieldSprite), GetBulletSprite(25));
  }
  int turned = 0;
  for (int b : ring) turned += Alive(b) && F(b, kFieldBulletType) == 25;
  EXPECT_EQ(turned, 6);
  // The player stands right of 480: the pods fire at it every 8 frames.
  EXPECT_EQ(Between(e, 136, 136),
            (Lines{"t136 31/aim/48 @0,-136", "t136 31/aim/48 @0,136"}));
  ToAge(e, 202);
  EXPECT_EQ(F(e, kFieldVy), 0);   // stopped at age 200, having moved from 129
  EXPECT_EQ(F(e, kFieldY), 240 + 71);
  ToAge(e, 263);
  EXPECT_EQ(F(e, kFieldScratch0 + 1), 64);   // the guns stand out in the pod half
  SetActorPos(600, 240, GetPlayerActor());
  ToAge(e, 288);
  Lines streams;
  for (const std::string& s : Between(e, 288, 288)) {
    if (s.find(" 28/") != std::string::npos) streams.push_back(s);
  }
  // The sweep left the lower pod's point below 439 at the volley of 280: its level rose to 5.
  EXPECT_EQ(F(e, 71), 5);
  EXPECT_EQ(streams, (Lines{"t288 28/10800/28 w3 s1800 @-80,-80", "t288 28/10800/28 w3 s1800 @-80,80"}));
  ToAge(e, 391);
  EXPECT_EQ(F(e, kFieldScratch0 + 1), 0);
}

TEST_F(Bosses, SecondFormsLevelRisesByOneForEachPodMissingAtAVolleyUpToEleven) {
  Level(4);
  const int e = Still(17, 560, 240);
  ToAge(e, 279);
  SetActorPos(560, 240, e);   // both pod points within 40-439
  ToAge(e, 280);
  EXPECT_EQ(Between(e, 280, 280), (Lines{"t280 30/aim/60 r5 @0,-136", "t280 30/aim/60 r5 @0,136"}));
  EXPECT_EQ(F(e, 71), 4);
  // One pod lost after its relaunch: it is missing at the next volley.
  ToAge(e, 360);
  EXPECT_EQ(F(e, 72), 2);
  KillActor(GetChildActor(e, 0));
  ToAge(e, 535);
  SetActorPos(560, 240, e);
  ToAge(e, 536);
  EXPECT_EQ(Between(e, 536, 536), (Lines{"t536 30/aim/60 r5 @0,136"}));
  EXPECT_EQ(F(e, 71), 5);
  // Both lost every round from now: +2 a volley until 11.
  const int levels[] = {7, 9, 11, 11};
  for (int round = 3; round <= 6; ++round) {
    ToAge(e, 256 * (round - 1) + 100);
    KillActor(GetChildActor(e, 0));
    KillActor(GetChildActor(e, 1));
    ToAge(e, 256 * round + 24);
    EXPECT_EQ(F(e, 71), levels[round - 3]) << round;
    EXPECT_EQ(GetGameVar(kVarPhaseLevel), 4);   // the play's level is left alone
  }
  EXPECT_EQ(F(e, 72), 9);
  // At level 11 (above 5) each pod fires t / 256 ways, type 31 on even rounds.
  ToAge(e, 256 * 7 + 23);
  SetActorPos(560, 240, e);
  ToAge(e, 256 * 7 + 24);
  EXPECT_EQ(Between(e, 256 * 7 + 24, 256 * 7 + 24),
            (Lines{"t1816 30/aim/60 w7 s600 r8 @0,-136", "t1816 30/aim/60 w7 s600 r8 @0,136"}));
  EXPECT_EQ(F(e, 72), 11);
}

TEST_F(Bosses, SecondFormDropsItsPlayOrderItemOnlyAfterEightPods) {
  if (!ItemsBuilt()) GTEST_SKIP() << "items are built beside the enemies";
  auto items19 = [] {
    int n = 0;
    for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
      n += GetActorField(kFieldKind, a) == 0x20000006 && GetActorField(kFieldValue, a) == 19;
    }
    return n;
  };
  for (int launched : {8, 9}) {
    const int e = Still(17, 560, 240);
    Frame();
    SetActorField(72, e, launched);
    SetActorField(kFieldHp, e, 0);
    const int before = items19();
    Frame();
    EXPECT_EQ(items19() - before, launched > 8 ? 1 : 0) << launched;
  }
}

}  // namespace
