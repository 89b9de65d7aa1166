#include <gtest/gtest.h>

#include <cstring>

#include "platform/clock.h"
#include "platform/present.h"

namespace {

TEST(VerticalBlankModel, SixtyFramesOfScanLinesOnTheVirtualClock) {
  plat::VirtualClockEnable(0);
  plat::DisplaySetVisibleLines(480);
  EXPECT_EQ(plat::DisplayScanLine(), 0);
  EXPECT_FALSE(plat::DisplayInVerticalBlank());
  plat::DisplayWaitForBlankBegin();
  EXPECT_TRUE(plat::DisplayInVerticalBlank());
  EXPECT_EQ(plat::DisplayScanLine(), 480);
  const uint64_t first = plat::MicrosecondClock();
  EXPECT_NEAR(static_cast<double>(first), 16666.7 * 480 / 525, 2.0);
  plat::DisplayWaitForBlankBegin();   // already at the start: no wait
  EXPECT_EQ(plat::MicrosecondClock(), first);
  plat::VirtualClockAdvance(100);   // past the first blank line
  plat::DisplayWaitForBlankBegin();
  EXPECT_NEAR(static_cast<double>(plat::MicrosecondClock() - first), 16666.7, 2.0);
  plat::VirtualClockAdvance(1300);   // the blank lasts 45 lines, about 1429 us
  EXPECT_TRUE(plat::DisplayInVerticalBlank());
  plat::VirtualClockAdvance(200);
  EXPECT_FALSE(plat::DisplayInVerticalBlank());
  EXPECT_LT(plat::DisplayScanLine(), 10);
  // The pacing wait never passes a blank twice; one late inside a blank not passed goes on at once.
  plat::DisplayWaitForNextBlank();
  const uint64_t next = plat::MicrosecondClock();
  EXPECT_NEAR(static_cast<double>(next - first), 2 * 16666.7, 2.0);
  plat::DisplayWaitForNextBlank();
  EXPECT_NEAR(static_cast<double>(plat::MicrosecondClock() - next), 16666.7, 2.0);
  plat::VirtualClockAdvance(16667 + 500);
  const uint64_t late = plat::MicrosecondClock();
  plat::DisplayWaitForNextBlank();
  EXPECT_EQ(plat::MicrosecondClock(), late);
  plat::VirtualClockDisable();
}

TEST(HeadlessPresenter, KeepsTheLastFrameAndRefusesBadImages) {
  plat::PresenterSetWindow(nullptr);
  plat::PresenterReset();
  ASSERT_TRUE(plat::PresenterIsHeadless());
  uint16_t pixels[2 * 3] = {1, 2, 0, 3, 4, 0};   // 2 x 2 with a 6-byte pitch
  plat::PresentImage img{reinterpret_cast<uint8_t*>(pixels), 6, 2, 2, plat::DisplayFormatForDepth(16)};
  EXPECT_EQ(plat::PresenterShow(img, 5, 6, 4, 4), 0);
  plat::PresentedFrame f;
  ASSERT_TRUE(plat::PresenterLastFrame(&f));
  EXPECT_EQ(f.pitch, 4);
  uint16_t got[4];
  std::memcpy(got, f.pixels, 8);
  EXPECT_EQ(got[2], 3);
  EXPECT_EQ(f.x, 5);
  EXPECT_EQ(f.outHeight, 4);
  EXPECT_EQ(plat::PresenterFrameCount(), 1u);
  plat::PresentImage pal = img;
  pal.format = plat::DisplayFormatForDepth(8);
  EXPECT_EQ(plat::PresenterShow(pal, 0, 0, 2, 2), -1);
  EXPECT_EQ(plat::PresenterShow(img, 0, 0, 0, 2), -1);
  EXPECT_EQ(plat::PresenterFrameCount(), 1u);
}

}  // namespace
