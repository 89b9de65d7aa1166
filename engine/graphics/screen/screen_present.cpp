// Presenting the finished frame (a page flip in full screen, a copy into the window otherwise) and
// pacing it by the vertical blank or the 16666 us grid.
#include "engine/graphics/screen/screen.h"

#include <cstring>

#include "engine/base/screen_log.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/image/convert_blt.h"
#include "platform/clock.h"
#include "platform/present.h"

namespace {

constexpr uint64_t kFrameGridUs = 16666;

plat::PresentImage ImageOfMemImg(const MemImg* img, const ColorData* cd) {
  plat::PresentImage p{};
  p.pixels = img->pixels;
  p.pitch = img->pitch;
  p.width = img->width;
  p.height = img->height;
  p.format.size = 32;
  p.format.flags = plat::PIXFMT_RGB;
  p.format.bitCount = cd->bitDepth;
  p.format.redMask = cd->redMask;
  p.format.greenMask = cd->greenMask;
  p.format.blueMask = cd->blueMask;
  return p;
}

// The window clipper: a copy into the desktop-sized primary keeps to its edges, the source cut
// in proportion.
void BltToPrimaryClipped(const RectI* dest, plat::Surface* back, const RectI* src) {
  plat::Surface* primary = g_ScreenState.primary;
  const int dw = dest->right - dest->left, dh = dest->bottom - dest->top;
  const int sw = src->right - src->left, sh = src->bottom - src->top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  RectI bounds{0, 0, plat::SurfaceWidth(primary), plat::SurfaceHeight(primary)};
  RectI d = *dest;
  ClipRectToRect(&d, &bounds);
  if (d.left >= d.right || d.top >= d.bottom) return;
  plat::SurfRect dr{d.left, d.top, d.right, d.bottom};
  plat::SurfRect sr{
      src->left + static_cast<int32_t>(static_cast<int64_t>(d.left - dest->left) * sw / dw),
      src->top + static_cast<int32_t>(static_cast<int64_t>(d.top - dest->top) * sh / dh),
      src->left + static_cast<int32_t>((static_cast<int64_t>(d.right - dest->left) * sw + dw - 1) / dw),
      src->top + static_cast<int32_t>((static_cast<int64_t>(d.bottom - dest->top) * sh + dh - 1) / dh)};
  plat::SurfaceBlt(primary, &dr, back, &sr, 0);
}

void PresentDestination(RectI* src, RectI* dest) {
  int width, height;
  GetScreenSize(&width, &height);
  *src = RectI{0, 0, width, height};
  if (GetWindowModeFlag()) {
    RectI client{0, 0, width, height};
    GetMainClientScreenRect(&client);
    double scale = GetWindowScaleRate();
    dest->left = client.left;
    dest->top = client.top;
    dest->right = static_cast<int32_t>(client.left + scale * width);
    dest->bottom = static_cast<int32_t>(client.top + scale * height);
  } else {
    *dest = *src;
  }
}

// Where a whole screen-sized picture goes in the window: full screen fits it to the display with
// black bars; a window shows it at the window's scale.
RectI PictureOutputRect(int width, int height) {
  RectI picture{};
  if (GetFullScreenPictureRect(&picture, nullptr, nullptr) == 0) return picture;
  const double scale = GetWindowModeFlag() ? GetWindowScaleRate() : 1.0;
  return RectI{0, 0, static_cast<int32_t>(scale * width), static_cast<int32_t>(scale * height)};
}

void ShowImageAsPicture(const MemImg* image, const ColorData* cd) {
  if (!image->pixels) return;
  plat::PresenterSetWindow(GetMainWindowNativeHandle());
  plat::PresentImage img = ImageOfMemImg(image, cd);
  const RectI out = PictureOutputRect(img.width, img.height);
  plat::PresenterShow(img, out.left, out.top, out.right - out.left, out.bottom - out.top);
}

}  // namespace

void ShowScreenThroughPresenter(const RectI* destination) {
  ScreenState& s = g_ScreenState;
  if (s.noDirectDraw) {
    ShowImageAsPicture(&s.backImage, &s.colorData);
    return;
  }
  plat::PresenterSetWindow(GetMainWindowNativeHandle());
  if (!s.primary) return;
  const bool window = GetWindowModeFlag() != 0;
  // A window shows its client area of the desktop at 1:1; full screen shows the recorded mode
  // scaled to the window.
  RectI area = window ? *destination : RectI{0, 0, plat::SurfaceWidth(s.primary), plat::SurfaceHeight(s.primary)};
  RectI bounds{0, 0, plat::SurfaceWidth(s.primary), plat::SurfaceHeight(s.primary)};
  RectI clipped = area;
  ClipRectToRect(&clipped, &bounds);
  if (clipped.left >= clipped.right || clipped.top >= clipped.bottom) return;
  uint8_t* pixels = nullptr;
  int32_t pitch = 0;
  plat::SurfRect lockRect{clipped.left, clipped.top, clipped.right, clipped.bottom};
  if (plat::SurfaceLock(s.primary, &lockRect, plat::SURFLOCK_WAIT, &pixels, &pitch) != plat::SURF_OK) return;
  plat::PresentImage img{pixels, pitch, clipped.right - clipped.left, clipped.bottom - clipped.top,
                         plat::SurfaceFormat(s.primary)};
  if (window) {
    plat::PresenterShow(img, clipped.left - area.left, clipped.top - area.top, img.width, img.height);
  } else {
    const RectI out = PictureOutputRect(img.width, img.height);
    plat::PresenterShow(img, out.left, out.top, out.right - out.left, out.bottom - out.top);
  }
  plat::SurfaceUnlock(s.primary);
}

