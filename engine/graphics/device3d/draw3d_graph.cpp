// Texture graphs drawn through the 3-D device: one textured quad per tile, appended to the device's
// vertex batch, and the device's render target for a draw target.
#include "engine/graphics/device3d/draw3d.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "engine/graphics/draw/draw_dispatch.h"
#include "engine/graphics/draw/draw_services.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"

int Direct3DDrawReady() { return g_Direct3D.object != nullptr && g_Direct3D.drawReady && CurrentDevice3D() != nullptr; }

int Draw3DFrontScreenTarget() {
  const Device3DRecord* d = CurrentDevice3D();
  return d != nullptr && d->frontScreenTarget;
}

int Draw3DSoftwareOnlyTarget() {
  const Device3DRecord* d = CurrentDevice3D();
  return d != nullptr && d->softwareOnlyTarget;
}

int GetVertexType3D() {
  const Device3DRecord* d = CurrentDevice3D();
  return d != nullptr ? d->vertexType : VERTEX_TYPE_TEXTURED;
}

uint8_t* ReserveVertices3D(uint32_t primitive, int count) {
  Device3DRecord* d = CurrentDevice3D();
  return d != nullptr ? ReserveBatchVertices(d, static_cast<int>(primitive), count) : nullptr;
}

int SelectTileTexture3D(const Surface3DRecord* tile) {
  Device3DRecord* d = CurrentDevice3D();
  plat::Surface* tex = GetSurface3DTexture(tile);
  if (d == nullptr || tex == nullptr) return -1;
  if (tex != d->texture) SetDeviceTextureCached(g_Direct3D.currentDevice, tex);
  if (d->stageProgramDirty || d->textureDirty) ApplyBlendModeStates(g_Direct3D.currentDevice);
  return 0;
}

int GetTile3DView(const Surface3DRecord* t, Tile3DView* out) {
  if (t == nullptr) return -1;
  for (int k = 0; k < 4; ++k) {
    out->x[k] = t->vertices[k].x;
    out->y[k] = t->vertices[k].y;
    out->u[k] = t->vertices[k].u;
    out->v[k] = t->vertices[k].v;
  }
  out->drawX = t->drawX;
  out->drawY = t->drawY;
  out->textureX = t->textureX;
  out->textureY = t->textureY;
  out->width = t->width;
  out->height = t->height;
  out->surfaceData = static_cast<int32_t>(t->surfaceData);
  return 0;
}

