// Waits for the default font and text drawing.
#include "engine/graphics/operations.h"

int DrawTextDefaultFont(int, int, const char*, uint32_t, uint32_t) { return -1; }
int SetDefaultFontSize(int) { return -1; }
int SetDefaultFontThickness(int) { return -1; }
int SetDefaultFontName(const char*, int) { return -1; }
int SetDefaultFontType(int) { return -1; }
