#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/graphics/device3d/device3d.h"
#include "engine/graphics/draw/draw_dispatch.h"
#include "engine/graphics/font/font.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/screen/screen.h"
#include "engine/graphics/screen/screen_fixture.h"
#include "engine/softrender/geometry.h"
#include "platform/files.h"
#include "platform/glyphs.h"
#include "platform/renderer.h"
#include "platform/sync.h"

namespace {

uint32_t SurfacePixel(plat::Surface* s, int x, int y) {
  uint8_t* p = nullptr;
  int32_t pitch = 0;
  plat::SurfRect r{x, y, x + 1, y + 1};
  EXPECT_EQ(plat::SurfaceLock(s, &r, 0, &p, &pitch), plat::SURF_OK);
  uint32_t v = 0;
  std::memcpy(&v, p, plat::SurfaceFormat(s).bitCount / 8);
  plat::SurfaceUnlock(s);
  return v;
}

void FillSurface(plat::Surface* s, int x1, int y1, int x2, int y2, uint32_t v) {
  plat::SurfRect r{x1, y1, x2, y2};
  ASSERT_EQ(plat::SurfaceColorFill(s, &r, v), plat::SURF_OK);
}

uint32_t ImagePixel(const MemImg* img, int x, int y) {
  uint32_t v = 0;
  std::memcpy(&v, img->pixels + y * img->pitch + x * MemImgPixelBytes(img), MemImgPixelBytes(img));
  return v;
}

void SetImagePixel(MemImg* img, int x, int y, uint32_t v) {
  std::memcpy(img->pixels + y * img->pitch + x * MemImgPixelBytes(img), &v, MemImgPixelBytes(img));
}

class ScreenTest : public ::testing::Test {
 protected:
  void TearDown() override {
    DeleteAllGraphHandles(0);
    StopScreenForTest();
    plat::ResetRendererSetting();
  }
  void Start(const ScreenSetup& s) {
    ASSERT_EQ(StartScreenForTest(s), 0);
    ResetGraphTable();
  }
};

// Set-up of the three screen kinds.

TEST_F(ScreenTest, UnsetSizeAndDepthGiveFullScreenFlipChain) {
  ScreenSetup s;
  s.width = s.height = s.bits = 0;
  s.direct3D = 1;
  Start(s);
  const ScreenState& st = g_ScreenState;
  int w = 0, h = 0;
  GetScreenSize(&w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_EQ(GetScreenColorBitDepth(), 16);
  EXPECT_EQ(st.formatKind, 0);
  ASSERT_NE(st.primary, nullptr);
  EXPECT_EQ(plat::SurfaceWidth(st.primary), 640);
  EXPECT_NE(st.back, nullptr);
  EXPECT_NE(st.work, nullptr);
  EXPECT_NE(st.work2, nullptr);
  EXPECT_EQ(plat::SurfaceAttachedZ(st.back), st.zSurface);
  EXPECT_EQ(st.primaryIsImage, 0);
  EXPECT_EQ(st.tablesReady, 1);
  EXPECT_EQ(st.screenInitialised, 1);
  EXPECT_EQ(st.displayModeChanged, 1);
  EXPECT_EQ(st.overlayFormatIndex, -1);
  EXPECT_EQ(GetOverlayPixelFormat(), nullptr);
  // The mode change starts the 3-D device on a display screen, over its primary surface.
  EXPECT_EQ(Direct3DInUse(), 1);
  ASSERT_NE(CurrentDevice3D(), nullptr);
  EXPECT_EQ(CurrentDevice3D()->defaultTarget, st.primary);
  EXPECT_EQ(IsTextureDrawAvailable(), 1);
  EXPECT_EQ(GetScreenSize(nullptr, nullptr), 0);

  plat::SurfaceDevice* dev = st.device;
  EXPECT_EQ(InitializeDirectDraw(), -1);   // a second set-up changes nothing
  EXPECT_EQ(g_ScreenState.device, dev);
}

TEST_F(ScreenTest, SoftwareScreenOverDisplayDrawsIntoLockedBackSurface) {
  ScreenSetup s;
  s.bits = 32;
  s.software = 1;
  s.direct3D = 1;
  Start(s);
  const ScreenState& st = g_ScreenState;
  EXPECT_EQ(st.primaryIsImage, 1);
  EXPECT_EQ(st.backImageInSurface, 1);
  EXPECT_TRUE(plat::SurfaceIsLocked(st.back));
  EXPECT_EQ(st.work, nullptr);
  EXPECT_EQ(st.zSurface, nullptr);
  EXPECT_EQ(st.zImage.format, MEMIMG_FORMAT_GRAY16);
  EXPECT_EQ(st.zImage.pitch, (2 * 640 + 15) & ~15);
  EXPECT_EQ(st.primaryImage.format, MEMIMG_FORMAT_RGB32);
  // Only the graphics manager starts the device here, and no draw goes through it.
  EXPECT_EQ(Direct3DInUse(), 1);
  EXPECT_EQ(IsTextureDrawAvailable(), 0);
}

TEST_F(ScreenTest, NoDisplayObjectMakesOnlyImages) {
  ScreenSetup s;
  s.noDirectDraw = 1;
  s.fullScreen = 0;
  s.desktopBits = 16;
  Start(s);
  const ScreenState& st = g_ScreenState;
  EXPECT_EQ(st.device, nullptr);
  EXPECT_EQ(st.primary, nullptr);
  EXPECT_EQ(st.back, nullptr);
  EXPECT_EQ(st.primaryIsImage, 1);
  EXPECT_NE(st.backImage.pixels, nullptr);
  EXPECT_EQ(st.backImage.format, MEMIMG_FORMAT_RGB16);
  EXPECT_EQ(st.noDirect3D, 1);
  EXPECT_EQ(Direct3DInUse(), 0);
  EXPECT_EQ(st.pacingPeriod, -1);
  EXPECT_EQ(IsDirectDrawUsed(), 0);
}

TEST_F(ScreenTest, PlatformWithoutADisplayGivesTheSoftwareScreen) {
  plat::SetRendererSetting(plat::RendererSetting::NoDisplay);
  plat::SurfaceDevice* dev = nullptr;
  EXPECT_EQ(AcquireDirectDrawObject(&dev), -1);
  EXPECT_EQ(dev, nullptr);
  ScreenSetup s;
  s.direct3D = 1;
  Start(s);
  const ScreenState& st = g_ScreenState;
  EXPECT_EQ(st.noDirectDraw, 1);
  EXPECT_EQ(st.softwareScreen, 1);
  EXPECT_EQ(st.device, nullptr);
  EXPECT_NE(st.backImage.pixels, nullptr);
  EXPECT_EQ(Direct3DInUse(), 0);
}

TEST_F(ScreenTest, WindowModePrimaryIsTheDesktop) {
  ScreenSetup s;
  s.fullScreen = 0;
  s.bits = 16;   // a window runs at the desktop's depth
  Start(s);
  const ScreenState& st = g_ScreenState;
  EXPECT_EQ(plat::SurfaceWidth(st.primary), 1920);
  EXPECT_EQ(plat::SurfaceHeight(st.primary), 1080);
  EXPECT_EQ(st.actualBitDepth, 32);
  EXPECT_EQ(st.formatKind, 2);
  EXPECT_EQ(plat::SurfaceWidth(st.back), 640);
  EXPECT_EQ(st.displayModeChanged, 0);
}

// Presenting.

TEST_F(ScreenTest, FullScreenPresentFlipsAndShowsThePicture) {
  Start(ScreenSetup{});
  ScreenState& st = g_ScreenState;
  FillSurface(st.back, 0, 0, 640, 480, 0x001F);
  FillSurface(st.back, 10, 20, 11, 21, 0xF800);
  plat::Surface* oldPrimary = st.primary;
  ASSERT_EQ(PresentScreen(), 0);
  EXPECT_EQ(st.primary, oldPrimary);
  EXPECT_EQ(SurfacePixel(st.primary, 10, 20), 0xF800u);
  EXPECT_EQ(SurfacePixel(st.back, 10, 20), 0u);   // the old front page
  EXPECT_EQ(GetPresentFrameCount(), 1u);
  plat::PresentedFrame f;
  ASSERT_TRUE(plat::PresenterLastFrame(&f));
  EXPECT_EQ(f.width, 640);
  EXPECT_EQ(f.outWidth, 640);
  uint16_t shown;
  std::memcpy(&shown, f.pixels + 20 * f.pitch + 10 * 2, 2);
  EXPECT_EQ(shown, 0xF800);
}

TEST_F(ScreenTest, FrontScreenPresentWaitsOneBlankWithoutFlipping) {
  Start(ScreenSetup{});
  SetFlipWaitsVBlank(1);
  g_DrawState.drawScreen = DRAW_SCREEN_FRONT;
  plat::VirtualClockAdvance(3000);
  ASSERT_FALSE(plat::DisplayInVerticalBlank());
  uint64_t before = plat::PresenterFrameCount();
  EXPECT_EQ(PresentScreen(), 0);
  EXPECT_TRUE(plat::DisplayInVerticalBlank());
  EXPECT_EQ(plat::PresenterFrameCount(), before);
  EXPECT_EQ(GetPresentFrameCount(), 1u);
}

TEST_F(ScreenTest, WindowPresentScalesIntoTheClientArea) {
  ScreenSetup s;
  s.fullScreen = 0;
  s.software = 1;
  s.scale = 2.0;
  Start(s);
  SetMainClientForTest(RectI{100, 50, 1380, 1010});
  ScreenState& st = g_ScreenState;
  SetImagePixel(&st.backImage, 3, 4, 0x00FF8040u);
  ASSERT_EQ(PresentScreen(), 0);
  EXPECT_EQ(SurfacePixel(st.primary, 100 + 6, 50 + 8), 0x00FF8040u);
  EXPECT_EQ(SurfacePixel(st.primary, 100 + 7, 50 + 9), 0x00FF8040u);
  EXPECT_EQ(SurfacePixel(st.primary, 100 + 8, 50 + 8), 0u);
  EXPECT_TRUE(plat::SurfaceIsLocked(st.back));   // bound again after the copy
  EXPECT_EQ(st.frontCopyStale, 1);
  plat::PresentedFrame f;
  ASSERT_TRUE(plat::PresenterLastFrame(&f));
  EXPECT_EQ(f.width, 1280);
  EXPECT_EQ(f.height, 960);
  uint32_t shown;
  std::memcpy(&shown, f.pixels + 9 * f.pitch + 7 * 4, 4);
  EXPECT_EQ(shown, 0x00FF8040u);
}

TEST_F(ScreenTest, NoDisplayObjectPresentsBackImageStretched) {
  ScreenSetup s;
  s.noDirectDraw = 1;
  s.fullScreen = 0;
  s.scale = 2.0;
  s.desktopBits = 16;
  Start(s);
  SetImagePixel(&g_ScreenState.backImage, 1, 1, 0x07E0);
  ASSERT_EQ(PresentScreen(), 0);
  plat::PresentedFrame f;
  ASSERT_TRUE(plat::PresenterLastFrame(&f));
  EXPECT_EQ(f.width, 640);
  EXPECT_EQ(f.outWidth, 1280);
  EXPECT_EQ(f.outHeight, 960);
  EXPECT_EQ(f.format.bitCount, 16u);
}

// Pacing.

TEST_F(ScreenTest, PacingWithoutDisplayFollowsTheFrameGrid) {
  ScreenSetup s;
  s.noDirectDraw = 1;
  s.fullScreen = 0;
  Start(s);
  uint64_t q = plat::MicrosecondClock() / 16666;
  WaitVerticalBlankPaced();
  uint64_t first = plat::MicrosecondClock() / 16666;
  EXPECT_EQ(first, q + 1);
  WaitVerticalBlankPaced();
  EXPECT_EQ(plat::MicrosecondClock() / 16666, first + 1);
}

TEST_F(ScreenTest, PacingWithDisplayEndsAtTheBlank) {
  Start(ScreenSetup{});
  ScreenState& st = g_ScreenState;
  EXPECT_TRUE(st.measuredFrameTime == 16 || st.measuredFrameTime == 17);
  EXPECT_EQ(st.pacingPeriod, (2 * st.measuredFrameTime - 4) / 3);
  EXPECT_EQ(st.scanLines, 480);
  plat::VirtualClockAdvance(2000);
  WaitVerticalBlankPaced();
  EXPECT_TRUE(plat::DisplayInVerticalBlank());
  EXPECT_EQ(plat::DisplayScanLine(), 480);
  uint32_t first = st.lastVBlankWaitTime;
  WaitVerticalBlankPaced();   // sleeps out the pacing period, then takes the next blank
  EXPECT_GE(st.lastVBlankWaitTime - first, 16u);
  EXPECT_LE(st.lastVBlankWaitTime - first, 17u);
}

TEST_F(ScreenTest, VerticalBlankWaits) {
  Start(ScreenSetup{});
  plat::DisplayWaitForBlankBegin();
  uint64_t t = plat::MicrosecondClock();
  EXPECT_EQ(WaitVerticalBlank(0), 0);   // already in the blank
  EXPECT_EQ(plat::MicrosecondClock(), t);
  EXPECT_EQ(WaitVerticalBlank(-3), 0);
  EXPECT_EQ(plat::MicrosecondClock(), t);
  EXPECT_EQ(WaitVerticalBlank(2), 0);
  EXPECT_TRUE(plat::DisplayInVerticalBlank());
  EXPECT_NEAR(static_cast<double>(plat::MicrosecondClock() - t), 2 * 16666.7, 300.0);
}

// Mode changes.

TEST(ScreenModeMath, FrameTimeAndRefresh) {
  const int32_t a[4] = {16, 17, 16, 17}, b[4] = {17, 16, 17, 16}, c[4] = {15, 16, 17, 18};
  EXPECT_EQ(FrameTimeFromSamples(a, 4), 16);
  EXPECT_EQ((2 * 16 - 4) / 3, 9);
  EXPECT_EQ(FrameTimeFromSamples(b, 4), 17);
  EXPECT_EQ(FrameTimeFromSamples(c, 4), -1);
  EXPECT_EQ(RefreshRateFromAverage(16667 * 4, 4), 60);
}

TEST_F(ScreenTest, ModeChangesAreSpacedAndKeepWhatIsUnchanged) {
  Start(ScreenSetup{});
  ScreenState& st = g_ScreenState;
  const uint32_t first = st.lastModeChangeTime;
  EXPECT_EQ(ChangeScreenMode(-1, -1, -1, 0, -1), 0);
  EXPECT_EQ(st.lastModeChangeTime, first);

  plat::Sleep(500 - (plat::MillisecondClock() - first));
  ASSERT_EQ(plat::MillisecondClock() - first, 500u);
  ASSERT_EQ(ChangeScreenMode(800, 600, 16, 0, -1), 0);
  EXPECT_EQ(st.lastModeChangeTime - first, 500u + 1560u);
  EXPECT_EQ(plat::SurfaceWidth(st.back), 800);
  EXPECT_EQ(st.frameCounter, 0u);

  const uint32_t second = st.lastModeChangeTime;
  plat::Sleep(5000);
  uint32_t asked = plat::MillisecondClock();
  ASSERT_EQ(ChangeScreenMode(640, 480, 32, 0, -1), 0);
  EXPECT_EQ(st.lastModeChangeTime - asked, 60u);
  EXPECT_GT(st.lastModeChangeTime, second);
  EXPECT_EQ(st.actualBitDepth, 32);
  EXPECT_EQ(st.formatKind, 2);
}

TEST_F(ScreenTest, ModeChangeKeepsTheDefaultFontTheGameChose) {
  plat::GlyphSetBackend(plat::GlyphBackend::Fake);
  Start(ScreenSetup{});
  ASSERT_EQ(SetDefaultFontName("MS UI Gothic", -1), 0);
  ASSERT_EQ(SetDefaultFontSizeThickness(0, 24, 3), 0);
  ASSERT_EQ(ChangeScreenMode(800, 600, 16, 0, -1), 0);
  char name[FONT_FACE_NAME_SIZE];
  int size = 0, thickness = 0;
  ASSERT_EQ(GetFontStateToHandle(name, &size, &thickness, GetDefaultFontHandle()), 0);
  EXPECT_STREQ(name, "MS UI Gothic");
  EXPECT_EQ(size, 24);
  EXPECT_EQ(thickness, 3);
  plat::GlyphSetBackend(plat::GlyphBackend::FreeType);
}

TEST_F(ScreenTest, UnswitchableModeFallsBackToThePreviousOne) {
  Start(ScreenSetup{});
  EXPECT_EQ(SetScreenModeKeep(640, 480, 24, -1), -1);
  EXPECT_EQ(SetScreenModeKeep(0, 480, 16, -1), -1);
  ASSERT_EQ(ChangeScreenMode(800, 600, 24, 0, 75), 0);   // requested, no refresh, then the old mode
  EXPECT_EQ(g_ScreenState.width, 640);
  EXPECT_EQ(g_ScreenState.actualBitDepth, 16);
  EXPECT_EQ(g_ScreenState.refreshRate, 0);
}

// A size no surface can have is refused before the screen is torn down: the old mode, and the
// graphs made under it, stay.
TEST_F(ScreenTest, ImpossibleSizesAreRefusedBeforeAnythingIsTornDown) {
  Start(ScreenSetup{});
  const int graph = CreateGraph(16, 16, 0, 0, 0);
  ASSERT_GT(graph, 0);
  for (const int size : {100000, SCREEN_MAX_SIDE + 1, -5}) {
    SCOPED_TRACE(size);
    EXPECT_EQ(SetScreenModeKeep(size, 480, 32, 60), -1);
    EXPECT_EQ(SetScreenModeKeep(640, size, 32, 60), -1);
  }
  EXPECT_EQ(SetScreenModeKeep(640, 480, 16, -7), -1);
  EXPECT_EQ(g_ScreenState.width, 640);
  EXPECT_EQ(g_ScreenState.height, 480);
  EXPECT_EQ(g_ScreenState.actualBitDepth, 16);
  EXPECT_NE(GetGraphRecord(graph), nullptr);
  EXPECT_EQ(SetScreenModeKeep(800, 600, 16, -1), 0);
  EXPECT_EQ(g_ScreenState.width, 800);
}

TEST_F(ScreenTest, TwentyFourBitDesktopRefusesWindowMode) {
  Start(ScreenSetup{});
  g_base.win.desktopBits = 24;
  int32_t depth = 0, changed = 0;
  EXPECT_EQ(SwitchDisplayMode(g_ScreenState.device, 1920, 1080, 640, 480, 16, &depth, nullptr, 1, &changed), -1);
}

// Draw targets.

TEST_F(ScreenTest, DrawTargetLocksOnlyInsideTheDrawArea) {
  Start(ScreenSetup{});
  ScreenState& st = g_ScreenState;
  RectI outside{700, 10, 720, 20};
  EXPECT_EQ(BeginSoftwareDrawTarget(nullptr, 0, nullptr, &outside, 0, nullptr, nullptr), -1);
  EXPECT_FALSE(plat::SurfaceIsLocked(st.back));
  EndSoftwareDrawTarget();

  RectI r{10, 10, 20, 20};
  ASSERT_EQ(BeginSoftwareDrawTarget(nullptr, 0, nullptr, &r, 0, nullptr, nullptr), 0);
  EXPECT_EQ(g_SoftwareDrawTarget.viaWork, 0);
  EXPECT_TRUE(plat::SurfaceIsLocked(st.back));
  SetImagePixel(GetSoftwareDrawDestMemImg(), 12, 13, 0x1234);   // screen coordinates index the view
  EndSoftwareDrawTarget();
  EXPECT_FALSE(plat::SurfaceIsLocked(st.back));
  EXPECT_EQ(SurfacePixel(st.back, 12, 13), 0x1234u);
}

TEST_F(ScreenTest, OpaqueCopyBetweenLikeMemoryIsADirectBlit) {
  Start(ScreenSetup{});
  g_DrawState.createSystemMemory = 0;
  int video = CreateBlankGraph(8, 8);
  g_DrawState.createSystemMemory = 1;
  int system = CreateBlankGraph(8, 8);
  ASSERT_GT(video, 0);
  ASSERT_GT(system, 0);
  Surface2DRecord* vpart = GetSurface2D(static_cast<int>(GetGraphRecord(video)->parts[0]));
  Surface2DRecord* spart = GetSurface2D(static_cast<int>(GetGraphRecord(system)->parts[0]));
  SetBlendModeState(1, 255);
  RectI src{0, 0, 8, 8}, dst{4, 4, 12, 12};
  ASSERT_EQ(BeginSoftwareDrawTarget(vpart, 1, &src, &dst, 0, nullptr, nullptr), 0);
  EXPECT_EQ(g_SoftwareDrawTarget.directBlit, 1);
  EXPECT_FALSE(plat::SurfaceIsLocked(g_ScreenState.back));
  EndSoftwareDrawTarget();
  ASSERT_EQ(BeginSoftwareDrawTarget(spart, 1, &src, &dst, 0, nullptr, nullptr), 0);
  EXPECT_EQ(g_SoftwareDrawTarget.directBlit, 0);
  EXPECT_EQ(g_SoftwareDrawTarget.locked, 1);
  EXPECT_EQ(g_SoftwareDrawTarget.sourceLocked, 0);   // a system-memory graph is a software image
  EXPECT_EQ(GetSoftwareDrawSourceMemImg(),
            &GetSurfaceDataRecord(static_cast<int>(spart->surfaceData))->image);
  EndSoftwareDrawTarget();
  EXPECT_FALSE(plat::SurfaceIsLocked(g_ScreenState.back));

  // The draw itself: a graph filled red lands where it was put.
  FillGraphWithColor(system, 255, 0, 0, 255);
  ASSERT_EQ(DrawGraphSoftware(4, 4, static_cast<int>(GetGraphRecord(system)->parts[0]), 0), 0);
  EXPECT_EQ(SurfacePixel(g_ScreenState.back, 11, 11), 0xF800u);
  EXPECT_EQ(SurfacePixel(g_ScreenState.back, 12, 12), 0u);
}

// A blended draw on the display goes through the work surface, which holds only the rectangle the
// draw announced. A rotated graph whose rounded corners reach a pixel past that rectangle (found by
// the graph fuzzer) used to write outside the work surface; the draw area is now narrowed to the
// rectangle while the draw runs and put back afterwards.
TEST_F(ScreenTest, DrawsThroughTheWorkSurfaceStayInsideItsRectangle) {
  ScreenSetup setup;
  setup.bits = 32;
  Start(setup);
  const int graph = CreateGraph(10, 6, 0, 0, 0);
  ASSERT_GT(graph, 0);
  FillGraphWithColor(graph, 200, 100, 50, 255);
  ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_BACK), 0);
  FillSurface(g_ScreenState.back, 0, 0, 640, 480, 0xFFFFFF);
  const RectI area = g_DrawState.drawArea;
  SetBlendModeState(BLEND_SUB, 128);
  for (double angle : {0.7, 2.3, -1.1}) {
    for (int turn : {0, 1}) EXPECT_EQ(DrawGraphRotated(100.0f, 80.0f, 1.5, angle, graph, 1, turn), 0);
  }
  SetBlendModeState(BLEND_NONE, 255);
  EXPECT_EQ(g_SoftwareDrawTarget.areaNarrowed, 0);
  EXPECT_EQ(g_DrawState.drawArea.left, area.left);
  EXPECT_EQ(g_DrawState.drawArea.right, area.right);
  EXPECT_EQ(g_DrawState.drawArea.bottom, area.bottom);
  EXPECT_NE(SurfacePixel(g_ScreenState.back, 100, 80), 0xFFFFFFu);
  EXPECT_EQ(SurfacePixel(g_ScreenState.back, 60, 80), 0xFFFFFFu);
}

