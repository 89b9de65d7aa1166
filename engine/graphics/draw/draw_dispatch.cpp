// Every public draw of a graph or shape: availability, handle and blend-graph checks, the wait
// while the window is inactive, movie refresh, the mask bracket and the software front-screen
// bracket around one draw by the 3-D device or by the software renderer.
#include "engine/graphics/draw/draw_dispatch.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "engine/graphics/device3d/draw3d.h"
#include "engine/graphics/draw/draw_services.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/operations.h"
#include "engine/softrender/geometry.h"
#include "engine/softrender/graphics_services.h"

namespace {

int NotAvailable() { return g_DrawState.notAvailable; }

int SoftwareFrontScreen() {
  return SoftwareDrawOnSoftwareScreen() && g_DrawState.drawScreen == DRAW_SCREEN_FRONT;
}

int ShapesByDevice() { return g_DrawState.useTexture && Direct3DInUse() && !ScreenIsSoftware(); }

void OrderedRect(RectI* r, int x1, int y1, int x2, int y2) {
  *r = {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

// Steps 7 and 8 of the bracket.
void BeginBracket(const RectI* r) {
  if (g_DrawState.maskInEffect) BeginMaskedDraw(r->left, r->top, r->right, r->bottom);
  if (SoftwareFrontScreen() && ScreenFrontCopyStale()) LoadFrontScreenToMemImg();
}

// Steps 10 and 11.
void EndBracket(const RectI* r) {
  if (g_DrawState.maskInEffect) EndMaskedDraw(r->left, r->top, r->right, r->bottom);
  if (SoftwareFrontScreen()) UpdateFrontScreenRect(r);
}

// Steps 7 to 11: one draw by the 3-D device (inside the subtract emulation when that blend is
// set) or by the software renderer, inside the mask and front-screen bracket.
template <class DeviceDraw, class SoftwareDraw>
int DrawInBracket(const RectI* r, bool byDevice, DeviceDraw deviceDraw, SoftwareDraw softwareDraw) {
  BeginBracket(r);
  int result;
  if (byDevice) {
    const int subtract = g_DrawState.blendMode == BLEND_SUB;
    if (subtract) BeginSubtractBlend3D(r);
    result = deviceDraw();
    if (subtract) EndSubtractBlend3D(r);
  } else {
    result = softwareDraw();
  }
  EndBracket(r);
  return result;
}

struct SavedDrawArea {
  RectI area;
  float areaF[4];
};

// The draw area, saved, becomes its overlap with part.
void NarrowDrawArea(SavedDrawArea* saved, RectI part) {
  saved->area = g_DrawState.drawArea;
  std::copy(g_DrawState.drawAreaF, g_DrawState.drawAreaF + 4, saved->areaF);
  ClipRectToRect(&part, &saved->area);
  g_DrawState.drawArea = part;
  g_DrawState.drawAreaF[0] = static_cast<float>(part.left);
  g_DrawState.drawAreaF[1] = static_cast<float>(part.top);
  g_DrawState.drawAreaF[2] = static_cast<float>(part.right);
  g_DrawState.drawAreaF[3] = static_cast<float>(part.bottom);
}

void RestoreDrawArea(const SavedDrawArea* saved) {
  g_DrawState.drawArea = saved->area;
  std::copy(saved->areaF, saved->areaF + 4, g_DrawState.drawAreaF);
}

uint32_t IntWord(int v) { return static_cast<uint32_t>(v); }

// A movie graph is brought up to its current frame; 1 when it shows through a hardware overlay.
int RefreshMovie(const GraphRecord* g) {
  if (g->movieHandle < 0) return 0;
  return UpdateMovieFrameForDraw(g->handle) == 1;
}

}  // namespace

int DrawGraphAtPoint(int x, int y, int graph, int trans) {
  if (NotAvailable()) return 0;
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr || !CoordsInReach({x, y})) return -1;
  if (g_DrawState.blendGraph != -1 && IsBlendGraphTooSmall(g) != 0) return -1;
  WaitWhileInactive();
  const RectI r = {x, y, x + g->width, y + g->height};
  if (RefreshMovie(g)) {
    UpdateMovieOverlay(x, y, g->movieHandle, 1, 1);
    return -1;
  }
  return DrawInBracket(
      &r, g->create.texture != 0,
      [&] { return DrawGraph3D(IntWord(x), IntWord(y), g, trans, 1); },
      [&] { return DrawGraphSoftwareF(IntWord(x), IntWord(y), g, trans, 1); });
}

int DrawGraphStretched(int x1, int y1, int x2, int y2, int graph, int trans) {
  if (NotAvailable()) return 0;
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr || !CoordsInReach({x1, y1, x2, y2})) return -1;
  if (g_DrawState.blendGraph != -1 && IsBlendGraphTooSmall(g) != 0) return -1;
  WaitWhileInactive();
  RectI r;
  OrderedRect(&r, x1, y1, x2, y2);
  if (RefreshMovie(g)) {
    UpdateMovieOverlay(x1, y1, g->movieHandle, 1, g->width > 0 ? (x2 - x1) / g->width : 1);
    return -1;
  }
  return DrawInBracket(
      &r, g->create.texture != 0,
      [&] { return DrawGraphStretched3D(IntWord(x1), IntWord(y1), IntWord(x2), IntWord(y2), g, trans, 1); },
      [&] { return DrawScaledGraphSoftware(IntWord(x1), IntWord(y1), IntWord(x2), IntWord(y2), g, trans, 1, -1); });
}

