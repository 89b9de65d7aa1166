// Shared by the draw routines of play: the game's maths (wrapping 32-bit arithmetic, the
// single-precision trigonometric terms), sprites placed by their corner or their centre, and the
// current actor's own sprite entry that the label routines turn into something else.
#pragma once
#include <cstdint>

#include "game/framework/drawlist.h"
#include "game/framework/game_math.h"

// A sprite by its top-left corner.
inline void DrawCorner(int x, int y, int layer, uint32_t sprite) { AddDrawSprite(x, y, layer, sprite); }
// A sprite by its centre, scaled and turned: the entry.
inline int DrawCentred(int x, int y, int layer, uint32_t sprite, int scale = 1000, int angle = 0) {
  return AddDrawSpriteRot(x, y, layer, sprite, scale, angle);
}

// DrawActorSprite's entry: the index, or -1 when the display list is full.
int AddCurActorSpriteEntry();
