// Paletted sources through the geometry against the 1:1 blit: both read the engine's palette, so a
// source drawn unturned and unscaled gives the 1:1 blit's pixels in every mode and option.
#include <gtest/gtest.h>
#include <random>
#include "engine/softrender/geometry.h"
#include "engine/softrender/image_blit.h"
#include "geometry_test_util.h"

namespace {

constexpr int kW = 9, kH = 7, kOx = 5, kOy = 4;

struct PalCase {
  int format, mode, param;
  bool blend, tint, trans;
};

struct PalScene {
  TestImage src, blend;
  explicit PalScene(int format) : src(kW, kH, format, true), blend(kW + 1, kH + 2, 1) {
    std::mt19937 rng(7);
    // Every entry distinct and never black, so a wrongly read entry shows.
    for (int i = 0; i < 256; ++i) src.SetPal(i, format == 1 ? (rng() & 0x00FFFFFFu) | 0x010101u : (rng() | 0x0821u) & 0xFFFFu);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) src.Set(x, y, (uint32_t)(y * kW + x) * 29 % 256);
    src.img.transparentColor = src.Get(3, 2);
    src.SetPal(src.Get(4, 2), src.img.palette[src.img.transparentColor]);   // same colour, other index
    for (int y = 0; y < blend.img.height; ++y)
      for (int x = 0; x < blend.img.width; ++x) blend.Set(x, y, (uint32_t)rng());
  }
};

void FillDest(TestImage& d) {
  std::mt19937 rng(11);
  for (int y = 0; y < d.img.height; ++y)
    for (int x = 0; x < d.img.width; ++x) d.Set(x, y, d.img.format == 1 ? rng() & 0x00FFFFFFu : rng() & 0xFFFF);
}

void ApplyCase(const PalCase& c) {
  ResetGeometryState(24, 20);
  SetBlend(c.mode, c.param);
  g_DrawState.drawBright = c.tint ? 0xC07FFE : 0xFFFFFF;
  for (int i = 0; i < 256; ++i) g_BlendWeightTable[i] = (uint8_t)(255 - i);
}

// Index of the first pixel that differs, or -1.
int FirstDiff(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i] != b[i]) return (int)i;
  return a.size() == b.size() ? -1 : (int)std::min(a.size(), b.size());
}

std::string Describe(const PalCase& c) {
  return "fmt " + std::to_string(c.format) + " mode " + std::to_string(c.mode) + " p " + std::to_string(c.param) +
         " blend " + std::to_string(c.blend) + " tint " + std::to_string(c.tint) + " trans " + std::to_string(c.trans);
}

TEST(PalettedGeometry, MatchesOneToOneBlitInEveryModeAndOption) {
  // The 1:1 blit's own shortcuts (half alpha at 128, full add and subtract at 255) are kept away
  // from: their results follow the blit's rules, not the geometry's.
  const std::pair<int, int> modes[] = {{0, 0}, {1, 255}, {1, 0}, {2, 200}, {2, 0}, {3, 90}, {3, 0}, {4, 0}, {4, 77}};
  for (int format : {0, 1})
    for (auto [mode, param] : modes)
      for (int bits = 0; bits < 8; ++bits) {
        const PalCase c{format, mode, param, (bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
        PalScene scene(format);
        const MemImg* blend = c.blend ? &scene.blend.img : nullptr;

        ApplyCase(c);
        TestImage want(24, 20, format);
        FillDest(want);
        const std::vector<uint32_t> before = want.Snapshot();
        DrawImageToMemImg(&want.img, &scene.src.img, kOx, kOy, c.trans, blend);
        const std::vector<uint32_t> expected = want.Snapshot();
        if (mode == 0) {
          ASSERT_NE(FirstDiff(expected, before), -1) << Describe(c);
        }

        // The rotated blit covers every texel once.
        ApplyCase(c);
        TestImage rot(24, 20, format);
        FillDest(rot);
        DrawRotatedToMemImg(&rot.img, &scene.src.img, kOx + kW / 2, kOy + kH / 2, 0.0f, 1.0f, c.trans, 0, blend);
        EXPECT_EQ(FirstDiff(rot.Snapshot(), expected), -1) << "rotated " << Describe(c);

        // One textured triangle covers part of the source; each pixel it reaches is the blit's.
        ApplyCase(c);
        TestImage tri(24, 20, format);
        FillDest(tri);
        const TexturedVertex v[3] = {{kOx, kOy, 0, 0}, {kOx + kW, kOy, kW, 0}, {kOx, kOy + kH, 0, kH}};
        DrawTexturedTriangleMemImg(&tri.img, &scene.src.img, v, c.trans, blend);
        const std::vector<uint32_t> got = tri.Snapshot();
        int reached = 0;
        for (size_t i = 0; i < got.size(); ++i) {
          if (got[i] == before[i]) continue;
          ++reached;
          ASSERT_EQ(got[i], expected[i]) << "triangle " << Describe(c) << " at " << i % 24 << "," << i / 24;
        }
        if (mode == 0) {
          EXPECT_GT(reached, kW * kH / 3) << Describe(c);
        }

        // A plain copy through the quad: its two triangles meet on the diagonal, which a copy (but
        // no blend, the blend image's included) rewrites alike.
        if (mode == 0 && !c.blend) {
          ApplyCase(c);
          TestImage quad(24, 20, format);
          FillDest(quad);
          const int32_t corners[8] = {kOx, kOy, kOx + kW, kOy, kOx, kOy + kH, kOx + kW, kOy + kH};
          DrawTexturedQuadMemImg(&quad.img, &scene.src.img, corners, c.trans, blend);
          EXPECT_EQ(FirstDiff(quad.Snapshot(), expected), -1) << "quad " << Describe(c);
        }
      }
}

}  // namespace
