// Enemies: spawning from the table (hit points by level, refusals, eviction of screen actors),
// the fly-off at the phase end, defeat with its counts, score and bonuses, the dying explosion
// and the form change, revenge bullets, flung children, player hits and turning.
#include <string>
#include <vector>

#include "enemy_fixture.h"
#include "game/framework/spawn.h"
#include "game/play/play_internal.h"

namespace {

using Enemies = EnemyScene;

// The item code is built beside the enemies; tests of drops wait for it.
bool ItemsBuilt() {
  const int probe = SpawnItem(-100, -100, 0, 0, 1);
  if (probe > 0) DeleteActor(probe);
  return probe > 0;
}

int CountLabels(int slot, int32_t value) {
  int n = 0;
  for (int a : EnemyScene::OfKind(kKindEffect)) {
    n += GetActorField(kFieldSprite, a) == slot && GetActorField(kFieldValue, a) == value;
  }
  return n;
}

int CountSprite(int32_t kind, int32_t sprite) {
  int n = 0;
  for (int a : EnemyScene::OfKind(kind)) n += GetActorField(kFieldSprite, a) == sprite;
  return n;
}

TEST_F(Enemies, SpawnBuildsTheRowWithHitPointsCappedAtLevelNine) {
  const int hp[] = {1, 9, 10, 11};
  const int expected[] = {4, 36, 36, 36};
  for (int i = 0; i < 4; ++i) {
    Level(hp[i]);
    const int e = Still(4, 300, 200);
    EXPECT_EQ(F(e, kFieldHp), expected[i]) << "level " << hp[i];
    EXPECT_EQ(F(e, kFieldHpMax), expected[i]);
  }
  Level(4);
  const int fighter = Still(2, 400, 200);
  EXPECT_EQ(F(fighter, kFieldKind), 0x30000002);
  EXPECT_EQ(F(fighter, kFieldSprite), 18);   // its draw routine
  EXPECT_EQ(F(fighter, kFieldRadius), 32);
  EXPECT_EQ(F(fighter, kFieldScore), 3);
  EXPECT_EQ(F(fighter, kFieldHp), 12);
  EXPECT_EQ(F(fighter, kFieldLayer), 8);
  EXPECT_EQ(Flags(fighter), 0x810000u);
  const int missile = Still(9, 400, 100);
  EXPECT_EQ(F(missile, kFieldSprite), 0x82B);   // a sprite of its own
  EXPECT_EQ(GetGameVar(kVarPhaseSpawned), 6);
  EXPECT_EQ(GetGameVar(kVarEnemiesAlive), 6);
  // The late flags come 30 frames after the spawn.
  Frames(29);
  EXPECT_FALSE(Flags(fighter) & kFlagOffPlayfieldDies);
  Frame();
  EXPECT_TRUE(Flags(fighter) & kFlagOffPlayfieldDies);

  // The wave controller is not counted; a boss names itself; a boss with 0x4000 restarts the
  // phase timer.
  StartWave(0, 0);
  EXPECT_EQ(GetGameVar(kVarPhaseSpawned), 6);
  Still(7, 500, 240);
  EXPECT_EQ(GetGameVar(kVarBossId), 7);
  SetGameVar(kVarPhaseTimer, 700);
  Still(17, 500, 240);
  EXPECT_EQ(GetGameVar(kVarPhaseTimer), 0);
  // In the mission every boss is timed, fires no revenge and keeps its form.
  SetGameVar(kVarArea, kMissionArea);
  EXPECT_EQ(Flags(Still(16, 500, 240)), 0x8A400u);
}

TEST_F(Enemies, SpawnRefusesStoppedSpawnsAndIdsWithoutARowAndMakesNothing) {
  const int before = CountAll();
  for (int id : {0, -5, 15, 23, 49, 78, 79, 100, 128, 129}) {
    EXPECT_EQ(SpawnEnemy(300, 200, 8, id), -1) << id;
  }
  SetGameVar(kVarSessionFlags, GetGameVar(kVarSessionFlags) | kSessionPhaseIdle);
  EXPECT_EQ(SpawnEnemy(300, 200, 8, 2), -1);
  EXPECT_EQ(CountAll(), before);
  EXPECT_EQ(GetGameVar(kVarPhaseSpawned), 0);
}

TEST_F(Enemies, AFullPoolGivesUpTheFirstScreenActorThatDoesNotSurviveClears) {
  auto make = [](int32_t kind, uint32_t flags) {
    const int a = AllocActor();
    if (a < 0) return a;
    SetCurrentActor(a);
    SetCurPos(10, 10);
    InitCurActor(kind, 5, 1);
    SetActorField(kFieldFlags, a, static_cast<int32_t>(flags));
    return a;
  };
  const int keeps = make(kKindRect, kFlagSurvivesClear);
  const int gives = make(kKindRect, 0);
  const int effect = make(kKindEffect, 0);
  while (make(0x20000000, 0) > 0) {
  }
  const int e = SpawnEnemy(300, 200, 8, 2);
  ASSERT_GT(e, 0);
  EXPECT_EQ(e, gives);   // the freed slot is taken again
  EXPECT_EQ(F(keeps, kFieldKind), kKindRect);
  EXPECT_EQ(F(effect, kFieldKind), kKindEffect);
  // Next the effect gives way, then nothing is left to give.
  EXPECT_EQ(SpawnEnemy(300, 200, 8, 2), effect);
  EXPECT_EQ(SpawnEnemy(300, 200, 8, 2), -1);
  EXPECT_EQ(F(keeps, kFieldKind), kKindRect);
}

TEST_F(Enemies, AtTheEndOfAPhaseEnemiesFlyOffSidewaysAndAreNotDefeated) {
  const int left = Still(22, 100, 200);
  const int right = Still(22, 400, 200);
  SetActorHp(left, 0);
  SetActorHp(right, 0);
  SetGameVar(kVarPhaseTimer, 2400);
  Frame();
  EXPECT_EQ(F(left, kFieldVx), -2048);
  EXPECT_EQ(F(right, kFieldVx), 2048);
  EXPECT_EQ(GetGameVar(kVarKills), 0);
  // 8 pixels a frame from the next frame on: the left one passes -80 in the 23rd, the right one
  // 720 in the 41st.
  Frames(22);
  EXPECT_TRUE(Alive(left));
  EXPECT_EQ(F(left, kFieldX), -76);
  Frame();
  EXPECT_FALSE(Alive(left));
  Frames(17);
  EXPECT_TRUE(Alive(right));
  Frame();
  EXPECT_FALSE(Alive(right));
  EXPECT_EQ(GetGameVar(kVarKills), 0);
  // A timed boss whose seconds were taken stays.
  const int boss = Still(17, 300, 240);
  SetGameVar(kVarPhaseTimer, 2400);
  SetGameVar(kVarTimeLeft, 3);
  Frame();
  EXPECT_EQ(F(boss, kFieldVx), 0);
  // Before the end an enemy without hit points is defeated.
  const int last = Still(22, 300, 200);
  SetActorHp(last, 0);
  SetGameVar(kVarPhaseTimer, 2399);
  Frame();
  EXPECT_FALSE(Alive(last));
  EXPECT_EQ(GetGameVar(kVarKills), 1);
}

TEST_F(Enemies, ADefeatCountsForItsWavePaysItsScoreAndShowsItsEnd) {
  // A background drifting left: the debris drifts against it.
  const int bg = AllocActor();
  SetCurrentActor(bg);
  SetCurPos(0, 0);
  InitCurActor(0x20000000, 1, 0);
  SetActorField(kFieldVx, bg, -8192);
  SetGameVar(kVarBackground, bg);
  SetGameVar(kVarWaveLeader, 0x30000002);
  SetGameVar(kVarChainTimer, 5);
  const int e = Still(2, 300, 300);
  SetActorHp(e, 0);
  Frame();
  EXPECT_FALSE(Alive(e));
  EXPECT_EQ(GetGameVar(kVarWaveKills), 1);
  EXPECT_EQ(GetGameVar(kVarKills), 1);
  EXPECT_EQ(GetGameVar(kVarPhaseKills), 1);
  EXPECT_EQ(GetGameVar(kVarChainTimer), 120);
  EXPECT_EQ(GetGameVar(kVarScore), 3 * 4);
  EXPECT_EQ(CountSprite(kKindEffect, 0x2000093), 1);   // the shockwave
  int debris = 0;
  for (int a : OfKind(kKindEffect)) {
    const int s = F(a, kFieldSprite);
    debris += s >= 804 && s <= 807;
  }
  EXPECT_EQ(debris, 16);
  // Kills of another kind, or of an enemy flagged not to count, leave the wave's count.
  const int other = Still(14, 300, 300);
  const int quiet = Still(2, 300, 300);
  OrActorField(kFieldFlags, quiet, kEnemyNotCounted);
  SetActorHp(other, 0);
  SetActorHp(quiet, 0);
  Frame();
  EXPECT_EQ(GetGameVar(kVarWaveKills), 1);
  EXPECT_EQ(GetGameVar(kVarKills), 3);
}

TEST_F(Enemies, ATimedBossGivesNoGemsKeepsTheChainTimerAndHoldsThePhaseTimer) {
  const int boss = Still(17, 320, 240);
  SetGameVar(kVarPhaseTimer, 1200);
  SetGameVar(kVarChainTimer, 5);
  SetGameVar(kVarBossGauge, 80);
  SetActorHp(boss, 0);
  Frame();
  EXPECT_EQ(GetGameVar(kVarTimeLeft), 20);
  EXPECT_EQ(GetGameVar(kVarPhaseLevel), 5);
  EXPECT_EQ(GetGameVar(kVarInvulnerable), 240);
  EXPECT_EQ(GetGameVar(kVarShake), 16);
  EXPECT_EQ(GetGameVar(kVarChainTimer), 5);
  EXPECT_EQ(GetGameVar(kVarPhaseKills), 0);
  EXPECT_EQ(GetGameVar(kVarBossGauge), 0);
  EXPECT_EQ(GetGameVar(kVarKills), 1);
  EXPECT_EQ(F(boss, kFieldKind), kKindEnemy);
  EXPECT_EQ(F(boss, kFieldOldKind), 0x30000011);
  EXPECT_EQ(Flags(boss), 0x2002000u);
  EXPECT_EQ(CountSprite(kKindEffect, 0x2000388), 120);   // the ring
  const std::vector<int> rects = OfKind(kKindRect);
  ASSERT_EQ(rects.size(), 1u);   // the flash
  EXPECT_EQ(static_cast<uint32_t>(F(rects[0], kFieldColour)), 0xFFFFFF80u - 8);   // one fade step run
  EXPECT_EQ(F(rects[0], kFieldScale), 640);
  Frame();
  EXPECT_EQ(GetGameVar(kVarPhaseTimer), 2340);
}

TEST_F(Enemies, ABossBurnsSixtyFramesAsADyingExplosionWithItsDefeatBonus) {
  const int boss = Still(10, 320, 240);
  EXPECT_EQ(F(boss, kFieldHp), 240 + 40 * 4);
  SetActorHp(boss, 0);
  Frame();
  EXPECT_EQ(F(boss, kFieldKind), kKindEnemy);
  EXPECT_EQ(F(boss, kFieldSprite), 26);   // still shown
  EXPECT_EQ(Flags(boss), 0x2000000u);
  EXPECT_EQ(GetGameVar(kVarPhaseLevel), 5);
  EXPECT_EQ(GetGameVar(kVarChainTimer), 120);
  // No bullets: the multiplier is 1. Score 120 x level 4 (read before the level rose).
  EXPECT_EQ(GetGameVar(kVarScore), 480);
  EXPECT_EQ(CountLabels(3, 141), 1);
  EXPECT_EQ(CountLabels(5, 4800), 1);
  EXPECT_EQ(GetGameVar(kVarEnemiesAlive), 1);
  int x = F(boss, kFieldX), y = F(boss, kFieldY);
  for (int t = 0; t < 60; ++t) {
    Frame();
    ASSERT_TRUE(Alive(boss)) << t;
    const int dx = F(boss, kFieldX) - x, dy = F(boss, kFieldY) - y;
    EXPECT_TRUE(dx >= -4 && dx <= 4 && dy >= -1 && dy <= 3) << dx << " " << dy;
    x += dx;
    y += dy;
    EXPECT_EQ(F(boss, kFieldDyingAge), t + 1);
  }
  Frame();
  EXPECT_FALSE(Alive(boss));
  EXPECT_EQ(GetGameVar(kVarShake), 60);
  EXPECT_EQ(GetGameVar(kVarEnemiesAlive), 0);   // counted again for its removal
}

TEST_F(Enemies, AFormChangingBossLeavesItsNextFormInItsPlace) {
  SetGameVar(kVarDifficulty, kUnlimited);   // no level cap
  const int first = SpawnEnemy(300, 260, 3, 16);
  SetGameVar(kVarPhaseTimer, 900);
  SetActorHp(first, 0);
  Frame();
  const std::vector<int> second = OfKind(0x30000011);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(F(second[0], kFieldX), 300);
  EXPECT_EQ(F(second[0], kFieldY), 260);
  EXPECT_EQ(F(second[0], kFieldLayer), 3);
  EXPECT_EQ(GetGameVar(kVarBossId), 17);
  EXPECT_EQ(GetGameVar(kVarPhaseTimer), 0);   // the second form restarts the timer
  EXPECT_EQ(F(first, kFieldKind), kKindEnemy);
  EXPECT_EQ(F(first, kFieldSprite), 0);   // hidden
  // At the form-change time the first form changes without a defeat.
  const int again = Still(16, 200, 200);
  SetGameVar(kVarPhaseTimer, 2370);
  ChangeBossFormOnTimeout(again);
  EXPECT_EQ(F(again, kFieldKind), 0x30000010);
  SetGameVar(kVarPhaseTimer, 2371);
  const int level = GetGameVar(kVarPhaseLevel);
  ChangeBossFormOnTimeout(again);
  EXPECT_EQ(F(again, kFieldKind), kKindEnemy);
  EXPECT_EQ(OfKind(0x30000011).size(), 2u);
  EXPECT_EQ(GetGameVar(kVarPhaseLevel), level + 1);
  // Without the form-change flag nothing happens.
  const int plain = Still(10, 200, 200);
  ChangeBossFormOnTimeout(plain);
  EXPECT_EQ(F(plain, kFieldKind), 0x3000000A);
}

TEST_F(Enemies, RevengeBulletsComeAboveLevelTen) {
  Level(10);
  int e = Still(22, 300, 300);
  SetActorHp(e, 0);
  Frame();
  EXPECT_TRUE(g_fired.empty());
  SetGameVar(kVarDifficulty, kDemonic);
  SetGameVar(kVarBulletFloor, 9);
  Level(11);
  e = Still(22, 300, 300);
  SetActorHp(e, 0);
  Frame();
  EXPECT_EQ(FiredBy(e), (std::vector<std::string>{"t0 24/aim/28 w2 s600 r6 spin300"}));
  EXPECT_EQ(BulletActors().size(), 12u);
  for (int b : BulletActors()) EXPECT_EQ(F(b, kFieldSpin), 300);
  for (int b : BulletActors()) DeleteActor(b);
  // A boss sprays 72 bullets between the scaled speed and twice it.
  const int boss = Still(7, 300, 300);
  SetActorHp(boss, 0);
  Frame();
  EXPECT_EQ(FiredBy(boss), (std::vector<std::string>{"t0 17/aim/12 w-72 s1800"}));
  std::vector<int> spray = BulletActors();
  EXPECT_EQ(spray.size(), 72u);
  const int v = 24 * 13;
  for (int b : spray) {
    EXPECT_GE(F(b, kFieldSpeed), 2 * v);
    EXPECT_LE(F(b, kFieldSpeed), 4 * v);
  }
  // An enemy with 0x8000 fires none.
  g_fired.clear();
  e = Still(22, 300, 300);
  OrActorField(kFieldFlags, e, kEnemyNoRevenge);
  SetActorHp(e, 0);
  Frame();
  EXPECT_TRUE(g_fired.empty());
}

TEST_F(Enemies, DefeatBonusMultipliesByTheBulletsCancelled) {
  if (!ItemsBuilt()) GTEST_SKIP() << "items are not built yet";
  for (int i = 0; i < 40; ++i) {
    ResetBulletPattern(100 + 10 * i, 100, 3, 0, 0);
    FireBulletPattern();
  }
  const int boss = Still(7, 320, 240);
  SetActorHp(boss, 0);
  Frame();
  // 40 bullets give the cap of 16: 150 x 4 x 16.
  EXPECT_EQ(GetGameVar(kVarScore), 150 * 4 * 16);
  EXPECT_EQ(CountLabels(5, 150 * 4 * 16 * 10), 1);
  EXPECT_TRUE(BulletActors().empty());
}

TEST_F(Enemies, DropsComeInOrderAfterTheGems) {
  if (!ItemsBuilt()) GTEST_SKIP() << "items are not built yet";
  const int e = Still(22, 300, 300);
  OrActorField(kFieldFlags, e, kEnemyDropsBomb | kEnemyDropsKind5 | kEnemyDropsLife);
  SetActorHp(e, 0);
  Frame();
  std::vector<int> kinds;
  for (int item : OfKind(0x20000006)) kinds.push_back(F(item, kFieldValue));
  EXPECT_EQ(kinds, (std::vector<int>{1, 1, 6, 5, 4}));
  // Below the middle the drops head up-left; gems fan out at their own speeds.
  std::vector<int> items = OfKind(0x20000006);
  EXPECT_EQ(F(items[0], kFieldSpeed), 1024);
  EXPECT_EQ(F(items[1], kFieldSpeed), 1152);
  EXPECT_EQ(F(items[2], kFieldHeading), -2700);
}

TEST_F(Enemies, FlungChildrenLeapAwayFromTheirParentAndFade) {
  const int parent = Still(22, 300, 300);
  auto child = [&](int x, int slot) {
    const int c = SpawnEffect(x, 300, 9, 1);
    AddActorCommand(c, kCmdAddVelocity, 0, 100, 0, -50);
    LinkChildActor(c, parent, slot);
    return c;
  };
  const int right = child(400, 0);
  const int left = child(200, 3);
  FlingChildActors(parent);
  EXPECT_EQ(F(right, kFieldSpin), 900);
  EXPECT_GE(F(right, kFieldVx), 512);
  EXPECT_LE(F(right, kFieldVx), 1536);
  EXPECT_EQ(F(right, kFieldVy), -1024);
  EXPECT_EQ(F(left, kFieldSpin), -900);
  EXPECT_LE(F(left, kFieldVx), -512);
  EXPECT_GE(F(left, kFieldVx), -1536);
  Frame();
  EXPECT_EQ(F(right, kFieldVy), -1024 + 128);   // the old command is gone
  Frames(46);
  EXPECT_TRUE(Alive(right));
  EXPECT_LT(static_cast<uint32_t>(F(right, kFieldColour)) & 0xFF, 0xFFu);
  Frame();
  EXPECT_FALSE(Alive(right));
  EXPECT_FALSE(Alive(left));
}

TEST_F(Enemies, ThePlayerIsHitOnlyWhenNearAndNotProtected) {
  const int e = Still(22, 300, 300);
  SetCurrentActor(e);
  EXPECT_FALSE(HitPlayerIfNear(200, 400, 800, 1));
  EXPECT_TRUE(HitPlayerIfNear(110, 400, 800, 0));
  EXPECT_EQ(GetGameVar(kVarTimesHit), 1);
  EXPECT_EQ(GetGameVar(kVarInvulnerable), 180);
  EXPECT_FALSE(Flags(e) & kFlagDead);
  EXPECT_TRUE(HitPlayerIfNear(100, 420, 800, 1));   // protected: no second hit, but it dies
  EXPECT_EQ(GetGameVar(kVarTimesHit), 1);
  EXPECT_TRUE(Flags(e) & kFlagDead);
}

TEST_F(Enemies, TurningTakesTheShorterWayByAtMostTheStep) {
  EXPECT_EQ(TurnHeadingToward(20000, 1000, 1800), 200);
  EXPECT_EQ(TurnHeadingToward(100, 21500, 1800), 21500);
  EXPECT_EQ(TurnHeadingToward(0, 10800, 1), 21599);   // half a turn goes down
  EXPECT_EQ(TurnHeadingToward(1000, 2000, 300), 1300);
  EXPECT_EQ(TurnHeadingToward(5000, 5000, 10), 5000);
  EXPECT_EQ(TurnHeadingToward(-100, 0, 50), 21550);
  const int fighter = Still(2, 300, 300);
  const int target = AngleBetween(300, 300, 100, 400);
  std::vector<int> seen;
  SetCurrentActor(fighter);
  for (int i = 0; i < 7; ++i) seen.push_back(TurnTowardPlayer(fighter));
  EXPECT_EQ(seen, (std::vector<int>{1800, 3600, 5400, 7200, 9000, target, target}));
  const int missile = Still(9, 300, 300);   // without 0x10000 it keeps its heading
  SetCurrentActor(missile);
  EXPECT_EQ(TurnTowardPlayer(missile), 0);
}

}  // namespace
