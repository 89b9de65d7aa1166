// The font table: creation and deletion of font handles, the sizing and creation of each font's
// glyph cache, the start of the font system and the re-creation of every font after the display was
// rebuilt (same slot, same check number, so handle values survive).
#include "engine/graphics/font/font.h"

#include <cstring>

#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/graph_from_image.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graphics_hooks.h"
#include "platform/glyphs.h"

const int32_t FontCharsetTable[3] = {1, 128, 129};

int32_t g_DefaultFontHandle = -1;

namespace {

FontRecord* g_FontTable[FONT_TABLE_SIZE];
int32_t g_FontCheckCounter = 0;

int NoDisplayObject() { return ScreenDirectDrawInUse() && ScreenSurfaceDevice() == nullptr; }

int ScreenIs8Bit() { return ScreenColorDataRecord()->bitDepth == 8; }

int MakeHandle(int slot, int check) { return ((check | FONT_HANDLE_KIND) << 16) | slot; }

// A 16-bit texture format with exactly these channel widths.
int TextureFormatIs(int index, int a, int r, int g, int b) {
  const ColorData* cd = GetTextureFormatColorData(index);
  return cd != nullptr && cd->bitDepth == 16 && cd->alphaWidth == a && cd->redWidth == r && cd->greenWidth == g &&
         cd->blueWidth == b;
}

// Texture format indexes: 2 the 16-bit alpha-channel format, 4 the 16-bit alpha-test format.
constexpr int TEXFMT_ALPHA16 = 2;
constexpr int TEXFMT_ALPHATEST16 = 4;

int WantsTextureCache() {
  return g_DrawState.useTexture && Direct3DInUse() && !ScreenIsSoftware() &&
         TextureFormatIs(TEXFMT_ALPHA16, 4, 4, 4, 4) && TextureFormatIs(TEXFMT_ALPHATEST16, 1, 5, 5, 5);
}

plat::GlyphFont* MakeGlyphFont(const char* face, int size, int thickness, int italic, int charset) {
  return plat::GlyphFontCreate({size, thickness * 100, italic, charset, face});
}

// Undoes a creation that failed after the record was made.
int FailCreation(int handle) {
  FontRecord* f = GetFontRecord(handle);
  if (f != nullptr) f->check = 0;
  DeleteFontHandle(handle);
  return -1;
}

}  // namespace

FontRecord* GetFontRecord(int handle) {
  if (handle < 0 || (handle & 0x78000000) != (FONT_HANDLE_KIND << 16)) return nullptr;
  const int slot = handle & 0xFFFF;
  if (slot >= FONT_TABLE_SIZE) return nullptr;
  FontRecord* f = g_FontTable[slot];
  if (f == nullptr || (f->check << 16) != (handle & 0x07FF0000)) return nullptr;
  return f;
}

int IsFontHandleValid(int handle) { return GetFontRecord(handle) != nullptr ? 1 : 0; }

int GetFontCount() {
  int n = 0;
  for (FontRecord* f : g_FontTable) n += f != nullptr;
  return n;
}