int DrawGraphRotated(float x, float y, double scale, double angle, int graph, int trans, int turn) {
  if (NotAvailable()) return 0;
  GraphRecord* g = GetGraphRecord(graph);
  // The scaled graph, too, must stay within reach; an angle that is no number turns nothing.
  if (g == nullptr || !CoordsInReachF({x, y, scale * g->width, scale * g->height}) || !std::isfinite(angle)) {
    return -1;
  }
  if (g_DrawState.blendGraph != -1 && IsBlendGraphTooSmall(g) != 0) return -1;
  // The rotated bounding box, widened by 5 on every side.
  const int xi = TruncToInt(x), yi = TruncToInt(y);
  const float fa = static_cast<float>(angle);
  const double s = std::sin(fa), c = std::cos(fa);
  const int hw = g->width / 2, hh = g->height / 2;
  const int px[4] = {-hw, g->width - hw, -hw, g->width - hw};
  const int py[4] = {-hh, -hh, g->height - hh, g->height - hh};
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  for (int i = 0; i < 4; ++i) {
    const double X = (px[i] * c - py[i] * s) * scale + xi;
    const double Y = (px[i] * s + py[i] * c) * scale + yi;
    if (i == 0 || X < minX) minX = X;
    if (i == 0 || X > maxX) maxX = X;
    if (i == 0 || Y < minY) minY = Y;
    if (i == 0 || Y > maxY) maxY = Y;
  }
  const RectI r = {TruncToInt(minX - 5.0), TruncToInt(minY - 5.0), TruncToInt(maxX + 5.0), TruncToInt(maxY + 5.0)};
  WaitWhileInactive();
  RefreshMovie(g);
  return DrawInBracket(
      &r, g->create.texture != 0,
      [&] { return DrawGraphRotated3D(x, y, scale, angle, g, trans, turn); },
      [&] { return DrawRotatedGraphSoftware(x, y, scale, angle, g, trans, turn); });
}

int DrawGraphRotatedCall(int x, int y, double scale, double angle, int graph, int trans, int turn) {
  return DrawGraphRotated(static_cast<float>(x), static_cast<float>(y), scale, angle, graph, trans, turn);
}

int DrawGraphMirrored(int x, int y, int graph, int trans) {
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr || !CoordsInReach({x, y})) return -1;
  return DrawGraphStretched(x + g->width, y, x, y + g->height, graph, trans);
}

int DrawGraphFourCorners(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int graph,
                         int trans) {
  if (NotAvailable()) return 0;
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr || !CoordsInReachF({x1, y1, x2, y2, x3, y3, x4, y4})) return -1;
  if (g_DrawState.blendGraph != -1 && IsBlendGraphTooSmall(g) != 0) return -1;
  RectI r = {0xFFFFFF, 0xFFFFFF, 0, 0};
  const float xs[4] = {x1, x2, x3, x4}, ys[4] = {y1, y2, y3, y4};
  for (int i = 0; i < 4; ++i) {
    const int xi = TruncToInt(xs[i]), yi = TruncToInt(ys[i]);
    r.left = std::min(r.left, xi);
    r.top = std::min(r.top, yi);
    r.right = std::max(r.right, xi);
    r.bottom = std::max(r.bottom, yi);
  }
  WaitWhileInactive();
  RefreshMovie(g);
  // The caller's order is clockwise; both back ends take top-left, top-right, bottom-left,
  // bottom-right.
  return DrawInBracket(
      &r, g->create.texture != 0,
      [&] { return DrawGraphFourCornersF3D(x1, y1, x2, y2, x4, y4, x3, y3, g, trans); },
      [&] { return DrawFreeQuadSoftwareF(x1, y1, x2, y2, x4, y4, x3, y3, g, trans); });
}

