#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "game/framework/frame_loop.h"
#include "game/framework/game_hooks.h"
#include "game/framework/replay.h"
#include "game/framework/scene_hooks.h"
#include "game/framework/settings.h"
#include "game/harness/harness.h"
#include "game/temp_dir.h"

namespace {

// A data set written by make-data into a fresh folder, removed after the test.
class HarnessRun : public ::testing::Test {
protected:
  void SetUp() override {
    root = NewTempFolder("/tmp/vlx_harness_XXXXXX");
    folder = root + "/game";
    ASSERT_TRUE(MakeDataSet(folder));
  }
  void TearDown() override {
    RemoveFolder(root);
  }
  HarnessOptions Options(int frames) const {
    HarnessOptions o;
    o.folder = folder;
    o.frames = frames;
    o.screenshotDir = root;
    // The software renderer: the 3-D device's own tests cover its pictures, and it costs far
    // more time per full-screen draw in the sanitizer build.
    o.renderer = "soft";
    return o;
  }
  static bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && st.st_size > 0;
  }
  std::string root, folder;
};

TEST(HarnessScript, KeysHeldFromTheirFrameWithCommentsCloseAndRefusals) {
  std::vector<HarnessKeyStep> steps;
  std::string error;
  ASSERT_TRUE(ParseInputScript("# warm-up\n\n10 Z DOWN   # shoot\n12\n12 ESC\n40 - CLOSE\n", &steps, &error));
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[0].frame, 10);
  EXPECT_EQ(steps[0].scancodes, (std::vector<int>{29, 81}));
  EXPECT_TRUE(steps[1].scancodes.empty());
  EXPECT_EQ(steps[2].scancodes, (std::vector<int>{41}));
  EXPECT_TRUE(steps[3].close);
  EXPECT_TRUE(steps[3].scancodes.empty());
  EXPECT_FALSE(ParseInputScript("10 Z\n5 X\n", &steps, &error));
  EXPECT_NE(error.find("line 2"), std::string::npos);
  EXPECT_FALSE(ParseInputScript("3 F1\n", &steps, &error));
  EXPECT_NE(error.find("F1"), std::string::npos);
  EXPECT_FALSE(ParseInputScript("Z 3\n", &steps, &error));
  EXPECT_FALSE(ParseInputScript("-4 Z\n", &steps, &error));
}

TEST_F(HarnessRun, HeadlessRunShowsTheLoadingPictureAndFirstScenesTheSameEveryTime) {
  HarnessOptions o = Options(260);
  o.screenshotFrames = {kLoadingShot, 60, 250};
  o.hashFrames = true;
  HarnessResult first, second;
  ASSERT_EQ(RunHarness(o, &first), 0);
  EXPECT_EQ(first.frames, 260);
  EXPECT_EQ(first.restarts, 0);
  EXPECT_TRUE(first.boxes.empty());
  ASSERT_EQ(first.screenshots.size(), 3u);
  EXPECT_TRUE(Exists(root + "/shot_loading.png"));
  EXPECT_TRUE(Exists(root + "/shot000060.png"));
  EXPECT_TRUE(Exists(root + "/shot000250.png"));
  ASSERT_EQ(first.hashes.size(), 260u);
  // The opening holds one picture; the title is another; the frames move on.
  EXPECT_EQ(first.hashes[60], first.hashes[61]);
  EXPECT_NE(first.hashes[60], first.hashes[250]);
  EXPECT_EQ(first.playModes[60], 1);
  EXPECT_EQ(first.playModes[250], 0);

  // Headless runs on the virtual clock repeat exactly.
  ASSERT_EQ(RunHarness(o, &second), 0);
  EXPECT_EQ(second.hashes, first.hashes);
  EXPECT_EQ(second.drawCounts, first.drawCounts);
  EXPECT_EQ(second.draws, first.draws);
}

int g_restartAt = -1;

