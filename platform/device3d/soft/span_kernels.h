// The device's sprite span kernels, written once over a vector type V and compiled once per
// instruction set inside the including file's namespace (SPAN_KERNEL_NS).
//
// Pixels are worked as planes: one register of 16-bit lanes per channel. A product rounded as
// the device rounds it, round(a x b / 255) = (t + (t >> 8)) >> 8 with t = a x b + 128, is
// (t x 257) >> 16, one high multiply; t never passes 65153. The blends need no branch: alpha 0
// and 255 are exact cases of the sums.
#pragma once
#include <cstdint>

#include "platform/device3d/soft/span_vector.h"

#ifndef SPAN_KERNEL_NS
#error "define SPAN_KERNEL_NS before including span_kernels.h"
#endif

namespace plat::soft::SPAN_KERNEL_NS {

template <class V> using Reg = typename V::R;

template <class V> inline Reg<V> Mul255(Reg<V> a, Reg<V> b) {
  return V::MulhiU16(V::Add16(V::Mullo16(a, b), V::Set16(128)), V::Set16(257));
}
template <class V> inline Reg<V> Select(Reg<V> m, Reg<V> a, Reg<V> b) { return V::Or(V::And(m, a), V::AndNot(m, b)); }

template <class V> struct Chan {
  Reg<V> mask, mul, add;
  int shift, down, narrow;
  Chan() = default;
  explicit Chan(const Channel16& c)
      : mask(V::Set16((int16_t)c.mask)), mul(V::Set16((int16_t)c.mul)), add(V::Set16((int16_t)c.add)),
        shift(c.shift), down(c.down), narrow(c.narrow) {}
  Reg<V> Decode(Reg<V> v) const {
    return V::Srl16(V::Add16(V::Mullo16(V::And(V::Srl16(v, shift), mask), mul), add), down);
  }
  Reg<V> Encode(Reg<V> c) const { return V::Sll16(V::Srl16(c, narrow), shift); }
};

// Std: the texture is A4R4G4B4 and the target R5G6B5 (the engine's 16-bit screen), worked with
// the fields' places and widths written in.
template <class V, bool Mod, int ASrc, int Blend, bool Tex16, bool Tgt16, bool Std = false> struct SpanKernel {
  static constexpr int kPx = V::kBytes / 2;   // pixels per step: one register of 16-bit lanes
  Chan<V> tex[4], tgt[3];
  Reg<V> keyLo, keyHi, db, dg, dr, da, dBR, dGA, ref, mLt, mEq, mGt, noAlpha, order, order32, order16;
  bool keyOn, test, masked, texAlpha;
  static constexpr bool kPairs = !Tex16 && !Tgt16;
  const uint8_t *padLo, *padHi, *targetEnd;

  explicit SpanKernel(const SpanSetup& s)
      : keyOn(s.keyOn), test(s.alphaTest), masked(false), padLo(s.padLo), padHi(s.padHi), targetEnd(s.targetEnd) {
    // The pixel of each 16-bit lane: the lanes take 32-bit pixels as packing two registers orders them.
    alignas(32) int32_t seq[kPx];
    for (int i = 0; i < kPx; ++i) seq[i] = i;
    order = V::Packs32(V::Load(seq), V::Load(seq + kPx / 2));
    // The channel descriptions serve the general 16-bit forms only.
    constexpr bool kChans = (Tex16 || Tgt16) && !Std;
    if constexpr (kChans) {
      for (int k = 0; k < 4; ++k) tex[k] = Chan<V>(s.tex16[k]);
      for (int k = 0; k < 3; ++k) tgt[k] = Chan<V>(s.target16[k]);
    }
    if constexpr (Tex16) {
      // Compared as signed after flipping the top bit: an unsigned 16-bit range test.
      const uint32_t lo = s.keyLow, hi = s.keyHigh > 0xFFFF ? 0xFFFF : s.keyHigh;
      keyOn = keyOn && lo <= 0xFFFF && lo <= hi;
      keyLo = V::Set16((int16_t)(lo ^ 0x8000));
      keyHi = V::Set16((int16_t)(hi ^ 0x8000));
    } else {
      keyLo = V::Set32((int32_t)(s.keyLow ^ 0x80000000u));
      keyHi = V::Set32((int32_t)(s.keyHigh ^ 0x80000000u));
    }
    db = V::Set16((int16_t)(s.diffuse & 0xFF));
    dg = V::Set16((int16_t)((s.diffuse >> 8) & 0xFF));
    dr = V::Set16((int16_t)((s.diffuse >> 16) & 0xFF));
    da = V::Set16((int16_t)(s.diffuse >> 24));
    dBR = V::Set32((int32_t)((s.diffuse & 0xFF) | (s.diffuse & 0xFF0000)));
    // Green by the diffuse green when modulated, else by 255 (itself); alpha by the diffuse alpha
    // when both make it, else by 255.
    dGA = V::Set32((int32_t)((Mod ? (s.diffuse >> 8) & 0xFF : 0xFF) | (ASrc == 2 ? (s.diffuse >> 24) : 0xFF) << 16));
    order32 = V::Load(seq);   // 0, 1, 2, ...: the pixel of each 32-bit lane
    alignas(32) int16_t seq16[kPx];
    for (int i = 0; i < kPx; ++i) seq16[i] = (int16_t)i;
    order16 = V::Load(seq16);   // and of each 16-bit lane, in memory order
    ref = V::Set16((int16_t)s.alphaRef);
    const uint32_t f = s.alphaFunc;
    // Which of less, equal and greater pass; an unknown function passes everything.
    const bool lt = f == 2 || f == 4 || f == 6 || f < 1 || f > 8 || f == 8;
    const bool eq = f == 3 || f == 4 || f == 7 || f < 1 || f > 8 || f == 8;
    const bool gt = f == 5 || f == 6 || f == 7 || f < 1 || f > 8 || f == 8;
    mLt = V::Set16(lt ? -1 : 0);
    mEq = V::Set16(eq ? -1 : 0);
    mGt = V::Set16(gt ? -1 : 0);
    noAlpha = V::Set32(s.texAlpha ? 0 : (int32_t)0xFF000000u);
    texAlpha = s.texAlpha;
    masked = keyOn || test;
  }

  Reg<V> InRange32(Reg<V> v) const {
    const Reg<V> x = V::Xor(v, V::Set32((int32_t)0x80000000u));
    return V::AndNot(V::Or(V::Cmpgt32(keyLo, x), V::Cmpgt32(x, keyHi)), V::Set32(-1));
  }
  Reg<V> InRange16(Reg<V> v) const {
    const Reg<V> x = V::Xor(v, V::Set16((int16_t)0x8000));
    return V::AndNot(V::Or(V::Cmpgt16(keyLo, x), V::Cmpgt16(x, keyHi)), V::Set16(-1));
  }
  // Lanes whose alpha passes the alpha test.
  Reg<V> Passes(Reg<V> a) const {
    return V::Or(V::Or(V::And(V::Cmpgt16(ref, a), mLt), V::And(V::Cmpeq16(a, ref), mEq)), V::And(V::Cmpgt16(a, ref), mGt));
  }
  // The alpha of the blend, from the texels' alpha.
  Reg<V> AlphaOf(Reg<V> ta) const { return ASrc == 0 ? ta : (ASrc == 1 ? da : Mul255<V>(ta, da)); }
  // Texel colour by the diffuse colour where the stage modulates.
  void Modulate(Reg<V>& tb, Reg<V>& tg, Reg<V>& tr) const {
    if constexpr (Mod) {
      tb = Mul255<V>(tb, db);
      tg = Mul255<V>(tg, dg);
      tr = Mul255<V>(tr, dr);
    } else {
      (void)tb, (void)tg, (void)tr;
    }
  }
  // Channels t over p by alpha a (inv = 255 - a), as the blend states ask: source alpha with its
  // inverse, or source alpha and one, saturated. Blend 0 draws t and calls none.
  static Reg<V> Mix(Reg<V> t, Reg<V> p, Reg<V> a, Reg<V> inv) {
    if constexpr (Blend == 1) return V::Add16(Mul255<V>(t, a), Mul255<V>(p, inv));
    else return V::Min16(V::Add16(Mul255<V>(t, a), p), V::Set16(255));
  }

  // 32-bit texels onto a 32-bit target, a register of pixels at a time, the channels left where
  // the pixels hold them: blue and red in the two 16-bit halves of one register, green and alpha
  // (or the fourth byte) in those of another. The same products as the planes, with no packing;
  // the alpha half is worked along with green and dropped. `lanes`: pixels of this register.
  // kTexAlpha: the texels' fourth byte is their alpha (else alpha is 255).
  template <bool kTail, bool kMasked, bool kTexAlpha>
  void Pairs(const uint8_t* tp, uint8_t* dp, int lanes) const {
    const Reg<V> low = V::Set32(0x00FF00FF);
    const Reg<V> raw = V::Load(tp), t = kTexAlpha ? raw : V::Or(raw, noAlpha);
    Reg<V> keep = V::Set32(-1);
    if (kMasked && keyOn) keep = V::AndNot(InRange32(raw), keep);
    Reg<V> tBR = V::And(t, low), tGA = V::template Srli16<8>(t);
    if constexpr (Mod) {
      tBR = Mul255<V>(tBR, dBR);
      tGA = Mul255<V>(tGA, dGA);   // alpha by the diffuse alpha too where both make it
    } else if constexpr (ASrc == 2) {
      tGA = Mul255<V>(tGA, dGA);   // green by 255: itself
    }
    const Reg<V> a = ASrc == 1 ? da : V::SpreadUpper16(tGA);
    if (kMasked && test) {
      keep = V::And(keep, Passes(a));
    }
    const Reg<V> w = V::Load(dp);
    Reg<V> oBR = tBR, oGA = tGA;
    if constexpr (Blend != 0) {
      const Reg<V> inv = V::Sub16(V::Set16(255), a);
      oBR = Mix(tBR, V::And(w, low), a, inv);
      oGA = Mix(tGA, V::template Srli16<8>(w), a, inv);
    }
    const Reg<V> out = V::Or(oBR, V::And(V::template Slli16<8>(oGA), V::Set32(0xFF00)));
    if constexpr (kTail) keep = V::And(keep, V::Cmpgt32(V::Set32(lanes), order32));
    V::Store(dp, kMasked || kTail ? Select<V>(keep, out, w) : out);
  }

  // A4R4G4B4 texels onto R5G6B5 pixels, in memory order: the planes cut out with fixed shifts and
  // masks, widened as Chan widens them ((c x 17), (c x 527 + 23) >> 6, (c x 259 + 33) >> 6).
  template <bool kTail, bool kMasked>
  void Std16(const uint8_t* tp, uint8_t* dp, int lanes) const {
    const Reg<V> m15 = V::Set16(15), k17 = V::Set16(17);
    const Reg<V> v = V::Load(tp);
    Reg<V> keep = V::Set16(-1);
    if (kMasked && keyOn) keep = V::AndNot(InRange16(v), keep);
    Reg<V> tb = V::Mullo16(V::And(v, m15), k17);
    Reg<V> tg = V::Mullo16(V::And(V::template Srli16<4>(v), m15), k17);
    Reg<V> tr = V::Mullo16(V::And(V::template Srli16<8>(v), m15), k17);
    const Reg<V> ta = V::Mullo16(V::template Srli16<12>(v), k17);
    Modulate(tb, tg, tr);
    const Reg<V> a = AlphaOf(ta);
    if (kMasked && test) {
      keep = V::And(keep, Passes(a));
    }
    const Reg<V> w = V::Load(dp);
    Reg<V> ob = tb, og = tg, orr = tr;
    if constexpr (Blend != 0) {
      const Reg<V> w5 = V::Set16(527), a5 = V::Set16(23);
      const Reg<V> pb = V::template Srli16<6>(V::Add16(V::Mullo16(V::And(w, V::Set16(31)), w5), a5));
      const Reg<V> pg = V::template Srli16<6>(
          V::Add16(V::Mullo16(V::And(V::template Srli16<5>(w), V::Set16(63)), V::Set16(259)), V::Set16(33)));
      const Reg<V> pr = V::template Srli16<6>(V::Add16(V::Mullo16(V::template Srli16<11>(w), w5), a5));
      const Reg<V> inv = V::Sub16(V::Set16(255), a);
      ob = Mix(tb, pb, a, inv);
      og = Mix(tg, pg, a, inv);
      orr = Mix(tr, pr, a, inv);
    }
    // (b >> 3) | (g >> 2) << 5 | (r >> 3) << 11, each channel at most 255.
    const Reg<V> out = V::Or(V::Or(V::template Srli16<3>(ob), V::And(V::template Slli16<3>(og), V::Set16(0x07E0))),
                             V::And(V::template Slli16<8>(orr), V::Set16((int16_t)0xF800)));
    if constexpr (kTail) keep = V::And(keep, V::Cmpgt16(V::Set16((int16_t)lanes), order16));
    V::Store(dp, kMasked || kTail ? Select<V>(keep, out, w) : out);
  }

  // One step of kPx pixels; a tail step writes only its first `lanes` pixels. kMasked: a key or
  // an alpha test may leave pixels out (without, every pixel is written).
  template <bool kMasked, bool kTexAlpha, bool kTail = false>
  void Step(const uint8_t* tp, uint8_t* dp, int lanes = kPx) const {
    if constexpr (Std && Tex16 && Tgt16) {
      Std16<kTail, kMasked>(tp, dp, lanes);
      return;
    }
    if constexpr (kPairs) {
      Pairs<kTail, kMasked, kTexAlpha>(tp, dp, lanes);
      Pairs<kTail, kMasked, kTexAlpha>(tp + V::kBytes, dp + V::kBytes, lanes - kPx / 2);
      return;
    }
    Reg<V> tb, tg, tr, ta, keep = V::Set16(-1);
    if constexpr (Tex16) {
      const Reg<V> v = V::FixOrder16(V::Load(tp));
      if (kMasked && keyOn) keep = V::AndNot(InRange16(v), keep);
      tb = tex[0].Decode(v);
      tg = tex[1].Decode(v);
      tr = tex[2].Decode(v);
      ta = tex[3].Decode(v);
    } else {
      const Reg<V> v0 = V::Or(V::Load(tp), noAlpha), v1 = V::Or(V::Load(tp + V::kBytes), noAlpha);
      if (kMasked && keyOn) keep = V::AndNot(V::Packs32(InRange32(V::Load(tp)), InRange32(V::Load(tp + V::kBytes))), keep);
      const Reg<V> m = V::Set32(0xFF);
      tb = V::Packs32(V::And(v0, m), V::And(v1, m));
      tg = V::Packs32(V::And(V::template Srli32<8>(v0), m), V::And(V::template Srli32<8>(v1), m));
      tr = V::Packs32(V::And(V::template Srli32<16>(v0), m), V::And(V::template Srli32<16>(v1), m));
      ta = V::Packs32(V::template Srli32<24>(v0), V::template Srli32<24>(v1));
    }
    Modulate(tb, tg, tr);
    const Reg<V> a = AlphaOf(ta);
    if (kMasked && test) {
      keep = V::And(keep, Passes(a));
    }
    Reg<V> w, w0, w1, pb, pg, pr;
    if constexpr (Tgt16) {
      w = V::FixOrder16(V::Load(dp));
      if constexpr (Blend != 0) {
        pb = tgt[0].Decode(w);
        pg = tgt[1].Decode(w);
        pr = tgt[2].Decode(w);
      }
    } else {
      w0 = V::Load(dp);
      w1 = V::Load(dp + V::kBytes);
      if constexpr (Blend != 0) {
        const Reg<V> m = V::Set32(0xFF);
        pb = V::Packs32(V::And(w0, m), V::And(w1, m));
        pg = V::Packs32(V::And(V::template Srli32<8>(w0), m), V::And(V::template Srli32<8>(w1), m));
        pr = V::Packs32(V::And(V::template Srli32<16>(w0), m), V::And(V::template Srli32<16>(w1), m));
      }
    }
    Reg<V> ob = tb, og = tg, orr = tr;
    if constexpr (Blend != 0) {
      const Reg<V> inv = V::Sub16(V::Set16(255), a);
      ob = Mix(tb, pb, a, inv);
      og = Mix(tg, pg, a, inv);
      orr = Mix(tr, pr, a, inv);
    }
    // Without a key or an alpha test every pixel is written, but for a tail's pixels past its end.
    constexpr bool select = kMasked || kTail;
    if constexpr (kTail) keep = V::And(keep, V::Cmpgt16(V::Set16((int16_t)lanes), order));
    if constexpr (Tgt16) {
      const Reg<V> out = V::Or(V::Or(tgt[0].Encode(ob), tgt[1].Encode(og)), tgt[2].Encode(orr));
      V::Store(dp, V::FixOrder16(select ? Select<V>(keep, out, w) : out));
    } else {
      const Reg<V> bg = V::Or(ob, V::template Slli16<8>(og));
      const Reg<V> p0 = V::Unlo16(bg, orr), p1 = V::Unhi16(bg, orr);
      V::Store(dp, select ? Select<V>(V::Unlo16(keep, keep), p0, w0) : p0);
      V::Store(dp + V::kBytes, select ? Select<V>(V::Unhi16(keep, keep), p1, w1) : p1);
    }
  }

  template <bool kMasked, bool kTexAlpha>
  void Run(const SpanRun& r) const {
    constexpr int tb = Tex16 ? 2 : 4, db = Tgt16 ? 2 : 4;
    const uint8_t* tp = r.tex;
    uint8_t* dp = r.dst;
    int32_t n = r.n;
    for (; n >= kPx; n -= kPx, tp += kPx * tb, dp += kPx * db) Step<kMasked, kTexAlpha>(tp, dp);
    if (n > 0) {
      // Texels fetched into the batch's padded buffer, and a target with a whole step left before
      // its end: the tail in place, the pixels past it written back as they were.
      if (tp >= padLo && tp + kPx * tb <= padHi && dp + kPx * db <= targetEnd) {
        Step<kMasked, kTexAlpha, true>(tp, dp, n);
        return;
      }
      // Else the last pixels through the same step on copies; only they are written back.
      alignas(32) uint8_t tt[kPx * 4] = {}, dd[kPx * 4] = {};
      __builtin_memcpy(tt, tp, (size_t)n * tb);
      __builtin_memcpy(dd, dp, (size_t)n * db);
      Step<kMasked, kTexAlpha>(tt, dd);
      __builtin_memcpy(dp, dd, (size_t)n * db);
    }
  }
};

template <class K, bool kTexAlpha> void RunEach(const K& k, const SpanRun* runs, int count) {
  if (k.masked) {
    for (int i = 0; i < count; ++i) k.template Run<true, kTexAlpha>(runs[i]);
  } else {
    for (int i = 0; i < count; ++i) k.template Run<false, kTexAlpha>(runs[i]);
  }
}
template <class K> void RunAll(const K& k, const SpanRun* runs, int count) {
  if constexpr (K::kPairs) {
    if (k.texAlpha) return RunEach<K, true>(k, runs, count);
  }
  RunEach<K, false>(k, runs, count);
}

inline bool SameChannel(const Channel16& c, int shift, int bits) {
  const Channel16 want = MakeChannel16(shift, bits, false);
  return c.shift == want.shift && c.mask == want.mask && c.mul == want.mul && c.add == want.add &&
         c.down == want.down && c.narrow == want.narrow;
}

template <class V, bool Mod, int ASrc, int Blend, bool Tex16, bool Tgt16>
void RunSpans(const SpanSetup& setup, const SpanRun* runs, int count) {
  if constexpr (Tex16 && Tgt16) {
    const Channel16* t = setup.tex16;
    const Channel16* d = setup.target16;
    if (SameChannel(t[0], 0, 4) && SameChannel(t[1], 4, 4) && SameChannel(t[2], 8, 4) && t[3].shift == 12 &&
        t[3].mask == 15 && t[3].mul == 17 && t[3].add == 0 && t[3].down == 0 && SameChannel(d[0], 0, 5) &&
        SameChannel(d[1], 5, 6) && SameChannel(d[2], 11, 5)) {
      RunAll(SpanKernel<V, Mod, ASrc, Blend, true, true, true>(setup), runs, count);
      V::Done();
      return;
    }
  }
  RunAll(SpanKernel<V, Mod, ASrc, Blend, Tex16, Tgt16>(setup), runs, count);
  V::Done();
}

template <class V, bool Mod, int ASrc, int Blend>
void FillSizes(SpanKernelFn* t) {
  t[SpanKernelIndex(Mod, ASrc, Blend, false, false)] = &RunSpans<V, Mod, ASrc, Blend, false, false>;
  t[SpanKernelIndex(Mod, ASrc, Blend, false, true)] = &RunSpans<V, Mod, ASrc, Blend, false, true>;
  t[SpanKernelIndex(Mod, ASrc, Blend, true, false)] = &RunSpans<V, Mod, ASrc, Blend, true, false>;
  t[SpanKernelIndex(Mod, ASrc, Blend, true, true)] = &RunSpans<V, Mod, ASrc, Blend, true, true>;
}
template <class V, bool Mod, int ASrc>
void FillBlends(SpanKernelFn* t) {
  FillSizes<V, Mod, ASrc, 0>(t);
  FillSizes<V, Mod, ASrc, 1>(t);
  FillSizes<V, Mod, ASrc, 2>(t);
}
template <class V> void FillSpanTable(SpanKernelFn* t) {
  FillBlends<V, false, 0>(t);
  FillBlends<V, false, 1>(t);
  FillBlends<V, false, 2>(t);
  FillBlends<V, true, 0>(t);
  FillBlends<V, true, 1>(t);
  FillBlends<V, true, 2>(t);
}

}  // namespace plat::soft::SPAN_KERNEL_NS
