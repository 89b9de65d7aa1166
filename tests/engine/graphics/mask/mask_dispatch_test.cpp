// Sprites, boxes, ovals and text drawn through the public draws while the mask is in effect, on the
// three drawing paths: the 3-D device, the software renderer on display surfaces and the software
// screen. The masked frame must equal the unmasked frame where the mask lets drawing through and
// the untouched backdrop everywhere else, also after the display was rebuilt under the mask.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/base/temp_folder.h"
#include "engine/graphics/draw/sprite_scene.h"
#include "engine/graphics/font/font.h"
#include "engine/graphics/graph/graph_load.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/graphics/screen/screen.h"
#include "engine/graphics/screen/screen_fixture.h"
#include "platform/glyphs.h"
#include "platform/renderer.h"

namespace {

enum Path { kDevice, kSoftwareOnDisplay, kSoftwareScreen };

struct MaskPath {
  const char* name;
  Path path;
  int bits;
};
void PrintTo(const MaskPath& p, std::ostream* os) { *os << p.name; }

// One screen brought up from nothing, so that every run starts from the same device state.
struct MaskRun {
  MaskPath param;
  TempFolder folder;
  int cell0 = -1, cell1 = -1, font = -1;
  uint32_t colourBits = 0;

  explicit MaskRun(const MaskPath& mp) : param(mp) {
    const Path p = param.path;
    plat::SetRendererSetting(p == kDevice             ? plat::RendererSetting::Full
                             : p == kSoftwareOnDisplay ? plat::RendererSetting::NoDevice3D
                                                       : plat::RendererSetting::NoDisplay);
    plat::GlyphSetBackend(plat::GlyphBackend::Fake);
    ScreenSetup s;
    s.width = kW;
    s.height = kH;
    s.bits = param.bits;
    s.direct3D = 1;
    s.noDirectDraw = p == kSoftwareScreen;
    s.software = p == kSoftwareScreen;
    EXPECT_EQ(StartScreenForTest(s), 0);
    SetGraphicsManagerUp(0);
    InitializeGraphicsManager();
    EXPECT_EQ(Direct3DInUse() != 0, p == kDevice);
    SetGraphRestoreCallback(nullptr);
    SetDrawTarget(DRAW_SCREEN_BACK);
    colourBits = param.bits == 16 ? 0xFFFFu : 0xFFFFFFu;
    folder.Write("sheet.png", SheetPng());
    const int sheet = LoadGraphFileCall("sheet.png");
    EXPECT_GT(sheet, 0);
    cell0 = DeriveGraphRegion(0, 0, 32, 32, sheet);
    cell1 = DeriveGraphRegion(32, 0, 32, 32, sheet);
    font = CreateFontToHandle(nullptr, 16, -1, 1, -1, 1, 0, -1, -1);
    EXPECT_NE(font, -1);
    EXPECT_EQ(GetFontRecord(font)->textureCache, p == kDevice ? 1 : 0);
  }
  ~MaskRun() {
    DeleteFontHandle(font);
    TerminateGraphicsManager();
    StopScreenForTest();
    plat::ResetRendererSetting();
  }

  void Backdrop() {
    for (int y = 0; y < kH; y += 8)
      DrawBoxShape(0, y, kW, y + 8, GetScreenColor(0x20 + y, 0x30, 0x40 + (y & 0x3F)), 1);
  }

  void DrawEverything() {
    DrawBoxShape(10, 8, 70, 50, GetScreenColor(200, 40, 40), 1);
    DrawBoxShape(30, 30, 120, 90, GetScreenColor(0, 0, 0), 1);   // black: the save area's key on 16 bits
    DrawBoxShape(60, 5, 150, 60, GetScreenColor(40, 220, 90), 0);
    DrawOvalShape(120, 90, 25, 15, GetScreenColor(250, 250, 0), 1);
    DrawScene(kAtPoint, cell0, cell1);
    DrawScene(kRotated, cell0, cell1);
    DrawScene(kBlends, cell0, cell1);
    EXPECT_EQ(DrawTextWithFont(6, 96, "Mask 123", GetScreenColor(255, 255, 255), font, GetScreenColor(0, 0, 160), 0),
              0);
  }

  // The back screen as the draws left it.
  Frame ReadBack() {
    EndSceneCurrent();
    Frame f(kW * kH);
    const ScreenState& s = g_ScreenState;
    const uint8_t* p;
    int32_t pitch, bytes;
    if (s.targetImage && s.targetImage->pixels) {
      p = s.targetImage->pixels;
      pitch = s.targetImage->pitch;
      bytes = MemImgPixelBytes(s.targetImage);
    } else {
      uint8_t* locked = nullptr;
      EXPECT_EQ(plat::SurfaceLock(s.targetSurface, nullptr, 0, &locked, &pitch), plat::SURF_OK);
      p = locked;
      bytes = static_cast<int32_t>(plat::SurfaceFormat(s.targetSurface).bitCount / 8);
    }
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        uint32_t v = 0;
        std::memcpy(&v, p + y * pitch + x * bytes, bytes);
        f[y * kW + x] = v & colourBits;
      }
    if (!(s.targetImage && s.targetImage->pixels)) plat::SurfaceUnlock(s.targetSurface);
    return f;
  }

