// The draw routines of play, read back from the display list they fill: the sprite routine with
// the scroll offset and the damage shake, the label routines and what the flush draws of their
// numbers, item captions, the background's tints, parallax and tiles, the characters' heat,
// shield, aura, ring and panel, and the beam, device and growing ring.
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

class Backgrounds : public Draws {
protected:
  int Background(int pattern) {
    const int b = Prop(0, 0, 1, 15);
    SetActorField(31, b, pattern);
    return b;
  }
};

TEST_F(Backgrounds, FirstAreaTintsByShiftAndGaugeAndScrollsItsRowsAtNegativeOffsets) {
  const int b = Background(1);
  SetActorField(kFieldAge, b, 600);
  SetGameVar(kVarSlowGauge, 40);
  SetScrollOffset(-200, -30);
  Redraw(b, DrawAreaBackground);
  std::vector<DrawEntry> e = Entries();
  ASSERT_GE(e.size(), 60u);
  EXPECT_EQ(e[0].type, kDrawStretched);
  EXPECT_EQ(e[0].colour, 0x100030FFu + (62u << 8));   // blue 0x30 + 60 + 600 / 300
  EXPECT_EQ(e[59].y, 472);
  EXPECT_EQ(e[59].colour, 0x100000FFu);   // its blue clamped at 0
  const DrawEntry* far = First(3076);
  ASSERT_NE(far, nullptr);
  EXPECT_EQ(far->colour, 0xAFAFFFFFu);
  EXPECT_EQ(far->x, 608);
  EXPECT_EQ(far->y, 17);   // -30 / 4 + 24, truncated toward zero

  std::vector<DrawEntry> ridges = EntriesOf(3078);
  // Row shifts -50, -66 and -100 put the first tiles at -14, 2 and 36: six, five and five tiles.
  ASSERT_EQ(ridges.size(), 16u);
  const int firstX[3] = {-14, 2, 36};
  const int firstTile[3] = {0, 6, 11};
  const uint32_t colours[3] = {0x000F7FFFu, 0x0F3FAFFFu, 0x6F6FDFFFu};
  for (int row = 0; row < 3; ++row) {
    const DrawEntry& t0 = ridges[firstTile[row]];
    const DrawEntry& t1 = ridges[firstTile[row] + 1];
    EXPECT_EQ(t0.x, firstX[row]);
    EXPECT_EQ(t0.type, kDrawSprite);
    EXPECT_EQ(t0.y, -30 + 60 * row + 120 + 38);
    EXPECT_EQ(t1.y, -30 + 60 * row + 120 - 38);
    EXPECT_EQ(t0.colour, colours[row]);
  }
  std::vector<DrawEntry> hills = EntriesOf(3072);
  ASSERT_EQ(hills.size(), 2u);
  EXPECT_EQ(hills[0].x, 200);
  EXPECT_EQ(hills[1].x, 456);
  EXPECT_EQ(hills[0].y, 290);

  SetGameVar(kVarShiftTimer, 10);
  Redraw(b, DrawAreaBackground);
  EXPECT_EQ(First(3076)->colour, 0xFF7FFFFFu);

  // The shake moves the scroll: age 3 gives (39 mod 8) - 4 = 3 and (33 mod 8) - 4 = -3.
  SetGameVar(kVarShiftTimer, 0);
  SetGameVar(kVarSlowGauge, 0);
  SetGameVar(kVarShake, 5);
  SetActorField(kFieldAge, b, 3);
  SetScrollOffset(0, 0);
  Redraw(b, DrawAreaBackground);
  EXPECT_EQ(First(3076)->colour, 0xFFFFFFFFu);
  EXPECT_EQ(EntriesOf(3072)[0].x, -3);
  EXPECT_EQ(EntriesOf(3072)[0].y, 317);

  // The tower shows only in the last phase while the progress counter runs.
  SetGameVar(kVarShake, 0);
  SetGameVar(kVarPhase, 3);
  SetGameVar(kVarPhaseTimer, 10);
  SetActorField(64, b, 50);
  Redraw(b, DrawAreaBackground);
  EXPECT_EQ(First(3076), nullptr);
  ASSERT_NE(First(3073), nullptr);
  EXPECT_EQ(First(3073)->x, 560);
  SetActorField(64, b, 112);
  Redraw(b, DrawAreaBackground);
  EXPECT_EQ(First(3073), nullptr);
}

