// Software images: set-up, release, views, the converting copy between images, and the derived
// skip data and premultiplied image.
#include "engine/graphics/image/mem_img.h"

#include <cstring>

#include "engine/base/memory.h"
#include "engine/graphics/image/convert_blt.h"

static int FormatPixelBytes(int format, int paletteFlag, int alphaFlag) {
  if (paletteFlag) return 1;
  switch (format) {
    case MEMIMG_FORMAT_RGB16: return alphaFlag ? 4 : 2;
    case MEMIMG_FORMAT_RGB32: return 4;
    case MEMIMG_FORMAT_GRAY8: return 1;
    default: return 2;
  }
}

static int PitchShiftFor(int pitch, int rowBytes) {
  if (pitch <= 0 || rowBytes <= 0) return -1;
  int64_t p2 = 1;
  int shift = 0;
  while (p2 < rowBytes) {
    p2 <<= 1;
    ++shift;
  }
  return p2 == pitch ? shift : -1;
}

int SetupMemImg(MemImg* img, int width, int height, int pitch, uint32_t transparentColor, int format,
                int paletteFlag, int alphaFlag, int allocateExtras) {
  if (!img || img->magic == MEMIMG_MAGIC) return -1;
  if (width <= 0 || height <= 0 || format < 0 || format > 3) return -1;
  if (format == MEMIMG_FORMAT_GRAY8 || format == MEMIMG_FORMAT_GRAY16) {
    paletteFlag = 0;
    alphaFlag = 0;
  }
  paletteFlag = paletteFlag ? 1 : 0;
  alphaFlag = (alphaFlag && !paletteFlag) ? 1 : 0;
  const int bytes = FormatPixelBytes(format, paletteFlag, alphaFlag);
  const int64_t rowBytes = static_cast<int64_t>(bytes) * width;
  int64_t p = pitch == -1 ? ((rowBytes + 15) & ~int64_t{15}) : pitch;
  if (p < rowBytes || p > 0x7FFFFFFF) return -1;
  const int64_t size = p * height;
  if (size > 0x7FFFFFFF) return -1;

  img->width = width;
  img->height = height;
  img->pitch = static_cast<int32_t>(p);
  img->pitchShift = PitchShiftFor(img->pitch, pitch == -1 ? static_cast<int>(rowBytes) : pitch);
  img->colorData = GetStandardColorData(format, alphaFlag, paletteFlag);
  img->transparentColor = transparentColor;
  img->format = format;
  img->paletteFlag = paletteFlag;
  img->alphaFlag = alphaFlag;
  img->palettePtr = img->palette;
  img->paletteCopyPtr = img->paletteCopy;
  img->premultipliedValid = 0;
  img->skipDataValid = 0;

  bool allocatedPixels = false;
  if (img->pixels) {
    img->callerOwnedPixels = 1;
  } else {
    img->callerOwnedPixels = 0;
    img->pixels = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(size)));
    if (!img->pixels) return -1;
    allocatedPixels = true;
  }
  if (allocateExtras) {
    bool failed = false;
    uint8_t* pre = nullptr;
    uint8_t* skip = nullptr;
    if (alphaFlag && !img->premultiplied) {
      pre = static_cast<uint8_t*>(TRACKED_CALLOC(static_cast<size_t>(size)));
      failed = failed || !pre;
    }
    if (format != MEMIMG_FORMAT_GRAY8 && !img->skipData) {
      skip = static_cast<uint8_t*>(TRACKED_CALLOC(static_cast<size_t>(width + 5) * height));
      failed = failed || !skip;
    }
    if (failed) {
      if (pre) TrackedFree(pre);
      if (skip) TrackedFree(skip);
      if (allocatedPixels) {
        TrackedFree(img->pixels);
        img->pixels = nullptr;
      }
      return -1;
    }
    if (pre) img->premultiplied = pre;
    if (skip) img->skipData = skip;
  }
  img->magic = MEMIMG_MAGIC;
  return 0;
}

void ReleaseMemImg(MemImg* img) {
  if (!img || img->magic != MEMIMG_MAGIC) return;
  if (img->pixels && !img->callerOwnedPixels) TrackedFree(img->pixels);
  if (img->premultiplied) TrackedFree(img->premultiplied);
  if (img->skipData) TrackedFree(img->skipData);
  img->pixels = nullptr;
  img->premultiplied = nullptr;
  img->skipData = nullptr;
  img->magic = 0;
}

int IsMemImgInitialized(const MemImg* img) { return img && img->pixels ? 1 : 0; }

int MemImgPixelBytes(const MemImg* img) { return img->colorData ? img->colorData->pixelBytes : 0; }

void SetupMemImgSubRect(MemImg* view, const MemImg* src, int x, int y, int width, int height) {
  // Kept inside the source, so that a view never reaches past its pixels.
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  if (x > src->width) x = src->width;
  if (y > src->height) y = src->height;
  if (width > src->width - x) width = src->width - x;
  if (height > src->height - y) height = src->height - y;
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  view->magic = MEMIMG_MAGIC;
  view->width = width;
  view->height = height;
  view->pitch = src->pitch;
  view->pitchShift = src->pitchShift;
  view->colorData = src->colorData;
  view->transparentColor = src->transparentColor;
  view->format = src->format;
  view->paletteFlag = src->paletteFlag;
  view->paletteCount = src->paletteCount;
  view->alphaFlag = src->alphaFlag;
  view->premultipliedValid = 0;
  view->skipDataValid = 0;
  view->callerOwnedPixels = 0;
  view->palettePtr = src->palettePtr;
  view->paletteCopyPtr = src->paletteCopyPtr;
  const int bytes = src->colorData ? src->colorData->pixelBytes : 0;
  view->pixels = src->pixels ? src->pixels + static_cast<int64_t>(y) * src->pitch + static_cast<int64_t>(x) * bytes
                             : nullptr;
  view->premultiplied = nullptr;
  view->skipData = nullptr;
}

