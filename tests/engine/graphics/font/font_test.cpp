// Font handles, the memory glyph cache and the text core, over the fake glyph source, whose every
// pixel is known; expected pictures come from a slow reference written from the pixel rules.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/graphics/font/font.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/image/color_data.h"
#include "engine/graphics/image/mem_img.h"
#include "engine/graphics/screen/screen.h"
#include "engine/graphics/screen/screen_fixture.h"
#include "platform/glyphs.h"

namespace {

struct SoftwareScreen : ::testing::Test {
  std::vector<int> fonts;
  bool screenStarted = false;
  // The screen's facts alone: what font creation reads of a software screen without a display.
  void SetUp() override {
    ClearScreenForTest();
    g_ScreenState.noDirectDraw = 1;
    g_ScreenState.softwareScreen = 1;
    g_ScreenState.actualBitDepth = g_ScreenState.requestedBitDepth = 32;
    g_ScreenState.width = 640;
    g_ScreenState.height = 480;
    g_DrawState.notAvailable = 0;
    ResetDrawState();
    plat::GlyphSetBackend(plat::GlyphBackend::Fake);
  }
  void TearDown() override {
    for (int h : fonts) DeleteFontHandle(h);
    DeleteDefaultFont();
    ResetDefaultFontSettings();
    plat::GlyphSetBackend(plat::GlyphBackend::FreeType);
    if (screenStarted) StopScreenForTest();
    else ClearScreenForTest();
  }
  // The real software screen (no display object), started before any font is made: its graphics
  // manager start clears the font tables.
  void StartRealScreen() {
    ScreenSetup s;
    s.noDirectDraw = 1;
    s.bits = 32;
    ASSERT_EQ(StartScreenForTest(s), 0);
    screenStarted = true;
  }
  int Font(int size, int type, int edge = -1) {
    const int h = CreateFontToHandle("MS UI Gothic", size, 4, type, -1, edge, 0, -1, -1);
    if (h != -1) fonts.push_back(h);
    return h;
  }
};

struct Image {
  MemImg img{};
  explicit Image(int w, int h) {
    SetupMemImg(&img, w, h, w * 4, 0, MEMIMG_FORMAT_RGB32, 0, 0, 0);
    std::memset(img.pixels, 0x55, size_t(img.pitch) * h);
  }
  ~Image() { ReleaseMemImg(&img); }
  uint32_t At(int x, int y) const {
    uint32_t v;
    std::memcpy(&v, img.pixels + y * img.pitch + x * 4, 4);
    return v;
  }
  bool operator==(const Image& o) const {
    return img.width == o.img.width && std::memcmp(img.pixels, o.img.pixels, size_t(img.pitch) * img.height) == 0;
  }
};

int Measure(int font, const char* text, int length = -1, int* size = nullptr) {
  return DrawTextCore(0, 0, 0, 0, 1.0, 1.0, text, 0, nullptr, nullptr, 0, font, 0, length, 0, size);
}

int Draw(int font, Image& im, int x, int y, const char* text, uint32_t c, uint32_t e, int transparent,
         int vertical = 0, const RectI* clip = nullptr) {
  return DrawTextCore(1, x, y, 0, 1.0, 1.0, text, c, &im.img, clip, transparent, font, e, -1, vertical, nullptr);
}

// The cache value of the fake glyph of `code` at box pixel (bx, by) of a font of the given type,
// edge e and height h, straight from the pixel rules.
int ReferenceCacheValue(int type, int e, int h, uint32_t code, int bx, int by) {
  const int gw = (code > 0xFF ? h : h / 2) - 2, gh = h / 2;
  auto level = [&](int x, int y) { return x < 0 || y < 0 || x >= gw || y >= gh ? 0 : plat::FakeGlyphLevel(code, x, y); };
  switch (type) {
    case 0: return level(bx, by) > 8;
    case 2: return level(bx, by) > 0 ? level(bx, by) - 1 : 0;
    case 1: {
      if (level(bx - e, by - e) > 8) return 1;
      for (int dy = -e; dy <= e; ++dy)
        for (int dx = -e; dx <= e; ++dx)
          if (EdgeShapeReaches(e, dx, dy) && level(bx - e - dx, by - e - dy) > 8) return 2;
      return 0;
    }
    default: {
      const int l = level(bx - e, by - e);
      int body = l > 0 ? l - 1 : 0, edge = 0;
      for (int dy = -e; dy <= e; ++dy)
        for (int dx = -e; dx <= e; ++dx) {
          const int n = level(bx - e - dx, by - e - dy);
          if (EdgeShapeReaches(e, dx, dy) && n > 0 && n - 1 > edge) edge = n - 1;
        }
      return body | edge << 4;
    }
  }
}

uint32_t ReferencePixel(int type, int v, uint32_t c, uint32_t e) {
  switch (type) {
    case 0: return c;
    case 1: return v == 1 ? c : e;
    case 2: return (c & 0xFFFFFF) | uint32_t(v * 16) << 24;
    default: {
      const int b = v & 15, el = v >> 4;
      if (b == 0) return (e & 0xFFFFFF) | uint32_t(el * 16) << 24;
      if (b == 15) return (c & 0xFFFFFF) | 0xFF000000u;
      const int a = (15 - b) * el + b * 16;
      uint32_t out = uint32_t(a) << 24;
      for (int s = 0; s < 24; s += 8) {
        const int ce = int((e >> s) & 0xFF), cc = int((c >> s) & 0xFF);
        out |= uint32_t((ce + (((cc - ce) * ((b << 12) / a)) >> 8)) & 0xFF) << s;
      }
      return out;
    }
  }
}

TEST_F(SoftwareScreen, FortyFontsThenTheLimitAndTheFreedSlotIsReused) {
  for (int i = 0; i < FONT_TABLE_SIZE; ++i) ASSERT_NE(Font(8, 0), -1) << i;
  EXPECT_EQ(Font(8, 0), -1);
  const int freed = fonts[7];
  ASSERT_EQ(DeleteFontHandle(freed), 0);
  EXPECT_EQ(DeleteFontHandle(freed), -1);
  EXPECT_EQ(GetFontSizeToHandle(freed), -1);
  const int again = CreateFontToHandle(nullptr, 8, -1, -1, -1, -1, 0, -1, -1);
  ASSERT_NE(again, -1);
  fonts[7] = again;
  EXPECT_EQ(again & 0xFFFF, freed & 0xFFFF);
  EXPECT_NE(again, freed);
  // The slot and check number of a deleted font give back its handle value.
  ASSERT_EQ(DeleteFontHandle(again), 0);
  EXPECT_EQ(CreateFontToHandle(nullptr, 8, -1, -1, -1, -1, 0, again & 0xFFFF, (again >> 16) & 0x7FF), again);
  EXPECT_EQ(CreateFontToHandle(nullptr, 8, -1, -1, -1, -1, 0, again & 0xFFFF, 5), -1);   // slot taken
  EXPECT_EQ((again & 0x78000000), 0x20000000);
}

TEST_F(SoftwareScreen, MemoryCacheGeometry) {
  const int edged = Font(16, 1, 1);
  const FontRecord* f = GetFontRecord(edged);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->cellSize, 24);                 // 16 + 2, up to a multiple of 8
  EXPECT_EQ(f->capacity, 0x50000 / 576);
  EXPECT_EQ(f->lineHeight, 18);
  EXPECT_EQ(f->cacheBits, 8);
  EXPECT_EQ(f->textureCache, 0);
  EXPECT_EQ(f->slots[f->capacity].cell, -1);
  int x, y;
  FontCellCorner(f, 5, &x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 5 * 24);
  const FontRecord* plain = GetFontRecord(Font(16, 0));
  EXPECT_EQ(plain->cacheBits, 1);
  EXPECT_EQ(plain->cachePitch, 2);
  // An edge of 2 makes any type edged; a huge cell keeps the least capacity.
  EXPECT_EQ(GetFontRecord(Font(16, 0, 2))->type, 1);
  EXPECT_EQ(GetFontRecord(Font(200, 2))->capacity, 20);
}

