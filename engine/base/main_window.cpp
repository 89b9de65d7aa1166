// The main window: creation and tear-down, window styles, window mode and scale.
#include "engine/base/startup_window.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/base/base_state.h"
#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/base/random.h"
#include "engine/base/system_hooks.h"
#include "engine/graphics/base_hooks.h"
#include "engine/graphics/operations.h"
#include "platform/clock.h"
#include "platform/sync.h"
#include "platform/system.h"
#include "platform/window.h"

namespace {

constexpr char kClassName[] = "D123987X";
// The single-copy mark of this process: taken by a claim before start-up or by the window's
// creation, given back at the window's end or by a release.
int g_singleCopyToken = -1;
constexpr uint32_t kDisplayChangeWaitMs = 2000;

// {window style, window extended style, full-screen style, full-screen extended style, 0, 0, 0}
const uint32_t WindowStyleTable[7][7] = {
    {0x80CA0000u, 0x300u, 0x80000000u, 0x8u, 0, 0, 0},
    {0x80080000u, 0x300u, 0x80000000u, 0x8u, 0, 0, 0},
    {0x80080000u, 0x0u, 0x80000000u, 0x8u, 0, 0, 0},
    {0x80CA0000u, 0x80u, 0x80000000u, 0x8u, 0, 0, 0},
    {0x80080000u, 0x80u, 0x80000000u, 0x8u, 0, 0, 0},
    {0x80C80000u, 0x100u, 0x0u, 0x0u, 0, 0, 0},
    {0x80CA0000u, 0x0u, 0x0u, 0x0u, 0, 0, 0},
};

int StyleRow() {
  int i = g_base.settings.styleIndex;
  return (i >= 0 && i < 7) ? i : 0;
}

constexpr double kMaxWindowScale = 64.0;

double Scale() {
  double s = g_base.settings.windowScale;
  return s > 0.0 ? s : 1.0;
}

uint32_t WindowModeStyle() {
  const BaseWindowSettings& st = g_base.settings;
  uint32_t style = WindowStyleTable[StyleRow()][0];
  if (st.modeChangeAllowed) style |= plat::WS_MAXIMIZEBOX;
  if (g_base.win.windowShown) style |= plat::WS_VISIBLE;
  if (st.sizable) style |= plat::WS_THICKFRAME;
  return style;
}

uint32_t WindowModeExStyle() {
  uint32_t ex = WindowStyleTable[StyleRow()][1];
  if (g_base.settings.hidden) ex |= plat::WS_EX_TRANSPARENT;
  return ex;
}

void HideCursorFully() {
  while (plat::ShowCursor(false) >= 0) {
  }
}

void ShowCursorFully() {
  while (plat::ShowCursor(true) < 0) {
  }
}

// Outer rectangle of the window-mode window: centred on the desktop, or at the user's position.
plat::WindowRect WindowModeOuterRect(uint32_t style, uint32_t ex) {
  int sw, sh;
  GetScreenSizeOrDefault(&sw, &sh);
  int cw = static_cast<int>(sw * Scale());
  int ch = static_cast<int>(sh * Scale()) + GetToolBarHeight();
  plat::WindowRect r = plat::WindowAdjustRect({0, 0, cw, ch}, style, ex, false);
  int ow = r.right - r.left, oh = r.bottom - r.top;
  int x, y;
  if (g_base.settings.userPosition) {
    x = g_base.settings.userX;
    y = g_base.settings.userY;
  } else {
    x = (g_base.win.desktopWidth - ow) / 2;
    y = (g_base.win.desktopHeight - oh) / 2;
  }
  return {x, y, x + ow, y + oh};
}

void TimerTest() {
  BaseWindowState& w = g_base.win;
  LogWrite("タイマーの精度を検査します\n");
  uint32_t start = plat::MillisecondClock();
  uint32_t lastMs = start;
  int64_t lastPerf = plat::PerfCounter();
  int msChanges = 0, perfChanges = 0;
  while (plat::MillisecondClock() - start < 1000 && msChanges < 60 && perfChanges < 60) {
    uint32_t ms = plat::MillisecondClock();
    int64_t perf = plat::PerfCounter();
    if (ms != lastMs) ++msChanges, lastMs = ms;
    if (perf != lastPerf) ++perfChanges, lastPerf = perf;
    if (ProcessMessage() != 0) break;
    plat::Sleep(0);   // lets a virtual clock move between samples
  }
  LogPrintf("精度結果 更新回数 マルチメディアタイマー：%d  パフォーマンスカウンター：%d", msChanges, perfChanges);
  if (perfChanges >= msChanges) {
    char line[128];
    snprintf(line, sizeof line, "パフォーマンスカウンターを使用します タイマー分解能 : %lf KHz ",
             static_cast<double>(w.perfFrequency) / 1000.0);
    LogWrite(line);
  } else {
    char line[128];
    snprintf(line, sizeof line, "マルチメディアタイマーを使用します タイマー分解能 : %d.00 ms ",
             static_cast<int>(plat::TimerMinimumPeriodMs()));
    LogWrite(line);
    w.perfCounterPresent = 0;
  }
  LogWrite("\n");
}

int RefuseStart(const char* text) {
  LogWrite(text);
  AtomicSet(g_base.win.quit, 1);
  return -1;
}

}  // namespace

