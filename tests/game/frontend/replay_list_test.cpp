// The replay list over a replay folder of made-up headers: pages of 16, the wrap to the first page,
// scans stopped by Escape or a closed window, refused files, the rows and detail box, the action
// menu stepping over areas the replay lacks, playback starts, deletion with its confirmation and
// the rescan, and the list reopened with its cursor after a whole replay.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "frontend_fixture.h"

namespace {

using namespace fe;

constexpr uint32_t kOneArea0 = 1u << 24;   // one recorded area: area 0

std::string Name(int n) {
  char name[64];
  std::snprintf(name, sizeof name, "replay/vlxrep%04d.rpy", n);
  return name;
}

std::vector<int> ListedNumbers(int count) {
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.push_back(GetReplayListValue(i, kListNumber));
  return out;
}

std::vector<Entry> Numbers(int x, int y) {
  std::vector<Entry> out;
  for (const Entry& e : Entries())
    if (e.e.type == kDrawNumber && e.e.x == x && e.e.y == y) out.push_back(e);
  return out;
}

// A slowdown rate as it reads in row y from x on: digits, point and percent sign in the order they stand.
std::string RateShown(int y, int fromX) {
  std::vector<std::pair<int, char>> cells;
  for (const Entry& e : Entries()) {
    if (e.e.y != y || e.e.x < fromX) continue;
    const uint32_t sprite = e.e.sprite & 0xFFFFFF;
    if (e.e.type >= kDrawSprite && e.e.type <= kDrawRotMirrored && (sprite == 149 || sprite == 526))
      cells.push_back({e.e.x, sprite == 149 ? '.' : '%'});
    for (int k = 0, v = e.e.value; e.e.type == kDrawNumber && k < e.e.x2 && (k == 0 || v > 0 || e.e.y2); ++k, v /= 10)
      cells.push_back({e.e.x + (e.e.x2 - 1 - k) * e.e.scale, char('0' + v % 10)});
  }
  std::sort(cells.begin(), cells.end());
  std::string out;
  for (const auto& cell : cells) out += cell.second;
  return out;
}

// The escape key goes down at a given pump of the message processing.
inline int g_escapeAtPump = -1;

class ReplayList : public FrontEnd {
protected:
  void SetUp() override {
    FrontEnd::SetUp();
    mkdir("replay", 0755);
    g_escapeAtPump = -1;
    g_Engine.ProcessMessageLocked = [] {
      const int pump = frames::g_pumps++;
      if (pump == g_escapeAtPump) frames::g_escape = 1;
      return pump == frames::g_closeAtPump ? -1 : 0;
    };
  }
  void Save(int n, const std::vector<unsigned char>& bytes) { dir.Write(Name(n), bytes); }
  void SaveGood(int n, uint32_t score = 1230) { Save(n, ReplayFile(1, 0, 0, kOneArea0, score)); }

