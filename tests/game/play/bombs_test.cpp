// Bombs over whole frames: the bullets they turn into gems, their invulnerability, the fans and
// rains of shots, their lengths and the cooldown at every end, a shift stopping each of them, the
// power level of the flame, the orb's homing and its stop, the sweep, and the counter bomb's count.
#include <algorithm>

#include "combat_fixture.h"

namespace {

constexpr int32_t kShotKind = 0x20000007;
constexpr uint32_t kFromBomb = 0x2000000u;
constexpr int kBombType = 45;

// Shots a bomb fired in the frame just stepped (created and updated once).
std::vector<int> NewBombShots() {
  std::vector<int> out;
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
    if (GetActorField(kFieldKind, a) == kShotKind && GetActorField(kFieldAge, a) == 1 &&
        (static_cast<uint32_t>(GetActorField(kFieldFlags, a)) & kFromBomb)) {
      out.push_back(a);
    }
  }
  return out;
}

class Bombs : public CombatScene {
protected:
  // A fresh scene in the middle of a test.
  void Restart() {
    TearDown();
    SetUp();
  }
  int LaunchB(int type) {
    SetActorField(kBombType, player_, type);
    SetGameVar(kVarBombCooldown, 1000);
    return LaunchBombB();
  }
};

TEST_F(Bombs, FirstCharactersGunTurnsBulletsToGemsFallsLandsFiresAndLeaves) {
  for (int i = 0; i < 5; ++i) Bullet(400 + 20 * i, 100);
  SetActorPos(40, 300, player_);
  SetGameVar(kVarBombCooldown, 1000);
  const int bomb = LaunchBombA();
  ASSERT_GT(bomb, 0);
  EXPECT_EQ(Field(bomb, kFieldX), 40);
  EXPECT_EQ(Var(kVarInvulnerable), 240);
  EXPECT_EQ(CountActorsWithFlags(kBulletFlag) - static_cast<int>(Items(3).size()), 0);
  ASSERT_EQ(Items(3).size(), 5u);
  for (int gem : Items(3)) EXPECT_EQ(Field(gem, kFieldFlags), 0x10000);

  int landedAt = -1, fans = 0, frames = 0, cooledAt = -1;
  while (Alive(bomb) && frames < 400) {
    Step();
    ++frames;
    if (!Alive(bomb)) break;
    if (landedAt < 0 && Field(bomb, kFieldVy) == 0) {
      landedAt = frames;
      EXPECT_EQ(Field(bomb, kFieldY), 268);   // 32 above the player
      EXPECT_EQ(Field(bomb, kFieldX), 64);    // the player's x, kept inside 64..576
    }
    const std::vector<int> shots = NewBombShots();
    if (!shots.empty()) {
      ++fans;
      ASSERT_EQ(shots.size(), 7u);
      EXPECT_EQ(Field(shots[0], kFieldHeading), -1800);
      EXPECT_EQ(Field(shots[6], kFieldHeading), 1800);
    }
    if (cooledAt < 0 && Var(kVarBombCooldown) == 0) {
      cooledAt = frames;
      EXPECT_NE(static_cast<uint32_t>(Field(bomb, kFieldFlags)) & kFlagOffPlayfieldDies, 0u);
    }
  }
  EXPECT_FALSE(Alive(bomb));
  EXPECT_GT(landedAt, 0);
  EXPECT_GE(fans, 7);
  EXPECT_LE(fans, 8);
  EXPECT_EQ(cooledAt, landedAt + 30);
}

