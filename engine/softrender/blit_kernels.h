// The vector row kernels of the software blits, written once over a vector type V (16 bytes with
// SSE2, 32 bytes with AVX2) and compiled once per instruction set in the file that includes it,
// inside that file's own namespace (BLIT_KERNEL_NS), so that no inline function is shared between
// the two builds.
//
// Channels are worked in 16-bit lanes. Every division by 255 of the rules is the closed form
//   floor(x / 255) = (x + 1 + (x >> 8)) >> 8     for 0 <= x <= 65025
// and the 16-bit alpha's division by 63 a high multiply (see OpAlphaL16), both exact over the
// range the rules feed them (checked exhaustively in the tests); no intermediate passes 16 bits. A row's last pixels that do not fill a vector are drawn
// through the same vector code on a copy, so the tail follows the very same arithmetic.
#pragma once
#include <cstdint>
#include "engine/softrender/blit_vector.h"

#ifndef BLIT_KERNEL_NS
#error "define BLIT_KERNEL_NS before including blit_kernels.h"
#endif

namespace softblit::BLIT_KERNEL_NS {

template <class V> using Reg = typename V::R;

template <class V> inline Reg<V> Div255(Reg<V> x) {
  return V::template Srli16<8>(V::Add16(V::Add16(x, V::Set16(1)), V::template Srli16<8>(x)));
}
template <class V> inline Reg<V> Select(Reg<V> m, Reg<V> a, Reg<V> b) { return V::Or(V::And(m, a), V::AndNot(m, b)); }

// ---- 32-bit pixels: blue, green, red, fourth byte ----

// floor(bright x s / 255) per channel; the fourth byte becomes 0.
template <class V> struct Tinter32 {
  Reg<V> b;
  explicit Tinter32(uint32_t bright)
      : b(V::Set4x16(bright & 0xFF, (bright >> 8) & 0xFF, (bright >> 16) & 0xFF, 0)) {}
  Reg<V> operator()(Reg<V> s) const {
    const Reg<V> z = V::Zero();
    Reg<V> lo = Div255<V>(V::Mullo16(V::Unlo8(s, z), b));
    Reg<V> hi = Div255<V>(V::Mullo16(V::Unhi8(s, z), b));
    return V::Pack16(lo, hi);
  }
};

template <class V> inline Reg<V> KeepFourth(Reg<V> r, Reg<V> d) {
  return V::Or(V::And(r, V::Set32(0x00FFFFFF)), V::And(d, V::Set32((int32_t)0xFF000000u)));
}

template <class V> struct OpCopy32 {
  explicit OpCopy32(const KernelArgs&) {}
  Reg<V> operator()(Reg<V> s, Reg<V>) const { return s; }
};

template <class V> struct OpTint32 {
  Tinter32<V> tint;
  explicit OpTint32(const KernelArgs& a) : tint(a.bright) {}
  Reg<V> operator()(Reg<V> s, Reg<V> d) const { return KeepFourth<V>(tint(s), d); }
};

// d + floor((t - d) p / 256) = (t p + d (256 - p)) >> 8, which never passes 65280.
template <class V, bool Tint> struct OpAlpha32 {
  Tinter32<V> tint;
  Reg<V> p, q;
  explicit OpAlpha32(const KernelArgs& a)
      : tint(a.bright), p(V::Set16((int16_t)a.p)), q(V::Set16((int16_t)(256 - a.p))) {}
  Reg<V> operator()(Reg<V> s, Reg<V> d) const {
    const Reg<V> t = Tint ? tint(s) : s, z = V::Zero();
    Reg<V> lo = V::template Srli16<8>(V::Add16(V::Mullo16(V::Unlo8(t, z), p), V::Mullo16(V::Unlo8(d, z), q)));
    Reg<V> hi = V::template Srli16<8>(V::Add16(V::Mullo16(V::Unhi8(t, z), p), V::Mullo16(V::Unhi8(d, z), q)));
    return KeepFourth<V>(V::Pack16(lo, hi), d);
  }
};

template <class V> struct OpHalf32 {
  explicit OpHalf32(const KernelArgs&) {}
  Reg<V> operator()(Reg<V> s, Reg<V> d) const {
    const Reg<V> m = V::Set32(0x7F7F7F);
    return V::Add32(V::And(V::template Srli32<1>(s), m), V::And(V::template Srli32<1>(d), m));
  }
};

// u = P[p][t] per channel, fourth byte 0.
template <class V, bool Tint> struct Term32 {
  Tinter32<V> tint;
  Reg<V> p;
  explicit Term32(const KernelArgs& a) : tint(a.bright), p(V::Set4x16(a.p, a.p, a.p, 0)) {}
  Reg<V> operator()(Reg<V> s) const {
    const Reg<V> t = Tint ? tint(s) : s, z = V::Zero();
    return V::Pack16(Div255<V>(V::Mullo16(V::Unlo8(t, z), p)), Div255<V>(V::Mullo16(V::Unhi8(t, z), p)));
  }
};

template <class V> inline Reg<V> AddMasked32(Reg<V> d, Reg<V> u, bool lowBits) {
  const Reg<V> m = V::Set32(0xFEFEFF);
  Reg<V> sum = V::Add32(V::And(d, m), V::And(u, m));
  Reg<V> carries = V::And(sum, V::Set32(0x1010100));
  Reg<V> r = V::Or(sum, V::Sub32(carries, V::template Srli32<8>(carries)));
  return lowBits ? V::Or(r, V::And(V::Or(d, u), V::Set32(0x10100))) : r;
}
template <class V> inline Reg<V> SubMasked32(Reg<V> d, Reg<V> u) {
  Reg<V> diff = V::Sub32(V::Or(d, V::Set32(0x1010100)), V::And(u, V::Set32((int32_t)0xFEFEFEFFu)));
  Reg<V> keep = V::And(diff, V::Set32(0x1010100));
  return V::And(diff, V::Sub32(keep, V::template Srli32<8>(keep)));
}

template <class V, bool Tint> struct OpAdd32 {
  Term32<V, Tint> term;
  explicit OpAdd32(const KernelArgs& a) : term(a) {}
  Reg<V> operator()(Reg<V> s, Reg<V> d) const { return AddMasked32<V>(d, term(s), true); }
};
template <class V, bool Tint> struct OpSub32 {
  Term32<V, Tint> term;
  explicit OpSub32(const KernelArgs& a) : term(a) {}
  Reg<V> operator()(Reg<V> s, Reg<V> d) const { return SubMasked32<V>(d, term(s)); }
};
template <class V> struct OpAddSat32 {
  explicit OpAddSat32(const KernelArgs&) {}
  Reg<V> operator()(Reg<V> s, Reg<V> d) const { return V::AddsU8(d, s); }
};
template <class V> struct OpSubSat32 {
  explicit OpSubSat32(const KernelArgs&) {}
  Reg<V> operator()(Reg<V> s, Reg<V> d) const { return V::SubsU8(d, s); }
};
template <class V> struct OpAddFull32 {
  explicit OpAddFull32(const KernelArgs&) {}
  Reg<V> operator()(Reg<V> s, Reg<V> d) const { return AddMasked32<V>(d, s, false); }
};
template <class V> struct OpSubFull32 {
  explicit OpSubFull32(const KernelArgs&) {}
  Reg<V> operator()(Reg<V> s, Reg<V> d) const { return SubMasked32<V>(d, s); }
};

// Mode 0 of a source with an alpha channel: d + floor((t - d) a / 256) = (t a + d (256 - a)) >> 8.
// Keyed: alpha 0 leaves the pixel, alpha 255 draws it plain (copied whole when untinted).
template <class V, bool Tint, bool Keyed> struct OpSrcAlpha32 {
  static constexpr bool kOwnKey = true;
  Tinter32<V> tint;
  explicit OpSrcAlpha32(const KernelArgs& a) : tint(a.bright) {}
  Reg<V> operator()(Reg<V> s, Reg<V> d) const {
    const Reg<V> z = V::Zero(), full = V::Set16(256);
    const Reg<V> t = Tint ? tint(s) : s;
    const Reg<V> sl = V::Unlo8(s, z), sh = V::Unhi8(s, z);
    const Reg<V> al = V::SpreadFourth16(sl), ah = V::SpreadFourth16(sh);
    Reg<V> lo = V::template Srli16<8>(
        V::Add16(V::Mullo16(V::Unlo8(t, z), al), V::Mullo16(V::Unlo8(d, z), V::Sub16(full, al))));
    Reg<V> hi = V::template Srli16<8>(
        V::Add16(V::Mullo16(V::Unhi8(t, z), ah), V::Mullo16(V::Unhi8(d, z), V::Sub16(full, ah))));
    Reg<V> r = KeepFourth<V>(V::Pack16(lo, hi), d);
    if constexpr (Keyed) {
      const Reg<V> top = V::Set32((int32_t)0xFF000000u), a = V::And(s, top);
      const Reg<V> plain = Tint ? KeepFourth<V>(t, d) : s;
      r = Select<V>(V::Cmpeq32(a, top), plain, r);
      r = Select<V>(V::Cmpeq32(a, z), d, r);
    }
    return r;
  }
};

// ---- 16-bit pixels: red 11-15, green 5-10, blue 0-4 ----

template <class V> struct Fields {
  Reg<V> r, g, b;
  explicit Fields(Reg<V> v)
      : r(V::template Srli16<11>(v)),
        g(V::And(V::template Srli16<5>(v), V::Set16(63))),
        b(V::And(v, V::Set16(31))) {}
  Fields(Reg<V> r_, Reg<V> g_, Reg<V> b_) : r(r_), g(g_), b(b_) {}
  Reg<V> Join() const {
    return V::Or(V::Or(V::template Slli16<11>(r), V::template Slli16<5>(g)), b);
  }
};

template <class V> struct Tinter16 {
  Reg<V> br, bg, bb;
  explicit Tinter16(uint32_t bright)
      : br(V::Set16((int16_t)((bright >> 16) & 0xFF))),
        bg(V::Set16((int16_t)((bright >> 8) & 0xFF))),
        bb(V::Set16((int16_t)(bright & 0xFF))) {}
  Fields<V> operator()(const Fields<V>& s) const {
    return Fields<V>(Div255<V>(V::Mullo16(s.r, br)), Div255<V>(V::Mullo16(s.g, bg)), Div255<V>(V::Mullo16(s.b, bb)));
  }
};

template <class V> struct OpCopy16 {
  explicit OpCopy16(const KernelArgs&) {}
  Reg<V> operator()(Reg<V> s, Reg<V>) const { return s; }
};

template <class V> struct OpTint16 {
  Tinter16<V> tint;
  explicit OpTint16(const KernelArgs& a) : tint(a.bright) {}
  Reg<V> operator()(Reg<V> s, Reg<V>) const { return tint(Fields<V>(s)).Join(); }
};

// floor((i s + (63 - i) d) / 63) per field, i = p >> 2, written as d + floor(i k / 63) with
// k = s - d. For u = k + 63 (0 to 126) and i below 63, floor(i u / 63) = (u A) >> 16 with
// A = ceil(i 65536 / 63): the excess u (A - i 65536 / 63) stays under 1/63. So one high multiply a
// field, the 63 taken off again per field of the packed sum d + sum of (q - i) << shift (exact
// modulo 2^16, as every field of the result is in range). Green is worked in place, 32 u: the
// product's low five bits are dropped whole. The biases come free: 63 - d is ~d in six bits, and
// five-bit blue and red take 32 more. i = 63 (parameters 252-254) draws the source.
template <class V> struct OpAlphaL16 {
  Reg<V> a, c;
  explicit OpAlphaL16(const KernelArgs& k)
      : a(V::Set16((int16_t)(uint16_t)(((k.p >> 2) * 65536 + 62) / 63))),
        c(V::Set16((int16_t)(uint16_t)(0x10000 - (((k.p >> 2) * 0x821) & 0xFFFF)))) {}
  static bool DrawsSource(const KernelArgs& k) { return (k.p >> 2) >= 63; }
  Reg<V> operator()(Reg<V> s, Reg<V> d) const {
    const Reg<V> m31 = V::Set16(31), mg = V::Set16(0x07E0);
    const Reg<V> ub = V::Add16(V::Add16(V::And(s, m31), V::AndNot(d, m31)), V::Set16(32));
    const Reg<V> ug = V::Add16(V::And(s, mg), V::AndNot(d, mg));
    const Reg<V> ur = V::Add16(V::template Srli16<11>(s), V::Xor(V::template Srli16<11>(d), V::Set16(63)));
    const Reg<V> qb = V::MulhiU16(ub, a);
    const Reg<V> qg = V::And(V::MulhiU16(ug, a), V::Set16((int16_t)0xFFE0));
    const Reg<V> qr = V::template Slli16<11>(V::MulhiU16(ur, a));
    return V::Add16(V::Add16(d, qr), V::Add16(qg, V::Add16(qb, c)));
  }
};

// d + N[p][t - d]: the product of |t - d| (at most 63) and p, divided by 255, signed back.
template <class V, bool Tint> struct OpAlphaN16 {
  Tinter16<V> tint;
  Reg<V> p;
  explicit OpAlphaN16(const KernelArgs& a) : tint(a.bright), p(V::Set16((int16_t)a.p)) {}
  Reg<V> One(Reg<V> t, Reg<V> d) const {
    const Reg<V> diff = V::Sub16(t, d), sign = V::template Srai16<15>(diff);
    const Reg<V> mag = V::Sub16(V::Xor(diff, sign), sign);
    const Reg<V> q = Div255<V>(V::Mullo16(mag, p));
    return V::Add16(d, V::Sub16(V::Xor(q, sign), sign));
  }
  Reg<V> operator()(Reg<V> s, Reg<V> d) const {
    Fields<V> fs(s), fd(d);
    if constexpr (Tint) fs = tint(fs);
    return Fields<V>(One(fs.r, fd.r), One(fs.g, fd.g), One(fs.b, fd.b)).Join();
  }
};

template <class V> struct OpHalf16 {
  explicit OpHalf16(const KernelArgs&) {}
  Reg<V> operator()(Reg<V> s, Reg<V> d) const {
    const Reg<V> m = V::Set16(0x7BEF);
    return V::Add16(V::And(V::template Srli16<1>(s), m), V::And(V::template Srli16<1>(d), m));
  }
};

// u = P[p][t] per field, packed.
template <class V, bool Tint> struct Term16 {
  Tinter16<V> tint;
  Reg<V> p;
  explicit Term16(const KernelArgs& a) : tint(a.bright), p(V::Set16((int16_t)a.p)) {}
  Reg<V> operator()(Reg<V> s) const {
    Fields<V> t(s);
    if constexpr (Tint) t = tint(t);
    return Fields<V>(Div255<V>(V::Mullo16(t.r, p)), Div255<V>(V::Mullo16(t.g, p)), Div255<V>(V::Mullo16(t.b, p))).Join();
  }
};

// The one-pixel add: the carry out of the top of the 16-bit sum, rebuilt from the operands'
// top bits, stands for bit 16 of the wider sum.
template <class V> inline Reg<V> AddOne16(Reg<V> d, Reg<V> u, bool lowBits) {
  const Reg<V> m = V::Set16((int16_t)0xF7DF);
  const Reg<V> a = V::And(d, m), b = V::And(u, m), sum = V::Add16(a, b);
  const Reg<V> carry = V::template Srai16<15>(V::Or(V::And(a, b), V::AndNot(sum, V::Or(a, b))));
  const Reg<V> cl = V::And(sum, V::Set16(0x0820));
  Reg<V> r = V::Or(V::Or(sum, V::Sub16(cl, V::template Srli16<5>(cl))), V::And(carry, V::Set16((int16_t)0xF800)));
  return lowBits ? V::Or(r, V::And(V::Or(d, u), V::Set16(0x0820))) : r;
}
// The one-pixel subtract: diff = (D OR 0x08210820) - (U AND 0xF7DF), of which the low half and
// the borrow decide the kept fields.
template <class V> inline Reg<V> SubOne16(Reg<V> d, Reg<V> u) {
  const Reg<V> a = V::Or(d, V::Set16(0x0820)), b = V::And(u, V::Set16((int16_t)0xF7DF));
  const Reg<V> diff = V::Sub16(a, b);
  const Reg<V> na = V::Xor(a, V::Set16(-1));
  const Reg<V> borrow = V::template Srai16<15>(V::Or(V::And(na, b), V::And(V::Or(na, b), diff)));
  const Reg<V> kl = V::And(diff, V::Set16(0x0820));
  const Reg<V> mask = V::Sub16(V::Sub16(kl, V::template Srli16<5>(kl)), V::AndNot(borrow, V::Set16(0x0800)));
  return V::And(diff, mask);
}

template <class V, bool Tint> struct OpAdd16 {
  Term16<V, Tint> term;
  explicit OpAdd16(const KernelArgs& a) : term(a) {}
  Reg<V> operator()(Reg<V> s, Reg<V> d) const { return AddOne16<V>(d, term(s), true); }
};
template <class V, bool Tint> struct OpSub16 {
  Term16<V, Tint> term;
  explicit OpSub16(const KernelArgs& a) : term(a) {}
  Reg<V> operator()(Reg<V> s, Reg<V> d) const { return SubOne16<V>(d, term(s)); }
};

// Scalar forms of the pair rules, for the few pixels of a row past the last whole vector.
inline uint32_t ScalarAddOneFull16(uint32_t D, uint32_t S) {
  uint32_t sum = (S & 0xF7DFu) + (D & 0xF7DFu);
  uint32_t carries = sum & 0x10820u;
  return (sum | (carries - (carries >> 5))) & 0xFFFFu;
}
inline uint32_t ScalarSubOne16(uint32_t D, uint32_t S) {
  uint32_t diff = (D | 0x08210820u) - (S & 0xF7DFu);
  uint32_t keep = diff & 0x08210820u;
  return diff & (keep - (keep >> 5)) & 0xFFFFu;
}
inline uint32_t ScalarAddPair16(uint32_t D, uint32_t S) {
  uint64_t sum = (uint64_t)(S & 0xF7DEF7DFu) + (D & 0xF7DEF7DFu);
  uint32_t k = (uint32_t)(sum >> 32), lo = (uint32_t)sum;
  uint32_t carries = lo & 0x08210820u;
  return lo | (carries - ((carries >> 5) | (k << 27)));
}
inline uint32_t ScalarSubPair16(uint32_t D, uint32_t S) {
  uint32_t a = D | 0x08210820u, b = S & 0xF7DEF7DFu, diff = a - b;
  uint32_t e = a < b ? 0u : 0xF8000000u, keep = diff & 0x08210820u;
  return diff & ((keep - (keep >> 5)) | e);
}

// Full-strength add or subtract on pairs of pixels (32-bit words, the first pixel low); a pair with
// one keyed pixel draws the other alone by the one-pixel rule.
template <class V, bool Sub> struct OpPair16 {
  static constexpr bool kPairs = true;
  static constexpr bool kOwnKey = true;
  Reg<V> key;
  bool keyed;
  explicit OpPair16(const KernelArgs& a) : key(V::Set16((int16_t)a.key)), keyed(false) {}
  Reg<V> Pair(Reg<V> s, Reg<V> d) const {
    if constexpr (!Sub) {
      const Reg<V> m = V::Set32((int32_t)0xF7DEF7DFu);
      const Reg<V> a = V::And(s, m), b = V::And(d, m), lo = V::Add32(a, b);
      const Reg<V> k = V::template Srli32<31>(V::Or(V::And(a, b), V::AndNot(lo, V::Or(a, b))));
      const Reg<V> carries = V::And(lo, V::Set32(0x08210820));
      return V::Or(lo, V::Sub32(carries, V::Or(V::template Srli32<5>(carries), V::template Slli32<27>(k))));
    } else {
      const Reg<V> a = V::Or(d, V::Set32(0x08210820)), b = V::And(s, V::Set32((int32_t)0xF7DEF7DFu));
      const Reg<V> diff = V::Sub32(a, b), na = V::Xor(a, V::Set32(-1));
      const Reg<V> borrow = V::template Srli32<31>(V::Or(V::And(na, b), V::And(V::Or(na, b), diff)));
      const Reg<V> e = V::And(V::Sub32(borrow, V::Set32(1)), V::Set32((int32_t)0xF8000000u));
      const Reg<V> keep = V::And(diff, V::Set32(0x08210820));
      return V::And(diff, V::Or(V::Sub32(keep, V::template Srli32<5>(keep)), e));
    }
  }
  template <bool Keyed> Reg<V> Apply(Reg<V> s, Reg<V> d) const {
    const Reg<V> pair = Pair(s, d);
    if constexpr (!Keyed) {
      return pair;
    } else {
      const Reg<V> one = Sub ? SubOne16<V>(d, s) : AddOne16<V>(d, s, false);
      const Reg<V> km = V::Cmpeq16(s, key);
      const Reg<V> any = V::Or(km, V::Or(V::template Slli32<16>(km), V::template Srli32<16>(km)));
      return Select<V>(any, Select<V>(km, d, one), pair);
    }
  }
  template <bool Keyed> static void Tail(const uint8_t* s, uint8_t* d, int32_t n, uint32_t key16) {
    auto ld = [](const uint8_t* p) { return (uint32_t)p[0] | (uint32_t)p[1] << 8; };
    auto st = [](uint8_t* p, uint32_t v) { p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); };
    auto one = [](uint32_t D, uint32_t S) { return Sub ? ScalarSubOne16(D, S) : ScalarAddOneFull16(D, S); };
    int32_t x = 0;
    for (; x + 1 < n; x += 2) {
      const uint32_t s0 = ld(s + 2 * x), s1 = ld(s + 2 * x + 2), d0 = ld(d + 2 * x), d1 = ld(d + 2 * x + 2);
      const bool k0 = Keyed && s0 == key16, k1 = Keyed && s1 == key16;
      if (k0 || k1) {
        if (!k0) st(d + 2 * x, one(d0, s0));
        if (!k1) st(d + 2 * x + 2, one(d1, s1));
        continue;
      }
      const uint32_t r = Sub ? ScalarSubPair16(d0 | d1 << 16, s0 | s1 << 16) : ScalarAddPair16(d0 | d1 << 16, s0 | s1 << 16);
      st(d + 2 * x, r & 0xFFFF);
      st(d + 2 * x + 2, r >> 16);
    }
    if (x < n) {
      const uint32_t s0 = ld(s + 2 * x);
      if (!(Keyed && s0 == key16)) st(d + 2 * x, one(ld(d + 2 * x), s0));
    }
  }
};

