// The slow reference of the software blits, written from the rules without the engine's loops or
// tables: options are tested per pixel and products are computed, not looked up.
#include <algorithm>
#include <cstring>
#include "blit_test_util.h"
#include "engine/graphics/draw_state.h"

int ImageBytesPerPixel(const MemImg& img) {
  if (img.format == 2) return 1;
  if (img.paletteFlag) return 1;
  if (img.alphaFlag) return 4;
  return img.format == 1 ? 4 : 2;
}

void MakeImage(TestImage& t, int width, int height, int format, int palette, int alpha, int padBytes) {
  t.img = MemImg{};
  t.img.magic = MEMIMG_MAGIC;
  t.img.width = width;
  t.img.height = height;
  t.img.format = format;
  t.img.paletteFlag = palette;
  t.img.alphaFlag = alpha;
  t.img.paletteCount = palette ? 256 : 0;
  t.img.pitch = width * ImageBytesPerPixel(t.img) + padBytes;
  t.img.pitchShift = -1;
  t.img.colorData = GetStandardColorData(format, alpha, palette);
  t.pixels.assign((size_t)t.img.pitch * height, 0);
  t.img.pixels = t.pixels.data();
  t.skip.assign((size_t)(width + 5) * height, 0xEE);
  t.img.skipData = t.skip.data();
  t.img.palettePtr = t.img.palette;
  t.img.paletteCopyPtr = t.img.paletteCopy;
}

void CopyPixels(TestImage& to, const TestImage& from) { to.pixels = from.pixels; to.img.pixels = to.pixels.data(); }

void FillRandom(TestImage& t, std::mt19937& rng) {
  MemImg& m = t.img;
  const int bpp = ImageBytesPerPixel(m);
  for (auto& b : t.pixels) b = (uint8_t)rng();
  if (m.paletteFlag) {
    for (int i = 0; i < 256; ++i) {
      // 16-bit entries get random upper halves too, which the blits must ignore.
      m.palette[i] = rng();
    }
  }
  for (int y = 0; y < m.height; ++y) {
    for (int x = 0; x < m.width; ++x) {
      uint8_t* p = m.pixels + (size_t)m.pitch * y + (size_t)x * bpp;
      uint32_t r = rng() % 8;
      if (m.format == 2) continue;
      if (m.alphaFlag) {
        uint8_t& a = p[m.format == 1 ? 3 : 2];
        if (r < 2) a = 0;
        else if (r < 4) a = 255;
      } else if (r < 2) {
        uint32_t k = m.transparentColor;
        std::memcpy(p, &k, (size_t)bpp);
      }
    }
  }
}

