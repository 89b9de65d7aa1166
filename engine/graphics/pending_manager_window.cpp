// Defaults for the graphics manager, movies and the window until they land.
#include "engine/base/log.h"
#include "engine/graphics/graphics_hooks.h"

int GraphicsManagerIsUp() { return g_PendingScreenFacts.managerUp; }
void SetGraphicsManagerUp(int up) { g_PendingScreenFacts.managerUp = up; }
int HasGraphRestoreCallback() { return 0; }
void CloseMovieOfGraph(int) {}
void RestoreMovieSurfaces(int) {}

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
