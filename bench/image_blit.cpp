// Pixels per second of the software image blits against row-by-row memcpy, SDL2's blitter on
// memory surfaces and pixman, for opaque copy, colour key, alpha, add and scaled (32-bit), and
// alpha on 16-bit images (SDL2 only: pixman has no 16-bit alpha modulation of its own). Scaled
// draws double a half-size source into the full size. The engine runs with its widest vector
// kernels, and where named with SSE2 only or none.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <random>
#include <utility>
#include <vector>
#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/mem_img.h"
#include "engine/softrender/image_blit.h"

namespace {

enum Op { kCopy, kKey, kKeySkipData, kAlpha, kAdd, kScaled, kAlpha16 };
constexpr uint32_t kKeyColor = 0x00FF00FF, kKeyColor16 = 0xF81F;

struct Images {
  int w, h, sw, sh, bpp;
  std::vector<uint32_t> src, dst;   // 16-bit images use the first halves
  std::vector<uint8_t> skipBytes;
  MemImg srcImg{}, dstImg{};
  Images(int width, int height, Op op)
      : w(width), h(height), sw(op == kScaled ? width / 2 : width), sh(op == kScaled ? height / 2 : height),
        bpp(op == kAlpha16 ? 2 : 4) {
    src.resize((size_t)sw * sh);
    dst.resize((size_t)w * h);
    std::mt19937 rng(1);
    const int format = bpp == 4 ? MEMIMG_FORMAT_RGB32 : MEMIMG_FORMAT_RGB16;
    // Sprite-like content: a quarter of the pixels keyed out, in runs.
    if (bpp == 4) {
      for (size_t i = 0; i < src.size(); ++i) src[i] = ((i / 7) % 4 == 0) ? kKeyColor : (rng() & 0xFFFFFF) | 0xC0000000;
      for (auto& v : dst) v = rng() & 0xFFFFFF;
    } else {
      uint16_t* s16 = reinterpret_cast<uint16_t*>(src.data());
      for (size_t i = 0; i < (size_t)sw * sh; ++i) s16[i] = ((i / 7) % 4 == 0) ? kKeyColor16 : (uint16_t)rng();
      uint16_t* d16 = reinterpret_cast<uint16_t*>(dst.data());
      for (size_t i = 0; i < (size_t)w * h; ++i) d16[i] = (uint16_t)rng();
    }
    srcImg.magic = dstImg.magic = MEMIMG_MAGIC;
    srcImg.width = sw;
    srcImg.height = sh;
    srcImg.pitch = sw * bpp;
    srcImg.format = dstImg.format = format;
    srcImg.transparentColor = bpp == 4 ? kKeyColor : kKeyColor16;
    srcImg.pixels = reinterpret_cast<uint8_t*>(src.data());
    srcImg.colorData = GetStandardColorData(format, 0, 0);
    skipBytes.resize((size_t)(sw + 5) * sh);
    srcImg.skipData = skipBytes.data();
    if (op == kKeySkipData) BuildMemImgSkipData(&srcImg);
    dstImg.width = w;
    dstImg.height = h;
    dstImg.pitch = w * bpp;
    dstImg.pixels = reinterpret_cast<uint8_t*>(dst.data());
    dstImg.colorData = srcImg.colorData;
  }
};

void SetDraw(int w, int h, int mode, int param) {
  static bool tables = false;
  if (!tables) BuildBlendLookupTables(), tables = true;
  g_DrawState.drawArea = {0, 0, w, h};
  g_DrawState.blendMode = mode;
  g_DrawState.blendParam = param;
  g_DrawState.drawBright = 0xFFFFFF;
  g_SoftBlitMmxFlag = 1;
}

void Count(benchmark::State& st) { st.SetItemsProcessed((int64_t)st.iterations() * st.range(0) * st.range(1)); }

// vector: the engine's vector mode (-1 the widest the processor has, 1 SSE2, 0 none).
void BM_Engine(benchmark::State& st, Op op, int vector) {
  const int w = (int)st.range(0), h = (int)st.range(1);
  Images im(w, h, op);
  const bool alpha = op == kAlpha || op == kAlpha16;
  const int mode = alpha ? BLEND_ALPHA : op == kAdd ? BLEND_ADD : BLEND_NONE;
  SetDraw(w, h, mode, alpha ? 200 : 255);
  g_SoftBlitVectorMode = vector;
  const int transparent = op == kKey || op == kKeySkipData ? 1 : 0;
  const int32_t rect[4] = {0, 0, w, h};
  for (auto _ : st) {
    if (op == kKeySkipData) im.srcImg.skipDataValid = 1;   // a blit never writes its source
    if (op == kScaled) DrawScaledToMemImg(&im.dstImg, &im.srcImg, rect, 0, nullptr);
    else DrawImageToMemImg(&im.dstImg, &im.srcImg, 0, 0, transparent, nullptr);
    benchmark::DoNotOptimize(im.dst.data());
  }
  g_SoftBlitVectorMode = -1;
  Count(st);
}

void BM_Memcpy(benchmark::State& st) {
  const int w = (int)st.range(0), h = (int)st.range(1);
  Images im(w, h, kCopy);
  for (auto _ : st) {
    for (int y = 0; y < h; ++y) std::memcpy(&im.dst[(size_t)y * w], &im.src[(size_t)y * w], (size_t)w * 4);
    benchmark::DoNotOptimize(im.dst.data());
  }
  Count(st);
}

void BM_Sdl(benchmark::State& st, Op op) {
  const int w = (int)st.range(0), h = (int)st.range(1);
  Images im(w, h, op);
  const uint32_t format = im.bpp == 4 ? SDL_PIXELFORMAT_XRGB8888 : SDL_PIXELFORMAT_RGB565;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(im.src.data(), im.sw, im.sh, im.bpp * 8, im.sw * im.bpp, format);
  SDL_Surface* d = SDL_CreateRGBSurfaceWithFormatFrom(im.dst.data(), w, h, im.bpp * 8, w * im.bpp, format);
  const bool alpha = op == kAlpha || op == kAlpha16;
  SDL_SetSurfaceBlendMode(s, alpha ? SDL_BLENDMODE_BLEND : op == kAdd ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_NONE);
  if (alpha) SDL_SetSurfaceAlphaMod(s, 200);
  if (op == kKey) SDL_SetColorKey(s, SDL_TRUE, kKeyColor);
  SDL_Rect dr = {0, 0, w, h};
  for (auto _ : st) {
    SDL_Rect r = dr;
    if (op == kScaled) SDL_BlitScaled(s, nullptr, d, &r);
    else SDL_BlitSurface(s, nullptr, d, &r);
    benchmark::DoNotOptimize(im.dst.data());
  }
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
  Count(st);
}

void BM_Pixman(benchmark::State& st, Op op) {
  const int w = (int)st.range(0), h = (int)st.range(1);
  Images im(w, h, op);
  pixman_image_t* s = pixman_image_create_bits(PIXMAN_x8r8g8b8, im.sw, im.sh, im.src.data(), im.sw * 4);
  pixman_image_t* d = pixman_image_create_bits(PIXMAN_x8r8g8b8, w, h, im.dst.data(), w * 4);
  pixman_image_t* mask = nullptr;
  if (op == kAlpha) {
    pixman_color_t c = {0, 0, 0, (uint16_t)(200 * 257)};
    mask = pixman_image_create_solid_fill(&c);
  }
  if (op == kScaled) {
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
    pixman_image_set_transform(s, &t);
    pixman_image_set_filter(s, PIXMAN_FILTER_NEAREST, nullptr, 0);
  }
  const pixman_op_t pop = op == kAlpha ? PIXMAN_OP_OVER : op == kAdd ? PIXMAN_OP_ADD : PIXMAN_OP_SRC;
  for (auto _ : st) {
    pixman_image_composite32(pop, s, mask, d, 0, 0, 0, 0, 0, 0, w, h);
    benchmark::DoNotOptimize(im.dst.data());
  }
  if (mask) pixman_image_unref(mask);
  pixman_image_unref(s);
  pixman_image_unref(d);
  Count(st);
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (auto [w, h] : {std::pair{32, 32}, {64, 64}, {640, 480}, {2048, 2048}}) b->Args({w, h});
}

}  // namespace

