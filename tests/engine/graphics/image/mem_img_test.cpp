#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/image/mem_img.h"

namespace {

struct Img {
  MemImg m;
  Img() { std::memset(&m, 0, sizeof(m)); }
  ~Img() { ReleaseMemImg(&m); }
};

TEST(MemImg, PitchAndPitchShift) {
  Img a, b, c;
  ASSERT_EQ(SetupMemImg(&a.m, 100, 10, -1, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(a.m.pitch, 208);
  EXPECT_EQ(a.m.pitchShift, -1);
  EXPECT_EQ(a.m.magic, MEMIMG_MAGIC);
  ASSERT_EQ(SetupMemImg(&b.m, 256, 10, -1, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(b.m.pitch, 512);
  EXPECT_EQ(b.m.pitchShift, 9);
  EXPECT_EQ(SetupMemImg(&b.m, 256, 10, -1, 0, 0, 0, 0, 0), -1);   // already set up
  ASSERT_EQ(SetupMemImg(&c.m, 10, 2, 64, 0, 1, 0, 0, 0), 0);       // given pitch, a power of two
  EXPECT_EQ(c.m.pitchShift, 6);
  Img d;
  EXPECT_EQ(SetupMemImg(&d.m, 10, 2, 8, 0, 1, 0, 0, 0), -1);        // pitch shorter than a row
  EXPECT_EQ(d.m.magic, 0u);
  EXPECT_EQ(SetupMemImg(&d.m, 0, 2, -1, 0, 1, 0, 0, 0), -1);
}

TEST(MemImg, FormatRules) {
  Img a, g, p;
  ASSERT_EQ(SetupMemImg(&a.m, 4, 4, -1, 0, 0, 0, 1, 1), 0);
  EXPECT_EQ(MemImgPixelBytes(&a.m), 4);
  EXPECT_EQ(a.m.colorData->alphaMask, 0xFF0000u);
  EXPECT_NE(a.m.premultiplied, nullptr);
  EXPECT_NE(a.m.skipData, nullptr);
  ASSERT_EQ(SetupMemImg(&g.m, 4, 4, -1, 0, 2, 1, 1, 1), 0);
  EXPECT_EQ(g.m.paletteFlag, 0);
  EXPECT_EQ(g.m.alphaFlag, 0);
  EXPECT_EQ(g.m.skipData, nullptr);
  EXPECT_EQ(g.m.premultiplied, nullptr);
  ASSERT_EQ(SetupMemImg(&p.m, 4, 4, -1, 0xFFFF, 1, 1, 1, 0), 0);
  EXPECT_EQ(p.m.alphaFlag, 0);
  EXPECT_EQ(p.m.pitch, 16);
  EXPECT_EQ(p.m.palettePtr, p.m.palette);
  EXPECT_EQ(p.m.transparentColor, 0xFFFFu);
}

TEST(MemImg, CallerPixelsAndRelease) {
  alignas(16) uint8_t block[64 * 4];
  Img a;
  a.m.pixels = block;
  ASSERT_EQ(SetupMemImg(&a.m, 16, 4, 64, 0, 1, 0, 0, 0), 0);
  EXPECT_EQ(a.m.callerOwnedPixels, 1);
  ReleaseMemImg(&a.m);   // must not free the caller's block
  EXPECT_EQ(a.m.pixels, nullptr);
  EXPECT_EQ(a.m.magic, 0u);
  EXPECT_EQ(IsMemImgInitialized(&a.m), 0);
}

TEST(MemImg, ViewsShareThePixels) {
  Img src;
  ASSERT_EQ(SetupMemImg(&src.m, 16, 8, 64, 0x123, 1, 0, 0, 1), 0);
  src.m.skipDataValid = 1;
  MemImg view;
  std::memset(&view, 0xAB, sizeof(view));
  SetupMemImgSubRect(&view, &src.m, 3, 2, 5, 4);
  EXPECT_EQ(view.pixels - src.m.pixels, 140);
  EXPECT_EQ(view.width, 5);
  EXPECT_EQ(view.pitch, 64);
  EXPECT_EQ(view.transparentColor, 0x123u);
  EXPECT_EQ(view.skipDataValid, 0);
  EXPECT_EQ(view.skipData, nullptr);
  EXPECT_EQ(view.premultiplied, nullptr);
  EXPECT_EQ(view.callerOwnedPixels, 0);
  // A view asked past the source's edge is kept inside it.
  SetupMemImgSubRect(&view, &src.m, 14, 6, 10, 10);
  EXPECT_EQ(view.width, 2);
  EXPECT_EQ(view.height, 2);
}

TEST(MemImg, SkipDataRuns) {
  Img a;
  ASSERT_EQ(SetupMemImg(&a.m, 70, 2, -1, 0x0000F81F, 0, 0, 0, 1), 0);
  uint16_t* row0 = reinterpret_cast<uint16_t*>(a.m.pixels);
  uint16_t* row1 = reinterpret_cast<uint16_t*>(a.m.pixels + a.m.pitch);
  for (int x = 0; x < 70; ++x) {
    row0[x] = x < 3 ? 0xF81F : 0x1234;
    row1[x] = 0xF81F;
  }
  ASSERT_EQ(BuildMemImgSkipData(&a.m), 0);
  EXPECT_EQ(a.m.skipDataValid, 1);
  const uint8_t expect[] = {0x02, 0x40 | 63, 0x40 | 2, 0xC0, 63, 5, 0xC0};
  EXPECT_EQ(std::memcmp(a.m.skipData, expect, sizeof(expect)), 0);

  Img b;   // alpha classes: 0 transparent, 255 opaque, else partly
  ASSERT_EQ(SetupMemImg(&b.m, 3, 1, -1, 0, 1, 0, 1, 1), 0);
  uint32_t px[3] = {0x00FFFFFF, 0xFF000000, 0x80000000};
  std::memcpy(b.m.pixels, px, sizeof(px));
  ASSERT_EQ(BuildMemImgSkipData(&b.m), 0);
  const uint8_t e2[] = {0x00, 0x40, 0x80, 0xC0};
  EXPECT_EQ(std::memcmp(b.m.skipData, e2, sizeof(e2)), 0);
}

TEST(MemImg, PremultipliedImage) {
  Img a;
  ASSERT_EQ(SetupMemImg(&a.m, 1, 1, -1, 0, 1, 0, 1, 1), 0);
  uint32_t px = 0x80FF4020;
  std::memcpy(a.m.pixels, &px, 4);
  ASSERT_EQ(BuildMemImgPremultiplied(&a.m), 0);
  uint32_t out;
  std::memcpy(&out, a.m.premultiplied, 4);
  EXPECT_EQ(out, 0x807F2010u);
  Img b;
  ASSERT_EQ(SetupMemImg(&b.m, 1, 1, -1, 0, 0, 0, 1, 1), 0);
  px = 0x0080FFFF;   // white, alpha 0x80
  std::memcpy(b.m.pixels, &px, 4);
  ASSERT_EQ(BuildMemImgPremultiplied(&b.m), 0);
  std::memcpy(&out, b.m.premultiplied, 4);
  EXPECT_EQ(out, 0x00807BEFu);   // red 15, green 31, blue 15
}

TEST(MemImg, WholeTransferRebuildsDerivedDataPartialClearsIt) {
  Img a;
  ASSERT_EQ(SetupMemImg(&a.m, 2, 2, -1, 0, 1, 0, 1, 1), 0);
  PictureImage pic{};
  CreateColorData(&pic.colorData, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
  uint32_t px[4] = {0xFF102030, 0x00000000, 0x80FFFFFF, 0xFF000000};
  pic.width = 2;
  pic.height = 2;
  pic.pitch = 8;
  pic.pixels = reinterpret_cast<uint8_t*>(px);
  ASSERT_EQ(TransferImageToMemImg(&pic, nullptr, &a.m, 0, 0, 2, 2, 0, 0), 0);
  EXPECT_EQ(a.m.skipDataValid, 1);
  EXPECT_EQ(a.m.premultipliedValid, 1);
  ASSERT_EQ(TransferImageToMemImg(&pic, nullptr, &a.m, 0, 0, 1, 1, 1, 1), 0);
  EXPECT_EQ(a.m.skipDataValid, 0);
  EXPECT_EQ(a.m.premultipliedValid, 0);
  uint32_t v;
  std::memcpy(&v, a.m.pixels + a.m.pitch + 4, 4);
  EXPECT_EQ(v, 0xFF102030u);
  // Out-of-range placements are clipped, never written past the image.
  EXPECT_EQ(TransferImageToMemImg(&pic, nullptr, &a.m, 0, 0, 2, 2, 5, 5), -1);
  EXPECT_EQ(TransferImageToMemImg(&pic, nullptr, &a.m, -1, 0, 9, 9, 0, 0), 0);
}

TEST(MemImg, PaletteTransferBuildsPaletteAndCount) {
  Img a;
  ASSERT_EQ(SetupMemImg(&a.m, 2, 1, -1, 0xFFFF, 0, 1, 0, 1), 0);
  PictureImage pic{};
  SetupPaletteColorData8(&pic.colorData);
  pic.colorData.palette[5] = 0x00FF8040;
  uint8_t idx[2] = {5, 1};
  pic.width = 2;
  pic.height = 1;
  pic.pitch = 2;
  pic.pixels = idx;
  ASSERT_EQ(TransferImageToMemImg(&pic, nullptr, &a.m, 0, 0, 2, 1, 0, 0), 0);
  EXPECT_EQ(a.m.paletteCount, 6);
  EXPECT_EQ(a.m.palette[5], (0xF8u << 8) | (0x80u << 3) | (0x40u >> 3));
  EXPECT_EQ(a.m.paletteCopy[5], a.m.palette[5]);
  EXPECT_EQ(a.m.pixels[0], 5);
}

}  // namespace
