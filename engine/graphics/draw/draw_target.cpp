// Software draw targets: what the current draw screen is in surface terms, and the bracket that
// turns it into a destination image (and a 2-D surface into a source image) around a software draw.
#include "engine/graphics/draw/draw_target.h"
#include <cstring>

#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/image/convert_blt.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/graphics/screen/screen.h"

SoftwareDrawTarget g_SoftwareDrawTarget;

namespace {

bool OnSoftwareScreen() { return g_ScreenState.softwareScreen && g_ScreenState.requestedBitDepth != 8; }

bool ClipperWanted() { return GetWindowModeFlag() || g_ScreenState.menuPresentMode || IsMenuInUse(); }

int StandardFormat() { return g_ScreenState.actualBitDepth == 16 ? 0 : 1; }

const ColorData* StandardColorData() { return GetStandardColorData(StandardFormat(), 0, 0); }

bool InVideoMemory(plat::Surface* s) { return s && (plat::SurfaceCaps(s) & plat::SURFCAPS_VIDEOMEMORY); }

// Rewrites w x h locked pixels from one layout to another of the same depth.
void ConvertPixelsInPlace(uint8_t* pixels, int32_t pitch, int width, int height, const ColorData* to,
                          const ColorData* from) {
  const int bytes = from->pixelBytes;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = pixels + static_cast<int64_t>(y) * pitch;
    for (int x = 0; x < width; ++x) {
      uint8_t* p = row + x * bytes;
      if (bytes == 2) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        v = static_cast<uint16_t>(ConvertColorDataPixel(to, from, v));
        std::memcpy(p, &v, 2);
      } else {
        uint32_t v;
        std::memcpy(&v, p, 4);
        v = ConvertColorDataPixel(to, from, v);
        std::memcpy(p, &v, 4);
      }
    }
  }
}

void DrawScreenSize(int* width, int* height) {
  if (g_DrawState.drawScreen == DRAW_SCREEN_BACK || g_DrawState.drawScreen == DRAW_SCREEN_FRONT) {
    GetScreenSize(width, height);
    return;
  }
  GraphRecord* g = GetGraphRecord(g_DrawState.drawScreen);
  if (g) {
    *width = g->width;
    *height = g->height;
  } else {
    GetScreenSize(width, height);
  }
}

// A view whose pixel address makes draw-screen coordinates index the pixels at `origin`, which
// belong to draw-screen pixel (originX, originY).
int SetupTargetView(MemImg* view, uint8_t* origin, int32_t pitch, int originX, int originY) {
  int width, height;
  DrawScreenSize(&width, &height);
  std::memset(view, 0, sizeof(*view));
  const int bytes = g_ScreenState.actualBitDepth == 16 ? 2 : 4;
  view->pixels = origin - static_cast<int64_t>(bytes) * originX - static_cast<int64_t>(pitch) * originY;
  return SetupMemImg(view, width, height, pitch, 0, StandardFormat(), 0, 0, 0);
}

}  // namespace

int SetDrawTargetSurface(int drawScreen) {
  ScreenState& s = g_ScreenState;
  s.targetImage = nullptr;
  s.targetZImage = nullptr;
  s.targetSurface = nullptr;
  s.targetOffsetX = s.targetOffsetY = 0;
  if (drawScreen == DRAW_SCREEN_FRONT) {
    s.targetSurface = s.primary;
    s.targetImage = &s.primaryImage;
    if (!s.noDirectDraw && ClipperWanted()) s.clipperOnPrimary = 0;
  } else if (drawScreen == DRAW_SCREEN_BACK) {
    s.targetSurface = s.back;
    s.targetImage = &s.backImage;
    s.targetZImage = &s.zImage;
    if (!s.noDirectDraw && ClipperWanted()) s.clipperOnPrimary = s.clipperMade;
  } else {
    GraphRecord* g = GetGraphRecord(drawScreen);
    if (!g) return -1;
    if (!g->create.texture) {
      Surface2DRecord* part = GetSurface2D(static_cast<int>(g->parts[0]));
      SurfaceDataRecord* data = part ? GetSurfaceDataRecord(static_cast<int>(part->surfaceData)) : nullptr;
      if (!data) return -1;
      if (data->softwareImageMode) {
        s.targetImage = &data->image;
      } else {
        s.targetSurface = data->surface;
        s.targetOffsetX = part->srcX;
        s.targetOffsetY = part->srcY;
      }
      if (data->zImage.pixels) s.targetZImage = &data->zImage;
    }
    // Texture graphs are drawn by the 3-D device; software has no surface of theirs to lock.
    if (!s.noDirectDraw && ClipperWanted()) s.clipperOnPrimary = s.clipperMade;
  }
  s.targetInVideoMemory = InVideoMemory(s.targetSurface) ? 1 : 0;
  return 0;
}

