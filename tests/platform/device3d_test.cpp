#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/device3d.h"

namespace {

using namespace plat;

const PixelFormat kXrgb{32, PIXFMT_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0};
const PixelFormat kArgb{32, PIXFMT_RGB | PIXFMT_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
const PixelFormat kRgb565{32, PIXFMT_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
const PixelFormat kZ16{32, PIXFMT_ZBUFFER, 0, 16, 0xFFFF, 0, 0, 0};

int Mul(int a, int b) { return (a * b + 127) / 255; }   // round(a * b / 255) for 0..255

// A 32 x 32 target with a Z surface and a device drawing on it, inside a scene.
struct Rig {
  SurfaceDevice* dev = SurfaceDeviceCreate(kXrgb);
  Surface* target = Make(32, 32, kXrgb, SURFCAPS_3DDEVICE);
  Surface* z = Make(32, 32, kZ16, SURFCAPS_ZBUFFER);
  Render3D* r3d = Render3DCreateSoftware(dev);
  Device3D* d = nullptr;
  std::vector<Surface*> extra;

  Rig() {
    SurfaceAttachZ(target, z);
    EXPECT_EQ(r3d->CreateDevice(DEVICE_KIND_HARDWARE, target, &d), DEV3D_OK);
    d->SetRenderState(RS_CULLMODE, CULL_NONE);
    d->SetRenderState(RS_ZENABLE, 0);
    d->SetRenderState(RS_SHADEMODE, SHADE_FLAT);
    d->BeginScene();
  }
  ~Rig() {
    delete d;
    delete r3d;
    for (Surface* s : extra) SurfaceRelease(s);
    SurfaceRelease(z);
    SurfaceRelease(target);
    SurfaceDeviceDestroy(dev);
  }
  Surface* Make(int w, int h, const PixelFormat& f, uint32_t caps) {
    SurfaceDesc desc{};
    desc.caps = caps;
    desc.width = w;
    desc.height = h;
    desc.hasFormat = true;
    desc.format = f;
    Surface* s = nullptr;
    EXPECT_EQ(SurfaceCreate(dev, desc, &s), SURF_OK);
    return s;
  }
  // A texture whose texels are given as 0xAARRGGBB.
  Surface* Texture(int w, int h, const std::vector<uint32_t>& texels, const PixelFormat& f = kArgb) {
    Surface* t = Make(w, h, f, SURFCAPS_TEXTURE);
    extra.push_back(t);
    uint8_t* p;
    int32_t pitch;
    SurfaceLock(t, nullptr, 0, &p, &pitch);
    for (int y = 0; y < h; ++y) std::memcpy(p + y * pitch, &texels[static_cast<size_t>(y) * w], 4u * w);
    SurfaceUnlock(t);
    return t;
  }
  void Fill(uint32_t v) { SurfaceColorFill(target, nullptr, v); }
  uint32_t At(int x, int y) {
    uint8_t* p;
    int32_t pitch;
    EXPECT_EQ(SurfaceLock(target, nullptr, 0, &p, &pitch), SURF_OK);
    uint32_t v;
    std::memcpy(&v, p + y * pitch + x * 4, 4);
    SurfaceUnlock(target);
    return v & 0xFFFFFF;
  }
  // Pixels whose colour differs from `background`, as a mask string per row for readable failures.
  std::vector<std::string> Cover(uint32_t background, int x0, int y0, int x1, int y1) {
    std::vector<std::string> rows;
    for (int y = y0; y < y1; ++y) {
      std::string s;
      for (int x = x0; x < x1; ++x) s += At(x, y) == background ? '.' : '#';
      rows.push_back(s);
    }
    return rows;
  }
  // Stage 0 selects the texture for colour and alpha.
  void SelectTexture(Surface* t) {
    d->SetTexture(0, t);
    d->SetTextureStageState(0, TSS_COLOROP, TOP_SELECTARG1);
    d->SetTextureStageState(0, TSS_COLORARG1, TA_TEXTURE);
    d->SetTextureStageState(0, TSS_ALPHAOP, TOP_SELECTARG1);
    d->SetTextureStageState(0, TSS_ALPHAARG1, TA_TEXTURE);
  }
  void SelectDiffuse() {
    d->SetTexture(0, nullptr);
    d->SetTextureStageState(0, TSS_COLOROP, TOP_SELECTARG1);
    d->SetTextureStageState(0, TSS_COLORARG1, TA_DIFFUSE);
    d->SetTextureStageState(0, TSS_ALPHAOP, TOP_SELECTARG1);
    d->SetTextureStageState(0, TSS_ALPHAARG1, TA_DIFFUSE);
  }
};

VertexColor C(float x, float y, uint32_t c, float z = 0.0f) { return VertexColor{x, y, z, 1.0f, c}; }
VertexTextured T(float x, float y, float u, float v, uint32_t c = 0xFFFFFFFF) {
  return VertexTextured{x, y, 0.0f, 1.0f, c, u, v};
}

// Two triangles over (l, t)-(r, b) in the engine's quad order.
std::vector<VertexColor> Box(float l, float t, float r, float b, uint32_t c, float z = 0.0f) {
  return {C(l, t, c, z), C(r, t, c, z), C(l, b, c, z), C(r, b, c, z), C(l, b, c, z), C(r, t, c, z)};
}

std::vector<VertexTextured> Quad(float l, float t, float r, float b, float u0 = 0, float v0 = 0, float u1 = 1,
                                 float v1 = 1) {
  return {T(l, t, u0, v0), T(r, t, u1, v0), T(l, b, u0, v1), T(r, b, u1, v1), T(l, b, u0, v1), T(r, t, u1, v0)};
}

std::vector<uint32_t> Pattern(int w, int h) {
  std::vector<uint32_t> t(static_cast<size_t>(w) * h);
  for (int i = 0; i < w * h; ++i) t[i] = 0xFF000000u | static_cast<uint32_t>(i * 0x010305 + 0x102030);
  return t;
}

TEST(Device3DRaster, FilledBoxCoversCentresWithTopLeftRule) {
  Rig r;
  r.SelectDiffuse();
  auto box = Box(10, 10, 20, 20, 0xFF00FF00);
  ASSERT_EQ(r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, box.data(), 6, 0), DEV3D_OK);
  for (int y = 8; y < 22; ++y) {
    for (int x = 8; x < 22; ++x) {
      const bool in = x >= 10 && x < 20 && y >= 10 && y < 20;
      ASSERT_EQ(r.At(x, y), in ? 0x00FF00u : 0u) << x << "," << y;
    }
  }
  // Under additive blending the shared diagonal and abutting boxes are drawn once.
  r.Fill(0);
  r.d->SetRenderState(RS_ALPHABLENDENABLE, 1);
  r.d->SetRenderState(RS_SRCBLEND, BLEND_ONE);
  r.d->SetRenderState(RS_DESTBLEND, BLEND_ONE);
  auto a = Box(2.5f, 2.25f, 9.75f, 12.5f, 0xFF101010), b = Box(9.75f, 2.25f, 15.1f, 12.5f, 0xFF101010);
  r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, a.data(), 6, 0);
  r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, b.data(), 6, 0);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 20; ++x) {
      const bool in = x >= 3 && x <= 15 && y >= 3 && y <= 12;
      ASSERT_EQ(r.At(x, y), in ? 0x101010u : 0u) << x << "," << y;
    }
  }
}

