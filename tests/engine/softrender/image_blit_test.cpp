// Worked examples of the blend rules, the skip data, the scaled stepping, and the mended faults.
#include <gtest/gtest.h>
#include <climits>
#include <cstring>
#include <vector>
#include "blit_test_util.h"
#include "engine/graphics/draw_state.h"
#include "engine/softrender/image_blit.h"

namespace {

uint32_t Get(const TestImage& t, int x, int y) {
  uint32_t v = 0;
  const int bpp = ImageBytesPerPixel(t.img);
  std::memcpy(&v, t.img.pixels + (size_t)t.img.pitch * y + (size_t)x * bpp, (size_t)bpp);
  return v;
}
void Put(TestImage& t, int x, int y, uint32_t v) {
  const int bpp = ImageBytesPerPixel(t.img);
  std::memcpy(t.img.pixels + (size_t)t.img.pitch * y + (size_t)x * bpp, &v, (size_t)bpp);
}
void Fill(TestImage& t, uint32_t v) {
  for (int y = 0; y < t.img.height; ++y)
    for (int x = 0; x < t.img.width; ++x) Put(t, x, y, v);
}
uint32_t R16(uint32_t v) { return v >> 11; }
uint32_t G16(uint32_t v) { return (v >> 5) & 63; }
uint32_t B16(uint32_t v) { return v & 31; }

struct Blit : ::testing::Test {
  void SetUp() override {
    BuildBlendLookupTables();
    g_DrawState.drawArea = {0, 0, 64, 64};
    State(0, 255);
    g_SoftBlitMmxFlag = 0;
  }
  void TearDown() override {
    g_SoftBlitMmxFlag = 0;
    g_SoftBlitVectorMode = -1;
  }
  static void State(int mode, int param, uint32_t bright = 0xFFFFFF) {
    g_DrawState.blendMode = mode;
    g_DrawState.blendParam = param;
    g_DrawState.drawBright = bright;
  }
  // One source pixel drawn 1:1 onto one destination pixel.
  static uint32_t One(int format, uint32_t s, uint32_t d, int transparent = 0) {
    TestImage src, dst;
    MakeImage(src, 1, 1, format, 0, 0);
    MakeImage(dst, 1, 1, format, 0, 0);
    src.img.transparentColor = 0xDEAD;
    Put(src, 0, 0, s);
    Put(dst, 0, 0, d);
    DrawImageToMemImg(&dst.img, &src.img, 0, 0, transparent, nullptr);
    return Get(dst, 0, 0);
  }
};

TEST_F(Blit, SkipDataEncodingsOfTheExamples) {
  TestImage a;
  MakeImage(a, 100, 1, 1, 0, 0);
  a.img.transparentColor = 0x123456;
  Fill(a, 0x123456);
  ASSERT_EQ(BuildMemImgSkipData(&a.img), 0);
  EXPECT_EQ(a.img.skipDataValid, 1);
  EXPECT_EQ(std::vector<uint8_t>(a.skip.begin(), a.skip.begin() + 3), (std::vector<uint8_t>{0x3F, 0x23, 0xC0}));

  TestImage b;
  MakeImage(b, 3, 1, 0, 1, 0);
  b.img.transparentColor = 9;
  b.pixels = {9, 4, 9, 0, 0, 0, 0, 0, 0};
  b.img.pixels = b.pixels.data();
  ASSERT_EQ(BuildMemImgSkipData(&b.img), 0);
  EXPECT_EQ(std::vector<uint8_t>(b.skip.begin(), b.skip.begin() + 4), (std::vector<uint8_t>{0x00, 0x40, 0x00, 0xC0}));

  TestImage c, d;
  MakeImage(c, 4, 1, 1, 0, 1);
  Put(c, 0, 0, 0x00102030);
  Put(c, 1, 0, 0x80FF0000);
  Put(c, 2, 0, 0x80FF0000);
  Put(c, 3, 0, 0xFF0000FF);
  ASSERT_EQ(BuildMemImgSkipData(&c.img), 0);
  EXPECT_EQ(std::vector<uint8_t>(c.skip.begin(), c.skip.begin() + 4), (std::vector<uint8_t>{0x00, 0x81, 0x40, 0xC0}));
  MakeImage(d, 4, 1, 1, 0, 0);
  Fill(d, 0x00000000);
  DrawImageToMemImg(&d.img, &c.img, 0, 0, 1, nullptr);
  EXPECT_EQ(Get(d, 0, 0), 0u);
  EXPECT_EQ(Get(d, 1, 0), 0x007F0000u);   // red 255 over 0 at alpha 128
  EXPECT_EQ(Get(d, 2, 0), 0x007F0000u);
  EXPECT_EQ(Get(d, 3, 0), 0xFF0000FFu);   // copied whole, alpha byte included

  TestImage none;
  MakeImage(none, 4, 1, 2, 0, 0);
  EXPECT_EQ(BuildMemImgSkipData(&none.img), -1);
}

TEST_F(Blit, Rules32Examples) {
  State(1, 128);
  EXPECT_EQ(One(1, 0x00FFFFFF, 0xAB000000), 0x007F7F7Fu);   // half sum, fourth byte 0
  State(2, 255);
  g_SoftBlitMmxFlag = 1;
  EXPECT_EQ(One(1, 0x000000C8, 0x00000064) & 0xFF, 0xFFu);
  g_SoftBlitMmxFlag = 0;
  EXPECT_EQ(One(1, 0x00010101, 0x00020202), 0x00020203u);   // full strength, masked: low bits lost
  State(4, 0);
  EXPECT_EQ(One(1, 0x00FFFFFF, 0x00FF6400), 0x00FE6300u);   // floor(255 x d / 256)

  // The general add through the skip data at parameter 255: carry out of blue lands in green.
  State(2, 255);
  TestImage src, dst;
  MakeImage(src, 1, 1, 1, 0, 0);
  MakeImage(dst, 1, 1, 1, 0, 0);
  src.img.transparentColor = 0x12345678;
  Put(src, 0, 0, 0x00000080);
  Put(dst, 0, 0, 0x00000080);
  ASSERT_EQ(BuildMemImgSkipData(&src.img), 0);
  DrawImageToMemImg(&dst.img, &src.img, 0, 0, 1, nullptr);
  EXPECT_EQ(Get(dst, 0, 0) & 0xFFFF, 0x01FFu);

  // Subtract with parameter 0 from a paletted source: a zero term through the masked rule.
  State(3, 0);
  TestImage pal, pd;
  MakeImage(pal, 1, 1, 1, 1, 0);
  MakeImage(pd, 1, 1, 1, 0, 0);
  pal.img.palette[0] = 0x00FFFFFF;
  Put(pd, 0, 0, 0x00102030);
  DrawImageToMemImg(&pd.img, &pal.img, 0, 0, 0, nullptr);
  EXPECT_EQ(Get(pd, 0, 0), 0x00112130u);
  // The same with a direct source draws nothing.
  EXPECT_EQ(One(1, 0x00FFFFFF, 0x00102030), 0x00102030u);
}

TEST_F(Blit, Rules16Examples) {
  State(2, 255);
  TestImage src, dst;
  MakeImage(src, 3, 1, 0, 0, 0);
  MakeImage(dst, 3, 1, 0, 0, 0);
  Fill(src, 0xFFFF);
  DrawImageToMemImg(&dst.img, &src.img, 0, 0, 0, nullptr);
  const uint32_t p0 = Get(dst, 0, 0), p1 = Get(dst, 1, 0), p2 = Get(dst, 2, 0);
  EXPECT_EQ(R16(p0), 30u);
  EXPECT_EQ(G16(p0), 62u);
  EXPECT_EQ(B16(p0), 31u);
  EXPECT_EQ(R16(p1), 30u);
  EXPECT_EQ(G16(p1), 62u);
  EXPECT_EQ(B16(p1), 30u);
  EXPECT_EQ(p2, 0xF7DFu);   // the odd last pixel has no low-bit term
  Fill(dst, 0xFFFF);
  DrawImageToMemImg(&dst.img, &src.img, 0, 0, 0, nullptr);
  EXPECT_EQ(Get(dst, 0, 0), 0xFFFFu);
  EXPECT_EQ(Get(dst, 1, 0), 0xFFFFu);

  // The one-pixel add with its low-bit term (parameter 255 through the skip data).
  src.img.transparentColor = 0x1234;
  ASSERT_EQ(BuildMemImgSkipData(&src.img), 0);
  Fill(dst, 0);
  DrawImageToMemImg(&dst.img, &src.img, 0, 0, 1, nullptr);
  EXPECT_EQ(Get(dst, 0, 0), 0xFFFFu);

  State(1, 100);
  EXPECT_EQ(G16(One(0, 63 << 5, 0)), 25u);    // L[25][63][0]
  EXPECT_EQ(R16(One(0, 31u << 11, 0)), 12u);
}

TEST_F(Blit, ScaledDiffersFromOneToOneWhereTheRulesSaySo) {
  TestImage src, dst;
  MakeImage(src, 1, 1, 1, 0, 0);
  MakeImage(dst, 2, 1, 1, 0, 0);
  Put(src, 0, 0, 0x00010101);
  Fill(dst, 0x00020202);
  State(2, 255);
  const int32_t r[4] = {0, 0, 2, 1};
  DrawScaledToMemImg(&dst.img, &src.img, r, 0, nullptr);
  EXPECT_EQ(Get(dst, 0, 0) & 0xFFFFFF, 0x030303u);

  TestImage s16, d16;
  MakeImage(s16, 1, 1, 0, 0, 0);
  MakeImage(d16, 2, 1, 0, 0, 0);
  Put(s16, 0, 0, 63 << 5);
  State(1, 100);
  DrawScaledToMemImg(&d16.img, &s16.img, r, 0, nullptr);
  EXPECT_EQ(G16(Get(d16, 1, 0)), 24u);   // 0 + N[100][63]
}

TEST_F(Blit, AlphaAtTheEndsOfItsParameter) {
  std::mt19937 rng(5);
  for (int format = 0; format < 2; ++format) {
    TestImage src, a, b;
    MakeImage(src, 9, 5, format, 0, 0);
    MakeImage(a, 12, 8, format, 0, 0);
    MakeImage(b, 12, 8, format, 0, 0);
    src.img.transparentColor = 0x77;
    FillRandom(src, rng);
    FillRandom(a, rng);
    CopyPixels(b, a);
    State(1, 255, 0x8090A0);
    DrawImageToMemImg(&a.img, &src.img, 2, 1, 1, nullptr);
    State(0, 0, 0x8090A0);
    DrawImageToMemImg(&b.img, &src.img, 2, 1, 1, nullptr);
    EXPECT_EQ(a.pixels, b.pixels);
    State(1, 0);
    DrawImageToMemImg(&a.img, &src.img, 2, 1, 0, nullptr);
    EXPECT_EQ(a.pixels, b.pixels);
  }
}

TEST_F(Blit, RefusedPairsAreNeverWritten) {
  TestImage s16, s32, d32, dpal, dalpha;
  MakeImage(s16, 4, 4, 0, 0, 0);
  MakeImage(s32, 4, 4, 1, 0, 0);
  MakeImage(d32, 4, 4, 1, 0, 0);
  MakeImage(dpal, 4, 4, 1, 1, 0);
  MakeImage(dalpha, 4, 4, 1, 0, 1);
  Fill(s16, 0x1234);
  Fill(s32, 0x123456);
  const int32_t r[4] = {0, 0, 3, 3};
  for (TestImage* d : {&dpal, &dalpha}) {
    DrawImageToMemImg(&d->img, &s32.img, 0, 0, 0, nullptr);
    DrawScaledToMemImg(&d->img, &s32.img, r, 0, nullptr);
    EXPECT_EQ(Get(*d, 0, 0), 0u);
  }
  DrawImageToMemImg(&d32.img, &s16.img, 0, 0, 0, nullptr);
  DrawScaledToMemImg(&d32.img, &s16.img, r, 0, nullptr);
  EXPECT_EQ(Get(d32, 0, 0), 0u);
}

// Skip data that says "all transparent" shows which path a draw took. With the vector kernels on,
// a plain keyed draw is tested pixel by pixel instead (the same bytes for skip data that matches
// its pixels, as the writer keeps it), so the scalar paths are looked at here.
TEST_F(Blit, FastPathOnlyForFlagOneUnclipped) {
  g_SoftBlitVectorMode = 0;
  TestImage src, dst;
  MakeImage(src, 4, 2, 1, 0, 0);
  MakeImage(dst, 8, 4, 1, 0, 0);
  Fill(src, 0x00ABCDEF);
  src.img.transparentColor = 0;
  const uint8_t stale[] = {0x03, 0xC0, 0x03, 0xC0};
  std::memcpy(src.skip.data(), stale, sizeof stale);
  src.img.skipDataValid = 1;
  DrawImageToMemImg(&dst.img, &src.img, 1, 1, 1, nullptr);
  EXPECT_EQ(Get(dst, 1, 1), 0u);
  DrawImageToMemImg(&dst.img, &src.img, 1, 1, 2, nullptr);
  EXPECT_EQ(Get(dst, 1, 1), 0x00ABCDEFu);
  Fill(dst, 0);
  g_DrawState.drawArea = {0, 0, 4, 4};   // one column clipped off
  DrawImageToMemImg(&dst.img, &src.img, 1, 1, 1, nullptr);
  EXPECT_EQ(Get(dst, 1, 1), 0x00ABCDEFu);
  // Kernels on: the plain keyed draw reads the pixels, not the skip data.
  g_SoftBlitVectorMode = -1;
  Fill(dst, 0);
  g_DrawState.drawArea = {0, 0, 8, 4};
  DrawImageToMemImg(&dst.img, &src.img, 1, 1, 1, nullptr);
  EXPECT_EQ(Get(dst, 1, 1), 0x00ABCDEFu);
}

// Damaged skip data (runs past the row, no row ends) stays inside each row.
TEST_F(Blit, DamagedSkipDataStaysInsideTheImage) {
  TestImage src, dst;
  MakeImage(src, 3, 3, 1, 0, 1);
  MakeImage(dst, 10, 10, 1, 0, 0);
  Fill(src, 0x80112233);
  std::fill(src.skip.begin(), src.skip.end(), 0xBF);
  src.img.skipDataValid = 1;
  DrawImageToMemImg(&dst.img, &src.img, 2, 2, 1, nullptr);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 5 && y >= 2 && y < 5;
      EXPECT_EQ(Get(dst, x, y) != 0, inside) << x << "," << y;
    }
}

