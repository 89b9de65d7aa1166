// Glyphs: fonts made from a face name, height, weight and style, their text metrics, and the bitmap
// of one character at a time, for the engine's own glyph cache. Character codes are CP932 (the byte,
// or lead << 8 | trail). Bitmaps come as rows padded to 4 bytes, top row first: monochrome (1 bit per
// pixel, most significant bit first) or 17-level grey (one byte per pixel, 0..16). Back ends: FreeType
// over one Japanese Gothic font that stands for every face name, and a fake source with fixed glyphs
// for exact tests. Only the engine lock's owner calls in; nothing here is shared between threads.
#pragma once
#include <cstdint>

namespace plat {

enum class GlyphBackend { FreeType, Fake };
enum : int { GLYPH_FORMAT_MONO = 1, GLYPH_FORMAT_GRAY17 = 5 };

struct GlyphFontDesc {
  int32_t height;          // cell height (ascent + descent) in pixels
  int32_t weight;          // 100..900; 600 and up is drawn emboldened
  int32_t italic;          // non-zero: sheared
  int32_t charset;         // 1 default, 128 Shift-JIS, 129 Hangul
  const char* faceName;    // CP932; null or empty for the system's choice
};

struct GlyphTextMetrics {
  int32_t height, ascent, descent;
  int32_t maxCharWidth, aveCharWidth;
};

struct GlyphMetrics {
  uint32_t blackBoxX, blackBoxY;   // at least 1 x 1, also for blank characters
  int32_t originX;                 // left of the black box from the pen
  int32_t originY;                 // top of the black box above the baseline
  int32_t cellIncX, cellIncY;      // pen advance
};

struct GlyphFont;   // opaque; owned by the caller until GlyphFontRelease

// The back end for fonts made from now on (default FreeType).
void GlyphSetBackend(GlyphBackend backend);
GlyphBackend GlyphGetBackend();
// A font as described; null when the font file cannot be had or the height is not positive.
GlyphFont* GlyphFontCreate(const GlyphFontDesc& desc);
void GlyphFontRelease(GlyphFont* font);
// The font's text metrics; false for a null font.
bool GlyphFontGetMetrics(const GlyphFont* font, GlyphTextMetrics* out);
// Metrics of one character and, when buffer is not null, its bitmap in the given format. Returns
// the bitmap's size in bytes (0 for a blank character), or -1 for a bad format, a null font or a
// buffer smaller than the bitmap. A code without a glyph gives the font's missing-glyph box.
int32_t GlyphGetOutline(GlyphFont* font, uint32_t code, int format, GlyphMetrics* metrics, uint32_t bufferSize,
                        uint8_t* buffer);

// The fake source's fixed rules, for tests that compute what the engine must make of them.
// Metrics: height = h, ascent = h - h / 4, descent = h / 4, max width = h, average width = h / 2.
// Advance: h / 2 for a single-byte code, h for a double-byte one, plus 1 when emboldened; italic
// changes nothing. 0x20 and 0x8140 are blank (1 x 1 box, no bitmap). Code 0x2E ('.') is one pixel at
// level 16, origin (0, 1). Every other code: a box of (advance - 2) x (h / 2), at least 1 x 1, origin
// (1, ascent - 1), whose pixels have FakeGlyphLevel; the monochrome bitmap sets the levels above 8.
int FakeGlyphLevel(uint32_t code, int x, int y);
// Test hook: the next n outline requests of the fake source fail with -1.
void FakeGlyphFailNext(int n);

}  // namespace plat
