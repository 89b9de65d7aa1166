#include "game/framework/boot.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>

#include "game/framework/actors.h"
#include "game/framework/archive_key.h"
#include "game/framework/commands.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/frame_loop.h"
#include "game/framework/game_math.h"
#include "game/framework/scene_hooks.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/sprite_layout.h"
#include "game/framework/sprites.h"
#include "game/framework/text.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"

namespace {

struct LoadingScreen {
  int picture = -1;
  int lastRedraw = 0;
  int presents = 0;
};
LoadingScreen g_loading;

constexpr const char* kFatalCaption = "エラーが発生したのでアプリケーションを終了します";
constexpr const char* kLoadingPicture = "dat\\vlx0.dat";
constexpr int kGameWidth = 640;
constexpr int kGameHeight = 480;
constexpr int kMaxWindowScale = 2;   // WINDOW X2, the largest window the configuration knows

// The scene set-ups by the low four bits of the state; states 3-11 are never produced.
using SceneSetup = int (*)();
constexpr SceneSetup kSceneSetups[12] = {RunOpeningState, RunTitleState, RunGameState};

void KeepLoadingPicture(int graph) { g_loading.picture = graph; }

// Before the settings are read or anything is asked: a window must be possible, and this copy
// must be the only one, holding the mark from here on so that a copy started a moment later
// writes nothing either. Each refusal says why on stderr; the caller shows Error:0126.
bool MayStart() {
  // A folder beyond the system's path limit cannot be named to the system: its files could not be
  // found, and it is said once here rather than as each file missing.
  const std::string here = CurrentFolderPath();
  if (here.size() >= PATH_MAX) {
    std::fprintf(stderr, "velmarondix: the folder to work from has a path of %zu bytes, too long for the system, "
                         "which takes at most %d; move the game to a folder with a shorter path (Error:0126): %s\n",
                 here.size(), PATH_MAX - 1, here.c_str());
    return false;
  }
  char why[512] = "";
  if (g_Engine.CanCreateMainWindowLocked(why, sizeof why) != 1) {
    std::fprintf(stderr, "velmarondix: no display to show the game's window on (%s); start it on a desktop "
                         "(Error:0126)\n", why);
    return false;
  }
  why[0] = '\0';
  const int claim = g_Engine.ClaimSingleCopyLocked(why, sizeof why);
  if (claim == 1)
    std::fprintf(stderr, "velmarondix: another copy of the game is already running; only one may run at a "
                         "time, so this one ends (Error:0126)\n");
  else if (claim != 0)
    std::fprintf(stderr, "velmarondix: cannot tell whether another copy of the game runs (%s), so this one "
                         "ends (Error:0126)\n", why);
  return claim == 0;
}

// A folder in the box's text (CP932, a byte a column): its middle given up past 64 columns, so that
// the box stays within a screen; stderr names it whole.
std::string ShortenedForBox(const std::string& folder) {
  constexpr size_t kMost = 64, kHead = 20;
  if (folder.size() <= kMost) return folder;
  size_t head = 0, at = 0;
  for (; folder.size() - at > kMost - kHead - 3; at += plat::IsCp932Lead(uint8_t(folder[at])) ? 2 : 1)
    if (at <= kHead) head = at;
  return folder.substr(0, head) + "..." + folder.substr(at);
}

// Without a single sprite sheet, or without the text file, the game could show nothing of itself:
// the player is told what is missing and where it was looked for, and the program ends.
bool DataSetPlayable() {
  int sheets = 0;
  for (int n = 0; n < kSpriteSheetCount; ++n) sheets += GetSpriteSheetGraph(n) >= 0 ? 1 : 0;
  const bool texts = TextFileSize() > 0;
  if (sheets > 0 && texts) return true;
  const std::string here = CurrentFolderPath(), shown = ShortenedForBox(plat::Utf8ToCp932(here));
  std::string where, boxWhere;
  if (sheets == 0) {
    where += here + "/vlxdat.dat (or the folder " + here + "/vlxdat)\n";
    boxWhere += shown + "/vlxdat.dat\n(or the folder " + shown + "/vlxdat)\n";
  }
  if (!texts) {
    where += here + "/dat/vlx1.dat\n";
    boxWhere += shown + "/dat/vlx1.dat\n";
  }
  std::fprintf(stderr, "velmarondix: the data set is missing or damaged, looked for:\n%s"
                       "the game cannot be played and ends\n", where.c_str());
  const std::string text = std::string("ゲームのデータが見つからないか、壊れています。\n"
                                       "The game's data set is missing or damaged. Looked for:\n") +
                           boxWhere;
  g_Engine.MessageBox(text.c_str(), kFatalCaption, kBoxOk | kBoxTopmost);
  return false;
}

// Whether the current folder holds a data set: the folder "dat" and the sprite folder or its
// archive (the platform's paths match names in any case).
bool HoldsDataSet() {
  return plat::DirectoryExists("dat") && (plat::DirectoryExists("vlxdat") || plat::FileExists("vlxdat.dat"));
}

}  // namespace

// The program's folder is entered by the platform: its name may have no form in the game's text.
void WorkFromProgramFolder() {
  std::string problem;
  plat::ProcessWorkFromExecutableFolder(HoldsDataSet, &problem);
  if (!problem.empty()) std::fprintf(stderr, "velmarondix: cannot work from the program's folder: %s\n", problem.c_str());
}

int CheckRecordFiles() { return 0; }

int ShowFatalError(int code) {
  char text[32];
  std::snprintf(text, sizeof text, "Error:%04d", code);
  g_Engine.GetMainWindowHwndLocked();
  return g_Engine.MessageBox(text, kFatalCaption, kBoxOk | kBoxTopmost);
}

