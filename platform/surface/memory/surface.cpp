// Plain memory surfaces.
#include "platform/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace plat {

struct SurfaceDevice {
  PixelFormat display;
  int64_t videoLimit;           // -1: no limit
  int64_t videoUsed;
  std::vector<Surface*> surfaces;
};

struct Surface {
  SurfaceDevice* dev;
  uint32_t caps, caps2;
  int32_t width, height;
  PixelFormat format;
  int32_t bytesPerPixel;
  int32_t pitch;
  uint8_t* pixels;
  bool locked;
  bool lost;
  bool hasKey;
  uint32_t keyLow, keyHigh;
  uint32_t palette[256];
  Surface* attachedZ;
  Surface* attachedTo;
  int64_t videoBytes;
};

SurfaceDevice* SurfaceDeviceCreate(const PixelFormat& displayFormat) {
  SurfaceDevice* dev = new (std::nothrow) SurfaceDevice();
  if (!dev) return nullptr;
  dev->display = displayFormat;
  dev->videoLimit = -1;
  dev->videoUsed = 0;
  return dev;
}

void SurfaceDeviceDestroy(SurfaceDevice* dev) {
  if (!dev) return;
  // Surfaces outlive the device only as lost husks; their owners still release them.
  for (Surface* s : dev->surfaces) {
    s->lost = true;
    s->dev = nullptr;
  }
  delete dev;
}

const PixelFormat& SurfaceDeviceDisplayFormat(const SurfaceDevice* dev) { return dev->display; }

void SurfaceDeviceSetDisplayFormat(SurfaceDevice* dev, const PixelFormat& displayFormat) {
  dev->display = displayFormat;
}

void SurfaceDeviceSetVideoMemoryLimit(SurfaceDevice* dev, int64_t bytes) { dev->videoLimit = bytes; }

void SurfaceDeviceLoseAll(SurfaceDevice* dev) {
  for (Surface* s : dev->surfaces) s->lost = true;
}

static bool ValidFormat(const PixelFormat& f) {
  return f.bitCount == 8 || f.bitCount == 16 || f.bitCount == 24 || f.bitCount == 32;
}

int SurfaceCreate(SurfaceDevice* dev, const SurfaceDesc& desc, Surface** out) {
  *out = nullptr;
  if (!dev || desc.width <= 0 || desc.height <= 0 || desc.width > 32768 || desc.height > 32768) {
    return SURF_ERR_INVALID;
  }
  PixelFormat fmt = desc.hasFormat ? desc.format : dev->display;
  if (!desc.hasFormat && (desc.caps & SURFCAPS_ZBUFFER)) return SURF_ERR_INVALID;
  if (!ValidFormat(fmt)) return SURF_ERR_INVALID;
  int32_t bpp = static_cast<int32_t>(fmt.bitCount / 8);
  int32_t pitch = (desc.width * bpp + 7) & ~7;
  int64_t bytes = static_cast<int64_t>(pitch) * desc.height;
  uint32_t caps = desc.caps;
  bool video = !(caps & SURFCAPS_SYSTEMMEMORY);
  if (video) {
    if (dev->videoLimit >= 0 && dev->videoUsed + bytes > dev->videoLimit) return SURF_ERR_NOMEMORY;
    caps |= SURFCAPS_VIDEOMEMORY;
  } else {
    caps &= ~SURFCAPS_VIDEOMEMORY;
  }
  Surface* s = new (std::nothrow) Surface();
  if (!s) return SURF_ERR_NOMEMORY;
  s->pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes), 1));
  if (!s->pixels) {
    delete s;
    return SURF_ERR_NOMEMORY;
  }
  s->dev = dev;
  s->caps = caps;
  s->caps2 = desc.caps2;
  s->width = desc.width;
  s->height = desc.height;
  s->format = fmt;
  s->bytesPerPixel = bpp;
  s->pitch = pitch;
  s->videoBytes = video ? bytes : 0;
  dev->videoUsed += s->videoBytes;
  dev->surfaces.push_back(s);
  *out = s;
  return SURF_OK;
}

void SurfaceRelease(Surface* s) {
  if (!s) return;
  if (s->attachedZ) s->attachedZ->attachedTo = nullptr;
  if (s->attachedTo) s->attachedTo->attachedZ = nullptr;
  if (s->dev) {
    s->dev->videoUsed -= s->videoBytes;
    auto& v = s->dev->surfaces;
    v.erase(std::remove(v.begin(), v.end(), s), v.end());
  }
  std::free(s->pixels);
  delete s;
}

uint32_t SurfaceCaps(const Surface* s) { return s->caps; }
uint32_t SurfaceCaps2(const Surface* s) { return s->caps2; }
const PixelFormat& SurfaceFormat(const Surface* s) { return s->format; }
int32_t SurfaceWidth(const Surface* s) { return s->width; }
int32_t SurfaceHeight(const Surface* s) { return s->height; }

