#include "game/framework/sprites.h"

SpriteTableArrays g_SpriteTable;

namespace {

bool ValidIndex(int i) { return i >= 0 && i < kSpriteCount; }

struct TableStart {
  TableStart() { ResetSpriteTable(); }
} g_tableStart;

}  // namespace

void ResetSpriteTable() {
  for (int i = 0; i < kSpriteCount; ++i) {
    g_SpriteTable.graphic[i] = -1;
    g_SpriteTable.nextFrame[i] = i;
    g_SpriteTable.period[i] = kSpriteStill;
  }
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