TEST_F(Blit, PalettedKeyAbove255HidesNothing) {
  TestImage src, dst;
  MakeImage(src, 2, 1, 1, 1, 0);
  MakeImage(dst, 4, 4, 1, 0, 0);
  src.pixels[0] = 255;
  src.pixels[1] = 3;
  src.img.palette[255] = 0x00FF0000;
  src.img.palette[3] = 0x0000FF00;
  const int32_t r[4] = {0, 2, 4, 3};
  for (uint32_t key : {0xFFFFu, 0x103u}) {
    Fill(dst, 0);
    src.img.transparentColor = key;
    DrawImageToMemImg(&dst.img, &src.img, 0, 0, 1, nullptr);
    DrawScaledToMemImg(&dst.img, &src.img, r, 1, nullptr);
    EXPECT_EQ(Get(dst, 0, 0), 0x00FF0000u);
    EXPECT_EQ(Get(dst, 1, 0), 0x0000FF00u);
    EXPECT_EQ(Get(dst, 0, 2), 0x00FF0000u);
    EXPECT_EQ(Get(dst, 3, 2), 0x0000FF00u);
  }
  src.img.transparentColor = 255;
  Fill(dst, 0);
  DrawImageToMemImg(&dst.img, &src.img, 0, 0, 1, nullptr);
  EXPECT_EQ(Get(dst, 0, 0), 0u);
}

