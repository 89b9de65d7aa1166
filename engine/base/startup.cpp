// LibraryInitialize, LibraryTerminate and the fatal exit.
#include "engine/base/startup_window.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/base/archive.h"
#include "engine/base/base_state.h"
#include "engine/base/file_access.h"
#include "engine/base/lock.h"
#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/base/screen_log.h"
#include "engine/base/system_hooks.h"
#include "engine/graphics/base_hooks.h"
#include "engine/graphics/operations.h"
#include "platform/clock.h"
#include "platform/sync.h"
#include "platform/system.h"
#include "platform/window.h"

namespace {

void FailStart() {
  LibraryTerminate();
  g_base.startup.initialising = 0;
}

// The start-up draws that settle the screen surfaces before the first frame.
void SettleScreen() {
  SetDrawValidGraphCreateFlag(1);
  int g = CreateBlankGraph(256, 256);
  SetDrawValidGraphCreateFlag(0);
  SetDrawTarget(g);
  SetDrawTarget(-4);
  if (g != -1) DeleteGraphHandle(g, 0);
  SetDrawTarget(-2);

  int black = CreateBlackGraphForScreen(256, 256);
  if (black != -1) {
    SetBlendModeState(3, 128);
    DrawGraphAtPoint(0, 0, black, 1);
    SetBlendModeState(0, 0);
    SetDrawTarget(-4);
    DrawGraphAtPoint(0, 0, black, 1);
    DeleteGraphHandle(black, 0);
  }
  int black2 = CreateBlackGraphForScreen(256, 256);
  if (black2 != -1) {
    DrawGraphStretched(0, 0, 640, 480, black2, 1);
    DeleteGraphHandle(black2, 0);
  }
}

}  // namespace

int LibraryInitialize() {
  BaseStartupState& s = g_base.startup;
  s.initialising = 1;
  SelectSoftwareScreenIfNoD3D();

  InitializeArchiveLayer();
  SetFileAccessTable(nullptr);
  FileGetCurrentDir(g_StartDirectory);

  LogFileInitialize();

  if (!s.noWindow) {
    int bits = 0;
    plat::DesktopGetMetrics(nullptr, nullptr, &bits);
    if ((bits == 24 && g_base.settings.windowMode) || GetScreenColorBits() == 24) {
      LogWrite("VIduzavは２４ビットカラーモードに対応していません\n");
      s.initialising = 0;
      return -1;
    }
  }

  g_base.win.perfFrequency = plat::PerfFrequency();
  g_base.win.perfCounterPresent = g_base.win.perfFrequency != 0;

  LogSystemInfo();
  InstallDefaultGraphRestoreCallback();

  if (InitializeCom() == -1 || CreateMainWindow() == -1) {
    FailStart();
    return -1;
  }
  HttpClearTransferTable();

  if (!s.noInput && InitializeInputSystem() == -1) {
    FailStart();
    return -1;
  }
  if (!s.noSound) InitializeDirectSound();
  if (!s.noGraphics && InitializeGraphicsSystem() < 0) {
    FailStart();
    return -1;
  }

  InitTextInputBuffers();
  s.initialised = 1;
  SetFlipWaitsVBlank(1);

  if (!g_base.settings.windowMode && !g_UserWindowFlag)
    ForceForegroundWindow(g_base.win.mainWindow, 1);

  ScreenLogInitialize();
  SetDrawTarget(-2);
  SetDrawTarget(-4);
  if (!s.noGraphics) SettleScreen();

  s.initialising = 0;
  return 0;
}