namespace {

constexpr int DRAW_MODE_BILINEAR = 1;
// Bounds the tile count of a tiled fill at a tiny scale; odd, like every count it stands for.
constexpr int TILED_FILL_MAX_SIDE = 1025;

// One corner of a quad: position, texture coordinate, and the point of the graph it shows (for the
// blend graph's coordinates).
struct QuadCorner {
  float x, y, u, v, gx, gy;
};

void PutF(uint8_t* p, int offset, float v) { std::memcpy(p + offset, &v, sizeof(v)); }
void PutU(uint8_t* p, int offset, uint32_t v) { std::memcpy(p + offset, &v, sizeof(v)); }

// Six vertices of a triangle list; the colour only on the first vertex of each triangle (flat
// shading).
void WriteTriangles(const QuadCorner* const seq[6]) {
  const int type = GetVertexType3D();
  uint8_t* p = ReserveVertices3D(plat::PRIM_TRIANGLELIST, 6);
  if (p == nullptr) return;
  const float z = g_DrawState.vertexDepth;
  const uint32_t colour = g_Direct3D.drawColor;
  float rw = 0.0f, rh = 0.0f;
  if (type == 2) { rw = g_Direct3D.blendTexReciprocalW; rh = g_Direct3D.blendTexReciprocalH; }
  const int size = type == 2 ? 40 : 28;
  for (int i = 0; i < 6; ++i, p += size) {
    const QuadCorner& q = *seq[i];
    PutF(p, 0, q.x);
    PutF(p, 4, q.y);
    PutF(p, 8, z);
    PutF(p, 12, 1.0f);
    if (i == 0 || i == 3) PutU(p, 16, colour);
    if (type == 2) {
      PutU(p, 20, 0xFFFFFFFFu);
      PutF(p, 24, q.u);
      PutF(p, 28, q.v);
      PutF(p, 32, q.gx * rw);
      PutF(p, 36, q.gy * rh);
    } else {
      PutF(p, 20, q.u);
      PutF(p, 24, q.v);
    }
  }
}

// A quad as two triangles: top-left, top-right, bottom-left, then bottom-right, bottom-left,
// top-right.
void WriteQuad(const QuadCorner c[4]) {
  const QuadCorner* const seq[6] = {&c[0], &c[1], &c[2], &c[3], &c[2], &c[1]};
  WriteTriangles(seq);
}

// The tile of part i, or null when its handle is stale.
Surface3DRecord* TileOf(const GraphRecord* g, int i, Tile3DView* view) {
  Surface3DRecord* t = GetSurface3DDataChecked(static_cast<int>(g->parts[i]));
  if (t == nullptr || GetTile3DView(t, view) != 0) return nullptr;
  return t;
}

// The tile of part i made the device's texture; -1 when its handle is stale or it has no texture.
int SelectTileOf(const GraphRecord* g, int i, Tile3DView* view) {
  Surface3DRecord* t = TileOf(g, i, view);
  if (t == nullptr) return -1;
  return SelectTileTexture3D(t) != 0 ? -1 : 0;
}

int TextureSize(const Tile3DView& v, int* w, int* h) {
  SurfaceDataRecord* d = GetSurfaceDataRecord(v.surfaceData);
  if (d == nullptr || d->width == 0 || d->height == 0) return -1;
  *w = d->width;
  *h = d->height;
  return 0;
}

int StateFlags(int trans, int pixelAligned) {
  return (trans ? 1 : 0) | (pixelAligned ? 2 : 0) | (g_DrawState.zEnable ? 4 : 0);
}

// Common start of a graph draw: 1 go on, else the result to return.
int BeginGraphDraw3D(const GraphRecord* g, int flags, int* result) {
  if (!Direct3DDrawReady()) {
    *result = -1;
    return 0;
  }
  if (Draw3DSoftwareOnlyTarget()) {
    *result = 0;
    return 0;
  }
  BeginSceneIfNeeded();
  Tile3DView view;
  Surface3DRecord* first = g->partCount > 0 ? TileOf(g, 0, &view) : nullptr;
  if (first == nullptr) {
    *result = g->partCount > 0 ? -1 : 0;
    return 0;
  }
  ApplyDrawStates(static_cast<int>(g->parts[0]), flags);
  return 1;
}

int EndGraphDraw3D() {
  if (Draw3DFrontScreenTarget()) EndSceneCurrent();
  return 0;
}

// Clamps a quad's corners into the draw area, moving the texture coordinates with them.
void ClipQuad(QuadCorner c[4], int texW, int texH, float sx, float sy) {
  const float fx = static_cast<float>(g_DrawState.drawScreenRect.left);
  const float fy = static_cast<float>(g_DrawState.drawScreenRect.top);
  const float l = g_DrawState.drawAreaF[0] + fx, t = g_DrawState.drawAreaF[1] + fy;
  const float r = g_DrawState.drawAreaF[2] + fx, b = g_DrawState.drawAreaF[3] + fy;
  for (int i = 0; i < 4; ++i) {
    const float nx = std::clamp(c[i].x, l, r);
    const float ny = std::clamp(c[i].y, t, b);
    const float dx = nx - c[i].x, dy = ny - c[i].y;
    if (dx != 0.0f) {
      c[i].u += dx / (static_cast<float>(texW) * sx);
      c[i].gx += dx / sx;
      c[i].x = nx;
    }
    if (dy != 0.0f) {
      c[i].v += dy / (static_cast<float>(texH) * sy);
      c[i].gy += dy / sy;
      c[i].y = ny;
    }
  }
}

int RectInsideDrawArea(int l, int t, int r, int b) {
  const RectI& a = g_DrawState.drawArea;
  return l >= a.left && t >= a.top && r <= a.right && b <= a.bottom;
}

// The 1:1 and stretched draws: each tile corner at (ox + sx tx, oy + sy ty).
int DrawTilesScaled(const GraphRecord* g, float ox, float oy, float sx, float sy, int inside) {
  for (int i = 0; i < g->partCount; ++i) {
    Tile3DView v;
    if (SelectTileOf(g, i, &v) != 0) return -1;
    QuadCorner c[4];
    for (int k = 0; k < 4; ++k) c[k] = {ox + sx * v.x[k], oy + sy * v.y[k], v.u[k], v.v[k], v.x[k], v.y[k]};
    if (!inside) {
      int tw, th;
      if (TextureSize(v, &tw, &th) != 0) return -1;
      ClipQuad(c, tw, th, sx, sy);
    }
    WriteQuad(c);
  }
  return 0;
}

float WordToFloat(uint32_t w, int integerFlag) {
  return integerFlag ? static_cast<float>(static_cast<int32_t>(w)) : std::bit_cast<float>(w);
}

int WordToInt(uint32_t w, int integerFlag) {
  return integerFlag ? static_cast<int32_t>(w) : TruncToInt(std::bit_cast<float>(w));
}

}  // namespace

