// Helpers shared by the geometry rasterisers: fixed-point conversions, the clip rectangle, pixel
// access, and the constant-colour pixel rules of the box, the lines and the ovals.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>
#include "engine/base/str_helpers.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/mem_img.h"
#include "engine/softrender/geometry.h"

namespace softgeom {

constexpr int32_t kFixOne = 262144;    // 14.18: one pixel
constexpr int32_t kFixHalf = 131072;

// 14.18 to whole pixels, truncating toward zero.
inline int32_t FixToInt(int32_t v) { return (v < 0 ? v + 0x3FFFF : v) >> 18; }

// Wrapping 32-bit arithmetic, as the fixed-point set-up relies on.
inline int32_t WrapAdd(int32_t a, int32_t b) { return (int32_t)((uint32_t)a + (uint32_t)b); }
inline int32_t WrapSub(int32_t a, int32_t b) { return (int32_t)((uint32_t)a - (uint32_t)b); }
inline int32_t WrapMul(int32_t a, int32_t b) { return (int32_t)((uint32_t)a * (uint32_t)b); }
inline int32_t WrapShl18(int32_t a) { return (int32_t)((uint32_t)a << 18); }

// The argument is rounded to single precision first; a float converts to double exactly, so the
// range check and the truncation are those of the double.
inline int32_t TruncFloat(float v) { return TruncToIntIndefinite(v); }
// Sine and cosine together, each rounded to single precision.
inline void SinCosSingle(float angle, float* s, float* c) {
  *s = (float)std::sin((double)angle);
  *c = (float)std::cos((double)angle);
}

inline int32_t ClampParam(int32_t a) { return a < 0 ? 0 : (a > 255 ? 255 : a); }
inline bool IsTinted() { return (g_DrawState.drawBright & 0xFFFFFFu) != 0xFFFFFFu; }

// Bytes of one pixel as the image actually stores it.
inline int32_t PixelBytes(const MemImg* img) {
  if (img->paletteFlag) return 1;
  if (img->format == MEMIMG_FORMAT_RGB32) return 4;
  if (img->format == MEMIMG_FORMAT_RGB16) return img->alphaFlag == 1 ? 4 : 2;
  return img->format == MEMIMG_FORMAT_GRAY8 ? 1 : 2;
}

// The draw area, cut to the destination's own size. False when nothing can be drawn.
inline bool GetClipRect(const MemImg* dest, RectI* out) {
  *out = g_DrawState.drawArea;
  RectI whole = {0, 0, dest->width < 0 ? 0 : dest->width, dest->height < 0 ? 0 : dest->height};
  if (out->right < out->left) out->right = out->left;
  if (out->bottom < out->top) out->bottom = out->top;
  if (out->left < whole.left) out->left = whole.left;
  if (out->top < whole.top) out->top = whole.top;
  if (out->right > whole.right) out->right = whole.right;
  if (out->bottom > whole.bottom) out->bottom = whole.bottom;
  return out->left < out->right && out->top < out->bottom;
}

inline uint32_t Load32(const uint8_t* p) { uint32_t v; std::memcpy(&v, p, 4); return v; }
inline uint32_t Load16(const uint8_t* p) { uint16_t v; std::memcpy(&v, p, 2); return v; }
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline void Store16(uint8_t* p, uint32_t v) { uint16_t w = (uint16_t)v; std::memcpy(p, &w, 2); }

// ---- Constant-colour rules ----

enum ConstRuleKind { CONST_NONE = -1, CONST_FILL = 0, CONST_ALPHA, CONST_ADD, CONST_SUB, CONST_MUL };

inline int ChooseConstRule() {
  int32_t a = ClampParam(g_DrawState.blendParam);
  switch (g_DrawState.blendMode) {
    case BLEND_NONE: return CONST_FILL;
    case BLEND_ALPHA: return a == 255 ? CONST_FILL : (a == 0 ? CONST_NONE : CONST_ALPHA);
    case BLEND_ADD: return a == 0 ? CONST_NONE : CONST_ADD;
    case BLEND_SUB: return a == 0 ? CONST_NONE : CONST_SUB;
    case BLEND_MUL: return CONST_MUL;
    default: return CONST_NONE;
  }
}

// The colour tinted by the draw bright (divided by 256 on both formats).
inline uint32_t TintConstColour(uint32_t colour, int format) {
  if (!IsTinted()) return colour;
  uint32_t br = g_DrawState.drawBright;
  uint32_t bB = br & 0xFF, bG = (br >> 8) & 0xFF, bR = (br >> 16) & 0xFF;
  if (format == MEMIMG_FORMAT_RGB32) {
    uint32_t b = ((colour & 0xFF) * bB) >> 8, g = (((colour >> 8) & 0xFF) * bG) >> 8,
             r = (((colour >> 16) & 0xFF) * bR) >> 8;
    return (colour & 0xFF000000u) | (r << 16) | (g << 8) | b;
  }
  uint32_t R = (colour >> 11) & 31, G = (colour >> 5) & 63, B = colour & 31;
  return (((R * bR) >> 8) << 11) | (((G * bG) >> 8) << 5) | ((B * bB) >> 8);
}

// Everything a constant-colour rule needs, settled once per draw.
struct ConstColour {
  uint32_t c;        // tinted colour
  uint32_t x;        // add / subtract contribution, P[a] of each channel
  uint32_t a;
  const int32_t* signedRow;   // SignedProductTable row a, from its centre
};

inline ConstColour MakeConstColour(uint32_t tinted, int format) {
  ConstColour k;
  k.c = tinted;
  k.a = (uint32_t)ClampParam(g_DrawState.blendParam);
  const uint32_t* p = g_BlendTables.product[k.a];
  if (format == MEMIMG_FORMAT_RGB32) {
    k.x = (p[(tinted >> 16) & 0xFF] << 16) | (p[(tinted >> 8) & 0xFF] << 8) | p[tinted & 0xFF];
  } else {
    k.x = (p[(tinted >> 11) & 31] << 11) | (p[(tinted >> 5) & 63] << 5) | p[tinted & 31];
  }
  k.signedRow = &g_BlendTables.signedProduct[k.a][255];
  return k;
}

template <int Fmt, int Rule>
inline void ApplyConst(uint8_t* p, const ConstColour& k) {
  if constexpr (Fmt == MEMIMG_FORMAT_RGB32) {
    if constexpr (Rule == CONST_FILL) {
      Store32(p, k.c);
    } else {
      uint32_t d = Load32(p);
      if constexpr (Rule == CONST_ADD) {
        Store32(p, AddRgb32Saturating(d, k.x));
      } else if constexpr (Rule == CONST_SUB) {
        Store32(p, SubRgb32Saturating(d, k.x));
      } else {
        uint32_t out = d & 0xFF000000u;
        for (int sh = 0; sh < 24; sh += 8) {
          uint32_t dc = (d >> sh) & 0xFF, cc = (k.c >> sh) & 0xFF;
          uint32_t v = Rule == CONST_ALPHA ? (cc * k.a + dc * (256 - k.a)) >> 8 : (dc * cc) >> 8;
          out |= v << sh;
        }
        Store32(p, out);
      }
    }
  } else {
    if constexpr (Rule == CONST_FILL) {
      Store16(p, k.c);
    } else {
      uint32_t d = Load16(p);
      if constexpr (Rule == CONST_ADD) {
        Store16(p, AddRgb565Saturating(d, k.x));
      } else if constexpr (Rule == CONST_SUB) {
        Store16(p, SubRgb565Saturating(d, k.x));
      } else {
        int32_t dR = (int32_t)(d >> 11), dG = (int32_t)((d >> 5) & 63), dB = (int32_t)(d & 31);
        int32_t cR = (int32_t)((k.c >> 11) & 31), cG = (int32_t)((k.c >> 5) & 63), cB = (int32_t)(k.c & 31);
        if constexpr (Rule == CONST_ALPHA) {
          dR += k.signedRow[cR - dR];
          dG += k.signedRow[cG - dG];
          dB += k.signedRow[cB - dB];
        } else {
          dR = (dR * cR) >> 5;
          dG = (dG * cG) >> 6;
          dB = (dB * cB) >> 5;
        }
        Store16(p, ((uint32_t)dR << 11) | ((uint32_t)dG << 5) | (uint32_t)dB);
      }
    }
  }
}

// Calls f.template operator()<Fmt, Rule>() with the rule and format fixed at compile time.
template <class F>
inline void DispatchConst(int format, int rule, F&& f) {
  if (format == MEMIMG_FORMAT_RGB32) {
    switch (rule) {
      case CONST_FILL: f.template operator()<1, CONST_FILL>(); break;
      case CONST_ALPHA: f.template operator()<1, CONST_ALPHA>(); break;
      case CONST_ADD: f.template operator()<1, CONST_ADD>(); break;
      case CONST_SUB: f.template operator()<1, CONST_SUB>(); break;
      case CONST_MUL: f.template operator()<1, CONST_MUL>(); break;
      default: break;
    }
  } else if (format == MEMIMG_FORMAT_RGB16) {
    switch (rule) {
      case CONST_FILL: f.template operator()<0, CONST_FILL>(); break;
      case CONST_ALPHA: f.template operator()<0, CONST_ALPHA>(); break;
      case CONST_ADD: f.template operator()<0, CONST_ADD>(); break;
      case CONST_SUB: f.template operator()<0, CONST_SUB>(); break;
      case CONST_MUL: f.template operator()<0, CONST_MUL>(); break;
      default: break;
    }
  }
}

}  // namespace softgeom