namespace {

struct Fields {
  int n;
  int shift[3], width[3];
};
const Fields kF32 = {3, {0, 8, 16}, {8, 8, 8}};
const Fields kF16 = {3, {0, 5, 11}, {5, 6, 5}};

int64_t FloorDiv(int64_t v, int64_t d) { return v >= 0 ? v / d : -((-v + d - 1) / d); }
uint32_t P(uint32_t a, uint32_t b) { return a * b / 255; }
int32_t N(int32_t a, int32_t k) { return a * k / 255; }   // C++ division truncates toward zero
uint32_t L(uint32_t i, uint32_t m, uint32_t n) { return (i * m + (63 - i) * n) / 63; }

enum Special { kPlainRules, kHalf, kL16, kFullAdd, kFullSub };

struct Rule {
  bool is32;
  int mode;        // after the parameter-255 mapping of alpha
  int p;
  bool tint;
  uint32_t bright;
  Special special;
  bool mmx;
};

uint32_t Field(uint32_t v, const Fields& f, int c) { return (v >> f.shift[c]) & ((1u << f.width[c]) - 1); }
uint32_t BrightByte(const Rule& r, int c) { return (r.bright >> (8 * c)) & 0xFF; }

// Whole-word rules, as given.
uint32_t Add32(uint32_t D, uint32_t U, bool lowBits) {
  uint32_t sum = (D & 0xFEFEFF) + (U & 0xFEFEFF);
  uint32_t carries = sum & 0x1010100;
  uint32_t r = sum | (carries - (carries >> 8));
  return lowBits ? r | ((D | U) & 0x10100) : r;
}
uint32_t Sub32(uint32_t D, uint32_t U) {
  uint32_t diff = (D | 0x1010100) - (U & 0xFEFEFEFF);
  uint32_t keep = diff & 0x1010100;
  return diff & (keep - (keep >> 8));
}
uint32_t Add16(uint32_t D, uint32_t U, bool lowBits) {
  uint32_t sum = (D & 0xF7DF) + (U & 0xF7DF);
  uint32_t carries = sum & 0x10820;
  uint32_t r = sum | (carries - (carries >> 5));
  if (lowBits) r |= (D | U) & 0x0820;
  return r & 0xFFFF;
}
uint32_t Sub16(uint32_t D, uint32_t U) {
  uint32_t diff = (D | 0x10820) - (U & 0xF7DF);
  uint32_t keep = diff & 0x10820;
  return diff & (keep - (keep >> 5)) & 0xFFFF;
}
uint32_t Sat32(uint32_t D, uint32_t S, bool sub) {
  uint32_t r = 0;
  for (int k = 0; k < 4; ++k) {
    int d = (D >> (8 * k)) & 0xFF, s = (S >> (8 * k)) & 0xFF;
    int c = sub ? std::max(d - s, 0) : std::min(d + s, 255);
    r |= (uint32_t)c << (8 * k);
  }
  return r;
}

// One pixel. hasA / hasW: the alpha factor and the blend-image weight take part.
uint32_t Apply(const Rule& r, uint32_t D, uint32_t S, bool hasA, uint32_t a, bool hasW, uint32_t w) {
  const Fields& F = r.is32 ? kF32 : kF16;
  if (!r.is32) {
    D &= 0xFFFF;
    S &= 0xFFFF;
  }
  if (r.special == kHalf) {
    return r.is32 ? ((S >> 1) & 0x7F7F7F) + ((D >> 1) & 0x7F7F7F) : ((S >> 1) & 0x7BEF) + ((D >> 1) & 0x7BEF);
  }
  if (r.special == kFullAdd) {
    if (r.is32) return r.mmx ? Sat32(D, S, false) : Add32(D, S, false);
    return Add16(D, S, false);
  }
  if (r.special == kFullSub) {
    if (r.is32) return r.mmx ? Sat32(D, S, true) : Sub32(D, S);
    return Sub16(D, S);
  }
  if (r.mode == 0 && !r.tint && !hasW && !hasA) return S;

  uint32_t out = r.is32 ? (D & 0xFF000000) : 0;
  uint32_t U = 0;
  for (int c = 0; c < 3; ++c) {
    const int64_t s = Field(S, F, c), d = Field(D, F, c);
    const int64_t t = r.tint ? P(BrightByte(r, c), (uint32_t)s) : s;
    int64_t factor = 1;
    int k = 0;
    if (hasW) factor *= w, ++k;
    if (hasA) factor *= a, ++k;
    int64_t v = 0;
    switch (r.mode) {
      case 0: v = d + FloorDiv((t - d) * factor, (int64_t)1 << (8 * k)); break;
      case 1:
        if (r.special == kL16) v = L((uint32_t)r.p >> 2, (uint32_t)s, (uint32_t)d);
        else if (!r.is32 && k == 0) v = d + N(r.p, (int32_t)(t - d));
        else v = d + FloorDiv((t - d) * factor * r.p, (int64_t)1 << (8 * (k + 1)));
        break;
      case 2:
      case 3: {
        int64_t u;
        if (k == 0) u = P(r.p, (uint32_t)t);
        else if (r.is32) u = (t * factor * r.p) >> (8 * (k + 1));
        else u = P(r.p, (uint32_t)((t * factor) >> (8 * k)));
        U |= (uint32_t)u << F.shift[c];
        continue;
      }
      case 4: v = (d * t * factor) >> (F.width[c] + 8 * k); break;
    }
    out |= (uint32_t)v << F.shift[c];
  }
  if (r.mode == 2) return r.is32 ? Add32(D, U, true) : Add16(D, U, true);
  if (r.mode == 3) return r.is32 ? Sub32(D, U) : Sub16(D, U);
  return out;
}

uint32_t LoadPixel(const MemImg* m, int x, int y, int bytes) {
  uint32_t v = 0;
  std::memcpy(&v, m->pixels + (intptr_t)m->pitch * y + (intptr_t)x * ImageBytesPerPixel(*m), (size_t)bytes);
  return v;
}
void StorePixel(MemImg* m, int x, int y, uint32_t v) {
  std::memcpy(m->pixels + (intptr_t)m->pitch * y + (intptr_t)x * (m->format == 1 ? 4 : 2), &v,
              m->format == 1 ? 4 : 2);
}

struct SrcPixel {
  uint32_t color;   // pixel or palette entry
  uint32_t raw;     // the value keys compare with
  uint32_t alpha;
};
SrcPixel ReadSource(const MemImg* src, int x, int y) {
  SrcPixel p{};
  if (src->paletteFlag) {
    p.raw = LoadPixel(src, x, y, 1);
    p.color = src->palettePtr[p.raw];
    if (src->format == 0) p.color &= 0xFFFF;
  } else if (src->alphaFlag) {
    uint32_t v = LoadPixel(src, x, y, 4);
    p.color = src->format == 1 ? v : v & 0xFFFF;
    p.alpha = src->format == 1 ? v >> 24 : (v >> 16) & 0xFF;
  } else {
    p.raw = p.color = LoadPixel(src, x, y, src->format == 1 ? 4 : 2);
  }
  return p;
}

bool Refused(const MemImg* dest, const MemImg* src) {
  return src->format != dest->format || dest->paletteFlag == 1 || dest->alphaFlag == 1 ||
         (src->format != 0 && src->format != 1);
}

// Mode and special loop for a draw; false when nothing is drawn.
bool ChooseRule(Rule& r, const MemImg* src, bool specialsAllowed, bool blend, bool scaled, bool mmx) {
  r.is32 = src->format == 1;
  r.mode = g_DrawState.blendMode;
  r.p = g_DrawState.blendParam;
  r.bright = g_DrawState.drawBright & 0xFFFFFF;
  r.tint = r.bright != 0xFFFFFF;
  r.special = kPlainRules;
  r.mmx = mmx;
  if (r.mode < 0 || r.mode > 4) return false;
  if ((r.mode == 1 || r.mode == 2) && r.p == 0) return false;
  if (r.mode == 3 && r.p == 0 && !src->paletteFlag) return false;
  if (r.mode == 1 && r.p == 255) r.mode = 0;
  const bool plainSource = specialsAllowed && !blend && !r.tint && !src->alphaFlag;
  if (plainSource && !scaled) {
    if (r.mode == 1 && r.p == 128) r.special = kHalf;
    else if (r.mode == 1 && !r.is32) r.special = kL16;
    else if (r.mode == 2 && r.p == 255) r.special = kFullAdd;
    else if (r.mode == 3 && r.p == 255) r.special = kFullSub;
  }
  if (plainSource && scaled && r.mode == 3 && r.p == 255) r.special = kFullSub;
  return true;
}

enum Fate { kSkip, kPlain, kAlpha };

}  // namespace

