// The session: start values per difficulty and from damaged slots, the phase timer through its
// stages (intro, running, phase end with the tally, next phase, the exit), extends, the game over,
// and the frames on which play is held back (slow-skip frames, the pause menu).
#include "play_fixture.h"

namespace {

using Session = PlayScene;

TEST_F(Session, EachDifficultyStartsAtItsLevelFloorAndStock) {
  struct Case { int difficulty, level, floor; };
  for (Case c : {Case{0, 2, 4}, Case{1, 4, 5}, Case{2, 7, 7}, Case{3, 11, 9}}) {
    ResetActors();
    SetSettingsSlot(kSlotStartLives, 2);
    int session = Start(c.difficulty);
    ASSERT_GT(session, 0);
    EXPECT_EQ(GetSessionActor(), session);
    EXPECT_EQ(GetActorField(kFieldKind, session), kKindGameSession);
    EXPECT_EQ(uint32_t(Var(kVarSessionFlags)) & 0x4000002u, 0x4000002u);
    EXPECT_EQ(Var(kVarPhaseLevel), c.level) << c.difficulty;
    EXPECT_EQ(Var(kVarBulletFloor), c.floor);
    EXPECT_EQ(Var(kVarLives), 3);
    EXPECT_EQ(Var(kVarMaxLives), 3);
    EXPECT_EQ(Var(kVarBombs), 3);
    EXPECT_EQ(Var(kVarGemCap), 100);
    EXPECT_EQ(Var(kVarNextExtend), 100000);
    EXPECT_EQ(Var(kVarLevelTimer), 0);
    EXPECT_EQ(Var(kVarMana), 99);
    // The area has started: the first phase's intro, spawns refused, frames played.
    EXPECT_EQ(Var(kVarPhaseTimer), -200);
    EXPECT_NE(uint32_t(Var(kVarSessionFlags)) & kSessionPhaseIdle, 0u);
    EXPECT_NE(GetSettingsSlot(kSlotPlayMode) & kPlayFrames, 0);
    int player = GetPlayerActor();
    ASSERT_GT(player, 0);
    EXPECT_EQ(GetActorField(kFieldKind, player), kKindPlayerA);
    EXPECT_GT(Var(kVarBackground), 0);
  }
}

TEST_F(Session, SlotsOutsideTheirRangesStartAPlayableSession) {
  SetSettingsSlot(kSlotStartLives, 99);
  SetSettingsSlot(kSlotContinues, -4);
  SetSettingsSlot(kSlotRigChoice, 9);
  for (int s = kSlotRigs; s < kSlotRigs + 12; ++s) SetSettingsSlot(s, 77);
  SetSettingsSlot(kSlotDifficulty, -5);
  SetSettingsSlot(kSlotCharacter, 7);
  SetSettingsSlot(kSlotStartArea, 5);
  SetSettingsSlot(kSlotPlayMode, 2);
  ASSERT_GT(RunGameStateThroughCard(), 0);
  EXPECT_EQ(Var(kVarDifficulty), 0);
  EXPECT_EQ(Var(kVarCharacter), 1);
  EXPECT_EQ(Var(kVarArea), 0);   // area 5 has no start: area 0 instead
  EXPECT_EQ(Var(kVarMaxLives), 5);
  EXPECT_EQ(Var(kVarContinues), 0);
  EXPECT_EQ(Var(kVarLoadout), 63);   // rig 3 of choices 3, 3, 3
  EXPECT_EQ(Var(kVarPhaseTimer), -200);
  EXPECT_EQ(GetActorField(kFieldKind, GetPlayerActor()), kKindPlayerA + 1);
  EXPECT_EQ(Field(kFieldSpeed), CalcLoadoutSpeed(3, 3, 3));

  ResetActors();
  SetSettingsSlot(kSlotStartArea, 7);
  SetSettingsSlot(kSlotPlayMode, 2);
  ASSERT_GT(RunGameStateThroughCard(), 0);
  EXPECT_EQ(Var(kVarArea), 0);
}

TEST_F(Session, TheSecondCharacterTakesItsRigOrInPlaybackTheReplaysLoadout) {
  SetSettingsSlot(kSlotRigChoice, 2);
  SetSettingsSlot(kSlotRigs + 6, 1);
  SetSettingsSlot(kSlotRigs + 7, 2);
  SetSettingsSlot(kSlotRigs + 8, 3);
  ASSERT_GT(Start(kRevised, 1), 0);
  EXPECT_EQ(Var(kVarLoadout), 16 + 8 + 3);
  EXPECT_EQ(Field(kPlayerShotType), 1);
  EXPECT_EQ(Field(kPlayerSubWeapon), 2);
  EXPECT_EQ(Field(kPlayerBombType), 3);
  EXPECT_EQ(Field(kFieldSpeed), 7);
  EXPECT_EQ(Field(kPlayerCharacter), 1);
  // The furthest area reached is kept per character and difficulty, only when larger.
  EXPECT_EQ(GetSettingsSlot(528 + 4 + kRevised), 1);

  ResetActors();
  SetSettingsSlot(528 + 4 + kRevised, 3);
  SetSettingsSlot(kSlotReplayLoadout, 5);
  SetSettingsSlot(kSlotDifficulty, kRevised);
  SetSettingsSlot(kSlotPlayMode, 2 | kPlayReplay);
  ASSERT_GT(RunGameStateThroughCard(), 0);
  EXPECT_EQ(Var(kVarLoadout), 5);
  EXPECT_EQ(GetSettingsSlot(528 + 4 + kRevised), 3);
}

TEST_F(Session, MissionStartsWithOneLifeNoBombsAndTheRunningPhase) {
  ASSERT_GT(Start(kRevised, 0, kMissionArea), 0);
  EXPECT_EQ(Var(kVarPhaseLevel), 11);
  EXPECT_EQ(Var(kVarBulletFloor), 9);
  EXPECT_EQ(Var(kVarLives), 1);
  EXPECT_EQ(Var(kVarMaxLives), 1);
  EXPECT_EQ(Var(kVarBombs), 0);
  EXPECT_EQ(Var(kVarGemCap), 10000);
  EXPECT_EQ(Var(kVarNextExtend), 999999999);
  EXPECT_EQ(Var(kVarPhaseTimer), 0);
  EXPECT_EQ(Var(kVarInvulnerable), 240);
  EXPECT_NE(GetSettingsSlot(kSlotPlayMode) & kPlayMission, 0);
  Step();
  EXPECT_EQ(Var(kVarPhaseTimer), 1);
  EXPECT_EQ(uint32_t(Var(kVarSessionFlags)) & kSessionPhaseIdle, 0u);
}

// A whole area without enemies: four phases of intro, waves, phase end and tally, then the
// player flies off to the right and the area ends through the result screen.
TEST_F(Session, AnAreaRunsItsFourPhasesAndEndsOnceThePlayerLeaves) {
  ASSERT_GT(Start(kRevised, 0, 1), 0);
  int session = GetSessionActor();
  int firstPhaseFrames = 0;
  while (Var(kVarPhase) == 0) {
    Step();
    ++firstPhaseFrames;
    if (Var(kVarPhaseTimer) == 1) {
      EXPECT_EQ(uint32_t(Var(kVarSessionFlags)) & kSessionPhaseIdle, 0u);
    }
    if (Var(kVarPhaseTimer) == 2401) {
      EXPECT_NE(uint32_t(Var(kVarSessionFlags)) & kSessionPhaseIdle, 0u);
      EXPECT_EQ(Var(kVarInvulnerable), 300);
    }
    ASSERT_LT(firstPhaseFrames, 5000);
  }
  // From -200 to 2680, then the next phase's set-up in the same update (the timer steps on).
  EXPECT_EQ(firstPhaseFrames, 2881);
  EXPECT_EQ(Var(kVarPhaseTimer), -199);
  EXPECT_EQ(Var(kVarLevelFrames), 2400);
  EXPECT_EQ(Var(kVarLevelSum), 2400 * 4);
  while (Var(kVarPhase) < 3) Step();
  while (Var(kVarPhaseTimer) < 2681) Step();
  EXPECT_EQ(Field(kFieldVx), 4096);
  int frames = 0;
  while (GetSessionActor() == session) {
    Step();
    ASSERT_LT(++frames, 200);
  }
  EXPECT_GT(frames, 1);
  EXPECT_EQ(GetPlayerActor(), 0);
  EXPECT_EQ(GetActorField(kFieldKind, GetSessionActor()), kKindEffect);   // the idle session
  EXPECT_EQ(GetSettingsSlot(kSlotPlayMode) & kPlayFrames, 0);
}

TEST_F(Session, TheTallyPaysOnceFromTheShootDownRate) {
  ASSERT_GT(Start(kRevised), 0);
  ToRunningPhase();
  SetGameVar(kVarPhaseSpawned, 40);
  SetGameVar(kVarPhaseKills, 30);
  SetGameVar(kVarPhaseBestChain, 5);
  SetGameVar(kVarPhaseGems, 6);
  SetGameVar(kVarGrazes, 7);
  SetGameVar(kVarScore, 0);
  SetGameVar(kVarNextExtend, 1 << 30);
  SetTimer(2400);
  while (Var(kVarPhaseTimer) < 2581) Step();
  // Level 4: SHOOTDOWN 75, B = 4 x 4 x 75 / 100 = 12, TOTALBONUS 120 x 18; a tenth is paid.
  EXPECT_EQ(Var(kVarGemCap), 112);
  EXPECT_EQ(Var(kVarScore), 120 * 18 / 10);
  while (Var(kVarPhaseTimer) < 2680) Step();
  EXPECT_EQ(Var(kVarGemCap), 112);
  EXPECT_EQ(Var(kVarScore), 120 * 18 / 10);

  // A boss tally with no bombs left: B = 0 becomes the level; the cap stops at 1000.
  while (Var(kVarPhase) < 3) Step();
  ToRunningPhase();
  SetGameVar(kVarBombs, 0);
  SetGameVar(kVarGemCap, 998);
  int32_t score = Var(kVarScore);
  SetTimer(2400);
  while (Var(kVarPhaseTimer) < 2581) Step();
  EXPECT_EQ(Var(kVarGemCap), 1000);
  int64_t r8 = Var(kVarPhaseBestChain) + Var(kVarPhaseGems) + Var(kVarGrazes);
  EXPECT_EQ(Var(kVarScore), score + 40 * r8 / 10);
}

TEST_F(Session, ExtendsGiveALifeOrAtFullLivesTakeALevel) {
  ASSERT_GT(Start(kUnlimited), 0);
  ToRunningPhase();
  SetGameVar(kVarScore, 100000);
  Step();
  EXPECT_EQ(Var(kVarNextExtend), 200000);
  EXPECT_EQ(Var(kVarLives), 3);
  EXPECT_EQ(Var(kVarPhaseLevel), 6);
  EXPECT_EQ(CountLabels(139), 1);   // LIFE EXTEND
  SetGameVar(kVarLives, 1);
  SetGameVar(kVarScore, 250000);
  Step();
  EXPECT_EQ(Var(kVarLives), 2);
  EXPECT_EQ(Var(kVarNextExtend), 300000);   // one extend per frame, always 100000 further
  Step();
  EXPECT_EQ(Var(kVarLives), 2);
}

// Lives at 0: the picture fades in, at counter 60 the actors freeze, at 120 the results open.
// Area 6 ends the same way.
TEST_F(Session, AGameOverFreezesAtSixtyAndEndsAtOneTwenty) {
  for (int area : {1, kMissionArea}) {
    ResetActors();
    ASSERT_GT(Start(kRevised, 0, area), 0);
    ToRunningPhase();
    int session = GetSessionActor();
    SetGameVar(kVarLives, 0);
    int frames = 0;
    while (Var(kVarGameOver) < 60) {
      Step();
      ++frames;
      EXPECT_FALSE(IsGameOverFreezeHeld());
    }
    EXPECT_EQ(frames, 60);
    EXPECT_FALSE(IsActorsPaused());
    Step();
    EXPECT_TRUE(IsActorsPaused());
    EXPECT_TRUE(IsGameOverFreezeHeld());
    while (GetSessionActor() == session) {
      Step();
      ASSERT_LT(++frames, 200) << area;
    }
    EXPECT_EQ(frames, 120) << area;
    EXPECT_EQ(GetActorField(kFieldKind, GetSessionActor()), kKindEffect);
    SetActorsPaused(0);
  }
}

// On a slow-skip frame the stage logic waits; the timer waits with it on a value that carries an
// event, so the event happens on the next stepped frame instead of being lost.
TEST_F(Session, EventTimesAreHeldOverSlowSkipFrames) {
  ASSERT_GT(Start(kRevised), 0);
  ToRunningPhase();
  SetSlowMode(1);
  // A slow gauge of 30 neither starts nor stops slow mode.
  auto slowStep = [] {
    SetGameVar(kVarSlowGauge, 30);
    Step();
  };
  for (int32_t event : {2400, 2680}) {
    // The next walk is a slow-skip frame: the session's counter is a multiple of 3.
    while (Var(kVarFrame) % 3 != 0) slowStep();
    SetTimer(event);
    int phase = Var(kVarPhase);
    slowStep();
    EXPECT_EQ(Var(kVarPhaseTimer), event);
    slowStep();
    if (event == 2400) {
      EXPECT_EQ(Var(kVarInvulnerable), 300);
      EXPECT_EQ(Var(kVarPhaseTimer), 2401);
    } else {
      EXPECT_EQ(Var(kVarPhase), phase + 1);
      EXPECT_EQ(Var(kVarPhaseTimer), -199);
    }
  }
  // Timer 0 of the new phase waits likewise.
  while (Var(kVarFrame) % 3 != 0) slowStep();
  SetTimer(0);
  slowStep();
  EXPECT_EQ(Var(kVarPhaseTimer), 0);
  EXPECT_NE(uint32_t(Var(kVarSessionFlags)) & kSessionPhaseIdle, 0u);
  slowStep();
  EXPECT_EQ(Var(kVarPhaseTimer), 1);
  EXPECT_EQ(uint32_t(Var(kVarSessionFlags)) & kSessionPhaseIdle, 0u);
  EXPECT_TRUE(IsSlowMode());
}

// The session update takes the walk's answer: a frame on which the walk held the player back is
// one on which the chain timer waits too.
TEST_F(Session, TheSessionUpdateHoldsExactlyTheFramesTheWalkHeld) {
  ASSERT_GT(Start(kRevised), 0);
  ToRunningPhase();
  Place(100, 240);
  SetSlowMode(1);
  int held = 0;
  for (int i = 0; i < 30; ++i) {
    SetGameVar(kVarSlowGauge, 30);
    SetGameVar(kVarChainTimer, 50);
    int x = X();
    Step(kButtonRight);
    bool moved = X() != x;
    bool counted = Var(kVarChainTimer) == 49;
    EXPECT_EQ(moved, counted) << i;
    held += moved ? 0 : 1;
  }
  EXPECT_EQ(held, 10);
}

// The pause menu holds play: the session neither ages nor counts, and the display drawn by the
// pause menu leaves the bomb cooldown alone; play resumes exactly where it stopped.
TEST_F(Session, ThePauseMenuLeavesPlayAsItWas) {
  ASSERT_GT(Start(kRevised), 0);
  ToRunningPhase();
  Step();
  SetGameVar(kVarBombCooldown, 100);
  Pause();
  int32_t age = Var(kVarFrame), timer = Var(kVarPhaseTimer);
  for (int i = 0; i < 45; ++i) {
    Step();
    DrawGameHud();   // the pause menu draws the display every frame
  }
  EXPECT_EQ(Var(kVarFrame), age);
  EXPECT_EQ(Var(kVarPhaseTimer), timer);
  EXPECT_EQ(Var(kVarBombCooldown), 100);
  Resume();
  Step();
  EXPECT_EQ(Var(kVarFrame), age + 1);
  EXPECT_EQ(Var(kVarPhaseTimer), timer + 1);
  EXPECT_EQ(Var(kVarBombCooldown), 98);   // the player task and the display, once each
}

// The replay's end word ends the play after the walk, once; the player task stops at once.
TEST_F(Session, TheEndWordEndsThePlayAfterTheWalk) {
  ASSERT_GT(Start(kRevised), 0);
  ToRunningPhase();
  int session = GetSessionActor();
  for (int i = 0; i < 5; ++i) Bullet(300 + 10 * i, 100);
  Step(kReplayEndWord);
  EXPECT_FALSE(IsPlayEndNoted());
  EXPECT_EQ(GetPlayerActor(), 0);
  EXPECT_NE(GetSessionActor(), session);
  EXPECT_EQ(GetSettingsSlot(kSlotPlayMode) & kPlayFrames, 0);
  EXPECT_EQ(CountBullets(), 0);
}

}  // namespace
