// GAME CONFIG: play, display and sound settings edited in the settings store with LEFT and RIGHT,
// saved when the window is left; a change of screen mode, frame control or colour depth, which
// the engine fixes at start-up, ends the program with a restart. The KEY ASSIGN row opens the
// key assignment beside it.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/input.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/frontend/frontend.h"

namespace {

constexpr int kRows = 10;
constexpr int kConfigMenuRow = 5;
constexpr int kLayer = 28;
constexpr uint32_t kValueColour = 0x7FFF7FFFu;
constexpr uint32_t kLitColour = 0xFFFF7FFFu;
constexpr uint32_t kRedLives = 0xFF7F7FFFu;
constexpr uint32_t kDimArrow = 0x3F3F3FFFu;
constexpr int kLifeIcon = 524;
constexpr int kArrowLeft = 558;
constexpr int kArrowRight = 559;
constexpr int kWindowX2Text = 30;     // slot 16 = 2: a mode the file may hold, never chosen here
constexpr int kRestartWaitMs = 1000;

// Fields kept at creation: the slots whose change needs a restart.
constexpr int kFieldKeptScreen = 76;
constexpr int kFieldKeptPacing = 77;
constexpr int kFieldKeptColour = 79;

constexpr int ConfigRowSlotTable[kRows] = {0, 25, 16, 20, 18, 19, 21, 23, 24, 0};
constexpr int ConfigRowTextTable[kRows] = {0, -1, 28, 46, 40, 44, 26, -1, -1, -1};
constexpr int ConfigRowCountTable[kRows] = {-1, 5, 2, 2, 4, 2, 2, 101, 101, 0};

bool InRange(int32_t v, int count) { return v >= 0 && v < count; }

// LEFT and RIGHT step the row's value by one, stopping at the ends; a value outside the row's
// range (an edited file) is brought into it by the same press.
void StepRowValue(int row) {
  const int slot = ConfigRowSlotTable[row];
  const int count = ConfigRowCountTable[row];
  int32_t v = GetSettingsSlot(slot);
  if (IsButtonPressed(kButtonLeft)) {
    const int32_t next = v > count - 1 ? count - 1 : v <= 0 ? 0 : v - 1;   // no step past INT_MIN
    if (next != v) PlaySe(0);
    v = next;
  }
  if (IsButtonPressed(kButtonRight)) {
    const int32_t next = v < 0 ? 0 : v >= count - 1 ? count - 1 : v + 1;   // nor past INT_MAX
    if (next != v) PlaySe(0);
    v = next;
  }
  SetSettingsSlot(slot, v);
}

bool NeedsRestart(int task) {
  return GetSettingsSlot(kSlotScreen) != GetActorField(kFieldKeptScreen, task) ||
         GetSettingsSlot(kSlotFramePacing) != GetActorField(kFieldKeptPacing, task) ||
         GetSettingsSlot(kSlotColourDepth) != GetActorField(kFieldKeptColour, task);
}

void Leave(int task) {
  KillChildActors(task);
  SaveSettingsFile();
  if (NeedsRestart(task)) {
    StopBgm();
    StopAllSe();
    g_Engine.WaitMillisecondsPumping(kRestartWaitMs);
    SetMenuTaskField(kFieldExitCode, kMenuExitRestart);
  } else {
    OrActorField(kFieldFlags, task, kFlagDead);
  }
}

void DrawLives(int x, int y, bool onCursor) {
  const int32_t v = GetSettingsSlot(kSlotStartLives);
  if (!InRange(v, ConfigRowCountTable[1])) return;
  const int lives = v + 1;
  SetDrawColor(AddDrawNumber(x, y, kLayer, lives, 1, 0), kValueColour);
  const uint32_t colour = lives != 3 ? kRedLives : onCursor ? kLitColour : kValueColour;
  for (int j = 0; j < lives; ++j) SetDrawColor(AddDrawSprite(x + 12 * j + 12, y, kLayer, kLifeIcon), colour);
}

void DrawChoice(int row, int x, int rowX, int y, bool onCursor) {
  const int32_t v = GetSettingsSlot(ConfigRowSlotTable[row]);
  const int count = ConfigRowCountTable[row];
  int text = -1;
  if (InRange(v, count)) text = ConfigRowTextTable[row] + v;
  else if (row == 2 && v == 2) text = kWindowX2Text;
  if (text >= 0) SetDrawColor(AddDrawTextGlyph(rowX, y, kLayer, text), kValueColour);
  if (onCursor) {
    SetDrawColor(AddDrawSprite(x + 144, y, kLayer, kArrowLeft), v > 0 ? kLitColour : kDimArrow);
    SetDrawColor(AddDrawSprite(x + 276, y, kLayer, kArrowRight), v < count - 1 ? kLitColour : kDimArrow);
  }
}

void DrawVolume(int row, int x, int y, bool onCursor) {
  const int32_t v = GetSettingsSlot(ConfigRowSlotTable[row]);
  const int bx = x + 156;
  const bool shown = InRange(v, ConfigRowCountTable[row]);
  if (shown) SetDrawColor(AddDrawNumber(bx + 100, y, kLayer, v, 3, 0), kValueColour);
  SetDrawColor(AddDrawRect(bx + 1, y + 1, bx + 103, y + 13, kLayer, 1), 0x000000FFu);
  if (shown) SetDrawColor(AddDrawRect(bx + 2, y + 3, bx + 2 + v, y + 11, kLayer, 1), onCursor ? kLitColour : kValueColour);
  AddDrawRect(bx, y + 1, bx + 104, y + 13, kLayer, 0);
}

}  // namespace

void GameConfigTask(int task) {
  const int c = std::clamp(GetActorField(kFieldCursor, task), 0, kRows - 1);
  const int x = GetActorField(kFieldX, task);
  const int y = GetActorField(kFieldY, task);
  if (task == GetCurrentMenuTask()) {
    if (c >= 1 && c <= 8) {
      StepRowValue(c);
    } else {
      bool leave = false;
      if (c == 0 && IsButtonPressed(kButtonLeft | kButtonShot)) {
        leave = true;
        PlaySe(1);
      }
      if (IsCancelPressed()) leave = true;
      if (c == 9 && IsConfirmPressed(true)) {
        const int keys = CreateMenuWindow(x, y, 312, 160, task, kMenuKeyAssign);
        if (keys < 0) SetMenuTaskField(kFieldExitCode, kMenuExitRestart);
        PlaySe(1);
        // Cancel in the same frame leaves as well, and takes the new window along: it would
        // otherwise outlive its parent and leave no menu to return to.
        if (keys >= 0 && leave) CloseMenuLevels(1);
      }
      if (leave) Leave(task);
    }
    DrawMenuDescription(kConfigMenuRow, c);
  }

  for (int row = 1; row <= 8; ++row) {
    const int ry = y + 16 * row;
    const bool onCursor = row == c;
    if (row == 1) DrawLives(x + 160, ry, onCursor);
    else if (row <= 6) DrawChoice(row, x, x + 160, ry, onCursor);
    else DrawVolume(row, x, ry, onCursor);
  }
}
