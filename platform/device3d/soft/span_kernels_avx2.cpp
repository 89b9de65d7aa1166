// The sprite span kernels built for AVX2, used only where the processor reports it. Everything
// below the target switch is this file's own. Each kernel call ends by clearing the upper register
// halves, so that SSE code after it (ours or a library's) does not pay for mixing encodings.
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "platform/device3d/soft/span_vector.h"

#pragma GCC push_options
#pragma GCC target("avx2")

namespace plat::soft {
namespace {

struct V256 {
  using R = __m256i;
  static constexpr int kBytes = 32;
  static R Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
  static void Store(void* p, R v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
  static R Set16(int16_t v) { return _mm256_set1_epi16(v); }
  static R Set32(int32_t v) { return _mm256_set1_epi32(v); }
  static R And(R a, R b) { return _mm256_and_si256(a, b); }
  static R Or(R a, R b) { return _mm256_or_si256(a, b); }
  static R Xor(R a, R b) { return _mm256_xor_si256(a, b); }
  static R AndNot(R a, R b) { return _mm256_andnot_si256(a, b); }
  static R Add16(R a, R b) { return _mm256_add_epi16(a, b); }
  static R Sub16(R a, R b) { return _mm256_sub_epi16(a, b); }
  static R Min16(R a, R b) { return _mm256_min_epi16(a, b); }
  static R Mullo16(R a, R b) { return _mm256_mullo_epi16(a, b); }
  static R MulhiU16(R a, R b) { return _mm256_mulhi_epu16(a, b); }
  static R Srl16(R a, int n) { return _mm256_srl_epi16(a, _mm_cvtsi32_si128(n)); }
  static R Sll16(R a, int n) { return _mm256_sll_epi16(a, _mm_cvtsi32_si128(n)); }
  template <int K> static R Slli16(R a) { return _mm256_slli_epi16(a, K); }
  template <int K> static R Srli16(R a) { return _mm256_srli_epi16(a, K); }
  // Each pixel's upper 16-bit half copied into both halves.
  static R SpreadUpper16(R a) { return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(a, 0xF5), 0xF5); }
  template <int K> static R Srli32(R a) { return _mm256_srli_epi32(a, K); }
  static R Cmpeq16(R a, R b) { return _mm256_cmpeq_epi16(a, b); }
  static R Cmpgt16(R a, R b) { return _mm256_cmpgt_epi16(a, b); }
  static R Cmpgt32(R a, R b) { return _mm256_cmpgt_epi32(a, b); }
  static R Packs32(R a, R b) { return _mm256_packs_epi32(a, b); }
  static R Unlo16(R a, R b) { return _mm256_unpacklo_epi16(a, b); }
  static R Unhi16(R a, R b) { return _mm256_unpackhi_epi16(a, b); }
  // Packing two registers of 32-bit pixels interleaves their 64-bit quarters; 16-bit pixels
  // loaded whole are put in that same order (and back: the swap is its own inverse).
  static R FixOrder16(R a) { return _mm256_permute4x64_epi64(a, 0xD8); }
  static void Done() { _mm256_zeroupper(); }
};

}  // namespace
}  // namespace plat::soft

#define SPAN_KERNEL_NS avx2
#include "platform/device3d/soft/span_kernels.h"

