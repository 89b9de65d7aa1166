// The glyph cache: splitting strings into characters, fetching each new character's bitmap from
// the glyph source and writing it into its cell by the font type's pixel rules (edges drawn by
// spreading every glyph pixel over the edge shape).
#include "engine/graphics/font/font.h"

#include <cstring>
#include <vector>

#include "engine/base/memory.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graphics_hooks.h"
#include "platform/glyphs.h"

namespace {

// Half widths of the rows of the edge shapes of sizes 2, 3 and 4.
const int8_t kEdgeRows2[5] = {1, 2, 2, 2, 1};
const int8_t kEdgeRows3[7] = {0, 2, 2, 3, 2, 2, 0};
const int8_t kEdgeRows4[9] = {2, 3, 4, 4, 4, 4, 4, 3, 2};

uint8_t g_SharedCharBuffer[TEXT_BUFFER_CHARS * 3];
uint8_t g_NewCharList[TEXT_BUFFER_CHARS * 3];
std::vector<uint8_t> g_GlyphBuffer;

int NoDisplayObject() { return ScreenDirectDrawInUse() && ScreenSurfaceDevice() == nullptr; }

int CodeMapIndex(const uint8_t* ch) { return ch[0] | ch[1] << 8; }

uint32_t GlyphCode(const uint8_t* ch) { return ch[1] != 0 ? uint32_t(ch[0]) << 8 | ch[1] : ch[0]; }

int IsBlankCode(uint32_t code) { return code == 0x20 || code == 0x8140; }

// What one glyph bitmap holds: level 0..16 at (x, y) (monochrome bits read as 0 or 16).
struct GlyphBitmap {
  const uint8_t* rows;
  int pitch, width, height, mono;
  int Level(int x, int y) const {
    const uint8_t* r = rows + y * pitch;
    return mono ? ((r[x >> 3] >> (7 - (x & 7))) & 1) * 16 : r[x];
  }
};

// Cache pixels of a memory-cache cell, each access kept inside the cell.
struct MemoryCell {
  uint8_t* base;
  int pitch, size;
  uint8_t* At(int x, int y) const { return base + y * pitch + x; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < size && y < size; }
};

template <typename Fn>
void ForEachEdgePixel(int edge, int cx, int cy, Fn fn) {
  for (int dy = -edge; dy <= edge; ++dy) {
    for (int dx = -edge; dx <= edge; ++dx) {
      if (EdgeShapeReaches(edge, dx, dy)) fn(cx + dx, cy + dy);
    }
  }
}

void WriteMemoryCell(const FontRecord* f, const GlyphBitmap& bm, const MemoryCell& cell) {
  const int e = (f->type & FONT_TYPE_EDGE) ? f->edgeSize : 0;
  const int w = bm.width < cell.size - e ? bm.width : cell.size - e;
  const int h = bm.height < cell.size - e ? bm.height : cell.size - e;
  switch (f->type) {
    case 0: {
      const int bytes = bm.pitch < f->cachePitch ? bm.pitch : f->cachePitch;
      for (int y = 0; y < h; ++y) std::memcpy(cell.At(0, y), bm.rows + y * bm.pitch, bytes);
      break;
    }
    case 2:
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const int l = bm.Level(x, y);
          *cell.At(x, y) = uint8_t(l > 0 ? l - 1 : 0);
        }
      break;
    case 1:
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          if (bm.Level(x, y)) *cell.At(x + e, y + e) = 1;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          if (!bm.Level(x, y)) continue;
          ForEachEdgePixel(e, x + e, y + e, [&](int px, int py) {
            if (cell.Inside(px, py) && *cell.At(px, py) != 1) *cell.At(px, py) = 2;
          });
        }
      break;
    case 3:
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const int l = bm.Level(x, y);
          if (l == 0) continue;
          *cell.At(x + e, y + e) |= uint8_t(l - 1);
          ForEachEdgePixel(e, x + e, y + e, [&](int px, int py) {
            if (!cell.Inside(px, py)) return;
            uint8_t* p = cell.At(px, py);
            if ((*p >> 4) < l - 1) *p = uint8_t((*p & 0x0F) | (l - 1) << 4);
          });
        }
      break;
  }
}

