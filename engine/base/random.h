// The engine's one random generator: MT19937 output with its own two-step seeding. Replays depend on
// every draw, in order, so the sequence must stay bit-exact.
#pragma once
#include <cstdint>

void SeedRandomTwister(uint32_t seed);
int SeedRandom(uint32_t seed);
uint32_t GetRandom32();          // next tempered output
int GetRandomUpTo(int n);        // 0..n for n >= 0
