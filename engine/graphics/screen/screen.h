// Room screen/: setting up and tearing down the display object with its surfaces (primary, back,
// Z, two work surfaces) or the software images that stand for them on a software screen, the
// screen's colour description, screen-mode changes, presenting and pacing, and what start-up and
// the window procedure ask of the screen (base_hooks.h, defined in screen_system_hooks.cpp). It may
// use graph/ (the graphics manager's rebuild and reload), font/ (fonts made again after a mode
// change), draw/ (the draw target), image/, the top headers, softrender/, and of the base its log,
// memory and the on-screen log drawn at each present.
//
// The screen runs one of three ways: display surfaces (software screen off); a software screen
// over display surfaces (every draw goes into MemImgs, the surfaces only carry the picture); no
// display object (MemImgs only, the presenter shows the back image directly).
#pragma once
#include <cstdint>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/color_data.h"
#include "engine/graphics/image/mem_img.h"
#include "platform/surface.h"

struct GraphRecord;
struct Surface2DRecord;

// Values of the display layer that the screen stores and compares.
enum : uint32_t {
  COOP_NORMAL = 0x8,
  COOP_EXCLUSIVE = 0x10,
  COOP_FULLSCREEN = 0x1,
};
enum : int32_t {
  DDERR_SURFACELOST = static_cast<int32_t>(0x887601C2u),
};
constexpr int DISPLAY_CAPS_SIZE = 380;

struct ScreenState {
  int32_t width, height;               // 0: 640 x 480
  int32_t requestedBitDepth;           // 8, 16 or 32; 0: 16
  int32_t refreshRate;                 // Hz, 0 the default
  int32_t actualBitDepth;              // what the display runs at
  int32_t formatKind;                  // 0 R5G6B5, 1 X1R5G5B5, 2 X8R8G8B8, 3 other
  uint32_t cooperativeFlags;
  int32_t overlayFormatIndex;          // -1 none
  ColorData colorData;
  plat::PixelFormat pixelFormat;
  plat::SurfaceDevice* device;         // the display object
  int32_t clipperMade;                 // the window clipper exists
  int32_t clipperOnPrimary;            // presents into the window are clipped to it
  int32_t paletteMade;
  uint8_t caps[DISPLAY_CAPS_SIZE];
  plat::Surface* primary;
  plat::Surface* back;
  plat::Surface* zSurface;
  plat::Surface* work;
  plat::Surface* work2;
  MemImg primaryImage, backImage, zImage;
  int32_t primaryIsImage;
  uint32_t paletteEntries[256];        // 0x00RRGGBB
  int32_t softwareScreen;
  int32_t noDirectDraw;
  int32_t noDirect3D;
  int32_t flipWaitsVBlank;
  int32_t menuPresentMode, effectiveMenuState;
  int32_t useBitBlt;
  int32_t displayModeChanged;
  int32_t screenInitialised;
  int32_t mmxFlag;
  int32_t tablesReady;
  int32_t frontCopyStale;
  uint64_t frameCounter;
  uint32_t lastVBlankWaitTime;
  int32_t pacingPeriod;                // from the measured frame time; -1 unknown (the blank
                                       // waits count the blanks they pass instead)
  int32_t measuredFrameTime;           // ms; -1 unknown
  int32_t measuredRefreshRate;         // Hz; -1 unknown
  int32_t scanLines;
  uint32_t lastModeChangeTime;         // 0 before the first change
  uint32_t lastPresentDuration;
  int32_t backImageInSurface;          // the back image is the locked back surface's memory
  // Current draw target.
  plat::Surface* targetSurface;
  int32_t targetOffsetX, targetOffsetY;
  MemImg* targetImage;
  MemImg* targetZImage;
  int32_t targetInVideoMemory;
  // The recorded display mode: Linux keeps the desktop's, the presenter scales to the window.
  int32_t displayWidth, displayHeight, displayBits, displayRefresh;
};
extern ScreenState g_ScreenState;

// Blend look-up tables (built with the screen) are g_BlendTables of draw_state.h.

// Set-up and surfaces.
int InitializeDirectDraw();
int AcquireDirectDrawObject(plat::SurfaceDevice** out);
void AttachScreenClipper();
void ReleaseScreenClipper();
void CreateScreenPalette();
void RecreateScreenPalette();
void SetupScreenColorInfo();
int CreateScreenMemImg(MemImg* img, int width, int height, int format);
int CreateZBufferMemImg(MemImg* img, int width, int height);
int CreateOutputSurfaces();
int ReleaseMainSurfaces();
void TerminateDirectDraw();
int RestoreLostScreenSurfaces();
int RecreateDirectDrawObject();
int ReleaseDirectDrawObject();
void ReleaseTextureSurfaces();
void RecreateTextureSurfaces();
int BindBackImageToSurface();        // lock the back surface and point the back image at it
const uint8_t* GetScreenPaletteSource();   // 256 RGB triples

// Accessors.
int GetScreenSize(int* width, int* height);
int GetScreenColorBitDepth();
const ColorData* GetScreenColorData();
const PixelFormatRecord* GetScreenPixelFormatRecord();
plat::SurfaceDevice* GetDirectDrawObject();
plat::Surface* GetPrimarySurface();
plat::Surface* GetBackSurface();
plat::Surface* GetWorkSurface();
plat::Surface* GetDrawTargetSurface();
int IsDrawTargetPrimary();
int IsDirectDrawUsed();
int IsSoftwareScreen();
int IsDirect3DDisabled();
int IsDisplayModeChanged();
int GetFlipWaitsVBlank();
int SetFlipWaitsVBlank(int flag);
int GetMenuPresentMode();
uint8_t* GetDirectDrawCaps(uint8_t* out);
const plat::PixelFormat* GetOverlayPixelFormat();

// Present and pacing.
int PresentScreen();
int PresentToWindow();
int WaitVerticalBlank(int count);
void WaitVerticalBlankPaced();
int UpdateFrontScreenRect(const RectI* r);
struct SurfaceTargetDesc {
  const ColorData* colorData;
  int32_t width, height, pitch;
  uint8_t* pixels;
};
void ConvertBltToSurface(const SurfaceTargetDesc* target, const MemImg* source, int x, int y, int width,
                         int height);
uint64_t GetPresentFrameCount();
// Shows the primary surface (or, without a display object, the back image) through the presenter.
void ShowScreenThroughPresenter(const RectI* destination);
// Shows again what the last present showed (a window repaint), whatever is drawn since.
void ShowLastPresentedFrame();

// Screen-mode change.
int ChangeScreenMode(int width, int height, int depth, int force, int refresh);
// Widest and highest screen a mode change builds (an 8K display fits).
constexpr int SCREEN_MAX_SIDE = 8192;
int SetScreenModeKeep(int width, int height, int depth, int refresh);
int SetSoftwareScreenMode(int useHardware);
int SwitchDisplayMode(plat::SurfaceDevice* object, int desktopWidth, int desktopHeight, int width, int height,
                      int depth, int32_t* outDepth, uint32_t* outCooperative, int windowMode,
                      int32_t* modeChanged);
void SetCurrentDisplayMode();
int RestoreDesktopDisplayMode();
void RestoreDisplayModeIfChanged();
int SetMenuPresentMode(int state);
// The pacing period from a round of frame durations (ms): the first one repeated later in the
// round. -1 when none repeats.
int FrameTimeFromSamples(const int32_t* durations, int count);
int RefreshRateFromAverage(uint64_t totalMicroseconds, int samples);
