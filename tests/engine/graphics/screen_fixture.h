// Bringing the real screen up and down in tests: on the virtual clock (the mode change sleeps and
// measures frames), with the window facts the pending window defaults read.
#pragma once
#include <cstring>

#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/screen.h"
#include "platform/clock.h"
#include "platform/present.h"

struct ScreenSetup {
  int width = 640, height = 480, bits = 16;
  int noDirectDraw = 0, software = 0, fullScreen = 1;
  double scale = 1.0;
  int desktopBits = 32;
};

inline void ClearScreenForTest() {
  std::memset(&g_ScreenState, 0, sizeof(g_ScreenState));
  std::memset(&g_SoftwareDrawTarget, 0, sizeof(g_SoftwareDrawTarget));
  g_PendingGraphicsFacts = PendingGraphicsFacts{};
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
  g_PendingGraphicsFacts.fullScreen = s.fullScreen;
  g_PendingGraphicsFacts.windowScale = s.scale;
  g_PendingGraphicsFacts.desktopBits = s.desktopBits;
  g_ScreenState.width = s.width;
  g_ScreenState.height = s.height;
  g_ScreenState.requestedBitDepth = s.bits;
  g_ScreenState.noDirectDraw = s.noDirectDraw;
  g_ScreenState.softwareScreen = s.software || s.noDirectDraw;
  g_DrawState.notAvailable = 0;
  return InitializeDirectDraw();
}

inline void StopScreenForTest() {
  if (g_ScreenState.device || g_ScreenState.primaryIsImage || g_ScreenState.noDirectDraw) TerminateDirectDraw();
  ClearScreenForTest();
  plat::DisplaySetFormatForDepth(16, nullptr);
  if (plat::VirtualClockActive()) plat::VirtualClockDisable();
}
