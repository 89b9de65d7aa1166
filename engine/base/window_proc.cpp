// The main window's procedure: window messages become engine state.
#include "engine/base/startup_window.h"

#include <cstring>

#include "engine/base/base_state.h"
#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/base/system_hooks.h"
#include "engine/graphics/base_hooks.h"
#include "platform/present.h"
#include "platform/window.h"

namespace {

struct KeyControlCode { uint8_t vk, code; };
const KeyControlCode KeyControlCodeTable[] = {
    {0x2E, 0x10}, {0x25, 0x1D}, {0x27, 0x1C}, {0x26, 0x1E}, {0x28, 0x1F}, {0, 0},
};

enum : uint32_t { WMSZ_LEFT = 1, WMSZ_RIGHT, WMSZ_TOP, WMSZ_TOPLEFT, WMSZ_TOPRIGHT, WMSZ_BOTTOM,
                  WMSZ_BOTTOMLEFT, WMSZ_BOTTOMRIGHT };

void PostCloseOnce(plat::WindowId w) {
  if (g_base.win.closePosted) return;
  g_base.win.closePosted = 1;
  plat::PostWindowMessage(w, plat::WM_CLOSE, 0, 0);
}

intptr_t OnActivate(plat::WindowId w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  BaseWindowState& s = g_base.win;
  s.active = (wParam & 0xFFFF) != 0;
  if (s.creating) return plat::DefaultWindowProc(w, message, wParam, lParam);
  if (s.active) {
    RequestImeResetIfOpen();
    RestoreSurfacesOnActivate();
    if (!g_base.settings.windowMode && s.displayLost && g_base.startup.initialised) {
      RebuildDisplay();
      s.displayLost = 0;
      ReacquireInput();
    } else {
      ResumeMovies();
      ReacquireInput();
    }
  } else {
    bool changedDisplay = !g_base.settings.windowMode && IsDisplayModeChanged() && HasDirectDrawObject();
    if (!changedDisplay) {
      SuspendMovies();
    } else if (!HasGraphRestoreCallback() && !g_UserWindowFlag) {
      LogWrite("復元関数が登録されていないため終了します\n");
      PostCloseOnce(w);
      return plat::DefaultWindowProc(w, message, wParam, lParam);
    } else {
      s.displayLost = 1;
    }
    RedrawSavedScreen();
  }
  SyncPadEffects();
  return plat::DefaultWindowProc(w, message, wParam, lParam);
}

void OnDisplayChange(plat::WindowId w, uintptr_t wParam, intptr_t lParam) {
  BaseWindowState& s = g_base.win;
  if (!g_base.settings.windowMode || s.modeChangeInProgress) {
    s.displayChangeSeen = 1;
    return;
  }
  int bits = static_cast<int>(wParam);
  int width = static_cast<int>(lParam & 0xFFFF), height = static_cast<int>((lParam >> 16) & 0xFFFF);
  int sw, sh;
  GetScreenSizeOrDefault(&sw, &sh);
  int screenBits = GetScreenColorBits();
  if (bits == s.desktopBits && width == s.desktopWidth && height == s.desktopHeight) {
    s.displayChangeSeen = 1;
    return;
  }
  if (HasGraphRestoreCallback() && bits != 24 && (bits == screenBits || bits != 8) && width >= sw && height >= sh) {
    s.desktopBits = bits;
    s.desktopWidth = width;
    s.desktopHeight = height;
    ReleaseMovieStreams();
    SetupScreenColors();
    RebuildDisplay();
    ResumeMovies();
    s.displayChangeSeen = 1;
    return;
  }
  LogWrite("復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\n");
  LogWrite("またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\n");
  PostCloseOnce(w);
}

// Keeps the screen's aspect ratio while the frame is dragged.
void OnSizing(uintptr_t edge, plat::WindowRect* r) {
  BaseWindowState& s = g_base.win;
  if (!r) return;
  int sw, sh;
  GetScreenSizeOrDefault(&sw, &sh);
  plat::WindowRect outer{}, client{};
  plat::WindowGetRect(s.mainWindow, &outer);
  plat::WindowGetClientRect(s.mainWindow, &client);
  int fw = (outer.right - outer.left) - (client.right - client.left);
  int fh = (outer.bottom - outer.top) - (client.bottom - client.top);
  int cw = (r->right - r->left) - fw;
  int ch = (r->bottom - r->top) - fh;
  switch (edge) {
    case WMSZ_LEFT:
    case WMSZ_RIGHT:
      ch = cw * sh / sw;
      r->bottom = r->top + ch + fh;
      break;
    case WMSZ_TOP:
    case WMSZ_BOTTOM:
      cw = ch * sw / sh;
      r->right = r->left + cw + fw;
      break;
    default:
      // At a corner the smaller relative size follows the larger one.
      if (static_cast<double>(cw) / sw < static_cast<double>(ch) / sh) {
        cw = ch * sw / sh;
        if (edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT) r->left = r->right - cw - fw;
        else r->right = r->left + cw + fw;
      } else {
        ch = cw * sh / sw;
        if (edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT) r->top = r->bottom - ch - fh;
        else r->bottom = r->top + ch + fh;
      }
      break;
  }
  g_base.settings.windowScale = static_cast<double>(cw) / sw;
}

void OnDropFiles(uintptr_t drop) {
  BaseWindowState& s = g_base.win;
  int n = plat::DropFileCount(drop);
  char name[1024];
  for (int i = 0; i < n && s.droppedFileCount < 1000; ++i) {
    if (!plat::DropFileName(drop, i, name, sizeof name)) continue;
    size_t len = strlen(name) + 1;
    char* copy = static_cast<char*>(TRACKED_ALLOC(len));
    if (!copy) break;
    memcpy(copy, name, len);
    s.droppedFiles[s.droppedFileCount++] = copy;
  }
  plat::DropFinish(drop);
}

}  // namespace

