// Temporary: three rows of the sprite layout until the shared layout lands.
#pragma once
#include <cstdint>

constexpr int kSpriteSheetCount = 10;
constexpr int kSpriteCutRows = 3;
constexpr int kSpriteAnimRows = 3;
constexpr int32_t kSpriteCutExact = 0x40000000;
constexpr int32_t kSpriteCutIndexMask = 0x3FFFFFFF;

struct SpriteCutRow {
  int32_t sheet, index, x, y, width, height;
};
extern const SpriteCutRow (&SpriteCutTable)[kSpriteCutRows + 1];

struct SpriteAnimRow {
  int32_t index, next, period;
};
extern const SpriteAnimRow (&SpriteAnimTable)[kSpriteAnimRows + 1];

constexpr int kSpriteDefaultX = 4, kSpriteDefaultY = 932, kSpriteDefaultSize = 8;
constexpr int kGlyphFirstSprite = 512;
constexpr int kGlyphRows = 3, kGlyphColumns = 16, kGlyphSize = 14;
constexpr int GlyphCellX(int column) { return 16 * column + 1; }
constexpr int GlyphCellY(int row) { return 945 + 16 * row; }
constexpr int kBulletGridFirstSprite = 1536;
constexpr int kBulletGridSize = 16, kBulletCellSize = 30;
constexpr int BulletCellX(int column) { return 32 * column + 513; }
constexpr int BulletCellY(int row) { return 32 * row + 1; }
