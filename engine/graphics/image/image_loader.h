// Picture decoding into base images: the loader chain that offers a stream to each decoder in turn,
// the decoders themselves and the small operations on base images.
#pragma once
#include <cstdint>

#include "engine/base/file_access.h"
#include "engine/graphics/image/color_data.h"

// A decoded picture: colour data, size, pitch and top-down rows of tracked memory it owns. The
// graph transfers take it as it stands.
using BaseImage = PictureImage;

// The device-independent bitmap header followed by its 256-entry palette (blue, green, red, 0).
struct DibInfoHeader {
  uint32_t size;
  int32_t width;
  int32_t height;        // negative: rows run top-down
  uint16_t planes;
  uint16_t bitCount;
  uint32_t compression;
  uint32_t sizeImage;
  int32_t xPelsPerMeter, yPelsPerMeter;
  uint32_t clrUsed, clrImportant;
};
struct DibInfo {
  DibInfoHeader header;
  uint32_t palette[256];
};
static_assert(sizeof(DibInfoHeader) == 40);

// A bitmap made by CreateDibSectionFromBits: a top-down DIB with its own pixels.
struct DibSection {
  DibInfoHeader header;
  uint32_t masks[3];
  int32_t pitch;
  uint8_t* pixels;
};

using ImageDecoder = int (*)(StreamSource* stream, BaseImage* image);
extern const ImageDecoder ImageLoaderTable[];

// Largest pixel buffer a decoder makes; pictures that would need more are refused before anything
// is allocated. The fuzz targets lower it.
extern int64_t g_ImageMaxPixelBytes;

int RunImageLoaders(StreamSource* stream, BaseImage* image);
int LoadImageToBaseImage(const char* fileName, const void* memImage, int memSize, int fromMemory, int dibFlag,
                         int mirror, BaseImage* out, DibInfo** dibHeader, void** dibPixels);

int AllocBaseImagePixels(int width, int height, BaseImage* image);
int FreeBaseImage(BaseImage* image);
int FillBaseImage(BaseImage* image, int red, int green, int blue, int alpha);
uint32_t ReadBaseImagePixel(const BaseImage* image, int x, int y);   // 0xAARRGGBB
int MirrorBaseImage(BaseImage* image);

// 0: the pixels are the image's own buffer; 1: a new buffer; -1: no memory.
int ConvertBaseImageToDib(const BaseImage* image, DibInfo* header, void** pixels, int copyFlag, int bits24);
DibSection* CreateDibSectionFromBits(const DibInfo* header, const void* bits, int mirror, const ColorData* cd);
void DeleteDibSection(DibSection* dib);

// The decoders of the chain: 0 decoded, -1 refused (nothing left allocated in the image).
int DecodeBmpToBaseImage(StreamSource* stream, BaseImage* image);
int DecodeJpegToBaseImage(StreamSource* stream, BaseImage* image);
int DecodePngToBaseImage(StreamSource* stream, BaseImage* image);
int DecodeBgraToBaseImage(StreamSource* stream, BaseImage* image);
int DecodeTgaToBaseImage(StreamSource* stream, BaseImage* image);
int DecodeDdsToBaseImage(StreamSource* stream, BaseImage* image);

// Rows {format number, bit depth, red, green, blue, alpha mask}; the last row's number is 0xFFFFFFFF.
extern const uint32_t DdsFormatTable[][6];

// Helpers the decoders share.
int64_t StreamSizeFromStart(StreamSource* stream);   // size, the stream left at 0; -1 when unknown
bool StreamReadExact(StreamSource* stream, void* dst, size_t bytes);
bool ImagePixelBytesFit(int64_t bytes);                // within 1..g_ImageMaxPixelBytes
// Pictures are at most IMAGE_MAX_SIDE pixels wide and high and IMAGE_MAX_PIXELS pixels in all: a
// few header bytes must not make a tiny file into a picture of hundreds of megabytes.
constexpr int64_t IMAGE_MAX_SIDE = 16384;
constexpr int64_t IMAGE_MAX_PIXELS = int64_t{8192} * 8192;
bool ImageSizeAllowed(int64_t width, int64_t height);
void SetupAlphaColorData32(ColorData* cd);             // A8R8G8B8