void GetScreenSizeOrDefault(int* width, int* height) {
  int w = 640, h = 480;
  if (GetScreenSize(&w, &h) != 0 || w <= 0 || h <= 0) w = 640, h = 480;
  *width = w;
  *height = h;
}

int CreateMainWindow() {
  BaseWindowState& w = g_base.win;
  const BaseWindowSettings& st = g_base.settings;
  // Everything else was set before start-up and lives outside this block.
  w = BaseWindowState{};

  w.mainThreadId = plat::CurrentThreadId();
  uint64_t total = 0, avail = 0;
  plat::MemoryTotals(&total, &avail);
  {
    char line[160];
    snprintf(line, sizeof line, "メモリ総量:%.2fMB  空きメモリ領域:%.2fMB ", total / 1048576.0, avail / 1048576.0);
    LogWrite(line);
  }
  int dw = 0, dh = 0, db = 0;
  plat::DesktopGetMetrics(&dw, &dh, &db);
  w.desktopWidth = dw;
  w.desktopHeight = dh;
  w.desktopBits = db;

  w.perfFrequency = plat::PerfFrequency();
  w.perfCounterPresent = w.perfFrequency != 0;
  w.timerPeriodSet = 1;

  if (w.perfCounterPresent) TimerTest();

  SeedRandom(plat::MillisecondClock());
  plat::ScreenSaverEnable(false);

  if (!g_base.startup.noWindow) {
    LogWrite("ソフトの二重起動検査... ");
    if (g_singleCopyToken < 0) g_singleCopyToken = plat::SingleCopyLockTake(kClassName);
    if (g_singleCopyToken < 0) {
      if (!st.doubleStartAllowed) return RefuseStart("二重起動されています、ソフトを終了します\n");
      LogWrite("二重起動されていますが続行します\n");
    } else {
      LogWrite("二重起動はされていませんでした\n");
    }

    LogWrite("ウインドウクラスを登録します... ");
    if (!plat::WindowClassRegister(kClassName, MainWindowProc, st.iconId ? st.iconId : 32512)) {
      ReleaseSingleCopy();
      return RefuseStart("ウインドウクラスの登録に失敗しました\n");
    }
    LogWrite("登録に成功しました\n");
    w.classRegistered = 1;

    if (!g_base.settings.captionSet) {
      snprintf(g_base.settings.caption, sizeof g_base.settings.caption, "DaRov");
      g_base.settings.captionSet = 1;
    }

    plat::WindowCreateInfo info{};
    info.className = kClassName;
    info.caption = g_base.settings.caption;
    int sw, sh;
    GetScreenSizeOrDefault(&sw, &sh);
    if (st.windowMode) {
      LogWrite("ウインドウモード起動用のウインドウを作成します\n");
      info.style = WindowModeStyle();
      info.exStyle = WindowModeExStyle();
      w.cursorShown = 1;
      plat::WindowRect r = WindowModeOuterRect(info.style, info.exStyle);
      info.x = r.left;
      info.y = r.top;
      info.width = r.right - r.left;
      info.height = r.bottom - r.top;
    } else {
      LogWrite("フルスクリーンモード用のウインドウを作成します\n");
      info.style = WindowStyleTable[StyleRow()][2];
      info.exStyle = WindowStyleTable[StyleRow()][3];
      info.width = sw;
      info.height = sh;
      w.cursorShown = 0;
    }

    w.creating = 1;
    w.mainWindow = plat::WindowCreate(info);
    if (!w.mainWindow) {
      w.creating = 0;
      plat::WindowClassUnregister(kClassName);
      w.classRegistered = 0;
      ReleaseSingleCopy();
      return RefuseStart("ウインドウの作成に失敗しました\n");
    }
    plat::WindowShow(w.mainWindow, !st.hidden);
    if (!st.windowMode) plat::WindowSetFullScreen(w.mainWindow, true, sw, sh, w.desktopBits);

    w.closePosted = 0;
    w.windowDestroyed = 0;
    w.active = 1;
    if (!st.windowMode) {
      LogWrite("カーソルを不可視にしました\n");
      HideCursorFully();
    }
    LogWrite("ＩＭＥを無効にしました\n");
    plat::WindowEnableIme(w.mainWindow, false);
    if (st.windowMode) plat::WindowGetClientRect(w.mainWindow, &w.clientRect);

    w.oemCharsetKind = 1;   // the OEM code page is 932, not 949
    SetMouseCursorVisibleFlag(w.cursorShown);
    if (!st.hidden) plat::WindowBringToFront(w.mainWindow, false);
    uint32_t t0 = plat::MillisecondClock();
    while (plat::MillisecondClock() - t0 < 200) {
      ProcessMessage();
      plat::Sleep(1);
    }
    if (!st.hidden) FitWindowToScreen();
    w.creating = 0;
  }

  w.messageThread = plat::ThreadStart(MessageThreadProc, nullptr);
  if (!w.messageThread) {
    LogWrite("ProcessMessage をひたすら呼びつづけるスレッドの立ち上げに失敗しました\n");
    AtomicSet(w.messageThreadEnded, 1);
  } else {
    w.messageThreadId = plat::ThreadGetId(w.messageThread);
  }
  return 0;
}

