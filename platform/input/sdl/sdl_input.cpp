// SDL2 input: the keyboard and mouse state that the window thread's event pump keeps, and SDL's
// joysticks in its device order. Joystick state is brought up to date when read, so joystick
// events are switched off and never pile up in the window layer's queue.
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/input/input_backend.h"
#include "platform/text.h"

namespace plat {

namespace {

bool g_joystickUp = false;
bool g_joystickFailed = false;

struct Stick {
  SDL_Joystick* joy;
  RawJoystick last;             // the state the change count last saw
  uint32_t changes;
  bool strong, weak;
  uint32_t rumbleIssued;        // SDL_GetTicks() of the last rumble request
};
Stick g_sticks[kMaxJoysticks];

uint8_t g_lastKeys[SDL_NUM_SCANCODES];
uint32_t g_keyChanges = 0;

// SDL ends a rumble after at most about a minute; a running effect is renewed before that.
constexpr uint32_t kRumbleRenewMs = 30000;
constexpr uint32_t kRumbleDurationMs = 60000;

bool EnsureJoysticks() {
  if (g_joystickUp) return true;
  if (g_joystickFailed) return false;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
    g_joystickFailed = true;
    return false;
  }
  SDL_JoystickEventState(SDL_IGNORE);
  g_joystickUp = true;
  return true;
}

bool Open() {
  return EnsureJoysticks();
}

void Close() {
  for (Stick& s : g_sticks) {
    if (s.joy) SDL_JoystickClose(s.joy);
    s = Stick{};
  }
  if (g_joystickUp) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  g_joystickUp = false;
  g_joystickFailed = false;
}

const uint8_t* Scancodes(int* count) {
  *count = 0;
  if (!SDL_WasInit(SDL_INIT_EVENTS)) return nullptr;
  return SDL_GetKeyboardState(count);
}

bool Keyboard(uint8_t keyCodes[256]) {
  int n;
  const uint8_t* down = Scancodes(&n);
  KeyCodesFromScancodes(down, down ? n : 0, keyCodes);
  return true;
}

uint32_t KeyboardChanges() {
  int n;
  const uint8_t* down = Scancodes(&n);
  if (!down) return g_keyChanges;
  if (n > SDL_NUM_SCANCODES) n = SDL_NUM_SCANCODES;
  if (std::memcmp(g_lastKeys, down, static_cast<size_t>(n)) != 0) {
    std::memcpy(g_lastKeys, down, static_cast<size_t>(n));
    ++g_keyChanges;
  }
  return g_keyChanges;
}

uint32_t MouseMask(int* x, int* y) {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) {
    if (x) *x = 0;
    if (y) *y = 0;
    return 0;
  }
  return SDL_GetMouseState(x, y);
}

void VirtualKeys(uint8_t vk[256]) {
  int n;
  const uint8_t* down = Scancodes(&n);
  VirtualKeysFromScancodes(down, down ? n : 0, vk);
  uint32_t m = MouseMask(nullptr, nullptr);
  if (m & SDL_BUTTON_LMASK) vk[0x01] = 0x80;
  if (m & SDL_BUTTON_RMASK) vk[0x02] = 0x80;
  if (m & SDL_BUTTON_MMASK) vk[0x04] = 0x80;
  if (m & SDL_BUTTON_X1MASK) vk[0x05] = 0x80;
  if (m & SDL_BUTTON_X2MASK) vk[0x06] = 0x80;
}

bool Mouse(MouseState* out) {
  uint32_t m = MouseMask(&out->x, &out->y);
  // The engine numbers the buttons left, right, middle, then the extra ones.
  static const uint32_t kOrder[5] = {SDL_BUTTON_LMASK, SDL_BUTTON_RMASK, SDL_BUTTON_MMASK,
                                     SDL_BUTTON_X1MASK, SDL_BUTTON_X2MASK};
  for (int i = 0; i < 5; ++i) out->buttons[i] = (m & kOrder[i]) ? 0x80 : 0;
  return true;
}

int JoystickCount() {
  if (!EnsureJoysticks()) return 0;
  SDL_JoystickUpdate();
  int n = SDL_NumJoysticks();
  return n < 0 ? 0 : n;
}

