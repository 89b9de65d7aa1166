// Affinely textured triangle and quad: 14.18 set-up, edge walk and span scan. The texture
// coordinates are derived afresh from the anchor at every row, so no error runs down the rows.
#include <algorithm>
#include "engine/softrender/texel_rules.h"

using namespace softgeom;

namespace {

struct EdgeSegment {
  int32_t startX, startY, rows, step;
};

struct EdgeSide {
  EdgeSegment seg[2];
  int count;   // 1 or 2 segments, walked in order
};

struct TriangleScanner {
  struct Params {
    uint8_t* destPixels;
    intptr_t destPitch;
    const uint8_t* srcPixels;
    intptr_t srcPitch;
    const uint8_t* blendPixels;
    intptr_t blendPitch;
    uint32_t uLimit, vLimit;
    RectI clip;
    int32_t dUdx, dUdy, dVdx, dVdy;
    int32_t xA, yA, UA, VA;
    EdgeSide left, right;
    TexelContext k;
  };

  template <class Rule>
  static void Span(const Params& s, TexelVector& vec, int32_t y, int32_t xl, int32_t xr) {
    if (xl < s.clip.left) xl = s.clip.left;
    int32_t count = xr - xl + 1;
    if (y < s.clip.top || y >= s.clip.bottom || xl >= s.clip.right || count <= 0) return;
    if (count > s.clip.right - xl) count = s.clip.right - xl;
    uint32_t U = (uint32_t)WrapAdd(WrapAdd(WrapMul(xl - s.xA, s.dUdx), WrapMul(y - s.yA, s.dUdy)), s.UA);
    uint32_t V = (uint32_t)WrapAdd(WrapAdd(WrapMul(xl - s.xA, s.dVdx), WrapMul(y - s.yA, s.dVdy)), s.VA);
    uint8_t* dp = s.destPixels + (intptr_t)y * s.destPitch + (intptr_t)xl * Rule::kDestBytes;
    if (vec.fn) {
      vec.Span(dp, Rule::kDestBytes, count, U, V, s.uLimit, s.vLimit,
               [&s](uint32_t v) { return s.srcPixels + (intptr_t)v * s.srcPitch; });
      return;
    }
    for (int32_t i = 0; i < count; ++i, dp += Rule::kDestBytes) {
      if (U < s.uLimit && V < s.vLimit) {
        uint32_t u = U >> 18, v = V >> 18;
        const uint8_t* texel = s.srcPixels + (intptr_t)v * s.srcPitch + (intptr_t)u * Rule::kTexelBytes;
        const uint8_t* blend = s.blendPixels ? s.blendPixels + (intptr_t)v * s.blendPitch + u : nullptr;
        Rule::Apply(s.k, texel, blend, dp);
      }
      U += (uint32_t)s.dUdx;
      V += (uint32_t)s.dVdx;
    }
  }

  template <class Rule>
  static void Run(const Params& s) {
    TexelVector vec;
    vec.Init<Rule>(s.k, (uint32_t)s.dUdx, (uint32_t)s.dVdx);
    int li = 0, ri = 0;
    const EdgeSegment* ls = &s.left.seg[0];
    const EdgeSegment* rs = &s.right.seg[0];
    int32_t lx = ls->startX, rx = rs->startX;
    int32_t lcount = ls->rows, rcount = rs->rows;
    int32_t y = FixToInt(ls->startY);
    int32_t xl = FixToInt(lx), xr = FixToInt(rx);
    for (;;) {
      Span<Rule>(s, vec, y, xl, xr);
      lx = WrapAdd(lx, ls->step);
      rx = WrapAdd(rx, rs->step);
      xl = FixToInt(lx);
      xr = FixToInt(rx);
      ++y;
      --lcount;
      --rcount;
      if (lcount <= 0) {
        if (li + 1 >= s.left.count) break;
        ls = &s.left.seg[++li];
        lx = ls->startX;
        y = FixToInt(ls->startY);
        lcount = ls->rows;
        xl = FixToInt(lx);
      }
      if (rcount <= 0) {
        if (ri + 1 >= s.right.count) break;
        rs = &s.right.seg[++ri];
        rx = rs->startX;
        rcount = rs->rows;
        xr = FixToInt(rx);
      }
    }
  }
};

EdgeSegment MakeSegment(int32_t px, int32_t py, int32_t qx, int32_t qy) {
  EdgeSegment e;
  e.startX = px;
  e.startY = py;
  e.rows = (qy - py) / kFixOne;
  e.step = e.rows > 0 ? (qx - px) / e.rows : 0;
  return e;
}

// 14.18 positions stay representable for pixels -8192 to 8191.
bool InFixedRange(int32_t c) { return c >= -8192 && c <= 8191; }

}  // namespace