  // The title menu, GAME RESULT (cursor 1) and REPLAY MODE over them, after its first frame.
  static int OpenReplayMode() {
    const int title = OpenRootAndTitleMenu();
    SetActorField(kFieldCursor, title, 4);
    Press(kShot);
    SetActorField(kFieldCursor, GetCurrentMenuTask(), 1);
    Press(kShot);
    const int list = GetCurrentMenuTask();
    EXPECT_EQ(GetActorField(kFieldKind, list), kMenuReplayMode);
    Steps(4);
    Effects();
    return list;
  }
  static int Listed(int list) { return GetActorField(kFieldItemCount, list); }
  static int State(int list) { return GetActorField(31, list); }
  static int Action(int list) { return GetActorField(25, list); }
};

TEST_F(ReplayList, PagesOfSixteenRefusedFilesAndTheWrapToTheFirstPage) {
  // 20 good files at every third number from 5, and refused ones between them.
  for (int i = 0; i < 20; ++i) SaveGood(5 + 3 * i, 1000 + i);
  std::vector<unsigned char> bad = ReplayFile(1, 0, 0, kOneArea0);
  bad[0] ^= 0xFF;
  Save(6, bad);                                              // not a replay
  Save(7, ReplayFile(1, 5, 0, kOneArea0));                   // no such character
  Save(9, ReplayFile(9, 0, 0, kOneArea0));                   // no such difficulty
  Save(10, ReplayFile(1, 0, 0, 0));                          // no area recorded
  Save(12, ReplayFile(1, 0, 0, (1u << 24) | 9u));            // an area play does not have
  Save(13, {});                                              // empty
  Save(15, std::vector<unsigned char>(kReplayBytes + 4, 0)); // larger than the buffer
  Save(999, ReplayFile(2, 1, 33, kOneArea0));                // the last number
  SaveGood(16);
  truncate(Name(16).c_str(), 4 * kReplayHeaderWords);        // cut after its header
  // A temporary file that a kill during a save left goes; nothing else does.
  for (std::string f : {"0004.rpy.tmp", "004.rpy.tmp", "1000.rpy.tmp"}) dir.Write("replay/vlxrep" + f, {1});

  testing::internal::CaptureStderr();
  EXPECT_EQ(ScanReplayFiles(0, true), 16);
  const std::string said = testing::internal::GetCapturedStderr();   // a line for each refused file
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 9) << said;
  EXPECT_FALSE(dir.Exists("replay/vlxrep0004.rpy.tmp"));
  EXPECT_TRUE(dir.Exists("replay/vlxrep004.rpy.tmp") && dir.Exists("replay/vlxrep1000.rpy.tmp"));
  std::vector<int> first;
  for (int i = 0; i < 16; ++i) first.push_back(5 + 3 * i);
  EXPECT_EQ(ListedNumbers(16), first);
  EXPECT_EQ(GetReplayListValue(0, kListLastScore), 1000);
  EXPECT_EQ(GetReplayListValue(15, kListLastScore), 1015);
  EXPECT_EQ(GetReplayListValue(0, kListDate), 260709);
  EXPECT_EQ(GetReplayListValue(0, kListCharacter), 65);

  // The rest from the number after the last listed one; then the first page again.
  EXPECT_EQ(ScanReplayFiles(5 + 3 * 15 + 1, true), 5);
  EXPECT_EQ(ListedNumbers(5), (std::vector<int>{53, 56, 59, 62, 999}));
  EXPECT_EQ(GetReplayListValue(4, kListCharacter), 192 + 33);
  EXPECT_EQ(GetReplayListValue(5, kListNumber), 0);           // cleared before the scan
  EXPECT_EQ(ScanReplayFiles(1000, true), 16);
  EXPECT_EQ(ListedNumbers(16), first);
  EXPECT_EQ(ScanReplayFiles(1000, false), 0);

  // The same through the window: RIGHT pages on and wraps.
  const int list = OpenReplayMode();
  EXPECT_EQ(Listed(list), 16);
  SetActorField(kFieldCursor, list, 15);
  Press(kRight);
  EXPECT_EQ(Listed(list), 5);
  EXPECT_EQ(Cursor(list), 4);                               // kept inside the shorter list
  EXPECT_EQ(GetReplayListValue(0, kListNumber), 53);
  Press(kRight);
  EXPECT_EQ(Listed(list), 16);
  EXPECT_EQ(GetReplayListValue(0, kListNumber), 5);
  Press(kShot | kRight);   // in one frame: the action menu opens and the page turns
  EXPECT_EQ(State(list), 1);
  EXPECT_EQ(GetReplayListValue(0, kListNumber), 53);
}

