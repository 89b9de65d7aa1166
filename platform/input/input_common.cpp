// The shared input layer: back-end choice, the key tables, and the joysticks seen as device-layer
// pads (range, dead zone, change counts, effects) and as the system's joystick calls.
#include <SDL2/SDL_scancode.h>

#include <cstring>
#include <mutex>

#include "platform/input.h"
#include "platform/input/input_backend.h"
#include "platform/window.h"

namespace plat {

namespace {

// Key positions (USB usage ids, as SDL numbers them) with the engine's key code (the set-1 scan
// code of the position) and the virtual key the Japanese 106-key layout gives them.
struct KeyPosition { int scancode; uint8_t keyCode, vk; };
const KeyPosition kKeyPositions[] = {
    {SDL_SCANCODE_A, 0x1E, 'A'}, {SDL_SCANCODE_B, 0x30, 'B'}, {SDL_SCANCODE_C, 0x2E, 'C'},
    {SDL_SCANCODE_D, 0x20, 'D'}, {SDL_SCANCODE_E, 0x12, 'E'}, {SDL_SCANCODE_F, 0x21, 'F'},
    {SDL_SCANCODE_G, 0x22, 'G'}, {SDL_SCANCODE_H, 0x23, 'H'}, {SDL_SCANCODE_I, 0x17, 'I'},
    {SDL_SCANCODE_J, 0x24, 'J'}, {SDL_SCANCODE_K, 0x25, 'K'}, {SDL_SCANCODE_L, 0x26, 'L'},
    {SDL_SCANCODE_M, 0x32, 'M'}, {SDL_SCANCODE_N, 0x31, 'N'}, {SDL_SCANCODE_O, 0x18, 'O'},
    {SDL_SCANCODE_P, 0x19, 'P'}, {SDL_SCANCODE_Q, 0x10, 'Q'}, {SDL_SCANCODE_R, 0x13, 'R'},
    {SDL_SCANCODE_S, 0x1F, 'S'}, {SDL_SCANCODE_T, 0x14, 'T'}, {SDL_SCANCODE_U, 0x16, 'U'},
    {SDL_SCANCODE_V, 0x2F, 'V'}, {SDL_SCANCODE_W, 0x11, 'W'}, {SDL_SCANCODE_X, 0x2D, 'X'},
    {SDL_SCANCODE_Y, 0x15, 'Y'}, {SDL_SCANCODE_Z, 0x2C, 'Z'},
    {SDL_SCANCODE_1, 0x02, '1'}, {SDL_SCANCODE_2, 0x03, '2'}, {SDL_SCANCODE_3, 0x04, '3'},
    {SDL_SCANCODE_4, 0x05, '4'}, {SDL_SCANCODE_5, 0x06, '5'}, {SDL_SCANCODE_6, 0x07, '6'},
    {SDL_SCANCODE_7, 0x08, '7'}, {SDL_SCANCODE_8, 0x09, '8'}, {SDL_SCANCODE_9, 0x0A, '9'},
    {SDL_SCANCODE_0, 0x0B, '0'},
    {SDL_SCANCODE_RETURN, 0x1C, 0x0D}, {SDL_SCANCODE_ESCAPE, 0x01, 0x1B},
    {SDL_SCANCODE_BACKSPACE, 0x0E, 0x08}, {SDL_SCANCODE_TAB, 0x0F, 0x09},
    {SDL_SCANCODE_SPACE, 0x39, 0x20},
    {SDL_SCANCODE_MINUS, 0x0C, 0xBD}, {SDL_SCANCODE_EQUALS, 0x0D, 0xDE},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A, 0xC0}, {SDL_SCANCODE_RIGHTBRACKET, 0x1B, 0xDB},
    {SDL_SCANCODE_BACKSLASH, 0x2B, 0xDD}, {SDL_SCANCODE_NONUSHASH, 0x2B, 0xDD},
    {SDL_SCANCODE_SEMICOLON, 0x27, 0xBB}, {SDL_SCANCODE_APOSTROPHE, 0x28, 0xBA},
    {SDL_SCANCODE_GRAVE, 0x29, 0xF3}, {SDL_SCANCODE_COMMA, 0x33, 0xBC},
    {SDL_SCANCODE_PERIOD, 0x34, 0xBE}, {SDL_SCANCODE_SLASH, 0x35, 0xBF},
    {SDL_SCANCODE_CAPSLOCK, 0x3A, 0x14},
    {SDL_SCANCODE_F1, 0x3B, 0x70}, {SDL_SCANCODE_F2, 0x3C, 0x71}, {SDL_SCANCODE_F3, 0x3D, 0x72},
    {SDL_SCANCODE_F4, 0x3E, 0x73}, {SDL_SCANCODE_F5, 0x3F, 0x74}, {SDL_SCANCODE_F6, 0x40, 0x75},
    {SDL_SCANCODE_F7, 0x41, 0x76}, {SDL_SCANCODE_F8, 0x42, 0x77}, {SDL_SCANCODE_F9, 0x43, 0x78},
    {SDL_SCANCODE_F10, 0x44, 0x79}, {SDL_SCANCODE_F11, 0x57, 0x7A}, {SDL_SCANCODE_F12, 0x58, 0x7B},
    {SDL_SCANCODE_F13, 0x64, 0x7C}, {SDL_SCANCODE_F14, 0x65, 0x7D}, {SDL_SCANCODE_F15, 0x66, 0x7E},
    {SDL_SCANCODE_PRINTSCREEN, 0xB7, 0x2C}, {SDL_SCANCODE_SCROLLLOCK, 0x46, 0x91},
    {SDL_SCANCODE_PAUSE, 0xC5, 0x13}, {SDL_SCANCODE_INSERT, 0xD2, 0x2D},
    {SDL_SCANCODE_HOME, 0xC7, 0x24}, {SDL_SCANCODE_PAGEUP, 0xC9, 0x21},
    {SDL_SCANCODE_DELETE, 0xD3, 0x2E}, {SDL_SCANCODE_END, 0xCF, 0x23},
    {SDL_SCANCODE_PAGEDOWN, 0xD1, 0x22},
    {SDL_SCANCODE_RIGHT, 0xCD, 0x27}, {SDL_SCANCODE_LEFT, 0xCB, 0x25},
    {SDL_SCANCODE_DOWN, 0xD0, 0x28}, {SDL_SCANCODE_UP, 0xC8, 0x26},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45, 0x90},
    {SDL_SCANCODE_KP_DIVIDE, 0xB5, 0x6F}, {SDL_SCANCODE_KP_MULTIPLY, 0x37, 0x6A},
    {SDL_SCANCODE_KP_MINUS, 0x4A, 0x6D}, {SDL_SCANCODE_KP_PLUS, 0x4E, 0x6B},
    {SDL_SCANCODE_KP_ENTER, 0x9C, 0x0D}, {SDL_SCANCODE_KP_PERIOD, 0x53, 0x6E},
    {SDL_SCANCODE_KP_1, 0x4F, 0x61}, {SDL_SCANCODE_KP_2, 0x50, 0x62}, {SDL_SCANCODE_KP_3, 0x51, 0x63},
    {SDL_SCANCODE_KP_4, 0x4B, 0x64}, {SDL_SCANCODE_KP_5, 0x4C, 0x65}, {SDL_SCANCODE_KP_6, 0x4D, 0x66},
    {SDL_SCANCODE_KP_7, 0x47, 0x67}, {SDL_SCANCODE_KP_8, 0x48, 0x68}, {SDL_SCANCODE_KP_9, 0x49, 0x69},
    {SDL_SCANCODE_KP_0, 0x52, 0x60}, {SDL_SCANCODE_KP_EQUALS, 0x8D, 0x92},
    {SDL_SCANCODE_KP_COMMA, 0xB3, 0x6C},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56, 0xE2}, {SDL_SCANCODE_APPLICATION, 0xDD, 0x5D},
    {SDL_SCANCODE_INTERNATIONAL1, 0x73, 0xE2},   // ro
    {SDL_SCANCODE_INTERNATIONAL2, 0x70, 0xF2},   // katakana / hiragana
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D, 0xDC},   // yen
    {SDL_SCANCODE_INTERNATIONAL4, 0x79, 0x1C},   // henkan
    {SDL_SCANCODE_INTERNATIONAL5, 0x7B, 0x1D},   // muhenkan
    {SDL_SCANCODE_LCTRL, 0x1D, 0xA2}, {SDL_SCANCODE_LSHIFT, 0x2A, 0xA0},
    {SDL_SCANCODE_LALT, 0x38, 0xA4}, {SDL_SCANCODE_LGUI, 0xDB, 0x5B},
    {SDL_SCANCODE_RCTRL, 0x9D, 0xA3}, {SDL_SCANCODE_RSHIFT, 0x36, 0xA1},
    {SDL_SCANCODE_RALT, 0xB8, 0xA5}, {SDL_SCANCODE_RGUI, 0xDC, 0x5C},
};

