// What the software geometry front ends use of the engine graphics: screen facts, the destination
// choice, the draw-target bracket and the engine's own software draws. Graph records, 2-D surfaces
// and surface data come from the graphics headers themselves.
#pragma once
#include <cstdint>
#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/mem_img.h"

struct GraphRecord;
struct Surface2DRecord;
struct LineRecord;

// Screen facts.
int SoftwareDrawHasDisplay();          // the no-DirectDraw flag is set, or a DirectDraw object exists
int SoftwareDrawOnSoftwareScreen();    // software screen whose colour depth is not 8
int SoftwareDrawDisplayReady();        // the display mode is set up
MemImg* GetDrawTargetMemImg();         // the current draw target's software image, or null

MemImg* GetMaskMemImg();               // the image every software draw takes while the mask is in effect
MemImg* GetBlendGraphMemImg();         // the blend graph's whole software image, or null

// Direct3D work that must land before software touches the same surface.
void FlushCurrentVertexBuffer();
void EndSceneCurrent();

// Prepares the destination (and for a graph draw the source) image over the update rectangle;
// 0, or -1 when nothing can be drawn. May convert *colour in place into the destination's format.
int BeginSoftwareDrawTarget(Surface2DRecord* part, int copy, const RectI* sourceRect, const RectI* updateRect,
                            int shape, uint32_t* colour, uint32_t* colour2);
int EndSoftwareDrawTarget();
MemImg* GetSoftwareDrawDestMemImg();    // prepared by BeginSoftwareDrawTarget
MemImg* GetSoftwareDrawSourceMemImg();

// The engine's unscaled software graph draws and its line-list front end.
int DrawGraphSoftwareF(uint32_t xWord, uint32_t yWord, const GraphRecord* graph, int transparent, int integerFlag);
int DrawGraphSoftware(int x, int y, int surface2D, int transparent);
int DrawLineListSoftware(const LineRecord* records, int count);
