// Defaults for movies, the mask screen, input and the window until they land.
#include "engine/base/log.h"
#include "engine/graphics/graphics_hooks.h"

void CloseMovieOfGraph(int) {}
void RestoreMovieSurfaces(int) {}
int OpenMovieToGraph(const char*, int*, int*, int) { return -1; }
int GetMovieModeField(int) { return 0; }
int MovieFramesCarryAlpha(int) { return 0; }
int ReopenAllMovieStreams() { return 0; }


int MaskScreenExists() { return 0; }
void MaskScreenParts(int* hasBuffer, int* hasSaveArea) { *hasBuffer = *hasSaveArea = 0; }
int CreateMaskScreen(int, int) { return 0; }
void ReleaseMaskScreen() {}
void DeleteMaskScreen() {}

void StopInputForDisplayRebuild() {}

int GetMainClientScreenRect(RectI* r) {
  if (!g_PendingScreenFacts.clientValid) return -1;
  *r = g_PendingScreenFacts.client;
  return 0;
}

void GetDesktopSize(int* width, int* height) {
  *width = g_PendingScreenFacts.desktopWidth;
  *height = g_PendingScreenFacts.desktopHeight;
}

void GraphicsFatalStop(const char* message) { LogWrite(message); }