void DrawTexturedTriangleMemImg(MemImg* dest, const MemImg* src, const TexturedVertex* vertices,
                                int32_t transparent, const MemImg* blendImage) {
  if (vertices == nullptr || !TexelDrawAllowed(dest, src, blendImage)) return;
  for (int i = 0; i < 3; ++i)
    if (!InFixedRange(vertices[i].x) || !InFixedRange(vertices[i].y)) return;

  int32_t X[3], Y[3], U[3], V[3];
  for (int i = 0; i < 3; ++i) {
    X[i] = vertices[i].x * kFixOne + kFixHalf;
    Y[i] = vertices[i].y * kFixOne + kFixHalf;
    U[i] = WrapShl18(vertices[i].u);
    V[i] = WrapShl18(vertices[i].v);
  }
  int ox[3] = {0, 1, 2}, oy[3] = {0, 1, 2};
  for (int i = 0; i < 2; ++i)
    for (int j = i + 1; j < 3; ++j) {
      if (X[ox[i]] > X[ox[j]]) std::swap(ox[i], ox[j]);
      if (Y[oy[i]] > Y[oy[j]]) std::swap(oy[i], oy[j]);
    }

  // Gradients from the anchor, the first vertex with the smallest x.
  const int a0 = ox[0], a1 = ox[1], a2 = ox[2];
  int32_t dx1 = (X[a1] - X[a0]) / kFixOne, dx2 = (X[a2] - X[a0]) / kFixOne;
  int32_t dy1 = (Y[a1] - Y[a0]) / kFixOne, dy2 = (Y[a2] - Y[a0]) / kFixOne;
  int32_t du1 = WrapSub(U[a1], U[a0]) / kFixOne, du2 = WrapSub(U[a2], U[a0]) / kFixOne;
  int32_t dv1 = WrapSub(V[a1], V[a0]) / kFixOne, dv2 = WrapSub(V[a2], V[a0]) / kFixOne;
  int32_t det = dx2 * dy1 - dx1 * dy2;
  if (det == 0) return;

  TriangleScanner::Params s;
  const double fdet = (double)det;
  s.dUdx = TruncToIntIndefinite((double)(dy1 * du2 - dy2 * du1) * 262144.0 / fdet);
  s.dUdy = TruncToIntIndefinite((double)(du1 * dx2 - dx1 * du2) * 262144.0 / fdet);
  s.dVdx = TruncToIntIndefinite((double)(dy1 * dv2 - dy2 * dv1) * 262144.0 / fdet);
  s.dVdy = TruncToIntIndefinite((double)(dv1 * dx2 - dv2 * dx1) * 262144.0 / fdet);
  s.xA = FixToInt(X[a0]);
  s.yA = FixToInt(Y[a0]);
  s.UA = U[a0];
  s.VA = V[a0];

  // Edges: left and right sides, one or two segments each.
  const int T = oy[0], M = oy[1], B = oy[2];
  if (Y[T] == Y[M]) {
    int tr = X[T] > X[M] ? T : M, tl = tr == T ? M : T;
    s.left = {{MakeSegment(X[tl], Y[tl], X[B], Y[B]), {}}, 1};
    s.right = {{MakeSegment(X[tr], Y[tr], X[B], Y[B]), {}}, 1};
  } else if (Y[M] == Y[B]) {
    int bl = X[M] > X[B] ? B : M, br = bl == B ? M : B;
    s.left = {{MakeSegment(X[T], Y[T], X[bl], Y[bl]), {}}, 1};
    s.right = {{MakeSegment(X[T], Y[T], X[br], Y[br]), {}}, 1};
  } else {
    EdgeSegment tm = MakeSegment(X[T], Y[T], X[M], Y[M]);
    EdgeSegment tb = MakeSegment(X[T], Y[T], X[B], Y[B]);
    double s1 = (double)(X[M] - X[T]) / (double)tm.rows;
    double s2 = (double)(X[B] - X[T]) / (double)tb.rows;
    if (s2 > s1) {
      s.left = {{tm, MakeSegment(X[M], Y[M], X[B], Y[B])}, 2};
      s.right = {{tb, {}}, 1};
    } else {
      s.left = {{tb, {}}, 1};
      s.right = {{tm, MakeSegment(X[M] + 1, Y[M], X[B], Y[B])}, 2};
    }
  }
  for (int i = 0; i < s.left.count; ++i)
    if (s.left.seg[i].rows <= 0) return;
  for (int i = 0; i < s.right.count; ++i)
    if (s.right.seg[i].rows <= 0) return;

  if (!GetClipRect(dest, &s.clip)) return;
  auto scan = PickTexelScan<TriangleScanner>(src, transparent, blendImage);
  if (scan == nullptr) return;
  s.destPixels = dest->pixels;
  s.destPitch = dest->pitch;
  s.srcPixels = src->pixels;
  s.srcPitch = src->pitch;
  s.blendPixels = blendImage ? blendImage->pixels : nullptr;
  s.blendPitch = blendImage ? blendImage->pitch : 0;
  s.uLimit = TexelLimit(src->width);
  s.vLimit = TexelLimit(src->height);
  s.k = MakeTexelContext(src);
  scan(s);
  MemImgMarkChanged(dest);
}

void DrawTexturedQuadMemImg(MemImg* dest, const MemImg* src, const int32_t* corners,
                            int32_t transparent, const MemImg* blendImage) {
  if (corners == nullptr || dest == nullptr || src == nullptr) return;
  int64_t minX = corners[0], maxX = corners[0], minY = corners[1], maxY = corners[1];
  for (int i = 1; i < 4; ++i) {
    minX = std::min<int64_t>(minX, corners[i * 2]);
    maxX = std::max<int64_t>(maxX, corners[i * 2]);
    minY = std::min<int64_t>(minY, corners[i * 2 + 1]);
    maxY = std::max<int64_t>(maxY, corners[i * 2 + 1]);
  }
  RectI clip;
  if (!GetClipRect(dest, &clip)) return;
  if (minX - 2 >= clip.right || maxX + 4 <= clip.left || minY - 2 >= clip.bottom || maxY + 4 <= clip.top)
    return;
  int32_t w = src->width, h = src->height;
  TexturedVertex v[4] = {{corners[0], corners[1], 0, 0}, {corners[2], corners[3], w, 0},
                         {corners[4], corners[5], 0, h}, {corners[6], corners[7], w, h}};
  DrawTexturedTriangleMemImg(dest, src, &v[0], transparent, blendImage);
  DrawTexturedTriangleMemImg(dest, src, &v[1], transparent, blendImage);
}
