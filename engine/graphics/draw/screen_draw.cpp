// Software draws on whole draw targets: a graph 1:1, a line list, a graph tiled over a rotated and
// scaled grid, clearing the target, copying a rectangle into a graph and saving one as a BMP file.
#include "engine/graphics/draw/draw_target.h"
#include <cmath>
#include <cstring>

#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/base/str_helpers.h"
#include "engine/graphics/draw/draw_dispatch.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/image/convert_blt.h"
#include "engine/graphics/screen/screen.h"
#include "engine/softrender/geometry.h"
#include "engine/softrender/graphics_services.h"
#include "engine/softrender/image_blit.h"
#include "platform/files.h"

namespace {

// Enough tiles per side to cover a screen with 8-pixel tiles at a tenth of their size.
constexpr int kMaxTilesPerSide = 1025;

bool OnSoftwareScreen() { return g_ScreenState.softwareScreen && g_ScreenState.requestedBitDepth != 8; }
bool NoDisplayObject() { return !g_ScreenState.noDirectDraw && !g_ScreenState.device; }

float WordToFloat(uint32_t w) {
  float f;
  std::memcpy(&f, &w, sizeof(f));
  return f;
}

void CloseSceneAndFlush() {
  if (g_ScreenState.screenInitialised) EndSceneCurrent();
  FlushCurrentVertexBuffer();
}

MemImg* SoftwareDestination() {
  if (g_DrawState.maskInEffect) return GetMaskMemImg();
  if (g_DrawState.drawScreen == DRAW_SCREEN_FRONT) LoadFrontScreenToMemImg();
  return GetDrawTargetMemImg();
}

void SetUnusedBits(uint8_t* pixels, int32_t pitch, int width, int height, const ColorData* cd) {
  if (!cd || cd->noneMask == 0 || (cd->pixelBytes != 2 && cd->pixelBytes != 4)) return;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = pixels + static_cast<int64_t>(y) * pitch;
    for (int x = 0; x < width; ++x) {
      if (cd->pixelBytes == 2) {
        uint16_t v;
        std::memcpy(&v, row + x * 2, 2);
        v = static_cast<uint16_t>(v | cd->noneMask);
        std::memcpy(row + x * 2, &v, 2);
      } else {
        uint32_t v;
        std::memcpy(&v, row + x * 4, 4);
        v |= cd->noneMask;
        std::memcpy(row + x * 4, &v, 4);
      }
    }
  }
}

void PutU16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

int DrawGraphSoftware(int x, int y, int surface2D, int transparent) {
  Surface2DRecord* part = GetSurface2D(surface2D);
  if (!part || NoDisplayObject()) return -1;
  SurfaceDataRecord* data = GetSurfaceDataRecord(static_cast<int>(part->surfaceData));
  if (!data) return -1;
  MemImg* blend = GetBlendGraphMemImg();
  if (OnSoftwareScreen()) {
    MemImg view;
    const MemImg* source = &data->image;
    if (part->width != data->width || part->height != data->height) {
      SetupMemImgSubRect(&view, &data->image, part->srcX, part->srcY, part->width, part->height);
      source = &view;
    }
    MemImg* dest = SoftwareDestination();
    if (dest && source->pixels) DrawImageToMemImg(dest, source, x, y, transparent, blend);
    return 0;
  }
  CloseSceneAndFlush();
  RectI clipped{x, y, x + part->width, y + part->height};
  ClipRectToRect(&clipped, &g_DrawState.drawArea);
  if (clipped.left >= clipped.right || clipped.top >= clipped.bottom) return 0;
  RectI source{clipped.left - x, clipped.top - y, clipped.right - x, clipped.bottom - y};
  if (BeginSoftwareDrawTarget(part, 1, &source, &clipped, 0, nullptr, nullptr) < 0) {
    EndSoftwareDrawTarget();
    return -1;
  }
  const SoftwareDrawTarget& t = g_SoftwareDrawTarget;
  if (t.directBlit) {
    plat::SurfRect sr{t.directSourceRect.left, t.directSourceRect.top, t.directSourceRect.right, t.directSourceRect.bottom};
    plat::SurfaceBltFast(t.directTarget, t.directTargetRect.left, t.directTargetRect.top, t.directSource, &sr,
                         transparent ? static_cast<uint32_t>(plat::SURFBLT_KEYSRC) : 0u);
    return 0;
  }
  if (t.destination && t.source) DrawImageToMemImg(t.destination, t.source, x, y, transparent, blend);
  EndSoftwareDrawTarget();
  return 0;
}

