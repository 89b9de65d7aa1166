// The shorter sprite paths of the software rasteriser against the general pipeline: every case is
// drawn both ways and the target bytes must match exactly, padding included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <random>
#include <vector>

#include "platform/device3d.h"
#include "platform/device3d/soft/soft_device.h"

namespace {

using namespace plat;

const PixelFormat kXrgb{32, PIXFMT_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0};
const PixelFormat kArgb{32, PIXFMT_RGB | PIXFMT_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
const PixelFormat kRgb565{32, PIXFMT_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
const PixelFormat kRgb555{32, PIXFMT_RGB, 0, 16, 0x7C00, 0x03E0, 0x001F, 0};
const PixelFormat kArgb1555{32, PIXFMT_RGB | PIXFMT_ALPHAPIXELS, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000};
const PixelFormat kArgb4444{32, PIXFMT_RGB | PIXFMT_ALPHAPIXELS, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000};

struct Program {
  uint32_t colorOp, alphaOp, alphaArg;
  int blend;   // 0 off, 1 source alpha / inverse, 2 source alpha / one
  bool key, test;
};

struct Placement { float x, y, w, h, u0, v0, u1, v1, angle; };

constexpr int kW = 64, kH = 48, kTex = 16;

std::vector<uint32_t> TexelPattern() {
  std::vector<uint32_t> t(kTex * kTex);
  uint32_t seed = 99;
  for (auto& v : t) {
    seed = seed * 1103515245u + 12345u;
    const uint32_t pick = (seed >> 20) % 4;
    const uint32_t alpha = pick == 0 ? 0u : (pick == 1 ? 0xFFu : (seed >> 8) & 0xFF);
    v = alpha << 24 | ((seed >> 4) & 0xFFFFFF);
  }
  t[17] = t[40] = t[200] = 0xFF00FF00;   // the key colour
  return t;
}

// Draws every placement with one program and returns the target's bytes. vector: the device's
// vector mode (0 none, 1 SSE2, 2 AVX2) when not generalOnly.
std::vector<uint8_t> Draw(const PixelFormat& targetFmt, const PixelFormat& texFmt, const Program& pr,
                          const std::vector<Placement>& places, bool generalOnly, int vector = -1,
                          const std::function<void(Device3D*)>& submit = nullptr) {
  soft::g_SoftRasterGeneralOnly = generalOnly;
  soft::g_SoftRasterVectorMode = vector;
  SurfaceDevice* dev = SurfaceDeviceCreate(targetFmt);
  SurfaceDesc desc{};
  desc.caps = SURFCAPS_3DDEVICE;
  desc.width = kW;
  desc.height = kH;
  desc.hasFormat = true;
  desc.format = targetFmt;
  Surface *target = nullptr, *tex = nullptr;
  EXPECT_EQ(SurfaceCreate(dev, desc, &target), SURF_OK);
  desc.caps = SURFCAPS_TEXTURE;
  desc.width = desc.height = kTex;
  desc.format = texFmt;
  EXPECT_EQ(SurfaceCreate(dev, desc, &tex), SURF_OK);
  uint8_t* p;
  int32_t pitch;
  const std::vector<uint32_t> texels = TexelPattern();
  SurfaceLock(tex, nullptr, 0, &p, &pitch);
  for (int y = 0; y < kTex; ++y) {
    for (int x = 0; x < kTex; ++x) {
      const uint32_t t = texels[y * kTex + x];
      if (texFmt.bitCount == 16) {
        const uint16_t w = static_cast<uint16_t>(t & 0xFFFF);
        std::memcpy(p + y * pitch + x * 2, &w, 2);
      } else {
        std::memcpy(p + y * pitch + x * 4, &t, 4);
      }
    }
  }
  SurfaceUnlock(tex);
  if (texFmt.bitCount == 16) {
    // A key range over two 16-bit values that the pattern holds.
    SurfaceSetColorKey(tex, texels[17] & 0xFFFF, (texels[17] & 0xFFFF) + 1);
  } else {
    SurfaceSetColorKey(tex, 0xFF00FF00, 0xFF00FF00);
  }
  // A background of varied colours; the unused top byte of 32-bit pixels is set as well.
  SurfaceLock(target, nullptr, 0, &p, &pitch);
  for (int y = 0; y < kH; ++y) {
    for (int i = 0; i < kW * static_cast<int>(targetFmt.bitCount / 8); ++i) p[y * pitch + i] = static_cast<uint8_t>(y * 7 + i * 13);
  }
  SurfaceUnlock(target);

  Render3D* r3d = Render3DCreateSoftware(dev);
  Device3D* d = nullptr;
  EXPECT_EQ(r3d->CreateDevice(DEVICE_KIND_HARDWARE, target, &d), DEV3D_OK);
  d->SetRenderState(RS_CULLMODE, CULL_NONE);
  d->SetRenderState(RS_ZENABLE, 0);
  d->SetRenderState(RS_SHADEMODE, SHADE_FLAT);
  d->SetTexture(0, tex);
  d->SetTextureStageState(0, TSS_COLOROP, pr.colorOp);
  d->SetTextureStageState(0, TSS_COLORARG1, TA_TEXTURE);
  d->SetTextureStageState(0, TSS_COLORARG2, TA_DIFFUSE);
  d->SetTextureStageState(0, TSS_ALPHAOP, pr.alphaOp);
  d->SetTextureStageState(0, TSS_ALPHAARG1, pr.alphaArg);
  d->SetTextureStageState(0, TSS_ALPHAARG2, TA_DIFFUSE);
  d->SetRenderState(RS_ALPHABLENDENABLE, pr.blend != 0);
  d->SetRenderState(RS_SRCBLEND, BLEND_SRCALPHA);
  d->SetRenderState(RS_DESTBLEND, pr.blend == 1 ? BLEND_INVSRCALPHA : BLEND_ONE);
  d->SetRenderState(RS_COLORKEYENABLE, pr.key);
  d->SetRenderState(RS_ALPHATESTENABLE, pr.test);
  d->SetRenderState(RS_ALPHAREF, 0x60);
  d->SetRenderState(RS_ALPHAFUNC, CMP_GREATEREQUAL);
  d->BeginScene();
  if (submit) submit(d);
  const uint32_t diffuse[2] = {0xFFFFFFFFu, 0x80C0E0F0u};
  for (size_t i = 0; i < places.size(); ++i) {
    const Placement& pl = places[i];
    const float c = std::cos(pl.angle), s = std::sin(pl.angle);
    const float cx = pl.x + pl.w / 2, cy = pl.y + pl.h / 2;
    auto corner = [&](float fx, float fy, float u, float v) {
      const float dx = (fx - 0.5f) * pl.w, dy = (fy - 0.5f) * pl.h;
      return VertexTextured{cx + dx * c - dy * s, cy + dx * s + dy * c, 0.0f, 1.0f, diffuse[i % 2], u, v};
    };
    std::vector<VertexTextured> q = {corner(0, 0, pl.u0, pl.v0), corner(1, 0, pl.u1, pl.v0),
                                     corner(0, 1, pl.u0, pl.v1), corner(1, 1, pl.u1, pl.v1),
                                     corner(0, 1, pl.u0, pl.v1), corner(1, 0, pl.u1, pl.v0)};
    EXPECT_EQ(d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, q.data(), 6, 0), DEV3D_OK);
  }
  d->EndScene();
  std::vector<uint8_t> bytes;
  SurfaceLock(target, nullptr, 0, &p, &pitch);
  for (int y = 0; y < kH; ++y) bytes.insert(bytes.end(), p + y * pitch, p + y * pitch + kW * targetFmt.bitCount / 8);
  SurfaceUnlock(target);
  delete d;
  delete r3d;
  SurfaceRelease(tex);
  SurfaceRelease(target);
  SurfaceDeviceDestroy(dev);
  soft::g_SoftRasterGeneralOnly = false;
  soft::g_SoftRasterVectorMode = -1;
  return bytes;
}

struct Formats { const PixelFormat* target; const PixelFormat* tex; const char* name; };

// Draws every program on every pair of formats by the general path and by the sprite path with each
// vector mode of `vectors`; the target bytes must be the same.
void ExpectGeneralBytes(const std::vector<Formats>& formats, const std::vector<Program>& programs,
                        const std::vector<Placement>& places, std::initializer_list<int> vectors,
                        const std::function<void(Device3D*)>& submit = nullptr) {
  for (const Formats& f : formats) {
    for (size_t i = 0; i < programs.size(); ++i) {
      const std::vector<uint8_t> general = Draw(*f.target, *f.tex, programs[i], places, true, -1, submit);
      for (int vector : vectors) {
        const std::vector<uint8_t> fast = Draw(*f.target, *f.tex, programs[i], places, false, vector, submit);
        ASSERT_EQ(fast.size(), general.size());
        size_t first = 0;
        while (first < fast.size() && fast[first] == general[first]) ++first;
        EXPECT_EQ(first, fast.size()) << f.name << ", program " << i << ", vector " << vector
                                      << ": first differing byte " << first;
      }
    }
  }
}

TEST(Device3DPaths, SpritePathsGiveTheGeneralPathsBytes) {
  const std::vector<Placement> places = {
      {-0.5f, -0.5f, 16, 16, 0, 0, 1, 1, 0},            // 1:1 on pixel centres
      {20.25f, 3.75f, 16, 16, 0, 0, 1, 1, 0},           // 1:1, fractional offsets
      {39.5f, 1.0f, 16, 16, 0, 0, 1, 1, 0},
      {-6.5f, 20.5f, 32, 32, 0, 0, 1, 1, 0},            // doubled, clipped on the left
      {30.3f, 18.6f, 24, 12, 0, 0, 1, 1, 0},            // 1.5 x 0.75
      {50.0f, 30.0f, 8, 8, 0, 0, 1, 1, 0},              // halved
      {56.7f, 40.2f, 16, 16, 1, 0, 0, 1, 0},            // mirrored, clipped right and bottom
      {10.0f, 30.0f, 16, 16, 0.25f, 0.25f, 0.75f, 0.75f, 0},   // part of the texture
      {26.0f, 26.0f, 14, 14, 0, 0, 1, 1, 0.6f},         // rotated
      {1.0f, 12.0f, 20, 20, -0.5f, -0.5f, 1.5f, 1.5f, 0},      // coordinates past the edges clamp
      // Widths around the vector sizes, so that every row tail is drawn.
      {0.5f, 40.5f, 1, 3, 0, 0, 0.0625f, 0.1875f, 0},
      {3.5f, 40.5f, 3, 3, 0, 0, 0.1875f, 0.1875f, 0},
      {7.5f, 40.5f, 4, 3, 0, 0, 0.25f, 0.1875f, 0},
      {12.5f, 40.5f, 5, 3, 0, 0, 0.3125f, 0.1875f, 0},
      {18.5f, 40.5f, 7, 3, 0.5f, 0, 0.9375f, 0.1875f, 0},
      {26.5f, 40.5f, 9, 3, 0, 0.5f, 0.5625f, 0.6875f, 0},
      {36.5f, 44.5f, 15, 3, 0, 0, 0.9375f, 0.1875f, 0},
      {47.5f, 36.5f, 17, 5, 0, 0, 17.0f / 16, 5.0f / 16, 0},
      {-0.5f, 30.5f, 8, 9, 0, 0, 0.5f, 0.5625f, 0},
      {44.5f, 20.5f, 16, 2, 1, 0, 0, 0.125f, 0},      // mirrored 1:1: columns run backwards
  };
  const std::vector<Program> programs = {
      {TOP_SELECTARG1, TOP_SELECTARG1, TA_TEXTURE, 1, false, false},   // the engine's alpha sprite
      {TOP_SELECTARG1, TOP_SELECTARG1, TA_TEXTURE, 0, false, false},
      {TOP_SELECTARG1, TOP_SELECTARG1, TA_TEXTURE, 2, true, false},
      {TOP_MODULATE, TOP_MODULATE, TA_TEXTURE, 1, true, false},
      {TOP_MODULATE, TOP_SELECTARG1, TA_DIFFUSE, 2, false, true},
      {TOP_SELECTARG1, TOP_MODULATE, TA_TEXTURE, 1, true, true},
      {TOP_MODULATE, TOP_DISABLE, TA_TEXTURE, 1, false, false},
      {TOP_SELECTARG1, TOP_SELECTARG1, TA_TEXTURE, 0, true, true},
  };
  const std::vector<Formats> formats = {{&kXrgb, &kArgb, "32 on 32"},          {&kXrgb, &kXrgb, "opaque 32 on 32"},
                             {&kRgb565, &kArgb, "32 on 16"},        {&kRgb565, &kRgb565, "16 on 16"},
                             {&kXrgb, &kRgb565, "16 on 32"},        {&kRgb565, &kArgb4444, "4444 on 16"},
                             {&kRgb565, &kArgb1555, "1555 on 16"},  {&kRgb555, &kArgb4444, "4444 on 555"},
                             {&kXrgb, &kArgb4444, "4444 on 32"},    {&kRgb555, &kArgb, "32 on 555"}};
  ExpectGeneralBytes(formats, programs, places, {0, 1, 2});
}

// The vector spans' closed forms, over their whole ranges: the rounded product as one high
// multiply, and every channel width widened to 8 bits by (c x mul + add) >> down, both within 16
// bits.
TEST(Device3DPaths, SpanClosedFormsEqualTheDevicesArithmetic) {
  for (uint32_t a = 0; a < 256; ++a) {
    for (uint32_t b = 0; b < 256; ++b) {
      const uint32_t t = a * b + 128;
      ASSERT_LT(t, 65536u);
      ASSERT_EQ((t * 257) >> 16, (t + (t >> 8)) >> 8) << a << " x " << b;
    }
  }
  for (int bits = 1; bits <= 8; ++bits) {
    const soft::Channel16 c = soft::MakeChannel16(0, bits, false);
    const uint32_t max = (1u << bits) - 1;
    ASSERT_EQ(c.mask, max);
    ASSERT_EQ(c.narrow, 8 - bits);
    for (uint32_t v = 0; v <= max; ++v) {
      ASSERT_LT(v * c.mul + c.add, 65536u);
      EXPECT_EQ((v * c.mul + c.add) >> c.down, (v * 255 + max / 2) / max) << bits << " bits, " << v;
    }
  }
  const soft::Channel16 missing = soft::MakeChannel16(0, 0, true);
  EXPECT_EQ((0 * missing.mul + missing.add) >> missing.down, 255u);
}

// Upright quads in every shape the batching meets: halves whose texel addressing may disagree
// (fractional texture ranges), halves of different colours, a list ending in an odd triangle,
// quads drawn by index and as strips. Each is drawn through the general pipeline and through the
// vector paths, which must agree byte for byte.
TEST(Device3DPaths, QuadShapesGiveTheGeneralPathsBytes) {
  std::mt19937 rng(31);
  auto frac = [&](float lo, float hi) { return lo + (hi - lo) * static_cast<float>(rng() % 1000) / 1000.0f; };
  std::vector<VertexTextured> list;
  for (int i = 0; i < 24; ++i) {
    const float l = frac(-4, 60), t = frac(-4, 44), w = frac(1, 24), h = frac(1, 20);
    const float u0 = frac(-0.2f, 0.6f), u1 = frac(0.4f, 1.2f), v0 = frac(-0.2f, 0.6f), v1 = frac(0.4f, 1.2f);
    const uint32_t c0 = 0xFF000000u | rng(), c1 = i % 3 == 0 ? 0x80FFFFFFu | rng() : c0;
    const bool mirror = i % 4 == 1;
    const float ul = mirror ? u1 : u0, ur = mirror ? u0 : u1;
    list.insert(list.end(), {{l, t, 0, 1, c0, ul, v0}, {l + w, t, 0, 1, 0, ur, v0}, {l, t + h, 0, 1, 0, ul, v1},
                             {l + w, t + h, 0, 1, c1, ur, v1}, {l, t + h, 0, 1, 0, ul, v1}, {l + w, t, 0, 1, 0, ur, v0}});
  }
  // Halves that round a texel column apart (found by search): at the rectangle's left pixel the
  // left half's anchor gives u x 16 = 7, the right half's a hair below; in the second quad the
  // right half's own pixel at x = 19 takes column 0 where the left half's plane gives 1.
  const float found[2][6] = {{12.0f, 12.0f + 18.077220916748047f, 9.550152778625488f, 9.550152778625488f + 7.37031888961792f,
                              0.4375f, 1.1112308502197266f},
                             {6.0f, 20.0f, 8.268209457397461f, 8.268209457397461f + 13.693720817565918f, 0.875f, 0.0f}};
  for (const auto& q : found) {
    const float l = q[0], r = q[1], t = q[2], b = q[3], u0 = q[4], u1 = q[5];
    list.insert(list.end(), {{l, t, 0, 1, 0xFFFFFFFFu, u0, 0}, {r, t, 0, 1, 0, u1, 0}, {l, b, 0, 1, 0, u0, 1},
                             {r, b, 0, 1, 0xFFFFFFFFu, u1, 1}, {l, b, 0, 1, 0, u0, 1}, {r, t, 0, 1, 0, u1, 0}});
  }
  list.insert(list.end(), {{5.5f, 5.5f, 0, 1, 0xFFFFFFFFu, 0, 0}, {30.5f, 9.5f, 0, 1, 0, 1, 0}, {9.5f, 33.5f, 0, 1, 0, 0, 1}});
  const std::vector<VertexTextured> quad = {{10.5f, 12.5f, 0, 1, 0xC0FFFFFFu, 0, 0}, {26.5f, 12.5f, 0, 1, 0, 1, 0},
                                            {10.5f, 28.5f, 0, 1, 0, 0, 1},          {26.5f, 28.5f, 0, 1, 0, 1, 1}};
  const uint16_t indices[6] = {0, 1, 2, 3, 2, 1};
  auto submit = [&](Device3D* d) {
    EXPECT_EQ(d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, list.data(), static_cast<uint32_t>(list.size()), 0), DEV3D_OK);
    EXPECT_EQ(d->DrawIndexedPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, quad.data(), 4, indices, 6, 0), DEV3D_OK);
    std::vector<VertexTextured> strip = quad;
    for (auto& v : strip) v.x += 30;
    EXPECT_EQ(d->DrawPrimitive(PRIM_TRIANGLESTRIP, FVF_TEXTURED, strip.data(), 4, 0), DEV3D_OK);
  };
  const std::vector<Program> programs = {{TOP_SELECTARG1, TOP_SELECTARG1, TA_TEXTURE, 1, false, false},
                              {TOP_MODULATE, TOP_MODULATE, TA_TEXTURE, 1, true, false},
                              {TOP_MODULATE, TOP_SELECTARG1, TA_DIFFUSE, 2, false, true}};
  const std::vector<Formats> formats = {{&kXrgb, &kArgb, "32 on 32"}, {&kRgb565, &kArgb4444, "4444 on 16"}};
  ExpectGeneralBytes(formats, programs, {}, {1, 2}, submit);
}