TEST_F(SoftwareScreen, EdgeShapes) {
  auto row = [](int s, int dy) {
    int n = 0;
    for (int dx = -s - 1; dx <= s + 1; ++dx) n += EdgeShapeReaches(s, dx, dy);
    return n;
  };
  EXPECT_EQ(row(1, -1) + row(1, 0) + row(1, 1), 4);
  EXPECT_FALSE(EdgeShapeReaches(1, 0, 0));
  const int rows2[] = {3, 5, 5, 5, 3}, rows3[] = {1, 5, 5, 7, 5, 5, 1}, rows4[] = {5, 7, 9, 9, 9, 9, 9, 7, 5};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(row(2, i - 2), rows2[i]);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(row(3, i - 3), rows3[i]);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(row(4, i - 4), rows4[i]);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(row(5, i - 5), 11);
}

TEST_F(SoftwareScreen, EveryTypeWritesThePixelRulesOfItsCache) {
  const uint32_t c = GetScreenColor(0xC0, 0x80, 0x40), e = GetScreenColor(0x10, 0x20, 0x30);
  for (int type = 0; type < 4; ++type) {
    for (int edge : {1, 2, 3}) {
      if (!(type & 1) && edge > 1) continue;
      const int font = Font(16, type, (type & 1) ? edge : -1);
      ASSERT_NE(font, -1);
      const FontRecord* f = GetFontRecord(font);
      for (int transparent = 0; transparent < 2; ++transparent) {
        Image im(64, 32);
        ASSERT_EQ(Draw(font, im, 3, 2, "A\x88\xA4", c, e, transparent), 8 + 16 + 4 * ((type & 1) ? edge : 0));
        const int ee = (type & 1) ? edge : 0;
        // Glyph boxes: 'A' at pen 0, the kanji after it; the fake origin gives offset (1, 1).
        struct { uint32_t code; int pen, w; } glyphs[] = {{'A', 0, 6}, {0x88A4, 8 + 2 * ee, 14}};
        for (auto& g : glyphs) {
          const int bx0 = 3 + 1 + g.pen, by0 = 2 + 1;
          for (int by = 0; by < 8 + 2 * ee; ++by)
            for (int bx = 0; bx < g.w + 2 * ee; ++bx) {
              const int v = ReferenceCacheValue(type, ee, 16, g.code, bx, by);
              const uint32_t want = v ? ReferencePixel(type, v, c, e) : (transparent ? 0x55555555u : 0u);
              ASSERT_EQ(im.At(bx0 + bx, by0 + by), want)
                  << "type " << type << " edge " << edge << " code " << g.code << " at " << bx << "," << by;
            }
        }
        EXPECT_EQ(im.At(0, 0), 0x55555555u);   // outside every box
      }
      (void)f;
    }
  }
}

