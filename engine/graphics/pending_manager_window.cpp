// Defaults for movies and the mask screen until they land.
#include "engine/graphics/graphics_hooks.h"

PendingGraphicsFacts g_PendingGraphicsFacts;

void CloseMovieOfGraph(int) {}
void RestoreMovieSurfaces(int) {}
int OpenMovieToGraph(const char*, int*, int*, int) { return -1; }
int GetMovieModeField(int) { return 0; }
int MovieFramesCarryAlpha(int) { return 0; }
int ReopenAllMovieStreams() { return 0; }

int MaskScreenExists() { return 0; }
void MaskScreenParts(int* hasBuffer, int* hasSaveArea) { *hasBuffer = *hasSaveArea = 0; }
int CreateMaskScreen(int, int) { return 0; }
void ReleaseMaskScreen() {}
void DeleteMaskScreen() {}
int SetUseMaskFlag(int) { return -1; }

MemImg* GetMaskMemImg() { return g_PendingGraphicsFacts.maskImage; }
plat::Surface* GetMaskSurface() { return nullptr; }
void MaskPrepareRect(const RectI*, MemImg*, plat::Surface*) {}
void MaskMergeRect(const RectI*, MemImg*, plat::Surface*) {}
