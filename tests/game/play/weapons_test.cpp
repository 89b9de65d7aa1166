// The player's weapons: rows of the weapon table, damage by power level, the rules of each shot
// kind on contact, the hit chain's reward, and the torpedo, beam and device over whole frames.
#include "combat_fixture.h"

namespace {

constexpr int32_t kShotKind = 0x20000007;
constexpr uint32_t kAdd = kSpriteAdditive;
constexpr int kDamage = 28, kRow = 33, kContacts = 34, kBeamHits = 33, kBeamPierce = 35, kBeamEnd = 64;
constexpr int kDeviceShots = 67;

int LiveActors() {
  int n = 0;
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) n += GetActorField(kFieldKind, a) > 0;
  return n;
}

using Weapons = CombatScene;

TEST_F(Weapons, EveryRowBuildsItsShotAndDamageFollowsThePowerLevel) {
  const int before = LiveActors();
  EXPECT_EQ(SpawnPlayerShot(100, 200, 0, -1), -1);
  EXPECT_EQ(SpawnPlayerShot(100, 200, 0, 8), -1);
  EXPECT_EQ(LiveActors(), before);

  struct Row {
    int32_t kind;
    uint32_t sprite;
    int damageAtLevel1, damageAtLevel2, radius, vy;
    uint32_t colour;
  };
  const Row rows[8] = {
      {0x20000007, 1152 | kAdd, 8, 12, 16, 6144, 0xFFFFFF80u},
      {0x20000008, 1155, 2, 3, 24, 0, 0xFFFFFF80u},
      {0x20000007, 1152 | kAdd, 2, 3, 16, 6144, 0xFFFFFF80u},
      {0x20000007, 1161, 1, 1, 16, 6144, 0xFFFFFF80u},
      {0x20000009, 7, 1, 1, 20, 0, 0xFFFFFF80u},
      {0x20000007, 1165, 1, 1, 40, 8192, 0xFFFFFFFFu},
      {0x2000000A, 13, 0, 0, 0, 2048, 0xFFFFFFFFu},
      {0x20000007, 1161 | kAdd, 32, 48, 48, 2048, 0xFFFFFFFFu},
  };
  for (int level = 1; level <= 2; ++level) {
    SetActorField(kPlayerPower, player_, level);
    for (int row = 0; row < 8; ++row) {
      SCOPED_TRACE(testing::Message() << "level " << level << " row " << row);
      const int shot = SpawnPlayerShot(100, 200, 5400, row);
      ASSERT_GT(shot, 0);
      EXPECT_EQ(Field(shot, kFieldKind), rows[row].kind);
      EXPECT_EQ(static_cast<uint32_t>(Field(shot, kFieldSprite)), rows[row].sprite);
      EXPECT_EQ(Field(shot, kDamage), level == 1 ? rows[row].damageAtLevel1 : rows[row].damageAtLevel2);
      EXPECT_EQ(Field(shot, kFieldRadius), rows[row].radius);
      EXPECT_EQ(Field(shot, kFieldVy), rows[row].vy);
      EXPECT_EQ(Field(shot, kRow), row);
      EXPECT_EQ(static_cast<uint32_t>(Field(shot, kFieldColour)), rows[row].colour);
      EXPECT_EQ(static_cast<uint32_t>(Field(shot, kFieldFlags)), 0x60000000u);
    }
  }
}

