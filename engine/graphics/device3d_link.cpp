// The graphics manager's names for the 3-D device's release and rebuild around a reactivation.
#include "engine/graphics/device3d.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/texture_graph.h"

void ReleaseDirect3DObjects() { ReleaseDirect3D(); }
void RestoreDirect3DObjects() { RestoreDirect3D(); }
void ReleaseAllTextureSurfaces() { ReleaseAllSurface3DSurfaces(); }
void RecreateAllTextureSurfaces() { RecreateAllSurface3DSurfaces(); }
