// Waits for the rest of the graphics system: surfaces, movies and the screen as start-up,
// the window procedure and message processing reach them. Each reports success and does nothing.
#include "engine/base/system_hooks.h"

void SelectSoftwareScreenIfNoD3D() {}
void InstallDefaultGraphRestoreCallback() {}
bool HasDirectDrawObject() { return false; }
bool IsDisplayModeChanged() { return false; }
void RestoreSurfacesOnActivate() {}
void RebuildDisplay() {}
void SuspendMovies() {}
void ResumeMovies() {}
void ReleaseMovieStreams() {}
void SetupScreenColors() {}
int GetScreenColorBits() { return 16; }
int ChangeScreenModeKeep() { return 0; }
void SetMenuPresentMode(int) {}
int GetMenuPresentMode() { return 0; }
int GetCurrentDrawTarget() { return -2; }
void UpdateFrontScreenDrawArea() {}
void ResetDrawAreaViewport() {}
void PaintWindowBlack() {}
void PresentBackScreenToWindowNoWait() {}
void PresentScreenToWindow() {}
void SetDrawValidGraphCreateFlag(int) {}
int CreateBlackGraphForScreen(int, int) { return -1; }
int GetFlipWaitsVBlank() { return 1; }
