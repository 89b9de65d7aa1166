// The area background painter (draw slot 15): the first area's sky strips, far planet, three
// parallax ridges and near hills; the mission area's columns and panels; the title screen's
// lattice. Tinted by the demonic shift and the slow gauge, shaken with the screen.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/play/draw_internal.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"

namespace {

constexpr int kProgress = 64;

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kShiftTint = 0xFF7FFFFFu;

uint32_t WithAlpha(uint32_t colour, uint32_t alpha) { return (colour & 0xFFFFFF00u) | alpha; }

void Sprite(int x, int y, int layer, uint32_t sprite, uint32_t colour) {
  SetDrawColor(AddDrawSprite(x, y, layer, sprite), colour);
}

// A column of tiles starting far above the screen would only fill the list with tiles nobody
// sees; such a start is moved down by whole tiles to just above the screen.
int32_t TileStartNear(int32_t start, int32_t tile) {
  const int32_t lowest = -8 * tile;
  if (start >= lowest) return start;
  return lowest + static_cast<int32_t>((static_cast<int64_t>(start) - lowest) % tile);
}

uint32_t BackgroundTint() {
  if (GetGameVar(kVarShiftTimer) >= 1) return kShiftTint;
  const int32_t g = GetGameVar(kVarSlowGauge);
  if (g > 0) {
    const int d = std::min(g, 1000) * 2;
    return AddColorClamped(kWhite, -d, -d, d);
  }
  return kWhite;
}

void DrawFirstArea(int32_t sx, int32_t sy, int32_t age, uint32_t tint) {
  const int32_t progress = GetCurField(kProgress);
  const int32_t phase = GetGameVar(kVarPhase);
  for (int i = 0; i < 60; ++i) {
    const int b = age / 300 + 60 - 3 * i;
    SetDrawColor(AddDrawRect(0, 8 * i, 640, 8 * i + 8, 0, 1), AddColorClamped(0x100030FFu, 0, 0, b));
  }
  if (phase < 3 || progress < 47) Sprite(608 - sx / 250, sy / 4 + 24, 1, 3076, tint);

  const uint32_t tint2 = AddColorClamped(tint, -64, -64, -32);
  const int32_t y0 = sy >= 0 ? static_cast<int32_t>(static_cast<int64_t>(sy) * 6 / 5) : sy;
  for (int i = 0; i < 3; ++i) {
    const int d = (i - 2) * 48;
    const uint32_t colour = AddColorClamped(tint2, 2 * d, d, d);
    const int32_t s = sx / (4 - i);
    for (int32_t x = -64 - s % 128; x < 640; x += 128) {
      const int h = ScriptSin(WrapAdd(s, x), 45.0f, 40);
      Sprite(x, WrapAdd(y0, 60 * i + 120 + h), 1, 3078, colour);
    }
  }
  for (int32_t x = WrapSub(0, sx) % 256; x < 640; x += 256) Sprite(x, WrapAdd(sy, 320), 2, 3072, tint2);
  if (phase == 3 && progress > 0 && progress < 112) {
    Sprite(WrapSub(640, WrapMul(8, GetGameVar(kVarPhaseTimer))), -16, 2, 3073, tint2);
  }
}

void DrawMissionArea(int32_t sx, int32_t sy, uint32_t tint) {
  for (int32_t x = WrapSub(0, sx / 2) % 128; x < 640; x += 128) {
    Sprite(x, WrapSub(0, sy) / 3 - 16, 1, 3108, tint);
  }
  const uint32_t panel = WithAlpha(tint, 0x80);
  for (int32_t x = WrapSub(0, sx) % 128; x < 640; x += 128) {
    for (int32_t y = TileStartNear(WrapSub(0, sy), 128); y < 480; y += 128) Sprite(x, y, 1, 3109, panel);
  }
}

void DrawTitleScreen(int32_t age, uint32_t tint) {
  Sprite(0, 0, 0, 192, AddColorClamped(tint, -96, -64, -32));
  const uint32_t lattice = WithAlpha(AddColorClamped(tint, -96, -96, -96), 0x3F);
  const int32_t start = WrapSub(0, age) % 128;
  for (int32_t y = start; y < 480; y += 128) {
    for (int32_t x = start; x < 640; x += 128) Sprite(x, y, 0, 3095, lattice);
  }
}

}  // namespace

void DrawAreaBackground() {
  const int32_t pattern = GetCurField(kBackgroundPattern);
  const int32_t age = GetCurField(kFieldAge);
  int32_t sx, sy;
  GetScrollOffset(&sx, &sy);
  const uint32_t tint = BackgroundTint();
  if (GetGameVar(kVarShake) > 0) {
    sx = WrapAdd(sx, WrapMul(age, 13) % 8 - 4);
    sy = WrapAdd(sy, WrapMul(age, 11) % 8 - 4);
  }
  switch (pattern) {
    case 1:
      DrawFirstArea(sx, sy, age, tint);
      break;
    case 7:
      DrawMissionArea(sx, sy, tint);
      break;
    case 17:
      DrawTitleScreen(age, tint);
      break;
    default:
      break;
  }
}
