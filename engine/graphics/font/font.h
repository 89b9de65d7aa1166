// Room font/: font handles and their glyph caches, the default font, text drawing and the two
// string back ends (software and 3-D device). It may use graph/ (cache pages are graphs), image/,
// draw/, device3d/, screen/, the top headers, softrender/, the base's log and memory, and the
// platform's glyph source.
//
// Font handles and their glyph caches, the default font and text drawing. Each character is
// rasterised once into a cell of the font's cache (a texture page drawn by the 3-D device, or a
// memory image copied pixel by pixel by software) and drawn from there afterwards.
#pragma once
#include <cstdint>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/color_data.h"
#include "engine/graphics/image/mem_img.h"

namespace plat { struct GlyphFont; }

constexpr int FONT_TABLE_SIZE = 40;
constexpr int FONT_HANDLE_KIND = 0x2000;
constexpr int FONT_GLYPH_SLOTS = 2025;
constexpr int FONT_CACHE_MAX = 2024;
constexpr int FONT_CODE_MAP_SIZE = 65536;
constexpr int TEXT_BUFFER_CHARS = 256;     // characters one CacheStringGlyphs call splits at most
constexpr int FONT_FACE_NAME_SIZE = 256;

enum : int32_t { FONT_TYPE_EDGE = 1, FONT_TYPE_ANTIALIAS = 2 };

struct FontCodeMapEntry;

struct GlyphCacheEntry {
  uint16_t used;
  int16_t offsetX;
  int16_t offsetY;             // ascent minus glyph origin y
  int16_t advance;
  int32_t cell;                // -1 ends the list
  int16_t width, height;
  FontCodeMapEntry* codeLink;
};

struct FontCodeMapEntry {
  int32_t cached;
  GlyphCacheEntry* entry;
};

struct FontRecord {
  int32_t check;
  int32_t* lostFlag;
  GlyphCacheEntry slots[FONT_GLYPH_SLOTS];
  FontCodeMapEntry codeMap[FONT_CODE_MAP_SIZE];   // index: lead byte | trail byte << 8
  int32_t nextSlot;
  int32_t capacity;
  uint8_t* cachePixels;        // memory cache
  int32_t cachePitch;
  int32_t cacheBits;           // 1 or 8
  char faceName[FONT_FACE_NAME_SIZE];
  int32_t thickness;
  int32_t size;
  int32_t lineHeight;
  int32_t italic;
  int32_t spacing;
  int32_t cellSize;
  plat::GlyphFont* fontObject;
  int32_t type;                // FONT_TYPE_* bits
  int32_t charsetIndex;
  int32_t edgeSize;
  int32_t pageWidth, pageHeight;
  int32_t cellsPerColumn;
  int32_t drawSurface;         // memory cache: 2-D surface the software string draw composes in
  int32_t drawSurfaceLost;
  int32_t cacheGraph;          // texture cache
  int32_t edgeGraph;
  int32_t cacheGraphLost;
  ColorData workColorData;
  int32_t workWidth, workHeight, workPitch;
  uint8_t* workPixels;
  int32_t textureCache;
};

extern const int32_t FontCharsetTable[3];

// Handles and records.
int CreateFontToHandle(const char* faceName, int size, int thickness, int type, int charsetIndex, int edgeSize,
                       int italic, int slot, int check);
int DeleteFontHandle(int handle);
FontRecord* GetFontRecord(int handle);
int IsFontHandleValid(int handle);
int SetFontLostFlagPointer(int handle, int32_t* flag);
int SetFontSpacingToHandle(int spacing, int handle);
int GetFontStateToHandle(char* nameBuffer, int* size, int* thickness, int handle);
int GetFontSizeToHandle(int handle);
int GetDefaultFontHandle();
int ResetFontCache(int handle);
int SetupFontCacheGraph(int handle);
int InitializeFontSystem();
int RecreateAllFonts();
int GetFontCount();

// Glyph cache.
int IsDoubleByteLead(const uint8_t* p, int charsetIndex);
// Puts `count` characters (three bytes each: lead, trail or 0, 0) into the cache; the slot of the
// last one, or null.
GlyphCacheEntry* RasterizeGlyphs(int handle, int count, const uint8_t* characters);
// Splits up to TEXT_BUFFER_CHARS characters of the first `length` bytes (-1: all) of text into the
// buffer (the shared one when null) and caches the new ones. *count gets the number of characters,
// *bytes the bytes they took; a caller's buffer must hold TEXT_BUFFER_CHARS characters.
int CacheStringGlyphs(int handle, const char* text, int length, uint8_t* buffer, int* count, int* bytes = nullptr);
// The (2s+1)-square neighbourhood an edge of size s covers; reach(s, dx, dy) is 1 where it reaches.
int EdgeShapeReaches(int edgeSize, int dx, int dy);
// The corner of a cell in the cache page or image.
void FontCellCorner(const FontRecord* f, int cell, int* x, int* y);

// Default font and text drawing.
void ResetDefaultFontSettings();
void DeleteDefaultFont();
int UpdateDefaultFont();
int SetDefaultFontSize(int size);
int SetDefaultFontThickness(int thickness);
int SetDefaultFontName(const char* faceName, int charsetIndex);
int SetDefaultFontType(int type);
int SetDefaultFontSizeThickness(int ignored, int size, int thickness);
int DrawTextDefaultFont(int x, int y, const char* text, uint32_t color, uint32_t edgeColor);
int DrawTextWithFont(int x, int y, const char* text, uint32_t color, int font, uint32_t edgeColor, int vertical);
int DrawTextCore(int draw, int x, int y, int scaled, double rateX, double rateY, const char* text, uint32_t color,
                 MemImg* dest, const RectI* clip, int transparent, int font, uint32_t edgeColor, int length,
                 int vertical, int* sizeOut);

// The string back ends for a screen: by software and through the 3-D device.
int DrawStringSoftware(int x, int y, const char* text, uint32_t color, int font, uint32_t edgeColor, int vertical);
int DrawStringDispatch3D(int x, int y, const char* text, uint32_t color, int font, uint32_t edgeColor,
                         int vertical);
