// What the window procedure asks of the graphics side: the front screen's place following the
// client area, the draw area re-limited after a move, the client painted black before the first
// frame, and lost surfaces restored on activation.
#include <gtest/gtest.h>

#include "engine/graphics/base_hooks.h"
#include "engine/graphics/draw/path_run.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graph/texture_graph.h"

namespace {

bool Same(const RectI& a, const RectI& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

plat::Surface* FirstPartSurface(int graph) {
  const GraphRecord* g = GetGraphRecord(graph);
  if (!g || g->partCount <= 0) return nullptr;
  int data = -1;
  if (g->create.texture) {
    const Surface3DRecord* t = GetSurface3DDataChecked(static_cast<int>(g->parts[0]));
    if (t) data = static_cast<int>(t->surfaceData);
  } else {
    const Surface2DRecord* s = GetSurface2D(static_cast<int>(g->parts[0]));
    if (s) data = static_cast<int>(s->surfaceData);
  }
  const SurfaceDataRecord* r = data >= 0 ? GetSurfaceDataRecord(data) : nullptr;
  return r ? r->surface : nullptr;
}

// A window of the screen's size on the display, drawn by software or by the 3-D device.
struct WindowedScreen {
  TempFolder folder;
  explicit WindowedScreen(Path p) {
    plat::SetRendererSetting(p == kDevice ? plat::RendererSetting::Full : plat::RendererSetting::NoDevice3D);
    ScreenSetup s;
    s.width = kW;
    s.height = kH;
    s.bits = 32;
    s.fullScreen = 0;
    s.direct3D = 1;
    EXPECT_EQ(StartScreenForTest(s), 0);
    SetMainClientForTest(RectI{100, 50, 100 + kW, 50 + kH});
  }
  ~WindowedScreen() {
    TerminateGraphicsManager();
    StopScreenForTest();
    plat::ResetRendererSetting();
  }
};

TEST(WindowDrawArea, FrontScreenFollowsTheClientArea) {
  for (Path p : {kSoftwareOnDisplay, kDevice}) {
    WindowedScreen w(p);
    ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_FRONT), 0);
    EXPECT_TRUE(Same(g_DrawState.drawScreenRect, RectI{100, 50, 100 + kW, 50 + kH})) << p;
    const int useMask = GetUseMaskFlag();
    SetMainClientForTest(RectI{300, 200, 300 + kW, 200 + kH});
    UpdateFrontScreenDrawArea();
    EXPECT_TRUE(Same(g_DrawState.drawScreenRect, RectI{300, 200, 300 + kW, 200 + kH})) << p;
    EXPECT_EQ(GetUseMaskFlag(), useMask) << p;

    // Another target keeps its own origin.
    ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_BACK), 0);
    SetMainClientForTest(RectI{10, 10, 10 + kW, 10 + kH});
    UpdateFrontScreenDrawArea();
    EXPECT_TRUE(Same(g_DrawState.drawScreenRect, RectI{0, 0, kW, kH})) << p;
  }
}

TEST(WindowDrawArea, ResetLimitsTheRequestedAreaToWhatTheDesktopShows) {
  WindowedScreen w(kSoftwareOnDisplay);
  ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_FRONT), 0);
  SetDrawAreaViewport(0, 0, kW, kH);

  // Partly off the top-left of the desktop: the hidden part is left out.
  SetMainClientForTest(RectI{-30, -20, -30 + kW, -20 + kH});
  ResetDrawAreaViewport();
  EXPECT_TRUE(Same(g_DrawState.drawArea, RectI{30, 20, kW, kH}));

  // Partly off the bottom-right (the desktop is 1920 x 1080).
  SetMainClientForTest(RectI{1900, 1000, 1900 + kW, 1000 + kH});
  ResetDrawAreaViewport();
  EXPECT_TRUE(Same(g_DrawState.drawArea, RectI{0, 0, 20, 80}));

  // Back in view: the caller's area as asked, not the narrowed one.
  SetMainClientForTest(RectI{100, 50, 100 + kW, 50 + kH});
  ResetDrawAreaViewport();
  EXPECT_TRUE(Same(g_DrawState.drawArea, RectI{0, 0, kW, kH}));

  // The back screen's area does not depend on the window.
  ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_BACK), 0);
  SetDrawAreaViewport(5, 6, 70, 80);
  SetMainClientForTest(RectI{-50, -50, -50 + kW, -50 + kH});
  ResetDrawAreaViewport();
  EXPECT_TRUE(Same(g_DrawState.drawArea, RectI{5, 6, 70, 80}));
}

TEST(WindowDrawArea, PaintingBlackCoversTheClientArea) {
  ClearScreenForTest();
  plat::PresenterReset();
  PaintWindowBlack();   // no window: nothing shown
  EXPECT_EQ(plat::PresenterFrameCount(), 0u);

  SetMainClientForTest(RectI{40, 30, 360, 270});
  PaintWindowBlack();
  plat::PresentedFrame f;
  ASSERT_TRUE(plat::PresenterLastFrame(&f));
  EXPECT_EQ(f.x, 0);
  EXPECT_EQ(f.y, 0);
  EXPECT_EQ(f.outWidth, 320);
  EXPECT_EQ(f.outHeight, 240);
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) EXPECT_EQ(f.pixels[y * f.pitch + x * 4] | f.pixels[y * f.pitch + x * 4 + 1] |
                                                    f.pixels[y * f.pitch + x * 4 + 2], 0);
  ClearScreenForTest();
  plat::PresenterReset();
}

TEST(WindowDrawArea, ActivationRestoresLostSurfaces) {
  for (Path p : {kSoftwareOnDisplay, kDevice}) {
    PathRun run(p);
    plat::Surface* part = FirstPartSurface(run.cell0);
    ASSERT_NE(part, nullptr) << p;
    plat::SurfaceDeviceLoseAll(g_ScreenState.device);
    ASSERT_TRUE(plat::SurfaceIsLost(part)) << p;
    ASSERT_TRUE(plat::SurfaceIsLost(g_ScreenState.back)) << p;
    RestoreSurfacesOnActivate();
    EXPECT_FALSE(plat::SurfaceIsLost(part)) << p;
    EXPECT_FALSE(plat::SurfaceIsLost(g_ScreenState.back)) << p;
    EXPECT_FALSE(plat::SurfaceIsLost(g_ScreenState.primary)) << p;
  }
}

}  // namespace