TEST(Device3DRaster, OutlinedBoxTouchesEachEdgePixelOnce) {
  Rig r;
  r.SelectDiffuse();
  r.d->SetRenderState(RS_ALPHABLENDENABLE, 1);
  r.d->SetRenderState(RS_SRCBLEND, BLEND_ONE);
  r.d->SetRenderState(RS_DESTBLEND, BLEND_ONE);
  const float L = 10, T0 = 10, R = 19, B = 19;
  const uint32_t c = 0xFF202020;
  std::vector<VertexColor> lines = {C(L, T0, c),        C(R - 0.1f, T0, c), C(R, T0, c), C(R, B - 0.1f, c),
                                    C(L, B, c),         C(R + 0.9f, B, c),  C(L, T0 + 1.0f, c),
                                    C(L, B - 0.1f, c)};
  ASSERT_EQ(r.d->DrawPrimitive(PRIM_LINELIST, FVF_COLOR, lines.data(), 8, 0), DEV3D_OK);
  for (int y = 8; y < 22; ++y) {
    for (int x = 8; x < 22; ++x) {
      const bool edge = (x >= 10 && x <= 19 && (y == 10 || y == 19)) || (y >= 10 && y <= 19 && (x == 10 || x == 19));
      ASSERT_EQ(r.At(x, y), edge ? 0x202020u : 0u) << x << "," << y;
    }
  }
  // A steep line runs along y; a point covers its rounded pixel.
  r.Fill(0);
  std::vector<VertexColor> steep = {C(3.4f, 2.0f, c), C(5.4f, 8.0f, c)};
  r.d->DrawPrimitive(PRIM_LINELIST, FVF_COLOR, steep.data(), 2, 0);
  const int xs[6] = {3, 4, 4, 4, 5, 5};   // round(3.4 + (y - 2) / 3)
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 8; ++x) ASSERT_EQ(r.At(x, y), y >= 2 && y < 8 && x == xs[y - 2] ? 0x202020u : 0u);
  }
  VertexColor p = C(20.5f, 7.49f, c);
  r.d->DrawPrimitive(PRIM_POINTLIST, FVF_COLOR, &p, 1, 0);
  EXPECT_EQ(r.At(21, 7), 0x202020u);
  EXPECT_EQ(r.At(20, 7), 0u);
}

