// 2-D surfaces: the table, the parts of 2-D graphs, and the transfer of pictures into them.
#include "engine/graphics/graph/surface2d.h"

#include <cstring>

#include "engine/base/handle.h"
#include "engine/base/log.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/image/convert_blt.h"

static HandleTable g_Surface2DTable;

static HandleTable* Table() {
  if (!g_Surface2DTable.slots) HandleTableInit(&g_Surface2DTable, HANDLE_KIND_SURFACE2D, SURFACE2D_TABLE_SIZE);
  return &g_Surface2DTable;
}

static bool NoDisplayObject() { return ScreenDirectDrawInUse() && !ScreenSurfaceDevice(); }

Surface2DRecord* GetSurface2D(int handle) { return static_cast<Surface2DRecord*>(HandleLookup(Table(), handle)); }

int GetSurface2DCount() { return Table()->count; }
int Surface2DHandleFromSlot(int slot) { return HandleFromSlot(Table(), slot); }
int GetSurface2DAreaEnd() { return Table()->areaEnd; }

int AddSurface2D(int width, int height, int drawX, int drawY, int ownerGraph, const Surface2DRecord* shareFrom,
                 int srcX, int srcY, const GraphCreationBytes* create) {
  if (NoDisplayObject()) return LogWrite("VIduzavが初期化されていません\n");
  HandleTable* t = Table();
  if (t->count >= SURFACE2D_TABLE_SIZE) return LogWrite("２Ｄグラフィックの量が許容量を越えました\n");
  if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF || drawX < 0 || drawY < 0 || srcX < 0 ||
      srcY < 0 || drawX > 0xFFFF || drawY > 0xFFFF || srcX > 0xFFFF || srcY > 0xFFFF) {
    return -1;
  }
  int handle = HandleCreate(t, sizeof(Surface2DRecord));
  if (handle < 0) return LogWrite("メモリの確保に失敗しました in AddSurface2D \n");
  Surface2DRecord* s = GetSurface2D(handle);
  int data;
  if (shareFrom) {
    data = static_cast<int>(shareFrom->surfaceData);
    if (AddSurfaceDataRef(data) < 0) data = -1;
  } else {
    data = AddSurfaceData(1, width, height, g_DrawState.transparentColor, create);
  }
  if (data < 0) {
    HandleDestroy(t, handle);
    return LogWrite("メモリの確保に失敗しました in AddSurface2D \n");
  }
  s->drawX = static_cast<uint16_t>(drawX);
  s->drawY = static_cast<uint16_t>(drawY);
  s->srcX = static_cast<uint16_t>(srcX);
  s->srcY = static_cast<uint16_t>(srcY);
  s->width = static_cast<uint16_t>(width);
  s->height = static_cast<uint16_t>(height);
  s->ownerGraph = static_cast<uint32_t>(ownerGraph);
  s->surfaceData = static_cast<uint32_t>(data);
  return handle;
}

int SetSurface2DLostFlagPointer(int handle, int32_t* flag) {
  Surface2DRecord* s = GetSurface2D(handle);
  if (!s) return 0;
  s->lostFlag = flag;
  if (flag) *flag = 0;
  return 0;
}

int DeleteSurface2D(int handle) {
  Surface2DRecord* s = GetSurface2D(handle);
  if (!s) return 0;
  const int data = static_cast<int>(s->surfaceData);
  if (ReleaseSurfaceDataRef(data) == 0) ReleaseSurfaceData(data);
  if (s->lostFlag) *s->lostFlag = 1;
  HandleDestroy(Table(), handle);
  return 0;
}

int DeleteAllSurface2D() {
  HandleTable* t = Table();
  for (int slot = 0; slot < t->areaEnd; ++slot) {
    int h = HandleFromSlot(t, slot);
    if (h >= 0) DeleteSurface2D(h);
  }
  return 0;
}

int CreateGraphSurface2D(GraphRecord* g) {
  if (NoDisplayObject()) return -1;
  int h = AddSurface2D(g->width, g->height, 0, 0, g->handle, nullptr, 0, 0, &g->create);
  if (h < 0) return -1;
  g->parts[0] = static_cast<uint32_t>(h);
  g->partCount = 1;
  return 0;
}

