// The default font and text drawing: the text core lays a string out along a pen and copies each
// glyph from the font's cache, as graph draws from the texture page or pixel by pixel from the
// memory image into a software image. Strings of any length are handled a buffer's worth of
// characters at a time.
#include "engine/graphics/font/font.h"

#include <cstring>

#include "engine/base/log.h"
#include "engine/graphics/device3d/draw3d.h"
#include "engine/graphics/draw/draw_dispatch.h"
#include "engine/graphics/draw/draw_services.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/graph_from_image.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/operations.h"
#include "engine/softrender/graphics_services.h"

extern int32_t g_DefaultFontHandle;

namespace {

struct DefaultFontSettings {
  char faceName[128];
  int32_t size, thickness, type, charsetIndex, edgeSize, italic, spacing;
};
DefaultFontSettings g_DefaultFont = {"", 16, 6, 0, 1, 1, 0, 0};

int NoDisplayObject() { return ScreenDirectDrawInUse() && ScreenSurfaceDevice() == nullptr; }

// The colour tinted by the draw bright, in the screen format.
uint32_t Brighten(uint32_t colour, uint32_t* packed) {
  int r = 0, g = 0, b = 0;
  SplitScreenColor(colour, &r, &g, &b);
  const uint32_t bright = g_DrawState.drawBright;
  r = r * int((bright >> 16) & 0xFF) / 255;
  g = g * int((bright >> 8) & 0xFF) / 255;
  b = b * int(bright & 0xFF) / 255;
  if (packed != nullptr) *packed = uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
  return GetScreenColor(r, g, b);
}

// ---- Memory cache: one glyph into a software image. ----

struct GlyphPaint {
  const FontRecord* font;
  MemImg* dest;
  uint32_t colour, edge;
  int transparent;
};

uint32_t Channel(uint32_t v, uint32_t mask, int shift) { return (v & mask) >> shift; }

// Type 3: body level b and edge level e mixed into one pixel with alpha.
uint32_t MixEdged(uint32_t c, uint32_t e, int b, int el, bool rgb16) {
  const uint32_t alphaShift = rgb16 ? 16 : 24;
  const uint32_t colourMask = rgb16 ? 0xFFFF : 0xFFFFFF;
  if (b == 0) return (e & colourMask) | uint32_t(el * 16) << alphaShift;
  if (b == 15) return (c & colourMask) | 255u << alphaShift;
  const int a = (15 - b) * el + b * 16;
  const int k = (b << 12) / a;
  static const uint32_t masks16[3] = {0xF800, 0x07E0, 0x001F};
  static const int shifts16[3] = {11, 5, 0};
  static const uint32_t masks32[3] = {0xFF0000, 0x00FF00, 0x0000FF};
  static const int shifts32[3] = {16, 8, 0};
  uint32_t out = uint32_t(a) << alphaShift;
  for (int i = 0; i < 3; ++i) {
    const uint32_t m = rgb16 ? masks16[i] : masks32[i];
    const int s = rgb16 ? shifts16[i] : shifts32[i];
    const int ce = int(Channel(e, m, s)), cc = int(Channel(c, m, s));
    const int v = ce + (((cc - ce) * k) >> 8);
    out |= (uint32_t(v) << s) & m;
  }
  return out;
}

// The pixel a cache value gives, and whether anything is written.
bool CachePixel(const GlyphPaint& p, int value, uint32_t* out, int bytes) {
  if (value == 0) {
    *out = 0;
    return !p.transparent;
  }
  const bool rgb16 = p.dest->format == MEMIMG_FORMAT_RGB16;
  switch (p.font->type) {
    case 0: *out = p.colour; break;
    case 1: *out = value == 1 ? p.colour : p.edge; break;
    case 2:
      if (bytes < 4) *out = p.colour;
      else *out = rgb16 ? (p.colour & 0xFFFF) | uint32_t(value * 16) << 16
                        : (p.colour & 0xFFFFFF) | uint32_t(value * 16) << 24;
      break;
    default:
      if (bytes < 4) *out = (value & 0x0F) ? p.colour : p.edge;
      else *out = MixEdged(p.colour, p.edge, value & 0x0F, value >> 4, rgb16);
      break;
  }
  return true;
}

int CacheValue(const FontRecord* f, int x, int y) {
  const uint8_t* row = f->cachePixels + size_t(y) * f->cachePitch;
  return f->cacheBits == 1 ? (row[x >> 3] >> (7 - (x & 7))) & 1 : row[x];
}

void PutPixel(MemImg* img, int x, int y, uint32_t v, int bytes) {
  uint8_t* p = img->pixels + size_t(y) * img->pitch + size_t(x) * bytes;
  if (bytes == 1) *p = uint8_t(v);
  else if (bytes == 2) std::memcpy(p, &v, 2);   // little-endian: the low half
  else std::memcpy(p, &v, 4);
}

// Box of the glyph in the destination (right and bottom exclusive) and, per destination pixel,
// the cache pixel it shows.
void DrawGlyphMemory(const GlyphPaint& p, const GlyphCacheEntry* g, int x, int y, int pen, int vertical,
                     const RectI* clip) {
  const FontRecord* f = p.font;
  int cellX, cellY;
  FontCellCorner(f, g->cell, &cellX, &cellY);
  RectI box;
  int colX = 0, rowY = 0;
  if (!vertical) {
    box = {x + g->offsetX + pen, y + g->offsetY, x + g->offsetX + pen + g->width, y + g->offsetY + g->height};
  } else {
    colX = x + f->lineHeight - g->offsetY;     // the glyph's top row lies in this column
    rowY = y + pen + g->offsetX;               // and its left column in this row
    box = {colX - g->height + 1, rowY, colX + 1, rowY + g->width};
  }
  RectI image = {0, 0, p.dest->width, p.dest->height};
  ClipRectToRect(&box, &image);
  if (clip != nullptr) ClipRectToRect(&box, clip);
  if (box.left >= box.right || box.top >= box.bottom) return;
  const int bytes = MemImgPixelBytes(p.dest);
  for (int dy = box.top; dy < box.bottom; ++dy) {
    for (int dx = box.left; dx < box.right; ++dx) {
      int sx, sy;
      if (!vertical) {
        sx = dx - (x + g->offsetX + pen);
        sy = dy - (y + g->offsetY);
      } else {
        sy = colX - dx;
        sx = dy - rowY;
      }
      uint32_t v;
      if (CachePixel(p, CacheValue(f, cellX + sx, cellY + sy), &v, bytes)) PutPixel(p.dest, dx, dy, v, bytes);
    }
  }
  MemImgMarkChanged(p.dest);
}

// ---- Texture cache: one glyph as graph draws. ----

struct GlyphDraw3D {
  const FontRecord* font;
  uint32_t colourBright, edgeBright;
  int scaled;
  double rateX, rateY;
};

void SetBright(uint32_t packed) { SetDrawBrightRgb(int(packed >> 16), int((packed >> 8) & 0xFF), int(packed & 0xFF)); }

void NarrowDrawArea(const RectI* r) {
  g_DrawState.drawArea = *r;
  g_DrawState.drawAreaF[0] = float(r->left);
  g_DrawState.drawAreaF[1] = float(r->top);
  g_DrawState.drawAreaF[2] = float(r->right);
  g_DrawState.drawAreaF[3] = float(r->bottom);
  SetViewportFromRect(r);
}

void DrawGlyphTexture(const GlyphDraw3D& d, const GlyphCacheEntry* g, int x, int y, double pen, int vertical) {
  const FontRecord* f = d.font;
  const int edged = f->type & FONT_TYPE_EDGE;
  int cellX, cellY;
  FontCellCorner(f, g->cell, &cellX, &cellY);
  const int graphs[2] = {edged ? f->edgeGraph : -1, f->cacheGraph};
  const uint32_t brights[2] = {d.edgeBright, d.colourBright};
  if (!vertical) {
    for (int i = 0; i < 2; ++i) {
      if (graphs[i] == -1) continue;
      SetBright(brights[i]);
      if (!d.scaled) {
        DrawGraphRectPart(x + g->offsetX + TruncToInt(pen), y + g->offsetY, cellX, cellY, g->width, g->height,
                          graphs[i], 1, 0);
      } else {
        const int x1 = x + TruncToInt(g->offsetX * d.rateX + pen), y1 = y + TruncToInt(g->offsetY * d.rateY);
        DrawGraphRectStretched(x1, y1, x1 + TruncToInt(g->width * d.rateX), y1 + TruncToInt(g->height * d.rateY),
                               cellX, cellY, g->width, g->height, graphs[i], 1);
      }
    }
    return;
  }
  // A quarter turn clockwise: cache point (u, v) lands on (colX + 1 + cellY - v, rowY + u - cellX).
  const double colX = x + f->lineHeight - g->offsetY;
  const double rowY = y + pen + g->offsetX;
  if (!d.scaled) {
    const RectI saved = g_DrawState.drawArea;
    RectI box = {TruncToInt(colX) - g->height, TruncToInt(rowY), TruncToInt(colX) + 2, TruncToInt(rowY) + g->width};
    ClipRectToRect(&box, &saved);
    if (box.left < box.right && box.top < box.bottom) {
      NarrowDrawArea(&box);
      const double right = colX + 1 + cellY - 0.5, top = rowY - cellX - 0.5;
      for (int i = 0; i < 2; ++i) {
        if (graphs[i] == -1) continue;
        int gw = 0, gh = 0;
        GetGraphDimensions(graphs[i], &gw, &gh);
        const double left = right - gh, bottom = top + gw;
        SetBright(brights[i]);
        DrawGraphFourCorners(float(right), float(top), float(right), float(bottom), float(left), float(bottom),
                             float(left), float(top), graphs[i], 1);
      }
      NarrowDrawArea(&saved);
    }
    return;
  }
  for (int i = 0; i < 2; ++i) {
    if (graphs[i] == -1) continue;
    const int cell = DeriveGraphRegion(cellX, cellY, g->width, g->height, graphs[i]);
    if (cell <= 0) continue;
    SetBright(brights[i]);
    const double w = g->width * d.rateY, h = g->height * d.rateX;
    const double cx = x + f->lineHeight * d.rateX - g->offsetY * d.rateX, cy = y + pen + g->offsetX * d.rateY;
    DrawGraphFourCorners(float(cx), float(cy), float(cx), float(cy + w), float(cx - h), float(cy + w),
                         float(cx - h), float(cy), cell, 1);
    DeleteGraphHandle(cell, 0);
  }
}

}  // namespace

