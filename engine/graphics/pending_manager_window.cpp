// Defaults for the graphics manager, movies, the mask screen and the window until they land.
#include "engine/base/log.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/graph.h"
#include "engine/graphics/screen.h"

PendingGraphicsFacts g_PendingGraphicsFacts;

int GraphicsManagerIsUp() { return g_PendingGraphicsFacts.managerUp; }
void SetGraphicsManagerUp(int up) { g_PendingGraphicsFacts.managerUp = up; }

void StartGraphicsManager() {
  ResetDrawState();
  g_DrawState.drawScreen = DRAW_SCREEN_BACK;
  SetDrawTargetSurface(DRAW_SCREEN_BACK);
  g_PendingGraphicsFacts.managerUp = 1;
}

void EndGraphicsManager() { g_PendingGraphicsFacts.managerUp = 0; }

int HasGraphRestoreCallback() { return 0; }
void CloseMovieOfGraph(int) {}
void RestoreMovieSurfaces(int) {}

MemImg* GetMaskMemImg() { return g_PendingGraphicsFacts.maskImage; }
plat::Surface* GetMaskSurface() { return nullptr; }
void MaskPrepareRect(const RectI*, MemImg*, plat::Surface*) {}
void MaskMergeRect(const RectI*, MemImg*, plat::Surface*) {}

void WaitWhileInactive() {}

int GetMainClientScreenRect(RectI* r) {
  if (!g_PendingGraphicsFacts.clientValid) return -1;
  *r = g_PendingGraphicsFacts.client;
  return 0;
}

void GetDesktopSize(int* width, int* height) {
  *width = g_PendingGraphicsFacts.desktopWidth;
  *height = g_PendingGraphicsFacts.desktopHeight;
}

int GetDesktopMetrics(int* width, int* height, int* bits) {
  const PendingGraphicsFacts& f = g_PendingGraphicsFacts;
  *width = f.desktopWidth > 0 ? f.desktopWidth : 1920;
  *height = f.desktopHeight > 0 ? f.desktopHeight : 1080;
  *bits = f.desktopBits > 0 ? f.desktopBits : 32;
  return 0;
}

int GetWindowModeFlag() { return g_PendingGraphicsFacts.fullScreen ? 0 : 1; }
double GetWindowScaleRate() { return g_PendingGraphicsFacts.windowScale > 0.0 ? g_PendingGraphicsFacts.windowScale : 1.0; }
int IsMenuInUse() { return g_PendingGraphicsFacts.menuInUse; }
int ApplyWindowStyle() { return 0; }
void* GetMainWindowNativeHandle() { return g_PendingGraphicsFacts.nativeWindow; }
int IsEngineStartedOrStarting() { return 1; }

void GraphicsFatalStop(const char* message) {
  ++g_PendingGraphicsFacts.fatalStops;
  LogWrite(message);
}
