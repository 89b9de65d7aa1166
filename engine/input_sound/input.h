// Input devices and pad bits (engine internals): the input state, the device polls and the pad
// vibration. Devices are polled when read, at most once per millisecond unless they changed.
#pragma once
#include <cstdint>

#include "platform/input.h"

enum : int32_t { INPUT_NOT_STARTED = 0, INPUT_DEVICE_LAYER = 1, INPUT_SYSTEM_CALLS = 2 };

struct JoypadRecord {
  int32_t device;                 // platform joystick number + 1; 0 none
  int32_t constantEffect;         // 1 when the pad has the effect
  int32_t sineEffect;
  uint32_t event;                 // change count last taken in
  plat::PadState state;
  int32_t hasZAndR;               // system-call mode
  uint32_t pollTime;
  int32_t vibrationState;         // 1 vibrating
  int32_t power;                  // 0..10000
  int32_t timeLimit;              // ms; negative = none
  int32_t elapsed;                // ms
  uint32_t lastTick;
  int32_t constantRunning;
  int32_t sineRunning;
};

struct InputState {
  int32_t withoutDeviceLayer;     // 1: system calls only; kept when start-up zeroes the rest
  int32_t deviceLayer8;           // 1 when the second attempt gave the device layer
  int32_t object;                 // INPUT_*
  int32_t mouse;                  // 1 when the mouse device is set up
  int32_t keyboard;               // 1 when the keyboard device is set up
  uint32_t keyboardEvent;         // change count last taken in
  uint32_t keyboardPollTime;
  uint8_t keyState[256];          // by key code; high bit = down
  int32_t padCount;
  JoypadRecord pads[8];
};

extern InputState g_input;

struct VkToDik { uint16_t vk, dik; };
constexpr uint16_t VK_TO_DIK_MARKER = 0xFFFE;
constexpr uint16_t VK_TO_DIK_END = 0xFFFF;
extern const VkToDik VkToDikTable[];   // 72 pairs, the marker, 27 pairs, the end

int InitializeInputSystem();
int TerminateInputSystem();
int PollKeyboardState();               // 1 refreshed, 0 not
int PollJoypad(int index);             // 0, or -1 for a bad index or a quit during the retry
int ReacquireInputDevices();
int32_t MapJoystickPosition(uint32_t position);   // system-call position -> -1000..1000
int StartInputIfNeeded();              // 1 when input was not started and has been started now

int StopPadVibration(int pad);
int SyncJoypadEffects();
