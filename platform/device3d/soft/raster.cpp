// The software rasteriser: coverage of triangles, lines and points, and the per-pixel pipeline
// (texture stages, alpha test, Z, blend). The rules are in platform/device3d.h.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <emmintrin.h>
#include <vector>

#include "platform/device3d/soft/soft_device.h"

namespace plat::soft {

bool g_SoftRasterGeneralOnly = false;

namespace {

struct Rgba { int c[4]; };   // blue, green, red, alpha

// Channel of n bits to 8 bits, rounded.
struct ExpandTable {
  uint8_t v[9][256];
  ExpandTable() {
    std::memset(v, 0, sizeof(v));
    for (int n = 1; n <= 8; ++n) {
      int max = (1 << n) - 1;
      for (int i = 0; i <= max; ++i) v[n][i] = static_cast<uint8_t>((i * 255 + max / 2) / max);
    }
  }
};
const ExpandTable g_Expand;

// floor() for the bounded values here, without a library call; NaN gives 0.
inline int FloorInt(double v) {
  if (!(v > -1073741824.0)) return v != v ? 0 : -1073741824;
  if (v > 1073741824.0) return 1073741824;
  const int i = static_cast<int>(v);
  return i - (v < i ? 1 : 0);
}

inline int Mul255(int a, int b) {
  int x = a * b + 128;
  return (x + (x >> 8)) >> 8;
}

inline int Sat(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

inline Rgba Unpack(uint32_t argb) {
  return Rgba{{static_cast<int>(argb & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
               static_cast<int>((argb >> 16) & 0xFF), static_cast<int>(argb >> 24)}};
}

inline uint32_t ReadRaw(const uint8_t* p, int bytes) {
  if (bytes == 2) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  }
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline void WriteRaw(uint8_t* p, int bytes, uint32_t v) {
  if (bytes == 2) {
    uint16_t w = static_cast<uint16_t>(v);
    std::memcpy(p, &w, 2);
  } else {
    std::memcpy(p, &v, 4);
  }
}

inline Rgba Decode(const ChannelLayout& l, uint32_t v) {
  Rgba r;
  for (int k = 0; k < 4; ++k) {
    r.c[k] = l.bits[k] ? g_Expand.v[l.bits[k]][(v & l.mask[k]) >> l.shift[k]] : (k == 3 ? 255 : 0);
  }
  return r;
}

inline uint32_t Encode(const ChannelLayout& l, const Rgba& c) {
  uint32_t v = 0;
  for (int k = 0; k < 4; ++k) {
    if (l.bits[k]) v |= (static_cast<uint32_t>(c.c[k]) >> (8 - l.bits[k])) << l.shift[k];
  }
  return v;
}

inline bool Compare(uint32_t func, int a, int b) {
  switch (func) {
    case CMP_NEVER: return false;
    case CMP_LESS: return a < b;
    case CMP_EQUAL: return a == b;
    case CMP_LESSEQUAL: return a <= b;
    case CMP_GREATER: return a > b;
    case CMP_NOTEQUAL: return a != b;
    case CMP_GREATEREQUAL: return a >= b;
    default: return true;
  }
}

inline double Clamp01(double u) {
  if (!(u >= 0.0)) return 0.0;   // also NaN
  return u > 1.0 ? 1.0 : u;
}

inline int ClampIndex(int i, int n) { return i < 0 ? 0 : (i >= n ? n - 1 : i); }

inline bool TexelAbsent(const TextureView& t, uint32_t raw, bool keyOn) {
  return keyOn && t.keyed && raw >= t.keyLow && raw <= t.keyHigh;
}

// False when the sample holds only texels inside the colour key.
bool Sample(const TextureView& t, double u, double v, bool linear, bool keyOn, Rgba* out) {
  const Pixels& p = t.px;
  u = Clamp01(u);
  v = Clamp01(v);
  if (!linear) {
    int tx = ClampIndex(FloorInt(u * p.width), p.width);
    int ty = ClampIndex(FloorInt(v * p.height), p.height);
    uint32_t raw = ReadRaw(p.base + static_cast<int64_t>(ty) * p.pitch + tx * p.layout.bytes, p.layout.bytes);
    if (TexelAbsent(t, raw, keyOn)) return false;
    *out = Decode(p.layout, raw);
    return true;
  }
  double fx = u * p.width - 0.5, fy = v * p.height - 0.5;
  const int x0 = FloorInt(fx), y0 = FloorInt(fy);
  int wx = static_cast<int>((fx - x0) * 256.0), wy = static_cast<int>((fy - y0) * 256.0);
  const int xs[2] = {ClampIndex(x0, p.width), ClampIndex(x0 + 1, p.width)};
  const int ys[2] = {ClampIndex(y0, p.height), ClampIndex(y0 + 1, p.height)};
  const int wxs[2] = {256 - wx, wx}, wys[2] = {256 - wy, wy};
  int sum[4] = {0, 0, 0, 0};
  bool present = false;
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 2; ++i) {
      int w = wxs[i] * wys[j];
      if (w == 0) continue;
      uint32_t raw = ReadRaw(p.base + static_cast<int64_t>(ys[j]) * p.pitch + xs[i] * p.layout.bytes, p.layout.bytes);
      if (TexelAbsent(t, raw, keyOn)) continue;
      present = true;
      Rgba c = Decode(p.layout, raw);
      for (int k = 0; k < 4; ++k) sum[k] += c.c[k] * w;
    }
  }
  if (!present) return false;
  for (int k = 0; k < 4; ++k) out->c[k] = (sum[k] + 32768) >> 16;
  return true;
}

inline int ApplyOp(uint32_t op, int a, int b) {
  switch (op) {
    case TOP_SELECTARG1: return a;
    case TOP_SELECTARG2: return b;
    case TOP_MODULATE: return Mul255(a, b);
    case TOP_MODULATE2X: return Sat(2 * Mul255(a, b));
    case TOP_MODULATE4X: return Sat(4 * Mul255(a, b));
    case TOP_ADD: return Sat(a + b);
    case TOP_SUBTRACT: return Sat(a - b);
    default: return a;
  }
}

struct Fragment {
  double z;
  Rgba diffuse, specular;
  double u[2], v[2];
};

// Runs the texture stages; false when the pixel is dropped by the colour key.
bool RunStages(const DrawContext& dc, const Fragment& f, Rgba* out) {
  Rgba cur = f.diffuse;
  const Rgba factor = Unpack(dc.rs[RS_TEXTUREFACTOR]);
  const bool keyOn = dc.rs[RS_COLORKEYENABLE] != 0;
  for (int s = 0; s < dc.stageCount; ++s) {
    const uint32_t* st = dc.stages[s].v;
    Rgba tex{{255, 255, 255, 255}};
    bool sampled = false;
    auto arg = [&](uint32_t a, Rgba* r) -> bool {
      switch (a & 0xF) {
        case TA_DIFFUSE: *r = f.diffuse; return true;
        case TA_CURRENT: *r = cur; return true;
        case TA_TFACTOR: *r = factor; return true;
        case TA_SPECULAR: *r = f.specular; return true;
        case TA_TEXTURE:
          if (!sampled && dc.texBound[s]) {
            const uint32_t set = st[TSS_TEXCOORDINDEX] & 1 ? 1 : 0;
            const int idx = set < dc.texCoordSets ? static_cast<int>(set) : 0;
            if (!Sample(dc.tex[s], f.u[idx], f.v[idx], st[TSS_MAGFILTER] == FILTER_LINEAR, keyOn, &tex)) return false;
          }
          sampled = true;
          *r = tex;
          return true;
        default: *r = cur; return true;
      }
    };
    Rgba c1, c2, a1, a2;
    if (!arg(st[TSS_COLORARG1], &c1) || !arg(st[TSS_COLORARG2], &c2)) return false;
    Rgba next;
    for (int k = 0; k < 3; ++k) next.c[k] = ApplyOp(st[TSS_COLOROP], c1.c[k], c2.c[k]);
    if (st[TSS_ALPHAOP] == TOP_DISABLE) {
      next.c[3] = cur.c[3];
    } else {
      if (!arg(st[TSS_ALPHAARG1], &a1) || !arg(st[TSS_ALPHAARG2], &a2)) return false;
      next.c[3] = ApplyOp(st[TSS_ALPHAOP], a1.c[3], a2.c[3]);
    }
    cur = next;
  }
  *out = cur;
  return true;
}

inline int Factor(uint32_t f, int k, const Rgba& s, const Rgba& d) {
  switch (f) {
    case BLEND_ZERO: return 0;
    case BLEND_ONE: return 255;
    case BLEND_SRCCOLOR: return s.c[k];
    case BLEND_INVSRCCOLOR: return 255 - s.c[k];
    case BLEND_SRCALPHA: return s.c[3];
    case BLEND_INVSRCALPHA: return 255 - s.c[3];
    case BLEND_DESTALPHA: return d.c[3];
    case BLEND_INVDESTALPHA: return 255 - d.c[3];
    case BLEND_DESTCOLOR: return d.c[k];
    case BLEND_INVDESTCOLOR: return 255 - d.c[k];
    case BLEND_SRCALPHASAT: return k == 3 ? 255 : (s.c[3] < 255 - d.c[3] ? s.c[3] : 255 - d.c[3]);
    default: return k == 3 ? 255 : 0;
  }
}

void WriteFragment(const DrawContext& dc, int x, int y, const Fragment& f) {
  Rgba src;
  if (!RunStages(dc, f, &src)) return;
  const uint32_t* rs = dc.rs;
  if (rs[RS_ALPHATESTENABLE] && !Compare(rs[RS_ALPHAFUNC], src.c[3], static_cast<int>(rs[RS_ALPHAREF] & 0xFF))) {
    return;
  }
  uint8_t* zp = nullptr;
  int zv = 0;
  if (dc.hasZ && rs[RS_ZENABLE]) {
    double zs = f.z * 65535.0;
    zv = !(zs >= 0.0) ? 0 : (zs > 65535.0 ? 65535 : FloorInt(zs + 0.5));
    zp = dc.z.base + static_cast<int64_t>(y) * dc.z.pitch + x * 2;
    uint16_t stored;
    std::memcpy(&stored, zp, 2);
    if (!Compare(rs[RS_ZFUNC], zv, stored)) return;
  }
  uint8_t* p = dc.target.base + static_cast<int64_t>(y) * dc.target.pitch + x * dc.target.layout.bytes;
  Rgba out = src;
  if (rs[RS_ALPHABLENDENABLE]) {
    Rgba d = Decode(dc.target.layout, ReadRaw(p, dc.target.layout.bytes));
    for (int k = 0; k < 4; ++k) {
      out.c[k] = Sat(Mul255(src.c[k], Factor(rs[RS_SRCBLEND], k, src, d)) +
                     Mul255(d.c[k], Factor(rs[RS_DESTBLEND], k, src, d)));
    }
  }
  WriteRaw(p, dc.target.layout.bytes, Encode(dc.target.layout, out));
  if (zp && rs[RS_ZWRITEENABLE]) {
    uint16_t w = static_cast<uint16_t>(zv);
    std::memcpy(zp, &w, 2);
  }
}

inline bool Inside(const DrawContext& dc, int x, int y) {
  return x >= dc.clipLeft && x < dc.clipRight && y >= dc.clipTop && y < dc.clipBottom;
}

inline int64_t Snap(float f) {
  double d = f;
  if (!(d > -65536.0)) d = -65536.0;   // also NaN
  if (d > 65536.0) d = 65536.0;
  return FloorInt(d * 256.0 + 0.5);
}

inline int RoundPixel(double v) {
  if (!(v > -65536.0)) v = -65536.0;
  if (v > 65536.0) v = 65536.0;
  return FloorInt(v + 0.5);
}

inline int RoundChannel(double v) { return Sat(FloorInt(v + 0.5)); }

// Attributes of a fragment as one array: z, diffuse bgra, specular bgra, u0, v0, u1, v1.
constexpr int kAttrs = 13;

void ToAttrs(const RVertex& v, double a[kAttrs]) {
  a[0] = v.z;
  Rgba d = Unpack(v.diffuse), s = Unpack(v.specular);
  for (int k = 0; k < 4; ++k) {
    a[1 + k] = d.c[k];
    a[5 + k] = s.c[k];
  }
  a[9] = v.u[0];
  a[10] = v.v[0];
  a[11] = v.u[1];
  a[12] = v.v[1];
}

void FromAttrs(const double a[kAttrs], bool gouraud, const RVertex& flat, Fragment* f) {
  f->z = a[0];
  if (gouraud) {
    for (int k = 0; k < 4; ++k) {
      f->diffuse.c[k] = RoundChannel(a[1 + k]);
      f->specular.c[k] = RoundChannel(a[5 + k]);
    }
  } else {
    f->diffuse = Unpack(flat.diffuse);
    f->specular = Unpack(flat.specular);
  }
  f->u[0] = a[9];
  f->v[0] = a[10];
  f->u[1] = a[11];
  f->v[1] = a[12];
}


// The common sprite case, one textured stage onto 8-bit channels, drawn without the general
// pipeline. It gives the same pixels as WriteFragment; Eligible() tells when it applies.
struct FastSprite {
  bool colorModulate;     // colour: texture, or texture x diffuse
  int alphaSource;        // 0 texture, 1 diffuse, 2 texture x diffuse
  int blend;              // 0 none, 1 source alpha / inverse, 2 source alpha / one
  bool alphaTest;
  uint32_t alphaFunc;
  int alphaRef;
  bool keyOn;

