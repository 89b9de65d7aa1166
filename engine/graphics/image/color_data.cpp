// Colour descriptions, pixel packing and conversion, the cached standard descriptions and the
// screen colour operations.
#include "engine/graphics/image/color_data.h"

#include <cstring>

#include "engine/graphics/graphics_hooks.h"

static void MaskShiftWidth(uint32_t mask, uint8_t* shift, uint8_t* width) {
  if (mask == 0) {
    *shift = 0;
    *width = 0;
    return;
  }
  int s = 0;
  while (!(mask & (1u << s))) ++s;
  int w = 0;
  while (s + w < 32 && (mask & (1u << (s + w)))) ++w;
  *shift = static_cast<uint8_t>(s);
  *width = static_cast<uint8_t>(w);
}

static uint32_t AllBits(int bits) { return bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u); }

static void FillFromMasks(ColorData* cd, int bits, int bytes, uint32_t red, uint32_t green, uint32_t blue,
                          uint32_t alpha) {
  cd->bitDepth = static_cast<uint16_t>(bits);
  cd->pixelBytes = static_cast<uint16_t>(bytes);
  cd->redMask = red;
  cd->greenMask = green;
  cd->blueMask = blue;
  cd->alphaMask = alpha;
  MaskShiftWidth(red, &cd->redShift, &cd->redWidth);
  MaskShiftWidth(green, &cd->greenShift, &cd->greenWidth);
  MaskShiftWidth(blue, &cd->blueShift, &cd->blueWidth);
  MaskShiftWidth(alpha, &cd->alphaShift, &cd->alphaWidth);
  cd->noneMask = AllBits(bits) & ~(red | green | blue | alpha);
  MaskShiftWidth(cd->noneMask, &cd->noneShift, &cd->noneWidth);
}

int CreateColorData(ColorData* cd, int bits, uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
  if (!cd) return -1;
  if (bits < 0 || bits > 32) bits = 32;
  FillFromMasks(cd, bits, bits / 8, red, green, blue, alpha);
  return 0;
}

int ColorDataFromPixelFormat(const PixelFormatRecord* pf, ColorData* cd) {
  int bits = pf->rgbBitCount > 32 ? 32 : static_cast<int>(pf->rgbBitCount);
  FillFromMasks(cd, bits, bits >> 3, pf->redMask, pf->greenMask, pf->blueMask, pf->alphaMask);
  return 0;
}

void UpdateColorDataNoneMask(ColorData* cd) {
  if (cd->redWidth + cd->greenWidth + cd->blueWidth + cd->alphaWidth == cd->bitDepth) {
    cd->noneMask = 0;
  } else {
    cd->noneMask = AllBits(cd->bitDepth) & ~(cd->redMask | cd->greenMask | cd->blueMask | cd->alphaMask);
  }
}

// An 8-bit value placed in a channel of the given width: cut down for narrower channels, moved up
// (never by a negative shift) for wider ones.
static uint32_t Fit8(int value, int width) {
  uint32_t v = static_cast<uint32_t>(value) & 0xFFu;
  if (width == 0) return 0;
  if (width <= 8) return v >> (8 - width);
  return v << (width - 8);
}

static uint32_t Place(uint32_t v, int shift) { return shift >= 32 ? 0 : (v << shift); }

uint32_t MakeColorDataPixel(const ColorData* cd, int red, int green, int blue, int alpha) {
  uint32_t p = Place(Fit8(red, cd->redWidth), cd->redShift) | Place(Fit8(green, cd->greenWidth), cd->greenShift) |
               Place(Fit8(blue, cd->blueWidth), cd->blueShift) | cd->noneMask;
  if (cd->alphaWidth != 0) p |= Place(Fit8(alpha, cd->alphaWidth), cd->alphaShift);
  return p;
}

static uint32_t Rescale(uint32_t c, int from, int to) {
  if (to > from) {
    int d = to - from;
    return d >= 32 ? 0 : (c << d);
  }
  int d = from - to;
  return d >= 32 ? 0 : (c >> d);
}

