// The draw dispatch through the 3-D device: placement, mirroring, clipping, the subtract
// emulation, shapes, the draw target with its camera, the tiled fill and the screen capture, on a
// sprite sheet loaded from a generated PNG.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/base/temp_folder.h"
#include "engine/graphics/device3d/device3d_fixture.h"
#include "engine/graphics/device3d/draw3d.h"
#include "engine/graphics/draw/draw_dispatch.h"
#include "engine/graphics/graph/graph_load.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/operations.h"
#include "engine/softrender/geometry.h"
#include "tools/common/picture_writer.h"

namespace {

constexpr uint32_t kKey = 0x000000;   // the default transparent colour

// Sprite pixel (x, y) of sheet cell `cell`: a pattern with a key-coloured corner.
uint32_t SpriteRgb(int cell, int x, int y) {
  if (x < 4 && y < 4) return kKey;
  return (static_cast<uint32_t>(40 + x * 6 + cell * 3) << 16) | (static_cast<uint32_t>(30 + y * 7) << 8) |
         static_cast<uint32_t>(200 - cell * 50);
}

// A 64 x 32 sheet of two 32 x 32 cells.
Bytes SheetPng() {
  Bytes rows;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      const uint32_t c = SpriteRgb(x / 32, x % 32, y);
      rows.insert(rows.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
    }
  }
  return WritePng(PngSpec{64, 32, 8, 2, false, {}, {}, rows});
}

uint64_t HashBytes(const uint8_t* p, size_t n, uint64_t h = 1469598103934665603ull) {
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

class DrawDispatch3DTest : public ::testing::Test {
 protected:
  Device3DScreen screen;
  TempFolder folder;
  int sheet = -1, cell0 = -1, cell1 = -1;
  static constexpr uint32_t kBack = 0x203040;

  void SetUp() override {
    screen.Prepare(32, 160, 120);
    if (!g_BlendTables.ready) BuildBlendLookupTables();
    SetGraphicsManagerUp(0);
    InitializeGraphicsManager();
    ASSERT_TRUE(Direct3DInUse());
    ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_BACK), 0);
    folder.Write("sheet.png", SheetPng());
    sheet = LoadGraphFileCall("sheet.png");
    ASSERT_GT(sheet, 0);
    ASSERT_TRUE(GetGraphRecord(sheet)->create.texture);
    cell0 = DeriveGraphRegion(0, 0, 32, 32, sheet);
    cell1 = DeriveGraphRegion(32, 0, 32, 32, sheet);
    ASSERT_GT(cell0, 0);
    ASSERT_GT(cell1, 0);
    Clear(kBack);
  }
  void TearDown() override {
    TerminateGraphicsManager();
    screen.Stop();
  }

  void Clear(uint32_t c) {
    EndSceneCurrent();
    plat::SurfaceColorFill(screen.primary, nullptr, c);
  }
  uint32_t At(int x, int y) {
    EndSceneCurrent();
    return screen.Pixel(x, y) & 0xFFFFFF;
  }
  uint64_t Hash() {
    EndSceneCurrent();
    uint8_t* p;
    int32_t pitch;
    EXPECT_EQ(plat::SurfaceLock(screen.primary, nullptr, plat::SURFLOCK_WAIT, &p, &pitch), 0);
    uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < 120; ++y) {
      for (int x = 0; x < 160; ++x) {
        uint32_t v;
        std::memcpy(&v, p + y * pitch + x * 4, 4);
        v &= 0xFFFFFF;
        h = HashBytes(reinterpret_cast<uint8_t*>(&v), 4, h);
      }
    }
    plat::SurfaceUnlock(screen.primary);
    return h;
  }
  static int MakeGraph(int w, int h) { return CreateGraph(w, h, 1, 0, 0); }
  static int MakeGraphForTarget(int w, int h) {
    SetCreateDrawValidGraphFlag(1);
    const int g = CreateGraph(w, h, 1, 0, 0);
    SetCreateDrawValidGraphFlag(0);
    return g;
  }
  // The sprite's own pixel where it shows, the background where it is keyed out.
  uint32_t Expect(int cell, int x, int y, bool trans) {
    const uint32_t c = SpriteRgb(cell, x, y);
    return trans && c == kKey ? kBack : c;
  }
};

