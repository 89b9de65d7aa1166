// Defaults for the 3-D device and texture graphs until they land: no device, no textures.
#include "engine/graphics/graphics_hooks.h"

int Direct3DInUse() { return g_PendingGraphicsFacts.direct3DInUse; }
int Direct3DDeviceExists() { return g_PendingGraphicsFacts.direct3DDevice; }
// No device: the screen and the graphics manager go the software way.
int InitializeDirect3D() {
  ++g_PendingGraphicsFacts.direct3DStarts;
  return -1;
}
void TerminateDirect3D() { ++g_PendingGraphicsFacts.direct3DEnds; }
void SetTextureFilterMode(int) {}
void UpdateDrawColorCache() {}
void SetBlendGraphTexture(int, int, int) {}
int SetViewportFromRect(const RectI*) {
  ++g_PendingGraphicsFacts.viewportCalls;
  return 0;
}
int SetDrawTargetSurface3D(int toMask) {
  g_PendingGraphicsFacts.renderTargetToMask = toMask;
  return 0;
}
void FlushCurrentVertexBuffer() {}
void EndSceneCurrent() {}
int GetTextureFormatIndex(const GraphCreationBytes*) { return -1; }
const PixelFormatRecord* GetTexturePixelFormat(int) { return nullptr; }
const ColorData* GetTextureFormatColorData(int) { return nullptr; }

const PixelFormatRecord* GetZBufferPixelFormat() {
  static const PixelFormatRecord z{32, 0x400, 0, 16, 0xFFFF, 0, 0, 0};
  return &z;
}

int CreateGraphTextures(GraphRecord*) { return -1; }
void DeleteGraphTextures(GraphRecord*) {}
int RestoreGraphTextures(GraphRecord*) { return 0; }
int FillGraphTextures(GraphRecord*, int, int, int, int) { return -1; }
int TransferImageRectToGraphTextures(const PictureImage*, const PictureImage*, const RectI*, int, int, GraphRecord*) {
  return -1;
}
int FillGraphTexturesFromImage(const PictureImage*, const PictureImage*, int, int, GraphRecord*) { return -1; }
void ClearDrawScreen3D() {}
int GetDrawScreenGraph3D(int, int, int, int, GraphRecord*, int) { return -1; }
int DeriveGraphTextures(GraphRecord*, int, int, int, int, const GraphRecord*) { return -1; }
void ReleaseDirect3DObjects() {}
void RestoreDirect3DObjects() {}