int CopySurfaceRect(plat::Surface* target, plat::Surface* source, int x, int y, const RectI* sourceRect, int method) {
  if (!target || !source || !sourceRect) return -1;
  if (method == -1) method = g_ScreenState.useBitBlt ? 1 : 0;
  plat::SurfRect sr{sourceRect->left, sourceRect->top, sourceRect->right, sourceRect->bottom};
  if (method != 1) return plat::SurfaceBltFast(target, x, y, source, &sr, 0) == plat::SURF_OK ? 0 : -1;
  // The device-context copy: both surfaces' memory, row by row.
  const plat::PixelFormat& tf = plat::SurfaceFormat(target);
  const plat::PixelFormat& sf = plat::SurfaceFormat(source);
  if (tf.bitCount != sf.bitCount) return -1;
  const int w = sr.right - sr.left, h = sr.bottom - sr.top;
  if (w <= 0 || h <= 0) return 0;
  plat::SurfRect tr{x, y, x + w, y + h};
  uint8_t* tp = nullptr;
  uint8_t* sp = nullptr;
  int32_t tpitch = 0, spitch = 0;
  if (plat::SurfaceLock(source, &sr, plat::SURFLOCK_WAIT, &sp, &spitch) != plat::SURF_OK) return -1;
  if (target == source || plat::SurfaceLock(target, &tr, plat::SURFLOCK_WAIT, &tp, &tpitch) != plat::SURF_OK) {
    plat::SurfaceUnlock(source);
    return -1;
  }
  const size_t rowBytes = static_cast<size_t>(w) * (sf.bitCount / 8);
  for (int row = 0; row < h; ++row) {
    std::memmove(tp + static_cast<int64_t>(row) * tpitch, sp + static_cast<int64_t>(row) * spitch, rowBytes);
  }
  plat::SurfaceUnlock(target);
  plat::SurfaceUnlock(source);
  return 0;
}

// A draw that reaches past the rectangle it announced would write outside the work surface; with
// the draw area narrowed, the renderers' own clipping keeps it inside.
static void NarrowDrawAreaToWork(SoftwareDrawTarget* t) {
  t->savedArea = g_DrawState.drawArea;
  std::memcpy(t->savedAreaF, g_DrawState.drawAreaF, sizeof(t->savedAreaF));
  t->areaNarrowed = 1;
  g_DrawState.drawArea = t->clippedRect;
  g_DrawState.drawAreaF[0] = static_cast<float>(t->clippedRect.left);
  g_DrawState.drawAreaF[1] = static_cast<float>(t->clippedRect.top);
  g_DrawState.drawAreaF[2] = static_cast<float>(t->clippedRect.right);
  g_DrawState.drawAreaF[3] = static_cast<float>(t->clippedRect.bottom);
}

static void RestoreNarrowedDrawArea(SoftwareDrawTarget* t) {
  if (!t->areaNarrowed) return;
  g_DrawState.drawArea = t->savedArea;
  std::memcpy(g_DrawState.drawAreaF, t->savedAreaF, sizeof(t->savedAreaF));
  t->areaNarrowed = 0;
}

