// PNG pictures through libpng, read from a stream source.
#include "engine/graphics/image/image_loader.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "engine/base/log.h"
#include "engine/base/memory.h"

namespace {

struct PngStreamRecord {
  StreamSource* stream;
  int64_t endPosition;
};

// What the decode allocates, kept outside the frame that sets the jump point so that an error
// return finds it intact.
struct PngWork {
  png_structp png;
  png_infop info;
  PngStreamRecord record;
  png_bytepp rows;
  uint8_t* pixels;
};

void PngErrorToLog(png_structp png, png_const_charp message) {
  LogPrintf("PNG: %s", message);
  png_longjmp(png, 1);
}

void PngWarningToLog(png_structp, png_const_charp message) { LogPrintf("PNG: %s", message); }

void PngReadData(png_structp png, png_bytep dst, png_size_t length) {
  PngStreamRecord* r = static_cast<PngStreamRecord*>(png_get_io_ptr(png));
  StreamSource* s = r->stream;
  const int64_t left = r->endPosition - s->fn.tell(s->handle);
  if (left < static_cast<int64_t>(length)) png_error(png, "Read Error");
  if (s->fn.read(dst, 1, length, s->handle) != length) png_error(png, "Read Error");
}

void SetPngStreamSource(png_structp png, PngStreamRecord* r, StreamSource* s) {
  const int64_t p = s->fn.tell(s->handle);
  s->fn.seek(s->handle, 0, 2);
  r->endPosition = s->fn.tell(s->handle);
  s->fn.seek(s->handle, p, 0);
  r->stream = s;
  png_set_read_fn(png, r, PngReadData);
}

// Deflate gives at most about 1032 bytes out per byte in; a header that promises more image data
// than its stream can hold is refused before the pixels are allocated.
bool PngDataCanFit(png_uint_32 width, png_uint_32 height, int bitDepth, int channels, int64_t streamBytes) {
  const int64_t rowBytes = (static_cast<int64_t>(width) * bitDepth * channels + 7) / 8 + 1;
  const int64_t raw = rowBytes * height;
  return raw <= streamBytes * 1100 + 4096;
}

int DecodePngInner(PngWork* w, StreamSource* s, BaseImage* image) {
  if (setjmp(png_jmpbuf(w->png))) return -1;
  png_structp png = w->png;
  png_infop info = w->info;
  png_set_user_limits(png, 0xFFFF, 0xFFFF);
  SetPngStreamSource(png, &w->record, s);
  png_set_sig_bytes(png, 0);
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
  if (!ImageSizeAllowed(width, height)) {
    LogPrintf("PNG: image size %ux%u refused", width, height);
    return -1;
  }
  if (!PngDataCanFit(width, height, bitDepth, png_get_channels(png, info), w->record.endPosition)) {
    LogPrintf("PNG: image size %ux%u exceeds its data", width, height);
    return -1;
  }

  png_set_strip_16(png);
  png_set_packing(png);
  png_set_packswap(png);
  bool expanded = false;
  if ((colorType == PNG_COLOR_TYPE_GRAY && bitDepth <= 8) || png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_set_expand(png);
    expanded = true;
  }
  png_set_bgr(png);
  if (interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const png_size_t rowBytes = png_get_rowbytes(png, info);
  const int64_t total = static_cast<int64_t>(rowBytes) * height;
  if (rowBytes == 0 || height == 0 || !ImagePixelBytesFit(total)) {
    LogPrintf("PNG: image size %ux%u refused", width, height);
    return -1;
  }
  // The rows are read straight into the picture's own buffer.
  w->rows = static_cast<png_bytepp>(png_malloc_warn(png, sizeof(png_bytep) * height));
  w->pixels = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(total)));
  if (!w->rows || !w->pixels) return -1;
  for (png_uint_32 y = 0; y < height; ++y) w->rows[y] = w->pixels + static_cast<int64_t>(y) * rowBytes;
  png_read_image(png, w->rows);
  png_free(png, w->rows);
  w->rows = nullptr;
  png_read_end(png, nullptr);

  std::memset(image, 0, sizeof(*image));
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->pitch = static_cast<int>(rowBytes);
  ColorData* cd = &image->colorData;
  if (colorType == PNG_COLOR_TYPE_PALETTE && !expanded) {
    SetupPaletteColorData8(cd);
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count) == 0) count = 0;
    for (int i = 0; i < 256; ++i) {
      cd->palette[i] = i < count ? (static_cast<uint32_t>(palette[i].red) << 16) |
                                       (static_cast<uint32_t>(palette[i].green) << 8) | palette[i].blue
                                 : 0;
    }
  } else if (colorType != PNG_COLOR_TYPE_GRAY && colorType != PNG_COLOR_TYPE_GRAY_ALPHA) {
    if (png_get_channels(png, info) == 4) SetupAlphaColorData32(cd);
    else SetupFullColorData24(cd);
  } else if (rowBytes / 2 >= width) {
    // Grey with its alpha sample: the low byte is the grey level, the alpha byte is left unused.
    CreateColorData(cd, 16, 0xFF, 0xFF, 0xFF, 0);
    cd->redShift = cd->greenShift = cd->blueShift = 0;
    cd->redWidth = cd->greenWidth = cd->blueWidth = 8;
    cd->noneMask = 0xFF00;
  } else {
    SetupGrayColorData8(cd);
  }
  image->pixels = w->pixels;
  w->pixels = nullptr;
  return 0;
}

}  // namespace

int DecodePngToBaseImage(StreamSource* s, BaseImage* image) {
  // Streams of other formats are refused without a word from the library.
  uint8_t sig[8];
  if (!StreamReadExact(s, sig, sizeof(sig)) || png_sig_cmp(sig, 0, sizeof(sig)) != 0) return -1;
  s->fn.seek(s->handle, 0, 0);

  PngWork w;
  std::memset(&w, 0, sizeof(w));
  w.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &w, PngErrorToLog, PngWarningToLog);
  if (!w.png) return -1;
  w.info = png_create_info_struct(w.png);
  if (!w.info) {
    png_destroy_read_struct(&w.png, nullptr, nullptr);
    return -1;
  }
  const int res = DecodePngInner(&w, s, image);
  if (w.rows) png_free(w.png, w.rows);
  if (w.pixels) TrackedFree(w.pixels);
  png_destroy_read_struct(&w.png, &w.info, nullptr);
  return res;
}