int DestroyMainWindow() {
  BaseWindowState& w = g_base.win;
  if (!w.mainWindow && !w.messageThread) return 0;
  const bool onMain = plat::CurrentThreadId() == w.mainThreadId;
  plat::ScreenSaverEnable(true);
  if (!g_base.startup.noWindow) {
    if (onMain) {
      SetImeEnabled(1);
      ShowCursorFully();
    }
    if (w.mainWindow && onMain) {
      if (!w.closePosted) {
        plat::PostWindowMessage(w.mainWindow, plat::WM_CLOSE, 0, 0);
        w.closePosted = 1;
      }
      while (ProcessMessage() == 0 && plat::WindowExists(w.mainWindow)) plat::Sleep(1);
      // The procedure destroys the window on WM_CLOSE; a held close leaves it to us.
      if (plat::WindowExists(w.mainWindow)) plat::WindowDestroy(w.mainWindow);
    }
    if (onMain && w.classRegistered) {
      plat::WindowClassUnregister(kClassName);
      w.classRegistered = 0;
    }
    // Off the main thread (a fatal exit on the message thread) the window stays for the process
    // end to take down: only its thread may touch it.
    AtomicSet(w.quit, 1);
    DeleteAllKeyInputHandles();
    if (w.savedScreenGraph) {
      DeleteGraphHandle(w.savedScreenGraph, 0);
      w.savedScreenGraph = 0;
    }
    for (int i = 0; i < w.droppedFileCount; ++i) TrackedFree(w.droppedFiles[i]);
    w.droppedFileCount = 0;
  } else {
    AtomicSet(w.quit, 1);
  }
  ReleaseSingleCopy();

  if (w.messageThread) {
    if (plat::CurrentThreadId() == w.messageThreadId) {
      // A fatal exit on the message thread: it cannot wait for its own end.
      plat::ThreadDetach(w.messageThread);
    } else {
      while (!AtomicGet(w.messageThreadEnded)) plat::Sleep(1);
      plat::ThreadJoin(w.messageThread);
    }
    w.messageThread = nullptr;
  }
  w.mainWindow = 0;
  return 0;
}

