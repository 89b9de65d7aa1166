// The sprite scenes drawn the same way through every drawing path: a generated PNG sheet of two
// 32 x 32 cells with keyed corners, and draws of them at a point, stretched, mirrored, rotated, by
// four corners, in blend modes 0 to 4 and tinted.
#pragma once
#include <cstdint>
#include <vector>

#include "engine/graphics/draw/draw_dispatch.h"
#include "engine/graphics/operations.h"
#include "tools/common/picture_writer.h"

namespace {

constexpr int kW = 160, kH = 120;
constexpr uint32_t kBack = 0x203040;

inline uint32_t SpriteRgb(int cell, int x, int y) {
  if ((x < 4 && y < 4) || (x > 27 && y > 27)) return 0;   // keyed corners
  return (static_cast<uint32_t>(40 + x * 6 + cell * 3) << 16) | (static_cast<uint32_t>(30 + y * 7) << 8) |
         static_cast<uint32_t>(200 - cell * 50);
}

inline Bytes SheetPng() {
  Bytes rows;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      const uint32_t c = SpriteRgb(x / 32, x % 32, y);
      rows.insert(rows.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
    }
  }
  return WritePng(PngSpec{64, 32, 8, 2, false, {}, {}, rows});
}

using Frame = std::vector<uint32_t>;

inline uint64_t HashFrame(const Frame& f) {
  uint64_t h = 1469598103934665603ull;
  for (uint32_t v : f) {
    for (int i = 0; i < 4; ++i) h = (h ^ ((v >> (8 * i)) & 0xFF)) * 1099511628211ull;
  }
  return h;
}

// Scenes: each draws onto a cleared frame and may use both cells of the sheet.
enum Scene { kAtPoint, kCopies, kStretchedMirrored, kRotated, kFourCorners, kBlends, kTint };

inline void DrawScene(Scene s, int cell0, int cell1) {
  switch (s) {
    case kAtPoint:
      DrawGraphAtPoint(4, 4, cell0, 0);
      DrawGraphAtPoint(44, 4, cell1, 1);
      DrawGraphAtPoint(90, 50, cell0, 1);
      DrawGraphAtPoint(140, 100, cell1, 0);
      break;
    case kCopies:   // 1:1, opaque and keyed, as a stretch to the same size
      DrawGraphStretched(4, 4, 36, 36, cell0, 0);
      DrawGraphStretched(44, 4, 76, 36, cell1, 1);
      DrawGraphStretched(90, 50, 122, 82, cell0, 1);
      DrawGraphStretched(140, 100, 172, 132, cell1, 0);   // clipped at the right and bottom
      break;
    case kStretchedMirrored:
      DrawGraphStretched(4, 4, 68, 68, cell0, 1);
      DrawGraphMirrored(80, 10, cell1, 1);
      DrawGraphStretched(150, 70, 110, 110, cell0, 0);
      break;
    case kRotated:
      DrawGraphRotated(40.0f, 40.0f, 1.0, 0.5, cell0, 1, 0);
      DrawGraphRotated(110.0f, 60.0f, 1.5, -1.2, cell1, 1, 1);
      break;
    case kFourCorners:
      DrawGraphFourCorners(10.0f, 10.0f, 70.0f, 20.0f, 60.0f, 90.0f, 5.0f, 70.0f, cell0, 1);
      DrawGraphFourCorners(90.0f, 10.0f, 150.0f, 10.0f, 150.0f, 42.0f, 90.0f, 42.0f, cell1, 0);
      break;
    case kBlends:
      for (int mode = 0; mode <= 4; ++mode) {
        SetBlendModeState(mode, 160);
        DrawGraphStretched(mode * 32, 40, mode * 32 + 32, 72, mode % 2 ? cell1 : cell0, 1);
      }
      SetBlendModeState(BLEND_NONE, 255);
      break;
    case kTint:
      SetDrawBrightRgb(255, 160, 64);
      DrawGraphStretched(20, 20, 52, 52, cell0, 1);
      SetDrawBrightRgb(255, 255, 255);
      break;
  }
}

inline int Differing(const Frame& a, const Frame& b, int tolerance) {
  int n = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    for (int sh : {0, 8, 16}) {
      const int d = static_cast<int>((a[i] >> sh) & 0xFF) - static_cast<int>((b[i] >> sh) & 0xFF);
      if (d > tolerance || d < -tolerance) {
        ++n;
        break;
      }
    }
  }
  return n;
}

}  // namespace
