// Untextured shapes through the 3-D device: filled boxes and outlines join the vertex batch, ovals
// go straight to the device in small point and line calls. A system-memory draw target hands each
// shape to the software geometry instead.
#include "engine/graphics/device3d/draw3d.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/base/memory.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/softrender/geometry.h"
#include "engine/softrender/oval_walk.h"

namespace {

constexpr int OVAL_BATCH = 40;
constexpr int VERTEX_COLOR_SIZE = 20;

// The caller's screen colour scaled by the cached draw colour.
uint32_t ShapeColour(uint32_t colour) {
  int r = 0, g = 0, b = 0;
  SplitScreenColor(colour, &r, &g, &b);
  const uint32_t c = g_Direct3D.drawColor;
  const uint32_t cr = (c >> 16) & 0xFF, cg = (c >> 8) & 0xFF, cb = c & 0xFF;
  return (c & 0xFF000000u) | ((cr * static_cast<uint32_t>(r) / 255) << 16) |
         ((cg * static_cast<uint32_t>(g) / 255) << 8) | (cb * static_cast<uint32_t>(b) / 255);
}

void PutVertex(uint8_t* p, float x, float y, const uint32_t* colour) {
  const float z = g_DrawState.vertexDepth, rhw = 1.0f;
  std::memcpy(p, &x, 4);
  std::memcpy(p + 4, &y, 4);
  std::memcpy(p + 8, &z, 4);
  std::memcpy(p + 12, &rhw, 4);
  if (colour != nullptr) std::memcpy(p + 16, colour, 4);
}

void UntexturedSetUp() {
  BeginSceneIfNeeded();
  Device3DRecord* d = CurrentDevice3D();
  if (d->texture != nullptr || d->textureDirty) {
    FlushCurrentVertexBuffer();
    d->textureDirty = 1;
    d->stageProgramDirty = 1;
    SetDeviceTextureCached(g_Direct3D.currentDevice, nullptr);
  }
  ApplyDrawStates(-1, g_DrawState.zEnable ? APPLY_Z : 0);
  if (d->stageProgramDirty || d->textureDirty) ApplyBlendModeStates(g_Direct3D.currentDevice);
}

int EndShape3D() {
  if (Draw3DFrontScreenTarget()) EndSceneCurrent();
  return 0;
}

// Points or spans of an oval, collected for the device.
struct OvalSink {
  int64_t clipL, clipT, clipR, clipB;     // inclusive
  uint8_t* rowFlags;
  uint8_t points[OVAL_BATCH * VERTEX_COLOR_SIZE];
  int count;
  uint32_t colour;
};

int DrawPrimitiveDirect3D(uint32_t primitive, uint32_t fvf, const void* vertices, uint32_t count) {
  const Device3DRecord* d = CurrentDevice3D();
  if (d == nullptr) return -1;
  if (d->nothingToDraw) return 0;
  return d->device->DrawPrimitive(primitive, fvf, vertices, count, 0);
}

void FlushPoints(OvalSink* s) {
  if (s->count > 0) DrawPrimitiveDirect3D(plat::PRIM_POINTLIST, plat::FVF_COLOR, s->points, static_cast<uint32_t>(s->count));
  s->count = 0;
}

void OvalPoint(OvalSink* s, int64_t x, int64_t y) {
  if (x < s->clipL || x > s->clipR || y < s->clipT || y > s->clipB) return;
  PutVertex(s->points + s->count * VERTEX_COLOR_SIZE, static_cast<float>(x), static_cast<float>(y), &s->colour);
  if (++s->count == OVAL_BATCH) FlushPoints(s);
}

void OvalSpan(OvalSink* s, int64_t y, int64_t xa, int64_t xb) {
  // The row is tested against the clip before the row table is read: rows above the clip (or
  // below row 0) have no entry.
  if (y < s->clipT || y > s->clipB || xb < s->clipL || xa > s->clipR) return;
  if (s->rowFlags[y]) return;
  const int64_t from = std::max(xa, s->clipL), to = std::min(xb, s->clipR - 1);
  if (to >= from) {
    uint8_t line[2 * VERTEX_COLOR_SIZE];
    PutVertex(line, static_cast<float>(from), static_cast<float>(y), &s->colour);
    PutVertex(line + VERTEX_COLOR_SIZE, static_cast<float>(to + 1), static_cast<float>(y), &s->colour);
    DrawPrimitiveDirect3D(plat::PRIM_LINELIST, plat::FVF_COLOR, line, 2);
  }
  s->rowFlags[y] = 1;
}

void WalkOval(OvalSink* s, int64_t cx, int64_t cy, int64_t rx, int64_t ry, bool fill) {
  auto span = [s](int64_t y, int64_t xa, int64_t xb) { OvalSpan(s, y, xa, xb); };
  auto point = [s](int64_t x, int64_t y) { OvalPoint(s, x, y); };
  if (fill)
    rx >= ry ? WalkOvalQuadrants<true, true>(cx, cy, rx, ry, span, point)
             : WalkOvalQuadrants<true, false>(cx, cy, rx, ry, span, point);
  else
    rx >= ry ? WalkOvalQuadrants<false, true>(cx, cy, rx, ry, span, point)
             : WalkOvalQuadrants<false, false>(cx, cy, rx, ry, span, point);
}

}  // namespace

