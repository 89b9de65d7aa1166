// Full screen on a desktop larger than the picture, headless: the picture is scaled to fit with its
// aspect kept and centred, the mouse reads in the picture's pixels, and a repaint shows the frame
// last presented. The same start under a real X server is read back in the graphics tests.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/base/base_state.h"
#include "engine/base/log.h"
#include "engine/base/screen_log.h"
#include "engine/base/startup_window.h"
#include "engine/engine.h"
#include "engine/graphics/screen/screen.h"
#include "platform/clock.h"
#include "platform/present.h"
#include "platform/window.h"
#include "platform/window/headless/headless_window.h"
#include "test_folder.h"

namespace {

class FullScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.Enter();
    plat::WindowSelectBackend(plat::WindowBackend::Headless);
    plat::HeadlessReset();
    plat::SingleCopyLockSetDirectory(folder.path.c_str());
    plat::VirtualClockEnable();
    g_base = BaseState{};
    g_ScreenLog = ScreenLogState{{}, 0, 0, 16, 4, -1, 1};
    g_base.settings.windowMode = 0;
    g_LogOffFlag = 1;
    SetScreenModeKeepLocked(640, 480, 32, -1);   // recorded for the start, whatever ran before
  }
  void TearDown() override {
    if (g_base.win.mainWindow || g_base.win.messageThread) LibraryTerminateLocked();
    plat::VirtualClockDisable();
    plat::SingleCopyLockSetDirectory(nullptr);
    folder.Leave();
  }
  // The frame last shown, and the colour of its pixel (x, y) with the alpha byte dropped.
  static plat::PresentedFrame LastFrame() {
    plat::PresentedFrame f{};
    EXPECT_TRUE(plat::PresenterLastFrame(&f));
    return f;
  }
  static uint32_t FramePixel(const plat::PresentedFrame& f, int x, int y) {
    EXPECT_EQ(f.format.bitCount, 32u);
    if (f.format.bitCount != 32 || x >= f.width || y >= f.height) return 0xFFFFFFFF;
    uint32_t v = 0;
    std::memcpy(&v, f.pixels + y * f.pitch + x * 4, 4);
    return v & 0xFFFFFF;
  }
  static void FillBack(uint32_t colour) {
    ASSERT_EQ(SetDrawTargetLocked(-2), 0);
    ASSERT_EQ(DrawBoxShapeLocked(0, 0, 640, 480, colour, 1), 0);
  }
  TestFolder folder;
};

TEST_F(FullScreen, PictureFitsTheDesktopWithItsAspectKept) {
  struct Desk { int w, h; RectI want; };
  const Desk desks[] = {
      {1600, 1200, {0, 0, 1600, 1200}},      // same aspect: fills it, 2.5 times
      {1920, 1080, {240, 0, 1680, 1080}},    // wider: bars left and right
      {1024, 1280, {0, 256, 1024, 1024}},    // taller: bars above and below
      {640, 480, {0, 0, 640, 480}},
  };
  for (const Desk& d : desks) {
    SCOPED_TRACE(d.w);
    plat::HeadlessSetDesktop(d.w, d.h, 32);
    ASSERT_EQ(LibraryInitializeLocked(), 0);
    ASSERT_TRUE(plat::WindowIsFullScreen(g_base.win.mainWindow));
    plat::HeadlessSetCursorPos(d.w / 2, d.h - 1);   // away from the top strip: the flip path
    ProcessMessageLocked();
    FillBack(GetScreenColorLocked(0, 0, 255));
    ASSERT_EQ(PresentScreenLocked(), 0);
    plat::PresentedFrame f = LastFrame();
    EXPECT_EQ(f.width, 640);
    EXPECT_EQ(f.height, 480);
    EXPECT_EQ(f.x, d.want.left);
    EXPECT_EQ(f.y, d.want.top);
    EXPECT_EQ(f.outWidth, d.want.right - d.want.left);
    EXPECT_EQ(f.outHeight, d.want.bottom - d.want.top);
    EXPECT_EQ(LibraryTerminateLocked(), 0);
    g_base = BaseState{};
    g_base.settings.windowMode = 0;
    SetScreenModeKeepLocked(640, 480, 32, -1);
  }
}

TEST_F(FullScreen, MouseReadsInThePicturesPixelsAndDrivesTheTopStrip) {
  plat::HeadlessSetDesktop(1920, 1080, 32);
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  // The picture lies at x 240 .. 1680, 2.25 desktop pixels per picture pixel.
  struct Probe { int dx, dy, x, y; };
  const Probe probes[] = {{960, 540, 320, 240}, {240, 0, 0, 0}, {1679, 1079, 639, 479}, {1680, 540, 640, 240}};
  for (const Probe& p : probes) {
    plat::HeadlessSetCursorPos(p.dx, p.dy);
    int x = -1, y = -1;
    EXPECT_EQ(GetMousePositionLocked(&x, &y), 0);
    EXPECT_EQ(x, p.x) << p.dx << "," << p.dy;
    EXPECT_EQ(y, p.y) << p.dx << "," << p.dy;
  }
  // Desktop row 100 is picture row 44: inside the top 60 rows.
  plat::HeadlessSetCursorPos(960, 100);
  ProcessMessageLocked();
  EXPECT_EQ(GetMenuPresentMode(), 1);
  plat::HeadlessSetCursorPos(960, 200);   // picture row 88
  ProcessMessageLocked();
  EXPECT_EQ(GetMenuPresentMode(), 0);

  // Back in a window at scale 2 the client area maps as before.
  g_base.settings.windowScale = 2.0;
  plat::Sleep(2100);
  ASSERT_EQ(ChangeWindowModeLocked(1), 0);
  ASSERT_FALSE(plat::WindowIsFullScreen(g_base.win.mainWindow));
  plat::WindowRect c;
  ASSERT_TRUE(plat::WindowGetClientRect(g_base.win.mainWindow, &c));
  EXPECT_EQ(c.right - c.left, 1280);
  EXPECT_EQ(c.bottom - c.top, 960);
  plat::HeadlessSetCursorPos(c.left + 641, c.top + 481);
  int x = -1, y = -1;
  GetMousePositionLocked(&x, &y);
  EXPECT_EQ(x, 320);
  EXPECT_EQ(y, 240);
}

TEST_F(FullScreen, RepaintShowsTheFrameLastPresented) {
  plat::HeadlessSetDesktop(1600, 1200, 32);
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  plat::HeadlessSetCursorPos(800, 1000);
  ProcessMessageLocked();
  ASSERT_EQ(GetMenuPresentMode(), 0);
  const uint32_t red = GetScreenColorLocked(255, 0, 0), green = GetScreenColorLocked(0, 255, 0);
  FillBack(red);
  ASSERT_EQ(PresentScreenLocked(), 0);
  FillBack(green);
  ASSERT_EQ(PresentScreenLocked(), 0);
  EXPECT_EQ(FramePixel(LastFrame(), 10, 10), 0x00FF00u);
  // The next frame is half drawn when the window asks to be repainted.
  FillBack(GetScreenColorLocked(0, 0, 255));
  const uint64_t shown = plat::PresenterFrameCount();
  plat::PostWindowMessage(g_base.win.mainWindow, plat::WM_PAINT, 0, 0);
  ProcessMessageLocked();
  ASSERT_GT(plat::PresenterFrameCount(), shown);
  plat::PresentedFrame f = LastFrame();
  EXPECT_EQ(FramePixel(f, 10, 10), 0x00FF00u);
  EXPECT_EQ(FramePixel(f, 639, 479), 0x00FF00u);
  EXPECT_EQ(f.outWidth, 1600);
}

}  // namespace
