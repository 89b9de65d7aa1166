// Turned and scaled sprites, as the engine builds them for a rotated graph, through the software
// device's sprite paths against its general pipeline: every case is drawn both ways and the
// target bytes must match exactly, padding included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/device3d.h"
#include "platform/device3d/soft/soft_device.h"

namespace {

using namespace plat;

const PixelFormat kXrgb{32, PIXFMT_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0};
const PixelFormat kArgb{32, PIXFMT_RGB | PIXFMT_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
const PixelFormat kRgb565{32, PIXFMT_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
const PixelFormat kRgb555{32, PIXFMT_RGB, 0, 16, 0x7C00, 0x03E0, 0x001F, 0};
const PixelFormat kArgb4444{32, PIXFMT_RGB | PIXFMT_ALPHAPIXELS, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000};
const PixelFormat kArgb1555{32, PIXFMT_RGB | PIXFMT_ALPHAPIXELS, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000};

constexpr int kW = 96, kH = 72;   // the target
constexpr int kTexW = 20, kTexH = 12;   // not powers of two, not square

// One stage program and its blend, as the engine's blend programs set them.
struct Program {
  uint32_t colorOp, alphaOp, alphaArg;
  int blend;   // 0 off, 1 source alpha / inverse, 2 source alpha / one (additive)
  bool key, test;
  uint32_t coordIndex;   // the engine points its first stage at the second pair
};

// A graph of kTexW x kTexH drawn turned about (cx, cy): the engine's corner arithmetic in single
// precision, the bottom corners reflected through the centre. quarter: turned by exactly
// `quarter` right angles (sine and cosine whole).
struct Sprite {
  float cx, cy, scale, angle;
  bool mirror;
  int quarter = -1;
  uint32_t diffuse0 = 0xFFFFFFFF, diffuse1 = 0xFFFFFFFF;
};

void AddSprite(std::vector<VertexTextured>* out, const Sprite& sp) {
  float s, c;
  if (sp.quarter >= 0) {
    const float cs[4] = {1, 0, -1, 0}, sn[4] = {0, 1, 0, -1};
    c = cs[sp.quarter & 3], s = sn[sp.quarter & 3];
  } else {
    s = std::sin(sp.angle), c = std::cos(sp.angle);
  }
  const float hx = kTexW * 0.5f, hy = kTexH * 0.5f;
  const float ax = sp.mirror ? -sp.scale : sp.scale;
  const float gx[4] = {0, kTexW, 0, kTexW}, gy[4] = {0, 0, kTexH, kTexH};
  const float us[4] = {0, 1, 0, 1}, vs[4] = {0, 0, 1, 1};
  VertexTextured q[4];
  for (int k = 0; k < 2; ++k) {
    const float a = (gx[k] - hx) * ax, b = (gy[k] - hy) * sp.scale;
    q[k] = {sp.cx + (a * c - b * s), sp.cy + (a * s + b * c), 0, 1, 0, us[k], vs[k]};
  }
  q[3] = {2.0f * sp.cx - q[0].x, 2.0f * sp.cy - q[0].y, 0, 1, 0, us[3], vs[3]};
  q[2] = {2.0f * sp.cx - q[1].x, 2.0f * sp.cy - q[1].y, 0, 1, 0, us[2], vs[2]};
  VertexTextured t[6] = {q[0], q[1], q[2], q[3], q[2], q[1]};
  t[0].diffuse = sp.diffuse0;
  t[3].diffuse = sp.diffuse1;
  out->insert(out->end(), t, t + 6);
}

// Texels of every kind: transparent, opaque, partly covered, and the key colour in places (a
// block of it, so that some bilinear samples find nothing else).
std::vector<uint32_t> TexelPattern(int w, int h) {
  std::vector<uint32_t> t(static_cast<size_t>(w) * h);
  uint32_t seed = 7;
  for (size_t i = 0; i < t.size(); ++i) {
    seed = seed * 1103515245u + 12345u;
    const uint32_t pick = (seed >> 20) % 4;
    const uint32_t alpha = pick == 0 ? 0u : (pick == 1 ? 0xFFu : (seed >> 8) & 0xFF);
    const int x = static_cast<int>(i % w), y = static_cast<int>(i / w);
    const bool key = (x >= 1 && x <= 2 && y >= 1 && y <= 3) || i % 37 == 3;
    t[i] = key ? 0xFF00FF00 : alpha << 24 | ((seed >> 4) & 0xFFFFFF);
  }
  return t;
}

// The sprites of one frame. Each frame has a few, apart, so that one covering another hides
// little; frames between them reach every angle, scale, placement and clipping edge.
std::vector<std::vector<VertexTextured>> Frames() {
  std::vector<std::vector<Sprite>> frames;
  const float kDeg = 3.14159265f / 180.0f;
  // Angles: the right angles computed (sine and cosine a hair off whole) and exact, and odd ones.
  const float angles[] = {0, 90, 180, 270, 45, 30, 1, 359.5f, 123.4f, 200, 271, 0.25f, 315, 89.9f, 17};
  const float scales[] = {0.5f, 0.75f, 1, 1.37f, 2, 3};
  int n = 0;
  for (float a : angles) {
    std::vector<Sprite> f;
    for (int k = 0; k < 3; ++k, ++n) {
      const float scale = scales[n % 6];
      // Sub-pixel centres: whole, half and odd fractions.
      const float fx = (n % 5) * 0.25f + (n % 3) * 0.1f, fy = (n % 7) * 0.125f;
      f.push_back({16.0f + 32.0f * k + fx, 20.0f + 16.0f * (k % 2) + fy, scale, a * kDeg, n % 4 == 1, -1,
                   n % 3 ? 0xFFFFFFFFu : 0xC08040FFu, n % 5 == 2 ? 0x60FFFFFFu : (n % 3 ? 0xFFFFFFFFu : 0xC08040FFu)});
    }
    frames.push_back(f);
  }
  for (int q = 0; q < 4; ++q) {
    frames.push_back({{24.5f, 30.0f, 1.0f, 0, q == 1, q}, {60.25f, 36.75f, 2.0f, 0, q == 2, q}});
  }
  // Clipped at each edge of the target and of the viewport.
  frames.push_back({{-3.0f, 30.0f, 1.5f, 0.3f, false}, {kW + 2.5f, 40.0f, 2.0f, 2.0f, true}});
  frames.push_back({{40.0f, -2.25f, 2.5f, 1.1f, false}, {50.0f, kH + 1.0f, 1.75f, 4.0f, false}});
  frames.push_back({{0.5f, 0.5f, 3.0f, 0.7f, false}, {kW - 0.5f, kH - 0.5f, 3.0f, 5.5f, true}});
  std::vector<std::vector<VertexTextured>> lists(frames.size());
  for (size_t f = 0; f < frames.size(); ++f) {
    for (const Sprite& sp : frames[f]) AddSprite(&lists[f], sp);
  }
  return lists;
}

// A background of varied bytes, the unused top byte of 32-bit pixels included.
std::vector<uint8_t> Background(int rowBytes) {
  std::vector<uint8_t> b(static_cast<size_t>(rowBytes) * kH);
  for (int y = 0; y < kH; ++y) {
    for (int i = 0; i < rowBytes; ++i) b[static_cast<size_t>(y) * rowBytes + i] = static_cast<uint8_t>(y * 7 + i * 13);
  }
  return b;
}

struct Formats { const PixelFormat* target; const PixelFormat* tex; const char* name; };

// What one comparison draws: formats, texture size, program, filter, and a viewport inset from
// the target's edges or none.
struct Scene {
  Formats formats;
  const Program* program;
  uint32_t filter;
  bool viewport;
  int texW = kTexW, texH = kTexH;
};

// Draws each frame's vertices onto a fresh background; returns the target's bytes after each.
// vector: the device's vector mode (0 none, 1 SSE2, 2 AVX2) unless generalOnly.
std::vector<std::vector<uint8_t>> Draw(const Scene& sc, const std::vector<std::vector<VertexTextured>>& frames,
                                       bool generalOnly, int vector) {
  soft::g_SoftRasterGeneralOnly = generalOnly;
  soft::g_SoftRasterVectorMode = vector;
  const PixelFormat &targetFmt = *sc.formats.target, &texFmt = *sc.formats.tex;
  const Program& pr = *sc.program;
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
  desc.width = sc.texW;
  desc.height = sc.texH;
  desc.format = texFmt;
  EXPECT_EQ(SurfaceCreate(dev, desc, &tex), SURF_OK);
  uint8_t* p;
  int32_t pitch;
  const std::vector<uint32_t> texels = TexelPattern(sc.texW, sc.texH);
  const int texBytes = static_cast<int>(texFmt.bitCount / 8);
  SurfaceLock(tex, nullptr, 0, &p, &pitch);
  for (int y = 0; y < sc.texH; ++y) {
    for (int x = 0; x < sc.texW; ++x) std::memcpy(p + y * pitch + x * texBytes, &texels[static_cast<size_t>(y) * sc.texW + x], texBytes);
  }
  SurfaceUnlock(tex);
  SurfaceSetColorKey(tex, texBytes == 2 ? 0xFF00 : 0xFF00FF00, texBytes == 2 ? 0xFF00 : 0xFF00FF00);

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
  d->SetTextureStageState(0, TSS_TEXCOORDINDEX, pr.coordIndex);
  d->SetTextureStageState(0, TSS_MAGFILTER, sc.filter);
  d->SetTextureStageState(0, TSS_MINFILTER, sc.filter);
  d->SetRenderState(RS_ALPHABLENDENABLE, pr.blend != 0);
  d->SetRenderState(RS_SRCBLEND, BLEND_SRCALPHA);
  d->SetRenderState(RS_DESTBLEND, pr.blend == 1 ? BLEND_INVSRCALPHA : BLEND_ONE);
  d->SetRenderState(RS_COLORKEYENABLE, pr.key);
  d->SetRenderState(RS_ALPHATESTENABLE, pr.test);
  d->SetRenderState(RS_ALPHAREF, 0x80);
  d->SetRenderState(RS_ALPHAFUNC, CMP_GREATER);
  if (sc.viewport) {
    EXPECT_EQ(d->SetViewport(Viewport3D{5, 3, kW - 12, kH - 7, 0.0f, 1.0f}), DEV3D_OK);
  }

  std::vector<std::vector<uint8_t>> out;
  const int rowBytes = kW * static_cast<int>(targetFmt.bitCount / 8);
  const std::vector<uint8_t> ground = Background(rowBytes);
  for (const std::vector<VertexTextured>& v : frames) {
    SurfaceLock(target, nullptr, 0, &p, &pitch);
    for (int y = 0; y < kH; ++y) std::memcpy(p + y * pitch, &ground[static_cast<size_t>(y) * rowBytes], rowBytes);
    SurfaceUnlock(target);
    d->BeginScene();
    EXPECT_EQ(d->DrawPrimitive(PRIM_TRIANGLELIST, FVF_TEXTURED, v.data(), static_cast<uint32_t>(v.size()), 0), DEV3D_OK);
    d->EndScene();
    std::vector<uint8_t> bytes;
    SurfaceLock(target, nullptr, 0, &p, &pitch);
    for (int y = 0; y < kH; ++y) bytes.insert(bytes.end(), p + y * pitch, p + y * pitch + rowBytes);
    SurfaceUnlock(target);
    out.push_back(std::move(bytes));
  }
  delete d;
  delete r3d;
  SurfaceRelease(tex);
  SurfaceRelease(target);
  SurfaceDeviceDestroy(dev);
  soft::g_SoftRasterGeneralOnly = false;
  soft::g_SoftRasterVectorMode = -1;
  return out;
}

// The first frame and byte where two runs differ, or "" when they agree.
std::string FirstDifference(const std::vector<std::vector<uint8_t>>& a, const std::vector<std::vector<uint8_t>>& b) {
  if (a.size() != b.size()) return "frame counts differ";
  for (size_t f = 0; f < a.size(); ++f) {
    if (a[f].size() != b[f].size()) return "frame " + std::to_string(f) + " sizes differ";
    for (size_t i = 0; i < a[f].size(); ++i) {
      if (a[f][i] != b[f][i]) return "frame " + std::to_string(f) + ", byte " + std::to_string(i);
    }
  }
  return "";
}

const Formats kFormats[] = {{&kXrgb, &kArgb, "32 on 32"},       {&kRgb565, &kArgb, "32 on 16"},
                            {&kRgb565, &kArgb4444, "4444 on 16"}, {&kXrgb, &kArgb1555, "1555 on 32"},
                            {&kRgb555, &kRgb565, "565 on 555"}};

// The engine's sprite programs: alpha and additive blends over texture alpha, the draw's fade
// (texture x diffuse alpha), tints (colour x diffuse), unblended, keyed and alpha-tested draws.
const Program kPrograms[] = {
    {TOP_SELECTARG1, TOP_SELECTARG1, TA_TEXTURE, 1, false, false, 1},
    {TOP_SELECTARG1, TOP_MODULATE, TA_TEXTURE, 2, false, false, 1},
    {TOP_MODULATE, TOP_MODULATE, TA_TEXTURE, 1, true, false, 1},
    {TOP_MODULATE, TOP_SELECTARG1, TA_DIFFUSE, 2, true, false, 0},
    {TOP_SELECTARG1, TOP_SELECTARG1, TA_TEXTURE, 0, true, true, 1},
    {TOP_MODULATE, TOP_MODULATE, TA_TEXTURE, 0, false, false, 0},
};

void CompareAll(uint32_t filter) {
  const auto frames = Frames();
  for (const Formats& f : kFormats) {
    for (const Program& pr : kPrograms) {
      const Scene sc{f, &pr, filter, false};
      const auto general = Draw(sc, frames, true, -1);
      for (int vector : {1, 2}) {
        EXPECT_EQ(FirstDifference(Draw(sc, frames, false, vector), general), "")
            << f.name << ", program " << &pr - kPrograms << ", vector " << vector;
      }
    }
  }
}

TEST(Device3DTurned, PointSampledSpritesGiveTheGeneralPathsBytes) { CompareAll(FILTER_POINT); }

TEST(Device3DTurned, BilinearSpritesGiveTheGeneralPathsBytes) { CompareAll(FILTER_LINEAR); }

TEST(Device3DTurned, SpritesClippedByAViewportGiveTheGeneralPathsBytes) {
  const auto frames = Frames();
  for (uint32_t filter : {FILTER_POINT, FILTER_LINEAR}) {
    for (const Formats& f : {kFormats[0], kFormats[2]}) {
      const Scene sc{f, &kPrograms[2], filter, true};
      const auto general = Draw(sc, frames, true, -1);
      for (int vector : {0, 1, 2}) {
        EXPECT_EQ(FirstDifference(Draw(sc, frames, false, vector), general), "")
            << f.name << ", filter " << filter << ", vector " << vector;
      }
    }
  }
}

// Agreement above is not agreement on nothing: every frame changes the target from its
// background, on both sides of a 16-bit target.
TEST(Device3DTurned, EveryFrameDraws) {
  const auto frames = Draw({kFormats[2], &kPrograms[0], FILTER_POINT, false}, Frames(), false, -1);
  const std::vector<uint8_t> ground = Background(kW * 2);
  for (size_t f = 0; f < frames.size(); ++f) {
    int left = 0, right = 0;
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW * 2; ++x) {
        const size_t i = static_cast<size_t>(y) * kW * 2 + x;
        if (frames[f][i] != ground[i]) ++(x < kW ? left : right);
      }
    }
    EXPECT_GT(left, 20) << "frame " << f;
    EXPECT_GT(right, 20) << "frame " << f;
  }
}

// Textures at the limits of the vector fetches: one texel (too small for a word read), 16-bit
// textures whose last texel ends the surface, and rows too wide for 16-bit offsets (fetched one
// by one). One turned quad across the target for each, point sampled and bilinear.
TEST(Device3DTurned, TexturesAtTheFetchLimitsGiveTheGeneralPathsBytes) {
  struct Case { int w, h; const PixelFormat* fmt; };
  const Case cases[] = {{1, 1, &kRgb565}, {1, 1, &kArgb},      {3, 1, &kArgb4444},
                        {12, 3, &kArgb4444}, {8200, 3, &kArgb}, {16400, 2, &kRgb565}};
  const uint32_t c = 0xC0FFFFFF;
  const std::vector<std::vector<VertexTextured>> quad = {{{2.3f, 5.1f, 0, 1, c, 0, 0},   {90.7f, 1.2f, 0, 1, c, 1, 0},
                                                          {6.2f, 70.4f, 0, 1, c, 0, 1},  {94.6f, 66.5f, 0, 1, c, 1, 1},
                                                          {6.2f, 70.4f, 0, 1, c, 0, 1},  {90.7f, 1.2f, 0, 1, c, 1, 0}}};
  for (const Case& k : cases) {
    for (uint32_t filter : {FILTER_POINT, FILTER_LINEAR}) {
      Scene sc{{&kRgb565, k.fmt, ""}, &kPrograms[2], filter, false};
      sc.texW = k.w, sc.texH = k.h;
      const auto general = Draw(sc, quad, true, -1);
      for (int vector : {1, 2}) {
        EXPECT_EQ(FirstDifference(Draw(sc, quad, false, vector), general), "")
            << k.w << " x " << k.h << ", filter " << filter << ", vector " << vector;
      }
    }
  }
}

}  // namespace
