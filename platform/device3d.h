// 3-D device: draws pre-transformed, lit vertices onto memory surfaces (platform/surface.h) with
// the render states, texture stages, blending, alpha test, colour key and Z test the engine sets.
// A `Render3D` stands for the system object that enumerates devices and Z formats and creates
// devices on a target surface; a `Device3D` draws. The numeric values of states, factors,
// operations and primitive types are the ones the engine stores and compares.
//
// Rasterising rules (the software back end follows them exactly):
// - Pixel centres lie at integer coordinates. A triangle covers the pixels whose centre is inside
//   it, positions snapped to 1/256 pixel; a centre on an edge belongs to the triangle when the
//   edge is a top edge (horizontal, the triangle below it) or a left edge.
// - A line covers, along its major axis, the pixels from the rounded start up to the rounded end,
//   exclusive; the minor coordinate is the line's value at the pixel centre, rounded. Rounding is
//   floor(v + 0.5). A point covers the pixel at its rounded position.
// - Attributes are interpolated linearly in screen space at the pixel centre (rhw is not used).
//   Flat shading takes a triangle's (or line's) colour and specular from its first vertex.
// - Texture coordinates address the texture with 0 and 1 at its outer edges, clamped. Point
//   filtering takes texel floor(u x width); linear filtering weighs the four texels around
//   u x width - 0.5 in steps of 1/256.
// - Channel arithmetic is on 0-255: a product is round(a x b / 255); sums saturate.
// - Colour key: a texel inside the texture's colour key counts as absent; a pixel whose sample
//   has only absent texels (any weight above 0) is not drawn.
// - Per pixel: texture stages, alpha test, Z test, blend, Z write. Depth is z x 65535 rounded, in
//   the 16-bit Z surface attached to the render target; without one the Z test passes.
// - Pixels outside the viewport or the render target are not drawn. Transforms are stored only.
#pragma once
#include <cstdint>

#include "platform/surface.h"

