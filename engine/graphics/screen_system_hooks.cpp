// What start-up, the window procedure and message processing ask of the screen and the graphics
// manager, in their terms.
#include "engine/base/system_hooks.h"
#include "engine/graphics/graph_load.h"
#include "engine/graphics/image_loader.h"
#include "engine/graphics/screen.h"

void SelectSoftwareScreenIfNoD3D() {
  if (IsDirect3DDisabled()) SetSoftwareScreenMode(0);
}

void InstallDefaultGraphRestoreCallback() { SetGraphRestoreCallback(nullptr); }

bool HasDirectDrawObject() { return GetDirectDrawObject() != nullptr; }

void RebuildDisplay() { RebuildDisplayAfterReactivation(); }

void SetupScreenColors() { SetupScreenColorInfo(); }

// The depth chosen for the screen; what it runs at once set up.
int GetScreenColorBits() {
  return g_ScreenState.requestedBitDepth ? g_ScreenState.requestedBitDepth : GetScreenColorBitDepth();
}

// A window-mode switch keeps every value, so only the force flag makes the change happen.
int ChangeScreenModeKeep() { return ChangeScreenMode(-1, -1, -1, 1, -1); }

int GetCurrentDrawTarget() { return g_DrawState.drawScreen; }

void PresentBackScreenToWindowNoWait() {
  const int wait = GetFlipWaitsVBlank();
  SetFlipWaitsVBlank(0);
  PresentToWindow();
  SetFlipWaitsVBlank(wait);
}

void PresentScreenToWindow() { PresentToWindow(); }

void SetDrawValidGraphCreateFlag(int flag) { SetCreateDrawValidGraphFlag(flag); }

int CreateBlackGraphForScreen(int width, int height) {
  BaseImage image;
  if (AllocBaseImagePixels(width, height, &image) != 0) return -1;
  FillBaseImage(&image, 0, 0, 0, 255);
  const int graph = CreateGraphFromImageForScreen(&image);
  FreeBaseImage(&image);
  return graph;
}