TEST_F(Blit, HugeCoordinatesDrawNothing) {
  TestImage src, dst;
  MakeImage(src, 13, 7, 1, 0, 0);
  MakeImage(dst, 16, 16, 1, 0, 0);
  Fill(src, 0x00FFFFFF);
  g_DrawState.drawArea = {0, 0, 16, 16};
  DrawImageToMemImg(&dst.img, &src.img, INT32_MAX - 3, INT32_MAX - 1, 0, nullptr);
  DrawImageToMemImg(&dst.img, &src.img, INT32_MIN, INT32_MIN, 0, nullptr);
  const int32_t rects[][4] = {{INT32_MIN, 0, INT32_MAX, 10}, {0, 0, 40000, 10}, {0, 0, 10, 40000},
                              {-30000, 0, -20000, 10},      {INT32_MAX, 5, INT32_MAX - 20, 9},
                              {10, 20, 10, 60}};
  for (const auto& r : rects) DrawScaledToMemImg(&dst.img, &src.img, r, 0, nullptr);
  TestImage wide;
  MakeImage(wide, 70000, 1, 1, 0, 0);
  const int32_t tiny[4] = {0, 0, 1, 1};
  DrawScaledToMemImg(&dst.img, &wide.img, tiny, 0, nullptr);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(Get(dst, x, y), 0u);
}

