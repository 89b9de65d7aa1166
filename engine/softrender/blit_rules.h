// Per-pixel blend rules of the software blits, as small functors over one destination pixel. The
// loops (blit_loops.h) are instantiated once per rule, so an option fixed for a whole draw is a
// template argument, never a test per pixel.
//
// Every rule offers Plain (the pixel drawn without an alpha factor) and Alpha (with the source's
// alpha byte a); both return the new destination pixel from the old one D. s is the source pixel
// or palette entry, already in the destination's layout; w is the blend-image weight. 32-bit
// channel rules keep the destination's fourth byte.
#pragma once
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace softblit {

// Factor rows taken from the lookup tables once per draw.
struct Factors {
  const uint32_t* pP;        // P[p]
  const uint32_t* pB;        // P[draw-bright blue]
  const uint32_t* pG;        // P[draw-bright green]
  const uint32_t* pR;        // P[draw-bright red]
  const int32_t* nP;         // N[p], indexed -255..255
  const uint8_t* lP;         // L[p >> 2] as [m][n], 64 x 64
  const uint8_t* weight;     // W
  int32_t p;
};

struct Px32 {
  using Pix = uint32_t;
  static constexpr int kBytes = 4;
};
struct Px16 {
  using Pix = uint16_t;
  static constexpr int kBytes = 2;
};

// Floor of x / 2^k for a signed x (arithmetic shift).
inline int32_t Asr(int32_t x, int k) { return x >> k; }
inline int32_t Asr64(int64_t x, int k) { return (int32_t)(x >> k); }

// Channel split and join. 32-bit: blue, green, red bytes; 16-bit: blue 5, green 6, red 5 bits.
template <class Px> struct Ch;
template <> struct Ch<Px32> {
  static constexpr int kBitsB = 8, kBitsG = 8, kBitsR = 8;
  static uint32_t B(uint32_t v) { return v & 0xFF; }
  static uint32_t G(uint32_t v) { return (v >> 8) & 0xFF; }
  static uint32_t R(uint32_t v) { return (v >> 16) & 0xFF; }
  static uint32_t Join(uint32_t d, uint32_t b, uint32_t g, uint32_t r) {
    return (d & 0xFF000000u) | (r << 16) | (g << 8) | b;
  }
};
template <> struct Ch<Px16> {
  static constexpr int kBitsB = 5, kBitsG = 6, kBitsR = 5;
  static uint32_t B(uint32_t v) { return v & 0x1F; }
  static uint32_t G(uint32_t v) { return (v >> 5) & 0x3F; }
  static uint32_t R(uint32_t v) { return (v >> 11) & 0x1F; }
  static uint32_t Join(uint32_t, uint32_t b, uint32_t g, uint32_t r) { return (r << 11) | (g << 5) | b; }
};

// t = the source channels after the draw bright.
template <class Px, bool Tint> struct Tinted {
  uint32_t b, g, r;
  Tinted(const Factors& f, uint32_t s) {
    b = Ch<Px>::B(s);
    g = Ch<Px>::G(s);
    r = Ch<Px>::R(s);
    if constexpr (Tint) {
      b = f.pB[b];
      g = f.pG[g];
      r = f.pR[r];
    } else {
      (void)f;
    }
  }
};

// Apply per channel: c = fn(t, d).
template <class Px, bool Tint, class Fn>
inline uint32_t ForChannels(const Factors& f, uint32_t dv, uint32_t s, Fn fn) {
  Tinted<Px, Tint> t(f, s);
  return Ch<Px>::Join(dv, fn(t.b, Ch<Px>::B(dv)), fn(t.g, Ch<Px>::G(dv)), fn(t.r, Ch<Px>::R(dv)));
}

// ---- word rules for add and subtract ----

inline uint32_t AddMasked32(uint32_t D, uint32_t U) {
  uint32_t sum = (D & 0xFEFEFFu) + (U & 0xFEFEFFu);
  uint32_t carries = sum & 0x1010100u;
  return sum | (carries - (carries >> 8)) | ((D | U) & 0x10100u);
}
inline uint32_t AddMaskedFull32(uint32_t D, uint32_t S) {
  uint32_t sum = (D & 0xFEFEFFu) + (S & 0xFEFEFFu);
  uint32_t carries = sum & 0x1010100u;
  return sum | (carries - (carries >> 8));
}
inline uint32_t SubMasked32(uint32_t D, uint32_t U) {
  uint32_t diff = (D | 0x1010100u) - (U & 0xFEFEFEFFu);
  uint32_t keep = diff & 0x1010100u;
  return diff & (keep - (keep >> 8));
}
// Exact per-byte saturation on all four bytes at once: the low seven bits of each byte are summed
// apart, so the top bit's carry (or borrow) can be rebuilt and turned into a byte mask.
inline uint32_t AddSat32(uint32_t D, uint32_t S) {
  const uint32_t H = 0x80808080u;
  uint32_t t = (D & ~H) + (S & ~H);
  uint32_t sum = t ^ ((D ^ S) & H);
  uint32_t carry = ((D & S) | ((D | S) & t)) & H;
  return sum | ((carry >> 7) * 0xFF);
}
inline uint32_t SubSat32(uint32_t D, uint32_t S) {
  const uint32_t H = 0x80808080u;
  uint32_t t = (D | H) - (S & ~H);
  uint32_t diff = t ^ ((D ^ ~S) & H);
  uint32_t borrow = ((~D & S) | ((~D | S) & ~t)) & H;
  return diff & ~((borrow >> 7) * 0xFF);
}
inline uint32_t AddOne16(uint32_t D, uint32_t U) {
  uint32_t sum = (D & 0xF7DFu) + (U & 0xF7DFu);
  uint32_t carries = sum & 0x10820u;
  return (sum | (carries - (carries >> 5)) | ((D | U) & 0x0820u)) & 0xFFFFu;
}
inline uint32_t AddOneFull16(uint32_t D, uint32_t S) {
  uint32_t sum = (S & 0xF7DFu) + (D & 0xF7DFu);
  uint32_t carries = sum & 0x10820u;
  return (sum | (carries - (carries >> 5))) & 0xFFFFu;
}
inline uint32_t SubOne16(uint32_t D, uint32_t U) {
  uint32_t diff = (D | 0x08210820u) - (U & 0xF7DFu);
  uint32_t keep = diff & 0x08210820u;
  return diff & (keep - (keep >> 5)) & 0xFFFFu;
}
// Two adjacent 16-bit pixels as one word, first pixel in the low half.
inline uint32_t AddPair16(uint32_t D, uint32_t S) {
  uint64_t sum = (uint64_t)(S & 0xF7DEF7DFu) + (D & 0xF7DEF7DFu);
  uint32_t k = (uint32_t)(sum >> 32);
  uint32_t lo = (uint32_t)sum;
  uint32_t carries = lo & 0x08210820u;
  return lo | (carries - ((carries >> 5) | (k << 27)));
}
inline uint32_t SubPair16(uint32_t D, uint32_t S) {
  uint32_t a = D | 0x08210820u, b = S & 0xF7DEF7DFu;
  uint32_t diff = a - b;
  uint32_t e = a < b ? 0u : 0xF8000000u;
  uint32_t keep = diff & 0x08210820u;
  return diff & ((keep - (keep >> 5)) | e);
}

// ---- mode 0: none ----
template <class Px, bool Tint, bool Blend> struct RuleNone {
  using Pix = typename Px::Pix;
  static constexpr bool kBlend = Blend;
  static constexpr bool kDrawsAlphaZero = false;
  static constexpr bool kCopy = !Tint && !Blend;
  static uint32_t Plain(const Factors& f, uint32_t D, uint32_t s, uint32_t w) {
    if constexpr (!Tint && !Blend) {
      (void)f, (void)w;
      return s;
    } else if constexpr (!Blend) {
      (void)w;
      return ForChannels<Px, Tint>(f, D, s, [](uint32_t t, uint32_t) { return t; });
    } else {
      return ForChannels<Px, Tint>(f, D, s, [w](uint32_t t, uint32_t dc) {
        return (uint32_t)((int32_t)dc + Asr(((int32_t)t - (int32_t)dc) * (int32_t)w, 8));
      });
    }
  }
  static uint32_t Alpha(const Factors& f, uint32_t D, uint32_t s, uint32_t w, uint32_t a) {
    if constexpr (!Blend) {
      (void)w;
      return ForChannels<Px, Tint>(f, D, s, [a](uint32_t t, uint32_t dc) {
        return (uint32_t)((int32_t)dc + Asr(((int32_t)t - (int32_t)dc) * (int32_t)a, 8));
      });
    } else {
      return ForChannels<Px, Tint>(f, D, s, [w, a](uint32_t t, uint32_t dc) {
        return (uint32_t)((int32_t)dc + Asr(((int32_t)t - (int32_t)dc) * (int32_t)(w * a), 16));
      });
    }
  }
};

// ---- mode 1: alpha, parameter 1-254 ----
template <class Px, bool Tint, bool Blend> struct RuleAlpha {
  using Pix = typename Px::Pix;
  static constexpr bool kBlend = Blend;
  static constexpr bool kDrawsAlphaZero = false;
  static constexpr bool kCopy = false;
  static uint32_t Plain(const Factors& f, uint32_t D, uint32_t s, uint32_t w) {
    const int32_t p = f.p;
    if constexpr (!Blend) {
      (void)w;
      if constexpr (Px::kBytes == 4 && !Tint) {
        // d + floor((s - d) p / 256) = floor((d (256 - p) + s p) / 256): never negative, so blue
        // and red share one multiply in 16-bit lanes.
        const uint32_t q = 256u - (uint32_t)p;
        uint32_t rb = (((D & 0xFF00FFu) * q + (s & 0xFF00FFu) * (uint32_t)p) >> 8) & 0xFF00FFu;
        uint32_t g = ((((D >> 8) & 0xFFu) * q + ((s >> 8) & 0xFFu) * (uint32_t)p) >> 8) & 0xFFu;
        return (D & 0xFF000000u) | rb | (g << 8);
      } else if constexpr (Px::kBytes == 4) {
        return ForChannels<Px, Tint>(f, D, s, [p](uint32_t t, uint32_t dc) {
          return (uint32_t)((int32_t)dc + Asr(((int32_t)t - (int32_t)dc) * p, 8));
        });
      } else {
        const int32_t* n = f.nP;
        return ForChannels<Px, Tint>(f, D, s, [n](uint32_t t, uint32_t dc) {
          return (uint32_t)((int32_t)dc + n[(int32_t)t - (int32_t)dc]);
        });
      }
    } else {
      const int32_t wp = (int32_t)w * p;
      return ForChannels<Px, Tint>(f, D, s, [wp](uint32_t t, uint32_t dc) {
        return (uint32_t)((int32_t)dc + Asr(((int32_t)t - (int32_t)dc) * wp, 16));
      });
    }
  }
  static uint32_t Alpha(const Factors& f, uint32_t D, uint32_t s, uint32_t w, uint32_t a) {
    const int32_t p = f.p;
    if constexpr (!Blend) {
      (void)w;
      const int32_t ap = (int32_t)a * p;
      return ForChannels<Px, Tint>(f, D, s, [ap](uint32_t t, uint32_t dc) {
        return (uint32_t)((int32_t)dc + Asr(((int32_t)t - (int32_t)dc) * ap, 16));
      });
    } else {
      const int64_t wap = (int64_t)w * a * p;
      return ForChannels<Px, Tint>(f, D, s, [wap](uint32_t t, uint32_t dc) {
        return (uint32_t)((int32_t)dc + Asr64(((int64_t)t - (int64_t)dc) * wap, 24));
      });
    }
  }
};

// 16-bit alpha through the 64-level table (1:1 per-pixel loops, untinted, no blend image).
struct RuleAlphaL16 {
  using Pix = uint16_t;
  static constexpr bool kBlend = false;
  static constexpr bool kDrawsAlphaZero = false;
  static constexpr bool kCopy = false;
  static uint32_t Plain(const Factors& f, uint32_t D, uint32_t s, uint32_t) {
    const uint8_t* l = f.lP;
    return ForChannels<Px16, false>(f, D, s, [l](uint32_t t, uint32_t dc) { return (uint32_t)l[t * 64 + dc]; });
  }
  static uint32_t Alpha(const Factors&, uint32_t D, uint32_t, uint32_t, uint32_t) { return D; }
};

// Alpha at parameter 128 as a half sum of whole words.
template <class Px> struct RuleHalf {
  using Pix = typename Px::Pix;
  static constexpr bool kBlend = false;
  static constexpr bool kDrawsAlphaZero = false;
  static constexpr bool kCopy = false;
  static uint32_t Plain(const Factors&, uint32_t D, uint32_t s, uint32_t) {
    if constexpr (Px::kBytes == 4)
      return ((s >> 1) & 0x7F7F7Fu) + ((D >> 1) & 0x7F7F7Fu);
    else
      return ((s >> 1) & 0x7BEFu) + ((D >> 1) & 0x7BEFu);
  }
  static uint32_t Alpha(const Factors&, uint32_t D, uint32_t, uint32_t, uint32_t) { return D; }
};

// ---- modes 2 and 3: the source term u, packed as a pixel ----
template <class Px, bool Tint, bool Blend> struct Term {
  static uint32_t Plain(const Factors& f, uint32_t s, uint32_t w) {
    Tinted<Px, Tint> t(f, s);
    const uint32_t* pp = f.pP;
    if constexpr (!Blend) {
      (void)w;
      return Ch<Px>::Join(0, pp[t.b], pp[t.g], pp[t.r]);
    } else if constexpr (Px::kBytes == 4) {
      uint32_t wp = w * (uint32_t)f.p;
      return Ch<Px>::Join(0, (t.b * wp) >> 16, (t.g * wp) >> 16, (t.r * wp) >> 16);
    } else {
      return Ch<Px>::Join(0, pp[(t.b * w) >> 8], pp[(t.g * w) >> 8], pp[(t.r * w) >> 8]);
    }
  }
  static uint32_t Alpha(const Factors& f, uint32_t s, uint32_t w, uint32_t a) {
    Tinted<Px, Tint> t(f, s);
    const uint32_t* pp = f.pP;
    if constexpr (Px::kBytes == 4) {
      if constexpr (!Blend) {
        (void)w;
        uint32_t ap = a * (uint32_t)f.p;
        return Ch<Px>::Join(0, (t.b * ap) >> 16, (t.g * ap) >> 16, (t.r * ap) >> 16);
      } else {
        uint64_t wap = (uint64_t)w * a * (uint32_t)f.p;
        return Ch<Px>::Join(0, (uint32_t)((t.b * wap) >> 24), (uint32_t)((t.g * wap) >> 24),
                            (uint32_t)((t.r * wap) >> 24));
      }
    } else {
      if constexpr (!Blend) {
        (void)w;
        return Ch<Px>::Join(0, pp[(t.b * a) >> 8], pp[(t.g * a) >> 8], pp[(t.r * a) >> 8]);
      } else {
        uint32_t wa = w * a;
        return Ch<Px>::Join(0, pp[(t.b * wa) >> 16], pp[(t.g * wa) >> 16], pp[(t.r * wa) >> 16]);
      }
    }
  }
};

template <class Px, bool Tint, bool Blend> struct RuleAdd {
  using Pix = typename Px::Pix;
  static constexpr bool kBlend = Blend;
  static constexpr bool kDrawsAlphaZero = false;
  static constexpr bool kCopy = false;
  static uint32_t Combine(uint32_t D, uint32_t U) {
    if constexpr (Px::kBytes == 4) return AddMasked32(D, U);
    else return AddOne16(D, U);
  }
  static uint32_t Plain(const Factors& f, uint32_t D, uint32_t s, uint32_t w) {
    return Combine(D, Term<Px, Tint, Blend>::Plain(f, s, w));
  }
  static uint32_t Alpha(const Factors& f, uint32_t D, uint32_t s, uint32_t w, uint32_t a) {
    return Combine(D, Term<Px, Tint, Blend>::Alpha(f, s, w, a));
  }
};

template <class Px, bool Tint, bool Blend> struct RuleSub {
  using Pix = typename Px::Pix;
  static constexpr bool kBlend = Blend;
  static constexpr bool kDrawsAlphaZero = false;
  static constexpr bool kCopy = false;
  static uint32_t Combine(uint32_t D, uint32_t U) {
    if constexpr (Px::kBytes == 4) return SubMasked32(D, U);
    else return SubOne16(D, U);
  }
  static uint32_t Plain(const Factors& f, uint32_t D, uint32_t s, uint32_t w) {
    return Combine(D, Term<Px, Tint, Blend>::Plain(f, s, w));
  }
  static uint32_t Alpha(const Factors& f, uint32_t D, uint32_t s, uint32_t w, uint32_t a) {
    return Combine(D, Term<Px, Tint, Blend>::Alpha(f, s, w, a));
  }
};

// Full strength (parameter 255, untinted, no blend image, no source alpha): u = s.
enum FullKind { kAddMasked32, kAddSat32, kSubMasked32, kSubSat32, kSubOne16 };
template <int K> struct RuleFull {
  using Pix = std::conditional_t<K == kSubOne16, uint16_t, uint32_t>;
  static constexpr bool kBlend = false;
  static constexpr bool kDrawsAlphaZero = false;
  static constexpr bool kCopy = false;
  static uint32_t Plain(const Factors&, uint32_t D, uint32_t s, uint32_t) {
    if constexpr (K == kAddMasked32) return AddMaskedFull32(D, s);
    else if constexpr (K == kAddSat32) return AddSat32(D, s);
    else if constexpr (K == kSubMasked32) return SubMasked32(D, s);
    else if constexpr (K == kSubSat32) return SubSat32(D, s);
    else return SubOne16(D, s);
  }
  static uint32_t Alpha(const Factors&, uint32_t D, uint32_t, uint32_t, uint32_t) { return D; }
};

// ---- mode 4: multiply (the parameter is not used) ----
template <class Px, bool Tint, bool Blend> struct RuleMul {
  using Pix = typename Px::Pix;
  static constexpr bool kBlend = Blend;
  // The 1:1 keyed loops draw an alpha-0 pixel through the alpha rule (it turns black).
  static constexpr bool kDrawsAlphaZero = true;
  static constexpr bool kCopy = false;
  template <int Extra>
  static uint32_t Apply(const Factors& f, uint32_t dv, uint32_t s, uint32_t m) {
    Tinted<Px, Tint> t(f, s);
    using C = Ch<Px>;
    uint32_t b = (uint32_t)(((uint64_t)C::B(dv) * t.b * m) >> (C::kBitsB + Extra));
    uint32_t g = (uint32_t)(((uint64_t)C::G(dv) * t.g * m) >> (C::kBitsG + Extra));
    uint32_t r = (uint32_t)(((uint64_t)C::R(dv) * t.r * m) >> (C::kBitsR + Extra));
    return C::Join(dv, b, g, r);
  }
  static uint32_t Plain(const Factors& f, uint32_t D, uint32_t s, uint32_t w) {
    if constexpr (!Blend) return Apply<0>(f, D, s, 1);
    else return Apply<8>(f, D, s, w);
  }
  static uint32_t Alpha(const Factors& f, uint32_t D, uint32_t s, uint32_t w, uint32_t a) {
    if constexpr (!Blend) return Apply<8>(f, D, s, a);
    else return Apply<16>(f, D, s, w * a);
  }
};

}  // namespace softblit
