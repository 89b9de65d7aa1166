// Shared by the draw routines of play: wrapping 32-bit arithmetic for the colour and angle values
// that are defined on 32 bits, the single-precision trigonometric terms, and the current actor's
// own sprite entry that the label routines turn into something else.
#pragma once
#include <cstdint>

inline int32_t WrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
inline int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// trunc(sin(float(n) x pi / d) x f) and the cosine, the angle taken in single precision.
int SinTerm(int32_t n, float d, int f);
int CosTerm(int32_t n, float d, int f);

// DrawActorSprite's entry: the index, or -1 when the display list is full.
int AddCurActorSpriteEntry();
