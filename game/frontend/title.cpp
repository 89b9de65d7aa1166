// The opening and title scenes: the opening picture, the title screen with its sparkles, fade and
// the attract demo after 1200 idle frames, the title menu, the QUIT GAME shutters, and the
// reopening of the menus a whole-replay playback started from.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/frontend/frontend.h"
#include "game/play/play.h"

namespace {

constexpr int kFieldSideAge = 70;
constexpr int kFieldTitleLevel = 71;
constexpr int kTitleFadeTop = 60;
constexpr int kIdleFrames = 1200;
constexpr int kOpeningFrames = 120;

void FailToRestart() { SetMenuTaskField(kFieldExitCode, kMenuExitRestart); }

void SpawnTitleSparkle() {
  const int x = GameRandom(640);
  const int heading = GameRandom(1800) + 4500;
  const int speed = GameRandom(800) + 300;
  const int sparkle = SpawnMovingEffect(x, 0, 3, 0x2000624, heading, speed);
  if (sparkle < 1) return;
  SetActorField(kFieldColour, sparkle, static_cast<int32_t>(0xFFFFFF80u));
  const int scale = GameRandom(200) + 200;
  SetActorField(kFieldScale, sparkle, scale);
  OrActorField(kFieldFlags, sparkle, kFlagOffPlayfieldDies);
}

// The pool was reset before the scene: no session or player of an earlier scene is left.
void ForgetEarlierScene() {
  SetSessionActor(0);
  SetPlayerActor(0);
}

}  // namespace

int RunOpeningState() {
  ForgetEarlierScene();
  ClearSavedMenuPath();
  ResetMenuStack();
  const int task = CreateMenuWindow(0, 0, 0, 0, 0, kMenuOpening);
  if (task < 0) return -1;
  CaptureScreenToBuffer();
  StartScreenCrossfade();
  PlayBgm(0);
  return task;
}

void OpeningTask(int task) {
  AddDrawRect(0, 0, 640, 480, 0, 1);
  AddDrawSpriteRot(328, 240, 26, 191, 1000, 0);
  if (GetActorField(kFieldAge, task) == kOpeningFrames) {
    CaptureScreenToBuffer();
    StartScreenCrossfade();
    SetMenuTaskField(kFieldExitCode, kMenuExitTitle);
  }
}

int RunTitleState() {
  ForgetEarlierScene();
  ResetMenuStack();
  const int task = CreateMenuWindow(0, 0, 0, 0, 0, kMenuTitleScreen);
  if (task < 0) return -1;
  SetSettingsSlot(kSlotPlayMode, 0);
  PlayBgmWithTitle(0);
  if (GetMenuStack().savedDepth > -1) ReopenMenuPath();
  return GetCurrentMenuTask();
}

void TitleScreenTask(int task) {
  int level = GetActorField(kFieldTitleLevel, task);
  if (task == GetCurrentMenuTask()) {
    if (level < kTitleFadeTop) ++level;
    SpawnTitleSparkle();
    ReplaceBackground(-1);
    if (IsConfirmPressed(true)) {
      FreeActorsExcept(0x10000000);
      OpenTitleMenu();
      return;
    }
    const int age = GetActorField(kFieldAge, task);
    if (age > kIdleFrames) {
      StartAttractDemo(0);
      return;
    }
    // The white flash fades from the first frame; its alpha at age 0 wraps to 0.
    if (age < 64) {
      SetDrawColor(AddDrawRect(0, 0, 640, 480, 31, 1), 0xFFFFFF00u | ((256u - 4u * age) & 0xFFu));
    }
    const uint32_t alpha = static_cast<uint32_t>(4 * level + 15);
    SetDrawColor(AddDrawSpriteRot(320, 240, 1, 194, 1000, 5400), 0xFFFFFF00u | alpha);
    AddDrawTextString(1, 1, 28, 432);
  } else {
    if (level > 0) --level;
    // The demo countdown starts again whenever a menu has been open.
    SetActorField(kFieldAge, task, 0);
  }
  SetActorField(kFieldTitleLevel, task, level);
  const int side = GetActorField(kFieldSideAge, task);
  const uint32_t alpha = 4 * side < 256 ? static_cast<uint32_t>(4 * side) : 0xFFu;
  SetDrawColor(AddDrawSprite(8, 232, 25, 193), 0xFFFFFF00u | alpha);
  // Opaque from 64 on: the count stops there rather than running on for ever.
  SetActorField(kFieldSideAge, task, std::min(side + 1, 64));
}

