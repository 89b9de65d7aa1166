// What this folder's graph, surface and draw-state code needs of the display back end, the 3-D
// device, image loading, movies and the window, which are built elsewhere. Until those land, the
// engine/graphics/pending_*.cpp files give each a harmless default (no display, nothing to do).
#pragma once
#include <cstdint>

#include "engine/graphics/color_data.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/mem_img.h"
#include "platform/surface.h"

struct GraphRecord;
struct GraphCreationBytes;
struct PictureImage;

// Screen facts (screen state).
int ScreenActualBitDepth();                 // 0 while no screen is set up
int ScreenRequestedBitDepth();              // 0 while unset
int ScreenIsSoftware();                     // draws go into software images
int ScreenHasNoDirectDraw();                // the no-display-object mode
int ScreenDirectDrawInUse();                // screen surfaces come from a display object
plat::SurfaceDevice* ScreenSurfaceDevice(); // the display object, null when none
const ColorData* ScreenColorDataRecord();   // the screen's own colour data
const uint32_t* ScreenPaletteEntries();     // 256 x 0x00RRGGBB of an 8-bit screen
void ScreenModeSize(int* width, int* height);   // 0, 0 while unset
int RestoreLostScreenSurfaces();            // non-zero when any was lost
int CreateZBufferMemImg(MemImg* img, int width, int height);
int InitializeDirectDraw();                 // 0 or -1
void TerminateDirectDraw();
void SwitchToSoftwareScreen();
plat::Surface* ScreenPrimarySurface();      // null while none
plat::Surface* ScreenDrawTargetSurface();   // the surface draws go to (the back surface by default)
plat::Surface* MaskScreenSurface();         // the mask screen's surface, null while none

// 3-D device and texture graphs.
int Direct3DInUse();
void SetDirect3DDisabled(int disabled);     // the display back end's switch, before it starts
int Direct3DDeviceExists();
void SetTextureFilterMode(int mode);
void UpdateDrawColorCache();
void SetBlendGraphTexture(int graph, int borderParam, int borderRange);
int SetViewportFromRect(const RectI* r);    // 0 or -1
void FlushCurrentVertexBuffer();
void EndSceneCurrent();
int GetTextureFormatIndex(const GraphCreationBytes* create);
const PixelFormatRecord* GetTexturePixelFormat(int index);
const ColorData* GetTextureFormatColorData(int index);
const PixelFormatRecord* GetZBufferPixelFormat();
int CreateGraphTextures(GraphRecord* g);
void DeleteGraphTextures(GraphRecord* g);
int RestoreGraphTextures(GraphRecord* g);
int FillGraphTextures(GraphRecord* g, int red, int green, int blue, int alpha);
int TransferImageRectToGraphTextures(const PictureImage* image, const PictureImage* alpha, const RectI* srcRect,
                                     int x, int y, GraphRecord* g);
int FillGraphTexturesFromImage(const PictureImage* image, const PictureImage* alpha, int srcX, int srcY,
                               GraphRecord* g);
// Tiles of a graph showing the (x, y, width, height) region of a texture graph, sharing its textures.
int DeriveGraphTextures(GraphRecord* g, int x, int y, int width, int height, const GraphRecord* source);
int InitializeDirect3D();                   // 0 or -1; Direct3DInUse tells the outcome
void ReleaseDirect3DObjects();
void RestoreDirect3DObjects();
void ReleaseAllTextureSurfaces();
void RecreateAllTextureSurfaces();          // with their colour keys

// Draw-target work done by the screen-level draws.
void ClearDrawScreen3D();
void ClearDrawTargetSurfaces();
void UpdateFrontScreenRect(const RectI* r);
int GetDrawScreenGraph2D(int x1, int y1, int x2, int y2, GraphRecord* g, int flag);
int GetDrawScreenGraph3D(int x1, int y1, int x2, int y2, GraphRecord* g, int flag);

// Screen surfaces around a rebuild of the display after reactivation.
void ReleaseMainSurfaces();
void ReleaseScreenClipper();
int FullScreenMenuModeOn();
void RecreateDirectDrawObject();            // release the display object and create it again
void SetDisplayModeForScreen();             // current screen size and depth
void RecreateOutputSurfaces();              // clipper attached, output surfaces, 8-bit palette
void SelectDrawScreenSurface();
void StopInputForDisplayRebuild();          // the window procedure starts input again later

// Graphics manager (graph_load.cpp), movies.
int GraphicsManagerIsUp();
void SetGraphicsManagerUp(int up);
int HasGraphRestoreCallback();
void CloseMovieOfGraph(int movieHandle);
void RestoreMovieSurfaces(int movieHandle);
int OpenMovieToGraph(const char* fileName, int* width, int* height, int mode);   // movie handle or -1
int GetMovieModeField(int movieHandle);
int MovieFramesCarryAlpha(int movieHandle); // alpha in the lower half of each frame
int ReopenAllMovieStreams();

// Fonts.
void ResetDefaultFontSettings();            // size 16, thickness 6 and the other defaults
int InitializeFontSystem();
void DeleteDefaultFont();
int RecreateAllFonts();

// Mask screen and masks.
int MaskScreenExists();
void MaskScreenParts(int* hasBuffer, int* hasSaveArea);
int CreateMaskScreen(int makeBuffer, int makeSaveArea);
void ReleaseMaskScreen();
void DeleteMaskScreen();
int DeleteAllMaskHandles();                 // graph_from_image.cpp
int SetUseMaskFlag(int flag);

// Window and message processing.
void WaitWhileInactive();
int GetMainClientScreenRect(RectI* r);      // client rectangle in screen coordinates; -1 when none
void GetDesktopSize(int* width, int* height);
void GraphicsFatalStop(const char* message); // logs, shuts the engine down and ends the process

// Stand-in facts read by the pending defaults above (tests set them); they go away with the
// pending files once the display back end and the window keep the real ones.
struct PendingScreenFacts {
  int actualBits, requestedBits;
  int softwareScreen, noDirectDraw, directDrawInUse;
  plat::SurfaceDevice* device;
  plat::Surface* primary;
  plat::Surface* drawTarget;
  plat::Surface* mask;
  ColorData colorData;
  uint32_t palette[256];
  int width, height;
  int clientValid;
  RectI client;
  int desktopWidth, desktopHeight;
  int viewportCalls;
};
extern PendingScreenFacts g_PendingScreenFacts;