  static bool Standard8(const ChannelLayout& l, bool alphaAllowed) {
    return l.bytes == 4 && l.shift[0] == 0 && l.bits[0] == 8 && l.shift[1] == 8 && l.bits[1] == 8 &&
           l.shift[2] == 16 && l.bits[2] == 8 && (l.bits[3] == 0 || (alphaAllowed && l.shift[3] == 24 && l.bits[3] == 8));
  }

  bool Eligible(const DrawContext& dc) {
    return Standard8(dc.tex[0].px.layout, true) && Standard8(dc.target.layout, false) && EligibleStates(dc, false);
  }

  // The states the one-stage paths take, whatever the formats; bilinear filtering where `linear`.
  bool EligibleStates(const DrawContext& dc, bool linear) {
    const uint32_t* rs = dc.rs;
    if (dc.stageCount != 1 || !dc.texBound[0] || dc.texCoordSets == 0 || rs[RS_SHADEMODE] == SHADE_GOURAUD) return false;
    if (dc.hasZ && rs[RS_ZENABLE]) return false;
    const uint32_t* st = dc.stages[0].v;
    // A stage reads the second coordinate pair only where the vertices carry one (the engine points
    // its first stage there for the blend graph's draws); otherwise it reads the first.
    if ((st[TSS_MAGFILTER] == FILTER_LINEAR && !linear) || ((st[TSS_TEXCOORDINDEX] & 1) && dc.texCoordSets > 1)) return false;
    const uint32_t c1 = st[TSS_COLORARG1] & 0xF, c2 = st[TSS_COLORARG2] & 0xF;
    if (st[TSS_COLOROP] == TOP_SELECTARG1 && c1 == TA_TEXTURE) colorModulate = false;
    else if (st[TSS_COLOROP] == TOP_MODULATE && ((c1 == TA_TEXTURE && (c2 == TA_DIFFUSE || c2 == TA_CURRENT)) ||
                                                  (c2 == TA_TEXTURE && (c1 == TA_DIFFUSE || c1 == TA_CURRENT)))) {
      colorModulate = true;
    } else {
      return false;
    }
    const uint32_t a1 = st[TSS_ALPHAARG1] & 0xF, a2 = st[TSS_ALPHAARG2] & 0xF;
    auto diffuseLike = [](uint32_t a) { return a == TA_DIFFUSE || a == TA_CURRENT; };
    if (st[TSS_ALPHAOP] == TOP_DISABLE) alphaSource = 1;
    else if (st[TSS_ALPHAOP] == TOP_SELECTARG1 && a1 == TA_TEXTURE) alphaSource = 0;
    else if (st[TSS_ALPHAOP] == TOP_SELECTARG1 && diffuseLike(a1)) alphaSource = 1;
    else if (st[TSS_ALPHAOP] == TOP_MODULATE && ((a1 == TA_TEXTURE && diffuseLike(a2)) || (a2 == TA_TEXTURE && diffuseLike(a1)))) alphaSource = 2;
    else return false;
    if (!rs[RS_ALPHABLENDENABLE]) blend = 0;
    else if (rs[RS_SRCBLEND] == BLEND_SRCALPHA && rs[RS_DESTBLEND] == BLEND_INVSRCALPHA) blend = 1;
    else if (rs[RS_SRCBLEND] == BLEND_SRCALPHA && rs[RS_DESTBLEND] == BLEND_ONE) blend = 2;
    else return false;
    alphaTest = rs[RS_ALPHATESTENABLE] != 0;
    alphaFunc = rs[RS_ALPHAFUNC];
    alphaRef = static_cast<int>(rs[RS_ALPHAREF] & 0xFF);
    keyOn = rs[RS_COLORKEYENABLE] != 0 && dc.tex[0].keyed;
    return true;
  }

  // Texel column of pixel x for a row whose u starts at uBase, as the general path computes it.
  static int Column(const TextureView& t, int x, double px0, double uBase, double du) {
    return ClampIndex(FloorInt(Clamp01(uBase + du * (x - px0)) * t.px.width), t.px.width);
  }

  // The states fixed for a draw are template arguments, so each loop carries only its own work.
  template <bool kModulate, int kAlphaSource, int kBlend>
  static void SpanOf(const FastSprite& f, const DrawContext& dc, int y, int x0, int x1, double px0, double uBase,
                     double du, double vBase, double dv, uint32_t diffuse, const int* cols, int colsX0) {
    f.SpanBody<kModulate, kAlphaSource, kBlend>(dc, y, x0, x1, px0, uBase, du, vBase, dv, diffuse, cols, colsX0);
  }

  using SpanFn = void (*)(const FastSprite&, const DrawContext&, int, int, int, double, double, double, double,
                          double, uint32_t, const int*, int);

