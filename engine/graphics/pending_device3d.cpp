// Defaults for the screen's Direct3D switch, its 2-D surface rebuild and the Direct3D draws of the
// draw target until they land.
#include "engine/graphics/graphics_hooks.h"

void SetDirect3DDisabled(int) {}
void ClearDrawScreen3D() {}
int GetDrawScreenGraph3D(int, int, int, int, GraphRecord*, int) { return -1; }
void ReleaseAllTextureSurfaces() {}
void RecreateAllTextureSurfaces() {}
