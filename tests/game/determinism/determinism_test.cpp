// Whole plays repeat bit for bit. A scripted play of the first area (moves, shots, a bomb, M ACTION,
// a pause during the bomb, longer than its cooldown, whose KEY ASSIGN binds DSHIFT and saves the
// settings, BOMBER tapped on the resume, a demonic shift started with the new key, and
// play to the game over, the replay saved through the results) is recorded on the virtual clock;
// a second recording in the same process gives the same bytes. Each playback then runs in a
// process of its own, through the game-harness program: headless on the 3-D device, headless on
// the software renderer, at FRAME RATE 30 (every other frame drawn) and in the real window under
// the virtual X server; each must end its play exactly where the recording ended it, with the
// same score, replay position, header words, area values and generator state. The files are
// shared through the build tree (VLX_DETERMINISM_DIR): the recording is the other tests' fixture.
// Apart from them, the attract demo that make-data records plays from the title to its end with
// its recorded score and hands back to the title.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/engine.h"
#include "game/framework/actors.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/frontend/frontend.h"
#include "game/harness/harness.h"
#include "platform/window.h"
#include "scripted_play.h"
#include "game/menu_kind.h"
#include "game/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFrameLimit = kScriptedPlayFrameLimit;

std::string Dir() { return VLX_DETERMINISM_DIR; }

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The scripted play recorded in `folder`, a copy of the pristine data set.
ScriptedPlayRecording RecordPlay(const std::string& folder) {
  fs::remove_all(folder);
  fs::copy(Dir() + "/game", folder, fs::copy_options::recursive);
  return RecordScriptedPlay(folder);
}

uint32_t Word(const std::string& file, size_t i) {
  if (file.size() < 4 * (i + 1)) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(file.data() + 4 * i);
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// ---------------------------------------------------------------------------------------------
// Playbacks: the game-harness program in a folder of its own, its summary against the recording's.

void ExpectPlaybackEqualsRecording(const std::string& name, const std::string& extra, const std::string& prefix = "") {
  const std::string recorded = ReadWholeText(Dir() + "/play.sum");
  HarnessPlayEnd want;
  ASSERT_TRUE(ParsePlayEnd(recorded, &want)) << "no recording: run game_determinism.Recording first";
  const std::string folder = Dir() + "/" + name;
  fs::remove_all(folder);
  fs::copy(Dir() + "/game", folder, fs::copy_options::recursive);
  const std::string summary = Dir() + "/" + name + ".sum";
  fs::remove(summary);
  const std::string command = prefix + VLX_GAME_HARNESS + " --folder " + folder + " --playback " + Dir() +
                              "/play.rpy --summary " + summary + " --stop-at-play-end --frames " +
                              std::to_string(kFrameLimit) + " " + extra + " > " + Dir() + "/" + name +
                              ".log 2>&1";
  ASSERT_EQ(Shell(command), 0) << command << "\n" << ReadWholeText(Dir() + "/" + name + ".log");
  HarnessPlayEnd got;
  ASSERT_TRUE(ParsePlayEnd(ReadWholeText(summary), &got)) << "the playback never ended its play\n"
                                                     << ReadWholeText(Dir() + "/" + name + ".log");
  EXPECT_EQ(got.score, want.score);
  EXPECT_EQ(got.position, want.position);
  EXPECT_EQ(got.finalScore, want.finalScore);
  EXPECT_EQ(got.areaScore0, want.areaScore0);
  EXPECT_EQ(got.areas, want.areas);
  EXPECT_EQ(got.fileSize, want.fileSize);
  for (int i = 0; i < 26; ++i) EXPECT_EQ(got.values[i], want.values[i]) << "game variable " << kReplayAreaVars[i];
  EXPECT_EQ(got.seed, want.seed);
  EXPECT_EQ(got.drawsSinceSeed, want.drawsSinceSeed);
  EXPECT_EQ(got.drawHash, want.drawHash);
  EXPECT_TRUE(got == want) << "recorded:\n" << recorded << "played back:\n" << FormatPlayEnd(got);
  fs::remove_all(folder);
}

}  // namespace

