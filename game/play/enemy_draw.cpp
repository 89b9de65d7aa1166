// The draw routines of the ordinary enemies: each composes its enemy from several sprites placed
// around the actor, with swings, bobs and blinks taken from its age and behaviour fields.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/game_hooks.h"
#include "game/framework/game_math.h"
#include "game/framework/sprites.h"
#include "game/play/draw_internal.h"
#include "game/play/enemies.h"
#include "game/play/play.h"

EnemyDrawAt CurEnemyDrawAt() {
  EnemyDrawAt d;
  GetCurDrawParams(&d.x, &d.y, &d.layer, &d.age);
  return d;
}

namespace {

void CentredAt(int x, int y, int angle, int r, int layer, uint32_t sprite, int scale, int turn,
               uint32_t colour = 0xFFFFFFFF) {
  AddPolarToXY(&x, &y, angle, r);
  const int e = DrawCentred(x, y, layer, sprite, scale, turn);
  if (colour != 0xFFFFFFFF) SetDrawColor(e, colour);
}

constexpr uint32_t kShade = 0x7F7FAFFF;
constexpr uint32_t kWheel = 2073;

}  // namespace

// A fighter: one of 24 direction frames from its heading, bobbing, with its tail below.
void DrawEnemy02() {
  const EnemyDrawAt d = CurEnemyDrawAt();
  const int y = d.y + ScriptSin(d.age, 32.0f, 16) + 16;
  const int h = NormalizeAngle(GetCurField(kFieldHeading) - 450);
  DrawCorner(d.x - 32, y - 32, d.layer, static_cast<uint32_t>(2048 + (h / 900) % 24));
  DrawCorner(d.x - 32, y + ScriptCos(d.age, 48.0f, 12) - 64, d.layer, 2072);
}

// The gun-ship: a warning sign blinking while it can be hit, a hull lit and bobbing while armed,
// grey once broken.
void DrawEnemy03() {
  int x, y;
  GetCurPos(&x, &y);
  const int layer = GetCurField(kFieldLayer);
  const int age = GetCurField(kFieldAge);
  const int armedAt = 100 - GetCurField(kFieldScratch0);
  const bool whole = GetCurField(kFieldScratch0 + 1) < 1;
  if (age >= armedAt && age % 8 < 4 && whole) DrawCorner(x - 96, y - 8, 28, 160);
  DrawCorner(x - 24, y - 40, layer, 2093);
  uint32_t colour = 0x7F7F7F7F;
  int b = 0;
  if (whole && age > armedAt) {
    colour = 0xFFFFFFFF;
    b = DrawBob(age, 4);
  }
  SetDrawColor(AddDrawSprite(x - 24, y - 40 + b, layer, 2092), colour);
  DrawCorner(x - 24, y + 24, layer, 2093);
}

// The gunboat: its flash timer (field 64) is counted down here, once per drawn frame.
void DrawEnemy04() {
  const EnemyDrawAt d = CurEnemyDrawAt();
  int m = GetCurField(kFieldScratch0);
  if (m > 0) {
    --m;
    if (m > 10) {
      DrawCorner(d.x - 92, d.y - 24, d.layer, 2088);
    } else {
      DrawCorner(d.x - 64 - 2 * m, d.y - 18, d.layer, 2089);
    }
  }
  SetCurField(kFieldScratch0, m);
  const int f = (d.age / 6) & 3;
  DrawCorner(d.x - 64, d.y - 24, d.layer, static_cast<uint32_t>(2084 + f));
  DrawCorner(d.x - 56, d.y - 64, d.layer, static_cast<uint32_t>(2080 + f));
}

// The beam cannon: a turning wheel, its barrel along the rotation, and the charge glow with the
// aiming line from frame 30 to 60.
void DrawEnemy05() {
  const EnemyDrawAt d = CurEnemyDrawAt();
  const int r = GetCurField(kFieldRotation);
  SetDrawColor(DrawCentred(d.x, d.y, d.layer, kWheel, 1000, WrapMul(300, d.age)), 0xFFFFFF7F);
  CentredAt(d.x, d.y, r, 8, d.layer, GetCurField(kFieldScratch0) < 1 ? 2078 : 2079, 1000, r);
  if (d.age >= 30 && d.age < 60) {
    DrawCentred(d.x, d.y, d.layer, 0x2000087, WrapMul(10, d.age));
    CentredAt(d.x, d.y, r, 512, d.layer, 0x2000094, 2000, r,
              0xFFFFFF00u | static_cast<uint32_t>(8 * (d.age - 30)));
  }
}

