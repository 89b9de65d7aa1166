// Surface data: the pixel store behind 2-D surfaces and texture surfaces, either one screen
// surface (with an optional attached Z surface) or, in software image mode, a MemImg (with an
// optional Z MemImg). Shared by reference count; locks nest.
#pragma once
#include <cstdint>

#include "engine/graphics/graph/graph.h"
#include "engine/graphics/image/mem_img.h"
#include "platform/surface.h"

constexpr int SURFACE_DATA_TABLE_SIZE = 65536;

enum : int32_t {
  SURFACE_FORMAT_PLAIN = 9,
  SURFACE_FORMAT_IMAGE16 = 10, SURFACE_FORMAT_IMAGE16_ALPHA = 11,
  SURFACE_FORMAT_IMAGE32 = 12, SURFACE_FORMAT_IMAGE32_ALPHA = 13,
};

struct SurfaceDataRecord {
  uint32_t check;
  int32_t* lostFlag;
  GraphCreationBytes create;
  int32_t softwareImageMode;
  int32_t formatIndex;
  int32_t zBufferFlag;
  plat::Surface* surface;
  MemImg image;
  plat::Surface* zSurface;
  MemImg zImage;
  uint32_t transparentColor;    // 0xRRGGBB
  uint16_t width, height;
  int32_t refCount;
  int32_t lockPitch;
  uint8_t* lockPointer;
  int32_t lockCount;
};

int AddSurfaceData(int refCount, int width, int height, uint32_t transparentColor, const GraphCreationBytes* create);
SurfaceDataRecord* GetSurfaceDataRecord(int handle);
int AddSurfaceDataRef(int handle);
int ReleaseSurfaceDataRef(int handle);
int CreateSurfaceDataSurfaces(int handle);
int ApplySurfaceColorKey(int handle);
int SetSurfaceDataZBuffer(int handle, int flag);
int LockSurfaceData(int handle, int32_t* pitch, uint8_t** pointer, int writeOnly, const RectI* rect,
                    const ColorData** colorData);
int UnlockSurfaceData(int handle, const RectI* rect);
int ColorFillSurfaceData(int handle, int red, int green, int blue, int alpha);
int RestoreLostSurfaceData(int handle);
void ReleaseSurfaceDataSurfaces(int handle);
void ReleaseSurfaceData(int handle);
int GetSurfaceDataCount();