int DrawGraph3D(uint32_t xWord, uint32_t yWord, const GraphRecord* g, int trans, int integerFlag) {
  int result;
  if (!BeginGraphDraw3D(g, StateFlags(trans, integerFlag == 1), &result)) return result;
  const float x = WordToFloat(xWord, integerFlag), y = WordToFloat(yWord, integerFlag);
  const int xi = WordToInt(xWord, integerFlag), yi = WordToInt(yWord, integerFlag);
  const int inside = RectInsideDrawArea(xi, yi, xi + g->width, yi + g->height);
  const float ox = x - 0.5f + static_cast<float>(g_DrawState.drawScreenRect.left);
  const float oy = y - 0.5f + static_cast<float>(g_DrawState.drawScreenRect.top);
  if (DrawTilesScaled(g, ox, oy, 1.0f, 1.0f, inside) != 0) return -1;
  return EndGraphDraw3D();
}

int DrawGraphStretched3D(uint32_t x1Word, uint32_t y1Word, uint32_t x2Word, uint32_t y2Word, const GraphRecord* g,
                         int trans, int integerFlag) {
  const int x1i = WordToInt(x1Word, integerFlag), y1i = WordToInt(y1Word, integerFlag);
  const int x2i = WordToInt(x2Word, integerFlag), y2i = WordToInt(y2Word, integerFlag);
  const int aligned = integerFlag == 1 && g_DrawState.drawMode != DRAW_MODE_BILINEAR;
  int result;
  if (!BeginGraphDraw3D(g, StateFlags(trans, aligned), &result)) return result;
  if (x1i == x2i || y1i == y2i || g->width <= 0 || g->height <= 0) return -1;
  const float x1 = WordToFloat(x1Word, integerFlag), y1 = WordToFloat(y1Word, integerFlag);
  const float x2 = WordToFloat(x2Word, integerFlag), y2 = WordToFloat(y2Word, integerFlag);
  const float sx = (x2 - x1) / static_cast<float>(g->width);
  const float sy = (y2 - y1) / static_cast<float>(g->height);
  const int inside = RectInsideDrawArea(std::min(x1i, x2i), std::min(y1i, y2i), std::max(x1i, x2i),
                                        std::max(y1i, y2i));
  const float ox = x1 - 0.5f + static_cast<float>(g_DrawState.drawScreenRect.left);
  const float oy = y1 - 0.5f + static_cast<float>(g_DrawState.drawScreenRect.top);
  if (DrawTilesScaled(g, ox, oy, sx, sy, inside) != 0) return -1;
  return EndGraphDraw3D();
}

