// Untextured shapes drawn after sprites and text on the 3-D device must come out in their own
// colour: the texture stage of the previous draw must not colour them. Each frame is checked
// pixel by pixel and against the software paths.
#include <gtest/gtest.h>

#include "engine/graphics/draw/path_run.h"
#include "engine/graphics/font/font.h"
#include "platform/glyphs.h"

namespace {

constexpr uint32_t kShape = 0xC8285A, kText = 0x30E040;

uint32_t At(const Frame& f, int x, int y) { return f[y * kW + x]; }

uint32_t ShapeColour() { return GetScreenColor(0xC8, 0x28, 0x5A); }
uint32_t TextColour() { return GetScreenColor(0x30, 0xE0, 0x40); }

Frame ShapesAfterSprite(Path p) {
  PathRun run(p);
  run.Background();
  DrawGraphAtPoint(4, 70, run.cell0, 1);
  DrawBoxShape(10, 10, 40, 30, ShapeColour(), 1);
  DrawGraphAtPoint(50, 70, run.cell1, 0);
  DrawBoxShape(50, 10, 80, 30, ShapeColour(), 0);
  DrawGraphAtPoint(90, 70, run.cell0, 0);
  DrawOvalShape(110, 20, 14, 9, ShapeColour(), 1);
  DrawGraphAtPoint(120, 70, run.cell1, 1);
  DrawOvalShape(140, 50, 12, 8, ShapeColour(), 0);
  return run.Present();
}

TEST(ShapesAfterSprites, BoxesOutlinesAndOvalsKeepTheirColourOnTheDevice) {
  const Frame d = ShapesAfterSprite(kDevice);
  EXPECT_EQ(At(d, 10, 10), kShape);
  EXPECT_EQ(At(d, 25, 20), kShape);
  EXPECT_EQ(At(d, 39, 29), kShape);
  EXPECT_EQ(At(d, 40, 20), kBack);
  // Outline: the four edges in the colour, the inside untouched.
  EXPECT_EQ(At(d, 50, 10), kShape);
  EXPECT_EQ(At(d, 79, 20), kShape);
  EXPECT_EQ(At(d, 65, 29), kShape);
  EXPECT_EQ(At(d, 50, 20), kShape);
  EXPECT_EQ(At(d, 65, 20), kBack);
  EXPECT_EQ(At(d, 110, 20), kShape);
  EXPECT_EQ(At(d, 140, 50), kBack);
  int outlinePixels = 0;
  for (int y = 40; y <= 60; ++y) {
    for (int x = 126; x <= 154; ++x) {
      const uint32_t v = At(d, x, y);
      EXPECT_TRUE(v == kShape || v == kBack) << x << "," << y << " " << std::hex << v;
      outlinePixels += v == kShape;
    }
  }
  EXPECT_GT(outlinePixels, 40);
  // The sprites themselves are unchanged by the shapes between them.
  EXPECT_EQ(At(d, 10, 76), SpriteRgb(0, 6, 6));
  // The same picture as the software paths.
  EXPECT_EQ(Differing(d, ShapesAfterSprite(kSoftwareOnDisplay), 0), 0);
  EXPECT_EQ(Differing(d, ShapesAfterSprite(kSoftwareScreen), 0), 0);
}

// A box between two texts, and text over a box.
Frame TextAndBoxes(Path p) {
  plat::GlyphSetBackend(plat::GlyphBackend::Fake);
  Frame f;
  {
    PathRun run(p);
    run.Background();
    DrawTextDefaultFont(4, 4, "AB", TextColour(), 0);
    DrawBoxShape(60, 4, 90, 24, ShapeColour(), 1);
    DrawBoxShape(4, 40, 100, 80, ShapeColour(), 1);
    DrawTextDefaultFont(10, 50, "AB", TextColour(), 0);
    DrawBoxShape(110, 40, 150, 80, ShapeColour(), 0);
    f = run.Present();
    InitializeFontSystem();
    DeleteDefaultFont();
  }
  plat::GlyphSetBackend(plat::GlyphBackend::FreeType);
  return f;
}

TEST(ShapesAfterSprites, TextAndBoxesInEitherOrder) {
  const Frame d = TextAndBoxes(kDevice);
  EXPECT_EQ(At(d, 60, 4), kShape);
  EXPECT_EQ(At(d, 89, 23), kShape);
  EXPECT_EQ(At(d, 110, 40), kShape);
  EXPECT_EQ(At(d, 130, 60), kBack);
  int firstText = 0, overBox = 0;
  for (int y = 0; y < 36; ++y)
    for (int x = 0; x < 56; ++x) firstText += At(d, x, y) == kText;
  for (int y = 40; y < 80; ++y) {
    for (int x = 4; x < 100; ++x) {
      const uint32_t v = At(d, x, y);
      EXPECT_NE(v, 0xFFFFFFu) << x << "," << y;
      overBox += v == kText;
    }
  }
  EXPECT_GT(firstText, 0);
  EXPECT_GT(overBox, 0);
  EXPECT_EQ(At(d, 99, 79), kShape);
  EXPECT_EQ(Differing(d, TextAndBoxes(kSoftwareOnDisplay), 0), 0);
}

}  // namespace