int BeginSoftwareDrawTarget(Surface2DRecord* part, int copy, const RectI* sourceRect, const RectI* updateRect,
                            int noConvert, uint32_t* colour, uint32_t* colour2) {
  g_SoftwareDrawTarget.directBlit = 0;
  if (OnSoftwareScreen()) return 0;
  ScreenState& s = g_ScreenState;
  SoftwareDrawTarget& t = g_SoftwareDrawTarget;
  t.askedUpdateRect = updateRect ? *updateRect : RectI{0, 0, 0, 0};
  t.askedSourceRect = sourceRect ? *sourceRect : RectI{0, 0, 0, 0};
  t.askedNoConvert = noConvert;
  t.locked = t.viaWork = t.sourceLocked = t.sourceViaWork2 = t.failed = 0;
  t.destination = nullptr;
  t.source = nullptr;
  t.targetSurface = g_DrawState.maskInEffect ? GetMaskSurface() : s.targetSurface;
  // The mask surface holds the draw screen at its own coordinates, whatever surface it lives in.
  const int offsetX = g_DrawState.maskInEffect ? 0 : s.targetOffsetX;
  const int offsetY = g_DrawState.maskInEffect ? 0 : s.targetOffsetY;
  SurfaceDataRecord* data = part ? GetSurfaceDataRecord(static_cast<int>(part->surfaceData)) : nullptr;
  if (part && !data) {
    t.failed = 1;
    return -1;
  }
  const int mode = g_DrawState.blendMode;
  const bool blending = (mode == BLEND_ALPHA && g_DrawState.blendParam != 255) || (mode != BLEND_NONE && mode != BLEND_ALPHA) ||
                        (data && data->create.alphaChannel) || g_DrawState.blendGraph != -1;
  const bool videoTarget = g_DrawState.maskInEffect ? InVideoMemory(GetMaskSurface()) : s.targetInVideoMemory != 0;

  if (copy == 1 && part && !blending && (g_DrawState.drawBright & 0xFFFFFF) == 0xFFFFFF && !data->softwareImageMode &&
      data->surface && t.targetSurface && InVideoMemory(data->surface) == videoTarget && sourceRect && updateRect) {
    t.directBlit = 1;
    t.directSource = data->surface;
    t.directSourceRect = RectI{sourceRect->left + part->srcX, sourceRect->top + part->srcY,
                               sourceRect->right + part->srcX, sourceRect->bottom + part->srcY};
    t.directTarget = t.targetSurface;
    const int dx = g_DrawState.drawScreenRect.left + offsetX;
    const int dy = g_DrawState.drawScreenRect.top + offsetY;
    t.directTargetRect = RectI{updateRect->left + dx, updateRect->top + dy, updateRect->right + dx, updateRect->bottom + dy};
    return 0;
  }
  t.directBlit = 0;
  t.convert = (s.formatKind == 1 || s.formatKind == 3) ? 1 : 0;
  if (!updateRect) return -1;
  t.clippedRect = *updateRect;
  ClipRectToRect(&t.clippedRect, &g_DrawState.drawArea);
  if (t.clippedRect.left >= t.clippedRect.right || t.clippedRect.top >= t.clippedRect.bottom) return -1;
  const int cw = t.clippedRect.right - t.clippedRect.left, ch = t.clippedRect.bottom - t.clippedRect.top;

  if (!g_DrawState.maskInEffect && s.targetImage && s.targetImage->pixels) {
    if (s.targetOffsetX == 0 && s.targetOffsetY == 0) {
      t.destination = s.targetImage;
    } else {
      uint8_t* origin = s.targetImage->pixels + static_cast<int64_t>(MemImgPixelBytes(s.targetImage)) * s.targetOffsetX +
                        static_cast<int64_t>(s.targetImage->pitch) * s.targetOffsetY;
      SetupTargetView(&t.destinationView, origin, s.targetImage->pitch, 0, 0);
      t.destination = &t.destinationView;
    }
  } else {
    if (!t.targetSurface) {
      t.failed = 1;
      return -1;
    }
    const int viaWork = (videoTarget && blending) || (t.convert && (blending || noConvert == 0));
    t.targetRect = RectI{t.clippedRect.left + offsetX + g_DrawState.drawScreenRect.left,
                         t.clippedRect.top + offsetY + g_DrawState.drawScreenRect.top,
                         t.clippedRect.right + offsetX + g_DrawState.drawScreenRect.left,
                         t.clippedRect.bottom + offsetY + g_DrawState.drawScreenRect.top};
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    if (viaWork) {
      plat::SurfRect lockRect{0, 0, cw, ch};
      if (!s.work || CopySurfaceRect(s.work, t.targetSurface, 0, 0, &t.targetRect, -1) != 0 ||
          plat::SurfaceLock(s.work, &lockRect, plat::SURFLOCK_WAIT, &pixels, &pitch) != plat::SURF_OK) {
        t.failed = 1;
        return -1;
      }
      t.lockedSurface = s.work;
      t.lockRect = RectI{0, 0, cw, ch};
      t.viaWork = 1;
      NarrowDrawAreaToWork(&t);
      if (t.convert) {
        ConvertPixelsInPlace(pixels, pitch, cw, ch, StandardColorData(), &s.colorData);
        if (colour) *colour = ConvertColorDataPixel(StandardColorData(), &s.colorData, *colour);
        if (colour2) *colour2 = ConvertColorDataPixel(StandardColorData(), &s.colorData, *colour2);
      }
    } else {
      plat::SurfRect lockRect{t.targetRect.left, t.targetRect.top, t.targetRect.right, t.targetRect.bottom};
      if (plat::SurfaceLock(t.targetSurface, &lockRect, plat::SURFLOCK_WAIT, &pixels, &pitch) != plat::SURF_OK) {
        t.failed = 1;
        return -1;
      }
      t.lockedSurface = t.targetSurface;
      t.lockRect = t.targetRect;
    }
    t.locked = 1;
    SetupTargetView(&t.destinationView, pixels, pitch, t.clippedRect.left, t.clippedRect.top);
    t.destination = &t.destinationView;
  }

  if (!part) return 0;
  if (data->softwareImageMode) {
    if (part->srcX == 0 && part->srcY == 0 && part->width == data->width && part->height == data->height) {
      t.source = &data->image;
    } else {
      SetupMemImgSubRect(&t.sourceView, &data->image, part->srcX, part->srcY, part->width, part->height);
      t.source = &t.sourceView;
    }
    return 0;
  }
  if (!data->surface || !sourceRect) {
    t.failed = 1;
    return -1;
  }
  t.sourceViaWork2 = (InVideoMemory(data->surface) || t.convert) ? 1 : 0;
  RectI moved{sourceRect->left + part->srcX, sourceRect->top + part->srcY, sourceRect->right + part->srcX,
              sourceRect->bottom + part->srcY};
  const int sw = moved.right - moved.left, sh = moved.bottom - moved.top;
  uint8_t* pixels = nullptr;
  int32_t pitch = 0;
  bool ok;
  if (t.sourceViaWork2) {
    plat::SurfRect lockRect{0, 0, sw, sh};
    ok = s.work2 && CopySurfaceRect(s.work2, data->surface, 0, 0, &moved, -1) == 0 &&
         plat::SurfaceLock(s.work2, &lockRect, plat::SURFLOCK_WAIT, &pixels, &pitch) == plat::SURF_OK;
    t.sourceLockedSurface = s.work2;
    t.sourceLockRect = RectI{0, 0, sw, sh};
  } else {
    plat::SurfRect lockRect{moved.left, moved.top, moved.right, moved.bottom};
    ok = plat::SurfaceLock(data->surface, &lockRect, plat::SURFLOCK_WAIT, &pixels, &pitch) == plat::SURF_OK;
    t.sourceLockedSurface = data->surface;
    t.sourceLockRect = moved;
  }
  if (!ok) {
    if (t.locked) plat::SurfaceUnlock(t.lockedSurface);
    RestoreNarrowedDrawArea(&t);
    t.locked = 0;
    t.viaWork = 0;
    t.destination = nullptr;
    t.failed = 1;
    return -1;
  }
  t.sourceLocked = 1;
  // A screen layout the renderer cannot read is read in the standard one, like the destination.
  if (t.sourceViaWork2 && t.convert) ConvertPixelsInPlace(pixels, pitch, sw, sh, StandardColorData(), &s.colorData);
  std::memset(&t.sourceView, 0, sizeof(t.sourceView));
  const int bytes = s.actualBitDepth == 16 ? 2 : 4;
  t.sourceView.pixels = pixels - static_cast<int64_t>(bytes) * sourceRect->left - static_cast<int64_t>(pitch) * sourceRect->top;
  uint32_t tc = data->transparentColor;
  uint32_t key = MakeColorDataPixel(StandardColorData(), (tc >> 16) & 0xFF, (tc >> 8) & 0xFF, tc & 0xFF, 0);
  SetupMemImg(&t.sourceView, part->width, part->height, pitch, key, StandardFormat(), 0, 0, 0);
  t.source = &t.sourceView;
  return 0;
}

