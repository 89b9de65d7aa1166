// The texel loops of the textured triangle and the rotated blit against a slow reference written
// straight from the per-channel rules, over every destination format, source kind, blend mode
// and option.
#include <gtest/gtest.h>
#include <cstring>
#include <optional>
#include <random>
#include "engine/softrender/geometry.h"
#include "engine/softrender/image_blit.h"
#include "geometry_test_util.h"

namespace {

struct Case {
  int format;      // 0: 16-bit, 1: 32-bit
  bool paletted;
  int mode, param;
  bool blend, tint, alpha, trans;
  uint32_t bright;
};

uint32_t Byte(uint32_t v, int i) { return (v >> (8 * i)) & 0xFF; }

// The new destination pixel, or nothing when the texel leaves it alone.
std::optional<uint32_t> Reference(const Case& c, const uint8_t* texel, const MemImg& src, uint32_t w, uint32_t d) {
  int mode = c.mode, p = c.param;
  if (mode > 4) return std::nullopt;
  if (mode == 1 && p == 255) mode = 0;
  if ((mode == 1 || mode == 2) && p == 0) return std::nullopt;
  if (mode == 3 && p == 0 && !c.paletted) return std::nullopt;

  uint32_t s, A = 255;
  bool useAlpha = false;
  if (c.paletted) {
    if (c.trans && texel[0] == src.transparentColor) return std::nullopt;
    s = src.palette[texel[0]];
  } else {
    s = c.format == 1 ? (uint32_t)texel[0] | texel[1] << 8 | texel[2] << 16 | (uint32_t)texel[3] << 24
                      : (uint32_t)texel[0] | texel[1] << 8;
    if (c.alpha) {
      A = c.format == 1 ? texel[3] : texel[2];
      useAlpha = true;
      if (c.trans) {
        if (mode != 4 && A == 0) return std::nullopt;
        if (A == 255) useAlpha = false;
      }
    } else if (c.trans && s == src.transparentColor) {
      return std::nullopt;
    }
  }
  const uint32_t brightOf[3] = {Byte(c.bright, 0), Byte(c.bright, 1), Byte(c.bright, 2)};   // b, g, r

  if (c.format == 1) {
    uint32_t S[3], D[3], out[3];
    for (int i = 0; i < 3; ++i) {
      S[i] = c.tint ? brightOf[i] * Byte(s, i) / 255 : Byte(s, i);
      D[i] = Byte(d, i);
    }
    auto pack = [&](uint32_t fourth) { return out[0] | out[1] << 8 | out[2] << 16 | fourth << 24; };
    uint64_t f = 0;
    int n = 0;
    if (mode == 0 && !c.blend && !useAlpha) {
      if (!c.tint) return s;
      for (int i = 0; i < 3; ++i) out[i] = S[i];
      return pack(Byte(d, 3));
    }
    if (mode == 0) {
      if (c.blend && useAlpha) f = w * A, n = 16;
      else if (c.blend) f = w, n = 8;
      else f = A, n = 8;
    } else if (mode == 1) {
      if (c.blend && useAlpha) f = (uint64_t)w * A * p, n = 24;
      else if (c.blend) f = w * p, n = 16;
      else if (useAlpha) f = A * p, n = 16;
      else f = p, n = 8;
    }
    if (mode <= 1) {
      for (int i = 0; i < 3; ++i) out[i] = (uint32_t)((S[i] * f + D[i] * ((1ull << n) - f)) >> n);
      return pack(Byte(d, 3));
    }
    if (mode == 4) {
      for (int i = 0; i < 3; ++i) {
        uint64_t v = (uint64_t)S[i] * D[i];
        if (c.blend) v *= w;
        if (useAlpha) v *= A;
        out[i] = (uint32_t)(v >> (8 + (c.blend ? 8 : 0) + (useAlpha ? 8 : 0)));
      }
      return pack(Byte(d, 3));
    }
    uint32_t X[3];
    for (int i = 0; i < 3; ++i) {
      if (!c.blend && !useAlpha) X[i] = p * S[i] / 255;
      else {
        uint64_t v = (uint64_t)S[i] * p;
        if (c.blend) v *= w;
        if (useAlpha) v *= A;
        X[i] = (uint32_t)(v >> ((c.blend ? 8 : 0) + (useAlpha ? 8 : 0) + 8));
      }
    }
    if (mode == 2) {
      uint32_t bs = D[0] + X[0];
      out[0] = bs > 255 ? 255 : bs;
      uint32_t gs = (D[1] & 0xFE) + (X[1] & 0xFE);
      out[1] = gs > 255 ? 255 : gs | ((D[1] | X[1]) & 1) | (bs > 255 ? 1 : 0);
      uint32_t rs = (D[2] & 0xFE) + (X[2] & 0xFE);
      out[2] = rs > 255 ? 255 : rs | ((D[2] | X[2]) & 1) | (gs > 255 ? 1 : 0);
      return pack(rs > 255 ? 1 : 0);
    }
    bool bb = D[0] < X[0];
    out[0] = bb ? 0 : D[0] - X[0];
    bool gb = (D[1] & 0xFE) < (X[1] & 0xFE);
    out[1] = gb ? 0 : (D[1] & 0xFE) - (X[1] & 0xFE) + (bb ? 0 : 1);
    bool rb = (D[2] & 0xFE) < (X[2] & 0xFE);
    out[2] = rb ? 0 : (D[2] & 0xFE) - (X[2] & 0xFE) + (gb ? 0 : 1);
    return pack(0);
  }

  // 16-bit: fields red, green, blue.
  const int width[3] = {5, 6, 5};
  const uint32_t raw[3] = {s >> 11, (s >> 5) & 63, s & 31};
  const uint32_t D[3] = {d >> 11, (d >> 5) & 63, d & 31};
  const uint32_t br[3] = {brightOf[2], brightOf[1], brightOf[0]};
  uint32_t t[3], out[3];
  for (int i = 0; i < 3; ++i) t[i] = c.tint ? br[i] * raw[i] / 255 : raw[i];
  auto pack = [&]() { return out[0] << 11 | out[1] << 5 | out[2]; };
  if (mode == 0 && !c.blend && !useAlpha) {
    if (!c.tint) return s;
    for (int i = 0; i < 3; ++i) out[i] = t[i];
    return pack();
  }
  for (int i = 0; i < 3; ++i) {
    const int64_t tf = t[i], df = D[i];
    if (mode == 0) {
      int64_t q = c.blend && useAlpha ? (int64_t)A * w : (c.blend ? w : A), div = c.blend && useAlpha ? 65536 : 256;
      out[i] = (uint32_t)((tf * q + df * (div - q)) / div);
    } else if (mode == 1) {
      if (!c.blend && !useAlpha) {
        out[i] = (uint32_t)(df + (int64_t)p * (tf - df) / 255);
      } else {
        int64_t W = c.blend && useAlpha ? (int64_t)A * w * p : (c.blend ? (int64_t)w * p : (int64_t)A * p);
        int64_t div = c.blend && useAlpha ? (1 << 24) : 65536;
        out[i] = (uint32_t)((tf * W + df * (div - W)) / div);
      }
    } else if (mode == 4) {
      int64_t v = tf * df, div = (int64_t)1 << width[i];
      if (c.blend) v *= w, div *= 256;
      if (useAlpha) v *= A, div *= 256;
      out[i] = (uint32_t)(v / div);
    }
  }
  if (mode == 0 || mode == 1 || mode == 4) return pack();
  uint32_t e[3];
  for (int i = 0; i < 3; ++i) {
    uint32_t scaled;
    if (c.blend && useAlpha) scaled = t[i] * A * w / 65536;
    else if (c.blend) scaled = t[i] * w / 256;
    else if (useAlpha && c.tint) scaled = br[i] * (raw[i] * A / 256) / 255;
    else if (useAlpha) scaled = t[i] * A / 256;
    else scaled = t[i];
    e[i] = p * scaled / 255;
  }
  if (mode == 2) {
    uint32_t bs = D[2] + e[2];
    out[2] = bs > 31 ? 31 : bs;
    uint32_t gs = (D[1] & 62) + (e[1] & 62);
    uint32_t glow = ((D[1] | e[1]) & 1) | (bs > 31 ? 1 : 0);
    out[1] = (gs > 63 ? 62 : gs) | glow;
    uint32_t rs = (D[0] & 30) + (e[0] & 30);
    out[0] = rs > 31 ? 31 : rs | ((D[0] | e[0]) & 1) | (gs > 63 ? 1 : 0);
    return pack();
  }
  out[2] = D[2] < e[2] ? 0 : D[2] - e[2];
  bool gb = (D[1] & 62) < (e[1] & 62);
  out[1] = gb ? 0 : (D[1] & 62) - (e[1] & 62);
  out[0] = (D[0] & 30) < (e[0] & 30) ? 0 : (D[0] & 30) - (e[0] & 30) + (gb ? 0 : 1);
  return pack();
}

constexpr int kW = 7, kH = 5;

struct Fixture {
  TestImage src, blend;
  Fixture(const Case& c, std::mt19937& rng)
      : src(kW, kH, c.format, c.paletted, c.alpha && !c.paletted), blend(kW + 2, kH + 1, 1, false, false) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        uint8_t* p = src.At(x, y);
        int bytes = c.paletted ? 1 : (c.format == 1 ? 4 : (c.alpha ? 4 : 2));
        for (int i = 0; i < bytes; ++i) p[i] = (uint8_t)rng();
      }
    // Keyed texels, and alphas at both ends.
    if (c.paletted) {
      for (int i = 0; i < 256; ++i) src.SetPal(i, rng() & (c.format == 1 ? 0xFFFFFFFFu : 0xFFFFu));
      src.img.transparentColor = src.At(1, 1)[0];
      src.SetPal((src.img.transparentColor + 1) & 255, src.img.palette[src.img.transparentColor]);
      src.At(2, 1)[0] = (uint8_t)((src.img.transparentColor + 1) & 255);
    } else {
      src.img.transparentColor = src.Get(1, 1);
      src.Set(3, 2, src.img.transparentColor);
      if (c.format == 1) src.Set(4, 2, src.img.transparentColor ^ 0x01000000u);   // differs in the fourth byte only
      if (c.alpha) {
        src.At(0, 0)[c.format == 1 ? 3 : 2] = 0;
        src.At(5, 3)[c.format == 1 ? 3 : 2] = 0;
        src.At(6, 4)[c.format == 1 ? 3 : 2] = 255;
        src.At(2, 3)[c.format == 1 ? 3 : 2] = 255;
      }
    }
    for (int y = 0; y < blend.img.height; ++y)
      for (int x = 0; x < blend.img.width; ++x) blend.Set(x, y, rng());
  }
};

