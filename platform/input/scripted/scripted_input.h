// The scripted input back end: what a test makes the keyboard, the mouse and the joysticks do.
// Keys are given by position (USB usage id = SDL scan code) and go through the real key tables;
// the two key views can also be set apart, as when the device layer misses a key.
#pragma once
#include <cstdint>

namespace plat {

void ScriptedInputReset();                          // device layer available, nothing down, no joysticks
void ScriptedInputSetDeviceLayer(bool available);   // false: InputOpen fails
void ScriptedKey(int scancode, bool down);          // both views
void ScriptedKeyCode(int keyCode, bool down);       // the device layer's view only (engine key code)
void ScriptedVirtualKey(int vk, bool down);         // the system's view only
void ScriptedMouse(int x, int y, int buttonBits);   // bit i: button i (0 left, 1 right, 2 middle, ...)
void ScriptedSetKeyboardFails(bool fails);          // KeyboardRead reports failure
int ScriptedKeyboardReads();                        // device-layer keyboard reads since the reset

// Joysticks: added in the system's order; a removed one stays numbered but reads fail.
int ScriptedAddJoystick(const char* name, int axes, int buttons, int hats, bool rumble);  // index or -1
void ScriptedRemoveJoystick(int index);
void ScriptedJoystickAxis(int index, int axis, int value);   // -32768..32767
void ScriptedJoystickButton(int index, int button, bool down);
void ScriptedJoystickHat(int index, int hat, int bits);      // 1 up, 2 right, 4 down, 8 left
int ScriptedJoystickReads(int index);                        // reads since the reset
void ScriptedJoystickRumble(int index, bool* strong, bool* weak);  // what the motors were last told

}  // namespace plat
