#include "engine/base/random.h"

#include "engine/engine.h"

namespace {

constexpr int kN = 624;
constexpr int kM = 397;
constexpr uint32_t kMatrix = 0x9908B0DFu;
constexpr uint32_t kUpper = 0x80000000u;
constexpr uint32_t kLower = 0x7FFFFFFFu;

static_assert(sizeof(RandomGenerator::state) == kN * sizeof(uint32_t), "a held generator has the engine's state size");

struct MersenneTwisterState {
  uint32_t state[kN + 1];   // the spare word is kept for the record's shape
  uint32_t output[kN];
  int next;
  int seeded;
  int mmxPath;              // the paired path gives identical words; only the flag is kept
};

MersenneTwisterState g_mt;

// One regeneration of a state of kN words into its tempered outputs.
void Regenerate(uint32_t* s, uint32_t* output) {
  for (int k = 0; k < kN; ++k) {
    uint32_t y = (s[k] & kUpper) | (s[(k + 1) % kN] & kLower);
    s[k] = s[(k + kM) % kN] ^ (y >> 1) ^ ((y & 1u) ? kMatrix : 0u);
  }
  for (int k = 0; k < kN; ++k) {
    uint32_t y = s[k];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    output[k] = y;
  }
}

// The two-step seeding: each word's halves from two steps of the linear congruence.
void FillSeed(uint32_t* s, uint32_t seed) {
  uint32_t x = seed;
  for (int i = 0; i < kN; ++i) {
    s[i] = x & 0xFFFF0000u;
    x = x * 69069u + 1u;
    s[i] |= x >> 16;
    x = x * 69069u + 1u;
  }
}

// 0..n from one output: N + 1 is taken in 64 bits so that N = 2147483647 does not wrap to a
// negative range.
int ScaleUpTo(uint32_t r, int n) {
  int64_t range = static_cast<int64_t>(n) + 1;
  int64_t product = static_cast<int64_t>(r) * range;
  return static_cast<int>(product >> 32);
}

void Regenerate() {
  Regenerate(g_mt.state, g_mt.output);
  g_mt.next = 0;
}

}  // namespace

void SeedRandomTwister(uint32_t seed) {
  FillSeed(g_mt.state, seed);
#if defined(__x86_64__) || defined(__i386__)
  g_mt.mmxPath = 1;
#else
  g_mt.mmxPath = 0;
#endif
  g_mt.seeded = 1;
  Regenerate();
}

int SeedRandom(uint32_t seed) {
  SeedRandomTwister(seed);
  return 0;
}

uint32_t GetRandom32() {
  if (g_mt.next >= kN) {
    if (!g_mt.seeded) SeedRandomTwister(4357u);
    Regenerate();
  }
  return g_mt.output[g_mt.next++];
}

int GetRandomUpTo(int n) {
  return ScaleUpTo(GetRandom32(), n);
}

void SeedRandomGenerator(RandomGenerator* g, uint32_t seed) {
  if (!g) return;
  FillSeed(g->state, seed);
  Regenerate(g->state, g->output);
  g->next = 0;
}

int RandomGeneratorUpTo(RandomGenerator* g, int n) {
  if (!g) return 0;
  if (g->next < 0 || g->next >= kN) {
    Regenerate(g->state, g->output);
    g->next = 0;
  }
  return ScaleUpTo(g->output[g->next++], n);
}
