// Waits for graph records, colour data, graph loading and texture graphs.
#include "engine/graphics/color_data.h"
#include "engine/graphics/operations.h"

int CreateColorData(ColorData*, int, uint32_t, uint32_t, uint32_t, uint32_t) { return -1; }
uint32_t GetScreenColor(int, int, int) { return 0xFFFFFFFFu; }
int CreatePixelFormatFromMasks(PixelFormatRecord*, int, uint32_t, uint32_t, uint32_t, uint32_t) { return -1; }
int SetNoTextureSplitFlag(int) { return -1; }

int CreateBlankGraph(int, int) { return -1; }
int DeleteGraphHandle(int, int) { return -1; }
int DeleteAllGraphHandles(int) { return -1; }
int LoadGraphFileCall(const char*) { return -1; }
int GetDrawScreenGraph(int, int, int, int, int, int) { return -1; }
int GetGraphDimensions(int, int*, int*) { return -1; }
int DeriveGraphRegion(int, int, int, int, int) { return -1; }