int CreateGraphSurface2DShared(GraphRecord* g, int srcX, int srcY, int width, int height, const GraphRecord* parent) {
  if (NoDisplayObject()) return -1;
  if (!parent || parent->partCount < 1) return -1;
  Surface2DRecord* ps = GetSurface2D(static_cast<int>(parent->parts[0]));
  if (!ps) return -1;
  // The region must lie inside the parent's part, so that draws never read past its pixels.
  if (srcX < 0 || srcY < 0 || width <= 0 || height <= 0 || srcX + width > ps->width || srcY + height > ps->height) {
    return -1;
  }
  int h = AddSurface2D(width, height, 0, 0, g->handle, ps, ps->srcX + srcX, ps->srcY + srcY, &g->create);
  if (h < 0) return -1;
  g->parts[0] = static_cast<uint32_t>(h);
  g->partCount = 1;
  return 0;
}

int FillGraphSurface2D(GraphRecord* g, int red, int green, int blue, int alpha) {
  if (NoDisplayObject()) return -1;
  EndSceneCurrent();
  FlushCurrentVertexBuffer();
  for (int i = 0; i < g->partCount; ++i) {
    Surface2DRecord* s = GetSurface2D(static_cast<int>(g->parts[i]));
    if (!s) return -1;
    ColorFillSurfaceData(static_cast<int>(s->surfaceData), red, green, blue, alpha);
  }
  return 0;
}

int RestoreGraphSurface2D(GraphRecord* g) {
  if (NoDisplayObject()) return -1;
  int res = 0;
  for (int i = 0; i < g->partCount; ++i) {
    Surface2DRecord* s = GetSurface2D(static_cast<int>(g->parts[i]));
    if (!s) return -1;
    res |= RestoreLostSurfaceData(static_cast<int>(s->surfaceData));
  }
  return res;
}

int DeleteGraphSurfaces2D(GraphRecord* g) {
  if (NoDisplayObject()) return -1;
  for (int i = 0; i < g->partCount; ++i) {
    if (!GetSurface2D(static_cast<int>(g->parts[i]))) return -1;
    DeleteSurface2D(static_cast<int>(g->parts[i]));
  }
  g->partCount = 0;
  return 0;
}

int RestoreAllSurface2D() {
  int lost = RestoreLostScreenSurfaces() ? 1 : 0;
  HandleTable* t = Table();
  for (int slot = 0; slot < t->areaEnd; ++slot) {
    int h = HandleFromSlot(t, slot);
    Surface2DRecord* s = h >= 0 ? GetSurface2D(h) : nullptr;
    if (s && RestoreLostSurfaceData(static_cast<int>(s->surfaceData)) != 0) lost = 1;
  }
  return lost;
}

int TransferImageToGraph2D(const PictureImage* image, const PictureImage* alpha, const RectI* rect, int x, int y,
                           GraphRecord* g) {
  if (NoDisplayObject()) return -1;
  const int rw = rect->right - rect->left, rh = rect->bottom - rect->top;
  for (int i = 0; i < g->partCount; ++i) {
    Surface2DRecord* s = GetSurface2D(static_cast<int>(g->parts[i]));
    if (!s) return -1;
    RectI part{s->drawX, s->drawY, s->drawX + s->width, s->drawY + s->height};
    RectI placed{x, y, x + rw, y + rh};
    ClipRectToRect(&placed, &part);
    if (placed.right <= placed.left || placed.bottom <= placed.top) continue;
    RectI piece{rect->left + (placed.left - x), rect->top + (placed.top - y), rect->left + (placed.right - x),
                rect->top + (placed.bottom - y)};
    if (TransferPictureToSurface2D(image, alpha, &piece, s->srcX + (placed.left - s->drawX),
                                   s->srcY + (placed.top - s->drawY), static_cast<int>(g->parts[i])) < 0) {
      return -1;
    }
  }
  return 0;
}

