// Menu windows: their creation and placement with the rules of particular codes, the group-1
// dispatch, the cursor, confirm and cancel keys, the window and description drawing, and the
// generic list menu with the rig and weapon-pick windows that write their choice as the cursor
// moves.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/game_hooks.h"
#include "game/framework/input.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/frontend/frontend.h"
#include "game/play/play.h"

namespace {

constexpr uint32_t kYellow = 0xFFFF7FFFu;
constexpr uint32_t kGrey = 0x3F3F3FFFu;
constexpr int kMenuLayer = 28;
constexpr int kArrowRight = 559;

int RowIndexOf(int32_t code) { return code & 0xFF & (kMenuRowCount - 1); }

int RowIndexOfTask(int task) {
  return std::clamp(GetActorField(kFieldMenuRow, task) / 6, 0, kMenuRowCount - 1);
}

}  // namespace

const MenuDefinition& MenuRowOf(int task) { return MenuDefinitionTable[RowIndexOfTask(task)]; }

int CreateMenuWindow(int x, int y, int w, int h, int parent, int32_t code) {
  if (parent < 0 || parent >= kActorCount) parent = 0;
  int nx = x + w;
  int ny = y + h;
  if (x + w > 560) {
    nx = x;
    ny = y + 16 * GetActorField(kFieldItemCount, parent) + 20;
  }
  const int depth = GetMenuDepth();
  if (code == kMenuStartConfirm) {
    const int extra = GetMenuLevelCursorAt(2) == 1 ? 1 : 0;
    if (GetMenuLevelCursorAt(1) == 2 && depth < 4 + extra) code = kMenuAreaChoice;
  } else if (code == kMenuRig) {
    if (depth > 4) {
      parent = CloseMenuLevels(4);
      nx = GetActorField(kFieldX, parent) + MenuRowOf(parent).width + 20;
      ny = GetActorField(kFieldY, parent) + 16 * GetActorField(kFieldCursor, parent);
    }
  } else if (code == kMenuCustomRig) {
    parent = CloseMenuLevels(1);
    nx = 16;
    ny = 384;
  } else if (code >= kMenuShotPick && code <= kMenuBombPick) {
    ny = 384;
  }

  const int rowIndex = RowIndexOf(code);
  const MenuDefinition& row = MenuDefinitionTable[rowIndex];
  const int task = SpawnActor(nx, ny, kMenuLayer, 0, row.taskCode);
  if (task < 0) return -1;
  SetCurrentMenuTask(task);
  SetMenuLevelCode(GetMenuDepth(), row.taskCode);
  SetActorField(kFieldParent, task, parent);
  SetActorField(kFieldParentSerial, task, GetActorField(kFieldSerial, parent));
  SetActorField(kFieldMenuRow, task, rowIndex * 6);
  SetActorField(kFieldFirstLabel, task, row.firstLabel);
  SetActorField(kFieldItemCount, task, row.itemCount);
  SetActorField(kFieldMenuWidth, task, row.width);
  PushMenuLevel();

  int cursor = 0;
  switch (code) {
    case kMenuTitle:
      cursor = GetSettingsSlot(kSlotLastArea) > 0 ? 1 : 0;
      break;
    case kMenuGameConfig:
      SetActorField(76, task, GetSettingsSlot(kSlotScreen));
      SetActorField(77, task, GetSettingsSlot(kSlotFramePacing));
      SetActorField(79, task, GetSettingsSlot(kSlotColourDepth));
      break;
    case kMenuCharacter: {
      cursor = MenuSlotCharacter();
      const int preview = CreatePreviewPlayer(nx + 72, ny + 16 * row.itemCount + 64, cursor);
      if (preview > 0) LinkChildActor(preview, task, 0);
      break;
    }
    case kMenuDifficulty:
      cursor = MenuSlotDifficulty();
      break;
    case kMenuRig:
      cursor = MenuSlotRig() + 1;
      break;
    case kMenuMission:
      // MISSION MODE has nothing to offer in this edition: the window is the NO MISSION line.
      SetActorField(kFieldKind, task, kMenuNoMission);
      SetActorField(kFieldMenuRow, task, 23 * 6);
      SetActorField(kFieldFirstLabel, task, 4);
      SetActorField(kFieldItemCount, task, 1);
      SetActorField(kFieldMenuWidth, task, 180);
      break;
    case kMenuCustomRig:
      cursor = MenuSlotRig();
      break;
    case kMenuShotPick:
    case kMenuSubPick:
    case kMenuBombPick:
      cursor = MenuRigPick(MenuSlotRig(), code - kMenuShotPick);
      break;
    case kMenuPlayOrders:
      SetActorField(kFieldPrevCursor, task, -1);
      SetActorField(kFieldItemCount, task, 32);
      break;
    case kMenuScoreBoard:
      SetActorField(67, task, MenuSlotCharacter());
      SetActorField(68, task, MenuSlotDifficulty());
      break;
    default:
      break;
  }
  SetActorField(kFieldCursor, task, cursor);
  OrActorField(kFieldFlags, task, kFlagRunsWhenPaused);
  return task;
}

