// What the whole-run tests share: the presented picture or the window's as X holds it, kept as
// PNG files for review, and a key script that presses scripted keys one frame each.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "game/key_script.h"
#include "game/pictures.h"

using Pixels = std::vector<uint32_t>;   // 0xRRGGBB, 640 x 480

// The last frame handed to the presenter (empty unless a 640 x 480 32-bit frame).
Pixels PresentedPicture();
// The main window's contents as the X server holds them.
Pixels MainWindowFromX();
