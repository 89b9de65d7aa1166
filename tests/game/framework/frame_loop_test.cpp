#include <gtest/gtest.h>

#include <algorithm>

#include "frame_fixture.h"
#include "game/framework/drawlist.h"
#include "game/framework/replay.h"
#include "game/framework/scene_hooks.h"

namespace {

using namespace frames;

int Count(const std::vector<std::string>& calls, const char* word) {
  return int(recorder::Only(calls, {word}).size());
}

// An actor the loop moves and ages every pass, without any handler of play or the front end.
int SpawnWatcher() {
  const int a = AllocActor();
  SetCurrentActor(a);
  SetCurPos(100, 100);
  InitCurActor(kKindEffect, 10, 1);
  return a;
}

TEST_F(FrameLoop, ExitCodesEndTheSceneOnePassAfterTheyAreSeen) {
  struct Case {
    int32_t code, next;
    bool capture;
  };
  const Case cases[] = {{80, 1, false},     {256, 14, false},  {1024, 0x40D, false},
                        {2048, 15, false},  {512, 0x22, true}, {48, 0x22, true}};
  for (const Case& c : cases) {
    ResetActors();
    g_passes = 0;
    g_presents.clear();
    SetSettingsSlot(kSlotPlayMode, 0x22);
    // Written before the first pass: still only seen once the scene has settled (pass 32).
    SetMenuTaskField(kFieldSceneExit, c.code);
    recorder::Take();
    EXPECT_EQ(RunFrameLoop(), c.next) << c.code;
    EXPECT_EQ(g_passes, 33) << c.code;
    EXPECT_EQ(int(g_presents.size()), 33) << c.code;
    const std::vector<std::string> calls = recorder::Only(recorder::Take(), {"Present", "Capture"});
    ASSERT_FALSE(calls.empty());
    // The screen is captured after the last presented frame, for the next scene's crossfade.
    EXPECT_EQ(calls.back().rfind("Capture", 0) == 0, c.capture) << c.code;
    EXPECT_EQ(Count(calls, "Capture"), c.capture ? 1 : 0) << c.code;
  }
  // 512 returns the play mode as it stands when the code is seen, not as the scene began.
  ResetActors();
  g_passes = 0;
  SetSettingsSlot(kSlotPlayMode, 1);
  g_eachPass = [](int pass) {
    if (pass == 20) SetSettingsSlot(kSlotPlayMode, 0x82);
    if (pass == 40) SetMenuTaskField(kFieldSceneExit, 512);
  };
  EXPECT_EQ(RunFrameLoop(), 0x82);
  EXPECT_EQ(g_passes, 42);

  // Codes outside the table are ignored: the scene runs on until the window goes.
  for (int32_t code : {0, 7, 81, 513, -1}) {
    ResetActors();
    g_passes = 0;
    g_eachPass = nullptr;
    SetMenuTaskField(kFieldSceneExit, code);
    g_stopAfter = 60;
    EXPECT_EQ(RunFrameLoop(), -1) << code;
    EXPECT_EQ(g_passes, 60) << code;
  }
}

TEST_F(FrameLoop, TimerPacingKeepsTheSixteenSeventeenRhythm) {
  // However long the present takes (or the work, none at all included), presents keep the grid:
  // from pass 32 on the pacing counts afresh and every third frame of each 60 targets 16 ms.
  for (const auto& [presentMs, workMs] : {std::pair{0, 0}, {0, 1}, {4, 1}, {12, 1}, {12, 0}}) {
    Install();
    g_presentMs = presentMs;
    g_workMs = workMs;
    g_stopAfter = 33 + 120;
    RunFrameLoop();
    const std::vector<int> steps = Intervals();
    ASSERT_EQ(steps.size(), size_t(33 + 120 - 1));
    int sum = 0;
    for (int p = 33; p < 93; ++p) {
      const int frameCount = (p - 31) % 60;
      EXPECT_EQ(steps[size_t(p - 1)], frameCount % 3 == 0 ? 16 : 17) << "pass " << p << " present " << presentMs;
      sum += steps[size_t(p - 1)];
    }
    EXPECT_EQ(sum, 1000) << presentMs;
  }

  // A slow pass is made up from the grid: the next ones present without waiting until they are
  // back on it, so 60 steps still take 1000 ms. A stall of 200 ms starts the grid afresh from its
  // present: normal pacing follows, not a burst. Across the clock's wrap the waits compare the
  // right way.
  Install();
  g_ms = 0xFFFFFE00u;
  g_stopAfter = 160;
  g_eachPass = [](int pass) { g_workMs = pass == 39 ? 45 : pass == 119 ? 200 : 1; };
  RunFrameLoop();
  const std::vector<int> late = Intervals();
  EXPECT_EQ(late[39], 45);
  EXPECT_EQ(late[40], 1);
  EXPECT_EQ(g_presents[93] - g_presents[33], 1000u);
  EXPECT_EQ(late[119], 200);
  for (size_t i = 42; i < late.size(); ++i) EXPECT_TRUE(i == 119 || late[i] == 16 || late[i] == 17) << i;
}

TEST_F(FrameLoop, VerticalSyncPacingAndDrawSkipping) {
  const int watcher = SpawnWatcher();
  // The screen was set up for vertical sync; the live slot (timer here) waits for the restart.
  g_flipWaits = 1;
  SetSettingsSlot(kSlotFramePacing, 1);
  g_stopAfter = 40;
  RunFrameLoop();
  std::vector<std::string> calls = recorder::Take();
  EXPECT_EQ(Count(calls, "Present"), 40);
  EXPECT_EQ(Count(calls, "VBlank"), 0);
  EXPECT_EQ(Count(calls, "Wait"), 0);

  // Every second frame neither draws nor presents; the game still steps every frame.
  Install();
  g_flipWaits = 1;
  SetSettingsSlot(kSlotFrameRate, 1);
  g_stopAfter = 40;
  const int age = GetActorField(kFieldAge, watcher);
  RunFrameLoop();
  calls = recorder::Take();
  EXPECT_EQ(Count(calls, "Present"), 20);
  EXPECT_EQ(Count(calls, "VBlank 1"), 20);
  EXPECT_EQ(GetActorField(kFieldAge, watcher), age + 40);

  // Timer pacing with skipping: waits every frame, presents every second one.
  Install();
  SetSettingsSlot(kSlotFramePacing, 0);
  SetSettingsSlot(kSlotFrameRate, 3);
  g_stopAfter = 40;
  RunFrameLoop();
  calls = recorder::Take();
  EXPECT_EQ(Count(calls, "Present"), 20);
  EXPECT_EQ(Count(calls, "VBlank"), 0);
  EXPECT_GT(Count(calls, "Wait"), 40 * 10);
  EXPECT_FALSE(IsDrawSkipFrame());   // 40 frames: the toggle is back where it began
}

// What the pause test sees at the end of chosen passes.
struct PauseSeen {
  bool paused;
  int windows, mode, position, age;
};
PauseSeen g_seen[60];
int g_watcher = 0;

TEST_F(FrameLoop, PauseKeyInPlayAndReplayExitKeysInPlaybackAndMissions) {
  g_watcher = SpawnWatcher();
  BeginReplay(false);
  SetSettingsSlot(kSlotPlayMode, 2 | kPlayFrames);
  // MENU held from pass 10 on: ignored while the scene settles, then opens the pause menu once;
  // the pause menu's resume request comes after pass 50.
  g_eachPass = [](int pass) {
    if (pass == 9) g_pad = 0x1000;
    if (pass == 50) {
      SetSettingsSlot(kSlotPlayMode, GetSettingsSlot(kSlotPlayMode) | kPlayResume);
      g_pad = 0;
    }
    g_seen[pass] = {IsActorsPaused(), CountActorsOfKind(0x1000000F), GetSettingsSlot(kSlotPlayMode),
                    GetReplayPosition(), GetActorField(kFieldAge, g_watcher)};
  };
  g_stopAfter = 56;
  RunFrameLoop();
  EXPECT_FALSE(g_seen[30].paused);
  EXPECT_EQ(g_seen[30].windows, 0);
  EXPECT_EQ(g_seen[30].position, 32 + 31);   // one frame word per played pass
  EXPECT_TRUE(g_seen[31].paused);
  EXPECT_EQ(g_seen[31].mode, 2);
  EXPECT_EQ(g_seen[31].position, 32 + 32);
  EXPECT_EQ(g_seen[49].windows, 1);           // held on, but opened once
  EXPECT_EQ(g_seen[49].position, 32 + 32);    // no input recorded while paused
  EXPECT_EQ(g_seen[49].age, g_seen[31].age);  // nothing ages while paused
  EXPECT_FALSE(g_seen[51].paused);            // the request is taken in the next pass
  EXPECT_EQ(g_seen[51].mode, 2 | kPlayFrames);
  EXPECT_EQ(g_seen[55].position, 32 + 32 + 4);   // passes 52-55 record again
  EXPECT_EQ(g_seen[55].age, g_seen[31].age + 4);
  EXPECT_EQ(g_seen[55].windows, 1);

// Playback: a new SHOT ends the replay; SHOT held since the settle phase does not.
  ResetActors();
  g_passes = 0;
  SetSettingsSlot(kSlotPlayMode, 2 | kPlayFrames | kPlayReplay);
  g_eachPass = [](int pass) {
    g_pad = (pass >= 19 && pass < 35) || pass >= 39 ? 0x10 : 0;
  };
  g_stopAfter = 0;
  EXPECT_EQ(RunFrameLoop(), 1);
  EXPECT_EQ(g_passes, 41);
  EXPECT_EQ(CountActorsOfKind(0x1000000F), 0);

  // Mission: SHOT does nothing, a new MENU ends it, and MENU never pauses.
  ResetActors();
  g_passes = 0;
  SetSettingsSlot(kSlotPlayMode, 2 | kPlayFrames | kPlayMission);
  g_eachPass = [](int pass) { g_pad = pass >= 39 && pass < 44 ? 0x10 : pass >= 44 ? 0x1000 : 0; };
  EXPECT_EQ(RunFrameLoop(), 1);
  EXPECT_EQ(g_passes, 46);
  EXPECT_FALSE(IsActorsPaused());
}

TEST_F(FrameLoop, EscapeAnsweredNoLosesNothingAndAClosedWindowEndsAtOnce) {
  const int watcher = SpawnWatcher();
  g_eachPass = [](int pass) { g_escape = pass == 39 ? 1 : 0; };
  g_answers = {kAnswerNo};
  g_stopAfter = 50;
  EXPECT_EQ(RunFrameLoop(), -1);
  std::vector<std::string> calls = recorder::Take();
  const std::vector<std::string> boxes = recorder::Only(calls, {"Box"});
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], std::string("Box 終了しますか？|") + kGameCaption + "|40004");
  EXPECT_EQ(Count(calls, "Present"), 50);
  EXPECT_EQ(GetActorField(kFieldAge, watcher), 50);

  // Yes ends the program before the frame is presented.
  Install();
  ResetActors();
  g_eachPass = [](int pass) { g_escape = pass == 39 ? 1 : 0; };
  g_answers = {kAnswerYes};
  EXPECT_EQ(RunFrameLoop(), -1);
  EXPECT_EQ(g_passes, 40);
  EXPECT_EQ(int(g_presents.size()), 40);

  // Closing the window at either pump of a pass ends the loop there, without a box, even with
  // Escape down (every earlier pass asked and was told No).
  for (int pump : {2 * 45, 2 * 45 + 1}) {
    Install();
    ResetActors();
    g_escape = 1;
    g_closeAtPump = pump;
    EXPECT_EQ(RunFrameLoop(), -1) << pump;
    EXPECT_EQ(g_passes, 45) << pump;
    calls = recorder::Take();
    EXPECT_EQ(Count(calls, "Box"), 45) << pump;
    EXPECT_EQ(Count(calls, "Present"), 45) << pump;
  }
}