struct KeyLookup {
  uint8_t keyCode[SDL_NUM_SCANCODES];
  uint8_t vk[SDL_NUM_SCANCODES];
  KeyLookup() : keyCode{}, vk{} {
    for (const KeyPosition& k : kKeyPositions) {
      keyCode[k.scancode] = k.keyCode;
      vk[k.scancode] = k.vk;
    }
  }
};
const KeyLookup& Keys() {
  static const KeyLookup lookup;
  return lookup;
}

struct PadSlot {
  bool handle;                  // the back end has it open (either view)
  bool open;                    // opened as a device-layer pad
  PadInfo info;
  int low[kAxisCount], high[kAxisCount], deadZone[kAxisCount];
  bool effects;
  bool running[2];
};

std::recursive_mutex g_mutex;
const InputBackendOps* g_ops = nullptr;
InputBackend g_choice = InputBackend::Auto;
bool g_open = false;
PadSlot g_pads[kMaxJoysticks];

const InputBackendOps* Ops() {
  if (!g_ops) {
    bool scripted = g_choice == InputBackend::Scripted ||
                    (g_choice == InputBackend::Auto && WindowIsHeadless());
    g_ops = scripted ? &kScriptedInputOps : &kSdlInputOps;
  }
  return g_ops;
}

bool ValidPad(int index) { return index >= 0 && index < kMaxJoysticks; }

