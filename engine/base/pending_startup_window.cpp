// Waits for start-up and shut-down, the main window, message processing, the clocks and mouse helpers, and random numbers.
#include "engine/base/operations.h"

int LibraryInitialize() { return -1; }
int LibraryTerminate() { return 0; }
int ProcessMessage() { return 0; }

void* GetMainWindowHwnd() { return nullptr; }
int ChangeWindowMode(int) { return -1; }
int SetMainWindowCaption(const char*) { return -1; }
int SetMainWindowIcon(int) { return -1; }
int SetWindowScaleRate(double) { return -1; }

int SetMouseCursorVisibleFlag(int) { return -1; }
int GetMousePosition(int*, int*) { return -1; }
int WaitMillisecondsPumping(int) { return -1; }
int GetLocalDateTime(LocalDateTime*) { return -1; }

int GetRandomUpTo(int) { return -1; }
int SeedRandom(uint32_t) { return -1; }
