// What start-up, shut-down, the window procedure and message processing call in graphics, in their
// terms; screen/screen_system_hooks.cpp defines most of them, the rest sit beside what they touch.
// The base includes this and graphics/operations.h, nothing inside the rooms.
#pragma once

int InitializeGraphicsSystem();
int TerminateGraphicsSystem();
int HasGraphRestoreCallback();
int RestoreAllLostGraphs();
int GetDrawModeState();
void SelectSoftwareScreenIfNoD3D();          // start-up step: Direct3D switched off -> software screen
void InstallDefaultGraphRestoreCallback();   // SetGraphRestoreCallback with none
bool HasDirectDrawObject();
int IsDisplayModeChanged();                  // full screen changed the display mode
void RestoreSurfacesOnActivate();            // 2-D and 3-D surfaces
void RebuildDisplay();                       // reload every graph after a lost display
void SuspendMovies();
void ResumeMovies();
void ReleaseMovieStreams();
void SetupScreenColors();
int GetScreenColorBits();
int ChangeScreenModeKeep();                  // the screen-mode change after a window-mode switch
int SetMenuPresentMode(int state);
int GetMenuPresentMode();
int GetCurrentDrawTarget();                  // -2 back screen, -4 front screen, or a graph
void UpdateFrontScreenDrawArea();            // the client moved while drawing to the front screen
void ResetDrawAreaViewport();
void PaintWindowBlack();
void RepaintWindowWithLastFrame();         // a repaint shows the last presented frame again
void PresentScreenToWindow();                // for the saved-screen redraw
void SetDrawValidGraphCreateFlag(int flag);
int CreateBlackGraphForScreen(int width, int height);   // graph from a black image, or -1
int GetFlipWaitsVBlank();
