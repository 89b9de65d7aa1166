// Coverage of the textured triangle, the quad and the rotated blit: which pixels they reach and
// which texel each pixel takes.
#include <gtest/gtest.h>
#include <cmath>
#include <map>
#include <set>
#include "engine/softrender/geometry.h"
#include "geometry_test_util.h"

namespace {

// A 32-bit source whose texel (u, v) holds 0x01000000 | v << 12 | u, so a drawn pixel names its texel.
void FillCoded(TestImage& s) {
  for (int y = 0; y < s.img.height; ++y)
    for (int x = 0; x < s.img.width; ++x) s.Set(x, y, 0x01000000u | (uint32_t)y << 12 | (uint32_t)x);
}

// Row -> [first, last] column of changed pixels (changed pixels of a row must be contiguous).
std::map<int, std::pair<int, int>> Spans(TestImage& t) {
  std::map<int, std::pair<int, int>> out;
  for (int y = 0; y < t.img.height; ++y)
    for (int x = 0; x < t.img.width; ++x)
      if (t.Get(x, y) != 0) {
        auto it = out.find(y);
        if (it == out.end()) out[y] = {x, x};
        else {
          EXPECT_EQ(it->second.second, x - 1) << "gap on row " << y;
          it->second.second = x;
        }
      }
  return out;
}

TEST(TexturedTriangle, RowSpansAndUndrawnBottomRow) {
  ResetGeometryState(64, 64);
  TestImage src(32, 32, 1), dst(64, 64, 1);
  FillCoded(src);
  TexturedVertex v[3] = {{0, 0, 0, 0}, {10, 0, 10, 0}, {0, 10, 0, 10}};
  DrawTexturedTriangleMemImg(&dst.img, &src.img, v, 0, nullptr);
  auto spans = Spans(dst);
  ASSERT_EQ(spans.size(), 10u);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(spans[k], std::make_pair(0, 10 - k)) << k;
  EXPECT_EQ(dst.Get(3, 4), 0x01000000u | 4 << 12 | 3);

  // Middle vertex on the right: the lower right edge starts one unit right of it.
  TestImage d2(64, 64, 1);
  TexturedVertex w[3] = {{0, 8, 0, 8}, {10, 10, 10, 10}, {13, 16, 13, 16}};
  DrawTexturedTriangleMemImg(&d2.img, &src.img, w, 0, nullptr);
  auto s2 = Spans(d2);
  const int ends[] = {10, 11, 11, 11, 12, 12};
  for (int r = 10; r <= 15; ++r) EXPECT_EQ(s2[r].second, ends[r - 10]) << r;
  EXPECT_EQ(s2.count(16), 0u);

  // Another vertex order with the same anchor gives the same pixels.
  TestImage d3(64, 64, 1);
  TexturedVertex w2[3] = {w[0], w[2], w[1]};
  DrawTexturedTriangleMemImg(&d3.img, &src.img, w2, 0, nullptr);
  EXPECT_EQ(d2.Snapshot(), d3.Snapshot());
}

TEST(TexturedTriangle, DegenerateOutOfRangeAndRefused) {
  ResetGeometryState(64, 64);
  TestImage src(16, 16, 1), dst(64, 64, 1);
  FillCoded(src);
  TexturedVertex line[3] = {{0, 0, 0, 0}, {5, 5, 5, 5}, {10, 10, 10, 10}};
  TexturedVertex same[3] = {{3, 3, 0, 0}, {3, 3, 1, 1}, {9, 1, 2, 2}};
  TexturedVertex far[3] = {{0, 0, 0, 0}, {9000, 0, 9, 0}, {0, 20000, 0, 9}};
  DrawTexturedTriangleMemImg(&dst.img, &src.img, line, 0, nullptr);
  DrawTexturedTriangleMemImg(&dst.img, &src.img, same, 0, nullptr);
  DrawTexturedTriangleMemImg(&dst.img, &src.img, far, 0, nullptr);
  EXPECT_TRUE(Spans(dst).empty());

  // Negative texel coordinates are skipped, never wrapped or clamped.
  TexturedVertex neg[3] = {{0, 0, -4, 0}, {10, 0, 6, 0}, {0, 10, -4, 10}};
  DrawTexturedTriangleMemImg(&dst.img, &src.img, neg, 0, nullptr);
  auto s = Spans(dst);
  ASSERT_FALSE(s.empty());
  EXPECT_EQ(s.begin()->second.first, 4);
  EXPECT_EQ(dst.Get(4, 0), 0x01000000u);

  TexturedVertex tri[3] = {{0, 0, 0, 0}, {10, 0, 10, 0}, {0, 10, 0, 10}};
  TestImage d16(20, 20, 0), pal(20, 20, 1, true), alpha(20, 20, 1, false, true), small(8, 8, 1);
  TestImage ok(20, 20, 1);
  DrawTexturedTriangleMemImg(&d16.img, &src.img, tri, 0, nullptr);
  DrawTexturedTriangleMemImg(&pal.img, &src.img, tri, 0, nullptr);
  DrawTexturedTriangleMemImg(&alpha.img, &src.img, tri, 0, nullptr);
  DrawTexturedTriangleMemImg(&ok.img, nullptr, tri, 0, nullptr);
  DrawTexturedTriangleMemImg(&ok.img, &src.img, tri, 0, &small.img);   // blend image smaller than the source
  EXPECT_TRUE(Spans(d16).empty());
  EXPECT_TRUE(Spans(pal).empty());
  EXPECT_TRUE(Spans(alpha).empty());
  EXPECT_TRUE(Spans(ok).empty());
}

TEST(TexturedQuad, CoversItsRectangleAndBlendsTheDiagonalTwice) {
  ResetGeometryState(64, 64);
  const int w = 9, h = 6;
  TestImage src(w, h, 1), dst(32, 32, 1);
  FillCoded(src);
  int32_t corners[8] = {0, 0, w, 0, 0, h, w, h};
  DrawTexturedQuadMemImg(&dst.img, &src.img, corners, 0, nullptr);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      uint32_t want = x < w && y < h ? 0x01000000u | (uint32_t)y << 12 | (uint32_t)x : 0;
      ASSERT_EQ(dst.Get(x, y), want) << x << "," << y;
    }

