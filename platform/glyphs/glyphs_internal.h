// What each glyph back end supplies; a font remembers the back end that made it.
#pragma once
#include "platform/glyphs.h"

namespace plat {

struct GlyphSourceOps {
  GlyphFont* (*create)(const GlyphFontDesc& desc);
  void (*release)(GlyphFont* font);
  bool (*metrics)(const GlyphFont* font, GlyphTextMetrics* out);
  int32_t (*outline)(GlyphFont* font, uint32_t code, int format, GlyphMetrics* metrics, uint32_t bufferSize,
                     uint8_t* buffer);
};

struct GlyphFont {
  const GlyphSourceOps* ops;
};

extern const GlyphSourceOps g_FreeTypeGlyphOps;
extern const GlyphSourceOps g_FakeGlyphOps;

// Row bytes of a bitmap of the given width: rows are padded to 4 bytes.
inline uint32_t GlyphRowPitch(int format, uint32_t width) {
  return format == GLYPH_FORMAT_MONO ? (width + 31) / 32 * 4 : (width + 3) & ~3u;
}

}  // namespace plat
