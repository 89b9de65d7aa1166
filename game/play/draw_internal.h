// Shared by the draw routines of play: the wrapping 32-bit arithmetic (from the game's maths), the
// single-precision trigonometric terms, and the current actor's own sprite entry that the label
// routines turn into something else.
#pragma once
#include <cstdint>

#include "game/framework/game_math.h"

// trunc(sin(float(n) x pi / d) x f) and the cosine, the angle taken in single precision.
int SinTerm(int32_t n, float d, int f);
int CosTerm(int32_t n, float d, int f);

// DrawActorSprite's entry: the index, or -1 when the display list is full.
int AddCurActorSpriteEntry();
