// The mask screen's own parts on every screen kind, and the edges of its bracket: no buffer, empty
// rectangles, the front screen of a window, a screen-mode change. Scenes drawn through the mask
// are in mask_dispatch_test.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/graph_load.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/graphics/screen/screen.h"
#include "engine/graphics/screen/screen_fixture.h"
#include "engine/softrender/geometry.h"

namespace {

constexpr int kW = 64, kH = 48;

struct MaskCase {
  const char* name;
  int bits, software, noDirectDraw;
};
void PrintTo(const MaskCase& c, std::ostream* os) { *os << c.name; }

// The current draw target's pixels as a flat array (colour bits only), or written from one.
struct TargetPixels {
  static std::vector<uint32_t> Read() {
    std::vector<uint32_t> out(kW * kH);
    Access([&](uint8_t* p, int32_t pitch, int bytes) {
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
          uint32_t v = 0;
          std::memcpy(&v, p + y * pitch + x * bytes, bytes);
          out[y * kW + x] = bytes == 4 ? v & 0xFFFFFF : v;
        }
    });
    return out;
  }
  static void Write(const std::vector<uint32_t>& in) {
    Access([&](uint8_t* p, int32_t pitch, int bytes) {
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) std::memcpy(p + y * pitch + x * bytes, &in[y * kW + x], bytes);
    });
  }
  template <class F>
  static void Access(F f) {
    const ScreenState& s = g_ScreenState;
    if (s.targetImage && s.targetImage->pixels) {
      f(s.targetImage->pixels, s.targetImage->pitch, MemImgPixelBytes(s.targetImage));
      MemImgMarkChanged(s.targetImage);
      return;
    }
    ASSERT_NE(s.targetSurface, nullptr);
    uint8_t* p = nullptr;
    int32_t pitch = 0;
    plat::SurfRect r{0, 0, kW, kH};
    ASSERT_EQ(plat::SurfaceLock(s.targetSurface, &r, 0, &p, &pitch), plat::SURF_OK);
    f(p, pitch, static_cast<int>(plat::SurfaceFormat(s.targetSurface).bitCount / 8));
    plat::SurfaceUnlock(s.targetSurface);
  }
};

// A picture with a different value in every pixel, never 0.
std::vector<uint32_t> Backdrop(uint32_t colourBits) {
  std::vector<uint32_t> v(kW * kH);
  for (int i = 0; i < kW * kH; ++i) v[i] = ((static_cast<uint32_t>(i) * 2654435761u) & colourBits) | 1u;
  return v;
}

class MaskScreenTest : public ::testing::TestWithParam<MaskCase> {
 protected:
  void SetUp() override {
    ScreenSetup s;
    s.width = kW;
    s.height = kH;
    s.bits = GetParam().bits;
    s.software = GetParam().software;
    s.noDirectDraw = GetParam().noDirectDraw;
    ASSERT_EQ(StartScreenForTest(s), 0);
  }
  void TearDown() override {
    DeleteMaskScreen();
    DeleteAllGraphHandles(0);
    StopScreenForTest();
  }
};

