// What each input back end supplies to the shared input layer. Back ends report joysticks raw
// (SDL's units); the shared layer scales them for the device layer and the system calls.
#pragma once
#include <cstdint>
#include "platform/input.h"

namespace plat {

constexpr int kMaxRawAxes = 8;
constexpr int kMaxRawButtons = 32;
constexpr int kMaxRawHats = 4;

struct RawJoystick {
  int axisCount, buttonCount, hatCount;
  int16_t axes[kMaxRawAxes];              // -32768..32767
  uint8_t buttons[kMaxRawButtons];        // 1 while down
  uint8_t hats[kMaxRawHats];              // bits: 1 up, 2 right, 4 down, 8 left
};

struct InputBackendOps {
  bool (*open)();
  void (*close)();
  bool (*keyboard)(uint8_t keyCodes[256]);      // by the engine's key codes
  uint32_t (*keyboardChanges)();
  void (*virtualKeys)(uint8_t vk[256]);
  bool (*mouse)(MouseState* out);
  int (*joystickCount)();
  bool (*joystickOpen)(int index, PadInfo* info);
  void (*joystickClose)(int index);
  bool (*joystickRead)(int index, RawJoystick* out);  // false when closed or unplugged
  uint32_t (*joystickChanges)(int index);
  bool (*joystickHasRumble)(int index);
  void (*joystickRumble)(int index, bool strong, bool weak);
};

extern const InputBackendOps kSdlInputOps;
extern const InputBackendOps kScriptedInputOps;

// Shared helpers for the back ends.
void KeyCodesFromScancodes(const uint8_t* down, int count, uint8_t keyCodes[256]);
void VirtualKeysFromScancodes(const uint8_t* down, int count, uint8_t vk[256]);

}  // namespace plat