TEST_F(ReplayList, ScansStopOnEscapeOrAClosedWindowButNotOnAnEscapeAlreadyDown) {
  for (int i = 0; i < 40; ++i) SaveGood(i);
  // Escape down from the start (MENU opened the window): the scan runs to its page.
  frames::g_escape = 1;
  EXPECT_EQ(ScanReplayFiles(0, true), 16);
  // Let go during the scan and pressed again: stopped, and nothing is left listed.
  frames::g_escape = 0;
  EXPECT_EQ(ScanReplayFiles(0, true), 16);
  g_escapeAtPump = frames::g_pumps + 5;
  EXPECT_EQ(ScanReplayFiles(0, true), -1);
  EXPECT_EQ(GetReplayListValue(0, kListNumber), 0);
  EXPECT_FALSE(IsReplayListEntryPlayable(0));
  frames::g_escape = 0;
  // A closed window stops a scan too.
  frames::g_closeAtPump = frames::g_pumps + 3;
  EXPECT_EQ(ScanReplayFiles(0, true), -1);

  // In the window: a stopped page scan leaves an empty list with no exit code; RIGHT then
  // starts again from the first number.
  const int list = OpenReplayMode();
  ASSERT_EQ(Listed(list), 16);
  g_escapeAtPump = frames::g_pumps + 2;
  Step(kRight);
  EXPECT_EQ(Listed(list), 0);
  EXPECT_EQ(GetMenuTaskField(kFieldExitCode), 0);
  EXPECT_EQ(Texts(190).size(), 1u);                          // "NO REPLAY FILE"
  Press(kShot);
  EXPECT_EQ(State(list), 0);                                 // confirm does nothing
  frames::g_escape = 0;
  Press(kRight);
  EXPECT_EQ(Listed(list), 16);
  EXPECT_EQ(GetReplayListValue(0, kListNumber), 0);

  // The first scan stopped: the program ends (exit 256).
  Press(kCancel);
  const int result = GetCurrentMenuTask();
  ASSERT_EQ(GetActorField(kFieldKind, result), kMenuGameResult);
  frames::g_closeAtPump = frames::g_pumps + 1;
  Press(kShot);
  EXPECT_EQ(GetMenuTaskField(kFieldExitCode), kMenuExitQuit);
}

TEST_F(ReplayList, RowsDetailBoxAndTheActionMenuSteppingOverMissingAreas) {
  // Number 3: first character, two areas recorded (0 and 1), the second without a score.
  Save(3, ReplayFile(1, 0, 0, (2u << 24) | (1u << 4), 4560));
  // Number 120: the second character (loadout 7), UNLIMITED, three areas, version 89, slowdown 1234.
  std::vector<unsigned char> b = ReplayFile(2, 1, 7, (3u << 24) | (2u << 8) | (1u << 4), 111);
  auto put = [&b](int word, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[4 * word + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  put(kRepVersion, 89);
  put(kRepAreaScore0 + 1, 222);
  put(kRepAreaScore0 + 2, 333);
  put(kRepEndVar50, 1234);
  Save(120, b);

  const int list = OpenReplayMode();
  ASSERT_EQ(Listed(list), 2);
  const int x = X(list), y = Y(list);
  // Rows: number (2 or 3 digits, zero-padded), date, difficulty label, score, character label.
  ASSERT_EQ(Numbers(x, y).size(), 1u);
  EXPECT_EQ(Numbers(x, y)[0].e.value, 3);
  EXPECT_EQ(Numbers(x, y)[0].e.x2, 2);
  EXPECT_EQ(Numbers(x, y)[0].e.colour, 0xFFFF7FFFu);
  EXPECT_EQ(Numbers(x, y + 16)[0].e.x2, 3);
  EXPECT_EQ(Numbers(x, y + 16)[0].e.colour, 0x3F3F3FFFu);
  EXPECT_EQ(Numbers(x + 24, y)[0].e.value, 260709);
  EXPECT_EQ(Numbers(x + 116, y)[0].e.value, 4560);
  EXPECT_EQ(Numbers(x + 116, y + 16)[0].e.value, 333);       // the last area with a score
  EXPECT_EQ(Texts(401).size(), 1u);                         // "RE"
  EXPECT_EQ(Texts(402).size(), 1u);                         // "UL"
  EXPECT_EQ(Texts(15).size(), 1u);                          // "NEXT PAGE"
  EXPECT_TRUE(HasRect(x - 8, y - 8, x + 336, y + 40, true, 0x005F5F7Fu));
  // The detail box of the first: its area line, no version mark.
  EXPECT_TRUE(HasRect(40, 368, 440, 464, true, 0x005F5F7Fu));
  EXPECT_EQ(Numbers(132, 376)[0].e.value, 4560);
  EXPECT_TRUE(Numbers(132, 392).empty());
  EXPECT_EQ(Texts(117).size(), 1u);
  EXPECT_TRUE(Sprites(527).empty());
  // The second: three area lines, its character label, the version mark.
  Press(kDown);
  EXPECT_EQ(Numbers(132, 408)[0].e.value, 333);
  EXPECT_EQ(Texts(192 + 7).size(), 2u);                      // row and detail box
  EXPECT_EQ(Sprites(527).size(), 1u);
  EXPECT_EQ(Numbers(320, 408)[0].e.value, 89);
  Press(kUp);

  // The action menu of the first: REPLAY ALL, DELETE and its one scored area only.
  Press(kShot);
  EXPECT_EQ(State(list), 1);
  EXPECT_EQ(Texts(410).size(), 1u);
  std::vector<int> seen;
  for (int i = 0; i < 4; ++i) {
    Press(kDown);
    seen.push_back(Action(list));
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1}));
  Press(kUp);
  Press(kUp);
  EXPECT_EQ(Action(list), 2);                                // up from 0 wraps past the empty areas
  bool arrow = false;
  for (const Entry& e : Sprites(559)) arrow |= e.e.x == 48 && e.e.y == 320 + 32 + 24;
  EXPECT_TRUE(arrow);                                        // on the area's line of the detail box
  Press(kCancel);
  EXPECT_EQ(State(list), 0);
}