TEST_F(ScreenTest, X1R5G5B5ScreenDrawsThroughTheWorkSurfaceBothWays) {
  plat::PixelFormat x1{32, plat::PIXFMT_RGB, 0, 16, 0x7C00, 0x03E0, 0x001F, 0};
  plat::DisplaySetFormatForDepth(16, &x1);
  Start(ScreenSetup{});
  ScreenState& st = g_ScreenState;
  ASSERT_EQ(st.formatKind, 1);
  FillSurface(st.back, 0, 0, 640, 480, 0x7FFF);   // white in the screen's layout
  FillSurface(st.back, 30, 30, 31, 31, 0x03E0);   // pure green
  uint32_t colour = 0x7C00;                      // red, screen layout
  RectI r{20, 20, 40, 40};
  RectI small{0, 0, 4, 4};
  ASSERT_EQ(BeginSoftwareDrawTarget(nullptr, 0, nullptr, &small, 1, &colour, nullptr), 0);
  EXPECT_EQ(g_SoftwareDrawTarget.viaWork, 0);      // unblended text draws in the screen's own layout
  EndSoftwareDrawTarget();
  ASSERT_EQ(BeginSoftwareDrawTarget(nullptr, 0, nullptr, &r, 0, &colour, nullptr), 0);
  EXPECT_EQ(g_SoftwareDrawTarget.viaWork, 1);
  EXPECT_EQ(g_SoftwareDrawTarget.convert, 1);
  EXPECT_EQ(colour, 0xF800u);                      // now in the renderer's R5G6B5
  MemImg* dest = GetSoftwareDrawDestMemImg();
  EXPECT_EQ(ImagePixel(dest, 21, 21), 0xFFDFu);   // five green bits widened to six
  EXPECT_EQ(ImagePixel(dest, 30, 30), 0x07C0u);
  SetImagePixel(dest, 25, 26, colour);
  EndSoftwareDrawTarget();
  // The unused top bit comes back set, as every conversion into the screen leaves it.
  EXPECT_EQ(SurfacePixel(st.back, 25, 26) & 0x7FFF, 0x7C00u);
  EXPECT_EQ(SurfacePixel(st.back, 30, 30) & 0x7FFF, 0x03E0u);
  EXPECT_EQ(SurfacePixel(st.back, 21, 21) & 0x7FFF, 0x7FFFu);
  EXPECT_FALSE(plat::SurfaceIsLocked(st.work));
}

