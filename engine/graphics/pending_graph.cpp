// Waits for texture graphs.
#include "engine/graphics/operations.h"

int SetNoTextureSplitFlag(int) { return -1; }
