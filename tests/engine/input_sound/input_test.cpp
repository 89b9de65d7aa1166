#include <gtest/gtest.h>
#include <SDL2/SDL_scancode.h>

#include <set>
#include <thread>

#include "engine/base/base_state.h"
#include "engine/base/system_hooks.h"
#include "engine/input_sound/input.h"
#include "engine/input_sound/operations.h"
#include "platform/clock.h"
#include "platform/input/scripted/scripted_input.h"
#include "platform/sync.h"

namespace {

using namespace plat;

constexpr int kKeyboard = 0x1000;

class Input : public ::testing::Test {
protected:
  void SetUp() override {
    VirtualClockEnable();
    g_LogOffFlag = 1;
    g_input = InputState{};
    g_base.win = BaseWindowState{};
    g_base.win.active = 1;
    g_base.win.mainThreadId = CurrentThreadId();
    InputSelectBackend(InputBackend::Scripted);
    ScriptedInputReset();
  }
  void TearDown() override {
    TerminateInputSystem();
    VirtualClockDisable();
  }
  static void Tick() { VirtualClockAdvance(1000); }
  static int Bits(int device) {
    Tick();
    return GetPadInputBits(device);
  }
  static int Key(int code) {
    Tick();
    return IsKeyDown(code);
  }
};

TEST_F(Input, KeyboardDeviceGivesDirectionsAndTheTenKeys) {
  ASSERT_EQ(InitializeInputSystem(), 0);
  EXPECT_EQ(Bits(kKeyboard), 0);
  const struct { int scancode; int bit; } keys[] = {
      {SDL_SCANCODE_DOWN, 0x1}, {SDL_SCANCODE_LEFT, 0x2}, {SDL_SCANCODE_RIGHT, 0x4},
      {SDL_SCANCODE_UP, 0x8}, {SDL_SCANCODE_KP_2, 0x1}, {SDL_SCANCODE_KP_4, 0x2},
      {SDL_SCANCODE_KP_6, 0x4}, {SDL_SCANCODE_KP_8, 0x8}, {SDL_SCANCODE_Z, 0x10},
      {SDL_SCANCODE_X, 0x20}, {SDL_SCANCODE_C, 0x40}, {SDL_SCANCODE_A, 0x80},
      {SDL_SCANCODE_S, 0x100}, {SDL_SCANCODE_D, 0x200}, {SDL_SCANCODE_Q, 0x400},
      {SDL_SCANCODE_W, 0x800}, {SDL_SCANCODE_ESCAPE, 0x1000}, {SDL_SCANCODE_SPACE, 0x2000},
  };
  for (const auto& k : keys) {
    ScriptedKey(k.scancode, true);
    EXPECT_EQ(Bits(kKeyboard), k.bit) << k.scancode;
    ScriptedKey(k.scancode, false);
  }
  // Arrow and numeric-pad key of one direction, and keys outside the word.
  ScriptedKey(SDL_SCANCODE_UP, true);
  ScriptedKey(SDL_SCANCODE_KP_8, true);
  ScriptedKey(SDL_SCANCODE_E, true);
  ScriptedKey(SDL_SCANCODE_RETURN, true);
  EXPECT_EQ(Bits(kKeyboard), 0x8);
  EXPECT_EQ(Bits(kKeyboard + 1), 0x8);           // no pads: the keyboard alone
  EXPECT_EQ(Bits(1), 0);
}

TEST_F(Input, PadWordAndTheKeyboardMergedIntoPadOne) {
  ScriptedAddJoystick("one", 2, 32, 0, false);
  ScriptedAddJoystick("two", 2, 4, 0, false);
  ASSERT_EQ(InitializeInputSystem(), 0);
  EXPECT_EQ(GetPadCount(), 2);

  ScriptedJoystickAxis(0, 0, -32768);
  ScriptedJoystickAxis(0, 1, -32768);
  EXPECT_EQ(Bits(1), 0x2 | 0x8);
  ScriptedJoystickAxis(0, 0, 32767);
  ScriptedJoystickAxis(0, 1, 32767);
  EXPECT_EQ(Bits(1), 0x4 | 0x1);
  ScriptedJoystickAxis(0, 0, 7000);              // inside the dead zone
  ScriptedJoystickAxis(0, 1, -7000);
  EXPECT_EQ(Bits(1), 0);
  ScriptedJoystickButton(0, 0, true);
  ScriptedJoystickButton(0, 23, true);
  ScriptedJoystickButton(0, 24, true);           // beyond the word's 24 buttons
  EXPECT_EQ(Bits(1), 0x10 | (0x10 << 23));

  ScriptedKey(SDL_SCANCODE_X, true);
  ScriptedKey(SDL_SCANCODE_LEFT, true);
  EXPECT_EQ(Bits(kKeyboard + 1), 0x10 | (0x10 << 23) | 0x20 | 0x2);
  EXPECT_EQ(Bits(1), 0x10 | (0x10 << 23));       // pad alone: no keys
  ScriptedJoystickButton(1, 3, true);
  EXPECT_EQ(Bits(2), 0x80);
  EXPECT_EQ(Bits(kKeyboard + 2), 0x80 | 0x20 | 0x2);

  EXPECT_EQ(Bits(3), 0);                         // not a pad, no keyboard
  EXPECT_EQ(Bits(0), 0);
  EXPECT_EQ(Bits(0x0FFF), 0);
  EXPECT_EQ(Bits(kKeyboard + 5), 0x20 | 0x2);    // no such pad: the keyboard only
  EXPECT_EQ(Bits(kKeyboard), 0x20 | 0x2);
}

TEST_F(Input, ARemovedPadReadsReleased) {
  ScriptedAddJoystick("one", 2, 4, 0, false);
  ASSERT_EQ(InitializeInputSystem(), 0);
  ScriptedJoystickButton(0, 1, true);
  ScriptedJoystickAxis(0, 0, -32768);
  EXPECT_EQ(Bits(1), 0x20 | 0x2);
  ScriptedRemoveJoystick(0);
  EXPECT_EQ(Bits(1), 0);
  EXPECT_EQ(GetPadCount(), 1);
}

TEST_F(Input, FirstReadStartsInputAndReportsNothing) {
  ScriptedKey(SDL_SCANCODE_ESCAPE, true);
  EXPECT_EQ(g_input.object, INPUT_NOT_STARTED);
  EXPECT_EQ(Key(0x01), 0);                       // the start's result would read as a press
  EXPECT_EQ(g_input.object, INPUT_DEVICE_LAYER);
  EXPECT_EQ(Key(0x01), 1);

  TerminateInputSystem();
  EXPECT_EQ(Bits(kKeyboard), 0);
  EXPECT_EQ(g_input.object, INPUT_DEVICE_LAYER);
  EXPECT_EQ(Bits(kKeyboard), 0x1000);

  TerminateInputSystem();
  EXPECT_EQ(GetPadCount(), 0);
  EXPECT_NE(g_input.object, INPUT_NOT_STARTED);

  // Once closing has begun, reads neither start input nor report keys.
  TerminateInputSystem();
  g_base.win.closePosted = 1;
  EXPECT_EQ(Key(0x01), 0);
  EXPECT_EQ(Bits(kKeyboard), 0);
  EXPECT_EQ(g_input.object, INPUT_NOT_STARTED);
}

TEST_F(Input, DevicesAreReadAtMostOncePerMillisecondUnlessTheyChanged) {
  ScriptedAddJoystick("one", 2, 4, 0, false);
  ASSERT_EQ(InitializeInputSystem(), 0);
  Tick();
  int reads = ScriptedKeyboardReads();
  EXPECT_EQ(IsKeyDown(0x2C), 0);
  EXPECT_EQ(IsKeyDown(0x2C), 0);
  EXPECT_EQ(ScriptedKeyboardReads(), reads + 1);
  ScriptedKey(SDL_SCANCODE_Z, true);             // a change is read within the same millisecond
  EXPECT_EQ(IsKeyDown(0x2C), 1);
  EXPECT_EQ(ScriptedKeyboardReads(), reads + 2);
  EXPECT_EQ(PollKeyboardState(), 0);
  Tick();
  EXPECT_EQ(PollKeyboardState(), 1);
  EXPECT_EQ(ScriptedKeyboardReads(), reads + 3);

  int padReads = ScriptedJoystickReads(0);
  EXPECT_EQ(GetPadInputBits(1), 0);
  EXPECT_EQ(GetPadInputBits(1), 0);
  EXPECT_EQ(ScriptedJoystickReads(0), padReads + 1);
  ScriptedJoystickButton(0, 2, true);
  EXPECT_EQ(GetPadInputBits(1), 0x40);
  EXPECT_EQ(ScriptedJoystickReads(0), padReads + 2);
  Tick();
  GetPadInputBits(1);
  EXPECT_EQ(ScriptedJoystickReads(0), padReads + 3);

  EXPECT_EQ(PollJoypad(8), -1);
  EXPECT_EQ(PollJoypad(-1), -1);
  EXPECT_EQ(PollJoypad(5), 0);
}

TEST_F(Input, MainThreadReadsTheMainKeysFromTheSystemKeyState) {
  ASSERT_EQ(InitializeInputSystem(), 0);
  ScriptedVirtualKey('Z', true);                 // the device layer missed Z
  EXPECT_EQ(Key(0x2C), 1);
  ScriptedVirtualKey(0x70, true);                // F1 is not among the main keys
  EXPECT_EQ(Key(0x3B), 0);
  ScriptedKeyCode(0x3B, true);
  EXPECT_EQ(Key(0x3B), 1);
  ScriptedKeyCode(0x39, true);                   // Space down for the device layer only
  EXPECT_EQ(Key(0x39), 0);

  // The Japanese-layout codes come from the layout's virtual keys.
  ScriptedKey(SDL_SCANCODE_LEFTBRACKET, true);
  ScriptedKey(SDL_SCANCODE_APOSTROPHE, true);
  ScriptedKey(SDL_SCANCODE_INTERNATIONAL3, true);
  EXPECT_EQ(Key(0x91), 1);
  EXPECT_EQ(Key(0x92), 1);
  EXPECT_EQ(Key(0x7D), 1);

  // Another thread sees only the device layer.
  int z = -1, space = -1, at = -1;
  Tick();
  std::thread other([&] {
    z = IsKeyDown(0x2C);
    space = IsKeyDown(0x39);
    at = IsKeyDown(0x91);
  });
  other.join();
  EXPECT_EQ(z, 0);
  EXPECT_EQ(space, 1);
  EXPECT_EQ(at, 0);

  EXPECT_EQ(IsKeyDown(256), 0);
  EXPECT_EQ(IsKeyDown(-1), 0);
}

TEST_F(Input, EveryKeyOfTheTableCanBePressed) {
  std::set<int> codes, vks;
  for (int s = 0; s < SDL_NUM_SCANCODES; ++s) {
    if (int c = KeyCodeOfScancode(s)) codes.insert(c);
    if (int v = VirtualKeyOfScancode(s)) vks.insert(v);
  }
  int pairs = 0;
  bool marker = false;
  for (const VkToDik* e = VkToDikTable; e->vk != VK_TO_DIK_END; ++e) {
    if (e->vk == VK_TO_DIK_MARKER) {
      EXPECT_EQ(pairs, 72);
      marker = true;
      continue;
    }
    ++pairs;
    EXPECT_TRUE(vks.count(e->vk)) << std::hex << e->vk;
    // 0x91 and 0x92 are not positions of their own: the main-key overlay supplies them.
    if (e->dik != 0x91 && e->dik != 0x92) {
      EXPECT_TRUE(codes.count(e->dik)) << std::hex << e->dik;
    }
  }
  EXPECT_TRUE(marker);
  EXPECT_EQ(pairs, 72 + 27);
}

TEST_F(Input, SystemCallsWhenTheDeviceLayerIsMissing) {
  ScriptedInputSetDeviceLayer(false);
  ScriptedAddJoystick("flat", 2, 32, 0, false);
  ScriptedAddJoystick("full", 4, 8, 0, false);
  ASSERT_EQ(InitializeInputSystem(), 0);
  EXPECT_EQ(g_input.object, INPUT_SYSTEM_CALLS);
  EXPECT_EQ(g_input.withoutDeviceLayer, 1);
  EXPECT_EQ(GetPadCount(), 2);
  EXPECT_EQ(g_input.pads[0].hasZAndR, 0);
  EXPECT_EQ(g_input.pads[1].hasZAndR, 1);

  const struct { uint32_t position; int32_t value; } axis[] = {
      {0, -1000}, {1, -999}, {20000, -186}, {24575, 0}, {24576, 0}, {32767, 0},
      {40960, 0}, {40961, 0}, {50000, 367}, {65534, 999}, {65535, 1000},
  };
  for (const auto& a : axis) {
    EXPECT_EQ(MapJoystickPosition(a.position), a.value) << a.position;
    ScriptedJoystickAxis(1, 0, static_cast<int>(a.position) - 32768);
    ScriptedJoystickAxis(1, 2, static_cast<int>(a.position) - 32768);
    ScriptedJoystickAxis(0, 2, static_cast<int>(a.position) - 32768);
    Tick();
    ASSERT_EQ(PollJoypad(1), 0);
    ASSERT_EQ(PollJoypad(0), 0);
    EXPECT_EQ(g_input.pads[1].state.axes[kAxisX], a.value);
    EXPECT_EQ(g_input.pads[1].state.axes[kAxisZ], a.value);
    EXPECT_EQ(g_input.pads[0].state.axes[kAxisZ], 0);   // no Z and R on this one
  }
  ScriptedJoystickAxis(1, 0, 32767);
  ScriptedJoystickAxis(1, 1, -32768);
  ScriptedJoystickButton(0, 23, true);
  ScriptedJoystickButton(0, 24, true);
  ScriptedJoystickButton(1, 1, true);
  EXPECT_EQ(Bits(2), 0x4 | 0x8 | 0x20);
  EXPECT_EQ(Bits(1), 0x10 << 23);

  // Keys come from the virtual-key state through the whole table.
  ScriptedKey(SDL_SCANCODE_RETURN, true);
  ScriptedKey(SDL_SCANCODE_F12, true);
  EXPECT_EQ(Key(0x1C), 1);
  EXPECT_EQ(Key(0x9C), 1);
  EXPECT_EQ(Key(0x58), 1);
  ScriptedKey(SDL_SCANCODE_C, true);
  EXPECT_EQ(Bits(kKeyboard + 1), (0x10 << 23) | 0x40);
  EXPECT_EQ(SyncJoypadEffects(), 0);
}

TEST_F(Input, MouseButtonsFromTheDeviceOrTheKeyState) {
  ScriptedMouse(0, 0, 0x1 | 0x2 | 0x4 | 0x8);
  EXPECT_EQ(GetMouseButtonBits(), 0x7);          // not started: the key state's three buttons
  EXPECT_EQ(g_input.object, INPUT_NOT_STARTED);  // and no start
  ASSERT_EQ(InitializeInputSystem(), 0);
  EXPECT_EQ(GetMouseButtonBits(), 0xF);
  ScriptedMouse(0, 0, 0x80);
  EXPECT_EQ(GetMouseButtonBits(), 0x80);
}

class Vibration : public Input {
protected:
  void SetUp() override {
    Input::SetUp();
    ScriptedAddJoystick("rumble", 2, 4, 0, true);
    ScriptedAddJoystick("plain", 2, 4, 0, false);
    ASSERT_EQ(InitializeInputSystem(), 0);
    ASSERT_EQ(g_input.padCount, 2);
  }
  static void Vibrate(int index, int power, int limit) {
    JoypadRecord& p = g_input.pads[index];
    p.vibrationState = 1;
    p.power = power;
    p.timeLimit = limit;
    p.elapsed = 0;
    p.lastTick = MillisecondClock();
  }
  static void Motors(int index, bool* strong, bool* weak) { ScriptedJoystickRumble(index, strong, weak); }
};

TEST_F(Vibration, PowerChoosesTheEffects) {
  EXPECT_EQ(g_input.pads[0].constantEffect, 1);
  EXPECT_EQ(g_input.pads[1].constantEffect, 0);
  bool strong, weak;
  Vibrate(0, 5000, -1);
  TickPadVibration();
  Motors(0, &strong, &weak);
  EXPECT_TRUE(strong);
  EXPECT_FALSE(weak);
  Vibrate(0, 5001, -1);
  TickPadVibration();
  Motors(0, &strong, &weak);
  EXPECT_TRUE(strong && weak);
  EXPECT_EQ(g_input.pads[0].sineRunning, 1);

  // Inactive: every effect is silenced; active again: they resume.
  g_base.win.active = 0;
  SyncJoypadEffects();
  Motors(0, &strong, &weak);
  EXPECT_FALSE(strong || weak);
  EXPECT_EQ(g_input.pads[0].constantRunning, 0);
  g_base.win.active = 1;
  SyncJoypadEffects();
  Motors(0, &strong, &weak);
  EXPECT_TRUE(strong && weak);

  EXPECT_EQ(StopPadVibration(kKeyboard + 1), 0);
  EXPECT_EQ(g_input.pads[0].vibrationState, 0);
  EXPECT_EQ(g_input.pads[0].power, 10000);
  Motors(0, &strong, &weak);
  EXPECT_FALSE(strong || weak);

  Vibrate(1, 10000, -1);                         // no effects: nothing to stop
  EXPECT_EQ(StopPadVibration(2), 0);
  EXPECT_EQ(g_input.pads[1].vibrationState, 1);
  EXPECT_EQ(StopPadVibration(9), 0);
}

TEST_F(Vibration, TimeLimitEndsItAtTheFirstTickPastTheLimit) {
  for (uint64_t start : {uint64_t{5000000}, (uint64_t{1} << 32) * 1000u - 500000u}) {
    VirtualClockEnable(start);
    Vibrate(0, 10000, 1000);
    int ticks = 0;
    while (g_input.pads[0].vibrationState == 1 && ticks < 200) {
      VirtualClockAdvance(17000);
      TickPadVibration();
      ++ticks;
    }
    EXPECT_EQ(g_input.pads[0].vibrationState, 0);
    EXPECT_GE(g_input.pads[0].elapsed, 1000);
    EXPECT_LT(g_input.pads[0].elapsed, 1017);
    bool strong, weak;
    Motors(0, &strong, &weak);
    EXPECT_FALSE(strong || weak);
    // The wrap costs the one tick whose time cannot be told.
    EXPECT_EQ(ticks, start == 5000000 ? 59 : 60) << start;
  }
}

TEST_F(Vibration, TheLimitEndsItWhileTheWindowIsInactiveToo) {
  Vibrate(0, 10000, 100);
  TickPadVibration();
  g_base.win.active = 0;
  VirtualClockAdvance(200000);
  TickPadVibration();                            // must neither wait for the window nor recurse
  EXPECT_EQ(g_input.pads[0].vibrationState, 0);
  bool strong, weak;
  Motors(0, &strong, &weak);
  EXPECT_FALSE(strong || weak);
}

}  // namespace
