// The sprite span kernels built for SSE2, the channel descriptions, and the choice of vector
// level for a draw.
#include <emmintrin.h>

#include "platform/device3d/soft/span_vector.h"
#include "platform/system.h"

namespace plat::soft {

int g_SoftRasterVectorMode = -1;

namespace {

struct V128 {
  using R = __m128i;
  static constexpr int kBytes = 16;
  static R Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
  static void Store(void* p, R v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
  static R Set16(int16_t v) { return _mm_set1_epi16(v); }
  static R Set32(int32_t v) { return _mm_set1_epi32(v); }
  static R And(R a, R b) { return _mm_and_si128(a, b); }
  static R Or(R a, R b) { return _mm_or_si128(a, b); }
  static R Xor(R a, R b) { return _mm_xor_si128(a, b); }
  static R AndNot(R a, R b) { return _mm_andnot_si128(a, b); }
  static R Add16(R a, R b) { return _mm_add_epi16(a, b); }
  static R Sub16(R a, R b) { return _mm_sub_epi16(a, b); }
  static R Min16(R a, R b) { return _mm_min_epi16(a, b); }
  static R Mullo16(R a, R b) { return _mm_mullo_epi16(a, b); }
  static R MulhiU16(R a, R b) { return _mm_mulhi_epu16(a, b); }
  static R Srl16(R a, int n) { return _mm_srl_epi16(a, _mm_cvtsi32_si128(n)); }
  static R Sll16(R a, int n) { return _mm_sll_epi16(a, _mm_cvtsi32_si128(n)); }
  template <int K> static R Slli16(R a) { return _mm_slli_epi16(a, K); }
  template <int K> static R Srli16(R a) { return _mm_srli_epi16(a, K); }
  // Each pixel's upper 16-bit half copied into both halves.
  static R SpreadUpper16(R a) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, 0xF5), 0xF5); }
  template <int K> static R Srli32(R a) { return _mm_srli_epi32(a, K); }
  static R Cmpeq16(R a, R b) { return _mm_cmpeq_epi16(a, b); }
  static R Cmpgt16(R a, R b) { return _mm_cmpgt_epi16(a, b); }
  static R Cmpgt32(R a, R b) { return _mm_cmpgt_epi32(a, b); }
  static R Packs32(R a, R b) { return _mm_packs_epi32(a, b); }
  static R Unlo16(R a, R b) { return _mm_unpacklo_epi16(a, b); }
  static R Unhi16(R a, R b) { return _mm_unpackhi_epi16(a, b); }
  static R FixOrder16(R a) { return a; }
  static void Done() {}
};

}  // namespace
}  // namespace plat::soft

#define SPAN_KERNEL_NS sse2
#include "platform/device3d/soft/span_kernels.h"

namespace plat::soft {

const SpanKernelFn* Sse2SpanKernels() {
  static const struct Table {
    SpanKernelFn fn[kSpanKernelCount] = {};
    Table() { sse2::FillSpanTable<V128>(fn); }
  } table;
  return table.fn;
}

bool SpanAvx2Active() { return g_SoftRasterVectorMode != 1 && plat::CpuHasAvx2(); }

SpanKernelFn ActiveSpanKernel(int index) {
  if (g_SoftRasterVectorMode == 0 || index < 0 || index >= kSpanKernelCount) return nullptr;
  if (SpanAvx2Active()) return Avx2SpanKernels()[index];
  return Sse2SpanKernels()[index];
}

Channel16 MakeChannel16(int shift, int bits, bool alpha) {
  // (c x mul + add) >> down = round(c x 255 / (2^bits - 1)) for every c, within 16 bits.
  static const uint16_t kWiden[9][3] = {{0, 0, 0},    {255, 0, 0}, {85, 0, 0},  {73, 0, 1},  {17, 0, 0},
                                        {527, 23, 6}, {259, 33, 6}, {129, 0, 6}, {1, 0, 0}};
  Channel16 c{};
  if (bits <= 0 || bits > 8) {
    c.add = alpha ? 255 : 0;
    return c;
  }
  c.shift = (uint16_t)shift;
  c.mask = (uint16_t)((1u << bits) - 1);
  c.mul = kWiden[bits][0];
  c.add = kWiden[bits][1];
  c.down = kWiden[bits][2];
  c.narrow = (uint16_t)(8 - bits);
  return c;
}

}  // namespace plat::soft
