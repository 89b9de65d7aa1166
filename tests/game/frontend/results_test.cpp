// The area intro card and the end of play: the card's skip and time limit, its caption built up
// line by line and the portrait sliding in; the result figures, the ranking insertion and rig
// record, the save offer and the YES/NON prompt's timing, and when nothing is offered or ranked.
#include <algorithm>

#include "frontend_fixture.h"

namespace {

using namespace fe;

constexpr int kTable = 576 + 128 * 1 + 32 * 2;   // the second character on UNLIMITED

// Label actors of one draw slot and value, as (x, y) pairs.
std::vector<std::pair<int, int>> Labels(int slot, int32_t value) {
  std::vector<std::pair<int, int>> out;
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
    if (GetActorField(kFieldKind, a) == kKindEffect && GetActorField(kFieldSprite, a) == slot &&
        GetActorField(kFieldValue, a) == value) {
      out.push_back({X(a), Y(a)});
    }
  }
  return out;
}

class Results : public FrontEnd {
protected:
  // A finished play of area 0 by the second character (loadout 22) on UNLIMITED, three lives.
  static void FinishedPlay(int32_t scoreUnits, int32_t continues = 0) {
    SetSettingsSlot(kSlotStartLives, 2);
    SetSettingsSlot(kSlotCharacter, 1);
    SetSettingsSlot(kSlotPlayMode, 2 | kPlayFrames);
    BeginReplay(false);
    CreateGameSession();
    const std::pair<int, int32_t> vars[] = {
        {kVarCharacter, 1}, {kVarLoadout, 22}, {kVarDifficulty, 2}, {kVarPhaseLevel, 7},
        {kVarLevelSum, 100}, {kVarLevelFrames, 7}, {kVarKills, 55}, {kVarGemsTaken, 66},
        {kVarBestChain, 77}, {kVarOnslaughts, 2}, {kVarTimesHit, 3}, {kVarBombsLaunched, 4},
        {kVarArea, 0}, {kVarScore, scoreUnits}, {kVarContinues, continues}};
    for (const auto& v : vars) SetGameVar(v.first, v.second);
  }
  static void FillTable(std::initializer_list<int32_t> scores) {
    int row = 0;
    for (int32_t s : scores) {
      SetSettingsSlot(kTable + 2 * row, s);
      SetSettingsSlot(kTable + 2 * row + 1, row);
      ++row;
    }
  }
  static std::vector<int32_t> TableScores() {
    std::vector<int32_t> out;
    for (int r = 0; r < 16; ++r) out.push_back(GetSettingsSlot(kTable + 2 * r));
    return out;
  }
};