TEST_F(Backgrounds, OtherPatternsMissionTilesAndTitleLattice) {
  const int b = Background(2);
  for (int p = 2; p <= 6; ++p) {
    SetActorField(31, b, p);
    Redraw(b, DrawAreaBackground);
    EXPECT_TRUE(Entries().empty()) << p;
  }
  SetActorField(31, b, 7);
  SetScrollOffset(-300, 0);
  Redraw(b, DrawAreaBackground);
  std::vector<DrawEntry> columns = EntriesOf(3108), panels = EntriesOf(3109);
  ASSERT_EQ(columns.size(), 5u);
  EXPECT_EQ(columns[0].x, 22);   // -(-150) mod 128
  EXPECT_EQ(columns[0].y, -16);
  ASSERT_EQ(panels.size(), 5u * 4u);
  EXPECT_EQ(panels[0].x, 44);
  EXPECT_EQ(panels[0].colour, 0xFFFFFF80u);

  // A scroll far below the screen never walks its tiles one by one from there.
  SetScrollOffset(0, 2000000000);
  Redraw(b, DrawAreaBackground);
  EXPECT_LE(EntriesOf(3109).size(), 5u * 13u);

  SetActorField(31, b, 17);
  SetActorField(kFieldAge, b, 130);
  Redraw(b, DrawAreaBackground);
  ASSERT_NE(First(192), nullptr);
  EXPECT_EQ(First(192)->colour, 0x9FBFDFFFu);
  std::vector<DrawEntry> lattice = EntriesOf(3095);
  ASSERT_EQ(lattice.size(), 4u * 6u);
  EXPECT_EQ(lattice[0].x, -2);
  EXPECT_EQ(lattice[0].y, -2);
  EXPECT_EQ(lattice[0].colour, 0x9F9F9F3Fu);
}

class Characters : public Draws {
protected:
  int Character(int slot) {
    const int p = Prop(200, 240, 20, slot);
    SetPlayerActor(p);
    return p;
  }
};

TEST_F(Characters, FirstCharactersGunsRedden_OverheatShowsTheGauge_HitShowsThePose) {
  const int p = Character(8);
  SetActorField(kFieldAge, p, 2);
  struct Case {
    int heat, lock, age;
    uint32_t tint;
  };
  for (const Case& c : {Case{100, 0, 2, 0xFFC8C8FFu}, Case{44, 0, 2, 0xFFFFFFFFu}, Case{300, 0, 2, 0xFF0000FFu},
                        Case{300, 0, 5, 0xFFFFFFFFu}, Case{400, 400, 3, 0xFF0000FFu}}) {
    SCOPED_TRACE(c.heat);
    SetGameVar(kVarHeat, c.heat);
    SetActorField(kPlayerShotTimer, p, c.lock);
    SetActorField(kFieldAge, p, c.age);
    Redraw(p, DrawPlayerCharacter1);
    ASSERT_NE(First(1033), nullptr);
    ASSERT_NE(First(1032), nullptr);
    EXPECT_EQ(First(1033)->colour, c.tint);
    EXPECT_EQ(First(1032)->colour, c.tint);
  }
  // The overheat gauge: 40 px at a lock of 400, one less every ten frames.
  std::vector<DrawEntry> bars = EntriesOf(2);
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_EQ(bars[1].x2 - bars[1].x, 40);
  EXPECT_EQ(bars[0].colour, 0x000000FFu);
  EXPECT_EQ(bars[1].colour, 0xFFFF00FFu);
  SetActorField(kPlayerShotTimer, p, 390);
  SetActorField(kFieldAge, p, 4);
  Redraw(p, DrawPlayerCharacter1);
  EXPECT_EQ(EntriesOf(2)[1].x2 - EntriesOf(2)[1].x, 39);
  EXPECT_EQ(EntriesOf(2)[1].colour, 0xFF0000FFu);

  // Firing guns show their recoil sprites; during a hit both rest and the hit pose shows.
  SetActorField(kPlayerShotTimer, p, 0);
  SetGameVar(kVarHeat, 0);
  SetActorField(kPlayerMuzzle0, p, 16);
  SetActorField(kPlayerMuzzle1, p, 3);
  Redraw(p, DrawPlayerCharacter1);
  EXPECT_NE(First(1035), nullptr);
  EXPECT_NE(First(1036), nullptr);
  EXPECT_EQ(First(1036)->y, 240 - 4 + 4 + 5);
  SetGameVar(kVarHitTimer, 10);
  SetGameVar(kVarLives, 1);
  Redraw(p, DrawPlayerCharacter1);
  EXPECT_NE(First(1033), nullptr);
  EXPECT_NE(First(1045), nullptr);
  EXPECT_EQ(First(142), nullptr);
  EXPECT_EQ(First(1044), nullptr);
  SetGameVar(kVarLives, 0);
  Redraw(p, DrawPlayerCharacter1);
  EXPECT_NE(First(142), nullptr);
}