void RefDrawImage(MemImg* dest, const MemImg* src, int32_t x, int32_t y, int32_t transparent,
                  const MemImg* blend, bool mmx) {
  if (Refused(dest, src)) return;
  const RectI& A = g_DrawState.drawArea;
  const int64_t l = std::max<int64_t>(x, A.left), t = std::max<int64_t>(y, A.top);
  const int64_t r = std::min<int64_t>((int64_t)x + src->width, A.right);
  const int64_t b = std::min<int64_t>((int64_t)y + src->height, A.bottom);
  if (r <= l || b <= t) return;
  const bool fast = transparent == 1 && src->skipDataValid == 1 && r - l == src->width && b - t == src->height;
  Rule rule;
  if (!ChooseRule(rule, src, !fast, blend != nullptr, false, mmx)) return;
  const bool fullPairs = !rule.is32 && (rule.special == kFullAdd || rule.special == kFullSub);

  auto fateOf = [&](const SrcPixel& p) -> Fate {
    if (fast) {
      // The class the skip data records for this pixel.
      if (src->alphaFlag) return p.alpha == 0 ? kSkip : p.alpha == 255 ? kPlain : kAlpha;
      if (src->paletteFlag) return p.raw == src->transparentColor ? kSkip : kPlain;
      return p.raw == src->transparentColor ? kSkip : kPlain;
    }
    if (src->alphaFlag) {
      if (transparent == 0) return kAlpha;
      if (p.alpha == 255) return kPlain;
      if (p.alpha == 0) return rule.mode == 4 ? kAlpha : kSkip;
      return kAlpha;
    }
    if (transparent == 0) return kPlain;
    if (src->paletteFlag) return p.raw == src->transparentColor ? kSkip : kPlain;
    if (!rule.is32) return p.raw == (src->transparentColor & 0xFFFF) ? kSkip : kPlain;
    return p.raw == src->transparentColor ? kSkip : kPlain;
  };

  for (int64_t dy = t; dy < b; ++dy) {
    for (int64_t dx = l; dx < r; ++dx) {
      const int sx = (int)(dx - x), sy = (int)(dy - y);
      const SrcPixel p = ReadSource(src, sx, sy);
      const Fate fate = fateOf(p);
      if (fate == kSkip) continue;
      uint32_t w = blend ? g_BlendWeightTable[blend->pixels[(intptr_t)blend->pitch * sy + sx]] : 0;
      uint32_t D = LoadPixel(dest, (int)dx, (int)dy, rule.is32 ? 4 : 2);
      if (fullPairs && ((dx - l) % 2 == 0) && dx + 1 < r) {
        // Two pixels as one word, unless one of them is keyed out.
        const SrcPixel p1 = ReadSource(src, sx + 1, sy);
        if (fateOf(p1) == kPlain) {
          uint32_t D1 = LoadPixel(dest, (int)dx + 1, (int)dy, 2);
          uint32_t DD = D | D1 << 16, SS = p.color | p1.color << 16, R;
          if (rule.special == kFullAdd) {
            uint64_t sum = (uint64_t)(SS & 0xF7DEF7DF) + (DD & 0xF7DEF7DF);
            uint32_t kbit = (uint32_t)(sum >> 32), lo = (uint32_t)sum, carries = lo & 0x08210820;
            R = lo | (carries - ((carries >> 5) | (kbit << 27)));
          } else {
            uint32_t a = DD | 0x08210820, bb = SS & 0xF7DEF7DF, diff = a - bb;
            uint32_t e = a < bb ? 0 : 0xF8000000, keep = diff & 0x08210820;
            R = diff & ((keep - (keep >> 5)) | e);
          }
          StorePixel(dest, (int)dx, (int)dy, R & 0xFFFF);
          StorePixel(dest, (int)dx + 1, (int)dy, R >> 16);
          ++dx;
          continue;
        }
      }
      StorePixel(dest, (int)dx, (int)dy, Apply(rule, D, p.color, fate == kAlpha, p.alpha, blend != nullptr, w));
    }
  }
  dest->skipDataValid = 0;
}

