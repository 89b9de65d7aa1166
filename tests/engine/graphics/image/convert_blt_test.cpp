#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/graphics/image/convert_blt.h"

namespace {

struct Cds {
  ColorData rgb565{}, xrgb{}, argb{}, rgb24{}, pal8{}, argb4444{};   // palettes start zeroed
  Cds() {
    CreateColorData(&rgb565, 16, 0xF800, 0x07E0, 0x001F, 0);
    CreateColorData(&xrgb, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    CreateColorData(&argb, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
    SetupFullColorData24(&rgb24);
    SetupPaletteColorData8(&pal8);
    CreateColorData(&argb4444, 16, 0x0F00, 0x00F0, 0x000F, 0xF000);
  }
};

int Blt(void* d, int dp, const ColorData* dcd, const void* s, int sp, const ColorData* scd, RectI r, int mirror = 0,
        int key = 0, uint32_t tc = 0, int mode = 0, int skip = 0) {
  return ConvertImageBlt(d, dp, dcd, s, sp, scd, nullptr, 0, nullptr, 0, 0, &r, mirror, key, tc, mode, 0, 0, skip);
}

TEST(ConvertBlt, EmptyRectangleWritesNothing) {
  Cds c;
  uint32_t src[4] = {1, 2, 3, 4}, dst[4] = {9, 9, 9, 9};
  EXPECT_EQ(Blt(dst, 16, &c.xrgb, src, 16, &c.xrgb, RectI{0, 0, 0, 1}), -1);
  EXPECT_EQ(Blt(dst, 16, &c.xrgb, src, 16, &c.xrgb, RectI{0, 0, 4, 0}), -1);
  EXPECT_EQ(dst[0], 9u);
  uint8_t d8[4] = {};
  EXPECT_EQ(Blt(d8, 4, &c.pal8, src, 16, &c.xrgb, RectI{0, 0, 4, 1}), -1);   // 8-bit from 32-bit
}

TEST(ConvertBlt, WideningAndNarrowingEdgeValues) {
  Cds c;
  uint32_t src32 = 0x00FF0000;
  uint16_t d16 = 0;
  ASSERT_EQ(Blt(&d16, 2, &c.rgb565, &src32, 4, &c.xrgb, RectI{0, 0, 1, 1}), 0);
  EXPECT_EQ(d16 >> 11, 31);
  uint16_t src16[2] = {0xF800, static_cast<uint16_t>(16 << 11)};
  uint32_t d32[2] = {};
  ASSERT_EQ(Blt(d32, 8, &c.xrgb, src16, 4, &c.rgb565, RectI{0, 0, 2, 1}), 0);
  EXPECT_EQ(d32[0], 0xFFFF0000u);   // 31 -> 255, none mask set
  EXPECT_EQ(d32[1], 0xFF830000u);   // 16 -> 131
}

TEST(ConvertBlt, MissingAlphaIsOpaqueAndKeyBecomesAlpha) {
  Cds c;
  uint8_t src24[6] = {0x00, 0xFF, 0x00, 0x10, 0x20, 0x30};   // green, then 0x302010
  uint32_t d[2] = {};
  ASSERT_EQ(Blt(d, 8, &c.argb, src24, 6, &c.rgb24, RectI{0, 0, 2, 1}), 0);
  EXPECT_EQ(d[0], 0xFF00FF00u);
  EXPECT_EQ(d[1], 0xFF302010u);
  ASSERT_EQ(Blt(d, 8, &c.argb, src24, 6, &c.rgb24, RectI{0, 0, 2, 1}, 0, 1, 0x00FF00), 0);
  EXPECT_EQ(d[0], 0x0000FF00u);
  EXPECT_EQ(d[1], 0xFF302010u);
  // From R5G6B5 the key is compared after widening.
  uint16_t s16 = 0x07E0;
  uint32_t k = 0;
  ASSERT_EQ(Blt(&k, 4, &c.argb, &s16, 2, &c.rgb565, RectI{0, 0, 1, 1}, 0, 1, 0x00FF00), 0);
  EXPECT_EQ(k >> 24, 0u);
}

TEST(ConvertBlt, AlphaImageRedChannelGivesAlpha) {
  Cds c;
  uint32_t col[2] = {0x00112233, 0x00445566};
  uint32_t alpha[2] = {0x00800000, 0x00FF0000};
  uint32_t d[2] = {};
  RectI r{0, 0, 2, 1};
  ASSERT_EQ(ConvertImageBlt(d, 8, &c.argb, col, 8, &c.xrgb, alpha, 8, &c.xrgb, 0, 0, &r, 0, 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(d[0], 0x80112233u);
  EXPECT_EQ(d[1], 0xFF445566u);
  uint16_t d4[2] = {};
  ASSERT_EQ(ConvertImageBlt(d4, 4, &c.argb4444, col, 8, &c.xrgb, alpha, 8, &c.xrgb, 0, 0, &r, 0, 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(d4[0], 0x8123u);
}

TEST(ConvertBlt, MirrorAndSkipTransparent) {
  Cds c;
  uint32_t src[3] = {0xFF000001, 0xFF000002, 0xFF000003};
  uint32_t d[3] = {};
  ASSERT_EQ(Blt(d, 12, &c.xrgb, src, 12, &c.xrgb, RectI{0, 0, 3, 1}, 1), 0);
  EXPECT_EQ(d[2], 0xFF000001u);   // first source column lands in the last destination column
  EXPECT_EQ(d[0], 0xFF000003u);
  uint32_t e[3] = {7, 7, 7};
  ASSERT_EQ(Blt(e, 12, &c.xrgb, src, 12, &c.xrgb, RectI{0, 0, 3, 1}, 0, 0, 0xFF000002, 0, 1), 0);
  EXPECT_EQ(e[0], 0xFF000001u);
  EXPECT_EQ(e[1], 7u);
  // Mirroring switches the skip off.
  uint32_t m[3] = {7, 7, 7};
  ASSERT_EQ(Blt(m, 12, &c.xrgb, src, 12, &c.xrgb, RectI{0, 0, 3, 1}, 1, 0, 0xFF000002, 0, 1), 0);
  EXPECT_EQ(m[1], 0xFF000002u);
  // A converted copy with skip and a sub-rectangle at an offset.
  uint16_t d16[4] = {5, 5, 5, 5};
  RectI r{1, 0, 3, 1};
  ASSERT_EQ(ConvertImageBlt(d16, 8, &c.rgb565, src, 12, &c.xrgb, nullptr, 0, nullptr, 2, 0, &r, 0, 0, 0xFF000003, 0, 0,
                            0, 1),
            0);
  EXPECT_EQ(d16[1], 5);
  EXPECT_EQ(d16[2], 0);
  EXPECT_EQ(d16[3], 5);
}

TEST(ConvertBlt, OrderedDitherAndErrorCarry) {
  Cds c;
  // Red 0x04 loses 3 bits (lost value 4) going to 5 bits: dither threshold (8 * m) / 16.
  std::vector<uint32_t> src(16, 0x00040000);
  std::vector<uint16_t> d(16, 0);
  ASSERT_EQ(Blt(d.data(), 8, &c.rgb565, src.data(), 16, &c.xrgb, RectI{0, 0, 4, 4}, 0, 0, 0, REDUCE_DITHER), 0);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      int expect = 4 > (8 * DitherMatrix4x4[y][x]) / 16 ? 1 : 0;
      EXPECT_EQ(d[y * 4 + x] >> 11, expect) << x << "," << y;
    }
  }
  std::vector<uint16_t> e(16, 0);
  ASSERT_EQ(Blt(e.data(), 8, &c.rgb565, src.data(), 16, &c.xrgb, RectI{0, 0, 4, 4}, 0, 0, 0, REDUCE_ERROR_CARRY), 0);
  int steps = 0;
  for (uint16_t v : e) steps += v >> 11;
  EXPECT_EQ(steps, 8);   // half a step per pixel, carried across rows
  EXPECT_EQ(e[0] >> 11, 0);
  EXPECT_EQ(e[1] >> 11, 1);
  // Truncation never steps, and a full channel never overflows its mask.
  uint32_t full = 0x00FFFFFF;
  uint16_t f = 0;
  ASSERT_EQ(Blt(&f, 2, &c.rgb565, &full, 4, &c.xrgb, RectI{0, 0, 1, 1}, 0, 0, 0, REDUCE_DITHER), 0);
  EXPECT_EQ(f, 0xFFFF);
}

TEST(ConvertBlt, PaletteSourcesAndIndexCopies) {
  Cds c;
  ColorData pal = c.pal8;
  pal.palette[3] = 0x00FF0000;
  uint8_t idx[2] = {3, 0};
  uint16_t d[2] = {};
  ASSERT_EQ(Blt(d, 4, &c.rgb565, idx, 2, &pal, RectI{0, 0, 2, 1}), 0);
  EXPECT_EQ(d[0], 0xF800);
  EXPECT_EQ(d[1], 0);
  uint8_t out[2] = {};
  uint8_t in[2] = {7, 42};
  EXPECT_EQ(Blt(out, 2, &pal, in, 2, &pal, RectI{0, 0, 2, 1}), 42);   // largest index copied
  EXPECT_EQ(out[0], 7);
}

TEST(ConvertBlt, TabulatedLoopMatchesPixelByPixel) {
  Cds c;
  // 65536 pixels take the tabulated loop; one pixel at a time takes the general one.
  std::vector<uint16_t> src(65536);
  for (uint32_t i = 0; i < 65536; ++i) src[i] = static_cast<uint16_t>(i);
  const ColorData* pairs[][2] = {{&c.xrgb, &c.rgb565}, {&c.argb, &c.argb4444}, {&c.argb, &c.rgb565}};
  for (auto& pr : pairs) {
    std::vector<uint32_t> whole(65536);
    ASSERT_EQ(Blt(whole.data(), 256 * 4, pr[0], src.data(), 256 * 2, pr[1], RectI{0, 0, 256, 256}), 0);
    for (uint32_t i = 0; i < 65536; i += 7) {
      uint32_t one = 0;
      ASSERT_EQ(Blt(&one, 4, pr[0], &src[i], 2, pr[1], RectI{0, 0, 1, 1}), 0);
      ASSERT_EQ(one, whole[i]) << i;
    }
  }
}

}  // namespace