// The beam: double-drawn segments 16 pixels apart along its heading, cut at the playfield's
// edge, each turned further than the last.
void DrawEnemy06() {
  int x, y, layer, age;
  GetCurDrawParams(&x, &y, &layer, &age);
  GetCurPos(&x, &y);
  const int h = GetCurField(kFieldHeading);
  const int base = GetCurField(kBeamSpriteField) < 1 ? 897 : GetCurField(kBeamSpriteField);
  const int n = GetCurField(kFieldScratch0);
  int dx, dy;
  PolarToXY(&dx, &dy, h, 16);
  // The turn wraps in 32 bits: kept unsigned.
  uint32_t a = static_cast<uint32_t>(age) * 59637u;
  for (int i = 0; i < n; ++i) {
    x += dx;
    y += dy;
    const uint32_t s = static_cast<uint32_t>(base + (age + i) % 3);
    DrawCentred(x, y, 23, s, 2400, static_cast<int32_t>(a));
    DrawCentred(x, y, 23, s | kSpriteAdditive, 2400, static_cast<int32_t>(a));
    if (IsOutsidePlayfield(x, y)) break;
    a += 37564u;
  }
}

// The bomber: a shaded wheel, a swinging arm, the hull with its bomb bay opening while it drops
// shells, a second arm and the near wheel.
void DrawEnemy14() {
  const EnemyDrawAt d = CurEnemyDrawAt();
  const int r = GetCurField(kFieldRotation);
  const int b = DrawBob(d.age, 6);
  SetDrawColor(DrawCentred(d.x + 24, d.y + 24, d.layer, kWheel, 1000, r), kShade);
  const int a1 = ScriptSin(d.age + 20, 20.0f, 3600);
  CentredAt(d.x + 2 * b, d.y - 26 - 2 * b, a1 + 9000, 16, d.layer, 2141, 1000, a1 + 5400, kShade);
  const int f = d.age >= 30 && d.age < 90 ? (d.age / 4) & 1 : 0;
  const int o = std::max(0, 90 - 3 * d.age);
  DrawCorner(d.x - 86 - f + o, d.y + 8, d.layer, static_cast<uint32_t>(2138 + f));
  DrawCorner(d.x - 24, d.y + 8, d.layer, 2137);
  DrawCorner(d.x - 16, d.y - 60, d.layer, static_cast<uint32_t>(2142 + ((d.age / 6) & 3)));
  DrawCorner(d.x - 24 - f, d.y + f + 4, d.layer, 2146);
  const int a2 = ScriptSin(d.age, 20.0f, 3600);
  CentredAt(d.x + 4 + 2 * b, d.y - 26 - 2 * b, a2 + 9000, 16, d.layer, 2140, 1000, a2 + 5400);
  DrawCentred(d.x + 40, d.y + 24, d.layer, kWheel, 1000, GetCurField(kFieldRotation));
}

// The escort wave's leader: two wheels turning against each other above and below it.
void DrawEnemy19() {
  const EnemyDrawAt d = CurEnemyDrawAt();
  DrawCentred(d.x, d.y - 120, d.layer, kWheel, 1000, WrapMul(300, d.age));
  DrawCentred(d.x, d.y + 120, d.layer, kWheel, 1000, WrapMul(-300, d.age));
}

// The drone carrier: shaded and near wheels, the launcher lifting with its charge, the hull with
// its recoiling gun and the muzzle glow.
void DrawEnemy21() {
  const EnemyDrawAt d = CurEnemyDrawAt();
  const int r = GetCurField(kFieldRotation);
  const int m = GetCurField(kFieldScratch0);
  const int y = d.y + 32;
  SetDrawColor(DrawCentred(d.x + 40, y, d.layer, kWheel, 1000, r), kShade);
  const int h = GetCurField(kFieldScratch0 + 1) / 2;
  const int h2 = h / 2;
  DrawCorner(d.x + h2 + 36, y + h - 56, d.layer, 2167);
  DrawCorner(d.x + h2 + 28, y + h - 130, d.layer, static_cast<uint32_t>(2080 + ((d.age / 6) & 3)));
  DrawCorner(d.x - 80, y - 48, d.layer, 2165);
  DrawCorner(d.x + 2 * m - 52, y - 48, d.layer, 2166);
  DrawCentred(d.x + 56, y, d.layer, kWheel, 1000, r);
  if (m >= 1) DrawCentred(d.x - 80, y + 12, 26, 0x2000087, WrapMul(7, m));
}