TEST_F(ScreenTest, FailedLockDrawsNothingAndEndsCleanly) {
  Start(ScreenSetup{});
  ScreenState& st = g_ScreenState;
  uint8_t* p;
  int32_t pitch;
  ASSERT_EQ(plat::SurfaceLock(st.back, nullptr, 0, &p, &pitch), plat::SURF_OK);   // someone else holds it
  LineRecord line{20, 5, 10, 5, 0xFFFF, 0};
  EXPECT_EQ(DrawLineListSoftware(&line, 1), -1);
  EXPECT_EQ(g_SoftwareDrawTarget.locked, 0);
  g_DrawState.createSystemMemory = 1;   // a software-image source: the destination must be locked
  int g = CreateBlankGraph(4, 4);
  EXPECT_EQ(DrawGraphSoftware(0, 0, static_cast<int>(GetGraphRecord(g)->parts[0]), 0), -1);
  EXPECT_EQ(g_SoftwareDrawTarget.sourceLocked, 0);
  plat::SurfaceUnlock(st.back);
  EXPECT_EQ(SurfacePixel(st.back, 15, 5), 0u);

  EXPECT_EQ(DrawLineListSoftware(&line, 1), 0);
  EXPECT_EQ(SurfacePixel(st.back, 15, 5), 0xFFFFu);
  const RectI& box = g_SoftwareDrawTarget.clippedRect;
  EXPECT_EQ(box.left, 10);
  EXPECT_EQ(box.top, 5);
  EXPECT_EQ(box.right, 21);
  EXPECT_EQ(box.bottom, 6);
}