TEST_F(Weapons, DamageFlashesAndSoundsUnlessImmuneAndBombHealingOnlyAboveNovice) {
  const int t = Target(300, 240, 10);
  DamageTarget(t, 4);
  EXPECT_EQ(Field(t, kFieldHp), 6);
  EXPECT_EQ(Field(t, 29), 60);
  EXPECT_EQ(recorder::Effects(), std::vector<int>{6});
  for (int i = 0; i < 4; ++i) UpdateSound();
  DamageTarget(t, 6);   // no hit points left: the defeat makes the noise, not the hit
  EXPECT_EQ(Field(t, kFieldHp), 0);
  EXPECT_TRUE(recorder::Effects().empty());

  const int immune = Target(300, 400, 10, 0x1000000);
  DamageTarget(immune, 4);
  EXPECT_EQ(Field(immune, kFieldHp), 10);
  EXPECT_EQ(Field(immune, 29), 0);
  EXPECT_TRUE(recorder::Effects().empty());
  DamageTarget(0, 5);
  DamageTarget(-1, 5);

  const int healed = Target(100, 100, 10);
  SetActorField(kFieldHp, healed, 3);
  IncreaseTargetGauge(healed, 2);
  EXPECT_EQ(Field(healed, kFieldHp), 7);
  IncreaseTargetGauge(healed, 50);
  EXPECT_EQ(Field(healed, kFieldHp), 10);
  SetGameVar(kVarDifficulty, kNovice);
  SetActorField(kFieldHp, healed, 3);
  IncreaseTargetGauge(healed, 2);
  EXPECT_EQ(Field(healed, kFieldHp), 3);
}

TEST_F(Weapons, PiercingShotPaysOneChainStepAndExplodingShotSparesBossesAndChildren) {
  const int t = Target(300, 240, 1000);
  const int pierce = SpawnPlayerShot(300, 240, 0, 3);
  for (int i = 0; i < 5; ++i) PlayerShotTask(pierce);
  EXPECT_EQ(Field(t, kFieldHp), 995);
  EXPECT_EQ(Var(kVarHitChain), 1);
  EXPECT_EQ(Var(kVarScore), 1);
  EXPECT_EQ(Field(pierce, kContacts), 5);
  EXPECT_EQ(Field(pierce, kFieldFlags) & kFlagDead, 0);
  EXPECT_EQ(ActorsOf(kKindEffect, 768 | kAdd).size(), 1u);   // one hit effect
  EXPECT_EQ(ActorsOf(kKindEffect, 896 | kAdd).size(), 4u);   // a particle on each later frame

  const int boss = Target(300, 100, 1000, 0x80000);
  const int free = Target(100, 400, 1000);
  const int parent = Target(600, 60, 1000);
  const int child = Target(500, 400, 1000);
  LinkChildActor(child, parent, 0);
  SetActorField(kPlayerShotTimer, player_, 30);
  int blasts[3];
  const int targets[3] = {boss, free, child};
  for (int i = 0; i < 3; ++i) {
    blasts[i] = SpawnPlayerShot(Field(targets[i], kFieldX), Field(targets[i], kFieldY), 0, 5);
    PlayerShotTask(blasts[i]);
  }
  EXPECT_EQ(Field(boss, kFieldHp), 999);
  EXPECT_EQ(Field(free, kFieldHp), 599);
  EXPECT_EQ(Field(child, kFieldHp), 999);
  EXPECT_EQ(Var(kVarHitChain), 4);
  EXPECT_EQ(Field(player_, kPlayerShotTimer), 4);
  EXPECT_EQ(Field(blasts[0], kFieldSprite), 788);
  EXPECT_EQ(Field(blasts[0], kFieldScale), 300);
  EXPECT_EQ(Field(blasts[0], kFieldVx), 0);
  PlayerShotTask(blasts[1]);   // a later frame of contact: damage only
  EXPECT_EQ(Field(free, kFieldHp), 598);
  EXPECT_EQ(Var(kVarHitChain), 4);
  Steps(16);
  for (int b : blasts) EXPECT_FALSE(Alive(b));
}

TEST_F(Weapons, ReturningShotGoesOutStopsAndComesBack) {
  const int shot = SpawnPlayerShot(100, 240, 0, 7);
  std::vector<int> xs;
  while (Alive(shot) && xs.size() < 40) {
    Step();
    if (Alive(shot)) xs.push_back(Field(shot, kFieldX));
  }
  // Out for nine moves (ages 0 to 8), held until its move of age 16, back from age 17, and gone
  // in the frame of age 24, having moved back to 108.
  std::vector<int> expected;
  for (int k = 1; k <= 9; ++k) expected.push_back(100 + 8 * k);
  for (int k = 0; k < 8; ++k) expected.push_back(172);
  for (int k = 1; k <= 7; ++k) expected.push_back(172 - 8 * k);
  EXPECT_EQ(xs, expected);
}

