// The ways into play and the pause menu, through the frame loop: the slots each start writes and
// the state it returns, the pause window's rules, RESTART GAME after a CONTINUE start and after a
// second-character start, and that a pause or a menu leaves play as it was.
#include "frontend_fixture.h"

namespace {

using namespace fe;

class PlayStarts : public FrontEnd {
public:
  using FrontEnd::RunScene;
  static void Limit(int passes) { frames::g_stopAfter = frames::g_passes + passes; }
  struct Slots {
    int32_t continues, mode, difficulty, character, area, lastDifficulty, lastCharacter, lastArea;
    bool operator==(const Slots&) const = default;
  };
  static Slots Read() {
    return {GetSettingsSlot(32), GetSettingsSlot(33), GetSettingsSlot(34), GetSettingsSlot(35),
            GetSettingsSlot(36), GetSettingsSlot(38), GetSettingsSlot(39), GetSettingsSlot(40)};
  }
};

std::ostream& operator<<(std::ostream& os, const PlayStarts::Slots& s) {
  return os << "{" << s.continues << " " << s.mode << " " << s.difficulty << " " << s.character << " "
            << s.area << " | " << s.lastDifficulty << " " << s.lastCharacter << " " << s.lastArea << "}";
}

// In play from the card on: the card skipped at its age 60 (scene pass 60), MENU held for one pass
// at 100 opens the pause window (its age 0 at pass 101); then the keys given from pause age 40 on.
int PauseThen(std::initializer_list<int> pads) {
  g_keys.clear();
  PressAt(60, kShot);
  PressAt(100, kMenu);
  return PressFrom(101 + 40, pads);
}

TEST_F(PlayStarts, NewGameAndPracticeWriteTheSlotsSaveThemAndStartPlay) {
  SetSettingsSlot(kSlotLastDifficulty, 1);
  PressFrom(40, {kShot, kShot, kShot, kDown, kDown, kShot, kShot});
  EXPECT_EQ(RunScene(1), 2);
  EXPECT_EQ(Read(), (Slots{0, 2, 3, 0, 0, 3, 0, 0}));
  EXPECT_TRUE(dir.Exists("velmarondix.sav"));
  EXPECT_EQ(GetPlayStartRecord().kind, PlayStartKind::kNew);

  // PRACTICE with the second character: the area from level 5, the practice bit.
  g_keys.clear();
  SetSettingsSlot(kSlotLastArea, 0);
  SetSettingsSlot(kSlotLastDifficulty, 0);
  SetSettingsSlot(kSlotRigChoice, 0);
  PressFrom(40, {kShot, kDown, kDown, kShot, kDown, kShot, kShot, kDown, kShot, kShot, kShot});
  EXPECT_EQ(RunScene(1), 2 | kPlayPractice);
  EXPECT_EQ(Read(), (Slots{0, 2 | kPlayPractice, 1, 1, 0, 1, 1, 0}));
  EXPECT_TRUE(GetPlayStartRecord().practice);
}

TEST_F(PlayStarts, PauseOpensOnResumeTakesOnlyShotFromFrame31AndResumes) {
  SetSettingsSlot(kSlotPlayMode, 2);
  SetSettingsSlot(kSlotDifficulty, 1);
  g_keys.clear();
  PressAt(60, kShot);
  PressAt(100, kMenu);
  PressAt(101 + 10, kShot);     // ignored: pause age 10
  PressAt(101 + 38, kMenu);     // MENU never confirms here
  PressAt(101 + 45, kShot);     // RESUME GAME
  struct Seen {
    int32_t mode;
    bool paused;
    int pause, x, y, cursor, cooldown;
    bool hud, bar, text;
  };
  static std::vector<Seen> seen;
  seen.clear();
  g_check = [](int pass) {
    const int pause = Find(kMenuPause);
    // A running bomb's cooldown when the pause opens: the paused frames must keep it.
    if (pass == 100) SetGameVar(kVarBombCooldown, 100);
    const std::vector<Entry> texts = Texts(429);
    seen.push_back({GetSettingsSlot(kSlotPlayMode), IsActorsPaused(), pause, X(pause), Y(pause),
                    pause ? Cursor(pause) : -1,
                    GetGameVar(kVarBombCooldown), HasRect(0, 0, 640, 16, true, 0x0000007Fu),
                    HasRect(0, 96 + 96, 640, 96 + 112, true, 0x0F0F7FC0u),
                    texts.size() == 1 && texts[0].e.x == 32 && texts[0].e.y == 96 + 97 &&
                        Layer(texts[0].index) == 29});
  };
  Limit(101 + 60);
  recorder::Take();
  EXPECT_EQ(RunScene(2), -1);
  ASSERT_EQ(seen.size(), size_t(101 + 60));
  EXPECT_NE(seen[99].mode & kPlayFrames, 0);
  EXPECT_FALSE(seen[99].paused);
  // Opened by the frame loop after the actors of pass 100: on RESUME GAME, play held.
  EXPECT_TRUE(seen[100].paused);
  EXPECT_EQ(seen[100].mode & kPlayFrames, 0);
  ASSERT_GT(seen[101].pause, 0);
  EXPECT_EQ(seen[101].x, 32);
  EXPECT_EQ(seen[101].y, 96);
  EXPECT_EQ(seen[101].cursor, 1);
  for (int p = 101; p < 101 + 45; ++p) {
    EXPECT_TRUE(seen[p].paused) << p;
    EXPECT_EQ(seen[p].pause, seen[101].pause) << p;
    EXPECT_TRUE(seen[p].hud) << p;             // the status display stays drawn
    EXPECT_TRUE(seen[p].bar) << p;
    EXPECT_TRUE(seen[p].text) << p;
    EXPECT_EQ(seen[p].cooldown, 100) << p;    // drawing it lowers nothing while paused
  }
  // RESUME at pause age 45: the window goes, the frame loop lets play run in the next pass.
  EXPECT_EQ(seen[101 + 45].pause, 0);
  EXPECT_NE(seen[101 + 46].mode & kPlayFrames, 0);
  EXPECT_FALSE(seen[101 + 46].paused);
  EXPECT_LT(seen[101 + 50].cooldown, 100);
  EXPECT_EQ(CountKind(kMenuKeyAssign), 0);

  // KEY ASSIGN opens beside the pause window and hands it back; RETURN TITLE goes to the title.
  g_check = nullptr;
  frames::g_stopAfter = 0;
  PauseThen({kDown, kDown, kShot, kCancel, kUp, kUp, kUp, kShot});
  static int keyAssignX, keyAssignY;
  keyAssignX = keyAssignY = -1;
  g_check = [](int) {
    const int k = Find(kMenuKeyAssign);
    if (k > 0) {
      keyAssignX = X(k);
      keyAssignY = Y(k);
    }
  };
  EXPECT_EQ(RunScene(2), 1);
  EXPECT_EQ(keyAssignX, 32 + 180);
  EXPECT_EQ(keyAssignY, 96 + 48);
}

// RESTART GAME must start the play the way the running one started.
TEST_F(PlayStarts, RestartRepeatsAContinueStartAndASecondCharacterStart) {
  // CONTINUE of a second-character game on DEMONIC: the last area is always 0 in this edition.
  SetSettingsSlot(kSlotLastDifficulty, 3);
  SetSettingsSlot(kSlotLastCharacter, 1);
  SetSettingsSlot(kSlotLastArea, 0);
  SetSettingsSlot(kSlotContinues, 5);
  PressFrom(40, {kShot, kDown, kShot});
  EXPECT_EQ(RunScene(1), 2);
  const Slots continued{0, 2, 3, 1, 0, 3, 1, 0};
  EXPECT_EQ(Read(), continued);
  EXPECT_FALSE(dir.Exists("velmarondix.sav"));    // a CONTINUE start saves nothing

  PauseThen({kDown, kShot});
  EXPECT_EQ(RunScene(2), 2);
  EXPECT_EQ(Read(), continued);
  EXPECT_FALSE(dir.Exists("velmarondix.sav"));
  EXPECT_EQ(GetPlayStartRecord().kind, PlayStartKind::kContinue);
  // And once more from that restarted play.
  PauseThen({kDown, kShot});
  EXPECT_EQ(RunScene(2), 2);
  EXPECT_EQ(Read(), continued);

  // A new game of the second character: rig 0, UNLIMITED (the difficulty at level 4).
  g_keys.clear();
  SetSettingsSlot(kSlotRigChoice, 0);
  SetSettingsSlot(kSlotLastDifficulty, 0);
  SetSettingsSlot(kSlotLastCharacter, 0);
  PressFrom(40, {kShot, kShot, kDown, kShot, kShot, kDown, kDown, kShot, kShot});
  EXPECT_EQ(RunScene(1), 2);
  const Slots second{0, 2, 2, 1, 0, 2, 1, 0};
  EXPECT_EQ(Read(), second);
  PauseThen({kDown, kShot});
  EXPECT_EQ(RunScene(2), 2);
  EXPECT_EQ(Read(), second);
  EXPECT_EQ(GetPlayStartRecord().kind, PlayStartKind::kNew);
}

// The play's random sequence after a pause: the fingerprint is the generator's next number once
// the play has run on; `during` runs in the paused frame of pause age 20.
uint32_t PlayFingerprint(void (*during)()) {
  static void (*s_during)();
  s_during = during;
  frames::g_ms = 5000;
  SetSettingsSlot(kSlotPlayMode, 2);
  SetSettingsSlot(kSlotDifficulty, 0);
  SetSettingsSlot(kSlotStartArea, 0);
  PauseThen({});
  PressAt(101 + 40, kShot);   // RESUME
  g_check = [](int pass) {
    if (pass == 101 + 20 && s_during) s_during();
  };
  frames::g_stopAfter = frames::g_passes + 400;
  PlayStarts::RunScene(2);
  g_check = nullptr;
  return static_cast<uint32_t>(g_Engine.GetRandomUpToLocked(0x7FFFFFFF));
}

TEST_F(PlayStarts, ASettingsSaveInThePauseMenuLeavesThePlaysRandomSequence) {
  const uint32_t plain = PlayFingerprint(nullptr);
  const uint32_t saved = PlayFingerprint([] { ASSERT_EQ(SaveSettingsFile(), kSettingsFileSize); });
  EXPECT_EQ(saved, plain);
  EXPECT_TRUE(dir.Exists("velmarondix.sav"));
  // The fingerprint does see a disturbed generator.
  const uint32_t reseeded = PlayFingerprint([] { g_Engine.SeedRandomLocked(1); });
  EXPECT_NE(reseeded, plain);
}

TEST_F(PlayStarts, ThePreviewPlayerIgnoresAnEndWordAReplayScanLeftInTheBuffer) {
  // An empty replay: the end tag right where a loaded replay's frames begin.
  std::vector<unsigned char> file = ReplayFile(0, 0, 0, 0x01000000);
  mkdir("replay", 0755);
  dir.Write("replay/vlxrep0003.rpy", file);
  ASSERT_EQ(LoadReplay(3), 1);
  SetReplayWord(GetReplayPosition(), kReplayEndTag);
  ASSERT_EQ(GetFrameInput(), kReplayEndTag);
  const int title = OpenRootAndTitleMenu();
  const int session = GetSessionActor();
  Press(kShot);
  const int character = GetCurrentMenuTask();
  ASSERT_EQ(GetActorField(kFieldKind, character), kMenuCharacter);
  const int preview = GetChildActor(character, 0);
  ASSERT_GT(preview, 0);
  Steps(700);   // the preview's whole script, bomb included
  EXPECT_EQ(GetFrameInput(), kReplayEndTag);
  EXPECT_EQ(GetChildActor(character, 0), preview);
  EXPECT_EQ(CountKind(kMenuResult), 0);
  EXPECT_EQ(GetCurrentMenuTask(), character);
  EXPECT_EQ(GetSessionActor(), session);
  EXPECT_EQ(GetMenuDepth(), 2);
  EXPECT_FALSE(dir.Exists("velmarondix.sav"));
  (void)title;
}

TEST_F(PlayStarts, ReplayPlaybackPlaysOnlyWhatTheReplayHolds) {
  mkdir("replay", 0755);
  // Areas 0 and 3 recorded, the second character with loadout 21.
  dir.Write("replay/vlxrep0007.rpy", ReplayFile(3, 1, 21, 0x02000030));
  ASSERT_TRUE(LoadPlayableReplay(7));
  ASSERT_TRUE(FillReplayListEntry(2, 7));
  EXPECT_EQ(GetReplayListValue(2, kListNumber), 7);
  EXPECT_EQ(GetReplayListValue(2, kListVersion), 90);
  EXPECT_EQ(GetReplayListValue(2, kListDate), 260709);
  EXPECT_EQ(GetReplayListValue(2, kListCharacter), 192 + 21);
  EXPECT_EQ(GetReplayListValue(2, kListAreaId0 + 1), 3);
  EXPECT_EQ(GetReplayListValue(2, kListSlowdown), 17);
  EXPECT_EQ(GetReplayListValue(2, kListSize), 160);

  const int task = CreateMenuWindow(0, 0, 0, 0, 0, kMenuReplayMode);
  ASSERT_TRUE(StartReplayPlayback(2, -1));
  EXPECT_EQ(Read(), (Slots{0, 2 | kPlayReplay, 3, 1, 0, 0, 0, 0}));
  EXPECT_EQ(GetSettingsSlot(kSlotReplayLoadout), 21);
  EXPECT_EQ(GetActorField(kFieldExitCode, task), kMenuExitPlay);
  ASSERT_TRUE(StartReplayPlayback(2, 3));
  EXPECT_EQ(GetSettingsSlot(kSlotPlayMode), 2 | kPlayPractice | kPlayReplay);
  EXPECT_EQ(GetSettingsSlot(kSlotStartArea), 3);
  // Playback reads the difficulty from the loaded header as play starts.
  SetSettingsSlot(kSlotDifficulty, 0);
  StartReplayForPlay();
  EXPECT_EQ(GetSettingsSlot(kSlotDifficulty), 3);

  // An area the replay does not hold, an entry never filled, a refused header: nothing starts.
  SetActorField(kFieldExitCode, task, 0);
  SetSettingsSlot(kSlotPlayMode, 0);
  EXPECT_FALSE(StartReplayPlayback(2, 1));
  EXPECT_FALSE(StartReplayPlayback(5, -1));
  EXPECT_FALSE(StartReplayPlayback(-1, -1));
  EXPECT_FALSE(StartReplayPlayback(16, -1));
  const uint32_t bad[][4] = {{4, 0, 0, 0x01000000}, {0, 2, 0, 0x01000000}, {0, 1, 64, 0x01000000},
                             {0, 0, 0, 0x00000000}, {0, 0, 0, 0x06000000}, {0, 0, 0, 0x01000005},
                             {0, 0, 0, 0x02000070}, {0xFFFFFFFF, 0, 0, 0x01000000}};
  for (const auto& b : bad) {
    dir.Write("replay/vlxrep0008.rpy", ReplayFile(b[0], b[1], b[2], b[3]));
    EXPECT_FALSE(LoadPlayableReplay(8)) << std::hex << b[3];
    EXPECT_FALSE(FillReplayListEntry(3, 8));
    EXPECT_FALSE(StartReplayPlayback(3, -1));
  }
  EXPECT_EQ(GetActorField(kFieldExitCode, task), 0);
  EXPECT_EQ(GetSettingsSlot(kSlotPlayMode), 0);
  // A mission replay (area 6) and a first area above 0 play as practice playbacks.
  dir.Write("replay/vlxrep0009.rpy", ReplayFile(1, 0, 0, 0x01000006));
  ASSERT_TRUE(LoadPlayableReplay(9));
  ASSERT_TRUE(FillReplayListEntry(4, 9));
  ASSERT_TRUE(StartReplayPlayback(4, -1));
  EXPECT_EQ(GetSettingsSlot(kSlotPlayMode), 2 | kPlayPractice | kPlayReplay);
  EXPECT_EQ(GetSettingsSlot(kSlotCharacter), 0);
  // A file larger than the buffer is refused before it is read.
  std::vector<unsigned char> big = ReplayFile(0, 0, 0, 0x01000000);
  big.resize(kReplayBytes + 4);
  dir.Write("replay/vlxrep0010.rpy", big);
  EXPECT_FALSE(LoadPlayableReplay(10));
  EXPECT_FALSE(LoadPlayableReplay(11));   // missing
}

}  // namespace