  SpanFn Choose() const {
    static const SpanFn table[2][3][3] = {
        {{SpanOf<false, 0, 0>, SpanOf<false, 0, 1>, SpanOf<false, 0, 2>},
         {SpanOf<false, 1, 0>, SpanOf<false, 1, 1>, SpanOf<false, 1, 2>},
         {SpanOf<false, 2, 0>, SpanOf<false, 2, 1>, SpanOf<false, 2, 2>}},
        {{SpanOf<true, 0, 0>, SpanOf<true, 0, 1>, SpanOf<true, 0, 2>},
         {SpanOf<true, 1, 0>, SpanOf<true, 1, 1>, SpanOf<true, 1, 2>},
         {SpanOf<true, 2, 0>, SpanOf<true, 2, 1>, SpanOf<true, 2, 2>}}};
    return table[colorModulate ? 1 : 0][alphaSource][blend];
  }

  // u and v at pixel x are uBase + du x (x - px0), as the general path computes them. cols, when
  // given, holds the texel column of every pixel from colsX0 on for this uBase.
  template <bool kModulate, int kAlphaSource, int kBlend>
  void SpanBody(const DrawContext& dc, int y, int x0, int x1, double px0, double uBase, double du, double vBase,
                double dv, uint32_t diffuse, const int* cols, int colsX0) const {
    const TextureView& t = dc.tex[0];
    const int dr = (diffuse >> 16) & 0xFF, dg = (diffuse >> 8) & 0xFF, db = diffuse & 0xFF, da = diffuse >> 24;
    uint32_t* out = reinterpret_cast<uint32_t*>(dc.target.base + static_cast<int64_t>(y) * dc.target.pitch);
    const bool texAlpha = t.px.layout.bits[3] != 0;
    // An upright sprite keeps one texel row per pixel row: v is then the same for the whole span.
    const bool rowFixed = dv == 0.0;
    const uint8_t* fixedRow =
        t.px.base + static_cast<int64_t>(ClampIndex(FloorInt(Clamp01(vBase + dv * (x0 - px0)) * t.px.height),
                                                    t.px.height)) * t.px.pitch;
    // One pixel from the texel at texel row `row`, column tx.
    auto pixel = [&](int x, const uint8_t* row, int tx) {
      uint32_t raw;
      std::memcpy(&raw, row + tx * 4, 4);
      if (keyOn && raw >= t.keyLow && raw <= t.keyHigh) return;
      uint32_t rb = raw & 0xFF00FFu;
      int g = (raw >> 8) & 0xFF;
      const int ta = texAlpha ? static_cast<int>(raw >> 24) : 255;
      if constexpr (kModulate) {
        rb = static_cast<uint32_t>(Mul255(static_cast<int>(rb >> 16), dr)) << 16 |
             static_cast<uint32_t>(Mul255(static_cast<int>(rb & 0xFF), db));
        g = Mul255(g, dg);
      }
      const int a = kAlphaSource == 0 ? ta : (kAlphaSource == 1 ? da : Mul255(ta, da));
      if (alphaTest && !Compare(alphaFunc, a, alphaRef)) return;
      if constexpr (kBlend != 0) {
        // Source alpha 0 keeps the target's colour under both blends; alpha 255 over inverse
        // alpha is the source itself. Both are exact forms of the sums below.
        if (a == 0) {
          out[x] &= 0xFFFFFFu;
          return;
        }
        if (a < 255 || kBlend == 2) {
          const int inv = kBlend == 1 ? 255 - a : 255;
          uint64_t sum = MulLanes(Spread(rb | static_cast<uint32_t>(g) << 8), a) + MulLanes(Spread(out[x]), inv);
          // Over inverse alpha the two products never pass 255 together.
          if constexpr (kBlend == 2) sum = SatLanes(sum);
          out[x] = Pack(sum);
          return;
        }
      }
      out[x] = rb | static_cast<uint32_t>(g) << 8;
    };
    if (rowFixed && cols) {
      for (int x = x0; x <= x1; ++x) pixel(x, fixedRow, cols[x - colsX0]);
      return;
    }
    for (int x = x0; x <= x1; ++x) {
      const uint8_t* row = fixedRow;
      if (!rowFixed) {
        row = t.px.base +
              static_cast<int64_t>(ClampIndex(FloorInt(Clamp01(vBase + dv * (x - px0)) * t.px.height), t.px.height)) *
                  t.px.pitch;
      }
      pixel(x, row, cols ? cols[x - colsX0] : Column(t, x, px0, uBase, du));
    }
  }

  // Blue, green and red of a pixel as 16-bit lanes, and back.
  static uint64_t Spread(uint32_t p) {
    return (p & 0xFFu) | (p & 0xFF00u) << 8 | static_cast<uint64_t>(p & 0xFF0000u) << 16;
  }
  static uint32_t Pack(uint64_t l) {
    return static_cast<uint32_t>((l & 0xFFu) | ((l >> 8) & 0xFF00u) | ((l >> 16) & 0xFF0000u));
  }

  // Mul255 on every lane at once: a lane never reaches 65536, so none carries into the next.
  static uint64_t MulLanes(uint64_t lanes, int f) {
    const uint64_t x = lanes * static_cast<uint64_t>(f) + 0x0000008000800080ull;
    return ((x + ((x >> 8) & 0x000000FF00FF00FFull)) >> 8) & 0x000000FF00FF00FFull;
  }

  // Sat on lanes of 0..510.
  static uint64_t SatLanes(uint64_t lanes) {
    const uint64_t over = lanes & 0x0000010001000100ull;
    return (lanes | (over - (over >> 8))) & 0x000000FF00FF00FFull;
  }
};

// ---- the vector sprite path ----

// The vector path's formats: 8-bit channels at their usual places in 32 bits, or any 16-bit
// layout; targets without an alpha channel.
bool VectorFormats(const DrawContext& dc) {
  const ChannelLayout &t = dc.tex[0].px.layout, &d = dc.target.layout;
  const bool tex = t.bytes == 2 || FastSprite::Standard8(t, true);
  const bool target = (d.bytes == 2 && d.bits[3] == 0) || FastSprite::Standard8(d, false);
  return tex && target;
}

// Decides once per draw whether its triangles take the vector path, and with which kernel.
bool PrepareVectorSprite(const DrawContext& dc) {
  if (dc.spriteState == 0) {
    dc.spriteState = 2;
    FastSprite f{};
    if (!g_SoftRasterGeneralOnly && dc.texBound[0] && VectorFormats(dc) && f.EligibleStates(dc, true)) {
      const ChannelLayout &t = dc.tex[0].px.layout, &d = dc.target.layout;
      // Filtered samples reach the spans as 8-bit channels with alpha in 32 bits, the colour key
      // already applied (a pixel without a sample is left out of the runs).
      const bool filtered = dc.stages[0].v[TSS_MAGFILTER] == FILTER_LINEAR;
      const bool tex16 = t.bytes == 2 && !filtered;
      const int index = SpanKernelIndex(f.colorModulate, f.alphaSource, f.blend, tex16, d.bytes == 2);
      if (ActiveSpanKernel(index)) {
        SpanSetup& s = dc.spriteSetup;
        s = SpanSetup{};
        s.texBytes = tex16 ? 2 : 4;
        s.targetBytes = d.bytes;
        for (int c = 0; c < 4; ++c) s.tex16[c] = MakeChannel16(t.shift[c], t.bits[c], c == 3);
        for (int c = 0; c < 3; ++c) s.target16[c] = MakeChannel16(d.shift[c], d.bits[c], false);
        s.texAlpha = t.bits[3] != 0 || filtered;
        s.keyOn = f.keyOn && !filtered;
        s.keyLow = dc.tex[0].keyLow;
        s.keyHigh = dc.tex[0].keyHigh;
        s.alphaTest = f.alphaTest;
        s.alphaFunc = f.alphaFunc;
        s.alphaRef = f.alphaRef;
        const Pixels& tp = dc.target;
        s.targetEnd = tp.pitch > 0 ? tp.base + static_cast<int64_t>(tp.pitch) * tp.height : nullptr;
        dc.spriteKernel = index;
        dc.spriteFiltered = filtered;
        dc.spriteState = 1;
      }
    }
  }
  return dc.spriteState == 1;
}

// One edge's function along a row start, stepped row by row in exact integers: the floor of
// E / |step| and its remainder, so that no row divides.
struct EdgeStep {
  int64_t q, r, s, dq, dr;   // a horizontal edge: q holds E itself, dq its step, s never reached
  int kind;                  // 0 horizontal, 1 bounds the right end, 2 bounds the left end

