// Waits for the draw state and the draw dispatch.
#include "engine/graphics/draw_state.h"
#include "engine/graphics/operations.h"

int ClipRectToRect(RectI*, const RectI*) { return -1; }
int ClearDrawTarget() { return -1; }
int DrawGraphAtPoint(int, int, int, int) { return -1; }
int DrawGraphStretched(int, int, int, int, int, int) { return -1; }
int DrawGraphRotatedCall(int, int, double, double, int, int, int) { return -1; }
int DrawGraphMirrored(int, int, int, int) { return -1; }
int DrawGraphTiledRotated(int, int, int, int, int, int, double, double, int, int) { return -1; }
int DrawBoxShape(int, int, int, int, uint32_t, int) { return -1; }
int DrawOvalShape(int, int, int, int, uint32_t, int) { return -1; }
int SetDrawModeState(int) { return -1; }
int SetBlendModeState(int, int) { return -1; }
int SetDrawBrightRgb(int, int, int) { return -1; }
int SetDrawTarget(int) { return -1; }
int SetTransparentColor(int, int, int) { return -1; }
int SetCreateGraphAlphaFlag(int) { return -1; }
