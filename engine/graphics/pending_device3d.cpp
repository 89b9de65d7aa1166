// Defaults for the screen's Direct3D switch until the screen lands.
#include "engine/graphics/graphics_hooks.h"

void SetDirect3DDisabled(int) {}
