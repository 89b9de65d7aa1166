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

TEST_F(ScriptedInput, ChangeCountMovesOnKeyChangesOnly) {
  ASSERT_TRUE(InputOpen());
  uint32_t c0 = KeyboardChangeCount();
  EXPECT_EQ(KeyboardChangeCount(), c0);
  ScriptedKey(SDL_SCANCODE_Z, true);
  uint32_t c1 = KeyboardChangeCount();
  EXPECT_NE(c1, c0);
  uint8_t keys[256];
  KeyboardRead(keys);
  EXPECT_EQ(KeyboardChangeCount(), c1);
}

TEST_F(ScriptedInput, MouseButtonsInTheEngineOrder) {
  ScriptedMouse(12, 34, 0x1 | 0x4 | 0x10);
  MouseState m;
  EXPECT_FALSE(MouseRead(&m));                    // no device layer yet
  uint8_t vk[256];
  VirtualKeysRead(vk);
  EXPECT_EQ(vk[0x01], 0x80);
  EXPECT_EQ(vk[0x02], 0);
  EXPECT_EQ(vk[0x04], 0x80);
  ASSERT_TRUE(InputOpen());
  ASSERT_TRUE(MouseRead(&m));
  EXPECT_EQ(m.x, 12);
  EXPECT_EQ(m.y, 34);
  EXPECT_EQ(m.buttons[0], 0x80);
  EXPECT_EQ(m.buttons[1], 0);
  EXPECT_EQ(m.buttons[2], 0x80);
  EXPECT_EQ(m.buttons[4], 0x80);
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

TEST_F(ScriptedInput, PadButtonsHatsAndChangeCounts) {
  ASSERT_TRUE(InputOpen());
  ScriptedAddJoystick("pad", 2, 32, 2, false);
  ASSERT_TRUE(PadOpen(0, nullptr));
  uint32_t c0 = PadChangeCount(0);
  ScriptedJoystickButton(0, 0, true);
  ScriptedJoystickButton(0, 31, true);
  ScriptedJoystickHat(0, 0, 2 | 4);
  EXPECT_NE(PadChangeCount(0), c0);
  PadState s;
  ASSERT_TRUE(PadRead(0, &s));
  EXPECT_EQ(s.buttons[0], 0x80);
  EXPECT_EQ(s.buttons[1], 0);
  EXPECT_EQ(s.buttons[31], 0x80);
  EXPECT_EQ(s.pov[0], 13500u);
  EXPECT_EQ(s.pov[1], 0xFFFFFFFFu);
  EXPECT_EQ(s.pov[2], 0xFFFFFFFFu);

  ScriptedRemoveJoystick(0);
  EXPECT_FALSE(PadRead(0, &s));
}

TEST_F(ScriptedInput, SystemCallsSeeRawPositionsWithoutTheDeviceLayer) {
  ScriptedInputSetDeviceLayer(false);
  EXPECT_FALSE(InputOpen());
  ScriptedAddJoystick("flat", 2, 8, 0, false);
  ScriptedAddJoystick("full", 4, 8, 0, false);
  JoystickCaps caps;
  ASSERT_TRUE(JoystickGetCaps(0, &caps));
  EXPECT_FALSE(caps.hasZ);
  ASSERT_TRUE(JoystickGetCaps(1, &caps));
  EXPECT_TRUE(caps.hasZ && caps.hasR);
  EXPECT_FALSE(JoystickGetCaps(2, &caps));
  EXPECT_FALSE(JoystickGetCaps(-1, &caps));

  ScriptedJoystickAxis(1, 0, -32768);
  ScriptedJoystickAxis(1, 1, 32767);
  ScriptedJoystickAxis(1, 3, -1);
  ScriptedJoystickButton(1, 2, true);
  JoystickRaw raw;
  ASSERT_TRUE(JoystickGetPos(1, &raw));
  EXPECT_EQ(raw.x, 0u);
  EXPECT_EQ(raw.y, 65535u);
  EXPECT_EQ(raw.z, 32768u);
  EXPECT_EQ(raw.r, 32767u);
  EXPECT_EQ(raw.buttons, 4u);
  EXPECT_FALSE(PadOpen(0, nullptr));             // pads need the device layer
}

TEST_F(ScriptedInput, EffectsOnlyWhereRumbleExists) {
  ASSERT_TRUE(InputOpen());
  ScriptedAddJoystick("plain", 2, 4, 0, false);
  ScriptedAddJoystick("rumble", 2, 4, 0, true);
  ASSERT_TRUE(PadOpen(0, nullptr));
  ASSERT_TRUE(PadOpen(1, nullptr));
  EXPECT_FALSE(PadHasEffects(0));
  EXPECT_FALSE(PadEffectRun(0, kEffectConstant, true));
  EXPECT_TRUE(PadHasEffects(1));
  bool strong, weak;
  EXPECT_TRUE(PadEffectRun(1, kEffectSine, true));
  ScriptedJoystickRumble(1, &strong, &weak);
  EXPECT_FALSE(strong);
  EXPECT_TRUE(weak);
  EXPECT_TRUE(PadEffectRun(1, kEffectConstant, true));
  ScriptedJoystickRumble(1, &strong, &weak);
  EXPECT_TRUE(strong && weak);
  EXPECT_FALSE(PadEffectRun(1, 7, true));
  PadClose(1);                                   // closing silences the motors
  ScriptedJoystickRumble(1, &strong, &weak);
  EXPECT_FALSE(strong || weak);
}

}  // namespace
