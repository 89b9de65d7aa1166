// What every draw routine shares (the scroll offset, the damage shake), the generic sprite
// routine, the label routines (rectangle, text, number) and the item routine.
#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/game_math.h"
#include "game/framework/sprites.h"
#include "game/framework/text.h"
#include "game/play/draw_internal.h"
#include "game/play/enemies.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"

namespace {

int32_t g_scrollX = 0;
int32_t g_scrollY = 0;

constexpr uint32_t kSpriteIdBits = 0x0FFFFFFFu;
constexpr uint32_t kItemGlow = 134 | kSpriteAdditive;
constexpr int kItemCaptionSprite = 152;
constexpr int kPlayOrderFirstText = 248;

uint32_t CurSprite() { return static_cast<uint32_t>(GetCurField(kFieldSprite)) & kSpriteIdBits; }

// A text label's id names nothing outside the table: such a label draws nothing at all rather
// than the bare slot sprite its entry would otherwise keep.
bool IsTextId(int32_t id) { return id >= 0 && id < kTextTableSize; }

}  // namespace

void SetScrollOffset(int x, int y) {
  g_scrollX = x;
  g_scrollY = y;
}

void GetScrollOffset(int* x, int* y) {
  *x = g_scrollX;
  *y = g_scrollY;
}

void GetCurDrawParams(int* x, int* y, int* layer, int* age) {
  *x = GetCurField(kFieldX);
  *y = GetCurField(kFieldY);
  *layer = GetCurField(kFieldLayer);
  *age = GetCurField(kFieldAge);
  if (!IsActorsPaused() && GetCurField(kFieldHitFlash) > 30) {
    *x = WrapAdd(*x, WrapMul(*age, 7) % 3 - 1);
    *y = WrapAdd(*y, WrapMul(*age, 5) % 3 - 1);
  }
}

int AddCurActorSpriteEntry() {
  int32_t x = GetCurField(kFieldX);
  int32_t y = GetCurField(kFieldY);
  if (static_cast<uint32_t>(GetCurField(kFieldFlags)) & kFlagWorldCoords) {
    x = WrapSub(x, g_scrollX);
    y = WrapSub(y, g_scrollY);
  }
  const int e = AddDrawSpriteRot(x, y, GetCurField(kFieldLayer), CurSprite(), GetCurField(kFieldScale),
                                 GetCurField(kFieldRotation));
  SetDrawColor(e, static_cast<uint32_t>(GetCurField(kFieldColour)));
  return e;
}

void DrawActorSprite() { AddCurActorSpriteEntry(); }

void DrawActorSpriteShaken() {
  int x, y, layer, age;
  GetCurDrawParams(&x, &y, &layer, &age);
  const int e = AddDrawSpriteRot(x, y, layer, CurSprite(), GetCurField(kFieldScale), GetCurField(kFieldRotation));
  SetDrawColor(e, static_cast<uint32_t>(GetCurField(kFieldColour)));
}

void DrawActorRect() {
  SetDrawRectEnd(AddCurActorSpriteEntry(), GetCurField(kFieldScale), GetCurField(kFieldCornerY));
}

void DrawActorTextById() {
  const int32_t id = GetCurField(kFieldValue);
  if (!IsTextId(id)) return;
  SetDrawTextGlyph(AddCurActorSpriteEntry(), id);
}

void DrawActorFontTextById() {
  const int32_t id = GetCurField(kFieldValue);
  if (!IsTextId(id)) return;
  const int e = AddCurActorSpriteEntry();
  SetDrawSpriteId(e, static_cast<uint32_t>(id));
  SetDrawTextString(e);
}

void DrawActorNumber() {
  SetDrawNumber(AddCurActorSpriteEntry(), GetCurField(kFieldValue), GetCurField(kFieldDigits), 0);
}

void DrawActorNumberZeroPad() {
  SetDrawNumber(AddCurActorSpriteEntry(), GetCurField(kFieldValue), GetCurField(kFieldDigits), 1);
}

void DrawItemWithLabel() {
  int x, y, layer, age;
  GetCurDrawParams(&x, &y, &layer, &age);
  const int32_t kind = GetCurField(kFieldValue);
  AddDrawSpriteRot(x, y, layer, static_cast<uint32_t>(WrapAdd(kItemFirstSprite, kind)), 1000, 0);
  AddDrawSpriteRot(x, y, layer - 1, kItemGlow, 1000, WrapMul(age, 300));
  if (kind < kFirstPlayOrderKind) {
    AddDrawSpriteRot(x, y + 20, layer, static_cast<uint32_t>(WrapAdd(kItemCaptionSprite, kind)), 1000, 0);
  } else {
    AddDrawTextGlyph(x, y + 20, layer, WrapAdd(kPlayOrderFirstText, kind));
  }
}