TEST_F(SoftwareScreen, MixedSingleAndDoubleByteStrings) {
  const int font = Font(16, 0);
  // "A", ソ (0x83 0x5C: its second byte is the backslash byte), a real backslash, "B".
  const char* text = "Aソ\\B";
  ASSERT_EQ(std::strlen(text), 5u);
  int size[2];
  EXPECT_EQ(Measure(font, text, -1, size), 8 + 16 + 8 + 8);
  EXPECT_EQ(size[1], 16);
  const FontRecord* f = GetFontRecord(font);
  EXPECT_TRUE(f->codeMap[0x83 | 0x5C << 8].cached);
  EXPECT_TRUE(f->codeMap[0x5C].cached);
  // A length of 3 on one double-byte and two single-byte characters stops after the first single.
  EXPECT_EQ(Measure(font, "あAB", 3), 16 + 8);
  EXPECT_EQ(Measure(font, "あAB", 100), 16 + 16);
  // A lead byte that ends the string stands alone and nothing past the end is read.
  EXPECT_EQ(Measure(font, "A\x83"), 16);
  // Spacing is added after every character.
  const int seven = Font(14, 0);
  SetFontSpacingToHandle(2, seven);
  EXPECT_EQ(Measure(seven, "abc"), 27);
  EXPECT_EQ(Measure(font, ""), 0);
  EXPECT_EQ(Measure(font, nullptr), 0);
}

