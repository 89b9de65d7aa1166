// Filled box with one colour under the draw state's blend mode, bright and draw area.
#include "engine/softrender/geometry_internal.h"

using namespace softgeom;

namespace {

template <int Fmt, int Rule>
void FillRows(uint8_t* row, int32_t pitch, int32_t width, int32_t height, const ConstColour& k) {
  constexpr int32_t bytes = Fmt == MEMIMG_FORMAT_RGB32 ? 4 : 2;
  for (int32_t y = 0; y < height; ++y, row += pitch) {
    uint8_t* p = row;
    if constexpr (Rule == CONST_FILL && Fmt == MEMIMG_FORMAT_RGB16) {
      // Two pixels per store.
      uint32_t pair = (k.c & 0xFFFFu) | (k.c << 16);
      int32_t x = 0;
      for (; x + 1 < width; x += 2, p += 4) Store32(p, pair);
      if (x < width) Store16(p, k.c);
    } else {
      for (int32_t x = 0; x < width; ++x, p += bytes) ApplyConst<Fmt, Rule>(p, k);
    }
  }
}

}  // namespace

void DrawFilledBoxMemImg(MemImg* dest, const RectI* rect, uint32_t colour) {
  if (dest == nullptr || dest->pixels == nullptr || dest->paletteFlag || dest->alphaFlag) return;
  RectI r;
  if (rect == nullptr) {
    r = {0, 0, dest->width, dest->height};
  } else {
    r.left = rect->left < rect->right ? rect->left : rect->right;
    r.right = rect->left < rect->right ? rect->right : rect->left;
    r.top = rect->top < rect->bottom ? rect->top : rect->bottom;
    r.bottom = rect->top < rect->bottom ? rect->bottom : rect->top;
  }
  RectI clip;
  if (!GetClipRect(dest, &clip)) return;
  ClipRectToRect(&r, &clip);
  int32_t width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return;
  int format = dest->format;
  if (format != MEMIMG_FORMAT_RGB16 && format != MEMIMG_FORMAT_RGB32) return;
  int rule = ChooseConstRule();
  if (rule == CONST_NONE) return;
  ConstColour k = MakeConstColour(TintConstColour(colour, format), format);
  int32_t bytes = format == MEMIMG_FORMAT_RGB32 ? 4 : 2;
  uint8_t* row = dest->pixels + (intptr_t)r.top * dest->pitch + (intptr_t)r.left * bytes;
  DispatchConst(format, rule, [&]<int Fmt, int Rule>() {
    FillRows<Fmt, Rule>(row, dest->pitch, width, height, k);
  });
  MemImgMarkChanged(dest);
}
