// The player: loadout speeds, the entrance, movement and bounds, the processed input (rapid fire,
// the shift button, the entrance's held fire), the demonic shift's rules, the hit window with
// the counter bomb, the two-frame graze and the collision.
#include "play_fixture.h"

namespace {

using Player = PlayScene;

TEST_F(Player, LoadoutSpeedsStayWithinFourToSeven) {
  EXPECT_EQ(CalcLoadoutSpeed(0, 0, 3), 4);
  EXPECT_EQ(CalcLoadoutSpeed(1, 2, 0), 7);
  EXPECT_EQ(CalcLoadoutSpeed(2, 1, 1), 5);
  EXPECT_EQ(CalcLoadoutSpeed(3, 3, 2), 5);
  EXPECT_EQ(CalcLoadoutSpeed(4, 5, 9), CalcLoadoutSpeed(0, 1, 1));   // two bits each
}

TEST_F(Player, MovesBySpeedSlowsOnDiagonalsAndStaysInBounds) {
  ASSERT_GT(Start(kRevised), 0);
  EXPECT_EQ(X(), 0);
  EXPECT_EQ(Y(), 224);
  Steps(45);
  // Pushed in by the entrance, then still.
  int x0 = X();
  EXPECT_GT(x0, 150);
  Step();
  EXPECT_EQ(X(), x0);

  struct Move { uint32_t input; int dx, dy; };
  // Speed 6: 6 straight, 4 on both axes; SLOW halves to 3 (2 diagonally). Right wins over left
  // and down over up.
  const Move moves[] = {
      {kButtonRight, 6, 0},
      {kButtonUp, 0, -6},
      {kButtonRight | kButtonDown, 4, 4},
      {kButtonLeft | kButtonRight, 6, 0},
      {kButtonUp | kButtonDown, 0, 6},
      {kButtonLeft | kButtonSlow, -3, 0},
      {kButtonLeft | kButtonUp | kButtonSlow, -2, -2},
  };
  for (const Move& m : moves) {
    Place(300, 240);
    Step(m.input);
    EXPECT_EQ(X(), 300 + m.dx) << m.input;
    EXPECT_EQ(Y(), 240 + m.dy) << m.input;
    EXPECT_EQ(Field(kPlayerMoveX), 2 * m.dx / std::max(std::abs(m.dx), 1));
  }
  Place(25, 25);
  Steps(3, kButtonLeft | kButtonUp);
  EXPECT_EQ(X(), 20);
  EXPECT_EQ(Y(), 20);
  Place(615, 455);
  Steps(3, kButtonRight | kButtonDown);
  EXPECT_EQ(X(), 620);
  EXPECT_EQ(Y(), 460);
  // The right edge opens when the last phase sends the player off.
  SetTimer(2680);
  Place(615, 240);
  Step(kButtonRight);
  EXPECT_GT(X(), 620);
}

TEST_F(Player, TheSecondCharactersLoadoutSetsItsSpeed) {
  SetSettingsSlot(kSlotRigChoice, 0);
  SetSettingsSlot(kSlotRigs, 1);
  SetSettingsSlot(kSlotRigs + 1, 2);
  SetSettingsSlot(kSlotRigs + 2, 0);
  ASSERT_GT(Start(kRevised, 1), 0);
  Steps(45);
  Place(300, 240);
  Step(kButtonRight | kButtonSlow);
  EXPECT_EQ(X(), 303);   // 7 halved
  Place(300, 240);
  Step(kButtonRight | kButtonDown);
  EXPECT_EQ(X(), 305);
  EXPECT_EQ(Y(), 245);
  SetActorField(kPlayerShotType, GetPlayerActor(), 0);   // the five-way throws one casing at 2400
  Step(kButtonShot);
  std::vector<int> casings;
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a)
    if (GetActorField(kFieldSprite, a) == 1154) casings.push_back(GetActorField(kFieldSpeed, a));
  EXPECT_EQ(casings, std::vector<int>{2400});
}

// The processed word each frame (what the character task keeps in field 22).
TEST_F(Player, InputIsProcessedForRapidFireTheShiftButtonAndTheEntrance) {
  ASSERT_GT(Start(kRevised), 0);
  Step(kButtonShot);
  EXPECT_EQ(uint32_t(Field(kPlayerPrevInput)), 0u);   // SHOT is held back for 30 frames
  while (Field(kFieldAge) < 40) Step();
  int fired = 0;
  for (int i = 0; i < 16; ++i) {
    int n = Field(kFieldAge);
    Step(kButtonRapid);
    bool shot = (uint32_t(Field(kPlayerPrevInput)) & kButtonShot) != 0;
    EXPECT_EQ(shot, n % 4 == 0) << n;
    fired += shot;
  }
  EXPECT_EQ(fired, 4);
  Step(kButtonShot);
  EXPECT_EQ(uint32_t(Field(kPlayerPrevInput)), uint32_t(kButtonShot));
  Step(kButtonDShift);
  EXPECT_EQ(uint32_t(Field(kPlayerPrevInput)), uint32_t(kButtonDShift | kButtonMAction | kButtonBomber));
}

