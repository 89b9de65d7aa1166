#include "platform/input/sdl/virtual_pad.h"

#include <SDL2/SDL.h>

#include <algorithm>

namespace plat {

namespace {

constexpr int kAxes = 2, kButtons = 16;
SDL_Joystick* g_joy = nullptr;

}  // namespace

bool VirtualPadAttach() {
  if (g_joy) return false;
  // Our own reference on the joystick subsystem: the input back end's start and stop around it
  // then leave the device in place.
  // The same hints as the back end's own start: SDL must not take over the process's signals.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
  const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, kAxes, kButtons, 0);
  if (device >= 0) g_joy = SDL_JoystickOpen(device);
  if (!g_joy) {
    if (device >= 0) SDL_JoystickDetachVirtual(device);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    return false;
  }
  return true;
}

void VirtualPadSet(uint32_t buttons, int x, int y) {
  if (!g_joy) return;
  for (int b = 0; b < kButtons; ++b) SDL_JoystickSetVirtualButton(g_joy, b, (buttons >> b) & 1u ? 1 : 0);
  SDL_JoystickSetVirtualAxis(g_joy, 0, static_cast<Sint16>(std::clamp(x, -32768, 32767)));
  SDL_JoystickSetVirtualAxis(g_joy, 1, static_cast<Sint16>(std::clamp(y, -32768, 32767)));
}

void VirtualPadDetach() {
  if (!g_joy) return;
  // Device indexes move when pads come and go; the instance id does not.
  const SDL_JoystickID id = SDL_JoystickInstanceID(g_joy);
  SDL_JoystickClose(g_joy);
  for (int i = 0; i < SDL_NumJoysticks(); ++i)
    if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
  g_joy = nullptr;
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

}  // namespace plat