void DispatchSceneTask(int task) {
  const int32_t kind = GetActorField(kFieldKind, task);
  if (task == GetCurrentMenuTask()) {
    if (MenuRowOf(task).width > 0) MoveMenuCursor();
    SetMenuLevelCursor(kind, GetActorField(kFieldCursor, task));
  }
  const int slot = kind & 0xFFFF;
  if (slot >= 1 && slot <= 31) SceneTaskTable[slot](task);
  else OrActorField(kFieldFlags, task, kFlagDead);
  const int width = GetActorField(kFieldMenuWidth, task);
  if (width > 0) {
    DrawMenuWindow(GetActorField(kFieldX, task), GetActorField(kFieldY, task), width,
                   GetActorField(kFieldFirstLabel, task), GetActorField(kFieldItemCount, task),
                   GetActorField(kFieldCursor, task), task == GetCurrentMenuTask());
  }
}

int MoveMenuCursor() {
  int c = GetMenuTaskField(kFieldCursor);
  const int n = GetMenuTaskField(kFieldItemCount);
  if (IsButtonPressed(kButtonUp)) {
    --c;
    PlaySe(0);
  }
  if (IsButtonPressed(kButtonDown)) {
    ++c;
    PlaySe(0);
  }
  // A cursor read from the settings file may lie anywhere: wrap it into the items, never below 0.
  if (n > 0) c = ((c % n) + n) % n;
  else c = std::max(c, 0);
  SetMenuTaskField(kFieldCursor, c);
  return c;
}

bool IsConfirmPressed(bool withSound) {
  if (!IsButtonPressed(kButtonShot | kButtonMenu)) return false;
  if (withSound) PlaySe(1);
  return true;
}

bool IsCancelPressed() {
  if (!IsButtonPressed(kButtonMAction)) return false;
  PlaySe(2);
  return true;
}

void DrawMenuWindow(int x, int y, int width, int firstLabel, int count, int cursor, bool isCurrent) {
  for (int i = 0; i < count; ++i) {
    SetDrawColor(AddDrawTextGlyph(x, y + 16 * i, kMenuLayer, firstLabel + i), i == cursor ? kYellow : kGrey);
  }
  if (!isCurrent && firstLabel >= 1 && !(firstLabel == 8 && cursor == 6)) {
    SetDrawColor(AddDrawSprite(x + width, y + 16 * cursor, kMenuLayer, kArrowRight), kYellow);
  }
  const int bottom = y + 16 * count + 6;
  const int right = x + width + 8;
  SetDrawColor(AddDrawRect(x - 8, y - 8, right, bottom, 26, 1), 0x005F5F7Fu);
  SetDrawColor(AddDrawRect(x - 8, y - 8, right, bottom, 27, 0), isCurrent ? 0xFFFFFFFFu : 0xFFFFFF7Fu);
  SetDrawColor(AddDrawRect(x - 8, y + 16 * cursor, right, y + 16 * cursor + 14, 26, 1), 0x00FFFF7Fu);
}

