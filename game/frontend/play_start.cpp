// The ways into play: a new game or practice from the start menus, CONTINUE, a replay playback
// (with the check that a replay names nothing play cannot use), recording or playback at the
// start of play, and the pause menu. Each start writes the settings slots the play reads and
// ends the scene with exit code 512; RESTART GAME repeats the start the running play came from.
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/input.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/frontend/frontend.h"
#include "game/play/play.h"

namespace {

PlayStartRecord g_start{PlayStartKind::kNone, false, 0, 0, 0};

int32_t g_list[kReplayListEntries][kReplayListValues];
bool g_listPlayable[kReplayListEntries];
int g_listAreas[kReplayListEntries];   // recorded areas of each entry

constexpr int kPlayModePlay = 2;

bool IsPlayableArea(uint32_t area) { return area <= 4 || area == static_cast<uint32_t>(kMissionArea); }

int RecordedAreaCount() { return static_cast<int>((GetReplayWord(kRepAreas) >> 24) & 15u); }

uint32_t RecordedArea(int k) { return (GetReplayWord(kRepAreas) >> (4 * k)) & 15u; }

void BeginNewGame(const PlayStartRecord& start) {
  SetSettingsSlot(kSlotContinues, 0);
  SetSettingsSlot(kSlotPlayMode, start.practice ? kPlayModePlay | kPlayPractice : kPlayModePlay);
  SetSettingsSlot(kSlotDifficulty, start.difficulty);
  SetSettingsSlot(kSlotCharacter, start.character);
  SetSettingsSlot(kSlotStartArea, start.area);
  SetMenuTaskField(kFieldExitCode, kMenuExitPlay);
  SetSettingsSlot(kSlotLastDifficulty, start.difficulty);
  SetSettingsSlot(kSlotLastCharacter, start.character);
  SetSettingsSlot(kSlotLastArea, start.area);
  SaveSettingsFile();
  g_start = start;
}

// RESTART GAME: the same start once more. The menu levels are not read again: after a CONTINUE
// start they hold that window's cursors, and the pause and intro windows have pushed levels of
// their own since.
void RestartPlay(int task) {
  switch (g_start.kind) {
    case PlayStartKind::kContinue:
      ContinueGame(task);
      return;
    case PlayStartKind::kNew:
      BeginNewGame(g_start);
      return;
    default: {
      // No start on record (a play entered some other way): the slots the play started from.
      const PlayStartRecord fromSlots{PlayStartKind::kNew,
                                      (GetSettingsSlot(kSlotPlayMode) & kPlayPractice) != 0,
                                      GetSettingsSlotClamped(kSlotDifficulty, 0, 3),
                                      GetSettingsSlotClamped(kSlotCharacter, 0, 1),
                                      GetSettingsSlotClamped(kSlotStartArea, 0, 4)};
      BeginNewGame(fromSlots);
      return;
    }
  }
}

}  // namespace

const PlayStartRecord& GetPlayStartRecord() { return g_start; }

void ClearPlayStartRecord() { g_start = {PlayStartKind::kNone, false, 0, 0, 0}; }

void StartNewGame(int /*task*/) {
  const int character = std::clamp(GetMenuLevelCursorAt(2), 0, 1);
  const bool second = character == 1;
  const bool practice = GetMenuLevelCursorAt(1) == 2;
  const int difficulty = std::clamp(GetMenuLevelCursorAt(second ? 4 : 3), 0, 3);
  const int area = practice ? std::clamp(GetMenuLevelCursorAt(second ? 5 : 4), 0, 4) : 0;
  BeginNewGame({PlayStartKind::kNew, practice, difficulty, character, area});
}

void ContinueGame(int /*task*/) {
  const int32_t area = MenuSlotArea();
  if (area < 1) SetSettingsSlot(kSlotContinues, 0);
  else AddSettingsSlot(kSlotContinues, 1);
  SetSettingsSlot(kSlotPlayMode, kPlayModePlay);
  SetSettingsSlot(kSlotCharacter, MenuSlotCharacter());
  SetSettingsSlot(kSlotDifficulty, MenuSlotDifficulty());
  SetSettingsSlot(kSlotStartArea, area);
  SetMenuTaskField(kFieldExitCode, kMenuExitPlay);
  g_start = {PlayStartKind::kContinue, false, MenuSlotDifficulty(), MenuSlotCharacter(), area};
}

bool StartReplayPlayback(int index, int area) {
  if (!IsReplayListEntryPlayable(index)) return false;
  const int32_t difficulty = g_list[index][kListDifficulty];
  const int32_t label = g_list[index][kListCharacter];
  const int32_t a = area >= 0 ? area : g_list[index][kListAreaId0];
  // Only an area the replay holds can be found in it.
  bool recorded = false;
  for (int k = 0; k < g_listAreas[index]; ++k) recorded |= g_list[index][kListAreaId0 + k] == a;
  if (!recorded) return false;
  int32_t character;
  if (label >= kLabelLoadout) {
    SetSettingsSlot(kSlotReplayLoadout, label - kLabelLoadout);
    character = 1;
  } else {
    character = label - kLabelFirstCharacter;
  }
  SetSettingsSlot(kSlotContinues, 0);
  const int32_t practice = a < 1 ? 0 : kPlayPractice;
  SetSettingsSlot(kSlotPlayMode, kPlayModePlay | practice | kPlayReplay);
  SetSettingsSlot(kSlotDifficulty, difficulty);
  SetSettingsSlot(kSlotCharacter, character);
  SetSettingsSlot(kSlotStartArea, a);
  SetMenuTaskField(kFieldExitCode, kMenuExitPlay);
  g_start = {PlayStartKind::kReplay, a > 0, difficulty, character, a};
  return true;
}

