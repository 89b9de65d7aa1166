// Software image blits: one MemImg drawn onto another at 1:1, or scaled and mirrored into a
// rectangle, clipped to g_DrawState.drawArea, under the draw state's blend mode (0-4), blend
// parameter and draw bright, with colour-key or alpha transparency and an optional 8-bit blend
// image aligned with the source. Called by the engine's drawing front ends under the engine lock.
#pragma once
#include <cstdint>
#include "engine/graphics/image/mem_img.h"

// Copy of the engine's MMX-use flag, made by graphics start-up and read at every draw: 1 selects
// the packed-byte forms (exact byte saturation) of the 32-bit full-strength add and subtract.
extern int32_t g_SoftBlitMmxFlag;

// Vector paths of the blits: -1 (the default) the widest the processor offers, 0 none (every draw
// takes the scalar loops), 1 SSE2 only, 2 AVX2 where the processor has it. Every setting draws
// the same bytes; the switch is there to compare them and to measure.
extern int32_t g_SoftBlitVectorMode;

// Draws src with its top-left pixel at (x, y). transparent 0 draws every pixel; any other value
// keys out the transparent colour (or alpha 0); exactly 1 on an unclipped source with valid skip
// data walks the skip data. Refuses (draws nothing) differing formats, a paletted destination
// and a destination with an alpha channel.
void DrawImageToMemImg(MemImg* dest, const MemImg* src, int32_t x, int32_t y, int32_t transparent,
                       const MemImg* blendImage);

// Draws src stretched into rect {x1, y1, x2, y2}; x1 > x2 or y1 > y2 mirrors that axis, the edge
// at the larger coordinate is exclusive. The source's own size unmirrored goes to the 1:1 blit.
// Draws nothing for an empty rectangle, a side above 32767 pixels or a source too large to step.
void DrawScaledToMemImg(MemImg* dest, const MemImg* src, const int32_t rect[4], int32_t transparent,
                        const MemImg* blendImage);