// ---- Default font. ----

void ResetDefaultFontSettings() { g_DefaultFont = {"", 16, 6, 0, 1, 1, 0, 0}; }

void DeleteDefaultFont() {
  DeleteFontHandle(g_DefaultFontHandle);
  g_DefaultFontHandle = -1;
}

int UpdateDefaultFont() {
  const DefaultFontSettings& s = g_DefaultFont;
  const FontRecord* f = GetFontRecord(g_DefaultFontHandle);
  if (f != nullptr && std::strcmp(f->faceName, s.faceName) == 0 && f->type == s.type && f->size == s.size &&
      f->thickness == s.thickness && f->charsetIndex == s.charsetIndex && f->edgeSize == s.edgeSize &&
      f->italic == s.italic) {
    return 0;
  }
  DeleteFontHandle(g_DefaultFontHandle);
  g_DefaultFontHandle = CreateFontToHandle(s.faceName, s.size, s.thickness, s.type, s.charsetIndex,
                                           (s.type & FONT_TYPE_EDGE) ? s.edgeSize : -1, s.italic, -1, -1);
  SetFontSpacingToHandle(s.spacing, g_DefaultFontHandle);
  return 0;
}

int SetDefaultFontSize(int size) {
  g_DefaultFont.size = size == -1 ? 16 : size;
  UpdateDefaultFont();
  return 0;
}

