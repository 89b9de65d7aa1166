#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/device3d/device3d_fixture.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/screen/screen_fixture.h"

namespace {

class DrawStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    NoScreenForTest();
    g_DrawState.notAvailable = 0;
    ResetDrawState();
  }
  void TearDown() override { NoScreenForTest(); }
};

TEST(ClipRect, ClampsInOrder) {
  RectI b{0, 0, 100, 50};
  RectI a{150, 10, 200, 20};   // wholly to the right
  ClipRectToRect(&a, &b);
  EXPECT_EQ(a.left, 100);
  EXPECT_EQ(a.right, 100);
  a = RectI{-10, -5, 30, 80};
  ClipRectToRect(&a, &b);
  EXPECT_EQ(a.left, 0);
  EXPECT_EQ(a.top, 0);
  EXPECT_EQ(a.right, 30);
  EXPECT_EQ(a.bottom, 50);
  a = RectI{40, 30, 20, 10};   // inverted: right and bottom raised first, so empty
  ClipRectToRect(&a, &b);
  EXPECT_EQ(a.left, a.right);
  EXPECT_EQ(a.top, a.bottom);
  RectI n{9, 8, 1, 2};
  NormalizeRect(&n);
  EXPECT_EQ(n.left, 1);
  EXPECT_EQ(n.bottom, 8);
  int w = 0;
  GetRectSize(&n, &w, nullptr);
  EXPECT_EQ(w, 8);
}

TEST_F(DrawStateTest, DefaultsAfterReset) {
  EXPECT_EQ(g_DrawState.drawScreen, -4);
  EXPECT_EQ(g_DrawState.drawArea.right, 640);
  EXPECT_EQ(g_DrawState.drawArea.bottom, 480);
  EXPECT_EQ(g_DrawState.zCompare, 4);
  EXPECT_FLOAT_EQ(g_DrawState.vertexDepth, 0.2f);
  EXPECT_EQ(g_DrawState.blendGraph, -1);
  EXPECT_EQ(g_DrawState.drawBright, 0xFFFFFFu);
  EXPECT_EQ(g_DrawState.useTexture, 1);
  EXPECT_EQ(g_DrawState.createAlphaTest, 1);
}

TEST_F(DrawStateTest, DrawAreaOrdersAndClamps) {
  g_DrawState.drawScreen = DRAW_SCREEN_BACK;
  SetDrawAreaViewport(100, 50, 10, 5);
  EXPECT_EQ(g_DrawState.drawArea.left, 10);
  EXPECT_EQ(g_DrawState.drawArea.top, 5);
  EXPECT_EQ(g_DrawState.drawArea.right, 100);
  EXPECT_EQ(g_DrawState.drawArea.bottom, 50);
  EXPECT_FLOAT_EQ(g_DrawState.drawAreaF[2], 100.0f);
  SetDrawAreaViewport(-20, -1, 9999, 700);
  EXPECT_EQ(g_DrawState.drawArea.left, 0);
  EXPECT_EQ(g_DrawState.drawArea.right, 640);
  EXPECT_EQ(g_DrawState.drawArea.bottom, 480);
  EXPECT_EQ(g_DrawState.drawAreaEmpty, 0);
}

TEST_F(DrawStateTest, EmptyDrawAreaSkipsViewport) {
  Device3DScreen screen;
  ASSERT_EQ(screen.Start(), 0);
  g_DrawState.drawScreen = DRAW_SCREEN_BACK;
  screen.script.calls.clear();
  SetDrawAreaViewport(0, 0, 100, 100);
  EXPECT_EQ(screen.script.Count(plat::CALL_SETVIEWPORT), 1u);
  SetDrawAreaViewport(30, 0, 30, 100);
  EXPECT_EQ(g_DrawState.drawAreaEmpty, 1);
  EXPECT_EQ(screen.script.Count(plat::CALL_SETVIEWPORT), 1u);
  screen.Stop();
}

TEST_F(DrawStateTest, FrontScreenKeepsCallersLargerStart) {
  SetMainClientForTest(RectI{-30, -10, 610, 470});
  g_base.win.desktopWidth = 600;
  g_base.win.desktopHeight = 1000;
  g_DrawState.drawScreen = DRAW_SCREEN_FRONT;
  SetDrawAreaViewport(0, 0, 640, 480);
  EXPECT_EQ(g_DrawState.drawArea.left, 30);    // hidden width
  EXPECT_EQ(g_DrawState.drawArea.top, 10);
  EXPECT_EQ(g_DrawState.drawArea.right, 630);  // desktop 600 - client left -30
  SetDrawAreaViewport(50, 5, 640, 480);
  EXPECT_EQ(g_DrawState.drawArea.left, 50);    // the caller's larger start stays
  EXPECT_EQ(g_DrawState.drawArea.top, 10);
}