int TransferBaseImageToGraph2D(const PictureImage* image, const PictureImage* alpha, int srcX, int srcY,
                               GraphRecord* g) {
  if (NoDisplayObject()) return -1;
  for (int i = 0; i < g->partCount; ++i) {
    Surface2DRecord* s = GetSurface2D(static_cast<int>(g->parts[i]));
    if (!s) return -1;
    if (TransferImageToSurface2D(image, alpha, srcX + s->drawX, srcY + s->drawY, static_cast<int>(g->parts[i])) < 0) {
      return -1;
    }
  }
  return 0;
}

int TransferImageToSurface2D(const PictureImage* image, const PictureImage* alpha, int x, int y, int surface) {
  Surface2DRecord* s = GetSurface2D(surface);
  if (!s) return -1;
  RectI r{x, y, x + s->width, y + s->height};
  return TransferPictureToSurface2D(image, alpha, &r, s->srcX, s->srcY, surface);
}

static const ColorData* PictureColorData(const PictureImage* p) { return p ? &p->colorData : nullptr; }

// Cuts the picture rectangle and its destination (x, y) to both the picture and a destination of
// dw x dh pixels. False when nothing is left.
static bool ClipTransfer(const PictureImage* image, RectI* r, int* x, int* y, int dw, int dh) {
  NormalizeRect(r);
  if (r->left < 0) { *x -= r->left; r->left = 0; }
  if (r->top < 0) { *y -= r->top; r->top = 0; }
  if (r->right > image->width) r->right = image->width;
  if (r->bottom > image->height) r->bottom = image->height;
  if (*x < 0) { r->left -= *x; *x = 0; }
  if (*y < 0) { r->top -= *y; *y = 0; }
  if (r->right - r->left > dw - *x) r->right = r->left + (dw - *x);
  if (r->bottom - r->top > dh - *y) r->bottom = r->top + (dh - *y);
  return r->right > r->left && r->bottom > r->top;
}

int TransferImageToMemImg(const PictureImage* image, const PictureImage* alpha, MemImg* dst, int srcX, int srcY,
                          int width, int height, int dstX, int dstY) {
  if (!image || !image->pixels || !dst || !dst->pixels) return -1;
  if (alpha && (!alpha->pixels || alpha->width < image->width || alpha->height < image->height)) alpha = nullptr;
  RectI r{srcX, srcY, srcX + width, srcY + height};
  int x = dstX, y = dstY;
  if (!ClipTransfer(image, &r, &x, &y, dst->width, dst->height)) return -1;
  const int mode = g_DrawState.reductionMode;
  const ColorData* dcd = dst->colorData;
  int res;
  if (dst->format == MEMIMG_FORMAT_GRAY8 || dst->format == MEMIMG_FORMAT_GRAY16) {
    res = ConvertImageBlt(dst->pixels, dst->pitch, dcd, image->pixels, image->pitch, &image->colorData, nullptr, 0,
                          nullptr, x, y, &r, 0, 0, 0, mode, 0, 0, 0);
  } else if (!alpha) {
    res = ConvertImageBlt(dst->pixels, dst->pitch, dcd, image->pixels, image->pitch, &image->colorData, nullptr, 0,
                          nullptr, x, y, &r, 0, 0, dst->transparentColor, mode, 0, 0, 0);
    if (res >= 0 && dst->paletteFlag) dst->paletteCount = res + 1;
    if (res < 0) return -1;
  } else {
    res = ConvertImageBlt(dst->pixels, dst->pitch, dcd, image->pixels, image->pitch, &image->colorData, alpha->pixels,
                          alpha->pitch, &alpha->colorData, x, y, &r, 0, 0, 0, mode, 0, 0, 0);
    if (res < 0) return -1;
  }
  if (dst->paletteFlag) {
    for (int i = 0; i < 256; ++i) {
      uint32_t e = image->colorData.palette[i];
      uint32_t red = (e >> 16) & 0xFF, green = (e >> 8) & 0xFF, blue = e & 0xFF;
      dst->palettePtr[i] = dst->format == MEMIMG_FORMAT_RGB16
                               ? (((red & 0xF8) << 8) | ((green & 0xFC) << 3) | (blue >> 3))
                               : ((red << 16) | (green << 8) | blue);
    }
    std::memcpy(dst->paletteCopyPtr, dst->palettePtr, 256 * sizeof(uint32_t));
  }
  MemImgMarkChanged(dst);
  if (width == dst->width && height == dst->height && r.right - r.left == dst->width &&
      r.bottom - r.top == dst->height &&
      (dst->format == MEMIMG_FORMAT_RGB16 || dst->format == MEMIMG_FORMAT_RGB32) && dst->skipData) {
    if (dst->alphaFlag && dst->premultiplied) BuildMemImgPremultiplied(dst);
    BuildMemImgSkipData(dst);
  }
  return 0;
}