std::vector<int> RefScaledIndices(int32_t srcSize, int64_t dstSize, int32_t clipOffset, int32_t count, bool ruleB) {
  const int64_t ratio = (dstSize * 65536) / srcSize;
  int64_t idx = (int64_t)clipOffset * 65536 / ratio;
  int64_t acc = ratio - ((int64_t)clipOffset * 65536 - idx * ratio);
  std::vector<int> out;
  for (int32_t k = 0; k < count; ++k) {
    out.push_back((int)idx);
    acc -= 65536;
    if (acc > 0) continue;
    do {
      ++idx;
      acc += ratio;
    } while (ruleB ? acc < 0 : acc <= 0);
  }
  return out;
}

void RefDrawScaled(MemImg* dest, const MemImg* src, const int32_t rect[4], int32_t transparent,
                   const MemImg* blend, bool mmx) {
  int64_t x1 = rect[0], y1 = rect[1], x2 = rect[2], y2 = rect[3];
  const bool mx = x1 > x2, my = y1 > y2;
  const int64_t left = std::min(x1, x2), right = std::max(x1, x2), top = std::min(y1, y2),
                bottom = std::max(y1, y2);
  if (right == left || bottom == top) return;
  if (right - left == src->width && bottom - top == src->height && !mx && !my) {
    RefDrawImage(dest, src, (int32_t)left, (int32_t)top, transparent, blend, mmx);
    return;
  }
  if (Refused(dest, src)) return;
  if (right - left > 32767 || bottom - top > 32767) return;
  if ((right - left) * 65536 / src->width == 0 || (bottom - top) * 65536 / src->height == 0) return;
  const RectI& A = g_DrawState.drawArea;
  const int64_t cl = std::clamp<int64_t>(left, A.left, A.right), cr = std::clamp<int64_t>(right, A.left, A.right);
  const int64_t ct = std::clamp<int64_t>(top, A.top, A.bottom), cb = std::clamp<int64_t>(bottom, A.top, A.bottom);
  if (cr <= cl || cb <= ct) return;
  Rule rule;
  if (!ChooseRule(rule, src, true, blend != nullptr, true, mmx)) return;
  const bool plainCopy = rule.mode == 0 && !rule.tint && !blend && !src->alphaFlag;
  const bool ruleB = plainCopy || rule.special == kFullSub;
  const std::vector<int> xs = RefScaledIndices(src->width, right - left, (int32_t)(cl - left), (int32_t)(cr - cl), ruleB);
  const std::vector<int> ys = RefScaledIndices(src->height, bottom - top, (int32_t)(ct - top), (int32_t)(cb - ct), ruleB);
  for (int64_t dy = ct; dy < cb; ++dy) {
    for (int64_t dx = cl; dx < cr; ++dx) {
      int sx = xs[dx - cl], sy = ys[dy - ct];
      if (mx) sx = src->width - 1 - sx;
      if (my) sy = src->height - 1 - sy;
      const SrcPixel p = ReadSource(src, sx, sy);
      Fate fate = kPlain;
      if (src->alphaFlag) {
        fate = transparent == 0 ? kAlpha : p.alpha == 0 ? kSkip : p.alpha == 255 ? kPlain : kAlpha;
      } else if (transparent != 0) {
        uint32_t key = src->transparentColor;
        if (!rule.is32 && !src->paletteFlag && plainCopy) key &= 0xFFFF;
        if (p.raw == key) fate = kSkip;
      }
      if (fate == kSkip) continue;
      uint32_t w = blend ? g_BlendWeightTable[blend->pixels[(intptr_t)blend->pitch * sy + sx]] : 0;
      uint32_t D = LoadPixel(dest, (int)dx, (int)dy, rule.is32 ? 4 : 2);
      StorePixel(dest, (int)dx, (int)dy, Apply(rule, D, p.color, fate == kAlpha, p.alpha, blend != nullptr, w));
    }
  }
  dest->skipDataValid = 0;
}
