// Scripted input for tests: key positions, key views, mouse and joysticks set by the test.
#include "platform/input/scripted/scripted_input.h"

#include <SDL2/SDL_scancode.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/input/input_backend.h"

namespace plat {

namespace {

struct ScriptedStick {
  bool removed, open, rumble;
  char name[64];
  RawJoystick state;
  uint32_t changes;
  int reads;
  bool strong, weak;
};

struct Script {
  bool deviceLayerMissing;
  bool keyboardFails;
  uint8_t scancodes[SDL_NUM_SCANCODES];
  uint8_t keyCodeOverride[256];         // 1 set down, 2 set up, in the device layer's view
  uint8_t vkOverride[256];
  uint32_t keyChanges;
  int keyboardReads;
  int mouseX, mouseY, mouseButtons;
  ScriptedStick sticks[kMaxJoysticks];
  int stickCount;
};

std::recursive_mutex g_mutex;
Script g_s;

ScriptedStick* Stick(int index) {
  return index >= 0 && index < g_s.stickCount ? &g_s.sticks[index] : nullptr;
}

bool Open() { return !g_s.deviceLayerMissing; }
void Close() {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  for (ScriptedStick& s : g_s.sticks) s.open = false;
}

void Apply(const uint8_t* override, uint8_t state[256]) {
  for (int i = 0; i < 256; ++i) {
    if (override[i] == 1) state[i] = 0x80;
    if (override[i] == 2) state[i] = 0;
  }
}

bool Keyboard(uint8_t keyCodes[256]) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  ++g_s.keyboardReads;
  if (g_s.keyboardFails) return false;
  KeyCodesFromScancodes(g_s.scancodes, SDL_NUM_SCANCODES, keyCodes);
  Apply(g_s.keyCodeOverride, keyCodes);
  return true;
}

uint32_t KeyboardChanges() {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  return g_s.keyChanges;
}

void VirtualKeys(uint8_t vk[256]) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  VirtualKeysFromScancodes(g_s.scancodes, SDL_NUM_SCANCODES, vk);
  if (g_s.mouseButtons & 1) vk[0x01] = 0x80;
  if (g_s.mouseButtons & 2) vk[0x02] = 0x80;
  if (g_s.mouseButtons & 4) vk[0x04] = 0x80;
  Apply(g_s.vkOverride, vk);
}

bool Mouse(MouseState* out) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  out->x = g_s.mouseX;
  out->y = g_s.mouseY;
  for (int i = 0; i < 8; ++i) out->buttons[i] = (g_s.mouseButtons >> i) & 1 ? 0x80 : 0;
  return true;
}

int JoystickCount() {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  return g_s.stickCount;
}

bool JoystickOpen(int index, PadInfo* info) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  ScriptedStick* s = Stick(index);
  if (!s || s->removed) return false;
  s->open = true;
  if (info) {
    std::snprintf(info->productName, sizeof info->productName, "%s", s->name);
    std::snprintf(info->instanceName, sizeof info->instanceName, "%s %d", s->name, index);
  }
  return true;
}

void JoystickClose(int index) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (ScriptedStick* s = Stick(index)) {
    s->open = false;
    s->strong = s->weak = false;
  }
}

bool JoystickRead(int index, RawJoystick* out) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  ScriptedStick* s = Stick(index);
  if (!s || !s->open) return false;
  ++s->reads;
  if (s->removed) return false;
  *out = s->state;
  return true;
}

uint32_t JoystickChanges(int index) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  ScriptedStick* s = Stick(index);
  return s ? s->changes : 0;
}

bool JoystickHasRumble(int index) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  ScriptedStick* s = Stick(index);
  return s && s->rumble;
}

void JoystickRumble(int index, bool strong, bool weak) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  ScriptedStick* s = Stick(index);
  if (!s || !s->rumble) return;
  s->strong = strong;
  s->weak = weak;
}

void Changed(ScriptedStick* s) { ++s->changes; }

}  // namespace

const InputBackendOps kScriptedInputOps = {
    Open, Close, Keyboard, KeyboardChanges, VirtualKeys, Mouse, JoystickCount, JoystickOpen,
    JoystickClose, JoystickRead, JoystickChanges, JoystickHasRumble, JoystickRumble,
};

void ScriptedInputReset() {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  g_s = Script{};
}

void ScriptedInputSetDeviceLayer(bool available) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  g_s.deviceLayerMissing = !available;
}

void ScriptedKey(int scancode, bool down) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (scancode <= 0 || scancode >= SDL_NUM_SCANCODES) return;
  g_s.scancodes[scancode] = down ? 1 : 0;
  ++g_s.keyChanges;
}

void ScriptedKeyCode(int keyCode, bool down) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (keyCode < 0 || keyCode > 255) return;
  g_s.keyCodeOverride[keyCode] = down ? 1 : 2;
  ++g_s.keyChanges;
}

void ScriptedVirtualKey(int vk, bool down) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (vk < 0 || vk > 255) return;
  g_s.vkOverride[vk] = down ? 1 : 2;
}

void ScriptedMouse(int x, int y, int buttonBits) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  g_s.mouseX = x;
  g_s.mouseY = y;
  g_s.mouseButtons = buttonBits;
}

void ScriptedSetKeyboardFails(bool fails) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  g_s.keyboardFails = fails;
}

int ScriptedKeyboardReads() {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  return g_s.keyboardReads;
}

int ScriptedAddJoystick(const char* name, int axes, int buttons, int hats, bool rumble) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (g_s.stickCount >= kMaxJoysticks) return -1;
  ScriptedStick& s = g_s.sticks[g_s.stickCount];
  s = ScriptedStick{};
  s.rumble = rumble;
  std::snprintf(s.name, sizeof s.name, "%s", name ? name : "");
  s.state.axisCount = axes < 0 ? 0 : axes > kMaxRawAxes ? kMaxRawAxes : axes;
  s.state.buttonCount = buttons < 0 ? 0 : buttons > kMaxRawButtons ? kMaxRawButtons : buttons;
  s.state.hatCount = hats < 0 ? 0 : hats > kMaxRawHats ? kMaxRawHats : hats;
  return g_s.stickCount++;
}

void ScriptedRemoveJoystick(int index) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (ScriptedStick* s = Stick(index)) {
    s->removed = true;
    Changed(s);
  }
}

void ScriptedJoystickAxis(int index, int axis, int value) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  ScriptedStick* s = Stick(index);
  if (!s || axis < 0 || axis >= s->state.axisCount) return;
  s->state.axes[axis] = static_cast<int16_t>(value < -32768 ? -32768 : value > 32767 ? 32767 : value);
  Changed(s);
}

void ScriptedJoystickButton(int index, int button, bool down) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  ScriptedStick* s = Stick(index);
  if (!s || button < 0 || button >= s->state.buttonCount) return;
  s->state.buttons[button] = down ? 1 : 0;
  Changed(s);
}

void ScriptedJoystickHat(int index, int hat, int bits) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  ScriptedStick* s = Stick(index);
  if (!s || hat < 0 || hat >= s->state.hatCount) return;
  s->state.hats[hat] = static_cast<uint8_t>(bits & 15);
  Changed(s);
}

int ScriptedJoystickReads(int index) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  ScriptedStick* s = Stick(index);
  return s ? s->reads : 0;
}

void ScriptedJoystickRumble(int index, bool* strong, bool* weak) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  ScriptedStick* s = Stick(index);
  if (strong) *strong = s && s->strong;
  if (weak) *weak = s && s->weak;
}

}  // namespace plat
