// The glyph calls, handed to the back end that made the font.
#include "platform/glyphs/glyphs_internal.h"

namespace plat {
namespace {
GlyphBackend g_backend = GlyphBackend::FreeType;
}

void GlyphSetBackend(GlyphBackend backend) { g_backend = backend; }
GlyphBackend GlyphGetBackend() { return g_backend; }

GlyphFont* GlyphFontCreate(const GlyphFontDesc& desc) {
  if (desc.height <= 0) return nullptr;
  const GlyphSourceOps& ops = g_backend == GlyphBackend::Fake ? g_FakeGlyphOps : g_FreeTypeGlyphOps;
  return ops.create(desc);
}

void GlyphFontRelease(GlyphFont* font) {
  if (font != nullptr) font->ops->release(font);
}

bool GlyphFontGetMetrics(const GlyphFont* font, GlyphTextMetrics* out) {
  return font != nullptr && out != nullptr && font->ops->metrics(font, out);
}

int32_t GlyphGetOutline(GlyphFont* font, uint32_t code, int format, GlyphMetrics* metrics, uint32_t bufferSize,
                        uint8_t* buffer) {
  if (font == nullptr || metrics == nullptr) return -1;
  if (format != GLYPH_FORMAT_MONO && format != GLYPH_FORMAT_GRAY17) return -1;
  return font->ops->outline(font, code, format, metrics, bufferSize, buffer);
}

}  // namespace plat
