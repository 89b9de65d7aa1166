// Axis-aligned ovals, filled or outlined: an integer circle walk over one quadrant in which the
// shorter axis is scaled by an accumulator, mirrored into the other three. Filled rows are flagged
// so that no row is blended twice.
#include "engine/softrender/geometry_internal.h"

#include <cstdlib>
#include "engine/base/memory.h"
#include "engine/softrender/oval_walk.h"

using namespace softgeom;

namespace {

struct OvalWalk {
  uint8_t* pixels;
  intptr_t pitch, bpp;
  int64_t xmin, ymin, xmax, ymax;
  int64_t cx, cy;
  int64_t rx, ry;
  uint8_t* rowFlags;
  ConstColour k;
};

template <int Fmt, int Rule>
void Span(const OvalWalk& o, int64_t yy, int64_t xa, int64_t xb) {
  if (yy < o.ymin || yy > o.ymax || xb < o.xmin || xa > o.xmax) return;
  if (o.rowFlags[yy]) return;
  if (xa < o.xmin) xa = o.xmin;
  if (xb > o.xmax) xb = o.xmax;
  if (xb < xa) return;
  o.rowFlags[yy] = 1;
  uint8_t* p = o.pixels + (intptr_t)yy * o.pitch + (intptr_t)xa * o.bpp;
  for (int64_t x = xa; x <= xb; ++x, p += o.bpp) ApplyConst<Fmt, Rule>(p, o.k);
}

template <int Fmt, int Rule>
void Point(const OvalWalk& o, int64_t px, int64_t py) {
  if (px < o.xmin || px > o.xmax || py < o.ymin || py > o.ymax) return;
  ApplyConst<Fmt, Rule>(o.pixels + (intptr_t)py * o.pitch + (intptr_t)px * o.bpp, o.k);
}

template <int Fmt, int Rule, bool Fill, bool Wide>
void Walk(const OvalWalk& o) {
  WalkOvalQuadrants<Fill, Wide>(
      o.cx, o.cy, o.rx, o.ry, [&](int64_t yy, int64_t xa, int64_t xb) { Span<Fmt, Rule>(o, yy, xa, xb); },
      [&](int64_t px, int64_t py) { Point<Fmt, Rule>(o, px, py); });
}

}  // namespace

void DrawOvalMemImg(MemImg* dest, int32_t cx, int32_t cy, int32_t rx, int32_t ry, uint32_t colour,
                    int32_t fill) {
  if (rx == 0 || ry == 0) return;
  // A paletted image has one byte per pixel; colour words would overrun its rows.
  if (dest == nullptr || dest->pixels == nullptr || dest->paletteFlag) return;
  OvalWalk o;
  RectI clip;
  if (!GetClipRect(dest, &clip)) return;
  o.xmin = clip.left;
  o.ymin = clip.top;
  o.xmax = clip.right - 1;
  o.ymax = clip.bottom - 1;
  o.rx = std::llabs((int64_t)rx);
  o.ry = std::llabs((int64_t)ry);
  // The square of the larger radius must stay a signed 32-bit value.
  if (o.rx > 46340 || o.ry > 46340) return;
  o.cx = cx;
  o.cy = cy;
  o.rowFlags = nullptr;
  if (fill) {
    o.rowFlags = static_cast<uint8_t*>(TrackedCalloc((size_t)clip.bottom, "", 0));
    if (o.rowFlags == nullptr) return;
  }
  int format = dest->format;
  int rule = ChooseConstRule();
  if ((format == MEMIMG_FORMAT_RGB16 || format == MEMIMG_FORMAT_RGB32) && rule != CONST_NONE) {
    o.k = MakeConstColour(TintConstColour(colour, format), format);
    o.pixels = dest->pixels;
    o.pitch = dest->pitch;
    o.bpp = PixelBytes(dest);
    const bool wide = o.rx >= o.ry;
    DispatchConst(format, rule, [&]<int Fmt, int Rule>() {
      if (fill)
        wide ? Walk<Fmt, Rule, true, true>(o) : Walk<Fmt, Rule, true, false>(o);
      else
        wide ? Walk<Fmt, Rule, false, true>(o) : Walk<Fmt, Rule, false, false>(o);
    });
    MemImgMarkChanged(dest);
  }
  TrackedFree(o.rowFlags);
}
