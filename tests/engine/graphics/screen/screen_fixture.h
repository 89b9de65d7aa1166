// Bringing the real screen up and down in tests: on the virtual clock (the mode change sleeps and
// measures frames), with the window settings and desktop facts of the engine base as start-up
// would leave them, but without a main window.
#pragma once
#include <cstring>

#include "engine/base/base_state.h"
#include "engine/graphics/draw/draw_target.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/operations.h"
#include "engine/graphics/screen/screen.h"
#include "platform/clock.h"
#include "platform/present.h"

struct ScreenSetup {
  int width = 640, height = 480, bits = 16;
  int noDirectDraw = 0, software = 0, fullScreen = 1;
  double scale = 1.0;
  int desktopBits = 32;
  int direct3D = 0;   // 2-D tests draw without the 3-D device unless they ask for it
};

inline void ClearScreenForTest() {
  std::memset(&g_ScreenState, 0, sizeof(g_ScreenState));
  std::memset(&g_SoftwareDrawTarget, 0, sizeof(g_SoftwareDrawTarget));
  g_base.startup.initialising = 0;
  g_base.settings.windowMode = 0;
  g_base.settings.windowScale = 0.0;
  g_base.win.desktopWidth = g_base.win.desktopHeight = g_base.win.desktopBits = 0;
  g_base.win.mainWindow = 0;
  g_base.win.active = 0;
  g_base.win.clientRect = plat::WindowRect{};
}

// A main window that only tells where its client area lies on the desktop; active, so that
// nothing waits for it.
inline void SetMainClientForTest(const RectI& client, plat::WindowId window = 1) {
  g_base.win.mainWindow = window;
  g_base.win.active = 1;
  g_base.win.clientRect = plat::WindowRect{client.left, client.top, client.right, client.bottom};
}

// No screen at all, and no display object in use: what graph code sees before start-up.
inline void NoScreenForTest() {
  ClearScreenForTest();
  g_ScreenState.noDirectDraw = 1;
}

inline int StartScreenForTest(const ScreenSetup& s) {
  ClearScreenForTest();
  if (!plat::VirtualClockActive()) plat::VirtualClockEnable();
  plat::PresenterReset();
  // The mode change does its work only once start-up has begun.
  g_base.startup.initialising = 1;
  g_base.settings.windowMode = s.fullScreen ? 0 : 1;
  g_base.settings.windowScale = s.scale;
  g_base.win.desktopWidth = 1920;
  g_base.win.desktopHeight = 1080;
  g_base.win.desktopBits = s.desktopBits;
  g_ScreenState.width = s.width;
  g_ScreenState.height = s.height;
  g_ScreenState.requestedBitDepth = s.bits;
  g_ScreenState.noDirectDraw = s.noDirectDraw;
  g_ScreenState.softwareScreen = s.software || s.noDirectDraw;
  SetDirect3DDisabled(s.direct3D ? 0 : 1);
  g_DrawState.notAvailable = 0;
  const int result = InitializeDirectDraw();
  // The graphics manager leaves the front screen selected; start-up ends on the back screen.
  if (result == 0) SetDrawTarget(DRAW_SCREEN_BACK);
  return result;
}

inline void StopScreenForTest() {
  if (g_ScreenState.device || g_ScreenState.primaryIsImage || g_ScreenState.noDirectDraw) TerminateDirectDraw();
  ClearScreenForTest();
  plat::DisplaySetFormatForDepth(16, nullptr);
  if (plat::VirtualClockActive()) plat::VirtualClockDisable();
}

// The 16-bit pixel (x, y) of a graph's first part, read through its surface data; 0xDEAD when the
// data cannot be locked.
inline uint16_t GraphPixel16ForTest(int graph, int x, int y) {
  GraphRecord* g = GetGraphRecord(graph);
  Surface2DRecord* s = GetSurface2D(static_cast<int>(g->parts[0]));
  const int data = static_cast<int>(s->surfaceData);
  int32_t pitch;
  uint8_t* p;
  if (LockSurfaceData(data, &pitch, &p, 0, nullptr, nullptr) != 0) return 0xDEAD;
  uint16_t v;
  std::memcpy(&v, p + (s->srcY + y) * pitch + (s->srcX + x) * 2, 2);
  UnlockSurfaceData(data, nullptr);
  return v;
}
