// The per-pixel rules that the textured triangle and the rotated blit share: one rule per
// destination format, source kind, blend mode, blend image, tint, source alpha and transparent
// flag, each a compile-time specialisation so that a scan tests per pixel only what its rule needs.
// The two scans are templated on the rule and pick it once per draw through PickTexelScan.
#pragma once
#include <cstdint>
#include <vector>
#include "engine/softrender/blit_vector.h"
#include "engine/softrender/geometry_internal.h"

namespace softgeom {

// Values fixed for the whole draw.
struct TexelContext {
  const uint32_t* tintR;      // ProductTable rows of the draw bright's bytes
  const uint32_t* tintG;
  const uint32_t* tintB;
  const uint32_t* prodP;      // ProductTable row of the blend parameter
  const int32_t* signedP;     // SignedProductTable row of the blend parameter, from its centre
  uint32_t p;                 // blend parameter
  uint32_t key;               // source's transparent colour (a palette index for paletted sources)
  const uint32_t* palette;    // source's palette: one 32-bit slot per entry, a 16-bit word in the low half for 16-bit images
  const uint8_t* weights;     // BlendWeightTable
  uint32_t bright;            // draw bright, for the vector kernels
};

inline TexelContext MakeTexelContext(const MemImg* src) {
  TexelContext k;
  uint32_t br = g_DrawState.drawBright;
  k.tintB = g_BlendTables.product[br & 0xFF];
  k.tintG = g_BlendTables.product[(br >> 8) & 0xFF];
  k.tintR = g_BlendTables.product[(br >> 16) & 0xFF];
  k.p = (uint32_t)ClampParam(g_DrawState.blendParam);
  k.prodP = g_BlendTables.product[k.p];
  k.signedP = &g_BlendTables.signedProduct[k.p][255];
  k.key = src->transparentColor;
  k.palette = src->palettePtr;
  k.weights = g_BlendWeightTable;
  k.bright = br;
  return k;
}

// Mode whose rules a draw runs, after the parameter shortcuts; -1 draws nothing. A subtract of
// parameter 0 is still drawn from a paletted source.
inline int ChooseTexelMode(bool paletted) {
  int32_t p = ClampParam(g_DrawState.blendParam);
  switch (g_DrawState.blendMode) {
    case BLEND_NONE: return 0;
    case BLEND_ALPHA: return p == 255 ? 0 : (p == 0 ? -1 : 1);
    case BLEND_ADD: return p == 0 ? -1 : 2;
    case BLEND_SUB: return p == 0 && !paletted ? -1 : 3;
    case BLEND_MUL: return 4;
    default: return -1;
  }
}

template <int Fmt, bool Pal, int Mode, bool Blend, bool Tint, bool Alpha, bool Trans>
struct TexelRule {
  static constexpr int32_t kTexelBytes = Pal ? 1 : (Fmt == MEMIMG_FORMAT_RGB32 ? 4 : (Alpha ? 4 : 2));
  static constexpr int32_t kDestBytes = Fmt == MEMIMG_FORMAT_RGB32 ? 4 : 2;
  static constexpr int kFmt = Fmt, kMode = Mode;
  static constexpr bool kPal = Pal, kBlend = Blend, kTint = Tint, kAlpha = Alpha, kTrans = Trans;

  static inline void Apply(const TexelContext& k, const uint8_t* t, const uint8_t* blendByte, uint8_t* dp) {
    if constexpr (Fmt == MEMIMG_FORMAT_RGB32)
      Apply32(k, t, blendByte, dp);
    else
      Apply16(k, t, blendByte, dp);
  }

  // mix(k, n): interpolation toward s by k / 2^n, without a negative term.
  static inline uint32_t Mix(uint32_t s, uint32_t d, uint32_t f, int n) {
    return (s * f + d * ((1u << n) - f)) >> n;
  }

