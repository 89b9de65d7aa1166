// Test images built without the graphics folder, and the slow per-pixel reference of the blits.
#pragma once
#include <cstdint>
#include <random>
#include <vector>
#include "engine/graphics/image/mem_img.h"

struct TestImage {
  MemImg img{};
  std::vector<uint8_t> pixels;
  std::vector<uint8_t> skip;
  TestImage() = default;
  TestImage(const TestImage&) = delete;
  TestImage& operator=(const TestImage&) = delete;
};

// Format 0 or 1 (or 2 for a blend image); rows padded by padBytes to test odd pitches.
void MakeImage(TestImage& t, int width, int height, int format, int palette, int alpha, int padBytes = 6);
int ImageBytesPerPixel(const MemImg& img);
void CopyPixels(TestImage& to, const TestImage& from);   // same geometry
// Random pixels, with about one in four equal to the key (or alpha 0 / 255 in equal shares).
void FillRandom(TestImage& t, std::mt19937& rng);

// The reference: every option tested per pixel, every rule written out on its own.
void RefDrawImage(MemImg* dest, const MemImg* src, int32_t x, int32_t y, int32_t transparent,
                  const MemImg* blend, bool mmx);
void RefDrawScaled(MemImg* dest, const MemImg* src, const int32_t rect[4], int32_t transparent,
                   const MemImg* blend, bool mmx);
// The source indices shown along one axis by the scaled walk, by the stepping rules as written.
std::vector<int> RefScaledIndices(int32_t srcSize, int64_t dstSize, int32_t clipOffset, int32_t count,
                                  bool ruleB);
