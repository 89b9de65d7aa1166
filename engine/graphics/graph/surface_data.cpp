// Surface data: the table, creation with its fall-backs, colour keys, Z buffers, nested locks,
// colour fill, restore of lost surfaces and release.
#include "engine/graphics/graph/surface_data.h"

#include <cstring>

#include "engine/base/handle.h"
#include "engine/base/log.h"
#include "engine/graphics/graphics_hooks.h"

static HandleTable g_SurfaceDataTable;

static HandleTable* Table() {
  if (!g_SurfaceDataTable.slots) HandleTableInit(&g_SurfaceDataTable, HANDLE_KIND_SURFACEDATA, SURFACE_DATA_TABLE_SIZE);
  return &g_SurfaceDataTable;
}

SurfaceDataRecord* GetSurfaceDataRecord(int handle) {
  return static_cast<SurfaceDataRecord*>(HandleLookup(Table(), handle));
}

int GetSurfaceDataCount() { return Table()->count; }

static void ReleaseRecordSurfaces(SurfaceDataRecord* r) {
  if (r->zSurface) {
    if (r->surface) plat::SurfaceDetachZ(r->surface, r->zSurface);
    plat::SurfaceRelease(r->zSurface);
    r->zSurface = nullptr;
  }
  if (r->surface) {
    plat::SurfaceRelease(r->surface);
    r->surface = nullptr;
  }
  if (r->softwareImageMode) {
    ReleaseMemImg(&r->image);
    ReleaseMemImg(&r->zImage);
  }
  std::memset(&r->image, 0, sizeof(r->image));
  std::memset(&r->zImage, 0, sizeof(r->zImage));
  r->zBufferFlag = 0;
  r->lockCount = 0;
  r->lockPointer = nullptr;
}

int AddSurfaceData(int refCount, int width, int height, uint32_t transparentColor, const GraphCreationBytes* create) {
  HandleTable* t = Table();
  if (t->count >= SURFACE_DATA_TABLE_SIZE) return LogWrite("サーフェスのデータ数が許容量を越えました。\n");
  if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return -1;
  int handle = HandleCreate(t, sizeof(SurfaceDataRecord));
  if (handle < 0) return LogWrite("サーフェス用データを保存するメモリ領域の確保に失敗しました\n");
  SurfaceDataRecord* r = GetSurfaceDataRecord(handle);
  r->create = *create;
  r->width = static_cast<uint16_t>(width);
  r->height = static_cast<uint16_t>(height);
  r->refCount = refCount;
  r->transparentColor = transparentColor;
  if (!r->create.texture) {
    if (r->create.alphaChannel == 1) r->create.systemMemory = 1;
    r->create.drawValid = 1;
    r->create.alphaTest = 0;
  } else {
    r->create.systemMemory = 0;
    if (r->create.drawValid || r->create.alphaChannel == 1) r->create.alphaTest = 0;
  }
  r->softwareImageMode =
      (r->create.systemMemory == 1 || (ScreenIsSoftware() && ScreenRequestedBitDepth() != 8)) ? 1 : 0;
  if (CreateSurfaceDataSurfaces(handle) != 0) {
    HandleDestroy(t, handle);
    return -1;
  }
  ApplySurfaceColorKey(handle);
  return handle;
}

int AddSurfaceDataRef(int handle) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(handle);
  if (!r) return -1;
  return ++r->refCount;
}

int ReleaseSurfaceDataRef(int handle) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(handle);
  if (!r) return -1;
  return --r->refCount;
}

static int CreateSoftwareImage(SurfaceDataRecord* r) {
  const int kind = r->create.bitDepth == 16 ? MEMIMG_FORMAT_RGB16 : MEMIMG_FORMAT_RGB32;
  const int alpha = r->create.alphaChannel ? 1 : 0;
  r->formatIndex = (r->create.bitDepth == 16 ? SURFACE_FORMAT_IMAGE16 : SURFACE_FORMAT_IMAGE32) + alpha;
  uint32_t key = 65535;
  if (!r->create.palette) {
    key = MakeColorDataPixel(GetStandardColorData(kind, alpha, 0), (r->transparentColor >> 16) & 0xFF,
                             (r->transparentColor >> 8) & 0xFF, r->transparentColor & 0xFF, 255);
  }
  std::memset(&r->image, 0, sizeof(r->image));
  if (SetupMemImg(&r->image, r->width, r->height, -1, key, kind, r->create.palette, alpha, 0) != 0) {
    LogWrite("メモリイメージの作成に失敗しました\n");
    return -1;
  }
  return 0;
}

