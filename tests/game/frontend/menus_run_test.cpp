// Whole runs of the menus around the records from the program entry, on the data set make-data
// writes, with a pad that answers what the screen shows: GAME CONFIG (lives, FRAME RATE 30,
// volumes, SCREEN MODE), KEY ASSIGN (a bind and a swap, left with the save), a play to the
// results with its replay saved, SCORE BOARD with the new row, REPLAY MODE listing it, REPLAY
// ALL played to the end and the menus reopened, one area played alone, DELETE down to NO REPLAY
// FILE, PLAY ORDERS, QUIT GAME. Headless with the SCREEN MODE change ending the first run in a
// restart and a second run in the new mode; and in the real window under the virtual X server,
// whose pictures read back from X equal a headless run's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
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

// Scan codes.
constexpr int kZ = 29, kX = 27, kA = 4, kS = 22, kLeft = 80, kRight = 79, kDown = 81, kUp = 82;
constexpr int kRankDemonic = 576 + 32 * 3;   // the first character's DEMONIC ranking

struct Seen {
  int stage = 0;
  std::map<std::string, Pixels> pictures;
  int32_t lastExit = 0;
  int windowMode = -1;                        // what the boot asked the engine for
  std::vector<int32_t> bootSlots;             // slots 16, 18, 23, 24, 25 at the first frame
  std::vector<int32_t> keysLeft;              // slots 5-12 once KEY ASSIGN was left
  int32_t recordedScore = -1, rankedScore = -1, boardScore = -1;
  int recordedFrames = 0, playbackFrames = 0, areaFrames = 0;
  int32_t recordedVarScore = -1, playbackVarScore = -1;
  int listed = -1, listedNumber = -1, listedAfterDelete = -1;
  std::vector<int32_t> reopenedCodes;         // the window chain after REPLAY ALL
  bool bareTitleAfterArea = false, deleted = false;
  int ordersCursor = -1, quitFrame = -1;
};

struct Driver {
  Seen* seen;
  bool window;
  bool restartRun;                            // SCREEN MODE changed for good: the run restarts
  uint32_t clock = 100000;
  KeyScript keys;
  bool held = false;
  int32_t playScore = 0;
  int playFrames = 0;
};
Driver* g_driver = nullptr;
int (*g_realChangeWindowMode)(int) = nullptr;

void Mark(const char* name) {
  Seen& s = *g_driver->seen;
  if (!s.pictures.count(name)) s.pictures[name] = g_driver->window ? MainWindowFromX() : PresentedPicture();
}

// A number entry of this frame's display list at (x, y), or -1.
int32_t NumberAt(int x, int y) {
  for (int i = kDrawSubLayerCount; i < DrawEntriesUsed(); ++i) {
    const DrawEntry& e = g_DrawEntries[i];
    if (e.type == kDrawNumber && e.x == x && e.y == y) return e.value;
  }
  return -1;
}

std::vector<int32_t> Slots(std::initializer_list<int> slots) {
  std::vector<int32_t> v;
  for (int s : slots) v.push_back(GetSettingsSlot(s));
  return v;
}

bool Idle() { return g_driver->keys.Idle(); }

// Keys that move the current window's cursor to an item and confirm it.
void Choose(int task, int item) {
  const int n = GetActorField(kFieldItemCount, task);
  for (int k = (item - GetActorField(kFieldCursor, task) + n) % n; k > 0; --k) g_driver->keys.queue.push_back(kDown);
  g_driver->keys.queue.push_back(kZ);
}

void Queue(std::initializer_list<int> keys) { g_driver->keys.queue.insert(g_driver->keys.queue.end(), keys); }

