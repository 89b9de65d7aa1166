// The shared scoring rules: the phase level's caps, banners and display timer, the score reward,
// the chain time, the spirit rating and the player accessors without a player.
#include "play_fixture.h"

namespace {

using Scoring = PlayScene;

TEST_F(Scoring, PhaseLevelKeepsToItsDifficultysRangeAndBannersOnlyRealChanges) {
  struct Step { int difficulty, from, delta, to, up, down; };
  const Step steps[] = {
      {kNovice, 2, +1, 2, 0, 0},     {kNovice, 2, -1, 1, 0, 1},     {kNovice, 1, -1, 1, 0, 0},
      {kRevised, 4, +1, 5, 1, 0},    {kRevised, 5, +1, 5, 0, 0},    {kRevised, 5, 0, 5, 0, 0},
      {kUnlimited, 7, +5, 12, 1, 0}, {kUnlimited, 2, -3, 1, 0, 1},  {kDemonic, 11, -1, 11, 0, 0},
      {kDemonic, 11, +1, 11, 0, 0},  {kRevised, 3, 0, 3, 0, 0},
  };
  for (const Step& s : steps) {
    ResetActors();
    ASSERT_GT(Start(s.difficulty), 0);
    SetGameVar(kVarPhaseLevel, s.from);
    SetGameVar(kVarLevelTimer, 0);
    ChangePhaseLevel(s.delta);
    EXPECT_EQ(Var(kVarPhaseLevel), s.to) << s.difficulty << " " << s.from << " " << s.delta;
    EXPECT_EQ(CountLabels(182), s.up);
    EXPECT_EQ(CountLabels(180), s.down);
    EXPECT_EQ(Var(kVarLevelTimer), 60);   // restarted by every call, also a change of 0
  }
  // A shift or the mission area holds the level at 11, whatever the difficulty.
  ResetActors();
  ASSERT_GT(Start(kNovice), 0);
  SetGameVar(kVarShiftSavedLevel, 2);
  ChangePhaseLevel(-1);
  EXPECT_EQ(Var(kVarPhaseLevel), 11);
  SetGameVar(kVarShiftSavedLevel, 0);
  SetGameVar(kVarArea, kMissionArea);
  ChangePhaseLevel(-4);
  EXPECT_EQ(Var(kVarPhaseLevel), 11);
  // The menu preview player changes the level without banners.
  SetGameVar(kVarArea, 0);
  SetGameVar(kVarDifficulty, kUnlimited);
  int before = CountLabels(182);
  OrActorField(kFieldFlags, GetPlayerActor(), kPlayerPreviewFlag);
  ChangePhaseLevel(+1);
  EXPECT_EQ(Var(kVarPhaseLevel), 12);
  EXPECT_EQ(CountLabels(182), before);
}

TEST_F(Scoring, ScoreRewardComesOnceWhenTheScorePassesOnePointFiveMillion) {
  ASSERT_GT(Start(kRevised), 0);
  auto rewards = [] {
    int n = 0;
    for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
      if (GetActorField(kFieldKind, a) == 0x20000006 && GetActorField(32, a) == 33) ++n;
    }
    return n;
  };
  if (SpawnItem(0, 0, 0, 0, 1) < 1) GTEST_SKIP() << "items are not built yet";
  SetGameVar(kVarScore, 1499999);
  AddScore(1);
  EXPECT_EQ(Var(kVarScore), 1500000);
  EXPECT_EQ(rewards(), 1);
  AddScore(200);
  SetGameVar(kVarScore, 1400000);
  AddScore(50000);
  EXPECT_EQ(rewards(), 1);
  AddScore(100000);
  EXPECT_EQ(rewards(), 2);
}

TEST_F(Scoring, ChainTimeSpiritRatingAndTheAccessorsWithoutAPlayer) {
  ASSERT_GT(Start(kRevised), 0);
  SetGameVar(kVarChainTimer, 10);
  AddChainTime(120);
  EXPECT_EQ(Var(kVarChainTimer), 60);
  SetGameVar(kVarChainTimer, 10);
  AddChainTime(20);
  EXPECT_EQ(Var(kVarChainTimer), 30);

  EXPECT_EQ(IncGameVarUpTo(kVarMana, 100), 100);
  EXPECT_EQ(IncGameVarUpTo(kVarMana, 100), 100);
  SetGameVar(kVarShake, 1);
  DecGameVarToZero(kVarShake);
  DecGameVarToZero(kVarShake);
  EXPECT_EQ(Var(kVarShake), 0);

  // Area 1 (multiplier 2), average level 9 / 2 = 4, 3 onslaughts, 2 from 250000 units of score,
  // 1 hit, 5 bombs counting 5 / 2 = 2: 8 + 3 + 2 - 1 - 2 = 10.
  SetGameVar(kVarLevelSum, 9);
  SetGameVar(kVarLevelFrames, 2);
  SetGameVar(kVarOnslaughts, 3);
  SetGameVar(kVarScore, 250000);
  SetGameVar(kVarTimesHit, 1);
  SetGameVar(kVarBombsLaunched, 5);
  EXPECT_EQ(CalcSpiritRating(), 10);
  SetGameVar(kVarContinues, 1);   // a continued play counts the level once
  EXPECT_EQ(CalcSpiritRating(), 6);
  SetGameVar(kVarLevelFrames, 0);   // no running frames: divided by 1
  EXPECT_EQ(CalcSpiritRating(), 9 + 3 + 2 - 1 - 2);
  SetGameVar(kVarBombsLaunched, 1000);
  EXPECT_EQ(CalcSpiritRating(), 0);

  DeleteActor(GetPlayerActor());
  EXPECT_EQ(GetPlayerActor(), 0);   // a freed player is no player, even after its slot is reused
  EXPECT_EQ(GetAngleToPlayer(100, 100), 10800);
  EXPECT_EQ(GetDistanceSqToPlayer(100, 100), 0x3FFFFFFF);
  EXPECT_EQ(GetPlayerField(kFieldX), 0);
  StartPlayerHit();
  EXPECT_EQ(Var(kVarHitTimer), 0);
}

}  // namespace
