// The loader chain, loading into base images (with mirroring and the bitmap form), and the small
// operations on base images.
#include "engine/graphics/image/image_loader.h"

#include <cstring>

#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/graphics/image/convert_blt.h"

const ImageDecoder ImageLoaderTable[] = {
    DecodeBmpToBaseImage, DecodeJpegToBaseImage, DecodePngToBaseImage,
    DecodeBgraToBaseImage, DecodeTgaToBaseImage, DecodeDdsToBaseImage,
    nullptr,
};

int64_t g_ImageMaxPixelBytes = int64_t{1} << 30;

int64_t StreamSizeFromStart(StreamSource* s) {
  if (s->fn.seek(s->handle, 0, 2) != 0) return -1;
  const int64_t size = s->fn.tell(s->handle);
  if (s->fn.seek(s->handle, 0, 0) != 0) return -1;
  return size;
}

// Item size 1 so that plain files, memory streams and archive entries all count bytes.
bool StreamReadExact(StreamSource* s, void* dst, size_t bytes) {
  if (bytes == 0) return true;
  return s->fn.read(dst, 1, bytes, s->handle) == bytes;
}

bool ImageSizeAllowed(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= IMAGE_MAX_SIDE && height <= IMAGE_MAX_SIDE &&
         width * height <= IMAGE_MAX_PIXELS;
}

bool ImagePixelBytesFit(int64_t bytes) { return bytes > 0 && bytes <= g_ImageMaxPixelBytes && bytes <= INT32_MAX; }

void SetupAlphaColorData32(ColorData* cd) {
  SetupFullColorData24(cd);
  cd->bitDepth = 32;
  cd->pixelBytes = 4;
  cd->alphaWidth = 8;
  cd->alphaShift = 24;
  cd->alphaMask = 0xFF000000u;
  UpdateColorDataNoneMask(cd);
}

int RunImageLoaders(StreamSource* stream, BaseImage* image) {
  for (int i = 0; ImageLoaderTable[i]; ++i) {
    stream->fn.seek(stream->handle, 0, 0);
    if (ImageLoaderTable[i](stream, image) == 0) return 0;
    // A decoder that refuses leaves nothing behind; make sure of it for the next one.
    if (image->pixels) FreeBaseImage(image);
  }
  return -1;
}

static int MirrorIntoNewBuffer(BaseImage* image) {
  const int64_t bytes = static_cast<int64_t>(image->pitch) * image->height;
  uint8_t* fresh = bytes > 0 ? static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(bytes))) : nullptr;
  if (!fresh) return -1;
  RectI r{0, 0, image->width, image->height};
  if (ConvertImageBlt(fresh, image->pitch, &image->colorData, image->pixels, image->pitch, &image->colorData, nullptr,
                      0, nullptr, 0, 0, &r, 1, 0, 0, 0, 0, 0, 0) < 0) {
    TrackedFree(fresh);
    return -1;
  }
  TrackedFree(image->pixels);
  image->pixels = fresh;
  return 0;
}

int LoadImageToBaseImage(const char* fileName, const void* memImage, int memSize, int fromMemory, int dibFlag,
                         int mirror, BaseImage* out, DibInfo** dibHeader, void** dibPixels) {
  StreamSource src;
  if (fromMemory) {
    if (!memImage || memSize < 0) return -1;
    src.fn = *GetMemoryStreamFunctions();
    src.handle = MemoryStreamOpen(memImage, static_cast<uint32_t>(memSize));
  } else {
    if (!fileName) return -1;
    src.fn = *GetFileStreamFunctions();
    src.handle = FileOpen(fileName, 0);
  }
  if (src.handle == 0) return -1;
  BaseImage image;
  std::memset(&image, 0, sizeof(image));
  if (RunImageLoaders(&src, &image) != 0) {
    src.fn.close(src.handle);
    return -1;
  }
  // Closing now covers the memory stream at once and the file before the conversions below.
  src.fn.close(src.handle);
  if (mirror == 1 && MirrorIntoNewBuffer(&image) != 0) {
    FreeBaseImage(&image);
    return -1;
  }
  if (dibFlag) {
    DibInfo* info = static_cast<DibInfo*>(TRACKED_CALLOC(sizeof(DibInfo)));
    void* pixels = nullptr;
    int res = info ? ConvertBaseImageToDib(&image, info, &pixels, 0, 0) : -1;
    if (res < 0) {
      FreeBaseImage(&image);
      TrackedFree(info);
      return -1;
    }
    if (res == 1) {
      FreeBaseImage(&image);
    } else {
      std::memset(&image, 0, sizeof(image));   // the caller owns the buffer through the pixels output
    }
    if (dibHeader) *dibHeader = info;
    else TrackedFree(info);
    if (dibPixels) *dibPixels = pixels;
    else TrackedFree(pixels);
  } else if (out) {
    *out = image;
  } else {
    FreeBaseImage(&image);
  }
  return 0;
}

