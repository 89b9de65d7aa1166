// What start-up, the window procedure and message processing ask of the screen and the graphics
// manager, in their terms.
#include "engine/graphics/base_hooks.h"

#include "engine/graphics/graph/graph_load.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/texture_graph.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/screen/screen.h"
#include "platform/present.h"

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

void RepaintWindowWithLastFrame() { ShowLastPresentedFrame(); }

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

// Surfaces lost while the program was in the background come back empty; the graphs on them are
// refilled by the restore that follows.
void RestoreSurfacesOnActivate() {
  RestoreAllSurface2D();
  RestoreAllSurface3D();
}

// Before the first frame exists the client area shows black rather than whatever lay beneath.
void PaintWindowBlack() {
  RectI client;
  if (GetMainClientScreenRect(&client) != 0) return;
  const int w = client.right - client.left, h = client.bottom - client.top;
  if (w <= 0 || h <= 0) return;
  static const uint32_t black = 0;
  const plat::PresentImage image{reinterpret_cast<const uint8_t*>(&black), 4, 1, 1, plat::DisplayFormatForDepth(32)};
  plat::PresenterShow(image, 0, 0, w, h);
}