TEST_F(DrawDispatch3DTest, OneToOneCopiesTexelsOntoPixelsAndKeysTheTransparentColour) {
  EXPECT_EQ(DrawGraphAtPoint(10, 20, cell1, 1), 0);
  EXPECT_EQ(DrawGraphAtPoint(60, 20, cell1, 0), 0);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      ASSERT_EQ(At(10 + x, 20 + y), Expect(1, x, y, true)) << x << "," << y;
      ASSERT_EQ(At(60 + x, 20 + y), Expect(1, x, y, false)) << x << "," << y;
    }
  }
  EXPECT_EQ(At(9, 20), kBack);
  EXPECT_EQ(At(42, 51), kBack);
}

TEST_F(DrawDispatch3DTest, StretchedBackwardsMirrorsAndMirroredIsThatCall) {
  EXPECT_EQ(DrawGraphStretched(42, 10, 10, 42, cell0, 0), 0);
  for (int x = 0; x < 32; ++x) ASSERT_EQ(At(10 + x, 25), Expect(0, 31 - x, 15, false)) << x;
  const uint64_t h = Hash();
  Clear(kBack);
  EXPECT_EQ(DrawGraphMirrored(10, 10, cell0, 0), 0);
  EXPECT_EQ(Hash(), h);
  // Doubled: each texel covers two pixels.
  Clear(kBack);
  EXPECT_EQ(DrawGraphStretched(0, 0, 64, 64, cell0, 0), 0);
  EXPECT_EQ(At(2 * 20, 2 * 9), Expect(0, 20, 9, false));
  EXPECT_EQ(At(2 * 20 + 1, 2 * 9 + 1), Expect(0, 20, 9, false));
}

TEST_F(DrawDispatch3DTest, ClippingCutsTextureCoordinatesInProportion) {
  SetDrawAreaViewport(20, 20, 100, 100);
  EXPECT_EQ(DrawGraphAtPoint(5, 30, cell0, 0), 0);   // crosses the left edge
  EXPECT_EQ(At(19, 40), kBack);
  for (int x = 15; x < 32; ++x) ASSERT_EQ(At(5 + x, 40), Expect(0, x, 10, false)) << x;
  EXPECT_EQ(DrawGraphAtPoint(120, 30, cell0, 0), 0);  // wholly outside
  EXPECT_EQ(At(125, 40), kBack);
  EXPECT_EQ(DrawGraphStretched(90, 50, 154, 114, cell0, 0), 0);   // doubled, crossing right and bottom
  EXPECT_EQ(At(99, 99), Expect(0, 4, 24, false));
  EXPECT_EQ(At(100, 60), kBack);
}

TEST_F(DrawDispatch3DTest, RotatedHalfExtentsFollowTheParityRules) {
  const int odd = DeriveGraphRegion(0, 0, 31, 32, sheet);
  screen.script.calls.clear();
  EXPECT_EQ(DrawGraphRotated(100.0f, 60.0f, 1.0, 0.0, odd, 0, 0), 0);
  EXPECT_EQ(DrawGraphRotated(50.0f, 60.0f, 1.0, 0.0, cell0, 0, 0), 0);
  EndSceneCurrent();
  const plat::Device3DCall* draw = nullptr;
  for (const auto& c : screen.script.calls) {
    if (c.op == plat::CALL_DRAW) draw = &c;
  }
  ASSERT_NE(draw, nullptr);
  ASSERT_EQ(draw->vertices.size(), 12u * sizeof(plat::VertexTextured));
  plat::VertexTextured v[12];
  std::memcpy(v, draw->vertices.data(), sizeof(v));
  EXPECT_FLOAT_EQ(v[0].x, 100.0f - 15.5f);
  EXPECT_FLOAT_EQ(v[0].y, 60.0f - 15.5f);
  EXPECT_FLOAT_EQ(v[6].x, 50.0f - 0.5f - 16.0f);
  EXPECT_FLOAT_EQ(v[6].y, 60.0f - 0.5f - 16.0f);
  EXPECT_EQ(DrawGraphRotated(50.0f, 60.0f, 0.0, 0.0, cell0, 0, 0), -1);
  // A half turn at scale 1 of an even sprite lands on whole pixels: it is the sprite upside down.
  Clear(kBack);
  EXPECT_EQ(DrawGraphRotated(50.0f, 60.0f, 1.0, 3.14159265358979, cell0, 0, 0), 0);
  EXPECT_EQ(At(50 - 16 + 5, 60 - 16 + 7), Expect(0, 31 - 5, 31 - 7, false));
}

