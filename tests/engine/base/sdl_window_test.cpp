#include <gtest/gtest.h>
#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>

#include "engine/base/base_state.h"
#include "engine/base/startup_window.h"
#include "engine/engine.h"
#include "platform/window.h"
#include "test_folder.h"

namespace {

bool DisplayAvailable() {
  const char* headless = getenv("VLX_HEADLESS");
  if (headless && strcmp(headless, "1") == 0) return false;
  const char* x = getenv("DISPLAY");
  const char* wl = getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wl && *wl);
}

// The real window. CI runs this under xvfb-run (see tests/CMakeLists.txt), which sets
// VLX_REQUIRE_DISPLAY so that a missing server fails instead of skipping.
class SdlWindow : public ::testing::Test {
protected:
  void SetUp() override {
    if (!DisplayAvailable()) {
      if (getenv("VLX_REQUIRE_DISPLAY")) FAIL() << "no display under the X server wrapper";
      GTEST_SKIP() << "no display";
    }
    folder.Enter();
    plat::WindowSelectBackend(plat::WindowBackend::Sdl);
    plat::SingleCopyLockSetDirectory(folder.path.c_str());
  }
  void TearDown() override {
    if (!DisplayAvailable()) return;
    if (g_base.win.mainWindow) LibraryTerminateLocked();
    plat::SingleCopyLockSetDirectory(nullptr);
    plat::WindowSelectBackend(plat::WindowBackend::Auto);
    folder.Leave();
  }
  TestFolder folder;
};

TEST_F(SdlWindow, OpensAtScaleOneAndTwoTakesTheCaptionAndQuitsOnClose) {
  for (int scale = 1; scale <= 2; ++scale) {
    SCOPED_TRACE(scale);
    g_base = BaseState{};
    g_base.settings.windowMode = 1;
    g_base.startup.noGraphics = 1;   // the display back end is not built yet
    SetWindowScaleRateLocked(scale);
    ASSERT_EQ(LibraryInitializeLocked(), 0);
    EXPECT_FALSE(plat::WindowIsHeadless());
    auto* win = static_cast<SDL_Window*>(plat::WindowNativeHandle(g_base.win.mainWindow));
    ASSERT_NE(win, nullptr);
    int w = 0, h = 0;
    SDL_GetWindowSize(win, &w, &h);
    EXPECT_EQ(w, 640 * scale);
    EXPECT_EQ(h, 480 * scale);
    plat::WindowRect c;
    plat::WindowGetClientRect(g_base.win.mainWindow, &c);
    EXPECT_EQ(c.right - c.left, 640 * scale);
    EXPECT_EQ(c.bottom - c.top, 480 * scale);
    int bits = 0;
    GetDesktopMetrics(nullptr, nullptr, &bits);
    EXPECT_EQ(bits, 32);

    EXPECT_EQ(SetMainWindowCaptionLocked("動作確認版"), 0);
    EXPECT_STREQ(SDL_GetWindowTitle(win), reinterpret_cast<const char*>(u8"動作確認版"));

    // The close box, as the window manager reports it.
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    e.window.windowID = SDL_GetWindowID(win);
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    int result = 0;
    for (int i = 0; i < 200 && result == 0; ++i) result = ProcessMessageLocked();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(g_base.win.windowDestroyed, 1);
    EXPECT_EQ(LibraryTerminateLocked(), 0);
  }
}

}  // namespace
