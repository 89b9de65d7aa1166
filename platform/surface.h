// Screen surfaces: plain blocks of memory in a pixel format, standing where the display's surfaces
// stood. "Video memory" is only a caps flag, never a different place. A surface can be locked
// (once: a second lock is refused), filled with a colour or a depth, blitted 1:1 or stretched
// (optionally skipping the source colour key), and lost; a lost surface refuses locks and blits
// until it is restored, empty. Tests lose surfaces through SurfaceDeviceLoseAll.
#pragma once
#include <cstdint>

namespace plat {

// The 32-byte pixel-format record the engine stores and compares.
struct PixelFormat {
  uint32_t size;          // 32
  uint32_t flags;         // PIXFMT_*
  uint32_t fourCC;
  uint32_t bitCount;
  uint32_t redMask;       // Z-buffer formats: the depth mask
  uint32_t greenMask;
  uint32_t blueMask;
  uint32_t alphaMask;
};

enum : uint32_t {
  PIXFMT_ALPHAPIXELS = 0x1,
  PIXFMT_PALETTEINDEXED8 = 0x20,
  PIXFMT_RGB = 0x40,
  PIXFMT_ZBUFFER = 0x400,
};

enum : uint32_t {
  SURFCAPS_OFFSCREENPLAIN = 0x40,
  SURFCAPS_PRIMARY = 0x200,
  SURFCAPS_SYSTEMMEMORY = 0x800,
  SURFCAPS_TEXTURE = 0x1000,
  SURFCAPS_3DDEVICE = 0x2000,
  SURFCAPS_VIDEOMEMORY = 0x4000,
  SURFCAPS_ZBUFFER = 0x20000,
  SURFCAPS2_TEXTUREMANAGE = 0x10,
};

enum : uint32_t {
  SURFLOCK_WAIT = 0x1,
  SURFLOCK_WRITEONLY = 0x20,
};

enum : uint32_t { SURFBLT_KEYSRC = 0x8000 };

// Results: 0 success, or one of these.
enum : int {
  SURF_OK = 0,
  SURF_ERR_INVALID = -1,     // bad arguments or format pair
  SURF_ERR_NOMEMORY = -2,    // allocation failed, or the video memory budget is spent
  SURF_ERR_BUSY = -3,        // already locked
  SURF_ERR_NOTLOCKED = -4,
  SURF_ERR_LOST = -5,
};

struct SurfRect { int32_t left, top, right, bottom; };

struct SurfaceDesc {
  uint32_t caps;
  uint32_t caps2;
  int32_t width, height;
  bool hasFormat;           // false: the device's display format
  PixelFormat format;
};

struct SurfaceDevice;       // stands for the display object that creates surfaces
struct Surface;

SurfaceDevice* SurfaceDeviceCreate(const PixelFormat& displayFormat);   // nullptr on no memory
void SurfaceDeviceDestroy(SurfaceDevice* dev);          // surfaces still alive become lost
const PixelFormat& SurfaceDeviceDisplayFormat(const SurfaceDevice* dev);
// Video-memory surfaces beyond this many bytes fail with SURF_ERR_NOMEMORY; -1 is no limit.
void SurfaceDeviceSetVideoMemoryLimit(SurfaceDevice* dev, int64_t bytes);
void SurfaceDeviceLoseAll(SurfaceDevice* dev);          // test hook: every surface becomes lost
// A display-mode switch: surfaces made afterwards without a format take the new one.
void SurfaceDeviceSetDisplayFormat(SurfaceDevice* dev, const PixelFormat& displayFormat);

int SurfaceCreate(SurfaceDevice* dev, const SurfaceDesc& desc, Surface** out);  // SURF_* result
void SurfaceRelease(Surface* s);                        // also detaches an attached Z surface
uint32_t SurfaceCaps(const Surface* s);                 // caps as made: SYSTEMMEMORY or VIDEOMEMORY set
uint32_t SurfaceCaps2(const Surface* s);
const PixelFormat& SurfaceFormat(const Surface* s);
int32_t SurfaceWidth(const Surface* s);
int32_t SurfaceHeight(const Surface* s);

// Locks the rectangle (or the whole surface); pointer to its first pixel and the row pitch.
int SurfaceLock(Surface* s, const SurfRect* r, uint32_t flags, uint8_t** pixels, int32_t* pitch);
int SurfaceUnlock(Surface* s);
bool SurfaceIsLocked(const Surface* s);

int SurfaceColorFill(Surface* s, const SurfRect* r, uint32_t pixel);   // r null: whole surface
int SurfaceDepthFill(Surface* s, const SurfRect* r, uint32_t depth);   // Z surfaces only
// Copies src rectangle onto dst rectangle (stretched, nearest pixel, when sizes differ); both of
// one pixel format. SURFBLT_KEYSRC leaves out source pixels inside the source colour key.
int SurfaceBlt(Surface* dst, const SurfRect* dstRect, Surface* src, const SurfRect* srcRect, uint32_t flags);
int SurfaceBltFast(Surface* dst, int32_t x, int32_t y, Surface* src, const SurfRect* srcRect, uint32_t flags);

// Page flip: the two surfaces (same size and format) exchange their pixels; both must be unlocked.
int SurfaceFlip(Surface* front, Surface* back);

int SurfaceSetColorKey(Surface* s, uint32_t low, uint32_t high);       // source colour key
bool SurfaceGetColorKey(const Surface* s, uint32_t* low, uint32_t* high);  // false: none set
int SurfaceSetPalette(Surface* s, const uint32_t* entries);            // 256 x 0x00RRGGBB, 8-bit only
const uint32_t* SurfacePalette(const Surface* s);                      // null when not 8-bit

int SurfaceAttachZ(Surface* s, Surface* z);
int SurfaceDetachZ(Surface* s, Surface* z);
Surface* SurfaceAttachedZ(const Surface* s);

bool SurfaceIsLost(const Surface* s);
int SurfaceRestore(Surface* s);                         // 0; the pixels come back as zero bytes

}  // namespace plat
