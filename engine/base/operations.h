// Operations of the base folder that stand behind public entries (engine/engine.h).
#pragma once
#include "engine/engine.h"

int LibraryInitialize();
int LibraryTerminate();
int ProcessMessage();

void* GetMainWindowHwnd();
int ClaimSingleCopy(char* why, int whySize);
int ReleaseSingleCopy();
int CanCreateMainWindow(char* why, int whySize);
int ChangeWindowMode(int windowed);
int SetMainWindowCaption(const char* text);
int SetMainWindowIcon(int iconId);
int SetWindowScaleRate(double scale);

int SetArchiveUseFlag(int flag);
int SetArchiveExtension(const char* text);
int SetArchiveKeyString(const char* text);

int SetMouseCursorVisibleFlag(int flag);
int GetMousePosition(int* x, int* y);
int WaitMillisecondsPumping(int milliseconds);
int GetLocalDateTime(LocalDateTime* out);

int GetRandomUpTo(int n);
int SeedRandom(uint32_t seed);
