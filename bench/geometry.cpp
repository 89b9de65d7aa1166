// Pixels per second of the software geometry (32-bit) against SDL2's software renderer doing the
// same work on a memory surface: rotated and scaled blits (SDL_RenderCopyEx) and textured
// triangles (SDL_RenderGeometry). Counters report destination pixels covered per second.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include <random>
#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/mem_img.h"
#include "engine/softrender/geometry.h"

namespace {

constexpr int kDest = 1024;
constexpr uint32_t kKey = 0x00FF00FFu;

// Sprite-like source: random colours, a quarter keyed out in runs of seven.
void FillSource(uint32_t* px, int w, int h, int pitchPixels) {
  std::mt19937 rng(7);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px[y * pitchPixels + x] = ((x / 7 + y) % 4 == 0) ? kKey : (rng() & 0x00FFFFFFu);
}

struct EngineSetup {
  MemImg dest{}, src{};
  EngineSetup(int w, int h) {
    static bool tables = false;
    if (!tables) {
      BuildBlendLookupTables();
      tables = true;
    }
    SetupMemImg(&dest, kDest, kDest, -1, 0, MEMIMG_FORMAT_RGB32, 0, 0, 0);
    SetupMemImg(&src, w, h, -1, kKey, MEMIMG_FORMAT_RGB32, 0, 0, 0);
    FillSource(reinterpret_cast<uint32_t*>(src.pixels), w, h, src.pitch / 4);
    std::memset(dest.pixels, 0, (size_t)dest.pitch * kDest);
    g_DrawState.drawArea = {0, 0, kDest, kDest};
    g_DrawState.drawBright = 0xFFFFFF;
    g_DrawState.blendGraph = -1;
  }
  ~EngineSetup() {
    ReleaseMemImg(&dest);
    ReleaseMemImg(&src);
  }
};

struct SdlSetup {
  SDL_Surface* dest = nullptr;
  SDL_Surface* srcSurface = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  SdlSetup(int w, int h, bool alpha) {
    dest = SDL_CreateRGBSurfaceWithFormat(0, kDest, kDest, 32, SDL_PIXELFORMAT_XRGB8888);
    srcSurface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_XRGB8888);
    FillSource(static_cast<uint32_t*>(srcSurface->pixels), w, h, srcSurface->pitch / 4);
    SDL_SetColorKey(srcSurface, SDL_TRUE, kKey);
    renderer = SDL_CreateSoftwareRenderer(dest);
    texture = SDL_CreateTextureFromSurface(renderer, srcSurface);
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
    if (alpha) SDL_SetTextureAlphaMod(texture, 128);
  }
  ~SdlSetup() {
    SDL_DestroyTexture(texture);
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(srcSurface);
    SDL_FreeSurface(dest);
  }
};

// Arguments: source side, scale in percent, alpha (0: colour-keyed copy, 1: alpha 128).
void BM_RotatedEngine(benchmark::State& state) {
  const int side = (int)state.range(0);
  const float scale = (float)state.range(1) / 100.0f;
  EngineSetup e(side, side);
  g_DrawState.blendMode = state.range(2) ? BLEND_ALPHA : BLEND_NONE;
  g_DrawState.blendParam = state.range(2) ? 128 : 255;
  float angle = 0.1f;
  for (auto _ : state) {
    DrawRotatedToMemImg(&e.dest, &e.src, kDest / 2, kDest / 2, angle, scale, 1, 0, nullptr);
    angle += 0.37f;
    benchmark::ClobberMemory();
  }
  state.counters["px/s"] = benchmark::Counter(double(side) * side * scale * scale * state.iterations(),
                                              benchmark::Counter::kIsRate);
}

void BM_RotatedSdl(benchmark::State& state) {
  const int side = (int)state.range(0);
  const float scale = (float)state.range(1) / 100.0f;
  SdlSetup s(side, side, state.range(2) != 0);
  const float size = side * scale;
  SDL_FRect dst = {kDest / 2 - size / 2, kDest / 2 - size / 2, size, size};
  double angle = 0.1;
  for (auto _ : state) {
    SDL_RenderCopyExF(s.renderer, s.texture, nullptr, &dst, angle * 180.0 / M_PI, nullptr, SDL_FLIP_NONE);
    SDL_RenderFlush(s.renderer);
    angle += 0.37;
    benchmark::ClobberMemory();
  }
  state.counters["px/s"] = benchmark::Counter(double(size) * size * state.iterations(), benchmark::Counter::kIsRate);
}

// A right triangle with legs of the given length, textured 1:1 from the source.
void BM_TriangleEngine(benchmark::State& state) {
  const int leg = (int)state.range(0);
  EngineSetup e(leg, leg);
  g_DrawState.blendMode = state.range(1) ? BLEND_ALPHA : BLEND_NONE;
  g_DrawState.blendParam = state.range(1) ? 128 : 255;
  const int ox = 100, oy = 100;
  TexturedVertex v[3] = {{ox, oy, 0, 0}, {ox + leg, oy, leg, 0}, {ox, oy + leg, 0, leg}};
  for (auto _ : state) {
    DrawTexturedTriangleMemImg(&e.dest, &e.src, v, 1, nullptr);
    benchmark::ClobberMemory();
  }
  state.counters["px/s"] = benchmark::Counter(double(leg) * leg / 2 * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_TriangleSdl(benchmark::State& state) {
  const int leg = (int)state.range(0);
  SdlSetup s(leg, leg, state.range(1) != 0);
  const float ox = 100, oy = 100;
  const SDL_Color white = {255, 255, 255, 255};
  SDL_Vertex v[3] = {{{ox, oy}, white, {0, 0}}, {{ox + leg, oy}, white, {1, 0}}, {{ox, oy + leg}, white, {0, 1}}};
  for (auto _ : state) {
    SDL_RenderGeometry(s.renderer, s.texture, v, 3, nullptr, 0);
    SDL_RenderFlush(s.renderer);
    benchmark::ClobberMemory();
  }
  state.counters["px/s"] = benchmark::Counter(double(leg) * leg / 2 * state.iterations(), benchmark::Counter::kIsRate);
}

void RotatedArgs(benchmark::internal::Benchmark* b) {
  for (int alpha : {0, 1})
    for (int side : {64, 256})
      for (int scale : {100, 150}) b->Args({side, scale, alpha});
}
void TriangleArgs(benchmark::internal::Benchmark* b) {
  for (int alpha : {0, 1})
    for (int leg : {64, 256, 640}) b->Args({leg, alpha});
}

BENCHMARK(BM_RotatedEngine)->Apply(RotatedArgs);
BENCHMARK(BM_RotatedSdl)->Apply(RotatedArgs);
BENCHMARK(BM_TriangleEngine)->Apply(TriangleArgs);
BENCHMARK(BM_TriangleSdl)->Apply(TriangleArgs);

}  // namespace
