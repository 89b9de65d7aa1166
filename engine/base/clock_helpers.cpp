// Clocks, the pumping wait, mouse and cursor, menu and tool-bar queries, accessors and the
// saved-screen redraw.
#include "engine/base/startup_window.h"

#include "engine/base/base_state.h"
#include "engine/graphics/base_hooks.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/operations.h"
#include "platform/clock.h"
#include "platform/system.h"
#include "platform/window.h"

uint32_t GetMillisecondCount() { return plat::MillisecondClock(); }

int64_t GetMicrosecondCount(int useCpuCounter) {
  const BaseStartupState& st = g_base.startup;
  if (useCpuCounter == 1 && st.tscPresent && st.initialised && st.cpuClockHz > 0.0) {
    long double c = static_cast<long double>(plat::CpuCounter());
    return static_cast<int64_t>(c * 1000000.0L / static_cast<long double>(st.cpuClockHz));
  }
  if (g_base.win.perfCounterPresent && g_base.win.perfFrequency > 0) {
    long double c = static_cast<long double>(plat::PerfCounter());
    return static_cast<int64_t>(c / static_cast<long double>(g_base.win.perfFrequency) * 1000000.0L);
  }
  return static_cast<int64_t>(static_cast<uint64_t>(plat::MillisecondClock()) * 1000u);
}

int WaitMillisecondsPumping(int ms) {
  int32_t t0 = static_cast<int32_t>(GetMillisecondCountLocked(0));
  if (ProcessMessageLocked() != 0) return 0;
  for (;;) {
    int32_t now = static_cast<int32_t>(GetMillisecondCountLocked(0));
    // Signed comparison on the wrapped clock, as the waiters expect.
    if (static_cast<int32_t>(static_cast<uint32_t>(t0) + static_cast<uint32_t>(ms)) <= now) break;
    plat::Sleep(1);
    if (ProcessMessageLocked() != 0) break;
  }
  return 0;
}

int GetLocalDateTime(LocalDateTime* out) {
  if (!out) return 0;
  plat::LocalTimeParts t{};
  plat::LocalTime(&t);
  *out = {t.year, t.month, t.day, t.hour, t.minute, t.second};
  return 0;
}

int GetFullScreenPictureRect(RectI* picture, int* areaLeft, int* areaTop) {
  const BaseWindowState& w = g_base.win;
  if (g_base.settings.windowMode || !w.mainWindow) return -1;
  plat::WindowRect area{};
  if (!plat::WindowGetClientRect(w.mainWindow, &area)) return -1;
  const int64_t aw = area.right - area.left, ah = area.bottom - area.top;
  int sw, sh;
  GetScreenSizeOrDefault(&sw, &sh);
  if (aw <= 0 || ah <= 0) return -1;
  // The wider side meets the area's edge; the other is cut to keep the aspect.
  int64_t pw = aw, ph = sh * aw / sw;
  if (ph > ah) {
    ph = ah;
    pw = sw * ah / sh;
  }
  const int64_t px = (aw - pw) / 2, py = (ah - ph) / 2;
  *picture = RectI{static_cast<int32_t>(px), static_cast<int32_t>(py), static_cast<int32_t>(px + pw),
                   static_cast<int32_t>(py + ph)};
  if (areaLeft) *areaLeft = area.left;
  if (areaTop) *areaTop = area.top;
  return 0;
}

int GetMousePosition(int* x, int* y) {
  int px = 0, py = 0;
  plat::GetCursorPos(&px, &py);
  RectI picture{};
  int areaLeft = 0, areaTop = 0;
  if (g_base.settings.windowMode) {
    const plat::WindowRect& c = g_base.win.clientRect;
    double scale = GetWindowScaleRate();
    px = static_cast<int>((px - c.left) / scale);
    py = static_cast<int>((py - c.top - GetToolBarHeight()) / scale);
  } else if (GetFullScreenPictureRect(&picture, &areaLeft, &areaTop) == 0) {
    // Full screen shows the picture scaled into the display: back into the game's pixels.
    int sw, sh;
    GetScreenSizeOrDefault(&sw, &sh);
    px = static_cast<int>((px - areaLeft - picture.left) * (static_cast<double>(sw) / (picture.right - picture.left)));
    py = static_cast<int>((py - areaTop - picture.top) * (static_cast<double>(sh) / (picture.bottom - picture.top)));
  }
  if (x) *x = px;
  if (y) *y = py;
  return 0;
}