void StartReplayForPlay() { BeginReplay(IsReplayPlayback()); }

int OpenPauseMenu() {
  const int window = CreateMenuWindow(32, 96, 0, 0, GetCurrentMenuTask(), kMenuPause);
  if (window < 0) {
    // Play is paused already; with no window to resume from, the program starts again.
    SetMenuTaskField(kFieldExitCode, kMenuExitRestart);
    return -1;
  }
  SetActorField(kFieldCursor, window, 1);
  return window;
}

void PauseMenuTask(int task) {
  const int x = GetActorField(kFieldX, task);
  const int y = GetActorField(kFieldY, task);
  const int c = GetActorField(kFieldCursor, task);
  if (task == GetCurrentMenuTask()) {
    if (GetActorField(kFieldAge, task) > 30 && IsButtonPressed(kButtonShot)) {
      switch (c) {
        case 0:
          SetMenuTaskField(kFieldExitCode, kMenuExitTitle);
          break;
        case 1:
          SetSettingsSlot(kSlotPlayMode, GetSettingsSlot(kSlotPlayMode) | kPlayResume);
          OrActorField(kFieldFlags, task, kFlagDead);
          break;
        case 2:
          RestartPlay(task);
          break;
        case 3:
          if (CreateMenuWindow(x, y, 180, 48, task, kMenuKeyAssign) < 0) {
            SetMenuTaskField(kFieldExitCode, kMenuExitRestart);
          }
          break;
        default:
          break;
      }
    }
    SetDrawColor(AddDrawRect(0, y + 96, 640, y + 112, 29, 1), 0x0F0F7FC0u);
    AddDrawTextString(x, y + 97, 29, 428 + c);
  }
  DrawGameHud();
}

// ---------------------------------------------------------------------------------------------
// The replay list cache and the replay check.

int32_t GetReplayListValue(int entry, int value) {
  if (entry < 0 || entry >= kReplayListEntries || value < 0 || value >= kReplayListValues) return 0;
  return g_list[entry][value];
}

bool IsReplayListEntryPlayable(int entry) {
  return entry >= 0 && entry < kReplayListEntries && g_listPlayable[entry];
}

void ClearReplayListCache() {
  for (auto& e : g_list) std::fill(std::begin(e), std::end(e), 0);
  std::fill(std::begin(g_listPlayable), std::end(g_listPlayable), false);
  std::fill(std::begin(g_listAreas), std::end(g_listAreas), 0);
}

bool IsLoadedReplayPlayable() {
  if (GetReplayWord(kRepMagic0) != kReplayMagic0 || GetReplayWord(kRepMagic1) != kReplayMagic1) return false;
  if (GetReplayWord(kRepDifficulty) > 3u || GetReplayWord(kRepCharacter) > 1u) return false;
  if (GetReplayWord(kRepLoadout) > 63u) return false;
  const int count = RecordedAreaCount();
  if (count < 1 || count > 5) return false;
  for (int k = 0; k < count; ++k) {
    if (!IsPlayableArea(RecordedArea(k))) return false;
  }
  return true;
}

bool LoadPlayableReplay(int n) {
  if (LoadReplay(n) != 1) return false;   // the loader says why
  if (IsLoadedReplayPlayable()) return true;
  std::fprintf(stderr, "velmarondix: replay replay\\vlxrep%04d.rpy refused: it records no area play can start\n", n);
  return false;
}

bool FillReplayListEntry(int entry, int number) {
  if (entry < 0 || entry >= kReplayListEntries) return false;
  std::fill(std::begin(g_list[entry]), std::end(g_list[entry]), 0);
  g_listPlayable[entry] = false;
  g_listAreas[entry] = 0;
  if (!IsLoadedReplayPlayable()) return false;
  int32_t* e = g_list[entry];
  e[kListNumber] = number;
  e[kListVersion] = static_cast<int32_t>(GetReplayWord(kRepVersion));
  e[kListDifficulty] = static_cast<int32_t>(GetReplayWord(kRepDifficulty));
  e[kListDate] = static_cast<int32_t>(GetReplayWord(kRepDate));
  e[kListCharacter] = GetReplayWord(kRepCharacter) == 1
                          ? kLabelLoadout + static_cast<int32_t>(GetReplayWord(kRepLoadout))
                          : kLabelFirstCharacter + static_cast<int32_t>(GetReplayWord(kRepCharacter));
  const int count = RecordedAreaCount();
  for (int k = 0; k < count; ++k) {
    const int32_t score = static_cast<int32_t>(GetReplayWord(kRepAreaScore0 + k));
    e[kListAreaScore0 + k] = score;
    e[kListAreaId0 + k] = static_cast<int32_t>(RecordedArea(k));
    if (score > 0) e[kListLastScore] = score;
  }
  e[kListSlowdown] = static_cast<int32_t>(GetReplayWord(kRepEndVar50));
  e[kListSize] = static_cast<int32_t>(GetReplayWord(kRepFileSize));
  g_listAreas[entry] = count;
  g_listPlayable[entry] = true;
  return true;
}