// Device-layer axis: outside the dead zone, the rest of the travel spans centre to end.
int32_t ScaleAxis(int16_t raw, int low, int high, int deadZone) {
  int64_t centre = low + (static_cast<int64_t>(high) - low) / 2;
  int64_t m = raw < 0 ? (-static_cast<int64_t>(raw)) * 10000 / 32768 : static_cast<int64_t>(raw) * 10000 / 32767;
  if (m <= deadZone || deadZone >= 10000) return static_cast<int32_t>(centre);
  int64_t span = raw < 0 ? centre - low : high - centre;
  int64_t v = (m - deadZone) * span / (10000 - deadZone);
  return static_cast<int32_t>(raw < 0 ? centre - v : centre + v);
}

uint32_t HatToPov(uint8_t hat) {
  static const int32_t kDegrees[16] = {-1, 0, 9000, 4500, 18000, -1, 13500, -1,
                                       27000, 31500, -1, -1, 22500, -1, -1, -1};
  return static_cast<uint32_t>(kDegrees[hat & 15]);
}

uint32_t RawPosition(const RawJoystick& j, int axis) {
  if (axis >= j.axisCount) return 32767;
  return static_cast<uint32_t>(static_cast<int32_t>(j.axes[axis]) + 32768);
}

bool EnsureHandle(int index) {
  PadSlot& p = g_pads[index];
  if (p.handle) return true;
  if (index >= Ops()->joystickCount()) return false;
  p.info = PadInfo{};
  if (!Ops()->joystickOpen(index, &p.info)) return false;
  p.handle = true;
  return true;
}

void CloseSlot(int index) {
  PadSlot& p = g_pads[index];
  if (!p.handle) return;
  if (p.running[0] || p.running[1]) Ops()->joystickRumble(index, false, false);
  Ops()->joystickClose(index);
  p = PadSlot{};
}

}  // namespace

void KeyCodesFromScancodes(const uint8_t* down, int count, uint8_t keyCodes[256]) {
  std::memset(keyCodes, 0, 256);
  const KeyLookup& k = Keys();
  for (int s = 0; s < count && s < SDL_NUM_SCANCODES; ++s)
    if (down[s] && k.keyCode[s]) keyCodes[k.keyCode[s]] = 0x80;
}

void VirtualKeysFromScancodes(const uint8_t* down, int count, uint8_t vk[256]) {
  std::memset(vk, 0, 256);
  const KeyLookup& k = Keys();
  for (int s = 0; s < count && s < SDL_NUM_SCANCODES; ++s) {
    if (!down[s] || !k.vk[s]) continue;
    uint8_t v = k.vk[s];
    vk[v] = 0x80;
    if (v == 0xA0 || v == 0xA1) vk[0x10] = 0x80;
    if (v == 0xA2 || v == 0xA3) vk[0x11] = 0x80;
    if (v == 0xA4 || v == 0xA5) vk[0x12] = 0x80;
  }
}

int KeyCodeOfScancode(int scancode) {
  return scancode >= 0 && scancode < SDL_NUM_SCANCODES ? Keys().keyCode[scancode] : 0;
}

int VirtualKeyOfScancode(int scancode) {
  return scancode >= 0 && scancode < SDL_NUM_SCANCODES ? Keys().vk[scancode] : 0;
}

void InputSelectBackend(InputBackend b) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (g_open) return;
  g_choice = b;
  g_ops = nullptr;
}

bool InputIsScripted() {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  return Ops() == &kScriptedInputOps;
}

bool InputOpen() {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (g_open) return true;
  g_open = Ops()->open();
  return g_open;
}

void InputClose() {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  for (int i = 0; i < kMaxJoysticks; ++i) CloseSlot(i);
  if (g_ops) g_ops->close();
  g_open = false;
}

