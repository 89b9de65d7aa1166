// Whole image turned and scaled about its centre. Mirrored drawing goes through the textured quad;
// otherwise every pixel of the clipped bounding box is mapped back into the source.
#include <algorithm>
#include <vector>
#include "engine/softrender/texel_rules.h"

using namespace softgeom;

namespace {

// Row start pointers, rebuilt at every draw and sized to the image, so any height is served.
std::vector<const uint8_t*> RotatedSourceRowTable;
std::vector<const uint8_t*> RotatedBlendRowTable;

struct RotatedScanner {
  struct Params {
    uint8_t* dest;
    intptr_t rowAdvance;
    int32_t W, H;
    uint32_t U0, V0, dudx, dvdx, dudy, dvdy;
    uint32_t uLimit, vLimit;
    const uint8_t* const* srcRows;
    const uint8_t* const* blendRows;
    TexelContext k;
  };

  template <class Rule>
  static void Run(const Params& s) {
    uint8_t* dp = s.dest;
    uint32_t u = s.U0, v = s.V0;
    const uint32_t rowU = s.dudy - (uint32_t)s.W * s.dudx, rowV = s.dvdy - (uint32_t)s.W * s.dvdx;
    TexelVector vec;
    vec.Init<Rule>(s.k, s.dudx, s.dvdx);
    if (vec.fn) {
      for (int32_t j = 0; j < s.H; ++j) {
        vec.Span(dp, Rule::kDestBytes, s.W, u, v, s.uLimit, s.vLimit, [&s](uint32_t row) { return s.srcRows[row]; });
        u += s.dudy;
        v += s.dvdy;
        dp += (intptr_t)s.W * Rule::kDestBytes + s.rowAdvance;
      }
      return;
    }
    for (int32_t j = 0; j < s.H; ++j) {
      for (int32_t i = 0; i < s.W; ++i, dp += Rule::kDestBytes) {
        if (u < s.uLimit && v < s.vLimit) {
          uint32_t tu = u >> 18, tv = v >> 18;
          const uint8_t* blend = s.blendRows ? s.blendRows[tv] + tu : nullptr;
          Rule::Apply(s.k, s.srcRows[tv] + (intptr_t)tu * Rule::kTexelBytes, blend, dp);
        }
        u += s.dudx;
        v += s.dvdx;
      }
      u += rowU;
      v += rowV;
      dp += s.rowAdvance;
    }
  }
};

void FillRowTable(std::vector<const uint8_t*>* table, const MemImg* img, uint32_t rows) {
  if (table->size() < rows) table->resize(rows);
  for (uint32_t i = 0; i < rows; ++i) (*table)[i] = img->pixels + (intptr_t)i * img->pitch;
}

}  // namespace

