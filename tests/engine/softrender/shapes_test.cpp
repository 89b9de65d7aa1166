// Constant-colour shapes: packed add and subtract, filled boxes, lines, ovals.
#include <gtest/gtest.h>
#include <set>
#include <utility>
#include "engine/softrender/geometry.h"
#include "geometry_test_util.h"

namespace {

using Points = std::set<std::pair<int, int>>;

// Every pixel that differs from the background value.
Points Changed(TestImage& t, uint32_t background) {
  Points out;
  for (int y = 0; y < t.img.height; ++y)
    for (int x = 0; x < t.img.width; ++x)
      if (t.Get(x, y) != background) out.insert({x, y});
  return out;
}

uint32_t F565(uint32_t r, uint32_t g, uint32_t b) { return Rgb565(r, g, b); }

TEST(PackedArithmetic, AddAndSubtractWorkedValues) {
  // 32-bit: channels blue, green, red, fourth byte.
  EXPECT_EQ(AddRgb32Saturating(Bgra(32, 32, 32, 7), Bgra(16, 16, 16)), Bgra(48, 48, 48, 0));
  EXPECT_EQ(AddRgb32Saturating(Bgra(128, 128, 128, 9), Bgra(128, 128, 128)), Bgra(255, 255, 255, 1));
  EXPECT_EQ(AddRgb32Saturating(Bgra(1, 1, 1, 3), Bgra(1, 1, 1)), Bgra(2, 1, 1, 0));
  EXPECT_EQ(AddRgb32Saturating(Bgra(86, 52, 18, 171), 0), Bgra(86, 52, 18, 0));
  EXPECT_EQ(SubRgb32Saturating(Bgra(32, 32, 32, 5), Bgra(16, 16, 16)), Bgra(16, 17, 17, 0));
  EXPECT_EQ(SubRgb32Saturating(Bgra(86, 52, 18, 44), 0), Bgra(86, 53, 19, 0));
  EXPECT_EQ(SubRgb32Saturating(Bgra(0, 0, 1, 0), Bgra(0, 0, 255)), Bgra(0, 1, 0, 0));
  // 16-bit, as field values red, green, blue.
  EXPECT_EQ(AddRgb565Saturating(0, F565(31, 63, 31)), F565(31, 63, 31));
  EXPECT_EQ(AddRgb565Saturating(F565(16, 32, 16), F565(16, 32, 16)), F565(31, 63, 31));
  EXPECT_EQ(AddRgb565Saturating(F565(0, 0, 16), F565(0, 0, 16)), F565(0, 1, 31));
  EXPECT_EQ(AddRgb565Saturating(F565(0, 1, 0), F565(0, 1, 0)), F565(0, 1, 0));
  EXPECT_EQ(SubRgb565Saturating(0, 0), F565(1, 0, 0));
  EXPECT_EQ(SubRgb565Saturating(F565(31, 63, 31), F565(31, 63, 31)), F565(1, 0, 0));
  EXPECT_EQ(SubRgb565Saturating(F565(31, 63, 31), 0), F565(31, 62, 31));
  EXPECT_EQ(SubRgb565Saturating(0, F565(1, 2, 1)), 0u);
  EXPECT_EQ(SubRgb565Saturating(F565(0, 0, 31), F565(0, 0, 1)), F565(1, 0, 30));
}

TEST(FilledBox, RectangleOrderingClippingAndRefusals) {
  ResetGeometryState(8, 6);
  TestImage a(10, 8, 1), b(10, 8, 1);
  RectI r1 = {1, 2, 5, 4}, r2 = {5, 4, 1, 2};
  DrawFilledBoxMemImg(&a.img, &r1, 0x112233);
  DrawFilledBoxMemImg(&b.img, &r2, 0x112233);
  EXPECT_EQ(a.Snapshot(), b.Snapshot());
  EXPECT_EQ(Changed(a, 0).size(), 8u);

  // Null fills what the draw area reaches; the area wider than the image is cut to the image.
  TestImage c(4, 3, 0);
  g_DrawState.drawArea = {-5, -5, 100, 100};
  DrawFilledBoxMemImg(&c.img, nullptr, 0xF800);
  EXPECT_EQ(Changed(c, 0).size(), 12u);

  ResetGeometryState(8, 6);
  TestImage d(10, 8, 1);
  DrawFilledBoxMemImg(&d.img, nullptr, 0xABCDEF);
  EXPECT_EQ(Changed(d, 0).size(), 48u);   // 8 x 6 of the draw area
  TestImage e(10, 8, 1);
  RectI one = {0, 0, 1, 1}, empty = {3, 3, 3, 7};
  DrawFilledBoxMemImg(&e.img, &one, 5);
  DrawFilledBoxMemImg(&e.img, &empty, 5);
  EXPECT_EQ(Changed(e, 0), (Points{{0, 0}}));

  TestImage pal(4, 4, 1, true), alpha(4, 4, 1, false, true);
  DrawFilledBoxMemImg(&pal.img, nullptr, 7);
  DrawFilledBoxMemImg(&alpha.img, nullptr, 7);
  EXPECT_TRUE(Changed(pal, 0).empty());
  EXPECT_TRUE(Changed(alpha, 0).empty());
}

TEST(FilledBox, BlendRulesOnBothFormats) {
  ResetGeometryState(16, 16);
  TestImage a32(3, 1, 1), a16(3, 1, 0);
  SetBlend(BLEND_ALPHA, 128);
  DrawFilledBoxMemImg(&a32.img, nullptr, 0xFFFFFF);
  DrawFilledBoxMemImg(&a16.img, nullptr, 0xFFFF);
  EXPECT_EQ(a32.Get(0, 0), Bgra(127, 127, 127));
  EXPECT_EQ(a16.Get(2, 0), F565(15, 31, 15));

  SetBlend(BLEND_ALPHA, 0);
  DrawFilledBoxMemImg(&a32.img, nullptr, 0);
  EXPECT_EQ(a32.Get(1, 0), Bgra(127, 127, 127));
  SetBlend(BLEND_ALPHA, 255);
  DrawFilledBoxMemImg(&a32.img, nullptr, 0xAA010203);
  EXPECT_EQ(a32.Get(1, 0), 0xAA010203u);

  // Subtract of a contribution that tables to 0 still raises even green and red.
  TestImage s32(1, 1, 1);
  s32.Set(0, 0, Bgra(10, 20, 30, 99));
  SetBlend(BLEND_SUB, 1);
  DrawFilledBoxMemImg(&s32.img, nullptr, 0x646464);
  EXPECT_EQ(s32.Get(0, 0), Bgra(10, 21, 31, 0));
  TestImage ad32(1, 1, 1);
  ad32.Set(0, 0, Bgra(10, 20, 30, 99));
  SetBlend(BLEND_ADD, 200);
  DrawFilledBoxMemImg(&ad32.img, nullptr, 0);
  EXPECT_EQ(ad32.Get(0, 0), Bgra(10, 20, 30, 0));

  TestImage m16(1, 1, 0), s16(1, 1, 0);
  m16.Fill(0xFFFF);
  s16.Fill(0xFFFF);
  SetBlend(BLEND_MUL, 0);
  DrawFilledBoxMemImg(&m16.img, nullptr, 0xFFFF);
  EXPECT_EQ(m16.Get(0, 0), F565(30, 62, 30));
  SetBlend(BLEND_SUB, 255);
  DrawFilledBoxMemImg(&s16.img, nullptr, 0);
  EXPECT_EQ(s16.Get(0, 0), F565(31, 62, 31));

  SetBlend(5, 255);
  TestImage none(2, 2, 1);
  DrawFilledBoxMemImg(&none.img, nullptr, 0xFFFFFF);
  EXPECT_TRUE(Changed(none, 0).empty());
}

TEST(FilledBox, TintDividesBy256) {
  ResetGeometryState(4, 4);
  g_DrawState.drawBright = 0xFFFFFE;   // blue 254: tinted, so 255 becomes 254 on every channel
  TestImage t32(1, 1, 1), t16(1, 1, 0);
  DrawFilledBoxMemImg(&t32.img, nullptr, 0x77FFFFFF);
  EXPECT_EQ(t32.Get(0, 0), Bgra(253, 254, 254, 0x77));
  g_DrawState.drawBright = 0x808080;
  DrawFilledBoxMemImg(&t16.img, nullptr, 0xFFFF);
  EXPECT_EQ(t16.Get(0, 0), F565(15, 31, 15));
}

TEST(Lines, PixelSetsAndUndrawnLastPoint) {
  ResetGeometryState(100, 100);
  auto draw = [](int x1, int y1, int x2, int y2) {
    TestImage t(100, 100, 1);
    RasterizeLineMemImg(&t.img, x1, y1, x2, y2, 1);
    return Changed(t, 0);
  };
  EXPECT_EQ(draw(0, 0, 4, 0), (Points{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
  EXPECT_TRUE(draw(7, 7, 7, 7).empty());
  EXPECT_EQ(draw(0, 0, 10, 3), (Points{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 1}, {5, 1}, {6, 1}, {7, 2}, {8, 2}, {9, 2}}));
  EXPECT_EQ(draw(10, 2, 0, 0), (Points{{10, 2}, {9, 2}, {8, 2}, {7, 2}, {6, 2}, {5, 1}, {4, 1}, {3, 1}, {2, 1}, {1, 1}}));
  EXPECT_EQ(draw(0, 0, 3, 3), (Points{{0, 0}, {1, 1}, {2, 2}}));
  EXPECT_EQ(draw(5, 0, -10, 0), (Points{{5, 0}, {4, 0}, {3, 0}, {2, 0}, {1, 0}, {0, 0}}));
  EXPECT_EQ(draw(-60, 40, 40, -60), (Points{{0, 0}}));
  EXPECT_TRUE(draw(-5, -5, -1, -9).empty());
  EXPECT_EQ(draw(2, 98, 2, 150).size(), 2u);   // clipped at the bottom edge, last row included
}

TEST(Lines, BlendTwiceOnSharedPixelsAndAlphaImages) {
  ResetGeometryState(10, 10);
  SetBlend(BLEND_ADD, 255);
  TestImage t(10, 10, 1);
  // A width-1 box outline: the two side lines cover column 2, inner rows twice.
  LineRecord rec[4] = {{2, 1, 2, 1, 0x10, 0}, {2, 1, 2, 5, 0x10, 0}, {2, 5, 2, 5, 0x10, 0}, {2, 5, 2, 1, 0x10, 0}};
  DrawLineRecordsMemImg(&t.img, rec, 4);
  EXPECT_EQ(t.Get(2, 1), 0x10u);
  EXPECT_EQ(t.Get(2, 3), 0x20u);
  EXPECT_EQ(t.Get(2, 5), 0x10u);
  DrawLineRecordsMemImg(&t.img, rec, 0);

  // Lines draw on an image with an alpha channel (the box does not); paletted images are refused.
  ResetGeometryState(10, 10);
  TestImage a(10, 10, 1, false, true), p(10, 10, 1, true);
  RasterizeLineMemImg(&a.img, 0, 0, 3, 0, 0x123456);
  RasterizeLineMemImg(&p.img, 0, 0, 3, 0, 0x123456);
  EXPECT_EQ(Changed(a, 0).size(), 3u);
  EXPECT_TRUE(Changed(p, 0).empty());
  // 16-bit with alpha: pixels are 4 bytes apart and only the colour word is written.
  TestImage a16(10, 10, 0, false, true);
  RasterizeLineMemImg(&a16.img, 0, 0, 3, 0, 0xFFFF);
  EXPECT_EQ(a16.Get(2, 0), 0xFFFFu);
  EXPECT_EQ(a16.At(2, 0)[2], 0);
}

// Spans of a filled oval: for each changed row, its leftmost and rightmost column.
std::vector<std::pair<int, int>> RowSpans(TestImage& t, int y0, int y1) {
  std::vector<std::pair<int, int>> out;
  for (int y = y0; y <= y1; ++y) {
    int lo = 1 << 30, hi = -1;
    for (int x = 0; x < t.img.width; ++x)
      if (t.Get(x, y) != 0) { lo = std::min(lo, x); hi = std::max(hi, x); }
    out.push_back({lo, hi});
  }
  return out;
}

TEST(Ovals, FilledSpans) {
  ResetGeometryState(64, 64);
  const int c = 30;
  auto spans = [&](int rx, int ry, int reach) {
    TestImage t(64, 64, 1);
    DrawOvalMemImg(&t.img, c, c, rx, ry, 1, 1);
    EXPECT_EQ(RowSpans(t, c - reach - 1, c - reach - 1)[0].second, -1);   // nothing beyond
    EXPECT_EQ(RowSpans(t, c + reach + 1, c + reach + 1)[0].second, -1);
    std::vector<int> half;
    for (auto [lo, hi] : RowSpans(t, c - reach, c + reach)) {
      EXPECT_EQ(c - lo, hi - c);
      half.push_back(hi - c);
    }
    return half;
  };
  EXPECT_EQ(spans(1, 1, 1), (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(spans(5, 1, 1), (std::vector<int>{0, 5, 0}));
  EXPECT_EQ(spans(3, 3, 3), (std::vector<int>{1, 2, 3, 3, 3, 2, 1}));
  std::vector<int> r8 = spans(8, 8, 8);
  EXPECT_EQ(std::vector<int>(r8.begin(), r8.begin() + 9), (std::vector<int>{2, 4, 5, 6, 7, 7, 8, 8, 8}));
  EXPECT_EQ(spans(3, 2, 2), (std::vector<int>{1, 3, 3, 3, 1}));
  EXPECT_EQ(spans(6, 3, 3), (std::vector<int>{1, 4, 6, 6, 6, 4, 1}));
  EXPECT_EQ(spans(2, 4, 4), (std::vector<int>{1, 2, 2, 2, 2, 2, 2, 2, 1}));
  EXPECT_EQ(spans(1, 3, 4), (std::vector<int>(9, 1)));
  EXPECT_EQ(spans(-3, 2, 2), spans(3, 2, 2));
  TestImage z(8, 8, 1);
  DrawOvalMemImg(&z.img, 4, 4, 0, 3, 1, 1);
  DrawOvalMemImg(&z.img, 4, 4, 3, 0, 1, 0);
  EXPECT_TRUE(Changed(z, 0).empty());
}

TEST(Ovals, OutlinePointsAndDoubleBlending) {
  ResetGeometryState(64, 64);
  TestImage r1(16, 16, 1);
  DrawOvalMemImg(&r1.img, 5, 5, 1, 1, 1, 0);
  EXPECT_EQ(Changed(r1, 0), (Points{{4, 5}, {6, 5}, {5, 4}, {5, 6}}));

  SetBlend(BLEND_ALPHA, 128);
  TestImage o(20, 10, 1), f(20, 10, 1);
  DrawOvalMemImg(&o.img, 10, 5, 5, 1, 0xFFFFFF, 0);
  EXPECT_EQ(o.Get(5, 5), Bgra(127, 127, 127));
  EXPECT_EQ(o.Get(15, 5), Bgra(127, 127, 127));
  EXPECT_EQ(o.Get(10, 4), Bgra(127, 127, 127));
  EXPECT_EQ(o.Get(10, 6), Bgra(127, 127, 127));
  for (int x = 6; x <= 14; ++x)
    if (x != 10) {
      EXPECT_EQ(o.Get(x, 5), Bgra(191, 191, 191)) << x;
    }
  EXPECT_EQ(o.Get(10, 5), 0u);
  // Filled rows are blended once however often the walk reaches them.
  DrawOvalMemImg(&f.img, 10, 5, 8, 3, 0xFFFFFF, 1);
  for (uint32_t v : f.Snapshot()) EXPECT_TRUE(v == 0 || v == Bgra(127, 127, 127));
}

TEST(Ovals, FillAndOutlineAgreeAndClip) {
  ResetGeometryState(80, 80);
  for (auto [rx, ry] : {std::pair{7, 3}, {3, 7}, {10, 10}, {1, 6}, {12, 5}}) {
    TestImage f(80, 80, 1), o(80, 80, 1);
    DrawOvalMemImg(&f.img, 40, 40, rx, ry, 1, 1);
    DrawOvalMemImg(&o.img, 40, 40, rx, ry, 1, 0);
    Points fill = Changed(f, 0), line = Changed(o, 0);
    for (auto p : line) EXPECT_TRUE(fill.count(p)) << rx << "," << ry;
    for (auto [x, y] : fill) {
      EXPECT_TRUE(fill.count({80 - x, y}) && fill.count({x, 80 - y}));
      bool leftEnd = !fill.count({x - 1, y}), rightEnd = !fill.count({x + 1, y});
      if (leftEnd || rightEnd) {
        EXPECT_TRUE(line.count({x, y})) << rx << "," << ry << " " << x << "," << y;
      }
    }
  }
  // Cut at the draw area: right - 1 and bottom - 1 drawn, right and bottom not.
  g_DrawState.drawArea = {0, 0, 20, 20};
  TestImage c(30, 30, 0);
  DrawOvalMemImg(&c.img, 19, 19, 4, 4, 0xFFFF, 1);
  EXPECT_EQ(c.Get(19, 19), 0xFFFFu);
  EXPECT_EQ(c.Get(20, 19), 0u);
  EXPECT_EQ(c.Get(19, 20), 0u);
  TestImage p(30, 30, 1, true);
  DrawOvalMemImg(&p.img, 10, 10, 4, 4, 0xFFFF, 1);
  EXPECT_TRUE(Changed(p, 0).empty());
}

}  // namespace
