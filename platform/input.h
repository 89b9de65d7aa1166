// Keyboard, mouse and joysticks. Two views stand side by side, as the engine expects:
// - the device layer: keyboard state by the engine's key codes (scan-code numbering), the mouse,
//   and opened pads with axes scaled to a range and dead zone, buttons and rumble effects;
// - the system calls: keyboard and mouse buttons by virtual-key code, and joysticks read as raw
//   positions 0..65535 with a button word.
// Keys are read from the event state of the window thread (the main thread): whoever pumps the
// window layer keeps it current. Joysticks are numbered in the system's order, at most eight.
// The back end is chosen on first use: scripted when the window layer is headless, else SDL2.
#pragma once
#include <cstdint>

namespace plat {

constexpr int kMaxJoysticks = 8;

enum class InputBackend { Auto, Sdl, Scripted };
void InputSelectBackend(InputBackend b);  // before InputOpen; Auto re-chooses
bool InputIsScripted();                   // the back end in use (chooses it when unset)

// The device layer; false when it cannot be had (the engine then uses the system calls only).
bool InputOpen();
void InputClose();                        // closes every pad; safe when not open

// Keyboard by the engine's key codes: 256 bytes, 0x80 while down.
bool KeyboardRead(uint8_t state[256]);    // false when the keyboard cannot be read
uint32_t KeyboardChangeCount();           // moves whenever the key state has changed
// The engine's key code and the virtual key of a key position (USB usage id = SDL scan code);
// 0 for a position that has none. Virtual keys follow the Japanese 106-key layout.
int KeyCodeOfScancode(int scancode);
int VirtualKeyOfScancode(int scancode);

// The system's key state by virtual-key code, mouse buttons included (0x01 left, 0x02 right,
// 0x04 middle) and the side-less Shift, Control and Alt codes: 256 bytes, 0x80 while down.
void VirtualKeysRead(uint8_t state[256]);

// Mouse.
struct MouseState {
  int x, y;                               // in the focused window's client area
  uint8_t buttons[8];                     // 0x80 while down: 0 left, 1 right, 2 middle, 3.. extra
};
bool MouseRead(MouseState* out);          // false when there is no mouse

// Pads of the device layer. The state has the layout the engine keeps (80 bytes).
enum : int { kAxisX, kAxisY, kAxisZ, kAxisRx, kAxisRy, kAxisRz, kAxisCount };
struct PadState {
  int32_t axes[kAxisCount];               // X, Y, Z, Rx, Ry, Rz in the pad's range
  int32_t sliders[2];
  uint32_t pov[4];                        // hundredths of a degree clockwise from up; ~0 centred
  uint8_t buttons[32];                    // 0x80 while down
};
static_assert(sizeof(PadState) == 80, "the engine keeps the 80-byte joystick state");

struct PadInfo {                          // CP932
  char instanceName[260];
  char productName[260];
};

int PadAttachedCount();                   // joysticks attached now, at most kMaxJoysticks
bool PadOpen(int index, PadInfo* info);   // false when the joystick is gone or not a joystick
void PadClose(int index);                 // also stops its effects
bool PadSetRange(int index, int axis, int low, int high);   // all axes start at -1000..1000
bool PadSetDeadZone(int index, int axis, int deadZone);     // 0..10000 of the half range; 0 at first
bool PadRead(int index, PadState* out);   // false when the pad is closed or unplugged
uint32_t PadChangeCount(int index);       // moves whenever the pad's state has changed
// Force feedback: a constant force (strong motor) and a sine (weak motor), both or neither.
enum : int { kEffectConstant, kEffectSine };
bool PadHasEffects(int index);
bool PadEffectRun(int index, int effect, bool run);         // false without effects

// The system's joystick calls, for the same joysticks.
struct JoystickCaps {
  bool hasZ, hasR;                        // a third and a fourth axis
};
struct JoystickRaw {
  uint32_t x, y, z, r;                    // 0..65535, 32767 or 32768 at rest
  uint32_t buttons;                       // bit i while button i is down
};
bool JoystickGetCaps(int index, JoystickCaps* out);  // false when no joystick has this number
bool JoystickGetPos(int index, JoystickRaw* out);    // false when it cannot be read

}  // namespace plat