int DrawFillBox3D(int x1, int y1, int x2, int y2, uint32_t colour) {
  if (!Direct3DDrawReady()) return -1;
  if (Draw3DSoftwareOnlyTarget()) return DrawFilledBoxSoftware(x1, y1, x2, y2, colour);
  RectI r = {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  ClipRectToRect(&r, &g_DrawState.drawArea);
  if (r.left >= r.right || r.top >= r.bottom) return 0;
  UntexturedSetUp();
  const uint32_t c = ShapeColour(colour);
  uint8_t* p = ReserveVertices3D(plat::PRIM_TRIANGLELIST, 6);
  if (p == nullptr) return EndShape3D();
  const float fx = static_cast<float>(g_DrawState.drawScreenRect.left);
  const float fy = static_cast<float>(g_DrawState.drawScreenRect.top);
  const float l = static_cast<float>(r.left) + fx, t = static_cast<float>(r.top) + fy;
  const float rr = static_cast<float>(r.right) + fx, b = static_cast<float>(r.bottom) + fy;
  const float xs[6] = {l, rr, l, rr, l, rr}, ys[6] = {t, t, b, b, b, t};
  for (int i = 0; i < 6; ++i) PutVertex(p + i * VERTEX_COLOR_SIZE, xs[i], ys[i], i == 0 || i == 3 ? &c : nullptr);
  return EndShape3D();
}

int DrawBoxOutline3D(int x1, int y1, int x2, int y2, uint32_t colour) {
  if (!Direct3DDrawReady()) return -1;
  if (Draw3DSoftwareOnlyTarget()) return DrawBoxOutlineSoftware(x1, y1, x2, y2, colour);
  UntexturedSetUp();
  if (x1 > x2 || y1 > y2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const uint32_t c = ShapeColour(colour);
  uint8_t* p = ReserveVertices3D(plat::PRIM_LINELIST, 8);
  if (p == nullptr) return EndShape3D();
  const float fx = static_cast<float>(g_DrawState.drawScreenRect.left);
  const float fy = static_cast<float>(g_DrawState.drawScreenRect.top);
  const float l = static_cast<float>(x1) + fx, t = static_cast<float>(y1) + fy;
  const float r = static_cast<float>(x2 - 1) + fx, b = static_cast<float>(y2 - 1) + fy;
  // Each edge covers its pixels once under the rule that leaves out a line's last pixel.
  const float xs[8] = {l, r - 0.1f, r, r, l, r + 0.9f, l, l};
  const float ys[8] = {t, t, t, b - 0.1f, b, b, t + 1.0f, b - 0.1f};
  for (int i = 0; i < 8; ++i) PutVertex(p + i * VERTEX_COLOR_SIZE, xs[i], ys[i], &c);
  return EndShape3D();
}

int G_D3D_DrawCircle(int cx, int cy, int rx, int ry, uint32_t colour, int fill) {
  FlushCurrentVertexBuffer();
  if (!Direct3DDrawReady()) return -1;
  if (rx == 0 || ry == 0) return -1;
  if (Draw3DSoftwareOnlyTarget()) return DrawOvalSoftware(cx, cy, rx, ry, colour, fill);
  UntexturedSetUp();
  // Pending shapes of the batch must land before the direct calls.
  FlushCurrentVertexBuffer();
  const int64_t arx = std::llabs(static_cast<int64_t>(rx)), ary = std::llabs(static_cast<int64_t>(ry));
  // The walk squares the longer radius in 64 bits; larger radii cannot be on any target.
  if (arx > 46340 || ary > 46340) return EndShape3D();
  const int64_t fx = g_DrawState.drawScreenRect.left, fy = g_DrawState.drawScreenRect.top;
  OvalSink s;
  s.clipL = g_DrawState.drawArea.left + fx;
  s.clipR = g_DrawState.drawArea.right - 1 + fx;
  s.clipT = g_DrawState.drawArea.top + fy;
  s.clipB = g_DrawState.drawArea.bottom - 1 + fy;
  s.count = 0;
  s.colour = ShapeColour(colour);
  s.rowFlags = nullptr;
  if (fill) {
    if (s.clipB < 0) return EndShape3D();
    s.rowFlags = static_cast<uint8_t*>(TRACKED_CALLOC(static_cast<size_t>(s.clipB + 1)));
    if (s.rowFlags == nullptr) {
      GraphicsFatalStop("メモリの確保に失敗しました in G_D3D_DrawCircle");
      return -1;
    }
  }
  WalkOval(&s, cx + fx, cy + fy, arx, ary, fill != 0);
  if (!fill) FlushPoints(&s);
  TrackedFree(s.rowFlags);
  return EndShape3D();
}

void ClearDrawScreen3D() {
  if (!Direct3DDrawReady() || g_DrawState.notAvailable) return;
  FlushCurrentVertexBuffer();
  EndSceneCurrent();
  // The screen's own clear covers the back and front screens.
  if (g_DrawState.drawScreen < 0) return;
  const GraphRecord* g = GetGraphRecord(g_DrawState.drawScreen);
  if (g == nullptr || !g->create.texture || g->partCount <= 0) return;
  Surface3DRecord* tile = GetSurface3DDataChecked(static_cast<int>(g->parts[0]));
  SurfaceDataRecord* data = tile != nullptr ? GetSurfaceDataRecord(static_cast<int>(tile->surfaceData)) : nullptr;
  if (data == nullptr || data->surface == nullptr) return;
  const plat::SurfRect r = {0, 0, g->width, g->height};
  if (data->zSurface != nullptr) plat::SurfaceDepthFill(data->zSurface, &r, 0xFFFF);
  plat::SurfaceColorFill(data->surface, &r, 0);
}