TEST(Device3DRaster, TexturedQuadOneToOneStretchedAndRotated) {
  Rig r;
  auto texels = Pattern(8, 8);
  Surface* t = r.Texture(8, 8, texels);
  r.SelectTexture(t);
  // 1:1 with the half-pixel shift: texel centres land on pixel centres.
  auto q = Quad(3.5f, 4.5f, 11.5f, 12.5f);
  ASSERT_EQ(r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, q.data(), 6, 0), DEV3D_OK);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) ASSERT_EQ(r.At(4 + x, 5 + y), texels[y * 8 + x] & 0xFFFFFF);
  }
  EXPECT_EQ(r.At(3, 5), 0u);
  EXPECT_EQ(r.At(12, 5), 0u);
  // Stretched twice: every texel covers 2 x 2 pixels.
  r.Fill(0);
  q = Quad(-0.5f, -0.5f, 15.5f, 15.5f);
  r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, q.data(), 6, 0);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) ASSERT_EQ(r.At(x, y), texels[(y / 2) * 8 + x / 2] & 0xFFFFFF);
  }
  // Rotated a quarter turn clockwise about the quad's centre: texel (tx, ty) lands on (7 - ty, tx).
  r.Fill(0);
  std::vector<VertexTextured> rot = {T(7.5f, -0.5f, 0, 0), T(7.5f, 7.5f, 1, 0), T(-0.5f, -0.5f, 0, 1),
                                     T(-0.5f, 7.5f, 1, 1), T(-0.5f, -0.5f, 0, 1), T(7.5f, 7.5f, 1, 0)};
  r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, rot.data(), 6, 0);
  for (int ty = 0; ty < 8; ++ty) {
    for (int tx = 0; tx < 8; ++tx) ASSERT_EQ(r.At(7 - ty, tx), texels[ty * 8 + tx] & 0xFFFFFF);
  }
}

TEST(Device3DRaster, LinearFilterWeighsFourTexels) {
  Rig r;
  Surface* t = r.Texture(2, 1, {0xFF000000, 0xFFFF0000});
  r.SelectTexture(t);
  r.d->SetTextureStageState(0, TSS_MAGFILTER, FILTER_LINEAR);
  auto q = Quad(-0.5f, -0.5f, 7.5f, 0.5f);   // 2 texels stretched over 8 pixels
  r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, q.data(), 6, 0);
  // Pixel x samples u x 2 - 0.5 = (x + 0.5) / 4 - 0.5; clamped at both ends.
  for (int x = 0; x < 8; ++x) {
    double f = (x + 0.5) / 4.0 - 0.5;
    int w = f <= 0 ? 0 : (f >= 1 ? 256 : static_cast<int>((f - std::floor(f)) * 256));
    if (f >= 1) w = 0;   // both clamped to the last texel
    int red = f >= 1 ? 255 : (255 * w + 128) >> 8;
    ASSERT_EQ(r.At(x, 0), static_cast<uint32_t>(red) << 16) << x;
  }
}

