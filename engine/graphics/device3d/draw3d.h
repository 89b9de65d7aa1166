// The 3-D device back end of the draw dispatch: texture graphs drawn as textured quads, untextured
// boxes, outlines and ovals, the device's render target for a draw target, and the copy of a
// rectangle of the draw screen into a texture graph.
#pragma once
#include <cstdint>

#include "engine/graphics/device3d/device3d.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/graph/texture_graph.h"
#include "engine/graphics/image/color_data.h"


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

// ---- Helpers over the device layer (device3d.h). ----
int Direct3DDrawReady();                       // set up, draw-ready, and the current device in use
int Draw3DFrontScreenTarget();
int Draw3DSoftwareOnlyTarget();
// Makes the tile's texture the current one when it is not, and sends the blend and stage states
// when they are stale; -1 for a tile without a texture.
int SelectTileTexture3D(const Surface3DRecord* tile);
// Room for `count` vertices of the current vertex type in a batch of `primitive`.
uint8_t* ReserveVertices3D(uint32_t primitive, int count);
int GetVertexType3D();
// The parts of a texture tile the draws read.
struct Tile3DView {
  float x[4], y[4], u[4], v[4];                // corners top-left, top-right, bottom-left, bottom-right
  int32_t drawX, drawY, textureX, textureY, width, height;
  int32_t surfaceData;                         // surface-data handle of the texture
};
int GetTile3DView(const Surface3DRecord* tile, Tile3DView* out);
