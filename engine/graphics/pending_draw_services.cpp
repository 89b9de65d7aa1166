// Defaults for the screen, mask and movie services of the draw dispatch until they land: no
// screen surfaces, no mask buffer, no movies.
#include "engine/graphics/draw_services.h"

plat::Surface* GetPrimarySurface() { return nullptr; }
plat::Surface* GetBackSurface() { return nullptr; }
plat::Surface* GetWorkSurface() { return nullptr; }
plat::Surface* GetDrawTargetSurface() { return nullptr; }
int SetDrawTargetSurface(int) { return 0; }
int CopySurfaceRect(plat::Surface*, plat::Surface*, int, int, const RectI*, int) { return -1; }
int LoadFrontScreenToMemImg() { return 0; }
int ScreenFrontCopyStale() { return 0; }
int BeginMaskedDraw(int, int, int, int) { return 0; }
int EndMaskedDraw(int, int, int, int) { return 0; }
int DrawTiledGraphSoftware(int, int, int, int, int, int, double, double, const GraphRecord*, int) { return -1; }
int SetUseMaskFlag(int) { return -1; }
int UpdateMovieFrameForDraw(int) { return -1; }
int GetMovieOverlaySize(int, int*, int*) { return -1; }
int ShowMovieOverlay(int, const RectI*, const RectI*, int) { return 0; }
void GetOverlayAlignment(OverlayAlignment* out) { *out = OverlayAlignment{0, 0, 0, 0}; }
