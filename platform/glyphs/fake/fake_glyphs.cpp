// Fixed glyphs computed from the character code, so that tests know every pixel in advance.
#include <cstring>
#include <new>

#include "platform/glyphs/glyphs_internal.h"

namespace plat {
namespace {

struct FakeFont : GlyphFont {
  int32_t height;
  int32_t bold;
};

int g_failNext = 0;

GlyphFont* Create(const GlyphFontDesc& desc) {
  FakeFont* f = new (std::nothrow) FakeFont;
  if (f == nullptr) return nullptr;
  f->ops = &g_FakeGlyphOps;
  f->height = desc.height;
  f->bold = desc.weight >= 600;
  return f;
}

void Release(GlyphFont* font) { delete static_cast<FakeFont*>(font); }

bool Metrics(const GlyphFont* font, GlyphTextMetrics* out) {
  const int h = static_cast<const FakeFont*>(font)->height;
  out->height = h;
  out->ascent = h - h / 4;
  out->descent = h / 4;
  out->maxCharWidth = h;
  out->aveCharWidth = h / 2;
  return true;
}

int32_t Outline(GlyphFont* font, uint32_t code, int format, GlyphMetrics* m, uint32_t bufferSize,
                uint8_t* buffer) {
  if (g_failNext > 0) {
    --g_failNext;
    return -1;
  }
  const FakeFont* f = static_cast<const FakeFont*>(font);
  const int h = f->height;
  const int ascent = h - h / 4;
  const int advance = (code > 0xFF ? h : h / 2) + f->bold;
  m->cellIncX = advance;
  m->cellIncY = 0;
  if (code == 0x20 || code == 0x8140) {
    m->blackBoxX = m->blackBoxY = 1;
    m->originX = 0;
    m->originY = 0;
    return 0;
  }
  int w, rows;
  if (code == 0x2E) {
    w = rows = 1;
    m->originX = 0;
    m->originY = 1;
  } else {
    w = advance - 2 < 1 ? 1 : advance - 2;
    rows = h / 2 < 1 ? 1 : h / 2;
    m->originX = 1;
    m->originY = ascent - 1;
  }
  m->blackBoxX = uint32_t(w);
  m->blackBoxY = uint32_t(rows);
  const uint32_t pitch = GlyphRowPitch(format, uint32_t(w));
  const uint32_t size = pitch * uint32_t(rows);
  if (buffer == nullptr) return int32_t(size);
  if (bufferSize < size) return -1;
  std::memset(buffer, 0, size);
  for (int y = 0; y < rows; y++) {
    for (int x = 0; x < w; x++) {
      const int level = code == 0x2E ? 16 : FakeGlyphLevel(code, x, y);
      if (format == GLYPH_FORMAT_MONO) {
        if (level > 8) buffer[y * pitch + x / 8] |= uint8_t(0x80 >> (x & 7));
      } else {
        buffer[y * pitch + x] = uint8_t(level);
      }
    }
  }
  return int32_t(size);
}

}  // namespace

const GlyphSourceOps g_FakeGlyphOps = {Create, Release, Metrics, Outline};

int FakeGlyphLevel(uint32_t code, int x, int y) { return int((uint32_t(x) + 2u * uint32_t(y) + code) % 16u) + 1; }

void FakeGlyphFailNext(int n) { g_failNext = n; }

}  // namespace plat
