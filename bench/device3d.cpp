// Textured sprite quads through the software 3-D device against SDL2's software renderer drawing
// the same sprites: 32 x 32 sprites alpha-blended at 1:1 in batches, and full-screen quads, on a
// 32-bit target (32-bit texture) and on a 16-bit target (R5G6B5; the device takes the 16-bit
// A4R4G4B4 texture the engine makes for a 16-bit screen, SDL2 its ARGB texture); and 32 x 32
// sprites turned each by its own angle (SDL2: SDL_RenderCopyEx), unfiltered and, on the device,
// bilinear. The device runs with its widest vector spans, and where named with SSE2 only or none.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/device3d.h"
#include "platform/device3d/soft/span_vector.h"

namespace {

using namespace plat;

constexpr int kW = 640, kH = 480, kSprites = 256;
const PixelFormat kXrgb{32, PIXFMT_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0};
const PixelFormat kArgb{32, PIXFMT_RGB | PIXFMT_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
const PixelFormat kRgb565{32, PIXFMT_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
const PixelFormat kArgb4444{32, PIXFMT_RGB | PIXFMT_ALPHAPIXELS, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000};

std::vector<uint32_t> SpritePixels(int w, int h) {
  std::vector<uint32_t> p(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint32_t a = (x + y) % 3 == 0 ? 0x80u : 0xFFu;
      p[static_cast<size_t>(y) * w + x] = a << 24 | static_cast<uint32_t>((x * 8) & 0xFF) << 16 |
                                          static_cast<uint32_t>((y * 8) & 0xFF) << 8 | 0x40u;
    }
  }
  return p;
}

// Sprite positions that cover the screen, fixed for every run.
int SpriteX(int i) { return (i * 37) % (kW - 32); }
int SpriteY(int i) { return (i * 53) % (kH - 32); }

struct SoftRig {
  SurfaceDevice* dev;
  Surface* target = nullptr;
  Surface* tex = nullptr;
  Render3D* r3d = nullptr;
  Device3D* d = nullptr;

  SoftRig(int texW, int texH, int bits) : dev(SurfaceDeviceCreate(bits == 16 ? kRgb565 : kXrgb)) {
    SurfaceDesc desc{};
    desc.caps = SURFCAPS_3DDEVICE;
    desc.width = kW;
    desc.height = kH;
    desc.hasFormat = true;
    desc.format = bits == 16 ? kRgb565 : kXrgb;
    SurfaceCreate(dev, desc, &target);
    desc.caps = SURFCAPS_TEXTURE;
    desc.width = texW;
    desc.height = texH;
    desc.format = bits == 16 ? kArgb4444 : kArgb;
    SurfaceCreate(dev, desc, &tex);
    std::vector<uint32_t> px = SpritePixels(texW, texH);
    uint8_t* p;
    int32_t pitch;
    SurfaceLock(tex, nullptr, 0, &p, &pitch);
    for (int y = 0; y < texH; ++y) {
      if (bits == 16) {
        for (int x = 0; x < texW; ++x) {
          const uint32_t c = px[static_cast<size_t>(y) * texW + x];
          const uint16_t v = static_cast<uint16_t>((c >> 28) << 12 | ((c >> 20) & 0xF) << 8 | ((c >> 12) & 0xF) << 4 | ((c >> 4) & 0xF));
          std::memcpy(p + y * pitch + 2 * x, &v, 2);
        }
      } else {
        std::memcpy(p + y * pitch, &px[static_cast<size_t>(y) * texW], 4u * texW);
      }
    }
    SurfaceUnlock(tex);
    r3d = Render3DCreateSoftware(dev);
    r3d->CreateDevice(DEVICE_KIND_HARDWARE, target, &d);
    // The engine's program for an alpha-channel sprite: texture colour and alpha, blended.
    d->SetRenderState(RS_CULLMODE, CULL_NONE);
    d->SetRenderState(RS_ZENABLE, 0);
    d->SetRenderState(RS_SHADEMODE, SHADE_FLAT);
    d->SetRenderState(RS_ALPHABLENDENABLE, 1);
    d->SetRenderState(RS_SRCBLEND, BLEND_SRCALPHA);
    d->SetRenderState(RS_DESTBLEND, BLEND_INVSRCALPHA);
    d->SetTexture(0, tex);
    d->SetTextureStageState(0, TSS_COLOROP, TOP_SELECTARG1);
    d->SetTextureStageState(0, TSS_ALPHAOP, TOP_SELECTARG1);
  }
  ~SoftRig() {
    delete d;
    delete r3d;
    SurfaceRelease(tex);
    SurfaceRelease(target);
    SurfaceDeviceDestroy(dev);
  }
};

void AddQuad(std::vector<VertexTextured>* v, float l, float t, float r, float b) {
  const uint32_t c = 0xFFFFFFFF;
  v->insert(v->end(), {{l, t, 0, 1, c, 0, 0}, {r, t, 0, 1, c, 1, 0}, {l, b, 0, 1, c, 0, 1},
                       {r, b, 0, 1, c, 1, 1}, {l, b, 0, 1, c, 0, 1}, {r, t, 0, 1, c, 1, 0}});
}

// bits: the target's depth; vector: the device's vector mode (-1 widest, 1 SSE2, 0 none).
void BM_Device3DSprites(benchmark::State& state, int bits, int vector) {
  soft::g_SoftRasterVectorMode = vector;
  SoftRig rig(32, 32, bits);
  std::vector<VertexTextured> v;
  for (int i = 0; i < kSprites; ++i) {
    const float x = SpriteX(i) - 0.5f, y = SpriteY(i) - 0.5f;
    AddQuad(&v, x, y, x + 32, y + 32);
  }
  for (auto _ : state) {
    rig.d->BeginScene();
    rig.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, v.data(), static_cast<uint32_t>(v.size()), 0);
    rig.d->EndScene();
  }
  soft::g_SoftRasterVectorMode = -1;
  state.SetItemsProcessed(state.iterations() * kSprites);
}
BENCHMARK_CAPTURE(BM_Device3DSprites, 32, 32, -1);
BENCHMARK_CAPTURE(BM_Device3DSprites, 16, 16, -1);
BENCHMARK_CAPTURE(BM_Device3DSprites, 32_sse2, 32, 1);
BENCHMARK_CAPTURE(BM_Device3DSprites, 16_sse2, 16, 1);
BENCHMARK_CAPTURE(BM_Device3DSprites, 32_scalar, 32, 0);

// Sprite i turned by its own angle about its centre, as the engine turns a graph: corners at
// (+-16, +-16) rotated, the centre on a pixel corner.
float SpriteAngle(int i) { return static_cast<float>(i) * 0.7853982f * 0.37f; }

void AddTurnedQuad(std::vector<VertexTextured>* v, float cx, float cy, float angle) {
  const float s = std::sin(angle), c = std::cos(angle);
  auto at = [&](float dx, float dy, float u, float w) {
    return VertexTextured{cx + (dx * c - dy * s), cy + (dx * s + dy * c), 0, 1, 0xFFFFFFFF, u, w};
  };
  const VertexTextured tl = at(-16, -16, 0, 0), tr = at(16, -16, 1, 0), bl = at(-16, 16, 0, 1), br = at(16, 16, 1, 1);
  v->insert(v->end(), {tl, tr, bl, br, bl, tr});
}

// filter: the stage's filter (FILTER_POINT or FILTER_LINEAR).
void BM_Device3DTurned(benchmark::State& state, int bits, int vector, uint32_t filter) {
  soft::g_SoftRasterVectorMode = vector;
  SoftRig rig(32, 32, bits);
  rig.d->SetTextureStageState(0, TSS_MAGFILTER, filter);
  rig.d->SetTextureStageState(0, TSS_MINFILTER, filter);
  std::vector<VertexTextured> v;
  for (int i = 0; i < kSprites; ++i) AddTurnedQuad(&v, SpriteX(i) + 15.5f, SpriteY(i) + 15.5f, SpriteAngle(i));
  for (auto _ : state) {
    rig.d->BeginScene();
    rig.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, v.data(), static_cast<uint32_t>(v.size()), 0);
    rig.d->EndScene();
  }
  soft::g_SoftRasterVectorMode = -1;
  state.SetItemsProcessed(state.iterations() * kSprites);
}
BENCHMARK_CAPTURE(BM_Device3DTurned, 32, 32, -1, FILTER_POINT);
BENCHMARK_CAPTURE(BM_Device3DTurned, 16, 16, -1, FILTER_POINT);
BENCHMARK_CAPTURE(BM_Device3DTurned, 32_sse2, 32, 1, FILTER_POINT);
BENCHMARK_CAPTURE(BM_Device3DTurned, 16_sse2, 16, 1, FILTER_POINT);
BENCHMARK_CAPTURE(BM_Device3DTurned, 32_scalar, 32, 0, FILTER_POINT);
BENCHMARK_CAPTURE(BM_Device3DTurned, 32_bilinear, 32, -1, FILTER_LINEAR);
BENCHMARK_CAPTURE(BM_Device3DTurned, 16_bilinear, 16, -1, FILTER_LINEAR);