static bool RectInside(const Surface* s, const SurfRect& r) {
  return r.left >= 0 && r.top >= 0 && r.left <= r.right && r.top <= r.bottom && r.right <= s->width &&
         r.bottom <= s->height;
}

static SurfRect Whole(const Surface* s) { return SurfRect{0, 0, s->width, s->height}; }

int SurfaceLock(Surface* s, const SurfRect* r, uint32_t, uint8_t** pixels, int32_t* pitch) {
  if (s->lost) return SURF_ERR_LOST;
  if (s->locked) return SURF_ERR_BUSY;
  SurfRect rr = r ? *r : Whole(s);
  if (!RectInside(s, rr)) return SURF_ERR_INVALID;
  s->locked = true;
  *pixels = s->pixels + static_cast<int64_t>(rr.top) * s->pitch + static_cast<int64_t>(rr.left) * s->bytesPerPixel;
  *pitch = s->pitch;
  return SURF_OK;
}

int SurfaceUnlock(Surface* s) {
  if (!s->locked) return SURF_ERR_NOTLOCKED;
  s->locked = false;
  return SURF_OK;
}

bool SurfaceIsLocked(const Surface* s) { return s->locked; }

static inline uint32_t ReadPixel(const uint8_t* p, int bpp) {
  switch (bpp) {
    case 1: return p[0];
    case 2: { uint16_t v; std::memcpy(&v, p, 2); return v; }
    case 3: return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
    default: { uint32_t v; std::memcpy(&v, p, 4); return v; }
  }
}

static inline void WritePixel(uint8_t* p, int bpp, uint32_t v) {
  switch (bpp) {
    case 1: p[0] = static_cast<uint8_t>(v); break;
    case 2: { uint16_t w = static_cast<uint16_t>(v); std::memcpy(p, &w, 2); break; }
    case 3: p[0] = static_cast<uint8_t>(v); p[1] = static_cast<uint8_t>(v >> 8); p[2] = static_cast<uint8_t>(v >> 16); break;
    default: std::memcpy(p, &v, 4); break;
  }
}

static int Fill(Surface* s, const SurfRect* r, uint32_t value) {
  if (s->lost) return SURF_ERR_LOST;
  if (s->locked) return SURF_ERR_BUSY;
  SurfRect rr = r ? *r : Whole(s);
  if (!RectInside(s, rr)) return SURF_ERR_INVALID;
  for (int32_t y = rr.top; y < rr.bottom; ++y) {
    uint8_t* row = s->pixels + static_cast<int64_t>(y) * s->pitch;
    for (int32_t x = rr.left; x < rr.right; ++x) WritePixel(row + x * s->bytesPerPixel, s->bytesPerPixel, value);
  }
  return SURF_OK;
}

int SurfaceColorFill(Surface* s, const SurfRect* r, uint32_t pixel) {
  if (s->format.flags & PIXFMT_ZBUFFER) return SURF_ERR_INVALID;
  return Fill(s, r, pixel);
}

int SurfaceDepthFill(Surface* s, const SurfRect* r, uint32_t depth) {
  if (!(s->format.flags & PIXFMT_ZBUFFER)) return SURF_ERR_INVALID;
  return Fill(s, r, depth);
}

static bool SameFormat(const PixelFormat& a, const PixelFormat& b) {
  return a.bitCount == b.bitCount && a.redMask == b.redMask && a.greenMask == b.greenMask &&
         a.blueMask == b.blueMask && a.alphaMask == b.alphaMask &&
         (a.flags & (PIXFMT_PALETTEINDEXED8 | PIXFMT_ZBUFFER)) == (b.flags & (PIXFMT_PALETTEINDEXED8 | PIXFMT_ZBUFFER));
}

