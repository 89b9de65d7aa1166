// The engine's software image: pixels in one of four standard formats with size, pitch, colour
// description, transparent colour, optional palette, optional premultiplied image and optional
// skip data (transparent / opaque / partly transparent runs). Software draws read and write it.
#pragma once
#include <cstdint>
#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/color_data.h"

constexpr uint32_t MEMIMG_MAGIC = 0x12345678u;

struct MemImg {
  uint32_t magic;                // MEMIMG_MAGIC while set up
  int32_t width, height;
  int32_t pitch;                 // bytes per row
  int32_t pitchShift;            // log2(pitch) when the pitch is the power of two fitting the row, else -1
  const ColorData* colorData;
  uint32_t transparentColor;     // pixel value or palette index; 0xFFFF on a palette: none
  int32_t format;                // MemImgPixelFormat
  int32_t paletteFlag;
  int32_t paletteCount;
  int32_t alphaFlag;
  int32_t premultipliedValid;
  int32_t skipDataValid;
  int32_t callerOwnedPixels;
  uint32_t* palettePtr;
  uint32_t* paletteCopyPtr;
  uint32_t palette[256];
  uint32_t paletteCopy[256];
  uint8_t* pixels;
  uint8_t* premultiplied;
  uint8_t* skipData;             // (width + 5) x height bytes
};

int SetupMemImg(MemImg* img, int width, int height, int pitch, uint32_t transparentColor, int format,
                int paletteFlag, int alphaFlag, int allocateExtras);
void ReleaseMemImg(MemImg* img);
int IsMemImgInitialized(const MemImg* img);
void SetupMemImgSubRect(MemImg* view, const MemImg* src, int x, int y, int width, int height);
int MemImgPixelBytes(const MemImg* img);
// The converting blit of the rectangle of src (whole src when null) to (x, y) of dst; clipped to
// both images. 0, or -1 when nothing could be copied.
int CopyMemImgConverted(MemImg* dst, const MemImg* src, const RectI* rect, int x, int y);
// Derived data, rebuilt from the pixels; each sets its valid flag. -1 when the image lacks the
// buffer or its format has no such data.
int BuildMemImgSkipData(MemImg* img);
int BuildMemImgPremultiplied(MemImg* img);

// Every writer of an image's pixels calls this, so that derived data (skip data, premultiplied
// image) is never trusted after the pixels changed.
inline void MemImgMarkChanged(MemImg* img) {
  img->skipDataValid = 0;
  img->premultipliedValid = 0;
}