int DrawGraphTiledRotated(int x1, int y1, int x2, int y2, int ox, int oy, double scale, double angle, int graph,
                          int trans) {
  if (NotAvailable()) return 0;
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr || !CoordsInReach({x1, y1, x2, y2, ox, oy}) ||
      !CoordsInReachF({scale * g->width, scale * g->height}) || !std::isfinite(angle)) {
    return -1;
  }
  WaitWhileInactive();
  const RectI r = {x1, y1, x2, y2};
  return DrawInBracket(
      &r, g->create.texture != 0,
      [&] { return DrawGraphTiledRotated3D(x1, y1, x2, y2, ox, oy, scale, angle, g, trans); },
      [&] { return DrawTiledGraphSoftware(x1, y1, x2, y2, ox, oy, scale, angle, g, trans); });
}

int DrawGraphRectPart(int x, int y, int srcX, int srcY, int w, int h, int graph, int trans, int turn) {
  if (!CoordsInReach({x, y, srcX, srcY, w, h})) return -1;
  SavedDrawArea saved;
  NarrowDrawArea(&saved, {x, y, x + w, y + h});
  int result;
  if (!turn) {
    result = DrawGraphAtPoint(x - srcX, y - srcY, graph, trans);
  } else {
    GraphRecord* g = GetGraphRecord(graph);
    result = g == nullptr ? -1 : DrawGraphMirrored(x - g->width + srcX + w, y - srcY, graph, trans);
  }
  RestoreDrawArea(&saved);
  return result;
}

int DrawGraphRectStretched(int x1, int y1, int x2, int y2, int srcX, int srcY, int srcW, int srcH, int graph,
                           int trans) {
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr || !CoordsInReach({x1, y1, x2, y2, srcX, srcY, srcW, srcH})) return -1;
  if (srcW == 0 || srcH == 0) return -1;
  const bool revX = x1 > x2, revY = y1 > y2;
  RectI o;
  OrderedRect(&o, x1, y1, x2, y2);
  SavedDrawArea saved;
  NarrowDrawArea(&saved, o);
  const double rx = static_cast<double>(o.right - o.left) / srcW;
  const double ry = static_cast<double>(o.bottom - o.top) / srcH;
  int ax1, ax2, ay1, ay2;
  if (!revX) {
    ax1 = o.left - TruncToInt(srcX * rx);
    ax2 = o.left + TruncToInt((g->width - srcX) * rx);
  } else {
    ax1 = o.right + TruncToInt(srcX * rx);
    ax2 = o.right - TruncToInt((g->width - srcX) * rx);
  }
  if (!revY) {
    ay1 = o.top - TruncToInt(srcY * ry);
    ay2 = o.top + TruncToInt((g->height - srcY) * ry);
  } else {
    ay1 = o.bottom + TruncToInt(srcY * ry);
    ay2 = o.bottom - TruncToInt((g->height - srcY) * ry);
  }
  const int result = DrawGraphStretched(ax1, ay1, ax2, ay2, graph, trans);
  RestoreDrawArea(&saved);
  return result;
}

namespace {

using BoxDraw = int (*)(int x1, int y1, int x2, int y2, uint32_t colour);

int DrawBoxBy(int x1, int y1, int x2, int y2, uint32_t colour, BoxDraw deviceDraw, BoxDraw softwareDraw) {
  if (NotAvailable()) return 0;
  if (!CoordsInReach({x1, y1, x2, y2})) return -1;
  WaitWhileInactive();
  RectI r;
  OrderedRect(&r, x1, y1, x2, y2);
  return DrawInBracket(
      &r, ShapesByDevice() != 0,
      [&] { return deviceDraw(x1, y1, x2, y2, colour); },
      [&] { return softwareDraw(x1, y1, x2, y2, colour); });
}

}  // namespace

int DrawFilledBox(int x1, int y1, int x2, int y2, uint32_t colour) {
  return DrawBoxBy(x1, y1, x2, y2, colour, DrawFillBox3D, DrawFilledBoxSoftware);
}

