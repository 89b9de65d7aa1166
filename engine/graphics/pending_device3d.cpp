// Defaults for the Direct3D draws of the draw target until they land.
#include "engine/graphics/graphics_hooks.h"

void ClearDrawScreen3D() {}
int GetDrawScreenGraph3D(int, int, int, int, GraphRecord*, int) { return -1; }