int SetDefaultFontThickness(int thickness) {
  g_DefaultFont.thickness = thickness == -1 ? 6 : thickness;
  UpdateDefaultFont();
  return 0;
}

int SetDefaultFontName(const char* faceName, int charsetIndex) {
  g_DefaultFont.faceName[0] = '\0';
  if (faceName != nullptr) std::strncat(g_DefaultFont.faceName, faceName, sizeof(g_DefaultFont.faceName) - 1);
  g_DefaultFont.charsetIndex = charsetIndex == -1 ? 1 : charsetIndex;
  UpdateDefaultFont();
  return 0;
}

int SetDefaultFontType(int type) {
  g_DefaultFont.type = type == -1 ? 0 : type;
  UpdateDefaultFont();
  return 0;
}

int SetDefaultFontSizeThickness(int, int size, int thickness) {
  if (NoDisplayObject()) return -1;
  g_DefaultFont.size = size == -1 ? 16 : size;
  g_DefaultFont.thickness = thickness == -1 ? 6 : thickness;
  UpdateDefaultFont();
  return 0;
}

int DrawTextDefaultFont(int x, int y, const char* text, uint32_t color, uint32_t edgeColor) {
  UpdateDefaultFont();
  return DrawTextWithFont(x, y, text, color, g_DefaultFontHandle, edgeColor, 0);
}

// ---- Drawing. ----