uint32_t ConvertColorDataPixel(const ColorData* dst, const ColorData* src, uint32_t pixel) {
  uint32_t r = Rescale((pixel & src->redMask) >> src->redShift, src->redWidth, dst->redWidth);
  uint32_t g = Rescale((pixel & src->greenMask) >> src->greenShift, src->greenWidth, dst->greenWidth);
  uint32_t b = Rescale((pixel & src->blueMask) >> src->blueShift, src->blueWidth, dst->blueWidth);
  uint32_t a;
  if (src->alphaWidth == 0) {
    a = dst->alphaMask >> dst->alphaShift;
  } else {
    a = Rescale((pixel & src->alphaMask) >> src->alphaShift, src->alphaWidth, dst->alphaWidth);
  }
  return (Place(r, dst->redShift) & dst->redMask) | (Place(g, dst->greenShift) & dst->greenMask) |
         (Place(b, dst->blueShift) & dst->blueMask) | (Place(a, dst->alphaShift) & dst->alphaMask) | dst->noneMask;
}

int IsSameColorData(const ColorData* a, const ColorData* b) {
  return a->bitDepth == b->bitDepth && a->redMask == b->redMask && a->greenMask == b->greenMask &&
                 a->blueMask == b->blueMask && a->alphaMask == b->alphaMask
             ? 1
             : 0;
}

void SetupPaletteColorData8(ColorData* cd) {
  FillFromMasks(cd, 8, 1, 0xFF0000, 0xFF00, 0xFF, 0);
  cd->noneMask = 0xFF000000u;
  MaskShiftWidth(cd->noneMask, &cd->noneShift, &cd->noneWidth);
}

void SetupGrayColorData8(ColorData* cd) {
  SetupPaletteColorData8(cd);
  for (uint32_t i = 0; i < 256; ++i) cd->palette[i] = (i << 16) | (i << 8) | i;
}

void SetupFullColorData24(ColorData* cd) { FillFromMasks(cd, 24, 3, 0xFF0000, 0xFF00, 0xFF, 0); }

int CreatePixelFormatFromMasks(PixelFormatRecord* pf, int bits, uint32_t red, uint32_t green, uint32_t blue,
                               uint32_t alpha) {
  std::memset(pf, 0, sizeof(*pf));
  pf->size = sizeof(PixelFormatRecord);
  pf->flags = 0x40u;
  pf->rgbBitCount = static_cast<uint32_t>(bits);
  pf->redMask = red;
  pf->greenMask = green;
  pf->blueMask = blue;
  pf->alphaMask = alpha;
  return 0;
}

namespace {
struct StandardMasks { int bits; uint32_t r, g, b, a; };
// [kind][alpha][palette] for kinds 0 and 1.
constexpr StandardMasks kStandardMasks[2][2][2] = {
    {{{16, 0xF800, 0x07E0, 0x001F, 0}, {8, 0xF800, 0x07E0, 0x001F, 0}},
     {{32, 0xF800, 0x07E0, 0x001F, 0xFF0000}, {8, 0xF800, 0x07E0, 0x001F, 0xFF0000}}},
    {{{32, 0xFF0000, 0xFF00, 0xFF, 0}, {8, 0xFF0000, 0xFF00, 0xFF, 0}},
     {{32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u}, {8, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u}}},
};

ColorData g_StandardColorData[4][2][2];
bool g_StandardColorDataReady[4][2][2];
PixelFormatRecord g_StandardPixelFormat[4][2][2];
bool g_StandardPixelFormatReady[4][2][2];
}  // namespace

const ColorData* GetStandardColorData(int kind, int alpha, int palette) {
  if (kind < 0 || kind > 3) return nullptr;
  int a = alpha ? 1 : 0, p = palette ? 1 : 0;
  ColorData* cd = &g_StandardColorData[kind][a][p];
  if (!g_StandardColorDataReady[kind][a][p]) {
    std::memset(cd, 0, sizeof(*cd));
    if (kind <= 1) {
      const StandardMasks& m = kStandardMasks[kind][a][p];
      CreateColorData(cd, m.bits, m.r, m.g, m.b, m.a);
    } else {
      int bits = kind == 2 ? 8 : 16;
      uint32_t mask = kind == 2 ? 0xFFu : 0xFFFFu;
      cd->bitDepth = static_cast<uint16_t>(bits);
      cd->pixelBytes = static_cast<uint16_t>(bits / 8);
      cd->redMask = cd->greenMask = cd->blueMask = cd->alphaMask = mask;
      cd->redWidth = cd->greenWidth = cd->blueWidth = cd->alphaWidth = static_cast<uint8_t>(bits);
    }
    g_StandardColorDataReady[kind][a][p] = true;
  }
  return cd;
}