int CreateFontToHandle(const char* faceName, int size, int thickness, int type, int charsetIndex, int edgeSize,
                       int italic, int slot, int check) {
  if (NoDisplayObject()) return -1;
  if (type == -1) type = 0;
  if (edgeSize > 1) type |= FONT_TYPE_EDGE;
  if (size == -1) size = 16;
  if (thickness == -1) thickness = 6;
  if (charsetIndex == -1) charsetIndex = 1;   // this system's OEM code page is 932
  if (edgeSize == -1) edgeSize = 1;
  if (type < 0 || type > 3 || charsetIndex < 0 || charsetIndex > 2 || edgeSize < 1 || size <= 0) return -1;

  if (slot != -1) {
    if (slot < 0 || slot >= FONT_TABLE_SIZE || g_FontTable[slot] != nullptr) return -1;
  } else {
    for (slot = 0; slot < FONT_TABLE_SIZE && g_FontTable[slot] != nullptr; ++slot) {
    }
    if (slot == FONT_TABLE_SIZE) {
      LogPrintf("作成できるフォントハンドル数 %d の限界を超えました", FONT_TABLE_SIZE);
      return -1;
    }
  }
  auto* f = static_cast<FontRecord*>(TrackedCalloc(sizeof(FontRecord), __FILE__, __LINE__));
  if (f == nullptr) return LogWrite("フォント管理用メモリの確保に失敗しました\n");
  if (check == -1) {
    check = g_FontCheckCounter;
    g_FontCheckCounter = g_FontCheckCounter >= 2047 ? 0 : g_FontCheckCounter + 1;
  }
  check &= 0x7FF;
  g_FontTable[slot] = f;
  const int handle = MakeHandle(slot, check);
  f->check = check;
  f->drawSurface = -1;
  f->cacheGraph = -1;
  f->edgeGraph = -1;
  if (ScreenIs8Bit()) type &= ~FONT_TYPE_ANTIALIAS;
  f->edgeSize = edgeSize;
  f->type = type;
  f->size = size;
  f->thickness = thickness;
  f->italic = italic;
  f->spacing = 0;
  f->textureCache = WantsTextureCache();

  plat::GlyphFont* font = nullptr;
  if (faceName != nullptr && faceName[0] != '\0') {
    std::strncpy(f->faceName, faceName, FONT_FACE_NAME_SIZE - 1);
    font = MakeGlyphFont(f->faceName, size, thickness, italic, FontCharsetTable[charsetIndex]);
    if (font == nullptr) font = MakeGlyphFont(f->faceName, size, thickness, italic, 1);
    if (font == nullptr) font = MakeGlyphFont(f->faceName, size, thickness, italic, 128);
    if (font == nullptr) {
      LogWrite("指定のフォントの作成に失敗しました\n");
      return FailCreation(handle);
    }
  } else {
    font = MakeGlyphFont(nullptr, size, thickness, italic, FontCharsetTable[charsetIndex]);
    if (font == nullptr) font = MakeGlyphFont(nullptr, size, thickness, 0, 1);
    if (font == nullptr) {
      LogWrite("フォントの作成に失敗しました\n");
      return FailCreation(handle);
    }
  }
  plat::GlyphTextMetrics tm;
  if (!plat::GlyphFontGetMetrics(font, &tm)) {
    plat::GlyphFontRelease(font);
    LogWrite("ＤＣの取得に失敗しました\n");
    return FailCreation(handle);
  }
  const int edged = type & FONT_TYPE_EDGE;
  f->cellSize = (tm.maxCharWidth + (edged ? 2 * edgeSize : 0) + 7) / 8 * 8;
  f->lineHeight = (tm.height + (edged ? 2 * edgeSize : 0) + 1) / 2 * 2;
  if (f->fontObject != nullptr) plat::GlyphFontRelease(f->fontObject);
  f->fontObject = font;
  if (f->cellSize <= 0) return FailCreation(handle);

  if (f->textureCache) {
    int w = 512, h = 512;
    int capacity = (512 / f->cellSize) * (512 / f->cellSize);
    while (capacity < 10) {
      if (w > h) h *= 2;
      else w *= 2;
      capacity = (h / f->cellSize) * (w / f->cellSize);
    }
    if (capacity > FONT_CACHE_MAX) capacity = FONT_CACHE_MAX;
    f->pageWidth = w;
    f->pageHeight = h;
    f->capacity = capacity;
    f->cellsPerColumn = h / f->cellSize;
    f->cacheGraphLost = 1;
    if (SetupFontCacheGraph(handle) == 0) {
      const ColorData* cd =
          GetTextureFormatColorData((type & FONT_TYPE_ANTIALIAS) ? TEXFMT_ALPHA16 : TEXFMT_ALPHATEST16);
      f->workColorData = *cd;
      f->workWidth = edged ? f->cellSize * 2 : f->cellSize;
      f->workHeight = f->cellSize + (edged ? 2 * edgeSize : 0);
      f->workPitch = f->workWidth * cd->pixelBytes;
      f->workPixels = static_cast<uint8_t*>(
          TrackedCalloc(static_cast<size_t>(f->workPitch) * f->workHeight, __FILE__, __LINE__));
      if (f->workPixels == nullptr) {
        LogWrite("文字キャッシュ処理用メモリの確保に失敗しました\n");
        return FailCreation(handle);
      }
    } else {
      LogWrite("テクスチャ文字キャッシュの作成に失敗しました\n");
      if (f->edgeGraph != -1) DeleteGraphHandle(f->edgeGraph, 0);
      if (f->cacheGraph != -1) DeleteGraphHandle(f->cacheGraph, 0);
      f->edgeGraph = f->cacheGraph = -1;
      f->textureCache = 0;
    }
  }
  if (!f->textureCache) {
    f->cacheBits = type == 0 ? 1 : 8;
    int capacity = 0x50000 / (f->cellSize * f->cellSize);
    if (capacity < 20) capacity = 20;
    if (capacity > FONT_CACHE_MAX) capacity = FONT_CACHE_MAX;
    f->capacity = capacity;
    f->pageWidth = f->cellSize;
    f->pageHeight = capacity * f->cellSize;
    f->cellsPerColumn = capacity;
    f->cachePitch = (f->cellSize * f->cacheBits + 7) / 8;
    f->cachePixels = static_cast<uint8_t*>(
        TrackedCalloc(static_cast<size_t>(f->cachePitch) * f->pageHeight, __FILE__, __LINE__));
    if (f->cachePixels == nullptr) {
      LogWrite("フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle");
      return FailCreation(handle);
    }
    f->drawSurfaceLost = 1;
    if (SetupFontCacheGraph(handle) != 0) {
      LogWrite("フォント用描画スクリーンの作成に失敗しました\n");
      return FailCreation(handle);
    }
  }
  ResetFontCache(handle);
  f->charsetIndex = charsetIndex;
  f->lostFlag = nullptr;
  return handle;
}

