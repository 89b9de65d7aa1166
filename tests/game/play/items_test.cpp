// Items and gems: what each kind pays and shows, the caps, lives and bombs by difficulty, the
// rewards that enter from the right edge, the drift, homing and bouncing over whole frames, and
// the cancelling of bullets with its counts and figures.
#include "combat_fixture.h"

namespace {

constexpr int32_t kItemKind = 0x20000006;
constexpr int kBounces = 33;

// The rising labels made since the test began: value and colour of each, in creation order.
std::vector<std::pair<int32_t, uint32_t>> Labels() {
  std::vector<std::pair<int32_t, uint32_t>> out;
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
    if (GetActorField(kFieldKind, a) == kKindEffect && GetActorField(kFieldSprite, a) == 5) {
      out.emplace_back(GetActorField(kFieldValue, a), static_cast<uint32_t>(GetActorField(kFieldColour, a)));
    }
  }
  return out;
}

class ItemsScene : public CombatScene {
protected:
  // An item of the kind at the player, old enough to be taken, run for one frame of its task.
  void Take(int kind) {
    const int item = SpawnItem(Field(player_, kFieldX), Field(player_, kFieldY), 0, 0, kind);
    ASSERT_GT(item, 0);
    SetActorField(kFieldAge, item, 17);
    ItemTask(item);
    ASSERT_NE(Field(item, kFieldFlags) & kFlagDead, 0);
    DeleteActor(item);
    for (int i = 0; i < 4; ++i) UpdateSound();
  }
};

