// Waits for the draw-area and window-painting parts of the draw dispatch and the surface
// restore on activation, as start-up, the window procedure and message processing reach them.
// Each reports success and does nothing.
#include "engine/base/system_hooks.h"

void RestoreSurfacesOnActivate() {}
void UpdateFrontScreenDrawArea() {}
void ResetDrawAreaViewport() {}
void PaintWindowBlack() {}