TEST_P(MaskScreenTest, SaveAreaKindFollowsTheScreen) {
  ASSERT_EQ(CreateMaskScreen(1, 1), 0);
  int pitch = 0, w = 0, h = 0;
  ASSERT_NE(GetMaskBuffer(&pitch, &w, &h), nullptr);
  EXPECT_EQ(w, kW);
  EXPECT_EQ(h, kH);
  EXPECT_EQ(pitch % 4, 0);
  int hasBuffer = 0, hasSave = 0;
  MaskScreenParts(&hasBuffer, &hasSave);
  EXPECT_EQ(hasBuffer, 1);
  EXPECT_EQ(hasSave, 1);
  if (g_ScreenState.softwareScreen) {
    ASSERT_NE(GetMaskMemImg(), nullptr);
    EXPECT_EQ(GetMaskMemImg()->width, kW);
    EXPECT_EQ(GetMaskSurface(), nullptr);
  } else {
    plat::Surface* s = GetMaskSurface();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(GetMaskMemImg(), nullptr);
    EXPECT_EQ(plat::SurfaceCaps(s) & 0x2040u, 0x2040u);
    uint32_t low = 1, high = 1;
    EXPECT_TRUE(plat::SurfaceGetColorKey(s, &low, &high));
    EXPECT_EQ(low, 0u);
    EXPECT_EQ(high, 0u);
  }
  DeleteMaskScreen();
  EXPECT_EQ(MaskScreenExists(), 0);
  EXPECT_EQ(GetUseMaskFlag(), 0);
  EXPECT_EQ(g_DrawState.maskInEffect, 0);
  EXPECT_EQ(GetMaskSurface(), nullptr);
  EXPECT_EQ(GetMaskMemImg(), nullptr);
  EXPECT_EQ(GetMaskBuffer(nullptr, nullptr, nullptr), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Screens, MaskScreenTest,
                         ::testing::Values(MaskCase{"Display16", 16, 0, 0}, MaskCase{"Display32", 32, 0, 0},
                                           MaskCase{"SoftwareOverDisplay32", 32, 1, 0},
                                           MaskCase{"SoftwareOverDisplay16", 16, 1, 0},
                                           MaskCase{"SoftwareNoDisplay16", 16, 1, 1}),
                         [](const ::testing::TestParamInfo<MaskCase>& i) { return std::string(i.param.name); });

class MaskEdgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ScreenSetup s;
    s.width = kW;
    s.height = kH;
    ASSERT_EQ(StartScreenForTest(s), 0);
  }
  void TearDown() override {
    DeleteMaskScreen();
    StopScreenForTest();
  }
};

TEST_F(MaskEdgeTest, NoBufferRefusesTheSwitchAndNothingIsBracketed) {
  EXPECT_EQ(GetUseMaskFlag(), 1);              // the manager's default
  EXPECT_EQ(g_DrawState.maskInEffect, 0);      // but no mask screen
  EXPECT_EQ(SetUseMaskFlag(1), -1);
  EXPECT_EQ(SetUseMaskFlag(0), -1);
  EXPECT_EQ(GetUseMaskFlag(), 1);
  EXPECT_EQ(g_DrawState.maskInEffect, 0);
  const std::vector<uint32_t> backdrop = Backdrop(0xFFFF);
  TargetPixels::Write(backdrop);
  EXPECT_EQ(DrawFilledBoxSoftware(0, 0, 8, 8, 0x55), 0);   // straight onto the target
  EXPECT_EQ(TargetPixels::Read()[0], 0x55u);
  // A save area without a buffer is a mask screen too; still no switch without the buffer.
  ASSERT_EQ(CreateMaskScreen(0, 1), 0);
  EXPECT_EQ(MaskScreenExists(), 1);
  EXPECT_EQ(SetUseMaskFlag(1), -1);
  EXPECT_EQ(g_DrawState.maskInEffect, 0);
}

TEST_F(MaskEdgeTest, AMergeOverAnEmptyRectangleTouchesNothing) {
  ASSERT_EQ(CreateMaskScreen(1, 1), 0);
  ASSERT_EQ(FillMaskScreenRect(0, 0, kW, kH, 1), 0);
  ASSERT_EQ(SetUseMaskFlag(1), 0);
  ASSERT_EQ(plat::SurfaceColorFill(GetMaskSurface(), nullptr, 0x7777), plat::SURF_OK);
  const std::vector<uint32_t> backdrop = Backdrop(0xFFFF);
  TargetPixels::Write(backdrop);
  SetDrawAreaViewport(0, 0, 10, 10);
  EXPECT_EQ(MergeMaskedDrawArea(20, 20, 30, 30, GetBackSurface(), nullptr), 0);   // wholly outside
  EXPECT_EQ(MergeMaskedDrawArea(5, 5, 5, 9, GetBackSurface(), nullptr), 0);       // no width
  EXPECT_EQ(TargetPixels::Read(), backdrop);
  EXPECT_EQ(MergeMaskedDrawArea(8, 8, 30, 30, GetBackSurface(), nullptr), 0);     // clipped to 2 x 2
  const std::vector<uint32_t> got = TargetPixels::Read();
  int changed = 0;
  for (int i = 0; i < kW * kH; ++i) changed += got[i] != backdrop[i];
  EXPECT_EQ(changed, 4);
  EXPECT_EQ(got[9 * kW + 9], 0x7777u);
}