int EndSoftwareDrawTarget() {
  if (OnSoftwareScreen()) return 0;
  ScreenState& s = g_ScreenState;
  SoftwareDrawTarget& t = g_SoftwareDrawTarget;
  const int w = t.lockRect.right - t.lockRect.left, h = t.lockRect.bottom - t.lockRect.top;
  if (t.viaWork && t.convert && t.locked) {
    ConvertPixelsInPlace(t.destinationView.pixels + static_cast<int64_t>(MemImgPixelBytes(&t.destinationView)) * t.clippedRect.left +
                             static_cast<int64_t>(t.destinationView.pitch) * t.clippedRect.top,
                         t.destinationView.pitch, w, h, &s.colorData, StandardColorData());
  }
  if (t.locked) plat::SurfaceUnlock(t.lockedSurface);
  if (t.sourceLocked) plat::SurfaceUnlock(t.sourceLockedSurface);
  if (t.viaWork && t.locked) {
    RectI back{0, 0, w, h};
    CopySurfaceRect(t.targetSurface, s.work, t.targetRect.left, t.targetRect.top, &back, -1);
  }
  RestoreNarrowedDrawArea(&t);
  t.locked = t.sourceLocked = t.viaWork = t.failed = 0;
  return 0;
}

MemImg* GetBlendGraphMemImg() {
  if (g_DrawState.blendGraph == -1) return nullptr;
  GraphRecord* g = GetGraphRecord(g_DrawState.blendGraph);
  if (!g || g->create.texture) return nullptr;
  Surface2DRecord* part = GetSurface2D(static_cast<int>(g->parts[0]));
  if (!part) return nullptr;
  SurfaceDataRecord* data = GetSurfaceDataRecord(static_cast<int>(part->surfaceData));
  if (!data || !data->image.pixels) return nullptr;
  return &data->image;
}

