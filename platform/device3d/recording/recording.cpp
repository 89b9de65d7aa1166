// The recording 3-D device.
#include <cstring>
#include <new>

#include "platform/device3d_recording.h"

namespace plat {
namespace {

Device3DCall Call(uint32_t op, uint32_t a = 0, uint32_t b = 0, uint32_t c = 0, const void* p = nullptr) {
  Device3DCall k{};
  k.op = op;
  k.a = a;
  k.b = b;
  k.c = c;
  k.pointer = p;
  return k;
}

class RecordingDevice final : public Device3D {
 public:
  RecordingDevice(Render3DScript* s, Device3D* inner, Surface* target) : s_(s), inner_(inner), target_(target) {}
  ~RecordingDevice() override {
    s_->calls.push_back(Call(CALL_RELEASEDEVICE));
    delete inner_;
  }

  int EnumTextureFormats(EnumFormatFn fn, void* context) override {
    s_->calls.push_back(Call(CALL_ENUMTEXTUREFORMATS));
    if (!s_->reportTextureFormats) return DEV3D_OK;
    if (inner_) return inner_->EnumTextureFormats(fn, context);
    static const PixelFormat formats[] = {
        {32, PIXFMT_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0},
        {32, PIXFMT_RGB | PIXFMT_ALPHAPIXELS, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
        {32, PIXFMT_RGB, 0, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0},
        {32, PIXFMT_RGB | PIXFMT_ALPHAPIXELS, 0, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000},
    };
    for (const PixelFormat& f : formats) {
      if (!fn(f, context)) break;
    }
    return DEV3D_OK;
  }
  int SetRenderTarget(Surface* target) override {
    s_->calls.push_back(Call(CALL_SETRENDERTARGET, 0, 0, 0, target));
    if (inner_) {
      int r = inner_->SetRenderTarget(target);
      if (r != DEV3D_OK) return r;
    }
    target_ = target;
    return DEV3D_OK;
  }
  Surface* GetRenderTarget() override { return target_; }
  int SetViewport(const Viewport3D& vp) override {
    Device3DCall k = Call(CALL_SETVIEWPORT);
    k.viewport = vp;
    s_->calls.push_back(k);
    if (s_->failViewport) return DEV3D_ERR_INVALID;
    viewport_ = vp;
    return inner_ ? inner_->SetViewport(vp) : DEV3D_OK;
  }
  int GetViewport(Viewport3D* vp) override {
    *vp = viewport_;
    return DEV3D_OK;
  }
  int BeginScene() override {
    s_->calls.push_back(Call(CALL_BEGINSCENE));
    return inner_ ? inner_->BeginScene() : DEV3D_OK;
  }
  int EndScene() override {
    s_->calls.push_back(Call(CALL_ENDSCENE));
    return inner_ ? inner_->EndScene() : DEV3D_OK;
  }
  int SetRenderState(uint32_t state, uint32_t value) override {
    s_->calls.push_back(Call(CALL_SETRENDERSTATE, state, value));
    if (state == RS_SHADEMODE && s_->failShadeMode) return DEV3D_ERR_INVALID;
    if (state < RS_COUNT) rs_[state] = value;
    return inner_ ? inner_->SetRenderState(state, value) : DEV3D_OK;
  }
  int GetRenderState(uint32_t state, uint32_t* value) override {
    if (state >= RS_COUNT) return DEV3D_ERR_INVALID;
    *value = rs_[state];
    return DEV3D_OK;
  }
  int SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value) override {
    s_->calls.push_back(Call(CALL_SETSTAGESTATE, stage, state, value));
    if (stage < TEXTURE_STAGES && state < TSS_COUNT) tss_[stage][state] = value;
    return inner_ ? inner_->SetTextureStageState(stage, state, value) : DEV3D_OK;
  }
  int GetTextureStageState(uint32_t stage, uint32_t state, uint32_t* value) override {
    if (stage >= TEXTURE_STAGES || state >= TSS_COUNT) return DEV3D_ERR_INVALID;
    *value = tss_[stage][state];
    return DEV3D_OK;
  }
  int SetTexture(uint32_t stage, Surface* texture) override {
    s_->calls.push_back(Call(CALL_SETTEXTURE, stage, 0, 0, texture));
    return inner_ ? inner_->SetTexture(stage, texture) : DEV3D_OK;
  }
  int SetTransform(uint32_t kind, const Matrix3D& m) override {
    s_->calls.push_back(Call(CALL_SETTRANSFORM, kind));
    return inner_ ? inner_->SetTransform(kind, m) : DEV3D_OK;
  }
  int GetTransform(uint32_t kind, Matrix3D* m) override {
    return inner_ ? inner_->GetTransform(kind, m) : DEV3D_ERR_INVALID;
  }
  int DrawPrimitive(uint32_t type, uint32_t fvf, const void* vertices, uint32_t count, uint32_t flags) override {
    Device3DCall k = Call(CALL_DRAW, type, fvf, count);
    const uint32_t size = VertexFormatSize(fvf);
    if (vertices && size) {
      const uint8_t* p = static_cast<const uint8_t*>(vertices);
      k.vertices.assign(p, p + static_cast<size_t>(size) * count);
    }
    s_->calls.push_back(std::move(k));
    return inner_ ? inner_->DrawPrimitive(type, fvf, vertices, count, flags) : DEV3D_OK;
  }
  int DrawIndexedPrimitive(uint32_t type, uint32_t fvf, const void* vertices, uint32_t vertexCount,
                           const uint16_t* indices, uint32_t indexCount, uint32_t flags) override {
    Device3DCall k = Call(CALL_DRAWINDEXED, type, fvf, indexCount);
    const uint32_t size = VertexFormatSize(fvf);
    if (vertices && size) {
      const uint8_t* p = static_cast<const uint8_t*>(vertices);
      k.vertices.assign(p, p + static_cast<size_t>(size) * vertexCount);
    }
    if (indices) k.indices.assign(indices, indices + indexCount);
    s_->calls.push_back(std::move(k));
    return inner_ ? inner_->DrawIndexedPrimitive(type, fvf, vertices, vertexCount, indices, indexCount, flags)
                  : DEV3D_OK;
  }
  int Load(Surface* dst, int32_t x, int32_t y, Surface* src, const SurfRect* srcRect, uint32_t flags) override {
    s_->calls.push_back(Call(CALL_LOAD, static_cast<uint32_t>(x), static_cast<uint32_t>(y), 0, dst));
    if (inner_) return inner_->Load(dst, x, y, src, srcRect, flags);
    return SurfaceBltFast(dst, x, y, src, srcRect, 0) == SURF_OK ? DEV3D_OK : DEV3D_ERR_INVALID;
  }

