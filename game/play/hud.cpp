// The status display: two bars across the top and bottom of the screen with score, continues,
// the mana or shift gauge, grazes, gems, phase level, lives, bombs, area and phase with the phase
// timer bar, the hit chain, the boss gauge and the demo sign, queued into the display list.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/settings.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"

namespace {

constexpr uint32_t kYellow = 0xFFFF7FFF;
constexpr uint32_t kOrange = 0xFFCF7FFF;
constexpr uint32_t kCyan = 0xCFFFFFFF;

void Number(int x, int y, int value, int digits, bool zeroPad, uint32_t colour) {
  SetDrawColor(AddDrawNumber(x, y, 28, value, digits, zeroPad ? 1 : 0), colour);
}

void Stretched(int x, int y, int x2, int y2, int layer, uint32_t sprite) {
  SetDrawRectEnd(AddDrawSprite(x, y, layer, sprite), x2, y2);
}

void DrawScore() {
  int32_t s = std::min(GetGameVar(kVarScore), 99999999);
  if (s <= 0) return;
  Number(89, 1, s % 100000, 5, s > 99999, kYellow);
  if (s / 100000 > 0) Number(56, 1, s / 100000, 3, false, kOrange);
}

void DrawGauge(int c) {
  int32_t shift = GetGameVar(kVarShiftTimer);
  int32_t value;
  uint32_t bar;
  if (shift >= 1) {
    value = shift / 10;
    bar = 130 + ((c / 4) & 1);
    if (c % 8 < 4) SetDrawColor(AddDrawTextGlyph(200, 16, 28, 143), kCyan);
  } else {
    int32_t mana = GetGameVar(kVarMana);
    value = std::min(mana, 99);
    bar = mana >= 99 ? 132 : 131;
    if (mana < 33 || GetGameVar(kVarSubCooldown) > 0) bar = 130;
  }
  Number(309, 1, value, 2, true, kYellow);
  Stretched(205, 5, 205 + value, 11, 28, bar);
}

void DrawLives(int px, int py) {
  int k = std::min(GetGameVar(kVarMaxLives), 5);
  int lit = std::min(GetGameVar(kVarLives), k);
  uint32_t white = px < 160 && py < 40 ? 0xFFFFFF7F : 0xFFFFFFFF;
  for (int i = 0; i < k; ++i) {
    SetDrawColor(AddDrawSprite(30 * i, 16, 28, 1188), i < lit ? white : 0x3F3FFF7F);
  }
}

void DrawBombs(int px, int py) {
  uint32_t white = px < 160 && py > 440 ? 0xFFFFFF3F : 0xFFFFFFFF;
  for (int i = 0; i < 5; ++i) SetDrawColor(AddDrawSprite(30 * i, 450, 27, 1184), white);
  int32_t bombs = GetGameVar(kVarBombs);
  for (int i = 0; i < std::min(bombs, 5); ++i) {
    SetDrawColor(AddDrawSprite(30 * i, 448, 28, 1190), white);
  }
  int32_t cooldown = GetGameVar(kVarBombCooldown);
  if (cooldown <= 0) return;
  // Only the actor update's call counts the cooldown down: the pause menu draws the display on
  // frames that play does not step, and those must leave play as it was.
  if (GetPlayMode() & kPlayFrames) SetGameVar(kVarBombCooldown, cooldown - 1);
  SetDrawColor(AddDrawSprite(30 * bombs, 448, 28, 1190 + ((cooldown / 3) & 1)), white);
}

void DrawAreaAndTimer() {
  int32_t area = GetGameVar(kVarArea);
  if (area < 6) {
    AddDrawSprite(512, 16, 27, 129);
    SetDrawColor(AddDrawSprite(546, 17, 28, 513 + area), kYellow);
    if (area < 4) SetDrawColor(AddDrawSprite(557, 17, 28, 529 + GetGameVar(kVarPhase)), kYellow);
  }
  int32_t t = GetGameVar(kVarPhaseTimer);
  if (t >= 0 && t < 2400) {
    Stretched(573 + 2 * t / 75, 19, 636, 28, 28, 133);
  } else if (t > -192 && t < 0) {
    Stretched(573, 19, 636 + t / 3, 28, 28, 133);
  }
}

void DrawChain() {
  int32_t t = GetGameVar(kVarChainTimer) / 2;
  int32_t chain = GetGameVar(kVarHitChain);
  if (t <= 0 || chain <= 9) return;
  SetDrawScaleAngle(AddDrawNumber(520, 32, 28, chain, 4, 0), 576, 14);
  AddDrawSprite(576, 32, 28, 586);
  Stretched(624 - t, 64, 624, 68, 28, 2);
}

void DrawBossGauge() {
  int32_t t = GetGameVar(kVarPhaseTimer);
  int32_t b = GetGameVar(kVarBossGauge);
  if (t < 0 || t >= 2400 || b <= 0) return;
  int v = std::min(b, 200);
  int o = 256 - 16 * GetGameVar(kVarGaugeSlide);
  Stretched(432 + o, 452, 432 + o + v, 458, 28, 130);
  AddDrawSprite(384 + o, 448, 28, 138);
  int32_t digit = GetGameVar(kVarBossDigit);
  if (digit > 0) AddDrawSprite(391 + o, 451, 28, 512 + std::min(digit, 9));
  SetDrawColor(AddDrawTextGlyph(384 + o, 438, 28, 288 + GetGameVar(kVarBossId)), kCyan);
}

}  // namespace

void DrawGameHud() {
  int player = GetPlayerActor();
  if (player < 1) return;
  int c = GetCurField(kFieldAge);
  int px = GetActorField(kFieldX, player);
  int py = GetActorField(kFieldY, player);

  SetDrawColor(AddDrawRect(0, 0, 640, 16, 27, 1), 0x0000007F);
  SetDrawColor(AddDrawRect(0, 464, 640, 480, 27, 1), 0x0000007F);
  int32_t sub = GetActorField(kPlayerSubWeapon, player);
  AddDrawSprite(12, 0, 27, 128);
  AddDrawSprite(161, 0, 27, 151);
  AddDrawSprite(196, 0, 27, sub == 2 || sub == 3 ? 153 : 152);
  AddDrawSprite(340, 0, 27, 154);
  AddDrawSprite(452, 0, 27, 155);

  DrawScore();
  Number(144, 1, std::min(GetGameVar(kVarContinues), 9), 1, true, kYellow);
  DrawGauge(c);
  Number(400, 1, std::min(GetGameVar(kVarGrazes), 9999), 4, false, kYellow);
  Number(468, 1, std::min(GetGameVar(kVarPhaseGems), 9999), 4, false, kYellow);
  if (GetGameVar(kVarLevelTimer) % 8 < 4) {
    AddDrawSprite(512, 0, 27, 150);
    Number(602, 1, std::min(GetGameVar(kVarPhaseLevel), 99), 2, false, kYellow);
  }
  DrawLives(px, py);
  if (GetGameVar(kVarArea) != kMissionArea) DrawBombs(px, py);
  DrawAreaAndTimer();
  DrawChain();
  DrawBossGauge();
  if (GetPlayMode() & kPlayDemo) AddDrawSprite(8, 232 + std::min(c, 64), 30, 193);
}