// A shift starts only with everything in place; it holds mana at 0 and the level at 11, fires
// SHOT every fourth frame, ends on a new BOMBER press and then refunds the mana.
TEST_F(Player, DemonicShiftRules) {
  const uint32_t both = kButtonBomber | kButtonMAction;
  struct Refusal { const char* why; int difficulty; int lives; int mana; int cooldown; bool idle; };
  const Refusal refusals[] = {
      {"novice", kNovice, 3, 99, 0, false},   {"one life", kRevised, 1, 99, 0, false},
      {"mana 32", kRevised, 3, 32, 0, false}, {"cooldown 20", kRevised, 3, 99, 20, false},
      {"phase idle", kRevised, 3, 99, 0, true},
  };
  for (const Refusal& r : refusals) {
    ResetActors();
    ASSERT_GT(Start(r.difficulty), 0);
    ToRunningPhase();
    SetGameVar(kVarLives, r.lives);
    SetGameVar(kVarMana, r.mana);
    SetGameVar(kVarBombCooldown, r.cooldown);
    if (r.idle) OrActorField(kFieldFlags, GetSessionActor(), kSessionPhaseIdle);
    Step(both);
    EXPECT_EQ(Var(kVarShiftTimer), 0) << r.why;
    EXPECT_EQ(Var(kVarLives), r.lives) << r.why;
  }

  ResetActors();
  ASSERT_GT(Start(kRevised), 0);
  ToRunningPhase();
  SetGameVar(kVarMana, 80);
  SetGameVar(kVarBombCooldown, 19);
  Step(both);
  EXPECT_EQ(Var(kVarLives), 2);
  EXPECT_EQ(Var(kVarShiftTimer), 800);
  EXPECT_EQ(Var(kVarMana), 0);
  EXPECT_EQ(Var(kVarPhaseLevel), 11);
  EXPECT_EQ(Var(kVarShiftSavedLevel), 4);
  EXPECT_EQ(Var(kVarShifts), 1);
  EXPECT_EQ(Var(kVarShake), 29);   // 30, one frame down already
  SetGameVar(kVarHeat, 100);
  Steps(10);
  EXPECT_EQ(Var(kVarShiftTimer), 790);
  EXPECT_EQ(Var(kVarMana), 0);
  EXPECT_EQ(Var(kVarHeat), 0);
  EXPECT_EQ(Field(kPlayerShiftFrames), 10);
  // BOMBER newly pressed without M ACTION: the shift ends, refunding a tenth of its timer.
  Step(kButtonBomber);
  EXPECT_EQ(Var(kVarShiftTimer), 1);
  EXPECT_EQ(Var(kVarMana), 79);
  EXPECT_EQ(Var(kVarPhaseLevel), 11);
  Step();
  EXPECT_EQ(Var(kVarShiftTimer), 0);
  EXPECT_EQ(Var(kVarPhaseLevel), 4);
  EXPECT_EQ(Var(kVarShiftSavedLevel), 0);
  EXPECT_EQ(Var(kVarMana), 79);

  // A shift that runs out restores the level; outside the running phase it ends at once.
  Step(both);
  EXPECT_EQ(Var(kVarShiftTimer), 790);
  OrActorField(kFieldFlags, GetSessionActor(), kSessionPhaseIdle);
  Step();
  EXPECT_EQ(Var(kVarShiftTimer), 0);
  EXPECT_EQ(Var(kVarPhaseLevel), 4);
}

// A hit during a shift costs no life: the shift ends, the mana comes back, the window never
// opens.
TEST_F(Player, AHitDuringAShiftIsAbsorbed) {
  ASSERT_GT(Start(kRevised), 0);
  ToRunningPhase();
  SetGameVar(kVarMana, 50);
  Step(kButtonBomber | kButtonMAction);
  ASSERT_EQ(Var(kVarShiftTimer), 500);
  Step();
  StartPlayerHit();
  EXPECT_EQ(Var(kVarHitTimer), 18);
  EXPECT_EQ(Var(kVarShiftTimer), 0);
  EXPECT_EQ(Var(kVarMana), 49);
  EXPECT_EQ(Var(kVarPhaseLevel), 4);
  EXPECT_EQ(Var(kVarInvulnerable), 180);
  Steps(30);
  EXPECT_EQ(Var(kVarHitTimer), 0);
  EXPECT_EQ(Var(kVarLives), 2);   // the one the shift took
  EXPECT_EQ(Var(kVarTimesHit), 1);
}

