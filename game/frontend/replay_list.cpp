// REPLAY MODE: the saved replays listed 16 a page from the replay folder, each with its date,
// difficulty, score and character, a detail box of the replay under the cursor, and an action
// menu that plays the whole replay or one of its areas, or deletes it after a confirmation.
#include <algorithm>
#include <cstdio>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/input.h"
#include "game/framework/replay.h"
#include "game/framework/sound.h"
#include "game/frontend/frontend.h"
#include "game/play/play.h"

namespace {

constexpr int kLastReplayNumber = kReplayLastNumber;   // every number the results save under
constexpr int kReplayModeRow = 22;
constexpr int kLayer = 28;

// Fields of the REPLAY MODE window.
constexpr int kFieldState = 31;        // 0 list, 1 action menu, 2 delete confirmation
constexpr int kFieldAction = 25;       // 0 REPLAY ALL, 1 DELETE, 2-6 the recorded areas
constexpr int kFieldConfirm = 28;      // 0 YES, 1 NON
constexpr int kActions = 7;

constexpr uint32_t kDim = 0x3F3F3FFFu;
constexpr uint32_t kYellow = 0xFFFF7FFFu;
constexpr uint32_t kOrange = 0xFFCF7FFFu;
constexpr uint32_t kPale = 0xCFFFFFFFu;
constexpr int kArrowRight = 559;

int32_t Value(int entry, int value) { return GetReplayListValue(entry, value); }

bool IsMission(int entry) { return Value(entry, kListAreaId0) == kMissionArea; }

int Listed(int task) { return std::clamp(GetActorField(kFieldItemCount, task), 0, kReplayListEntries); }

// The list cursor inside the list (0 with nothing listed).
int ListCursor(int task) {
  const int listed = Listed(task);
  return listed > 0 ? std::clamp(GetActorField(kFieldCursor, task), 0, listed - 1) : 0;
}

void SetList(int task, int listed) {
  SetActorField(kFieldItemCount, task, std::max(listed, 0));
  SetActorField(kFieldCursor, task, ListCursor(task));
}

// An Escape already down when a scan starts (MENU is Escape on the keyboard) stops it only once
// it has been let go and pressed again.
struct EscapeWatch {
  bool armed = g_Engine.IsKeyDownLocked(kKeyEscape) != 1;
  bool Stops() {
    const bool down = g_Engine.IsKeyDownLocked(kKeyEscape) == 1;
    if (!down) armed = true;
    return down && armed;
  }
};

int ScanFrom(int start, bool retry, EscapeWatch* escape) {
  ClearReplayListCache();
  int listed = 0;
  for (int n = std::max(start, 0); n <= kLastReplayNumber && listed < kReplayListEntries; ++n) {
    const int size = GetReplayFileSize(n);
    if (size == 0) std::fprintf(stderr, "velmarondix: replay replay\\vlxrep%04d.rpy refused: 0 bytes\n", n);
    if (size > 0 && LoadPlayableReplay(n) && FillReplayListEntry(listed, n)) ++listed;
    if (g_Engine.ProcessMessageLocked() == -1 || escape->Stops()) {
      ClearReplayListCache();
      return -1;
    }
  }
  // Nothing from here to the end: once more from the first number.
  if (listed == 0 && retry && start > 0) return ScanFrom(0, false, escape);
  return listed;
}

void NextPage(int task) {
  const int listed = Listed(task);
  const int start = listed > 0 ? Value(listed - 1, kListNumber) + 1 : 0;
  // A stopped scan leaves nothing listed, and the next one starts from the first number.
  SetList(task, ScanReplayFiles(start, true));
}

// The action menu steps over the areas the replay does not hold (those without a score).
int StepAction(int entry, int action, int step) {
  int a = (action + step + kActions) % kActions;
  for (int skips = 0; skips < 5 && a >= 2 && Value(entry, kListAreaScore0 + a - 2) < 1; ++skips) {
    a = (a + step + kActions) % kActions;
  }
  return a;
}

void Rescan(int task) {
  SetActorField(kFieldState, task, 0);
  SetActorField(kFieldItemCount, task, 0);
  SetActorField(kFieldAge, task, -1);   // the first-frame scan runs again next frame
}

// The file may have changed since the scan: only a replay that still passes the check plays, and
// otherwise the list is scanned again. False then.
bool Play(int task, int entry, int area) {
  const int number = Value(entry, kListNumber);
  if (LoadPlayableReplay(number) && StartReplayPlayback(entry, area)) return true;
  Rescan(task);
  return false;
}

// True when the list is to be scanned again.
bool UpdateActionMenu(int task, int entry) {
  int action = std::clamp(GetActorField(kFieldAction, task), 0, kActions - 1);
  if (IsButtonPressed(kButtonUp)) {
    PlaySe(0);
    action = StepAction(entry, action, -1);
  }
  if (IsButtonPressed(kButtonDown)) {
    PlaySe(0);
    action = StepAction(entry, action, 1);
  }
  SetActorField(kFieldAction, task, action);
  if (IsConfirmPressed(true)) {
    if (action >= 2) {
      return !Play(task, entry, Value(entry, kListAreaId0 + action - 2));
    } else if (action == 0) {
      SaveMenuPath();
      if (Play(task, entry, -1)) return false;
      ClearSavedMenuPath();
      return true;
    } else {
      SetActorField(kFieldState, task, 2);
      SetActorField(kFieldConfirm, task, 1);
    }
  } else if (IsCancelPressed()) {
    SetActorField(kFieldState, task, 0);
  }
  return false;
}

// True when the list was deleted from and is to be scanned again.
bool UpdateConfirmation(int task, int entry) {
  if (IsButtonPressed(kButtonUp)) {
    SetActorField(kFieldConfirm, task, 0);
    PlaySe(0);
  }
  if (IsButtonPressed(kButtonDown)) {
    SetActorField(kFieldConfirm, task, 1);
    PlaySe(0);
  }
  if (IsButtonPressed(kButtonShot | kButtonMenu)) {
    if (GetActorField(kFieldConfirm, task) == 0) {
      PlaySe(8);
      DeleteReplay(Value(entry, kListNumber));
      Rescan(task);
      return true;
    }
    PlaySe(2);
    SetActorField(kFieldState, task, 1);
  } else if (IsCancelPressed()) {
    SetActorField(kFieldState, task, 1);
  }
  return false;
}

// Returns true when the frame ends here (a deletion waits for the next frame's scan).
bool UpdateList(int task) {
  const int listed = Listed(task);
  int state = GetActorField(kFieldState, task);
  const int entry = ListCursor(task);
  if (state != 0 && !IsReplayListEntryPlayable(entry)) state = 0;   // only a listed replay is acted on
  SetActorField(kFieldState, task, state);
  switch (state) {
    case 0:
      MoveMenuCursor();
      if (listed > 0 && IsConfirmPressed(true)) {
        SetActorField(kFieldState, task, 1);
        SetActorField(kFieldAction, task, 0);
      }
      if (IsCancelPressed()) OrActorField(kFieldFlags, task, kFlagDead);
      if (IsButtonPressed(kButtonRight)) NextPage(task);
      return false;
    case 1:
      return UpdateActionMenu(task, entry);
    default:
      return UpdateConfirmation(task, entry);
  }
}

void DrawRows(int x, int y, int listed, int cursor) {
  DrawMenuBox(x - 8, y - 8, x + 336, y + 16 * listed + 8);
  SetDrawColor(AddDrawRect(x - 8, y + 16 * cursor, x + 336, y + 16 * cursor + 14, 26, 1), 0x00FFFF7Fu);
  for (int i = 0; i < listed; ++i) {
    const bool lit = i == cursor;
    const int ry = y + 16 * i;
    const int32_t number = Value(i, kListNumber);
    DrawMenuNumber(x, ry, number, number >= 100 ? 3 : 2, true, lit ? kYellow : kDim);
    DrawMenuNumber(x + 24, ry, Value(i, kListDate), 6, true, lit ? kOrange : kDim);
    DrawMenuText(x + 92, ry, IsMission(i) ? 404 : 400 + Value(i, kListDifficulty), lit ? kPale : kDim);
    DrawMenuNumber(x + 116, ry, Value(i, kListLastScore), 8, false, lit ? kYellow : kDim);
    DrawMenuText(x + 206, ry, Value(i, kListCharacter), lit ? kPale : kDim);
  }
  DrawMenuText(x + 224, y + 16 * listed + 12, 15, kYellow);
  SetDrawColor(AddDrawSprite(x + 320, y + 16 * listed + 12, kLayer, kArrowRight), kYellow);
}

void DrawDetail(int entry, bool bright) {
  DrawMenuBox(40, 368, 440, 464);
  const bool mission = IsMission(entry);
  for (int k = 0; k < 5; ++k) {
    const int32_t score = Value(entry, kListAreaScore0 + k);
    if (score <= 0) continue;
    const int ry = 376 + 16 * k;
    if (!mission) DrawMenuText(64, ry, 117 + Value(entry, kListAreaId0 + k), bright ? kOrange : kDim);
    DrawMenuNumber(132, ry, score, 8, false, bright ? kYellow : kDim);
  }
  DrawMenuText(240, 376, mission ? 1 : 60 + Value(entry, kListDifficulty), bright ? kPale : kDim);
  DrawMenuText(252, 392, Value(entry, kListCharacter), bright ? kPale : kDim);
  const int32_t version = Value(entry, kListVersion);
  DrawMenuText(240, 408, 408, bright ? kPale : kDim);
  DrawMenuNumber(320, 408, version, 3, false, bright ? kYellow : kDim);
  if (version != static_cast<int32_t>(kReplayVersion)) SetDrawColor(AddDrawSprite(348, 408, kLayer, 527), bright ? kYellow : kDim);
  const int32_t slowdown = Value(entry, kListSlowdown);
  DrawMenuText(240, 424, 409, bright ? kPale : kDim);
  // Four digits one cell left of three, as on SCORE BOARD, so the point stays after the units.
  DrawSlowdownRate(323, 343, 424, slowdown, bright ? kYellow : kDim);
}

void DrawActions(int task, int state) {
  DrawMenuBox(40, 312, 184, 360);
  const int action = std::clamp(GetActorField(kFieldAction, task), 0, kActions - 1);
  SetDrawColor(AddDrawSprite(48, 320 + 16 * action + (action >= 2 ? 24 : 0), kLayer, kArrowRight),
               state == 1 ? kYellow : kDim);
  DrawMenuText(64, 320, 410, state == 1 && action == 0 ? kYellow : kPale);
  DrawMenuText(64, 336, 411, state == 1 && action == 1 ? kYellow : kPale);
  if (state != 2) return;
  DrawMenuBox(192, 312, 272, 360);
  const int confirm = GetActorField(kFieldConfirm, task) == 0 ? 0 : 1;
  SetDrawColor(AddDrawSprite(200, 320 + 16 * confirm, kLayer, kArrowRight), kYellow);
  DrawMenuText(128, 296, 5, kYellow);
  DrawMenuText(216, 320, 6, confirm == 0 ? kYellow : kPale);
  DrawMenuText(216, 336, 7, confirm == 1 ? kYellow : kPale);
}

}  // namespace

