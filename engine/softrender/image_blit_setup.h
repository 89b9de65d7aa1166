// Set-up shared by the 1:1 and the scaled blit entries.
#pragma once
#include <cstdint>
#include "engine/graphics/mem_img.h"

namespace softblit {
int SourceKind(const MemImg* src);
int SourcePixelBytes(const MemImg* src);
const uint32_t* SourcePalette(const MemImg* src);
// Both set up, same format 0 or 1, destination neither paletted nor with an alpha channel.
bool ImagesDrawable(const MemImg* dest, const MemImg* src);
int32_t DrawParam();
}  // namespace softblit