namespace plat {

// Render states.
enum : uint32_t {
  RS_TEXTUREPERSPECTIVE = 4, RS_ZENABLE = 7, RS_SHADEMODE = 9, RS_ZWRITEENABLE = 14,
  RS_ALPHATESTENABLE = 15, RS_SRCBLEND = 19, RS_DESTBLEND = 20, RS_CULLMODE = 22, RS_ZFUNC = 23,
  RS_ALPHAREF = 24, RS_ALPHAFUNC = 25, RS_DITHERENABLE = 26, RS_ALPHABLENDENABLE = 27,
  RS_COLORKEYENABLE = 41, RS_TEXTUREFACTOR = 60, RS_LIGHTING = 137, RS_COLORKEYBLENDENABLE = 144,
  RS_COUNT = 256,
};

// Texture-stage states.
enum : uint32_t {
  TSS_COLOROP = 1, TSS_COLORARG1 = 2, TSS_COLORARG2 = 3, TSS_ALPHAOP = 4, TSS_ALPHAARG1 = 5,
  TSS_ALPHAARG2 = 6, TSS_TEXCOORDINDEX = 11, TSS_ADDRESS = 12, TSS_ADDRESSU = 13, TSS_ADDRESSV = 14,
  TSS_MAGFILTER = 16, TSS_MINFILTER = 17, TSS_MIPFILTER = 18, TSS_COUNT = 32,
};

enum : uint32_t { TEXTURE_STAGES = 8 };

// Stage operations and arguments.
enum : uint32_t {
  TOP_DISABLE = 1, TOP_SELECTARG1 = 2, TOP_SELECTARG2 = 3, TOP_MODULATE = 4, TOP_MODULATE2X = 5,
  TOP_MODULATE4X = 6, TOP_ADD = 7, TOP_SUBTRACT = 10,
};
enum : uint32_t { TA_DIFFUSE = 0, TA_CURRENT = 1, TA_TEXTURE = 2, TA_TFACTOR = 3, TA_SPECULAR = 4 };

// Blend factors, comparisons, shade modes, filters, addressing.
enum : uint32_t {
  BLEND_ZERO = 1, BLEND_ONE = 2, BLEND_SRCCOLOR = 3, BLEND_INVSRCCOLOR = 4, BLEND_SRCALPHA = 5,
  BLEND_INVSRCALPHA = 6, BLEND_DESTALPHA = 7, BLEND_INVDESTALPHA = 8, BLEND_DESTCOLOR = 9,
  BLEND_INVDESTCOLOR = 10, BLEND_SRCALPHASAT = 11,
};
enum : uint32_t {
  CMP_NEVER = 1, CMP_LESS = 2, CMP_EQUAL = 3, CMP_LESSEQUAL = 4, CMP_GREATER = 5, CMP_NOTEQUAL = 6,
  CMP_GREATEREQUAL = 7, CMP_ALWAYS = 8,
};
enum : uint32_t { SHADE_FLAT = 1, SHADE_GOURAUD = 2 };
enum : uint32_t { FILTER_POINT = 1, FILTER_LINEAR = 2 };
enum : uint32_t { ADDRESS_CLAMP = 3 };
enum : uint32_t { CULL_NONE = 1 };

// Primitive types and vertex formats.
enum : uint32_t { PRIM_POINTLIST = 1, PRIM_LINELIST = 2, PRIM_TRIANGLELIST = 4, PRIM_TRIANGLESTRIP = 5 };
enum : uint32_t {
  FVF_XYZRHW = 0x4, FVF_DIFFUSE = 0x40, FVF_SPECULAR = 0x80, FVF_TEX1 = 0x100, FVF_TEX2 = 0x200,
  FVF_COLOR = 0x44,              // position + colour, 20 bytes
  FVF_TEXTURED = 0x144,          // + one texture coordinate pair, 28 bytes
  FVF_BLENDED = 0x2C4,           // + specular and two texture coordinate pairs, 40 bytes
};

struct VertexColor { float x, y, z, rhw; uint32_t diffuse; };
struct VertexTextured { float x, y, z, rhw; uint32_t diffuse; float u, v; };
struct VertexBlended { float x, y, z, rhw; uint32_t diffuse, specular; float u1, v1, u2, v2; };

// Device description as enumeration reports it.
enum : uint32_t { DEVICE_KIND_SOFTWARE = 0, DEVICE_KIND_HARDWARE = 1, DEVICE_KIND_HARDWARE_TNL = 2 };
enum : uint32_t { RENDER_DEPTH_16 = 0x400, RENDER_DEPTH_32 = 0x100 };
enum : uint32_t { TEXCAPS_POW2 = 0x2, TEXCAPS_SQUAREONLY = 0x20 };

struct Device3DDesc {
  uint32_t kind;                 // DEVICE_KIND_*
  uint32_t renderDepths;         // RENDER_DEPTH_* bits
  uint32_t triTextureCaps;       // TEXCAPS_* bits
  uint32_t minTextureWidth, minTextureHeight;
  uint32_t maxTextureWidth, maxTextureHeight;
  char name[32];
};

struct Viewport3D { uint32_t x, y, width, height; float minZ, maxZ; };
struct Matrix3D { float m[4][4]; };
enum : uint32_t { TRANSFORM_WORLD = 1, TRANSFORM_VIEW = 2, TRANSFORM_PROJECTION = 3 };

// Results: 0 success, else one of these.
enum : int {
  DEV3D_OK = 0,
  DEV3D_ERR_INVALID = -1,        // bad argument, state number or surface format
  DEV3D_ERR_NOMEMORY = -2,
  DEV3D_ERR_NOTARGET = -3,       // no render target, or it is lost or locked
  DEV3D_ERR_SCENE = -4,          // begin inside a scene, end outside one
};

// Enumeration callbacks return true to go on.
using EnumDeviceFn = bool (*)(const Device3DDesc& desc, void* context);
using EnumFormatFn = bool (*)(const PixelFormat& format, void* context);

class Device3D {
 public:
  virtual ~Device3D() = default;
  virtual int EnumTextureFormats(EnumFormatFn fn, void* context) = 0;       // every texture format offered
  virtual int SetRenderTarget(Surface* target) = 0;                        // 16- or 32-bit RGB surface
  virtual Surface* GetRenderTarget() = 0;
  virtual int SetViewport(const Viewport3D& vp) = 0;                       // must lie inside the target
  virtual int GetViewport(Viewport3D* vp) = 0;
  virtual int BeginScene() = 0;
  virtual int EndScene() = 0;
  virtual int SetRenderState(uint32_t state, uint32_t value) = 0;          // state below RS_COUNT
  virtual int GetRenderState(uint32_t state, uint32_t* value) = 0;
  virtual int SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value) = 0;
  virtual int GetTextureStageState(uint32_t stage, uint32_t state, uint32_t* value) = 0;
  virtual int SetTexture(uint32_t stage, Surface* texture) = 0;            // null: none
  virtual int SetTransform(uint32_t kind, const Matrix3D& m) = 0;          // stored only
  virtual int GetTransform(uint32_t kind, Matrix3D* m) = 0;
  // Draws `count` vertices of format `fvf` (one of the three FVF_* formats) as the primitive type.
  virtual int DrawPrimitive(uint32_t type, uint32_t fvf, const void* vertices, uint32_t count, uint32_t flags) = 0;
  // Draws by 16-bit indices into `vertexCount` vertices; an index beyond them is refused.
  virtual int DrawIndexedPrimitive(uint32_t type, uint32_t fvf, const void* vertices, uint32_t vertexCount,
                                   const uint16_t* indices, uint32_t indexCount, uint32_t flags) = 0;
  // Copies the source rectangle (whole source when null) of one texture into another at (x, y).
  virtual int Load(Surface* dst, int32_t x, int32_t y, Surface* src, const SurfRect* srcRect, uint32_t flags) = 0;
};

class Render3D {
 public:
  virtual ~Render3D() = default;
  virtual int EnumDevices(EnumDeviceFn fn, void* context) = 0;
  virtual int EnumZBufferFormats(uint32_t deviceKind, EnumFormatFn fn, void* context) = 0;
  // A device of the enumerated kind drawing onto `target`; DEV3D_* result.
  virtual int CreateDevice(uint32_t deviceKind, Surface* target, Device3D** out) = 0;
};

// The software rasteriser over the surface device's memory surfaces; null on no memory.
Render3D* Render3DCreateSoftware(SurfaceDevice* dev);

// Bytes per vertex of one of the three formats, 0 for any other.
uint32_t VertexFormatSize(uint32_t fvf);

}  // namespace plat