TEST_F(HarnessRun, EscapeTheCloseBoxAndARestartEndTheRunAsThePlayerWould) {
  // Escape at frame 150 is answered No and play goes on; at 200 Yes ends the program.
  HarnessOptions o = Options(1000);
  o.inputScript = "150 ESC\n151\n200 ESC\n";
  o.boxAnswers = {7, 6};
  HarnessResult r;
  ASSERT_EQ(RunHarness(o, &r), 0);
  EXPECT_EQ(r.frames, 200);
  ASSERT_EQ(r.boxes.size(), 2u);
  EXPECT_EQ(r.boxes[0].text, "終了しますか？");
  EXPECT_EQ(r.boxes[0].caption, kGameCaption);
  EXPECT_EQ(r.boxes[1].answer, 6);

  // The close box ends it at once without asking.
  o = Options(1000);
  o.inputScript = "100 CLOSE\n";
  ASSERT_EQ(RunHarness(o, &r), 0);
  EXPECT_LE(r.frames, 102);
  EXPECT_TRUE(r.boxes.empty());
  EXPECT_EQ(r.restarts, 0);

  // A scene that asks for a restart: the run ends and the restart is recorded, not made.
  o = Options(1000);
  g_restartAt = 200;
  o.onFrame = [](int frame) {
    if (frame == g_restartAt) SetMenuTaskField(kFieldSceneExit, kExitRestart);
  };
  ASSERT_EQ(RunHarness(o, &r), 0);
  EXPECT_EQ(r.frames, 202);
  EXPECT_EQ(r.restarts, 1);
}

TEST_F(HarnessRun, ProgramTakesItsOptionsAndSaysWhatItDid) {
  const std::string out = root + "/out.txt";
  const std::string cmd = std::string(VLX_GAME_HARNESS) + " --folder " + folder +
                          " --renderer soft --frames 30 --screenshot 29 --hash-log " + root + "/hash.txt > " + out;
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  FILE* f = std::fopen(out.c_str(), "r");
  ASSERT_NE(f, nullptr);
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
  std::fclose(f);
  EXPECT_EQ(std::string(line).rfind("frames 30 draws", 0), 0u) << line;
  EXPECT_TRUE(Exists(folder + "/shot000029.png"));
  EXPECT_TRUE(Exists(root + "/hash.txt"));
  EXPECT_NE(std::system((std::string(VLX_GAME_HARNESS) + " --frames x >/dev/null 2>&1").c_str()), 0);
  EXPECT_NE(std::system((std::string(VLX_GAME_HARNESS) + " --bogus >/dev/null 2>&1").c_str()), 0);
}

// What each run saw of play: the input word of every played frame, and the score.
std::vector<uint32_t> g_inputs;
int32_t g_score = 0;
constexpr int kPlayStart = 200;   // the frame at which both runs leave the title for play
constexpr int kPlayEnd = 697;     // the last frame compared; the recording ends after it

void NotePlayFrame(int frame) {
  if (GetSettingsSlot(kSlotPlayMode) & kPlayFrames) g_inputs.push_back(GetFrameInput());
  if (frame == kPlayEnd) g_score = GetGameVar(81);
}

