// The converting blit: copies a rectangle of pixels between two images that may differ in pixel
// format, with transparent-colour skipping, a separate alpha image, colour key to alpha,
// mirroring and precision reduction. Callers clip: the rectangle must lie inside both images.
#pragma once
#include <cstdint>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/color_data.h"

enum : int { REDUCE_TRUNCATE = 0, REDUCE_DITHER = 1, REDUCE_ERROR_CARRY = 2 };

extern const uint8_t DitherMatrix4x4[4][4];

// Returns 0 (for 8-bit to 8-bit copies: the largest index copied), or -1 when the rectangle is
// empty or the pair is not supported (an 8-bit destination with a source that is not 8-bit).
int ConvertImageBlt(void* dstPixels, int dstPitch, const ColorData* dstCd, const void* srcPixels, int srcPitch,
                    const ColorData* srcCd, const void* alphaPixels, int alphaPitch, const ColorData* alphaCd,
                    int dstX, int dstY, const RectI* srcRect, int mirror, int keyToAlpha, uint32_t transparentColor,
                    int reductionMode, int colorToBlack, int alphaFromRed, int skipTransparent);
