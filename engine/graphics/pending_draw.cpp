// Waits for the draw dispatch. Until it lands, selecting a draw target reaches the screen's side of
// it only: the draw screen, the software draw-target surface and a draw area over the whole target.
#include "engine/graphics/graph.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/operations.h"
#include "engine/graphics/screen.h"

int DrawGraphAtPoint(int, int, int, int) { return -1; }
int DrawGraphStretched(int, int, int, int, int, int) { return -1; }
int DrawGraphRotatedCall(int, int, double, double, int, int, int) { return -1; }
int DrawGraphMirrored(int, int, int, int) { return -1; }
int DrawGraphTiledRotated(int, int, int, int, int, int, double, double, int, int) { return -1; }
int DrawBoxShape(int, int, int, int, uint32_t, int) { return -1; }
int DrawOvalShape(int, int, int, int, uint32_t, int) { return -1; }

int SetDrawTarget(int target) {
  if (!GraphicsManagerIsUp()) return -1;
  if (g_DrawState.notAvailable) return 0;
  WaitWhileInactive();
  const int previous = g_DrawState.drawScreen;
  g_DrawState.drawScreen = target;
  if (SetDrawTargetSurface(target) != 0) {
    g_DrawState.drawScreen = previous;
    SetDrawTargetSurface(previous);
    return -1;
  }
  int width = 0, height = 0;
  GetGraphDimensions(target, &width, &height);
  SetDrawAreaViewport(0, 0, width, height);
  return 0;
}