TEST_F(Bombs, SecondCharactersBombsLastTheirTimeAndClearTheCooldownAtTheEnd) {
  // Type 0: a rain of red shots from the top edge every 4th frame for 121 frames.
  int bomb = LaunchB(0);
  ASSERT_GT(bomb, 0);
  EXPECT_EQ(Var(kVarInvulnerable), 240);
  ASSERT_EQ(ActorsOf(kKindEffect, 161).size(), 1u);
  EXPECT_EQ(GetChildActor(bomb, 0), ActorsOf(kKindEffect, 161)[0]);
  int rains = 0, frames = 0;
  while (Alive(bomb) && frames < 200) {
    Step();
    ++frames;
    const std::vector<int> shots = NewBombShots();
    if (shots.empty()) continue;
    ++rains;
    // Every 80 px from left of the screen to its right edge; one that starts left of the
    // playfield's edge is gone at the end of its first frame.
    ASSERT_GE(shots.size(), 8u);
    ASSERT_LE(shots.size(), 9u);
    std::vector<int> xs;
    for (int shot : shots) {
      EXPECT_EQ(static_cast<uint32_t>(Field(shot, kFieldColour)), 0xFF00007Fu);
      EXPECT_EQ(Field(shot, kFieldHeading), 4800);
      EXPECT_LT(Field(shot, kFieldY), 30);
      xs.push_back(Field(shot, kFieldX));
    }
    std::sort(xs.begin(), xs.end());
    // 80 apart; a pixel less across 0, where the fine position is truncated toward zero.
    for (size_t i = 1; i < xs.size(); ++i) EXPECT_NEAR(xs[i] - xs[i - 1], 80, 1);
    EXPECT_LT(xs.front(), 80);
  }
  EXPECT_EQ(rains, 31);
  EXPECT_EQ(frames, 122);
  EXPECT_EQ(Var(kVarBombCooldown), 0);

  // Type 1: 360 frames of invulnerability and shots at power level 2 for 600 frames.
  Restart();
  bomb = LaunchB(1);
  EXPECT_EQ(Var(kVarInvulnerable), 360);
  int flames = 0;
  frames = 0;
  while (Alive(bomb) && frames < 700) {
    Step();
    ++frames;
    for (int shot : NewBombShots()) {
      ++flames;
      EXPECT_EQ(Field(shot, 28), 3);
      EXPECT_EQ(Field(shot, kFieldSprite), 904);
      EXPECT_EQ(Field(shot, kFieldLayer), 26);
    }
    if (Alive(bomb)) {
      EXPECT_EQ(Field(player_, kPlayerPower), 2);
    }
  }
  EXPECT_EQ(frames, 601);
  EXPECT_EQ(flames, 600);
  EXPECT_EQ(Field(player_, kPlayerPower), 1);
  EXPECT_EQ(Var(kVarBombCooldown), 0);

  // Type 3: the sweep rides the player's height to x 801.
  Restart();
  const int t = Target(400, 240, 10000, 0, 64);
  bomb = LaunchB(3);
  frames = 0;
  while (Alive(bomb) && frames < 200) {
    SetActorPos(160, 200 + frames % 80, player_);
    Step();
    ++frames;
    if (Alive(bomb)) {
      EXPECT_EQ(Field(bomb, kFieldY), 200 + (frames - 1) % 80);
    }
  }
  EXPECT_EQ(frames, 81);   // from 160 at 8 px a frame, to 808
  EXPECT_EQ(Var(kVarBombCooldown), 0);
  EXPECT_LT(Field(t, kFieldHp), 10000);
  EXPECT_EQ((10000 - Field(t, kFieldHp)) % 24, 0);
}

TEST_F(Bombs, OrbCirclesThenHomesOnItsTargetTrailsItsTailAndLeavesAfterAge200) {
  const int bomb = LaunchB(2);
  EXPECT_EQ(Field(bomb, kFieldSprite), 12);
  const int t = Target(560, 80, 1000000);
  int segments = 0, touched = -1;
  for (int frame = 0; frame < 200; ++frame) {
    Step();
    const int n = Field(bomb, kFieldAge) - 1;
    if (n < 30) {
      EXPECT_EQ(Field(bomb, kFieldRotation), 720 * (n + 1));
      EXPECT_EQ(Field(bomb, kFieldVx), 0);
    }
    if (touched < 0 && Field(t, kFieldHp) < 1000000) touched = n;
  }
  for (int a : ActorsOf(0x2000000E)) segments += GetActorField(64, a) >= 1;
  EXPECT_GT(touched, 30);
  EXPECT_EQ(segments, 30);   // one a frame, each gone in its 31st frame
  EXPECT_EQ(Field(bomb, kFieldSprite), 12);
  int frames = 0;
  while (Alive(bomb) && frames++ < 200) Step();
  EXPECT_FALSE(Alive(bomb));
  EXPECT_EQ(Var(kVarBombCooldown), 0);
}

