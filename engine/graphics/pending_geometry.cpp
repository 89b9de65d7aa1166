// Defaults for the software geometry until it lands: they only count what they were asked.
#include "engine/graphics/pending_geometry.h"

PendingGeometryCalls g_PendingGeometryCalls;

void DrawFilledBoxMemImg(MemImg*, const RectI*, uint32_t) { ++g_PendingGeometryCalls.filledBoxes; }

void DrawLineRecordsMemImg(MemImg* dest, const LineRecord*, int32_t count) {
  ++g_PendingGeometryCalls.lineLists;
  g_PendingGeometryCalls.lineRecords += count;
  g_PendingGeometryCalls.lastLineDest = dest;
}

int DrawScaledGraphSoftware(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2, const GraphRecord*, int32_t, int32_t,
                            int32_t) {
  ++g_PendingGeometryCalls.scaled;
  int32_t v[4] = {static_cast<int32_t>(x1), static_cast<int32_t>(y1), static_cast<int32_t>(x2), static_cast<int32_t>(y2)};
  for (int i = 0; i < 4; ++i) g_PendingGeometryCalls.lastScaled[i] = v[i];
  return 0;
}

int DrawFreeQuadSoftware(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4, int32_t y4,
                         const GraphRecord*, int32_t) {
  ++g_PendingGeometryCalls.quads;
  int32_t v[8] = {x1, y1, x2, y2, x3, y3, x4, y4};
  for (int i = 0; i < 8; ++i) g_PendingGeometryCalls.lastQuad[i] = v[i];
  return 0;
}
