// The blit kernels built for AVX2, used only where the processor reports it. Everything below the
// target switch is this file's own, so no AVX2 code can stand in for a function of another file.
// Each kernel ends by clearing the upper register halves: SSE code that runs after it in the same
// process (ours or a library's) would otherwise pay for mixing the two encodings.
#include <immintrin.h>

#include <cstdint>

#include "engine/softrender/blit_vector.h"

#pragma GCC push_options
#pragma GCC target("avx2")

namespace softblit {
namespace {

struct V256 {
  using R = __m256i;
  static constexpr int kBytes = 32;
  static R Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
  static void Store(void* p, R v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
  static R Zero() { return _mm256_setzero_si256(); }
  static R Set16(int16_t v) { return _mm256_set1_epi16(v); }
  static R Set32(int32_t v) { return _mm256_set1_epi32(v); }
  static R Set4x16(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    const int16_t A = (int16_t)a, B = (int16_t)b, C = (int16_t)c, D = (int16_t)d;
    return _mm256_setr_epi16(A, B, C, D, A, B, C, D, A, B, C, D, A, B, C, D);
  }
  static R And(R a, R b) { return _mm256_and_si256(a, b); }
  static R Or(R a, R b) { return _mm256_or_si256(a, b); }
  static R Xor(R a, R b) { return _mm256_xor_si256(a, b); }
  static R AndNot(R a, R b) { return _mm256_andnot_si256(a, b); }
  static R Add16(R a, R b) { return _mm256_add_epi16(a, b); }
  static R Sub16(R a, R b) { return _mm256_sub_epi16(a, b); }
  static R Mullo16(R a, R b) { return _mm256_mullo_epi16(a, b); }
  static R MulhiU16(R a, R b) { return _mm256_mulhi_epu16(a, b); }
  static R Add32(R a, R b) { return _mm256_add_epi32(a, b); }
  static R Sub32(R a, R b) { return _mm256_sub_epi32(a, b); }
  template <int K> static R Srli16(R a) { return _mm256_srli_epi16(a, K); }
  template <int K> static R Srai16(R a) { return _mm256_srai_epi16(a, K); }
  template <int K> static R Slli16(R a) { return _mm256_slli_epi16(a, K); }
  template <int K> static R Srli32(R a) { return _mm256_srli_epi32(a, K); }
  template <int K> static R Slli32(R a) { return _mm256_slli_epi32(a, K); }
  static R Cmpeq16(R a, R b) { return _mm256_cmpeq_epi16(a, b); }
  static R Cmpeq32(R a, R b) { return _mm256_cmpeq_epi32(a, b); }
  static R Unlo8(R a, R z) { return _mm256_unpacklo_epi8(a, z); }
  static R Unhi8(R a, R z) { return _mm256_unpackhi_epi8(a, z); }
  static R Pack16(R lo, R hi) { return _mm256_packus_epi16(lo, hi); }
  static R AddsU8(R a, R b) { return _mm256_adds_epu8(a, b); }
  static R SubsU8(R a, R b) { return _mm256_subs_epu8(a, b); }
  static R SpreadFourth16(R a) { return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(a, 0xFF), 0xFF); }
  static void Done() { _mm256_zeroupper(); }
};

}  // namespace
}  // namespace softblit

#define BLIT_KERNEL_NS avx2
#include "engine/softrender/blit_kernels.h"

namespace softblit {

const KernelFn* Avx2Kernels() {
  static const struct Table {
    KernelFn fn[kKernelCount];
    Table() { avx2::FillKernelTable<V256>(fn); }
  } table;
  return table.fn;
}

}  // namespace softblit

#pragma GCC pop_options