TEST_F(DrawDispatch3DTest, FourCornersAxisAlignedMatchesTheStretch) {
  EXPECT_EQ(DrawGraphFourCorners(10.0f, 10.0f, 42.0f, 10.0f, 42.0f, 42.0f, 10.0f, 42.0f, cell0, 0), 0);
  for (int x = 0; x < 32; x += 5) ASSERT_EQ(At(10 + x, 10 + 3), Expect(0, x, 3, false)) << x;
  const uint64_t h = Hash();
  Clear(kBack);
  EXPECT_EQ(DrawGraphStretched(10, 10, 42, 42, cell0, 0), 0);
  EXPECT_EQ(Hash(), h);
}

TEST_F(DrawDispatch3DTest, BlendModesAndTintStayWithinRounding) {
  Clear(0x808080);
  SetBlendModeState(BLEND_ALPHA, 128);
  DrawGraphAtPoint(0, 0, cell0, 0);
  SetBlendModeState(BLEND_ADD, 255);
  DrawGraphAtPoint(40, 0, cell0, 0);
  SetBlendModeState(BLEND_MUL, 255);
  DrawGraphAtPoint(80, 0, cell0, 0);
  SetBlendModeState(BLEND_NONE, 255);
  SetDrawBrightRgb(255, 128, 0);
  DrawGraphAtPoint(120, 0, cell0, 0);
  SetDrawBrightRgb(255, 255, 255);
  auto ch = [](uint32_t c, int s) { return static_cast<int>((c >> s) & 0xFF); };
  const uint32_t s = SpriteRgb(0, 20, 10);
  for (int sh : {0, 8, 16}) {
    EXPECT_NEAR(ch(At(20, 10), sh), (ch(s, sh) + 0x80) / 2, 2);
    EXPECT_EQ(ch(At(60, 10), sh), std::min(255, ch(s, sh) + 0x80));
    EXPECT_NEAR(ch(At(100, 10), sh), ch(s, sh) * 0x80 / 255, 1);
  }
  EXPECT_EQ(ch(At(140, 10), 16), ch(s, 16));
  EXPECT_NEAR(ch(At(140, 10), 8), ch(s, 8) * 128 / 255, 1);
  EXPECT_EQ(ch(At(140, 10), 0), 0);
}

TEST_F(DrawDispatch3DTest, SubtractIsEmulatedAndLeavesBrightAndParameter) {
  Clear(0xC0C0C0);
  SetBlendModeState(BLEND_SUB, 255);
  SetDrawBrightRgb(200, 200, 200);
  EXPECT_EQ(DrawGraphAtPoint(10, 10, cell0, 0), 0);
  EXPECT_EQ(g_DrawState.blendMode, BLEND_SUB);
  EXPECT_EQ(g_DrawState.blendParam, 255);
  EXPECT_EQ(g_DrawState.drawBright, 0xC8C8C8u);
  const uint32_t s = SpriteRgb(0, 20, 10);
  for (int sh : {0, 8, 16}) {
    const int src = static_cast<int>((s >> sh) & 0xFF) * 200 / 255;
    EXPECT_NEAR(static_cast<int>((At(30, 20) >> sh) & 0xFF), std::max(0, 0xC0 - src), 2) << sh;
  }
  EXPECT_EQ(At(9, 10), 0xC0C0C0u);
  EXPECT_EQ(At(42, 10), 0xC0C0C0u);
}