 private:
  Render3DScript* s_;
  Device3D* inner_;
  Surface* target_;
  Viewport3D viewport_{};
  uint32_t rs_[RS_COUNT] = {};
  uint32_t tss_[TEXTURE_STAGES][TSS_COUNT] = {};
};

class RecordingRender3D final : public Render3D {
 public:
  explicit RecordingRender3D(Render3DScript* s) : s_(s) {}
  ~RecordingRender3D() override { s_->calls.push_back(Call(CALL_RELEASEOBJECT)); }

  int EnumDevices(EnumDeviceFn fn, void* context) override {
    s_->calls.push_back(Call(CALL_ENUMDEVICES));
    if (s_->reportDevice) fn(s_->desc, context);
    return DEV3D_OK;
  }
  int EnumZBufferFormats(uint32_t kind, EnumFormatFn fn, void* context) override {
    s_->calls.push_back(Call(CALL_ENUMZFORMATS, kind));
    static const PixelFormat z{32, PIXFMT_ZBUFFER, 0, 16, 0xFFFF, 0, 0, 0};
    if (s_->reportZFormat) fn(z, context);
    return DEV3D_OK;
  }
  int CreateDevice(uint32_t kind, Surface* target, Device3D** out) override {
    *out = nullptr;
    s_->calls.push_back(Call(CALL_CREATEDEVICE, kind, 0, 0, target));
    if (s_->failCreateDevice) return DEV3D_ERR_INVALID;
    Device3D* inner = nullptr;
    if (s_->inner) {
      int r = s_->inner->CreateDevice(kind, target, &inner);
      if (r != DEV3D_OK) return r;
    }
    *out = new (std::nothrow) RecordingDevice(s_, inner, target);
    if (!*out) {
      delete inner;
      return DEV3D_ERR_NOMEMORY;
    }
    return DEV3D_OK;
  }

 private:
  Render3DScript* s_;
};

}  // namespace

Render3D* Render3DCreateRecording(Render3DScript* script) { return new (std::nothrow) RecordingRender3D(script); }

}  // namespace plat
