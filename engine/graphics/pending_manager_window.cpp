// Defaults for movies and fonts until they land.
#include "engine/graphics/graphics_hooks.h"

PendingGraphicsFacts g_PendingGraphicsFacts;

void CloseMovieOfGraph(int) {}
void RestoreMovieSurfaces(int) {}
int OpenMovieToGraph(const char*, int*, int*, int) { return -1; }
int GetMovieModeField(int) { return 0; }
int MovieFramesCarryAlpha(int) { return 0; }
int ReopenAllMovieStreams() { return 0; }

void ResetDefaultFontSettings() {}
int InitializeFontSystem() { return 0; }
void DeleteDefaultFont() {}
int RecreateAllFonts() { return 0; }
