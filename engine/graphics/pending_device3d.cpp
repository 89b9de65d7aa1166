// Defaults for the screen's Direct3D switch and the texture-surface rebuild until the screen lands;
// the graphics manager's release and restore of the 3-D objects go to the device's own.
#include "engine/graphics/device3d.h"
#include "engine/graphics/graphics_hooks.h"

void SetDirect3DDisabled(int) {}
void ReleaseDirect3DObjects() { ReleaseDirect3D(); }
void RestoreDirect3DObjects() { RestoreDirect3D(); }
void ReleaseAllTextureSurfaces() {}
void RecreateAllTextureSurfaces() {}
