// The walks of the software blits (1:1 per pixel, 1:1 over the skip data, scaled with 16.16
// stepping), each a template over pixel size, source kind and rule, and the choice of the one
// instantiation that runs a whole draw.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>
#include "engine/softrender/blit_rules.h"
#include "engine/softrender/blit_vector.h"

namespace softblit {

// Everything a loop needs for one draw, set up once by the entry.
struct Job {
  uint8_t* dst;
  intptr_t dstPitch;
  const uint8_t* src;
  intptr_t srcPitch;
  const uint8_t* blend;        // null without a blend image
  intptr_t blendPitch;
  int32_t w, h;                // clipped destination size
  const uint8_t* skip;         // fast path
  const uint32_t* pal;         // paletted sources: entries in the destination's layout
  uint32_t key;                // the value a keyed pixel is compared with
  uint32_t bright;             // draw bright, for the vector kernels
  Factors f;
  // Scaled walk: the 16.16 stepping recorded once per axis. Byte offsets from the start pixel of
  // the source (and blend image) for every destination column and row, mirroring included.
  const intptr_t* colOff;
  const intptr_t* rowOff;
  const intptr_t* blendColOff;
  const intptr_t* blendRowOff;
  uint8_t* rowBuffer;          // one gathered source row, for the vector kernels
};
using LoopFn = void (*)(const Job&);

enum WalkKind { kWalkOneToOne, kWalkFast, kWalkScaled };
enum SrcKindId { kSrcPal = 0, kSrcDirect = 1, kSrcAlpha = 2 };
enum RuleId {
  kRuleNone, kRuleAlpha, kRuleAlphaL16, kRuleHalf, kRuleAdd, kRuleAddFull, kRuleSub, kRuleSubFull, kRuleMul
};

// Which loop a draw needs; the entries fill it from the images and the draw state.
struct Choice {
  int format;    // 0 16-bit, 1 32-bit
  int kind;      // SrcKindId
  int rule;      // RuleId
  bool tint, blend, keyed, mmx;
};

template <class T> inline T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class T> inline void Store(uint8_t* p, T v) { std::memcpy(p, &v, sizeof v); }

// Source kinds: how a pixel is read, keyed and (with an alpha channel) weighted.
template <class Px> struct SrcPal {
  static constexpr int kBytes = 1;
  static constexpr bool kAlpha = false;
  static uint32_t Key(const uint8_t* p) { return *p; }
  // One 32-bit slot per entry; a 16-bit image's entry is in the low half.
  static uint32_t Color(const Job& j, const uint8_t* p) {
    const uint32_t e = j.pal[*p];
    return Px::kBytes == 4 ? e : e & 0xFFFF;
  }
  static uint32_t AlphaOf(const uint8_t*) { return 255; }
};
template <class Px> struct SrcDirect {
  static constexpr int kBytes = Px::kBytes;
  static constexpr bool kAlpha = false;
  static uint32_t Key(const uint8_t* p) { return Load<typename Px::Pix>(p); }
  static uint32_t Color(const Job&, const uint8_t* p) { return Load<typename Px::Pix>(p); }
  static uint32_t AlphaOf(const uint8_t*) { return 255; }
};
// 32-bit: blue, green, red, alpha; 16-bit: the colour word, the alpha byte, an unread byte.
template <class Px> struct SrcAlpha {
  static constexpr int kBytes = 4;
  static constexpr bool kAlpha = true;
  static uint32_t Key(const uint8_t*) { return 0; }
  static uint32_t Color(const Job&, const uint8_t* p) { return Load<typename Px::Pix>(p); }
  static uint32_t AlphaOf(const uint8_t* p) { return p[Px::kBytes == 4 ? 3 : 2]; }
};

// One source pixel's fate under a keyed or unkeyed loop: skipped, drawn plain or with its alpha.
enum Fate { kSkip, kPlain, kWithAlpha };
template <class Src, class Rule, bool Keyed, bool Scaled>
inline Fate FateOf(const Job& j, const uint8_t* sp, uint32_t& a) {
  if constexpr (Src::kAlpha) {
    a = Src::AlphaOf(sp);
    if constexpr (Keyed) {
      if (a == 255) return kPlain;
      if (a == 0 && (Scaled || !Rule::kDrawsAlphaZero)) return kSkip;
    }
    return kWithAlpha;
  } else {
    (void)a;
    if constexpr (Keyed) {
      if (Src::Key(sp) == j.key) return kSkip;
    } else {
      (void)j, (void)sp;
    }
    return kPlain;
  }
}

template <class Px, class Rule>
inline void Put(const Job& j, uint8_t* dp, Fate fate, uint32_t s, uint32_t w, uint32_t a) {
  using Pix = typename Px::Pix;
  if (fate == kSkip) return;
  Pix D = Load<Pix>(dp);
  uint32_t r = fate == kPlain ? Rule::Plain(j.f, D, s, w) : Rule::Alpha(j.f, D, s, w, a);
  Store<Pix>(dp, (Pix)r);
}

// ---- the vector kernel of a rule, when there is one ----

// Kernel kind of a rule drawn without the alpha factor onto Px from a source of Px's size (-1:
// none). Tint and key are added by KernelFor.
template <class Rule> struct KernelKindOf { static constexpr int k32 = -1, k16 = -1; static constexpr bool tint = false; };
template <class Px, bool T> struct KernelKindOf<RuleNone<Px, T, false>> {
  static constexpr int k32 = T ? kKTint32 : kKCopy32, k16 = T ? kKTint16 : kKCopy16;
  static constexpr bool tint = T;
};
template <class Px, bool T> struct KernelKindOf<RuleAlpha<Px, T, false>> {
  static constexpr int k32 = kKAlpha32, k16 = kKAlphaN16;
  static constexpr bool tint = T;
};
template <> struct KernelKindOf<RuleAlphaL16> { static constexpr int k32 = -1, k16 = kKAlphaL16; static constexpr bool tint = false; };
template <class Px> struct KernelKindOf<RuleHalf<Px>> { static constexpr int k32 = kKHalf32, k16 = kKHalf16; static constexpr bool tint = false; };
template <class Px, bool T> struct KernelKindOf<RuleAdd<Px, T, false>> {
  static constexpr int k32 = kKAdd32, k16 = kKAdd16;
  static constexpr bool tint = T;
};
template <class Px, bool T> struct KernelKindOf<RuleSub<Px, T, false>> {
  static constexpr int k32 = kKSub32, k16 = kKSub16;
  static constexpr bool tint = T;
};
template <> struct KernelKindOf<RuleFull<kAddSat32>> { static constexpr int k32 = kKAddSat32, k16 = -1; static constexpr bool tint = false; };
template <> struct KernelKindOf<RuleFull<kSubSat32>> { static constexpr int k32 = kKSubSat32, k16 = -1; static constexpr bool tint = false; };
template <> struct KernelKindOf<RuleFull<kAddMasked32>> { static constexpr int k32 = kKAddFull32, k16 = -1; static constexpr bool tint = false; };
template <> struct KernelKindOf<RuleFull<kSubMasked32>> { static constexpr int k32 = kKSubFull32, k16 = -1; static constexpr bool tint = false; };

// The kernel that draws every pixel of a Src onto Px plainly by Rule, keyed or not; -1 when none.
// An unkeyed untinted copy is a row copy and needs none.
template <class Px, class Src, class Rule, bool Keyed> constexpr int PlainKernel() {
  using K = KernelKindOf<Rule>;
  if constexpr (Src::kBytes != Px::kBytes) {
    return -1;
  } else {
    constexpr int kind = Px::kBytes == 4 ? K::k32 : K::k16;
    if constexpr (kind < 0 || (Src::kAlpha && Keyed)) return -1;
    else if constexpr ((kind == kKCopy32 || kind == kKCopy16) && !Keyed) return -1;
    else return KernelId(kind, K::tint, Keyed);
  }
}
// The kernel that draws a source with an alpha channel in mode 0 with each pixel's alpha.
template <class Px, class Src, class Rule, bool Keyed> constexpr int AlphaKernel() {
  if constexpr (Px::kBytes == 4 && Src::kAlpha && std::is_same_v<Rule, RuleNone<Px, KernelKindOf<Rule>::tint, false>>)
    return KernelId(kKSrcAlpha32, KernelKindOf<Rule>::tint, Keyed);
  else
    return -1;
}

inline KernelArgs ArgsOf(const Job& j) {
  return KernelArgs{j.src, j.srcPitch, j.dst, j.dstPitch, j.w, j.h, j.key, (uint32_t)j.f.p, j.bright};
}

// ---- 1:1, every pixel tested ----
template <class Px, class Src, class Rule, bool Keyed>
void LoopOneToOne(const Job& j) {
  using Pix = typename Px::Pix;
  constexpr int kKernel = Src::kAlpha ? AlphaKernel<Px, Src, Rule, Keyed>() : PlainKernel<Px, Src, Rule, Keyed>();
  if constexpr (kKernel >= 0) {
    if (KernelFn k = ActiveKernel(kKernel)) {
      k(ArgsOf(j));
      return;
    }
  }
  const uint8_t* s = j.src;
  uint8_t* d = j.dst;
  const uint8_t* b = j.blend;
  const size_t rowBytes = (size_t)j.w * Px::kBytes;
  for (int32_t y = 0; y < j.h; ++y) {
    if constexpr (Rule::kCopy && !Keyed && !Src::kAlpha && Src::kBytes == Px::kBytes) {
      std::memcpy(d, s, rowBytes);
    } else if constexpr (Rule::kCopy && Keyed && !Src::kAlpha && Src::kBytes == Px::kBytes) {
      // A select rather than a branch, so the row compiles to packed compares.
      const Pix key = (Pix)j.key;
      for (int32_t x = 0; x < j.w; ++x) {
        Pix sv = Load<Pix>(s + x * Px::kBytes), dv = Load<Pix>(d + x * Px::kBytes);
        Store<Pix>(d + x * Px::kBytes, sv == key ? dv : sv);
      }
    } else {
      const uint8_t* sp = s;
      uint8_t* dp = d;
      for (int32_t x = 0; x < j.w; ++x, sp += Src::kBytes, dp += Px::kBytes) {
        uint32_t a = 0, w = 0;
        Fate fate = FateOf<Src, Rule, Keyed, false>(j, sp, a);
        if (fate == kSkip) continue;
        if constexpr (Rule::kBlend) w = j.f.weight[b[x]];
        Put<Px, Rule>(j, dp, fate, Src::Color(j, sp), w, a);
      }
    }
    s += j.srcPitch;
    d += j.dstPitch;
    if constexpr (Rule::kBlend) b += j.blendPitch;
  }
}

// ---- 1:1, 16-bit full-strength add or subtract on pixel pairs ----
template <class Src, bool Sub, bool Keyed>
void LoopPair16(const Job& j) {
  if constexpr (Src::kBytes == 2 && !Src::kAlpha) {
    if (KernelFn k = ActiveKernel(KernelId(Sub ? kKSubPair16 : kKAddPair16, false, Keyed))) {
      k(ArgsOf(j));
      return;
    }
  }
  const uint8_t* s = j.src;
  uint8_t* d = j.dst;
  auto one = [](uint32_t D, uint32_t S) { return Sub ? SubOne16(D, S) : AddOneFull16(D, S); };
  for (int32_t y = 0; y < j.h; ++y) {
    const uint8_t* sp = s;
    uint8_t* dp = d;
    int32_t x = 0;
    for (; x + 1 < j.w; x += 2, sp += 2 * Src::kBytes, dp += 4) {
      uint32_t d0 = Load<uint16_t>(dp), d1 = Load<uint16_t>(dp + 2);
      uint32_t s0 = Src::Color(j, sp), s1 = Src::Color(j, sp + Src::kBytes);
      if constexpr (Keyed) {
        bool k0 = Src::Key(sp) == j.key, k1 = Src::Key(sp + Src::kBytes) == j.key;
        if (k0 || k1) {
          if (!k0) Store<uint16_t>(dp, (uint16_t)one(d0, s0));
          if (!k1) Store<uint16_t>(dp + 2, (uint16_t)one(d1, s1));
          continue;
        }
      }
      uint32_t r = Sub ? SubPair16(d0 | d1 << 16, s0 | s1 << 16) : AddPair16(d0 | d1 << 16, s0 | s1 << 16);
      Store<uint16_t>(dp, (uint16_t)r);
      Store<uint16_t>(dp + 2, (uint16_t)(r >> 16));
    }
    if (x < j.w) {
      bool skip = false;
      if constexpr (Keyed) skip = Src::Key(sp) == j.key;
      if (!skip) Store<uint16_t>(dp, (uint16_t)one(Load<uint16_t>(dp), Src::Color(j, sp)));
    }
    s += j.srcPitch;
    d += j.dstPitch;
  }
}

// ---- 1:1 over the skip data: transparent runs cost one byte ----
template <class Px, class Src, class Rule>
void LoopFast(const Job& j) {
  const uint8_t* s = j.src;
  uint8_t* d = j.dst;
  const uint8_t* b = j.blend;
  const uint8_t* sk = j.skip;
  // Runs of the skip data go through the vector kernels one at a time.
  constexpr int kPlainK = PlainKernel<Px, Src, Rule, false>();
  constexpr int kAlphaK = AlphaKernel<Px, Src, Rule, false>();
  const KernelFn plainK = kPlainK >= 0 && !Rule::kBlend ? ActiveKernel(kPlainK) : nullptr;
  const KernelFn alphaK = kAlphaK >= 0 && !Rule::kBlend ? ActiveKernel(kAlphaK) : nullptr;
  KernelArgs ka = ArgsOf(j);
  ka.h = 1;
  for (int32_t y = 0; y < j.h; ++y) {
    const uint8_t* sp = s;
    uint8_t* dp = d;
    int32_t x = 0;
    // The run counts are clamped to the row, so damaged data can never reach past it.
    while (x < j.w) {
      uint32_t c = *sk++;
      if (c >= 0xC0) break;
      int32_t n = (int32_t)(c & 0x3F) + 1;
      if (n > j.w - x) n = j.w - x;
      if (c >= 0x40) {
        const bool withAlpha = Src::kAlpha && c >= 0x80;
        if (Rule::kCopy && Src::kBytes == Px::kBytes && !withAlpha) {
          // Runs are short (64 at most): an inline copy beats a library call.
          for (int32_t k = 0; k + 4 <= n * Px::kBytes; k += 4) Store<uint32_t>(dp + k, Load<uint32_t>(sp + k));
          if constexpr (Px::kBytes == 2) {
            if (n & 1) Store<uint16_t>(dp + (n - 1) * 2, Load<uint16_t>(sp + (n - 1) * 2));
          }
        } else if (KernelFn k = withAlpha ? alphaK : plainK) {
          ka.src = sp;
          ka.dst = dp;
          ka.w = n;
          k(ka);
        } else {
          for (int32_t k = 0; k < n; ++k) {
            uint32_t w = 0;
            if constexpr (Rule::kBlend) w = j.f.weight[b[x + k]];
            const uint8_t* p = sp + k * Src::kBytes;
            Put<Px, Rule>(j, dp + k * Px::kBytes, withAlpha ? kWithAlpha : kPlain, Src::Color(j, p), w,
                          Src::AlphaOf(p));
          }
        }
      }
      x += n;
      sp += n * Src::kBytes;
      dp += n * Px::kBytes;
      if (x == j.w) {
        if (*sk == 0xC0) ++sk;
        break;
      }
    }
    s += j.srcPitch;
    d += j.dstPitch;
    if constexpr (Rule::kBlend) b += j.blendPitch;
  }
}

// ---- scaled and mirrored, through the index plans of both axes ----
template <class Px, class Src, class Rule, bool Keyed>
void LoopScaled(const Job& j) {
  using Pix = typename Px::Pix;
  // An unkeyed plain copy writes a row that depends on its source row alone: a destination row
  // showing the same source row as the row above is a copy of it.
  constexpr bool kPure = Rule::kCopy && !Keyed && !Src::kAlpha;
  constexpr int kKernel = Src::kAlpha ? AlphaKernel<Px, Src, Rule, Keyed>() : PlainKernel<Px, Src, Rule, Keyed>();
  KernelFn kernel = nullptr;
  KernelArgs ka{};
  if constexpr (kKernel >= 0 && !Rule::kBlend) {
    kernel = ActiveKernel(kKernel);
    ka = ArgsOf(j);
    ka.src = j.rowBuffer;
    ka.h = 1;
  }
  const intptr_t* const __restrict col = j.colOff;
  const intptr_t* const __restrict bcol = j.blendColOff;
  const int32_t w = j.w, h = j.h;
  const intptr_t dpitch = j.dstPitch;
  uint8_t* drow = j.dst;
  for (int32_t y = 0; y < h; ++y, drow += dpitch) {
    const uint8_t* const srow = j.src + j.rowOff[y];
    if constexpr (kPure) {
      if (y > 0 && j.rowOff[y] == j.rowOff[y - 1]) {
        std::memcpy(drow, drow - dpitch, (size_t)w * Px::kBytes);
        continue;
      }
      // Four pixels a step: the loop's own work, and how its few instructions fall on the
      // processor's fetch lines, weigh less than one pixel a step.
      int32_t x = 0;
      for (; x + 4 <= w; x += 4) {
        const Pix p0 = (Pix)Src::Color(j, srow + col[x]), p1 = (Pix)Src::Color(j, srow + col[x + 1]);
        const Pix p2 = (Pix)Src::Color(j, srow + col[x + 2]), p3 = (Pix)Src::Color(j, srow + col[x + 3]);
        uint8_t* const dp = drow + x * Px::kBytes;
        Store<Pix>(dp, p0);
        Store<Pix>(dp + Px::kBytes, p1);
        Store<Pix>(dp + 2 * Px::kBytes, p2);
        Store<Pix>(dp + 3 * Px::kBytes, p3);
      }
      for (; x < w; ++x) Store<Pix>(drow + x * Px::kBytes, (Pix)Src::Color(j, srow + col[x]));
      continue;
    }
    if (kernel) {
      uint8_t* __restrict g = j.rowBuffer;
      for (int32_t x = 0; x < w; ++x) std::memcpy(g + x * Src::kBytes, srow + col[x], Src::kBytes);
      ka.dst = drow;
      kernel(ka);
      continue;
    }
    const uint8_t* brow = nullptr;
    if constexpr (Rule::kBlend) brow = j.blend + j.blendRowOff[y];
    uint8_t* dp = drow;
    for (int32_t x = 0; x < w; ++x, dp += Px::kBytes) {
      const uint8_t* sp = srow + col[x];
      uint32_t a = 0, wt = 0;
      Fate fate = FateOf<Src, Rule, Keyed, true>(j, sp, a);
      if (fate == kSkip) continue;
      if constexpr (Rule::kBlend) wt = j.f.weight[brow[bcol[x]]];
      Put<Px, Rule>(j, dp, fate, Src::Color(j, sp), wt, a);
    }
  }
}

template <int Walk, class Px, class Src, class Rule, bool Keyed>
void Run(const Job& j) {
  if constexpr (Walk == kWalkOneToOne) {
    LoopOneToOne<Px, Src, Rule, Keyed>(j);
  } else if constexpr (Walk == kWalkFast) {
    LoopFast<Px, Src, Rule>(j);
  } else {
    LoopScaled<Px, Src, Rule, Keyed>(j);
  }
}

// ---- the choice of loop: one table per walk, indexed by the packed options ----

// Choice packed into a table index: format, kind, rule, tint, blend image, key, packed-byte flag.
constexpr int kChoiceBits = 11;
inline int ChoiceKey(const Choice& c) {
  return (c.format & 1) | (c.kind & 3) << 1 | (c.rule & 15) << 3 | (int)c.tint << 7 | (int)c.blend << 8 |
         (int)c.keyed << 9 | (int)c.mmx << 10;
}

template <int Walk, class Px, class Src, bool Keyed, int Rule, bool Tint, bool Blend, bool Mmx>
constexpr LoopFn RuleEntry() {
  constexpr bool k32 = Px::kBytes == 4;
  if constexpr (Rule == kRuleNone) return &Run<Walk, Px, Src, RuleNone<Px, Tint, Blend>, Keyed>;
  else if constexpr (Rule == kRuleAlpha) return &Run<Walk, Px, Src, RuleAlpha<Px, Tint, Blend>, Keyed>;
  else if constexpr (Rule == kRuleAdd) return &Run<Walk, Px, Src, RuleAdd<Px, Tint, Blend>, Keyed>;
  else if constexpr (Rule == kRuleSub) return &Run<Walk, Px, Src, RuleSub<Px, Tint, Blend>, Keyed>;
  else if constexpr (Rule == kRuleMul) return &Run<Walk, Px, Src, RuleMul<Px, Tint, Blend>, Keyed>;
  // The special-parameter loops exist only for plain sources, untinted, without a blend image.
  else if constexpr (Src::kAlpha || Tint || Blend) return nullptr;
  else if constexpr (Walk == kWalkOneToOne) {
    if constexpr (Rule == kRuleAlphaL16) return k32 ? nullptr : &Run<Walk, Px, Src, RuleAlphaL16, Keyed>;
    else if constexpr (Rule == kRuleHalf) return &Run<Walk, Px, Src, RuleHalf<Px>, Keyed>;
    else if constexpr (Rule == kRuleAddFull && k32)
      return Mmx ? &Run<Walk, Px, Src, RuleFull<kAddSat32>, Keyed> : &Run<Walk, Px, Src, RuleFull<kAddMasked32>, Keyed>;
    else if constexpr (Rule == kRuleAddFull) return &LoopPair16<Src, false, Keyed>;
    else if constexpr (Rule == kRuleSubFull && k32)
      return Mmx ? &Run<Walk, Px, Src, RuleFull<kSubSat32>, Keyed> : &Run<Walk, Px, Src, RuleFull<kSubMasked32>, Keyed>;
    else if constexpr (Rule == kRuleSubFull) return &LoopPair16<Src, true, Keyed>;
    else return nullptr;
  } else if constexpr (Walk == kWalkScaled && Rule == kRuleSubFull) {
    if constexpr (k32)
      return Mmx ? &Run<Walk, Px, Src, RuleFull<kSubSat32>, Keyed> : &Run<Walk, Px, Src, RuleFull<kSubMasked32>, Keyed>;
    else return &Run<Walk, Px, Src, RuleFull<kSubOne16>, Keyed>;
  } else {
    return nullptr;
  }
}

template <int Walk, int Key>
constexpr LoopFn TableEntry() {
  constexpr int fmt = Key & 1, kind = (Key >> 1) & 3, rule = (Key >> 3) & 15;
  constexpr bool tint = (Key >> 7) & 1, blend = (Key >> 8) & 1, keyed = (Key >> 9) & 1, mmx = (Key >> 10) & 1;
  if constexpr (kind > kSrcAlpha || rule > kRuleMul || (Walk == kWalkFast && keyed)) {
    return nullptr;
  } else {
    using Px = std::conditional_t<fmt == 1, Px32, Px16>;
    using Src = std::conditional_t<kind == kSrcPal, SrcPal<Px>, std::conditional_t<kind == kSrcDirect, SrcDirect<Px>, SrcAlpha<Px>>>;
    return RuleEntry<Walk, Px, Src, keyed, rule, tint, blend, mmx>();
  }
}

template <int Walk, int... I>
constexpr auto MakeLoopTable(std::integer_sequence<int, I...>) {
  return std::array<LoopFn, sizeof...(I)>{TableEntry<Walk, I>()...};
}

template <int Walk>
LoopFn PickLoop(const Choice& c) {
  static constexpr auto kTable = MakeLoopTable<Walk>(std::make_integer_sequence<int, 1 << kChoiceBits>{});
  return kTable[ChoiceKey(c)];
}

// Defined one walk per file, so the instantiations compile in parallel.
LoopFn PickOneToOneLoop(const Choice& c);
LoopFn PickFastLoop(const Choice& c);
LoopFn PickScaledLoop(const Choice& c);

// The factor rows of one draw, from the blend tables and the draw state.
Factors TakeFactors(int32_t param, uint32_t drawBright);

}  // namespace softblit
