// GAME CONFIG and KEY ASSIGN on the menu stack: stepping and clamping the values, their texts,
// life icons and volume bars, leaving with the save and the restart when a start-up setting
// changed; binding, swapping, the SHOT and SLOW pair, OFF, the defaults, and leaving with or
// without the save.
#include "frontend_fixture.h"

namespace {

using namespace fe;

constexpr int32_t kOff = 0x40000000;

std::vector<Entry> Numbers(int x, int y) {
  std::vector<Entry> out;
  for (const Entry& e : Entries())
    if (e.e.type == kDrawNumber && e.e.x == x && e.e.y == y) out.push_back(e);
  return out;
}

std::vector<Entry> SpritesAt(int sprite, int y) {
  std::vector<Entry> out;
  for (const Entry& e : Sprites(sprite))
    if (e.e.y == y) out.push_back(e);
  return out;
}

class Config : public FrontEnd {
protected:
  // The title menu with GAME CONFIG opened from it: at (156, 96).
  static int OpenConfig() {
    const int title = OpenRootAndTitleMenu();
    SetActorField(kFieldCursor, title, 5);
    Press(kShot);
    const int config = GetCurrentMenuTask();
    EXPECT_EQ(GetActorField(kFieldKind, config), kMenuGameConfig);
    Effects();
    return config;
  }
  static void MoveTo(int task, int row) {
    SetActorField(kFieldCursor, task, row);
    Step();
  }
};

TEST_F(Config, ValuesStepAndStopAtTheirEndsWithTheirTextsIconsAndBars) {
  SetSettingsSlot(kSlotStartLives, 2);
  SetSettingsSlot(kSlotMusicVolume, 40);
  const int config = OpenConfig();
  ASSERT_EQ(X(config), 156);
  ASSERT_EQ(Y(config), 96);
  const int x = 156, y = 96;

  // Lives: three by default, the icons in the plain colours; yellow on the cursor row.
  Step();
  EXPECT_EQ(Numbers(x + 160, y + 16).size(), 1u);
  EXPECT_EQ(Numbers(x + 160, y + 16)[0].e.value, 3);
  std::vector<Entry> icons = SpritesAt(524, y + 16);
  ASSERT_EQ(icons.size(), 3u);
  for (int j = 0; j < 3; ++j) {
    EXPECT_EQ(icons[j].e.x, x + 160 + 12 * j + 12);
    EXPECT_EQ(icons[j].e.colour, 0x7FFF7FFFu);
  }
  MoveTo(config, 1);
  EXPECT_EQ(SpritesAt(524, y + 16)[0].e.colour, 0xFFFF7FFFu);
  Steps(4);
  Effects();
  // LEFT three times: 2, 1, 0, and the third press finds the end (no sound); red icons.
  for (int i = 0; i < 3; ++i) {
    Press(kLeft);
    Steps(4);   // effects repeat only 4 frames apart
  }
  EXPECT_EQ(GetSettingsSlot(kSlotStartLives), 0);
  EXPECT_EQ(Effects(), (std::vector<int>{0, 0}));
  icons = SpritesAt(524, y + 16);
  ASSERT_EQ(icons.size(), 1u);
  EXPECT_EQ(icons[0].e.colour, 0xFF7F7FFFu);
  for (int i = 0; i < 6; ++i) Press(kRight);
  EXPECT_EQ(GetSettingsSlot(kSlotStartLives), 4);
  EXPECT_EQ(SpritesAt(524, y + 16).size(), 5u);
  // Cancel does nothing on the value rows.
  Press(kCancel);
  EXPECT_FALSE(GetActorField(kFieldFlags, config) & kFlagDead);
  EXPECT_EQ(GetCurrentMenuTask(), config);

  // FRAME RATE: "60FPS" .. "15FPS" with arrows lit while a step is possible.
  MoveTo(config, 4);
  Press(kRight);
  EXPECT_EQ(GetSettingsSlot(kSlotFrameRate), 1);
  ASSERT_EQ(Texts(41).size(), 1u);
  EXPECT_EQ(Texts(41)[0].e.x, x + 160);
  EXPECT_EQ(Texts(41)[0].e.y, y + 64);
  EXPECT_EQ(SpritesAt(558, y + 64).at(0).e.colour, 0xFFFF7FFFu);
  Press(kRight);
  Press(kRight);
  Press(kRight);
  EXPECT_EQ(GetSettingsSlot(kSlotFrameRate), 3);
  EXPECT_EQ(SpritesAt(559, y + 64).at(0).e.colour, 0x3F3F3FFFu);
  EXPECT_EQ(SpritesAt(558, y + 64).at(0).e.colour, 0xFFFF7FFFu);
  EXPECT_EQ(SpritesAt(559, y + 64).at(0).e.x, x + 276);
  EXPECT_EQ(SpritesAt(558, y + 64).at(0).e.x, x + 144);

  // Volume: number, black box, bar as long as the value, outline.
  MoveTo(config, 7);
  Press(kRight);
  EXPECT_EQ(GetSettingsSlot(kSlotMusicVolume), 41);
  const int bx = x + 156, ry = y + 112;
  EXPECT_EQ(Numbers(bx + 100, ry).at(0).e.value, 41);
  EXPECT_TRUE(HasRect(bx + 1, ry + 1, bx + 103, ry + 13, true, 0x000000FFu));
  EXPECT_TRUE(HasRect(bx + 2, ry + 3, bx + 2 + 41, ry + 11, true, 0xFFFF7FFFu));
  EXPECT_TRUE(HasRect(bx, ry + 1, bx + 104, ry + 13, false, 0xFFFFFFFFu));
  // The effect volume bar is plain off the cursor row.
  const int32_t se = GetSettingsSlot(kSlotEffectVolume);
  EXPECT_TRUE(HasRect(bx + 2, ry + 19, bx + 2 + se, ry + 27, true, 0x7FFF7FFFu));

  // Values outside their ranges (an edited file) show what the game runs; a press steps from it.
  SetSettingsSlot(kSlotColourDepth, 9);
  SetSettingsSlot(kSlotIntermission, -4);
  SetSettingsSlot(kSlotStartLives, 1000);
  SetSettingsSlot(kSlotEffectVolume, 5000);
  SetSettingsSlot(kSlotFrameRate, 99999);
  SetSettingsSlot(kSlotFramePacing, -1);
  Step();
  for (int t : {47, 26, 43, 44}) EXPECT_EQ(Texts(t).size(), 1u) << t;   // 16BIT ON 15FPS VSYNC
  EXPECT_EQ(SpritesAt(524, y + 16).size(), 5u);
  EXPECT_TRUE(HasRect(bx + 2, ry + 19, bx + 102, ry + 27, true, 0x7FFF7FFFu));   // a full bar
  MoveTo(config, 3);
  Press(kLeft);
  EXPECT_EQ(GetSettingsSlot(kSlotColourDepth), 0);
  MoveTo(config, 6);
  Press(kLeft);
  EXPECT_EQ(GetSettingsSlot(kSlotIntermission), 0);
  MoveTo(config, 1);
  Press(kLeft);
  EXPECT_EQ(GetSettingsSlot(kSlotStartLives), 3);
  MoveTo(config, 8);
  Press(kRight);
  EXPECT_EQ(GetSettingsSlot(kSlotEffectVolume), 100);
  for (int32_t v : {INT32_MAX, INT32_MIN}) {   // the file's extremes step in without overflow
    SetSettingsSlot(kSlotEffectVolume, v);
    Press(v > 0 ? kRight : kLeft);
    EXPECT_EQ(GetSettingsSlot(kSlotEffectVolume), v > 0 ? 100 : 0);
  }
  // A window mode at double size, which the game runs for a word beyond it, reads "WINDOW X2".
  SetSettingsSlot(kSlotScreen, 100000);
  Step();
  EXPECT_EQ(Texts(30).size(), 1u);
}

TEST_F(Config, LeavingSavesAndRestartsOnlyWhenAStartUpSettingEndsChanged) {
  SetSettingsSlot(kSlotScreen, 1);
  SetSettingsSlot(kSlotFramePacing, 1);
  SetSettingsSlot(kSlotColourDepth, -3);
  const int config = OpenConfig();
  EXPECT_EQ(GetActorField(76, config), 1);
  EXPECT_EQ(GetActorField(77, config), 1);
  EXPECT_EQ(GetActorField(79, config), -3);
  // SCREEN MODE there and back, COLOUR MODE's word brought into range (still 32-bit), and the
  // other rows: no restart, also when left by confirm with cancel on the KEY ASSIGN row.
  MoveTo(config, 3);
  Press(kLeft);
  MoveTo(config, 2);
  Press(kLeft);
  EXPECT_EQ(GetSettingsSlot(kSlotScreen), 0);
  Press(kRight);
  MoveTo(config, 6);
  Press(kRight);
  MoveTo(config, 9);
  recorder::Take();
  Press(kShot | kCancel);
  EXPECT_EQ(Find(kMenuGameConfig) + Find(kMenuKeyAssign), 0);
  EXPECT_EQ(GetActorField(kFieldKind, GetCurrentMenuTask()), kMenuTitle);
  EXPECT_EQ(GetMenuTaskField(kFieldExitCode), 0);
  EXPECT_TRUE(dir.Exists("velmarondix.sav"));
  const std::vector<std::string> calls = recorder::Take();
  for (const std::string& c : calls) EXPECT_EQ(c.find("Wait"), std::string::npos) << c;

  // The saved file holds the change: read back into a cleared store.
  ClearSettingsRawStore();
  ASSERT_EQ(LoadSettingsFile(), kSettingsFileSize);
  EXPECT_EQ(GetSettingsSlot(kSlotIntermission), 1);
  EXPECT_EQ(GetSettingsSlot(kSlotScreen), 1);

  // FRAME CONTROL changed, left with cancel from the KEY ASSIGN row: music and effects stop, a
  // second passes, and exit code 1024 asks for the restart.
  const int again = [] {
    const int title = GetCurrentMenuTask();
    SetActorField(kFieldCursor, title, 5);
    Press(kShot);
    return GetCurrentMenuTask();
  }();
  MoveTo(again, 5);
  Press(kLeft);
  EXPECT_EQ(GetSettingsSlot(kSlotFramePacing), 0);
  MoveTo(again, 9);
  recorder::Take();
  const uint32_t before = frames::g_ms;
  Step(kCancel);
  EXPECT_EQ(GetMenuTaskField(kFieldExitCode), kMenuExitRestart);
  EXPECT_EQ(GetCurrentMenuTask(), again);
  EXPECT_EQ(frames::g_ms - before, 1000u);
  bool waited = false, stopped = false;
  for (const std::string& c : recorder::Take()) {
    waited |= c == "Wait 1000";
    stopped |= c.rfind("Stop", 0) == 0;
  }
  EXPECT_TRUE(waited);
  EXPECT_TRUE(stopped);
  ClearSettingsRawStore();
  ASSERT_EQ(LoadSettingsFile(), kSettingsFileSize);
  EXPECT_EQ(GetSettingsSlot(kSlotFramePacing), 0);
  // Confirm with cancel there: KEY ASSIGN opens (its sound) and closes again as GAME CONFIG leaves.
  Steps(4);
  Effects();
  Press(kShot | kCancel);
  EXPECT_EQ(Effects(), (std::vector<int>{2, 1}));
  EXPECT_EQ(GetCurrentMenuTask(), again);
}

TEST_F(Config, TheRestartEndsTheTitleStateWithItsStateWord) {
  // Through the frame loop: the title, its menu, GAME CONFIG, COLOUR MODE changed, EXIT.
  int pass = PressFrom(0, {kShot, kDown, kDown, kDown, kDown, kDown, kShot, kDown, kDown, kDown, kRight});
  pass = PressFrom(pass, {kUp, kUp, kUp});
  PressAt(pass, kShot);
  uint32_t exitAt = 0;
  g_check = [&](int p) {
    if (p == pass) exitAt = frames::g_ms;
  };
  const uint32_t start = frames::g_ms;
  EXPECT_EQ(RunScene(1), 0x40D);
  EXPECT_EQ(GetSettingsSlot(kSlotColourDepth), 1);
  EXPECT_GE(exitAt - start, 1000u);
  ClearSettingsRawStore();
  ASSERT_EQ(LoadSettingsFile(), kSettingsFileSize);
  EXPECT_EQ(GetSettingsSlot(kSlotColourDepth), 1);
}

TEST_F(Config, AFailedSaveKeepsTheOldFile) {
  ASSERT_EQ(SaveSettingsFile(), kSettingsFileSize);
  const std::vector<unsigned char> old = dir.Read("velmarondix.sav");
  ASSERT_EQ(old.size(), size_t(kSettingsFileSize));
  // The temporary file cannot be written: a folder stands in its place.
  ASSERT_EQ(mkdir("velmarondix.sav.tmp", 0755), 0);
  const int config = OpenConfig();
  MoveTo(config, 1);
  Press(kLeft);
  MoveTo(config, 0);
  Press(kLeft);
  EXPECT_EQ(GetActorField(kFieldKind, GetCurrentMenuTask()), kMenuTitle);   // left all the same
  EXPECT_EQ(dir.Read("velmarondix.sav"), old);
}

// ---------------------------------------------------------------------------------------------

class KeyAssign : public Config {
protected:
  // KEY ASSIGN from GAME CONFIG's last row: at (156 + 312, 96 + 160).
  static int OpenKeyAssign() {
    const int config = OpenConfig();
    MoveTo(config, 9);
    Steps(4);
    Effects();
    Press(kShot);
    const int keys = GetCurrentMenuTask();
    EXPECT_EQ(GetActorField(kFieldKind, keys), kMenuKeyAssign);
    EXPECT_EQ(Effects(), (std::vector<int>{1}));   // twice in one frame: heard once
    Steps(4);
    EXPECT_EQ(X(keys), 468);
    EXPECT_EQ(Y(keys), 256);
    return keys;
  }
  static std::vector<int32_t> Keys() {
    std::vector<int32_t> out;
    for (int s = 5; s <= 12; ++s) out.push_back(GetSettingsSlot(s));
    return out;
  }
  static void SetKeys(std::initializer_list<int32_t> keys) {
    int s = 5;
    for (int32_t k : keys) SetSettingsSlot(s++, k);
  }
  // Holds raw pad bits on a row for a frame, then lets go.
  static void Hold(int task, int row, int raw) {
    SetActorField(kFieldCursor, task, row);
    Step(raw);
    Step(0);
  }
};

TEST_F(KeyAssign, BindingSwapsWithTheHolderAndShotAndSlowMoveTogether) {
  const int keys = OpenKeyAssign();
  // Defaults: SHOT 16, M ACTION 32, BOMBER 64, SLOW 128, RAPID and DSHIFT off, MENU 4096, SNAP off.
  EXPECT_EQ(Keys(), (std::vector<int32_t>{16, 32, 64, 128, kOff, kOff, 4096, kOff}));
  Effects();
  // BOMBER takes button 1 (bit 5) from M ACTION, which gets BOMBER's old button.
  Hold(keys, 3, 0x20);
  EXPECT_EQ(Keys(), (std::vector<int32_t>{16, 64, 32, 128, kOff, kOff, 4096, kOff}));
  EXPECT_EQ(Effects(), (std::vector<int>{1}));
  // Holding the button already bound, or two buttons, changes nothing.
  Hold(keys, 3, 0x20);
  Hold(keys, 5, 0x40 | 0x80);
  EXPECT_EQ(Keys(), (std::vector<int32_t>{16, 64, 32, 128, kOff, kOff, 4096, kOff}));
  Steps(4);
  EXPECT_TRUE(Effects().empty());
  // RAPID takes SLOW's button; SLOW gets RAPID's "off".
  Hold(keys, 5, 0x80);
  EXPECT_EQ(Keys(), (std::vector<int32_t>{16, 64, 32, kOff, 0x80, kOff, 4096, kOff}));
  // SLOW takes SHOT's button: the two share it, SHOT keeps it.
  Hold(keys, 4, 0x10);
  EXPECT_EQ(Keys(), (std::vector<int32_t>{16, 64, 32, 16, 0x80, kOff, 4096, kOff}));
  // While they share it, binding SHOT to M ACTION's button moves SLOW with it, and M ACTION gets
  // the shared one.
  Hold(keys, 1, 0x40);
  EXPECT_EQ(Keys(), (std::vector<int32_t>{0x40, 16, 32, 0x40, 0x80, kOff, 4096, kOff}));
  // A button nobody holds parts the pair.
  Hold(keys, 4, 0x800);
  EXPECT_EQ(Keys(), (std::vector<int32_t>{0x40, 16, 32, 0x800, 0x80, kOff, 4096, kOff}));
  // SNAP is never searched: a button SNAP holds binds without a swap.
  SetSettingsSlot(12, 0x400);
  Hold(keys, 6, 0x400);
  EXPECT_EQ(Keys(), (std::vector<int32_t>{0x40, 16, 32, 0x800, 0x80, 0x400, 4096, 0x400}));
  // A joypad button beyond bit 15 binds nothing.
  Hold(keys, 6, 0x10000);
  EXPECT_EQ(GetSettingsSlot(10), 0x400);

  // The digits: bit n shows n - 3 with a leading zero; "OFF" for an unassigned row.
  SetKeys({16, 0x8000, 64, kOff, 0x30, 8, 4096, 0});
  Step();
  const int x = 468, y = 256;
  const int32_t shown[8] = {1, 12, 3, -1, -1, 0, 9, -1};
  for (int i = 0; i < 8; ++i) {
    const std::vector<Entry> n = Numbers(x + 88, y + 16 + 16 * i);
    if (shown[i] < 0) {
      EXPECT_TRUE(n.empty()) << i;
      continue;
    }
    ASSERT_EQ(n.size(), 1u) << i;
    EXPECT_EQ(n[0].e.value, shown[i]) << i;
    EXPECT_EQ(n[0].e.x2, 2);
    EXPECT_EQ(n[0].e.y2, 1);
  }
  ASSERT_EQ(Texts(31).size(), 1u);
  EXPECT_EQ(Texts(31)[0].e.x, x + 82);
  EXPECT_EQ(Texts(31)[0].e.y, y + 16 + 48);
  EXPECT_EQ(Texts(31)[0].e.colour, 0x7F7F7FFFu);
}

TEST_F(KeyAssign, RightUnbindsDefaultResetsLeftSavesCancelDoesNot) {
  const int keys = OpenKeyAssign();
  Effects();
  // RIGHT on a binding row: "OFF" with its own sound.
  Hold(keys, 3, 0x4);
  EXPECT_EQ(GetSettingsSlot(7), kOff);
  EXPECT_EQ(Effects(), (std::vector<int>{21}));
  // DEFAULT with SHOT.
  SetActorField(kFieldCursor, keys, 9);
  Press(kShot);
  EXPECT_EQ(GetSettingsSlot(7), 64);
  EXPECT_EQ(Effects(), (std::vector<int>{1}));
  // Cancel on EXIT closes without saving (the store keeps the change).
  Hold(keys, 3, 0x4);
  ASSERT_FALSE(dir.Exists("velmarondix.sav"));
  SetActorField(kFieldCursor, keys, 0);
  Press(kCancel);
  EXPECT_EQ(GetActorField(kFieldKind, GetCurrentMenuTask()), kMenuGameConfig);
  EXPECT_FALSE(dir.Exists("velmarondix.sav"));
  EXPECT_EQ(GetSettingsSlot(7), kOff);
  MoveTo(GetCurrentMenuTask(), 9);
  Press(kShot);
  Press(kShot | kCancel);   // SHOT in the same frame saves all the same
  EXPECT_TRUE(dir.Exists("velmarondix.sav"));

  // LEFT on a binding row leaves with the save.
  const int config = GetCurrentMenuTask();
  MoveTo(config, 9);
  Press(kShot);
  const int again = GetCurrentMenuTask();
  Hold(again, 5, 0x200);
  SetActorField(kFieldCursor, again, 5);
  Press(kLeft);
  EXPECT_EQ(GetCurrentMenuTask(), config);
  ClearSettingsRawStore();
  ASSERT_EQ(LoadSettingsFile(), kSettingsFileSize);
  EXPECT_EQ(GetSettingsSlot(9), 0x200);
  EXPECT_EQ(GetSettingsSlot(7), kOff);
}

TEST_F(KeyAssign, ShotLeftUnassignedGetsItsDefaultBack) {
  const int keys = OpenKeyAssign();
  // MENU off, then SHOT off: nothing could confirm.
  Hold(keys, 7, 0x4);
  Hold(keys, 1, 0x4);
  EXPECT_EQ(GetSettingsSlot(5), kOff);
  EXPECT_EQ(GetSettingsSlot(11), kOff);
  // M ACTION has taken SHOT's old button meanwhile.
  Hold(keys, 2, 0x10);
  EXPECT_EQ(GetSettingsSlot(6), 0x10);
  SetActorField(kFieldCursor, keys, 2);
  Press(kLeft);
  EXPECT_EQ(GetSettingsSlot(5), 0x10);
  EXPECT_EQ(GetSettingsSlot(6), kOff);      // as a swap with SHOT's "off"
  ClearSettingsRawStore();
  ASSERT_EQ(LoadSettingsFile(), kSettingsFileSize);
  EXPECT_EQ(GetSettingsSlot(5), 0x10);

  // Leaving without the save puts SHOT back as well; SLOW may keep sharing its button.
  ResetKeyAssign();
  const int config = GetCurrentMenuTask();
  MoveTo(config, 9);
  Press(kShot);
  const int again = GetCurrentMenuTask();
  Hold(again, 4, 0x10);                      // SLOW shares SHOT's button
  Hold(again, 7, 0x4);
  Hold(again, 1, 0x4);
  SetActorField(kFieldCursor, again, 0);
  // With SHOT unassigned, M ACTION still cancels.
  Press(kCancel);
  EXPECT_EQ(GetCurrentMenuTask(), config);
  EXPECT_EQ(GetSettingsSlot(5), 0x10);
  EXPECT_EQ(GetSettingsSlot(8), 0x10);

  // An assigned MENU does not keep SHOT off either.
  ResetKeyAssign();
  MoveTo(config, 9);
  Press(kShot);
  const int third = GetCurrentMenuTask();
  Hold(third, 1, 0x4);
  SetActorField(kFieldCursor, third, 1);
  Press(kLeft);
  EXPECT_EQ(GetSettingsSlot(5), 0x10);
  EXPECT_EQ(GetSettingsSlot(11), 4096);
}

}  // namespace
