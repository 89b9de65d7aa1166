#include "game/framework/sprites.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/sprite_layout.h"

SpriteTableArrays g_SpriteTable;
void (*g_LoadingScreenHook)() = nullptr;
void (*g_LoadingPictureHook)(int graph) = nullptr;

namespace {

// The loader stops scanning a table after this many numbers, end row or not.
constexpr int kCutScanLimit = 8000;
constexpr int kAnimScanLimit = 8192;

int g_sheets[kSpriteSheetCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

bool ValidIndex(int i) { return i >= 0 && i < kSpriteCount; }

struct TableStart {
  TableStart() { ResetSpriteTable(); }
} g_tableStart;

void LoadSheets() {
  for (int n = 0; n < kSpriteSheetCount; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "vlxdat\\pic%02d.png", n);
    g_sheets[n] = g_Engine.LoadGraphFileCallLocked(name);
    if (g_sheets[n] == -1) SayDataFileUnreadable(name, true);
    RedrawLoadingScreen();
  }
}

void CutDefaults() {
  const int graphic = g_Engine.DeriveGraphRegionLocked(kSpriteDefaultX, kSpriteDefaultY,
                                                       kSpriteDefaultSize, kSpriteDefaultSize,
                                                       g_sheets[1]);
  for (int i = 0; i < kSpriteCount; ++i) {
    g_SpriteTable.graphic[i] = graphic;
    g_SpriteTable.nextFrame[i] = i;
    g_SpriteTable.period[i] = kSpriteStill;
  }
}

void CutGlyphs() {
  for (int r = 0; r < kGlyphRows; ++r) {
    for (int c = 0; c < kGlyphColumns; ++c) {
      g_SpriteTable.graphic[kGlyphFirstSprite + kGlyphColumns * r + c] =
          g_Engine.DeriveGraphRegionLocked(GlyphCellX(c), GlyphCellY(r), kGlyphSize, kGlyphSize,
                                           g_sheets[1]);
    }
    RedrawLoadingScreen();
  }
}

// Every grid sprite cycles through the four frames of its group, one step every four frames.
void CutAnimationGrid() {
  for (int r = 0; r < kBulletGridSize; ++r) {
    for (int c = 0; c < kBulletGridSize; ++c) {
      const int i = kBulletGridFirstSprite + kBulletGridSize * r + c;
      g_SpriteTable.graphic[i] = g_Engine.DeriveGraphRegionLocked(
          BulletCellX(c), BulletCellY(r), kBulletCellSize, kBulletCellSize, g_sheets[1]);
      g_SpriteTable.period[i] = 4;
      g_SpriteTable.nextFrame[i] = i - c % 4 + (c + 1) % 4;
    }
    RedrawLoadingScreen();
  }
}

void CutTable() {
  const int rows = std::min<int>(std::size(SpriteCutTable), kCutScanLimit / 6);
  for (int row = 0; row < rows; ++row) {
    const SpriteCutRow& t = SpriteCutTable[row];
    if (t.sheet == -1) break;
    const uint32_t sheet = static_cast<uint32_t>(t.sheet) & 0x3FFFFFFFu;
    const int inset = (t.index & kSpriteCutExact) ? 0 : 1;
    const int index = t.index & ~kSpriteCutExact;
    // A row naming a sheet or an index that does not exist cuts nothing.
    if (sheet < static_cast<uint32_t>(kSpriteSheetCount) && ValidIndex(index)) {
      const int source = g_sheets[sheet];
      g_SpriteTable.graphic[index] =
          t.x >= 0 ? g_Engine.DeriveGraphRegionLocked(t.x + inset, t.y + inset,
                                                      t.width - 2 * inset, t.height - 2 * inset,
                                                      source)
                   : source;
    }
    RedrawLoadingScreen();
  }
}

void ChainAnimations() {
  const int rows = std::min<int>(std::size(SpriteAnimTable), kAnimScanLimit / 3);
  for (int row = 0; row < rows; ++row) {
    const SpriteAnimRow& t = SpriteAnimTable[row];
    if (t.index < 0) break;
    if (!ValidIndex(t.index)) continue;
    g_SpriteTable.nextFrame[t.index] = t.next;
    g_SpriteTable.period[t.index] = t.period;
  }
}

// Every sheet and the capture buffer drawn once, invisibly, before play needs them.
void WarmUp() {
  g_Engine.SetDrawBrightRgbLocked(0, 0, 0);
  for (int n = 0; n < kSpriteSheetCount; ++n) g_Engine.DrawGraphAtPointLocked(0, 0, g_sheets[n], 0);
  g_Engine.DrawGraphAtPointLocked(0, 0, g_SpriteTable.graphic[kSpriteCapture], 0);
  g_Engine.ClearDrawTargetLocked();
  g_Engine.SetDrawBrightRgbLocked(255, 255, 255);
}

}  // namespace

void ResetSpriteTable() {
  for (int i = 0; i < kSpriteCount; ++i) {
    g_SpriteTable.graphic[i] = -1;
    g_SpriteTable.nextFrame[i] = i;
    g_SpriteTable.period[i] = kSpriteStill;
  }
}

void LoadSpriteSheets() {
  g_Engine.SetTransparentColorLocked(0, 255, 0);
  LoadSheets();
  CutDefaults();
  CutGlyphs();
  CutAnimationGrid();
  CutTable();
  int w, h;
  GetGameScreenSize(&w, &h);
  g_SpriteTable.graphic[kSpriteCapture] = g_Engine.CreateBlankGraphLocked(w, h);
  ChainAnimations();
  WarmUp();
}

int GetSpriteSheetGraph(int sheet) {
  return sheet >= 0 && sheet < kSpriteSheetCount ? g_sheets[sheet] : -1;
}

int32_t StepSpriteAnimation(int32_t sprite, int n) {
  if (n < 1) return sprite;
  const int i = static_cast<int>(static_cast<uint32_t>(sprite) & 0xFFFFFFu);
  // An index past the table never steps: it draws nothing and stays as it is.
  if (!ValidIndex(i)) return sprite;
  const int32_t period = g_SpriteTable.period[i];
  if (period < 1 || n % period >= 1) return sprite;
  return static_cast<int32_t>((static_cast<uint32_t>(sprite) & 0xFF000000u) |
                              static_cast<uint32_t>(g_SpriteTable.nextFrame[i]));
}

int GetSpriteGraph(int index) { return ValidIndex(index) ? g_SpriteTable.graphic[index] : -1; }

void GetSpriteSize(int32_t sprite, int* width, int* height) {
  int w = 0, h = 0;
  const int i = static_cast<int>(static_cast<uint32_t>(sprite) & 0xFFFFFFu);
  if (ValidIndex(i) && g_Engine.GetGraphDimensionsLocked(g_SpriteTable.graphic[i], &w, &h) != 0) {
    w = h = 0;
  }
  if (width) *width = w;
  if (height) *height = h;
}

void ReloadGraphics() {
  g_Engine.DeleteAllGraphHandlesLocked(0);
  const int picture = g_Engine.LoadGraphFileCallLocked("dat\\vlx0.dat");
  if (g_LoadingPictureHook) g_LoadingPictureHook(picture);
  LoadSpriteSheets();
}

void ChangeWindowModeAndReload(int n) {
  if (n >= 1) {
    g_Engine.ChangeWindowModeLocked(1);
    g_Engine.SetWindowScaleRateLocked(n);
  } else {
    g_Engine.ChangeWindowModeLocked(0);
  }
  ReloadGraphics();
}