TEST(Device3DRaster, BlendFactorsOfEachEngineMode) {
  struct Mode { uint32_t src, dest; };
  const Mode modes[] = {{BLEND_SRCALPHA, BLEND_INVSRCALPHA}, {BLEND_SRCALPHA, BLEND_ONE},
                        {BLEND_INVDESTCOLOR, BLEND_ZERO},    {BLEND_ZERO, BLEND_SRCCOLOR},
                        {BLEND_ONE, BLEND_ZERO}};
  const int s[3] = {0x40, 0x80, 0xF0}, d[3] = {0x90, 0x30, 0xC0}, sa = 0x60;
  for (const Mode& m : modes) {
    Rig r;
    r.SelectDiffuse();
    r.Fill(static_cast<uint32_t>(d[2] << 16 | d[1] << 8 | d[0]));
    r.d->SetRenderState(RS_ALPHABLENDENABLE, 1);
    r.d->SetRenderState(RS_SRCBLEND, m.src);
    r.d->SetRenderState(RS_DESTBLEND, m.dest);
    auto box = Box(0, 0, 4, 4, static_cast<uint32_t>(sa << 24 | s[2] << 16 | s[1] << 8 | s[0]));
    r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, box.data(), 6, 0);
    uint32_t want = 0;
    for (int k = 0; k < 3; ++k) {
      auto factor = [&](uint32_t f) {
        switch (f) {
          case BLEND_ZERO: return 0;
          case BLEND_ONE: return 255;
          case BLEND_SRCALPHA: return sa;
          case BLEND_INVSRCALPHA: return 255 - sa;
          case BLEND_SRCCOLOR: return s[k];
          default: return 255 - d[k];   // INVDESTCOLOR
        }
      };
      int v = Mul(s[k], factor(m.src)) + Mul(d[k], factor(m.dest));
      want |= static_cast<uint32_t>(v > 255 ? 255 : v) << (8 * k);
    }
    EXPECT_EQ(r.At(1, 1), want) << m.src << " " << m.dest;
    EXPECT_EQ(r.At(5, 5), static_cast<uint32_t>(d[2] << 16 | d[1] << 8 | d[0]));
  }
}

TEST(Device3DRaster, ColorKeyAndAlphaTestDropPixels) {
  Rig r;
  r.Fill(0x123456);
  Surface* t = r.Texture(2, 2, {0xFF00FF00, 0xFFFF0000, 0x7F0000FF, 0x81FFFFFF});
  SurfaceSetColorKey(t, 0xFF00FF00, 0xFF00FF00);
  r.SelectTexture(t);
  auto q = Quad(-0.5f, -0.5f, 1.5f, 1.5f);
  r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, q.data(), 6, 0);
  EXPECT_EQ(r.At(0, 0), 0x00FF00u);   // colour key off: drawn
  r.Fill(0x123456);
  r.d->SetRenderState(RS_COLORKEYENABLE, 1);
  r.d->SetRenderState(RS_ALPHATESTENABLE, 1);
  r.d->SetRenderState(RS_ALPHAREF, 0x80);
  r.d->SetRenderState(RS_ALPHAFUNC, CMP_GREATER);
  r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, q.data(), 6, 0);
  EXPECT_EQ(r.At(0, 0), 0x123456u);   // keyed
  EXPECT_EQ(r.At(1, 0), 0xFF0000u);
  EXPECT_EQ(r.At(0, 1), 0x123456u);   // alpha 0x7F fails GREATER 0x80
  EXPECT_EQ(r.At(1, 1), 0xFFFFFFu);   // 0x81 passes
}

