#include <gtest/gtest.h>
#include <SDL2/SDL.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "engine/base/base_state.h"
#include "engine/base/startup_window.h"
#include "engine/base/text_input.h"
#include "engine/engine.h"
#include "engine/graphics/graphics_hooks.h"
#include "platform/present.h"
#include "platform/window.h"
#include "test_folder.h"

#include <X11/Xutil.h>

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

// Whether a box is on show tied to a window (transient for it), showing its words: its ground and
// buttons are dark, its words light.
bool TiedBoxShowsWords(Display* d) {
  Window root = 0, parent = 0, *kids = nullptr, tie = 0;
  unsigned n = 0;
  int light = 0;
  XWindowAttributes a{};
  XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n);
  for (unsigned i = 0; i < n; ++i) {
    if (!XGetWindowAttributes(d, kids[i], &a) || a.map_state != IsViewable || !XGetTransientForHint(d, kids[i], &tie))
      continue;
    XImage* im = XGetImage(d, kids[i], 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    for (int p = 0; im && p < a.width * a.height; ++p) light += (XGetPixel(im, p % a.width, p / a.width) & 0xC0C0C0) == 0xC0C0C0;
    if (im) XDestroyImage(im);
  }
  if (kids) XFree(kids);
  return light > 50;
}

// A copy asks the quit question in a locale whose characters are not UTF-8, and is killed as a
// desktop's "end process" does once its box stands tied to its window, showing its words.
[[noreturn]] void KillACopyWhileItAsks() {
  setenv("LC_ALL", "C", 1);
  plat::SingleCopyLockSetDirectory(getenv("VLX_TEST_LOCK_DIR"));
  g_base = BaseState{};
  g_base.settings.windowMode = 1;
  g_base.startup.noGraphics = g_base.startup.noSound = 1;
  if (LibraryInitializeLocked() != 0) _exit(3);
  std::thread([d = XOpenDisplay(nullptr)] {
    for (int t = 0; t < 100; ++t, usleep(100000))
      if (TiedBoxShowsWords(d)) kill(getpid(), SIGKILL);
    _exit(4);
  }).detach();
  plat::MessageBox("終了しますか？", "vlx box", plat::MB_YESNO);
  _exit(5);   // nobody answers it
}

// A box that outlived its copy would keep gtest's pipe open and this test waiting: the run's time
// limit fails it then. Once the copy is gone, the next one may run.
TEST_F(SdlWindow, AKilledCopyTakesItsBoxAlongAndTheNextCopyMayRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  setenv("VLX_TEST_LOCK_DIR", folder.path.c_str(), 1);
  EXPECT_EXIT(KillACopyWhileItAsks(), ::testing::KilledBySignal(SIGKILL), "");
  unsetenv("VLX_TEST_LOCK_DIR");
  const int token = plat::SingleCopyLockTake("D123987X");
  EXPECT_GE(token, 0);
  plat::SingleCopyLockRelease(token);
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
