// Inside the software 3-D device: the device's state and the rasteriser's per-draw context.
#pragma once
#include <cstdint>

#include "platform/device3d.h"
#include "platform/device3d/soft/span_vector.h"

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
  // The vector sprite path's choice, worked out at the draw's first triangle: 0 not yet, 1 taken,
  // 2 not eligible.
  mutable int spriteState;
  mutable int spriteKernel;
  mutable bool spriteFiltered;                        // bilinear: texels are filtered before the spans
  mutable SpanSetup spriteSetup;
};

// Set by tests: every triangle goes through the general per-pixel pipeline, so that the shorter
// paths can be compared with it byte for byte.
extern bool g_SoftRasterGeneralOnly;

void RasterTriangle(const DrawContext& dc, const RVertex& a, const RVertex& b, const RVertex& c);
// Two triangles of a list, t[0..2] and t[3..5], drawn as RasterTriangle draws them one after the
// other (a quad's halves share the work of their rows).
void RasterTrianglePair(const DrawContext& dc, const RVertex* t);
void RasterLine(const DrawContext& dc, const RVertex& a, const RVertex& b);
void RasterPoint(const DrawContext& dc, const RVertex& a);
// Draws the sprites a pair left waiting for more of their kind; every draw ends with it.
void SettleSprites();

}  // namespace plat::soft
