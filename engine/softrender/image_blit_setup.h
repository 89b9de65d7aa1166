// Set-up shared by the 1:1 and the scaled blit entries.
#pragma once
#include <cstdint>
#include "engine/graphics/image/mem_img.h"
#include "engine/softrender/blit_loops.h"

namespace softblit {
int SourceKind(const MemImg* src);
int SourcePixelBytes(const MemImg* src);
const uint32_t* SourcePalette(const MemImg* src);
// Both set up, same format 0 or 1, destination neither paletted nor with an alpha channel.
bool ImagesDrawable(const MemImg* dest, const MemImg* src);
int32_t DrawParam();
// The loop choice as the images and the draw state give it; the rule and the key are left to the
// entry.
Choice ChoiceFor(const MemImg* src, int kind, const MemImg* blendImage);
// A job's sizes, image pointers and factors: the clipped destination r starts at source pixel
// (col, row); blendImage null when no blend image takes part.
void SetJobImages(Job* j, MemImg* dest, const RectI& r, const MemImg* src, int64_t col, int64_t row,
                  const MemImg* blendImage, int32_t param);
}  // namespace softblit
