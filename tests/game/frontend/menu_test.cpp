// The menu stack and the list menus: the walks through the start menus of both characters with
// their placements (beside the parent, below it past x 560), the custom-rig route with its slot
// writes, NO MISSION, the cursor and cancel rules, the window drawing, and the failure paths.
#include "frontend_fixture.h"

namespace {

using namespace fe;

struct Placed {
  int32_t kind;
  int x, y;
};

Placed Current() {
  const int t = GetCurrentMenuTask();
  return {GetActorField(kFieldKind, t), X(t), Y(t)};
}

void ExpectAt(const Placed& p, int32_t kind, int x, int y) {
  EXPECT_EQ(p.kind, kind) << std::hex << p.kind;
  EXPECT_EQ(p.x, x) << std::hex << kind;
  EXPECT_EQ(p.y, y) << std::hex << kind;
}

class Menus : public FrontEnd {};

TEST_F(Menus, StackLevelsStayInsideSixteenAndTheSavedPathCopiesThem) {
  EXPECT_EQ(GetMenuDepth(), -1);
  for (int i = 0; i < 20; ++i) PushMenuLevel();
  EXPECT_EQ(GetMenuDepth(), 15);
  SetMenuLevelCursor(0, 9);
  EXPECT_EQ(GetMenuLevelCursorAt(15), 9);
  EXPECT_EQ(GetMenuLevelCursorAt(16), -1);
  EXPECT_EQ(GetMenuLevelCursorAt(-1), -1);
  SaveMenuPath();
  EXPECT_EQ(PopMenuLevel(), 14);
  EXPECT_EQ(GetMenuLevelCursorAt(15), -1);   // a pop clears the level it leaves
  RestoreMenuPath();
  EXPECT_EQ(GetMenuDepth(), 15);
  EXPECT_EQ(GetMenuLevelCursorAt(15), 9);
  ClearSavedMenuPath();
  EXPECT_EQ(GetMenuStack().savedDepth, -1);
  for (int i = 0; i < 20; ++i) PopMenuLevel();
  EXPECT_EQ(GetMenuDepth(), -1);
  SetMenuLevelCursor(0, 3);                  // no level at depth -1: nothing written
  for (const MenuStackLevel& l : GetMenuStack().levels) EXPECT_EQ(l.cursor, -1);

  // A scene root opens at depth -1: it writes no level and raises the depth to 0.
  ResetMenuStack();
  const int root = CreateMenuWindow(0, 0, 0, 0, 0, kMenuOpening);
  ASSERT_GT(root, 0);
  EXPECT_EQ(GetMenuDepth(), 0);
  for (const MenuStackLevel& l : GetMenuStack().levels) EXPECT_EQ(l.code, -1);
  EXPECT_EQ(GetCurrentMenuTask(), root);
  EXPECT_EQ(GetActorField(kFieldFlags, root) & kFlagRunsWhenPaused, kFlagRunsWhenPaused);
}

TEST_F(Menus, FirstCharacterWalksOpenBesideTheParentAndTheLastWindowGoesBelowPastX560) {
  const int title = OpenRootAndTitleMenu();
  ASSERT_GT(title, 0);
  EXPECT_EQ(Cursor(title), 0);               // slot 40 is 0: GAME START
  SetSettingsSlot(kSlotLastDifficulty, 2);
  Press(kShot);                              // GAME START
  ExpectAt(Current(), kMenuCharacter, 156, 16);
  const int character = GetCurrentMenuTask();
  const int preview = GetChildActor(character, 0);
  ASSERT_GT(preview, 0);
  EXPECT_EQ(GetActorField(kFieldKind, preview), kKindPlayerA);
  EXPECT_EQ(X(preview), 156 + 72);
  EXPECT_EQ(Y(preview), 16 + 32 + 64);
  Press(kShot);
  ExpectAt(Current(), kMenuDifficulty, 296, 16);
  EXPECT_EQ(Cursor(GetCurrentMenuTask()), 2);   // the last difficulty
  Press(kUp);
  Press(kShot);                               // REVISED: the start confirmation
  ExpectAt(Current(), kMenuStartConfirm, 420, 32);
  EXPECT_EQ(GetMenuDepth(), 4);
  Press(kShot);
  // 420 + 132 stays within 560: the start window opens beside.
  ExpectAt(Current(), kMenuStartNewGame, 552, 32);
  EXPECT_EQ(GetMenuLevelCursorAt(1), 0);
  EXPECT_EQ(GetMenuLevelCursorAt(2), 0);
  EXPECT_EQ(GetMenuLevelCursorAt(3), 1);
  const int32_t codes[] = {kMenuTitle, kMenuCharacter, kMenuDifficulty, kMenuStartConfirm,
                           kMenuStartNewGame};
  for (int d = 0; d < 5; ++d) EXPECT_EQ(GetMenuStack().levels[d].code, codes[d]) << d;

  // PRACTICE: the first confirmation request becomes the area choice, whose item opens the real
  // confirmation, and the start window goes below it.
  ResetActors();
  ResetMenuStack();
  SetSettingsSlot(kSlotLastDifficulty, 0);
  const int title2 = OpenRootAndTitleMenu();
  SetActorField(kFieldCursor, title2, 2);
  Press(kShot);
  ExpectAt(Current(), kMenuCharacter, 156, 48);
  Press(kShot);
  ExpectAt(Current(), kMenuDifficulty, 296, 48);
  Press(kShot);
  ExpectAt(Current(), kMenuAreaChoice, 420, 48);
  EXPECT_EQ(Texts(117).size(), 1u);           // "AREA1"
  Press(kShot);
  ExpectAt(Current(), kMenuStartConfirm, 500, 48);
  Press(kShot);
  ExpectAt(Current(), kMenuStartNewGame, 500, 48 + 16 + 20);
}

TEST_F(Menus, SecondCharacterWalksThroughTheRigMenuAndBothStartsGoBelow) {
  SetSettingsSlot(kSlotRigChoice, 2);
  OpenRootAndTitleMenu();
  Press(kShot);
  Press(kDown);                                // the second character
  Press(kShot);
  ExpectAt(Current(), kMenuRig, 296, 32);
  EXPECT_EQ(Cursor(GetCurrentMenuTask()), 3);  // rig 2 is item 3 (CUSTOM is item 0)
  Press(kUp);
  Press(kUp);                                  // RIG on item 1: rig 0, written at once
  EXPECT_EQ(GetSettingsSlot(kSlotRigChoice), 0);
  Press(kShot);
  ExpectAt(Current(), kMenuDifficulty, 384, 48);
  Press(kShot);
  ExpectAt(Current(), kMenuStartConfirm, 508, 48);
  Press(kShot);
  ExpectAt(Current(), kMenuStartNewGame, 508, 48 + 16 + 20);
  EXPECT_EQ(GetMenuLevelCursorAt(2), 1);
  EXPECT_EQ(GetMenuLevelCursorAt(3), 1);

  // PRACTICE with the second character: the area choice sits one level deeper.
  ResetActors();
  ResetMenuStack();
  SetSettingsSlot(kSlotLastCharacter, 0);
  SetSettingsSlot(kSlotLastDifficulty, 0);
  const int title = OpenRootAndTitleMenu();
  SetActorField(kFieldCursor, title, 2);
  Press(kShot);
  Press(kDown);
  Press(kShot);
  ExpectAt(Current(), kMenuRig, 296, 64);
  Press(kShot);
  ExpectAt(Current(), kMenuDifficulty, 384, 80);
  Press(kShot);
  ExpectAt(Current(), kMenuAreaChoice, 508, 80);
  Press(kShot);
  ExpectAt(Current(), kMenuStartConfirm, 508, 80 + 16 + 20);
  Press(kShot);
  ExpectAt(Current(), kMenuStartNewGame, 508, 116 + 16 + 20);
  EXPECT_EQ(GetMenuLevelCursorAt(4), 0);
  EXPECT_EQ(GetMenuLevelCursorAt(5), 0);
}

TEST_F(Menus, CustomRigRouteWritesTheChoicesAsTheCursorMovesAndReopensTheRigMenu) {
  SetSettingsSlot(kSlotRigChoice, 1);
  SetSettingsSlot(MenuRigPickSlot(3, 0), 2);
  SetSettingsSlot(MenuRigPickSlot(3, 1), 0);
  SetSettingsSlot(MenuRigPickSlot(3, 2), 0);
  OpenRootAndTitleMenu();
  Press(kShot);
  Press(kDown);
  const int character = GetCurrentMenuTask();
  Press(kShot);
  const int rig = GetCurrentMenuTask();
  EXPECT_EQ(Cursor(rig), 2);
  Press(kUp);                                  // rig 0, written as the cursor passes
  EXPECT_EQ(GetSettingsSlot(kSlotRigChoice), 0);
  Press(kUp);                                  // CUSTOM: no rig highlighted, slot 60 kept
  EXPECT_EQ(Cursor(rig), 0);
  EXPECT_EQ(GetSettingsSlot(kSlotRigChoice), 0);
  // The rig digits: rig r, part p at (x + 11p + 33, y + 16r + 16), each the pick + 1.
  const std::vector<Entry> digits = Sprites(513 + 2);
  bool found = false;
  for (const Entry& e : digits) found |= e.e.x == 296 + 33 && e.e.y == 32 + 48 + 16;
  EXPECT_TRUE(found);
  Press(kShot);
  // The rig menu closes; the custom rig opens at the bottom over the character menu.
  ExpectAt(Current(), kMenuCustomRig, 16, 384);
  EXPECT_EQ(GetMenuDepth(), 3);
  EXPECT_EQ(GetActorField(kFieldParent, GetCurrentMenuTask()), character);
  Steps(1);
  EXPECT_EQ(GetActorField(kFieldKind, rig), 0);   // removed
  EXPECT_EQ(Cursor(GetCurrentMenuTask()), 0);
  Press(kDown);
  Press(kDown);
  EXPECT_EQ(GetSettingsSlot(kSlotRigChoice), 2);
  Press(kDown);
  EXPECT_EQ(GetSettingsSlot(kSlotRigChoice), 3);
  Press(kShot);
  ExpectAt(Current(), kMenuShotPick, 104, 384);
  EXPECT_EQ(Cursor(GetCurrentMenuTask()), 2);    // slot 48 + 9
  Press(kUp);
  EXPECT_EQ(GetSettingsSlot(MenuRigPickSlot(3, 0)), 1);
  Press(kShot);
  ExpectAt(Current(), kMenuSubPick, 224, 384);
  Press(kUp);                                    // wraps to 3
  EXPECT_EQ(GetSettingsSlot(MenuRigPickSlot(3, 1)), 3);
  Press(kShot);
  ExpectAt(Current(), kMenuBombPick, 368, 384);
  Press(kDown);
  EXPECT_EQ(GetSettingsSlot(MenuRigPickSlot(3, 2)), 1);
  EXPECT_EQ(GetMenuDepth(), 6);
  Press(kShot);
  // Four windows close; a fresh rig menu opens beside the character menu, on rig 3.
  ExpectAt(Current(), kMenuRig, 156 + 120 + 20, 16 + 16);
  EXPECT_EQ(GetMenuDepth(), 3);
  EXPECT_EQ(Cursor(GetCurrentMenuTask()), 4);
  Steps(1);
  for (int32_t k : {kMenuCustomRig, kMenuShotPick, kMenuSubPick, kMenuBombPick}) EXPECT_EQ(CountKind(k), 0);
  EXPECT_EQ(CountKind(kMenuCharacter), 1);
}

TEST_F(Menus, MissionModeShowsOnlyTheNoMissionLineWhoseConfirmOpensNothing) {
  const int title = OpenRootAndTitleMenu();
  SetActorField(kFieldCursor, title, 3);
  Press(kShot);
  const int line = GetCurrentMenuTask();
  ExpectAt(Current(), kMenuNoMission, 156, 64);
  EXPECT_EQ(GetActorField(kFieldMenuWidth, line), 180);
  EXPECT_EQ(GetActorField(kFieldItemCount, line), 1);
  Step();
  ASSERT_EQ(Texts(4).size(), 1u);               // "NO MISSION"
  EXPECT_TRUE(HasRect(0, 464, 640, 480, true, 0x0F0F7FC0u));
  for (const Entry& e : Entries()) EXPECT_FALSE(e.e.type == kDrawText && e.e.x == 16 && e.e.y == 465);
  Press(kDown);                                 // one item, and the row draws no cursor move
  EXPECT_EQ(Cursor(line), 0);
  recorder::Take();
  Step(kShot);
  EXPECT_EQ(Effects(), std::vector<int>{1});
  EXPECT_EQ(CountKind(kMenuNothing), 1);
  Step();
  EXPECT_EQ(CountKind(kMenuNothing), 0);        // gone in its first update
  EXPECT_EQ(GetCurrentMenuTask(), line);
  EXPECT_EQ(GetMenuDepth(), 2);
}

TEST_F(Menus, CursorWrapsWithoutRepeatUpAndDownCancelAndCancelStopsAtTheRoot) {
  SetSettingsSlot(kSlotLastArea, 3);
  const int title = OpenRootAndTitleMenu();
  EXPECT_EQ(Cursor(title), 1);                  // CONTINUE offered
  Press(kUp);
  Press(kUp);
  EXPECT_EQ(Cursor(title), 6);                  // wrapped
  Steps(5, kDown);                              // held: moves once
  EXPECT_EQ(Cursor(title), 0);
  Step();
  recorder::Take();
  Step(kUp | kDown);
  EXPECT_EQ(Cursor(title), 0);
  EXPECT_EQ(Effects(), std::vector<int>{0});    // the second is within the effect's guard
  Step();

  // Cursors from a damaged file are taken into range and never go negative.
  SetSettingsSlot(kSlotLastDifficulty, -7);
  SetSettingsSlot(kSlotLastCharacter, 99);
  Press(kShot);
  const int character = GetCurrentMenuTask();
  EXPECT_EQ(Cursor(character), 1);
  Press(kUp);
  Press(kShot);
  EXPECT_EQ(Cursor(GetCurrentMenuTask()), 0);
  SetActorField(kFieldCursor, GetCurrentMenuTask(), -1234);
  Step();
  EXPECT_GE(Cursor(GetCurrentMenuTask()), 0);
  EXPECT_LT(Cursor(GetCurrentMenuTask()), 5);

  // Cancel closes the difficulty, then the character menu with its preview, then the title menu;
  // the root stays.
  Press(kCancel);
  EXPECT_EQ(GetCurrentMenuTask(), character);
  const int preview = GetChildActor(character, 0);
  ASSERT_GT(preview, 0);
  Steps(4);
  recorder::Take();
  Press(kCancel);
  EXPECT_EQ(Effects(), std::vector<int>{2});
  EXPECT_EQ(GetActorField(kFieldKind, preview), 0);
  EXPECT_EQ(GetCurrentMenuTask(), title);
  Press(kCancel);
  EXPECT_EQ(GetMenuDepth(), 0);
  const int root = GetCurrentMenuTask();
  EXPECT_EQ(GetActorField(kFieldKind, root), kMenuTitleScreen);
  Press(kCancel);
  EXPECT_EQ(GetCurrentMenuTask(), root);
  EXPECT_EQ(GetMenuDepth(), 0);
}

TEST_F(Menus, WindowsDrawLabelsBoxBarAndTheArrowOfTheOpenChild) {
  const int title = OpenRootAndTitleMenu();
  Step();
  // Current title menu, cursor 0: labels 8-14 in the sprite font, the first lit.
  for (int i = 0; i < 7; ++i) {
    const std::vector<Entry> t = Texts(8 + i);
    ASSERT_EQ(t.size(), 1u) << i;
    EXPECT_EQ(t[0].e.angle, 0);
    EXPECT_EQ(t[0].e.x, 16);
    EXPECT_EQ(t[0].e.y, 16 + 16 * i);
    EXPECT_EQ(t[0].e.colour, i == 0 ? 0xFFFF7FFFu : 0x3F3F3FFFu);
    EXPECT_EQ(Layer(t[0].index), 28);
  }
  EXPECT_TRUE(HasRect(8, 8, 16 + 120 + 8, 16 + 112 + 6, true, 0x005F5F7Fu));
  EXPECT_TRUE(HasRect(8, 8, 144, 134, false, 0xFFFFFFFFu));
  EXPECT_TRUE(HasRect(8, 16, 144, 30, true, 0x00FFFF7Fu));
  EXPECT_TRUE(Sprites(559).empty());
  // The description of the item, in the engine font.
  const std::vector<Entry> d = Texts(72);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].e.angle, 1);
  EXPECT_EQ(d[0].e.x, 16);
  EXPECT_EQ(d[0].e.y, 465);

  // With the character menu open the title menu dims its outline and points at the child.
  Press(kShot);
  Step();
  EXPECT_TRUE(HasRect(8, 8, 144, 134, false, 0xFFFFFF7Fu));
  int arrows = 0;
  for (const Entry& e : Sprites(559)) arrows += e.e.x == 16 + 120 && e.e.y == 16 && Layer(e.index) == 28;
  EXPECT_EQ(arrows, 1);
  EXPECT_TRUE(Texts(72).empty());               // only the current window describes
  EXPECT_EQ(Texts(105).size(), 1u);

  // QUIT GAME opens no window: a title menu left on it draws no arrow.
  ResetDrawList();
  DrawMenuWindow(16, 16, 120, 8, 7, 6, false);
  EXPECT_TRUE(Sprites(559).empty());
  (void)title;
}

