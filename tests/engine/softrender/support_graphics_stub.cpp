// Stand-ins for the graphics definitions the blits read, until the graphics folder provides them.
// Built straight from the table definitions, so the blit tests also check the table use.
#include <cstdlib>
#include "engine/graphics/draw_state.h"

DrawState g_DrawState;
BlendLookupTables g_BlendTables;
uint8_t g_BlendWeightTable[256];

void BuildBlendLookupTables() {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) g_BlendTables.product[a][b] = (uint32_t)(a * b / 255);
    for (int j = 0; j < 511; ++j) g_BlendTables.signedProduct[a][j] = a * (j - 255) / 255;
  }
  for (int i = 0; i < 64; ++i)
    for (int m = 0; m < 64; ++m)
      for (int n = 0; n < 64; ++n) g_BlendTables.lerp63[i][m][n] = (uint8_t)((i * m + (63 - i) * n) / 63);
  g_BlendTables.ready = 1;
}

int ClipRectToRect(RectI* a, const RectI* b) {
  if (a->right < a->left) a->right = a->left;
  if (a->bottom < a->top) a->bottom = a->top;
  auto clamp = [](int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; };
  a->top = clamp(a->top, b->top, b->bottom);
  a->bottom = clamp(a->bottom, b->top, b->bottom);
  a->left = clamp(a->left, b->left, b->right);
  a->right = clamp(a->right, b->left, b->right);
  return 0;
}
