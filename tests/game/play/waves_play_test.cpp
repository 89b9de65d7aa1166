// Scripted plays of area 0's waves through the frame loop (phases 0 to 2, the mid-bosses idle):
// the player shoots, grazes, is hit and bombs; the same run gives the same play, and its replay,
// saved, loaded and played back, gives the same play frame by frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "game/framework/replay.h"
#include "game/play/play.h"
#include "play_harness.h"

namespace {

PlayRun Script(int difficulty) {
  PlayRun run;
  run.difficulty = difficulty;
  run.character = 0;
  run.area = 0;
  run.clock = 0x13579B;
  for (int f = 0; f < 9000; f += 240) {
    run.pad.push_back({f, kPadShot | kPadUp});
    run.pad.push_back({f + 60, kPadShot});
    run.pad.push_back({f + 120, kPadShot | kPadDown});
    run.pad.push_back({f + 180, kPadShot | (f % 480 ? kPadLeft : kPadRight)});
    if (f % 960 == 480) {
      run.pad.push_back({f + 200, kPadShot | kPadBomber});
      run.pad.push_back({f + 202, kPadShot});
    }
  }
  run.topUpLives = true;
  run.maxPasses = 8800;
  return run;
}

class WavesPlay : public PlayInTempFolder<int> {};

TEST_P(WavesPlay, PhasesZeroToTwoRepeatAndPlayBackFrameByFrame) {
  const PlayRun run = Script(GetParam());
  const PlayOutcome first = RunPlay(run);
  ASSERT_FALSE(first.reachedResult);
  ASSERT_EQ(first.frames.size(), 8800u);
  // The three phases ran their waves (the next phase set up at the end); the player shot enemies
  // down, grazed, was hit and bombed.
  int wavesInPhase[4] = {0, 0, 0, 0};
  bool midBoss = false;
  for (const PlayFrame& f : first.frames) {
    const int phase = Var(f, kVarPhase) & 3;
    wavesInPhase[phase] = std::max(wavesInPhase[phase], Var(f, kVarWavesDone));
    midBoss |= Var(f, kVarWaveLeader) == 0x3000000A;
  }
  const PlayFrame& end = first.frames.back();
  EXPECT_EQ(Var(end, kVarPhase), 3);
  EXPECT_TRUE(midBoss);
  // Phase 0 stalls at its second wave, the mid-boss of id 10, which idles out of reach until its
  // own behaviour comes; the mid-bosses of phases 1 and 2 can be shot down.
  EXPECT_GE(wavesInPhase[0], 1);
  EXPECT_GE(wavesInPhase[1], 3);
  EXPECT_GE(wavesInPhase[2], 1);
  EXPECT_GT(Var(end, kVarKills), 20);
  EXPECT_GT(Var(end, kVarTimesHit), 0);
  EXPECT_GT(Var(end, kVarBombsLaunched), 0);
  EXPECT_GT(Var(end, kVarGrazes), 0);
  EXPECT_GT(first.score, 0);

  const PlayOutcome again = RunPlay(run);
  EXPECT_EQ(again.score, first.score);
  EXPECT_EQ(again.frames.back().draws, end.draws);
  ExpectSamePlay(first, again, first.frames.size(), "second run");
  EXPECT_EQ(again.effects, first.effects);

  EndReplay();
  ASSERT_TRUE(SaveRecordedPlay(1));
  ASSERT_TRUE(LoadRecordedPlay(1));
  PlayRun playback = run;
  playback.playback = true;
  const PlayOutcome replayed = RunPlay(playback);
  ASSERT_EQ(replayed.frames.size(), first.frames.size());
  EXPECT_EQ(replayed.score, first.score);
  // Every frame alike but the last, whose recorded word the replay's end tag took.
  ExpectSamePlay(first, replayed, first.frames.size() - 1, "playback");
}

INSTANTIATE_TEST_SUITE_P(Difficulties, WavesPlay, ::testing::Values(1, 3));

}  // namespace