int ComputeCursorVisibility() {
  // A menu would keep the cursor visible; the platform offers none.
  return 0;
}

int SetMouseCursorVisibleFlag(int flag) {
  BaseWindowState& s = g_base.win;
  s.cursorWanted = flag;
  int show = flag == 1 ? 1 : ComputeCursorVisibility();
  if (show != s.cursorApplied) {
    if (show) {
      while (plat::ShowCursor(true) < 0) {
      }
    } else {
      while (plat::ShowCursor(false) >= 0) {
      }
    }
    if (s.mainWindow) plat::PostWindowMessage(s.mainWindow, plat::WM_SETCURSOR, s.mainWindow, 0);
    s.cursorApplied = show;
  }
  return 0;
}

int IsMenuInUse() { return 0; }
int GetToolBarHeight() { return 0; }
int FindToolBarButton(int) { return -1; }
int DeleteAllToolBarButtons() { return -1; }
int EnumerateMenuItems(void*) { return -1; }
int GetMenuItemNameById(int, char*) { return -1; }

int GetClientScreenRect(plat::WindowRect* rect) {
  if (!rect) return 0;
  *rect = g_base.win.clientRect;
  rect->top += GetToolBarHeight();
  rect->bottom += GetToolBarHeight();
  return 0;
}

int GetWindowModeFlag() { return g_base.settings.windowMode; }

int GetMainClientScreenRect(RectI* r) {
  if (!g_base.win.mainWindow) return -1;
  plat::WindowRect c{};
  GetClientScreenRect(&c);
  *r = RectI{c.left, c.top, c.right, c.bottom};
  return 0;
}

void GetDesktopSize(int* width, int* height) {
  *width = g_base.win.desktopWidth;
  *height = g_base.win.desktopHeight;
}

void* GetMainWindowNativeHandle() {
  return g_base.win.mainWindow ? plat::WindowNativeHandle(g_base.win.mainWindow) : nullptr;
}

int IsEngineStartedOrStarting() { return g_base.startup.initialising || g_base.startup.initialised ? 1 : 0; }

int GetDesktopMetrics(int* width, int* height, int* bits) {
  if (width) *width = g_base.win.desktopWidth;
  if (height) *height = g_base.win.desktopHeight;
  if (bits) *bits = g_base.win.desktopBits;
  return 0;
}

int IsWindowActive() { return g_base.win.active; }
int GetMmxUseFlag() { return g_base.startup.mmxUse; }
int IsCloseRequested() { return g_base.win.closeRequested; }
const char* GetSystemInfoText() { return g_base.startup.systemInfo; }

int RedrawSavedScreen() {
  BaseWindowState& s = g_base.win;
  if (g_base.startup.terminating) return 0;
  if (!s.savedScreenGraph) return -1;
  BaseWindowSettings& st = g_base.settings;
  int keepAlwaysRun = st.alwaysRun;
  st.alwaysRun = 1;
  int target = GetCurrentDrawTarget();
  int mode = GetDrawModeState();
  int flipWait = GetFlipWaitsVBlank();
  SetDrawTarget(-2);
  SetDrawModeState(1);
  SetFlipWaitsVBlank(0);
  int sw, sh;
  GetScreenSizeOrDefault(&sw, &sh);
  int copy = CreateBlankGraph(sw, sh);
  if (copy != -1) GetDrawScreenGraph(0, 0, sw, sh, copy, 0);
  int gw = 0, gh = 0;
  GetGraphDimensions(s.savedScreenGraph, &gw, &gh);
  if (gw == sw && gh == sh) DrawGraphAtPoint(0, 0, s.savedScreenGraph, 0);
  else DrawGraphStretched(0, 0, sw, sh, s.savedScreenGraph, 0);
  PresentScreenToWindow();
  if (copy != -1) {
    DrawGraphAtPoint(0, 0, copy, 0);
    DeleteGraphHandle(copy, 0);
  }
  SetDrawTarget(target);
  SetDrawModeState(mode);
  SetFlipWaitsVBlank(flipWait);
  st.alwaysRun = keepAlwaysRun;
  return 0;
}