int DeleteFontHandle(int handle) {
  const int slot = handle & 0xFFFF;
  FontRecord* f = GetFontRecord(handle);
  // A half-built record has check number 0 but is still the slot's.
  if (f == nullptr && handle >= 0 && slot < FONT_TABLE_SIZE && g_FontTable[slot] != nullptr &&
      g_FontTable[slot]->check == 0 && (handle & 0x78000000) == (FONT_HANDLE_KIND << 16)) {
    f = g_FontTable[slot];
  }
  if (f == nullptr) return -1;
  if (f->fontObject != nullptr) plat::GlyphFontRelease(f->fontObject);
  f->fontObject = nullptr;
  TrackedFree(f->cachePixels);
  f->cachePixels = nullptr;
  if (f->drawSurface != -1) DeleteSurface2D(f->drawSurface);
  f->drawSurface = -1;
  // The region goes before the page it shows.
  if (f->edgeGraph != -1) DeleteGraphHandle(f->edgeGraph, 0);
  if (f->cacheGraph != -1) DeleteGraphHandle(f->cacheGraph, 0);
  f->edgeGraph = f->cacheGraph = -1;
  TrackedFree(f->workPixels);
  f->workPixels = nullptr;
  if (f->lostFlag != nullptr) *f->lostFlag = 1;
  TrackedFree(f);
  g_FontTable[slot] = nullptr;
  return 0;
}

int SetFontLostFlagPointer(int handle, int32_t* flag) {
  FontRecord* f = GetFontRecord(handle);
  if (f == nullptr) return -1;
  f->lostFlag = flag;
  if (flag != nullptr) *flag = 0;
  return 0;
}

int SetFontSpacingToHandle(int spacing, int handle) {
  FontRecord* f = GetFontRecord(handle);
  if (f == nullptr) return -1;
  f->spacing = spacing;
  return 0;
}

int GetFontStateToHandle(char* nameBuffer, int* size, int* thickness, int handle) {
  FontRecord* f = GetFontRecord(handle);
  if (f == nullptr) return -1;
  if (nameBuffer != nullptr) std::strcpy(nameBuffer, f->faceName);
  if (size != nullptr) *size = f->size;
  if (thickness != nullptr) *thickness = f->thickness;
  return 0;
}

int GetFontSizeToHandle(int handle) {
  FontRecord* f = GetFontRecord(handle);
  return f == nullptr ? -1 : f->size;
}

int GetDefaultFontHandle() { return g_DefaultFontHandle; }

int ResetFontCache(int handle) {
  FontRecord* f = GetFontRecord(handle);
  if (f == nullptr) return -1;
  std::memset(f->codeMap, 0, sizeof(f->codeMap));
  std::memset(f->slots, 0, sizeof(f->slots));
  for (int i = 0; i < f->capacity; ++i) f->slots[i].cell = i;
  f->slots[f->capacity].cell = -1;
  f->nextSlot = 0;
  return 0;
}

