// The PNG load of a 1024 x 1024 sprite sheet through the engine's loader chain (memory stream,
// every decoder offered in order, the PNG decoder's transforms) against a plain libpng decode of
// the same bytes into one buffer. The ratio of the two times is the chain's overhead.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstring>
#include <vector>

#include "engine/graphics/image/image_loader.h"
#include "tools/common/picture_writer.h"

namespace {

// Placeholder sprites: 64 x 64 cells of flat colour with a shaded disc and a transparent border.
const Bytes& SheetPng() {
  static const Bytes png = [] {
    const int n = 1024;
    Bytes rows(static_cast<size_t>(n) * n * 4);
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        uint8_t* p = &rows[(static_cast<size_t>(y) * n + x) * 4];
        const int cx = x % 64 - 32, cy = y % 64 - 32, cell = (x / 64) + (y / 64) * 16;
        const bool inside = cx * cx + cy * cy < 28 * 28;
        p[0] = static_cast<uint8_t>(inside ? 40 + (cell * 13) % 200 : 0);
        p[1] = static_cast<uint8_t>(inside ? 255 - (cx + 32) * 3 : 0);
        p[2] = static_cast<uint8_t>(inside ? (cy + 32) * 4 : 0);
        p[3] = inside ? 255 : 0;
      }
    return WritePng(PngSpec{n, n, 8, 6, false, {}, {}, rows});
  }();
  return png;
}

struct MemReader {
  const uint8_t* data;
  size_t size, pos;
};

void ReadFromMemory(png_structp png, png_bytep dst, png_size_t length) {
  MemReader* r = static_cast<MemReader*>(png_get_io_ptr(png));
  if (r->size - r->pos < length) png_error(png, "short");
  std::memcpy(dst, r->data + r->pos, length);
  r->pos += length;
}

void BM_PlainLibpngDecode(benchmark::State& state) {
  const Bytes& file = SheetPng();
  std::vector<uint8_t> pixels(1024 * 1024 * 4);
  std::vector<png_bytep> rows(1024);
  for (int y = 0; y < 1024; ++y) rows[y] = pixels.data() + y * 4096;
  for (auto _ : state) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    MemReader r{file.data(), file.size(), 0};
    if (setjmp(png_jmpbuf(png))) state.SkipWithError("decode failed");
    png_set_read_fn(png, &r, ReadFromMemory);
    png_read_info(png, info);
    png_read_update_info(png, info);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t{1024} * 1024 * 4);
}
BENCHMARK(BM_PlainLibpngDecode)->Unit(benchmark::kMillisecond);

void BM_EngineLoadImage(benchmark::State& state) {
  const Bytes& file = SheetPng();
  for (auto _ : state) {
    BaseImage img{};
    if (LoadImageToBaseImage(nullptr, file.data(), static_cast<int>(file.size()), 1, 0, 0, &img, nullptr, nullptr) !=
        0) {
      state.SkipWithError("load failed");
    }
    benchmark::DoNotOptimize(img.pixels);
    FreeBaseImage(&img);
  }
  state.SetBytesProcessed(state.iterations() * int64_t{1024} * 1024 * 4);
}
BENCHMARK(BM_EngineLoadImage)->Unit(benchmark::kMillisecond);

}  // namespace
