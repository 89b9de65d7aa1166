// The software 3-D device: enumeration, state, scenes, and the draw calls that lock the target, its
// Z surface and the bound textures around the rasteriser.
#include <cstring>
#include <new>

#include "platform/device3d/soft/soft_device.h"
#include "platform/renderer.h"

namespace plat {

uint32_t VertexFormatSize(uint32_t fvf) {
  switch (fvf) {
    case FVF_COLOR: return sizeof(VertexColor);
    case FVF_TEXTURED: return sizeof(VertexTextured);
    case FVF_BLENDED: return sizeof(VertexBlended);
    default: return 0;
  }
}

namespace soft {
namespace {

const PixelFormat kTextureFormats[] = {
    {32, PIXFMT_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0},
    {32, PIXFMT_RGB, 0, 16, 0x7C00, 0x03E0, 0x001F, 0},
    {32, PIXFMT_RGB | PIXFMT_ALPHAPIXELS, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
    {32, PIXFMT_RGB | PIXFMT_ALPHAPIXELS, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
    {32, PIXFMT_RGB, 0, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0},
    {32, PIXFMT_RGB | PIXFMT_ALPHAPIXELS, 0, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000},
};

const PixelFormat kZFormat{32, PIXFMT_ZBUFFER, 0, 16, 0xFFFF, 0, 0, 0};

bool IsZ16(const Surface* s) {
  const PixelFormat& f = SurfaceFormat(s);
  return (f.flags & PIXFMT_ZBUFFER) && f.bitCount == 16;
}

class SoftDevice final : public Device3D {
 public:
  explicit SoftDevice(Surface* target) {
    std::memset(rs_, 0, sizeof(rs_));
    std::memset(stages_, 0, sizeof(stages_));
    std::memset(tex_, 0, sizeof(tex_));
    std::memset(transforms_, 0, sizeof(transforms_));
    for (auto& m : transforms_) {
      for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    }
    rs_[RS_TEXTUREPERSPECTIVE] = 1;
    rs_[RS_ZENABLE] = SurfaceAttachedZ(target) ? 1 : 0;
    rs_[RS_SHADEMODE] = SHADE_GOURAUD;
    rs_[RS_ZWRITEENABLE] = 1;
    rs_[RS_SRCBLEND] = BLEND_ONE;
    rs_[RS_DESTBLEND] = BLEND_ZERO;
    rs_[RS_CULLMODE] = 3;
    rs_[RS_ZFUNC] = CMP_LESSEQUAL;
    rs_[RS_ALPHAFUNC] = CMP_ALWAYS;
    rs_[RS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs_[RS_LIGHTING] = 1;
    for (uint32_t s = 0; s < TEXTURE_STAGES; ++s) {
      uint32_t* v = stages_[s].v;
      v[TSS_COLOROP] = s == 0 ? TOP_MODULATE : TOP_DISABLE;
      v[TSS_ALPHAOP] = s == 0 ? TOP_SELECTARG1 : TOP_DISABLE;
      v[TSS_COLORARG1] = TA_TEXTURE;
      v[TSS_COLORARG2] = TA_CURRENT;
      v[TSS_ALPHAARG1] = TA_TEXTURE;
      v[TSS_ALPHAARG2] = TA_CURRENT;
      v[TSS_TEXCOORDINDEX] = s;
      v[TSS_ADDRESS] = v[TSS_ADDRESSU] = v[TSS_ADDRESSV] = 1;
      v[TSS_MAGFILTER] = FILTER_POINT;
      v[TSS_MINFILTER] = FILTER_POINT;
      v[TSS_MIPFILTER] = 1;
    }
    SetRenderTarget(target);
  }

  int EnumTextureFormats(EnumFormatFn fn, void* context) override {
    for (const PixelFormat& f : kTextureFormats) {
      if (!fn(f, context)) break;
    }
    return DEV3D_OK;
  }

  int SetRenderTarget(Surface* target) override {
    ChannelLayout l;
    if (!target || !LayoutFromFormat(SurfaceFormat(target), &l)) return DEV3D_ERR_INVALID;
    target_ = target;
    viewport_ = Viewport3D{0, 0, static_cast<uint32_t>(SurfaceWidth(target)),
                           static_cast<uint32_t>(SurfaceHeight(target)), 0.0f, 1.0f};
    return DEV3D_OK;
  }

  Surface* GetRenderTarget() override { return target_; }

  int SetViewport(const Viewport3D& vp) override {
    if (!target_) return DEV3D_ERR_NOTARGET;
    const uint64_t right = static_cast<uint64_t>(vp.x) + vp.width, bottom = static_cast<uint64_t>(vp.y) + vp.height;
    if (right > static_cast<uint64_t>(SurfaceWidth(target_)) || bottom > static_cast<uint64_t>(SurfaceHeight(target_))) {
      return DEV3D_ERR_INVALID;
    }
    viewport_ = vp;
    return DEV3D_OK;
  }

  int GetViewport(Viewport3D* vp) override {
    *vp = viewport_;
    return DEV3D_OK;
  }

  int BeginScene() override {
    if (inScene_) return DEV3D_ERR_SCENE;
    inScene_ = true;
    return DEV3D_OK;
  }

  int EndScene() override {
    if (!inScene_) return DEV3D_ERR_SCENE;
    inScene_ = false;
    return DEV3D_OK;
  }

  int SetRenderState(uint32_t state, uint32_t value) override {
    if (state >= RS_COUNT) return DEV3D_ERR_INVALID;
    rs_[state] = value;
    return DEV3D_OK;
  }

  int GetRenderState(uint32_t state, uint32_t* value) override {
    if (state >= RS_COUNT) return DEV3D_ERR_INVALID;
    *value = rs_[state];
    return DEV3D_OK;
  }

  int SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value) override {
    if (stage >= TEXTURE_STAGES || state >= TSS_COUNT) return DEV3D_ERR_INVALID;
    stages_[stage].v[state] = value;
    return DEV3D_OK;
  }

  int GetTextureStageState(uint32_t stage, uint32_t state, uint32_t* value) override {
    if (stage >= TEXTURE_STAGES || state >= TSS_COUNT) return DEV3D_ERR_INVALID;
    *value = stages_[stage].v[state];
    return DEV3D_OK;
  }

  int SetTexture(uint32_t stage, Surface* texture) override {
    ChannelLayout l;
    if (stage >= TEXTURE_STAGES) return DEV3D_ERR_INVALID;
    if (texture && !LayoutFromFormat(SurfaceFormat(texture), &l)) return DEV3D_ERR_INVALID;
    tex_[stage] = texture;
    return DEV3D_OK;
  }

  int SetTransform(uint32_t kind, const Matrix3D& m) override {
    if (kind < TRANSFORM_WORLD || kind > TRANSFORM_PROJECTION) return DEV3D_ERR_INVALID;
    transforms_[kind - 1] = m;
    return DEV3D_OK;
  }

  int GetTransform(uint32_t kind, Matrix3D* m) override {
    if (kind < TRANSFORM_WORLD || kind > TRANSFORM_PROJECTION) return DEV3D_ERR_INVALID;
    *m = transforms_[kind - 1];
    return DEV3D_OK;
  }

  int DrawPrimitive(uint32_t type, uint32_t fvf, const void* vertices, uint32_t count, uint32_t) override {
    return Draw(type, fvf, vertices, count, nullptr, count);
  }

  int DrawIndexedPrimitive(uint32_t type, uint32_t fvf, const void* vertices, uint32_t vertexCount,
                           const uint16_t* indices, uint32_t indexCount, uint32_t) override {
    if (!indices) return DEV3D_ERR_INVALID;
    for (uint32_t i = 0; i < indexCount; ++i) {
      if (indices[i] >= vertexCount) return DEV3D_ERR_INVALID;
    }
    return Draw(type, fvf, vertices, vertexCount, indices, indexCount);
  }

  int Load(Surface* dst, int32_t x, int32_t y, Surface* src, const SurfRect* srcRect, uint32_t) override {
    if (!dst || !src) return DEV3D_ERR_INVALID;
    const PixelFormat &a = SurfaceFormat(dst), &b = SurfaceFormat(src);
    if (a.bitCount != b.bitCount || a.redMask != b.redMask || a.greenMask != b.greenMask ||
        a.blueMask != b.blueMask || a.alphaMask != b.alphaMask) {
      return DEV3D_ERR_INVALID;
    }
    int r = SurfaceBltFast(dst, x, y, src, srcRect, 0);
    return r == SURF_OK ? DEV3D_OK : (r == SURF_ERR_NOMEMORY ? DEV3D_ERR_NOMEMORY : DEV3D_ERR_INVALID);
  }

 private:
  static bool LockPixels(Surface* s, Pixels* p) {
    uint8_t* base = nullptr;
    int32_t pitch = 0;
    if (SurfaceLock(s, nullptr, SURFLOCK_WAIT, &base, &pitch) != SURF_OK) return false;
    p->base = base;
    p->pitch = pitch;
    p->width = SurfaceWidth(s);
    p->height = SurfaceHeight(s);
    return true;
  }

  static RVertex ReadVertex(uint32_t fvf, const uint8_t* p) {
    RVertex v{};
    v.specular = 0xFFFFFFFF;
    if (fvf == FVF_COLOR) {
      VertexColor c;
      std::memcpy(&c, p, sizeof(c));
      v.x = c.x, v.y = c.y, v.z = c.z, v.diffuse = c.diffuse;
    } else if (fvf == FVF_TEXTURED) {
      VertexTextured t;
      std::memcpy(&t, p, sizeof(t));
      v.x = t.x, v.y = t.y, v.z = t.z, v.diffuse = t.diffuse;
      v.u[0] = v.u[1] = t.u;
      v.v[0] = v.v[1] = t.v;
    } else {
      VertexBlended b;
      std::memcpy(&b, p, sizeof(b));
      v.x = b.x, v.y = b.y, v.z = b.z, v.diffuse = b.diffuse, v.specular = b.specular;
      v.u[0] = b.u1, v.v[0] = b.v1, v.u[1] = b.u2, v.v[1] = b.v2;
    }
    return v;
  }

  int Draw(uint32_t type, uint32_t fvf, const void* vertices, uint32_t vertexCount, const uint16_t* indices,
           uint32_t count) {
    const uint32_t size = VertexFormatSize(fvf);
    if (size == 0 || (!vertices && vertexCount)) return DEV3D_ERR_INVALID;
    if (type != PRIM_POINTLIST && type != PRIM_LINELIST && type != PRIM_TRIANGLELIST && type != PRIM_TRIANGLESTRIP) {
      return DEV3D_ERR_INVALID;
    }
    if (!inScene_) return DEV3D_ERR_SCENE;
    if (!target_) return DEV3D_ERR_NOTARGET;
    if (count == 0) return DEV3D_OK;

    DrawContext dc{};
    if (!LayoutFromFormat(SurfaceFormat(target_), &dc.target.layout)) return DEV3D_ERR_NOTARGET;
    if (!LockPixels(target_, &dc.target)) return DEV3D_ERR_NOTARGET;
    // The target, its Z surface and a texture per stage at most: no allocation per draw.
    Surface* locked[2 + TEXTURE_STAGES];
    int lockedCount = 0;
    locked[lockedCount++] = target_;
    int result = DEV3D_OK;
    Surface* zs = SurfaceAttachedZ(target_);
    if (zs && IsZ16(zs) && SurfaceWidth(zs) >= dc.target.width && SurfaceHeight(zs) >= dc.target.height) {
      if (LockPixels(zs, &dc.z)) {
        dc.hasZ = true;
        locked[lockedCount++] = zs;
      }
    }
    dc.rs = rs_;
    dc.stages = stages_;
    dc.texCoordSets = fvf == FVF_BLENDED ? 2 : (fvf == FVF_TEXTURED ? 1 : 0);
    dc.stageCount = 0;
    while (dc.stageCount < static_cast<int>(TEXTURE_STAGES) && stages_[dc.stageCount].v[TSS_COLOROP] != TOP_DISABLE) {
      ++dc.stageCount;
    }
    for (int s = 0; s < dc.stageCount && result == DEV3D_OK; ++s) {
      Surface* t = tex_[s];
      if (!t || dc.texCoordSets == 0) continue;
      bool already = false;
      for (int o = 0; o < s; ++o) {
        if (tex_[o] == t && dc.texBound[o]) {
          dc.tex[s] = dc.tex[o];
          dc.texBound[s] = already = true;
        }
      }
      if (already) continue;
      TextureView& tv = dc.tex[s];
      LayoutFromFormat(SurfaceFormat(t), &tv.px.layout);
      if (!LockPixels(t, &tv.px)) {
        result = DEV3D_ERR_INVALID;   // a lost, locked or render-target texture
        break;
      }
      locked[lockedCount++] = t;
      tv.keyed = SurfaceGetColorKey(t, &tv.keyLow, &tv.keyHigh);
      dc.texBound[s] = true;
    }
    if (result == DEV3D_OK) {
      int64_t right = static_cast<int64_t>(viewport_.x) + viewport_.width;
      int64_t bottom = static_cast<int64_t>(viewport_.y) + viewport_.height;
      dc.clipLeft = static_cast<int32_t>(viewport_.x);
      dc.clipTop = static_cast<int32_t>(viewport_.y);
      dc.clipRight = static_cast<int32_t>(right < dc.target.width ? right : dc.target.width);
      dc.clipBottom = static_cast<int32_t>(bottom < dc.target.height ? bottom : dc.target.height);
      Rasterise(dc, type, fvf, size, static_cast<const uint8_t*>(vertices), indices, count);
      SettleSprites();
    }
    for (int i = 0; i < lockedCount; ++i) SurfaceUnlock(locked[i]);
    return result;
  }

  static void Rasterise(const DrawContext& dc, uint32_t type, uint32_t fvf, uint32_t size, const uint8_t* base,
                        const uint16_t* indices, uint32_t count) {
    auto at = [&](uint32_t i) { return ReadVertex(fvf, base + static_cast<size_t>(indices ? indices[i] : i) * size); };
    switch (type) {
      case PRIM_POINTLIST:
        for (uint32_t i = 0; i < count; ++i) RasterPoint(dc, at(i));
        break;
      case PRIM_LINELIST:
        for (uint32_t i = 0; i + 1 < count; i += 2) RasterLine(dc, at(i), at(i + 1));
        break;
      case PRIM_TRIANGLELIST: {
        uint32_t i = 0;
        for (; i + 5 < count; i += 6) {
          const RVertex t[6] = {at(i), at(i + 1), at(i + 2), at(i + 3), at(i + 4), at(i + 5)};
          RasterTrianglePair(dc, t);
        }
        for (; i + 2 < count; i += 3) RasterTriangle(dc, at(i), at(i + 1), at(i + 2));
        break;
      }
      case PRIM_TRIANGLESTRIP:
        // Every other triangle of a strip is wound the other way; the first vertex stays first.
        for (uint32_t i = 0; i + 2 < count; ++i) {
          if (i & 1) RasterTriangle(dc, at(i), at(i + 2), at(i + 1));
          else RasterTriangle(dc, at(i), at(i + 1), at(i + 2));
        }
        break;
      default: break;
    }
  }

  Surface* target_ = nullptr;
  Viewport3D viewport_{};
  bool inScene_ = false;
  uint32_t rs_[RS_COUNT];
  StageState stages_[TEXTURE_STAGES];
  Surface* tex_[TEXTURE_STAGES];
  Matrix3D transforms_[3];
};

class SoftRender3D final : public Render3D {
 public:
  explicit SoftRender3D(SurfaceDevice* dev) : dev_(dev) {}

  int EnumDevices(EnumDeviceFn fn, void* context) override {
    // A machine set up without a 3-D device: the enumeration finds nothing.
    if (!RendererOffersDevice3D()) return DEV3D_OK;
    Device3DDesc d{};
    d.kind = DEVICE_KIND_HARDWARE;
    d.renderDepths = RENDER_DEPTH_16 | RENDER_DEPTH_32;
    d.triTextureCaps = 0;
    d.minTextureWidth = d.minTextureHeight = 1;
    d.maxTextureWidth = d.maxTextureHeight = 4096;
    std::strcpy(d.name, "software rasteriser");
    fn(d, context);
    return DEV3D_OK;
  }

  int EnumZBufferFormats(uint32_t deviceKind, EnumFormatFn fn, void* context) override {
    if (deviceKind != DEVICE_KIND_HARDWARE) return DEV3D_ERR_INVALID;
    fn(kZFormat, context);
    return DEV3D_OK;
  }

  int CreateDevice(uint32_t deviceKind, Surface* target, Device3D** out) override {
    *out = nullptr;
    ChannelLayout l;
    if (deviceKind != DEVICE_KIND_HARDWARE || !target || !LayoutFromFormat(SurfaceFormat(target), &l)) {
      return DEV3D_ERR_INVALID;
    }
    SoftDevice* d = new (std::nothrow) SoftDevice(target);
    if (!d) return DEV3D_ERR_NOMEMORY;
    *out = d;
    return DEV3D_OK;
  }

 private:
  SurfaceDevice* dev_;
};

}  // namespace
}  // namespace soft

Render3D* Render3DCreateSoftware(SurfaceDevice* dev) {
  if (!dev) return nullptr;
  return new (std::nothrow) soft::SoftRender3D(dev);
}

}  // namespace plat