TEST_F(Characters, ShieldFadesAuraIsCappedAndThePreviewPanelBlinksItsButtons) {
  const int p = Character(8);
  SetActorField(kFieldAge, p, 10);
  for (int u : {16, 40}) {
    SetGameVar(kVarInvulnerable, u);
    Redraw(p, DrawPlayerCharacter1);
    const DrawEntry* shield = First(134 | kAdd);
    ASSERT_NE(shield, nullptr);
    EXPECT_EQ(shield->colour, u == 16 ? 0xFFFFFF80u : 0xFFFFFFFFu);
    EXPECT_EQ(shield->scale, 2000);
    EXPECT_EQ(shield->angle, 3000);
    EXPECT_EQ(shield->x, 200);
    EXPECT_EQ(shield->y, 240);
    EXPECT_NE(First(145 | kAdd), nullptr);
  }
  SetGameVar(kVarInvulnerable, 0);
  SetGameVar(kVarShiftTimer, 100);
  SetActorField(kPlayerShiftFrames, p, 30);
  Redraw(p, DrawPlayerCharacter1);
  EXPECT_EQ(First(134 | kAdd), nullptr);
  ASSERT_NE(First(164), nullptr);
  EXPECT_EQ(First(164)->scale, 300);
  EXPECT_EQ(First(164)->angle, 600);
  EXPECT_EQ(First(164)->x, 198);
  SetGameVar(kVarShiftTimer, 0);

  OrActorField(kFieldFlags, p, kPlayerPreviewFlag);
  struct Case {
    int age;
    uint32_t icons[3];
  };
  const uint32_t white = 0xFFFFFFFFu;
  for (const Case& c : {Case{130, {0x3F3F3FFFu, white, white}}, Case{134, {white, white, white}},
                        Case{272, {white, 0x003F3FFFu, white}}, Case{601, {white, white, 0x003F3FFFu}},
                        Case{850, {white, white, white}}}) {
    SCOPED_TRACE(c.age);
    SetActorField(kFieldAge, p, c.age);
    Redraw(p, DrawPlayerCharacter1);
    for (int i = 0; i < 3; ++i) {
      ASSERT_NE(First(614 + i), nullptr);
      EXPECT_EQ(First(614 + i)->colour, c.icons[i]);
      EXPECT_EQ(First(614 + i)->x, 200 + 8 + 8 + 40 * i);
    }
    EXPECT_EQ(EntriesOf(559).size(), 6u);
  }
}

TEST_F(Characters, SecondCharactersRingTailWingsAndPanelFollowItsLoadout) {
  const int p = Character(9);
  SetActorField(kPlayerOverdrive, p, 8);
  SetActorField(kFieldAge, p, 20);
  DrawPlayerCharacter2();
  std::vector<DrawEntry> sparks = EntriesOf(1572 | kAdd);
  ASSERT_EQ(sparks.size(), 48u);
  EXPECT_EQ(sparks[0].colour, 0xFFFFFF10u);
  EXPECT_EQ(sparks[44].colour, 0xFFFFFFF0u);
  for (int i = 45; i < 48; ++i) EXPECT_EQ(sparks[i].colour, 0u);
  int dx, dy;
  PolarToXY(&dx, &dy, 2400, 64);
  EXPECT_EQ(sparks[0].x, 200 + dx);
  EXPECT_EQ(sparks[0].y, 240 + dy / 2);
  EXPECT_EQ(sparks[0].type, kDrawRot);

  // Loadout: heavy shot (sight line), spread sub, orb bomb (tail), flame spread 20 (wings).
  SetActorField(kPlayerOverdrive, p, 0);
  SetActorField(kPlayerShotType, p, 3);
  SetActorField(kPlayerSubWeapon, p, 2);
  SetActorField(kPlayerBombType, p, 2);
  SetActorField(kPlayerFlame, p, 25);
  Redraw(p, DrawPlayerCharacter2);
  EXPECT_EQ(EntriesOf(1572 | kAdd).size(), 0u);
  ASSERT_NE(First(2), nullptr);   // the sight line
  EXPECT_EQ(First(2)->x2, 640);
  EXPECT_EQ(First(2)->colour, 0xFF00007Fu);
  EXPECT_EQ(EntriesOf(1083).size(), 15u);
  EXPECT_EQ(EntriesOf(1084).size(), 1u);
  ASSERT_EQ(EntriesOf(1079 | kAdd).size(), 2u);
  EXPECT_EQ(EntriesOf(1078 | kAdd).size(), 0u);
  EXPECT_NE(First(1076), nullptr);
  EXPECT_NE(First(1064), nullptr);

  // The burst bomb's second wings widen as the flame spread falls.
  SetActorField(kPlayerBombType, p, 1);
  SetActorField(kPlayerShotType, p, 1);
  SetActorField(kPlayerFlame, p, 0);
  Redraw(p, DrawPlayerCharacter2);
  ASSERT_EQ(EntriesOf(1078 | kAdd).size(), 2u);
  EXPECT_EQ(EntriesOf(1079 | kAdd).size(), 0u);
  EXPECT_EQ(First(1064), nullptr);

  OrActorField(kFieldFlags, p, kPlayerPreviewFlag);
  SetActorField(kFieldSpeed, p, 7);
  SetActorField(42, p, 1);
  SetActorField(kFieldAge, p, 700);
  Redraw(p, DrawPlayerCharacter2);
  EXPECT_EQ(EntriesOf(559).size(), 7u);
  ASSERT_NE(First(525), nullptr);
  const uint32_t icons[3] = {602 + 1, 606 + 2, 610 + 1};
  for (uint32_t s : icons) EXPECT_NE(First(s), nullptr) << s;
  const std::vector<DrawEntry> all = Entries();
  const auto name = std::find_if(all.begin(), all.end(), [](const DrawEntry& e) { return e.type == kDrawText; });
  ASSERT_NE(name, all.end());
  EXPECT_EQ(name->sprite, 192u + 16 + 8 + 1 + 1);
}

