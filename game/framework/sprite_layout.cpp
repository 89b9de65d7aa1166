// The sprite layout: series of sprites by family, each with its sheet, size and picture, packed
// onto the sheets when the program is compiled. The cut table and the paint table are two views
// of the same rows, so the game and the data tool cannot disagree about a sprite.
#include "game/framework/sprite_layout.h"

#include <algorithm>

namespace {

enum : uint32_t {
  kHud = 0x9FE8FF,       // status labels and captions
  kWarn = 0xFF5030,
  kEffect = 0xFFB040,    // sparks, particles, explosions
  kPlayer1 = 0x50A8FF,
  kPlayer2 = 0xB080FF,
  kShot = 0xFFF080,
  kEnemy = 0xE05050,
  kBoss = 0xD050C0,
  kSpare = 0x808080,
};

// A run of consecutive sprite ids of one size and one kind of picture.
struct Series {
  int32_t first, count, sheet, width, height;
  bool exact;
  SpriteArt art;
  uint32_t colour;
  int32_t param;
  const char* text;
  int32_t fixedX, fixedY;   // -1: placed by the packer
};

constexpr Series S(int32_t first, int32_t count, int32_t sheet, int32_t w, int32_t h, SpriteArt art,
                   uint32_t colour, int32_t param = 0, const char* text = "", bool exact = false) {
  return Series{first, count, sheet, w, h, exact, art, colour, param, text, -1, -1};
}
constexpr Series Fixed(int32_t first, int32_t sheet, int32_t x, int32_t y, int32_t w, int32_t h, bool exact,
                       SpriteArt art, uint32_t colour, int32_t param = 0, const char* text = "") {
  return Series{first, 1, sheet, w, h, exact, art, colour, param, text, x, y};
}
constexpr Series Spare(int32_t first, int32_t count, int32_t sheet, int32_t w, int32_t h, bool exact = false) {
  return Series{first, count, sheet, w, h, exact, SpriteArt::Spare, kSpare, 0, "", -1, -1};
}

using A = SpriteArt;

// Text lists ("a|b|c") give each sprite of a series its own caption, in order.
constexpr Series kSeries[] = {
    // Cells of the loader's own rules' neighbourhood on sheet 1: the empty sprite, the frame-rate
    // caption and the white square.
    Fixed(0, 1, kSpriteDefaultX, kSpriteDefaultY, 0, 0, true, A::Empty, 0),
    Fixed(1, 1, 184, 928, 24, 16, false, A::Caption, 0xFFFF80, 0, "FPS"),
    Fixed(2, 1, 36, 932, 8, 8, true, A::Solid, 0xFFFFFF),

    // Status display, captions and signs (sheet 1).
    S(128, 1, 1, 44, 16, A::Caption, kHud, 0, "SCORE"),
    S(129, 1, 1, 36, 16, A::Caption, kHud, 0, "AREA"),
    S(130, 1, 1, 10, 10, A::Solid, 0xFF4040),
    S(131, 1, 1, 10, 10, A::Solid, 0x4080FF),
    S(132, 1, 1, 10, 10, A::Solid, 0x80FFFF),
    S(133, 1, 1, 10, 10, A::Solid, 0xFFE040),
    S(134, 1, 1, 48, 48, A::Glow, 0x80C0FF, kShapeRing),
    S(135, 1, 1, 64, 64, A::Glow, 0xFFA040, kShapeCircle),
    S(136, 1, 1, 32, 32, A::Glow, 0x80C0FF, kShapeCircle),
    S(138, 1, 1, 48, 16, A::Caption, kHud, 0, "  BOSS"),
    S(139, 1, 1, 318, 32, A::Caption, 0x60C0FF, 0, ">> PHASE START >>", true),
    S(140, 1, 1, 318, 32, A::Caption, 0xFF6040, 0, "!! WARNING !!", true),
    S(142, 1, 1, 64, 32, A::Caption, kWarn, 0, "DOWN"),
    S(145, 1, 1, 96, 96, A::Glow, 0x60FFFF, kShapeHexagon),
    S(147, 1, 1, 64, 64, A::Glow, 0xFFFFC0, kShapeStar),
    S(149, 1, 1, 8, 16, A::Point, 0xFFFFFF),
    S(150, 1, 1, 92, 16, A::Caption, kHud, 0, "PHASE LV"),
    S(151, 1, 1, 36, 16, A::Caption, kHud, 0, "MANA"),
    S(152, 2, 1, 114, 16, A::Caption, kHud, 0, "|"),
    S(154, 1, 1, 60, 16, A::Caption, kHud, 0, "GRAZE"),
    S(155, 1, 1, 16, 16, A::Caption, kHud, 0, "GEM"),
    S(156, 4, 1, 42, 12, A::Caption, 0xFFE0A0, 0, "LIFE|ITEM|BOMB|ITEM"),
    S(160, 1, 1, 68, 24, A::Caption, 0xFFE040, 0, "WARNING"),
    S(187, 1, 1, 96, 28, A::Caption, kWarn, 0, "OVERHEAT"),
    S(189, 1, 1, 42, 10, A::Caption, kHud, 0, "MANA"),
    S(190, 1, 1, 42, 10, A::Caption, kHud, 0, "SPEED"),

    // The second digit set of the hit chain, its caption, the figures of cancelled bullets,
    // the weapon icons of the preview panel and small sparks (sheet 1).
    S(576, 10, 1, 16, 32, A::Figure, 0xFFD040, 0, "0|1|2|3|4|5|6|7|8|9"),
    S(586, 1, 1, 48, 20, A::Caption, 0xFFD040, 0, "HITS"),
    S(587, 15, 1, 32, 32, A::Figure, 0xFFFFFF, 0,
      "x2|x3|x4|x5|x6|x7|x8|x9|x10|x11|x12|x13|x14|x15|x16"),
    S(602, 4, 1, 32, 32, A::Caption, 0xFFE080, 0, "5WAY|TWIN|RAY|TORP"),
    S(606, 4, 1, 32, 32, A::Caption, 0x80E0FF, 0, "SHIFT|DEVC|SWORD|SPIKE"),
    S(610, 4, 1, 32, 32, A::Caption, 0xFF90C0, 0, "RAIN|OVDRV|STAR|CROSS"),
    S(614, 3, 1, 32, 32, A::Caption, 0xFFE080, 0, "SHOT|TORP|BOMB"),
    Spare(617, 3, 1, 32, 32),
    S(620, 8, 1, 10, 10, A::Shape, kEffect, kShapeCircle),

    // Effect chains (sheet 1).
    S(768, 4, 1, 32, 32, A::Shape, 0xFFFF60, kShapeStar),
    S(772, 8, 1, 16, 16, A::Shape, 0xC0E0FF, kShapeDiamond),
    S(780, 8, 1, 16, 16, A::Shape, 0xA0A0A0, kShapeShard),
    S(788, 4, 1, 64, 64, A::Shape, 0xFF8030, kShapeCircle),
    S(792, 4, 1, 32, 32, A::Shape, 0x909090, kShapeCircle),
    S(796, 8, 1, 32, 32, A::Shape, kEffect, kShapeRing),
    S(804, 4, 1, 24, 24, A::Shape, 0xB08050, kShapeShard),
    S(808, 4, 1, 24, 24, A::Shape, 0x60FFFF, kShapeStar),
    S(896, 8, 1, 24, 24, A::Shape, kEffect, kShapeCircle),
    S(904, 8, 1, 24, 24, A::Shape, 0xFF70D0, kShapeDiamond),

    // First character (sheet 1).
    S(1024, 4, 1, 56, 40, A::Shape, kPlayer1, kShapeHexagon),
    S(1028, 4, 1, 40, 40, A::Shape, kPlayer1, kShapeBox),
    S(1032, 6, 1, 44, 16, A::Shape, 0x90B8E0, kShapeCapsule),
    Spare(1038, 6, 1, 32, 32),
    S(1044, 1, 1, 28, 28, A::Shape, 0x3070C0, kShapeBox),
    S(1045, 1, 1, 96, 96, A::Shape, 0xFF8080, kShapeStar),
    Spare(1046, 6, 1, 32, 32),
    S(1052, 1, 1, 32, 32, A::Glow, 0xFFFFA0, kShapeStar),
    Spare(1053, 3, 1, 32, 32),
    // Second character.
    S(1056, 4, 1, 56, 40, A::Shape, kPlayer2, kShapeHexagon),
    S(1060, 4, 1, 40, 40, A::Shape, kPlayer2, kShapeBox),
    S(1064, 2, 1, 48, 16, A::Shape, 0xC8B0E8, kShapeCapsule),
    S(1066, 1, 1, 44, 16, A::Shape, 0xC8B0E8, kShapeCapsule),
    S(1067, 1, 1, 56, 16, A::Shape, 0xC8B0E8, kShapeCapsule),
    Spare(1068, 2, 1, 32, 32),
    S(1070, 2, 1, 44, 16, A::Shape, 0xC8B0E8, kShapeCapsule),
    Spare(1072, 3, 1, 32, 32),
    S(1075, 1, 1, 44, 16, A::Shape, 0xC8B0E8, kShapeCapsule),
    S(1076, 1, 1, 28, 28, A::Shape, 0x7050B0, kShapeBox),
    S(1077, 1, 1, 96, 96, A::Shape, 0xFF80C0, kShapeStar),
    S(1078, 2, 1, 64, 24, A::Shape, 0xE0C0FF, kShapeTriangle),
    S(1080, 2, 1, 32, 24, A::Shape, 0xC8B0E8, kShapeBox),
    S(1082, 1, 1, 40, 12, A::Shape, 0xC8B0E8, kShapeCapsule),
    S(1083, 1, 1, 12, 12, A::Shape, kPlayer2, kShapeCircle),
    S(1084, 1, 1, 16, 16, A::Shape, kPlayer2, kShapeDiamond),
    S(1085, 1, 1, 32, 24, A::Shape, kPlayer2, kShapeTriangle),
    S(1086, 4, 1, 32, 32, A::Shape, kPlayer2, kShapeGear),
    S(1090, 1, 1, 28, 28, A::Shape, 0x7050B0, kShapeHexagon),
    Spare(1091, 11, 1, 32, 32),
    // The enemies' trail.
    S(1147, 1, 1, 32, 32, A::Glow, 0xFF9040, kShapeCircle),
    // Shots, bombs and devices.
    S(1152, 2, 1, 32, 16, A::Shape, kShot, kShapeCapsule),
    S(1154, 1, 1, 10, 14, A::Shape, 0xD0A040, kShapeCapsule),
    S(1155, 1, 1, 40, 16, A::Shape, 0xFF9040, kShapeCapsule),
    S(1156, 1, 1, 24, 12, A::Shape, 0xD0A040, kShapeCapsule),
    S(1157, 2, 1, 64, 48, A::Shape, 0xE0D070, kShapeBox),
    S(1159, 1, 1, 128, 64, A::Shape, 0xB0A060, kShapeCapsule),
    S(1160, 1, 1, 16, 8, A::Beam, 0xC0FFFF),
    S(1161, 4, 1, 32, 12, A::Shape, 0x80FFFF, kShapeCapsule),
    S(1165, 1, 1, 40, 40, A::Shape, 0xFF9040, kShapeCircle),
    S(1166, 1, 1, 128, 16, A::Beam, 0xFF6060),
    S(1167, 4, 1, 32, 32, A::Shape, 0xFFD060, kShapeGear),
    S(1171, 1, 1, 64, 32, A::Shape, 0xB0A060, kShapeBox),
    S(1172, 1, 1, 64, 64, A::Shape, 0xFF50A0, kShapeRing),
    S(1173, 1, 1, 32, 32, A::Glow, 0x80FFFF, kShapeCircle),
    S(1174, 1, 1, 32, 32, A::Beam, 0x80FFFF),
    // Items: the empty bomb slot, three gems, life, kind 5, bomb and its blink, play orders.
    S(1184, 1, 1, 26, 26, A::Shape, 0x909090, kShapeRing),
    S(1185, 1, 1, 26, 26, A::Shape, 0x40FFFF, kShapeDiamond),
    S(1186, 1, 1, 26, 26, A::Shape, 0xFFD040, kShapeDiamond),
    S(1187, 1, 1, 26, 26, A::Shape, 0xFF4060, kShapeDiamond),
    S(1188, 1, 1, 26, 26, A::Shape, 0xFF70B0, kShapeHeart),
    S(1189, 1, 1, 26, 26, A::Shape, 0xF0F0F0, kShapeHexagon),
    S(1190, 2, 1, 26, 26, A::Shape, 0xFF8020, kShapeCircle),
    S(1192, 8, 1, 34, 34, A::Shape, 0xFFD040, kShapeStar),
    S(1200, 8, 1, 34, 34, A::Shape, 0xD0D0E0, kShapeStar),
    S(1208, 8, 1, 34, 34, A::Shape, 0xD09050, kShapeStar),
    S(1216, 8, 1, 34, 34, A::Shape, 0xB070FF, kShapeStar),

    // Enemies: small parts on sheet 1.
    S(2073, 1, 1, 48, 48, A::Shape, 0xB03030, kShapeGear),
    S(2074, 4, 1, 32, 32, A::Shape, 0xFF7040, kShapeTriangle),
    S(2078, 2, 1, 64, 24, A::Shape, kEnemy, kShapeCapsule),
    S(2091, 1, 1, 64, 24, A::Shape, 0xFF6030, kShapeCapsule),
    S(2093, 1, 1, 48, 16, A::Shape, kEnemy, kShapeBox),
    S(2094, 2, 1, 32, 32, A::Shape, kBoss, kShapeDiamond),
    S(2115, 1, 1, 32, 32, A::Shape, kBoss, kShapeCircle),
    S(2116, 2, 1, 12, 12, A::Shape, kBoss, kShapeCircle),
    S(2118, 1, 1, 24, 24, A::Shape, kBoss, kShapeTriangle),
    S(2131, 1, 1, 12, 12, A::Shape, kBoss, kShapeCircle),
    S(2132, 1, 1, 16, 16, A::Shape, kBoss, kShapeDiamond),
    S(2138, 2, 1, 64, 16, A::Beam, 0xFFA060),
    S(2140, 2, 1, 48, 16, A::Shape, kBoss, kShapeCapsule),
    S(2161, 4, 1, 48, 48, A::Shape, 0xE07030, kShapeHexagon),
    S(2250, 1, 1, 48, 48, A::Shape, 0xFF4080, kShapeStar),
    Spare(2133, 4, 1, 32, 32),
    Spare(2147, 5, 1, 32, 32),
    Spare(2160, 1, 1, 32, 32),
    Spare(2168, 1, 1, 32, 32),
    Spare(2171, 12, 1, 32, 32),
    Spare(2198, 1, 1, 32, 32),
    Spare(2201, 1, 1, 32, 32),

    // Enemies and mid-bosses on sheet 2.
    S(2048, 24, 2, 64, 64, A::Arrow, kEnemy),
    S(2072, 1, 2, 64, 32, A::Shape, kEnemy, kShapeTriangle),
    S(2080, 4, 2, 112, 40, A::Shape, kEnemy, kShapeBox),
    S(2084, 4, 2, 128, 48, A::Shape, 0xC04040, kShapeCapsule),
    S(2088, 2, 2, 32, 48, A::Shape, 0xFFD060, kShapeStar),
    S(2092, 1, 2, 48, 64, A::Shape, kEnemy, kShapeHexagon),
    S(2104, 4, 2, 64, 64, A::Shape, kBoss, kShapeBox),
    S(2108, 4, 2, 64, 48, A::Shape, kBoss, kShapeHexagon),
    S(2112, 1, 2, 64, 32, A::Shape, kBoss, kShapeCapsule),
    S(2113, 1, 2, 32, 32, A::Shape, kBoss, kShapeBox),
    S(2114, 1, 2, 64, 40, A::Shape, 0xFF8040, kShapeCapsule),
    S(2119, 1, 2, 48, 32, A::Shape, kBoss, kShapeBox),
    S(2120, 4, 2, 64, 64, A::Shape, kBoss, kShapeHexagon),
    S(2127, 4, 2, 48, 32, A::Shape, kBoss, kShapeCapsule),
    S(2137, 1, 2, 64, 32, A::Shape, kBoss, kShapeBox),
    S(2142, 4, 2, 48, 64, A::Shape, kBoss, kShapeHexagon),
    S(2146, 1, 2, 48, 32, A::Shape, kBoss, kShapeBox),
    S(2158, 2, 2, 64, 32, A::Shape, kBoss, kShapeCapsule),
    S(2229, 4, 2, 64, 64, A::Shape, kEnemy, kShapeGear),
    S(148, 1, 2, 500, 16, A::Beam, 0xFFFFFF, 0, "", true),
    S(214, 4, 2, 96, 96, A::Screen, 0, 0, "", true),
    Spare(2183, 15, 2, 48, 48),
    Spare(2203, 26, 2, 48, 48),
    Spare(2233, 17, 2, 48, 48),
    Spare(2251, 122, 2, 48, 48),

    // Bosses' large parts (sheet 7).
    S(2202, 1, 7, 192, 192, A::Shape, kBoss, kShapeHexagon),
    S(2169, 2, 7, 128, 128, A::Shape, 0xE070D0, kShapeGear),
    S(2199, 2, 7, 64, 64, A::Shape, 0xE070D0, kShapeTriangle),
    S(2096, 4, 7, 96, 96, A::Shape, kBoss, kShapeHexagon),
    S(2100, 4, 7, 96, 96, A::Shape, 0xB060E0, kShapeGear),
    S(2156, 2, 7, 128, 64, A::Shape, kBoss, kShapeCapsule),
    S(2090, 1, 7, 160, 96, A::Shape, 0xC04060, kShapeCapsule),
    S(2165, 1, 7, 96, 96, A::Shape, 0xC04040, kShapeBox),
    S(2166, 1, 7, 64, 96, A::Shape, 0xC04040, kShapeBox),
    S(2167, 1, 7, 48, 64, A::Shape, 0xC04040, kShapeHexagon),
    S(2124, 3, 7, 96, 48, A::Shape, kBoss, kShapeCapsule),
    S(2152, 4, 7, 64, 64, A::Shape, kBoss, kShapeGear),

    // Screen pictures (sheet 0): the title and results backdrop taken whole, the opening, the
    // title, game over, the area titles, the side sign.
    Fixed(192, 0, 0, 0, 640, 480, true, A::Screen, 0),
    S(191, 1, 0, 512, 256, A::Screen, 0, 0, "", true),
    S(194, 1, 0, 256, 512, A::Screen, 0, 0, "", true),
    S(141, 1, 0, 336, 128, A::Picture, 0xC02020, 0, "GAME OVER", true),
    S(166, 8, 0, 380, 48, A::Caption, 0xFFE0A0, 0,
      "AREA 1|AREA 2|AREA 3|AREA 4|AREA 5|AREA 6|MISSION|AREA 8", true),
    // Narrow enough to stay left of every menu window that opens beside the title menu.
    S(193, 1, 0, 128, 40, A::Screen, 0, 0, "", true),
    S(195, 1, 0, 128, 128, A::Spare, kSpare, 0, "", true),

    // The large glow, two spare quarters and the shift aura (sheet 4, each a quarter).
    Fixed(161, 4, 0, 0, 512, 512, true, A::Glow, 0xFFF0C0, kShapeCircle),
    Fixed(162, 4, 512, 0, 512, 512, true, A::Spare, kSpare),
    Fixed(163, 4, 0, 512, 512, 512, true, A::Spare, kSpare),
    Fixed(164, 4, 512, 512, 512, 512, true, A::Glow, 0xFF60FF, kShapeGear),

    // Area pictures and the portraits (sheets 5 and 8).
    Fixed(7936, 5, 0, 0, 640, 256, true, A::Picture, 0x305070, kPictureTextLeft, "AREA 1\nTHE OUTER RIM"),
    Fixed(7937, 5, 0, 256, 640, 256, true, A::Picture, 0x703050, kPictureTextLeft, "AREA 2\nCRIMSON DRIFT"),
    Fixed(7938, 5, 0, 512, 640, 256, true, A::Picture, 0x507030, kPictureTextLeft, "AREA 3\nIRON GARDEN"),
    Fixed(7939, 5, 0, 768, 640, 256, true, A::Picture, 0x605080, kPictureTextLeft, "AREA 4\nTHE DEEP"),
    S(200, 2, 5, 380, 480, A::Screen, 0, 0, "", true),
    Fixed(7940, 8, 0, 0, 640, 256, true, A::Picture, 0x806030, kPictureTextLeft, "AREA 5\nLAST LIGHT"),
    Fixed(7941, 8, 0, 256, 640, 256, true, A::Picture, 0x802020, kPictureTextLeft, "AREA 6\nMISSION"),
    S(3110, 1, 8, 256, 256, A::Spare, kSpare, 0, "", true),

    // The second character's portrait parts and the title tile (sheet 9).
    S(208, 1, 9, 256, 160, A::Screen, 0, 0, "", true),
    S(209, 1, 9, 192, 128, A::Screen, 0, 0, "", true),
    S(210, 1, 9, 160, 128, A::Screen, 0, 0, "", true),
    S(211, 1, 9, 128, 96, A::Screen, 0, 0, "", true),
    S(212, 1, 9, 128, 208, A::Screen, 0, 0, "", true),
    S(213, 1, 9, 380, 176, A::Screen, 0, 0, "", true),
    S(3095, 1, 9, 128, 128, A::Screen, 0, 0, "", true),
    Spare(3111, 2, 9, 128, 128),

    // The first area's scenery (sheet 3).
    S(3073, 1, 3, 512, 512, A::Scenery, 0x506080, kSceneryTower, "", true),
    S(3076, 1, 3, 256, 256, A::Scenery, 0xC08050, kSceneryPlanet, "", true),
    S(3072, 1, 3, 256, 160, A::Scenery, 0x305038, kSceneryHills, "", true),
    S(3078, 1, 3, 128, 128, A::Scenery, 0x405070, kSceneryRidge, "", true),
    Spare(3074, 2, 3, 96, 96, true),
    Spare(3077, 1, 3, 96, 96, true),
    Spare(3079, 16, 3, 96, 96, true),
    Spare(3096, 7, 3, 96, 96, true),

    // The mission area's scenery (sheet 6).
    S(3108, 1, 6, 128, 256, A::Scenery, 0x304060, kSceneryColumns, "", true),
    S(3109, 1, 6, 128, 128, A::Scenery, 0x5070A0, kSceneryPanel, "", true),
    Spare(3103, 5, 6, 256, 256),
};

constexpr int Total() {
  int n = 0;
  for (const Series& s : kSeries) n += s.count;
  return n;
}
static_assert(Total() == kSpriteCutRows, "the layout lists exactly the rows of the cut table");

// Free areas of each sheet that the packer fills; sheet 1 keeps the loader's cells free (the
// bullet grid at the top right, the glyphs, the default and the white square at the bottom left).
struct Region {
  int32_t sheet, x, y, w, h;
};
constexpr Region kRegions[] = {
    {0, 641, 0, 383, 1024}, {0, 0, 481, 641, 543},
    {1, 0, 0, 512, 927}, {1, 512, 514, 512, 510}, {1, 256, 928, 256, 96}, {1, 0, 995, 256, 29},
    {1, 48, 928, 135, 16},
    {2, 0, 0, 1024, 1024}, {3, 0, 0, 1024, 1024}, {5, 641, 0, 383, 1024}, {6, 0, 0, 1024, 1024},
    {7, 0, 0, 1024, 1024}, {8, 641, 0, 383, 1024}, {8, 0, 513, 641, 511}, {9, 0, 0, 1024, 1024},
};
constexpr int kGap = 1;   // pixels between neighbouring rectangles

struct Built {
  SpriteCutRow cut[kSpriteCutRows + 1];
  SpriteArtRow art[kSpriteCutRows];
  bool packed;
};

constexpr Built Build() {
  Built b{};
  struct Item {
    int32_t row, sheet, w, h;
  };
  Item items[kSpriteCutRows]{};
  int n = 0;
  for (const Series& s : kSeries) {
    for (int k = 0; k < s.count; k++, n++) {
      b.cut[n] = SpriteCutRow{s.sheet, (s.first + k) | (s.exact ? kSpriteCutExact : 0), s.fixedX, s.fixedY,
                              s.width, s.height};
      b.art[n] = SpriteArtRow{s.first + k, s.art, k, s.count, s.colour, s.param, s.text};
      items[n] = Item{n, s.sheet, s.width, s.height};
    }
  }
  b.cut[kSpriteCutRows] = SpriteCutRow{-1, -1, -1, -1, -1, -1};
  // Tallest first within a sheet: shelves waste least that way.
  std::sort(items, items + n, [](const Item& l, const Item& r) {
    if (l.sheet != r.sheet) return l.sheet < r.sheet;
    if (l.h != r.h) return l.h > r.h;
    if (l.w != r.w) return l.w > r.w;
    return l.row < r.row;
  });
  constexpr int kRegionCount = sizeof kRegions / sizeof kRegions[0];
  int32_t cx[kRegionCount]{}, cy[kRegionCount]{}, shelf[kRegionCount]{};
  b.packed = true;
  for (int i = 0; i < n; i++) {
    SpriteCutRow& row = b.cut[items[i].row];
    if (row.x >= 0) continue;
    bool placed = false;
    for (int r = 0; r < kRegionCount && !placed; r++) {
      const Region& g = kRegions[r];
      if (g.sheet != row.sheet || row.width > g.w) continue;
      if (cx[r] + row.width > g.w) {   // a new shelf
        if (cy[r] + shelf[r] + kGap + row.height > g.h) continue;
        cy[r] += shelf[r] + kGap;
        cx[r] = 0;
        shelf[r] = 0;
      }
      if (cy[r] + row.height > g.h) continue;
      row.x = g.x + cx[r];
      row.y = g.y + cy[r];
      cx[r] += row.width + kGap;
      shelf[r] = std::max(shelf[r], row.height);
      placed = true;
    }
    if (!placed) b.packed = false;
  }
  return b;
}

constexpr Built kBuilt = Build();
static_assert(kBuilt.packed, "every sprite finds room on its sheet");

constexpr bool CountsHold() {
  constexpr int kPerSheet[kSpriteSheetCount] = {14, 338, 253, 30, 4, 6, 7, 26, 3, 9};
  int perSheet[kSpriteSheetCount]{};
  int exact = 0;
  bool seen[8192]{};
  for (int i = 0; i < kSpriteCutRows; i++) {
    const SpriteCutRow& r = kBuilt.cut[i];
    perSheet[r.sheet]++;
    if (r.index & kSpriteCutExact) exact++;
    int id = r.index & kSpriteCutIndexMask;
    if (seen[id]) return false;
    seen[id] = true;
  }
  for (int s = 0; s < kSpriteSheetCount; s++)
    if (perSheet[s] != kPerSheet[s]) return false;
  return exact == 75;
}
static_assert(CountsHold(), "rows per sheet, exact rows and unique indexes as the loader expects");

// The 18 chains: first frame, frame count, period, and whether the last frame leads back.
struct Chain {
  int32_t first, count, period;
  bool loops;
};
constexpr Chain kChains[] = {
    {896, 8, 4, false},  {904, 8, 4, false},  {1152, 2, 4, true},  {768, 4, 4, false},  {772, 8, 2, false},
    {2074, 4, 4, true},  {2161, 4, 4, true},  {2229, 4, 8, true},  {780, 8, 4, false},  {788, 4, 4, false},
    {792, 4, 4, false},  {796, 8, 2, false},  {1192, 8, 2, true},  {1200, 8, 4, true},  {1208, 8, 2, true},
    {804, 4, 4, false},  {1161, 4, 2, true},  {808, 4, 4, false},
};

struct BuiltAnim {
  SpriteAnimRow rows[kSpriteAnimRows + 1];
  int count;
};

constexpr BuiltAnim BuildAnim() {
  BuiltAnim a{};
  for (const Chain& c : kChains) {
    for (int k = 0; k < c.count; k++) {
      bool last = k == c.count - 1;
      int32_t next = !last ? c.first + k + 1 : c.loops ? c.first : 0;
      int32_t period = !last || c.loops ? c.period : 0x1FFFFFFF;
      if (a.count < kSpriteAnimRows) a.rows[a.count] = SpriteAnimRow{c.first + k, next, period};
      a.count++;
    }
  }
  a.rows[kSpriteAnimRows] = SpriteAnimRow{-1, -1, -1};
  return a;
}

constexpr BuiltAnim kAnim = BuildAnim();
static_assert(kAnim.count == kSpriteAnimRows, "the chains hold exactly the rows of the animation table");

}  // namespace

const SpriteCutRow (&SpriteCutTable)[kSpriteCutRows + 1] = kBuilt.cut;
const SpriteAnimRow (&SpriteAnimTable)[kSpriteAnimRows + 1] = kAnim.rows;
const SpriteArtRow (&SpriteArtTable)[kSpriteCutRows] = kBuilt.art;