TEST_F(Menus, AFullPoolKeepsTheCallerCurrentAndAskedForARestart) {
  const int title = OpenRootAndTitleMenu();
  while (SpawnEffect(0, 0, 40, 0) > 0) {
  }
  const int depth = GetMenuDepth();
  Press(kShot);
  EXPECT_EQ(GetCurrentMenuTask(), title);
  EXPECT_EQ(GetMenuDepth(), depth);
  EXPECT_EQ(GetMenuTaskField(kFieldExitCode), kMenuExitRestart);
  EXPECT_EQ(CreateMenuWindow(0, 0, 0, 0, title, kMenuPause), -1);
  EXPECT_EQ(GetCurrentMenuTask(), title);
}

TEST_F(Menus, AWindowWhoseParentDiedLeavesNoWindowCurrentAndNoStrangerIsRead) {
  const int root = CreateMenuWindow(0, 0, 0, 0, 0, kMenuTitleScreen);
  const int title = CreateMenuWindow(16, 16, 0, 0, root, kMenuTitle);
  const int window = CreateMenuWindow(156, 16, 0, 0, title, kMenuGameResult);
  // The title menu's slot goes to an actor of another group with the same serial (as after a
  // pool reset), with something in its field 116.
  const int stranger = title;
  SetActorField(kFieldKind, stranger, kKindEffect);
  SetActorField(kFieldExitCode, stranger, kMenuExitTitle);
  const int depth = GetMenuDepth();
  OrActorField(kFieldFlags, window, kFlagDead);
  Step();
  EXPECT_EQ(GetActorField(kFieldKind, window), 0);
  EXPECT_EQ(GetCurrentMenuTask(), 0);
  EXPECT_EQ(GetMenuDepth(), depth);
  EXPECT_EQ(GetMenuTaskField(kFieldExitCode), 0);
  // An exit code written now is kept for the frame loop, in no actor of the pool...
  SetMenuTaskField(kFieldExitCode, kMenuExitPlay);
  EXPECT_EQ(GetMenuTaskField(kFieldExitCode), kMenuExitPlay);
  EXPECT_EQ(GetActorField(kFieldExitCode, stranger), kMenuExitTitle);
  // ...and the next scene's pool reset forgets it.
  ResetActors();
  EXPECT_EQ(GetMenuTaskField(kFieldExitCode), 0);
}

}  // namespace
