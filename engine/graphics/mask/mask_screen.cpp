// The mask screen and its bracket around every draw while the mask is in effect.
//
// Every draw goes into the save area while the mask is in effect (the software renderer through
// GetMaskMemImg or the locked mask surface, the 3-D device with the mask surface as render target),
// so the merge decides pixel by pixel from the mask bytes what reaches the target. It does not
// test pixel values: a colour-key copy would also drop every freshly drawn pixel that happens to
// equal the key colour (black on a 16-bit screen).
#include "engine/graphics/mask/mask_screen.h"

#include <cstring>
#include <vector>

#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/image/convert_blt.h"
#include "engine/graphics/operations.h"
#include "engine/graphics/screen/screen.h"

namespace {

constexpr uint32_t kKeyColor = 0;

struct MaskScreenState {
  uint8_t* buffer;
  int32_t pitch, width, height;
  plat::Surface* saveSurface;
  MemImg saveImage;
  int32_t saveImageInUse;
  int32_t saveSurfaceInVideoMemory;
  int32_t exists;
};
MaskScreenState g_Mask;

bool OnSoftwareScreen() { return g_ScreenState.softwareScreen && g_ScreenState.requestedBitDepth != 8; }

bool HasSaveArea() { return g_Mask.saveSurface != nullptr || g_Mask.saveImageInUse; }

void FreeMaskBuffer() {
  TrackedFree(g_Mask.buffer);
  g_Mask.buffer = nullptr;
  g_Mask.pitch = g_Mask.width = g_Mask.height = 0;
}

void ReleaseSaveArea() {
  if (g_Mask.saveSurface) plat::SurfaceRelease(g_Mask.saveSurface);
  g_Mask.saveSurface = nullptr;
  g_Mask.saveSurfaceInVideoMemory = 0;
  if (g_Mask.saveImageInUse) ReleaseMemImg(&g_Mask.saveImage);
  std::memset(&g_Mask.saveImage, 0, sizeof(g_Mask.saveImage));
  g_Mask.saveImageInUse = 0;
}

// Pixels to copy between the save area and the target: `r` in draw-screen coordinates (where the
// mask buffer and the save area hold them), the target's pixels at r moved by (dx, dy).
struct MaskSpan {
  RectI r;
  int dx, dy;
};

void ClipTo(RectI* r, int left, int top, int right, int bottom) {
  const RectI bounds{left, top, right, bottom};
  ClipRectToRect(r, &bounds);
}

bool PrepareSpan(int x1, int y1, int x2, int y2, plat::Surface* targetSurface, MemImg* targetImage, MaskSpan* out) {
  if (!HasSaveArea()) return false;
  if (targetImage && !targetImage->pixels) targetImage = nullptr;
  if (!targetImage && !targetSurface) return false;
  EndSceneCurrent();
  RectI r{x1, y1, x2, y2};
  ClipRectToRect(&r, &g_DrawState.drawArea);
  if (r.left >= r.right || r.top >= r.bottom) return false;
  int dx = 0, dy = 0, targetWidth, targetHeight;
  if (targetImage) {
    targetWidth = targetImage->width;
    targetHeight = targetImage->height;
  } else {
    const ScreenState& s = g_ScreenState;
    RectI client;
    if (g_DrawState.drawScreen == DRAW_SCREEN_FRONT && !OnSoftwareScreen() && !s.noDirectDraw && GetWindowModeFlag() &&
        GetMainClientScreenRect(&client) == 0) {
      dx = client.left;
      dy = client.top;
    } else {
      dx = s.targetOffsetX;
      dy = s.targetOffsetY;
    }
    targetWidth = plat::SurfaceWidth(targetSurface);
    targetHeight = plat::SurfaceHeight(targetSurface);
  }
  // Never outside the target, the save area or the mask buffer.
  ClipTo(&r, -dx, -dy, targetWidth - dx, targetHeight - dy);
  int saveWidth, saveHeight;
  if (g_Mask.saveImageInUse) {
    saveWidth = g_Mask.saveImage.width;
    saveHeight = g_Mask.saveImage.height;
  } else {
    saveWidth = plat::SurfaceWidth(g_Mask.saveSurface);
    saveHeight = plat::SurfaceHeight(g_Mask.saveSurface);
  }
  ClipTo(&r, 0, 0, saveWidth, saveHeight);
  if (g_Mask.buffer) ClipTo(&r, 0, 0, g_Mask.width, g_Mask.height);
  if (r.left >= r.right || r.top >= r.bottom) return false;
  *out = MaskSpan{r, dx, dy};
  return true;
}

// Colour data of a surface's own pixel format.
void SurfaceColorData(plat::Surface* s, ColorData* cd) {
  const plat::PixelFormat& f = plat::SurfaceFormat(s);
  const PixelFormatRecord pf{f.size, f.flags, f.fourCC, f.bitCount, f.redMask, f.greenMask, f.blueMask, f.alphaMask};
  ColorDataFromPixelFormat(&pf, cd);
}

// Copies the w x h pixels whose mask byte is non-zero; the mask is read four bytes at a time, the
// rest of a row one byte at a time. No mask buffer lets everything through.
void CopyWhereMaskAllows(uint8_t* dst, int32_t dstPitch, const uint8_t* src, int32_t srcPitch, int bytes, int w, int h,
                         const uint8_t* mask, int32_t maskPitch) {
  for (int y = 0; y < h; ++y) {
    uint8_t* d = dst + static_cast<int64_t>(y) * dstPitch;
    const uint8_t* s = src + static_cast<int64_t>(y) * srcPitch;
    if (!mask) {
      std::memcpy(d, s, static_cast<size_t>(w) * bytes);
      continue;
    }
    const uint8_t* m = mask + static_cast<int64_t>(y) * maskPitch;
    int x = 0;
    for (; x + 4 <= w; x += 4) {
      uint32_t four;
      std::memcpy(&four, m + x, 4);
      if (four == 0) continue;
      if ((four & 0xFFu) && (four & 0xFF00u) && (four & 0xFF0000u) && (four & 0xFF000000u)) {
        std::memcpy(d + x * bytes, s + x * bytes, static_cast<size_t>(4) * bytes);
        continue;
      }
      for (int k = 0; k < 4; ++k) {
        if (m[x + k]) std::memcpy(d + (x + k) * bytes, s + (x + k) * bytes, bytes);
      }
    }
    for (; x < w; ++x) {
      if (m[x]) std::memcpy(d + x * bytes, s + x * bytes, bytes);
    }
  }
}

// The merge onto pixels described by (dst, dstPitch, dstCd) from the save area's (src, srcPitch,
// srcCd), both at the span's top-left.
void MergePixels(uint8_t* dst, int32_t dstPitch, const ColorData* dstCd, const uint8_t* src, int32_t srcPitch,
                 const ColorData* srcCd, const MaskSpan& span) {
  const int w = span.r.right - span.r.left, h = span.r.bottom - span.r.top;
  const uint8_t* mask = g_Mask.buffer ? g_Mask.buffer + static_cast<int64_t>(span.r.top) * g_Mask.pitch + span.r.left
                                      : nullptr;
  const int bytes = dstCd->pixelBytes;
  if (IsSameColorData(dstCd, srcCd) && dstCd->pixelBytes == srcCd->pixelBytes) {
    CopyWhereMaskAllows(dst, dstPitch, src, srcPitch, bytes, w, h, mask, g_Mask.pitch);
    return;
  }
  // Formats differ: convert the rectangle once into the target's format, then copy by the mask.
  std::vector<uint8_t> converted(static_cast<size_t>(w) * h * bytes);
  const RectI whole{0, 0, w, h};
  if (ConvertImageBlt(converted.data(), w * bytes, dstCd, src, srcPitch, srcCd, nullptr, 0, nullptr, 0, 0, &whole, 0, 0,
                      0, g_DrawState.reductionMode, 0, 0, 0) < 0) {
    return;
  }
  CopyWhereMaskAllows(dst, dstPitch, converted.data(), w * bytes, bytes, w, h, mask, g_Mask.pitch);
}

uint8_t* ImagePixelAt(MemImg* img, int x, int y) {
  return img->pixels + static_cast<int64_t>(y) * img->pitch + static_cast<int64_t>(x) * MemImgPixelBytes(img);
}

}  // namespace