TEST_F(Results, FiguresRankingRigRecordAndTheSaveOffer) {
  FinishedPlay(12345);
  FillTable({900000, 123450, 123450, 100000, 90000, 80000, 70000, 60000, 50000, 40000, 30000, 20000,
             10000, 5000, 4000, 3000});
  SetSettingsSlot(960 + 64 * 2 + 22, 99999);
  const int window = ShowGameResult();
  ASSERT_GT(window, 0);
  EXPECT_EQ(GetActorField(kFieldKind, window), kMenuResult);
  EXPECT_EQ(X(window), 24);
  EXPECT_EQ(Y(window), 400);
  EXPECT_EQ(GetActorField(kFieldFlags, window) & 0x4000002, 0x4000002);
  EXPECT_EQ(GetCurrentMenuTask(), window);
  EXPECT_EQ(GetMenuDepth(), 0);
  EXPECT_EQ(GetActorField(kFieldMenuWidth, window), 120);   // the offer: YES/NON drawn
  EXPECT_EQ(GetActorField(76, window), 0);                  // replay number 0 is free
  EXPECT_EQ(GetSettingsSlot(kSlotPlayMode), 2);
  EXPECT_EQ(GetGameVar(kFieldKind), kKindEffect);             // a fresh idle session

  const int32_t values[12] = {7, 14, 55, 66, 77, 2, 3, 4, 1, 123450, 0, 11};
  for (int i = 0; i < 12; ++i) {
    const int y = 32 + 32 * i;
    EXPECT_EQ(Labels(4, 168 + i), (std::vector<std::pair<int, int>>{{360, y}})) << i;
    if (i == 10) continue;
    const std::vector<std::pair<int, int>> at = Labels(5, values[i]);
    EXPECT_NE(std::find(at.begin(), at.end(), std::make_pair(488, y)), at.end()) << i;
  }
  // The slowdown line: hundredths split into 7 digits, a point and 2 zero-padded digits.
  EXPECT_EQ(Labels(6, 0), (std::vector<std::pair<int, int>>{{565, 32 + 320}}));
  bool point = false, percent = false;
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
    point |= GetActorField(kFieldSprite, a) == 149 && X(a) == 565 && Y(a) == 32 + 320 + 7;
    percent |= GetActorField(kFieldSprite, a) == 526 && X(a) == 594 && Y(a) == 32 + 320 + 7;
  }
  EXPECT_TRUE(point && percent);
  EXPECT_EQ(Labels(4, 191), (std::vector<std::pair<int, int>>{{16, 449}}));
  // The new score goes below the equal ones; the sixteenth row drops out.
  EXPECT_EQ(TableScores(), (std::vector<int32_t>{900000, 123450, 123450, 123450, 100000, 90000, 80000,
                                                 70000, 60000, 50000, 40000, 30000, 20000, 10000, 5000,
                                                 4000}));
  EXPECT_EQ(GetSettingsSlot(kTable + 2 * 3 + 1), int32_t(0u << 28 | 1u << 24 | 22u << 16 | 0u));
  EXPECT_EQ(GetSettingsSlot(kTable + 2 * 4 + 1), 3);            // moved down with its row
  EXPECT_EQ(GetSettingsSlot(960 + 64 * 2 + 22), 123450);
  // The replay is closed with the play's figures, and the settings are saved.
  EXPECT_EQ(GetReplayWord(kRepFinalScore), 12345u);
  EXPECT_TRUE(dir.Exists("velmarondix.sav"));

  // A better score than every row takes the top; a lower rig record stays.
  ResetActors();
  FinishedPlay(100000);
  ShowGameResult();
  EXPECT_EQ(TableScores()[0], 1000000);
  EXPECT_EQ(TableScores()[1], 900000);
  EXPECT_EQ(TableScores()[15], 5000);
  EXPECT_EQ(GetSettingsSlot(960 + 64 * 2 + 22), 1000000);
}

TEST_F(Results, ContinuedMissionPlaybackAndOtherLivesRankOrOfferOnlyWhatTheyMay) {
  // A continued play ranks (its last digit counts the continues) but is offered no save.
  FinishedPlay(500, 2);
  int window = ShowGameResult();
  EXPECT_EQ(TableScores()[0], 5002);
  EXPECT_EQ(GetActorField(kFieldMenuWidth, window), 0);
  EXPECT_TRUE(Labels(4, 191).empty());

  // Lives other than three never rank.
  ResetActors();
  FillTable({0});
  FinishedPlay(700);
  SetSettingsSlot(kSlotStartLives, 3);
  ShowGameResult();
  EXPECT_EQ(TableScores()[0], 0);

  // A mission lists only the score and slowdown lines and never ranks.
  ResetActors();
  FinishedPlay(800);
  SetGameVar(kVarArea, kMissionArea);
  SetSettingsSlot(kSlotPlayMode, 2 | kPlayFrames | kPlayMission);
  ShowGameResult();
  EXPECT_EQ(TableScores()[0], 0);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(Labels(4, 168 + i).size(), i == 9 || i == 10 ? 1u : 0u) << i;

  // A playback neither ranks nor offers; the slowdown line splits into 7 + 2 digits.
  ResetActors();
  FinishedPlay(900);
  SetSettingsSlot(kSlotPlayMode, 2 | kPlayFrames | kPlayReplay);
  window = ShowGameResult();
  EXPECT_EQ(TableScores()[0], 0);
  EXPECT_EQ(GetActorField(kFieldMenuWidth, window), 0);

  // The offered number is the lowest free one.
  mkdir("replay", 0755);
  dir.Write("replay/vlxrep0000.rpy", {1});
  dir.Write("replay/vlxrep0001.rpy", {1});
  dir.Write("replay/vlxrep0003.rpy", {1});
  EXPECT_EQ(FindFreeReplayNumber(), 2);

  // 1,000 replays: REPLAY MODE lists all, to 999; a 1,001st save says REPLAY RECORD FAILED.
  for (int n = 0; n <= 999; ++n)
    dir.Write("replay/vlxrep" + std::to_string(10000 + n).substr(1) + ".rpy", ReplayFile(1, 0, 0, 1u << 24, 1000 + n));
  EXPECT_EQ(ScanReplayFiles(992, true), 8);
  EXPECT_EQ(GetReplayListValue(7, kListNumber), 999);
  ResetActors();
  FinishedPlay(6);
  ShowGameResult();
  Steps(61);
  Step(kShot);
  EXPECT_EQ(Labels(3, 289).size(), 1u);
  EXPECT_FALSE(dir.Exists("replay/vlxrep1000.rpy"));
}