TEST(Device3DRaster, FlatTakesFirstVertexGouraudInterpolates) {
  Rig r;
  r.SelectDiffuse();
  std::vector<VertexColor> tri = {C(0, 0, 0xFF0000FF), C(16, 0, 0xFF00FF00), C(0, 16, 0xFFFF0000)};
  r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, tri.data(), 3, 0);
  EXPECT_EQ(r.At(5, 5), 0x0000FFu);
  EXPECT_EQ(r.At(0, 10), 0x0000FFu);
  r.d->SetRenderState(RS_SHADEMODE, SHADE_GOURAUD);
  r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, tri.data(), 3, 0);
  // At (4, 8): weights 1 - 4/16 - 8/16, 4/16, 8/16.
  const uint32_t red = 128, green = 64, blue = 64;   // 255 x weight, rounded
  EXPECT_EQ(r.At(4, 8), red << 16 | green << 8 | blue);
  // A triangle strip's second triangle takes its own first vertex under flat shading.
  r.d->SetRenderState(RS_SHADEMODE, SHADE_FLAT);
  std::vector<VertexColor> strip = {C(20, 0, 0xFF000011), C(30, 0, 0xFF000022), C(20, 10, 0xFF000033),
                                    C(30, 10, 0xFF000044)};
  uint16_t idx[4] = {0, 1, 2, 3};
  ASSERT_EQ(r.d->DrawIndexedPrimitive(PRIM_TRIANGLESTRIP, FVF_COLOR, strip.data(), 4, idx, 4, 0), DEV3D_OK);
  EXPECT_EQ(r.At(21, 1), 0x11u);
  EXPECT_EQ(r.At(29, 9), 0x22u);
}

TEST(Device3DRaster, ZTestAndWrite) {
  Rig r;
  r.SelectDiffuse();
  SurfaceDepthFill(r.z, nullptr, 0xFFFF);
  r.d->SetRenderState(RS_ZENABLE, 1);
  r.d->SetRenderState(RS_ZWRITEENABLE, 1);
  r.d->SetRenderState(RS_ZFUNC, CMP_LESSEQUAL);
  auto nearBox = Box(0, 0, 8, 8, 0xFF0000FF, 0.25f), farBox = Box(4, 4, 12, 12, 0xFFFF0000, 0.5f);
  r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, nearBox.data(), 6, 0);
  r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, farBox.data(), 6, 0);
  EXPECT_EQ(r.At(5, 5), 0x0000FFu);   // hidden behind the nearer box
  EXPECT_EQ(r.At(10, 10), 0xFF0000u);
  // Without Z write the far box leaves the depth as it was.
  r.d->SetRenderState(RS_ZWRITEENABLE, 0);
  auto nearest = Box(8, 8, 12, 12, 0xFF00FF00, 0.4f);
  r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, nearest.data(), 6, 0);
  EXPECT_EQ(r.At(10, 10), 0x00FF00u);
  auto back = Box(8, 8, 12, 12, 0xFFFFFFFF, 0.45f);
  r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, back.data(), 6, 0);
  EXPECT_EQ(r.At(10, 10), 0xFFFFFFu);   // 0.45 <= stored 0.5
}

TEST(Device3DRaster, ViewportClips) {
  Rig r;
  r.SelectDiffuse();
  ASSERT_EQ(r.d->SetViewport(Viewport3D{4, 6, 10, 5, 0.0f, 1.0f}), DEV3D_OK);
  auto box = Box(-100, -100, 100, 100, 0xFFFFFFFF);
  r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, box.data(), 6, 0);
  std::vector<VertexColor> line = {C(-5, 20, 0xFFFFFFFF), C(40, 20, 0xFFFFFFFF)};
  r.d->DrawPrimitive(PRIM_LINELIST, FVF_COLOR, line.data(), 2, 0);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const bool in = x >= 4 && x < 14 && y >= 6 && y < 11;
      ASSERT_EQ(r.At(x, y), in ? 0xFFFFFFu : 0u) << x << "," << y;
    }
  }
  EXPECT_EQ(r.d->SetViewport(Viewport3D{30, 0, 3, 1, 0.0f, 1.0f}), DEV3D_ERR_INVALID);
}