namespace plat::soft {

const SpanKernelFn* Avx2SpanKernels() {
  static const struct Table {
    SpanKernelFn fn[kSpanKernelCount] = {};
    Table() { avx2::FillSpanTable<V256>(fn); }
  } table;
  return table.fn;
}

bool TexelTableAvx2(int* out, int c0, int n, double p0, double base, double d, double add, int size) {
  const __m256d vb = _mm256_set1_pd(base), vd = _mm256_set1_pd(d), vp = _mm256_set1_pd(p0), va = _mm256_set1_pd(add);
  const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0), vs = _mm256_set1_pd(static_cast<double>(size));
  const __m256d four = _mm256_set1_pd(4.0);
  const __m128i last = _mm_set1_epi32(size - 1), ones = _mm_set1_epi32(1);
  __m256d c = _mm256_setr_pd(c0, c0 + 1.0, c0 + 2.0, c0 + 3.0);   // whole numbers: adding 4 stays exact
  __m128i inOrder = _mm_set1_epi32(-1), before = _mm_setzero_si128(), skipFirst = _mm_setr_epi32(-1, 0, 0, 0);
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    // The same operations as Clamp01 and the floor of the scalar form: max gives 0 for NaN.
    const __m256d v = _mm256_add_pd(_mm256_add_pd(vb, _mm256_mul_pd(vd, _mm256_sub_pd(c, vp))), va);
    c = _mm256_add_pd(c, four);
    const __m128i r = _mm_min_epi32(_mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_min_pd(_mm256_max_pd(v, zero), one), vs)), last);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), r);
    const __m128i prev = _mm_or_si128(_mm_slli_si128(r, 4), before);
    inOrder = _mm_and_si128(inOrder, _mm_or_si128(_mm_cmpeq_epi32(r, _mm_add_epi32(prev, ones)), skipFirst));
    skipFirst = _mm_setzero_si128();
    before = _mm_srli_si128(r, 12);
  }
  bool ordered = _mm_movemask_epi8(inOrder) == 0xFFFF;
  _mm256_zeroupper();
  for (; i < n; ++i) {
    const double v = (base + d * ((c0 + i) - p0)) + add;
    const double clamped = !(v >= 0.0) ? 0.0 : (v > 1.0 ? 1.0 : v);
    const int t = static_cast<int>(clamped * size);
    out[i] = t > size - 1 ? size - 1 : t;
    if (i > 0 && out[i] != out[i - 1] + 1) ordered = false;
  }
  return ordered;
}

namespace {

template <int kTexBytes>
void TurnedTexelsOf(uint8_t* out, const uint8_t* base, int x0, int n, const TurnedRow& r) {
  const __m256d vp = _mm256_set1_pd(r.px0), ub = _mm256_set1_pd(r.uBase), ud = _mm256_set1_pd(r.du);
  const __m256d vb = _mm256_set1_pd(r.vBase), vd = _mm256_set1_pd(r.dv);
  const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0), four = _mm256_set1_pd(4.0);
  const __m256d w = _mm256_set1_pd(static_cast<double>(r.width)), h = _mm256_set1_pd(static_cast<double>(r.height));
  const __m128i wLast = _mm_set1_epi32(r.width - 1), hLast = _mm_set1_epi32(r.height - 1);
  // Column and row side by side in 16-bit halves, multiplied and added in one step.
  const __m128i scale = _mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(r.pitch) << 16 | kTexBytes));
  const int* const words = reinterpret_cast<const int*>(base);
  __m256d c = _mm256_setr_pd(x0, x0 + 1.0, x0 + 2.0, x0 + 3.0);   // whole numbers: adding 4 stays exact
  for (int i = 0; i < n; i += 4) {
    const __m256d col = _mm256_sub_pd(c, vp);
    c = _mm256_add_pd(c, four);
    // Clamp01 as max then min (max gives 0 for NaN), the floor of a value in [0, size] a truncation.
    const __m256d u = _mm256_add_pd(ub, _mm256_mul_pd(ud, col)), v = _mm256_add_pd(vb, _mm256_mul_pd(vd, col));
    const __m128i tx = _mm_min_epi32(_mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_min_pd(_mm256_max_pd(u, zero), one), w)), wLast);
    const __m128i ty = _mm_min_epi32(_mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_min_pd(_mm256_max_pd(v, zero), one), h)), hLast);
    const __m128i off = _mm_madd_epi16(_mm_or_si128(tx, _mm_slli_epi32(ty, 16)), scale);
    if constexpr (kTexBytes == 4) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), _mm_i32gather_epi32(words, off, 1));
    } else {
      // A 16-bit texel read as the upper half of the word two bytes before it, so that no read
      // passes the texel's own end; the texture's first texel as the lower half of the first word.
      const __m128i two = _mm_set1_epi32(2), low = _mm_cmpgt_epi32(two, off);
      const __m128i word = _mm_i32gather_epi32(words, _mm_sub_epi32(off, _mm_andnot_si128(low, two)), 1);
      const __m128i texel = _mm_and_si128(_mm_srlv_epi32(word, _mm_andnot_si128(low, _mm_set1_epi32(16))), _mm_set1_epi32(0xFFFF));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 2 * i), _mm_packus_epi32(texel, texel));
    }
  }
  _mm256_zeroupper();
}

}  // namespace