int MaskScreenExists() { return g_Mask.exists; }

void MaskScreenParts(int* hasBuffer, int* hasSaveArea) {
  *hasBuffer = g_Mask.buffer ? 1 : 0;
  *hasSaveArea = HasSaveArea() ? 1 : 0;
}

int CreateMaskScreen(int makeBuffer, int makeSaveArea) {
  int width, height;
  GetScreenSize(&width, &height);
  // A buffer kept over a display rebuild is kept only while the screen keeps its size.
  if (makeBuffer && g_Mask.buffer && (g_Mask.width != width || g_Mask.height != height)) FreeMaskBuffer();
  if (makeBuffer && !g_Mask.buffer) {
    const int32_t pitch = (width + 3) & ~3;
    g_Mask.buffer = static_cast<uint8_t*>(TRACKED_CALLOC(static_cast<size_t>(pitch) * height));
    if (!g_Mask.buffer) return LogWrite("マスク用バッファの確保に失敗しました\n");
    g_Mask.pitch = pitch;
    g_Mask.width = width;
    g_Mask.height = height;
  }
  if (makeSaveArea && !HasSaveArea()) {
    if (OnSoftwareScreen()) {
      if (CreateScreenMemImg(&g_Mask.saveImage, width, height, -1) != 0) {
        GraphicsFatalStop("マスク用 MEMIMG の作成に失敗しました");
        return -1;
      }
      g_Mask.saveImageInUse = 1;
    } else {
      plat::SurfaceDesc desc{};
      desc.caps = plat::SURFCAPS_OFFSCREENPLAIN | (g_ScreenState.softwareScreen ? plat::SURFCAPS_SYSTEMMEMORY
                                                                                : plat::SURFCAPS_3DDEVICE);
      desc.width = width;
      desc.height = height;
      plat::SurfaceDevice* device = ScreenSurfaceDevice();
      if (!device || plat::SurfaceCreate(device, desc, &g_Mask.saveSurface) != plat::SURF_OK) {
        g_Mask.saveSurface = nullptr;
        GraphicsFatalStop("マスク用サーフェスの作成に失敗しました");
        return -1;
      }
      plat::SurfaceSetColorKey(g_Mask.saveSurface, kKeyColor, kKeyColor);
      g_Mask.saveSurfaceInVideoMemory = (plat::SurfaceCaps(g_Mask.saveSurface) & plat::SURFCAPS_VIDEOMEMORY) ? 1 : 0;
    }
  }
  g_Mask.exists = 1;
  return 0;
}

