// Front ends of the software geometry: each refuses without a display, finds a graph's source
// image, chooses the destination (software screen image, mask image, or the draw target prepared
// over an update rectangle) and calls one rasteriser.
#include "engine/softrender/geometry_internal.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <tuple>
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/softrender/graphics_services.h"
#include "engine/softrender/image_blit.h"

using namespace softgeom;

namespace {

MemImg* SoftwareScreenDest() {
  return g_DrawState.maskInEffect ? GetMaskMemImg() : GetDrawTargetMemImg();
}

void FlushBeforeSoftware() {
  FlushCurrentVertexBuffer();
  if (SoftwareDrawDisplayReady()) EndSceneCurrent();
}

// A graph part and, for the software screen, its source image (the surface data's image, or a
// view of the part when the part is smaller than the image).
struct GraphSource {
  Surface2DRecord* part;
  MemImg* image;
  MemImg view;
};

int FindGraphSource(uint32_t partHandle, GraphSource* gs) {
  gs->part = GetSurface2D((int)partHandle);
  gs->image = nullptr;
  if (gs->part == nullptr) return -1;
  SurfaceDataRecord* data = GetSurfaceDataRecord((int)gs->part->surfaceData);
  if (data == nullptr || data->image.pixels == nullptr) return 0;
  if (gs->part->width == data->width && gs->part->height == data->height) {
    gs->image = &data->image;
  } else {
    SetupMemImgSubRect(&gs->view, &data->image, gs->part->srcX, gs->part->srcY, gs->part->width,
                       gs->part->height);
    gs->image = &gs->view;
  }
  return 0;
}

int32_t ClampToInt32(int64_t v) {
  return v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : (int32_t)v);
}

}  // namespace

