// The display list and the immediate draws, traced through a recorder of engine calls.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "engine_recorder.h"
#include "game/framework/drawlist.h"
#include "game/framework/settings.h"
#include "game/framework/sprites.h"
#include "game/framework/text.h"
#include "game/temp_dir.h"

namespace {

using Calls = std::vector<std::string>;

// Sprite i draws graph 10000 + i, so traces show which sprite was drawn.
class DrawList : public ::testing::Test {
protected:
  void SetUp() override {
    recorder::Install();
    ResetSpriteTable();
    for (int i = 0; i < kSpriteCount; ++i) g_SpriteTable.graphic[i] = 10000 + i;
    ResetDrawList();
    ResetGameDrawState();
    recorder::Take();
  }
  void TearDown() override {
    ResetEngineEntries();
    ResetSpriteTable();
    ResetDrawList();
  }
  static std::string G(int sprite) { return std::to_string(10000 + sprite); }
  static Calls Draws(const Calls& calls) {
    return recorder::Only(calls, {"Draw", "Mirror", "Rot", "Stretch", "Box", "Text"});
  }
  // The trace of drawing a table text straight away, for comparison with a text entry.
  static Calls Direct(void (*draw)(int, int, int), int x, int y, int id) {
    recorder::Take();
    draw(x, y, id);
    return recorder::Take();
  }
};

TEST_F(DrawList, HandsOutEntriesInOrderRefusesWhenFullAndSettersIgnoreBadEntries) {
  EXPECT_EQ(DrawEntriesUsed(), 65);
  EXPECT_EQ(AddDrawSprite(0, 0, 3, 5), 65);
  for (int i = 66; i < 3999; ++i) ASSERT_EQ(AddDrawSprite(i, 0, i % 40, 5), i);
  EXPECT_EQ(AddDrawNumber(0, 0, 3, 7, 2, 0), 3999);
  EXPECT_EQ(AddDrawSprite(0, 0, 3, 5), -1);
  EXPECT_EQ(AddDrawRect(0, 0, 1, 1, 3, 1), -1);
  EXPECT_EQ(AddDrawTextGlyph(0, 0, 3, 1), -1);
  EXPECT_EQ(AddDrawSpriteRot(0, 0, 3, 5, 1000, 0), -1);
  EXPECT_EQ(DrawEntriesUsed(), 4000);
  // The result of a refused adder passes straight on.
  SetDrawColor(-1, 0);
  SetDrawNumber(-1, 1, 1, 1);
  SetDrawRotSettings(-1, 1, 1);
  SetDrawTextGlyph(-1, 3);
  SetDrawTextString(-1);
  SetDrawViewFlag(-1);
  // Sentinels and indexes past the list are not entries: changing them would cut the chain.
  SetDrawRectEnd(3, 1, 1);
  SetDrawSpriteId(64, 9);
  SetDrawColor(4000, 0);
  EXPECT_EQ(g_DrawEntries[3].type, kDrawSentinel);

  // Layers 32 and up are kept but not drawn: 65..3999 minus those on layers 32-39.
  FlushDrawList();
  int kept = 0;
  for (int i = 65; i < 3999; ++i) kept += (i == 65 ? 3 : i % 40) < 32;
  EXPECT_EQ(int(recorder::Only(recorder::Take(), {"Draw"}).size()), kept + 1);   // + the number's one digit

  ResetDrawList();
  EXPECT_EQ(AddDrawSprite(0, 0, 3, 5), 65);
  // Text adders refuse ids the text table does not have.
  EXPECT_EQ(AddDrawTextGlyph(0, 0, 3, 440), -1);
  EXPECT_EQ(AddDrawTextString(0, 0, 3, -1), -1);
  EXPECT_EQ(AddDrawTextLine(0, 0, 3, 32), -1);
  EXPECT_EQ(AddDrawTextLine(0, 0, 3, -1), -1);
  EXPECT_EQ(AddDrawTextGlyph(0, 0, 3, 439), 66);
  EXPECT_EQ(g_DrawEntries[66].sprite, 440u);
  EXPECT_EQ(AddDrawTextLine(0, 0, 3, 31), 67);
  EXPECT_EQ(g_DrawEntries[67].angle, 2);
}

TEST_F(DrawList, SubLayersDrawEvenBeforeOddAndClampTheLayer) {
  const uint32_t add = kSpriteAdditive;
  AddDrawSprite(1, 0, 5, 11 | add);    // sub-layer 11, added first
  AddDrawSprite(2, 0, 5, 12);          // sub-layer 10
  AddDrawSprite(3, 0, 40, 13);         // kept, never drawn
  AddDrawSprite(4, 0, -3, 14);         // sub-layer 0
  AddDrawSprite(5, 0, -3, 15 | add);   // sub-layer 1
  AddDrawSprite(6, 0, 0, 16);          // sub-layer 0, after the one from layer -3
  AddDrawSprite(7, 0, 31, 17);         // the last drawn layer
  AddDrawSprite(8, 0, 32, 18 | add);   // sub-layer 64 either way
  AddDrawSprite(9, 0, INT_MAX, 19);
  AddDrawSprite(10, 0, INT_MIN, 20);   // sub-layer 0 again
  FlushDrawList();
  const Calls expected = {
      "Blend 0 255", "Bright 255 255 255",
      "Draw 4 0 " + G(14) + " t1", "Draw 6 0 " + G(16) + " t1", "Draw 10 0 " + G(20) + " t1",
      // The additive sub-layer switches to additive blending; the plain one after it resets.
      "Blend 2 255", "Draw 5 0 " + G(15) + " t1",
      "Blend 0 255", "Bright 255 255 255", "Draw 2 0 " + G(12) + " t1",
      "Blend 2 255", "Draw 1 0 " + G(11) + " t1",
      "Blend 0 255", "Bright 255 255 255", "Draw 7 0 " + G(17) + " t1",
  };
  EXPECT_EQ(recorder::Take(), expected);
  // The list survives the flush: it is cleared by the frame, not by drawing.
  EXPECT_EQ(DrawEntriesUsed(), 75);
}

TEST_F(DrawList, BlendChangesOncePerRunAndTintIsSetAndResetOnlyWhenNeeded) {
  AddDrawSprite(0, 0, 3, 0);                       // the empty sprite: skipped whole
  SetDrawColor(65, 0x12345601);
  const int a = AddDrawSprite(1, 0, 3, 21);
  const int b = AddDrawSprite(2, 0, 3, 21);
  const int c = AddDrawSprite(3, 0, 3, 21);
  SetDrawColor(a, 0xFFFFFF80);
  SetDrawColor(b, 0xFFFFFF80);
  SetDrawColor(c, 0xFFFFFF40);
  AddDrawSprite(4, 0, 3, 22);                      // opaque white after blending: reset
  SetDrawColor(AddDrawSprite(5, 0, 3, 23), 0xFF0000FF);
  SetDrawColor(AddDrawSprite(6, 0, 3, 23), 0xFF0000FF);   // tinted again: set again
  SetDrawColor(AddDrawSprite(7, 0, 3, 0x2000), 0x00FF00FF);   // past the table: skipped whole
  AddDrawSprite(8, 0, 3, 24);                      // white after a tint: brightness back
  AddDrawSprite(9, 0, 3, 24);                      // and nothing more
  SetDrawColor(AddDrawSprite(10, 0, 3, 25), 0x80808010);   // both at once, left set
  FlushDrawList();
  const Calls expected = {
      "Blend 0 255", "Bright 255 255 255",
      "Blend 1 128", "Draw 1 0 " + G(21) + " t1", "Draw 2 0 " + G(21) + " t1",
      "Blend 1 64", "Draw 3 0 " + G(21) + " t1",
      "Blend 0 255", "Bright 255 255 255", "Draw 4 0 " + G(22) + " t1",
      "Bright 255 0 0", "Draw 5 0 " + G(23) + " t1",
      "Bright 255 0 0", "Draw 6 0 " + G(23) + " t1",
      "Bright 255 255 255", "Draw 8 0 " + G(24) + " t1",
      "Draw 9 0 " + G(24) + " t1",
      "Blend 1 16", "Bright 128 128 128", "Draw 10 0 " + G(25) + " t1",
  };
  EXPECT_EQ(recorder::Take(), expected);

  // The cache remembers the last blend across the flush; a reset always reaches the engine.
  SetBlendModeCached(1, 16);
  SetBlendModeCached(1, 300);
  SetBlendModeCached(1, 255);
  SetBlendModeCached(2, -5);
  SetBlendModeCached(2, 0);
  ResetGameDrawState();
  ResetGameDrawState();
  const Calls cache = {"Blend 1 255", "Blend 2 0", "Blend 0 255", "Bright 255 255 255",
                       "Blend 0 255", "Bright 255 255 255"};
  EXPECT_EQ(recorder::Take(), cache);
}

TEST_F(DrawList, EveryEntryTypeReachesItsEngineCall) {
  recorder::g_sizes[10000 + 40] = {30, 10};
  AddDrawSprite(1, 2, 4, 30);
  AddDrawSprite(3, 4, 4, 31 | kSpriteMirrored);
  AddDrawSpriteRot(100, 200, 4, 32, 1234, 5400);
  AddDrawSpriteRot(100, 200, 4, 33 | kSpriteMirrored, 2000, -10800);
  AddDrawSpriteRotPlain(7, 8, 4, 34);
  AddDrawRect(10, 11, 50, 60, 4, 1);
  AddDrawRect(10, 11, 50, 60, 4, 0);
  AddDrawNumber(100, 50, 4, -45, 3, 0);
  AddDrawNumber(100, 70, 4, 45, 3, 1);
  AddDrawSquareAt(5, 6, 70, 80, 4);
  AddDrawType5(1, 1, 4, 35 | kSpriteMirrored, 9, 8, 7);
  AddDrawOval(1, 1, 9, 9, 4, 1);
  AddDrawOval(1, 1, 9, 9, 4, 0);
  AddDrawSpriteQuarterTurn(300, 100, 4, 40);
  const int turned = AddDrawSprite(9, 9, 4, 41);
  SetDrawRotSettings(turned, 500, 10800);
  const int stretched = AddDrawSprite(9, 9, 4, 42);
  SetDrawRectEnd(stretched, 19, 29);
  const int swapped = AddDrawSprite(9, 9, 4, 43);
  SetDrawSpriteId(swapped, 44 | kSpriteMirrored);
  const int number = AddDrawSprite(0, 0, 4, 45);
  SetDrawNumber(number, 7, 2, 1);
  FlushDrawList();
  EXPECT_EQ(g_DrawEntries[75].x2, -9);   // type 5 keeps its width negated when mirrored
  const Calls expected = {
      "Draw 1 2 " + G(30) + " t1",
      "Mirror 3 4 " + G(31) + " t1",
      // Scale and angle worked out in single precision (in double: 1.234 and 1.57079633).
      "Rot 100 200 1.23400009 1.57079649 " + G(32) + " t1 m0",
      "Rot 100 200 2 -3.14159298 " + G(33) + " t1 m1",
      "Rot 7 8 1 0 " + G(34) + " t1 m0",
      "Stretch 10 11 50 60 " + G(2) + " t1",
      "Box 10 11 50 60 c0ffffff f0",
      // Number entries keep the magnitude: no minus.
      "Draw 122 50 " + G(517) + " t1", "Draw 111 50 " + G(516) + " t1",
      "Draw 122 70 " + G(517) + " t1", "Draw 111 70 " + G(516) + " t1", "Draw 100 70 " + G(512) + " t1",
      "Draw 5 6 " + G(2) + " t1",
      // A quarter turn at a tenth of the size, centred by the sprite's 30 x 10.
      "Rot 305 115 0.100000001 1.57079649 " + G(40) + " t1 m0",
      "Rot 9 9 0.5 3.14159298 " + G(41) + " t1 m0",
      "Stretch 9 9 19 29 " + G(42) + " t1",
      "Draw 9 9 " + G(44) + " t1",   // the type stays as added
      "Draw 11 0 " + G(519) + " t1", "Draw 0 0 " + G(512) + " t1",
  };
  EXPECT_EQ(Draws(recorder::Take()), expected);
}

TEST_F(DrawList, TextEntriesDrawByStyleAndDefaultsComeFromTheListState) {
  AddDrawTextGlyph(10, 20, 2, 0);
  AddDrawTextString(30, 40, 2, 1);
  AddDrawTextLine(50, 60, 2, 0);
  const int restyled = AddDrawTextGlyph(70, 80, 2, 2);
  SetDrawTextString(restyled);   // the sprite word moves on by one: text id 3
  FlushDrawList();
  const Calls flushed = recorder::Take();
  Calls expected = Direct(DrawTableGlyphText, 10, 20, 0);
  for (const std::string& c : Direct(DrawTableString, 30, 40, 1)) expected.push_back(c);
  const Calls line = recorder::Only(flushed, {"Text 50 60 "});
  EXPECT_EQ(line.size(), 1u);
  for (const std::string& c : Direct(DrawTableString, 70, 80, 3)) expected.push_back(c);
  Calls got = recorder::Only(flushed, {"Draw", "Text"});
  got.erase(std::find(got.begin(), got.end(), line[0]));
  EXPECT_EQ(got, expected);

  // The Default adders take layer, colour and view flag from the list state.
  ResetDrawList();
  const int a = AddDrawSpriteDefault(1, 1, 5);
  EXPECT_EQ(g_DrawEntries[a].colour, 0xFFFFFFFFu);
  EXPECT_EQ(g_DrawEntries[a].viewFlag, 1);
  EXPECT_EQ(g_DrawEntries[a].prev, 56);   // layer 28's sentinel
  SetDrawListDefaults(2, 0x11223344, 0);
  const int b = AddDrawSpriteRotDefault(1, 1, 6 | kSpriteAdditive, 1500, 60);
  EXPECT_EQ(g_DrawEntries[b].prev, 5);
  EXPECT_EQ(g_DrawEntries[b].colour, 0x11223344u);
  EXPECT_EQ(g_DrawEntries[b].viewFlag, 0);
  EXPECT_EQ(g_DrawEntries[b].type, kDrawRot);
  SetDrawViewFlag(b);
  EXPECT_EQ(g_DrawEntries[b].viewFlag, 1);
  SetDrawScaleAngle(b, 70, 900);
  EXPECT_EQ(g_DrawEntries[b].angle, 70);
  EXPECT_EQ(g_DrawEntries[b].scale, 900);
  // A reset puts the defaults back.
  ResetDrawList();
  EXPECT_EQ(g_DrawEntries[AddDrawSpriteDefault(0, 0, 5)].prev, 56);
}

TEST_F(DrawList, NumbersDropLeadingZerosKeepLowDigitsAndHandleEveryValue) {
  DrawNumber(100, 5, -7, 3, 512, 11, 0);
  const Calls minus = {"Draw 122 5 " + G(519) + " t1", "Draw 111 5 " + G(527) + " t1"};
  EXPECT_EQ(recorder::Take(), minus);
  DrawNumber(100, 5, 12345, 3, 512, 11, 0);
  const Calls low = {"Draw 122 5 " + G(517) + " t1", "Draw 111 5 " + G(516) + " t1",
                     "Draw 100 5 " + G(515) + " t1"};
  EXPECT_EQ(recorder::Take(), low);
  DrawNumber(0, 0, 0, 4, 512, 10, 0);
  EXPECT_EQ(recorder::Take(), Calls{"Draw 30 0 " + G(512) + " t1"});
  DrawNumber(0, 0, 5, 3, 600, 8, 1);
  const Calls padded = {"Draw 16 0 " + G(605) + " t1", "Draw 8 0 " + G(600) + " t1",
                        "Draw 0 0 " + G(600) + " t1"};
  EXPECT_EQ(recorder::Take(), padded);
  // The lowest value has a magnitude of its own: ten digits, then the minus.
  DrawNumber(0, 0, INT_MIN, 10, 512, 1, 0);
  Calls calls = recorder::Take();
  ASSERT_EQ(calls.size(), 11u);
  const char* digits = "2147483648";
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(calls[k], "Draw " + std::to_string(9 - k) + " 0 " + G(512 + digits[9 - k] - '0') + " t1");
  }
  EXPECT_EQ(calls[10], "Draw -1 0 " + G(527) + " t1");
  // A negative count draws nothing; a huge one draws at most ten digits, still right-aligned.
  DrawNumber(0, 0, 5, -1, 512, 11, 1);
  EXPECT_TRUE(recorder::Take().empty());
  DrawNumber(0, 0, 5, 2000000000, 512, 0, 1);
  EXPECT_EQ(recorder::Take().size(), 10u);
  DrawNumber(0, 0, 98, 12, 512, 11, 0);
  const Calls aligned = {"Draw 121 0 " + G(520) + " t1", "Draw 110 0 " + G(521) + " t1"};
  EXPECT_EQ(recorder::Take(), aligned);

