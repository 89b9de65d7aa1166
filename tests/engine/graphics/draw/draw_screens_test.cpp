// The sprite scenes on the real screen by all three paths the platform can offer: the 3-D device,
// the software renderer on display surfaces (no 3-D device), and the software screen (no display
// object). Frames are read from the presenter, hashed and compared; the front screen captured into
// a graph and drawn back gives the same pixels; under a virtual X server the window's picture is
// saved as a test artefact.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "engine/base/temp_folder.h"
#include "engine/graphics/device3d/device3d.h"
#include "engine/graphics/draw/path_run.h"
#include "engine/graphics/draw/sprite_scene.h"
#include "engine/graphics/graph/graph_load.h"
#include "engine/graphics/screen/real_window_fixture.h"
#include "engine/graphics/screen/screen.h"
#include "engine/graphics/screen/screen_fixture.h"
#include "platform/present.h"
#include "platform/renderer.h"
#include "platform/window.h"

namespace {

Frame DrawThrough(Path p, Scene s) {
  PathRun run(p);
  run.Background();
  DrawScene(s, run.cell0, run.cell1);
  return run.Present();
}

TEST(DrawScreens, OneToOneCopiesAgreeOnEveryPath) {
  const Frame d = DrawThrough(kDevice, kAtPoint);
  EXPECT_EQ(Differing(d, DrawThrough(kSoftwareOnDisplay, kAtPoint), 0), 0);
  EXPECT_EQ(Differing(d, DrawThrough(kSoftwareScreen, kAtPoint), 0), 0);
  EXPECT_EQ(Differing(d, DrawThrough(kSoftwareScreen, kCopies), 0), 0);
  EXPECT_EQ(d[10 * kW + 10], SpriteRgb(0, 6, 6));
}

TEST(DrawScreens, SoftwarePathsAgreeAndTheDeviceStaysClose) {
  const Scene scenes[] = {kStretchedMirrored, kRotated, kFourCorners, kBlends, kTint};
  for (Scene s : scenes) {
    const Frame d = DrawThrough(kDevice, s), a = DrawThrough(kSoftwareOnDisplay, s), b = DrawThrough(kSoftwareScreen, s);
    EXPECT_EQ(Differing(a, b, 0), 0) << s;
    int drawn = 0;
    for (size_t i = 0; i < d.size(); ++i) drawn += d[i] != kBack || b[i] != kBack;
    EXPECT_LE(Differing(d, b, 16) * 1000, 50 * drawn) << s;
  }
}

TEST(DrawScreens, FramesArePinned) {
  struct Pin {
    Scene scene;
    uint64_t device, software;   // both software paths give the same frame
  };
  const Pin pins[] = {
      {kAtPoint, 0x59b369e1f5868db3ull, 0x59b369e1f5868db3ull},
      {kStretchedMirrored, 0x5451cdfd674b31e7ull, 0xffac65d5e495707full},
      {kRotated, 0x70cb9ce6c4d3a6b6ull, 0x8bb2d0d3c7eedf08ull},
      {kFourCorners, 0x640214dbc03fb4a1ull, 0x5ffd1c2a18e42f76ull},
      {kBlends, 0xaf3a07e85dda6a1bull, 0x18f104b73fb1d47full},
      {kTint, 0x47a0fac0fd165ed3ull, 0xa28bd8314469d3c3ull},
  };
  for (const Pin& p : pins) {
    EXPECT_EQ(HashFrame(DrawThrough(kDevice, p.scene)), p.device) << p.scene;
    EXPECT_EQ(HashFrame(DrawThrough(kSoftwareOnDisplay, p.scene)), p.software) << p.scene;
    EXPECT_EQ(HashFrame(DrawThrough(kSoftwareScreen, p.scene)), p.software) << p.scene;
  }
}

TEST(DrawScreens, FrontScreenCapturedAndDrawnBackGivesTheSamePixels) {
  // Without a display object the front screen is the window itself: the back screen is captured.
  for (Path p : {kDevice, kSoftwareOnDisplay, kSoftwareScreen}) {
    PathRun run(p);
    run.Background();
    DrawScene(kRotated, run.cell0, run.cell1);
    const Frame shown = run.Present();
    const int shot = CreateGraph(kW, kH, 1, 0, 0);
    ASSERT_GT(shot, 0);
    ASSERT_EQ(SetDrawTarget(p == kSoftwareScreen ? DRAW_SCREEN_BACK : DRAW_SCREEN_FRONT), 0);
    ASSERT_EQ(GetDrawScreenGraph(0, 0, kW, kH, shot, 1), 0) << p;
    ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_BACK), 0);
    DrawBoxShape(0, 0, kW, kH, GetScreenColor(255, 0, 255), 1);
    ASSERT_EQ(DrawGraphAtPoint(0, 0, shot, 0), 0);
    EXPECT_EQ(Differing(run.Present(), shown, 0), 0) << p;
  }
}