int DrawGraphSoftwareF(uint32_t xWord, uint32_t yWord, const GraphRecord* graph, int transparent, int integerFlag) {
  FlushCurrentVertexBuffer();
  if (!graph) return -1;
  int x, y;
  if (integerFlag == 1) {
    x = static_cast<int32_t>(xWord);
    y = static_cast<int32_t>(yWord);
  } else {
    x = TruncToIntIndefinite(WordToFloat(xWord));
    y = TruncToIntIndefinite(WordToFloat(yWord));
  }
  return DrawGraphSoftware(x, y, static_cast<int>(graph->parts[0]), transparent);
}

int DrawLineListSoftware(const LineRecord* records, int count) {
  if (NoDisplayObject()) return -1;
  if (OnSoftwareScreen()) {
    MemImg* dest = SoftwareDestination();
    if (dest) DrawLineRecordsMemImg(dest, records, count);
    return 0;
  }
  FlushCurrentVertexBuffer();
  if (g_ScreenState.screenInitialised) EndSceneCurrent();
  RectI box{1000000, 1000000, -1000000, -1000000};
  for (int i = 0; records && i < count; ++i) {
    const int32_t xs[2] = {records[i].x1, records[i].x2};
    const int32_t ys[2] = {records[i].y1, records[i].y2};
    for (int k = 0; k < 2; ++k) {
      if (xs[k] < box.left) box.left = xs[k];
      if (xs[k] >= box.right) box.right = xs[k] == INT32_MAX ? xs[k] : xs[k] + 1;
      if (ys[k] < box.top) box.top = ys[k];
      if (ys[k] >= box.bottom) box.bottom = ys[k] == INT32_MAX ? ys[k] : ys[k] + 1;
    }
  }
  if (BeginSoftwareDrawTarget(nullptr, 0, nullptr, &box, 0, nullptr, nullptr) < 0) {
    EndSoftwareDrawTarget();
    return -1;
  }
  if (g_SoftwareDrawTarget.destination) DrawLineRecordsMemImg(g_SoftwareDrawTarget.destination, records, count);
  EndSoftwareDrawTarget();
  return 0;
}

void TiledQuadCorners(int px, int py, double rowStepX, double rowStepY, double colStepX, double colStepY,
                      int32_t out[8]) {
  // Top-left, top-right, bottom-left, bottom-right: the order the quad draw maps the graph to.
  out[0] = px;
  out[1] = py;
  out[2] = TruncToIntIndefinite(px + rowStepX);
  out[3] = TruncToIntIndefinite(py + rowStepY);
  out[4] = TruncToIntIndefinite(px + colStepX);
  out[5] = TruncToIntIndefinite(py + colStepY);
  out[6] = TruncToIntIndefinite(px + rowStepX + colStepX);
  out[7] = TruncToIntIndefinite(py + rowStepY + colStepY);
}

