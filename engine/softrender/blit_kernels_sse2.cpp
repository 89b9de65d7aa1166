// The blit kernels built for SSE2 (every x86-64 processor has it), and the choice of vector
// level for a draw.
#include "engine/softrender/image_blit.h"

#include <emmintrin.h>

#include "engine/softrender/blit_vector.h"
#include "platform/system.h"

int32_t g_SoftBlitVectorMode = -1;

namespace softblit {
namespace {

struct V128 {
  using R = __m128i;
  static constexpr int kBytes = 16;
  static R Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
  static void Store(void* p, R v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
  static R Zero() { return _mm_setzero_si128(); }
  static R Set16(int16_t v) { return _mm_set1_epi16(v); }
  static R Set32(int32_t v) { return _mm_set1_epi32(v); }
  static R Set4x16(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return _mm_setr_epi16((int16_t)a, (int16_t)b, (int16_t)c, (int16_t)d, (int16_t)a, (int16_t)b, (int16_t)c, (int16_t)d);
  }
  static R And(R a, R b) { return _mm_and_si128(a, b); }
  static R Or(R a, R b) { return _mm_or_si128(a, b); }
  static R Xor(R a, R b) { return _mm_xor_si128(a, b); }
  static R AndNot(R a, R b) { return _mm_andnot_si128(a, b); }
  static R Add16(R a, R b) { return _mm_add_epi16(a, b); }
  static R Sub16(R a, R b) { return _mm_sub_epi16(a, b); }
  static R Mullo16(R a, R b) { return _mm_mullo_epi16(a, b); }
  static R MulhiU16(R a, R b) { return _mm_mulhi_epu16(a, b); }
  static R Add32(R a, R b) { return _mm_add_epi32(a, b); }
  static R Sub32(R a, R b) { return _mm_sub_epi32(a, b); }
  template <int K> static R Srli16(R a) { return _mm_srli_epi16(a, K); }
  template <int K> static R Srai16(R a) { return _mm_srai_epi16(a, K); }
  template <int K> static R Slli16(R a) { return _mm_slli_epi16(a, K); }
  template <int K> static R Srli32(R a) { return _mm_srli_epi32(a, K); }
  template <int K> static R Slli32(R a) { return _mm_slli_epi32(a, K); }
  static R Cmpeq16(R a, R b) { return _mm_cmpeq_epi16(a, b); }
  static R Cmpeq32(R a, R b) { return _mm_cmpeq_epi32(a, b); }
  static R Unlo8(R a, R z) { return _mm_unpacklo_epi8(a, z); }
  static R Unhi8(R a, R z) { return _mm_unpackhi_epi8(a, z); }
  static R Pack16(R lo, R hi) { return _mm_packus_epi16(lo, hi); }
  static R AddsU8(R a, R b) { return _mm_adds_epu8(a, b); }
  static R SubsU8(R a, R b) { return _mm_subs_epu8(a, b); }
  static R SpreadFourth16(R a) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, 0xFF), 0xFF); }
  static void Done() {}
};

}  // namespace
}  // namespace softblit

#define BLIT_KERNEL_NS sse2
#include "engine/softrender/blit_kernels.h"

namespace softblit {

const KernelFn* Sse2Kernels() {
  static const struct Table {
    KernelFn fn[kKernelCount];
    Table() { sse2::FillKernelTable<V128>(fn); }
  } table;
  return table.fn;
}

int ActiveVectorLevel() {
  const int32_t mode = g_SoftBlitVectorMode;
  if (mode == 0) return 0;
  if (mode == 1) return 1;
  return plat::CpuHasAvx2() ? 2 : 1;
}

KernelFn ActiveKernel(int id) {
  const int level = ActiveVectorLevel();
  if (level == 0 || id < 0) return nullptr;
  // Only kernels worth the wider registers have AVX2 builds; the rest run as SSE2.
  if (level == 2) {
    if (KernelFn k = Avx2Kernels()[id]) return k;
  }
  return Sse2Kernels()[id];
}

}  // namespace softblit
