// Inside the software 3-D device: the device's state and the rasteriser's per-draw context.
#pragma once
#include <cstdint>

#include "platform/device3d.h"

namespace plat::soft {

// How a pixel value holds its channels (blue 0, green 1, red 2, alpha 3).
struct ChannelLayout {
  int bytes;
  uint32_t mask[4];
  int shift[4];
  int bits[4];
};

bool LayoutFromFormat(const PixelFormat& f, ChannelLayout* out);   // false: not a 16/32-bit RGB format

struct Pixels {
  uint8_t* base;
  int32_t pitch;
  int32_t width, height;
  ChannelLayout layout;
};

struct TextureView {
  Pixels px;
  bool keyed;
  uint32_t keyLow, keyHigh;
};

// One vertex as the rasteriser reads it, whatever format it came in.
struct RVertex {
  float x, y, z;
  uint32_t diffuse, specular;
  float u[2], v[2];
};

struct StageState {
  uint32_t v[TSS_COUNT];
};

// Everything one draw call reads, with its surfaces locked.
struct DrawContext {
  Pixels target;
  bool hasZ;
  Pixels z;
  int32_t clipLeft, clipTop, clipRight, clipBottom;   // right and bottom exclusive
  const uint32_t* rs;                                 // render states
  const StageState* stages;
  TextureView tex[TEXTURE_STAGES];
  bool texBound[TEXTURE_STAGES];
  int stageCount;                                     // stages before the first disabled colour op
  bool usesTexture;
  uint32_t texCoordSets;                              // 1 or 2 in the vertex format
};

// Set by tests: every triangle goes through the general per-pixel pipeline, so that the shorter
// paths can be compared with it byte for byte.
extern bool g_SoftRasterGeneralOnly;

void RasterTriangle(const DrawContext& dc, const RVertex& a, const RVertex& b, const RVertex& c);
void RasterLine(const DrawContext& dc, const RVertex& a, const RVertex& b);
void RasterPoint(const DrawContext& dc, const RVertex& a);

}  // namespace plat::soft
