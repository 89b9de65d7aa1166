// The vector kernels compute the blend tables' entries and the rules' floors by closed forms in
// 16-bit lanes instead of reading the tables. Each form is checked here over its whole range,
// together with the bound that keeps every intermediate inside 16 bits.
#include <gtest/gtest.h>

#include <cstdint>
#include "engine/graphics/draw_state.h"

namespace {

uint32_t Div255(uint32_t x) { return (x + 1 + (x >> 8)) >> 8; }

TEST(VectorClosedForms, TableEntriesEqualTheirClosedForms) {
  BuildBlendLookupTables();
  for (uint32_t a = 0; a < 256; ++a) {
    for (uint32_t b = 0; b < 256; ++b) {
      const uint32_t x = a * b;
      ASSERT_LT(x + 1 + (x >> 8), 65536u);
      ASSERT_EQ(g_BlendTables.product[a][b], Div255(x)) << a << " x " << b;
    }
    // N[p][k] for the differences of 16-bit fields (at most 63 either way), signed back.
    for (int32_t k = -63; k <= 63; ++k) {
      const uint32_t mag = (uint32_t)(k < 0 ? -k : k);
      const int32_t q = (int32_t)Div255(mag * a);
      ASSERT_EQ(g_BlendTables.signedProduct[a][255 + k], k < 0 ? -q : q) << a << ", " << k;
    }
  }
  // L[i][m][n] = n + floor(i (m - n + 63) / 63) - i, the division a high multiply by
  // ceil(i 65536 / 63); green's is taken on 32 (m - n + 63) with the low five bits dropped.
  // i = 63 is the source itself.
  for (uint32_t i = 0; i < 64; ++i) {
    const uint32_t a = (i * 65536 + 62) / 63;
    for (uint32_t m = 0; m < 64; ++m) {
      for (uint32_t n = 0; n < 64; ++n) {
        const uint32_t want = g_BlendTables.lerp63[i][m][n];
        if (i == 63) {
          ASSERT_EQ(want, m);
          continue;
        }
        const uint32_t u = m + 63 - n;
        ASSERT_LT(32 * u, 65536u);
        ASSERT_EQ(want, n + ((u * a) >> 16) - i) << i << ", " << m << ", " << n;
        ASSERT_EQ(32 * want, 32 * n + (((32 * u * a) >> 16) & ~31u) - 32 * i) << i << ", " << m << ", " << n;
      }
    }
  }
}

TEST(VectorClosedForms, FloorsOfTheAlphaRulesAreOneShiftIn16Bits) {
  // d + floor((t - d) f / 256) = (t f + d (256 - f)) >> 8 for a parameter or alpha f, which the
  // 32-bit alpha and the source-alpha kernels compute; the sum never passes 65280.
  for (int32_t f = 0; f <= 255; ++f) {
    for (int32_t t = 0; t < 256; ++t) {
      for (int32_t d = 0; d < 256; ++d) {
        const int32_t sum = t * f + d * (256 - f);
        ASSERT_LE(sum, 65280);
        ASSERT_EQ(d + ((t - d) * f >> 8), sum >> 8) << t << ", " << d << ", " << f;
      }
    }
  }
}

}  // namespace
