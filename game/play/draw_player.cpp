// The player characters composed from their parts every frame (guns with recoil and heat, body,
// legs, tail, wings, the shift aura, the invulnerability shield, the spark ring of the second
// character's overdrive, the menu preview's control panel), and the second character's weapons:
// the beam, the timed device and the growing ring of the orb bomb.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/game_math.h"
#include "game/framework/sprites.h"
#include "game/play/draw_internal.h"
#include "game/play/play.h"
#include "game/play/weapons_internal.h"

namespace {

constexpr int kPlayerPanelMark = 42;

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kPureRed = 0xFF0000FFu;
constexpr uint32_t kYellow = 0xFFFF00FFu;
constexpr uint32_t kBlack = 0x000000FFu;
constexpr uint32_t kGlow = 134 | kSpriteAdditive;

// The state every part of a character reads, taken once per frame.
struct CharacterFrame {
  int32_t x, y, layer, age;
  int32_t bob;
  bool hit;
};

void Centred(int x, int y, int layer, uint32_t sprite, uint32_t colour = kWhite) {
  const int e = AddDrawSpriteRotPlain(x, y, layer, sprite);
  if (colour != kWhite) SetDrawColor(e, colour);
}

void Rotated(int x, int y, int layer, uint32_t sprite, int scale, int angle) {
  AddDrawSpriteRot(x, y, layer, sprite, scale, angle);
}

void Filled(int x, int y, int x2, int y2, int layer, uint32_t colour) {
  SetDrawColor(AddDrawRect(x, y, x2, y2, layer, 1), colour);
}

void Plain(int x, int y, int layer, uint32_t sprite, uint32_t colour = kWhite) {
  const int e = AddDrawSprite(x, y, layer, sprite);
  if (colour != kWhite) SetDrawColor(e, colour);
}

uint32_t BlinkYellowRed(int32_t age) { return age % 8 < 4 ? kYellow : kPureRed; }

// The control panel beside the preview player of the character menu: loadout name, the three
// buttons blinking through a demonstration cycle, the mana and speed captions and speed pips.
void DrawPreviewPanel(int32_t x, int32_t y, int32_t age, bool second) {
  const int px = x + 8, py = y + 12;
  Filled(px, py, px + 136, py + 84, 26, 0x005F5F7Fu);
  SetDrawColor(AddDrawRect(px, py, px + 136, py + 84, 27, 0), 0xFFFFFF7Fu);
  if (second) {
    const int32_t name = 192 + 16 * GetCurField(kPlayerShotType) + 4 * GetCurField(kPlayerSubWeapon) +
                         GetCurField(kPlayerBombType);
    SetDrawColor(AddDrawTextGlyph(px + 4, py + 4, 28, name), 0xCFFFFFFFu);
    if (GetCurField(kPlayerPanelMark) > 0) Plain(px + 4, py - 12, 28, 525, 0xCFFFFFFFu);
  }
  const int32_t m = age % 240;
  const bool blinkOn = age % 8 < 4;
  for (int i = 0; i < 3; ++i) {
    const uint32_t sprite =
        second ? static_cast<uint32_t>(602 + 4 * i + GetCurField(kPlayerShotType + i)) : 614u + i;
    uint32_t colour = kWhite;
    if (blinkOn) {
      if (i == 0 && m >= 120 && m < 180 && age < 600) colour = 0x3F3F3FFFu;
      if (i == 1 && age > 60 && m >= 30 && m < 60 && age < 600) colour = 0x003F3FFFu;
      if (i == 2 && age >= 600 && age < 630) colour = 0x003F3FFFu;
    }
    Plain(px + 8 + 40 * i, py + 28, 28, sprite, colour);
  }
  Plain(px + 48, py + 20, 28, 189);
  Plain(px + 88, py + 20, 28, 158);
  Plain(px + 8, py + 64, 28, 190);
  // The second character shows its loadout's speed; nothing in play is faster than a row holds.
  const int pips = second ? std::clamp(GetCurField(kFieldSpeed), 0, 12) : 6;
  for (int j = 0; j < pips; ++j) Plain(px + 48 + 10 * j, py + 64, 28, 559);
}

// Steps 1 to 7 of both characters; leaves x and y at the body origin.
CharacterFrame BeginCharacter(bool second) {
  CharacterFrame f;
  f.x = GetCurField(kFieldX);
  f.y = GetCurField(kFieldY);
  f.layer = GetCurField(kFieldLayer);
  f.age = GetCurField(kFieldAge);
  f.hit = GetGameVar(kVarHitTimer) > 0;
  if (static_cast<uint32_t>(GetCurField(kFieldFlags)) & kPlayerPreviewFlag) {
    DrawPreviewPanel(f.x, f.y, f.age, second);
  }
  f.bob = f.age / 12 % 4 - 1;
  if (f.bob > 1 || f.hit) f.bob = 0;
  return f;
}

void DrawShiftAura(const CharacterFrame& f) {
  const int32_t v = GetGameVar(kVarShiftTimer);
  if (v <= 0) return;
  const int64_t grown = static_cast<int64_t>(GetCurField(kPlayerShiftFrames)) * 40;
  const int scale = static_cast<int>(std::min<int64_t>(grown, static_cast<int64_t>(v) + 200));
  SetDrawColor(AddDrawSpriteRot(f.x, f.y, 7, 164, scale, WrapMul(60, f.age)), 0xFFFFFF7Fu);
}

void DrawShield(const CharacterFrame& f) {
  const int32_t u = GetGameVar(kVarInvulnerable);
  if (u <= 0) return;
  const int x = f.x + 2, y = f.y + 4;
  // White fading out over the last 32 frames: alpha 8u, the colour word taken modulo 2^32.
  const uint32_t c = u < 32 ? 8u * static_cast<uint32_t>(u) - 256u : kWhite;
  SetDrawColor(AddDrawSpriteRot(x, y, 22, kGlow, 2000, WrapMul(300, f.age)), c);
  AddDrawSpriteRot(x, y, 22, 145 | kSpriteAdditive, 1000, 0);
}

// The first character's guns redden as the heat rises and flash red when it overheats.
uint32_t GunTint(int32_t age) {
  const int32_t t = WrapSub(300, GetGameVar(kVarHeat));
  if (t >= 256) return kWhite;
  if (t > 0 && GetCurField(kPlayerShotTimer) < 16) return kPureRed + static_cast<uint32_t>(t) * 0x10100u;
  return age % 8 < 4 ? kPureRed : kWhite;
}

void DrawCharacter1Parts(const CharacterFrame& f) {
  const int x = f.x, y = f.y, L = f.layer, b = f.bob;
  const int32_t lock = GetCurField(kPlayerShotTimer);
  const int32_t g = GetCurField(kPlayerMoveY);
  const uint32_t tint = GunTint(f.age);
  if (lock > 16) {
    Filled(x - 21, y + 27, x + 21, y + 31, 27, kBlack);
    Filled(x - 20, y + 28, x - 20 + lock / 10, y + 30, 27, BlinkYellowRed(f.age));
  }
  const bool gunsIdle = lock > 16 || f.hit;

  const int32_t upper = gunsIdle ? 0 : GetCurField(kPlayerMuzzle0);
  if (upper > 0) {
    Centred(x + 16 - upper / 2, y - 2 * g + (upper < 5 ? 5 : 0), L, upper < 5 ? 1037 : 1035, tint);
  } else {
    Centred(x + 12, y + 8 - 2 * g + b, L, 1033, tint);
  }

  if (f.hit) {
    Centred(x, y + 16, L, 1045);
    if (GetGameVar(kVarLives) < 1) Centred(x + 32, y - 32, L, 142);
  } else {
    const int32_t fx = GetCurField(kPlayerMoveX);
    Centred(x - 38 - fx, y + 42 + 4 * g - 2 * fx + b, L, 1044);
    Centred(x - 50 - fx, y + 50 - 4 * g - 2 * fx - b, L, 1044);
    Centred(x - 20, y + 28, L, 1028 + ((f.age / 6) & 3));
    Centred(x + fx - 8, y - 16, L, 1024 + ((f.age / 8) & 3));
  }

  const int32_t lower = gunsIdle ? 0 : GetCurField(kPlayerMuzzle1);
  if (lower > 0) {
    Centred(x + 12 - lower / 2, y + 4 + 2 * g + (lower < 5 ? 5 : 0), L, lower < 5 ? 1036 : 1034, tint);
  } else {
    Centred(x + 8, y + 12 + 2 * g + b, L, 1032, tint);
  }
}

// Three arms of 16 sparks around the second character while its overdrive runs, turning with
// the overdrive's frame count and fading in along each arm.
void DrawSparkRing(int x, int y, int L) {
  const int32_t n = GetCurField(kPlayerOverdrive);
  if (n <= 0) return;
  int32_t a = WrapMul(300, n);
  const int r = static_cast<int>(std::min<int64_t>(static_cast<int64_t>(n) * 8, 64));
  uint32_t c = 0xFFFFFF10u;
  for (int i = 0; i < 16; ++i) {
    for (int j = 0; j < 3; ++j) {
      int dx, dy;
      PolarToXY(&dx, &dy, a, r);
      dy /= 2;
      SetDrawColor(AddDrawSpriteRotPlain(x + dx, y + dy, dy < 0 ? L - 1 : L, 1572 | kSpriteAdditive), c);
      a = WrapAdd(a, 7200);
    }
    c += 16;
    a = WrapAdd(a, 360);
  }
}

void DrawWings(const CharacterFrame& f, int32_t spread, int32_t bombType) {
  const int x = f.x, y = f.y, L = f.layer;
  const int h = ScriptCos(f.age, 20.0f, 8) + 8;
  const int swing = ScriptSin(f.age, 20.0f, 50);
  int32_t w = spread;
  if (spread > 0) {
    w = std::min(spread, 20);
    const int sc = 50 * w + swing;
    Rotated(x - 32 - 2 * w + h / 2, y + h, L, 1079 | kSpriteAdditive, sc, -60 * h);
    Rotated(x - 24 - 2 * w + h / 2, y - h, L - 1, 1079 | kSpriteAdditive, sc, 60 * h);
  }
  if (bombType == 1 && w < 19) {
    const int32_t w2 = WrapSub(20, w);
    const int32_t sc = WrapAdd(WrapMul(50, w2), swing);
    Rotated(x - 28 - WrapMul(2, w2) + h, y - 4 + h, L, 1078 | kSpriteAdditive, sc, -120 * h);
    Rotated(x - 20 - WrapMul(2, w2) + h, y - 4 - h, L - 1, 1078 | kSpriteAdditive, sc, 120 * h);
  }
}

// A whip of 16 segments that sways with the age and bends with the lean.
void DrawTail(const CharacterFrame& f) {
  const int32_t n = GetCurField(kPlayerBank);
  int px = f.x - 32, py = f.y + 12;
  int32_t a = ScriptCos(f.age, 24.0f, 600) + 300 * n / 30 + 10800;
  for (int i = 0; i < 16; ++i) {
    a += 180 * n / 30 + ScriptSin(WrapAdd(f.age, 2 * i), 28.0f, 300);
    AddPolarToXY(&px, &py, a, 5);
    Rotated(px, py, f.layer - 1, i < 15 ? 1083 : 1084, 1000, a);
  }
}

void DrawCharacter2Parts(const CharacterFrame& f) {
  const int x = f.x, y = f.y, L = f.layer, b = f.bob;
  const int32_t fx = GetCurField(kPlayerMoveX);
  const int32_t g = GetCurField(kPlayerMoveY);
  const int32_t s1 = GetCurField(kPlayerShotType);
  const int32_t s3 = GetCurField(kPlayerBombType);
  const int32_t cool = GetCurField(kPlayerShotTimer);
  const int32_t recoil0 = GetCurField(kPlayerMuzzle0);
  const int32_t recoil1 = GetCurField(kPlayerMuzzle1);

  if (cool < 1 && s1 == 3) Filled(x + 24, y - 2 * g, 640, y + 1 - 2 * g, 20, 0xFF00007Fu);

  if (s1 == 1) {
    if (cool < 1) Centred(x + 4, y + 20 - g, L, 1071);
    else Centred(x + 12 - 2 * recoil0, y + 16 - g, L, 1075);
  } else if (s1 == 3) {
    Centred(x + 16 - 2 * recoil0, y + 12 - 2 * g, L, 1067);
  } else if (s1 == 0 || s1 == 2) {
    Rotated(x - 16, y + 4 - 2 * g + b, L, 1065, 1000, 5400);
  }

  const uint32_t leg = s3 == 3 ? 1090 : 1076;
  if (f.hit) {
    Rotated(x + 24 - fx, y + 52, L, leg, 1000, 16200);
    Rotated(x + 16 - fx, y + 64, L, leg, 1000, 16200);
    Centred(x, y + 16, L, 1077);
  } else {
    const int y2 = y - (s3 == 3 ? 8 : 0) - 2 * fx;
    Centred(x - 38 - fx, y2 + 42 + 4 * g + b, L, leg);
    Centred(x - 50 - fx, y2 + 50 - 4 * g - b, L, leg);
    Centred(x - 20, y + 28, L, 1060 + ((f.age / 6) & 3));
    if (s1 == 3) Centred(x + fx - 30, y, L, 1086 + ((f.age / 8) & 3));
    Centred(x + fx - 8, y - 16, L, 1056 + ((f.age / 8) & 3));
  }

  if (s1 == 1) Centred(x - 20, y - 16, L, 1086 + ((f.age / 8) & 3));
  else if (s1 == 2) Centred(x + fx + 10, y - 11, L, 1085);

  if (s3 == 2) DrawTail(f);
  DrawWings(f, GetCurField(kPlayerFlame), s3);

  const int rear = L + 1;
  if (s1 == 0) {
    Centred(x - 8, y + 24 + b, rear, cool <= 3 ? 1080 : 1081);
    Centred(x - 28 - 2 * cool, y + 16 + b, rear, 1082);
  } else if (s1 == 1) {
    if (cool < 1) Centred(x + 4, y + 14 - g, rear, 1070);
    else Centred(x + 12 - 2 * recoil1, y + 6 - g, rear, 1066);
  }
  if (s1 != 1) Rotated(x - 24, y + 2 * g + b + 8, rear, 1064, 1000, 5400);
}

}  // namespace

