#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "game/framework/archive_key.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/text.h"
#include "game/temp_dir.h"
#include "platform/text.h"

namespace {

std::string Utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

bool InRanges(int id, std::initializer_list<std::pair<int, int>> ranges) {
  for (auto [a, b] : ranges)
    if (id >= a && id <= b) return true;
  return false;
}

TEST(TextTable, EveryEntryIsCp932ThatConvertsBackWithoutLoss) {
  for (int id = 0; id < kTextTableSize; ++id) {
    ASSERT_NE(TextTable[id], nullptr) << id;
    const std::string cp932 = TextTable[id];
    const std::string utf8 = plat::Cp932ToUtf8(cp932);
    EXPECT_EQ(utf8.find("\xEF\xBF\xBD"), std::string::npos) << id;   // no replacement character
    EXPECT_EQ(plat::Utf8ToCp932(utf8), cp932) << id;
  }
  // The ideographic spaces of the ranking header are the double-byte 81 40.
  const std::string header = TextTable[407];
  ASSERT_GE(header.size(), 6u);
  EXPECT_EQ(header.substr(4, 2), "\x81\x40");
  EXPECT_EQ(plat::Cp932ToUtf8(header),
            Utf8(u8"得点　　　　　　 ゲームレベル　 到達面　 キャラクタ　　　　　　　　遅延率"));
  EXPECT_EQ(plat::Cp932ToUtf8(TextTable[99]), Utf8(u8"[ PHASE LEVEL 無制限(1～11) ]の上級モードです"));
  EXPECT_EQ(plat::Cp932ToUtf8(TextTable[93]),
            Utf8(u8"ぼたん設定:デモニックシフト(マナ＋ボム同時押し)"));
}

TEST(TextTable, IdsHoldTheirTextsAndTheSpriteFontOnlyItsGlyphs) {
  // Spelling exactly as shown on screen, at points spread over the table.
  EXPECT_STREQ(TextTable[0], "VELMARONDIX");
  EXPECT_STREQ(TextTable[17], "DEFALUT LIFE");
  EXPECT_STREQ(TextTable[148], "DATH WHISPER");
  EXPECT_STREQ(TextTable[183], "ENEMYS BOMB BREAK");
  EXPECT_STREQ(TextTable[409], "DERAY");
  EXPECT_EQ(plat::Cp932ToUtf8(TextTable[432]), Utf8(u8"動作確認版"));
  EXPECT_STREQ(GetTableText(136), "MAGINFY");
  EXPECT_STREQ(GetTableText(-1), "");
  EXPECT_STREQ(GetTableText(kTextTableSize), "");

  const auto empty = {std::pair{1, 3},     {58, 58},   {67, 71},   {107, 111}, {124, 127},
                      {185, 189},          {256, 265}, {268, 278}, {287, 287}, {290, 294},
                      {297, 297},          {299, 299}, {302, 303}, {306, 383}, {388, 398},
                      {404, 406},          {418, 418}, {433, 439}};
  for (int id = 0; id < kTextTableSize; ++id)
    EXPECT_EQ(TextTable[id][0] == '\0', InRanges(id, empty)) << id;

  // Texts drawn in the sprite font use its glyphs only: codes 48-95 and the space.
  for (int id = 0; id < kTextTableSize; ++id) {
    if (!InRanges(id, {{65, 66}, {192, 287}, {295, 305}, {417, 417}})) continue;
    for (const char* c = TextTable[id]; *c; ++c)
      EXPECT_TRUE(*c == ' ' || (*c >= 48 && *c <= 95)) << id << " '" << *c << "'";
  }
  // The music titles begin with the note sign.
  for (int id = 384; id <= 387; ++id)
    EXPECT_EQ(plat::Cp932ToUtf8(TextTable[id]).rfind(Utf8(u8"♪"), 0), 0u) << id;
}

TEST(ArchiveKey, FollowsTheTitleWithAGrowingShiftAndStaysPrintable) {
  char key[kArchiveKeyLength + 1];
  std::memset(key, 'x', sizeof key);
  ArchiveKeyFromTitle(TextTable[0], key);
  EXPECT_EQ(key[kArchiveKeyLength], '\0');
  ASSERT_EQ(std::strlen(key), 11u);
  for (int i = 0; i < kArchiveKeyLength; ++i) {
    EXPECT_GE(key[i], 0x21) << i;
    EXPECT_LE(key[i], 0x7E) << i;
    if (i > 0) {
      EXPECT_EQ((key[i] - TextTable[0][i]) - (key[i - 1] - TextTable[0][i - 1]), 1) << i;
    }
  }

  // Longer titles are cut to 11 characters; shorter ones and none leave the rest empty.
  char longer[kArchiveKeyLength + 1];
  ArchiveKeyFromTitle("VELMARONDIX AND MORE", longer);
  EXPECT_STREQ(longer, key);
  char shorter[kArchiveKeyLength + 1];
  std::memset(shorter, 'x', sizeof shorter);
  ArchiveKeyFromTitle("VEL", shorter);
  EXPECT_EQ(std::string(shorter), std::string(key, 3));
  EXPECT_EQ(shorter[kArchiveKeyLength], '\0');
  ArchiveKeyFromTitle(nullptr, shorter);
  EXPECT_STREQ(shorter, "");

  static std::string handed;
  g_Engine.SetArchiveKeyStringLocked = [](const char* text) {
    handed = text;
    return 0;
  };
  SetArchiveKeyFromTitle(TextTable[0]);
  ResetEngineEntries();
  EXPECT_EQ(handed, key);
}

TEST(TextScramble, AnySliceUnscramblesByItselfAndTwiceRestores) {
  std::vector<uint8_t> plain(64);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = uint8_t(i * 7 + 1);
  std::vector<uint8_t> whole(64), slice(2), back(64);
  DescrambleDataBuffer(plain.data(), whole.data(), 0, 64);
  EXPECT_NE(whole, plain);
  DescrambleDataBuffer(plain.data(), slice.data(), 3, 2);
  EXPECT_EQ(slice[0], whole[3]);
  EXPECT_EQ(slice[1], whole[4]);
  DescrambleDataBuffer(whole.data(), back.data(), 0, 64);
  EXPECT_EQ(back, plain);
  // Known bytes: x := x * 1103515245 + 13245 from 0x6D1A has the low bytes CF E0 1D 16 1B 3C 49 D2.
  const uint8_t record[] = {'A', 'B', '@', 'n', 'C', 'D', '@', 'e'};
  DescrambleDataBuffer(record, back.data(), 0, 8);
  back.resize(8);
  EXPECT_EQ(back, (std::vector<uint8_t>{0x8E, 0xA2, 0x5D, 0x78, 0x58, 0x78, 0x09, 0xB7}));
  uint8_t untouched[2] = {9, 9};
  DescrambleDataBuffer(plain.data(), untouched, 0, 0);
  DescrambleDataBuffer(plain.data(), untouched, -1, 2);
  EXPECT_EQ(untouched[0], 9);
}

class TextFile : public ::testing::Test {
protected:
  void SetUp() override {
    dir.Enter();
    mkdir((dir.path + "/dat").c_str(), 0755);
    ClearTextLines();
  }
  void TearDown() override {
    ResetEngineEntries();
    dir.Leave();
  }
  // Writes the records scrambled, as the game's data carries them.
  void WriteFile(const std::string& plain) {
    std::vector<uint8_t> bytes(plain.begin(), plain.end());
    DescrambleDataBuffer(bytes.data(), bytes.data(), 0, int(bytes.size()));
    dir.Write("dat/vlx1.dat", bytes);
  }
  static std::string Decoded(int record) {
    uint8_t out[kTextRecordMax];
    std::memset(out, 0x55, sizeof out);
    DecodeTextRecord(record, out);
    return std::string(reinterpret_cast<char*>(out), strnlen(reinterpret_cast<char*>(out), sizeof out));
  }
  static std::string AllRecords(int n) {
    std::string s;
    for (int r = 0; r < n; ++r) s.append("R").append(std::to_string(r)).append("@e");
    return s;
  }
  TempDir dir;
};

TEST_F(TextFile, RecordsAreFoundLaidOutIntoLinesAndDrawn) {
  std::string file = "AB@nCD@wEF@e" "X@@yZ@e" "@A@e";
  file += AllRecords(96).substr(std::string("R0@eR1@eR2@e").size());
  WriteFile(file);
  LoadTextRecords();
  EXPECT_EQ(TextRecordCount(), 96);
  EXPECT_EQ(Decoded(0), "AB@nCD@wEF@e");
  EXPECT_EQ(Decoded(95), "R95@e");

  EXPECT_EQ(SplitTextPage(0, 0), 2);
  EXPECT_STREQ(GetTextLine(0), "AB");
  EXPECT_STREQ(GetTextLine(1), "CD");
  EXPECT_STREQ(GetTextLine(2), "");
  EXPECT_EQ(SplitTextPage(0, 1), 1);
  EXPECT_STREQ(GetTextLine(0), "CD");
  EXPECT_STREQ(GetTextLine(1), "");
  EXPECT_EQ(SplitTextPage(0, 2), 0);
  EXPECT_STREQ(GetTextLine(0), "EF");
  // An "@" before anything but a tag letter goes; the two bytes after it stay.
  EXPECT_EQ(SplitTextPage(1, 0), 0);
  EXPECT_STREQ(GetTextLine(0), "X@yZ");

  // A line takes a record up to its end tag, tags inside kept as they stand.
  SetTextLine(30, 0);
  EXPECT_STREQ(GetTextLine(30), "AB@nCD@wEF");
  SetTextLine(30, 2);
  EXPECT_STREQ(GetTextLine(30), "@A");

  struct Call {
    int x, y;
    std::string text;
    uint32_t colour, edge;
  };
  static std::vector<Call> calls;
  calls.clear();
  g_Engine.DrawTextDefaultFontLocked = [](int x, int y, const char* text, uint32_t colour,
                                          uint32_t edge) {
    calls.push_back({x, y, text, colour, edge});
    return 0;
  };
  SetScreenColours(0x000000, 0xFFFFFF);
  DrawTextLine(272, 465, 30);
  DrawTextLine(0, 0, 32);
  DrawTextLine(0, 0, -1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].x, 272);
  EXPECT_EQ(calls[0].y, 465);
  EXPECT_EQ(calls[0].text, "@A");
  EXPECT_EQ(calls[0].colour, 0xFFFFFFu);
  EXPECT_EQ(calls[0].edge, 0u);
  EXPECT_EQ(ScreenWhite(), 0xFFFFFFu);
  EXPECT_EQ(ScreenBlack(), 0u);
}

