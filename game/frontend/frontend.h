// The front end: every screen outside play and every menu is a scene task, a group-1 actor whose
// kind names its menu code. This header offers the menu stack and its windows (creation, cursor,
// confirm and cancel, drawing), the scenes' set-ups (opening, title, attract demo), the ways into
// play (new game, practice, continue, replay playback) and the pause menu, the area intro card,
// the results with ranking and the replay save prompt, and the character portrait and preview.
// The group-1 handler (DispatchSceneTask, ReturnToParentMenu) is declared with the other hooks
// in game/framework/game_hooks.h; the play's calls (StartAreaIntro, ShowGameResult,
// StartReplayForPlay) in game/play/play.h.
#pragma once
#include <cstdint>

// ---------------------------------------------------------------------------------------------
// Menu codes (the low byte indexes MenuDefinitionTable and SceneTaskTable).
enum MenuCode : int32_t {
  kMenuNothing = 0x10000000,
  kMenuTitle = 0x10000001,
  kMenuStartConfirm = 0x10000002,
  kMenuAreaChoice = 0x10000003,
  kMenuGameResult = 0x10000004,
  kMenuGameConfig = 0x10000005,
  kMenuCharacter = 0x10000006,
  kMenuDifficulty = 0x10000007,
  kMenuRig = 0x10000008,
  kMenuMission = 0x10000009,
  kMenuKeyAssign = 0x1000000A,
  kMenuCustomRig = 0x1000000B,
  kMenuShotPick = 0x1000000C,
  kMenuSubPick = 0x1000000D,
  kMenuBombPick = 0x1000000E,
  kMenuPause = 0x1000000F,
  kMenuStartNewGame = 0x10000010,
  kMenuCloseWindow = 0x10000011,
  kMenuContinue = 0x10000012,
  kMenuQuitGame = 0x10000013,
  kMenuPlayOrders = 0x10000014,
  kMenuScoreBoard = 0x10000015,
  kMenuReplayMode = 0x10000016,
  kMenuNoMission = 0x10000017,
  kMenuAreaIntro = 0x1000001B,
  kMenuGameOver = 0x1000001C,
  kMenuResult = 0x1000001D,
  kMenuOpening = 0x1000001E,
  kMenuTitleScreen = 0x1000001F,
};

// Fields of a scene-task actor (besides the framework's: 4 age, 5/6 position, 24 flags, 62/63
// parent, 116 exit code).
enum MenuField : int {
  kFieldMenuRow = 64,        // MenuDefinitionTable row x 6
  kFieldCursor = 65,
  kFieldPrevCursor = 66,
  kFieldFirstLabel = 72,
  kFieldItemCount = 73,
  kFieldMenuWidth = 74,      // 0: no box
};

// SceneExitCode values a root task writes into field 116.
enum MenuExitCode : int32_t {
  kMenuExitCapture = 48, kMenuExitTitle = 80, kMenuExitQuit = 256, kMenuExitPlay = 512,
  kMenuExitRestart = 1024,
};

// Text labels naming who played: the first character, and the second with each loadout 0-63.
constexpr int kLabelFirstCharacter = 65;
constexpr int kLabelLoadout = 192;

// ---------------------------------------------------------------------------------------------
// Tables.
struct MenuDefinition {
  int32_t taskCode;
  int32_t width;
  int32_t itemCount;
  int32_t firstLabel;
  int32_t firstDescription;
  int32_t firstAction;
};
constexpr int kMenuRowCount = 32;
constexpr int kMenuActionCount = 79;   // 77 entries and two zero words
extern const MenuDefinition MenuDefinitionTable[kMenuRowCount];
extern const int32_t MenuItemActionTable[kMenuActionCount];
using SceneTask = void (*)(int task);
extern const SceneTask SceneTaskTable[32];
// The row a window's field 64 names (its value / 6), kept inside the table.
const MenuDefinition& MenuRowOf(int task);

// ---------------------------------------------------------------------------------------------
// The menu stack: 16 levels of (cursor, code), the current task and a saved path.
constexpr int kMenuLevels = 16;
struct MenuStackLevel {
  int32_t cursor;
  int32_t code;
};
struct MenuStack {
  int depth;
  MenuStackLevel levels[kMenuLevels];
  int currentTask;
  int savedDepth;
  MenuStackLevel saved[kMenuLevels];
};
const MenuStack& GetMenuStack();

void ResetMenuStack();
void ClearSavedMenuPath();
void SaveMenuPath();
void RestoreMenuPath();
int PushMenuLevel();
int PopMenuLevel();
void SetMenuLevelCursor(int32_t kind, int cursor);
void SetMenuLevelCode(int level, int32_t code);   // nothing outside levels 0-15 (a root's -1)
void SetMenuLevelCursorAt(int level, int cursor);   // nothing outside levels 0-15
int GetMenuLevelCursor();
int GetMenuLevelCursorAt(int level);
int GetMenuDepth();
int GetCurrentMenuTask();
void SetCurrentMenuTask(int task);
// Field n of the current task. While the current task is no live scene task (its window died
// with no live parent to hand the menu back to, or its scene ended) they are the fields of actor
// 0, never those of whatever actor took the slot since.
int32_t GetMenuTaskField(int n);
void SetMenuTaskField(int n, int32_t value);
bool IsLiveSceneTask(int task);
int CloseMenuLevels(int n);
int CreateMenuWindow(int x, int y, int w, int h, int parent, int32_t code);

