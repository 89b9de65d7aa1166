// The draw state, its setters and the draw area, the rectangle and matrix helpers, and the blend
// tables the software renderer reads.
#include "engine/graphics/draw_state.h"

#include <cmath>
#include <cstring>

#include "engine/base/log.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graphics_hooks.h"

DrawState g_DrawState;
BlendLookupTables g_BlendTables;
uint8_t g_BlendWeightTable[256];
Matrix4 g_ScreenMatrices[3];

static int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

void BuildBlendLookupTables() {
  g_BlendTables.ready = 0;
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) g_BlendTables.product[a][b] = static_cast<uint32_t>(a * b / 255);
    for (int j = 0; j < 511; ++j) g_BlendTables.signedProduct[a][j] = a * (j - 255) / 255;
  }
  for (int i = 0; i < 64; ++i)
    for (int m = 0; m < 64; ++m)
      for (int n = 0; n < 64; ++n) g_BlendTables.lerp63[i][m][n] = static_cast<uint8_t>((i * m + (63 - i) * n) / 63);
  g_BlendTables.ready = 1;
}

void BuildBlendWeightTable(int borderParam, int borderRange) {
  const int r = Clamp255(borderRange), p = Clamp255(borderParam);
  const int base = 256 - (((65536 / (r + 1)) + 256) * p) / 256;
  for (int i = 0; i < 256; ++i) g_BlendWeightTable[i] = static_cast<uint8_t>(Clamp255(i * 256 / (r + 1) + base));
}

int ClipRectToRect(RectI* a, const RectI* b) {
  if (a->right < a->left) a->right = a->left;
  if (a->bottom < a->top) a->bottom = a->top;
  auto clamp = [](int32_t v, int32_t lo, int32_t hi) { return v > hi ? hi : (v < lo ? lo : v); };
  a->bottom = clamp(a->bottom, b->top, b->bottom);
  a->top = clamp(a->top, b->top, b->bottom);
  a->right = clamp(a->right, b->left, b->right);
  a->left = clamp(a->left, b->left, b->right);
  return 0;
}

void NormalizeRect(RectI* r) {
  if (r->left > r->right) {
    int32_t t = r->left;
    r->left = r->right;
    r->right = t;
  }
  if (r->top > r->bottom) {
    int32_t t = r->top;
    r->top = r->bottom;
    r->bottom = t;
  }
}

void GetRectSize(const RectI* r, int* width, int* height) {
  if (width) *width = r->right - r->left;
  if (height) *height = r->bottom - r->top;
}

void ScreenModeSizeOrDefault(int* w, int* h) {
  ScreenModeSize(w, h);
  if (*w <= 0 || *h <= 0) {
    *w = 640;
    *h = 480;
  }
}

void ResetDrawState() {
  int32_t notAvailable = g_DrawState.notAvailable;
  std::memset(&g_DrawState, 0, sizeof(g_DrawState));
  g_DrawState.notAvailable = notAvailable;
  int w, h;
  ScreenModeSizeOrDefault(&w, &h);
  g_DrawState.drawScreen = DRAW_SCREEN_FRONT;
  g_DrawState.drawScreenRect = RectI{0, 0, w, h};
  g_DrawState.drawArea = RectI{0, 0, w, h};
  g_DrawState.drawAreaRequested = g_DrawState.drawArea;
  g_DrawState.drawAreaF[0] = 0.0f;
  g_DrawState.drawAreaF[1] = 0.0f;
  g_DrawState.drawAreaF[2] = static_cast<float>(w);
  g_DrawState.drawAreaF[3] = static_cast<float>(h);
  g_DrawState.zCompare = 4;
  g_DrawState.vertexDepth = 0.2f;
  g_DrawState.blendGraph = -1;
  g_DrawState.drawBright = 0xFFFFFF;
  g_DrawState.useMask = 1;
  g_DrawState.useTexture = 1;
  g_DrawState.createAlphaTest = 1;
  BuildBlendWeightTable(0, 0);
}

int SetDrawModeState(int mode) {
  if (g_DrawState.notAvailable) return 0;
  if (g_DrawState.drawMode == mode) return 0;
  g_DrawState.drawMode = mode;
  if (Direct3DInUse()) SetTextureFilterMode(mode);
  return 0;
}

int GetDrawModeState() { return g_DrawState.drawMode; }

