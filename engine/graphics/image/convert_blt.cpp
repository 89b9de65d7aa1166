// The converting blit.
#include "engine/graphics/image/convert_blt.h"

#include <cstring>
#include <vector>

const uint8_t DitherMatrix4x4[4][4] = {
    {0, 8, 2, 10},
    {12, 4, 14, 6},
    {3, 11, 1, 9},
    {15, 7, 13, 5},
};

namespace {

inline uint32_t ReadPx(const uint8_t* p, int bytes) {
  switch (bytes) {
    case 1: return p[0];
    case 2: return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8);
    case 3: return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
    default: {
      uint32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
  }
}

inline void WritePx(uint8_t* p, int bytes, uint32_t v) {
  switch (bytes) {
    case 1: p[0] = static_cast<uint8_t>(v); break;
    case 2: p[0] = static_cast<uint8_t>(v); p[1] = static_cast<uint8_t>(v >> 8); break;
    case 3: p[0] = static_cast<uint8_t>(v); p[1] = static_cast<uint8_t>(v >> 8); p[2] = static_cast<uint8_t>(v >> 16); break;
    default: std::memcpy(p, &v, 4); break;
  }
}

inline uint32_t Ones(int width) { return width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u); }

// A channel value of width s in width d: cut for narrower, spread over the range for wider.
inline uint32_t Widen(uint32_t c, int s, int d) {
  if (s == d) return c;
  if (s > d) return c >> (s - d);
  if (s == 0) return 0;
  uint64_t cc = c;
  uint64_t spread = (cc << (d - s)) + cc * ((1ull << (d - s)) - 1) / ((1ull << s) - 1);
  return static_cast<uint32_t>(spread);
}

inline int PixelBytesOf(const ColorData* cd) {
  int b = cd->bitDepth / 8;
  return b < 1 ? 1 : (b > 4 ? 4 : b);
}

struct Channel {
  uint32_t mask;
  int shift, width;
};

// Width conversion of one channel, through a table when the source width is small enough.
struct ChannelConv {
  int s = 0, d = 0;
  std::vector<uint32_t> table;
  void Init(int from, int to) {
    s = from;
    d = to;
    table.clear();
    if (from <= 12) {
      table.resize(size_t{1} << from);
      for (uint32_t c = 0; c < table.size(); ++c) table[c] = Widen(c, from, to);
    }
  }
  uint32_t operator()(uint32_t c) const { return c < table.size() ? table[c] : Widen(c, s, d); }
};

}  // namespace