void ApplyState(const Case& c, std::mt19937& rng) {
  ResetGeometryState(64, 64);
  SetBlend(c.mode, c.param);
  g_DrawState.drawBright = c.bright;
  for (int i = 0; i < 256; ++i) g_BlendWeightTable[i] = (uint8_t)rng();
  g_BlendWeightTable[0] = 0;
  g_BlendWeightTable[255] = 255;
}

void FillDest(TestImage& d, std::mt19937& seeded) {
  for (int y = 0; y < d.img.height; ++y)
    for (int x = 0; x < d.img.width; ++x) d.Set(x, y, d.img.format == 1 ? seeded() : seeded() & 0xFFFF);
}

// Draws the source 1:1 at (ox, oy) with draw(); checks every pixel against the reference.
template <class Draw>
void CheckOneToOne(const Case& c, int ox, int oy, Draw draw, const char* what) {
  std::mt19937 rng(1234 + c.mode * 7 + c.param);
  ApplyState(c, rng);
  Fixture f(c, rng);
  TestImage dest(40, 30, c.format);
  std::mt19937 destRng(99);
  FillDest(dest, destRng);
  std::vector<uint32_t> before = dest.Snapshot();
  draw(dest.img, f.src.img, c.blend ? &f.blend.img : nullptr);
  for (int y = 0; y < dest.img.height; ++y)
    for (int x = 0; x < dest.img.width; ++x) {
      uint32_t old = before[(size_t)y * dest.img.width + x];
      std::optional<uint32_t> want;
      int u = x - ox, v = y - oy;
      if (u >= 0 && u < kW && v >= 0 && v < kH)
        want = Reference(c, f.src.At(u, v), f.src.img,
                         g_BlendWeightTable[f.blend.img.pixels[(size_t)v * f.blend.img.pitch + u]], old);
      ASSERT_EQ(dest.Get(x, y), want.value_or(old))
          << what << " fmt " << c.format << " pal " << c.paletted << " mode " << c.mode << " p " << c.param
          << " blend " << c.blend << " tint " << c.tint << " alpha " << c.alpha << " trans " << c.trans << " at "
          << x << "," << y;
    }
}