int SetBlendModeState(int mode, int param) {
  if (g_DrawState.notAvailable) return 0;
  param = Clamp255(param);
  if (g_DrawState.blendMode == mode && g_DrawState.blendParam == param) return 0;
  WaitWhileInactive();
  g_DrawState.blendMode = mode;
  g_DrawState.blendParam = param;
  UpdateDrawColorCache();
  return 0;
}

int SetBlendGraphState(int graph, int borderParam, int borderRange) {
  if (g_DrawState.notAvailable) return 0;
  if (g_DrawState.blendGraph == graph && g_DrawState.blendGraphBorderParam == borderParam &&
      g_DrawState.blendGraphBorderRange == borderRange) {
    return 0;
  }
  if (graph != -1 && !GetGraphRecord(graph)) return -1;
  WaitWhileInactive();
  g_DrawState.blendGraph = graph;
  g_DrawState.blendGraphBorderParam = Clamp255(borderParam);
  g_DrawState.blendGraphBorderRange = Clamp255(borderRange);
  if (Direct3DInUse()) {
    SetBlendGraphTexture(graph, g_DrawState.blendGraphBorderParam, g_DrawState.blendGraphBorderRange);
  }
  BuildBlendWeightTable(g_DrawState.blendGraphBorderParam, g_DrawState.blendGraphBorderRange);
  return 0;
}

int SetDrawBrightRgb(int red, int green, int blue) {
  uint32_t v = (static_cast<uint32_t>(Clamp255(red)) << 16) | (static_cast<uint32_t>(Clamp255(green)) << 8) |
               static_cast<uint32_t>(Clamp255(blue));
  if ((g_DrawState.drawBright & 0xFFFFFF) == v) return 0;
  g_DrawState.drawBright = v;
  if (Direct3DInUse()) UpdateDrawColorCache();
  return 0;
}

int SetDrawBrightPacked(uint32_t color) {
  g_DrawState.drawBright = color & 0xFFFFFF;
  if (Direct3DInUse()) UpdateDrawColorCache();
  return 0;
}

int SetDrawAreaViewport(int x1, int y1, int x2, int y2) {
  if (g_DrawState.notAvailable) return 0;
  WaitWhileInactive();
  return ApplyDrawAreaViewport(x1, y1, x2, y2);
}

int ApplyDrawAreaViewport(int x1, int y1, int x2, int y2) {
  if (g_DrawState.notAvailable) return 0;
  g_DrawState.drawAreaRequested = RectI{x1, y1, x2, y2};
  if (x1 > x2) {
    int t = x1;
    x1 = x2;
    x2 = t;
  }
  if (y1 > y2) {
    int t = y1;
    y1 = y2;
    y2 = t;
  }
  int limitW, limitH;
  const char* target;
  if (g_DrawState.drawScreen == DRAW_SCREEN_FRONT) {
    target = "Front Buffer";
    ScreenModeSizeOrDefault(&limitW, &limitH);
    RectI client;
    if (GetMainClientScreenRect(&client) == 0) {
      // The part of the window hidden beyond the desktop's edges is not drawn; a caller's own
      // larger start stays.
      if (client.left < 0 && x1 < -client.left) x1 = -client.left;
      if (client.top < 0 && y1 < -client.top) y1 = -client.top;
      int deskW, deskH;
      GetDesktopSize(&deskW, &deskH);
      if (deskW > 0 && client.left + limitW >= deskW) limitW = deskW - client.left;
      if (deskH > 0 && client.top + limitH >= deskH) limitH = deskH - client.top;
    }
  } else if (g_DrawState.drawScreen == DRAW_SCREEN_BACK) {
    target = "Back Buffer";
    ScreenModeSizeOrDefault(&limitW, &limitH);
  } else {
    target = "Image Buffer";
    GraphRecord* g = GetGraphRecord(g_DrawState.drawScreen);
    if (!g) return 0;
    limitW = g->width;
    limitH = g->height;
  }
  if (limitW < 0) limitW = 0;
  if (limitH < 0) limitH = 0;
  auto clamp = [](int v, int hi) { return v < 0 ? 0 : (v > hi ? hi : v); };
  x1 = clamp(x1, limitW);
  x2 = clamp(x2, limitW);
  y1 = clamp(y1, limitH);
  y2 = clamp(y2, limitH);
  g_DrawState.drawArea = RectI{x1, y1, x2, y2};
  g_DrawState.drawAreaF[0] = static_cast<float>(x1);
  g_DrawState.drawAreaF[1] = static_cast<float>(y1);
  g_DrawState.drawAreaF[2] = static_cast<float>(x2);
  g_DrawState.drawAreaF[3] = static_cast<float>(y2);
  if (x1 == x2 || y1 == y2) {
    g_DrawState.drawAreaEmpty = 1;
    return 0;
  }
  g_DrawState.drawAreaEmpty = 0;
  if (Direct3DInUse() && SetViewportFromRect(&g_DrawState.drawArea) != 0) {
    LogPrintf("ビューポートの設定に失敗しました %s", target);
  }
  return 0;
}