TEST_F(ReplayList, SlowdownRatesReadAlikeInTheDetailBoxAndOnTheScoreBoard) {
  const std::pair<int32_t, const char*> rates[] = {{48, "0.48%"}, {116, "1.16%"}, {581, "5.81%"}, {1000, "10.00%"}};
  for (int i = 0; i < 4; ++i) {
    std::vector<unsigned char> b = ReplayFile(1, 0, 0, kOneArea0);
    std::memcpy(&b[4 * kRepEndVar50], &rates[i].first, 4);
    Save(i, b);
    SetSettingsSlot(RankingTableSlot(0, 0) + 2 * i, 1000);
    SetSettingsSlot(RankingTableSlot(0, 0) + 2 * i + 1, rates[i].first);
  }
  const int list = OpenReplayMode();
  for (int i = 0; i < 4; ++i) {
    SetActorField(kFieldCursor, list, i);
    Step();
    EXPECT_EQ(RateShown(424, 300), rates[i].second) << "REPLAY MODE";
  }
  Press(kCancel);
  SetActorField(kFieldCursor, GetCurrentMenuTask(), 0);
  Press(kShot);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(RateShown(168 + 16 * i, 500), rates[i].second) << "SCORE BOARD";
}

TEST_F(ReplayList, PlaybackStartsWholeOrOneAreaAndTheReopenedListKeepsItsCursor) {
  for (int n : {1, 4, 8}) SaveGood(n, 500 + n);
  Save(9, ReplayFile(3, 1, 12, (2u << 24) | (3u << 4) | 2u, 700));
  // Number 9 holds areas 2 and 3, both scored.
  std::vector<unsigned char> b = dir.Read(Name(9));
  b[4 * (kRepAreaScore0 + 1)] = 80;
  Save(9, b);

  int list = OpenReplayMode();
  ASSERT_EQ(Listed(list), 4);
  SetActorField(kFieldCursor, list, 3);
  Press(kShot);
  Press(kDown);
  Press(kDown);
  Press(kDown);
  EXPECT_EQ(Action(list), 3);
  Press(kShot);                                             // area 3 alone
  EXPECT_EQ(GetMenuTaskField(kFieldExitCode), kMenuExitPlay);
  EXPECT_EQ(GetSettingsSlot(kSlotPlayMode), 2 | kPlayPractice | kPlayReplay);
  EXPECT_EQ(GetSettingsSlot(kSlotStartArea), 3);
  EXPECT_EQ(GetSettingsSlot(kSlotDifficulty), 3);
  EXPECT_EQ(GetSettingsSlot(kSlotCharacter), 1);
  EXPECT_EQ(GetSettingsSlot(kSlotReplayLoadout), 12);
  EXPECT_EQ(GetMenuStack().savedDepth, -1);                  // no path: back to the bare title
  EXPECT_EQ(GetReplayWord(kRepDifficulty), 3u);             // the replay is in the buffer

  // REPLAY ALL of the third: the path is saved, and the title state reopens it.
  ResetActors();
  ResetMenuStack();
  list = OpenReplayMode();
  SetActorField(kFieldCursor, list, 2);
  Step();
  Press(kShot);
  Press(kShot);
  EXPECT_EQ(GetSettingsSlot(kSlotPlayMode), 2 | kPlayReplay);
  EXPECT_EQ(GetSettingsSlot(kSlotStartArea), 0);
  EXPECT_EQ(GetMenuStack().savedDepth, 3);
  EXPECT_EQ(GetMenuStack().saved[3].cursor, 2);

  ResetActors();
  ASSERT_GT(RunTitleState(), 0);
  const int reopened = GetCurrentMenuTask();
  ASSERT_EQ(GetActorField(kFieldKind, reopened), kMenuReplayMode);
  Step();
  EXPECT_EQ(Listed(reopened), 4);
  EXPECT_EQ(Cursor(reopened), 2);
  EXPECT_EQ(GetMenuLevelCursorAt(3), 2);
  EXPECT_EQ(GetMenuStack().savedDepth, -1);

  // A file cut short since the scan is not played: the list is scanned again.
  truncate(Name(8).c_str(), 4 * kReplayHeaderWords);
  Press(kShot);
  Press(kShot);
  EXPECT_EQ(GetMenuTaskField(kFieldExitCode), 0);
  EXPECT_EQ(GetMenuStack().savedDepth, -1);
  Step();
  EXPECT_EQ(Listed(reopened), 3);
  EXPECT_EQ(State(reopened), 0);
}

