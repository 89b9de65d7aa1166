// Waits for the draw dispatch.
#include "engine/graphics/operations.h"

int DrawGraphAtPoint(int, int, int, int) { return -1; }
int DrawGraphStretched(int, int, int, int, int, int) { return -1; }
int DrawGraphRotatedCall(int, int, double, double, int, int, int) { return -1; }
int DrawGraphMirrored(int, int, int, int) { return -1; }
int DrawGraphTiledRotated(int, int, int, int, int, int, double, double, int, int) { return -1; }
int DrawBoxShape(int, int, int, int, uint32_t, int) { return -1; }
int DrawOvalShape(int, int, int, int, uint32_t, int) { return -1; }
int SetDrawTarget(int) { return -1; }
