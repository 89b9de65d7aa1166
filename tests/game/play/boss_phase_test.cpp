// The boss phase of area 0 on the session's own timer, in slow mode, where every third frame holds
// the actors back while the phase timer runs on: the form change at 2371 and the timed second
// form's fall (the timer held at 2340, the seconds left paid at the tally, the area's end) happen
// whichever frame of the slow rhythm their moment falls on.
#include <vector>

#include "game/play/enemies.h"
#include "play_fixture.h"

namespace {

class BossPhase : public PlayScene {
protected:
  void TearDown() override {
    SetSlowMode(0);
    PlayScene::TearDown();
  }
  // Area 0's boss phase running, the area boss arrived, slow mode on.
  void EnterBossPhase() {
    ASSERT_GT(Start(kRevised, 0, 0), 0);
    SetGameVar(kVarPhase, 3);
    SetupAreaPhase();
    while (Boss(16) < 1 && Var(kVarPhaseTimer) < 100) SlowStep();
    ASSERT_GT(Boss(16), 0);
    SlowStep();
    ASSERT_TRUE(IsSlowMode());
  }
  // A frame with the slow gauge kept full (as a long hit chain keeps it) and the player unhurt.
  static void SlowStep() {
    SetGameVar(kVarSlowGauge, 60);
    SetGameVar(kVarInvulnerable, 1000);
    Step();
  }
  static int Boss(int id) {
    for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
      if (GetActorField(kFieldKind, a) == (kKindEnemy | id)) return a;
    }
    return 0;
  }
  static bool HeldNext() { return Var(kVarFrame) % 3 == 0; }
};

TEST_F(BossPhase, FormChangesAtTimer2371OnWhicheverFrameOfTheSlowRhythmItFalls) {
  for (int offset = 0; offset < 3; ++offset) {
    EnterBossPhase();
    const int first = Boss(16);
    // Age the boss past 180 (it takes no part in the timer before), then bring the timer near.
    for (int i = 0; i < 400 && GetActorField(kFieldAge, first) < 200; ++i) SlowStep();
    ASSERT_GE(GetActorField(kFieldAge, first), 200);
    SetTimer(2366 + offset);
    int changedAt = -1, changedOnHeld = 0;
    for (int i = 0; i < 12 && changedAt < 0; ++i) {
      const int32_t before = Var(kVarPhaseTimer);
      const bool held = HeldNext();
      SlowStep();
      if (Boss(17) > 0) {
        changedAt = before;
        changedOnHeld = held;
      }
      ASSERT_LT(Var(kVarPhaseTimer), 2400) << "the phase ran on past the change";
    }
    ASSERT_GE(changedAt, 2371) << offset;
    EXPECT_LE(changedAt, 2372) << offset;   // the first frame that runs the boss from 2371 on
    EXPECT_FALSE(changedOnHeld);
    EXPECT_EQ(GetActorField(kFieldKind, first), kKindEnemy);   // its dying explosion
    EXPECT_EQ(Var(kVarPhaseTimer), 1);   // restarted by the second form, then one frame on
    EXPECT_EQ(Var(kVarBossId), 17);
    const int second = Boss(17);
    EXPECT_EQ(GetActorField(71, second), Var(kVarPhaseLevel));
    // The phase's start event ran again for the timed form: bullets on, spawns allowed.
    EXPECT_EQ(uint32_t(Var(kVarSessionFlags)) & kSessionPhaseIdle, 0u);
    ResetActors();
  }
}

TEST_F(BossPhase, TheTimedFormsFallHoldsTheTimerTakesItsSecondsLeftAndEndsTheArea) {
  for (int offset = 0; offset < 3; ++offset) {
    EnterBossPhase();
    for (int i = 0; i < 400 && GetActorField(kFieldAge, Boss(16)) < 200; ++i) SlowStep();
    SetTimer(2371);
    for (int i = 0; i < 3 && Boss(17) < 1; ++i) SlowStep();
    const int boss = Boss(17);
    ASSERT_GT(boss, 0);
    for (int i = 0; i < 1000 && Var(kVarPhaseTimer) < 600 + offset; ++i) SlowStep();
    ASSERT_TRUE(IsSlowMode());
    SetActorField(kFieldHp, boss, 0);
    // Defeated on the first frame that runs it: its seconds left are taken then.
    int32_t fellAt = -1;
    for (int i = 0; i < 4 && fellAt < 0; ++i) {
      const int32_t before = Var(kVarPhaseTimer);
      SlowStep();
      if (GetActorField(kFieldKind, boss) == kKindEnemy) fellAt = before;
    }
    ASSERT_GT(fellAt, 0);
    EXPECT_EQ(Var(kVarTimeLeft), (2400 - fellAt) / 60);
    // The dying explosion holds the timer at 2340 through its 61 run frames; the held frames
    // between them move it on by one, and the next run frame takes it back.
    int run = 0, frames = 0;
    while (GetActorField(kFieldKind, boss) == kKindEnemy && frames < 200) {
      const bool held = HeldNext();
      SlowStep();
      ++frames;
      run += !held;
      if (run > 0) {
        EXPECT_GE(Var(kVarPhaseTimer), 2341);
        EXPECT_LE(Var(kVarPhaseTimer), 2342);
      }
    }
    EXPECT_EQ(run, 61);
    EXPECT_GT(frames, run);
    // From there the phase ends, tallies and lets the player fly off, in slow mode all along.
    std::vector<int32_t> events;
    for (int i = 0; i < 3000 && GetPlayerActor() > 0; ++i) {
      const int32_t t = Var(kVarPhaseTimer);
      SlowStep();
      if (t == 2400 && (uint32_t(Var(kVarSessionFlags)) & kSessionPhaseIdle)) events.push_back(2400);
      if (t == 2680 && GetPlayerField(kFieldVx) == 4096) events.push_back(2680);
    }
    EXPECT_EQ(events, (std::vector<int32_t>{2400, 2680})) << offset;
    EXPECT_EQ(GetPlayerActor(), 0);   // the area ended: the results
    ResetActors();
  }
}

}  // namespace