void OnFrame(int f) {
  Driver& d = *g_driver;
  Seen& s = *d.seen;
  d.clock += f % 3 == 0 ? 16u : 17u;
  if (f == 0) {
    s.bootSlots = Slots({kSlotScreen, kSlotFrameRate, kSlotMusicVolume, kSlotEffectVolume, kSlotStartLives});
    g_Engine.SeedRandomLocked(1);
    SetSettingsSlot(kSlotFramePacing, 0);    // stored only: the run keeps the pacing it started with
    SetSettingsSlot(kSlotLastDifficulty, 0);
    SetSettingsSlot(kSlotLastCharacter, 0);
    // Three play orders achieved, so that PLAY ORDERS has icons, a name and a story to show.
    SetSettingsSlot(kSlotPlayOrders, GetSettingsSlot(kSlotPlayOrders) | (1 << 0 | 1 << 10 | 1 << 17));
  }
  d.keys.Step();
  const int task = GetCurrentMenuTask();
  const int32_t kind = MenuKind(task);
  const int age = GetActorField(kFieldAge, task);
  const int32_t mode = GetSettingsSlot(kSlotPlayMode);
  s.lastExit = GetMenuTaskField(kFieldExitCode);
  if (mode & kPlayFrames) {
    ++d.playFrames;
    d.playScore = GetGameVar(kVarScore);
  }
  auto hold = [&](bool on) {
    if (on == d.held) return;
    plat::ScriptedKey(kZ, on);
    plat::ScriptedKey(kRight, on);
    d.held = on;
  };
  auto endPlay = [&](int* frames, int32_t* score) {
    *frames = d.playFrames;
    if (score) *score = d.playScore;
    d.playFrames = 0;
  };
  const bool idle = Idle();

  switch (s.stage) {
    case 0:   // the title: its menu, GAME CONFIG
      if (kind == kMenuTitleScreen && age >= 40 && idle) Queue({kZ});
      if (kind == kMenuTitle && age >= 20 && idle) {
        Choose(task, 5);
        s.stage = 1;
      }
      break;
    case 1:   // lives there and back, SCREEN MODE, FRAME RATE 30, both volumes
      if (kind == kMenuGameConfig && age >= 20 && idle) {
        Queue({kDown, kLeft, kRight, kDown, kLeft});
        if (!d.restartRun) Queue({kRight});
        Queue({kDown, kDown, kRight, kDown, kDown, kDown, kLeft, kLeft, kDown, kRight, -10});
        s.stage = 2;
      }
      break;
    case 2:   // EXIT: the restart, or back to the title menu
      if (kind == kMenuGameConfig && idle) {
        Mark("game_config");
        Queue({kDown, kDown, kZ});
        s.stage = 3;
      }
      break;
    case 3:   // (a run after the restart starts here) GAME CONFIG again, KEY ASSIGN
      if (kind == kMenuTitleScreen && age >= 40 && idle) Queue({kZ});
      if (kind == kMenuTitle && age >= 20 && idle) Choose(task, 5);
      if (kind == kMenuGameConfig && age >= 20 && idle) {
        Queue({kUp, kZ});
        s.stage = 4;
      }
      break;
    case 4:   // RAPID on S, BOMBER on SLOW's A (SLOW takes C)
      if (kind == kMenuKeyAssign && age >= 20 && idle) {
        Queue({kDown, kDown, kDown, kDown, kDown, kS, kUp, kUp, kA, -10});
        s.stage = 5;
      }
      break;
    case 5:   // LEFT leaves with the save
      if (kind == kMenuKeyAssign && idle) {
        Mark("key_assign");
        Queue({kLeft});
        s.stage = 6;
      }
      break;
    case 6:   // EXIT from the KEY ASSIGN row; GAME START on DEMONIC
      if (kind == kMenuGameConfig && idle) {
        s.keysLeft = Slots({5, 6, 7, 8, 9, 10, 11, 12});
        Queue({kDown, kZ});
      }
      if (kind == kMenuTitle && idle) {
        Choose(task, 0);
        Queue({-40, kZ, kDown, kDown, kDown, kZ, kZ});
        s.stage = 7;
      }
      break;
    case 7:   // the card skipped, then SHOT held flying right into the enemies
      if (kind == kMenuAreaIntro && age >= 70) {
        d.playFrames = 0;
        hold(true);
        s.stage = 8;
      }
      break;
    case 8:   // the results: ranked; YES saves the replay
      if (kind == kMenuResult) {
        hold(false);
        if (age == 50) {
          endPlay(&s.recordedFrames, &s.recordedVarScore);
          s.recordedScore = static_cast<int32_t>(GetReplayWord(kRepFinalScore));
          s.rankedScore = GetSettingsSlot(kRankDemonic);
        }
        if (age == 70) {
          Queue({kZ});
          s.stage = 9;
        }
      }
      break;
    case 9:   // GAME RESULT, SCORE BOARD
      if (kind == kMenuTitleScreen && age >= 40 && idle) Queue({kZ});
      if (kind == kMenuTitle && age >= 20 && idle) Choose(task, 4);
      if (kind == kMenuGameResult && age >= 20 && idle) {
        Choose(task, 0);
        s.stage = 10;
      }
      break;
    case 10:  // the new row on top; on to REPLAY MODE
      if (kind == kMenuScoreBoard && age >= 30 && idle) {
        Mark("score_board");
        s.boardScore = NumberAt(200, 168);
        Queue({kX});
        s.stage = 11;
      }
      break;
    case 11:
      if (kind == kMenuGameResult && idle) {
        Choose(task, 1);
        s.stage = 12;
      }
      break;
    case 12:  // the list, its action menu, REPLAY ALL
      if (kind == kMenuReplayMode && age >= 20 && idle && GetActorField(31, task) == 0) {
        Mark("replay_mode");
        s.listed = GetActorField(kFieldItemCount, task);
        s.listedNumber = GetReplayListValue(0, kListNumber);
        Queue({kZ, -10});
      }
      if (kind == kMenuReplayMode && idle && GetActorField(31, task) == 1) {
        Mark("replay_actions");
        Queue({kZ});
        s.stage = 13;
      }
      break;
    case 13:  // the playback's results
      if (kind == kMenuResult && age == 50) endPlay(&s.playbackFrames, &s.playbackVarScore);
      if (kind == kMenuResult && age == 70) {
        Queue({kZ});
        s.stage = 14;
      }
      break;
    case 14:  // the menus reopened: area 0 alone
      if (kind == kMenuReplayMode && age >= 40 && idle) {
        for (int level = 0; level <= GetMenuDepth() - 1; ++level) s.reopenedCodes.push_back(GetMenuStack().levels[level].code);
        Queue({kZ, kDown, kDown, kZ});
        s.stage = 15;
      }
      break;
    case 15:
      if (kind == kMenuResult && age == 50) endPlay(&s.areaFrames, nullptr);
      if (kind == kMenuResult && age == 70) {
        Queue({kZ});
        s.stage = 16;
      }
      break;
    case 16:  // the bare title; REPLAY MODE again: DELETE, the question, YES
      if (kind == kMenuTitleScreen && age >= 40 && idle) {
        s.bareTitleAfterArea = GetMenuDepth() == 0;
        Queue({kZ});
      }
      if (kind == kMenuTitle && age >= 20 && idle) Choose(task, 4);
      if (kind == kMenuGameResult && age >= 20 && idle) Choose(task, 1);
      if (kind == kMenuReplayMode && age >= 20 && idle) {
        Queue({kZ, kDown, kZ, -10});
        s.stage = 17;
      }
      break;
    case 17:
      if (kind == kMenuReplayMode && idle && GetActorField(31, task) == 2) {
        Mark("replay_confirm");
        Queue({kUp, kZ, -10});
        s.stage = 18;
      }
      break;
    case 18:  // NO REPLAY FILE; PLAY ORDERS
      if (kind == kMenuReplayMode && idle) {
        Mark("no_replay");
        s.listedAfterDelete = GetActorField(kFieldItemCount, task);
        s.deleted = !std::filesystem::exists("replay/vlxrep0000.rpy");
        Queue({kX});
        s.stage = 19;
      }
      break;
    case 19:
      if (kind == kMenuGameResult && idle) {
        Choose(task, 2);
        Queue({-10, kRight, kRight, kDown, -10});
        s.stage = 20;
      }
      break;
    case 20:
      if (kind == kMenuPlayOrders && idle) {
        Mark("play_orders");
        s.ordersCursor = GetActorField(kFieldCursor, task);
        Queue({kX});
        s.stage = 21;
      }
      break;
    case 21:  // back to the title menu: QUIT GAME
      if (kind == kMenuGameResult && idle) Queue({kX});
      if (kind == kMenuTitle && idle) {
        Choose(task, 6);
        s.stage = 22;
      }
      break;
    case 22:
      if (kind == kMenuQuitGame) s.quitFrame = f;
      break;
    default:
      break;
  }
}

