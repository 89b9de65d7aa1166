// Whole plays of area 1 on REVISED through the frame loop, one per character, from a fixed pad
// script to the result screen: the same run gives the same play in this process and in a second
// one, and its replay, saved, loaded and played back, gives the same play frame by frame.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "game/framework/replay.h"
#include "game/play/play.h"
#include "play_harness.h"

namespace {

// Moves and fires through the entrance and the first phase, starts a shift, ends it with BOMBER,
// turns the second character's overdrive on (slow mode) and pauses for 7 frames in it.
PlayRun Script(int character) {
  PlayRun run;
  run.difficulty = kRevised;
  run.character = character;
  run.area = 1;
  run.clock = 0x2468ACE;
  run.pad = {
      {0, 0},
      {60, kPadRight | kPadShot},
      {110, kPadUp | kPadShot},
      {150, kPadDown | kPadLeft | kPadSlow},
      {200, kPadShot},
      {300, kPadAction | kPadBomber},
      {304, kPadShot | kPadRight},
      {400, 0},
      {420, kPadBomber},
      {424, kPadLeft | kPadShot},
      {480, 0},
      {500, kPadAction},
      {502, kPadShot},
      {540, kPadShot | kPadMenu},
      {541, kPadShot | kPadUp},
      {600, 0},
  };
  return run;
}

// The outcome a second process gets for the same script: score, frames, generator draws.
std::string RunInChild(int character, const std::string& folder) {
  return RunTestInChild("WholePlayChild.*", folder + "/child.txt",
                        {"VLX_PLAY_CHILD_OUT=" + folder + "/child.txt",
                         "VLX_PLAY_CHILD_CHARACTER=" + std::to_string(character)});
}

std::string Summary(const PlayOutcome& o) {
  return std::to_string(o.score) + " " + std::to_string(o.frames.size()) + " " + std::to_string(o.draws);
}

class WholePlay : public PlayInTempFolder<int> {};

TEST_P(WholePlay, ScriptedAreaRepeatsAndPlaysBackFrameByFrame) {
  const int character = GetParam();
  const PlayRun run = Script(character);
  const PlayOutcome first = RunPlay(run);
  ASSERT_TRUE(first.reachedResult);
  EXPECT_EQ(first.pausedPasses, 7);
  EXPECT_GT(first.score, 4 * 2000);
  EXPECT_GT(first.frames.size(), 4u * 2880u);
  EXPECT_FALSE(first.effects.empty());
  // The script's shift happened, and for the second character the overdrive's slow mode.
  bool shifted = false, slowed = false;
  for (const PlayFrame& f : first.frames) {
    shifted |= f.vars[kVarShiftTimer - 23] > 0;
    slowed |= f.vars[kVarSlowGauge - 23] >= 39;
  }
  EXPECT_TRUE(shifted);
  EXPECT_EQ(slowed, character == 1);
  ASSERT_TRUE(SaveRecordedPlay(7));

  const PlayOutcome again = RunPlay(run);
  EXPECT_EQ(Summary(again), Summary(first));
  ExpectSamePlay(first, again, first.frames.size(), "second run");
  EXPECT_EQ(again.effects, first.effects);
  EXPECT_EQ(again.music, first.music);

  EXPECT_EQ(RunInChild(character, dir.path), Summary(first));

  ASSERT_TRUE(LoadRecordedPlay(7));
  PlayRun playback = run;
  playback.playback = true;
  const PlayOutcome replayed = RunPlay(playback);
  ASSERT_TRUE(replayed.reachedResult);
  EXPECT_EQ(replayed.pausedPasses, 0);
  EXPECT_EQ(replayed.score, first.score);
  ASSERT_EQ(replayed.frames.size(), first.frames.size());
  // Every frame alike but the last, whose recorded word the replay's end tag took.
  ExpectSamePlay(first, replayed, first.frames.size() - 1, "playback");
}

INSTANTIATE_TEST_SUITE_P(Characters, WholePlay, ::testing::Values(0, 1));

// The pause menu opened during a game over's freeze: its resume leaves the actors frozen, as the
// playback (which never pauses) has them.
TEST_F(WholePlay, AGameOverPausedAndResumedStaysFrozen) {
  PlayRun run = Script(0);
  run.pad = {{0, 0}, {100, kPadRight}, {380, kPadMenu}, {381, 0}};
  run.loseAllLivesAt = 300;
  const PlayOutcome first = RunPlay(run);
  ASSERT_TRUE(first.reachedResult);
  EXPECT_EQ(first.pausedPasses, 7);
  ASSERT_TRUE(SaveRecordedPlay(5));
  ASSERT_TRUE(LoadRecordedPlay(5));
  PlayRun playback = run;
  playback.playback = true;
  const PlayOutcome replayed = RunPlay(playback);
  ASSERT_TRUE(replayed.reachedResult);
  ASSERT_EQ(replayed.frames.size(), first.frames.size());
  ExpectSamePlay(first, replayed, first.frames.size() - 1, "game over");
  // The counter reached 120 in the frame before the results opened.
  EXPECT_EQ(first.frames[first.frames.size() - 2].vars[kVarGameOver - 23], 120);
}

// A replay whose area block cannot be found, or holds values no play can have, ends through the
// result screen in its first frame instead of playing on.
TEST_F(WholePlay, DamagedAreaBlockEndsThePlaybackAtOnce) {
  PlayRun run = Script(0);
  run.maxPasses = 60;
  RunPlay(run);
  EndReplay();
  ASSERT_TRUE(SaveRecordedPlay(3));
  const std::vector<unsigned char> good = dir.Read("replay/vlxrep0003.rpy");
  ASSERT_GT(good.size(), 64u * 4u);
  auto withWord = [&good](int word, uint32_t value) {
    std::vector<unsigned char> b = good;
    const unsigned char bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                                    uint8_t(value >> 24)};
    std::copy(bytes, bytes + 4, b.begin() + word * 4);
    return b;
  };
  auto wordAt = [&good](int word) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v |= uint32_t(good[size_t(word) * 4 + k]) << (8 * k);
    return v;
  };
  struct Case { const char* what; std::vector<unsigned char> bytes; bool ends; };
  const Case cases[] = {
      {"intact", good, false},
      {"foreign key", withWord(33, wordAt(33) ^ 1), true},
      {"lives 99", withWord(34 + 20, 99), true},
      {"phase level 0", withWord(34 + 18, 0), true},
      {"negative score", withWord(34 + 17, 0x80000000u), true},
  };
  for (const Case& c : cases) {
    dir.Write("replay/vlxrep0004.rpy", c.bytes);
    ASSERT_TRUE(LoadRecordedPlay(4)) << c.what;
    PlayRun playback = run;
    playback.playback = true;
    playback.maxPasses = 40;
    const PlayOutcome o = RunPlay(playback);
    EXPECT_EQ(o.reachedResult, c.ends) << c.what;
    if (c.ends) {
      EXPECT_EQ(o.frames.size(), 1u) << c.what;
    }
  }
}

// The second process of the test above: the same script, its outcome written where asked.
TEST(WholePlayChild, RecordsForItsParent) {
  const char* out = std::getenv("VLX_PLAY_CHILD_OUT");
  const char* character = std::getenv("VLX_PLAY_CHILD_CHARACTER");
  if (!out || !character) GTEST_SKIP() << "runs as the second process of WholePlay";
  const PlayOutcome o = RunPlay(Script(std::atoi(character)));
  std::ofstream(out) << Summary(o) << "\n";
}

}  // namespace
