// Operations of the graphics folder that stand behind public entries (engine/engine.h).
// CreateColorData and ClipRectToRect are declared with their records.
#pragma once
#include "engine/engine.h"

int SetFlipWaitsVBlank(int flag);
int GetFlipWaitsVBlank();
int GetScreenSize(int* width, int* height);
const PixelFormatRecord* GetScreenPixelFormatRecord();
uint32_t GetScreenColor(int red, int green, int blue);
int CreatePixelFormatFromMasks(PixelFormatRecord* pf, int bits, uint32_t redMask, uint32_t greenMask,
                               uint32_t blueMask, uint32_t alphaMask);
int WaitVerticalBlank(int count);
int PresentScreen();
int SetScreenModeKeep(int width, int height, int bits, int refreshRate);
int SaveDrawScreenToBmp(int x1, int y1, int x2, int y2, const char* fileName);
int SetNoTextureSplitFlag(int flag);

int CreateBlankGraph(int width, int height);
int DeleteGraphHandle(int graph, int logFlag);
int DeleteAllGraphHandles(int logFlag);
int LoadGraphFileCall(const char* fileName);
int GetDrawScreenGraph(int x1, int y1, int x2, int y2, int graph, int flag);
int GetGraphDimensions(int graph, int* width, int* height);
int DeriveGraphRegion(int x, int y, int width, int height, int sourceGraph);

int ClearDrawTarget();
int DrawGraphAtPoint(int x, int y, int graph, int transparent);
int DrawGraphStretched(int x1, int y1, int x2, int y2, int graph, int transparent);
int DrawGraphRotatedCall(int x, int y, double scale, double angle, int graph, int transparent, int mirror);
int DrawGraphMirrored(int x, int y, int graph, int transparent);
int DrawGraphTiledRotated(int x1, int y1, int x2, int y2, int ox, int oy, double scale, double angle,
                          int graph, int transparent);
int DrawBoxShape(int x1, int y1, int x2, int y2, uint32_t color, int fill);
int DrawOvalShape(int cx, int cy, int rx, int ry, uint32_t color, int fill);
int SetDrawModeState(int mode);
int SetBlendModeState(int mode, int param);
int SetDrawBrightRgb(int red, int green, int blue);
int SetDrawTarget(int target);
int SetTransparentColor(int red, int green, int blue);
int SetCreateGraphAlphaFlag(int flag);

int DrawTextDefaultFont(int x, int y, const char* text, uint32_t color, uint32_t edgeColor);
int SetDefaultFontSize(int size);
int SetDefaultFontThickness(int thickness);
int SetDefaultFontName(const char* faceName, int charset);
int SetDefaultFontType(int type);
