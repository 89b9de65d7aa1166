// Waits for the screen: set-up, presenting, mode changes and software screen draws.
#include "engine/graphics/operations.h"

int SetFlipWaitsVBlank(int) { return -1; }
int GetScreenSize(int*, int*) { return -1; }
const PixelFormatRecord* GetScreenPixelFormatRecord() { return nullptr; }
int WaitVerticalBlank(int) { return -1; }
int PresentScreen() { return -1; }
int SetScreenModeKeep(int, int, int, int) { return -1; }
int SaveDrawScreenToBmp(int, int, int, int, const char*) { return -1; }