TEST_F(Results, ThePromptAnswersFromFrame60YesSavesAndLeaves59FramesLaterNonAtOnce) {
  FinishedPlay(4321);
  const int window = ShowGameResult();
  recorder::Take();
  Steps(59);
  Step(kShot);                              // age 59: too early
  EXPECT_FALSE(dir.Exists("replay/vlxrep0000.rpy"));
  // The portrait of the played character, mirrored at -40.
  const std::vector<Entry> portrait = Sprites(213);
  ASSERT_EQ(portrait.size(), 1u);
  EXPECT_EQ(portrait[0].e.type, kDrawSpriteMirrored);
  EXPECT_EQ(portrait[0].e.x, -40);
  Step();
  Step(kShot);                              // age 61: YES with the offer
  EXPECT_TRUE(dir.Exists("replay/vlxrep0000.rpy"));
  EXPECT_EQ(Labels(3, 288), (std::vector<std::pair<int, int>>{{24, 384}}));
  EXPECT_EQ(Effects(), std::vector<int>{33});
  int leftAt = -1;
  for (int i = 0; i < 70 && leftAt < 0; ++i) {
    Step();
    if (GetMenuTaskField(kFieldExitCode) == kMenuExitTitle) leftAt = i;
  }
  EXPECT_EQ(leftAt, 58);                    // 59 frames after the answer
  EXPECT_EQ(Effects(), std::vector<int>{1});
  EXPECT_EQ(GetCurrentMenuTask(), window);
  // The saved file is the recorded play, closed with its score.
  ASSERT_EQ(LoadReplay(0), 1);
  EXPECT_EQ(GetReplayWord(kRepFinalScore), 4321u);

  // NON: the decide sound and the way out one frame later; nothing saved.
  ResetActors();
  FinishedPlay(1);
  ShowGameResult();
  Steps(60);
  Press(kDown);
  recorder::Take();
  Step(kShot);
  EXPECT_EQ(Effects(), std::vector<int>{1});
  EXPECT_EQ(GetMenuTaskField(kFieldExitCode), 0);
  Step();
  EXPECT_EQ(GetMenuTaskField(kFieldExitCode), kMenuExitTitle);
  EXPECT_FALSE(dir.Exists("replay/vlxrep0001.rpy"));

  // A failed save says so and leaves all the same.
  ResetActors();
  FinishedPlay(2);
  const int w2 = ShowGameResult();
  SetActorField(76, w2, 1);
  rmdir("replay/vlxrep0001.rpy");
  mkdir("replay/vlxrep0001.rpy", 0755);     // a folder where the file would go
  Steps(60);
  recorder::Take();
  Step(kShot);
  EXPECT_EQ(Labels(3, 289).size(), 1u);
  EXPECT_EQ(Effects(), std::vector<int>{47});

  // The attract demo and a mission replay leave in their first frame.
  for (int32_t mode : {2 | kPlayFrames | kPlayReplay | kPlayDemo, 2 | kPlayFrames | kPlayReplay | kPlayMission}) {
    ResetActors();
    FinishedPlay(3);
    SetSettingsSlot(kSlotPlayMode, mode);
    ShowGameResult();
    Step();
    EXPECT_EQ(GetMenuTaskField(kFieldExitCode), kMenuExitTitle) << mode;
  }
}

class Card : public FrontEnd {
protected:
  static int StartCard(int area, int32_t mode = 2) {
    SetSettingsSlot(kSlotPlayMode, mode);
    SetSettingsSlot(kSlotDifficulty, 1);
    SetSettingsSlot(kSlotCharacter, 0);
    SetSettingsSlot(kSlotStartArea, area);
    recorder::Take();
    if (RunGameState() < 1) return -1;
    return GetCurrentMenuTask();
  }
};

