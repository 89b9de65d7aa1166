// The screen colours of black and white. Until start-up sets them they are asked of the engine
// at each use, so text drawn early is still white on black.
#include <cstdint>

#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"

namespace {
bool g_coloursSet = false;
uint32_t g_black = 0;
uint32_t g_white = 0;
}  // namespace

void SetScreenColours(uint32_t black, uint32_t white) {
  g_black = black;
  g_white = white;
  g_coloursSet = true;
}

uint32_t ScreenBlack() { return g_coloursSet ? g_black : g_Engine.GetScreenColorLocked(0, 0, 0); }

uint32_t ScreenWhite() {
  return g_coloursSet ? g_white : g_Engine.GetScreenColorLocked(255, 255, 255);
}
