// The 1:1 blit's entry: refusals, clipping, set-up shared by all loops and the choice of loop.
#include "engine/softrender/image_blit.h"

#include <algorithm>
#include <cstring>
#include "engine/graphics/draw_state.h"
#include "engine/softrender/blit_loops.h"
#include "engine/softrender/blit_vector.h"
#include "engine/softrender/image_blit_setup.h"

int32_t g_SoftBlitMmxFlag = 0;

namespace softblit {

Factors TakeFactors(int32_t param, uint32_t drawBright) {
  Factors f;
  f.p = param;
  f.pP = g_BlendTables.product[param];
  f.pB = g_BlendTables.product[drawBright & 0xFF];
  f.pG = g_BlendTables.product[(drawBright >> 8) & 0xFF];
  f.pR = g_BlendTables.product[(drawBright >> 16) & 0xFF];
  f.nP = &g_BlendTables.signedProduct[param][255];
  f.lP = &g_BlendTables.lerp63[param >> 2][0][0];
  f.weight = g_BlendWeightTable;
  return f;
}

int SourceKind(const MemImg* src) {
  if (src->paletteFlag == 1) return kSrcPal;
  return src->alphaFlag == 1 ? kSrcAlpha : kSrcDirect;
}

int SourcePixelBytes(const MemImg* src) {
  if (src->paletteFlag == 1) return 1;
  if (src->alphaFlag == 1) return 4;
  return src->format == MEMIMG_FORMAT_RGB32 ? 4 : 2;
}

const uint32_t* SourcePalette(const MemImg* src) { return src->palettePtr ? src->palettePtr : src->palette; }

bool ImagesDrawable(const MemImg* dest, const MemImg* src) {
  if (!dest || !src || !dest->pixels || !src->pixels || src->width < 1 || src->height < 1) return false;
  if (src->format != dest->format || dest->paletteFlag == 1 || dest->alphaFlag == 1) return false;
  return src->format == MEMIMG_FORMAT_RGB16 || src->format == MEMIMG_FORMAT_RGB32;
}

int32_t DrawParam() { return std::clamp<int32_t>(g_DrawState.blendParam, 0, 255); }

Choice ChoiceFor(const MemImg* src, int kind, const MemImg* blendImage) {
  Choice c{};
  c.format = src->format;
  c.kind = kind;
  c.tint = (g_DrawState.drawBright & 0xFFFFFF) != 0xFFFFFF;
  c.blend = blendImage != nullptr && blendImage->pixels != nullptr;
  c.mmx = g_SoftBlitMmxFlag == 1;
  return c;
}

void SetJobImages(Job* j, MemImg* dest, const RectI& r, const MemImg* src, int64_t col, int64_t row,
                  const MemImg* blendImage, int32_t param) {
  const int sbpp = SourcePixelBytes(src);
  const int dbpp = src->format == MEMIMG_FORMAT_RGB32 ? 4 : 2;
  j->w = r.right - r.left;
  j->h = r.bottom - r.top;
  j->src = src->pixels + (intptr_t)src->pitch * row + (intptr_t)sbpp * col;
  j->srcPitch = src->pitch;
  j->dst = dest->pixels + (intptr_t)dest->pitch * r.top + (intptr_t)dbpp * r.left;
  j->dstPitch = dest->pitch;
  if (blendImage) {
    j->blend = blendImage->pixels + (intptr_t)blendImage->pitch * row + col;
    j->blendPitch = blendImage->pitch;
  }
  j->pal = SourcePalette(src);
  j->bright = g_DrawState.drawBright;
  j->f = TakeFactors(param, g_DrawState.drawBright);
}

}  // namespace softblit

using namespace softblit;