int DrawTiledGraphSoftware(int x1, int y1, int x2, int y2, int offsetX, int offsetY, double scale, double angle,
                           const GraphRecord* graph, int transparent) {
  FlushCurrentVertexBuffer();
  // A scale of 0 or below would need endless tiles.
  if (!graph || !(scale > 0.0) || graph->width <= 0 || graph->height <= 0) return 0;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  const int gw = graph->width, gh = graph->height;
  const double dx = static_cast<double>(x2) - x1, dy = static_cast<double>(y2) - y1;
  const double tiles = std::sqrt(dx * dx + dy * dy) / ((gw < gh ? gw : gh) * scale) + 2.0;
  int n = tiles < kMaxTilesPerSide ? static_cast<int>(tiles) : kMaxTilesPerSide;
  if (n % 2 == 0) ++n;

  RectI savedArea = g_DrawState.drawArea;
  RectI area{x1, y1, x2, y2};
  ClipRectToRect(&area, &savedArea);
  g_DrawState.drawArea = area;

  const double c = std::cos(angle), s = std::sin(angle);
  auto rotX = [&](double p, double q) { return p * c - q * s; };
  auto rotY = [&](double p, double q) { return p * s + q * c; };
  const double cx = x1 + dx * 0.5, cy = y1 + dy * 0.5;
  const int u0 = -(offsetX % gw) - (gw * n) / 2;
  const int v0 = -(offsetY % gh) - (gh * n) / 2;
  const double rowStepX = rotX(gw * scale, 0), rowStepY = rotY(gw * scale, 0);
  const double colStepX = rotX(0, gh * scale), colStepY = rotY(0, gh * scale);
  int rowX = TruncToIntIndefinite(cx + rotX(u0 * scale, v0 * scale));
  int rowY = TruncToIntIndefinite(cy + rotY(u0 * scale, v0 * scale));
  for (int j = 0; j < n; ++j) {
    int px = rowX, py = rowY;
    for (int i = 0; i < n; ++i) {
      if (angle == 0.0) {
        DrawScaledGraphSoftware(static_cast<uint32_t>(px), static_cast<uint32_t>(py),
                                static_cast<uint32_t>(TruncToIntIndefinite(px + gw * scale)),
                                static_cast<uint32_t>(TruncToIntIndefinite(py + gh * scale)), graph, transparent, 1, -1);
      } else {
        int32_t q[8];
        TiledQuadCorners(px, py, rowStepX, rowStepY, colStepX, colStepY, q);
        DrawFreeQuadSoftware(q[0], q[1], q[2], q[3], q[4], q[5], q[6], q[7], graph, transparent);
      }
      px = TruncToIntIndefinite(px + rowStepX);
      py = TruncToIntIndefinite(py + rowStepY);
    }
    rowX = TruncToIntIndefinite(rowX + colStepX);
    rowY = TruncToIntIndefinite(rowY + colStepY);
  }
  g_DrawState.drawArea = savedArea;
  return 0;
}

void FillMemImgRect(MemImg* img, const RectI* rect, uint32_t value) {
  if (!img || !img->pixels) return;
  RectI r = rect ? *rect : RectI{0, 0, img->width, img->height};
  RectI bounds{0, 0, img->width, img->height};
  ClipRectToRect(&r, &bounds);
  const int bytes = MemImgPixelBytes(img);
  for (int y = r.top; y < r.bottom; ++y) {
    uint8_t* row = img->pixels + static_cast<int64_t>(y) * img->pitch;
    for (int x = r.left; x < r.right; ++x) {
      uint8_t* p = row + static_cast<int64_t>(x) * bytes;
      if (bytes == 1) {
        *p = static_cast<uint8_t>(value);
      } else if (bytes == 2) {
        uint16_t v = static_cast<uint16_t>(value);
        std::memcpy(p, &v, 2);
      } else {
        std::memcpy(p, &value, 4);
      }
    }
  }
  MemImgMarkChanged(img);
}

int ClearDrawTargetSurfaces() {
  ScreenState& s = g_ScreenState;
  if (NoDisplayObject()) return -1;
  CloseSceneAndFlush();
  if (OnSoftwareScreen()) {
    if (s.targetImage) FillMemImgRect(s.targetImage, nullptr, 0);
    if (s.targetZImage && s.targetZImage->pixels) FillMemImgRect(s.targetZImage, nullptr, 65535);
    return 0;
  }
  const int screen = g_DrawState.drawScreen;
  if (screen != DRAW_SCREEN_BACK && screen != DRAW_SCREEN_FRONT) {
    GraphRecord* g = GetGraphRecord(screen);
    if (!g) return -1;
    if (g->create.texture) return 0;
    Surface2DRecord* part = GetSurface2D(static_cast<int>(g->parts[0]));
    SurfaceDataRecord* data = part ? GetSurfaceDataRecord(static_cast<int>(part->surfaceData)) : nullptr;
    if (!data) return -1;
    RectI rect{0, 0, data->width, data->height};
    if (data->surface) {
      // Every clear leaves depth at its far end.
      if (data->zSurface) plat::SurfaceDepthFill(data->zSurface, nullptr, 0xFFFF);
      plat::SurfaceColorFill(data->surface, nullptr, 0);
    } else {
      if (data->zImage.pixels) FillMemImgRect(&data->zImage, nullptr, 65535);
      DrawFilledBoxMemImg(&data->image, &rect, 0);
    }
    return 0;
  }
  if (!s.targetSurface) return 0;
  int width, height;
  GetScreenSize(&width, &height);
  RectI rect{0, 0, width, height};
  if (screen == DRAW_SCREEN_FRONT && GetWindowModeFlag()) {
    RectI client;
    if (GetMainClientScreenRect(&client) == 0) rect = RectI{client.left, client.top, client.left + width, client.top + height};
  }
  RectI bounds{0, 0, plat::SurfaceWidth(s.targetSurface), plat::SurfaceHeight(s.targetSurface)};
  ClipRectToRect(&rect, &bounds);
  plat::SurfRect sr{rect.left, rect.top, rect.right, rect.bottom};
  plat::SurfaceColorFill(s.targetSurface, &sr, 0);
  if (s.zSurface) plat::SurfaceDepthFill(s.zSurface, nullptr, 0xFFFF);
  return 0;
}