class WholeRunMenus : public ::testing::Test {
protected:
  void SetUp() override {
    root = NewTempFolder("/tmp/vlx_menus_run_XXXXXX");
  }
  void TearDown() override { RemoveFolder(root); }

  static void MakeData(const std::string& folder) { ASSERT_TRUE(MakeDataSet(folder)); }

  // One run of the program in a folder; a run after a restart goes on from the stage it left.
  static HarnessResult Run(const std::string& folder, bool window, bool restartRun, Seen* seen) {
    HarnessOptions o;
    o.folder = folder;
    o.frames = 20000;
    o.window = window;
    o.renderer = "soft";
    o.inputScript = "0\n";
    o.onFrame = OnFrame;
    Driver driver;
    driver.seen = seen;
    driver.window = window;
    driver.restartRun = restartRun;
    g_driver = &driver;
    g_Engine.GetMillisecondCountLocked = [] { return static_cast<int>(g_driver->clock); };
    // The replay's date is shown in the list: one day for both back ends.
    g_Engine.GetLocalDateTimeLocked = [](LocalDateTime* out) {
      *out = LocalDateTime{2026, 7, 9, 12, 0, 0};
      return 0;
    };
    g_realChangeWindowMode = g_Engine.ChangeWindowModeLocked;
    g_Engine.ChangeWindowModeLocked = [](int windowed) {
      g_driver->seen->windowMode = windowed;
      return g_realChangeWindowMode(windowed);
    };
    HarnessResult result;
    RunHarness(o, &result);
    if (driver.held) {
      plat::ScriptedKey(kZ, false);
      plat::ScriptedKey(kRight, false);
    }
    driver.keys.Release();
    g_driver = nullptr;
    ResetEngineEntries();
    return result;
  }