// The save area goes with the display; the mask bytes are plain memory and stay, so that the mask
// re-created after the rebuild still lets through what it did before.
void ReleaseMaskScreen() { ReleaseSaveArea(); }

void DeleteMaskScreen() {
  WaitWhileInactive();
  if (g_DrawState.useMask) SetUseMaskFlag(0);
  g_DrawState.useMask = 0;
  ReleaseSaveArea();
  FreeMaskBuffer();
  g_Mask.exists = 0;
  g_DrawState.maskInEffect = 0;
}

int SetUseMaskFlag(int flag) {
  if (!g_Mask.buffer) return -1;
  g_DrawState.useMask = flag;
  g_DrawState.maskInEffect = (flag && g_Mask.exists) ? 1 : 0;
  int width = 0, height = 0;
  GetGraphDimensions(g_DrawState.drawScreen, &width, &height);
  RectI rect{0, 0, width, height};
  RectI client;
  if (IsDrawTargetPrimary() && flag == 0 && !OnSoftwareScreen() && GetMainClientScreenRect(&client) == 0) rect = client;
  SetDrawScreenRect(&rect);
  if (Direct3DInUse()) SetDrawTargetSurface3D(g_DrawState.maskInEffect && g_Mask.saveSurface ? 1 : 0);
  return 0;
}

MemImg* GetMaskMemImg() { return g_Mask.saveImageInUse ? &g_Mask.saveImage : nullptr; }

plat::Surface* GetMaskSurface() { return g_Mask.saveSurface; }

uint8_t* GetMaskBuffer(int* pitch, int* width, int* height) {
  if (pitch) *pitch = g_Mask.pitch;
  if (width) *width = g_Mask.width;
  if (height) *height = g_Mask.height;
  return g_Mask.buffer;
}