const PixelFormatRecord* GetStandardPixelFormat(int kind, int alpha, int palette) {
  if (kind < 0 || kind > 3) return nullptr;
  int a = alpha ? 1 : 0, p = palette ? 1 : 0;
  PixelFormatRecord* pf = &g_StandardPixelFormat[kind][a][p];
  if (!g_StandardPixelFormatReady[kind][a][p]) {
    std::memset(pf, 0, sizeof(*pf));
    if (kind <= 1) {
      const StandardMasks& m = kStandardMasks[kind][a][p];
      CreatePixelFormatFromMasks(pf, m.bits, m.r, m.g, m.b, m.a);
    } else {
      uint32_t mask = kind == 2 ? 0xFFu : 0xFFFFu;
      pf->rgbBitCount = kind == 2 ? 8 : 16;
      pf->redMask = pf->greenMask = pf->blueMask = pf->alphaMask = mask;
    }
    g_StandardPixelFormatReady[kind][a][p] = true;
  }
  return pf;
}

static_assert(sizeof(PixelFormatRecord) == sizeof(plat::PixelFormat), "pixel formats are 32 bytes");

plat::PixelFormat ToSurfacePixelFormat(const PixelFormatRecord* pf) {
  plat::PixelFormat out;
  std::memcpy(&out, pf, sizeof(out));
  return out;
}

// The colour data screen colours are packed with: a software screen uses the standard layout of
// its depth, otherwise the screen's own.
static const ColorData* ScreenPackingColorData(int depth) {
  if (ScreenIsSoftware()) return GetStandardColorData(depth == 16 ? 0 : 1, 0, 0);
  return ScreenColorDataRecord();
}

uint32_t GetScreenColor(int red, int green, int blue) {
  if (ScreenActualBitDepth() == 8) {
    const uint32_t* pal = ScreenPaletteEntries();
    uint32_t best = 0;
    int64_t bestDist = -1;
    for (uint32_t i = 0; i < 256; ++i) {
      int dr = static_cast<int>((pal[i] >> 16) & 0xFF) - red;
      int dg = static_cast<int>((pal[i] >> 8) & 0xFF) - green;
      int db = static_cast<int>(pal[i] & 0xFF) - blue;
      int64_t d = static_cast<int64_t>(dr) * dr + static_cast<int64_t>(dg) * dg + static_cast<int64_t>(db) * db;
      if (bestDist < 0 || d < bestDist) {
        bestDist = d;
        best = i;
      }
    }
    return best;
  }
  int depth = ScreenActualBitDepth();
  if (depth == 0) depth = 16;
  return MakeColorDataPixel(ScreenPackingColorData(depth), red, green, blue, 0);
}

static int Scale255(uint32_t c, int width) {
  if (width <= 0) return 0;
  uint64_t max = (width >= 32) ? 0xFFFFFFFFull : ((1ull << width) - 1);
  return static_cast<int>(static_cast<uint64_t>(c) * 255 / max);
}

int SplitScreenColor(uint32_t color, int* red, int* green, int* blue) {
  if (ScreenActualBitDepth() == 8) {
    if (color > 255) return -1;
    uint32_t e = ScreenPaletteEntries()[color];
    if (red) *red = static_cast<int>((e >> 16) & 0xFF);
    if (green) *green = static_cast<int>((e >> 8) & 0xFF);
    if (blue) *blue = static_cast<int>(e & 0xFF);
    return 0;
  }
  int depth = ScreenActualBitDepth();
  if (depth == 0) depth = 16;
  const ColorData* cd = ScreenColorDataRecord();
  if (ScreenIsSoftware() && ScreenRequestedBitDepth() != depth) cd = GetStandardColorData(depth == 16 ? 0 : 1, 0, 0);
  if (red) *red = Scale255((color & cd->redMask) >> cd->redShift, cd->redWidth);
  if (green) *green = Scale255((color & cd->greenMask) >> cd->greenShift, cd->greenWidth);
  if (blue) *blue = Scale255((color & cd->blueMask) >> cd->blueShift, cd->blueWidth);
  return 0;
}
