// Waits for the screen: set-up, presenting, mode changes and software screen draws.
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/operations.h"

int SetFlipWaitsVBlank(int) { return -1; }
int GetScreenSize(int*, int*) { return -1; }
const PixelFormatRecord* GetScreenPixelFormatRecord() { return nullptr; }
int WaitVerticalBlank(int) { return -1; }
// Presents are counted even here, so that the movie throttle sees frames go by.
static uint64_t g_PendingPresentCount = 0;
int PresentScreen() {
  ++g_PendingPresentCount;
  return -1;
}
uint64_t GetPresentFrameCount() { return g_PendingPresentCount; }
int SetScreenModeKeep(int, int, int, int) { return -1; }
int SaveDrawScreenToBmp(int, int, int, int, const char*) { return -1; }
