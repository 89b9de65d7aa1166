// Whole plays of area 0 through the frame loop, from the area's start through its waves, its
// mid-bosses and the area boss's two forms to the result screen, with each character on REVISED
// and DEMONIC, from a fixed pad script: each play is recorded, saved, loaded and played back
// frame by frame; one repeats in this process and in a second one; the second character's plays
// hold a 7-frame pause in slow mode with a settings save in it; and one play ends in a game over.
// Every sprite the plays draw must be one the sprite sheets cut.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "game/framework/replay.h"
#include "game/framework/sprite_layout.h"
#include "game/framework/sprites.h"
#include "game/play/play.h"
#include "play_harness.h"

namespace {

constexpr uint32_t kExhaustSprite = 0x281;

struct Config {
  int difficulty;
  int character;
};

// The pad of a play: firing all the time while it sweeps up and down the left of the screen,
// leaning forward and back, with a bomb every 900 frames. The second character turns its
// overdrive on at 500 (slow mode) and opens the pause menu in it at 540.
uint32_t PadAt(int frame, int character) {
  if (frame < 60) return 0;
  if (character == 1) {
    if (frame >= 500 && frame < 502) return kPadAction;
    if (frame == 540) return kPadShot | kPadMenu;
  }
  uint32_t bits = kPadShot;
  const int m = frame % 240;
  if (m < 50) bits |= kPadUp;
  else if (m < 110) bits |= kPadDown;
  else if (m < 130) bits |= kPadRight;
  else if (m < 170) bits |= kPadUp | kPadLeft;
  else if (m < 200) bits |= kPadDown;
  if (frame % 900 == 450) bits = kPadBomber;
  return bits;
}

PlayRun AreaRun(const Config& c) {
  PlayRun run;
  run.difficulty = c.difficulty;
  run.character = c.character;
  run.area = 0;
  run.clock = 0x13579B + 16 * c.difficulty + c.character;
  run.topUpLives = true;   // a pad that cannot dodge plays on
  run.spriteChains = true;
  run.saveSettingsInPause = true;
  run.collectSprites = true;
  uint32_t last = ~0u;
  for (int f = 0; f < 18000; ++f) {
    const uint32_t bits = PadAt(f, c.character);
    if (bits != last) run.pad.push_back({f, bits});
    last = bits;
  }
  return run;
}

// The game variables of every frame, folded into one number.
uint64_t VarsHash(const PlayOutcome& o) {
  uint64_t h = 1469598103934665603ull;
  for (const PlayFrame& f : o.frames) {
    for (int32_t v : f.vars) {
      h ^= static_cast<uint32_t>(v);
      h *= 1099511628211ull;
    }
  }
  return h;
}

// Score, frames played, generator draws and the game variables' fold.
std::string Summary(const PlayOutcome& o) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%d %zu %llu %016llx", o.score, o.frames.size(),
                static_cast<unsigned long long>(o.draws), static_cast<unsigned long long>(VarsHash(o)));
  return buf;
}

// The sprite indices the loader cuts: the cut table's, the glyphs, the bullet grid, the capture.
bool IsCut(uint32_t index) {
  if (index >= kGlyphFirstSprite && index < kGlyphFirstSprite + kGlyphRows * kGlyphColumns) return true;
  if (index >= kBulletGridFirstSprite && index < kBulletGridFirstSprite + kBulletGridSize * kBulletGridSize) {
    return true;
  }
  if (index == kSpriteCapture) return true;
  for (const SpriteCutRow& r : SpriteCutTable) {
    if (r.sheet == -1) break;
    if (static_cast<uint32_t>(r.index & kSpriteCutIndexMask) == index) return true;
  }
  return false;
}

std::string RunInChild(const Config& c, const std::string& folder) {
  return RunTestInChild("WholeAreaChild.*", folder + "/child.txt",
                        {"VLX_AREA_CHILD_OUT=" + folder + "/child.txt",
                         "VLX_AREA_CHILD_RUN=" + std::to_string(c.difficulty) + "," + std::to_string(c.character)});
}

class WholeArea : public PlayInTempFolder<Config> {};