int ChangeWindowMode(int flag) {
  BaseWindowState& w = g_base.win;
  LogWrite("ChangeWindowMode実行 \n");
  if (flag == g_base.settings.windowMode) return 0;
  w.windowShown = 1;
  SetWindowModeFlag(flag);
  if (!w.mainWindow || g_UserWindowFlag) return 0;
  w.modeChangeInProgress = 1;
  w.displayChangeSeen = 0;
  ApplyWindowStyle();
  int result = ChangeScreenModeKeep();
  // The platform sends the display change after every switch; the bound keeps a lost one from
  // hanging the program.
  uint32_t t0 = plat::MillisecondClock();
  while (ProcessMessage() == 0 && !w.displayChangeSeen) {
    if (plat::MillisecondClock() - t0 >= kDisplayChangeWaitMs) break;
    plat::Sleep(1);
  }
  w.modeChangeInProgress = 0;
  return result;
}

int SetWindowModeFlag(int flag) {
  g_base.settings.windowMode = flag;
  LogWrite(flag ? "ウインドウモードフラグが立てられました\n" : "ウインドウモードフラグが倒されました\n");
  return 0;
}

int ApplyWindowStyle() {
  BaseWindowState& w = g_base.win;
  if (!w.mainWindow || g_UserWindowFlag) return 0;
  int sw, sh;
  GetScreenSizeOrDefault(&sw, &sh);
  if (!g_base.settings.windowMode) {
    LogWrite("ウインドウスタイルをフルスクリーンモード用に変更します... ");
    plat::WindowSetStyle(w.mainWindow, WindowStyleTable[StyleRow()][2], WindowStyleTable[StyleRow()][3]);
    w.clientRect = {0, 0, sw, sh};
    plat::WindowShow(w.mainWindow, true);
    plat::WindowSetPos(w.mainWindow, 0, 0, sw, sh, true);
    if (!plat::WindowIsFullScreen(w.mainWindow))
      plat::WindowSetFullScreen(w.mainWindow, true, sw, sh, w.desktopBits);
    HideCursorFully();
  } else {
    LogWrite("ウインドウスタイルをウインドウモード用に変更します... ");
    uint32_t style = WindowModeStyle(), ex = WindowModeExStyle();
    if (plat::WindowIsFullScreen(w.mainWindow))
      plat::WindowSetFullScreen(w.mainWindow, false, sw, sh, w.desktopBits);
    plat::WindowSetStyle(w.mainWindow, style, ex);
    plat::WindowRect r = WindowModeOuterRect(style, ex);
    plat::WindowSetPos(w.mainWindow, r.left, r.top, r.right - r.left, r.bottom - r.top, false);
    plat::WindowGetClientRect(w.mainWindow, &w.clientRect);
    if (w.clientRect.left < 0 || w.clientRect.top < 0) {
      int dx = w.clientRect.left < 0 ? -w.clientRect.left : 0;
      int dy = w.clientRect.top < 0 ? -w.clientRect.top : 0;
      plat::WindowSetPos(w.mainWindow, r.left + dx, r.top + dy, r.right - r.left, r.bottom - r.top, false);
      plat::WindowGetClientRect(w.mainWindow, &w.clientRect);
    }
    ShowCursorFully();
  }
  LogWrite("完了\n");
  plat::WindowBringToFront(w.mainWindow, false);
  plat::PostWindowMessage(w.mainWindow, plat::WM_SETCURSOR, w.mainWindow, 0);
  return 0;
}

int FitWindowToScreen() {
  BaseWindowState& w = g_base.win;
  if (!w.mainWindow || g_UserWindowFlag) return 0;
  int sw, sh;
  GetScreenSizeOrDefault(&sw, &sh);
  double scale = g_base.settings.windowMode ? Scale() : 1.0;
  int cw = static_cast<int>(sw * scale);
  int ch = static_cast<int>(sh * scale);
  plat::WindowRect outer, client;
  plat::WindowGetRect(w.mainWindow, &outer);
  plat::WindowGetClientRect(w.mainWindow, &client);
  int fw = (outer.right - outer.left) - (client.right - client.left);
  int fh = (outer.bottom - outer.top) - (client.bottom - client.top);
  plat::WindowSetPos(w.mainWindow, outer.left, outer.top, cw + fw, ch + fh + GetToolBarHeight(), false);
  plat::PostWindowMessage(w.mainWindow, plat::WM_PAINT, 0, 0);
  if (g_base.settings.windowMode && !w.windowShown) {
    w.windowShown = 1;
    ApplyWindowStyle();
  }
  return 0;
}