  void Init(int64_t e, int64_t de, int64_t step) {
    kind = step > 0 ? 1 : (step < 0 ? 2 : 0);
    if (step == 0) {
      q = e, dq = de, r = dr = 0;
      s = INT64_MAX;
      return;
    }
    s = step < 0 ? -step : step;
    q = e / s;
    r = e % s;
    if (r < 0) r += s, --q;
    dq = de / s;
    dr = de % s;
    if (dr < 0) dr += s, --dq;
  }
  void Next() {
    q += dq;
    r += dr;
    const bool wrap = r >= s;
    r -= wrap ? s : 0;
    q += wrap;
  }
  // Narrows [lo, hi] (lo starting at x0) to the pixels of this row inside the edge: E >= 0, that
  // is q >= 0 on a horizontal edge, x <= x0 + q on a right end, x >= x0 - q on a left end.
  void Bound(int64_t x0, int64_t* lo, int64_t* hi) const {
    if (kind == 1) *hi = std::min(*hi, x0 + q);
    else if (kind == 2) *lo = std::max(*lo, x0 - std::min<int64_t>(q, 0));
    else if (q < 0) *hi = x0 - 1;
  }
};

// Everything of a triangle's coverage that the general path and the vector path share.
struct Coverage {
  const RVertex* v[3];
  int64_t X[3], Y[3], ex[3], ey[3], bias[3];
  int x0, x1, y0, y1;
};

// False when nothing of the triangle is drawn.
bool Cover(const DrawContext& dc, const RVertex& a, const RVertex& b, const RVertex& c, Coverage* cv) {
  const RVertex** v = cv->v;
  v[0] = &a, v[1] = &b, v[2] = &c;
  int64_t *X = cv->X, *Y = cv->Y;
  for (int i = 0; i < 3; ++i) {
    X[i] = Snap(v[i]->x);
    Y[i] = Snap(v[i]->y);
  }
  int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (Y[1] - Y[0]) * (X[2] - X[0]);
  if (area == 0) return false;
  const uint32_t cull = dc.rs[RS_CULLMODE];
  if ((cull == 2 && area > 0) || (cull == 3 && area < 0)) return false;
  if (area < 0) {
    std::swap(v[1], v[2]);
    std::swap(X[1], X[2]);
    std::swap(Y[1], Y[2]);
  }
  // Edge i runs from vertex i to vertex i + 1; inside is E >= 0, a centre on a non top-left edge
  // is outside (bias -1).
  for (int i = 0; i < 3; ++i) {
    int j = (i + 1) % 3;
    cv->ex[i] = X[j] - X[i];
    cv->ey[i] = Y[j] - Y[i];
    bool topLeft = (cv->ey[i] == 0 && cv->ex[i] > 0) || cv->ey[i] < 0;
    cv->bias[i] = topLeft ? 0 : -1;
  }
  int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
  int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
  cv->x0 = static_cast<int>((minX + 255) >> 8), cv->x1 = static_cast<int>(maxX >> 8);
  cv->y0 = static_cast<int>((minY + 255) >> 8), cv->y1 = static_cast<int>(maxY >> 8);
  if (cv->x0 < dc.clipLeft) cv->x0 = dc.clipLeft;
  if (cv->y0 < dc.clipTop) cv->y0 = dc.clipTop;
  if (cv->x1 > dc.clipRight - 1) cv->x1 = dc.clipRight - 1;
  if (cv->y1 > dc.clipBottom - 1) cv->y1 = dc.clipBottom - 1;
  return cv->x0 <= cv->x1 && cv->y0 <= cv->y1;
}

// Runs handed to the kernel in batches; texels that a run does not read in place from a texture
// row are fetched into the batch's own buffer. A run that continues the previous one in both the
// texels and the target (the two halves of a quad's row) joins it.
struct SpanBatch {
  static constexpr int kRuns = 128;
  static constexpr size_t kGather = 32768;
  static constexpr size_t kSlack = 64;   // fetches in whole steps may write a little past a run
  SpanRun runs[kRuns];
  int count = 0;
  size_t used = 0;
  int tb = 4, db = 4;
  std::vector<uint8_t> gather = std::vector<uint8_t>(kGather);
  std::vector<uint8_t> absent;   // a filtered run's pixels without a sample
  // Upright sprites read in place are left in the batch for the next such sprite of the same
  // kernel and diffuse colour: the kernel is then set up once for many, and the rows ahead are
  // fetched across sprites. Anything else drawn settles them first (SettleSprites).
  bool held = false;
  SpanKernelFn heldKernel = nullptr;
  SpanSetup heldSetup{};

  void Flush(SpanKernelFn k, SpanSetup& s) {
    s.padLo = gather.data();
    s.padHi = gather.data() + gather.size();
    if (count) k(s, runs, count);
    count = 0;
    used = 0;
  }
  // Room for n fetched texels. Callers make room for a whole row first (Reserve), so that no
  // flush can reuse texels fetched for a run not yet pushed.
  uint8_t* Room(int n) {
    uint8_t* g = gather.data() + used;
    used += static_cast<size_t>(n) * tb;
    return g;
  }
  void Reserve(size_t texels, SpanKernelFn k, SpanSetup& s) {
    if (used + texels * tb + kSlack > gather.size() || count + 2 > kRuns) Flush(k, s);
    if (texels * tb + kSlack > gather.size()) gather.resize(texels * tb + kSlack);
  }
  void Push(const SpanRun& r, SpanKernelFn k, SpanSetup& s) {
    if (count) {
      SpanRun& last = runs[count - 1];
      if (last.tex + static_cast<ptrdiff_t>(last.n) * tb == r.tex && last.dst + static_cast<ptrdiff_t>(last.n) * db == r.dst) {
        last.n += r.n;
        return;
      }
    }
    if (count == kRuns) Flush(k, s);
    runs[count++] = r;
  }
};
thread_local SpanBatch t_Batch;

}  // namespace

void SettleSprites() {
  SpanBatch& b = t_Batch;
  if (!b.held) return;
  b.held = false;
  b.Flush(b.heldKernel, b.heldSetup);
}

namespace {

// out[i] = min(floor(Clamp01((base + d (c0 + i - p0)) + add) x size), size - 1): a texel column
// or row as the general path finds it, the same double operations in the same order, two at a
// time. Clamp01 is max then min (max gives 0 for NaN, as Clamp01 does), and the floor of a value
// in [0, size] a truncation. True when the values rise by one from each to the next.
bool TexelTableSse2(int* out, int c0, int n, double p0, double base, double d, double add, int size) {
  const __m128d vb = _mm_set1_pd(base), vd = _mm_set1_pd(d), vp = _mm_set1_pd(p0), va = _mm_set1_pd(add);
  const __m128d zero = _mm_setzero_pd(), one = _mm_set1_pd(1.0), vs = _mm_set1_pd(static_cast<double>(size));
  const __m128d two = _mm_set1_pd(2.0);
  const __m128i last = _mm_set1_epi32(size - 1), ones = _mm_set1_epi32(1);
  __m128d c = _mm_setr_pd(c0, c0 + 1.0);   // whole numbers: adding 2 stays exact
  auto pair = [&](__m128d x) {
    const __m128d v = _mm_add_pd(_mm_add_pd(vb, _mm_mul_pd(vd, _mm_sub_pd(x, vp))), va);
    return _mm_cvttpd_epi32(_mm_mul_pd(_mm_min_pd(_mm_max_pd(v, zero), one), vs));
  };
  // In order: every value one more than the one before it (the first of all has none).
  __m128i inOrder = _mm_set1_epi32(-1), before = _mm_setzero_si128(), skipFirst = _mm_setr_epi32(-1, 0, 0, 0);
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i lo = pair(c);
    c = _mm_add_pd(c, two);
    const __m128i hi = pair(c);
    c = _mm_add_pd(c, two);
    __m128i r = _mm_unpacklo_epi64(lo, hi);
    const __m128i over = _mm_cmpgt_epi32(r, last);
    r = _mm_or_si128(_mm_andnot_si128(over, r), _mm_and_si128(over, last));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), r);
    const __m128i prev = _mm_or_si128(_mm_slli_si128(r, 4), before);
    inOrder = _mm_and_si128(inOrder, _mm_or_si128(_mm_cmpeq_epi32(r, _mm_add_epi32(prev, ones)), skipFirst));
    skipFirst = _mm_setzero_si128();
    before = _mm_srli_si128(r, 12);
  }
  bool ordered = _mm_movemask_epi8(inOrder) == 0xFFFF;
  for (; i < n; ++i) {
    const int v = static_cast<int>(Clamp01((base + d * ((c0 + i) - p0)) + add) * size);
    out[i] = v > size - 1 ? size - 1 : v;
    if (i > 0 && out[i] != out[i - 1] + 1) ordered = false;
  }
  return ordered;
}

// Tables worked out lately. Where p0 is a multiple of 1/256 and p0 and the pixels are small, every
// (c0 + i) - p0 is exact and equals k + i for k = c0 - p0, so the table depends on k, not on
// where it lies: sprites of one size and texture drawn at whole-pixel steps share theirs.
struct TableCache {
  static constexpr int kEntries = 8, kMax = 256;
  struct Entry {
    uint64_t bits[4];   // k, base, d and add, compared bit for bit
    int n = -1, size = 0;
    bool inOrder = false;
    int out[kMax];
  };
  Entry e[kEntries];
  int next = 0;
};
thread_local TableCache t_Tables;

bool Cacheable(int c0, int n, double p0) {
  if (!(n > 0 && n <= TableCache::kMax && std::fabs(p0) < 0x1p30 && c0 > -0x40000000 && c0 < 0x40000000)) return false;
  const double scaled = p0 * 256.0;
  return static_cast<double>(static_cast<int64_t>(scaled)) == scaled;
}