int DrawGraphRotated3D(float x, float y, double scale, double angle, const GraphRecord* g, int trans, int turn) {
  if (scale == 0.0) return -1;
  int result;
  if (!BeginGraphDraw3D(g, StateFlags(trans, 0), &result)) return result;
  const int w = g->width, h = g->height;
  float cx = x + static_cast<float>(g_DrawState.drawScreenRect.left);
  float cy = y + static_cast<float>(g_DrawState.drawScreenRect.top);
  float hx, hy;
  const bool wOdd = (w & 1) != 0, hOdd = (h & 1) != 0;
  bool reflect;
  if (scale == 1.0) {
    if (wOdd != hOdd) {
      hx = static_cast<float>(w) * 0.5f - (wOdd ? 0.0f : 0.5f);
      hy = static_cast<float>(h) * 0.5f - (hOdd ? 0.0f : 0.5f);
    } else if (wOdd) {
      hx = static_cast<float>(w) * 0.5f;
      hy = static_cast<float>(h) * 0.5f;
    } else {
      hx = static_cast<float>(w / 2);
      hy = static_cast<float>(h / 2);
      cx -= 0.5f;
      cy -= 0.5f;
    }
    reflect = wOdd && hOdd;
  } else {
    hx = static_cast<float>(w) * 0.5f;
    hy = static_cast<float>(h) * 0.5f;
    cx -= 0.5f;
    cy -= 0.5f;
    reflect = true;
  }
  reflect = reflect && g->partCount == 1;
  float s = 0.0f, c = 1.0f;
  if (angle != 0.0) {
    s = std::sin(static_cast<float>(angle));
    c = std::cos(static_cast<float>(angle));
  }
  const float sc = static_cast<float>(scale);
  const float ax = turn ? -sc : sc;
  for (int i = 0; i < g->partCount; ++i) {
    Tile3DView v;
    if (SelectTileOf(g, i, &v) != 0) return -1;
    QuadCorner q[4];
    for (int k = 0; k < 4; ++k) {
      if (reflect && k >= 2) break;
      const float a = (v.x[k] - hx) * ax, b = (v.y[k] - hy) * sc;
      q[k] = {cx + (a * c - b * s), cy + (a * s + b * c), v.u[k], v.v[k], v.x[k], v.y[k]};
    }
    if (reflect) {
      q[3] = {2.0f * cx - q[0].x, 2.0f * cy - q[0].y, v.u[3], v.v[3], v.x[3], v.y[3]};
      q[2] = {2.0f * cx - q[1].x, 2.0f * cy - q[1].y, v.u[2], v.v[2], v.x[2], v.y[2]};
    }
    WriteQuad(q);
  }
  return EndGraphDraw3D();
}

int DrawGraphFourCornersF3D(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                            const GraphRecord* g, int trans) {
  if (g_DrawState.blendGraph != -1) {
    return DrawGraphFourCorners3D(TruncToInt(x1), TruncToInt(y1), TruncToInt(x2), TruncToInt(y2), TruncToInt(x3),
                                  TruncToInt(y3), TruncToInt(x4), TruncToInt(y4), g, trans);
  }
  int result;
  if (!BeginGraphDraw3D(g, StateFlags(trans, 0), &result)) return result;
  const float fx = static_cast<float>(g_DrawState.drawScreenRect.left);
  const float fy = static_cast<float>(g_DrawState.drawScreenRect.top);
  const float cxs[4] = {x1, x2, x3, x4}, cys[4] = {y1, y2, y3, y4};
  const float gw = static_cast<float>(g->width), gh = static_cast<float>(g->height);
  for (int i = 0; i < g->partCount; ++i) {
    Tile3DView v;
    if (SelectTileOf(g, i, &v) != 0) return -1;
    QuadCorner q[4];
    for (int k = 0; k < 4; ++k) {
      float px, py;
      if (g->partCount == 1) {
        px = cxs[k];
        py = cys[k];
      } else {
        const float fu = v.x[k] / gw, fv = v.y[k] / gh;
        const float lx = x1 + fv * (x3 - x1), ly = y1 + fv * (y3 - y1);
        const float rx = x2 + fv * (x4 - x2), ry = y2 + fv * (y4 - y2);
        px = lx + fu * (rx - lx);
        py = ly + fu * (ry - ly);
      }
      q[k] = {px + fx, py + fy, v.u[k], v.v[k], v.x[k], v.y[k]};
    }
    WriteQuad(q);
  }
  return EndGraphDraw3D();
}