TEST(Device3DRaster, StageOperationsAndArguments) {
  Rig r;
  Surface* t = r.Texture(1, 1, {0x80604020});
  r.d->SetTexture(0, t);
  r.d->SetRenderState(RS_TEXTUREFACTOR, 0x40102030);
  struct Case { uint32_t op, a1, a2; int (*f)(int, int); };
  const Case cases[] = {
      {TOP_MODULATE, TA_TEXTURE, TA_DIFFUSE, [](int a, int b) { return Mul(a, b); }},
      {TOP_MODULATE2X, TA_TEXTURE, TA_DIFFUSE, [](int a, int b) { return std::min(255, 2 * Mul(a, b)); }},
      {TOP_MODULATE4X, TA_TEXTURE, TA_DIFFUSE, [](int a, int b) { return std::min(255, 4 * Mul(a, b)); }},
      {TOP_ADD, TA_TEXTURE, TA_TFACTOR, [](int a, int b) { return std::min(255, a + b); }},
      {TOP_SUBTRACT, TA_TEXTURE, TA_TFACTOR, [](int a, int b) { return std::max(0, a - b); }},
      {TOP_SELECTARG2, TA_TEXTURE, TA_SPECULAR, [](int, int b) { return b; }},
  };
  const int tex[3] = {0x20, 0x40, 0x60}, diffuse[3] = {0x90, 0xA0, 0xFF}, factor[3] = {0x30, 0x20, 0x10};
  const int specular[3] = {0x0C, 0x0B, 0x0A};
  for (const Case& c : cases) {
    r.d->SetTextureStageState(0, TSS_COLOROP, c.op);
    r.d->SetTextureStageState(0, TSS_COLORARG1, c.a1);
    r.d->SetTextureStageState(0, TSS_COLORARG2, c.a2);
    VertexBlended v[3] = {{0, 0, 0, 1, 0xFFFFA090, 0xFF0A0B0C, 0.5f, 0.5f, 0, 0},
                          {4, 0, 0, 1, 0xFFFFA090, 0xFF0A0B0C, 0.5f, 0.5f, 0, 0},
                          {0, 4, 0, 1, 0xFFFFA090, 0xFF0A0B0C, 0.5f, 0.5f, 0, 0}};
    r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_BLENDED, v, 3, 0);
    uint32_t want = 0;
    for (int k = 0; k < 3; ++k) {
      int b = c.a2 == TA_DIFFUSE ? diffuse[k] : (c.a2 == TA_TFACTOR ? factor[k] : specular[k]);
      want |= static_cast<uint32_t>(c.f(tex[k], b)) << (8 * k);
    }
    EXPECT_EQ(r.At(1, 1), want) << c.op;
  }
}

TEST(Device3DRaster, SixteenBitTargetAndTexture) {
  SurfaceDevice* dev = SurfaceDeviceCreate(kRgb565);
  SurfaceDesc desc{};
  desc.caps = SURFCAPS_3DDEVICE;
  desc.width = desc.height = 4;
  desc.hasFormat = true;
  desc.format = kRgb565;
  Surface *target, *tex;
  ASSERT_EQ(SurfaceCreate(dev, desc, &target), SURF_OK);
  desc.caps = SURFCAPS_TEXTURE;
  ASSERT_EQ(SurfaceCreate(dev, desc, &tex), SURF_OK);
  SurfaceColorFill(tex, nullptr, 0xF81F);
  Render3D* r3d = Render3DCreateSoftware(dev);
  Device3D* d = nullptr;
  ASSERT_EQ(r3d->CreateDevice(DEVICE_KIND_HARDWARE, target, &d), DEV3D_OK);
  d->SetRenderState(RS_CULLMODE, CULL_NONE);
  d->SetTexture(0, tex);
  d->BeginScene();
  auto q = Quad(-0.5f, -0.5f, 3.5f, 3.5f);
  ASSERT_EQ(d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, q.data(), 6, 0), DEV3D_OK);
  uint8_t* p;
  int32_t pitch;
  SurfaceLock(target, nullptr, 0, &p, &pitch);
  uint16_t v;
  std::memcpy(&v, p + pitch + 2, 2);
  SurfaceUnlock(target);
  EXPECT_EQ(v, 0xF81F);
  delete d;
  delete r3d;
  SurfaceRelease(tex);
  SurfaceRelease(target);
  SurfaceDeviceDestroy(dev);
}

