#include <gtest/gtest.h>

#include <vector>

#include "platform/glyphs.h"

namespace {

using namespace plat;

struct BackendScope {
  explicit BackendScope(GlyphBackend b) : saved(GlyphGetBackend()) { GlyphSetBackend(b); }
  ~BackendScope() { GlyphSetBackend(saved); }
  GlyphBackend saved;
};

GlyphFont* MakeFont(int height, int weight = 400, int italic = 0, const char* face = "MS UI Gothic") {
  return GlyphFontCreate({height, weight, italic, 128, face});
}

std::vector<uint8_t> Fetch(GlyphFont* f, uint32_t code, int format, GlyphMetrics* m) {
  const int32_t size = GlyphGetOutline(f, code, format, m, 0, nullptr);
  std::vector<uint8_t> buf(size > 0 ? size : 0);
  if (size > 0) {
    EXPECT_EQ(GlyphGetOutline(f, code, format, m, uint32_t(buf.size()), buf.data()), size);
  }
  return buf;
}

TEST(FakeGlyphs, MetricsAndBitmapsFollowTheFixedRules) {
  BackendScope scope(GlyphBackend::Fake);
  GlyphFont* f = MakeFont(16);
  ASSERT_NE(f, nullptr);
  GlyphTextMetrics tm;
  ASSERT_TRUE(GlyphFontGetMetrics(f, &tm));
  EXPECT_EQ(tm.height, 16);
  EXPECT_EQ(tm.ascent, 12);
  EXPECT_EQ(tm.maxCharWidth, 16);

  GlyphMetrics m;
  std::vector<uint8_t> grey = Fetch(f, 'A', GLYPH_FORMAT_GRAY17, &m);
  EXPECT_EQ(m.blackBoxX, 6u);
  EXPECT_EQ(m.blackBoxY, 8u);
  EXPECT_EQ(m.cellIncX, 8);
  EXPECT_EQ(m.originY, 11);
  ASSERT_EQ(grey.size(), 8u * 8u);   // rows padded to 4 bytes
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 6; x++) EXPECT_EQ(grey[y * 8 + x], FakeGlyphLevel('A', x, y));

  std::vector<uint8_t> mono = Fetch(f, 0x88A4, GLYPH_FORMAT_MONO, &m);   // a double-byte code
  EXPECT_EQ(m.blackBoxX, 14u);
  EXPECT_EQ(m.cellIncX, 16);
  ASSERT_EQ(mono.size(), 4u * 8u);
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 14; x++)
      EXPECT_EQ((mono[y * 4 + x / 8] >> (7 - x % 8)) & 1, FakeGlyphLevel(0x88A4, x, y) > 8 ? 1 : 0);

  EXPECT_EQ(GlyphGetOutline(f, 0x20, GLYPH_FORMAT_MONO, &m, 0, nullptr), 0);
  EXPECT_EQ(m.cellIncX, 8);
  uint8_t small[4];
  EXPECT_EQ(GlyphGetOutline(f, 'A', GLYPH_FORMAT_GRAY17, &m, sizeof(small), small), -1);
  EXPECT_EQ(GlyphGetOutline(f, 'A', 3, &m, 0, nullptr), -1);
  FakeGlyphFailNext(1);
  EXPECT_EQ(GlyphGetOutline(f, 'A', GLYPH_FORMAT_MONO, &m, 0, nullptr), -1);
  EXPECT_GT(GlyphGetOutline(f, 'A', GLYPH_FORMAT_MONO, &m, 0, nullptr), 0);
  GlyphFontRelease(f);
  EXPECT_EQ(MakeFont(0), nullptr);
}

int CountGrey(GlyphFont* f, uint32_t code, GlyphMetrics* m) {
  int n = 0;
  for (uint8_t v : Fetch(f, code, GLYPH_FORMAT_GRAY17, m)) {
    EXPECT_LE(v, 16);
    n += v;
  }
  return n;
}

TEST(FreeTypeGlyphs, EveryFaceNameGivesTheGothicFontAtTheAskedHeight) {
  BackendScope scope(GlyphBackend::FreeType);
  for (const char* face : {"MS UI Gothic", "ＭＳ ゴシック", "", static_cast<const char*>(nullptr)}) {
    GlyphFont* f = MakeFont(16, 400, 0, face);
    ASSERT_NE(f, nullptr);
    GlyphTextMetrics tm;
    ASSERT_TRUE(GlyphFontGetMetrics(f, &tm));
    EXPECT_EQ(tm.height, 16);
    EXPECT_EQ(tm.ascent + tm.descent, 16);
    EXPECT_GE(tm.maxCharWidth, 14);
    EXPECT_LE(tm.maxCharWidth, 20);
    GlyphFontRelease(f);
  }
}

TEST(FreeTypeGlyphs, KanjiHalfWidthSpacesAndStyles) {
  BackendScope scope(GlyphBackend::FreeType);
  GlyphFont* f = MakeFont(16);
  ASSERT_NE(f, nullptr);
  GlyphMetrics m;
  // 蒼 (CP932 0x9188) is full width and fills most of the cell; A is half width.
  const int kanji = CountGrey(f, 0x9188, &m);
  EXPECT_GE(m.cellIncX, 15);
  EXPECT_LE(int(m.blackBoxY), 16);
  EXPECT_GE(int(m.blackBoxY), 10);
  EXPECT_GT(kanji, 16 * 20);
  CountGrey(f, 'A', &m);
  EXPECT_GE(m.cellIncX, 7);
  EXPECT_LE(m.cellIncX, 9);
  // ソ (0x835C): the trail byte is the backslash byte but the glyph is the katakana.
  GlyphMetrics so, backslash;
  Fetch(f, 0x835C, GLYPH_FORMAT_MONO, &so);
  Fetch(f, 0x5C, GLYPH_FORMAT_MONO, &backslash);
  EXPECT_GT(so.cellIncX, backslash.cellIncX);
  EXPECT_EQ(GlyphGetOutline(f, 0x20, GLYPH_FORMAT_MONO, &m, 0, nullptr), 0);
  EXPECT_EQ(GlyphGetOutline(f, 0x8140, GLYPH_FORMAT_GRAY17, &m, 0, nullptr), 0);
  EXPECT_GE(m.cellIncX, 15);

  GlyphFont* bold = MakeFont(16, 600);
  GlyphFont* italic = MakeFont(16, 400, 1);
  GlyphMetrics mb, mi, mr;
  const int regular = CountGrey(f, 'H', &mr);
  EXPECT_GT(CountGrey(bold, 'H', &mb), regular);
  EXPECT_EQ(mb.cellIncX, mr.cellIncX + 1);
  CountGrey(italic, 'H', &mi);
  EXPECT_GT(mi.blackBoxX, mr.blackBoxX);   // the shear widens the upright strokes' box
  GlyphFontRelease(bold);
  GlyphFontRelease(italic);
  GlyphFontRelease(f);
}

}  // namespace
