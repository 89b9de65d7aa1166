// The engine's public entries the game calls, gathered in one table. Every framework call into the
// engine goes through g_Engine, so tests can put recorders in place of single entries (draws,
// sounds, message boxes, the clock, pad bits) and put the real ones back afterwards.
#pragma once
#include <cstdint>

struct LocalDateTime;

struct EngineEntryTable {
  // Start-up, messages, window.
  int (*LibraryInitializeLocked)();
  int (*LibraryTerminateLocked)();
  int (*ProcessMessageLocked)();
  int (*WaitMillisecondsPumping)(int milliseconds);
  int (*GetMillisecondCountLocked)();
  int (*GetLocalDateTimeLocked)(LocalDateTime* out);
  int (*GetRandomUpToLocked)(int n);
  int (*SeedRandomLocked)(uint32_t seed);
  void* (*GetMainWindowHwndLocked)();
  int (*ClaimSingleCopyLocked)(char* why, int whySize);
  int (*ReleaseSingleCopyLocked)();
  int (*CanCreateMainWindowLocked)(char* why, int whySize);
  int (*SetMainWindowIconLocked)(int iconId);
  int (*SetMainWindowCaptionLocked)(const char* text);
  int (*ChangeWindowModeLocked)(int windowed);
  int (*SetWindowScaleRateLocked)(double scale);
  int (*SetLogFileOutputFlagLocked)(int flag);
  int (*SetMouseCursorVisibleFlagLocked)(int flag);
  int (*SetArchiveUseFlagLocked)(int flag);
  int (*SetArchiveExtensionLocked)(const char* text);
  int (*SetArchiveKeyStringLocked)(const char* text);
  // Message boxes (text and caption CP932): the answer IDYES, IDNO, IDCANCEL or IDOK.
  int (*MessageBox)(const char* text, const char* caption, uint32_t type);

  // Screen set-up.
  int (*SetDrawModeStateLocked)(int mode);
  int (*SetFlipWaitsVBlankLocked)(int flag);
  int (*GetFlipWaitsVBlankLocked)();
  int (*SetScreenModeKeepLocked)(int width, int height, int bits, int refreshRate);
  int (*SetNoTextureSplitFlagLocked)(int flag);
  int (*SetCreateGraphAlphaFlagLocked)(int flag);
  int (*SetDefaultFontSizeLocked)(int size);
  int (*SetDefaultFontThicknessLocked)(int thickness);
  int (*SetDefaultFontNameLocked)(const char* faceName, int charset);
  int (*SetDefaultFontTypeLocked)(int type);
  uint32_t (*GetScreenColorLocked)(int red, int green, int blue);

  // Graphs.
  int (*SetTransparentColorLocked)(int red, int green, int blue);
  int (*LoadGraphFileCallLocked)(const char* fileName);
  int (*DeriveGraphRegionLocked)(int x, int y, int width, int height, int sourceGraph);
  int (*CreateBlankGraphLocked)(int width, int height);
  int (*DeleteGraphHandleLocked)(int graph, int logFlag);
  int (*DeleteAllGraphHandlesLocked)(int logFlag);
  int (*GetGraphDimensionsLocked)(int graph, int* width, int* height);
  int (*SetDrawTargetLocked)(int target);
  int (*GetDrawScreenGraphLocked)(int x1, int y1, int x2, int y2, int graph, int flag);
  int (*ClearDrawTargetLocked)();

  // Drawing.
  int (*SetBlendModeStateLocked)(int mode, int param);
  int (*SetDrawBrightRgbLocked)(int red, int green, int blue);
  int (*DrawGraphAtPointLocked)(int x, int y, int graph, int transparent);
  int (*DrawGraphMirroredLocked)(int x, int y, int graph, int transparent);
  int (*DrawGraphStretchedLocked)(int x1, int y1, int x2, int y2, int graph, int transparent);
  int (*DrawGraphRotatedCallLocked)(int x, int y, double scale, double angle, int graph,
                                    int transparent, int mirror);
  int (*DrawBoxShapeLocked)(int x1, int y1, int x2, int y2, uint32_t color, int fill);
  int (*DrawGraphRotatedAboutCenterLocked)(int x1, int y1, int x2, int y2, int ox, int oy,
                                           double scale, double angle, int graph, int transparent);
  int (*DrawTextDefaultFontLocked)(int x, int y, const char* text, uint32_t color,
                                   uint32_t edgeColor);
  int (*SaveDrawScreenToBmpLocked)(int x1, int y1, int x2, int y2, const char* fileName);

  // Presenting.
  int (*PresentScreenLocked)();
  int (*WaitVerticalBlankLocked)(int count);

  // Input.
  int (*GetPadInputBitsLocked)(int device);
  int (*IsKeyDownLocked)(int keyCode);

  // Sound.
  int (*SetSoundCreateTypeLocked)(int type);
  int (*IsSoundSystemRunningLocked)();
  int (*LoadSoundFileLocked)(const char* fileName, int bufferCount, int shareHandle);
  int (*SetStreamLoopMillisecondsLocked)(int milliseconds, int sound);
  int (*PlaySoundHandleLocked)(int sound, int playType, int fromTop);
  int (*StopSoundHandleLocked)(int sound);
  int (*IsSoundHandlePlayingLocked)(int sound);
  int (*SetSoundHandleVolumeLocked)(int volume, int sound);
};

extern EngineEntryTable g_Engine;

// The table with every entry pointing at the engine itself.
const EngineEntryTable& RealEngineEntries();
inline void ResetEngineEntries() { g_Engine = RealEngineEntries(); }

// Message-box types and answers as the platform numbers them.
enum : uint32_t { kBoxOk = 0, kBoxYesNoCancel = 3, kBoxYesNo = 4, kBoxTopmost = 0x40000 };
enum : int { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

// Key code of Escape in the engine's key numbering.
constexpr int kKeyEscape = 1;

// The one source of play randomness: GetRandomUpToLocked(n), 0..n, counting every draw. Rules for
// all game code: one draw per statement, in the order the rules list the values (C++ leaves the
// order of arguments and operands open, so never two draws in one expression or call).
int GameRandom(int n);
uint64_t GameRandomDrawCount();
void ResetGameRandomDrawCount();