int FillMaskScreenRect(int x1, int y1, int x2, int y2, int value) {
  if (!g_Mask.buffer) return -1;
  RectI r{x1, y1, x2, y2};
  NormalizeRect(&r);
  ClipTo(&r, 0, 0, g_Mask.width, g_Mask.height);
  for (int y = r.top; y < r.bottom; ++y) {
    std::memset(g_Mask.buffer + static_cast<int64_t>(y) * g_Mask.pitch + r.left, value & 0xFF,
                static_cast<size_t>(r.right - r.left));
  }
  return 0;
}

int SaveMaskedDrawArea(int x1, int y1, int x2, int y2, plat::Surface* targetSurface, MemImg* targetImage) {
  MaskSpan span;
  if (!PrepareSpan(x1, y1, x2, y2, targetSurface, targetImage, &span)) return 0;
  const RectI& r = span.r;
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (targetImage && targetImage->pixels) {
    if (g_Mask.saveImageInUse) {
      CopyMemImgConverted(&g_Mask.saveImage, targetImage, &r, r.left, r.top);
      return 0;
    }
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    plat::SurfRect lockRect{r.left, r.top, r.right, r.bottom};
    if (plat::SurfaceLock(g_Mask.saveSurface, &lockRect, plat::SURFLOCK_WAIT | plat::SURFLOCK_WRITEONLY, &pixels,
                          &pitch) != plat::SURF_OK) {
      return 0;
    }
    ColorData saveCd;
    SurfaceColorData(g_Mask.saveSurface, &saveCd);
    const RectI source{0, 0, w, h};
    ConvertImageBlt(pixels, pitch, &saveCd, ImagePixelAt(targetImage, r.left, r.top), targetImage->pitch,
                    targetImage->colorData, nullptr, 0, nullptr, 0, 0, &source, 0, 0, 0, g_DrawState.reductionMode, 0,
                    0, 0);
    plat::SurfaceUnlock(g_Mask.saveSurface);
    return 0;
  }
  if (!g_Mask.saveSurface) return 0;
  plat::SurfRect source{r.left + span.dx, r.top + span.dy, r.right + span.dx, r.bottom + span.dy};
  plat::SurfaceBltFast(g_Mask.saveSurface, r.left, r.top, targetSurface, &source, 0);
  return 0;
}

int MergeMaskedDrawArea(int x1, int y1, int x2, int y2, plat::Surface* targetSurface, MemImg* targetImage) {
  MaskSpan span;
  if (!PrepareSpan(x1, y1, x2, y2, targetSurface, targetImage, &span)) return 0;
  const RectI& r = span.r;
  const bool toImage = targetImage && targetImage->pixels;
  if (!toImage && g_Mask.saveImageInUse) return 0;   // a software screen draws into images only

  // The save area's pixels.
  const uint8_t* src;
  int32_t srcPitch;
  ColorData saveCd;
  const ColorData* srcCd;
  if (g_Mask.saveImageInUse) {
    src = ImagePixelAt(&g_Mask.saveImage, r.left, r.top);
    srcPitch = g_Mask.saveImage.pitch;
    srcCd = g_Mask.saveImage.colorData;
  } else {
    uint8_t* pixels = nullptr;
    plat::SurfRect lockRect{r.left, r.top, r.right, r.bottom};
    if (plat::SurfaceLock(g_Mask.saveSurface, &lockRect, plat::SURFLOCK_WAIT, &pixels, &srcPitch) != plat::SURF_OK) {
      return 0;
    }
    src = pixels;
    SurfaceColorData(g_Mask.saveSurface, &saveCd);
    srcCd = &saveCd;
  }

  if (toImage) {
    MergePixels(ImagePixelAt(targetImage, r.left, r.top), targetImage->pitch, targetImage->colorData, src, srcPitch,
                srcCd, span);
    MemImgMarkChanged(targetImage);
  } else {
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    plat::SurfRect lockRect{r.left + span.dx, r.top + span.dy, r.right + span.dx, r.bottom + span.dy};
    if (plat::SurfaceLock(targetSurface, &lockRect, plat::SURFLOCK_WAIT, &pixels, &pitch) == plat::SURF_OK) {
      ColorData targetCd;
      SurfaceColorData(targetSurface, &targetCd);
      MergePixels(pixels, pitch, &targetCd, src, srcPitch, srcCd, span);
      plat::SurfaceUnlock(targetSurface);
    }
  }
  if (!g_Mask.saveImageInUse) plat::SurfaceUnlock(g_Mask.saveSurface);
  return 0;
}