  // With a point: the three low digits always, the point in 4 pixels between second and third.
  DrawNumberWithPoint(0, 0, -5, 4, 0);
  const Calls point = {"Draw 48 0 " + G(517) + " t1", "Draw 37 0 " + G(512) + " t1",
                       "Draw 33 0 " + G(100) + " t1", "Draw 22 0 " + G(512) + " t1",
                       "Draw 11 0 " + G(527) + " t1"};
  EXPECT_EQ(recorder::Take(), point);
}

TEST_F(DrawList, ClocksLayOutNumbersColonsAndZeros) {
  AddDrawClock(100, 10, 3725);   // 1:02:05
  FlushDrawList();
  const Calls clock = {
      "Draw 188 10 " + G(517) + " t1",                                    // seconds 5
      "Draw 171 10 " + G(522) + " t1", "Draw 177 10 " + G(512) + " t1",   // ":" and the "0"
      "Draw 160 10 " + G(514) + " t1",                                    // minutes 2
      "Draw 143 10 " + G(522) + " t1", "Draw 149 10 " + G(512) + " t1",
      "Draw 132 10 " + G(513) + " t1",                                    // hours in four places
  };
  EXPECT_EQ(recorder::Only(recorder::Take(), {"Draw"}), clock);
  // All on layer 28, in the default colour.
  for (int e = 65; e < DrawEntriesUsed(); ++e) EXPECT_EQ(g_DrawEntries[e].colour, 0xFFFFFFFFu);
  EXPECT_EQ(g_DrawEntries[65].prev, 56);

  ResetDrawList();
  AddDrawClock(0, 0, 36000000);
  AddDrawClock(0, 0, -1);
  FlushDrawList();
  const Calls most = {
      "Draw 88 0 " + G(521) + " t1", "Draw 77 0 " + G(517) + " t1", "Draw 71 0 " + G(522) + " t1",
      "Draw 60 0 " + G(521) + " t1", "Draw 49 0 " + G(517) + " t1", "Draw 43 0 " + G(522) + " t1",
      "Draw 32 0 " + G(521) + " t1", "Draw 21 0 " + G(521) + " t1", "Draw 10 0 " + G(521) + " t1",
      "Draw -1 0 " + G(521) + " t1",
  };
  EXPECT_EQ(recorder::Only(recorder::Take(), {"Draw"}), most);

  ResetDrawList();
  AddDrawClockHundredths(0, 0, 12 * 6000 + 3 * 100 + 45);   // 12:03:45
  AddDrawClockHundredths(0, 0, -5);
  FlushDrawList();
  const Calls hundredths = {
      "Draw 88 0 " + G(517) + " t1", "Draw 77 0 " + G(516) + " t1", "Draw 71 0 " + G(522) + " t1",
      "Draw 60 0 " + G(515) + " t1", "Draw 43 0 " + G(522) + " t1", "Draw 49 0 " + G(512) + " t1",
      "Draw 32 0 " + G(514) + " t1", "Draw 21 0 " + G(513) + " t1",
  };
  EXPECT_EQ(recorder::Only(recorder::Take(), {"Draw"}), hundredths);
  ResetDrawList();
  AddDrawClockHundredths(0, 0, 60000000);
  FlushDrawList();
  Calls most99 = most;
  most99[1] = "Draw 77 0 " + G(521) + " t1";   // 9999:59:99
  EXPECT_EQ(recorder::Only(recorder::Take(), {"Draw"}), most99);
}

