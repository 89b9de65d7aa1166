// The draw routines of play, read back from the display list they fill: the sprite routine with
// the scroll offset and the damage shake, the label routines and what the flush draws of their
// numbers, and item captions.
#include <algorithm>

#include "combat_fixture.h"

namespace {

constexpr uint32_t kAdd = kSpriteAdditive;

// The entries added since the last ResetDrawList, in the order they were added.
std::vector<DrawEntry> Entries() {
  return std::vector<DrawEntry>(g_DrawEntries + kDrawSubLayerCount, g_DrawEntries + DrawEntriesUsed());
}
std::vector<DrawEntry> EntriesOf(uint32_t sprite) {
  std::vector<DrawEntry> out;
  for (const DrawEntry& e : Entries()) {
    if (e.sprite == sprite && e.type != kDrawText) out.push_back(e);
  }
  return out;
}
const DrawEntry* First(uint32_t sprite) {
  static std::vector<DrawEntry> keep;
  keep = EntriesOf(sprite);
  return keep.empty() ? nullptr : &keep[0];
}

class Draws : public CombatScene {
protected:
  // An actor with no handler, made current, ready to be drawn by a routine.
  int Prop(int x, int y, int layer, int32_t sprite, int32_t kind = kKindEffect) {
    const int a = SpawnActor(x, y, layer, sprite, kind);
    SetCurrentActor(a);
    ResetDrawList();
    return a;
  }
  // Draws a routine for the actor afresh.
  static void Redraw(int actor, void (*routine)()) {
    SetCurrentActor(actor);
    ResetDrawList();
    routine();
  }
};

TEST_F(Draws, SpriteRoutineScrollsWorldActorsAndTheShakenOneJittersOnlyEarlyAndUnpaused) {
  const int a = Prop(100, 50, 12, static_cast<int32_t>(0x70000000u | 1300u | kAdd | kSpriteMirrored));
  SetActorField(kFieldSprite, a, static_cast<int32_t>(0x70000000u | 1300u | kAdd | kSpriteMirrored));
  SetActorField(kFieldScale, a, 1500);
  SetActorField(kFieldRotation, a, 5400);
  SetActorField(kFieldColour, a, static_cast<int32_t>(0x80FF40C0u));
  OrActorField(kFieldFlags, a, kFlagWorldCoords);
  SetScrollOffset(30, -20);
  DrawActorSprite();
  ASSERT_EQ(Entries().size(), 1u);
  DrawEntry e = Entries()[0];
  EXPECT_EQ(e.type, kDrawRotMirrored);
  EXPECT_EQ(e.sprite, 1300u | kAdd | kSpriteMirrored);
  EXPECT_EQ(e.x, 70);
  EXPECT_EQ(e.y, 70);
  EXPECT_EQ(e.scale, 1500);
  EXPECT_EQ(e.angle, 5400);
  EXPECT_EQ(e.colour, 0x80FF40C0u);

  // The shaken routine never scrolls; it jitters while the flash timer is above 30.
  SetActorField(kFieldAge, a, 5);
  struct Case {
    int flash;
    bool paused;
    int x, y;
  };
  for (const Case& c : {Case{31, false, 101, 50}, Case{30, false, 100, 50}, Case{60, true, 100, 50}}) {
    SetActorField(29, a, c.flash);
    SetActorsPaused(c.paused);
    Redraw(a, DrawActorSpriteShaken);
    ASSERT_EQ(Entries().size(), 1u);
    EXPECT_EQ(Entries()[0].x, c.x) << c.flash;
    EXPECT_EQ(Entries()[0].y, c.y) << c.flash;
  }
  SetActorsPaused(0);
  SetActorField(kFieldAge, a, 4);   // 28 mod 3 = 1, 20 mod 3 = 2: x stays, y moves down
  SetActorField(29, a, 31);
  Redraw(a, DrawActorSpriteShaken);
  EXPECT_EQ(Entries()[0].x, 100);
  EXPECT_EQ(Entries()[0].y, 51);

  // A rectangle moves only its first corner with the scroll.
  const int r = SpawnRectActor(10, 20, 200, 120, 5, 0x20406080u);
  OrActorField(kFieldFlags, r, kFlagWorldCoords);
  Redraw(r, DrawActorRect);
  ASSERT_EQ(Entries().size(), 1u);
  e = Entries()[0];
  EXPECT_EQ(e.type, kDrawStretched);
  EXPECT_EQ(e.sprite, 2u);
  EXPECT_EQ(e.x, -20);
  EXPECT_EQ(e.y, 40);
  EXPECT_EQ(e.x2, 200);
  EXPECT_EQ(e.y2, 120);
  EXPECT_EQ(e.colour, 0x20406080u);
}

TEST_F(Draws, EmptySlotsNegativeSlotsAndBadTextIdsDrawNothing) {
  for (int32_t slot : {112, 127, -5}) SetActorField(kFieldSprite, SpawnActor(50, 50, 10, 0, kKindEffect), slot);
  SetActorField(kFieldSprite, player_, 0);
  ResetDrawList();
  UpdateAllActors();
  EXPECT_TRUE(Entries().empty());

  const int label = SpawnLabelActor(40, 60, 28, 3, 440, 0xFFFFFFFFu);
  Redraw(label, DrawActorTextById);
  EXPECT_TRUE(Entries().empty());
  SetActorField(kFieldValue, label, -1);
  Redraw(label, DrawActorTextById);
  EXPECT_TRUE(Entries().empty());
  SetActorField(kFieldValue, label, 439);
  Redraw(label, DrawActorTextById);
  ASSERT_EQ(Entries().size(), 1u);
  EXPECT_EQ(Entries()[0].type, kDrawText);
  EXPECT_EQ(Entries()[0].sprite, 440u);
  EXPECT_EQ(Entries()[0].angle, 0);
  SetActorField(kFieldValue, label, 7);
  Redraw(label, DrawActorFontTextById);
  ASSERT_EQ(Entries().size(), 1u);
  EXPECT_EQ(Entries()[0].sprite, 8u);
  EXPECT_EQ(Entries()[0].angle, 1);
  SetActorField(kFieldValue, label, 440);
  Redraw(label, DrawActorFontTextById);
  EXPECT_TRUE(Entries().empty());
}

TEST_F(Draws, NumberLabelsShowTheirLowCellsRightAlignedWithoutSign) {
  for (int d = 0; d < 10; ++d) g_SpriteTable.graphic[512 + d] = 7000 + d;
  struct Case {
    int32_t value;
    int cells;
    bool zeroPad;
    std::vector<std::string> draws;
  };
  const Case cases[] = {
      {-5, 3, false, {"Draw 122 60 7005 t1"}},
      {0, 3, false, {"Draw 122 60 7000 t1"}},
      {123456, 5, false,
       {"Draw 144 60 7006 t1", "Draw 133 60 7005 t1", "Draw 122 60 7004 t1", "Draw 111 60 7003 t1",
        "Draw 100 60 7002 t1"}},
      {7, 3, true, {"Draw 122 60 7007 t1", "Draw 111 60 7000 t1", "Draw 100 60 7000 t1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const int label = SpawnLabelActorEx(100, 60, 28, c.zeroPad ? 6 : 5, c.value, 0xFFFFFFFFu, c.cells);
    Redraw(label, c.zeroPad ? DrawActorNumberZeroPad : DrawActorNumber);
    ASSERT_EQ(Entries().size(), 1u);
    EXPECT_EQ(Entries()[0].type, kDrawNumber);
    recorder::Take();
    FlushDrawList();
    EXPECT_EQ(recorder::Only(recorder::Take(), {"Draw "}), c.draws);
    DeleteActor(label);
  }
}

TEST_F(Draws, ItemsShowTheirSpriteAGlowAndACaptionOrAPlayOrderName) {
  const int item = Prop(300, 200, 19, 14);
  SetActorField(kFieldAge, item, 7);
  SetActorField(kFieldValue, item, 4);
  DrawItemWithLabel();
  ASSERT_NE(First(156), nullptr);   // the caption of kind 4
  EXPECT_EQ(First(156)->x, 300);
  std::vector<DrawEntry> e = Entries();
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].sprite, 1188u);
  EXPECT_EQ(e[0].type, kDrawRot);
  EXPECT_EQ(e[1].sprite, 134u | kAdd);
  EXPECT_EQ(e[1].angle, 2100);
  EXPECT_EQ(e[2].sprite, 156u);
  EXPECT_EQ(e[2].y, 220);

  SetActorField(kFieldValue, item, 9);
  Redraw(item, DrawItemWithLabel);
  e = Entries();
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].sprite, 1193u);
  EXPECT_EQ(e[2].type, kDrawText);
  EXPECT_EQ(e[2].sprite, 258u);   // text 257, the name of play order 1

  SetActorField(kFieldValue, item, 192);
  Redraw(item, DrawItemWithLabel);
  EXPECT_EQ(Entries().size(), 2u);
}

}  // namespace
