#include <gtest/gtest.h>
#include <SDL2/SDL_scancode.h>

#include <cstring>

#include "platform/input.h"
#include "platform/input/scripted/scripted_input.h"

namespace {

using namespace plat;

class ScriptedInput : public ::testing::Test {
protected:
  void SetUp() override {
    InputSelectBackend(InputBackend::Scripted);
    ScriptedInputReset();
  }
  void TearDown() override { InputClose(); }
};

TEST_F(ScriptedInput, KeysGoThroughBothTablesAndTheViewsCanDiffer) {
  uint8_t keys[256], vk[256];
  EXPECT_FALSE(KeyboardRead(keys));              // the device layer is not open yet
  EXPECT_EQ(keys[0x01], 0);
  ASSERT_TRUE(InputOpen());

  ScriptedKey(SDL_SCANCODE_LEFTBRACKET, true);   // '@' on the 106-key layout
  ScriptedKey(SDL_SCANCODE_RSHIFT, true);
  ASSERT_TRUE(KeyboardRead(keys));
  VirtualKeysRead(vk);
  EXPECT_EQ(keys[0x1A], 0x80);
  EXPECT_EQ(keys[0x36], 0x80);
  EXPECT_EQ(vk[0xC0], 0x80);
  EXPECT_EQ(vk[0xA1], 0x80);
  EXPECT_EQ(vk[0x10], 0x80);                     // side-less Shift too
  EXPECT_EQ(vk[0x11], 0);

  ScriptedKeyCode(0x1A, false);                  // the device layer misses the key
  ScriptedVirtualKey('Q', true);
  ASSERT_TRUE(KeyboardRead(keys));
  VirtualKeysRead(vk);
  EXPECT_EQ(keys[0x1A], 0);
  EXPECT_EQ(keys[0x10], 0);
  EXPECT_EQ(vk[0xC0], 0x80);
  EXPECT_EQ(vk['Q'], 0x80);

  ScriptedSetKeyboardFails(true);
  EXPECT_FALSE(KeyboardRead(keys));
}

TEST_F(ScriptedInput, PadAxesFollowRangeAndDeadZone) {
  ASSERT_TRUE(InputOpen());
  ASSERT_EQ(ScriptedAddJoystick("stick", 3, 4, 1, false), 0);
  EXPECT_EQ(PadAttachedCount(), 1);
  PadInfo info;
  ASSERT_TRUE(PadOpen(0, &info));
  EXPECT_STREQ(info.productName, "stick");
  EXPECT_FALSE(PadOpen(0, &info));               // already open
  EXPECT_FALSE(PadOpen(1, &info));               // no such joystick

  struct Case { int raw; int32_t withoutDeadZone, withDeadZone; };
  const Case cases[] = {
      {32767, 1000, 1000}, {-32768, -1000, -1000}, {0, 0, 0},
      {8191, 249, 0},                            // just inside 25 %
      {16384, 500, 333}, {-16384, -500, -333},
  };
  PadState s;
  for (const Case& c : cases) {
    ScriptedJoystickAxis(0, 0, c.raw);
    ASSERT_TRUE(PadSetDeadZone(0, kAxisX, 0));
    ASSERT_TRUE(PadRead(0, &s));
    EXPECT_EQ(s.axes[kAxisX], c.withoutDeadZone) << c.raw;
    ASSERT_TRUE(PadSetDeadZone(0, kAxisX, 2500));
    ASSERT_TRUE(PadRead(0, &s));
    EXPECT_EQ(s.axes[kAxisX], c.withDeadZone) << c.raw;
  }

  ASSERT_TRUE(PadSetRange(0, kAxisY, 0, 100));
  ScriptedJoystickAxis(0, 1, 32767);
  ASSERT_TRUE(PadRead(0, &s));
  EXPECT_EQ(s.axes[kAxisY], 100);
  ScriptedJoystickAxis(0, 1, 0);
  ASSERT_TRUE(PadRead(0, &s));
  EXPECT_EQ(s.axes[kAxisY], 50);
  EXPECT_EQ(s.axes[kAxisRz], 0);                 // an axis the stick lacks rests at the centre

  EXPECT_FALSE(PadSetRange(0, kAxisX, 5, 5));
  EXPECT_FALSE(PadSetRange(0, kAxisCount, -1, 1));
  EXPECT_FALSE(PadSetDeadZone(0, kAxisX, 10001));
  EXPECT_FALSE(PadSetDeadZone(0, -1, 0));
  EXPECT_FALSE(PadRead(9, &s));
}

TEST_F(ScriptedInput, PadButtonsAndHats) {
  ASSERT_TRUE(InputOpen());
  ScriptedAddJoystick("pad", 2, 32, 2, false);
  ASSERT_TRUE(PadOpen(0, nullptr));
  ScriptedJoystickButton(0, 31, true);
  ScriptedJoystickHat(0, 0, 2 | 4);
  PadState s;
  ASSERT_TRUE(PadRead(0, &s));
  EXPECT_EQ(s.buttons[0], 0);
  EXPECT_EQ(s.buttons[31], 0x80);
  EXPECT_EQ(s.pov[0], 13500u);
  EXPECT_EQ(s.pov[1], 0xFFFFFFFFu);
  EXPECT_EQ(s.pov[2], 0xFFFFFFFFu);

  ScriptedRemoveJoystick(0);
  EXPECT_FALSE(PadRead(0, &s));
}

}  // namespace
