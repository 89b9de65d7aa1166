// What start-up, shut-down, the window procedure and message processing call in the other
// subsystems. Each subsystem defines these; until it is built, a stub in its pending file reports
// success and does nothing.
#pragma once
#include <cstdint>
#include "engine/graphics/draw_state.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graphics_hooks.h"
#include "platform/window.h"

// Graphics (besides graph.h, draw_state.h and graphics_hooks.h).
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

// Input and sound.
int InitializeInputSystem();
int TerminateInputSystem();
int InitializeDirectSound();
int TerminateDirectSound();
int ProcessStreamSounds();                  // 0; -1 while the sound system is not started
void TickPadVibration();
void SyncPadEffects();
void ReacquireInput();
void SetInputStateFlag(int which, int flag);   // messages 0x46F (0) and 0x470 (1)

// Text input.
int InitTextInputBuffers();
int ProcessKeyInput();
int KeyCharPush(uint8_t byte);
bool KeyRingHasRoom();
void RequestImeResetIfOpen();
intptr_t HandleImeMessage(intptr_t lParam, uint32_t message, uintptr_t wParam, plat::WindowId w);
void DeleteAllKeyInputHandles();
void SetImeEnabled(int flag);

// Network.
void NetWorkPumpWindow();
void HttpProcessAllTransfers();              // HttpTransferProcess for every slot in use
void HttpClearTransferTable();
void HttpDeleteAllTransfers();
void NetWorkTerminate();
intptr_t NetWorkSocketEvent(uintptr_t wParam, intptr_t lParam);
