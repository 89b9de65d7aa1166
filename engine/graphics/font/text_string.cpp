// The two string back ends for a screen: by software (straight into the target image when nothing
// blends, else composed in the font's own surface and drawn from there) and through the 3-D device.
#include "engine/graphics/font/font.h"

#include <cstring>

#include "engine/graphics/device3d/device3d.h"
#include "engine/graphics/draw/draw_target.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/screen/screen.h"
#include "engine/softrender/graphics_services.h"

namespace {

int NoDisplayObject() { return ScreenDirectDrawInUse() && ScreenSurfaceDevice() == nullptr; }

MemImg* DrawSurfaceImage(const FontRecord* f) {
  Surface2DRecord* s = GetSurface2D(f->drawSurface);
  if (s == nullptr) return nullptr;
  SurfaceDataRecord* data = GetSurfaceDataRecord(int(s->surfaceData));
  return data != nullptr && data->image.pixels != nullptr ? &data->image : nullptr;
}

}  // namespace

int DrawStringSoftware(int x, int y, const char* text, uint32_t color, int font, uint32_t edgeColor, int vertical) {
  if (NoDisplayObject()) return -1;
  FontRecord* f = GetFontRecord(font);
  if (f == nullptr) return -1;
  if (f->textureCache) return DrawStringDispatch3D(x, y, text, color, font, edgeColor, vertical);
  int size[2] = {0, 0};
  if (DrawTextCore(0, 0, 0, 0, 1.0, 1.0, text, 0, nullptr, nullptr, 0, font, 0, -1, vertical, size) < 0) return -1;
  const int w = size[0], h = size[1];
  const int antialiased = f->type & FONT_TYPE_ANTIALIAS;
  const int direct = ScreenActualBitDepth() == 8 || (!antialiased && g_DrawState.blendMode == BLEND_NONE) ||
                     (!antialiased && g_DrawState.blendMode == BLEND_ALPHA && g_DrawState.blendParam == 255);
  if (direct) {
    if (SoftwareDrawOnSoftwareScreen()) {
      MemImg* dest = g_DrawState.maskInEffect ? GetMaskMemImg() : GetDrawTargetMemImg();
      if (dest == nullptr) return -1;
      return DrawTextCore(1, x, y, 0, 1.0, 1.0, text, color, dest, &g_DrawState.drawArea, 1, font, edgeColor, -1,
                          vertical, nullptr) < 0 ? -1 : 0;
    }
    FlushCurrentVertexBuffer();
    if (SoftwareDrawDisplayReady()) EndSceneCurrent();
    const RectI update = {x, y, x + w, y + h};
    if (BeginSoftwareDrawTarget(nullptr, 0, nullptr, &update, 1, &color, &edgeColor) < 0) return -1;
    const int r = DrawTextCore(1, x, y, 0, 1.0, 1.0, text, color, GetSoftwareDrawDestMemImg(), &g_DrawState.drawArea,
                               1, font, edgeColor, -1, vertical, nullptr);
    EndSoftwareDrawTarget();
    return r < 0 ? -1 : 0;
  }
  if (f->drawSurfaceLost && SetupFontCacheGraph(font) != 0) return -1;
  MemImg* work = DrawSurfaceImage(f);
  if (work == nullptr) return -1;
  const RectI savedArea = g_DrawState.drawArea;
  const uint32_t savedBright = g_DrawState.drawBright;
  RectI area = {0, 0, work->width, work->height};
  const RectI extent = {0, 0, w, h};
  ClipRectToRect(&area, &extent);
  g_DrawState.drawArea = area;
  uint32_t key = 0;
  if (!work->alphaFlag) {
    key = work->transparentColor;
    while (key == color || key == edgeColor) ++key;
    work->transparentColor = key;
  }
  FillMemImgRect(work, &area, key);
  if (DrawTextCore(1, 0, 0, 0, 1.0, 1.0, text, color, work, &area, 1, font, edgeColor, -1, vertical, nullptr) < 0) {
    g_DrawState.drawArea = savedArea;
    g_DrawState.drawBright = savedBright;
    return -1;
  }
  RectI shown = {x, y, x + w, y + h};
  ClipRectToRect(&shown, &savedArea);
  g_DrawState.drawArea = shown;
  SetDrawBrightRgb(255, 255, 255);
  const int r = DrawGraphSoftware(x, y, f->drawSurface, 1);
  g_DrawState.drawArea = savedArea;
  SetDrawBrightPacked(savedBright);
  return r < 0 ? -1 : 0;
}

int DrawStringDispatch3D(int x, int y, const char* text, uint32_t color, int font, uint32_t edgeColor,
                         int vertical) {
  FontRecord* f = GetFontRecord(font);
  if (f == nullptr) return -1;
  if (!f->textureCache) return DrawStringSoftware(x, y, text, color, font, edgeColor, vertical);
  if (g_Direct3D.shapesInSoftware) return -1;
  if (SetupFontCacheGraph(font) != 0) return -1;
  return DrawTextCore(1, x, y, 0, 1.0, 1.0, text, color, nullptr, &g_DrawState.drawArea, 1, font, edgeColor,
                      int(std::strlen(text)), vertical, nullptr) < 0 ? -1 : 0;
}