void SetupScreenMode() {
  g_Engine.SetMainWindowIconLocked(101);
  g_Engine.SetMainWindowCaptionLocked(kGameCaption);
  g_Engine.SetDrawModeStateLocked(0);
  const int depth = GetSettingsSlot(kSlotColourDepth) >= 1 ? 16 : 32;
  g_Engine.SetFlipWaitsVBlankLocked(GetSettingsSlot(kSlotFramePacing) >= 1 ? 0 : 1);
  // A damaged word must not ask the engine for a window it cannot make.
  const int n = GetSettingsSlotClamped(kSlotScreen, 0, kMaxWindowScale);
  g_Engine.ChangeWindowModeLocked(n >= 1 ? 1 : 0);
  if (n > 0) g_Engine.SetWindowScaleRateLocked(static_cast<double>(n));
  g_Engine.SetScreenModeKeepLocked(kGameWidth, kGameHeight, depth, 60);
  SetPlayfieldBounds(-16, -16, 656, 496);
}

void UpdateLoadingScreen() {
  const int now = g_Engine.GetMillisecondCountLocked();
  if (ElapsedMs(g_loading.lastRedraw, now) < 16) return;
  g_loading.lastRedraw = now;
  g_Engine.DrawGraphAtPointLocked(0, 0, g_loading.picture, 1);
  g_Engine.PresentScreenLocked();
  ++g_loading.presents;
}

void FinishLoadingScreen() {
  while (g_loading.presents < 150) {
    g_Engine.WaitMillisecondsPumping(1);
    UpdateLoadingScreen();
  }
  g_Engine.DeleteGraphHandleLocked(g_loading.picture, 0);
}

int LoadingPresentCount() { return g_loading.presents; }

int InitSystem() {
  if (CheckRecordFiles() == -1) {
    ShowFatalError(kErrorRecords);
    return -1;
  }
  if (!MayStart()) {
    ShowFatalError(kErrorEngine);
    return -1;
  }
  if (LoadSettingsFile() == -1) {
    ShowFatalError(kErrorSettings);
    return -1;
  }
  g_loading.lastRedraw = 0;
  g_loading.presents = 0;
  SetupScreenMode();
  g_Engine.SetLogFileOutputFlagLocked(0);
  if (g_Engine.LibraryInitializeLocked() == -1) {
    std::fprintf(stderr, "velmarondix: the game's window and screen could not be made (Error:0126)\n");
    ShowFatalError(kErrorEngine);
    return -1;
  }
  g_Engine.SetFlipWaitsVBlankLocked(GetSettingsSlot(kSlotFramePacing) >= 1 ? 0 : 1);
  g_Engine.SetNoTextureSplitFlagLocked(1);
  g_Engine.SetCreateGraphAlphaFlagLocked(1);
  g_Engine.SetMouseCursorVisibleFlagLocked(0);
  g_Engine.SetDrawTargetLocked(-2);
  g_Engine.SetArchiveUseFlagLocked(1);
  g_Engine.SetArchiveExtensionLocked("dat");
  SetArchiveKeyFromTitle(GetTableText(0));
  g_loading.picture = g_Engine.LoadGraphFileCallLocked(kLoadingPicture);
  if (g_loading.picture == -1) SayDataFileUnreadable(kLoadingPicture, true);
  for (int i = 0; i < 4; ++i) {
    g_Engine.DrawGraphAtPointLocked(0, 0, g_loading.picture, 1);
    g_Engine.PresentScreenLocked();
  }
  UpdateLoadingScreen();
  g_Engine.SetDefaultFontSizeLocked(12);
  g_Engine.SetDefaultFontThicknessLocked(2);
  g_Engine.SetDefaultFontNameLocked("MS UI Gothic", -1);
  g_Engine.SetDefaultFontTypeLocked(1);
  const uint32_t black = g_Engine.GetScreenColorLocked(0, 0, 0);
  const uint32_t white = g_Engine.GetScreenColorLocked(255, 255, 255);
  SetScreenColours(black, white);
  UpdateLoadingScreen();
  ClearTextLines();
  return 0;
}

bool LoadResources() {
  g_LoadingScreenHook = UpdateLoadingScreen;
  g_LoadingPictureHook = KeepLoadingPicture;
  LoadSpriteSheets();
  InitGameTimers();
  LoadSounds();
  LoadTextRecords();
  SetSettingsSlot(kSlotPlayMode, 1);
  return DataSetPlayable();
}

void ShutdownSystem() {
  g_Engine.LibraryTerminateLocked();
  g_Engine.ReleaseSingleCopyLocked();   // given back with the window; here whatever the engine did
}

void PrepareStateRound() {
  ResetFrameLoopState();
  ResetActors();
  ResetActorCommands();
}

void SetCaptionFromText(int id) { g_Engine.SetMainWindowCaptionLocked(GetTableText(id)); }

int GameMain() {
  ResetFrameLoopForStart();
  if (InitSystem() == -1) {
    g_Engine.ReleaseSingleCopyLocked();
    return -1;
  }
  if (!LoadResources()) {
    ShutdownSystem();
    return -1;
  }
  int state = 0;
  while (state > -1 && (state & 15) < 12) {
    PrepareStateRound();
    const SceneSetup setup = kSceneSetups[state & 15];
    state = setup ? setup() : -1;
    if (state > -1) state = RunFrameLoop();
  }
  ShutdownSystem();
  if (state > 0 && (state & 0x400) != 0 && !plat::ProcessRestartSelf())
    std::fprintf(stderr, "velmarondix: the game could not be started again; start it once more by hand\n");
  return 0;
}