int SetDrawScreenRect(const RectI* r) {
  g_DrawState.drawScreenRect = *r;
  return 0;
}

int GetDrawScreenHandle() { return g_DrawState.drawScreen; }

int GetDrawArea(RectI* out) {
  *out = g_DrawState.drawArea;
  return 0;
}

int GetUseMaskFlag() { return g_DrawState.useMask; }

int SetTransparentColor(int red, int green, int blue) {
  if (ScreenActualBitDepth() == 8) return 0;
  g_DrawState.transparentColor = (static_cast<uint32_t>(red & 0xFF) << 16) |
                                 (static_cast<uint32_t>(green & 0xFF) << 8) | static_cast<uint32_t>(blue & 0xFF);
  return 0;
}

int SetUseTextureFlag(int flag) {
  if (!ScreenSurfaceDevice()) SetDirect3DDisabled(flag ? 0 : 1);
  g_DrawState.useTexture = flag;
  return 0;
}

int SetCreateDrawValidGraphFlag(int flag) {
  g_DrawState.createDrawValid = flag;
  return 0;
}

int SetCreateGraphAlphaFlag(int flag) {
  g_DrawState.createAlphaBlank = flag;
  return 0;
}

int SetCreateSystemMemoryFlag(int flag) {
  g_DrawState.createSystemMemory = ScreenDirectDrawInUse() ? 1 : flag;
  return 0;
}

int SetCreateVideoMemoryFlag(int flag) {
  if (ScreenDirectDrawInUse()) g_DrawState.createSystemMemory = 1;
  else g_DrawState.createSystemMemory = flag != 1 ? 1 : 0;
  return 0;
}

int ClearDrawTarget() {
  WaitWhileInactive();
  if (Direct3DInUse()) ClearDrawScreen3D();
  ClearDrawTargetSurfaces();
  if (ScreenIsSoftware() && ScreenActualBitDepth() != 8 && g_DrawState.drawScreen == DRAW_SCREEN_FRONT) {
    UpdateFrontScreenRect(&g_DrawState.drawScreenRect);
  }
  return 0;
}

int FillGraphWithColor(int graph, int red, int green, int blue, int alpha) {
  GraphRecord* g = GetGraphRecord(graph);
  if (!g) return -1;
  if (g->create.texture) return FillGraphTextures(g, red, green, blue, alpha);
  return FillGraphSurface2D(g, red, green, blue, alpha);
}

void CreateIdentityMatrix(Matrix4* m) {
  std::memset(m, 0, sizeof(*m));
  for (int i = 0; i < 4; ++i) m->m[i][i] = 1.0f;
}

void MultiplyMatrix(Matrix4* out, const Matrix4* a, const Matrix4* b) {
  Matrix4 r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
    }
  }
  *out = r;
}

int CreatePerspectiveMatrix(Matrix4* m, float fieldOfView, float zNear, float zFar) {
  const float s = std::sin(fieldOfView * 0.5f);
  const float c = std::cos(fieldOfView * 0.5f);
  if (std::fabs(zFar - zNear) < 0.01f || std::fabs(s) < 0.01f) return -1;
  int w, h;
  ScreenModeSizeOrDefault(&w, &h);
  const float cot = c / s;
  const float q = zFar / (zFar - zNear);
  std::memset(m, 0, sizeof(*m));
  m->m[0][0] = cot * static_cast<float>(h) / static_cast<float>(w);
  m->m[1][1] = cot;
  m->m[2][2] = q;
  m->m[2][3] = 1.0f;
  m->m[3][2] = -q * zNear;
  return 0;
}

void CreateViewportMatrix(Matrix4* m, float centreX, float centreY, float width, float height) {
  std::memset(m, 0, sizeof(*m));
  m->m[0][0] = width * 0.5f;
  m->m[1][1] = height * -0.5f;
  m->m[2][2] = 1.0f;
  m->m[3][3] = 1.0f;
  m->m[3][0] = centreX;
  m->m[3][1] = centreY;
}
