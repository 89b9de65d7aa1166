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
constexpr int kWindowX2 = 2;          // slot 16: a window at double size, which the file may hold
constexpr int kWindowX2Text = 30;     // but this menu never chooses
constexpr int kRestartWaitMs = 1000;

// Fields kept at creation: the slots whose change needs a restart.
constexpr int kFieldKeptScreen = 76;
constexpr int kFieldKeptPacing = 77;
constexpr int kFieldKeptColour = 79;

constexpr int ConfigRowSlotTable[kRows] = {0, 25, 16, 20, 18, 19, 21, 23, 24, 0};
constexpr int ConfigRowTextTable[kRows] = {0, -1, 28, 46, 40, 44, 26, -1, -1, -1};
constexpr int ConfigRowCountTable[kRows] = {-1, 5, 2, 2, 4, 2, 2, 101, 101, 0};

// The value the game runs for a row's stored word, read the way the slot's readers read it, so
// that a word an edited file holds out of range shows, and steps from, what the game does with it.
int32_t RunValue(int row, int32_t v) {
  switch (row) {
    case 2: return std::clamp(v, 0, kWindowX2);   // the window scale, held to the largest window
    case 3:                                        // 16-bit, timer and no card from 1 up
    case 5:
    case 6: return v >= 1 ? 1 : 0;
    default: return std::clamp(v, 0, ConfigRowCountTable[row] - 1);
  }
}

// LEFT and RIGHT step the shown value by one, stopping at the ends; a word outside the row's
// range (an edited file) is brought into it by the same press.
int32_t StepFrom(int row, int32_t v, int by) {
  const int32_t from = RunValue(row, v);
  const int32_t next = std::clamp(from + by, 0, ConfigRowCountTable[row] - 1);
  if (next != from) PlaySe(0);
  return next;
}

void StepRowValue(int row) {
  const int slot = ConfigRowSlotTable[row];
  int32_t v = GetSettingsSlot(slot);
  if (IsButtonPressed(kButtonLeft)) v = StepFrom(row, v, -1);
  if (IsButtonPressed(kButtonRight)) v = StepFrom(row, v, 1);
  SetSettingsSlot(slot, v);
}

// Only a change in what the engine runs needs the restart, not a damaged word brought into range.
bool NeedsRestart(int task) {
  const auto changed = [task](int row, int field) {
    return RunValue(row, GetSettingsSlot(ConfigRowSlotTable[row])) != RunValue(row, GetActorField(field, task));
  };
  return changed(2, kFieldKeptScreen) || changed(5, kFieldKeptPacing) || changed(3, kFieldKeptColour);
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
  const int lives = RunValue(1, GetSettingsSlot(kSlotStartLives)) + 1;
  SetDrawColor(AddDrawNumber(x, y, kLayer, lives, 1, 0), kValueColour);
  const uint32_t colour = lives != 3 ? kRedLives : onCursor ? kLitColour : kValueColour;
  for (int j = 0; j < lives; ++j) SetDrawColor(AddDrawSprite(x + 12 * j + 12, y, kLayer, kLifeIcon), colour);
}

void DrawChoice(int row, int x, int rowX, int y, bool onCursor) {
  const int32_t v = RunValue(row, GetSettingsSlot(ConfigRowSlotTable[row]));
  const int count = ConfigRowCountTable[row];
  const int text = row == 2 && v == kWindowX2 ? kWindowX2Text : ConfigRowTextTable[row] + v;
  SetDrawColor(AddDrawTextGlyph(rowX, y, kLayer, text), kValueColour);
  if (onCursor) {
    SetDrawColor(AddDrawSprite(x + 144, y, kLayer, kArrowLeft), v > 0 ? kLitColour : kDimArrow);
    SetDrawColor(AddDrawSprite(x + 276, y, kLayer, kArrowRight), v < count - 1 ? kLitColour : kDimArrow);
  }
}

void DrawVolume(int row, int x, int y, bool onCursor) {
  const int32_t v = RunValue(row, GetSettingsSlot(ConfigRowSlotTable[row]));
  const int bx = x + 156;
  SetDrawColor(AddDrawNumber(bx + 100, y, kLayer, v, 3, 0), kValueColour);
  SetDrawColor(AddDrawRect(bx + 1, y + 1, bx + 103, y + 13, kLayer, 1), 0x000000FFu);
  SetDrawColor(AddDrawRect(bx + 2, y + 3, bx + 2 + v, y + 11, kLayer, 1), onCursor ? kLitColour : kValueColour);
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