TEST_F(Weapons, HitChainRewardsOncePerChainOfAThousand) {
  for (int i = 0; i < 999; ++i) AddHitChain(1, 0);
  EXPECT_TRUE(Items(32).empty());
  AddHitChain(90, 3);
  ASSERT_EQ(Items(32).size(), 1u);
  const int reward = Items(32)[0];
  EXPECT_EQ(Field(reward, kFieldX), 640);
  EXPECT_EQ(Field(reward, kFieldY), 240);
  EXPECT_EQ(Field(reward, kFieldHeading), 2700);
  EXPECT_EQ(Var(kVarSlowGauge), 3);
  EXPECT_EQ(Var(kVarChainTimer), 60);
  for (int i = 0; i < 5; ++i) AddHitChain(1, 0);
  EXPECT_EQ(Items(32).size(), 1u);
  EXPECT_EQ(Var(kVarPhaseBestChain), 1005);

  SetGameVar(kVarHitChain, 0);   // a hit breaks the chain
  SetActorPos(160, 300, player_);
  for (int i = 0; i < 1000; ++i) AddHitChain(1, 0);
  ASSERT_EQ(Items(32).size(), 2u);
  EXPECT_EQ(Field(Items(32)[1], kFieldHeading), -2700);
  EXPECT_EQ(Var(kVarPhaseBestChain), 1005);
}

TEST_F(Weapons, BombShotsHealTargetsThatBombsFeedAboveNovice) {
  struct Case {
    int difficulty;
    bool bombShot;
    uint32_t targetFlags;
    int hpBefore, hpAfter, chain;
  };
  const Case cases[] = {
      {kNovice, true, 0x8, 50, 42, 0},  {kRevised, true, 0x8, 50, 74, 0},
      {kRevised, true, 0x8, 98, 100, 0}, {kRevised, false, 0x8, 50, 42, 1},
      {kRevised, true, 0, 50, 42, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "difficulty " << c.difficulty << " bomb " << c.bombShot
                                    << " flags " << c.targetFlags << " hp " << c.hpBefore);
    SetGameVar(kVarDifficulty, c.difficulty);
    SetGameVar(kVarHitChain, 0);
    const int t = Target(300, 240, 100, c.targetFlags);
    SetActorField(kFieldHp, t, c.hpBefore);
    const int shot = SpawnPlayerShot(300, 240, 0, 0);
    if (c.bombShot) OrActorField(kFieldFlags, shot, 0x2000000);
    PlayerShotTask(shot);
    EXPECT_EQ(Field(t, kFieldHp), c.hpAfter);
    EXPECT_EQ(Var(kVarHitChain), c.chain);
    EXPECT_NE(Field(shot, kFieldFlags) & kFlagDead, 0);
    const std::vector<int> sounds = recorder::Effects();
    EXPECT_EQ(CountSound(sounds, 12), c.chain == 0 ? 1 : 0);
    DeleteActor(t);
    for (int i = 0; i < 4; ++i) UpdateSound();
  }
  EXPECT_EQ(ActorsOf(kKindEffect, 808 | kAdd).size(), 12u);   // four sparkles per healing hit
}

