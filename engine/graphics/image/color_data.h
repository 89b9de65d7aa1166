// Room image/: colour descriptions and pictures (this header), the engine's software image
// (mem_img.h), the converting blit between pixel formats (convert_blt.h) and picture decoding with
// the loader chain (image_loader.h, decode_*.cpp). It uses no other room: only the top headers
// (the draw state's rectangles, the screen's colour facts through graphics_hooks.h), the public
// records of engine/engine.h, the base's log, memory and file access, libpng and libjpeg.
//
// How a pixel value holds its colour: depth, bytes per pixel, and per channel a mask, shift and
// width, plus the bits no channel uses and a 256-entry palette (blue, green, red, 0 per entry).
#pragma once
#include <cstdint>

#include "engine/engine.h"
#include "platform/surface.h"

struct ColorData {
  uint16_t bitDepth;
  uint16_t pixelBytes;
  uint8_t redWidth, greenWidth, blueWidth, alphaWidth;
  uint8_t redShift, greenShift, blueShift, alphaShift;
  uint32_t redMask, greenMask, blueMask, alphaMask;
  uint32_t noneMask;
  uint32_t palette[256];
  uint8_t noneShift, noneWidth;
};

// Standard kinds, indexed by MemImg's pixel format.
enum MemImgPixelFormat : int32_t {
  MEMIMG_FORMAT_RGB16 = 0,    // R5G6B5 (with alpha: 4 bytes, colour word then alpha byte)
  MEMIMG_FORMAT_RGB32 = 1,    // bytes blue, green, red, fourth byte (alpha when present)
  MEMIMG_FORMAT_GRAY8 = 2,    // one 8-bit channel
  MEMIMG_FORMAT_GRAY16 = 3,   // one 16-bit channel
};

// A picture: colour pixels in a colour description, as the decoders make it and the graph transfers
// take it. An alpha picture's red channel is the alpha.
struct PictureImage {
  ColorData colorData;
  int32_t width, height;
  int32_t pitch;
  uint8_t* pixels;
};

int CreateColorData(ColorData* cd, int bits, uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha);
int ColorDataFromPixelFormat(const PixelFormatRecord* pf, ColorData* cd);
void UpdateColorDataNoneMask(ColorData* cd);
uint32_t MakeColorDataPixel(const ColorData* cd, int red, int green, int blue, int alpha);
uint32_t ConvertColorDataPixel(const ColorData* dst, const ColorData* src, uint32_t pixel);
int IsSameColorData(const ColorData* a, const ColorData* b);
void SetupPaletteColorData8(ColorData* cd);
void SetupGrayColorData8(ColorData* cd);
void SetupFullColorData24(ColorData* cd);
int CreatePixelFormatFromMasks(PixelFormatRecord* pf, int bits, uint32_t red, uint32_t green, uint32_t blue,
                               uint32_t alpha);
const ColorData* GetStandardColorData(int kind, int alpha, int palette);   // cached; null for kind > 3
const PixelFormatRecord* GetStandardPixelFormat(int kind, int alpha, int palette);   // null for kind > 3
// The same 32 bytes as the platform surfaces take them.
plat::PixelFormat ToSurfacePixelFormat(const PixelFormatRecord* pf);

// The screen colour of (red, green, blue) in the current screen format, and back.
uint32_t GetScreenColor(int red, int green, int blue);
int SplitScreenColor(uint32_t color, int* red, int* green, int* blue);