// ---- the walks ----

template <class Op> constexpr bool OwnKey() {
  if constexpr (requires { Op::kOwnKey; }) return Op::kOwnKey;
  else return false;
}

template <class V, class Op, bool Keyed, int Bpp>
inline Reg<V> Apply(const Op& op, Reg<V> s, Reg<V> d, Reg<V> key) {
  if constexpr (requires { Op::kPairs; }) {
    (void)key;
    return op.template Apply<Keyed>(s, d);
  } else {
    Reg<V> r = op(s, d);
    if constexpr (Keyed && !OwnKey<Op>()) r = Select<V>(Bpp == 4 ? V::Cmpeq32(s, key) : V::Cmpeq16(s, key), d, r);
    else (void)key;
    return r;
  }
}

// A w x h rectangle, rows by pitch; source and destination pixels of Bpp bytes.
template <class V, class Op, bool Keyed, int Bpp>
void RunRect(const KernelArgs& a) {
  constexpr int32_t kPx = V::kBytes / Bpp;
  if constexpr (requires { Op::DrawsSource(a); }) {
    if (Op::DrawsSource(a)) return RunRect<V, OpCopy16<V>, Keyed, Bpp>(a);
  }
  const Op op(a);
  const Reg<V> key = Bpp == 4 ? V::Set32((int32_t)a.key) : V::Set16((int16_t)a.key);
  const uint8_t* __restrict srow = a.src;
  uint8_t* __restrict drow = a.dst;
  const int32_t w = a.w, h = a.h;
  const intptr_t sp = a.srcPitch, dp = a.dstPitch;
  for (int32_t y = 0; y < h; ++y, srow += sp, drow += dp) {
    int32_t x = 0;
    // Two vectors a step: the loop's own work and the register copies weigh less per pixel.
    for (; x + 2 * kPx <= w; x += 2 * kPx) {
      const Reg<V> s0 = V::Load(srow + x * Bpp), d0 = V::Load(drow + x * Bpp);
      const Reg<V> s1 = V::Load(srow + (x + kPx) * Bpp), d1 = V::Load(drow + (x + kPx) * Bpp);
      V::Store(drow + x * Bpp, Apply<V, Op, Keyed, Bpp>(op, s0, d0, key));
      V::Store(drow + (x + kPx) * Bpp, Apply<V, Op, Keyed, Bpp>(op, s1, d1, key));
    }
    for (; x + kPx <= w; x += kPx) {
      const Reg<V> s = V::Load(srow + x * Bpp), d = V::Load(drow + x * Bpp);
      V::Store(drow + x * Bpp, Apply<V, Op, Keyed, Bpp>(op, s, d, key));
    }
    if (x == w) continue;
    const int32_t n = w - x;
    if constexpr (requires { Op::kPairs; }) {
      Op::template Tail<Keyed>(srow + x * Bpp, drow + x * Bpp, n, a.key & 0xFFFF);
    } else {
      alignas(32) uint8_t ts[V::kBytes] = {}, td[V::kBytes] = {};
      __builtin_memcpy(ts, srow + x * Bpp, (size_t)n * Bpp);
      __builtin_memcpy(td, drow + x * Bpp, (size_t)n * Bpp);
      V::Store(td, Apply<V, Op, Keyed, Bpp>(op, V::Load(ts), V::Load(td), key));
      __builtin_memcpy(drow + x * Bpp, td, (size_t)n * Bpp);
    }
  }
  V::Done();
}