TEST_F(Blit, EveryDrawMarksTheDestinationChanged) {
  TestImage src, dst;
  MakeImage(src, 4, 4, 1, 0, 0);
  MakeImage(dst, 8, 8, 1, 0, 0);
  src.img.transparentColor = 0;
  Fill(src, 0x00FF0000);
  Fill(dst, 0);
  ASSERT_EQ(BuildMemImgSkipData(&dst.img), 0);
  ASSERT_EQ(dst.img.skipDataValid, 1);
  DrawImageToMemImg(&dst.img, &src.img, 1, 1, 0, nullptr);
  EXPECT_EQ(dst.img.skipDataValid, 0);
  // Drawn with its old skip data the changed image would stay invisible; now it shows.
  TestImage out;
  MakeImage(out, 8, 8, 1, 0, 0);
  DrawImageToMemImg(&out.img, &dst.img, 0, 0, 1, nullptr);
  EXPECT_EQ(Get(out, 2, 2), 0x00FF0000u);
  ASSERT_EQ(BuildMemImgSkipData(&dst.img), 0);
  const int32_t r[4] = {0, 0, 7, 3};
  DrawScaledToMemImg(&dst.img, &src.img, r, 0, nullptr);
  EXPECT_EQ(dst.img.skipDataValid, 0);
}

