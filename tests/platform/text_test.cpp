#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/text.h"

namespace {

using namespace plat;

// Narrow literals here are CP932 bytes; u8 literals stay UTF-8.
std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

TEST(Cp932Text, JapaneseRoundTrip) {
  const std::string cp932 = "ゲームを開始します。表示ソフト ABC 123 ｱｲｳ";
  const std::string utf8 = U8(u8"ゲームを開始します。表示ソフト ABC 123 ｱｲｳ");
  EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
  EXPECT_EQ(Utf8ToCp932(utf8), cp932);
}

TEST(Cp932Text, TrailByte5CIsNotABackslash) {
  const std::string so = "ソ";
  ASSERT_EQ(so, "\x83\x5C");
  EXPECT_EQ(Cp932ToUtf8("a\\ソ\\b"), U8(u8"a\\ソ\\b"));
  EXPECT_EQ(Utf8ToCp932(U8(u8"ソ\\")), "\x83\x5C\x5C");
  EXPECT_EQ(Cp932CharToUnicode(0x835C), 0x30BDu);
  EXPECT_EQ(Cp932CharToUnicode(0x5C), 0x5Cu);  // the backslash, not a yen sign
  EXPECT_EQ(Cp932CharToUnicode(0x7E), 0x7Eu);
}

TEST(Cp932Text, SingleAndDoubleByteCodes) {
  EXPECT_EQ(Cp932CharToUnicode('A'), 0x41u);
  EXPECT_EQ(Cp932CharToUnicode(0xB1), 0xFF71u);   // half-width katakana
  EXPECT_EQ(Cp932CharToUnicode(0x82A0), 0x3042u);
  EXPECT_EQ(Cp932CharToUnicode(0x8740), 0x2460u);  // an NEC special character
  EXPECT_EQ(Cp932CharToUnicode(0x81), 0xFFFDu);    // a lead byte alone
  EXPECT_EQ(Cp932CharToUnicode(0x80), 0xFFFDu);
  EXPECT_EQ(Cp932CharToUnicode(0x8120), 0xFFFDu);  // not a trail byte
  EXPECT_EQ(Cp932CharToUnicode(0x10000), 0xFFFDu);
  EXPECT_FALSE(IsCp932Lead(0x80));
  EXPECT_TRUE(IsCp932Lead(0x81));
  EXPECT_TRUE(IsCp932Lead(0x9F));
  EXPECT_FALSE(IsCp932Lead(0xA0));
  EXPECT_FALSE(IsCp932Lead(0xDF));
  EXPECT_TRUE(IsCp932Lead(0xE0));
  EXPECT_TRUE(IsCp932Lead(0xFC));
  EXPECT_FALSE(IsCp932Lead(0xFD));
}

TEST(Cp932Text, BadBytesAreReplaced) {
  const std::string fffd = U8(u8"\uFFFD");
  EXPECT_EQ(Cp932ToUtf8("\x80"), fffd);
  EXPECT_EQ(Cp932ToUtf8("a\xFD" "b"), "a" + fffd + "b");
  // A lead byte before a byte that cannot trail: only the lead is lost.
  EXPECT_EQ(Cp932ToUtf8("\x82\n"), fffd + "\n");
  EXPECT_EQ(Cp932ToUtf8("x\x82"), "x" + fffd);
  // An unassigned pair is one replaced character.
  EXPECT_EQ(Cp932ToUtf8("\x85\x40z"), fffd + "z");
  EXPECT_EQ(Cp932ToUtf8(std::string("\0a", 2)), std::string("\0a", 2));

  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80" "b"), "a?b");  // an emoji has no CP932 form
  EXPECT_EQ(Utf8ToCp932("a\xC3"), "a?");           // cut short
  EXPECT_EQ(Utf8ToCp932("\xFF" "b\xE3\x81"), "?b?");
  EXPECT_EQ(Utf8ToCp932("\xED\xA0\x80" "c"), "?c");  // an encoded surrogate
}

// Sets LC_ALL for one scope and puts the old value back.
struct ScopedLocaleEnv {
  std::string old;
  bool had;
  explicit ScopedLocaleEnv(const char* value) {
    const char* v = getenv("LC_ALL");
    had = v != nullptr;
    if (had) old = v;
    setenv("LC_ALL", value, 1);
  }
  ~ScopedLocaleEnv() {
    if (had) setenv("LC_ALL", old.c_str(), 1);
    else unsetenv("LC_ALL");
  }
};

TEST(Cp932Text, TerminalTextFollowsTheUserLocale) {
  const std::string cp932 = "ログ: 動作確認版 ok";
  EXPECT_EQ(Cp932ToCodeset(cp932, "UTF-8"), U8(u8"ログ: 動作確認版 ok"));
  EXPECT_EQ(Cp932ToCodeset("\x82\xA0", "EUC-JP"), "\xA4\xA2");   // あ
  // A character set that cannot hold the text gets one '?' per character; ASCII stays.
  EXPECT_EQ(Cp932ToCodeset(cp932, "ANSI_X3.4-1968"), "??: ????? ok");
  EXPECT_EQ(Cp932ToCodeset("\x80x", "UTF-8"), U8(u8"\uFFFDx"));
  {
    ScopedLocaleEnv env("C.UTF-8");
    EXPECT_EQ(UserLocaleCodeset(), "UTF-8");
    EXPECT_EQ(Cp932ToTerminal(cp932), U8(u8"ログ: 動作確認版 ok"));
  }
  {
    ScopedLocaleEnv env("C");
    EXPECT_EQ(UserLocaleCodeset(), "ANSI_X3.4-1968");
    EXPECT_EQ(Cp932ToTerminal(cp932), "??: ????? ok");
  }
}

}  // namespace