void DrawPlayerCharacter1() {
  CharacterFrame f = BeginCharacter(false);
  f.x -= 2;
  f.y -= 4;
  DrawShiftAura(f);
  DrawCharacter1Parts(f);
  DrawShield(f);
}

void DrawPlayerCharacter2() {
  CharacterFrame f = BeginCharacter(true);
  DrawSparkRing(f.x, f.y, f.layer);
  f.x -= 2;
  f.y -= 4;
  DrawShiftAura(f);
  DrawCharacter2Parts(f);
  DrawShield(f);
}

void DrawBeam() {
  int x, y;
  GetCurPos(&x, &y);
  if (GetCurField(kBeamPierce) != 0) {
    const int32_t w = WrapMul(10, GetCurField(kBeamWidthStep));
    SetDrawRectEnd(AddDrawSprite(x - w, y - w, 19, 1173 | kSpriteAdditive), x + w, y + w);
    SetDrawRectEnd(AddDrawSprite(x + w, y - w, 19, 1174 | kSpriteAdditive), 640, y + w);
  } else {
    SetDrawRectEnd(AddDrawSprite(x - 6, y, 20, 1160 | kSpriteAdditive), GetCurField(kBeamEndX), y + 6);
  }
}

void DrawTimedDevice() {
  int x, y, L, age;
  GetCurDrawParams(&x, &y, &L, &age);
  const int32_t r = GetCurField(kFieldRotation);
  SetDrawColor(AddDrawSpriteRot(x, y, L - 1, kGlow, 1000, WrapMul(300, age)), 0xFFFF7F7Fu);
  AddDrawSpriteRot(WrapSub(x, WrapMul(2, GetCurField(kDeviceRecoil))), y, L, 1171, 1000, r);
  AddDrawSpriteRot(x, y, L, 1167 + ((age / 6) & 3), 1000, r);
  const int32_t t = WrapSub(60, GetCurField(kDeviceShots));
  if (t >= 1 && t < 60) {
    Filled(x - 31, y + 27, x + 31, y + 31, 27, kBlack);
    Filled(x - 30, y + 28, x - 30 + t, y + 30, 27, BlinkYellowRed(age));
  }
}

void DrawGrowingRing() {
  int x, y, layer, age;
  GetCurDrawParams(&x, &y, &layer, &age);
  const int scale = static_cast<int>(std::min<int64_t>(static_cast<int64_t>(age) * 50, 2000));
  AddDrawSpriteRot(x, y, 18, 1172, scale, WrapAdd(GetCurField(kFieldRotation), 16200));
}
