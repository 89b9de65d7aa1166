// The bosses' draw routines through the display list: the second form's flash line and opening
// halves, the first form's hidden start and its plates, boss 7's arms with their glows only while
// it lives and charges, the greyed mother ship, boss 13's layers, and boss 12's charge glow that
// draws a random number on every drawn frame except paused ones.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "enemy_fixture.h"
#include "game/play/boss_internal.h"

namespace {

using Lines = std::vector<std::string>;

class BossDraw : public EnemyScene {
protected:
  // The actor drawn alone; its entries in drawing order of addition as "sprite x,y" plus
  // " a angle s scale" for turned ones, " c colour" when not opaque white and " L layer" when
  // not the actor's own layer; rectangles as "rect x,y-x2,y2".
  static Lines DrawOf(int actor, void (*routine)()) {
    ResetDrawList();
    SetCurrentActor(actor);
    routine();
    int layerOf[kDrawEntryCount];
    int sub = 0;
    for (int e = 0, guard = 0; guard < kDrawEntryCount; ++guard) {
      if (e < kDrawSubLayerCount) sub = e;
      layerOf[e] = sub / 2;
      e = g_DrawEntries[e].next;
      if (e == 0) break;
    }
    Lines out;
    for (int i = kDrawSubLayerCount; i < DrawEntriesUsed(); ++i) {
      const DrawEntry& e = g_DrawEntries[i];
      char buf[160];
      int n = e.type == kDrawStretched && e.sprite == 2
                  ? std::snprintf(buf, sizeof buf, "rect %d,%d-%d,%d", e.x, e.y, e.x2, e.y2)
                  : std::snprintf(buf, sizeof buf, "%x %d,%d", e.sprite, e.x, e.y);
      if (e.type == kDrawRot || e.type == kDrawRotMirrored) {
        n += std::snprintf(buf + n, sizeof buf - n, " a%d s%d", e.angle, e.scale);
      }
      if (e.colour != 0xFFFFFFFFu) n += std::snprintf(buf + n, sizeof buf - n, " c%08x", e.colour);
      if (layerOf[i] != GetActorField(kFieldLayer, actor)) {
        std::snprintf(buf + n, sizeof buf - n, " L%d", layerOf[i]);
      }
      out.push_back(buf);
    }
    return out;
  }
  static void Set(int actor, std::initializer_list<std::pair<int, int32_t>> fields) {
    for (const auto& f : fields) SetActorField(f.first, actor, f.second);
  }
};

TEST_F(BossDraw, SecondFormOpensWithAWideningFlashLineAndItsHalvesPartAndCloseAgain) {
  const int e = Still(17, 560, 240);
  Set(e, {{kFieldAge, 0}});
  const Lines first = DrawOf(e, DrawEnemy17);
  ASSERT_EQ(first.size(), 7u);
  EXPECT_EQ(first[4], "86c 496,176");   // the halves still closed
  EXPECT_EQ(first[5], "86d 496,240");
  EXPECT_EQ(first[6], "rect 560,240-560,241 L26");   // no width yet, full alpha
  Set(e, {{kFieldAge, 29}});
  EXPECT_EQ(DrawOf(e, DrawEnemy17).back(), "rect 96,240-1024,241 cffffff17 L26");   // 928 wide, alpha 23
  Set(e, {{kFieldAge, 30}});
  EXPECT_EQ(DrawOf(e, DrawEnemy17).size(), 6u);

  // Open (g = 54): its gun out, the halves 54 pixels apart.
  Set(e, {{kFieldAge, 84}});
  EXPECT_EQ(DrawOf(e, DrawEnemy17),
            (Lines{"82b 557,205 a-2700 s1000", "85d 548,238 a5400 s1000", "86b 536,184", "85c 574,227",
                   "86c 496,122", "86d 496,294"}));
  // Firing: the flash of its gun; charged: the guns standing out, blinking.
  Set(e, {{kBoss17Flash, 3}, {kBoss17Charge, 24}});
  EXPECT_EQ(DrawOf(e, DrawEnemy17),
            (Lines{"82b 512,235 a13500 s1000", "86e 532,243", "86b 536,184", "85c 574,227", "85b 520,144",
                   "85b 520,304", "86c 496,122", "86d 496,294"}));
  // Dying: no guns, and the halves close as the explosion ages.
  Set(e, {{kFieldDyingAge, 20}});
  EXPECT_EQ(DrawOf(e, DrawEnemy17), (Lines{"86e 532,243", "86b 536,184", "85c 574,227", "86c 496,142", "86d 496,274"}));
}

TEST_F(BossDraw, FirstFormShowsNothingForFiftyFramesThenItsPlatesAtItsScale) {
  const int e = Still(16, 500, 240);
  Set(e, {{kFieldAge, 49}, {kBoss16Front, 2}, {kBoss16Jaw, 1}, {kFieldRotation, 10800}, {kFieldScale, 1300}});
  EXPECT_TRUE(DrawOf(e, DrawEnemy16).empty());
  Set(e, {{kFieldAge, 50}});
  EXPECT_EQ(DrawOf(e, DrawEnemy16),
            (Lines{"89a 500,240 a0 s1300", "87a 500,240 a0 s1300", "897 456,240 a10800 s1300"}));
  // The beam's aiming line, its alpha 8 per frame of the charge up to 30 frames.
  Set(e, {{kBoss16Front, 0}, {kBoss16Jaw, 0}, {kBoss16BeamGlow, 12}});
  EXPECT_EQ(DrawOf(e, DrawEnemy16), (Lines{"89a 500,240 a0 s1300", "2000094 -12,240 a10800 s2000 cffffff60"}));
  Set(e, {{kBoss16BeamGlow, 45}});
  EXPECT_EQ(DrawOf(e, DrawEnemy16).back(), "2000094 -12,240 a10800 s2000 cfffffff0");
}

TEST_F(BossDraw, CirclingGunsGlowAtTheirArmsOnlyWhileTheBossLivesAndCharges) {
  const int e = Still(7, 400, 240);
  Set(e, {{kFieldAge, 100}, {kBoss07BeamAngle, 0}, {kBoss07Charge, 1}, {kBoss07Glow, 10}});
  EXPECT_EQ(DrawOf(e, DrawEnemy07),
            (Lines{"81f 480,240 a10800 s1000", "2000094 736,240 a0 s1000 cffffff50", "81e 447,323 a3600 s1000",
                   "81f 360,309 a18000 s1000", "2000094 232,530 a7200 s1000 cffffff50", "81e 304,240 a10800 s1000",
                   "81f 361,171 a25200 s1000", "2000094 234,-50 a14400 s1000 cffffff50", "81e 447,157 a18000 s1000",
                   "833 400,240 a0 s1000", "82f 379,227 a10800 s1000 L7", "82f 391,227 a-10800 s1000"}));
  Set(e, {{kBoss07Glow, 0}, {kBoss07Charge, 0}});
  const Lines quiet = DrawOf(e, DrawEnemy07);
  ASSERT_EQ(quiet.size(), 9u);
  EXPECT_EQ(quiet[0], "81e 480,240 a10800 s1000");
  // Dying (field 30 above 0): the arms spin with its square, and no glow even while charged.
  Set(e, {{kBoss07Glow, 10}, {kFieldDyingAge, 5}});
  const Lines dying = DrawOf(e, DrawEnemy07);
  ASSERT_EQ(dying.size(), 9u);
  EXPECT_EQ(dying[0].substr(dying[0].find(" a")), " a10825 s1000");
}

TEST_F(BossDraw, MotherShipIsGreyUntilItCanBeHitWithItsSignForSixtyFrames) {
  const int e = Still(10, 300, 200);
  Set(e, {{kFieldAge, 119}});
  EXPECT_EQ(DrawOf(e, DrawEnemy10),
            (Lines{"82a 220,184 c7f7f7fff", "83b 290,120 c7f7f7fff", "819 364,240 a35700 s1000 c7f7f7fff"}));
  Set(e, {{kFieldAge, 120}});
  EXPECT_EQ(DrawOf(e, DrawEnemy10), (Lines{"a0 140,208", "82a 220,184", "838 290,120", "819 364,240 a36000 s1000"}));
  Set(e, {{kFieldAge, 180}});
  EXPECT_EQ(DrawOf(e, DrawEnemy10).size(), 3u);
}

TEST_F(BossDraw, OrbitingGunsBossDrawsOnLayerEightWithItsChargeGlowAbove) {
  const int e = Still(13, 500, 240);
  Set(e, {{kFieldLayer, 20}, {kFieldAge, 100}, {kFieldVy, 0}});
  const Lines lines = DrawOf(e, DrawEnemy13);
  ASSERT_EQ(lines.size(), 26u);   // hull, plate, 20 tentacle segments, two parts, glow, plate
  for (const std::string& l : lines) {
    if (l.rfind("2000600", 0) == 0) {
      EXPECT_EQ(l, "2000600 460,240 a0 s1160 L26");   // q = 4
    } else {
      EXPECT_NE(l.find(" L8"), std::string::npos) << l;
    }
  }
  EXPECT_EQ(lines[0], "84c 458,243 L8");
  // Its recoil turns the hull round (mirrored) and swaps the plates.
  Set(e, {{kBoss13Recoil, 1}, {kFieldAge, 140}});
  const Lines recoil = DrawOf(e, DrawEnemy13);
  ASSERT_EQ(recoil.size(), 25u);   // q = 44: no glow
  EXPECT_EQ(recoil[0], "100084c 430,243 L8");
  EXPECT_EQ(recoil[1].substr(0, 4), "84e ");
}

TEST_F(BossDraw, RingGunshipDrawsItsChargeGlowsRandomScaleOnlyOnFramesThatAreNotPaused) {
  const int e = Still(12, 500, 240);
  Set(e, {{kFieldAge, 10}});
  const uint64_t before = GameRandomDrawCount();
  const Lines calm = DrawOf(e, DrawEnemy12);
  EXPECT_EQ(calm.size(), 21u);
  EXPECT_EQ(GameRandomDrawCount(), before);
  Set(e, {{kBoss12Charge, 8}});
  const Lines charged = DrawOf(e, DrawEnemy12);
  ASSERT_EQ(charged.size(), 22u);
  EXPECT_EQ(GameRandomDrawCount(), before + 1);
  int scale = 0;
  ASSERT_EQ(std::sscanf(charged[20].c_str(), "2000600 452,%*d a0 s%d L26", &scale), 1) << charged[20];
  EXPECT_GE(scale, 400);
  EXPECT_LE(scale, 1400);
  // Paused (the pause menu, which a replay does not hold): the glow without a number.
  SetActorsPaused(1);
  const Lines paused = DrawOf(e, DrawEnemy12);
  SetActorsPaused(0);
  EXPECT_EQ(GameRandomDrawCount(), before + 1);
  ASSERT_EQ(paused.size(), 22u);
  EXPECT_NE(paused[20].find(" a0 s1400 L26"), std::string::npos) << paused[20];

  // Through the actor update: one number on every drawn frame while it charges, slow-skip frames
  // included, none while paused; an invisible boss draws nothing and so takes none.
  Set(e, {{kBoss12Charge, 0}});
  for (int n = 0; n < 3; ++n) Frame();
  ASSERT_EQ(F(e, kBoss12Charge), 0);
  auto drawsOver = [&](int frames, int charge) {
    const uint64_t start = GameRandomDrawCount();
    for (int i = 0; i < frames; ++i) {
      SetActorField(kBoss12Charge, e, charge);   // the behaviour would count it on
      SetActorField(kFieldAge, e, 10);           // ... and fire nothing at this age
      Frame();
    }
    return GameRandomDrawCount() - start;
  };
  // At age 10 the behaviour draws 4 particle headings (and their rotations) a frame while
  // charging: 8, plus the glow's 1.
  EXPECT_EQ(drawsOver(5, 8), 5u * 9u);
  SetSlowMode(1);
  EXPECT_EQ(drawsOver(6, 8), 4u * 9u + 2u);   // two of six frames skip the behaviour, not the draw
  SetSlowMode(0);
  SetActorsPaused(1);
  EXPECT_EQ(drawsOver(4, 8), 0u);
  SetActorsPaused(0);
  OrActorField(kFieldFlags, e, kFlagInvisible);
  EXPECT_EQ(drawsOver(3, 8), 3u * 8u);
}

TEST_F(BossDraw, AHitBossJittersForThirtyFramesButNotWhilePaused) {
  const int e = Still(8, 300, 200);
  Set(e, {{kFieldAge, 20}});
  const Lines still = DrawOf(e, DrawEnemy08);
  ASSERT_EQ(still.size(), 11u);
  int moved = 0;
  for (int flash = 60; flash >= 30; --flash) {
    Set(e, {{kFieldHitFlash, flash}});
    for (int age = 20; age < 23; ++age) {
      Set(e, {{kFieldAge, age}});
      const Lines l = DrawOf(e, DrawEnemy08);
      int x, y, sx, sy;
      ASSERT_EQ(std::sscanf(l[8].c_str(), "%*x %d,%d", &x, &y), 2);
      Set(e, {{kFieldHitFlash, 0}});
      ASSERT_EQ(std::sscanf(DrawOf(e, DrawEnemy08)[8].c_str(), "%*x %d,%d", &sx, &sy), 2);
      Set(e, {{kFieldHitFlash, flash}});
      EXPECT_LE(std::abs(x - sx), 1);
      EXPECT_LE(std::abs(y - sy), 1);
      if (flash == 30) {
        EXPECT_EQ(x, sx);
        EXPECT_EQ(y, sy);
      }
      moved += x != sx || y != sy;
      SetActorsPaused(1);
      ASSERT_EQ(std::sscanf(DrawOf(e, DrawEnemy08)[8].c_str(), "%*x %d,%d", &x, &y), 2);
      SetActorsPaused(0);
      EXPECT_EQ(x, sx);
      EXPECT_EQ(y, sy);
    }
  }
  EXPECT_GT(moved, 30);
}

TEST_F(BossDraw, TheTwoRoutinesInNoSlotDrawAPairAndAFlare) {
  const int e = Still(2, 300, 200);
  Set(e, {{kFieldRotation, 5400}, {kFieldHeading, 10800}, {kFieldScale, 2000}, {kFieldColour, int32_t(0xFF80407Fu)}});
  EXPECT_EQ(DrawOf(e, DrawSpinningPair), (Lines{"2000819 300,200 a5400 s1000", "81e 300,200 a10800 s1000 L9"}));
  // The flare 510 pixels out along the rotation (2000 x 255 / 1000), both in the actor's colour.
  EXPECT_EQ(DrawOf(e, DrawOffsetFlare),
            (Lines{"2000094 300,710 a5400 s2000 cff80407f L24", "2000604 300,200 a0 s2000 cff80407f L24"}));
}

}  // namespace