TEST_F(Player, HitWindowCostsALifeUnlessACounterBombFires) {
  // REVISED, no press: the window (level 3 after the hit, so 23 frames) runs out, a life goes and
  // a bomb comes back.
  ASSERT_GT(Start(kRevised), 0);
  ToRunningPhase();
  Place(300, 240);
  int b = Bullet(302, 242);
  Step();
  EXPECT_EQ(GetActorField(kFieldKind, b), 0);   // the bullet that hit is gone
  EXPECT_EQ(Var(kVarHitTimer), 40);
  EXPECT_EQ(Var(kVarPhaseLevel), 3);
  EXPECT_EQ(Var(kVarInvulnerable), 180);
  EXPECT_EQ(Var(kVarTimesHit), 1);
  EXPECT_EQ(Var(kVarHitsKept), 1);
  int frames = 0;
  while (Var(kVarLives) == 3) {
    Step(kButtonRight);
    EXPECT_EQ(Field(kPlayerMoveX), 0);   // knocked back, never steered
    ASSERT_LT(++frames, 40);
  }
  EXPECT_EQ(frames, 40 - 23 + 1);
  EXPECT_EQ(Var(kVarBombs), 4);
  Steps(30);
  EXPECT_EQ(Var(kVarHitTimer), 0);

  // With one life the last is lost: no invulnerability, the wreck falls.
  SetGameVar(kVarLives, 1);
  SetGameVar(kVarInvulnerable, 0);
  StartPlayerHit();
  Steps(20);
  EXPECT_EQ(Var(kVarLives), 0);
  EXPECT_EQ(Var(kVarInvulnerable), 0);
  EXPECT_GT(Field(kFieldVy), 0);
}

TEST_F(Player, NoviceCountersByItselfAtTheWindowsLastFrame) {
  ASSERT_GT(Start(kNovice), 0);
  ToRunningPhase();
  SetGameVar(kVarBombs, 1);
  StartPlayerHit();
  EXPECT_EQ(Var(kVarPhaseLevel), 1);   // lowered before the window is measured: 1 + 20
  int frames = 0;
  while (Var(kVarHitTimer) > 0) {
    Step();
    ++frames;
  }
  // 40 down to 22 without a press; at 22 the counter bomb ends the hit.
  EXPECT_EQ(frames, 40 - 22 + 1);
  EXPECT_EQ(Var(kVarLives), 3);
  EXPECT_EQ(CountLabels(181), 1);   // AUTO COUNTER BOMB

  // A pressed counter bomb on REVISED ends the hit at once.
  ResetActors();
  ASSERT_GT(Start(kRevised), 0);
  ToRunningPhase();
  StartPlayerHit();
  Steps(3);
  Step(kButtonBomber);
  EXPECT_EQ(Var(kVarHitTimer), 0);
  EXPECT_EQ(Var(kVarLives), 3);
  EXPECT_EQ(CountLabels(181), 0);
}

// A bullet must be within 60 px on two frames to graze, and grazes once; every 500th graze raises
// the level.
TEST_F(Player, GrazingTakesTwoFramesAndCountsOnce) {
  ASSERT_GT(Start(kUnlimited), 0);
  ToRunningPhase();
  Place(300, 240);
  SetGameVar(kVarMana, 40);
  SetGameVar(kVarInvulnerable, 1000);
  int near = Bullet(340, 240);
  int touching = Bullet(303, 240);
  int far = Bullet(361, 240);
  Step();
  EXPECT_EQ(Var(kVarGrazes), 0);
  EXPECT_NE(uint32_t(GetActorField(kFieldFlags, near)) & kBulletGrazeArmed, 0u);
  EXPECT_EQ(uint32_t(GetActorField(kFieldFlags, far)) & kBulletGrazeArmed, 0u);
  Step();
  EXPECT_EQ(Var(kVarGrazes), 2);
  EXPECT_EQ(Var(kVarMana), 42);
  EXPECT_EQ(Var(kVarChainTimer), 19);   // 10 each, one frame down
  EXPECT_NE(uint32_t(GetActorField(kFieldFlags, touching)) & kBulletGrazed, 0u);
  EXPECT_EQ(GetActorField(kFieldKind, touching), kKindEnemyBullet);   // invulnerable: no hit
  Steps(5);
  EXPECT_EQ(Var(kVarGrazes), 2);
  EXPECT_EQ(Var(kVarHitTimer), 0);

  SetGameVar(kVarGrazes, 498);
  SetGameVar(kVarMana, 100);
  Bullet(320, 240);
  Bullet(320, 250);
  Steps(2);
  EXPECT_EQ(Var(kVarGrazes), 500);
  EXPECT_EQ(Var(kVarMana), 100);
  EXPECT_EQ(Var(kVarPhaseLevel), 8);
  EXPECT_EQ(Var(kVarGrazeMilestones), 1);
}

}  // namespace
