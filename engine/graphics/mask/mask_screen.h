// Room mask/: the mask screen and its bracket around every draw while the mask is in effect (mask
// handles are graphs' business: graph/graph_from_image.h). It may use graph/, image/, screen/, the
// top headers and the base's log and memory.
//
// The mask screen: a byte per screen pixel saying where drawing may land (non-zero lets it
// through), and a screen-sized save area that every draw goes into while the mask is in effect.
// The bracket around each draw copies the target's rectangle into the save area first and
// afterwards carries the save area's pixels back onto the target where the mask lets them through.
// Creation, release, deletion and the use-mask switch are declared in graphics_hooks.h.
#pragma once
#include <cstdint>

#include "engine/graphics/image/mem_img.h"
#include "platform/surface.h"

// The two halves of the bracket; the target is a surface or an image (the other null). Both
// return 0 and do nothing without a save area or over an empty rectangle.
int SaveMaskedDrawArea(int x1, int y1, int x2, int y2, plat::Surface* targetSurface, MemImg* targetImage);
int MergeMaskedDrawArea(int x1, int y1, int x2, int y2, plat::Surface* targetSurface, MemImg* targetImage);

// The mask bytes, for callers that shape the mask: row pitch and size through the pointers; null
// while no mask buffer exists.
uint8_t* GetMaskBuffer(int* pitch, int* width, int* height);
// Sets the mask bytes of the rectangle (clipped to the buffer) to value. -1 without a buffer.
int FillMaskScreenRect(int x1, int y1, int x2, int y2, int value);