TEST_F(HarnessRun, RecordedPlayPlaysBackTheSameInputsPicturesAndDraws) {
  // Recording: play starts from the title as a play start would, keys are scripted, and the play
  // ends where the results would end the replay.
  HarnessOptions o = Options(kPlayEnd + 3);
  o.hashFrames = true;
  o.recordReplay = root + "/play.rpy";
  o.inputScript = "250 Z\n300 Z LEFT\n350 Z UP\n400 X\n420 Z RIGHT DOWN\n500 C\n510 Z\n600 Z SPACE\n";
  o.startPlayFrame = kPlayStart;
  o.onFrame = [](int frame) {
    // No intro card: it ends in its first frame, as it does in playback, so both runs enter play
    // at the same frame.
    if (frame == 0) SetSettingsSlot(kSlotIntermission, 1);
    NotePlayFrame(frame);
    if (frame == kPlayEnd + 1) EndReplay();
  };
  g_inputs.clear();
  HarnessResult rec;
  ASSERT_EQ(RunHarness(o, &rec), 0);
  ASSERT_TRUE(rec.replayRecorded);
  ASSERT_EQ(rec.firstPlayFrame, kPlayStart + 1);
  const std::vector<uint32_t> recorded = g_inputs;
  const int32_t recordedScore = g_score;

  // Playback from the file, entered at the same frame of the same title.
  HarnessOptions p = Options(kPlayEnd + 1);
  p.hashFrames = true;
  p.playbackReplay = o.recordReplay;
  p.playbackFrame = kPlayStart;
  p.onFrame = NotePlayFrame;
  g_inputs.clear();
  HarnessResult back;
  ASSERT_EQ(RunHarness(p, &back), 0);
  ASSERT_TRUE(back.playbackStarted);
  ASSERT_EQ(back.firstPlayFrame, rec.firstPlayFrame);
  EXPECT_EQ(back.playModes[kPlayEnd] & 0xFF, 2 | kPlayFrames | kPlayReplay);

  const size_t frames = size_t(kPlayEnd - rec.firstPlayFrame + 1);
  ASSERT_GE(recorded.size(), frames);
  ASSERT_GE(g_inputs.size(), frames);
  EXPECT_TRUE(std::equal(recorded.begin(), recorded.begin() + long(frames), g_inputs.begin()));
  EXPECT_NE(std::count(recorded.begin(), recorded.end(), 0u), long(recorded.size()));
  EXPECT_EQ(g_score, recordedScore);
  for (int f = rec.firstPlayFrame; f <= kPlayEnd; ++f) {
    ASSERT_EQ(back.hashes[size_t(f)], rec.hashes[size_t(f)]) << "frame " << f;
    // The recording drew its seed at play start; from then on both draw alike.
    if (f == rec.firstPlayFrame) continue;
    ASSERT_EQ(back.drawCounts[size_t(f)] - back.drawCounts[size_t(f) - 1],
              rec.drawCounts[size_t(f)] - rec.drawCounts[size_t(f) - 1])
        << "frame " << f;
  }
}

// Every slot the game reads through 0, -1, INT_MIN, INT_MAX and a large value, each in a settings
// file of its own: the program reaches its title, runs 300 frames there, quits; the word is kept.
class DamagedSettings : public HarnessRun, public ::testing::WithParamInterface<std::vector<int>> {};

