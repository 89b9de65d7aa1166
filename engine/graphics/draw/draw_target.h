// Software draw targets: the bracket that turns the current draw screen (the screen's surfaces or
// images, or a graph's 2-D surface) into a destination image around a software draw, and the
// software draws that work on whole draw targets.
#pragma once
#include <cstdint>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/mem_img.h"
#include "platform/surface.h"

struct GraphRecord;
struct Surface2DRecord;

struct SoftwareDrawTarget {
  int32_t directBlit;
  plat::Surface* directSource;
  RectI directSourceRect;
  plat::Surface* directTarget;
  RectI directTargetRect;
  int32_t convert;
  int32_t locked;
  int32_t viaWork;
  plat::Surface* lockedSurface;
  RectI lockRect;
  RectI clippedRect;
  plat::Surface* targetSurface;
  RectI targetRect;
  MemImg* destination;
  MemImg destinationView;
  MemImg* source;
  MemImg sourceView;
  int32_t sourceLocked, sourceViaWork2;
  plat::Surface* sourceLockedSurface;
  RectI sourceLockRect;
  int32_t failed;                      // the last begin could not lock: nothing may be drawn
  RectI askedUpdateRect, askedSourceRect;   // as the last begin was given them (zero when null)
  int32_t askedNoConvert;
  // Through the work surface only the clipped rectangle has pixels behind it: the draw area is
  // narrowed to it from the begin to the end, and put back then.
  int32_t areaNarrowed;
  RectI savedArea;
  float savedAreaF[4];
};
extern SoftwareDrawTarget g_SoftwareDrawTarget;

// Software draw targets.
int SetDrawTargetSurface(int drawScreen);
int BeginSoftwareDrawTarget(Surface2DRecord* part, int copy, const RectI* sourceRect, const RectI* updateRect,
                            int noConvert, uint32_t* colour, uint32_t* colour2);
int EndSoftwareDrawTarget();
int CopySurfaceRect(plat::Surface* target, plat::Surface* source, int x, int y, const RectI* sourceRect,
                    int method);
MemImg* GetBlendGraphMemImg();
int LoadFrontScreenToMemImg();
int ScreenFrontCopyStale();          // the window present left the front copy stale
int BeginMaskedDraw(int x1, int y1, int x2, int y2);
int EndMaskedDraw(int x1, int y1, int x2, int y2);
MemImg* GetSoftwareDrawDestMemImg();
MemImg* GetSoftwareDrawSourceMemImg();
MemImg* GetDrawTargetMemImg();
int SoftwareDrawHasDisplay();
int SoftwareDrawOnSoftwareScreen();
int SoftwareDrawDisplayReady();

// Software screen-level draws.
struct LineRecord;
int DrawGraphSoftware(int x, int y, int surface2D, int transparent);
int DrawGraphSoftwareF(uint32_t xWord, uint32_t yWord, const GraphRecord* graph, int transparent, int integerFlag);
int DrawLineListSoftware(const LineRecord* records, int count);
void TiledQuadCorners(int px, int py, double rowStepX, double rowStepY, double colStepX, double colStepY,
                      int32_t out[8]);
int DrawTiledGraphSoftware(int x1, int y1, int x2, int y2, int offsetX, int offsetY, double scale, double angle,
                           const GraphRecord* graph, int transparent);
int ClearDrawTargetSurfaces();
void FillMemImgRect(MemImg* img, const RectI* rect, uint32_t value);
int GetDrawScreenGraph2D(int x1, int y1, int x2, int y2, GraphRecord* g, int flag);
int SaveDrawScreenToBmp(int x1, int y1, int x2, int y2, const char* fileName);
