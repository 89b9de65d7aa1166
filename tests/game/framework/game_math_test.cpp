#include <gtest/gtest.h>

#include <sys/stat.h>

#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/temp_dir.h"

namespace {

TEST(GameMath, AnglesFollowTheGameRules) {
  EXPECT_EQ(NormalizeAngle(-1), 21599);
  EXPECT_EQ(NormalizeAngle(21600), 0);
  EXPECT_EQ(NormalizeAngle(-21600), 0);
  EXPECT_EQ(NormalizeAngle(43201), 1);

  // The single-precision pi lies above the true one, and the result is truncated.
  EXPECT_EQ(AngleBetween(0, 0, 5, 0), 0);
  EXPECT_EQ(AngleBetween(0, 0, 0, 5), 5399);
  EXPECT_EQ(AngleBetween(0, 0, -5, 0), 10799);
  EXPECT_EQ(AngleBetween(0, 0, 0, -5), 16201);

  EXPECT_EQ(TurnAngleToward(100, 21500, 3), 97);
  EXPECT_EQ(TurnAngleToward(2, 21500, 5), 21597);   // the short way, through 0
  EXPECT_EQ(TurnAngleToward(0, 10800, 1), 21599);   // exactly half a turn turns away
  EXPECT_EQ(TurnAngleToward(50, 50, 9), 50);

  EXPECT_EQ(MirrorAngleVertical(5400), 5400);
  EXPECT_EQ(MirrorAngleVertical(0), 10800);
  EXPECT_EQ(MirrorAngleVertical(16200), 16200);
}

TEST(GameMath, PolarStepsRoundToSinglePrecisionBeforeTruncating) {
  int dx = 99, dy = 99;
  PolarToXY(&dx, &dy, 5400, 10);
  EXPECT_EQ(dx, 0);
  EXPECT_EQ(dy, 10);
  PolarToXY(&dx, &dy, 10800, 3);
  EXPECT_EQ(dx, -3);
  EXPECT_EQ(dy, 0);
  PolarToXY(&dx, &dy, 2700, 256);   // 45 degrees: 181.019... both ways
  EXPECT_EQ(dx, 181);
  EXPECT_EQ(dy, 181);

  // 9.99999999 in double truncates to 9; rounded to single precision first it is 10.
  EXPECT_EQ(TrigTimes(0.999999999, 10), 10);
  EXPECT_EQ(TrigTimes(-0.999999999, 10), -10);
  EXPECT_EQ(TrigTimes(0.5, 3), 1);
  EXPECT_EQ(TrigTimes(-0.5, 3), -1);
  EXPECT_EQ(TrigTimes(1.0, 2147483647), 2147483647);   // saturates instead of overflowing
  EXPECT_EQ(TrigTimes(-1.0, 2147483647), -2147483647 - 1);

  int x = 10, y = 20;
  AddPolarToXY(&x, &y, 0, 7);
  EXPECT_EQ(x, 17);
  EXPECT_EQ(y, 20);
  // The radians are rounded to a float before the sine is taken.
  EXPECT_EQ(AngleToRadians(5400), 1.5707963705062866f);
}

TEST(GameMath, SmallHelpers) {
  EXPECT_EQ(BitIndexOfPowerOfTwo(4096), 12);
  EXPECT_EQ(BitIndexOfPowerOfTwo(0x40000000), 30);
  EXPECT_EQ(BitIndexOfPowerOfTwo(0x80000000u), 31);
  EXPECT_EQ(BitIndexOfPowerOfTwo(6), -1);
  EXPECT_EQ(BitIndexOfPowerOfTwo(0), -1);

  EXPECT_EQ(DistanceSq(0, 0, 3, 4), 25);
  EXPECT_EQ(DistanceSq(0, 0, 65536, 0), 0);   // wraps in 32 bits, no undefined overflow
  EXPECT_EQ(GetWobble16(3), 3);
  EXPECT_EQ(GetWobble16(-1), 0);
  EXPECT_EQ(GetWobble16(20), 3);
  EXPECT_EQ(GetWobble32(24), -11);
  EXPECT_EQ(IntLog(2, 1024), 10);
  EXPECT_EQ(IntLog(3, 10), -1);
  EXPECT_TRUE(RectsOverlap(0, 0, 10, 10, 9, 9, 5, 5));
  EXPECT_FALSE(RectsOverlap(0, 0, 10, 10, 10, 0, 5, 5));
  EXPECT_TRUE(TestBit(0x80000000u, 31));
  EXPECT_TRUE(TestBit(2, 33));

  InitGameTimers();
  EXPECT_FALSE(IsOutsidePlayfield(648, 488));
  EXPECT_FALSE(IsOutsidePlayfield(-8, -8));
  EXPECT_TRUE(IsOutsidePlayfield(649, 0));
  EXPECT_TRUE(IsOutsidePlayfield(0, -9));

  SeedDataKeystream(1);
  EXPECT_EQ(NextDataKeystream(), 0x822Au);
}

class WholeFile : public ::testing::Test {
protected:
  void SetUp() override { dir.Enter(); }
  void TearDown() override { dir.Leave(); }
  TempDir dir;
};

TEST_F(WholeFile, WritesReplaceTheOldFileOnlyWhenTheNewOneIsWhole) {
  const char first[] = "first version";
  ASSERT_EQ(WriteWholeFile("save.bin", first, sizeof first), int(sizeof first));
  EXPECT_EQ(dir.Read("save.bin").size(), sizeof first);
  EXPECT_FALSE(dir.Exists("save.bin.tmp"));

  // A read-only file is replaced all the same.
  chmod((dir.path + "/save.bin").c_str(), 0444);
  const char second[] = "second";
  ASSERT_EQ(WriteWholeFile("save.bin", second, sizeof second), int(sizeof second));
  EXPECT_EQ(dir.Read("save.bin"), std::vector<unsigned char>(second, second + sizeof second));

  // When the new file cannot be written the old one stays byte for byte and -1 reports it.
  mkdir((dir.path + "/save.bin.tmp").c_str(), 0755);
  EXPECT_EQ(WriteWholeFile("save.bin", first, sizeof first), -1);
  EXPECT_EQ(dir.Read("save.bin"), std::vector<unsigned char>(second, second + sizeof second));

  // Windows-style names with a folder.
  mkdir((dir.path + "/sub").c_str(), 0755);
  EXPECT_EQ(WriteWholeFile("sub\\x.bin", first, 4), 4);
  EXPECT_EQ(dir.Read("sub/x.bin").size(), 4u);
  EXPECT_EQ(WriteWholeFile("missing\\x.bin", first, 4), -1);
}

TEST_F(WholeFile, ReadsReportTheBytesRead) {
  dir.Write("short.bin", {1, 2, 3});
  unsigned char buffer[16] = {};
  EXPECT_EQ(ReadFileToBuffer("short.bin", buffer, 16), 3);
  EXPECT_EQ(buffer[2], 3);
  EXPECT_EQ(ReadFileToBuffer("none.bin", buffer, 16), -1);
  EXPECT_EQ(GetFileSizeByName("short.bin"), 3);
  EXPECT_EQ(GetFileSizeByName("none.bin"), -1);
  EXPECT_EQ(GetFileSizeByName("SHORT.BIN"), 3);   // names match without regard to case
}

}  // namespace