// Texture cache: the glyph (and for edged fonts its edge, cell size to the right) into the work
// image in the cache page's 16-bit format.
void WriteWorkImage(const FontRecord* f, const GlyphBitmap& bm, int boxW, int boxH) {
  const ColorData& cd = f->workColorData;
  const uint16_t colours = uint16_t(cd.redMask | cd.greenMask | cd.blueMask);
  const uint16_t opaque = uint16_t(cd.alphaMask | colours);
  const int shift = cd.alphaWidth + cd.alphaShift - 4;
  const int edged = f->type & FONT_TYPE_EDGE;
  const int e = edged ? f->edgeSize : 0;
  const int cs = f->cellSize;
  const int w = bm.width < cs - e ? bm.width : cs - e;
  const int h = bm.height < f->workHeight - e ? bm.height : f->workHeight - e;
  auto px = [&](int x, int y) -> uint16_t& {
    return reinterpret_cast<uint16_t*>(f->workPixels + y * f->workPitch)[x];
  };
  auto insideHalf = [&](int x, int y) { return x >= 0 && y >= 0 && x < cs && y < f->workHeight; };
  auto level = [&](int v) { return uint16_t(v > 0 ? (((v << shift) - 1) | colours) : colours); };
  switch (f->type) {
    case 0:
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px(x, y) = uint16_t((bm.Level(x, y) ? cd.alphaMask : 0) | colours);
      break;
    case 2:
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px(x, y) = level(bm.Level(x, y));
      break;
    case 1:
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          if (!bm.Level(x, y)) continue;
          px(x + e, y + e) = opaque;
          ForEachEdgePixel(e, x + e, y + e, [&](int ex, int ey) {
            if (insideHalf(ex, ey) && (px(ex + cs, ey) & cd.alphaMask) == 0) px(ex + cs, ey) = opaque;
          });
        }
      break;
    case 3:
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const int l = bm.Level(x, y);
          if (l == 0) continue;
          px(x + e, y + e) = uint16_t(l);
          ForEachEdgePixel(e, x + e, y + e, [&](int ex, int ey) {
            if (!insideHalf(ex, ey)) return;
            uint16_t& v = px(ex + cs, ey);
            v = uint16_t((256 - (16 - v) * (16 - l)) >> 4);
          });
        }
      for (int y = 0; y < boxH; ++y)
        for (int x = 0; x < boxW; ++x) {
          px(x, y) = level(px(x, y));
          px(x + cs, y) = level(px(x + cs, y));
        }
      break;
  }
}

void TransferWorkImage(const FontRecord* f, int boxW, int boxH, int cellX, int cellY) {
  if (boxW <= 0 || boxH <= 0) return;
  PictureImage image;
  image.colorData = f->workColorData;
  image.width = f->workWidth;
  image.height = f->workHeight;
  image.pitch = f->workPitch;
  image.pixels = f->workPixels;
  RectI src = {0, 0, boxW, boxH};
  SetGraphImageSource(&image, nullptr, nullptr, &src, cellX, cellY, f->cacheGraph, 0);
  if (f->type & FONT_TYPE_EDGE) {
    src = {f->cellSize, 0, f->cellSize + boxW, boxH};
    SetGraphImageSource(&image, nullptr, nullptr, &src, cellX + f->pageWidth, cellY, f->cacheGraph, 0);
  }
}

}  // namespace

int IsDoubleByteLead(const uint8_t* p, int charsetIndex) {
  if (charsetIndex == 2) return (*p & 0x80) ? 1 : 0;
  return ((*p >= 0x81 && *p <= 0x9F) || (*p >= 0xE0 && *p <= 0xFC)) ? 1 : 0;
}

int EdgeShapeReaches(int edgeSize, int dx, int dy) {
  const int ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
  if (ax > edgeSize || ay > edgeSize) return 0;
  switch (edgeSize) {
    case 1: return ax + ay == 1;
    case 2: return ax <= kEdgeRows2[dy + 2];
    case 3: return ax <= kEdgeRows3[dy + 3];
    case 4: return ax <= kEdgeRows4[dy + 4];
    default: return 1;
  }
}

void FontCellCorner(const FontRecord* f, int cell, int* x, int* y) {
  *x = f->cellSize * (cell / f->cellsPerColumn);
  *y = f->cellSize * (cell % f->cellsPerColumn);
}

