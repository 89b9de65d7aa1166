// Images and draw state for the geometry tests: images own their pixels in a vector, and every
// test starts from a known draw state (mode 0, untinted, draw area = the given size).
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>
#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/mem_img.h"

struct TestImage {
  MemImg img;
  std::vector<uint8_t> buf;
  std::vector<uint32_t> palette;

  // format 0 (16-bit) or 1 (32-bit); paletted: one byte per pixel with a palette in that format.
  TestImage(int width, int height, int format, bool paletted = false, bool alpha = false, int pad = 3) {
    std::memset(&img, 0, sizeof img);
    img.magic = MEMIMG_MAGIC;
    img.width = width;
    img.height = height;
    int bpp = paletted ? 1 : (format == 1 ? 4 : (alpha ? 4 : 2));
    img.pitch = width * bpp + pad;
    img.pitchShift = -1;
    img.format = format;
    img.paletteFlag = paletted ? 1 : 0;
    img.alphaFlag = alpha ? 1 : 0;
    img.transparentColor = paletted ? 0xFFFF : 0xFFFFFFFF;
    buf.assign((size_t)img.pitch * height + 8, 0);
    img.pixels = buf.data();
    if (paletted) {
      img.paletteCount = 256;
      img.palettePtr = img.palette;
      img.paletteCopyPtr = img.paletteCopy;
    }
  }
  TestImage(const TestImage&) = delete;

  uint8_t* At(int x, int y) {
    int bpp = img.paletteFlag ? 1 : (img.format == 1 ? 4 : (img.alphaFlag ? 4 : 2));
    return img.pixels + (size_t)y * img.pitch + (size_t)x * bpp;
  }
  uint32_t Get(int x, int y) {
    uint8_t* p = At(x, y);
    if (img.paletteFlag) return *p;
    if (img.format == 1) { uint32_t v; std::memcpy(&v, p, 4); return v; }
    uint16_t v; std::memcpy(&v, p, 2); return v;
  }
  void Set(int x, int y, uint32_t v) {
    uint8_t* p = At(x, y);
    if (img.paletteFlag) { *p = (uint8_t)v; return; }
    if (img.format == 1) { std::memcpy(p, &v, 4); return; }
    uint16_t w = (uint16_t)v; std::memcpy(p, &w, 2);
  }
  void SetAlpha16(int x, int y, uint8_t a) { At(x, y)[2] = a; }
  void Fill(uint32_t v) {
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x) Set(x, y, v);
  }
  // The engine keeps every entry in a 32-bit slot; a 16-bit image's entry is the low half.
  void SetPal(int i, uint32_t v) { img.palette[i] = img.format == 1 ? v : (v & 0xFFFF); }
  // Pixel values of the whole image, row by row.
  std::vector<uint32_t> Snapshot() {
    std::vector<uint32_t> out;
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x) out.push_back(Get(x, y));
    return out;
  }
};

inline uint32_t Rgb565(uint32_t r, uint32_t g, uint32_t b) { return (r << 11) | (g << 5) | b; }
inline uint32_t Bgra(uint32_t b, uint32_t g, uint32_t r, uint32_t a = 0) { return b | (g << 8) | (r << 16) | (a << 24); }

inline void ResetGeometryState(int areaW, int areaH) {
  static bool built = false;
  if (!built) {
    BuildBlendLookupTables();
    built = true;
  }
  g_DrawState.blendMode = BLEND_NONE;
  g_DrawState.blendParam = 255;
  g_DrawState.drawBright = 0xFFFFFF;
  g_DrawState.drawArea = {0, 0, areaW, areaH};
  g_DrawState.maskInEffect = 0;
  g_DrawState.blendGraph = -1;
  for (int i = 0; i < 256; ++i) g_BlendWeightTable[i] = (uint8_t)i;
}

inline void SetBlend(int mode, int param) {
  g_DrawState.blendMode = mode;
  g_DrawState.blendParam = param;
}