TEST_F(TextFile, AMissingOrShortFileLeavesEmptyRecordsAndBadIdsDoNothing) {
  LoadTextRecords();   // no file
  EXPECT_EQ(TextRecordCount(), 0);
  EXPECT_EQ(Decoded(0), "");
  EXPECT_EQ(SplitTextPage(0, 0), 0);
  SetTextLine(0, 95);
  EXPECT_STREQ(GetTextLine(0), "");

  // Three records and then text that never ends: the rest are empty.
  WriteFile("A@eB@eC@eno end here");
  LoadTextRecords();
  EXPECT_EQ(TextRecordCount(), 3);
  EXPECT_EQ(Decoded(2), "C@e");
  EXPECT_EQ(Decoded(3), "no end here");
  EXPECT_EQ(Decoded(4), "");
  EXPECT_EQ(Decoded(95), "");
  EXPECT_EQ(SplitTextPage(3, 0), 0);
  EXPECT_STREQ(GetTextLine(0), "no end here");

  SetTextLine(5, 1);
  SetTextLine(32, 0);
  SetTextLine(-1, 0);
  SetTextLine(6, 96);
  SetTextLine(7, -1);
  EXPECT_STREQ(GetTextLine(5), "B");
  EXPECT_STREQ(GetTextLine(6), "");
  EXPECT_STREQ(GetTextLine(7), "");
  EXPECT_STREQ(GetTextLine(32), "");
  EXPECT_STREQ(GetTextLine(-1), "");
  EXPECT_EQ(Decoded(96), "");
  EXPECT_EQ(Decoded(-1), "");
  EXPECT_EQ(SplitTextPage(96, 0), 0);
}