void ShowLastPresentedFrame() {
  ScreenState& s = g_ScreenState;
  if (s.noDirectDraw) {
    // The front image keeps the picture last shown (see KeepFrontImageAsShown).
    ShowImageAsPicture(&s.primaryImage, &s.colorData);
    return;
  }
  if (!s.device || !s.primary) return;
  RectI src, dest;
  PresentDestination(&src, &dest);
  ShowScreenThroughPresenter(&dest);
}

void ConvertBltToSurface(const SurfaceTargetDesc* target, const MemImg* source, int x, int y, int width,
                         int height) {
  if ((source->format != 0 && source->format != 1) || source->paletteFlag || source->alphaFlag) return;
  RectI r{x, y, x + width, y + height};
  ConvertImageBlt(target->pixels, target->pitch, target->colorData, source->pixels, source->pitch, source->colorData,
                  nullptr, 0, nullptr, 0, 0, &r, 0, 0, 0, 0, 0, 0, 0);
}

// Each present takes a blank of its own: a wait never returns twice in one blank, so a skipped
// frame's blank wait and the next present's cannot share one.
void WaitVerticalBlankPaced() {
  ScreenState& s = g_ScreenState;
  if (!s.noDirectDraw) {
    plat::DisplayWaitForNextBlank();
  } else {
    plat::DisplaySleepUntil((plat::MicrosecondClock() / kFrameGridUs + 1) * kFrameGridUs);
  }
  s.lastVBlankWaitTime = plat::MillisecondClock();
}

int WaitVerticalBlank(int count) {
  if (!g_ScreenState.device) return -1;
  if (g_DrawState.notAvailable) return 0;
  WaitWhileInactive();
  if (count == 0) {
    if (ProcessMessage() == 0 && !plat::DisplayInVerticalBlank()) plat::DisplayWaitForBlankBegin();
    return 0;
  }
  if (count < 0) return 0;
  for (int i = 0; i < count; ++i) {
    if (ProcessMessage() < 0) return -1;
    plat::DisplayWaitForNextBlank();
  }
  return 0;
}

// Without a display object the window is the front screen and there is no surface to read it
// back from: the front image takes the picture just shown, so drawing onto the front screen or
// capturing it starts from what the window holds.
static void KeepFrontImageAsShown() {
  ScreenState& s = g_ScreenState;
  const MemImg& back = s.backImage;
  MemImg& front = s.primaryImage;
  if (!back.pixels || !front.pixels || back.format != front.format || back.width != front.width ||
      back.height != front.height) {
    return;
  }
  const size_t rowBytes = static_cast<size_t>(back.width) * MemImgPixelBytes(&back);
  for (int y = 0; y < back.height; ++y) {
    std::memcpy(front.pixels + static_cast<size_t>(y) * front.pitch, back.pixels + static_cast<size_t>(y) * back.pitch,
                rowBytes);
  }
  MemImgMarkChanged(&front);
}

// The log is drawn over the finished picture whatever the caller left set for its own drawing.
static void DrawScreenLogOverlay() {
  if (!IsScreenLogEnabled()) return;
  DrawState& d = g_DrawState;
  const RectI area = d.drawArea;
  const int blendMode = d.blendMode, blendParam = d.blendParam;
  const uint32_t bright = d.drawBright;
  int width = 0, height = 0;
  GetScreenSize(&width, &height);
  SetDrawAreaViewport(0, 0, width, height);
  SetBlendModeState(BLEND_NONE, 0);
  SetDrawBrightRgb(255, 255, 255);
  DrawScreenLog();
  SetDrawAreaViewport(area.left, area.top, area.right, area.bottom);
  SetBlendModeState(blendMode, blendParam);
  SetDrawBrightPacked(bright);
}