static int CreatePlainSurface(SurfaceDataRecord* r) {
  plat::SurfaceDevice* dev = ScreenSurfaceDevice();
  r->formatIndex = SURFACE_FORMAT_PLAIN;
  int screenW, screenH;
  ScreenModeSize(&screenW, &screenH);
  if (screenW <= 0) screenW = 640;
  plat::SurfaceDesc desc{};
  desc.width = r->width;
  desc.height = r->height;
  const bool system = r->create.systemMemory == 1 || r->width > screenW || ScreenIsSoftware();
  desc.caps = (system ? plat::SURFCAPS_SYSTEMMEMORY : 0x6000u) | plat::SURFCAPS_OFFSCREENPLAIN;
  if (plat::SurfaceCreate(dev, desc, &r->surface) != plat::SURF_OK) {
    desc.caps = plat::SURFCAPS_SYSTEMMEMORY | plat::SURFCAPS_OFFSCREENPLAIN;
    if (plat::SurfaceCreate(dev, desc, &r->surface) != plat::SURF_OK) {
      r->surface = nullptr;
      LogWrite("標準サーフェスの作成に失敗しました\n");
      return -1;
    }
  }
  r->create.systemMemory = (plat::SurfaceCaps(r->surface) & plat::SURFCAPS_VIDEOMEMORY) ? 0 : 1;
  r->create.drawValid = 1;
  return 0;
}

static int CreateTextureSurface(SurfaceDataRecord* r) {
  plat::SurfaceDevice* dev = ScreenSurfaceDevice();
  r->formatIndex = GetTextureFormatIndex(&r->create);
  const PixelFormatRecord* pf = GetTexturePixelFormat(r->formatIndex);
  plat::SurfaceDesc desc{};
  desc.width = r->width;
  desc.height = r->height;
  desc.caps = plat::SURFCAPS_TEXTURE | (r->create.drawValid ? plat::SURFCAPS_3DDEVICE : 0u);
  desc.caps2 = r->create.drawValid ? 0u : plat::SURFCAPS2_TEXTUREMANAGE;
  if (pf) {
    desc.hasFormat = true;
    desc.format = ToSurfacePixelFormat(pf);
  }
  if (!pf || plat::SurfaceCreate(dev, desc, &r->surface) != plat::SURF_OK) {
    r->surface = nullptr;
    LogWrite("テクスチャサーフェスの作成に失敗しました\n");
    LogPrintf("DrawValid:%d  AlphaChFlag%d  AlphaTestFlag:%d  ColorBitDepth:%d", r->create.drawValid,
              r->create.alphaChannel, r->create.alphaTest, r->create.bitDepth);
    return -1;
  }
  plat::SurfaceColorFill(r->surface, nullptr, 0);
  return 0;
}

int CreateSurfaceDataSurfaces(int handle) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(handle);
  if (!r) return -1;
  if (r->surface || r->image.pixels) return 0;
  if (!r->softwareImageMode && !ScreenSurfaceDevice()) return -1;
  int res;
  if (r->softwareImageMode) res = CreateSoftwareImage(r);
  else if (!r->create.texture) res = CreatePlainSurface(r);
  else res = CreateTextureSurface(r);
  if (res == 0) {
    // A fresh record has no Z buffer yet; a re-made one gets back the one it had.
    int wanted = r->zBufferFlag;
    r->zBufferFlag = 0;
    res = SetSurfaceDataZBuffer(handle, wanted);
  }
  if (res != 0) {
    ReleaseRecordSurfaces(r);
    return -1;
  }
  return 0;
}