int SetupFontCacheGraph(int handle) {
  FontRecord* f = GetFontRecord(handle);
  if (f == nullptr) return -1;
  if (f->drawSurfaceLost) {
    f->drawSurfaceLost = 0;
    int w, h;
    ScreenModeSizeOrDefault(&w, &h);
    int bits = ScreenColorDataRecord()->bitDepth;
    if (bits == 0) bits = 16;
    GraphCreationBytes create{};
    create.systemMemory = 1;
    create.bitDepth = static_cast<uint8_t>(bits);
    create.alphaChannel = (f->type & FONT_TYPE_ANTIALIAS) ? 1 : 0;
    if (f->drawSurface != -1) DeleteSurface2D(f->drawSurface);
    f->drawSurface = AddSurface2D(w, h, 0, 0, -1, nullptr, 0, 0, &create);
    if (f->drawSurface < 0) {
      f->drawSurface = -1;
      return -1;
    }
    SetSurface2DLostFlagPointer(f->drawSurface, &f->drawSurfaceLost);
  }
  if (f->cacheGraphLost) {
    f->cacheGraphLost = 0;
    const int32_t savedBits = g_DrawState.createBitDepth, savedAlpha = g_DrawState.createAlphaBlank;
    const int32_t savedTest = g_DrawState.createAlphaTest, savedTexture = g_DrawState.useTexture;
    const int edged = f->type & FONT_TYPE_EDGE;
    g_DrawState.createBitDepth = 16;
    g_DrawState.createAlphaBlank = (f->type & FONT_TYPE_ANTIALIAS) ? 1 : 0;
    g_DrawState.createAlphaTest = (f->type & FONT_TYPE_ANTIALIAS) ? 0 : 1;
    g_DrawState.useTexture = 1;
    if (f->edgeGraph != -1) DeleteGraphHandle(f->edgeGraph, 0);
    if (f->cacheGraph != -1) DeleteGraphHandle(f->cacheGraph, 0);
    f->edgeGraph = -1;
    f->cacheGraph = CreateBlankGraph(edged ? f->pageWidth * 2 : f->pageWidth, f->pageHeight);
    if (f->cacheGraph > 0 && edged) f->edgeGraph = DeriveGraphRegion(f->pageWidth, 0, f->pageWidth, f->pageHeight, f->cacheGraph);
    g_DrawState.createBitDepth = savedBits;
    g_DrawState.createAlphaBlank = savedAlpha;
    g_DrawState.createAlphaTest = savedTest;
    g_DrawState.useTexture = savedTexture;
    if (f->cacheGraph <= 0) {
      f->cacheGraph = -1;
      return -1;
    }
    if (edged && f->edgeGraph <= 0) {
      f->edgeGraph = -1;
      return -1;
    }
    SetGraphLostFlagPointer(f->cacheGraph, &f->cacheGraphLost);
    FillGraphWithColor(f->cacheGraph, 255, 255, 255, 0);
    ResetFontCache(handle);
  }
  return 0;
}

int InitializeFontSystem() {
  if (NoDisplayObject()) return -1;
  LogWrite("フォントの初期化を行います\n");
  LogIndentIncrease();
  FontRecord* d = GetFontRecord(g_DefaultFontHandle);
  char face[FONT_FACE_NAME_SIZE] = "";
  int size = 16, thickness = 6, type = -1, charset = -1, edge = -1, italic = 0;
  if (d != nullptr) {
    std::memcpy(face, d->faceName, sizeof(face));
    size = d->size;
    thickness = d->thickness;
    type = d->type;
    charset = d->charsetIndex;
    edge = d->edgeSize;
    italic = d->italic;
  }
  for (int slot = 0; slot < FONT_TABLE_SIZE; ++slot) {
    if (g_FontTable[slot] != nullptr) DeleteFontHandle(MakeHandle(slot, g_FontTable[slot]->check));
  }
  g_DefaultFontHandle = CreateFontToHandle(face, size, thickness, type, charset, edge, italic, -1, -1);
  LogIndentDecrease();
  LogWrite("フォントの初期化は正常に終了しました\n");
  return 0;
}

int RecreateAllFonts() {
  for (int slot = 0; slot < FONT_TABLE_SIZE; ++slot) {
    FontRecord* f = g_FontTable[slot];
    if (f == nullptr) continue;
    char face[FONT_FACE_NAME_SIZE];
    std::memcpy(face, f->faceName, sizeof(face));
    const int check = f->check, type = f->type, size = f->size, charset = f->charsetIndex;
    const int thickness = f->thickness, edge = f->edgeSize, italic = f->italic, spacing = f->spacing;
    DeleteFontHandle(MakeHandle(slot, check));
    const int handle = CreateFontToHandle(face, size, thickness, type, charset, edge, italic, slot, check);
    SetFontSpacingToHandle(spacing, handle);
  }
  return 0;
}
