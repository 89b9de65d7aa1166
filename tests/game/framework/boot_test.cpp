#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frame_fixture.h"
#include "game/framework/boot.h"
#include "game/framework/game_math.h"
#include "game/framework/scene_hooks.h"
#include "game/temp_dir.h"
#include "platform/process.h"

namespace {

using namespace frames;

const char* const kStartWords[] = {"Icon", "Caption", "DrawMode", "FlipVBlank", "WindowMode", "Scale",
                                   "ScreenMode", "LogFile", "Init", "NoSplit", "GraphAlpha", "Cursor",
                                   "Target", "ArchiveUse", "ArchiveExt", "ArchiveKey", "Load dat", "Draw",
                                   "Present", "Font", "Box", "Terminate"};

std::vector<std::string> StartCalls(const std::vector<std::string>& calls) {
  std::vector<std::string> out;
  for (const std::string& c : calls)
    for (const char* w : kStartWords)
      if (c.rfind(w, 0) == 0) {
        out.push_back(c);
        break;
      }
  return out;
}

const std::string kFatalCaption = "エラーが発生したのでアプリケーションを終了します";

class Boot : public ::testing::Test {
protected:
  void SetUp() override {
    dir.Enter();
    mkdir("dat", 0755);   // a text file, without which the game does not start
    dir.Write("dat/vlx1.dat", {'@', 'e'});
    Install();
    plat::ProcessSelectBackend(plat::ProcessBackend::Headless);
    plat::ProcessResetRecord();
  }
  void TearDown() override {
    ResetActors();
    Uninstall();
    plat::ProcessResetRecord();
    plat::ProcessSelectBackend(plat::ProcessBackend::Auto);
    dir.Leave();
  }
  // A settings file as a earlier run would have left it.
  static void WriteSettings(int screen, int pacing, int depth) {
    SetDefaultSettings();
    SetSettingsSlot(kSlotScreen, screen);
    SetSettingsSlot(kSlotFramePacing, pacing);
    SetSettingsSlot(kSlotColourDepth, depth);
    ASSERT_EQ(SaveSettingsFile(), kSettingsFileSize);
    ClearSettingsRawStore();
  }
  TempDir dir;
};

TEST_F(Boot, InitSystemSetsTheEngineUpInOrderAndShowsTheLoadingPicture) {
  WriteSettings(2, 1, 0);
  ASSERT_EQ(InitSystem(), 0);
  const std::vector<std::string> expected = {
      "Icon 101", std::string("Caption ") + kGameCaption, "DrawMode 0", "FlipVBlank 0", "WindowMode 1",
      "Scale 2", "ScreenMode 640 480 32 60", "LogFile 0", "Init", "FlipVBlank 0", "NoSplit 1",
      "GraphAlpha 1", "Cursor 0", "Target -2", "ArchiveUse 1", "ArchiveExt dat", "ArchiveKey 11",
      "Load dat\\vlx0.dat", "Draw 0 0 900 t1", "Present", "Draw 0 0 900 t1", "Present",
      "Draw 0 0 900 t1", "Present", "Draw 0 0 900 t1", "Present",
      // The first timed redraw: the clock is well past the start value 0.
      "Draw 0 0 900 t1", "Present", "FontSize 12", "FontThickness 2", "FontName MS UI Gothic -1",
      "FontType 1"};
  EXPECT_EQ(StartCalls(recorder::Take()), expected);
  EXPECT_EQ(LoadingPresentCount(), 1);
  // The playfield is the wide one until the resources load.
  EXPECT_FALSE(IsOutsidePlayfield(-16, 496));
  EXPECT_TRUE(IsOutsidePlayfield(657, 0));

  // The loading picture is redrawn at most once every 16 ms.
  g_ms += 15;
  UpdateLoadingScreen();
  EXPECT_EQ(LoadingPresentCount(), 1);
  g_ms += 1;
  UpdateLoadingScreen();
  EXPECT_EQ(LoadingPresentCount(), 2);
  g_ms += 40;
  UpdateLoadingScreen();
  UpdateLoadingScreen();
  EXPECT_EQ(LoadingPresentCount(), 3);

  // Full screen, vertical sync and 16-bit colour.
  Install();
  WriteSettings(0, 0, 1);
  ASSERT_EQ(InitSystem(), 0);
  const std::vector<std::string> start = StartCalls(recorder::Take());
  const std::vector<std::string> head(start.begin(), start.begin() + 9);
  EXPECT_EQ(head, (std::vector<std::string>{"Icon 101", std::string("Caption ") + kGameCaption, "DrawMode 0",
                                            "FlipVBlank 1", "WindowMode 0", "ScreenMode 640 480 16 60",
                                            "LogFile 0", "Init", "FlipVBlank 1"}));
}

TEST_F(Boot, FatalStartFailuresShowTheirBoxAndEndWithoutShutDown) {
  // Settings missing and the player declines: error 23, the engine never started.
  for (int answer : {kAnswerNo, kAnswerCancel}) {
    Install();
    g_answers = {answer};
    EXPECT_EQ(GameMain(), -1);
    const std::vector<std::string> calls = StartCalls(recorder::Take());
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1], "Box Error:0023|" + kFatalCaption + "|40000");
  }
  // The engine fails to start: error 126, no shut-down call.
  Install();
  WriteSettings(1, 1, 0);
  g_initResult = -1;
  EXPECT_EQ(GameMain(), -1);
  const std::vector<std::string> calls = StartCalls(recorder::Take());
  EXPECT_EQ(calls.back(), "Box Error:0126|" + kFatalCaption + "|40000");
  EXPECT_EQ(recorder::Only(calls, {"Terminate"}).size(), 0u);
  EXPECT_EQ(plat::ProcessRestartCount(), 0);
  EXPECT_EQ(ShowFatalError(57), kAnswerNo);
  // No display, a second copy, a mark that cannot be made: Error:0126 before anything is asked or
  // written, why on stderr, and the mark given back.
  struct Refusal { int display, claim; const char* line; };
  static int s_claim, s_display, s_releases;
  for (Refusal c : {Refusal{0, 0, "no display to show the game's window on (DISPLAY is not set)"},
                    Refusal{1, 1, "another copy of the game is already running"},
                    Refusal{1, -1, "cannot tell whether another copy of the game runs (DISPLAY is not set)"}}) {
    Install();
    const std::vector<unsigned char> before = dir.Read(kSettingsFileName);
    s_claim = c.claim, s_display = c.display, s_releases = 0;
    g_Engine.CanCreateMainWindowLocked = [](char* w, int n) { return std::snprintf(w, size_t(n), "DISPLAY is not set"), s_display; };
    g_Engine.ClaimSingleCopyLocked = [](char* w, int n) { return std::snprintf(w, size_t(n), "DISPLAY is not set"), s_claim; };
    g_Engine.ReleaseSingleCopyLocked = [] { return ++s_releases, 0; };
    testing::internal::CaptureStderr();
    EXPECT_EQ(GameMain(), -1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(c.line), std::string::npos) << c.line;
    EXPECT_EQ(StartCalls(recorder::Take()), std::vector<std::string>(1, "Box Error:0126|" + kFatalCaption + "|40000"));
    EXPECT_EQ(dir.Read(kSettingsFileName), before);
    EXPECT_EQ(s_releases, 1);
  }
}

