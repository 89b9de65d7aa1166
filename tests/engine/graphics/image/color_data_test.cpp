#include <gtest/gtest.h>

#include "engine/graphics/screen/screen_fixture.h"

#include <cstring>

#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/image/color_data.h"

namespace {

TEST(ColorData, MasksGiveShiftsWidthsAndNoneMask) {
  ColorData cd;
  CreateColorData(&cd, 16, 0xF800, 0x07E0, 0x001F, 0);
  EXPECT_EQ(cd.pixelBytes, 2);
  EXPECT_EQ(cd.redWidth, 5);
  EXPECT_EQ(cd.greenWidth, 6);
  EXPECT_EQ(cd.blueWidth, 5);
  EXPECT_EQ(cd.alphaWidth, 0);
  EXPECT_EQ(cd.redShift, 11);
  EXPECT_EQ(cd.greenShift, 5);
  EXPECT_EQ(cd.blueShift, 0);
  EXPECT_EQ(cd.noneMask, 0u);

  CreateColorData(&cd, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  EXPECT_EQ(cd.noneMask, 0xFF000000u);
  EXPECT_EQ(cd.noneShift, 24);
  EXPECT_EQ(cd.noneWidth, 8);
  EXPECT_EQ(MakeColorDataPixel(&cd, 0, 0, 0, 0), 0xFF000000u);   // unused bits are set
  EXPECT_EQ(MakeColorDataPixel(&cd, 0x12, 0x34, 0x56, 0x99), 0xFF123456u);

  CreateColorData(&cd, 16, 0x7C00, 0x03E0, 0x001F, 0);   // X1R5G5B5
  EXPECT_EQ(cd.noneMask, 0x8000u);
  EXPECT_EQ(cd.noneWidth, 1);
}

TEST(ColorData, PackingTruncatesAndHandlesWideChannels) {
  ColorData cd;
  CreateColorData(&cd, 16, 0xF800, 0x07E0, 0x001F, 0);
  EXPECT_EQ(MakeColorDataPixel(&cd, 255, 255, 255, 255), 0xFFFFu);
  EXPECT_EQ(MakeColorDataPixel(&cd, 0x07, 0x03, 0x07, 0), 0u);   // below one step: truncated away
  CreateColorData(&cd, 16, 0x0F00, 0x00F0, 0x000F, 0xF000);       // A4R4G4B4
  EXPECT_EQ(MakeColorDataPixel(&cd, 0x10, 0x20, 0x30, 0xFF), 0xF123u);
  // A 16-bit channel takes the 8-bit value moved up rather than an undefined shift.
  const ColorData* wide = GetStandardColorData(3, 0, 0);
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->redWidth, 16);
  EXPECT_EQ(MakeColorDataPixel(wide, 0x80, 0, 0, 0), 0x8000u);
}

TEST(ColorData, ConversionShiftsWithoutReplicationAndFillsMissingAlpha) {
  ColorData rgb565, xrgb, argb, argb4444;
  CreateColorData(&rgb565, 16, 0xF800, 0x07E0, 0x001F, 0);
  CreateColorData(&xrgb, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  CreateColorData(&argb, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
  CreateColorData(&argb4444, 16, 0x0F00, 0x00F0, 0x000F, 0xF000);
  EXPECT_EQ(ConvertColorDataPixel(&xrgb, &rgb565, 0xFFFF), 0xFFF8FCF8u);
  EXPECT_EQ(ConvertColorDataPixel(&argb, &rgb565, 0x0000), 0xFF000000u);   // no source alpha: opaque
  EXPECT_EQ(ConvertColorDataPixel(&argb4444, &argb, 0x80FF7F01u), 0x8F70u);
  EXPECT_EQ(ConvertColorDataPixel(&rgb565, &xrgb, 0x00FF0000u), 0xF800u);
  EXPECT_EQ(IsSameColorData(&xrgb, &argb), 0);
  EXPECT_EQ(IsSameColorData(&xrgb, &xrgb), 1);
}

TEST(ColorData, StandardKindsAndPixelFormats) {
  EXPECT_EQ(GetStandardColorData(4, 0, 0), nullptr);
  EXPECT_EQ(GetStandardPixelFormat(4, 0, 0), nullptr);
  const ColorData* a16 = GetStandardColorData(0, 1, 0);
  EXPECT_EQ(a16->bitDepth, 32);
  EXPECT_EQ(a16->alphaMask, 0xFF0000u);
  EXPECT_EQ(a16, GetStandardColorData(0, 1, 0));   // cached
  const ColorData* pal = GetStandardColorData(1, 0, 1);
  EXPECT_EQ(pal->bitDepth, 8);
  const ColorData* g8 = GetStandardColorData(2, 1, 1);
  EXPECT_EQ(g8->pixelBytes, 1);
  EXPECT_EQ(g8->alphaMask, 0xFFu);
  EXPECT_EQ(g8->noneMask, 0u);
  const PixelFormatRecord* pf = GetStandardPixelFormat(1, 1, 0);
  EXPECT_EQ(pf->size, 32u);
  EXPECT_EQ(pf->flags, 0x40u);
  EXPECT_EQ(pf->alphaMask, 0xFF000000u);
  EXPECT_EQ(GetStandardPixelFormat(3, 0, 0)->rgbBitCount, 16u);
  EXPECT_EQ(GetStandardPixelFormat(3, 0, 0)->size, 0u);

  ColorData cd;
  SetupGrayColorData8(&cd);
  EXPECT_EQ(cd.palette[200], 0xC8C8C8u);
  EXPECT_EQ(cd.noneMask, 0xFF000000u);
  SetupFullColorData24(&cd);
  EXPECT_EQ(cd.pixelBytes, 3);
  EXPECT_EQ(cd.noneMask, 0u);
}

class ScreenColor : public ::testing::Test {
 protected:
  void SetUp() override { NoScreenForTest(); }
  void TearDown() override { NoScreenForTest(); }
};

TEST_F(ScreenColor, PaletteScreenPicksNearestLowestIndex) {
  g_ScreenState.actualBitDepth = 8;
  g_ScreenState.paletteEntries[3] = 0x101010;
  g_ScreenState.paletteEntries[7] = 0x303030;
  for (int i = 0; i < 256; ++i)
    if (i != 3 && i != 7) g_ScreenState.paletteEntries[i] = 0xFFFFFF;
  EXPECT_EQ(GetScreenColor(0x20, 0x20, 0x20), 3u);   // equally far from both
  EXPECT_EQ(GetScreenColor(0x2F, 0x30, 0x30), 7u);
  int r, g, b;
  EXPECT_EQ(SplitScreenColor(7, &r, &g, &b), 0);
  EXPECT_EQ(r, 0x30);
  EXPECT_EQ(SplitScreenColor(256, &r, &g, &b), -1);
}

TEST_F(ScreenColor, SoftwareScreenPacksStandardLayout) {
  g_ScreenState.softwareScreen = 1;
  g_ScreenState.actualBitDepth = 32;
  g_ScreenState.requestedBitDepth = 32;
  EXPECT_EQ(GetScreenColor(0, 255, 0), 0xFF00FF00u);
  g_ScreenState.actualBitDepth = 16;
  g_ScreenState.requestedBitDepth = 16;
  EXPECT_EQ(GetScreenColor(255, 0, 255), 0xF81Fu);
  int r, g, b;
  SplitScreenColor(0xF81F, &r, &g, &b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(b, 255);
}

}  // namespace