  static inline void Apply32(const TexelContext& k, const uint8_t* t, const uint8_t* blendByte, uint8_t* dp) {
    uint32_t s;
    uint32_t A = 255;
    bool useAlpha = false;
    if constexpr (Pal) {
      uint32_t idx = *t;
      if (Trans && idx == k.key) return;
      s = k.palette[idx];
    } else {
      s = Load32(t);
      if constexpr (Alpha) {
        A = s >> 24;
        if constexpr (Trans) {
          if (Mode != 4 && A == 0) return;
          useAlpha = A != 255;
        } else {
          useAlpha = true;
        }
      } else if constexpr (Trans) {
        if (s == k.key) return;
      }
    }
    uint32_t S[3] = {s & 0xFF, (s >> 8) & 0xFF, (s >> 16) & 0xFF};   // blue, green, red
    if constexpr (Tint) {
      S[0] = k.tintB[S[0]];
      S[1] = k.tintG[S[1]];
      S[2] = k.tintR[S[2]];
    }
    uint32_t w = 0;
    if constexpr (Blend) w = k.weights[*blendByte];

    if constexpr (Mode == 0) {
      if (!Blend && !useAlpha) {
        if constexpr (!Tint) {
          Store32(dp, s);
        } else {
          uint32_t d = Load32(dp);
          Store32(dp, (d & 0xFF000000u) | (S[2] << 16) | (S[1] << 8) | S[0]);
        }
        return;
      }
    }
    uint32_t d = Load32(dp);
    uint32_t D[3] = {d & 0xFF, (d >> 8) & 0xFF, (d >> 16) & 0xFF};
    if constexpr (Mode == 2 || Mode == 3) {
      uint32_t X[3];
      for (int c = 0; c < 3; ++c) {
        if (Blend && useAlpha) X[c] = (S[c] * w * A * k.p) >> 24;
        else if (Blend) X[c] = (S[c] * w * k.p) >> 16;
        else if (useAlpha) X[c] = (S[c] * A * k.p) >> 16;
        else X[c] = k.prodP[S[c]];
      }
      uint32_t x = (X[2] << 16) | (X[1] << 8) | X[0];
      Store32(dp, Mode == 2 ? AddRgb32Saturating(d, x) : SubRgb32Saturating(d, x));
      return;
    }
    uint32_t out[3];
    for (int c = 0; c < 3; ++c) {
      if constexpr (Mode == 0) {
        out[c] = Blend && useAlpha ? Mix(S[c], D[c], w * A, 16)
                 : Blend           ? Mix(S[c], D[c], w, 8)
                                   : Mix(S[c], D[c], A, 8);
      } else if constexpr (Mode == 1) {
        out[c] = Blend && useAlpha ? Mix(S[c], D[c], w * A * k.p, 24)
                 : Blend           ? Mix(S[c], D[c], w * k.p, 16)
                 : useAlpha        ? Mix(S[c], D[c], A * k.p, 16)
                                   : Mix(S[c], D[c], k.p, 8);
      } else {
        out[c] = Blend && useAlpha ? (S[c] * w * A * D[c]) >> 24
                 : Blend           ? (S[c] * w * D[c]) >> 16
                 : useAlpha        ? (S[c] * A * D[c]) >> 16
                                   : (S[c] * D[c]) >> 8;
      }
    }
    Store32(dp, (d & 0xFF000000u) | (out[2] << 16) | (out[1] << 8) | out[0]);
  }