TEST_F(Bombs, AShiftEndsEveryBombOnItsNextFrameAndHandsThePowerBack) {
  for (int type = -1; type < 4; ++type) {
    SCOPED_TRACE(testing::Message() << "bomb " << type);
    Restart();
    SetGameVar(kVarBombCooldown, 1000);
    const int bomb = type < 0 ? LaunchBombA() : LaunchB(type);
    ASSERT_GT(bomb, 0);
    Steps(25);
    ASSERT_TRUE(Alive(bomb));
    SetGameVar(kVarShiftTimer, 500);
    Step();
    EXPECT_FALSE(Alive(bomb));
    EXPECT_EQ(Var(kVarBombCooldown), 0);
    EXPECT_EQ(Field(player_, kPlayerPower), 1);
  }
  // The flame's cooldown, lowered twice a frame in play, falls under the shift's limit of 20
  // long before its 600 frames are over; the shift that then starts ends it with power 1.
  Restart();
  const int flame = LaunchB(1);
  for (int frame = 0; Var(kVarBombCooldown) >= 20; ++frame) {
    Step();
    SetGameVar(kVarBombCooldown, Var(kVarBombCooldown) - 2);
    ASSERT_TRUE(Alive(flame));
  }
  EXPECT_EQ(Field(player_, kPlayerPower), 2);
  SetGameVar(kVarShiftTimer, 500);
  Step();
  EXPECT_FALSE(Alive(flame));
  EXPECT_EQ(Field(player_, kPlayerPower), 1);
  EXPECT_EQ(Var(kVarBombCooldown), 0);
}

TEST_F(Bombs, OrbStopsAtATargetThatBombsFeedAndTheSweepFeedsIt) {
  const int fed = Target(200, 240, 100, 0x8, 24);
  SetActorField(kFieldHp, fed, 10);
  SetActorPos(200, 240, player_);
  const int orb = LaunchB(2);
  recorder::Take();
  Step();
  EXPECT_EQ(Var(kVarBombCooldown), 0);
  EXPECT_EQ(CountSound(recorder::Effects(), 8), 1);
  EXPECT_EQ(Field(fed, kFieldHp), 10);   // stopped, not fed
  EXPECT_GE(ActorsOf(kKindEffect, 792).size(), 64u);
  EXPECT_GE(ActorsOf(kKindEffect, 808 | kSpriteAdditive).size(), 32u);   // sparkles at 8 points
  EXPECT_EQ(Field(orb, kFieldKind), 0x30000000);   // now a dying explosion
  Steps(61);
  EXPECT_FALSE(Alive(orb));

  Restart();
  const int fed2 = Target(260, 240, 100, 0x8, 150);
  SetActorField(kFieldHp, fed2, 10);
  SetActorPos(160, 240, player_);
  LaunchB(3);
  Step();
  EXPECT_EQ(Field(fed2, kFieldHp), 58);   // fed by 2 x 24, never hurt
  EXPECT_EQ(Var(kVarHitChain), 0);
}

TEST_F(Bombs, CounterBombsCountTowardTheirRewardFromRevisedUp) {
  SetGameVar(kVarBombs, 20);
  for (int i = 0; i < 11; ++i) UseCounterBomb();
  EXPECT_EQ(Var(kVarBombs), 9);
  EXPECT_EQ(Var(kVarBombCooldown), 1000);
  EXPECT_EQ(Var(kVarCounterBombs), 11);
  EXPECT_EQ(Items(36).size(), 1u);
  EXPECT_EQ(CountSound(recorder::Effects(), 12), 1);   // the others fall within the effect's guard

  Restart();
  SetGameVar(kVarDifficulty, kNovice);
  SetGameVar(kVarBombs, 20);
  for (int i = 0; i < 12; ++i) UseCounterBomb();
  EXPECT_EQ(Var(kVarCounterBombs), 0);
  EXPECT_TRUE(Items(36).empty());
}

}  // namespace
