// The SDL back end under SDL's dummy video driver, with SDL's own virtual joystick.
#include <gtest/gtest.h>
#include <SDL2/SDL.h>

#include <cstdlib>

#include "engine/base/base_state.h"
#include "engine/input_sound/input.h"
#include "engine/input_sound/operations.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/sync.h"

namespace {

class SdlJoystick : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    plat::VirtualClockEnable();
    g_LogOffFlag = 1;
    g_input = InputState{};
    g_base.win = BaseWindowState{};
    g_base.win.active = 1;
    g_base.win.mainThreadId = plat::CurrentThreadId();
    plat::InputSelectBackend(plat::InputBackend::Sdl);
  }
  void TearDown() override {
    TerminateInputSystem();
    plat::VirtualClockDisable();
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK);
  }
  static int Bits(int device) {
    plat::VirtualClockAdvance(1000);
    return GetPadInputBits(device);
  }
};

TEST_F(SdlJoystick, VirtualJoystickChangesThePadWord) {
  const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 8, 1);
  ASSERT_GE(device, 0) << SDL_GetError();
  ASSERT_LT(device, 8);
  SDL_Joystick* joy = SDL_JoystickOpen(device);
  ASSERT_NE(joy, nullptr);

  ASSERT_EQ(InitializeInputSystem(), 0);
  EXPECT_FALSE(plat::InputIsScripted());
  ASSERT_EQ(g_input.object, INPUT_DEVICE_LAYER);
  ASSERT_EQ(GetPadCount(), device + 1);
  EXPECT_EQ(g_input.pads[device].constantEffect, 0);   // SDL's virtual joystick has no rumble
  const int pad = device + 1;
  EXPECT_EQ(Bits(pad), 0);

  SDL_JoystickSetVirtualAxis(joy, 0, -32768);
  EXPECT_EQ(Bits(pad), 0x2);
  SDL_JoystickSetVirtualAxis(joy, 0, 0);
  SDL_JoystickSetVirtualAxis(joy, 1, 32767);
  SDL_JoystickSetVirtualButton(joy, 3, 1);
  EXPECT_EQ(Bits(pad), 0x1 | 0x80);
  EXPECT_EQ(Bits(0x1000 + pad), 0x1 | 0x80);            // no keys down on the dummy driver
  SDL_JoystickSetVirtualAxis(joy, 1, 6000);             // inside the dead zone
  SDL_JoystickSetVirtualButton(joy, 3, 0);
  SDL_JoystickSetVirtualButton(joy, 7, 1);
  EXPECT_EQ(Bits(pad), 0x10 << 7);
  EXPECT_EQ(GetMouseButtonBits(), 0);

  TerminateInputSystem();
  SDL_JoystickClose(joy);
  EXPECT_EQ(SDL_JoystickDetachVirtual(device), 0);
}

}  // namespace
