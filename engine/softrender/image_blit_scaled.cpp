// The scaled and mirrored blit's entry: corner order, ratios, clipped start and loop choice.
#include "engine/softrender/image_blit.h"

#include <algorithm>
#include <vector>
#include "engine/graphics/draw_state.h"
#include "engine/softrender/blit_loops.h"
#include "engine/softrender/image_blit_setup.h"

using namespace softblit;

namespace {
// The 16.16 stepping holds only while dw x 65536 fits 31 bits; a source this wide could also step
// its last destination pixel past its own edge.
constexpr int64_t kMaxScaledSide = 32767;
constexpr int32_t kMaxSourceSide = 65535;

// The source index shown by each of count destination pixels along one axis, by the 16.16 walk:
// one subtraction per destination pixel, one addition per source pixel passed. Rule B keeps the
// pixel reached when an advance lands the accumulator exactly on 0.
void Plan(int32_t* out, int32_t count, int32_t acc0, int32_t ratio, bool ruleB, int32_t last) {
  int32_t acc = acc0, idx = 0;
  for (int32_t i = 0;; ) {
    out[i] = idx < last ? idx : last;
    if (++i == count) break;
    acc -= 65536;
    if (acc <= 0) {
      do {
        ++idx;
        acc += ratio;
      } while (ruleB ? acc < 0 : acc <= 0);
    }
  }
}

// Plans and the gathered row outlive a draw, so that a frame of draws allocates nothing.
struct ScaledBuffers {
  std::vector<int32_t> idx;
  std::vector<intptr_t> colOff, rowOff, blendColOff, blendRowOff;
  std::vector<uint8_t> row;
};
thread_local ScaledBuffers t_Buffers;
}  // namespace

void DrawScaledToMemImg(MemImg* dest, const MemImg* src, const int32_t rect[4], int32_t transparent,
                        const MemImg* blendImage) {
  if (!rect || !src) return;
  // The blend image is read at source coordinates, so it must cover the whole source.
  if (blendImage != nullptr && (blendImage->width < src->width || blendImage->height < src->height)) return;
  int32_t left = rect[0], right = rect[2], top = rect[1], bottom = rect[3];
  int32_t xdir = 1, ydir = 1;
  if (left > right) std::swap(left, right), xdir = -1;
  if (top > bottom) std::swap(top, bottom), ydir = -1;
  const int64_t dw = (int64_t)right - left, dh = (int64_t)bottom - top;
  if (dw == 0 || dh == 0) return;
  if (dw == src->width && dh == src->height && xdir == 1 && ydir == 1) {
    DrawImageToMemImg(dest, src, left, top, transparent, blendImage);
    return;
  }
  if (!ImagesDrawable(dest, src)) return;
  if (dw > kMaxScaledSide || dh > kMaxScaledSide) return;
  if (src->width > kMaxSourceSide || src->height > kMaxSourceSide) return;
  const int32_t xratio = (int32_t)((uint32_t)(dw * 65536) / (uint32_t)src->width);
  const int32_t yratio = (int32_t)((uint32_t)(dh * 65536) / (uint32_t)src->height);
  if (xratio == 0 || yratio == 0) return;

  RectI r = {left, top, right, bottom};
  ClipRectToRect(&r, &g_DrawState.drawArea);
  const int32_t cw = r.right - r.left, ch = r.bottom - r.top;
  if (cw <= 0 || ch <= 0) return;
  const int32_t ox = r.left - left, oy = r.top - top;
  const int32_t sx0 = ox * 65536 / xratio, sy0 = oy * 65536 / yratio;
  const int32_t ax0 = xratio - (ox * 65536 - sx0 * xratio);
  const int32_t ay0 = yratio - (oy * 65536 - sy0 * yratio);

  const int32_t mode = g_DrawState.blendMode;
  const int32_t p = DrawParam();
  const int kind = SourceKind(src);
  Choice c = ChoiceFor(src, kind, blendImage);
  const bool special = !c.blend && !c.tint && kind != kSrcAlpha;
  switch (mode) {
    case BLEND_NONE: c.rule = kRuleNone; break;
    case BLEND_ALPHA:
      if (p == 0) return;
      c.rule = p == 255 ? kRuleNone : kRuleAlpha;
      break;
    case BLEND_ADD:
      if (p == 0) return;
      c.rule = kRuleAdd;
      break;
    case BLEND_SUB:
      if (p == 0 && kind != kSrcPal) return;
      c.rule = special && p == 255 ? kRuleSubFull : kRuleSub;
      break;
    case BLEND_MUL: c.rule = kRuleMul; break;
    default: return;
  }

  // Keys are compared whole, except by the 16-bit plain copy which compares the low 16 bits; a
  // key no pixel can equal needs no keyed loop.
  const bool plainCopy = c.rule == kRuleNone && !c.tint && !c.blend;
  uint32_t key = src->transparentColor;
  c.keyed = transparent != 0;
  if (kind == kSrcPal && key > 255) c.keyed = false;
  if (kind == kSrcDirect && src->format == MEMIMG_FORMAT_RGB16) {
    if (plainCopy) key &= 0xFFFF;
    else if (key > 0xFFFF) c.keyed = false;
  }

  Job j{};
  const int32_t col = xdir > 0 ? sx0 : src->width - 1 - sx0;
  const int32_t row = ydir > 0 ? sy0 : src->height - 1 - sy0;
  SetJobImages(&j, dest, r, src, col, row, c.blend ? blendImage : nullptr, p);
  j.key = key;

  // The plain copy and the full-strength subtract keep the pixel an advance lands on exactly; a
  // source with an alpha channel blends even in the plain copy, so it steps like the others.
  const bool ruleB = kind != kSrcAlpha && ((c.rule == kRuleNone && !c.tint && !c.blend) || c.rule == kRuleSubFull);
  ScaledBuffers& b = t_Buffers;
  const size_t n = (size_t)std::max(cw, ch);
  if (b.idx.size() < n) b.idx.resize(n);
  if (b.colOff.size() < (size_t)cw) b.colOff.resize(cw), b.blendColOff.resize(cw);
  if (b.rowOff.size() < (size_t)ch) b.rowOff.resize(ch), b.blendRowOff.resize(ch);
  const int sbpp = SourcePixelBytes(src);
  if (b.row.size() < (size_t)cw * sbpp) b.row.resize((size_t)cw * sbpp);
  // A walk never passes the source's far edge; the bound only guards the arithmetic's limits.
  Plan(b.idx.data(), cw, ax0, xratio, ruleB, src->width - 1 - sx0);
  for (int32_t i = 0; i < cw; ++i) {
    b.colOff[i] = (intptr_t)xdir * b.idx[i] * sbpp;
    b.blendColOff[i] = (intptr_t)xdir * b.idx[i];
  }
  Plan(b.idx.data(), ch, ay0, yratio, ruleB, src->height - 1 - sy0);
  for (int32_t i = 0; i < ch; ++i) {
    b.rowOff[i] = (intptr_t)ydir * b.idx[i] * src->pitch;
    b.blendRowOff[i] = c.blend ? (intptr_t)ydir * b.idx[i] * blendImage->pitch : 0;
  }
  j.colOff = b.colOff.data();
  j.rowOff = b.rowOff.data();
  j.blendColOff = b.blendColOff.data();
  j.blendRowOff = b.blendRowOff.data();
  j.rowBuffer = b.row.data();

  LoopFn loop = PickScaledLoop(c);
  if (!loop) return;
  MemImgMarkChanged(dest);
  loop(j);
}
