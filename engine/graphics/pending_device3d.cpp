// Defaults for the screen's Direct3D switch and the Direct3D draws of the draw target until they land.
#include "engine/graphics/graphics_hooks.h"

void SetDirect3DDisabled(int) {}