int DrawGraphFourCorners3D(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, const GraphRecord* g,
                           int trans) {
  if (x1 == x3 && x2 == x4 && y1 == y2 && y3 == y4) {
    return DrawGraphStretched3D(static_cast<uint32_t>(x1), static_cast<uint32_t>(y1), static_cast<uint32_t>(x4),
                                static_cast<uint32_t>(y4), g, trans, 1);
  }
  if (g_DrawState.blendGraph == -1) {
    return DrawGraphFourCornersF3D(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                                   static_cast<float>(y2), static_cast<float>(x3), static_cast<float>(y3),
                                   static_cast<float>(x4), static_cast<float>(y4), g, trans);
  }
  if (!Direct3DDrawReady()) return -1;
  if (Draw3DSoftwareOnlyTarget()) return 0;
  FlushCurrentVertexBuffer();
  const float fx = static_cast<float>(g_DrawState.drawScreenRect.left);
  const float fy = static_cast<float>(g_DrawState.drawScreenRect.top);
  const float tlx = static_cast<float>(x1) + fx, tly = static_cast<float>(y1) + fy;
  const float trx = static_cast<float>(x2) + fx, try_ = static_cast<float>(y2) + fy;
  const float blx = static_cast<float>(x3) + fx, bly = static_cast<float>(y3) + fy;
  const float brx = static_cast<float>(x4) + fx, bry = static_cast<float>(y4) + fy;
  int result;
  if (!BeginGraphDraw3D(g, StateFlags(trans, 1), &result)) return result;
  const float gw = static_cast<float>(g->width), gh = static_cast<float>(g->height);
  // Steps per graph pixel: from the top-left corner rightward and downward, from the bottom-right
  // corner leftward and upward.
  const float ax = (trx - tlx) / gw, ay = (try_ - tly) / gw, bx = (blx - tlx) / gh, by = (bly - tly) / gh;
  const float cx = (blx - brx) / gw, cy = (bly - bry) / gw, dx = (trx - brx) / gh, dy = (try_ - bry) / gh;
  for (int i = 0; i < g->partCount; ++i) {
    Tile3DView v;
    if (SelectTileOf(g, i, &v) != 0) return -1;
    QuadCorner q[4];
    for (int k = 0; k < 4; ++k) {
      float px, py;
      if (k == 3) {
        const float l = gw - v.x[k], u = gh - v.y[k];
        px = brx + l * cx + u * dx;
        py = bry + l * cy + u * dy;
      } else {
        px = tlx + v.x[k] * ax + v.y[k] * bx;
        py = tly + v.x[k] * ay + v.y[k] * by;
      }
      q[k] = {px - 0.5f, py - 0.5f, v.u[k], v.v[k], v.x[k], v.y[k]};
    }
    // The second triangle (bottom-right, bottom-left, top-right) takes its other corners from the
    // bottom-right map too.
    QuadCorner q2[3] = {q[3], q[2], q[1]};
    for (int k = 1; k < 3; ++k) {
      const int src = k == 1 ? 2 : 1;
      const float l = gw - v.x[src], u = gh - v.y[src];
      q2[k].x = brx + l * cx + u * dx - 0.5f;
      q2[k].y = bry + l * cy + u * dy - 0.5f;
    }
    const QuadCorner* const seq[6] = {&q[0], &q[1], &q[2], &q2[0], &q2[1], &q2[2]};
    WriteTriangles(seq);
  }
  return EndGraphDraw3D();
}

