// What the screen-level software draws use of the software geometry, until it lands: the same
// declarations it will offer (engine/softrender/geometry.h), with defaults that draw nothing.
#pragma once
#include <cstdint>
#include "engine/graphics/draw_state.h"
#include "engine/graphics/mem_img.h"

struct GraphRecord;

struct LineRecord {
  int32_t x1, y1, x2, y2;
  uint32_t colour;
  int32_t blendParam;
};

void DrawFilledBoxMemImg(MemImg* dest, const RectI* rect, uint32_t colour);   // rect null: whole image
void DrawLineRecordsMemImg(MemImg* dest, const LineRecord* records, int32_t count);
int DrawScaledGraphSoftware(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2, const GraphRecord* graph,
                            int32_t transparent, int32_t integerFlag, int32_t surface2D);
int DrawFreeQuadSoftware(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                         int32_t x4, int32_t y4, const GraphRecord* graph, int32_t transparent);

// Test hooks: what the defaults were asked to draw.
struct PendingGeometryCalls {
  int filledBoxes, lineLists, lineRecords, scaled, quads;
  int32_t lastQuad[8];
  int32_t lastScaled[4];
  MemImg* lastLineDest;
};
extern PendingGeometryCalls g_PendingGeometryCalls;