// A paletted image converts through its palette, whose entries are in the layout its colour data
// describes.
static const ColorData* BlitColorData(const MemImg* img, ColorData* scratch) {
  if (!img->paletteFlag) return img->colorData;
  std::memcpy(scratch, img->colorData, sizeof(ColorData));
  std::memcpy(scratch->palette, img->palettePtr, sizeof(scratch->palette));
  return scratch;
}

int CopyMemImgConverted(MemImg* dst, const MemImg* src, const RectI* rect, int x, int y) {
  if (!dst || !src || !dst->pixels || !src->pixels) return -1;
  RectI r = rect ? *rect : RectI{0, 0, src->width, src->height};
  RectI whole{0, 0, src->width, src->height};
  NormalizeRect(&r);
  ClipRectToRect(&r, &whole);
  // Clip the destination side too, moving the source rectangle with it.
  if (x < 0) { r.left -= x; x = 0; }
  if (y < 0) { r.top -= y; y = 0; }
  if (r.right - r.left > dst->width - x) r.right = r.left + (dst->width - x);
  if (r.bottom - r.top > dst->height - y) r.bottom = r.top + (dst->height - y);
  if (r.right <= r.left || r.bottom <= r.top) return -1;
  ColorData scratch;
  const ColorData* scd = BlitColorData(src, &scratch);
  int res = ConvertImageBlt(dst->pixels, dst->pitch, dst->colorData, src->pixels, src->pitch, scd, nullptr, 0, nullptr,
                            x, y, &r, 0, 0, 0, g_DrawState.reductionMode, 0, 0, 0);
  MemImgMarkChanged(dst);
  return res < 0 ? -1 : 0;
}

int BuildMemImgSkipData(MemImg* img) {
  img->skipDataValid = 0;
  if (!img->skipData || !img->pixels || (img->format != MEMIMG_FORMAT_RGB16 && img->format != MEMIMG_FORMAT_RGB32)) {
    return -1;
  }
  const int bytes = MemImgPixelBytes(img);
  uint8_t* out = img->skipData;
  for (int y = 0; y < img->height; ++y) {
    const uint8_t* row = img->pixels + static_cast<int64_t>(y) * img->pitch;
    int runClass = -1, runLen = 0;
    for (int x = 0; x < img->width; ++x) {
      const uint8_t* p = row + x * bytes;
      int cls;
      if (img->alphaFlag) {
        uint8_t a = img->format == MEMIMG_FORMAT_RGB16 ? p[2] : p[3];
        cls = a == 0 ? 0 : (a == 255 ? 1 : 2);
      } else {
        uint32_t v;
        if (img->paletteFlag) v = p[0];
        else if (bytes == 2) v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8);
        else std::memcpy(&v, p, 4);
        cls = v == img->transparentColor ? 0 : 1;
      }
      if (cls != runClass || runLen == 64) {
        if (runLen > 0) *out++ = static_cast<uint8_t>((runClass << 6) | (runLen - 1));
        runClass = cls;
        runLen = 0;
      }
      ++runLen;
    }
    if (runLen > 0) *out++ = static_cast<uint8_t>((runClass << 6) | (runLen - 1));
    *out++ = 0xC0;
  }
  img->skipDataValid = 1;
  return 0;
}

int BuildMemImgPremultiplied(MemImg* img) {
  img->premultipliedValid = 0;
  if (!img->premultiplied || !img->pixels || !img->alphaFlag ||
      (img->format != MEMIMG_FORMAT_RGB16 && img->format != MEMIMG_FORMAT_RGB32)) {
    return -1;
  }
  for (int y = 0; y < img->height; ++y) {
    const uint8_t* s = img->pixels + static_cast<int64_t>(y) * img->pitch;
    uint8_t* d = img->premultiplied + static_cast<int64_t>(y) * img->pitch;
    for (int x = 0; x < img->width; ++x, s += 4, d += 4) {
      uint32_t v;
      std::memcpy(&v, s, 4);
      uint32_t out;
      if (img->format == MEMIMG_FORMAT_RGB16) {
        uint32_t c = v & 0xFFFF, a = (v >> 16) & 0xFF;
        out = ((((c & 0xF800) * a) & 0xF80000) | (((c & 0x07E0) * a) & 0x07E000) | (((c & 0x001F) * a) & 0x1F00)) >> 8;
        out |= a << 16;
      } else {
        uint32_t a = v >> 24;
        out = ((((v >> 16) & 0xFF) * a >> 8) << 16) | ((((v >> 8) & 0xFF) * a >> 8) << 8) | ((v & 0xFF) * a >> 8) |
              (a << 24);
      }
      std::memcpy(d, &out, 4);
    }
  }
  img->premultipliedValid = 1;
  return 0;
}
