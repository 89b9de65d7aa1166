// Software geometry: filled boxes, lines and box outlines, textured triangles and quads, the
// rotated and scaled blit, ovals, and the front ends that choose the destination image for each.
// Rasterisers read blend mode, blend parameter, draw bright and draw area from g_DrawState and
// draw nothing (silently) on refusal; front ends return 0, or -1 when they refuse.
#pragma once
#include <cstdint>
#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/mem_img.h"

struct GraphRecord;

// One corner of a textured triangle: destination pixel (the integer names the pixel's centre) and
// source texel.
struct TexturedVertex {
  int32_t x, y, u, v;
};

// One line of a line list; the blend parameter field is carried but never read by the rasteriser.
struct LineRecord {
  int32_t x1, y1, x2, y2;
  uint32_t colour;
  int32_t blendParam;
};

// Packed saturating add and subtract of whole pixels. The masks give up the lowest green and red
// bits so that all channels carry in one word operation.
inline uint32_t AddRgb32Saturating(uint32_t d, uint32_t x) {
  uint32_t sum = (d & 0x00FEFEFFu) + (x & 0x00FEFEFFu);
  uint32_t c = sum & 0x01010100u;
  uint32_t m = c - (c >> 8);
  return m | ((d | x) & 0x00010100u) | sum;
}
inline uint32_t SubRgb32Saturating(uint32_t d, uint32_t x) {
  uint32_t diff = (d | 0x01010100u) - (x & 0xFEFEFEFFu);
  uint32_t c = diff & 0x01010100u;
  uint32_t m = c - (c >> 8);
  return m & diff;
}
inline uint32_t AddRgb565Saturating(uint32_t d, uint32_t x) {
  uint32_t sum = (d & 0xF7DEF7DFu) + (x & 0xF7DEF7DFu);
  uint32_t c = sum & 0x08210820u;
  uint32_t m = c - (c >> 5);
  return (m | ((d | x) & 0x0820u) | sum) & 0xFFFFu;
}
inline uint32_t SubRgb565Saturating(uint32_t d, uint32_t x) {
  uint32_t diff = (d | 0x08210820u) - (x & 0xF7DEF7DFu);
  uint32_t c = diff & 0x08210820u;
  uint32_t m = c - (c >> 5);
  return (m & diff) & 0xFFFFu;
}

// Rasterisers.
void DrawFilledBoxMemImg(MemImg* dest, const RectI* rect, uint32_t colour);   // rect null: whole image
void RasterizeLineMemImg(MemImg* dest, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);
void DrawLineRecordsMemImg(MemImg* dest, const LineRecord* records, int32_t count);
void DrawTexturedTriangleMemImg(MemImg* dest, const MemImg* src, const TexturedVertex* vertices,
                                int32_t transparent, const MemImg* blendImage);
// corners: x, y of the source's top-left, top-right, bottom-left and bottom-right corners.
void DrawTexturedQuadMemImg(MemImg* dest, const MemImg* src, const int32_t* corners,
                            int32_t transparent, const MemImg* blendImage);
void DrawRotatedToMemImg(MemImg* dest, const MemImg* src, int32_t cx, int32_t cy, float angle,
                         float scale, int32_t transparent, int32_t mirror, const MemImg* blendImage);
void DrawOvalMemImg(MemImg* dest, int32_t cx, int32_t cy, int32_t rx, int32_t ry, uint32_t colour,
                    int32_t fill);

// Front ends. Colours are screen colour values in the destination's pixel format.
int DrawFilledBoxSoftware(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);
int DrawBoxOutlineSoftware(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);
int DrawOvalSoftware(int32_t x, int32_t y, int32_t rx, int32_t ry, uint32_t colour, int32_t fill);
// The corners are four 32-bit words: integers when integerFlag is 1, else the bits of floats.
int DrawScaledGraphSoftware(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2, const GraphRecord* graph,
                            int32_t transparent, int32_t integerFlag, int32_t surface2D);
int DrawTexturedTriangleSoftware(const TexturedVertex* vertices, const GraphRecord* graph,
                                 int32_t transparent);
int DrawFreeQuadSoftware(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                         int32_t x4, int32_t y4, const GraphRecord* graph, int32_t transparent);
int DrawFreeQuadSoftwareF(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                          float y4, const GraphRecord* graph, int32_t transparent);
int DrawRotatedGraphSoftware(float x, float y, double scale, double angle, const GraphRecord* graph,
                             int32_t transparent, int32_t mirror);