TEST_F(FrameLoop, FrameRateAndSlowdownSurviveAStoppedClockLongRunsAndTheWrap) {
  g_ms = 5000;
  ResetFramePacing();
  EXPECT_EQ(GetSlowdownRate(), 0);
  for (int i = 0; i < 59; ++i) {
    g_ms += 16;
    EXPECT_EQ(MeasureFrameRate(), 60);
  }
  g_ms = 6000;
  EXPECT_EQ(MeasureFrameRate(), 6000);
  // Sixty frames with the clock standing still keep the last rate.
  for (int i = 0; i < 60; ++i) EXPECT_EQ(MeasureFrameRate(), 6000);
  // Half speed for a long time: the slow count times 10000 no longer fits 32 bits.
  for (int round = 0; round < 100; ++round)
    for (int i = 0; i < 60; ++i) {
      g_ms += i == 0 ? 53 : 33;   // 2000 ms per 60 frames
      MeasureFrameRate();
    }
  EXPECT_EQ(MeasureFrameRate(), 3000);
  const int slowdown = GetSlowdownRate();
  EXPECT_GT(slowdown, 4900);
  EXPECT_LT(slowdown, 5100);

  // The clock wraps between two boundaries.
  g_ms = 0xFFFFFE00u;
  ResetFramePacing();
  for (int i = 0; i < 60; ++i) {
    g_ms += i % 3 == 2 ? 16 : 17;
    MeasureFrameRate();
  }
  EXPECT_EQ(MeasureFrameRate(), 6000);
}

