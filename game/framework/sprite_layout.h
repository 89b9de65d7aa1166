// Where every sprite lies on the ten sprite sheets, shared by the game (which cuts the sprites at
// start-up) and tools/make-data (which paints the sheets), so that one sprite id always means one
// picture. Besides the cut table and the animation chains it holds, for every cut row, what the
// tool paints there.
#pragma once
#include <cstdint>

constexpr int kSpriteSheetCount = 10;
constexpr int kSpriteSheetSize = 1024;          // every sheet is 1024 x 1024
constexpr int kSpriteCutRows = 690;
constexpr int kSpriteAnimRows = 102;
constexpr int32_t kSpriteCutExact = 0x40000000; // column 1 bit 30: the rectangle is taken exactly
constexpr int32_t kSpriteCutIndexMask = 0x3FFFFFFF;

// One row of the cut table: sheet -1 ends the table. Without the exact bit the sprite is the
// rectangle shrunk by one pixel on every side.
struct SpriteCutRow {
  int32_t sheet, index, x, y, width, height;
};
extern const SpriteCutRow (&SpriteCutTable)[kSpriteCutRows + 1];

// Animation chains: index steps to next every period frames; an index below 0 ends the table.
struct SpriteAnimRow {
  int32_t index, next, period;
};
extern const SpriteAnimRow (&SpriteAnimTable)[kSpriteAnimRows + 1];

// Cells that the loader cuts by rule rather than by the table, all on sheet 1.
constexpr int kSpriteDefaultX = 4, kSpriteDefaultY = 932, kSpriteDefaultSize = 8;
constexpr int kGlyphFirstSprite = 512;          // codes 48-95: sprite 464 + code
constexpr int kGlyphFirstCode = 48;
constexpr int kGlyphRows = 3, kGlyphColumns = 16, kGlyphSize = 14;
constexpr int GlyphCellX(int column) { return 16 * column + 1; }
constexpr int GlyphCellY(int row) { return 945 + 16 * row; }
constexpr int kBulletGridFirstSprite = 1536;    // 16 x 16 cells, groups of four frames
constexpr int kBulletGridSize = 16, kBulletCellSize = 30;
constexpr int BulletCellX(int column) { return 32 * column + 513; }
constexpr int BulletCellY(int row) { return 32 * row + 1; }

// What the data tool paints for a cut row.
enum class SpriteArt : uint8_t {
  Empty,      // nothing (sprite 0)
  Caption,    // the text on a dark plate: labels, captions, signs
  Solid,      // one colour: bars that are stretched, the white square
  Shape,      // a shape of the family's colour; frames of a chain turn a marker
  Arrow,      // an arrow pointing 15 x (frame + 1) degrees clockwise from the right: headings
  Figure,     // a large figure or number (the chain digits, counts)
  Glow,       // rings of light for additive sprites
  Beam,       // a horizontal beam with a bright core
  Picture,    // a screen picture: framed, its text lines large
  Screen,     // a picture the tool draws by its sprite id: menu grounds, the opening and title
              // plates, the side sign, the portraits and their parts
  Scenery,    // a background piece, the kind in param (SpriteScenery)
  Spare,      // a picture that no screen of this edition draws: a grey plate with its id
  Point,      // a decimal point: a dot low at the left, so that it falls in the gap after a digit
};

enum SpriteShape : int32_t {
  kShapeCircle, kShapeRing, kShapeDiamond, kShapeBox, kShapeTriangle, kShapeStar, kShapeCross,
  kShapeHexagon, kShapeGear, kShapeCapsule, kShapeHeart, kShapeShard,
};

// Picture params: 90 turns the picture a quarter clockwise; kPictureTextLeft keeps the text in the
// left half (the area pictures, whose right half the intro card's portrait covers).
constexpr int32_t kPictureTextLeft = 1;

enum SpriteScenery : int32_t {
  kSceneryHills, kSceneryTower, kSceneryPlanet, kSceneryRidge, kSceneryColumns,
  kSceneryPanel,
};

struct SpriteArtRow {
  int32_t index;        // the sprite painted (the cut row's index without the exact bit)
  SpriteArt art;
  int32_t frame, frames;// place in its series; a chain's frames step visibly
  uint32_t colour;      // 0xRRGGBB; never pure green (0, 255, 0), the transparent colour
  int32_t param;        // shape, angle or scenery kind
  const char* text;     // captions and pictures: the text shown, lines split by '\n'
};
// Row i describes the picture of SpriteCutTable row i.
extern const SpriteArtRow (&SpriteArtTable)[kSpriteCutRows];