std::vector<Case> OptionMatrix() {
  const std::pair<int, int> modes[] = {{0, 0}, {1, 77}, {1, 255}, {1, 0}, {2, 200}, {2, 0},
                                       {3, 90}, {3, 0}, {4, 0}, {4, 255}, {5, 255}};
  std::vector<Case> out;
  for (int format : {0, 1})
    for (bool pal : {false, true})
      for (auto [mode, param] : modes)
        for (int bits = 0; bits < 16; ++bits) {
          Case c{format, pal, mode, param, (bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0, 0};
          if (pal && c.alpha) continue;
          c.bright = c.tint ? 0x30FFA0u : 0x00FFFFFFu;
          out.push_back(c);
        }
  return out;
}

// The blits' vector kernels off, SSE2 only, AVX2 where the processor has it.
struct TexelRulesVector : ::testing::Test {
  void TearDown() override { g_SoftBlitVectorMode = -1; }
};

TEST_F(TexelRulesVector, TriangleMatchesReferenceOverOptionMatrix) {
  for (int vector : {0, 1, 2})
  for (const Case& c : OptionMatrix()) {
    g_SoftBlitVectorMode = vector;
    // Identity mapping: the triangle is twice the source, so every texel lands once on its pixel.
    CheckOneToOne(c, 0, 0, [&](MemImg& d, const MemImg& s, const MemImg* b) {
      TexturedVertex v[3] = {{0, 0, 0, 0}, {2 * kW, 0, 2 * kW, 0}, {0, 2 * kH, 0, 2 * kH}};
      DrawTexturedTriangleMemImg(&d, &s, v, c.trans, b);
    }, vector == 0 ? "scalar" : vector == 1 ? "sse2" : "avx2");
    if (HasFatalFailure()) return;
  }
}

TEST_F(TexelRulesVector, RotatedBlitMatchesReferenceOverOptionMatrix) {
  for (int vector : {0, 1, 2})
  for (Case c : OptionMatrix()) {
    g_SoftBlitVectorMode = vector;
    CheckOneToOne(c, 20 - kW / 2, 15 - kH / 2, [&](MemImg& d, const MemImg& s, const MemImg* b) {
      DrawRotatedToMemImg(&d, &s, 20, 15, 0.0f, 1.0f, c.trans, 0, b);
    }, vector == 0 ? "rotated scalar" : vector == 1 ? "rotated sse2" : "rotated avx2");
    if (HasFatalFailure()) return;
  }
}

}  // namespace