int OpenTitleMenu() {
  const int menu = CreateMenuWindow(16, 16, 0, 0, GetCurrentMenuTask(), kMenuTitle);
  if (menu < 0) {
    FailToRestart();
    return -1;
  }
  CreateGameSession();
  CreateAreaBackground(16);
  CaptureScreenToBuffer();
  StartScreenCrossfade();
  PlayBgmWithTitle(0);
  if (GetSettingsSlot(kSlotTitleFlag) == 0 && (GetSettingsSlot(kSlotPlayOrders) & 0x10)) {
    SetSettingsSlot(kSlotTitleFlag, 1);
  }
  return menu;
}

void QuitGameTask(int task) {
  const int a = GetActorField(kFieldAge, task);
  const int h = 480 * a / 120;
  SetDrawColor(AddDrawRect(0, 0, 640, h, 31, 1), 0x000000FFu);
  SetDrawColor(AddDrawRect(0, 480 - h, 640, 480, 31, 1), 0x000000FFu);
  if (a < 1) {
    FadeOutBgm();
    PlaySe(30);
    SaveSettingsFile();
  }
  if (a == 60) PlaySe(19);
  if (a > 89) SetMenuTaskField(kFieldExitCode, kMenuExitQuit);
}

void StartAttractDemo(int n) {
  // A missing demo, or one whose header names nothing playable, leaves the title screen running:
  // it tries again after another 1200 idle frames.
  if (LoadDemoReplay(n) != 0 || !FillReplayListEntry(0, n)) {
    SetMenuTaskField(kFieldAge, 0);
    return;
  }
  FreeActorsExcept(0x10000000);
  // A filled entry holds its first recorded area, so the playback starts.
  StartReplayPlayback(0, -1);
  SetSettingsSlot(kSlotPlayMode, GetSettingsSlot(kSlotPlayMode) | kPlayDemo);
}

void ReopenMenuPath() {
  const MenuStack& stack = GetMenuStack();
  const int savedDepth = stack.savedDepth;
  const int titleCursor = stack.saved[1].cursor;
  int window = OpenTitleMenu();
  if (window > 0) {
    SetActorField(kFieldCursor, window, titleCursor);
    SetMenuLevelCursorAt(1, titleCursor);
    int x = 16, y = 16;
    int d = 1;
    for (; d < savedDepth && d < kMenuLevels; ++d) {
      const int k = stack.saved[d].cursor;
      SetActorField(kFieldCursor, window, k);
      const int width = MenuRowOf(window).width + 20;
      const int next = CreateMenuWindow(x, y, width, 16 * k, window, stack.saved[d].code);
      if (next < 0) {
        // The levels after it would have no parent window: the reopening stops here.
        FailToRestart();
        break;
      }
      SetMenuLevelCursorAt(d, k);
      x = GetActorField(kFieldX, next);
      y = GetActorField(kFieldY, next);
      window = next;
    }
    // The last window reopened (REPLAY MODE) gets its own cursor back too.
    if (d == savedDepth && d < kMenuLevels) {
      SetActorField(kFieldCursor, window, stack.saved[d].cursor);
      SetMenuLevelCursorAt(d, stack.saved[d].cursor);
    }
  }
  SetSettingsSlot(kSlotPlayMode, 0);
  ClearSavedMenuPath();
}