// The fixture of the playbacks: the data set, the recording and its summary in the build tree.
TEST(Recording, ScriptedPlayRecordsTheSameBytesTwiceInOneProcess) {
  fs::remove_all(Dir());
  fs::create_directories(Dir());
  ASSERT_TRUE(MakeDataSet(Dir() + "/game"));

  const ScriptedPlayRecording first = RecordPlay(Dir() + "/record");
  const ScriptedPlaySeen& s = first.seen;
  const HarnessPlayEnd& end = first.result.playEnd;
  // The script did what it set out to do, and the play ended through the results with the replay
  // saved there.
  ASSERT_GE(s.firstPlayed, kScriptedPlayStart);
  EXPECT_TRUE(s.torpedo);
  EXPECT_GE(s.bombsBeforePause, 1);
  EXPECT_GT(s.cooldownAtPause, 0);
  EXPECT_TRUE(s.paused);
  EXPECT_TRUE(s.keyAssigned);
  EXPECT_TRUE(s.settingsSaved);
  EXPECT_TRUE(s.resumed);
  EXPECT_GT(s.pausedFrames, s.cooldownAtPause);
  EXPECT_EQ(s.bombsAfterResumeTap, s.bombsBeforePause);
  EXPECT_EQ(s.shifts, 1);
  EXPECT_TRUE(s.shiftEnded);
  EXPECT_TRUE(s.gameOver);
  EXPECT_TRUE(s.saved);
  EXPECT_TRUE(s.backAtTitle);
  ASSERT_EQ(first.result.playsEnded, 1);
  EXPECT_GT(end.score, 0);
  EXPECT_EQ(end.values[0], 1);                  // game variable 53: counter bombs
  EXPECT_EQ(end.values[1], 1);                  // 54: demonic shifts
  EXPECT_GE(end.values[14], 1);                 // 78: times hit
  EXPECT_GE(end.values[15], s.bombsBeforePause);   // 79: bombs launched
  EXPECT_EQ(end.values[20], 0);                 // 88: lives
  // The saved file is the buffer the play ended with: its size and end, its score and area words.
  ASSERT_EQ(first.replay.size(), size_t(end.position) * 4);
  EXPECT_EQ(end.fileSize, first.replay.size());
  EXPECT_EQ(Word(first.replay, end.position - 1), kReplayEndTag);
  EXPECT_EQ(Word(first.replay, kRepFinalScore), static_cast<uint32_t>(end.score));
  EXPECT_EQ(Word(first.replay, kRepAreaScore0), end.areaScore0);
  EXPECT_EQ(end.areaScore0, static_cast<uint32_t>(end.score) * 10u);
  EXPECT_EQ(Word(first.replay, kRepAreas), 0x01000000u);
  EXPECT_EQ(end.areas, 0x01000000u);
  EXPECT_EQ(end.seed, Word(first.replay, kRepSeed));
  // Play lasted between twenty seconds and a minute and a half, not a whole area.
  EXPECT_GT(end.position, 32 + 32 + 1200);
  EXPECT_LT(end.position, 32 + 32 + 5400);

  // The same script once more, in the same process: the same bytes, the same end.
  const ScriptedPlayRecording second = RecordPlay(Dir() + "/record2");
  EXPECT_TRUE(second.replay == first.replay) << "the second recording differs";
  EXPECT_TRUE(second.result.playEnd == end);
  EXPECT_EQ(second.result.playEnd.frame, end.frame);
  EXPECT_EQ(second.result.frames, first.result.frames);

  ASSERT_TRUE(WriteText(Dir() + "/play.rpy", first.replay));
  ASSERT_TRUE(WriteText(Dir() + "/play.sum", FormatPlayEnd(end)));
  fs::remove_all(Dir() + "/record2");
}

TEST(Playback, HeadlessOnThe3DDevice) { ExpectPlaybackEqualsRecording("device", "--renderer full"); }

TEST(Playback, HeadlessOnTheSoftwareRenderer) { ExpectPlaybackEqualsRecording("soft", "--renderer soft"); }

// FRAME RATE 30: every other frame is neither drawn nor presented; play steps every frame.
TEST(Playback, DrawingEveryOtherFrame) {
  ExpectPlaybackEqualsRecording("drawskip", "--renderer soft --slot 18=1");
}

TEST(Playback, InTheRealWindowUnderTheVirtualXServer) {
#ifdef VLX_XVFB_RUN
  ExpectPlaybackEqualsRecording("window", "--window --virtual-clock", std::string(VLX_XVFB_RUN) + " -a ");
#else
  GTEST_SKIP() << "no xvfb-run";
#endif
}

// The attract demo of the data set: 1201 idle frames of the title, the demo played back to its end
// tag with the score it was recorded with, and the title again.
TEST(AttractDemo, PlaysToItsEndWithItsRecordedScoreAndReturnsToTheTitle) {
  const std::string folder = Dir() + "/demo";
  fs::remove_all(folder);
  fs::create_directories(Dir());
  ASSERT_TRUE(MakeDataSet(folder, ""));
  const std::string demo = ReadWholeText(folder + "/dat/vlxdemo0.rpy");
  ASSERT_GT(demo.size(), 4u * 64);

  struct Watch {
    int titleAt = -1, demoAt = -1, backAt = -1;
    int32_t demoMode = 0;
  };
  static Watch w;
  w = Watch{};
  HarnessOptions o;
  o.folder = folder;
  o.renderer = "nodisplay";
  o.drawNothing = true;
  o.frames = 7000;
  o.onFrame = [](int f) {
    const int32_t mode = GetSettingsSlot(kSlotPlayMode);
    const int32_t kind = MenuKind();
    if (kind == kMenuTitleScreen && w.titleAt < 0) w.titleAt = f;
    if ((mode & kPlayDemo) && w.demoAt < 0) {
      w.demoAt = f;
      w.demoMode = mode;
    }
    if (w.demoAt >= 0 && w.backAt < 0 && mode == 0 && kind == kMenuTitleScreen) {
      w.backAt = f;
      plat::PostWindowMessage(static_cast<plat::WindowId>(reinterpret_cast<uintptr_t>(GetMainWindowHwndLocked())),
                              plat::WM_CLOSE, 0, 0);
    }
  };
  HarnessResult r;
  RunHarness(o, &r);
  ASSERT_GE(w.titleAt, 0);
  // Age 1201 of the title screen, whose first frame is the title state's first pass.
  EXPECT_EQ(w.demoAt - w.titleAt, 1201);
  EXPECT_EQ(w.demoMode & ~kPlayFrames, 2 | kPlayReplay | kPlayDemo);
  ASSERT_EQ(r.playsEnded, 1);
  EXPECT_EQ(static_cast<uint32_t>(r.playEnd.score), Word(demo, kRepFinalScore));
  EXPECT_EQ(r.playEnd.position * 4u, demo.size());
  EXPECT_EQ(r.playEnd.areaScore0, Word(demo, kRepAreaScore0));
  EXPECT_EQ(r.playEnd.areas, Word(demo, kRepAreas));
  EXPECT_GT(r.playEnd.score, 0);
  EXPECT_GE(w.backAt, 0) << "the title did not come back";
  fs::remove_all(folder);
}
