#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "engine/base/str_helpers.h"

namespace {

TEST(StrHelpers, StrToIntSkipsToTheNumber) {
  EXPECT_EQ(StrToInt("x-12y"), -12);
  EXPECT_EQ(StrToInt("abc"), -1);
  EXPECT_EQ(StrToInt("-"), 0);
  EXPECT_EQ(StrToInt("  42"), 42);
  // A run of digits longer than the 32-digit buffer is read without overrunning it.
  std::string longRun = "7" + std::string(200, '0');
  StrToInt(longRun.c_str());
  EXPECT_EQ(StrToInt((std::string(40, '0') + "5").c_str()), 0);   // only the first 32 digits count
}

TEST(StrHelpers, IntToStrRadixAndBounds) {
  char buf[kIntToStrBufferSize];
  EXPECT_EQ(IntToStr(255, buf, 16), 0);
  EXPECT_STREQ(buf, "ff");
  IntToStr(-7, buf, 10);
  EXPECT_STREQ(buf, "-7");
  IntToStr(0, buf, 2);
  EXPECT_STREQ(buf, "0");
  IntToStr(INT_MIN, buf, 2);
  EXPECT_STREQ(buf, ("-1" + std::string(31, '0')).c_str());
  IntToStr(35, buf, 36);
  EXPECT_STREQ(buf, "z");
  EXPECT_EQ(IntToStr(10, buf, 1), -1);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(IntToStr(10, buf, 37), -1);
}

TEST(StrHelpers, MultiByteAwareScans) {
  // 0x83 0x5C is one double-byte character whose second byte is a backslash.
  const char text[] = "\x83\x5c" "a\\b";
  EXPECT_EQ(StrFindCharMB(text, '\\'), text + 3);
  char up[] = "ab\x82\x61z";
  StrToUpperMB(up);
  EXPECT_STREQ(up, "AB\x82\x61Z");
  EXPECT_EQ(StrCompare("a", "a"), 0);
  EXPECT_EQ(StrCompare("a", "b"), 1);
  EXPECT_EQ(StrCompare("b", "a"), 1);
}

TEST(StrHelpers, MemoryHelpers) {
  char a[] = "0123456789";
  MemMove(a + 2, a, 5);
  EXPECT_STREQ(a, "0101234789");
  char b[] = "0123456789";
  MemMove(b, b + 3, 5);
  EXPECT_STREQ(b, "3456756789");
  EXPECT_EQ(MemDiffersN("ab", "ab", 2), 0);
  EXPECT_EQ(MemDiffersN("ab", "ac", 2), 1);
  EXPECT_EQ(MemDiffersN("ab", "ab", -1), 1);
  EXPECT_EQ(MemCompare("ab", "ab", 2), 0);
}

TEST(StrHelpers, ConversionsTruncateTowardZero) {
  EXPECT_EQ(FloatToInt(-2.7f), -2);
  EXPECT_EQ(FloatToInt(2.7f), 2);
  EXPECT_EQ(DoubleToInt(-0.5), 0);
  EXPECT_EQ(DoubleToInt(1e20), INT_MIN);
  double r[4] = {1.9, -1.9, 3.5, -3.5};
  int o[4];
  RectDoubleToInt(r, o);
  EXPECT_EQ(o[0], 1);
  EXPECT_EQ(o[1], -1);
  EXPECT_EQ(o[2], 3);
  EXPECT_EQ(o[3], -3);
  char buf[32];
  EXPECT_EQ(FormatString(buf, "%d-%s", 5, "x"), 0);
  EXPECT_STREQ(buf, "5-x");
}

}  // namespace
