// The bosses' draw routines: each composes its boss from parts placed around the actor (arms, rings
// of orbs, necks and tentacles that sway, opening plates, charge glows) from its age and the
// scratch fields its behaviour keeps.
#include <algorithm>
#include <cstdint>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_hooks.h"
#include "game/framework/game_math.h"
#include "game/framework/sprites.h"
#include "game/play/boss_internal.h"
#include "game/play/enemies.h"
#include "game/play/play.h"

namespace {

int Frame4(int age, int p) { return (age / p) & 3; }

// Bosses 7 and 8: the body bobbing on its animation frame, then the left gun (a layer below) and
// the right gun turned to their angles.
void DrawBobbingBodyAndGuns(const EnemyDrawAt& d, int32_t body, uint32_t gun, int left, int right) {
  const int y = d.y + ScriptSin(d.age, 96.0f, 4);
  DrawCentred(d.x, y, d.layer, static_cast<uint32_t>(body + Frame4(d.age, 9)));
  const int b = DrawBob(d.age, 9);
  int px = d.x + 2, py = y + b - 13;
  AddPolarToXY(&px, &py, left, 23);
  DrawCentred(px, py, d.layer - 1, gun, 1000, left);
  px = d.x + 14;
  py = y + b - 13;
  AddPolarToXY(&px, &py, right, 23);
  DrawCentred(px, py, d.layer, gun, 1000, right);
}

uint32_t WhiteAlpha(int32_t alpha) { return 0xFFFFFF00u | (static_cast<uint32_t>(alpha) & 0xFFu); }

}  // namespace

// Boss 7: three arms with guns between them around a bobbing body, spinning up while it dies;
// the beams' aiming glows at the arms while they charge.
void DrawEnemy07() {
  const EnemyDrawAt d = CurEnemyDrawAt();
  const int s = GetCurField(kFieldDyingAge);
  const int f = s > 0 ? 0 : GetCurField(kBoss07Glow);
  const uint32_t arm = GetCurField(kBoss07Charge) < 1 ? 2078 : 2079;
  int a = WrapAdd(GetCurField(kBoss07BeamAngle), WrapMul(s, s));
  for (int i = 0; i < 3; ++i) {
    int px = d.x, py = d.y;
    AddPolarToXY(&px, &py, a, 80);
    DrawCentred(px, py, d.layer, arm, 1000, WrapAdd(a, 10800));
    if (f > 0) {
      AddPolarToXY(&px, &py, a, 256);
      SetDrawColor(DrawCentred(px, py, d.layer, kAimLineSprite, 1000, a), WhiteAlpha(WrapMul(8, f)));
    }
    a = WrapAdd(a, 3600);
    int gx = d.x, gy = d.y;
    AddPolarToXY(&gx, &gy, a, 96);
    DrawCentred(gx, gy, d.layer, 2078, 1000, a);
    a = WrapAdd(a, 3600);
  }
  const int g = a / 2;
  DrawBobbingBodyAndGuns(d, 2096, 2095, g, -g);
}

// Boss 8: a ring of eight orbs turning with its sway, a bobbing body and two swinging guns.
void DrawEnemy08() {
  const EnemyDrawAt d = CurEnemyDrawAt();
  const int s = GetCurField(kFieldDyingAge);
  int a = WrapAdd(GetCurField(kBoss08Sway), WrapMul(s, s));
  for (int i = 0; i < 8; ++i) {
    int px = d.x, py = d.y;
    AddPolarToXY(&px, &py, a, 80);
    DrawCentred(px, py, d.layer, 2091, 1000, a);
    a = WrapAdd(a, 2700);
  }
  const int g = WrapAdd(a / 8, 3600);
  DrawBobbingBodyAndGuns(d, 2100, 2094, WrapAdd(g, 5400), WrapAdd(5400, -g));
}

// Boss 10: greyed until it can be hit at frame 120, with a warning sign for the next 60 frames;
// hull, bridge and a turning wheel, drawn through the list's defaults.
void DrawEnemy10() {
  const EnemyDrawAt d = CurEnemyDrawAt();
  const uint32_t colour = d.age < 120 ? 0x7F7F7FFFu : 0xFFFFFFFFu;
  if (d.age >= 120 && d.age < 180) DrawCorner(d.x - 160, d.y + 8, d.layer, 160);
  SetDrawListDefaults(d.layer, colour, 0);
  AddDrawSpriteDefault(d.x - 80, d.y - 16, 2090);
  AddDrawSpriteDefault(d.x - 10, d.y - 80, static_cast<uint32_t>(2104 + Frame4(d.age, 6)));
  AddDrawSpriteRotDefault(d.x + 64, d.y + 40, 2073, 1000, WrapMul(300, d.age));
}

