// What the rooms of graphics need of one another (the screen, the 3-D device, image loading,
// movies, fonts, masks) and of the window, start-up and input: one place that names every call
// across rooms, so each room can be read and tested on its own.
#pragma once
#include <cstdint>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/color_data.h"
#include "engine/graphics/image/mem_img.h"
#include "platform/surface.h"

struct GraphRecord;
struct GraphCreationBytes;
struct PictureImage;

// Screen facts (screen state, screen_setup.cpp).
int ScreenActualBitDepth();                 // 0 while no screen is set up
int ScreenRequestedBitDepth();              // 0 while unset
int ScreenIsSoftware();                     // draws go into software images
int ScreenHasNoDirectDraw();                // the no-display-object mode
int ScreenDirectDrawInUse();                // screen surfaces come from a display object
plat::SurfaceDevice* ScreenSurfaceDevice(); // the display object, null when none
const ColorData* ScreenColorDataRecord();   // the screen's own colour data
const uint32_t* ScreenPaletteEntries();     // 256 x 0x00RRGGBB of an 8-bit screen
void ScreenModeSize(int* width, int* height);   // 0, 0 while unset
void ScreenModeSizeOrDefault(int* width, int* height);   // 640 x 480 while unset
int RestoreLostScreenSurfaces();            // -1 without a display object
int CreateZBufferMemImg(MemImg* img, int width, int height);
int InitializeDirectDraw();                 // 0 or -1
void TerminateDirectDraw();
void SwitchToSoftwareScreen();
plat::Surface* GetPrimarySurface();         // null while none
plat::Surface* GetDrawTargetSurface();      // the surface draws go to (the back surface by default)

// 3-D device and texture graphs.
int Direct3DInUse();
void SetDirect3DDisabled(int disabled);     // the screen's no-3-D switch (1 always without a display object)
int Direct3DDeviceExists();
int InitializeDirect3D();                   // after the screen surfaces are made; Direct3DInUse tells the outcome
void TerminateDirect3D();
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
void ReleaseDirect3DObjects();
void RestoreDirect3DObjects();

// Draw-target work done by the screen-level draws (screen_draw.cpp, screen_present.cpp).
void ClearDrawScreen3D();
int ClearDrawTargetSurfaces();
int UpdateFrontScreenRect(const RectI* r);
int GetDrawScreenGraph2D(int x1, int y1, int x2, int y2, GraphRecord* g, int flag);
int GetDrawScreenGraph3D(int x1, int y1, int x2, int y2, GraphRecord* g, int flag);

// Mask screen (mask_screen.cpp): the image (or surface) every draw takes while the mask is in
// effect; its bracket is in mask_screen.h.
MemImg* GetMaskMemImg();
plat::Surface* GetMaskSurface();

// Graphics manager (graph_load.cpp), movies.
int GraphicsManagerIsUp();
void SetGraphicsManagerUp(int up);
int HasGraphRestoreCallback();
int CloseMovieOfGraph(int movieHandle);    // 0, -1 for a bad movie handle
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
int CreateMaskScreen(int makeBuffer, int makeSaveArea);   // 0, -1 when the buffer cannot be had
void ReleaseMaskScreen();                   // the save area only: the mask bytes outlive a rebuild
void DeleteMaskScreen();
int DeleteAllMaskHandles();                 // graph_from_image.cpp
int SetUseMaskFlag(int flag);               // -1 when no mask buffer exists
// The 3-D device renders into the mask surface (1) or the draw target's surface (0).
int SetDrawTargetSurface3D(int toMask);

// Window, start-up and message processing (engine base).
void WaitWhileInactive();
int ProcessMessage();                       // pumps messages while present and a mode change wait
uint32_t GetMillisecondCount();
int64_t GetMicrosecondCount(int useCpuCounter);
int GetMmxUseFlag();
int GetMainClientScreenRect(RectI* r);      // client rectangle in screen coordinates; -1 without a main window
// Full screen: the picture's rectangle in the window, scaled to fit with its aspect kept; -1 in
// window mode or without a window.
int GetFullScreenPictureRect(RectI* picture, int* areaLeft, int* areaTop);
void GetDesktopSize(int* width, int* height);
int GetDesktopMetrics(int* width, int* height, int* bits);
int GetWindowModeFlag();                    // 1 window, 0 full screen
double GetWindowScaleRate();                // the window's picture scale (1.0, 2.0 ...)
int IsMenuInUse();                          // the window menu is showing
int ApplyWindowStyle();
void* GetMainWindowNativeHandle();          // what the presenter draws into; null when none
int IsEngineStartedOrStarting();            // start-up has begun (or finished)
void GraphicsFatalStop(const char* message); // logs, shuts the engine down and ends the process

// Input (engine input_sound): the display rebuild lets go of the input devices.
int TerminateInputSystem();