TEST_F(DrawDispatch3DTest, BoxesOutlinesAndOvalsCoverTheirPixelsOnce) {
  Clear(0);
  const uint32_t grey = GetScreenColor(0x40, 0x40, 0x40);
  SetBlendModeState(BLEND_ADD, 255);
  EXPECT_EQ(DrawBoxShape(20, 20, 10, 10, grey, 1), 0);
  EXPECT_EQ(At(10, 10), 0x404040u);
  EXPECT_EQ(At(19, 19), 0x404040u);
  EXPECT_EQ(At(20, 19), 0u);
  EXPECT_EQ(DrawBoxShape(40, 10, 50, 20, grey, 0), 0);
  for (int i = 0; i < 10; ++i) {
    ASSERT_EQ(At(40 + i, 10), 0x404040u) << i;
    ASSERT_EQ(At(40 + i, 19), 0x404040u) << i;
    ASSERT_EQ(At(40, 10 + i), 0x404040u) << i;
    ASSERT_EQ(At(49, 10 + i), 0x404040u) << i;
  }
  EXPECT_EQ(At(45, 15), 0u);
  // A translucent filled oval is blended once per pixel; it covers what the software oval covers.
  EXPECT_EQ(DrawOvalShape(100, 60, 20, 12, grey, 1), 0);
  MemImg ref{};
  std::vector<uint8_t> buf(160 * 120 * 4, 0);
  SetupMemImg(&ref, 160, 120, 160 * 4, 0, MEMIMG_FORMAT_RGB32, 0, 0, 0);
  ref.pixels = buf.data();
  ref.callerOwnedPixels = 1;
  const RectI keep = g_DrawState.drawArea;
  DrawOvalMemImg(&ref, 100, 60, 20, 12, 0x404040, 1);
  for (int y = 40; y < 80; ++y) {
    for (int x = 70; x < 130; ++x) {
      uint32_t r;
      std::memcpy(&r, buf.data() + (y * 160 + x) * 4, 4);
      ASSERT_EQ(At(x, y), r & 0xFFFFFF) << x << "," << y;
    }
  }
  EXPECT_EQ(keep.right, g_DrawState.drawArea.right);
  EXPECT_EQ(DrawOvalShape(100, 60, -1, 5, grey, 1), 0);
  EXPECT_EQ(DrawOvalShape(100, 60, 0, 5, grey, 1), -1);
}

TEST_F(DrawDispatch3DTest, OvalOutsideTheClipRowsIsNeverLookedUp) {
  // Also the first shape after the device's set-up: it has its colour without any setter call.
  // Rows above the target and beyond its bottom: the row table is not indexed for them.
  EXPECT_EQ(DrawOvalShape(80, -30, 40, 40, GetScreenColor(255, 0, 0), 1), 0);
  EXPECT_EQ(DrawOvalShape(80, 150, 40, 40, GetScreenColor(255, 0, 0), 1), 0);
  EXPECT_EQ(At(80, 0), 0xFF0000u);
  EXPECT_EQ(At(80, 119), 0xFF0000u);
  EXPECT_EQ(At(80, 60), kBack);
}

TEST_F(DrawDispatch3DTest, TiledFillDrawsAnOddSquareOfTilesInsideItsRectangle) {
  const int big = LoadGraphFileCall("sheet.png");
  const int tile = DeriveGraphRegion(0, 0, 32, 32, big);
  const RectI area = g_DrawState.drawArea;
  screen.script.calls.clear();
  EXPECT_EQ(DrawGraphTiledRotated(16, 8, 144, 104, 5, 7, 1.0, 0.0, tile, 0), 0);
  EndSceneCurrent();
  size_t vertices = 0;
  for (const auto& c : screen.script.calls) {
    if (c.op == plat::CALL_DRAW) vertices += c.c;
  }
  // sqrt(128^2 + 96^2) = 160: trunc(160 / 32 + 2) = 7 per side.
  EXPECT_EQ(vertices, 7u * 7u * 6u);
  EXPECT_EQ(g_DrawState.drawArea.left, area.left);
  EXPECT_EQ(g_DrawState.drawArea.right, area.right);
  EXPECT_EQ(At(15, 50), kBack);
  EXPECT_EQ(At(144, 50), kBack);
  // Columns start at 80 - 112 - 5 + 32 k: pixel 16 + 1 shows texel (16 + 1 - 0) mod 32 shifted by 5.
  EXPECT_EQ(At(20, 20), Expect(0, (20 - 80 + 112 + 5) % 32, (20 - 56 + 112 + 7) % 32, false));
  // No tiles at all for a scale of 0 or below.
  Clear(kBack);
  const uint64_t h = Hash();
  EXPECT_EQ(DrawGraphTiledRotated(0, 0, 160, 120, 0, 0, 0.0, 0.0, tile, 0), 0);
  EXPECT_EQ(DrawGraphTiledRotated(0, 0, 160, 120, 0, 0, -2.0, 0.0, tile, 0), 0);
  EXPECT_EQ(Hash(), h);
  EXPECT_EQ(DrawGraphTiledRotatedLocked(0, 0, 160, 120, 0, 0, 1e-9, 0.0, tile, 0), 0);   // bounded
  // The old entry name draws the same.
  Clear(kBack);
  EXPECT_EQ(DrawGraphTiledRotatedLocked(10, 10, 150, 110, 3, 4, 0.75, 0.3, tile, 1), 0);
  const uint64_t tiled = Hash();
  Clear(kBack);
  EXPECT_EQ(DrawGraphRotatedAboutCenterLocked(10, 10, 150, 110, 3, 4, 0.75, 0.3, tile, 1), 0);
  EXPECT_EQ(Hash(), tiled);
  EXPECT_NE(tiled, h);
}

