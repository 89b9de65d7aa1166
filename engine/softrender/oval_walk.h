// The oval's integer walk: one quadrant along the longer radius, the shorter axis scaled through
// an accumulator, mirrored four ways. A filled oval gets span(y, x1, x2) for each row the walk
// reaches, an outline gets point(x, y). The software oval and the 3-D device's oval both walk
// through here, so the two cover the same pixels.
#pragma once
#include <cstdint>

template <bool Fill, bool Wide, class SpanFn, class PointFn>
inline void WalkOvalQuadrants(int64_t cx, int64_t cy, int64_t rx, int64_t ry, SpanFn span, PointFn point) {
  const int64_t k = Wide ? (rx * rx) / ry : (ry * ry) / rx;
  int64_t x = rx, y = 0, e = 0;
  int64_t d1 = 3 - 2 * rx, d2 = 3 - 4 * rx;
  bool moved = false;
  // One step of the walk; moved tells whether the new position must be drawn.
  auto step = [&]() {
    const int64_t ox = x, oy = y;
    if (Wide) {
      if (d1 < 0) {
        e += ry;
        if (e >= k) { ++y; e -= k; }
        d1 += 4 * y + 2;
        d2 += 4 * y;
      } else if (d2 >= 0) {
        --x;
        d1 -= 4 * x;
        d2 += 2 - 4 * x;
      } else {
        --x;
        e += ry;
        if (e >= k) { ++y; e -= k; }
        d1 += 4 * (y - x) + 2;
        d2 += 4 * (y - x) + 2;
      }
    } else {
      if (d1 < 0) {
        ++y;
        d1 += 4 * y + 2;
        d2 += 4 * y;
      } else if (d2 >= 0) {
        e += rx;
        if (e >= k) { --x; e -= k; }
        d1 -= 4 * x;
        d2 += 2 - 4 * x;
      } else {
        e += rx;
        if (e >= k) { --x; e -= k; }
        ++y;
        d1 += 4 * (y - x) + 2;
        d2 += 4 * (y - x) + 2;
      }
    }
    moved = Fill ? y != oy : (x != ox || y != oy);
  };

  if (Fill) {
    span(cy, cx - rx, cx + rx);
  } else {
    point(cx - rx, cy);
    point(cx + rx, cy);
  }
  step();
  while (x > 0) {
    if (moved) {
      if (Fill) {
        span(cy + y, cx - x, cx + x);
        span(cy - y, cx - x, cx + x);
      } else {
        point(cx - x, cy + y);
        point(cx + x, cy + y);
        point(cx - x, cy - y);
        point(cx + x, cy - y);
      }
    }
    step();
  }
  if (Fill) {
    span(cy - y, cx - x, cx + x);
    span(cy + y, cx - x, cx + x);
  } else {
    point(cx + x, cy - y);
    point(cx - x, cy + y);
  }
}
