// Selecting the draw target on both back ends, with the 3-D device's 2-D camera: world, view,
// projection and viewport matrices that map target pixels onto themselves.
#include "engine/graphics/draw/draw_dispatch.h"

#include <cmath>
#include <cstring>

#include "engine/graphics/base_hooks.h"
#include "engine/graphics/device3d/draw3d.h"
#include "engine/graphics/draw/draw_services.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/operations.h"
#include "engine/softrender/graphics_services.h"

DrawMatrices g_DrawMatrices;

void UpdateCombinedMatrix() {
  Matrix4 a, b;
  MultiplyMatrix(&a, &g_DrawMatrices.world, &g_DrawMatrices.view);
  MultiplyMatrix(&b, &a, &g_DrawMatrices.projection);
  MultiplyMatrix(&g_DrawMatrices.combined, &b, &g_DrawMatrices.viewport);
}

int SetWorldMatrix(const Matrix4* m) {
  g_DrawMatrices.world = *m;
  UpdateCombinedMatrix();
  if (Direct3DInUse()) SetWorldTransform3D(m);
  return 0;
}

int SetViewMatrix(const Matrix4* m) {
  g_DrawMatrices.view = *m;
  Matrix4& t = g_DrawMatrices.viewRotationTranspose;
  std::memset(&t, 0, sizeof(t));
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) t.m[i][j] = m->m[j][i];
  }
  UpdateCombinedMatrix();
  if (Direct3DInUse()) SetViewTransform3D(m);
  return 0;
}

int SetProjectionMatrix(const Matrix4* m) {
  g_DrawMatrices.projection = *m;
  UpdateCombinedMatrix();
  if (Direct3DInUse()) SetProjectionTransform3D(m);
  return 0;
}

namespace {

void Normalise(float v[3]) {
  const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (len == 0.0f) return;
  for (int i = 0; i < 3; ++i) v[i] /= len;
}

void Cross(float out[3], const float a[3], const float b[3]) {
  const float r[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  std::memcpy(out, r, sizeof(r));
}

float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// What each side says of the new target; only a refusal by every side that answers counts.
int SelectOnBackEnds(int target) {
  const int device = Direct3DInUse();
  const int r3 = device ? SetDrawScreen3D(target) : -1;
  const int r2 = SetDrawTargetSurface(target);
  return device ? (r3 < 0 && r2 < 0 ? -1 : 0) : (r2 < 0 ? -1 : 0);
}

int TargetSize(int target, int* w, int* h) {
  *w = 0;
  *h = 0;
  return GetGraphDimensions(target, w, h) < 0 ? -1 : 0;
}

}  // namespace

int BuildLookAtMatrix(Matrix4* out, const float eye[3], const float at[3], const float up[3]) {
  float z[3] = {at[0] - eye[0], at[1] - eye[1], at[2] - eye[2]};
  Normalise(z);
  float x[3];
  Cross(x, up, z);
  float y[3];
  Cross(y, z, x);
  Normalise(x);
  Normalise(y);
  std::memset(out, 0, sizeof(*out));
  for (int i = 0; i < 3; ++i) {
    out->m[i][0] = x[i];
    out->m[i][1] = y[i];
    out->m[i][2] = z[i];
  }
  out->m[3][0] = -Dot(x, eye);
  out->m[3][1] = -Dot(y, eye);
  out->m[3][2] = -Dot(z, eye);
  out->m[3][3] = 1.0f;
  return 0;
}

// Where the target lies in the device's coordinates: a front screen drawn by the display in a
// window starts at the client area's place on the desktop.
static void DrawScreenFullRect(int target, int w, int h, RectI* full) {
  *full = RectI{0, 0, w, h};
  RectI client;
  if (target == DRAW_SCREEN_FRONT && GetWindowModeFlag() && !SoftwareDrawOnSoftwareScreen() &&
      GetMainClientScreenRect(&client) == 0) {
    *full = client;
  }
}

// attempt 0 is the caller's target, 1 the previous target again, 2 the back screen: a refused
// target never sends the selection round in circles.
static int SelectDrawTarget(int target, int attempt) {
  const int useMask = GetUseMaskFlag();
  SetUseMaskFlag(0);
  const int previous = g_DrawState.drawScreen;
  int prevW, prevH;
  TargetSize(previous, &prevW, &prevH);
  g_DrawState.drawScreen = target;
  int w, h;
  TargetSize(target, &w, &h);
  RectI full;
  DrawScreenFullRect(target, w, h, &full);
  SetDrawScreenRect(&full);
  if (SelectOnBackEnds(target) != 0) {
    if (attempt == 0) {
      SelectDrawTarget(previous, 1);
    } else if (attempt == 1 && target != DRAW_SCREEN_BACK) {
      SelectDrawTarget(DRAW_SCREEN_BACK, 2);
    }
    return -1;
  }
  if (w == prevW && h == prevH) {
    const RectI a = g_DrawState.drawArea;
    SetDrawAreaViewport(a.left, a.top, a.right, a.bottom);
  } else {
    SetDrawAreaViewport(0, 0, w, h);
  }
  Matrix4 m;
  CreateIdentityMatrix(&m);
  SetWorldMatrix(&m);
  const float fw = static_cast<float>(w), fh = static_cast<float>(h);
  Matrix4& vp = g_DrawMatrices.viewport;
  std::memset(&vp, 0, sizeof(vp));
  vp.m[0][0] = fw / 2.0f;
  vp.m[1][1] = -fh / 2.0f;
  vp.m[2][2] = 1.0f;
  vp.m[3][0] = fw / 2.0f;
  vp.m[3][1] = fh / 2.0f;
  vp.m[3][3] = 1.0f;
  UpdateCombinedMatrix();
  const float d = static_cast<float>(h / 2) * 1.9098593f;
  const float eye[3] = {fw * 0.5f, fh * 0.5f, 43.0f - d};
  const float at[3] = {eye[0], eye[1], eye[2] + 1.0f};
  const float up[3] = {0.0f, 1.0f, 0.0f};
  BuildLookAtMatrix(&m, eye, at, up);
  SetViewMatrix(&m);
  if (CreatePerspectiveMatrix(&m, 1.0471976f, 0.1f * d, d + 1000.0f) == 0) SetProjectionMatrix(&m);
  SetUseMaskFlag(useMask);
  return 0;
}

int SetDrawTarget(int target) {
  if (!GraphicsManagerIsUp()) return -1;
  if (g_DrawState.notAvailable) return 0;
  WaitWhileInactive();
  return SelectDrawTarget(target, 0);
}

void UpdateFrontScreenDrawArea() {
  if (g_DrawState.drawScreen != DRAW_SCREEN_FRONT) return;
  const int useMask = GetUseMaskFlag();
  SetUseMaskFlag(0);
  int w, h;
  TargetSize(DRAW_SCREEN_FRONT, &w, &h);
  RectI full;
  DrawScreenFullRect(DRAW_SCREEN_FRONT, w, h, &full);
  SetDrawScreenRect(&full);
  SetUseMaskFlag(useMask);
}

// The caller's last draw area again: its limits on the front screen follow the client area.
void ResetDrawAreaViewport() {
  const RectI a = g_DrawState.drawAreaRequested;
  ApplyDrawAreaViewport(a.left, a.top, a.right, a.bottom);
}