int GetDrawScreenGraph2D(int x1, int y1, int x2, int y2, GraphRecord* g, int) {
  ScreenState& s = g_ScreenState;
  if (NoDisplayObject() || !g) return -1;
  if (s.screenInitialised) EndSceneCurrent();
  const int w = x2 - x1, h = y2 - y1;
  int screenW, screenH;
  GetScreenSize(&screenW, &screenH);
  if (g_DrawState.drawScreen != DRAW_SCREEN_BACK && g_DrawState.drawScreen != DRAW_SCREEN_FRONT) {
    GraphRecord* target = GetGraphRecord(g_DrawState.drawScreen);
    if (target) {
      screenW = target->width;
      screenH = target->height;
    }
  }
  if (w <= 0 || h <= 0 || w != g->width || h != g->height || x1 < 0 || y1 < 0 || x2 > screenW || y2 > screenH) return -1;
  Surface2DRecord* part = GetSurface2D(static_cast<int>(g->parts[0]));
  SurfaceDataRecord* data = part ? GetSurfaceDataRecord(static_cast<int>(part->surfaceData)) : nullptr;
  if (!data) return -1;
  RectI rect{x1, y1, x2, y2};
  if (OnSoftwareScreen()) {
    if (g_DrawState.drawScreen == DRAW_SCREEN_FRONT) LoadFrontScreenToMemImg();
    if (!s.targetImage || !s.targetImage->pixels || !data->image.pixels) return -1;
    CopyMemImgConverted(&data->image, s.targetImage, &rect, part->srcX, part->srcY);
    return 0;
  }
  if (g_DrawState.drawScreen == DRAW_SCREEN_FRONT && GetWindowModeFlag()) {
    RectI client;
    if (GetMainClientScreenRect(&client) == 0) rect = RectI{x1 + client.left, y1 + client.top, x2 + client.left, y2 + client.top};
  }
  rect.left += s.targetOffsetX;
  rect.right += s.targetOffsetX;
  rect.top += s.targetOffsetY;
  rect.bottom += s.targetOffsetY;
  FlushCurrentVertexBuffer();
  EndSceneCurrent();
  plat::SurfRect partRect{part->srcX, part->srcY, part->srcX + w, part->srcY + h};
  if (s.targetSurface && data->surface) {
    plat::SurfRect sr{rect.left, rect.top, rect.right, rect.bottom};
    if (plat::SurfaceBlt(data->surface, &partRect, s.targetSurface, &sr, 0) != plat::SURF_OK) return -1;
    if (s.colorData.noneMask) {
      uint8_t* pixels = nullptr;
      int32_t pitch = 0;
      if (plat::SurfaceLock(data->surface, &partRect, plat::SURFLOCK_WAIT | plat::SURFLOCK_WRITEONLY, &pixels, &pitch) !=
          plat::SURF_OK) {
        return -1;
      }
      SetUnusedBits(pixels, pitch, w, h, &s.colorData);
      plat::SurfaceUnlock(data->surface);
    }
    return 0;
  }
  if (!s.targetSurface && s.targetImage && s.targetImage->pixels && !data->surface && data->image.pixels) {
    CopyMemImgConverted(&data->image, s.targetImage, &rect, part->srcX, part->srcY);
    return 0;
  }
  if (!s.targetSurface) {
    if (!data->surface || !s.targetImage || !s.targetImage->pixels) return -1;
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    if (plat::SurfaceLock(data->surface, &partRect, plat::SURFLOCK_WAIT | plat::SURFLOCK_WRITEONLY, &pixels, &pitch) !=
        plat::SURF_OK) {
      return -1;
    }
    ConvertImageBlt(pixels, pitch, &s.colorData, s.targetImage->pixels, s.targetImage->pitch, s.targetImage->colorData,
                    nullptr, 0, nullptr, 0, 0, &rect, 0, 0, 0, 0, 0, 0, 0);
    SetUnusedBits(pixels, pitch, w, h, &s.colorData);
    plat::SurfaceUnlock(data->surface);
    return 0;
  }
  if (!s.work || !data->image.pixels) return -1;
  if (CopySurfaceRect(s.work, s.targetSurface, 0, 0, &rect, -1) != 0) return -1;
  uint8_t* pixels = nullptr;
  int32_t pitch = 0;
  plat::SurfRect workRect{0, 0, w, h};
  if (plat::SurfaceLock(s.work, &workRect, plat::SURFLOCK_WAIT, &pixels, &pitch) != plat::SURF_OK) return -1;
  RectI src{0, 0, w, h};
  ConvertImageBlt(data->image.pixels, data->image.pitch, data->image.colorData, pixels, pitch, &s.colorData, nullptr, 0,
                  nullptr, part->srcX, part->srcY, &src, 0, 0, 0, 0, 0, 0, 0);
  SetUnusedBits(data->image.pixels + static_cast<int64_t>(part->srcY) * data->image.pitch +
                    static_cast<int64_t>(part->srcX) * MemImgPixelBytes(&data->image),
                data->image.pitch, w, h, data->image.colorData);
  MemImgMarkChanged(&data->image);
  plat::SurfaceUnlock(s.work);
  return 0;
}

