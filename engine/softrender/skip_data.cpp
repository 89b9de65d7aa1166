// The skip data writer: per row, runs of at most 64 pixels of one class, then 0xC0.
#include "engine/softrender/image_blit.h"

#include <cstring>

namespace {

// 0 transparent, 1 opaque, 2 partly transparent.
int PixelClass(const MemImg* img, const uint8_t* p) {
  if (img->paletteFlag == 1) return *p == img->transparentColor ? 0 : 1;
  if (img->alphaFlag == 1) {
    uint8_t a = p[img->format == MEMIMG_FORMAT_RGB32 ? 3 : 2];
    return a == 0 ? 0 : a == 255 ? 1 : 2;
  }
  uint32_t v;
  if (img->format == MEMIMG_FORMAT_RGB32) {
    std::memcpy(&v, p, 4);
  } else {
    uint16_t h;
    std::memcpy(&h, p, 2);
    v = h;
  }
  return v == img->transparentColor ? 0 : 1;
}

}  // namespace

int BuildMemImgSkipData(MemImg* img) {
  if (!img || !img->pixels || !img->skipData) return -1;
  if (img->format != MEMIMG_FORMAT_RGB16 && img->format != MEMIMG_FORMAT_RGB32) return -1;
  img->skipDataValid = 0;
  const int bpp = img->paletteFlag == 1 ? 1 : img->alphaFlag == 1 ? 4 : img->format == MEMIMG_FORMAT_RGB32 ? 4 : 2;
  uint8_t* out = img->skipData;
  for (int32_t y = 0; y < img->height; ++y) {
    const uint8_t* row = img->pixels + (intptr_t)img->pitch * y;
    int32_t x = 0;
    while (x < img->width) {
      const int cls = PixelClass(img, row + (intptr_t)x * bpp);
      int32_t n = 1;
      while (n < 64 && x + n < img->width && PixelClass(img, row + (intptr_t)(x + n) * bpp) == cls) ++n;
      *out++ = (uint8_t)((cls << 6) | (n - 1));
      x += n;
    }
    *out++ = 0xC0;
  }
  img->skipDataValid = 1;
  return 0;
}