void BM_Device3DFullScreen(benchmark::State& state, int bits, int vector) {
  soft::g_SoftRasterVectorMode = vector;
  SoftRig rig(kW, kH, bits);
  std::vector<VertexTextured> v;
  AddQuad(&v, -0.5f, -0.5f, kW - 0.5f, kH - 0.5f);
  for (auto _ : state) {
    rig.d->BeginScene();
    rig.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, v.data(), 6, 0);
    rig.d->EndScene();
  }
  soft::g_SoftRasterVectorMode = -1;
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_Device3DFullScreen, 32, 32, -1);
BENCHMARK_CAPTURE(BM_Device3DFullScreen, 16, 16, -1);
BENCHMARK_CAPTURE(BM_Device3DFullScreen, 32_sse2, 32, 1);
BENCHMARK_CAPTURE(BM_Device3DFullScreen, 16_sse2, 16, 1);

struct SdlRig {
  SDL_Surface* target = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* tex = nullptr;

  SdlRig(int texW, int texH, int bits) {
    target = bits == 16 ? SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 16, SDL_PIXELFORMAT_RGB565)
                        : SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_XRGB8888);
    renderer = SDL_CreateSoftwareRenderer(target);
    tex = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, texW, texH);
    std::vector<uint32_t> px = SpritePixels(texW, texH);
    SDL_UpdateTexture(tex, nullptr, px.data(), texW * 4);
    SDL_SetTextureBlendMode(tex, SDL_BLENDMODE_BLEND);
  }
  ~SdlRig() {
    SDL_DestroyTexture(tex);
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(target);
  }
};

