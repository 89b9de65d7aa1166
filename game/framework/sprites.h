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

// The loading screen, redrawn by the loaders (sprites and sounds) as they go so that it keeps
// being presented during start-up. The boot fills it with UpdateLoadingScreen; null: nothing.
extern void (*g_LoadingScreenHook)();
inline void RedrawLoadingScreen() {
  if (g_LoadingScreenHook) g_LoadingScreenHook();
}
// ReloadGraphics loads the loading picture "dat\vlx0.dat" again after every graph was deleted
// and hands the new graph to this hook (the boot keeps it); null: the graph is not kept.
extern void (*g_LoadingPictureHook)(int graph);

// Every index its own still frame with no graphic; LoadSpriteSheets fills the rest.
void ResetSpriteTable();
// Loads the ten sheets "vlxdat\pic%02d.png" and cuts the whole table: defaults, glyphs 512-559,
// the animation grid 1536-1791, the cut table, the capture buffer 8191, the animation chains;
// then draws every sheet once at brightness 0 and clears the screen.
void LoadSpriteSheets();
int GetSpriteSheetGraph(int sheet);            // -1 for a sheet outside 0-9
int32_t StepSpriteAnimation(int32_t sprite, int n);
int GetSpriteGraph(int index);                 // -1 for an index outside the table
void GetSpriteSize(int32_t sprite, int* width, int* height);   // 0 x 0 when unknown
void ReloadGraphics();
void ChangeWindowModeAndReload(int n);