TEST_F(DrawList, FrameRateGlyphTextAndScreenOperations) {
  ClearSettingsRawStore();
  SetSettingsSlot(kSlotFrameRate, 0);
  DrawFrameRate(5990);   // 59 counts as reaching 60: yellow, shown one higher
  const Calls yellow = {"Blend 0 255", "Bright 255 255 255", "Bright 255 255 127",
                        "Draw 607 466 " + G(512) + " t1", "Draw 596 466 " + G(518) + " t1",
                        "Draw 616 465 " + G(1) + " t1", "Bright 255 255 255"};
  EXPECT_EQ(recorder::Take(), yellow);
  DrawFrameRate(6150);
  const Calls red = {"Blend 0 255", "Bright 255 255 255", "Bright 255 63 63",
                     "Draw 607 466 " + G(513) + " t1", "Draw 596 466 " + G(518) + " t1",
                     "Draw 616 465 " + G(1) + " t1", "Bright 255 255 255"};
  EXPECT_EQ(recorder::Take(), red);
  SetSettingsSlot(kSlotFrameRate, 1);   // 30 a second: 31 is too fast
  DrawFrameRate(3100);
  EXPECT_EQ(recorder::Take()[2], "Bright 255 63 63");
  SetSettingsSlot(kSlotFrameRate, 99);  // read as 3: 15 a second
  DrawFrameRate(1500);
  EXPECT_EQ(recorder::Take()[3], "Draw 607 466 " + G(518) + " t1");
  DrawFrameRate(0);   // nothing drawn at all counts as in time, and is not raised
  EXPECT_EQ(recorder::Take()[3], "Draw 607 466 " + G(512) + " t1");

  DrawGlyphText(10, 0, "AI 9_\x81");
  const Calls glyphs = {"Draw 10 0 " + G(529) + " t1", "Draw 21 0 " + G(537) + " t1",
                        "Draw 32 0 " + G(521) + " t1", "Draw 43 0 " + G(559) + " t1",
                        "Draw 54 0 " + G(593) + " t1"};
  EXPECT_EQ(recorder::Take(), glyphs);
  DrawGlyphText(0, 0, nullptr);
  DrawSprite(0, 0, 8192);
  DrawSpriteStretched(0, 0, 1, 1, 0xFFFFFF);
  EXPECT_TRUE(recorder::Take().empty());

  CaptureScreenToBuffer();
  CopyScreenToBuffer();
  DrawBlackOverlay(-300);
  DrawWhiteOverlay(0);
  DrawWhiteOverlay(7);
  DrawSpriteRotScaled(5, 6, 150, 5400, 50 | kSpriteMirrored);
  recorder::g_sizes[10000 + 51] = {12, 8};
  DrawSpriteAboutPoint(5, 6, 51);
  const Calls screen = {
      "Target -4", "Capture 0 0 640 480 into " + G(8191) + " whole1", "Target -2",
      "Capture 0 0 640 480 into " + G(8191) + " whole1",
      "Blend 1 255", "Box 0 0 640 480 c0000000 f1",
      "Blend 1 7", "Box 0 0 640 448 c0ffffff f1",
      "Rot 5 6 1.5 1.57079649 " + G(50) + " t1 m0",
      "About 5 6 17 14 0 0 1 0 " + G(51) + " t1",
  };
  EXPECT_EQ(recorder::Take(), screen);

  EXPECT_EQ(AddColorClamped(0x10F08040, 300, 20, -200), 0xFFFF0040u);
  EXPECT_EQ(AddColorClamped(0x10F08040, INT_MIN, INT_MAX, 0), 0x00FF8040u);
}