void DrawMenuDescription(int row, int item) {
  SetDrawColor(AddDrawRect(0, 464, 640, 480, kMenuLayer, 1), 0x0F0F7FC0u);
  const int first = MenuDefinitionTable[std::clamp(row, 0, kMenuRowCount - 1)].firstDescription;
  if (first > 0) AddDrawTextString(16, 465, kMenuLayer, first + item);
}

void DrawMenuBox(int x1, int y1, int x2, int y2) {
  SetDrawColor(AddDrawRect(x1, y1, x2, y2, 26, 1), 0x005F5F7Fu);
  AddDrawRect(x1, y1, x2, y2, 27, 0);
}

void DrawMenuText(int x, int y, int id, uint32_t colour) {
  SetDrawColor(AddDrawTextGlyph(x, y, kMenuLayer, id), colour);
}

void DrawMenuNumber(int x, int y, int32_t value, int digits, bool zeroPad, uint32_t colour) {
  SetDrawColor(AddDrawNumber(x, y, kMenuLayer, value, digits, zeroPad ? 1 : 0), colour);
}

void DrawSlowdownRate(int wideX, int pointX, int y, int32_t slowdown, uint32_t colour) {
  if (slowdown < 100) DrawMenuNumber(pointX - 9, y, slowdown, 3, true, colour);
  else DrawMenuNumber(wideX, y, slowdown, 4, false, colour);
  SetDrawColor(AddDrawSprite(pointX, y, kMenuLayer, 149), colour);
  SetDrawColor(AddDrawSprite(pointX + 24, y, kMenuLayer, 526), colour);
}

void ListMenuTask(int task) {
  const int c = GetActorField(kFieldCursor, task);
  const int rowIndex = RowIndexOfTask(task);
  const MenuDefinition& row = MenuDefinitionTable[rowIndex];
  const int x = GetActorField(kFieldX, task);
  const int y = GetActorField(kFieldY, task);
  if (task == GetCurrentMenuTask()) {
    if (IsConfirmPressed(true)) {
      const int entry = std::clamp(row.firstAction + c, 0, kMenuActionCount - 1);
      const int32_t code = MenuItemActionTable[entry];
      if (CreateMenuWindow(x, y, GetActorField(kFieldMenuWidth, task) + 20, 16 * c, task, code) < 0) {
        SetMenuTaskField(kFieldExitCode, kMenuExitRestart);
      }
    }
    if (GetMenuDepth() > 0 && IsCancelPressed()) {
      OrActorField(kFieldFlags, task, kFlagDead);
      KillChildActors(task);
    }
    DrawMenuDescription(rowIndex, c);
  }

  const int32_t code = row.taskCode;
  if (code == kMenuCharacter) {
    UpdateCharacterPreview(task);
  } else if (code == kMenuRig || code == kMenuCustomRig) {
    const bool rigMenu = code == kMenuRig;
    const int lit = rigMenu ? c - 1 : c;
    for (int r = 0; r < 4; ++r) {
      for (int p = 0; p < 3; ++p) {
        const int e = AddDrawSprite(x + 11 * p + 33, y + 16 * r + (rigMenu ? 16 : 0), kMenuLayer,
                                    513 + MenuRigPick(r, p));
        SetDrawColor(e, r == lit ? kYellow : kGrey);
      }
    }
    if (lit >= 0 && lit <= 3) SetSettingsSlot(kSlotRigChoice, lit);
  } else if (code >= kMenuShotPick && code <= kMenuBombPick) {
    const int slot = MenuRigPickSlot(MenuSlotRig(), code - kMenuShotPick);
    if (GetSettingsSlot(slot) != c) SetSettingsSlot(slot, c);
  }
  SetActorField(kFieldPrevCursor, task, c);
}
