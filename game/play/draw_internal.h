// Shared by the draw routines of play: the game's maths (wrapping 32-bit arithmetic, the
// single-precision trigonometric terms), and the current actor's own sprite entry that the label
// routines turn into something else.
#pragma once
#include <cstdint>

#include "game/framework/game_math.h"

// DrawActorSprite's entry: the index, or -1 when the display list is full.
int AddCurActorSpriteEntry();
