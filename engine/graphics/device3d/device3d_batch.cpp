// Scenes, the vertex batch, viewport, render target, transforms and the tile draws by corners and
// by vertex grid.
#include "engine/graphics/device3d/device3d.h"

#include <cmath>
#include <cstring>

#include "engine/base/log.h"
#include "engine/graphics/graph/texture_graph.h"
#include "engine/graphics/graphics_hooks.h"

void UpdateDrawColorCache() {
  const uint32_t alpha = g_DrawState.blendMode != 0 ? static_cast<uint32_t>(g_DrawState.blendParam) & 0xFF : 255u;
  g_Direct3D.drawColor = (alpha << 24) | (g_DrawState.drawBright & 0xFFFFFF);
}

void BeginSceneIfNeeded() {
  Device3DRecord* d = CurrentDevice3D();
  if (!d || d->sceneOpen) return;
  d->device->BeginScene();
  d->sceneOpen = 1;
}

int FlushVertexBuffer(int device) {
  Device3DRecord* d = g_Direct3D.object ? GetDevice3D(device) : nullptr;
  if (!d) return -1;
  const VertexFormatInfo& f = VertexFormatTable[d->vertexType];
  if (d->pendingCount > 0 && !d->nothingToDraw) {
    d->device->DrawPrimitive(static_cast<uint32_t>(d->primitiveType), f.fvf, d->vertexBuffers[d->vertexType],
                             static_cast<uint32_t>(d->pendingCount), 0);
  }
  d->pendingCount = 0;
  d->writePointer = d->vertexBuffers[d->vertexType];
  return 0;
}

void FlushCurrentVertexBuffer() {
  if (g_Direct3D.object) FlushVertexBuffer(g_Direct3D.currentDevice);
}

void ForgetTexture3D(plat::Surface* texture) {
  for (int i = 0; i < DEVICE3D_COUNT; ++i) {
    Device3DRecord* d = GetDevice3D(i);
    if (!d) continue;
    bool held = d->texture == texture || d->blendTexture == texture;
    for (int s = 0; s < DEVICE3D_STAGES; ++s) held = held || d->stageTexture[s] == texture;
    if (!held) continue;
    FlushVertexBuffer(i);
    for (int s = 0; s < DEVICE3D_STAGES; ++s) {
      if (d->stageTexture[s] == texture) {
        // Between a release and a re-creation the record stays without its device.
        if (d->device) d->device->SetTexture(static_cast<uint32_t>(s), nullptr);
        d->stageTexture[s] = nullptr;
      }
    }
    if (d->texture == texture) {
      d->texture = nullptr;
      d->textureDirty = 1;
      d->stageProgramDirty = 1;
    }
    if (d->blendTexture == texture) {
      d->blendTexture = nullptr;
      d->stageProgramDirty = 1;
    }
  }
}

int EndSceneIfNeeded(int device) {
  Device3DRecord* d = g_Direct3D.object ? GetDevice3D(device) : nullptr;
  if (!d) return -1;
  FlushVertexBuffer(device);
  if (d->sceneOpen) d->device->EndScene();
  d->sceneOpen = 0;
  return 0;
}

void EndSceneCurrent() {
  if (g_Direct3D.object) EndSceneIfNeeded(g_Direct3D.currentDevice);
}

uint8_t* ReserveBatchVertices(Device3DRecord* d, int primitiveType, int count) {
  const VertexFormatInfo& f = VertexFormatTable[d->vertexType];
  if (count > f.capacity) return nullptr;
  if (d->pendingCount > 0 && (d->primitiveType != primitiveType || d->pendingCount + count > f.capacity)) {
    FlushVertexBuffer(static_cast<int>(d - g_Device3D));
  }
  uint8_t* p = d->writePointer;
  d->writePointer += static_cast<size_t>(count) * f.bytes;
  d->pendingCount += count;
  d->primitiveType = primitiveType;
  return p;
}

int SetViewportRect(int device, const plat::Viewport3D* vp) {
  Device3DRecord* d = g_Direct3D.object ? GetDevice3D(device) : nullptr;
  if (!d) return -1;
  if (!d->currentTarget && !d->defaultTarget) return -1;
  if (!d->force && vp->x == d->viewport.x && vp->y == d->viewport.y && vp->width == d->viewport.width &&
      vp->height == d->viewport.height) {
    return 0;
  }
  FlushVertexBuffer(device);
  EndSceneIfNeeded(device);
  const int r = d->device->SetViewport(*vp);
  if (r != plat::DEV3D_OK) return LogPrintf("ビューポートのセットに失敗しました ErrorCode %x\n", static_cast<unsigned>(r));
  d->viewport = *vp;
  return 0;
}