TEST_F(SoftwareScreen, SpacesTakeASlotWithoutPixelsAndAdvance) {
  const int font = Font(16, 1, 2);
  Image im(64, 32);
  EXPECT_EQ(Draw(font, im, 0, 0, " \x81\x40", 0xFFFFFF, 0xFF, 0), 8 + 4 + 16 + 4);
  const FontRecord* f = GetFontRecord(font);
  const GlyphCacheEntry* space = f->codeMap[0x20].entry;
  ASSERT_NE(space, nullptr);
  EXPECT_EQ(space->width, 4);
  EXPECT_EQ(space->height, 4);
  EXPECT_EQ(space->advance, 8 + 4);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(im.At(x, y), 0x55555555u);
}

TEST_F(SoftwareScreen, PushedOutGlyphsAreRasterisedAgain) {
  const int font = Font(136, 0);   // capacity 20
  const FontRecord* f = GetFontRecord(font);
  ASSERT_EQ(f->capacity, 20);
  const std::string distinct = "ABCDEFGHIJKLMNOPQRSTU";   // capacity + 1
  Measure(font, distinct.c_str());
  EXPECT_FALSE(f->codeMap['A'].cached);
  EXPECT_TRUE(f->codeMap['U'].cached);
  EXPECT_TRUE(f->codeMap['B'].cached);
  Measure(font, "A");
  EXPECT_TRUE(f->codeMap['A'].cached);
  EXPECT_FALSE(f->codeMap['B'].cached);
  // A string longer than the cache still draws every character as drawn one by one.
  const std::string text = distinct + distinct + "xyz";
  Image whole(int(text.size()) * 68 + 8, 110), single(int(text.size()) * 68 + 8, 110);
  EXPECT_EQ(Draw(font, whole, 2, 0, text.c_str(), 0xFFFFFF, 0, 1), int(text.size()) * 68);
  for (size_t i = 0; i < text.size(); ++i) Draw(font, single, 2 + int(i) * 68, 0, text.substr(i, 1).c_str(), 0xFFFFFF, 0, 1);
  EXPECT_TRUE(whole == single);
  ResetFontCache(font);
  EXPECT_FALSE(f->codeMap['U'].cached);
  EXPECT_EQ(f->nextSlot, 0);
}

TEST_F(SoftwareScreen, TwoThousandCharactersDrawLikeOneAtATime) {
  const int font = Font(8, 0);
  std::string text;
  for (int i = 0; i < 2000; ++i) {
    if (i % 7 == 3) text += "漢";
    else text += char('!' + i % 90);
  }
  int size[2];
  const int advance = Measure(font, text.c_str(), -1, size);
  const int doubles = 2000 / 7 + (2000 % 7 > 3);
  EXPECT_EQ(advance, (2000 - doubles) * 4 + doubles * 8);
  Image whole(advance + 4, 8), single(advance + 4, 8);
  EXPECT_EQ(Draw(font, whole, 0, 0, text.c_str(), 0xFFFFFF, 0, 1), advance);
  int pen = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t n = (uint8_t(text[i]) >= 0x81 && uint8_t(text[i]) <= 0x9F) ? 2 : 1;
    const std::string one = text.substr(i, n);
    pen += Draw(font, single, pen, 0, one.c_str(), 0xFFFFFF, 0, 1);
    i += n;
  }
  EXPECT_EQ(pen, advance);
  EXPECT_TRUE(whole == single);
}