TEST(DrawScreens, CapturedTransparentColourStaysTransparentOnEveryPath) {
  // A default blank graph (no alpha channel asked for) takes a capture of the transparent colour
  // beside a plain one; drawn back with the transparent flag only the plain colour shows.
  for (Path p : {kDevice, kSoftwareOnDisplay, kSoftwareScreen}) {
    PathRun run(p);
    ASSERT_EQ(SetTransparentColor(255, 0, 255), 0);
    const int shot = CreateBlankGraph(32, 16);
    ASSERT_GT(shot, 0);
    EXPECT_EQ(GetGraphRecord(shot)->create.texture != 0, p == kDevice);
    DrawBoxShape(0, 0, 16, 16, GetScreenColor(255, 0, 255), 1);
    DrawBoxShape(16, 0, 32, 16, GetScreenColor(200, 20, 10), 1);
    ASSERT_EQ(GetDrawScreenGraph(0, 0, 32, 16, shot, 1), 0) << p;
    if (p == kDevice) {
      EXPECT_EQ(g_Direct3D.captureMethod[1], 0);   // through the work surface, the first method tried
    }
    DrawBoxShape(0, 0, kW, kH, GetScreenColor(0, 0, 255), 1);
    ASSERT_EQ(DrawGraphAtPoint(40, 20, shot, 1), 0);
    const Frame f = run.Present();
    EXPECT_EQ(f[28 * kW + 44], 0x0000FFu) << "keyed pixel, path " << p;
    EXPECT_EQ(f[28 * kW + 62], 0xC8140Au) << "plain pixel, path " << p;
    SetTransparentColor(0, 0, 0);
  }
}

TEST(DrawScreens, WithoutADisplayTheFrontScreenHoldsWhatTheWindowShows) {
  PathRun run(kSoftwareScreen);
  const int shot = CreateGraph(kW, kH, 1, 0, 0);
  ASSERT_GT(shot, 0);
  // Before any present the window has shown nothing: the front screen is black.
  ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_FRONT), 0);
  ASSERT_EQ(GetDrawScreenGraph(0, 0, kW, kH, shot, 1), 0);
  ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_BACK), 0);
  DrawBoxShape(0, 0, kW, kH, GetScreenColor(255, 0, 255), 1);
  ASSERT_EQ(DrawGraphAtPoint(0, 0, shot, 0), 0);
  const Frame black = run.Present();
  for (uint32_t v : black) ASSERT_EQ(v, 0u);
  // After a present the front screen is the frame shown, even once the back screen moves on.
  run.Background();
  DrawScene(kRotated, run.cell0, run.cell1);
  const Frame shown = run.Present();
  DrawBoxShape(0, 0, kW, kH, GetScreenColor(0, 255, 0), 1);
  ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_FRONT), 0);
  ASSERT_EQ(GetDrawScreenGraph(0, 0, kW, kH, shot, 1), 0);
  ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_BACK), 0);
  ASSERT_EQ(DrawGraphAtPoint(0, 0, shot, 0), 0);
  EXPECT_EQ(Differing(run.Present(), shown, 0), 0);
}

// Under a virtual X server: the scene shown in a real window, read back and saved as an artefact.
class DrawScreensXvfbPresent : public ::testing::Test {
 protected:
  RealWindowForTest real;
  void SetUp() override {
    if (!real.Start("DrawScreensXvfb")) GTEST_SKIP() << "no display";
  }
  void TearDown() override {
    plat::PresenterSetWindow(nullptr);
    real.Stop();
  }
};

TEST_F(DrawScreensXvfbPresent, WindowShowsTheFrame) {
  const std::string artefact =
      std::string(std::getenv("VLX_TEST_ARTIFACTS") ? std::getenv("VLX_TEST_ARTIFACTS") : ".") +
      "/draw_screens_xvfb.png";
  const std::string where = std::filesystem::absolute(artefact).string();
  // The frame drawn is the one the device path gives without a window.
  const Frame want = DrawThrough(kDevice, kRotated);
  SDL_Window* window = real.Open("draw", kW, kH);
  ASSERT_NE(window, nullptr);
  const plat::WindowId id = real.id;
  PathRun run(kDevice);
  SetMainClientForTest(RectI{0, 0, kW, kH}, id);
  ASSERT_EQ(GetMainWindowNativeHandle(), window);
  plat::PresenterSetWindow(window);
  run.Background();
  DrawScene(kRotated, run.cell0, run.cell1);
  for (int i = 0; i < 3; ++i) {
    SDL_PumpEvents();
    ASSERT_EQ(PresentScreen(), 0);
    SDL_Delay(30);
  }
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  ASSERT_TRUE(SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11);
  Display* d = info.info.x11.display;
  XSync(d, False);
  XImage* img = XGetImage(d, info.info.x11.window, 0, 0, kW, kH, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  Bytes rows;
  int matching = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const unsigned long p = XGetPixel(img, x, y);
      const uint32_t rgb = static_cast<uint32_t>(p & 0xFFFFFF);
      rows.insert(rows.end(), {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb)});
      matching += rgb == want[y * kW + x];
    }
  }
  XDestroyImage(img);
  const Bytes png = WritePng(PngSpec{kW, kH, 8, 2, false, {}, {}, rows});
  FILE* f = std::fopen(where.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(png.data(), 1, png.size(), f);
  std::fclose(f);
  EXPECT_EQ(matching, kW * kH);
}

}  // namespace