TEST_P(WholeArea, PlaysThroughEveryBossToTheResultsAndPlaysBackFrameByFrame) {
  const Config c = GetParam();
  const PlayRun run = AreaRun(c);
  const PlayOutcome first = RunPlay(run);
  ASSERT_TRUE(first.reachedResult);
  ASSERT_GT(first.frames.size(), 10000u);
  // The area ended as the last phase does: the player flew off after the boss phase's tally.
  const PlayFrame& last = first.frames[first.frames.size() - 2];
  EXPECT_EQ(Var(last, kVarPhase), 3);
  EXPECT_GT(Var(last, kVarPhaseTimer), 2680);
  EXPECT_GT(Var(last, kVarLives), 0);
  EXPECT_GT(first.score, 0);
  // Mid-bosses of the first phases, the area boss and its second form.
  for (int boss : {10, 16, 17}) EXPECT_EQ(first.bosses.count(boss), 1u) << "boss " << boss;
  EXPECT_GE(first.bosses.size(), 5u);
  // The second form came, restarting the phase timer, and ended: it fell (the timer held at 2340
  // through its dying explosion, its seconds left going to the tally) or it outlasted the phase.
  size_t second = 0;
  while (second < first.frames.size() && Var(first.frames[second], kVarBossId) != 17) ++second;
  ASSERT_LT(second, first.frames.size());
  EXPECT_LE(Var(first.frames[second], kVarPhaseTimer), 1);
  int held = 0;
  bool outlasted = false;
  for (size_t i = second; i < first.frames.size(); ++i) {
    held += Var(first.frames[i], kVarPhaseTimer) == 2341;
    outlasted |= Var(first.frames[i], kVarBossId) == 17 && Var(first.frames[i], kVarPhaseTimer) == 2401;
  }
  if (Var(last, kVarTimeLeft) > 0) {
    EXPECT_GE(held, 59);
    EXPECT_FALSE(outlasted);
  } else {
    EXPECT_TRUE(outlasted);
  }
  std::printf("second form at frame %zu: %s\n", second,
              outlasted ? "outlasted the phase" : ("fell, " + std::to_string(Var(last, kVarTimeLeft)) + " s left").c_str());

  if (c.character == 1) {
    EXPECT_EQ(first.pausedPasses, 7);
    EXPECT_EQ(first.pausesInSlowMode, 1);
    EXPECT_EQ(first.settingsSaves, 1);
    EXPECT_TRUE(first.settingsSaveKeptGenerator);
  }

  // None falls back to the default spark but the missiles' exhaust, which takes it by design: its
  // id lies outside every band of the cut table.
  std::string missing;
  for (uint32_t s : first.sprites) {
    if (!IsCut(s) && s != kExhaustSprite) missing += " " + std::to_string(s);
  }
  EXPECT_EQ(missing, "") << "sprites drawn that the sheets do not cut";
  EXPECT_GT(first.sprites.size(), 100u);

  ASSERT_TRUE(SaveRecordedPlay(1));
  ASSERT_TRUE(LoadRecordedPlay(1));
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

INSTANTIATE_TEST_SUITE_P(Plays, WholeArea,
                         ::testing::Values(Config{kRevised, 0}, Config{kRevised, 1}, Config{kDemonic, 0},
                                           Config{kDemonic, 1}),
                         [](const ::testing::TestParamInfo<Config>& i) {
                           return std::string(i.param.difficulty == kRevised ? "Revised" : "Demonic") +
                                  (i.param.character == 0 ? "First" : "Second");
                         });

using WholeAreaOnce = WholeArea;

TEST_F(WholeAreaOnce, RepeatsInThisProcessAndInASecondOne) {
  const Config c{kDemonic, 1};
  const PlayOutcome first = RunPlay(AreaRun(c));
  ASSERT_TRUE(first.reachedResult);
  const PlayOutcome again = RunPlay(AreaRun(c));
  EXPECT_EQ(Summary(again), Summary(first));
  ExpectSamePlay(first, again, first.frames.size(), "second run");
  EXPECT_EQ(again.effects, first.effects);
  EXPECT_EQ(again.music, first.music);
  EXPECT_EQ(RunInChild(c, dir.path), Summary(first));
}

TEST_F(WholeAreaOnce, AGameOverEndsAtTheResultsAndPlaysBack) {
  PlayRun run = AreaRun({kRevised, 0});
  run.topUpLives = false;
  const PlayOutcome first = RunPlay(run);
  ASSERT_TRUE(first.reachedResult);
  const PlayFrame& last = first.frames[first.frames.size() - 2];
  EXPECT_EQ(Var(last, kVarLives), 0);
  EXPECT_EQ(Var(last, kVarGameOver), 120);
  EXPECT_LT(first.frames.size(), 10000u);
  ASSERT_TRUE(SaveRecordedPlay(2));
  ASSERT_TRUE(LoadRecordedPlay(2));
  run.playback = true;
  const PlayOutcome replayed = RunPlay(run);
  ASSERT_TRUE(replayed.reachedResult);
  EXPECT_EQ(Summary(replayed).substr(0, Summary(replayed).find(' ')), std::to_string(first.score));
  ASSERT_EQ(replayed.frames.size(), first.frames.size());
  ExpectSamePlay(first, replayed, first.frames.size() - 1, "game over");
}

// The second process of the test above: the same run, its outcome written where asked.
TEST(WholeAreaChild, RecordsForItsParent) {
  const char* out = std::getenv("VLX_AREA_CHILD_OUT");
  const char* run = std::getenv("VLX_AREA_CHILD_RUN");
  if (!out || !run) GTEST_SKIP() << "runs as the second process of WholeAreaOnce";
  Config c{};
  if (std::sscanf(run, "%d,%d", &c.difficulty, &c.character) != 2) FAIL();
  const PlayOutcome o = RunPlay(AreaRun(c));
  std::ofstream(out) << Summary(o) << "\n";
}

}  // namespace
