#include <gtest/gtest.h>
#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>

#include "engine/base/base_state.h"
#include "engine/base/startup_window.h"
#include "engine/base/text_input.h"
#include "engine/engine.h"
#include "engine/graphics/graphics_hooks.h"
#include "platform/present.h"
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

    // The screen presents into this window.
    EXPECT_EQ(GetMainWindowNativeHandle(), win);
    EXPECT_EQ(SetDrawTargetLocked(-2), 0);
    EXPECT_EQ(PresentScreenLocked(), 0);
    EXPECT_FALSE(plat::PresenterIsHeadless());

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

void PushText(SDL_Window* win, const char8_t* utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  e.text.windowID = SDL_GetWindowID(win);
  snprintf(e.text.text, sizeof e.text.text, "%s", reinterpret_cast<const char*>(utf8));
  ASSERT_EQ(SDL_PushEvent(&e), 1);
}

void PushEditing(SDL_Window* win, const char8_t* utf8, int start) {
  SDL_Event e{};
  e.type = SDL_TEXTEDITING;
  e.edit.windowID = SDL_GetWindowID(win);
  snprintf(e.edit.text, sizeof e.edit.text, "%s", reinterpret_cast<const char*>(utf8));
  e.edit.start = start;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
}

void PushKey(SDL_Window* win, SDL_Keycode key) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.windowID = SDL_GetWindowID(win);
  e.key.state = SDL_PRESSED;
  e.key.keysym.sym = key;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
}

TEST_F(SdlWindow, TextTypedIntoTheWindowReachesAKeyInputField) {
  g_base = BaseState{};
  g_base.settings.windowMode = 1;
  g_base.startup.noGraphics = 1;
  g_base.startup.noSound = 1;
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  auto* win = static_cast<SDL_Window*>(plat::WindowNativeHandle(g_base.win.mainWindow));
  ASSERT_NE(win, nullptr);
  int h = MakeKeyInput(32, 1, 0, 0);
  ASSERT_EQ(SetActiveKeyInput(h), 0);

  PushText(win, u8"ab");
  PushKey(win, SDLK_LEFT);
  PushText(win, u8"亜");
  // A composition under way, then committed.
  PushEditing(win, u8"かん", 2);
  for (int i = 0; i < 5; ++i) ProcessMessageLocked();
  EXPECT_EQ(g_TextInput.compositionActive, 1);
  EXPECT_STREQ(g_TextInput.composition, "かん");
  EXPECT_EQ(g_TextInput.compositionCursor, 2);
  PushText(win, u8"漢");
  PushKey(win, SDLK_RETURN);
  for (int i = 0; i < 5 && CheckKeyInput(h) == 0; ++i) ProcessMessageLocked();
  EXPECT_EQ(g_TextInput.compositionActive, 0);
  EXPECT_EQ(CheckKeyInput(h), 1);
  char text[64];
  ASSERT_EQ(GetKeyInputString(text, h), 0);
  EXPECT_STREQ(text, "a亜漢b");
  EXPECT_EQ(LibraryTerminateLocked(), 0);
}

// No display at all: a box answers as its Escape key would and leaves one line of ours naming it.
TEST(SdlMessageBox, AnUnshownBoxAnswersAsEscapeAndSaysSoOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT((unsetenv("DISPLAY"), unsetenv("WAYLAND_DISPLAY"), plat::WindowSelectBackend(plat::WindowBackend::Sdl),
               exit(plat::MessageBox("垂直同期をとりますか？\n2", "c", plat::MB_YESNO))),
              ::testing::ExitedWithCode(plat::IDNO), reinterpret_cast<const char*>(
                  u8"^([^v\n][^\n]*\n)*velmarondix: message box \"垂直同期をとりますか？\\.\\.\\.\" could not be "
                  u8"shown \\([^\n]+\\); taken as Escape\n([^v\n][^\n]*\n)*$"));  // others' lines may come
}

}  // namespace