int SetWindowScaleRate(double scale) {
  // Past this no screen makes a window any desktop holds, and its sizes would leave int.
  if (!std::isfinite(scale) || scale > kMaxWindowScale) return -1;
  if (scale == g_base.settings.windowScale) return 0;
  g_base.settings.windowScale = scale <= 0.0 ? 1.0 : scale;
  if (g_base.settings.windowMode) ApplyWindowStyle();
  return 0;
}

double GetWindowScaleRate() {
  if (!g_base.settings.windowMode) return 1.0;
  return Scale();
}

int SetMainWindowCaption(const char* text) {
  BaseWindowSettings& st = g_base.settings;
  if (!text) text = "";
  // Longer captions are cut at 255 bytes, never inside a double-byte character.
  size_t n = 0;
  while (text[n] && n < sizeof st.caption - 1) {
    unsigned char c = static_cast<unsigned char>(text[n]);
    bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (lead) {
      if (!text[n + 1] || n + 2 > sizeof st.caption - 1) break;
      n += 2;
    } else {
      n += 1;
    }
  }
  memcpy(st.caption, text, n);
  st.caption[n] = 0;
  st.captionSet = 1;
  if (g_base.win.mainWindow) plat::WindowSetCaption(g_base.win.mainWindow, st.caption);
  return 0;
}

int SetMainWindowIcon(int iconId) {
  g_base.settings.iconId = iconId;
  if (g_base.win.mainWindow) plat::WindowSetIcon(g_base.win.mainWindow, iconId);
  return 0;
}

void* GetMainWindowHwnd() { return reinterpret_cast<void*>(g_base.win.mainWindow); }

// Taken before anything else, the mark keeps a second copy from writing anything while this one
// starts; the window's creation then finds it already held.
int ClaimSingleCopy(char* why, int whySize) {
  if (g_singleCopyToken >= 0) return 0;
  std::string reason;
  g_singleCopyToken = plat::SingleCopyLockTake(kClassName, &reason);
  if (g_singleCopyToken >= 0) return 0;
  const int result = g_singleCopyToken == plat::kSingleCopyHeld ? 1 : -1;
  g_singleCopyToken = -1;
  if (why && whySize > 0) snprintf(why, size_t(whySize), "%s", reason.c_str());
  return result;
}

int ReleaseSingleCopy() {
  plat::SingleCopyLockRelease(g_singleCopyToken);
  g_singleCopyToken = -1;
  return 0;
}

int CanCreateMainWindow(char* why, int whySize) {
  if (g_base.startup.noWindow) return 1;
  std::string reason;
  if (plat::WindowDisplayUsable(&reason)) return 1;
  if (why && whySize > 0) snprintf(why, size_t(whySize), "%s", reason.c_str());
  return 0;
}

void ForceForegroundWindow(plat::WindowId window, int topmost) {
  plat::WindowBringToFront(window, false);
  if (topmost && g_base.win.mainWindow) plat::WindowBringToFront(g_base.win.mainWindow, true);
}

void OnMainWindowMove(intptr_t lParam) {
  BaseWindowState& w = g_base.win;
  int x = static_cast<int16_t>(lParam & 0xFFFF);
  int y = static_cast<int16_t>((lParam >> 16) & 0xFFFF);
  plat::WindowRect c{};
  plat::WindowGetClientRect(w.mainWindow, &c);
  w.clientRect = {x, y, x + (c.right - c.left), y + (c.bottom - c.top)};
  if (GetCurrentDrawTarget() == -4) UpdateFrontScreenDrawArea();
  ResetDrawAreaViewport();
}

void UpdateMouseMenuState() {
  if (g_base.settings.windowMode) return;
  int x = 0, y = 0;
  GetMousePosition(&x, &y);   // in the picture's pixels, however the display scales it
  SetMenuPresentMode(y < 60 ? 1 : 0);
  SetMouseCursorVisibleFlag(g_base.win.cursorWanted);
}

void SetMenuShown(int) {
  // The platform has no window menus; there is nothing to attach.
}