TEST_F(FrameLoop, PlayOrderNoticeFadesBlinksAndIsAwardedOnce) {
  SetSettingsSlot(kSlotPlayOrders, 0x4);
  AwardPlayOrder(2);   // already held: no notice, no sound
  AwardPlayOrder(32);
  AwardPlayOrder(-1);
  EXPECT_EQ(PlayOrderNoticeTimer(), 0);
  AwardPlayOrder(5);
  EXPECT_EQ(GetSettingsSlot(kSlotPlayOrders), 0x24);
  EXPECT_EQ(PlayOrderNoticeTimer(), 180);

  std::vector<uint32_t> glyphAlpha, lineAlpha;
  int shown = 0;
  for (int frame = 0; frame < 200; ++frame) {
    ResetDrawList();
    const int base = DrawEntriesUsed();
    DrawPlayOrderNotice();
    const int added = DrawEntriesUsed() - base;
    if (added == 0) continue;
    ++shown;
    ASSERT_EQ(added, 2);
    const DrawEntry& glyph = g_DrawEntries[base];
    const DrawEntry& line = g_DrawEntries[base + 1];
    EXPECT_EQ(glyph.x, 160);
    EXPECT_EQ(glyph.y, 464);
    EXPECT_EQ(line.x, 272);
    EXPECT_EQ(line.y, 465);
    EXPECT_EQ(glyph.colour & 0xFFFFFF00u, 0xFFFF7F00u);
    EXPECT_EQ(line.colour & 0xFFFFFF00u, 0xFFFFFF00u);
    glyphAlpha.push_back(glyph.colour & 0xFF);
    lineAlpha.push_back(line.colour & 0xFF);
  }
  // Shown while the timer modulo 8 is 4 to 7, over 180 frames; in over 16 frames, out over the
  // last 16: timers 180, 175-172 and, at the end, 7-4.
  EXPECT_EQ(shown, 89);
  ASSERT_GE(glyphAlpha.size(), 5u);
  EXPECT_EQ(std::vector<uint32_t>(glyphAlpha.begin(), glyphAlpha.begin() + 5),
            (std::vector<uint32_t>{0, 80, 96, 112, 128}));
  EXPECT_EQ(std::vector<uint32_t>(glyphAlpha.end() - 4, glyphAlpha.end()), (std::vector<uint32_t>{112, 96, 80, 64}));
  EXPECT_EQ(*std::max_element(glyphAlpha.begin(), glyphAlpha.end()), 255u);
  EXPECT_EQ(lineAlpha, glyphAlpha);
  EXPECT_EQ(PlayOrderNoticeTimer(), 0);
}

}  // namespace
