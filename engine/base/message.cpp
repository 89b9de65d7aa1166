// Message processing and the message thread.
#include "engine/base/startup_window.h"

#include "engine/base/base_state.h"
#include "engine/base/lock.h"
#include "engine/base/system_hooks.h"
#include "engine/graphics/base_hooks.h"
#include "platform/clock.h"
#include "platform/sync.h"
#include "platform/window.h"

namespace {

constexpr int kPassLimit = 5;

bool TakeMessage(plat::Message* m) {
  plat::Message next;
  if (plat::PeekWindowMessage(&next, 0, false) && next.message == plat::WM_SYSCOMMAND &&
      (next.wParam & 0xFFF0u) == plat::SC_SCREENSAVE)
    return plat::PeekWindowMessage(m, 0, true);
  if (plat::PeekWindowMessage(m, plat::kThreadMessages, true)) return true;
  return plat::PeekWindowMessage(m, g_base.win.mainWindow, true);
}

void MessageLoop(bool onMainThread) {
  BaseWindowState& s = g_base.win;
  const BaseWindowSettings& st = g_base.settings;
  int dispatched = 0;
  bool lastPassEmpty = false;
  bool inactiveMarked = false;
  for (;;) {
    if (s.active || st.alwaysRun || s.closePosted) {
      if (lastPassEmpty || AtomicGet(s.quit) == 1) break;
    }
    if (!s.active && !st.alwaysRun) {
      if (!inactiveMarked) {
        inactiveMarked = true;
        s.inactive = 1;
        s.inactiveSince = plat::MillisecondClock();
      }
      plat::Sleep(1);
    }

    bool tookAny = false;
    bool finish = false;
    plat::Message m;
    while (TakeMessage(&m)) {
      tookAny = true;
      if (m.message == plat::WM_ACTIVATEAPP) s.active = (m.wParam & 0xFFFF) != 0;
      if (AtomicGet(s.quit) == 1) {
        finish = true;
        break;
      }
      if (m.message == plat::WM_QUIT) AtomicSet(s.quit, 1);
      plat::DispatchWindowMessage(m);
      if (++dispatched == kPassLimit) {
        dispatched = 0;
        break;
      }
    }
    if (finish) break;
    lastPassEmpty = !tookAny;

    if (!s.active) {
      NetWorkPumpWindow();
      HttpProcessAllTransfers();
      ProcessStreamSounds();
      plat::Sleep(1);
    }
    if (AtomicGet(s.quit) == 1 || !onMainThread) break;
  }
  if (s.active) s.inactive = 0;
  if (onMainThread && !st.noMouseMenu) UpdateMouseMenuState();
}

}  // namespace

int ProcessMessage() {
  BaseWindowState& s = g_base.win;
  if (s.insideTextInput) return 0;
  if (!g_base.startup.noWindow) {
    if (!s.mainWindow) return AtomicGet(s.quit) == 1 ? -1 : 0;
    if (!g_UserWindowFlag) {
      bool onMain = plat::CurrentThreadId() == s.mainThreadId;
      if (s.modeChangeRequest && g_base.settings.modeChangeAllowed && onMain) {
        s.modeChangeRequest = 0;
        ChangeWindowMode(g_base.settings.windowMode ? 0 : 1);
        if (g_base.settings.modeChangeCallback) g_base.settings.modeChangeCallback(g_base.settings.modeChangeData);
      }
      MessageLoop(onMain);
    }
  }

  ProcessStreamSounds();
  TickPadVibration();
  NetWorkPumpWindow();
  HttpProcessAllTransfers();
  s.insideTextInput = 1;
  ProcessKeyInput();
  s.insideTextInput = 0;
  return AtomicGet(s.quit) == 1 ? -1 : 0;
}

void WaitWhileInactive() {
  BaseWindowState& s = g_base.win;
  // Without a window nothing could make it active again.
  if (!s.mainWindow || s.painting || s.active || g_UserWindowFlag) return;
  if (g_base.settings.alwaysRun && (GetMenuPresentMode() || g_base.settings.windowMode)) return;
  s.inactiveSince = plat::MillisecondClock();
  s.inactive = 1;
  while (ProcessMessage() == 0 && !s.active) {
  }
  RestoreAllLostGraphs();
}

void MessageThreadProc(void*) {
  BaseWindowState& s = g_base.win;
  while (AtomicGet(s.quit) != 1) {
    if (LibraryLockUnlessQuit(&s.quit) != 0) break;
    int r = ProcessMessage();
    LibraryUnlockNoYield();
    if (r < 0) break;
    plat::Sleep(17);
  }
  LibraryLockLeaveQueue();
  AtomicSet(s.messageThreadEnded, 1);
}
