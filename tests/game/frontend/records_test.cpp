// SCORE BOARD and PLAY ORDERS: the rankings of the chosen character and difficulty with their
// labels and slowdown digits, values from an edited file, the rig-record pages, the chooser's
// wrapping and the clocks; the achievement grid's moves, icons, names and story line.
#include "frontend_fixture.h"

namespace {

using namespace fe;

std::vector<Entry> Numbers(int x, int y) {
  std::vector<Entry> out;
  for (const Entry& e : Entries())
    if (e.e.type == kDrawNumber && e.e.x == x && e.e.y == y) out.push_back(e);
  return out;
}

std::vector<Entry> TextsAt(int id, int x, int y) {
  std::vector<Entry> out;
  for (const Entry& e : Texts(id))
    if (e.e.x == x && e.e.y == y) out.push_back(e);
  return out;
}

bool SpriteAt(int sprite, int x, int y) {
  for (const Entry& e : Sprites(sprite))
    if (e.e.x == x && e.e.y == y) return true;
  return false;
}

class Records : public FrontEnd {
protected:
  // GAME RESULT with one of its windows opened: SCORE BOARD (0) or PLAY ORDERS (2).
  static int Open(int item) {
    const int title = OpenRootAndTitleMenu();
    SetActorField(kFieldCursor, title, 4);
    Press(kShot);
    SetActorField(kFieldCursor, GetCurrentMenuTask(), item);
    Press(kShot);
    return GetCurrentMenuTask();
  }
};

TEST_F(Records, ScoreBoardRowsLabelsSlowdownDigitsAndThePages) {
  // The second character on UNLIMITED, as the last play left the menus (slot 39 from an edited
  // file is clamped).
  SetSettingsSlot(kSlotLastCharacter, 7);
  SetSettingsSlot(kSlotLastDifficulty, 2);
  const int table = 576 + 128 * 1 + 32 * 2;
  auto row = [table](int i, int32_t score, uint32_t info) {
    SetSettingsSlot(table + 2 * i, score);
    SetSettingsSlot(table + 2 * i + 1, static_cast<int32_t>(info));
  };
  row(0, 9876543, 5u << 28 | 1u << 24 | 22u << 16 | 17u);    // all areas, loadout 22, 0.17 %
  row(1, 5000, 1u << 28 | 1u << 24 | 3u << 16 | 1234u);      // AREA2, 12.34 %
  row(2, 0, 0);                                               // empty rows are not shown
  row(3, 700, 12u << 28 | 1u << 24 | 200u << 16 | 5u);       // an edited file: no labels
  SetSettingsSlot(kSlotPlayTime, 3723);
  SetSettingsSlot(kSlotRunTime, 59);

  const int board = Open(0);
  ASSERT_EQ(GetActorField(kFieldKind, board), kMenuScoreBoard);
  EXPECT_EQ(GetActorField(67, board), 1);
  EXPECT_EQ(GetActorField(68, board), 2);
  Step();
  const int x = X(board), y = Y(board);
  // The chooser: RANKING, the character's name, the difficulty; arrows on the cursor row.
  EXPECT_EQ(TextsAt(416, x + 1, y).at(0).e.colour, 0xFFFF7FFFu);
  EXPECT_EQ(TextsAt(66, x + 1, y + 16).at(0).e.colour, 0xCFFFFFFFu);
  EXPECT_EQ(TextsAt(62, x + 1, y + 32).size(), 1u);
  EXPECT_TRUE(SpriteAt(558, x - 5, y));
  EXPECT_TRUE(SpriteAt(559, x + 117, y));
  EXPECT_TRUE(HasRect(x - 8, y - 8, x + 134, y + 56, true, 0x005F5F7Fu));
  // The panel, its header and rows 0, 1 and 3 (row 2 scores nothing).
  EXPECT_TRUE(HasRect(192, 152, 632, 166, true, 0x0F0F7FC0u));
  EXPECT_EQ(Numbers(200, 168).at(0).e.value, 9876543);
  EXPECT_EQ(Numbers(200, 184).at(0).e.value, 5000);
  EXPECT_TRUE(Numbers(200, 200).empty());
  EXPECT_EQ(Numbers(200, 216).at(0).e.value, 700);
  EXPECT_EQ(TextsAt(62, 290, 168).size(), 1u);
  EXPECT_EQ(TextsAt(122, 379, 168).size(), 1u);               // "ALL"
  EXPECT_EQ(TextsAt(118, 379, 184).size(), 1u);               // "AREA2"
  EXPECT_EQ(TextsAt(192 + 22, 428, 168).size(), 1u);
  EXPECT_EQ(TextsAt(192 + 3, 428, 184).size(), 1u);
  for (const Entry& e : Entries()) {
    if (e.e.type == kDrawText && e.e.y == 216) {
      EXPECT_EQ(e.e.x, 290) << "row 3 text " << e.e.sprite - 1;
    }
  }
  // Slowdown digits: below 100 three zero-padded digits at 567, else four at 556.
  EXPECT_EQ(Numbers(567, 168).at(0).e.value, 17);
  EXPECT_EQ(Numbers(567, 168).at(0).e.x2, 3);
  EXPECT_EQ(Numbers(567, 168).at(0).e.y2, 1);
  EXPECT_EQ(Numbers(556, 184).at(0).e.value, 1234);
  EXPECT_EQ(Numbers(556, 184).at(0).e.x2, 4);
  EXPECT_TRUE(SpriteAt(149, 576, 184) && SpriteAt(526, 600, 184));
  // The clocks: 1:02:03 of play, 0:00:59 of running.
  EXPECT_EQ(Numbers(471, 428).at(0).e.value, 1);
  EXPECT_EQ(Numbers(471, 444).at(0).e.value, 0);

  // LEFT/RIGHT change the cursor row's value, wrapping: the character...
  Press(kDown);
  Press(kRight);
  EXPECT_EQ(GetActorField(67, board), 0);
  EXPECT_TRUE(Numbers(200, 168).empty());                     // nothing ranked for the first
  Press(kLeft);
  EXPECT_EQ(GetActorField(67, board), 1);
  // ...the difficulty...
  Press(kDown);
  Press(kRight);
  Press(kRight);
  EXPECT_EQ(GetActorField(68, board), 0);
  Press(kLeft);
  EXPECT_EQ(GetActorField(68, board), 3);
  // ...and the page: the rig records, whose row 1 turns its pages.
  SetSettingsSlot(960 + 64 * 0 + 21, 4444);
  SetSettingsSlot(960 + 64 * 3 + 21, 5555);
  SetSettingsSlot(960 + 64 * 1 + 56, 6666);
  Press(kDown);
  Press(kLeft);
  EXPECT_EQ(GetActorField(66, board), 1);
  EXPECT_TRUE(HasRect(96, 144, 632, 464, true, 0x005F5F7Fu));
  for (int d = 0; d < 4; ++d) EXPECT_EQ(TextsAt(60 + d, 240 + 96 * d, 152).size(), 1u) << d;
  EXPECT_TRUE(TextsAt(60 + 3, x + 1, y + 32).empty());         // no difficulty row on this page
  EXPECT_EQ(TextsAt(144, x + 1, y + 16).size(), 1u);
  Press(kDown);
  Press(kRight);
  EXPECT_EQ(GetActorField(69, board), 1);
  EXPECT_EQ(TextsAt(145, x + 1, y + 16).size(), 1u);
  EXPECT_EQ(Numbers(240, 168 + 16 * 5).at(0).e.value, 4444);
  EXPECT_EQ(Numbers(240 + 96 * 3, 168 + 16 * 5).at(0).e.value, 5555);
  EXPECT_TRUE(Numbers(240 + 96, 168 + 16 * 5).empty());
  EXPECT_EQ(TextsAt(192 + 21, 104, 168 + 16 * 5).size(), 1u);
  EXPECT_TRUE(TextsAt(192 + 20, 104, 168 + 16 * 4).empty());
  Press(kLeft);
  Press(kLeft);
  EXPECT_EQ(GetActorField(69, board), 3);
  EXPECT_EQ(Numbers(240 + 96, 168 + 16 * 8).at(0).e.value, 6666);
  // The run clock runs while the board is shown.
  const int32_t run = GetSettingsSlot(kSlotRunTime);
  frames::g_ms += 2500;
  Step();
  EXPECT_EQ(GetSettingsSlot(kSlotRunTime), run + 2);
  Press(kCancel);
  EXPECT_EQ(GetActorField(kFieldKind, GetCurrentMenuTask()), kMenuGameResult);
}

TEST_F(Records, PlayOrdersMoveInFourDirectionsAndShowWhatWasAchieved) {
  SetSettingsSlot(kSlotPlayOrders, static_cast<int32_t>(1u << 0 | 1u << 9 | 1u << 31));
  EXPECT_EQ(CountPlayOrderRows(), 7);
  const int orders = Open(2);
  ASSERT_EQ(GetActorField(kFieldKind, orders), kMenuPlayOrders);
  const int x = X(orders), y = Y(orders);
  Step();
  // Order 0 achieved and under the cursor: its name, the band and its text line; the icons.
  EXPECT_EQ(TextsAt(256, x, y + 156).size(), 1u);
  EXPECT_TRUE(HasRect(x - 8, y + 170, x + 320, y + 188, true, 0x2020C0C0u));
  bool line = false;
  for (const Entry& e : Entries()) line |= e.e.type == kDrawText && e.e.angle == 2 && e.e.x == x + 4 && e.e.y == y + 172;
  EXPECT_TRUE(line);
  EXPECT_EQ(Sprites(1192).size(), 1u);
  EXPECT_EQ(Sprites(1192 + 9).size(), 1u);
  EXPECT_EQ(Sprites(1192 + 31).size(), 1u);
  EXPECT_EQ(Sprites(1192 + 1).size(), 0u);
  EXPECT_TRUE(SpriteAt(0x86, x + 16, y + 16));               // the rotating cursor

  // LEFT from 0 wraps to 31; up from 31 goes to 23, down to 31 again, RIGHT to 0; down to 8.
  std::vector<int> path;
  for (int pad : {kLeft, kUp, kDown, kRight, kDown, kRight}) {
    Press(pad);
    path.push_back(Cursor(orders));
  }
  EXPECT_EQ(path, (std::vector<int>{31, 23, 31, 0, 8, 9}));
  EXPECT_TRUE(SpriteAt(0x86, x + 16 + 40, y + 16 + 40));
  EXPECT_EQ(TextsAt(256 + 9, x, y + 156).size(), 1u);
  // An order not achieved shows nothing in the band.
  Press(kRight);
  EXPECT_TRUE(TextsAt(256 + 10, x, y + 156).empty());
  line = false;
  for (const Entry& e : Entries()) line |= e.e.type == kDrawText && e.e.angle == 2;
  EXPECT_FALSE(line);
  Press(kCancel);
  EXPECT_EQ(GetActorField(kFieldKind, GetCurrentMenuTask()), kMenuGameResult);

  SetSettingsSlot(kSlotPlayOrders, -1);
  EXPECT_EQ(CountPlayOrderRows(), 29);
}

}  // namespace
