// Waits for the on-screen log, which needs the display back end.
#include "engine/base/system_hooks.h"

int ScreenLogInitialize() { return -1; }
void DeleteScreenLogFontIfMade() {}