// Boss 12: a swaying ring of orbs, the hull with its gun open while firing, a neck that sways and
// leans with the boss's sideways speed, and the charge glow.
void DrawEnemy12() {
  const EnemyDrawAt d = CurEnemyDrawAt();
  int a = ScriptSin(d.age, 120.0f, 10800);
  for (int i = 0; i < 8; ++i) {
    int px = d.x - 16, py = d.y - 16;
    AddPolarToXY(&px, &py, a, 80);
    DrawCorner(px, py, d.layer, 2115);
    a = WrapAdd(a, 2700);
  }
  const int b = DrawBob(d.age, 9);
  const int x = d.x;
  const int y = d.y + ScriptSin(d.age, 48.0f, 8);
  if (GetCurField(kBoss12Firing) >= 1) {
    DrawCorner(x - 54, y + b - 22, d.layer, 2114);
  } else {
    DrawCorner(x - 28, y + b - 2, d.layer, 2119);
  }
  DrawCorner(x - 23, y + 6 - b, d.layer, 2112);

  int px = x + 4, py = y - 28 - b;
  a = 2700;
  const int lean = GetCurField(kBoss12SmoothVx) / 2;
  for (int i = 0; i < 8; ++i) {
    a = WrapAdd(WrapAdd(a, ScriptSin(d.age + 8 * i, 32.0f, 900)), lean);
    if (i < 7) {
      DrawCorner(px, py, d.layer, i <= 5 ? 2116 : 2117);
    } else {
      DrawCentred(px + 7, py + 7, d.layer, 2118, 1000, a);
    }
    AddPolarToXY(&px, &py, a, 10);
  }

  DrawCorner(x - 24, y - 64, d.layer, static_cast<uint32_t>(2108 + Frame4(d.age, 9)));
  DrawCorner(x - 14, y + 8 - b, d.layer, 2112);

  const int m = GetCurField(kBoss12Charge);
  if (m > 0) {
    // Draw routines also run on paused frames, which a replay does not hold: a random draw there
    // would part a recording from its playback. A paused glow stands still.
    int scale = 1000;
    if (!IsActorsPaused()) scale = GameRandom(1000);
    scale = WrapAdd(scale, WrapMul(50, m));
    DrawCentred(x - 48, y - 16, kBossEffectLayer, kGunGlowSprite, scale, 0);
    DrawCorner(x - 38, y + b - 23, d.layer, 2114);
  } else {
    DrawCorner(x - 4, y + b - 20, d.layer, 2113);
  }
}

// Boss 13: the hull turned by its recoil, two swaying tentacles (the far one grey), a bobbing
// bridge, and the glow of its charge.
void DrawEnemy13() {
  constexpr int kLayer = 8;
  const EnemyDrawAt d = CurEnemyDrawAt();
  const bool recoil = GetCurField(kBoss13Recoil) != 0;
  const int b2 = 2 * DrawBob(d.age, 9);
  if (recoil) {
    DrawCorner(d.x - 70, d.y + 3, kLayer, 2124 | kSpriteMirrored);
    DrawCorner(d.x - 50 - b2, d.y - 20 - b2, kLayer, 2126);
  } else {
    DrawCorner(d.x - 42, d.y + 3, kLayer, 2124);
    DrawCorner(d.x - 28 - b2, d.y - 20 - b2, kLayer, 2125);
  }
  const int v = GetCurField(kFieldVy);
  for (int j = 0; j < 2; ++j) {
    int px = d.x + 16 * j - 4, py = d.y - 40;
    int a = 1800 * j + 900;
    const uint32_t colour = 0x7F7F7FFFu + static_cast<uint32_t>(j) * 0x80808000u;
    for (int k = 0; k < 10; ++k) {
      a = WrapAdd(WrapAdd(a, ScriptSin(d.age + 8 * k, 32.0f, 900)), v / 2);
      AddPolarToXY(&px, &py, a, 8);
      SetDrawColor(DrawCentred(px, py, kLayer, k < 9 ? 2131 : 2132, 1000, a), colour);
    }
  }
  DrawCorner(d.x - 20, d.y + 5, kLayer, static_cast<uint32_t>(2127 + Frame4(d.age, 7)));
  DrawCorner(d.x - 24, d.y - 52, kLayer, static_cast<uint32_t>(2120 + Frame4(d.age, 9)));
  const int q = d.age % 96;
  if (d.age > 40 && q < 30) DrawCentred(d.x - 40, d.y, kBossEffectLayer, kGunGlowSprite, 40 * q + 1000, 0);
  if (recoil) {
    DrawCorner(d.x - 13 - b2, d.y - 20 - b2, kLayer, 2125);
  } else {
    DrawCorner(d.x - 35 - b2, d.y - 20 - b2, kLayer, 2126);
  }
}