// Screen-level draws.

TEST_F(ScreenTest, SoftwareScreenDrawsAndClears) {
  ScreenSetup s;
  s.noDirectDraw = 1;
  s.fullScreen = 0;
  s.desktopBits = 16;
  Start(s);
  ScreenState& st = g_ScreenState;
  int g = CreateBlankGraph(4, 3);
  ASSERT_GT(g, 0);
  FillGraphWithColor(g, 0, 0, 255, 255);
  ASSERT_EQ(DrawGraphSoftware(5, 6, static_cast<int>(GetGraphRecord(g)->parts[0]), 0), 0);
  EXPECT_EQ(ImagePixel(&st.backImage, 5, 6), 0x001Fu);
  EXPECT_EQ(ImagePixel(&st.backImage, 8, 8), 0x001Fu);
  EXPECT_EQ(ImagePixel(&st.backImage, 9, 8), 0u);

  int copy = CreateBlankGraph(4, 3);
  EXPECT_EQ(GetDrawScreenGraph2D(5, 6, 10, 9, GetGraphRecord(copy), 0), -1);   // one pixel wider
  ASSERT_EQ(GetDrawScreenGraph2D(5, 6, 9, 9, GetGraphRecord(copy), 0), 0);

  SetImagePixel(&st.zImage, 2, 2, 7);
  EXPECT_EQ(ClearDrawTargetSurfaces(), 0);
  EXPECT_EQ(ImagePixel(&st.backImage, 5, 6), 0u);
  EXPECT_EQ(ImagePixel(&st.zImage, 2, 2), 65535u);

  // The copy taken before the clear still holds the blue.
  ASSERT_EQ(DrawGraphSoftware(0, 0, static_cast<int>(GetGraphRecord(copy)->parts[0]), 0), 0);
  EXPECT_EQ(ImagePixel(&st.backImage, 3, 2), 0x001Fu);
}