TEST_F(DrawStateTest, SettersClampAndRefuse) {
  SetBlendModeState(1, 300);
  EXPECT_EQ(g_DrawState.blendParam, 255);
  SetBlendModeState(2, -5);
  EXPECT_EQ(g_DrawState.blendMode, 2);
  EXPECT_EQ(g_DrawState.blendParam, 0);
  SetDrawBrightRgb(300, -1, 128);
  EXPECT_EQ(g_DrawState.drawBright, 0xFF0080u);

  SetTransparentColor(0, 255, 0);
  EXPECT_EQ(g_DrawState.transparentColor, 0x00FF00u);
  g_ScreenState.actualBitDepth = 8;
  SetTransparentColor(255, 0, 0);
  EXPECT_EQ(g_DrawState.transparentColor, 0x00FF00u);

  EXPECT_EQ(SetBlendGraphState(0x08000005, 10, 20), -1);   // no such graph
  EXPECT_EQ(g_DrawState.blendGraph, -1);

  g_DrawState.notAvailable = 1;
  SetBlendModeState(4, 9);
  EXPECT_EQ(g_DrawState.blendMode, 2);
  g_DrawState.notAvailable = 0;

  SetCreateVideoMemoryFlag(1);
  EXPECT_EQ(g_DrawState.createSystemMemory, 0);
  SetCreateVideoMemoryFlag(0);
  EXPECT_EQ(g_DrawState.createSystemMemory, 1);
  g_ScreenState.noDirectDraw = 0;
  SetCreateSystemMemoryFlag(0);
  EXPECT_EQ(g_DrawState.createSystemMemory, 1);
}

TEST(BlendTables, WeightTable) {
  BuildBlendWeightTable(0, 0);   // border 0, range 0: base 256, everything saturates
  EXPECT_EQ(g_BlendWeightTable[0], 255);
  BuildBlendWeightTable(255, 0); // base = 256 - (65792 * 255) / 256 = -65279
  EXPECT_EQ(g_BlendWeightTable[254], 0);
  EXPECT_EQ(g_BlendWeightTable[255], 1);
  BuildBlendWeightTable(128, 255);
  // base = 256 - ((256 + 256) * 128) / 256 = 0; entry i = i
  for (int i = 0; i < 256; ++i) ASSERT_EQ(g_BlendWeightTable[i], i);
  BuildBlendWeightTable(64, 63);
  // base = 256 - ((1024 + 256) * 64) / 256 = -64; entry i = 4i - 64 clamped
  EXPECT_EQ(g_BlendWeightTable[10], 0);
  EXPECT_EQ(g_BlendWeightTable[20], 16);
  EXPECT_EQ(g_BlendWeightTable[100], 255);
}

TEST(BlendTables, LookupEntries) {
  BuildBlendLookupTables();
  EXPECT_EQ(g_BlendTables.ready, 1);
  EXPECT_EQ(g_BlendTables.product[255][255], 255u);
  EXPECT_EQ(g_BlendTables.product[128][254], 127u);
  EXPECT_EQ(g_BlendTables.signedProduct[128][255 - 254], -127);   // toward zero
  EXPECT_EQ(g_BlendTables.signedProduct[255][510], 255);
  EXPECT_EQ(g_BlendTables.signedProduct[100][255], 0);
  EXPECT_EQ(g_BlendTables.lerp63[63][10][50], 10);
  EXPECT_EQ(g_BlendTables.lerp63[0][10][50], 50);
  EXPECT_EQ(g_BlendTables.lerp63[31][63][0], 31);
}

TEST(Matrices, IdentityProductAndViewport) {
  Matrix4 a, v, out;
  CreateIdentityMatrix(&a);
  CreateViewportMatrix(&v, 320.0f, 240.0f, 640.0f, 480.0f);
  MultiplyMatrix(&out, &a, &v);
  EXPECT_FLOAT_EQ(out.m[0][0], 320.0f);
  EXPECT_FLOAT_EQ(out.m[1][1], -240.0f);
  EXPECT_FLOAT_EQ(out.m[3][0], 320.0f);
  Matrix4 p;
  EXPECT_EQ(CreatePerspectiveMatrix(&p, 1.0f, 1.0f, 1.005f), -1);
  EXPECT_EQ(CreatePerspectiveMatrix(&p, 1.5707964f, 1.0f, 101.0f), 0);
  EXPECT_NEAR(p.m[1][1], 1.0f, 1e-6);
  EXPECT_NEAR(p.m[0][0], 0.75f, 1e-6);
  EXPECT_FLOAT_EQ(p.m[2][3], 1.0f);
}

}  // namespace