TEST(Device3DRaster, RefusesWhatItCannotDraw) {
  Rig r;
  auto box = Box(0, 0, 4, 4, 0xFFFFFFFF);
  uint16_t bad[3] = {0, 1, 9};
  EXPECT_EQ(r.d->DrawIndexedPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, box.data(), 6, bad, 3, 0), DEV3D_ERR_INVALID);
  EXPECT_EQ(r.d->DrawPrimitive(3, FVF_COLOR, box.data(), 6, 0), DEV3D_ERR_INVALID);   // line strips: not offered
  EXPECT_EQ(r.d->DrawPrimitive(PRIM_TRIANGLELIST, 0x42, box.data(), 6, 0), DEV3D_ERR_INVALID);
  EXPECT_EQ(r.d->BeginScene(), DEV3D_ERR_SCENE);
  uint8_t* p;
  int32_t pitch;
  SurfaceLock(r.target, nullptr, 0, &p, &pitch);
  EXPECT_EQ(r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, box.data(), 6, 0), DEV3D_ERR_NOTARGET);
  SurfaceUnlock(r.target);
  r.d->EndScene();
  EXPECT_EQ(r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, box.data(), 6, 0), DEV3D_ERR_SCENE);
  EXPECT_EQ(r.At(1, 1), 0u);
  // Coordinates far off the surface and NaN are drawn as clipped, never out of bounds.
  r.d->BeginScene();
  r.SelectDiffuse();
  std::vector<VertexColor> wild = {C(-1e30f, 5, 0xFFFFFFFF), C(1e30f, 5, 0xFFFFFFFF), C(NAN, 40, 0xFFFFFFFF)};
  EXPECT_EQ(r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_COLOR, wild.data(), 3, 0), DEV3D_OK);
}

// Flat-shaded sprites take a shorter path than Gouraud ones; with one colour on every vertex both
// must give the same bytes, whatever the placement, blend, key or alpha test.
TEST(Device3DRaster, SpritePathMatchesGeneralPath) {
  uint32_t seed = 12345;
  auto rnd = [&seed](int n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 8) % static_cast<uint32_t>(n));
  };
  std::vector<uint32_t> texels(64);
  for (auto& t : texels) t = static_cast<uint32_t>(rnd(256)) << 24 | static_cast<uint32_t>(rnd(0x1000000));
  texels[5] = 0xFF00FF00;
  struct Setup { uint32_t colorOp, alphaOp, alphaArg; int blend; bool key, test; };
  const Setup setups[] = {{TOP_SELECTARG1, TOP_SELECTARG1, TA_TEXTURE, 0, false, false},
                          {TOP_MODULATE, TOP_MODULATE, TA_TEXTURE, 1, true, false},
                          {TOP_MODULATE, TOP_SELECTARG1, TA_DIFFUSE, 2, false, true},
                          {TOP_SELECTARG1, TOP_MODULATE, TA_TEXTURE, 1, true, true}};
  for (const Setup& st : setups) {
    std::vector<uint32_t> result[2];
    for (int pass = 0; pass < 2; ++pass) {
      Rig r;
      r.Fill(0x336699);
      Surface* t = r.Texture(8, 8, texels);
      SurfaceSetColorKey(t, 0xFF00FF00, 0xFF00FF00);
      r.d->SetTexture(0, t);
      r.d->SetTextureStageState(0, TSS_COLOROP, st.colorOp);
      r.d->SetTextureStageState(0, TSS_COLORARG1, TA_TEXTURE);
      r.d->SetTextureStageState(0, TSS_COLORARG2, TA_DIFFUSE);
      r.d->SetTextureStageState(0, TSS_ALPHAOP, st.alphaOp);
      r.d->SetTextureStageState(0, TSS_ALPHAARG1, st.alphaArg);
      r.d->SetTextureStageState(0, TSS_ALPHAARG2, TA_DIFFUSE);
      r.d->SetRenderState(RS_ALPHABLENDENABLE, st.blend != 0);
      r.d->SetRenderState(RS_SRCBLEND, BLEND_SRCALPHA);
      r.d->SetRenderState(RS_DESTBLEND, st.blend == 1 ? BLEND_INVSRCALPHA : BLEND_ONE);
      r.d->SetRenderState(RS_COLORKEYENABLE, st.key);
      r.d->SetRenderState(RS_ALPHATESTENABLE, st.test);
      r.d->SetRenderState(RS_ALPHAREF, 0x60);
      r.d->SetRenderState(RS_ALPHAFUNC, CMP_GREATEREQUAL);
      r.d->SetRenderState(RS_SHADEMODE, pass ? SHADE_GOURAUD : SHADE_FLAT);
      seed = 777;
      for (int i = 0; i < 20; ++i) {
        const float cx = static_cast<float>(rnd(3200)) / 100.0f, cy = static_cast<float>(rnd(3200)) / 100.0f;
        const float s = 1.0f + static_cast<float>(rnd(300)) / 100.0f, ang = static_cast<float>(rnd(628)) / 100.0f;
        const uint32_t c = 0x80C0E0F0u;
        auto corner = [&](float dx, float dy, float u, float v) {
          return T(cx + s * (dx * std::cos(ang) - dy * std::sin(ang)), cy + s * (dx * std::sin(ang) + dy * std::cos(ang)),
                   u, v, c);
        };
        std::vector<VertexTextured> q = {corner(-4, -4, 0, 0), corner(4, -4, 1, 0), corner(-4, 4, 0, 1),
                                         corner(4, 4, 1, 1),   corner(-4, 4, 0, 1), corner(4, -4, 1, 0)};
        r.d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, q.data(), 6, 0);
      }
      for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) result[pass].push_back(r.At(x, y));
      }
    }
    EXPECT_EQ(result[0], result[1]) << st.colorOp << " " << st.alphaOp << " " << st.blend;
  }
}