  // Bands, a comb and single bytes of several non-zero values.
  std::vector<uint8_t> ShapeMask() {
    int pitch = 0;
    uint8_t* m = GetMaskBuffer(&pitch, nullptr, nullptr);
    EXPECT_NE(m, nullptr);
    FillMaskScreenRect(0, 0, kW / 2, 40, 1);
    FillMaskScreenRect(kW - 7, 0, kW, kH, 0xFF);
    for (int y = 40; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        if ((x / 3 + y) % 4 == 0) m[y * pitch + x] = static_cast<uint8_t>(1 + x);
    std::vector<uint8_t> flat(kW * kH);
    for (int y = 0; y < kH; ++y) std::memcpy(&flat[y * kW], m + y * pitch, kW);
    return flat;
  }

  // The backdrop and the scene over it, unmasked.
  void Reference(Frame* backdrop, Frame* unmasked) {
    Backdrop();
    *backdrop = ReadBack();
    DrawEverything();
    *unmasked = ReadBack();
  }
};

class MaskDispatchTest : public ::testing::TestWithParam<MaskPath> {
 protected:
  void ExpectMasked(const Frame& got, const Frame& unmasked, const Frame& backdrop, const std::vector<uint8_t>& mask) {
    Frame want(kW * kH);
    int through = 0, stopped = 0;
    for (int i = 0; i < kW * kH; ++i) {
      want[i] = mask[i] ? unmasked[i] : backdrop[i];
      if (unmasked[i] != backdrop[i]) (mask[i] ? through : stopped) += 1;
    }
    EXPECT_GT(through, 1000);   // the scene really draws on both sides of the mask
    EXPECT_GT(stopped, 1000);
    EXPECT_EQ(HashFrame(got), HashFrame(want));
    EXPECT_EQ(Differing(got, want, 0), 0);
  }
};

TEST_P(MaskDispatchTest, OnlyPixelsTheMaskLetsThroughChange) {
  Frame backdrop, unmasked;
  MaskRun(GetParam()).Reference(&backdrop, &unmasked);

  MaskRun run(GetParam());
  run.Backdrop();
  ASSERT_EQ(run.ReadBack(), backdrop);
  ASSERT_EQ(CreateMaskScreen(1, 1), 0);
  const std::vector<uint8_t> mask = run.ShapeMask();
  ASSERT_EQ(SetUseMaskFlag(1), 0);
  run.DrawEverything();
  ASSERT_EQ(SetUseMaskFlag(0), 0);
  ExpectMasked(run.ReadBack(), unmasked, backdrop, mask);

  // Selecting a draw target keeps the mask as it was.
  ASSERT_EQ(SetUseMaskFlag(1), 0);
  ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_BACK), 0);
  EXPECT_EQ(GetUseMaskFlag(), 1);
  EXPECT_EQ(g_DrawState.maskInEffect, 1);
}

TEST_P(MaskDispatchTest, TheMaskHoldsAfterTheDisplayIsRebuilt) {
  if (GetParam().path == kSoftwareScreen) GTEST_SKIP();   // no display object to lose
  Frame backdrop, unmasked;
  MaskRun(GetParam()).Reference(&backdrop, &unmasked);

  MaskRun run(GetParam());
  ASSERT_EQ(CreateMaskScreen(1, 1), 0);
  const std::vector<uint8_t> mask = run.ShapeMask();
  ASSERT_EQ(SetUseMaskFlag(1), 0);
  plat::SurfaceDeviceLoseAll(g_ScreenState.device);
  ASSERT_EQ(RebuildDisplayAfterReactivation(), 0);
  ASSERT_EQ(MaskScreenExists(), 1);
  ASSERT_EQ(g_DrawState.maskInEffect, 1);

  ASSERT_EQ(SetUseMaskFlag(0), 0);
  run.Backdrop();
  ASSERT_EQ(run.ReadBack(), backdrop);
  ASSERT_EQ(SetUseMaskFlag(1), 0);
  run.DrawEverything();
  ExpectMasked(run.ReadBack(), unmasked, backdrop, mask);
}

INSTANTIATE_TEST_SUITE_P(Paths, MaskDispatchTest,
                         ::testing::Values(MaskPath{"Device32", kDevice, 32}, MaskPath{"Device16", kDevice, 16},
                                           MaskPath{"SoftwareOnDisplay32", kSoftwareOnDisplay, 32},
                                           MaskPath{"SoftwareOnDisplay16", kSoftwareOnDisplay, 16},
                                           MaskPath{"SoftwareScreen32", kSoftwareScreen, 32},
                                           MaskPath{"SoftwareScreen16", kSoftwareScreen, 16}),
                         [](const ::testing::TestParamInfo<MaskPath>& i) { return std::string(i.param.name); });

}  // namespace