TEST_F(DrawDispatch3DTest, RectPartRestoresTheDrawAreaExactly) {
  SetDrawAreaViewport(3, 4, 150, 110);
  const RectI before = g_DrawState.drawArea;
  EXPECT_EQ(DrawGraphRectPart(50, 50, 8, 8, 10, 10, cell0, 0, 0), 0);
  EXPECT_EQ(std::memcmp(&before, &g_DrawState.drawArea, sizeof(before)), 0);
  EXPECT_EQ(At(50, 50), Expect(0, 8, 8, false));
  EXPECT_EQ(At(59, 59), Expect(0, 17, 17, false));
  EXPECT_EQ(At(60, 55), kBack);
  EXPECT_EQ(At(49, 55), kBack);
  EXPECT_EQ(DrawGraphRectPart(80, 50, 8, 8, 10, 10, cell0, 0, 1), 0);   // turned
  EXPECT_EQ(At(80, 50), Expect(0, 17, 8, false));
}

TEST_F(DrawDispatch3DTest, DrawTargetCameraAndSizeRules) {
  ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_BACK), 0);
  const float d = 60.0f * 1.9098593f;
  EXPECT_FLOAT_EQ(g_DrawMatrices.viewport.m[0][0], 80.0f);
  EXPECT_FLOAT_EQ(g_DrawMatrices.viewport.m[1][1], -60.0f);
  EXPECT_FLOAT_EQ(g_DrawMatrices.view.m[3][2], -(43.0f - d));
  EXPECT_FLOAT_EQ(g_DrawMatrices.view.m[3][0], -80.0f);
  EXPECT_FLOAT_EQ(g_DrawMatrices.projection.m[2][3], 1.0f);
  EXPECT_FLOAT_EQ(g_DrawMatrices.world.m[0][0], 1.0f);
  // The target's centre, straight ahead of the eye, lands on the viewport's centre.
  const float p[4] = {80.0f, 60.0f, 43.0f, 1.0f};
  float q[4] = {};
  for (int j = 0; j < 4; ++j) {
    for (int k = 0; k < 4; ++k) q[j] += p[k] * g_DrawMatrices.combined.m[k][j];
  }
  EXPECT_NEAR(q[0] / q[3], 80.0f, 1e-3);
  EXPECT_NEAR(q[1] / q[3], 60.0f, 1e-3);
  SetDrawAreaViewport(10, 10, 100, 100);
  const int same = MakeGraphForTarget(160, 120);
  ASSERT_EQ(SetDrawTarget(same), 0);
  EXPECT_EQ(g_DrawState.drawArea.left, 10);
  const int other = MakeGraphForTarget(64, 32);
  ASSERT_EQ(SetDrawTarget(other), 0);
  EXPECT_EQ(g_DrawState.drawArea.right, 64);
  EXPECT_EQ(g_DrawState.drawArea.left, 0);
  ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_BACK), 0);
}

