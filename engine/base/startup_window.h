// Start-up and shut-down, the main window and its procedure, message processing and the message
// thread, clocks and the small helpers around them (engine internals).
#pragma once
#include <cstdint>
#include "engine/base/operations.h"
#include "platform/window.h"

int LibraryInitialize();
int LibraryTerminate();
void ErrorExit(const char* text);            // does not return
void ErrorExitF(const char* format, ...) __attribute__((format(printf, 1, 2)));
int InitializeCom();
void LogSystemInfo();

int CreateMainWindow();
int DestroyMainWindow();
int ChangeWindowMode(int flag);
int SetWindowModeFlag(int flag);
int ApplyWindowStyle();
int FitWindowToScreen();
int SetWindowScaleRate(double scale);
double GetWindowScaleRate();
int SetMainWindowCaption(const char* text);
int SetMainWindowIcon(int iconId);
void* GetMainWindowHwnd();
void ForceForegroundWindow(plat::WindowId window, int topmost);
void OnMainWindowMove(intptr_t lParam);
void UpdateMouseMenuState();
void SetMenuShown(int flag);
intptr_t MainWindowProc(plat::WindowId w, uint32_t message, uintptr_t wParam, intptr_t lParam);
void GetScreenSizeOrDefault(int* width, int* height);

int ProcessMessage();
void WaitWhileInactive();
void MessageThreadProc(void* unused);

uint32_t GetMillisecondCount();
int64_t GetMicrosecondCount(int useCpuCounter);
int WaitMillisecondsPumping(int ms);
int GetLocalDateTime(LocalDateTime* out);
int GetMousePosition(int* x, int* y);
// Where full screen shows the picture: the screen size scaled to fit the window's display with its
// aspect kept, centred, relative to the display's top-left (given in screen coordinates through
// the optional out values). -1 in window mode or without a window.
int GetFullScreenPictureRect(RectI* picture, int* areaLeft, int* areaTop);
int SetMouseCursorVisibleFlag(int flag);
int ComputeCursorVisibility();
int IsMenuInUse();
int GetToolBarHeight();
int FindToolBarButton(int id);
int DeleteAllToolBarButtons();
int EnumerateMenuItems(void* menu);
int GetMenuItemNameById(int id, char* out);
int GetClientScreenRect(plat::WindowRect* rect);
int GetWindowModeFlag();
int GetDesktopMetrics(int* width, int* height, int* bits);
int IsWindowActive();
int GetMmxUseFlag();
int IsCloseRequested();
const char* GetSystemInfoText();
int RedrawSavedScreen();