int ScanReplayFiles(int start, bool retryFromZero) {
  EscapeWatch escape;
  ClearStaleReplayTemps();
  return ScanFrom(start, retryFromZero, &escape);
}

void ReplayModeTask(int task) {
  if (GetActorField(kFieldAge, task) < 1) {
    const int listed = ScanReplayFiles(0, true);
    if (listed < 0) {
      SetMenuTaskField(kFieldExitCode, kMenuExitQuit);
      return;
    }
    SetList(task, listed);
  }
  if (task == GetCurrentMenuTask() && UpdateList(task)) return;

  const int listed = Listed(task);
  const int state = GetActorField(kFieldState, task);
  const int x = GetActorField(kFieldX, task);
  const int y = GetActorField(kFieldY, task);
  if (listed >= 1) {
    const int cursor = ListCursor(task);
    DrawRows(x, y, listed, cursor);
    DrawDetail(cursor, state != 2);
    if (state >= 1) DrawActions(task, state);
  } else {
    DrawMenuText(x, y, 190, kDim);
    DrawMenuBox(x - 8, y - 8, x + 336, y + 24);
  }
  const int action = std::clamp(GetActorField(kFieldAction, task), 0, kActions - 1);
  DrawMenuDescription(kReplayModeRow, state == 2 ? 3 : std::min(action, 2));
}