  static inline void Apply16(const TexelContext& k, const uint8_t* t, const uint8_t* blendByte, uint8_t* dp) {
    uint32_t s;
    uint32_t A = 255;
    bool useAlpha = false;
    if constexpr (Pal) {
      uint32_t idx = *t;
      if (Trans && idx == k.key) return;
      s = k.palette[idx] & 0xFFFFu;
    } else {
      s = Load16(t);
      if constexpr (Alpha) {
        A = t[2];
        if constexpr (Trans) {
          if (Mode != 4 && A == 0) return;
          useAlpha = A != 255;
        } else {
          useAlpha = true;
        }
      } else if constexpr (Trans) {
        if (s == k.key) return;
      }
    }
    // Field values red, green, blue and their widths.
    const uint32_t raw[3] = {s >> 11, (s >> 5) & 63, s & 31};
    constexpr int n[3] = {5, 6, 5};
    uint32_t T[3] = {raw[0], raw[1], raw[2]};
    if constexpr (Tint) {
      T[0] = k.tintR[raw[0]];
      T[1] = k.tintG[raw[1]];
      T[2] = k.tintB[raw[2]];
    }
    uint32_t w = 0;
    if constexpr (Blend) w = k.weights[*blendByte];

    if constexpr (Mode == 0) {
      if (!Blend && !useAlpha) {
        Store16(dp, Tint ? (T[0] << 11) | (T[1] << 5) | T[2] : s);
        return;
      }
    }
    uint32_t d = Load16(dp);
    const uint32_t D[3] = {d >> 11, (d >> 5) & 63, d & 31};
    if constexpr (Mode == 2 || Mode == 3) {
      uint32_t C[3];
      for (int c = 0; c < 3; ++c) {
        if (Blend && useAlpha) C[c] = k.prodP[(T[c] * A * w) >> 16];
        else if (Blend) C[c] = k.prodP[(T[c] * w) >> 8];
        else if (useAlpha && Tint) {
          // Without a blend image the alpha scales the raw field before the tint.
          const uint32_t* row = c == 0 ? k.tintR : (c == 1 ? k.tintG : k.tintB);
          C[c] = k.prodP[row[(raw[c] * A) >> 8]];
        } else if (useAlpha) C[c] = k.prodP[(T[c] * A) >> 8];
        else C[c] = k.prodP[T[c]];
      }
      uint32_t x = (C[0] << 11) | (C[1] << 5) | C[2];
      Store16(dp, Mode == 2 ? AddRgb565Saturating(d, x) : SubRgb565Saturating(d, x));
      return;
    }
    uint32_t out[3];
    for (int c = 0; c < 3; ++c) {
      if constexpr (Mode == 0) {
        out[c] = Blend && useAlpha ? Mix(T[c], D[c], A * w, 16)
                 : Blend           ? Mix(T[c], D[c], w, 8)
                                   : Mix(T[c], D[c], A, 8);
      } else if constexpr (Mode == 1) {
        if (!Blend && !useAlpha) {
          out[c] = (uint32_t)((int32_t)D[c] + k.signedP[(int32_t)T[c] - (int32_t)D[c]]);
        } else {
          out[c] = Blend && useAlpha ? Mix(T[c], D[c], A * w * k.p, 24)
                   : Blend           ? Mix(T[c], D[c], w * k.p, 16)
                                     : Mix(T[c], D[c], A * k.p, 16);
        }
      } else {
        out[c] = Blend && useAlpha ? (T[c] * D[c] * A * w) >> (n[c] + 16)
                 : Blend           ? (T[c] * D[c] * w) >> (n[c] + 8)
                 : useAlpha        ? (T[c] * D[c] * A) >> (n[c] + 8)
                                   : (T[c] * D[c]) >> n[c];
      }
    }
    Store16(dp, (out[0] << 11) | (out[1] << 5) | out[2]);
  }
};

// ---- vector kernels for the rules the image blits share ----

// The blit kernel kind whose rule is this texel rule's, or -1. Direct sources without a blend
// image: the copy (keyed), the tinted copy, alpha, add and subtract, and mode 0 of a 32-bit
// source with an alpha channel. The untinted unkeyed copy is a plain copy and needs none.
template <class Rule> constexpr int TexelKernelKind() {
  constexpr bool b32 = Rule::kFmt == MEMIMG_FORMAT_RGB32;
  if constexpr (Rule::kPal || Rule::kBlend) return -1;
  else if constexpr (Rule::kAlpha) return b32 && Rule::kMode == 0 ? softblit::kKSrcAlpha32 : -1;
  else if constexpr (Rule::kMode == 0)
    return Rule::kTint ? (b32 ? softblit::kKTint32 : softblit::kKTint16) : (Rule::kTrans ? (b32 ? softblit::kKCopy32 : softblit::kKCopy16) : -1);
  else if constexpr (Rule::kMode == 1) return b32 ? softblit::kKAlpha32 : softblit::kKAlphaN16;
  else if constexpr (Rule::kMode == 2) return b32 ? softblit::kKAdd32 : softblit::kKAdd16;
  else if constexpr (Rule::kMode == 3) return b32 ? softblit::kKSub32 : softblit::kKSub16;
  else return -1;
}

// A scan's vector drawing, chosen once per draw. It serves mappings that step one texel along a
// source row per pixel (upright, unscaled), whose runs are read in place; a turned or scaled
// mapping pays more for fetching its texels one by one than the kernels save, and keeps the
// per-pixel loop.
struct TexelVector {
  softblit::KernelFn fn = nullptr;
  softblit::KernelArgs args{};
  int texelBytes = 4;

  template <class Rule> void Init(const TexelContext& k, uint32_t dU, uint32_t dV) {
    constexpr int kind = TexelKernelKind<Rule>();
    if constexpr (kind >= 0) {
      if (dU != (uint32_t)kFixOne || dV != 0) return;
      // A 16-bit key above 0xFFFF matches no texel: the unkeyed kernel draws the same.
      const bool keyed = Rule::kTrans && (Rule::kFmt == MEMIMG_FORMAT_RGB32 || k.key <= 0xFFFFu);
      if (!keyed && kind == (Rule::kFmt == MEMIMG_FORMAT_RGB32 ? softblit::kKCopy32 : softblit::kKCopy16)) return;
      fn = softblit::ActiveKernel(softblit::KernelId(kind, Rule::kTint, keyed));
      args.key = k.key;
      args.p = k.p;
      args.bright = k.bright;
      args.h = 1;
      texelBytes = Rule::kTexelBytes;
    } else {
      (void)k, (void)dU, (void)dV;
    }
  }