TEST_F(DrawList, ScreenshotTakesTheFirstFreeNameOfTheDay) {
  TempDir dir;
  dir.Enter();
  recorder::g_now = LocalDateTime{2026, 7, 9, 1, 2, 3};
  EXPECT_TRUE(SaveScreenshot());   // no folder needed to find a name: the engine writes the file
  mkdir("replay", 0755);
  dir.Write("replay/vlrss0709000.bmp", {1});
  dir.Write("replay/vlrss0709001.bmp", {1});
  EXPECT_TRUE(SaveScreenshot());
  const Calls names = {"Bmp 0 0 640 480 replay\\vlrss0709000.bmp",
                       "Bmp 0 0 640 480 replay\\vlrss0709002.bmp"};
  EXPECT_EQ(recorder::Only(recorder::Take(), {"Bmp"}), names);
  recorder::g_now = LocalDateTime{2026, 12, 31, 1, 2, 3};
  for (int k = 0; k < 1000; ++k) {
    char name[64];
    std::snprintf(name, sizeof name, "replay/vlrss%07d.bmp", 1231000 + k);
    dir.Write(name, {1});
  }
  EXPECT_FALSE(SaveScreenshot());
  EXPECT_TRUE(recorder::Only(recorder::Take(), {"Bmp"}).empty());
  g_Engine.SaveDrawScreenToBmpLocked = [](int, int, int, int, const char*) { return -1; };
  recorder::g_now = LocalDateTime{2026, 1, 1, 0, 0, 0};
  EXPECT_FALSE(SaveScreenshot());
  dir.Leave();
}

}  // namespace
