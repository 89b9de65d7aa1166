// The ordinary enemies' draw routines, through the display list: the fighter's direction frame,
// the gun-ship's warning sign and grey when broken, the gunboat's own flash countdown, the beam
// cannon's charge, the laser cut at the playfield with its wrapping turn, the carrier's glow.
#include <string>
#include <vector>

#include "enemy_fixture.h"

namespace {

using EnemyDraw = EnemyScene;
using Lines = std::vector<std::string>;

// The shared draw position is built beside the enemies; these tests wait for it.
bool DrawParamsBuilt() {
  const int a = AllocActor();
  SetCurrentActor(a);
  SetCurPos(5, 6);
  InitCurActor(kKindEffect, 3, 1);
  int x = 0, y = 0, layer = 0, age = 0;
  GetCurDrawParams(&x, &y, &layer, &age);
  DeleteActor(a);
  return x == 5 && y == 6 && layer == 3;
}

// Draws the actor alone; its entries as "sprite x,y" (plus " a angle s scale" for turned ones and
// " c colour" when not opaque white).
Lines DrawOf(int actor, void (*routine)()) {
  ResetDrawList();
  SetCurrentActor(actor);
  routine();
  Lines out;
  for (int i = kDrawSubLayerCount; i < DrawEntriesUsed(); ++i) {
    const DrawEntry& e = g_DrawEntries[i];
    char buf[128];
    int n = std::snprintf(buf, sizeof buf, "%x %d,%d", e.sprite, e.x, e.y);
    if (e.type == kDrawRot || e.type == kDrawRotMirrored) {
      n += std::snprintf(buf + n, sizeof buf - n, " a%d s%d", e.angle, e.scale);
    }
    if (e.colour != 0xFFFFFFFFu) std::snprintf(buf + n, sizeof buf - n, " c%08x", e.colour);
    out.push_back(buf);
  }
  return out;
}

TEST_F(EnemyDraw, TheGunboatCountsItsFlashDownOncePerDrawnFrame) {
  if (!DrawParamsBuilt()) GTEST_SKIP() << "the shared draw position is not built yet";
  const int e = Still(4, 300, 200);
  SetActorField(kFieldScratch0, e, 12);
  EXPECT_EQ(DrawOf(e, DrawEnemy04)[0], "828 208,176");   // m = 11: the big flash
  EXPECT_EQ(F(e, kFieldScratch0), 11);
  std::vector<std::string> firsts;
  for (int i = 0; i < 11; ++i) firsts.push_back(DrawOf(e, DrawEnemy04)[0]);
  EXPECT_EQ(firsts.front(), "829 216,182");   // m = 10: 2089 at x - 64 - 20
  EXPECT_EQ(firsts.back(), "829 236,182");    // m = 0
  EXPECT_EQ(F(e, kFieldScratch0), 0);
  const Lines quiet = DrawOf(e, DrawEnemy04);
  EXPECT_EQ(quiet, (Lines{"824 236,176", "820 244,136"}));   // only the hull at age 0
}

TEST_F(EnemyDraw, TheLaserIsCutAtThePlayfieldAndItsTurnWrapsUnsigned) {
  if (!DrawParamsBuilt()) GTEST_SKIP() << "the shared draw position is not built yet";
  const int e = Still(6, 600, 100);
  SetActorField(kFieldScratch0, e, 100);
  SetActorField(kFieldHeading, e, 0);
  SetActorField(kFieldAge, e, 100000);   // 100000 x 59637 passes 2^32
  const Lines lines = DrawOf(e, DrawEnemy06);
  const uint32_t a0 = 100000u * 59637u;
  auto angle = [&](int i) { return std::to_string(static_cast<int32_t>(a0 + 37564u * uint32_t(i))); };
  // Segments at 616, 632, 648 and 664: the first one outside is still drawn, then it stops.
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "382 616,100 a" + angle(0) + " s2400");   // 897 + (100000 mod 3)
  EXPECT_EQ(lines[1], "2000382 616,100 a" + angle(0) + " s2400");
  EXPECT_EQ(lines[2], "383 632,100 a" + angle(1) + " s2400");
  EXPECT_EQ(lines[7], "2000382 664,100 a" + angle(3) + " s2400");
  SetActorField(71, e, 1000);
  EXPECT_EQ(DrawOf(e, DrawEnemy06)[0].substr(0, 8), "3e9 616,");   // its own sprite base
}

TEST_F(EnemyDraw, FighterGunShipCannonAndCarrierShowTheirState) {
  if (!DrawParamsBuilt()) GTEST_SKIP() << "the shared draw position is not built yet";
  // The fighter's frame follows its heading in 15-degree steps, offset by half a step.
  const int f = Still(2, 300, 200);
  SetActorField(kFieldHeading, f, 10800);
  EXPECT_EQ(DrawOf(f, DrawEnemy02)[0], "80b 268,184");   // 2048 + 11, y + 0 + 16 - 32
  SetActorField(kFieldHeading, f, 449);
  EXPECT_EQ(DrawOf(f, DrawEnemy02)[0], "817 268,184");   // just below the turn: frame 23
  // The gun-ship's sign blinks once it can be hit; broken, it is grey and still.
  const int g = Still(3, 300, 200);
  SetActorField(kFieldAge, g, 104);
  EXPECT_EQ(DrawOf(g, DrawEnemy03), (Lines{"a0 204,192", "82d 276,160", "82c 276,161", "82d 276,224"}));
  SetActorField(kFieldAge, g, 100);
  EXPECT_EQ(DrawOf(g, DrawEnemy03)[1], "82c 276,160 c7f7f7f7f");   // lit only after its moment
  SetActorField(kFieldScratch0 + 1, g, 1);
  SetActorField(kFieldAge, g, 104);
  EXPECT_EQ(DrawOf(g, DrawEnemy03), (Lines{"82d 276,160", "82c 276,160 c7f7f7f7f", "82d 276,224"}));
  // The beam cannon's charge glows from 30 to 60.
  const int c = Still(5, 300, 200);
  SetActorField(kFieldAge, c, 29);
  EXPECT_EQ(DrawOf(c, DrawEnemy05).size(), 2u);
  SetActorField(kFieldAge, c, 40);
  const Lines charged = DrawOf(c, DrawEnemy05);
  ASSERT_EQ(charged.size(), 4u);
  EXPECT_EQ(charged[2], "2000087 300,200 a0 s400");
  EXPECT_EQ(charged[3], "2000094 812,200 a0 s2000 cffffff50");
  // The carrier's muzzle glows while its recoil lasts.
  const int k = Still(21, 300, 200);
  EXPECT_EQ(DrawOf(k, DrawEnemy21).size(), 6u);
  SetActorField(kFieldScratch0, k, 3);
  const Lines recoil = DrawOf(k, DrawEnemy21);
  ASSERT_EQ(recoil.size(), 7u);
  EXPECT_EQ(recoil[6], "2000087 220,244 a0 s21");
}

}  // namespace