int PresentToWindow() {
  ScreenState& s = g_ScreenState;
  if (!s.noDirectDraw && !s.device) return -1;
  DrawScreenLogOverlay();
  if (g_DrawState.drawScreen == DRAW_SCREEN_FRONT) {
    ++s.frameCounter;
    return WaitVerticalBlank(1);
  }
  RectI src, dest;
  PresentDestination(&src, &dest);
  const bool window = GetWindowModeFlag() != 0;
  if (!s.softwareScreen || s.requestedBitDepth == 8) {
    FlushCurrentVertexBuffer();
    EndSceneCurrent();
    if (s.flipWaitsVBlank) WaitVerticalBlankPaced();
    plat::SurfRect sr{src.left, src.top, src.right, src.bottom};
    if (window) {
      BltToPrimaryClipped(&dest, s.back, &src);
    } else if (!s.menuPresentMode && !IsMenuInUse()) {
      plat::SurfaceBltFast(s.primary, 0, 0, s.back, &sr, 0);
    } else {
      plat::SurfaceBlt(s.primary, nullptr, s.back, nullptr, 0);
    }
    ShowScreenThroughPresenter(&dest);
    ++s.frameCounter;
    return 0;
  }
  const uint32_t start = plat::MillisecondClock();
  if (!s.noDirectDraw && s.backImageInSurface) {
    plat::SurfaceUnlock(s.back);
    if (s.flipWaitsVBlank) WaitVerticalBlankPaced();
    BltToPrimaryClipped(window ? &dest : &src, s.back, &src);
    ShowScreenThroughPresenter(&dest);
    BindBackImageToSurface();
  } else if (!s.noDirectDraw) {
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    if (plat::SurfaceLock(s.back, nullptr, plat::SURFLOCK_WAIT, &pixels, &pitch) != plat::SURF_OK) {
      GraphicsFatalStop("バックサーフェスのロックに失敗しました");
      return -1;
    }
    SurfaceTargetDesc desc{&s.colorData, src.right, src.bottom, pitch, pixels};
    ConvertBltToSurface(&desc, &s.backImage, 0, 0, src.right, src.bottom);
    plat::SurfaceUnlock(s.back);
    if (s.flipWaitsVBlank) WaitVerticalBlankPaced();
    BltToPrimaryClipped(window ? &dest : &src, s.back, &src);
    ShowScreenThroughPresenter(&dest);
  } else {
    if (s.flipWaitsVBlank) WaitVerticalBlankPaced();
    ShowScreenThroughPresenter(&dest);
    KeepFrontImageAsShown();
  }
  s.lastPresentDuration = plat::MillisecondClock() - start;
  s.frontCopyStale = 1;
  ++s.frameCounter;
  return 0;
}

int PresentScreen() {
  ScreenState& s = g_ScreenState;
  if (!s.noDirectDraw && !s.device) return -1;
  WaitWhileInactive();
  const bool flip = !s.softwareScreen && !s.menuPresentMode && !s.noDirectDraw && !GetWindowModeFlag() && !IsMenuInUse();
  if (!flip) return PresentToWindow();
  DrawScreenLogOverlay();
  if (g_DrawState.drawScreen == DRAW_SCREEN_FRONT && s.flipWaitsVBlank) {
    ++s.frameCounter;
    return WaitVerticalBlank(1);
  }
  FlushCurrentVertexBuffer();
  EndSceneCurrent();
  if (s.flipWaitsVBlank) plat::DisplayWaitForNextBlank();
  plat::SurfaceFlip(s.primary, s.back);
  RectI src, dest;
  PresentDestination(&src, &dest);
  ShowScreenThroughPresenter(&dest);
  ++s.frameCounter;
  return 0;
}

int UpdateFrontScreenRect(const RectI* rect) {
  ScreenState& s = g_ScreenState;
  int width, height;
  GetScreenSize(&width, &height);
  RectI r = *rect;
  RectI screen{0, 0, width, height};
  ClipRectToRect(&r, &screen);
  if (r.left >= r.right || r.top >= r.bottom) return 0;
  if (!s.primaryImage.pixels) return 0;
  if (!s.noDirectDraw) {
    if (!s.primary) return -1;
    RectI moved = r;
    RectI client{0, 0, width, height};
    if (GetWindowModeFlag() && GetMainClientScreenRect(&client) == 0) {
      moved = RectI{r.left + client.left, r.top + client.top, r.right + client.left, r.bottom + client.top};
    }
    RectI bounds{0, 0, plat::SurfaceWidth(s.primary), plat::SurfaceHeight(s.primary)};
    RectI inside = moved;
    ClipRectToRect(&inside, &bounds);
    if (inside.left >= inside.right || inside.top >= inside.bottom) return 0;
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    plat::SurfRect lockRect{inside.left, inside.top, inside.right, inside.bottom};
    if (plat::SurfaceLock(s.primary, &lockRect, plat::SURFLOCK_WAIT | plat::SURFLOCK_WRITEONLY, &pixels, &pitch) !=
        plat::SURF_OK) {
      return -1;
    }
    SurfaceTargetDesc desc{&s.colorData, width, height, pitch, pixels};
    ConvertBltToSurface(&desc, &s.primaryImage, r.left + (inside.left - moved.left), r.top + (inside.top - moved.top),
                        inside.right - inside.left, inside.bottom - inside.top);
    plat::SurfaceUnlock(s.primary);
    RectI src, dest;
    PresentDestination(&src, &dest);
    ShowScreenThroughPresenter(&dest);
    return 0;
  }
  ShowImageAsPicture(&s.primaryImage, &s.colorData);
  return 0;
}

uint64_t GetPresentFrameCount() { return g_ScreenState.frameCounter; }
