#include <gtest/gtest.h>

#include <vector>

#include "game/framework/engine_entries.h"
#include "game/framework/input.h"
#include "game/framework/settings.h"

namespace {

int g_pads[5];                 // index 1 is device 0x1001 (pad 1 with the keyboard)
std::vector<int> g_reads;

class Input : public ::testing::Test {
protected:
  void SetUp() override {
    for (int& p : g_pads) p = 0;
    g_reads.clear();
    g_Engine.GetPadInputBitsLocked = [](int device) {
      g_reads.push_back(device);
      const int i = device == 0x1001 ? 1 : device;
      return i >= 1 && i <= 4 ? g_pads[i] : 0;
    };
    SetDefaultSettings();
    ResetButtons();
  }
  void TearDown() override { ResetEngineEntries(); }
};

TEST_F(Input, DefaultMasksMapKeysAndPadsToButtons) {
  // Keyboard Z, Escape and the down arrow as the engine reports them.
  EXPECT_EQ(MapInputToButtons(0x10), kButtonShot);
  EXPECT_EQ(MapInputToButtons(0x1000), kButtonMenu);
  EXPECT_EQ(MapInputToButtons(0x1), kButtonDown);
  EXPECT_EQ(MapInputToButtons(0xF), 0xFu);
  // Space and Q..W have no button by default; unassigned buttons never go down.
  EXPECT_EQ(MapInputToButtons(0x2000 | 0x400 | 0x800), 0u);
  EXPECT_EQ(MapInputToButtons(0x40000000), kButtonRapid | kButtonDShift | kButtonSnap | kButtonSpare);

  // The four devices are read in order and ORed: joypad 3's first button is SHOT like Z.
  g_pads[3] = 0x10;
  g_pads[4] = 0x8;
  EXPECT_EQ(ReadButtons(), kButtonShot | kButtonUp);
  EXPECT_EQ(g_reads, (std::vector<int>{0x1001, 2, 3, 4}));
}

TEST_F(Input, AssignedMasksMayShareBitsAndHoldSeveral) {
  SetSettingsSlot(kSlotKeyShot, 0x10 | 0x2000);   // SHOT from Z or Space
  EXPECT_EQ(MapInputToButtons(0x2000), kButtonShot);
  EXPECT_EQ(MapInputToButtons(0x10), kButtonShot);
  SetSettingsSlot(9, 0x40);                        // RAPID on C, like BOMBER
  EXPECT_EQ(MapInputToButtons(0x40), kButtonBomber | kButtonRapid);
  SetSettingsSlot(13, 0x800);                      // the spare button on W
  SetSettingsSlot(12, 0x400);                      // SNAP on Q
  EXPECT_EQ(MapInputToButtons(0x800), kButtonSpare);
  EXPECT_EQ(MapInputToButtons(0x400), kButtonSnap);
}

TEST_F(Input, NewPressesNeedAFrameWithoutTheMask) {
  EXPECT_FALSE(IsButtonPressed(kButtonShot));
  g_pads[1] = 0x10;                               // SHOT held
  EXPECT_EQ(UpdateButtons(), kButtonShot);
  EXPECT_TRUE(IsButtonPressed(kButtonShot));
  EXPECT_TRUE(IsButtonHeld(kButtonShot));
  g_pads[1] = 0x10 | 0x1000;                      // MENU joins while SHOT stays down
  UpdateButtons();
  EXPECT_FALSE(IsButtonPressed(kButtonShot | kButtonMenu));
  EXPECT_TRUE(IsButtonPressed(kButtonMenu));
  EXPECT_FALSE(IsButtonPressed(kButtonShot));      // no key repeat
  g_pads[1] = 0;
  UpdateButtons();
  EXPECT_FALSE(IsButtonHeld(kButtonShot | kButtonMenu));
  g_pads[1] = 0x1000;                             // after a frame with neither
  UpdateButtons();
  EXPECT_TRUE(IsButtonPressed(kButtonShot | kButtonMenu));
  EXPECT_EQ(GetCurrentButtons(), kButtonMenu);

  int x, y, b;
  UnpackMouseWord(0x00ABCDEFu, &x, &y, &b);
  EXPECT_EQ(x, 0x1EF);
  EXPECT_EQ(y, 0x2F3);
  EXPECT_EQ(b, 0xA);
}

}  // namespace
