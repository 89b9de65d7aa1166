// The vector row kernels of the software blits: which exist, what they read, and the level that a
// draw uses. Every kernel gives, byte for byte, what the scalar loop of the same rule gives.
#pragma once
#include <cstdint>

namespace softblit {

// What a kernel reads: a rectangle of w x h pixels (h may be 1 for one run of the skip data).
struct KernelArgs {
  const uint8_t* src;
  intptr_t srcPitch;
  uint8_t* dst;
  intptr_t dstPitch;
  int32_t w, h;
  uint32_t key;      // keyed kernels: the whole pixel value compared (16-bit: the low half)
  uint32_t p;        // blend parameter 1-254 (alpha, add, subtract)
  uint32_t bright;   // draw bright, blue in the low byte
};
using KernelFn = void (*)(const KernelArgs&);

// Kernel numbers: kind, with the tint and key variants at fixed offsets (see KernelId).
enum KernelKind {
  // 32-bit destination, 32-bit direct source.
  kKCopy32,         // keyed copy (the unkeyed copy is a row copy)
  kKTint32,         // c = P[bright][s]
  kKAlpha32,        // c = d + floor((t - d) p / 256)
  kKHalf32,         // half sum
  kKAdd32,          // masked add of u = P[p][t]
  kKSub32,          // masked subtract of u = P[p][t]
  kKAddSat32,       // full strength, exact byte saturation
  kKSubSat32,
  kKAddFull32,      // full strength, masked rule without the low-bit term
  kKSubFull32,
  kKSrcAlpha32,     // mode 0 of a source with an alpha channel
  // 16-bit destination, 16-bit direct source.
  kKCopy16,
  kKTint16,
  kKAlphaL16,       // c = L[p >> 2][s][d]
  kKAlphaN16,       // c = d + N[p][t - d]
  kKHalf16,
  kKAdd16,          // one-pixel add of u = P[p][t]
  kKSub16,
  kKAddPair16,      // full strength on pixel pairs
  kKSubPair16,
  kKKindCount
};
constexpr int kKernelCount = kKKindCount * 4;
// Tinted and keyed variants of a kind; a kind without one of them leaves that slot empty.
constexpr int KernelId(int kind, bool tint, bool keyed) { return kind * 4 + (tint ? 2 : 0) + (keyed ? 1 : 0); }

// Tables of kernels, null where a level has none; each table is defined in its own file, built
// for its instruction set.
const KernelFn* Sse2Kernels();
const KernelFn* Avx2Kernels();

// Vector level the next draw uses: 0 none, 1 SSE2, 2 AVX2. Reads g_SoftBlitVectorMode and the
// processor's features (detected once).
int ActiveVectorLevel();
// The kernel for this draw, or null when the level is 0 or the kernel does not exist.
KernelFn ActiveKernel(int id);

}  // namespace softblit