// The table, four at a time on a processor with AVX2 (the same operations on wider registers).
bool TexelTable(int* out, int c0, int n, double p0, double base, double d, double add, int size) {
  if (!Cacheable(c0, n, p0)) {
    if (SpanAvx2Active()) return TexelTableAvx2(out, c0, n, p0, base, d, add, size);
    return TexelTableSse2(out, c0, n, p0, base, d, add, size);
  }
  const double key[4] = {c0 - p0, base, d, add};
  uint64_t bits[4];
  std::memcpy(bits, key, sizeof bits);
  TableCache& c = t_Tables;
  for (TableCache::Entry& e : c.e) {
    if (e.n == n && e.size == size && e.bits[0] == bits[0] && e.bits[1] == bits[1] && e.bits[2] == bits[2] &&
        e.bits[3] == bits[3]) {
      std::memcpy(out, e.out, sizeof(int) * static_cast<size_t>(n));
      return e.inOrder;
    }
  }
  const bool inOrder = SpanAvx2Active() ? TexelTableAvx2(out, c0, n, p0, base, d, add, size)
                                        : TexelTableSse2(out, c0, n, p0, base, d, add, size);
  TableCache::Entry& e = c.e[c.next];
  c.next = (c.next + 1) % TableCache::kEntries;
  std::memcpy(e.bits, bits, sizeof bits);
  e.n = n;
  e.size = size;
  e.inOrder = inOrder;
  std::memcpy(e.out, out, sizeof(int) * static_cast<size_t>(n));
  return inOrder;
}

// cols[i] = FastSprite::Column(x0 + i) on a row whose u starts at uBase.
bool ColumnTable(int* cols, int x0, int n, double px0, double uBase, double du, int width) {
  return TexelTable(cols, x0, n, px0, uBase, du, 0.0, width);
}

// rows[i]: the texel row of pixel row y0 + i of an upright mapping, from
// Clamp01((v0 + dvdy (y - py0)) + across).
void RowTable(int* rows, int y0, int n, double py0, double v0, double dvdy, double across, int height) {
  TexelTable(rows, y0, n, py0, v0, dvdy, across, height);
}

// A triangle's texture mapping: u and v at the anchor and their gradients, the general path's own.
struct Mapping {
  double px0, py0, u0, v0, dudx, dudy, dvdx, dvdy;
  void From(const Coverage& cv) {
    const int64_t *X = cv.X, *Y = cv.Y;
    px0 = X[0] / 256.0, py0 = Y[0] / 256.0;
    const double dx1 = (X[1] - X[0]) / 256.0, dy1 = (Y[1] - Y[0]) / 256.0;
    const double dx2 = (X[2] - X[0]) / 256.0, dy2 = (Y[2] - Y[0]) / 256.0;
    const double inv = 1.0 / (dx1 * dy2 - dy1 * dx2);
    const double u[3] = {cv.v[0]->u[0], cv.v[1]->u[0], cv.v[2]->u[0]};
    const double w[3] = {cv.v[0]->v[0], cv.v[1]->v[0], cv.v[2]->v[0]};
    double g[2][2];
    const double* at[2] = {u, w};
    for (int k = 0; k < 2; ++k) {
      const double d1 = at[k][1] - at[k][0], d2 = at[k][2] - at[k][0];
      g[k][0] = (d1 * dy2 - d2 * dy1) * inv;
      g[k][1] = (d2 * dx1 - d1 * dx2) * inv;
    }
    u0 = u[0], v0 = w[0], dudx = g[0][0], dudy = g[0][1], dvdx = g[1][0], dvdy = g[1][1];
  }
  bool Upright() const { return dudy == 0.0 && dvdx == 0.0; }
  // An upright mapping's texel columns of pixels x0.. (on row y0: u at a row start is
  // u0 + 0 x (y - py0), the same value or the same zero on every row) and texel rows of pixel
  // rows y0.., as the general path finds them. True when the columns run in order.
  bool Tables(const TextureView& t, int x0, int nx, int y0, int ny, int* cols, int* rows) const {
    const bool inOrder = ColumnTable(cols, x0, nx, px0, u0 + dudy * (y0 - py0), dudx, t.px.width);
    RowTable(rows, y0, ny, py0, v0, dvdy, dvdx * (x0 - px0), t.px.height);
    return inOrder;
  }
};

// Byte offsets of a turned row's texels (TurnedOffsetsAvx2 with SSE2: two at a time).
void TurnedOffsetsSse2(int32_t* off, int x0, int n, const TurnedRow& r) {
  const __m128d vp = _mm_set1_pd(r.px0), ub = _mm_set1_pd(r.uBase), ud = _mm_set1_pd(r.du);
  const __m128d vb = _mm_set1_pd(r.vBase), vd = _mm_set1_pd(r.dv);
  const __m128d zero = _mm_setzero_pd(), one = _mm_set1_pd(1.0), two = _mm_set1_pd(2.0);
  const __m128d w = _mm_set1_pd(static_cast<double>(r.width)), h = _mm_set1_pd(static_cast<double>(r.height));
  const __m128i wLast = _mm_set1_epi32(r.width - 1), hLast = _mm_set1_epi32(r.height - 1);
  const __m128i scale = _mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(r.pitch) << 16 | static_cast<uint32_t>(r.texBytes)));
  auto index = [&](__m128d t, __m128d size) { return _mm_cvttpd_epi32(_mm_mul_pd(_mm_min_pd(_mm_max_pd(t, zero), one), size)); };
  auto least = [](__m128i a, __m128i b) {
    const __m128i over = _mm_cmpgt_epi32(a, b);
    return _mm_or_si128(_mm_andnot_si128(over, a), _mm_and_si128(over, b));
  };
  __m128d c = _mm_setr_pd(x0, x0 + 1.0);   // whole numbers: adding 2 stays exact
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i tx[2], ty[2];
    for (int k = 0; k < 2; ++k) {
      const __m128d col = _mm_sub_pd(c, vp);
      c = _mm_add_pd(c, two);
      tx[k] = index(_mm_add_pd(ub, _mm_mul_pd(ud, col)), w);
      ty[k] = index(_mm_add_pd(vb, _mm_mul_pd(vd, col)), h);
    }
    const __m128i x = least(_mm_unpacklo_epi64(tx[0], tx[1]), wLast), y = least(_mm_unpacklo_epi64(ty[0], ty[1]), hLast);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(off + i), _mm_madd_epi16(_mm_or_si128(x, _mm_slli_epi32(y, 16)), scale));
  }
  for (; i < n; ++i) {
    const double col = (x0 + i) - r.px0;
    const int tx = ClampIndex(static_cast<int>(Clamp01(r.uBase + r.du * col) * r.width), r.width);
    const int ty = ClampIndex(static_cast<int>(Clamp01(r.vBase + r.dv * col) * r.height), r.height);
    off[i] = ty * r.pitch + tx * r.texBytes;
  }
}

// A turned row's texels one by one, by the general path's own arithmetic: textures too wide for
// the vector fetches' 16-bit offsets.
void TurnedTexelsScalar(uint8_t* g, const uint8_t* base, int x0, int n, const TurnedRow& r) {
  for (int i = 0; i < n; ++i) {
    const double col = (x0 + i) - r.px0;
    const int tx = ClampIndex(FloorInt(Clamp01(r.uBase + r.du * col) * r.width), r.width);
    const int ty = ClampIndex(FloorInt(Clamp01(r.vBase + r.dv * col) * r.height), r.height);
    std::memcpy(g + i * r.texBytes, base + static_cast<int64_t>(ty) * r.pitch + tx * r.texBytes, r.texBytes);
  }
}

// With SSE2: offsets two at a time, then the texels.
void TurnedTexelsSse2(uint8_t* g, const uint8_t* base, int x0, int n, const TurnedRow& r) {
  constexpr int kChunk = 256;
  int32_t off[kChunk];
  for (int done = 0; done < n; done += kChunk) {
    const int m = std::min(kChunk, n - done);
    TurnedOffsetsSse2(off, x0 + done, (m + 3) & ~3, r);   // whole steps: the extra offsets go unread
    uint8_t* out = g + static_cast<size_t>(done) * r.texBytes;
    if (r.texBytes == 4) {
      for (int i = 0; i < m; ++i) std::memcpy(out + 4 * i, base + off[i], 4);
    } else {
      for (int i = 0; i < m; ++i) std::memcpy(out + 2 * i, base + off[i], 2);
    }
  }
}

// The texels of one texture row at n columns, packed into out (tb bytes a texel: 2 or 4).
inline void GatherColumns(uint8_t* out, const uint8_t* row, const int* cols, int n, int tb) {
  if (tb == 4) {
    for (int i = 0; i < n; ++i) std::memcpy(out + 4 * i, row + 4 * cols[i], 4);
  } else {
    for (int i = 0; i < n; ++i) std::memcpy(out + 2 * i, row + 2 * cols[i], 2);
  }
}

// The point-sampled fetch for a turned mapping of this texture, chosen once per triangle.
TurnedTexelsFn ChooseTurnedTexels(const TextureView& t) {
  const int tb = t.px.layout.bytes;
  if (t.px.pitch >= 32768 || t.px.height >= 32768) return &TurnedTexelsScalar;
  if (SpanAvx2Active() && static_cast<int64_t>(t.px.pitch) * t.px.height >= 4) return TurnedTexelsAvx2(tb);
  return &TurnedTexelsSse2;
}