// Copies of one sprite moved by whole pixels from a fractional start, overlapping (so their order
// shows) and some cut by the edges, in one colour, then in another; between them the same corners
// mapped mirrored, a scaled shape moved by half a pixel, a turned copy of its own colour and a
// line, and a second draw that goes on where the first ended.
// Upright quads wait in the batch for more of their kind and reuse the last quad's tables: the
// bytes must still be the general path's.
TEST(Device3DPaths, MovedCopiesGiveTheGeneralPathsBytes) {
  auto quad = [](std::vector<VertexTextured>* v, float l, float t, float u0, float u1, uint32_t c) {
    v->insert(v->end(), {{l, t, 0, 1, c, u0, 0}, {l + 16, t, 0, 1, c, u1, 0}, {l, t + 16, 0, 1, c, u0, 1},
                         {l + 16, t + 16, 0, 1, c, u1, 1}, {l, t + 16, 0, 1, c, u0, 1}, {l + 16, t, 0, 1, c, u1, 0}});
  };
  std::vector<VertexTextured> first, second;
  for (int i = 0; i < 30; ++i) {
    const float l = 0.25f + static_cast<float>((i * 7) % 58) - 6, t = 0.75f + static_cast<float>((i * 5) % 44) - 5;
    const uint32_t c = i < 18 ? 0xFFFFFFFFu : 0x80C0E0F0u;
    quad(i < 22 ? &first : &second, l, t, 0, 1, c);
    if (i == 3) quad(&first, l, t, 1, 0, c);
    if (i == 7) {   // a scaled shape, then the same half a pixel over: other texel columns
      quad(&first, l, t, 0, 0.75f, c);
      quad(&first, l + 0.5f, t, 0, 0.75f, c);
    }
    if (i == 5) {
      const float s = std::sin(0.5f), co = std::cos(0.5f), cx = l + 8, cy = t + 8;
      auto at = [&](float dx, float dy, float u, float w) {
        return VertexTextured{cx + dx * co - dy * s, cy + dx * s + dy * co, 0, 1, 0xC0E0F0FFu, u, w};
      };
      first.insert(first.end(), {at(-8, -8, 0, 0), at(8, -8, 1, 0), at(-8, 8, 0, 1), at(8, 8, 1, 1), at(-8, 8, 0, 1), at(8, -8, 1, 0)});
    }
  }
  const std::vector<VertexTextured> line = {{2.5f, 40.5f, 0, 1, 0xFFFFFFFFu, 0, 0}, {60.5f, 3.5f, 0, 1, 0xFFFFFFFFu, 1, 1}};
  auto submit = [&](Device3D* d) {
    const size_t half = first.size() / 2 / 6 * 6;
    EXPECT_EQ(d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, first.data(), static_cast<uint32_t>(half), 0), DEV3D_OK);
    EXPECT_EQ(d->DrawPrimitive(PRIM_LINELIST, FVF_TEXTURED, line.data(), 2, 0), DEV3D_OK);
    EXPECT_EQ(d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, first.data() + half, static_cast<uint32_t>(first.size() - half), 0), DEV3D_OK);
    EXPECT_EQ(d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, second.data(), static_cast<uint32_t>(second.size()), 0), DEV3D_OK);
  };
  const std::vector<Program> programs = {{TOP_SELECTARG1, TOP_SELECTARG1, TA_TEXTURE, 1, false, false},
                              {TOP_MODULATE, TOP_MODULATE, TA_TEXTURE, 1, true, false},
                              {TOP_SELECTARG1, TOP_MODULATE, TA_TEXTURE, 2, false, true}};
  const std::vector<Formats> formats = {{&kXrgb, &kArgb, "32 on 32"}, {&kRgb565, &kArgb4444, "4444 on 16"}, {&kRgb565, &kArgb, "32 on 16"}};
  ExpectGeneralBytes(formats, programs, {}, {1, 2}, submit);
}