// Boss 16: nothing for 50 frames, then the body with its front and jaw plates at their opening
// states, all at its scale, and the beam's aiming line while it charges.
void DrawEnemy16() {
  const EnemyDrawAt d = CurEnemyDrawAt();
  if (d.age < 50) return;
  const int k = GetCurField(kFieldScale);
  DrawCentred(d.x, d.y, d.layer, 2202, k);
  const int m = GetCurField(kBoss16Front);
  if (m > 0) DrawCentred(d.x, d.y, d.layer, static_cast<uint32_t>(2168 + m), k);
  const int r = GetCurField(kFieldRotation);
  const int n = GetCurField(kBoss16Jaw);
  if (n > 0) {
    int px = d.x, py = d.y;
    AddPolarToXY(&px, &py, r, 44);
    DrawCentred(px, py, d.layer, static_cast<uint32_t>(2198 + n), k, r);
  }
  const int f = std::min(GetCurField(kBoss16BeamGlow), 30);
  if (f > 0) {
    int px = d.x, py = d.y;
    AddPolarToXY(&px, &py, r, 512);
    SetDrawColor(DrawCentred(px, py, d.layer, kAimLineSprite, 2000, r), WhiteAlpha(8 * f));
  }
}

// Boss 17: a flash line widening as it comes in while its two halves open; its guns (a flash while
// it fires), the standing-out guns of its charge, and the halves closing again while it dies.
void DrawEnemy17() {
  constexpr int kLayer = 8;
  const EnemyDrawAt d = CurEnemyDrawAt();
  const int b2 = 2 * DrawBob(d.age, 12);
  const int s = GetCurField(kFieldDyingAge);
  const int t = std::min(WrapAdd(d.age, -30), 54);
  const int g = std::max(0, WrapAdd(t, -s));
  if (GetCurField(kBoss17Flash) >= 1) {
    if (s < 1) DrawCentred(d.x - 48, d.y + b2 - 5, kLayer, 2091, 1000, 13500);
    DrawCorner(d.x - 28, d.y + b2 + 3, kLayer, 2158);
  } else {
    if (s < 1) {
      if (g < 40) {
        DrawCentred(d.x - 15, d.y + b2 - 23, kLayer, 2159, 1000, -2700);
      } else {
        DrawCentred(d.x - 3, d.y + b2 - 35, kLayer, 2091, 1000, -2700);
      }
    }
    DrawCentred(d.x - 12, d.y + b2 - 2, kLayer, 2141, 1000, 5400);
  }
  DrawCorner(d.x - 24, d.y - 56, d.layer, static_cast<uint32_t>(2152 + Frame4(d.age, 12)));
  DrawCorner(d.x + 14, d.y + b2 - 13, d.layer, 2140);
  const int q = GetCurField(kBoss17Charge);
  if (s < 1 && q > 0) {
    const uint32_t gun = static_cast<uint32_t>(2138 + ((d.age / 4) & 1));
    DrawCorner(d.x - 16 - q, d.y - 96, d.layer, gun);
    DrawCorner(d.x - 16 - q, d.y + 64, d.layer, gun);
  }
  DrawCorner(d.x - 64, d.y - 64 - g, d.layer, 2156);
  DrawCorner(d.x - 64, d.y + g, d.layer, 2157);
  if (d.age < 30) {
    const int half = 16 * d.age;
    const int e = AddDrawRect(d.x - half, d.y, d.x + half, d.y + 1, kBossEffectLayer, 1);
    SetDrawColor(e, 0xFFFFFFFFu - 8u * static_cast<uint32_t>(d.age));
  }
}

// Two routines of the same kind that no slot holds, available to scripts: a spinning glow with a
// capsule turned by the heading above it, and a flare thrown out along the rotation by the scale.
void DrawSpinningPair() {
  const EnemyDrawAt d = CurEnemyDrawAt();
  DrawCentred(d.x, d.y, d.layer, 0x2000819, 1000, GetCurField(kFieldRotation));
  DrawCentred(d.x, d.y, d.layer + 1, 2078, 1000, GetCurField(kFieldHeading));
}

void DrawOffsetFlare() {
  int x, y;
  GetCurPos(&x, &y);
  const int32_t scale = GetCurField(kFieldScale);
  const int32_t r = GetCurField(kFieldRotation);
  const uint32_t colour = static_cast<uint32_t>(GetCurField(kFieldColour));
  int fx = x, fy = y;
  AddPolarToXY(&fx, &fy, r, static_cast<int>(static_cast<int64_t>(scale) * 255 / 1000));
  SetDrawColor(DrawCentred(fx, fy, 24, kAimLineSprite, scale, r), colour);
  SetDrawColor(DrawCentred(x, y, 24, 0x2000604, 2000, 0), colour);
}
