// Defaults for movies until they land.
#include "engine/graphics/graphics_hooks.h"

void CloseMovieOfGraph(int) {}
void RestoreMovieSurfaces(int) {}
int OpenMovieToGraph(const char*, int*, int*, int) { return -1; }
int GetMovieModeField(int) { return 0; }
int MovieFramesCarryAlpha(int) { return 0; }
int ReopenAllMovieStreams() { return 0; }