// Every 16-bit texel value, in each 16-bit texture layout, blended onto a 16-bit target of every
// pixel value: the vector spans widen and narrow channels by closed forms, which must give the
// device's own tables for all of them.
TEST(Device3DPaths, EverySixteenBitValueGivesTheGeneralPathsBytes) {
  const PixelFormat* texFormats[] = {&kArgb4444, &kArgb1555, &kRgb565};
  for (const PixelFormat* texFmt : texFormats) {
    std::vector<uint8_t> out[3];
    for (int pass = 0; pass < 3; ++pass) {
      soft::g_SoftRasterGeneralOnly = pass == 0;
      soft::g_SoftRasterVectorMode = pass == 2 ? 2 : 1;
      SurfaceDevice* dev = SurfaceDeviceCreate(kRgb565);
      SurfaceDesc desc{};
      desc.caps = SURFCAPS_3DDEVICE;
      desc.width = desc.height = 256;
      desc.hasFormat = true;
      desc.format = kRgb565;
      Surface *target = nullptr, *tex = nullptr;
      ASSERT_EQ(SurfaceCreate(dev, desc, &target), SURF_OK);
      desc.caps = SURFCAPS_TEXTURE;
      desc.format = *texFmt;
      ASSERT_EQ(SurfaceCreate(dev, desc, &tex), SURF_OK);
      uint8_t* p;
      int32_t pitch;
      // Texel (x, y) = y x 256 + x; target pixel (x, y) = its mirror, so every pair meets.
      SurfaceLock(tex, nullptr, 0, &p, &pitch);
      for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
          const uint16_t v = static_cast<uint16_t>(y * 256 + x);
          std::memcpy(p + y * pitch + 2 * x, &v, 2);
        }
      }
      SurfaceUnlock(tex);
      SurfaceLock(target, nullptr, 0, &p, &pitch);
      for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
          const uint16_t v = static_cast<uint16_t>(~(y * 256 + x));
          std::memcpy(p + y * pitch + 2 * x, &v, 2);
        }
      }
      SurfaceUnlock(target);
      Render3D* r3d = Render3DCreateSoftware(dev);
      Device3D* d = nullptr;
      ASSERT_EQ(r3d->CreateDevice(DEVICE_KIND_HARDWARE, target, &d), DEV3D_OK);
      d->SetRenderState(RS_CULLMODE, CULL_NONE);
      d->SetRenderState(RS_ZENABLE, 0);
      d->SetRenderState(RS_SHADEMODE, SHADE_FLAT);
      d->SetRenderState(RS_ALPHABLENDENABLE, 1);
      d->SetRenderState(RS_SRCBLEND, BLEND_SRCALPHA);
      d->SetRenderState(RS_DESTBLEND, BLEND_INVSRCALPHA);
      d->SetTexture(0, tex);
      d->SetTextureStageState(0, TSS_COLOROP, TOP_MODULATE);
      d->SetTextureStageState(0, TSS_ALPHAOP, TOP_MODULATE);
      const uint32_t c = 0xE0F0A0C0u;
      const VertexTextured q[6] = {{-0.5f, -0.5f, 0, 1, c, 0, 0},    {255.5f, -0.5f, 0, 1, 0, 1, 0},
                                   {-0.5f, 255.5f, 0, 1, 0, 0, 1},   {255.5f, 255.5f, 0, 1, c, 1, 1},
                                   {-0.5f, 255.5f, 0, 1, 0, 0, 1},   {255.5f, -0.5f, 0, 1, 0, 1, 0}};
      d->BeginScene();
      EXPECT_EQ(d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, q, 6, 0), DEV3D_OK);
      d->EndScene();
      SurfaceLock(target, nullptr, 0, &p, &pitch);
      for (int y = 0; y < 256; ++y) out[pass].insert(out[pass].end(), p + y * pitch, p + y * pitch + 512);
      SurfaceUnlock(target);
      delete d;
      delete r3d;
      SurfaceRelease(tex);
      SurfaceRelease(target);
      SurfaceDeviceDestroy(dev);
    }
    soft::g_SoftRasterGeneralOnly = false;
    soft::g_SoftRasterVectorMode = -1;
    EXPECT_EQ(out[1], out[0]) << "SSE2, texture alpha mask " << texFmt->alphaMask;
    EXPECT_EQ(out[2], out[0]) << "AVX2, texture alpha mask " << texFmt->alphaMask;
  }
}

}  // namespace