// n bilinear samples of a row into g as 32-bit texels (8-bit blue, green, red, alpha), by the
// general path's own sampling; absent[i] is set for a pixel whose sample found only keyed texels.
// True when some pixel has none.
bool FilteredTexels(const TextureView& t, bool keyOn, int x0, int n, const TurnedRow& r, uint8_t* g, uint8_t* absent) {
  bool any = false;
  for (int i = 0; i < n; ++i) {
    const double col = (x0 + i) - r.px0;
    Rgba c;
    const bool present = Sample(t, r.uBase + r.du * col, r.vBase + r.dv * col, true, keyOn, &c);
    absent[i] = !present;
    any |= !present;
    const uint32_t v = present ? static_cast<uint32_t>(c.c[0]) | static_cast<uint32_t>(c.c[1]) << 8 |
                                     static_cast<uint32_t>(c.c[2]) << 16 | static_cast<uint32_t>(c.c[3]) << 24
                               : 0u;
    std::memcpy(g + 4 * i, &v, 4);
  }
  return any;
}

// One triangle on the vector path: its coverage stepped row by row and the texel addressing the
// general path would use, with an upright mapping's texel columns worked out once.
struct VectorTri {
  static constexpr int kColumnCache = 4096;
  const DrawContext* dc;
  int x0, x1, y0, y1;
  EdgeStep edge[3];
  double px0, py0, u0, v0, dudx, dudy, dvdx, dvdy;
  uint32_t diffuse;
  bool useCols, colsInOrder = false;
  TurnedTexelsFn turned;
  bool filterVector;         // bilinear rows sampled by the AVX2 fetch
  FilterSetup filter;
  TurnedRow row;             // a turned mapping's row: all but its start fixed per triangle
  int cols[kColumnCache];
  const uint8_t* rows[kColumnCache];   // texel row of every pixel row, upright mappings
  uint8_t* dstRow;                      // target row of the next row

  void Init(const DrawContext& d, const Coverage& cv) {
    dc = &d;
    x0 = cv.x0, x1 = cv.x1, y0 = cv.y0, y1 = cv.y1;
    const int64_t *X = cv.X, *Y = cv.Y;
    Mapping m;
    m.From(cv);
    px0 = m.px0, py0 = m.py0, u0 = m.u0, v0 = m.v0, dudx = m.dudx, dudy = m.dudy, dvdx = m.dvdx, dvdy = m.dvdy;
    diffuse = cv.v[0]->diffuse;
    for (int i = 0; i < 3; ++i) {
      const int64_t e = cv.ex[i] * (static_cast<int64_t>(y0) * 256 - Y[i]) -
                        cv.ey[i] * (static_cast<int64_t>(x0) * 256 - X[i]) + cv.bias[i];
      edge[i].Init(e, cv.ex[i] * 256, cv.ey[i] * 256);
    }
    // An upright mapping reads one texel column per pixel column and one texel row per pixel
    // row: both are worked out at once. u at a row start is u0 + 0 x (y - py0), the same value
    // (or the same zero) on every row.
    const TextureView& t = d.tex[0];
    useCols = !d.spriteFiltered && dudy == 0.0 && dvdx == 0.0 && x1 - x0 < kColumnCache && y1 - y0 < kColumnCache;
    if (useCols) {
      int idx[kColumnCache];
      colsInOrder = m.Tables(t, x0, x1 - x0 + 1, y0, y1 - y0 + 1, cols, idx);
      for (int i = 0; i <= y1 - y0; ++i) rows[i] = t.px.base + static_cast<int64_t>(idx[i]) * t.px.pitch;
    }
    turned = useCols || d.spriteFiltered ? nullptr : ChooseTurnedTexels(t);
    row = TurnedRow{px0, 0.0, dudx, 0.0, dvdx, t.px.width, t.px.height, t.px.layout.bytes, t.px.pitch};
    filterVector = false;
    if (d.spriteFiltered) {
      filterVector = SpanAvx2Active() && t.px.pitch < 32768 && t.px.height < 32768 &&
                     static_cast<int64_t>(t.px.pitch) * t.px.height >= 4;
      const ChannelLayout& l = t.px.layout;
      for (int k = 0; k < 4; ++k) filter.channel[k] = MakeChannel16(l.shift[k], l.bits[k], k == 3);
      filter.keyOn = d.rs[RS_COLORKEYENABLE] != 0 && t.keyed;
      filter.keyLow = t.keyLow;
      filter.keyHigh = t.keyHigh;
    }
    dstRow = d.target.base + static_cast<int64_t>(y0) * d.target.pitch;
  }

  // The pixels [*lo, *hi] of row y, called for every row from y0 to y1 in order; false when the
  // row is empty. *dst: the target row.
  bool Span(int* lo, int* hi, uint8_t** dst) {
    int64_t l = x0, h = x1;
    for (int i = 0; i < 3; ++i) {
      edge[i].Bound(x0, &l, &h);
      edge[i].Next();
    }
    *dst = dstRow;
    dstRow += dc->target.pitch;
    *lo = static_cast<int>(l), *hi = static_cast<int>(h);
    return l <= h;
  }

  // The texels of n pixels of row y from lo: in place in the texture where an upright mapping
  // reads them in order, else fetched into the batch. A filtered row marks its pixels without a
  // sample in `absent` and sets *gaps.
  const uint8_t* Texels(int y, int lo, int n, SpanBatch& b, uint8_t* absent, bool* gaps) {
    const TextureView& t = dc->tex[0];
    const int tb = t.px.layout.bytes;
    *gaps = false;
    if (useCols) {
      const uint8_t* row = rows[y - y0];
      const int* c = cols + (lo - x0);
      if (colsInOrder) return row + c[0] * tb;
      uint8_t* g = b.Room(n);
      GatherColumns(g, row, c, n, tb);
      return g;
    }
    const double rowY = y - py0;
    row.uBase = u0 + dudy * rowY;
    row.vBase = v0 + dvdy * rowY;
    const TurnedRow& r = row;
    uint8_t* g = b.Room(n);
    if (filterVector) {
      *gaps = FilteredTexelsAvx2(g, absent, t.px.base, lo, n, r, filter);
    } else if (dc->spriteFiltered) {
      *gaps = FilteredTexels(t, dc->rs[RS_COLORKEYENABLE] != 0, lo, n, r, g, absent);
    } else {
      turned(g, t.px.base, lo, n, r);
    }
    return g;
  }
};

// Draws one or two triangles on the vector path. Two are walked row by row together (a quad's
// halves); a row's runs are fetched left one first, so that a turned quad's two runs join into
// one. Their pixels never overlap, so the order between them does not matter.
void VectorTriangles(const DrawContext& dc, VectorTri* tris, int count) {
  SettleSprites();
  SpanSetup setup = dc.spriteSetup;
  setup.diffuse = tris[0].diffuse;
  const SpanKernelFn kernel = ActiveSpanKernel(dc.spriteKernel);
  SpanBatch& b = t_Batch;
  b.tb = setup.texBytes;
  b.db = dc.target.layout.bytes;
  int yTop = tris[0].y0, yBottom = tris[0].y1;
  for (int i = 1; i < count; ++i) yTop = std::min(yTop, tris[i].y0), yBottom = std::max(yBottom, tris[i].y1);
  size_t widest = 0;
  for (int i = 0; i < count; ++i) widest += static_cast<size_t>(tris[i].x1 - tris[i].x0 + 1);
  if (dc.spriteFiltered && b.absent.size() < widest + 4) b.absent.resize(widest + 4);   // fetches in steps of four
  for (int y = yTop; y <= yBottom; ++y) {
    int lo[2], hi[2], order[2], runs = 0;
    uint8_t* dst[2];
    b.Reserve(widest, kernel, setup);
    for (int i = 0; i < count; ++i) {
      if (y >= tris[i].y0 && y <= tris[i].y1 && tris[i].Span(&lo[i], &hi[i], &dst[i])) order[runs++] = i;
    }
    if (runs == 2 && lo[order[1]] < lo[order[0]]) std::swap(order[0], order[1]);
    for (int k = 0; k < runs; ++k) {
      const int i = order[k], n = hi[i] - lo[i] + 1;
      uint8_t* const d = dst[i] + static_cast<ptrdiff_t>(lo[i]) * b.db;
      bool gaps;
      const uint8_t* tex = tris[i].Texels(y, lo[i], n, b, b.absent.data(), &gaps);
      if (!gaps) {
        b.Push(SpanRun{tex, d, n}, kernel, setup);
        continue;
      }
      // Only the stretches of pixels that have a sample are drawn.
      for (int j = 0; j < n;) {
        if (b.absent[j]) {
          ++j;
          continue;
        }
        int e = j;
        while (e < n && !b.absent[e]) ++e;
        b.Push(SpanRun{tex + static_cast<ptrdiff_t>(j) * b.tb, d + static_cast<ptrdiff_t>(j) * b.db, e - j}, kernel, setup);
        j = e;
      }
    }
  }
  b.Flush(kernel, setup);
}

