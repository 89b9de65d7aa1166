// Waits for graph loading, regions and texture graphs.
#include "engine/graphics/operations.h"

int LoadGraphFileCall(const char*) { return -1; }
int DeriveGraphRegion(int, int, int, int, int) { return -1; }