int SaveDrawScreenToBmp(int x1, int y1, int x2, int y2, const char* fileName) {
  ScreenState& s = g_ScreenState;
  if (NoDisplayObject() || !CoordsInReach({x1, y1, x2, y2})) return -1;
  WaitWhileInactive();
  CloseSceneAndFlush();
  RectI rect{x1, y1, x2, y2};
  ClipRectToRect(&rect, &g_DrawState.drawArea);
  if (rect.left >= rect.right || rect.top >= rect.bottom) return -1;
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;

  // The source: a row pointer at the rectangle's top-left, its pitch and its colour data.
  const uint8_t* base = nullptr;
  int32_t pitch = 0;
  const ColorData* cd = nullptr;
  plat::Surface* locked = nullptr;
  auto fromImage = [&](const MemImg* img) {
    if (!img || !img->pixels) return;
    base = img->pixels + static_cast<int64_t>(rect.top) * img->pitch + static_cast<int64_t>(rect.left) * MemImgPixelBytes(img);
    pitch = img->pitch;
    cd = img->colorData;
  };
  if (OnSoftwareScreen()) {
    if (g_DrawState.drawScreen == DRAW_SCREEN_FRONT) LoadFrontScreenToMemImg();
    fromImage(s.targetImage);
  } else if (!s.noDirectDraw && s.targetSurface) {
    const int dx = g_DrawState.drawScreenRect.left + s.targetOffsetX, dy = g_DrawState.drawScreenRect.top + s.targetOffsetY;
    RectI onSurface{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
    uint8_t* pixels = nullptr;
    int result;
    if (s.targetInVideoMemory && s.work) {
      plat::SurfRect workRect{0, 0, w, h};
      result = CopySurfaceRect(s.work, s.targetSurface, 0, 0, &onSurface, -1) == 0
                   ? plat::SurfaceLock(s.work, &workRect, plat::SURFLOCK_WAIT, &pixels, &pitch)
                   : plat::SURF_ERR_INVALID;
      locked = s.work;
    } else {
      plat::SurfRect sr{onSurface.left, onSurface.top, onSurface.right, onSurface.bottom};
      result = plat::SurfaceLock(s.targetSurface, &sr, plat::SURFLOCK_WAIT, &pixels, &pitch);
      locked = s.targetSurface;
    }
    if (result != plat::SURF_OK) {
      LogWrite("作業用サーフェスのロックに失敗しました\n");
      return -1;
    }
    base = pixels;
    cd = &s.colorData;
  } else {
    fromImage(s.targetImage);
  }
  if (!base || !cd) {
    if (locked) plat::SurfaceUnlock(locked);
    return -1;
  }

  const bool paletted = cd->bitDepth == 8;
  const uint32_t headerBytes = paletted ? 40 + 1024 : 40;
  const uint32_t stride = paletted ? ((static_cast<uint32_t>(w) + 3) & ~3u) : ((static_cast<uint32_t>(w) * 3 + 3) & ~3u);
  const uint32_t pixelOffset = 14 + headerBytes;
  uint8_t* header = static_cast<uint8_t*>(TRACKED_CALLOC(headerBytes));
  uint8_t* rows = header ? static_cast<uint8_t*>(TRACKED_CALLOC(static_cast<size_t>(stride) * h)) : nullptr;
  if (!header || !rows) {
    LogWrite(!header ? "BITMAPINFO構造体用メモリの確保に失敗しました\n" : "グラフィック保存用メモリの確保に失敗しました\n");
    if (locked) plat::SurfaceUnlock(locked);
    TrackedFree(header);
    TrackedFree(rows);
    return -1;
  }
  PutU32(header, 40);
  PutU32(header + 4, static_cast<uint32_t>(w));
  PutU32(header + 8, static_cast<uint32_t>(h));
  PutU16(header + 12, 1);
  PutU16(header + 14, paletted ? 8 : 24);
  if (paletted) {
    for (int i = 0; i < 256; ++i) {
      uint32_t e = s.paletteEntries[i];
      header[40 + i * 4] = static_cast<uint8_t>(e);
      header[40 + i * 4 + 1] = static_cast<uint8_t>(e >> 8);
      header[40 + i * 4 + 2] = static_cast<uint8_t>(e >> 16);
    }
  }
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = base + static_cast<int64_t>(y) * pitch;
    uint8_t* out = rows + static_cast<size_t>(h - 1 - y) * stride;
    if (paletted) {
      std::memcpy(out, src, static_cast<size_t>(w));
    } else if (cd->pixelBytes == 2) {
      for (int x = 0; x < w; ++x) {
        uint32_t v = static_cast<uint32_t>(src[x * 2]) | (static_cast<uint32_t>(src[x * 2 + 1]) << 8);
        out[x * 3] = static_cast<uint8_t>(((v & cd->blueMask) >> cd->blueShift) << (8 - cd->blueWidth));
        out[x * 3 + 1] = static_cast<uint8_t>(((v & cd->greenMask) >> cd->greenShift) << (8 - cd->greenWidth));
        out[x * 3 + 2] = static_cast<uint8_t>(((v & cd->redMask) >> cd->redShift) << (8 - cd->redWidth));
      }
    } else if (cd->pixelBytes == 4) {
      for (int x = 0; x < w; ++x) std::memcpy(out + x * 3, src + x * 4, 3);
    }
  }
  if (locked) plat::SurfaceUnlock(locked);

  uint8_t fileHeader[14] = {'B', 'M'};
  PutU32(fileHeader + 2, pixelOffset + stride * static_cast<uint32_t>(h));
  PutU32(fileHeader + 10, pixelOffset);
  plat::FileDelete(fileName);
  plat::File* f = plat::FileOpen(fileName, plat::OpenMode::WriteCreateNew);
  int result = 0;
  if (!f) {
    LogWrite("ＢＭＰセーブ用ファイルのオープンに失敗しました\n");
    result = -1;
  } else {
    const int64_t rowBytes = static_cast<int64_t>(stride) * h;
    if (plat::FileWrite(f, fileHeader, 14) != 14 || plat::FileWrite(f, header, headerBytes) != headerBytes ||
        plat::FileWrite(f, rows, rowBytes) != rowBytes) {
      result = -1;
    }
    plat::FileClose(f);
  }
  TrackedFree(header);
  TrackedFree(rows);
  return result;
}