TEST_F(Card, SkipsFromFrame60EndsAt960AndBuildsItsCaptionLineByLine) {
  const int card = StartCard(2);
  ASSERT_EQ(GetActorField(kFieldKind, card), kMenuAreaIntro);
  EXPECT_EQ(X(card), 16);
  EXPECT_EQ(Y(card), 16);
  EXPECT_EQ(recorder::Only(recorder::Take(), {"Play 553"}).size(), 1u);   // track 3
  bool black = false, picture = false, band = false;
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
    const int32_t kind = GetActorField(kFieldKind, a);
    black |= kind == kKindRect && GetActorField(kFieldColour, a) == int32_t(0x000000FFu) &&
             GetActorField(kFieldScale, a) == 640;
    picture |= kind == kKindEffect && GetActorField(kFieldSprite, a) == 7936 + 2 && X(a) == 320 && Y(a) == 144;
    band |= kind == kKindEffect && GetActorField(kFieldSprite, a) == 193 &&
            GetActorField(kFieldColour, a) == int32_t(0xC0C0FF80u);
  }
  EXPECT_TRUE(black && picture && band);
  SetActorField(39, card, 2);   // three caption lines

  struct Line {
    int count;
    uint32_t alpha[3];
  };
  auto lines = [] {
    Line l{0, {0, 0, 0}};
    for (const Entry& e : Entries()) {
      if (e.e.type == kDrawText && e.e.angle == 2 && e.e.x == 40) {
        const int i = (e.e.y - 280) / 16;
        if (i >= 0 && i < 3) l.alpha[i] = e.e.colour & 0xFF;
        ++l.count;
      }
    }
    return l;
  };
  Step();                                   // age 0
  EXPECT_EQ(lines().count, 0);
  Step();                                   // age 1
  EXPECT_EQ(lines().alpha[0], 4u);
  EXPECT_EQ(lines().count, 1);
  std::vector<Entry> portrait = Sprites(200);
  ASSERT_EQ(portrait.size(), 1u);
  EXPECT_EQ(portrait[0].e.x, 256 + 2);
  EXPECT_EQ(portrait[0].e.colour, 0x10101010u);
  Steps(95);                                // age 96
  EXPECT_EQ(lines().alpha[0], 255u);
  EXPECT_EQ(lines().count, 1);
  Step();                                   // age 97
  EXPECT_EQ(lines().alpha[1], 4u);
  portrait = Sprites(200);
  EXPECT_EQ(portrait[0].e.x, 256 + 80);
  EXPECT_EQ(portrait[0].e.colour, 0xFFFFFFFFu);
  Steps(96);                                // age 193
  EXPECT_EQ(lines().count, 3);
  EXPECT_EQ(lines().alpha[2], 4u);

  // Skipped from age 60 on: the area starts and the card goes.
  ResetActors();
  const int card2 = StartCard(0);
  Steps(59);
  Step(kShot);                              // age 59
  EXPECT_EQ(GetActorField(kFieldKind, card2), kMenuAreaIntro);
  EXPECT_EQ(GetPlayerActor(), 0);
  Step();
  Step(kMenu);                              // age 61
  EXPECT_EQ(GetActorField(kFieldKind, card2), 0);
  EXPECT_GT(GetPlayerActor(), 0);
  EXPECT_NE(GetSettingsSlot(kSlotPlayMode) & kPlayFrames, 0);

  // Unskipped it ends after frame 959.
  ResetActors();
  const int card3 = StartCard(1);
  Steps(960);
  EXPECT_EQ(GetActorField(kFieldKind, card3), kMenuAreaIntro);
  Step();
  EXPECT_EQ(GetActorField(kFieldKind, card3), 0);
  EXPECT_GT(GetPlayerActor(), 0);

  // In playback the card shows nothing and ends in its first update.
  ResetActors();
  const int card4 = StartCard(0, 2 | kPlayReplay);
  EXPECT_EQ(CountActorsOfKind(kKindRect), 0);
  Step();
  EXPECT_EQ(GetActorField(kFieldKind, card4), 0);
  EXPECT_GT(GetPlayerActor(), 0);
}

}  // namespace