TEST_F(ReplayList, DeleteAsksFirstRescansWithTheCursorKeptDownToNoReplayFile) {
  for (int n : {2, 5, 7}) SaveGood(n);
  const int list = OpenReplayMode();
  SetActorField(kFieldCursor, list, 1);
  Press(kShot);
  Press(kDown);                                             // DELETE
  Press(kShot);
  EXPECT_EQ(State(list), 2);
  EXPECT_EQ(GetActorField(28, list), 1);                    // on NON
  EXPECT_EQ(Texts(5).size(), 1u);                           // "ARE YOU SURE ?"
  EXPECT_TRUE(HasRect(192, 312, 272, 360, true, 0x005F5F7Fu));
  Steps(4);
  Effects();
  Press(kShot);                                             // NON: back to the action menu
  EXPECT_EQ(State(list), 1);
  EXPECT_EQ(Effects(), (std::vector<int>{2}));
  Press(kShot);
  Press(kUp);
  EXPECT_EQ(GetActorField(28, list), 0);
  Steps(4);
  Effects();
  Step(kMenu);                                              // YES, by MENU as well as SHOT
  EXPECT_EQ(Effects(), (std::vector<int>{8}));
  EXPECT_FALSE(dir.Exists(Name(5)));
  EXPECT_TRUE(Numbers(X(list), Y(list)).empty());           // nothing more drawn that frame
  EXPECT_TRUE(Texts(190).empty());
  Step();
  EXPECT_EQ(Listed(list), 2);
  EXPECT_EQ(ListedNumbers(2), (std::vector<int>{2, 7}));
  EXPECT_EQ(Cursor(list), 1);
  EXPECT_EQ(State(list), 0);

  // Down to nothing: the last one goes, the list says so and confirm does nothing.
  for (int i = 0; i < 2; ++i) {
    Press(kShot);
    Press(kDown);
    Press(kShot);
    Press(kUp);
    Press(kShot);
  }
  EXPECT_FALSE(dir.Exists(Name(2)));
  EXPECT_FALSE(dir.Exists(Name(7)));
  EXPECT_EQ(Listed(list), 0);
  EXPECT_EQ(Texts(190).size(), 1u);
  EXPECT_TRUE(HasRect(X(list) - 8, Y(list) - 8, X(list) + 336, Y(list) + 24, true, 0x005F5F7Fu));
  Press(kShot);
  EXPECT_EQ(State(list), 0);
  Press(kCancel);
  EXPECT_EQ(GetActorField(kFieldKind, GetCurrentMenuTask()), kMenuGameResult);
}

}  // namespace
