// The status display's entries for a few session states, read back from the display list.
#include <vector>

#include "game/framework/drawlist.h"
#include "play_fixture.h"

namespace {

class Hud : public PlayScene {
protected:
  void SetUp() override {
    PlayScene::SetUp();
    ResetDrawList();
    if (AddDrawSprite(0, 0, 0, 1) < 0) GTEST_SKIP() << "the display list is not built yet";
    ASSERT_GT(Start(kRevised), 0);
    ToRunningPhase();
    Place(300, 240);
  }
  // The entries of one status display.
  static std::vector<DrawEntry> Draw() {
    ResetDrawList();
    DrawGameHud();
    return std::vector<DrawEntry>(g_DrawEntries + kDrawSubLayerCount,
                                  g_DrawEntries + DrawEntriesUsed());
  }
  static const DrawEntry* Find(const std::vector<DrawEntry>& all, int32_t type, uint32_t sprite,
                               int x, int y) {
    for (const DrawEntry& e : all) {
      if (e.type == type && e.sprite == sprite && e.x == x && e.y == y) return &e;
    }
    return nullptr;
  }
  static const DrawEntry* Number(const std::vector<DrawEntry>& all, int x, int y) {
    return Find(all, kDrawNumber, 1, x, y);
  }
  static int Count(const std::vector<DrawEntry>& all, uint32_t sprite) {
    int n = 0;
    for (const DrawEntry& e : all) n += e.sprite == sprite;
    return n;
  }
};

constexpr uint32_t kYellow = 0xFFFF7FFF;
constexpr uint32_t kOrange = 0xFFCF7FFF;

TEST_F(Hud, ScoreSplitsIntoItsLowFiveDigitsAndTheRestInOrange) {
  SetGameVar(kVarScore, 123456);
  auto all = Draw();
  const DrawEntry* low = Number(all, 89, 1);
  const DrawEntry* high = Number(all, 56, 1);
  ASSERT_TRUE(low && high);
  EXPECT_EQ(low->value, 23456);
  EXPECT_EQ(low->x2, 5);
  EXPECT_EQ(low->y2, 1);
  EXPECT_EQ(low->colour, kYellow);
  EXPECT_EQ(high->value, 1);
  EXPECT_EQ(high->colour, kOrange);

  SetGameVar(kVarScore, 99999);
  all = Draw();
  EXPECT_EQ(Number(all, 89, 1)->y2, 0);
  EXPECT_EQ(Number(all, 56, 1), nullptr);
  SetGameVar(kVarScore, 100005);
  all = Draw();
  EXPECT_EQ(Number(all, 89, 1)->value, 5);
  EXPECT_EQ(Number(all, 89, 1)->y2, 1);
  SetGameVar(kVarScore, 2000000000);
  all = Draw();
  EXPECT_EQ(Number(all, 89, 1)->value, 99999);
  EXPECT_EQ(Number(all, 56, 1)->value, 999);
  SetGameVar(kVarScore, 0);
  EXPECT_EQ(Number(Draw(), 89, 1), nullptr);
}

TEST_F(Hud, GaugeShowsManaOrTheShiftAndItsBarSprite) {
  struct Case { int mana, cooldown; uint32_t bar; int width; };
  for (Case c : {Case{99, 0, 132, 99}, Case{32, 0, 130, 32}, Case{50, 5, 130, 50},
                 Case{50, 0, 131, 50}}) {
    SetGameVar(kVarMana, c.mana);
    SetGameVar(kVarSubCooldown, c.cooldown);
    auto all = Draw();
    const DrawEntry* bar = Find(all, kDrawStretched, c.bar, 205, 5);
    ASSERT_NE(bar, nullptr) << c.mana;
    EXPECT_EQ(bar->x2, 205 + c.width);
    EXPECT_EQ(Number(all, 309, 1)->value, c.width);
  }
  SetGameVar(kVarShiftTimer, 555);
  auto all = Draw();
  EXPECT_EQ(Number(all, 309, 1)->value, 55);
  EXPECT_EQ(Count(all, 143 + 1), GetCurField(kFieldAge) % 8 < 4 ? 1 : 0);   // DEMONICSHIFT
}

TEST_F(Hud, LivesBombsLevelChainAndBossGauge) {
  SetGameVar(kVarMaxLives, 5);
  SetGameVar(kVarLives, 3);
  SetGameVar(kVarBombs, 2);
  SetGameVar(kVarBombCooldown, 7);
  SetGameVar(kVarLevelTimer, 0);
  SetGameVar(kVarHitChain, 9);
  SetGameVar(kVarChainTimer, 40);
  SetGameVar(kVarMana, 10);
  auto all = Draw();
  int bright = 0, dim = 0;
  for (const DrawEntry& e : all) {
    if (e.sprite != 1188) continue;
    bright += e.colour == 0xFFFFFFFF;
    dim += e.colour == 0x3F3FFF7F;
  }
  EXPECT_EQ(bright, 3);
  EXPECT_EQ(dim, 2);
  EXPECT_EQ(Count(all, 1184), 5);
  EXPECT_NE(Find(all, kDrawSprite, 1190 + ((7 / 3) & 1), 60, 448), nullptr);   // the blinking one
  EXPECT_EQ(Var(kVarBombCooldown), 6);   // shown in play: lowered by one
  EXPECT_NE(Find(all, kDrawSprite, 150, 512, 0), nullptr);
  EXPECT_EQ(Number(all, 602, 1)->value, 4);
  EXPECT_EQ(Number(all, 520, 32), nullptr);   // a chain of 9 is not shown
  EXPECT_EQ(Count(all, 130), 1);               // the empty mana bar only: no boss gauge

  SetGameVar(kVarLevelTimer, 60);   // blinking: 60 mod 8 = 4, off
  SetGameVar(kVarHitChain, 10);
  SetGameVar(kVarBossGauge, 250);
  SetGameVar(kVarGaugeSlide, 16);
  SetGameVar(kVarBossDigit, 2);
  all = Draw();
  EXPECT_EQ(Find(all, kDrawSprite, 150, 512, 0), nullptr);
  const DrawEntry* chain = Number(all, 520, 32);
  ASSERT_NE(chain, nullptr);
  EXPECT_EQ(chain->angle, 576);
  EXPECT_EQ(chain->scale, 14);
  EXPECT_NE(Find(all, kDrawStretched, 2, 624 - 20, 64), nullptr);
  const DrawEntry* gauge = Find(all, kDrawStretched, 130, 432, 452);
  ASSERT_NE(gauge, nullptr);
  EXPECT_EQ(gauge->x2, 432 + 200);
  EXPECT_NE(Find(all, kDrawSprite, 514, 391, 451), nullptr);

  // The player near a corner dims the icons there; without a player nothing is drawn.
  Place(100, 450);
  all = Draw();
  EXPECT_EQ(Find(all, kDrawSprite, 1184, 0, 450)->colour, 0xFFFFFF3Fu);
  DeleteActor(GetPlayerActor());
  EXPECT_TRUE(Draw().empty());
}

}  // namespace