  // n pixels from dp, pixel i showing texel (U + i, V) in 14.18 when inside the limits; rowOf(v)
  // is the start of source row v. The pixels inside form one run: U only grows (or wraps once past
  // the limit), V stays.
  template <class RowOf>
  void Span(uint8_t* dp, int32_t destBytes, int32_t n, uint32_t U, uint32_t V, uint32_t uLimit, uint32_t vLimit,
            RowOf rowOf) {
    if (V >= vLimit) return;
    int32_t i = 0;
    while (i < n) {
      while (i < n && U >= uLimit) ++i, U += (uint32_t)kFixOne;
      int32_t m = 0;
      const uint32_t start = U;
      while (i + m < n && U < uLimit) ++m, U += (uint32_t)kFixOne;
      if (m == 0) return;
      args.src = rowOf(V >> 18) + (intptr_t)(start >> 18) * texelBytes;
      args.dst = dp + (intptr_t)i * destBytes;
      args.w = m;
      fn(args);
      i += m;
    }
  }
};

// ---- choice of the scan specialisation, once per draw ----

template <class Scanner>
using TexelScanFn = void (*)(const typename Scanner::Params&);

template <class Sc, int F, bool P, int M, bool B, bool T, bool A, bool Tr>
void RunTexelScan(const typename Sc::Params& params) {
  Sc::template Run<TexelRule<F, P, M, B, T, A, Tr>>(params);
}

template <class Sc, int F, bool P, int M, bool B, bool T, bool A>
TexelScanFn<Sc> PickTrans(bool trans) {
  return trans ? &RunTexelScan<Sc, F, P, M, B, T, A, true> : &RunTexelScan<Sc, F, P, M, B, T, A, false>;
}
template <class Sc, int F, bool P, int M, bool B, bool T>
TexelScanFn<Sc> PickAlpha(bool alpha, bool trans) {
  if constexpr (P) {
    (void)alpha;
    return PickTrans<Sc, F, P, M, B, T, false>(trans);
  } else {
    return alpha ? PickTrans<Sc, F, P, M, B, T, true>(trans) : PickTrans<Sc, F, P, M, B, T, false>(trans);
  }
}
template <class Sc, int F, bool P, int M>
TexelScanFn<Sc> PickOptions(bool blend, bool tint, bool alpha, bool trans) {
  if (blend)
    return tint ? PickAlpha<Sc, F, P, M, true, true>(alpha, trans) : PickAlpha<Sc, F, P, M, true, false>(alpha, trans);
  return tint ? PickAlpha<Sc, F, P, M, false, true>(alpha, trans) : PickAlpha<Sc, F, P, M, false, false>(alpha, trans);
}
template <class Sc, int F, bool P>
TexelScanFn<Sc> PickMode(int mode, bool blend, bool tint, bool alpha, bool trans) {
  switch (mode) {
    case 0: return PickOptions<Sc, F, P, 0>(blend, tint, alpha, trans);
    case 1: return PickOptions<Sc, F, P, 1>(blend, tint, alpha, trans);
    case 2: return PickOptions<Sc, F, P, 2>(blend, tint, alpha, trans);
    case 3: return PickOptions<Sc, F, P, 3>(blend, tint, alpha, trans);
    case 4: return PickOptions<Sc, F, P, 4>(blend, tint, alpha, trans);
    default: return nullptr;
  }
}

// The scan for this draw, or null when nothing is to be drawn. Reads the draw state.
template <class Sc>
TexelScanFn<Sc> PickTexelScan(const MemImg* src, int32_t transparent, const MemImg* blendImage) {
  bool pal = src->paletteFlag != 0;
  int mode = ChooseTexelMode(pal);
  if (mode < 0) return nullptr;
  bool blend = blendImage != nullptr, tint = IsTinted(), alpha = src->alphaFlag == 1, trans = transparent != 0;
  if (src->format == MEMIMG_FORMAT_RGB32)
    return pal ? PickMode<Sc, 1, true>(mode, blend, tint, alpha, trans)
               : PickMode<Sc, 1, false>(mode, blend, tint, alpha, trans);
  if (src->format == MEMIMG_FORMAT_RGB16)
    return pal ? PickMode<Sc, 0, true>(mode, blend, tint, alpha, trans)
               : PickMode<Sc, 0, false>(mode, blend, tint, alpha, trans);
  return nullptr;
}

// Refusals shared by the textured triangle and the rotated blit.
inline bool TexelDrawAllowed(const MemImg* dest, const MemImg* src, const MemImg* blendImage) {
  if (dest == nullptr || src == nullptr || dest->pixels == nullptr || src->pixels == nullptr) return false;
  if (src->format != dest->format || dest->paletteFlag || dest->alphaFlag) return false;
  if (src->paletteFlag && src->palettePtr == nullptr) return false;
  // The blend image is read at texel coordinates: it must cover the whole source.
  if (blendImage != nullptr &&
      (blendImage->pixels == nullptr || blendImage->width < src->width || blendImage->height < src->height))
    return false;
  return true;
}

// Texel limits in 14.18, kept within 32 bits for sources of 16384 or more pixels.
inline uint32_t TexelLimit(int32_t size) {
  if (size <= 0) return 0;
  uint64_t lim = (uint64_t)(uint32_t)size << 18;
  return lim > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)lim;
}

}  // namespace softgeom