TEST_F(DrawDispatch3DTest, RefusedTargetsFallBackInsteadOfRecursing) {
  const int g = MakeGraphForTarget(64, 32);
  ASSERT_EQ(SetDrawTarget(g), 0);
  EXPECT_EQ(SetDrawTarget(0x7FFF1234), -1);
  EXPECT_EQ(g_DrawState.drawScreen, g);
  // The previous target is gone too: the back screen is taken.
  ASSERT_EQ(DeleteGraphHandle(g, 0), 0);
  EXPECT_EQ(SetDrawTarget(0x7FFF1234), -1);
  EXPECT_EQ(g_DrawState.drawScreen, DRAW_SCREEN_BACK);
}

TEST_F(DrawDispatch3DTest, SystemMemoryTargetTakesNoDeviceDraws) {
  SetCreateSystemMemoryFlag(1);
  const int plain = CreateGraph(64, 32, 0, 0, 0);
  SetCreateSystemMemoryFlag(0);
  ASSERT_GT(plain, 0);
  ASSERT_FALSE(GetGraphRecord(plain)->create.texture);
  const uint64_t before = Hash();
  ASSERT_EQ(SetDrawTarget(plain), 0);   // the 2-D side takes it
  EXPECT_TRUE(Draw3DSoftwareOnlyTarget());
  EXPECT_EQ(DrawGraphAtPoint(0, 0, cell0, 0), 0);   // a texture cannot be drawn there: nothing
  EXPECT_EQ(DrawGraphRotated(20.0f, 10.0f, 1.0, 0.5, cell0, 0, 0), 0);
  ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_BACK), 0);
  EXPECT_FALSE(Draw3DSoftwareOnlyTarget());
  EXPECT_EQ(Hash(), before);
}

TEST_F(DrawDispatch3DTest, CapturedScreenDrawsBackAsTheSamePixels) {
  Clear(kBack);
  SetBlendModeState(BLEND_ALPHA, 200);
  DrawGraphRotated(40.0f, 40.0f, 1.3, 0.4, cell1, 1, 0);
  SetBlendModeState(BLEND_NONE, 255);
  DrawBoxShape(60, 10, 70, 70, GetScreenColor(10, 250, 30), 1);
  const int shot = MakeGraph(80, 80);
  ASSERT_EQ(GetDrawScreenGraph(0, 0, 80, 80, shot, 1), 0);
  // Graphs are made with alpha test, so their textures carry alpha: with no work surface and a
  // direct copy refused between formats, the copy through a work texture is the one kept.
  EXPECT_EQ(g_Direct3D.captureMethod[1], 2);
  std::vector<uint32_t> before;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 80; ++x) before.push_back(At(x, y));
  Clear(0x0000FF);
  ASSERT_EQ(DrawGraphAtPoint(80, 40, shot, 0), 0);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 80 && 40 + y < 120; ++x) ASSERT_EQ(At(80 + x, 40 + y), before[y * 80 + x]) << x << "," << y;
  EXPECT_EQ(GetDrawScreenGraph(0, 0, 81, 80, shot, 1), -1);   // wider than the graph
  EXPECT_EQ(GetDrawScreenGraph(5, 5, 5, 80, shot, 1), -1);
}