GlyphCacheEntry* RasterizeGlyphs(int handle, int count, const uint8_t* characters) {
  if (g_DrawState.notAvailable || NoDisplayObject()) return nullptr;
  FontRecord* f = GetFontRecord(handle);
  if (f == nullptr) return nullptr;
  plat::GlyphTextMetrics tm;
  if (f->fontObject == nullptr || !plat::GlyphFontGetMetrics(f->fontObject, &tm)) {
    GraphicsFatalStop("テキストキャッシュサーフェスのＤＣの取得に失敗しました");
    return nullptr;
  }
  const int edged = f->type & FONT_TYPE_EDGE;
  const int e = edged ? f->edgeSize : 0;
  const int format = (f->type & FONT_TYPE_ANTIALIAS) ? plat::GLYPH_FORMAT_GRAY17 : plat::GLYPH_FORMAT_MONO;
  GlyphCacheEntry* slot = nullptr;
  for (int i = 0; i < count; ++i) {
    const uint8_t* ch = characters + i * 3;
    slot = &f->slots[f->nextSlot];
    if (slot->used) {
      // The oldest glyph leaves; its map entry goes only when it still points here.
      if (slot->codeLink != nullptr && slot->codeLink->entry == slot) {
        slot->codeLink->cached = 0;
        slot->codeLink->entry = nullptr;
      }
      slot->used = 0;
    }
    FontCodeMapEntry* map = &f->codeMap[CodeMapIndex(ch)];
    map->cached = 1;
    map->entry = slot;
    slot->codeLink = map;
    slot->used = 1;
    int cellX, cellY;
    FontCellCorner(f, slot->cell, &cellX, &cellY);
    if (f->textureCache) {
      std::memset(f->workPixels, 0, size_t(f->workPitch) * f->workHeight);
    } else {
      for (int y = 0; y < f->cellSize; ++y)
        std::memset(f->cachePixels + size_t(cellY + y) * f->cachePitch, 0, size_t(f->cachePitch));
    }
    const uint32_t code = GlyphCode(ch);
    plat::GlyphMetrics gm;
    const int32_t size = plat::GlyphGetOutline(f->fontObject, code, format, &gm, 0, nullptr);
    if (size < 0) {
      GraphicsFatalStop("GetGlyphOutline 関数が失敗しました");
      return nullptr;
    }
    // A blank character (or one whose bitmap is empty) keeps only its advance.
    if (IsBlankCode(code) || size == 0) {
      slot->offsetX = slot->offsetY = 0;
      slot->advance = int16_t(gm.cellIncX);
      slot->width = slot->height = 0;
    } else {
      const int pitch = int(size / gm.blackBoxY) & ~3;
      g_GlyphBuffer.assign(size_t(size) + 2 * size_t(pitch), 0);
      if (plat::GlyphGetOutline(f->fontObject, code, format, &gm, uint32_t(size), g_GlyphBuffer.data() + pitch) !=
          size) {
        GraphicsFatalStop("GetGlyphOutline 関数が失敗しました");
        return nullptr;
      }
      slot->offsetX = int16_t(gm.originX);
      slot->offsetY = int16_t(tm.ascent - gm.originY);
      slot->advance = int16_t(gm.cellIncX);
      slot->width = int16_t(gm.blackBoxX);
      slot->height = int16_t(gm.blackBoxY);
      GlyphBitmap bm{g_GlyphBuffer.data() + pitch, pitch, int(gm.blackBoxX), int(gm.blackBoxY),
                     format == plat::GLYPH_FORMAT_MONO};
      if (f->textureCache) {
        int boxW = bm.width + 2 * e, boxH = bm.height + 2 * e;
        if (boxW > f->cellSize) boxW = f->cellSize;
        if (boxH > f->workHeight) boxH = f->workHeight;
        WriteWorkImage(f, bm, boxW, boxH);
      } else {
        WriteMemoryCell(f, bm, MemoryCell{f->cachePixels + size_t(cellY) * f->cachePitch, f->cachePitch, f->cellSize});
      }
    }
    if (edged) {
      slot->advance = int16_t(slot->advance + 2 * e);
      slot->width = int16_t(slot->width + 2 * e);
      slot->height = int16_t(slot->height + 2 * e);
    }
    // A glyph never reaches into the next cell.
    if (slot->width > f->cellSize) slot->width = int16_t(f->cellSize);
    if (slot->height > f->cellSize) slot->height = int16_t(f->cellSize);
    if (f->textureCache) TransferWorkImage(f, slot->width, slot->height, cellX, cellY);
    if (++f->nextSlot >= f->capacity) f->nextSlot = 0;
  }
  return slot;
}

int CacheStringGlyphs(int handle, const char* text, int length, uint8_t* buffer, int* count, int* bytes) {
  FontRecord* f = GetFontRecord(handle);
  if (f == nullptr) return -1;
  if (buffer == nullptr) buffer = g_SharedCharBuffer;
  const uint8_t* s = reinterpret_cast<const uint8_t*>(text != nullptr ? text : "");
  const int len = int(std::strlen(reinterpret_cast<const char*>(s)));
  const int end = (length < 0 || length >= len) ? len : length;
  int pos = 0, chars = 0, fresh = 0;
  while (pos < end && chars < TEXT_BUFFER_CHARS) {
    uint8_t* ch = buffer + chars * 3;
    // A lead byte at the very end of the string stands alone.
    if (IsDoubleByteLead(s + pos, f->charsetIndex) && s[pos + 1] != 0) {
      ch[0] = s[pos];
      ch[1] = s[pos + 1];
      pos += 2;
    } else {
      ch[0] = s[pos];
      ch[1] = 0;
      pos += 1;
    }
    ch[2] = 0;
    ++chars;
    if (f->codeMap[CodeMapIndex(ch)].cached || fresh >= TEXT_BUFFER_CHARS || fresh >= f->capacity) continue;
    bool listed = false;
    for (int i = 0; i < fresh && !listed; ++i) listed = g_NewCharList[i * 3] == ch[0] && g_NewCharList[i * 3 + 1] == ch[1];
    if (!listed) {
      std::memcpy(g_NewCharList + fresh * 3, ch, 3);
      ++fresh;
    }
  }
  if (fresh > 0) RasterizeGlyphs(handle, fresh, g_NewCharList);
  if (count != nullptr) *count = chars;
  if (bytes != nullptr) *bytes = pos;
  return 0;
}