TEST_F(ScreenTest, ClearingAGraphTargetFillsItsDepthWithTheFarValue) {
  Start(ScreenSetup{});
  int g = CreateBlankGraph(8, 8);
  SurfaceDataRecord* d =
      GetSurfaceDataRecord(static_cast<int>(GetSurface2D(static_cast<int>(GetGraphRecord(g)->parts[0]))->surfaceData));
  ASSERT_EQ(SetSurfaceDataZBuffer(static_cast<int>(GetSurface2D(static_cast<int>(GetGraphRecord(g)->parts[0]))->surfaceData), 1), 0);
  ASSERT_NE(d->zSurface, nullptr);
  FillSurface(d->surface, 0, 0, 8, 8, 0x1234);
  g_DrawState.drawScreen = g;
  SetDrawTargetSurface(g);
  EXPECT_EQ(ClearDrawTargetSurfaces(), 0);
  EXPECT_EQ(SurfacePixel(d->zSurface, 3, 3), 0xFFFFu);
  EXPECT_EQ(SurfacePixel(d->surface, 3, 3), 0u);
}

TEST_F(ScreenTest, TiledDrawCoversItsRectangleOnly) {
  ScreenSetup s;
  s.noDirectDraw = 1;
  s.fullScreen = 0;
  s.desktopBits = 16;
  Start(s);
  MemImg* back = &g_ScreenState.backImage;
  int g = CreateBlankGraph(32, 32);
  FillGraphWithColor(g, 255, 0, 0, 255);
  GraphRecord* gr = GetGraphRecord(g);
  EXPECT_EQ(DrawTiledGraphSoftware(10, 20, 0, 0, 5, 7, 0.0, 0.0, gr, 0), 0);    // no scale: nothing
  EXPECT_EQ(DrawTiledGraphSoftware(10, 20, 0, 0, 5, 7, -1.0, 0.3, gr, 0), 0);
  EXPECT_EQ(ImagePixel(back, 5, 5), 0u);
  EXPECT_EQ(DrawTiledGraphSoftware(110, 120, 10, 20, 5, 7, 1.0, 0.0, gr, 0), 0);   // corners ordered
  for (int y = 15; y < 125; ++y)
    for (int x = 5; x < 115; ++x) {
      bool inside = x >= 10 && x < 110 && y >= 20 && y < 120;
      ASSERT_EQ(ImagePixel(back, x, y), inside ? 0xF800u : 0u) << x << "," << y;
    }
  EXPECT_EQ(g_DrawState.drawArea.right, 640);   // restored
}

