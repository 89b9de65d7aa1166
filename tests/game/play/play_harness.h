// Whole plays headless, through the frame loop's own passes: the engine's entries replaced by a
// virtual clock, a scripted pad, silent drawing and a sound recorder; the play's settings slots
// set; the play started at its area with the header seed drawn from a given clock; per frame the
// game variables, the live actors, the display list's hash and the generator's position kept;
// the replay saved, loaded and played back through the replay files.
#pragma once
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "game/temp_dir.h"

// From frame `frame` on (passes of the frame loop, counted from 0) the pad holds `bits` (raw pad
// bits of the first pad: 1 down, 2 left, 4 right, 8 up, Z 0x10 SHOT, X 0x20 M ACTION, C 0x40
// BOMBER, A 0x80 SLOW, Escape 0x1000 MENU).
struct PadStep {
  int frame;
  uint32_t bits;
};

constexpr uint32_t kPadDown = 1, kPadLeft = 2, kPadRight = 4, kPadUp = 8, kPadShot = 0x10,
                   kPadAction = 0x20, kPadBomber = 0x40, kPadSlow = 0x80, kPadMenu = 0x1000;

struct PlayRun {
  int difficulty = 1;
  int character = 0;
  int area = 1;
  int rig = 0;                        // the second character's rig (slots 48-60)
  uint32_t clock = 0x12345;           // the clock at play start: the header seed comes from it
  std::vector<PadStep> pad;
  int pauseFrames = 7;                // a pause menu opened by MENU resumes after this many passes
  bool playback = false;              // plays the replay in the buffer back instead of the pad
  int loseAllLivesAt = -1;            // at this pass the lives drop to 0 (as the last hit would),
                                      // recording and playback alike
  bool topUpLives = false;            // before every pass lives above 0 are set back to the
                                      // maximum, recording and playback alike: a scripted play
                                      // takes its hits and lives on
  bool saveSettingsInPause = false;   // the settings file is saved in every pause's first pass,
                                      // as the pause menu's key assignment saves it
  bool collectSprites = false;        // the sprite of every list entry drawn, into the outcome
  bool spriteChains = false;          // sprites animate along the sprite layout's chains, as with
                                      // the sheets loaded (otherwise every sprite stands still)
  int maxPasses = 20000;
};

struct PlayFrame {                    // one played frame (the session stepped)
  std::array<int32_t, 105> vars;      // game variables 4 and 24-127 after the frame
  std::array<int32_t, 3> player;      // the player's x, y and age (0 without a player)
  int liveActors;
  uint64_t drawHash;                  // the display list the frame built
  uint64_t draws;                     // generator draws since the first frame
};

struct PlayOutcome {
  bool reachedResult = false;         // the result screen opened
  int passes = 0;                     // frame-loop passes run
  int pausedPasses = 0;
  int32_t score = 0;                  // at the result screen
  uint64_t draws = 0;                 // generator draws from the first frame to the results
  std::vector<PlayFrame> frames;
  std::vector<std::pair<int, int>> effects;   // (played frame, effect number)
  std::vector<std::pair<int, int>> music;     // (played frame, track)
  std::set<uint32_t> sprites;         // sprite indices of the entries drawn (collectSprites)
  std::set<int> bosses;               // ids of the bosses that appeared (game var 113)
  int pausesInSlowMode = 0;
  int settingsSaves = 0;
  bool settingsSaveKeptGenerator = true;   // no save moved the play's generator
};

// Game variable `n` (4 or 24-127) after the frame.
inline int32_t Var(const PlayFrame& f, int n) { return f.vars[n - 23]; }

// Runs one play from its start to the result screen (or maxPasses).
PlayOutcome RunPlay(const PlayRun& run);

// The replay buffer to and from "replay\vlxrep%04d.rpy" in the current folder.
bool SaveRecordedPlay(int n);
bool LoadRecordedPlay(int n);

// Frame by frame over the first `frames` played frames: game variables, player, generator draws,
// live actors and display lists equal (test assertions, `what` naming the comparison).
void ExpectSamePlay(const PlayOutcome& a, const PlayOutcome& b, size_t frames, const char* what);

// Runs the tests matching `filter` of this test program in a process of its own with `env` added
// to the environment; the first line of `outFile` as the child wrote it, or why there is none.
std::string RunTestInChild(const std::string& filter, const std::string& outFile,
                           const std::vector<std::string>& env);

// A whole-play test in a fresh temporary folder (the current folder), with the "replay" folder
// the replay files go to.
template <class Param>
class PlayInTempFolder : public ::testing::TestWithParam<Param> {
protected:
  void SetUp() override {
    dir.Enter();
    ASSERT_EQ(mkdir("replay", 0755), 0);
  }
  void TearDown() override { dir.Leave(); }
  TempDir dir;
};
