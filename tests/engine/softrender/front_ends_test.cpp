// Front ends: refusal without a display, destination choice (draw target, mask image, prepared
// draw target), update rectangles, and the graph source chain with part views.
#include <gtest/gtest.h>
#include <bit>
#include <cstring>
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/screen/screen.h"
#include "engine/graphics/screen/screen_fixture.h"
#include "engine/softrender/geometry.h"
#include "engine/softrender/image_blit.h"
#include "geometry_test_util.h"

namespace {

class FrontEnds : public ::testing::Test {
 protected:
  TestImage target{64, 48, 1};

  void SetUp() override {
    ClearScreenForTest();   // a display object in use but none made: no display
    g_DrawState.notAvailable = 0;
    ResetDrawState();
    ResetGraphTable();
    ResetGeometryState(64, 48);
  }
  void TearDown() override {
    DeleteMaskScreen();
    DeleteAllGraphHandles(0);
    StopScreenForTest();
  }
  ScreenSetup Setup64x48() {
    ScreenSetup s;
    s.width = 64;
    s.height = 48;
    s.bits = 32;
    return s;
  }
  // A software screen without a display object; the test's own image stands as the draw target.
  void SoftwareScreen() {
    ScreenSetup s = Setup64x48();
    s.noDirectDraw = 1;
    s.fullScreen = 0;
    ASSERT_EQ(StartScreenForTest(s), 0);
    ResetGeometryState(64, 48);
    g_ScreenState.targetImage = &target.img;
    ASSERT_EQ(CreateMaskScreen(0, 1), 0);   // the mask's save image: what draws take while it is in effect
  }
  // A 32-bit display whose back surface is drawn through the draw-target bracket.
  void DrawTargetScreen() {
    ASSERT_EQ(StartScreenForTest(Setup64x48()), 0);
    ResetGeometryState(64, 48);
  }
  uint32_t Back(int x, int y) {
    uint8_t* p = nullptr;
    int32_t pitch = 0;
    EXPECT_EQ(plat::SurfaceLock(g_ScreenState.back, nullptr, 0, &p, &pitch), plat::SURF_OK);
    uint32_t v;
    std::memcpy(&v, p + y * pitch + x * 4, 4);
    plat::SurfaceUnlock(g_ScreenState.back);
    return v & 0xFFFFFF;
  }
  // A software graph whose pixel (x, y) is 0x01000000 | y << 8 | x; its record.
  GraphRecord* MakeGraph(int w, int h, int* handle = nullptr) {
    SetCreateSystemMemoryFlag(1);   // a software image on every screen
    int g = CreateGraph(w, h, 0, 0, 0);
    EXPECT_GT(g, 0);
    if (handle) *handle = g;
    GraphRecord* r = GetGraphRecord(g);
    MemImg* img = &GetSurfaceDataRecord((int)GetSurface2D((int)r->parts[0])->surfaceData)->image;
    EXPECT_EQ(img->format, MEMIMG_FORMAT_RGB32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint32_t v = 0x01000000u | (uint32_t)y << 8 | (uint32_t)x;
        std::memcpy(img->pixels + (size_t)y * img->pitch + (size_t)x * 4, &v, 4);
      }
    return r;
  }
};

TEST_F(FrontEnds, EveryFrontEndRefusesWithoutADisplay) {
  GraphRecord g = {};
  TexturedVertex v[3] = {{0, 0, 0, 0}, {5, 0, 5, 0}, {0, 5, 0, 5}};
  EXPECT_EQ(DrawFilledBoxSoftware(0, 0, 10, 10, 1), -1);
  EXPECT_EQ(DrawBoxOutlineSoftware(0, 0, 10, 10, 1), -1);
  EXPECT_EQ(DrawOvalSoftware(10, 10, 3, 3, 1, 1), -1);
  EXPECT_EQ(DrawScaledGraphSoftware(0, 0, 5, 5, &g, 0, 1, -1), -1);
  EXPECT_EQ(DrawTexturedTriangleSoftware(v, &g, 0), -1);
  EXPECT_EQ(DrawFreeQuadSoftware(0, 0, 5, 0, 0, 5, 5, 5, &g, 0), -1);
  EXPECT_EQ(DrawFreeQuadSoftwareF(0, 0, 5, 0, 0, 5, 5, 5, &g, 0), -1);
  EXPECT_EQ(DrawRotatedGraphSoftware(10, 10, 1.0, 0.0, &g, 0, 0), -1);
}

TEST_F(FrontEnds, SoftwareScreenDrawsIntoTargetOrMask) {
  SoftwareScreen();
  EXPECT_EQ(DrawFilledBoxSoftware(5, 6, 1, 2, 0xFF), 0);
  EXPECT_EQ(target.Get(1, 2), 0xFFu);
  EXPECT_EQ(target.Get(4, 5), 0xFFu);
  EXPECT_EQ(target.Get(5, 6), 0u);
  EXPECT_EQ(DrawBoxOutlineSoftware(10, 10, 14, 13, 0x20), 0);
  EXPECT_EQ(target.Get(10, 10), 0x20u);
  EXPECT_EQ(target.Get(13, 12), 0x20u);
  EXPECT_EQ(target.Get(12, 11), 0u);
  g_DrawState.maskInEffect = 1;
  std::vector<uint32_t> before = target.Snapshot();
  EXPECT_EQ(DrawOvalSoftware(30, 20, 4, 3, 0x77, 1), 0);
  EXPECT_EQ(DrawFilledBoxSoftware(0, 0, 2, 2, 0x55), 0);
  EXPECT_EQ(target.Snapshot(), before);
  const MemImg* mask = GetMaskMemImg();
  ASSERT_NE(mask, nullptr);
  auto maskAt = [&](int x, int y) {
    uint32_t v;
    std::memcpy(&v, mask->pixels + y * mask->pitch + x * 4, 4);
    return v;
  };
  EXPECT_EQ(maskAt(30, 20), 0x77u);
  EXPECT_EQ(maskAt(1, 1), 0x55u);
}

TEST_F(FrontEnds, GraphSourcesAndPartViewsOnTheSoftwareScreen) {
  SoftwareScreen();
  GraphRecord* parent = MakeGraph(16, 16);
  EXPECT_EQ(DrawRotatedGraphSoftware(20.9f, 10.2f, 1.0, 0.0, parent, 0, 0), 0);
  EXPECT_EQ(target.Get(12, 2), 0x01000000u);    // top-left at (20 - 8, 10 - 8)
  EXPECT_EQ(target.Get(27, 17), 0x01000F0Fu);

  // A part smaller than its image draws through a view of the part, never its neighbours.
  GraphRecord* child = nullptr;
  ASSERT_GT(AllocGraphHandle(4, 4, 0, 0, 0, &child), 0);
  ASSERT_EQ(CreateGraphSurface2DShared(child, 2, 3, 4, 4, parent), 0);
  TestImage fresh(64, 48, 1);
  g_ScreenState.targetImage = &fresh.img;
  EXPECT_EQ(DrawFreeQuadSoftware(40, 30, 48, 30, 40, 38, 48, 38, child, 0), 0);
  for (int y = 30; y < 38; ++y)
    for (int x = 40; x < 48; ++x) {
      uint32_t v = fresh.Get(x, y);
      ASSERT_NE(v, 0u) << x << "," << y;
      EXPECT_GE(v & 0xFF, 2u);
      EXPECT_LE(v & 0xFF, 5u);
      EXPECT_GE((v >> 8) & 0xFF, 3u);
      EXPECT_LE((v >> 8) & 0xFF, 6u);
    }
  EXPECT_EQ(fresh.Get(48, 37), 0u);

  // Stretched, mirrored left to right by the corner order.
  TestImage third(64, 48, 1);
  g_ScreenState.targetImage = &third.img;
  EXPECT_EQ(DrawScaledGraphSoftware(36, 0, 4, 16, parent, 0, 1, -1), 0);
  EXPECT_EQ(third.Get(35, 0) & 0xFF, 0u);
  EXPECT_EQ(third.Get(4, 0) & 0xFF, 15u);
  EXPECT_EQ(DrawScaledGraphSoftware(std::bit_cast<uint32_t>(40.7f), 0, std::bit_cast<uint32_t>(40.2f), 16, parent,
                                    0, 0, -1), 0);   // float corners, zero width: nothing, but 0

  GraphRecord none = {};
  EXPECT_EQ(DrawFreeQuadSoftware(0, 0, 5, 0, 0, 5, 5, 5, &none, 0), -1);
  EXPECT_EQ(DrawRotatedGraphSoftware(10, 10, 1.0, 0.0, &none, 0, 0), -1);
}

// The blend image is read at source coordinates: a blend graph smaller than the source refuses
// the stretched draw, which callers such as the tiled draw reach without the dispatch's check.
TEST_F(FrontEnds, StretchedDrawRefusesABlendGraphSmallerThanTheSource) {
  SoftwareScreen();
  GraphRecord* g = MakeGraph(16, 16);
  int small = 0, large = 0;
  MakeGraph(4, 4, &small);
  MakeGraph(20, 20, &large);
  const std::vector<uint32_t> blank = target.Snapshot();
  ASSERT_EQ(SetBlendGraphState(small, 0, 255), 0);
  EXPECT_EQ(DrawScaledGraphSoftware(0, 0, 32, 32, g, 0, 1, -1), -1);
  EXPECT_EQ(DrawScaledGraphSoftware(0, 0, 16, 16, g, 0, 1, -1), -1);   // the 1:1 shortcut too
  EXPECT_EQ(target.Snapshot(), blank);

  // The rasteriser itself refuses a blend image that does not cover its source.
  TestImage blend(15, 16, 1), src(16, 16, 1);
  src.Fill(0x123456);
  const int32_t rect[4] = {0, 0, 32, 32};
  DrawScaledToMemImg(&target.img, &src.img, rect, 0, &blend.img);
  EXPECT_EQ(target.Snapshot(), blank);

  ASSERT_EQ(SetBlendGraphState(large, 0, 255), 0);
  EXPECT_EQ(DrawScaledGraphSoftware(0, 0, 32, 32, g, 0, 1, -1), 0);
  EXPECT_NE(target.Snapshot(), blank);
  SetBlendGraphState(-1, 0, 0);
}

TEST_F(FrontEnds, DrawTargetPathUpdateRectanglesAndFailures) {
  DrawTargetScreen();
  const SoftwareDrawTarget& t = g_SoftwareDrawTarget;
  EXPECT_EQ(DrawFilledBoxSoftware(9, 8, 3, 2, 0x10), 0);
  EXPECT_EQ(t.askedUpdateRect.left, 3);
  EXPECT_EQ(t.askedUpdateRect.bottom, 8);
  EXPECT_EQ(t.askedNoConvert, 1);
  EXPECT_EQ(Back(3, 2), 0x10u);
  EXPECT_EQ(Back(8, 7), 0x10u);
  EXPECT_FALSE(plat::SurfaceIsLocked(g_ScreenState.back));

  EXPECT_EQ(DrawBoxOutlineSoftware(10, 10, 20, 15, 1), 0);
  EXPECT_EQ(t.askedUpdateRect.left, 10);
  EXPECT_EQ(t.askedUpdateRect.right, 20);
  EXPECT_EQ(t.askedUpdateRect.bottom, 15);

  g_SoftwareDrawTarget.askedUpdateRect = RectI{-7, -7, -7, -7};
  EXPECT_EQ(DrawOvalSoftware(30, 30, 0, 5, 1, 1), 0);
  EXPECT_EQ(t.askedUpdateRect.left, -7);   // nothing prepared
  // A narrow oval's walk goes beyond ry rows; the update rectangle covers them.
  EXPECT_EQ(DrawOvalSoftware(30, 24, 1, 10, 0x30, 1), 0);
  int reach = 0;
  for (int y = 0; y < 48; ++y)
    if (Back(30, y) == 0x30u) reach = std::max(reach, std::abs(y - 24));
  EXPECT_GT(reach, 10);
  EXPECT_LE(24 + reach, t.askedUpdateRect.bottom - 1);
  EXPECT_GE(24 - reach, t.askedUpdateRect.top);

  int handle = 0;
  GraphRecord* g = MakeGraph(8, 8, &handle);
  TexturedVertex v[3] = {{12, 40, 1, 7}, {20, 30, 6, 2}, {15, 35, 3, 0}};
  EXPECT_EQ(DrawTexturedTriangleSoftware(v, g, 0), 0);
  const RectI& u = t.askedUpdateRect;
  const RectI& s = t.askedSourceRect;
  EXPECT_TRUE(u.left == 12 && u.top == 30 && u.right == 20 && u.bottom == 40);
  EXPECT_TRUE(s.left == 1 && s.top == 0 && s.right == 6 && s.bottom == 7);

  EXPECT_EQ(DrawScaledGraphSoftware(5, 5, 5, 20, g, 0, 1, -1), -1);        // zero width
  EXPECT_EQ(DrawScaledGraphSoftware(100, 5, 120, 20, g, 0, 1, -1), -1);    // outside the draw area
  EXPECT_EQ(DrawScaledGraphSoftware(4, 4, 12, 12, g, 0, 1, -1), 0);       // 1:1 goes to the unscaled draw
  EXPECT_EQ(Back(4, 4), 0u);                                             // pixel (0, 0) of the graph
  EXPECT_EQ(Back(11, 6), 0x000207u);
  EXPECT_EQ(DrawScaledGraphSoftware(-8, 0, 8, 16, g, 0, 1, -1), 0);       // left half clipped away
  EXPECT_EQ(t.askedSourceRect.left, 4);
  EXPECT_EQ(t.askedSourceRect.right, 8);
  EXPECT_EQ(DrawScaledGraphSoftware(8, 0, -8, 16, g, 0, 1, -1), 0);       // mirrored: the other half
  EXPECT_EQ(t.askedSourceRect.left, 0);
  EXPECT_EQ(t.askedSourceRect.right, 4);

  EXPECT_EQ(DrawRotatedGraphSoftware(30.0f, 20.0f, 1.0, 0.0, g, 0, 0), 0);
  EXPECT_TRUE(u.left == 26 && u.top == 16 && u.right == 34 && u.bottom == 24);
  EXPECT_TRUE(s.left == 0 && s.top == 0 && s.right == 8 && s.bottom == 8);

  uint8_t* p;
  int32_t pitch;
  ASSERT_EQ(plat::SurfaceLock(g_ScreenState.back, nullptr, 0, &p, &pitch), plat::SURF_OK);   // cannot be prepared
  EXPECT_EQ(DrawFilledBoxSoftware(0, 0, 4, 4, 1), -1);
  EXPECT_EQ(DrawRotatedGraphSoftware(30.0f, 20.0f, 1.0, 0.0, g, 0, 0), -1);
  EXPECT_EQ(DrawTexturedTriangleSoftware(v, g, 0), -1);
  EXPECT_EQ(DrawBoxOutlineSoftware(10, 10, 20, 15, 1), -1);
  plat::SurfaceUnlock(g_ScreenState.back);
}

}  // namespace
