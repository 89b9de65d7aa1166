// Defaults for the screen facts and screen operations until the display back end lands: they read
// the stand-in facts, which describe no screen at all unless a test fills them.
#include <cstring>

#include "engine/graphics/graphics_hooks.h"

PendingScreenFacts g_PendingScreenFacts;

int ScreenActualBitDepth() { return g_PendingScreenFacts.actualBits; }
int ScreenRequestedBitDepth() { return g_PendingScreenFacts.requestedBits; }
int ScreenIsSoftware() { return g_PendingScreenFacts.softwareScreen; }
int ScreenHasNoDirectDraw() { return g_PendingScreenFacts.noDirectDraw; }
int ScreenDirectDrawInUse() { return g_PendingScreenFacts.directDrawInUse; }
plat::SurfaceDevice* ScreenSurfaceDevice() { return g_PendingScreenFacts.device; }

const ColorData* ScreenColorDataRecord() {
  if (g_PendingScreenFacts.colorData.bitDepth == 0) {
    return GetStandardColorData(g_PendingScreenFacts.actualBits == 32 ? 1 : 0, 0, 0);
  }
  return &g_PendingScreenFacts.colorData;
}

const uint32_t* ScreenPaletteEntries() { return g_PendingScreenFacts.palette; }

void ScreenModeSize(int* width, int* height) {
  *width = g_PendingScreenFacts.width;
  *height = g_PendingScreenFacts.height;
}

int RestoreLostScreenSurfaces() { return 0; }

int CreateZBufferMemImg(MemImg* img, int width, int height) {
  std::memset(img, 0, sizeof(*img));
  return SetupMemImg(img, width, height, (2 * width + 15) & ~15, 0, MEMIMG_FORMAT_GRAY16, 0, 0, 0);
}

int InitializeDirectDraw() { return -1; }
void TerminateDirectDraw() {}
plat::Surface* ScreenPrimarySurface() { return g_PendingScreenFacts.primary; }
plat::Surface* ScreenDrawTargetSurface() { return g_PendingScreenFacts.drawTarget; }
plat::Surface* MaskScreenSurface() { return g_PendingScreenFacts.mask; }
void SwitchToSoftwareScreen() { g_PendingScreenFacts.softwareScreen = 1; }

void ClearDrawTargetSurfaces() {}
void UpdateFrontScreenRect(const RectI*) {}
int GetDrawScreenGraph2D(int, int, int, int, GraphRecord*, int) { return -1; }

void ReleaseMainSurfaces() {}
void ReleaseScreenClipper() {}
int FullScreenMenuModeOn() { return 0; }
void RecreateDirectDrawObject() {}
void SetDisplayModeForScreen() {}
void RecreateOutputSurfaces() {}
void SelectDrawScreenSurface() {}