TEST_F(Weapons, BeamStopsAtItsFirstTargetOrPiercesAllAndCountsTheChainByPhase) {
  const int near = Target(300, 240, 1000);
  const int far = Target(500, 240, 1000);
  const int beam = SpawnPlayerShot(100, 240, 0, 4);
  PlayerBeamTask(beam);
  EXPECT_EQ(Field(beam, kBeamEnd), 260);
  EXPECT_EQ(Field(beam, kBeamHits), 4 + 1);   // counted on from the row it was made with
  EXPECT_EQ(Field(near, kFieldHp), 999);
  EXPECT_EQ(Field(far, kFieldHp), 1000);
  EXPECT_EQ(Var(kVarHitChain), 1);
  EXPECT_NE(Field(beam, kFieldFlags) & kFlagDead, 0);

  const int wide = SpawnPlayerShot(100, 240, 0, 4);
  SetActorField(kBeamPierce, wide, 1);
  SetActorField(34, wide, 3);   // not a multiple of 4: no chain this frame
  PlayerBeamTask(wide);
  EXPECT_EQ(Field(wide, kBeamEnd), 644);
  EXPECT_EQ(Field(wide, kBeamHits), 4 + 5);   // three steps within the near target, two in the far
  EXPECT_EQ(Field(near, kFieldHp), 996);
  EXPECT_EQ(Field(far, kFieldHp), 998);
  EXPECT_EQ(Var(kVarHitChain), 1);
  EXPECT_EQ(Var(kVarScore), 6);

  const int miss = SpawnPlayerShot(100, 100, 0, 4);
  SetActorField(kBeamHits, miss, 7);
  PlayerBeamTask(miss);
  EXPECT_EQ(Field(miss, kBeamHits), 0);
  EXPECT_EQ(Field(miss, kBeamEnd), 644);
}

TEST_F(Weapons, TorpedoSpeedsUpSlowsOnHitsAndDiesInAShift) {
  const int torpedo = SpawnPlayerShot(100, 240, 0, 1);
  std::vector<int> vx;
  for (int i = 0; i < 18; ++i) {
    Step();
    vx.push_back(Field(torpedo, kFieldVx));
  }
  EXPECT_EQ(vx.front(), 128);
  EXPECT_EQ(vx[15], 2048);
  EXPECT_EQ(vx.back(), 2048);
  EXPECT_GE(ActorsOf(kKindEffect, 1155 | kAdd).size(), 15u);   // a trail piece a frame

  const int x = Field(torpedo, kFieldX);
  const int t = Target(x + 8, 240, 1000);
  int frames = 0;
  while (Field(t, kFieldHp) == 1000 && frames++ < 4) Step();
  EXPECT_EQ(Field(t, kFieldHp), 998);
  EXPECT_EQ(Field(torpedo, kFieldAge) % 2, 0);   // the hit came on an odd age, now aged once more
  EXPECT_EQ(Field(torpedo, kFieldVx), 512);
  EXPECT_EQ(Var(kVarScore), 10);
  EXPECT_EQ(Var(kVarHitChain), 1);

  SetGameVar(kVarShiftTimer, 100);
  Step();
  EXPECT_FALSE(Alive(torpedo));
}

TEST_F(Weapons, DeviceSettlesFiresSixtyShotsThenLeaves) {
  const int device = SpawnPlayerShot(200, 240, 0, 6);
  int restFrame = -1, restX = 0, firing = 0, lastCount = 0, leftAt = 0;
  for (int frame = 0; frame < 400; ++frame) {
    Step();
    if (!Alive(device)) {
      leftAt = frame;
      break;
    }
    if (restFrame < 0 && Field(device, kFieldVx) == 0) {
      restFrame = frame;
      restX = Field(device, kFieldX);
    }
    const int count = Field(device, kDeviceShots);
    if (count != lastCount) {
      ++firing;
      EXPECT_EQ(count, lastCount + 1);
      EXPECT_EQ(Field(device, kFieldRotation), 0);
      EXPECT_EQ((Field(device, kFieldAge) - 1) % 2, 0);   // fired on an even age
      lastCount = count;
    }
    for (int s : ActorsOf(kShotKind)) EXPECT_EQ(Field(s, kFieldScale), 500);
  }
  EXPECT_EQ(restFrame, 15);           // 2048 braked by 128 a frame
  EXPECT_GT(restX, 250);
  EXPECT_EQ(firing, 60);
  EXPECT_EQ(lastCount, 60);
  EXPECT_GT(leftAt, restFrame + 120);
}

}  // namespace