int SetViewportFromRect(const RectI* r) {
  if (!g_Direct3D.object) return -1;
  if (g_Direct3D.shapesInSoftware) return 0;
  if (r->right - r->left == 0 || r->bottom - r->top == 0) return -1;
  plat::Viewport3D vp{static_cast<uint32_t>(r->left + g_DrawState.drawScreenRect.left),
                      static_cast<uint32_t>(r->top + g_DrawState.drawScreenRect.top),
                      static_cast<uint32_t>(r->right - r->left), static_cast<uint32_t>(r->bottom - r->top), 0.0f, 1.0f};
  return SetViewportRect(g_Direct3D.currentDevice, &vp);
}

int SetDrawTargetSurface3D(int toMask) {
  Device3DRecord* d = CurrentDevice3D();
  if (!d) return -1;
  FlushVertexBuffer(g_Direct3D.currentDevice);
  plat::Surface* target = toMask ? GetMaskSurface() : GetDrawTargetSurface();
  SetRenderTargetCached(g_Direct3D.currentDevice, target);
  if (toMask && GetDrawTargetSurface() && GetDrawTargetSurface() == GetPrimarySurface()) {
    g_Direct3D.shapesInSoftware = 0;
    const RectI& a = g_DrawState.drawArea;
    plat::Viewport3D vp{static_cast<uint32_t>(a.left), static_cast<uint32_t>(a.top),
                        static_cast<uint32_t>(a.right - a.left), static_cast<uint32_t>(a.bottom - a.top), 0.0f, 1.0f};
    EndSceneIfNeeded(g_Direct3D.currentDevice);
    if (d->device->SetViewport(vp) != plat::DEV3D_OK) return LogWrite("ビューポートのセットに失敗しました\n");
    d->viewport = vp;
    return 0;
  }
  return SetViewportFromRect(&g_DrawState.drawArea);
}

static int SetTransform(uint32_t kind, const Matrix4* m) {
  plat::Device3D* dev = GetDeviceObject();
  if (!dev) return -1;
  plat::Matrix3D t;
  std::memcpy(t.m, m->m, sizeof(t.m));
  dev->SetTransform(kind, t);
  return 0;
}

int SetWorldTransform3D(const Matrix4* m) { return SetTransform(plat::TRANSFORM_WORLD, m); }
int SetViewTransform3D(const Matrix4* m) { return SetTransform(plat::TRANSFORM_VIEW, m); }
int SetProjectionTransform3D(const Matrix4* m) { return SetTransform(plat::TRANSFORM_PROJECTION, m); }

// One vertex in the device's current vertex type; blend-graph vertices also get the second pair.
static uint8_t* WriteVertex(const Device3DRecord* d, uint8_t* p, float x, float y, float u, float v, float gx,
                            float gy) {
  const float z = g_DrawState.vertexDepth;
  const uint32_t colour = g_Direct3D.drawColor;
  std::memcpy(p + 0, &x, 4);
  std::memcpy(p + 4, &y, 4);
  std::memcpy(p + 8, &z, 4);
  std::memcpy(p + 16, &colour, 4);
  if (d->vertexType == VERTEX_TYPE_BLENDED) {
    const float u2 = gx * g_Direct3D.blendTexReciprocalW, v2 = gy * g_Direct3D.blendTexReciprocalH;
    std::memcpy(p + 24, &u, 4);
    std::memcpy(p + 28, &v, 4);
    std::memcpy(p + 32, &u2, 4);
    std::memcpy(p + 36, &v2, 4);
  } else if (d->vertexType == VERTEX_TYPE_TEXTURED) {
    std::memcpy(p + 20, &u, 4);
    std::memcpy(p + 24, &v, 4);
  }
  return p + VertexFormatTable[d->vertexType].bytes;
}