TEST_F(TextFile, OversizedFileRecordAndLinesAreCutAtTheirBuffers) {
  // Record 0: 40 lines of 300 bytes (past a line and past the record), then a page tag;
  // record 1: ends with an "@" at the very end of its 1600 bytes; the file runs past 32,000.
  std::string record0;
  for (int i = 0; i < 40; ++i) record0 += std::string(300, char('a' + i % 26)) + "@n";
  record0 += "@e";
  std::string record1 = std::string(1599, 'q') + "@";
  std::string file = record0 + record1 + "@e" + "S@e" + std::string(40000, 'z') + "@eT@e";
  WriteFile(file);
  LoadTextRecords();
  EXPECT_EQ(TextRecordCount(), 3);   // the fourth tag lies past the 32,000 bytes read

  EXPECT_EQ(Decoded(0).size(), size_t(kTextRecordMax));
  EXPECT_EQ(Decoded(0), record0.substr(0, kTextRecordMax));
  // 1600 bytes hold five lines of 300 and the start of a sixth.
  EXPECT_EQ(SplitTextPage(0, 0), 5);
  EXPECT_EQ(std::string(GetTextLine(0)), std::string(255, 'a'));
  EXPECT_EQ(std::string(GetTextLine(5)), std::string(90, 'f'));
  EXPECT_EQ(SplitTextPage(0, 3), 2);
  EXPECT_EQ(std::string(GetTextLine(0)), std::string(255, 'd'));

  // The "@" at the last byte reads nothing beyond the record.
  EXPECT_EQ(SplitTextPage(1, 0), 0);
  EXPECT_EQ(std::string(GetTextLine(0)), std::string(255, 'q'));
  SetTextLine(0, 1);
  EXPECT_EQ(std::string(GetTextLine(0)), std::string(255, 'q'));
  EXPECT_EQ(Decoded(2), "S@e");
  EXPECT_EQ(Decoded(3).size(), size_t(kTextRecordMax));
  EXPECT_EQ(Decoded(4), "");

  // More than 32 lines stop at the 32nd line tag.
  std::string many;
  for (int i = 0; i < 40; ++i) many.append("L").append(std::to_string(i)).append("@n");
  WriteFile(many + "@e");
  LoadTextRecords();
  EXPECT_EQ(SplitTextPage(0, 0), 32);
  EXPECT_STREQ(GetTextLine(31), "L31");
}

}  // namespace