TEST_F(Characters, BeamDeviceAndGrowingRing) {
  const int beam = Prop(100, 200, 20, 7);
  SetActorField(35, beam, 1);
  SetActorField(37, beam, 2);
  DrawBeam();
  std::vector<DrawEntry> e = Entries();
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].sprite, 1173u | kAdd);
  EXPECT_EQ(e[0].type, kDrawStretched);
  EXPECT_EQ(e[0].x, 80);
  EXPECT_EQ(e[0].y, 180);
  EXPECT_EQ(e[0].x2, 120);
  EXPECT_EQ(e[0].y2, 220);
  EXPECT_EQ(e[1].x, 120);
  EXPECT_EQ(e[1].x2, 640);
  EXPECT_EQ(e[1].y2, 220);
  SetActorField(35, beam, 0);
  SetActorField(64, beam, 420);
  Redraw(beam, DrawBeam);
  ASSERT_EQ(Entries().size(), 1u);
  EXPECT_EQ(Entries()[0].sprite, 1160u | kAdd);
  EXPECT_EQ(Entries()[0].x, 94);
  EXPECT_EQ(Entries()[0].x2, 420);
  EXPECT_EQ(Entries()[0].y2, 206);

  const int device = Prop(300, 100, 20, 13);
  SetActorField(kFieldAge, device, 13);
  SetActorField(kFieldRotation, device, 900);
  SetActorField(66, device, 3);
  SetActorField(67, device, 20);
  DrawTimedDevice();
  EXPECT_EQ(First(134 | kAdd)->colour, 0xFFFF7F7Fu);
  EXPECT_EQ(First(134 | kAdd)->angle, 3900);
  EXPECT_EQ(First(1171)->x, 294);
  EXPECT_EQ(First(1171)->angle, 900);
  EXPECT_NE(First(1169), nullptr);
  std::vector<DrawEntry> bars = EntriesOf(2);
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_EQ(bars[1].x2, 300 - 30 + 40);
  EXPECT_EQ(bars[1].colour, 0xFF0000FFu);
  SetActorField(67, device, 0);
  Redraw(device, DrawTimedDevice);
  EXPECT_TRUE(EntriesOf(2).empty());

  const int ring = Prop(320, 240, 21, 12);
  SetActorField(kFieldRotation, ring, 100);
  for (int age : {10, 40, 90}) {
    SetActorField(kFieldAge, ring, age);
    Redraw(ring, DrawGrowingRing);
    ASSERT_EQ(Entries().size(), 1u);
    EXPECT_EQ(Entries()[0].scale, std::min(50 * age, 2000));
    EXPECT_EQ(Entries()[0].angle, 16300);
    EXPECT_EQ(Entries()[0].sprite, 1172u);
  }
}

}  // namespace
