// The converting blit over a sprite-sheet-sized picture, against memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "engine/graphics/image/convert_blt.h"

namespace {

constexpr int kW = 1024, kH = 1024;

void BM_Memcpy32(benchmark::State& state) {
  std::vector<uint32_t> src(kW * kH, 0x00123456), dst(kW * kH);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size() * 4);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetBytesProcessed(state.iterations() * kW * kH * 4);
}

void BM_PlainCopy32(benchmark::State& state) {
  ColorData cd;
  CreateColorData(&cd, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  std::vector<uint32_t> src(kW * kH, 0x00123456), dst(kW * kH);
  RectI r{0, 0, kW, kH};
  for (auto _ : state) {
    ConvertImageBlt(dst.data(), kW * 4, &cd, src.data(), kW * 4, &cd, nullptr, 0, nullptr, 0, 0, &r, 0, 0, 0, 0, 0, 0,
                    0);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetBytesProcessed(state.iterations() * kW * kH * 4);
}

void BM_Rgb24ToArgbKeyToAlpha(benchmark::State& state) {
  ColorData s, d;
  SetupFullColorData24(&s);
  CreateColorData(&d, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
  std::vector<uint8_t> src(kW * kH * 3, 0x40);
  std::vector<uint32_t> dst(kW * kH);
  RectI r{0, 0, kW, kH};
  for (auto _ : state) {
    ConvertImageBlt(dst.data(), kW * 4, &d, src.data(), kW * 3, &s, nullptr, 0, nullptr, 0, 0, &r, 0, 1, 0x00FF00, 0, 0,
                    0, 0);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetBytesProcessed(state.iterations() * kW * kH * 4);
}

void BM_Argb32ToRgb565(benchmark::State& state) {
  ColorData s, d;
  CreateColorData(&s, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
  CreateColorData(&d, 16, 0xF800, 0x07E0, 0x001F, 0);
  std::vector<uint32_t> src(kW * kH, 0xFF804020);
  std::vector<uint16_t> dst(kW * kH);
  RectI r{0, 0, kW, kH};
  for (auto _ : state) {
    ConvertImageBlt(dst.data(), kW * 2, &d, src.data(), kW * 4, &s, nullptr, 0, nullptr, 0, 0, &r, 0, 0, 0, 0, 0, 0, 0);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetBytesProcessed(state.iterations() * kW * kH * 2);
}

BENCHMARK(BM_Memcpy32);
BENCHMARK(BM_PlainCopy32);
BENCHMARK(BM_Rgb24ToArgbKeyToAlpha);
BENCHMARK(BM_Argb32ToRgb565);

}  // namespace
