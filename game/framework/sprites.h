// The sprite table: 8192 sprites cut from ten sheets at start-up, each with its engine graph, the
// frame its animation steps to and the period of the step. A SpriteId is the index in bits 0-23,
// bit 24 mirrored, bit 25 additive; the other bits are carried along.
#pragma once
#include <cstdint>

constexpr int kSpriteCount = 8192;
constexpr int kSpriteCapture = 8191;           // the screen-sized capture buffer
constexpr int32_t kSpriteStill = 0x1FFFFFFF;   // period of a sprite that does not animate
constexpr uint32_t kSpriteMirrored = 0x01000000u;
constexpr uint32_t kSpriteAdditive = 0x02000000u;

struct SpriteTableArrays {
  int32_t graphic[kSpriteCount];
  int32_t nextFrame[kSpriteCount];
  int32_t period[kSpriteCount];
};
extern SpriteTableArrays g_SpriteTable;

// Every index its own still frame with no graphic; LoadSpriteSheets fills the rest.
void ResetSpriteTable();
void LoadSpriteSheets();
int32_t StepSpriteAnimation(int32_t sprite, int n);
int GetSpriteGraph(int index);                 // -1 for an index outside the table
void GetSpriteSize(int32_t sprite, int* width, int* height);
void ReloadGraphics();
void ChangeWindowModeAndReload(int n);
