// Stand-ins for what the software geometry front ends need of the screen and draw-target code
// (software-screen facts, mask image, the draw-target bracket, the unscaled software graph draw),
// and the line-list front end and blend-image look-up built on what exists.
#include <algorithm>
#include "engine/graphics/pending_softrender_services.h"
#include "engine/graphics/graph.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/surface2d.h"
#include "engine/graphics/surface_data.h"
#include "engine/softrender/geometry.h"
#include "engine/softrender/graphics_services.h"

SoftwareScreenStandIn g_SoftwareScreenStandIn = {};

int SoftwareDrawHasDisplay() { return ScreenHasNoDirectDraw() || ScreenSurfaceDevice() != nullptr; }
int SoftwareDrawOnSoftwareScreen() { return ScreenIsSoftware() && ScreenRequestedBitDepth() != 8; }
int SoftwareDrawDisplayReady() { return g_SoftwareScreenStandIn.displayReady; }
MemImg* GetDrawTargetMemImg() { return g_SoftwareScreenStandIn.drawTarget; }
MemImg* GetMaskMemImg() { return g_SoftwareScreenStandIn.mask; }

MemImg* GetBlendGraphMemImg() {
  if (g_DrawState.blendGraph == -1) return nullptr;
  GraphRecord* g = GetGraphRecord(g_DrawState.blendGraph);
  if (g == nullptr || g->create.texture) return nullptr;
  Surface2DRecord* part = GetSurface2D((int)g->parts[0]);
  if (part == nullptr) return nullptr;
  SurfaceDataRecord* data = GetSurfaceDataRecord((int)part->surfaceData);
  if (data == nullptr || data->image.pixels == nullptr) return nullptr;
  return &data->image;
}

int BeginSoftwareDrawTarget(Surface2DRecord*, int, const RectI* sourceRect, const RectI* updateRect, int shape,
                            uint32_t*, uint32_t*) {
  SoftwareScreenStandIn& s = g_SoftwareScreenStandIn;
  ++s.beginCalls;
  s.lastUpdate = updateRect ? *updateRect : RectI{0, 0, 0, 0};
  s.lastSource = sourceRect ? *sourceRect : RectI{0, 0, 0, 0};
  s.lastShape = shape;
  if (s.preparedDest == nullptr || updateRect == nullptr) return -1;
  RectI r = *updateRect;
  ClipRectToRect(&r, &g_DrawState.drawArea);
  return r.left == r.right || r.top == r.bottom ? -1 : 0;
}

int EndSoftwareDrawTarget() {
  ++g_SoftwareScreenStandIn.endCalls;
  return 0;
}

MemImg* GetSoftwareDrawDestMemImg() { return g_SoftwareScreenStandIn.preparedDest; }
MemImg* GetSoftwareDrawSourceMemImg() { return g_SoftwareScreenStandIn.preparedSource; }

int DrawGraphSoftwareF(uint32_t, uint32_t, const GraphRecord*, int, int) {
  ++g_SoftwareScreenStandIn.graphSoftwareCalls;
  return -1;
}

int DrawGraphSoftware(int, int, int, int) {
  ++g_SoftwareScreenStandIn.graphSoftwareCalls;
  return -1;
}

static int32_t Next(int32_t v) { return v == INT32_MAX ? v : v + 1; }

int DrawLineListSoftware(const LineRecord* records, int count) {
  if (!SoftwareDrawHasDisplay()) return -1;
  if (SoftwareDrawOnSoftwareScreen()) {
    DrawLineRecordsMemImg(g_DrawState.maskInEffect ? GetMaskMemImg() : GetDrawTargetMemImg(), records, count);
    return 0;
  }
  FlushCurrentVertexBuffer();
  if (SoftwareDrawDisplayReady()) EndSceneCurrent();
  RectI update = {1000000, 1000000, -1000000, -1000000};
  for (int i = 0; records != nullptr && i < count; ++i) {
    const LineRecord& r = records[i];
    update.left = std::min({update.left, r.x1, r.x2});
    update.top = std::min({update.top, r.y1, r.y2});
    update.right = std::max({update.right, Next(r.x1), Next(r.x2)});
    update.bottom = std::max({update.bottom, Next(r.y1), Next(r.y2)});
  }
  if (BeginSoftwareDrawTarget(nullptr, 0, nullptr, &update, 0, nullptr, nullptr) < 0) return -1;
  DrawLineRecordsMemImg(GetSoftwareDrawDestMemImg(), records, count);
  EndSoftwareDrawTarget();
  return 0;
}