int SurfaceBlt(Surface* dst, const SurfRect* dstRect, Surface* src, const SurfRect* srcRect, uint32_t flags) {
  if (!dst || !src) return SURF_ERR_INVALID;
  if (dst->lost || src->lost) return SURF_ERR_LOST;
  if (dst->locked || src->locked) return SURF_ERR_BUSY;
  if (!SameFormat(dst->format, src->format)) return SURF_ERR_INVALID;
  SurfRect dr = dstRect ? *dstRect : Whole(dst);
  SurfRect sr = srcRect ? *srcRect : Whole(src);
  if (!RectInside(dst, dr) || !RectInside(src, sr)) return SURF_ERR_INVALID;
  int32_t dw = dr.right - dr.left, dh = dr.bottom - dr.top;
  int32_t sw = sr.right - sr.left, sh = sr.bottom - sr.top;
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return SURF_OK;
  bool key = (flags & SURFBLT_KEYSRC) && src->hasKey;
  int bpp = dst->bytesPerPixel;
  // A blit within one surface reads from a copy, so that it reads unchanged pixels.
  std::vector<uint8_t> srcCopy;
  const uint8_t* srcBase = src->pixels;
  int32_t srcPitch = src->pitch;
  if (src == dst) {
    srcCopy.assign(src->pixels, src->pixels + static_cast<int64_t>(src->pitch) * src->height);
    srcBase = srcCopy.data();
  }
  // A plain copy at 1:1 (every present into the window) goes by rows.
  if (!key && dw == sw && dh == sh) {
    for (int32_t y = 0; y < dh; ++y) {
      std::memcpy(dst->pixels + static_cast<int64_t>(dr.top + y) * dst->pitch + static_cast<int64_t>(dr.left) * bpp,
                  srcBase + static_cast<int64_t>(sr.top + y) * srcPitch + static_cast<int64_t>(sr.left) * bpp,
                  static_cast<size_t>(dw) * bpp);
    }
    return SURF_OK;
  }
  std::vector<int32_t> columns(static_cast<size_t>(dw));
  for (int32_t x = 0; x < dw; ++x) columns[size_t(x)] = (sr.left + static_cast<int32_t>(static_cast<int64_t>(x) * sw / dw)) * bpp;
  for (int32_t y = 0; y < dh; ++y) {
    int32_t sy = sr.top + static_cast<int32_t>(static_cast<int64_t>(y) * sh / dh);
    const uint8_t* srow = srcBase + static_cast<int64_t>(sy) * srcPitch;
    uint8_t* drow = dst->pixels + static_cast<int64_t>(dr.top + y) * dst->pitch + static_cast<int64_t>(dr.left) * bpp;
    for (int32_t x = 0; x < dw; ++x) {
      uint32_t v = ReadPixel(srow + columns[size_t(x)], bpp);
      if (key && v >= src->keyLow && v <= src->keyHigh) continue;
      WritePixel(drow + x * bpp, bpp, v);
    }
  }
  return SURF_OK;
}

int SurfaceBltFast(Surface* dst, int32_t x, int32_t y, Surface* src, const SurfRect* srcRect, uint32_t flags) {
  if (!dst || !src) return SURF_ERR_INVALID;
  SurfRect sr = srcRect ? *srcRect : Whole(src);
  SurfRect dr{x, y, x + (sr.right - sr.left), y + (sr.bottom - sr.top)};
  return SurfaceBlt(dst, &dr, src, &sr, flags);
}

int SurfaceFlip(Surface* front, Surface* back) {
  if (!front || !back) return SURF_ERR_INVALID;
  if (front->lost || back->lost) return SURF_ERR_LOST;
  if (front->locked || back->locked) return SURF_ERR_BUSY;
  if (!SameFormat(front->format, back->format) || front->width != back->width || front->height != back->height ||
      front->pitch != back->pitch) {
    return SURF_ERR_INVALID;
  }
  std::swap(front->pixels, back->pixels);
  return SURF_OK;
}

int SurfaceSetColorKey(Surface* s, uint32_t low, uint32_t high) {
  if (s->lost) return SURF_ERR_LOST;
  s->hasKey = true;
  s->keyLow = low;
  s->keyHigh = high;
  return SURF_OK;
}

bool SurfaceGetColorKey(const Surface* s, uint32_t* low, uint32_t* high) {
  if (!s->hasKey) return false;
  if (low) *low = s->keyLow;
  if (high) *high = s->keyHigh;
  return true;
}

int SurfaceSetPalette(Surface* s, const uint32_t* entries) {
  if (s->format.bitCount != 8) return SURF_ERR_INVALID;
  std::memcpy(s->palette, entries, sizeof(s->palette));
  return SURF_OK;
}

const uint32_t* SurfacePalette(const Surface* s) { return s->format.bitCount == 8 ? s->palette : nullptr; }

int SurfaceAttachZ(Surface* s, Surface* z) {
  if (!s || !z || s->attachedZ || z->attachedTo || !(z->format.flags & PIXFMT_ZBUFFER)) return SURF_ERR_INVALID;
  s->attachedZ = z;
  z->attachedTo = s;
  return SURF_OK;
}

int SurfaceDetachZ(Surface* s, Surface* z) {
  if (!s || !z || s->attachedZ != z) return SURF_ERR_INVALID;
  s->attachedZ = nullptr;
  z->attachedTo = nullptr;
  return SURF_OK;
}

Surface* SurfaceAttachedZ(const Surface* s) { return s->attachedZ; }

bool SurfaceIsLost(const Surface* s) { return s->lost; }

int SurfaceRestore(Surface* s) {
  if (!s->dev) return SURF_ERR_LOST;
  if (s->lost) {
    std::memset(s->pixels, 0, static_cast<size_t>(s->pitch) * s->height);
    s->lost = false;
    s->locked = false;
  }
  return SURF_OK;
}

}  // namespace plat