// A quad whose halves are an upright rectangle, mapped uprightly: t[4] and t[5] repeat t[2] and
// t[1], t[0] and t[1] share y, t[0] and t[2] share x, t[3] lies at (t[1].x, t[2].y), and u changes
// only across, v only down. Its halves then cover together the pixel centres inside the
// rectangle, left and top edges included, right and bottom excluded, each centre once. When both
// halves also find every pixel the same texel, the rectangle is drawn row by row as one run.
bool SameVertex(const RVertex& a, const RVertex& b) {
  return a.x == b.x && a.y == b.y && a.u[0] == b.u[0] && a.v[0] == b.v[0];
}

// What fixes an upright quad's coverage and tables up to a move by whole pixels: its corners
// t[1], t[2] and t[3] snapped relative to t[0] (in 1/256 pixel) and t[0]'s place within its
// pixel, the texture coordinates bit for bit, the culling and the texture's size.
struct QuadShape {   // filled by From before it is read (the kept one starts zeroed)
  bool valid, inOrder, same;
  uint32_t cull;
  int64_t fx, fy;
  int64_t rel[6];
  uint32_t uv[8];
  int texW, texH;

  void From(const DrawContext& dc, const RVertex* t, int64_t x0, int64_t y0) {
    fx = x0 & 255, fy = y0 & 255;
    for (int i = 0; i < 3; ++i) rel[2 * i] = Snap(t[i + 1].x) - x0, rel[2 * i + 1] = Snap(t[i + 1].y) - y0;
    for (int i = 0; i < 4; ++i) {
      std::memcpy(&uv[2 * i], &t[i].u[0], 4);
      std::memcpy(&uv[2 * i + 1], &t[i].v[0], 4);
    }
    cull = dc.rs[RS_CULLMODE];
    texW = dc.tex[0].px.width, texH = dc.tex[0].px.height;
  }
  bool Matches(const QuadShape& o) const {
    return valid && fx == o.fx && fy == o.fy && cull == o.cull && texW == o.texW && texH == o.texH &&
           std::memcmp(rel, o.rel, sizeof rel) == 0 && std::memcmp(uv, o.uv, sizeof uv) == 0;
  }
};
thread_local QuadShape t_LastQuad;

// The texel columns and rows of the last upright quad worked out: cols[0] and rows[0] belong to
// t_LastQuad while it is valid.
constexpr int kRectMax = 4096;
thread_local int t_Cols[2][kRectMax], t_Rows[2][kRectMax];

// The corners of a quad whose halves are an upright rectangle mapped uprightly.
bool RectCorners(const RVertex* t) {
  if (!SameVertex(t[4], t[2]) || !SameVertex(t[5], t[1])) return false;
  if (t[0].y != t[1].y || t[0].x != t[2].x || t[3].x != t[1].x || t[3].y != t[2].y) return false;
  return t[0].u[0] == t[2].u[0] && t[1].u[0] == t[3].u[0] && t[0].v[0] == t[1].v[0] && t[2].v[0] == t[3].v[0];
}

// The pixels of the rectangle from the anchors of its halves (t[0] and t[3], snapped), before and
// after the clip; false when it is empty.
struct RectPixels {
  int ux0, ux1, uy0, uy1, x0, x1, y0, y1;
  bool From(const DrawContext& dc, int64_t ax, int64_t ay, int64_t bx, int64_t by) {
    const int64_t minX = std::min(ax, bx), maxX = std::max(ax, bx);
    const int64_t minY = std::min(ay, by), maxY = std::max(ay, by);
    ux0 = static_cast<int>((minX + 255) >> 8), ux1 = static_cast<int>((maxX - 1) >> 8);
    uy0 = static_cast<int>((minY + 255) >> 8), uy1 = static_cast<int>((maxY - 1) >> 8);
    x0 = std::max(ux0, dc.clipLeft), y0 = std::max(uy0, dc.clipTop);
    x1 = std::min(ux1, dc.clipRight - 1), y1 = std::min(uy1, dc.clipBottom - 1);
    return x0 <= x1 && y0 <= y1;
  }
  bool Whole() const { return x0 == ux0 && y0 == uy0 && x1 == ux1 && y1 == uy1; }
};

// Draws the rectangle's rows through the kept tables.
void DrawRect(const DrawContext& dc, const RVertex* t, int x0, int y0, int nx, int ny, bool inOrder) {
  const TextureView& tex = dc.tex[0];
  int (&cols)[2][kRectMax] = t_Cols;
  int (&rows)[2][kRectMax] = t_Rows;
  const SpanKernelFn kernel = ActiveSpanKernel(dc.spriteKernel);
  SpanBatch& b = t_Batch;
  const int tb = tex.px.layout.bytes, db = dc.target.layout.bytes;
  uint8_t* dst = dc.target.base + static_cast<int64_t>(y0) * dc.target.pitch + x0 * db;
  if (inOrder) {
    // Each row one run read in place, joining the sprites held before when they draw alike; the
    // batch's count kept in a register meanwhile.
    if (b.held && (b.heldKernel != kernel || b.heldSetup.diffuse != t[0].diffuse)) SettleSprites();
    if (!b.held) {
      b.held = true;
      b.heldKernel = kernel;
      b.heldSetup = dc.spriteSetup;
      b.heldSetup.diffuse = t[0].diffuse;
      b.tb = tb;
      b.db = db;
    }
    const uint8_t* first = tex.px.base + cols[0][0] * tb;
    const int64_t texPitch = tex.px.pitch, dstPitch = dc.target.pitch;
    int count = b.count;
    for (int i = 0; i < ny; ++i, dst += dstPitch) {
      if (count == SpanBatch::kRuns) {
        b.count = count;
        b.Flush(kernel, b.heldSetup);
        count = 0;
      }
      b.runs[count++] = SpanRun{first + rows[0][i] * texPitch, dst, nx};
    }
    b.count = count;
    return;
  }
  SettleSprites();
  SpanSetup setup = dc.spriteSetup;
  setup.diffuse = t[0].diffuse;
  b.tb = tb;
  b.db = db;
  for (int i = 0; i < ny; ++i, dst += dc.target.pitch) {
    const uint8_t* row = tex.px.base + static_cast<int64_t>(rows[0][i]) * tex.px.pitch;
    b.Reserve(static_cast<size_t>(nx), kernel, setup);
    uint8_t* g = b.Room(nx);
    GatherColumns(g, row, cols[0], nx, tb);
    b.Push(SpanRun{g, dst, nx}, kernel, setup);
  }
  b.Flush(kernel, setup);
}

bool DiffuseMatters(const DrawContext& dc);

// A quad of the kept shape moved by whole pixels and drawn whole: drawn through the kept tables
// without working out its coverage again. False when it is not one.
bool MovedQuad(const DrawContext& dc, const RVertex* t) {
  const QuadShape& last = t_LastQuad;
  if (!last.valid || !last.same || dc.spriteFiltered || !RectCorners(t)) return false;
  if (t[0].diffuse != t[3].diffuse && DiffuseMatters(dc)) return false;
  const int64_t ax = Snap(t[0].x), ay = Snap(t[0].y);
  QuadShape shape;
  shape.From(dc, t, ax, ay);
  if (!last.Matches(shape)) return false;
  RectPixels r;
  if (!r.From(dc, ax, ay, ax + shape.rel[4], ay + shape.rel[5]) || !r.Whole()) return false;
  DrawRect(dc, t, r.x0, r.y0, r.x1 - r.x0 + 1, r.y1 - r.y0 + 1, last.inOrder);
  return true;
}

bool RectQuad(const DrawContext& dc, const RVertex* t, const Coverage& c0, const Coverage& c1) {
  if (dc.spriteFiltered || !RectCorners(t)) return false;
  RectPixels r;
  if (!r.From(dc, c0.X[0], c0.Y[0], c1.X[0], c1.Y[0])) return true;
  const int nx = r.x1 - r.x0 + 1, ny = r.y1 - r.y0 + 1;
  if (nx > kRectMax || ny > kRectMax) return false;
  QuadShape& last = t_LastQuad;
  last.valid = false;
  Mapping m0, m1;
  m0.From(c0);
  m1.From(c1);
  if (!m0.Upright() || !m1.Upright()) return false;
  const TextureView& tex = dc.tex[0];
  int (&cols)[2][kRectMax] = t_Cols;
  int (&rows)[2][kRectMax] = t_Rows;
  const bool inOrder = m0.Tables(tex, r.x0, nx, r.y0, ny, cols[0], rows[0]);
  m1.Tables(tex, r.x0, nx, r.y0, ny, cols[1], rows[1]);
  const bool same = std::memcmp(cols[0], cols[1], sizeof(int) * nx) == 0 &&
                    std::memcmp(rows[0], rows[1], sizeof(int) * ny) == 0;
  // A quad drawn whole is kept: one of its shape moved by whole pixels and drawn whole too finds
  // the same coverage and tables (every step of their arithmetic is exact up to the move).
  if (r.Whole()) {
    last.From(dc, t, c0.X[0], c0.Y[0]);
    last.valid = true;
    last.inOrder = inOrder;
    last.same = same;
  }
  if (!same) return false;
  DrawRect(dc, t, r.x0, r.y0, nx, ny, inOrder);
  return true;
}

