// Defaults for the movie services of the draw dispatch until movies land: no movies.
#include "engine/graphics/draw_services.h"
#include "engine/graphics/graph.h"
#include "engine/graphics/graphics_hooks.h"

int UpdateMovieFrameForDraw(int) { return -1; }
int GetMovieOverlaySize(int, int*, int*) { return -1; }
int ShowMovieOverlay(int, const RectI*, const RectI*, int) { return 0; }
void GetOverlayAlignment(OverlayAlignment* out) { *out = OverlayAlignment{0, 0, 0, 0}; }
