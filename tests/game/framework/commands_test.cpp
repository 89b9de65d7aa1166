#include <climits>

#include "game/framework/actor_fixture.h"

namespace {

using Commands = ActorPool;

uint32_t Alpha(int a) { return uint32_t(GetActorField(kFieldColour, a)) & 0xFFu; }

TEST_F(Commands, RunsAreTimedByTheActorsAge) {
  // Delay 0, duration 0: exactly one run, in the same frame's command run.
  const int a = Spawn(kKindEffect);
  EXPECT_GE(AddActorCommand(a, kCmdAddField, 0, 0, 40, 1), 2);
  EXPECT_EQ(CountActorCommands(), 1);
  Frame();
  EXPECT_EQ(GetActorField(40, a), 1);
  EXPECT_EQ(CountActorCommands(), 0);
  Frame();
  EXPECT_EQ(GetActorField(40, a), 1);

  // Fade out with delay 120: alpha falls by 8 from age 120 to 152, the actor goes at 153.
  const int b = Spawn(kKindEffect);
  FadeOutActor(b, 120);
  std::vector<uint32_t> alpha(160, 999);
  int gone = -1;
  for (int frame = 1; frame < 160 && gone < 0; ++frame) {
    Frame();
    if (!Alive(b)) gone = frame;
    else alpha[frame] = Alpha(b);
  }
  EXPECT_EQ(alpha[119], 255u);
  EXPECT_EQ(alpha[120], 247u);
  EXPECT_EQ(alpha[150], 255u - 31 * 8);
  EXPECT_EQ(alpha[151], 0u);   // transparent from the 32nd run
  EXPECT_EQ(alpha[152], 0u);
  EXPECT_EQ(gone, 153);
  EXPECT_EQ(CountActorCommands(), 0);

  // Fade in: transparent at once, opaque from the 32nd of 33 runs. (With delay 0 the start age
  // has passed by the first run, which comes after the actor's update: 32 runs.)
  const int c = Spawn(kKindEffect);
  FadeInActor(c, 1);
  EXPECT_EQ(Alpha(c), 0u);
  for (int run = 1; run <= 31; ++run) Frame();
  EXPECT_EQ(Alpha(c), 248u);
  Frame();
  EXPECT_EQ(Alpha(c), 255u);
  EXPECT_EQ(CountActorCommands(), 1);
  Frame();
  EXPECT_EQ(CountActorCommands(), 0);

  // Actors of negative kind are never faded; free actors take no commands.
  const int d = Spawn(kKindEffect);
  SetActorField(kFieldKind, d, -5);
  FadeInActor(d, 0);
  EXPECT_EQ(Alpha(d), 255u);
  EXPECT_EQ(CountActorCommands(), 0);
  EXPECT_EQ(AddActorCommand(3000, kCmdAddField, 0, 0, 40, 1), 0);
  EXPECT_EQ(AddActorCommand(kActorHead, kCmdAddField, 0, 0, 40, 1), 0);
  EXPECT_EQ(AddActorCommand(kActorCount, kCmdAddField, 0, 0, 40, 1), 0);
  EXPECT_EQ(CountActorCommands(), 0);
}

TEST_F(Commands, PausedCommandsWaitAndResumeWhereTheyStopped) {
  const int a = Spawn(kKindEffect);
  const int runner = Spawn(kKindEffect);
  OrActorField(kFieldFlags, runner, kFlagRunsWhenPaused);
  AddActorCommand(a, kCmdAddField, 1, 3, 40, 1);
  AddActorCommand(runner, kCmdAddField, 1, 3, 40, 1);
  Frame();
  SetActorsPaused(1);
  for (int i = 0; i < 5; ++i) Frame();
  EXPECT_EQ(GetActorField(40, a), 1);
  EXPECT_EQ(GetActorField(40, runner), 4);
  // A one-shot command during a pause waits for the next run too.
  RunActorCommandNow1(a, kCmdSetScale, 500);
  EXPECT_EQ(GetActorField(kFieldScale, a), 1000);
  RunActorCommandNow1(runner, kCmdSetScale, 500);
  EXPECT_EQ(GetActorField(kFieldScale, runner), 500);
  SetActorsPaused(0);
  for (int i = 0; i < 5; ++i) Frame();
  EXPECT_EQ(GetActorField(40, a), 4);
  EXPECT_EQ(GetActorField(kFieldScale, a), 500);
  EXPECT_EQ(CountActorCommands(), 0);
  // Unpaused, a one-shot command runs at once and is gone.
  RunActorCommandNow2(a, kCmdSetPos, 7, 8);
  EXPECT_EQ(GetActorField(kFieldSubY, a), 8 * 256);
  EXPECT_EQ(CountActorCommands(), 0);
}

TEST_F(Commands, CodesChangeTheirFieldsWithClampsAndFollowUps) {
  const int a = Spawn(kKindEffect);
  SetActorField(kFieldColour, a, int32_t(0x64C8FAFAu));   // red 100, green 200, blue 250, alpha 250
  RunActorCommandNow1(a, kCmdAddAlpha, 8);
  RunActorCommandNow1(a, kCmdAddRed, -300);
  RunActorCommandNow1(a, kCmdAddGreen, INT_MAX);
  RunActorCommandNow1(a, kCmdSetBlue, -1);
  EXPECT_EQ(uint32_t(GetActorField(kFieldColour, a)), 0x00FF00FFu);
  RunActorCommandNow1(a, kCmdSetRed, 999);
  RunActorCommandNow1(a, kCmdAddBlue, 0x10);
  RunActorCommandNow1(a, kCmdSetAlpha, 0x20);
  RunActorCommandNow1(a, kCmdSetGreen, 1);
  EXPECT_EQ(uint32_t(GetActorField(kFieldColour, a)), 0xFF011020u);

  RunActorCommandNow1(a, kCmdOrFlags, 0x30);
  RunActorCommandNow1(a, kCmdClearFlags, 0x10);
  RunActorCommandNow1(a, kCmdWorldCoords, 1);
  RunActorCommandNow1(a, kCmdRotationFollows, 1);
  EXPECT_EQ(GetActorField(kFieldFlags, a), 0x130);
  RunActorCommandNow1(a, kCmdWorldCoords, 0);
  EXPECT_EQ(GetActorField(kFieldFlags, a), 0x120);
  RunActorCommandNow2(a, kCmdSetField, 50, -7);
  RunActorCommandNow2(a, kCmdAddField, 50, 10);
  RunActorCommandNow1(a, kCmdSetSprite, 640);
  RunActorCommandNow1(a, kCmdAddScale, -250);
  RunActorCommandNow2(a, kCmdAddVelocity, 3, -4);
  EXPECT_EQ(GetActorField(50, a), 3);
  EXPECT_EQ(GetActorField(kFieldSprite, a), 640);
  EXPECT_EQ(GetActorField(kFieldScale, a), 750);
  EXPECT_EQ(GetActorField(kFieldVy, a), -4);
  // Field numbers outside the actor do nothing (and write nowhere).
  RunActorCommandNow2(a, kCmdSetField, 128, 5);
  RunActorCommandNow2(a, kCmdAddField, -1, 5);
  AddActorCommand(a, kCmdStepField, 0, 10, 500, 1);

  // A heading step of +90 over 11 runs turns the velocity on the first 10 only; the rotation
  // follows the heading on all 11.
  RunActorCommandNow1(a, kCmdSetRotation, 0);
  SetActorVelocityPolar(a, 0, 1000, 0);
  AddActorCommand(a, kCmdAddHeading, 1, 10, 90, 0);
  for (int i = 0; i < 11; ++i) Frame();
  EXPECT_EQ(GetActorField(kFieldHeading, a), 990);
  EXPECT_EQ(GetActorField(kFieldRotation, a), 990);
  int vx, vy;
  PolarToXY(&vx, &vy, 900, 1000);
  EXPECT_EQ(GetActorField(kFieldVx, a), vx);
  EXPECT_EQ(GetActorField(kFieldVy, a), vy);
  EXPECT_EQ(CountActorCommands(), 0);

  // A speed set for one frame: the velocity changes on the first run, not on the last.
  const int b = Spawn(kKindEffect);
  SetActorField(kFieldHeading, b, 5400);
  AddActorCommand(b, kCmdSetSpeed, 1, 1, 512, 0);
  Frame();
  EXPECT_EQ(GetActorField(kFieldVy, b), 512);
  SetActorField(kFieldVy, b, 0);
  Frame();
  EXPECT_EQ(GetActorField(kFieldVy, b), 0);
  EXPECT_EQ(GetActorField(kFieldSpeed, b), 512);

  // Codes that change nothing still end at their end age.
  for (int code : {10, 28, 30, 31, 1000, -1}) AddActorCommand(b, code, 1, 1, 40, 40);
  Frame();
  EXPECT_EQ(CountActorCommands(), 6);
  Frame();
  EXPECT_EQ(CountActorCommands(), 0);
  EXPECT_EQ(GetActorField(40, b), 0);
}

TEST_F(Commands, FieldStepsComeOnceEveryPeriod) {
  const int a = Spawn(kKindEffect);
  Frame();
  Frame();   // the start age is the age at scheduling: 2
  AddActorCommand(a, kCmdStepField, 0, 11, 40, 3);
  AddActorCommand(a, kCmdStepField, 0, 11, 41, -2);
  AddActorCommand(a, kCmdStepField, 0, 11, 42, 0);   // no period: no change
  std::vector<int> up, down;
  for (int i = 0; i < 12; ++i) {
    Frame();
    up.push_back(GetActorField(40, a));
    down.push_back(GetActorField(41, a));
  }
  // Runs at ages 3 to 13: steps where (age - 2) mod 3 is 2, and where (age - 2) mod 2 is 1.
  EXPECT_EQ(up, (std::vector<int>{0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4}));
  EXPECT_EQ(down, (std::vector<int>{-1, -1, -2, -2, -3, -3, -4, -4, -5, -5, -6, -6}));
  EXPECT_EQ(GetActorField(42, a), 0);
  EXPECT_EQ(CountActorCommands(), 0);
}

TEST_F(Commands, ADeletionSkipsTheCommandsItRemovesAndRunsEveryOtherOnce) {
  const int x = Spawn(kKindEffect);
  const int y = Spawn(kKindEffect);
  // Order in the run: Y's counter, X's deletion, X's counter (right after it), Y's second
  // counter, X's counter. Neither of Y's may run twice or be skipped.
  AddActorCommand(y, kCmdAddField, 0, 100, 41, 1);
  AddActorCommandAt(x, kCmdDelete, 2);
  AddActorCommand(x, kCmdAddField, 0, 100, 40, 1);
  AddActorCommand(y, kCmdAddField, 0, 100, 40, 1);
  AddActorCommand(x, kCmdAddField, 0, 100, 41, 1);
  for (int i = 1; i <= 4; ++i) {
    Frame();
    EXPECT_EQ(GetActorField(40, y), i);
    EXPECT_EQ(GetActorField(41, y), i);
  }
  EXPECT_FALSE(Alive(x));
  EXPECT_EQ(CountActorCommands(), 2);
  EXPECT_EQ(GetActorField(40, x), 0);

  // Deleted elsewhere: the serial check drops the command of a reused slot without effect.
  const int z = Spawn(kKindEffect);
  AddActorCommand(z, kCmdOrFlags, 0, 100, int32_t(kFlagDead), 0);
  DeleteActor(y);
  EXPECT_EQ(CountActorCommands(), 1);
  FreeActor(z);
  const int reused = Spawn(kKindEffect);
  ASSERT_EQ(reused, z);
  Frame();
  EXPECT_TRUE(Alive(reused));
  EXPECT_EQ(CountActorCommands(), 0);
}

TEST_F(Commands, AFreedActorWithSerialZeroIsNotCommandedAnyMore) {
  // The first actor after a reset has serial 0, which its freed slot shows too.
  const int a = Spawn(kKindEffect);
  ASSERT_EQ(GetActorField(kFieldSerial, a), 0);
  AddActorCommand(a, kCmdOrFlags, 0, 100, int32_t(kFlagDead | kFlagInvisible), 0);
  FreeActor(a);
  Frame();
  EXPECT_EQ(CountActorCommands(), 0);
  // The slot's next owner starts clean.
  EXPECT_EQ(Spawn(kKindEffect), a);
  EXPECT_EQ(GetActorField(kFieldFlags, a), 0);
}

TEST_F(Commands, AFullTableRefusesAndFreedSlotsAreFoundAgain) {
  const int a = Spawn(kKindEffect);
  int added = 0;
  while (AddActorCommand(a, kCmdNothing, 1000, 0, 0, 0) > 0) ++added;
  EXPECT_EQ(added, 7996);
  EXPECT_EQ(AddActorCommand(a, kCmdNothing, 1000, 0, 0, 0), -1);
  EXPECT_EQ(AllocActorCommand(), -1);
  RemoveActorCommand(100);
  EXPECT_EQ(AllocActorCommand(), 100);
  EXPECT_EQ(AddActorCommand(a, kCmdAddField, 0, 0, 40, 1), 100);
  // The new command runs last, after the 7995 waiting ones.
  Frame();
  EXPECT_EQ(GetActorField(40, a), 1);
  EXPECT_EQ(CountActorCommands(), 7995);
  RemoveActorCommand(0);   // the sentinels stay
  RemoveActorCommand(1);
  RemoveActorCommand(kCommandCount);
  RemoveActorCommandsOf(a);
  EXPECT_EQ(CountActorCommands(), 0);
  AddActorCommand(a, kCmdAddField, 0, 0, 40, 1);
  Frame();
  EXPECT_EQ(GetActorField(40, a), 2);
  ResetActorCommands();
  EXPECT_EQ(CountActorCommands(), 0);
}

}  // namespace
