// Fuzzes the picture loader chain. The first byte picks the way in: its low three bits 0-5 offer
// the rest to one decoder alone (so each format's mutations stay in reach), 6 and 7 run the whole
// chain from memory, bit 3 asks for the mirrored load and bit 4 for the bitmap form. Every picture
// that decodes is also read back, mirrored and converted, as the graph loading does.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/base/memory.h"
#include "engine/graphics/image/image_loader.h"

namespace {

void Exercise(BaseImage* img) {
  volatile uint32_t sink = 0;
  for (int y = 0; y < img->height; y += 7)
    for (int x = 0; x < img->width; x += 5) sink = sink + ReadBaseImagePixel(img, x, y);
  MirrorBaseImage(img);
  DibInfo info;
  void* bits = nullptr;
  if (ConvertBaseImageToDib(img, &info, &bits, 1, 0) == 1) TrackedFree(bits);
  if (ConvertBaseImageToDib(img, &info, &bits, 1, 1) == 1) TrackedFree(bits);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Pictures beyond 16 MB of pixels are refused here, keeping each run short.
  g_ImageMaxPixelBytes = int64_t{16} << 20;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 22)) return 0;
  const int way = data[0] & 7;
  const uint8_t* body = data + 1;
  const uint32_t n = static_cast<uint32_t>(size - 1);
  BaseImage img;
  std::memset(&img, 0, sizeof(img));
  if (way < 6) {
    StreamSource s{*GetMemoryStreamFunctions(), MemoryStreamOpen(body, n)};
    if (!s.handle) return 0;
    const int res = ImageLoaderTable[way](&s, &img);
    s.fn.close(s.handle);
    if (res == 0) Exercise(&img);
    else if (img.pixels) std::abort();   // a refusal must leave nothing behind
    FreeBaseImage(&img);
    return 0;
  }
  const int mirror = (data[0] >> 3) & 1, dib = (data[0] >> 4) & 1;
  DibInfo* info = nullptr;
  void* bits = nullptr;
  if (LoadImageToBaseImage(nullptr, body, static_cast<int>(n), 1, dib, mirror, &img, &info, &bits) == 0) {
    if (dib) {
      TrackedFree(info);
      TrackedFree(bits);
    } else {
      Exercise(&img);
    }
  }
  FreeBaseImage(&img);
  return 0;
}
