// Whole runs from the program entry on the data set make-data writes, with a pad that answers what
// the screen shows: opening, title, GAME START on DEMONIC, play to the results (ranked, the replay
// saved with YES), the title, CONTINUE, pause, RESTART, pause, RETURN TITLE, the attract demo
// playing the saved replay to its score and back, QUIT GAME. Headless on the virtual clock; and
// the same run in the real window under the virtual X server, whose pictures read back from X
// equal the headless run's.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "game/framework/actors.h"
#include "game/framework/engine_entries.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/frontend/frontend.h"
#include "game/harness/harness.h"
#include "game/play/play.h"
#include "platform/input/scripted/scripted_input.h"
#include "platform/present.h"
#include "platform/window.h"
#include "tools/common/picture_writer.h"
#include "game/menu_kind.h"
#include "run_pictures.h"
#include "game/temp_dir.h"

namespace {

constexpr int kZ = 29, kEsc = 41, kRight = 79, kDown = 81, kUp = 82;   // scan codes
constexpr int kRankDemonic = 576 + 32 * 3;                // the first character's DEMONIC ranking

// What a run saw, for the checks after it.
struct Seen {
  int stage = 0;
  std::map<std::string, int> marks;   // picture name -> frame
  std::map<std::string, Pixels> pictures;
  int32_t recordedScore = -1, demoScore = -1, rankedScore = -1, rankedInfo = -1;
  int32_t firstDifficulty = -1, firstCharacter = -1;
  std::vector<std::vector<int32_t>> restarts;   // slots 32-36 at each later play's card
  int titleStart = -1, demoStart = -1, quitFrame = -1;
  int32_t lastExit = 0;
  bool demoReturned = false, savedReplay = false;
};

struct Driver {
  Seen* seen;
  bool window;
  uint32_t clock = 100000;
  KeyScript keys;
  int held = -1, inPlay = 0;
};
Driver* g_driver = nullptr;

void Mark(int frame, const char* name) {
  Seen& s = *g_driver->seen;
  if (s.marks.count(name)) return;
  s.marks[name] = frame;
  s.pictures[name] = g_driver->window ? MainWindowFromX() : PresentedPicture();
}

bool FileExists(const char* path) {
  struct stat st;
  return stat(path, &st) == 0;
}

void CopyFile(const char* from, const char* to) {
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

// After every pass: the next pass's keys, and what the run has reached.
void OnFrame(int f) {
  Driver& d = *g_driver;
  Seen& s = *d.seen;
  // Time moves 16 or 17 ms a pass in both runs, so play and its replay seed come out alike.
  d.clock += f % 3 == 0 ? 16u : 17u;
  if (f == 0) {
    g_Engine.SeedRandomLocked(1);
    SetSettingsSlot(kSlotFramePacing, 0);    // stored only: the run keeps the pacing it started with
    SetSettingsSlot(kSlotLastDifficulty, 0);
    SetSettingsSlot(kSlotLastCharacter, 0);
    SetSettingsSlot(kSlotStartLives, 2);
  }
  d.keys.Step();
  const int task = GetCurrentMenuTask();
  const int32_t kind = MenuKind(task);
  const int age = GetActorField(kFieldAge, task);
  const int32_t mode = GetSettingsSlot(kSlotPlayMode);
  s.lastExit = GetMenuTaskField(kFieldExitCode);
  d.inPlay = (mode & kPlayFrames) ? d.inPlay + 1 : 0;
  // SHOT held while flying right into the enemies: a short play that still scores.
  auto hold = [&](bool on) {
    if (on == (d.held >= 0)) return;
    plat::ScriptedKey(kZ, on);
    plat::ScriptedKey(kRight, on);
    d.held = on ? kZ : -1;
  };
  auto slots = [] {
    std::vector<int32_t> v;
    for (int n = 32; n <= 36; ++n) v.push_back(GetSettingsSlot(n));
    return v;
  };

  if (f == 60) Mark(f, "opening");
  // Pictures once the crossfades are over.
  if (kind == kMenuTitle && age == 40) Mark(f, "title_menu");
  if (kind == kMenuCharacter && age == 40) Mark(f, "character_menu");
  switch (s.stage) {
    case 0:   // title: GAME START, the first character, DEMONIC
      if (kind == kMenuTitleScreen && age >= 40) {
        d.keys.queue = {kZ, -40, kZ, -40, kZ, kDown, kDown, kDown, kZ, kZ};
        s.stage = 1;
      }
      break;
    case 1:   // the card, skipped; then the play
      if (kind == kMenuAreaIntro && age == 60) Mark(f, "card");
      if (kind == kMenuAreaIntro && age >= 70) {
        s.firstDifficulty = GetSettingsSlot(kSlotDifficulty);
        s.firstCharacter = GetSettingsSlot(kSlotCharacter);
        hold(true);
        s.stage = 2;
      }
      break;
    case 2:   // the results: ranked; YES
      if (kind == kMenuResult) {
        hold(false);
        if (age == 50) {
          Mark(f, "results");
          s.recordedScore = static_cast<int32_t>(GetReplayWord(kRepFinalScore));
          s.rankedScore = GetSettingsSlot(kRankDemonic);
          s.rankedInfo = GetSettingsSlot(kRankDemonic + 1);
        }
        if (age == 70) {
          d.keys.queue = {kZ};
          s.stage = 3;
        }
      }
      break;
    case 3:   // the saved replay becomes the demo; back at the title, CONTINUE
      if (!s.savedReplay && FileExists("replay/vlxrep0000.rpy")) {
        CopyFile("replay/vlxrep0000.rpy", "dat/vlxdemo0.rpy");
        s.savedReplay = true;
      }
      if (kind == kMenuTitleScreen && age >= 40) {
        d.keys.queue = {kZ, kDown, kZ};
        s.stage = 4;
      }
      break;
    case 4:   // the card of the continued play, skipped; MENU after a second of play
    case 6:   // the same for the restarted play
      if (kind == kMenuAreaIntro && age == 70) {
        s.restarts.push_back(slots());
        d.keys.queue = {kZ};
      }
      if (d.inPlay == 60) {
        d.keys.queue = {kEsc};
        s.stage += 1;
      }
      break;
    case 5:   // pause: RESTART GAME
      if (kind == kMenuPause && age == 10) Mark(f, "pause");
      if (kind == kMenuPause && age == 40) {
        d.keys.queue = {kDown, kZ};
        s.stage = 6;
      }
      break;
    case 7:   // pause: RETURN TITLE; then the title waits for its demo
      if (kind == kMenuPause && age == 40) {
        d.keys.queue = {kUp, kZ};
        s.stage = 8;
      }
      break;
    case 8:
      if (kind == kMenuTitleScreen && s.titleStart < 0) s.titleStart = f;
      if (mode & kPlayDemo) {
        s.demoStart = f;
        s.stage = 9;
      }
      break;
    case 9:   // the demo's results leave at once
      if (kind == kMenuResult && s.demoScore < 0) s.demoScore = static_cast<int32_t>(GetReplayWord(kRepFinalScore));
      if (kind == kMenuTitleScreen && age >= 40) {
        s.demoReturned = true;
        d.keys.queue = {kZ, kUp, kZ};
        s.stage = 10;
      }
      break;
    case 10:  // QUIT GAME
      if (kind == kMenuQuitGame && age == 45) Mark(f, "shutters");
      if (kind == kMenuQuitGame) s.quitFrame = f;
      break;
    default:
      break;
  }
}

// A data set in a fresh folder, removed afterwards.
class WholeRun : public ::testing::Test {
protected:
  void SetUp() override {
    root = NewTempFolder("/tmp/vlx_whole_run_XXXXXX");
  }
  void TearDown() override { RemoveFolder(root); }

  // One whole run; the run's own folder is written afresh.
  HarnessResult Run(bool window, const std::string& renderer, Seen* seen) {
    const std::string folder = root + (window ? "/window" : "/headless");
    EXPECT_TRUE(MakeDataSet(folder));
    HarnessOptions o;
    o.folder = folder;
    o.frames = 20000;
    o.window = window;
    o.renderer = renderer;
    o.inputScript = "0\n";           // keys come from the driver, through the scripted input
    o.hashFrames = window;           // the real window keeps its frames' pixels too
    o.onFrame = OnFrame;
    Driver driver;
    driver.seen = seen;
    driver.window = window;
    g_driver = &driver;
    g_Engine.GetMillisecondCountLocked = [] { return static_cast<int>(g_driver->clock); };
    HarnessResult result;
    RunHarness(o, &result);
    if (driver.held >= 0) {
      plat::ScriptedKey(kZ, false);
      plat::ScriptedKey(kRight, false);
    }
    driver.keys.Release();
    g_driver = nullptr;
    ResetEngineEntries();
    return result;
  }

  // The checks every whole run must pass.
  static void ExpectTheWholeStory(const HarnessResult& r, const Seen& s) {
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.restarts, 0);
    EXPECT_LT(r.frames, 20000);                // the program ended by itself
    EXPECT_EQ(s.stage, 10);
    EXPECT_EQ(s.lastExit, kMenuExitQuit);       // state 14
    EXPECT_GE(s.quitFrame, r.frames - 3);
    // The play was ranked with its score (the last digit counts no continue) and the first
    // character's DEMONIC record.
    EXPECT_EQ(s.firstDifficulty, 3);
    EXPECT_EQ(s.firstCharacter, 0);
    EXPECT_GT(s.recordedScore, 0);
    EXPECT_EQ(s.rankedScore, s.recordedScore * 10);
    EXPECT_EQ(uint32_t(s.rankedInfo) >> 24, 0u);  // one area reached, first character
    EXPECT_TRUE(s.savedReplay);
    // CONTINUE and RESTART played the same character and difficulty without continues.
    ASSERT_EQ(s.restarts.size(), 2u);
    for (const std::vector<int32_t>& v : s.restarts) EXPECT_EQ(v, (std::vector<int32_t>{0, 2, 3, 0, 0}));
    // The demo came after 1201 idle frames and played the saved replay to its score.
    EXPECT_EQ(s.demoStart - s.titleStart, 1201);
    EXPECT_EQ(s.demoScore, s.recordedScore);
    EXPECT_TRUE(s.demoReturned);
    for (const char* name : {"opening", "title_menu", "character_menu", "card", "results", "pause", "shutters"}) {
      EXPECT_EQ(s.marks.count(name), 1u) << name;
    }
  }

  std::string root;
};

TEST_F(WholeRun, FromTheProgramEntryThroughPlayResultsContinueRestartDemoAndQuit) {
  Seen seen;
  const HarnessResult r = Run(false, "nodisplay", &seen);
  ExpectTheWholeStory(r, seen);
  std::printf("whole run: %d frames, demo from %d, quit at %d, score %d\n", r.frames, seen.demoStart,
              seen.quitFrame, seen.recordedScore);
  // The result screen saved the settings with the ranking; the replay is in its folder.
  EXPECT_TRUE(std::filesystem::exists(root + "/headless/replay/vlxrep0000.rpy"));
  EXPECT_TRUE(std::filesystem::exists(root + "/headless/velmarondix.sav"));
}

// The real window: skipped without a display, unless the run asks for one.
TEST_F(WholeRun, RealWindowPicturesReadBackFromXEqualTheHeadlessRun) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    if (std::getenv("VLX_REQUIRE_DISPLAY")) FAIL() << "no display";
    GTEST_SKIP() << "no display";
  }
  Seen headless, window;
  const HarnessResult h = Run(false, "soft", &headless);
  ExpectTheWholeStory(h, headless);
  const HarnessResult w = Run(true, "soft", &window);
  ExpectTheWholeStory(w, window);
  EXPECT_EQ(w.frames, h.frames);
  EXPECT_EQ(window.marks, headless.marks);
  for (const auto& [name, frame] : headless.marks) {
    const Pixels& a = headless.pictures[name];
    const Pixels& b = window.pictures[name];
    ASSERT_EQ(a.size(), 640u * 480u) << name;
    ASSERT_EQ(b.size(), 640u * 480u) << name;
    KeepPng(a, "whole_run_" + name + "_headless.png");
    KeepPng(b, "whole_run_" + name + "_window.png");
    size_t differing = 0;
    for (size_t i = 0; i < a.size(); ++i) differing += a[i] != b[i];
    EXPECT_EQ(differing, 0u) << name << " at frame " << frame;
  }
}

}  // namespace
