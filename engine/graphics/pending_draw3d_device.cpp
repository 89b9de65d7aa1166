// Defaults for the 3-D device layer the 3-D draws use, until it lands: Direct3D is never ready, so
// every 3-D draw refuses and the dispatch's software side carries every draw.
#include "engine/graphics/draw3d.h"

int Direct3DDrawReady() { return 0; }
int DrawPrimitiveDirect3D(uint32_t, uint32_t, const void*, uint32_t) { return -1; }
void BeginSceneIfNeeded() {}
int ApplyDrawStates(const Surface3DRecord*, int) { return -1; }
int SelectTileTexture3D(const Surface3DRecord*) { return -1; }
void PrepareUntexturedDraw3D() {}
void DropTextureForTarget3D() {}
int SetRenderTargetCached(plat::Surface*) { return -1; }
uint32_t GetDrawColor3D() { return 0xFFFFFFFFu; }
int GetVertexType3D() { return 1; }
int GetVertexCapacity3D(int) { return 0; }
uint8_t* ReserveVertices3D(uint32_t, int) { return nullptr; }
void CommitVertices3D(uint32_t, int) {}
void GetBlendTextureReciprocals3D(float* rw, float* rh) { *rw = *rh = 0.0f; }
int ShapesDrawnInSoftware3D() { return 0; }
Surface3DRecord* GetSurface3DDataChecked(int) { return nullptr; }
int GetTile3DView(const Surface3DRecord*, Tile3DView*) { return -1; }
int SetWorldTransform3D(const Matrix4*) { return -1; }
int SetViewTransform3D(const Matrix4*) { return -1; }
int SetProjectionTransform3D(const Matrix4*) { return -1; }
int LoadTexture3D(plat::Surface*, int, int, plat::Surface*, const plat::SurfRect*) { return -1; }