int ConvertImageBlt(void* dstPixels, int dstPitch, const ColorData* dstCd, const void* srcPixels, int srcPitch,
                    const ColorData* srcCd, const void* alphaPixels, int alphaPitch, const ColorData* alphaCd,
                    int dstX, int dstY, const RectI* srcRect, int mirror, int keyToAlpha, uint32_t transparentColor,
                    int reductionMode, int colorToBlack, int alphaFromRed, int skipTransparent) {
  if (!dstPixels || !srcPixels || !dstCd || !srcCd || !srcRect) return -1;
  const int w = srcRect->right - srcRect->left;
  const int h = srcRect->bottom - srcRect->top;
  if (w <= 0 || h <= 0) return -1;
  if (!alphaPixels) alphaCd = nullptr;
  if (!alphaCd) alphaPixels = nullptr;

  const int dBytes = PixelBytesOf(dstCd), sBytes = PixelBytesOf(srcCd);
  const int dBits = dstCd->bitDepth, sBits = srcCd->bitDepth;
  if (dBits == 8 && sBits != 8) return -1;

  const uint8_t* src0 = static_cast<const uint8_t*>(srcPixels) + static_cast<int64_t>(srcRect->top) * srcPitch +
                        static_cast<int64_t>(srcRect->left) * sBytes;
  uint8_t* dst0 = static_cast<uint8_t*>(dstPixels) + static_cast<int64_t>(dstY) * dstPitch +
                  static_cast<int64_t>(dstX) * dBytes;

  if (dBits == 8 && sBits == 8) {
    // Palette indices (or one-channel bytes) go over unchanged.
    uint32_t maxIndex = 0;
    for (int y = 0; y < h; ++y) {
      const uint8_t* s = src0 + static_cast<int64_t>(y) * srcPitch;
      uint8_t* d = dst0 + static_cast<int64_t>(y) * dstPitch;
      for (int x = 0; x < w; ++x) {
        uint8_t v = s[x];
        if (skipTransparent && !mirror && v == static_cast<uint8_t>(transparentColor)) continue;
        d[mirror ? (w - 1 - x) : x] = v;
        if (v > maxIndex) maxIndex = v;
      }
    }
    return static_cast<int>(maxIndex);
  }

  const int dw = dstCd->alphaWidth, sw = srcCd->alphaWidth;
  const bool alphaFromSource = dw > 0 && (alphaPixels || sw > 0);
  const bool alphaFromImage = dw > 0 && alphaPixels && sw == 0;
  if (alphaFromSource || dw == 0 || alphaFromRed) keyToAlpha = 0;
  if (alphaFromSource || mirror) skipTransparent = 0;

  const bool sameLayout = dBits == sBits && dstCd->redMask == srcCd->redMask && dstCd->greenMask == srcCd->greenMask &&
                          dstCd->blueMask == srcCd->blueMask && dstCd->alphaMask == srcCd->alphaMask;
  const uint32_t depthMask = Ones(sBits);
  if (sameLayout && !keyToAlpha && !alphaPixels && !colorToBlack && !alphaFromRed && sBits != 8) {
    const uint32_t key = transparentColor & depthMask;
    for (int y = 0; y < h; ++y) {
      const uint8_t* s = src0 + static_cast<int64_t>(y) * srcPitch;
      uint8_t* d = dst0 + static_cast<int64_t>(y) * dstPitch;
      if (!mirror && !skipTransparent) {
        std::memmove(d, s, static_cast<size_t>(w) * sBytes);
        continue;
      }
      for (int x = 0; x < w; ++x) {
        uint32_t v = ReadPx(s + x * sBytes, sBytes);
        if (skipTransparent && v == key) continue;
        WritePx(d + (mirror ? (w - 1 - x) : x) * dBytes, dBytes, v);
      }
    }
    return 0;
  }

  const Channel sc[3] = {{srcCd->redMask, srcCd->redShift, srcCd->redWidth},
                         {srcCd->greenMask, srcCd->greenShift, srcCd->greenWidth},
                         {srcCd->blueMask, srcCd->blueShift, srcCd->blueWidth}};
  const Channel dc[3] = {{dstCd->redMask, dstCd->redShift, dstCd->redWidth},
                         {dstCd->greenMask, dstCd->greenShift, dstCd->greenWidth},
                         {dstCd->blueMask, dstCd->blueShift, dstCd->blueWidth}};
  const int aBytes = alphaCd ? PixelBytesOf(alphaCd) : 0;
  const bool widthChanging = sc[0].width != dc[0].width || sc[1].width != dc[1].width || sc[2].width != dc[2].width ||
                             (alphaFromImage && alphaCd->redWidth != dw);
  const bool reduce = widthChanging && (reductionMode == REDUCE_DITHER || reductionMode == REDUCE_ERROR_CARRY);

  // The key as the destination would hold it.
  uint32_t keyCh[3] = {0, 0, 0};
  if (keyToAlpha) {
    uint32_t k8[3] = {(transparentColor >> 16) & 0xFF, (transparentColor >> 8) & 0xFF, transparentColor & 0xFF};
    for (int i = 0; i < 3; ++i) keyCh[i] = Widen(k8[i], 8, dc[i].width) & Ones(dc[i].width);
  }
  const uint32_t fullAlpha = Ones(dw);
  uint32_t carry[4] = {0, 0, 0, 0};
  ChannelConv conv[3], srcAlphaConv, imageAlphaConv, redToAlphaConv;
  for (int i = 0; i < 3; ++i) conv[i].Init(sc[i].width, dc[i].width);
  if (sw > 0 && dw > 0) srcAlphaConv.Init(sw, dw);
  if (alphaFromImage) imageAlphaConv.Init(alphaCd->redWidth, dw);
  if (alphaFromRed && dw > 0) redToAlphaConv.Init(sc[0].width, dw);

  // Common case without per-pixel options: every source pixel maps to one destination value, so
  // the mapping is tabulated (whole for 16-bit sources, per byte when no channel spans two bytes).
  const uint32_t dstColorMask = dc[0].mask | dc[1].mask | dc[2].mask;
  const uint32_t alphaPlaced = dw > 0 ? ((dstCd->alphaShift >= 32 ? 0 : (fullAlpha << dstCd->alphaShift)) & dstCd->alphaMask) : 0;
  uint32_t keyPlaced = 0;
  for (int i = 0; i < 3; ++i) keyPlaced |= (dc[i].shift >= 32 ? 0 : (keyCh[i] << dc[i].shift)) & dc[i].mask;
  auto place = [&](const uint32_t ch[3], uint32_t alpha) {
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) out |= (dc[i].shift >= 32 ? 0 : (ch[i] << dc[i].shift)) & dc[i].mask;
    if (dw > 0) out |= (dstCd->alphaShift >= 32 ? 0 : (alpha << dstCd->alphaShift)) & dstCd->alphaMask;
    if (dBits == 16 || dBits == 32) out |= dstCd->noneMask;
    return out;
  };
  const bool simple = !reduce && !alphaPixels && !colorToBlack && !alphaFromRed && !skipTransparent && sBits >= 16;
  if (simple && (sBits == 16 ? static_cast<int64_t>(w) * h >= 4096 : true)) {
    const uint32_t sourceAlpha = (sw > 0 && dw > 0) ? 1u : 0u;
    std::vector<uint32_t> table;
    bool perByte = sBits != 16;
    if (perByte) {
      const uint32_t masks[4] = {sc[0].mask, sc[1].mask, sc[2].mask, sourceAlpha ? srcCd->alphaMask : 0u};
      for (uint32_t m : masks) {
        if (m == 0) continue;
        int lo = 0;
        while (!(m & (0xFFu << (lo * 8)))) ++lo;
        if ((m & ~(0xFFu << (lo * 8))) != 0) perByte = false;
      }
    }
    if (perByte) {
      table.assign(4 * 256, 0);
      for (int k = 0; k < sBytes; ++k) {
        for (uint32_t v = 0; v < 256; ++v) {
          const uint32_t px = v << (8 * k);
          uint32_t ch[3];
          for (int i = 0; i < 3; ++i) ch[i] = (sc[i].mask & (0xFFu << (8 * k))) ? conv[i]((px & sc[i].mask) >> sc[i].shift) : 0;
          uint32_t a = (sourceAlpha && (srcCd->alphaMask & (0xFFu << (8 * k)))) ? srcAlphaConv((px & srcCd->alphaMask) >> srcCd->alphaShift) : 0;
          table[k * 256 + v] = place(ch, a) & ~((dBits == 16 || dBits == 32) ? dstCd->noneMask : 0u);
        }
      }
    } else if (sBits == 16) {
      table.resize(65536);
      for (uint32_t px = 0; px < 65536; ++px) {
        uint32_t ch[3];
        for (int i = 0; i < 3; ++i) ch[i] = conv[i]((px & sc[i].mask) >> sc[i].shift);
        uint32_t a = sourceAlpha ? srcAlphaConv((px & srcCd->alphaMask) >> srcCd->alphaShift) : 0;
        table[px] = place(ch, a);
      }
    }
    if (!table.empty()) {
      const uint32_t constant = ((sw == 0) ? alphaPlaced : 0u) | ((dBits == 16 || dBits == 32) ? dstCd->noneMask : 0u);
      for (int y = 0; y < h; ++y) {
        const uint8_t* sp = src0 + static_cast<int64_t>(y) * srcPitch;
        uint8_t* d = dst0 + static_cast<int64_t>(y) * dstPitch;
        for (int x = 0; x < w; ++x, sp += sBytes) {
          uint32_t out;
          if (perByte) {
            out = table[sp[0]] | table[256 + sp[1]] | table[512 + sp[2]] | (sBytes == 4 ? table[768 + sp[3]] : 0u);
          } else {
            out = table[static_cast<uint32_t>(sp[0]) | (static_cast<uint32_t>(sp[1]) << 8)];
          }
          out |= constant;
          if (keyToAlpha) out = (out & ~dstCd->alphaMask) | ((out & dstColorMask) == keyPlaced ? 0u : alphaPlaced);
          WritePx(d + (mirror ? (w - 1 - x) : x) * dBytes, dBytes, out);
        }
      }
      return 0;
    }
  }

  for (int y = 0; y < h; ++y) {
    const uint8_t* s = src0 + static_cast<int64_t>(y) * srcPitch;
    uint8_t* d = dst0 + static_cast<int64_t>(y) * dstPitch;
    const uint8_t* a = alphaPixels ? static_cast<const uint8_t*>(alphaPixels) +
                                         static_cast<int64_t>(srcRect->top + y) * alphaPitch +
                                         static_cast<int64_t>(srcRect->left) * aBytes
                                   : nullptr;
    for (int x = 0; x < w; ++x) {
      uint32_t raw = ReadPx(s + x * sBytes, sBytes);
      if (skipTransparent && raw == (transparentColor & depthMask)) continue;
      uint32_t px = sBits == 8 ? srcCd->palette[raw & 0xFF] : raw;

      uint32_t ch[4];
      uint32_t lost[4] = {0, 0, 0, 0};
      int lostBits[4] = {0, 0, 0, 0};
      for (int i = 0; i < 3; ++i) {
        uint32_t c = (px & sc[i].mask) >> sc[i].shift;
        if (sc[i].width > dc[i].width) {
          lostBits[i] = sc[i].width - dc[i].width;
          lost[i] = c & Ones(lostBits[i]);
        }
        ch[i] = conv[i](c);
      }
      const uint32_t plain[3] = {ch[0], ch[1], ch[2]};
      uint32_t alpha = 0;
      if (alphaFromImage) {
        uint32_t ap = ReadPx(a + x * aBytes, aBytes);
        if (alphaCd->bitDepth == 8) ap = alphaCd->palette[ap & 0xFF];
        uint32_t c = (ap & alphaCd->redMask) >> alphaCd->redShift;
        if (alphaCd->redWidth > dw) {
          lostBits[3] = alphaCd->redWidth - dw;
          lost[3] = c & Ones(lostBits[3]);
        }
        alpha = imageAlphaConv(c);
      } else if (sw == 0) {
        alpha = fullAlpha;
      } else if (dw == 0) {
        alpha = 0;
      } else {
        uint32_t c = (px & srcCd->alphaMask) >> srcCd->alphaShift;
        if (sw > dw) {
          lostBits[3] = sw - dw;
          lost[3] = c & Ones(lostBits[3]);
        }
        alpha = srcAlphaConv(c);
      }
      if (alphaFromRed && dw > 0) {
        alpha = redToAlphaConv((px & sc[0].mask) >> sc[0].shift);
        lostBits[3] = 0;
      }
      ch[3] = alpha;
      if (colorToBlack) ch[0] = ch[1] = ch[2] = 0;

      if (reduce) {
        const int dwid[4] = {dc[0].width, dc[1].width, dc[2].width, dw};
        for (int i = 0; i < 4; ++i) {
          if (lostBits[i] <= 0 || (i < 3 && colorToBlack)) continue;
          uint32_t range = 1u << lostBits[i];
          bool step;
          if (reductionMode == REDUCE_DITHER) {
            uint32_t threshold = (range * DitherMatrix4x4[y & 3][x & 3]) / 16;
            step = lost[i] > threshold;
          } else {
            carry[i] += lost[i];
            step = carry[i] >= range;
            if (step) carry[i] -= range;
          }
          if (step) ch[i] += 1;
          if (ch[i] > Ones(dwid[i])) ch[i] = Ones(dwid[i]);
        }
      }
      if (keyToAlpha) {
        bool isKey = true;
        for (int i = 0; i < 3; ++i)
          if ((plain[i] & Ones(dc[i].width)) != keyCh[i]) isKey = false;
        ch[3] = isKey ? 0 : fullAlpha;
      }

      uint32_t out = 0;
      for (int i = 0; i < 3; ++i) out |= (dc[i].shift >= 32 ? 0 : (ch[i] << dc[i].shift)) & dc[i].mask;
      if (dw > 0) out |= (dstCd->alphaShift >= 32 ? 0 : (ch[3] << dstCd->alphaShift)) & dstCd->alphaMask;
      if (dBits == 16 || dBits == 32) out |= dstCd->noneMask;
      WritePx(d + (mirror ? (w - 1 - x) : x) * dBytes, dBytes, out);
    }
  }
  return 0;
}