bool DiffuseMatters(const DrawContext& dc) {
  FastSprite f{};
  f.EligibleStates(dc, true);
  return f.colorModulate || f.alphaSource != 0;
}

thread_local VectorTri t_Tris[2];

}  // namespace

void RasterTriangle(const DrawContext& dc, const RVertex& a, const RVertex& b, const RVertex& c) {
  SettleSprites();
  Coverage cv;
  if (!Cover(dc, a, b, c, &cv)) return;
  if (PrepareVectorSprite(dc)) {
    t_Tris[0].Init(dc, cv);
    VectorTriangles(dc, t_Tris, 1);
    return;
  }
  const RVertex* const* v = cv.v;
  const int64_t *X = cv.X, *Y = cv.Y, *ex = cv.ex, *ey = cv.ey, *bias = cv.bias;
  const int x0 = cv.x0, x1 = cv.x1, y0 = cv.y0, y1 = cv.y1;

  // Plane gradients of every attribute over the snapped positions.
  double A[3][kAttrs];
  for (int i = 0; i < 3; ++i) ToAttrs(*v[i], A[i]);
  const double px0 = X[0] / 256.0, py0 = Y[0] / 256.0;
  const double dx1 = (X[1] - X[0]) / 256.0, dy1 = (Y[1] - Y[0]) / 256.0;
  const double dx2 = (X[2] - X[0]) / 256.0, dy2 = (Y[2] - Y[0]) / 256.0;
  const double inv = 1.0 / (dx1 * dy2 - dy1 * dx2);
  double ddx[kAttrs], ddy[kAttrs];
  for (int k = 0; k < kAttrs; ++k) {
    double d1 = A[1][k] - A[0][k], d2 = A[2][k] - A[0][k];
    ddx[k] = (d1 * dy2 - d2 * dy1) * inv;
    ddy[k] = (d2 * dx1 - d1 * dx2) * inv;
  }
  const bool gouraud = dc.rs[RS_SHADEMODE] == SHADE_GOURAUD;
  // Only the attributes this draw reads are interpolated.
  int ks[kAttrs], nk = 0;
  if (dc.hasZ && dc.rs[RS_ZENABLE]) ks[nk++] = 0;
  if (gouraud) {
    for (int k = 1; k <= 8; ++k) ks[nk++] = k;
  }
  for (uint32_t set = 0; set < dc.texCoordSets; ++set) {
    ks[nk++] = 9 + 2 * static_cast<int>(set);
    ks[nk++] = 10 + 2 * static_cast<int>(set);
  }
  Fragment f;
  double at[kAttrs] = {}, rowBase[kAttrs] = {};
  FastSprite fast{};
  const bool useFast = !g_SoftRasterGeneralOnly && fast.Eligible(dc);
  const FastSprite::SpanFn span = useFast ? fast.Choose() : nullptr;
  constexpr int kColumnCache = 2048;
  int colCache[kColumnCache];
  double colsU = 0.0;
  bool colsValid = false;
  for (int y = y0; y <= y1; ++y) {
    const int64_t pyF = static_cast<int64_t>(y) * 256;
    // The span of this row: every edge function E(x) = e - ey x 256 x (x - x0) stays >= 0.
    int64_t lo = x0, hi = x1;
    for (int i = 0; i < 3; ++i) {
      const int64_t e = ex[i] * (pyF - Y[i]) - ey[i] * (static_cast<int64_t>(x0) * 256 - X[i]) + bias[i];
      const int64_t step = ey[i] * 256;
      if (step == 0) {
        if (e < 0) hi = lo - 1;
      } else if (step > 0) {
        if (e < 0) hi = lo - 1;
        else hi = std::min(hi, x0 + e / step);
      } else if (e < 0) {
        lo = std::max(lo, x0 + (-e + (-step) - 1) / (-step));
      }
    }
    if (lo > hi) continue;
    const double rowY = y - py0;
    for (int j = 0; j < nk; ++j) rowBase[ks[j]] = A[0][ks[j]] + ddy[ks[j]] * rowY;
    if (useFast) {
      // Rows of an unrotated quad share one u at their left edge: their texel columns are worked
      // out once and reused while u stays bit for bit the same.
      const int* cols = nullptr;
      if (ddy[9] == 0.0 && x1 - x0 < kColumnCache) {
        if (!colsValid || std::memcmp(&colsU, &rowBase[9], sizeof colsU) != 0) {
          for (int x = x0; x <= x1; ++x) colCache[x - x0] = FastSprite::Column(dc.tex[0], x, px0, rowBase[9], ddx[9]);
          colsU = rowBase[9];
          colsValid = true;
        }
        cols = colCache;
      }
      span(fast, dc, y, static_cast<int>(lo), static_cast<int>(hi), px0, rowBase[9], ddx[9], rowBase[10], ddx[10],
                a.diffuse, cols, x0);
      continue;
    }
    for (int x = static_cast<int>(lo); x <= static_cast<int>(hi); ++x) {
      const double colX = x - px0;
      for (int j = 0; j < nk; ++j) at[ks[j]] = rowBase[ks[j]] + ddx[ks[j]] * colX;
      FromAttrs(at, gouraud, a, &f);
      WriteFragment(dc, x, y, f);
    }
  }
}

void RasterTrianglePair(const DrawContext& dc, const RVertex* t) {
  if (!PrepareVectorSprite(dc)) {
    RasterTriangle(dc, t[0], t[1], t[2]);
    RasterTriangle(dc, t[3], t[4], t[5]);
    return;
  }
  if (MovedQuad(dc, t)) return;
  Coverage c0, c1;
  const bool on0 = Cover(dc, t[0], t[1], t[2], &c0), on1 = Cover(dc, t[3], t[4], t[5], &c1);
  if (on0 && on1 && (t[0].diffuse == t[3].diffuse || !DiffuseMatters(dc))) {
    if (RectQuad(dc, t, c0, c1)) return;
    t_Tris[0].Init(dc, c0);
    t_Tris[1].Init(dc, c1);
    VectorTriangles(dc, t_Tris, 2);
    return;
  }
  if (on0) {
    t_Tris[0].Init(dc, c0);
    VectorTriangles(dc, t_Tris, 1);
  }
  if (on1) {
    t_Tris[0].Init(dc, c1);
    VectorTriangles(dc, t_Tris, 1);
  }
}

void RasterLine(const DrawContext& dc, const RVertex& a, const RVertex& b) {
  SettleSprites();
  const double xa = a.x, ya = a.y, xb = b.x, yb = b.y;
  const double dx = xb - xa, dy = yb - ya;
  if (!(std::fabs(dx) > 0.0) && !(std::fabs(dy) > 0.0)) return;
  const bool majorX = std::fabs(dx) >= std::fabs(dy);
  const double m0 = majorX ? xa : ya, dm = majorX ? dx : dy;
  const double n0 = majorX ? ya : xa, dn = majorX ? dy : dx;
  const int s = RoundPixel(m0), e = RoundPixel(majorX ? xb : yb);
  if (s == e) return;
  const int step = s < e ? 1 : -1;
  double A0[kAttrs], A1[kAttrs], at[kAttrs];
  ToAttrs(a, A0);
  ToAttrs(b, A1);
  const bool gouraud = dc.rs[RS_SHADEMODE] == SHADE_GOURAUD;
  Fragment f;
  for (int m = s; m != e; m += step) {
    double t = (m - m0) / dm;
    int n = RoundPixel(n0 + t * dn);
    int x = majorX ? m : n, y = majorX ? n : m;
    if (!Inside(dc, x, y)) continue;
    t = Clamp01(t);
    for (int k = 0; k < kAttrs; ++k) at[k] = A0[k] + (A1[k] - A0[k]) * t;
    FromAttrs(at, gouraud, a, &f);
    WriteFragment(dc, x, y, f);
  }
}

void RasterPoint(const DrawContext& dc, const RVertex& a) {
  SettleSprites();
  const int x = RoundPixel(a.x), y = RoundPixel(a.y);
  if (!Inside(dc, x, y)) return;
  double at[kAttrs];
  ToAttrs(a, at);
  Fragment f;
  FromAttrs(at, false, a, &f);
  WriteFragment(dc, x, y, f);
}

bool LayoutFromFormat(const PixelFormat& fmt, ChannelLayout* out) {
  if ((fmt.flags & PIXFMT_RGB) == 0 || (fmt.bitCount != 16 && fmt.bitCount != 32)) return false;
  const uint32_t masks[4] = {fmt.blueMask, fmt.greenMask, fmt.redMask,
                             (fmt.flags & PIXFMT_ALPHAPIXELS) ? fmt.alphaMask : 0u};
  out->bytes = static_cast<int>(fmt.bitCount / 8);
  for (int k = 0; k < 4; ++k) {
    uint32_t m = masks[k];
    out->mask[k] = m;
    out->shift[k] = 0;
    out->bits[k] = 0;
    if (!m) continue;
    while (!((m >> out->shift[k]) & 1)) ++out->shift[k];
    uint32_t run = m >> out->shift[k];
    while (run & 1) {
      ++out->bits[k];
      run >>= 1;
    }
    if (run != 0 || out->bits[k] > 8) return false;   // channels of at most 8 contiguous bits
  }
  return true;
}

}  // namespace plat::soft
