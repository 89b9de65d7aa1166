// The mask screen on every screen kind: draws bracketed while the mask is in effect change only the
// pixels whose mask byte lets drawing through; the mask outlives a display rebuild.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/graphics/graph.h"
#include "engine/graphics/graph_load.h"
#include "engine/graphics/mask_screen.h"
#include "engine/graphics/screen.h"
#include "engine/graphics/screen_fixture.h"
#include "engine/graphics/surface2d.h"
#include "engine/graphics/surface_data.h"
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

uint32_t Hash(const std::vector<uint32_t>& v) {
  uint32_t h = 2166136261u;
  for (uint32_t p : v) h = (h ^ p) * 16777619u;
  return h;
}

// A picture with a different value in every pixel, never 0.
std::vector<uint32_t> Backdrop(uint32_t colourBits) {
  std::vector<uint32_t> v(kW * kH);
  for (int i = 0; i < kW * kH; ++i) v[i] = ((static_cast<uint32_t>(i) * 2654435761u) & colourBits) | 1u;
  return v;
}

class MaskScreenTest : public ::testing::TestWithParam<MaskCase> {
 protected:
  uint32_t colourBits = 0;

  void SetUp() override {
    ScreenSetup s;
    s.width = kW;
    s.height = kH;
    s.bits = GetParam().bits;
    s.software = GetParam().software;
    s.noDirectDraw = GetParam().noDirectDraw;
    ASSERT_EQ(StartScreenForTest(s), 0);
    colourBits = GetParam().bits == 16 ? 0xFFFFu : 0xFFFFFFu;
  }
  void TearDown() override {
    DeleteMaskScreen();
    DeleteAllGraphHandles(0);
    StopScreenForTest();
  }

  // A mask with a block, a byte-wise comb (so that neither the four-byte nor the one-byte path
  // sees only one kind) and a ragged right edge beyond the last whole group of four.
  std::vector<uint8_t> ShapeMask() {
    int pitch = 0, w = 0, h = 0;
    uint8_t* m = GetMaskBuffer(&pitch, &w, &h);
    EXPECT_NE(m, nullptr);
    EXPECT_EQ(FillMaskScreenRect(6, 4, 30, 20, 1), 0);
    for (int y = 24; y < 40; ++y)
      for (int x = 0; x < kW; ++x)
        if ((x + y) % 3 == 0) m[y * pitch + x] = 0x80;
    EXPECT_EQ(FillMaskScreenRect(kW - 3, 0, kW, kH, 7), 0);
    std::vector<uint8_t> flat(kW * kH);
    for (int y = 0; y < kH; ++y) std::memcpy(&flat[y * kW], m + y * pitch, kW);
    return flat;
  }

  // A 12 x 10 software graph whose pixels are all different and never 0.
  int Sprite(std::vector<uint32_t>* pixels) {
    SetCreateSystemMemoryFlag(1);
    const int g = CreateGraph(12, 10, 0, 0, 0);
    EXPECT_GT(g, 0);
    MemImg* img = &GetSurfaceDataRecord(static_cast<int>(GetSurface2D(static_cast<int>(GetGraphRecord(g)->parts[0]))->surfaceData))->image;
    const int bytes = MemImgPixelBytes(img);
    pixels->assign(12 * 10, 0);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 12; ++x) {
        const uint32_t v = ((0x9E3779B9u * static_cast<uint32_t>(y * 12 + x + 7)) & colourBits) | 2u;
        std::memcpy(img->pixels + y * img->pitch + x * bytes, &v, bytes);
        (*pixels)[y * 12 + x] = v;
      }
    MemImgMarkChanged(img);
    return g;
  }
};

// The reference: a box or a picture lands only where the mask byte is non-zero.
void ApplyBox(std::vector<uint32_t>* want, const std::vector<uint8_t>& mask, int x1, int y1, int x2, int y2,
              uint32_t colour) {
  for (int y = std::max(y1, 0); y < std::min(y2, kH); ++y)
    for (int x = std::max(x1, 0); x < std::min(x2, kW); ++x)
      if (mask[y * kW + x]) (*want)[y * kW + x] = colour;
}

void ApplyPicture(std::vector<uint32_t>* want, const std::vector<uint8_t>& mask, int x0, int y0,
                  const std::vector<uint32_t>& pic, int pw, int ph) {
  for (int y = 0; y < ph; ++y)
    for (int x = 0; x < pw; ++x) {
      const int tx = x0 + x, ty = y0 + y;
      if (tx >= 0 && ty >= 0 && tx < kW && ty < kH && mask[ty * kW + tx]) (*want)[ty * kW + tx] = pic[y * pw + x];
    }
}

