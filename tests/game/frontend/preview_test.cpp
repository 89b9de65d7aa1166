// The character menu's portrait and preview: the fade restarting when the highlighted character or
// its rig changes, the preview player rebuilt for the new choice in the same frame, the second
// character's portrait composed from the rig, the mirrored portrait of a window right of x 320,
// and the sample enemy sent only while the window is current and the fade is young.
#include "frontend_fixture.h"

namespace {

using namespace fe;

class Preview : public FrontEnd {
protected:
  static uint32_t Grey(int fade) {
    const uint32_t a = static_cast<uint32_t>(std::min(16 * fade, 255));
    return a << 24 | a << 16 | a << 8 | a;
  }
  static bool HasSprite(int sprite, int x, int y, bool mirrored = false) {
    for (const Entry& e : Sprites(sprite)) {
      if (e.e.x == x && e.e.y == y && Layer(e.index) == 2 &&
          (e.e.type == kDrawSpriteMirrored) == mirrored)
        return true;
    }
    return false;
  }
};

TEST_F(Preview, PortraitFadesAndThePreviewFollowsTheCharacterAndItsRig) {
  SetSettingsSlot(kSlotLastCharacter, 0);
  SetSettingsSlot(kSlotRigChoice, 2);
  SetSettingsSlot(MenuRigPickSlot(2, 0), 1);
  SetSettingsSlot(MenuRigPickSlot(2, 1), 2);
  SetSettingsSlot(MenuRigPickSlot(2, 2), 3);
  OpenRootAndTitleMenu();
  Press(kShot);
  const int window = GetCurrentMenuTask();
  const int preview = GetChildActor(window, 0);
  ASSERT_GT(preview, 0);
  Steps(9);
  ASSERT_EQ(Sprites(200).size(), 1u);
  EXPECT_TRUE(HasSprite(200, 256, 0));
  EXPECT_EQ(Sprites(200)[0].e.colour, Grey(10));

  // Onto the second character: the fade starts again and the preview is rebuilt at once.
  Step(kDown);
  EXPECT_EQ(Sprites(213).size(), 1u);
  EXPECT_EQ(Sprites(213)[0].e.colour, Grey(0));
  EXPECT_EQ(GetChildActor(window, 0), preview);
  EXPECT_EQ(GetActorField(kFieldKind, preview), kKindPlayerA + 1);
  EXPECT_EQ(GetActorField(kFieldSprite, preview), 9);
  EXPECT_EQ(GetActorField(kPlayerCharacter, preview), 1);
  EXPECT_EQ(GetActorField(kPlayerShotType, preview), 1);
  EXPECT_EQ(GetActorField(kPlayerSubWeapon, preview), 2);
  EXPECT_EQ(GetActorField(kPlayerBombType, preview), 3);
  EXPECT_EQ(GetActorField(47, preview), 1 + 2 * 4 + 3 * 16);
  EXPECT_EQ(GetActorField(kFieldSpeed, preview), CalcLoadoutSpeed(1, 2, 3));
  EXPECT_EQ(GetActorField(kFieldAge, preview), 1);   // rebuilt at 0, then aged by its update
  // Composed from rig 2: shot 1, sub-weapon 2.
  EXPECT_TRUE(HasSprite(212, 256, 96));
  EXPECT_TRUE(HasSprite(214 + 2, 304 + 48, 160));
  EXPECT_TRUE(HasSprite(213, 256, 304));
  EXPECT_TRUE(HasSprite(208, 288 + 16, 0));
  EXPECT_TRUE(Sprites(211).empty());
  Steps(5);
  EXPECT_EQ(Sprites(213)[0].e.colour, Grey(5));

  // A pick changed behind the open window (as the rig menus do) restarts the fade and the preview.
  SetSettingsSlot(MenuRigPickSlot(2, 0), 2);
  Step();
  EXPECT_EQ(Sprites(213)[0].e.colour, Grey(0));
  EXPECT_EQ(GetActorField(kPlayerShotType, preview), 2);
  EXPECT_TRUE(HasSprite(209, 304 + 80, 112));
  EXPECT_TRUE(HasSprite(211, 240 + 160, 112));
  SetSettingsSlot(MenuRigPickSlot(2, 0), 3);
  Step();
  EXPECT_TRUE(HasSprite(210, 480, 96));

  // Back to the first character: its preview fires no second character's weapons.
  Step(kUp);
  EXPECT_EQ(GetActorField(kFieldKind, preview), kKindPlayerA);
  EXPECT_EQ(GetActorField(kPlayerShotType, preview), 0);
  EXPECT_EQ(GetActorField(kFieldSpeed, preview), CalcLoadoutSpeed(0, 0, 0));
}

TEST_F(Preview, AWindowRightOfX320DrawsThePortraitMirroredOnTheLeft) {
  const int title = OpenRootAndTitleMenu();
  SetSettingsSlot(kSlotLastCharacter, 0);
  const int window = CreateMenuWindow(400, 16, 0, 0, title, kMenuCharacter);
  ASSERT_GT(window, 0);
  Step();
  EXPECT_TRUE(HasSprite(200, 0, 0, true));
  // The intro card's and the prompt's portraits: offsets, mirrored bases.
  ResetDrawList();
  DrawCharacterPortrait(0, 3, 80, false);
  EXPECT_TRUE(HasSprite(200, 336, 0));
  ResetDrawList();
  SetSettingsSlot(MenuRigPickSlot(MenuSlotRig(), 0), 0);
  DrawCharacterPortrait(1, 3, -40, true);
  EXPECT_TRUE(HasSprite(213, -40, 304, true));
  EXPECT_TRUE(HasSprite(209, -40 + 80, 112, true));
  EXPECT_TRUE(HasSprite(208, -40 + 16, 0, true));
}

TEST_F(Preview, SampleEnemiesFlyInOnlyWhileTheWindowIsCurrentAndTheFadeIsYoung) {
  OpenRootAndTitleMenu();
  if (SpawnEnemy(672, 100, 8, 2) < 1) GTEST_SKIP() << "enemies are not built yet";
  ResetActors();
  ResetMenuStack();
  OpenRootAndTitleMenu();
  Press(kShot);
  const int window = GetCurrentMenuTask();
  Step();
  const int enemy = GetChildActor(window, 1);
  ASSERT_GT(enemy, 0);
  // Flying in from the right, slowing as its two ramps add (64, 0) a frame.
  EXPECT_GT(X(enemy), 600);
  EXPECT_GT(GetActorField(kFieldVx, enemy), -2048);
  EXPECT_LT(GetActorField(kFieldVx, enemy), 0);
  EXPECT_EQ(GetActorField(31, enemy), 16);
  // Another one only once it has gone; none while a child window is open.
  Press(kShot);
  const int sent = CountActorsOfKind(GetActorField(kFieldKind, enemy));
  Steps(400);
  EXPECT_LE(CountActorsOfKind(GetActorField(kFieldKind, enemy)), sent);
  EXPECT_EQ(GetChildActor(window, 1), 0);
}

}  // namespace
