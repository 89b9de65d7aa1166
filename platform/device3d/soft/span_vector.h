// Vector spans of the software 3-D device's one-stage sprite path: runs of texels, already in
// pixel order, drawn onto runs of target pixels with the device's own arithmetic (products
// rounded as round(a x b / 255), sums saturated). What they compute is exactly what the general
// per-pixel pipeline computes for the same states.
#pragma once
#include <cstdint>

namespace plat::soft {

// How a 16-bit value holds one channel: (v >> shift) & mask, widened to 8 bits by
// (c x mul + add) >> down, which equals round(c x 255 / mask). A missing channel has mask 0 and
// reads as `add` (255 for a missing alpha, 0 for a colour).
struct Channel16 {
  uint16_t shift, mask, mul, add, down;
  uint16_t narrow;   // targets: bits dropped when a channel is written back (8 - width)
};

// The states of one draw that a span reads, fixed per triangle.
struct SpanSetup {
  int texBytes;                 // 2 or 4
  int targetBytes;              // 2 or 4
  Channel16 tex16[4];           // 16-bit textures: blue, green, red, alpha
  Channel16 target16[3];        // 16-bit targets: blue, green, red
  bool texAlpha;                // 32-bit textures: the fourth byte is alpha (else alpha is 255)
  bool keyOn;
  uint32_t keyLow, keyHigh;     // texels inside [low, high] are absent
  uint32_t diffuse;             // flat colour, ARGB
  bool alphaTest;
  uint32_t alphaFunc;
  int alphaRef;
  // A run's last step may read a whole step of texels past its end where they lie in
  // [padLo, padHi) (the batch's own fetched texels), and work its target pixels in place where a
  // whole step of them lies before targetEnd (the pixels past the run written back unchanged).
  const uint8_t* padLo;
  const uint8_t* padHi;
  const uint8_t* targetEnd;
};

// One run: n texels from `tex` (texBytes each, in pixel order) onto n target pixels from `dst`.
struct SpanRun {
  const uint8_t* tex;
  uint8_t* dst;
  int32_t n;
};

// Kind of span, fixed per draw: colour modulated or not, alpha source (0 texture, 1 diffuse,
// 2 both), blend (0 none, 1 source alpha / inverse, 2 source alpha / one), texel and target sizes.
constexpr int SpanKernelIndex(bool modulate, int alphaSource, int blend, bool tex16, bool target16) {
  return (((((modulate ? 1 : 0) * 3 + alphaSource) * 3 + blend) * 2 + (tex16 ? 1 : 0)) * 2) + (target16 ? 1 : 0);
}
constexpr int kSpanKernelCount = 2 * 3 * 3 * 2 * 2;

using SpanKernelFn = void (*)(const SpanSetup& setup, const SpanRun* runs, int count);

const SpanKernelFn* Sse2SpanKernels();
const SpanKernelFn* Avx2SpanKernels();

// -1 (default) the widest the processor offers, 0 none (the scalar sprite path and the general
// pipeline), 1 SSE2, 2 AVX2 where available. Every setting draws the same bytes.
extern int g_SoftRasterVectorMode;
// The AVX2 builds are used: the processor has them and the mode does not hold to SSE2 (1).
bool SpanAvx2Active();
// The kernel for this draw, or null when vectors are off.
SpanKernelFn ActiveSpanKernel(int index);

// out[i] = min(floor(Clamp01((base + d (c0 + i - p0)) + add) x size), size - 1) for i < n, the
// texel columns or rows of an upright mapping; true when each is one more than the one before.
// AVX2 build (four at a time); the caller checks the processor.
bool TexelTableAvx2(int* out, int c0, int n, double p0, double base, double d, double add, int size);

// A row of a turned (not upright) texture mapping, point sampled: pixel x reads
// u = uBase + du (x - px0) and v = vBase + dv (x - px0), each clamped to [0, 1], times the
// texture's width or height, truncated and kept below it; the texel's byte offset is
// ty x pitch + tx x texBytes.
struct TurnedRow {
  double px0, uBase, du, vBase, dv;
  int32_t width, height, texBytes, pitch;
};

// Fetches the texels pixels x0 .. x0 + n - 1 read from the texture at `base`, into `out` in pixel
// order, found as the general path finds them (the same double operations in the same order).
// Works in steps of four: up to three texels more are written past the n.
using TurnedTexelsFn = void (*)(uint8_t* out, const uint8_t* base, int x0, int n, const TurnedRow& r);
// The fetch for texels of texBytes (2 or 4). The texture's pitch and height are below 32768, and
// it holds at least 4 bytes. AVX2 build; the caller checks the processor.
TurnedTexelsFn TurnedTexelsAvx2(int texBytes);

// How a bilinear fetch reads the texture: its channels (widened to 8 bits as a 16-bit texel's
// are; 8-bit channels of 32-bit texels have mul 1), and the colour key when it applies.
struct FilterSetup {
  Channel16 channel[4];   // blue, green, red, alpha
  bool keyOn;
  uint32_t keyLow, keyHigh;
};

// Samples pixels x0 .. x0 + n - 1 of a row bilinearly, as the general path samples them (the
// four texels around u x width - 0.5, v x height - 0.5, weighed in 1/256 steps, keyed texels left
// out), into `out` as 32-bit texels of 8-bit blue, green, red and alpha. absent[i] is set where
// a pixel found only keyed texels; true when some pixel among the n did. Works in steps of four:
// up to three texels and flags more are written past the n. Texture limits as TurnedTexelsAvx2.
bool FilteredTexelsAvx2(uint8_t* out, uint8_t* absent, const uint8_t* base, int x0, int n, const TurnedRow& r,
                        const FilterSetup& f);

// Fills the 16-bit channel description of a channel at `shift` of `bits` bits (0: missing).
Channel16 MakeChannel16(int shift, int bits, bool alpha);

}  // namespace plat::soft