TEST_P(MaskScreenTest, BoxesAndSpritesChangeOnlyWhereTheMaskLetsThrough) {
  std::vector<uint32_t> sprite;
  const int g = Sprite(&sprite);
  const std::vector<uint32_t> backdrop = Backdrop(colourBits);
  TargetPixels::Write(backdrop);
  ASSERT_EQ(CreateMaskScreen(1, 1), 0);
  const std::vector<uint8_t> mask = ShapeMask();
  ASSERT_EQ(SetUseMaskFlag(1), 0);
  ASSERT_EQ(g_DrawState.maskInEffect, 1);

  std::vector<uint32_t> want = backdrop;
  const uint32_t colour = 0x00A5C3u & colourBits;
  // Black is the save area's key colour on a 16-bit screen; it must come through all the same.
  const uint32_t black = GetScreenColor(0, 0, 0) & colourBits;

  BeginMaskedDraw(2, 2, 50, 44);
  EXPECT_EQ(DrawFilledBoxSoftware(2, 2, 50, 44, colour), 0);
  EXPECT_EQ(TargetPixels::Read(), backdrop) << "the draw lands in the save area until the merge";
  EndMaskedDraw(2, 2, 50, 44);
  ApplyBox(&want, mask, 2, 2, 50, 44, colour);

  BeginMaskedDraw(20, 10, 40, 30);
  EXPECT_EQ(DrawFilledBoxSoftware(20, 10, 40, 30, black), 0);
  EndMaskedDraw(20, 10, 40, 30);
  ApplyBox(&want, mask, 20, 10, 40, 30, black);

  const GraphRecord* r = GetGraphRecord(g);
  BeginMaskedDraw(55, 30, 67, 40);   // partly off the right edge
  EXPECT_EQ(DrawGraphSoftware(55, 30, static_cast<int>(r->parts[0]), 0), 0);
  EndMaskedDraw(55, 30, 67, 40);
  ApplyPicture(&want, mask, 55, 30, sprite, 12, 10);
  BeginMaskedDraw(3, 22, 15, 32);
  EXPECT_EQ(DrawGraphSoftware(3, 22, static_cast<int>(r->parts[0]), 0), 0);
  EndMaskedDraw(3, 22, 15, 32);
  ApplyPicture(&want, mask, 3, 22, sprite, 12, 10);

  const std::vector<uint32_t> got = TargetPixels::Read();
  EXPECT_EQ(Hash(got), Hash(want));
  int wrong = 0;
  for (int i = 0; i < kW * kH; ++i) wrong += got[i] != want[i];
  EXPECT_EQ(wrong, 0);
}

TEST_P(MaskScreenTest, TheMaskOutlivesADisplayRebuild) {
  // Only a display object is ever lost and rebuilt.
  if (GetParam().noDirectDraw) GTEST_SKIP();
  ASSERT_EQ(CreateMaskScreen(1, 1), 0);
  const std::vector<uint8_t> mask = ShapeMask();
  ASSERT_EQ(SetUseMaskFlag(1), 0);
  plat::SurfaceDeviceLoseAll(g_ScreenState.device);
  ASSERT_EQ(RebuildDisplayAfterReactivation(), 0);

  EXPECT_EQ(MaskScreenExists(), 1);
  EXPECT_EQ(GetUseMaskFlag(), 1);
  EXPECT_EQ(g_DrawState.maskInEffect, 1);
  int pitch = 0;
  const uint8_t* m = GetMaskBuffer(&pitch, nullptr, nullptr);
  ASSERT_NE(m, nullptr);
  for (int y = 0; y < kH; ++y) ASSERT_EQ(std::memcmp(m + y * pitch, &mask[y * kW], kW), 0) << "row " << y;
  if (g_ScreenState.softwareScreen) {
    EXPECT_NE(GetMaskMemImg(), nullptr);
  } else {
    ASSERT_NE(GetMaskSurface(), nullptr);
    EXPECT_FALSE(plat::SurfaceIsLost(GetMaskSurface()));
  }

  const std::vector<uint32_t> backdrop = Backdrop(colourBits);
  TargetPixels::Write(backdrop);
  std::vector<uint32_t> want = backdrop;
  BeginMaskedDraw(0, 0, kW, kH);
  EXPECT_EQ(DrawFilledBoxSoftware(0, 0, kW, kH, 0x1234u), 0);
  EndMaskedDraw(0, 0, kW, kH);
  ApplyBox(&want, mask, 0, 0, kW, kH, 0x1234u);
  EXPECT_EQ(Hash(TargetPixels::Read()), Hash(want));
}

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