// Positions far beyond any target: every draw, text and capture is refused and the screen keeps
// its pixels, where the sums of a position and a size used to leave int.
TEST_F(DrawDispatch3DTest, CoordinatesBeyondReachAreRefusedWithoutTouchingTheScreen) {
  Clear(kBack);
  const uint64_t before = Hash();
  const uint32_t red = GetScreenColor(255, 0, 0);
  const int shot = MakeGraph(32, 32);
  for (const int far : {INT_MAX, INT_MAX - 31, INT_MIN, static_cast<int>(DRAW_COORD_LIMIT) + 2}) {
    SCOPED_TRACE(far);
    EXPECT_EQ(DrawGraphAtPoint(far, 10, cell0, 1), -1);
    EXPECT_EQ(DrawGraphAtPoint(10, far, cell0, 1), -1);
    EXPECT_EQ(DrawGraphMirrored(far, 10, cell0, 1), -1);
    EXPECT_EQ(DrawGraphStretched(0, 0, far, 50, cell0, 1), -1);
    EXPECT_EQ(DrawGraphRotated(static_cast<float>(far), 10.0f, 1.0, 0.0, cell0, 1, 0), -1);
    EXPECT_EQ(DrawGraphTiledRotated(0, 0, far, 100, 0, 0, 1.0, 0.0, cell0, 1), -1);
    EXPECT_EQ(DrawBoxShape(0, 0, far, far, red, 1), -1);
    EXPECT_EQ(DrawOvalShape(far, 50, 20, 20, red, 1), -1);
    EXPECT_EQ(DrawOvalShape(50, 50, far, far, red, 0), far < 0 ? 0 : -1);   // negative radii draw nothing
    EXPECT_EQ(DrawGraphRectPart(far, 0, 0, 0, 10, 10, sheet, 1, 0), -1);
    EXPECT_EQ(GetDrawScreenGraph(far, 0, 32, 32, shot, 1), -1);
    EXPECT_EQ(GetDrawScreenGraph(0, 0, far, far, shot, 1), -1);
  }
  EXPECT_EQ(DrawGraphRotated(10.0f, 10.0f, 1e300, 0.0, cell0, 1, 0), -1);
  EXPECT_EQ(DrawGraphRotated(10.0f, 10.0f, 1.0, std::nan(""), cell0, 1, 0), -1);
  EXPECT_EQ(Hash(), before);
  // At the edge of reach the draws are taken (and land nowhere).
  const int edge = static_cast<int>(DRAW_COORD_LIMIT);
  EXPECT_EQ(DrawGraphAtPoint(edge, -edge, cell0, 1), 0);
  EXPECT_EQ(DrawOvalShape(-edge, 40, 30, 30, red, 1), 0);
  EXPECT_EQ(Hash(), before);
  DeleteGraphHandle(shot, 0);
}

TEST(ScreenCapture, NoneBitsAreSetPerPixelSize) {
  ColorData x888;
  CreateColorData(&x888, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0);
  uint32_t px[4] = {0x00123456, 0x00ABCDEF, 0x00000001, 0x00FFFFFF};
  const RectI r = {2, 1, 0, 0};   // reversed: put in order first
  SetNoneBitsInRect(&r, reinterpret_cast<uint8_t*>(px), 8, &x888, 255);
  EXPECT_EQ(px[0], 0xFF123456u);
  EXPECT_EQ(px[1], 0xFFABCDEFu);
  EXPECT_EQ(px[2], 0x00000001u);
  ColorData x555;
  CreateColorData(&x555, 16, 0x7C00, 0x03E0, 0x001F, 0);
  uint16_t w[2] = {0x1234, 0x0001};
  const RectI all = {0, 0, 2, 1};
  SetNoneBitsInRect(&all, reinterpret_cast<uint8_t*>(w), 4, &x555, 1);
  EXPECT_EQ(w[0], 0x9234);
  EXPECT_EQ(w[1], 0x8001);
  ColorData r565;
  CreateColorData(&r565, 16, 0xF800, 0x07E0, 0x001F, 0);
  SetNoneBitsInRect(&all, reinterpret_cast<uint8_t*>(w), 4, &r565, 1);
  EXPECT_EQ(w[0], 0x9234);   // no none bits: untouched
}

TEST(LookAt, BuildsALeftHandedViewAt640By480) {
  const float d = 240.0f * 1.9098593f;
  const float eye[3] = {320.0f, 240.0f, 43.0f - d}, at[3] = {320.0f, 240.0f, 44.0f - d}, up[3] = {0, 1, 0};
  Matrix4 m;
  ASSERT_EQ(BuildLookAtMatrix(&m, eye, at, up), 0);
  EXPECT_FLOAT_EQ(m.m[0][0], 1.0f);
  EXPECT_FLOAT_EQ(m.m[1][1], 1.0f);
  EXPECT_FLOAT_EQ(m.m[2][2], 1.0f);
  EXPECT_FLOAT_EQ(m.m[3][0], -320.0f);
  EXPECT_NEAR(m.m[3][2], 458.3662f - 43.0f, 1e-3);
  EXPECT_NEAR(d + 1000.0f, 1458.3662f, 1e-3);
}

}  // namespace