// A source row whose pixels carry their column index in blue (red varies so a tint is possible).
void ColumnSource(TestImage& t, int w, int h = 1) {
  MakeImage(t, w, h, 1, 0, 0);
  t.img.transparentColor = 0xFFFFFFFF;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) Put(t, x, y, 0x00800000u | (uint32_t)(y << 8) | (uint32_t)x);
}
std::vector<int> Columns(const TestImage& d, int n, int y = 0) {
  std::vector<int> v;
  for (int x = 0; x < n; ++x) v.push_back((int)(Get(d, x, y) & 0xFF));
  return v;
}

TEST_F(Blit, ScaledSteppingRules) {
  struct Case { int sw, dw; std::vector<int> ruleB, ruleA; };
  const Case cases[] = {{4, 2, {0, 1}, {0, 2}},
                        {8, 4, {0, 1, 3, 5}, {0, 2, 4, 6}},
                        {8, 6, {0, 1, 2, 3, 5, 6}, {0, 1, 2, 4, 5, 6}},
                        {9, 3, {0, 3, 6}, {0, 3, 6}},
                        {3, 6, {0, 0, 1, 1, 2, 2}, {0, 0, 1, 1, 2, 2}}};
  for (const Case& c : cases) {
    TestImage src, dst;
    ColumnSource(src, c.sw);
    MakeImage(dst, c.dw, 1, 1, 0, 0);
    const int32_t r[4] = {0, 0, c.dw, 1};
    State(0, 0);
    DrawScaledToMemImg(&dst.img, &src.img, r, 0, nullptr);
    EXPECT_EQ(Columns(dst, c.dw), c.ruleB) << c.sw << " to " << c.dw;
    State(0, 0, 0xFEFFFF);   // red tinted: blue, the column, is unchanged
    DrawScaledToMemImg(&dst.img, &src.img, r, 0, nullptr);
    EXPECT_EQ(Columns(dst, c.dw), c.ruleA) << c.sw << " to " << c.dw;
  }
}