TEST(Device3DSystem, EnumeratesOneHardwareDeviceAndFormats) {
  Rig r;
  int devices = 0;
  r.r3d->EnumDevices(
      [](const Device3DDesc& d, void* c) {
        ++*static_cast<int*>(c);
        EXPECT_EQ(d.kind, DEVICE_KIND_HARDWARE);
        EXPECT_EQ(d.renderDepths, RENDER_DEPTH_16 | RENDER_DEPTH_32);
        EXPECT_EQ(d.triTextureCaps & (TEXCAPS_POW2 | TEXCAPS_SQUAREONLY), 0u);
        EXPECT_EQ(d.minTextureWidth, 1u);
        EXPECT_GE(d.maxTextureWidth, 2048u);
        return true;
      },
      &devices);
  EXPECT_EQ(devices, 1);
  std::vector<PixelFormat> z, tex;
  r.r3d->EnumZBufferFormats(DEVICE_KIND_HARDWARE, [](const PixelFormat& f, void* c) {
    static_cast<std::vector<PixelFormat>*>(c)->push_back(f);
    return true;
  }, &z);
  ASSERT_EQ(z.size(), 1u);
  EXPECT_EQ(z[0].bitCount, 16u);
  r.d->EnumTextureFormats([](const PixelFormat& f, void* c) {
    static_cast<std::vector<PixelFormat>*>(c)->push_back(f);
    return true;
  }, &tex);
  bool a4444 = false, a8888 = false, a1555 = false, p565 = false, x888 = false;
  for (const PixelFormat& f : tex) {
    a4444 |= f.alphaMask == 0xF000;
    a8888 |= f.alphaMask == 0xFF000000u;
    a1555 |= f.alphaMask == 0x8000;
    p565 |= f.bitCount == 16 && f.redMask == 0xF800;
    x888 |= f.bitCount == 32 && !(f.flags & PIXFMT_ALPHAPIXELS);
  }
  EXPECT_TRUE(a4444 && a8888 && a1555 && p565 && x888);
  // Load copies a rectangle between textures of one format.
  Surface* a = r.Texture(2, 2, {1, 2, 3, 4});
  Surface* b = r.Texture(4, 4, std::vector<uint32_t>(16, 0));
  SurfRect rect{0, 1, 2, 2};
  ASSERT_EQ(r.d->Load(b, 1, 1, a, &rect, 0), DEV3D_OK);
  uint8_t* p;
  int32_t pitch;
  SurfaceLock(b, nullptr, 0, &p, &pitch);
  uint32_t v[2];
  std::memcpy(v, p + pitch + 4, 8);
  SurfaceUnlock(b);
  EXPECT_EQ(v[0], 3u);
  EXPECT_EQ(v[1], 4u);
  EXPECT_EQ(r.d->Load(b, 0, 0, r.target, nullptr, 0), DEV3D_ERR_INVALID);   // another format
}

}  // namespace