intptr_t MainWindowProc(plat::WindowId w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  BaseWindowState& s = g_base.win;
  const BaseWindowSettings& st = g_base.settings;
  if (st.messageHook) st.messageHook(w, message, wParam, lParam);

  switch (message) {
    case plat::WM_DESTROY:
      LogWrite("ウインドウが破棄されようとしています\n");
      // The presenter draws through the window's renderer, which goes with the window.
      plat::PresenterSetWindow(nullptr);
      s.windowDestroyed = 1;
      LogWrite("ソフトを終了する準備が整いました\n");
      if (!st.noQuitMessage) plat::PostQuitMessage(0);
      AtomicSet(s.quit, 1);
      break;

    case plat::WM_MOVE:
      if (st.windowMode && !s.modeChangeInProgress) OnMainWindowMove(lParam);
      break;

    case plat::WM_SIZE:
      if (wParam == plat::SIZE_MAXIMIZED) {
        if (st.windowMode && st.modeChangeAllowed && !s.modeChangeInProgress && !s.creating)
          s.modeChangeRequest = 1;
      } else {
        FitWindowToScreen();
      }
      break;

    case plat::WM_ACTIVATE:
      return OnActivate(w, message, wParam, lParam);

    case plat::WM_PAINT:
      s.painting = 1;
      if (!s.active && s.savedScreenGraph && !st.alwaysRun) RedrawSavedScreen();
      if (!g_base.startup.initialised) PaintWindowBlack();
      // The back screen may hold a frame being drawn, or after a flip the one before: the window
      // gets the frame last presented.
      if (GetCurrentDrawTarget() == -2) RepaintWindowWithLastFrame();
      s.painting = 0;
      return 0;

    case plat::WM_CLOSE:
      LogWrite("ウインドウを閉じようとしています\n");
      if (st.closeHeld && !g_base.startup.terminating) s.closeRequested = 1;
      else plat::WindowDestroy(w);
      return 0;

    case plat::WM_SETCURSOR:
    case plat::WM_MOUSEMOVE:
    case plat::WM_LBUTTONDOWN:
    case plat::WM_LBUTTONUP:
    case plat::WM_RBUTTONDOWN:
    case plat::WM_RBUTTONUP:
    case plat::WM_MBUTTONDOWN:
    case plat::WM_MBUTTONUP:
      if (!s.cursorApplied) {
        while (plat::ShowCursor(false) >= 0) {
        }
      }
      break;

    case plat::WM_DISPLAYCHANGE:
      OnDisplayChange(w, wParam, lParam);
      break;

    case plat::WM_KEYDOWN:
      if (KeyRingHasRoom())
        for (const KeyControlCode* k = KeyControlCodeTable; k->vk; ++k)
          if (k->vk == wParam) KeyCharPush(k->code);
      break;

    case plat::WM_CHAR:
      KeyCharPush(static_cast<uint8_t>(wParam));
      break;

    case plat::WM_SYSCHAR:
      if (wParam == 13 && st.modeChangeAllowed) {
        s.modeChangeRequest = 1;
        return 0;
      }
      break;

    case plat::WM_IME_STARTCOMPOSITION:
    case plat::WM_IME_ENDCOMPOSITION:
    case plat::WM_IME_COMPOSITION:
    case plat::WM_IME_SETCONTEXT:
    case plat::WM_IME_NOTIFY:
      return HandleImeMessage(lParam, message, wParam, w);

    case plat::WM_COMMAND: {
      int id = static_cast<int>(wParam & 0xFFFF);
      if (id < 1280) {
        bool seen = false;
        for (int i = 0; i < s.selectedMenuCount; ++i) seen |= s.selectedMenu[i] == id;
        if (!seen && s.selectedMenuCount < 64) s.selectedMenu[s.selectedMenuCount++] = id;
      }
      break;
    }

    case plat::WM_SYSCOMMAND:
      if ((wParam & 0xFFF0u) == plat::SC_SCREENSAVE) return 1;
      return plat::DefaultWindowProc(w, message, wParam, lParam);

    case plat::WM_MOUSEWHEEL:
      s.wheelCount += static_cast<int16_t>((wParam >> 16) & 0xFFFF) > 0 ? 1 : -1;
      break;

    case plat::WM_SIZING:
      if (st.windowMode) OnSizing(wParam, reinterpret_cast<plat::WindowRect*>(lParam));
      break;

    case plat::WM_MOVING:
      if (!st.windowMode && lParam) plat::WindowGetRect(w, reinterpret_cast<plat::WindowRect*>(lParam));
      break;

    case plat::WM_DROPFILES:
      OnDropFiles(wParam);
      return 0;

    case 0x46F:
    case 0x470:
      SetInputStateFlag(message == 0x46F ? 0 : 1, wParam == 1);
      break;

    case 0x505:
      return NetWorkSocketEvent(wParam, lParam);

    default:
      break;
  }
  return plat::DefaultWindowProc(w, message, wParam, lParam);
}