int ApplySurfaceColorKey(int handle) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(handle);
  if (!r) return -1;
  if (!r->surface) return 0;
  const int red = (r->transparentColor >> 16) & 0xFF, green = (r->transparentColor >> 8) & 0xFF,
            blue = r->transparentColor & 0xFF;
  if (!r->create.texture) {
    uint32_t key = ScreenActualBitDepth() == 8 ? 0 : GetScreenColor(red, green, blue);
    if (plat::SurfaceSetColorKey(r->surface, key, key) != plat::SURF_OK) {
      return LogWrite("標準サーフェスのカラーキーの設定に失敗しました\n");
    }
    return 0;
  }
  const ColorData* cd = GetTextureFormatColorData(r->formatIndex);
  if (!cd) return LogWrite("テクスチャサーフェスのカラーキーの設定に失敗しました\n");
  uint32_t key = MakeColorDataPixel(cd, red, green, blue, 255) | cd->noneMask | cd->alphaMask;
  if (plat::SurfaceSetColorKey(r->surface, key, key) != plat::SURF_OK) {
    return LogWrite("テクスチャサーフェスのカラーキーの設定に失敗しました\n");
  }
  return 0;
}

int SetSurfaceDataZBuffer(int handle, int flag) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(handle);
  if (!r) return -1;
  flag = flag ? 1 : 0;
  if (r->zBufferFlag == flag) return 0;
  if (!r->create.drawValid) return -1;
  if (!flag) {
    if (r->softwareImageMode) {
      ReleaseMemImg(&r->zImage);
      std::memset(&r->zImage, 0, sizeof(r->zImage));
    } else if (r->zSurface) {
      if (r->surface) plat::SurfaceDetachZ(r->surface, r->zSurface);
      plat::SurfaceRelease(r->zSurface);
      r->zSurface = nullptr;
    }
    r->zBufferFlag = 0;
    return 0;
  }
  if (r->softwareImageMode) {
    if (CreateZBufferMemImg(&r->zImage, r->width, r->height) != 0) return LogWrite("Ｚバッファの作成に失敗しました");
  } else {
    plat::SurfaceDesc desc{};
    desc.width = r->width;
    desc.height = r->height;
    desc.caps = plat::SURFCAPS_ZBUFFER | plat::SURFCAPS_VIDEOMEMORY;
    const PixelFormatRecord* zf = GetZBufferPixelFormat();
    if (zf) {
      desc.hasFormat = true;
      desc.format = ToSurfacePixelFormat(zf);
    }
    if (!zf || !r->surface || plat::SurfaceCreate(ScreenSurfaceDevice(), desc, &r->zSurface) != plat::SURF_OK) {
      r->zSurface = nullptr;
      return LogWrite("Ｚバッファの作成に失敗しました");
    }
    if (plat::SurfaceAttachZ(r->surface, r->zSurface) != plat::SURF_OK) {
      plat::SurfaceRelease(r->zSurface);
      r->zSurface = nullptr;
      return LogWrite("Ｚバッファの作成に失敗しました");
    }
  }
  r->zBufferFlag = 1;
  return 0;
}

static const ColorData* LockColorData(const SurfaceDataRecord* r) {
  if (r->create.texture && !r->softwareImageMode) return GetTextureFormatColorData(r->formatIndex);
  if (r->softwareImageMode) return r->image.colorData;
  return ScreenColorDataRecord();
}