BENCHMARK(BM_Memcpy)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Engine, copy, kCopy, -1)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Sdl, copy, kCopy)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Pixman, copy, kCopy)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Engine, key, kKey, -1)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Engine, key_skipdata, kKeySkipData, -1)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Sdl, key, kKey)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Engine, alpha, kAlpha, -1)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Sdl, alpha, kAlpha)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Pixman, alpha, kAlpha)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Engine, add, kAdd, -1)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Sdl, add, kAdd)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Pixman, add, kAdd)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Engine, scaled, kScaled, -1)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Sdl, scaled, kScaled)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Pixman, scaled, kScaled)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Engine, alpha16, kAlpha16, -1)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Sdl, alpha16, kAlpha16)->Apply(Sizes);
// The same draws with SSE2 kernels only, and with the scalar loops.
void Screen(benchmark::internal::Benchmark* b) { b->Args({640, 480}); }
BENCHMARK_CAPTURE(BM_Engine, alpha_sse2, kAlpha, 1)->Apply(Screen);
BENCHMARK_CAPTURE(BM_Engine, alpha16_sse2, kAlpha16, 1)->Apply(Screen);
BENCHMARK_CAPTURE(BM_Engine, key_sse2, kKey, 1)->Apply(Screen);
BENCHMARK_CAPTURE(BM_Engine, scaled_sse2, kScaled, 1)->Apply(Screen);
BENCHMARK_CAPTURE(BM_Engine, alpha_scalar, kAlpha, 0)->Apply(Screen);
BENCHMARK_CAPTURE(BM_Engine, alpha16_scalar, kAlpha16, 0)->Apply(Screen);