TEST_F(Blit, ScaledClippingAndMirroring) {
  TestImage src, full, clipped;
  ColumnSource(src, 8, 8);
  MakeImage(full, 12, 12, 1, 0, 0);
  MakeImage(clipped, 12, 12, 1, 0, 0);
  State(0, 0, 0xFEFFFF);
  const int32_t r[4] = {0, 0, 6, 6};
  DrawScaledToMemImg(&full.img, &src.img, r, 0, nullptr);
  g_DrawState.drawArea = {3, 2, 12, 12};
  DrawScaledToMemImg(&clipped.img, &src.img, r, 0, nullptr);
  for (int y = 2; y < 6; ++y)
    for (int x = 3; x < 6; ++x) EXPECT_EQ(Get(clipped, x, y), Get(full, x, y));
  EXPECT_EQ(Get(clipped, 2, 2), 0u);

  // Mirrored and clipped on the left: the clipped edge shows column width - 1 - sx0.
  const int32_t m[4] = {6, 0, 0, 6};
  DrawScaledToMemImg(&clipped.img, &src.img, m, 0, nullptr);
  EXPECT_EQ(Get(clipped, 3, 2) & 0xFF, (uint32_t)(8 - 1 - (3 * 65536 / (6 * 65536 / 8))));
  // Same size with the corners swapped: each row reversed.
  g_DrawState.drawArea = {0, 0, 12, 12};
  State(0, 0);
  const int32_t s[4] = {8, 0, 0, 8};
  DrawScaledToMemImg(&full.img, &src.img, s, 0, nullptr);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(Get(full, x, 3), Get(src, 7 - x, 3));
}

TEST_F(Blit, AlphaZeroUnderMultiply) {
  TestImage src, dst;
  MakeImage(src, 2, 1, 1, 0, 1);
  MakeImage(dst, 4, 1, 1, 0, 0);
  Put(src, 0, 0, 0x00FFFFFF);
  Put(src, 1, 0, 0x00FFFFFF);
  State(4, 0);
  const int32_t r[4] = {0, 0, 4, 1};
  Fill(dst, 0x00406080);
  DrawScaledToMemImg(&dst.img, &src.img, r, 1, nullptr);
  EXPECT_EQ(Get(dst, 0, 0), 0x00406080u);
  DrawScaledToMemImg(&dst.img, &src.img, r, 0, nullptr);
  EXPECT_EQ(Get(dst, 0, 0), 0u);
  // The 1:1 keyed loops draw it through the alpha rule too.
  Fill(dst, 0x00406080);
  DrawImageToMemImg(&dst.img, &src.img, 0, 0, 2, nullptr);
  EXPECT_EQ(Get(dst, 0, 0), 0u);
  EXPECT_EQ(Get(dst, 2, 0), 0x00406080u);
}

}  // namespace