bool FilteredTexelsAvx2(uint8_t* out, uint8_t* absent, const uint8_t* base, int x0, int n, const TurnedRow& r,
                        const FilterSetup& f) {
  const __m256d vp = _mm256_set1_pd(r.px0), ub = _mm256_set1_pd(r.uBase), ud = _mm256_set1_pd(r.du);
  const __m256d vb = _mm256_set1_pd(r.vBase), vd = _mm256_set1_pd(r.dv);
  const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0), four = _mm256_set1_pd(4.0);
  const __m256d half = _mm256_set1_pd(0.5), steps = _mm256_set1_pd(256.0);
  const __m256d w = _mm256_set1_pd(static_cast<double>(r.width)), h = _mm256_set1_pd(static_cast<double>(r.height));
  const __m128i wLast = _mm_set1_epi32(r.width - 1), hLast = _mm_set1_epi32(r.height - 1), none = _mm_setzero_si128();
  const __m128i n256 = _mm_set1_epi32(256), ones = _mm_set1_epi32(1), two = _mm_set1_epi32(2);
  const __m128i scale = _mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(r.pitch) << 16 | static_cast<uint32_t>(r.texBytes)));
  const __m128i flip = _mm_set1_epi32(static_cast<int32_t>(0x80000000u));
  const __m128i keyLo = _mm_set1_epi32(static_cast<int32_t>(f.keyLow ^ 0x80000000u));
  const __m128i keyHi = _mm_set1_epi32(static_cast<int32_t>(f.keyHigh ^ 0x80000000u));
  __m128i mask[4], mul[4], add[4], shift[4], down[4];
  for (int k = 0; k < 4; ++k) {
    mask[k] = _mm_set1_epi32(f.channel[k].mask);
    mul[k] = _mm_set1_epi32(f.channel[k].mul);
    add[k] = _mm_set1_epi32(f.channel[k].add);
    shift[k] = _mm_cvtsi32_si128(f.channel[k].shift);
    down[k] = _mm_cvtsi32_si128(f.channel[k].down);
  }
  const int* const words = reinterpret_cast<const int*>(base);
  // The raw texels at byte offsets `off`; 16-bit ones as the upper half of the word before them.
  auto fetch = [&](__m128i off) {
    if (r.texBytes == 4) return _mm_i32gather_epi32(words, off, 1);
    const __m128i low = _mm_cmpgt_epi32(two, off);
    const __m128i word = _mm_i32gather_epi32(words, _mm_sub_epi32(off, _mm_andnot_si128(low, two)), 1);
    return _mm_and_si128(_mm_srlv_epi32(word, _mm_andnot_si128(low, _mm_set1_epi32(16))), _mm_set1_epi32(0xFFFF));
  };
  __m256d c = _mm256_setr_pd(x0, x0 + 1.0, x0 + 2.0, x0 + 3.0);   // whole numbers: adding 4 stays exact
  bool any = false;
  for (int i = 0; i < n; i += 4) {
    const __m256d col = _mm256_sub_pd(c, vp);
    c = _mm256_add_pd(c, four);
    const __m256d u = _mm256_add_pd(ub, _mm256_mul_pd(ud, col)), v = _mm256_add_pd(vb, _mm256_mul_pd(vd, col));
    // fx = Clamp01(u) x width - 0.5, its floor and the weight (fx - floor) x 256 truncated.
    const __m256d fx = _mm256_sub_pd(_mm256_mul_pd(_mm256_min_pd(_mm256_max_pd(u, zero), one), w), half);
    const __m256d fy = _mm256_sub_pd(_mm256_mul_pd(_mm256_min_pd(_mm256_max_pd(v, zero), one), h), half);
    const __m256d flx = _mm256_floor_pd(fx), fly = _mm256_floor_pd(fy);
    const __m128i ix = _mm256_cvttpd_epi32(flx), iy = _mm256_cvttpd_epi32(fly);
    const __m128i wx = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_sub_pd(fx, flx), steps));
    const __m128i wy = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_sub_pd(fy, fly), steps));
    const __m128i xs[2] = {_mm_min_epi32(_mm_max_epi32(ix, none), wLast), _mm_min_epi32(_mm_max_epi32(_mm_add_epi32(ix, ones), none), wLast)};
    const __m128i ys[2] = {_mm_min_epi32(_mm_max_epi32(iy, none), hLast), _mm_min_epi32(_mm_max_epi32(_mm_add_epi32(iy, ones), none), hLast)};
    const __m128i wxs[2] = {_mm_sub_epi32(n256, wx), wx}, wys[2] = {_mm_sub_epi32(n256, wy), wy};
    __m128i sum[4] = {none, none, none, none}, present = none;
    for (int j = 0; j < 2; ++j) {
      for (int k = 0; k < 2; ++k) {
        const __m128i raw = fetch(_mm_madd_epi16(_mm_or_si128(xs[k], _mm_slli_epi32(ys[j], 16)), scale));
        __m128i wt = _mm_mullo_epi32(wxs[k], wys[j]);
        if (f.keyOn) {
          const __m128i x = _mm_xor_si128(raw, flip);
          const __m128i out = _mm_or_si128(_mm_cmpgt_epi32(keyLo, x), _mm_cmpgt_epi32(x, keyHi));
          wt = _mm_and_si128(wt, out);   // a keyed texel weighs nothing
        }
        present = _mm_or_si128(present, _mm_cmpgt_epi32(wt, none));
        for (int ch = 0; ch < 4; ++ch) {
          const __m128i v8 = _mm_srl_epi32(
              _mm_add_epi32(_mm_mullo_epi32(_mm_and_si128(_mm_srl_epi32(raw, shift[ch]), mask[ch]), mul[ch]), add[ch]), down[ch]);
          sum[ch] = _mm_add_epi32(sum[ch], _mm_mullo_epi32(v8, wt));
        }
      }
    }
    const __m128i round = _mm_set1_epi32(32768);
    __m128i px = _mm_srli_epi32(_mm_add_epi32(sum[0], round), 16);
    px = _mm_or_si128(px, _mm_slli_epi32(_mm_srli_epi32(_mm_add_epi32(sum[1], round), 16), 8));
    px = _mm_or_si128(px, _mm_slli_epi32(_mm_srli_epi32(_mm_add_epi32(sum[2], round), 16), 16));
    px = _mm_or_si128(px, _mm_slli_epi32(_mm_srli_epi32(_mm_add_epi32(sum[3], round), 16), 24));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), px);
    // Flags of the four pixels as bytes: 1 where nothing was present.
    const __m128i gone = _mm_andnot_si128(present, ones);
    const int flags = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(gone, gone), none));
    std::memcpy(absent + i, &flags, 4);
    const int valid = n - i >= 4 ? 0xF : (1 << (n - i)) - 1;
    any |= (_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(present, none))) & valid) != 0;
  }
  _mm256_zeroupper();
  return any;
}

TurnedTexelsFn TurnedTexelsAvx2(int texBytes) { return texBytes == 4 ? &TurnedTexelsOf<4> : &TurnedTexelsOf<2>; }

}  // namespace plat::soft

#pragma GCC pop_options