TEST_P(DamagedSettings, ReachTheTitleRun300FramesAndQuit) {
  for (int slot : GetParam()) {
    for (int32_t value : {0, -1, INT32_MIN, INT32_MAX, 100000}) {
      SCOPED_TRACE("slot " + std::to_string(slot) + " = " + std::to_string(value));
      HarnessOptions o = Options(2000);
      o.renderer = "nodisplay";
      o.drawNothing = true;
      o.fileSlots = {{slot, value}};
      o.quitAfterTitle = 300;
      o.boxAnswers = {6};
      HarnessResult r;
      ASSERT_EQ(RunHarness(o, &r), 0);
      EXPECT_EQ(r.frames, r.titleFrame + 300);
      ASSERT_EQ(r.boxes.size(), 1u);   // the quit question, nothing else
      if (slot != kSlotRandomTag && slot != kSlotPlayMode) {
        EXPECT_EQ(GetSettingsSlot(slot), value);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EverySlotTheGameReads, DamagedSettings,   // by what reads them
                         ::testing::Values(std::vector<int>{5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16, 18, 19, 20},
                                           std::vector<int>{21, 22, 23, 24, 25, 30, 32, 33, 34, 35, 36, 38, 39},
                                           std::vector<int>{40, 41, 44, 45, 46, 64, 66, 528, 576, 577, 960},
                                           std::vector<int>{48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61}));

TEST_F(HarnessRun, AFailedSaveIsSaidAStartFromElsewherePlaysAndNoArchiveEndsWithTheMessage) {
  // The start-up save cannot be made: a box and a stderr line; the old file is whole, play goes on.
  const std::string file = folder + "/" + kSettingsFileName;
  const auto written = std::filesystem::last_write_time(file);
  mkdir((file + ".tmp").c_str(), 0755);
  HarnessOptions o = Options(300);
  o.drawNothing = true;
  HarnessResult r;
  testing::internal::CaptureStderr();
  ASSERT_EQ(RunHarness(o, &r), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("not saved to " + file + ": Is a directory"), std::string::npos);
  EXPECT_EQ(r.boxes.at(0).text.rfind("設定を保存できませんでした", 0), 0u);
  EXPECT_EQ(r.frames, 300);
  EXPECT_EQ(std::filesystem::last_write_time(file), written);
  rmdir((file + ".tmp").c_str());

  // Started by its path from another folder, the program works from its own, which holds the data,
  // whatever the folder is named (here with a name the game's text cannot hold).
  const std::string named = root + reinterpret_cast<const char*>(u8"/ゲーム/gamé");
  std::filesystem::create_directories(named);
  std::filesystem::rename(folder, named);
  std::filesystem::copy_file(VLX_GAME_HARNESS, named + "/game-harness");
  EXPECT_EQ(std::system(("cd " + root + " && '" + named + "/game-harness' --renderer nodisplay --draw-nothing " +
                         "--frames 2000 --quit-after-title 30 --answer yes >/dev/null").c_str()), 0);
  EXPECT_FALSE(Exists(root + "/" + kSettingsFileName));
  std::filesystem::rename(named, folder);
  // So it does, saying nothing, from as deep as the system allows: 1,200 bytes, and 4,095, where the
  // system names neither the program nor the files whole. Deeper, one line says so.
  std::string deep = root, place, shallow;
  for (const size_t length : {size_t(1200), size_t(4095)}) {
    while (deep.size() + 201 < length) deep += "/" + std::string(200, 'd');
    std::filesystem::create_directories(deep);
    place = deep + "/" + std::string(length - deep.size() - 1, 'g');
    std::filesystem::rename(folder, shallow.empty() ? shallow = place : place);
    EXPECT_EQ(std::system(("cd " + root + " && ./" + place.substr(root.size() + 1) + "/game-harness --renderer " +
                           "nodisplay --draw-nothing --frames 2000 --quit-after-title 30 --answer yes >/dev/null " +
                           "2>" + root + "/said && ! grep velmarondix " + root + "/said").c_str()), 0);
    std::filesystem::rename(place, folder);
  }
  const std::string over(200, 'o');
  EXPECT_EQ(std::system(("cd " + deep + " && mkdir " + over + " && " VLX_GAME_HARNESS " --folder " + over +
                         " --renderer nodisplay >/dev/null 2>" + root + "/said; rmdir " + over).c_str()), 0);
  std::ifstream deeper(root + "/said");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(deeper), {}),
            "velmarondix: the folder to work from has a path of " + std::to_string(deep.size() + 201) + " bytes, too " +
            "long for the system, which takes at most 4095; move the game to a folder with a shorter path " +
            "(Error:0126): " + deep + "/" + over + "\n");

  // With no display the real program says so at once and ends, having written nothing.
  std::filesystem::rename(file, file + ".kept");
  const int status = std::system(("cd " + folder + " && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " +
                                  "ASAN_OPTIONS=detect_leaks=0 timeout 60 " VLX_PROGRAM " 2>" + root + "/said").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 255);
  std::ifstream said(root + "/said");
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(said), {}).find("no display to show the game's window on (DISPLAY is not set, "
                                          "WAYLAND_DISPLAY is not set: "), std::string::npos);
  EXPECT_FALSE(Exists(file));
  std::filesystem::rename(file + ".kept", file);

  // Without its archive: each file named on stderr (a long folder whole), a box saying where the game
  // looked, no wider than a screen (a CP932 byte a column), the end.
  std::remove((folder + "/vlxdat.dat").c_str());
  std::filesystem::rename(folder, o.folder = shallow);
  testing::internal::CaptureStderr();
  EXPECT_EQ(RunHarness(o, &r), -1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("pic00.png is missing or damaged (looked for in " + shallow),
            std::string::npos);
  const std::string& box = r.boxes.at(0).text;
  EXPECT_NE(box.find(shallow.substr(0, 20) + "..."), std::string::npos);
  for (size_t at = 0, end; (end = box.find('\n', at)) != std::string::npos; at = end + 1) EXPECT_LE(end - at, 88u);
}

}  // namespace