bool JoystickOpen(int index, PadInfo* info) {
  if (!EnsureJoysticks() || index < 0 || index >= kMaxJoysticks) return false;
  Stick& s = g_sticks[index];
  if (!s.joy) s.joy = SDL_JoystickOpen(index);
  if (!s.joy) return false;
  s.changes = 0;
  s.last = RawJoystick{};
  if (info) {
    const char* utf8 = SDL_JoystickName(s.joy);
    std::string name = Utf8ToCp932(utf8 ? utf8 : "");
    std::snprintf(info->productName, sizeof info->productName, "%s", name.c_str());
    std::snprintf(info->instanceName, sizeof info->instanceName, "%s %d", name.c_str(),
                  static_cast<int>(SDL_JoystickInstanceID(s.joy)));
  }
  return true;
}

void JoystickClose(int index) {
  if (index < 0 || index >= kMaxJoysticks) return;
  Stick& s = g_sticks[index];
  if (s.joy) SDL_JoystickClose(s.joy);
  s = Stick{};
}

void Rumble(Stick& s) {
  uint16_t strong = s.strong ? 0xFFFF : 0, weak = s.weak ? 0xFFFF : 0;
  SDL_JoystickRumble(s.joy, strong, weak, (strong || weak) ? kRumbleDurationMs : 0);
  s.rumbleIssued = SDL_GetTicks();
}

bool JoystickRead(int index, RawJoystick* out) {
  if (index < 0 || index >= kMaxJoysticks) return false;
  Stick& s = g_sticks[index];
  if (!s.joy) return false;
  SDL_JoystickUpdate();
  if (!SDL_JoystickGetAttached(s.joy)) return false;
  RawJoystick j{};
  j.axisCount = SDL_JoystickNumAxes(s.joy);
  j.buttonCount = SDL_JoystickNumButtons(s.joy);
  j.hatCount = SDL_JoystickNumHats(s.joy);
  if (j.axisCount > kMaxRawAxes) j.axisCount = kMaxRawAxes;
  if (j.buttonCount > kMaxRawButtons) j.buttonCount = kMaxRawButtons;
  if (j.hatCount > kMaxRawHats) j.hatCount = kMaxRawHats;
  if (j.axisCount < 0) j.axisCount = 0;
  if (j.buttonCount < 0) j.buttonCount = 0;
  if (j.hatCount < 0) j.hatCount = 0;
  for (int a = 0; a < j.axisCount; ++a) j.axes[a] = SDL_JoystickGetAxis(s.joy, a);
  for (int b = 0; b < j.buttonCount; ++b) j.buttons[b] = SDL_JoystickGetButton(s.joy, b) ? 1 : 0;
  for (int h = 0; h < j.hatCount; ++h) j.hats[h] = SDL_JoystickGetHat(s.joy, h);
  if ((s.strong || s.weak) && SDL_GetTicks() - s.rumbleIssued >= kRumbleRenewMs) Rumble(s);
  *out = j;
  return true;
}

uint32_t JoystickChanges(int index) {
  RawJoystick j;
  if (!JoystickRead(index, &j)) return g_sticks[index].changes;
  Stick& s = g_sticks[index];
  if (std::memcmp(&j, &s.last, sizeof j) != 0) {
    s.last = j;
    ++s.changes;
  }
  return s.changes;
}

bool JoystickHasRumble(int index) {
  if (index < 0 || index >= kMaxJoysticks || !g_sticks[index].joy) return false;
  return SDL_JoystickHasRumble(g_sticks[index].joy) == SDL_TRUE;
}

void JoystickRumble(int index, bool strong, bool weak) {
  if (index < 0 || index >= kMaxJoysticks || !g_sticks[index].joy) return;
  Stick& s = g_sticks[index];
  s.strong = strong;
  s.weak = weak;
  Rumble(s);
}

}  // namespace

const InputBackendOps kSdlInputOps = {
    Open, Close, Keyboard, KeyboardChanges, VirtualKeys, Mouse, JoystickCount, JoystickOpen,
    JoystickClose, JoystickRead, JoystickChanges, JoystickHasRumble, JoystickRumble,
};

}  // namespace plat
