// The 3-D device back end of the draw dispatch: texture graphs drawn as textured quads, untextured
// boxes, outlines and ovals, the device's render target for a draw target, and the copy of a
// rectangle of the draw screen into a texture graph.
#pragma once
#include <cstdint>

#include "engine/graphics/color_data.h"
#include "engine/graphics/draw_state.h"

struct GraphRecord;
struct Surface3DRecord;
namespace plat { struct Surface; struct SurfRect; }

// Values the device takes.
enum : uint32_t { PRIM3D_POINTLIST = 1, PRIM3D_LINELIST = 2, PRIM3D_TRIANGLELIST = 4 };
enum : uint32_t { FVF3D_COLOR = 0x44, FVF3D_TEXTURED = 0x144, FVF3D_BLENDED = 0x2C4 };

// Graph draws (records, not handles): 0 drawn or nothing to draw, -1 failure. With integerFlag 1
// the coordinate words are ints, else the bits of floats.
int DrawGraph3D(uint32_t xWord, uint32_t yWord, const GraphRecord* g, int trans, int integerFlag);
int DrawGraphStretched3D(uint32_t x1Word, uint32_t y1Word, uint32_t x2Word, uint32_t y2Word, const GraphRecord* g,
                         int trans, int integerFlag);
int DrawGraphRotated3D(float x, float y, double scale, double angle, const GraphRecord* g, int trans, int turn);
// Corners top-left, top-right, bottom-left, bottom-right.
int DrawGraphFourCornersF3D(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                            const GraphRecord* g, int trans);
int DrawGraphFourCorners3D(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, const GraphRecord* g,
                           int trans);
int DrawGraphTiledRotated3D(int x1, int y1, int x2, int y2, int ox, int oy, double scale, double angle,
                            const GraphRecord* g, int trans);
int SetDrawScreen3D(int target);

// Shapes: colours are screen colour values.
int DrawFillBox3D(int x1, int y1, int x2, int y2, uint32_t colour);
int DrawBoxOutline3D(int x1, int y1, int x2, int y2, uint32_t colour);
int G_D3D_DrawCircle(int cx, int cy, int rx, int ry, uint32_t colour, int fill);

// Screen capture into texture graphs.
using GetDrawScreenGraphMethod = int (*)(int x1, int y1, int x2, int y2, GraphRecord* g, int wholeScreen);
extern const GetDrawScreenGraphMethod GetDrawScreenGraphMethodTable[];
int SetNoneBitsInRect(const RectI* rect, uint8_t* pixels, int pitch, const ColorData* cd, uint32_t value);

// Target facts kept with the current device; the device set-up resets them.
struct Draw3DTargetState {
  int32_t frontScreenTarget;     // the render target is the front screen: every draw ends the scene
  int32_t softwareOnlyTarget;    // the draw target is a system-memory graph the device cannot draw to
  int32_t captureMethod[2];      // remembered capture method: [0] plain textures, [1] alpha; -1 none
};
extern Draw3DTargetState g_Draw3DTarget;
void ResetDraw3DTargetState();

// ---- What these draws use of the device layer (set-up, batching and the state cache). ----
int Direct3DDrawReady();                       // set up, draw-ready, and the current device in use
// Draws straight to the current device, outside the batch.
int DrawPrimitiveDirect3D(uint32_t primitive, uint32_t fvf, const void* vertices, uint32_t count);
void BeginSceneIfNeeded();
// Sends the draw states for one draw of a tile (null: untextured). Flags: 1 the graph's
// transparency, 2 pixel-aligned (keeps the alpha test under bilinear filtering), 4 Z states.
int ApplyDrawStates(const Surface3DRecord* tile, int flags);
// Makes the tile's texture the current one when it is not, and sends the blend and stage states
// when they are stale; -1 for a tile without a texture.
int SelectTileTexture3D(const Surface3DRecord* tile);
// The untextured set-up: drops a selected texture (flushing first), sends the draw states without
// transparency and the blend states when stale.
void PrepareUntexturedDraw3D();
// Before a render-target change: drops a selected texture and marks texture and blend states stale.
void DropTextureForTarget3D();
int SetRenderTargetCached(plat::Surface* target);   // null: the default target
uint32_t GetDrawColor3D();                     // cached ARGB draw colour
int GetVertexType3D();                         // 0, 1 or 2 as the blend states chose
int GetVertexCapacity3D(int type);
// Room for `count` vertices of the current type in the batch: flushes first when the pending
// primitive differs or the batch is full. The caller writes them, then commits.
uint8_t* ReserveVertices3D(uint32_t primitive, int count);
void CommitVertices3D(uint32_t primitive, int count);
void GetBlendTextureReciprocals3D(float* rw, float* rh);
int ShapesDrawnInSoftware3D();
Surface3DRecord* GetSurface3DDataChecked(int handle);
// The parts of a texture tile the draws read.
struct Tile3DView {
  float x[4], y[4], u[4], v[4];                // corners top-left, top-right, bottom-left, bottom-right
  int32_t drawX, drawY, textureX, textureY, width, height;
  int32_t surfaceData;                         // surface-data handle of the texture
};
int GetTile3DView(const Surface3DRecord* tile, Tile3DView* out);
int SetWorldTransform3D(const Matrix4* m);
int SetViewTransform3D(const Matrix4* m);
int SetProjectionTransform3D(const Matrix4* m);
// The device's texture load of a rectangle of `src` to (x, y) of `dst`; 0 or the device's code.
int LoadTexture3D(plat::Surface* dst, int x, int y, plat::Surface* src, const plat::SurfRect* rect);