TEST_F(ItemsScene, EachKindLooksAsItsRowSays) {
  struct Case {
    int kind, gemValue;
    int32_t sprite;
    int scale, spin, rotation, flags;
  };
  const Case cases[] = {
      {1, 0, 1185, 1500, 300, 900, 0},     {1, 2000, 1185, 3000, 300, 900, 0},
      {2, 0, 1186, 1000, 300, 900, 0},     {3, 0, 1187, 1000, 300, 900, 0x10000},
      {4, 0, 14, 1000, 0, 0, 0},           {6, 0, 14, 1000, 0, 0, 0},
      {7, 0, 14, 1000, 0, 900, 0},         {20, 0, 14, 1000, 0, 900, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    SetGameVar(kVarGemValue, c.gemValue);
    const int item = SpawnItem(100, 120, 900, 512, c.kind);
    ASSERT_GT(item, 0);
    EXPECT_EQ(Field(item, kFieldKind), kItemKind);
    EXPECT_EQ(Field(item, kFieldLayer), 19);
    EXPECT_EQ(Field(item, kFieldSprite), c.sprite);
    EXPECT_EQ(Field(item, kFieldScale), c.scale);
    EXPECT_EQ(Field(item, kFieldSpin), c.spin);
    EXPECT_EQ(Field(item, kFieldRotation), c.rotation);
    EXPECT_EQ(Field(item, kFieldFlags), c.flags);
    EXPECT_EQ(Field(item, 32), c.kind);
  }
}

TEST_F(ItemsScene, GemsPayTheirValueUpToTheCapWithTheirLabelColours) {
  SetGameVar(kVarGemValue, 99);
  SetGameVar(kVarGemCap, 100);
  SetGameVar(kVarMana, 50);
  Take(1);
  Take(1);
  SetGameVar(kVarGemValue, 1);
  Take(3);
  SetGameVar(kVarPhaseLevel, 7);
  Take(2);
  SetGameVar(kVarGemValue, 40);
  Take(1);
  EXPECT_EQ(Var(kVarScore), 100 + 100 + 1 + 7 + 41);
  EXPECT_EQ(Var(kVarGemValue), 41);
  const std::vector<std::pair<int32_t, uint32_t>> expected = {
      {1000, 0xFF3F3FFFu}, {1000, 0xFF3F3FFFu}, {10, 0xFFFF7FFFu}, {70, 0x7FCFFFFFu}, {410, 0xFFFF7FFFu}};
  EXPECT_EQ(Labels(), expected);
  EXPECT_EQ(Var(kVarGemsTaken), 5);
  EXPECT_EQ(Var(kVarPhaseGems), 4);   // the kind-3 gem is not counted for the phase
  EXPECT_EQ(Var(kVarMana), 54);       // the kind-2 gem brings no mana
  EXPECT_EQ(Var(kVarChainTimer), 60);

  SetGameVar(kVarMana, 99);
  Take(1);
  EXPECT_EQ(Var(kVarMana), 99);
  SetGameVar(kVarMana, 10);
  SetActorField(kPlayerOverdrive, player_, 5);
  Take(3);
  EXPECT_EQ(Var(kVarMana), 10);

  SetGameVar(kVarPhaseGems, 998);
  Take(2);
  EXPECT_TRUE(Items(31).empty());
  Take(1);
  EXPECT_EQ(Items(31).size(), 1u);
}

TEST_F(ItemsScene, LivesBombsAndPlayOrdersByDifficulty) {
  SetGameVar(kVarDifficulty, kNovice);
  SetGameVar(kVarLives, 1);
  SetGameVar(kVarMaxLives, 3);
  Take(4);
  EXPECT_EQ(Var(kVarLives), 4);
  EXPECT_EQ(Var(kVarMaxLives), 4);
  SetGameVar(kVarDifficulty, kRevised);
  SetGameVar(kVarLives, 1);
  SetGameVar(kVarMaxLives, 3);
  Take(4);
  EXPECT_EQ(Var(kVarLives), 2);
  EXPECT_EQ(Var(kVarMaxLives), 4);
  SetGameVar(kVarLives, 5);
  Take(4);
  EXPECT_EQ(Var(kVarLives), 5);
  EXPECT_EQ(Var(kVarMaxLives), 5);
  EXPECT_TRUE(Items(26).empty());
  Take(4);   // the fourth taken brings its reward
  EXPECT_EQ(Items(26).size(), 1u);

  SetGameVar(kVarBombs, 4);
  Take(6);
  EXPECT_EQ(Var(kVarBombs), 5);
  EXPECT_EQ(Var(kVarScore), 0);
  Take(6);
  EXPECT_EQ(Var(kVarBombs), 5);
  EXPECT_EQ(Var(kVarScore), 5000);
  Take(5);
  Take(7);
  EXPECT_EQ(Var(kVarScore), 5000);

  SetGameVar(kVarMana, 3);
  Take(9);
  EXPECT_EQ(Var(kVarScore), 10000);
  EXPECT_EQ(Var(kVarMana), 99);
  EXPECT_NE(GetSettingsSlot(kSlotPlayOrders) & (1 << 1), 0);
  SetGameVar(kVarShiftTimer, 40);
  SetGameVar(kVarMana, 0);
  Take(10);
  EXPECT_EQ(Var(kVarShiftTimer), 999);
  EXPECT_EQ(Var(kVarMana), 0);
  SetSettingsSlot(kSlotPlayMode, 2 | kPlayReplay);
  Take(11);   // a replay never awards play orders
  EXPECT_EQ(GetSettingsSlot(kSlotPlayOrders) & (1 << 3), 0);
  const std::vector<std::pair<int32_t, uint32_t>> labels = Labels();
  ASSERT_EQ(labels.size(), 4u);
  for (const auto& l : labels) EXPECT_EQ(l, std::make_pair(50000, 0xFF7F7FFFu));
}

TEST_F(ItemsScene, GemsDriftLeftHomeInOnThePlayerAndBouncingItemsLeaveAfterEightBounces) {
  SetActorPos(600, 460, player_);
  const int drifter = SpawnItem(300, 40, 0, 1024, 1);
  std::vector<int> xs;
  while (Alive(drifter) && xs.size() < 200) {
    Step();
    if (Alive(drifter)) xs.push_back(Field(drifter, kFieldX));
  }
  EXPECT_FALSE(Alive(drifter));
  ASSERT_GE(xs.size(), 40u);
  EXPECT_EQ(xs[xs.size() - 1] - xs[xs.size() - 2], -16);   // 4096 a frame at the end
  EXPECT_LT(xs.back(), -16);
  EXPECT_GE(xs.back(), -32);
  EXPECT_EQ(Field(player_, kFieldX), 600);

  SetActorPos(320, 240, player_);
  const int homer = SpawnItem(600, 60, 0, 0, 3);
  int frames = 0;
  while (Alive(homer) && frames++ < 300) Step();
  EXPECT_FALSE(Alive(homer));
  EXPECT_LT(frames, 120);
  EXPECT_EQ(Var(kVarGemsTaken), 1);

  // Within 160 px the first character's gems start homing; the second character draws them from
  // 130 px only.
  for (int character = 0; character < 2; ++character) {
    SetGameVar(kVarCharacter, character);
    const int near = SpawnItem(320 + 150, 240, 0, 0, 1);
    SetActorField(kFieldAge, near, 17);
    ItemTask(near);
    EXPECT_EQ(Field(near, kFieldFlags) & 0x10000, character == 0 ? 0x10000 : 0);
    DeleteActor(near);
  }

  SetActorPos(2000, 2000, player_);   // far out of reach: the item only bounces
  SetGameVar(kVarCharacter, 0);
  const int bouncer = SpawnItem(320, 240, 1000, 2048, 4);
  EXPECT_EQ(Field(bouncer, kFieldSprite), 14);
  EXPECT_EQ(Field(bouncer, kFieldRotation), 0);
  int leftAfter = 0;
  while (Alive(bouncer) && leftAfter < 2000) {
    Step();
    ++leftAfter;
    if (Alive(bouncer)) {
      EXPECT_LE(Field(bouncer, kBounces), 8);
      if (Field(bouncer, kBounces) < 8) {
        EXPECT_GE(Field(bouncer, kFieldX), 24);
        EXPECT_LE(Field(bouncer, kFieldX), 616);
      }
    }
  }
  EXPECT_FALSE(Alive(bouncer));
  EXPECT_EQ(Var(kVarLifeItems), 0);   // never taken
  EXPECT_GT(leftAfter, 100);
}

TEST_F(ItemsScene, CancellingBulletsCountsShowsFiguresAndMakesGemsOfTheMode) {
  std::vector<int> bullets;
  for (int i = 0; i < 30; ++i) bullets.push_back(Bullet(100 + 15 * i, 100 + 5 * i));
  const uint64_t draws = GameRandomDrawCount();
  EXPECT_EQ(CancelBulletsToItems(18), 30);
  EXPECT_EQ(GameRandomDrawCount() - draws, 60u);   // each particle's rotation, then each gem's heading
  for (int b : bullets) EXPECT_NE(Field(b, kFieldFlags) & kFlagDead, 0);
  EXPECT_EQ(Items(2).size(), 30u);
  for (int gem : Items(2)) {
    EXPECT_EQ(Field(gem, kFieldSpeed), 1024);
    EXPECT_EQ(Field(gem, kFieldFlags), 0);
  }
  std::vector<int> figures;
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
    const int32_t s = GetActorField(kFieldSprite, a);
    if (GetActorField(kFieldKind, a) == kKindEffect && s >= 587 && s <= 601) figures.push_back(s);
  }
  ASSERT_EQ(figures.size(), 29u);
  EXPECT_EQ(figures.front(), 587);
  EXPECT_EQ(std::count(figures.begin(), figures.end(), 601), 15);
  EXPECT_EQ(ActorsOf(kKindEffect, 896 | kSpriteAdditive).size(), 30u);

  // Already cancelled bullets give nothing twice; without the count bit nothing is counted.
  EXPECT_EQ(CancelBulletsToItems(18), 0);
  EXPECT_EQ(Items(2).size(), 30u);
  Step();
  for (int i = 0; i < 4; ++i) Bullet(200, 200 + 30 * i);
  EXPECT_EQ(CancelBulletsToItems(3), 0);
  ASSERT_EQ(Items(3).size(), 4u);
  for (int gem : Items(3)) EXPECT_EQ(Field(gem, kFieldFlags), 0x10000);
  Bullet(300, 300);
  EXPECT_EQ(CancelBulletsToItems(0), 0);
  EXPECT_EQ(Items(3).size(), 4u);
}

TEST_F(ItemsScene, DebrisSpinsFallsAndLeaves) {
  const int piece = SpawnDebrisPiece(300, 200, 19, 1154, 13500, 3200);
  ASSERT_GT(piece, 0);
  EXPECT_GE(Field(piece, kFieldSpin), 600);
  EXPECT_LE(Field(piece, kFieldSpin), 1800);
  EXPECT_NE(static_cast<uint32_t>(Field(piece, kFieldFlags)) & kFlagOffPlayfieldDies, 0u);
  const int vy0 = Field(piece, kFieldVy);
  Steps(10);
  EXPECT_EQ(Field(piece, kFieldVy), vy0 + 10 * 128);
  int frames = 0;
  while (Alive(piece) && frames++ < 200) Step();
  EXPECT_FALSE(Alive(piece));
}

}  // namespace
