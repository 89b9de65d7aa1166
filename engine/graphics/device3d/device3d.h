// Room device3d/: the 3-D device (this header) and the draw dispatch's 3-D back end (draw3d.h):
// graph and shape draws and the capture of the draw screen into texture graphs. It may use graph/
// (texture tiles and surface data), draw/ (the dispatch's helpers and draw_services.h), image/,
// screen/ (its set-up), the top headers, softrender/ (shapes on system-memory targets), and of the
// base its log and memory.
//
// The 3-D device back end: Direct3D set-up over the screen's surface device, up to four device
// records with their vertex batches, scenes, viewport, render target and transforms, and the
// render-state cache with the blend programs that turn the draw state into device states.
#pragma once
#include <cstdint>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/graph/graph.h"
#include "platform/device3d.h"

constexpr int DEVICE3D_COUNT = 4;
constexpr int DEVICE3D_STAGES = 4;

enum : int32_t { VERTEX_TYPE_COLOR = 0, VERTEX_TYPE_TEXTURED = 1, VERTEX_TYPE_BLENDED = 2 };

struct VertexFormatInfo {
  uint32_t fvf;
  uint32_t bytes;
  int32_t capacity;
};
extern const VertexFormatInfo VertexFormatTable[3];

constexpr int VERTEX_BUFFER_BYTES = 65520;   // the largest of capacity x bytes over the three types

struct Device3DRecord {
  int32_t inUse;
  plat::Device3D* device;
  plat::Surface* defaultTarget;
  plat::Surface* currentTarget;
  plat::Surface* texture;
  plat::Surface* blendTexture;
  int32_t colorModulate, alphaModulate;
  int32_t blendMode;
  int32_t blendBorder, blendRange;
  int32_t alphaChannel, alphaTest;
  int32_t stageProgramDirty, textureDirty, nothingToDraw, force;
  // Cached render states.
  uint32_t alphaTestEnable, alphaRef, alphaFunc, alphaBlendEnable, textureFactor, srcBlend, destBlend;
  // Programmed stages: count, and per stage the texture and the six values last sent (alpha arg 1,
  // alpha arg 2, alpha op, colour arg 1, colour arg 2, colour op).
  int32_t programmedStages;
  plat::Surface* stageTexture[DEVICE3D_STAGES];
  int32_t stageValues[DEVICE3D_STAGES][6];
  int32_t sceneOpen;
  int32_t filterMode;
  int32_t zEnable, zWriteEnable, zFunc, shadeMode, textureAddress, texturePerspective, lighting, colorKeyEnable;
  uint8_t* writePointer;
  int32_t pendingCount, vertexType, primitiveType;
  plat::Viewport3D viewport;
  // Draw-target flags of the graph draws: the front screen shows each draw at once; a
  // system-memory target is drawn by software only.
  int32_t frontScreenTarget, softwareOnlyTarget;
  alignas(16) uint8_t vertexBuffers[3][VERTEX_BUFFER_BYTES];
};

struct Direct3DState {
  plat::Render3D* object;               // null: not set up
  int32_t currentDevice;
  plat::Device3DDesc deviceDesc;
  int32_t deviceFound;
  PixelFormatRecord zFormat;
  int32_t zFormatFound;
  int32_t ready;
  int32_t drawReady;
  int32_t shapesInSoftware;
  int32_t captureMethod[2];             // screen capture: without alpha, with alpha channel or test
  uint32_t drawColor;
  int32_t cornerDrawFlag;               // stored for the graph draws
  float blendTexReciprocalW, blendTexReciprocalH;
};

extern Direct3DState g_Direct3D;
extern Device3DRecord g_Device3D[DEVICE3D_COUNT];

// How the engine reaches the 3-D system object: the software rasteriser unless a test sets another.
using Render3DFactory = plat::Render3D* (*)(plat::SurfaceDevice* dev);
void SetRender3DFactory(Render3DFactory factory);   // null: the software rasteriser

// Set-up and end.
int InitializeDirect3D();
void TerminateDirect3D();
int ReleaseDirect3D();
int RestoreDirect3D();
int AddDevice3D(plat::Surface* target);
int RecreateDevice3D(int device);
int ReleaseDevice3D(int device);
int DeleteAllDevices3D();
int ResetDeviceStates(int device);
plat::Device3D* GetDeviceObject();
Device3DRecord* GetDevice3D(int device);            // null when the slot is not in use
Device3DRecord* CurrentDevice3D();

// Draws the pending vertices when a device still uses the texture, then lets go of it everywhere.
void ForgetTexture3D(plat::Surface* texture);

// Scenes and batches.
void BeginSceneIfNeeded();
int EndSceneIfNeeded(int device);
int FlushVertexBuffer(int device);
// Room for `count` vertices of the device's vertex type in a batch of `primitiveType`: flushes
// first when the batch holds another primitive or has no room; the caller writes the vertices.
uint8_t* ReserveBatchVertices(Device3DRecord* d, int primitiveType, int count);

// Viewport, target, transforms, tiles.
int SetViewportRect(int device, const plat::Viewport3D* vp);
int SetDrawTargetSurface3D(int toMask);
int SetWorldTransform3D(const Matrix4* m);
int SetViewTransform3D(const Matrix4* m);
int SetProjectionTransform3D(const Matrix4* m);
int DrawTileByCorners3D(int tile, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
int DrawVertexGrid3D(const plat::VertexTextured* vertices, int columns, int rows);

// Render-state cache (each -1 without Direct3D or for a slot not in use).
int SetTexturePerspectiveState(int device, int value);
int SetColorKeyEnableCached(int device, int value);
int SetZEnableCached(int device, int value);
int SetZWriteEnableCached(int device, int value);
int SetZFuncCached(int device, int value);
int SetShadeModeCached(int device, int value);
int SetRenderTargetCached(int device, plat::Surface* target);
int SetTextureStageCached(int device, int filter);
int SetDeviceBlendModeCached(int device, int mode, int alphaChannel, int alphaTest);
int SetDeviceTextureCached(int device, plat::Surface* texture);
int SetBlendGraphTextureCached(int device, plat::Surface* texture, int border, int range);
int SetColorModulateCached(int device, int value);
int SetAlphaModulateCached(int device, int value);

enum : int {
  APPLY_TRANSPARENCY = 1, APPLY_KEEP_ALPHA_TEST = 2, APPLY_Z = 4, APPLY_GOURAUD = 8, APPLY_PERSPECTIVE = 16,
  APPLY_COLOR_MODULATE = 32, APPLY_ALPHA_MODULATE = 64,
};
int ApplyDrawStates(int tile, int flags);           // tile -1: untextured
int ApplyBlendModeStates(int device);
int SyncDeviceStates(int fromDevice, int toDevice);

// The blend tables, as data.
struct BlendFactorPair { int32_t dest, src; };
extern const BlendFactorPair BlendFactorTable[9];
struct StageProgramRecord {
  int32_t count;
  int16_t stage[4][6];
};
extern const StageProgramRecord TextureStageProgramTable[24];
extern const StageProgramRecord UntexturedStageProgram;