TEST(TiledQuad, CornersGoTopLeftTopRightBottomLeftBottomRight) {
  int32_t q[8];
  TiledQuadCorners(10, 20, 32.0, 0.0, 0.0, 16.0, q);   // unrotated: along a row is +x, down the graph +y
  const int32_t want[8] = {10, 20, 42, 20, 10, 36, 42, 36};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(q[i], want[i]) << i;
  TiledQuadCorners(-10, 5, 0.5, 31.9, -31.9, 0.5, q);   // steps truncate toward zero
  const int32_t turned[8] = {-10, 5, -9, 36, -41, 5, -41, 37};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(q[i], turned[i]) << i;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::vector<uint8_t> out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  int c;
  while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  return out;
}

TEST_F(ScreenTest, SaveDrawScreenToBmpWritesBottomUpPaddedRows) {
  ScreenSetup s;
  s.noDirectDraw = 1;
  s.fullScreen = 0;
  s.desktopBits = 16;
  Start(s);
  MemImg* img = &g_ScreenState.backImage;
  SetImagePixel(img, 10, 20, 0xF800);   // top-left of the rectangle: pure red
  SetImagePixel(img, 12, 21, 0x001F);   // bottom-right: pure blue
  std::string path = plat::GetTempDir() + "vlx_screen_test.bmp";
  std::string posix = "/tmp/vlx_screen_test.bmp";
  ASSERT_EQ(SaveDrawScreenToBmp(10, 20, 13, 22, path.c_str()), 0);
  std::vector<uint8_t> b = ReadAll(plat::ResolvePath(path.c_str()));
  ASSERT_EQ(b.size(), 78u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(b[2], 78);
  EXPECT_EQ(b[10], 54);
  EXPECT_EQ(b[14], 40);
  EXPECT_EQ(b[18], 3);
  EXPECT_EQ(b[22], 2);
  EXPECT_EQ(b[26], 1);
  EXPECT_EQ(b[28], 24);
  // Row 0 of the file is the bottom row: blue at its third pixel.
  EXPECT_EQ(b[54 + 6], 0xF8);
  EXPECT_EQ(b[54 + 8], 0x00);
  // Row 1 is the top row: red first, written blue, green, red.
  EXPECT_EQ(b[66], 0x00);
  EXPECT_EQ(b[67], 0x00);
  EXPECT_EQ(b[68], 0xF8);
  plat::FileDelete(path.c_str());

  EXPECT_EQ(SaveDrawScreenToBmp(10, 20, 10, 22, path.c_str()), -1);   // empty
  std::string bad = plat::GetTempDir() + "vlx_no_such_dir\\x.bmp";
  EXPECT_EQ(SaveDrawScreenToBmp(10, 20, 13, 22, bad.c_str()), -1);   // cannot open
}

}  // namespace
