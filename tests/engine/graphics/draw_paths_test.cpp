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
#include "tools/common/picture_writer.h"

namespace {

constexpr int kW = 160, kH = 120;
constexpr uint32_t kBack = 0x203040;

uint32_t SpriteRgb(int cell, int x, int y) {
  if ((x < 4 && y < 4) || (x > 27 && y > 27)) return 0;   // keyed corners
  return (static_cast<uint32_t>(40 + x * 6 + cell * 3) << 16) | (static_cast<uint32_t>(30 + y * 7) << 8) |
         static_cast<uint32_t>(200 - cell * 50);
}

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

using Frame = std::vector<uint32_t>;

uint64_t HashFrame(const Frame& f) {
  uint64_t h = 1469598103934665603ull;
  for (uint32_t v : f) {
    for (int i = 0; i < 4; ++i) h = (h ^ ((v >> (8 * i)) & 0xFF)) * 1099511628211ull;
  }
  return h;
}

// Scenes: each draws onto a cleared frame and may use both cells of the sheet.
enum Scene { kCopies, kStretchedMirrored, kRotated, kFourCorners, kBlends, kTint };

void DrawScene(Scene s, int cell0, int cell1) {
  switch (s) {
    case kCopies:   // 1:1, opaque and keyed, as a stretch to the same size
      DrawGraphStretched(4, 4, 36, 36, cell0, 0);
      DrawGraphStretched(44, 4, 76, 36, cell1, 1);
      DrawGraphStretched(90, 50, 122, 82, cell0, 1);
      DrawGraphStretched(140, 100, 172, 132, cell1, 0);   // clipped at the right and bottom
      break;
    case kStretchedMirrored:
      DrawGraphStretched(4, 4, 68, 68, cell0, 1);
      DrawGraphMirrored(80, 10, cell1, 1);
      DrawGraphStretched(150, 70, 110, 110, cell0, 0);
      break;
    case kRotated:
      DrawGraphRotated(40.0f, 40.0f, 1.0, 0.5, cell0, 1, 0);
      DrawGraphRotated(110.0f, 60.0f, 1.5, -1.2, cell1, 1, 1);
      break;
    case kFourCorners:
      DrawGraphFourCorners(10.0f, 10.0f, 70.0f, 20.0f, 60.0f, 90.0f, 5.0f, 70.0f, cell0, 1);
      DrawGraphFourCorners(90.0f, 10.0f, 150.0f, 10.0f, 150.0f, 42.0f, 90.0f, 42.0f, cell1, 0);
      break;
    case kBlends:
      for (int mode = 0; mode <= 4; ++mode) {
        SetBlendModeState(mode, 160);
        DrawGraphStretched(mode * 32, 40, mode * 32 + 32, 72, mode % 2 ? cell1 : cell0, 1);
      }
      SetBlendModeState(BLEND_NONE, 255);
      break;
    case kTint:
      SetDrawBrightRgb(255, 160, 64);
      DrawGraphStretched(20, 20, 52, 52, cell0, 1);
      SetDrawBrightRgb(255, 255, 255);
      break;
  }
}

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

int Differing(const Frame& a, const Frame& b, int tolerance) {
  int n = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    for (int sh : {0, 8, 16}) {
      const int d = static_cast<int>((a[i] >> sh) & 0xFF) - static_cast<int>((b[i] >> sh) & 0xFF);
      if (d > tolerance || d < -tolerance) {
        ++n;
        break;
      }
    }
  }
  return n;
}

TEST(DrawPaths, OneToOneCopiesAgreeExactly) {
  const Frame d = ThroughDevice(kCopies), s = ThroughSoftwareScreen(kCopies);
  EXPECT_EQ(Differing(d, s, 0), 0);
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
