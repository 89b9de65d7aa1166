// A known pattern drawn into the back screen, presented into a real main window (the platform's
// SDL window, reached as the screen reaches it) and read back from the X server, at 1x and 2x, in
// 16 and 32 bits. Skips when no display can be opened; the test script runs it under xvfb-run.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

#include "engine/graphics/screen/real_window_fixture.h"
#include "engine/graphics/screen/screen.h"
#include "engine/graphics/screen/screen_fixture.h"
#include "platform/window.h"

namespace {

struct Rgb { int r, g, b; };

class XvfbPresent : public ::testing::TestWithParam<std::tuple<int, int>> {
 protected:
  RealWindowForTest real;
  void SetUp() override {
    if (!real.Start("XvfbPresent")) GTEST_SKIP() << "no display";
  }
  void TearDown() override {
    plat::PresenterSetWindow(nullptr);
    StopScreenForTest();
    real.Stop();
  }
};

Rgb ReadWindowPixel(SDL_Window* w, int x, int y) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11) return {-1, -1, -1};
  Display* d = info.info.x11.display;
  XSync(d, False);
  XImage* img = XGetImage(d, info.info.x11.window, x, y, 1, 1, AllPlanes, ZPixmap);
  if (!img) return {-1, -1, -1};
  unsigned long p = XGetPixel(img, 0, 0);
  Rgb out{static_cast<int>((p & img->red_mask) >> 16), static_cast<int>((p & img->green_mask) >> 8),
          static_cast<int>(p & img->blue_mask)};
  XDestroyImage(img);
  return out;
}

TEST_P(XvfbPresent, PatternReadBackFromTheWindow) {
  const int bits = std::get<0>(GetParam());
  const int scale = std::get<1>(GetParam());
  const int w = 64, h = 48;
  SDL_Window* window = real.Open("present", w * scale, h * scale);
  ASSERT_NE(window, nullptr);
  const plat::WindowId id = real.id;
  ScreenSetup s;
  s.width = w;
  s.height = h;
  s.bits = bits;
  s.fullScreen = 0;
  s.software = 1;
  s.scale = scale;
  s.desktopBits = bits;   // a window runs at the desktop's depth
  ASSERT_EQ(StartScreenForTest(s), 0);
  ASSERT_EQ(g_ScreenState.actualBitDepth, bits);
  SetMainClientForTest(RectI{0, 0, w * scale, h * scale}, id);
  ASSERT_EQ(GetMainWindowNativeHandle(), window);

  // Quadrants red, green, blue and white.
  const uint32_t c16[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  const uint32_t c32[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  MemImg* back = &g_ScreenState.backImage;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int q = (x >= w / 2 ? 1 : 0) + (y >= h / 2 ? 2 : 0);
      uint32_t v = bits == 16 ? c16[q] : c32[q];
      std::memcpy(back->pixels + y * back->pitch + x * MemImgPixelBytes(back), &v, MemImgPixelBytes(back));
    }
  for (int i = 0; i < 3; ++i) {
    SDL_PumpEvents();
    ASSERT_EQ(PresentScreen(), 0);
    SDL_Delay(30);
  }
  // The renderer widens 5- and 6-bit channels its own way; 32-bit pixels arrive exact.
  const int tolerance = bits == 16 ? 1 : 0;
  const Rgb want[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  const int px[4] = {3, w - 4, 3, w - 4}, py[4] = {3, 3, h - 4, h - 4};
  for (int q = 0; q < 4; ++q) {
    for (int dy = 0; dy < scale; ++dy)
      for (int dx = 0; dx < scale; ++dx) {
        Rgb got = ReadWindowPixel(window, px[q] * scale + dx, py[q] * scale + dy);
        EXPECT_NEAR(got.r, want[q].r, tolerance) << "quadrant " << q;
        EXPECT_NEAR(got.g, want[q].g, tolerance) << "quadrant " << q;
        EXPECT_NEAR(got.b, want[q].b, tolerance) << "quadrant " << q;
      }
  }
  // The seam between left and right lands on the scaled pixel boundary.
  Rgb left = ReadWindowPixel(window, (w / 2) * scale - 1, 3 * scale);
  Rgb right = ReadWindowPixel(window, (w / 2) * scale, 3 * scale);
  EXPECT_NEAR(left.r, 255, tolerance);
  EXPECT_NEAR(left.g, 0, tolerance);
  EXPECT_NEAR(right.g, 255, tolerance);
  EXPECT_NEAR(right.r, 0, tolerance);
}

INSTANTIATE_TEST_SUITE_P(DepthAndScale, XvfbPresent,
                         ::testing::Combine(::testing::Values(16, 32), ::testing::Values(1, 2)));

}  // namespace
