// The main window's contents read back from the X server as 0xRRGGBB pixels (empty when the
// window is not an X11 window). Kept apart: X11's macros clash with the test framework's names.
#pragma once
#include <cstdint>
#include <vector>

std::vector<uint32_t> ReadWindowBackFromX(void* sdlWindow, int width, int height);
