// The opening and title scenes through the frame loop: the opening's 120 frames, the title
// screen's fade, flash and sparkles, the attract demo after 1201 idle frames (and its restart
// whenever a menu was open, and the retry after a missing or refused demo), QUIT GAME, and the
// menus reopened after a whole replay.
#include "frontend_fixture.h"

namespace {

using namespace fe;

class Title : public FrontEnd {
protected:
  static void Limit(int passes) { frames::g_stopAfter = frames::g_passes + passes; }
};

TEST_F(Title, OpeningShowsItsPictureOnWhiteAndGoesToTheTitleAtFrame120) {
  struct Seen {
    bool white, picture;
  };
  static std::vector<Seen> seen;
  seen.clear();
  g_check = [](int) {
    const std::vector<Entry> pictures = Sprites(191);
    seen.push_back({HasRect(0, 0, 640, 480, true, 0xFFFFFFFFu),
                    pictures.size() == 1 && pictures[0].e.type == kDrawRot && pictures[0].e.x == 328 &&
                        pictures[0].e.y == 240 && Layer(pictures[0].index) == 26});
  };
  EXPECT_EQ(RunScene(0), 1);
  // The code is written at age 120 and seen in that pass; the next pass returns at once.
  ASSERT_EQ(seen.size(), 121u);
  for (const Seen& s : seen) {
    EXPECT_TRUE(s.white);
    EXPECT_TRUE(s.picture);
  }
  const std::vector<std::string> calls = recorder::Take();
  EXPECT_EQ(recorder::Only(calls, {"Play 550"}).size(), 1u);   // track 0
  // The set-up's capture for the crossfade in, and at frame 120 the capture for the crossfade out
  // with the one the frame loop makes after presenting that frame.
  EXPECT_EQ(recorder::Only(calls, {"Capture"}).size(), 3u);
  EXPECT_EQ(GetMenuStack().savedDepth, -1);
}

TEST_F(Title, TitleScreenFadesInAndStartsTheDemoAfter1201IdleFramesOrAfterAMenuCloses) {
  mkdir("dat", 0755);
  dir.Write("dat/vlxdemo0.rpy", ReplayFile(2, 1, 37, 0x01000000));
  struct Seen {
    uint32_t flash, title;
    int sparkles;
  };
  static std::vector<Seen> seen;
  seen.clear();
  g_check = [](int) {
    Seen s{0, 0, 0};
    for (const Entry& e : Rects(true))
      if (e.e.x == 0 && e.e.y == 0 && e.e.x2 == 640 && Layer(e.index) == 31) s.flash = e.e.colour | 0x100;
    const std::vector<Entry> t = Sprites(194);
    if (t.size() == 1 && t[0].e.angle == 5400) s.title = t[0].e.colour;
    s.sparkles = CountActorsOfKind(kKindEffect);
    seen.push_back(s);
  };
  EXPECT_EQ(RunScene(1), 2 | kPlayReplay | kPlayDemo);
  // 1201 idle frames, then the demo starts in the frame of age 1201; one more pass returns.
  ASSERT_EQ(seen.size(), 1202u);
  EXPECT_EQ(seen[0].flash, 0x100u | 0xFFFFFF00u);           // alpha (256 - 0) & 0xFF: 0, as written
  EXPECT_EQ(seen[1].flash, 0x100u | 0xFFFFFFFCu);
  EXPECT_EQ(seen[63].flash, 0x100u | 0xFFFFFF04u);
  EXPECT_EQ(seen[64].flash, 0u);
  EXPECT_EQ(seen[0].title, 0xFFFFFF00u | (4 * 1 + 15));
  EXPECT_EQ(seen[59].title, 0xFFFFFF00u | (4 * 60 + 15));
  EXPECT_EQ(seen[500].title, 0xFFFFFF00u | (4 * 60 + 15));
  EXPECT_GT(seen[100].sparkles, 10);
  // The demo is a whole playback of the second character's loadout 37 on UNLIMITED.
  EXPECT_EQ(GetSettingsSlot(kSlotDifficulty), 2);
  EXPECT_EQ(GetSettingsSlot(kSlotCharacter), 1);
  EXPECT_EQ(GetSettingsSlot(kSlotReplayLoadout), 37);
  EXPECT_EQ(GetSettingsSlot(kSlotStartArea), 0);
  EXPECT_EQ(GetReplayListValue(0, kListCharacter), 192 + 37);
  EXPECT_EQ(GetPlayStartRecord().kind, PlayStartKind::kReplay);

  // A menu open for a while: the countdown starts again when it closes.
  g_check = nullptr;
  g_keys.clear();
  PressAt(200, kShot);      // the title menu opens
  PressAt(900, kCancel);    // and closes
  static int demoPass;
  demoPass = -1;
  g_check = [](int pass) {
    if (demoPass < 0 && GetMenuTaskField(kFieldExitCode) == kMenuExitPlay) demoPass = pass;
  };
  EXPECT_EQ(RunScene(1), 2 | kPlayReplay | kPlayDemo);
  EXPECT_EQ(demoPass, 900 + 1201);   // idle again from pass 901
}

TEST_F(Title, AMissingOrRefusedDemoLeavesTheTitleRunningAndIsTriedAgain1200FramesLater) {
  static std::vector<int> ages;
  ages.clear();
  g_check = [](int) { ages.push_back(GetActorField(kFieldAge, GetCurrentMenuTask())); };
  Limit(2500);
  EXPECT_EQ(RunScene(1), -1);
  ASSERT_EQ(ages.size(), 2500u);
  EXPECT_EQ(ages[1200], 1201);
  EXPECT_EQ(ages[1201], 1);                 // tried at age 1201 and set back
  EXPECT_EQ(ages[2402], 1);                 // and again 1201 frames later
  EXPECT_EQ(GetSettingsSlot(kSlotPlayMode), 0);

  // A demo whose header names nothing playable is refused the same way.
  mkdir("dat", 0755);
  const uint32_t bad[][4] = {{4, 0, 0, 0x01000000}, {0, 2, 0, 0x01000000}, {0, 1, 64, 0x01000000},
                             {0, 0, 0, 0x00000000}, {0, 0, 0, 0x06000000}, {0, 0, 0, 0x01000005},
                             {0, 0, 0, 0x02000050}};
  for (const auto& b : bad) {
    dir.Write("dat/vlxdemo0.rpy", ReplayFile(b[0], b[1], b[2], b[3]));
    ages.clear();
    Limit(1300);
    EXPECT_EQ(RunScene(1), -1) << b[0] << " " << b[1] << " " << b[2] << " " << std::hex << b[3];
    EXPECT_EQ(ages[1201], 1);
    EXPECT_EQ(GetSettingsSlot(kSlotPlayMode), 0);
  }
  // Too short to hold the magic words.
  dir.Write("dat/vlxdemo0.rpy", {1, 2, 3});
  ages.clear();
  Limit(1300);
  EXPECT_EQ(RunScene(1), -1);
  EXPECT_EQ(ages[1201], 1);
}

TEST_F(Title, QuitGameClosesTheShuttersSavesAndEndsAtFrame90) {
  PressFrom(40, {kShot, kUp, kShot});      // title menu, wrap to QUIT GAME, confirm
  struct Seen {
    int age, top, bottom;
    bool arrow;
  };
  static std::vector<Seen> seen;
  seen.clear();
  g_check = [](int) {
    const int quit = Find(kMenuQuitGame);
    if (quit == 0 || GetActorField(kFieldAge, quit) < 1) return;   // not yet run
    Seen s{GetActorField(kFieldAge, quit) - 1, -1, -1, !Sprites(559).empty()};
    for (const Entry& e : Rects(true)) {
      if (Layer(e.index) != 31 || e.e.colour != 0x000000FFu) continue;
      if (e.e.y == 0) s.top = e.e.y2;
      else s.bottom = e.e.y;
    }
    seen.push_back(s);
  };
  recorder::Take();
  EXPECT_EQ(RunScene(1), 14);
  ASSERT_EQ(seen.size(), 91u);
  EXPECT_EQ(seen[0].age, 0);
  EXPECT_EQ(seen[0].top, 0);
  EXPECT_EQ(seen[30].top, 120);
  EXPECT_EQ(seen[30].bottom, 360);
  EXPECT_EQ(seen[60].top, 240);
  EXPECT_EQ(seen[90].top, 360);           // the shutters run on past the middle
  for (const Seen& s : seen) EXPECT_FALSE(s.arrow);   // QUIT GAME points at no window
  const int quit = Find(kMenuQuitGame);
  EXPECT_EQ(X(quit), 16 + 140);
  EXPECT_EQ(Y(quit), 16 + 16 * 6);
  const std::vector<int> effects = Effects();
  // Confirm, cursor, confirm; then the shutters' two sounds.
  EXPECT_EQ(effects, (std::vector<int>{1, 0, 1, 30, 19}));
  EXPECT_TRUE(dir.Exists("velmarondix.sav"));
}

// The path REPLAY MODE saves before a whole playback: title menu on GAME RESULT, GAME RESULT on
// REPLAY MODE.
void SaveReplayModePath() {
  ResetMenuStack();
  const int root = CreateMenuWindow(0, 0, 0, 0, 0, kMenuTitleScreen);
  const int title = CreateMenuWindow(16, 16, 0, 0, root, kMenuTitle);
  SetMenuLevelCursorAt(1, 4);
  const int result = CreateMenuWindow(16, 16, 140, 64, title, kMenuGameResult);
  SetMenuLevelCursorAt(2, 1);
  CreateMenuWindow(156, 80, 140, 16, result, kMenuReplayMode);
  SaveMenuPath();
}

TEST_F(Title, AWholeReplayReturnsToTheMenusItStartedFrom) {
  SaveReplayModePath();
  ASSERT_EQ(GetMenuStack().savedDepth, 3);
  SetSettingsSlot(kSlotPlayMode, 2 | kPlayReplay);
  PrepareStateRound();
  const int current = RunTitleState();
  EXPECT_EQ(current, GetCurrentMenuTask());
  const int title = Find(kMenuTitle);
  const int result = Find(kMenuGameResult);
  const int replays = Find(kMenuReplayMode);
  ASSERT_GT(title, 0);
  ASSERT_GT(result, 0);
  ASSERT_EQ(replays, current);
  EXPECT_EQ(Cursor(title), 4);
  EXPECT_EQ(Cursor(result), 1);
  EXPECT_EQ(X(result), 156);
  EXPECT_EQ(Y(result), 80);
  EXPECT_EQ(X(replays), 296);
  EXPECT_EQ(Y(replays), 96);
  EXPECT_EQ(GetMenuDepth(), 3);
  EXPECT_EQ(GetMenuLevelCursorAt(1), 4);
  EXPECT_EQ(GetMenuLevelCursorAt(2), 1);
  EXPECT_EQ(GetSettingsSlot(kSlotPlayMode), 0);
  EXPECT_EQ(GetMenuStack().savedDepth, -1);
  // Cancel walks back down the reopened chain.
  Press(kCancel);
  EXPECT_EQ(GetCurrentMenuTask(), result);
  Steps(4);
  Press(kCancel);
  EXPECT_EQ(GetCurrentMenuTask(), title);

  // Without a saved path the title comes up bare.
  PrepareStateRound();
  RunTitleState();
  EXPECT_EQ(GetActorField(kFieldKind, GetCurrentMenuTask()), kMenuTitleScreen);
  EXPECT_EQ(CountKind(kMenuTitle), 0);

  // A window of the path that cannot be created stops the reopening and asks for a restart.
  SaveReplayModePath();
  PrepareStateRound();
  ResetMenuStack();
  ASSERT_GT(CreateMenuWindow(0, 0, 0, 0, 0, kMenuTitleScreen), 0);
  const int first = SpawnEffect(0, 0, 40, 0);
  while (SpawnEffect(0, 0, 40, 0) > 0) {
  }
  FreeActor(first);   // room for the title menu only
  ReopenMenuPath();
  EXPECT_EQ(CountKind(kMenuTitle), 1);
  EXPECT_EQ(CountKind(kMenuGameResult), 0);
  EXPECT_EQ(GetActorField(kFieldKind, GetCurrentMenuTask()), kMenuTitle);
  EXPECT_EQ(GetMenuTaskField(kFieldExitCode), kMenuExitRestart);
  EXPECT_EQ(GetMenuStack().savedDepth, -1);
}

}  // namespace
