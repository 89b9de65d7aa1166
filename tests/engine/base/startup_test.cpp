#include <gtest/gtest.h>

#include <atomic>
#include <unistd.h>
#include <string>
#include <thread>

#include "engine/base/base_state.h"
#include "engine/base/lock.h"
#include "engine/base/log.h"
#include "engine/base/screen_log.h"
#include "engine/base/startup_window.h"
#include "engine/engine.h"
#include "engine/graphics/font/font.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/graph_load.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/screen/screen.h"
#include "engine/softrender/image_blit.h"
#include "platform/clock.h"
#include "platform/present.h"
#include "platform/sync.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window.h"
#include "platform/window/headless/headless_window.h"
#include "test_folder.h"

namespace {

plat::WindowId MainWindow() { return g_base.win.mainWindow; }

// A headless engine on the virtual clock, started from this thread, logging into a fresh folder.
class EngineStart : public ::testing::Test {
protected:
  void SetUp() override {
    folder.Enter();
    plat::WindowSelectBackend(plat::WindowBackend::Headless);
    plat::HeadlessReset();
    plat::SingleCopyLockSetDirectory(folder.path.c_str());
    plat::VirtualClockEnable();
    Reset();
    g_LogOffFlag = 0;
  }
  void TearDown() override {
    if (MainWindow() || g_base.win.messageThread) LibraryTerminateLocked();
    plat::VirtualClockDisable();
    plat::SingleCopyLockSetDirectory(nullptr);
    folder.Leave();
  }
  static void Reset() {
    g_base = BaseState{};
    g_ScreenLog = ScreenLogState{{}, 0, 0, 16, 4, -1, 1};
    g_base.settings.windowMode = 1;
  }
  std::string Log() const { return folder.Read("Log.txt"); }
  TestFolder folder;
};

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

TEST_F(EngineStart, StartsAndStopsInOrderWithItsLogLines) {
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  EXPECT_EQ(g_base.startup.initialised, 1);
  EXPECT_EQ(g_base.startup.initialising, 0);
  ASSERT_NE(MainWindow(), 0u);
  EXPECT_EQ(GetMainWindowHwndLocked(), reinterpret_cast<void*>(MainWindow()));
  EXPECT_NE(g_base.win.messageThread, nullptr);
  EXPECT_EQ(ProcessMessageLocked(), 0);
  EXPECT_EQ(LibraryTerminateLocked(), 0);
  EXPECT_EQ(g_base.win.mainWindow, 0u);
  EXPECT_EQ(AtomicGet(g_base.win.messageThreadEnded), 1);
  EXPECT_EQ(g_base.win.messageThread, nullptr);
  EXPECT_EQ(LibraryLockIsCreated(), 0);

  std::string log = Log();
  const char* order[] = {
      "システムの情報を出力します", "VIduzav Ver2.22f", "ＣＯＭの初期化... 成功しました",
      "メモリ総量:", "タイマーの精度を検査します", "精度結果 更新回数",
      "ソフトの二重起動検査... 二重起動はされていませんでした",
      "ウインドウクラスを登録します... 登録に成功しました", "ウインドウモード起動用のウインドウを作成します",
      "ＩＭＥを無効にしました", "ウインドウを閉じようとしています", "ウインドウが破棄されようとしています",
      "ソフトを終了する準備が整いました", "ＣＯＭを終了... 完了",
  };
  size_t at = 0;
  for (const char* line : order) {
    size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << plat::Cp932ToUtf8(line);
    at = found;
  }
  // The window class and the single-copy lock are given back: a second start works.
  Reset();
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  EXPECT_EQ(LibraryTerminateLocked(), 0);
}

// Without a 3-D device the screen runs with display surfaces and every graph is drawn by software.
TEST_F(EngineStart, GraphicsStartBringsUpTheScreenAndTheManagerAndShutDownEndsThem) {
  plat::PresenterReset();
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  const ScreenState& st = g_ScreenState;
  EXPECT_NE(st.device, nullptr);
  EXPECT_EQ(st.tablesReady, 1);
  EXPECT_EQ(st.softwareScreen, 0);
  EXPECT_EQ(st.width, 640);
  EXPECT_EQ(st.actualBitDepth, 32);   // a window runs at the desktop's depth
  EXPECT_EQ(GraphicsManagerIsUp(), 1);
  EXPECT_EQ(g_DrawState.drawScreen, -4);   // start-up's last settling draw goes to the front screen
  // The settling graphs are gone; the texture caches of the default font and of the on-screen
  // log's font, made at start-up, are the only graphs left.
  const FontRecord* defaultFont = GetFontRecord(GetDefaultFontHandle());
  const FontRecord* logFont = GetFontRecord(g_ScreenLog.font);
  ASSERT_NE(defaultFont, nullptr);
  ASSERT_NE(logFont, nullptr);
  EXPECT_EQ(g_ScreenLog.setUp, 1);
  EXPECT_EQ(IsScreenLogEnabled(), 0);
  EXPECT_EQ(GetGraphCount(),
            (GetGraphRecord(defaultFont->cacheGraph) ? 1 : 0) + (GetGraphRecord(logFont->cacheGraph) ? 1 : 0));
  // The real back end offers the 3-D device, as an ordinary machine would: graphs become textures.
  EXPECT_EQ(Direct3DInUse(), 1);
  EXPECT_EQ(IsTextureDrawAvailable(), 1);
  // The processor check at start reaches the software blits' choice of packed-byte forms.
  EXPECT_EQ(GetMmxUseFlag(), plat::CpuIdAvailable() && plat::CpuHasMmx() ? 1 : 0);
  EXPECT_EQ(st.mmxFlag, GetMmxUseFlag());
  EXPECT_EQ(g_SoftBlitMmxFlag, GetMmxUseFlag());

  const int g = CreateBlankGraphLocked(16, 16);
  ASSERT_GT(g, 0);
  EXPECT_EQ(GetGraphRecord(g)->create.texture, 1);
  EXPECT_EQ(SetDrawTargetLocked(-2), 0);
  EXPECT_EQ(ClearDrawTargetLocked(), 0);
  const uint64_t frames = plat::PresenterFrameCount();
  EXPECT_EQ(PresentScreenLocked(), 0);
  EXPECT_EQ(plat::PresenterFrameCount(), frames + 1);
  plat::PresentedFrame f;
  ASSERT_TRUE(plat::PresenterLastFrame(&f));
  EXPECT_EQ(f.outWidth, 640);
  EXPECT_EQ(f.outHeight, 480);

  EXPECT_EQ(LibraryTerminateLocked(), 0);
  EXPECT_EQ(st.device, nullptr);
  EXPECT_EQ(st.tablesReady, 0);
  EXPECT_EQ(GraphicsManagerIsUp(), 0);
  EXPECT_EQ(GetGraphRecord(g), nullptr);
  EXPECT_EQ(g_ScreenLog.font, -1);

  std::string log = Log();
  const char* order[] = {
      "DirectDraw 関連の初期化を行います", "画面モード変更処理を開始します", "Direct3D 関連の初期化は正常に終了しました",
      "３Ｄグラフィック描画機能を使用します", "グラフィック管理系の初期化は正常に終了しました",
      "DirectDraw 関連の初期化は正常に終了しました", "DirectDraw 関連の終了処理をおこないます",
      "グラフィック管理系の終了処理は正常に終了しました", "DirectDraw 関連の終了処理は正常に終了しました",
      "ウインドウが破棄されようとしています",
  };
  size_t at = 0;
  for (const char* line : order) {
    size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << plat::Cp932ToUtf8(line);
    at = found;
  }
}

TEST_F(EngineStart, CaptionDefaultsAndWindowFacts) {
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  EXPECT_STREQ(g_base.settings.caption, "DaRov");
  EXPECT_EQ(SetMainWindowCaptionLocked("動作確認版"), 0);
  EXPECT_STREQ(g_base.settings.caption, "動作確認版");
  plat::WindowRect c;
  ASSERT_TRUE(plat::WindowGetClientRect(MainWindow(), &c));
  EXPECT_EQ(c.right - c.left, 640);
  EXPECT_EQ(c.bottom - c.top, 480);
  EXPECT_EQ(c.left, g_base.win.clientRect.left);
  int w, h, bits;
  GetDesktopMetrics(&w, &h, &bits);
  EXPECT_EQ(w, 1920);
  EXPECT_EQ(bits, 32);
  std::string longCaption(300, 'x');
  SetMainWindowCaption(longCaption.c_str());
  EXPECT_EQ(strlen(g_base.settings.caption), 255u);
}

TEST_F(EngineStart, TwentyFourBitDesktopIsRefusedInWindowModeOnly) {
  plat::HeadlessSetDesktop(1920, 1080, 24);
  EXPECT_EQ(LibraryInitializeLocked(), -1);
  EXPECT_TRUE(Has(Log(), "VIduzavは２４ビットカラーモードに対応していません\r\n"));
  EXPECT_EQ(MainWindow(), 0u);
  EXPECT_EQ(g_base.startup.initialising, 0);
  EXPECT_EQ(LibraryTerminateLocked(), 0);   // harmless after a refused start

  g_base.settings.windowMode = 0;
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  EXPECT_TRUE(plat::WindowIsFullScreen(MainWindow()));
  EXPECT_TRUE(Has(Log(), "フルスクリーンモード用のウインドウを作成します"));
  EXPECT_TRUE(Has(Log(), "カーソルを不可視にしました"));
}

TEST_F(EngineStart, SecondCopyIsRefused) {
  int other = plat::SingleCopyLockTake("D123987X");
  ASSERT_GE(other, 0);
  char why[256] = "";
  EXPECT_EQ(ClaimSingleCopyLocked(why, sizeof why), 1);   // known before a start is tried
  EXPECT_EQ(std::string(why), "another copy holds " + folder.path + "/D123987X.lock");
  EXPECT_EQ(LibraryInitializeLocked(), -1);
  EXPECT_TRUE(Has(Log(), "二重起動されています、ソフトを終了します\r\n"));
  // Nothing was registered.
  EXPECT_FALSE(plat::WindowClassUnregister("D123987X"));
  EXPECT_EQ(MainWindow(), 0u);
  plat::SingleCopyLockRelease(other);

  // A claim holds the mark from then on; the start takes it as its own, the end gives it back.
  ASSERT_EQ(ClaimSingleCopyLocked(why, sizeof why), 0);
  EXPECT_EQ(plat::SingleCopyLockTake("D123987X"), plat::kSingleCopyHeld);
  Reset();
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  LibraryTerminateLocked();

  Reset();
  g_base.settings.doubleStartAllowed = 1;
  ASSERT_GE(other = plat::SingleCopyLockTake("D123987X"), 0);
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  EXPECT_TRUE(Has(Log(), "二重起動されていますが続行します"));
  EXPECT_EQ(SetWindowScaleRateLocked(1e9), -1);   // no window that size: refused
  LibraryTerminateLocked();
  plat::SingleCopyLockRelease(other);
}

TEST_F(EngineStart, QuitIsReportedForEverAfter) {
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  EXPECT_EQ(ProcessMessageLocked(), 0);
  plat::PostQuitMessage(0);
  EXPECT_EQ(ProcessMessageLocked(), -1);
  EXPECT_EQ(ProcessMessageLocked(), -1);
  EXPECT_EQ(WaitMillisecondsPumpingEntry(50), 0);
  EXPECT_EQ(ProcessMessageLocked(), -1);
}

TEST_F(EngineStart, ClosingTheWindowQuitsUnlessHeld) {
  g_base.settings.closeHeld = 1;
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  plat::HeadlessScriptClose(MainWindow());
  EXPECT_EQ(ProcessMessageLocked(), 0);
  EXPECT_TRUE(plat::WindowExists(MainWindow()));
  EXPECT_EQ(IsCloseRequested(), 1);
  g_base.settings.closeHeld = 0;
  plat::HeadlessScriptClose(MainWindow());
  EXPECT_EQ(ProcessMessageLocked(), -1);
  EXPECT_EQ(g_base.win.windowDestroyed, 1);
}

intptr_t g_dispatched = 0;
intptr_t CountingHook(plat::WindowId, uint32_t message, uintptr_t, intptr_t) {
  if (message == plat::WM_COMMAND) ++g_dispatched;
  return 0;
}

TEST_F(EngineStart, OneMainThreadCallDispatchesEverythingWaiting) {
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  g_base.settings.messageHook = CountingHook;
  g_dispatched = 0;
  for (int i = 0; i < 12; ++i) plat::PostWindowMessage(MainWindow(), plat::WM_COMMAND, 100 + i, 0);
  plat::PostWindowMessage(MainWindow(), plat::WM_COMMAND, 100, 0);   // chosen twice, listed once
  EXPECT_EQ(ProcessMessageLocked(), 0);
  EXPECT_EQ(g_dispatched, 13);
  EXPECT_EQ(g_base.win.selectedMenuCount, 12);
  g_base.settings.messageHook = nullptr;
}

TEST_F(EngineStart, AltEnterSwitchesOnceAndOnlyWhenAllowed) {
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  plat::HeadlessScriptKey(MainWindow(), plat::VK_RETURN, true);
  EXPECT_EQ(ProcessMessageLocked(), 0);
  EXPECT_EQ(ProcessMessageLocked(), 0);
  EXPECT_EQ(g_base.settings.windowMode, 1);

  g_base.settings.modeChangeAllowed = 1;
  plat::HeadlessScriptKey(MainWindow(), plat::VK_RETURN, true);
  EXPECT_EQ(ProcessMessageLocked(), 0);   // records the request
  EXPECT_EQ(g_base.win.modeChangeRequest, 1);
  plat::Sleep(2100);   // past the spacing the screen keeps between two mode changes
  uint32_t t0 = plat::MillisecondClock();
  EXPECT_EQ(ProcessMessageLocked(), 0);   // carries it out
  EXPECT_EQ(g_base.settings.windowMode, 0);
  EXPECT_TRUE(plat::WindowIsFullScreen(MainWindow()));
  // The display change arrived, so the wait did not run into its bound.
  EXPECT_EQ(g_base.win.displayChangeSeen, 1);
  EXPECT_LT(plat::MillisecondClock() - t0, 2000u);
  EXPECT_EQ(ProcessMessageLocked(), 0);
  EXPECT_EQ(g_base.settings.windowMode, 0);

  EXPECT_EQ(ChangeWindowModeLocked(1), 0);
  EXPECT_FALSE(plat::WindowIsFullScreen(MainWindow()));
  plat::WindowRect c;
  plat::WindowGetClientRect(MainWindow(), &c);
  EXPECT_EQ(c.right - c.left, 640);
}

TEST_F(EngineStart, ScaleRateSizesTheClientArea) {
  EXPECT_EQ(SetWindowScaleRateLocked(2.0), 0);
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  plat::WindowRect c;
  plat::WindowGetClientRect(MainWindow(), &c);
  EXPECT_EQ(c.right - c.left, 1280);
  EXPECT_EQ(c.bottom - c.top, 960);
  EXPECT_DOUBLE_EQ(GetWindowScaleRate(), 2.0);

  // The cursor is read in picture coordinates.
  plat::HeadlessSetCursorPos(g_base.win.clientRect.left + 100, g_base.win.clientRect.top + 40);
  int x = -1, y = -1;
  EXPECT_EQ(GetMousePositionLocked(&x, &y), 0);
  EXPECT_EQ(x, 50);
  EXPECT_EQ(y, 20);

  SetWindowScaleRateLocked(0.0);
  EXPECT_DOUBLE_EQ(GetWindowScaleRate(), 1.0);
  plat::WindowGetClientRect(MainWindow(), &c);
  EXPECT_EQ(c.right - c.left, 640);
  SetWindowScaleRateLocked(-2.0);
  EXPECT_DOUBLE_EQ(g_base.settings.windowScale, 1.0);

  // In full screen the scale is kept but nothing is re-styled.
  g_base.settings.windowMode = 0;
  SetWindowScaleRateLocked(3.0);
  EXPECT_DOUBLE_EQ(g_base.settings.windowScale, 3.0);
  EXPECT_DOUBLE_EQ(GetWindowScaleRate(), 1.0);
  plat::WindowGetClientRect(MainWindow(), &c);
  EXPECT_EQ(c.right - c.left, 640);
  g_base.settings.windowMode = 1;
}

TEST_F(EngineStart, ShutdownEndsAMessageThreadWaitingForTheLock) {
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  LibraryLock();
  // Let the message thread wake from its sleep and queue for the lock behind us.
  for (int i = 0; i < 50; ++i) plat::Sleep(1);
  LibraryTerminate();
  EXPECT_EQ(AtomicGet(g_base.win.messageThreadEnded), 1);
  EXPECT_EQ(g_base.win.messageThread, nullptr);
  LibraryLockView v;
  LibraryLockGetView(&v);
  EXPECT_EQ(v.waiters, 0);
  LibraryUnlock();
}

TEST_F(EngineStart, InactiveWindowFreezesTheMainThreadOnly) {
  std::atomic<int> stage{0};
  std::atomic<int> result{99};
  plat::WindowId window = 0;
  // SDL keeps per-thread allocations of a sound device opened off the process's first thread.
  g_base.startup.noSound = 1;
  // The thread that starts the engine is its main thread and drives the virtual clock.
  std::thread game([&] {
    plat::VirtualClockSetDriver();
    if (LibraryInitializeLocked() != 0) { stage = -1; return; }
    window = MainWindow();
    plat::HeadlessScriptActivate(window, false);
    stage = 1;
    result = ProcessMessageLocked();
    stage = 2;
    while (stage != 3) usleep(1 * 1000);
    LibraryTerminateLocked();
    stage = 4;
  });
  while (stage == 0) usleep(1 * 1000);
  ASSERT_EQ(stage.load(), 1);
  for (int i = 0; i < 5000 && !g_base.win.inactive; ++i) usleep(1000);
  usleep(200 * 1000);
  EXPECT_EQ(stage.load(), 1) << "the main thread returned while the window was inactive";
  EXPECT_EQ(g_base.win.inactive, 1);
  EXPECT_EQ(AtomicGet(g_base.win.messageThreadEnded), 0);
  plat::HeadlessScriptActivate(window, true);
  while (stage == 1) usleep(1 * 1000);
  EXPECT_EQ(result.load(), 0);
  EXPECT_EQ(g_base.win.active, 1);
  EXPECT_EQ(g_base.win.inactive, 0);
  stage = 3;
  game.join();
  EXPECT_EQ(stage.load(), 4);
  plat::VirtualClockSetDriver();
}

TEST_F(EngineStart, PumpingWaitPumpsAndReturnsZero) {
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  plat::PostWindowMessage(MainWindow(), plat::WM_COMMAND, 7, 0);
  EXPECT_EQ(WaitMillisecondsPumpingEntry(0), 0);
  EXPECT_EQ(g_base.win.selectedMenuCount, 1);
  uint32_t t0 = plat::MillisecondClock();
  EXPECT_EQ(WaitMillisecondsPumpingEntry(30), 0);
  EXPECT_GE(plat::MillisecondClock() - t0, 30u);
}

using EngineStartDeathTest = EngineStart;

TEST_F(EngineStartDeathTest, ErrorExitEndsTheProcessAfterShutdown) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        if (LibraryInitializeLocked() != 0) _Exit(3);
        ErrorExitF("fatal %d", 7);
      },
      ::testing::ExitedWithCode(255), "");
}

plat::Event* g_go = nullptr;
void FatalOnMessageThread(void*) {
  plat::EventWait(g_go, plat::kWaitForever);
  LibraryLock();
  ErrorExit("fatal on the message thread");
}

TEST_F(EngineStartDeathTest, ErrorExitOnTheMessageThreadDoesNotWaitForItself) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        if (LibraryInitializeLocked() != 0) _Exit(3);
        // This thread takes the message thread's place in the engine's records.
        g_go = plat::EventCreate(true, false);
        plat::Thread* t = plat::ThreadStart(FatalOnMessageThread, nullptr);
        LibraryLock();
        g_base.win.messageThread = t;
        g_base.win.messageThreadId = plat::ThreadGetId(t);
        LibraryUnlock();
        plat::EventSet(g_go);
        for (;;) plat::Sleep(10);
      },
      ::testing::ExitedWithCode(255), "");
}

}  // namespace