void DrawRotatedToMemImg(MemImg* dest, const MemImg* src, int32_t cx, int32_t cy, float angle,
                         float scale, int32_t transparent, int32_t mirror, const MemImg* blendImage) {
  if (!TexelDrawAllowed(dest, src, blendImage)) return;

  float sn, cn, sp, cp;
  SinCosSingle(-angle, &sn, &cn);
  SinCosSingle(angle, &sp, &cp);
  const int32_t Sn = TruncFloat(sn * 262144.0f), Cn = TruncFloat(cn * 262144.0f);
  const int32_t S = TruncFloat(sp * 262144.0f), C = TruncFloat(cp * 262144.0f);

  const uint32_t w = (uint32_t)src->width, h = (uint32_t)src->height;
  const float hw = (float)w * scale * 0.5f, hh = (float)h * scale * 0.5f;
  const float Cf = (float)C, Sf = (float)S;
  const float Cw = Cf * hw, Sw = Sf * hw, Ch = Cf * hh, Sh = Sf * hh;
  const int32_t cx18 = WrapShl18(cx), cy18 = WrapShl18(cy);
  // Corners: top-left, bottom-left, bottom-right, top-right.
  const int32_t Kx[4] = {WrapAdd(TruncFloat(-Cw + Sh), cx18), WrapAdd(TruncFloat(-Cw - Sh), cx18),
                         WrapAdd(TruncFloat(Cw - Sh), cx18), WrapAdd(TruncFloat(Cw + Sh), cx18)};
  const int32_t Ky[4] = {WrapAdd(TruncFloat(-Ch - Sw), cy18), WrapAdd(TruncFloat(Ch - Sw), cy18),
                         WrapAdd(TruncFloat(Ch + Sw), cy18), WrapAdd(TruncFloat(-Ch + Sw), cy18)};

  if (mirror) {
    // The source's left column goes along the turned right edge.
    const int32_t pts[8] = {FixToInt(Kx[3]), FixToInt(Ky[3]), FixToInt(Kx[0]), FixToInt(Ky[0]),
                            FixToInt(Kx[2]), FixToInt(Ky[2]), FixToInt(Kx[1]), FixToInt(Ky[1])};
    DrawTexturedQuadMemImg(dest, src, pts, transparent, blendImage);
    return;
  }

  if (Ky[0] == Ky[1] && Ky[1] == Ky[2] && Ky[2] == Ky[3]) return;
  const float inv = 1.0f / scale;
  RotatedScanner::Params s;
  s.dudx = (uint32_t)TruncFloat((float)C * inv);
  s.dvdx = (uint32_t)TruncFloat((float)Sn * inv);

  int32_t minX = Kx[0], maxX = Kx[0], minY = Ky[0], maxY = Ky[0];
  for (int i = 1; i < 4; ++i) {
    minX = std::min(minX, Kx[i]);
    maxX = std::max(maxX, Kx[i]);
    minY = std::min(minY, Ky[i]);
    maxY = std::max(maxY, Ky[i]);
  }
  RectI box = {FixToInt(minX) - 2, FixToInt(minY) - 2, FixToInt(maxX) + 4, FixToInt(maxY) + 4};
  RectI clip;
  if (!GetClipRect(dest, &clip)) return;
  ClipRectToRect(&box, &clip);
  if (box.left >= box.right || box.top >= box.bottom) return;
  s.W = box.right - box.left;
  s.H = box.bottom - box.top;

  const int32_t halfW = WrapShl18((int32_t)(w >> 1)), halfH = WrapShl18((int32_t)(h >> 1));
  auto uOf = [&](int32_t x, int32_t y) {
    int32_t dx = WrapSub(x, cx), dy = WrapSub(y, cy);
    return (uint32_t)WrapAdd(TruncFloat((float)WrapSub(WrapMul(dx, Cn), WrapMul(dy, Sn)) * inv), halfW);
  };
  auto vOf = [&](int32_t x, int32_t y) {
    int32_t dx = WrapSub(x, cx), dy = WrapSub(y, cy);
    return (uint32_t)WrapAdd(TruncFloat((float)WrapAdd(WrapMul(dy, Cn), WrapMul(dx, Sn)) * inv), halfH);
  };
  s.U0 = uOf(box.left, box.top);
  s.V0 = vOf(box.left, box.top);
  s.dudy = (uint32_t)((int32_t)(uOf(box.left, box.bottom) - s.U0) / s.H);
  s.dvdy = (uint32_t)((int32_t)(vOf(box.left, box.bottom) - s.V0) / s.H);
  s.uLimit = TexelLimit(src->width);
  s.vLimit = TexelLimit(src->height);

  auto scan = PickTexelScan<RotatedScanner>(src, transparent, blendImage);
  if (scan == nullptr) return;
  FillRowTable(&RotatedSourceRowTable, src, s.vLimit == 0 ? 0 : ((s.vLimit - 1) >> 18) + 1);
  s.srcRows = RotatedSourceRowTable.data();
  s.blendRows = nullptr;
  if (blendImage != nullptr) {
    FillRowTable(&RotatedBlendRowTable, blendImage, s.vLimit == 0 ? 0 : ((s.vLimit - 1) >> 18) + 1);
    s.blendRows = RotatedBlendRowTable.data();
  }
  const int32_t bytes = dest->format == MEMIMG_FORMAT_RGB32 ? 4 : 2;
  s.dest = dest->pixels + (intptr_t)box.top * dest->pitch + (intptr_t)box.left * bytes;
  s.rowAdvance = (intptr_t)dest->pitch - (intptr_t)s.W * bytes;
  s.k = MakeTexelContext(src);
  scan(s);
  MemImgMarkChanged(dest);
}