int DrawGraphTiledRotated3D(int x1, int y1, int x2, int y2, int ox, int oy, double scale, double angle,
                            const GraphRecord* g, int trans) {
  // A scale of 0 or below has no tile to repeat.
  if (scale <= 0.0) return 0;
  if (g->width <= 0 || g->height <= 0) return 0;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  const int rw = x2 - x1, rh = y2 - y1;
  const float s = static_cast<float>(scale);
  const int w = g->width, h = g->height;
  const int mx = ox % w, my = oy % h;
  const double diag = std::sqrt(static_cast<double>(rw) * rw + static_cast<double>(rh) * rh);
  const double count = diag / (static_cast<double>(std::min(w, h)) * scale) + 2.0;
  int n = count >= TILED_FILL_MAX_SIDE ? TILED_FILL_MAX_SIDE : static_cast<int>(count);
  if ((n & 1) == 0) ++n;
  const RectI savedArea = g_DrawState.drawArea;
  const RectI savedRequested = g_DrawState.drawAreaRequested;
  SetDrawAreaViewport(x1, y1, x2, y2);
  const float sn = std::sin(static_cast<float>(angle)), cs = std::cos(static_cast<float>(angle));
  const float wx = cs * static_cast<float>(w) * s, wy = sn * static_cast<float>(w) * s;
  const float hx = -sn * static_cast<float>(h) * s, hy = cs * static_cast<float>(h) * s;
  const float ex = static_cast<float>(-mx - (w * n) / 2) * s, ey = static_cast<float>(-my - (h * n) / 2) * s;
  float rowX = static_cast<float>(x1 + rw / 2) + (ex * cs - ey * sn);
  float rowY = static_cast<float>(y1 + rh / 2) + (ex * sn + ey * cs);
  for (int r = 0; r < n; ++r) {
    float px = rowX, py = rowY;
    for (int k = 0; k < n; ++k) {
      DrawGraphFourCornersF3D(px, py, px + wx, py + wy, px + hx, py + hy, px + wx + hx, py + wy + hy, g, trans);
      px += wx;
      py += wy;
    }
    rowX += hx;
    rowY += hy;
  }
  SetDrawAreaViewport(savedArea.left, savedArea.top, savedArea.right, savedArea.bottom);
  g_DrawState.drawAreaRequested = savedRequested;
  return 0;
}

int SetDrawScreen3D(int target) {
  if (!Direct3DDrawReady()) return 0;
  Device3DRecord* d = CurrentDevice3D();
  const int device = g_Direct3D.currentDevice;
  FlushCurrentVertexBuffer();
  EndSceneCurrent();
  if (d->texture != nullptr || d->textureDirty) {
    SetDeviceTextureCached(device, nullptr);
    d->textureDirty = 1;
    d->stageProgramDirty = 1;
  }
  if (target == DRAW_SCREEN_FRONT || target == DRAW_SCREEN_BACK) {
    SetRenderTargetCached(device, target == DRAW_SCREEN_FRONT ? GetPrimarySurface() : GetBackSurface());
    d->frontScreenTarget = target == DRAW_SCREEN_FRONT;
    d->softwareOnlyTarget = 0;
    return 0;
  }
  GraphRecord* g = GetGraphRecord(target);
  if (g == nullptr) return -1;
  if (g->partCount != 1) return 0;
  SurfaceDataRecord* data = nullptr;
  if (!g->create.texture) {
    Surface2DRecord* part = GetSurface2D(static_cast<int>(g->parts[0]));
    if (part != nullptr) data = GetSurfaceDataRecord(static_cast<int>(part->surfaceData));
    if (data == nullptr) return -1;
    // The device cannot draw into system memory; software draws there instead.
    if (data->surface == nullptr || (plat::SurfaceCaps(data->surface) & plat::SURFCAPS_SYSTEMMEMORY) != 0) {
      d->softwareOnlyTarget = 1;
      return -1;
    }
  } else {
    Tile3DView v;
    if (TileOf(g, 0, &v) == nullptr) return -1;
    data = GetSurfaceDataRecord(v.surfaceData);
    if (data == nullptr || !data->create.drawValid || data->surface == nullptr) return -1;
  }
  SetRenderTargetCached(device, data->surface);
  d->frontScreenTarget = 0;
  d->softwareOnlyTarget = 0;
  return 0;
}