namespace {

// Turned and stretched draws keep the per-pixel loops while unscaled upright ones take the
// kernels; with the kernels on, a frame of both gives the scalar loops' bytes, pixels outside the
// source (skipped at both ends of a row) and row tails included.
TEST_F(TexelRulesVector, FetchedTexelsGiveTheScalarBytes) {
  struct Rule { int format; bool alpha; int mode, param; bool tint, trans; };
  const Rule rules[] = {{1, false, 1, 77, true, true},  {1, true, 0, 0, false, true}, {1, true, 0, 0, true, false},
                        {1, false, 2, 200, false, false}, {0, false, 1, 90, true, true}, {0, false, 3, 150, false, true},
                        {0, false, 0, 0, false, true},  {1, false, 0, 0, true, false}};
  for (const Rule& r : rules) {
    std::vector<uint32_t> out[3];
    for (int vector : {0, 1, 2}) {
      g_SoftBlitVectorMode = vector;
      Case c{r.format, false, r.mode, r.param, false, r.tint, r.alpha, r.trans, r.tint ? 0x30FFA0u : 0x00FFFFFFu};
      std::mt19937 rng(77);
      ApplyState(c, rng);
      Fixture f(c, rng);
      TestImage dest(40, 30, c.format);
      std::mt19937 destRng(5);
      FillDest(dest, destRng);
      DrawRotatedToMemImg(&dest.img, &f.src.img, 20, 15, 0.7f, 2.3f, c.trans, 0, nullptr);
      TexturedVertex v[3] = {{1, 2, -1, 0}, {38, 4, 9, 1}, {3, 27, 0, 6}};
      DrawTexturedTriangleMemImg(&dest.img, &f.src.img, v, c.trans, nullptr);
      // Upright and unscaled, the texture starting two texels left of it and ending past it.
      TexturedVertex w[3] = {{2, 20, -2, 1}, {2 + 2 * kW, 20, 2 * kW - 2, 1}, {2, 20 + 2 * kH, -2, 1 + 2 * kH}};
      DrawTexturedTriangleMemImg(&dest.img, &f.src.img, w, c.trans, nullptr);
      out[vector] = dest.Snapshot();
    }
    EXPECT_EQ(out[1], out[0]) << "format " << r.format << " mode " << r.mode << " alpha " << r.alpha;
    EXPECT_EQ(out[2], out[0]) << "format " << r.format << " mode " << r.mode << " alpha " << r.alpha;
  }
}

}  // namespace