void BM_Sdl2SoftwareSprites(benchmark::State& state, int bits) {
  SdlRig rig(32, 32, bits);
  for (auto _ : state) {
    for (int i = 0; i < kSprites; ++i) {
      SDL_Rect r{SpriteX(i), SpriteY(i), 32, 32};
      SDL_RenderCopy(rig.renderer, rig.tex, nullptr, &r);
    }
    SDL_RenderFlush(rig.renderer);
  }
  state.SetItemsProcessed(state.iterations() * kSprites);
}
BENCHMARK_CAPTURE(BM_Sdl2SoftwareSprites, 32, 32);
BENCHMARK_CAPTURE(BM_Sdl2SoftwareSprites, 16, 16);

void BM_Sdl2SoftwareTurned(benchmark::State& state, int bits) {
  SdlRig rig(32, 32, bits);
  for (auto _ : state) {
    for (int i = 0; i < kSprites; ++i) {
      SDL_Rect r{SpriteX(i), SpriteY(i), 32, 32};
      SDL_RenderCopyEx(rig.renderer, rig.tex, nullptr, &r, SpriteAngle(i) * 57.29578, nullptr, SDL_FLIP_NONE);
    }
    SDL_RenderFlush(rig.renderer);
  }
  state.SetItemsProcessed(state.iterations() * kSprites);
}
BENCHMARK_CAPTURE(BM_Sdl2SoftwareTurned, 32, 32);
BENCHMARK_CAPTURE(BM_Sdl2SoftwareTurned, 16, 16);

void BM_Sdl2SoftwareFullScreen(benchmark::State& state, int bits) {
  SdlRig rig(kW, kH, bits);
  for (auto _ : state) {
    SDL_RenderCopy(rig.renderer, rig.tex, nullptr, nullptr);
    SDL_RenderFlush(rig.renderer);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_Sdl2SoftwareFullScreen, 32, 32);
BENCHMARK_CAPTURE(BM_Sdl2SoftwareFullScreen, 16, 16);

}  // namespace