  // On a square quad the pixel (n - k, k) of every row but the first is drawn by both triangles.
  const int n = 8;
  TestImage one(n, n, 1), sum(32, 32, 1);
  one.Fill(Bgra(10, 0, 0));
  int32_t square[8] = {0, 0, n, 0, 0, n, n, n};
  SetBlend(BLEND_ADD, 255);
  DrawTexturedQuadMemImg(&sum.img, &one.img, square, 0, nullptr);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      bool diagonal = y >= 1 && x == n - y;
      EXPECT_EQ(sum.Get(x, y) & 0xFF, diagonal ? 20u : 10u) << x << "," << y;
    }

  // A box wholly outside the draw area is refused before the triangles.
  TestImage none(32, 32, 1);
  int32_t outside[8] = {40, 40, 49, 40, 40, 46, 49, 46};
  g_DrawState.drawArea = {0, 0, 32, 32};
  DrawTexturedQuadMemImg(&none.img, &src.img, outside, 0, nullptr);
  EXPECT_TRUE(Spans(none).empty());
}

// Texel position of every changed pixel: (x, y) -> (u, v).
std::map<std::pair<int, int>, std::pair<int, int>> TexelMap(TestImage& t) {
  std::map<std::pair<int, int>, std::pair<int, int>> out;
  for (int y = 0; y < t.img.height; ++y)
    for (int x = 0; x < t.img.width; ++x) {
      uint32_t v = t.Get(x, y);
      if (v != 0) out[{x, y}] = {(int)(v & 0xFFF), (int)((v >> 12) & 0xFFF)};
    }
  return out;
}

std::map<std::pair<int, int>, std::pair<int, int>> Rotated(int w, int h, float angle, float scale, int mirror = 0) {
  ResetGeometryState(200, 200);
  TestImage src(w, h, 1), dst(200, 200, 1);
  FillCoded(src);
  DrawRotatedToMemImg(&dst.img, &src.img, 100, 100, angle, scale, 0, mirror, nullptr);
  return TexelMap(dst);
}

TEST(RotatedBlit, AxisAlignedTurnsAndScales) {
  auto m4 = Rotated(4, 4, 0.0f, 1.0f);
  ASSERT_EQ(m4.size(), 16u);
  for (auto [p, t] : m4) EXPECT_EQ(t, std::make_pair(p.first - 98, p.second - 98));
  auto m5 = Rotated(5, 5, 0.0f, 1.0f);
  ASSERT_EQ(m5.size(), 25u);
  EXPECT_EQ(m5.begin()->first, std::make_pair(98, 98));
  EXPECT_EQ(m5.rbegin()->first, std::make_pair(102, 102));

  // A quarter turn clockwise: texel (u, v) lands on (101 - v, 98 + u).
  auto q = Rotated(4, 3, (float)(M_PI / 2), 1.0f);
  ASSERT_EQ(q.size(), 12u);
  for (auto [p, t] : q) EXPECT_EQ(p, std::make_pair(101 - t.second, 98 + t.first));

  auto s2 = Rotated(4, 4, 0.0f, 2.0f);
  ASSERT_EQ(s2.size(), 64u);
  for (auto [p, t] : s2) EXPECT_EQ(t, std::make_pair((p.first - 96) / 2, (p.second - 96) / 2));

  EXPECT_TRUE(Rotated(4, 4, 0.3f, 0.0f).empty());
  auto neg = Rotated(4, 4, 0.0f, -1.0f);
  ASSERT_EQ(neg.size(), 16u);
  EXPECT_EQ(neg[std::make_pair(99, 99)], std::make_pair(3, 3));
  EXPECT_EQ(Rotated(4, 4, (float)M_PI, 1.0f), neg);   // a half turn is exact too

  // Mirrored: through the quad, texel (u, v) at (102 - u, 98 + v).
  auto mir = Rotated(4, 4, 0.0f, 1.0f, 1);
  ASSERT_EQ(mir.size(), 16u);
  for (auto [p, t] : mir) EXPECT_EQ(p, std::make_pair(102 - t.first, 98 + t.second));
}

