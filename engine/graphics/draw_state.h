// The one set of settings every draw and every graph creation reads, and the tables the software
// renderer blends with.
#pragma once
#include <cstdint>

struct RectI { int32_t left, top, right, bottom; };

enum BlendMode : int32_t {
  BLEND_NONE = 0, BLEND_ALPHA = 1, BLEND_ADD = 2, BLEND_SUB = 3, BLEND_MUL = 4,
  BLEND_ADD_EMULATION = 5,   // the 3-D back end's add step of the subtract emulation
  BLEND_INTERNAL6 = 6, BLEND_INTERNAL7 = 7,
  BLEND_DEST = 8,            // keep the destination unchanged
};

struct DrawState {
  int32_t drawScreen;              // graph handle, -2 back screen, -4 front screen
  RectI drawScreenRect;
  RectI drawArea;                  // right and bottom exclusive
  float drawAreaF[4];
  int32_t zEnable, zWrite, zCompare;
  float vertexDepth;
  int32_t drawMode;
  int32_t blendMode;
  int32_t blendParam;              // 0..255
  int32_t blendGraph;              // -1 none
  int32_t blendGraphBorderParam, blendGraphBorderRange;
  uint32_t drawBright;             // blue bits 0-7, green 8-15, red 16-23; 0xFFFFFF untinted
  int32_t useMask;
  int32_t maskInEffect;
  int32_t createBitDepth;
  int32_t useTexture;
  int32_t createDrawValid;
  int32_t createAlphaBlank;
  int32_t createAlphaTest;
  int32_t createSystemMemory;
  uint32_t transparentColor;       // 0xRRGGBB
  int32_t notAvailable;
  int32_t drawAreaEmpty;
  RectI drawAreaRequested;         // the last draw area as the caller gave it
  int32_t reductionMode;           // precision reduction of the converting blit; stays 0
};

extern DrawState g_DrawState;

// Built once when the display back end starts, then only read.
struct BlendLookupTables {
  uint32_t product[256][256];          // [a][b] = a * b / 255, rounded down
  int32_t signedProduct[256][512];     // [a][j] = a * (j - 255) / 255 toward zero; index from entry 255
  uint8_t lerp63[64][64][64];          // [i][r][c] = (i * r + (63 - i) * c) / 63, rounded down
  int32_t ready;
};
extern BlendLookupTables g_BlendTables;
extern uint8_t g_BlendWeightTable[256];   // weight 0..255 that a blend-image byte stands for

void BuildBlendLookupTables();
void BuildBlendWeightTable(int borderParam, int borderRange);
int ClipRectToRect(RectI* a, const RectI* b);
void NormalizeRect(RectI* r);
void GetRectSize(const RectI* r, int* width, int* height);

// The defaults the graphics manager gives at its start; keeps the not-available flag.
void ResetDrawState();

// Setters return 0 (SetBlendGraphState: -1 for a graph handle that is no graph).
int SetDrawModeState(int mode);
int GetDrawModeState();
int SetBlendModeState(int mode, int param);
int SetBlendGraphState(int graph, int borderParam, int borderRange);
int SetDrawBrightRgb(int red, int green, int blue);
int SetDrawBrightPacked(uint32_t color);
int SetDrawAreaViewport(int x1, int y1, int x2, int y2);
// The same without waiting for the window to be active: for the window procedure itself.
int ApplyDrawAreaViewport(int x1, int y1, int x2, int y2);
int SetDrawScreenRect(const RectI* r);
int GetDrawScreenHandle();
int GetDrawArea(RectI* out);
int GetUseMaskFlag();
int SetTransparentColor(int red, int green, int blue);
int SetUseTextureFlag(int flag);
int SetCreateDrawValidGraphFlag(int flag);
int SetCreateGraphAlphaFlag(int flag);
int SetCreateSystemMemoryFlag(int flag);
int SetCreateVideoMemoryFlag(int flag);
int ClearDrawTarget();
int FillGraphWithColor(int graph, int red, int green, int blue, int alpha);

// Row-major 4 x 4 matrices, points as row vectors; the three of the 3-D screen transform.
struct Matrix4 { float m[4][4]; };
extern Matrix4 g_ScreenMatrices[3];
void CreateIdentityMatrix(Matrix4* m);
void MultiplyMatrix(Matrix4* out, const Matrix4* a, const Matrix4* b);
int CreatePerspectiveMatrix(Matrix4* m, float fieldOfView, float zNear, float zFar);
void CreateViewportMatrix(Matrix4* m, float centreX, float centreY, float width, float height);