int LoadFrontScreenToMemImg() {
  ScreenState& s = g_ScreenState;
  if (!OnSoftwareScreen() || s.noDirectDraw || !s.frontCopyStale || !s.primary || !s.primaryImage.pixels) return 0;
  int width, height;
  GetScreenSize(&width, &height);
  RectI client{0, 0, width, height};
  if (GetWindowModeFlag()) GetMainClientScreenRect(&client);
  RectI area{client.left, client.top, client.left + width, client.top + height};
  RectI bounds{0, 0, plat::SurfaceWidth(s.primary), plat::SurfaceHeight(s.primary)};
  RectI inside = area;
  ClipRectToRect(&inside, &bounds);
  if (inside.left >= inside.right || inside.top >= inside.bottom) return -1;
  uint8_t* pixels = nullptr;
  int32_t pitch = 0;
  plat::SurfRect lockRect{inside.left, inside.top, inside.right, inside.bottom};
  if (plat::SurfaceLock(s.primary, &lockRect, plat::SURFLOCK_WAIT, &pixels, &pitch) != plat::SURF_OK) return -1;
  RectI src{0, 0, inside.right - inside.left, inside.bottom - inside.top};
  ConvertImageBlt(s.primaryImage.pixels, s.primaryImage.pitch, s.primaryImage.colorData, pixels, pitch, &s.colorData,
                  nullptr, 0, nullptr, inside.left - area.left, inside.top - area.top, &src, 0, 0, 0, 0, 0, 0, 0);
  MemImgMarkChanged(&s.primaryImage);
  plat::SurfaceUnlock(s.primary);
  s.frontCopyStale = 0;
  return 0;
}

int ScreenFrontCopyStale() { return g_ScreenState.frontCopyStale; }

int BeginMaskedDraw(int x1, int y1, int x2, int y2) {
  MemImg* img = g_ScreenState.targetImage;
  if (img && img->pixels) SaveMaskedDrawArea(x1, y1, x2, y2, nullptr, img);
  else SaveMaskedDrawArea(x1, y1, x2, y2, g_ScreenState.targetSurface, nullptr);
  return 0;
}

int EndMaskedDraw(int x1, int y1, int x2, int y2) {
  MemImg* img = g_ScreenState.targetImage;
  if (img && img->pixels) MergeMaskedDrawArea(x1, y1, x2, y2, nullptr, img);
  else MergeMaskedDrawArea(x1, y1, x2, y2, g_ScreenState.targetSurface, nullptr);
  return 0;
}

MemImg* GetSoftwareDrawDestMemImg() { return g_SoftwareDrawTarget.destination; }
MemImg* GetSoftwareDrawSourceMemImg() { return g_SoftwareDrawTarget.source; }

MemImg* GetDrawTargetMemImg() {
  MemImg* img = g_ScreenState.targetImage;
  return img && img->pixels ? img : nullptr;
}

int SoftwareDrawHasDisplay() { return g_ScreenState.noDirectDraw || g_ScreenState.device ? 1 : 0; }
int SoftwareDrawOnSoftwareScreen() { return OnSoftwareScreen() ? 1 : 0; }
int SoftwareDrawDisplayReady() { return g_ScreenState.screenInitialised; }