int AllocBaseImagePixels(int width, int height, BaseImage* image) {
  std::memset(image, 0, sizeof(*image));
  SetupFullColorData24(&image->colorData);
  if (!ImageSizeAllowed(width, height)) return -1;
  const int64_t pitch = (static_cast<int64_t>(image->colorData.pixelBytes) * width + 3) & ~int64_t{3};
  if (!ImagePixelBytesFit(pitch * height)) return -1;
  image->pixels = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(pitch * height)));
  if (!image->pixels) return -1;
  image->width = width;
  image->height = height;
  image->pitch = static_cast<int>(pitch);
  return 0;
}

int FreeBaseImage(BaseImage* image) {
  if (!image) return 0;
  if (image->pixels) TrackedFree(image->pixels);
  std::memset(image, 0, sizeof(*image));
  return 0;
}

int FillBaseImage(BaseImage* image, int red, int green, int blue, int alpha) {
  if (!image->pixels) return -1;
  const uint32_t v = MakeColorDataPixel(&image->colorData, red, green, blue, alpha);
  const int bytes = image->colorData.pixelBytes;
  uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                  static_cast<uint8_t>(v >> 24)};
  for (int y = 0; y < image->height; ++y) {
    uint8_t* row = image->pixels + static_cast<int64_t>(y) * image->pitch;
    if (bytes == 1) {
      std::memset(row, b[0], static_cast<size_t>(image->width));
      continue;
    }
    for (int x = 0; x < image->width; ++x) std::memcpy(row + x * bytes, b, static_cast<size_t>(bytes));
  }
  return 0;
}

static uint32_t ChannelTo8(uint32_t v, uint32_t mask, int shift, int width) {
  if (width == 0) return 0;
  uint32_t c = (v & mask) >> shift;
  return width >= 8 ? (c >> (width - 8)) & 0xFF : (c << (8 - width)) & 0xFF;
}

uint32_t ReadBaseImagePixel(const BaseImage* image, int x, int y) {
  if (!image->pixels || x < 0 || y < 0 || x >= image->width || y >= image->height) return 0;
  const ColorData* cd = &image->colorData;
  const uint8_t* p = image->pixels + static_cast<int64_t>(y) * image->pitch + static_cast<int64_t>(x) * cd->pixelBytes;
  uint32_t v = 0;
  switch (cd->pixelBytes) {
    case 1: {
      // A palette entry, or a grey level through its identity palette.
      uint32_t e = cd->palette[p[0]];
      return e & 0xFFFFFF;
    }
    case 2: v = p[0] | (p[1] << 8); break;
    case 3: v = p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16); break;
    case 4: std::memcpy(&v, p, 4); break;
    default: return 0;
  }
  uint32_t out = (ChannelTo8(v, cd->redMask, cd->redShift, cd->redWidth) << 16) |
                 (ChannelTo8(v, cd->greenMask, cd->greenShift, cd->greenWidth) << 8) |
                 ChannelTo8(v, cd->blueMask, cd->blueShift, cd->blueWidth);
  if (cd->alphaWidth != 0) out |= ChannelTo8(v, cd->alphaMask, cd->alphaShift, cd->alphaWidth) << 24;
  return out;
}

int MirrorBaseImage(BaseImage* image) {
  if (image->width == 0 || image->height == 0) return -1;
  const int bytes = image->colorData.pixelBytes;
  if (bytes < 1 || bytes > 4 || !image->pixels) return 0;
  for (int y = 0; y < image->height; ++y) {
    uint8_t* row = image->pixels + static_cast<int64_t>(y) * image->pitch;
    for (int l = 0, r = image->width - 1; l < r; ++l, --r) {
      uint8_t t[4];
      std::memcpy(t, row + l * bytes, static_cast<size_t>(bytes));
      std::memcpy(row + l * bytes, row + r * bytes, static_cast<size_t>(bytes));
      std::memcpy(row + r * bytes, t, static_cast<size_t>(bytes));
    }
  }
  return 0;
}