// An 8-bit screen takes pictures by nearest palette entry, as the system's bitmap copy did.
static int TransferToPaletteSurface(const PictureImage* image, const RectI* r, int x, int y, SurfaceDataRecord* d,
                                    int handle) {
  RectI dr{x, y, x + (r->right - r->left), y + (r->bottom - r->top)};
  int32_t pitch;
  uint8_t* p;
  if (LockSurfaceData(handle, &pitch, &p, 1, &dr, nullptr) != 0) {
    UnlockSurfaceData(handle, nullptr);
    return LogWrite("２Ｄサーフェスのロックに失敗しました");
  }
  const ColorData* cd = &image->colorData;
  const int bytes = cd->pixelBytes < 1 ? 1 : cd->pixelBytes;
  for (int yy = r->top; yy < r->bottom; ++yy) {
    const uint8_t* s = image->pixels + static_cast<int64_t>(yy) * image->pitch;
    uint8_t* o = p + static_cast<int64_t>(yy - r->top) * pitch;
    for (int xx = r->left; xx < r->right; ++xx) {
      uint32_t v = 0;
      std::memcpy(&v, s + xx * bytes, static_cast<size_t>(bytes));
      if (cd->bitDepth == 8) v = cd->palette[v & 0xFF];
      else if (cd->bitDepth < 32) v &= (1u << cd->bitDepth) - 1;
      uint32_t rgb = ConvertColorDataPixel(GetStandardColorData(1, 0, 0), cd->bitDepth == 8 ? GetStandardColorData(1, 0, 0) : cd, v);
      o[xx - r->left] = static_cast<uint8_t>(GetScreenColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    }
  }
  (void)d;
  UnlockSurfaceData(handle, nullptr);
  return 0;
}

int TransferPictureToSurface2D(const PictureImage* image, const PictureImage* alpha, const RectI* rect, int x,
                               int y, int surface) {
  if (NoDisplayObject()) return -1;
  if (g_DrawState.notAvailable) return 0;
  Surface2DRecord* s = GetSurface2D(surface);
  if (!s) return -1;
  const int dataHandle = static_cast<int>(s->surfaceData);
  SurfaceDataRecord* d = GetSurfaceDataRecord(dataHandle);
  if (!d || !image || !image->pixels) return -1;
  RectI r = *rect;
  int res = 0;
  if (!d->softwareImageMode) {
    if (!ClipTransfer(image, &r, &x, &y, d->width, d->height)) return 0;
    if (ScreenActualBitDepth() == 8) {
      res = TransferToPaletteSurface(image, &r, x, y, d, dataHandle);
    } else {
      RectI dr{x, y, x + (r.right - r.left), y + (r.bottom - r.top)};
      int32_t pitch;
      uint8_t* p;
      const ColorData* cd = nullptr;
      int lr = LockSurfaceData(dataHandle, &pitch, &p, 1, &dr, &cd);
      if (lr != 0) {
        if (lr == -2) UnlockSurfaceData(dataHandle, nullptr);
        return LogWrite("２Ｄサーフェスのロックに失敗しました");
      }
      if (cd) {
        RectI local = r;
        ConvertImageBlt(p, pitch, cd, image->pixels, image->pitch, &image->colorData, alpha ? alpha->pixels : nullptr,
                        alpha ? alpha->pitch : 0, PictureColorData(alpha), 0, 0, &local, 0, 0, 0,
                        g_DrawState.reductionMode, 0, 0, 0);
      }
      UnlockSurfaceData(dataHandle, nullptr);
    }
  } else {
    MemImg* img = &d->image;
    res = TransferImageToMemImg(image, alpha, img, r.left, r.top, r.right - r.left, r.bottom - r.top, x, y);
    if (res >= 0 && img->paletteFlag) {
      // The transparent index: the first entry equal to the current transparent colour.
      const uint32_t tc = g_DrawState.transparentColor;
      uint32_t key;
      bool wide = img->format != MEMIMG_FORMAT_RGB16;
      if (wide) key = tc & 0xFFFFFF;
      else key = MakeColorDataPixel(GetStandardColorData(0, 0, 0), (tc >> 16) & 0xFF, (tc >> 8) & 0xFF, tc & 0xFF, 0);
      img->transparentColor = 0;
      for (int i = 0; i < 256; ++i) {
        uint32_t e = img->palettePtr[i];
        if ((wide ? (e & 0xFFFFFF) : (e & 0xFFFF)) == key) {
          img->transparentColor = static_cast<uint32_t>(i);
          break;
        }
      }
    }
  }
  ApplySurfaceColorKey(dataHandle);
  return res < 0 ? -1 : 0;
}

int TransferMovieFrameToSurface2D(const PictureImage* frame, int needsConversion, int alphaInLowerHalf,
                                  GraphRecord* g) {
  if (!frame || !frame->pixels || !g || g->partCount < 1) return -1;
  const int part = static_cast<int>(g->parts[0]);
  Surface2DRecord* s = GetSurface2D(part);
  if (!s) return -1;
  if (alphaInLowerHalf) {
    PictureImage colour = *frame, alpha = *frame;
    colour.height = frame->height / 2;
    alpha.height = colour.height;
    alpha.pixels = frame->pixels + static_cast<int64_t>(colour.height) * frame->pitch;
    RectI r{0, 0, colour.width, colour.height};
    return TransferPictureToSurface2D(&colour, &alpha, &r, s->srcX, s->srcY, part);
  }
  const int dataHandle = static_cast<int>(s->surfaceData);
  SurfaceDataRecord* d = GetSurfaceDataRecord(dataHandle);
  if (!d) return -1;
  uint8_t* dst;
  int32_t pitch;
  const ColorData* dcd;
  bool locked = false;
  if (d->softwareImageMode) {
    if (!d->image.pixels) return -1;
    dst = d->image.pixels;
    pitch = d->image.pitch;
    dcd = d->image.colorData;
    MemImgMarkChanged(&d->image);
  } else {
    int lr = LockSurfaceData(dataHandle, &pitch, &dst, 1, nullptr, &dcd);
    if (lr != 0 || !dcd) {
      if (lr == -2 || (lr == 0 && !dcd)) UnlockSurfaceData(dataHandle, nullptr);
      return LogWrite("ムービーグラフィック転送先サーフェスのロックに失敗しました");
    }
    locked = true;
  }
  // The frame is cut to the part, which lies inside its store.
  RectI src{0, 0, frame->width < s->width ? frame->width : s->width,
            frame->height < s->height ? frame->height : s->height};
  const int dstX = s->srcX, dstY = s->srcY;
  if (src.right > 0 && src.bottom > 0) {
    if (needsConversion || frame->colorData.bitDepth != dcd->bitDepth) {
      ConvertImageBlt(dst, pitch, dcd, frame->pixels, frame->pitch, &frame->colorData, nullptr, 0, nullptr, dstX, dstY,
                      &src, 0, 0, 0, g_DrawState.reductionMode, 0, 0, 0);
    } else {
      const int bytes = dcd->pixelBytes;
      for (int row = 0; row < src.bottom; ++row) {
        std::memcpy(dst + static_cast<int64_t>(dstY + row) * pitch + static_cast<int64_t>(dstX) * bytes,
                    frame->pixels + static_cast<int64_t>(row) * frame->pitch, static_cast<size_t>(src.right) * bytes);
      }
    }
  }
  if (locked) UnlockSurfaceData(dataHandle, nullptr);
  return 0;
}