  // The settings file of a folder as the next start reads it.
  static std::vector<int32_t> FileSlots(const std::string& folder, std::initializer_list<int> slots) {
    const std::string here = std::filesystem::current_path().string();
    std::filesystem::current_path(folder);
    ClearSettingsRawStore();
    const bool loaded = LoadSettingsFile() == kSettingsFileSize;
    std::vector<int32_t> v = loaded ? Slots(slots) : std::vector<int32_t>{};
    std::filesystem::current_path(here);
    return v;
  }

  // What every run that reaches QUIT GAME must have seen, from KEY ASSIGN on.
  static void ExpectTheRecordsStory(const HarnessResult& r, const Seen& s) {
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(s.stage, 22);
    EXPECT_EQ(s.lastExit, kMenuExitQuit);
    EXPECT_GE(s.quitFrame, r.frames - 3);
    // KEY ASSIGN: RAPID on S (0x100), BOMBER took A from SLOW, which took C.
    EXPECT_EQ(s.keysLeft, (std::vector<int32_t>{0x10, 0x20, 0x80, 0x40, 0x100, 0x40000000, 0x1000, 0x40000000}));
    // The play was ranked, and SCORE BOARD shows it on top.
    EXPECT_GT(s.recordedScore, 0);
    EXPECT_EQ(s.rankedScore, s.recordedScore * 10);
    EXPECT_EQ(s.boardScore, s.rankedScore);
    // REPLAY MODE listed the saved replay; REPLAY ALL played it to the recorded score and frame.
    EXPECT_EQ(s.listed, 1);
    EXPECT_EQ(s.listedNumber, 0);
    EXPECT_GT(s.recordedFrames, 100);
    EXPECT_EQ(s.playbackFrames, s.recordedFrames);
    EXPECT_EQ(s.playbackVarScore, s.recordedVarScore);
    EXPECT_EQ(s.recordedVarScore, s.recordedScore);
    // The title menu, GAME RESULT and REPLAY MODE reopened; the one-area play, to the bare title.
    EXPECT_EQ(s.reopenedCodes, (std::vector<int32_t>{kMenuTitle, kMenuGameResult, kMenuReplayMode}));
    EXPECT_EQ(s.areaFrames, s.recordedFrames);
    EXPECT_TRUE(s.bareTitleAfterArea);
    // DELETE down to NO REPLAY FILE; PLAY ORDERS moved right twice and down.
    EXPECT_TRUE(s.deleted);
    EXPECT_EQ(s.listedAfterDelete, 0);
    EXPECT_EQ(s.ordersCursor, 10);
    for (const char* name : {"key_assign", "score_board", "replay_mode", "replay_actions", "replay_confirm",
                             "no_replay", "play_orders"}) {
      EXPECT_EQ(s.pictures.count(name), 1u) << name;
    }
  }

