// What the draw dispatch and the 3-D draws need of the screen, the mask and movies.
#pragma once
#include <cstdint>

#include "engine/graphics/draw_state.h"

struct GraphRecord;
namespace plat { struct Surface; }

// Screen surfaces and the software draw target.
plat::Surface* GetPrimarySurface();
plat::Surface* GetBackSurface();
plat::Surface* GetWorkSurface();
plat::Surface* GetDrawTargetSurface();
int SetDrawTargetSurface(int drawScreen);       // 0, -1 for a bad graph handle
int CopySurfaceRect(plat::Surface* target, plat::Surface* source, int x, int y, const RectI* sourceRect,
                    int method);
int LoadFrontScreenToMemImg();
int ScreenFrontCopyStale();                     // the window present left the front copy stale
int BeginMaskedDraw(int x1, int y1, int x2, int y2);
int EndMaskedDraw(int x1, int y1, int x2, int y2);
int DrawTiledGraphSoftware(int x1, int y1, int x2, int y2, int offsetX, int offsetY, double scale, double angle,
                           const GraphRecord* graph, int transparent);
int GetWindowModeFlag();                        // 1 window, 0 full screen
int SetUseMaskFlag(int flag);                   // -1 when no mask buffer exists

// Movies: a movie graph is refreshed before it is drawn.
int UpdateMovieFrameForDraw(int graph);         // 1 shown through a hardware overlay, 0 not, -1 no movie
int GetMovieOverlaySize(int movie, int* width, int* height);   // -1 without an overlay
int ShowMovieOverlay(int movie, const RectI* source, const RectI* dest, int show);
struct OverlayAlignment { int32_t sourceBoundary, sourceSize, destBoundary, destSize; };
void GetOverlayAlignment(OverlayAlignment* out);
