// Engine base state that outlives window creation's reset: the log settings, the start-up folder
// and whether the window is the user's own. Set before or during start-up, read by the log.
#pragma once
#include <cstdint>

constexpr int START_DIRECTORY_SIZE = 1024;

extern int32_t g_LogOffFlag;               // 1: the log writes nothing at all
extern int32_t g_LogDateStampedNameFlag;   // 1: the log file's name carries the start date and time
extern int32_t g_LogTimeStampOffFlag;      // 1: log lines carry no "%d:" time stamp
extern char g_StartDirectory[START_DIRECTORY_SIZE];   // start-up folder; empty until start-up
extern int32_t g_UserWindowFlag;           // 1 when the window is the user's own; 0 in this program

// Start-up flags and machine facts, the window settings made before start-up (both survive
// window creation), and the window and message state that window creation resets.
#include "platform/sync.h"
#include "platform/window.h"

struct BaseStartupState {                  // survives window creation
  int32_t initialising, initialised, terminating, comStarted;
  int32_t noWindow, noGraphics, noSound, noInput;
  int32_t directXVersion, osKind, mmxUse, tscPresent;
  double cpuClockHz;
  char systemInfo[256];
  char cpuName[128];
};

typedef void (*WindowModeChangeCallback)(void* data);
typedef intptr_t (*MessageHookProc)(plat::WindowId, uint32_t, uintptr_t, intptr_t);

struct BaseWindowSettings {                // set before start-up; survives window creation
  char caption[256];
  int32_t captionSet;
  int32_t iconId;
  int32_t windowMode;                      // 1 window, 0 full screen
  double windowScale;                      // 0 means unset (1.0)
  int32_t styleIndex;
  int32_t sizable, hidden;
  int32_t userPosition, userX, userY;
  int32_t doubleStartAllowed;
  int32_t closeHeld;
  int32_t noQuitMessage;
  int32_t alwaysRun;
  int32_t modeChangeAllowed;
  WindowModeChangeCallback modeChangeCallback;
  void* modeChangeData;
  MessageHookProc messageHook;
  int32_t noMouseMenu;
};

struct BaseWindowState {                   // zero after window creation's reset
  plat::WindowId mainWindow;
  plat::ThreadId mainThreadId;
  plat::Thread* messageThread;
  plat::ThreadId messageThreadId;
  int32_t messageThreadEnded;              // read across threads: use the Atomic helpers
  int32_t quit;                            // read across threads: use the Atomic helpers
  int32_t active;
  int32_t closePosted;
  int32_t closeRequested;                  // WM_CLOSE arrived while closing was held
  int32_t windowDestroyed;
  int32_t creating;
  uint32_t inactiveSince;
  int32_t inactive;
  int32_t modeChangeRequest;
  int32_t modeChangeInProgress;
  int32_t displayChangeSeen;
  int32_t displayLost;
  int32_t windowShown;
  int32_t painting;
  int32_t insideTextInput;
  int32_t perfCounterPresent;
  int64_t perfFrequency;
  plat::WindowRect clientRect;             // screen coordinates
  int32_t desktopWidth, desktopHeight, desktopBits;
  int32_t cursorShown;                     // wanted for the window mode
  int32_t cursorWanted, cursorApplied;
  int32_t oemCharsetKind;
  int32_t wheelCount;
  int32_t selectedMenu[64];
  int32_t selectedMenuCount;
  char* droppedFiles[1000];                // tracked blocks
  int32_t droppedFileCount;
  int32_t savedScreenGraph;                // 0: none
  int32_t classRegistered;
  int32_t timerPeriodSet;
};

struct BaseState {
  BaseStartupState startup;
  BaseWindowSettings settings;
  BaseWindowState win;
};

extern BaseState g_base;

inline int32_t AtomicGet(const int32_t& v) { return __atomic_load_n(&v, __ATOMIC_ACQUIRE); }
inline void AtomicSet(int32_t& v, int32_t x) { __atomic_store_n(&v, x, __ATOMIC_RELEASE); }