  std::string root;
};

TEST_F(WholeRunMenus, ConfigRestartKeyAssignPlayRecordsReplaysAndQuitFromTheProgramEntry) {
  const std::string folder = root + "/run";
  MakeData(folder);
  // The first run ends in GAME CONFIG with the restart.
  Seen first;
  const HarnessResult r1 = Run(folder, false, true, &first);
  EXPECT_EQ(r1.status, 0);
  EXPECT_EQ(r1.restarts, 1);
  EXPECT_EQ(first.stage, 3);
  EXPECT_EQ(first.lastExit, kMenuExitRestart);
  EXPECT_EQ(first.windowMode, 1);
  EXPECT_LT(r1.frames, 2000);
  EXPECT_EQ(first.pictures.count("game_config"), 1u);
  // The restarted program starts in full screen, with every change read back from the file.
  Seen second;
  second.stage = 3;
  const HarnessResult r2 = Run(folder, false, true, &second);
  EXPECT_EQ(second.windowMode, 0);
  EXPECT_EQ(second.bootSlots, (std::vector<int32_t>{0, 1, first.bootSlots[2] - 2, first.bootSlots[3] + 1,
                                                    first.bootSlots[4]}));
  EXPECT_EQ(r2.restarts, 0);
  ExpectTheRecordsStory(r2, second);
  std::printf("records run: %d + %d frames, play %d frames, score %d\n", r1.frames, r2.frames,
              second.recordedFrames, second.recordedScore);
  // The file left holds the key assignment.
  EXPECT_EQ(FileSlots(folder, {5, 6, 7, 8, 9, 10, 11, 12}), second.keysLeft);
}

// The real window: skipped without a display, unless the run asks for one.
TEST_F(WholeRunMenus, RealWindowPicturesReadBackFromXEqualTheHeadlessRun) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    if (std::getenv("VLX_REQUIRE_DISPLAY")) FAIL() << "no display";
    GTEST_SKIP() << "no display";
  }
  // SCREEN MODE goes there and back: both runs stay in the window, with no restart.
  Seen headless, window;
  MakeData(root + "/headless");
  MakeData(root + "/window");
  const HarnessResult h = Run(root + "/headless", false, false, &headless);
  ExpectTheRecordsStory(h, headless);
  const HarnessResult w = Run(root + "/window", true, false, &window);
  ExpectTheRecordsStory(w, window);
  EXPECT_EQ(h.restarts, 0);
  EXPECT_EQ(headless.pictures.count("game_config"), 1u);
  EXPECT_EQ(w.frames, h.frames);
  for (const auto& [name, a] : headless.pictures) {
    const Pixels& b = window.pictures[name];
    ASSERT_EQ(a.size(), 640u * 480u) << name;
    ASSERT_EQ(b.size(), 640u * 480u) << name;
    KeepPng(a, "menus_run_" + name + "_headless.png");
    KeepPng(b, "menus_run_" + name + "_window.png");
    size_t differing = 0;
    for (size_t i = 0; i < a.size(); ++i) differing += a[i] != b[i];
    EXPECT_EQ(differing, 0u) << name;
  }
}

}  // namespace