// Which scene each pass belonged to, and an exit code written into the title at its pass 40.
int g_titleExit = 0;
int g_titleStart = -1;
int32_t g_firstKind = 0;

TEST_F(Boot, SceneLoopStartsWithTheOpeningAndRestartsOnlyForTheRestartState) {
  struct Case {
    int exitCode;      // 0: the window is closed instead
    int restarts;
  };
  for (Case c : {Case{1024, 1}, Case{256, 0}, Case{2048, 0}, Case{0, 0}}) {
    Install();
    plat::ProcessResetRecord();
    WriteSettings(1, 1, 0);
    SetSettingsSlot(kSlotPlayMode, 2);   // ignored: the first scene is always the opening
    g_titleExit = c.exitCode;
    g_titleStart = -1;
    g_firstKind = 0;
    g_eachPass = [](int pass) {
      if (pass == 0) g_firstKind = GetActorField(kFieldKind, 11);
      // The title sets the play mode to 0 as it starts.
      if (g_titleStart < 0 && GetSettingsSlot(kSlotPlayMode) == 0) g_titleStart = pass;
      if (g_titleStart >= 0 && pass == g_titleStart + 40) {
        if (g_titleExit) SetMenuTaskField(kFieldSceneExit, g_titleExit);
        else g_closeAtPump = g_pumps;
      }
    };
    g_stopAfter = 2000;
    EXPECT_EQ(GameMain(), 0) << c.exitCode;
    EXPECT_EQ(g_firstKind, 0x1000001E) << c.exitCode;
    EXPECT_GE(g_titleStart, 120) << c.exitCode;
    EXPECT_LT(g_passes, 2000) << c.exitCode;
    const std::vector<std::string> calls = StartCalls(recorder::Take());
    EXPECT_EQ(calls.back(), "Terminate") << c.exitCode;
    EXPECT_EQ(plat::ProcessRestartCount(), c.restarts) << c.exitCode;
  }
  // A restart that cannot be made is reported; the program still ends normally.
  Install();
  plat::ProcessResetRecord();
  plat::ProcessScriptRestartFailure(true);
  WriteSettings(1, 1, 0);
  g_titleExit = 1024;
  g_titleStart = -1;
  g_eachPass = [](int pass) {
    if (g_titleStart < 0 && GetSettingsSlot(kSlotPlayMode) == 0) g_titleStart = pass;
    if (g_titleStart >= 0 && pass == g_titleStart + 40) SetMenuTaskField(kFieldSceneExit, 1024);
  };
  testing::internal::CaptureStderr();
  EXPECT_EQ(GameMain(), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("could not be started again"), std::string::npos);
  EXPECT_EQ(plat::ProcessRestartCount(), 0);
}

}  // namespace