bool KeyboardRead(uint8_t state[256]) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (!state) return false;
  if (!g_open) {
    std::memset(state, 0, 256);
    return false;
  }
  return Ops()->keyboard(state);
}

uint32_t KeyboardChangeCount() {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  return Ops()->keyboardChanges();
}

void VirtualKeysRead(uint8_t state[256]) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (state) Ops()->virtualKeys(state);
}

bool MouseRead(MouseState* out) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (!out) return false;
  *out = MouseState{};
  return g_open && Ops()->mouse(out);
}

int PadAttachedCount() {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  int n = Ops()->joystickCount();
  return n < 0 ? 0 : n > kMaxJoysticks ? kMaxJoysticks : n;
}

bool PadOpen(int index, PadInfo* info) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (!g_open || !ValidPad(index) || index >= PadAttachedCount()) return false;
  PadSlot& p = g_pads[index];
  if (p.open || !EnsureHandle(index)) return false;
  p.open = true;
  for (int a = 0; a < kAxisCount; ++a) {
    p.low[a] = -1000;
    p.high[a] = 1000;
    p.deadZone[a] = 0;
  }
  p.effects = Ops()->joystickHasRumble(index);
  p.running[0] = p.running[1] = false;
  if (info) *info = p.info;
  return true;
}

void PadClose(int index) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (ValidPad(index)) CloseSlot(index);
}

bool PadSetRange(int index, int axis, int low, int high) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (!ValidPad(index) || !g_pads[index].open || axis < 0 || axis >= kAxisCount || low >= high) return false;
  g_pads[index].low[axis] = low;
  g_pads[index].high[axis] = high;
  return true;
}

bool PadSetDeadZone(int index, int axis, int deadZone) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (!ValidPad(index) || !g_pads[index].open || axis < 0 || axis >= kAxisCount || deadZone < 0 ||
      deadZone > 10000)
    return false;
  g_pads[index].deadZone[axis] = deadZone;
  return true;
}

bool PadRead(int index, PadState* out) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (!out || !ValidPad(index) || !g_pads[index].open) return false;
  RawJoystick j{};
  if (!Ops()->joystickRead(index, &j)) return false;
  const PadSlot& p = g_pads[index];
  PadState s{};
  for (int a = 0; a < kAxisCount; ++a)
    s.axes[a] = a < j.axisCount ? ScaleAxis(j.axes[a], p.low[a], p.high[a], p.deadZone[a])
                                : ScaleAxis(0, p.low[a], p.high[a], p.deadZone[a]);
  for (int a = 0; a < 2; ++a)
    s.sliders[a] = kAxisCount + a < j.axisCount ? ScaleAxis(j.axes[kAxisCount + a], -1000, 1000, 0) : 0;
  for (int h = 0; h < 4; ++h) s.pov[h] = h < j.hatCount ? HatToPov(j.hats[h]) : 0xFFFFFFFFu;
  for (int b = 0; b < j.buttonCount && b < 32; ++b) s.buttons[b] = j.buttons[b] ? 0x80 : 0;
  *out = s;
  return true;
}

uint32_t PadChangeCount(int index) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (!ValidPad(index) || !g_pads[index].handle) return 0;
  return Ops()->joystickChanges(index);
}

bool PadHasEffects(int index) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  return ValidPad(index) && g_pads[index].open && g_pads[index].effects;
}

bool PadEffectRun(int index, int effect, bool run) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (!PadHasEffects(index) || (effect != kEffectConstant && effect != kEffectSine)) return false;
  PadSlot& p = g_pads[index];
  p.running[effect] = run;
  Ops()->joystickRumble(index, p.running[kEffectConstant], p.running[kEffectSine]);
  return true;
}

bool JoystickGetCaps(int index, JoystickCaps* out) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (!ValidPad(index) || !EnsureHandle(index)) return false;
  RawJoystick j{};
  if (!Ops()->joystickRead(index, &j)) return false;
  if (out) {
    out->hasZ = j.axisCount > 2;
    out->hasR = j.axisCount > 3;
  }
  return true;
}

bool JoystickGetPos(int index, JoystickRaw* out) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (!out || !ValidPad(index) || !EnsureHandle(index)) return false;
  RawJoystick j{};
  if (!Ops()->joystickRead(index, &j)) return false;
  out->x = RawPosition(j, 0);
  out->y = RawPosition(j, 1);
  out->z = RawPosition(j, 2);
  out->r = RawPosition(j, 3);
  out->buttons = 0;
  for (int b = 0; b < j.buttonCount && b < 32; ++b)
    if (j.buttons[b]) out->buttons |= 1u << b;
  return true;
}

}  // namespace plat