int DrawBoxOutline(int x1, int y1, int x2, int y2, uint32_t colour) {
  return DrawBoxBy(x1, y1, x2, y2, colour, DrawBoxOutline3D, DrawBoxOutlineSoftware);
}

int DrawBoxShape(int x1, int y1, int x2, int y2, uint32_t colour, int fill) {
  return fill ? DrawFilledBox(x1, y1, x2, y2, colour) : DrawBoxOutline(x1, y1, x2, y2, colour);
}

int DrawOvalShape(int cx, int cy, int rx, int ry, uint32_t colour, int fill) {
  if (NotAvailable()) return 0;
  WaitWhileInactive();
  if (rx < 0 || ry < 0) return 0;
  if (!CoordsInReach({cx, cy, rx, ry})) return -1;
  const RectI r = {cx - rx - 1, cy - ry - 1, cx + rx + 1, cy + ry + 1};
  return DrawInBracket(
      &r, ShapesByDevice() != 0,
      [&] { return G_D3D_DrawCircle(cx, cy, rx, ry, colour, fill); },
      [&] { return DrawOvalSoftware(cx, cy, rx, ry, colour, fill); });
}

// Complement, add, complement: the device has no subtracting blend, but mode 3 on the device
// inverts the target, so the target ends as itself minus the picture.
namespace {

void InvertRect3D(const RectI* r) {
  const uint32_t bright = g_DrawState.drawBright;
  if (bright != 0xFFFFFF) {
    g_DrawState.drawBright = 0xFFFFFF;
    UpdateDrawColorCache();
  }
  if (g_DrawState.blendMode != BLEND_SUB || g_DrawState.blendParam != 255) {
    WaitWhileInactive();
    SetBlendModeState(BLEND_SUB, 255);
  }
  DrawFillBox3D(r->left, r->top, r->right, r->bottom, GetScreenColor(255, 255, 255));
  if (g_DrawState.drawBright != bright) {
    g_DrawState.drawBright = bright;
    UpdateDrawColorCache();
  }
}

}  // namespace

int BeginSubtractBlend3D(const RectI* r) {
  const int param = g_DrawState.blendParam;
  InvertRect3D(r);
  SetBlendModeState(BLEND_ADD_EMULATION, param);
  return 0;
}

int EndSubtractBlend3D(const RectI* r) {
  const int param = g_DrawState.blendParam;
  InvertRect3D(r);
  SetBlendModeState(BLEND_SUB, param);
  return 0;
}

int UpdateMovieOverlay(int x, int y, int movie, int show, int k) {
  int mw = 0, mh = 0;
  if (GetMovieOverlaySize(movie, &mw, &mh) != 0) return 0;
  if (!show) {
    ShowMovieOverlay(movie, nullptr, nullptr, 0);
    return 0;
  }
  if (k <= 0) k = 1;
  RectI src = {0, 0, mw, mh};
  RectI client;
  if (GetMainClientScreenRect(&client) != 0) return 0;
  RectI dst = {x + client.left, y + client.top, x + client.left + k * mw, y + client.top + k * mh};
  // Clip to the client area; the source shrinks by the clipped amounts over the magnification.
  if (dst.left < client.left) {
    src.left += (client.left - dst.left) / k;
    dst.left = client.left;
  }
  if (dst.top < client.top) {
    src.top += (client.top - dst.top) / k;
    dst.top = client.top;
  }
  if (dst.right > client.right) {
    src.right -= (dst.right - client.right) / k;
    dst.right = client.right;
  }
  if (dst.bottom > client.bottom) {
    src.bottom -= (dst.bottom - client.bottom) / k;
    dst.bottom = client.bottom;
  }
  if (dst.left >= dst.right || dst.top >= dst.bottom || src.left >= src.right || src.top >= src.bottom) return 0;
  OverlayAlignment a = {};
  GetOverlayAlignment(&a);
  if (a.sourceBoundary > 0) src.left -= src.left % a.sourceBoundary;
  if (a.sourceSize > 0) src.right = src.left + (src.right - src.left) / a.sourceSize * a.sourceSize;
  if (a.destBoundary > 0) dst.left -= dst.left % a.destBoundary;
  if (a.destSize > 0) dst.right = dst.left + (dst.right - dst.left) / a.destSize * a.destSize;
  if (dst.right - dst.left > 0) ShowMovieOverlay(movie, &src, &dst, 1);
  return 0;
}