int DrawTileByCorners3D(int tile, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Device3DRecord* d = CurrentDevice3D();
  Surface3DRecord* r = GetSurface3DDataChecked(tile);
  if (!d || !r) return -1;
  BeginSceneIfNeeded();
  plat::Surface* tex = GetSurface3DTexture(r);
  if (tex != d->texture) {
    SetDeviceTextureCached(g_Direct3D.currentDevice, tex);
    ApplyBlendModeStates(g_Direct3D.currentDevice);
  }
  const plat::VertexTextured* tv = r->vertices;
  const float tl[2] = {static_cast<float>(x1), static_cast<float>(y1)}, tr[2] = {static_cast<float>(x2), static_cast<float>(y2)};
  const float bl[2] = {static_cast<float>(x3), static_cast<float>(y3)}, br[2] = {static_cast<float>(x4), static_cast<float>(y4)};
  const bool parallel = std::abs((x2 - x1) - (x4 - x3)) < 1 && std::abs((y2 - y1) - (y4 - y3)) < 1 &&
                        std::abs((x3 - x1) - (x4 - x2)) < 1 && std::abs((y3 - y1) - (y4 - y2)) < 1;
  if (parallel) {
    if (d->stageProgramDirty || d->textureDirty) ApplyBlendModeStates(g_Direct3D.currentDevice);
    uint8_t* p = ReserveBatchVertices(d, plat::PRIM_TRIANGLELIST, 6);
    if (!p) return -1;
    const int64_t c1 = static_cast<int64_t>(x2 - x1) * (y3 - y1) - static_cast<int64_t>(y2 - y1) * (x3 - x1);
    const int64_t c2 = static_cast<int64_t>(x3 - x4) * (y2 - y4) - static_cast<int64_t>(y3 - y4) * (x2 - x4);
    const bool swap = c1 <= 0 && c2 <= 0;
    const float* pos[4] = {tl, tr, bl, br};
    const int tri[2][3] = {{0, 1, 2}, {3, 2, 1}};
    for (const auto& t : tri) {
      for (int k = 0; k < 3; ++k) {
        const int c = t[swap && k > 0 ? 3 - k : k];
        p = WriteVertex(d, p, pos[c][0], pos[c][1], tv[c].u, tv[c].v, tv[c].x, tv[c].y);
      }
    }
    return 0;
  }
  // A free quad: an 8 x 8 grid stepping both sides down row by row, in whole pixels.
  static plat::VertexTextured grid[64];
  const float step = 0.14285715f;
  float lx = tl[0], ly = tl[1], rx = tr[0], ry = tr[1];
  const float ldx = (bl[0] - tl[0]) * step, ldy = (bl[1] - tl[1]) * step;
  const float rdx = (br[0] - tr[0]) * step, rdy = (br[1] - tr[1]) * step;
  const float u0 = tv[0].u, u1 = tv[1].u, v0 = tv[0].v, v1 = tv[2].v;
  for (int row = 0; row < 8; ++row) {
    const float sx = (rx - lx) * step, sy = (ry - ly) * step;
    for (int col = 0; col < 8; ++col) {
      plat::VertexTextured& v = grid[row * 8 + col];
      v.x = lx + sx * col;
      v.y = ly + sy * col;
      v.z = g_DrawState.vertexDepth;
      v.rhw = 1.0f;
      v.diffuse = g_Direct3D.drawColor;
      v.u = u0 + (u1 - u0) * step * col;
      v.v = v0 + (v1 - v0) * step * row;
    }
    lx = static_cast<float>(static_cast<int>(lx + ldx));
    ly = static_cast<float>(static_cast<int>(ly + ldy));
    rx = static_cast<float>(static_cast<int>(rx + rdx));
    ry = static_cast<float>(static_cast<int>(ry + rdy));
  }
  return DrawVertexGrid3D(grid, 8, 8);
}

int DrawVertexGrid3D(const plat::VertexTextured* vertices, int columns, int rows) {
  Device3DRecord* d = CurrentDevice3D();
  if (!d || columns < 2 || rows < 2 || columns * rows > 65536) return -1;
  FlushVertexBuffer(g_Direct3D.currentDevice);
  BeginSceneIfNeeded();
  uint16_t indices[1000 + 4];
  int n = 0;
  auto draw = [&]() {
    if (n > 0 && !d->nothingToDraw) {
      d->device->DrawIndexedPrimitive(plat::PRIM_TRIANGLESTRIP, plat::FVF_TEXTURED, vertices,
                                      static_cast<uint32_t>(columns * rows), indices, static_cast<uint32_t>(n), 0);
    }
    n = 0;
  };
  for (int r = 0; r + 1 < rows; ++r) {
    const int need = 2 * columns + (n > 0 ? 2 : 0);
    if (n + need > 1000) draw();
    if (2 * columns > 1000) return -1;
    const int base = r * columns;
    if (n > 0) {
      // Degenerate triangles join this row pair to the strip before it.
      indices[n] = indices[n - 1];
      ++n;
      indices[n++] = static_cast<uint16_t>(base + columns);
    }
    for (int k = 0; k < columns; ++k) {
      indices[n++] = static_cast<uint16_t>(base + k + columns);
      indices[n++] = static_cast<uint16_t>(base + k);
    }
  }
  draw();
  return 0;
}
