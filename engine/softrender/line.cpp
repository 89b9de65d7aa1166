// Lines and line lists of one colour. A line draws its first end point and never its second, so
// that lines joined end to start draw every joint once.
#include "engine/softrender/geometry_internal.h"

using namespace softgeom;

namespace {

template <int Fmt, int Rule>
void WalkLine(uint8_t* base, intptr_t stepX, intptr_t stepY, int32_t dx, int32_t dy,
              const ConstColour& k) {
  intptr_t off = 0;
  int32_t e = 0;
  if (dx >= dy) {
    for (int32_t i = 0; i < dx; ++i) {
      ApplyConst<Fmt, Rule>(base + off, k);
      off += stepX;
      e += dy;
      if (e >= dx) {
        off += stepY;
        e -= dx;
      }
    }
  } else {
    for (int32_t i = 0; i < dy; ++i) {
      ApplyConst<Fmt, Rule>(base + off, k);
      off += stepY;
      e += dx;
      if (e >= dy) {
        off += stepX;
        e -= dy;
      }
    }
  }
}

}  // namespace

void RasterizeLineMemImg(MemImg* dest, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
  // A paletted image has one byte per pixel; drawing colour words into it would overrun its rows.
  if (dest == nullptr || dest->pixels == nullptr || dest->paletteFlag) return;
  RectI clip;
  if (!GetClipRect(dest, &clip)) return;
  const int32_t L = clip.left, T = clip.top, R = clip.right, B = clip.bottom;
  if ((x1 < x2 ? x1 : x2) >= R || (y1 < y2 ? y1 : y2) >= B || (x1 > x2 ? x1 : x2) < L ||
      (y1 > y2 ? y1 : y2) < T)
    return;

  // Line equation from the unclipped end points.
  double fx1 = x1, fy1 = y1, fx2 = x2, fy2 = y2;
  double kx = y1 == y2 ? 0.0 : (fx2 - fx1) / (fy2 - fy1);
  double ky = x1 == x2 ? 0.0 : (fy2 - fy1) / (fx2 - fx1);
  double bx = fx1 - kx * fy1;
  double by = fy1 - ky * fx1;
  auto yOf = [&](int32_t x) { return TruncToIntIndefinite((double)x * ky + by); };
  auto xOf = [&](int32_t y) { return TruncToIntIndefinite((double)y * kx + bx); };

  if (x1 < L) { x1 = L; y1 = yOf(x1); } else if (x1 >= R) { x1 = R - 1; y1 = yOf(x1); }
  if (x2 < L) { x2 = L - 1; y2 = yOf(x2); } else if (x2 >= R) { x2 = R; y2 = yOf(x2); }
  if (y1 < T) { y1 = T; x1 = xOf(y1); } else if (y1 >= B) { y1 = B - 1; x1 = xOf(y1); }
  if (y2 < T) { y2 = T - 1; x2 = xOf(y2); } else if (y2 >= B) { y2 = B; x2 = xOf(y2); }
  x1 = x1 < L ? L : (x1 > R - 1 ? R - 1 : x1);
  y1 = y1 < T ? T : (y1 > B - 1 ? B - 1 : y1);
  if (x2 < L) x2 = L - 1; else if (x2 >= R) x2 = R;
  if (y2 < T) y2 = T - 1; else if (y2 >= B) y2 = B;

  int32_t dx = x2 - x1, dy = y2 - y1;
  if (dx == 0 && dy == 0) return;
  int32_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  dx = dx < 0 ? -dx : dx;
  dy = dy < 0 ? -dy : dy;

  int format = dest->format;
  if (format != MEMIMG_FORMAT_RGB16 && format != MEMIMG_FORMAT_RGB32) return;
  int rule = ChooseConstRule();
  if (rule == CONST_NONE) return;
  ConstColour k = MakeConstColour(TintConstColour(colour, format), format);
  intptr_t bpp = PixelBytes(dest);
  uint8_t* base = dest->pixels + (intptr_t)y1 * dest->pitch + (intptr_t)x1 * bpp;
  intptr_t stepX = sx * bpp, stepY = sy * (intptr_t)dest->pitch;
  DispatchConst(format, rule, [&]<int Fmt, int Rule>() {
    WalkLine<Fmt, Rule>(base, stepX, stepY, dx, dy, k);
  });
  MemImgMarkChanged(dest);
}

void DrawLineRecordsMemImg(MemImg* dest, const LineRecord* records, int32_t count) {
  if (records == nullptr || count <= 0) return;
  for (int32_t i = 0; i < count; ++i)
    RasterizeLineMemImg(dest, records[i].x1, records[i].y1, records[i].x2, records[i].y2, records[i].colour);
}