TEST_F(MaskEdgeTest, AScreenModeChangeEndsTheMaskWithTheGraphicsManager) {
  ASSERT_EQ(CreateMaskScreen(1, 1), 0);
  ASSERT_EQ(SetUseMaskFlag(1), 0);
  ASSERT_EQ(SetScreenModeKeep(kW, kH, 32, -1), 0);
  EXPECT_EQ(MaskScreenExists(), 0);
  EXPECT_EQ(GetMaskSurface(), nullptr);
  EXPECT_EQ(g_DrawState.maskInEffect, 0);
  EXPECT_EQ(GetUseMaskFlag(), 1);   // the restarted manager's default, with nothing to apply it to
  ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_BACK), 0);
  EXPECT_EQ(DrawFilledBoxSoftware(0, 0, 4, 4, 0x123456), 0);
  uint8_t* p = nullptr;
  int32_t pitch = 0;
  ASSERT_EQ(plat::SurfaceLock(GetBackSurface(), nullptr, 0, &p, &pitch), plat::SURF_OK);
  uint32_t v;
  std::memcpy(&v, p, 4);
  plat::SurfaceUnlock(GetBackSurface());
  EXPECT_EQ(v & 0xFFFFFF, 0x123456u);
}

TEST_F(MaskEdgeTest, RebuildWithoutAMaskScreenMakesNone) {
  ASSERT_EQ(RebuildDisplayAfterReactivation(), 0);
  EXPECT_EQ(MaskScreenExists(), 0);
  EXPECT_EQ(GetMaskSurface(), nullptr);
  EXPECT_EQ(g_DrawState.maskInEffect, 0);
}

TEST_F(MaskEdgeTest, FrontScreenInAWindowMergesAtTheClientOrigin) {
  StopScreenForTest();
  ScreenSetup s;
  s.width = kW;
  s.height = kH;
  s.fullScreen = 0;
  ASSERT_EQ(StartScreenForTest(s), 0);
  SetMainClientForTest(RectI{100, 50, 100 + kW, 50 + kH});
  ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_FRONT), 0);
  ASSERT_EQ(CreateMaskScreen(1, 1), 0);
  ASSERT_EQ(FillMaskScreenRect(0, 0, 4, 4, 1), 0);
  ASSERT_EQ(SetUseMaskFlag(1), 0);
  EXPECT_EQ(g_DrawState.drawScreenRect.left, 0);   // the mask keeps the draw screen's own coordinates
  plat::Surface* primary = GetPrimarySurface();
  ASSERT_EQ(plat::SurfaceColorFill(primary, nullptr, 0x0101), plat::SURF_OK);
  BeginMaskedDraw(0, 0, 8, 8);
  EXPECT_EQ(DrawFilledBoxSoftware(0, 0, 8, 8, 0x0F0F), 0);
  EndMaskedDraw(0, 0, 8, 8);
  auto at = [&](int x, int y) {
    uint8_t* p = nullptr;
    int32_t pitch = 0;
    plat::SurfRect r{x, y, x + 1, y + 1};
    EXPECT_EQ(plat::SurfaceLock(primary, &r, 0, &p, &pitch), plat::SURF_OK);
    uint16_t v;
    std::memcpy(&v, p, 2);
    plat::SurfaceUnlock(primary);
    return v;
  };
  EXPECT_EQ(at(100, 50), 0x0F0F);
  EXPECT_EQ(at(103, 53), 0x0F0F);
  EXPECT_EQ(at(104, 53), 0x0101);   // the mask stops it
  EXPECT_EQ(at(3, 3), 0x0101);      // nothing at the desktop's own origin
  ASSERT_EQ(SetUseMaskFlag(0), 0);
  EXPECT_EQ(g_DrawState.drawScreenRect.left, 100);   // unmasked, the front screen is the client area again
  SetDrawTarget(DRAW_SCREEN_BACK);
}

}  // namespace
