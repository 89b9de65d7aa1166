// Defaults for the screen's Direct3D switch and its 2-D surface rebuild until they land.
#include "engine/graphics/graphics_hooks.h"

void SetDirect3DDisabled(int) {}
void ReleaseAllTextureSurfaces() {}
void RecreateAllTextureSurfaces() {}