int ConvertBaseImageToDib(const BaseImage* image, DibInfo* info, void** pixels, int copyFlag, int bits24) {
  const int w = image->width, h = image->height;
  std::memset(info, 0, sizeof(*info));
  info->header.size = 40;
  info->header.width = w;
  info->header.height = -h;
  info->header.planes = 1;
  if (image->colorData.bitDepth == 8 && bits24 == 0) {
    info->header.bitCount = 8;
    std::memcpy(info->palette, image->colorData.palette, sizeof(info->palette));
    const int pitch = (w + 3) & ~3;
    if (copyFlag != 1 && pitch == image->pitch) {
      *pixels = image->pixels;
      return copyFlag;
    }
    uint8_t* fresh = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(pitch) * h));
    if (!fresh) return -1;
    for (int y = 0; y < h; ++y) {
      std::memcpy(fresh + static_cast<int64_t>(y) * pitch, image->pixels + static_cast<int64_t>(y) * image->pitch,
                  static_cast<size_t>(w));
    }
    *pixels = fresh;
    return 1;
  }
  info->header.bitCount = 24;
  const int pitch = ((w + 1) * 3) & ~3;
  const ColorData* cd = &image->colorData;
  const bool plain24 = cd->bitDepth == 24 && cd->redMask == 0xFF0000 && cd->greenMask == 0xFF00 && cd->blueMask == 0xFF;
  if (plain24 && copyFlag != 1 && pitch == image->pitch) {
    *pixels = image->pixels;
    return copyFlag;
  }
  uint8_t* fresh = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(pitch) * h));
  if (!fresh) return -1;
  if (plain24) {
    for (int y = 0; y < h; ++y) {
      std::memcpy(fresh + static_cast<int64_t>(y) * pitch, image->pixels + static_cast<int64_t>(y) * image->pitch,
                  static_cast<size_t>(w) * 3);
    }
  } else {
    ColorData dst;
    SetupFullColorData24(&dst);
    RectI r{0, 0, w, h};
    if (ConvertImageBlt(fresh, pitch, &dst, image->pixels, image->pitch, cd, nullptr, 0, nullptr, 0, 0, &r, 0, 0, 0, 0,
                        0, 0, 0) < 0) {
      TrackedFree(fresh);
      return -1;
    }
  }
  *pixels = fresh;
  return 1;
}

DibSection* CreateDibSectionFromBits(const DibInfo* info, const void* bits, int mirror, const ColorData* cd) {
  const int w = info->header.width;
  const int h = info->header.height < 0 ? -info->header.height : info->header.height;
  if (w <= 0 || h <= 0 || !bits) return nullptr;
  DibSection* dib = static_cast<DibSection*>(TRACKED_CALLOC(sizeof(DibSection)));
  if (!dib) return nullptr;
  dib->header = info->header;
  dib->header.height = -h;
  ColorData dst;
  if (!cd) {
    SetupFullColorData24(&dst);
    dib->header.bitCount = 24;
    dib->header.compression = 0;
  } else if (cd->bitDepth == 16 || (cd->bitDepth >= 25 && info->header.bitCount != 24)) {
    dst = *cd;
    dib->header.bitCount = cd->bitDepth;
    dib->header.compression = 3;
    dib->masks[0] = cd->redMask;
    dib->masks[1] = cd->greenMask;
    dib->masks[2] = cd->blueMask;
  } else {
    dst = *cd;
    dib->header.bitCount = cd->bitDepth;
    dib->header.compression = 0;
  }
  const int64_t pitch = ((static_cast<int64_t>(w) * dib->header.bitCount + 31) / 32) * 4;
  dib->pitch = static_cast<int32_t>(pitch);
  dib->pixels = static_cast<uint8_t*>(TRACKED_CALLOC(static_cast<size_t>(pitch * h)));
  if (!dib->pixels) {
    TrackedFree(dib);
    return nullptr;
  }
  // The source bits are laid out as their header says: its depth with the destination's masks.
  ColorData srcCd = dst;
  if (info->header.bitCount == 24 && dst.bitDepth != 24) SetupFullColorData24(&srcCd);
  const int64_t srcPitch = ((static_cast<int64_t>(w) * info->header.bitCount + 31) / 32) * 4;
  const bool bottomUp = info->header.height > 0;
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = static_cast<const uint8_t*>(bits) + (bottomUp ? (h - 1 - y) : y) * srcPitch;
    RectI r{0, 0, w, 1};
    ConvertImageBlt(dib->pixels + y * pitch, static_cast<int>(pitch), &dst, s, static_cast<int>(srcPitch), &srcCd,
                    nullptr, 0, nullptr, 0, 0, &r, mirror ? 1 : 0, 0, 0, 0, 0, 0, 0);
  }
  return dib;
}

void DeleteDibSection(DibSection* dib) {
  if (!dib) return;
  TrackedFree(dib->pixels);
  TrackedFree(dib);
}