int DrawFilledBoxSoftware(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
  if (!SoftwareDrawHasDisplay()) return -1;
  RectI r = {x1, y1, x2, y2};
  if (SoftwareDrawOnSoftwareScreen()) {
    DrawFilledBoxMemImg(SoftwareScreenDest(), &r, colour);
    return 0;
  }
  FlushBeforeSoftware();
  RectI update = {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  if (BeginSoftwareDrawTarget(nullptr, 0, nullptr, &update, 1, &colour, nullptr) < 0) return -1;
  DrawFilledBoxMemImg(GetSoftwareDrawDestMemImg(), &r, colour);
  EndSoftwareDrawTarget();
  return 0;
}

int DrawBoxOutlineSoftware(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
  const int32_t p = g_DrawState.blendParam;
  const int32_t r = x2 - 1, b = y2 - 1;
  LineRecord lines[4] = {{x1, y1, r, y1, colour, p}, {r, y1, r, b, colour, p},
                         {r, b, x1, b, colour, p}, {x1, b, x1, y1, colour, p}};
  return DrawLineListSoftware(lines, 4);
}

int DrawOvalSoftware(int32_t x, int32_t y, int32_t rx, int32_t ry, uint32_t colour, int32_t fill) {
  if (!SoftwareDrawHasDisplay()) return -1;
  if (SoftwareDrawOnSoftwareScreen()) {
    DrawOvalMemImg(SoftwareScreenDest(), x, y, rx, ry, colour, fill);
    return 0;
  }
  FlushBeforeSoftware();
  if (rx == 0 || ry == 0) return 0;
  int64_t ax = std::llabs((int64_t)rx), ay = std::llabs((int64_t)ry);
  // A narrow oval's walk reaches about ry * sqrt(1 + 1 / rx) rows from the centre: the update
  // rectangle covers them, so that no drawn row is left out of the copy back.
  if (ax < ay) ay = std::max<int64_t>(ay, (int64_t)std::ceil((double)ay * std::sqrt(1.0 + 1.0 / (double)ax)) + 1);
  RectI update = {ClampToInt32(x - ax - 1), ClampToInt32(y - ay - 1), ClampToInt32(x + ax + 1),
                  ClampToInt32(y + ay + 1)};
  if (BeginSoftwareDrawTarget(nullptr, 0, nullptr, &update, 1, &colour, nullptr) < 0) return -1;
  DrawOvalMemImg(GetSoftwareDrawDestMemImg(), x, y, rx, ry, colour, fill);
  EndSoftwareDrawTarget();
  return 0;
}

int DrawScaledGraphSoftware(uint32_t x1w, uint32_t y1w, uint32_t x2w, uint32_t y2w, const GraphRecord* graph,
                            int32_t transparent, int32_t integerFlag, int32_t surface2D) {
  if (!SoftwareDrawHasDisplay() || graph == nullptr) return -1;
  int32_t c[4];
  const uint32_t words[4] = {x1w, y1w, x2w, y2w};
  for (int i = 0; i < 4; ++i)
    c[i] = integerFlag == 1 ? (int32_t)words[i] : TruncFloat(std::bit_cast<float>(words[i]));
  const int32_t x1 = c[0], y1 = c[1], x2 = c[2], y2 = c[3];
  const bool mirrorX = x1 > x2, mirrorY = y1 > y2;
  const int32_t left = std::min(x1, x2), right = std::max(x1, x2);
  const int32_t top = std::min(y1, y2), bottom = std::max(y1, y2);

  GraphSource gs;
  if (FindGraphSource(surface2D != -1 ? (uint32_t)surface2D : graph->parts[0], &gs) < 0) return -1;
  const int32_t srcW = surface2D != -1 ? gs.part->width : graph->width;
  const int32_t srcH = surface2D != -1 ? gs.part->height : graph->height;
  MemImg* blend = GetBlendGraphMemImg();
  // The blend image is read at source coordinates: one smaller than the source would be read past
  // its end. Callers such as the tiled draw reach here without the dispatch's check.
  if (g_DrawState.blendGraph != -1 && IsBlendGraphTooSmall(graph) != 0) return -1;
  if (blend != nullptr && (blend->width < srcW || blend->height < srcH)) return -1;

  if (SoftwareDrawOnSoftwareScreen()) {
    if (gs.image != nullptr) DrawScaledToMemImg(SoftwareScreenDest(), gs.image, c, transparent, blend);
    return 0;
  }
  FlushBeforeSoftware();
  const int64_t w = (int64_t)right - left, h = (int64_t)bottom - top;
  if (w == 0 || h == 0) return -1;
  // The shortcut draws the graph's first part, so it serves only that part.
  if (surface2D == -1 && w == srcW && h == srcH && !mirrorX && !mirrorY)
    return DrawGraphSoftwareF((uint32_t)left, (uint32_t)top, graph, transparent, 1);
  if (srcW <= 0 || srcH <= 0) return -1;

  const int64_t rx = (w << 16) / srcW, ry = (h << 16) / srcH;
  RectI clipped = {left, top, right, bottom};
  ClipRectToRect(&clipped, &g_DrawState.drawArea);
  const int64_t cw = (int64_t)clipped.right - clipped.left, ch = (int64_t)clipped.bottom - clipped.top;
  if (cw <= 0 || ch <= 0) return -1;
  int64_t sx0 = 0, sy0 = 0, sx1 = srcW, sy1 = srcH;
  if (rx > 0) {
    sx0 = clipped.left > left ? (((int64_t)clipped.left - left) << 16) / rx : 0;
    sx1 = sx0 + ((cw << 16) + rx - 1) / rx;
  }
  if (ry > 0) {
    sy0 = clipped.top > top ? (((int64_t)clipped.top - top) << 16) / ry : 0;
    sy1 = sy0 + ((ch << 16) + ry - 1) / ry;
  }
  if (mirrorX) std::tie(sx0, sx1) = std::make_pair(srcW - sx1, srcW - sx0);
  if (mirrorY) std::tie(sy0, sy1) = std::make_pair(srcH - sy1, srcH - sy0);
  RectI sourceRect = {ClampToInt32(sx0), ClampToInt32(sy0), ClampToInt32(sx1), ClampToInt32(sy1)};
  if (BeginSoftwareDrawTarget(gs.part, 0, &sourceRect, &clipped, 0, nullptr, nullptr) < 0) return -1;
  DrawScaledToMemImg(GetSoftwareDrawDestMemImg(), GetSoftwareDrawSourceMemImg(), c, transparent, blend);
  EndSoftwareDrawTarget();
  return 0;
}

int DrawTexturedTriangleSoftware(const TexturedVertex* v, const GraphRecord* graph, int32_t transparent) {
  if (!SoftwareDrawHasDisplay() || graph == nullptr || v == nullptr) return -1;
  GraphSource gs;
  if (FindGraphSource(graph->parts[0], &gs) < 0) return -1;
  MemImg* blend = GetBlendGraphMemImg();
  if (SoftwareDrawOnSoftwareScreen()) {
    DrawTexturedTriangleMemImg(SoftwareScreenDest(), gs.image, v, transparent, blend);
    return 0;
  }
  FlushBeforeSoftware();
  RectI update = {v[0].x, v[0].y, v[0].x, v[0].y}, source = {v[0].u, v[0].v, v[0].u, v[0].v};
  for (int i = 1; i < 3; ++i) {
    update = {std::min(update.left, v[i].x), std::min(update.top, v[i].y), std::max(update.right, v[i].x),
              std::max(update.bottom, v[i].y)};
    source = {std::min(source.left, v[i].u), std::min(source.top, v[i].v), std::max(source.right, v[i].u),
              std::max(source.bottom, v[i].v)};
  }
  if (BeginSoftwareDrawTarget(gs.part, 0, &source, &update, 0, nullptr, nullptr) < 0) return -1;
  DrawTexturedTriangleMemImg(GetSoftwareDrawDestMemImg(), GetSoftwareDrawSourceMemImg(), v, transparent, blend);
  EndSoftwareDrawTarget();
  return 0;
}

int DrawFreeQuadSoftware(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
                         int32_t y4, const GraphRecord* graph, int32_t transparent) {
  // Refuse what the triangles would refuse, instead of reporting success for nothing drawn.
  if (!SoftwareDrawHasDisplay() || graph == nullptr || GetSurface2D((int)graph->parts[0]) == nullptr) return -1;
  const int32_t w = graph->width, h = graph->height;
  const TexturedVertex c[4] = {{x1, y1, 0, 0}, {x2, y2, w, 0}, {x3, y3, 0, h}, {x4, y4, w, h}};
  DrawTexturedTriangleSoftware(&c[0], graph, transparent);
  DrawTexturedTriangleSoftware(&c[1], graph, transparent);
  return 0;
}

int DrawFreeQuadSoftwareF(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                          const GraphRecord* graph, int32_t transparent) {
  return DrawFreeQuadSoftware(TruncFloat(x1), TruncFloat(y1), TruncFloat(x2), TruncFloat(y2), TruncFloat(x3),
                              TruncFloat(y3), TruncFloat(x4), TruncFloat(y4), graph, transparent);
}

int DrawRotatedGraphSoftware(float x, float y, double scale, double angle, const GraphRecord* graph,
                             int32_t transparent, int32_t mirror) {
  const int32_t ix = TruncFloat(x), iy = TruncFloat(y);
  if (!SoftwareDrawHasDisplay() || graph == nullptr) return -1;
  GraphSource gs;
  if (FindGraphSource(graph->parts[0], &gs) < 0) return -1;
  MemImg* blend = GetBlendGraphMemImg();
  if (SoftwareDrawOnSoftwareScreen()) {
    DrawRotatedToMemImg(SoftwareScreenDest(), gs.image, ix, iy, (float)angle, (float)scale, transparent, mirror,
                        blend);
    return 0;
  }
  FlushBeforeSoftware();
  float s, c;
  SinCosSingle((float)angle, &s, &c);
  const float hw = (float)((double)graph->width * scale * 0.5), hh = (float)((double)graph->height * scale * 0.5);
  const float X[4] = {-hw, hw, -hw, hw}, Y[4] = {-hh, -hh, hh, hh};
  int64_t minX = INT64_MAX, minY = INT64_MAX, maxX = INT64_MIN, maxY = INT64_MIN;
  for (int i = 0; i < 4; ++i) {
    int64_t px = (int64_t)ix + TruncFloat(c * X[i] - s * Y[i]);
    int64_t py = (int64_t)iy + TruncFloat(s * X[i] + c * Y[i]);
    minX = std::min(minX, px);
    maxX = std::max(maxX, px);
    minY = std::min(minY, py);
    maxY = std::max(maxY, py);
  }
  RectI update = {ClampToInt32(minX), ClampToInt32(minY), ClampToInt32(maxX), ClampToInt32(maxY)};
  RectI source = {0, 0, gs.part->width, gs.part->height};
  if (BeginSoftwareDrawTarget(gs.part, 0, &source, &update, 0, nullptr, nullptr) < 0) return -1;
  DrawRotatedToMemImg(GetSoftwareDrawDestMemImg(), GetSoftwareDrawSourceMemImg(), ix, iy, (float)angle,
                      (float)scale, transparent, mirror, blend);
  EndSoftwareDrawTarget();
  return 0;
}