int DrawTextWithFont(int x, int y, const char* text, uint32_t color, int font, uint32_t edgeColor, int vertical) {
  if (text == nullptr || text[0] == '\0' || g_DrawState.notAvailable) return 0;
  if (!CoordsInReach({x, y})) return -1;
  const int texturePath = g_DrawState.useTexture && Direct3DInUse();
  const FontRecord* f = GetFontRecord(font);
  if (f == nullptr) return LogWrite("フォントハンドル値が異常です\n");
  WaitWhileInactive();
  const int softwareNot8 = ScreenIsSoftware() && ScreenActualBitDepth() != 8;
  const int front = g_DrawState.drawScreen == DRAW_SCREEN_FRONT;
  const int subtract3D = texturePath && g_DrawState.blendMode == BLEND_SUB;
  RectI r = {x, y, g_DrawState.drawArea.right, y + f->size + 3};
  const int needRect = subtract3D || g_DrawState.maskInEffect || (front && softwareNot8);
  if (needRect && r.left >= g_DrawState.drawArea.right) return 0;
  if (softwareNot8 && front && ScreenFrontCopyStale()) LoadFrontScreenToMemImg();
  const int memoryMask = !f->textureCache && g_DrawState.maskInEffect;
  if (memoryMask) BeginMaskedDraw(r.left, r.top, r.right, r.bottom);
  int result;
  if (subtract3D) {
    BeginSubtractBlend3D(&r);
    result = DrawStringDispatch3D(x, y, text, color, font, edgeColor, vertical);
    EndSubtractBlend3D(&r);
  } else if (texturePath) {
    result = DrawStringDispatch3D(x, y, text, color, font, edgeColor, vertical);
  } else {
    result = DrawStringSoftware(x, y, text, color, font, edgeColor, vertical);
  }
  if (memoryMask) EndMaskedDraw(r.left, r.top, r.right, r.bottom);
  if (softwareNot8 && front) UpdateFrontScreenRect(&r);
  return result < 0 ? -1 : 0;
}

int DrawTextCore(int draw, int x, int y, int scaled, double rateX, double rateY, const char* text, uint32_t color,
                 MemImg* dest, const RectI* clip, int transparent, int font, uint32_t edgeColor, int length,
                 int vertical, int* sizeOut) {
  if (g_DrawState.notAvailable || NoDisplayObject()) return -1;
  FontRecord* f = GetFontRecord(font);
  if (f == nullptr) return -1;
  if (!scaled || !f->textureCache) {
    rateX = rateY = 1.0;
    scaled = 0;
  }
  const double penRate = vertical ? rateY : rateX;
  GlyphDraw3D d3{f, 0, 0, scaled, rateX, rateY};
  GlyphPaint paint{f, dest, 0, 0, transparent};
  paint.colour = Brighten(color, &d3.colourBright);
  paint.edge = Brighten(edgeColor, &d3.edgeBright);
  double pen = 0.0;
  auto finish = [&]() {
    if (sizeOut != nullptr) {
      sizeOut[0] = vertical ? f->lineHeight : TruncToInt(pen);
      sizeOut[1] = vertical ? TruncToInt(pen) : f->lineHeight;
    }
    return TruncToInt(pen);
  };
  if (text == nullptr || text[0] == '\0') return finish();
  const int len = int(std::strlen(text));
  const int end = (length < 0 || length > len) ? len : length;
  const int textureDraw = draw && f->textureCache;
  const int memoryDraw = draw && !f->textureCache && dest != nullptr && dest->pixels != nullptr;
  int savedBlendGraph = -1, savedBorder = 0, savedRange = 0;
  uint32_t savedBright = g_DrawState.drawBright;
  if (textureDraw) {
    savedBlendGraph = g_DrawState.blendGraph;
    savedBorder = g_DrawState.blendGraphBorderParam;
    savedRange = g_DrawState.blendGraphBorderRange;
    if (savedBlendGraph != -1) SetBlendGraphState(-1, savedBorder, savedRange);
  }
  uint8_t chars[TEXT_BUFFER_CHARS * 3];
  int pos = 0;
  int result = 0;
  while (pos < end && result == 0) {
    int count = 0, bytes = 0;
    if (CacheStringGlyphs(font, text + pos, end - pos, chars, &count, &bytes) != 0 || bytes == 0) break;
    pos += bytes;
    for (int i = 0; i < count; ++i) {
      const uint8_t* ch = chars + i * 3;
      FontCodeMapEntry* map = &f->codeMap[ch[0] | ch[1] << 8];
      if (!map->cached && RasterizeGlyphs(font, 1, ch) == nullptr) {
        GraphicsFatalStop("テキストキャッシュの作成に失敗しました");
        result = -1;
        break;
      }
      const GlyphCacheEntry* g = map->entry;
      const bool blank = (ch[0] == 0x20 && ch[1] == 0) || (ch[0] == 0x81 && ch[1] == 0x40) ||
                         (g->width == 0 && g->height == 0);
      if (!blank) {
        if (textureDraw) DrawGlyphTexture(d3, g, x, y, pen, vertical);
        else if (memoryDraw) DrawGlyphMemory(paint, g, x, y, TruncToInt(pen), vertical, clip);
      }
      pen += (g->advance + f->spacing) * penRate;
    }
  }
  if (textureDraw) {
    if (savedBlendGraph != -1) SetBlendGraphState(savedBlendGraph, savedBorder, savedRange);
    SetDrawBrightPacked(savedBright);
  }
  if (result != 0) return -1;
  return finish();
}