TEST_F(SoftwareScreen, ClippingVerticalTextAndBadHandles) {
  const int font = Font(16, 0);
  Image im(64, 64);
  const RectI clip = {0, 0, 10, 10};
  EXPECT_EQ(Draw(font, im, 20, 20, "AB", 0xFFFFFF, 0, 0, 0, &clip), 16);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(im.At(x, y), 0x55555555u);
  // Vertical: source column c of row r lands in column (box right - r), row (box top + c).
  Image v(64, 64);
  EXPECT_EQ(Draw(font, v, 10, 5, "A", 0xFFFFFF, 0, 0, 1), 8);
  const int right = 10 + 16 - 1, top = 5 + 0 + 1;   // line height - offset y, pen + offset x
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 6; ++c)
      ASSERT_EQ(v.At(right - r, top + c), plat::FakeGlyphLevel('A', c, r) > 8 ? GetScreenColor(255, 255, 255) : 0u)
          << r << "," << c;
  int size[2];
  DrawTextCore(0, 0, 0, 0, 1.0, 1.0, "AB", 0, nullptr, nullptr, 0, font, 0, -1, 1, size);
  EXPECT_EQ(size[0], 16);
  EXPECT_EQ(size[1], 16);
  EXPECT_EQ(Measure(font + 1, "A"), -1);
  EXPECT_EQ(DrawTextWithFont(0, 0, "A", 0, font + 1, 0, 0), -1);
  EXPECT_EQ(DrawTextWithFont(0, 0, "", 0, font + 1, 0, 0), 0);
  g_DrawState.notAvailable = 1;
  EXPECT_EQ(Measure(font, "A"), -1);
  EXPECT_EQ(RasterizeGlyphs(font, 1, reinterpret_cast<const uint8_t*>("B\0")), nullptr);
  g_DrawState.notAvailable = 0;
}

TEST_F(SoftwareScreen, DefaultFontIsMadeAgainOnlyWhenASettingChanges) {
  InitializeFontSystem();
  int handles[5];
  handles[0] = GetDefaultFontHandle();
  ASSERT_NE(handles[0], -1);
  SetDefaultFontSize(12);
  handles[1] = GetDefaultFontHandle();
  SetDefaultFontThickness(2);
  handles[2] = GetDefaultFontHandle();
  SetDefaultFontName("MS UI Gothic", -1);
  handles[3] = GetDefaultFontHandle();
  SetDefaultFontType(1);
  handles[4] = GetDefaultFontHandle();
  for (int i = 1; i < 5; ++i) {
    EXPECT_NE(handles[i], handles[i - 1]) << i;
    EXPECT_FALSE(IsFontHandleValid(handles[i - 1])) << i;
  }
  SetDefaultFontType(1);
  EXPECT_EQ(GetDefaultFontHandle(), handles[4]);
  const FontRecord* f = GetFontRecord(handles[4]);
  EXPECT_EQ(f->size, 12);
  EXPECT_EQ(f->thickness, 2);
  EXPECT_EQ(f->type, 1);
  EXPECT_STREQ(f->faceName, "MS UI Gothic");
  EXPECT_EQ(GetFontCount(), 1);
}

TEST_F(SoftwareScreen, RecreationKeepsHandleValuesAndSpacing) {
  const int a = Font(16, 1, 2), b = Font(12, 0);
  SetFontSpacingToHandle(3, b);
  int32_t lost = 7;
  SetFontLostFlagPointer(a, &lost);
  EXPECT_EQ(lost, 0);
  Measure(a, "ABC");
  ASSERT_EQ(RecreateAllFonts(), 0);
  EXPECT_EQ(lost, 1);
  ASSERT_TRUE(IsFontHandleValid(a));
  ASSERT_TRUE(IsFontHandleValid(b));
  EXPECT_EQ(GetFontRecord(b)->spacing, 3);
  EXPECT_EQ(GetFontRecord(a)->edgeSize, 2);
  EXPECT_FALSE(GetFontRecord(a)->codeMap['A'].cached);
  char name[FONT_FACE_NAME_SIZE];
  int size = 0, thickness = 0;
  EXPECT_EQ(GetFontStateToHandle(name, &size, &thickness, a), 0);
  EXPECT_STREQ(name, "MS UI Gothic");
  EXPECT_EQ(size, 16);
  EXPECT_EQ(thickness, 4);
}

TEST_F(SoftwareScreen, AntialiasingIsDroppedOnAnEightBitScreen) {
  g_ScreenState.actualBitDepth = g_ScreenState.requestedBitDepth = 8;
  g_ScreenState.colorData.bitDepth = 8;
  EXPECT_EQ(GetFontRecord(Font(16, 2))->type, 0);
  EXPECT_EQ(GetFontRecord(Font(16, 3))->type, 1);
}