int LibraryTerminate() {
  BaseStartupState& s = g_base.startup;
  s.terminating = 1;
  DeleteScreenLogFontIfMade();

  HttpDeleteAllTransfers();
  NetWorkTerminate();

  TerminateGraphicsSystem();
  TerminateInputSystem();
  TerminateDirectSound();

  DestroyMainWindow();

  if (s.comStarted) {
    LogWrite("ＣＯＭを終了... 完了\n");
    s.comStarted = 0;
  }

  s.initialised = 0;
  // Without a window (a refused start) nothing would ever set the quit flag.
  if (!s.noWindow) {
    while (g_base.win.mainWindow && ProcessMessage() == 0 && AtomicGet(g_base.win.quit) != 1) {
    }
  }

  if (g_StartDirectory[0]) FileSetCurrentDir(g_StartDirectory);
  CloseUnusedArchives();
  DumpAllocations();
  s.terminating = 0;
  return 0;
}

void ErrorExit(const char* text) {
  LogWrite(text);
  LogWrite("\n");
  LibraryTerminate();
  // A thread still queued for the lock (the main thread, when the message thread fails) waits on
  // one of its events: destroying them under it would free what it waits on. The process ends
  // next either way.
  LibraryLockView view{};
  LibraryLockGetView(&view);
  if (view.waiters == 0) LibraryLockDestroy();
  fflush(nullptr);
  // Other engine threads may still run; static destructors must not run under them.
  _Exit(-1);
}

void GraphicsFatalStop(const char* message) { ErrorExit(message); }

void ErrorExitF(const char* format, ...) {
  char buffer[1024];
  va_list ap;
  va_start(ap, format);
  vsnprintf(buffer, sizeof buffer, format, ap);
  va_end(ap);
  ErrorExit(buffer);
}

int InitializeCom() {
  // There is no COM here: starting it always succeeds, once.
  if (g_base.startup.comStarted) return -1;
  LogWrite("ＣＯＭの初期化... ");
  LogWrite("成功しました\n");
  g_base.startup.comStarted = 1;
  return 0;
}

void LogSystemInfo() {
  BaseStartupState& s = g_base.startup;
  LogWrite("システムの情報を出力します\n");

  std::string os = plat::OsName();
  std::string name = os.substr(0, os.find(' '));
  std::string release = os.find(' ') == std::string::npos ? "" : os.substr(os.find(' ') + 1);
  snprintf(s.systemInfo, sizeof s.systemInfo, "%s ( Build %d %s )", name.c_str(), plat::OsBuildNumber(),
           release.c_str());
  s.osKind = 263;   // the NT family: the newest kind the engine knows
  LogWrite("ＯＳ  ");
  LogWrite(s.systemInfo);
  LogWrite("\n");
  LogPrintf("VIduzav Ver%s", "2.22f");

  if (plat::CpuIdAvailable()) {
    LogPrintf("ＣＰＵベンダ：%s", plat::CpuVendor().c_str());
    snprintf(s.cpuName, sizeof s.cpuName, "%s", plat::CpuName().c_str());
    LogPrintf("ＣＰＵ名：%s", s.cpuName);
    if (plat::CpuHasMmx()) {
      LogWrite("ＭＭＸ命令を使用します\n");
      s.mmxUse = 1;
    } else {
      LogWrite("ＭＭＸは使えません\n");
    }
  } else {
    LogWrite("ＣＰＵＩＤ命令は使えません\n");
  }

  s.tscPresent = plat::CpuCounterPresent();
  if (s.tscPresent) {
    uint64_t c0 = plat::CpuCounter();
    uint32_t t0 = plat::MillisecondClock();
    while (plat::MillisecondClock() - t0 < 100) plat::Sleep(1);
    uint64_t c1 = plat::CpuCounter();
    double diff = static_cast<double>(c1 - c0);
    s.cpuClockHz = diff * 10.0;
    int mhz = static_cast<int>(diff * 0.00001);
    LogPrintf("ＣＰＵ動作速度：大体%.2fGHz", mhz * 0.001);
  }

  s.directXVersion = 0x70000;
  if (s.directXVersion < 0x70000) {
    plat::MessageBox(s.directXVersion == 0 ? "DirectX がインストールされていないのでここで終了します"
                                           : "DirectX バージョン 7 以前なのでソフトを起動することが出来ません",
                     "エラー", plat::MB_OK);
    _Exit(-1);
  }
}