TEST(RotatedBlit, AnyAngleDrawsEachPixelOnceInsideTheTurnedImage) {
  for (float angle : {0.3f, 1.1f, 2.5f, -0.8f}) {
    auto m = Rotated(20, 12, angle, 1.5f);
    ASSERT_FALSE(m.empty());
    const double c = std::cos(angle), s = std::sin(angle);
    for (auto [p, t] : m) {
      // The pixel lies within a texel and a half of where its texel's centre turns to.
      double ux = (t.first + 0.5 - 10) * 1.5, vy = (t.second + 0.5 - 6) * 1.5;
      double x = 100 + ux * c - vy * s, y = 100 + ux * s + vy * c;
      EXPECT_LT(std::fabs(x - p.first - 0.5), 2.3) << angle;
      EXPECT_LT(std::fabs(y - p.second - 0.5), 2.3) << angle;
    }
  }
}

TEST(RotatedBlit, TallSourcesAndRefusals) {
  ResetGeometryState(8, 6000);
  TestImage src(2, 5000, 1), dst(8, 6000, 1);
  FillCoded(src);
  DrawRotatedToMemImg(&dst.img, &src.img, 4, 2600, 0.0f, 1.0f, 0, 0, nullptr);
  EXPECT_EQ(dst.Get(3, 100), 0x01000000u | 0 << 12 | 0);
  EXPECT_EQ(dst.Get(4, 5099), 0x01000000u | 4999u << 12 | 1);

  ResetGeometryState(50, 50);
  TestImage s16(4, 4, 0), d(50, 50, 1), pal(50, 50, 1, true);
  s16.Fill(0xFFFF);
  DrawRotatedToMemImg(&d.img, &s16.img, 20, 20, 0.0f, 1.0f, 0, 0, nullptr);
  DrawRotatedToMemImg(&pal.img, &s16.img, 20, 20, 0.0f, 1.0f, 0, 0, nullptr);
  DrawRotatedToMemImg(&d.img, nullptr, 20, 20, 0.0f, 1.0f, 0, 0, nullptr);
  SetBlend(7, 255);
  TestImage s32(4, 4, 1);
  s32.Fill(5);
  DrawRotatedToMemImg(&d.img, &s32.img, 20, 20, 0.0f, 1.0f, 0, 0, nullptr);
  SetBlend(BLEND_NONE, 255);
  DrawRotatedToMemImg(&d.img, &s32.img, 5000, 20, 0.0f, 1.0f, 0, 0, nullptr);
  DrawRotatedToMemImg(&d.img, &s32.img, 20, 20, 0.0f, std::nanf(""), 0, 0, nullptr);
  EXPECT_TRUE(TexelMap(d).empty());
  EXPECT_TRUE(TexelMap(pal).empty());
}

TEST(TexelRules, PalettedSubtractOfZeroParameterStillDraws) {
  ResetGeometryState(20, 20);
  TestImage src(2, 2, 0, true), dst(20, 20, 0), direct(2, 2, 0);
  src.SetPal(0, 0xFFFF);
  dst.Fill(Rgb565(10, 21, 5));
  SetBlend(BLEND_SUB, 0);
  DrawRotatedToMemImg(&dst.img, &src.img, 10, 10, 0.0f, 1.0f, 0, 0, nullptr);
  EXPECT_EQ(dst.Get(9, 9), Rgb565(11, 20, 5));
  EXPECT_EQ(dst.Get(5, 5), Rgb565(10, 21, 5));
  TestImage dst2(20, 20, 0);
  dst2.Fill(Rgb565(10, 21, 5));
  direct.Fill(0xFFFF);
  DrawRotatedToMemImg(&dst2.img, &direct.img, 10, 10, 0.0f, 1.0f, 0, 0, nullptr);
  EXPECT_EQ(dst2.Get(9, 9), Rgb565(10, 21, 5));
}

}  // namespace
