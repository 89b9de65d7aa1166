// One scene of sprites cut from a generated PNG sheet, drawn through the 3-D device and through the
// software renderer on a software screen: the frames are hashed and pinned, the two agree exactly
// where the rules are the same (1:1 opaque and keyed copies) and stay close elsewhere.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/base/temp_folder.h"
#include "engine/graphics/device3d_fixture.h"
#include "engine/graphics/draw_dispatch.h"
#include "engine/graphics/graph_load.h"
#include "engine/graphics/operations.h"
#include "engine/graphics/pending_softrender_services.h"
#include "engine/softrender/geometry.h"
#include "platform/renderer.h"
#include "engine/graphics/sprite_scene.h"

namespace {

// The scene through the 3-D device onto the primary surface.
Frame ThroughDevice(Scene s) {
  Device3DScreen screen;
  TempFolder folder;
  screen.Prepare(32, kW, kH);
  if (!g_BlendTables.ready) BuildBlendLookupTables();
  SetGraphicsManagerUp(0);
  InitializeGraphicsManager();
  EXPECT_TRUE(Direct3DInUse());
  SetDrawTarget(DRAW_SCREEN_BACK);
  folder.Write("sheet.png", SheetPng());
  const int sheet = LoadGraphFileCall("sheet.png");
  EXPECT_TRUE(sheet > 0 && GetGraphRecord(sheet)->create.texture);
  const int c0 = DeriveGraphRegion(0, 0, 32, 32, sheet), c1 = DeriveGraphRegion(32, 0, 32, 32, sheet);
  plat::SurfaceColorFill(screen.primary, nullptr, kBack);
  DrawScene(s, c0, c1);
  EndSceneCurrent();
  Frame f(kW * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) f[y * kW + x] = screen.Pixel(x, y) & 0xFFFFFF;
  TerminateGraphicsManager();
  screen.Stop();
  return f;
}

// The same scene with no display object: the software screen's image is the frame.
Frame ThroughSoftwareScreen(Scene s) {
  TempFolder folder;
  std::memset(&g_PendingScreenFacts, 0, sizeof(g_PendingScreenFacts));
  std::memset(&g_SoftwareScreenStandIn, 0, sizeof(g_SoftwareScreenStandIn));
  plat::SetRendererSetting(plat::RendererSetting::NoDisplay);
  g_PendingScreenFacts.softwareScreen = 1;
  g_PendingScreenFacts.noDirectDraw = 1;
  g_PendingScreenFacts.actualBits = 32;
  g_PendingScreenFacts.requestedBits = 32;
  g_PendingScreenFacts.width = kW;
  g_PendingScreenFacts.height = kH;
  if (!g_BlendTables.ready) BuildBlendLookupTables();
  MemImg image{};
  EXPECT_EQ(SetupMemImg(&image, kW, kH, -1, 0, MEMIMG_FORMAT_RGB32, 0, 0, 0), 0);
  std::vector<uint8_t> pixels(static_cast<size_t>(image.pitch) * kH);
  image.pixels = pixels.data();
  image.callerOwnedPixels = 1;
  g_SoftwareScreenStandIn.drawTarget = &image;
  g_SoftwareScreenStandIn.displayReady = 1;
  g_DrawState.notAvailable = 0;
  SetGraphicsManagerUp(0);
  InitializeGraphicsManager();
  EXPECT_FALSE(Direct3DInUse());
  SetDrawTarget(DRAW_SCREEN_BACK);
  folder.Write("sheet.png", SheetPng());
  const int sheet = LoadGraphFileCall("sheet.png");
  EXPECT_TRUE(sheet > 0 && !GetGraphRecord(sheet)->create.texture);
  const int c0 = DeriveGraphRegion(0, 0, 32, 32, sheet), c1 = DeriveGraphRegion(32, 0, 32, 32, sheet);
  DrawFilledBoxMemImg(&image, nullptr, kBack);
  DrawScene(s, c0, c1);
  Frame f(kW * kH);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      uint32_t v;
      std::memcpy(&v, pixels.data() + y * image.pitch + x * 4, 4);
      f[y * kW + x] = v & 0xFFFFFF;
    }
  }
  TerminateGraphicsManager();
  std::memset(&g_SoftwareScreenStandIn, 0, sizeof(g_SoftwareScreenStandIn));
  std::memset(&g_PendingScreenFacts, 0, sizeof(g_PendingScreenFacts));
  plat::ResetRendererSetting();
  return f;
}

TEST(DrawPaths, OneToOneCopiesAgreeExactly) {
  const Frame d = ThroughDevice(kCopies), s = ThroughSoftwareScreen(kCopies);
  EXPECT_EQ(Differing(d, s, 0), 0);
  EXPECT_EQ(HashFrame(ThroughDevice(kAtPoint)), HashFrame(d));   // a point draw is the same-size stretch
  EXPECT_EQ(d[10 * kW + 10], SpriteRgb(0, 6, 6));
  EXPECT_EQ(d[5 * kW + 45], kBack);                 // keyed corner of the second sprite
  EXPECT_EQ(d[5 * kW + 5], 0u);                     // not keyed: the key colour itself
}

TEST(DrawPaths, OtherDrawsStayClose) {
  struct Case {
    Scene scene;
    int tolerance;
    int maxPerMille;   // of the pixels either path drew
  };
  // Scales other than whole numbers pick texels by different rounding; rotation and free corners
  // differ along edges and in texel choice; blends and tints differ by their rounding.
  const Case cases[] = {{kStretchedMirrored, 16, 0}, {kRotated, 16, 50}, {kFourCorners, 16, 20},
                        {kBlends, 4, 10},             {kBlends, 64, 0},  {kTint, 4, 0}};
  for (const Case& c : cases) {
    const Frame d = ThroughDevice(c.scene), s = ThroughSoftwareScreen(c.scene);
    int drawn = 0;
    for (size_t i = 0; i < d.size(); ++i) drawn += d[i] != kBack || s[i] != kBack;
    EXPECT_GT(drawn, 900) << c.scene;
    EXPECT_LE(Differing(d, s, c.tolerance) * 1000, c.maxPerMille * drawn) << c.scene;
  }
}

TEST(DrawPaths, FramesArePinned) {
  struct Pin {
    Scene scene;
    uint64_t device, software;
  };
  const Pin pins[] = {
      {kCopies, 0x59b369e1f5868db3ull, 0x59b369e1f5868db3ull},
      {kStretchedMirrored, 0x5451cdfd674b31e7ull, 0xffac65d5e495707full},
      {kRotated, 0x70cb9ce6c4d3a6b6ull, 0x8bb2d0d3c7eedf08ull},
      {kFourCorners, 0x640214dbc03fb4a1ull, 0x5ffd1c2a18e42f76ull},
      {kBlends, 0xaf3a07e85dda6a1bull, 0x18f104b73fb1d47full},
      {kTint, 0x47a0fac0fd165ed3ull, 0xa28bd8314469d3c3ull},
  };
  for (const Pin& p : pins) {
    EXPECT_EQ(HashFrame(ThroughDevice(p.scene)), p.device) << p.scene;
    EXPECT_EQ(HashFrame(ThroughSoftwareScreen(p.scene)), p.software) << p.scene;
  }
}

}  // namespace