void DrawImageToMemImg(MemImg* dest, const MemImg* src, int32_t x, int32_t y, int32_t transparent,
                       const MemImg* blendImage) {
  if (!ImagesDrawable(dest, src)) return;

  // The far edges are formed in 64 bits; past the 32-bit range they are beyond any draw area.
  const int64_t right = std::min<int64_t>((int64_t)x + src->width, INT32_MAX);
  const int64_t bottom = std::min<int64_t>((int64_t)y + src->height, INT32_MAX);
  RectI r = {x, y, (int32_t)right, (int32_t)bottom};
  ClipRectToRect(&r, &g_DrawState.drawArea);
  const int32_t cw = r.right - r.left, ch = r.bottom - r.top;
  if (cw <= 0 || ch <= 0) return;
  const int64_t cx = (int64_t)r.left - x, cy = (int64_t)r.top - y;

  const int32_t mode = g_DrawState.blendMode;
  const int32_t p = DrawParam();
  // The source lands as it is (the rule the switch below names kRuleNone), with no blend image.
  const bool copyRule = mode == BLEND_NONE || (mode == BLEND_ALPHA && p == 255);
  const bool noBlendImage = blendImage == nullptr || blendImage->pixels == nullptr;

  // The plain copy of a direct source is straight row copies, with no loop to choose.
  if (transparent == 0 && copyRule && src->paletteFlag != 1 && src->alphaFlag != 1 && noBlendImage &&
      (g_DrawState.drawBright & 0xFFFFFF) == 0xFFFFFF) {
    const size_t bpp = src->format == MEMIMG_FORMAT_RGB32 ? 4 : 2, rowBytes = bpp * (size_t)cw;
    const intptr_t sp = src->pitch, dp = dest->pitch;
    const uint8_t* s = src->pixels + sp * cy + (intptr_t)bpp * cx;
    uint8_t* d = dest->pixels + dp * r.top + (intptr_t)bpp * r.left;
    for (int32_t row = 0; row < ch; ++row, s += sp, d += dp) std::memcpy(d, s, rowBytes);
    MemImgMarkChanged(dest);
    return;
  }
  const int kind = SourceKind(src);
  bool fast = transparent == 1 && src->skipDataValid == 1 && src->skipData != nullptr && cw == src->width &&
              ch == src->height;
  // With the vector kernels on, a keyed plain draw tested pixel by pixel beats the walk over the
  // skip data, and draws the same bytes: the skip data classes pixels by the same key or alpha.
  if (fast && copyRule && kind != kSrcPal && noBlendImage &&
      (src->format == MEMIMG_FORMAT_RGB32 || (kind == kSrcDirect && src->transparentColor <= 0xFFFF)) &&
      ActiveVectorLevel() > 0) {
    fast = false;
  }

  Choice c = ChoiceFor(src, kind, blendImage);
  const bool special = !fast && !c.blend && !c.tint && kind != kSrcAlpha;
  switch (mode) {
    case BLEND_NONE: c.rule = kRuleNone; break;
    case BLEND_ALPHA:
      if (p == 0) return;
      if (p == 255) c.rule = kRuleNone;
      else if (special && p == 128) c.rule = kRuleHalf;
      else if (special && src->format == MEMIMG_FORMAT_RGB16) c.rule = kRuleAlphaL16;
      else c.rule = kRuleAlpha;
      break;
    case BLEND_ADD:
      if (p == 0) return;
      c.rule = special && p == 255 ? kRuleAddFull : kRuleAdd;
      break;
    case BLEND_SUB:
      if (p == 0 && kind != kSrcPal) return;
      c.rule = special && p == 255 ? kRuleSubFull : kRuleSub;
      break;
    case BLEND_MUL: c.rule = kRuleMul; break;
    default: return;
  }

  Job j{};
  SetJobImages(&j, dest, r, src, cx, cy, c.blend ? blendImage : nullptr, p);
  j.skip = src->skipData;

  // A key that no pixel can equal needs no keyed loop (a paletted key above 255 hides nothing).
  c.keyed = !fast && transparent != 0;
  if (c.keyed && kind == kSrcPal && src->transparentColor > 255) c.keyed = false;
  j.key = src->format == MEMIMG_FORMAT_RGB16 && kind == kSrcDirect ? (src->transparentColor & 0xFFFF)
                                                                   : src->transparentColor;

  LoopFn loop = fast ? PickFastLoop(c) : PickOneToOneLoop(c);
  if (!loop) return;
  MemImgMarkChanged(dest);
  loop(j);
}