int LockSurfaceData(int handle, int32_t* pitch, uint8_t** pointer, int writeOnly, const RectI* rect,
                    const ColorData** colorData) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(handle);
  if (!r) return -1;
  if (r->lockCount != 0) {
    if (pitch) *pitch = r->lockPitch;
    if (pointer) *pointer = r->lockPointer;
    if (colorData) *colorData = LockColorData(r);
    ++r->lockCount;
    return -2;
  }
  RectI whole{0, 0, r->width, r->height};
  RectI rr = rect ? *rect : whole;
  if (rr.left < 0 || rr.top < 0 || rr.left > rr.right || rr.top > rr.bottom || rr.right > r->width ||
      rr.bottom > r->height) {
    return LogWrite("グラフィックのロックに失敗しました");
  }
  if (r->softwareImageMode) {
    if (!r->image.pixels) return LogWrite("グラフィックのロックに失敗しました");
    const ColorData* cd = GetStandardColorData(r->image.format, r->image.alphaFlag, 0);
    r->lockPitch = r->image.pitch;
    r->lockPointer = r->image.pixels + static_cast<int64_t>(rr.top) * r->image.pitch +
                     static_cast<int64_t>(rr.left) * (r->image.paletteFlag ? 1 : cd->pixelBytes);
    // Whoever locks may write: derived data is stale from here on.
    MemImgMarkChanged(&r->image);
  } else {
    if (!r->surface) return LogWrite("グラフィックのロックに失敗しました");
    plat::SurfRect sr{rr.left, rr.top, rr.right, rr.bottom};
    uint32_t flags = plat::SURFLOCK_WAIT | (writeOnly == 1 ? plat::SURFLOCK_WRITEONLY : 0u);
    uint8_t* p = nullptr;
    int32_t pp = 0;
    if (plat::SurfaceLock(r->surface, &sr, flags, &p, &pp) != plat::SURF_OK) {
      return LogWrite("グラフィックのロックに失敗しました");
    }
    r->lockPitch = pp;
    r->lockPointer = p;
  }
  r->lockCount = 1;
  if (pitch) *pitch = r->lockPitch;
  if (pointer) *pointer = r->lockPointer;
  if (colorData) *colorData = LockColorData(r);
  return 0;
}

int UnlockSurfaceData(int handle, const RectI*) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(handle);
  if (!r || r->lockCount == 0) return -1;
  if (--r->lockCount == 0) {
    if (r->surface) plat::SurfaceUnlock(r->surface);
    r->lockPointer = nullptr;
  }
  return 0;
}

static void FillImage(MemImg* img, uint32_t pixel) {
  const int bytes = img->colorData->pixelBytes;
  for (int y = 0; y < img->height; ++y) {
    uint8_t* row = img->pixels + static_cast<int64_t>(y) * img->pitch;
    for (int x = 0; x < img->width; ++x) std::memcpy(row + x * bytes, &pixel, static_cast<size_t>(bytes));
  }
  MemImgMarkChanged(img);
}

int ColorFillSurfaceData(int handle, int red, int green, int blue, int alpha) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(handle);
  if (!r) return -1;
  if (r->softwareImageMode) {
    // A palette image has no colour to fill with.
    if (!r->image.pixels || r->image.paletteFlag) return -1;
    FillImage(&r->image, MakeColorDataPixel(r->image.colorData, red, green, blue, alpha));
    return 0;
  }
  if (!ScreenSurfaceDevice() || !r->surface) return -1;
  const ColorData* cd = r->create.texture ? GetTextureFormatColorData(r->formatIndex) : ScreenColorDataRecord();
  if (!cd) return -1;
  return plat::SurfaceColorFill(r->surface, nullptr, MakeColorDataPixel(cd, red, green, blue, alpha)) ==
                 plat::SURF_OK
             ? 0
             : -1;
}

int RestoreLostSurfaceData(int handle) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(handle);
  if (!r || !r->surface) return 0;
  bool lost = plat::SurfaceIsLost(r->surface) || (r->zSurface && plat::SurfaceIsLost(r->zSurface));
  if (!lost) return 0;
  plat::SurfaceRestore(r->surface);
  if (r->zSurface) plat::SurfaceRestore(r->zSurface);
  r->lockCount = 0;
  r->lockPointer = nullptr;
  ApplySurfaceColorKey(handle);
  return -1;
}

void ReleaseSurfaceDataSurfaces(int handle) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(handle);
  if (r) ReleaseRecordSurfaces(r);
}

void ReleaseSurfaceData(int handle) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(handle);
  if (!r) return;
  ReleaseRecordSurfaces(r);
  if (r->lostFlag) *r->lostFlag = 1;
  HandleDestroy(Table(), handle);
}