TEST_F(SoftwareScreen, SoftwareScreenTextGoesStraightIntoTheTargetImage) {
  StartRealScreen();
  const int font = Font(16, 1, 1);
  // The back screen is the draw target: its top-left 64 x 32 stands where the target image stood.
  MemImg* back = GetDrawTargetMemImg();
  ASSERT_EQ(back, &g_ScreenState.backImage);
  ASSERT_EQ(back->format, MEMIMG_FORMAT_RGB32);
  Image target(64, 32), expected(64, 32);
  for (int y = 0; y < 32; ++y) std::memset(back->pixels + y * back->pitch, 0x55, 64 * 4);
  g_DrawState.drawArea = {0, 0, 40, 32};
  const uint32_t c = GetScreenColor(250, 250, 250), e = GetScreenColor(0, 0, 90);
  EXPECT_EQ(DrawTextWithFont(5, 4, "Aソ\\B", c, font, e, 0), 0);
  for (int y = 0; y < 32; ++y) std::memcpy(target.img.pixels + y * target.img.pitch, back->pixels + y * back->pitch, 64 * 4);
  const RectI clip = {0, 0, 40, 32};
  Draw(font, expected, 5, 4, "Aソ\\B", c, e, 1, 0, &clip);
  EXPECT_TRUE(target == expected);
  EXPECT_EQ(target.At(45, 8), 0x55555555u);   // beyond the draw area
}

}  // namespace

namespace {

uint32_t BackPixel(int x, int y) {
  const MemImg& b = g_ScreenState.backImage;
  uint32_t v;
  std::memcpy(&v, b.pixels + y * b.pitch + x * 4, 4);
  return v & 0xFFFFFF;
}

int Channel(uint32_t v, int shift) { return static_cast<int>((v >> shift) & 0xFF); }

// Blended and antialiased text is composed in the font's own surface and drawn from there by the
// screen's software graph draw.
TEST_F(SoftwareScreen, BlendedTextIsDrawnThroughTheGraphDraw) {
  StartRealScreen();
  const int font = Font(16, 0);
  const uint32_t bg = GetScreenColor(20, 40, 60), c = GetScreenColor(220, 200, 180);
  const RectI box = {0, 0, 64, 32};
  FillMemImgRect(&g_ScreenState.backImage, &box, bg);
  ASSERT_EQ(DrawTextWithFont(5, 4, "AB", c, font, 0, 0), 0);
  std::vector<uint32_t> opaque;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) opaque.push_back(BackPixel(x, y));

  FillMemImgRect(&g_ScreenState.backImage, &box, bg);
  SetBlendModeState(BLEND_ALPHA, 128);
  ASSERT_EQ(DrawTextWithFont(5, 4, "AB", c, font, 0, 0), 0);
  SetBlendModeState(BLEND_NONE, 255);
  int inked = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      const uint32_t o = opaque[y * 64 + x], b = BackPixel(x, y);
      if (o == (bg & 0xFFFFFF)) {
        ASSERT_EQ(b, bg & 0xFFFFFF) << x << "," << y;   // the work surface's key stays out
        continue;
      }
      ++inked;
      for (int shift = 0; shift < 24; shift += 8) {
        const int want = (Channel(o, shift) * 128 + Channel(bg, shift) * 127) / 255;
        EXPECT_NEAR(Channel(b, shift), want, 2) << x << "," << y;
      }
    }
  }
  EXPECT_GT(inked, 20);

  // Antialiased text takes the same way: it inks only inside the string's box.
  const int smooth = Font(16, FONT_TYPE_ANTIALIAS);
  FillMemImgRect(&g_ScreenState.backImage, &box, bg);
  ASSERT_EQ(DrawTextWithFont(5, 4, "AB", c, smooth, 0, 0), 0);
  int width = 0;
  int size[2] = {0, 0};
  ASSERT_GE(DrawTextCore(0, 0, 0, 0, 1.0, 1.0, "AB", 0, nullptr, nullptr, 0, smooth, 0, -1, 0, size), 0);
  width = size[0];
  int smoothInked = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      const bool inside = x >= 5 && x < 5 + width && y >= 4 && y < 4 + size[1];
      if (BackPixel(x, y) != (bg & 0xFFFFFF)) {
        EXPECT_TRUE(inside) << x << "," << y;
        ++smoothInked;
      }
    }
  }
  EXPECT_GT(smoothInked, 20);
}

}  // namespace