template <class V> void FillKernelTable(KernelFn* t) {
  for (int i = 0; i < kKernelCount; ++i) t[i] = nullptr;
  t[KernelId(kKCopy32, false, true)] = &RunRect<V, OpCopy32<V>, true, 4>;
  t[KernelId(kKTint32, true, false)] = &RunRect<V, OpTint32<V>, false, 4>;
  t[KernelId(kKTint32, true, true)] = &RunRect<V, OpTint32<V>, true, 4>;
  t[KernelId(kKAlpha32, false, false)] = &RunRect<V, OpAlpha32<V, false>, false, 4>;
  t[KernelId(kKAlpha32, false, true)] = &RunRect<V, OpAlpha32<V, false>, true, 4>;
  t[KernelId(kKAlpha32, true, false)] = &RunRect<V, OpAlpha32<V, true>, false, 4>;
  t[KernelId(kKAlpha32, true, true)] = &RunRect<V, OpAlpha32<V, true>, true, 4>;
  t[KernelId(kKHalf32, false, false)] = &RunRect<V, OpHalf32<V>, false, 4>;
  t[KernelId(kKHalf32, false, true)] = &RunRect<V, OpHalf32<V>, true, 4>;
  t[KernelId(kKAdd32, false, false)] = &RunRect<V, OpAdd32<V, false>, false, 4>;
  t[KernelId(kKAdd32, false, true)] = &RunRect<V, OpAdd32<V, false>, true, 4>;
  t[KernelId(kKAdd32, true, false)] = &RunRect<V, OpAdd32<V, true>, false, 4>;
  t[KernelId(kKAdd32, true, true)] = &RunRect<V, OpAdd32<V, true>, true, 4>;
  t[KernelId(kKSub32, false, false)] = &RunRect<V, OpSub32<V, false>, false, 4>;
  t[KernelId(kKSub32, false, true)] = &RunRect<V, OpSub32<V, false>, true, 4>;
  t[KernelId(kKSub32, true, false)] = &RunRect<V, OpSub32<V, true>, false, 4>;
  t[KernelId(kKSub32, true, true)] = &RunRect<V, OpSub32<V, true>, true, 4>;
  t[KernelId(kKAddSat32, false, false)] = &RunRect<V, OpAddSat32<V>, false, 4>;
  t[KernelId(kKAddSat32, false, true)] = &RunRect<V, OpAddSat32<V>, true, 4>;
  t[KernelId(kKSubSat32, false, false)] = &RunRect<V, OpSubSat32<V>, false, 4>;
  t[KernelId(kKSubSat32, false, true)] = &RunRect<V, OpSubSat32<V>, true, 4>;
  t[KernelId(kKAddFull32, false, false)] = &RunRect<V, OpAddFull32<V>, false, 4>;
  t[KernelId(kKAddFull32, false, true)] = &RunRect<V, OpAddFull32<V>, true, 4>;
  t[KernelId(kKSubFull32, false, false)] = &RunRect<V, OpSubFull32<V>, false, 4>;
  t[KernelId(kKSubFull32, false, true)] = &RunRect<V, OpSubFull32<V>, true, 4>;
  t[KernelId(kKSrcAlpha32, false, false)] = &RunRect<V, OpSrcAlpha32<V, false, false>, false, 4>;
  t[KernelId(kKSrcAlpha32, false, true)] = &RunRect<V, OpSrcAlpha32<V, false, true>, true, 4>;
  t[KernelId(kKSrcAlpha32, true, false)] = &RunRect<V, OpSrcAlpha32<V, true, false>, false, 4>;
  t[KernelId(kKSrcAlpha32, true, true)] = &RunRect<V, OpSrcAlpha32<V, true, true>, true, 4>;

  t[KernelId(kKCopy16, false, true)] = &RunRect<V, OpCopy16<V>, true, 2>;
  t[KernelId(kKTint16, true, false)] = &RunRect<V, OpTint16<V>, false, 2>;
  t[KernelId(kKTint16, true, true)] = &RunRect<V, OpTint16<V>, true, 2>;
  t[KernelId(kKAlphaL16, false, false)] = &RunRect<V, OpAlphaL16<V>, false, 2>;
  t[KernelId(kKAlphaL16, false, true)] = &RunRect<V, OpAlphaL16<V>, true, 2>;
  t[KernelId(kKAlphaN16, false, false)] = &RunRect<V, OpAlphaN16<V, false>, false, 2>;
  t[KernelId(kKAlphaN16, false, true)] = &RunRect<V, OpAlphaN16<V, false>, true, 2>;
  t[KernelId(kKAlphaN16, true, false)] = &RunRect<V, OpAlphaN16<V, true>, false, 2>;
  t[KernelId(kKAlphaN16, true, true)] = &RunRect<V, OpAlphaN16<V, true>, true, 2>;
  t[KernelId(kKHalf16, false, false)] = &RunRect<V, OpHalf16<V>, false, 2>;
  t[KernelId(kKHalf16, false, true)] = &RunRect<V, OpHalf16<V>, true, 2>;
  t[KernelId(kKAdd16, false, false)] = &RunRect<V, OpAdd16<V, false>, false, 2>;
  t[KernelId(kKAdd16, false, true)] = &RunRect<V, OpAdd16<V, false>, true, 2>;
  t[KernelId(kKAdd16, true, false)] = &RunRect<V, OpAdd16<V, true>, false, 2>;
  t[KernelId(kKAdd16, true, true)] = &RunRect<V, OpAdd16<V, true>, true, 2>;
  t[KernelId(kKSub16, false, false)] = &RunRect<V, OpSub16<V, false>, false, 2>;
  t[KernelId(kKSub16, false, true)] = &RunRect<V, OpSub16<V, false>, true, 2>;
  t[KernelId(kKSub16, true, false)] = &RunRect<V, OpSub16<V, true>, false, 2>;
  t[KernelId(kKSub16, true, true)] = &RunRect<V, OpSub16<V, true>, true, 2>;
  t[KernelId(kKAddPair16, false, false)] = &RunRect<V, OpPair16<V, false>, false, 2>;
  t[KernelId(kKAddPair16, false, true)] = &RunRect<V, OpPair16<V, false>, true, 2>;
  t[KernelId(kKSubPair16, false, false)] = &RunRect<V, OpPair16<V, true>, false, 2>;
  t[KernelId(kKSubPair16, false, true)] = &RunRect<V, OpPair16<V, true>, true, 2>;
}

}  // namespace softblit::BLIT_KERNEL_NS