// Buttons and drawing.
int MoveMenuCursor();
bool IsConfirmPressed(bool withSound);
bool IsCancelPressed();
void DrawMenuWindow(int x, int y, int width, int firstLabel, int count, int cursor, bool isCurrent);
void DrawMenuDescription(int row, int item);
// The records' and replay list's pieces on the menu text layer: a filled box with its frame, a
// text glyph, a number, and a slowdown in hundredths of a percent (three
// zero-padded digits at pointX - 9 below 1.00, else four at wideX; the point at pointX, the
// percent sign 24 further).
void DrawMenuBox(int x1, int y1, int x2, int y2);
void DrawMenuText(int x, int y, int id, uint32_t colour);
void DrawMenuNumber(int x, int y, int32_t value, int digits, bool zeroPad, uint32_t colour);
void DrawSlowdownRate(int wideX, int pointX, int y, int32_t slowdown, uint32_t colour);

// Scene tasks of the menus.
void ListMenuTask(int task);
void CloseWindowTask(int task);

// Tasks built elsewhere on the menu stack (configuration, key assignment, records and the
// replay list).
void GameConfigTask(int task);
void KeyAssignTask(int task);
void PlayOrdersTask(int task);
void ScoreBoardTask(int task);
void ReplayModeTask(int task);
// The replay list: up to 16 playable replays from `start` on into the cache; the number listed,
// or -1 when the window closed or Escape was pressed (an Escape already down at the start counts
// only once let go). With nothing found from a later start it scans once more from 0.
int ScanReplayFiles(int start, bool retryFromZero);
int CountPlayOrderRows();   // 4 + the achieved play orders, at most 29

// ---------------------------------------------------------------------------------------------
// Opening, title and attract demo.
int RunOpeningState();
int RunTitleState();
void OpeningTask(int task);
void TitleScreenTask(int task);
int OpenTitleMenu();
void QuitGameTask(int task);
void StartAttractDemo(int n);
void ReopenMenuPath();

// ---------------------------------------------------------------------------------------------
// Play starts and pause.
void StartNewGame(int task);
void ContinueGame(int task);
bool StartReplayPlayback(int index, int area);   // false: the entry is no playable replay
int OpenPauseMenu();
void PauseMenuTask(int task);
// How the running play was started, repeated by RESTART GAME.
enum class PlayStartKind { kNone, kNew, kContinue, kReplay };
struct PlayStartRecord {
  PlayStartKind kind;
  bool practice;
  int32_t difficulty, character, area;
};
const PlayStartRecord& GetPlayStartRecord();
void ClearPlayStartRecord();

// The replay list cache: 16 entries of 20 values (file number, version, difficulty, date, last
// area score, character label, area scores 6-10, area ids 12-16, slowdown 18, size 19).
constexpr int kReplayListEntries = 16;
constexpr int kReplayListValues = 20;
enum ReplayListValue : int {
  kListNumber = 0, kListVersion = 1, kListDifficulty = 2, kListDate = 3, kListLastScore = 4,
  kListCharacter = 5, kListAreaScore0 = 6, kListAreaId0 = 12, kListSlowdown = 18, kListSize = 19,
};
int32_t GetReplayListValue(int entry, int value);   // 0 outside the cache
bool IsReplayListEntryPlayable(int entry);
void ClearReplayListCache();
// Fills an entry from the header of the replay in the buffer (number: its file number); false,
// and nothing filled, when the header is no playable replay.
bool FillReplayListEntry(int entry, int number);
// The replay in the buffer can be played: difficulty 0-3, character 0 or 1, loadout 0-63, 1-5
// recorded areas, each 0-4 or the mission area.
bool IsLoadedReplayPlayable();
// LoadReplay(n) (which refuses missing, short and oversize files) that also refuses a header
// play cannot start.
bool LoadPlayableReplay(int n);

// ---------------------------------------------------------------------------------------------
// Area intro and results.
void AreaIntroTask(int task);
void SaveReplayPromptTask(int task);
void GameOverTask(int task);
int OpenResultCard(int32_t value);
void ExitToNextStateFromResult();
int FindFreeReplayNumber();   // the lowest n in 0-999 without a file, or -1

// ---------------------------------------------------------------------------------------------
// Character portrait and menu preview.
void UpdateCharacterPreview(int task);
void DrawCharacterPortrait(int character, int fade, int xOffset, bool mirrored);

// ---------------------------------------------------------------------------------------------
// Settings slots the menus read as cursors and indexes, clamped to what they can name.
int32_t MenuSlotDifficulty();   // slot 38: 0-3
int32_t MenuSlotCharacter();    // slot 39: 0-1
int32_t MenuSlotArea();         // slot 40: 0-4
int32_t MenuSlotRig();          // slot 60: 0-3
int MenuRigPickSlot(int rig, int part);   // 48 + 3 x rig + part
int32_t MenuRigPick(int rig, int part);   // that slot: 0-3
